#include "app/window_place.h"

namespace qova {

std::optional<WindowPlace> AcceptedWindowPlace(int locX, int locY) {
    auto usable = [](int v) { return v != kNoWindowPlace && v > 0 && v < 2000; };
    if (usable(locX) && usable(locY)) {
        return WindowPlace{locX, locY};
    }
    return std::nullopt;
}

} // namespace qova
