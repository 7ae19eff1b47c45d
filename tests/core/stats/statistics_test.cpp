#include "stats/statistics.h"

#include "app/clock.h"
#include "app/settings_store.h"
#include "app/time_text.h"
#include "stats/chart_model.h"
#include "stats/statistics_view.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace qova {
namespace {

class FixedClock : public Clock {
  public:
    std::time_t now = 1733755747; // a fixed moment; texts are built with TimeText
    std::time_t Now() override { return now; }
    void Sleep(std::chrono::milliseconds) override {}
};

class TextsView : public StatisticsView {
  public:
    std::map<int, std::string> texts;
    void SetStatisticText(int id, const std::string& text) override { texts[id] = text; }
    std::string At(int id) const {
        auto it = texts.find(id);
        return it == texts.end() ? "" : it->second;
    }
};

using V = StatisticsView;

class StatisticsTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    SettingsStore store{dir.File("settings.db")};
    MonitorRecord record;
    ChartModel chart{400};
    TextsView view;
    FixedClock clock;
    Statistics stats{record, store, chart, view, clock};

    // One poll as the poll cycle runs it: a completed probe is recorded, every
    // poll is then updated; the clock moves on a minute per poll.
    void Poll(double result, const std::string& address) {
        clock.now += 60;
        if (result >= 0) {
            stats.RecordSample(result, address);
        }
        stats.UpdateStatistics(result, address);
    }
    std::string Now() const { return TimeText(clock.now); }
    std::string Stored(const std::string& address, const char* name) {
        return store.GetProfileString(address, name, "(absent)");
    }
    std::vector<std::string> Labels() const {
        std::vector<std::string> labels;
        for (int i = 0; i < chart.LabelCount(); ++i) {
            labels.push_back(chart.Label(i));
        }
        return labels;
    }
};

TEST_F(StatisticsTest, StartUpShowsNoLabelsYetAndLoadsTheBoxesAddress) {
    store.WriteProfileString("a", "allTimeMin", "250");
    store.WriteProfileString("a", "lastAlert", " on 01/02/2024 at 03:04:05");
    stats.StartUp("  a\t");
    EXPECT_DOUBLE_EQ(record.allTimeMin, 250.0);
    EXPECT_DOUBLE_EQ(record.allTimeMax, kNoLoadTime);
    EXPECT_EQ(record.lastAlert, " on 01/02/2024 at 03:04:05");
    EXPECT_EQ(Labels(), std::vector<std::string>(5, "n/a"));
    EXPECT_DOUBLE_EQ(chart.Max(), 100.0);
    EXPECT_TRUE(view.texts.empty());
}

TEST_F(StatisticsTest, FirstPollAt523Milliseconds) {
    stats.StartUp("a");
    Poll(523, "a");
    EXPECT_DOUBLE_EQ(record.chartScaleMax, 530.0);
    EXPECT_DOUBLE_EQ(chart.Max(), 530.0);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"530ms", "424ms", "318ms", "212ms", "106ms"}));
    for (int id :
         {V::kLastText, V::kBestText, V::kWorstText, V::kAllTimeBestText, V::kAllTimeWorstText}) {
        EXPECT_EQ(view.At(id), "523ms" + Now()) << id;
    }
    EXPECT_EQ(Stored("a", "allTimeMin"), "523");
    EXPECT_EQ(Stored("a", "allTimeMinWhen"), Now());
    EXPECT_EQ(Stored("a", "allTimeMax"), "523");
    EXPECT_EQ(Stored("a", "allTimeMaxWhen"), Now());
}

TEST_F(StatisticsTest, FirstPollFailsWhileTheStoreHoldsARecord) {
    store.WriteProfileString("a", "allTimeMin", "250");
    stats.StartUp("a");
    Poll(kNoLoadTime, "a");
    EXPECT_EQ(view.At(V::kLastText), "unavailable" + Now());
    for (int id : {V::kBestText, V::kWorstText, V::kAllTimeBestText, V::kAllTimeWorstText,
                   V::kLastAlertText, V::kLastRecoveryText}) {
        EXPECT_EQ(view.At(id), "") << id;
    }
    EXPECT_EQ(Labels(), (std::vector<std::string>{"10ms", "8ms", "6ms", "4ms", "2ms"}));
    EXPECT_EQ(Stored("a", "allTimeMin"), "250");
    EXPECT_EQ(Stored("a", "allTimeMax"), "(absent)");
}

TEST_F(StatisticsTest, ZeroMillisecondPollShowsUnavailableButStaysInTheWindow) {
    stats.StartUp("a");
    Poll(0, "a");
    EXPECT_EQ(view.At(V::kLastText), "unavailable" + Now());
    EXPECT_EQ(record.loadSamples.size(), 1u);
    EXPECT_EQ(view.At(V::kBestText), "");
}

