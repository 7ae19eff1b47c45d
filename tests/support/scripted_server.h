#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qova::test {

// One step of what a scripted peer does on a connection.
struct Step {
    enum class Kind { Send, SendRepeated, ReadLine, ReadUntil, Pause, Close, Stall, StartTls };
    Kind kind = Kind::Send;
    std::string text;
    uint64_t times = 0;
    std::chrono::milliseconds pause{0};

    static Step Send(std::string bytes) { return {Kind::Send, std::move(bytes), 0, {}}; }
    // `chunk` sent `times` times: large answers without holding them in memory.
    static Step SendRepeated(std::string chunk, uint64_t times) {
        return {Kind::SendRepeated, std::move(chunk), times, {}};
    }
    static Step ReadLine() { return {Kind::ReadLine, "\n", 0, {}}; }
    static Step ReadUntil(std::string terminator) {
        return {Kind::ReadUntil, std::move(terminator), 0, {}};
    }
    static Step Pause(std::chrono::milliseconds span) { return {Kind::Pause, {}, 0, span}; }
    static Step Close() { return {Kind::Close, {}, 0, {}}; }
    // Keeps the connection open and silent until the server is stopped.
    static Step Stall() { return {Kind::Stall, {}, 0, {}}; }
    // The server side of a TLS handshake; later steps go over TLS.
    static Step StartTls() { return {Kind::StartTls, {}, 0, {}}; }
};

struct TlsIdentity {
    std::string certFile; // PEM chain of the server
    std::string keyFile;  // PEM key
};

// A server on 127.0.0.1 (or ::1) that runs the same script on every
// connection it accepts, one at a time, and keeps what clients sent. After the
// script the connection is closed. Stopped (and joined) when destroyed.
class ScriptedServer {
  public:
    struct Options {
        std::optional<TlsIdentity> tls; // needed by StartTls and tlsFromStart
        bool tlsFromStart = false;      // handshake before the first step
        bool ipv6 = false;              // listen on ::1
    };
    explicit ScriptedServer(std::vector<Step> script);
    ScriptedServer(std::vector<Step> script, Options options);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int Port() const { return port_; }
    // Every byte clients sent, in order, over all connections (after TLS).
    std::string Transcript() const;
    int Connections() const { return connections_.load(); }
    // Waits until `count` connections have run their scripts to the end.
    bool WaitFinished(int count, std::chrono::milliseconds limit) const;
    void Stop();

  private:
    void Serve();
    void RunScript(int fd);

    std::vector<Step> script_;
    Options options_;
    int listenFd_ = -1;
    int stopFd_ = -1;
    int port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<int> finished_{0};
    std::atomic<bool> stopping_{false};
    mutable std::mutex lock_;
    std::string transcript_;
    std::thread thread_;
};

} // namespace qova::test
