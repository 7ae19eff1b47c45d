#include "commands.h"

#include "app/address_history.h"
#include "app/clock.h"
#include "app/instance_marker.h"
#include "app/paths.h"
#include "app/record_settings.h"
#include "app/settings_store.h"
#include "app/time_text.h"
#include "engine/poll_cycle.h"
#include "engine/probe.h"
#include "logs/log_writer.h"
#include "mail/smtp_mailer.h"
#include "net/deadline.h"
#include "stats/load_chart.h"
#include "stats/statistics_view.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <optional>
#include <poll.h>
#include <string>

namespace qova::cli {
namespace {

using std::chrono::milliseconds;
using Steady = std::chrono::steady_clock;

constexpr const char* kUsage =
    "usage: qova-cli monitor [URL] [--interval N[s|m]] [--count N]\n"
    "\n"
    "Polls a web address until stopped, with the store, address history, logs and\n"
    "mail settings of the desktop program: every poll probes the address, writes\n"
    "the access and error logs, mails alerts, slow-response warnings and recovery\n"
    "notices, keeps the address's best and worst times, and prints one line.\n"
    "\n"
    "  URL            the address to poll; without it, the address history entry of\n"
    "                 this instance (the first, or the next one for each monitor\n"
    "                 already running), else the last address typed (\"LastURL\")\n"
    "  --interval N   minutes between polls (default: the stored \"Interval\", 15);\n"
    "                 'Ns' for seconds, to watch a site closely\n"
    "  --count N      stop after N polls\n"
    "\n"
    "Mail goes through the server set with 'qova-cli config set SMTP HOST'.\n"
    "Ctrl-C, SIGTERM or SIGHUP stops it: a probe in progress ends at once, a mail in\n"
    "progress is finished, the history is stored. Exit status 0, or 3 for bad usage.\n";

// Raised by SIGINT, SIGTERM and SIGHUP; the probe and the wait between polls watch it.
net::CancelSignal* g_stop = nullptr;

void OnStopSignal(int) {
    if (g_stop) {
        g_stop->Raise();
    }
}

void InstallSignals() {
    struct sigaction stop {};
    stop.sa_handler = OnStopSignal;
    // A second Ctrl-C ends the program at once, should a mail hang at its limits.
    stop.sa_flags = SA_RESETHAND;
    sigemptyset(&stop.sa_mask);
    ::sigaction(SIGINT, &stop, nullptr);
    ::sigaction(SIGTERM, &stop, nullptr);
    // The terminal closing stops it as cleanly, unless it was started to outlive
    // the terminal (nohup leaves SIGHUP ignored).
    struct sigaction hangUp {};
    if (::sigaction(SIGHUP, nullptr, &hangUp) == 0 && hangUp.sa_handler != SIG_IGN) {
        ::sigaction(SIGHUP, &stop, nullptr);
    }
    // A peer that hangs up while we write must fail that write, and so must a
    // log write past the file-size limit: neither may end the monitor.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

// The window the terminal does not have.
struct FixedAddress final : AddressSource {
    std::string AddressText() override { return text; }
    std::string text;
};
struct NoList final : AddressListView {
    void AppendEntry(const std::string&) override {}
    void RemoveEntry(int) override {}
    void SelectEntry(int) override {}
};
struct NoChart final : LoadChart {
    void AddSample(double, double) override {}
    void SetMax(double) override {}
    void SetLabel(int, const std::string&) override {}
    void SetLabelWidth(int) override {}
    void SetLabelCount(int) override {}
    void SetLabelsOnLeft(int) override {}
    void SetLeftToRight(int) override {}
    void ClearSamples() override {}
    void Redraw() override {}
};
struct NoTray final : PollTray {
    void ChangeIconAndTip(int, const std::string&) override {}
};
struct NoTitle final : WindowTitle {
    void SetTitle(const std::string&) override {}
};
struct NoView final : StatisticsView {
    void SetStatisticText(int, const std::string&) override {}
};
struct NoPrompt final : SetupPrompt {
    void OpenEmailSetup() override {}
};

// The poll timer: when it is due, nothing else.
struct DueTime final : PollScheduler {
    void Arm(milliseconds delay) override { due = Steady::now() + delay; }
    void Stop() override { due.reset(); }
    std::optional<Steady::time_point> due;
};

// Keeps the outcome of every mail of a poll, for its line.
class KeptOutcomes final : public Mailer {
  public:
    explicit KeptOutcomes(Mailer& inner) : inner_(inner) {}
    bool SendMail(const std::string& sender, const std::string& recipient,
                  const std::string& subject, const std::string& body) override {
        bool sent = inner_.SendMail(sender, recipient, subject, body);
        outcomes.push_back(inner_.LastOutcome());
        return sent;
    }
    MailOutcome LastOutcome() const override { return inner_.LastOutcome(); }
    std::deque<MailOutcome> outcomes;

  private:
    Mailer& inner_;
};

// Waits until the timer is due or a stop signal comes, without waking up in
// between. False when stopped.
bool WaitUntil(Steady::time_point due, const net::CancelSignal& stop) {
    for (;;) {
        if (stop.Raised()) {
            return false;
        }
        auto left = std::chrono::ceil<milliseconds>(due - Steady::now());
        if (left.count() <= 0) {
            return true;
        }
        pollfd fd{stop.Fd(), POLLIN, 0};
        int n = ::poll(&fd, 1, static_cast<int>(std::min<long long>(left.count(), INT32_MAX)));
        if (n < 0 && errno != EINTR) {
            return false;
        }
    }
}

std::string Printable(const std::string& text) {
    return OneLineText(text);
}

// One line per poll: the stamp, what went to the logs, and the mail.
std::string PollLine(const PollReport& report, KeptOutcomes& mail, size_t waitingLogLines) {
    std::string line = LogStamp(std::time(nullptr));
    std::string previous;
    bool first = true;
    for (const auto& entry : report.logEntries) {
        if (entry.first == previous) {
            continue; // a slow answer goes to both logs
        }
        previous = entry.first;
        line += (first ? "" : "; ") + entry.first;
        first = false;
    }
    for (const NoticeAttempt& notice : report.notices) {
        line += "; \"" + Printable(notice.subject) + "\" ";
        if (!notice.mailed) {
            line += "recorded, not mailed (no mail server set)";
            continue;
        }
        MailOutcome outcome;
        if (!mail.outcomes.empty()) {
            outcome = mail.outcomes.front();
            mail.outcomes.pop_front();
        }
        if (notice.sent) {
            line += "mailed to " + Printable(notice.recipient);
        } else {
            line += "not mailed to " + Printable(notice.recipient) + ": failed at " +
                    outcome.failedStep;
            if (!outcome.reply.empty()) {
                line += ": " + Printable(outcome.reply);
            }
            if (!outcome.detail.empty()) {
                line += " " + Printable(outcome.detail);
            }
        }
    }
    mail.outcomes.clear();
    if (waitingLogLines > 0) {
        line += "; " + std::to_string(waitingLogLines) +
                " log entries waiting: the log file cannot be written";
    }
    return line;
}

struct Arguments {
    std::string address;
    std::optional<int> minutes;
    std::optional<milliseconds> seconds;
    long long count = 0; // 0: until stopped
};

// "N" or "Nm" minutes (1 to 35791), "Ns" seconds (1 to 35791 minutes' worth).
bool ParseInterval(const char* text, Arguments& args) {
    std::string value = text;
    char unit = 'm';
    if (!value.empty() && (value.back() == 's' || value.back() == 'm')) {
        unit = value.back();
        value.pop_back();
    }
    if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos ||
        value.size() > 10) {
        return false;
    }
    long long n = std::stoll(value);
    long long limit = PollCycle::kMaxIntervalMinutes * (unit == 's' ? 60LL : 1LL);
    if (n < 1 || n > limit) {
        return false;
    }
    if (unit == 's') {
        args.seconds = milliseconds(n * 1000);
    } else {
        args.minutes = static_cast<int>(n);
    }
    return true;
}

bool ParseCount(const char* text, long long& count) {
    std::string value = text;
    if (value.empty() || value.size() > 12 ||
        value.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    count = std::stoll(value);
    return count >= 1;
}

// 0 when parsed, else the exit status.
int ParseArguments(int argc, char** argv, Arguments& args, bool& help) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            help = true;
            return 0;
        }
        if (std::strcmp(arg, "--interval") == 0) {
            if (i + 1 >= argc || !ParseInterval(argv[++i], args)) {
                std::fputs("qova-cli monitor: --interval takes N minutes (1 to 35791), or Ns "
                           "seconds\n",
                           stderr);
                return 3;
            }
        } else if (std::strcmp(arg, "--count") == 0) {
            if (i + 1 >= argc || !ParseCount(argv[++i], args.count)) {
                std::fputs("qova-cli monitor: --count takes a whole number of polls, 1 or more\n",
                           stderr);
                return 3;
            }
        } else if (args.address.empty() && arg[0] != '-') {
            args.address = TrimAddress(arg);
            if (args.address.empty()) {
                std::fprintf(stderr, "qova-cli monitor: the address is blank\n\n%s", kUsage);
                return 3;
            }
        } else {
            std::fprintf(stderr, "qova-cli monitor: unexpected argument '%s'\n\n%s", arg, kUsage);
            return 3;
        }
    }
    return 0;
}

