// The view window's decisions without the window: the three display modes over a surface
// the window implements, the caption, "No Picture", navigation, the selection band, hand
// scrolling, which menu items show in which mode, and the main window's openers.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/Dialogs.h"
#include "app/FileList.h"
#include "app/FileOps.h"
#include "app/LookAhead.h"
#include "app/Settings.h"
#include "imaging/Bitmap.h"
#include "imaging/Graphic.h"
#include "imaging/Jpeg.h"
#include "imaging/Transforms.h"
#include "platform/Platform.h"
#include "view/ViewLayout.h"

namespace verid {

inline constexpr const char* kNoFilesLeft = "ﾃﾞｨﾚｸﾄﾘｨにﾌｧｲﾙが残っていません";
inline constexpr TColor kViewLabelColor = 10930928;  // red 240, green 202, blue 166
inline constexpr int kViewLabelPixels = 15;
inline constexpr int kViewScrollStep = 30;
inline constexpr int kBandAutoScroll = 10;
inline constexpr int kNoPictureWidth = 300;
inline constexpr int kNoPictureHeight = 180;
inline constexpr const char* kNoTrimRangeMessage =
    "範囲を指定して下さい\r\n範囲は Shift+左ﾄﾞﾗｯｸﾞで指定できます";

enum ViewMode : int16_t { kModeReal = 0, kModeFit = 1, kModeFull = 2 };

// "cat.jpg  [3/10]": the current file's name and the list position.
std::string ViewCaption(const FileList& list);

// --- menus -------------------------------------------------------------------------------

// What the view window takes from the main window when it is made.
struct ViewOwner {
  std::array<std::string, kSlotCount> CopyCaptions{kUnsetFolder, kUnsetFolder, kUnsetFolder,
                                                   kUnsetFolder, kUnsetFolder, kUnsetFolder,
                                                   kUnsetFolder, kUnsetFolder};
  std::array<std::string, kSlotCount> MoveCaptions = CopyCaptions;
  bool WallUndoEnabled = false;
  // The main window's wallpaper commands for the current file; each returns whether undo
  // is possible afterwards. Null: the opener has none.
  std::function<bool()> WallCenter, WallTile, WallUndo;
  // The main window's rename dialog and single-file conversion (by ConvertKind) for the
  // current file. Null: the opener has none.
  std::function<void()> Rename;
  std::function<void(int kind)> Convert;
  // Takes entry `index` (of `countBefore`) out of the list once its file has left the
  // folder, selecting its follower as RemoveEntry does. Null: RemoveEntry. The catalog
  // window drops its own entry for it too, so its entries keep standing for the list's.
  std::function<void(int countBefore, int index)> RemoveEntry;
};

// The owner for the main window: its registered folders as its menus show them, and its
// undo item's state.
ViewOwner ViewOwnerFor(const AppSettings& settings, bool wallUndoEnabled);

// The pop-up items, in menu order ("N" names are separators).
inline constexpr const char* kViewPopupItems[] = {
    "pmVReal",   "pmVFit",        "pmVFul",       "N5",        "pmVPrev",    "pmVNext",
    "N2",        "pmVRename",     "pmVCopy",      "pmVMove",   "pmVDel",     "N4",
    "pmTriming", "pmRightRotate", "pmLeftRotate", "pmHorizon", "pmVertical", "N3",
    "pmVSave",   "pmVSaveAs",     "N1",           "pmVClose"};

struct ViewMenuState {
  bool MenuBar = true;
  std::map<std::string, bool> PopupVisible;     // every pop-up item
  std::map<std::string, bool> Enabled;          // the copy/move slots and mnVWallUndo
  std::map<std::string, std::string> Captions;  // the copy/move slots
  bool Visible(const std::string& item) const;
  bool IsEnabled(const std::string& item) const;
};

// Everything visible; the 32 copy/move slot items take the owner's captions and are
// enabled only when the caption is an existing folder.
ViewMenuState InitialViewMenus(const ViewOwner& owner);
// Entering a mode changes only the items that mode names; the others keep their state.
void EnterModeMenus(ViewMenuState& menus, int mode, bool showMenuBar);
// The catalog window's view: no file commands in its pop-up (the menu bar keeps them).
void HideFileCommands(ViewMenuState& menus);

// --- navigation --------------------------------------------------------------------------
// Each returns whether the window shows the (new) current file.
bool ViewNext(FileList& list, Dialogs& dialogs);
bool ViewPrev(FileList& list, Dialogs& dialogs);
bool ViewFirst(FileList& list);
bool ViewLast(FileList& list);

// --- pictures ----------------------------------------------------------------------------
// (JpegScaleFor and ScaleJpegFor, the DCT scale for a display, come with imaging/Jpeg.h.)

// A file's picture for each display mode, made on whatever thread (each uses only what it
// is given). Full screen: the picture in an fw x fh window (s from the screen), decoded
// at the DCT scale that covers its control and drawn on `background`.
TMadePicture MakeFullScreenPicture(const std::string& path, int fw, int fh, float s,
                                   TColor background);
// Fit: the picture in the work area, drawn as the control shows it (stretched, or at its
// own size when the window would be too narrow).
TMadePicture MakeFitPicture(const std::string& path, const TRect& workArea, const TBorders& borders,
                            TColor background);
// Real size: decoded in full, with the copy the control shows.
TMadePicture MakeRealPicture(const std::string& path);

// --- the surface ---------------------------------------------------------------------------

// One display, for the window to apply.
struct TViewFrame {
  int Mode = kModeReal;
  TRect Window;  // outer bounds; the screen in full-screen mode
  TRect Control;
  bool HorzScroll = false, VertScroll = false;
  const TBitmap* Shown = nullptr;  // the control's picture, 24 or 32 bits (null: none)
  TColor Background = 0;
  bool NoPicture = false;
  bool TextInControl = false;  // "No Picture": drawn in the control, else on the window
  TPoint TextAt;
};

class ViewSurface {
 public:
  virtual ~ViewSurface() = default;
  // Border, colours, menus, cLabel and full screen for the mode.
  virtual void ApplyMode(int mode, const ViewMenuState& menus) = 0;
  // Menu items' visibility, enabling and captions only.
  virtual void PaintMenus(const ViewMenuState& menus) = 0;
  // The system's button-face colour, the window's colour in real size and fit.
  virtual TColor FaceColor() = 0;
  virtual void SetBusy(bool busy) = 0;
  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetLabel(const std::string& text) = 0;
  // The image control empty, scroll ranges 0.
  virtual void ClearPicture() = 0;
  // Outer minus client size now, with the mode's menu bar.
  virtual TBorders Borders() = 0;
  virtual void ShowFrame(const TViewFrame& frame) = 0;
  // The band's outline over the picture (corners inclusive), or none.
  virtual void ShowBand(const std::optional<TRect>& band) = 0;
  virtual void SetScreenCursor(int id) = 0;  // 0 the default cursor
  virtual TPoint ScrollPos() = 0;
  virtual void SetScrollPos(const TPoint& pos) = 0;
  virtual TPoint ClientSize() = 0;  // of the visible picture area
  virtual void CloseWindow() = 0;
};

struct ViewEnv {
  FileList& List;
  AppSettings& Settings;
  Dialogs& Dlg;
  Platform& Plat;
};

// The view window's state and display steps.
class TViewer {
 public:
  TViewer(ViewEnv env, ViewSurface& surface, const ViewOwner& owner);
  ~TViewer();

