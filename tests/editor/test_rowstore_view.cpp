// The row texts as an editor hands them out: RowText is a view of the store's
// bytes, valid until the text changes; ReadRowText and GetRowText give a copy
// that outlives any change.
#include "ViewTestUtil.h"

using namespace viewtest;

using RowTextCopies = ViewFixture;

TEST_F(RowTextCopies, ReadRowTextAndGetRowTextCopyTheRowAndAreEmptyOutsideIt) {
    // A row in the middle of a block of rows: a change of the row before it
    // moves its bytes in the store, the copies stay as they were.
    std::string text;
    for (int i = 0; i < 600; ++i) text += "row " + std::to_string(i) + "\r\n";
    text += "last \x95\x5C no break";
    SetText(text);
    const std::string read = E->ReadRowText(300);
    std::string got = "stale";
    E->GetRowText(300, got);
    EXPECT_EQ(read, "row 300");
    EXPECT_EQ(got, "row 300");
    E->Store().ReplaceRows(299, 1, "a much longer row in place of row 299\r\n");
    EXPECT_EQ(read, "row 300");
    EXPECT_EQ(got, "row 300");
    EXPECT_EQ(E->RowText(300), "row 300");
    EXPECT_EQ(E->ReadRowText(299), "a much longer row in place of row 299");
    // the last row, without its line break, double-byte characters whole
    EXPECT_EQ(E->ReadRowText(600), "last \x95\x5C no break");
    for (int r : {-1, 601, 100000}) {
        SCOPED_TRACE(r);
        got = "stale";
        E->GetRowText(r, got);
        EXPECT_EQ(got, "");
        EXPECT_EQ(E->ReadRowText(r), "");
        EXPECT_TRUE(E->RowText(r).empty());
    }
}
