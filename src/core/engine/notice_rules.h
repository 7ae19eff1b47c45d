#pragma once

#include "app/clock.h"
#include "app/settings_store.h"
#include "engine/monitor_record.h"
#include "mail/mailer.h"

#include <optional>
#include <string>

namespace qova {

// A notice a rule decided on. `mailed` says whether it was handed to the mailer
// (an alert or recovery is not when the email setup is missing); `sent` whether
// the server accepted it.
struct NoticeAttempt {
    std::string subject;
    std::string recipient;
    bool sent = false;
    bool mailed = false;
};

// Decides at each poll whether to mail an alert, a slow-response warning or a
// recovery notice, so that an alert and a recovery come once per failure episode.
// The episode flag "Warned" lives only in the address's own section of the store
// and is read and written there at every decision: it survives restarts and stays
// with its address when the user switches. A mail the server refuses leaves the
// episode as it was, so the same notice is tried again at the next such poll.
class NoticeRules {
  public:
    NoticeRules(MonitorRecord& record, SettingsStore& store, Mailer& mailer, Clock& clock);

    // Each returns the notice it decided on, or nothing when the rule did not apply.
    std::optional<NoticeAttempt> UnreachableAlert(const std::string& address,
                                                  const std::string& timeText);
    std::optional<NoticeAttempt> SlowWarning(const std::string& address, double loadTime,
                                             const std::string& timeText);
    std::optional<NoticeAttempt> UnexpectedAlert(const std::string& address,
                                                 const std::string& status,
                                                 const std::string& timeText);
    std::optional<NoticeAttempt> Recovery(const std::string& address, const std::string& timeText);

  private:
    bool SetupMissing() const { return record_.smtpServer.empty(); }
    bool Warned(const std::string& address) const;
    std::optional<NoticeAttempt> Alert(const std::string& address, const std::string& body,
                                       const std::string& timeText);
    NoticeAttempt Mail(const std::string& recipient, const std::string& subject,
                       const std::string& body);

    MonitorRecord& record_;
    SettingsStore& store_;
    Mailer& mailer_;
    Clock& clock_;
};

} // namespace qova
