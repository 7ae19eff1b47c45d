#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <stop_token>
#include <string>

namespace qova {

// Keeps the log reader at most a few batches ahead of the view that shows
// them, so memory stays flat however large the log, and a view that is slow
// to take batches slows the reader instead of queueing the whole file.
class BatchGate {
  public:
    explicit BatchGate(int limit) : limit_(limit) {}

    // Waits until one more batch may be handed over. False, at once, when a
    // stop is or gets requested: a stopping reader never waits for its view.
    bool Enter(const std::stop_token& stop);
    // The view has taken a batch.
    void Leave();

  private:
    std::mutex mutex_;
    std::condition_variable_any taken_;
    int inFlight_ = 0;
    int limit_;
};

// Where the reader's results go; called on the reader's thread.
class LogLinesSink {
  public:
    virtual ~LogLinesSink() = default;
    // The log is open (and locked); `fullPath` is its absolute path.
    virtual void Opened(const std::string& fullPath) = 0;
    // Whole lines, each ended by "\n", with the file's own line ends removed.
    virtual void Lines(std::string lines) = 0;
};

struct LogBatchSizes {
    std::size_t first = 8 * 1024; // small, so the first lines show at once
    std::size_t rest = 128 * 1024;
};

enum class LogReadEnd { CouldNotOpen, Stopped, Finished };

// Reads the log at `path` from its start, line by line, under the log's lock,
// so the writer keeps its entries as missed entries meanwhile. Only a regular
// file is read: a device or a pipe could stream for ever. A line longer than
// kLongLine bytes continues on the next line given out, so one endless line
// cannot take all memory. Control characters other than tab become U+FFFD. The
// lock is held until the function returns.
LogReadEnd ReadLog(const std::string& path, const std::stop_token& stop, BatchGate& gate,
                   LogLinesSink& sink, LogBatchSizes sizes = {});

inline constexpr std::size_t kLongLine = 64 * 1024;

// "Clear Log": empties the log, creating it when missing, under its lock.
// False when the file cannot be opened or someone holds it.
bool ClearLog(const std::string& path);

} // namespace qova
