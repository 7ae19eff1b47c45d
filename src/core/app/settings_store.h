#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace qova {

// The per-user store of settings, address history and per-address records.
// Sections hold named values, each an int or a text; names compare without
// regard to letter case. Every call goes straight to the database, so another
// process sees a write at its next read. Failures never surface: a read gives
// the caller's default, a write reports false and changes nothing.
// Safe to share between threads.
class SettingsStore {
  public:
    // Opens (creating when missing) the database at `path`. A file there that is
    // not a usable store is moved aside and a fresh one is started.
    explicit SettingsStore(std::string path);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // $QOVA_SETTINGS, else $XDG_CONFIG_HOME (or ~/.config) + /Halvorind/QOVA/settings.db.
    static std::string DefaultPath();

    int GetProfileInt(const std::string& section, const std::string& name, int fallback) const;
    std::string GetProfileString(const std::string& section, const std::string& name,
                                 const std::string& fallback) const;
    bool WriteProfileInt(const std::string& section, const std::string& name, int value);
    bool WriteProfileString(const std::string& section, const std::string& name,
                            const std::string& value);

    // True when the database is open; a store that is not works on defaults.
    bool IsOpen() const;
    const std::string& Path() const { return path_; }
    // Where a damaged file was moved, when that happened at open.
    const std::optional<std::string>& MovedAside() const { return movedAside_; }

  private:
    struct Impl;
    std::string path_;
    std::optional<std::string> movedAside_;
    std::unique_ptr<Impl> impl_;
};

} // namespace qova
