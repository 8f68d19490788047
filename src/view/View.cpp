#include "view/View.h"

#include <algorithm>

#include "app/Browse.h"
#include "app/Hanyou.h"
#include "app/PictureOps.h"
#include "imaging/Draw.h"
#include "imaging/Jpeg.h"
#include "imaging/Transforms.h"

namespace verid {

std::string ViewCaption(const FileList& list) {
  return ExtractFileName(list.CurrentFile()) + "  [" + list.PositionText() + "]";
}

// --- menus -------------------------------------------------------------------------------

namespace {

std::string Slot(const char* prefix, int n) {
  return prefix + std::to_string(n);
}

void SetVisible(ViewMenuState& menus, std::initializer_list<const char*> items, bool visible) {
  for (const char* item : items) menus.PopupVisible[item] = visible;
}

}  // namespace

bool ViewMenuState::Visible(const std::string& item) const {
  auto it = PopupVisible.find(item);
  return it == PopupVisible.end() || it->second;
}

bool ViewMenuState::IsEnabled(const std::string& item) const {
  auto it = Enabled.find(item);
  return it == Enabled.end() || it->second;
}

ViewOwner ViewOwnerFor(const AppSettings& settings, bool wallUndoEnabled) {
  ViewOwner owner;
  for (size_t k = 0; k < size_t(kSlotCount); ++k) {
    owner.CopyCaptions[k] =
        settings.CopyFolders[k].empty() ? kUnsetFolder : settings.CopyFolders[k];
    owner.MoveCaptions[k] =
        settings.MoveFolders[k].empty() ? kUnsetFolder : settings.MoveFolders[k];
  }
  owner.WallUndoEnabled = wallUndoEnabled;
  return owner;
}

ViewMenuState InitialViewMenus(const ViewOwner& owner) {
  ViewMenuState menus;
  for (const char* item : kViewPopupItems) menus.PopupVisible[item] = true;
  for (int n = 1; n <= kSlotCount; ++n) {
    const std::string& copy = owner.CopyCaptions[size_t(n - 1)];
    const std::string& move = owner.MoveCaptions[size_t(n - 1)];
    for (const char* prefix : {"mnVCpy", "pmVCpy"}) {
      menus.Captions[Slot(prefix, n)] = copy;
      menus.Enabled[Slot(prefix, n)] = DirectoryExists(copy);
    }
    for (const char* prefix : {"mnVMove", "pmVMove"}) {
      menus.Captions[Slot(prefix, n)] = move;
      menus.Enabled[Slot(prefix, n)] = DirectoryExists(move);
    }
  }
  menus.Enabled["mnVWallUndo"] = owner.WallUndoEnabled;
  return menus;
}

void EnterModeMenus(ViewMenuState& menus, int mode, bool showMenuBar) {
  const auto transforms = {"pmTriming", "pmRightRotate", "pmLeftRotate", "pmHorizon", "pmVertical"};
  switch (mode) {
    case kModeReal:
      menus.MenuBar = showMenuBar;
      SetVisible(menus, {"pmVReal", "pmVFit", "pmVFul"}, false);
      SetVisible(menus, transforms, true);
      break;
    case kModeFit:
      menus.MenuBar = false;
      SetVisible(menus, transforms, false);
      SetVisible(menus, {"N3", "pmVFit"}, false);
      SetVisible(menus, {"pmVReal", "pmVFul"}, true);
      break;
    case kModeFull:
      menus.MenuBar = false;
      SetVisible(menus, transforms, false);
      SetVisible(menus, {"N3", "pmVSaveAs", "pmVSave", "N4", "pmVFul"}, false);
      SetVisible(menus, {"pmVReal", "pmVFit"}, true);
      break;
  }
}

void HideFileCommands(ViewMenuState& menus) {
  SetVisible(menus, {"pmVRename", "pmVCopy", "pmVMove", "pmVDel", "N2", "N1"}, false);
}

// --- navigation --------------------------------------------------------------------------

bool ViewNext(FileList& list, Dialogs& dialogs) {
  if (list.Count() == 0) return false;
  const int index = list.ItemIndex() + 1;
  if (index > list.Count() - 1) {
    list.SetItemIndex(list.Count() - 1);
    if (!dialogs.ConfirmYesNo(kLastFileQuestion)) return false;
    list.SetItemIndex(0);
    return true;
  }
  list.SetItemIndex(index);
  return true;
}

bool ViewPrev(FileList& list, Dialogs& dialogs) {
  if (list.Count() == 0) return false;
  const int index = list.ItemIndex() - 1;
  if (index < 0) {
    list.SetItemIndex(0);
    if (!dialogs.ConfirmYesNo(kFirstFileQuestion)) return false;
    list.SetItemIndex(list.Count() - 1);
    return true;
  }
  list.SetItemIndex(index);
  return true;
}

bool ViewFirst(FileList& list) {
  list.SetItemIndex(0);
  return HasCurrentFile(list);
}

bool ViewLast(FileList& list) {
  list.SetItemIndex(list.Count() - 1);
  return HasCurrentFile(list);
}

// --- the viewer ----------------------------------------------------------------------------

namespace {

struct BusyCursor {
  explicit BusyCursor(ViewSurface& s) : surface(s) { surface.SetBusy(true); }
  ~BusyCursor() { surface.SetBusy(false); }
  ViewSurface& surface;
};

TRect Normalised(int x1, int y1, int x2, int y2) {
  return TRect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// A raster made from the shown picture: a JPEG's stays a JPEG, so a save keeps its markers.
std::unique_ptr<TGraphic> EditOf(const TGraphic* from, TBitmap raster) {
  if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(from)) {
    auto edited = std::make_unique<TJPEGImage>();
    edited->SetMarkers(jpeg->Markers());
    edited->Edited(std::move(raster));
    return edited;
  }
  return std::make_unique<TBitmap>(std::move(raster));
}

// The file's picture, loaded (not decoded yet), with its size.
TMadePicture Loaded(const std::string& path) {
  TMadePicture made;
  made.Picture = std::make_unique<TPicture>();
  made.Picture->LoadFromFile(path);
  made.Width = made.Picture->Width();
  made.Height = made.Picture->Height();
  return made;
}

}  // namespace

TMadePicture MakeFullScreenPicture(const std::string& path, int fw, int fh, float s,
                                   TColor background) {
  TMadePicture made = Loaded(path);
  made.Place = LayoutFull(made.Width, made.Height, fw, fh, s);
  TGraphic* graphic = made.Picture->Graphic();
  ScaleJpegFor(graphic, made.Place.Width(), made.Place.Height());
  if (graphic && !made.Place.IsEmpty())
    made.Rendered = DrawToRaster(*graphic, made.Place.Width(), made.Place.Height(), background);
  return made;
}

TMadePicture MakeFitPicture(const std::string& path, const TRect& workArea, const TBorders& borders,
                            TColor background) {
  TMadePicture made = Loaded(path);
  const TFitLayout layout = LayoutFit(made.Width, made.Height, workArea, borders);
  made.Place = layout.Control;
  TGraphic* graphic = made.Picture->Graphic();
  if (!graphic) return made;
  if (layout.Stretch) {
    const int cw = layout.Control.Width(), ch = layout.Control.Height();
    ScaleJpegFor(graphic, cw, ch);
    made.Rendered = DrawToRaster(*graphic, cw, ch, background);
  } else {
    made.Rendered.Assign(*graphic);
  }
  return made;
}

TMadePicture MakeRealPicture(const std::string& path) {
  TMadePicture made = Loaded(path);
  if (const TGraphic* graphic = made.Picture->Graphic()) made.Rendered.Assign(*graphic);
  return made;
}

TViewer::TViewer(ViewEnv env, ViewSurface& surface, const ViewOwner& owner)
    : env_(env), surface_(surface), owner_(owner) {
  Menus = InitialViewMenus(owner_);
  WorkArea = env_.Plat.WorkArea();
  WorkPicture = std::make_unique<TPicture>();
}

TViewer::~TViewer() {
  TaskBar(false);
}

void TViewer::TaskBar(bool hidden) {
  if (hidden == taskBarHidden_) return;
  taskBarHidden_ = hidden;
  if (hidden)
    HideTaskBar(env_.Plat);
  else
    ShowTaskBar(env_.Plat);
}

TColor TViewer::Background() const {
  return DisplayMode == kModeFull ? env_.Settings.FullScreenColor : surface_.FaceColor();
}

void TViewer::EnterMode(int mode) {
  DisplayMode = static_cast<int16_t>(mode);
  EnterModeMenus(Menus, mode, ShowMenuBar);
  surface_.ApplyMode(mode, Menus);
  HideBand();
  Selecting = Panning = false;
}

void TViewer::UseLookAhead(bool on) {
  if (on == bool(ahead_)) return;
  ahead_ = on ? std::make_unique<TLookAhead>(env_.List) : nullptr;
}

TMadePicture TViewer::TakeCurrent(const std::string& display, const TPictureMaker& maker) {
  WorkPicture = std::make_unique<TPicture>();
  ++loads_;
  const std::string path = env_.List.CurrentFile();
  TMadePicture made;
  if (ahead_) {
    ahead_->SetMaker(display, maker);
    made = ahead_->Take(path);
  } else {
    made = maker(path);
  }
  if (!made.Picture) made.Picture = std::make_unique<TPicture>();
  return made;
}

void TViewer::MadeShown() {
  if (ahead_) ahead_->Shown(env_.List.ItemIndex());
}

void TViewer::ShowShown(TViewFrame frame) {
  noPicture_ = false;
  frame.Mode = DisplayMode;
  frame.Background = Background();
  const bool drawable = (shown_.PixelFormat() == TPixelFormat::pf24bit ||
                         shown_.PixelFormat() == TPixelFormat::pf32bit) &&
                        !shown_.Transparent();
  if (drawable) {
    display_ = TBitmap();
  } else {
    display_ = DrawToRaster(shown_, shown_.Width(), shown_.Height(), frame.Background);
  }
  frame.Shown = drawable ? &shown_ : &display_;
  surface_.ShowFrame(frame);
}

void TViewer::ShowNoPicture() {
  noPicture_ = true;
  shown_ = TBitmap();
  display_ = TBitmap();
  surface_.ClearPicture();
  TViewFrame frame;
  frame.Mode = DisplayMode;
  frame.Background = Background();
  frame.NoPicture = true;
  if (DisplayMode == kModeFull) {
    const TRect screen = env_.Plat.ScreenRect();
    frame.Window = screen;
    frame.Control = NoPictureFullControl(screen.Width(), screen.Height());
    frame.TextInControl = true;
    frame.TextAt = {45, 65};
  } else {
    frame.Window = Bounds(WorkArea.Left, WorkArea.Top, kNoPictureWidth, kNoPictureHeight);
    frame.TextAt = {120, 60};
    ShownWidth = ShownHeight = 0;
  }
  surface_.ShowFrame(frame);
}

void TViewer::ShowReal() {
  EnterMode(kModeReal);
  BandRect = TrimRect = TRect{};
  BusyCursor busy(surface_);
  surface_.SetCaption(ViewCaption(env_.List));
  TaskBar(false);
  surface_.ClearPicture();
  try {
    if (KeepWorkPicture) {
      KeepWorkPicture = false;
      shown_ = TBitmap();
      if (const TGraphic* graphic = WorkPicture->Graphic()) shown_.Assign(*graphic);
    } else {
      TMadePicture made = TakeCurrent("real", MakeRealPicture);
      WorkPicture = std::move(made.Picture);
      shown_ = std::move(made.Rendered);
    }
    const int w = WorkPicture->Width(), h = WorkPicture->Height();
    ShownWidth = w;
    ShownHeight = h;
    TRealLayout layout = LayoutReal(w, h, WorkArea, surface_.Borders());
    TViewFrame frame;
    frame.Window = layout.Window;
    frame.Control = layout.Control;
    frame.HorzScroll = layout.HorzScroll;
    frame.VertScroll = layout.VertScroll;
    ShowShown(frame);
  } catch (const EInvalidGraphic&) {
    ShowNoPicture();
  }
  MadeShown();
}

void TViewer::ShowFit() {
  EnterMode(kModeFit);
  BusyCursor busy(surface_);
  surface_.SetCaption(ViewCaption(env_.List));
  TaskBar(false);
  surface_.ClearPicture();
  try {
    const TBorders borders = surface_.Borders();
    const TColor background = Background();
    const TRect workArea = WorkArea;
    const std::string display =
        "fit " + std::to_string(workArea.Left) + "," + std::to_string(workArea.Top) + "," +
        std::to_string(workArea.Right) + "," + std::to_string(workArea.Bottom) + " " +
        std::to_string(borders.Width) + "," + std::to_string(borders.Height) + "," +
        std::to_string(borders.ScrollBar) + " " + std::to_string(background);
    TMadePicture made = TakeCurrent(display, [workArea, borders, background](const std::string& p) {
      return MakeFitPicture(p, workArea, borders, background);
    });
    WorkPicture = std::move(made.Picture);
    shown_ = std::move(made.Rendered);
    TFitLayout layout = LayoutFit(made.Width, made.Height, WorkArea, borders);
    const TGraphic* graphic = WorkPicture->Graphic();
    // Save writes the client-size rendering: the picture stretched over the client area
    // (a JPEG's keeps its markers).
    auto keepRendering = [this, graphic](TBitmap rendering) {
      auto picture = std::make_unique<TPicture>();
      picture->SetGraphic(EditOf(graphic, std::move(rendering)));
      WorkPicture = std::move(picture);
    };
    if (layout.Stretch) {
      keepRendering(shown_);
    } else {
      // Shown at its own size and clipped, while the rendering saved is still the client's.
      const int cw = std::max(layout.Window.Width() - borders.Width, 0);
      const int ch = std::max(layout.Window.Height() - borders.Height, 0);
      keepRendering(graphic && cw > 0 && ch > 0 ? DrawToRaster(*graphic, cw, ch, Background())
                                                : TBitmap());
    }
    TViewFrame frame;
    frame.Window = layout.Window;
    frame.Control = layout.Control;
    ShowShown(frame);
  } catch (const EInvalidGraphic&) {
    ShowNoPicture();
  }
  MadeShown();
}

void TViewer::ShowFull() {
  EnterMode(kModeFull);
  BusyCursor busy(surface_);
  const std::string caption = ViewCaption(env_.List);
  surface_.SetCaption(caption);
  surface_.SetLabel(caption);
  TaskBar(true);
  surface_.ClearPicture();
  try {
    const TRect screen = env_.Plat.ScreenRect();
    const int sw = screen.Width(), sh = screen.Height();
    const TColor background = Background();
    const std::string display =
        "full " + std::to_string(sw) + "x" + std::to_string(sh) + " " + std::to_string(background);
    TMadePicture made = TakeCurrent(display, [sw, sh, background](const std::string& p) {
      return MakeFullScreenPicture(p, sw, sh, FullRatio(sw, sh), background);
    });
    // The picture stays whole (its JPEG data), decoded at the control's scale.
    WorkPicture = std::move(made.Picture);
    shown_ = std::move(made.Rendered);
    TViewFrame frame;
    frame.Window = screen;
    frame.Control = made.Place;
    ShowShown(frame);
  } catch (const EInvalidGraphic&) {
    ShowNoPicture();
  }
  MadeShown();
}

void TViewer::Redisplay() {
  switch (DisplayMode) {
    case kModeFit:
      ShowFit();
      break;
    case kModeFull:
      ShowFull();
      break;
    default:
      ShowReal();
  }
}

void TViewer::AfterRemoval() {
  if (HasCurrentFile(env_.List)) {
    Redisplay();
    return;
  }
  surface_.ClearPicture();
  surface_.SetCaption({});
  surface_.SetLabel({});
  env_.Dlg.Information(kNoFilesLeft);
  surface_.CloseWindow();
}

void TViewer::TransformShown(const std::function<TBitmap(const TBitmap&)>& transform,
                             std::optional<TTurn> turn) {
  // Nothing is kept until the transform has worked: a failure leaves the picture and the
  // next display as they were.
  TBitmap result = transform(shown_);
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(WorkPicture->Graphic())) {
    jpeg->Edited(std::move(result), turn);
  } else {
    auto picture = std::make_unique<TPicture>();
    picture->SetGraphic(std::make_unique<TBitmap>(std::move(result)));
    WorkPicture = std::move(picture);
  }
  KeepWorkPicture = true;
  ShowReal();
}

