#include "U_DescTreeManager.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_set>

#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QPixmap>
#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>

#include "AppException.h"
#include "CP932Qt.h"
#include "CP932Text.h"
#include "KZNTabFloat.h"
#include "ScopeExit.h"
#include "U_ExprolerManager.h"
#include "SysUtils.h"
#include "T_FolderFile.h"
#include "T_KZNUtil.h"
#include "U_DataSetStrings.h"
#include "U_DescTreeManagerParts.h"
#include "U_Form_DesctreeProperty.h"
#include "U_Frame_SQLClient.h"
#include "U_SQL99.h"

using desctree::EqualNoCase;
using desctree::JoinPath;
using desctree::NormalizePath;
using desctree::Repeat;
using desctree::Upper;

namespace {

// An icon file read through the program's own file access, which never waits
// on a FIFO or a device standing in its place; null when it cannot be read.
QIcon IconFromFile(const std::string& Path) {
    std::string bytes;
    if (!fs932::ReadFile(Path, bytes)) return QIcon();
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QIcon icon;
    do {
        const QImage image = reader.read();
        if (image.isNull()) break;
        icon.addPixmap(QPixmap::fromImage(image));
    } while (reader.jumpToNextImage());
    return icon;
}

const char* const kParamsPage = "Params";
constexpr int32_t kFirstItemOrder = 5000;

std::string MessageOf(const std::exception& e) {
    if (const auto* x = dynamic_cast<const Exception*>(&e)) return x->Message;
    return e.what();
}

// Sub-folder names and the depth rule of a node kind.
bool FolderFits(const std::string& name, TDescNodeKind kind, int depth) {
    if (kind == dnkItem) return TKZNUtil::CountLeadingChar('_', name) == depth;
    return name.empty() || name[0] != '_';
}

}  // namespace

// ---------------------------------------------------------------------------
// The tree's nodes and the scopes of an operation

TDescTreeManager::TNode* TDescTreeManager::NodeData(TTreeNodeEx* Node) { return dynamic_cast<TNode*>(Node); }

const TDescTreeManager::TNode* TDescTreeManager::NodeData(const TTreeNodeEx* Node) {
    return dynamic_cast<const TNode*>(Node);
}

// FLoading set for the span of a scope, and put back as it was after it.
class TDescTreeManager::TLoadingScope {
public:
    explicit TLoadingScope(TDescTreeManager& m) : M(m), Old(m.FLoading) { M.FLoading = true; }
    ~TLoadingScope() { End(); }
    // Puts FLoading back before the scope ends.
    void End() { M.FLoading = Old; }

private:
    TDescTreeManager& M;
    bool Old;
};

// The hourglass while an operation runs.
class TDescTreeManager::TCursorScope {
public:
    explicit TCursorScope(TFrameSQLClient* frame) : Frame(frame), Old(frame->GetScreenCursor()) {
        Frame->SetScreenCursor(crHourGlass);
    }
    ~TCursorScope() { Frame->SetScreenCursor(Old); }

private:
    TFrameSQLClient* Frame;
    int Old;
};

// ---------------------------------------------------------------------------
// TDescDragObj, TScriptExecuteMenuItem

const char* const TDescDragObj::Format = "application/x-zintavor-object-tree-node";

TDescDragObj::TDescDragObj(TTreeNodeEx* Node) : FNode(Node) {
    setData(Format, QByteArray());
    if (Node) setText(cp932::ToQString(Node->Text()));
}

TDescTreeManager* TDescDragObj::Manager() const { return TDescTreeManager::ManagerOf(Node()); }

void TDescDragObj::GetScriptNames(TStringList& Names) const {
    Names.Clear();
    TTreeNodeEx* node = Node();
    if (TDescTreeManager* m = TDescTreeManager::ManagerOf(node)) m->GetScriptNames(node, Names);
}

const TDescDragObj* TDescDragObj::From(const QMimeData* Data) { return dynamic_cast<const TDescDragObj*>(Data); }

TScriptExecuteMenuItem::TScriptExecuteMenuItem(const std::string& Caption, QObject* Parent)
    : QAction(cp932::ToQString(Caption), Parent) {}

// ---------------------------------------------------------------------------
// Creation

