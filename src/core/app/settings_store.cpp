#include "app/settings_store.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qova {
namespace {

constexpr int kIntKind = 0;
constexpr int kTextKind = 1;
constexpr int kBusyMs = 5000;

// Creates every missing folder of `path`'s parent, private to the user.
void MakeParentFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    }
}

std::string TimeSuffix() {
    char text[32] = {};
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

} // namespace

struct SettingsStore::Impl {
    sqlite3* db = nullptr;
    sqlite3_stmt* read = nullptr;
    sqlite3_stmt* write = nullptr;
    mutable std::mutex lock;

    ~Impl() { Close(); }

    // One upsert of `section`/`name`; `bindValue` binds parameter 4.
    template <typename BindValue>
    bool Write(const std::string& section, const std::string& name, int kind, BindValue bindValue) {
        std::lock_guard guard(lock);
        if (!write) {
            return false;
        }
        sqlite3_bind_text(write, 1, section.data(), static_cast<int>(section.size()),
                          SQLITE_STATIC);
        sqlite3_bind_text(write, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        sqlite3_bind_int(write, 3, kind);
        bindValue(write);
        bool ok = sqlite3_step(write) == SQLITE_DONE;
        sqlite3_reset(write);
        sqlite3_clear_bindings(write);
        return ok;
    }

    void Close() {
        sqlite3_finalize(read);
        sqlite3_finalize(write);
        sqlite3_close_v2(db);
        read = write = nullptr;
        db = nullptr;
    }

    // Returns SQLITE_OK or the code that made the file unusable.
    int Open(const std::string& path) {
        // The store holds the mail password: create it readable by the user alone.
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::fchmod(fd, 0600);
            ::close(fd);
        }
        int rc = sqlite3_open_v2(path.c_str(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                                 nullptr);
        if (rc != SQLITE_OK) {
            return rc;
        }
        sqlite3_busy_timeout(db, kBusyMs);
        const char* setup = "PRAGMA journal_mode=WAL;"
                            "PRAGMA synchronous=FULL;"
                            "CREATE TABLE IF NOT EXISTS profile("
                            " section TEXT NOT NULL COLLATE NOCASE,"
                            " name TEXT NOT NULL COLLATE NOCASE,"
                            " kind INTEGER NOT NULL,"
                            " value,"
                            " PRIMARY KEY(section, name)) WITHOUT ROWID;";
        rc = sqlite3_exec(db, setup, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            return rc;
        }
        rc = sqlite3_prepare_v3(db, "SELECT kind, value FROM profile WHERE section=?1 AND name=?2",
                                -1, SQLITE_PREPARE_PERSISTENT, &read, nullptr);
        if (rc != SQLITE_OK) {
            return rc;
        }
        return sqlite3_prepare_v3(db,
                                  "INSERT INTO profile(section, name, kind, value)"
                                  " VALUES(?1, ?2, ?3, ?4)"
                                  " ON CONFLICT(section, name) DO UPDATE SET"
                                  " kind=excluded.kind, value=excluded.value",
                                  -1, SQLITE_PREPARE_PERSISTENT, &write, nullptr);
    }
};

SettingsStore::SettingsStore(std::string path) : path_(std::move(path)), impl_(new Impl) {
    MakeParentFolders(path_);
    int rc = impl_->Open(path_);
    if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT) {
        // Never delete what the user had: keep the damaged file beside the new one.
        impl_->Close();
        std::string aside = path_ + ".damaged-" + TimeSuffix();
        if (std::rename(path_.c_str(), aside.c_str()) == 0) {
            movedAside_ = aside;
            for (const char* extra : {"-wal", "-shm"}) {
                std::rename((path_ + extra).c_str(), (aside + extra).c_str());
            }
            rc = impl_->Open(path_);
        }
    }
    if (rc != SQLITE_OK) {
        impl_->Close();
    }
}

SettingsStore::~SettingsStore() = default;

std::string SettingsStore::DefaultPath() {
    if (const char* explicitPath = std::getenv("QOVA_SETTINGS"); explicitPath && *explicitPath) {
        return explicitPath;
    }
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.config";
    } else {
        base = "/tmp";
    }
    return base + "/Halvorind/QOVA/settings.db";
}

bool SettingsStore::IsOpen() const {
    return impl_->db != nullptr;
}

int SettingsStore::GetProfileInt(const std::string& section, const std::string& name,
                                 int fallback) const {
    std::lock_guard guard(impl_->lock);
    sqlite3_stmt* st = impl_->read;
    if (!st) {
        return fallback;
    }
    int result = fallback;
    sqlite3_bind_text(st, 1, section.data(), static_cast<int>(section.size()), SQLITE_STATIC);
    sqlite3_bind_text(st, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) == kIntKind) {
        result = static_cast<int>(sqlite3_column_int64(st, 1));
    }
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    return result;
}

std::string SettingsStore::GetProfileString(const std::string& section, const std::string& name,
                                            const std::string& fallback) const {
    std::lock_guard guard(impl_->lock);
    sqlite3_stmt* st = impl_->read;
    if (!st) {
        return fallback;
    }
    std::string result = fallback;
    sqlite3_bind_text(st, 1, section.data(), static_cast<int>(section.size()), SQLITE_STATIC);
    sqlite3_bind_text(st, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) == kTextKind) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_blob(st, 1));
        result.assign(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(st, 1)));
    }
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    return result;
}

bool SettingsStore::WriteProfileInt(const std::string& section, const std::string& name,
                                    int value) {
    return impl_->Write(section, name, kIntKind,
                        [value](sqlite3_stmt* st) { sqlite3_bind_int(st, 4, value); });
}

bool SettingsStore::WriteProfileString(const std::string& section, const std::string& name,
                                       const std::string& value) {
    // Texts are bytes: stored as a blob so that no byte is reinterpreted.
    return impl_->Write(section, name, kTextKind, [&value](sqlite3_stmt* st) {
        sqlite3_bind_blob(st, 4, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
    });
}

} // namespace qova
