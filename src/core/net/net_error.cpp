#include "net/net_error.h"

namespace qova::net {

std::string_view ToText(NetError error) {
    switch (error) {
    case NetError::None:
        return "ok";
    case NetError::BadAddress:
        return "bad address";
    case NetError::NameNotFound:
        return "name not found";
    case NetError::Refused:
        return "connection refused";
    case NetError::Timeout:
        return "timed out";
    case NetError::Cancelled:
        return "cancelled";
    case NetError::Closed:
        return "connection closed";
    case NetError::Io:
        return "network error";
    case NetError::Tls:
        return "TLS handshake failed";
    case NetError::TlsVerify:
        return "certificate not trusted";
    }
    return "unknown error";
}

} // namespace qova::net
