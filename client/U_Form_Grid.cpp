#include "U_Form_Grid.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMetaProperty>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "AppException.h"
#include "ColorQt.h"
#include "Reentrancy.h"
#include "ScopeExit.h"

namespace {

const char* const kNotOpen = "内部エラー：オープンしていないデータセットをグリッド表示しようとしました";
const char* const kDisconnected = "切断されたグリッドは更新できません。";
const char* const kStale =
    "ロールバックされました。このグリッドの行はデータベースの値と異なる可能性があります（再読み込みで読み直せます）。";

QFont GridFont() {
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(12);
    return f;
}

std::string MessageOf(const std::exception& e) {
    if (auto* x = dynamic_cast<const Exception*>(&e)) return x->Message;
    return e.what();
}

// The cell editor of the grid: a cell that cannot be written gets none, and
// the grid says why. The grid is told when an editor opens and when it goes.
class TGridCellDelegate : public QStyledItemDelegate {
public:
    TGridCellDelegate(QObject* Parent, std::function<bool(const QModelIndex&)> MayEdit)
        : QStyledItemDelegate(Parent), FMayEdit(std::move(MayEdit)) {}
    QWidget* createEditor(QWidget* Parent, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
        if (!FMayEdit(Index)) return nullptr;
        QWidget* editor = QStyledItemDelegate::createEditor(Parent, Option, Index);
        if (editor && OnOpened) OnOpened(editor);
        return editor;
    }
    void destroyEditor(QWidget* Editor, const QModelIndex& Index) const override {
        QStyledItemDelegate::destroyEditor(Editor, Index);
        if (OnClosed) OnClosed(Editor);
    }

    std::function<void(QWidget*)> OnOpened, OnClosed;

private:
    std::function<bool(const QModelIndex&)> FMayEdit;
};

}  // namespace

