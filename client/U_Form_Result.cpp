#include "U_Form_Result.h"

#include <chrono>

#include <QActionGroup>
#include <QPainter>
#include <QPaintEvent>
#include <QPointer>
#include <QVBoxLayout>

#include <QCoreApplication>

#include "AppException.h"
#include "KeyTypes.h"
#include "Reentrancy.h"
#include "ScopeExit.h"
#include "SysUtils.h"
#include "U_Form_Script.h"
#include "KZNPopupMenu.h"
#include "U_ClientMessages.h"
#include "U_DescTreeManager.h"
#include "U_Frame_SQLClient.h"
#include "U_ResultTextOutput.h"

namespace {

// Milliseconds between the showings of a long output.
constexpr int kShowIntervalMs = 100;

// The console: it is built with the page's context menu, not with the
// standard one only to have it replaced.
class TResultConsoleEditor : public TKZNEditor {
public:
    TResultConsoleEditor(QWidget* Parent, TFrameSQLClient* AFrame) : TKZNEditor(Parent), FFrame(AFrame) {}

protected:
    TEditorPopupMenu* CreateEditorPopupMenu() override {
        return MakeObject<TEditorPopupMenu_ResutEditor>(this, FFrame).release();  // a child of the editor
    }

private:
    TFrameSQLClient* FFrame;
};

// Line numbers (two digit columns, no right margin) and the end and line-break
// marks; each group of options is reported to the editor once.
void ShowNumbersAndMarks(TKZNEditor& E) {
    TEditorLeftbar& bar = E.Leftbar();
    bar.BeginUpdate();
    bar.SetVisible(true);
    bar.SetShowNumber(true);
    bar.SetColumn(2);
    bar.SetRightMargin(0);
    bar.EndUpdate();
    TEditorMarks& marks = E.Marks();
    marks.BeginUpdate();
    marks.EofMark().SetVisible(true);
    marks.RetMark().SetVisible(true);
    marks.EndUpdate();
}

QAction* NewAction(QWidget* owner, const char16_t* caption) {
    auto* a = new QAction(QString::fromUtf16(caption), owner);
    owner->addAction(a);
    return a;
}

}  // namespace

