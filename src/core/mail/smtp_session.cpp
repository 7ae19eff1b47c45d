#include "mail/smtp_session.h"

#include "mail/smtp_reply.h"

namespace qova {
namespace {

// A reply longer than this is not a mail server talking; stop reading.
constexpr size_t kMaxReply = 64 * 1024;

} // namespace

SmtpSession::SmtpSession(SmtpLimits limits, const net::CancelSignal* cancel)
    : limits_(limits), cancel_(cancel) {}

net::NetError SmtpSession::Connect(const std::vector<net::SocketAddress>& addresses,
                                   net::Deadline deadline) {
    return connection_.Connect(addresses, deadline, cancel_);
}

net::NetError SmtpSession::StartTls(const std::string& host) {
    return connection_.StartTls(host, net::Deadline::In(limits_.reply), cancel_);
}

bool SmtpSession::Send(std::string_view text, std::string& problem) {
    net::IoResult sent = connection_.SendAll(text, net::Deadline::In(limits_.reply), cancel_);
    if (!sent.Ok()) {
        problem = std::string(net::ToText(sent.error));
        return false;
    }
    return true;
}

SmtpReply SmtpSession::ReadReply(std::chrono::milliseconds limit) {
    net::Deadline deadline = net::Deadline::In(limit);
    SmtpReply reply;
    char buffer[4096];
    while (true) {
        if (size_t length = WholeReplyLength(received_); length > 0) {
            reply.text = received_.substr(0, length);
            reply.code = ReplyCode(reply.text);
            received_.erase(0, length);
            return reply;
        }
        if (received_.size() > kMaxReply) {
            reply.problem = "reply too long";
            return reply;
        }
        net::IoResult got = connection_.Receive(buffer, sizeof buffer, deadline, cancel_);
        if (!got.Ok() || got.bytes == 0) {
            reply.problem = got.Ok() ? "connection closed" : std::string(net::ToText(got.error));
            return reply;
        }
        received_.append(buffer, got.bytes);
    }
}

SmtpReply SmtpSession::Command(std::string_view line) {
    std::string problem;
    if (!Send(std::string(line) + "\r\n", problem)) {
        SmtpReply none;
        none.problem = problem;
        return none;
    }
    return ReadReply();
}

} // namespace qova
