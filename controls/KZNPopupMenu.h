// Popup menus that wait for the user's choice (the choice menus of drops).
// Code that runs without anyone to answer (tests) installs a presenter that
// picks an item, or none, without blocking.
#pragma once
#include <functional>

#include <QPoint>

class QAction;
class QMenu;

namespace popupmenu {

// Returns the item the user chose, or null; the chosen item has been triggered.
QAction* Exec(QMenu& Menu, const QPoint& GlobalPos);

// The presenter returns the item to choose (an enabled one is triggered), or null.
using TPresenter = std::function<QAction*(QMenu& Menu, const QPoint& GlobalPos)>;
// Installs a presenter and returns the one it replaced; an empty one restores the modal menu.
TPresenter SetPresenter(TPresenter Presenter);

}  // namespace popupmenu
