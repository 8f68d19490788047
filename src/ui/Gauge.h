// A percentage bar in a black frame with its value written in the middle.
#pragma once

#include <QColor>
#include <QWidget>

namespace verid {

class TGauge : public QWidget {
  Q_OBJECT
 public:
  explicit TGauge(QWidget* parent = nullptr);
  int Progress() const { return progress_; }
  // Clamped to 0..100.
  void SetProgress(int percent);
  QColor ForeColor() const { return fore_; }
  void SetForeColor(const QColor& colour);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int progress_ = 0;
  QColor fore_{0, 0, 0};
  QColor back_{255, 255, 255};
};

}  // namespace verid
