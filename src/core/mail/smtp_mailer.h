#pragma once

#include "mail/mailer.h"
#include "mail/smtp_session.h"
#include "mail/smtp_settings.h"

#include "net/resolver.h"

#include <functional>
#include <vector>

namespace qova {

// The mail client: one connection per mail, to the server the settings name at
// the moment of the send.
//
// Without "SMTPAuth": greeting, HELO, MAIL FROM, RCPT TO, DATA, the message,
// QUIT. With it: EHLO, STARTTLS and EHLO again over verified TLS, then AUTH
// PLAIN (or LOGIN when only that is offered). The password goes out in clear
// only to a server on the loopback address. Port 465 is TLS from the first byte.
//
// A rejected MAIL FROM, RCPT TO, DATA or message is followed by RSET, so the
// server drops the half-built mail. LastOutcome() names the failed step and
// the server's reply.
class SmtpMailer : public Mailer {
  public:
    explicit SmtpMailer(std::function<SmtpSettings()> settings, SmtpLimits limits = {},
                        const net::CancelSignal* cancel = nullptr);

    bool SendMail(const std::string& sender, const std::string& recipient,
                  const std::string& subject, const std::string& body) override;
    MailOutcome LastOutcome() const override { return outcome_; }

  private:
    MailOutcome Exchange(const std::string& sender, const std::string& recipient,
                         const std::string& subject, const std::string& body);

    std::function<SmtpSettings()> settings_;
    SmtpLimits limits_;
    const net::CancelSignal* cancel_;
    MailOutcome outcome_;
};

// True when every address is a loopback address, so a password sent without
// TLS would never leave this machine.
bool OnThisMachine(const std::vector<net::SocketAddress>& addresses);

} // namespace qova
