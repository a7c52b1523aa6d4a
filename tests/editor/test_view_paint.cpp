// Painting: pixels of a selected cell, the end-of-text mark, the caret-row
// underline, glyphs on the column grid, leftbar digits, and a screenshot of a
// full editor saved under the build folder.
#include <QDir>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "EditorParser.h"
#include "Fountain.h"
#include "ViewTestUtil.h"

using namespace viewtest;

namespace {
bool IsBackground(QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200; }

// Pixels that are not white inside a rectangle.
int Ink(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (!IsBackground(img.pixel(x, y))) ++n;
    return n;
}
}  // namespace

class Painting : public ViewFixture {
protected:
    // The pixels measured here are those of the editor's font.
    void SetUp() override { ASSERT_TRUE(testutil::FontInstalled("IPAGothic")); }
    QRect CellRect(int row, int col, int cols = 1) {
        int x = E->GetTextLeft() + (col - E->TopCol()) * E->ColWidth();
        int y = E->GetTextTop() + (row - E->TopRow()) * E->RowHeight();
        return QRect(x, y, cols * E->ColWidth(), E->FontHeight());
    }
};

TEST_F(Painting, SelectedCellIsInvertedWithDefaultColours) {
    ShowFocused();
    E->View().Colors().Select().SetBkColor(clNone);
    E->View().Colors().Select().SetColor(clNone);
    SetText("abc def");
    E->EmSetSel(0, 3);
    QImage img = Grab();
    QRect sel = CellRect(0, 1);
    QRect plain = CellRect(0, 5);
    // the cell's top-left pixel lies outside the glyph: the background shows
    EXPECT_EQ(QColor(img.pixel(sel.topLeft())), QColor(Qt::black));
    EXPECT_EQ(QColor(img.pixel(plain.topLeft())), QColor(Qt::white));
    // the glyph of a selected cell is drawn in the control's colour
    int white = 0;
    for (int y = sel.top(); y <= sel.bottom(); ++y)
        for (int x = sel.left(); x <= sel.right(); ++x)
            if (IsBackground(img.pixel(x, y))) ++white;
    EXPECT_GT(white, 0);
}

TEST_F(Painting, EofMarkSitsAfterTheText) {
    ShowFocused();
    E->Marks().EofMark().SetVisible(true);
    E->Marks().EofMark().SetColor(clRed);
    auto redIn = [&](const QImage& img, const QRect& r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                QColor c(img.pixel(x, y));
                if (c.red() > 150 && c.green() < 100 && c.blue() < 100) ++n;
            }
        return n;
    };
    SetText("ab\r\n");
    QImage img = Grab();
    EXPECT_EQ(redIn(img, CellRect(0, 0, 8)), 0);
    EXPECT_GT(redIn(img, CellRect(1, 0, 5)), 0);
    SetText("ab");
    img = Grab();
    EXPECT_EQ(redIn(img, CellRect(0, 0, 2)), 0);
    EXPECT_GT(redIn(img, CellRect(0, 2, 5)), 0);
    EXPECT_EQ(redIn(img, CellRect(1, 0, 5)), 0);
    // an empty text shows it at the start of row 0
    SetText("");
    img = Grab();
    EXPECT_GT(redIn(img, CellRect(0, 0, 5)), 0);
}

