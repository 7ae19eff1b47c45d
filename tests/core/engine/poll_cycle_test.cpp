#include "engine/poll_cycle.h"

#include "app/settings_store.h"
#include "app/time_text.h"
#include "engine/probe.h"
#include "logs/log_sink.h"
#include "mail/mailer.h"
#include "net/deadline.h"
#include "stats/load_chart.h"
#include "stats/statistics_view.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qova {
namespace {

using std::chrono::milliseconds;

// Every fake writes what it was asked into one trace, so a test sees the order
// of a poll's effects as the window would show them.
using Trace = std::vector<std::string>;

struct FakeAddress final : AddressSource {
    std::string AddressText() override { return text; }
    std::string text;
};

struct FakeList final : AddressListView {
    explicit FakeList(Trace& t) : trace(t) {}
    void AppendEntry(const std::string& text) override { trace.push_back("history " + text); }
    void RemoveEntry(int) override {}
    void SelectEntry(int) override {}
    Trace& trace;
};

struct FakeChart final : LoadChart {
    explicit FakeChart(Trace& t) : trace(t) {}
    void AddSample(double value, double errorFlag) override {
        points.emplace_back(value, errorFlag);
        trace.push_back("chart");
    }
    void SetMax(double) override {}
    void SetLabel(int, const std::string&) override {}
    void SetLabelWidth(int) override {}
    void SetLabelCount(int) override {}
    void SetLabelsOnLeft(int) override {}
    void SetLeftToRight(int) override {}
    void ClearSamples() override {}
    void Redraw() override {}
    std::vector<std::pair<double, double>> points;
    Trace& trace;
};

struct FakeTray final : PollTray {
    explicit FakeTray(Trace& t) : trace(t) {}
    void ChangeIconAndTip(int icon, const std::string& tip) override {
        icons.push_back(icon);
        lastTip = tip;
        trace.push_back("tray " + std::to_string(icon));
    }
    std::vector<int> icons;
    std::string lastTip;
    Trace& trace;
};

struct FakeTitle final : WindowTitle {
    explicit FakeTitle(Trace& t) : trace(t) {}
    void SetTitle(const std::string& text) override {
        title = text;
        trace.push_back("title");
    }
    std::string title;
    Trace& trace;
};

struct FakeView final : StatisticsView {
    explicit FakeView(Trace& t) : trace(t) {}
    void SetStatisticText(int, const std::string&) override {
        if (trace.empty() || trace.back() != "statistics") {
            trace.push_back("statistics");
        }
    }
    Trace& trace;
};

struct FakeScheduler final : PollScheduler {
    explicit FakeScheduler(Trace& t) : trace(t) {}
    void Arm(milliseconds delay) override {
        armed = delay;
        trace.push_back("arm " + std::to_string(delay.count()));
    }
    void Stop() override { armed.reset(); }
    std::optional<milliseconds> armed;
    Trace& trace;
};

struct FakePrompt final : SetupPrompt {
    explicit FakePrompt(Trace& t) : trace(t) {}
    void OpenEmailSetup() override { trace.push_back("email setup"); }
    Trace& trace;
};

struct FakeClock final : Clock {
    std::time_t Now() override { return now; }
    void Sleep(milliseconds pause) override { slept += pause; }
    std::time_t now = 1'100'000'000;
    milliseconds slept{0};
};

struct FakeProbe final : SiteProbe {
    explicit FakeProbe(Trace& t) : trace(t) {}
    double Probe(const std::string& address, std::string& status,
                 const ProbeOptions& options) override {
        trace.push_back("probe " + address);
        limit = options.totalLimit;
        if (during) {
            during();
        }
        status = answer;
        return loadTime;
    }
    double loadTime = 250;
    std::string answer = "200";
    std::function<void()> during;
    milliseconds limit{0};
    Trace& trace;
};

struct FakeMailer final : Mailer {
    explicit FakeMailer(Trace& t) : trace(t) {}
    bool SendMail(const std::string&, const std::string&, const std::string& subject,
                  const std::string&) override {
        subjects.push_back(subject);
        trace.push_back("mail " + subject);
        return true;
    }
    std::vector<std::string> subjects;
    Trace& trace;
};

struct FakeLog final : LogSink {
    explicit FakeLog(Trace& t) : trace(t) {}
    void WriteLog(const std::string& entry, const std::string& path) override {
        (path == "access.log" ? access : error).push_back(entry);
        trace.push_back("log " + path);
    }
    std::vector<std::string> access, error;
    Trace& trace;
};

constexpr const char* kSite = "http://site.test/";

// A poll cycle with fakes all round, a real store in a temporary folder, and a
// record set up as a configured installation: mail server set, history known.
struct PollFixture {
    PollFixture() {
        record.interval = 15;
        record.slowThreshold = 10000;
        record.smtpServer = "mail.test";
        record.alertRecipient = "ops@test";
        record.recoveryRecipient = "ops@test";
        record.accessLogPath = "access.log";
        record.errorLogPath = "error.log";
        record.addressHistory = {kSite};
        address.text = kSite;
    }