TForm_Grid::TForm_Grid(QWidget* Owner, std::unique_ptr<TDataSet> DataSet)
    : QWidget(Owner), FDataSet(std::move(DataSet)) {
    Busy = true;
    Flashing = false;
    FlashSleep = [](int Ms) { QThread::msleep(static_cast<unsigned long>(Ms)); };
    if (!FDataSet || !FDataSet->Active()) throw EFormGrid(kNotOpen);   // the dataset goes with the exception

    QFont formFont(QString::fromUtf16(u"IPAPGothic"));
    formFont.setPixelSize(12);
    setFont(formFont);
    // the tool bar runs down the whole left edge, so that the error editor
    // can grow under the grid without pushing its buttons out of sight
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    ToolBar1 = new QToolBar(this);
    ToolBar1->setOrientation(Qt::Vertical);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->setIconSize(QSize(16, 16));  // all eight buttons fit a result pane of the default height
    outer->addWidget(ToolBar1);
    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);
    outer->addWidget(Splitter1, 1);

    Panel2 = new QWidget(Splitter1);
    auto* top = new QHBoxLayout(Panel2);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    DBGrid1 = new QTableView(Panel2);
    top->addWidget(DBGrid1, 1);

    Panel1 = new QWidget(Splitter1);
    auto* bottom = new QVBoxLayout(Panel1);
    bottom->setContentsMargins(0, 0, 0, 0);
    KZNEditor1 = MakeEditor<TKZNEditor>(Panel1);
    KZNEditor1->setMinimumHeight(16);   // the panel keeps its two rows when the window grows
    bottom->addWidget(KZNEditor1);
    Splitter1->addWidget(Panel2);
    Splitter1->addWidget(Panel1);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({400, FErrorBoxHeight});

    QStyle* st = style();
    auto action = [&](const char16_t* caption, QStyle::StandardPixmap icon, void (TForm_Grid::*run)()) {
        auto* a = new QAction(st->standardIcon(icon), QString::fromUtf16(caption), this);
        a->setToolTip(a->text());
        addAction(a);
        QObject::connect(a, &QAction::triggered, this, [this, run] { app::Guard([&] { (this->*run)(); }); });
        return a;
    };
    Action_UpdateTggle = action(u"更新モード変更", QStyle::SP_FileDialogDetailedView, &TForm_Grid::Action_UpdateTggleExecute);
    Action_UpdateTggle->setCheckable(true);
    Action_Refresh = action(u"再読み込み", QStyle::SP_BrowserReload, &TForm_Grid::Action_RefreshExecute);
    Action_First = action(u"先頭へ移動", QStyle::SP_MediaSkipBackward, &TForm_Grid::Action_FirstExecute);
    Action_Post = action(u"Post", QStyle::SP_DialogSaveButton, &TForm_Grid::Action_PostExecute);
    Action_Delete = action(u"レコード削除", QStyle::SP_TrashIcon, &TForm_Grid::Action_DeleteExecute);
    Action_Cancel = action(u"変更キャンセル", QStyle::SP_DialogCancelButton, &TForm_Grid::Action_CancelExecute);
    Action_Last = action(u"最後へ移動", QStyle::SP_MediaSkipForward, &TForm_Grid::Action_LastExecute);
    Action_Add = action(u"レコード追加", QStyle::SP_FileDialogNewFolder, &TForm_Grid::Action_AddExecute);
    for (QAction* a : {Action_First, Action_UpdateTggle, Action_Refresh, Action_Post, Action_Add, Action_Delete,
                       Action_Cancel, Action_Last})
        ToolBar1->addAction(a);
    ToolBar1->setMinimumHeight(ToolBar1->sizeHint().height());  // no button hides behind the overflow arrow

    FDataSet->OnPostError = [this](TDataSet& D, EDatabaseError& E, TDataAction& A) { DataSetPostError(D, E, A); };
    // an edit written: the errors before it are over (rows a rollback left stale stay so)
    auto written = [this](TDataSet&) {
        FPostedEdits = true;
        ClearErrors();
        if (FRowsStale) ShowError(kStale);
    };
    FDataSet->AfterPost = written;
    FDataSet->AfterDelete = written;
    TEditorUtil::SetStandardOptions(*KZNEditor1);
    QFont errorFont(QStringLiteral("IPAGothic"));
    errorFont.setPixelSize(12);
    KZNEditor1->setFont(errorFont);
    KZNEditor1->Leftbar().SetVisible(true);
    KZNEditor1->Leftbar().SetShowNumber(true);
    KZNEditor1->Ruler().SetVisible(false);
    KZNEditor1->SetScrollBars(ssNone);
    KZNEditor1->Lines().Clear();
    KZNEditor1->SetReadOnly(true);

    FModel = new TDataSetGridModel(FDataSet.get(), this);
    FModel->OnEdited = [this] { UpdateColor(); };
    FModel->OnEditError = [this](const std::exception& e) {
        // the text of an open cell editor refused: a move of the view that
        // committed it goes no further (ViewRowChanged), until the next event
        if (FCellEditor && !FEditRefused) {
            FEditRefused = true;
            QMetaObject::invokeMethod(this, [self = QPointer<TForm_Grid>(this)] {
                if (self) self->FEditRefused = false;
            }, Qt::QueuedConnection);
        }
        app::HandleException(e);
    };
    // fixed row heights: a million rows scroll without measuring any of them;
    // set before the model arrives, as each costs a pass over all rows after
    DBGrid1->setFont(GridFont());
    DBGrid1->horizontalHeader()->setFont(GridFont());
    DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DBGrid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(GridFont()).height() + 4);
    DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    DBGrid1->setWordWrap(false);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    DBGrid1->setModel(FModel);
    auto* delegate = new TGridCellDelegate(DBGrid1, [this](const QModelIndex& Index) { return MayEditCell(Index); });
    delegate->OnOpened = [this](QWidget* Editor) {
        FCellEditor = Editor;
        UpdateActions();
    };
    delegate->OnClosed = [this](QWidget* Editor) {
        if (FCellEditor != Editor) return;
        FCellEditor = nullptr;
        UpdateActions();
    };
    DBGrid1->setItemDelegate(delegate);
    DBGrid1->viewport()->installEventFilter(this);
    DBGrid1->installEventFilter(this);
    QObject::connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                     [this](const QModelIndex& Current, const QModelIndex&) {
                         if (!FSyncing && Current.isValid()) app::Guard([&] { ViewRowChanged(Current.row()); });
                     });
    QObject::connect(FModel, &QAbstractItemModel::modelReset, this, [this] {
        QObject::disconnect(DBGrid1->selectionModel(), nullptr, this, nullptr);
        QObject::connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                         [this](const QModelIndex& Current, const QModelIndex&) {
                             if (!FSyncing && Current.isValid()) app::Guard([&] { ViewRowChanged(Current.row()); });
                         });
    });

    SetGridReadOnly(true);
    UpdateColor();
    SyncView(false);
    SizeColumns();
    Busy = false;
    UpdateActions();
}