TForm_Result::TForm_Result(QObject* AOwner, TPageFormManager* Manager) : TPageForm(AOwner, Manager) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);  // tool bar, tool panel and editors close up, as on a script page
    ToolBar1 = new TKZNFlowToolBar(this);
    // its buttons are made when the page is first seen: a page run past in a
    // script of many sheets never is
    ToolBar1->SetBuildOnSight(true);
    layout->addWidget(ToolBar1);

    Action_Mode_Text = NewAction(this, u"テキストモード");
    Action_Mode_TextGrid = NewAction(this, u"テキストグリッドモード");
    Action_Mode_Grid = NewAction(this, u"グリッドモード");
    Action_Mode_Tab = NewAction(this, u"Ｔａｂモード");
    Action_Mode_SDF = NewAction(this, u"ＳＤＦモード");
    Action_Mode_SDF->setToolTip(QString::fromUtf16(u"ＳＤＦモード（ＣＳＶモード）"));
    Action_SaveToFile = NewAction(this, u"ファイルに保存");
    Action_SaveToExcel = NewAction(this, u"Excel形式で保存");
    const std::pair<QAction*, TResultOutputMode> modes[] = {{Action_Mode_Text, rom_Text},
                                                            {Action_Mode_TextGrid, rom_TextGrid},
                                                            {Action_Mode_Grid, rom_Grid},
                                                            {Action_Mode_Tab, rom_Tab},
                                                            {Action_Mode_SDF, rom_SDF}};
    for (auto [action, mode] : modes) {
        action->setCheckable(true);
        ToolBar1->addAction(action);
        QObject::connect(action, &QAction::triggered, this, [this, m = mode] { SetOutputMode(m); });
    }
    ToolBar1->addAction(Action_SaveToFile);
    ToolBar1->addAction(Action_SaveToExcel);
    // Written with "#" whatever the command prefix is.
    QObject::connect(Action_SaveToFile, &QAction::triggered, this, [this] {
        app::Guard([this] {
            if (TFrameSQLClient* f = Frame()) f->ExecuteScriptText("#SaveToFile;");
        });
    });
    QObject::connect(Action_SaveToExcel, &QAction::triggered, this, [this] {
        app::Guard([this] {
            if (TFrameSQLClient* f = Frame()) f->ExecuteScriptText("#SaveToFileXLS;");
        });
    });
    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setChildrenCollapsible(false);
    Panel_EditorBase = new QWidget(Splitter1);
    auto* editorLayout = new QVBoxLayout(Panel_EditorBase);
    editorLayout->setContentsMargins(0, 0, 0, 0);
    editorLayout->setSpacing(0);
    EDITOR_Title = MakeEditor<TResultTitleView>(Panel_EditorBase);
    Editor = MakeEditor<TResultConsoleEditor>(Panel_EditorBase, Frame());
    editorLayout->addWidget(EDITOR_Title);
    editorLayout->addWidget(Editor, 1);
    Splitter1->addWidget(Panel_EditorBase);
    Panel_PageBase = new TResultGridPages(Splitter1);
    Splitter1->addWidget(Panel_PageBase);
    layout->addWidget(Splitter1, 1);
    Panel_PageBase->OnArrange = [this] { ArrangePageArea(); };
    Panel_PageBase->OnUnfold = [this](int) {
        FGridsOpen = true;
        Panel_PageBase->SetFolded(false);
        FitPageArea(true);
    };
    ArrangePageArea();
    FEditorConsole = std::make_unique<TEditorResultConsole>(*Editor);
    // A cleared console starts its outputs anew.
    FEditorConsole->OnClear = [this] {
        StartLines.clear();
        FOutputs.clear();
        FWriting = -1;
        SyncTitleRow();
    };
    FEditorConsole->HoldWidget = Panel_EditorBase;
    FConsole = FEditorConsole.get();
    InitEditor();
    Editor->Lines().Clear();
    InitToolBars();

    // The title: the console's text, read-only, with line numbers, marks and
    // a ruler. Its font first: a font change redraws whatever margins show.
    EDITOR_Title->setFont(Editor->font());
    EDITOR_Title->ShareScreenStrings(Editor);
    EDITOR_Title->SetReadOnly(true);
    EDITOR_Title->SetScrollBars(ssNone);
    ShowNumbersAndMarks(*EDITOR_Title);
    EDITOR_Title->Ruler().SetVisible(true);
    // Frameless like the console, so that the two views' columns line up.
    EDITOR_Title->setFrameShape(QFrame::NoFrame);
    EDITOR_Title->setFocusPolicy(Qt::ClickFocus);
    EDITOR_Title->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState Shift) { EditorKeyDown(EDITOR_Title, Key, Shift); };
    EDITOR_Title->OnDblClick = [this](TObject*) { EditorDblClick(EDITOR_Title); };
    Editor->OnTopRowChange = [this](TObject*) { SyncTitleRow(); };
    Editor->OnTopColChange = [this](TObject*) { SyncTitleCol(); };
    Editor->OnHScroll = [this](TObject*) { SyncTitleCol(); };
    Editor->OnCaretMoved = [this](TObject*) { SyncTitleCol(); };
    Editor->OnFonFontChange = [this](TObject*) { SizeTitleEditor(); };
    Editor->OnEnter = [this](TObject*) {
        if (TPageFormManager* m = this->Manager()) m->SetCurrent(this);
    };
    SizeTitleEditor();
    SetOutputMode(rom_Text);

    // An object tree node dropped on either editor offers the node's scripts.
    for (TKZNEditor* e : {static_cast<TKZNEditor*>(EDITOR_Title), Editor}) {
        e->AddObjectDropFormat(QString::fromLatin1(TDescDragObj::Format));
        e->OnObjectDragOver = [](TObject*, const QMimeData* Data, QPoint, bool& Accept) {
            Accept = TDescDragObj::From(Data) != nullptr;
        };
        e->OnObjectDrop = [this, e](TObject*, const QMimeData* Data, QPoint Point) {
            const QPoint at = e->viewport()->mapToGlobal(Point);
            app::Guard([&] { ObjectTreeNodeDropped(Data, at); });
        };
    }
}

