#include <gtest/gtest.h>

#include <string>

#include "U_ScriptSelectionEdit.h"

namespace {

TEST(ScriptSelectionEdit, CommentOutAndIn) {
    struct Case {
        std::string s;
        std::string out;
        int outLength;
        std::string in;  // comment in of the commented text
        int inLength;
    } cases[] = {
        {"select 1", "--select 1", 10, "select 1", 8},
        // From the middle of a line: "--" at the selection start.
        {"1 from t\r\nwhere x\r\n", "--1 from t\r\n--where x\r\n", 23, "1 from t\r\nwhere x\r\n", 19},
        {"a\r\n\r\nb", "--a\r\n--\r\n--b", 12, "a\r\n\r\nb", 6},
    };
    for (const auto& c : cases) {
        auto out = scriptedit::CommentOut(c.s);
        EXPECT_EQ(out.Text, c.out) << c.s;
        EXPECT_EQ(out.SelLength, c.outLength) << c.s;
        EXPECT_EQ(out.SelLength, static_cast<int>(out.Text.size())) << c.s;
        auto in = scriptedit::CommentIn(out.Text);
        EXPECT_EQ(in.Text, c.in) << c.s;
        EXPECT_EQ(in.SelLength, c.inLength) << c.s;
    }
    // Only lines that begin with "--" change.
    auto in = scriptedit::CommentIn("--a\r\n b --c\r\n----d");
    EXPECT_EQ(in.Text, "a\r\n b --c\r\n--d");
    EXPECT_EQ(in.SelLength, 18 - 4);
}

TEST(ScriptSelectionEdit, CommentsAndCommas) {
    EXPECT_EQ(scriptedit::DeleteComments("select 1 -- one\r\n/* all */\r\nfrom t"), "select 1 \r\nfrom t");
    EXPECT_EQ(scriptedit::DeleteComments("a/* x */b\r\n"), "a b\r\n");
    EXPECT_EQ(scriptedit::CommaBreak("select a, 'x,y', b from t"), "select a,\r\n 'x,y',\r\n b from t");
    EXPECT_EQ(scriptedit::CommaBreak("a,b\r\n"), "a,\r\nb\r\n");
}

TEST(ScriptSelectionEdit, DroppedFileBecomesAnImportLine) {
    EXPECT_EQ(scriptedit::DroppedFileImportLine(TStringList("/tmp/a.sql"), ';'), "@/tmp/a.sql;");
    EXPECT_EQ(scriptedit::DroppedFileImportLine(TStringList("/tmp/my file.sql\r\n"), '/'), "@\"/tmp/my file.sql\"/");
}

}  // namespace
