#include "view/ViewFrm.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWindow>

#include "app/Cp932.h"
#include "app/Hanyou.h"
#include "dialogs/RenameFrm.h"
#include "ui/Application.h"
#include "ui/RasterView.h"
#include "view/InfoFrm.h"
#include "view/SlideFrm.h"

namespace verid {

namespace {

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QColor ToQColor(TColor c) {
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// Folder strings become captions; an "&" in a path is a character, not a mnemonic.
QString FolderCaption(const std::string& folder) {
  QString text = QString::fromStdString(DisplayText(folder));
  text.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return text;
}

std::string Numbered(const char* prefix, int n) {
  return prefix + std::to_string(n);
}

constexpr const char* kConvertCaptions[6] = {"BMP->JPEG", "BMP->PNG", "JPEG->BMP",
                                             "JPEG->PNG", "PNG->BMP", "PNG->JPEG"};
constexpr const char* kConvertNames[6] = {"mnVConvertBtoJ", "mnVConvertBtoP", "mnVConvertJtoB",
                                          "mnVConvertJtoP", "mnVConvertPtoB", "mnVConvertPtoJ"};

// The frame last seen on a framed window: a window not shown yet, or shown again a moment
// ago, has none to measure.
QMargins g_knownFrame(0, 0, 0, 0);

// The frame the window manager puts around the window, as it declares it. Not the
// difference of the outer and inner bounds: while the manager is still placing a window
// one of them may be the old one, and the difference is no frame at all.
QMargins MarginsOf(const QWidget& w) {
  const QWindow* window = w.windowHandle();
  return window ? window->frameMargins() : QMargins();
}

}  // namespace

// --- the image control ---------------------------------------------------------------------

TViewImage::TViewImage(TViewForm& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName(QStringLiteral("Image"));
}

void TViewImage::SetBitmap(const TBitmap* bitmap) {
  image_ = bitmap && !bitmap->Empty() ? RasterImage(*bitmap) : QImage();
  text_.clear();
  Opaque();
  update();
}

void TViewImage::Opaque() {
  // A picture that covers the control spares the window painting under it.
  setAttribute(Qt::WA_OpaquePaintEvent,
               !image_.isNull() && image_.width() >= width() && image_.height() >= height());
}

void TViewImage::resizeEvent(QResizeEvent*) {
  Opaque();
}

void TViewImage::SetBand(const std::optional<TRect>& band) {
  band_ = band;
  update();
}

void TViewImage::SetText(const QString& text, const QPoint& at, const QColor& colour) {
  text_ = text;
  textAt_ = at;
  textColour_ = colour;
  update();
}

void TViewImage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!image_.isNull()) p.drawImage(QPoint(0, 0), image_);
  if (!text_.isEmpty()) {
    p.setPen(textColour_);
    p.drawText(QRect(textAt_, QSize(width(), height())), Qt::AlignLeft | Qt::AlignTop, text_);
  }
  if (band_ && !image_.isNull()) {
    // The outline in the inverse of the pixels under it, corners inclusive.
    const TRect& b = *band_;
    const QRect edges[4] = {QRect(b.Left, b.Top, b.Right - b.Left + 1, 1),
                            QRect(b.Left, b.Bottom, b.Right - b.Left + 1, 1),
                            QRect(b.Left, b.Top, 1, b.Bottom - b.Top + 1),
                            QRect(b.Right, b.Top, 1, b.Bottom - b.Top + 1)};
    for (const QRect& edge : edges) {
      QImage strip = image_.copy(edge).convertToFormat(QImage::Format_RGB32);
      strip.invertPixels();
      p.drawImage(edge.topLeft(), strip);
    }
  }
}

void TViewImage::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  form_.ImageMouseDown(pos.x(), pos.y(), event->button() == Qt::LeftButton,
                       event->modifiers() & Qt::ShiftModifier);
  if (event->button() != Qt::LeftButton) event->ignore();
}

void TViewImage::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  form_.ImageMouseMove(pos.x(), pos.y());
}

