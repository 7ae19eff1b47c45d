#include "stats/sample_window.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace qova {
namespace {

// Samples named by position, so a test can tell which one won: "#0", "#1", ...
std::deque<LoadSample> Window(std::initializer_list<double> times, const char* address = "a") {
    std::deque<LoadSample> samples;
    for (double t : times) {
        samples.push_back({t, "#" + std::to_string(samples.size()), address});
    }
    return samples;
}

TEST(ScanWindow, BestAndWorstFollowTheWindowsRules) {
    struct Case {
        const char* name;
        std::deque<LoadSample> samples;
        const char* best;
        const char* worst;
    } cases[] = {
        {"empty window gives 0 with no time", {}, "", ""},
        {"ties go to the older sample", Window({300, 200, 500, 200, 500}), "#1", "#2"},
        {"0 ms first is best until a time is seen", Window({0, 500, 700}), "#1", "#2"},
        {"0 ms later beats every time", Window({400, 0, 700}), "#1", "#2"},
        {"0 ms is never the worst", Window({0, 0}), "#1", ""},
    };
    for (const auto& c : cases) {
        const WindowScan scan = ScanWindow(c.samples, 10.0);
        EXPECT_EQ(scan.best.when, c.best) << c.name;
        EXPECT_EQ(scan.worst.when, c.worst) << c.name;
    }
}

TEST(ScanWindow, ScaleCandidateIsTheScaleUntilTheWindowIsFull) {
    std::deque<LoadSample> samples;
    for (int i = 0; i < 106; ++i) {
        samples.push_back({i % 2 == 0 ? 100.0 : 300.0, "", "a"});
    }
    EXPECT_DOUBLE_EQ(ScanWindow(samples, 990.0).scaleCandidate, 990.0);
    samples.push_back({200.0, "", "a"}); // the 107th: twice the mean, 2 x 200
    EXPECT_DOUBLE_EQ(ScanWindow(samples, 990.0).scaleCandidate, 400.0);
}

TEST(ScanAddress, CountsOnlyTheAddressesOwnSamples) {
    std::deque<LoadSample> samples = Window({100, 900}, "old");
    samples.push_back({400, "#new0", "new"});
    samples.push_back({350, "#new1", "new"});
    samples.push_back({50, "#other", "NEW"}); // another spelling is another address

    const SampleExtremes own = ScanAddress(samples, "new");
    EXPECT_EQ(own.count, 2u);
    EXPECT_EQ(own.best.when, "#new1");
    EXPECT_EQ(own.worst.when, "#new0");
    EXPECT_EQ(ScanAddress(samples, "none").count, 0u);
}

} // namespace
} // namespace qova
