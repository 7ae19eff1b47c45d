#include "mail/mail_text.h"

#include "app/text.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace qova {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::string CleanHeaderValue(std::string_view value) {
    std::string clean;
    clean.reserve(value.size());
    for (char c : value) {
        if (!IsControlCharacter(c)) {
            clean += c;
        }
    }
    return clean;
}

std::string EnvelopeAddress(std::string_view address) {
    std::string clean = CleanHeaderValue(address);
    std::string_view inner = clean;
    size_t open = inner.find('<');
    if (open != std::string_view::npos) {
        size_t close = inner.find('>', open + 1);
        if (close != std::string_view::npos) {
            inner = inner.substr(open + 1, close - open - 1);
        }
    }
    std::string bare;
    for (char c : Trim(inner)) {
        if (c != '<' && c != '>') {
            bare += c;
        }
    }
    return bare;
}

std::string DataBody(std::string_view body) {
    std::string out;
    out.reserve(body.size() + body.size() / 16 + 4);
    bool lineStart = true;
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n') {
                ++i;
            }
            out += "\r\n";
            lineStart = true;
            continue;
        }
        if (lineStart && c == '.') {
            out += '.';
        }
        out += c;
        lineStart = false;
    }
    if (!lineStart) {
        out += "\r\n";
    }
    return out;
}

std::string DateHeader(std::time_t when) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    localtime_r(&when, &local);
    long offset = local.tm_gmtoff / 60;
    char sign = offset < 0 ? '-' : '+';
    offset = std::labs(offset);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                  kDays[local.tm_wday % 7], local.tm_mday, kMonths[local.tm_mon % 12],
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec, sign,
                  offset / 60, offset % 60);
    return text;
}

std::string NewMessageId(std::time_t when, std::string_view localHost) {
    static std::atomic<unsigned long> counter{0};
    return "<" + std::to_string(static_cast<long long>(when)) + "." +
           std::to_string(static_cast<long>(getpid())) + "." + std::to_string(++counter) + "@" +
           std::string(localHost) + ">";
}

std::string MessageText(const MailMessage& m) {
    std::string text;
    text.reserve(256 + m.subject.size() + m.body.size() * 17 / 16);
    text += "Date: " + CleanHeaderValue(m.date) + "\r\n";
    text += "Message-Id: " + CleanHeaderValue(m.messageId) + "\r\n";
    text += "From: " + CleanHeaderValue(m.senderName) + " <" + EnvelopeAddress(m.returnAddress) +
            ">\r\n";
    text += "To: <" + EnvelopeAddress(m.recipient) + ">\r\n";
    text += "Subject: " + CleanHeaderValue(m.subject) + "\r\n";
    text += "\r\n";
    text += DataBody(m.body);
    text += ".\r\n";
    return text;
}

} // namespace qova
