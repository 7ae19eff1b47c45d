#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qova {

// A rectangle in pixels; right and bottom are just outside it.
struct ChartRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const ChartRect&) const = default;
};

struct ChartColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const ChartColor&) const = default;
};

inline constexpr ChartColor kChartBackground{0, 0, 0};
inline constexpr ChartColor kChartLabelText{255, 255, 255};
inline constexpr ChartColor kChartNormalBar{0, 252, 0};
inline constexpr ChartColor kChartErrorBar{255, 0, 0};

struct ChartFill {
    ChartRect rect;
    ChartColor color;
};

// One axis label, drawn in white on a single line centred in its box, in the
// chart's own font and clipped to the box.
struct ChartLabel {
    ChartRect box;
    std::string text;
};

// Everything one paint of the chart draws, in painting order: the background
// fills, then the labels, then the slots (each a black fill above its bar and
// the bar itself, newest slot first). Empty rectangles are left out.
struct ChartPaint {
    std::vector<ChartFill> background;
    std::vector<ChartLabel> labels;
    std::vector<ChartFill> bars;
};

} // namespace qova
