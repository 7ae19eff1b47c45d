#include "engine/notice_rules.h"

#include "app/time_text.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace qova {
namespace {

class FakeMailer final : public Mailer {
  public:
    struct Mail {
        std::string sender, recipient, subject, body;
    };
    bool SendMail(const std::string& sender, const std::string& recipient,
                  const std::string& subject, const std::string& body) override {
        mails.push_back({sender, recipient, subject, body});
        return accept;
    }
    bool accept = true;
    std::vector<Mail> mails;
};

class FakeClock final : public Clock {
  public:
    std::time_t Now() override { return now; }
    void Sleep(std::chrono::milliseconds pause) override {
        now += static_cast<std::time_t>(pause.count() / 1000);
    }
    std::time_t now = 1'100'000'000;
};

// What a poll found, in the terms the poll cycle uses to pick the rules.
enum class Poll { Down, Ok, SlowOk, Wrong, SlowWrong, Restart };

// The settings, store, mailer and clock of one run, with the rules applied the way
// the poll cycle applies them: the warning first, then the alert or the recovery.
class NoticeFixture {
  public:
    explicit NoticeFixture(bool mailServer) {
        if (mailServer) {
            record.smtpServer = "127.0.0.1";
        }
        record.returnAddress = "qova@example.net";
        record.alertRecipient = "ops@example.net";
        record.recoveryRecipient = "team@example.net";
        Restart();
    }

    void Restart() { rules.emplace(record, store, mailer, clock); }

    void Run(Poll poll, const std::string& address) {
        const std::string t = TimeText(clock.now);
        switch (poll) {
        case Poll::Down:
            rules->UnreachableAlert(address, t);
            break;
        case Poll::Ok:
            rules->Recovery(address, t);
            break;
        case Poll::SlowOk:
            rules->SlowWarning(address, 12500, t);
            rules->Recovery(address, t);
            break;
        case Poll::Wrong:
            rules->UnexpectedAlert(address, "500", t);
            break;
        case Poll::SlowWrong:
            rules->SlowWarning(address, 12500, t);
            rules->UnexpectedAlert(address, "404", t);
            break;
        case Poll::Restart:
            Restart();
            break;
        }
        clock.now += 300;
    }

    int Warned(const std::string& address) const {
        return store.GetProfileInt(address, "Warned", 0);
    }
    std::string Stored(const std::string& address, const char* name) const {
        return store.GetProfileString(address, name, "<none>");
    }

