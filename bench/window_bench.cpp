// Benchmarks of the desktop window.
//
//   window_bench responsiveness [SECONDS]
//     The longest stall of the window's event loop while a probe waits on a
//     server that accepts and never answers: QOVA's window (engine on its own
//     thread) next to the same probe run on the window's thread.
//   window_bench bare
//     The reference of the start-up benchmark: a bare dialog of the same
//     toolkit, shown and kept open until killed.
#include "app/settings_store.h"
#include "engine/probe.h"
#include "mail/mailer.h"
#include "monitor_app.h"
#include "monitor_dlg.h"
#include "stall_meter.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

using namespace qova;
using namespace std::chrono;

namespace {

class NoMail : public Mailer {
  public:
    bool SendMail(const std::string&, const std::string&, const std::string&,
                  const std::string&) override {
        return true;
    }
};

void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

int Responsiveness(int seconds) {
    test::ScriptedServer silent({test::Step::Stall()});
    const std::string address = "http://127.0.0.1:" + std::to_string(silent.Port()) + "/";

    // QOVA: the window with its engine; the first poll goes to the silent server.
    qint64 qovaStall = 0;
    qint64 exitMs = 0;
    {
        test::TempDir dir;
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.File("data")));
        {
            SettingsStore store(dir.File("settings.db"));
            store.WriteProfileString("Settings", "LastURL", address);
            store.WriteProfileString("Settings", "SMTP", "mail.example");
        }
        desktop::CMonitorApp::Options options;
        options.storePath = dir.File("settings.db");
        options.markerFolder = dir.Path();
        options.mailer = std::make_unique<NoMail>();
        desktop::CMonitorApp app(std::move(options));
        app.Start();
        for (int i = 0; i < 200 && silent.Connections() < 1; ++i) {
            RunFor(10);
        }
        qova::bench::StallMeter meter(5);
        meter.Start();
        RunFor(seconds * 1000);
        meter.Tick();
        qovaStall = meter.Longest();
        QElapsedTimer exitClock;
        exitClock.start();
        app.Shutdown();
        exitMs = exitClock.elapsed();
    }

    // Reference: the same probe on the window's own thread.
    qint64 referenceStall = 0;
    {
        QDialog window;
        window.show();
        qova::bench::StallMeter meter(5);
        meter.Start();
        QTimer::singleShot(0, &window, [&] {
            ProbeOptions limits;
            limits.totalLimit = milliseconds(seconds * 1000);
            std::string status;
            ProbeSite(address, status, limits);
        });
        RunFor(seconds * 1000 + 500);
        meter.Tick();
        referenceStall = meter.Longest();
    }
    silent.Stop();

    std::printf("longest event-loop stall while a probe waits %d s on a silent server:\n", seconds);
    std::printf("  qova (engine thread)        %6lld ms   (goal < 50 ms)\n",
                static_cast<long long>(qovaStall));
    std::printf("  reference (probe on window) %6lld ms\n", static_cast<long long>(referenceStall));
    std::printf("exit while the probe waits:   %6lld ms\n", static_cast<long long>(exitMs));
    return 0;
}

int Bare() {
    QDialog window;
    window.setWindowTitle(QStringLiteral("bare dialog"));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("bare dialog"), &window));
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc >= 2 && std::strcmp(argv[1], "responsiveness") == 0) {
        return Responsiveness(argc >= 3 ? std::atoi(argv[2]) : 20);
    }
    if (argc >= 2 && std::strcmp(argv[1], "bare") == 0) {
        return Bare();
    }
    std::fprintf(stderr, "usage: window_bench responsiveness [SECONDS] | bare\n");
    return 2;
}