TEST_F(Painting, UnderlineFollowsTheCaretButNotASelection) {
    ShowFocused();
    E->Marks().Underline().SetVisible(true);
    E->Marks().Underline().SetColor(clBlue);
    SetText("abc\r\ndef\r\nghi");
    E->SetRowCol(1, 1);
    const int x = E->GetTextLeft() + 20 * E->ColWidth();
    auto blueAt = [&](int y) {
        QColor c(Grab().pixel(x, y));
        return c.blue() > 200 && c.red() < 80;
    };
    EXPECT_TRUE(blueAt(E->GetUnderlinePos(1)));
    EXPECT_FALSE(blueAt(E->GetUnderlinePos(0)));
    E->SetRowCol(2, 0);
    EXPECT_TRUE(blueAt(E->GetUnderlinePos(2)));
    EXPECT_FALSE(blueAt(E->GetUnderlinePos(1)));
    K(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_FALSE(blueAt(E->GetUnderlinePos(1)));
    EXPECT_FALSE(blueAt(E->GetUnderlinePos(2)));
    K(Qt::Key_Left);
    EXPECT_TRUE(blueAt(E->GetUnderlinePos(1)));
}

TEST_F(Painting, DoubleByteGlyphsStayInTheirTwoColumns) {
    ShowFocused();
    // a row of single bytes with kanji in the middle, and a row of blanks under it
    SetText("ab\x93\xfa\x96\x7b\x8c\xea" "cd\r\n");
    QImage img = Grab();
    for (int col = 0; col < 10; col += (col >= 2 && col < 8) ? 2 : 1) {
        int cols = (col >= 2 && col < 8) ? 2 : 1;
        EXPECT_GT(Ink(img, CellRect(0, col, cols)), 0) << "column " << col;
    }
    // nothing right of the last column: the wide glyphs did not push the text on
    EXPECT_EQ(Ink(img, CellRect(0, 10, 6)), 0);
    // "c" is painted where a one-byte "c" at column 8 is painted
    auto* other = MakeEditor<TEditor>();
    other->resize(E->size());
    other->Lines().SetText("12345678cd\r\n");
    QImage ref = other->viewport()->grab().toImage();
    EXPECT_EQ(img.copy(CellRect(0, 8, 2)), ref.copy(CellRect(0, 8, 2)));
    delete other;
}

TEST_F(Painting, LeftbarDigitsGrowWithTheRows) {
    E->Leftbar().SetVisible(true);
    ShowFocused();
    std::string t;
    for (int i = 0; i < 9999; ++i) t += "x\r\n";
    SetText(t.substr(0, t.size() - 2));  // 9999 rows, no final line break
    E->CalcLeftbarColumn();
    const int w4 = E->GetTextLeft();
    SetText(t + "x");  // 10000 rows
    EXPECT_GT(E->GetTextLeft(), w4);
    EXPECT_EQ(E->GetTextLeft() - w4, E->ColWidth());
}

TEST_F(Painting, ScreenshotOfAFullEditor) {
    E->Leftbar().SetVisible(true);
    E->Ruler().SetVisible(true);
    E->Marks().EofMark().SetVisible(true);
    E->Marks().RetMark().SetVisible(true);
    E->Marks().WrapMark().SetVisible(true);
    E->Marks().Underline().SetVisible(true);
    E->Imagebar().SetMarkWidth(12);
    E->View().Colors().Reserve().SetColor(clBlue);
    E->View().Colors().Reserve().SetStyle(TFontStyles(fsBold));
    E->View().Colors().Str().SetColor(clMaroon);
    E->View().SetQuotation("'");
    E->View().SetCommenter("--");
    E->View().Colors().Comment().SetColor(clGreen);
    TSortedStringList words;
    words.SetCommaText("SELECT,FROM,WHERE");
    E->SetReserveWordList(words);
    E->WrapOption().SetWrapByte(60);
    E->SetWordWrap(true);
    ShowFocused(640, 300);
    SetText(
        "SELECT 社員番号, 氏名 FROM 社員 -- 一覧\r\n"
        "WHERE\t部署 = '開発'\r\n"
        "\tタブの後の日本語とABC\r\n"
        "この行は長いので六十桁で折り返されます。This long line wraps at sixty columns.\r\n"
        "半角ｶﾀｶﾅ and 全角カタカナ\r\n");
    E->PutRowMark(1, 2);
    E->PutRowMark(2, 11);
    E->SetSelectionMode(true);
    E->SetRowCol(0, 7);
    E->StartSelection();
    E->SetRowCol(2, 15);
    E->ExtendSelection();
    QImage img = E->grab().toImage();
    const char* tmp = std::getenv("ZINTAVOR_TEST_TMP");
    QString dir = tmp ? QDir(QString::fromLocal8Bit(tmp)).absoluteFilePath(QStringLiteral("../screenshots"))
                      : QStringLiteral("/tmp/zintavor-screenshots");
    QDir().mkpath(dir);
    ASSERT_TRUE(img.save(dir + QStringLiteral("/editor.png")));
    // the box covers the same columns on every row
    QRect a = CellRect(0, 8), b = CellRect(2, 8);
    EXPECT_EQ(QColor(Grab().pixel(a.topLeft())), QColor(Grab().pixel(b.topLeft())));
}

TEST_F(Painting, DrawLineEventGetsTheRowAndACanvas) {
    ShowFocused();
    E->Caret().SetTabSpaceCount(4);
    SetText("a\tb\r\ncd");
    std::vector<std::string> rows;
    int withCanvas = 0;
    E->OnDrawLine = [&](TObject*, const std::string& LineStr, int, int, int Index, const TRect&, bool Selected) {
        if (!Selected && Index == static_cast<int>(rows.size())) rows.push_back(LineStr);
        if (E->Canvas()) ++withCanvas;
    };
    Grab();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[0], "a   b");
    EXPECT_EQ(rows[1], "cd");
    EXPECT_GE(withCanvas, 2);
    EXPECT_EQ(E->Canvas(), nullptr);
}

