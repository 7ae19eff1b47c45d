#include "app/record_settings.h"
#include "app/settings_store.h"
#include "app/settings_table.h"
#include "engine/monitor_record.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace qova {
namespace {

struct CheckCase {
    const char* name;
    std::string input;
    bool ok;
    std::string result; // the stored value when ok, else the message
};

TEST(SettingsTable, SetChecksWhatTheDialogsCheck) {
    const CheckCase cases[] = {
        {"SMTPWarn", "0", true, "0"},
        {"SMTPWarn", "999999", true, "999999"},
        {"SMTPWarn", "1000000", false, "Please enter an integer between 0 and 999999."},
        {"SMTPWarn", "-1", false, "Please enter an integer between 0 and 999999."},
        {"SMTPWarn", "ten", false, "Please enter an integer."},
        {"SMTPWarn", "12ms", false, "Please enter an integer."},
        {"SMTPWarn", "99999999999", false, "Please enter an integer."},
        {"SMTPAlert", "   ", false,
         "Please enter an email address for the recipient of QOVA alerts."},
        {"SMTPAlert", "  ops@example.com ", true, "ops@example.com"},
        {"SMTPRecovery", "", false,
         "Please enter an email address for the recipient of QOVA recovery notices."},
        {"SMTPEmail", "\t", false,
         "Please enter a return email address in case some notices are undeliverable."},
        {"SMTP", " ", false,
         "Please enter the host name or IP of your SMTP server, if you do not know it, consult "
         "your system administrator."},
        {"SMTP", " mail.example.com:2525 ", true, "mail.example.com:2525"},
        {"SMTPName", "  ", true, "QOVA"},
        // Not trimmed by the dialog: a password may hold blanks at either end.
        {"SMTPPassword", " s3cret ", true, " s3cret "},
        // A line end in a header value would start a header of its own.
        {"SMTPAlert", "ops@example.com\r\nBcc: x@example.com", false,
         "Please enter the text without control characters."},
        {"LastURL", "http://a/\n", false, "Please enter the text without control characters."},
        {"LastFriendBody", "Hey,\r\n\r\nlook", true, "Hey,\r\n\r\nlook"},
        {"SMTPAuth", "1", true, "1"},
        {"SMTPAuth", "2", false, "Please enter 0 or 1."},
        {"Interval", "0", false, "Please enter an integer between 1 and 35791."},
        {"Interval", "35791", true, "35791"},
        {"Interval", "35792", false, "Please enter an integer between 1 and 35791."},
        {"LocX", "-40", true, "-40"},
    };
    for (const CheckCase& c : cases) {
        const SettingDefinition* setting = FindSetting(c.name);
        ASSERT_NE(setting, nullptr) << c.name;
        SettingCheck check = CheckSetting(*setting, c.input);
        EXPECT_EQ(check.ok, c.ok) << c.name << " '" << c.input << "'";
        EXPECT_EQ(c.ok ? check.value : check.message, c.result) << c.name << " '" << c.input << "'";
    }
}

TEST(SettingsTable, NamesAreFoundWithoutLetterCaseAndUnknownOnesAreNot) {
    ASSERT_NE(FindSetting("smtpwarn"), nullptr);
    EXPECT_STREQ(FindSetting("smtpwarn")->name, "SMTPWarn");
    EXPECT_EQ(FindSetting("SMTPWarning"), nullptr);
    EXPECT_EQ(FindSetting(""), nullptr);
}

TEST(SettingsTable, WritesWithTheTypeTheProgramReads) {
    test::TempDir dir;
    SettingsStore store(dir.File("settings.db"));
    const SettingDefinition& warn = *FindSetting("SMTPWarn");
    const SettingDefinition& server = *FindSetting("SMTP");
    EXPECT_FALSE(SettingIsStored(store, warn));
    EXPECT_EQ(ReadSetting(store, warn), "10000");

    ASSERT_TRUE(WriteSetting(store, warn, "2500"));
    ASSERT_TRUE(WriteSetting(store, server, "127.0.0.1:2525"));
    EXPECT_EQ(store.GetProfileInt("Settings", "SMTPWarn", 10000), 2500);
    EXPECT_EQ(store.GetProfileString("Settings", "SMTP", ""), "127.0.0.1:2525");
    EXPECT_TRUE(SettingIsStored(store, warn));
    EXPECT_EQ(ReadSetting(store, warn), "2500");

    // An empty text is still a stored value.
    ASSERT_TRUE(WriteSetting(store, *FindSetting("LastURL"), ""));
    EXPECT_TRUE(SettingIsStored(store, *FindSetting("LastURL")));
}

TEST(RecordSettings, EmptyStoreGivesDefaultsAndStoresTheLogPaths) {
    test::TempDir dir;
    SettingsStore store(dir.File("settings.db"));
    MonitorRecord record;
    record.interval = 0;
    record.setupPromptPending = false;
    LoadRecordSettings(record, store, "/var/log/qova");

    EXPECT_EQ(record.interval, 15);
    EXPECT_EQ(record.slowThreshold, 10000);
    EXPECT_EQ(record.smtpName, "QOVA");
    EXPECT_EQ(record.doAccessLog, 1);
    EXPECT_EQ(record.doErrorLog, 1);
    EXPECT_TRUE(record.smtpServer.empty());
    EXPECT_TRUE(record.setupPromptPending);
    EXPECT_EQ(record.allTimeMin, kNoLoadTime);
    EXPECT_EQ(record.accessLogPath, "/var/log/qova/access.log");
    EXPECT_EQ(record.errorLogPath, "/var/log/qova/error.log");
    EXPECT_EQ(store.GetProfileString("Settings", "AccessLogFile", ""), "/var/log/qova/access.log");
    EXPECT_EQ(store.GetProfileString("Settings", "ErrorLogFile", ""), "/var/log/qova/error.log");
}

TEST(RecordSettings, StoredValuesWin) {
    test::TempDir dir;
    SettingsStore store(dir.File("settings.db"));
    store.WriteProfileInt("Settings", "Interval", 0); // kept as read; the timer guards it
    store.WriteProfileString("Settings", "LastURL", "http://a/");
    store.WriteProfileString("Settings", "SMTP", "mail:2525");
    store.WriteProfileString("Settings", "SMTPAlert", "ops@a");
    store.WriteProfileString("Settings", "SMTPRecovery", "rec@a");
    store.WriteProfileString("Settings", "SMTPEmail", "qova@a");
    store.WriteProfileInt("Settings", "SMTPWarn", 0);
    store.WriteProfileInt("Settings", "DoErrorLog", 0);
    store.WriteProfileString("Settings", "AccessLogFile", "/tmp/a.log");
    MonitorRecord record;
    LoadRecordSettings(record, store, "/unused");

    EXPECT_EQ(record.interval, 0);
    EXPECT_EQ(record.addressText, "http://a/");
    EXPECT_EQ(record.smtpServer, "mail:2525");
    EXPECT_EQ(record.alertRecipient, "ops@a");
    EXPECT_EQ(record.recoveryRecipient, "rec@a");
    EXPECT_EQ(record.returnAddress, "qova@a");
    EXPECT_EQ(record.slowThreshold, 0);
    EXPECT_EQ(record.doErrorLog, 0);
    EXPECT_EQ(record.accessLogPath, "/tmp/a.log");
    EXPECT_EQ(record.errorLogPath, "/unused/error.log");
}

} // namespace
} // namespace qova
