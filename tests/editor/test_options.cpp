#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "EditorOptions.h"

namespace {

struct Counter {
    int Count = 0;
    void Notify(TObject*) { ++Count; }
    TNotifyEvent Event() { return MakeEvent<&Counter::Notify>(this); }
};

}  // namespace

TEST(EditorOptions, SettersClamp) {
    // each setter on a fresh object, read back through its getter
    const std::map<std::string, std::function<int(int)>> setters = {
        {"TabSpaceCount", [](int v) { TEditorCaret c; c.SetTabSpaceCount(v); return c.TabSpaceCount(); }},
        {"GaugeRange", [](int v) { TEditorRuler r; r.SetGaugeRange(v); return r.GaugeRange(); }},
        {"Column", [](int v) { TEditorLeftbar l; l.SetColumn(v); return l.Column(); }},
        {"Leftbar.LeftMargin", [](int v) { TEditorLeftbar l; l.SetLeftMargin(v); return l.LeftMargin(); }},
        {"Leftbar.RightMargin", [](int v) { TEditorLeftbar l; l.SetRightMargin(v); return l.RightMargin(); }},
        {"Margin.Left", [](int v) { TEditorMargin m; m.SetLeft(v); return m.Left(); }},
        {"Margin.Top", [](int v) { TEditorMargin m; m.SetTop(v); return m.Top(); }},
        {"Margin.Character", [](int v) { TEditorMargin m; m.SetCharacter(v); return m.Character(); }},
        {"Margin.Line", [](int v) { TEditorMargin m; m.SetLine(v); return m.Line(); }},
        {"UnderlineSpace", [](int v) { TEditorMargin m; m.SetUnderlineSpace(v); return m.UnderlineSpace(); }},
        {"Imagebar.DigitWidth", [](int v) { TEditorImagebar b; b.SetDigitWidth(v); return b.DigitWidth(); }},
        {"Imagebar.MarkWidth", [](int v) { TEditorImagebar b; b.SetMarkWidth(v); return b.MarkWidth(); }},
        {"Speed.PageVerticalRange", [](int v) { TEditorSpeed s; s.PageVerticalRange = v; return int(s.PageVerticalRange); }},
        {"Speed.CaretVerticalAc", [](int v) { TEditorSpeed s; s.CaretVerticalAc = v; return int(s.CaretVerticalAc); }},
    };
    const struct Case {
        const char* setter;
        int value, expected;
    } cases[] = {
        {"TabSpaceCount", 5, 4},
        {"TabSpaceCount", 1, 2},
        {"TabSpaceCount", 9, 8},
        {"TabSpaceCount", 7, 6},
        {"TabSpaceCount", -40, 2},
        {"GaugeRange", 9, 8},
        {"GaugeRange", 12, 10},
        {"GaugeRange", 3, 8},
        {"Column", 0, 1},
        {"Column", 20, 8},
        {"Leftbar.LeftMargin", 101, 100},
        {"Leftbar.RightMargin", -1, 0},
        {"Margin.Left", -5, 0},
        {"Margin.Left", 500, 100},
        {"Margin.Top", 101, 100},
        {"Margin.Character", -1, 0},
        {"Margin.Line", 7, 7},
        {"UnderlineSpace", 5, 1},
        {"Imagebar.DigitWidth", 200, 100},
        {"Imagebar.MarkWidth", -3, 0},
        {"Speed.PageVerticalRange", 9, 4},
        {"Speed.CaretVerticalAc", 0, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(setters.at(c.setter)(c.value), c.expected) << c.setter << " := " << c.value;
}

TEST(EditorOptions, Defaults) {
    TEditorCaret caret;
    EXPECT_TRUE(caret.AutoCursor && caret.AutoIndent && caret.BackSpaceUnIndent && caret.FreeCaret &&
                caret.RowSelect && caret.SelMove);
    EXPECT_FALSE(caret.FreeRow || caret.InTab || caret.KeepCaret || caret.LockScroll || caret.NextLine ||
                 caret.PrevSpaceIndent || caret.SoftTab || caret.TabIndent || caret.TokenEndStop);
    EXPECT_EQ(caret.SelDragMode, dmAutomatic);
    EXPECT_EQ(caret.Style(), csDefault);
    EXPECT_EQ(caret.TabSpaceCount(), 8);
    EXPECT_EQ(caret.Cursors().DefaultCursor, crIBeam);
    EXPECT_EQ(caret.Cursors().DragSelCursor, crDrag);
    EXPECT_EQ(caret.Cursors().DragSelCopyCursor, 1959);
    EXPECT_EQ(caret.Cursors().LeftMarginCursor, 1958);
    EXPECT_EQ(caret.Cursors().InSelCursor, crDefault);
    EXPECT_EQ(caret.Cursors().TopMarginCursor, crDefault);

    TEditorMargin margin;
    EXPECT_EQ(margin.Character(), 0);
    EXPECT_EQ(margin.Left(), 19);
    EXPECT_EQ(margin.Line(), 0);
    EXPECT_EQ(margin.Top(), 2);
    EXPECT_EQ(margin.UnderlineSpace(), 0);

    TEditorMarks marks;
    for (TEditorMark* m : {&marks.EofMark(), &marks.RetMark(), &marks.WrapMark(), &marks.HideMark(), &marks.Underline()}) {
        EXPECT_EQ(m->Color(), 0x808080);
        EXPECT_FALSE(m->Visible());
    }

    TEditorRuler ruler;
    EXPECT_EQ(ruler.BkColor(), 0xC0C0C0);
    EXPECT_EQ(ruler.Color(), clBlack);
    EXPECT_TRUE(ruler.Edge());
    EXPECT_EQ(ruler.GaugeRange(), 10);
    EXPECT_EQ(ruler.MarkColor(), clBlack);
    EXPECT_FALSE(ruler.Visible());

    TEditorLeftbar bar;
    EXPECT_EQ(bar.BkColor(), clSilver);
    EXPECT_EQ(bar.Color(), clBlack);
    EXPECT_EQ(bar.Column(), 4);
    EXPECT_TRUE(bar.Edge());
    EXPECT_EQ(bar.LeftMargin(), 8);
    EXPECT_EQ(bar.RightMargin(), 4);
    EXPECT_TRUE(bar.ShowNumber());
    EXPECT_EQ(bar.ShowNumberMode(), nmRow);
    EXPECT_FALSE(bar.Visible() || bar.ZeroBase() || bar.ZeroLead());

    TEditorImagebar image;
    EXPECT_EQ(image.DigitWidth(), 8);
    EXPECT_EQ(image.LeftMargin(), 2);
    EXPECT_EQ(image.MarkWidth(), 0);
    EXPECT_EQ(image.RightMargin(), 2);
    EXPECT_TRUE(image.Visible());

    TEditorSpeed speed;
    EXPECT_EQ(speed.CaretVerticalAc, 2);
    EXPECT_EQ(speed.PageVerticalRange, 2);
    EXPECT_EQ(speed.PageVerticalRangeAc, 2);
    EXPECT_FALSE(speed.InitBracketsFull);

    auto view = MakeObject<TEditorViewInfo>();
    EXPECT_EQ(view->Commenter(), "");
    EXPECT_EQ(view->Quotation(), "");
    EXPECT_FALSE(view->ControlCode() || view->Mail() || view->Url());
    EXPECT_EQ(view->Colors().Select().BkColor(), clNavy);
    EXPECT_EQ(view->Colors().Ank().Color(), clNone);
}

TEST(EditorOptions, SettersReportOnlyRealChanges) {
    TEditorCaret caret;
    Counter n;
    caret.OnChange = n.Event();
    caret.SoftTab = true;  // plain field: no report
    caret.AutoIndent = false;
    EXPECT_EQ(n.Count, 0);
    caret.SetTabSpaceCount(8);  // unchanged
    EXPECT_EQ(n.Count, 0);
    caret.SetTabSpaceCount(5);
    EXPECT_EQ(n.Count, 1);
    caret.SetTabSpaceCount(4);  // 5 read back as 4 already
    EXPECT_EQ(n.Count, 1);
    caret.SetStyle(csBrief);
    caret.SetStyle(csBrief);
    EXPECT_EQ(n.Count, 2);
    caret.Cursors().DefaultCursor = crArrow;
    EXPECT_EQ(n.Count, 2);

    TEditorLeftbar bar;
    Counter b;
    bar.OnChange = b.Event();
    bar.SetColumn(20);
    bar.SetColumn(8);
    bar.SetVisible(true);
    bar.SetShowNumberMode(nmLine);
    bar.SetShowNumberMode(nmLine);
    EXPECT_EQ(b.Count, 3);

    TEditorMargin margin;
    Counter m;
    margin.OnChange = m.Event();
    margin.SetLeft(500);
    margin.SetLeft(100);
    margin.SetUnderlineSpace(1);
    EXPECT_EQ(m.Count, 1);
}

TEST(EditorOptions, MarksReportAsTheSet) {
    TEditorMarks marks;
    Counter n;
    marks.OnChange = n.Event();
    marks.Underline().SetVisible(true);
    EXPECT_EQ(n.Count, 1);
    marks.RetMark().SetColor(clRed);
    EXPECT_EQ(n.Count, 2);
    marks.RetMark().SetColor(clRed);
    EXPECT_EQ(n.Count, 2);

    TEditorMarks other;
    other.EofMark().SetVisible(true);
    other.WrapMark().SetColor(clBlue);
    other.HideMark().SetVisible(true);
    marks.Assign(other);
    EXPECT_EQ(n.Count, 3);
    EXPECT_TRUE(marks.EofMark().Visible());
    EXPECT_EQ(marks.WrapMark().Color(), clBlue);
    EXPECT_TRUE(marks.HideMark().Visible());
    EXPECT_FALSE(marks.Underline().Visible());
    EXPECT_EQ(marks.RetMark().Color(), clGray);
}

TEST(EditorOptions, AssignCopiesEverythingAndReportsOnce) {
    TEditorCaret a, b;
    a.SoftTab = true;
    a.FreeCaret = false;
    a.SelDragMode = dmManual;
    a.SetStyle(csBrief);
    a.SetTabSpaceCount(4);
    a.Cursors().InSelCursor = crHandPoint;
    Counter n;
    b.OnChange = n.Event();
    b.Assign(a);
    EXPECT_EQ(n.Count, 1);
    EXPECT_TRUE(b.SoftTab);
    EXPECT_FALSE(b.FreeCaret);
    EXPECT_EQ(b.SelDragMode, dmManual);
    EXPECT_EQ(b.Style(), csBrief);
    EXPECT_EQ(b.TabSpaceCount(), 4);
    EXPECT_EQ(b.Cursors().InSelCursor, crHandPoint);

    TEditorRuler r1, r2;
    r1.SetVisible(true);
    r1.SetGaugeRange(8);
    r1.SetMarkColor(clRed);
    Counter rn;
    r2.OnChange = rn.Event();
    r2.Assign(r1);
    EXPECT_EQ(rn.Count, 1);
    EXPECT_TRUE(r2.Visible());
    EXPECT_EQ(r2.GaugeRange(), 8);
    EXPECT_EQ(r2.MarkColor(), clRed);

    TEditorLeftbar l1, l2;
    l1.SetZeroLead(true);
    l1.SetColumn(6);
    l2.Assign(l1);
    EXPECT_TRUE(l2.ZeroLead());
    EXPECT_EQ(l2.Column(), 6);

    TEditorImagebar i1, i2;
    i1.SetVisible(false);
    i1.SetMarkWidth(11);
    i2.Assign(i1);
    EXPECT_FALSE(i2.Visible());
    EXPECT_EQ(i2.MarkWidth(), 11);

    TEditorSpeed s1, s2;
    s1.InitBracketsFull = true;
    s1.PageVerticalRangeAc = 3;
    s2.Assign(s1);
    EXPECT_TRUE(s2.InitBracketsFull);
    EXPECT_EQ(s2.PageVerticalRangeAc, 3);

    // from another class: the toolkit's assignment error
    EXPECT_THROW(r2.Assign(l1), EConvertError);
    EXPECT_THROW(s2.Assign(r1), EConvertError);
}

TEST(EditorOptions, ViewInfoForwardsToItsFountainAndReportsItsChanges) {
    auto view = MakeObject<TEditorViewInfo>();
    Counter n;
    view->OnChange = n.Event();
    view->SetQuotation("'\"`");
    EXPECT_EQ(view->Quotation(), "'");
    EXPECT_EQ(view->Fountain().Quotation, "'");
    EXPECT_EQ(n.Count, 1);
    view->SetQuotation("'");  // unchanged
    EXPECT_EQ(n.Count, 1);
    view->SetQuotation("「」");
    EXPECT_EQ(view->Quotation(), "「");
    view->SetQuotation("");
    EXPECT_EQ(view->Quotation(), "");
    EXPECT_EQ(n.Count, 3);
    view->SetCommenter("--");
    view->SetControlCode(true);
    view->SetHexPrefix("0x");
    view->SetMail(true);
    view->SetUrl(true);
    EXPECT_EQ(n.Count, 8);
    EXPECT_EQ(view->Fountain().Commenter, "--");
    EXPECT_TRUE(view->Fountain().ControlCode && view->Fountain().Mail && view->Fountain().Url);
    EXPECT_EQ(view->Fountain().HexPrefix, "0x");

    // changes inside the fountain report as changes of the view info
    view->Colors().Comment().SetColor(clGreen);
    EXPECT_EQ(n.Count, 9);
    view->Brackets().Add();
    EXPECT_EQ(n.Count, 10);
    view->Fountain().SetAllBkColor(clWhite);
    EXPECT_EQ(n.Count, 11);

    auto other = MakeObject<TEditorViewInfo>();
    auto* b = other->Brackets().Add();
    b->SetLeftBracket("(*");
    b->SetRightBracket("*)");
    other->Brackets().Add();
    other->Colors().Str().SetColor(clFuchsia);
    other->SetCommenter("//");
    view->SetBrackets(other->Brackets());
    EXPECT_EQ(n.Count, 12);
    view->SetColors(other->Colors());
    EXPECT_EQ(n.Count, 13);
    EXPECT_EQ(view->Brackets().Count(), 2);
    EXPECT_EQ(view->Colors().Str().Color(), clFuchsia);

    view->Assign(*other);
    EXPECT_EQ(n.Count, 14);
    EXPECT_EQ(view->Commenter(), "//");
    EXPECT_FALSE(view->Mail());
    EXPECT_EQ(view->Quotation(), "");
    EXPECT_EQ(view->Brackets().Items(0)->LeftBracket(), "(*");

    // the fountain tokenises with the view's values
    view->SetCommenter("--");
    auto p = view->Fountain().CreateParser();
    p->NewData("a -- b", {});
    EXPECT_EQ(p->NextToken(), toAnk);
    EXPECT_EQ(p->NextToken(), toComment);
}

TEST(EditorOptions, ViewInfoMakesItsFountainThroughItsFactory) {
    auto view = MakeObject<TEditorViewInfo>();
    TEditorFountain& f = view->Fountain();
    EXPECT_EQ(f.NotifyEventList().MethodList().Count(), 1);
    // a descendant's factory is used for the fountain
    struct TMyViewInfo : TEditorViewInfo {
        int Made = 0;
        std::unique_ptr<TEditorFountain> CreateFountain() override {
            ++Made;
            auto fountain = TEditorViewInfo::CreateFountain();
            fountain->Commenter = "#";
            return fountain;
        }
    };
    auto mine = MakeObject<TMyViewInfo>();
    EXPECT_EQ(mine->Made, 1);
    EXPECT_EQ(mine->Commenter(), "#");
}