// A focused editor with its caret shown paints once and then stays quiet: the
// caret's own update during a paint must not ask for the next paint.
TEST_F(Painting, AFocusedEditorIsQuietOnceItHasPainted) {
    ShowFocused();
    SetText("abc\r\ndef");
    ASSERT_TRUE(E->hasFocus());
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    struct TCounter : QObject {
        int Paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++Paints;
            return false;
        }
    } counter;
    E->viewport()->installEventFilter(&counter);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    E->viewport()->removeEventFilter(&counter);
    EXPECT_LE(counter.Paints, 1);
}

// A ruler shown late (after the font, colours and size were set while it was
// hidden) is drawn as one shown from the start, across the whole width.
TEST_F(Painting, RulerShownLateIsDrawnAsOneShownFromTheStart) {
    std::unique_ptr<TEditor> early(MakeEditor<TEditor>());
    early->Ruler().SetVisible(true);
    for (TEditor* e : {E.get(), early.get()}) {
        QFont f = e->font();
        f.setPointSize(13);
        e->setFont(f);
        e->SetFontColor(clNavy);
        e->resize(300, 200);
        e->show();
        e->Lines().SetText("abc\r\ndef");
    }
    QApplication::processEvents();
    E->resize(560, 200);  // while hidden: no pictures to keep up to date
    early->resize(560, 200);
    QApplication::processEvents();
    E->Ruler().SetVisible(true);
    QApplication::processEvents();
    const QImage late = E->grab().toImage(), first = early->grab().toImage();
    ASSERT_EQ(late.size(), first.size());
    const QRect strip(E->GetTextLeft(), 0, late.width() - E->GetTextLeft(), E->GetTextTop());
    ASSERT_GT(strip.height(), 0);
    EXPECT_EQ(late.copy(strip), first.copy(strip));
    EXPECT_GT(Ink(late, QRect(late.width() - 60, 0, 50, strip.height())), 0);  // ticks at the right end too
    // painted again the same, with the caret's column mark moved along
    E->SetRowCol(0, 2);
    early->SetRowCol(0, 2);
    const QImage again = E->grab().toImage();
    EXPECT_EQ(again.copy(strip), early->grab().toImage().copy(strip));
    EXPECT_NE(again.copy(strip), late.copy(strip));
}

// The left bar's and the ruler's edges and the corner between them, changed
// after the first paint, are drawn as on an editor set so from the start.
TEST_F(Painting, MarginEdgesChangedLateAreDrawnAsSetFromTheStart) {
    const struct Case {
        bool leftbarEdge, rulerEdge;
    } cases[] = {{false, true}, {true, false}, {false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.leftbarEdge) + "/" + std::to_string(c.rulerEdge));
        std::unique_ptr<TEditor> late(MakeEditor<TEditor>()), first(MakeEditor<TEditor>());
        for (TEditor* e : {late.get(), first.get()}) {
            e->Leftbar().SetVisible(true);
            e->Leftbar().SetShowNumber(true);
            e->Ruler().SetVisible(true);
            e->Lines().SetText("abc\r\ndef");
        }
        first->Leftbar().SetEdge(c.leftbarEdge);
        first->Ruler().SetEdge(c.rulerEdge);
        for (TEditor* e : {late.get(), first.get()}) {
            e->resize(300, 200);
            e->show();
        }
        QApplication::processEvents();
        const QImage before = late->grab().toImage();
        late->Leftbar().SetEdge(c.leftbarEdge);
        late->Ruler().SetEdge(c.rulerEdge);
        QApplication::processEvents();
        const QImage after = late->grab().toImage(), expected = first->grab().toImage();
        ASSERT_EQ(after.size(), expected.size());
        // the margins: the left bar down the side, the ruler across the top
        const QRect side(0, 0, late->GetTextLeft(), after.height());
        const QRect top(0, 0, after.width(), late->GetTextTop());
        ASSERT_GT(side.width(), 2);
        ASSERT_GT(top.height(), 2);
        EXPECT_EQ(after.copy(side), expected.copy(side));
        EXPECT_EQ(after.copy(top), expected.copy(top));
        EXPECT_NE(after.copy(side.united(top)), before.copy(side.united(top)));
    }
}

