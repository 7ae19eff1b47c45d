#include "app/text.h"

#include <algorithm>
#include <strings.h>

namespace qova {

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), IsControlCharacter);
}

std::string ReplaceControlCharacters(std::string_view text, char replacement) {
    std::string clean(text);
    std::replace_if(clean.begin(), clean.end(), IsControlCharacter, replacement);
    return clean;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           ::strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

} // namespace qova
