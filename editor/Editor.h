// TEditor: the editor control, a view over a row store that several views may
// share. It shows the rows on a fixed grid (one byte one column, a double-byte
// character two, a tab up to its next stop), edits them through the store's
// ReplaceRows, and keeps its own caret, selection, scroll position and options.
//
// Every change of the text is one row replacement followed by placing the
// caret by a byte offset; the caret and the caret-row underline are hidden
// around multi-step changes by nested begin/end counts. Painting happens only
// in the paint event and costs only the visible rows.
//
// Made in two phases (the constructor's sub-objects come from virtual
// factories): MakeEditor<TEditor>(parent).
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QAbstractScrollArea>
#include <QEvent>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QRegion>
#include <QTimer>

#include "EditorOptions.h"
#include "EditorLines.h"
#include "EditorScreenStrings.h"
#include "EditorViewLink.h"
#include "EditorWrap.h"
#include "Geometry.h"
#include "GraphicsTypes.h"
#include "KeyTypes.h"
#include "Persistent.h"
#include "WindowMessage.h"

class QAction;
class QMimeData;
class TEditor;
class TFountainParser;
namespace editorsearch {
class TPattern;
}

enum TEditorHitStyle : uint8_t { hsSelect, hsDraw, hsCaret };
enum TBorderStyle : uint8_t { bsNone, bsSingle };
enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

// The search option word.
enum : uint16_t {
    soForward = 0x0001,
    soMatchCase = 0x0002,
    soWholeWord = 0x0004,
    soFuzzy = 0x0008,
    soIgnoreLineBreaks = 0x0080,
    soIgnoreBlanks = 0x0100,
};

// The routine Search hands each chunk of text to: finds Pattern in Buffer from
// the position Start, Length (the current match) in the direction of Options;
// on success Start and Length are the match's offset and length.
using TSearchTextProc = bool (*)(std::string_view Buffer, int& Start, int& Length, std::string_view Pattern,
                                 uint16_t Options);
// SearchText (EditorSearch.h) unless replaced; without one Search finds nothing.
extern TSearchTextProc EditorSearchTextProc;

using TDrawLineEvent = TEvent<void(TObject* Sender, const std::string& LineStr, int X, int Y, int Index,
                                   const TRect& ARect, bool Selected)>;
using TSelectionChangeEvent = TEvent<void(TObject* Sender, bool Selected)>;
using TKeyEvent = TEvent<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = TEvent<void(TObject* Sender, char& Key)>;
using TMouseEvent = TEvent<void(TObject* Sender, Qt::MouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TEvent<void(TObject* Sender, TShiftState Shift, int X, int Y)>;

// A selection in screen terms: rows and columns (EndCol is the column after
// the last selected one; in box mode the box is StartCol .. EndCol - 1).
struct TSelDrawRec {
    int StartRow = 0, EndRow = 0, StartCol = 0, EndCol = 0;
    bool operator==(const TSelDrawRec& o) const {
        return StartRow == o.StartRow && EndRow == o.EndRow && StartCol == o.StartCol && EndCol == o.EndCol;
    }
    bool operator!=(const TSelDrawRec& o) const { return !(*this == o); }
};
// A selection in text terms: 0-based byte indexes, EndIndex inclusive.
struct TSelStrRec {
    int StartRow = 0, EndRow = 0, StartIndex = 0, EndIndex = -1;
};

// An image list: images of one size drawn by index.
class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
    int Count() const { return static_cast<int>(Images.size()); }
    void Add(const QImage& Image) { Images.push_back(Image); }
    std::vector<QImage> Images;
};

// The digits 0 to 9 in a plain 4 x 7 pixel font, rows of '#' and '.'.
extern const char* const EditorDigitShapes[10][7];
// The default row-mark images: the digits 0 to 9 (8 x 11) and six marks (11 x 11).
const TImageList& DefaultDigitImages();
const TImageList& DefaultMarkImages();
// The Qt cursor of a toolkit cursor identifier (the editor's own cursors too).
QCursor EditorCursor(TCursor Cursor);
// The Qt colour of a toolkit colour; clNone and clDefault give Fallback.
QColor EditorColor(TColor Color, TColor Fallback = clBlack);
// The editor's default fixed-pitch font: IPAGothic when installed, else the
// system's fixed font.
QFont EditorDefaultFont();

// The repaint object: repaints what the store's change record says changed.
class TEditorScreen : public TObject {
public:
    explicit TEditorScreen(TEditor* AEditor) : Editor(AEditor) {}
    TEditor* Editor;
    virtual void Update();
};

// The standard context menu.
class TEditorPopupMenu : public QMenu, public TObject {
public:
    explicit TEditorPopupMenu(TEditor* AEditor);
    void AfterConstruction() override;
    TEditor* Editor;

