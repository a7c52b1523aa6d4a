#include "U_Form_History.h"

#include <algorithm>
#include <deque>
#include <set>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QIconEngine>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "AppException.h"
#include "CP932Qt.h"
#include "ColorQt.h"
#include "FileSystem.h"
#include "KZNDragObject.h"
#include "KZNEditor.h"
#include "KZNMessageDlg.h"
#include "KZNTreeView.h"
#include "KZNTreeViewFormat.h"
#include "KZNTreeViewFormatMerge.h"
#include "FileAccess.h"
#include "FileLock.h"
#include "ScreenMetrics.h"
#include "SysUtils.h"
#include "T_FolderFile.h"
#include "T_KZNUtil.h"
#include "U_ApplicationInfo.h"
#include "U_ClientMessages.h"
#include "U_HistoryRecords.h"
#include "U_ShellForms.h"

const char* const TForm_History::FavoriteRootCaption = THistoryRecords::FavoriteRootCaption;
const char* const TForm_History::FavoriteRootMark = THistoryRecords::FavoriteRootMark;
const char* const TForm_History::HistoryRootCaption = THistoryRecords::HistoryRootCaption;
const char* const TForm_History::HistoryRootMark = THistoryRecords::HistoryRootMark;
const char* const TForm_History::FolderMark = THistoryRecords::FolderMark;
const char* const TForm_History::NewFavoriteCaption = "新しいお気に入り";
const char* const TForm_History::NewFolderCaption = "新しいお気に入りフォルダ";
const char* const TForm_History::BackupExtension = ".bad";

namespace {

QAction* NewAction(QWidget* Owner, const char16_t* Caption, const char16_t* Hint = nullptr) {
    auto* a = new QAction(QString::fromUtf16(Caption), Owner);
    const QString hint = QString::fromUtf16(Hint ? Hint : Caption);
    a->setToolTip(hint);
    a->setStatusTip(hint);
    a->setIconVisibleInMenu(false);
    return a;
}

// The marker text of a node: its string list trimmed of blanks and control characters.
std::string Mark(const TTreeNodeEx* Node) {
    const TStringList* list = Node->GetStringList();
    return list ? sys::Trim(list->Text()) : std::string();
}

bool IsRoot(const TTreeNodeEx* Node, const char* Caption, const char* MarkText) {
    return Node->Text() == Caption && Mark(Node) == MarkText;
}

// The kind of a node, the two roots given.
THistoryNodeKind KindIn(const TTreeNodeEx* Node, const TTreeNodeEx* Fav, const TTreeNodeEx* Hist) {
    if (!Node) return hnkOther;
    if (Node == Fav) return hnkFavoriteRoot;
    if (Node == Hist) return hnkHistoryRoot;
    const TTreeNodeEx* top = Node;
    int level = 0;
    while (TTreeNodeEx* p = top->Parent()) {
        top = p;
        ++level;
    }
    if (level == 0) return hnkOther;
    if (top == Fav) return Mark(Node) == TForm_History::FolderMark ? hnkFavoriteFolder : hnkFavorite;
    if (top == Hist) return level == 1 ? hnkDate : hnkEntry;
    return hnkOther;
}

// The node before Node in tree order.
TTreeNodeEx* PrevNode(const TTreeNodeEx* Node) {
    if (TTreeNodeEx* s = Node->GetPrevSibling()) {
        while (s->Count() > 0) s = s->Item(s->Count() - 1);
        return s;
    }
    return Node->Parent();
}

bool Within(const TTreeNodeEx* Node, const TTreeNodeEx* Top) {
    return Node && Top && (Node == Top || Node->IsDescendantOf(Top));
}

// Damaged files that had to stay in place, told of once in this run.
std::set<std::string>& ToldDamaged() {
    static std::set<std::string> told;
    return told;
}

// A standard icon fetched from the style when it is first drawn or measured:
// the style reads and decodes its image files then, not while the window is
// built at start-up, usually without ever being shown.
class TLazyStandardIcon : public QIconEngine {
public:
    explicit TLazyStandardIcon(QStyle::StandardPixmap Pixmap) : FPixmap(Pixmap) {}
    void paint(QPainter* Painter, const QRect& Rect, QIcon::Mode Mode, QIcon::State State) override {
        Icon().paint(Painter, Rect, Qt::AlignCenter, Mode, State);
    }
    QSize actualSize(const QSize& Size, QIcon::Mode Mode, QIcon::State State) override {
        return Icon().actualSize(Size, Mode, State);
    }
    QPixmap pixmap(const QSize& Size, QIcon::Mode Mode, QIcon::State State) override {
        return Icon().pixmap(Size, Mode, State);
    }
    // Size is in device pixels here, and QIcon::pixmap scales what it is given
    QPixmap scaledPixmap(const QSize& Size, QIcon::Mode Mode, QIcon::State State, qreal Scale) override {
        return Icon().pixmap(Scale > 0 ? Size / Scale : Size, Scale, Mode, State);
    }
    QList<QSize> availableSizes(QIcon::Mode Mode, QIcon::State State) override {
        return Icon().availableSizes(Mode, State);
    }
    // the style has every standard pixmap asked for here
    bool isNull() override { return FMade ? FIcon.isNull() : false; }
    QIconEngine* clone() const override { return new TLazyStandardIcon(*this); }

private:
    const QIcon& Icon() {
        if (!FMade) {
            FIcon = QApplication::style()->standardIcon(FPixmap);
            FMade = true;
        }
        return FIcon;
    }
    QStyle::StandardPixmap FPixmap;
    QIcon FIcon;
    bool FMade = false;
};

QIcon MakeIcon(QStyle::StandardPixmap Pixmap) { return QIcon(new TLazyStandardIcon(Pixmap)); }

std::tm LocalTime(std::time_t Time) {
    std::tm tm{};
    localtime_r(&Time, &tm);
    return tm;
}

}  // namespace

// ---------------------------------------------------------------------------
// creation

