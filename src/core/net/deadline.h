#pragma once

#include <chrono>

namespace qova::net {

using SteadyClock = std::chrono::steady_clock;

// A point in time after which a network step gives up. Every blocking call of
// the net layer takes one, so no server can hold the program longer than its
// caller allows.
class Deadline {
  public:
    explicit Deadline(SteadyClock::time_point at) : at_(at) {}
    static Deadline In(std::chrono::milliseconds span) {
        return Deadline(SteadyClock::now() + span);
    }
    // The earlier of two deadlines.
    static Deadline Earliest(Deadline a, Deadline b) { return a.at_ < b.at_ ? a : b; }

    SteadyClock::time_point At() const { return at_; }
    bool Expired() const { return SteadyClock::now() >= at_; }
    // Milliseconds left, rounded up, 0 when expired; what poll() wants.
    int RemainingMs() const;

  private:
    SteadyClock::time_point at_;
};

// An event another thread can raise to end a waiting network call at once
// (Exit, Ctrl-C). Costs nothing while nobody raises it.
class CancelSignal {
  public:
    CancelSignal();
    ~CancelSignal();
    CancelSignal(const CancelSignal&) = delete;
    CancelSignal& operator=(const CancelSignal&) = delete;

    void Raise(); // async-signal-safe
    bool Raised() const;
    int Fd() const { return fd_; } // readable once raised

  private:
    int fd_ = -1;
};

} // namespace qova::net
