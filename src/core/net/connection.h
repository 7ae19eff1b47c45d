#pragma once

#include "net/deadline.h"
#include "net/net_error.h"
#include "net/resolver.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qova::net {

// Outcome of one send or receive: bytes moved, or why nothing could be.
struct IoResult {
    size_t bytes = 0;
    NetError error = NetError::None;
    bool Ok() const { return error == NetError::None; }
};

// One TCP connection, optionally wrapped in TLS, with every step bounded by a
// deadline and ended early by an optional cancel signal. Closed when destroyed.
class Connection {
  public:
    Connection();
    ~Connection();
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Tries the addresses in order until one accepts, within the deadline.
    NetError Connect(const std::vector<SocketAddress>& addresses, Deadline deadline,
                     const CancelSignal* cancel = nullptr);

    // Starts TLS on the open connection: SNI for a named host, the chain checked
    // against the system's trust store (OpenSSL's default paths, so SSL_CERT_FILE
    // and SSL_CERT_DIR apply) and the certificate matched to `host`.
    NetError StartTls(const std::string& host, Deadline deadline,
                      const CancelSignal* cancel = nullptr);

    // Sends every byte of `data`, or fails.
    IoResult SendAll(std::string_view data, Deadline deadline,
                     const CancelSignal* cancel = nullptr);

    // Receives up to `capacity` bytes; 0 bytes with NetError::Closed when the
    // peer closed the connection.
    IoResult Receive(char* buffer, size_t capacity, Deadline deadline,
                     const CancelSignal* cancel = nullptr);

    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    bool IsTls() const;

  private:
    struct Tls;
    int fd_ = -1;
    std::unique_ptr<Tls> tls_;
};

} // namespace qova::net