TForm_History::TForm_History(QWidget* AOwner, winmsg::HWND MessageWindow, std::string AFileName)
    : QWidget(AOwner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    Clock = [] { return std::time(nullptr); };
    BuildForm();
    // the message window is not known yet: nobody hears of this first setting
    AutoMove = true;
    Action_AutoMoveToggle->setChecked(true);
    FileName = std::move(AFileName);
    MessageWindowHandle = MessageWindow;
    CurrentEntry = FirstEntryNode();
    IndexTree2->setMinimumWidth(10);
    CreateRoots();
    setWindowTitle(cp932::ToQString("履歴 " + TFolderFile::RemoveExt(TApplicationInfo::ProgramFileName()) + " " +
                                    shellforms::ProgramFileVersion()));
    DateNode(DateCaption(Clock()));
}

TForm_History::~TForm_History() {
    FDestroying = true;
    FShownNode = nullptr;
    CurrentEntry = nullptr;
    IndexTree2->OnEdited = nullptr;
    IndexTree2->OnStartDrag = nullptr;
    IndexTree2->OnDragOver = nullptr;
    IndexTree2->OnDragDrop = nullptr;
    IndexTree2->removeEventFilter(this);
    IndexTree2->blockSignals(true);
    IndexTree2->ClearNodes();
}

void TForm_History::BuildForm() {
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(shellforms::FormFont());
    setWindowTitle(QString::fromUtf16(u"履歴"));
    resize(400, 500);

    Action_CurrentRevival = NewAction(this, u"スクリプトエディタへ復活");
    Action_Prev = NewAction(this, u"上に移動");
    Action_Next = NewAction(this, u"下に移動");
    Action_Delete = NewAction(this, u"削除");
    Action_FormClose = NewAction(this, u"閉じる", u"履歴画面を閉じます");
    Action_AddFav = NewAction(this, u"スクリプトからお気に入りに追加");
    Action_AddFavNode = NewAction(this, u"新しいお気に入りフォルダの作成");
    Action_CreateFav = NewAction(this, u"新しいお気に入りを作成");
    Action_AutoMoveToggle = NewAction(this, u"画面自動最適化");
    Action_AutoMoveToggle->setCheckable(true);
    Action_NodeRename = NewAction(this, u"名前の変更");
    Action_CurrentRevival->setIcon(MakeIcon(QStyle::SP_ArrowLeft));
    Action_Prev->setIcon(MakeIcon(QStyle::SP_ArrowDown));
    Action_Next->setIcon(MakeIcon(QStyle::SP_ArrowUp));
    Action_Delete->setIcon(MakeIcon(QStyle::SP_TrashIcon));
    Action_FormClose->setIcon(MakeIcon(QStyle::SP_DialogCloseButton));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    MainMenu1 = new QMenuBar(this);
    QMenu* screenMenu = MainMenu1->addMenu(QString::fromUtf16(u"画面"));
    screenMenu->addAction(Action_FormClose);
    QMenu* opMenu = MainMenu1->addMenu(QString::fromUtf16(u"操作"));
    opMenu->addAction(Action_CurrentRevival);
    opMenu->addAction(Action_AddFav);
    opMenu->addAction(Action_AddFavNode);
    opMenu->addAction(Action_CreateFav);
    opMenu->addAction(Action_Delete);
    QMenu* optMenu = MainMenu1->addMenu(QString::fromUtf16(u"オプション"));
    optMenu->addAction(Action_AutoMoveToggle);
    layout->setMenuBar(MainMenu1);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setIconSize(QSize(16, 16));
    for (QAction* a : {Action_CurrentRevival, Action_Prev, Action_Next, Action_Delete}) ToolBar1->addAction(a);
    ToolBar1->addSeparator();
    ToolBar1->addAction(Action_FormClose);
    layout->addWidget(ToolBar1);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setChildrenCollapsible(false);
    IndexTree2 = new TKZNTreeView(Splitter1);
    IndexTree2->DefaultRestoreNodeProperties = {vtnStringList};
    IndexTree2->ShowDragTargetRectangle = true;
    IndexTree2->DragTargetRectangle.LineColor = clMaroon;
    IndexTree2->setDragEnabled(true);
    IndexTree2->setAcceptDrops(true);
    IndexTree2->setDragDropMode(QAbstractItemView::DragDrop);
    QPalette pal = IndexTree2->palette();
    pal.setColor(QPalette::Base, ToQColor(clInfoBk));
    IndexTree2->setPalette(pal);
    IndexTree2->Images = {MakeIcon(QStyle::SP_DirIcon),         MakeIcon(QStyle::SP_DirOpenIcon),
                          MakeIcon(QStyle::SP_FileDialogDetailedView), MakeIcon(QStyle::SP_FileIcon),
                          MakeIcon(QStyle::SP_ArrowRight),      MakeIcon(QStyle::SP_FileLinkIcon),
                          MakeIcon(QStyle::SP_DriveHDIcon),     MakeIcon(QStyle::SP_DialogApplyButton)};
    // the preview editor takes this place when it is first needed
    FPreviewSlot = new QWidget(Splitter1);
    FPreviewSlot->setMinimumWidth(10);
    Splitter1->addWidget(IndexTree2);
    Splitter1->addWidget(FPreviewSlot);
    // a wider window widens the tree as well as the preview
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 1);
    layout->addWidget(Splitter1, 1);

    PopupMenu1 = new QMenu(this);
    for (QAction* a : {Action_CurrentRevival, Action_Prev, Action_Next}) PopupMenu1->addAction(a);
    PopupMenu1->addSeparator();
    for (QAction* a : {Action_AddFav, Action_AddFavNode, Action_CreateFav, Action_NodeRename}) PopupMenu1->addAction(a);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(Action_Delete);
    IndexTree2->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(IndexTree2, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        PopupMenu1->popup(IndexTree2->viewport()->mapToGlobal(p));
    });

    auto on = [this](QAction* a, std::function<void()> f) {
        QObject::connect(a, &QAction::triggered, this, [f = std::move(f)] { app::Guard(f); });
    };
    on(Action_CurrentRevival, [this] {
        TStringList lines = GetEditorLines();
        if (!FDestroying) mc::SendLines<mc::WM_MC_REVIVESCRIPT>(MessageWindowHandle, lines);
    });
    on(Action_Prev, [this] { MoveEntry(0); });
    on(Action_Next, [this] { MoveEntry(1); });
    on(Action_Delete, [this] { DeleteSelected(); });
    on(Action_FormClose, [this] { close(); });
    on(Action_AddFav, [this] { Send(mc::WM_MC_ADDFAVORITE); });
    on(Action_AddFavNode, [this] { AddFavoriteFolder(); });
    on(Action_CreateFav, [this] { CreateFavorite(); });
    on(Action_AutoMoveToggle, [this] { SetAutoMove(!AutoMove); });
    on(Action_NodeRename, [this] { RenameSelected(); });

    QObject::connect(IndexTree2, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
        app::Guard([&] { SelectionChanged(static_cast<TTreeNodeEx*>(current)); });
    });
    QObject::connect(IndexTree2, &QTreeWidget::itemDoubleClicked, this,
                     [this](QTreeWidgetItem*, int) { Action_CurrentRevival->trigger(); });
    QObject::connect(Splitter1, &QSplitter::splitterMoved, this,
                     [this](int, int) { app::Guard([this] { Send(mc::WM_MC_HISTORYSPLIT); }); });
    IndexTree2->OnEdited = [this](TKZNTreeView*, TTreeNodeEx* Node, std::string& Text) {
        // the roots and the dates keep their captions
        const THistoryNodeKind kind = NodeKind(Node);
        if (kind == hnkFavoriteRoot || kind == hnkHistoryRoot || kind == hnkDate) Text = Node->Text();
    };
    IndexTree2->OnStartDrag = [this](TKZNTreeView*, TTreeNodeEx* Node) -> QMimeData* { return StartDrag(Node); };
    IndexTree2->OnDragOver = [this](TKZNTreeView*, QDragMoveEvent* E) { TreeDragOver(E); };
    IndexTree2->OnDragDrop = [this](TKZNTreeView*, QDropEvent* E) { TreeDrop(E); };
    IndexTree2->installEventFilter(this);
    IndexTree2->Loaded();
}

