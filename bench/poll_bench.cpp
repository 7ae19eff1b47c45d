// The cost of one poll beyond the probe: the time from the timer firing to the
// timer armed again, less the probe's own time, with a store that holds 10,000
// address sections. The probe's time and curl's time for the same loopback
// server are printed next to it, as what a poll costs anyway.
//
// Usage: poll_bench [POLLS]   (the store lives under $TMPDIR)
#include "app/settings_store.h"
#include "app/time_text.h"
#include "curl_timing.h"
#include "engine/poll_cycle.h"
#include "engine/probe.h"
#include "logs/log_writer.h"
#include "mail/mailer.h"
#include "stats/chart_model.h"
#include "stats/statistics_view.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/vfs.h>
#include <vector>

namespace {

using namespace std::chrono;
using qova::test::ScriptedServer;
using qova::test::Step;
using Steady = steady_clock;

double Ms(Steady::duration d) {
    return duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5)];
}

// 10,000 address sections of 7 values each and a full history, written in one
// transaction: filling them one write at a time would take minutes.
bool FillStore(const std::string& path) {
    { qova::SettingsStore create(path); }
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
        return false;
    }
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO profile VALUES(?, ?, ?, ?)", -1, &insert,
                       nullptr);
    auto put = [&](const std::string& section, const char* name, const std::string& value,
                   bool integer) {
        sqlite3_bind_text(insert, 1, section.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, name, -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 3, integer ? 0 : 1);
        if (integer) {
            sqlite3_bind_int(insert, 4, std::atoi(value.c_str()));
        } else {
            sqlite3_bind_blob(insert, 4, value.data(), static_cast<int>(value.size()),
                              SQLITE_TRANSIENT);
        }
        sqlite3_step(insert);
        sqlite3_reset(insert);
    };
    const std::string when = qova::TimeText(1'100'000'000);
    for (int i = 0; i < 10000; ++i) {
        std::string section = "https://site" + std::to_string(i) + ".example.org/page";
        put(section, "allTimeMin", "12", false);
        put(section, "allTimeMax", "3400", false);
        put(section, "allTimeMinWhen", when, false);
        put(section, "allTimeMaxWhen", when, false);
        put(section, "lastAlert", when, false);
        put(section, "lastRecovery", when, false);
        put(section, "Warned", "0", true);
        if (i < 10) {
            put("Location", std::to_string(i).c_str(), section, false);
        }
    }
    sqlite3_finalize(insert);
    bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

struct Address final : qova::AddressSource {
    std::string AddressText() override { return text; }
    std::string text;
};
struct NoList final : qova::AddressListView {
    void AppendEntry(const std::string&) override {}
    void RemoveEntry(int) override {}
    void SelectEntry(int) override {}
};
struct NoTray final : qova::PollTray {
    void ChangeIconAndTip(int, const std::string&) override {}
};
struct NoTitle final : qova::WindowTitle {
    void SetTitle(const std::string&) override {}
};
struct NoView final : qova::StatisticsView {
    void SetStatisticText(int, const std::string&) override {}
};
struct NoPrompt final : qova::SetupPrompt {
    void OpenEmailSetup() override {}
};
struct ArmedAt final : qova::PollScheduler {
    void Arm(milliseconds) override { at = Steady::now(); }
    void Stop() override {}
    Steady::time_point at;
};
// Mail is network time like the probe's; the rules' store work around it counts.
struct AcceptingMailer final : qova::Mailer {
    bool SendMail(const std::string&, const std::string&, const std::string&,
                  const std::string&) override {
        return true;
    }
};
struct TimedProbe final : qova::SiteProbe {
    double Probe(const std::string& address, std::string& status,
                 const qova::ProbeOptions& options) override {
        auto t0 = Steady::now();
        double t = qova::ProbeSite(address, status, options);
        took = Steady::now() - t0;
        return t;
    }
    Steady::duration took{};
};

struct Result {
    std::vector<double> overhead, probe;
};

Result Run(int polls, qova::SettingsStore& store, const std::string& folder,
           const std::vector<std::string>& addresses, bool reopenEpisodes) {
    qova::MonitorRecord record;
    record.smtpServer = "127.0.0.1";
    record.alertRecipient = record.recoveryRecipient = "ops@example.org";
    record.accessLogPath = folder + "/access.log";
    record.errorLogPath = folder + "/error.log";
    qova::SystemClock clock;
    Address address;
    NoList list;
    qova::ChartModel chart(1920);
    NoTray tray;
    NoTitle title;
    NoView view;
    ArmedAt timer;
    NoPrompt prompt;
    TimedProbe probe;
    AcceptingMailer mailer;
    qova::LogWriter log(record, clock);
    qova::PollOptions options;
    options.showProgress = false; // its 700 ms are pauses, not work
    qova::PollCycle cycle(
        record,
        {address, list, chart, tray, title, view, timer, prompt, clock, probe, mailer, log, store},
        options);
    cycle.history().Load(store);
    record.setupPromptPending = false;

    Result result;
    for (int i = 0; i < polls; ++i) {
        address.text = addresses[static_cast<size_t>(i) % addresses.size()];
        if (reopenEpisodes) {
            store.WriteProfileInt(address.text, "Warned", 0); // so every 503 alerts again
        }
        auto fired = Steady::now();
        cycle.PollSite();
        result.overhead.push_back(Ms(timer.at - fired) - Ms(probe.took));
        result.probe.push_back(Ms(probe.took));
    }
    return result;
}

void Print(const char* name, const Result& r) {
    std::printf("  %-44s overhead median %6.3f ms  p95 %6.3f ms   probe median %6.3f ms\n", name,
                Percentile(r.overhead, 0.5), Percentile(r.overhead, 0.95),
                Percentile(r.probe, 0.5));
}

} // namespace

int main(int argc, char** argv) {
    int polls = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    qova::test::TempDir dir;
    const std::string path = dir.File("settings.db");
    if (!FillStore(path)) {
        std::fprintf(stderr, "poll_bench: could not fill the store\n");
        return 1;
    }
    struct statfs fs {};
    ::statfs(dir.Path().c_str(), &fs);
    qova::SettingsStore store(path);

    ScriptedServer good({Step::ReadUntil("\r\n\r\n"),
                         Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok")});
    ScriptedServer wrong({Step::ReadUntil("\r\n\r\n"),
                          Step::Send("HTTP/1.0 503 Busy\r\nContent-Length: 2\r\n\r\nno")});
    const std::string goodUrl = "http://127.0.0.1:" + std::to_string(good.Port()) + "/";
    const std::string wrongUrl = "http://127.0.0.1:" + std::to_string(wrong.Port()) + "/";

    std::printf("poll cost beyond the probe, %d polls each, store of 10,000 address sections\n"
                "(store on filesystem type 0x%lx under %s; goal: median under 5 ms)\n",
                polls, static_cast<unsigned long>(fs.f_type), dir.Path().c_str());
    Print("steady 200 on one address", Run(polls, store, dir.Path(), {goodUrl}, false));
    Print("alternating 200 / 503, an alert at each 503",
          Run(polls, store, dir.Path(), {goodUrl, wrongUrl}, true));

    std::vector<double> curl;
    for (int i = 0; i < std::min(polls, 50); ++i) {
        curl.push_back(qova::bench::CurlTimeMs(goodUrl));
    }
    std::printf("  reference: curl, one GET of the same server      median %6.3f ms\n",
                Percentile(curl, 0.5));
    return 0;
}
