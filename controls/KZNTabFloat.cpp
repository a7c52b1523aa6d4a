#include "KZNTabFloat.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QTabBar>
#include <QVBoxLayout>

#include "AppException.h"
#include "ScreenMetrics.h"

namespace {

// Keeps the window wholly on the work area of the screen that holds Point:
// as large as it is where that fits, shrunk to the area (never below its
// least size) where not, and moved in from any edge it passes.
void KeepOnScreen(QWidget* Window, QPoint Point) {
    const screen::TScreenRect a = screen::WorkAreaAt(Point.x(), Point.y());
    if (a.Width <= 0 || a.Height <= 0) return;
    const QRect area(a.Left, a.Top, a.Width, a.Height);
    // the title bar and borders, once the window system has given them
    const QSize frame = Window->frameGeometry().size() - Window->size();
    const QSize size = Window->size().boundedTo(area.size() - frame).expandedTo(Window->minimumSize());
    if (size != Window->size()) Window->resize(size);
    const QSize outer = size + frame;
    const QPoint at = Window->frameGeometry().topLeft();
    const int x = std::max(area.left(), std::min(at.x(), area.right() + 1 - outer.width()));
    const int y = std::max(area.top(), std::min(at.y(), area.bottom() + 1 - outer.height()));
    if (QPoint(x, y) != at) Window->move(x, y);
}

}  // namespace

// ------------------------------------------------------ TKZNFloatingTabWindow

TKZNFloatingTabWindow::TKZNFloatingTabWindow(TKZNTabFloater* Floater, QWidget* Parent)
    : QWidget(Parent, Qt::Window), FFloater(Floater) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FTabs = new QTabWidget(this);
    layout->addWidget(FTabs);
}

QWidget* TKZNFloatingTabWindow::Page() const { return FTabs->count() > 0 ? FTabs->widget(0) : nullptr; }

void TKZNFloatingTabWindow::closeEvent(QCloseEvent* Event) {
    // The floater decides: the window goes once its page has been freed or docked back.
    Event->ignore();
    if (!Page() || !FFloater) {
        Event->accept();
        return;
    }
    app::Guard([this] { FFloater->WindowClosing(this); });
}

void TKZNFloatingTabWindow::changeEvent(QEvent* Event) {
    QWidget::changeEvent(Event);
    if (Event->type() == QEvent::ActivationChange && isActiveWindow() && FFloater)
        app::Guard([this] { FFloater->WindowActivated(this); });
}

// ------------------------------------------------------------- TKZNTabFloater

TKZNTabFloater::TKZNTabFloater(QTabWidget* Home) : FHome(Home) { Home->tabBar()->installEventFilter(this); }

TKZNTabFloater::~TKZNTabFloater() {
    // Windows still floating go with their pages.
    for (auto& w : FWindows)
        if (w) {
            w->FFloater = nullptr;
            delete w.data();
        }
}

TKZNFloatingTabWindow* TKZNTabFloater::WindowOf(const QWidget* Page) const {
    if (!Page) return nullptr;
    for (const auto& w : FWindows)
        if (w && w->Page() == Page) return w;
    return nullptr;
}

std::vector<QWidget*> TKZNTabFloater::FloatingPages() const {
    std::vector<QWidget*> pages;
    for (const auto& w : FWindows)
        if (w && w->Page()) pages.push_back(w->Page());
    return pages;
}

void TKZNTabFloater::SetTabText(QWidget* Page, const QString& Text) {
    if (TKZNFloatingTabWindow* window = WindowOf(Page)) {
        window->Tabs()->setTabText(0, Text);
        window->setWindowTitle(QString(Text).replace(QStringLiteral("&&"), QStringLiteral("&")));
    } else if (FHome && FHome->indexOf(Page) >= 0) {
        FHome->setTabText(FHome->indexOf(Page), Text);
    }
}

TKZNFloatingTabWindow* TKZNTabFloater::Float(int Index, QPoint GlobalPos) {
    if (!FHome) return nullptr;
    QWidget* page = FHome->widget(Index);
    if (!page) return nullptr;
    const QString text = FHome->tabText(Index);
    // as large as the pages it came from, and never too small to work in
    const QSize size = FHome->size().expandedTo(QSize(360, 240));
    auto* window = new TKZNFloatingTabWindow(this, FHome->window());
    window->addActions(FHome->window()->actions());
    window->setWindowTitle(QString(text).replace(QStringLiteral("&&"), QStringLiteral("&")));
    FHome->removeTab(Index);
    window->Tabs()->addTab(page, text);
    window->Tabs()->tabBar()->installEventFilter(this);
    window->resize(size);
    window->move(GlobalPos);
    KeepOnScreen(window, GlobalPos);
    FWindows.emplace_back(window);
    window->show();
    page->setUpdatesEnabled(true);   // a hidden tab's page may have had them off
    page->show();
    KeepOnScreen(window, GlobalPos);   // again with its frame known
    if (OnFloated) OnFloated(page);
    return window;
}

void TKZNTabFloater::Dock(QWidget* Page, int Index) {
    TKZNFloatingTabWindow* window = WindowOf(Page);
    if (!window || !FHome) return;
    const QString text = window->Tabs()->tabText(0);
    window->Tabs()->removeTab(0);
    if (Index < 0 || Index > FHome->count()) Index = FHome->count();
    const int at = FHome->insertTab(Index, Page, text);
    FHome->setCurrentIndex(at);
    Page->show();
    DropWindow(window);
    if (OnDocked) OnDocked(Page);
}