TForm_Grid::~TForm_Grid() {
    if (auto* delegate = dynamic_cast<TGridCellDelegate*>(DBGrid1->itemDelegate())) {
        delegate->OnOpened = nullptr;
        delegate->OnClosed = nullptr;
    }
    if (FDataSet) {
        FDataSet->OnPostError = nullptr;
        FDataSet->AfterPost = nullptr;
        FDataSet->AfterDelete = nullptr;
    }
    DBGrid1->setModel(nullptr);
    FDataSet.reset();
}

void TForm_Grid::ApplyGridColors() {
    QPalette p = DBGrid1->palette();
    const QColor base = ToQColor(FGridColor), text = ToQColor(FGridFontColor);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::Text, text);
    DBGrid1->setPalette(p);
    for (QHeaderView* h : {DBGrid1->horizontalHeader(), DBGrid1->verticalHeader()}) {
        QPalette hp = h->palette();
        hp.setColor(QPalette::ButtonText, text);
        hp.setColor(QPalette::WindowText, text);
        h->setPalette(hp);
    }
}

void TForm_Grid::SetGridReadOnly(bool ReadOnly) {
    FGridReadOnly = ReadOnly;
    FModel->ReadOnly = ReadOnly;
    // a click on the current cell starts no edit: the key typed right after it must
    DBGrid1->setEditTriggers(ReadOnly ? QAbstractItemView::NoEditTriggers
                                      : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                            QAbstractItemView::AnyKeyPressed);
    if (DBGrid1->font() != GridFont()) DBGrid1->setFont(GridFont());
    if (DBGrid1->horizontalHeader()->font() != GridFont()) DBGrid1->horizontalHeader()->setFont(GridFont());
    // pending changes are dropped on every switch, the text being typed into a cell with them
    DropCellEditor();
    const bool inserting = FDataSet->State() == dsInsert;
    FDataSet->Cancel();
    FGridFontColor = ReadOnly ? clWindowText : clRed;
    Action_UpdateTggle->setChecked(!ReadOnly);
    ApplyGridColors();
    SyncView(inserting);
    update();
}

void TForm_Grid::UpdateColor() {
    const bool modified = DataSetOpen() && FDataSet->Modified();
    const TColor c = modified ? clMoneyGreen : clWindow;
    if (c != FGridColor) {
        FGridColor = c;
        ApplyGridColors();
    }
    UpdateActions();
}

void TForm_Grid::UpdateActions() {
    const bool open = DataSetOpen();
    const bool update = !FGridReadOnly;
    // a cell editor open is an edit of the record, although nothing has reached the record yet
    const bool modified = open && (FDataSet->Modified() || FCellEditor);
    Action_UpdateTggle->setEnabled(true);
    Action_Refresh->setEnabled(true);
    Action_First->setEnabled(open);
    Action_Last->setEnabled(open);
    Action_Post->setEnabled(open && update && modified);
    Action_Cancel->setEnabled(open && update && modified);
    Action_Delete->setEnabled(open && update && !DataSetEmpty());
    Action_Add->setEnabled(open && update);
}

