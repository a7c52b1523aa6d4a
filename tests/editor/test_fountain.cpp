#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "EditorParser.h"
#include "TestUtil.h"

namespace {

// Rows with their attributes, in a row list as the row store holds them.
class TRows {
public:
    TRows(const std::vector<std::pair<std::string, int>>& rows) {
        for (const auto& [text, attr] : rows) List.SetRowAttribute(List.Add(text), attr);
    }
    int RowCount() const { return List.Count(); }
    std::string_view RowText(int Row) const { return List.Str(Row); }
    int RowAttributeOf(int Row) const { return List.RowAttribute(Row); }
    TEditorStringList List;
};

bool SameState(const TRowAttributeData& a, const TRowAttributeData& b) {
    return a.RowAttribute == b.RowAttribute && a.PrevRowAttribute == b.PrevRowAttribute &&
           a.BracketIndex == b.BracketIndex && a.UserIndex == b.UserIndex && a.WrappedByte == b.WrappedByte &&
           a.UserCount == b.UserCount && a.PrevToken == b.PrevToken && a.UserToken == b.UserToken &&
           a.DataStr == b.DataStr;
}

// The carried state at the start of every row, computed from the top as the
// row store does.
std::vector<TRowAttributeData> States(TFountain& f, const TRows& rows) {
    auto p = f.CreateParser();
    std::vector<TRowAttributeData> out;
    TRowAttributeData d;
    for (int r = 0; r < rows.RowCount(); ++r) {
        d.RowAttribute = static_cast<uint8_t>(rows.RowAttributeOf(r));
        out.push_back(d);
        p->RowData(r, rows.List, d);
        d.PrevRowAttribute = d.RowAttribute;
    }
    return out;
}

using Tokens = std::vector<std::pair<int, std::string>>;

Tokens RowTokens(TFountain& f, const TRows& rows, int r, const TRowAttributeData& d) {
    auto p = f.CreateParser();
    p->NewData(rows.RowText(r), d);
    Tokens out;
    while (p->NextToken() != toEof) out.emplace_back(p->Token(), p->TokenString());
    return out;
}

std::unique_ptr<TEditorFountain> BlockCommentFountain() {
    auto f = MakeObject<TEditorFountain>();
    auto* b = f->Brackets().Add();
    b->SetLeftBracket("/*");
    b->SetRightBracket("*/");
    return f;
}

struct Listener {
    int Count = 0;
    TObject* Sender = nullptr;
    void Notify(TObject* s) {
        ++Count;
        Sender = s;
    }
    TNotifyEvent Event() { return MakeEvent<&Listener::Notify>(this); }
};

}  // namespace

TEST(Fountain, ParserNeedsAFountain) {
    try {
        MakeObject<TEditorParser>(nullptr);
        FAIL() << "no exception";
    } catch (const EFountain& e) {
        EXPECT_EQ(e.Message, "TFountainParser.Create need instance of TFountain");
    }
}

TEST(Fountain, FourteenBracketPairsAtMost) {
    auto f = MakeObject<TEditorFountain>();
    for (int i = 0; i < 14; ++i) f->Brackets().Add();
    EXPECT_EQ(f->Brackets().Count(), 14);
    try {
        f->Brackets().Add();
        FAIL() << "no exception";
    } catch (const EFountain& e) {
        EXPECT_EQ(e.Message, "TFountainBracketCollection\r\nYou can not add item over 14");
    }
    EXPECT_THROW(f->Brackets().Insert(0), EFountain);
    EXPECT_EQ(f->Brackets().Count(), 14);
}

