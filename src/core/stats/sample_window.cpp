#include "stats/sample_window.h"

namespace qova {
namespace {

template <typename Counts>
SampleExtremes Scan(const std::deque<LoadSample>& samples, Counts counts) {
    SampleExtremes out;
    double largest = 0.0;
    for (const LoadSample& s : samples) {
        if (!counts(s)) {
            continue;
        }
        if (s.loadTime > largest) {
            out.worst = s;
            largest = s.loadTime;
        }
        if (s.loadTime < out.best.loadTime || out.sum == 0.0) {
            out.best = s;
        }
        out.sum += s.loadTime;
        ++out.count;
    }
    return out;
}

} // namespace

WindowScan ScanWindow(const std::deque<LoadSample>& samples, double chartScaleMax) {
    SampleExtremes all = Scan(samples, [](const LoadSample&) { return true; });
    WindowScan scan{std::move(all.best), std::move(all.worst), chartScaleMax};
    if (all.count >= kWindowLimit) {
        scan.scaleCandidate = 2.0 * (all.sum / static_cast<double>(all.count));
    }
    return scan;
}

SampleExtremes ScanAddress(const std::deque<LoadSample>& samples, const std::string& address) {
    return Scan(samples, [&address](const LoadSample& s) { return s.address == address; });
}

} // namespace qova
