#include "logs/log_writer.h"

#include "app/time_text.h"
#include "logs/log_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qova {
namespace {

class FakeClock final : public Clock {
  public:
    std::time_t Now() override { return now; }
    void Sleep(std::chrono::milliseconds pause) override {
        now += static_cast<std::time_t>(pause.count() / 1000);
    }
    std::time_t now = 1'733'760'000;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// A writer over a record whose logs live in a temporary folder; `Tick` moves the
// clock on so every call has its own stamp.
struct LogFixture {
    LogFixture() {
        record.accessLogPath = dir.File("access.log");
        record.errorLogPath = dir.File("error.log");
    }
    std::string Tick() {
        clock.now += 60;
        return LogStamp(clock.now);
    }
    test::TempDir dir;
    MonitorRecord record;
    FakeClock clock;
    LogWriter writer{record, clock};
};

TEST(LogWriter, MissedEntriesGoFirstInOrderWithBothStamps) {
    LogFixture f;
    f.record.errorLogPath = f.dir.File("later/error.log");
    const std::string s1 = f.Tick();
    f.writer.WriteLog("Site unreachable", f.record.errorLogPath);
    const std::string s2 = f.Tick();
    f.writer.WriteLog("second", f.record.errorLogPath);
    const std::string s3 = f.Tick();
    f.writer.WriteLog("third", f.record.errorLogPath);
    EXPECT_EQ(f.writer.PendingLogLines(),
              std::deque<std::string>({s1 + "Site unreachable", s2 + "second", s3 + "third"}));

    // An empty entry writes nothing, not even the waiting ones.
    ::mkdir(f.dir.File("later").c_str(), 0700);
    f.Tick();
    f.writer.WriteLog("", f.record.accessLogPath);
    EXPECT_FALSE(Exists(f.record.accessLogPath));
    EXPECT_EQ(f.writer.PendingLogLines().size(), 3u);

    // The next entry to reach any log that opens carries them, whichever log it is.
    const std::string now = f.Tick();
    f.writer.WriteLog("200 in 12ms", f.record.accessLogPath);
    EXPECT_EQ(Slurp(f.record.accessLogPath), now + "Missed Entry: " + s1 + "Site unreachable\r\n" +
                                                 now + "Missed Entry: " + s2 + "second\r\n" + now +
                                                 "Missed Entry: " + s3 + "third\r\n" + now +
                                                 "200 in 12ms\r\n");
    EXPECT_TRUE(f.writer.PendingLogLines().empty());

    const std::string later = f.Tick();
    f.writer.WriteLog("appended", f.record.errorLogPath);
    EXPECT_EQ(Slurp(f.record.errorLogPath), later + "appended\r\n");
}

// Bodies of the lines in a log, stamps removed, joined with "|"; "" when absent.
std::string Bodies(const std::string& path) {
    std::string all = Slurp(path), bodies;
    const size_t stampLength = LogStamp(0).size();
    for (size_t start = 0, end; (end = all.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        bodies += (bodies.empty() ? "" : "|") +
                  all.substr(start + stampLength, end - start - stampLength);
    }
    return bodies;
}

struct SwitchCase {
    const char* name;
    int doAccessLog;
    int doErrorLog;
    bool samePath;
    std::string access; // what the access log file holds afterwards
    std::string error;
};

// Test names show the row's name rather than its bytes.
void PrintTo(const SwitchCase& c, std::ostream* out) {
    *out << c.name;
}

class LogSwitches : public testing::TestWithParam<SwitchCase> {};

TEST_P(LogSwitches, OnlyEnabledLogsAreWrittenAndDroppedEntriesDoNotWait) {
    const SwitchCase& c = GetParam();
    LogFixture f;
    f.record.doAccessLog = c.doAccessLog;
    f.record.doErrorLog = c.doErrorLog;
    if (c.samePath) {
        f.record.errorLogPath = f.record.accessLogPath;
    }
    f.writer.WriteLog("to access", f.record.accessLogPath);
    f.writer.WriteLog("to error", f.record.errorLogPath);
    EXPECT_EQ(Bodies(f.dir.File("access.log")), c.access);
    EXPECT_EQ(Bodies(f.dir.File("error.log")), c.error);
    EXPECT_TRUE(f.writer.PendingLogLines().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, LogSwitches,
    testing::Values(SwitchCase{"BothOn", 1, 1, false, "to access", "to error"},
                    SwitchCase{"AccessOff", 0, 1, false, "", "to error"},
                    SwitchCase{"ErrorOff", 1, 0, false, "to access", ""},
                    SwitchCase{"SamePathBothOn", 1, 1, true, "to access|to error", ""},
                    SwitchCase{"SamePathAccessOff", 0, 1, true, "", ""},
                    SwitchCase{"SamePathErrorOff", 1, 0, true, "", ""}),
    [](const testing::TestParamInfo<SwitchCase>& info) { return info.param.name; });

TEST(LogWriter, PathsThatNeverOpenKeepEveryEntry) {
    LogFixture f;
    ASSERT_EQ(::mkfifo(f.dir.File("fifo").c_str(), 0600), 0);
    // A FIFO nobody reads would block the open for ever; it must fail at once.
    for (const std::string& path :
         {std::string(), f.dir.File("no/such/folder.log"), f.dir.Path(), f.dir.File("fifo")}) {
        SCOPED_TRACE("path '" + path + "'");
        LogFixture g;
        g.record.accessLogPath = path;
        const std::string s1 = g.Tick();
        g.writer.WriteLog("one", path);
        const std::string s2 = g.Tick();
        g.writer.WriteLog("two", path);
        EXPECT_EQ(g.writer.PendingLogLines(), std::deque<std::string>({s1 + "one", s2 + "two"}));
    }
}

TEST(LogWriter, LockHeldByAnotherProcessMakesAMissedEntry) {
    LogFixture f;
    const std::string& path = f.record.accessLogPath;
    const std::string first = f.Tick();
    f.writer.WriteLog("before", path);

    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        auto held = LockedLogFile::Open(path, LockedLogFile::Mode::Read);
        char state = held ? 'y' : 'n';
        (void)!::write(ready[1], &state, 1);
        (void)!::read(release[0], &state, 1); // until the parent says so, or dies
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char state = 0;
    ASSERT_EQ(::read(ready[0], &state, 1), 1);
    ASSERT_EQ(state, 'y');

    const std::string locked = f.Tick();
    f.writer.WriteLog("while locked", path);
    EXPECT_EQ(f.writer.PendingLogLines(), std::deque<std::string>({locked + "while locked"}));
    // The viewer and Clear Log meet the same lock; clearing must not empty the file.
    EXPECT_FALSE(LockedLogFile::Open(path, LockedLogFile::Mode::Read));
    EXPECT_FALSE(LockedLogFile::Open(path, LockedLogFile::Mode::Truncate));
    EXPECT_EQ(Slurp(path), first + "before\r\n");

    ::close(release[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(ready[0]);

    const std::string after = f.Tick();
    f.writer.WriteLog("after", path);
    EXPECT_EQ(Slurp(path), first + "before\r\n" + after + "Missed Entry: " + locked +
                               "while locked\r\n" + after + "after\r\n");
}

TEST(LogWriter, WritersOnTwoThreadsNeitherLoseNorInterleaveLines) {
    LogFixture f;
    const std::string& path = f.record.accessLogPath;
    constexpr int kEach = 2000;
    std::atomic<int> started{0};
    auto writeMany = [&](char tag) {
        for (++started; started < 2;) {
        }
        for (int i = 0; i < kEach; ++i) {
            f.writer.WriteLog(std::string(1, tag) + std::to_string(i), path);
        }
    };
    std::thread other(writeMany, 'b');
    writeMany('a');
    other.join();

    std::multiset<std::string> expected, written;
    for (char tag : {'a', 'b'}) {
        for (int i = 0; i < kEach; ++i) {
            expected.insert(std::string(1, tag) + std::to_string(i));
        }
    }
    std::string bodies = Bodies(path);
    for (size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = bodies.find('|', start);
        written.insert(bodies.substr(start, end - start));
    }
    EXPECT_EQ(written, expected);
    EXPECT_TRUE(f.writer.PendingLogLines().empty());
}

TEST(LogWriter, FailedWritesOnAFullDeviceKeepTheEntries) {
    if (::access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "no writable /dev/full";
    }
    LogFixture f;
    f.record.accessLogPath = "/dev/full";
    f.record.errorLogPath = f.dir.File("missing/error.log");

    const std::string s0 = f.Tick();
    f.writer.WriteLog("e0", f.record.accessLogPath); // opens, then the write fails
    const std::string s1 = f.Tick();
    f.writer.WriteLog("m1", f.record.errorLogPath); // never opens
    const std::string s2 = f.Tick();
    f.writer.WriteLog("e2", f.record.accessLogPath); // the first missed entry fails
    // The missed entry that failed goes behind the others, and the new one waits too.
    EXPECT_EQ(f.writer.PendingLogLines(),
              std::deque<std::string>({s1 + "m1", s0 + "e0", s2 + "e2"}));

    f.record.accessLogPath = f.dir.File("access.log");
    const std::string s3 = f.Tick();
    f.writer.WriteLog("a3", f.record.accessLogPath);
    EXPECT_EQ(Slurp(f.record.accessLogPath), s3 + "Missed Entry: " + s1 + "m1\r\n" + s3 +
                                                 "Missed Entry: " + s0 + "e0\r\n" + s3 +
                                                 "Missed Entry: " + s2 + "e2\r\n" + s3 + "a3\r\n");
    EXPECT_TRUE(f.writer.PendingLogLines().empty());
}

// A size limit lets part of a line through before the write fails: the fragment is
// cut away, so the entry appears once, whole, when it is written later.
void WriteAgainstASizeLimit() {
    LogFixture f;
    const std::string& path = f.record.accessLogPath;
    const std::string s1 = f.Tick();
    f.writer.WriteLog("fits", path);
    const std::string firstLine = s1 + "fits\r\n";

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t unlimited = limit.rlim_cur;
    limit.rlim_cur = firstLine.size() + 10;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::string s2 = f.Tick();
    f.writer.WriteLog("a line far longer than the ten bytes left", path);
    const bool cut = Slurp(path) == firstLine;
    const bool kept = f.writer.PendingLogLines() ==
                      std::deque<std::string>({s2 + "a line far longer than the ten bytes left"});

    limit.rlim_cur = unlimited;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::string s3 = f.Tick();
    f.writer.WriteLog("next", path);
    const bool whole = Slurp(path) == firstLine + s3 + "Missed Entry: " + s2 +
                                          "a line far longer than the ten bytes left\r\n" + s3 +
                                          "next\r\n";
    std::fprintf(stderr, "cut=%d kept=%d whole=%d\n", cut, kept, whole);
    std::exit(cut && kept && whole ? 0 : 1);
}

TEST(LogWriter, TornLineUnderASizeLimitIsCutAwayAndKept) {
    // In a child, so that the limit and the ignored signal stay there.
    EXPECT_EXIT(WriteAgainstASizeLimit(), testing::ExitedWithCode(0), "cut=1 kept=1 whole=1");
}

} // namespace
} // namespace qova
