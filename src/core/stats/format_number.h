#pragma once

#include <string>

namespace qova {

// A number as the C "%g" conversion writes it: six significant digits, no
// trailing zeros, exponent form from one million. Every load time shown,
// stored or mailed goes through this.
std::string FormatNumber(double value);

// The longest leading decimal number of `text`, 0.0 when there is none (C atof).
double ParseNumber(const std::string& text);

} // namespace qova