void TForm_Grid::ShowError(const std::string& Text) {
    std::string text = Text;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const int first = KZNEditor1->Lines().Count();
    KZNEditor1->Lines().Add(text);
    const int rows = std::max(1, KZNEditor1->Lines().Count() - first);
    FLastRefusal.clear();
    // tall enough for the message's rows, within half the window
    const QList<int> sizes = Splitter1->sizes();
    if (sizes.size() == 2) {
        const int frame = KZNEditor1->height() - KZNEditor1->viewport()->height();
        const int need = rows * KZNEditor1->RowHeight() + KZNEditor1->GetTextTop() + frame + 1;
        const int total = sizes[0] + sizes[1];
        const int box = std::max(sizes[1], std::min(need, total / 2));
        if (box != sizes[1]) Splitter1->setSizes({total - box, box});
    }
    // the message's first line at the top
    KZNEditor1->SetRowCol(first, 0);
    KZNEditor1->SetTopRow(first);
}

void TForm_Grid::ShowRefusal(const std::string& Text) {
    if (Text != FLastRefusal || KZNEditor1->Lines().Count() == 0) {
        ShowError(Text);
        FLastRefusal = Text;
    }
    FlashError();
}

void TForm_Grid::ClearErrors() {
    FLastRefusal.clear();
    if (KZNEditor1->Lines().Count() == 0) return;
    KZNEditor1->Lines().Clear();
    KZNEditor1->SetTopRow(0);
    const QList<int> sizes = Splitter1->sizes();
    if (sizes.size() == 2 && sizes[1] > FErrorBoxHeight)
        Splitter1->setSizes({sizes[0] + sizes[1] - FErrorBoxHeight, FErrorBoxHeight});
}

bool TForm_Grid::MayEditCell(const QModelIndex& Index) {
    if (FGridReadOnly) return false;
    const std::string refused = FModel->EditRefusal(Index.column());
    if (refused.empty()) return true;
    // said once the key or the click that asked for the editor is over
    QMetaObject::invokeMethod(this, [self = QPointer<TForm_Grid>(this), refused] {
        if (self) app::Guard([&] { self->ShowRefusal(refused); });
    }, Qt::QueuedConnection);
    return false;
}

void TForm_Grid::FlashError() {
    if (Flashing) return;
    Flashing = true;
    // a page closed meanwhile is freed once the flash is over
    reentry::TBusyGuard busy;
    QPointer<TForm_Grid> self = this;
    const TColor former = KZNEditor1->Color();
    auto restore = ScopeExit([this, &self, former] {
        if (!self) return;
        KZNEditor1->SetColor(former);
        Flashing = false;
    });
    for (int step = 0; step < 5 && self; ++step) {
        KZNEditor1->SetColor(step % 2 == 0 ? clRed : former);
        repaint();
        QApplication::processEvents();
        if (!self) break;
        FlashSleep(50);
    }
}

void TForm_Grid::DataSetPostError(TDataSet&, EDatabaseError& E, TDataAction& Action) {
    Action = daAbort;
    std::string text = E.Message;
    if (E.HelpContext != 0) text += "(HelpConText: " + std::to_string(E.HelpContext) + ")";
    ShowError(text);
    FlashError();
}

void TForm_Grid::SyncView(bool Reload) {
    FSyncing = true;
    if (Reload) FModel->Reload();
    else FModel->CurrentRowChanged();
    const int row = FModel->CurrentRow();
    if (row >= 0) {
        QModelIndex cur = DBGrid1->currentIndex();
        const int col = cur.isValid() ? cur.column() : 0;
        QModelIndex target = FModel->index(row, std::min(col, std::max(0, FModel->columnCount() - 1)));
        DBGrid1->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
        DBGrid1->scrollTo(target);
    }
    FSyncing = false;
}