void TViewImage::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  form_.ImageMouseUp(pos.x(), pos.y(), event->button() == Qt::LeftButton);
}

TViewCanvas::TViewCanvas(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Canvas"));
}

void TViewCanvas::SetColour(const QColor& colour) {
  colour_ = colour;
  update();
}

void TViewCanvas::SetText(const QString& text, const QPoint& at, const QColor& colour) {
  text_ = text;
  textAt_ = at;
  textColour_ = colour;
  update();
}

void TViewCanvas::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.fillRect(event->rect(), colour_);
  if (!text_.isEmpty()) {
    p.setPen(textColour_);
    p.drawText(QRect(textAt_, size()), Qt::AlignLeft | Qt::AlignTop, text_);
  }
}

// --- the window ----------------------------------------------------------------------------

TViewForm::TViewForm(ViewEnv env, const ViewOwner& owner, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      env_(env) {
  setObjectName(QStringLiteral("ViewForm"));
  setFont(UiFont());
  setFocusPolicy(Qt::StrongFocus);
  if (parent && !parent->frameGeometry().size().isEmpty()) {
    const QMargins frame = MarginsOf(*parent);
    if (!frame.isNull() && g_knownFrame.isNull()) g_knownFrame = frame;
  }

  scroll_ = new QScrollArea(this);
  scroll_->setObjectName(QStringLiteral("ScrollBox"));
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setFocusPolicy(Qt::NoFocus);
  scroll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  scroll_->horizontalScrollBar()->setSingleStep(kViewScrollStep);
  scroll_->verticalScrollBar()->setSingleStep(kViewScrollStep);
  canvas_ = new TViewCanvas(scroll_);
  scroll_->setWidget(canvas_);
  image_ = new TViewImage(*this, canvas_);
  image_->setGeometry(0, 0, 0, 0);

  label_ = new QLabel(this);
  label_->setObjectName(QStringLiteral("cLabel"));
  label_->setFont(UiFont(kViewLabelPixels));
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, ToQColor(kViewLabelColor));
  label_->setPalette(palette);
  label_->setAttribute(Qt::WA_TransparentForMouseEvents);
  label_->setTextFormat(Qt::PlainText);
  label_->move(0, 0);
  label_->hide();

  BuildMenus();
  BuildPopup();

  ViewOwner own = owner;
  if (!own.Rename)
    own.Rename = [this] {
      TRenameForm rename(env_.List, env_.Dlg, {}, this);
      rename.exec();
    };
  viewer_ = std::make_unique<TViewer>(env_, *this, own);
  viewer_->UseLookAhead(true);
  PaintMenus(viewer_->Menus);
}

TViewForm::~TViewForm() {
  // The viewer talks to this window to the end; it goes first.
  viewer_.reset();
  while (busy_ > 0) SetBusy(false);
}

void TViewForm::Run(const std::function<void()>& command) {
  RunCommand(env_.Dlg, command);
}

