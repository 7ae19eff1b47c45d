#include "commands.h"

#include "app/paths.h"
#include "app/settings_store.h"
#include "app/settings_table.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace qova::cli {
namespace {

constexpr const char* kUsage =
    "usage: qova-cli config list\n"
    "       qova-cli config get NAME\n"
    "       qova-cli config set NAME VALUE\n"
    "\n"
    "Shows and changes the settings QOVA keeps in section \"Settings\" of its store\n"
    "(the same store the desktop program uses; $QOVA_SETTINGS names another one).\n"
    "'list' shows every value with its type and default; the password is masked.\n"
    "'set' checks a value as the settings dialogs do. Names ignore letter case.\n"
    "\n"
    "To have alerts mailed, set at least:\n"
    "  qova-cli config set SMTP mail.example.com        (host, host:port or [IPv6]:port)\n"
    "  qova-cli config set SMTPAlert ops@example.com\n"
    "  qova-cli config set SMTPRecovery ops@example.com\n"
    "  qova-cli config set SMTPEmail qova@example.com\n"
    "\n"
    "Exit status: 0 done, 1 the store could not be written, 3 bad usage or a refused value.\n";

const char* TypeName(SettingType type) {
    switch (type) {
    case SettingType::Integer:
        return "integer";
    case SettingType::Flag:
        return "flag";
    case SettingType::Text:
        return "text";
    }
    return "";
}

std::string DefaultText(const SettingDefinition& setting) {
    if (setting.derivedDefault) {
        return setting.derivedDefault;
    }
    if (setting.type == SettingType::Text) {
        return "\"" + std::string(setting.textDefault) + "\"";
    }
    return std::to_string(setting.intDefault);
}

// What the programs use when nothing is stored and the default is not a constant.
std::string EffectiveValue(const SettingsStore& store, const SettingDefinition& setting) {
    if (SettingIsStored(store, setting) || !setting.derivedDefault) {
        return ReadSetting(store, setting);
    }
    std::string name = setting.name;
    if (name == "AccessLogFile") {
        return DefaultLogFolder() + "/access.log";
    }
    if (name == "ErrorLogFile") {
        return DefaultLogFolder() + "/error.log";
    }
    if (name == "LastFriendFrom") {
        return ReadSetting(store, *FindSetting("SMTPEmail"));
    }
    return ReadSetting(store, setting);
}

void PrintKnownNames(std::FILE* out) {
    std::fputs("Known settings:", out);
    for (const SettingDefinition& setting : SettingsTable()) {
        std::fprintf(out, " %s", setting.name);
    }
    std::fputs("\n", out);
}

const SettingDefinition* FindOrComplain(const char* name) {
    const SettingDefinition* setting = FindSetting(name);
    if (!setting) {
        std::fprintf(stderr, "qova-cli config: unknown setting '%s'.\n", name);
        PrintKnownNames(stderr);
    }
    return setting;
}

// A value shown on one line: line ends (only a friend's mail body has them) as \r \n.
std::string OneLine(const std::string& value) {
    std::string shown;
    for (char c : value) {
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else {
            shown += c;
        }
    }
    return shown;
}

int List(const SettingsStore& store) {
    for (const SettingDefinition& setting : SettingsTable()) {
        std::string value = EffectiveValue(store, setting);
        if (setting.secret && !value.empty()) {
            value = "********";
        }
        std::printf("%-17s = %-30s %s, default %s: %s\n", setting.name, OneLine(value).c_str(),
                    TypeName(setting.type), DefaultText(setting).c_str(), setting.meaning);
    }
    return 0;
}

} // namespace

int RunConfig(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 3 : 0;
    }
    std::string action = argv[1];
    size_t wanted = action == "list" ? 2 : action == "get" ? 3 : action == "set" ? 4 : 0;
    if (wanted == 0 || static_cast<size_t>(argc) != wanted) {
        std::fputs(kUsage, stderr);
        return 3;
    }
    SettingsStore store(SettingsStore::DefaultPath());
    if (action == "list") {
        return List(store);
    }
    const SettingDefinition* setting = FindOrComplain(argv[2]);
    if (!setting) {
        return 3;
    }
    if (action == "get") {
        std::printf("%s\n", OneLine(EffectiveValue(store, *setting)).c_str());
        return 0;
    }
    SettingCheck check = CheckSetting(*setting, argv[3]);
    if (!check.ok) {
        std::fprintf(stderr, "qova-cli config: %s\n", check.message.c_str());
        return 3;
    }
    if (!WriteSetting(store, *setting, check.value)) {
        std::fprintf(stderr, "qova-cli config: could not write to the settings store %s\n",
                     store.Path().c_str());
        return 1;
    }
    std::string shown = setting->secret ? std::string("********") : OneLine(check.value);
    std::printf("%s = %s\n", setting->name, shown.c_str());
    return 0;
}

} // namespace qova::cli
