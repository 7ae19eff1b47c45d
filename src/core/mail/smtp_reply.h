#pragma once

#include <cstddef>
#include <string_view>

namespace qova {

// Length of the first whole reply at the start of `received`: every line up to
// and including the first one that is not a continuation ("250-..."). 0 while
// that line has not fully arrived. Lines end in LF, with or without CR.
size_t WholeReplyLength(std::string_view received);

// The three-digit code a reply begins with, or 0 when it begins otherwise.
// Only the first line counts: "250-first\r\n250 last\r\n" has code 250.
int ReplyCode(std::string_view reply);

// What an EHLO reply offers that the client can use.
struct EhloOffer {
    bool startTls = false;
    bool authPlain = false;
    bool authLogin = false;
};
EhloOffer ParseEhloOffer(std::string_view reply);

} // namespace qova
