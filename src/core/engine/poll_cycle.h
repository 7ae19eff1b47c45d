#pragma once

#include "app/address_history.h"
#include "engine/monitor_record.h"
#include "engine/notice_rules.h"
#include "engine/poll_surroundings.h"
#include "stats/statistics.h"

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qova {

class Clock;
class LoadChart;
class LogSink;
class Mailer;
class SettingsStore;
class SiteProbe;
class StatisticsView;
namespace net {
class CancelSignal;
}

// Everything a poll talks to.
struct PollSurroundings {
    AddressSource& address;
    AddressListView& addressList;
    LoadChart& chart;
    PollTray& tray;
    WindowTitle& title;
    StatisticsView& statisticsView;
    PollScheduler& scheduler;
    SetupPrompt& setupPrompt;
    Clock& clock;
    SiteProbe& probe;
    Mailer& mailer;
    LogSink& log;
    SettingsStore& store;
};

struct PollOptions {
    // The walking tray icons and their 700 ms of pauses; a terminal has no tray.
    bool showProgress = true;
    // Raised to end a poll at once (Exit, Ctrl-C): the probe stops waiting and
    // the poll is abandoned without logging, mailing or counting anything.
    const net::CancelSignal* cancel = nullptr;
    // Replaces the interval in minutes, for watching a site closely from a
    // terminal: then every delay after a poll is this span in full.
    std::optional<std::chrono::milliseconds> intervalOverride;
};

// What one poll did, for a caller that reports it (the terminal prints it).
struct PollReport {
    bool probed = false;
    std::string address;
    double loadTime = kNoLoadTime;
    std::string status;
    std::string timeText;
    std::vector<std::pair<std::string, std::string>> logEntries; // entry, log path
    std::vector<NoticeAttempt> notices;
};

// The poll cycle: one poll from the timer to the timer armed again, in a fixed
// order whose effects the surroundings see in that order: history, probe,
// sample, progress and title, chart, logs, tray attention state, notices,
// statistics, timer.
class PollCycle {
  public:
    static constexpr std::chrono::milliseconds kImmediate{100};
    // The poll timer holds a signed 32-bit count of milliseconds.
    static constexpr int kMinIntervalMinutes = 1;
    static constexpr int kMaxIntervalMinutes = 35791;

    PollCycle(MonitorRecord& record, const PollSurroundings& surroundings,
              PollOptions options = {});

    // The poll timer fired.
    void PollSite();

    // Triggers that arm the poll timer, each stopping it first.
    void Start();   // the window has finished starting: 100 ms
    void PollNow(); // Poll Now, Enter, a pick from the address list, the setup's end: 100 ms
    // The interval arrows: stores "Interval", then a full interval.
    void IntervalChanged(int minutes);

    // The delays the timer is armed with. The stored interval is kept as read,
    // but the timer gets at least one minute and at most 35791.
    std::chrono::milliseconds FullInterval() const;
    std::chrono::milliseconds AfterPoll() const;

    Statistics& statistics() { return statistics_; }
    AddressHistory& history() { return history_; }
    const PollReport& LastPoll() const { return report_; }

  private:
    bool Cancelled() const;
    void ShowProbeProgress(const std::string& address);
    void Log(const std::string& entry, const std::string& path);
    void Attention(const std::string& tip);
    void Notice(const std::optional<NoticeAttempt>& attempt);

    MonitorRecord& record_;
    PollSurroundings s_;
    PollOptions options_;
    Statistics statistics_;
    AddressHistory history_;
    NoticeRules notices_;
    PollReport report_;
};

// A text as it may appear inside one line of a log or a tip: every control
// character becomes "?", so an address or a status cannot split a line.
std::string OneLineText(const std::string& text);

} // namespace qova
