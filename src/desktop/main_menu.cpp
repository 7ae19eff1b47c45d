#include "main_menu.h"

#include "ids.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace qova::desktop {
namespace {

QAction* AddItem(MainMenu& menu, QMenu* popup, const QString& text, int command) {
    QAction* action = popup->addAction(text);
    action->setData(command);
    menu.items.insert(command, action);
    return action;
}

} // namespace

MainMenu BuildMainMenu(QWidget* parent) {
    MainMenu menu;
    menu.bar = new QMenuBar(parent);

    QMenu* monitor = menu.bar->addMenu(QStringLiteral("Monitor"));
    AddItem(menu, monitor, QStringLiteral("Show Details"), ids::kCmdShowDetails)
        ->setCheckable(true);
    monitor->addSeparator();
    AddItem(menu, monitor, QStringLiteral("&Hide"), ids::kCmdHide);
    AddItem(menu, monitor, QStringLiteral("&Always on Top"), ids::kCmdAlwaysOnTop)
        ->setCheckable(true);
    monitor->addSeparator();
    // The text after the tab is the shortcut column; Escape itself reaches the
    // window as its cancel key, so the item carries no shortcut of its own.
    AddItem(menu, monitor, QStringLiteral("E&xit\tESC"), ids::kCmdExit);

    QMenu* view = menu.bar->addMenu(QStringLiteral("View"));
    AddItem(menu, view, QStringLiteral("Access log"), ids::kCmdAccessLog);
    AddItem(menu, view, QStringLiteral("Error log"), ids::kCmdErrorLog);

    QMenu* setup = menu.bar->addMenu(QStringLiteral("Setup"));
    AddItem(menu, setup, QStringLiteral("Email settings"), ids::kCmdEmailSettings);
    AddItem(menu, setup, QStringLiteral("Log settings"), ids::kCmdLogSettings);
    setup->addSeparator();
    AddItem(menu, setup, QStringLiteral("Reset Statistics"), ids::kCmdResetStatistics);

    QMenu* help = menu.bar->addMenu(QStringLiteral("Help"));
    AddItem(menu, help, QStringLiteral("Contents"), ids::kCmdHelpContents);
    help->addSeparator();
    AddItem(menu, help, QStringLiteral("On the web..."), ids::kCmdOnTheWeb);
    help->addSeparator();
    AddItem(menu, help, QStringLiteral("Tell a friend..."), ids::kCmdTellFriend);
    help->addSeparator();
    AddItem(menu, help, QStringLiteral("&About"), ids::kCmdAbout);
    return menu;
}

} // namespace qova::desktop
