#include "net/deadline.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace qova::net {

int Deadline::RemainingMs() const {
    auto left = at_ - SteadyClock::now();
    if (left <= SteadyClock::duration::zero()) {
        return 0;
    }
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > INT32_MAX ? INT32_MAX : static_cast<int>(ms);
}

CancelSignal::CancelSignal() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CancelSignal::~CancelSignal() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void CancelSignal::Raise() {
    uint64_t one = 1;
    // Only write(2): callable from a signal handler.
    ssize_t ignored = ::write(fd_, &one, sizeof one);
    (void)ignored;
}

bool CancelSignal::Raised() const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

} // namespace qova::net
