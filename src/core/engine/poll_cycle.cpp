#include "engine/poll_cycle.h"

#include "app/clock.h"
#include "app/settings_store.h"
#include "app/text.h"
#include "app/time_text.h"
#include "engine/probe.h"
#include "logs/log_sink.h"
#include "net/deadline.h"
#include "stats/format_number.h"
#include "stats/load_chart.h"

#include <algorithm>
#include <strings.h>

namespace qova {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kProgressPause{100};
constexpr milliseconds kAfterPollAllowance{1000};
constexpr const char* kTipPrefix = "QOVA - Sentrovale\n";

} // namespace

std::string OneLineText(const std::string& text) {
    return ReplaceControlCharacters(text, '?');
}

PollCycle::PollCycle(MonitorRecord& record, const PollSurroundings& surroundings,
                     PollOptions options)
    : record_(record), s_(surroundings), options_(options),
      statistics_(record, surroundings.store, surroundings.chart, surroundings.statisticsView,
                  surroundings.clock),
      history_(record, surroundings.addressList),
      notices_(record, surroundings.store, surroundings.mailer, surroundings.clock) {}

milliseconds PollCycle::FullInterval() const {
    if (options_.intervalOverride) {
        return *options_.intervalOverride;
    }
    int minutes = std::clamp(record_.interval, kMinIntervalMinutes, kMaxIntervalMinutes);
    return milliseconds(static_cast<long long>(minutes) * 60000);
}

milliseconds PollCycle::AfterPoll() const {
    if (options_.intervalOverride) {
        return *options_.intervalOverride;
    }
    return FullInterval() - kAfterPollAllowance;
}

void PollCycle::Start() {
    PollNow();
}

void PollCycle::PollNow() {
    s_.scheduler.Stop();
    s_.scheduler.Arm(kImmediate);
}

void PollCycle::IntervalChanged(int minutes) {
    s_.store.WriteProfileInt("Settings", "Interval", minutes);
    record_.interval = minutes;
    s_.scheduler.Stop();
    s_.scheduler.Arm(FullInterval());
}

bool PollCycle::Cancelled() const {
    return options_.cancel && options_.cancel->Raised();
}

void PollCycle::PollSite() {
    s_.scheduler.Stop();
    report_ = PollReport{};
    if (Cancelled()) {
        return;
    }

    if (record_.setupPromptPending && record_.addressHistory.empty() &&
        record_.smtpServer.empty()) {
        // A fresh installation asks for its mail settings first; polling waits
        // until a trigger arms the timer again.
        record_.setupPromptPending = false;
        s_.setupPrompt.OpenEmailSetup();
        return;
    }

    const std::string address = TrimAddress(s_.address.AddressText());
    if (address.empty()) {
        s_.scheduler.Arm(FullInterval());
        return;
    }
    if (address != record_.currentAddress) {
        record_.currentAddress = address;
        statistics_.LoadAddressStatistics(address);
    }
    report_.address = address;

    history_.UpdateAddressHistory(address);
    std::string status;
    ProbeOptions probeOptions = ProbeOptions::ForSlowThreshold(record_.slowThreshold);
    probeOptions.cancel = options_.cancel;
    const double t = s_.probe.Probe(address, status, probeOptions);
    if (Cancelled()) {
        // Ended by the user, not by the site: nothing was measured.
        return;
    }
    report_.probed = true;
    report_.loadTime = t;
    report_.status = status;

    const std::string shown = OneLineText(address);
    if (t >= 0) {
        statistics_.RecordSample(t, address);
        ShowProbeProgress(OneLineText(WithoutScheme(address)));
    }

    s_.chart.AddSample(t > 0 ? t : 0.0, status != "200" ? 1.0 : 0.0);
    const std::string timeText = TimeText(s_.clock.Now());
    report_.timeText = timeText;

    if (t < 0) {
        Log("Site unreachable: " + shown, record_.errorLogPath);
        Attention("QOVA - (site unreachable)\n" + shown);
        Notice(notices_.UnreachableAlert(address, timeText));
    } else {
        const std::string loadText = FormatNumber(t) + "ms";
        if (t > record_.slowThreshold) {
            const std::string entry = "WARNING " + shown + " " + loadText;
            Log(entry, record_.accessLogPath);
            Log(entry, record_.errorLogPath);
            Notice(notices_.SlowWarning(address, t, timeText));
        } else {
            Log("SUCCESS " + shown + " " + loadText, record_.accessLogPath);
        }
        if (status != "200") {
            const std::string code = OneLineText(status);
            Log("Unexpected response " + code + " " + shown, record_.errorLogPath);
            Attention("QOVA - (Unexpected response " + code + ")\n" + shown);
            Notice(notices_.UnexpectedAlert(address, status, timeText));
        } else {
            Notice(notices_.Recovery(address, timeText));
        }
    }

    statistics_.UpdateStatistics(t, address);
    s_.scheduler.Arm(AfterPoll());
}

void PollCycle::ShowProbeProgress(const std::string& address) {
    const std::string tip = kTipPrefix + address;
    if (options_.showProgress) {
        for (int icon = PollTray::kIconProgressFirst; icon <= PollTray::kIconProgressLast; ++icon) {
            s_.tray.ChangeIconAndTip(icon, tip);
            s_.clock.Sleep(kProgressPause);
        }
    }
    s_.tray.ChangeIconAndTip(PollTray::kIconNormal, tip);
    s_.title.SetTitle("QOVA - " + address);
}

void PollCycle::Log(const std::string& entry, const std::string& path) {
    s_.log.WriteLog(entry, path);
    report_.logEntries.emplace_back(entry, path);
}

void PollCycle::Attention(const std::string& tip) {
    s_.tray.ChangeIconAndTip(PollTray::kIconAttention, tip);
}

void PollCycle::Notice(const std::optional<NoticeAttempt>& attempt) {
    if (attempt) {
        report_.notices.push_back(*attempt);
    }
}

} // namespace qova
