// A tool bar of text buttons that wraps onto further rows where its width
// does not hold them all, so no button is ever hidden behind an overflow
// arrow. Its actions are the widget's own (addAction, insertAction,
// actions()); each gets a flat tool button, and a separator action a line.
// Its height follows its width through the layout's height-for-width.
#pragma once
#include <QToolButton>
#include <QWidget>

class TKZNFlowToolBar : public QWidget {
public:
    explicit TKZNFlowToolBar(QWidget* Parent = nullptr);
    // A separator at the end, or before Before.
    QAction* addSeparator();
    QAction* insertSeparator(QAction* Before);
    // The button (or separator line) of Action; null for an action not on the bar.
    QWidget* widgetForAction(QAction* Action) const;
    // The number of rows the buttons take at the bar's width.
    int RowCount() const;

protected:
    bool event(QEvent* Event) override;
};
