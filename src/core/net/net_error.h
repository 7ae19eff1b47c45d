#pragma once

#include <string_view>

namespace qova::net {

// Why a network step failed; one list for the probe and the mail client.
enum class NetError {
    None,
    BadAddress,   // a host or port that cannot be used
    NameNotFound, // the name lookup found nothing
    Refused,      // every address refused or was unreachable
    Timeout,      // the deadline passed
    Cancelled,    // the cancel signal was raised
    Closed,       // the peer closed the connection
    Io,           // a socket error
    Tls,          // the TLS handshake failed
    TlsVerify,    // the certificate or host name did not verify
};

std::string_view ToText(NetError error);

} // namespace qova::net