// --- commands ------------------------------------------------------------------------------

void TViewer::mnVNextClick() {
  if (ViewNext(env_.List, env_.Dlg)) Redisplay();
}

void TViewer::mnVPrevClick() {
  if (ViewPrev(env_.List, env_.Dlg)) Redisplay();
}

void TViewer::mnVFirstClick() {
  ViewFirst(env_.List);
  Redisplay();
}

void TViewer::mnVLastClick() {
  ViewLast(env_.List);
  Redisplay();
}

void TViewer::pmVRealClick() {
  ShowMenuBar = true;
  ShowReal();
}

void TViewer::mnVWallCenterClick() {
  if (!owner_.WallCenter) return;
  Menus.Enabled["mnVWallUndo"] = owner_.WallCenter();
  surface_.PaintMenus(Menus);
}

void TViewer::mnVWallAllClick() {
  if (!owner_.WallTile) return;
  Menus.Enabled["mnVWallUndo"] = owner_.WallTile();
  surface_.PaintMenus(Menus);
}

void TViewer::mnVWallUndoClick() {
  if (!owner_.WallUndo) return;
  Menus.Enabled["mnVWallUndo"] = owner_.WallUndo();
  surface_.PaintMenus(Menus);
}

void TViewer::ScrollBy(int dx, int dy) {
  const TPoint pos = surface_.ScrollPos();
  surface_.SetScrollPos({pos.X + dx, pos.Y + dy});
}

