#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "EditorParser.h"
#include "TestUtil.h"

namespace {

using Tokens = std::vector<std::pair<int, std::string>>;

// The tokens of one row: kind and text.
Tokens Tokenize(TEditorFountain& f, const std::string& row, const TRowAttributeData& data = {}) {
    auto p = f.CreateParser();
    p->NewData(row, data);
    Tokens out;
    int guard = 0;
    while (p->NextToken() != toEof && ++guard < 1000) {
        EXPECT_LE(p->SourcePos() + p->TokenLength(), static_cast<int>(row.size())) << testutil::Hex(row);
        out.emplace_back(p->Token(), p->TokenString());
    }
    return out;
}

std::string Show(const Tokens& t) {
    std::string s;
    for (const auto& [k, text] : t) s += std::to_string(k) + ":" + testutil::Hex(text) + " ";
    return s;
}

struct Case {
    const char* name;
    std::function<void(TEditorFountain&)> setup;
    std::string row;
    Tokens tokens;
};

}  // namespace

TEST(EditorParser, TokenKindsOfEachCase) {
    auto none = [](TEditorFountain&) {};
    auto quote = [](TEditorFountain& f) { f.Quotation = "'"; };
    auto comment = [](TEditorFountain& f) { f.Commenter = "--"; };
    auto mail = [](TEditorFountain& f) { f.Mail = true; };
    auto url = [](TEditorFountain& f) { f.Url = true; };
    auto control = [](TEditorFountain& f) { f.ControlCode = true; };
    auto hex = [](TEditorFountain& f) { f.HexPrefix = "0x"; };
    auto brackets = [](TEditorFountain& f) {
        auto* b = f.Brackets().Add();
        b->SetLeftBracket("/*");
        b->SetRightBracket("*/");
    };
    const Case cases[] = {
        {"numbers", none, "abc 123 1.5e3 x", {{11, "abc"}, {3, "123"}, {4, "1.5e3"}, {11, "x"}}},
        {"point then blank", none, "1. ", {{4, "1"}, {1, "."}}},
        {"exponent without digits", none, "12e+ 3.e5 7E", {{4, "12e+"}, {4, "3.e5"}, {4, "7E"}}},
        {"digits then letters", none, "12ab_9", {{3, "12"}, {11, "ab_9"}}},
        {"quotation", quote, "a 'bc''d' e", {{11, "a"}, {26, "'bc''d'"}, {11, "e"}}},
        {"open quotation", quote, "'ab表", {{26, "'ab表"}}},
        {"quotation off", none, "'a'", {{1, "'"}, {11, "a"}, {1, "'"}}},
        {"commenter", comment, "a -- b", {{11, "a"}, {7, "-- b"}}},
        {"mail", mail, "to a.b-c@ex.co.jp now", {{11, "to"}, {22, "a.b-c@ex.co.jp"}, {11, "now"}}},
        {"mail without at", mail, "foo-bar", {{11, "foo"}, {1, "-"}, {11, "bar"}}},
        {"mail without dot after at", mail, "a@b c", {{11, "a"}, {1, "@"}, {11, "b"}, {11, "c"}}},
        {"mail off", none, "a@b.c", {{11, "a"}, {1, "@"}, {11, "b"}, {1, "."}, {11, "c"}}},
        {"url www", url, "see www.example.com/x?a=1 ok", {{11, "see"}, {21, "www.example.com/x?a=1"}, {11, "ok"}}},
        {"url schemes", url, "http://a.b https://c ftp://d", {{21, "http://a.b"}, {21, "https://c"}, {21, "ftp://d"}}},
        {"url prefix only as a word", url, "hello", {{11, "hello"}}},
        {"control hex", control, "#$1F#65#x", {{28, "#$1F"}, {27, "#65"}, {27, "#"}, {11, "x"}}},
        {"control off", none, "#65", {{1, "#"}, {3, "65"}}},
        {"hex prefix", hex, "0x1F 0XaB 0xg", {{23, "0x1F"}, {23, "0XaB"}, {23, "0x"}, {11, "g"}}},
        {"hiragana katakana kanji", none, "あいうカタカナー漢字表", {{16, "あいう"}, {17, "カタカナー"}, {18, "漢字表"}}},
        {"hiragana with long marks", none, "らーめん－", {{16, "らーめん－"}}},
        {"full-width digits", none, "１２，３．４ＡＢｃ", {{14, "１２，３．４"}, {15, "ＡＢｃ"}}},
        {"double-byte symbols", none, "、「ヴ", {{12, "、"}, {12, "「"}, {17, "ヴ"}}},
        {"greek is a symbol", none, "αβ", {{12, "α"}, {12, "β"}}},
        {"half-width kana", none, "\xB1\xB2\xDE\xA1\xA4", {{20, "\xB1\xB2\xDE"}, {19, "\xA1"}, {19, "\xA4"}}},
        {"other bytes", none, "\xA0\xFD\xFF+", {{1, "\xA0"}, {1, "\xFD"}, {1, "\xFF"}, {1, "+"}}},
        {"tab", none, "a\tb", {{11, "a"}, {9, "\t"}, {11, "b"}}},
        {"blanks and control bytes are skipped", none, " \x01 a\x1F", {{11, "a"}}},
        {"bracket", brackets, "a /* b */ c", {{11, "a"}, {6, "/* b */"}, {11, "c"}}},
        {"open bracket", brackets, "a /* 表", {{11, "a"}, {6, "/* 表"}}},
        {"lone lead byte at the end", none, "ab\x88", {{11, "ab"}, {18, "\x88"}}},
        {"lone 0x82 at the end", none, "\x82", {{12, "\x82"}}},
        {"lone 0x81 at the end", quote, "'a\x81", {{26, "'a\x81"}}},
        {"kanji run then lone lead", none, "漢\x88", {{18, "漢"}, {18, "\x88"}}},
        {"NUL is data", none, std::string("a\0b", 3), {{11, "a"}, {1, std::string(1, '\0')}, {11, "b"}}},
        {"NUL inside a string", quote, std::string("'a\0b' c", 7), {{26, std::string("'a\0b'", 5)}, {11, "c"}}},
    };
    for (const auto& c : cases) {
        auto f = MakeObject<TEditorFountain>();
        c.setup(*f);
        Tokens got = Tokenize(*f, c.row);
        EXPECT_EQ(got, c.tokens) << c.name << ": " << Show(got);
    }
}

