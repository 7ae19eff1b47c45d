#include "mail/mail_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

namespace qova {
namespace {

MailMessage Message(std::string subject, std::string body) {
    return {"Mon, 07 Oct 2002 15:05:09 -0400",
            "<1.2.3@host.example>",
            "QOVA",
            "monitor@example.org",
            "ops@example.org",
            std::move(subject),
            std::move(body)};
}

const std::string kHeaders = "Date: Mon, 07 Oct 2002 15:05:09 -0400\r\n"
                             "Message-Id: <1.2.3@host.example>\r\n"
                             "From: QOVA <monitor@example.org>\r\n"
                             "To: <ops@example.org>\r\n";

TEST(MessageText, HeadersEmptyLineBodyAndTerminator) {
    struct Case {
        const char* name;
        std::string subject, body, expected;
    } cases[] = {
        {"one-line notice", "Alert - http://a.example", "Site unreachable on 03/07/2004",
         "Subject: Alert - http://a.example\r\n\r\nSite unreachable on 03/07/2004\r\n.\r\n"},
        {"empty subject and body", "", "", "Subject: \r\n\r\n.\r\n"},
        {"body already ends its line: no extra empty line", "s", "a\r\nb\r\n",
         "Subject: s\r\n\r\na\r\nb\r\n.\r\n"},
        {"a body line that looks like a header stays body", "s", "To: someone@else\n",
         "Subject: s\r\n\r\nTo: someone@else\r\n.\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageText(Message(c.subject, c.body)), kHeaders + c.expected) << c.name;
    }
}

TEST(DataBody, EndsLinesWithCrLfAndDoublesLeadingDots) {
    struct Case {
        const char* body;
        const char* wire;
    } cases[] = {
        {"a\nb", "a\r\nb\r\n"},           {"a\rb\r\n", "a\r\nb\r\n"},
        {"a\r\n\r\nb", "a\r\n\r\nb\r\n"}, {".", "..\r\n"},
        {"x\n.\ny", "x\r\n..\r\ny\r\n"},  {"x\r\n.hidden\r\n", "x\r\n..hidden\r\n"},
        {"a.b\n..c", "a.b\r\n...c\r\n"},  {"\n", "\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DataBody(c.body), c.wire) << c.body;
    }
}

// No header value or address, however it is made, may start a header line of
// its own or leave the command's angle brackets.
TEST(MessageText, InjectionAttemptsStayInsideTheirField) {
    MailMessage m = Message("Hi\r\nBcc: victim@example.org", "body");
    m.senderName = "QOVA\nReply-To: thief@example.org";
    m.recipient = "ops@example.org\r\nCc: victim@example.org";
    m.returnAddress = "me@example.org>\r\nX-Evil: 1";
    m.date = "now\r\n\r\nfake body";
    std::string text = MessageText(m);
    std::string headers = text.substr(0, text.find("\r\n\r\n"));
    EXPECT_THAT(headers, ::testing::Not(::testing::HasSubstr("\r\nBcc")));
    EXPECT_THAT(headers, ::testing::Not(::testing::HasSubstr("\r\nReply-To")));
    EXPECT_THAT(headers, ::testing::Not(::testing::HasSubstr("\r\nCc")));
    EXPECT_THAT(headers, ::testing::Not(::testing::HasSubstr("\r\nX-Evil")));
    EXPECT_THAT(headers, ::testing::HasSubstr("Subject: HiBcc: victim@example.org"));
    EXPECT_EQ(text.substr(text.find("\r\n\r\n")), "\r\n\r\nbody\r\n.\r\n");
}

TEST(EnvelopeAddress, KeepsTheBareAddressOnly) {
    struct Case {
        const char* typed;
        const char* bare;
    } cases[] = {
        {"ops@example.org", "ops@example.org"},
        {"  ops@example.org ", "ops@example.org"},
        {"Ops Team <ops@example.org>", "ops@example.org"},
        {"ops@example.org\r\nRCPT TO:x@y", "ops@example.orgRCPT TO:x@y"},
        {"a@b> SIZE=1", "a@b SIZE=1"},
        {"a\tb\x7f@c", "ab@c"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EnvelopeAddress(c.typed), c.bare) << c.typed;
    }
}

class WithZone : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        saved_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    }
    void TearDown() override {
        if (saved_) {
            setenv("TZ", saved_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    static void Use(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }

  private:
    std::optional<std::string> saved_;
};

TEST_F(WithZone, DateHeaderHasNumericZoneAndEnglishNames) {
    struct Case {
        const char* zone;
        std::time_t when;
        const char* date;
    } cases[] = {
        // 2002-10-07 19:05:09 UTC: daylight saving time in New York.
        {"EST5EDT,M4.1.0,M10.5.0", 1034017509, "Mon, 07 Oct 2002 15:05:09 -0400"},
        // 2004-01-01 00:00:00 UTC: standard time, the year and the day roll back.
        {"EST5EDT,M4.1.0,M10.5.0", 1072915200, "Wed, 31 Dec 2003 19:00:00 -0500"},
        {"UTC0", 1072915200, "Thu, 01 Jan 2004 00:00:00 +0000"},
        {"IST-5:30", 1072915200, "Thu, 01 Jan 2004 05:30:00 +0530"},
    };
    for (const auto& c : cases) {
        Use(c.zone);
        EXPECT_EQ(DateHeader(c.when), c.date) << c.zone;
    }
}

TEST(NewMessageId, IsWellFormedAndNeverRepeats) {
    std::string first = NewMessageId(1034017509, "host.example");
    std::string second = NewMessageId(1034017509, "host.example");
    EXPECT_NE(first, second);
    EXPECT_TRUE(
        std::regex_match(first, std::regex(R"(<1034017509\.[0-9]+\.[0-9]+@host\.example>)")))
        << first;
}

} // namespace
} // namespace qova
