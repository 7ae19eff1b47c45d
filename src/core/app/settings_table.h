#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qova {

class SettingsStore;

inline constexpr const char* kSettingsSection = "Settings";

// The kinds of value in section "Settings". A flag is an integer used as 0 or 1.
enum class SettingType { Integer, Flag, Text };

// One value of section "Settings": its name as stored, its type, the default a
// missing value reads as, and what it means.
struct SettingDefinition {
    const char* name;
    SettingType type;
    int intDefault;
    const char* textDefault;
    // Set when the default is not a constant (a log path, another value).
    const char* derivedDefault;
    const char* meaning;
    bool secret = false; // listed masked
};

// Every value of section "Settings", in the order a user reads them.
std::span<const SettingDefinition> SettingsTable();

// The definition of a name, compared without regard to letter case as the store does.
const SettingDefinition* FindSetting(std::string_view name);

// What a user's new value becomes, or why it is refused. The checks are those of
// the program's dialogs, with their messages: the mail addresses and the server
// are trimmed and must not be blank, the threshold is a whole number from 0 to
// 999999, an empty sender name becomes "QOVA". Beyond them, integers must be
// whole 32-bit numbers, flags 0 or 1, the interval at least one minute, and no
// text may hold a control character (they would split a mail header or a log
// line); only the friend's mail body may hold line ends.
struct SettingCheck {
    bool ok = false;
    std::string value;   // the value to store, when ok
    std::string message; // why not, when not ok
};
SettingCheck CheckSetting(const SettingDefinition& setting, const std::string& value);

// The value as stored now, as text; the default when it is missing.
std::string ReadSetting(const SettingsStore& store, const SettingDefinition& setting);
// Whether the store holds a value of the setting's type.
bool SettingIsStored(const SettingsStore& store, const SettingDefinition& setting);
// Writes a checked value with the setting's type.
bool WriteSetting(SettingsStore& store, const SettingDefinition& setting,
                  const std::string& checkedValue);

// Parses a whole decimal 32-bit number with optional sign and nothing around it.
std::optional<int> ParseWholeNumber(std::string_view text);

} // namespace qova
