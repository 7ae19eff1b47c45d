#include "commands.h"

#include <cstdio>

namespace qova::cli {

int RunProbe(int, char**) {
    std::fputs("qova-cli probe: not built yet\n", stderr);
    return 3;
}

} // namespace qova::cli
