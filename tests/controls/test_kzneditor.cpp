#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>

#include "FileSystem.h"
#include "KZNEditor.h"
#include "KZNMessageDlg.h"
#include "KZNPopupMenu.h"
#include <QScrollBar>
#include <cstring>
#include "editor/ViewTestUtil.h"
#include "TestUtil.h"

namespace {

struct KZNEditorTest : testutil::WithApp, ::testing::Test {
    std::unique_ptr<TKZNEditor> E{MakeEditor<TKZNEditor>()};
    void Show() {
        E->resize(480, 320);
        E->show();
        QApplication::setActiveWindow(E.get());
        E->setFocus();
        QApplication::processEvents();
    }
    std::string Text() { return E->Lines().GetText(); }
    void Wheel(int delta, Qt::KeyboardModifiers mods) {
        QWheelEvent ev(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(E->viewport(), &ev);
    }
};

TEST_F(KZNEditorTest, StandardOptions) {
    EXPECT_FALSE(E->Caret().BackSpaceUnIndent);
    EXPECT_FALSE(E->Caret().InTab);
    EXPECT_TRUE(E->Caret().NextLine);
    EXPECT_TRUE(E->Marks().HideMark().Visible());
    EXPECT_TRUE(E->SearchAllowAsc);
    EXPECT_FALSE(E->AcceptShellDorpFile);
    std::unique_ptr<TScriptEditor> s{MakeEditor<TScriptEditor>()};
    EXPECT_FALSE(s->Caret().BackSpaceUnIndent);
}

TEST_F(KZNEditorTest, FormatLinesToTheVisibleWidth) {
    Show();
    const int w = E->VisibleCols();
    ASSERT_GE(w, 10);
    TStringList lines;
    E->FormatLinesToWidth(std::string(w, 'a') + "\r\n" + std::string(w + 1, 'b'), lines);
    EXPECT_EQ(lines.Items, (std::vector<std::string>{std::string(w, 'a'), std::string(w - 1, 'b') + "\r\nbb"}));
}

TEST_F(KZNEditorTest, TabIndentsASelectionOfSeveralLines) {
    Show();
    struct Case {
        int fromRow, fromCol, toRow, toCol;
        Qt::KeyboardModifiers mods;
        std::string text, expected;
    } cases[] = {
        {0, 0, 1, 2, Qt::NoModifier, "ab\r\ncd\r\n", "\tab\r\n\tcd\r\n"},
        {0, 0, 0, 1, Qt::NoModifier, "ab\r\ncd\r\n", "ab\r\ncd\r\n"},  // within one line: nothing
        {0, 0, 1, 9, Qt::ShiftModifier, "\tab\r\n\tcd\r\n", "ab\r\ncd\r\n"},
    };
    for (const auto& c : cases) {
        E->Lines().SetText(c.text);
        E->SetRowCol(c.fromRow, c.fromCol);
        E->StartSelection();
        E->SetRowCol(c.toRow, c.toCol);
        E->ExtendSelection();
        viewtest::Key(E.get(), c.mods & Qt::ShiftModifier ? Qt::Key_Backtab : Qt::Key_Tab, c.mods);
        EXPECT_EQ(Text(), c.expected) << testutil::Hex(c.text);
    }
}

TEST_F(KZNEditorTest, F3WithNothingToSearchIsSwallowed) {
    Show();
    E->Lines().SetText("abc abc\r\n");
    E->SetRowCol(0, 2);
    viewtest::Key(E.get(), Qt::Key_F3);
    viewtest::Key(E.get(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(E->Col(), 2);
    EXPECT_EQ(Text(), "abc abc\r\n");
    viewtest::Key(E.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(E->GetSelText(), "abc abc\r\n");
    viewtest::Key(E.get(), Qt::Key_Escape);
    EXPECT_FALSE(E->GetSelected());
}

// A long line scrolled to its end, replaced by a short paste (Ctrl+A, Ctrl+V):
// the view comes back to the caret, as after any edit.
TEST_F(KZNEditorTest, APasteOverEverythingBringsTheCaretIntoView) {
    std::string rows;
    for (int i = 0; i < 300; ++i) rows += std::string(200, 'w') + "\r\n";
    struct Case {
        const char* Name;
        std::string Text;
        QString Paste;
        int Row, Col;  // the caret after the paste
    } cases[] = {
        {"a long line", std::string(3000, 'x'), QStringLiteral("ab"), 0, 2},
        {"a long line and a line break", std::string(3000, 'x') + "\r\n", QStringLiteral("ab"), 0, 2},
        {"long lines", "select 1\r\n" + std::string(900, 'y') + "\r\n" + std::string(2000, 'z'),
         QStringLiteral("ab\r\ncd"), 1, 2},
        {"many lines", rows, QStringLiteral("ab"), 0, 2},
    };
    Show();
    for (const Case& c : cases) {
        E->Lines().SetText(c.Text);
        viewtest::Key(E.get(), Qt::Key_End, Qt::ControlModifier);
        if (E->Col() == 0) {
            viewtest::Key(E.get(), Qt::Key_Up);
            viewtest::Key(E.get(), Qt::Key_End);
        }
        ASSERT_GT(E->TopCol(), 0) << c.Name;
        viewtest::SetClip(c.Paste);
        viewtest::Key(E.get(), Qt::Key_A, Qt::ControlModifier);
        viewtest::Key(E.get(), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(Text(), cp932::FromQString(c.Paste)) << c.Name;
        EXPECT_EQ(E->Row(), c.Row) << c.Name;
        EXPECT_EQ(E->Col(), c.Col) << c.Name;
        EXPECT_EQ(E->TopCol(), 0) << c.Name;
        EXPECT_EQ(E->TopRow(), 0) << c.Name;
        EXPECT_EQ(E->horizontalScrollBar()->value(), 0) << c.Name;
    }
}

TEST_F(KZNEditorTest, InsertLinesNearTheCaret) {
    struct Case {
        int row, col;
        std::string expected;
    } cases[] = {
        {0, 1, "new\r\nabcd\r\nxy\r\n"},
        {0, 2, "abcd\r\nnew\r\nxy\r\n"},  // exactly half: after the line
        {1, 0, "abcd\r\nnew\r\nxy\r\n"},
    };
    for (const auto& c : cases) {
        E->Lines().SetText("abcd\r\nxy\r\n");
        E->SetRowCol(c.row, c.col);
        E->InsertLinesNearCaret(TStringList("new\r\n"));
        EXPECT_EQ(Text(), c.expected) << c.row << "," << c.col;
    }
}

TEST_F(KZNEditorTest, ScrollingAndZoom) {
    Show();
    TStringList lines;
    for (int i = 0; i < 200; ++i) lines.Add("line " + std::to_string(i));
    E->Lines().SetText(lines.Text());
    E->SetRowCol(199, 0);
    E->ScrollToEnd();
    EXPECT_EQ(E->TopRow(), E->Lines().Count() - E->VisibleRows());
    E->SetRowCol(0, 0);
    E->ScrollToTop();
    EXPECT_EQ(E->TopRow(), 0);
    Wheel(-120, Qt::NoModifier);
    EXPECT_EQ(E->TopRow(), 1);
    Wheel(-120, Qt::AltModifier);
    EXPECT_EQ(E->TopRow(), 11);

    QFont f = E->font();
    f.setPointSize(1);
    E->setFont(f);
    Wheel(120, Qt::ControlModifier);
    EXPECT_EQ(E->font().pointSize(), 1);
    Wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(E->font().pointSize(), 2);
}


// ---- dropped files

struct DropTest : KZNEditorTest {
    std::string dir = testutil::TempFolder("kzndrop");
    std::string a = dir + "a.sql", b = dir + "b c.sql", bin = dir + "bin.dat";
    int menuShown = 0;
    bool deployEnabled = false;
    DropTest() {
        fs932::WriteFileAtomic(a, "select 'あ';\r\n");
        fs932::WriteFileAtomic(b, "x\r\ny\r\n");
        fs932::WriteFileAtomic(bin, std::string("\x01\x02", 2));
        E->AcceptShellDorpFile = true;
    }
    testutil::THookScope hooks;
    static QMimeData* Files(const std::vector<std::string>& names) {
        auto* m = new QMimeData;
        QList<QUrl> urls;
        for (const auto& n : names) urls << QUrl::fromLocalFile(QString::fromUtf8(fs932::ToNative(n).c_str()));
        m->setUrls(urls);
        return m;
    }
    // The menu of a right-button drop picks item (0 none, 1 names, 2 contents).
    void Choose(int item) {
        hooks.Set(popupmenu::SetPresenter, [this, item](QMenu& menu, const QPoint&) -> QAction* {
            ++menuShown;
            auto& m = static_cast<TEditorOLEDropPopupMenu&>(menu);
            deployEnabled = m.FileDeployItem->isEnabled();
            return item == 1 ? m.FileNamesItem : item == 2 ? m.FileDeployItem : nullptr;
        });
    }
    // A drag that ends over the caret's cell (the caret follows the mouse).
    void Drop(const QMimeData* data, Qt::MouseButtons buttons) {
        Qt::DropAction effect = Qt::CopyAction;
        const TDragKeyState keys{Qt::NoModifier, buttons};
        const QPoint p = viewtest::Cell(E.get(), E->Row(), E->Col());
        E->OLEDragEnter(data, keys, p, effect);
        E->OLEDragDrop(data, keys, p, effect);
    }
};

TEST_F(DropTest, FilesGoInAtTheCaretLine) {
    struct Case {
        const char* name;
        std::vector<std::string> files;
        Qt::MouseButtons buttons;
        int choice;  // of the right-button menu
        int row, col;
        std::string expected;  // with A, B standing for the two names
        bool menu, deploy;
    } cases[] = {
        {"left, caret at column 0", {"A", "B"}, Qt::LeftButton, 0, 1, 0, "abc\r\nA\r\nB\r\nxyz\r\n", false, false},
        {"left, caret inside the line", {"A"}, Qt::LeftButton, 0, 0, 1, "abc\r\nA\r\nxyz\r\n", false, false},
        {"left, after the last line", {"A"}, Qt::LeftButton, 0, 1, 2, "abc\r\nxyz\r\nA\r\n", false, false},
        {"right, names", {"A"}, Qt::RightButton, 1, 0, 0, "A\r\nabc\r\nxyz\r\n", true, true},
        {"right, contents", {"A", "B"}, Qt::RightButton, 2, 0, 0, "select 'あ';\r\nx\r\ny\r\nabc\r\nxyz\r\n", true, true},
        {"right, dismissed", {"A"}, Qt::RightButton, 0, 0, 0, "abc\r\nxyz\r\n", true, true},
        {"right, not a text file", {"A", "BIN"}, Qt::RightButton, 2, 0, 0, "abc\r\nxyz\r\n", true, false},
        {"right, missing file", {"MISSING"}, Qt::RightButton, 1, 0, 0, "MISSING\r\nabc\r\nxyz\r\n", true, false},
    };
    auto real = [&](const std::string& n) {
        return n == "A" ? a : n == "B" ? b : n == "BIN" ? bin : dir + "missing.sql";
    };
    Show();
    for (const auto& c : cases) {
        E->Lines().SetText("abc\r\nxyz\r\n");
        E->SetRowCol(c.row, c.col);
        menuShown = 0;
        Choose(c.choice);
        std::vector<std::string> names;
        for (const auto& n : c.files) names.push_back(real(n));
        std::unique_ptr<QMimeData> data(Files(names));
        Drop(data.get(), c.buttons);
        std::string expected = c.expected;
        for (const char* n : {"MISSING", "A", "B"}) {
            size_t at = expected.find(std::string(n) + "\r\n");
            if (at != std::string::npos) expected.replace(at, std::strlen(n), real(n));
        }
        EXPECT_EQ(Text(), expected) << c.name;
        EXPECT_EQ(menuShown, c.menu ? 1 : 0) << c.name;
        if (c.menu) {
            EXPECT_EQ(deployEnabled, c.deploy) << c.name;
        }
    }
}

TEST_F(DropTest, ANameCP932CannotHoldIsRefusedWithAMessage) {
    Show();
    std::vector<std::string> told;
    hooks.Set(SetMessageDlgPresenter, [&](const std::string& text, TMsgDlgType) { told.push_back(text); });
    const QString odd = QString::fromUtf8(fs932::ToNative(dir).c_str()) + QString::fromUtf8("\xF0\xA0\xAE\xB7.sql");
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(odd), QUrl::fromLocalFile(QString::fromUtf8(fs932::ToNative(a).c_str()))});
    std::unique_ptr<QMimeData> owned(data);
    EXPECT_EQ(TKZNEditor::DroppedFileNames(data), std::vector<std::string>{a});
    E->Lines().SetText("abc\r\n");
    E->SetRowCol(0, 0);
    Drop(data, Qt::LeftButton);
    EXPECT_EQ(Text(), a + "\r\nabc\r\n");
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].find("ファイル名に、シフトJISで表せない文字が含まれています。"), 0u);
    EXPECT_EQ(told[0].find(a), std::string::npos);
}

TEST_F(DropTest, OnlyFilesAndOnlyWhenAccepted) {
    E->Lines().SetText("abc\r\n");
    QMimeData text;
    text.setText("plain");
    Drop(&text, Qt::LeftButton);
    EXPECT_EQ(Text(), "abc\r\n");
    E->AcceptShellDorpFile = false;
    std::unique_ptr<QMimeData> files(Files({a}));
    Qt::DropAction effect = Qt::CopyAction;
    E->OLEDragOver(files.get(), {Qt::NoModifier, Qt::LeftButton}, QPoint(1, 1), effect);
    EXPECT_EQ(effect, Qt::IgnoreAction);
    Drop(files.get(), Qt::LeftButton);
    EXPECT_EQ(Text(), "abc\r\n");
}

TEST_F(DropTest, TheHandlerMayChangeTheLinesAndTheWidgetTakesRealDrops) {
    Show();
    std::vector<std::string> seen;
    E->OnOLETextFileDrop = [&](TObject*, const std::string& name, TStringList& lines, TFilePasteMode mode) {
        seen.push_back(name);
        EXPECT_EQ(mode, fpFileNames);
        lines.Clear();
        lines.Add("@" + name + ";");
    };
    E->Lines().SetText("abc\r\n");
    E->SetRowCol(0, 0);
    std::unique_ptr<QMimeData> data(Files({b}));
    const QPoint p = viewtest::Cell(E.get(), 0, 0);
    QDragEnterEvent enter(p, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(E->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(p), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(E->viewport(), &drop);
    EXPECT_EQ(seen, std::vector<std::string>{b});
    EXPECT_EQ(Text(), "@" + b + ";\r\nabc\r\n");
}

// ---- marks and scrolling

TEST_F(KZNEditorTest, TabsAndFullWidthSpacesAreMarked) {
    Show();
    E->Caret().SetTabSpaceCount(4);
    auto image = [&](const std::string& text) {
        E->Lines().SetText(text);
        E->SetRowCol(1, 0);
        QApplication::processEvents();
        return E->viewport()->grab().toImage();
    };
    struct Case {
        std::string marked, plain;  // the same columns with and without the mark
        bool differs;
    } cases[] = {
        {"a\tb\r\n\r\n", "a   b\r\n\r\n", true},
        {"a\x81\x40" "b\r\n\r\n", "a  b\r\n\r\n", true},
        {"a  b\r\n\r\n", "a  b\r\n\r\n", false},
    };
    for (const auto& c : cases) EXPECT_EQ(image(c.marked) != image(c.plain), c.differs) << testutil::Hex(c.marked);
}

TEST_F(KZNEditorTest, HorizontalScrollStaysNearTheVisibleLines) {
    Show();
    int hscrolls = 0;
    E->OnHScroll = [&](TObject*) { ++hscrolls; };
    const int V = E->VisibleCols();
    struct Case {
        int length;  // of every line
        int steps;   // line-right requests
        int expected;
    } cases[] = {
        {0, 5, 0},
        {10, 5, std::max(0, 10 - V / 2)},
        {V * 3, 2, 2},
        {V * 3, V * 5, V * 3 - V / 2},
    };
    for (const auto& c : cases) {
        TStringList lines;
        for (int i = 0; i < 5; ++i) lines.Add(std::string(c.length, 'x'));
        E->Lines().SetText(lines.Text());
        E->SetTopCol(0);
        hscrolls = 0;
        for (int i = 0; i < c.steps; ++i) E->WMHScroll(TKZNEditor::SB_LINEDOWN);
        EXPECT_EQ(E->TopCol(), c.expected) << c.length << " " << c.steps;
        EXPECT_EQ(hscrolls, c.steps);
    }
    // The scroll bar's own requests get the same.
    E->Lines().SetText("short\r\n");
    E->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(E->TopCol(), 0);
}

TEST_F(KZNEditorTest, AShortTextStaysAtItsTop) {
    Show();
    E->Lines().SetText("a\r\nb\r\nc\r\n");
    E->SetTopRow(2);
    E->WMVScroll(TKZNEditor::SB_LINEDOWN);
    EXPECT_EQ(E->TopRow(), 0);
    TStringList lines;
    for (int i = 0; i < 200; ++i) lines.Add("x");
    E->Lines().SetText(lines.Text());
    E->WMVScroll(TKZNEditor::SB_LINEDOWN);
    E->WMVScroll(TKZNEditor::SB_LINEDOWN);
    EXPECT_EQ(E->TopRow(), 2);
}

}  // namespace
