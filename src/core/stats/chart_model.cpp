#include "stats/chart_model.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace qova {

ChartModel::ChartModel(int capacity) {
    if (capacity < 1) {
        return;
    }
    try {
        values_.assign(static_cast<std::size_t>(capacity), 0.0);
        errorFlags_.assign(static_cast<std::size_t>(capacity), 0.0);
        ready_ = true;
    } catch (const std::bad_alloc&) {
        values_.clear();
        errorFlags_.clear();
    }
}

void ChartModel::AddSample(double value, double errorFlag) {
    if (!ready_) {
        return;
    }
    newest_ = newest_ + 1 == Capacity() ? 0 : newest_ + 1;
    values_[newest_] = value;
    errorFlags_[newest_] = errorFlag;
}

void ChartModel::SetMax(double maximum) {
    if (ready_) {
        maximum_ = maximum;
    }
}

void ChartModel::SetLabel(int index, const std::string& text) {
    if (ready_ && index >= 0 && index < kMaxLabels) {
        labels_[index] = text;
    }
}

void ChartModel::SetLabelWidth(int pixels) {
    if (ready_) {
        labelWidth_ = std::max(pixels, 0);
    }
}

void ChartModel::SetLabelCount(int count) {
    if (ready_) {
        labelCount_ = std::clamp(count, 0, kMaxLabels);
    }
}

void ChartModel::SetLabelsOnLeft(int flag) {
    if (ready_) {
        labelsOnLeft_ = flag != 0;
    }
}

void ChartModel::SetLeftToRight(int flag) {
    if (ready_) {
        leftToRight_ = flag != 0;
    }
}

void ChartModel::ClearSamples() {
    std::fill(values_.begin(), values_.end(), 0.0);
    std::fill(errorFlags_.begin(), errorFlags_.end(), 0.0);
}

ChartPaint ChartModel::Layout(ChartRect client) const {
    ChartPaint paint;
    if (!ready_) {
        return paint;
    }
    const ChartRect& r = client;
    auto fill = [](std::vector<ChartFill>& into, ChartRect rect, ChartColor color) {
        if (rect.Width() > 0 && rect.Height() > 0) {
            into.push_back({rect, color});
        }
    };
    fill(paint.background, r, kChartBackground);

    // The label column: one row per label, the remainder of the height unused.
    ChartRect column = r;
    if (labelsOnLeft_) {
        column.right = r.left + labelWidth_;
    } else {
        column.left = r.right - labelWidth_;
    }
    fill(paint.background, column, kChartBackground);
    const int rowHeight = labelCount_ > 0 ? r.Height() / labelCount_ : 0;
    ChartRect row = column;
    row.bottom = row.top + rowHeight;
    for (int i = 0; i < labelCount_; ++i) {
        paint.labels.push_back({row, labels_[i]});
        row.top += rowHeight;
        row.bottom += rowHeight;
    }

    if (maximum_ == 0.0) {
        return paint;
    }

    ChartRect area = r;
    if (labelsOnLeft_) {
        area.left = r.left + labelWidth_;
    } else {
        area.right = r.right - labelWidth_;
    }
    ChartRect slot = area;
    if (leftToRight_) {
        slot.right = area.left + kBarWidth;
    } else {
        slot.left = area.right - kBarWidth;
    }
    const int drawable = area.Height() - kHeadRoom;
    const int step = leftToRight_ ? kBarPitch : -kBarPitch;

    // Walks back from the newest bar. Each slot of the ring is shown once at
    // most: a bar area wider than the ring shows empty space past the oldest
    // bar rather than the ring over again.
    int i = newest_;
    for (int shown = 0; shown < Capacity(); ++shown) {
        const double scaled = drawable * values_[i] / maximum_;
        int h = 0;
        if (scaled > 0.0) { // also false for NaN
            h = scaled >= drawable ? drawable : static_cast<int>(scaled);
        }
        h = std::max(h, 0);
        fill(paint.bars, {slot.left, area.top, slot.right, area.bottom - h}, kChartBackground);
        fill(paint.bars, {slot.left, area.bottom - h, slot.right, area.bottom},
             errorFlags_[i] == 0.0 ? kChartNormalBar : kChartErrorBar);

        slot.left += step;
        slot.right += step;
        i = i == 0 ? Capacity() - 1 : i - 1;
        const bool more =
            leftToRight_ ? slot.left <= area.right - kBarPitch : slot.left >= area.left;
        if (!more) {
            break;
        }
    }
    return paint;
}

} // namespace qova
