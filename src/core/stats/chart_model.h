#pragma once

#include "stats/chart_paint.h"
#include "stats/load_chart.h"

#include <array>
#include <string>
#include <vector>

namespace qova {

// The load-time chart without a window: a ring of bars (value and error flag
// per poll) with a maximum, up to ten axis labels and their layout, and the
// paint that shows them in a given client rectangle. The bars are 2 pixels
// wide on a 3-pixel pitch, newest at one edge of the bar area; a bar at the
// maximum stops 2 pixels below the top, and anything higher is clipped.
class ChartModel : public LoadChart {
  public:
    static constexpr int kBarWidth = 2;
    static constexpr int kBarPitch = 3;
    static constexpr int kHeadRoom = 2;
    static constexpr double kStartMax = 100.0;

    // `capacity` slots in the ring; the desktop passes the primary screen's
    // width in pixels. A chart whose ring could not be had is not ready: it
    // ignores every call and paints nothing.
    explicit ChartModel(int capacity);

    bool Ready() const { return ready_; }
    int Capacity() const { return static_cast<int>(values_.size()); }

    void AddSample(double value, double errorFlag) override;
    void SetMax(double maximum) override;
    void SetLabel(int index, const std::string& text) override; // index 0..9, 0 at the top
    void SetLabelWidth(int pixels) override;                    // negative counts as 0
    void SetLabelCount(int count) override;                     // clamped to 0..10
    void SetLabelsOnLeft(int flag) override;
    void SetLeftToRight(int flag) override;
    void ClearSamples() override; // the newest slot stays where it is
    void Redraw() override {}     // the model has nothing to show; its widget repaints

    double Max() const { return maximum_; }
    int LabelCount() const { return labelCount_; }
    const std::string& Label(int index) const { return labels_.at(index); }

    ChartPaint Layout(ChartRect client) const;

  private:
    bool ready_ = false;
    std::vector<double> values_;
    std::vector<double> errorFlags_;
    int newest_ = 0;
    double maximum_ = kStartMax;
    std::array<std::string, kMaxLabels> labels_;
    int labelCount_ = 0;
    int labelWidth_ = 0;
    bool labelsOnLeft_ = true;
    bool leftToRight_ = true;
};

} // namespace qova
