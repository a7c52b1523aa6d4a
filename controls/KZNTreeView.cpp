#include "KZNTreeView.h"

#include <istream>
#include <iterator>
#include <ostream>

#include <QDrag>
#include <QGuiApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include "AppException.h"
#include "CP932Qt.h"
#include "FileSystem.h"
#include "KZNColor.h"
#include "KZNRectangle.h"

namespace {
constexpr uint32_t CM_POPUPWINDOWOPEN = 0x144B;
constexpr uint32_t CM_POPUPWINDOWCLOSE = 0x144C;
constexpr int kDragPauseMs = 50;
constexpr int kDragBottomMargin = 5;
// Node serial numbers: 64 bits never wrap within a run.
uint64_t gLastNodeSerial = 0;
}  // namespace

// ---------------------------------------------------------------------------
// TKZNExtendNodeData

TStringList& TKZNExtendNodeData::Lists(int index) {
    TStringList* lists[10] = {&StringList,   &StringList01, &StringList02, &StringList03, &StringList04,
                              &StringList05, &StringList06, &StringList07, &StringList08, &StringList09};
    return *lists[index];
}

void TKZNExtendNodeData::Clear() {
    List.clear();
    for (int i = 0; i < 10; ++i) Lists(i).Clear();
}

void TKZNExtendNodeData::Assign(const TKZNExtendNodeData& other) {
    Clear();
    List.insert(List.end(), other.List.begin(), other.List.end());
    for (int i = 0; i < 10; ++i) Lists(i).Assign(const_cast<TKZNExtendNodeData&>(other).Lists(i));
}

// ---------------------------------------------------------------------------
// TTreeNodeEx

TTreeNodeEx::TTreeNodeEx(TKZNTreeView* tree) : FTree(tree), FSerial(++gLastNodeSerial) {
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsDragEnabled |
             Qt::ItemIsDropEnabled);
    setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

TTreeNodeEx::~TTreeNodeEx() {
    FData.reset();
    if (FTree && FTree->FMarkNode == this) FTree->FMarkNode = nullptr;
    // out of the tree first, so that the tree no longer holds this node when it is told
    if (QTreeWidgetItem* p = parent()) {
        p->removeChild(this);
    } else if (QTreeWidget* w = treeWidget()) {
        int i = w->indexOfTopLevelItem(this);
        if (i >= 0) w->takeTopLevelItem(i);
    }
    if (FTree && !FTree->FDestroying && FTree->OnAfterDelete) {
        TKZNTreeView* tree = FTree;
        app::Guard([&] { tree->OnAfterDelete(tree); });
    }
}

TKZNExtendNodeData* TTreeNodeEx::Data() const {
    if (!FData) FData = std::make_unique<TKZNExtendNodeData>();
    return FData.get();
}

void TTreeNodeEx::Assign(const TTreeNodeEx& source) {
    SetText(source.Text());
    SetImageIndex(source.GetImageIndex());
    SelectedIndex = source.SelectedIndex;
    StateIndex = source.StateIndex;
    OverlayIndex = source.OverlayIndex;
    SetCut(source.GetCut());
    SetDropTarget(source.GetDropTarget());
    SetHasChildren(source.childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator);
}

void TTreeNodeEx::SetText(std::string_view text) {
    FText.assign(text.data(), text.size());
    ShowText();
}

void TTreeNodeEx::ShowText() {
    // The item keeps no copy of the caption: data() makes the shown text from
    // the bytes whenever it is asked for. A view showing the node draws it again.
    if (treeWidget()) emitDataChanged();
}

void TTreeNodeEx::setData(int column, int role, const QVariant& value) {
    if (column == 0 && (role == Qt::EditRole || role == Qt::DisplayRole)) {
        // an edit by the user (or a direct Qt call): the CP932 caption follows
        std::string text = cp932::FromQString(value.toString());
        if (FTree && FTree->OnEdited) {
            TKZNTreeView* tree = FTree;
            app::Guard([&] { tree->OnEdited(tree, this, text); });
        }
        FText = text;
        ShowText();
        return;
    }
    QTreeWidgetItem::setData(column, role, value);
}

