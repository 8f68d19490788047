#include "ui/Gauge.h"

#include <QPainter>
#include <algorithm>

namespace verid {

TGauge::TGauge(QWidget* parent) : QWidget(parent) {}

void TGauge::SetProgress(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == progress_) return;
  progress_ = percent;
  update();
}

void TGauge::SetForeColor(const QColor& colour) {
  fore_ = colour;
  update();
}

void TGauge::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  p.setPen(Qt::black);
  p.setBrush(back_);
  p.drawRect(frame);
  const QRect inner = rect().adjusted(1, 1, -1, -1);
  const QRect bar(inner.left(), inner.top(), inner.width() * progress_ / 100, inner.height());
  p.fillRect(bar, fore_);
  const QString text = QString::number(progress_) + QLatin1Char('%');
  // Black text, in the background colour where it lies over the bar.
  p.setClipRect(inner);
  p.setPen(Qt::black);
  p.drawText(inner, Qt::AlignCenter, text);
  p.setClipRect(bar);
  p.setPen(back_);
  p.drawText(inner, Qt::AlignCenter, text);
}

}  // namespace verid
