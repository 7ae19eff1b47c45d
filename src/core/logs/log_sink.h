#pragma once

#include <string>

namespace qova {

// Where the poll cycle sends its log entries; the path picks the log.
class LogSink {
  public:
    virtual ~LogSink() = default;
    virtual void WriteLog(const std::string& entry, const std::string& path) = 0;
};

} // namespace qova