void TKZNTabFloater::Release(QWidget* Page) {
    TKZNFloatingTabWindow* window = WindowOf(Page);
    if (!window) return;
    window->Tabs()->removeTab(0);
    Page->hide();
    Page->setParent(nullptr);
    DropWindow(window);
}

void TKZNTabFloater::DropWindow(TKZNFloatingTabWindow* Window) {
    FWindows.erase(std::remove_if(FWindows.begin(), FWindows.end(),
                                  [Window](const QPointer<TKZNFloatingTabWindow>& w) { return !w || w == Window; }),
                   FWindows.end());
    if (FDrag.Window == Window) FDrag = TDrag();
    Window->FFloater = nullptr;
    Window->hide();
    // it may be the window whose event is being handled
    Window->deleteLater();
}

void TKZNTabFloater::WindowClosing(TKZNFloatingTabWindow* Window) {
    QWidget* page = Window->Page();
    if (!page) return;
    if (OnClose) OnClose(page);
    else Dock(page);
}

void TKZNTabFloater::WindowActivated(TKZNFloatingTabWindow* Window) {
    if (QWidget* page = Window->Page())
        if (OnActivated) OnActivated(page);
}

int TKZNTabFloater::HomeTabAt(QPoint GlobalPos, bool WholeEmptyHome) const {
    if (!FHome) return -1;
    // an empty home shows no tab bar to aim at: all of it takes the page
    if (WholeEmptyHome && FHome->count() == 0)
        return FHome->isVisible() && FHome->rect().contains(FHome->mapFromGlobal(GlobalPos)) ? -2 : -1;
    QTabBar* bar = FHome->tabBar();
    // the strip of the tab bar across the whole tab widget, also while it holds no tab
    const int h = std::max(bar->height(), bar->fontMetrics().height() + 8);
    const int top = bar->isVisible() && bar->height() > 0 ? bar->y() : 0;
    const QRect strip(0, top, FHome->width(), h);
    if (!strip.contains(FHome->mapFromGlobal(GlobalPos))) return -1;
    const int i = bar->tabAt(bar->mapFromGlobal(GlobalPos));
    return i >= 0 ? i : -2;
}

bool TKZNTabFloater::FarFromHomeBar(QPoint GlobalPos) const {
    QTabBar* bar = FHome->tabBar();
    const int margin = std::max(bar->height(), 2 * QApplication::startDragDistance());
    return !bar->rect().adjusted(-margin, -margin, margin, margin).contains(bar->mapFromGlobal(GlobalPos));
}

bool TKZNTabFloater::eventFilter(QObject* Watched, QEvent* Event) {
    auto* bar = qobject_cast<QTabBar*>(Watched);
    if (!bar || !FHome) return false;
    const QEvent::Type type = Event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(Event);
    const QPoint global = mouse->globalPosition().toPoint();
    const bool home = bar == FHome->tabBar();
    TKZNFloatingTabWindow* own = home ? nullptr : dynamic_cast<TKZNFloatingTabWindow*>(bar->window());

    if (type == QEvent::MouseButtonDblClick) {
        // a double click on a floating page's tab docks it back
        if (own && mouse->button() == Qt::LeftButton && bar->tabAt(mouse->position().toPoint()) >= 0) {
            QWidget* page = own->Page();
            app::Guard([&] { Dock(page); });
            return true;
        }
        return false;
    }
    if (type == QEvent::MouseButtonPress) {
        FDrag = TDrag();
        if (mouse->button() == Qt::LeftButton) {
            FDrag.Bar = bar;
            FDrag.Index = bar->tabAt(mouse->position().toPoint());
            FDrag.PressGlobal = global;
        }
        return false;
    }
    if (FDrag.Bar != bar || FDrag.Index < 0) return false;
    if (type == QEvent::MouseMove) {
        if (!(mouse->buttons() & Qt::LeftButton)) return false;
        if (!FDrag.Window) {
            if (home) {
                if (!FarFromHomeBar(global)) return false;
                // the window takes the page's place under the mouse
                FDrag.Offset = QPoint(20, 10);
                app::Guard([&] { FDrag.Window = Float(FDrag.Index, global - FDrag.Offset); });
                if (!FDrag.Window) FDrag = TDrag();
                return true;
            }
            if ((global - FDrag.PressGlobal).manhattanLength() < QApplication::startDragDistance()) return false;
            FDrag.Window = own;
            if (!own) return false;
            FDrag.Offset = FDrag.PressGlobal - own->pos();
        }
        FDrag.Window->move(global - FDrag.Offset);
        return true;
    }
    // the button is let go: over the home tab bar a floating window docks there
    QPointer<TKZNFloatingTabWindow> window = FDrag.Window;
    FDrag = TDrag();
    if (!window || mouse->button() != Qt::LeftButton) return false;
    // (a page just dragged out of the home is let go over it to float there)
    const int at = HomeTabAt(global, !home);
    if (at != -1) {
        QWidget* page = window->Page();
        app::Guard([&] { Dock(page, at); });
    } else {
        // it stays floating where it was let go, wholly on that screen
        KeepOnScreen(window, global);
    }
    return !home;
}
