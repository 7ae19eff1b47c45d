#include "mail/local_host.h"

#include <chrono>
#include <future>
#include <mutex>
#include <netdb.h>
#include <thread>
#include <unistd.h>

namespace qova {
namespace {

constexpr auto kLookupLimit = std::chrono::seconds(2);

std::string CanonicalName(const std::string& shortName) {
    addrinfo hints{};
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    std::string name;
    if (getaddrinfo(shortName.c_str(), nullptr, &hints, &found) == 0 && found != nullptr) {
        if (found->ai_canonname != nullptr) {
            name = found->ai_canonname;
        }
        freeaddrinfo(found);
    }
    return name;
}

std::string LookUpLocalHostName() {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) {
        return "localhost";
    }
    std::string shortName = CleanHostName(buffer);
    if (shortName.empty()) {
        return "localhost";
    }
    if (shortName.find('.') != std::string::npos) {
        return shortName;
    }
    // getaddrinfo cannot be given a time limit, so it runs on a thread of its
    // own that is left behind if the resolver hangs.
    auto result = std::make_shared<std::promise<std::string>>();
    std::future<std::string> canonical = result->get_future();
    std::thread([result, shortName] { result->set_value(CanonicalName(shortName)); }).detach();
    if (canonical.wait_for(kLookupLimit) == std::future_status::ready) {
        std::string full = CleanHostName(canonical.get());
        if (full.find('.') != std::string::npos) {
            return full;
        }
    }
    return shortName;
}

} // namespace

std::string CleanHostName(const std::string& name) {
    std::string clean;
    for (char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '.' || c == '-') {
            clean += c;
        }
    }
    return clean;
}

const std::string& LocalHostName() {
    static std::once_flag once;
    static std::string name;
    std::call_once(once, [] { name = LookUpLocalHostName(); });
    return name;
}

} // namespace qova
