#pragma once

#include "app/clock.h"
#include "engine/monitor_record.h"
#include "logs/log_sink.h"

#include <deque>
#include <mutex>
#include <string>

namespace qova {

// Appends one stamped line per entry to the access or the error log. The path it
// is given picks the log and its on/off flag, compared with the record's paths
// at the moment of the call, so the log settings take effect at the next entry.
//
// An entry that cannot be written (the file does not open, is locked by the
// viewer, or the write itself fails) keeps the stamp of its first attempt and
// waits in memory; the next entry that reaches any log that opens is preceded
// there by the waiting ones, each marked "Missed Entry: ".
//
// Thread-safe: one mutex stands for the busy mark, so a writer on the poll thread
// and a caller on another thread never interleave their lines or the list.
class LogWriter : public LogSink {
  public:
    LogWriter(const MonitorRecord& record, Clock& clock);

    void WriteLog(const std::string& entry, const std::string& path) override;

    // The missed entries, oldest first, each beginning with its own stamp. A copy,
    // taken under the lock, so it may be read from any thread.
    std::deque<std::string> PendingLogLines() const;

  private:
    bool Enabled(const std::string& path) const;
    // Writes the waiting entries, then the entry; whatever fails joins the list.
    void WriteLocked(const std::string& stamp, const std::string& entry, const std::string& path);

    const MonitorRecord& record_;
    Clock& clock_;
    mutable std::mutex logBusy_;
    std::deque<std::string> pendingLogLines_;
};

} // namespace qova
