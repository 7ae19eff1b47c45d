#include "mail/smtp_mailer.h"

#include "mail/local_host.h"
#include "net/resolver.h"
#include "support/scoped_env.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"
#include "support/test_ca.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <regex>

namespace qova {
namespace {

using std::chrono::milliseconds;
using test::ScriptedServer;
using test::Step;

SmtpLimits Quick() {
    return {milliseconds(2000), milliseconds(1000), milliseconds(500)};
}

SmtpSettings At(const ScriptedServer& server) {
    SmtpSettings s;
    s.server = "127.0.0.1:" + std::to_string(server.Port());
    s.returnAddress = "monitor@example.org";
    return s;
}

// The client's line `line`, answered with `reply`.
std::vector<Step> Answer(std::string reply) {
    return {Step::ReadLine(), Step::Send(std::move(reply))};
}

std::vector<Step> Script(std::initializer_list<std::vector<Step>> parts) {
    std::vector<Step> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const std::vector<Step> kGreet = {Step::Send("220 mx.example ESMTP\r\n")};
const std::vector<Step> kMessageOk = {Step::ReadUntil("\r\n.\r\n"), Step::Send("250 queued\r\n")};
const std::vector<Step> kBye = Answer("221 bye\r\n");

// Date and Message-Id change with every mail; the rest must be exact.
std::string Steady(const std::string& transcript) {
    static const std::regex varying("(Date|Message-Id): [^\r]*");
    return std::regex_replace(transcript, varying, "$1: *");
}

std::string Helo() {
    return "HELO " + LocalHostName() + "\r\n";
}
std::string Ehlo() {
    return "EHLO " + LocalHostName() + "\r\n";
}

const std::string kEnvelope = "MAIL FROM:<monitor@example.org>\r\nRCPT TO:<ops@example.org>\r\n";
const std::string kMessage = "Date: *\r\nMessage-Id: *\r\nFrom: QOVA <monitor@example.org>\r\n"
                             "To: <ops@example.org>\r\nSubject: Alert - site\r\n\r\n"
                             "Site unreachable\r\n.\r\n";

MailOutcome Send(SmtpSettings settings, SmtpLimits limits = Quick()) {
    SmtpMailer mailer([settings] { return settings; }, limits);
    bool sent = mailer.SendMail("monitor@example.org", "ops@example.org", "Alert - site",
                                "Site unreachable");
    EXPECT_EQ(sent, mailer.LastOutcome().sent);
    return mailer.LastOutcome();
}

TEST(SmtpMailer, WholeExchangeIsByteExact) {
    ScriptedServer server(
        Script({kGreet, Answer("250 mx.example\r\n"), Answer("250 ok\r\n"), Answer("250 ok\r\n"),
                Answer("354 go ahead\r\n"), kMessageOk, kBye}));
    SmtpSettings settings = At(server);
    SmtpMailer mailer([settings] { return settings; }, Quick());
    ASSERT_TRUE(mailer.SendMail("monitor@example.org", "ops@example.org", "Alert - site",
                                "first line\n.dot line\r\nlast"));
    EXPECT_TRUE(server.WaitFinished(1, milliseconds(2000)));
    EXPECT_EQ(Steady(server.Transcript()),
              Helo() + kEnvelope + "DATA\r\n" +
                  "Date: *\r\nMessage-Id: *\r\nFrom: QOVA <monitor@example.org>\r\n"
                  "To: <ops@example.org>\r\nSubject: Alert - site\r\n\r\n"
                  "first line\r\n..dot line\r\nlast\r\n.\r\nQUIT\r\n");
    EXPECT_TRUE(std::regex_search(server.Transcript(),
                                  std::regex(R"(\r\nDate: [A-Z][a-z]{2}, \d\d [A-Z][a-z]{2} \d{4} )"
                                             R"(\d\d:\d\d:\d\d [+-]\d{4}\r\n)")));
    EXPECT_TRUE(std::regex_search(
        server.Transcript(), std::regex("\r\nMessage-Id: <\\d+\\.\\d+\\.\\d+@[^>\r\n]+>\r\n")));
}

// Every way a server can refuse, each with what the client must have sent.
TEST(SmtpMailer, FailureTable) {
    const std::string head = Helo() + kEnvelope + "DATA\r\n";
    struct Case {
        const char* name;
        std::vector<Step> script;
        bool sent;
        const char* step;
        const char* reply;
        std::string transcript;
    } cases[] = {
        {"greeting 554", Script({{Step::Send("554 no service\r\n")}, kBye}), false, "greeting",
         "554 no service\r\n", "QUIT\r\n"},
        {"HELO 501: no RSET", Script({kGreet, Answer("501 bad name\r\n"), kBye}), false, "HELO",
         "501 bad name\r\n", Helo() + "QUIT\r\n"},
        {"RCPT 550: RSET, never DATA",
         Script({kGreet, Answer("250 hi\r\n"), Answer("250 ok\r\n"), Answer("550 no such user\r\n"),
                 Answer("250 reset\r\n"), kBye}),
         false, "RCPT TO", "550 no such user\r\n", Helo() + kEnvelope + "RSET\r\nQUIT\r\n"},
        {"DATA 451: RSET, no message",
         Script({kGreet, Answer("250 hi\r\n"), Answer("250 ok\r\n"), Answer("250 ok\r\n"),
                 Answer("451 try later\r\n"), Answer("250 reset\r\n"), kBye}),
         false, "DATA", "451 try later\r\n", head + "RSET\r\nQUIT\r\n"},
        {"552 after the message: RSET",
         Script({kGreet,
                 Answer("250 hi\r\n"),
                 Answer("250 ok\r\n"),
                 Answer("250 ok\r\n"),
                 Answer("354 go\r\n"),
                 {Step::ReadUntil("\r\n.\r\n"), Step::Send("552 too big\r\n")},
                 Answer("250 reset\r\n"),
                 kBye}),
         false, "message", "552 too big\r\n", head + kMessage + "RSET\r\nQUIT\r\n"},
        {"closed right after 250: sent",
         Script({kGreet,
                 Answer("250 hi\r\n"),
                 Answer("250 ok\r\n"),
                 Answer("250 ok\r\n"),
                 Answer("354 go\r\n"),
                 kMessageOk,
                 {Step::Close()}}),
         true, "", "", head + kMessage},
        {"never answers", {Step::Stall()}, false, "greeting", "", ""},
        {"greeting in two pieces is one reply",
         Script({{Step::Send("220-mx.example\r\n"), Step::Pause(milliseconds(100)),
                  Step::Send("220 ready\r\n")},
                 Answer("250-mx.example\r\n250 SIZE 1000\r\n"),
                 Answer("250 ok\r\n"),
                 Answer("250 ok\r\n"),
                 Answer("354 go\r\n"),
                 kMessageOk,
                 kBye}),
         true, "", "", head + kMessage + "QUIT\r\n"},
        {"closed after MAIL FROM: no RSET on a dead line",
         Script({kGreet, Answer("250 hi\r\n"), {Step::ReadLine(), Step::Close()}}), false,
         "MAIL FROM", "", Helo() + "MAIL FROM:<monitor@example.org>\r\n"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(c.script);
        MailOutcome outcome =
            Send(At(server), {milliseconds(2000), milliseconds(300), milliseconds(300)});
        EXPECT_EQ(outcome.sent, c.sent);
        EXPECT_EQ(outcome.failedStep, c.step);
        EXPECT_EQ(outcome.reply, c.reply);
        server.Stop();
        EXPECT_EQ(Steady(server.Transcript()), c.transcript);
    }
}

TEST(SmtpMailer, NoServerNoConnection) {
    SmtpMailer mailer([] { return SmtpSettings{}; }, Quick());
    EXPECT_FALSE(mailer.SendMail("a@b", "c@d", "s", "b"));
    EXPECT_EQ(mailer.LastOutcome().failedStep, "resolving");
    EXPECT_EQ(mailer.LastOutcome().detail, "no mail server is set");
}

// The settings are asked for at every send, so a new server is used at once.
TEST(SmtpMailer, ReadsTheServerAfreshAtEverySend) {
    auto full = Script({kGreet, Answer("250 hi\r\n"), Answer("250 ok\r\n"), Answer("250 ok\r\n"),
                        Answer("354 go\r\n"), kMessageOk, kBye});
    ScriptedServer first(full), second(full);
    const ScriptedServer* current = &first;
    SmtpMailer mailer([&] { return At(*current); }, Quick());
    EXPECT_TRUE(mailer.SendMail("a@b", "c@d", "s", "b"));
    current = &second;
    EXPECT_TRUE(mailer.SendMail("a@b", "c@d", "s", "b"));
    EXPECT_EQ(first.Connections(), 1);
    EXPECT_EQ(second.Connections(), 1);
}

TEST(SmtpMailer, InjectedLinesNeverBecomeCommandsOrHeaders) {
    ScriptedServer server(Script({kGreet, Answer("250 hi\r\n"), Answer("250 ok\r\n"),
                                  Answer("250 ok\r\n"), Answer("354 go\r\n"), kMessageOk, kBye}));
    SmtpSettings settings = At(server);
    settings.senderName = "QOVA\r\nBcc: victim@example.org";
    SmtpMailer mailer([settings] { return settings; }, Quick());
    ASSERT_TRUE(mailer.SendMail("a@example.org>\r\nRCPT TO:<victim@example.org",
                                "ops@example.org\nDATA", "Hi\r\n\r\nfake body", "body"));
    server.Stop();
    std::string t = server.Transcript();
    EXPECT_THAT(t, ::testing::HasSubstr("MAIL FROM:<a@example.orgRCPT TO:victim@example.org>\r\n"));
    EXPECT_THAT(t, ::testing::HasSubstr("RCPT TO:<ops@example.orgDATA>\r\nDATA\r\n"));
    EXPECT_THAT(t, ::testing::HasSubstr("\r\nFrom: QOVABcc: victim@example.org <"));
    EXPECT_THAT(t, ::testing::HasSubstr("\r\nSubject: Hifake body\r\n\r\nbody\r\n.\r\n"));
}

// Authentication against a server on this machine, which may see the
// password without TLS.
TEST(SmtpMailer, AuthTable) {
    const std::string tail = kEnvelope + "DATA\r\n" + kMessage + "QUIT\r\n";
    const auto rest = Script(
        {Answer("250 ok\r\n"), Answer("250 ok\r\n"), Answer("354 go\r\n"), kMessageOk, kBye});
    struct Case {
        const char* name;
        std::vector<Step> script;
        bool sent;
        const char* step;
        std::string transcript;
    } cases[] = {
        {"PLAIN preferred",
         Script({kGreet, Answer("250-mx\r\n250 AUTH LOGIN PLAIN\r\n"), Answer("235 ok\r\n"), rest}),
         true, "", Ehlo() + "AUTH PLAIN AG1lAHNlY3JldA==\r\n" + tail},
        {"LOGIN when only LOGIN is offered",
         Script({kGreet, Answer("250-mx\r\n250 AUTH LOGIN\r\n"), Answer("334 VXNlcm5hbWU6\r\n"),
                 Answer("334 UGFzc3dvcmQ6\r\n"), Answer("235 ok\r\n"), rest}),
         true, "", Ehlo() + "AUTH LOGIN\r\nbWU=\r\nc2VjcmV0\r\n" + tail},
        {"refused login",
         Script({kGreet, Answer("250-mx\r\n250 AUTH PLAIN\r\n"), Answer("535 bad credentials\r\n"),
                 kBye}),
         false, "AUTH", Ehlo() + "AUTH PLAIN AG1lAHNlY3JldA==\r\nQUIT\r\n"},
        {"no usable mechanism", Script({kGreet, Answer("250-mx\r\n250 AUTH CRAM-MD5\r\n"), kBye}),
         false, "AUTH", Ehlo() + "QUIT\r\n"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(c.script);
        SmtpSettings settings = At(server);
        settings.auth = true;
        settings.username = "me";
        settings.password = "secret";
        MailOutcome outcome = Send(settings);
        EXPECT_EQ(outcome.sent, c.sent);
        EXPECT_EQ(outcome.failedStep, c.step);
        server.Stop();
        EXPECT_EQ(Steady(server.Transcript()), c.transcript);
    }
}

class SmtpTls : public ::testing::Test {
  protected:
    test::TempDir dir_;
    test::ScopedEnv certFile_{"SSL_CERT_FILE"};
};

// STARTTLS where offered, and the password only after the certificate checked
// out: a server the client cannot verify never sees it.
TEST_F(SmtpTls, StartTlsBeforeTheLogin) {
    test::TestCa ca(dir_.Path());
    auto script = Script({kGreet,
                          Answer("250-mx\r\n250-STARTTLS\r\n250 AUTH PLAIN\r\n"),
                          Answer("220 go ahead\r\n"),
                          {Step::StartTls()},
                          Answer("250-mx\r\n250 AUTH PLAIN\r\n"),
                          Answer("235 ok\r\n"),
                          Answer("250 ok\r\n"),
                          Answer("250 ok\r\n"),
                          Answer("354 go\r\n"),
                          kMessageOk,
                          kBye});
    for (bool trusted : {true, false}) {
        SCOPED_TRACE(trusted ? "trusted" : "unknown authority");
        if (trusted) {
            certFile_.Set(ca.CaFile().c_str());
        } else {
            certFile_.Set(dir_.File("none.pem").c_str());
        }
        ScriptedServer server(script, {.tls = ca.ServerIdentity(), .tlsFromStart = false});
        SmtpSettings settings = At(server);
        settings.auth = true;
        settings.username = "me";
        settings.password = "secret";
        MailOutcome outcome = Send(settings);
        server.Stop();
        if (trusted) {
            EXPECT_TRUE(outcome.sent) << outcome.failedStep << outcome.detail;
            EXPECT_EQ(Steady(server.Transcript()),
                      Ehlo() + "STARTTLS\r\n" + Ehlo() + "AUTH PLAIN AG1lAHNlY3JldA==\r\n" +
                          kEnvelope + "DATA\r\n" + kMessage + "QUIT\r\n");
        } else {
            EXPECT_FALSE(outcome.sent);
            EXPECT_EQ(outcome.failedStep, "TLS");
            EXPECT_THAT(server.Transcript(), ::testing::Not(::testing::HasSubstr("AUTH")));
        }
    }
}

TEST(OnThisMachine, ClearTextPasswordOnlyForLoopback) {
    struct Case {
        std::vector<const char*> hosts;
        bool local;
    } cases[] = {
        {{"127.0.0.1"}, true},
        {{"127.5.6.7"}, true},
        {{"::1"}, true},
        {{"::ffff:127.0.0.1"}, true},
        {{"127.0.0.1", "::1"}, true},
        {{"10.0.0.1"}, false},
        {{"128.0.0.1"}, false},
        {{"::ffff:10.0.0.1"}, false},
        {{"2001:db8::1"}, false},
        {{"127.0.0.1", "192.0.2.1"}, false},
        {{}, false},
    };
    for (const auto& c : cases) {
        std::vector<net::SocketAddress> addresses;
        for (const char* host : c.hosts) {
            std::vector<net::SocketAddress> one;
            ASSERT_TRUE(
                net::ResolveHost(one, host, 25, AF_UNSPEC, net::Deadline::In(milliseconds(1000))));
            addresses.insert(addresses.end(), one.begin(), one.end());
        }
        EXPECT_EQ(OnThisMachine(addresses), c.local) << (c.hosts.empty() ? "" : c.hosts[0]);
    }
}

} // namespace
} // namespace qova
