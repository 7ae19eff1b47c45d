#pragma once

#include <string>

namespace qova {

class SettingsStore;

// The marker every running instance holds, and the count of running instances
// in "Settings"/"NumOpen" that picks the address history entry an instance
// starts on.
//
// The marker is a lock file named "CheckIfQOVAAlreadyRunning" that each instance
// keeps a shared lock on for its whole life. A starting instance that can lock it
// exclusively for a moment is alone. The kernel drops the locks of a process that
// ends in any way, so a crashed instance never leaves the marker behind, and the
// next start that finds it free sets the count back to 1.
//
// Starting and ending instances also take a short exclusive lock on a second
// file around the check and the read-add-write of "NumOpen", so two instances
// started at the same moment count one after the other, not from the same value.
class InstanceMarker {
  public:
    static constexpr const char* kName = "CheckIfQOVAAlreadyRunning";

    // Takes the marker in `folder` and counts this instance: "NumOpen" becomes 1
    // when no other instance holds the marker (or it cannot be made at all), else
    // the stored value (default 0) plus one.
    InstanceMarker(SettingsStore& store, const std::string& folder);
    // Lets go of the marker; the count is lowered only by Leave().
    ~InstanceMarker();
    InstanceMarker(const InstanceMarker&) = delete;
    InstanceMarker& operator=(const InstanceMarker&) = delete;

    // $XDG_RUNTIME_DIR when set, else the folder of the settings store.
    static std::string DefaultFolder(const SettingsStore& store);

    bool ExistedAlready() const { return existedAlready_; }
    // The count written at start: this instance's place among those running.
    int NumOpen() const { return numOpen_; }

    // The instance is ending: "NumOpen" (default 1) is written back less one.
    // Only the first call counts.
    void Leave();

  private:
    SettingsStore& store_;
    std::string gatePath_;
    int markerFd_ = -1;
    bool existedAlready_ = false;
    bool left_ = false;
    int numOpen_ = 1;
};

} // namespace qova
