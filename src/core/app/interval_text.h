#pragma once

#include <string_view>

namespace qova {

// The interval a fresh store starts with, in minutes.
inline constexpr int kDefaultInterval = 15;

// The longest interval whose milliseconds still fit the poll timer's 32-bit
// delay; a longer one would wrap to a negative delay and poll at once.
inline constexpr int kMaxInterval = 35791;

// Reads the interval field the way the C library's string-to-integer
// conversion does: leading blanks and a sign, then digits up to the first other
// character; no leading digits give 0.
long long ReadIntervalText(std::string_view text);

// The interval after one click of the arrows: the field's text (empty counts
// as "5"), one minute up (`step` -1, the up arrow) or down (`step` +1), never
// below 1 nor above kMaxInterval.
int StepInterval(std::string_view fieldText, int step);

// An interval read from the store, kept within the same bounds.
int BoundInterval(long long minutes);

} // namespace qova