QAction* TViewForm::Action(const std::string& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QAction* TViewForm::AddItem(QMenu* menu, const char* name, const char* caption,
                            std::function<void()> command) {
  auto* action = new QAction(Text(caption), menu);
  action->setObjectName(QString::fromUtf8(name));
  if (command) connect(action, &QAction::triggered, this, [this, command] { Run(command); });
  menu->addAction(action);
  actions_[name] = action;
  return action;
}

QMenu* TViewForm::AddSubmenu(QMenu* menu, const char* name, const char* caption) {
  QMenu* sub = menu->addMenu(Text(caption));
  sub->setObjectName(QString::fromUtf8(name));
  sub->menuAction()->setObjectName(QString::fromUtf8(name));
  actions_[name] = sub->menuAction();
  return sub;
}

void TViewForm::AddSeparator(QMenu* menu, const char* name) {
  QAction* separator = menu->addSeparator();
  if (name) {
    separator->setObjectName(QString::fromUtf8(name));
    actions_[name] = separator;
  }
}

void TViewForm::BuildMenus() {
  menuBar_ = new QMenuBar(this);
  menuBar_->setObjectName(QStringLiteral("MainMenu1"));
  menuBar_->setNativeMenuBar(false);
  auto top = [this](const char* name, const char* caption) {
    QMenu* menu = menuBar_->addMenu(Text(caption));
    menu->setObjectName(QString::fromUtf8(name));
    menu->menuAction()->setObjectName(QString::fromUtf8(name));
    actions_[name] = menu->menuAction();
    return menu;
  };

  QMenu* file = top("mnFileV", "ﾌｧｲﾙ(&F)");
  AddItem(file, "mnVRename", "名前の変更(&R)", [this] { mnVRenameClick(); });
  QMenu* copy = AddSubmenu(file, "mnVCopy", "指定ﾌｫﾙﾀﾞにｺﾋﾟｰ(&C)");
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(copy, Numbered("mnVCpy", n).c_str(), "", [this, n] { mnVCpyClick(n); });
  AddItem(copy, "mnVCpyAnother", "上の指定先以外", [this] { mnVCpyAnotherClick(); });
  QMenu* move = AddSubmenu(file, "mnVMove", "指定ﾌｫﾙﾀﾞに移動(&M)");
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(move, Numbered("mnVMove", n).c_str(), "", [this, n] { mnVMoveClick(n); });
  AddItem(move, "mnVMoveAnother", "上の指定先以外", [this] { mnVMoveAnotherClick(); });
  QAction* del = AddItem(file, "mnVDel", "削除(&D)", [this] { mnVDelClick(); });
  // Shown in the menu; the key itself is the window's (it works in every mode).
  del->setShortcut(QKeySequence(Qt::Key_Delete));
  del->setShortcutContext(Qt::WidgetShortcut);
  AddSeparator(file, nullptr);
  AddItem(file, "mnVSave", "上書き保存(&S)", [this] { mnVSaveClick(); });
  AddItem(file, "mnVSaveAs", "名前を付けて保存(&A)", [this] { mnVSaveAsClick(); });
  AddSeparator(file, nullptr);
  AddItem(file, "mnVExit", "閉じる(&X)", [this] { mnVExitClick(); });

  QMenu* view = top("mnViewV", "画像表示(&V)");
  AddItem(view, "mnVFitScrn", "画面にﾌｨｯﾄ(&T)", [this] { mnVFitScrnClick(); });
  AddItem(view, "mnVFulScreen", "ﾌﾙｽｸﾘｰﾝ(&F)", [this] { mnVFulScreenClick(); });
  AddItem(view, "mnVSlide", "ｽﾗｲﾄﾞｼｮｰ(&S)", [this] { mnVSlideClick(); });
  AddSeparator(view, nullptr);
  AddItem(view, "mnRightRotate", "右方向に90度回転(&R)", [this] { mnRightRotateClick(); });
  AddItem(view, "mnLeftRotate", "左方向に90度回転(&L)", [this] { mnLeftRotateClick(); });
  AddItem(view, "mnHorizon", "左右反転(&H)", [this] { mnHorizonClick(); });
  AddItem(view, "mnVertical", "上下反転(&V)", [this] { mnVerticalClick(); });

  QMenu* select = top("mnSelectV", "画像選択(&S)");
  AddItem(select, "mnVPrev", "前の画像(&P)", [this] { mnVPrevClick(); });
  AddItem(select, "mnVNext", "次の画像(&N)", [this] { mnVNextClick(); });
  AddItem(select, "mnVFirst", "先頭の画像(&F)", [this] { mnVFirstClick(); });
  AddItem(select, "mnVLast", "末尾の画像(&L)", [this] { mnVLastClick(); });

  QMenu* option = top("mnOptionV", "ｵﾌﾟｼｮﾝ(&O)");
  AddItem(option, "mnVInfo", "画像情報(&I)", [this] { mnVInfoClick(); });
  AddSeparator(option, nullptr);
  AddItem(option, "mnVTriming", "ﾄﾘﾐﾝｸﾞ(&T)", [this] { mnVTrimingClick(); });
  QMenu* wall = AddSubmenu(option, "mnVWPaper", "壁紙設定(&W)");
  AddItem(wall, "mnVWallCenter", "中央に表示(&C)", [this] { mnVWallCenterClick(); });
  AddItem(wall, "mnVWallAll", "全体に表示(&A)", [this] { mnVWallAllClick(); });
  AddItem(wall, "mnVWallUndo", "元に戻す(&U)", [this] { mnVWallUndoClick(); });
  QMenu* convert = AddSubmenu(option, "mnVConvert", "画像形式ｺﾝﾊﾞｰﾄ");
  for (int kind = 0; kind < 6; ++kind) {
    if (kind == 2 || kind == 4) AddSeparator(convert, nullptr);
    AddItem(convert, kConvertNames[kind], kConvertCaptions[kind],
            [this, kind] { mnVConvertKindClick(kind); });
  }
  connect(convert, &QMenu::aboutToShow, this, [this] { Run([this] { mnVConvertClick(); }); });
}

void TViewForm::BuildPopup() {
  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("PopupMenu1"));
  QMenu* p = popup_;
  AddItem(p, "pmVReal", "実ｻｲｽﾞ表示", [this] { pmVRealClick(); });
  AddItem(p, "pmVFit", "画面にﾌｨｯﾄ(&T)", [this] { mnVFitScrnClick(); });
  AddItem(p, "pmVFul", "ﾌﾙｽｸﾘｰﾝ(&F)", [this] { mnVFulScreenClick(); });
  AddSeparator(p, "N5");
  AddItem(p, "pmVPrev", "前の画像(&P)", [this] { mnVPrevClick(); });
  AddItem(p, "pmVNext", "次の画像(&N)", [this] { mnVNextClick(); });
  AddSeparator(p, "N2");
  AddItem(p, "pmVRename", "名前の変更(&R)", [this] { mnVRenameClick(); });
  QMenu* copy = AddSubmenu(p, "pmVCopy", "指定ﾌｫﾙﾀﾞにｺﾋﾟｰ(&C)");
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(copy, Numbered("pmVCpy", n).c_str(), "", [this, n] { mnVCpyClick(n); });
  AddItem(copy, "pmVCpyAnother", "上の指定先以外", [this] { mnVCpyAnotherClick(); });
  QMenu* move = AddSubmenu(p, "pmVMove", "指定ﾌｫﾙﾀﾞに移動(&M)");
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(move, Numbered("pmVMove", n).c_str(), "", [this, n] { mnVMoveClick(n); });
  AddItem(move, "pmNMoveAnother", "上の指定先以外", [this] { mnVMoveAnotherClick(); });
  QAction* del = AddItem(p, "pmVDel", "削除(&D)", [this] { mnVDelClick(); });
  del->setShortcut(QKeySequence(Qt::Key_Delete));
  del->setShortcutContext(Qt::WidgetShortcut);
  AddSeparator(p, "N4");
  AddItem(p, "pmTriming", "ﾄﾘﾐﾝｸﾞ(&T)", [this] { mnVTrimingClick(); });
  AddItem(p, "pmRightRotate", "右方向に90度回転", [this] { mnRightRotateClick(); });
  AddItem(p, "pmLeftRotate", "左方向に90度回転(&L)", [this] { mnLeftRotateClick(); });
  AddItem(p, "pmHorizon", "左右反転(&H)", [this] { mnHorizonClick(); });
  AddItem(p, "pmVertical", "上下反転", [this] { mnVerticalClick(); });
  AddSeparator(p, "N3");
  AddItem(p, "pmVSave", "上書き保存(&S)", [this] { mnVSaveClick(); });
  AddItem(p, "pmVSaveAs", "名前を付けて保存(&A)", [this] { mnVSaveAsClick(); });
  AddSeparator(p, "N1");
  AddItem(p, "pmVClose", "閉じる(&X)", [this] { mnVExitClick(); });
}