TEST(EditorParser, ReservedWordsAreFoundWithoutCase) {
    auto f = MakeObject<TEditorFountain>();
    f->Quotation = "'";
    TSortedStringList w;
    w.SetText("SELECT\r\nfrom\r\n'x'\r\n");
    f->SetReserveWordList(w);
    auto p = f->CreateParser();
    p->NewData("select x FROM selected 'x' /*", {});
    std::vector<std::pair<std::string, bool>> got;
    while (p->NextToken() != toEof) {
        uint8_t kind = p->Token();
        p->CheckReserveWord(kind);
        EXPECT_EQ(kind == toReserve, p->IsReserveWord());
        got.emplace_back(p->TokenString(), p->IsReserveWord());
    }
    EXPECT_EQ(got, (std::vector<std::pair<std::string, bool>>{
                       {"select", true}, {"x", false}, {"FROM", true}, {"selected", false}, {"'x'", true},
                       {"/", false}, {"*", false}}));
}

TEST(EditorParser, TokenColours) {
    auto f = MakeObject<TEditorFountain>();
    f->Quotation = "\"";
    f->ControlCode = true;
    f->Commenter = "//";
    auto* b = f->Brackets().Add();
    b->SetLeftBracket("{");
    b->SetRightBracket("}");
    TSortedStringList w;
    w.SetText("begin\r\n");
    f->SetReserveWordList(w);
    auto p = f->CreateParser();
    p->NewData("x 1 + \"s\" #9 begin {c} 表 // e", {});
    TEditorColors& c = f->Colors();
    std::vector<TFountainColor*> expect = {&c.Ank(), &c.Int(), &c.Symbol(), &c.Str(), &c.Str(),
                                           &f->Reserve(), &b->ItemColor(), &c.DBCS(), &c.Comment()};
    std::vector<TFountainColor*> got;
    while (p->NextToken() != toEof) got.push_back(p->TokenToFountainColor());
    EXPECT_EQ(got, expect);
    p->NewData("\t", {});
    p->NextToken();
    EXPECT_EQ(p->TokenToFountainColor(), nullptr);
}

