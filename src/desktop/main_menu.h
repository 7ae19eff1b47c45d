#pragma once

#include <QHash>

class QAction;
class QMenuBar;
class QWidget;

namespace qova::desktop {

// Menu 129, the main window's menu bar, with each item's command number
// (ids.h) as its data and as its key in `items`.
struct MainMenu {
    QMenuBar* bar = nullptr;
    QHash<int, QAction*> items;

    QAction* Item(int command) const { return items.value(command, nullptr); }
};

MainMenu BuildMainMenu(QWidget* parent);

} // namespace qova::desktop
