// The history and favourites window. Every script run from a script page is
// kept here as a dated entry; the user also keeps scripts as favourites in
// folders. One tree (favourites root first, history root last) and a preview
// editor; the whole tree is the history file beside the program (the
// program's name with ".History"), read at start-up and written at exit.
//
// The window never calls the main form: it sends the WM_MC_ messages to the
// message centre's window, whose handle it is given.
//
// Node kinds are worked out from a node's place and texts each time:
//   0 anything else, 1 favourites root, 2 favourites folder, 3 favourite,
//   4 history root, 5 date ("YYYY/MM/DD"), 6 history entry ("hh:nn:ss").
// Dates stand newest first, and so do the entries of a date.
#pragma once
#include <cstdint>
#include <ctime>
#include <functional>
#include <initializer_list>
#include <string>

#include <QWidget>

#include "Exception.h"
#include "U_HistoryRecords.h"
#include "StringList.h"
#include "WindowMessage.h"

class QAction;
class QMenu;
class QMenuBar;
class QMimeData;
class QSplitter;
class QToolBar;
class TKZNEditor;
class TKZNTreeView;
class TTreeNodeEx;
class THistoryItemDragObj;
struct TKZNTreeFormatChars;

enum THistoryNodeKind : uint8_t {
    hnkOther = 0,
    hnkFavoriteRoot = 1,
    hnkFavoriteFolder = 2,
    hnkFavorite = 3,
    hnkHistoryRoot = 4,
    hnkDate = 5,
    hnkEntry = 6,
};

class TForm_History : public QWidget {
public:
    // Captions and marker texts of the special nodes.
    static const char* const FavoriteRootCaption;  // "お気に入り"
    static const char* const FavoriteRootMark;     // "＄＄お気に入りフォルダROOT"
    static const char* const HistoryRootCaption;   // "履歴"
    static const char* const HistoryRootMark;      // "＄＄履歴フォルダROOT"
    static const char* const FolderMark;           // "＄＄お気に入りフォルダ"
    static const char* const NewFavoriteCaption;   // "新しいお気に入り"
    static const char* const NewFolderCaption;     // "新しいお気に入りフォルダ"
    static const char* const BackupExtension;      // ".bad"
    // The tree holds at most this many nodes; the oldest history goes first.
    static constexpr int MaxNodeCount = 1000;
    // Image indexes.
    static constexpr int ImageFolder = 0, ImageDate = 2, ImageEntry = 3, ImageCurrentEntry = 4, ImageFavorite = 7;

    TForm_History(QWidget* AOwner, winmsg::HWND MessageWindow, std::string FileName);
    ~TForm_History() override;

    // Whether the window follows the client window; set through SetAutoMove.
    bool AutoMove = true;
    // Where previous and next start: an entry, or after a deletion a date node; may be null.
    TTreeNodeEx* CurrentEntry = nullptr;
    winmsg::HWND MessageWindowHandle = 0;
    std::string FileName;
    // The current time; replaceable so that dates and times can be tested.
    std::function<std::time_t()> Clock;

    // The history file. A damaged or unreadable file (one whose top level is
    // anything but the favourites and history roots included) is copied to
    // "<name>.bad" and replaced by an empty history at once; the user is told
    // once per damage. A FIFO, a device or a socket in the file's place is
    // never read, copied or written: the history starts empty and the user is
    // told once.
    void LoadFromFile();
    // Nothing when the file cannot be made (a folder without write
    // permission). Raises EForm_History when writing fails, when the file is
    // read-only, or when a folder stands where the file should be. The save
    // holds the file's lock ("<name>.lock") while it reads the file again and
    // writes it: what another copy of the program added since this one read
    // the file stays, what this copy deleted or moved is gone, and the size
    // limit applies to the whole. A new file is readable by the user alone.
    void SaveToFile();
    // A new entry for today, selected.
    void AddHistory(const TStringList& Lines);
    // A new entry of Lines on Day (its local date), or null when the newest
    // entry of that day holds the same text (its time is refreshed instead).
    TTreeNodeEx* AddHistoryOn(const TStringList& Lines, std::time_t Day);
    // A new favourite "新しいお気に入り" beside or in the selected node, named by the user at once.
    void AddFavorite(const TStringList* Lines);
    // Beside the client window when AutoMove; then shown in front.
    void ShowBeside(QWidget* Client);
    void SetAutoMove(bool Value);
    // The preview editor's lines.
    TStringList GetEditorLines() const;
    // The preview editor beside the tree, built when it is first needed (the
    // window first shown, or its text asked for), so that a window never
    // shown holds none.
    TKZNEditor& PreviewEditor() const;
    bool BuiltPreviewEditor() const { return FPreview != nullptr; }
    // Removes the last nodes of the tree (the oldest history) down to MaxNodeCount.
    void TrimHistory();
    // Empties the tree and makes the two roots.
    void CreateRoots();

