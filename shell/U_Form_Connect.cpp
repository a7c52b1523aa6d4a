#include "U_Form_Connect.h"

#include <map>
#include <algorithm>
#include <set>

#include <QAction>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "AppException.h"
#include "CP932Qt.h"
#include "FileLock.h"
#include "FileSystem.h"
#include "KZNTreeViewFormatMerge.h"
#include "Headless.h"
#include "KZNEditor.h"
#include "KZNFileDialog.h"
#include "KZNMessageDlg.h"
#include "KZNPanelEx.h"
#include "KZNTreeView.h"
#include "ScopeExit.h"
#include "SysUtils.h"
#include "T_FolderFile.h"
#include "U_ADOConnectStringsUtil.h"
#include "U_ADODriver.h"
#include "U_Dialog_ConnectString.h"
#include "U_Dialog_Login.h"
#include "U_DriverInterface.h"

namespace {

const char* const kNewName = "新規接続";
constexpr int kGridRowHeight = 20;

QString Q(std::string_view s) { return cp932::ToQString(s); }

std::string Key(std::string_view s) { return sys::UpperCase(sys::Trim(s)); }

// The damaged files left in place that the user has been told of in this run:
// true when a copy is kept beside it, false when the file itself is all there
// is (it is never written over then).
std::map<std::string, bool>& ToldDamaged() {
    static std::map<std::string, bool> told;
    return told;
}

}  // namespace

TForm_Connect::TForm_Connect(QWidget* owner, TDriverInterfaceProp* driverProp)
    : QDialog(owner), FFileName(DefaultFileName()), DriverProp(driverProp) {
    BuildForm();
    ConnectTree->ClearNodes();
    ShowNode(nullptr);
    setWindowTitle(Q(fs932::ProgramBaseName() + " - ADO接続情報"));
    LoadFile();
    UpdateActions();
}

TForm_Connect::~TForm_Connect() {
    FShownNode = nullptr;
    ConnectTree->OnEdited = nullptr;
    ConnectTree->EndEdit(true);
    ConnectTree->disconnect(this);
}

std::string TForm_Connect::DefaultFileName() { return fs932::ProgramFolder() + fs932::ProgramBaseName() + ".Connection"; }

// --- the form -----------------------------------------------------------------

