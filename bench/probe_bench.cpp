// Probe accuracy and large-answer cost, QOVA next to curl in the same run.
//
// Accuracy: a loopback server answers after 0, 50 and 200 ms; QOVA's load time
// and curl's time_total are taken alternately for the same server; medians.
// Large answer: 1 GiB from a loopback server to `qova-cli probe` and to
// `curl -o /dev/null`, each as a child process: peak resident memory and
// throughput.
#include "curl_timing.h"
#include "engine/probe.h"
#include "support/scripted_server.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono;
using qova::test::ScriptedServer;
using qova::test::Step;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct ChildCost {
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
};

// Runs argv as a child with its output thrown away; wall time and peak RSS.
ChildCost RunChild(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::fflush(stdout); // the child must not print our buffered lines again
    auto start = steady_clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        if (!std::freopen("/dev/null", "w", stdout)) {
            ::_exit(127);
        }
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    ChildCost cost;
    cost.seconds = duration<double>(steady_clock::now() - start).count();
    cost.peakKiB = usage.ru_maxrss;
    cost.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return cost;
}

} // namespace

int main(int argc, char** argv) {
    std::string cli = argc > 1 ? argv[1] : "build/src/cli/qova-cli";
    const int rounds = 15;

    std::printf("probe accuracy (median of %d, ms): delay | QOVA | curl | difference\n", rounds);
    for (int delay : {0, 50, 200}) {
        ScriptedServer server({Step::ReadUntil("\r\n\r\n"), Step::Pause(milliseconds(delay)),
                               Step::Send("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok")});
        std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";
        std::vector<double> qova, curl;
        for (int i = 0; i < rounds; ++i) {
            std::string status;
            qova.push_back(qova::ProbeSite(url, status));
            curl.push_back(qova::bench::CurlTimeMs(url));
        }
        double q = Median(qova), c = Median(curl);
        std::printf("  %4d | %7.2f | %7.2f | %+6.2f %s\n", delay, q, c, q - c,
                    std::abs(q - c) <= 1.0 ? "(goal: within 1 ms: met)"
                                           : "(goal: within 1 ms: MISSED)");
    }

    const uint64_t chunks = 16384; // 1 GiB in 64 KiB chunks
    ScriptedServer big({Step::ReadUntil("\r\n\r\n"), Step::Send("HTTP/1.0 200 OK\r\n\r\n"),
                        Step::SendRepeated(std::string(64 * 1024, 'x'), chunks)});
    std::string url = "http://127.0.0.1:" + std::to_string(big.Port()) + "/";
    ChildCost q = RunChild({cli, "probe", url, "--warn", "999999"});
    ChildCost c = RunChild({"curl", "-s", "-o", "/dev/null", url});
    double gib = 1.0;
    std::printf(
        "1 GiB answer: QOVA %.2f s (%.0f MiB/s), peak %.1f MiB, exit %d | curl %.2f s (%.0f "
        "MiB/s), peak %.1f MiB\n",
        q.seconds, 1024 * gib / q.seconds, q.peakKiB / 1024.0, q.status, c.seconds,
        1024 * gib / c.seconds, c.peakKiB / 1024.0);
    double ratio = c.seconds / q.seconds;
    std::printf("  throughput ratio QOVA/curl %.2f (goal >= 0.9: %s), QOVA peak %s 16 MiB\n", ratio,
                ratio >= 0.9 ? "met" : "MISSED", q.peakKiB < 16 * 1024 ? "under" : "OVER");
    return 0;
}
