#include "load_chart.h"

#include <QImage>
#include <QtTest>

using qova::desktop::CLoadChart;

namespace {

// Counts the paints, to tell a repaint made at once from one left for later.
class CountingChart : public CLoadChart {
  public:
    using CLoadChart::CLoadChart;
    int paints = 0;

  protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        CLoadChart::paintEvent(event);
    }
};

void SetUpLive(CLoadChart& chart) {
    chart.SetLabelWidth(50);
    chart.SetLabelCount(5);
    for (int i = 0; i < 5; ++i) {
        chart.SetLabel(i, "n/a");
    }
    chart.SetLeftToRight(0);
    chart.SetLabelsOnLeft(0);
}

} // namespace

class TestLoadChart : public QObject {
    Q_OBJECT

  private slots:
    void paintsBarsEmptySlotsAndLabels() {
        CLoadChart chart(100, nullptr);
        chart.resize(367, 120);
        SetUpLive(chart);
        chart.SetMax(100.0);
        chart.AddSample(80.0, 1.0); // a 404: red
        chart.AddSample(50.0, 0.0); // a 200 at half the maximum: green, 59 pixels
        chart.AddSample(0.0, 1.0);  // a failed poll: empty slot at the right edge
        const QImage image = chart.grab().toImage();

        const QColor black(0, 0, 0), green(0, 252, 0), red(255, 0, 0);
        QCOMPARE(image.pixelColor(315, 119), black); // the empty newest slot
        QCOMPARE(image.pixelColor(315, 5), black);
        QCOMPARE(image.pixelColor(312, 119), green);
        QCOMPARE(image.pixelColor(313, 61), green); // top row of the 59-pixel bar
        QCOMPARE(image.pixelColor(313, 60), black);
        QCOMPARE(image.pixelColor(314, 119), black); // gap between bars
        QCOMPARE(image.pixelColor(309, 119), red);
        QCOMPARE(image.pixelColor(306, 119), black); // no bar yet

        // The label column: black, with white text in the top row.
        QCOMPARE(image.pixelColor(318, 1), black);
        int lit = 0;
        for (int y = 0; y < 24; ++y) {
            for (int x = 317; x < 367; ++x) {
                lit += image.pixelColor(x, y).lightness() > 128 ? 1 : 0;
            }
        }
        QVERIFY2(lit > 0, "no label text in the top row");
    }

    void repaintsAtOnceAfterEachChange() {
        CountingChart chart(100, nullptr);
        chart.resize(367, 120);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        QCoreApplication::processEvents();

        int before = chart.paints;
        chart.AddSample(50.0, 0.0);
        QCOMPARE(chart.paints, before + 1);
        chart.SetMax(10.0);
        QCOMPARE(chart.paints, before + 2);

        // Label texts and clearing wait for the next repaint.
        before = chart.paints;
        chart.SetLabel(0, "10ms");
        chart.ClearSamples();
        QCOMPARE(chart.paints, before);
        chart.Redraw();
        QCOMPARE(chart.paints, before + 1);
    }
};

QTEST_MAIN(TestLoadChart)
#include "test_load_chart.moc"