TDescTreeManager::TDescTreeManager(TFrameSQLClient* Frame, TKZNTreeView* TreeView, std::string ProgramFolder)
    : Frame(Frame),
      TreeView(TreeView),
      Panel_DelcTreeBase(Frame->Panel_DelcTreeBase),
      Label_DescTreeAddress(Frame->Label_DescTreeAddress),
      Panel_DescTreeCurrentNode(Frame->Panel_DescTreeCurrentNode),
      PageControl_DescTreeProperty(Frame->PageControl_DescTreeProperty),
      PopupMenu(Frame->KZNTreeView_Desc_PopupMenu),
      FProgramFolder(std::move(ProgramFolder)),
      FContext(std::make_unique<QObject>()) {
    FParamsPage = AddPropertyPage(kParamsPage);
    // A property tab dragged out floats in a window of its own, showing the
    // selected node's page like the tabs; closed, it comes back among them.
    FFloater = std::make_unique<TKZNTabFloater>(PageControl_DescTreeProperty);
    FFloater->OnDocked = [this](QWidget* Page) {
        app::Guard([&] {
            SortPropertyPages();
            PageControl_DescTreeProperty->setCurrentWidget(Page);
            ShowPropertyPage();
        });
    };

    TreeView->OnCreateNodeClass = [this](TKZNTreeView* tree) -> TKZNTreeNode* { return new TNode(tree, this); };
    TreeView->SetReadOnly(true);
    TreeView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    TreeView->setDragEnabled(true);
    TreeView->setDragDropMode(QAbstractItemView::DragOnly);
    TreeView->setContextMenuPolicy(Qt::NoContextMenu);
    FChangeTimer.setSingleShot(true);

    QObject* ctx = FContext.get();
    QObject::connect(&FChangeTimer, &QTimer::timeout, ctx, [this] { app::Guard([this] { SelectionChanged(); }); });
    QObject::connect(TreeView, &QTreeWidget::currentItemChanged, ctx, [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
        app::Guard([&] {
            if (current) Panel_DescTreeCurrentNode->setText(cp932::ToQString(static_cast<TTreeNodeEx*>(current)->Text()));
            if (!FLoading) FChangeTimer.start(ChangeDelay);
        });
    });
    QObject::connect(TreeView, &QTreeWidget::itemExpanded, ctx, [this](QTreeWidgetItem* item) {
        if (FLoading) return;
        app::Guard([&] { ExpandNode(static_cast<TTreeNodeEx*>(item)); });
    });
    // Several nodes may be selected, siblings only. Queued: an item records its
    // own selection only after the selection's signal has been delivered.
    QObject::connect(
        TreeView, &QTreeWidget::itemSelectionChanged, ctx,
        [this] {
            QTreeWidgetItem* current = this->TreeView->currentItem();
            if (!current) return;
            QSignalBlocker block(this->TreeView);
            for (QTreeWidgetItem* item : this->TreeView->selectedItems())
                if (item->parent() != current->parent()) item->setSelected(false);
        },
        Qt::QueuedConnection);
    QObject::connect(PageControl_DescTreeProperty, &QTabWidget::currentChanged, ctx,
                     [this](int) { app::Guard([this] { ShowPropertyPage(); }); });

    TreeView->OnNodeClickLeft = [this](TKZNTreeView*, Qt::KeyboardModifiers, TTreeNodeEx* node) {
        FChangeTimer.stop();
        NodeSelected(node);
    };
    TreeView->OnNodeClickRight = [this](TKZNTreeView*, Qt::KeyboardModifiers, TTreeNodeEx* node) {
        FChangeTimer.stop();
        FWatchNode = node;
        NodeSelected(node);
        if (!FWatchNode) return;  // gone while it was handled
        FillPopupMenu(node);
        PopupMenu->popup(QCursor::pos());
    };
    TreeView->OnWinProc = [this](TKZNTreeView*, QEvent* e) {
        if (e->type() != QEvent::KeyPress) return;
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter) return;
        if (TTreeNodeEx* node = this->TreeView->GetSelected()) node->SetExpanded(!node->GetExpanded());
    };
    TreeView->OnStartDrag = [this](TKZNTreeView*, TTreeNodeEx*) -> QMimeData* {
        TTreeNodeEx* node = this->TreeView->GetSelected();
        return node ? new TDescDragObj(node) : nullptr;
    };

    Panel_DelcTreeBase->setVisible(!RootFolder().empty());
    try {
        LoadObjectTrees();
    } catch (const std::exception& e) {
        // A damaged definition never keeps the window from opening.
        AddResultLine("■" + MessageOf(e));
    }
}

TDescTreeManager::~TDescTreeManager() {
    FChangeTimer.stop();
    FContext.reset();
    TreeView->OnCreateNodeClass = nullptr;
    TreeView->OnNodeClickLeft = nullptr;
    TreeView->OnNodeClickRight = nullptr;
    TreeView->OnWinProc = nullptr;
    TreeView->OnStartDrag = nullptr;
    // The nodes know this manager: they go first.
    {
        QSignalBlocker block(TreeView);
        TreeView->ClearNodes();
    }
    FFloater.reset();  // floating pages go with their windows
    if (PageControl_DescTreeProperty) {
        QSignalBlocker block(PageControl_DescTreeProperty);
        while (PageControl_DescTreeProperty->count() > 0) {
            QWidget* page = PageControl_DescTreeProperty->widget(0);
            PageControl_DescTreeProperty->removeTab(0);
            delete page;
        }
    }
}

void TDescTreeManager::SetProgramFolder(const std::string& Folder) {
    FProgramFolder = Folder;
    LoadObjectTrees();
}

std::string TDescTreeManager::RootFolder() const {
    std::vector<fs932::DirEntry> entries;
    if (!fs932::ListDirectory(FProgramFolder, entries)) return std::string();
    for (const fs932::DirEntry& e : entries)
        if (e.IsFolder && EqualNoCase(e.Name, "ObjectTree")) return JoinPath(FProgramFolder, e.Name);
    return std::string();
}

// ---------------------------------------------------------------------------
// Node data

TDescNodeKind TDescTreeManager::GetKind(const TTreeNodeEx* Node) {
    const TNode* n = NodeData(Node);
    return n ? static_cast<TDescNodeKind>(n->Kind) : dnkNone;
}

const std::string& TDescTreeManager::GetFolder(const TTreeNodeEx* Node) {
    const TNode* n = NodeData(Node);
    return n ? n->Place->Folder : TNode::NoPlace()->Folder;
}

const std::string& TDescTreeManager::GetOverrideFolder(const TTreeNodeEx* Node) {
    const TNode* n = NodeData(Node);
    return n ? n->Place->Override : TNode::NoPlace()->Override;
}

TStringList TDescTreeManager::GetParams(const TTreeNodeEx* Node) {
    const TNode* n = NodeData(Node);
    return n ? n->Params.List() : TStringList();
}

int TDescTreeManager::GetDepth(const TTreeNodeEx* Node) {
    int depth = 0;
    for (const TTreeNodeEx* n = Node; n && GetKind(n) == dnkItem; n = n->Parent()) ++depth;
    return depth;
}

int32_t TDescTreeManager::GetOrderValue(const TTreeNodeEx* Node) {
    const TNode* n = NodeData(Node);
    return n ? n->Order : 0;
}

bool TDescTreeManager::IsDone(const TTreeNodeEx* Node) {
    const TNode* n = NodeData(Node);
    return n && n->Done;
}

