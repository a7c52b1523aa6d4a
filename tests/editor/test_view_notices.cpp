// What the editor tells the program around it: characters CP932 cannot hold
// that became "?" on their way in (pasted, typed, committed by the input
// method), and errors of its event handlers, which go to the application's
// exception handler instead of vanishing.
#include <QMenu>
#include <QScrollBar>

#include <functional>
#include <vector>

#include "AppException.h"
#include "Exception.h"
#include "ViewTestUtil.h"

using namespace viewtest;

namespace {

// A window that takes the editor's notices, as the client window does.
class TNoticeWindow : public QWidget {
public:
    std::vector<QString> Notices;

protected:
    bool event(QEvent* E) override {
        if (E->type() == TTextSubstitutedEvent::EventType()) {
            Notices.push_back(static_cast<TTextSubstitutedEvent*>(E)->Message);
            E->accept();
            return true;
        }
        return QWidget::event(E);
    }
};

QString U(const char16_t* s) { return QString::fromUtf16(s); }

// The notice for a paste of Count characters of which Shown are listed.
QString Pasted(int Count, const char16_t* Shown) {
    return U(u"貼り付けた文字のうち、シフトJISで表せない ") + QString::number(Count) +
           U(u" 文字を \"?\" に置き換えました：") + U(Shown);
}

}  // namespace

class Notices : public testutil::WithApp, public ::testing::Test {
protected:
    TNoticeWindow Window;
    TEditor* E = nullptr;  // owned by Window
    Notices() {
        E = MakeEditor<TEditor>(&Window);
        E->resize(400, 200);
        Window.resize(400, 200);
        Window.show();
        QApplication::setActiveWindow(&Window);
        E->setFocus();
        QApplication::processEvents();
    }
    std::string Text() { return E->Lines().GetText(); }
};

