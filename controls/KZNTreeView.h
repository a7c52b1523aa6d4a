// The program's tree control: every node carries a data object with a
// pointer list and ten string lists (made when the node first asks for it, so
// that a node that never uses them costs nothing for them); the whole tree is saved to and loaded
// from the indented text format of KZNTreeViewFormat.h; separate click events
// per mouse button; a drop marker with auto-scroll while something is dragged
// over it; moving nodes among their siblings.
//
// Captions are CP932 text; the node keeps its caption's bytes, so a caption
// survives a save and load unchanged even where Qt could not show it.
#pragma once
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>

#include "Geometry.h"
#include "GraphicsTypes.h"
#include "KZNTreeViewFormat.h"
#include "StringList.h"
#include "T_FolderFile.h"
#include "TimeSource.h"

class QMimeData;
class TKZNTreeView;

// The data object of one node.
class TKZNExtendNodeData {
public:
    std::vector<void*> List;  // never read outside the control
    TStringList StringList;
    TStringList StringList01;
    TStringList StringList02;
    TStringList StringList03;
    TStringList StringList04;
    TStringList StringList05;
    TStringList StringList06;
    TStringList StringList07;
    TStringList StringList08;
    TStringList StringList09;

    // The string list 0..9 (StringList, StringList01, ...).
    TStringList& Lists(int index);
    void Clear();
    // Clears, then appends other's list items and copies its ten string lists.
    void Assign(const TKZNExtendNodeData& other);
};

class TTreeNodeEx : public QTreeWidgetItem {
public:
    explicit TTreeNodeEx(TKZNTreeView* tree);
    // Frees the node data, takes the node out of the tree, then fires the tree's OnAfterDelete.
    ~TTreeNodeEx() override;
    TTreeNodeEx(const TTreeNodeEx&) = delete;
    TTreeNodeEx& operator=(const TTreeNodeEx&) = delete;

    // The node's own state (caption, image indexes, flags); the node data is not copied.
    virtual void Assign(const TTreeNodeEx& source);

    TKZNTreeView* Tree() const { return FTree; }
    // A number no other node of the run ever carries, not even one built
    // where this one was freed: what a holder of a node compares later.
    uint64_t Serial() const { return FSerial; }
    // The node data, made on first use.
    TKZNExtendNodeData* Data() const;
    // True once the node data has been made.
    bool HasData() const { return FData != nullptr; }
    TStringList* GetStringList() const { return GetStringListN(0); }
    TStringList* GetStringList01() const { return GetStringListN(1); }
    TStringList* GetStringList02() const { return GetStringListN(2); }
    TStringList* GetStringList03() const { return GetStringListN(3); }
    TStringList* GetStringList04() const { return GetStringListN(4); }
    TStringList* GetStringList05() const { return GetStringListN(5); }
    TStringList* GetStringList06() const { return GetStringListN(6); }
    TStringList* GetStringList07() const { return GetStringListN(7); }
    TStringList* GetStringList08() const { return GetStringListN(8); }
    TStringList* GetStringList09() const { return GetStringListN(9); }
    TStringList* GetStringListN(int index) const { return &Data()->Lists(index); }

    // The caption, CP932.
    const std::string& Text() const { return FText; }
    void SetText(std::string_view text);

    // Structure.
    TTreeNodeEx* Parent() const;
    int Count() const { return childCount(); }
    TTreeNodeEx* Item(int index) const;
    int Index() const;  // among its siblings
    int Level() const;
    TTreeNodeEx* GetNext() const;         // the next node in tree order, expanded or not
    TTreeNodeEx* GetPrevSibling() const;
    TTreeNodeEx* GetNextSibling() const;

    // Siblings.
    TTreeNodeEx* GetFirstSibling() const;
    TTreeNodeEx* GetLastSibling() const;
    bool IsFirstSibling() const;
    bool IsLastSibling() const;
    void MoveUp();
    void MoveDown();
    // True when node is the parent, grandparent, ... of this node.
    bool IsDescendantOf(const TTreeNodeEx* node) const;

    // State.
    bool GetCut() const { return FCut; }
    void SetCut(bool value);
    bool GetDropTarget() const { return FDropTarget; }
    void SetDropTarget(bool value);
    bool GetFocused() const;
    void SetFocused(bool value);
    bool GetSelected() const { return isSelected(); }
    void SetSelected(bool value);
    bool GetExpanded() const { return isExpanded(); }
    void SetExpanded(bool value) { setExpanded(value); }
    bool GetHasChildren() const;
    void SetHasChildren(bool value);
    int GetImageIndex() const { return FImageIndex; }
    // The node shows the tree's image of that index (none while out of range);
    // the image is looked up when it is drawn, so nodes hold no copy of it.
    void SetImageIndex(int value);
    int OverlayIndex = -1;
    int SelectedIndex = 0;
    int StateIndex = -1;

