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
#include "U_DescTreeManagerValues.h"
#include "U_Form_DesctreeProperty.h"
#include "U_Frame_SQLClient.h"
#include "U_SQL99.h"

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
constexpr int32_t kDefaultOrder = 2000;
constexpr int32_t kFirstItemOrder = 5000;

std::string Upper(std::string_view s) { return sys::UpperCase(s); }

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && Upper(a) == Upper(b);
}

// Separators as '/', runs of them as one, "." and ".." components resolved.
std::string NormalizePath(std::string_view path) {
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&] {
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") parts.pop_back();
            else parts.push_back(part);
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (size_t i = 0; i < path.size(); i += cp932::CharLen(path, i)) {
        if (path[i] == '\\' || path[i] == '/') flush();
        else part.append(path.substr(i, cp932::CharLen(path, i)));
    }
    flush();
    std::string out = !path.empty() && (path[0] == '/' || path[0] == '\\') ? "/" : "";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out.push_back('/');
        out += parts[i];
    }
    return out;
}

std::string WithoutTrailingSeparator(std::string s) {
    while (s.size() > 1 && (s.back() == '/' || s.back() == '\\')) s.pop_back();
    return s;
}

std::string JoinPath(const std::string& folder, std::string_view name) {
    return WithoutTrailingSeparator(folder) + "/" + std::string(name);
}

std::string Repeat(char c, int n) { return std::string(static_cast<size_t>(std::max(0, n)), c); }