// --- image edits -----------------------------------------------------------------------------

void TViewer::Edit(TTurn turn) {
  if (DisplayMode != kModeReal) return;
  if (!TransformSupported(shown_)) {
    // Nothing to show that differs: the picture and what the next display keeps stay.
    ShowUnsupportedPixelFormat(env_.Dlg);
    return;
  }
  TransformShown([turn](const TBitmap& b) { return ApplyTurn(b, turn); }, turn);
}

void TViewer::mnVTrimingClick() {
  if (DisplayMode != kModeReal) return;
  if (TrimRect == TRect{}) {
    env_.Dlg.Warning(kNoTrimRangeMessage);
    return;
  }
  if (!TransformSupported(shown_)) {
    ShowUnsupportedPixelFormat(env_.Dlg);
    return;
  }
  // The band is drawn over the picture, never into it: the crop takes clean pixels.
  HideBand();
  const TRect r = TrimRect;
  TransformShown([r](const TBitmap& b) { return Trim(b, r.Left, r.Top, r.Right, r.Bottom); });
}

void TViewer::mnRightRotateClick() {
  Edit(TTurn::RotateRight);
}
void TViewer::mnLeftRotateClick() {
  Edit(TTurn::RotateLeft);
}
void TViewer::mnHorizonClick() {
  Edit(TTurn::FlipHorizontal);
}
void TViewer::mnVerticalClick() {
  Edit(TTurn::FlipVertical);
}

