#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace qova {

// One plain-text mail as it goes after DATA. Date and Message-Id are fields so
// that a caller (or a test) can fix them; MessageText() does not invent them.
struct MailMessage {
    std::string date;      // value of the Date header, see DateHeader()
    std::string messageId; // value of the Message-Id header, see NewMessageId()
    std::string senderName;
    std::string returnAddress;
    std::string recipient;
    std::string subject;
    std::string body;
};

// A header value with every control character (CR and LF included) removed, so
// no caller's text can end a header line early and start one of its own.
std::string CleanHeaderValue(std::string_view value);

// The bare address for MAIL FROM / RCPT TO and the "<...>" of From and To:
// control characters removed, the part inside "<...>" when the text carries a
// display name ("Ann <ann@example.org>"), outer blanks trimmed, and no angle
// bracket left that could close the command's own brackets early.
std::string EnvelopeAddress(std::string_view address);

// The body as SMTP wants it: every line end CR LF (a lone LF or CR becomes one),
// a line that begins with "." gets a second one, and the last line is ended so
// that the terminating ".\r\n" stands on a line of its own.
std::string DataBody(std::string_view body);

// RFC 5322 date in local time with a numeric zone, English names whatever the
// locale: "Mon, 07 Oct 2002 15:05:09 -0400".
std::string DateHeader(std::time_t when);

// "<" time "." process "." counter "@" host ">": unique per message, since mail
// systems drop a message whose id they have already seen.
std::string NewMessageId(std::time_t when, std::string_view localHost);

// Headers, the empty line, the body and the terminating ".\r\n".
std::string MessageText(const MailMessage& message);

} // namespace qova
