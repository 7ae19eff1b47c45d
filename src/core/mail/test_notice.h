#pragma once

#include <ctime>
#include <string>

namespace qova {

struct NoticeText {
    std::string subject;
    std::string body;
};

// The mail that `qova-cli test-mail` and the email setup's test button send,
// so both say the same thing.
NoticeText TestNotice(std::time_t when);

} // namespace qova
