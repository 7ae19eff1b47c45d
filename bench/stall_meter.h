#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

namespace qova::bench {

// Ticks on the thread's event loop every `intervalMs` and keeps the longest gap
// between two turns: how long the loop stalled.
class StallMeter {
  public:
    explicit StallMeter(int intervalMs) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Tick(); });
    }
    void Start() {
        clock_.start();
        last_ = 0;
        longest_ = 0;
        timer_.start();
    }
    void Tick() {
        qint64 now = clock_.elapsed();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
    }
    qint64 Longest() const { return longest_; }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

} // namespace qova::bench
