#include "app/settings_table.h"

#include "app/settings_store.h"
#include "app/text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <strings.h>

namespace qova {
namespace {

using T = SettingType;

// Interval bounds: the arrows never go below one minute, and the poll timer
// holds at most 35791 minutes in milliseconds.
constexpr int kMinInterval = 1;
constexpr int kMaxInterval = 35791;
constexpr int kMaxThreshold = 999999;

const std::array<SettingDefinition, 24> kTable = {{
    {"SMTP", T::Text, 0, "", nullptr, "outgoing mail server: host, host:port or [IPv6]:port"},
    {"SMTPAlert", T::Text, 0, "", nullptr, "recipient of alerts and slow-response warnings"},
    {"SMTPRecovery", T::Text, 0, "", nullptr, "recipient of recovery notices"},
    {"SMTPEmail", T::Text, 0, "", nullptr, "return address, the sender of every notice"},
    {"SMTPName", T::Text, 0, "QOVA", nullptr, "display name of the sender"},
    {"SMTPWarn", T::Integer, 10000, "", nullptr,
     "slow-response threshold in milliseconds (0 to 999999)"},
    {"SMTPAuth", T::Flag, 0, "", nullptr, "the server requires authentication (0 or 1)"},
    {"SMTPUsername", T::Text, 0, "", nullptr, "user name for an authenticating server"},
    {"SMTPPassword", T::Text, 0, "", nullptr, "password for an authenticating server", true},
    {"Interval", T::Integer, 15, "", nullptr, "minutes between polls"},
    {"LastURL", T::Text, 0, "", nullptr, "the address the next start opens with"},
    {"DoAccessLog", T::Flag, 1, "", nullptr, "write the access log (0 or 1)"},
    {"DoErrorLog", T::Flag, 1, "", nullptr, "write the error log (0 or 1)"},
    {"AccessLogFile", T::Text, 0, "", "<log folder>/access.log", "path of the access log"},
    {"ErrorLogFile", T::Text, 0, "", "<log folder>/error.log", "path of the error log"},
    {"NumOpen", T::Integer, 0, "", nullptr, "instances running now (kept by the program)"},
    {"LocX", T::Integer, -32, "", nullptr, "left edge of the window"},
    {"LocY", T::Integer, -32, "", nullptr, "top edge of the window"},
    {"AOT", T::Flag, 0, "", nullptr, "window always on top (0 or 1)"},
    {"ViewDetails", T::Flag, 1, "", nullptr, "window shows the statistics (0 or 1)"},
    {"Hid", T::Integer, 0, "", nullptr, "read at start, not used"},
    {"LastFriendFrom", T::Text, 0, "", "the value of SMTPEmail", "last sender of Tell a friend"},
    {"LastFriendSubject", T::Text, 0, "Check out QOVA!", nullptr, "last subject of Tell a friend"},
    {"LastFriendBody", T::Text, 0, "", "the built-in recommendation", "last body of Tell a friend"},
}};

// The dialogs' messages for a blank mail field.
const char* BlankMessage(std::string_view name) {
    if (name == "SMTPAlert") {
        return "Please enter an email address for the recipient of QOVA alerts.";
    }
    if (name == "SMTPRecovery") {
        return "Please enter an email address for the recipient of QOVA recovery notices.";
    }
    if (name == "SMTPEmail") {
        return "Please enter a return email address in case some notices are undeliverable.";
    }
    if (name == "SMTP") {
        return "Please enter the host name or IP of your SMTP server, if you do not know it, "
               "consult your system administrator.";
    }
    return nullptr;
}

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n\v\f";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool HasControlCharacter(const std::string& text, bool allowLineEnds) {
    return std::any_of(text.begin(), text.end(), [allowLineEnds](char c) {
        bool lineEnd = c == '\r' || c == '\n' || c == '\t';
        return IsControlCharacter(c) && !(allowLineEnds && lineEnd);
    });
}

SettingCheck Refuse(std::string message) {
    return {false, {}, std::move(message)};
}

std::string RangeMessage(int low, int high) {
    return "Please enter an integer between " + std::to_string(low) + " and " +
           std::to_string(high) + ".";
}

} // namespace

