#include "display_check.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace qova::desktop {
namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool ConnectUnix(const std::string& path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() + 2 > sizeof(address.sun_path)) {
        return false;
    }
    size_t offset = abstract ? 1 : 0; // abstract names start with a zero byte
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    socklen_t length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
    ::close(fd);
    return ok;
}

bool XDisplayReachable(const std::string& display) {
    // ":N", ":N.S" and "unix:N" are local; "host:N" goes over the network and
    // is left to the toolkit.
    std::string rest = display;
    if (rest.rfind("unix:", 0) == 0) {
        rest = rest.substr(4);
    }
    if (rest.empty() || rest[0] != ':') {
        return !rest.empty();
    }
    std::string number = rest.substr(1, rest.find('.') == std::string::npos ? std::string::npos
                                                                            : rest.find('.') - 1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const std::string socket = "/tmp/.X11-unix/X" + number;
    return ConnectUnix(socket, false) || ConnectUnix(socket, true);
}

bool WaylandReachable(const std::string& name) {
    std::string path = name;
    if (path.empty() || path[0] != '/') {
        const std::string runtime = Env("XDG_RUNTIME_DIR");
        if (runtime.empty()) {
            return false;
        }
        path = runtime + "/" + name;
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

} // namespace

bool DisplayAvailable() {
    const std::string platform = Env("QT_QPA_PLATFORM");
    for (const char* headless :
         {"offscreen", "minimal", "vnc", "linuxfb", "eglfs", "vkkhrdisplay"}) {
        if (platform.rfind(headless, 0) == 0) {
            return true;
        }
    }
    const std::string wayland = Env("WAYLAND_DISPLAY");
    if (!wayland.empty() && platform.rfind("xcb", 0) != 0 && WaylandReachable(wayland)) {
        return true;
    }
    const std::string display = Env("DISPLAY");
    return !display.empty() && XDisplayReachable(display);
}

std::string NoDisplayMessage() {
    return "qova: no display found; to monitor from a terminal, use qova-cli monitor";
}

} // namespace qova::desktop
