#pragma once

#include "engine/monitor_record.h"

#include <string>

namespace qova {

class Clock;
class LoadChart;
class SettingsStore;
class StatisticsView;

// The load-time statistics of the monitored address: the window of recent
// samples, the chart scale and its labels, the per-address all-time best and
// worst, and the seven statistic texts of the main window.
//
// The window and its texts describe the chart, so they keep every sample
// whatever address it was measured for; an address's all-time record is only
// ever compared with samples of that address, so switching sites never writes
// one site's times into the other's record.
class Statistics {
  public:
    static constexpr int kLabelWidth = 50;
    static constexpr int kLabelCount = 5;
    static constexpr double kStartScale = 10.0;

    Statistics(MonitorRecord& record, SettingsStore& store, LoadChart& chart, StatisticsView& view,
               Clock& clock);

    // Window start: no record loaded, the record of the address the box shows
    // (when it shows one), the start scale and the chart set up.
    void StartUp(const std::string& addressBoxText);

    // Label column of 50 pixels on the right with five "n/a" rows, newest bar
    // at the right edge. The bars are left alone.
    void SetUpChart();

    // A completed probe of `address` took `loadTime` ms (0 or more). A negative
    // or non-finite time is no measurement and is ignored.
    void RecordSample(double loadTime, const std::string& address);

    // After every poll that probed, with its result (-99.0 for a failure) and
    // the trimmed address polled.
    void UpdateStatistics(double result, const std::string& address);

    // Reads the address's all-time values and last alert and recovery texts
    // from its section. Shows nothing until the next update.
    void LoadAddressStatistics(const std::string& address);

    // "Reset Statistics": forgets the window and the record of the address the
    // box shows (trimmed here), in memory and in the store.
    void ResetStatistics(const std::string& addressBoxText);

  private:
    void SetChartLabels(const std::string& text);
    void ScaleChart();
    void UpdateAllTimeRecord(const std::string& address);
    void WriteRecord(const std::string& address);

    MonitorRecord& record_;
    SettingsStore& store_;
    LoadChart& chart_;
    StatisticsView& view_;
    Clock& clock_;
};

} // namespace qova
