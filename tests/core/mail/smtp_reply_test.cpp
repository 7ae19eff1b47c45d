#include "mail/smtp_reply.h"

#include <gtest/gtest.h>

#include <string>

namespace qova {
namespace {

TEST(WholeReplyLength, TakesEveryLineUpToTheLast) {
    struct Case {
        const char* received;
        size_t length;
    } cases[] = {
        {"220 ready\r\n", 11},
        {"220-first\r\n220 second\r\n", 23},
        {"220-first\r\n", 0},        // the rest is still on its way
        {"220-first\r\n220 sec", 0}, // last line not yet ended
        {"250 ok\r\n354 go\r\n", 8}, // bytes after the reply are the next reply's
        {"250\r\n", 5},              // a code alone ends the reply
        {"250 ok\n", 7},             // LF alone is tolerated
        {"garbage\r\n", 9},          // a malformed line ends the reply too
        {"", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WholeReplyLength(c.received), c.length) << c.received;
    }
}

TEST(ReplyCode, ReadsTheFirstThreeDigits) {
    EXPECT_EQ(ReplyCode("250-PIPELINING\r\n554 no\r\n"), 250);
    EXPECT_EQ(ReplyCode("354 go ahead\r\n"), 354);
    EXPECT_EQ(ReplyCode("25 short\r\n"), 0);
    EXPECT_EQ(ReplyCode(""), 0);
    EXPECT_EQ(ReplyCode("ok 250\r\n"), 0);
}

TEST(ParseEhloOffer, FindsStartTlsAndAuthMechanisms) {
    struct Case {
        const char* reply;
        bool startTls, plain, login;
    } cases[] = {
        {"250-mail.example\r\n250-STARTTLS\r\n250 AUTH LOGIN PLAIN\r\n", true, true, true},
        {"250-mail.example\r\n250-AUTH=LOGIN\r\n250 SIZE 100\r\n", false, false, true},
        {"250-mail.example\r\n250 auth cram-md5 plain\r\n", false, true, false},
        {"250-mail.example\r\n250-X-STARTTLSISH\r\n250 AUTH PLAINISH\r\n", false, false, false},
        {"250 mail.example\r\n", false, false, false},
    };
    for (const auto& c : cases) {
        EhloOffer offer = ParseEhloOffer(c.reply);
        EXPECT_EQ(offer.startTls, c.startTls) << c.reply;
        EXPECT_EQ(offer.authPlain, c.plain) << c.reply;
        EXPECT_EQ(offer.authLogin, c.login) << c.reply;
    }
}

} // namespace
} // namespace qova
