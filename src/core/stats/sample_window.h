#pragma once

#include "engine/monitor_record.h"

#include <cstddef>
#include <deque>
#include <string>

namespace qova {

// The most samples that stay in the window after an update; from this count on
// the chart scale follows the window's mean instead of its largest sample.
inline constexpr std::size_t kWindowLimit = 107;

// Best and worst of a run of samples. Both start as a 0 ms sample with no time
// text, so an empty run gives 0 for both.
struct SampleExtremes {
    LoadSample best;
    LoadSample worst;
    std::size_t count = 0; // samples visited
    double sum = 0.0;      // their load times added up
};

// The window's best and worst and the candidate for the next chart scale.
struct WindowScan {
    LoadSample best;
    LoadSample worst;
    double scaleCandidate = 0.0;
};

// Visits the window oldest first. Ties go to the older sample; a 0 ms sample is
// never the worst, and while nothing above 0 ms has been seen the newest sample
// is the best. A full window proposes twice its mean as the scale, a shorter
// one keeps `chartScaleMax`, which never falls below the largest sample.
WindowScan ScanWindow(const std::deque<LoadSample>& samples, double chartScaleMax);

// The same best and worst, taken only over the samples measured for `address`:
// the values that address's all-time record may be compared with.
SampleExtremes ScanAddress(const std::deque<LoadSample>& samples, const std::string& address);

} // namespace qova
