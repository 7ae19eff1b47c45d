#pragma once

#include <string>

namespace qova {

// How a mail exchange ended, for callers that want more than yes or no.
struct MailOutcome {
    bool sent = false;
    std::string failedStep; // e.g. "RCPT TO"; empty when sent
    std::string reply;      // the server's reply at that step, as received
    std::string detail;     // why there was no reply, or what the client refused to do
};

// Sends one plain-text mail. The notice rules and Tell a friend depend on this
// interface only, so tests can count and refuse mails without a server.
class Mailer {
  public:
    virtual ~Mailer() = default;
    // True only when the server accepted the message.
    virtual bool SendMail(const std::string& sender, const std::string& recipient,
                          const std::string& subject, const std::string& body) = 0;
    // The outcome of the last SendMail call.
    virtual MailOutcome LastOutcome() const { return {}; }
};

} // namespace qova
