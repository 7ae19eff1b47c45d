#pragma once

#include <string>

namespace qova {

class SettingsStore;
struct MonitorRecord;

// What the mail client needs from the stored mail settings.
struct SmtpSettings {
    std::string server; // "host", "host:port", "[v6]:port"
    std::string senderName = "QOVA";
    std::string returnAddress;
    bool auth = false;
    std::string username;
    std::string password;
};

// Reads "SMTP", "SMTPName", "SMTPEmail", "SMTPAuth", "SMTPUsername" and
// "SMTPPassword" of section "Settings" as they are now.
SmtpSettings ReadSmtpSettings(const SettingsStore& store);

// The same values as a record holds them (the engine's copy, or a dialog's).
SmtpSettings SmtpSettingsOf(const MonitorRecord& record);

inline constexpr int kSmtpPort = 25;
inline constexpr int kSmtpsPort = 465; // TLS from the first byte

// The server text split into host and port; `valid` is false for an empty host
// or a port that is not a number from 1 to 65535.
struct SmtpServer {
    std::string host;
    int port = kSmtpPort;
    bool valid = false;
};
SmtpServer ParseSmtpServer(const std::string& text);

} // namespace qova
