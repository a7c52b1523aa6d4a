#include "U_ResultGridPages.h"

#include <QTabBar>
#include <QVBoxLayout>

#include "AppException.h"
#include "CP932Qt.h"
#include "KZNPopupMenu.h"
#include "Reentrancy.h"
#include "U_Form_Grid.h"

TResultGridPages::TResultGridPages(QWidget* Parent) : QWidget(Parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void TResultGridPages::Build() {
    if (PageControl1) return;
    PageControl1 = new QTabWidget(this);
    layout()->addWidget(PageControl1);
    PopupMenu_PageControl = new QMenu(this);
    auto item = [this](const char16_t* caption, void (TResultGridPages::*run)()) {
        QAction* a = PopupMenu_PageControl->addAction(QString::fromUtf16(caption));
        QObject::connect(a, &QAction::triggered, this, [this, run] { app::Guard([&] { (this->*run)(); }); });
        return a;
    };
    N1 = item(u"このグリッドを削除", &TResultGridPages::DeleteActive);
    N2 = item(u"このグリッド 以外 全て削除", &TResultGridPages::DeleteOthers);
    N3 = item(u"全て削除", &TResultGridPages::DeleteAll);
    N5 = item(u"無効グリッドをすべて削除", &TResultGridPages::DeleteInvalid);
    N6 = item(u"このグリッドより前を削除", &TResultGridPages::DeleteBefore);
    // a right press selects the tab under the mouse first
    QTabBar* bar = PageControl1->tabBar();
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(bar, &QWidget::customContextMenuRequested, this, [this, bar](const QPoint& At) {
        const int i = bar->tabAt(At);
        if (i >= 0) {
            PageControl1->setCurrentIndex(i);
            if (QWidget* w = PageControl1->widget(i)) w->setFocus();
        }
        popupmenu::Exec(*PopupMenu_PageControl, bar->mapToGlobal(At));
    });
}

TForm_Grid* TResultGridPages::AddGrid(std::unique_ptr<TDataSet> DataSet, const std::string& Caption) {
    Build();
    auto* grid = new TForm_Grid(nullptr, std::move(DataSet));
    const int i = PageControl1->addTab(grid, cp932::ToQString(Caption));
    grid->show();
    Arrange();
    PageControl1->setCurrentIndex(i);
    return grid;
}

TForm_Grid* TResultGridPages::Grid(int Index) const {
    return PageControl1 ? static_cast<TForm_Grid*>(PageControl1->widget(Index)) : nullptr;
}

std::string TResultGridPages::Caption(int Index) const {
    return PageControl1 ? cp932::FromQString(PageControl1->tabText(Index)) : std::string();
}

bool TResultGridPages::DeleteTab(int Index) {
    // what was typed into the grid is written first; a grid that cannot write it stays, in front, saying why
    if (TForm_Grid* grid = Grid(Index); grid && !grid->WriteEdits()) {
        PageControl1->setCurrentIndex(Index);
        return false;
    }
    QWidget* w = PageControl1->widget(Index);
    PageControl1->removeTab(Index);
    if (w) {
        w->hide();
        w->setParent(nullptr);
        reentry::FreeWhenIdle(w);
    }
    return true;
}

void TResultGridPages::DeleteActive() {
    if (!PageControl1) return;
    if (PageControl1->currentIndex() >= 0) DeleteTab(PageControl1->currentIndex());
    Arrange();
}

void TResultGridPages::DeleteOthers() {
    if (!PageControl1) return;
    QWidget* keep = PageControl1->currentWidget();
    for (int i = PageControl1->count() - 1; i >= 0; --i)
        if (PageControl1->widget(i) != keep) DeleteTab(i);
    Arrange();
}

void TResultGridPages::DeleteAll() {
    if (!PageControl1) return;
    for (int i = PageControl1->count() - 1; i >= 0; --i) DeleteTab(i);
    Arrange();
}

void TResultGridPages::DeleteInvalid() {
    if (!PageControl1) return;
    QWidget* active = PageControl1->currentWidget();
    for (int i = PageControl1->count() - 1; i >= 0; --i) {
        TDataSet* d = Grid(i)->DataSet();
        if (!d || !d->Active()) DeleteTab(i);
    }
    const int stay = PageControl1->indexOf(active);
    if (stay >= 0) PageControl1->setCurrentIndex(stay);
    Arrange();
}

void TResultGridPages::DeleteBefore() {
    if (!PageControl1) return;
    for (int i = PageControl1->currentIndex() - 1; i >= 0; --i) DeleteTab(i);
    Arrange();
}

void TResultGridPages::Arrange() {
    if (FFolded) SyncFoldBar();
    if (OnArrange) OnArrange();
}

QTabBar* TResultGridPages::FoldBar() {
    if (!FFoldBar) {
        FFoldBar = new QTabBar(this);
        FFoldBar->setObjectName(QStringLiteral("FoldBar"));
        FFoldBar->setExpanding(false);
        FFoldBar->hide();
        layout()->addWidget(FFoldBar);
        QObject::connect(FFoldBar, &QTabBar::tabBarClicked, this, [this](int Index) {
            if (Index < 0 || Index >= Count()) return;
            app::Guard([&] {
                PageControl1->setCurrentIndex(Index);
                if (OnUnfold)
                    OnUnfold(Index);
                else
                    SetFolded(false);
            });
        });
    }
    return FFoldBar;
}

int TResultGridPages::FoldedHeight() {
    QTabBar* bar = FoldBar();
    if (bar->count() == 0) SyncFoldBar();
    return bar->sizeHint().height();
}

void TResultGridPages::SetFolded(bool Value) {
    if (Value == FFolded) return;
    FFolded = Value;
    if (Value) SyncFoldBar();
    if (PageControl1) PageControl1->setVisible(!Value);
    FoldBar()->setVisible(Value);
}

void TResultGridPages::SyncFoldBar() {
    if (!FFoldBar || !PageControl1) return;
    const QSignalBlocker quiet(FFoldBar);
    while (FFoldBar->count() > 0) FFoldBar->removeTab(FFoldBar->count() - 1);
    for (int i = 0; i < PageControl1->count(); ++i) FFoldBar->addTab(PageControl1->tabText(i));
    FFoldBar->setCurrentIndex(PageControl1->currentIndex());
}