void TViewer::mnVSaveClick() {
  const std::string path = env_.List.CurrentFile();
  // "No Picture" has nothing to write: the file that could not be read stays as it is.
  if (path.empty() || WorkPicture->Empty()) return;
  SaveDisplayedPicture(*WorkPicture->Graphic(), path, env_.Settings);
}

void TViewer::mnVSaveAsClick() {
  if (!HasCurrentFile(env_.List)) return;
  const FileDialogRequest request = SaveAsDialogRequest(env_.List.CurrentFile(), env_.Settings);
  std::optional<FileDialogResult> chosen = env_.Dlg.SaveFile(request);
  if (!chosen) return;
  env_.Settings.SaveDir = ExtractFilePath(chosen->FileName);
  if (WorkPicture->Empty()) return;
  // The format follows the name's extension; a name typed without one takes the type
  // chosen in the dialog.
  SaveDisplayedPictureAs(*WorkPicture->Graphic(),
                         WithChosenExtension(chosen->FileName, request, chosen->FilterIndex),
                         env_.Settings);
}

// --- file commands -----------------------------------------------------------------------------

FileOpEnv TViewer::OpEnv() {
  return FileOpEnv{env_.List, env_.Settings, env_.Dlg, env_.Plat};
}

RemovalStep TViewer::Removal() {
  RemovalStep step;
  step.Remove = owner_.RemoveEntry;
  step.FollowUp = [this] { AfterRemoval(); };
  step.MessageBeforeRemovalOnPlainMove = true;
  return step;
}

