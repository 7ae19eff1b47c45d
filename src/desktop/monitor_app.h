#pragma once

#include "engine/monitor_record.h"
#include "engine/probe.h"
#include "mail/mailer.h"
#include "tray_icon.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

namespace qova {
class InstanceMarker;
class SettingsStore;
} // namespace qova

namespace qova::desktop {

class CEmailSetupDlg;
class CMonitorDlg;
class EngineWorker;

// The program: selects the store, counts itself among the running instances,
// opens the main window with "LastURL" and "Interval", starts the engine, and
// when the window ends (Exit, Escape, Terminate, SIGTERM, SIGINT, SIGHUP)
// stops the engine and closes the window, which stores its place, the history
// and the lowered count.
class CMonitorApp : public QObject {
    Q_OBJECT

  public:
    struct Options {
        std::string storePath;    // empty: the per-user store
        std::string markerFolder; // empty: the runtime folder
        bool startHidden = false; // --hidden
        // Stand-ins for tests; null gives the real ones.
        std::unique_ptr<SiteProbe> probe;
        std::unique_ptr<Mailer> mailer;
        std::unique_ptr<CTrayIcon> tray;
        std::function<bool()> trayCheck;
    };

    explicit CMonitorApp(Options options);
    ~CMonitorApp() override;

    // The start-up sequence up to the window shown and the engine running.
    void Start();
    // Start, then the program's life until the window ends; 0.
    int Run();
    // Stops the engine and destroys the window; the tray icon goes with it.
    void Shutdown();
    // Ends the program as the Exit command does (dialogs still open are
    // ended first); nothing once the window is gone.
    void EndAsExit();

    SettingsStore& Store() { return *store_; }
    CMonitorDlg* Window() { return window_.get(); }
    EngineWorker* Worker() { return worker_.get(); }

  signals:
    void finished();

  private:
    void OnEnded();
    void WireDialogs();
    void RunEmailSetup();
    void RunLogSettings();
    void RunTellFriend();

    Options options_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<InstanceMarker> marker_;
    std::unique_ptr<EngineWorker> worker_;
    std::unique_ptr<CMonitorDlg> window_;
    // The settings the dialogs edit; the engine keeps its own copy and
    // re-reads the store when a dialog is accepted.
    MonitorRecord dialogRecord_;
    std::string helpFolder_;
    // The email setup while it is open: the menu and the first poll's prompt
    // share one.
    QPointer<CEmailSetupDlg> emailSetup_;
};

} // namespace qova::desktop
