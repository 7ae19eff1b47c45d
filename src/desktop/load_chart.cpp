#include "load_chart.h"

#include <QColor>
#include <QGuiApplication>
#include <QPainter>
#include <QRect>
#include <QScreen>

namespace qova::desktop {
namespace {

QRect ToQRect(const ChartRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

QColor ToQColor(const ChartColor& c) {
    return QColor(c.red, c.green, c.blue);
}

} // namespace

CLoadChart::CLoadChart(QWidget* parent) : CLoadChart(PrimaryScreenWidth(), parent) {}

CLoadChart::CLoadChart(int capacity, QWidget* parent) : QWidget(parent), model_(capacity) {
    // Every pixel is painted each time, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int CLoadChart::PrimaryScreenWidth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->size().width() : 0;
}

void CLoadChart::AddSample(double value, double errorFlag) {
    model_.AddSample(value, errorFlag);
    Redraw();
}

void CLoadChart::SetMax(double maximum) {
    model_.SetMax(maximum);
    Redraw();
}

void CLoadChart::SetLabel(int index, const std::string& text) {
    model_.SetLabel(index, text);
}

void CLoadChart::SetLabelWidth(int pixels) {
    model_.SetLabelWidth(pixels);
    Redraw();
}

void CLoadChart::SetLabelCount(int count) {
    model_.SetLabelCount(count);
    Redraw();
}

void CLoadChart::SetLabelsOnLeft(int flag) {
    model_.SetLabelsOnLeft(flag);
    Redraw();
}

void CLoadChart::SetLeftToRight(int flag) {
    model_.SetLeftToRight(flag);
    Redraw();
}

void CLoadChart::ClearSamples() {
    model_.ClearSamples();
}

void CLoadChart::Redraw() {
    repaint();
}

void CLoadChart::paintEvent(QPaintEvent* /*event*/) {
    const ChartPaint paint = model_.Layout({0, 0, width(), height()});
    QPainter painter(this);
    for (const ChartFill& f : paint.background) {
        painter.fillRect(ToQRect(f.rect), ToQColor(f.color));
    }
    painter.setFont(font());
    painter.setPen(ToQColor(kChartLabelText));
    for (const ChartLabel& label : paint.labels) {
        const QRect box = ToQRect(label.box);
        painter.save();
        painter.setClipRect(box);
        painter.drawText(
            box, Qt::AlignCenter | Qt::TextSingleLine,
            QString::fromLocal8Bit(label.text.data(), static_cast<qsizetype>(label.text.size())));
        painter.restore();
    }
    for (const ChartFill& f : paint.bars) {
        painter.fillRect(ToQRect(f.rect), ToQColor(f.color));
    }
}

} // namespace qova::desktop
