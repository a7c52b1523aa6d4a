#include "KZNPopupMenu.h"

#include <utility>

#include <QAction>
#include <QMenu>

namespace popupmenu {

namespace {
TPresenter& Presenter() {
    static TPresenter presenter;
    return presenter;
}
}  // namespace

TPresenter SetPresenter(TPresenter Value) { return std::exchange(Presenter(), std::move(Value)); }

QAction* Exec(QMenu& Menu, const QPoint& GlobalPos) {
    if (!Presenter()) return Menu.exec(GlobalPos);
    QAction* chosen = Presenter()(Menu, GlobalPos);
    if (chosen && chosen->isEnabled()) {
        chosen->trigger();
        return chosen;
    }
    return nullptr;
}

}  // namespace popupmenu
