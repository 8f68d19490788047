#include "ui/PageControl.h"

#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <algorithm>

namespace verid {

namespace {
constexpr int kPageMargin = 3;
}  // namespace

TPageControl::TPageControl(QWidget* parent) : QWidget(parent) {
  stack_ = new QStackedWidget(this);
  stack_->setObjectName("Pages");
  // Ctrl+Tab and Ctrl+Shift+Tab walk the pages, as in other page controls.
  auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
  auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), this);
  for (QShortcut* s : {next, previous}) s->setContext(Qt::WindowShortcut);
  connect(next, &QShortcut::activated, this,
          [this] { setCurrentIndex(count() ? (current_ + 1) % count() : -1); });
  connect(previous, &QShortcut::activated, this,
          [this] { setCurrentIndex(count() ? (current_ + count() - 1) % count() : -1); });
}

QSize TPageControl::TabSize(int index) const {
  // As the tab bar sizes its tabs for the style in use.
  QStyleOptionTab tab;
  tab.initFrom(this);
  tab.shape = QTabBar::RoundedNorth;
  tab.text = captions_[static_cast<size_t>(index)];
  const int hspace = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &tab, this);
  const int vspace = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &tab, this);
  QSize contents(fontMetrics().horizontalAdvance(tab.text) + hspace,
                 fontMetrics().height() + vspace);
  return style()->sizeFromContents(QStyle::CT_TabBarTab, &tab, contents, this);
}

int TPageControl::TabHeight() const {
  int h = fontMetrics().height() + 6;
  for (int i = 0; i < count(); ++i) h = std::max(h, TabSize(i).height());
  return h;
}

int TPageControl::AddPage(QWidget* page, const QString& caption) {
  captions_.push_back(caption);
  stack_->addWidget(page);
  if (current_ < 0) current_ = 0;
  Layout();
  return count() - 1;
}

QWidget* TPageControl::widget(int index) const {
  return stack_->widget(index);
}

void TPageControl::setCurrentIndex(int index) {
  if (index < 0 || index >= count() || index == current_) return;
  current_ = index;
  stack_->setCurrentIndex(index);
  Layout();
  update();
  emit currentChanged(index);
}

QRect TPageControl::TabRect(int index) const {
  return index >= 0 && index < count() ? tabRects_[static_cast<size_t>(index)] : QRect();
}

QRect TPageControl::PageRect() const {
  int top = RowCount() * TabHeight();
  return QRect(0, top, width(), height() - top);
}

void TPageControl::Layout() {
  // Rows in tab order, each filled as far as the width allows.
  std::vector<std::vector<int>> rows;
  const int available = std::max(1, width() - 4);
  int used = 0;
  for (int i = 0; i < count(); ++i) {
    int w = TabSize(i).width();
    if (rows.empty() || (used + w > available && !rows.back().empty())) {
      rows.emplace_back();
      used = 0;
    }
    rows.back().push_back(i);
    used += w;
  }
  // The chosen tab's row comes next to the page; the rows keep their cyclic order.
  size_t chosen = 0;
  for (size_t r = 0; r < rows.size(); ++r)
    if (std::find(rows[r].begin(), rows[r].end(), current_) != rows[r].end()) chosen = r;
  rows_.clear();
  for (size_t k = 1; k <= rows.size(); ++k) rows_.push_back(rows[(chosen + k) % rows.size()]);

  // Every row but a single one is stretched over the whole width.
  tabRects_.assign(static_cast<size_t>(count()), QRect());
  const int h = TabHeight();
  for (size_t r = 0; r < rows_.size(); ++r) {
    const std::vector<int>& row = rows_[r];
    std::vector<int> widths;
    int total = 0;
    for (int i : row) {
      widths.push_back(TabSize(i).width());
      total += widths.back();
    }
    const bool stretch = rows_.size() > 1;
    int x = 2;
    int extra = stretch ? available - total : 0;
    for (size_t k = 0; k < row.size(); ++k) {
      int add = stretch ? extra / static_cast<int>(row.size() - k) : 0;
      extra -= add;
      int w = widths[k] + add;
      tabRects_[static_cast<size_t>(row[k])] = QRect(x, static_cast<int>(r) * h, w, h);
      x += w;
    }
  }
  QRect page = PageRect().adjusted(kPageMargin, kPageMargin, -kPageMargin, -kPageMargin);
  stack_->setGeometry(page);
}

void TPageControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Layout();
}

void TPageControl::mousePressEvent(QMouseEvent* event) {
  for (int i = 0; i < count(); ++i)
    if (TabRect(i).contains(event->position().toPoint())) {
      setCurrentIndex(i);
      return;
    }
  QWidget::mousePressEvent(event);
}

void TPageControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(this);
  frame.rect = PageRect();
  frame.shape = QTabBar::RoundedNorth;
  frame.tabBarRect = QRect(0, 0, width(), PageRect().top());
  frame.selectedTabRect = TabRect(current_);
  frame.tabBarSize = frame.tabBarRect.size();
  style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
  for (const std::vector<int>& row : rows_) {
    for (size_t k = 0; k < row.size(); ++k) {
      const int i = row[k];
      QStyleOptionTab tab;
      tab.initFrom(this);
      tab.shape = QTabBar::RoundedNorth;
      tab.rect = TabRect(i);
      tab.text = tabText(i);
      tab.position = row.size() == 1       ? QStyleOptionTab::OnlyOneTab
                     : k == 0              ? QStyleOptionTab::Beginning
                     : k + 1 == row.size() ? QStyleOptionTab::End
                                           : QStyleOptionTab::Middle;
      if (i == current_) tab.state |= QStyle::State_Selected;
      tab.state &= ~QStyle::State_HasFocus;
      // Some styles fill a chosen tab further down than its rectangle; the page is not
      // theirs to paint.
      painter.setClipRect(tab.rect.adjusted(0, 0, 0, i == current_ ? 2 : 0));
      style()->drawControl(QStyle::CE_TabBarTab, &tab, &painter, this);
      painter.setClipping(false);
    }
  }
}

}  // namespace verid
