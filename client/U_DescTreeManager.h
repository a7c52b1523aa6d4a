// The object tree of the client window's left pane. Nothing about the tree is
// built in: it is read from the folder "ObjectTree" beside the program, where
// every sub-folder is one tree and every folder below is a node. Files in a
// node's folder give it a deploy query (its rows become child items), a title
// query, parameters, a sort order, an icon, property pages, scripts for its
// menu and a script run when it is selected.
//
// Node data lives in the manager's own node class, read through GetKind,
// GetFolder, GetOverrideFolder, GetParams, GetOrderValue and IsDone: the kind
// (top, folder, item, item folder), whether the children are built, the order
// value, the node's own parameters (name=value lines), whether an "Empty.Hide"
// applies, and the node's place: its folder (an item's is its parent's), the
// override folder and the deploy query (empty when none or refused). The items
// of one expansion share one place. The node's StringList09 holds scratch text
// while a property file is read; its other string lists are left unused, so an
// item never makes them.
//
// File and folder names are matched without regard to case. SQL runs only
// through the window's OnExecuteSQL, and only while it reports a connection.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QTimer>

#include "DataSet.h"
#include "Exception.h"
#include "FileSystem.h"
#include "KZNTreeView.h"
#include "StringList.h"
#include "U_DescTreeFolders.h"

Z_DECLARE_EXCEPTION(EDescTreeManager, Exception);

class QLabel;
class QTabWidget;
class QWidget;
class TFrameSQLClient;
class TForm_DesctreeProperty;
class TKZNTabFloater;
class TDescTreeManager;

enum TDescNodeKind : int { dnkNone = -1, dnkTop = 0, dnkFolder = 1, dnkItem = 2, dnkItemFolder = 3 };

// The drag of a tree node: the drag's data. Receivers find it with From().
// A drag may outlive its node (a refresh frees and rebuilds the nodes): the
// node is held by its serial number, never by its address alone.
class TDescDragObj : public QMimeData {
public:
    static const char* const Format;
    explicit TDescDragObj(TTreeNodeEx* Node);

    // The node being dragged while it is still in its tree; null once it has gone.
    TTreeNodeEx* Node() const { return FNode.Get(); }
    // The manager of that node; null once the node has gone.
    TDescTreeManager* Manager() const;
    // The node's script names (see TDescTreeManager::GetScriptNames); none once it has gone.
    void GetScriptNames(TStringList& Names) const;

    static const TDescDragObj* From(const QMimeData* Data);

private:
    TTreeNodeRef FNode;
};

// One script of a node's menu: choosing it runs Lines in the window.
class TScriptExecuteMenuItem : public QAction {
public:
    TScriptExecuteMenuItem(const std::string& Caption, QObject* Parent);
    std::string ScriptName;
    TStringList Lines;
};

class TDescTreeManager {
public:
    // Takes the window's pane, label, panel and property page control; the
    // program folder is where "ObjectTree" is looked for (the program's own
    // folder unless a caller names another).
    TDescTreeManager(TFrameSQLClient* Frame, TKZNTreeView* TreeView, std::string ProgramFolder = fs932::ProgramFolder());
    ~TDescTreeManager();
    TDescTreeManager(const TDescTreeManager&) = delete;
    TDescTreeManager& operator=(const TDescTreeManager&) = delete;

    // The folder the definition is looked for in (with a trailing separator); the tree is rebuilt.
    void SetProgramFolder(const std::string& Folder);
    const std::string& ProgramFolder() const { return FProgramFolder; }
    // The "ObjectTree" folder (any case) of the program folder; empty when there is none.
    std::string RootFolder() const;

    // Rebuilds the whole tree from the shown-tree list.
    void LoadObjectTrees();
    // Appends Name to the shown-tree list when the tree folder exists; no rebuild.
    bool AddObjectTree(const std::string& Name);
    // Empties the shown-tree list and rebuilds.
    void ClearObjectTrees();
    bool IsObjectTreeShown(const std::string& Name) const;
    const TStringList& ShownTrees() const { return FShownTrees; }

