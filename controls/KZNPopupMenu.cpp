#include "KZNPopupMenu.h"

#include <QAction>
#include <QMenu>

namespace popupmenu {

namespace {
TPresenter& Presenter() {
    static TPresenter presenter;
    return presenter;
}
}  // namespace

void SetPresenter(TPresenter Value) { Presenter() = std::move(Value); }

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
