#include "mail/smtp_settings.h"

#include "app/settings_store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace qova {
namespace {

TEST(ParseSmtpServer, SplitsHostAndPort) {
    struct Case {
        const char* text;
        const char* host;
        int port;
        bool valid;
    } cases[] = {
        {"mail.example.org", "mail.example.org", 25, true},
        {"mail.example.org:587", "mail.example.org", 587, true},
        {" 127.0.0.1:465 ", "127.0.0.1", 465, true},
        {"[::1]:2525", "::1", 2525, true},
        {"[::1]", "::1", 25, true},
        {"::1", "::1", 25, true},
        {"", "", 25, false},
        {"mail.example.org:", "mail.example.org", 25, false},
        {"mail.example.org:0", "mail.example.org", 25, false},
        {"mail.example.org:65536", "mail.example.org", 25, false},
        {"mail.example.org:25x", "mail.example.org", 25, false},
        {"[::1", "", 25, false},
        {"mail\r\n.example.org", "mail\r\n.example.org", 25, false},
    };
    for (const auto& c : cases) {
        SmtpServer s = ParseSmtpServer(c.text);
        EXPECT_EQ(s.valid, c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(s.host, c.host) << c.text;
            EXPECT_EQ(s.port, c.port) << c.text;
        }
    }
}

TEST(ReadSmtpSettings, ReadsTheStoreAsItIsNow) {
    test::TempDir dir;
    SettingsStore store(dir.File("settings.db"));
    SmtpSettings empty = ReadSmtpSettings(store);
    EXPECT_EQ(empty.server, "");
    EXPECT_EQ(empty.senderName, "QOVA");
    EXPECT_FALSE(empty.auth);

    store.WriteProfileString("Settings", "SMTP", "mail.example.org:587");
    store.WriteProfileString("Settings", "SMTPEmail", "me@example.org");
    store.WriteProfileInt("Settings", "SMTPAuth", 1);
    store.WriteProfileString("Settings", "SMTPUsername", "me");
    store.WriteProfileString("Settings", "SMTPPassword", "secret");
    SmtpSettings set = ReadSmtpSettings(store);
    EXPECT_EQ(set.server, "mail.example.org:587");
    EXPECT_EQ(set.returnAddress, "me@example.org");
    EXPECT_TRUE(set.auth);
    EXPECT_EQ(set.username, "me");
    EXPECT_EQ(set.password, "secret");
}

} // namespace
} // namespace qova
