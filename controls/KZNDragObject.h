// The drag object that carries a history item from the history tree to a
// script page. It is the drag's data: receivers find it with From(); other
// programs see the item's lines as plain text.
#pragma once
#include <cstdint>

#include <QMimeData>
#include <QPointer>
#include <QWidget>

#include "KZNTreeView.h"
#include "StringList.h"

class THistoryItemDragObj : public QMimeData {
public:
    // The data format that marks a history item.
    static const char* const Format;

    // The drag object of control; lines are copied.
    THistoryItemDragObj(QWidget* control, const TStringList& lines, uint8_t kind, TTreeNodeEx* node);

    QPointer<QWidget> Control;  // null once it has gone
    TStringList Lines;          // a copy of the item's lines
    uint8_t Kind;       // the node kind given by the history window

    // The history node being dragged while it is still in its tree; null once
    // it has gone (the drag may outlive it, and another node may take its place).
    TTreeNodeEx* Node() const { return FNode.Get(); }

    // The history item carried by a drag, or null.
    static const THistoryItemDragObj* From(const QMimeData* data);

private:
    TTreeNodeRef FNode;
};
