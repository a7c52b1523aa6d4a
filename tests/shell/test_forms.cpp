#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QPixmap>

#include "CP932Qt.h"
#include "FileSystem.h"
#include "ShellTestUtil.h"
#include "U_ApplicationInfo.h"
#include "U_Form_Splash.h"
#include "U_Form_Version.h"
#include "U_RuntimeFatalError.h"

using shelltest::TVersionSourceGuard;
using shelltest::VersionBlock;

namespace {

// The one application object of the test program.
class TApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_shell";
        static char* argv[] = {name, nullptr};
        App = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { App.reset(); }
    std::unique_ptr<QApplication> App;
};
const ::testing::Environment* const kApp = ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

QString U(const char16_t* s) { return QString::fromUtf16(s); }

// What the about box's buttons would open.
class TRecordingOpener : public IShellOpener {
public:
    void Open(const std::string& Target) override { Opened.push_back(Target); }
    std::vector<std::string> Opened;
};

std::string ProgramVersion() {
    TApplicationInfoRec info;
    TApplicationInfo::GetInfo(info);
    return info.FileVersion;
}

// The folder for screenshots, beside the tests' temporary folder in the build tree.
QString ScreenshotFolder() {
    const char* tmp = std::getenv("ZINTAVOR_TEST_TMP");
    QString dir = tmp ? QDir(QString::fromLocal8Bit(tmp)).absoluteFilePath(QStringLiteral("../screenshots"))
                      : QStringLiteral("/tmp/zintavor-screenshots");
    QDir().mkpath(dir);
    return QDir::cleanPath(dir);
}

}  // namespace

TEST(Form_Splash, ShowsThePictureInItsDottedFrameAndTheVersion) {
    TForm_Splash splash;
    EXPECT_EQ(splash.size(), QSize(556, 175));
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(splash.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(splash.Shape1->geometry(), QRect(0, 0, 556, 175));
    EXPECT_EQ(splash.Image1->geometry(), QRect(4, 8, 548, 149));
    EXPECT_EQ(splash.Image1->pixmap().size(), QSize(548, 149));
    splash.show();
    EXPECT_EQ(splash.Label_APPVersion->text(), cp932::ToQString("Ver " + ProgramVersion()));
    EXPECT_TRUE(splash.Label_APPVersion->alignment().testFlag(Qt::AlignRight));
    const QRect label = splash.Label_APPVersion->geometry();
    EXPECT_EQ(label.right(), 556 - 5);
    EXPECT_GT(label.top(), 175 / 2);
}

TEST(Form_Splash, WithoutAFileVersionTheLabelReadsVerAlone) {
    TVersionSourceGuard noVersion(VersionBlock({{"ProductName", "Zintavor"}}));
    TForm_Splash splash;
    splash.show();
    EXPECT_EQ(splash.Label_APPVersion->text(), QStringLiteral("Ver "));
}

TEST(Form_Splash, AVersionOf300CharactersIsShownCutTo255) {
    TVersionSourceGuard longVersion(VersionBlock({{"FileVersion", std::string(300, '9')}}));
    TForm_Splash splash;
    splash.show();
    EXPECT_EQ(splash.Label_APPVersion->text(), QStringLiteral("Ver ") + QString(255, QChar(u'9')));
}

TEST(Form_Version, ShowsTheRecordAndOpensWhatItsButtonsName) {
    TVersionSourceGuard record(VersionBlock({{"FileVersion", "3.2.1"},
                                             {"URL", "https://zintavor.example.com/"},
                                             {"CompanyName", "Zintavor 開発"},
                                             {"CompanyURL", "https://www.example.com/"},
                                             {"ContactMail", "help@example.invalid"}}));
    TRecordingOpener opener;
    TForm_Version box(nullptr, &opener);
    box.show();
    EXPECT_EQ(box.windowTitle(), cp932::ToQString(TApplicationInfo::ProgramPath()));
    EXPECT_EQ(box.Panel_Title->Caption(), QStringLiteral("test_shell"));
    EXPECT_FALSE(box.Image1->pixmap().isNull());
    EXPECT_EQ(box.Edit_APPVersion->text(), QStringLiteral("3.2.1"));
    EXPECT_EQ(box.Edit_AppURL->text(), QStringLiteral("https://zintavor.example.com/"));
    EXPECT_EQ(box.Edit_CoName->text(), U(u"Zintavor 開発"));
    EXPECT_EQ(box.Edit_CoURL->text(), QStringLiteral("https://www.example.com/"));
    EXPECT_EQ(box.Edit_MailTo->text(), QStringLiteral("help@example.invalid"));
    for (QLineEdit* e : {box.Edit_APPVersion, box.Edit_AppURL, box.Edit_CoName, box.Edit_CoURL, box.Edit_MailTo})
        EXPECT_TRUE(e->isReadOnly());

    EXPECT_EQ(box.Label_APPVersion->text(), U(u"バージョン："));
    EXPECT_EQ(box.Label_AppURL->text(), U(u"関連URL："));
    EXPECT_EQ(box.Label_CoName->text(), U(u"製造元："));
    EXPECT_EQ(box.Label_CoURL->text(), U(u"製造元URL："));
    EXPECT_EQ(box.Label_MailTo->text(), U(u"お問い合わせ："));
    EXPECT_EQ(box.Button_AppURL->text(), U(u"GO！"));
    EXPECT_EQ(box.Button_CoURL->text(), U(u"GO！"));
    EXPECT_EQ(box.Button_MailTo->text(), U(u"Mail！"));
    EXPECT_EQ(box.Button1->text(), U(u"閉じる"));

    box.Button_AppURL->click();
    box.Button_CoURL->click();
    box.Button_MailTo->click();
    box.Edit_MailTo->setText(QString());
    box.Button_MailTo->click();
    EXPECT_EQ(opener.Opened, (std::vector<std::string>{"https://zintavor.example.com/", "https://www.example.com/",
                                                       "MailTo:help@example.invalid", "MailTo:"}));
    EXPECT_TRUE(box.isVisible());
    box.Button1->click();
    EXPECT_FALSE(box.isVisible());
}

TEST(Form_Version, EscClosesTheBox) {
    TRecordingOpener opener;
    TForm_Version box(nullptr, &opener);
    box.show();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&box, &esc);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Rejected);
    EXPECT_TRUE(opener.Opened.empty());
}