    test::TempDir dir;
    SettingsStore store{dir.File("settings.db")};
    Trace trace;
    MonitorRecord record;
    FakeAddress address;
    FakeList list{trace};
    FakeChart chart{trace};
    FakeTray tray{trace};
    FakeTitle title{trace};
    FakeView view{trace};
    FakeScheduler scheduler{trace};
    FakePrompt prompt{trace};
    FakeClock clock;
    FakeProbe probe{trace};
    FakeMailer mailer{trace};
    FakeLog log{trace};
    PollSurroundings surroundings{address, list,  chart, tray,   title, view, scheduler,
                                  prompt,  clock, probe, mailer, log,   store};
    PollOptions options;
    std::optional<PollCycle> cycle;

    PollCycle& Cycle() {
        if (!cycle) {
            cycle.emplace(record, surroundings, options);
        }
        return *cycle;
    }
};

const std::vector<int> kProgress = {131, 132, 133, 134, 135, 136, 137, 128};

std::vector<int> Then(std::vector<int> icons, int last) {
    icons.push_back(last);
    return icons;
}

struct Scenario {
    const char* name;
    std::function<void(PollFixture&)> setUp;
    std::vector<std::string> access;
    std::vector<std::string> error;
    std::optional<std::pair<double, double>> point; // none: no chart point
    std::vector<int> icons;
    std::string tip;
    std::vector<std::string> mails;
    std::optional<long long> nextDelay; // none: the timer stays stopped
};

TEST(PollCycle, OnePollOfEachKind) {
    auto answer = [](double t, const char* status, int threshold = 10000) {
        return [=](PollFixture& f) {
            f.probe.loadTime = t;
            f.probe.answer = status;
            f.record.slowThreshold = threshold;
        };
    };
    const std::string ok = "QOVA - Sentrovale\nsite.test/";
    const Scenario scenarios[] = {
        {"200 in 250 ms",
         answer(250, "200"),
         {"SUCCESS http://site.test/ 250ms"},
         {},
         std::pair(250.0, 0.0),
         kProgress,
         ok,
         {},
         899000},
        {"404 fast",
         answer(12, "404"),
         {"SUCCESS http://site.test/ 12ms"},
         {"Unexpected response 404 http://site.test/"},
         std::pair(12.0, 1.0),
         Then(kProgress, 138),
         "QOVA - (Unexpected response 404)\nhttp://site.test/",
         {"Alert - http://site.test/"},
         899000},
        {"slow 200",
         answer(12500.5, "200"),
         {"WARNING http://site.test/ 12500.5ms"},
         {"WARNING http://site.test/ 12500.5ms"},
         std::pair(12500.5, 0.0),
         kProgress,
         ok,
         {"Warning - http://site.test/"},
         899000},
        {"unreachable",
         answer(-99, ""),
         {},
         {"Site unreachable: http://site.test/"},
         std::pair(0.0, 1.0),
         {138},
         "QOVA - (site unreachable)\nhttp://site.test/",
         {"Alert - http://site.test/"},
         899000},
        {"empty status",
         answer(3, ""),
         {"SUCCESS http://site.test/ 3ms"},
         {"Unexpected response  http://site.test/"},
         std::pair(3.0, 1.0),
         Then(kProgress, 138),
         "QOVA - (Unexpected response )\nhttp://site.test/",
         {"Alert - http://site.test/"},
         899000},
        {"equal to the threshold is normal",
         answer(10000, "200"),
         {"SUCCESS http://site.test/ 10000ms"},
         {},
         std::pair(10000.0, 0.0),
         kProgress,
         ok,
         {},
         899000},
        {"threshold 0, load time 0",
         answer(0, "200", 0),
         {"SUCCESS http://site.test/ 0ms"},
         {},
         std::pair(0.0, 0.0),
         kProgress,
         ok,
         {},
         899000},
        {"threshold 0, load time 1",
         answer(1, "200", 0),
         {"WARNING http://site.test/ 1ms"},
         {"WARNING http://site.test/ 1ms"},
         std::pair(1.0, 0.0),
         kProgress,
         ok,
         {"Warning - http://site.test/"},
         899000},
        {"empty address box",
         [](PollFixture& f) { f.address.text = " \t "; },
         {},
         {},
         std::nullopt,
         {},
         "",
         {},
         900000},
        {"first start on an empty store",
         [](PollFixture& f) {
             f.record.addressHistory.clear();
             f.record.smtpServer.clear();
         },
         {},
         {},
         std::nullopt,
         {},
         "",
         {},
         std::nullopt},
        {"control characters stay inside the line",
         [](PollFixture& f) {
             f.address.text = "http://a.test/\r\nSUCCESS x";
             f.probe.loadTime = -99;
             f.probe.answer = "";
         },
         {},
         {"Site unreachable: http://a.test/??SUCCESS x"},
         std::pair(0.0, 1.0),
         {138},
         "QOVA - (site unreachable)\nhttp://a.test/??SUCCESS x",
         {"Alert - http://a.test/  SUCCESS x"},
         899000},
        {"a stored interval of 0 still waits a minute",
         [](PollFixture& f) { f.record.interval = 0; },
         {"SUCCESS http://site.test/ 250ms"},
         {},
         std::pair(250.0, 0.0),
         kProgress,
         ok,
         {},
         59000},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        PollFixture f;
        s.setUp(f);
        f.Cycle().PollSite();
        EXPECT_EQ(f.log.access, s.access);
        EXPECT_EQ(f.log.error, s.error);
        if (s.point) {
            EXPECT_EQ(f.chart.points, std::vector{*s.point});
        } else {
            EXPECT_TRUE(f.chart.points.empty());
        }
        EXPECT_EQ(f.tray.icons, s.icons);
        EXPECT_EQ(f.tray.lastTip, s.tip);
        EXPECT_EQ(f.mailer.subjects, s.mails);
        EXPECT_EQ(f.scheduler.armed ? std::optional(f.scheduler.armed->count()) : std::nullopt,
                  s.nextDelay);
    }
}

TEST(PollCycle, EffectsComeInTheirOrder) {
    PollFixture f;
    f.probe.loadTime = 12;
    f.probe.answer = "404";
    f.Cycle().PollSite();
    const Trace expected = {"history http://site.test/",
                            "probe http://site.test/",
                            "tray 131",
                            "tray 132",
                            "tray 133",
                            "tray 134",
                            "tray 135",
                            "tray 136",
                            "tray 137",
                            "tray 128",
                            "title",
                            "chart",
                            "log access.log",
                            "log error.log",
                            "tray 138",
                            "mail Alert - http://site.test/",
                            "statistics",
                            "arm 899000"};
    EXPECT_EQ(f.trace, expected);
    EXPECT_EQ(f.title.title, "QOVA - site.test/");
    EXPECT_EQ(f.clock.slept, milliseconds(700));
    EXPECT_EQ(f.probe.limit, milliseconds(60000));
    EXPECT_EQ(f.Cycle().LastPoll().status, "404");
    EXPECT_EQ(f.Cycle().LastPoll().timeText, TimeText(f.clock.now));
}

TEST(PollCycle, WithoutProgressTheTrayEndsNormalAtOnce) {
    PollFixture f;
    f.options.showProgress = false;
    f.address.text = "HTTPS://site.test/a";
    f.Cycle().PollSite();
    EXPECT_EQ(f.tray.icons, std::vector<int>{128});
    EXPECT_EQ(f.tray.lastTip, "QOVA - Sentrovale\nsite.test/a");
    EXPECT_EQ(f.clock.slept, milliseconds(0));
}

TEST(PollCycle, SetupPromptStopsPollingUntilATrigger) {
    PollFixture f;
    f.record.addressHistory.clear();
    f.record.smtpServer.clear();
    PollCycle& cycle = f.Cycle();
    cycle.Start();
    EXPECT_EQ(f.scheduler.armed, milliseconds(100));
    cycle.PollSite();
    EXPECT_EQ(f.trace.back(), "email setup");
    EXPECT_FALSE(f.scheduler.armed);

    cycle.PollNow();
    EXPECT_EQ(f.scheduler.armed, milliseconds(100));
    cycle.PollSite(); // the prompt comes once per run, even with the history still empty
    EXPECT_EQ(std::count(f.trace.begin(), f.trace.end(), "probe http://site.test/"), 1);
    EXPECT_EQ(f.scheduler.armed, milliseconds(899000));
}

TEST(PollCycle, SwitchingBackToAnAddressLoadsItsRecordAndAlertState) {
    PollFixture f;
    const std::string other = "http://other.test/";
    f.store.WriteProfileString(other, "allTimeMin", "40");
    f.store.WriteProfileString(other, "allTimeMinWhen", " earlier");
    f.store.WriteProfileString(other, "lastAlert", " on 01/02/2004 at 03:04:05");
    f.store.WriteProfileInt(other, "Warned", 1);
    PollCycle& cycle = f.Cycle();
    cycle.PollSite(); // the first address, 250 ms

    f.address.text = "  " + other + " ";
    f.probe.loadTime = 90;
    cycle.PollSite();
    EXPECT_EQ(f.record.currentAddress, other);
    EXPECT_EQ(f.record.allTimeMin, 40.0);
    EXPECT_EQ(f.record.allTimeMinWhen, " earlier");
    EXPECT_EQ(f.record.lastAlert, " on 01/02/2004 at 03:04:05");
    // Its open episode ends with this good answer; the first address's is untouched.
    EXPECT_EQ(f.mailer.subjects, std::vector<std::string>{"Recovery - " + other});
    EXPECT_EQ(f.store.GetProfileInt(other, "Warned", -1), 0);
    // The chart and the sample window carry on across the switch.
    EXPECT_EQ(f.chart.points.size(), 2u);
    EXPECT_EQ(f.record.loadSamples.size(), 2u);
    EXPECT_EQ(f.record.addressHistory.front(), other);
}

TEST(PollCycle, ACancelledProbeIsNotAnOutage) {
    PollFixture f;
    net::CancelSignal cancel;
    f.options.cancel = &cancel;
    f.probe.loadTime = -99;
    f.probe.during = [&] { cancel.Raise(); };
    f.Cycle().PollSite();
    EXPECT_TRUE(f.log.error.empty());
    EXPECT_TRUE(f.chart.points.empty());
    EXPECT_TRUE(f.mailer.subjects.empty());
    EXPECT_EQ(f.store.GetProfileInt(kSite, "Warned", 0), 0);
    EXPECT_FALSE(f.scheduler.armed);
    EXPECT_FALSE(f.Cycle().LastPoll().probed);
}

TEST(PollCycle, TimerDelaysKeepWithinTheTimersRange) {
    struct Row {
        int interval;
        long long full;
        long long after;
    };
    const Row rows[] = {
        {15, 900000, 899000},
        {1, 60000, 59000},
        {0, 60000, 59000},
        {-7, 60000, 59000},
        {35791, 2147460000, 2147459000},
        {2000000000, 2147460000, 2147459000},
    };
    for (const Row& row : rows) {
        PollFixture f;
        f.record.interval = row.interval;
        EXPECT_EQ(f.Cycle().FullInterval().count(), row.full) << row.interval;
        EXPECT_EQ(f.Cycle().AfterPoll().count(), row.after) << row.interval;
        EXPECT_EQ(f.record.interval, row.interval); // kept as read
    }

    PollFixture seconds;
    seconds.options.intervalOverride = milliseconds(2000);
    EXPECT_EQ(seconds.Cycle().FullInterval(), milliseconds(2000));
    EXPECT_EQ(seconds.Cycle().AfterPoll(), milliseconds(2000));
}

TEST(PollCycle, IntervalChangeIsStoredThenWaitsAFullInterval) {
    PollFixture f;
    f.Cycle().IntervalChanged(3);
    EXPECT_EQ(f.store.GetProfileInt("Settings", "Interval", 15), 3);
    EXPECT_EQ(f.record.interval, 3);
    EXPECT_EQ(f.scheduler.armed, milliseconds(180000));
}

} // namespace
} // namespace qova