void TForm_Result::ObjectTreeNodeDropped(const QMimeData* Data, QPoint GlobalPos) {
    const TDescDragObj* drag = TDescDragObj::From(Data);
    if (!drag) throw EForm_Result("内部エラー：未対応のオブジェクトをドロップしようとしました");
    if (!PopupMenu_ScriptDrop) PopupMenu_ScriptDrop = new QMenu(this);  // built for the first drop
    PopupMenu_ScriptDrop->setProperty("Tag", -1);
    // The node may have gone during the drag (a refresh rebuilds the nodes).
    TTreeNodeEx* node = drag->Node();
    TDescTreeManager* manager = drag->Manager();
    if (!node || !manager) return;
    manager->FillScriptMenu(node, PopupMenu_ScriptDrop);
    popupmenu::Exec(*PopupMenu_ScriptDrop, GlobalPos);
}

void TForm_Result::showEvent(QShowEvent* E) {
    TPageForm::showEvent(E);
    app::Guard([this] {
        SizeTitleEditor();
        FitPageArea(FEvenSplitDue);
    });
}

void TForm_Result::resizeEvent(QResizeEvent* E) {
    TPageForm::resizeEvent(E);
    // the layout has sized the splitter by now
    app::Guard([this] { FitPageArea(FEvenSplitDue); });
}

void TForm_Result::Closing() {
    if (TFrameSQLClient* f = Frame()) f->ResultPageClosing(this);
}

void TForm_Result::SizeTitleEditor() {
    if (EDITOR_Title->font() != Editor->font()) EDITOR_Title->setFont(Editor->font());
    // Exactly two rows below the ruler: a taller view would show the top of a
    // third row, which the title never means to show.
    const int h = 2 * EDITOR_Title->GetRowHeight() + EDITOR_Title->GetTextTop();
    EDITOR_Title->setFixedHeight(h + 2 * EDITOR_Title->frameWidth());
    SyncTitleRow();
    SyncTitleCol();
}

void TForm_Result::SyncTitleRow() {
    // Once the header line of the output at the console's top has scrolled
    // off, the title shows it in its last row, just above the console's rows.
    const int head = TitleHeadRow(Editor->TopRow());
    if (head >= 0) EDITOR_Title->SetTopRow(std::max(0, head - (EDITOR_Title->VisibleRows() - 1)));
    EDITOR_Title->SetShownRow(head);
}

int TForm_Result::TitleHeadRow(int Top) const {
    // the newest output that starts above Top (its first line, 1-based, at most Top)
    int k = static_cast<int>(StartLines.size()) - 1;
    while (k >= 0 && StartLines[static_cast<size_t>(k)] > Top) --k;
    if (k < 0) return -1;
    const int row = StartLines[static_cast<size_t>(k)] - 1;
    if (k == FWriting) return FWritingHead ? row : -1;
    if (static_cast<size_t>(k) >= FOutputs.size()) return -1;
    const TOutputRecord& o = FOutputs[static_cast<size_t>(k)];
    // Top lies below the output (on the lines written after it), or the
    // console's text was edited so that the header is no longer there
    if (!o.HasHead || Top >= o.End || row >= Editor->RowCount() || Editor->RowText(row) != o.Head) return -1;
    return row;
}

