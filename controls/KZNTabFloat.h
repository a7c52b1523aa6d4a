// Pages of a tab widget that can be dragged out into windows of their own
// and back. Dragging a tab off its tab bar takes its page out into a
// floating window, which follows the mouse until the button is let go. The
// floating window shows the page under a tab of its own: dragging that tab
// moves the window, and letting it go over the home tab bar docks the page
// back there, as does letting it go anywhere over a home that holds no tab
// (a double click on it docks it back too). The only page of a home, dragged
// off its tab bar and let go over the home's empty area, floats there. Closing the floating
// window asks OnClose what becomes of the page; without a handler it is
// docked back.
//
// Floating windows are windows of the home tab widget's window: they carry
// its actions (so its shortcuts work there too) and go with it. A floating
// window opens, and is let go, wholly on the screen that holds the point
// where it is put: shrunk to that screen's work area where it would not fit.
#pragma once
#include <functional>
#include <vector>

#include <QPointer>
#include <QTabWidget>
#include <QWidget>

class TKZNTabFloater;

// The window of one floating page.
class TKZNFloatingTabWindow : public QWidget {
public:
    TKZNFloatingTabWindow(TKZNTabFloater* Floater, QWidget* Parent);
    // The page shown; null once it has been taken out.
    QWidget* Page() const;
    QTabWidget* Tabs() const { return FTabs; }

protected:
    void closeEvent(QCloseEvent* Event) override;
    void changeEvent(QEvent* Event) override;

private:
    friend class TKZNTabFloater;
    TKZNTabFloater* FFloater;
    QTabWidget* FTabs;
};

// Owned by whoever manages the pages (not by the tab widget): its handlers
// reach the manager. Freed, it frees the windows still floating with their pages.
class TKZNTabFloater : public QObject {
public:
    explicit TKZNTabFloater(QTabWidget* Home);
    ~TKZNTabFloater() override;

    QTabWidget* Home() const { return FHome; }

    // Takes the page of tab Index out into a floating window whose top left
    // corner is at GlobalPos, moved in (and shrunk where needed) so that it
    // lies wholly on the screen holding GlobalPos; returns the window (null
    // for no such tab).
    TKZNFloatingTabWindow* Float(int Index, QPoint GlobalPos);
    // Docks a floating page back into the home tab widget at Index (at the
    // end when Index is out of range) and makes it the current tab.
    void Dock(QWidget* Page, int Index = -1);
    // Takes a floating page out of its window, which goes; the page is left
    // without a parent for the caller to free or keep.
    void Release(QWidget* Page);

    // The caption of Page's tab, docked or floating (a floating window also takes it as its title).
    void SetTabText(QWidget* Page, const QString& Text);

    bool IsFloating(const QWidget* Page) const { return WindowOf(Page) != nullptr; }
    TKZNFloatingTabWindow* WindowOf(const QWidget* Page) const;
    // The floating pages, in the order they were floated.
    std::vector<QWidget*> FloatingPages() const;

    // A page was floated / docked back.
    std::function<void(QWidget* Page)> OnFloated;
    std::function<void(QWidget* Page)> OnDocked;
    // The floating window of Page was activated.
    std::function<void(QWidget* Page)> OnActivated;
    // The user closes the floating window of Page. The handler frees the page
    // (through Release) or keeps it; without a handler the page is docked back.
    std::function<void(QWidget* Page)> OnClose;

    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    friend class TKZNFloatingTabWindow;
    void WindowClosing(TKZNFloatingTabWindow* Window);
    void WindowActivated(TKZNFloatingTabWindow* Window);
    // The index of the home tab bar under GlobalPos; -1 when the point is not
    // over the home tab bar (-2 over it but beside the tabs: the end). With
    // WholeEmptyHome, anywhere over a home without tabs is its end too.
    int HomeTabAt(QPoint GlobalPos, bool WholeEmptyHome = false) const;
    bool FarFromHomeBar(QPoint GlobalPos) const;
    void DropWindow(TKZNFloatingTabWindow* Window);

    QPointer<QTabWidget> FHome;
    std::vector<QPointer<TKZNFloatingTabWindow>> FWindows;

    // The drag under way: a tab pressed on a bar (the home bar or a floating window's).
    struct TDrag {
        QPointer<QWidget> Bar;
        int Index = -1;
        QPoint PressGlobal;
        QPoint Offset;                              // of the mouse from the moving window's corner
        QPointer<TKZNFloatingTabWindow> Window;     // the window following the mouse
    } FDrag;
};