    QMenu* MarkSetMenu = nullptr;
    QMenu* MarkJumpMenu = nullptr;
    QAction* MarkSetItems[10] = {};
    QAction* MarkJumpItems[10] = {};
    QAction* UndoItem = nullptr;
    QAction* RedoItem = nullptr;
    QAction* CutItem = nullptr;
    QAction* CopyItem = nullptr;
    QAction* PasteItem = nullptr;
    QAction* BoxPasteItem = nullptr;
    QAction* DeleteItem = nullptr;
    QAction* SelectAllItem = nullptr;
    QAction* BoxModeItem = nullptr;

    virtual void MarkSetClick(QAction* Item);
    virtual void MarkJumpClick(QAction* Item);
    virtual void UndoClick(QAction* Item);
    virtual void RedoClick(QAction* Item);
    virtual void CutClick(QAction* Item);
    virtual void CopyClick(QAction* Item);
    virtual void PasteClick(QAction* Item);
    virtual void BoxPasteClick(QAction* Item);
    virtual void DeleteClick(QAction* Item);
    virtual void SelectAllClick(QAction* Item);
    virtual void BoxModeClick(QAction* Item);
    // Sets every item's state (run whenever the menu pops up).
    virtual void SetMenu();
    virtual void CreateMenuItem();

    // The item whose shortcut is this key, or null (items of submenus too).
    QAction* ShortCutItem(int Key, Qt::KeyboardModifiers Modifiers) const;
    // Runs the item of a shortcut key: the states are set first, then a
    // enabled item is clicked. True when the key is one of the menu's shortcuts.
    bool IsShortCut(int Key, Qt::KeyboardModifiers Modifiers);
    // The action's tag (the digit of a mark item).
    static int Tag(const QAction* Item);

protected:
    QAction* AddItem(QMenu* Menu, const QString& Caption, const char* ShortCut, void (TEditorPopupMenu::*Click)(QAction*),
                     bool Enabled, int Tag = 0);
};

// What became of text from outside (the clipboard, the keyboard, the input
// method) on its way to CP932: the characters CP932 cannot hold, each of
// which became one "?".
struct TTextSubstitution {
    static constexpr int MaxShown = 5;
    int Count = 0;                // characters that became "?"
    std::vector<char32_t> Shown;  // the different ones among them, first seen first, at most MaxShown
    bool More = false;            // there were more different ones than Shown holds
};
// The CP932 form of S; Lost (when given) learns which characters became "?".
std::string TextFromQt(const QString& S, TTextSubstitution* Lost = nullptr);
// The status-bar notice of a substitution: Done names what brought the text
// ("貼り付けた" for a paste).
QString TextSubstitutedMessage(std::u16string_view Done, const TTextSubstitution& Lost);

// Offered to the editor's ancestors, nearest first, when text that came into
// the editor had characters CP932 cannot hold, until one accepts it (the
// client window shows it in its status bar). The text itself went in with
// "?" in their place.
class TTextSubstitutedEvent : public QEvent {
public:
    explicit TTextSubstitutedEvent(QString AMessage) : QEvent(EventType()), Message(std::move(AMessage)) {}
    static QEvent::Type EventType();
    QString Message;
};

template <class T, class... Args>
T* MakeEditor(Args&&... args) {
    return MakeObject<T>(std::forward<Args>(args)...).release();
}

class TEditor : public QAbstractScrollArea, public TComponent, public TEditorViewLink {
public:
    // The last column the caret can stand on.
    static constexpr int kMaxCaretCol = 8193;