void TForm_Result::OutputWritten(size_t Index, bool HasHead) {
    FWriting = -1;
    if (StartLines.size() > Index) {
        FOutputs.resize(Index);
        TOutputRecord o;
        const int row = StartLines[Index] - 1;
        o.HasHead = HasHead && row >= 0 && row < Editor->RowCount();
        if (o.HasHead) o.Head = std::string(Editor->RowText(row));
        o.End = Editor->Lines().Count();
        FOutputs.push_back(std::move(o));
    }
    SyncTitleRow();
}

// ---- the title view

void TResultTitleView::SetShownRow(int Row) {
    if (Row == FShownRow && TopRow() == FPaintedTop) return;
    FShownRow = Row;
    FPaintedTop = TopRow();
    // all of it: a scroll of the view moved rows drawn empty or shown
    viewport()->update();
}

void TResultTitleView::paintEvent(QPaintEvent* E) {
    TKZNEditor::paintEvent(E);
    // every row but the shown one is drawn empty: its number cell (the
    // left bar's edge stays) and its text
    const int tt = GetTextTop(), rh = std::max(1, GetRowHeight());
    const int W = viewport()->width(), H = viewport()->height();
    const int cell = FImagebarWidth, cellW = std::max(0, FLeftbarWidth - 2);
    const int textLeft = FImagebarWidth + FLeftbarWidth;
    const QColor text = EditorColor(Color(), clWhite);
    const QColor bar = EditorColor(Leftbar().BkColor(), clSilver);
    QPainter p(viewport());
    p.setClipRegion(E->region());
    for (int y = tt, r = TopRow(); y < H; y += rh, ++r) {
        if (r == FShownRow) continue;
        if (Leftbar().Visible()) p.fillRect(QRect(cell, y, cellW, rh), bar);
        p.fillRect(QRect(textLeft, y, W - textLeft, rh), text);
    }
}

void TForm_Result::SyncTitleCol() {
    if (EDITOR_Title->TopCol() != Editor->TopCol()) EDITOR_Title->SetTopCol(Editor->TopCol());
}

// ---- the console's context menu

TEditorPopupMenu_ResutEditor::TEditorPopupMenu_ResutEditor(TKZNEditor* AEditor, TFrameSQLClient* AFrame)
    : TEditorPopupMenu(AEditor), Frame(AFrame) {}

void TEditorPopupMenu_ResutEditor::CreateMenuItem() {
    ExecuteSelectionItem = AddItem(this, QString::fromUtf16(u"選択部分を実行"), "Ctrl+\\",
                                   static_cast<void (TEditorPopupMenu::*)(QAction*)>(
                                       &TEditorPopupMenu_ResutEditor::ExecuteSelectionClick),
                                   false);
    SeparatorItem = addSeparator();
    TEditorPopupMenu::CreateMenuItem();
}

void TEditorPopupMenu_ResutEditor::SetMenu() {
    TEditorPopupMenu::SetMenu();
    if (!Editor) return;
    ExecuteSelectionItem->setEnabled(Editor->GetSelLength() > 0 && !Editor->ReadOnly());
}

void TEditorPopupMenu_ResutEditor::ExecuteSelectionClick(QAction*) {
    TEditor* editor = Editor;
    if (!editor || !Frame) return;
    const std::string text = editor->GetSelText();
    if (text.empty()) return;
    QPointer<TEditor> watch = editor;
    app::Guard([&] { Frame->ExecuteScript(TStringList(text)); });
    if (watch) watch->setFocus();
}

TForm_Result::~TForm_Result() { FConsole = nullptr; }

void TForm_Result::InitEditor() {
    Editor->AcceptShellDorpFile = true;
    TEditorUtil::SetStandardOptions(*Editor);
    Editor->Caret().FreeCaret = false;
    int size = 11;
    if (TFrameSQLClient* f = Frame()) size = f->EnvData->ResultEditorFontSize;
    QFont f = EditorDefaultFont();
    f.setPointSize(std::max(1, size));
    Editor->setFont(f);
    Editor->SetScrollBars(ssBoth);
    ShowNumbersAndMarks(*Editor);
    Editor->Ruler().SetVisible(false);
    Editor->setFrameShape(QFrame::NoFrame);
    Editor->OnKeyDown = [this](TObject*, uint16_t& Key, TShiftState Shift) { EditorKeyDown(Editor, Key, Shift); };
    Editor->OnDblClick = [this](TObject*) { EditorDblClick(Editor); };
}

