#include "mail/smtp_settings.h"

#include "engine/monitor_record.h"

#include "app/settings_store.h"

namespace qova {
namespace {

bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) {
        return false;
    }
    port = value;
    return true;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace

SmtpSettings ReadSmtpSettings(const SettingsStore& store) {
    SmtpSettings s;
    s.server = store.GetProfileString("Settings", "SMTP", "");
    s.senderName = store.GetProfileString("Settings", "SMTPName", "QOVA");
    s.returnAddress = store.GetProfileString("Settings", "SMTPEmail", "");
    s.auth = store.GetProfileInt("Settings", "SMTPAuth", 0) != 0;
    s.username = store.GetProfileString("Settings", "SMTPUsername", "");
    s.password = store.GetProfileString("Settings", "SMTPPassword", "");
    return s;
}

SmtpSettings SmtpSettingsOf(const MonitorRecord& record) {
    SmtpSettings settings;
    settings.server = record.smtpServer;
    settings.senderName = record.smtpName;
    settings.returnAddress = record.returnAddress;
    settings.auth = record.smtpAuth != 0;
    settings.username = record.smtpUsername;
    settings.password = record.smtpPassword;
    return settings;
}

SmtpServer ParseSmtpServer(const std::string& text) {
    SmtpServer server;
    std::string t = Trim(text);
    std::string portText;
    bool hasPort = false;
    if (!t.empty() && t.front() == '[') {
        size_t close = t.find(']');
        if (close == std::string::npos) {
            return server;
        }
        server.host = t.substr(1, close - 1);
        std::string rest = t.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                return server;
            }
            hasPort = true;
            portText = rest.substr(1);
        }
    } else if (size_t colon = t.find(':');
               colon != std::string::npos && t.find(':', colon + 1) == std::string::npos) {
        server.host = t.substr(0, colon);
        hasPort = true;
        portText = t.substr(colon + 1);
    } else {
        server.host = t; // a name, an IPv4 address, or a bare IPv6 address
    }
    if (hasPort && !ParsePort(portText, server.port)) {
        return server;
    }
    for (char c : server.host) {
        if (static_cast<unsigned char>(c) < 0x21 || c == 0x7f) {
            return server;
        }
    }
    server.valid = !server.host.empty();
    return server;
}

} // namespace qova
