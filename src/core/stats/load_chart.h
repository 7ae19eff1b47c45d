#pragma once

#include <string>

namespace qova {

// What the statistics and the poll cycle need of the load-time chart. The core
// chart model implements it; the desktop forwards it to its chart widget.
class LoadChart {
  public:
    static constexpr int kMaxLabels = 10;
    virtual ~LoadChart() = default;
    virtual void AddSample(double value, double errorFlag) = 0;
    virtual void SetMax(double maximum) = 0;
    virtual void SetLabel(int index, const std::string& text) = 0; // no redraw of its own
    virtual void SetLabelWidth(int pixels) = 0;
    virtual void SetLabelCount(int count) = 0;
    virtual void SetLabelsOnLeft(int flag) = 0;
    virtual void SetLeftToRight(int flag) = 0;
    virtual void ClearSamples() = 0; // no redraw
    virtual void Redraw() = 0;
};

} // namespace qova
