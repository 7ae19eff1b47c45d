#pragma once

#include <string>
#include <string_view>

namespace qova {

// Bytes below 0x20 and DEL: never allowed into a request line, a mail header
// or a log line, whatever the user or a server typed.
inline bool IsControlCharacter(char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

bool HasControlCharacter(std::string_view text);

// `text` with every control character replaced by `replacement`.
std::string ReplaceControlCharacters(std::string_view text, char replacement);

bool StartsWithNoCase(std::string_view text, std::string_view prefix);

} // namespace qova