std::string IntervalText(const Arguments& args, const PollCycle& cycle) {
    if (args.seconds) {
        return std::to_string(args.seconds->count() / 1000) + " s";
    }
    return std::to_string(cycle.FullInterval().count() / 60000) + " min";
}

} // namespace

int RunMonitor(int argc, char** argv) {
    Arguments args;
    bool help = false;
    if (int status = ParseArguments(argc, argv, args, help); status != 0 || help) {
        if (help) {
            std::fputs(kUsage, stdout);
        }
        return status;
    }
    net::CancelSignal stop;
    g_stop = &stop;
    InstallSignals();

    SettingsStore store(SettingsStore::DefaultPath());
    InstanceMarker marker(store, InstanceMarker::DefaultFolder(store));
    MonitorRecord record;
    LoadRecordSettings(record, store, DefaultLogFolder());
    // A terminal has no modal email setup; the missing server is said once below.
    record.setupPromptPending = false;
    if (args.minutes) {
        record.interval = *args.minutes;
    }

    SystemClock clock;
    FixedAddress address;
    NoList list;
    NoChart chart;
    NoTray tray;
    NoTitle title;
    NoView view;
    DueTime timer;
    NoPrompt prompt;
    HttpSiteProbe probe;
    // A mail in progress is not cut short by Ctrl-C: an alert is worth its
    // few seconds, and the mail client's own time limits bound them.
    SmtpMailer smtp([&store] { return ReadSmtpSettings(store); });
    KeptOutcomes mailer(smtp);
    LogWriter log(record, clock);
    PollOptions options;
    options.showProgress = false;
    options.cancel = &stop;
    options.intervalOverride = args.seconds;
    PollCycle cycle(
        record,
        {address, list, chart, tray, title, view, timer, prompt, clock, probe, mailer, log, store},
        options);

    cycle.history().Load(store);
    if (!args.address.empty()) {
        address.text = args.address;
        AddressHistory::AddressEdited(store, args.address);
    } else if (auto entry = cycle.history().StartSelection(marker.NumOpen())) {
        address.text = record.addressHistory[static_cast<size_t>(*entry)];
    } else {
        address.text = TrimAddress(record.addressText);
    }
    if (address.text.empty()) {
        std::fputs("qova-cli monitor: no address to poll: give one, e.g.\n"
                   "  qova-cli monitor https://example.com/\n",
                   stderr);
        marker.Leave();
        return 3;
    }
    cycle.statistics().StartUp(address.text);

    std::printf("Monitoring %s every %s. Access log: %s  Error log: %s\n",
                Printable(address.text).c_str(), IntervalText(args, cycle).c_str(),
                Printable(record.accessLogPath).c_str(), Printable(record.errorLogPath).c_str());
    if (record.smtpServer.empty()) {
        std::puts("No mail server is set: alerts and recoveries are recorded but not mailed.\n"
                  "Set one with: qova-cli config set SMTP HOST (then SMTPAlert, SMTPRecovery "
                  "and SMTPEmail).");
    }
    std::fflush(stdout);

    cycle.Start();
    long long polls = 0;
    while (timer.due && WaitUntil(*timer.due, stop)) {
        cycle.PollSite();
        const PollReport& report = cycle.LastPoll();
        if (report.probed) {
            std::printf("%s\n", PollLine(report, mailer, log.PendingLogLines().size()).c_str());
            std::fflush(stdout);
        }
        if (stop.Raised() || (args.count > 0 && ++polls >= args.count)) {
            break;
        }
    }

    cycle.history().Store(store);
    marker.Leave();
    g_stop = nullptr;
    return 0;
}

} // namespace qova::cli
