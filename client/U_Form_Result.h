// A result page: one tab of the client window's result area, the console of
// every run. It keeps its output mode, the first line of every dataset
// output and its grid counter, and writes datasets in its output mode. Its
// console editor has a title view above it that shows the header of the
// output scrolled off its top, and a context menu that runs the selection.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QSplitter>
#include <QToolBar>

#include "KZNFlowToolBar.h"

#include "DataSet.h"
#include "I_ScriptHost.h"
#include "U_PageFormManager.h"
#include "KZNEditor.h"
#include "KZNEditorToolPanel.h"
#include "U_EditorResultConsole.h"
#include "U_ResultConsole.h"
#include "U_ResultGridPages.h"

Z_DECLARE_EXCEPTION(EForm_Result, Exception);

class TFrameSQLClient;
class TForm_Script;

// The title above the console: a second view of the console's text that
// shows one row of it, the header line of an output scrolled off the
// console's top; its other rows are drawn empty (the ruler stays).
class TResultTitleView : public TKZNEditor {
public:
    explicit TResultTitleView(QWidget* Parent) : TKZNEditor(Parent) {}
    // The row shown; -1: none, the view is empty below its ruler.
    int ShownRow() const { return FShownRow; }
    void SetShownRow(int Row);

protected:
    void paintEvent(QPaintEvent* E) override;
    int CalcImagebarWidth() override { return FImagebarWidth = TKZNEditor::CalcImagebarWidth(); }
    int CalcLeftbarWidth() override { return FLeftbarWidth = TKZNEditor::CalcLeftbarWidth(); }

private:
    int FShownRow = -1;
    int FPaintedTop = -1;  // the top row when the shown row was last set
    int FImagebarWidth = 0, FLeftbarWidth = 0;
};

// The console's context menu: "選択部分を実行" (Ctrl+\), then the standard items.
class TEditorPopupMenu_ResutEditor : public TEditorPopupMenu {
public:
    TEditorPopupMenu_ResutEditor(TKZNEditor* AEditor, TFrameSQLClient* AFrame);
    void SetMenu() override;
    void CreateMenuItem() override;
    // Runs the selected text as a script in the client window.
    virtual void ExecuteSelectionClick(QAction* Item);

    TFrameSQLClient* Frame;
    QAction* ExecuteSelectionItem = nullptr;
    QAction* SeparatorItem = nullptr;
};

class TForm_Result : public TPageForm {
public:
    TForm_Result(QObject* AOwner, TPageFormManager* Manager);
    ~TForm_Result() override;

    void EnableControls(bool) override {}
    void FocusEditor() override;

    void SetOutputMode(TResultOutputMode Mode);
    TResultOutputMode OutputMode() const { return FOutputMode; }
    // The console editor's options, font and handlers; again when the settings change.
    void InitEditor();
    // Writes an open dataset in the output mode and frees it. RunPage is the
    // script page whose run shows it: its step pauses and its stop (the active
    // page's when null). The display ends when the run has to end or this page is deleted.
    void ShowDataSet(std::unique_ptr<TDataSet> DataSet, bool CutSheet, TForm_Script* RunPage = nullptr);
    // The start line of the output shown at Row (see StartLines); 0 when none.
    int FindStartLine(int Row) const;
    // The row of the header line the title shows with the console's top row
    // at Top: that of the output Top belongs to, when it lies above Top; -1
    // for none (no output there, an output without a header, or a header
    // line changed since it was written).
    int TitleHeadRow(int Top) const;
    void SetBundleOptions(const std::string& StartText, const std::string& EndText, bool Adjust);

    // The console of the page (its editor's lines); null while it has none.
    TResultConsole* Console() const { return FConsole; }
    void SetConsole(TResultConsole* Value) { FConsole = Value; }
    // Enter on the console: true when the caret row's text, trimmed, is a
    // command or import line with nothing but blank rows below it; Line
    // receives that text.
    static bool CommandLineAtCaret(const TStringList& Lines, int Row, char CommandPrefix, char ImportPrefix,
                                   std::string& Line);
    TFrameSQLClient* Frame() const;