    explicit TEditor(QWidget* Parent = nullptr);
    ~TEditor() override;
    // The factories run here (second construction phase).
    void AfterConstruction() override;
    // After the stored properties were read: wraps and computes row states.
    virtual void Loaded();
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // ---- published properties
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TEditorCaret& Caret() { return *FCaret; }
    void SetCaret(const TEditorCaret& Value) { FCaret->Assign(Value); }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor Value);
    TFountain* Fountain() const { return FFountain; }
    void SetFountain(TFountain* Value);
    TEditorHitStyle HitStyle() const { return FHitStyle; }
    void SetHitStyle(TEditorHitStyle Value);
    TEditorImagebar& Imagebar() { return *FImagebar; }
    void SetImagebar(const TEditorImagebar& Value) { FImagebar->Assign(Value); }
    TImageList* ImageDigits() const { return FImageDigits; }
    void SetImageDigits(TImageList* Value);
    TImageList* ImageMarks() const { return FImageMarks; }
    void SetImageMarks(TImageList* Value);
    TEditorLeftbar& Leftbar() { return *FLeftbar; }
    void SetLeftbar(const TEditorLeftbar& Value) { FLeftbar->Assign(Value); }
    TEditorStrings& Lines() { return *FLines; }
    // The source's strings become the rows, each ending in a line break, without wrapping.
    void SetLines(const TStringList& Value);
    TEditorMargin& Margin() { return *FMargin; }
    void SetMargin(const TEditorMargin& Value) { FMargin->Assign(Value); }
    TEditorMarks& Marks() { return *FMarks; }
    void SetMarks(const TEditorMarks& Value) { FMarks->Assign(Value); }
    bool ReadOnly() const { return FReadOnly; }
    virtual void SetReadOnly(bool Value);
    const TSortedStringList& ReserveWordList();
    void SetReserveWordList(const TSortedStringList& Value);
    TEditorRuler& Ruler() { return *FRuler; }
    void SetRuler(const TEditorRuler& Value) { FRuler->Assign(Value); }
    TScrollStyle ScrollBars() const { return FScrollBars; }
    virtual void SetScrollBars(TScrollStyle Value);
    TEditorSpeed& Speed() { return *FSpeed; }
    void SetSpeed(const TEditorSpeed& Value) { FSpeed->Assign(Value); }
    int UndoListMax() const;
    void SetUndoListMax(int Value);
    TEditorViewInfo& View() { return *FView; }
    void SetView(const TEditorViewInfo& Value);
    bool WantReturns = true;
    bool WantTabs = true;
    bool WordWrap() const;
    void SetWordWrap(bool Value);
    TEditorWrapOption& WrapOption();
    void SetWrapOption(const TEditorWrapOption& Value);
    const TBreakChars& BreakChars() const override { return FBreakChars; }
    // The context menu, built by CreateEditorPopupMenu on first use (a key, a
    // right click or a call here): an editor never used holds none.
    TEditorPopupMenu* PopupMenu() const;
    // Replaces the context menu (its items' shortcuts too); the editor owns Value, the old menu is freed.
    void SetPopupMenu(TEditorPopupMenu* Value);

    // ---- events
    TNotifyEvent OnCaretMoved, OnChange, OnSelectionModeChange, OnTopColChange, OnTopRowChange;
    TDrawLineEvent OnDrawLine;
    TSelectionChangeEvent OnSelectionChange;
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnClick, OnDblClick, OnEnter, OnExit;

    // ---- run-time properties
    int Row() const override { return FRow; }
    void SetRow(int Value) override;
    int Col() const override { return FCol; }
    void SetCol(int Value) override;
    int TopRow() const override { return FTopRow; }
    void SetTopRow(int Value) override;
    int TopCol() const { return FTopCol; }
    void SetTopCol(int Value);
    int GetSelStart();
    void SetSelStart(int Value);
    int GetSelLength();
    void SetSelLength(int Value);
    std::string GetSelText();
    void SetSelText(std::string_view Value) { SetSelTextBuf(Value); }
    bool GetSelected() const { return FSelState == 2; }
    bool SelectionMode() const { return FSelectionMode; }
    void SetSelectionMode(bool Value);
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    int RowHeight() const override { return GetRowHeight(); }
    int GetRowHeight() const;
    int ColWidth() const { return FColWidth; }
    int FontHeight() const { return FFontHeight; }
    int LeftScroll() const { return FLeftScroll; }
    int VisibleCols() const { return FVisibleCols; }
    int VisibleRows() const { return FVisibleRows; }
    int MaxTopRow() const { return FMaxTopRow; }
    int MaxTopCol() const { return FMaxTopCol; }
    uint8_t SelState() const { return FSelState; }
    uint8_t DragState() const { return FDragState; }
    uint8_t CursorZone() const { return FCursorZone; }
    const TSelDrawRec& SelDraw() const { return FSelDraw; }
    const TSelStrRec& SelStr() const { return FSelStr; }
    int HitLength() const { return FHitLength; }
    bool CaretShown() const { return FCaretShown; }
    int CaretUpdateCount() const { return FCaretUpdateCount; }
    int UnderlineUpdateCount() const { return FUnderlineUpdateCount; }
    int ImeSkipCount = 0;
    bool KeyRepeat() const { return FKeyRepeat; }
    // The pre-edit text of the input method, shown at the caret and never stored.
    const QString& PreeditText() const { return FPreedit; }

    // The shared text.
    TEditorScreenStrings& Store() { return *FStore; }
    std::shared_ptr<TEditorScreenStrings> StorePtr() const { return FStore; }

    // ---- virtual operations, in slot order
    virtual int CalcImagebarWidth();
    virtual void CreateMarginBitmaps();
    virtual void FreeMarginBitmaps();
    virtual bool CalcLeftbarColumn();
    virtual int CalcLeftbarWidth();
    virtual int CalcRulerHeight();
    virtual void CreateRulerMarkBitmap();
    virtual void DrawRulerMark(int ACol);
    virtual void EraseRulerMark(int ACol);
    virtual void DrawLeftbarBitmap();
    virtual void DrawCornerBitmap();
    virtual void ResizeRulerBitmaps();
    virtual void UpdateRulerMetrics();
    virtual void CreatePatternBitmap();
    virtual void CreateRulerDigitBitmaps();
    virtual void DrawEdgeBitmap();
    virtual void DrawRulerBitmap();
    virtual void InvalidateLeftbar(int FromRow, int ToRow);
    virtual void DrawLeftbar(QPainter& P, int FromRow, int ToRow);
    virtual void PaintRuler(QPainter& P);
    virtual int GetRulerGaugeWidth();
    virtual void ScrollMargin(int OldWidth, int NewWidth);
    virtual bool TextPosFromPos(const TPoint& Pos, int& ARow, int& AIndex);
    virtual void GetTokenFromPos(const TPoint& Pos, bool UseFountain, std::string& Token, bool KeepState, int& Kind);
    virtual void SelectTokenFromPosEx(const TPoint& Pos, bool UseFountain, bool KeepState);
    virtual void ScrollText(int Dx, int Dy, const TRect* Clip, const TRect* Scroll);
    virtual void DrawEofMark(QPainter& P, int X, int Y);
    virtual void DrawRetMark(QPainter& P, int X, int Y);
    virtual void DrawSelectedRetMark(QPainter& P, int X, int Y);
    virtual void DrawWrapMark(QPainter& P, int X, int Y);
    virtual void DrawSelectedWrapMark(QPainter& P, int X, int Y);
    virtual void DrawHideMark(QPainter& P, int X, int Y);
    virtual void DrawSelectedHideMark(QPainter& P, int X, int Y);
    virtual void DrawUnderline(int ARow);
    virtual void EraseUnderline(int ARow);
    void UnderlineBeginUpdate() override;
    void UnderlineEndUpdate() override;
    virtual int GetUnderlinePos(int ARow);
    void CaretBeginUpdate() override;
    void CaretEndUpdate() override;
    virtual void HideEditorCaret();
    virtual void ShowEditorCaret();
    virtual bool GetTokenJumpPos(int& ARow, int& ACol, int Direction);
    virtual bool CaretOutOfView();
    virtual void SetCaretPosition();
    virtual void CreateSystemCaret();
    virtual void ScrollCaret();
    // A scroll position of the view: its top row and its left column.
    struct TViewSpot {
        int TopRow = 0;
        int TopCol = 0;
    };
    // Where the view stands once the place (Row, Col) is in it, moved from
    // From only on an axis where the place is out of view. As the caret moves
    // it (the default): by as few rows as needed, and sideways by at least a
    // quarter of the view; a place left of the view then stands a quarter of
    // the view's width in from its left edge (or the view at column 0), so
    // that the text before it shows. Third (EM_SCROLLCARET): the place lands a third of
    // the way into the view. Kept inside the scroll ranges.
    TViewSpot ViewShowing(int Row, int Col, TViewSpot From, bool Third = false) const;
    // Scrolls the view to ViewShowing(Row, Col, the view now, Third).
    void ScrollIntoView(int Row, int Col, bool Third = false);
    virtual TPoint CalcCaretPoint();
    void UpdateCaret() override;
    TFountain* ActiveFountain() override;
    virtual TBreakChars CreateBreakChars();
    virtual std::unique_ptr<TEditorCaret> CreateEditorCaret();
    virtual std::unique_ptr<TEditorImagebar> CreateEditorImagebar();
    virtual std::unique_ptr<TEditorLeftbar> CreateEditorLeftbar();
    virtual std::unique_ptr<TEditorMarks> CreateEditorMarks();
    virtual std::unique_ptr<TEditorMargin> CreateEditorMargin();
    virtual std::unique_ptr<TEditorRuler> CreateEditorRuler();
    virtual std::unique_ptr<TEditorSpeed> CreateEditorSpeed();
    virtual TEditorPopupMenu* CreateEditorPopupMenu();
    virtual std::unique_ptr<TEditorScreen> CreateEditorScreen();
    virtual std::shared_ptr<TEditorScreenStrings> CreateEditorScreenStrings();
    virtual std::unique_ptr<TEditorStrings> CreateEditorStrings();
    virtual std::unique_ptr<TEditorViewInfo> CreateEditorViewInfo();
    virtual void DoCaretMoved();
    void DoChange() override;
    virtual void DoDrawLine(const TRect& ARect, int X, int Y, const std::string& LineStr, int Index, bool Selected);
    virtual void DoSelectionChange(bool Selected);
    virtual void DoSelectionModeChange();
    virtual void DoTopColChange();
    virtual void DoTopRowChange();
    virtual void ViewChanged(TObject* Sender);
    virtual bool CanSelDrag();
    virtual void DragSelCopy(int ARow, int ACol);
    virtual void PutRowMark(int ARow, int Mark);
    virtual void DelRowMark(int ARow, int Mark);
    virtual void GotoRowMark(int Mark);
    virtual bool CanRedo();
    virtual bool CanUndo();
    virtual void ShareScreenStrings(TEditor* Source);
    virtual void Redo();
    virtual bool Search(std::string_view SearchStr, uint16_t Options);
    virtual void Undo();

    // ---- the view link the store talks to
    int TabSpaceCount() const override { return FCaret->TabSpaceCount(); }
    int ScreenHeight() const override;
    bool InitBracketsFull() const override { return FSpeed->InitBracketsFull; }
    bool Loading() const override { return FLoading; }
    bool Destroying() const override { return FDestroying; }
    bool Focused() const override;
    void SetSettingRowCol(bool Value) override { FSettingRowCol = Value; }
    void SetCaretByOffset(int FromRow, int Offset) override;
    void CancelSelection() override { CleanSelection(); }
    void InvalidateRow(int ARow) override;
    void Refresh() override;
    bool Visible() const override { return isVisible(); }
    bool HandleAllocated() const override { return true; }
    void SetRedraw(bool Value) override;
    TEditorScreenStrings* ScreenStrings() override { return FStore.get(); }

    // ---- text and positions
    int RowCount() const { return FStore->GetCount(); }
    std::string ReadRowText(int ARow) const;
    // The row's text, empty outside the rows; valid until the text changes.
    std::string_view RowText(int ARow) const;
    int RowAttribute(int ARow) const;
    int RowEndCol(int ARow) const;
    TColumnMetrics Metrics() const;
    std::string ColumnCodes(std::string_view Text) const;
    int TextColumns(std::string_view Text) const;
    std::string ExpandTabs(std::string_view Text) const;
    int IndentColumn(std::string_view Text) const;
    int LeadingBlankWidth(std::string_view Text) const;
    int GetTextLength() const;
    int LineOfRow(int ARow) const;
    int OffsetFromRow(int FromRow, int ARow, int ACol) const;
    // The byte index of a column in a row (not limited to the row's length).
    int ColToIndex(int ARow, int ACol) const;
    // The caret's byte index in its row.
    int CaretIndex() const { return ColToIndex(FRow, FCol); }
    // The byte index of a column by a row's column codes.
    static int ColToIndexOfCodes(std::string_view Codes, int ACol);
    static int BoxStartIndex(std::string_view Codes, int C);
    static int BoxEndIndex(std::string_view Codes, int C);
    void GetRowAttributeData(int ARow, TRowAttributeData& Data) const;
    void GetRowText(int ARow, std::string& S) const { S = ReadRowText(ARow); }
    uint16_t GetRowMarks(int ARow) const;
    void SetRowMarks(int ARow, uint16_t AMarks);
    int PrevIndentColumn(int ARow) const;

    // ---- edits
    void InsertText(std::string_view S);
    void SetSelTextBuf(std::string_view S);
    void PasteBox(std::string_view S);
    void SelIndent();
    void SelUnIndent();
    void Clear();
    void DeleteSelection();
    void SelectionRemainder(TEditorStringList& List);
    static std::string JoinRows(const TEditorStringList& List);
    void SelectTokenFromPos(const TPoint& Pos) { SelectTokenFromPosEx(Pos, false, false); }
    void SetHitSelLength(int N);

    // ---- selection and clipboard
    void StartSelection();
    void ExtendSelection();
    void UpdateSelection();
    void CleanSelection();
    void ConfirmSelection();
    void SelectAll();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    // The clipboard's text as CP932 with CR LF line breaks; false when it holds none.
    // Lost (when given) learns which characters CP932 could not hold.
    static bool ClipboardText(std::string& Text, bool* IsBox = nullptr, TTextSubstitution* Lost = nullptr);
    // Tells the ancestors (TTextSubstitutedEvent) when Lost counts any character.
    void ReportSubstitution(std::u16string_view Done, const TTextSubstitution& Lost);
    static void SetClipboardText(std::string_view Text, bool Box);
    bool IsInSelection(int ARow, int ACol) const;
    void DragSelMove(int ARow, int ACol);
    void SetCursorState(uint8_t Zone);

    // ---- caret and mouse
    void SetRowCol(int ARow, int ACol);
    void AdjustCol(bool Vertical, int Direction);
    void PosToRowCol(int X, int Y, bool Round, int& ACol, int& ARow) const;
    void UpdateScrollBars();
    void ScrollImagebarRows(int ARow, int N);
    void ScrollTextRows(int ARow, int N);
    void ResizeView();
    void RowSelectStart(int ARow);
    void RowSelectExtend(int ARow);
    void ScrollPage(int N);
    TRect CaretRect() const;

    // ---- painting
    void FontMetrics();
    void CalcVisibleCols();
    void InvalidateRows(int FromRow, int ToRow);
    int GetTextLeft() const;
    int GetTextTop() const;
    // The area of the view that shows a row, in viewport pixels.
    TRect RowRect(int ARow) const;

    // ---- the edit-control operations (a line break counts 2)
    struct TSel {
        int Start, End;
    };
    TSel EmGetSel();
    void EmSetSel(int Start, int End);
    void EmScrollCaret();
    bool EmGetModify() const { return FModified; }
    void EmSetModify(bool Flag);
    int EmGetLineCount() const { return RowCount(); }
    int EmLineIndex(int ARow);
    int EmLineLength(int Index);
    void EmReplaceSel(std::string_view S);
    // The bytes of a row, at most Size; an empty result for rows past the end.
    std::string EmGetLine(int ARow, int Size);
    bool EmCanUndo();
    bool EmUndo();
    int EmLineFromChar(int Index);
    void EmEmptyUndoBuffer();
    int EmGetFirstVisibleLine() const { return FTopRow; }
    void EmSetReadOnly(bool Flag) { SetReadOnly(Flag); }
    TPoint EmPosFromChar(int Index);
    // -1 for a point outside the view; otherwise the character index (and row).
    int EmCharFromPos(int X, int Y, int* ARow = nullptr);
    std::string WmGetText(int BufSize);
    int WmGetTextLength() const { return GetTextLength(); }
    void WmSetText(std::string_view S);
    void WmCut();
    void WmCopy();
    void WmPaste();
    void WmClear();
    // The row walk: the row an index falls in and the byte index in it.
    void CharIndexToRow(int Index, int& ARow, int& AIndex) const;

    // ---- keyboard messages. Every key and character reaches the editor as a
    // window message through WindowProc: CN_KEYDOWN, then WM_KEYDOWN when the
    // notification answered 0; for each character of the key CN_CHAR, then
    // WM_CHAR; and for each character of an input-method result WM_IME_CHAR
    // (its default handling types the character, which the editor skips when
    // it has inserted the result as a whole already). A character code of 256
    // and above is a double-byte character, lead byte in the upper 8 bits.
    // Modifiers are read from the thread's keyboard state (KeyboardState.h).
    // A key macro replaces WindowProc while it records, and plays its records
    // back through Perform.
    winmsg::TWndMethod WindowProc;
    winmsg::LRESULT Perform(uint32_t Msg, winmsg::WPARAM WParam, winmsg::LPARAM LParam);
    // The editor's own window method. CN_KEYDOWN answers 1 for a shortcut of
    // the context menu or of an action around the editor (which it runs);
    // WM_KEYDOWN answers 1 when a key handler took the key (set it to 0), so
    // that it types no characters.
    virtual void WndProc(winmsg::TMessage& Message);
    // The toolkit's shortcut processing for a key sent as a message: an
    // enabled, visible action of a widget around the editor (up to its window) whose
    // shortcut is the key is run. A key of the platform reaches the editor
    // only when no such action took it, so this serves keys played back.
    bool RunAncestorShortCut(int Key, Qt::KeyboardModifiers Modifiers);

    // ---- keys (the toolkit's key handlers; a descendant may override)
    virtual void KeyDown(uint16_t& Key, TShiftState Shift);
    virtual void KeyUp(uint16_t& Key, TShiftState Shift);
    virtual void KeyPress(char& Key);
    // The caret keys and Delete.
    void WMKeyDown(uint16_t Key, TShiftState Shift);
    // One byte of typed text (Backspace 8, Tab 9, Return 13, characters).
    void WMChar(uint8_t Ch, TShiftState Shift = 0);
    // A double-byte character typed as one.
    void WMCharPair(uint8_t Lead, uint8_t Trail);
    void ImeCommit(std::string_view S);
    void UpdateImeWindow();

    // Brings the screen in line with the caret, the selection and the scroll
    // position: a search places its hit at once but leaves the view work (the
    // scroll bars, the caret's rectangle, repainting, the caret, scroll and
    // selection notifications) to be done once, when the event loop next runs
    // (a paint that comes first does the screen's part). Row, Col, TopRow,
    // TopCol and the selection are right at once; this does nothing when
    // nothing waits.
    void SyncView();

    // Holds the caret still (and with Underline the caret-row underline) for
    // its lifetime: the begin/end pair around a multi-step change.
    class THold {
    public:
        explicit THold(TEditor& AEditor, bool ACaret = true, bool AUnderline = false)
            : FE(AEditor), FC(ACaret), FU(AUnderline) {
            if (FC) FE.CaretBeginUpdate();
            if (FU) FE.UnderlineBeginUpdate();
        }
        ~THold() {
            if (FU) FE.UnderlineEndUpdate();
            if (FC) FE.CaretEndUpdate();
        }
        THold(const THold&) = delete;
        THold& operator=(const THold&) = delete;

    private:
        TEditor& FE;
        bool FC, FU;
    };

    // The painter of the paint in progress (DoDrawLine and OnDrawLine draw with
    // it, clipped to the row part); null outside painting.
    QPainter* Canvas() const { return FCanvas; }

    // Row painting parts, used by the paint event and by descendants.
    struct TPaintContext;
    void PaintRows(QPainter& P, const QRect& Clip);