void TViewer::mnVRenameClick() {
  if (!owner_.Rename) return;
  owner_.Rename();
  // Full screen keeps the label's old name; only the window caption follows.
  surface_.SetCaption(ViewCaption(env_.List));
}

void TViewer::mnVCpyClick(int slot) {
  if (slot < 1 || slot > kSlotCount) return;
  CopyToFolder(OpEnv(), env_.Settings.CopyFolders[size_t(slot - 1)]);
}

void TViewer::mnVCpyAnotherClick() {
  if (ChooseOtherFolder(env_.Settings, env_.Dlg)) CopyToFolder(OpEnv(), env_.Settings.OtherFolder);
}

void TViewer::mnVMoveClick(int slot) {
  if (slot < 1 || slot > kSlotCount) return;
  MoveToFolder(OpEnv(), env_.Settings.MoveFolders[size_t(slot - 1)], Removal());
}

void TViewer::mnVMoveAnotherClick() {
  if (ChooseOtherFolder(env_.Settings, env_.Dlg))
    MoveToFolder(OpEnv(), env_.Settings.OtherFolder, Removal());
}

void TViewer::mnVDelClick() {
  DeleteCurrent(OpEnv(), Removal());
}

void TViewer::mnVConvertClick() {
  static constexpr const char* kNames[6] = {"mnVConvertBtoJ", "mnVConvertBtoP", "mnVConvertJtoB",
                                            "mnVConvertJtoP", "mnVConvertPtoB", "mnVConvertPtoJ"};
  const ConvertMenuState state = ConvertEntriesFor(env_.List.CurrentFile());
  for (int kind = 0; kind < 6; ++kind) Menus.Enabled[kNames[kind]] = state.Enabled[kind];
  surface_.PaintMenus(Menus);
}