void TDescTreeManager::SetTitle(TTreeNodeEx* Node) {
    const TDescNodeKind kind = GetKind(Node);
    if (kind != dnkTop && kind != dnkFolder && kind != dnkItemFolder) throw EDescTreeManager("想定外のノード種別");
    if (!Frame->IsConnected()) return;
    const std::string file = FindNodeFile(Node, "Title.SQL");
    if (file.empty()) return;
    try {
        bool ok = false;
        const std::string& text = FCache.ReadText(file, ok);
        if (!ok) throw EDescTreeManager("ファイルを読めません [" + file + "]");
        std::unique_ptr<TDataSet> ds = RunQuery(ExpandPlaceholders(Node, text));
        std::string caption;
        if (ds && ds->Active()) {
            ds->First();
            if (!ds->Eof() && ds->FieldCount() > 0) caption = ds->Fields(0).AsString();
        }
        Node->SetText(caption);
    } catch (const std::exception&) {
        Node->SetText(Node->Text() + "←（タイトル設定失敗！！）");
    }
}

std::unique_ptr<TDataSet> TDescTreeManager::RunQuery(const std::string& SQL) {
    if (!Frame->OnExecuteSQL) throw EDescTreeManager("ユーザ実装エラー：SQL発行が実装されていません");
    std::unique_ptr<TDataSet> ds;
    std::string msg;
    Frame->OnExecuteSQL(Frame, SQL, TSQLKind::Query, ds, msg);
    return ds;
}

// ---------------------------------------------------------------------------
// Result page text

void TDescTreeManager::AddResultLine(const std::string& Line) {
    if (TResultConsole* c = Frame->ActiveResultConsole()) c->AddLine(Line);
}

void TDescTreeManager::AddResultEntry(const std::string& Text) {
    TResultConsole* c = Frame->ActiveResultConsole();
    if (!c) return;
    c->AddText(Text);
    c->CaretToEnd();
    c->SetCol(0);
    c->ScrollToEnd();
}

// ---------------------------------------------------------------------------
// Shown trees and loading

bool TDescTreeManager::AddObjectTree(const std::string& Name) {
    const std::string root = RootFolder();
    if (root.empty() || Name.empty()) return false;
    std::vector<fs932::DirEntry> entries;
    if (!fs932::ListDirectory(root, entries)) return false;
    for (const fs932::DirEntry& e : entries) {
        if (e.IsFolder && EqualNoCase(e.Name, Name)) {
            FShownTrees.Add(Name);
            return true;
        }
    }
    return false;
}

void TDescTreeManager::ClearObjectTrees() {
    FShownTrees.Clear();
    LoadObjectTrees();
}

bool TDescTreeManager::IsObjectTreeShown(const std::string& Name) const {
    return std::find(FShownTrees.Items.begin(), FShownTrees.Items.end(), Name) != FShownTrees.Items.end();
}

namespace {

// The folders below the root, in tree order, as AddFolderTree finds them.
class TFolderCollector : public IFolderTreeNodes {
public:
    struct Entry {
        int Parent;  // -1 for the root
        std::string Name;
        std::string Path;
    };
    void* AddChildNode(void* parent, const std::string& text) override {
        const int p = static_cast<int>(reinterpret_cast<intptr_t>(parent)) - 1;
        Entry e{p, text, p < 0 ? Root : JoinPath(Items[static_cast<size_t>(p)].Path, text)};
        Items.push_back(std::move(e));
        return reinterpret_cast<void*>(static_cast<intptr_t>(Items.size()));
    }
    std::string Root;
    std::vector<Entry> Items;
};

}  // namespace

void TDescTreeManager::LoadObjectTrees() {
    // Not under a running expansion (a query may let events through): afterwards.
    if (FExpanding > 0) {
        FReloadPending = true;
        return;
    }
    TOpScope scope(*this);
    TLoadingScope loading(*this);

    // 1. Empty.
    FIconMap.clear();
    TreeView->Images.clear();
    FChangeTimer.stop();
    {
        QSignalBlocker block(TreeView);
        TreeView->ClearNodes();
    }
    FLastNode = nullptr;
    // The pages, the address and the caption of the node shown go with it.
    ClearPropertyPages();

    // 2. The shown trees that exist.
    const std::string root = RootFolder();
    FolderPresent = !root.empty();
    std::unordered_set<std::string> shown;
    for (const std::string& name : FShownTrees.Items) shown.insert(Upper(name));
    bool any = false;
    if (FolderPresent) {
        TStringList subs;
        FCache.SubFolders(root, subs);
        for (const std::string& s : subs.Items) any = any || shown.count(Upper(s)) > 0;
    }
    if (!any) {
        Panel_DelcTreeBase->setVisible(false);
        return;
    }

    // 3. Every definition folder of the shown trees.
    TFolderCollector folders;
    folders.Root = root;
    TFolderFile::AddFolderTree(root, folders, nullptr);
    std::vector<bool> keep(folders.Items.size(), false);
    for (size_t i = 0; i < folders.Items.size(); ++i) {
        const auto& e = folders.Items[i];
        if (e.Parent < 0) keep[i] = true;
        else if (e.Parent == 0) keep[i] = shown.count(Upper(e.Name)) > 0;
        else keep[i] = keep[static_cast<size_t>(e.Parent)];
    }

    // 4. The pane and the first image.
    Panel_DelcTreeBase->setVisible(true);
    int w = 16, h = 16;
    TFolderFile::GetSmallIconSize(w, h);
    TreeView->setIconSize(QSize(w, h));
    const std::string rootIcon = JoinPath(root, "Icon.Ico");
    const std::string found = FCache.FindFile(root, "Icon.Ico");
    QIcon first = found.empty() ? QIcon() : IconFromFile(found);
    if (first.isNull()) first = QApplication::windowIcon();
    if (first.isNull()) first = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    TreeView->Images.append(first);
    FIconMap[NormalizePath(found.empty() ? rootIcon : found)] = 0;

    // 5. Each folder's override folder, order and icons, from the last to the first.
    for (size_t i = folders.Items.size(); i-- > 0;) {
        if (!keep[i]) continue;
        const std::string& folder = folders.Items[i].Path;
        const std::string over = ReadOverrideOf(folder);
        GetOrder(folder);
        LoadIcons(over.empty() ? folder : over);
    }

    // The top node.
    TKZNTreeNode* top = TreeView->Add(nullptr, "ObjectTree");
    if (TNode* n = NodeData(top)) {
        n->Place = std::make_shared<TPlace>();
        n->Place->Folder = root;
        n->Kind = static_cast<int8_t>(dnkTop);
    }
    ReadOverrideFolder(top);
    const int32_t order = GetOrder(root);
    if (TNode* n = NodeData(top)) {
        n->Done = false;
        n->Order = order;
    }
    LoadDeploySQL(top);
    SetHideMark(top);

    // 6.
    loading.End();
    ExpandNode(top);
}

