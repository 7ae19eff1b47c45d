// The log viewer on a large log, next to the fastest way the same kind of view
// can show the same text: all of it set in one call.
//
//   log_view_bench generate FILE LINES   writes a log of LINES lines
//   log_view_bench viewer FILE           the log viewer dialog loads FILE
//   log_view_bench onecall FILE          FILE read whole and set in one call
//
// Each measuring mode prints one line: first_ms whole_ms stall_ms peak_kb base_kb
// (time to the first lines shown, time to the whole file shown, the longest
// time the event loop did not turn, the peak resident memory and the resident
// memory before the log was touched).
#include "log_view_dialog.h"
#include "stall_meter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/resource.h>

namespace {

long PeakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long CurrentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
    }
    return 0;
}

int Generate(const char* path, long lines) {
    std::ofstream out(path, std::ios::binary);
    const char* addresses[] = {"http://www.example.org/", "http://shop.example.com/cart/view",
                               "https://status.example.net:8443/health"};
    char line[160];
    for (long i = 0; i < lines; ++i) {
        int n = std::snprintf(line, sizeof line,
                              "<12/09/2024 %02ld:%02ld:%02ld> %s answered 200 in %ld.%02ldms "
                              "#%ld\r\n",
                              (i / 3600) % 24, (i / 60) % 60, i % 60, addresses[i % 3],
                              100 + (i * 7919) % 9000, i % 100, i);
        out.write(line, n);
    }
    return out ? 0 : 1;
}

void Report(qint64 first, qint64 whole, qint64 stall, long base) {
    std::cout << first << ' ' << whole << ' ' << stall << ' ' << PeakKb() << ' ' << base << '\n';
}

int Viewer(const std::string& path) {
    qova::desktop::CLogViewDlg dialog(path);
    dialog.resize(900, 600);
    QCoreApplication::processEvents();
    const long base = CurrentKb();

    qova::bench::StallMeter stall(1);
    QElapsedTimer clock;
    qint64 first = -1;
    qint64 whole = -1;
    QObject::connect(dialog.Text()->document(), &QTextDocument::contentsChange,
                     [&](int, int, int added) {
                         if (first < 0 && added > 0) {
                             dialog.Text()->viewport()->repaint();
                             first = clock.elapsed();
                         }
                     });
    QObject::connect(&dialog, &qova::desktop::CLogViewDlg::LogShown, [&] {
        dialog.Text()->viewport()->repaint();
        whole = clock.elapsed();
        QCoreApplication::quit();
    });
    clock.start();
    stall.Start();
    dialog.show();
    QApplication::exec();
    Report(first, whole, stall.Longest(), base);
    return whole >= 0 ? 0 : 1;
}

int OneCall(const std::string& path) {
    QPlainTextEdit view;
    view.setReadOnly(true);
    view.setLineWrapMode(QPlainTextEdit::NoWrap);
    view.setUndoRedoEnabled(false);
    view.resize(900, 600);
    view.show();
    QCoreApplication::processEvents();
    const long base = CurrentKb();

    qova::bench::StallMeter stall(1);
    QElapsedTimer clock;
    qint64 whole = -1;
    QTimer::singleShot(0, [&] {
        clock.start();
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        view.setPlainText(QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
        view.viewport()->repaint();
        whole = clock.elapsed();
        stall.Tick(); // the call itself is the stall
        QTimer::singleShot(0, &QCoreApplication::quit);
    });
    stall.Start();
    QApplication::exec();
    Report(whole, whole, stall.Longest(), base);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "generate") {
        return Generate(argv[2], std::atol(argv[3]));
    }
    if (argc != 3) {
        std::cerr << "usage: log_view_bench generate FILE LINES | viewer FILE | onecall FILE\n";
        return 2;
    }
    QApplication app(argc, argv);
    std::string mode = argv[1];
    if (mode == "viewer") {
        return Viewer(argv[2]);
    }
    if (mode == "onecall") {
        return OneCall(argv[2]);
    }
    return 2;
}