    // Caption edits by the user go through the tree's OnEdited.
    void setData(int column, int role, const QVariant& value) override;
    // Column 0 shows the caption, made from its bytes when asked for, and the
    // tree's image of the image index, unless an icon was set directly since.
    QVariant data(int column, int role) const override;

private:
    void ShowText();
    void MoveTo(int newIndex);

    TKZNTreeView* FTree;
    uint64_t FSerial;
    mutable std::unique_ptr<TKZNExtendNodeData> FData;
    std::string FText;
    bool FCut = false;
    bool FDropTarget = false;
    int FImageIndex = 0;
};

// A node held across events (a drag, a menu, a timer): Get() gives the node
// while it is still one of its tree's, and null once it or its tree has gone,
// even when another node now lives at the same address.
class TTreeNodeRef {
public:
    TTreeNodeRef() = default;
    explicit TTreeNodeRef(const TTreeNodeEx* node);
    TTreeNodeEx* Get() const;
    bool IsNull() const { return FSerial == 0; }

private:
    QPointer<TKZNTreeView> FTree;
    uint64_t FSerial = 0;
};

// The node class the tree creates.
class TKZNTreeNode : public TTreeNodeEx, public IKZNTreeFormatNode {
public:
    explicit TKZNTreeNode(TKZNTreeView* tree) : TTreeNodeEx(tree) {}

    // Which saved properties the loader applies to this node.
    TKZNTreeNodeSaveProperties RestoreProperties;
    // The expanded state read from the file, applied once the whole tree is loaded.
    bool LoadedExpanded = false;

    std::string GetFormatText() const override { return Text(); }
    TKZNTreeNodeSaveProperties GetRestoreProperties() const override { return RestoreProperties; }
    bool GetBoolProperty(TKZNTreeNodePublishedProperties p) const override;
    void SetBoolProperty(TKZNTreeNodePublishedProperties p, bool value) override;
    int32_t GetIntProperty(TKZNTreeNodePublishedProperties p) const override;
    void SetIntProperty(TKZNTreeNodePublishedProperties p, int32_t value) override;
    TStringList* GetFormatList(int index) override { return GetStringListN(index); }
    void ApplyLoadedExpanded() override;
};

struct TKZNDragNodeTargetShow {
    TColor LineColor = clBlack;  // the marker's pen
};

class TKZNTreeView : public QTreeWidget, public IKZNTreeFormatNodes, public IFolderTreeNodes {
public:
    using TTreeNotifyEvent = std::function<void(TKZNTreeView* sender)>;
    using TKZNTreeNodeMouseClickEvent =
        std::function<void(TKZNTreeView* sender, Qt::KeyboardModifiers shift, TTreeNodeEx* node)>;
    using TElseClickEvent = std::function<void(TKZNTreeView* sender, Qt::KeyboardModifiers shift)>;

    explicit TKZNTreeView(QWidget* parent = nullptr);
    ~TKZNTreeView() override;

    // Format characters and the saved property set.
    char SavedIndentChar = '\xA0';
    char SavedPropertySeparator = '\x07';
    char SavedStringListCRLF = '\x08';  // not used by the format
    char SaveLineCRLF = '\x06';
    TKZNTreeNodeSaveProperties DefaultRestoreNodeProperties;
    // The permission bits a file made by SaveToFile gets (less the umask); a
    // replaced file keeps its own.
    unsigned NewFileMode = 0666;

    bool GetDblClickExpand() const { return FDblClickExpand; }
    void SetDblClickExpand(bool value);
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    bool ShowDragTargetRectangle = false;
    TKZNDragNodeTargetShow DragTargetRectangle;
    // The time the pause between two scroll steps of the drop marker is measured on.
    timing::TTimeSource Clock;
    // Icons by image index (ImageIndex of a node; none when out of range).
    QList<QIcon> Images;

