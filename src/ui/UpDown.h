// An up-down control: two small arrow buttons stacked, beside the edit they step. It only
// reports clicks; the window decides what a step does to its edit.
#pragma once

#include <QWidget>

class QToolButton;

namespace verid {

class TUpDown : public QWidget {
  Q_OBJECT
 public:
  explicit TUpDown(QWidget* parent = nullptr);
  QToolButton* UpButton() const { return up_; }
  QToolButton* DownButton() const { return down_; }
  // As a click on the upper (true) or lower arrow.
  void Step(bool up) { emit Clicked(up); }

 signals:
  void Clicked(bool up);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace verid
