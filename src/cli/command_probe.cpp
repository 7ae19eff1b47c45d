#include "commands.h"

#include "app/settings_store.h"
#include "engine/monitor_record.h"
#include "engine/probe.h"
#include "stats/format_number.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qova::cli {
namespace {

constexpr const char* kUsage =
    "usage: qova-cli probe URL [--warn MS]\n"
    "\n"
    "Probes URL once: connects, sends a GET, reads the answer and prints its\n"
    "status code and load time, e.g. '200 523ms http://example.com/', or\n"
    "'unreachable http://example.com/'.\n"
    "\n"
    "  --warn MS   slow-response threshold in milliseconds (default: the stored\n"
    "              \"SMTPWarn\", 10000)\n"
    "\n"
    "Exit status: 0 for a 200 within the threshold, 1 for a slow 200, 2 for any\n"
    "other status or an unreachable site, 3 for bad usage.\n";

bool ParseThreshold(const char* text, int& value) {
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < 0 || parsed > 999999) {
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

} // namespace

int RunProbe(int argc, char** argv) {
    std::string address;
    int threshold = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--warn") == 0) {
            if (i + 1 >= argc || !ParseThreshold(argv[++i], threshold)) {
                std::fputs("qova-cli probe: --warn takes a whole number of milliseconds from 0 to "
                           "999999\n",
                           stderr);
                return 3;
            }
        } else if (address.empty() && argv[i][0] != '-') {
            address = argv[i];
        } else {
            std::fprintf(stderr, "qova-cli probe: unexpected argument '%s'\n\n%s", argv[i], kUsage);
            return 3;
        }
    }
    // The poll reads the address trimmed; so does the probe here.
    size_t first = address.find_first_not_of(" \t");
    address = first == std::string::npos
                  ? std::string()
                  : address.substr(first, address.find_last_not_of(" \t") - first + 1);
    if (address.empty()) {
        std::fputs(kUsage, stderr);
        return 3;
    }
    if (threshold < 0) {
        SettingsStore store(SettingsStore::DefaultPath());
        threshold = store.GetProfileInt("Settings", "SMTPWarn", 10000);
    }

    std::string status;
    double t = ProbeSite(address, status, ProbeOptions::ForSlowThreshold(threshold));
    if (t < 0) {
        std::printf("unreachable %s\n", address.c_str());
        return 2;
    }
    std::printf("%s %sms %s\n", status.empty() ? "(no status)" : status.c_str(),
                FormatNumber(t).c_str(), address.c_str());
    if (status != "200") {
        return 2;
    }
    return t > threshold ? 1 : 0;
}

} // namespace qova::cli
