#pragma once

#include <deque>
#include <string>
#include <vector>

namespace qova {

// The value that stands for "no load time": a failed probe, or an all-time
// record never measured (stored as the text "-99").
inline constexpr double kNoLoadTime = -99.0;

// One completed measurement.
struct LoadSample {
    double loadTime = 0.0; // ms, 0 or more
    std::string when;      // TimeText of the moment it was recorded
    std::string address;   // the polled address it was measured for
};

// The settings and run-time state of the one monitored site.
struct MonitorRecord {
    // Polling
    int interval = 15;                       // minutes; "Settings"/"Interval"
    std::string addressText;                 // "Settings"/"LastURL"
    std::string currentAddress;              // address whose record is loaded
    std::vector<std::string> addressHistory; // "Location"/"0", "1", ...; newest first
    std::string lastHistoryAddress;
    bool setupPromptPending = true;
    int hideAtStart = 0; // "Settings"/"Hid"

    // Mail
    std::string smtpServer;        // "SMTP"
    std::string smtpName = "QOVA"; // "SMTPName"
    std::string returnAddress;     // "SMTPEmail"
    std::string alertRecipient;    // "SMTPAlert"
    std::string recoveryRecipient; // "SMTPRecovery"
    std::string smtpUsername;      // "SMTPUsername"
    std::string smtpPassword;      // "SMTPPassword"
    int smtpAuth = 0;              // "SMTPAuth"
    int slowThreshold = 10000;     // ms; "SMTPWarn"

    // Logs
    int doAccessLog = 1;       // "DoAccessLog"
    int doErrorLog = 1;        // "DoErrorLog"
    std::string accessLogPath; // "AccessLogFile"; default <log folder>/access.log
    std::string errorLogPath;  // "ErrorLogFile"; default <log folder>/error.log

    // Per-address record of currentAddress
    double allTimeMin = kNoLoadTime;
    double allTimeMax = kNoLoadTime;
    std::string allTimeMinWhen;
    std::string allTimeMaxWhen;
    std::string lastAlert;
    std::string lastRecovery;

    // Load samples and chart scale
    std::deque<LoadSample> loadSamples; // oldest first
    double chartScaleMax = 10.0;
};

} // namespace qova