TTreeNodeEx* TTreeNodeEx::Parent() const { return static_cast<TTreeNodeEx*>(parent()); }

TTreeNodeEx* TTreeNodeEx::Item(int index) const { return static_cast<TTreeNodeEx*>(child(index)); }

int TTreeNodeEx::Index() const {
    if (QTreeWidgetItem* p = parent()) return p->indexOfChild(const_cast<TTreeNodeEx*>(this));
    if (QTreeWidget* w = treeWidget()) return w->indexOfTopLevelItem(const_cast<TTreeNodeEx*>(this));
    return -1;
}

int TTreeNodeEx::Level() const {
    int level = 0;
    for (QTreeWidgetItem* p = parent(); p; p = p->parent()) ++level;
    return level;
}

TTreeNodeEx* TTreeNodeEx::GetNext() const {
    if (childCount() > 0) return Item(0);
    for (const TTreeNodeEx* n = this; n; n = n->Parent())
        if (TTreeNodeEx* s = n->GetNextSibling()) return s;
    return nullptr;
}

TTreeNodeEx* TTreeNodeEx::GetPrevSibling() const {
    int i = Index();
    if (i <= 0) return nullptr;
    if (QTreeWidgetItem* p = parent()) return static_cast<TTreeNodeEx*>(p->child(i - 1));
    return static_cast<TTreeNodeEx*>(treeWidget()->topLevelItem(i - 1));
}

TTreeNodeEx* TTreeNodeEx::GetNextSibling() const {
    int i = Index();
    if (i < 0) return nullptr;
    if (QTreeWidgetItem* p = parent()) return static_cast<TTreeNodeEx*>(p->child(i + 1));
    return static_cast<TTreeNodeEx*>(treeWidget()->topLevelItem(i + 1));
}

TTreeNodeEx* TTreeNodeEx::GetFirstSibling() const {
    if (FTree && FTree->IsDestroying()) return nullptr;
    if (QTreeWidgetItem* p = parent()) return static_cast<TTreeNodeEx*>(p->child(0));
    if (QTreeWidget* w = treeWidget()) return static_cast<TTreeNodeEx*>(w->topLevelItem(0));
    return nullptr;
}

TTreeNodeEx* TTreeNodeEx::GetLastSibling() const {
    if (FTree && FTree->IsDestroying()) return nullptr;
    if (QTreeWidgetItem* p = parent()) return static_cast<TTreeNodeEx*>(p->child(p->childCount() - 1));
    if (QTreeWidget* w = treeWidget())
        return static_cast<TTreeNodeEx*>(w->topLevelItem(w->topLevelItemCount() - 1));
    return nullptr;
}

bool TTreeNodeEx::IsFirstSibling() const { return GetFirstSibling() == this; }
bool TTreeNodeEx::IsLastSibling() const { return GetLastSibling() == this; }

void TTreeNodeEx::MoveTo(int newIndex) {
    QTreeWidget* w = treeWidget();
    QTreeWidgetItem* p = parent();
    bool wasCurrent = w && w->currentItem() == this;
    bool wasSelected = isSelected();
    bool wasExpanded = isExpanded();
    // the expanded state of the subtree is kept across the move
    std::vector<QTreeWidgetItem*> expanded;
    if (w) {
        std::vector<QTreeWidgetItem*> stack{this};
        while (!stack.empty()) {
            QTreeWidgetItem* n = stack.back();
            stack.pop_back();
            if (n != this && n->isExpanded()) expanded.push_back(n);
            for (int i = 0; i < n->childCount(); ++i) stack.push_back(n->child(i));
        }
    }
    int i = Index();
    if (p) {
        p->takeChild(i);
        p->insertChild(newIndex, this);
    } else if (w) {
        w->takeTopLevelItem(i);
        w->insertTopLevelItem(newIndex, this);
    }
    if (w) {
        setExpanded(wasExpanded);
        for (QTreeWidgetItem* n : expanded) n->setExpanded(true);
        if (wasCurrent) w->setCurrentItem(this);
        if (wasSelected) setSelected(true);
    }
}

