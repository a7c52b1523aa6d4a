#include "KZNDragObject.h"

#include "CP932Qt.h"

const char* const THistoryItemDragObj::Format = "application/x-zintavor-history-item";

THistoryItemDragObj::THistoryItemDragObj(QWidget* control, const TStringList& lines, uint8_t kind,
                                         TTreeNodeEx* node)
    : Control(control), Lines(lines), Kind(kind), FNode(node) {
    setData(Format, QByteArray());
    setText(cp932::ToQString(Lines.Text()));
}

const THistoryItemDragObj* THistoryItemDragObj::From(const QMimeData* data) {
    return dynamic_cast<const THistoryItemDragObj*>(data);
}
