#include "ui/Panels.h"

#include <QPainter>

namespace verid {

TSunkenPanel::TSunkenPanel(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(1);
  colour_ = palette().color(QPalette::Button);
}

void TSunkenPanel::SetColor(const QColor& colour) {
  if (colour_ == colour) return;
  colour_ = colour;
  update();
}

void TSunkenPanel::SetCaption(const QString& caption) {
  if (caption_ == caption) return;
  caption_ = caption;
  update();
}

void TSunkenPanel::paintEvent(QPaintEvent* event) {
  {
    QPainter p(this);
    p.fillRect(contentsRect(), colour_);
    if (!caption_.isEmpty()) {
      p.setPen(palette().color(QPalette::WindowText));
      p.drawText(contentsRect(), Qt::AlignCenter, caption_);
    }
  }
  QFrame::paintEvent(event);
}

TImageBox::TImageBox(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TImageBox::SetPicture(const QImage& image) {
  image_ = image.isNull() ? QImage() : image.copy();
  update();
}

void TImageBox::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  QPainter p(this);
  p.drawImage(QPoint(0, 0), image_);
}

void TFittingLabel::SetFittedText(const QString& text) {
  QFont font = parentWidget() ? parentWidget()->font() : this->font();
  const int room = contentsRect().width() - 2;
  for (int pixels = font.pixelSize(); pixels > 6; --pixels) {
    font.setPixelSize(pixels);
    if (QFontMetrics(font).horizontalAdvance(text) <= room) break;
  }
  setFont(font);
  setText(text);
}

TStatusBar::TStatusBar(const std::vector<int>& widths, QWidget* parent) : QWidget(parent) {
  int x = 0;
  for (size_t i = 0; i < widths.size(); ++i) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setIndent(2);
    label->setGeometry(x, 2, widths[i] - (i + 1 < widths.size() ? 2 : 0), 20);
    x += widths[i];
    panels_.push_back(label);
  }
}

void TStatusBar::SetText(int panel, const QString& text) {
  if (panel >= 0 && panel < PanelCount()) panels_[static_cast<size_t>(panel)]->setText(text);
}

QString TStatusBar::Text(int panel) const {
  return panel >= 0 && panel < PanelCount() ? panels_[static_cast<size_t>(panel)]->text()
                                            : QString();
}

}  // namespace verid
