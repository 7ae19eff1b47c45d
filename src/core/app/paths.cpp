#include "app/paths.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace qova {

std::string ProgramFolder() {
    char path[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return {};
    }
    std::string exe(path, static_cast<size_t>(n));
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? exe : exe.substr(0, slash);
}

std::string DefaultLogFolder() {
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') {
        base = data;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.local/share";
    } else {
        base = "/tmp";
    }
    std::string folder = base + "/Halvorind/QOVA";
    for (size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        ::mkdir(folder.substr(0, slash).c_str(), 0700);
    }
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

} // namespace qova