    test::TempDir dir;
    SettingsStore store{dir.File("settings.db")};
    MonitorRecord record;
    FakeMailer mailer;
    FakeClock clock;
    std::optional<NoticeRules> rules;
};

// Two addresses that differ only in the scheme are kept apart.
const std::string kA = "example.com";
const std::string kB = "http://example.com";

struct Step {
    Poll poll;
    std::string address;
    std::string mails; // one letter per mail handed over: Alert, Warning, Recovery
    int warned;        // "Warned" of the address afterwards
};

struct EpisodeCase {
    const char* name;
    bool mailServer;
    bool serverAccepts;
    std::vector<Step> steps;
};

// Test names show the row's name rather than its bytes.
void PrintTo(const EpisodeCase& c, std::ostream* out) {
    *out << c.name;
}

class NoticeEpisodes : public testing::TestWithParam<EpisodeCase> {};

TEST_P(NoticeEpisodes, MailsAndEpisodeStateFollowThePolls) {
    const EpisodeCase& c = GetParam();
    NoticeFixture f(c.mailServer);
    f.mailer.accept = c.serverAccepts;
    for (size_t i = 0; i < c.steps.size(); ++i) {
        const Step& step = c.steps[i];
        size_t before = f.mailer.mails.size();
        f.Run(step.poll, step.address);
        if (step.poll == Poll::Restart) {
            continue;
        }
        std::string letters;
        for (size_t m = before; m < f.mailer.mails.size(); ++m) {
            const std::string& subject = f.mailer.mails[m].subject;
            letters += subject.substr(0, 1);
            EXPECT_EQ(subject.substr(subject.find(" - ") + 3), step.address) << "poll " << i;
        }
        EXPECT_EQ(letters, step.mails) << "poll " << i;
        EXPECT_EQ(f.Warned(step.address), step.warned) << "poll " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, NoticeEpisodes,
    testing::Values(
        EpisodeCase{"DownThreeTimesThenOk",
                    true,
                    true,
                    {{Poll::Down, kA, "A", 1},
                     {Poll::Down, kA, "", 1},
                     {Poll::Down, kA, "", 1},
                     {Poll::Ok, kA, "R", 0},
                     {Poll::Ok, kA, "", 0}}},
        // Alerts and recoveries advance without mail; the warning still goes out.
        EpisodeCase{
            "NoMailServer",
            false,
            true,
            {{Poll::SlowWrong, kA, "W", 1}, {Poll::Down, kA, "", 1}, {Poll::Ok, kA, "", 0}}},
        EpisodeCase{"ServerRefusesEveryMessage",
                    true,
                    false,
                    {{Poll::Down, kA, "A", 0},
                     {Poll::Wrong, kA, "A", 0},
                     {Poll::Down, kA, "A", 0},
                     {Poll::Ok, kA, "", 0}}},
        EpisodeCase{
            "SlowOkEveryPoll",
            true,
            true,
            {{Poll::SlowOk, kA, "W", 0}, {Poll::SlowOk, kA, "W", 0}, {Poll::SlowOk, kA, "W", 0}}},
        EpisodeCase{"SlowWrongWhileQuietThenSlowOk",
                    true,
                    true,
                    {{Poll::SlowWrong, kA, "WA", 1},
                     {Poll::SlowWrong, kA, "W", 1},
                     {Poll::SlowOk, kA, "WR", 0}}},
        EpisodeCase{"AlternatingDownAndServerError",
                    true,
                    true,
                    {{Poll::Down, kA, "A", 1},
                     {Poll::Wrong, kA, "", 1},
                     {Poll::Down, kA, "", 1},
                     {Poll::Wrong, kA, "", 1},
                     {Poll::Ok, kA, "R", 0}}},
        EpisodeCase{"RestartInTheMiddleOfAnEpisode",
                    true,
                    true,
                    {{Poll::Wrong, kA, "A", 1},
                     {Poll::Restart, "", "", 0},
                     {Poll::Down, kA, "", 1},
                     {Poll::Ok, kA, "R", 0}}},
        EpisodeCase{"TwoAddressesKeepTheirOwnEpisodes",
                    true,
                    true,
                    {{Poll::Down, kA, "A", 1},
                     {Poll::Ok, kB, "", 0},
                     {Poll::Down, kB, "A", 1},
                     {Poll::Ok, kA, "R", 0},
                     {Poll::Down, kB, "", 1},
                     {Poll::Ok, kB, "R", 0}}}),
    [](const testing::TestParamInfo<EpisodeCase>& info) { return info.param.name; });

TEST(NoticeRules, SubjectsBodiesRecipientsAndRecordedTimes) {
    NoticeFixture f(true);
    const std::string t1 = TimeText(f.clock.now);
    auto warning = f.rules->SlowWarning(kA, 12500.25, t1);
    auto alert = f.rules->UnreachableAlert(kA, t1);
    ASSERT_TRUE(warning && alert);
    EXPECT_TRUE(warning->mailed && warning->sent);
    EXPECT_EQ(alert->subject, "Alert - " + kA);
    EXPECT_EQ(alert->recipient, "ops@example.net");

    // The recovery carries its own moment, not the poll's.
    const std::string t2 = TimeText(f.clock.now + 7);
    f.clock.now += 7;
    auto recovery = f.rules->Recovery(kA, t1);
    ASSERT_TRUE(recovery);
    EXPECT_EQ(recovery->recipient, "team@example.net");
    auto unexpected = f.rules->UnexpectedAlert(kA, "503", t1);
    ASSERT_TRUE(unexpected);

    ASSERT_EQ(f.mailer.mails.size(), 4u);
    const std::vector<std::vector<std::string>> expected = {
        {"ops@example.net", "Warning - example.com", "Slow response from site (12500.2ms)" + t1},
        {"ops@example.net", "Alert - example.com", "Site unreachable" + t1},
        {"team@example.net", "Recovery - example.com", "Site recovered" + t2},
        {"ops@example.net", "Alert - example.com", "Unexpected response (503) from site" + t1},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& mail = f.mailer.mails[i];
        EXPECT_EQ(mail.sender, "qova@example.net");
        EXPECT_EQ(std::vector<std::string>({mail.recipient, mail.subject, mail.body}), expected[i]);
    }
    EXPECT_EQ(f.record.lastAlert, t1);
    EXPECT_EQ(f.Stored(kA, "lastAlert"), t1);
    // The episode opened by the wrong answer starts with no recovery on record.
    EXPECT_EQ(f.record.lastRecovery, "");
    EXPECT_EQ(f.Stored(kA, "lastRecovery"), "");
}

TEST(NoticeRules, MissingSetupRecordsNotSentTexts) {
    NoticeFixture f(false);
    auto alert = f.rules->UnreachableAlert(kA, TimeText(f.clock.now));
    ASSERT_TRUE(alert);
    EXPECT_FALSE(alert->mailed);
    EXPECT_EQ(alert->subject, "Alert - example.com");
    EXPECT_EQ(f.record.lastAlert, "(alert not sent, missing email setup)");
    EXPECT_EQ(f.Stored(kA, "lastAlert"), "(alert not sent, missing email setup)");

    auto recovery = f.rules->Recovery(kA, TimeText(f.clock.now));
    ASSERT_TRUE(recovery);
    EXPECT_FALSE(recovery->mailed);
    EXPECT_EQ(f.record.lastRecovery, "(recovery not sent, missing email setup)");
    EXPECT_EQ(f.Stored(kA, "lastRecovery"), "(recovery not sent, missing email setup)");
    EXPECT_TRUE(f.mailer.mails.empty());
    EXPECT_FALSE(f.rules->Recovery(kA, TimeText(f.clock.now)));
}

TEST(NoticeRules, RefusedNoticesRecordEachAttemptsOwnTime) {
    NoticeFixture f(true);
    f.mailer.accept = false;
    f.Run(Poll::Down, kA);
    const std::string second = TimeText(f.clock.now);
    f.Run(Poll::Down, kA);
    EXPECT_EQ(f.Stored(kA, "lastAlert"), second);

    f.mailer.accept = true;
    f.Run(Poll::Down, kA);
    f.mailer.accept = false;
    f.Run(Poll::Ok, kA);
    const std::string retried = TimeText(f.clock.now);
    f.Run(Poll::Ok, kA);
    EXPECT_EQ(f.Stored(kA, "lastRecovery"), retried);
    EXPECT_EQ(f.Warned(kA), 1);
}

TEST(NoticeRules, OnlyAWrongAnswerOpeningAnEpisodeEmptiesTheLastRecovery) {
    NoticeFixture f(true);
    for (const auto& address : {kA, kB}) {
        f.store.WriteProfileString(address, "lastRecovery", " on 01/02/2004 at 03:04:05");
    }
    f.record.lastRecovery = " on 01/02/2004 at 03:04:05";
    f.Run(Poll::Down, kA);
    EXPECT_EQ(f.Stored(kA, "lastRecovery"), " on 01/02/2004 at 03:04:05");
    EXPECT_EQ(f.record.lastRecovery, " on 01/02/2004 at 03:04:05");
    f.Run(Poll::Wrong, kB);
    EXPECT_EQ(f.Stored(kB, "lastRecovery"), "");
    EXPECT_EQ(f.record.lastRecovery, "");
}

TEST(NoticeRules, ControlCharactersNeverReachSubjectOrBody) {
    NoticeFixture f(true);
    const std::string address = "example.com\r\nBcc: x@example.org";
    f.rules->UnexpectedAlert(address, "50\n0", "");
    ASSERT_EQ(f.mailer.mails.size(), 1u);
    EXPECT_EQ(f.mailer.mails[0].subject, "Alert - example.com  Bcc: x@example.org");
    EXPECT_EQ(f.mailer.mails[0].body, "Unexpected response (50 0) from site");
    // The episode still belongs to the address exactly as polled.
    EXPECT_EQ(f.Warned(address), 1);
}

} // namespace
} // namespace qova
