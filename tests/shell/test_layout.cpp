// Every window and dialog of the program, built at its default size on a
// 1600 x 1000 screen and on a 1366 x 768 laptop screen, in the font the
// platform gives the program: no visible widget is squeezed below what it
// needs, has no width or height, lies outside the area its parent shows, or
// hides tool bar buttons behind an overflow arrow.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QSlider>
#include <QTabBar>
#include <QTest>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "CP932.h"
#include "CP932Qt.h"
#include "DataSet.h"
#include "FileSystem.h"
#include "FormSearch.h"
#include "KZNFlowToolBar.h"
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
#include "U_Form_Script.h"
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

struct TScreen {
    int Width;
    int Height;
};

std::string ScreenName(const ::testing::TestParamInfo<TScreen>& Info) {
    return std::to_string(Info.param.Width) + "x" + std::to_string(Info.param.Height);
}
void PrintTo(const TScreen& s, std::ostream* os) { *os << s.Width << "x" << s.Height; }

struct LayoutTest : maintest::TMainFolderTest, ::testing::WithParamInterface<TScreen>, testutil::WithApp {
    LayoutTest() : maintest::TMainFolderTest("layout") {}
    QFont testFont;
    void SetUp() override {
        // the platform's own font, as the program has it (the test programs set a narrower one)
        testFont = QApplication::font();
        QApplication::setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
        const TScreen s = GetParam();
        hooks.Set(screen::SetVirtualScreenProvider, [s] { return screen::TScreenSize{s.Width, s.Height}; });
        maintest::TMainFolderTest::SetUp();
        for (const char* tree : {"PostgreSQL", "SQLite"}) fs932::ForceDirectories(dir + "ObjectTree/" + tree);
        main = std::make_unique<TMain>();
        ASSERT_FALSE(main->StartUpFailed());
    }
    void TearDown() override {
        maintest::TMainFolderTest::TearDown();
        QApplication::setFont(testFont);
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

TEST_P(LayoutTest, TheClientWindowWithAGridPageAndTheHistoryWindow) {
    TFrameSQLClient& c = Client();
    c.ExecuteScriptText("#AddObjectTree SQLite;");  // the object tree pane, as the demo shows it
    TForm_Result* page = c.ActiveResultPage();
    ASSERT_NE(page, nullptr);
    // a grid output, as the result page's buttons ask for it
    page->Action_Mode_Grid->trigger();
    c.ShowDataSetInActiveResult(Companies(), false);
    ASSERT_EQ(page->Panel_PageBase->Count(), 1);
    EXPECT_EQ(FaultsOf(&c), "") << "grid mode";
    // back to the text layout: the console shows ten rows at least
    c.show();
    page->Action_Mode_Text->trigger();
    QApplication::processEvents();
    EXPECT_GE(page->Editor->VisibleRows(), TForm_Result::MinTextRows);
    EXPECT_EQ(FaultsOf(&c), "") << "text mode";
    // on the laptop the grid folds to its tab there; a click on the tab brings it back
    if (GetParam().Height <= 768) {
        EXPECT_TRUE(page->Panel_PageBase->Folded());
    }
    if (page->Panel_PageBase->Folded()) {
        c.show();
        auto* strip = page->Panel_PageBase->findChild<QTabBar*>(QStringLiteral("FoldBar"));
        ASSERT_NE(strip, nullptr);
        QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, strip->tabRect(0).center());
        EXPECT_FALSE(page->Panel_PageBase->Folded());
        EXPECT_TRUE(page->Panel_PageBase->Grid(0)->isVisible());
        EXPECT_EQ(FaultsOf(&c), "") << "text mode, the grid opened again";
    }
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

TEST_P(LayoutTest, EveryDialogAtItsDefaultSize) {
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

INSTANTIATE_TEST_SUITE_P(Screens, LayoutTest, ::testing::Values(TScreen{1600, 1000}, TScreen{1366, 768}), ScreenName);

TEST(LayoutCheck, FindsSqueezedAndMisplacedWidgetsAndOverflowingToolBars) {
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
    // a wrapping tool bar held to one row at a width that needs three
    auto* flow = new TKZNFlowToolBar(&w);
    flow->setObjectName(QStringLiteral("flow"));
    for (const char* t : {"first", "second", "third", "fourth", "fifth", "sixth"}) flow->addAction(new QAction(QString::fromLatin1(t), flow));
    flow->setFixedHeight(flow->sizeHint().height());
    layout->addWidget(flow);
    // a widget placed partly outside its parent
    auto* outside = new QWidget(&w);
    outside->setObjectName(QStringLiteral("outside"));
    outside->setGeometry(280, 0, 40, 10);
    w.show();
    const std::string faults = Join(layoutcheck::Faults(&w));
    EXPECT_NE(faults.find("group/slider: "), std::string::npos) << faults;
    EXPECT_NE(faults.find("bar: buttons hidden behind the overflow arrow"), std::string::npos) << faults;
    EXPECT_NE(faults.find("outside: at 280,0"), std::string::npos) << faults;
    EXPECT_NE(faults.find("flow: "), std::string::npos) << faults;
    // and nothing when each has its room
    group->setMinimumHeight(0);
    group->setMaximumHeight(QWIDGETSIZE_MAX);
    bar->setMinimumWidth(0);
    bar->setMaximumWidth(QWIDGETSIZE_MAX);
    flow->setMinimumHeight(0);
    flow->setMaximumHeight(QWIDGETSIZE_MAX);
    outside->setGeometry(200, 0, 40, 10);
    w.resize(600, 300);
    EXPECT_EQ(Join(layoutcheck::Faults(&w)), "");
}
