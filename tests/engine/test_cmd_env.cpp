// The variable commands Set, SetV (with the variables dialog) and SetAllClear.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableWidget>

#include <string>
#include <vector>

#include "CP932Qt.h"
#include "CommandRunner.h"
#include "QtTestApp.h"
#include "T_ObjectWrapper.h"
#include "U_CommandManager.h"
#include "U_Dialog_Set.h"
#include "U_UserEnvManager.h"

namespace {

using Lines = std::vector<std::string>;

class EnvCommandTest : public ::testing::Test, public TCommandRunner {};

TEST_F(EnvCommandTest, SetShowsAssignsAndLists) {
    EXPECT_EQ(RunLine("#Set"), Lines{});
    EXPECT_EQ(RunLine("#Set test = abc"), Lines{});
    EXPECT_EQ(RunLine("#Set test"), Lines{"test = abc"});   // as typed; the lookup ignores case
    EXPECT_EQ(RunLine("#Set"), Lines{"TEST = abc"});
    EXPECT_EQ(RunLine("#set Other ="), Lines{});            // no value: the empty value
    EXPECT_EQ(RunLine("#Set"), (Lines{"TEST = abc", "OTHER = "}));
}

TEST_F(EnvCommandTest, SetCases) {
    struct Case {
        std::vector<std::string> script;  // run in order before the last line
        std::string line;
        Lines expected;
    };
    const std::vector<Case> cases = {
        {{"#Set b = 2", "#Set a = 1"}, "#Set", {"B = 2", "A = 1"}},                // store order
        {{"#Set x = 1", "#Set X = 2"}, "#Set", {"X = 2"}},                         // same name, new value
        {{"#Set e ="}, "#Set", {"E = "}},                                          // empty value listed
        {{}, "#Set never", {"never = "}},                                          // unknown name
        {{"#Set v = \"a b;c\""}, "#Set V", {"V = a b;c"}},                         // quoted value
        {{"#Set k=v"}, "#Set", {}},                                                // one word: shown, not set
        {{"#Set t = 1", "#SetAllClear ignored"}, "#Set", {}},                      // cleared
        {{"#Set 表 = 値"}, "#Set 表", {"表 = 値"}},                                // double-byte name
    };
    for (const Case& c : cases) {
        TCommandRunner fresh;
        for (const std::string& s : c.script) fresh.RunLine(s);
        EXPECT_EQ(fresh.RunLine(c.line), c.expected) << c.line;
    }
}

TEST_F(EnvCommandTest, SetRefusesAWrongSecondWord) {
    RunLine("#Set test = old");
    EXPECT_EQ(ErrorOf("#Set test := 1"), "EUserEnvManager:引数違反です。第２引数は [省略]又は '=' でなければなりません。");
    EXPECT_EQ(ErrorOf("#Set test == 1"), "EUserEnvManager:引数違反です。第２引数は [省略]又は '=' でなければなりません。");
    EXPECT_EQ(RunLine("#Set"), Lines{"TEST = old"});
}

TEST_F(EnvCommandTest, SetRefusesANameHoldingAnEqualsSign) {
    RunLine("#Set a = 1");
    EXPECT_EQ(ErrorOf("#Set a=b = 2"),
              "EUserEnvManager:環境変数名に '=' は使用できません [a=b]（値は設定されませんでした）");
    EXPECT_EQ(ErrorOf("#Set \"=\" = 2"),
              "EUserEnvManager:環境変数名に '=' は使用できません [=]（値は設定されませんでした）");
    EXPECT_EQ(RunLine("#Set"), Lines{"A = 1"});   // nothing stored, nothing damaged
    EXPECT_EQ(RunLine("#Set a=b"), Lines{"a=b = "});
}

// The dialog as the window would show it: answered by Answer, which sees the
// dialog itself.
class SetVTest : public EnvCommandTest, public testutil::WithApp {
protected:
    // Texts of the grid's data rows (column 0, column 1), as the dialog holds them.
    static std::vector<std::pair<std::string, std::string>> Rows(TDialog_Set& d) {
        std::vector<std::pair<std::string, std::string>> rows;
        for (int r = 1; r < d.StringGrid1->rowCount(); ++r)
            rows.emplace_back(cp932::FromQString(d.StringGrid1->item(r, 0)->text()),
                              cp932::FromQString(d.StringGrid1->item(r, 1)->text()));
        return rows;
    }
};

TEST_F(SetVTest, OkStoresTheEditedValues) {
    RunLine("#Set alpha = 1");
    RunLine("#Set beta =");
    RunLine("#Set 名前 = 値");
    std::vector<std::pair<std::string, std::string>> shown;
    Host.DialogAnswer = [&](QDialog& dialog) {
        auto& d = dynamic_cast<TDialog_Set&>(dialog);
        shown = Rows(d);
        d.StringGrid1->item(1, 1)->setText(QStringLiteral(""));
        d.StringGrid1->item(2, 1)->setText(cp932::ToQString("新しい 値"));
        return TDialog_Set::mrOk;
    };
    EXPECT_EQ(RunLine("#SetV whatever,names"), Lines{});
    EXPECT_EQ(Host.DialogsShown, 1);
    EXPECT_EQ(shown, (std::vector<std::pair<std::string, std::string>>{{"ALPHA", "1"}, {"BETA", ""}, {"名前", "値"}}));
    EXPECT_EQ(RunLine("#Set"), (Lines{"ALPHA = ", "BETA = 新しい 値", "名前 = 値"}));
    EXPECT_EQ(Host.Env.Count(), 3);
}

TEST_F(SetVTest, CancelChangesNothing) {
    RunLine("#Set a = 1");
    for (int result : {int(TDialog_Set::mrCancel), 0}) {
        Host.DialogAnswer = [&](QDialog& dialog) {
            dynamic_cast<TDialog_Set&>(dialog).StringGrid1->item(1, 1)->setText(QStringLiteral("changed"));
            return result;
        };
        EXPECT_EQ(RunLine("#SetV"), Lines{});
        EXPECT_EQ(RunLine("#Set"), Lines{"A = 1"}) << result;
    }
}

TEST_F(SetVTest, EmptyStoreShowsAnEmptyGrid) {
    int rows = -1;
    Host.DialogAnswer = [&](QDialog& dialog) {
        rows = dynamic_cast<TDialog_Set&>(dialog).StringGrid1->rowCount();
        return TDialog_Set::mrOk;
    };
    EXPECT_EQ(RunLine("#SetV"), Lines{});
    EXPECT_EQ(rows, 1);   // only the hidden dummy row
    EXPECT_EQ(Host.Env.Count(), 0);
}

TEST_F(SetVTest, AValueCp932CannotHoldIsReplacedAndReported) {
    RunLine("#Set a = 1");
    Host.DialogAnswer = [&](QDialog& dialog) {
        dynamic_cast<TDialog_Set&>(dialog).StringGrid1->item(1, 1)->setText(QString::fromUtf16(u"x\u0E01y"));
        return TDialog_Set::mrOk;
    };
    EXPECT_EQ(RunLine("#SetV"), Lines{"■Shift_JIS(CP932)で表せない文字を \"?\" に置き換えて設定しました"});
    EXPECT_EQ(RunLine("#Set"), Lines{"A = x?y"});
}

TEST_F(SetVTest, DialogLayout) {
    TDialog_Set d;
    EXPECT_EQ(d.windowTitle(), QString::fromUtf16(u"環境変数設定"));
    EXPECT_TRUE(d.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(d.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(d.Button1->text(), QString::fromUtf16(u"ＯＫ"));
    EXPECT_EQ(d.Button2->text(), QString::fromUtf16(u"キャンセル"));
    EXPECT_EQ(d.Button1->size(), QSize(75, 25));
    EXPECT_EQ(d.Panel1->height(), 32);
    auto* model = d.HeaderControl1->model();
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QString::fromUtf16(u"環境変数名"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QString::fromUtf16(u"値"));

    IStringMapPtr data = TStringMapList::Create();
    data->Add("K1", "v1");
    data->Add("K2", "");
    d.SetData(data);
    d.show();
    QApplication::processEvents();
    EXPECT_EQ(d.size(), QSize(547, 312));
    EXPECT_TRUE(d.StringGrid1->isRowHidden(0));
    EXPECT_EQ(d.StringGrid1->rowHeight(1), 20);
    EXPECT_FALSE(d.StringGrid1->item(1, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(d.StringGrid1->item(1, 1)->flags() & Qt::ItemIsEditable);
    // The value section takes the rest of the header; the grid's columns follow the sections.
    EXPECT_EQ(d.HeaderControl1->sectionSize(0), 150);
    EXPECT_EQ(d.HeaderControl1->sectionSize(1), d.HeaderControl1->width() - 151);
    EXPECT_EQ(d.StringGrid1->columnWidth(0), 149);
    EXPECT_EQ(d.StringGrid1->columnWidth(1), d.HeaderControl1->sectionSize(1) - 1);
    d.HeaderControl1->resizeSection(0, 200);
    EXPECT_EQ(d.StringGrid1->columnWidth(0), 199);
    // The header is a flat band about a row high, at any size of the dialog;
    // the grid takes the rest, right below it.
    for (QSize size : {QSize(547, 312), QSize(547, 700), QSize(400, 150)}) {
        d.resize(size);
        QApplication::processEvents();
        const int h = d.HeaderControl1->height();
        EXPECT_GE(h, d.fontMetrics().height()) << size.height();
        EXPECT_LE(h, 26) << size.height();
        EXPECT_EQ(d.StringGrid1->y(), d.HeaderControl1->geometry().bottom() + 1) << size.height();
        EXPECT_EQ(d.Panel1->geometry().top(), d.height() - 32) << size.height();
    }

    IStringMapPtr back;
    d.GetData(back);
    EXPECT_EQ(back->ToString(), data->ToString());
    d.Action_Cancel->trigger();
    EXPECT_EQ(d.result(), TDialog_Set::mrCancel);
}

}  // namespace
