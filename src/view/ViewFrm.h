// The view window: one picture of the main list at real size, fitted to the screen or full
// screen. It paints what TViewer decides and forwards its menus, keys and mouse to it.
#pragma once

#include <QDialog>
#include <QImage>
#include <QWidget>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "view/View.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollArea;

namespace verid {

class TViewForm;

// The image control: the shown bitmap at its own size, the band over it, and "No Picture"
// in full screen. The band is drawn on top; the bitmap itself is never changed by it.
class TViewImage : public QWidget {
  Q_OBJECT
 public:
  TViewImage(TViewForm& form, QWidget* parent);
  void SetBitmap(const TBitmap* bitmap);
  bool HasPicture() const { return !image_.isNull(); }
  const QImage& Picture() const { return image_; }
  void SetBand(const std::optional<TRect>& band);
  const std::optional<TRect>& Band() const { return band_; }
  void SetText(const QString& text, const QPoint& at, const QColor& colour);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Opaque();

  TViewForm& form_;
  QImage image_;
  std::optional<TRect> band_;
  QString text_;
  QPoint textAt_;
  QColor textColour_;
};

// The client area under the menu bar: the window's colour, and "No Picture" in real size
// and fit.
class TViewCanvas : public QWidget {
  Q_OBJECT
 public:
  explicit TViewCanvas(QWidget* parent);
  void SetColour(const QColor& colour);
  void SetText(const QString& text, const QPoint& at, const QColor& colour);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor colour_;
  QString text_;
  QPoint textAt_;
  QColor textColour_;
};

class TViewForm : public QDialog, public ViewSurface {
  Q_OBJECT
 public:
  TViewForm(ViewEnv env, const ViewOwner& owner, QWidget* parent = nullptr);
  ~TViewForm() override;

  TViewer& Viewer() { return *viewer_; }

  // --- entry points ---
  void SetShowMenuBar(bool on) { viewer_->ShowMenuBar = on; }
  void ShowReal() { viewer_->ShowReal(); }
  void ShowFit() { viewer_->ShowFit(); }
  void ShowFull() { viewer_->ShowFull(); }
  void Redisplay() { viewer_->Redisplay(); }
  void AfterRemoval() { viewer_->AfterRemoval(); }
  // The catalog window's view: no file commands in the pop-up.
  void HideFileCommands();

  // --- components (named as in the window's layout) ---
  TViewImage* Image() const { return image_; }
  QLabel* cLabel() const { return label_; }
  QMenuBar* MainMenu1() const { return menuBar_; }
  QMenu* PopupMenu1() const { return popup_; }
  QScrollArea* ScrollBox() const { return scroll_; }
  TViewCanvas* Canvas() const { return canvas_; }
  QAction* Action(const std::string& name) const;

  // --- commands ---
  void mnVNextClick();
  void mnVPrevClick();
  void mnVFirstClick();
  void mnVLastClick();
  void pmVRealClick();
  void mnVFitScrnClick();
  void mnVFulScreenClick();
  void mnVExitClick();
  void mnVInfoClick();
  void mnVWallCenterClick();
  void mnVWallAllClick();
  void mnVWallUndoClick();
  // Image commands (the picture in memory) and file commands (the file on disk).
  void mnVTrimingClick() { viewer_->mnVTrimingClick(); }
  void mnRightRotateClick() { viewer_->mnRightRotateClick(); }
  void mnLeftRotateClick() { viewer_->mnLeftRotateClick(); }
  void mnHorizonClick() { viewer_->mnHorizonClick(); }
  void mnVerticalClick() { viewer_->mnVerticalClick(); }
  void mnVSaveClick() { viewer_->mnVSaveClick(); }
  void mnVSaveAsClick() { viewer_->mnVSaveAsClick(); }
  void mnVRenameClick() { viewer_->mnVRenameClick(); }
  void mnVCpyClick(int slot) { viewer_->mnVCpyClick(slot); }
  void mnVCpyAnotherClick() { viewer_->mnVCpyAnotherClick(); }
  void mnVMoveClick(int slot) { viewer_->mnVMoveClick(slot); }
  void mnVMoveAnotherClick() { viewer_->mnVMoveAnotherClick(); }
  void mnVDelClick() { viewer_->mnVDelClick(); }
  void mnVConvertClick() { viewer_->mnVConvertClick(); }
  void mnVConvertKindClick(int kind) { viewer_->mnVConvertKindClick(kind); }
  // Hides this window for the full-screen slide show; it comes back at real size with
  // its menu bar when the show's window closes.
  void mnVSlideClick();

  // Mouse on the image, in its coordinates.
  void ImageMouseDown(int x, int y, bool left, bool shift);
  void ImageMouseMove(int x, int y);
  void ImageMouseUp(int x, int y, bool left);

  // Runs a command through the default error box.
  void Run(const std::function<void()>& command);

  // --- ViewSurface ---
  void ApplyMode(int mode, const ViewMenuState& menus) override;
  void PaintMenus(const ViewMenuState& menus) override;
  TColor FaceColor() override;
  void SetBusy(bool busy) override;
  void SetCaption(const std::string& text) override;
  void SetLabel(const std::string& text) override;
  void ClearPicture() override;
  TBorders Borders() override;
  void ShowFrame(const TViewFrame& frame) override;
  void ShowBand(const std::optional<TRect>& band) override;
  void SetScreenCursor(int id) override;
  TPoint ScrollPos() override;
  void SetScrollPos(const TPoint& pos) override;
  TPoint ClientSize() override;
  void CloseWindow() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildMenus();
  void BuildPopup();
  QAction* AddItem(QMenu* menu, const char* name, const char* caption,
                   std::function<void()> command);
  QMenu* AddSubmenu(QMenu* menu, const char* name, const char* caption);
  void AddSeparator(QMenu* menu, const char* name);
  void LayoutContents();
  QMargins FrameMargins() const;

  ViewEnv env_;
  std::unique_ptr<TViewer> viewer_;
  std::map<std::string, QAction*> actions_;
  QMenuBar* menuBar_ = nullptr;
  QMenu* popup_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  TViewCanvas* canvas_ = nullptr;
  TViewImage* image_ = nullptr;
  QLabel* label_ = nullptr;
  QColor windowColour_, textColour_;
  int mode_ = kModeReal;
  TBorders bordersUsed_;
  std::optional<ViewMenuState> painted_;
  bool shownOnce_ = false;
  int busy_ = 0;
};

// The main window's real-size, fit and full-screen commands: the view window run modally
// in that mode, with the main window hidden or covered as the mode wants.
void OpenViewWindow(int mode, ViewEnv env, const ViewOwner& owner, const ViewOpenerHost& host,
                    QWidget* parent);

}  // namespace verid