    // The colour of the connection state, then every shown tree is refreshed.
    void SetConnected(bool Connected);
    // Null means the selected node.
    void RefreshNode(TTreeNodeEx* Node = nullptr);
    void OpenNodeFolder(TTreeNodeEx* Node = nullptr);
    // Builds the node's children once ("Done"); also run on every selection change.
    void ExpandNode(TTreeNodeEx* Node);
    // SQL or script text with the node's parameters put in. A value that came
    // from the database (an item's) is data: inside '...' or "..." its quotes
    // are doubled, elsewhere it must be a plain name or a number. A value that
    // cannot be put in safely is told in the result page, naming its
    // placeholder, and raises EDescTreeManager: nothing built from the text runs.
    std::string ExpandPlaceholders(TTreeNodeEx* Node, const std::string& Text);
    // Text only shown (a ".Property" page): every value as it is.
    std::string ExpandPlaceholderText(TTreeNodeEx* Node, const std::string& Text);
    // The node's parameters: its own first, then its ancestors' that it does not define.
    void CollectParams(TTreeNodeEx* Node, TStringList& Params);
    // The manager that built Node; null for a node of no object tree.
    static TDescTreeManager* ManagerOf(const TTreeNodeEx* Node);
    // The selected node; with none, the top node; null for an empty tree.
    TTreeNodeEx* GetSelectedNode() const;
    // Handles a selection change to Node (expansion, property pages, address, default script).
    void NodeSelected(TTreeNodeEx* Node);

    // Node data.
    static TDescNodeKind GetKind(const TTreeNodeEx* Node);
    static const std::string& GetFolder(const TTreeNodeEx* Node);
    static const std::string& GetOverrideFolder(const TTreeNodeEx* Node);
    // The node's own parameters, name=value lines.
    static TStringList GetParams(const TTreeNodeEx* Node);
    static int GetDepth(const TTreeNodeEx* Node);
    static int32_t GetOrderValue(const TTreeNodeEx* Node);
    static bool IsDone(const TTreeNodeEx* Node);

    // Scripts: the names of the node's ".Script" files, and a script's text with placeholders put in.
    void GetScriptNames(TTreeNodeEx* Node, TStringList& Names);
    std::string GetScriptText(TTreeNodeEx* Node, const std::string& Name);
    // Fills the tree's popup menu for Node.
    void FillPopupMenu(TTreeNodeEx* Node);
    // Fills Menu with one item per script of Node; choosing one runs it in the window.
    void FillScriptMenu(TTreeNodeEx* Node, QMenu* Menu);

    // Property pages.
    void GetPropertyFiles(TTreeNodeEx* Node, TStringList& Files);
    void RefreshPropertyPages(TTreeNodeEx* Node);
    // Frees every page but "Params" (docked or floating, whose window goes)
    // and empties "Params", the address and the node caption: no node is shown.
    void ClearPropertyPages();
    TForm_DesctreeProperty* AddPropertyPage(const std::string& Caption);
    void SortPropertyPages();
    // Fills Page (the active tab's page when null) for the selected node.
    void ShowPropertyPage(TForm_DesctreeProperty* Page = nullptr);
    TForm_DesctreeProperty* ParamsPage() const { return FParamsPage; }
    // Property tabs can be dragged out into windows of their own and back.
    TKZNTabFloater* PropertyFloater() const { return FFloater.get(); }

    // The icon map: full icon path -> image index.
    const std::map<std::string, int>& IconMap() const { return FIconMap; }

    TFrameSQLClient* Frame;
    TKZNTreeView* TreeView;
    bool FolderPresent = false;
    // The window's components.
    QWidget* Panel_DelcTreeBase;
    QLabel* Label_DescTreeAddress;
    QLabel* Panel_DescTreeCurrentNode;
    QTabWidget* PageControl_DescTreeProperty;
    QMenu* PopupMenu;

    // Milliseconds between a selection change and its handling.
    int ChangeDelay = 500;
    // Opens a node's folder; without it the folder opener shows it through the desktop.
    std::function<void(const std::string& Folder)> OnOpenFolder;

private:
    struct TPlace;
    class TNode;
    class TOpScope;
    class TCursorScope;
    class TLoadingScope;
    friend class TNode;

