#pragma once

#include <chrono>
#include <ctime>

namespace qova {

// The wall clock and the pauses of the engine, behind an interface so that tests
// can fix the time and skip the waiting.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::time_t Now() = 0;
    virtual void Sleep(std::chrono::milliseconds pause) = 0;
};

class SystemClock final : public Clock {
  public:
    std::time_t Now() override;
    void Sleep(std::chrono::milliseconds pause) override;
};

} // namespace qova