TEST(Fountain, EveryChangeTellsTheListenersWithTheFountain) {
    auto f = MakeObject<TEditorFountain>();
    Listener l;
    f->NotifyEventList().Add(l.Event());
    f->Colors().Ank().SetColor(clRed);
    EXPECT_EQ(l.Count, 1);
    EXPECT_EQ(l.Sender, f.get());
    f->Colors().Ank().SetColor(clRed);  // no real change
    EXPECT_EQ(l.Count, 1);
    f->Reserve().SetStyle(fsBold);
    EXPECT_EQ(l.Count, 2);
    auto* b = f->Brackets().Add();
    EXPECT_EQ(l.Count, 3);
    b->ItemColor().SetBkColor(clYellow);
    EXPECT_EQ(l.Count, 4);
    b->SetLeftBracket("(");
    EXPECT_EQ(l.Count, 5);
    TSortedStringList w;
    w.Add("x");
    f->SetReserveWordList(w);
    EXPECT_EQ(l.Count, 6);
    f->Brackets().SetColor(clBlue);
    EXPECT_EQ(l.Count, 7);
    f->SetAllColor(clGreen);
    EXPECT_EQ(l.Count, 8);
    EXPECT_EQ(l.Sender, f.get());
    f->NotifyEventList().Remove(l.Event());
    f->Colors().Ank().SetColor(clBlack);
    EXPECT_EQ(l.Count, 8);
}

TEST(Fountain, SetAllLeavesSelectAndHitAlone) {
    auto f = MakeObject<TEditorFountain>();
    TEditorColors& c = f->Colors();
    EXPECT_EQ(c.Select().BkColor(), clNavy);
    EXPECT_EQ(c.Select().Color(), clWhite);
    EXPECT_EQ(c.Hit().Color(), clNone);
    f->SetAllColor(clRed);
    f->SetAllBkColor(clYellow);
    f->SetAllStyle(fsBold | fsItalic);
    for (TFountainColor* x : {static_cast<TFountainColor*>(&c.Ank()), static_cast<TFountainColor*>(&c.Comment()),
                              static_cast<TFountainColor*>(&c.DBCS()), static_cast<TFountainColor*>(&c.Int()),
                              static_cast<TFountainColor*>(&c.Mail()), &c.Reserve(),
                              static_cast<TFountainColor*>(&c.Str()), static_cast<TFountainColor*>(&c.Symbol()),
                              static_cast<TFountainColor*>(&c.Url())}) {
        EXPECT_EQ(x->Color(), clRed);
        EXPECT_EQ(x->BkColor(), clYellow);
        EXPECT_EQ(x->Style(), fsBold | fsItalic);
    }
    EXPECT_EQ(&c.Reserve(), &f->Reserve());
    EXPECT_EQ(c.Select().BkColor(), clNavy);
    EXPECT_EQ(c.Select().Color(), clWhite);
    EXPECT_TRUE(c.Select().Style().Empty());
    EXPECT_EQ(c.Hit().Color(), clNone);
    EXPECT_EQ(c.Hit().BkColor(), clNone);
}

TEST(Fountain, HasItalicStyleSearchesEveryPublishedColour) {
    auto f = MakeObject<TEditorFountain>();
    EXPECT_FALSE(f->HasItalicStyle());
    auto* b = f->Brackets().Add();
    b->ItemColor().SetStyle(fsItalic);
    EXPECT_TRUE(f->HasItalicStyle());
    b->ItemColor().SetStyle(fsBold);
    EXPECT_FALSE(f->HasItalicStyle());
    f->Colors().Hit().SetStyle(fsItalic | fsUnderline);
    EXPECT_TRUE(f->HasItalicStyle());
}

TEST(Fountain, AssignCopiesColoursAndBrackets) {
    auto a = MakeObject<TEditorFountain>();
    auto b = MakeObject<TEditorFountain>();
    a->Colors().Str().SetColor(clMaroon);
    a->Reserve().SetBkColor(clTeal);
    a->Colors().Select().SetColor(clBlack);
    auto* item = a->Brackets().Add();
    item->SetLeftBracket("<");
    item->SetRightBracket(">");
    item->ItemColor().SetColor(clPurple);
    Listener l;
    b->NotifyEventList().Add(l.Event());
    b->SetColors(a->Colors());
    EXPECT_EQ(b->Colors().Str().Color(), clMaroon);
    EXPECT_EQ(b->Reserve().BkColor(), clTeal);
    EXPECT_EQ(b->Colors().Select().Color(), clBlack);
    int afterColors = l.Count;
    EXPECT_GE(afterColors, 1);
    b->SetBrackets(a->Brackets());
    EXPECT_EQ(l.Count, afterColors + 1);  // rebuilt inside one update
    ASSERT_EQ(b->Brackets().Count(), 1);
    EXPECT_EQ(b->Brackets().Items(0)->LeftBracket(), "<");
    EXPECT_EQ(b->Brackets().Items(0)->RightBracket(), ">");
    EXPECT_EQ(b->Brackets().Items(0)->ItemColor().Color(), clPurple);
}

