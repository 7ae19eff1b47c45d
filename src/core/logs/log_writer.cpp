#include "logs/log_writer.h"

#include "app/time_text.h"
#include "logs/log_file.h"

#include <optional>

namespace qova {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kMissedMark = "Missed Entry: ";

// Writes one whole line or nothing: a write that fails part way (a full disk, a
// size limit) is cut back, so the file never holds a torn line that the same
// entry, written again later, would then follow.
bool WriteLine(LockedLogFile& file, const std::string& line) {
    off_t before = file.EndOffset();
    if (file.WriteAll(line)) {
        return true;
    }
    if (before >= 0) {
        file.CutBackTo(before);
    }
    return false;
}

} // namespace

LogWriter::LogWriter(const MonitorRecord& record, Clock& clock) : record_(record), clock_(clock) {}

std::deque<std::string> LogWriter::PendingLogLines() const {
    std::lock_guard<std::mutex> busy(logBusy_);
    return pendingLogLines_;
}

bool LogWriter::Enabled(const std::string& path) const {
    // Both tests apply: when the two paths name one file, both logs must be on.
    if (path == record_.accessLogPath && record_.doAccessLog == 0) {
        return false;
    }
    if (path == record_.errorLogPath && record_.doErrorLog == 0) {
        return false;
    }
    return true;
}

void LogWriter::WriteLog(const std::string& entry, const std::string& path) {
    if (entry.empty() || !Enabled(path)) {
        return;
    }
    // One stamp for every line of this call, taken before any waiting.
    const std::string stamp = LogStamp(clock_.Now());
    std::lock_guard<std::mutex> busy(logBusy_);
    WriteLocked(stamp, entry, path);
}

void LogWriter::WriteLocked(const std::string& stamp, const std::string& entry,
                            const std::string& path) {
    std::optional<LockedLogFile> file = LockedLogFile::Open(path, LockedLogFile::Mode::Append);
    if (!file) {
        pendingLogLines_.push_back(stamp + entry);
        return;
    }
    while (!pendingLogLines_.empty()) {
        std::string missed = std::move(pendingLogLines_.front());
        pendingLogLines_.pop_front();
        std::string line = stamp;
        line.append(kMissedMark).append(missed).append(kLineEnd);
        if (!WriteLine(*file, line)) {
            // The failed one goes to the back, behind those that were waiting after
            // it; the new entry waits too rather than being dropped.
            pendingLogLines_.push_back(std::move(missed));
            pendingLogLines_.push_back(stamp + entry);
            return;
        }
    }
    std::string line = stamp;
    line.append(entry).append(kLineEnd);
    if (!WriteLine(*file, line)) {
        pendingLogLines_.push_back(stamp + entry);
    }
    // A failing close has nothing left to undo: the lines were handed to the kernel.
    file->Close();
}

} // namespace qova
