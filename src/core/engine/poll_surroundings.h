#pragma once

#include <chrono>
#include <string>

namespace qova {

// What the poll cycle needs of the window around it, each a small interface so
// that tests stand in with fakes, the terminal with its own loop, and the
// desktop with queued signals to its widgets. None of them may call back into
// the cycle while a poll runs.

// The address box: its live text, as the user left it when the timer fired.
class AddressSource {
  public:
    virtual ~AddressSource() = default;
    virtual std::string AddressText() = 0;
};

// The notification-area icon. The numbers are those of the icons in res/ids.h,
// repeated here because the core cannot see the desktop's resources.
class PollTray {
  public:
    static constexpr int kIconNormal = 128;
    static constexpr int kIconProgressFirst = 131; // 131..137: one bar missing, walking
    static constexpr int kIconProgressLast = 137;
    static constexpr int kIconAttention = 138;

    virtual ~PollTray() = default;
    virtual void ChangeIconAndTip(int icon, const std::string& tip) = 0;
};

// The main window's title bar.
class WindowTitle {
  public:
    virtual ~WindowTitle() = default;
    virtual void SetTitle(const std::string& title) = 0;
};

// The poll timer, used as a one-shot timer: Arm replaces any pending firing.
// When it fires, its owner calls PollCycle::PollSite.
class PollScheduler {
  public:
    virtual ~PollScheduler() = default;
    virtual void Arm(std::chrono::milliseconds delay) = 0;
    virtual void Stop() = 0;
};

// The email setup the first poll of a fresh installation opens instead of
// polling. The poll timer stays stopped until a trigger (Poll Now, a pick from
// the address list, an interval change) arms it, typically the end of the setup.
class SetupPrompt {
  public:
    virtual ~SetupPrompt() = default;
    virtual void OpenEmailSetup() = 0;
};

} // namespace qova
