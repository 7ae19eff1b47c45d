#pragma once

#include <string>

namespace qova {

// The seven statistic texts of the main window, by control number. The
// numbers are those of the window's controls (res/ids.h), repeated here
// because the core cannot see the desktop's resources.
class StatisticsView {
  public:
    static constexpr int kLastText = 1011;         // "Last:"
    static constexpr int kBestText = 1012;         // "Best:" of the chart
    static constexpr int kWorstText = 1013;        // "Worst:" of the chart
    static constexpr int kAllTimeBestText = 1015;  // "Best:" since first sampled
    static constexpr int kAllTimeWorstText = 1016; // "Worst:" since first sampled
    static constexpr int kLastAlertText = 1017;    // "Last alert"
    static constexpr int kLastRecoveryText = 1018; // "Last recovery"

    virtual ~StatisticsView() = default;
    virtual void SetStatisticText(int controlId, const std::string& text) = 0;
};

} // namespace qova