TEST_F(StatisticsTest, ScaleNeverFallsBeforeTheWindowIsFullThenFollowsItsMean) {
    stats.StartUp("a");
    Poll(987, "a");
    EXPECT_DOUBLE_EQ(record.chartScaleMax, 990.0);
    for (int i = 2; i <= 106; ++i) {
        Poll(100, "a");
    }
    EXPECT_DOUBLE_EQ(record.chartScaleMax, 990.0);

    Poll(100, "a"); // the 107th: 2 x (987 + 106 x 100) / 107 = 216.579...
    EXPECT_EQ(record.loadSamples.size(), 107u);
    EXPECT_DOUBLE_EQ(record.chartScaleMax, 220.0);
    EXPECT_EQ(view.At(V::kWorstText).substr(0, 5), "987ms");

    Poll(100, "a"); // the 108th pushes the 987 out: 107 samples of 100
    EXPECT_EQ(record.loadSamples.size(), 107u);
    EXPECT_DOUBLE_EQ(record.chartScaleMax, 200.0);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"200ms", "160ms", "120ms", "80ms", "40ms"}));
    // The all-time worst remembers what the window forgot.
    EXPECT_EQ(view.At(V::kAllTimeWorstText).substr(0, 5), "987ms");
    EXPECT_EQ(Stored("a", "allTimeMax"), "987");
}

TEST_F(StatisticsTest, ResetForgetsTheWindowAndTheBoxesAddressOnly) {
    for (const char* box : {"  a  ", " \t "}) {
        SCOPED_TRACE(box);
        stats.StartUp("a");
        store.WriteProfileString("a", "lastAlert", "alerted");
        store.WriteProfileInt("a", "Warned", 1);
        Poll(523, "a");
        chart.AddSample(523, 0);

        stats.ResetStatistics(box);

        const bool named = std::string(box) == "  a  ";
        EXPECT_EQ(Stored("a", "allTimeMin"), named ? "-99" : "523");
        EXPECT_EQ(Stored("a", "allTimeMaxWhen"), named ? "" : Now());
        EXPECT_EQ(Stored("a", "lastAlert"), named ? "" : "alerted");
        EXPECT_EQ(store.GetProfileInt("a", "Warned", 0), 1);

        EXPECT_DOUBLE_EQ(record.allTimeMin, kNoLoadTime);
        EXPECT_DOUBLE_EQ(record.allTimeMax, kNoLoadTime);
        EXPECT_EQ(record.lastAlert, "");
        EXPECT_TRUE(record.loadSamples.empty());
        EXPECT_DOUBLE_EQ(record.chartScaleMax, 10.0);
        for (const auto& [id, text] : view.texts) {
            EXPECT_EQ(text, "") << id;
        }
        EXPECT_EQ(view.texts.size(), 7u);
        EXPECT_EQ(Labels(), std::vector<std::string>(5, "n/a"));
        EXPECT_DOUBLE_EQ(chart.Max(), 530.0); // kept until the next update
        EXPECT_TRUE(chart.Layout({0, 0, 100, 40}).bars.size() > 0);
        for (const ChartFill& f : chart.Layout({0, 0, 100, 40}).bars) {
            EXPECT_EQ(f.color, kChartBackground);
        }
    }
}

TEST_F(StatisticsTest, PollAfterResetStartsTheRecordAfresh) {
    store.WriteProfileString("a", "allTimeMin", "100");
    store.WriteProfileString("a", "allTimeMax", "900");
    stats.StartUp("a");
    stats.ResetStatistics("a");
    Poll(300, "a");
    EXPECT_EQ(Stored("a", "allTimeMin"), "300");
    EXPECT_EQ(Stored("a", "allTimeMax"), "300");
    EXPECT_EQ(view.At(V::kAllTimeBestText), "300ms" + Now());
}

TEST_F(StatisticsTest, NewAddressesRecordIsNotFedByThePreviousAddressesSamples) {
    stats.StartUp("old");
    Poll(100, "old");
    Poll(900, "old");
    const std::string oldWorstWhen = Now();

    // The poll cycle makes "new" current: its own record comes from the store.
    store.WriteProfileString("new", "allTimeMin", "300");
    store.WriteProfileString("new", "allTimeMax", "400");
    stats.LoadAddressStatistics("new");
    Poll(350, "new");

    // The window's texts describe the chart, old samples included...
    EXPECT_EQ(view.At(V::kBestText).substr(0, 5), "100ms");
    EXPECT_EQ(view.At(V::kWorstText), "900ms" + oldWorstWhen);
    // ...but the new address keeps its own best and worst.
    EXPECT_EQ(Stored("new", "allTimeMin"), "300");
    EXPECT_EQ(Stored("new", "allTimeMax"), "400");
    EXPECT_EQ(view.At(V::kAllTimeBestText), "300ms");
    EXPECT_EQ(view.At(V::kAllTimeWorstText), "400ms");
    EXPECT_EQ(Stored("old", "allTimeMax"), "900");

    // An address never sampled shows no record, not the previous address's.
    stats.LoadAddressStatistics("fresh");
    Poll(kNoLoadTime, "fresh");
    EXPECT_EQ(Stored("fresh", "allTimeMin"), "(absent)");
    EXPECT_EQ(view.At(V::kAllTimeBestText), "");
    EXPECT_EQ(view.At(V::kAllTimeWorstText), "");
}

} // namespace
} // namespace qova