void TForm_Result::EditorDblClick(TKZNEditor* Source) {
    const QPoint p = Source->GetCaretPoint();
    Source->SelectTokenFromPos(TPoint{p.x() + 1, p.y() + 1});
}

// Enter on the last non-blank line of the console runs it when it is a command or import line.
void TForm_Result::EditorKeyDown(TKZNEditor* Source, uint16_t& Key, TShiftState Shift) {
    if (Key != VK_RETURN || Shift != 0) return;
    TFrameSQLClient* frame = Frame();
    if (!frame) return;
    std::string line;
    const TStringList lines(Source->Lines().GetText());
    if (!CommandLineAtCaret(lines, Source->LineOfRow(Source->Row()), frame->CommandPrefix,
                            frame->ImportScriptFileNamePrefix, line))
        return;
    Key = 0;
    QPointer<TForm_Result> self = this;
    app::Guard([&] { frame->ExecuteScript(TStringList(line)); });
    if (self) self->Editor->setFocus();
}

TFrameSQLClient* TForm_Result::Frame() const { return dynamic_cast<TFrameSQLClient*>(Owner()); }

void TForm_Result::FocusEditor() { Editor->setFocus(); }

void TForm_Result::SetOutputMode(TResultOutputMode Mode) {
    const bool changed = Mode != FOutputMode;
    FOutputMode = Mode;
    Action_Mode_Text->setChecked(Mode == rom_Text);
    Action_Mode_TextGrid->setChecked(Mode == rom_TextGrid);
    Action_Mode_Grid->setChecked(Mode == rom_Grid);
    Action_Mode_Tab->setChecked(Mode == rom_Tab);
    Action_Mode_SDF->setChecked(Mode == rom_SDF);
    if (changed) {
        FGridsOpen = false;
        FitPageArea(false);
    }
}

int TForm_Result::FindStartLine(int Row) const {
    if (StartLines.empty() || Row < StartLines.front()) return 0;
    for (auto it = StartLines.rbegin(); it != StartLines.rend(); ++it)
        if (*it <= Row) return *it;
    return 0;
}

bool TForm_Result::CommandLineAtCaret(const TStringList& Lines, int Row, char CommandPrefix, char ImportPrefix,
                                      std::string& Line) {
    if (Row < 0 || Row >= Lines.Count()) return false;
    const std::string t = sys::Trim(Lines[Row]);
    if (t.empty() || (t[0] != CommandPrefix && t[0] != ImportPrefix)) return false;
    for (int i = Row + 1; i < Lines.Count(); ++i)
        if (!sys::Trim(Lines[i]).empty()) return false;
    Line = t;
    return true;
}

void TForm_Result::SetBundleOptions(const std::string& StartText, const std::string& EndText, bool Adjust) {
    BundleStart = StartText;
    BundleEnd = EndText;
    BundleAdjust = Adjust;
    if (TFrameSQLClient* f = Frame())
        mc::SendFromPage<mc::WM_MC_BUNDLECHANGE>(f->MessageWindowHandle, this);
}

