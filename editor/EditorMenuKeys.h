// The key of an item of the editor's context menu. The menu keeps its items'
// keys beside them and gives them to the toolkit only while it is open (to be
// shown there): a key given to an action is registered application-wide, and
// every editor of every page has such a menu. The editor finds an item by its
// key itself (TEditorPopupMenu::ShortCutItem).
#pragma once
#include <QAction>
#include <QKeySequence>

// The item's key; empty for an item without one.
QKeySequence EditorMenuShortCut(const QAction* Item);
