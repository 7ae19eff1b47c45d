#include "stats/format_number.h"

#include <cstdio>
#include <cstdlib>

namespace qova {

std::string FormatNumber(double value) {
    char text[64];
    int n = std::snprintf(text, sizeof text, "%g", value);
    return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

double ParseNumber(const std::string& text) {
    return std::atof(text.c_str());
}

} // namespace qova
