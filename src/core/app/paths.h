#pragma once

#include <string>

namespace qova {

// The folder of the running executable, without a trailing "/"; empty when it
// cannot be found. Help pages are looked up beside it.
std::string ProgramFolder();

// Where the logs go by default: $XDG_DATA_HOME (or ~/.local/share) +
// "/Halvorind/QOVA", created when missing. The program's own folder is usually
// not writable on Linux.
std::string DefaultLogFolder();

} // namespace qova
