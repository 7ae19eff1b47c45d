#include "stats/statistics.h"

#include "app/address_history.h"
#include "app/clock.h"
#include "app/settings_store.h"
#include "app/time_text.h"
#include "stats/format_number.h"
#include "stats/load_chart.h"
#include "stats/round_scale.h"
#include "stats/sample_window.h"
#include "stats/statistics_view.h"

#include <cmath>

namespace qova {
namespace {

constexpr const char* kNoValueText = "-99";
constexpr const char* kUnit = "ms";

std::string Shown(double loadTime, const std::string& when) {
    return FormatNumber(loadTime) + kUnit + when;
}

// An all-time best of 0 or less was never measured; an all-time worst only
// when it is below 0.
bool HasMin(double allTimeMin) {
    return allTimeMin > 0.0;
}
bool HasMax(double allTimeMax) {
    return allTimeMax >= 0.0;
}

} // namespace

Statistics::Statistics(MonitorRecord& record, SettingsStore& store, LoadChart& chart,
                       StatisticsView& view, Clock& clock)
    : record_(record), store_(store), chart_(chart), view_(view), clock_(clock) {}

void Statistics::StartUp(const std::string& addressBoxText) {
    record_.allTimeMin = kNoLoadTime;
    record_.allTimeMax = kNoLoadTime;
    const std::string address = TrimAddress(addressBoxText);
    if (!address.empty()) {
        LoadAddressStatistics(address);
    }
    record_.chartScaleMax = kStartScale;
    SetUpChart();
}

void Statistics::SetUpChart() {
    chart_.SetLabelWidth(kLabelWidth);
    chart_.SetLabelCount(kLabelCount);
    SetChartLabels("n/a");
    chart_.SetLeftToRight(0);
    chart_.SetLabelsOnLeft(0);
}

void Statistics::RecordSample(double loadTime, const std::string& address) {
    if (!std::isfinite(loadTime) || loadTime < 0.0) {
        return;
    }
    if (loadTime > record_.chartScaleMax) {
        record_.chartScaleMax = loadTime;
    }
    record_.loadSamples.push_back(LoadSample{loadTime, TimeText(clock_.Now()), address});
}

void Statistics::UpdateStatistics(double result, const std::string& address) {
    auto& samples = record_.loadSamples;
    while (samples.size() > kWindowLimit) {
        samples.pop_front();
    }

    const WindowScan scan = ScanWindow(samples, record_.chartScaleMax);
    record_.chartScaleMax = RoundScale(scan.scaleCandidate);
    ScaleChart();

    const std::string now = TimeText(clock_.Now());
    view_.SetStatisticText(StatisticsView::kLastText,
                           result > 0.0 ? Shown(result, now) : std::string("unavailable") + now);
    if (scan.best.loadTime > 0.0) {
        view_.SetStatisticText(StatisticsView::kBestText,
                               Shown(scan.best.loadTime, scan.best.when));
    }
    if (scan.worst.loadTime > 0.0) {
        view_.SetStatisticText(StatisticsView::kWorstText,
                               Shown(scan.worst.loadTime, scan.worst.when));
    }

    UpdateAllTimeRecord(address);

    // With a single address in the window the record is never empty here. Just
    // after a change of address it may be, and then the texts are cleared
    // rather than left showing the previous address's record.
    if (scan.best.loadTime > 0.0) {
        view_.SetStatisticText(StatisticsView::kAllTimeBestText,
                               HasMin(record_.allTimeMin)
                                   ? Shown(record_.allTimeMin, record_.allTimeMinWhen)
                                   : std::string());
    }
    if (scan.worst.loadTime > 0.0) {
        view_.SetStatisticText(StatisticsView::kAllTimeWorstText,
                               HasMax(record_.allTimeMax)
                                   ? Shown(record_.allTimeMax, record_.allTimeMaxWhen)
                                   : std::string());
    }
    view_.SetStatisticText(StatisticsView::kLastAlertText, record_.lastAlert);
    view_.SetStatisticText(StatisticsView::kLastRecoveryText, record_.lastRecovery);
}

void Statistics::UpdateAllTimeRecord(const std::string& address) {
    const SampleExtremes own = ScanAddress(record_.loadSamples, address);
    if (own.count == 0) {
        return;
    }
    // An empty address names no section; the record is kept in memory only.
    const bool stored = !address.empty();
    if (!HasMin(record_.allTimeMin) || own.best.loadTime < record_.allTimeMin) {
        record_.allTimeMin = own.best.loadTime;
        record_.allTimeMinWhen = own.best.when;
        if (stored) {
            store_.WriteProfileString(address, "allTimeMin", FormatNumber(record_.allTimeMin));
            store_.WriteProfileString(address, "allTimeMinWhen", record_.allTimeMinWhen);
        }
    }
    if (!HasMax(record_.allTimeMax) || own.worst.loadTime > record_.allTimeMax) {
        record_.allTimeMax = own.worst.loadTime;
        record_.allTimeMaxWhen = own.worst.when;
        if (stored) {
            store_.WriteProfileString(address, "allTimeMax", FormatNumber(record_.allTimeMax));
            store_.WriteProfileString(address, "allTimeMaxWhen", record_.allTimeMaxWhen);
        }
    }
}

void Statistics::LoadAddressStatistics(const std::string& address) {
    record_.allTimeMin = ParseNumber(store_.GetProfileString(address, "allTimeMin", kNoValueText));
    record_.allTimeMax = ParseNumber(store_.GetProfileString(address, "allTimeMax", kNoValueText));
    record_.allTimeMinWhen = store_.GetProfileString(address, "allTimeMinWhen", "");
    record_.allTimeMaxWhen = store_.GetProfileString(address, "allTimeMaxWhen", "");
    record_.lastAlert = store_.GetProfileString(address, "lastAlert", "");
    record_.lastRecovery = store_.GetProfileString(address, "lastRecovery", "");
}

void Statistics::ResetStatistics(const std::string& addressBoxText) {
    const std::string address = TrimAddress(addressBoxText);
    if (!address.empty()) {
        store_.WriteProfileString(address, "allTimeMin", kNoValueText);
        store_.WriteProfileString(address, "allTimeMinWhen", "");
        store_.WriteProfileString(address, "allTimeMax", kNoValueText);
        store_.WriteProfileString(address, "allTimeMaxWhen", "");
        store_.WriteProfileString(address, "lastAlert", "");
        store_.WriteProfileString(address, "lastRecovery", "");
    }
    record_.allTimeMin = kNoLoadTime;
    record_.allTimeMax = kNoLoadTime;
    record_.allTimeMinWhen.clear();
    record_.allTimeMaxWhen.clear();
    record_.lastAlert.clear();
    record_.lastRecovery.clear();

    for (int id : {StatisticsView::kLastText, StatisticsView::kBestText, StatisticsView::kWorstText,
                   StatisticsView::kAllTimeBestText, StatisticsView::kAllTimeWorstText,
                   StatisticsView::kLastAlertText, StatisticsView::kLastRecoveryText}) {
        view_.SetStatisticText(id, "");
    }

    chart_.ClearSamples();
    SetUpChart();
    record_.chartScaleMax = kStartScale;
    record_.loadSamples.clear();
    chart_.Redraw();
}

void Statistics::SetChartLabels(const std::string& text) {
    for (int i = 0; i < kLabelCount; ++i) {
        chart_.SetLabel(i, text);
    }
}

void Statistics::ScaleChart() {
    const double scale = record_.chartScaleMax;
    const double step = scale / kLabelCount;
    for (int i = 0; i < kLabelCount; ++i) {
        // Label 0 at the top stands for the whole scale, then 4/5 down to 1/5.
        const double value = i == 0 ? scale : step * (kLabelCount - i);
        chart_.SetLabel(i, FormatNumber(value) + kUnit);
    }
    chart_.SetMax(scale);
}

} // namespace qova
