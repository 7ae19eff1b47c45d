#pragma once

#include <ctime>
#include <string>

namespace qova {

// " on %m/%d/%Y at %H:%M:%S" in local time: the time texts of samples, records,
// alerts and notice bodies. It starts with a space so it reads on after a value.
std::string TimeText(std::time_t when);

// "<%m/%d/%Y %H:%M:%S> " in local time: the stamp that starts every log line.
std::string LogStamp(std::time_t when);

// The local time formatted with a strftime pattern.
std::string FormatLocalTime(std::time_t when, const char* pattern);

} // namespace qova
