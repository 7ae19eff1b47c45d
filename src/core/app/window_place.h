#pragma once

#include <optional>

namespace qova {

// "LocX"/"LocY" when the window has never stored its place.
inline constexpr int kNoWindowPlace = -32;

struct WindowPlace {
    int x = 0;
    int y = 0;
};

// The stored top-left corner when the window may be moved there: both values
// other than kNoWindowPlace, above 0 and below 2000. Anything else leaves the
// window where it starts, so a place from a larger screen cannot put it out
// of reach.
std::optional<WindowPlace> AcceptedWindowPlace(int locX, int locY);

} // namespace qova
