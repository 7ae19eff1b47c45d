#include "app/interval_text.h"

#include <algorithm>
#include <cctype>

namespace qova {

long long ReadIntervalText(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Saturate instead of overflowing: a field of forty nines is just "huge".
    constexpr long long kCeiling = 1'000'000'000'000LL;
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = std::min(kCeiling, value * 10 + (text[i] - '0'));
    }
    return negative ? -value : value;
}

int BoundInterval(long long minutes) {
    return static_cast<int>(std::clamp<long long>(minutes, 1, kMaxInterval));
}

int StepInterval(std::string_view fieldText, int step) {
    long long current = ReadIntervalText(fieldText.empty() ? std::string_view("5") : fieldText);
    return BoundInterval(current - step);
}

} // namespace qova
