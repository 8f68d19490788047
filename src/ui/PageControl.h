// A page control whose tabs wrap onto several rows when they do not fit in one; the row
// of the chosen tab moves next to the page, as multi-line tab controls do.
#pragma once

#include <QWidget>
#include <vector>

class QStackedWidget;

namespace verid {

class TPageControl : public QWidget {
  Q_OBJECT
 public:
  explicit TPageControl(QWidget* parent = nullptr);

  int AddPage(QWidget* page, const QString& caption);
  int count() const { return static_cast<int>(captions_.size()); }
  QString tabText(int index) const { return captions_.at(static_cast<size_t>(index)); }
  QWidget* widget(int index) const;
  int currentIndex() const { return current_; }
  void setCurrentIndex(int index);
  // Where the tab of `index` is drawn, and how many rows the tabs take.
  QRect TabRect(int index) const;
  int RowCount() const { return static_cast<int>(rows_.size()); }
  // The area the pages fill.
  QRect PageRect() const;

 signals:
  void currentChanged(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QSize TabSize(int index) const;
  int TabHeight() const;
  void Layout();
  std::vector<QString> captions_;
  std::vector<std::vector<int>> rows_;  // tab indices, top row first as shown
  std::vector<QRect> tabRects_;
  QStackedWidget* stack_;
  int current_ = -1;
};

}  // namespace verid