void TTreeNodeEx::MoveUp() {
    if (IsFirstSibling()) return;
    MoveTo(Index() - 1);
}

void TTreeNodeEx::MoveDown() {
    if (IsLastSibling()) return;
    // taken out first, so the node lands before the sibling after its next one (or at the end)
    MoveTo(Index() + 1);
}

bool TTreeNodeEx::IsDescendantOf(const TTreeNodeEx* node) const {
    if (!node) return false;
    for (QTreeWidgetItem* p = parent(); p; p = p->parent())
        if (p == node) return true;
    return false;
}

void TTreeNodeEx::SetCut(bool value) {
    FCut = value;
    if (value)
        setForeground(0, QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text));
    else
        setData(0, Qt::ForegroundRole, QVariant());
}

void TTreeNodeEx::SetDropTarget(bool value) {
    FDropTarget = value;
    if (value)
        setBackground(0, QGuiApplication::palette().brush(QPalette::Highlight));
    else
        setData(0, Qt::BackgroundRole, QVariant());
}

bool TTreeNodeEx::GetFocused() const {
    QTreeWidget* w = treeWidget();
    return w && w->currentItem() == this;
}

void TTreeNodeEx::SetFocused(bool value) {
    QTreeWidget* w = treeWidget();
    if (!w) return;
    if (value)
        w->setCurrentItem(this, 0, QItemSelectionModel::NoUpdate);
    else if (w->currentItem() == this)
        w->setCurrentItem(nullptr, 0, QItemSelectionModel::NoUpdate);
}

void TTreeNodeEx::SetSelected(bool value) {
    QTreeWidget* w = treeWidget();
    if (!w) return;
    if (value)
        w->setCurrentItem(this);
    else
        setSelected(false);
}

bool TTreeNodeEx::GetHasChildren() const {
    return childCount() > 0 || childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
}

void TTreeNodeEx::SetHasChildren(bool value) {
    setChildIndicatorPolicy(value ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TTreeNodeEx::SetImageIndex(int value) {
    const bool changed = value != FImageIndex;
    FImageIndex = value;
    // an icon set directly gives way to the image index
    if (QTreeWidgetItem::data(0, Qt::DecorationRole).isValid()) {
        QTreeWidgetItem::setData(0, Qt::DecorationRole, QVariant());
    } else if (changed && treeWidget()) {
        emitDataChanged();
    }
}

QVariant TTreeNodeEx::data(int column, int role) const {
    if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole)) return cp932::ToQString(FText);
    if (column != 0 || role != Qt::DecorationRole) return QTreeWidgetItem::data(column, role);
    QVariant own = QTreeWidgetItem::data(column, role);
    if (own.isValid() || !FTree || FImageIndex < 0 || FImageIndex >= FTree->Images.size()) return own;
    return QVariant(FTree->Images.at(FImageIndex));
}

// ---------------------------------------------------------------------------
// TKZNTreeNode

bool TKZNTreeNode::GetBoolProperty(TKZNTreeNodePublishedProperties p) const {
    switch (p) {
        case vtnCut: return GetCut();
        case vtnFocused: return GetFocused();
        case vtnDropTarget: return GetDropTarget();
        case vtnSelected: return GetSelected();
        case vtnExpanded: return GetExpanded();
        case vtnHasChildren: return GetHasChildren();
        default: return false;
    }
}

void TKZNTreeNode::SetBoolProperty(TKZNTreeNodePublishedProperties p, bool value) {
    switch (p) {
        case vtnCut: SetCut(value); break;
        case vtnFocused: SetFocused(value); break;
        case vtnDropTarget: SetDropTarget(value); break;
        case vtnSelected: SetSelected(value); break;
        case vtnExpanded: LoadedExpanded = value; break;
        case vtnHasChildren: SetHasChildren(value); break;
        default: break;
    }
}

int32_t TKZNTreeNode::GetIntProperty(TKZNTreeNodePublishedProperties p) const {
    switch (p) {
        case vtnImageIndex: return GetImageIndex();
        case vtnOverlayIndex: return OverlayIndex;
        case vtnSelectedIndex: return SelectedIndex;
        case vtnStateIndex: return StateIndex;
        default: return 0;
    }
}

