// The object-tree commands and DB2eCLP against the fake host: titles and help
// lines, output, what they ask of the window, the dialog and the working folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <QLabel>
#include <QPushButton>

#include "CP932Qt.h"
#include "CommandRunner.h"
#include "FileSystem.h"
#include "QtTestApp.h"
#include "TestUtil.h"
#include "U_Dialog_ObjectTreeViewConfig.h"

namespace {

using Lines = std::vector<std::string>;

using Texts = TCommandTexts;

const std::vector<Texts> kTexts = {
    {"AddObjectTree", "オブジェクトツリーの追加",
     {"オブジェクトツリーを追加します。", "追加した後にオブジェクトツリーをリフレッシュします。", "  使用方法",
      "    Param  : オブジェクトツリー名"}},
    {"AddObjectTreeM", "オブジェクトツリーの追加(リフレッシュなし)",
     {"オブジェクトツリーをリフレッシュせずに追加します。",
      "追加は高速に行われますが、オブジェクトツリーをリフレッシュするまで表示されません。", "  使用方法",
      "    Param  : オブジェクトツリー名"}},
    {"RefreshObjectTree", "オブジェクトツリーをリフレッシュ", {"オブジェクトツリーを全てリフレッシュします。"}},
    {"ClearObjectTree", "オブジェクトツリーを全てクリア", {"オブジェクトツリーを全てクリアします。"}},
    {"ObjectTreeViewConfig", "オブジェクトツリーの表示設定ダイアログ表示",
     {"オブジェクトツリーの表示設定用ダイアログを表示する。"}},
    {"DB2eCLP", "DB2eCLPモード",
     {"ZintavorをDB2eCLPモードに変更します", "", "  使用方法 DB2eCLPモードをONにする",
      "    Param 1 : DB2eCLP.exeが存在するPath", "    Param 2 : コネクションする（Connect To する）データベース名",
      "    ※Param1 のPathにDB2eCLP.exeが存在し、コンソール上でテスト済みである事。", "    ※Param2 は省略可能。", "",
      "  使用方法 DB2eCLPモードをOFFにする", "    Param 1 : [off] or [OFF]"}},
};

TEST(ObjectTreeCommands, TitlesAndHelpLines) {
    ExpectCommandTexts(kTexts);
}

// An "ObjectTree" folder with the trees Sales and Stock.
class ObjectTreeCommandTest : public ::testing::Test, public testutil::WithApp {
protected:
    void SetUp() override {
        Root = testutil::TempFolder("cmd-objtree") + "ObjectTree/";
        for (const char* t : {"Sales", "stock", "Archive"}) ASSERT_TRUE(fs932::ForceDirectories(Root + t));
        R.Host.ObjectTreeFolder = Root;
    }
    TCommandRunner R;
    std::string Root;
};

TEST_F(ObjectTreeCommandTest, AddClearAndRefresh) {
    const std::vector<std::string> addHelp = kTexts[0].Help;
    const std::vector<std::string> addMHelp = kTexts[1].Help;
    struct Case {
        const char* Line;
        Lines Output;
        Lines Console;  // written straight into the result page
        Lines Calls;
    } cases[] = {
        {"#AddObjectTree", {}, addHelp, {"LoadObjectTrees"}},
        {"#AddObjectTree Sales", {"追加しました [Sales]"}, {}, {"AddObjectTree(Sales)", "LoadObjectTrees"}},
        {"#addobjecttree Nope", {"オブジェクトツリーがありません [Nope]"}, {}, {"AddObjectTree(Nope)", "LoadObjectTrees"}},
        {"#AddObjectTreeM", {}, addMHelp, {}},
        {"#AddObjectTreeM \"stock\"", {"追加しました [stock]"}, {}, {"AddObjectTree(stock)"}},
        {"#AddObjectTreeM Nope", {"オブジェクトツリーがありません [Nope]"}, {}, {"AddObjectTree(Nope)"}},
        {"#ClearObjectTree x", {"クリアしました"}, {}, {"ClearObjectTrees"}},
        {"#RefreshObjectTree x y", {}, {}, {"LoadObjectTrees"}},
    };
    for (const Case& c : cases) {
        TCommandRunner r;
        r.Host.ObjectTreeFolder = Root;
        EXPECT_EQ(r.RunLine(c.Line), c.Output) << c.Line;
        EXPECT_EQ(r.Host.Console.Lines.Items, c.Console) << c.Line;
        EXPECT_EQ(r.Host.Calls, c.Calls) << c.Line;
    }
}

TEST_F(ObjectTreeCommandTest, TreesAddedWithoutRefreshAppearAtTheNextRebuild) {
    R.RunLine("#AddObjectTreeM Sales");
    R.RunLine("#AddObjectTreeM stock");
    EXPECT_TRUE(R.Host.LoadedTrees.empty());
    R.RunLine("#RefreshObjectTree");
    EXPECT_EQ(R.Host.LoadedTrees, (Lines{"Sales", "stock"}));
    EXPECT_EQ(R.RunLine("#ClearObjectTree"), (Lines{"クリアしました"}));
    EXPECT_TRUE(R.Host.ShownTrees.empty());
}

TEST_F(ObjectTreeCommandTest, DialogListsTheTreesAndAppliesTheTicks) {
    R.Host.ShownTrees = {"stock"};
    Lines listed, ticked;
    std::string caption, label, ok, cancel;
    R.Host.DialogAnswer = [&](QDialog& d) {
        auto& dialog = dynamic_cast<TForm_ObjectTreeViewConfig&>(d);
        caption = cp932::FromQString(dialog.windowTitle());
        label = cp932::FromQString(dialog.Label1->text());
        ok = cp932::FromQString(dialog.Button_OK->text());
        cancel = cp932::FromQString(dialog.Button_Cancel->text());
        listed = dialog.Names();
        ticked = dialog.CheckedNames();
        dialog.SetChecked("stock", false);
        dialog.SetChecked("Archive", true);
        dialog.SetChecked("Sales", true);
        return 1;
    };
    R.Host.Calls.clear();
    EXPECT_EQ(R.RunLine("#ObjectTreeViewConfig"), (Lines{"追加しました [Archive]", "追加しました [Sales]"}));
    EXPECT_EQ(caption, "オブジェクトツリー表示設定");
    EXPECT_EQ(label, "使用するオブジェクトツリーを選択してください。");
    EXPECT_EQ(ok, "ＯＫ");
    EXPECT_EQ(cancel, "キャンセル");
    EXPECT_EQ(listed, (Lines{"Archive", "Sales", "stock"}));
    EXPECT_EQ(ticked, (Lines{"stock"}));
    EXPECT_EQ(R.Host.Calls,
              (Lines{"ClearObjectTrees", "AddObjectTree(Archive)", "AddObjectTree(Sales)", "LoadObjectTrees"}));
    EXPECT_EQ(R.Host.LoadedTrees, (Lines{"Archive", "Sales"}));
}

TEST_F(ObjectTreeCommandTest, CancelledDialogChangesNothing) {
    R.Host.ShownTrees = {"Sales"};
    R.Host.DialogAnswer = [](QDialog& d) {
        dynamic_cast<TForm_ObjectTreeViewConfig&>(d).SetChecked("Sales", false);
        return 2;
    };
    EXPECT_TRUE(R.RunLine("#ObjectTreeViewConfig").empty());
    EXPECT_EQ(R.Host.DialogsShown, 1);
    EXPECT_TRUE(R.Host.Calls.empty());
    EXPECT_EQ(R.Host.ShownTrees, (Lines{"Sales"}));
}

TEST_F(ObjectTreeCommandTest, DialogWithoutTheFolderIsEmpty) {
    R.Host.ObjectTreeFolder.clear();
    size_t count = 99;
    R.Host.DialogAnswer = [&](QDialog& d) {
        count = dynamic_cast<TForm_ObjectTreeViewConfig&>(d).Names().size();
        return 1;
    };
    EXPECT_TRUE(R.RunLine("#ObjectTreeViewConfig").empty());
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(R.Host.Calls, (Lines{"ClearObjectTrees", "LoadObjectTrees"}));
}

// DB2eCLP changes the working folder: it is restored after each case.
class DB2eCLPCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        Old = fs932::GetCurrentDir();
        Dir = testutil::TempFolder("cmd-db2eclp");
        ASSERT_TRUE(fs932::ForceDirectories(Dir + "clp"));
        R.Host.DriverKind = 0;
    }
    void TearDown() override { fs932::SetCurrentDir(Old); }
    std::string Usage() const {
        TStringList help;
        help.Items = kTexts[5].Help;
        return kTexts[5].Title + std::string("\r\n") + help.Text();
    }
    TCommandRunner R;
    std::string Old, Dir;
};

