// The drag object that carries a history item from the history tree to a
// script page. It is the drag's data: receivers find it with From(); other
// programs see the item's lines as plain text.
#pragma once
#include <cstdint>

#include <QMimeData>

#include "StringList.h"

class QWidget;
class TTreeNodeEx;

class THistoryItemDragObj : public QMimeData {
public:
    // The data format that marks a history item.
    static const char* const Format;

    // The drag object of control; lines are copied.
    THistoryItemDragObj(QWidget* control, const TStringList& lines, uint8_t kind, TTreeNodeEx* node);

    QWidget* Control;   // not owned
    TTreeNodeEx* Node;  // the history node being dragged, not owned
    TStringList Lines;  // a copy of the item's lines
    uint8_t Kind;       // the node kind given by the history window

    // The history item carried by a drag, or null.
    static const THistoryItemDragObj* From(const QMimeData* data);
};