void TKZNTreeNode::SetIntProperty(TKZNTreeNodePublishedProperties p, int32_t value) {
    switch (p) {
        case vtnImageIndex: SetImageIndex(value); break;
        case vtnOverlayIndex: OverlayIndex = value; break;
        case vtnSelectedIndex: SelectedIndex = value; break;
        case vtnStateIndex: StateIndex = value; break;
        default: break;
    }
}

void TKZNTreeNode::ApplyLoadedExpanded() {
    if (isExpanded() != LoadedExpanded) setExpanded(LoadedExpanded);
}

// ---------------------------------------------------------------------------
// TKZNTreeView

TKZNTreeView::TKZNTreeView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    FDragTimer.setInterval(kDragPauseMs);
    QObject::connect(&FDragTimer, &QTimer::timeout, this, [this] {
        app::Guard([&] { DrawDragTarget(FLastDragPoint); });
    });
}

TKZNTreeView::~TKZNTreeView() {
    FDestroying = true;
    FDragTimer.stop();
    blockSignals(true);  // nobody hears of a tree that is going away
    clear();
}

void TKZNTreeView::SetDblClickExpand(bool value) {
    FDblClickExpand = value;
    setExpandsOnDoubleClick(value);
}

void TKZNTreeView::SetReadOnly(bool value) {
    FReadOnly = value;
    setEditTriggers(value ? QAbstractItemView::NoEditTriggers
                          : QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
}

void TKZNTreeView::Fire(const TTreeNotifyEvent& ev) {
    if (ev) ev(this);
}

void TKZNTreeView::Loaded() { Fire(OnLoaded); }

TKZNTreeNode* TKZNTreeView::CreateNode() {
    TKZNTreeNode* node = OnCreateNodeClass ? OnCreateNodeClass(this) : nullptr;
    if (!node) node = new TKZNTreeNode(this);
    node->RestoreProperties = DefaultRestoreNodeProperties;
    return node;
}

TKZNTreeNode* TKZNTreeView::Add(TTreeNodeEx* parent, std::string_view text) {
    TKZNTreeNode* node = CreateNode();
    node->SetText(text);
    if (parent)
        parent->addChild(node);
    else
        addTopLevelItem(node);
    if (!Images.isEmpty()) node->SetImageIndex(node->GetImageIndex());
    return node;
}

void TKZNTreeView::Delete(TTreeNodeEx* node) {
    if (!node) return;
    // taken out while still whole, so that handlers of the selection change see a complete node
    if (QTreeWidgetItem* p = node->parent()) {
        p->removeChild(node);
    } else {
        int i = indexOfTopLevelItem(node);
        if (i >= 0) takeTopLevelItem(i);
    }
    delete node;
}

void TKZNTreeView::ClearNodes() {
    FMarkNode = nullptr;
    clear();
}

int TKZNTreeView::GetCount() const {
    int n = 0;
    ForEachNode([&](TTreeNodeEx*) { ++n; });
    return n;
}

TTreeNodeEx* TKZNTreeView::Root(int index) const { return static_cast<TTreeNodeEx*>(topLevelItem(index)); }

TTreeNodeEx* TKZNTreeView::GetSelected() const {
    QList<QTreeWidgetItem*> sel = selectedItems();
    if (sel.isEmpty()) return nullptr;
    QTreeWidgetItem* cur = currentItem();
    if (cur && cur->isSelected()) return static_cast<TTreeNodeEx*>(cur);
    return static_cast<TTreeNodeEx*>(sel.first());
}

void TKZNTreeView::SetSelected(TTreeNodeEx* node) {
    // The node alone, whatever modifier keys the application last saw (a tree
    // that selects several nodes would otherwise add to or toggle the selection).
    if (node)
        setCurrentItem(node, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        clearSelection();
}

TTreeNodeEx* TKZNTreeView::NodeAt(QPoint p) const { return static_cast<TTreeNodeEx*>(itemAt(p)); }

void TKZNTreeView::ForEachNode(const std::function<void(TTreeNodeEx* node)>& f) const {
    WalkNodes([&](QTreeWidgetItem* n, int) { f(static_cast<TTreeNodeEx*>(n)); });
}

TTreeNodeEx* TKZNTreeView::FindBySerial(uint64_t serial) const {
    if (serial == 0) return nullptr;
    std::vector<QTreeWidgetItem*> stack;
    for (int i = topLevelItemCount() - 1; i >= 0; --i) stack.push_back(topLevelItem(i));
    while (!stack.empty()) {
        auto* n = static_cast<TTreeNodeEx*>(stack.back());
        stack.pop_back();
        if (n->Serial() == serial) return n;
        for (int i = n->childCount() - 1; i >= 0; --i) stack.push_back(n->child(i));
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// TTreeNodeRef

TTreeNodeRef::TTreeNodeRef(const TTreeNodeEx* node) {
    if (!node || !node->Tree()) return;
    FTree = node->Tree();
    FSerial = node->Serial();
}

TTreeNodeEx* TTreeNodeRef::Get() const { return FTree ? FTree->FindBySerial(FSerial) : nullptr; }

template <class F>
void TKZNTreeView::WalkNodes(F&& f) const {
    std::vector<std::pair<QTreeWidgetItem*, int>> stack;
    for (int i = topLevelItemCount() - 1; i >= 0; --i) stack.emplace_back(topLevelItem(i), 0);
    while (!stack.empty()) {
        auto [n, level] = stack.back();
        stack.pop_back();
        f(n, level);
        for (int i = n->childCount() - 1; i >= 0; --i) stack.emplace_back(n->child(i), level + 1);
    }
}

void TKZNTreeView::EditText(TTreeNodeEx* node) {
    if (!node) return;
    scrollToItem(node);
    editItem(node, 0);
}

bool TKZNTreeView::IsEditing() const { return state() == QAbstractItemView::EditingState; }

void TKZNTreeView::EndEdit(bool cancel) {
    if (!IsEditing()) return;
    QWidget* editor = indexWidget(currentIndex());
    if (!editor) return;
    if (!cancel) commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

// --- saving and loading ----------------------------------------------------

TKZNTreeFormatChars TKZNTreeView::FormatChars(char indentChar) const {
    TKZNTreeFormatChars chars;
    chars.Indent = indentChar;
    chars.Separator = SavedPropertySeparator;
    chars.LineEnd = SaveLineCRLF;
    return chars;
}

std::string TKZNTreeView::SaveToText(char indentChar) {
    Fire(OnEXBefoerSave);
    struct After {
        TKZNTreeView* t;
        ~After() { app::Guard([&] { t->Fire(t->OnEXAfterSave); }); }
    } after{this};
    return KZNTreeSaveText(*this, DefaultRestoreNodeProperties, FormatChars(indentChar));
}

void TKZNTreeView::SaveToStream(std::ostream& stream, char indentChar) {
    std::string text = SaveToText(indentChar);
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void TKZNTreeView::SaveToFile(std::string_view fileName) { SaveToFileEx(fileName, SavedIndentChar); }

void TKZNTreeView::SaveToFileEx(std::string_view fileName, char indentChar) {
    std::string text = SaveToText(indentChar);
    if (!fs932::WriteFileAtomic(fileName, text, NewFileMode))
        throw EFCreateError("ファイル " + std::string(fileName) + " を作成できません");
}

void TKZNTreeView::LoadFromText(std::string_view text, char indentChar) {
    Fire(OnEXBefoerLoad);
    struct After {
        TKZNTreeView* t;
        ~After() {
            t->setUpdatesEnabled(true);
            app::Guard([&] { t->Fire(t->OnEXAfterLoad); });
        }
    } after{this};
    setUpdatesEnabled(false);
    KZNTreeLoadText(*this, text, FormatChars(indentChar));
}

void TKZNTreeView::LoadFromStream(std::istream& stream, char indentChar) {
    std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    LoadFromText(text, indentChar);
}

void TKZNTreeView::LoadFromFile(std::string_view fileName) { LoadFromFileEx(fileName, SavedIndentChar); }

void TKZNTreeView::LoadFromFileEx(std::string_view fileName, char indentChar) {
    std::string bytes;
    if (!fs932::ReadFile(fileName, bytes))
        throw EFOpenError("ファイル " + std::string(fileName) + " を開けません");
    LoadFromText(bytes, indentChar);
}

void TKZNTreeView::ClearFormatNodes() { ClearNodes(); }

IKZNTreeFormatNode* TKZNTreeView::AddFormatNode(IKZNTreeFormatNode* parent, const std::string& text) {
    return Add(static_cast<TKZNTreeNode*>(parent), text);
}

IKZNTreeFormatNode* TKZNTreeView::GetFormatParent(IKZNTreeFormatNode* node) {
    auto* n = static_cast<TKZNTreeNode*>(node);
    return static_cast<TKZNTreeNode*>(n->Parent());
}

void TKZNTreeView::ForEachFormatNode(const std::function<void(IKZNTreeFormatNode& node, int level)>& f) {
    WalkNodes([&](QTreeWidgetItem* n, int level) { f(*static_cast<TKZNTreeNode*>(n), level); });
}

void* TKZNTreeView::AddChildNode(void* parent, const std::string& text) {
    return static_cast<TTreeNodeEx*>(Add(static_cast<TTreeNodeEx*>(parent), text));
}

// --- events -----------------------------------------------------------------

bool TKZNTreeView::event(QEvent* e) {
    if (OnWinProc) app::Guard([&] { OnWinProc(this, e); });
    return QTreeWidget::event(e);
}

intptr_t TKZNTreeView::Perform(uint32_t msg, uintptr_t, intptr_t) {
    if (msg == CM_POPUPWINDOWOPEN) Fire(OnPopUpWindowOpen);
    if (msg == CM_POPUPWINDOWCLOSE) Fire(OnPopUpWindowClose);
    return 0;
}

void TKZNTreeView::mousePressEvent(QMouseEvent* e) {
    QTreeWidget::mousePressEvent(e);
    QPoint p = e->position().toPoint();
    Qt::MouseButton button = e->button();
    Qt::KeyboardModifiers shift = e->modifiers();
    app::Guard([&] {
        TTreeNodeEx* node = NodeAt(p);
        if (node) {
            setCurrentItem(node);
            if (button == Qt::LeftButton && OnNodeClickLeft) OnNodeClickLeft(this, shift, node);
            if (button == Qt::RightButton && OnNodeClickRight) OnNodeClickRight(this, shift, node);
            if (button == Qt::MiddleButton && OnNodeClickMiddle) OnNodeClickMiddle(this, shift, node);
        } else {
            if (button == Qt::LeftButton && OnElseNodeClickLeft) OnElseNodeClickLeft(this, shift);
            if (button == Qt::RightButton && OnElseNodeClickRight) OnElseNodeClickRight(this, shift);
            if (button == Qt::MiddleButton && OnElseNodeClickMiddle) OnElseNodeClickMiddle(this, shift);
        }
    });
}

void TKZNTreeView::startDrag(Qt::DropActions supportedActions) {
    if (!OnStartDrag) {
        QTreeWidget::startDrag(supportedActions);
        return;
    }
    QMimeData* data = nullptr;
    app::Guard([&] { data = OnStartDrag(this, static_cast<TTreeNodeEx*>(currentItem())); });
    if (!data) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(supportedActions);
}

void TKZNTreeView::dragEnterEvent(QDragEnterEvent* e) {
    if (OnDragOver) {
        e->ignore();
        app::Guard([&] { OnDragOver(this, e); });
    } else {
        QTreeWidget::dragEnterEvent(e);
    }
}

void TKZNTreeView::dragMoveEvent(QDragMoveEvent* e) {
    if (OnDragOver) {
        e->ignore();
        app::Guard([&] { OnDragOver(this, e); });
    } else {
        QTreeWidget::dragMoveEvent(e);
    }
    if (ShowDragTargetRectangle) {
        FLastDragPoint = e->position().toPoint();
        app::Guard([&] { DrawDragTarget(FLastDragPoint); });
        if (!FDragTimer.isActive()) FDragTimer.start();
    }
}

void TKZNTreeView::dragLeaveEvent(QDragLeaveEvent* e) {
    ClearDragTarget();
    QTreeWidget::dragLeaveEvent(e);
}

void TKZNTreeView::dropEvent(QDropEvent* e) {
    ClearDragTarget();
    if (OnDragDrop) {
        app::Guard([&] { OnDragDrop(this, e); });
    } else {
        QTreeWidget::dropEvent(e);
    }
}

// --- drop marker --------------------------------------------------------------

int TKZNTreeView::DragSplitLine(const TRect& r) {
    // Top + (Bottom - Top) * 0.7 in tenths, rounded to the nearest integer, halves to even
    int64_t tenths = int64_t(r.Top) * 10 + int64_t(r.Bottom - r.Top) * 7;
    int64_t q = tenths / 10, rem = tenths % 10;
    if (rem < 0) {
        rem += 10;
        --q;
    }
    if (rem > 5 || (rem == 5 && (q & 1))) ++q;
    return static_cast<int>(q);
}

TRect TKZNTreeView::NodeTextRect(TTreeNodeEx* node) const {
    QRect row = visualItemRect(node);
    int left = row.left();
    if (!node->icon(0).isNull()) left += iconSize().width() > 0 ? iconSize().width() + 4 : 20;
    int width = fontMetrics().horizontalAdvance(node->text(0)) + 6;
    int right = std::min(left + width, row.left() + row.width());
    return TRect{left, row.top(), right, row.top() + row.height()};
}

int TKZNTreeView::GetDragTargetPosition(QPoint p) {
    TTreeNodeEx* node = NodeAt(p);
    if (!node) return 0;
    TRect r = NodeTextRect(node);
    TRect lower{r.Left, DragSplitLine(r), r.Right, r.Bottom};
    return TRectangle::IsPointInRect(lower, TPoint{p.x(), p.y()}) ? 2 : 1;
}

void TKZNTreeView::ClearDragTarget() {
    FDragTimer.stop();
    if (FMarkNode || FMarkKind) {
        FMarkNode = nullptr;
        FMarkKind = 0;
        viewport()->update();
    }
}

void TKZNTreeView::DrawDragTarget(QPoint p) {
    TTreeNodeEx* node = ShowDragTargetRectangle ? NodeAt(p) : nullptr;
    if (!node) {
        if (FMarkNode) {
            FMarkNode = nullptr;
            viewport()->update();
        }
        return;
    }
    // each scroll step is followed by a pause before the next one
    bool paused = FScrollPause && Clock.Now() - *FScrollPause < std::chrono::milliseconds(kDragPauseMs);
    if (!paused && node == NodeAt(QPoint(1, 1))) {
        if (auto* prev = static_cast<TTreeNodeEx*>(itemAbove(node))) {
            scrollToItem(prev, QAbstractItemView::PositionAtTop);
            node = prev;
            FScrollPause = Clock.Now();
            paused = true;
        }
    }
    if (!paused) {
        TRect r = NodeTextRect(node);
        if (viewport()->height() - r.Bottom < kDragBottomMargin) {
            if (TTreeNodeEx* next = node->GetNext()) {
                setCurrentItem(next);
                scrollToItem(next);
                node = next;
                FScrollPause = Clock.Now();
            }
        }
    }
    FMarkNode = node;
    FMarkKind = GetDragTargetPosition(p);
    viewport()->update();
}

void TKZNTreeView::paintEvent(QPaintEvent* e) {
    QTreeWidget::paintEvent(e);
    if (!FMarkNode || FMarkKind == 0) return;
    TRect r = NodeTextRect(FMarkNode);
    QPainter painter(viewport());
    painter.setPen(QPen(ToQColor(DragTargetRectangle.LineColor)));
    if (FMarkKind == 1)
        painter.drawRect(r.Left, r.Top, r.Right - r.Left - 1, r.Bottom - r.Top - 1);
    else
        painter.drawLine(r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom - 1);
}
