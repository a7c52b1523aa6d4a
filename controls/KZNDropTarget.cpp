#include "KZNDropTarget.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

#include "AppException.h"

TDropTarget::TDropTarget(std::vector<QString> formats, QObject* parent)
    : QObject(parent), FFormats(std::move(formats)) {}

TDropTarget::~TDropTarget() { RevokeDragDrop(); }

Qt::DropAction TDropTarget::EffectFromKeyState(TDragKeyState keyState) {
    if (!(keyState.Keys & Qt::ControlModifier)) return Qt::MoveAction;
    if (keyState.Keys & Qt::ShiftModifier) return Qt::LinkAction;
    return Qt::CopyAction;
}

Qt::DropAction TDropTarget::DragEnter(const QMimeData* data, TDragKeyState keyState, QPoint point) {
    DragLeave();
    if (!data) return Qt::IgnoreAction;
    for (const QString& f : FFormats) {
        if (!data->hasFormat(f)) continue;
        FData = data;
        FHeldFormat = f;
        Qt::DropAction effect = EffectFromKeyState(keyState);
        if (OnDragEnter) OnDragEnter(FData, keyState, point, effect);
        return effect;
    }
    return Qt::IgnoreAction;
}

Qt::DropAction TDropTarget::DragOver(TDragKeyState keyState, QPoint point) {
    if (!FData) return Qt::IgnoreAction;
    Qt::DropAction effect = EffectFromKeyState(keyState);
    if (OnDragOver) OnDragOver(FData, keyState, point, effect);
    return effect;
}

void TDropTarget::DragLeave() {
    FData = nullptr;
    FHeldFormat.clear();
}

Qt::DropAction TDropTarget::Drop(TDragKeyState keyState, QPoint point) {
    Qt::DropAction effect = Qt::IgnoreAction;
    if (FData) {
        effect = EffectFromKeyState(keyState);
        const QMimeData* data = FData;
        struct Release {
            TDropTarget* t;
            ~Release() { t->DragLeave(); }
        } release{this};
        if (OnDrop) OnDrop(data, keyState, point, effect);
    }
    return effect;
}

void TDropTarget::RegisterDragDrop(QWidget* widget) {
    RevokeDragDrop();
    FWidget = widget;
    if (!widget) return;
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
}

void TDropTarget::RevokeDragDrop() {
    if (FWidget) FWidget->removeEventFilter(this);
    FWidget = nullptr;
    DragLeave();
}

bool TDropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FWidget) return false;
    auto answer = [](QDropEvent* e, Qt::DropAction effect) {
        if (effect == Qt::IgnoreAction) {
            e->ignore();
        } else {
            e->setDropAction(effect);
            e->accept();
        }
    };
    switch (event->type()) {
        case QEvent::DragEnter: {
            auto* e = static_cast<QDragEnterEvent*>(event);
            Qt::DropAction effect = Qt::IgnoreAction;
            app::Guard([&] { effect = DragEnter(e->mimeData(), {e->modifiers(), e->buttons()}, e->position().toPoint()); });
            answer(e, effect);
            return true;
        }
        case QEvent::DragMove: {
            auto* e = static_cast<QDragMoveEvent*>(event);
            Qt::DropAction effect = Qt::IgnoreAction;
            app::Guard([&] { effect = DragOver({e->modifiers(), e->buttons()}, e->position().toPoint()); });
            answer(e, effect);
            return true;
        }
        case QEvent::DragLeave:
            DragLeave();
            return true;
        case QEvent::Drop: {
            auto* e = static_cast<QDropEvent*>(event);
            Qt::DropAction effect = Qt::IgnoreAction;
            app::Guard([&] { effect = Drop({e->modifiers(), e->buttons()}, e->position().toPoint()); });
            answer(e, effect);
            return true;
        }
        default:
            return false;
    }
}