  // Makes the neighbours of the shown picture ahead on a worker thread (off at first).
  void UseLookAhead(bool on);
  TLookAhead* LookAhead() { return ahead_.get(); }

  // --- entry points ---
  void ShowReal();  // honours KeepWorkPicture
  void ShowFit();
  void ShowFull();
  void Redisplay();
  // After the current file left the list: the follower, or the message and close.
  void AfterRemoval();
  // Replaces the picture by what `transform` makes of the shown bitmap and shows it at
  // real size without reading the file. A transform that throws changes nothing. `turn`
  // says the transform is that turn (a JPEG may then be saved by turning its data).
  void TransformShown(const std::function<TBitmap(const TBitmap&)>& transform,
                      std::optional<TTurn> turn = std::nullopt);

  // --- commands ---
  void mnVNextClick();
  void mnVPrevClick();
  void mnVFirstClick();
  void mnVLastClick();
  void pmVRealClick();
  void mnVWallCenterClick();
  void mnVWallAllClick();
  void mnVWallUndoClick();
  void ScrollBy(int dx, int dy);

  // Image edits: the picture in memory only, real size only.
  void mnVTrimingClick();
  void mnRightRotateClick();
  void mnLeftRotateClick();
  void mnHorizonClick();
  void mnVerticalClick();
  // Writes WorkPicture over the current file by its extension; nothing for others.
  void mnVSaveClick();
  void mnVSaveAsClick();
  // File commands on the current file on disk.
  void mnVRenameClick();
  void mnVCpyClick(int slot);
  void mnVCpyAnotherClick();
  void mnVMoveClick(int slot);
  void mnVMoveAnotherClick();
  void mnVDelClick();
  // The conversion submenu opens: its items by the current file's extension.
  void mnVConvertClick();
  void mnVConvertKindClick(int kind);