void TForm_Connect::BuildForm() {
    setFont(QFont("IPAPGothic", 9));
    resize(640, 420);

    auto makeAction = [this](const char* caption, const char* hint, void (TForm_Connect::*handler)()) {
        auto* a = new QAction(Q(caption), this);
        a->setToolTip(Q(hint));
        a->setStatusTip(Q(hint));
        QObject::connect(a, &QAction::triggered, this, [this, handler] { Run([this, handler] { (this->*handler)(); }); });
        return a;
    };
    Action_Connect = makeAction("保存して接続", "保存して接続", &TForm_Connect::Action_ConnectExecute);
    Action_CreateRootNode =
        makeAction("新規接続情報作成", "新規接続情報作成", &TForm_Connect::Action_CreateRootNodeExecute);
    Action_GetMoreDetail =
        makeAction("さらに詳細項目取得", "さらに詳細項目取得", &TForm_Connect::Action_GetMoreDetailExecute);
    Action_PlaceUp = makeAction("接続情報を上に移動", "接続情報を上に移動", &TForm_Connect::Action_PlaceUpExecute);
    Action_PlaceDown = makeAction("接続情報を下に移動", "接続情報を下に移動", &TForm_Connect::Action_PlaceDownExecute);
    Action_UDLOpen = makeAction("UDLファイルから読み込み", "UDLファイルから読み込み", &TForm_Connect::Action_UDLOpenExecute);
    Action_WEdit = makeAction("接続情報編集", "接続情報編集", &TForm_Connect::Action_WEditExecute);
    Action_TextChange = makeAction("接続名の編集", "接続名の編集", &TForm_Connect::Action_TextChangeExecute);
    Action_Save = makeAction("保存", "保存", &TForm_Connect::Action_SaveExecute);
    Action_Delete = makeAction("接続情報削除", "接続情報削除", &TForm_Connect::Action_DeleteExecute);
    Action_Cancel = makeAction("キャンセル", "キャンセル", &TForm_Connect::Action_CancelExecute);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(4, 4, 4, 4);
    root->setSpacing(4);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (QAction* a : {Action_CreateRootNode, Action_UDLOpen, Action_WEdit, Action_GetMoreDetail, Action_TextChange,
                       Action_PlaceUp, Action_PlaceDown, Action_Delete, Action_Save})
        ToolBar1->addAction(a);
    root->addWidget(ToolBar1);
    // wide enough that no button of the bar hides behind its overflow arrow
    resize(std::max(width(), ToolBar1->sizeHint().width() + 8), height());

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    ConnectTree = new TKZNTreeView(splitter);
    ConnectTree->DefaultRestoreNodeProperties = {vtnFocused,       vtnSelected,   vtnExpanded,   vtnHasChildren,
                                                 vtnImageIndex,    vtnSelectedIndex, vtnStateIndex, vtnStringList,
                                                 vtnStringList01, vtnStringList02};
    // connection strings may hold passwords
    ConnectTree->NewFileMode = 0600;
    ConnectTree->setContextMenuPolicy(Qt::CustomContextMenu);
    ConnectTree->installEventFilter(this);
    ConnectTreePopupMenu = new QMenu(this);
    for (QAction* a : {Action_Connect, Action_CreateRootNode, Action_UDLOpen, Action_WEdit, Action_GetMoreDetail,
                       Action_TextChange, Action_PlaceUp, Action_PlaceDown, Action_Delete, Action_Save, Action_Cancel})
        ConnectTreePopupMenu->addAction(a);
    QObject::connect(ConnectTree, &QWidget::customContextMenuRequested, this,
                     [this](const QPoint& p) { ConnectTreePopupMenu->popup(ConnectTree->viewport()->mapToGlobal(p)); });
    QObject::connect(ConnectTree, &QTreeWidget::itemSelectionChanged, this, [this] {
        Run([&] {
            TTreeNodeEx* node = Selected();
            if (node == FShownNode) {
                UpdateActions();
                return;
            }
            LeaveNode(FShownNode);
            ShowNode(node);
        });
    });
    QObject::connect(ConnectTree, &QTreeWidget::itemDoubleClicked, this,
                     [this](QTreeWidgetItem*, int) { Run([this] { Action_ConnectExecute(); }); });
    ConnectTree->OnEdited = [this](TKZNTreeView*, TTreeNodeEx* node, std::string& text) { text = UniqueName(node, text); };
    ConnectTree->Loaded();

    PageControl1 = new QTabWidget(splitter);
    auto* infoPage = new QWidget;
    auto* info = new QVBoxLayout(infoPage);
    info->setContentsMargins(2, 2, 2, 2);
    info->setSpacing(2);
    Panel_ConnectionInfo = new TKZNPanelEx(infoPage);
    Panel_ConnectionInfo->setFixedHeight(20);
    Panel_ConnectionInfo->SetAlignment(taLeftJustify);
    Panel_ConnectionInfo->SetAlignOffset(4);
    Panel_ConnectionInfo->SetCaption("ConnectionInfo");
    Panel_ConnectionInfo->Loaded();
    info->addWidget(Panel_ConnectionInfo);
    StringGrid1 = new QTableWidget(1, 2, infoPage);
    StringGrid1->setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Value")});
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setDefaultSectionSize(kGridRowHeight);
    StringGrid1->horizontalHeader()->setStretchLastSection(true);
    StringGrid1->setColumnWidth(0, 140);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    info->addWidget(StringGrid1, 3);
    Panel_ObjectTree = new TKZNPanelEx(infoPage);
    Panel_ObjectTree->setFixedHeight(20);
    Panel_ObjectTree->SetAlignment(taLeftJustify);
    Panel_ObjectTree->SetAlignOffset(4);
    Panel_ObjectTree->SetCaption("ObjectTree");
    Panel_ObjectTree->Loaded();
    info->addWidget(Panel_ObjectTree);
    ObjectTreeCheckListBox = new QListWidget(infoPage);
    info->addWidget(ObjectTreeCheckListBox, 2);
    PageControl1->addTab(infoPage, Q("接続情報"));
    KZNEditor1 = MakeEditor<TKZNEditor>(PageControl1);
    PageControl1->addTab(KZNEditor1, Q("接続後実行スクリプト"));
    splitter->addWidget(ConnectTree);
    splitter->addWidget(PageControl1);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    root->addWidget(splitter, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto makeButton = [this, buttons](QAction* a) {
        auto* b = new QPushButton(a->text(), this);
        b->setAutoDefault(false);
        b->setToolTip(a->toolTip());
        QObject::connect(b, &QPushButton::clicked, a, &QAction::trigger);
        QObject::connect(a, &QAction::changed, b, [a, b] { b->setEnabled(a->isEnabled()); });
        buttons->addWidget(b);
        return b;
    };
    Button_Connect = makeButton(Action_Connect);
    Button_Cancel = makeButton(Action_Cancel);
    Button_Save = makeButton(Action_Save);
    root->addLayout(buttons);
}

void TForm_Connect::Run(const std::function<void()>& work) {
    try {
        work();
    } catch (const Exception& e) {
        MessageDlg(e.Message, TMsgDlgType::mtError, this);
    } catch (const std::exception& e) {
        MessageDlg(e.what(), TMsgDlgType::mtError, this);
    }
}

void TForm_Connect::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    PageControl1->setCurrentIndex(0);
    PageControl1->setTabVisible(1, false);
    ConnectTree->setFocus();
}