void TDescTreeManager::LoadIcons(const std::string& Folder) {
    TStringList icons;
    FCache.Files(Folder, "*.Ico", icons);
    for (const std::string& name : icons.Items) {
        const std::string path = NormalizePath(JoinPath(Folder, name));
        if (FIconMap.count(path)) continue;
        QIcon icon = IconFromFile(path);
        TreeView->Images.append(icon);
        FIconMap[path] = TreeView->Images.size() - 1;
    }
}

// ---------------------------------------------------------------------------
// Expansion

TDescTreeManager::TNode* TDescTreeManager::NewNode(const std::string& Caption, TDescNodeKind Kind,
                                                   std::shared_ptr<TPlace> Place) {
    auto* node = new TNode(TreeView, this);
    node->RestoreProperties = TreeView->DefaultRestoreNodeProperties;
    node->SetText(Caption);
    node->Place = std::move(Place);
    node->Kind = static_cast<int8_t>(Kind);
    return node;
}

void TDescTreeManager::DeleteChildren(TTreeNodeEx* Node) {
    // Taken out in one step: a hundred thousand single removals would each search and shift the list.
    QList<QTreeWidgetItem*> children = Node->takeChildren();
    for (QTreeWidgetItem* child : children) delete child;
}

void TDescTreeManager::AddDeployItems(TTreeNodeEx* Node, const std::string& SQL, TChildren& Children) {
    std::unique_ptr<TDataSet> ds = RunQuery(SQL);
    if (!ds || !ds->Active()) return;

    // What every item shares: its folder and everything read from there.
    const std::string folder = GetFolder(Node);
    const std::string over = ReadOverrideOf(folder);
    const int depth = GetKind(Node) == dnkItem ? GetDepth(Node) + 1 : 1;
    bool refused = false;
    const std::string deploy = DeploySQLOf(folder, over, dnkItem, depth, refused);
    std::string hide = FCache.FindFile(folder, "Empty.Hide");
    if (hide.empty()) hide = FCache.FindFile(over, "Empty.Hide");
    bool subFolders = false;
    for (const std::string& base : {folder, over}) {
        TStringList subs;
        FCache.SubFolders(base, subs);
        for (const std::string& s : subs.Items) subFolders = subFolders || FolderFits(s, dnkItem, depth);
    }
    const bool mayHaveChildren = !deploy.empty() || subFolders;
    // The items' image: their icon file, or the node's image when there is none.
    int image = -1;
    if (!TreeView->Images.isEmpty()) {
        TIconLookups known;
        image = IconOf(folder, over, depth, known);
        if (image < 0) image = Node->GetImageIndex();
    }

    // One place for all the items.
    auto place = std::make_shared<TPlace>();
    place->Folder = folder;
    place->Override = over;
    place->Deploy = DeployLines(deploy);

    const int fields = ds->FieldCount();
    std::vector<std::string> names;
    for (int i = 0; i < fields; ++i) names.push_back(ds->Fields(i).FieldName());
    int32_t order = kFirstItemOrder;
    std::string line;  // an item's parameters as they are kept
    // A result whose text lost characters has them as "?": a value with one
    // may be one of them, and is never put into SQL.
    const bool lossy = !TextLossLine(ds.get()).empty();
    if (const int records = ds->RecordCount(); records > 0) Children.Items.reserve(static_cast<size_t>(records));
    ds->First();
    while (!ds->Eof()) {
        std::string caption = fields > 0 ? sys::Trim(ds->Fields(0).AsString()) : std::string();
        if (refused) caption += "■展開SQLにSELECT系以外のSQLを検出しました。";
        std::unique_ptr<TNode> item(NewNode(caption, dnkItem, place));
        item->Order = order++;
        line.clear();
        for (int i = 0; i < fields; ++i) {
            const std::string value = sys::Trim(ds->Fields(i).AsString());
            if (value.empty()) continue;
            TParamLines::Append(line, names[static_cast<size_t>(i)], value,
                                lossy && value.find(cp932::kSubstitute) != std::string::npos);
        }
        item->Params.SetBytes(line);
        item->Hide = !hide.empty();
        item->SetHasChildren(mayHaveChildren);
        if (image >= 0) item->SetImageIndex(image);
        // Everything an item needs is set here, while it is new: a later walk
        // over a hundred thousand items would find them out of the caches.
        Children.Items.emplace_back(item->Order, item.get());
        item.release();
        ds->Next();
    }
    ds->Close();
}