    // For each dataset output, the 1-based line number of its first line, in the order written.
    std::vector<int> StartLines;
    int32_t GridCounter = 0;
    std::string BundleStart, BundleEnd;
    bool BundleAdjust = false;

    // The title view's height (two rows) and position, from the console's font and view.
    void SizeTitleEditor();
    void SyncTitleRow();
    void SyncTitleCol();

    QWidget* Panel_EditorBase;
    TResultTitleView* EDITOR_Title;  // a read-only second view of the console's text
    TKZNEditor* Editor;        // the console
    // The scripts of an object tree node dropped on the page; choosing one runs it (built at the first drop).
    QMenu* PopupMenu_ScriptDrop = nullptr;
    void ObjectTreeNodeDropped(const QMimeData* Data, QPoint GlobalPos);
    // The grid pages below the console, hidden while there is none. In a text
    // mode the console keeps room for MinTextRows rows: where the grid pages'
    // full height does not fit beside that, they fold to their tabs.
    static constexpr int MinTextRows = 10;
    QSplitter* Splitter1;
    TResultGridPages* Panel_PageBase;
    TKZNFlowToolBar* ToolBar1;
    QAction* Action_Mode_Text;
    QAction* Action_Mode_TextGrid;
    QAction* Action_Mode_Grid;
    QAction* Action_Mode_Tab;
    QAction* Action_Mode_SDF;
    QAction* Action_SaveToFile;
    QAction* Action_SaveToExcel;
    // The tool area above the editors and the actions that show its bars;
    // each bar is built on first use.
    TKZNEditorToolPanel* Panel_ToolBase;
    TFrame_KZNEditorSearch* Frame_KZNEditorSearch1() { return Panel_ToolBase->Search(); }
    TFrame_KZNEditorLineBundle* Frame_KZNEditorLineBundle1() { return Panel_ToolBase->LineBundle(); }
    TFrame_KZNEditorEscapeReplace* Frame_KZNEditorEscapeReplace1() { return Panel_ToolBase->EscapeReplace(); }
    QAction* Action_Search;
    QAction* Action_Linebundle;
    QAction* Action_EditorEscapeReplace;

private:
    void InitToolBars();
    void ShowGrid(std::unique_ptr<TDataSet> DataSet);
    // Grid pages added or deleted: the page area again (see FitPageArea).
    void ArrangePageArea();
    // Sizes the console and the grid pages to the page's height. Even: the
    // two share it half and half, as when a grid page opens.
    void FitPageArea(bool Even);
    // The console's height (its title included) that shows Rows rows.
    int ConsoleHeightFor(int Rows) const;
    int FGridCount = 0;           // grid pages at the last arrangement
    bool FEvenSplitDue = false;   // a grid page opened while the page had no height yet
    // the grid pages were opened (a grid added, or a click on the folded tabs)
    // since the last change of mode: they stay open in a text mode too
    bool FGridsOpen = false;
    TResultOutputMode FOutputMode = rom_Text;
    // What the title needs of each output in StartLines, in the same order:
    // whether its first line is a header line, that line, and the console's
    // line count once the output was written (its end).
    struct TOutputRecord {
        bool HasHead = false;
        std::string Head;
        int End = 0;
    };
    std::vector<TOutputRecord> FOutputs;
    // The output being written (its index in StartLines; -1 for none): it
    // reaches to the end of the text until it is recorded.
    int FWriting = -1;
    bool FWritingHead = false;
    // An output (StartLines[Index] on, if it started) has been written.
    void OutputWritten(size_t Index, bool HasHead);
    TResultConsole* FConsole = nullptr;  // not owned
    std::unique_ptr<TEditorResultConsole> FEditorConsole;
    void EditorKeyDown(TKZNEditor* Source, uint16_t& Key, TShiftState Shift);
    void EditorDblClick(TKZNEditor* Source);

protected:
    void showEvent(QShowEvent* E) override;
    void resizeEvent(QResizeEvent* E) override;
    // Deleted: a paused run whose output it shows ends.
    void Closing() override;
};
