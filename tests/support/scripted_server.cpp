#include "support/scripted_server.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qova::test {
namespace {

// A connection of the peer: plain or TLS, with reads that give up when the
// server is stopped.
class PeerSocket {
  public:
    PeerSocket(int fd, int stopFd) : fd_(fd), stopFd_(stopFd) {}
    ~PeerSocket() {
        if (ssl_) {
            SSL_shutdown(ssl_);
            SSL_free(ssl_);
        }
        if (ctx_) {
            SSL_CTX_free(ctx_);
        }
    }

    bool WaitReadable() const {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (ssl_ && SSL_pending(ssl_) > 0) {
            return true;
        }
        for (;;) {
            int n = ::poll(fds, 2, -1);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            return n > 0 && !(fds[1].revents & POLLIN);
        }
    }

    bool StartTls(const TlsIdentity& identity) {
        ctx_ = SSL_CTX_new(TLS_server_method());
        if (!ctx_ || SSL_CTX_use_certificate_chain_file(ctx_, identity.certFile.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(ctx_, identity.keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
            return false;
        }
        ssl_ = SSL_new(ctx_);
        SSL_set_fd(ssl_, fd_);
        if (!WaitReadable()) {
            return false;
        }
        return SSL_accept(ssl_) == 1;
    }

    // Returns bytes read, 0 at the client's close or a stop.
    ssize_t Read(char* buffer, size_t size) {
        if (!WaitReadable()) {
            return 0;
        }
        if (ssl_) {
            int n = SSL_read(ssl_, buffer, static_cast<int>(size));
            return n > 0 ? n : 0;
        }
        ssize_t n = ::recv(fd_, buffer, size, 0);
        return n > 0 ? n : 0;
    }

    bool Write(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n =
                ssl_ ? SSL_write(ssl_, bytes.data() + done, static_cast<int>(bytes.size() - done))
                     : ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                if (!ssl_ && n < 0 && errno == EINTR) {
                    continue;
                }
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    }

  private:
    int fd_;
    int stopFd_;
    SSL_CTX* ctx_ = nullptr;
    SSL* ssl_ = nullptr;
};

} // namespace

ScriptedServer::ScriptedServer(std::vector<Step> script) : ScriptedServer(std::move(script), {}) {}

ScriptedServer::ScriptedServer(std::vector<Step> script, Options options)
    : script_(std::move(script)), options_(std::move(options)) {
    std::signal(SIGPIPE, SIG_IGN); // a client that went away must not end the test
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    listenFd_ = ::socket(options_.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_storage address{};
    socklen_t length = 0;
    if (options_.ipv6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
        v6->sin6_family = AF_INET6;
        v6->sin6_addr = in6addr_loopback;
        length = sizeof *v6;
    } else {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
        v4->sin_family = AF_INET;
        v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof *v4;
    }
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listenFd_, 16) != 0) {
        throw std::runtime_error("scripted server: cannot listen");
    }
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(options_.ipv6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    thread_ = std::thread(&ScriptedServer::Serve, this);
}

ScriptedServer::~ScriptedServer() {
    Stop();
    ::close(listenFd_);
    ::close(stopFd_);
}

void ScriptedServer::Stop() {
    if (stopping_.exchange(true)) {
        return;
    }
    uint64_t one = 1;
    ssize_t ignored = ::write(stopFd_, &one, sizeof one);
    (void)ignored;
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::string ScriptedServer::Transcript() const {
    std::lock_guard guard(lock_);
    return transcript_;
}

bool ScriptedServer::WaitFinished(int count, std::chrono::milliseconds limit) const {
    auto until = std::chrono::steady_clock::now() + limit;
    while (finished_.load() < count) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void ScriptedServer::Serve() {
    while (!stopping_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents & POLLIN) {
            return;
        }
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        ++connections_;
        RunScript(fd);
        ::close(fd);
        ++finished_;
    }
}

void ScriptedServer::RunScript(int fd) {
    PeerSocket peer(fd, stopFd_);
    std::string pending; // bytes read past the end of the last step
    auto record = [this](const char* data, size_t size) {
        std::lock_guard guard(lock_);
        transcript_.append(data, size);
    };
    if (options_.tlsFromStart && (!options_.tls || !peer.StartTls(*options_.tls))) {
        return;
    }
    for (const Step& step : script_) {
        switch (step.kind) {
        case Step::Kind::Send:
            if (!peer.Write(step.text)) {
                return;
            }
            break;
        case Step::Kind::SendRepeated:
            for (uint64_t i = 0; i < step.times; ++i) {
                if (stopping_ || !peer.Write(step.text)) {
                    return;
                }
            }
            break;
        case Step::Kind::ReadLine:
        case Step::Kind::ReadUntil: {
            // Read up to and including the terminator; keep what comes after it for the next step.
            for (;;) {
                size_t at = pending.find(step.text);
                if (at != std::string::npos) {
                    size_t end = at + step.text.size();
                    record(pending.data(), end);
                    pending.erase(0, end);
                    break;
                }
                char buffer[4096];
                ssize_t n = peer.Read(buffer, sizeof buffer);
                if (n <= 0) {
                    record(pending.data(), pending.size());
                    return;
                }
                pending.append(buffer, static_cast<size_t>(n));
            }
            break;
        }
        case Step::Kind::Pause: {
            pollfd stop{stopFd_, POLLIN, 0};
            if (::poll(&stop, 1, static_cast<int>(step.pause.count())) > 0) {
                return;
            }
            break;
        }
        case Step::Kind::Close:
            return;
        case Step::Kind::Stall: {
            pollfd stop{stopFd_, POLLIN, 0};
            while (::poll(&stop, 1, -1) < 0 && errno == EINTR) {
            }
            return;
        }
        case Step::Kind::StartTls:
            if (!options_.tls || !pending.empty() || !peer.StartTls(*options_.tls)) {
                return;
            }
            break;
        }
    }
}

} // namespace qova::test