// The name part of a name=value line.
std::string NameOf(const std::string& line) {
    const size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string ValueOf(const std::string& line) {
    const size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

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
// The tree's nodes tell the manager when they go.

// What a node knows of its definition. The items of one expansion share one
// place (a hundred thousand items hold one copy of their folder); a change to
// a shared place is made on the node's own copy.
struct TDescTreeManager::TPlace {
    std::string Folder;    // the node's folder (an item's is its parent's)
    std::string Override;  // the override folder; empty when none
    std::string Deploy;    // the deploy query, lines joined by LF; empty when none or refused
};

// Name=value lines in one block: its size (4 bytes), then each line as its
// length (4 bytes; the top bit marks a value that lost characters) and its
// bytes. An item's parameters cost one allocation, not one per line, and
// nothing when there are none.
class TParamLines {
public:
    static constexpr uint32_t kLossy = 0x80000000u;
    // Appends a line in the block's form to Bytes.
    static void Append(std::string& Bytes, std::string_view Line) {
        const auto n = static_cast<uint32_t>(Line.size());
        Bytes.append(reinterpret_cast<const char*>(&n), sizeof n).append(Line.data(), Line.size());
    }
    // Appends the line Name=Value; Lossy: the database's value held characters
    // CP932 cannot, which Value has as "?".
    static void Append(std::string& Bytes, std::string_view Name, std::string_view Value, bool Lossy = false) {
        const auto n = static_cast<uint32_t>(Name.size() + 1 + Value.size()) | (Lossy ? kLossy : 0u);
        Bytes.append(reinterpret_cast<const char*>(&n), sizeof n)
            .append(Name.data(), Name.size())
            .append(1, '=')
            .append(Value.data(), Value.size());
    }
    // Lines as Append writes them.
    void SetBytes(std::string_view Bytes) {
        if (Bytes.empty()) {
            FBlock.reset();
            return;
        }
        const auto size = static_cast<uint32_t>(Bytes.size());
        FBlock.reset(new char[sizeof size + Bytes.size()]);
        std::memcpy(FBlock.get(), &size, sizeof size);
        std::memcpy(FBlock.get() + sizeof size, Bytes.data(), Bytes.size());
    }
    void Assign(const TStringList& Lines) {
        std::string bytes;
        for (const std::string& line : Lines.Items) Append(bytes, line);
        SetBytes(bytes);
    }
    // The lines; Lossy (when given) gets each line's mark.
    TStringList List(std::vector<bool>* Lossy = nullptr) const {
        TStringList out;
        if (Lossy) Lossy->clear();
        if (!FBlock) return out;
        uint32_t size = 0;
        std::memcpy(&size, FBlock.get(), sizeof size);
        const char* at = FBlock.get() + sizeof size;
        const char* const end = at + size;
        while (at < end) {
            uint32_t n = 0;
            std::memcpy(&n, at, sizeof n);
            at += sizeof n;
            if (Lossy) Lossy->push_back((n & kLossy) != 0);
            n &= ~kLossy;
            out.Add(std::string(at, n));
            at += n;
        }
        return out;
    }

private:
    std::unique_ptr<char[]> FBlock;
};

class TDescTreeManager::TNode final : public TKZNTreeNode {
public:
    TNode(TKZNTreeView* tree, TDescTreeManager* manager) : TKZNTreeNode(tree), Manager(manager), Place(NoPlace()) {}
    ~TNode() override {
        if (!Manager) return;
        if (Manager->FLastNode == this) Manager->FLastNode = nullptr;
        if (Manager->FWatchNode == this) Manager->FWatchNode = nullptr;
        if (Manager->FPropertyNode == this) Manager->FPropertyNode = nullptr;
    }
    // The place to change: the node's own, copied first when it is shared.
    TPlace& OwnPlace() {
        if (Place.use_count() > 1) Place = std::make_shared<TPlace>(*Place);
        return *Place;
    }
    static const std::shared_ptr<TPlace>& NoPlace() {
        static const std::shared_ptr<TPlace> none = std::make_shared<TPlace>();
        return none;
    }

    TDescTreeManager* Manager;
    std::shared_ptr<TPlace> Place;  // never null
    TParamLines Params;             // the node's own parameters, name=value lines
    int32_t Order = 0;
    int8_t Kind = dnkNone;  // a TDescNodeKind
    bool Done = false;  // the children are built
    bool Hide = false;  // an "Empty.Hide" applies
};

TDescTreeManager::TNode* TDescTreeManager::NodeData(TTreeNodeEx* Node) { return dynamic_cast<TNode*>(Node); }

const TDescTreeManager::TNode* TDescTreeManager::NodeData(const TTreeNodeEx* Node) {
    return dynamic_cast<const TNode*>(Node);
}

// One folder cache per outermost operation: the definition may change between two.
class TDescTreeManager::TOpScope {
public:
    explicit TOpScope(TDescTreeManager& m) : M(m) {
        if (M.FBusy++ == 0) {
            M.FCache.Clear();
            M.FReportedOverrides.clear();
            M.FReportedPlaceholders.clear();
        }
    }
    ~TOpScope() {
        if (--M.FBusy == 0) M.FCache.Clear();
    }

private:
    TDescTreeManager& M;
};

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
// TDescFolderCache

const std::vector<fs932::DirEntry>& TDescFolderCache::Entries(const std::string& Folder) {
    auto it = FEntries.find(Folder);
    if (it != FEntries.end()) return it->second;
    std::vector<fs932::DirEntry> entries;
    if (!fs932::ListDirectory(Folder, entries)) entries.clear();
    return FEntries.emplace(Folder, std::move(entries)).first->second;
}

std::string TDescFolderCache::FindFile(const std::string& Folder, std::string_view Name) {
    if (Folder.empty()) return std::string();
    for (const fs932::DirEntry& e : Entries(Folder))
        if (!e.IsFolder && EqualNoCase(e.Name, Name)) return JoinPath(Folder, e.Name);
    return std::string();
}

void TDescFolderCache::Files(const std::string& Folder, std::string_view Mask, TStringList& Names) {
    if (Folder.empty()) return;
    for (const fs932::DirEntry& e : Entries(Folder))
        if (!e.IsFolder && fs932::MatchesMask(e.Name, Mask)) Names.Add(e.Name);
}

void TDescFolderCache::SubFolders(const std::string& Folder, TStringList& Names) {
    if (Folder.empty()) return;
    for (const fs932::DirEntry& e : Entries(Folder))
        if (e.IsFolder && !e.Name.empty() && e.Name[0] != '.') Names.Add(e.Name);
}

const std::string& TDescFolderCache::ReadText(const std::string& Path, bool& Ok) {
    auto it = FTexts.find(Path);
    if (it == FTexts.end()) {
        std::string bytes;
        const bool ok = fs932::ReadFile(Path, bytes);
        it = FTexts.emplace(Path, std::make_pair(ok, std::move(bytes))).first;
    }
    Ok = it->second.first;
    return it->second.second;
}

void TDescFolderCache::Clear() {
    FEntries.clear();
    FTexts.clear();
}

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

std::string TDescTreeManager::FindNodeFile(TTreeNodeEx* Node, std::string_view Name) {
    std::string path = FCache.FindFile(GetFolder(Node), Name);
    if (path.empty()) path = FCache.FindFile(GetOverrideFolder(Node), Name);
    return path;
}

std::string TDescTreeManager::ReadOverrideOf(const std::string& Folder) {
    const std::string file = FCache.FindFile(Folder, "OverRide.txt");
    if (file.empty()) return std::string();
    bool ok = false;
    const TStringList lines(FCache.ReadText(file, ok));
    if (!ok || lines.Count() == 0) return std::string();
    const std::string line = sys::Trim(lines[0]);
    std::string path = line;
    const bool relative = !line.empty() && (line[0] == '.' || line[0] == '\\') && line.compare(0, 2, "\\\\") != 0;
    if (relative) path = WithoutTrailingSeparator(Folder) + "/" + line;
    if (!line.empty() && fs932::DirectoryExists(path)) return NormalizePath(path);
    // Reported once per operation, not once for every node that shares the folder.
    if (std::find(FReportedOverrides.begin(), FReportedOverrides.end(), path) == FReportedOverrides.end()) {
        FReportedOverrides.push_back(path);
        AddResultLine("■オーバライドフォルダが見つかりません：" + path);
        if (TResultConsole* c = Frame->ActiveResultConsole()) c->ScrollCaretIntoView();
    }
    return std::string();
}

void TDescTreeManager::ReadOverrideFolder(TTreeNodeEx* Node) {
    std::string over = ReadOverrideOf(GetFolder(Node));
    if (TNode* n = NodeData(Node)) n->OwnPlace().Override = std::move(over);
}

int32_t TDescTreeManager::GetOrder(const std::string& Folder) {
    TStringList files;
    FCache.Files(Folder, "*.Order", files);
    if (files.Count() == 0) return kDefaultOrder;
    const std::string name = TFolderFile::RemoveExt(files[0]);
    if (TKZNUtil::IsInteger(name)) return static_cast<int32_t>(std::strtol(sys::Trim(name).c_str(), nullptr, 10));
    AddResultLine(files[0] + "は整数の範囲外ですので、最後尾に回しました");
    return kDefaultOrder;
}

// The deploy query of a node of the kind and depth in Folder (or its override
// folder); Refused is set when the file holds something other than a query.
std::string TDescTreeManager::DeploySQLOf(const std::string& Folder, const std::string& Override, TDescNodeKind Kind,
                                          int Depth, bool& Refused) {
    Refused = false;
    std::string name;
    switch (Kind) {
        case dnkTop:
        case dnkFolder:
        case dnkItemFolder: name = "DeployItem.SQL"; break;
        case dnkItem: name = Repeat('_', Depth) + "DeployItem.SQL"; break;
        default: throw EDescTreeManager("例外ノード");
    }
    std::string file = FCache.FindFile(Folder, name);
    if (file.empty()) file = FCache.FindFile(Override, name);
    if (file.empty()) return std::string();
    bool ok = false;
    const std::string& text = FCache.ReadText(file, ok);
    if (!ok) {
        Refused = true;
        return std::string();
    }
    TSQLKind kind = TSQLKind::Other;
    try {
        kind = TSQL99Parser::GetSQLKind(text);
    } catch (const std::exception&) {
        kind = TSQLKind::Other;  // a query that cannot be read is no query
    }
    if (kind != TSQLKind::Query) {
        Refused = true;
        return std::string();
    }
    return text;
}

void TDescTreeManager::LoadDeploySQL(TTreeNodeEx* Node) {
    bool refused = false;
    const std::string sql = DeploySQLOf(GetFolder(Node), GetOverrideFolder(Node), GetKind(Node), GetDepth(Node), refused);
    if (TNode* n = NodeData(Node)) n->OwnPlace().Deploy = DeployLines(sql);
    if (refused) Node->SetText(Node->Text() + "■展開SQLにSELECT系以外のSQLを検出しました。");
}

std::string TDescTreeManager::DeployLines(const std::string& SQL) {
    return SQL.empty() ? std::string() : TFolderFile::JoinList(TStringList(SQL), '\n');
}

const std::string& TDescTreeManager::DeployText(const TTreeNodeEx* Node) {
    const TNode* n = NodeData(Node);
    return n ? n->Place->Deploy : TNode::NoPlace()->Deploy;
}

void TDescTreeManager::SetHideMark(TTreeNodeEx* Node) {
    const bool hide = !FindNodeFile(Node, "Empty.Hide").empty();
    if (TNode* n = NodeData(Node)) n->Hide = hide;
}

void TDescTreeManager::ReadParamsFile(TTreeNodeEx* Node) {
    TNode* n = NodeData(Node);
    if (!n) return;
    TStringList own;
    TStringList* params = &own;
    auto read = [&](const std::string& folder, TStringList& out) {
        const std::string file = FCache.FindFile(folder, "Params.txt");
        if (file.empty()) return;
        bool ok = false;
        const TStringList lines(FCache.ReadText(file, ok));
        for (const std::string& line : lines.Items)
            if (!sys::Trim(line).empty()) out.Add(line);
    };
    read(GetFolder(Node), *params);
    TStringList over;
    read(GetOverrideFolder(Node), over);
    std::unordered_set<std::string> names;
    for (const std::string& line : params->Items) names.insert(Upper(NameOf(line)));
    for (const std::string& line : over.Items)
        if (!names.count(Upper(NameOf(line)))) params->Add(line);
    n->Params.Assign(*params);
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
// Parameters and placeholders

void TDescTreeManager::CollectParamEntries(TTreeNodeEx* Node, std::vector<TParamEntry>& Params) {
    Params.clear();
    std::vector<TTreeNodeEx*> path;
    for (TTreeNodeEx* n = Node; n && n->Parent(); n = n->Parent()) path.push_back(n);  // the top node has none
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        // An item's parameters are the row of its parent's deploy query.
        const bool fromDatabase = GetKind(*it) == dnkItem;
        std::vector<TParamEntry> next;
        std::unordered_set<std::string> names;
        std::vector<bool> lossy;
        const TNode* n = NodeData(*it);
        const TStringList lines = n ? n->Params.List(&lossy) : TStringList();
        for (size_t k = 0; k < lines.Items.size(); ++k) {
            const std::string& line = lines.Items[k];
            next.push_back({NameOf(line), ValueOf(line), fromDatabase, fromDatabase && lossy[k]});
            names.insert(Upper(next.back().Name));
        }
        for (TParamEntry& p : Params)
            if (!names.count(Upper(p.Name))) next.push_back(std::move(p));
        Params = std::move(next);
    }
}

void TDescTreeManager::CollectParams(TTreeNodeEx* Node, TStringList& Params) {
    std::vector<TParamEntry> entries;
    CollectParamEntries(Node, entries);
    Params.Clear();
    for (const TParamEntry& p : entries) Params.Add(p.Name + "=" + p.Value);
}

namespace {

// How far a text may grow by its placeholders: values that nest (each holding
// many placeholders of the next) would otherwise multiply it without end.
constexpr size_t kPlaceholderGrowth = size_t(1) << 20;

// The number of occurrences of From in Text.
size_t CountOf(const std::string& Text, const std::string& From) {
    size_t n = 0;
    for (size_t at = Text.find(From); at != std::string::npos; at = Text.find(From, at + From.size())) ++n;
    return n;
}

}  // namespace

void TDescTreeManager::PlaceholderError(TTreeNodeEx* Node, const std::string& Text, const std::string& Name) {
    // The definition in question: the nearest folder that defines the name.
    std::string folder = GetFolder(Node);
    for (TTreeNodeEx* n = Node; n && n->Parent(); n = n->Parent()) {
        bool defines = false;
        for (const std::string& line : GetParams(n).Items) defines = defines || NameOf(line) == Name;
        if (defines) {
            folder = GetFolder(n);
            break;
        }
    }
    const std::string message = Text + "{%" + Name + "%} [" + folder + "]";
    // Reported once per operation, not once for every node that shares the definition.
    if (std::find(FReportedPlaceholders.begin(), FReportedPlaceholders.end(), message) == FReportedPlaceholders.end()) {
        FReportedPlaceholders.push_back(message);
        AddResultLine("■" + message);
        if (TResultConsole* c = Frame->ActiveResultConsole()) c->ScrollCaretIntoView();
    }
    throw EDescTreeManager(message);
}

void TDescTreeManager::PlaceholderOverflow(TTreeNodeEx* Node, const std::string& Name) {
    PlaceholderError(Node, "パラメータの展開結果が上限（1MB）を超えました：", Name);
}

std::string TDescTreeManager::ExpandPlaceholders(TTreeNodeEx* Node, const std::string& Text) {
    return Expand(Node, Text, true);
}

std::string TDescTreeManager::ExpandPlaceholderText(TTreeNodeEx* Node, const std::string& Text) {
    return Expand(Node, Text, false);
}

std::string TDescTreeManager::Expand(TTreeNodeEx* Node, const std::string& Text, bool DatabaseValuesAsData) {
    if (Text.find('{') == std::string::npos) return Text;
    TOpScope scope(*this);
    std::vector<TParamEntry> params;
    CollectParamEntries(Node, params);
    // Every replacement is measured before it is made: a text past the limit is never built.
    const size_t limit = Text.size() + kPlaceholderGrowth;

    // A value read from the database goes in last, where its hole stands: it
    // is never read for placeholders, and it is put in as data (see FillHoles).
    // A hole is shorter or longer than its value: pending counts the difference.
    char mark = 0;
    std::vector<std::string> holes(params.size());
    const bool fromDatabase =
        DatabaseValuesAsData && std::any_of(params.begin(), params.end(), [](const TParamEntry& p) { return p.FromDatabase; });
    if (fromDatabase) {
        std::vector<std::string_view> written{Text};
        for (const TParamEntry& p : params)
            if (!p.FromDatabase) written.push_back(p.Value);
        mark = desctree::HoleMark(written);
        for (size_t k = 0; k < params.size(); ++k)
            if (params[k].FromDatabase) holes[k] = desctree::Hole(mark, k);
    }
    auto asPut = [&](size_t k) -> const std::string& { return mark && params[k].FromDatabase ? holes[k] : params[k].Value; };
    long long pending = 0;
    auto size = [&](const std::string& text) { return static_cast<size_t>(std::max<long long>(0, (long long)text.size() + pending)); };
    auto note = [&](size_t k, size_t count) {
        pending += static_cast<long long>(count) *
                   (static_cast<long long>(params[k].Value.size()) - static_cast<long long>(asPut(k).size()));
    };
    if (fromDatabase && !mark) {  // every control byte is in use: nothing to mark a hole with
        for (const TParamEntry& p : params)
            if (p.FromDatabase)
                PlaceholderError(Node, "データベースから読んだ値を埋め込めないため実行しません（定義の制御文字と区別できません）：", p.Name);
    }

    // Double braces: the name in any case; unknown ones are deleted.
    std::unordered_map<std::string, size_t> byUpper;
    for (size_t k = 0; k < params.size(); ++k) byUpper.emplace(Upper(params[k].Name), k);
    std::string text;
    size_t at = 0;
    for (;;) {
        const size_t open = Text.find("{{%", at);
        if (open == std::string::npos) break;
        const size_t close = Text.find("%}}", open + 3);
        if (close == std::string::npos) break;
        text.append(Text, at, open - at);
        auto it = byUpper.find(Upper(std::string_view(Text).substr(open + 3, close - open - 3)));
        if (it != byUpper.end()) {
            const size_t k = it->second;
            if (size(text) + params[k].Value.size() + (Text.size() - close) > limit) PlaceholderOverflow(Node, params[k].Name);
            text += asPut(k);
            note(k, 1);
        } else {
            text.append(Text, open, close + 3 - open);
        }
        at = close + 3;
    }
    text.append(Text, at, std::string::npos);
    for (size_t open = text.find("{{%"); open != std::string::npos; open = text.find("{{%", open)) {
        const size_t close = text.find("%}}", open + 3);
        if (close == std::string::npos) break;
        text.erase(open, close + 3 - open);
    }

    // Single braces: the name exactly as written, until nothing changes. A
    // value that holds its own placeholder would go on for ever: the passes
    // are bounded, and so is the size after every replacement.
    for (int pass = 0; pass < 64; ++pass) {
        bool changed = false;
        for (size_t k = 0; k < params.size(); ++k) {
            const std::string from = "{%" + params[k].Name + "%}";
            const size_t count = CountOf(text, from);
            if (count == 0) continue;
            const size_t grows = params[k].Value.size();
            if (grows > from.size() && (grows - from.size()) > (limit - std::min(limit, size(text))) / count)
                PlaceholderOverflow(Node, params[k].Name);
            text = sys::StringReplaceAll(text, from, asPut(k));
            note(k, count);
            changed = true;
        }
        if (!changed) break;
    }
    if (!mark || text.find(mark) == std::string::npos) return text;

    // A value that lost characters on its way from the database would name
    // something else (another table, say): it is never put in.
    for (size_t k = 0; k < params.size(); ++k)
        if (params[k].Lossy && text.find(holes[k]) != std::string::npos)
            PlaceholderError(Node,
                             "データベースから読んだ値を埋め込めないため実行しません（値にシフトJISで表せない文字があり、\"?\" "
                             "に置き換わっています）：",
                             params[k].Name);

    // The values read from the database, each where its hole stands.
    std::vector<std::string> values(params.size());
    for (size_t k = 0; k < params.size(); ++k)
        if (params[k].FromDatabase) values[k] = params[k].Value;
    std::string out;
    const desctree::TPasteResult r = desctree::FillHoles(text, mark, values, limit, out);
    const std::string& name = params[std::min(r.Index, params.size() - 1)].Name;
    switch (r.Refusal) {
        case desctree::TPasteRefusal::None: return out;
        case desctree::TPasteRefusal::TooLarge: PlaceholderOverflow(Node, name);
        case desctree::TPasteRefusal::NotPlain:
            PlaceholderError(Node, "データベースから読んだ値を埋め込めないため実行しません（引用符の外には名前か数値だけを埋め込めます）：",
                             name);
        case desctree::TPasteRefusal::UserVariable:
            PlaceholderError(Node, "データベースから読んだ値を埋め込めないため実行しません（値がユーザー変数の参照 {! を含みます）：",
                             name);
        case desctree::TPasteRefusal::ChangesText:
            PlaceholderError(Node, "データベースから読んだ値を埋め込めないため実行しません（値が引用符やコメントの区切りを変えます）：",
                             name);
    }
    return out;
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
