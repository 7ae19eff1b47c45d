#include "app/clock.h"

#include <thread>

namespace qova {

std::time_t SystemClock::Now() {
    return std::time(nullptr);
}

void SystemClock::Sleep(std::chrono::milliseconds pause) {
    std::this_thread::sleep_for(pause);
}

} // namespace qova