namespace {

// A descendant that scans strings in single and double quotes with the base
// facilities, as a SQL parser would.
class TQuoteParser : public TEditorParser {
public:
    using TEditorParser::TEditorParser;

protected:
    void InitMethodTable() override {
        TEditorParser::InitMethodTable();
        FMethodTable[static_cast<unsigned char>('\'')] = &TQuoteParser::SingleQuoteProc;
        FMethodTable[static_cast<unsigned char>('"')] = &TQuoteParser::DoubleQuoteProc;
    }
};

class TQuoteFountain : public TEditorFountain {
public:
    using TEditorFountain::TEditorFountain;
    TFountainParserClass GetParserClass() override { return &FountainParserOf<TQuoteParser>; }
};

}  // namespace

TEST(EditorParser, DescendantsGetTheirOwnMethodTables) {
    auto f = MakeObject<TQuoteFountain>();
    Tokens got = Tokenize(*f, "'it''s' \"a\"\"b\" 'open");
    EXPECT_EQ(got, (Tokens{{24, "'it''s'"}, {25, "\"a\"\"b\""}, {24, "'open"}})) << Show(got);
}

namespace {

// The editor parser under another class name: it tokenizes every row the
// long way, testing each special start in turn.
class TLongWayParser : public TEditorParser {
public:
    using TEditorParser::TEditorParser;
};

class TLongWayFountain : public TEditorFountain {
public:
    using TEditorFountain::TEditorFountain;
    TFountainParserClass GetParserClass() override { return &FountainParserOf<TLongWayParser>; }
};

Tokens AllTokens(TFountain& f, const std::string& row, const TRowAttributeData& data = {}) {
    auto p = f.CreateParser();
    p->NewData(row, data);
    Tokens out;
    while (p->NextToken() != toEof) out.emplace_back(p->Token(), p->TokenString());
    return out;
}

}  // namespace

TEST(EditorParser, LongRowsGiveTheSameTokensAsShortOnes) {
    // A row of many kinds of tokens, long enough for the quick dispatch.
    const std::string piece =
        "abc 123 0x1F 0XaB 'q''s' - c /* b */ a.b@ex.co.jp http://a.b www.x #$1F#65 "
        "\x82\xa0\x82\xa2 \x8a\xbf\x8e\x9a \xB1\xDE \x81\x40 {x} 1.5e3 hello foo-bar\t";
    std::string row;
    while (row.size() < 20000) row += piece;
    auto brackets = [](TEditorFountain& f) {
        auto* b = f.Brackets().Add();
        b->SetLeftBracket("/*");
        b->SetRightBracket("*/");
        b = f.Brackets().Add();
        b->SetLeftBracket("{");
        b->SetRightBracket("}");
        b = f.Brackets().Add();
        b->SetLeftBracket("h");  // a pair without its right string never opens
    };
    const std::pair<const char*, std::function<void(TEditorFountain&)>> setups[] = {
        {"none", [](TEditorFountain&) {}},
        {"quotation", [](TEditorFountain& f) { f.Quotation = "'"; }},
        {"commenter", [](TEditorFountain& f) { f.Commenter = "--"; }},
        {"mail", [](TEditorFountain& f) { f.Mail = true; }},
        {"url", [](TEditorFountain& f) { f.Url = true; }},
        {"control code", [](TEditorFountain& f) { f.ControlCode = true; }},
        {"hex prefix", [](TEditorFountain& f) { f.HexPrefix = "0x"; }},
        {"upper hex prefix", [](TEditorFountain& f) { f.HexPrefix = "0X"; }},
        {"brackets", brackets},
        {"all", [&](TEditorFountain& f) {
             f.Quotation = "'";
             f.Commenter = "--";
             f.Mail = f.Url = f.ControlCode = true;
             f.HexPrefix = "0x";
             brackets(f);
         }},
    };
    for (const auto& [name, setup] : setups) {
        auto quick = MakeObject<TEditorFountain>();
        auto longWay = MakeObject<TLongWayFountain>();
        setup(*quick);
        setup(*longWay);
        for (const std::string& text : {row, row + "/* open", row + " -- tail /*"}) {
            Tokens a = AllTokens(*quick, text), b = AllTokens(*longWay, text);
            EXPECT_GT(a.size(), 100u) << name;
            EXPECT_TRUE(a == b) << name << ": " << a.size() << " tokens against " << b.size();
        }
        // the state carried into the next row
        TEditorStringList lines;
        lines.SetRowAttribute(lines.Add(row + "/* open"), 0);
        lines.SetRowAttribute(lines.Add("x"), 0);
        TRowAttributeData qa, qb;
        quick->CreateParser()->RowData(0, lines, qa);
        longWay->CreateParser()->RowData(0, lines, qb);
        EXPECT_EQ(qa.BracketIndex, qb.BracketIndex) << name;
        if (std::string(name) == "brackets" || std::string(name) == "all") {
            EXPECT_EQ(qa.BracketIndex, 0) << name;
        }
    }
}