void TForm_Connect::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        Run([this] { Action_CancelExecute(); });
        return;
    }
    QDialog::keyPressEvent(e);
}

bool TForm_Connect::eventFilter(QObject* watched, QEvent* e) {
    if (watched == ConnectTree && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && !ConnectTree->IsEditing()) {
            Run([this] { Action_ConnectExecute(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

// --- the file -------------------------------------------------------------------

void TForm_Connect::LoadFile() {
    std::string bytes;
    fs932::ReadResult read = fs932::ReadRegularFile(FFileName, bytes);
    // a folder in the file's place holds no connections; saving there fails with its own message
    if (read == fs932::ReadResult::NotRegular && fs932::DirectoryExists(FFileName)) read = fs932::ReadResult::Missing;
    // what was told of the file no longer holds once it has gone
    if (read == fs932::ReadResult::Missing) {
        ToldDamaged().erase(FFileName);
        return;
    }
    if (read == fs932::ReadResult::NotRegular) {
        // a FIFO or a device is never read nor written; every store of this run finds it so
        const bool told = ToldDamaged().count(FFileName) > 0;
        ToldDamaged()[FFileName] = false;
        if (!told)
            MessageDlg("ファイルのロードに失敗しました。[" + FFileName + "]\r\nファイル " + FFileName +
                           " を開けません（通常のファイルではないため、このファイルには書き込みません）",
                       TMsgDlgType::mtWarning, this);
        return;
    }
    try {
        FShownNode = nullptr;
        if (read != fs932::ReadResult::Ok) throw EFOpenError("ファイル " + FFileName + " を開けません");
        ConnectTree->LoadFromText(bytes, ConnectTree->SavedIndentChar);
        FReadText = std::move(bytes);
        // a sound file stands where damage was told of: it is written again
        ToldDamaged().erase(FFileName);
        return;
    } catch (const std::exception&) {
        // an unreadable or damaged file: handled below, told once
    }
    // told already in this run: what was read stays, silently
    if (ToldDamaged().count(FFileName)) return;
    // Damaged or unreadable: what was read stays; a copy of the file is kept
    // under a name no save touches, and what was read becomes the store.
    std::string bad;
    bool fresh = false;
    const bool kept = TFolderFile::KeepDamagedCopy(FFileName, bad, fresh);
    bool repaired = false;
    if (kept) {
        try {
            repaired = WriteStore(bytes);
        } catch (const std::exception&) {
            // not repaired: the file stays damaged, which is told below
        }
    }
    // a file left damaged would be found again by every store opened later
    if (!repaired) ToldDamaged()[FFileName] = kept;
    // the same damage kept by an earlier run was told then
    if (kept && !fresh) return;
    std::string text = "ファイルのロードに失敗しました。[" + FFileName + "]\r\n読み込めた接続情報で続けます。";
    if (kept) text += "\r\n元のファイルは [" + bad + "] に残しました。";
    MessageDlg(text, TMsgDlgType::mtWarning, this);
}

bool TForm_Connect::TrySaveToFile() {
    if (TTreeNodeEx* node = Selected()) node->GetStringList02()->SetText(CheckedObjectTrees());
    if (FFileName.empty()) throw EForm_Connect("内部エラー：ファイル名が決定していません");
    if (!TFolderFile::IsWritable(FFileName)) return false;
    // a damaged file of which no copy could be kept is never written over
    if (auto told = ToldDamaged().find(FFileName); told != ToldDamaged().end() && !told->second) return false;
    try {
        return WriteStore(FReadText);
    } catch (const std::exception&) {
        throw EForm_Connect("ファイルの保存に失敗しました。[" + FFileName + "]");
    }
}

bool TForm_Connect::WriteStore(const std::string& Read) {
    fs932::TFileLock lock;
    lock.Lock(FFileName);
    std::string text = ConnectTree->SaveToText(ConnectTree->SavedIndentChar);
    std::string now;
    switch (fs932::ReadRegularFile(FFileName, now)) {
        case fs932::ReadResult::Ok:
            // another copy of the program saved since this store read the file
            if (now != Read && !MergeWithFile(Read, now, text)) return false;
            break;
        case fs932::ReadResult::Missing: break;
        default: throw EFOpenError("ファイル " + FFileName + " を開けません");
    }
    fs932::SavePausePoint(FFileName);
    // connection strings may hold passwords
    if (!fs932::WriteFileAtomic(FFileName, text, 0600)) throw EFCreateError("ファイル " + FFileName + " を作成できません");
    FReadText = std::move(text);
    return true;
}

bool TForm_Connect::MergeWithFile(const std::string& Read, const std::string& Now, std::string& Text) {
    TKZNTreeFormatChars chars;
    chars.Indent = ConnectTree->SavedIndentChar;
    chars.Separator = ConnectTree->SavedPropertySeparator;
    chars.LineEnd = ConnectTree->SaveLineCRLF;
    // each version as this store writes it, so that what nobody changed compares equal
    auto records = [&](const std::string& Bytes) {
        TKZNTreeView tree;
        tree.DefaultRestoreNodeProperties = ConnectTree->DefaultRestoreNodeProperties;
        tree.SavedPropertySeparator = chars.Separator;
        tree.SaveLineCRLF = chars.LineEnd;
        tree.LoadFromText(Bytes, chars.Indent);
        return KZNTreeSplitText(tree.SaveToText(chars.Indent), chars);
    };
    TKZNTreeTextRecords base, theirs;
    const TKZNTreeTextRecords ours = KZNTreeSplitText(Text, chars);
    try {
        base = records(Read);
    } catch (const std::exception&) {
        // nothing this store can tell apart was read: every connection of the file is kept
    }
    try {
        theirs = records(Now);
    } catch (const std::exception&) {
        // what stands in the file now cannot be read: written over only once a copy of it is kept
        std::string bad;
        bool fresh = false;
        return TFolderFile::KeepDamagedCopy(FFileName, bad, fresh);
    }
    // A connection is known by its name; its selection and focus are the
    // store's current connection, one choice of its own.
    TKZNTreeMergeRules rules;
    rules.Identity = [&](std::string_view body) { return Key(KZNTreeBodyCaption(body, chars)); };
    rules.Content = [&](std::string_view body) { return KZNTreeBodyWithout(body, {"Selected", "Focused"}, chars); };
    auto selectedOf = [&](const TKZNTreeTextRecords& records) {
        const std::vector<std::string> keys = KZNTreePathKeys(records, rules);
        for (size_t i = 0; i < records.size(); ++i)
            if (sys::SameText(KZNTreeBodyProperty(records[i].Body, "Selected", chars), "True")) return keys[i];
        return std::string();
    };
    const std::string readSelected = selectedOf(base), ourSelected = selectedOf(ours);
    const std::string selected = ourSelected != readSelected ? ourSelected : selectedOf(theirs);
    TKZNTreeTextRecords merged = KZNTreeMerge(base, ours, theirs, rules);
    const std::vector<std::string> keys = KZNTreePathKeys(merged, rules);
    for (size_t i = 0; i < merged.size(); ++i) {
        const char* value = !selected.empty() && keys[i] == selected ? "True" : "False";
        for (const char* name : {"Selected", "Focused"})
            merged[i].Body = KZNTreeSetBodyProperty(merged[i].Body, name, value, chars);
    }
    Text = KZNTreeJoinText(merged, chars);
    // the dialog shows what the file holds from now on
    FShownNode = nullptr;
    ConnectTree->LoadFromText(Text, chars.Indent);
    ShowNode(Selected());
    return true;
}

void TForm_Connect::SaveToFile() { TrySaveToFile(); }

bool TForm_Connect::Save() {
    LeaveNode(Selected());
    bool saved = false;
    try {
        saved = TrySaveToFile();
    } catch (const EForm_Connect&) {
        // reported just below, naming the file
    }
    if (!saved) MessageDlg("ファイルの保存に失敗しました。[" + FFileName + "]", TMsgDlgType::mtError, this);
    return saved;
}

// --- the store ------------------------------------------------------------------

int TForm_Connect::GetCount() { return ConnectTree->GetCount(); }

TTreeNodeEx* TForm_Connect::Selected() const { return ConnectTree->GetSelected(); }

void TForm_Connect::GetSelectedName(std::string& Name) {
    TTreeNodeEx* node = Selected();
    Name = node ? node->Text() : std::string();
}

TTreeNodeEx* TForm_Connect::FindNode(const std::string& Name) const {
    std::string key = Key(Name);
    TTreeNodeEx* found = nullptr;
    ConnectTree->ForEachNode([&](TTreeNodeEx* n) {
        if (Key(n->Text()) == key) found = n;
    });
    return found;
}

void TForm_Connect::GetConnectString(const std::string& Name, std::string& S) {
    S.clear();
    if (TTreeNodeEx* node = FindNode(Name)) TADOConnectStringsUtil::ListToString(node->GetStringList(), S);
}

void TForm_Connect::GetObjectTreeNames(const std::string& Name, std::string& S) {
    S.clear();
    if (TTreeNodeEx* node = FindNode(Name)) S = node->GetStringList02()->Text();
}

void TForm_Connect::SelectNode(TTreeNodeEx* Node) {
    if (Node) ConnectTree->SetSelected(Node);
}

void TForm_Connect::SelectNode(const std::string& Name) { SelectNode(FindNode(Name)); }

std::string TForm_Connect::NewConnectionName() const {
    const std::string base = kNewName;
    std::string name = base;
    int current = 0;
    ConnectTree->ForEachNode([&](TTreeNodeEx* n) {
        const std::string& caption = n->Text();
        if (caption.compare(0, base.size(), base) != 0) return;
        std::string rest = caption.substr(base.size());
        if (sys::Trim(rest).empty()) rest = "0";
        int32_t number;
        if (sys::TryStrToInt(rest, number) && number >= current && number < INT32_MAX) {
            current = number + 1;
            name = base + sys::IntToStr(current);
        }
    });
    return name;
}

std::string TForm_Connect::UniqueName(const TTreeNodeEx* Node, std::string Name) const {
    ConnectTree->ForEachNode([&](TTreeNodeEx* n) {
        if (n != Node && Key(n->Text()) == Key(Name)) Name += "[Duplicate]";
    });
    return Name;
}

// --- showing a node -----------------------------------------------------------------

void TForm_Connect::ShowNode(TTreeNodeEx* Node) {
    FShownNode = Node;
    StringGrid1->clearContents();
    StringGrid1->setRowCount(1);
    StringGrid1->setRowHidden(0, true);
    KZNEditor1->Lines().Clear();
    UpdateActions();
    ObjectTreeCheckListBox->clear();
    if (!Node) return;
    const TStringList& lines = *Node->GetStringList();
    if (!sys::Trim(lines.Text()).empty()) {
        for (int i = 0; i < lines.Count(); ++i) {
            if (sys::Trim(lines[i]).empty()) continue;
            if (i >= StringGrid1->rowCount()) StringGrid1->setRowCount(i + 1);
            StringGrid1->setRowHidden(i, false);
            StringGrid1->setRowHeight(i, kGridRowHeight);
            size_t eq = lines[i].find('=');
            std::string name = eq == std::string::npos ? lines[i] : lines[i].substr(0, eq);
            std::string value = eq == std::string::npos ? std::string() : lines[i].substr(eq + 1);
            StringGrid1->setItem(i, 0, new QTableWidgetItem(Q(name)));
            StringGrid1->setItem(i, 1, new QTableWidgetItem(Q(value)));
        }
    }
    // the object trees and the script belong to the node even when it has no connection string yet
    FillObjectTreeList(Node);
    KZNEditor1->Lines().Assign(*Node->GetStringList01());
}

void TForm_Connect::LeaveNode(TTreeNodeEx* Node) {
    if (!Node || Node != FShownNode) return;
    TStringList* script = Node->GetStringList01();
    script->Clear();
    const TEditorStrings& lines = KZNEditor1->Lines();
    for (int i = 0; i < lines.Count(); ++i) script->Add(lines.Get(i));
    Node->GetStringList02()->SetText(CheckedObjectTrees());
}

void TForm_Connect::FillObjectTreeList(TTreeNodeEx* Node) {
    ObjectTreeCheckListBox->clear();
    TStringList folders;
    std::string dir = fs932::ProgramFolder() + "ObjectTree";
    if (TFolderFile::FolderExists(dir)) TFolderFile::GetFolderList(dir, folders);
    folders.Sort();
    std::vector<std::string> entries(folders.Items.begin(), folders.Items.end());
    std::vector<bool> checked(entries.size(), false);

    TStringList names;
    names.SetCommaText(Node->GetStringList02()->Text());
    for (const std::string& name : names.Items) {
        if (sys::Trim(name).empty()) continue;
        size_t i = 0;
        while (i < entries.size() && Key(entries[i]) != Key(name)) ++i;
        if (i == entries.size()) {  // its folder has gone: still shown and chosen
            entries.push_back(name);
            checked.push_back(true);
        } else {
            checked[i] = true;
        }
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        auto* item = new QListWidgetItem(Q(entries[i]), ObjectTreeCheckListBox);
        item->setData(Qt::UserRole, QByteArray::fromStdString(entries[i]));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(checked[i] ? Qt::Checked : Qt::Unchecked);
    }
}

std::string TForm_Connect::CheckedObjectTrees() const {
    std::string s;
    for (int i = 0; i < ObjectTreeCheckListBox->count(); ++i) {
        QListWidgetItem* item = ObjectTreeCheckListBox->item(i);
        if (item->checkState() != Qt::Checked) continue;
        if (!s.empty()) s += ",";
        s += sys::AnsiQuotedStr(item->data(Qt::UserRole).toByteArray().toStdString(), '"');
    }
    return s;
}

void TForm_Connect::UpdateActions() {
    TTreeNodeEx* node = Selected();
    Action_CreateRootNode->setEnabled(true);
    Action_Cancel->setEnabled(true);
    Action_Save->setEnabled(true);
    for (QAction* a : {Action_Connect, Action_Delete, Action_TextChange, Action_WEdit, Action_GetMoreDetail})
        a->setEnabled(node != nullptr);
    Action_UDLOpen->setEnabled(true);  // an import makes a new connection, as a new one does
    Action_PlaceUp->setEnabled(node && !node->IsFirstSibling());
    Action_PlaceDown->setEnabled(node && !node->IsLastSibling());
}

void TForm_Connect::DeleteNode(TTreeNodeEx* Node) {
    if (!Node) return;
    if (FShownNode && (FShownNode == Node || FShownNode->IsDescendantOf(Node))) FShownNode = nullptr;
    ConnectTree->Delete(Node);
}

// --- actions ----------------------------------------------------------------------

void TForm_Connect::Action_ConnectExecute() {
    ConnectTree->EndEdit(false);
    Save();
    if (Selected())
        accept();
    else
        Action_CancelExecute();
}

void TForm_Connect::Action_CreateRootNodeExecute() {
    std::string name = NewConnectionName();
    TTreeNodeEx* node = ConnectTree->Add(nullptr, name);
    for (int i = 0; i < 3; ++i) node->GetStringListN(i)->Clear();
    {
        auto undo = ScopeFail([&] {
            DeleteNode(node);
            UpdateActions();
        });
        TADOConnectStringsUtil::EditWithDataLink(static_cast<QWidget*>(this), node->GetStringList());
    }
    if (sys::Trim(node->GetStringList()->Text()).empty()) {
        DeleteNode(node);
    } else {
        SelectNode(node);
        ShowNode(node);
        ConnectTree->EditText(node);
    }
    UpdateActions();
}

void TForm_Connect::Action_GetMoreDetailExecute() {
    TTreeNodeEx* node = Selected();
    if (!node) return;
    std::string s;
    TADOConnectStringsUtil::GetMoreDetail(node->GetStringList(), s);
    TADOConnectStringsUtil::StringToList(s, node->GetStringList());
    LeaveNode(node);
    ShowNode(node);
}

void TForm_Connect::Action_PlaceUpExecute() {
    if (TTreeNodeEx* node = Selected()) node->MoveUp();
    UpdateActions();
}

void TForm_Connect::Action_PlaceDownExecute() {
    if (TTreeNodeEx* node = Selected()) node->MoveDown();
    UpdateActions();
}

void TForm_Connect::Action_UDLOpenExecute() {
    std::string folder;
    if (DriverProp) DriverProp->GetCurrentFolder(folder);
    std::string title = "UDLファイルを読み込みます";
    std::string file;
    auto choose = OnChooseFile ? OnChooseFile : [this](const std::string& t, const std::string& f, std::string& name) {
        QFileDialog dialog(this, Q(t), Q(f), QString::fromUtf16(u"UDLファイル (*.UDL *.udl)"));
        filedialog::MakeJapanese(dialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
        const QString chosen = dialog.selectedFiles().first();
        bool lossy = false;
        name = cp932::FromQString(chosen, &lossy);
        if (lossy) {
            // a substitute would read another file
            MessageDlg("ファイル名に、シフトJISで表せない文字が含まれています。このファイルは使えません。\r\n" + name,
                       TMsgDlgType::mtError, this);
            return false;
        }
        return true;
    };
    for (;;) {
        if (!choose(title, folder, file)) return;
        if (fs932::FileExists(file)) break;
        title = "ファイルが見つかりません。UDLファイルを指定してください";
    }
    std::string s;
    TADOConnectStringsUtil::ReadUDLFile(file, s);
    TStringList lines;
    TADOConnectStringsUtil::StringToList(s, &lines);
    std::string name = sys::Trim(TFolderFile::GetLastName(file));
    TTreeNodeEx* node = ConnectTree->Add(nullptr, name);
    node->GetStringList()->Assign(lines);
    SelectNode(node);
    node->SetText(UniqueName(node, name));
    ShowNode(node);
    ConnectTree->EditText(node);
}

void TForm_Connect::Action_WEditExecute() {
    TTreeNodeEx* node = Selected();
    if (!node) return;
    TADOConnectStringsUtil::EditWithDataLink(static_cast<QWidget*>(this), node->GetStringList());
    LeaveNode(node);
    ShowNode(node);
}

void TForm_Connect::Action_TextChangeExecute() { ConnectTree->EditText(Selected()); }

void TForm_Connect::Action_SaveExecute() { Save(); }

void TForm_Connect::Action_DeleteExecute() {
    DeleteNode(Selected());
    ShowNode(Selected());
}

void TForm_Connect::Action_CancelExecute() { reject(); }

// --- the driver -----------------------------------------------------------------------

void TForm_Connect::PlugInto(TADODriver& Driver) {
    Driver.ConnectionStoreFactory = [](TDriverInterfaceProp& prop) -> std::unique_ptr<IConnectionStore> {
        return std::make_unique<TForm_Connect>(nullptr, &prop);
    };
    Driver.ConnectDialog = [](TDriverInterfaceProp& prop, std::string& name) {
        if (headless::Declined("接続の選択（接続名が指定されていません）")) return false;
        TForm_Connect form(nullptr, &prop);
        form.setWindowFlag(Qt::WindowStaysOnTopHint);
        if (form.exec() != QDialog::Accepted) return false;
        form.GetSelectedName(name);
        return true;
    };
    TConnectPrompts::LoginPrompt = &TDialog_Login::Prompt();
    TConnectPrompts::DataLinkPrompt = &TDialog_ConnectString::Prompt();
}
