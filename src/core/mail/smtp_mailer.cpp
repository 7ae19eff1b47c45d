#include "mail/smtp_mailer.h"

#include "mail/local_host.h"
#include "mail/mail_text.h"
#include "mail/smtp_auth.h"
#include "mail/smtp_reply.h"

#include <algorithm>
#include <arpa/inet.h>
#include <ctime>
#include <netinet/in.h>
#include <sys/socket.h>

namespace qova {
namespace {} // namespace

bool OnThisMachine(const std::vector<net::SocketAddress>& addresses) {
    for (const net::SocketAddress& a : addresses) {
        if (a.storage.ss_family == AF_INET) {
            const auto* v4 = reinterpret_cast<const sockaddr_in*>(&a.storage);
            if ((ntohl(v4->sin_addr.s_addr) >> 24) != 127) {
                return false;
            }
        } else if (a.storage.ss_family == AF_INET6) {
            const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&a.storage);
            bool mapped127 =
                IN6_IS_ADDR_V4MAPPED(&v6->sin6_addr) && v6->sin6_addr.s6_addr[12] == 127;
            if (!IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr) && !mapped127) {
                return false;
            }
        } else {
            return false;
        }
    }
    return !addresses.empty();
}

namespace {

// One exchange from connection to goodbye; each step returns false when the
// mail cannot go, with the outcome filled in.
class Dialogue {
  public:
    Dialogue(SmtpLimits limits, const net::CancelSignal* cancel, MailOutcome& outcome)
        : limits_(limits), session_(limits, cancel), outcome_(outcome) {}

    bool Open(const SmtpServer& server, const std::vector<net::SocketAddress>& addresses,
              net::Deadline connectBy) {
        if (net::NetError e = session_.Connect(addresses, connectBy); e != net::NetError::None) {
            connectionUsable_ = false;
            return Fail("connecting", {}, std::string(net::ToText(e)));
        }
        if (server.port == kSmtpsPort && !StartTls(server.host)) {
            return false;
        }
        return Expect("greeting", session_.ReadReply(), 220);
    }

    bool Helo() { return Expect("HELO", session_.Command("HELO " + LocalHostName()), 250); }

    bool Ehlo(EhloOffer& offer) {
        SmtpReply reply = session_.Command("EHLO " + LocalHostName());
        offer = ParseEhloOffer(reply.text);
        return Expect("EHLO", reply, 250);
    }

    // Encryption before the password: STARTTLS where offered; otherwise only a
    // server on this machine may see the password in clear.
    bool Secure(const SmtpServer& server, bool loopback, EhloOffer& offer) {
        if (session_.IsTls()) {
            return true;
        }
        if (!offer.startTls) {
            if (loopback) {
                return true;
            }
            return Fail("STARTTLS", {}, "the server offers no STARTTLS; password not sent");
        }
        if (!Expect("STARTTLS", session_.Command("STARTTLS"), 220)) {
            return false;
        }
        if (session_.HasUnreadBytes()) {
            connectionUsable_ = false;
            return Fail("STARTTLS", {}, "the server sent data before TLS began");
        }
        return StartTls(server.host) && Ehlo(offer);
    }

    bool Authenticate(const EhloOffer& offer, const SmtpSettings& settings) {
        if (offer.authPlain) {
            return Expect("AUTH",
                          session_.Command("AUTH PLAIN " +
                                           AuthPlainToken(settings.username, settings.password)),
                          235);
        }
        if (offer.authLogin) {
            return Expect("AUTH", session_.Command("AUTH LOGIN"), 334) &&
                   Expect("AUTH", session_.Command(Base64(settings.username)), 334) &&
                   Expect("AUTH", session_.Command(Base64(settings.password)), 235);
        }
        return Fail("AUTH", {}, "the server offers neither AUTH PLAIN nor AUTH LOGIN");
    }

    // MAIL FROM, RCPT TO, DATA and the message; a refusal among them is
    // followed by RSET so the server forgets the half-built mail.
    bool Transfer(const std::string& sender, const std::string& recipient,
                  const std::string& message) {
        return Transaction("MAIL FROM", "MAIL FROM:<" + EnvelopeAddress(sender) + ">", 250) &&
               Transaction("RCPT TO", "RCPT TO:<" + EnvelopeAddress(recipient) + ">", 250) &&
               Transaction("DATA", "DATA", 354) && Message(message);
    }

