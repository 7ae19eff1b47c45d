#pragma once

#include "net/deadline.h"

#include <chrono>
#include <string>
#include <string_view>

namespace qova {

// Time limits of one probe.
struct ProbeOptions {
    std::chrono::milliseconds connectLimit{15000};
    std::chrono::milliseconds totalLimit{60000};
    const net::CancelSignal* cancel = nullptr;

    // The poll cycle's limits: a slow site must still be measured, so the whole
    // probe may last the slow threshold plus 10 s, and never less than 60 s.
    static ProbeOptions ForSlowThreshold(int slowThresholdMs);
};

// Where a web address points.
struct ProbeTarget {
    bool valid = false; // false: the address cannot be probed at all
    bool tls = false;   // "https://"
    std::string host;   // without brackets for IPv6
    int port = 80;
    std::string path; // after the first "/", sent as typed
};

// Splits an address: a leading "http://" or "https://" (any letter case) is
// the scheme; the host runs to the first "/", the port follows a ":".
ProbeTarget SplitAddress(const std::string& address);

// "GET /" + path + " HTTP/1.0" with the Host, User-Agent and Connection headers.
std::string BuildRequest(const ProbeTarget& target);

// The status code of an answer's first bytes: the text after the first space up
// to the next space or line feed, trimmed. Empty when there is none.
std::string TakeStatusCode(std::string_view answer);

// The address without its leading "http://" or "https://" (any letter case),
// as the tip and the title show it.
std::string WithoutScheme(const std::string& address);

// One measurement: connects, sends the GET, reads the answer to the close and
// returns the load time in whole milliseconds, or -99.0 when the site could not
// be reached. `status` receives the status code.
double ProbeSite(const std::string& address, std::string& status, const ProbeOptions& options = {});

// The probe as the poll cycle sees it, so that tests can stand in for the network.
class SiteProbe {
  public:
    virtual ~SiteProbe() = default;
    virtual double Probe(const std::string& address, std::string& status,
                         const ProbeOptions& options) = 0;
};

class HttpSiteProbe final : public SiteProbe {
  public:
    double Probe(const std::string& address, std::string& status,
                 const ProbeOptions& options) override {
        return ProbeSite(address, status, options);
    }
};

} // namespace qova