void TDescTreeManager::AddFolderChildren(TTreeNodeEx* Node, std::vector<TTreeNodeEx*>& Folders) {
    const TDescNodeKind kind = GetKind(Node);
    const int depth = GetDepth(Node);
    const std::string base = GetFolder(Node);
    const std::string over = GetOverrideFolder(Node);
    std::unordered_set<std::string> shown;
    for (const std::string& name : FShownTrees.Items) shown.insert(Upper(name));

    std::unordered_set<std::string> own;
    auto add = [&](const std::string& folder, bool fromOverride) {
        TStringList subs;
        FCache.SubFolders(folder, subs);
        for (const std::string& name : subs.Items) {
            if (kind == dnkTop && !shown.count(Upper(name))) continue;
            const std::string key = Upper(sys::Trim(name));
            if (!fromOverride) own.insert(key);
            else if (own.count(key)) continue;
            if (!FolderFits(name, kind, depth)) continue;
            auto place = std::make_shared<TPlace>();
            place->Folder = JoinPath(folder, name);
            TNode* child;
            if (kind == dnkItem) {
                child = NewNode(name.substr(static_cast<size_t>(depth)), dnkItemFolder, std::move(place));
                child->Order = -1;
            } else {
                const int32_t order = GetOrder(place->Folder);
                child = NewNode(name, dnkFolder, std::move(place));
                child->Order = order;
            }
            Folders.push_back(child);
        }
    };
    add(base, false);
    if (!over.empty()) add(over, true);
    for (TTreeNodeEx* child : Folders) {
        ReadOverrideFolder(child);
        if (TNode* n = NodeData(child)) n->Done = false;
        ReadParamsFile(child);
        LoadDeploySQL(child);
        SetHideMark(child);
    }
}

void TDescTreeManager::ExpandNode(TTreeNodeEx* Node) {
    if (!Node || IsDone(Node)) return;
    struct Expanding {
        TDescTreeManager& M;
        explicit Expanding(TDescTreeManager& m) : M(m) { ++M.FExpanding; }
        ~Expanding() {
            if (--M.FExpanding > 0 || !M.FReloadPending) return;
            M.FReloadPending = false;
            app::Guard([this] { M.LoadObjectTrees(); });
        }
    } expanding(*this);
    TOpScope scope(*this);
    TCursorScope cursor(Frame);
    TLoadingScope loading(*this);

    {
        QSignalBlocker block(TreeView);
        DeleteChildren(Node);
    }
    // The node's own image first: a child without an icon file takes it.
    SetOwnIcon(Node);
    std::vector<TTreeNodeEx*> folders;  // the folder children that stay
    try {
        const TDescNodeKind kind = GetKind(Node);
        if (kind == dnkNone) throw EDescTreeManager("予期しないノード");

        // 3. The rows of the deploy query.
        TChildren children;
        bool stop = false;
        const std::string deploy = sys::Trim(ExpandPlaceholders(Node, DeployText(Node)));
        if (!deploy.empty()) {
            if (!Frame->IsConnected()) {
                stop = true;  // expanded again once connected
            } else {
                try {
                    AddDeployItems(Node, deploy, children);
                } catch (const std::exception& e) {
                    AddResultEntry("\r\n■展開エラー " + Node->Text() + "\r\n" + deploy + "\r\n" + MessageOf(e));
                }
            }
        }
        if (!stop) {
            // 4. The folders.
            auto undo = ScopeFail([&] {
                for (const auto& c : children.Items) delete c.second;
                for (TTreeNodeEx* c : folders) delete c;
            });
            AddFolderChildren(Node, folders);
            undo.Release();
            TIconLookups known;
            for (TTreeNodeEx* c : folders) {
                children.Folders.emplace_back(GetOrderValue(c), c);
                // Their images before they enter the tree, where each change would be searched for.
                if (TreeView->Images.isEmpty()) continue;
                const int index = IconOf(c, 0, known);
                c->SetImageIndex(index < 0 ? Node->GetImageIndex() : index);
            }
            // In the order of their order values before they enter the tree (equal ones as they came).
            const QList<QTreeWidgetItem*> sorted = children.Sorted();
            {
                QSignalBlocker block(TreeView);
                Node->addChildren(sorted);
            }
            for (TTreeNodeEx* child : folders) SetTitle(child);

            // 5.
            if (TNode* n = NodeData(Node)) n->Done = true;
            for (auto it = folders.begin(); it != folders.end();) {
                TTreeNodeEx* child = *it;
                const TNode* c = NodeData(child);
                if (!c || !c->Hide) {
                    ++it;
                    continue;
                }
                ExpandNode(child);
                FLoading = true;
                if (child->childCount() == 0) {
                    QSignalBlocker block(TreeView);
                    delete child;
                    it = folders.erase(it);
                } else {
                    ++it;
                }
            }
            if (kind == dnkTop) {
                QSignalBlocker block(TreeView);
                Node->SetExpanded(true);
            }
        }
    } catch (const std::exception&) {
        QSignalBlocker block(TreeView);
        DeleteChildren(Node);
        folders.clear();
    }
    // 6. The children came in order and with their images.
    UpdateIndicator(Node, folders);
}

QList<QTreeWidgetItem*> TDescTreeManager::TChildren::Sorted() {
    // The items come in increasing order already; the few folders are sorted
    // and merged in, so a hundred thousand items cost no sort.
    auto byOrder = [](const auto& a, const auto& b) { return a.first < b.first; };
    std::stable_sort(Folders.begin(), Folders.end(), byOrder);
    if (!std::is_sorted(Items.begin(), Items.end(), byOrder)) std::stable_sort(Items.begin(), Items.end(), byOrder);
    QList<QTreeWidgetItem*> out;
    out.reserve(static_cast<qsizetype>(Items.size() + Folders.size()));
    auto item = Items.begin(), folder = Folders.begin();
    while (item != Items.end() || folder != Folders.end()) {
        // equal orders: the items (which came first) before the folders
        if (folder == Folders.end() || (item != Items.end() && !(folder->first < item->first))) out.append((item++)->second);
        else out.append((folder++)->second);
    }
    Items.clear();
    Folders.clear();
    return out;
}

void TDescTreeManager::UpdateIndicator(TTreeNodeEx* Node, const std::vector<TTreeNodeEx*>& Folders) {
    if (IsDone(Node)) {
        Node->SetHasChildren(false);
        // an item knows from its creation whether it may have children
        for (TTreeNodeEx* child : Folders)
            if (!IsDone(child)) child->SetHasChildren(true);
    } else {
        Node->SetHasChildren(true);
    }
}

