#pragma once

#include "net/connection.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace qova {

// How long the mail client waits. A reply that does not arrive in time counts
// as no reply, and the exchange ends as it would for a closed connection.
struct SmtpLimits {
    std::chrono::milliseconds connect{15000}; // name lookup and connection together
    std::chrono::milliseconds reply{30000};   // each reply, and each send before it
    std::chrono::milliseconds quit{5000};     // the goodbye; the mail is already out
};

// One reply, whole: every line up to the last one. `text` is empty and
// `problem` says why when no whole reply came.
struct SmtpReply {
    std::string text;
    int code = 0;
    std::string problem;
    bool Whole() const { return problem.empty(); }
};

// One connection to a mail server: lines out, whole replies in, TLS on demand.
// Bytes that arrive after a reply are kept for the next one.
class SmtpSession {
  public:
    SmtpSession(SmtpLimits limits, const net::CancelSignal* cancel);

    // `deadline` is the one the name lookup started with: both share the connect limit.
    net::NetError Connect(const std::vector<net::SocketAddress>& addresses, net::Deadline deadline);
    net::NetError StartTls(const std::string& host);

    // Sends `text` in full; false (and `problem` set) when it could not.
    bool Send(std::string_view text, std::string& problem);
    SmtpReply ReadReply(std::chrono::milliseconds limit);
    SmtpReply ReadReply() { return ReadReply(limits_.reply); }
    // Sends `line` + CR LF and reads the reply to it.
    SmtpReply Command(std::string_view line);

    // True when the server sent more than the last reply: after STARTTLS that
    // would be plain text smuggled into the encrypted session.
    bool HasUnreadBytes() const { return !received_.empty(); }
    bool IsTls() const { return connection_.IsTls(); }
    void Close() { connection_.Close(); }

  private:
    SmtpLimits limits_;
    const net::CancelSignal* cancel_;
    net::Connection connection_;
    std::string received_;
};

} // namespace qova
