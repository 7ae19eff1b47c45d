#include "logs/log_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qova {

namespace {

int OpenFlags(LockedLogFile::Mode mode) {
    // O_NONBLOCK only for the open itself: a FIFO with no reader must fail at
    // once instead of stalling the poll. O_TRUNC is never passed, because the
    // file may be locked by someone else; truncation waits for our own lock.
    int common = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    switch (mode) {
    case LockedLogFile::Mode::Append:
        return common | O_WRONLY | O_APPEND | O_CREAT;
    case LockedLogFile::Mode::Read:
        return common | O_RDONLY;
    case LockedLogFile::Mode::Truncate:
        return common | O_WRONLY | O_CREAT;
    }
    return common | O_RDONLY;
}

} // namespace

std::optional<LockedLogFile> LockedLogFile::Open(const std::string& path, Mode mode) {
    if (path.empty()) {
        return std::nullopt;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), OpenFlags(mode), 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return std::nullopt;
    }
    LockedLogFile file(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return std::nullopt;
    }
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        return std::nullopt;
    }
    if (mode == Mode::Truncate && S_ISREG(info.st_mode) && ::ftruncate(fd, 0) != 0) {
        return std::nullopt;
    }
    return file;
}

LockedLogFile::LockedLogFile(LockedLogFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

LockedLogFile& LockedLogFile::operator=(LockedLogFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

LockedLogFile::~LockedLogFile() {
    Close();
}

bool LockedLogFile::WriteAll(std::string_view bytes) {
    if (fd_ < 0) {
        return false;
    }
    while (!bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

off_t LockedLogFile::EndOffset() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return info.st_size;
}

bool LockedLogFile::CutBackTo(off_t length) {
    if (fd_ < 0 || length < 0) {
        return false;
    }
    int cut;
    do {
        cut = ::ftruncate(fd_, length);
    } while (cut != 0 && errno == EINTR);
    return cut == 0;
}

bool LockedLogFile::Close() {
    if (fd_ < 0) {
        return true;
    }
    // The lock goes with the descriptor; EINTR on close still releases it on Linux,
    // so close is never retried.
    int closed = ::close(std::exchange(fd_, -1));
    return closed == 0;
}

} // namespace qova
