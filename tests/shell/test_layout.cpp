// Every window and dialog of the program, built at its default size on a
// 1600 x 1000 screen: no visible widget is squeezed below what it needs, has
// no width or height, lies outside the area its parent shows, or hides tool
// bar buttons behind an overflow arrow.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QGroupBox>
#include <QSlider>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "CP932.h"
#include "CP932Qt.h"
#include "DataSet.h"
#include "FileSystem.h"
#include "FormSearch.h"
#include "KZNTreeView.h"
#include "T_ObjectWrapper.h"
#include "LayoutCheck.h"
#include "MainTestUtil.h"
#include "MemDataSet.h"
#include "QtTestApp.h"
#include "StringList.h"
#include "ScreenMetrics.h"
#include "TestUtil.h"
#include "U_Dialog_ConnectString.h"
#include "U_Dialog_Login.h"
#include "U_Dialog_ObjectTreeViewConfig.h"
#include "U_Dialog_Set.h"
#include "U_Environment.h"
#include "U_Form_Connect.h"
#include "U_Form_EnvEditor.h"
#include "U_Form_Grid.h"
#include "U_Form_History.h"
#include "U_Form_Result.h"
#include "U_Form_Splash.h"
#include "U_Form_Version.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultGridPages.h"
#include "U_ResultSeetManager.h"
#include "U_RuntimeFatalError.h"

namespace {

std::string Join(const std::vector<std::string>& Lines) {
    std::string s;
    for (const std::string& l : Lines) s += "  " + l + "\n";
    return s;
}

// Companies with long names, as a grid of a result page shows them.
std::unique_ptr<TDataSet> Companies() {
    auto d = std::make_unique<TMemDataSet>();
    d->FieldDefs().Add("番号", ftInteger);
    d->FieldDefs().Add("会社名", ftString, 60);
    d->FieldDefs().Add("所在地", ftString, 60);
    for (int i = 1; i <= 30; ++i)
        d->AddRow({TVariant(i), TVariant("株式会社サンプル商事 第" + std::to_string(i) + "営業所"),
                   TVariant("東京都千代田区丸の内一丁目")});
    d->Open();
    return d;
}

struct LayoutTest : maintest::TMainFolderTest, testutil::WithApp {
    LayoutTest() : maintest::TMainFolderTest("layout") {}
    void SetUp() override {
        hooks.Set(screen::SetVirtualScreenProvider, [] { return screen::TScreenSize{1600, 1000}; });
        maintest::TMainFolderTest::SetUp();
        for (const char* tree : {"PostgreSQL", "SQLite"}) fs932::ForceDirectories(dir + "ObjectTree/" + tree);
        main = std::make_unique<TMain>();
        ASSERT_FALSE(main->StartUpFailed());
    }
    // The faults of a window shown at the size it has.
    std::string FaultsOf(QWidget* W) {
        W->show();
        const std::string faults = Join(layoutcheck::Faults(W));
        W->hide();
        return faults;
    }
};

}  // namespace

TEST_F(LayoutTest, TheClientWindowWithAGridPageAndTheHistoryWindow) {
    TFrameSQLClient& c = Client();
    TForm_Result* page = c.ActiveResultPage();
    ASSERT_NE(page, nullptr);
    page->Panel_PageBase->AddGrid(Companies(), "会社");
    EXPECT_EQ(FaultsOf(&c), "");
    c.show();
    for (const char* script : {"SELECT * FROM 部署;", "SELECT 番号, 氏名 FROM 社員 WHERE 部署番号 = 1;"})
        main->AddHistory(TStringList(script));
    TForm_History& h = *main->HistoryForm;
    h.ShowBeside(&c);
    EXPECT_EQ(FaultsOf(&h), "");
    h.show();
    QApplication::processEvents();
    EXPECT_EQ(Join(layoutcheck::CutCaptions(h.IndexTree2)), "") << "at the default width";
    // the tree takes its share of a wider window
    const int tree = h.IndexTree2->width();
    h.resize(h.width() + 300, h.height());
    QApplication::processEvents();
    EXPECT_GT(h.IndexTree2->width(), tree);
    h.hide();
}

