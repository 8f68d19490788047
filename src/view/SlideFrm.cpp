#include "view/SlideFrm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPointer>

#include "app/Cp932.h"
#include "app/Hanyou.h"
#include "ui/Application.h"
#include "ui/RasterView.h"

namespace verid {

namespace {

QColor ToQColor(TColor c) {
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

struct Hourglass {
  Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TSlideImage::TSlideImage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Image"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TSlideImage::SetPicture(const QImage& image) {
  image_ = image;
  text_.clear();
  setAttribute(Qt::WA_OpaquePaintEvent, !image_.isNull());
  update();
}

void TSlideImage::SetText(const QString& text, const QColor& colour) {
  text_ = text;
  textColour_ = colour;
  update();
}

void TSlideImage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // Scaled once when made: a repaint only copies.
  if (!image_.isNull()) p.drawImage(QPoint(0, 0), image_);
  if (!text_.isEmpty()) {
    p.setPen(textColour_);
    p.drawText(QRect(QPoint(45, 65), size()), Qt::AlignLeft | Qt::AlignTop, text_);
  }
}

TSlideForm::TSlideForm(ViewEnv env, TFullSlideShow& show, QWidget* parent, bool loadAhead)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      env_(env),
      show_(&show),
      ahead_(env.List, loadAhead) {
  ahead_.SetWrap(true);
  setObjectName(QStringLiteral("SlideForm"));
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFont(UiFont());
  setFocusPolicy(Qt::StrongFocus);
  image_ = new TSlideImage(this);
  image_->setGeometry(0, 0, 0, 0);
  label_ = new QLabel(this);
  label_->setObjectName(QStringLiteral("CLabel"));
  label_->setFont(UiFont(kViewLabelPixels));
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, ToQColor(kViewLabelColor));
  label_->setPalette(palette);
  label_->setAttribute(Qt::WA_TransparentForMouseEvents);
  label_->setTextFormat(Qt::PlainText);
  label_->move(0, 0);
  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("SlidePopupMenu"));
  QAction* exit = popup_->addAction(QString::fromUtf8(kSlideExitCaption));
  exit->setObjectName(QStringLiteral("pmnExit"));
  connect(exit, &QAction::triggered, this,
          [this] { RunCommand(env_.Dlg, [this] { pmnExitClick(); }); });
  colour_ = ToQColor(env_.Settings.FullSlideColor);
}

TSlideForm::~TSlideForm() {
  if (show_) show_->WindowClosed();
}

void TSlideForm::Prepare() {
  colour_ = ToQColor(env_.Settings.FullSlideColor);
  label_->setVisible(env_.Settings.SlideShowCaption);
  const TRect screen = env_.Plat.ScreenRect();
  setGeometry(screen.Left, screen.Top, screen.Width(), screen.Height());
  update();
}

void TSlideForm::ShowSlide(int index) {
  Hourglass busy;
  image_->SetPicture({});
  env_.List.SetItemIndex(index);
  label_->setText(QString::fromStdString(DisplayText(SlideCaption(env_.List))));
  label_->adjustSize();
  const QRect area = geometry();
  const TRect screen = env_.Plat.ScreenRect();
  const TSlideFrame frame{area.width(), area.height(), FullRatio(screen.Width(), screen.Height()),
                          env_.Settings.FullSlideColor};
  slide_ = TakeSlide(ahead_, env_.List.CurrentFile(), frame);
  const TRect& c = slide_.Control;
  image_->setGeometry(c.Left, c.Top, c.Width(), c.Height());
  if (slide_.NoPicture)
    image_->SetText(QStringLiteral("No Picture"), Qt::white);
  else
    image_->SetPicture(slide_.Picture.Empty() ? QImage() : RasterImage(slide_.Picture));
  label_->raise();
  if (!shown_) {
    shown_ = true;
    showFullScreen();
    raise();
    activateWindow();
  }
  repaint();
  // The files after this one, as the show comes to them (round again at the end: a loop
  // or a new start does).
  ahead_.Shown(env_.List.ItemIndex());
}

void TSlideForm::CloseWindow() {
  hide();
  close();
}

void TSlideForm::pmnExitClick() {
  if (show_) show_->Stop();
}

void TSlideForm::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(event->rect(), colour_);
}

void TSlideForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    RunCommand(env_.Dlg, [this] { pmnExitClick(); });
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TSlideForm::contextMenuEvent(QContextMenuEvent* event) {
  popup_->popup(event->globalPos());
}

void TSlideForm::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  // The origin comes back now; the window itself goes when the events are handled.
  if (TFullSlideShow* show = show_) {
    show_ = nullptr;
    show->WindowClosed();
  }
}

// --- opener ------------------------------------------------------------------------------------

void RunFullSlideShow(uint8_t origin, ViewEnv env, const SlideOriginHost& host, QWidget* parent,
                      const SlideShowOptions& options) {
  if (env.List.Count() == 0) return;
  if (host.Hide) host.Hide();
  TFullSlideShow show(env.List, env.Settings, env.Dlg, origin, host,
                      [&env](int ms) { Delay(env.Plat, static_cast<uint32_t>(std::max(ms, 0))); });
  QPointer<TSlideForm> form = new TSlideForm(env, show, parent, options.LoadAhead);
  show.Attach(form.data());
  struct Finish {
    QPointer<TSlideForm>& form;
    TFullSlideShow& show;
    ~Finish() {
      // However the show ended, the window does not outlive it, and the origin is back.
      if (form) {
        form->Detach();
        delete form.data();
      }
      show.WindowClosed();
    }
  } finish{form, show};
  show.RunSlides();
}

}  // namespace verid
