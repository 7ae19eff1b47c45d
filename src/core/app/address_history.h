#pragma once

#include "engine/monitor_record.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qova {

class SettingsStore;

// The address as the program uses it: the box's text without leading and
// trailing white space.
std::string TrimAddress(std::string_view boxText);

// The address box's drop-down list, as the desktop binds it to its combo box.
class AddressListView {
  public:
    virtual ~AddressListView() = default;
    virtual void AppendEntry(const std::string& text) = 0;
    virtual void RemoveEntry(int index) = 0;
    virtual void SelectEntry(int index) = 0; // puts its text into the edit part; runs no command
};

// The history of polled addresses and the box's own list. Both start equal at
// window start and then part ways: the history keeps the ten most recent
// addresses newest first, case-sensitive; the box's list of this run offers
// every address polled, newest last, one entry per spelling regardless of case.
class AddressHistory {
  public:
    static constexpr std::size_t kMaxEntries = 10;

    AddressHistory(MonitorRecord& record, AddressListView& list);

    // Reads "Location"/"0", "1", ... up to the first empty or missing value
    // into record.addressHistory and the box's list.
    void Load(const SettingsStore& store);

    // The entry to select at window start for the instance counted as `numOpen`
    // among those running, so that each instance starts on another address;
    // none when the history is empty (the box keeps "LastURL").
    std::optional<int> StartSelection(int numOpen) const;

    // Called before every probe with the address about to be probed.
    void UpdateAddressHistory(const std::string& address);

    // Writes the history to "Location" as "0", "1", ... and an empty value
    // after the last, which ends it for the next Load.
    void Store(SettingsStore& store) const;

    // The user changed the box's text: a non-empty trimmed text becomes
    // "Settings"/"LastURL", the address the next start opens with.
    static void AddressEdited(SettingsStore& store, const std::string& boxText);

    const std::vector<std::string>& BoxList() const { return box_; }

  private:
    void AppendToBox(const std::string& text);

    MonitorRecord& record_;
    AddressListView& list_;
    std::vector<std::string> box_; // mirror of the combo box's list
};

} // namespace qova