    // QUIT after the last whole reply; its answer is awaited briefly, so the
    // connection ends cleanly, and does not change the outcome.
    void Quit() {
        if (connectionUsable_) {
            std::string ignored;
            if (session_.Send("QUIT\r\n", ignored)) {
                session_.ReadReply(std::min(limits_.quit, limits_.reply));
            }
        }
        session_.Close();
    }

  private:
    // Certificate and host name are verified; a failed handshake leaves
    // nothing to say goodbye on.
    bool StartTls(const std::string& host) {
        if (net::NetError e = session_.StartTls(host); e != net::NetError::None) {
            connectionUsable_ = false;
            return Fail("TLS", {}, std::string(net::ToText(e)));
        }
        return true;
    }

    bool Fail(const char* step, std::string reply, std::string detail) {
        outcome_.sent = false;
        outcome_.failedStep = step;
        outcome_.reply = std::move(reply);
        outcome_.detail = std::move(detail);
        return false;
    }

    bool Expect(const char* step, const SmtpReply& reply, int code) {
        if (!reply.Whole()) {
            connectionUsable_ = false;
            return Fail(step, {}, reply.problem);
        }
        if (reply.code != code) {
            return Fail(step, reply.text, {});
        }
        return true;
    }

    bool Transaction(const char* step, const std::string& line, int code) {
        return Reset(Expect(step, session_.Command(line), code));
    }

    bool Message(const std::string& message) {
        std::string problem;
        if (!session_.Send(message, problem)) {
            connectionUsable_ = false;
            return Fail("message", {}, problem);
        }
        return Reset(Expect("message", session_.ReadReply(), 250));
    }

    // A refused step leaves the server holding a half-built mail: RSET drops
    // it. Its reply is read and does not change the outcome.
    bool Reset(bool accepted) {
        if (!accepted && connectionUsable_) {
            SmtpReply reset = session_.Command("RSET");
            connectionUsable_ = reset.Whole();
        }
        return accepted;
    }

    SmtpLimits limits_;
    SmtpSession session_;
    MailOutcome& outcome_;
    bool connectionUsable_ = true;
};

} // namespace

SmtpMailer::SmtpMailer(std::function<SmtpSettings()> settings, SmtpLimits limits,
                       const net::CancelSignal* cancel)
    : settings_(std::move(settings)), limits_(limits), cancel_(cancel) {}

bool SmtpMailer::SendMail(const std::string& sender, const std::string& recipient,
                          const std::string& subject, const std::string& body) {
    outcome_ = Exchange(sender, recipient, subject, body);
    return outcome_.sent;
}

MailOutcome SmtpMailer::Exchange(const std::string& sender, const std::string& recipient,
                                 const std::string& subject, const std::string& body) {
    MailOutcome outcome;
    outcome.failedStep = "resolving";
    const SmtpSettings settings = settings_();
    const SmtpServer server = ParseSmtpServer(settings.server);
    if (!server.valid) {
        outcome.detail = settings.server.empty() ? "no mail server is set"
                                                 : "the mail server text is not a host[:port]";
        return outcome;
    }
    std::vector<net::SocketAddress> addresses;
    const net::Deadline connectBy = net::Deadline::In(limits_.connect);
    if (!net::ResolveHost(addresses, server.host, server.port, AF_UNSPEC, connectBy, cancel_)) {
        outcome.detail = "the mail server's name was not found";
        return outcome;
    }

    const std::time_t now = std::time(nullptr);
    MailMessage message{DateHeader(now),
                        NewMessageId(now, LocalHostName()),
                        settings.senderName,
                        settings.returnAddress,
                        recipient,
                        subject,
                        body};

    Dialogue dialogue(limits_, cancel_, outcome);
    bool sent = dialogue.Open(server, addresses, connectBy);
    if (sent && settings.auth) {
        EhloOffer offer;
        sent = dialogue.Ehlo(offer) && dialogue.Secure(server, OnThisMachine(addresses), offer) &&
               dialogue.Authenticate(offer, settings);
    } else if (sent) {
        sent = dialogue.Helo();
    }
    sent = sent && dialogue.Transfer(sender, recipient, MessageText(message));
    dialogue.Quit();
    if (sent) {
        outcome = MailOutcome{true, {}, {}, {}};
    }
    return outcome;
}

} // namespace qova
