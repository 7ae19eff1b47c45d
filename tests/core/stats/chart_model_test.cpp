#include "stats/chart_model.h"

#include <gtest/gtest.h>

#include <set>

namespace qova {
namespace {

// What a paint leaves at one pixel: the colour of the last fill over it.
ChartColor PixelAt(const ChartPaint& paint, int x, int y) {
    ChartColor colour{1, 2, 3}; // nothing painted there
    auto cover = [&](const std::vector<ChartFill>& fills) {
        for (const ChartFill& f : fills) {
            if (x >= f.rect.left && x < f.rect.right && y >= f.rect.top && y < f.rect.bottom) {
                colour = f.color;
            }
        }
    };
    cover(paint.background);
    cover(paint.bars);
    return colour;
}

// Height of the coloured bar in the pixel column x, counted up from the bottom.
int BarHeight(const ChartPaint& paint, int x, int bottom) {
    int h = 0;
    while (h < bottom && PixelAt(paint, x, bottom - 1 - h) != kChartBackground) {
        ++h;
    }
    return h;
}

// The chart as the statistics set it up: labels on the right, newest bar at
// the right edge.
ChartModel LiveChart(int capacity) {
    ChartModel chart(capacity);
    chart.SetLabelWidth(50);
    chart.SetLabelCount(5);
    for (int i = 0; i < 5; ++i) {
        chart.SetLabel(i, "n/a");
    }
    chart.SetLeftToRight(0);
    chart.SetLabelsOnLeft(0);
    return chart;
}

TEST(ChartModel, LaysOutTheLiveChart) {
    ChartModel chart = LiveChart(1000);
    chart.SetMax(100.0);
    chart.AddSample(30.0, 1.0); // older: red
    chart.AddSample(50.0, 0.0); // newest: half the maximum, green
    const ChartPaint paint = chart.Layout({0, 0, 367, 120});

    ASSERT_EQ(paint.labels.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(paint.labels[i].box, (ChartRect{317, 24 * i, 367, 24 * (i + 1)}));
        EXPECT_EQ(paint.labels[i].text, "n/a");
    }

    std::set<int> slotLefts;
    for (const ChartFill& f : paint.bars) {
        slotLefts.insert(f.rect.left);
        EXPECT_EQ(f.rect.Width(), 2);
    }
    EXPECT_EQ(slotLefts.size(), 106u);
    EXPECT_EQ(*slotLefts.begin(), 0);
    EXPECT_EQ(*slotLefts.rbegin(), 315);

    EXPECT_EQ(BarHeight(paint, 315, 120), 59); // H = 118, half of it
    EXPECT_EQ(PixelAt(paint, 316, 119), kChartNormalBar);
    EXPECT_EQ(BarHeight(paint, 312, 120), 35); // 118 x 0.3, whole part
    EXPECT_EQ(PixelAt(paint, 312, 119), kChartErrorBar);
    EXPECT_EQ(PixelAt(paint, 314, 119), kChartBackground); // the gap between bars
    EXPECT_EQ(BarHeight(paint, 309, 120), 0);              // no bar yet
    EXPECT_EQ(PixelAt(paint, 340, 119), kChartBackground); // label column
}

TEST(ChartModel, ClipsAtFullHeightAndDrawsNothingForNoAnswer) {
    struct Case {
        double value;
        double maximum;
        int height;
    } cases[] = {
        {523, 100, 118}, {523, 530, 116}, {0, 100, 0},
        {-5, 100, 0},    {50, -100, 0},   {1e300, 1e-300, 118},
    };
    for (const auto& c : cases) {
        ChartModel chart = LiveChart(10);
        chart.AddSample(c.value, 0.0);
        chart.SetMax(c.maximum);
        EXPECT_EQ(BarHeight(chart.Layout({0, 0, 367, 120}), 315, 120), c.height)
            << c.value << " of " << c.maximum;
    }
}

TEST(ChartModel, MaximumZeroDrawsOnlyTheLabels) {
    ChartModel chart = LiveChart(10);
    chart.AddSample(50, 0.0);
    chart.SetMax(0.0);
    const ChartPaint paint = chart.Layout({0, 0, 367, 120});
    EXPECT_TRUE(paint.bars.empty());
    EXPECT_EQ(paint.labels.size(), 5u);
}

TEST(ChartModel, LabelCountZeroDrawsBarsAndNoLabelsAndCountsAboveTenAreTen) {
    ChartModel chart = LiveChart(10);
    chart.AddSample(50, 0.0);
    chart.SetLabelCount(0);
    ChartPaint paint = chart.Layout({0, 0, 367, 120});
    EXPECT_TRUE(paint.labels.empty());
    EXPECT_EQ(BarHeight(paint, 315, 120), 59);

    chart.SetLabelCount(25);
    EXPECT_EQ(chart.LabelCount(), 10);
    paint = chart.Layout({0, 0, 367, 120});
    ASSERT_EQ(paint.labels.size(), 10u);
    EXPECT_EQ(paint.labels[9].box, (ChartRect{317, 108, 367, 120}));
}

TEST(ChartModel, LeftToRightWithLabelsOnTheLeft) {
    ChartModel chart(10);
    chart.SetLabelWidth(50);
    chart.SetLabelCount(5);
    chart.SetMax(100);
    chart.AddSample(100, 0.0);
    chart.AddSample(50, 1.0);
    const ChartPaint paint = chart.Layout({0, 0, 367, 120});
    EXPECT_EQ(paint.labels[0].box, (ChartRect{0, 0, 50, 24}));
    EXPECT_EQ(BarHeight(paint, 50, 120), 59); // newest at the left edge of the bar area
    EXPECT_EQ(PixelAt(paint, 51, 119), kChartErrorBar);
    EXPECT_EQ(BarHeight(paint, 53, 120), 118);
    EXPECT_EQ(PixelAt(paint, 53, 119), kChartNormalBar);
    EXPECT_EQ(PixelAt(paint, 20, 119), kChartBackground);
}

TEST(ChartModel, RingWrapsAndShowsEachBarOnce) {
    ChartModel chart = LiveChart(4);
    chart.SetMax(118);
    for (double v : {1, 2, 3, 4, 5, 6}) {
        chart.AddSample(v, 0.0);
    }
    const ChartPaint paint = chart.Layout({0, 0, 367, 120});
    // Newest first from the right edge: 6, 5, 4, 3; 1 and 2 were overwritten,
    // and the bar area past the fourth slot stays empty.
    EXPECT_EQ(BarHeight(paint, 315, 120), 6);
    EXPECT_EQ(BarHeight(paint, 312, 120), 5);
    EXPECT_EQ(BarHeight(paint, 309, 120), 4);
    EXPECT_EQ(BarHeight(paint, 306, 120), 3);
    EXPECT_EQ(BarHeight(paint, 303, 120), 0);
    EXPECT_EQ(paint.bars.size(), 8u);

    chart.ClearSamples();
    chart.AddSample(7, 0.0);
    const ChartPaint cleared = chart.Layout({0, 0, 367, 120});
    EXPECT_EQ(BarHeight(cleared, 315, 120), 7);
    EXPECT_EQ(BarHeight(cleared, 312, 120), 0);
}

TEST(ChartModel, NarrowAreaStillDrawsTheFirstSlot) {
    ChartModel chart = LiveChart(10);
    chart.SetMax(100);
    chart.AddSample(100, 0.0);
    const ChartPaint paint = chart.Layout({0, 0, 51, 120}); // one pixel of bar area
    EXPECT_EQ(PixelAt(paint, 0, 119), kChartNormalBar);
    EXPECT_EQ(paint.labels.size(), 5u);
}

TEST(ChartModel, WithoutARingNothingHappens) {
    ChartModel chart(0);
    EXPECT_FALSE(chart.Ready());
    chart.SetLabelCount(5);
    chart.AddSample(50, 0);
    EXPECT_EQ(chart.LabelCount(), 0);
    const ChartPaint paint = chart.Layout({0, 0, 367, 120});
    EXPECT_TRUE(paint.background.empty() && paint.labels.empty() && paint.bars.empty());
}

} // namespace
} // namespace qova
