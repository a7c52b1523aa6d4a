// The variables dialog "環境変数設定": a grid of variable names (fixed,
// read-only) and their values (editable), with OK and cancel. The data goes
// in and out as an ordered map of name/value pairs.
#pragma once
#include <QDialog>

#include "I_ObjectWrapper.h"

class QAction;
class QHeaderView;
class QPushButton;
class QStandardItemModel;
class QTableWidget;
class QWidget;

class TDialog_Set : public QDialog {
public:
    // Modal results.
    enum : int { mrOk = 1, mrCancel = 2 };

    explicit TDialog_Set(QWidget* Owner = nullptr);

    // The grid := one row per pair, in order (below the hidden row 0).
    void SetData(const IStringMapPtr& Data);
    // Data := a new map of the rows from 1 to the last, in order.
    void GetData(IStringMapPtr& Data) const;
    // Whether the last GetData met a character that code page 932 cannot hold
    // (it was replaced by a substitute).
    bool GetDataLossy() const { return FLossy; }

    void ClearGrid();
    void LayoutHeader();
    void AdjustColumns();

    QWidget* Panel1;
    QWidget* Panel2;
    QPushButton* Button1;
    QPushButton* Button2;
    QHeaderView* HeaderControl1;
    QTableWidget* StringGrid1;
    QAction* Action_OK;
    QAction* Action_Cancel;

protected:
    void resizeEvent(QResizeEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void reject() override;  // Escape and the close box: cancel

private:
    QStandardItemModel* FHeaderModel;
    mutable bool FLossy = false;
};