    // Events.
    TTreeNotifyEvent OnEXBefoerLoad, OnEXAfterLoad, OnEXBefoerSave, OnEXAfterSave;
    TTreeNotifyEvent OnAfterDelete;
    TKZNTreeNodeMouseClickEvent OnNodeClickLeft, OnNodeClickMiddle, OnNodeClickRight;
    TElseClickEvent OnElseNodeClickLeft, OnElseNodeClickMiddle, OnElseNodeClickRight;
    TTreeNotifyEvent OnPopUpWindowOpen, OnPopUpWindowClose;
    TTreeNotifyEvent OnLoaded;
    // Sees every event before the control's own handling.
    std::function<void(TKZNTreeView* sender, QEvent* event)> OnWinProc;
    // A caption edited by the user: the handler may change the new text before it is taken.
    std::function<void(TKZNTreeView* sender, TTreeNodeEx* node, std::string& text)> OnEdited;
    // Makes the node for CreateNode; the default makes a TKZNTreeNode.
    std::function<TKZNTreeNode*(TKZNTreeView* tree)> OnCreateNodeClass;
    // Drag and drop for the owner: without a handler the tree's own behaviour applies.
    std::function<void(TKZNTreeView* sender, QDragMoveEvent* event)> OnDragOver;
    std::function<void(TKZNTreeView* sender, QDropEvent* event)> OnDragDrop;
    // The data of a drag started on the node; no drag when it gives null.
    std::function<QMimeData*(TKZNTreeView* sender, TTreeNodeEx* node)> OnStartDrag;

    // The owner calls this once its properties are set (the form is built).
    virtual void Loaded();
    // A new node of the node class, not yet in the tree; takes DefaultRestoreNodeProperties.
    virtual TKZNTreeNode* CreateNode();

    // A new node with the caption: the last child of parent, or the last root node.
    TKZNTreeNode* Add(TTreeNodeEx* parent, std::string_view text);
    // Deletes the node and its subtree.
    void Delete(TTreeNodeEx* node);
    void ClearNodes();
    int GetCount() const;  // every node
    int RootCount() const { return topLevelItemCount(); }
    TTreeNodeEx* Root(int index) const;
    TTreeNodeEx* GetFirstNode() const { return Root(0); }
    TTreeNodeEx* GetSelected() const;
    void SetSelected(TTreeNodeEx* node);
    TTreeNodeEx* NodeAt(QPoint p) const;  // viewport coordinates
    // Every node in tree order.
    void ForEachNode(const std::function<void(TTreeNodeEx* node)>& f) const;
    // The node of that serial number in the tree; null when none.
    TTreeNodeEx* FindBySerial(uint64_t serial) const;
    bool IsDestroying() const { return FDestroying; }

    // Caption editing.
    void EditText(TTreeNodeEx* node);
    bool IsEditing() const;
    void EndEdit(bool cancel);

    // Saving and loading.
    void SaveToStream(std::ostream& stream, char indentChar);
    std::string SaveToText(char indentChar);
    // Written to a temporary file and renamed over the file; EFCreateError when it cannot be written.
    void SaveToFile(std::string_view fileName);
    void SaveToFileEx(std::string_view fileName, char indentChar);
    void LoadFromStream(std::istream& stream, char indentChar);
    void LoadFromText(std::string_view text, char indentChar);
    // EFOpenError when the file cannot be read.
    void LoadFromFile(std::string_view fileName);
    void LoadFromFileEx(std::string_view fileName, char indentChar);

    // Drop position at a viewport point: 0 no node, 1 on the node (its upper 70 %), 2 below it.
    int GetDragTargetPosition(QPoint p);
    // The node's text rectangle (right and bottom exclusive).
    TRect NodeTextRect(TTreeNodeEx* node) const;
    // The split line of a text rectangle: Top + 70 % of its height, halves to even.
    static int DragSplitLine(const TRect& r);
    // The drop marker and auto-scroll for a viewport point during a drag.
    virtual void DrawDragTarget(QPoint p);
    void ClearDragTarget();

    // A window message sent to the control: $144B and $144C fire the pop-up events.
    intptr_t Perform(uint32_t msg, uintptr_t wParam, intptr_t lParam);

    // IKZNTreeFormatNodes
    void ClearFormatNodes() override;
    IKZNTreeFormatNode* AddFormatNode(IKZNTreeFormatNode* parent, const std::string& text) override;
    IKZNTreeFormatNode* GetFormatParent(IKZNTreeFormatNode* node) override;
    void ForEachFormatNode(const std::function<void(IKZNTreeFormatNode& node, int level)>& f) override;

    // IFolderTreeNodes: parent is a TTreeNodeEx* (null for a root node); gives the new node.
    void* AddChildNode(void* parent, const std::string& text) override;

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    friend class TTreeNodeEx;
    template <class F>
    void WalkNodes(F&& f) const;  // f(item, level) in tree order
    void Fire(const TTreeNotifyEvent& ev);
    TKZNTreeFormatChars FormatChars(char indentChar) const;

    bool FDblClickExpand = true;
    bool FReadOnly = false;
    bool FDestroying = false;
    // drop marker
    TTreeNodeEx* FMarkNode = nullptr;
    int FMarkKind = 0;
    QPoint FLastDragPoint;
    std::optional<timing::TTimePoint> FScrollPause;  // when the last scroll step was made
    QTimer FDragTimer;
};
