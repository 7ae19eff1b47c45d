#pragma once

#include <QObject>

class QSocketNotifier;

namespace qova::desktop {

// Brings the signals that ask the program to end (SIGTERM at logout or from
// `kill`, SIGINT from Ctrl-C, SIGHUP when the terminal that started it
// closes) into the event loop, so the program can end as Exit does instead of
// dying with its place, history and count unstored.
//
// The handler only writes the signal's number into a pipe, which is all a
// signal handler may safely do; the read end wakes the event loop.
class QuitSignals : public QObject {
    Q_OBJECT

  public:
    // Installs the handlers, once, before anything else starts. A signal the
    // program was started with ignored (`nohup`, a background job) stays
    // ignored. False when the pipe could not be made; the signals then keep
    // their defaults.
    static bool Install();

    // Listens on the pipe; without Install it never hears anything.
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

  signals:
    // The first such signal; a second one ends the program at once, in case
    // the orderly end hangs.
    void quitRequested(int signalNumber);

  private:
    void Drain();

    QSocketNotifier* notifier_ = nullptr;
    bool requested_ = false;
};

} // namespace qova::desktop