protected:
    // Qt events
    bool event(QEvent* E) override;
    bool viewportEvent(QEvent* E) override;
    void paintEvent(QPaintEvent* E) override;
    void resizeEvent(QResizeEvent* E) override;
    void keyPressEvent(QKeyEvent* E) override;
    void keyReleaseEvent(QKeyEvent* E) override;
    void inputMethodEvent(QInputMethodEvent* E) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery Query) const override;
    void mousePressEvent(QMouseEvent* E) override;
    void mouseMoveEvent(QMouseEvent* E) override;
    void mouseReleaseEvent(QMouseEvent* E) override;
    void mouseDoubleClickEvent(QMouseEvent* E) override;
    void focusInEvent(QFocusEvent* E) override;
    void focusOutEvent(QFocusEvent* E) override;
    void contextMenuEvent(QContextMenuEvent* E) override;
    void scrollContentsBy(int Dx, int Dy) override;
    void changeEvent(QEvent* E) override;
    bool focusNextPrevChild(bool Next) override;
    QSize sizeHint() const override { return QSize(185, 89); }

    // the parts of the paint cycle
    void PaintRow(QPainter& P, const QRect& R, int X0, TFountainParser* Parser, int ARow, const std::string& Text, int Y);
    void PaintRowSelected(QPainter& P, const QRect& R, int X0, TFountainParser* Parser, int ARow,
                          const std::string& Text, int Y);
    void PaintRowWithSelection(QPainter& P, const QRect& R, int X0, TFountainParser* Parser, int ARow,
                               const std::string& Text, int Y);
    void PaintRowPart(QPainter& P, const QRect& R, int X0, TFountainParser* Parser, int ARow, const std::string& Text,
                      int Y, bool Selected);
    void TextOutCols(QPainter& P, const QRect& R, int X, bool Opaque, std::string_view Text, int Y, const QColor& Fg,
                     const QColor& Bg, TFontStyles Style);
    void DrawImagebarRows(QPainter& P, int FromRow, int ToRow);
    QRect SelectionRowRect(int ARow, int X0) const;
    void UpdateCaretBlink();
    void MarkDirty(const QRect& R);
    void MarkDirtyAll();

    // mouse and drag
    void EndSelDrag(const QPoint& Pos, Qt::KeyboardModifiers Mods);
    void ClickInSelection();
    void CancelSelDrag();
    void UpdateCursorByZone(const QPoint& Pos);

