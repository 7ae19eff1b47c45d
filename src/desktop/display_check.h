#pragma once

#include <string>

namespace qova::desktop {

// Whether a window can be shown at all: a platform that needs no display
// (QT_QPA_PLATFORM=offscreen, ...), a Wayland socket that exists, or an X
// display whose local socket accepts a connection (a display on another host
// is taken on trust). Checked before the toolkit starts, which would abort.
bool DisplayAvailable();

// The one line printed when there is none.
std::string NoDisplayMessage();

} // namespace qova::desktop
