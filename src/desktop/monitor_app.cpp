#include "monitor_app.h"

#include "about_dialog.h"
#include "app/instance_marker.h"
#include "app/interval_text.h"
#include "app/paths.h"
#include "app/record_settings.h"
#include "app/settings_store.h"
#include "email_setup_dialog.h"
#include "engine/probe.h"
#include "engine_worker.h"
#include "help.h"
#include "ids.h"
#include "log_settings_dialog.h"
#include "log_view_dialog.h"
#include "mail/mailer.h"
#include "monitor_dlg.h"
#include "tell_friend_dialog.h"
#include "tray_icon.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

namespace qova::desktop {
namespace {

constexpr char kSettings[] = "Settings";

// Hands Tell a friend's mail to the engine's thread, so the window does not
// wait for the mail server. The send is silent either way, so "handed over"
// is all the dialog learns.
class EngineMailer : public Mailer {
  public:
    explicit EngineMailer(EngineWorker& worker) : worker_(worker) {}
    bool SendMail(const std::string& sender, const std::string& recipient,
                  const std::string& subject, const std::string& body) override {
        worker_.SendMailLater(sender, recipient, subject, body);
        return true;
    }

  private:
    EngineWorker& worker_;
};

} // namespace

CMonitorApp::CMonitorApp(Options options) : options_(std::move(options)) {}

CMonitorApp::~CMonitorApp() {
    Shutdown();
}

void CMonitorApp::Start() {
    store_ = std::make_unique<SettingsStore>(
        options_.storePath.empty() ? SettingsStore::DefaultPath() : options_.storePath);
    marker_ = std::make_unique<InstanceMarker>(*store_, options_.markerFolder.empty()
                                                            ? InstanceMarker::DefaultFolder(*store_)
                                                            : options_.markerFolder);
    helpFolder_ = ProgramFolder();

    window_ = std::make_unique<CMonitorDlg>(*store_, std::move(options_.tray));
    if (options_.trayCheck) {
        window_->SetTrayCheck(options_.trayCheck);
    }
    InstanceMarker* marker = marker_.get();
    window_->SetLeaveCount([marker] { marker->Leave(); });
    const QString lastUrl =
        QString::fromStdString(store_->GetProfileString(kSettings, "LastURL", ""));
    const int interval = store_->GetProfileInt(kSettings, "Interval", kDefaultInterval);
    window_->SetStartValues(lastUrl, interval);

    worker_ = std::make_unique<EngineWorker>(*store_, std::move(options_.probe),
                                             std::move(options_.mailer));
    worker_->Connect(*window_);
    LoadRecordSettings(dialogRecord_, *store_, DefaultLogFolder());
    WireDialogs();
    // Queued: the window is still inside the handler of the key or command
    // that ended it.
    connect(window_.get(), &CMonitorDlg::ended, this, &CMonitorApp::OnEnded, Qt::QueuedConnection);

    window_->Start(options_.startHidden);
    EngineStart start;
    start.addressText = lastUrl;
    start.interval = interval;
    start.numOpen = store_->GetProfileInt(kSettings, "NumOpen", 1);
    start.logFolder = DefaultLogFolder();
    worker_->Start(start);
}

int CMonitorApp::Run() {
    Start();
    QEventLoop loop;
    connect(this, &CMonitorApp::finished, &loop, &QEventLoop::quit);
    if (window_) {
        loop.exec();
    }
    return 0;
}

void CMonitorApp::OnEnded() {
    // A dialog of the window still open (Terminate from the tray while the
    // email setup is shown) is ended first, so the window is never destroyed
    // under a running dialog.
    if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        modal->reject();
        QTimer::singleShot(0, this, &CMonitorApp::OnEnded);
        return;
    }
    Shutdown();
    emit finished();
}

void CMonitorApp::EndAsExit() {
    if (window_) {
        window_->Exit();
    }
}

void CMonitorApp::Shutdown() {
    if (worker_) {
        worker_->Stop();
    }
    // The window stores its place and leaves the count as it goes; its tray
    // icon goes with it.
    window_.reset();
    worker_.reset();
}

void CMonitorApp::WireDialogs() {
    CMonitorDlg& w = *window_;
    InstallHelpKey();
    SetHelpContext(&w, ids::kMainDialog);
    w.SetCommandHandler(ids::kCmdEmailSettings, [this] { RunEmailSetup(); });
    w.SetCommandHandler(ids::kCmdLogSettings, [this] { RunLogSettings(); });
    w.SetCommandHandler(ids::kCmdAccessLog, [this] {
        CLogViewDlg::ViewLog(dialogRecord_.accessLogPath, window_.get());
    });
    w.SetCommandHandler(ids::kCmdErrorLog, [this] {
        CLogViewDlg::ViewLog(dialogRecord_.errorLogPath, window_.get());
    });
    w.SetCommandHandler(ids::kCmdTellFriend, [this] { RunTellFriend(); });
    w.SetCommandHandler(ids::kCmdAbout, [this] { CAboutDlg::Run(window_.get()); });
    w.SetCommandHandler(ids::kCmdOnTheWeb, [] { OpenProductPage(); });
    w.SetCommandHandler(ids::kCmdHelpContents, [] { ShowHelpForActiveWindow(); });
    connect(worker_.get(), &EngineWorker::setupPromptRequested, this, &CMonitorApp::RunEmailSetup);
}

void CMonitorApp::RunEmailSetup() {
    // The first poll's prompt can come while the user has the email setup
    // open from the menu (its modal loop still delivers the engine's
    // signals). A second dialog over the first would edit the same settings
    // twice, and the one closed last would win: bring the open one forward.
    if (emailSetup_) {
        emailSetup_->raise();
        emailSetup_->activateWindow();
        return;
    }
    CEmailSetupDlg dialog(dialogRecord_, *store_, window_.get());
    emailSetup_ = &dialog;
    if (dialog.exec() == QDialog::Accepted) {
        worker_->SettingsAccepted();
    }
}

void CMonitorApp::RunLogSettings() {
    CLogSettingsDlg dialog(dialogRecord_, *store_, window_.get());
    if (dialog.exec() == QDialog::Accepted) {
        worker_->SettingsAccepted();
    }
}

void CMonitorApp::RunTellFriend() {
    CTellFriendDlg dialog(dialogRecord_, *store_, window_.get());
    if (dialog.exec() == QDialog::Accepted) {
        EngineMailer mailer(*worker_);
        dialog.SendAndRemember(mailer);
    }
}

} // namespace qova::desktop