// The state at the end of a row that ends its line, found by searching the row
// for the bracket strings, is the state the tokenizer finds: for rows that
// hold a bracket string only inside a comment, a quotation, a mail address, a
// URL or a double-byte character, for open pairs that close or not, and for a
// carried pair that no longer exists.
TEST(EditorParser, RowStatesOfWholeLinesEqualTheTokenisedOnes) {
    const std::vector<std::string> rows = {
        "select a from t",
        "a /* b",
        "a */ b",
        "/* x */ y",
        "x */ y /* z",
        "-- /* not here",
        "'/*' and '*/'",
        "mail a/*b@x.jp */",
        "http://a/*b */",
        "\x81/* \x81*/",
        "{ open",
        "close } and { again",
        "(* pascal *) (*",
        "",
        "   ",
        "\t",
        "plain \x83\x65\x83\x4c\x83\x58\x83\x67 row",
        "a*/",
        "/",
        "*",
        "a longer row of words that closes the comment */ and goes on -- /* for a while",
        "a longer row of words that opens a comment /* and goes on for a while longer",
    };
    auto setup = [](TEditorFountain& f, int kind) {
        auto pair = [&](const char* l, const char* r) {
            auto* b = f.Brackets().Add();
            b->SetLeftBracket(l);
            b->SetRightBracket(r);
        };
        pair("/*", "*/");
        if (kind >= 1) {
            pair("{", "}");
            pair("(*", "*)");
            pair("x", "");  // no right string: never opens
        }
        if (kind >= 2) {
            f.Commenter = "--";
            f.Quotation = "'";
            f.Mail = f.Url = true;
        }
    };
    for (int kind = 0; kind < 3; ++kind) {
        auto quick = MakeObject<TEditorFountain>();
        auto longWay = MakeObject<TLongWayFountain>();
        setup(*quick, kind);
        setup(*longWay, kind);
        auto pq = quick->CreateParser();
        auto pl = longWay->CreateParser();
        for (int attr : {int(raLineBreak), int(raEndOfText)}) {
            TEditorStringList lines;
            for (const auto& r : rows) lines.SetRowAttribute(lines.Add(r), attr);
            for (int open : {-1, 0, 1, 2, 3, 9}) {
                for (int r = 0; r < lines.Count(); ++r) {
                    TRowAttributeData a, b;
                    a.RowAttribute = b.RowAttribute = static_cast<uint8_t>(attr);
                    a.BracketIndex = b.BracketIndex = open;
                    a.UserIndex = b.UserIndex = 7;
                    a.DataStr = b.DataStr = "kept";
                    pq->RowData(r, lines, a);
                    pl->RowData(r, lines, b);
                    SCOPED_TRACE("setup " + std::to_string(kind) + ", open " + std::to_string(open) + ", row \"" +
                                 lines.Get(r) + "\"");
                    EXPECT_EQ(a.BracketIndex, b.BracketIndex);
                    EXPECT_EQ(a.PrevToken, b.PrevToken);
                    EXPECT_EQ(a.WrappedByte, b.WrappedByte);
                    EXPECT_EQ(a.UserIndex, b.UserIndex);
                    EXPECT_EQ(a.UserToken, b.UserToken);
                    EXPECT_EQ(a.DataStr, b.DataStr);
                }
            }
        }
    }
}
