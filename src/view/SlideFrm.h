// The full-screen slide show's window: borderless, on top of everything, the whole screen
// in FullSlideColor, one slide at a time with the caption label over it.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

#include "view/SlideShow.h"
#include "view/View.h"

class QLabel;
class QMenu;

namespace verid {

// The image control: the slide as scaled, or "No Picture".
class TSlideImage : public QWidget {
  Q_OBJECT
 public:
  explicit TSlideImage(QWidget* parent);
  void SetPicture(const QImage& image);
  void SetText(const QString& text, const QColor& colour);
  const QImage& Picture() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
  QString text_;
  QColor textColour_;
};

class TSlideForm : public QWidget, public SlideWindow {
  Q_OBJECT
 public:
  // Released when closed; it tells `show` when it goes.
  TSlideForm(ViewEnv env, TFullSlideShow& show, QWidget* parent = nullptr, bool loadAhead = true);
  ~TSlideForm() override;

  QLabel* CLabel() const { return label_; }
  TSlideImage* Image() const { return image_; }
  QMenu* SlidePopupMenu() const { return popup_; }
  QColor Colour() const { return colour_; }
  // The show is over without this window having closed: it no longer reports to it.
  void Detach() { show_ = nullptr; }

  void pmnExitClick();

  // --- SlideWindow ---
  void Prepare() override;
  void ShowSlide(int index) override;
  void CloseWindow() override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  ViewEnv env_;
  TFullSlideShow* show_;
  QLabel* label_ = nullptr;
  TSlideImage* image_ = nullptr;
  QMenu* popup_ = nullptr;
  QColor colour_;
  TSlide slide_;
  TLookAhead ahead_;  // the next slides, made while one shows
  bool shown_ = false;
};

struct SlideShowOptions {
  // The next slide is made on a worker thread while the current one shows.
  bool LoadAhead = true;
};

// Runs a full-screen slide show over the list from the given origin and returns when it
// is over. Nothing happens on an empty list.
void RunFullSlideShow(uint8_t origin, ViewEnv env, const SlideOriginHost& host, QWidget* parent,
                      const SlideShowOptions& options = {});

}  // namespace verid
