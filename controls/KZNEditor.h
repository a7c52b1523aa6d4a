// The program's own editor control: every editor of the program is one. It
// adds F3 search, Ctrl+A, block indent with Tab, wheel scrolling and font
// zoom, hard wrapping of a text to the visible width, scrolling operations,
// marks for tabs and full-width spaces, and files dropped from the file
// manager (their names, or their text). TScriptEditor is the one of the
// script pages; TEditorUtil puts an editor into the program's standard option
// state.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QMenu>

#include "Editor.h"
#include "KZNDropTarget.h"
#include "StringList.h"

class TKZNEditor;

// What a drop of files inserts: nothing, their names, or their text.
enum TFilePasteMode : uint8_t { fpCancel = 0, fpFileNames = 1, fpFileDeploy = 2 };

// Called once per dropped file with the lines about to be inserted, which it may change.
using TOnOLETextFileDrop =
    std::function<void(TObject* Sender, const std::string& FileName, TStringList& PasteLines, TFilePasteMode PasteMode)>;
// Data of another format registered with AddObjectDropFormat: whether it may
// be dropped at Point (Accept starts true), and the drop itself.
using TObjectDragOverEvent = std::function<void(TObject* Sender, const QMimeData* Data, QPoint Point, bool& Accept)>;
using TObjectDropEvent = std::function<void(TObject* Sender, const QMimeData* Data, QPoint Point)>;

// The choice of a drop made with the right button.
class TEditorOLEDropPopupMenu : public QMenu {
public:
    explicit TEditorOLEDropPopupMenu(TKZNEditor* AEditor);
    virtual void FileNamesClick();
    virtual void FileDeployClick();

    TKZNEditor* Editor;  // not owned
    QAction* FileNamesItem = nullptr;
    QAction* FileDeployItem = nullptr;

protected:
    virtual void CreateItems();
};

class TKZNEditor : public TEditor {
public:
    explicit TKZNEditor(QWidget* Parent = nullptr);
    ~TKZNEditor() override;
    void AfterConstruction() override;

    // Lines := the lines of Text, each cut to the visible width.
    virtual void FormatLinesToWidth(std::string_view Text, TStringList& Lines);
    virtual void ScrollCaretIntoView();
    virtual void ScrollToEnd();
    virtual void ScrollToTop();
    // Inserts the text of Src (without its final line break) before the caret
    // line, or after it when the caret stands in its second half.
    void InsertLinesNearCaret(const TStringList& Src);
    // The caret position in pixels: the live one while focused, else the one
    // remembered at the last caret move.
    QPoint GetCaretPoint() const;

    void KeyDown(uint16_t& Key, TShiftState Shift) override;

    // The drop of files (text/uri-list) and of registered object formats.
    // Point is in the editor's viewport. KeyState is the state seen at the start of the drag.
    virtual void OLEDragEnter(const QMimeData* Data, TDragKeyState KeyState, QPoint Point, Qt::DropAction& Effect);
    virtual void OLEDragOver(const QMimeData* Data, TDragKeyState KeyState, QPoint Point, Qt::DropAction& Effect);
    virtual void OLEDragDrop(const QMimeData* Data, TDragKeyState KeyState, QPoint Point, Qt::DropAction& Effect);
    // Another drag format the owner takes through OnObjectDragOver and OnObjectDrop.
    void AddObjectDropFormat(const QString& Format);
    // The local file names (CP932) a drop carries; empty for anything else.
    static std::vector<std::string> DroppedFileNames(const QMimeData* Data);

    // A horizontal or vertical scroll bar request (SB_ codes below), and what
    // follows it: the left column is kept near the longest visible line, and
    // a text shorter than the view stays at its top.
    enum TScrollCode { SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3, SB_THUMBTRACK = 5, SB_ENDSCROLL = 8 };
    void WMHScroll(int Code);
    void WMVScroll(int Code);

    bool AcceptShellDorpFile = false;
    std::string SearchStr;
    bool SearchAllowAsc = true;
    TFilePasteMode PasteMode = fpCancel;
    TDragKeyState DragKeyState{};
    QPoint CaretPoint;
    // The menu of a right-button drop of files, built for the first such drop (null until then).
    TEditorOLEDropPopupMenu* DropPopupMenu = nullptr;  // owned
    TOnOLETextFileDrop OnOLETextFileDrop;
    TObjectDragOverEvent OnObjectDragOver;
    TObjectDropEvent OnObjectDrop;
    TNotifyEvent OnFonFontChange, OnHScroll;

protected:
    void wheelEvent(QWheelEvent* E) override;
    void changeEvent(QEvent* E) override;
    void focusInEvent(QFocusEvent* E) override;
    void DoCaretMoved() override;
    void DoDrawLine(const TRect& ARect, int X, int Y, const std::string& LineStr, int Index, bool Selected) override;

private:
    void AfterHScroll(int Code);
    void AfterVScroll();
    void RegisterDropTarget();
    bool IsObjectData(const QMimeData* Data) const;

    std::unique_ptr<TDropTarget> FDropTarget;
    std::vector<QString> FObjectFormats;
    bool FObjectDrag = false;  // the data held is of an object format
};

class TScriptEditor : public TKZNEditor {
public:
    using TKZNEditor::TKZNEditor;
    void AfterConstruction() override;
};

class TEditorUtil {
public:
    static void SetStandardOptions(TEditor& Editor);
};
