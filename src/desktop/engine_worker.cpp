#include "engine_worker.h"

#include "app/address_history.h"
#include "app/clock.h"
#include "app/record_settings.h"
#include "app/settings_store.h"
#include "engine/monitor_record.h"
#include "engine/poll_cycle.h"
#include "engine/probe.h"
#include "load_chart.h"
#include "logs/log_writer.h"
#include "mail/smtp_mailer.h"
#include "monitor_dlg.h"
#include "net/deadline.h"
#include "stats/statistics_view.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace qova::desktop {

void ChartCall::ApplyTo(LoadChart& chart) const {
    switch (kind) {
    case AddSample:
        chart.AddSample(a, b);
        break;
    case SetMax:
        chart.SetMax(a);
        break;
    case SetLabel:
        chart.SetLabel(index, text.toStdString());
        break;
    case SetLabelWidth:
        chart.SetLabelWidth(index);
        break;
    case SetLabelCount:
        chart.SetLabelCount(index);
        break;
    case SetLabelsOnLeft:
        chart.SetLabelsOnLeft(index);
        break;
    case SetLeftToRight:
        chart.SetLeftToRight(index);
        break;
    case ClearSamples:
        chart.ClearSamples();
        break;
    case Redraw:
        chart.Redraw();
        break;
    }
}

// The engine's side of the thread. It stands in for every part of the window
// the poll cycle talks to, and turns each call into a signal of the worker,
// which Qt queues to the window's thread in the order of the calls.
class Engine : public QObject,
               public AddressSource,
               public AddressListView,
               public LoadChart,
               public PollTray,
               public WindowTitle,
               public StatisticsView,
               public PollScheduler,
               public SetupPrompt {
  public:
    // Without a mailer, the SMTP client on the record's settings.
    Engine(EngineWorker& front, SettingsStore& store, SiteProbe& probe, Mailer* mailer,
           const net::CancelSignal& cancel)
        : front_(front), store_(store), probe_(probe), mailer_(mailer), cancel_(cancel),
          log_(record_, clock_) {
        if (!mailer_) {
            ownMailer_ = std::make_unique<SmtpMailer>([this] { return SmtpSettingsOf(record_); },
                                                      SmtpLimits{}, &cancel_);
            mailer_ = ownMailer_.get();
        }
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::CoarseTimer);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            if (cycle_) {
                cycle_->PollSite();
                emit front_.polled();
            }
        });
    }

    void Begin(const EngineStart& start) {
        LoadRecordSettings(record_, store_, start.logFolder);
        record_.addressText = start.addressText.toStdString();
        record_.interval = start.interval;
        addressText_ = record_.addressText;

        PollSurroundings around{*this, *this,  *this,  *this,    *this, *this, *this,
                                *this, clock_, probe_, *mailer_, log_,  store_};
        PollOptions options;
        options.cancel = &cancel_;
        cycle_ = std::make_unique<PollCycle>(record_, around, options);

        AddressHistory& history = cycle_->history();
        history.Load(store_);
        if (auto entry = history.StartSelection(start.numOpen)) {
            SelectEntry(*entry);
            addressText_ = history.BoxList().at(static_cast<size_t>(*entry));
        }
        cycle_->statistics().StartUp(addressText_);
        cycle_->Start();
    }

    void Finish(QThread* home) {
        timer_.stop();
        if (cycle_) {
            cycle_->history().Store(store_);
            cycle_.reset();
        }
        // Handed back so that the window's thread may delete it once this
        // thread has ended; the thread ends after this message, not before.
        moveToThread(home);
        QThread::currentThread()->quit();
    }

    PollCycle* Cycle() { return cycle_.get(); }
    void SetAddressText(std::string text) { addressText_ = std::move(text); }

    void ReloadSettings() {
        // The dialogs write what they change to the store; only the mail and
        // log settings are taken over, the run-time state stays.
        MonitorRecord fresh;
        LoadRecordSettings(fresh, store_, logFolder_);
        record_.smtpServer = fresh.smtpServer;
        record_.smtpName = fresh.smtpName;
        record_.returnAddress = fresh.returnAddress;
        record_.alertRecipient = fresh.alertRecipient;
        record_.recoveryRecipient = fresh.recoveryRecipient;
        record_.smtpUsername = fresh.smtpUsername;
        record_.smtpPassword = fresh.smtpPassword;
        record_.smtpAuth = fresh.smtpAuth;
        record_.slowThreshold = fresh.slowThreshold;
        record_.doAccessLog = fresh.doAccessLog;
        record_.doErrorLog = fresh.doErrorLog;
        record_.accessLogPath = fresh.accessLogPath;
        record_.errorLogPath = fresh.errorLogPath;
    }
    void SetLogFolder(std::string folder) { logFolder_ = std::move(folder); }

    void SendMail(const std::string& sender, const std::string& recipient,
                  const std::string& subject, const std::string& body) {
        mailer_->SendMail(sender, recipient, subject, body);
    }

    const MonitorRecord& Record() const { return record_; }

    // AddressSource
    std::string AddressText() override { return addressText_; }
    // AddressListView
    void AppendEntry(const std::string& text) override {
        emit front_.addressAppended(QString::fromStdString(text));
    }
    void RemoveEntry(int index) override { emit front_.addressRemoved(index); }
    void SelectEntry(int index) override { emit front_.addressSelected(index); }
    // LoadChart
    void AddSample(double value, double errorFlag) override {
        Chart({ChartCall::AddSample, value, errorFlag, 0, {}});
    }
    void SetMax(double maximum) override { Chart({ChartCall::SetMax, maximum, 0, 0, {}}); }
    void SetLabel(int index, const std::string& text) override {
        Chart({ChartCall::SetLabel, 0, 0, index, QString::fromStdString(text)});
    }
    void SetLabelWidth(int pixels) override { Chart({ChartCall::SetLabelWidth, 0, 0, pixels, {}}); }
    void SetLabelCount(int count) override { Chart({ChartCall::SetLabelCount, 0, 0, count, {}}); }
    void SetLabelsOnLeft(int flag) override { Chart({ChartCall::SetLabelsOnLeft, 0, 0, flag, {}}); }
    void SetLeftToRight(int flag) override { Chart({ChartCall::SetLeftToRight, 0, 0, flag, {}}); }
    void ClearSamples() override { Chart({ChartCall::ClearSamples, 0, 0, 0, {}}); }
    void Redraw() override { Chart({ChartCall::Redraw, 0, 0, 0, {}}); }
    // PollTray
    void ChangeIconAndTip(int icon, const std::string& tip) override {
        emit front_.trayChanged(icon, QString::fromStdString(tip));
    }
    // WindowTitle
    void SetTitle(const std::string& title) override {
        emit front_.titleChanged(QString::fromStdString(title));
    }
    // StatisticsView
    void SetStatisticText(int controlId, const std::string& text) override {
        emit front_.statisticTextChanged(controlId, QString::fromStdString(text));
    }
    // PollScheduler
    void Arm(std::chrono::milliseconds delay) override {
        timer_.start(static_cast<int>(delay.count()));
    }
    void Stop() override { timer_.stop(); }
    // SetupPrompt
    void OpenEmailSetup() override { emit front_.setupPromptRequested(); }

  private:
    void Chart(const ChartCall& call) { emit front_.chartCalled(call); }

    EngineWorker& front_;
    SettingsStore& store_;
    SiteProbe& probe_;
    Mailer* mailer_;
    std::unique_ptr<Mailer> ownMailer_;
    const net::CancelSignal& cancel_;
    MonitorRecord record_;
    SystemClock clock_;
    LogWriter log_;
    QTimer timer_{this};
    std::unique_ptr<PollCycle> cycle_;
    std::string addressText_;
    std::string logFolder_;
};

