#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qova::bench {

// curl's own measure of one GET, in milliseconds (time_total); -1 when curl
// could not be run or printed nothing.
inline double CurlTimeMs(const std::string& url) {
    std::string command = "curl -s -o /dev/null -w '%{time_total}' '" + url + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return -1;
    }
    char text[64] = {};
    size_t n = std::fread(text, 1, sizeof text - 1, pipe);
    ::pclose(pipe);
    text[n] = '\0';
    return n ? std::atof(text) * 1000.0 : -1;
}

} // namespace qova::bench
