#include "U_Dialog_Set.h"

#include <algorithm>

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "CP932Qt.h"
#include "T_ObjectWrapper.h"

namespace {

QString Q(const char* Cp932) { return cp932::ToQString(Cp932); }

}  // namespace

TDialog_Set::TDialog_Set(QWidget* Owner)
    : QDialog(Owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::WindowStaysOnTopHint) {
    setWindowTitle(Q("環境変数設定"));
    QFont font(Q("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);
    setModal(true);

    Action_OK = new QAction(Q("ＯＫ"), this);
    Action_Cancel = new QAction(Q("キャンセル"), this);
    connect(Action_OK, &QAction::triggered, this, [this] { done(mrOk); });
    connect(Action_Cancel, &QAction::triggered, this, [this] { done(mrCancel); });

    Panel2 = new QWidget(this);
    HeaderControl1 = new QHeaderView(Qt::Horizontal, Panel2);
    FHeaderModel = new QStandardItemModel(0, 2, HeaderControl1);
    FHeaderModel->setHorizontalHeaderLabels({Q("環境変数名"), Q("値")});
    HeaderControl1->setModel(FHeaderModel);
    HeaderControl1->setSectionResizeMode(QHeaderView::Interactive);
    HeaderControl1->setStretchLastSection(false);
    HeaderControl1->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    HeaderControl1->resizeSection(0, 150);
    HeaderControl1->resizeSection(1, 50);
    // a flat band about a row high above the grid, whatever room the dialog has
    HeaderControl1->setFixedHeight(std::max(20, HeaderControl1->fontMetrics().height() + 6));
    HeaderControl1->installEventFilter(this);
    connect(HeaderControl1, &QHeaderView::sectionResized, this, [this](int, int, int) { AdjustColumns(); });

    StringGrid1 = new QTableWidget(0, 2, Panel2);
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultSectionSize(20);
    StringGrid1->setFrameShape(QFrame::NoFrame);
    StringGrid1->setShowGrid(true);
    StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    StringGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    auto* body = new QVBoxLayout(Panel2);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(HeaderControl1);
    body->addWidget(StringGrid1, 1);

    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(32);
    Button1 = new QPushButton(Action_OK->text(), Panel1);
    Button2 = new QPushButton(Action_Cancel->text(), Panel1);
    for (QPushButton* b : {Button1, Button2}) b->setFixedSize(75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, Action_OK, &QAction::trigger);
    connect(Button2, &QPushButton::clicked, Action_Cancel, &QAction::trigger);
    auto* buttons = new QHBoxLayout(Panel1);
    buttons->setContentsMargins(4, 3, 4, 4);
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);
    form->addWidget(Panel2, 1);
    form->addWidget(Panel1);
    resize(547, 312);

    ClearGrid();
    LayoutHeader();
}

void TDialog_Set::ClearGrid() {
    StringGrid1->clearContents();
    StringGrid1->setRowCount(1);
    StringGrid1->setRowHidden(0, true);  // the dummy row 0: the data rows start at 1
}

void TDialog_Set::LayoutHeader() {
    const int rest = HeaderControl1->width() - HeaderControl1->sectionSize(0) - 1;
    HeaderControl1->resizeSection(1, std::max(rest, 0));
    AdjustColumns();
}

void TDialog_Set::AdjustColumns() {
    StringGrid1->setColumnWidth(0, std::max(HeaderControl1->sectionSize(0) - 1, 0));
    StringGrid1->setColumnWidth(1, std::max(HeaderControl1->sectionSize(1) - 1, 0));
}

void TDialog_Set::SetData(const IStringMapPtr& Data) {
    ClearGrid();
    const QBrush fixed = palette().brush(QPalette::Button);
    IIteratorPtr it = Data->GetIterator();
    while (it->HasNext()) {
        auto pair = std::dynamic_pointer_cast<IObjectMap>(it->Next());
        const int row = StringGrid1->rowCount();
        StringGrid1->setRowCount(row + 1);
        auto* name = new QTableWidgetItem(cp932::ToQString(pair->GetKey()->ToString()));
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);  // the fixed column: read-only
        name->setBackground(fixed);
        StringGrid1->setItem(row, 0, name);
        StringGrid1->setItem(row, 1, new QTableWidgetItem(cp932::ToQString(pair->GetValue()->ToString())));
    }
}

void TDialog_Set::GetData(IStringMapPtr& Data) const {
    Data = TStringMapList::Create();
    FLossy = false;
    auto text = [this](int row, int col) {
        const QTableWidgetItem* item = StringGrid1->item(row, col);
        bool lossy = false;
        std::string s = item ? cp932::FromQString(item->text(), &lossy) : std::string();
        FLossy = FLossy || lossy;
        return s;
    };
    for (int row = 1; row < StringGrid1->rowCount(); ++row) Data->Add(text(row, 0), text(row, 1));
}

void TDialog_Set::resizeEvent(QResizeEvent* Event) {
    QDialog::resizeEvent(Event);
    LayoutHeader();
}

bool TDialog_Set::eventFilter(QObject* Watched, QEvent* Event) {
    // The header follows the form's size after the form's own resize event:
    // lay its sections out again once it has its new width.
    if (Watched == HeaderControl1 && Event->type() == QEvent::Resize) LayoutHeader();
    return QDialog::eventFilter(Watched, Event);
}

void TDialog_Set::reject() { done(mrCancel); }
