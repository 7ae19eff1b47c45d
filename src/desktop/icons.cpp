#include "icons.h"

#include "ids.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <array>

namespace qova::desktop {
namespace {

// The picture is laid out on a 32 by 32 grid and scaled to the size asked for.
constexpr double kGrid = 32.0;
constexpr int kBars = 7;
constexpr double kBarLeft = 2.5;
constexpr double kBarPitch = 4.0;
constexpr double kBarWidth = 3.0;
constexpr double kBarBottom = 29.0;
constexpr std::array<double, kBars> kBarHeights = {11, 17, 8, 21, 14, 25, 18};

struct IconLook {
    QColor bars;
    int missingBar = -1; // 0-based; -1 when all seven are drawn
};

bool LookFor(int iconId, IconLook* look) {
    if (iconId == ids::kIconNormal) {
        *look = {QColor(0, 230, 0), -1};
        return true;
    }
    if (iconId >= ids::kIconProgressFirst && iconId <= ids::kIconProgressLast) {
        *look = {QColor(0, 230, 0), iconId - ids::kIconProgressFirst};
        return true;
    }
    if (iconId == ids::kIconAttention) {
        *look = {QColor(240, 0, 0), -1};
        return true;
    }
    return false;
}

void PaintBars(QPainter* painter, const QRectF& rect, const IconLook& look) {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->translate(rect.topLeft());
    painter->scale(rect.width() / kGrid, rect.height() / kGrid);
    painter->setPen(Qt::NoPen);

    QPainterPath background;
    background.addRoundedRect(QRectF(0, 0, kGrid, kGrid), 4, 4);
    painter->fillPath(background, Qt::black);

    for (int bar = 0; bar < kBars; ++bar) {
        if (bar == look.missingBar) {
            continue;
        }
        double height = kBarHeights[static_cast<size_t>(bar)];
        painter->fillRect(
            QRectF(kBarLeft + bar * kBarPitch, kBarBottom - height, kBarWidth, height), look.bars);
    }
    painter->restore();
}

// Draws at whatever size is asked; the default pixmap() of the base class
// paints through paint() into a transparent pixmap.
class BarsIconEngine : public QIconEngine {
  public:
    explicit BarsIconEngine(IconLook look) : look_(std::move(look)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        IconLook look = look_;
        if (mode == QIcon::Disabled) {
            int grey = qGray(look.bars.rgb());
            look.bars = QColor(grey, grey, grey);
        }
        PaintBars(painter, rect, look);
    }
    QIconEngine* clone() const override { return new BarsIconEngine(look_); }
    QString key() const override { return QStringLiteral("qova-bars"); }
    // Hosts that export pictures of fixed sizes ask for this list.
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(16, 16), QSize(22, 22), QSize(24, 24),  QSize(32, 32),
                QSize(48, 48), QSize(64, 64), QSize(128, 128)};
    }

  private:
    IconLook look_;
};

} // namespace

QIcon IconForResource(int iconId) {
    IconLook look;
    if (!LookFor(iconId, &look)) {
        return {};
    }
    return QIcon(new BarsIconEngine(look));
}

QPixmap IconPixmap(int iconId, int size) {
    IconLook look;
    if (!LookFor(iconId, &look) || size <= 0) {
        return {};
    }
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    PaintBars(&painter, QRectF(0, 0, size, size), look);
    return pixmap;
}

} // namespace qova::desktop