    // ---- the tree's structure
    THistoryNodeKind NodeKind(const TTreeNodeEx* Node) const;
    TTreeNodeEx* FavoriteRoot() const;
    TTreeNodeEx* HistoryRoot() const;
    // The first date node that has entries; null when there is none.
    TTreeNodeEx* FirstEntryNode() const;
    // The date node with the caption, found or made in its place.
    TTreeNodeEx* DateNode(const std::string& Caption);
    static std::string DateCaption(std::time_t Time);  // "YYYY/MM/DD"
    static std::string TimeCaption(std::time_t Time);  // "hh:nn:ss"

    // ---- the actions' work
    // Direction 0: the previous (older) entry; 1: the next (newer) one.
    void MoveEntry(int Direction);
    void DeleteSelected();
    void AddFavoriteFolder();
    void CreateFavorite();
    void RenameSelected();

    // ---- drag and drop in the tree
    // The drag object of a node, or null for a node that cannot be dragged.
    THistoryItemDragObj* StartDrag(TTreeNodeEx* Node);
    // Whether the dragged item may be dropped at Position (1 on, 2 below) of Target.
    bool CanDrop(const THistoryItemDragObj* Item, TTreeNodeEx* Target, int Position) const;
    // Moves the dragged node there.
    void DropNode(TTreeNodeEx* Node, TTreeNodeEx* Target, int Position);

    TKZNTreeView* IndexTree2;
    QSplitter* Splitter1;
    QToolBar* ToolBar1;
    QMenuBar* MainMenu1;
    QMenu* PopupMenu1;

    QAction* Action_CurrentRevival;
    QAction* Action_Prev;
    QAction* Action_Next;
    QAction* Action_Delete;
    QAction* Action_FormClose;
    QAction* Action_AddFav;
    QAction* Action_AddFavNode;
    QAction* Action_CreateFav;
    QAction* Action_AutoMoveToggle;
    QAction* Action_NodeRename;

protected:
    void showEvent(QShowEvent* E) override;
    void closeEvent(QCloseEvent* E) override;
    void resizeEvent(QResizeEvent* E) override;
    bool eventFilter(QObject* Watched, QEvent* E) override;

private:
    void BuildForm();
    void BuildPreviewEditor();
    void SetUpEditor();  // the built preview, empty and read-only
    // Shows Node's text in the built preview, editable for a favourite.
    void ShowInPreview(const TTreeNodeEx* Node);
    void Send(uint32_t Msg);
    void SetImages(TTreeNodeEx* Top);
    void SetImage(TTreeNodeEx* Node, THistoryNodeKind Kind);
    void SetCurrentEntry(TTreeNodeEx* Node);
    void SelectionChanged(TTreeNodeEx* Current);
    void LeaveShownNode();
    void UpdateActions(THistoryNodeKind Kind);
    // Deletes a node with its subtree; no pointer of this window is left on it.
    void DeleteNode(TTreeNodeEx* Node);
    // TrimHistory; each pointer of Keep is set to null when its node goes.
    void TrimHistoryKeeping(std::initializer_list<TTreeNodeEx**> Keep);
    void KeepDamagedFile(const std::string& Error);
    void KeepSpecialFile();
    // Makes the tree of the records (the two roots added where missing).
    void ShowRecords(THistoryRecords& Records);
    TKZNTreeFormatChars FormatChars() const;
    // The text to write when the file holds Now: this window's tree (Ours)
    // merged with what another copy wrote; the window then shows it.
    // Damage in Now is kept aside and described in Notice (to be told once
    // the lock is let go); the text is then Ours.
    std::string MergeWithFile(const std::string& Now, const std::string& Ours, std::string& Notice);
    // What the user is told of a damaged file: kept as Bad, or not kept.
    std::string DamageMessage(const std::string& Bad, bool Kept, const std::string& Error) const;
    void TreeDragOver(QDragMoveEvent* E);
    void TreeDrop(QDropEvent* E);

    // The node whose text the preview shows.
    TTreeNodeEx* FShownNode = nullptr;
    TKZNEditor* FPreview = nullptr;
    QWidget* FPreviewSlot = nullptr;  // its place in the splitter until it is built
    bool FDestroying = false;
    // A damaged file that could not be kept aside, or a FIFO or device in the
    // file's place, is never written over.
    bool FKeepFile = false;
    // The file as this window read or last wrote it.
    std::string FReadText;
};