int TDescTreeManager::IconOf(const std::string& Folder, const std::string& Override, int Depth, TIconLookups& Known) {
    auto key = std::make_pair(Folder + "\n" + Override, Depth);
    auto it = Known.ByFolders.find(key);
    if (it != Known.ByFolders.end()) return it->second;
    const std::string name = Repeat('_', Depth) + "Icon.Ico";
    std::string file = FCache.FindFile(Folder, name);
    if (file.empty()) file = FCache.FindFile(Override, name);
    int index = -1;
    if (!file.empty()) {
        auto m = FIconMap.find(NormalizePath(file));
        if (m != FIconMap.end()) index = m->second;
    }
    return Known.ByFolders.emplace(key, index).first->second;
}

int TDescTreeManager::IconOf(const TTreeNodeEx* Node, int Depth, TIconLookups& Known) {
    // Siblings mostly share their place: the last answer serves them all.
    const TNode* n = NodeData(Node);
    const TPlace* place = n ? n->Place.get() : nullptr;
    if (place && place == Known.LastPlace && Depth == Known.LastDepth) return Known.LastIndex;
    const int index = IconOf(GetFolder(Node), GetOverrideFolder(Node), Depth, Known);
    Known.LastPlace = place;
    Known.LastDepth = Depth;
    Known.LastIndex = index;
    return index;
}

void TDescTreeManager::SetOwnIcon(TTreeNodeEx* Node) {
    if (TreeView->Images.isEmpty()) return;
    // Its icon file, or its parent's image when there is none. A node whose
    // image is already right is left alone: a change of a node in the tree
    // costs a search among its siblings.
    TIconLookups known;
    int index = IconOf(Node, GetDepth(Node), known);
    if (index < 0) index = Node->Parent() ? Node->Parent()->GetImageIndex() : 0;
    if (Node->GetImageIndex() != index || Node->icon(0).isNull() != TreeView->Images.at(index).isNull())
        Node->SetImageIndex(index);
}

// ---------------------------------------------------------------------------
// Connection, refresh, folder

void TDescTreeManager::SetConnected(bool Connected) {
    QPalette pal = TreeView->palette();
    const QPalette app = QApplication::palette();
    pal.setColor(QPalette::Base, Connected ? app.color(QPalette::Base) : app.color(QPalette::Midlight));
    TreeView->setPalette(pal);
    TTreeNodeEx* top = TreeView->Root(0);
    if (!top) return;
    std::vector<TTreeNodeEx*> trees;
    for (int i = 0; i < top->childCount(); ++i) trees.push_back(top->Item(i));
    for (TTreeNodeEx* tree : trees) {
        // A refresh of one tree cannot remove another, but the top node may be rebuilt meanwhile.
        if (TreeView->Root(0) != top) break;
        RefreshNode(tree);
    }
}

void TDescTreeManager::RefreshNode(TTreeNodeEx* Node) {
    TTreeNodeEx* node = Node ? Node : GetSelectedNode();
    if (!node) return;
    if (FExpanding > 0) {  // the node may be the one being built: everything is rebuilt afterwards
        FReloadPending = true;
        return;
    }
    TOpScope scope(*this);
    TCursorScope cursor(Frame);
    switch (GetKind(node)) {
        case dnkTop: {
            LoadObjectTrees();
            // The new top node: selected and open (reloading it again would never end).
            if (TTreeNodeEx* top = TreeView->Root(0)) {
                ExpandNode(top);
                TreeView->SetSelected(top);
            }
            break;
        }
        case dnkFolder:
            if (TNode* n = NodeData(node)) n->Done = false;
            ExpandNode(node);
            TreeView->SetSelected(node);
            break;
        case dnkItem:
        case dnkItemFolder: RefreshNode(node->Parent()); break;
        default: throw EDescTreeManager("予期しないノード");
    }
}

void TDescTreeManager::OpenNodeFolder(TTreeNodeEx* Node) {
    TTreeNodeEx* node = Node ? Node : GetSelectedNode();
    if (!node) return;
    const std::string folder = GetFolder(node);
    if (folder.empty() || !fs932::DirectoryExists(folder)) return;
    if (OnOpenFolder) OnOpenFolder(folder);
    else TExprolerManager::OpenFolder(folder);
}

TDescTreeManager* TDescTreeManager::ManagerOf(const TTreeNodeEx* Node) {
    // The manager frees its nodes before it goes, so a node's manager is alive.
    const auto* n = dynamic_cast<const TNode*>(Node);
    return n ? n->Manager : nullptr;
}

TTreeNodeEx* TDescTreeManager::GetSelectedNode() const {
    if (TTreeNodeEx* n = TreeView->GetSelected()) return n;
    return TreeView->Root(0);
}

// ---------------------------------------------------------------------------
// Selection

void TDescTreeManager::SelectionChanged() { NodeSelected(TreeView->GetSelected()); }

void TDescTreeManager::NodeSelected(TTreeNodeEx* Node) {
    while (Node && Node != FLastNode && !FLoading) {
        FWatchNode = Node;
        std::string script;
        {
            // One operation: a damaged definition is told once for the whole selection.
            TOpScope scope(*this);
            ExpandNode(Node);
            if (FWatchNode) RefreshPropertyPages(Node);
            if (FWatchNode) script = DefaultScriptText(Node);
        }
        if (FWatchNode) {
            std::string address;
            for (TTreeNodeEx* p = Node->Parent(); p; p = p->Parent()) {
                if (!address.empty()) address += " < ";
                address += p->Text();
            }
            Label_DescTreeAddress->setText(cp932::ToQString(address));
            RunDefaultScript(script);
        }
        if (!FWatchNode) break;  // the node went while its script ran
        FLastNode = Node;
        TTreeNodeEx* now = TreeView->GetSelected();
        if (!now || now == Node) break;
        Node = now;
    }
}

