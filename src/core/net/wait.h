#pragma once

#include "net/deadline.h"
#include "net/net_error.h"

namespace qova::net {

// Waits until `fd` is ready for `events` (poll flags), the deadline passes or
// the cancel signal is raised. Returns None when ready.
NetError WaitReady(int fd, short events, Deadline deadline, const CancelSignal* cancel);

} // namespace qova::net
