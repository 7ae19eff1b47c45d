#include "quit_signals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace qova::desktop {
namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe's ends; set once by Install, before any handler can run.
int readEnd = -1;
int writeEnd = -1;
// Which signals got our handler (by number; all are below 32).
bool handled[32] = {};

extern "C" void OnQuitSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // Non-blocking: with the pipe full, a request is waiting already.
    [[maybe_unused]] ssize_t written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

bool QuitSignals::Install() {
    if (readEnd >= 0) {
        return true;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    readEnd = ends[0];
    writeEnd = ends[1];
    for (int number : kQuitSignals) {
        struct sigaction current {};
        if (::sigaction(number, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction quit {};
        quit.sa_handler = OnQuitSignal;
        quit.sa_flags = SA_RESTART;
        sigemptyset(&quit.sa_mask);
        handled[number] = ::sigaction(number, &quit, nullptr) == 0;
    }
    return true;
}

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
    if (readEnd < 0) {
        return;
    }
    notifier_ = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::Drain);
}

QuitSignals::~QuitSignals() = default;

void QuitSignals::Drain() {
    unsigned char bytes[16];
    int first = 0;
    for (;;) {
        const ssize_t n = ::read(readEnd, bytes, sizeof bytes);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        first = first != 0 ? first : bytes[0];
    }
    if (first == 0 || requested_) {
        return;
    }
    requested_ = true;
    // From here on the signals have their default effect again: should the
    // orderly end hang, a second Ctrl-C or `kill` still ends the program.
    for (int number : kQuitSignals) {
        if (handled[number]) {
            std::signal(number, SIG_DFL);
        }
    }
    emit quitRequested(first);
}

} // namespace qova::desktop
