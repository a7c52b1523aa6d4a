// A tool bar of text buttons that wraps onto further rows where its width
// does not hold them all, so no button is ever hidden behind an overflow
// arrow. Its actions are the widget's own (addAction, insertAction,
// actions()); each gets a flat tool button, and a separator action a line.
// Its height follows its width through the layout's height-for-width.
//
// Built on sight, the bar makes its buttons the first time it is painted (or
// a button is asked for) rather than with each action, so a bar in a page
// that is never seen holds none; it takes the same room either way, as the
// buttons' sizes are known beforehand (measured once for each caption, font
// and style).
#pragma once
#include <QToolButton>
#include <QWidget>

class TKZNFlowToolBar : public QWidget {
public:
    explicit TKZNFlowToolBar(QWidget* Parent = nullptr);
    // Set before the first action is added.
    void SetBuildOnSight(bool Value);
    // The buttons are made (always, unless built on sight).
    bool Built() const { return FBuilt; }
    // A separator at the end, or before Before.
    QAction* addSeparator();
    QAction* insertSeparator(QAction* Before);
    // The button (or separator line) of Action; null for an action not on the bar.
    QWidget* widgetForAction(QAction* Action) const;
    // The number of rows the buttons take at the bar's width.
    int RowCount() const;

protected:
    bool event(QEvent* Event) override;

private:
    // Makes the buttons of a bar built on sight, where the layout has put them.
    void Build();
    bool FBuilt = true;
};
