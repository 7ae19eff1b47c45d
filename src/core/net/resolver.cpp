#include "net/resolver.h"

#include "app/text.h"
#include "net/wait.h"

#include <arpa/inet.h>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace qova::net {
namespace {

std::string WithoutBrackets(const std::string& host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        return host.substr(1, host.size() - 2);
    }
    return host;
}

bool NumericAddress(const std::string& host, int port, int family, SocketAddress& out) {
    std::string bare = WithoutBrackets(host);
    if (family != AF_INET6) {
        sockaddr_in v4{};
        if (::inet_pton(AF_INET, bare.c_str(), &v4.sin_addr) == 1) {
            v4.sin_family = AF_INET;
            v4.sin_port = htons(static_cast<uint16_t>(port));
            std::memcpy(&out.storage, &v4, sizeof v4);
            out.length = sizeof v4;
            return true;
        }
    }
    if (family != AF_INET) {
        sockaddr_in6 v6{};
        if (::inet_pton(AF_INET6, bare.c_str(), &v6.sin6_addr) == 1) {
            v6.sin6_family = AF_INET6;
            v6.sin6_port = htons(static_cast<uint16_t>(port));
            std::memcpy(&out.storage, &v6, sizeof v6);
            out.length = sizeof v6;
            return true;
        }
    }
    return false;
}

// A lookup runs on a thread of its own, since the system's lookup cannot be
// bounded in time; the caller waits on a pipe with its deadline and walks away
// when it passes. The state is shared, so a late answer lands harmlessly.
struct Lookup {
    int pipe[2] = {-1, -1};
    std::mutex lock;
    std::vector<SocketAddress> found;
    bool done = false;

    ~Lookup() {
        for (int fd : pipe) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
};

void RunLookup(std::shared_ptr<Lookup> lookup, std::string host, int port, int family) {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* answers = nullptr;
    std::string service = std::to_string(port);
    std::vector<SocketAddress> found;
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &answers) == 0) {
        for (addrinfo* a = answers; a; a = a->ai_next) {
            if (a->ai_addrlen <= sizeof(sockaddr_storage)) {
                SocketAddress address;
                std::memcpy(&address.storage, a->ai_addr, a->ai_addrlen);
                address.length = a->ai_addrlen;
                found.push_back(address);
            }
        }
        ::freeaddrinfo(answers);
    }
    std::lock_guard guard(lookup->lock);
    lookup->found = std::move(found);
    lookup->done = true;
    char one = 1;
    ssize_t ignored = ::write(lookup->pipe[1], &one, 1);
    (void)ignored;
}

} // namespace

bool IsNumericHost(const std::string& host) {
    SocketAddress ignored;
    return NumericAddress(host, 0, AF_UNSPEC, ignored);
}

bool IsLoopbackHost(const std::string& host) {
    if (host == "localhost") {
        return true;
    }
    SocketAddress address;
    if (!NumericAddress(host, 0, AF_UNSPEC, address)) {
        return false;
    }
    if (address.storage.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address.storage);
        return (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
    }
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address.storage);
    return IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr);
}

bool ResolveHost(std::vector<SocketAddress>& result, const std::string& host, int port, int family,
                 Deadline deadline, const CancelSignal* cancel) {
    result.clear();
    if (host.empty() || HasControlCharacter(host) || port <= 0 || port > 65535) {
        return false;
    }
    SocketAddress numeric;
    if (NumericAddress(host, port, family, numeric)) {
        result.push_back(numeric);
        return true;
    }
    if (host.front() == '[') {
        return false; // brackets hold only numeric IPv6 addresses
    }
    auto lookup = std::make_shared<Lookup>();
    if (::pipe2(lookup->pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    try {
        std::thread(RunLookup, lookup, host, port, family).detach();
    } catch (const std::system_error&) {
        return false;
    }
    if (WaitReady(lookup->pipe[0], POLLIN, deadline, cancel) != NetError::None) {
        return false;
    }
    std::lock_guard guard(lookup->lock);
    if (!lookup->done) {
        return false;
    }
    result = std::move(lookup->found);
    return !result.empty();
}

} // namespace qova::net
