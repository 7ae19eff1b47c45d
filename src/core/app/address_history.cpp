#include "app/address_history.h"

#include "app/settings_store.h"

#include <algorithm>
#include <cctype>

namespace qova {
namespace {

constexpr const char* kLocationSection = "Location";

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::string TrimAddress(std::string_view boxText) {
    while (!boxText.empty() && IsBlank(boxText.front())) {
        boxText.remove_prefix(1);
    }
    while (!boxText.empty() && IsBlank(boxText.back())) {
        boxText.remove_suffix(1);
    }
    return std::string(boxText);
}

AddressHistory::AddressHistory(MonitorRecord& record, AddressListView& list)
    : record_(record), list_(list) {}

void AddressHistory::Load(const SettingsStore& store) {
    record_.addressHistory.clear();
    for (int i = 0;; ++i) {
        std::string entry = store.GetProfileString(kLocationSection, std::to_string(i), "");
        if (entry.empty()) {
            break;
        }
        record_.addressHistory.push_back(std::move(entry));
    }
    for (const std::string& entry : record_.addressHistory) {
        AppendToBox(entry);
    }
}

std::optional<int> AddressHistory::StartSelection(int numOpen) const {
    const auto& history = record_.addressHistory;
    if (history.empty()) {
        return std::nullopt;
    }
    // A count below 1 can only come from a damaged store; it would ask for
    // entry -1, which would blank the box, so it starts on the first entry.
    const long long position = static_cast<long long>(numOpen) - 1;
    if (position >= 0 && static_cast<long long>(history.size()) > position) {
        return static_cast<int>(position);
    }
    return 0;
}

void AddressHistory::UpdateAddressHistory(const std::string& address) {
    if (address.empty() || address == record_.lastHistoryAddress) {
        return;
    }
    auto& history = record_.addressHistory;
    if (auto same = std::find(history.begin(), history.end(), address); same != history.end()) {
        history.erase(same);
    }
    history.insert(history.begin(), address);

    auto spelling = std::find_if(box_.begin(), box_.end(), [&address](const std::string& entry) {
        return EqualIgnoringCase(entry, address);
    });
    if (spelling != box_.end()) {
        const int index = static_cast<int>(spelling - box_.begin());
        box_.erase(spelling);
        list_.RemoveEntry(index);
    }
    AppendToBox(address);
    list_.SelectEntry(static_cast<int>(box_.size()) - 1);

    if (history.size() > kMaxEntries) {
        history.pop_back();
    }
    record_.lastHistoryAddress = address;
}

void AddressHistory::Store(SettingsStore& store) const {
    int position = 0;
    for (const std::string& entry : record_.addressHistory) {
        if (!entry.empty()) {
            store.WriteProfileString(kLocationSection, std::to_string(position++), entry);
        }
    }
    store.WriteProfileString(kLocationSection, std::to_string(position), "");
}

void AddressHistory::AddressEdited(SettingsStore& store, const std::string& boxText) {
    const std::string address = TrimAddress(boxText);
    if (!address.empty()) {
        store.WriteProfileString("Settings", "LastURL", address);
    }
}

void AddressHistory::AppendToBox(const std::string& text) {
    box_.push_back(text);
    list_.AppendEntry(text);
}

} // namespace qova
