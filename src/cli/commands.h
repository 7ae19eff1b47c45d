#pragma once

// The sub-commands of qova-cli; each lives in its own file and returns the exit status.
namespace qova::cli {

int RunProbe(int argc, char** argv);
int RunTestMail(int argc, char** argv);
int RunConfig(int argc, char** argv);
int RunMonitor(int argc, char** argv);

} // namespace qova::cli
