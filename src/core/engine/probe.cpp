#include "engine/probe.h"

#include "app/text.h"
#include "engine/monitor_record.h"
#include "net/connection.h"
#include "net/resolver.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <strings.h>
#include <sys/socket.h>

namespace qova {
namespace {

using std::chrono::milliseconds;

// Only the status line is ever looked at; the rest of an answer is read and dropped.
constexpr size_t kStatusLineLimit = 8 * 1024;
constexpr size_t kReceiveChunk = 64 * 1024;

// The decimal number at the start of `text`; 0 when it does not start with a
// digit, -1 when it is too large to be a port.
int LeadingPort(const std::string& text) {
    long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            break;
        }
        value = value * 10 + (c - '0');
        if (value > 65535) {
            return -1;
        }
    }
    return static_cast<int>(value);
}

// Whole milliseconds as the difference of two millisecond tick readings, so
// that the rounding of the two readings cancels out on average.
long long TickMs(net::SteadyClock::time_point at) {
    return std::chrono::duration_cast<milliseconds>(at.time_since_epoch()).count();
}

} // namespace

ProbeOptions ProbeOptions::ForSlowThreshold(int slowThresholdMs) {
    ProbeOptions options;
    long long wanted = static_cast<long long>(std::max(slowThresholdMs, 0)) + 10000;
    options.totalLimit = milliseconds(std::max<long long>(wanted, 60000));
    return options;
}

std::string WithoutScheme(const std::string& address) {
    if (StartsWithNoCase(address, "http://")) {
        return address.substr(7);
    }
    if (StartsWithNoCase(address, "https://")) {
        return address.substr(8);
    }
    return address;
}

ProbeTarget SplitAddress(const std::string& address) {
    ProbeTarget target;
    if (HasControlCharacter(address)) {
        return target;
    }
    target.tls = StartsWithNoCase(address, "https://");
    const std::string rest = WithoutScheme(address);
    target.port = target.tls ? 443 : 80;

    std::string hostPart = rest;
    size_t slash = rest.find('/');
    if (slash != std::string::npos && slash > 0) {
        hostPart = rest.substr(0, slash);
        target.path = rest.substr(slash + 1);
    }

    std::string portText;
    bool hasPort = false;
    if (!hostPart.empty() && hostPart.front() == '[') {
        size_t close = hostPart.find(']');
        if (close == std::string::npos) {
            return target;
        }
        target.host = hostPart.substr(1, close - 1);
        if (close + 1 < hostPart.size()) {
            if (hostPart[close + 1] != ':') {
                return target;
            }
            portText = hostPart.substr(close + 2);
            hasPort = true;
        }
    } else {
        size_t colon = hostPart.find(':');
        if (colon != std::string::npos && colon > 0) {
            target.host = hostPart.substr(0, colon);
            portText = hostPart.substr(colon + 1);
            hasPort = true;
        } else {
            target.host = hostPart;
        }
    }
    if (hasPort) {
        target.port = LeadingPort(portText);
    }
    target.valid = !target.host.empty() && target.port > 0;
    return target;
}

std::string BuildRequest(const ProbeTarget& target) {
    std::string host =
        target.host.find(':') != std::string::npos ? "[" + target.host + "]" : target.host;
    if (target.port != (target.tls ? 443 : 80)) {
        host += ":" + std::to_string(target.port);
    }
    return "GET /" + target.path + " HTTP/1.0\r\n" + "Host: " + host + "\r\n" +
           "User-Agent: QOVA/1.7\r\n" + "Connection: close\r\n" + "\r\n";
}

std::string TakeStatusCode(std::string_view answer) {
    size_t space = answer.find(' ');
    if (space == std::string_view::npos || space == 0) {
        return {};
    }
    size_t from = space + 1;
    size_t end = std::min(answer.find(' ', from), answer.find('\n', from));
    if (end == std::string_view::npos) {
        return {};
    }
    std::string_view code = answer.substr(from, end - from);
    const char* blanks = " \t\r\n";
    size_t first = code.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    size_t last = code.find_last_not_of(blanks);
    return std::string(code.substr(first, last - first + 1));
}

double ProbeSite(const std::string& address, std::string& status, const ProbeOptions& options) {
    const net::Deadline whole = net::Deadline::In(options.totalLimit);
    const net::Deadline connecting =
        net::Deadline::Earliest(whole, net::Deadline::In(options.connectLimit));

    ProbeTarget target = SplitAddress(address);
    if (!target.valid) {
        return kNoLoadTime;
    }
    std::vector<net::SocketAddress> addresses;
    if (!net::ResolveHost(addresses, target.host, target.port, AF_UNSPEC, connecting,
                          options.cancel)) {
        return kNoLoadTime;
    }

    const auto t0 = net::SteadyClock::now();
    net::Connection connection;
    if (connection.Connect(addresses, connecting, options.cancel) != net::NetError::None) {
        return kNoLoadTime;
    }
    if (target.tls &&
        connection.StartTls(target.host, connecting, options.cancel) != net::NetError::None) {
        return kNoLoadTime;
    }
    if (!connection.SendAll(BuildRequest(target), whole, options.cancel).Ok()) {
        return kNoLoadTime;
    }

    std::string head;
    bool statusLineDone = false;
    static thread_local char buffer[kReceiveChunk];
    for (;;) {
        net::IoResult got = connection.Receive(buffer, sizeof buffer, whole, options.cancel);
        if (!got.Ok()) {
            bool cutShort =
                got.error == net::NetError::Timeout || got.error == net::NetError::Cancelled;
            if (cutShort && !statusLineDone) {
                return kNoLoadTime; // no status line in time: nothing was measured
            }
            break; // a close, an error or a time limit after the status line ends the answer
        }
        if (!statusLineDone) {
            size_t room = kStatusLineLimit - head.size();
            std::string_view chunk(buffer, std::min(got.bytes, room));
            size_t lineFeed = chunk.find('\n');
            if (lineFeed != std::string_view::npos) {
                chunk = chunk.substr(0, lineFeed + 1);
            }
            head.append(chunk);
            statusLineDone = lineFeed != std::string_view::npos || head.size() >= kStatusLineLimit;
        }
    }
    status = TakeStatusCode(head);
    connection.Close();
    const auto t1 = net::SteadyClock::now();
    return static_cast<double>(TickMs(t1) - TickMs(t0));
}

} // namespace qova