TEST_F(DB2eCLPCommandTest, WithoutParametersShowsItsUsage) {
    EXPECT_EQ(R.RunLine("#DB2eCLP"), (Lines{Usage()}));
    EXPECT_TRUE(R.Host.Calls.empty());
}

TEST_F(DB2eCLPCommandTest, OnWithAFolderAndOffAgain) {
    struct Case {
        std::string Line;
        Lines Output;
        uint8_t Kind;
        std::string ConnectTo;  // the variable after the line; "-" when it is not set
        std::string Folder;     // the working folder after the line (empty: unchanged)
    } cases[] = {
        {"#DB2eCLP " + Dir + "clp", {"", "DB2eCLP: ON"}, 1, "", Dir + "clp"},
        {"#DB2eCLP \"" + Dir + "clp/\" SAMPLE", {"", "DB2eCLP: ON"}, 1, "SAMPLE", Dir + "clp"},
        {"#DB2eCLP off", {"", "DB2eCLP: OFF"}, 0, "-", ""},
        {"#DB2eCLP OFF", {"", "DB2eCLP: OFF"}, 0, "-", ""},
        {"#DB2eCLP " + Dir + "none DB",
         {"", "ERROR!! Path Not Found:" + Dir + "none\\", "", Usage(), ""}, 7, "-", ""},
    };
    for (const Case& c : cases) {
        TCommandRunner r;
        r.Host.DriverKind = 7;  // left alone when the folder is missing
        ASSERT_TRUE(fs932::SetCurrentDir(Old));
        EXPECT_EQ(r.RunLine(c.Line), c.Output) << c.Line;
        EXPECT_EQ(r.Host.DriverKind, c.Kind) << c.Line;
        std::string value = "-";
        if (r.Host.Env.Count() > 0) r.Host.Env.GetValue("DB2eCLP_ConnectTO", value);
        EXPECT_EQ(value, c.ConnectTo) << c.Line;
        const std::string folder = c.Folder.empty() ? Old : c.Folder;
        EXPECT_EQ(fs932::GetCurrentDir(), fs932::FromNative(fs932::ToNative(folder))) << c.Line;
    }
}

TEST_F(DB2eCLPCommandTest, RunsTheSetLineWithTheLiteralPrefix) {
    R.Host.CommandPrefix = '!';
    EXPECT_EQ(R.RunLine("!DB2eCLP " + Dir + "clp MYDB"), (Lines{"", "DB2eCLP: ON"}));
    ASSERT_EQ(R.Host.Runs.size(), 1u);
    EXPECT_EQ(R.Host.Runs[0].Text, "#Set DB2eCLP_ConnectTO = MYDB\r\n");
}

}  // namespace