TKZNEditor& TForm_History::PreviewEditor() const {
    if (!FPreview) const_cast<TForm_History*>(this)->BuildPreviewEditor();
    return *FPreview;
}

void TForm_History::BuildPreviewEditor() {
    TKZNEditor* e = MakeEditor<TKZNEditor>(nullptr);
    e->setMinimumWidth(10);
    FPreview = e;
    SetUpEditor();
    // in the place kept for it, the splitter's position kept
    const QList<int> sizes = Splitter1->sizes();
    const int index = Splitter1->indexOf(FPreviewSlot);
    delete FPreviewSlot;
    FPreviewSlot = nullptr;
    Splitter1->insertWidget(index, e);
    Splitter1->setSizes(sizes);
    ShowInPreview(FShownNode);
}

void TForm_History::SetUpEditor() {
    FPreview->SetReadOnly(true);
    FPreview->Leftbar().SetVisible(false);
    FPreview->Leftbar().SetShowNumber(false);
    FPreview->Ruler().SetVisible(false);
    FPreview->Margin().SetLeft(0);
    FPreview->SetScrollBars(ssBoth);
    FPreview->setFont(QFont(QStringLiteral("IPAGothic"), 9));
    FPreview->Lines().Clear();
    TEditorUtil::SetStandardOptions(*FPreview);
    FPreview->SetColor(clBtnFace);
    FPreview->SetFontColor(clBtnText);
}

void TForm_History::ShowInPreview(const TTreeNodeEx* Node) {
    const THistoryNodeKind kind = NodeKind(Node);
    FPreview->Lines().Clear();
    if (kind == hnkFavorite || kind == hnkEntry) FPreview->Lines().Assign(*Node->GetStringList());
    const bool editable = kind == hnkFavorite;
    FPreview->SetReadOnly(!editable);
    FPreview->SetColor(editable ? clWindow : clBtnFace);
    FPreview->SetFontColor(editable ? clWindowText : clBtnText);
}

void TForm_History::Send(uint32_t Msg) {
    if (FDestroying) return;
    winmsg::SendMessage(MessageWindowHandle, Msg, mc::ClientWindowParam(nullptr), 0);
}

// ---------------------------------------------------------------------------
// the tree's structure

TTreeNodeEx* TForm_History::FavoriteRoot() const {
    for (int i = 0; i < IndexTree2->RootCount(); ++i)
        if (TTreeNodeEx* n = IndexTree2->Root(i); IsRoot(n, FavoriteRootCaption, FavoriteRootMark)) return n;
    return nullptr;
}

TTreeNodeEx* TForm_History::HistoryRoot() const {
    for (int i = 0; i < IndexTree2->RootCount(); ++i)
        if (TTreeNodeEx* n = IndexTree2->Root(i); IsRoot(n, HistoryRootCaption, HistoryRootMark)) return n;
    return nullptr;
}

THistoryNodeKind TForm_History::NodeKind(const TTreeNodeEx* Node) const {
    if (!Node) return hnkOther;
    return KindIn(Node, FavoriteRoot(), HistoryRoot());
}

TTreeNodeEx* TForm_History::FirstEntryNode() const {
    TTreeNodeEx* hist = HistoryRoot();
    if (!hist) return nullptr;
    for (int i = 0; i < hist->Count(); ++i)
        if (hist->Item(i)->Count() > 0) return hist->Item(i);
    return nullptr;
}

void TForm_History::CreateRoots() {
    FShownNode = nullptr;
    SetCurrentEntry(nullptr);
    IndexTree2->ClearNodes();
    if (!FavoriteRoot()) {
        TTreeNodeEx* fav = IndexTree2->CreateNode();
        fav->SetText(FavoriteRootCaption);
        fav->GetStringList()->SetText(FavoriteRootMark);
        IndexTree2->insertTopLevelItem(0, fav);
        SetImage(fav, hnkFavoriteRoot);
    }
    if (!HistoryRoot()) {
        if (!FavoriteRoot()) throw EForm_History("ツリーフォルダ構成エラー：履歴の前にお気に入りがありません");
        TTreeNodeEx* hist = IndexTree2->Add(nullptr, HistoryRootCaption);
        hist->GetStringList()->SetText(HistoryRootMark);
        SetImage(hist, hnkHistoryRoot);
    }
}

