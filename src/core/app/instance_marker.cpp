#include "app/instance_marker.h"

#include "app/settings_store.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace qova {
namespace {

constexpr const char* kSection = "Settings";
constexpr const char* kNumOpen = "NumOpen";

int OpenLockFile(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int Flock(int fd, int operation) {
    int rc;
    do {
        rc = ::flock(fd, operation);
    } while (rc < 0 && errno == EINTR);
    return rc;
}

// Serialises the check and the count between instances. Held for a few store
// calls only; should a holder hang, a start goes on without it after a while
// rather than never starting.
class Gate {
  public:
    explicit Gate(const std::string& path) : fd_(OpenLockFile(path)) {
        if (fd_ < 0) {
            return;
        }
        for (int tries = 0; tries < 300; ++tries) {
            if (Flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                return;
            }
            if (errno != EWOULDBLOCK) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~Gate() {
        if (fd_ >= 0) {
            ::close(fd_); // closing drops the lock
        }
    }
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;

  private:
    int fd_;
};

} // namespace

InstanceMarker::InstanceMarker(SettingsStore& store, const std::string& folder)
    : store_(store), gatePath_(folder + "/" + kName + ".gate") {
    Gate gate(gatePath_);
    markerFd_ = OpenLockFile(folder + "/" + kName);
    if (markerFd_ >= 0) {
        if (Flock(markerFd_, LOCK_EX | LOCK_NB) == 0) {
            // Alone. The gate keeps others from looking while the exclusive lock
            // turns into the shared one every instance holds.
            Flock(markerFd_, LOCK_SH);
        } else {
            existedAlready_ = errno == EWOULDBLOCK;
            if (Flock(markerFd_, LOCK_SH) != 0) {
                ::close(markerFd_);
                markerFd_ = -1;
            }
        }
    }
    numOpen_ = existedAlready_ ? store_.GetProfileInt(kSection, kNumOpen, 0) + 1 : 1;
    store_.WriteProfileInt(kSection, kNumOpen, numOpen_);
}

InstanceMarker::~InstanceMarker() {
    if (markerFd_ >= 0) {
        ::close(markerFd_);
    }
}

std::string InstanceMarker::DefaultFolder(const SettingsStore& store) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        return runtime;
    }
    const std::string& path = store.Path();
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

void InstanceMarker::Leave() {
    if (left_) {
        return;
    }
    left_ = true;
    Gate gate(gatePath_);
    store_.WriteProfileInt(kSection, kNumOpen, store_.GetProfileInt(kSection, kNumOpen, 1) - 1);
}

} // namespace qova
