#include "interval_arrows.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace qova::desktop {
namespace {

QToolButton* MakeArrow(Qt::ArrowType type, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(type);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    button->setFixedWidth(18);
    return button;
}

} // namespace

IntervalArrows::IntervalArrows(QWidget* parent)
    : QWidget(parent), up_(MakeArrow(Qt::UpArrow, this)), down_(MakeArrow(Qt::DownArrow, this)) {
    setObjectName(QStringLiteral("intervalArrows"));
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    up_->setAccessibleName(QStringLiteral("One minute more"));
    down_->setAccessibleName(QStringLiteral("One minute less"));
    connect(up_, &QToolButton::clicked, this, [this] { emit stepped(-1); });
    connect(down_, &QToolButton::clicked, this, [this] { emit stepped(+1); });
}

void IntervalArrows::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        emit stepped(-1);
        break;
    case Qt::Key_Down:
        emit stepped(+1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace qova::desktop
