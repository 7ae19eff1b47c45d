#include "stats/round_scale.h"

#include "stats/format_number.h"

#include <cmath>
#include <string>

namespace qova {
namespace {

bool IsExponentForm(const std::string& text) {
    return text.find_first_of("eE") != std::string::npos;
}

// The largest multiple of 10 not above `value`, from its integer digits.
double DropUnits(double value) {
    const double whole = std::floor(value);
    double units = std::fmod(whole, 10.0);
    if (units < 0.0) {
        units += 10.0;
    }
    return whole - units;
}

} // namespace

double RoundScale(double value) {
    if (!std::isfinite(value)) {
        return value;
    }
    const std::string text = FormatNumber(value);
    if (IsExponentForm(text)) {
        // The text ends in the exponent's digits, which say nothing about the
        // units: look at the value itself.
        if (value == std::floor(value) && std::fmod(value, 10.0) == 0.0) {
            return value;
        }
    } else if (text.back() == '0') {
        return value;
    }

    const double raised = value + 10.0;
    std::string digits = FormatNumber(raised);
    if (IsExponentForm(digits)) {
        // Cutting "1.23458e+06" at its full stop would leave "1" and a scale of
        // 0; the integer digits give the multiple of 10 the labels need.
        return DropUnits(raised);
    }
    digits = digits.substr(0, digits.find('.'));
    digits.back() = '0';
    return ParseNumber(digits);
}

} // namespace qova