std::string TDescTreeManager::DefaultScriptText(TTreeNodeEx* Node) {
    TOpScope scope(*this);
    const std::string file = FindNodeFile(Node, "Default.Script");
    if (file.empty()) return std::string();
    bool ok = false;
    try {
        return ExpandPlaceholders(Node, FCache.ReadText(file, ok));
    } catch (const EDescTreeManager&) {
        return std::string();  // told in the result page
    }
}

void TDescTreeManager::RunDefaultScript(const std::string& text) {
    if (sys::Trim(text).empty()) return;
    if (Frame->IsConnected()) Frame->ExecuteScriptText(text);
    else if (TResultConsole* c = Frame->ActiveResultConsole()) c->AddText(text);
}

// ---------------------------------------------------------------------------
// Scripts and the popup menu

void TDescTreeManager::GetScriptNames(TTreeNodeEx* Node, TStringList& Names) {
    Names.Clear();
    if (!Node) return;
    TOpScope scope(*this);
    const TDescNodeKind kind = GetKind(Node);
    const int depth = GetDepth(Node);
    TStringList all;
    FCache.Files(GetFolder(Node), "*.Script", all);
    FCache.Files(GetOverrideFolder(Node), "*.Script", all);
    std::unordered_set<std::string> seen;
    std::vector<std::string> names;
    for (const std::string& name : all.Items) {
        if (!seen.insert(Upper(name)).second) continue;  // the node's own comes first
        if (FolderFits(name, kind, depth)) names.push_back(name);
    }
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return Upper(a) < Upper(b); });
    for (auto& n : names) Names.Add(std::move(n));
}

std::string TDescTreeManager::GetScriptText(TTreeNodeEx* Node, const std::string& Name) {
    TOpScope scope(*this);
    const std::string file = FindNodeFile(Node, Name);
    if (file.empty()) return std::string();
    bool ok = false;
    return ExpandPlaceholders(Node, FCache.ReadText(file, ok));
}

namespace {

// Takes every action out of the menu; those it owns are freed once the running handler has returned.
void EmptyMenu(QMenu* menu) {
    for (QAction* a : menu->actions()) {
        menu->removeAction(a);
        if (a->parent() == menu) a->deleteLater();
        if (QMenu* sub = a->menu(); sub && sub->parent() == menu) sub->deleteLater();
    }
}

}  // namespace

void TDescTreeManager::FillScriptMenu(TTreeNodeEx* Node, QMenu* Menu) {
    EmptyMenu(Menu);
    TStringList names;
    GetScriptNames(Node, names);
    for (const std::string& name : names.Items) {
        std::string text;
        try {
            text = GetScriptText(Node, name);
        } catch (const EDescTreeManager&) {
            continue;  // a definition that cannot be expanded, told in the result page
        }
        auto* item = new TScriptExecuteMenuItem(TKZNUtil::TrimChar(name, '_'), Menu);
        item->ScriptName = name;
        item->Lines.SetText(text);
        TFrameSQLClient* frame = Frame;
        QObject::connect(item, &QAction::triggered, Menu, [frame, item] {
            const TStringList lines = item->Lines;
            app::Guard([&] { frame->ExecuteScript(lines); });
        });
        Menu->addAction(item);
    }
}

void TDescTreeManager::FillPopupMenu(TTreeNodeEx* Node) {
    EmptyMenu(PopupMenu);
    auto* refresh = new QAction(QString::fromUtf16(u"最新の状態に更新"), PopupMenu);
    QObject::connect(refresh, &QAction::triggered, Frame->Action_DesctreeRefresh, &QAction::trigger);
    PopupMenu->addAction(refresh);
    PopupMenu->addSeparator();
    auto* edit = new QAction(QString::fromUtf16(u"編集"), PopupMenu);
    QObject::connect(edit, &QAction::triggered, Frame->Action_DesctreeEdit, &QAction::trigger);
    PopupMenu->addAction(edit);
    PopupMenu->addSeparator();
    TStringList names;
    GetScriptNames(Node, names);
    if (names.Count() == 0) return;
    auto* sub = new QMenu(QString::fromUtf16(u"スクリプト実行"), PopupMenu);
    FillScriptMenu(Node, sub);
    PopupMenu->addMenu(sub);
}

// ---------------------------------------------------------------------------
// Property pages

void TDescTreeManager::GetPropertyFiles(TTreeNodeEx* Node, TStringList& Files) {
    Files.Clear();
    const TDescNodeKind kind = GetKind(Node);
    if (kind == dnkNone) throw EDescTreeManager("内部エラー：想定外のノード種別");
    TOpScope scope(*this);
    const int depth = GetDepth(Node);
    const std::string folder = GetFolder(Node);
    const std::string over = GetOverrideFolder(Node);
    TStringList own;
    FCache.Files(folder, "*.Property", own);
    FCache.Files(folder, "*.PropertySQL", own);
    std::unordered_set<std::string> ownNames;
    for (const std::string& n : own.Items) ownNames.insert(Upper(sys::Trim(n)));
    for (const std::string& n : own.Items)
        if (FolderFits(n, kind, depth)) Files.Add(JoinPath(folder, n));
    if (over.empty()) return;
    TStringList others;
    FCache.Files(over, "*.Property", others);
    FCache.Files(over, "*.PropertySQL", others);
    for (const std::string& n : others.Items)
        if (!ownNames.count(Upper(sys::Trim(n))) && FolderFits(n, kind, depth)) Files.Add(JoinPath(over, n));
}

TForm_DesctreeProperty* TDescTreeManager::AddPropertyPage(const std::string& Caption) {
    auto* page = new TForm_DesctreeProperty(PageControl_DescTreeProperty);
    page->Caption = Caption;
    QSignalBlocker block(PageControl_DescTreeProperty);
    PageControl_DescTreeProperty->addTab(page, cp932::ToQString(Caption));
    return page;
}

