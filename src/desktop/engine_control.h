#pragma once

#include <QString>

namespace qova::desktop {

// The messages the main window sends the engine. They only ask: the engine
// runs its polls elsewhere and shows their effects through the window's slots,
// so no message ever waits for the network.
class EngineControl {
  public:
    virtual ~EngineControl() = default;
    // The next poll in 100 ms (Poll Now, Enter, a picked address).
    virtual void PollNow() = 0;
    // The address box's live text, after every change of it.
    virtual void AddressTextChanged(const QString& text) = 0;
    // The arrows set a new interval: the next poll one whole interval from now.
    virtual void IntervalChanged(int minutes) = 0;
    // A settings dialog was accepted: re-read the settings from the store.
    virtual void SettingsAccepted() = 0;
    // Reset Statistics for the address the box shows.
    virtual void ResetStatistics() = 0;
};

} // namespace qova::desktop