void TViewForm::HideFileCommands() {
  verid::HideFileCommands(viewer_->Menus);
  PaintMenus(viewer_->Menus);
}

// --- commands --------------------------------------------------------------------------------

void TViewForm::mnVNextClick() {
  viewer_->mnVNextClick();
}
void TViewForm::mnVPrevClick() {
  viewer_->mnVPrevClick();
}
void TViewForm::mnVFirstClick() {
  viewer_->mnVFirstClick();
}
void TViewForm::mnVLastClick() {
  viewer_->mnVLastClick();
}
void TViewForm::pmVRealClick() {
  viewer_->pmVRealClick();
}
void TViewForm::mnVFitScrnClick() {
  viewer_->ShowFit();
}
void TViewForm::mnVFulScreenClick() {
  viewer_->ShowFull();
}
void TViewForm::mnVExitClick() {
  close();
}
void TViewForm::mnVInfoClick() {
  ShowImageInfo(env_.List.CurrentFile(), viewer_->ShownWidth, viewer_->ShownHeight, env_.Plat,
                this);
}
void TViewForm::mnVSlideClick() {
  SlideOriginHost host;
  // Hidden as a plain window: hiding the dialog itself would end its modal run.
  host.Hide = [this] { QWidget::setVisible(false); };
  host.Return = [this] {
    viewer_->ShowMenuBar = true;
    // Back in real size with a frame: the full-screen state goes while the window is still
    // hidden, where the window manager takes it for certain.
    if (mode_ == kModeFull) {
      setWindowState(windowState() & ~Qt::WindowFullScreen);
      mode_ = kModeReal;
    }
    show();
    Run([this] { viewer_->ShowReal(); });
    repaint();
  };
  host.BackToFirst = [this] { Run([this] { mnVFirstClick(); }); };
  RunFullSlideShow(kSlideFromView, env_, host, this);
}

