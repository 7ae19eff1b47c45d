#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace qova {

// A log file opened for one use and held under an exclusive advisory lock, so the
// writer, the log viewer and "Clear Log" never work on the file at the same time.
// The lock is taken without waiting: a file someone else holds counts as a file
// that cannot be opened, and the caller decides what that means (the writer keeps
// the entry for later). Closed, and so unlocked, when destroyed.
class LockedLogFile {
  public:
    enum class Mode {
        Append,  // create when missing, never truncate, every write goes to the end
        Read,    // an existing file, from its start
        Truncate // create when missing, emptied once the lock is held
    };

    // Empty when the path is empty, names a folder, cannot be opened in the mode,
    // or is locked by another opener. Never blocks: a FIFO without a reader fails.
    static std::optional<LockedLogFile> Open(const std::string& path, Mode mode);

    LockedLogFile(LockedLogFile&& other) noexcept;
    LockedLogFile& operator=(LockedLogFile&& other) noexcept;
    LockedLogFile(const LockedLogFile&) = delete;
    LockedLogFile& operator=(const LockedLogFile&) = delete;
    ~LockedLogFile();

    int Fd() const { return fd_; }

    // Writes every byte, retrying after interruptions; false on any short or failed
    // write (a full device, a size limit, an I/O error).
    bool WriteAll(std::string_view bytes);

    // Where the end of a regular file is now; -1 for anything else (a device).
    off_t EndOffset() const;
    // Cuts a regular file back to `length`, so that a line whose write failed half
    // way leaves no torn fragment behind. False when that is not possible.
    bool CutBackTo(off_t length);

    // Closes now and reports whether the close succeeded; the destructor does the
    // same silently.
    bool Close();

  private:
    explicit LockedLogFile(int fd) : fd_(fd) {}
    int fd_ = -1;
};

} // namespace qova