void TForm_Result::ShowDataSet(std::unique_ptr<TDataSet> DataSet, bool CutSheet, TForm_Script* RunPage) {
    if (!DataSet || !DataSet->Active()) return;
    TResultConsole* console = Console();
    TFrameSQLClient* frame = Frame();
    if (!console || !frame) return;
    if (FOutputMode == rom_Grid) {
        ShowGrid(std::move(DataSet));
        return;
    }
    QPointer<TForm_Result> self = this;
    QPointer<TForm_Script> run = RunPage ? RunPage : frame->ActiveScriptPage();
    TResultTextOutput::TContext ctx;
    ctx.Console = console;
    ctx.EnvData = frame->EnvData.get();
    ctx.StepDisplayCount = frame->StepDisplayCount;
    ctx.Pause = [run, self](const std::string& reason) {
        if (run && self) run->Pause(reason, self);
    };
    // The display ends on a stop, when its run has to end or when this page is deleted.
    ctx.StopRequested = [run, self] {
        return !self || self->IsClosing() || (run && (run->Stop() || run->RunMustEnd())) || reentry::Terminating();
    };
    ctx.ProcessMessages = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    ctx.StartLines = &StartLines;
    // A long output is shown (and the window answers) a few dozen times a
    // second, not at every block: painting the window costs more than the block.
    auto lastShown = std::chrono::steady_clock::now();
    ctx.ShowDue = [lastShown]() mutable {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastShown < std::chrono::milliseconds(kShowIntervalMs)) return false;
        lastShown = now;
        return true;
    };
    // the title shows this output's header line as soon as it has scrolled
    // off; the output's end is known once it is written
    const size_t index = StartLines.size();
    const bool head = !(FOutputMode == rom_Text && CutSheet);  // the record sheet has none
    FWriting = static_cast<int>(index);
    FWritingHead = head;
    auto written = ScopeExit([self, index, head] {
        if (self) self->OutputWritten(index, head);
    });
    TResultTextOutput::Show(std::move(DataSet), FOutputMode, CutSheet, ctx);
}

void TForm_Result::InitToolBars() {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    Panel_ToolBase = new TKZNEditorToolPanel(this);
    Panel_ToolBase->SetEditor(Editor);
    layout->insertWidget(layout->indexOf(Splitter1), Panel_ToolBase);

    Action_Search = NewAction(this, u"検索バーを表示");
    Action_Linebundle = NewAction(this, u"各行を指定文字で括る");
    Action_EditorEscapeReplace = NewAction(this, u"文字をエスケープ");
    for (QAction* a : {Action_Search, Action_Linebundle, Action_EditorEscapeReplace}) {
        a->setCheckable(true);
        ToolBar1->insertAction(Action_Mode_Text, a);
    }
    ToolBar1->insertSeparator(Action_Mode_Text);
    TKZNEditorToolPanel* panel = Panel_ToolBase;
    QObject::connect(Action_Search, &QAction::triggered, this, [this, panel] {
        TFrame_KZNEditorSearch* bar = Frame_KZNEditorSearch1();
        panel->Toggle(bar, Action_Search, bar->ComboBox_Search);
    });
    QObject::connect(Action_Linebundle, &QAction::triggered, this, [this, panel] {
        TFrame_KZNEditorLineBundle* bar = Frame_KZNEditorLineBundle1();
        if (bar->isHidden()) bar->SetValues(BundleStart, BundleEnd, BundleAdjust);
        panel->Toggle(bar, Action_Linebundle, bar->Edit_Bundle_Left);
    });
    QObject::connect(Action_EditorEscapeReplace, &QAction::triggered, this, [this, panel] {
        TFrame_KZNEditorEscapeReplace* bar = Frame_KZNEditorEscapeReplace1();
        if (bar->isHidden())
            if (TFrameSQLClient* f = Frame()) bar->SetValues(f->EscapeReplaceOptions());
        panel->Toggle(bar, Action_EditorEscapeReplace, bar->CheckBox_SQ);
    });
    // after the bars' own buttons have done their work
    panel->OnLineBundleBuilt = [this](TFrame_KZNEditorLineBundle& Bar) {
        Bar.OnUsed = [this](const std::string& Left, const std::string& Right, bool Adjust) {
            SetBundleOptions(Left, Right, Adjust);
        };
    };
    panel->OnEscapeReplaceBuilt = [this](TFrame_KZNEditorEscapeReplace& Bar) {
        Bar.OnUsed = [this](const TEscapeReplaceOptions& Options) {
            if (TFrameSQLClient* f = Frame()) f->SetEscapeReplaceOptions(Options);
        };
    };
}

