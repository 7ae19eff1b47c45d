#include "net/connection.h"

#include "net/tls_context.h"
#include "net/wait.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qova::net {

struct Connection::Tls {
    SSL* ssl = nullptr;
    ~Tls() { SSL_free(ssl); }
};

namespace {

// Runs one TLS call until it completes, waiting on the socket as OpenSSL asks.
// Returns the call's result (> 0 done) or sets `error`.
template <typename Call>
int DriveTls(SSL* ssl, int fd, Deadline deadline, const CancelSignal* cancel, NetError& error,
             Call call) {
    for (;;) {
        ERR_clear_error();
        int rc = call();
        if (rc > 0) {
            return rc;
        }
        int reason = SSL_get_error(ssl, rc);
        short events = 0;
        if (reason == SSL_ERROR_WANT_READ) {
            events = POLLIN;
        } else if (reason == SSL_ERROR_WANT_WRITE) {
            events = POLLOUT;
        } else if (reason == SSL_ERROR_ZERO_RETURN) {
            error = NetError::Closed;
            return 0;
        } else {
            error = NetError::Io;
            return rc;
        }
        if (NetError waited = WaitReady(fd, events, deadline, cancel); waited != NetError::None) {
            error = waited;
            return -1;
        }
    }
}

} // namespace

Connection::Connection() = default;

Connection::~Connection() {
    Close();
}

Connection::Connection(Connection&& other) noexcept : fd_(other.fd_), tls_(std::move(other.tls_)) {
    other.fd_ = -1;
}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        tls_ = std::move(other.tls_);
        other.fd_ = -1;
    }
    return *this;
}

bool Connection::IsTls() const {
    return tls_ != nullptr;
}

void Connection::Close() {
    tls_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

NetError Connection::Connect(const std::vector<SocketAddress>& addresses, Deadline deadline,
                             const CancelSignal* cancel) {
    Close();
    NetError last = addresses.empty() ? NetError::BadAddress : NetError::Refused;
    for (const SocketAddress& address : addresses) {
        int fd = ::socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            last = NetError::Io;
            continue;
        }
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address.storage), address.length);
        if (rc != 0 && errno == EINPROGRESS) {
            NetError waited = WaitReady(fd, POLLOUT, deadline, cancel);
            if (waited != NetError::None) {
                ::close(fd);
                return waited; // no time is left for the other addresses
            }
            int soError = 0;
            socklen_t length = sizeof soError;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length);
            rc = soError == 0 ? 0 : -1;
        }
        if (rc == 0) {
            fd_ = fd;
            return NetError::None;
        }
        ::close(fd);
        last = NetError::Refused;
    }
    return last;
}

NetError Connection::StartTls(const std::string& host, Deadline deadline,
                              const CancelSignal* cancel) {
    if (fd_ < 0) {
        return NetError::Closed;
    }
    SSL_CTX* ctx = ClientTlsContext();
    if (!ctx) {
        return NetError::Tls;
    }
    auto tls = std::make_unique<Tls>();
    tls->ssl = SSL_new(ctx);
    if (!tls->ssl || SSL_set_fd(tls->ssl, fd_) != 1) {
        return NetError::Tls;
    }
    if (IsNumericHost(host)) {
        std::string bare = host.front() == '[' ? host.substr(1, host.size() - 2) : host;
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(tls->ssl), bare.c_str());
    } else {
        SSL_set_tlsext_host_name(tls->ssl, host.c_str());
        SSL_set1_host(tls->ssl, host.c_str());
    }
    NetError error = NetError::None;
    SSL* ssl = tls->ssl;
    int rc = DriveTls(ssl, fd_, deadline, cancel, error, [ssl] { return SSL_connect(ssl); });
    if (rc != 1) {
        if (error == NetError::Io || error == NetError::Closed) {
            error = SSL_get_verify_result(ssl) != X509_V_OK ? NetError::TlsVerify : NetError::Tls;
        }
        return error;
    }
    tls_ = std::move(tls);
    return NetError::None;
}

IoResult Connection::SendAll(std::string_view data, Deadline deadline, const CancelSignal* cancel) {
    IoResult result;
    if (fd_ < 0) {
        result.error = NetError::Closed;
        return result;
    }
    while (result.bytes < data.size()) {
        const char* from = data.data() + result.bytes;
        size_t left = data.size() - result.bytes;
        if (tls_) {
            SSL* ssl = tls_->ssl;
            int chunk = static_cast<int>(left > (1u << 30) ? (1u << 30) : left);
            int rc = DriveTls(ssl, fd_, deadline, cancel, result.error,
                              [ssl, from, chunk] { return SSL_write(ssl, from, chunk); });
            if (rc <= 0) {
                return result;
            }
            result.bytes += static_cast<size_t>(rc);
            continue;
        }
        ssize_t sent = ::send(fd_, from, left, MSG_NOSIGNAL);
        if (sent > 0) {
            result.bytes += static_cast<size_t>(sent);
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (NetError waited = WaitReady(fd_, POLLOUT, deadline, cancel);
                waited != NetError::None) {
                result.error = waited;
                return result;
            }
        } else {
            result.error = NetError::Io;
            return result;
        }
    }
    return result;
}

IoResult Connection::Receive(char* buffer, size_t capacity, Deadline deadline,
                             const CancelSignal* cancel) {
    IoResult result;
    if (fd_ < 0) {
        result.error = NetError::Closed;
        return result;
    }
    if (tls_) {
        SSL* ssl = tls_->ssl;
        int chunk = static_cast<int>(capacity > (1u << 30) ? (1u << 30) : capacity);
        int rc = DriveTls(ssl, fd_, deadline, cancel, result.error,
                          [ssl, buffer, chunk] { return SSL_read(ssl, buffer, chunk); });
        if (rc > 0) {
            result.bytes = static_cast<size_t>(rc);
        } else if (result.error == NetError::Io && rc == 0) {
            result.error = NetError::Closed;
        }
        return result;
    }
    for (;;) {
        ssize_t got = ::recv(fd_, buffer, capacity, 0);
        if (got > 0) {
            result.bytes = static_cast<size_t>(got);
            return result;
        }
        if (got == 0) {
            result.error = NetError::Closed;
            return result;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            if (NetError waited = WaitReady(fd_, POLLIN, deadline, cancel);
                waited != NetError::None) {
                result.error = waited;
                return result;
            }
            continue;
        }
        result.error = NetError::Io;
        return result;
    }
}

} // namespace qova::net
