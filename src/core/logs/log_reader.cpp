#include "logs/log_reader.h"

#include "logs/log_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace qova {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

std::string FullPath(const std::string& path) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.lexically_normal().string();
}

bool IsRegularFile(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

// Where a piece of at most `limit` bytes of `text` may end without cutting a
// UTF-8 sequence in two.
std::size_t PieceEnd(std::string_view text, std::size_t limit) {
    std::size_t end = limit;
    for (int back = 0; back < 3 && end > 0; ++back) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80) {
            return end;
        }
        --end;
    }
    return limit;
}

// Collects lines into batches and hands each full batch over through the gate.
class Batcher {
  public:
    Batcher(const std::stop_token& stop, BatchGate& gate, LogLinesSink& sink, LogBatchSizes sizes)
        : stop_(stop), gate_(gate), sink_(sink), sizes_(sizes), target_(sizes.first) {
        batch_.reserve(target_ + kLongLine);
    }

    // One line without its line end; false when a stop was requested.
    bool Add(std::string_view line) {
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        for (unsigned char c : line) {
            if (c < 0x20 && c != '\t') {
                batch_ += kReplacement;
            } else {
                batch_ += static_cast<char>(c);
            }
        }
        batch_ += '\n';
        return batch_.size() < target_ || Flush();
    }

    bool Flush() {
        if (batch_.empty()) {
            return !stop_.stop_requested();
        }
        if (!gate_.Enter(stop_)) {
            return false;
        }
        sink_.Lines(std::move(batch_));
        target_ = sizes_.rest;
        batch_ = std::string();
        batch_.reserve(target_ + kLongLine);
        return true;
    }

  private:
    const std::stop_token& stop_;
    BatchGate& gate_;
    LogLinesSink& sink_;
    LogBatchSizes sizes_;
    std::size_t target_;
    std::string batch_;
};

} // namespace

bool BatchGate::Enter(const std::stop_token& stop) {
    std::unique_lock lock(mutex_);
    if (!taken_.wait(lock, stop, [this] { return inFlight_ < limit_; })) {
        return false;
    }
    ++inFlight_;
    return true;
}

void BatchGate::Leave() {
    {
        std::lock_guard lock(mutex_);
        if (inFlight_ > 0) {
            --inFlight_;
        }
    }
    taken_.notify_all();
}

LogReadEnd ReadLog(const std::string& path, const std::stop_token& stop, BatchGate& gate,
                   LogLinesSink& sink, LogBatchSizes sizes) {
    std::optional<LockedLogFile> file = LockedLogFile::Open(path, LockedLogFile::Mode::Read);
    if (!file || !IsRegularFile(file->Fd())) {
        return LogReadEnd::CouldNotOpen;
    }
    sink.Opened(FullPath(path));

    Batcher batcher(stop, gate, sink, sizes);
    std::string pending; // the start of a line whose end has not been read yet
    std::string chunk(kReadChunk, '\0');
    while (!stop.stop_requested()) {
        ssize_t n = ::read(file->Fd(), chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break; // the end, or a read error: show what was read
        }
        std::string_view data(chunk.data(), static_cast<std::size_t>(n));
        while (!data.empty()) {
            std::size_t newline = data.find('\n');
            bool complete = newline != std::string_view::npos;
            std::string_view piece = data.substr(0, newline);
            data.remove_prefix(complete ? newline + 1 : data.size());
            if (complete && pending.empty() && piece.size() <= kLongLine) {
                if (!batcher.Add(piece)) { // the usual line, taken without a copy
                    return LogReadEnd::Stopped;
                }
                continue;
            }
            pending.append(piece);
            // An overlong line goes out in pieces, each on a line of its own.
            while (pending.size() > kLongLine) {
                std::size_t end = PieceEnd(pending, kLongLine);
                if (!batcher.Add(std::string_view(pending).substr(0, end))) {
                    return LogReadEnd::Stopped;
                }
                pending.erase(0, end);
            }
            if (complete) {
                if (!batcher.Add(pending)) {
                    return LogReadEnd::Stopped;
                }
                pending.clear();
            }
        }
    }
    if (stop.stop_requested()) {
        return LogReadEnd::Stopped;
    }
    // The last line may lack its line end; it is still a line.
    if (!pending.empty() && !batcher.Add(pending)) {
        return LogReadEnd::Stopped;
    }
    return batcher.Flush() ? LogReadEnd::Finished : LogReadEnd::Stopped;
}

bool ClearLog(const std::string& path) {
    return LockedLogFile::Open(path, LockedLogFile::Mode::Truncate).has_value();
}

} // namespace qova