namespace {
// The editor parser under another class name: the row store tokenises every
// row on the way to a far row instead of searching it for bracket strings.
class TTokenisingParser : public TEditorParser {
public:
    using TEditorParser::TEditorParser;
};
class TTokenisingFountain : public TEditorFountain {
public:
    using TEditorFountain::TEditorFountain;
    TFountainParserClass GetParserClass() override { return &FountainParserOf<TTokenisingParser>; }
};
}  // namespace

// Right after the text is set, a jump to its end paints rows whose colours
// depend on a comment opened at the top: they are the colours a full parse
// gives, row by row (a comment still open, its close, another opened and
// closed, plain rows after it), and no row is tokenised twice to get there.
TEST_F(Painting, ColoursAfterAJumpToTheEndEqualAFullParse) {
    std::string text = "select 1;\r\n/* a comment opens on row 1\r\n";
    const int middle = 30000;
    const char* inside[] = {"select a, b from t -- /* no opener inside a comment", "'quoted /* text' and more",
                            "\x8a\xbf\x8e\x9a\x82\xa0 kanji and kana", "plain words only"};
    for (int i = 0; i < middle; ++i) text += std::string(inside[i % 4]) + "\r\n";
    text += "the comment ends */ select 2; -- /* after a line comment\r\n";
    text += "select 2.5;\r\n/* opened again\r\nand closed */ x\r\nselect 3;\r\nselect 4;\r\n";
    auto setup = [](TEditorFountain& f) {
        auto* b = f.Brackets().Add();
        b->SetLeftBracket("/*");
        b->SetRightBracket("*/");
        b->ItemColor().SetBkColor(clLime);
        f.Commenter = "--";
        f.Colors().Comment().SetBkColor(clRed);
        f.Quotation = "'";
    };
    auto quick = MakeObject<TEditorFountain>();
    auto full = MakeObject<TTokenisingFountain>();
    setup(*quick);
    setup(*full);
    std::unique_ptr<TEditor> other(MakeEditor<TEditor>());
    struct Side {
        TEditor* Ed;
        TFountain* F;
    } sides[] = {{E.get(), quick.get()}, {other.get(), full.get()}};
    for (const Side& s : sides) {
        s.Ed->resize(480, 320);
        s.Ed->show();
        s.Ed->SetFountain(s.F);
        s.Ed->Lines().SetText(text);
    }
    QApplication::processEvents();
    QImage shot[2];
    for (int k = 0; k < 2; ++k) {
        TEditor* ed = sides[k].Ed;
        QApplication::setActiveWindow(ed);
        ed->activateWindow();
        ed->setFocus();
        QApplication::processEvents();
        Key(ed, Qt::Key_End, Qt::ControlModifier);
        ASSERT_EQ(ed->Row(), ed->RowCount());
        shot[k] = ed->viewport()->grab().toImage();
    }
    const QImage& a = shot[0];
    ASSERT_EQ(E->TopRow(), other->TopRow());
    ASSERT_GT(E->TopRow(), middle / 2);
    EXPECT_TRUE(a == shot[1]) << "the jump painted other colours than a full parse";
    // the picture shows the states: lime inside the comments, red in the line comment
    auto count = [&](const QImage& img, int row, QColor want) {
        const QRect r = CellRect(row, 0, E->VisibleCols());
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right() && x < img.width(); ++x)
                if (QColor(img.pixel(x, y)) == want) ++n;
        return n;
    };
    const int last = E->RowCount() - 1;
    const int close = last - 5;
    ASSERT_GE(close - 2, E->TopRow());
    EXPECT_GT(count(a, close - 1, Qt::green), 0);  // still inside the first comment
    EXPECT_GT(count(a, close, Qt::green), 0);      // "the comment ends */"
    EXPECT_GT(count(a, close, Qt::red), 0);        // "-- /* after a line comment"
    EXPECT_EQ(count(a, close + 1, Qt::green), 0);  // "select 2.5;"
    EXPECT_GT(count(a, close + 2, Qt::green), 0);  // "/* opened again"
    EXPECT_GT(count(a, close + 3, Qt::green), 0);  // "and closed */ x"
    EXPECT_EQ(count(a, last, Qt::green), 0);       // "select 4;"
    EXPECT_EQ(count(a, last, Qt::red), 0);
    for (const Side& s : sides) s.Ed->SetFountain(nullptr);
}
