#include "app/record_settings.h"

#include "app/settings_store.h"
#include "app/settings_table.h"
#include "engine/monitor_record.h"

namespace qova {
namespace {

int Int(const SettingsStore& store, const char* name) {
    const SettingDefinition* setting = FindSetting(name);
    return store.GetProfileInt(kSettingsSection, name, setting ? setting->intDefault : 0);
}

std::string Text(const SettingsStore& store, const char* name) {
    const SettingDefinition* setting = FindSetting(name);
    return store.GetProfileString(kSettingsSection, name, setting ? setting->textDefault : "");
}

std::string LogPath(SettingsStore& store, const char* name, const std::string& fallback) {
    std::string path = Text(store, name);
    if (path.empty()) {
        path = fallback;
        store.WriteProfileString(kSettingsSection, name, path);
    }
    return path;
}

} // namespace

void LoadRecordSettings(MonitorRecord& record, SettingsStore& store, const std::string& logFolder) {
    record.interval = Int(store, "Interval");
    record.addressText = Text(store, "LastURL");
    record.setupPromptPending = true;
    record.hideAtStart = Int(store, "Hid");

    record.smtpName = Text(store, "SMTPName");
    record.returnAddress = Text(store, "SMTPEmail");
    record.smtpUsername = Text(store, "SMTPUsername");
    record.smtpPassword = Text(store, "SMTPPassword");
    record.smtpServer = Text(store, "SMTP");
    record.smtpAuth = Int(store, "SMTPAuth");
    record.alertRecipient = Text(store, "SMTPAlert");
    record.recoveryRecipient = Text(store, "SMTPRecovery");
    record.slowThreshold = Int(store, "SMTPWarn");

    record.doAccessLog = Int(store, "DoAccessLog");
    record.doErrorLog = Int(store, "DoErrorLog");
    record.accessLogPath = LogPath(store, "AccessLogFile", logFolder + "/access.log");
    record.errorLogPath = LogPath(store, "ErrorLogFile", logFolder + "/error.log");

    record.allTimeMin = kNoLoadTime;
    record.allTimeMax = kNoLoadTime;
    record.chartScaleMax = 10.0;
}

} // namespace qova
