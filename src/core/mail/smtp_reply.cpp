#include "mail/smtp_reply.h"

#include <cctype>
#include <string>

namespace qova {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

// Calls `each` with every line of `reply`, line end removed.
template <typename F> void ForEachLine(std::string_view reply, F each) {
    while (!reply.empty()) {
        size_t end = reply.find('\n');
        std::string_view line = reply.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        each(line);
        if (end == std::string_view::npos) {
            break;
        }
        reply.remove_prefix(end + 1);
    }
}

} // namespace

size_t WholeReplyLength(std::string_view received) {
    size_t start = 0;
    while (true) {
        size_t end = received.find('\n', start);
        if (end == std::string_view::npos) {
            return 0;
        }
        std::string_view line = received.substr(start, end - start);
        // Only "NNN-" continues a reply; anything else, even a malformed line,
        // ends it, so a confused server cannot keep the client reading.
        bool continues = line.size() >= 4 && line[3] == '-';
        start = end + 1;
        if (!continues) {
            return start;
        }
    }
}

int ReplyCode(std::string_view reply) {
    if (reply.size() < 3 || !IsDigit(reply[0]) || !IsDigit(reply[1]) || !IsDigit(reply[2])) {
        return 0;
    }
    return (reply[0] - '0') * 100 + (reply[1] - '0') * 10 + (reply[2] - '0');
}

EhloOffer ParseEhloOffer(std::string_view reply) {
    EhloOffer offer;
    ForEachLine(reply, [&](std::string_view line) {
        if (line.size() < 4) {
            return;
        }
        std::string words = Upper(line.substr(4)) + " ";
        if (words.rfind("STARTTLS ", 0) == 0) {
            offer.startTls = true;
        }
        // "AUTH PLAIN LOGIN", or the older "AUTH=PLAIN LOGIN" some servers still send.
        if (words.rfind("AUTH ", 0) == 0 || words.rfind("AUTH=", 0) == 0) {
            std::string mechanisms = " " + words.substr(5);
            offer.authPlain = offer.authPlain || mechanisms.find(" PLAIN ") != std::string::npos;
            offer.authLogin = offer.authLogin || mechanisms.find(" LOGIN ") != std::string::npos;
        }
    });
    return offer;
}

} // namespace qova
