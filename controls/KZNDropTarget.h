// The drop target of a widget for data dragged from other programs (file
// names from the file manager, for example). It accepts a drag only when the
// data holds one of the formats it was made with, holds that data while the
// drag lasts, and asks its three handlers, each of which may change the drop
// effect. The effect follows the keys: none pressed moves, Ctrl copies,
// Ctrl+Shift links.
#pragma once
#include <functional>
#include <vector>

#include <QObject>
#include <QPoint>
#include <QString>

class QMimeData;
class QWidget;

struct TDragKeyState {
    Qt::KeyboardModifiers Keys;
    Qt::MouseButtons Buttons;
};

class TDropTarget : public QObject {
public:
    // (the data held, the key state, the point in the widget, var effect)
    using TDragEvent =
        std::function<void(const QMimeData* data, TDragKeyState keyState, QPoint point, Qt::DropAction& effect)>;

    // formats: the accepted data formats (MIME types), in order of preference.
    explicit TDropTarget(std::vector<QString> formats, QObject* parent = nullptr);
    ~TDropTarget() override;

    TDragEvent OnDragEnter;
    TDragEvent OnDragOver;
    TDragEvent OnDrop;

    // The drop-target operations; each returns the drop effect.
    Qt::DropAction DragEnter(const QMimeData* data, TDragKeyState keyState, QPoint point);
    Qt::DropAction DragOver(TDragKeyState keyState, QPoint point);
    void DragLeave();
    Qt::DropAction Drop(TDragKeyState keyState, QPoint point);

    // The effect for a key state: move, Ctrl copy, Ctrl+Shift link.
    static Qt::DropAction EffectFromKeyState(TDragKeyState keyState);
    // The format of the data held, or empty while nothing is held.
    const QString& HeldFormat() const { return FHeldFormat; }
    const QMimeData* HeldData() const { return FData; }

    // Routes the widget's drag and drop events to this target (and makes the widget accept drops).
    void RegisterDragDrop(QWidget* widget);
    void RevokeDragDrop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<QString> FFormats;
    const QMimeData* FData = nullptr;
    QString FHeldFormat;
    QWidget* FWidget = nullptr;
};
