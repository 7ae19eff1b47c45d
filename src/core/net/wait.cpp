#include "net/wait.h"

#include <cerrno>
#include <poll.h>

namespace qova::net {

NetError WaitReady(int fd, short events, Deadline deadline, const CancelSignal* cancel) {
    for (;;) {
        if (cancel && cancel->Raised()) {
            return NetError::Cancelled;
        }
        int left = deadline.RemainingMs();
        if (left == 0) {
            return NetError::Timeout;
        }
        pollfd fds[2] = {{fd, events, 0}, {cancel ? cancel->Fd() : -1, POLLIN, 0}};
        int n = ::poll(fds, cancel ? 2 : 1, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return NetError::Io;
        }
        if (n == 0) {
            continue; // the loop head decides between timeout and a spurious wake-up
        }
        if (cancel && (fds[1].revents & POLLIN)) {
            return NetError::Cancelled;
        }
        if (fds[0].revents) {
            // Errors and hang-ups are left to the next socket call to report.
            return NetError::None;
        }
    }
}

} // namespace qova::net
