#pragma once

#include "net/deadline.h"

#include <string>
#include <sys/socket.h>
#include <vector>

namespace qova::net {

struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
};

// Resolves `host` for `port`. A host that parses as a numeric IPv4 or IPv6
// address (inet_pton; IPv6 may be written in brackets) is used as is; every
// other host goes to the name lookup, whose answers are returned in its order.
// `family` is AF_UNSPEC, AF_INET or AF_INET6. The lookup is bounded by the
// deadline. Returns false when nothing usable was found.
bool ResolveHost(std::vector<SocketAddress>& result, const std::string& host, int port, int family,
                 Deadline deadline, const CancelSignal* cancel = nullptr);

// True when `host` is a numeric address (no lookup needed, no SNI).
bool IsNumericHost(const std::string& host);

// True when every address of `host` is a loopback address (127.0.0.0/8, ::1).
bool IsLoopbackHost(const std::string& host);

} // namespace qova::net