private:
    friend class TEditorScreen;
    bool FilterEvent(QEvent* E);
    void KeyPressed(QKeyEvent* E);
    void CaretKey(uint16_t Key, TShiftState Shift);
    void DeleteKey();
    void BackSpaceKey();
    void TabKey(TShiftState Shift);
    void ReturnKey(TShiftState Shift);
    void CharKey(std::string_view S);
    void ShiftSelectedRows(bool Indent);
    void SetImageList(TImageList*& Field, TImageList* Value);
    void RepaintSelectionChange();
    int LineFirstAbove(int ARow) const;  // max(LineStart(row), row - 1)
    std::string RowBytesWithBreak(int ARow) const;
    int CappedRowEndCol(int ARow) const;
    void ApplyFontToStore();
    void InitDefaults();

    std::shared_ptr<TEditorScreenStrings> FStore;
    std::unique_ptr<TEditorStrings> FLines;
    std::unique_ptr<TEditorScreen> FScreenUpdater;
    std::unique_ptr<TEditorViewInfo> FView;
    std::unique_ptr<TEditorCaret> FCaret;
    std::unique_ptr<TEditorMarks> FMarks;
    std::unique_ptr<TEditorMargin> FMargin;
    std::unique_ptr<TEditorImagebar> FImagebar;
    std::unique_ptr<TEditorLeftbar> FLeftbar;
    std::unique_ptr<TEditorRuler> FRuler;
    std::unique_ptr<TEditorSpeed> FSpeed;
    TEditorPopupMenu* FPopupMenu = nullptr;
    bool FPopupMenuDue = false;  // CreateEditorPopupMenu is still to be called
    TBreakChars FBreakChars;

    TBorderStyle FBorderStyle = bsSingle;
    TColor FColor = clWhite;
    TColor FFontColor = clBlack;
    TFountain* FFountain = nullptr;
    TEditorHitStyle FHitStyle = hsSelect;
    TImageList* FImageDigits = nullptr;
    TImageList* FImageMarks = nullptr;
    bool FReadOnly = false;
    TScrollStyle FScrollBars = ssNone;
    bool FModified = false;
    bool FLoading = false;
    bool FDestroying = false;

    int FRow = 0, FCol = 0, FTopRow = 0, FTopCol = 0;
    int FVisibleCols = 1, FVisibleRows = 1;
    int FColWidth = 8, FFontHeight = 16;
    int FFontAscent = 12;
    uint8_t FCursorZone = 0;
    int FHitLength = 0;
    // The search: the pattern made ready for its options (kept for the next
    // search of the same text with the same options), and the buffer that
    // rows are joined in when a match may run from one row into the next.
    std::unique_ptr<editorsearch::TPattern> FSearchPattern;
    std::string FSearchJoined;
    std::vector<int> FSearchStarts;  // where each joined row begins
    // The view work searches left for SyncView: the screen's part (due, and the
    // whole view marked for repainting already) and the notifications' part
    // (due, and the scroll position the last notifications told).
    bool FViewDue = false;
    bool FViewAllDirty = false;
    bool FNotifyDue = false;
    int FNotifyTopRow = 0, FNotifyTopCol = 0;
    bool PlaceHitAtOnce(int ARow, int AIndex, int ALength);
    // The screen's part of SyncView: what a paint needs first.
    void SyncScreen();
    void PlaceSearchHit(int ARow, int AIndex, int ALength);
    bool FSettingRowCol = false;
    int FCaretUpdateCount = 0;
    bool FCaretShown = false;
    bool FCaretCreated = false;
    bool FCaretBlinkOn = true;
    QTimer FCaretTimer;
    // Saves the parser's state checkpoints of a long text while the event loop
    // is idle, a few milliseconds at a time.
    QTimer FStateTimer;
    void ScheduleStateFill();
    QRect FCaretPaintRect;  // where the caret was last drawn
    int FCaretWidth = 2, FCaretHeight = 16;
    int FKeepCaretCol = 0;
    bool FKeepCaretValid = false;
    bool FImeUpdatePending = false;
    bool FItalicInUse = false;
    bool FKeyRepeat = false;
    int FLeftScroll = 0;
    int FMaxTopRow = 0;
    int FMaxTopCol = 8192;
    QPoint FMouseDownPos;
    int FUnderlineUpdateCount = 0;
    bool FClearingSelection = false;
    bool FRowSelecting = false;
    uint8_t FDragState = 0;
    uint8_t FSelState = 0;
    int FAnchorCol = 0, FAnchorIndex = 0, FAnchorRow = 0;
    TSelDrawRec FSelDraw, FPrevSelDraw;
    TSelStrRec FSelStr;
    bool FSelectionMode = false;
    int FRowSelAnchor = 0, FRowSelEnd = 0;
    bool FRowSelOnLastRow = false;
    bool FHitSelecting = false;
    int FImagebarWidth = 0, FLeftbarDigits = 4, FLeftbarWidth = 0, FRulerHeight = 0;
    bool FLeftButtonDown = false;
    bool FRedrawOff = false;
    bool FSettingBars = false;
    struct TFontCache;
    std::shared_ptr<TFontCache> FFontCache;  // raw fonts per style
    QRegion FDirty;  // what is due to be painted
    QString FPreedit;
    QPainter* FCanvas = nullptr;
    bool FPaintFailed = false;  // the last paint raised; its error was reported
    int FPreeditCursor = 0;

    // margin bitmaps
    QImage FLeftbarEdgeBitmap, FCornerBitmap, FRulerGaugeBitmap, FRulerTextBitmap, FRulerMarkBitmap,
        FRulerEdgeBitmap, FRulerDigitPattern, FRulerDigitBitmap, FRulerMarkDigitBitmap;
    int FDigitHeight = 9, FDigitWidth = 5;
    bool FMarginBitmapsMade = false;
    // The edge and corner pictures are drawn at the next paint, not at each
    // change: a view that is never painted never draws them.
    bool FEdgeBitmapDue = false, FLeftbarBitmapDue = false, FCornerBitmapDue = false;
    void MakeDueBitmaps();
    void MakeEdgeBitmap();
    void MakeLeftbarBitmap();
    void MakeCornerBitmap();
};
