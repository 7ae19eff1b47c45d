#include "app/time_text.h"

namespace qova {

std::string FormatLocalTime(std::time_t when, const char* pattern) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[128] = {};
    size_t n = std::strftime(text, sizeof text, pattern, &local);
    return std::string(text, n);
}

std::string TimeText(std::time_t when) {
    return FormatLocalTime(when, " on %m/%d/%Y at %H:%M:%S");
}

std::string LogStamp(std::time_t when) {
    return FormatLocalTime(when, "<%m/%d/%Y %H:%M:%S> ");
}

} // namespace qova
