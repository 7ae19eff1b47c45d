#include "display_check.h"
#include "monitor_app.h"

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // A server that closes the connection, or a log on a full quota, must end
    // a write with an error, not the program.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);

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
    return monitor.Run();
}