TEST_F(LayoutTest, EveryDialogAtItsDefaultSize) {
    TEnvironment env(dir + "Zintavor.Environment");
    env.Load();
    struct Case {
        const char* name;
        std::function<std::unique_ptr<QWidget>()> make;
    };
    TDriverInterfaceProp_DriverImpl prop;
    const std::vector<Case> cases = {
        {"connections",
         [&] {
             auto f = std::make_unique<TForm_Connect>(nullptr, &prop);
             TTreeNodeEx* n = f->ConnectTree->Add(nullptr, "サンプル");
             n->GetStringList()->SetText("DRIVER=SQLite3\r\nDatabase=sample.sqlite");
             f->SelectNode("サンプル");
             return std::unique_ptr<QWidget>(std::move(f));
         }},
        {"connection string",
         [] {
             auto d = std::make_unique<TDialog_ConnectString>();
             d->SetConnectionString("DRIVER=SQLite3;Database=/home/user/sample.sqlite;");
             return std::unique_ptr<QWidget>(std::move(d));
         }},
        {"login", [] { return std::unique_ptr<QWidget>(std::make_unique<TDialog_Login>()); }},
        {"variables",
         [] {
             auto d = std::make_unique<TDialog_Set>();
             IStringMapPtr vars = TStringMapList::Create();
             vars->Add("TABLE", "社員");
             vars->Add("LIMIT", "100");
             d->SetData(vars);
             return std::unique_ptr<QWidget>(std::move(d));
         }},
        {"search", [] { return std::unique_ptr<QWidget>(std::make_unique<TFormSearch>()); }},
        {"view configuration",
         [&] { return std::unique_ptr<QWidget>(std::make_unique<TForm_ObjectTreeViewConfig>(nullptr, &Client())); }},
        {"about", [] { return std::unique_ptr<QWidget>(std::make_unique<TForm_Version>(nullptr)); }},
        {"splash", [] { return std::unique_ptr<QWidget>(std::make_unique<TForm_Splash>()); }},
        {"fatal error",
         [] {
             return std::unique_ptr<QWidget>(std::make_unique<TRuntimeFatalError>(
                 nullptr, "TMain の作成中にエラーが発生しました：ファイル Zintavor.History を作成できません"));
         }},
        {"grid window", [] { return std::unique_ptr<QWidget>(std::make_unique<TForm_Grid>(nullptr, Companies())); }},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QWidget> w = c.make();
        EXPECT_EQ(FaultsOf(w.get()), "") << c.name;
    }
    // the settings editor, page by page (shown once: showing it again starts it afresh)
    TForm_EnvEditor editor(&Client(), &env);
    editor.show();
    for (int i = 0; i < editor.PageControl1->count(); ++i) {
        editor.PageControl1->setCurrentIndex(i);
        EXPECT_EQ(Join(layoutcheck::Faults(&editor)), "")
            << "settings page " << cp932::FromQString(editor.PageControl1->tabText(i));
    }
    // the font group of two pages takes the height of the size chosen on its bar
    for (QWidget* page : {static_cast<QWidget*>(editor.Frame_ENVForm_ResultString1),
                          static_cast<QWidget*>(editor.Frame_ENVForm_ScriptEditor1)}) {
        editor.PageControl1->setCurrentWidget(page);
        QSlider* bar = page->findChild<QSlider*>(QStringLiteral("TrackBar_FontSize"));
        ASSERT_NE(bar, nullptr);
        for (int size : {bar->minimum(), 9, 20, bar->maximum()}) {
            bar->setValue(size);
            EXPECT_EQ(Join(layoutcheck::Faults(&editor)), "") << page->objectName().toStdString() << ", font size " << size;
        }
    }
}

TEST(LayoutCheck, FindsSqueezedAndMisplacedWidgetsAndAnOverflowingToolBar) {
    testutil::App();
    QWidget w;
    w.resize(300, 200);
    auto* layout = new QVBoxLayout(&w);
    // a group box too low for its title and its slider
    auto* group = new QGroupBox(QStringLiteral("Size"), &w);
    group->setObjectName(QStringLiteral("group"));
    auto* slider = new QSlider(Qt::Horizontal, group);
    slider->setObjectName(QStringLiteral("slider"));
    (new QVBoxLayout(group))->addWidget(slider);
    group->setFixedHeight(20);
    layout->addWidget(group);
    // a tool bar too narrow for its buttons
    auto* bar = new QToolBar(&w);
    bar->setObjectName(QStringLiteral("bar"));
    for (const char* t : {"first", "second", "third", "fourth", "fifth", "sixth"}) bar->addAction(QString::fromLatin1(t));
    bar->setFixedWidth(80);
    layout->addWidget(bar);
    // a widget placed partly outside its parent
    auto* outside = new QWidget(&w);
    outside->setObjectName(QStringLiteral("outside"));
    outside->setGeometry(280, 0, 40, 10);
    w.show();
    const std::string faults = Join(layoutcheck::Faults(&w));
    EXPECT_NE(faults.find("group/slider: "), std::string::npos) << faults;
    EXPECT_NE(faults.find("bar: buttons hidden behind the overflow arrow"), std::string::npos) << faults;
    EXPECT_NE(faults.find("outside: at 280,0"), std::string::npos) << faults;
    // and nothing when each has its room
    group->setMinimumHeight(0);
    group->setMaximumHeight(QWIDGETSIZE_MAX);
    bar->setMinimumWidth(0);
    bar->setMaximumWidth(QWIDGETSIZE_MAX);
    outside->setGeometry(200, 0, 40, 10);
    w.resize(600, 300);
    EXPECT_EQ(Join(layoutcheck::Faults(&w)), "");
}