  // --- mouse on the image (image-control coordinates) ---
  void MouseDown(int x, int y, bool left, bool shift);
  void MouseMove(int x, int y);
  void MouseUp(int x, int y, bool left);

  // --- state ---
  int16_t DisplayMode = kModeReal;
  bool ShowMenuBar = false;
  std::unique_ptr<TPicture> WorkPicture;
  bool KeepWorkPicture = false;
  TRect WorkArea;
  int ShownWidth = 0, ShownHeight = 0;
  TRect BandRect;  // x1, y1, x2, y2 as last drawn
  TRect TrimRect;  // normalised, corners inclusive; all 0 = none
  bool Selecting = false;
  bool Panning = false;
  TPoint PanAnchor;

  ViewMenuState Menus;
  const TBitmap& ShownBitmap() const { return shown_; }
  bool ShowingNoPicture() const { return noPicture_; }
  // How many times a file was read for display (one per shown picture).
  int Loads() const { return loads_; }

 private:
  void EnterMode(int mode);
  // The current file's picture for `display`: made ahead, or by `maker` here. A failure
  // leaves an empty WorkPicture, never the previous file's.
  TMadePicture TakeCurrent(const std::string& display, const TPictureMaker& maker);
  // After a picture (or "No Picture") is shown: its neighbours are made next.
  void MadeShown();
  void ShowNoPicture();
  void ShowShown(TViewFrame frame);
  void HideBand();
  // A quarter turn or flip of the shown bitmap; a 1-bit picture gets the message and
  // stays as it is.
  void Edit(TTurn turn);
  FileOpEnv OpEnv();
  RemovalStep Removal();
  TPoint Clamp(int x, int y) const;
  TColor Background() const;
  void TaskBar(bool hidden);

  ViewEnv env_;
  ViewSurface& surface_;
  ViewOwner owner_;
  TBitmap shown_;    // what the image control holds (transforms start from it)
  TBitmap display_;  // shown_ made opaque 32 bits when it cannot be drawn as it is
  bool noPicture_ = false;
  bool taskBarHidden_ = false;
  int loads_ = 0;
  std::unique_ptr<TLookAhead> ahead_;
};

// --- the main window's openers ------------------------------------------------------------

// What the main window does around a view window.
struct ViewOpenerHost {
  std::function<void()> ClearPreview;  // remove the preview picture
  std::function<void()> HideMain;      // the main window and the folder chooser
  std::function<void()> ShowMain;
  std::function<void()> Repaint;
  std::function<void()> RefreshPreview;  // the preview step for the list's selection
};

// Real size and fit hide the main window for the view, full screen covers it; afterwards
// the preview follows the list's selection. `runView(mode)` makes the view window, enters
// the mode, runs it modally and releases it. Nothing happens without a current file.
void RunViewOpener(int mode, const FileList& list, const ViewOpenerHost& host,
                   const std::function<void(int)>& runView);

}  // namespace verid