void TForm_Grid::ViewRowChanged(int Row) {
    if (!DataSetOpen()) return;
    const int here = FModel->CurrentRow();
    if (Row == here) return;
    const TDataSetState state = FDataSet->State();
    if (FEditRefused) {
        // the view took the cell editor's text on its way here and the record
        // refused it (said already): the record stays current, to be mended
        FEditRefused = false;
        QMetaObject::invokeMethod(this, [self = QPointer<TForm_Grid>(this)] {
            if (self && self->DataSetOpen()) self->SyncView(false);
        }, Qt::QueuedConnection);
        return;
    }
    int target = Row;
    if (state == dsEdit || state == dsInsert) {
        // leaving the record: a modified one is posted, an untouched one dropped
        const int insertRow = FModel->InsertRow();
        const bool post = FDataSet->Modified();
        try {
            auto resync = ScopeFail([this] {
                SyncView(false);
                UpdateColor();
            });
            if (post) FDataSet->Post();
            else FDataSet->Cancel();
        } catch (const EAbort&) {
            // the post failed and was shown (the view was synced on the way here): the record stays in editing;
            // the view selects the cell it moved to once this returns: the record's cell again after it
            QMetaObject::invokeMethod(this, [self = QPointer<TForm_Grid>(this)] {
                if (self && self->DataSetOpen()) self->SyncView(false);
            }, Qt::QueuedConnection);
            return;
        }
        if (state == dsInsert && !post && Row > insertRow) --target;
        if (state == dsInsert) FModel->Reload();
    }
    FDataSet->SetRecNo(target + 1);
    SyncView(false);
    UpdateColor();
}

void TForm_Grid::DropClosedRows() {
    if (DataSetOpen() || (FModel->rowCount() == 0 && FModel->columnCount() == 0)) return;
    FModel->Reload();
    DBGrid1->setCurrentIndex(QModelIndex());
    DBGrid1->clearSelection();
    UpdateColor();
}

bool TForm_Grid::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == DBGrid1 && Event->type() == QEvent::Show) DropClosedRows();
    if (Watched == DBGrid1->viewport() && Event->type() == QEvent::Paint && !DataSetOpen() &&
        FModel->rowCount() + FModel->columnCount() > 0) {
        // not while painting: the view is asked again once the model is empty
        QMetaObject::invokeMethod(this, [self = QPointer<TForm_Grid>(this)] {
            if (self) self->DropClosedRows();
        }, Qt::QueuedConnection);
    }
    if (Watched == DBGrid1->viewport() && Event->type() == QEvent::Wheel && DBGrid1->hasFocus()) {
        // one line more in the wheel's direction; the grid's own wheel handling follows
        const int dy = static_cast<QWheelEvent*>(Event)->angleDelta().y();
        if (dy != 0)
            DBGrid1->verticalScrollBar()->triggerAction(dy > 0 ? QAbstractSlider::SliderSingleStepSub
                                                               : QAbstractSlider::SliderSingleStepAdd);
        return false;
    }
    if (Watched == DBGrid1 && Event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(Event);
        if (key->key() == Qt::Key_Escape && DataSetOpen() &&
            (FDataSet->State() == dsEdit || FDataSet->State() == dsInsert)) {
            app::Guard([this] { Action_CancelExecute(); });
            return true;
        }
        if (GridKey(key)) return true;
    }
    return QWidget::eventFilter(Watched, Event);
}

// The grid's own keys for records: Insert appends one, Ctrl+Delete deletes
// the current one, Down on the last row appends one. Each goes through its
// menu action, so it is refused, confirmed and reports its errors as the
// action does; a key whose action is disabled (a read-only grid) does nothing.
bool TForm_Grid::GridKey(QKeyEvent* Key) {
    const Qt::KeyboardModifiers mods =
        Key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    QAction* action = nullptr;
    if (Key->key() == Qt::Key_Insert && mods == Qt::NoModifier) {
        action = Action_Add;
    } else if (Key->key() == Qt::Key_Delete && mods == Qt::ControlModifier) {
        action = Action_Delete;
    } else if (Key->key() == Qt::Key_Down && mods == Qt::NoModifier) {
        if (!DataSetOpen() || !Action_Add->isEnabled()) return false;
        const QModelIndex cur = DBGrid1->currentIndex();
        if (!cur.isValid() || cur.row() != FModel->rowCount() - 1) return false;
        if (!TakeCellEditor()) return true;
        // a new record left untouched is not followed by another
        if (FDataSet->State() == dsInsert && !FDataSet->Modified()) return true;
        action = Action_Add;
    } else {
        return false;
    }
    if (action->isEnabled()) action->trigger();
    return true;
}

