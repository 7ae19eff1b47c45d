#include "commands.h"

#include <cstdio>
#include <cstring>

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

const Command kCommands[] = {
    {"probe", qova::cli::RunProbe, "probe URL [--warn MS]   one probe: status and load time"},
    {"test-mail", qova::cli::RunTestMail,
     "test-mail [RECIPIENT]   send the test notice through the stored mail settings"},
    {"monitor", qova::cli::RunMonitor,
     "monitor [URL] [--interval N[s|m]] [--count N]   poll, log and mail until stopped"},
    {"config", qova::cli::RunConfig, "config list | get NAME | set NAME VALUE   the settings"},
};

void PrintUsage(std::FILE* out) {
    std::fputs("usage: qova-cli COMMAND [ARGS]\n\n"
               "QOVA's website monitor for terminals and servers.\n\ncommands:\n",
               out);
    for (const Command& c : kCommands) {
        std::fprintf(out, "  %s\n", c.summary);
    }
    std::fputs("\n'qova-cli COMMAND --help' explains a command.\n"
               "Exit status: 0 good, 1 slow, 2 unexpected or unreachable, 3 bad usage.\n",
               out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 3;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
        std::strcmp(argv[1], "help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) == 0) {
            return c.run(argc - 1, argv + 1);
        }
    }
    std::fprintf(stderr, "qova-cli: unknown command '%s'\n\n", argv[1]);
    PrintUsage(stderr);
    return 3;
}