    // The node folder's data.
    std::string ReadOverrideOf(const std::string& Folder);
    void ReadOverrideFolder(TTreeNodeEx* Node);
    std::string DeploySQLOf(const std::string& Folder, const std::string& Override, TDescNodeKind Kind, int Depth,
                            bool& Refused);
    void LoadDeploySQL(TTreeNodeEx* Node);
    static const std::string& DeployText(const TTreeNodeEx* Node);
    // A deploy query as a node keeps it: its lines joined by LF.
    static std::string DeployLines(const std::string& SQL);
    // The node as the manager's node class; null for any other node.
    static TNode* NodeData(TTreeNodeEx* Node);
    static const TNode* NodeData(const TTreeNodeEx* Node);
    void SetHideMark(TTreeNodeEx* Node);
    void SetTitle(TTreeNodeEx* Node);
    // One parameter as the node sees it, and whether the database gave it.
    struct TParamEntry {
        std::string Name, Value;
        bool FromDatabase;
        bool Lossy;  // the database's value had characters CP932 cannot hold ("?" in Value)
    };
    void CollectParamEntries(TTreeNodeEx* Node, std::vector<TParamEntry>& Params);
    std::string Expand(TTreeNodeEx* Node, const std::string& Text, bool DatabaseValuesAsData);
    // Tells the result page (once per operation) that the parameter Name grows
    // a text past the limit, then raises EDescTreeManager.
    [[noreturn]] void PlaceholderOverflow(TTreeNodeEx* Node, const std::string& Name);
    // Tells the result page (once per operation) Text followed by the
    // placeholder of Name and the folder that defines it, then raises EDescTreeManager.
    [[noreturn]] void PlaceholderError(TTreeNodeEx* Node, const std::string& Text, const std::string& Name);
    void ReadParamsFile(TTreeNodeEx* Node);
    int32_t GetOrder(const std::string& Folder);
    // A file of the node: its own folder first, then its override folder; empty when neither has it.
    std::string FindNodeFile(TTreeNodeEx* Node, std::string_view Name);

    TNode* NewNode(const std::string& Caption, TDescNodeKind Kind, std::shared_ptr<TPlace> Place);
    void AddFolderChildren(TTreeNodeEx* Node, std::vector<TTreeNodeEx*>& Folders);
    // The children of one expansion with their order values: the items in
    // the order of their rows, then the folders.
    struct TChildren {
        std::vector<std::pair<int32_t, QTreeWidgetItem*>> Items, Folders;
        // All of them by order value (stable), emptying both lists.
        QList<QTreeWidgetItem*> Sorted();
    };
    // Items made complete (order, parameters, image, indicator) as they are made.
    void AddDeployItems(TTreeNodeEx* Node, const std::string& SQL, TChildren& Children);
    void DeleteChildren(TTreeNodeEx* Node);
    // Icons found during one operation: by folders and depth, and the last by place and depth.
    struct TIconLookups {
        std::map<std::pair<std::string, int>, int> ByFolders;
        const TPlace* LastPlace = nullptr;
        int LastDepth = 0;
        int LastIndex = -1;
    };
    // The image of the icon file of a node's folder and depth; -1 when there is none.
    int IconOf(const std::string& Folder, const std::string& Override, int Depth, TIconLookups& Known);
    int IconOf(const TTreeNodeEx* Node, int Depth, TIconLookups& Known);
    // The node's image: its icon file's, or its parent's.
    void SetOwnIcon(TTreeNodeEx* Node);
    void LoadIcons(const std::string& Folder);
    // The expand mark of an expanded node and of its folder children.
    void UpdateIndicator(TTreeNodeEx* Node, const std::vector<TTreeNodeEx*>& Folders);
    std::unique_ptr<TDataSet> RunQuery(const std::string& SQL);
    std::vector<TForm_DesctreeProperty*> PropertyPages() const;
    // Frees every page but "Params", docked or floating.
    void FreePropertyPages();

    // The active result page's text.
    void AddResultLine(const std::string& Line);
    void AddResultEntry(const std::string& Text);

    void SelectionChanged();
    // The node's default script with its placeholders put in; empty when none.
    std::string DefaultScriptText(TTreeNodeEx* Node);
    void RunDefaultScript(const std::string& Text);

    std::string FProgramFolder;
    TStringList FShownTrees;
    std::map<std::string, int> FIconMap;
    TTreeNodeEx* FLastNode = nullptr;      // the last node a selection change handled
    TTreeNodeEx* FWatchNode = nullptr;     // nulled when that node goes
    TTreeNodeEx* FPropertyNode = nullptr;  // the node whose property pages are shown
    bool FLoading = false;
    int FExpanding = 0;           // expansions on the stack
    bool FReloadPending = false;  // a rebuild asked for during one
    int FBusy = 0;  // nested operations sharing the folder cache
    TDescFolderCache FCache;
    TForm_DesctreeProperty* FParamsPage = nullptr;
    QTimer FChangeTimer;
    std::unique_ptr<QObject> FContext;  // the receiver of the widgets' signals
    std::vector<std::string> FReportedOverrides;  // reported once per operation
    std::vector<std::string> FReportedPlaceholders;  // likewise
    std::unique_ptr<TKZNTabFloater> FFloater;
};
