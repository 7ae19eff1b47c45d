#pragma once

#include "stats/chart_model.h"

#include <QWidget>

namespace qova::desktop {

// The load-time chart of the main window. It keeps its bars and labels in a
// ChartModel, paints exactly the layout the model gives for its size, and
// repaints at once after every change, as the model's callers expect.
class CLoadChart : public QWidget, public LoadChart {
    Q_OBJECT

  public:
    // The ring holds as many bars as the primary screen is wide in pixels.
    explicit CLoadChart(QWidget* parent = nullptr);
    CLoadChart(int capacity, QWidget* parent);

    void AddSample(double value, double errorFlag) override;
    void SetMax(double maximum) override;
    void SetLabel(int index, const std::string& text) override; // shown at the next repaint
    void SetLabelWidth(int pixels) override;
    void SetLabelCount(int count) override;
    void SetLabelsOnLeft(int flag) override;
    void SetLeftToRight(int flag) override;
    void ClearSamples() override; // shown at the next repaint
    void Redraw() override;

    const ChartModel& Model() const { return model_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    static int PrimaryScreenWidth();

    ChartModel model_;
};

} // namespace qova::desktop