TEST(Fountain, CommentContinuesOverTheWrappedRowsOfItsLine) {
    auto f = MakeObject<TEditorFountain>();
    f->Commenter = "--";
    TRows rows({{"a --xx", 1}, {"yy zz", 1}, {"ww", 0}, {"b c", 2}});
    auto s = States(*f, rows);
    EXPECT_EQ(s[1].PrevToken, toComment);
    EXPECT_EQ(s[2].PrevToken, toComment);
    EXPECT_EQ(s[3].PrevToken, 0);
    EXPECT_EQ(RowTokens(*f, rows, 0, s[0]), (Tokens{{11, "a"}, {7, "--xx"}}));
    EXPECT_EQ(RowTokens(*f, rows, 1, s[1]), (Tokens{{7, "yy zz"}}));
    EXPECT_EQ(RowTokens(*f, rows, 2, s[2]), (Tokens{{7, "ww"}}));
    EXPECT_EQ(RowTokens(*f, rows, 3, s[3]), (Tokens{{11, "b"}, {11, "c"}}));
}

TEST(Fountain, SplitClosingBracketIsClosedAtTheRightPlace) {
    auto f = BlockCommentFountain();
    TRows rows({{"x /* a *", 1}, {"/ y", 2}});
    auto s = States(*f, rows);
    EXPECT_EQ(s[1].BracketIndex, 0);
    EXPECT_EQ(s[1].PrevToken, toBracket);
    EXPECT_EQ(s[1].WrappedByte, 1);
    EXPECT_EQ(RowTokens(*f, rows, 0, s[0]), (Tokens{{11, "x"}, {6, "/* a *"}}));
    EXPECT_EQ(RowTokens(*f, rows, 1, s[1]), (Tokens{{6, "/"}, {11, "y"}}));
    auto p = f->CreateParser();
    p->NewData(rows.RowText(1), s[1]);
    p->NextToken();
    EXPECT_EQ(p->BracketTokenIndex(), 0);
    p->NextToken();
    EXPECT_EQ(p->BracketIndex(), -1);
}

TEST(Fountain, BracketSpansCarryOverRowsAndLines) {
    auto f = BlockCommentFountain();
    // the span opens in a wrapped row, runs on through the last row of that
    // line and the whole next line, and closes in the third line
    TRows rows({{"a /* bc", 1}, {"def", 0}, {"ghi", 0}, {"jk */ l", 0}, {"m", 2}});
    auto s = States(*f, rows);
    EXPECT_EQ(s[1].BracketIndex, 0);
    EXPECT_EQ(s[2].BracketIndex, 0);
    EXPECT_EQ(s[3].BracketIndex, 0);
    EXPECT_EQ(s[4].BracketIndex, -1);
    EXPECT_EQ(RowTokens(*f, rows, 1, s[1]), (Tokens{{6, "def"}}));
    EXPECT_EQ(RowTokens(*f, rows, 2, s[2]), (Tokens{{6, "ghi"}}));
    EXPECT_EQ(RowTokens(*f, rows, 3, s[3]), (Tokens{{6, "jk */"}, {11, "l"}}));
    EXPECT_EQ(RowTokens(*f, rows, 4, s[4]), (Tokens{{11, "m"}}));
}