void TViewForm::mnVWallCenterClick() {
  viewer_->mnVWallCenterClick();
}
void TViewForm::mnVWallAllClick() {
  viewer_->mnVWallAllClick();
}
void TViewForm::mnVWallUndoClick() {
  viewer_->mnVWallUndoClick();
}

void TViewForm::ImageMouseDown(int x, int y, bool left, bool shift) {
  Run([&] { viewer_->MouseDown(x, y, left, shift); });
}
void TViewForm::ImageMouseMove(int x, int y) {
  Run([&] { viewer_->MouseMove(x, y); });
}
void TViewForm::ImageMouseUp(int x, int y, bool left) {
  Run([&] { viewer_->MouseUp(x, y, left); });
}

void TViewForm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Backspace:
      Run([this] { mnVPrevClick(); });
      break;
    case Qt::Key_Space:
      Run([this] { mnVNextClick(); });
      break;
    case Qt::Key_Escape:
      mnVExitClick();
      break;
    case Qt::Key_Left:
      viewer_->ScrollBy(-kViewScrollStep, 0);
      break;
    case Qt::Key_Right:
      viewer_->ScrollBy(kViewScrollStep, 0);
      break;
    case Qt::Key_Up:
      viewer_->ScrollBy(0, -kViewScrollStep);
      break;
    case Qt::Key_Down:
      viewer_->ScrollBy(0, kViewScrollStep);
      break;
    case Qt::Key_Delete:
      Run([this] { mnVDelClick(); });
      break;
    default:
      QDialog::keyPressEvent(event);
      return;
  }
  event->accept();
}

void TViewForm::contextMenuEvent(QContextMenuEvent* event) {
  popup_->popup(event->globalPos());
}

// --- surface ---------------------------------------------------------------------------------

QMargins TViewForm::FrameMargins() const {
  if (mode_ != kModeFull && isVisible() && !isFullScreen()) {
    const QMargins frame = MarginsOf(*this);
    // Not framed yet (the window manager answers later): the last frame seen.
    if (frame.isNull()) return g_knownFrame;
    g_knownFrame = frame;
    return frame;
  }
  return g_knownFrame;
}

TBorders TViewForm::Borders() {
  const QMargins frame = FrameMargins();
  TBorders borders;
  borders.Width = frame.left() + frame.right();
  borders.Height = frame.top() + frame.bottom() +
                   (menuBar_->isVisibleTo(this) ? menuBar_->sizeHint().height() : 0);
  borders.ScrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_);
  bordersUsed_ = borders;
  return borders;
}