EngineWorker::EngineWorker(SettingsStore& store, std::unique_ptr<SiteProbe> probe,
                           std::unique_ptr<Mailer> mailer, QObject* parent)
    : QObject(parent), store_(store), probe_(std::move(probe)), mailer_(std::move(mailer)),
      cancel_(std::make_unique<net::CancelSignal>()) {
    qRegisterMetaType<ChartCall>();
    if (!probe_) {
        probe_ = std::make_unique<HttpSiteProbe>();
    }
}

EngineWorker::~EngineWorker() {
    Stop();
}

void EngineWorker::Connect(CMonitorDlg& window) {
    window.SetEngine(this);
    connect(this, &EngineWorker::chartCalled, &window,
            [&window](const ChartCall& call) { call.ApplyTo(*window.Chart()); });
    connect(this, &EngineWorker::statisticTextChanged, &window, &CMonitorDlg::ShowStatisticText);
    connect(this, &EngineWorker::trayChanged, &window, &CMonitorDlg::ShowTray);
    connect(this, &EngineWorker::titleChanged, &window, &CMonitorDlg::ShowTitle);
    connect(this, &EngineWorker::addressAppended, &window, &CMonitorDlg::AppendAddress);
    connect(this, &EngineWorker::addressRemoved, &window, &CMonitorDlg::RemoveAddress);
    connect(this, &EngineWorker::addressSelected, &window, &CMonitorDlg::SelectAddress);
}

void EngineWorker::Start(const EngineStart& start) {
    if (thread_) {
        return;
    }
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("engine"));
    engine_ = new Engine(*this, store_, *probe_, mailer_.get(), *cancel_);
    engine_->SetLogFolder(start.logFolder);
    engine_->moveToThread(thread_);
    thread_->start();
    Post([start](Engine& engine) { engine.Begin(start); });
}

void EngineWorker::Stop() {
    if (!thread_) {
        return;
    }
    // A probe or a mail waiting on a server ends at once; the poll it belongs
    // to is abandoned without logging or mailing anything.
    cancel_->Raise();
    QThread* home = thread();
    Post([home](Engine& engine) { engine.Finish(home); });
    thread_->wait();
    delete engine_;
    engine_ = nullptr;
    delete thread_;
    thread_ = nullptr;
}

void EngineWorker::Post(std::function<void(Engine&)> message) {
    if (!engine_) {
        return;
    }
    Engine* engine = engine_;
    QMetaObject::invokeMethod(
        engine, [engine, message = std::move(message)] { message(*engine); }, Qt::QueuedConnection);
}

void EngineWorker::PollNow() {
    Post([](Engine& engine) {
        if (PollCycle* cycle = engine.Cycle()) {
            cycle->PollNow();
        }
    });
}

void EngineWorker::AddressTextChanged(const QString& text) {
    Post([text = text.toStdString()](Engine& engine) { engine.SetAddressText(text); });
}

void EngineWorker::IntervalChanged(int minutes) {
    Post([minutes](Engine& engine) {
        if (PollCycle* cycle = engine.Cycle()) {
            cycle->IntervalChanged(minutes);
        }
    });
}

void EngineWorker::SettingsAccepted() {
    Post([](Engine& engine) { engine.ReloadSettings(); });
}

void EngineWorker::ResetStatistics() {
    Post([](Engine& engine) {
        if (PollCycle* cycle = engine.Cycle()) {
            cycle->statistics().ResetStatistics(engine.AddressText());
        }
    });
}

void EngineWorker::SendMailLater(const std::string& sender, const std::string& recipient,
                                 const std::string& subject, const std::string& body) {
    Post([=](Engine& engine) { engine.SendMail(sender, recipient, subject, body); });
}

} // namespace qova::desktop
