// Small widgets of the windows: a sunken panel with a colour and a centred caption, an
// image box that draws one picture, and a status bar of fixed-width panels.
#pragma once

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <vector>

namespace verid {

class TSunkenPanel : public QFrame {
  Q_OBJECT
 public:
  explicit TSunkenPanel(QWidget* parent = nullptr);
  void SetColor(const QColor& colour);
  QColor Color() const { return colour_; }
  // Drawn in the middle when nothing covers it.
  void SetCaption(const QString& caption);
  QString Caption() const { return caption_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor colour_;
  QString caption_;
};

class TImageBox : public QWidget {
  Q_OBJECT
 public:
  explicit TImageBox(QWidget* parent = nullptr);
  // Takes a copy that owns its pixels; an empty image shows nothing.
  void SetPicture(const QImage& image);
  void Clear() { SetPicture(QImage()); }
  bool HasPicture() const { return !image_.isNull(); }
  const QImage& Picture() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

// A label of a fixed size whose text always shows whole: a text too wide for the label
// at the window's font is drawn in a smaller one.
class TFittingLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TFittingLabel(QWidget* parent = nullptr) : QLabel(parent) {}
  void SetFittedText(const QString& text);
};

class TStatusBar : public QWidget {
  Q_OBJECT
 public:
  TStatusBar(const std::vector<int>& widths, QWidget* parent = nullptr);
  void SetText(int panel, const QString& text);
  QString Text(int panel) const;
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  QLabel* Panel(int panel) const { return panels_.at(static_cast<size_t>(panel)); }

 private:
  std::vector<QLabel*> panels_;
};

}  // namespace verid
