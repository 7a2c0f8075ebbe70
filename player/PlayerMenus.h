#pragma once

#include "player/core/PlayerCommand.h"

#include <QHash>
#include <functional>

class AppCtrl;
class QAction;
class QMenuBar;
class QWidget;

// Fills the menu bar; every item runs onCommand with its number. Items with a
// check mark are checkable. Returns the items by number.
QHash<int, QAction*> buildPlayerMenus(QMenuBar& bar, const std::function<void(int)>& onCommand);
// The menu bar is hidden in full screen, and with it the shortcuts of its
// items: the window holds them too.
void holdShortcuts(QWidget& window, const QHash<int, QAction*>& items);
// Sets the check marks of the items as the settings have them.
void syncMenuChecks(const QHash<int, QAction*>& items, const AppCtrl& app, bool loopCurrentShot);