void TViewForm::LayoutContents() {
  const int menuHeight = menuBar_->isVisibleTo(this) ? menuBar_->sizeHint().height() : 0;
  menuBar_->setGeometry(0, 0, width(), menuHeight);
  scroll_->setGeometry(0, menuHeight, width(), std::max(height() - menuHeight, 0));
  label_->raise();
}

void TViewForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  LayoutContents();
}

void TViewForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  // Laid out before the frame could be measured: lay out again with the real frame.
  if (mode_ == kModeFull || viewer_->ShowingNoPicture()) return;
  const TBorders before = bordersUsed_;
  const TBorders now = Borders();
  if (now.Width == before.Width && now.Height == before.Height) return;
  if (mode_ == kModeReal) viewer_->KeepWorkPicture = true;
  Run([this] { viewer_->Redisplay(); });
}

void TViewForm::ApplyMode(int mode, const ViewMenuState& menus) {
  mode_ = mode;
  if (mode == kModeFull) {
    windowColour_ = ToQColor(env_.Settings.FullScreenColor);
    textColour_ = Qt::white;
  } else {
    windowColour_ = QApplication::palette().color(QPalette::Button);
    textColour_ = QApplication::palette().color(QPalette::WindowText);
  }
  QPalette palette = scroll_->viewport()->palette();
  palette.setColor(QPalette::Window, windowColour_);
  scroll_->viewport()->setPalette(palette);
  scroll_->viewport()->setAutoFillBackground(true);
  canvas_->SetColour(windowColour_);
  // The label belongs to full screen; outside it would show a stale name over the picture.
  label_->setVisible(mode == kModeFull);
  PaintMenus(menus);

  // Into full screen in ShowFrame, which knows the screen; out of it here.
  if (mode != kModeFull && isFullScreen()) {
    if (isVisible())
      showNormal();
    else
      setWindowState(windowState() & ~Qt::WindowFullScreen);
  }
  LayoutContents();
}

void TViewForm::PaintMenus(const ViewMenuState& menus) {
  // Only what changed: every display passes through here.
  if (painted_ && painted_->MenuBar == menus.MenuBar &&
      painted_->PopupVisible == menus.PopupVisible && painted_->Enabled == menus.Enabled &&
      painted_->Captions == menus.Captions)
    return;
  menuBar_->setVisible(menus.MenuBar);
  for (const auto& [name, visible] : menus.PopupVisible)
    if (QAction* action = Action(name)) action->setVisible(visible);
  for (const auto& [name, enabled] : menus.Enabled)
    if (QAction* action = Action(name)) action->setEnabled(enabled);
  if (!painted_ || painted_->Captions != menus.Captions)
    for (const auto& [name, caption] : menus.Captions)
      if (QAction* action = Action(name)) action->setText(FolderCaption(caption));
  painted_ = menus;
  LayoutContents();
}

TColor TViewForm::FaceColor() {
  const QColor c = QApplication::palette().color(QPalette::Button);
  return RGBColor(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                  static_cast<uint8_t>(c.blue()));
}

void TViewForm::SetBusy(bool busy) {
  if (busy) {
    ++busy_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busy_ > 0) {
    --busy_;
    QApplication::restoreOverrideCursor();
  }
}

void TViewForm::SetCaption(const std::string& text) {
  setWindowTitle(QString::fromStdString(DisplayText(text)));
}

void TViewForm::SetLabel(const std::string& text) {
  label_->setText(QString::fromStdString(DisplayText(text)));
  label_->adjustSize();
}

void TViewForm::ClearPicture() {
  image_->SetBitmap(nullptr);
  image_->SetBand(std::nullopt);
  canvas_->SetText({}, {}, {});
  scroll_->horizontalScrollBar()->setValue(0);
  scroll_->verticalScrollBar()->setValue(0);
}

