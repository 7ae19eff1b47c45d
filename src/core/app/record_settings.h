#pragma once

#include <string>

namespace qova {

class SettingsStore;
struct MonitorRecord;

// Window start's reading of the global settings into the record: the interval
// and the last address, the mail and log settings with their defaults, the
// per-address values at "none yet", and the first-poll prompt armed. An empty
// log path becomes `logFolder` + "/access.log" or "/error.log", and that path is
// stored, so that the log viewer and the next start find the same file.
void LoadRecordSettings(MonitorRecord& record, SettingsStore& store, const std::string& logFolder);

} // namespace qova