TTreeNodeEx* TForm_History::DateNode(const std::string& Caption) {
    TTreeNodeEx* hist = HistoryRoot();
    if (!hist) {
        // an entry always finds its root: made last, as a new tree has it
        hist = IndexTree2->Add(nullptr, HistoryRootCaption);
        hist->GetStringList()->SetText(HistoryRootMark);
        SetImage(hist, hnkHistoryRoot);
    }
    int at = hist->Count();
    for (int i = 0; i < hist->Count(); ++i) {
        const std::string& c = hist->Item(i)->Text();
        if (c == Caption) return hist->Item(i);
        if (c < Caption) {
            at = i;
            break;
        }
    }
    TTreeNodeEx* date = IndexTree2->CreateNode();
    date->SetText(Caption);
    hist->insertChild(at, date);
    SetImage(date, hnkDate);
    return date;
}

std::string TForm_History::DateCaption(std::time_t Time) {
    const std::tm tm = LocalTime(Time);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return buf;
}

std::string TForm_History::TimeCaption(std::time_t Time) {
    const std::tm tm = LocalTime(Time);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

void TForm_History::SetImage(TTreeNodeEx* Node, THistoryNodeKind Kind) {
    int image = -1;
    switch (Kind) {
        case hnkFavoriteRoot:
        case hnkFavoriteFolder:
        case hnkHistoryRoot: image = ImageFolder; break;
        case hnkFavorite: image = ImageFavorite; break;
        case hnkDate: image = ImageDate; break;
        case hnkEntry: image = Node == CurrentEntry ? ImageCurrentEntry : ImageEntry; break;
        case hnkOther: break;
    }
    if (Node->GetImageIndex() != image) Node->SetImageIndex(image);
    Qt::ItemFlags flags = Node->flags();
    const bool editable = !(Kind == hnkFavoriteRoot || Kind == hnkHistoryRoot || Kind == hnkDate);
    flags.setFlag(Qt::ItemIsEditable, editable);
    if (flags != Node->flags()) Node->setFlags(flags);
}

void TForm_History::SetImages(TTreeNodeEx* Top) {
    const TTreeNodeEx* fav = FavoriteRoot();
    const TTreeNodeEx* hist = HistoryRoot();
    if (Top) {
        std::vector<TTreeNodeEx*> stack{Top};
        while (!stack.empty()) {
            TTreeNodeEx* n = stack.back();
            stack.pop_back();
            SetImage(n, KindIn(n, fav, hist));
            for (int i = 0; i < n->Count(); ++i) stack.push_back(n->Item(i));
        }
        return;
    }
    IndexTree2->ForEachNode([&](TTreeNodeEx* n) { SetImage(n, KindIn(n, fav, hist)); });
}

void TForm_History::SetCurrentEntry(TTreeNodeEx* Node) {
    TTreeNodeEx* old = CurrentEntry;
    CurrentEntry = Node;
    if (old && old != Node) SetImage(old, NodeKind(old));
    if (Node) SetImage(Node, NodeKind(Node));
}

void TForm_History::DeleteNode(TTreeNodeEx* Node) {
    if (!Node) return;
    if (Within(FShownNode, Node)) FShownNode = nullptr;  // nothing is kept of what goes
    if (Within(CurrentEntry, Node)) CurrentEntry = nullptr;
    IndexTree2->Delete(Node);
    // the selection may have moved onto a neighbour meanwhile
    if (Within(FShownNode, Node)) FShownNode = nullptr;
    if (Within(CurrentEntry, Node)) CurrentEntry = nullptr;
}

// ---------------------------------------------------------------------------
// the file

void TForm_History::LoadFromFile() {
    FKeepFile = false;
    FReadText.clear();
    FShownNode = nullptr;
    SetCurrentEntry(nullptr);
    IndexTree2->ClearNodes();
    if (FPreview) SetUpEditor();
    THistoryRecords records;
    std::string bytes;
    fs932::ReadResult read = fs932::ReadRegularFile(FileName, bytes);
    // a folder in the file's place holds no history; the save at exit says so
    if (read == fs932::ReadResult::NotRegular && fs932::DirectoryExists(FileName)) read = fs932::ReadResult::Missing;
    if (read == fs932::ReadResult::NotRegular) {
        KeepSpecialFile();
    } else if (read != fs932::ReadResult::Missing) {
        std::string error;
        try {
            if (read != fs932::ReadResult::Ok) throw EFOpenError("ファイル " + FileName + " を開けません");
            // what the node limit drops is never made into records
            KZNTreeLoadText(records, THistoryRecords::KeptPart(bytes, FormatChars(), MaxNodeCount, false),
                            FormatChars());
            records.CheckTopLevel();
            FReadText = std::move(bytes);
        } catch (const Exception& e) {
            error = e.Message.empty() ? std::string(" ") : e.Message;
        } catch (const std::exception& e) {
            error = *e.what() ? std::string(e.what()) : std::string(" ");
        }
        if (!error.empty()) {
            records.ClearFormatNodes();
            KeepDamagedFile(error);
        }
    }
    ShowRecords(records);
}

void TForm_History::ShowRecords(THistoryRecords& records) {
    IndexTree2->setUpdatesEnabled(false);
    if (!records.Roots.empty()) {
        records.AddMissingRoots();
        records.Trim(MaxNodeCount);
        // The items are made and joined to their parents outside the tree, so
        // that the tree takes them in one step rather than one signal each.
        std::vector<THistoryRecords::TRecord*> order;
        QList<QTreeWidgetItem*> tops;
        records.Walk([&](THistoryRecords::TRecord& r) {
            TTreeNodeEx* node = IndexTree2->CreateNode();
            node->SetText(r.Caption);
            node->GetStringList()->Items = std::move(r.List.Items);
            THistoryNodeKind kind = hnkOther;
            if (&r == records.Fav)
                kind = hnkFavoriteRoot;
            else if (&r == records.Hist)
                kind = hnkHistoryRoot;
            else if (r.Top == records.Fav)
                kind = Mark(node) == FolderMark ? hnkFavoriteFolder : hnkFavorite;
            else if (r.Top == records.Hist)
                kind = r.Level == 1 ? hnkDate : hnkEntry;
            SetImage(node, kind);
            r.Item = node;
            order.push_back(&r);
            if (!r.Parent) tops.push_back(node);
        });
        QList<QTreeWidgetItem*> children;
        for (THistoryRecords::TRecord* r : order) {
            if (r->Children.empty()) continue;
            children.clear();
            children.reserve(static_cast<qsizetype>(r->Children.size()));
            for (THistoryRecords::TRecord* c : r->Children) children.push_back(c->Item);
            r->Item->addChildren(children);
        }
        IndexTree2->addTopLevelItems(tops);
    } else if (IndexTree2->GetCount() == 0) {
        CreateRoots();
        DateNode(DateCaption(Clock()));
    }
    if (!FavoriteRoot()) {
        TTreeNodeEx* fav = IndexTree2->CreateNode();
        fav->SetText(FavoriteRootCaption);
        fav->GetStringList()->SetText(FavoriteRootMark);
        IndexTree2->insertTopLevelItem(0, fav);
    }
    if (!HistoryRoot()) {
        TTreeNodeEx* hist = IndexTree2->Add(nullptr, HistoryRootCaption);
        hist->GetStringList()->SetText(HistoryRootMark);
    }
    SetImages(nullptr);
    TrimHistory();
    SetCurrentEntry(FirstEntryNode());
    // Every node with children is opened. Node by node rather than with
    // expandAll, which lays the tree out at once: the items just added leave
    // the layout pending, so a tree not yet shown measures its rows (and loads
    // their icons) only when it is first shown.
    IndexTree2->ForEachNode([](TTreeNodeEx* n) {
        if (n->childCount() > 0) n->setExpanded(true);
    });
    IndexTree2->setUpdatesEnabled(true);
    IndexTree2->SetSelected(IndexTree2->GetFirstNode());
}

TKZNTreeFormatChars TForm_History::FormatChars() const {
    TKZNTreeFormatChars chars;
    chars.Indent = IndexTree2->SavedIndentChar;
    chars.Separator = IndexTree2->SavedPropertySeparator;
    chars.LineEnd = IndexTree2->SaveLineCRLF;
    return chars;
}

// A FIFO, a device or a socket where the file should be is never read nor
// written; the history starts empty and the user is told once.
void TForm_History::KeepSpecialFile() {
    FKeepFile = true;
    if (!ToldDamaged().insert(FileName).second) return;
    MessageDlg("履歴ファイル「" + FileName + "」を読み込めません。空の履歴で始めます。\r\n" +
                   "通常のファイルではないため、このファイルには履歴を書き込みません。\r\n" + "ファイル " + FileName +
                   " を開けません",
               TMsgDlgType::mtWarning, this);
}

void TForm_History::KeepDamagedFile(const std::string& Error) {
    IndexTree2->ClearNodes();
    // damage left in place earlier in this run is not told again
    if (ToldDamaged().count(FileName)) {
        FKeepFile = true;
        return;
    }
    std::string bad;
    bool fresh = false;
    const bool kept = TFolderFile::KeepDamagedCopy(FileName, bad, fresh);
    // a file that could not be kept anywhere is never written over
    FKeepFile = !kept;
    if (kept) {
        // the empty history replaces the damage at once, so that the next start finds none
        CreateRoots();
        DateNode(DateCaption(Clock()));
        try {
            SaveToFile();
        } catch (const std::exception&) {
            // the damaged file was kept and is reported; the close-time save tries again
        }
    } else {
        ToldDamaged().insert(FileName);
    }
    // the same damage kept by an earlier run was told then
    if (kept && !fresh) return;
    MessageDlg(DamageMessage(bad, kept, Error), TMsgDlgType::mtWarning, this);
}

std::string TForm_History::DamageMessage(const std::string& Bad, bool Kept, const std::string& Error) const {
    std::string text = "履歴ファイル「" + FileName + "」を読み込めません。空の履歴で始めます。\r\n";
    if (Kept)
        text += "元のファイルの写しを「" + Bad + "」に残しました。\r\n";
    else
        text += "元のファイルを残せないため、このファイルには履歴を書き込みません。\r\n";
    return text + Error;
}

void TForm_History::SaveToFile() {
    if (FKeepFile) return;
    const std::string failed = "\r\n内部エラー：ファイル書き込み失敗";
    // a folder of the file's name would otherwise keep every entry from being saved, unnoticed
    if (fs932::DirectoryExists(FileName))
        throw EForm_History("ファイル " + FileName + " を作成できません（同じ名前のフォルダがあります）" + failed);
    // so would a read-only file: the history of this run is lost unless the user hears of it
    if (fs932::FileExists(FileName) && fs932::IsReadOnly(FileName))
        throw EForm_History("ファイル " + FileName + " を作成できません（読み取り専用です）" + failed);
    if (!TFolderFile::IsWritable(FileName)) return;
    // a favourite is edited in the preview
    if (FShownNode && NodeKind(FShownNode) == hnkFavorite) FShownNode->GetStringList()->Assign(GetEditorLines());
    // damage found in what another copy wrote is told once the lock is let go
    std::string notice;
    auto tell = [&] {
        if (!notice.empty()) MessageDlg(notice, TMsgDlgType::mtWarning, this);
        notice.clear();
    };
    try {
        fs932::TFileLock lock;
        lock.Lock(FileName);
        std::string text = IndexTree2->SaveToText(IndexTree2->SavedIndentChar);
        std::string now;
        switch (fs932::ReadRegularFile(FileName, now)) {
            case fs932::ReadResult::Ok:
                // another copy of the program wrote the file since this one read it
                if (now != FReadText) text = MergeWithFile(now, text, notice);
                break;
            case fs932::ReadResult::Missing: break;
            default: throw EFOpenError("ファイル " + FileName + " を開けません");
        }
        fs932::SavePausePoint(FileName);
        // the history holds every statement run, passwords included: a new file is the user's alone
        if (!fs932::WriteFileAtomic(FileName, text, 0600))
            throw EFCreateError("ファイル " + FileName + " を作成できません");
        FReadText = std::move(text);
    } catch (const Exception& e) {
        tell();
        throw EForm_History(e.Message + failed);
    } catch (const std::exception& e) {
        tell();
        throw EForm_History(std::string(e.what()) + failed);
    }
    tell();
}

std::string TForm_History::MergeWithFile(const std::string& Now, const std::string& Ours, std::string& Notice) {
    const TKZNTreeFormatChars chars = FormatChars();
    // each version as this window writes it, so that what nobody changed compares equal
    // of each, only what the node limit can keep once merged and sorted
    auto records = [&](const std::string& Text, size_t Keep, bool Sorted) {
        THistoryRecords r;
        KZNTreeLoadText(r, THistoryRecords::KeptPart(Text, chars, Keep, Sorted), chars);
        return KZNTreeSplitText(KZNTreeSaveText(r, {vtnStringList}, chars), chars);
    };
    TKZNTreeTextRecords read;
    try {
        // what this window read of it
        read = records(FReadText, MaxNodeCount, false);
    } catch (const std::exception&) {
        // nothing this window can tell apart was read
    }
    const TKZNTreeTextRecords ours = KZNTreeSplitText(Ours, chars);
    THistoryRecords merged;
    try {
        // an entry of the file that has as many newer ones before it as the
        // limit, the ones this copy deleted or added aside, would be trimmed
        const size_t keep = static_cast<size_t>(MaxNodeCount) + read.size() + ours.size() + 2;
        KZNTreeLoadText(merged, KZNTreeJoinText(KZNTreeMerge(read, ours, records(Now, keep, true), {}), chars), chars);
        merged.CheckTopLevel();
    } catch (const std::exception& e) {
        // what stands in the file now cannot be read: it is kept beside it, never lost
        std::string bad;
        bool fresh = false;
        if (!TFolderFile::KeepDamagedCopy(FileName, bad, fresh))
            throw EFCreateError("ファイル " + FileName + " を読めず、写しも残せないため書き込みません");
        // told as the same damage found at start-up is; a damage kept and told before is not told again
        if (fresh) {
            const std::string error = e.what();
            Notice = DamageMessage(bad, true, error.empty() ? std::string(" ") : error);
        }
        return Ours;
    }
    merged.SortHistory();
    merged.JoinRepeatedEntries();
    merged.AddMissingRoots();
    merged.Trim(MaxNodeCount);
    std::string text = KZNTreeSaveText(merged, {vtnStringList}, chars);
    // this window shows what the file holds from now on
    FShownNode = nullptr;
    SetCurrentEntry(nullptr);
    IndexTree2->ClearNodes();
    ShowRecords(merged);
    return text;
}

// ---------------------------------------------------------------------------
// history entries

void TForm_History::AddHistory(const TStringList& Lines) {
    if (TTreeNodeEx* entry = AddHistoryOn(Lines, Clock())) IndexTree2->SetSelected(entry);
}

TTreeNodeEx* TForm_History::AddHistoryOn(const TStringList& Lines, std::time_t Day) {
    TTreeNodeEx* before = IndexTree2->GetSelected();
    TTreeNodeEx* date = DateNode(DateCaption(Day));
    const std::string time = TimeCaption(Clock());
    TTreeNodeEx* entry = nullptr;
    if (date->Count() > 0 &&
        TKZNUtil::DeleteLastCRLF(date->Item(0)->GetStringList()->Text()) == TKZNUtil::DeleteLastCRLF(Lines.Text())) {
        date->Item(0)->SetText(time);
    } else {
        entry = IndexTree2->CreateNode();
        entry->SetText(time);
        date->insertChild(0, entry);
    }
    if (entry) {
        entry->GetStringList()->Assign(Lines);
        date->setExpanded(true);
        SetImage(entry, hnkEntry);
        // the oldest history goes; the node selected before, or the new entry itself, may go with it
        TrimHistoryKeeping({&before, &entry});
    }
    if (before)
        IndexTree2->SetSelected(before);
    else if (entry)
        IndexTree2->SetSelected(entry);
    return entry;
}

void TForm_History::TrimHistory() { TrimHistoryKeeping({}); }

void TForm_History::TrimHistoryKeeping(std::initializer_list<TTreeNodeEx**> Keep) {
    int count = IndexTree2->GetCount();
    if (count <= MaxNodeCount) return;
    TTreeNodeEx* fav = FavoriteRoot();
    TTreeNodeEx* hist = HistoryRoot();
    const bool updates = IndexTree2->updatesEnabled();
    IndexTree2->setUpdatesEnabled(false);
    while (count > MaxNodeCount) {
        // the last node of the tree: the oldest entry of the oldest date, or an emptied date
        TTreeNodeEx* last = IndexTree2->Root(IndexTree2->RootCount() - 1);
        while (last && last->Count() > 0) last = last->Item(last->Count() - 1);
        // the roots and the favourites stay
        if (!last || last == hist || Within(last, fav)) break;
        for (TTreeNodeEx** k : Keep)
            if (*k == last) *k = nullptr;
        DeleteNode(last);
        --count;
    }
    IndexTree2->setUpdatesEnabled(updates);
}

// ---------------------------------------------------------------------------
// selection, previous and next

void TForm_History::LeaveShownNode() {
    TTreeNodeEx* node = FShownNode;
    if (!node) return;
    const THistoryNodeKind kind = NodeKind(node);
    if (kind == hnkFavorite) node->GetStringList()->Assign(GetEditorLines());
    if (kind == hnkEntry) SetCurrentEntry(node);
}

void TForm_History::SelectionChanged(TTreeNodeEx* Current) {
    if (FDestroying) return;
    LeaveShownNode();
    FShownNode = Current;
    const THistoryNodeKind kind = NodeKind(Current);
    // a preview not yet built shows the node when it is
    if (FPreview) ShowInPreview(Current);
    UpdateActions(kind);
    if (kind == hnkEntry) SetCurrentEntry(Current);
}

void TForm_History::UpdateActions(THistoryNodeKind Kind) {
    Action_Prev->setEnabled(true);
    Action_Next->setEnabled(true);
    bool del = true, addFav = false, createFav = false, revival = false, addNode = false, rename = false;
    switch (Kind) {
        case hnkFavoriteRoot: addFav = addNode = createFav = true; del = false; break;
        case hnkFavoriteFolder: addFav = addNode = createFav = rename = true; break;
        case hnkFavorite: revival = rename = true; break;
        case hnkHistoryRoot: del = false; break;
        case hnkDate: break;
        case hnkEntry: addFav = revival = rename = true; break;
        case hnkOther: break;
    }
    Action_Delete->setEnabled(del);
    Action_AddFav->setEnabled(addFav);
    Action_CreateFav->setEnabled(createFav);
    Action_CurrentRevival->setEnabled(revival);
    Action_AddFavNode->setEnabled(addNode);
    Action_NodeRename->setEnabled(rename);
}

void TForm_History::MoveEntry(int Direction) {
    if (!CurrentEntry) {
        TTreeNodeEx* hist = HistoryRoot();
        if (Direction == 0 && hist && hist->Count() > 0 && hist->Item(0)->Count() > 0) {
            IndexTree2->SetSelected(hist->Item(0)->Item(0));
            IndexTree2->scrollToItem(IndexTree2->GetSelected());
        }
        return;
    }
    const TTreeNodeEx* fav = FavoriteRoot();
    const TTreeNodeEx* hist = HistoryRoot();
    TTreeNodeEx* n = CurrentEntry;
    do {
        n = Direction == 0 ? n->GetNext() : PrevNode(n);
    } while (n && KindIn(n, fav, hist) == hnkDate);
    if (n && KindIn(n, fav, hist) == hnkEntry) {
        IndexTree2->SetSelected(n);
        IndexTree2->scrollToItem(n);
    }
}

TStringList TForm_History::GetEditorLines() const { return TStringList(PreviewEditor().Lines().GetText()); }

// ---------------------------------------------------------------------------
// deleting, favourites and folders

void TForm_History::DeleteSelected() {
    TTreeNodeEx* node = IndexTree2->GetSelected();
    switch (NodeKind(node)) {
        case hnkFavoriteFolder:
        case hnkFavorite: DeleteNode(node); break;
        case hnkDate:
            if (node->Text() == DateCaption(Clock())) {
                // today's date stays
                while (node->Count() > 0) DeleteNode(node->Item(node->Count() - 1));
            } else {
                DeleteNode(node);
            }
            SetCurrentEntry(FirstEntryNode());
            break;
        case hnkEntry:
            DeleteNode(node);
            SetCurrentEntry(FirstEntryNode());
            break;
        default: break;
    }
}

void TForm_History::AddFavorite(const TStringList* Lines) {
    TTreeNodeEx* selected = IndexTree2->GetSelected();
    TTreeNodeEx* parent = nullptr;
    switch (NodeKind(selected)) {
        case hnkFavoriteRoot:
        case hnkFavoriteFolder: parent = selected; break;
        case hnkFavorite: parent = selected->Parent(); break;
        default: parent = FavoriteRoot(); break;
    }
    if (!parent) {
        // the favourites root always stands first
        parent = IndexTree2->CreateNode();
        parent->SetText(FavoriteRootCaption);
        parent->GetStringList()->SetText(FavoriteRootMark);
        IndexTree2->insertTopLevelItem(0, parent);
        SetImage(parent, hnkFavoriteRoot);
    }
    TTreeNodeEx* node = IndexTree2->Add(parent, NewFavoriteCaption);
    if (Lines) node->GetStringList()->SetText(Lines->Text());
    SetImage(node, NodeKind(node));
    parent->setExpanded(true);
    IndexTree2->SetSelected(node);
    IndexTree2->EditText(node);
}

void TForm_History::AddFavoriteFolder() {
    TTreeNodeEx* selected = IndexTree2->GetSelected();
    const THistoryNodeKind kind = NodeKind(selected);
    if (kind != hnkFavoriteRoot && kind != hnkFavoriteFolder) return;
    TTreeNodeEx* node = IndexTree2->Add(selected, NewFolderCaption);
    node->GetStringList()->SetText(FolderMark);
    SetImage(node, hnkFavoriteFolder);
    selected->setExpanded(true);
    IndexTree2->SetSelected(node);
    IndexTree2->EditText(node);
}

void TForm_History::CreateFavorite() {
    const THistoryNodeKind kind = NodeKind(IndexTree2->GetSelected());
    if (kind == hnkFavoriteRoot || kind == hnkFavoriteFolder) AddFavorite(nullptr);
}

void TForm_History::RenameSelected() {
    TTreeNodeEx* node = IndexTree2->GetSelected();
    const THistoryNodeKind kind = NodeKind(node);
    if (kind == hnkFavoriteFolder || kind == hnkFavorite || kind == hnkEntry) IndexTree2->EditText(node);
}

// ---------------------------------------------------------------------------
// drag and drop

THistoryItemDragObj* TForm_History::StartDrag(TTreeNodeEx* Node) {
    const THistoryNodeKind kind = NodeKind(Node);
    if (kind != hnkFavoriteFolder && kind != hnkFavorite && kind != hnkEntry) return nullptr;
    return new THistoryItemDragObj(IndexTree2, *Node->GetStringList(), kind, Node);
}

bool TForm_History::CanDrop(const THistoryItemDragObj* Item, TTreeNodeEx* Target, int Position) const {
    if (!Item || Item->Control != IndexTree2 || !Target) return false;
    TTreeNodeEx* node = Item->Node();  // null when it went during the drag
    if (!node || Target == node) return false;
    // a node never goes below itself
    if (Target->IsDescendantOf(node)) return false;
    const THistoryNodeKind kind = NodeKind(Target);
    if (Position == 1) return kind == hnkFavoriteRoot || kind == hnkFavoriteFolder || kind == hnkOther;
    if (Position == 2)
        return kind == hnkFavoriteRoot || kind == hnkFavoriteFolder || kind == hnkFavorite || kind == hnkOther;
    return false;
}

void TForm_History::DropNode(TTreeNodeEx* Node, TTreeNodeEx* Target, int Position) {
    const THistoryNodeKind targetKind = NodeKind(Target);
    const bool wasSelected = IndexTree2->GetSelected() == Node;
    // edits of a favourite in the preview are kept before anything moves
    LeaveShownNode();
    const bool movesCurrent = Within(CurrentEntry, Node);
    // the subtree's expanded nodes open again where it lands
    std::vector<TTreeNodeEx*> expanded;
    {
        std::vector<TTreeNodeEx*> stack{Node};
        while (!stack.empty()) {
            TTreeNodeEx* n = stack.back();
            stack.pop_back();
            if (n->isExpanded()) expanded.push_back(n);
            for (int i = 0; i < n->Count(); ++i) stack.push_back(n->Item(i));
        }
    }
    // nobody hears of the passing selection of a neighbour while the node is out of the tree
    IndexTree2->blockSignals(true);
    if (TTreeNodeEx* p = Node->Parent())
        p->takeChild(p->indexOfChild(Node));
    else
        IndexTree2->takeTopLevelItem(IndexTree2->indexOfTopLevelItem(Node));
    if (Position == 1) {
        Target->addChild(Node);
        Target->setExpanded(true);
    } else if (targetKind == hnkFavoriteRoot || targetKind == hnkFavoriteFolder) {
        Target->insertChild(0, Node);
        Target->setExpanded(true);
    } else if (TTreeNodeEx* p = Target->Parent()) {
        p->insertChild(p->indexOfChild(Target) + 1, Node);
    } else {
        IndexTree2->insertTopLevelItem(IndexTree2->indexOfTopLevelItem(Target) + 1, Node);
    }
    IndexTree2->blockSignals(false);
    for (TTreeNodeEx* n : expanded) n->setExpanded(true);
    // an entry moved into the favourites leaves the history
    if (movesCurrent) SetCurrentEntry(FirstEntryNode());
    SetImages(Node);
    if (wasSelected) {
        IndexTree2->SetSelected(Node);
        // shown again with its new kind (an entry becomes an editable favourite)
        FShownNode = nullptr;
        SelectionChanged(Node);
    }
    IndexTree2->viewport()->update();
}

void TForm_History::TreeDragOver(QDragMoveEvent* E) {
    const THistoryItemDragObj* item = THistoryItemDragObj::From(E->mimeData());
    if (!item || item->Control != IndexTree2) {
        E->ignore();
        return;
    }
    const QPoint p = E->position().toPoint();
    if (E->type() == QEvent::DragEnter || CanDrop(item, IndexTree2->NodeAt(p), IndexTree2->GetDragTargetPosition(p)))
        E->acceptProposedAction();
    else
        E->ignore();
}

void TForm_History::TreeDrop(QDropEvent* E) {
    const THistoryItemDragObj* item = THistoryItemDragObj::From(E->mimeData());
    const QPoint p = E->position().toPoint();
    TTreeNodeEx* target = IndexTree2->NodeAt(p);
    const int position = IndexTree2->GetDragTargetPosition(p);
    if (!CanDrop(item, target, position)) {
        E->ignore();
        return;
    }
    E->acceptProposedAction();
    DropNode(item->Node(), target, position);
}

// ---------------------------------------------------------------------------
// the window

void TForm_History::ShowBeside(QWidget* Client) {
    if (AutoMove && Client) {
        const QRect c = Client->frameGeometry();
        int left = c.x() + c.width();
        const int top = c.y();
        const int w = frameGeometry().width();
        int desktopLeft = 0;
        if (QScreen* s = QGuiApplication::primaryScreen()) desktopLeft = s->virtualGeometry().left();
        const int edge = desktopLeft + screen::VirtualScreenSize().Width;
        if (left + w > edge) left = edge - w;
        const int frameExtra = frameGeometry().height() - height();
        move(left, top);
        resize(width(), std::max(1, c.height() - frameExtra));
    }
    show();
    raise();
    activateWindow();
}

void TForm_History::SetAutoMove(bool Value) {
    Action_AutoMoveToggle->setChecked(Value);
    AutoMove = Value;
    Send(mc::WM_MC_HISTORYAUTOMOVE);
}

void TForm_History::showEvent(QShowEvent* E) {
    // the preview editor is built before the window is first painted
    if (!FPreview) app::Guard([this] { BuildPreviewEditor(); });
    QWidget::showEvent(E);
    if (!E->spontaneous()) app::Guard([this] { Send(mc::WM_MC_HISTORYSHOW); });
}

void TForm_History::closeEvent(QCloseEvent* E) {
    // closing hides the window
    E->accept();
    app::Guard([this] { Send(mc::WM_MC_HISTORYCLOSE); });
}

void TForm_History::resizeEvent(QResizeEvent* E) {
    QWidget::resizeEvent(E);
    app::Guard([this] { Send(mc::WM_MC_HISTORYRESIZE); });
}

bool TForm_History::eventFilter(QObject* Watched, QEvent* E) {
    if (Watched == IndexTree2 && E->type() == QEvent::KeyPress && !IndexTree2->IsEditing()) {
        auto* k = static_cast<QKeyEvent*>(E);
        QAction* action = nullptr;
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) action = Action_CurrentRevival;
        if (k->key() == Qt::Key_Space) action = Action_Next;
        if (k->key() == Qt::Key_F2) action = Action_NodeRename;
        if (action && k->modifiers() == Qt::NoModifier) {
            action->trigger();
            return true;
        }
    }
    return QWidget::eventFilter(Watched, E);
}
