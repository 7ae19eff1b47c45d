#pragma once

#include <QWidget>

class QToolButton;

namespace qova::desktop {

// The up-down arrows beside the interval field (control 1008). They belong to
// no field: each click, held repeat or arrow key only reports its step, -1 for
// up and +1 for down, and the window decides what the step does.
class IntervalArrows : public QWidget {
    Q_OBJECT

  public:
    explicit IntervalArrows(QWidget* parent = nullptr);

    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

  signals:
    void stepped(int step);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QToolButton* up_;
    QToolButton* down_;
};

} // namespace qova::desktop