void TForm_Result::ShowGrid(std::unique_ptr<TDataSet> DataSet) {
    TResultConsole* console = Console();
    TFrameSQLClient* frame = Frame();
    const size_t index = StartLines.size();
    StartLines.push_back(console->LineCount() + 1);
    auto written = ScopeExit([this, index] { OutputWritten(index, false); });
    if (DataSet->IsUniDirectional()) {
        console->AddLine("■単方向データセットはグリッド出力できません。");
        return;
    }
    const std::string caption = frame->GridCaptionPrefix + std::to_string(GridCounter + 1);
    console->AddLine("■GRID OUT■ " + caption);
    ++GridCounter;
    try {
        Panel_PageBase->AddGrid(std::move(DataSet), caption);
    } catch (const std::exception& e) {
        // no tab; the page says why instead of leaving a grid line without its grid
        const Exception* x = dynamic_cast<const Exception*>(&e);
        console->AddLine("■" + (x ? x->Message : std::string(e.what())));
    }
}

// No grid page: the console fills the page. A grid page opened: console and
// grids share the page half and half.
void TForm_Result::ArrangePageArea() {
    const int count = Panel_PageBase->Count();
    const bool added = count > FGridCount;
    FGridCount = count;
    if (count == 0) {
        Panel_PageBase->SetFolded(false);
        Panel_PageBase->hide();
        EDITOR_Title->show();
        FGridsOpen = false;
        FEvenSplitDue = false;
        return;
    }
    Panel_PageBase->show();
    if (added) FGridsOpen = true;
    FitPageArea(added || FEvenSplitDue);
}

int TForm_Result::ConsoleHeightFor(int Rows) const {
    // what the console's frame and scroll bar take besides its rows
    const int besides = Editor->height() - Editor->viewport()->height();
    return EDITOR_Title->height() + besides + Editor->GetTextTop() + Rows * Editor->GetRowHeight();
}

// The grid pages get at least the height they need, the console the rest;
// opened, they share the page evenly. After a change to a text mode the
// console keeps room for MinTextRows rows, and the grid pages fold to their
// tabs where their full height does not fit beside it. Where even the
// console's least height does not fit beside the open grid pages, its title
// (the header of a scrolled-off output) gives way.
void TForm_Result::FitPageArea(bool Even) {
    if (Panel_PageBase->Count() == 0 || Panel_PageBase->isHidden()) return;
    if (!Splitter1->isVisible()) {
        FEvenSplitDue = FEvenSplitDue || Even;  // sized once it is shown
        return;
    }
    FEvenSplitDue = false;
    const int h = Splitter1->height() - Splitter1->handleWidth();
    if (h <= 0) return;
    const bool text = FOutputMode != rom_Grid && !FGridsOpen;
    const int gridNeed = Panel_PageBase->OpenHeight();
    const QList<int> now = Splitter1->sizes();
    const bool fold = text && h - ConsoleHeightFor(MinTextRows) < gridNeed;
    bool title = true;
    int grid;
    if (fold) {
        grid = Panel_PageBase->FoldedHeight();
    } else if (text) {
        const int console = std::max(Even || now.size() < 2 ? h / 2 : now[0], ConsoleHeightFor(MinTextRows));
        grid = std::max(gridNeed, h - console);
    } else {
        grid = std::max(gridNeed, Even || now.size() < 2 ? h - h / 2 : now[1]);
        title = h - grid >= EDITOR_Title->height() + Editor->minimumSizeHint().height();
    }
    Panel_PageBase->SetFolded(fold);
    if (EDITOR_Title->isVisibleTo(this) != title) EDITOR_Title->setVisible(title);
    Splitter1->setSizes({std::max(1, h - grid), grid});
}
