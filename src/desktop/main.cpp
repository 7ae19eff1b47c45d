#include "display_check.h"
#include "monitor_app.h"
#include "quit_signals.h"

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // A server that closes the connection, or a log on a full quota, must end
    // a write with an error, not the program.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    // Logout, `kill` and Ctrl-C end the program as Exit does, storing what
    // Exit stores; a signal that comes before the window is up waits for it.
    qova::desktop::QuitSignals::Install();

    if (!qova::desktop::DisplayAvailable()) {
        std::fprintf(stderr, "%s\n", qova::desktop::NoDisplayMessage().c_str());
        return 1;
    }

    qova::desktop::CMonitorApp::Options options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--hidden") == 0) {
            options.startHidden = true;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QOVA"));
    QApplication::setOrganizationName(QStringLiteral("Halvorind"));
    // The window hides to the tray; only Exit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    qova::desktop::CMonitorApp monitor(std::move(options));
    qova::desktop::QuitSignals quitSignals;
    QObject::connect(&quitSignals, &qova::desktop::QuitSignals::quitRequested, &monitor,
                     &qova::desktop::CMonitorApp::EndAsExit);
    return monitor.Run();
}