TEST(Form_Version, AnUnreadableRecordLeavesTheFieldsEmpty) {
    TVersionSourceGuard unreadable([](const std::string&, std::string&) { return verinfo::TReadResult::Unreadable; });
    TRecordingOpener opener;
    TForm_Version box(nullptr, &opener);
    box.show();
    EXPECT_EQ(box.Edit_APPVersion->text(), QString());
    box.Button_MailTo->click();
    EXPECT_EQ(opener.Opened, std::vector<std::string>{"MailTo:"});
}

TEST(RuntimeFatalError, ShowsTheMessageUnderTheProgramsNameAndVersion) {
    TRuntimeFatalError dlg(nullptr, "内部エラー：起動できません\r\n2行目");
    EXPECT_EQ(dlg.windowTitle(), cp932::ToQString("test_shell " + ProgramVersion()));
    EXPECT_EQ(dlg.size(), QSize(524, 161));
    EXPECT_TRUE(dlg.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(dlg.Panel1->text(), U(u"起動エラー"));
    EXPECT_EQ(dlg.Memo1->toPlainText(), U(u"内部エラー：起動できません\n2行目"));
    EXPECT_TRUE(dlg.Memo1->isReadOnly());
    EXPECT_EQ(dlg.Button_Exit->text(), U(u"終了"));
    dlg.show();
    dlg.Button_Exit->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST(RuntimeFatalError, WithoutAVersionTheCaptionEndsWithABlank) {
    TVersionSourceGuard noVersion(VersionBlock({}));
    TRuntimeFatalError dlg(nullptr, "x");
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("test_shell "));
}

TEST(ShellScreenshots, SplashAboutAndFatalError) {
    const QString dir = ScreenshotFolder();
    TForm_Splash splash;
    splash.show();
    EXPECT_TRUE(splash.grab().save(dir + QStringLiteral("/splash.png")));
    TRecordingOpener opener;
    TForm_Version box(nullptr, &opener);
    box.show();
    EXPECT_TRUE(box.grab().save(dir + QStringLiteral("/about.png")));
    TRuntimeFatalError dlg(nullptr, "TMain の作成中にエラーが発生しました：ファイル zintavor.History を作成できません");
    dlg.show();
    EXPECT_TRUE(dlg.grab().save(dir + QStringLiteral("/fatalerror.png")));
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/splash.png")));
}