void TViewer::mnVConvertKindClick(int kind) {
  if (owner_.Convert && kind >= 0 && kind < 6) owner_.Convert(kind);
}

// --- mouse -----------------------------------------------------------------------------------

TPoint TViewer::Clamp(int x, int y) const {
  return {std::clamp(x, 0, std::max(shown_.Width() - 1, 0)),
          std::clamp(y, 0, std::max(shown_.Height() - 1, 0))};
}

void TViewer::HideBand() {
  surface_.ShowBand(std::nullopt);
}

void TViewer::MouseDown(int x, int y, bool left, bool shift) {
  if (DisplayMode != kModeReal || !left || shown_.Empty()) return;
  if (!shift) {
    Panning = true;
    surface_.SetScreenCursor(2);
    PanAnchor = {x, y};
  }
  // The band is gone, and with it the selection it showed.
  HideBand();
  BandRect = TRect{x, y, x, y};
  TrimRect = TRect{};
  if (shift) {
    Selecting = true;
    surface_.SetScreenCursor(1);
  }
}

void TViewer::MouseMove(int x, int y) {
  if (DisplayMode != kModeReal) return;
  if (Selecting) {
    // Dragging past the visible part's right or bottom edge brings more into view.
    const TPoint pos = surface_.ScrollPos(), client = surface_.ClientSize();
    TPoint next = pos;
    if (x - pos.X > client.X) next.X += kBandAutoScroll;
    if (y - pos.Y > client.Y) next.Y += kBandAutoScroll;
    if (!(next == pos)) surface_.SetScrollPos(next);
    const TPoint p = Clamp(x, y);
    BandRect.Right = p.X;
    BandRect.Bottom = p.Y;
    surface_.ShowBand(Normalised(BandRect.Left, BandRect.Top, p.X, p.Y));
  } else if (Panning) {
    // The anchor stays: the grabbed point of the picture follows the pointer.
    const TPoint pos = surface_.ScrollPos();
    surface_.SetScrollPos({pos.X - (x - PanAnchor.X), pos.Y - (y - PanAnchor.Y)});
  }
}

void TViewer::MouseUp(int x, int y, bool left) {
  if (DisplayMode != kModeReal || !left) return;
  if (Selecting) {
    Selecting = false;
    surface_.SetScreenCursor(0);
    const TPoint p = Clamp(x, y);
    BandRect.Right = p.X;
    BandRect.Bottom = p.Y;
    TrimRect = Normalised(BandRect.Left, BandRect.Top, p.X, p.Y);
    surface_.ShowBand(TrimRect);
  }
  if (Panning) {
    Panning = false;
    surface_.SetScreenCursor(0);
  }
}

// --- openers -----------------------------------------------------------------------------------

void RunViewOpener(int mode, const FileList& list, const ViewOpenerHost& host,
                   const std::function<void(int)>& runView) {
  if (!HasCurrentFile(list)) return;
  if (host.ClearPreview) host.ClearPreview();
  const bool hide = mode != kModeFull;
  if (hide && host.HideMain) host.HideMain();
  // The main window comes back whatever happens below: a hidden main window and no other
  // window would leave nothing to close the program with.
  struct ShowAgain {
    const ViewOpenerHost& host;
    bool on;
    ~ShowAgain() {
      if (!on || !host.ShowMain) return;
      try {
        host.ShowMain();
      } catch (...) {
      }
    }
  } showAgain{host, hide};
  runView(mode);
  if (host.Repaint) host.Repaint();
  if (host.RefreshPreview) host.RefreshPreview();
}

}  // namespace verid