std::span<const SettingDefinition> SettingsTable() {
    return kTable;
}

const SettingDefinition* FindSetting(std::string_view name) {
    for (const SettingDefinition& setting : kTable) {
        std::string_view own(setting.name);
        if (own.size() == name.size() && ::strncasecmp(own.data(), name.data(), own.size()) == 0) {
            return &setting;
        }
    }
    return nullptr;
}

std::optional<int> ParseWholeNumber(std::string_view text) {
    std::string copy(text);
    if (copy.empty() || copy.find_first_not_of("+-0123456789") != std::string::npos) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(copy.c_str(), &end, 10);
    if (errno != 0 || end == copy.c_str() || *end != '\0' || value < INT_MIN || value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

SettingCheck CheckSetting(const SettingDefinition& setting, const std::string& value) {
    std::string_view name(setting.name);
    if (setting.type != SettingType::Text) {
        std::optional<int> number = ParseWholeNumber(value);
        if (!number) {
            return Refuse(setting.type == SettingType::Flag ? "Please enter 0 or 1."
                                                            : "Please enter an integer.");
        }
        if (setting.type == SettingType::Flag && *number != 0 && *number != 1) {
            return Refuse("Please enter 0 or 1.");
        }
        if (name == "SMTPWarn" && (*number < 0 || *number > kMaxThreshold)) {
            return Refuse(RangeMessage(0, kMaxThreshold));
        }
        if (name == "Interval" && (*number < kMinInterval || *number > kMaxInterval)) {
            return Refuse(RangeMessage(kMinInterval, kMaxInterval));
        }
        return {true, std::to_string(*number), {}};
    }

    // The dialogs trim the addresses, the server and the sender name, and
    // nothing else: a password may well begin with a blank.
    const char* blank = BlankMessage(name);
    bool trimmed = blank || name == "SMTPName";
    std::string text = trimmed ? Trim(value) : value;
    if (HasControlCharacter(text, name == "LastFriendBody")) {
        return Refuse("Please enter the text without control characters.");
    }
    if (text.empty() && blank) {
        return Refuse(blank);
    }
    if (text.empty() && name == "SMTPName") {
        text = "QOVA";
    }
    return {true, text, {}};
}

std::string ReadSetting(const SettingsStore& store, const SettingDefinition& setting) {
    if (setting.type == SettingType::Text) {
        return store.GetProfileString(kSettingsSection, setting.name, setting.textDefault);
    }
    return std::to_string(store.GetProfileInt(kSettingsSection, setting.name, setting.intDefault));
}

bool SettingIsStored(const SettingsStore& store, const SettingDefinition& setting) {
    // The store answers only with a value or the caller's default: a value that
    // reads back differently under two different defaults is not there.
    if (setting.type == SettingType::Text) {
        std::string a = store.GetProfileString(kSettingsSection, setting.name, "\x01");
        return a != "\x01" ||
               store.GetProfileString(kSettingsSection, setting.name, "\x02") != "\x02";
    }
    int a = store.GetProfileInt(kSettingsSection, setting.name, INT_MIN);
    return a != INT_MIN || store.GetProfileInt(kSettingsSection, setting.name, INT_MAX) != INT_MAX;
}

bool WriteSetting(SettingsStore& store, const SettingDefinition& setting,
                  const std::string& checkedValue) {
    if (setting.type == SettingType::Text) {
        return store.WriteProfileString(kSettingsSection, setting.name, checkedValue);
    }
    std::optional<int> number = ParseWholeNumber(checkedValue);
    return number && store.WriteProfileInt(kSettingsSection, setting.name, *number);
}

} // namespace qova