std::vector<TForm_DesctreeProperty*> TDescTreeManager::PropertyPages() const {
    std::vector<TForm_DesctreeProperty*> pages;
    for (int i = 0; i < PageControl_DescTreeProperty->count(); ++i)
        pages.push_back(static_cast<TForm_DesctreeProperty*>(PageControl_DescTreeProperty->widget(i)));
    if (FFloater)
        for (QWidget* p : FFloater->FloatingPages()) pages.push_back(static_cast<TForm_DesctreeProperty*>(p));
    return pages;
}

void TDescTreeManager::SortPropertyPages() {
    std::vector<TForm_DesctreeProperty*> pages = PropertyPages();
    // floating pages keep their windows
    pages.erase(std::remove_if(pages.begin(), pages.end(),
                               [this](TForm_DesctreeProperty* p) { return FFloater && FFloater->IsFloating(p); }),
                pages.end());
    std::stable_sort(pages.begin(), pages.end(), [this](TForm_DesctreeProperty* a, TForm_DesctreeProperty* b) {
        if ((a == FParamsPage) != (b == FParamsPage)) return b == FParamsPage;  // "Params" goes last
        return a->Caption < b->Caption;
    });
    QSignalBlocker block(PageControl_DescTreeProperty);
    QWidget* current = PageControl_DescTreeProperty->currentWidget();
    while (PageControl_DescTreeProperty->count() > 0) PageControl_DescTreeProperty->removeTab(0);
    for (TForm_DesctreeProperty* p : pages) PageControl_DescTreeProperty->addTab(p, cp932::ToQString(p->Caption));
    if (current) PageControl_DescTreeProperty->setCurrentWidget(current);
}

void TDescTreeManager::FreePropertyPages() {
    for (TForm_DesctreeProperty* p : PropertyPages()) {
        if (p == FParamsPage) continue;
        if (FFloater->IsFloating(p)) FFloater->Release(p);  // its window goes
        else PageControl_DescTreeProperty->removeTab(PageControl_DescTreeProperty->indexOf(p));
        p->deleteLater();
    }
}

void TDescTreeManager::ClearPropertyPages() {
    FPropertyNode = nullptr;
    QSignalBlocker block(PageControl_DescTreeProperty);
    FreePropertyPages();
    FParamsPage->Editor_DescTreeParams->Lines().Clear();
    Label_DescTreeAddress->clear();
    Panel_DescTreeCurrentNode->clear();
}

void TDescTreeManager::RefreshPropertyPages(TTreeNodeEx* Node) {
    if (!Node) return;
    TOpScope scope(*this);
    TCursorScope cursor(Frame);
    FPropertyNode = Node;
    TStringList files;
    GetPropertyFiles(Node, files);
    const std::string prefix = Repeat('_', GetDepth(Node));
    std::vector<std::string> fileNames, pageNames;
    for (const std::string& f : files.Items) {
        fileNames.push_back(TFolderFile::RemoveExt(TFolderFile::GetLastName(f)));
        pageNames.push_back(fileNames.back().substr(std::min(prefix.size(), fileNames.back().size())));
    }
    std::vector<std::string> tabNames;
    for (TForm_DesctreeProperty* p : PropertyPages())
        if (p != FParamsPage) tabNames.push_back(prefix + p->Caption);
    // The tabs are sorted while the files are not: the two sets are compared.
    std::vector<std::string> a = fileNames, b = tabNames;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    const bool keep = !files.Empty() && a == b;
    if (!keep) {
        QSignalBlocker block(PageControl_DescTreeProperty);
        FreePropertyPages();
        for (const std::string& name : pageNames) AddPropertyPage(name);
        SortPropertyPages();
        PageControl_DescTreeProperty->setCurrentIndex(0);
    }
    ShowPropertyPage();
    for (QWidget* p : FFloater->FloatingPages()) ShowPropertyPage(static_cast<TForm_DesctreeProperty*>(p));
}

void TDescTreeManager::ShowPropertyPage(TForm_DesctreeProperty* Page) {
    TTreeNodeEx* node = FPropertyNode;
    auto* page = Page ? Page : static_cast<TForm_DesctreeProperty*>(PageControl_DescTreeProperty->currentWidget());
    if (!node || !page) return;
    TOpScope scope(*this);
    if (page == FParamsPage) {
        TStringList params;
        CollectParams(node, params);
        page->Editor_DescTreeParams->Lines().Clear();
        page->Editor_DescTreeParams->Lines().SetText(params.Text());
        return;
    }
    const std::string prefix = Repeat('_', GetDepth(node));
    TStringList files;
    GetPropertyFiles(node, files);
    std::string textFile, sqlFile;
    const std::string textName = Upper(prefix + page->Caption + ".Property");
    const std::string sqlName = Upper(prefix + page->Caption + ".PropertySQL");
    for (const std::string& f : files.Items) {
        const std::string name = Upper(TFolderFile::GetLastName(f));
        if (name == textName && textFile.empty()) textFile = f;
        if (name == sqlName && sqlFile.empty()) sqlFile = f;
    }
    const bool isSQL = textFile.empty();
    const std::string file = isSQL ? sqlFile : textFile;
    std::string text;
    if (!file.empty()) {
        bool ok = false;
        TStringList* scratch = node->GetStringList09();
        scratch->SetText(FCache.ReadText(file, ok));
        const std::string raw = sys::Trim(scratch->Text());
        scratch->Clear();
        try {
            text = sys::Trim(isSQL ? ExpandPlaceholders(node, raw) : ExpandPlaceholderText(node, raw));
        } catch (const EDescTreeManager& e) {
            page->ShowText("■" + e.Message);
            return;
        }
    }
    if (isSQL && !text.empty() && Frame->IsConnected()) page->ShowSQL(Frame, text);
    else page->ShowText(text);
}
