#pragma once

#include "engine_control.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QThread;

namespace qova {
namespace net {
class CancelSignal;
}
class Mailer;
class SettingsStore;
class SiteProbe;
class LoadChart;
} // namespace qova

namespace qova::desktop {

class CMonitorDlg;
class Engine;

// One call the statistics made on the chart, carried from the engine's thread
// to the chart widget.
struct ChartCall {
    enum Kind {
        AddSample,
        SetMax,
        SetLabel,
        SetLabelWidth,
        SetLabelCount,
        SetLabelsOnLeft,
        SetLeftToRight,
        ClearSamples,
        Redraw
    };
    Kind kind = Redraw;
    double a = 0.0;
    double b = 0.0;
    int index = 0;
    QString text;

    void ApplyTo(LoadChart& chart) const;
};

// What the engine starts with.
struct EngineStart {
    QString addressText; // "LastURL"
    int interval = 15;   // "Interval"
    int numOpen = 1;     // this instance's place among those running
    std::string logFolder;
};

// The monitoring engine on a thread of its own. It owns every piece of
// run-time state (record, samples, history, alert state, the poll timer);
// the window only sends it messages and shows the effects it signals, so the
// window keeps painting and answering while a probe or a mail waits on a slow
// server. The effects of one poll reach the window in the order they happen.
class EngineWorker : public QObject, public EngineControl {
    Q_OBJECT

  public:
    // `probe` and `mailer` stand in for the network in tests; null gives the
    // real probe and the SMTP client on the record's settings.
    EngineWorker(SettingsStore& store, std::unique_ptr<SiteProbe> probe = nullptr,
                 std::unique_ptr<Mailer> mailer = nullptr, QObject* parent = nullptr);
    // Stops the engine when that has not happened yet.
    ~EngineWorker() override;

    // Shows the engine's effects in `window` and sends it the window's messages.
    void Connect(CMonitorDlg& window);
    // Starts the thread: fills the address list, loads the statistics of the
    // address shown and arms the first poll 100 ms ahead.
    void Start(const EngineStart& start);
    // Ends a waiting probe or mail at once, stores the address history and
    // joins the thread. Safe to call twice.
    void Stop();

    // EngineControl
    void PollNow() override;
    void AddressTextChanged(const QString& text) override;
    void IntervalChanged(int minutes) override;
    void SettingsAccepted() override;
    void ResetStatistics() override;

    // Sends one mail on the engine's thread with the current mail settings,
    // so the window never waits for the mail server.
    void SendMailLater(const std::string& sender, const std::string& recipient,
                       const std::string& subject, const std::string& body);

    bool Running() const { return thread_ != nullptr; }

  signals:
    // Effects, delivered on the window's thread.
    void chartCalled(const qova::desktop::ChartCall& call);
    void statisticTextChanged(int controlId, const QString& text);
    void trayChanged(int iconId, const QString& tip);
    void titleChanged(const QString& title);
    void addressAppended(const QString& text);
    void addressRemoved(int index);
    void addressSelected(int index);
    void setupPromptRequested();
    // A poll has ended (with or without a probe).
    void polled();

  private:
    void Post(std::function<void(Engine&)> message);

    SettingsStore& store_;
    std::unique_ptr<SiteProbe> probe_;
    std::unique_ptr<Mailer> mailer_;
    std::unique_ptr<net::CancelSignal> cancel_;
    QThread* thread_ = nullptr;
    Engine* engine_ = nullptr;
};

} // namespace qova::desktop

Q_DECLARE_METATYPE(qova::desktop::ChartCall)