bool TForm_Grid::TakeCellEditor() {
    QWidget* editor = FCellEditor;
    if (!editor) return true;
    QAbstractItemDelegate* delegate = DBGrid1->itemDelegate();
    const QMetaProperty text = editor->metaObject()->userProperty();
    const QVariant typed = text.read(editor);
    FEditRefused = false;
    emit delegate->commitData(editor);
    if (FEditRefused) {
        // the editor keeps the text (the record's row, shown again, set it
        // back), to be mended or dropped with Escape
        FEditRefused = false;
        if (FCellEditor) {
            text.write(FCellEditor, typed);
            FCellEditor->setFocus();
        }
        return false;
    }
    if (FCellEditor) emit delegate->closeEditor(FCellEditor, QAbstractItemDelegate::NoHint);
    return true;
}

void TForm_Grid::DropCellEditor() {
    if (QWidget* editor = FCellEditor)
        emit DBGrid1->itemDelegate()->closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

bool TForm_Grid::WriteEdits() {
    if (!DataSetOpen()) return true;
    if (!TakeCellEditor()) return false;
    const TDataSetState state = FDataSet->State();
    if ((state != dsEdit && state != dsInsert) || !FDataSet->Modified()) return true;
    try {
        FDataSet->Post();
    } catch (const EAbort&) {
        // shown by the post-error event; the record stays in editing
        SyncView(false);
        UpdateColor();
        return false;
    }
    SyncView(state == dsInsert);
    UpdateColor();
    return true;
}

void TForm_Grid::TransactionEnded(bool Committed) {
    if (Committed) {
        FPostedEdits = false;
        return;
    }
    if (!FPostedEdits || !DataSetOpen()) return;
    const TDataSetState state = FDataSet->State();
    if (FCellEditor || state == dsEdit || state == dsInsert) {
        // reading again would drop the record being edited
        FRowsStale = true;
        ShowError(kStale);
        FlashError();
        return;
    }
    const int recNo = FDataSet->RecNo();
    QPointer<TForm_Grid> self = this;
    try {
        FDataSet->Close();
        FDataSet->Open();
        FPostedEdits = FRowsStale = false;
        const int count = FDataSet->RecordCount();
        if (recNo > 0 && count > 0) FDataSet->SetRecNo(std::min(recNo, count));
    } catch (const std::exception& e) {
        if (!self) return;
        FRowsStale = DataSetOpen();
        ShowError(MessageOf(e));
        if (FRowsStale) ShowError(kStale);
        FlashError();
    }
    if (!self) return;
    SyncView(true);
    UpdateColor();
}

void TForm_Grid::Action_FirstExecute() {
    if (!DataSetOpen() || !TakeCellEditor()) return;
    const bool inserting = FDataSet->State() == dsInsert;
    try {
        if (!DataSetEmpty()) FDataSet->First();
    } catch (const EAbort&) {
    }
    SyncView(inserting && FDataSet->State() != dsInsert);
    UpdateColor();
}

void TForm_Grid::Action_LastExecute() {
    if (!DataSetOpen() || !TakeCellEditor()) return;
    const bool inserting = FDataSet->State() == dsInsert;
    try {
        if (!DataSetEmpty()) FDataSet->Last();
    } catch (const EAbort&) {
    }
    SyncView(inserting && FDataSet->State() != dsInsert);
    UpdateColor();
}

void TForm_Grid::Action_AddExecute() {
    if (!DataSetOpen()) return;
    if (!FDataSet->CanModify()) {
        DropCellEditor();
        ShowRefusal(FDataSet->ReadOnlyMessage());
        UpdateActions();
        return;
    }
    if (!TakeCellEditor()) return;
    try {
        FDataSet->Append();
    } catch (const EAbort&) {
        // posting the record in editing failed and was shown
    }
    SyncView(true);
    UpdateColor();
}

void TForm_Grid::Action_DeleteExecute() {
    if (!DataSetOpen()) return;
    DropCellEditor();   // the record goes, and what was typed into it
    if (!DataSetEmpty() && FDataSet->State() != dsInsert && !FDataSet->CanModify()) {
        ShowRefusal(FDataSet->ReadOnlyMessage());
        UpdateActions();
        return;
    }
    if (!DataSetEmpty()) {
        try {
            FDataSet->Delete();
        } catch (EDatabaseError& e) {
            TDataAction ignored = daFail;
            DataSetPostError(*FDataSet, e, ignored);
        }
    }
    SyncView(true);
    UpdateColor();
}

void TForm_Grid::Action_PostExecute() {
    if (!DataSetOpen() || !TakeCellEditor()) return;
    const bool inserting = FDataSet->State() == dsInsert;
    if (FDataSet->Modified()) {
        try {
            FDataSet->Post();
        } catch (const EAbort&) {
            // shown by the post-error event; the record stays in editing
        }
    }
    SyncView(inserting && FDataSet->State() != dsInsert);
    UpdateColor();
}

void TForm_Grid::Action_CancelExecute() {
    if (!DataSetOpen()) return;
    DropCellEditor();
    const bool inserting = FDataSet->State() == dsInsert;
    FDataSet->Cancel();
    SyncView(inserting);
    UpdateColor();
}

void TForm_Grid::Action_UpdateTggleExecute() {
    // a grid in update mode becomes read-only, a read-only one editable
    SetGridReadOnly(!FGridReadOnly);
    UpdateColor();
}

void TForm_Grid::Action_RefreshExecute() {
    if (Busy) return;
    Busy = true;
    QPointer<TForm_Grid> self = this;
    {
        auto idle = ScopeExit([this, &self] {
            if (self) Busy = false;
        });
        if (DataSetOpen()) {
            try {
                SetGridReadOnly(true);
                FDataSet->Close();
                FDataSet->Open();
                FPostedEdits = FRowsStale = false;
            } catch (const std::exception& e) {
                ShowError(MessageOf(e));
                FlashError();
            }
        } else {
            const EFormGrid e(kDisconnected);
            ShowError(std::string(e.ClassName()) + ":" + e.Message);
            FlashError();
        }
    }
    if (!self) return;
    SyncView(true);
    SizeColumns();
    UpdateColor();
}

// Each column as wide as its title and the texts of the rows in view (a
// screenful from the top row shown), within bounds: the declared size of a
// field says little of what it holds.
void TForm_Grid::SizeColumns() {
    if (!DataSetOpen()) return;
    const QFontMetrics fm(GridFont());
    const int rowHeight = std::max(1, DBGrid1->verticalHeader()->defaultSectionSize());
    const QScreen* screen = DBGrid1->screen();
    const int screenful = (screen ? screen->availableGeometry().height() : 1000) / rowHeight + 1;
    const int top = std::max(0, DBGrid1->rowAt(0));
    const int end = std::min(FModel->rowCount(), top + screenful);
    for (int c = 0; c < FDataSet->FieldCount() && c < FModel->columnCount(); ++c) {
        int w = DBGrid1->horizontalHeader()->sectionSizeHint(c);
        for (int r = top; r < end; ++r)
            w = std::max(w, fm.horizontalAdvance(FModel->data(FModel->index(r, c)).toString()) + 12);
        DBGrid1->setColumnWidth(c, std::clamp(w, 40, 400));
    }
}