TEST(Fountain, TokensCrossingAWrappedRowEnd) {
    auto f = MakeObject<TEditorFountain>();
    f->Quotation = "'";
    f->ControlCode = true;
    TSortedStringList w;
    w.Add("SELECT");
    f->SetReserveWordList(w);
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, int>> rows;
        int prevToken, wrappedByte;
        Tokens secondRow;
    } cases[] = {
        {"identifier measured", {{"abc de", 1}, {"fg hij", 2}}, 11, 2, {{11, "fg"}, {11, "hij"}}},
        {"identifier to the end of a wrapped next row", {{"abc de", 1}, {"fgh", 1}, {"ij", 2}}, 11, 0, {{11, "fgh"}}},
        {"reserved word", {{"x SEL", 1}, {"ECT y", 2}}, 8, 3, {{8, "ECT"}, {11, "y"}}},
        {"quotation is scanned again", {{"x 'ab", 1}, {"c''d' y", 2}}, 26, 0, {{26, "c''d'"}, {11, "y"}}},
        {"control code measured", {{"x #$1", 1}, {"F y", 2}}, 28, 1, {{28, "F"}, {11, "y"}}},
        {"control code scanned again", {{"x #$1", 1}, {"FA", 1}, {"B y", 2}}, 28, 0, {{28, "FA"}}},
        {"decimal control code scanned again", {{"x #1", 1}, {"23", 1}, {"4", 2}}, 27, 0, {{27, "23"}}},
        {"token starting in the next row", {{"abc ", 1}, {"def", 2}}, 0, 0, {{11, "def"}}},
        {"number", {{"x 1.", 1}, {"5e3", 2}}, 4, 3, {{4, "5e3"}}},
    };
    for (const auto& c : cases) {
        TRows rows(c.rows);
        auto s = States(*f, rows);
        EXPECT_EQ(s[1].PrevToken, c.prevToken) << c.name;
        EXPECT_EQ(s[1].WrappedByte, c.wrappedByte) << c.name;
        EXPECT_EQ(s[1].BracketIndex, -1) << c.name;
        EXPECT_EQ(RowTokens(*f, rows, 1, s[1]), c.secondRow) << c.name;
    }
}

TEST(Fountain, RowDataPassesStateThroughBlankRowsAndKeepsUserFields) {
    auto f = BlockCommentFountain();
    auto p = f->CreateParser();
    TRows rows({{"  ", 0}, {"", 0}, {"a /* b", 0}});
    TRowAttributeData d;
    d.BracketIndex = 0;
    d.UserCount = 7;
    d.DataStr = "keep";
    TRowAttributeData before = d;
    p->RowData(0, rows.List, d);
    EXPECT_TRUE(SameState(d, before));
    p->RowData(1, rows.List, d);
    EXPECT_TRUE(SameState(d, before));
    d.BracketIndex = -1;
    p->RowData(2, rows.List, d);
    EXPECT_EQ(d.BracketIndex, 0);
    EXPECT_EQ(d.UserCount, 7);
    EXPECT_EQ(d.DataStr, "keep");
    p->RowData(5, rows.List, d);  // outside the rows: nothing
    EXPECT_EQ(d.BracketIndex, 0);
}

TEST(Fountain, StaleBracketIndexIsTreatedAsNone) {
    auto f = BlockCommentFountain();
    TRowAttributeData d;
    d.BracketIndex = 5;  // the pairs changed since the state was computed
    auto p = f->CreateParser();
    p->NewData("a b", d);
    EXPECT_EQ(p->NextToken(), toAnk);
    EXPECT_EQ(p->NextToken(), toAnk);
    EXPECT_EQ(p->NextToken(), toEof);
    // a pair without its right string never opens a span that could not close
    f->Brackets().Items(0)->SetRightBracket("");
    p = f->CreateParser();
    p->NewData("/* x", {});
    EXPECT_EQ(p->NextToken(), toSymbol);
    EXPECT_EQ(p->NextToken(), toSymbol);
    EXPECT_EQ(p->NextToken(), toAnk);
}

TEST(Fountain, LongRowOfMailCharactersTokenisesCompletely) {
    auto f = MakeObject<TEditorFountain>();
    f->Mail = true;
    std::string row;
    for (int i = 0; i < 20000; ++i) row += "a-";
    auto p = f->CreateParser();
    p->NewData(row, {});
    int tokens = 0, bytes = 0;
    while (p->NextToken() != toEof) {
        ++tokens;
        bytes += p->TokenLength();
    }
    EXPECT_EQ(tokens, 40000);
    EXPECT_EQ(bytes, 40000);
    row += "@x.y";
    p->NewData(row, {});
    EXPECT_EQ(p->NextToken(), toMail);
    EXPECT_EQ(p->TokenLength(), static_cast<int>(row.size()));
}
