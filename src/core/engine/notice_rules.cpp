#include "engine/notice_rules.h"

#include "app/text.h"
#include "app/time_text.h"
#include "stats/format_number.h"

namespace qova {

namespace {

constexpr const char* kWarned = "Warned";
constexpr const char* kLastAlert = "lastAlert";
constexpr const char* kLastRecovery = "lastRecovery";
constexpr const char* kAlertNotSent = "(alert not sent, missing email setup)";
constexpr const char* kRecoveryNotSent = "(recovery not sent, missing email setup)";

// The address comes from the user and the status from the server: neither may
// carry a control character into a subject header or split the one-line body.
std::string OneLine(const std::string& text) {
    return ReplaceControlCharacters(text, ' ');
}

} // namespace

NoticeRules::NoticeRules(MonitorRecord& record, SettingsStore& store, Mailer& mailer, Clock& clock)
    : record_(record), store_(store), mailer_(mailer), clock_(clock) {}

bool NoticeRules::Warned(const std::string& address) const {
    return store_.GetProfileInt(address, kWarned, 0) != 0;
}

NoticeAttempt NoticeRules::Mail(const std::string& recipient, const std::string& subject,
                                const std::string& body) {
    NoticeAttempt attempt{subject, recipient};
    attempt.mailed = true;
    attempt.sent = mailer_.SendMail(record_.returnAddress, recipient, subject, body);
    return attempt;
}

std::optional<NoticeAttempt> NoticeRules::Alert(const std::string& address, const std::string& body,
                                                const std::string& timeText) {
    record_.lastAlert = SetupMissing() ? kAlertNotSent : timeText;
    store_.WriteProfileString(address, kLastAlert, record_.lastAlert);
    const std::string subject = "Alert - " + OneLine(address);
    if (SetupMissing()) {
        // Not an error: the episode opens as if the alert had gone out.
        store_.WriteProfileInt(address, kWarned, 1);
        return NoticeAttempt{subject, record_.alertRecipient};
    }
    NoticeAttempt attempt = Mail(record_.alertRecipient, subject, body);
    if (attempt.sent) {
        store_.WriteProfileInt(address, kWarned, 1);
    }
    return attempt;
}

std::optional<NoticeAttempt> NoticeRules::UnreachableAlert(const std::string& address,
                                                           const std::string& timeText) {
    if (Warned(address)) {
        return std::nullopt;
    }
    return Alert(address, "Site unreachable" + timeText, timeText);
}

std::optional<NoticeAttempt> NoticeRules::UnexpectedAlert(const std::string& address,
                                                          const std::string& status,
                                                          const std::string& timeText) {
    if (Warned(address)) {
        return std::nullopt;
    }
    // An episode opened by a wrong answer starts with no recovery on record; one
    // opened by an unreachable site keeps the last recovery shown.
    record_.lastRecovery.clear();
    store_.WriteProfileString(address, kLastRecovery, record_.lastRecovery);
    return Alert(address, "Unexpected response (" + OneLine(status) + ") from site" + timeText,
                 timeText);
}

std::optional<NoticeAttempt> NoticeRules::SlowWarning(const std::string& address, double loadTime,
                                                      const std::string& timeText) {
    // Sent at every slow poll, whatever the episode, and handed to the mailer even
    // without a server so that its failure is the mailer's to report.
    return Mail(record_.alertRecipient, "Warning - " + OneLine(address),
                "Slow response from site (" + FormatNumber(loadTime) + "ms)" + timeText);
}

std::optional<NoticeAttempt> NoticeRules::Recovery(const std::string& address,
                                                   const std::string& timeText) {
    (void)timeText; // the recovery carries its own moment, taken after the probe
    if (!Warned(address)) {
        return std::nullopt;
    }
    const std::string now = TimeText(clock_.Now());
    record_.lastRecovery = SetupMissing() ? kRecoveryNotSent : now;
    store_.WriteProfileString(address, kLastRecovery, record_.lastRecovery);
    const std::string subject = "Recovery - " + OneLine(address);
    if (SetupMissing()) {
        store_.WriteProfileInt(address, kWarned, 0);
        return NoticeAttempt{subject, record_.recoveryRecipient};
    }
    NoticeAttempt attempt = Mail(record_.recoveryRecipient, subject, "Site recovered" + now);
    if (attempt.sent) {
        store_.WriteProfileInt(address, kWarned, 0);
    }
    return attempt;
}

} // namespace qova