TEST_F(Notices, PastedCharactersThatBecameQuestionMarksAreNamed) {
    struct Case {
        const char* Name;
        QString Clip;
        std::string Expect;  // the text after pasting into "[]" between the brackets
        std::vector<QString> Notice;
    };
    const Case cases[] = {
        {"accented letter", U(u"é"), "[?]", {Pasted(1, u"é (U+00E9)")}},
        {"emoji, a surrogate pair, is one character", U(u"a😀b"), "[a?b]", {Pasted(1, u"😀 (U+1F600)")}},
        {"mixed with Japanese, repeats counted once each",
         U(u"日本語é😀é"),
         "[日本語???]",
         {Pasted(3, u"é (U+00E9)、😀 (U+1F600)")}},
        {"more kinds than are listed",
         U(u"àéîõüñ"),
         "[??????]",
         {Pasted(6, u"à (U+00E0)、é (U+00E9)、î (U+00EE)、õ (U+00F5)、ü (U+00FC) ほか")}},
        {"half a surrogate pair is named by its code", QString(QChar(0xD83D)) + U(u"x"), "[?x]", {Pasted(1, u"U+D83D")}},
        {"nothing substituted: no notice", U(u"日本語 abc ～ ①"), "[日本語 abc ～ ①]", {}},
        {"a question mark of its own is not a substitute", U(u"?"), "[?]", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Window.Notices.clear();
        E->Lines().SetText("[]");
        E->SetRowCol(0, 1);
        SetClip(c.Clip);
        E->PasteFromClipboard();
        EXPECT_EQ(testutil::Hex(Text()), testutil::Hex(c.Expect));
        EXPECT_EQ(Window.Notices, c.Notice);
    }
}

TEST_F(Notices, EveryWayOfPastingTellsAndAReadOnlyEditorTellsNothing) {
    const QString notice = Pasted(1, u"é (U+00E9)");
    struct Way {
        const char* Name;
        std::function<void()> Paste;
        std::string Expect;
    };
    const Way ways[] = {
        {"Ctrl+V", [&] { Key(E, Qt::Key_V, Qt::ControlModifier); }, "ab?"},
        {"the paste message", [&] { E->WmPaste(); }, "ab?"},
        {"the menu's paste", [&] { E->PopupMenu()->PasteItem->trigger(); }, "ab?"},
        {"the menu's box paste", [&] { E->PopupMenu()->BoxPasteItem->trigger(); }, "ab?"},
    };
    for (const Way& w : ways) {
        SCOPED_TRACE(w.Name);
        Window.Notices.clear();
        E->SetReadOnly(false);
        E->Lines().SetText("ab");
        E->SetRowCol(0, 2);
        SetClip(U(u"é"));
        E->PopupMenu()->SetMenu();  // the items' states, as when the menu opens
        w.Paste();
        EXPECT_EQ(Text().substr(0, 3), w.Expect);
        EXPECT_EQ(Window.Notices, std::vector<QString>{notice});
        // read-only: nothing goes in, so nothing was replaced
        Window.Notices.clear();
        E->SetReadOnly(true);
        E->PopupMenu()->SetMenu();
        w.Paste();
        EXPECT_EQ(Text().substr(0, 3), w.Expect);
        EXPECT_TRUE(Window.Notices.empty());
    }
}

TEST_F(Notices, TypedAndInputMethodCharactersTellToo) {
    E->Lines().SetText("");
    Key(E, 0, Qt::NoModifier, U(u"é"));
    Commit(E, U(u"絵😀"));
    EXPECT_EQ(Text(), "?絵?");
    const std::vector<QString> told = {
        U(u"入力した文字のうち、シフトJISで表せない 1 文字を \"?\" に置き換えました：é (U+00E9)"),
        U(u"入力した文字のうち、シフトJISで表せない 1 文字を \"?\" に置き換えました：😀 (U+1F600)"),
    };
    EXPECT_EQ(Window.Notices, told);
    // characters CP932 holds, or a read-only editor, say nothing
    Window.Notices.clear();
    Commit(E, U(u"漢字"));
    E->SetReadOnly(true);
    Commit(E, U(u"😀"));
    Key(E, 0, Qt::NoModifier, U(u"é"));
    EXPECT_EQ(Text(), "?絵?漢字");
    EXPECT_TRUE(Window.Notices.empty());
}

// ---- errors of the event handlers

class HandlerErrors : public Notices {
protected:
    testutil::THookScope Hooks;
    std::vector<std::string> Handled;
    HandlerErrors() {
        Hooks.Set(app::SetExceptionHandler, [this](const std::exception& e) { Handled.push_back(e.what()); });
    }
};

TEST_F(HandlerErrors, AnErrorInsideAHandlerReachesTheApplication) {
    auto boom = [] { throw Exception("boom"); };
    struct Case {
        const char* Name;
        std::function<void()> Arm;  // makes the step below raise
        std::function<void()> Step;
        std::string After = {};  // the text once the step is over and "q" is typed, when given
    };
    const QPoint at = Cell(E, 0, 1);
    const Case cases[] = {
        {"key down",
         [&] { E->OnKeyDown = [&](TObject*, uint16_t&, TShiftState) { boom(); }; },
         [&] { Key(E, Qt::Key_Right); }},
        {"typed character",
         [&] { E->OnKeyPress = [&](TObject*, char&) { boom(); }; },
         [&] { Key(E, Qt::Key_X, Qt::NoModifier, "x"); }},
        {"key up",
         [&] { E->OnKeyUp = [&](TObject*, uint16_t&, TShiftState) { boom(); }; },
         [&] { Key(E, Qt::Key_Left); }},
        {"input method commit: what is typed next is not skipped",
         [&] { E->OnChange = [&](TObject*) { boom(); }; },
         [&] { Commit(E, U(u"字")); },
         "aq字b\r\ncd\r\nef\r\ngh\r\n"},  // the caret stayed: the insertion broke off
        {"mouse down",
         [&] { E->OnMouseDown = [&](TObject*, Qt::MouseButton, TShiftState, int, int) { boom(); }; },
         [&] { Mouse(E, QEvent::MouseButtonPress, at); }},
        {"mouse move",
         [&] { E->OnMouseMove = [&](TObject*, TShiftState, int, int) { boom(); }; },
         [&] { Mouse(E, QEvent::MouseMove, at); }},
        {"mouse up: the button is up all the same",
         [&] { E->OnMouseUp = [&](TObject*, Qt::MouseButton, TShiftState, int, int) { boom(); }; },
         [&] { Mouse(E, QEvent::MouseButtonRelease, at); },
         "aqb\r\ncd\r\nef\r\ngh\r\n"},
        {"double click",
         [&] { E->OnDblClick = [&](TObject*) { boom(); }; },
         [&] { Mouse(E, QEvent::MouseButtonDblClick, at); }},
        {"scroll bar",
         [&] { E->OnTopRowChange = [&](TObject*) { boom(); }; },
         [&] { E->verticalScrollBar()->setValue(2); }},
        {"menu item",
         [&] { E->OnChange = [&](TObject*) { boom(); }; },
         [&] {
             SetClip(U(u"z"));
             E->PopupMenu()->SetMenu();
             E->PopupMenu()->PasteItem->trigger();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        E->OnKeyDown = nullptr;
        E->OnKeyPress = nullptr;
        E->OnKeyUp = nullptr;
        E->OnChange = nullptr;
        E->OnMouseDown = nullptr;
        E->OnMouseMove = nullptr;
        E->OnMouseUp = nullptr;
        E->OnDblClick = nullptr;
        E->OnTopRowChange = nullptr;
        E->Lines().SetText("ab\r\ncd\r\nef\r\ngh\r\n");
        E->SetTopRow(0);
        E->SetRowCol(0, 1);
        Handled.clear();
        c.Arm();
        c.Step();
        EXPECT_EQ(Handled, std::vector<std::string>{"boom"});
        if (!c.After.empty()) {
            E->OnMouseUp = nullptr;
            E->OnChange = nullptr;
            Key(E, Qt::Key_Q, Qt::NoModifier, "q");
            EXPECT_EQ(Text(), c.After);
        }
    }
}

TEST_F(HandlerErrors, APaintErrorIsReportedOnceAfterThePaint) {
    E->Lines().SetText("ab\r\ncd");
    bool fail = true;
    E->OnDrawLine = [&](TObject*, const std::string&, int, int, int, const TRect&, bool) {
        if (fail) throw Exception("paint");
    };
    E->viewport()->repaint();
    EXPECT_TRUE(Handled.empty());  // not from inside the paint
    EXPECT_EQ(E->Canvas(), nullptr);
    E->viewport()->repaint();
    QApplication::processEvents();
    EXPECT_EQ(Handled, std::vector<std::string>{"paint"});  // one run of failed paints, one report
    // a paint that succeeds ends the run; the next failure is told again
    fail = false;
    E->viewport()->repaint();
    fail = true;
    E->viewport()->repaint();
    QApplication::processEvents();
    EXPECT_EQ(Handled, (std::vector<std::string>{"paint", "paint"}));
}

// A paint that fails inside a row gives the painter back every state it saved
// on the way in: Qt has nothing to say when the painter ends.
namespace {
std::vector<std::string> PainterWarnings;
void CapturePainterWarnings(QtMsgType, const QMessageLogContext&, const QString& Msg) {
    if (Msg.contains(QStringLiteral("QPainter"))) PainterWarnings.push_back(Msg.toStdString());
}
}  // namespace

TEST_F(HandlerErrors, AFailedPaintLeavesNoSavedPainterState) {
    E->Lines().SetText("ab\r\ncd");
    E->OnDrawLine = [&](TObject*, const std::string&, int, int, int, const TRect&, bool) { throw Exception("paint"); };
    PainterWarnings.clear();
    const QtMessageHandler before = qInstallMessageHandler(CapturePainterWarnings);
    E->viewport()->repaint();
    E->SelectAll();  // rows painted selected, too
    E->viewport()->repaint();
    qInstallMessageHandler(before);
    QApplication::processEvents();
    EXPECT_EQ(PainterWarnings, std::vector<std::string>{});
    EXPECT_EQ(Handled, std::vector<std::string>{"paint"});
}