void TViewForm::ShowFrame(const TViewFrame& frame) {
  if (frame.Mode == kModeFull) {
    // The window covers the screen before it asks for full screen: without a window manager
    // nothing else sizes it. Once full screen, it is left where the manager keeps it: a
    // window placed after that loses its full-screen state. (Placing a window that is not
    // shown yet drops the state too, so it is asked for again.)
    if (!isVisible() || !(windowState() & Qt::WindowFullScreen)) {
      setGeometry(frame.Window.Left, frame.Window.Top, frame.Window.Width(), frame.Window.Height());
      if (isVisible())
        showFullScreen();
      else
        setWindowState(windowState() | Qt::WindowFullScreen);
    }
  } else {
    // Outer bounds: the frame comes around the client area we place. The client is placed
    // itself, with the frame it will get: a window shown again a moment ago (after a
    // slide show, or out of full screen) has no frame yet, and placing its frame would
    // put the title bar above the screen.
    const QMargins m = FrameMargins();
    setGeometry(frame.Window.Left + m.left(), frame.Window.Top + m.top(),
                std::max(frame.Window.Width() - m.left() - m.right(), 1),
                std::max(frame.Window.Height() - m.top() - m.bottom(), 1));
  }
  LayoutContents();
  const bool real = frame.Mode == kModeReal && !frame.NoPicture;
  scroll_->setHorizontalScrollBarPolicy(real && frame.HorzScroll ? Qt::ScrollBarAsNeeded
                                                                 : Qt::ScrollBarAlwaysOff);
  scroll_->setVerticalScrollBarPolicy(real && frame.VertScroll ? Qt::ScrollBarAsNeeded
                                                               : Qt::ScrollBarAlwaysOff);
  // The canvas is the picture in real size (so it scrolls), else the whole client area.
  // Outside real size the scroll area keeps it at the viewport's size: a window that is
  // not shown yet has no final viewport, and the canvas would clip the picture.
  scroll_->setWidgetResizable(!real);
  const QSize client = scroll_->viewport()->size();
  canvas_->resize(real ? QSize(frame.Control.Width(), frame.Control.Height()) : client);
  image_->setGeometry(frame.Control.Left, frame.Control.Top, frame.Control.Width(),
                      frame.Control.Height());
  image_->SetBitmap(frame.Shown);
  if (frame.NoPicture) {
    const QString text = Text("No Picture");
    const QPoint at(frame.TextAt.X, frame.TextAt.Y);
    if (frame.TextInControl)
      image_->SetText(text, at, textColour_);
    else
      canvas_->SetText(text, at, textColour_);
  }
  image_->setVisible(!frame.Control.IsEmpty());
}

void TViewForm::ShowBand(const std::optional<TRect>& band) {
  image_->SetBand(band);
}

void TViewForm::SetScreenCursor(int id) {
  if (id == 0)
    image_->unsetCursor();
  else
    image_->setCursor(ScreenCursor(id));
}

TPoint TViewForm::ScrollPos() {
  return {scroll_->horizontalScrollBar()->value(), scroll_->verticalScrollBar()->value()};
}

void TViewForm::SetScrollPos(const TPoint& pos) {
  scroll_->horizontalScrollBar()->setValue(pos.X);
  scroll_->verticalScrollBar()->setValue(pos.Y);
}

TPoint TViewForm::ClientSize() {
  const QSize size = scroll_->viewport()->size();
  return {size.width(), size.height()};
}

void TViewForm::CloseWindow() {
  close();
}

// --- opener ----------------------------------------------------------------------------------

void OpenViewWindow(int mode, ViewEnv env, const ViewOwner& owner, const ViewOpenerHost& host,
                    QWidget* parent) {
  RunViewOpener(mode, env.List, host, [&](int m) {
    TViewForm form(env, owner, parent);
    // A picture that fails to load is reported; the window still opens in its mode.
    form.Run([&] {
      if (m == kModeReal) {
        form.SetShowMenuBar(true);
        form.ShowReal();
      } else if (m == kModeFit) {
        form.ShowFit();
      } else {
        form.ShowFull();
      }
    });
    form.exec();
  });
}

}  // namespace verid
