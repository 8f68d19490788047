#include "view/View.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/Browse.h"
#include "imaging/Jpeg.h"
#include "imaging/Transforms.h"
#include "support/FakePlatform.h"
#include "support/ImageBuilders.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace verid {
namespace {

using test::FakePlatform;
using test::ScriptedDialogs;
using test::TempDir;

// Records what the viewer asks of its window.
class FakeSurface : public ViewSurface {
 public:
  std::vector<std::string> log;
  TViewFrame frame;
  std::optional<TRect> band;
  std::string caption, label;
  TPoint scroll, client{100, 80};
  int cursor = 0;
  bool closed = false;
  int busy = 0;

  void ApplyMode(int mode, const ViewMenuState&) override {
    log.push_back("mode " + std::to_string(mode));
  }
  void PaintMenus(const ViewMenuState&) override { log.push_back("menus"); }
  TColor FaceColor() override { return RGBColor(212, 208, 200); }
  void SetBusy(bool on) override { busy += on ? 1 : -1; }
  void SetCaption(const std::string& text) override {
    caption = text;
    log.push_back("caption " + text);
  }
  void SetLabel(const std::string& text) override { label = text; }
  void ClearPicture() override { log.push_back("clear"); }
  TBorders Borders() override { return {8, 34, 16}; }
  void ShowFrame(const TViewFrame& f) override {
    frame = f;
    log.push_back(f.NoPicture ? "no picture" : "frame");
  }
  void ShowBand(const std::optional<TRect>& b) override { band = b; }
  void SetScreenCursor(int id) override { cursor = id; }
  TPoint ScrollPos() override { return scroll; }
  void SetScrollPos(const TPoint& pos) override {
    // Clamped to the picture, as scroll bars are.
    scroll = {std::clamp(pos.X, 0, std::max(frame.Control.Width() - client.X, 0)),
              std::clamp(pos.Y, 0, std::max(frame.Control.Height() - client.Y, 0))};
  }
  TPoint ClientSize() override { return client; }
  void CloseWindow() override {
    closed = true;
    log.push_back("close");
  }
};

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform.workArea = TRect{0, 0, 1024, 738};
    platform.screen = TRect{0, 0, 1024, 768};
  }
  // Files named a.bmp, b.bmp, ... of the given sizes; the list opened on them.
  void Files(std::vector<std::pair<int, int>> sizes) {
    char name = 'a';
    for (auto [w, h] : sizes) {
      test::Pattern(w, h, TPixelFormat::pf24bit, uint32_t(name))
          .SaveToFile(dir / (std::string(1, name) + ".bmp"));
      ++name;
    }
    list.SetFolder(dir.Path());
    list.SetItemIndex(0);
  }
  TViewer& Viewer() {
    if (!viewer)
      viewer =
          std::make_unique<TViewer>(ViewEnv{list, settings, dialogs, platform}, surface, owner);
    return *viewer;
  }

  TempDir dir;
  FileList list;
  AppSettings settings;
  ScriptedDialogs dialogs;
  FakePlatform platform;
  FakeSurface surface;
  ViewOwner owner;
  std::unique_ptr<TViewer> viewer;
};

TEST_F(ViewTest, CaptionIsTheNameAndThePosition) {
  Files({{4, 4}, {4, 4}, {4, 4}});
  list.SetItemIndex(2);
  EXPECT_EQ(ViewCaption(list), "c.bmp  [3/3]");
}

TEST_F(ViewTest, EachModeLaysOutTheShownPicture) {
  Files({{200, 100}});
  TViewer& v = Viewer();
  v.ShowReal();
  EXPECT_EQ(surface.frame.Window, Bounds(0, 0, 300, 134));
  EXPECT_EQ(surface.frame.Control, Bounds(0, 0, 200, 100));
  EXPECT_EQ(v.ShownWidth, 200);
  EXPECT_EQ(surface.caption, "a.bmp  [1/1]");
  v.ShowFull();
  EXPECT_EQ(surface.frame.Window, Bounds(0, 0, 1024, 768));
  EXPECT_EQ(surface.frame.Control, Bounds(412, 334, 200, 100));
  EXPECT_EQ(surface.label, "a.bmp  [1/1]");
  ASSERT_NE(surface.frame.Shown, nullptr);
  EXPECT_EQ(surface.frame.Shown->Width(), 200);
  EXPECT_EQ(surface.busy, 0);
}

TEST_F(ViewTest, FitKeepsTheClientSizeRenderingAlsoInATooNarrowWindow) {
  Files({{2048, 1000}, {200, 2000}});
  TViewer& v = Viewer();
  v.ShowFit();
  EXPECT_EQ(surface.frame.Window, Bounds(0, 0, 1024, 500));
  EXPECT_EQ(v.WorkPicture->Width(), 1016);
  EXPECT_EQ(v.WorkPicture->Height(), 466);
  v.mnVNextClick();
  EXPECT_EQ(surface.frame.Window, Bounds(0, 0, 73, 738));
  EXPECT_EQ(surface.frame.Control, Bounds(0, 0, 200, 704));
  // Shown clipped at its own size, while Save still writes the client-size rendering.
  EXPECT_EQ(v.ShownBitmap().Width(), 200);
  EXPECT_EQ(v.ShownBitmap().Height(), 2000);
  EXPECT_EQ(v.WorkPicture->Width(), 65);
  EXPECT_EQ(v.WorkPicture->Height(), 704);
}

TEST_F(ViewTest, NoPictureInEachMode) {
  dir.Write("x.bmp", std::string("not a bitmap"));
  list.SetFolder(dir.Path());
  list.SetItemIndex(0);
  TViewer& v = Viewer();
  for (auto show : {&TViewer::ShowReal, &TViewer::ShowFit}) {
    v.ShownWidth = v.ShownHeight = 7;
    (v.*show)();
    EXPECT_TRUE(surface.frame.NoPicture);
    EXPECT_EQ(surface.frame.Window, Bounds(0, 0, 300, 180));
    EXPECT_EQ(surface.frame.Control, TRect{});
    EXPECT_FALSE(surface.frame.TextInControl);
    EXPECT_EQ(surface.frame.TextAt, (TPoint{120, 60}));
    EXPECT_EQ(v.ShownWidth, 0);
    EXPECT_EQ(v.ShownHeight, 0);
  }
  v.ShowFull();
  EXPECT_TRUE(surface.frame.NoPicture);
  EXPECT_EQ(surface.frame.Control, Bounds(437, 309, 150, 150));
  EXPECT_TRUE(surface.frame.TextInControl);
  EXPECT_EQ(surface.frame.TextAt, (TPoint{45, 65}));
  EXPECT_EQ(surface.busy, 0);
}

TEST_F(ViewTest, OtherLoadErrorsReachTheCallerAfterTheModeIsEntered) {
  Files({{4, 4}});
  std::filesystem::remove(dir / "a.bmp");
  TViewer& v = Viewer();
  EXPECT_THROW(v.ShowFit(), std::exception);
  EXPECT_EQ(v.DisplayMode, kModeFit);
  EXPECT_EQ(surface.log.back(), "clear");
  EXPECT_EQ(surface.busy, 0);
}

TEST_F(ViewTest, NavigationAtBothEndsAsksAndRedisplaysOnlyOnYes) {
  Files({{4, 4}, {5, 5}, {6, 6}});
  TViewer& v = Viewer();
  v.ShowReal();
  v.mnVLastClick();
  EXPECT_EQ(list.ItemIndex(), 2);
  const int loads = v.Loads();
  dialogs.AnswerMessage(MsgButton::No);
  v.mnVNextClick();
  EXPECT_EQ(dialogs.LastMessage().Text, kLastFileQuestion);
  EXPECT_EQ(list.ItemIndex(), 2);
  EXPECT_EQ(v.Loads(), loads);  // no reload
  dialogs.AnswerMessage(MsgButton::Yes);
  v.mnVNextClick();
  EXPECT_EQ(list.ItemIndex(), 0);
  EXPECT_EQ(v.ShownWidth, 4);

  dialogs.AnswerMessage(MsgButton::No);
  v.mnVPrevClick();
  EXPECT_EQ(dialogs.LastMessage().Text, kFirstFileQuestion);
  EXPECT_EQ(list.ItemIndex(), 0);
  dialogs.AnswerMessage(MsgButton::Yes);
  v.mnVPrevClick();
  EXPECT_EQ(list.ItemIndex(), 2);
  EXPECT_EQ(v.ShownWidth, 6);
  v.mnVFirstClick();  // no question
  EXPECT_EQ(v.ShownWidth, 4);
  EXPECT_TRUE(dialogs.AllAnswersUsed());
}

TEST_F(ViewTest, EveryStepReadsTheFileOnce) {
  Files({{40, 30}, {50, 30}, {60, 30}});
  TViewer& v = Viewer();
  v.ShowFull();
  v.mnVNextClick();
  v.mnVNextClick();
  EXPECT_EQ(v.Loads(), 3);
}

TEST_F(ViewTest, LargeJpegIsDecodedAtTheScaleThatCoversTheControl) {
  TJPEGImage jpeg;
  jpeg.Assign(test::Pattern(800, 600, TPixelFormat::pf24bit));
  jpeg.SaveToFile(dir / "big.jpg");
  list.SetFolder(dir.Path());
  list.SetItemIndex(0);
  platform.screen = TRect{0, 0, 230, 180};  // a 200 x 150 control
  TViewer& v = Viewer();
  v.ShowFull();
  auto* shown = dynamic_cast<TJPEGImage*>(v.WorkPicture->Graphic());
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->Scale(), TJPEGScale::jsQuarter);
  EXPECT_EQ(surface.frame.Control, Bounds(15, 15, 200, 150));
  // Real size always decodes in full.
  v.ShowReal();
  EXPECT_EQ(v.ShownWidth, 800);
  EXPECT_EQ(v.ShownBitmap().Width(), 800);
}

TEST(JpegScaleFor, SmallestScaleThatStillCovers) {
  EXPECT_EQ(JpegScaleFor(4000, 3000, 1016, 762), 2);
  EXPECT_EQ(JpegScaleFor(4000, 3000, 994, 745), 4);
  EXPECT_EQ(JpegScaleFor(4000, 3000, 400, 300), 8);
  EXPECT_EQ(JpegScaleFor(4000, 3000, 300, 200), 8);
  EXPECT_EQ(JpegScaleFor(4001, 3000, 1000, 750), 4);  // rounded up sides still cover
  // Not more than twice the target in both directions: full size.
  EXPECT_EQ(JpegScaleFor(4000, 3000, 2000, 100), 1);
  EXPECT_EQ(JpegScaleFor(4000, 1500, 100, 750), 1);
  EXPECT_EQ(JpegScaleFor(4000, 3000, 0, 0), 1);
}

TEST_F(ViewTest, AfterRemovalShowsTheFollowerOrClosesOnAnEmptyList) {
  Files({{4, 4}, {5, 5}});
  TViewer& v = Viewer();
  v.ShowFull();
  list.Delete(0);
  list.SetItemIndex(0);
  v.AfterRemoval();
  EXPECT_EQ(surface.label, "b.bmp  [1/1]");
  EXPECT_FALSE(surface.closed);

  list.Delete(0);
  list.SetItemIndex(0);
  surface.log.clear();
  v.AfterRemoval();
  EXPECT_EQ(dialogs.MessageTexts().back(), kNoFilesLeft);
  EXPECT_EQ(dialogs.LastMessage().Kind, MsgKind::Information);
  EXPECT_EQ(surface.log, (std::vector<std::string>{"clear", "caption ", "close"}));
  EXPECT_EQ(surface.label, "");
}

TEST_F(ViewTest, TransformedPictureIsShownWithoutReadingTheFileAgain) {
  Files({{40, 30}});
  TViewer& v = Viewer();
  v.ShowReal();
  v.TransformShown([](const TBitmap& b) { return RotateRight90(b); });
  EXPECT_EQ(v.ShownWidth, 30);
  EXPECT_EQ(v.Loads(), 1);
  EXPECT_FALSE(v.KeepWorkPicture);  // used once
  v.ShowReal();
  EXPECT_EQ(v.ShownWidth, 40);
}

TEST_F(ViewTest, FailedTransformLeavesNothingKept) {
  Files({{40, 30}});
  TViewer& v = Viewer();
  v.ShowReal();
  EXPECT_THROW(
      v.TransformShown([](const TBitmap&) -> TBitmap { throw ERotateError("Illegal Bitmap"); }),
      ERotateError);
  EXPECT_FALSE(v.KeepWorkPicture);
  EXPECT_EQ(v.WorkPicture->Width(), 40);
  v.ShowReal();
  EXPECT_EQ(v.Loads(), 2);  // the file, not a half-changed picture
}

TEST_F(ViewTest, ShiftDragBandIsClampedAndNormalised) {
  Files({{200, 150}});
  TViewer& v = Viewer();
  v.ShowReal();
  v.MouseDown(10, 20, true, true);
  EXPECT_TRUE(v.Selecting);
  EXPECT_EQ(surface.cursor, 1);
  v.MouseMove(5, 8);
  EXPECT_EQ(surface.band, (TRect{5, 8, 10, 20}));
  v.MouseMove(500, -40);  // beyond the picture
  EXPECT_EQ(surface.band, (TRect{10, 0, 199, 20}));
  v.MouseUp(900, 900, true);
  EXPECT_EQ(v.TrimRect, (TRect{10, 20, 199, 149}));
  EXPECT_EQ(surface.band, v.TrimRect);  // stays drawn
  EXPECT_EQ(surface.cursor, 0);
  EXPECT_FALSE(v.Selecting);
  // A plain press takes the band and its selection away.
  v.MouseDown(50, 50, true, false);
  EXPECT_EQ(surface.band, std::nullopt);
  EXPECT_EQ(v.TrimRect, TRect{});
}

TEST_F(ViewTest, BandScrollsOnlyWhenDraggedPastTheVisiblePart) {
  Files({{400, 300}});
  TViewer& v = Viewer();
  v.ShowReal();
  surface.scroll = {150, 0};
  v.MouseDown(200, 10, true, true);
  v.MouseMove(240, 20);  // inside the 100-wide visible part: no scrolling
  EXPECT_EQ(surface.scroll, (TPoint{150, 0}));
  v.MouseMove(260, 20);
  EXPECT_EQ(surface.scroll, (TPoint{160, 0}));
  v.MouseMove(260, 90);  // now inside horizontally, below the bottom
  EXPECT_EQ(surface.scroll, (TPoint{160, 10}));
}

TEST_F(ViewTest, HandScrollingFollowsThePointerInRealSizeOnly) {
  Files({{400, 300}});
  TViewer& v = Viewer();
  v.ShowReal();
  surface.scroll = {100, 100};
  v.MouseDown(150, 150, true, false);
  EXPECT_EQ(surface.cursor, 2);
  v.MouseMove(140, 130);  // pointer moved 10 left, 20 up
  EXPECT_EQ(surface.scroll, (TPoint{110, 120}));
  v.MouseUp(140, 130, true);
  EXPECT_FALSE(v.Panning);
  EXPECT_EQ(surface.cursor, 0);
  // Right button, or another mode: nothing.
  v.MouseDown(10, 10, false, false);
  EXPECT_FALSE(v.Panning);
  v.ShowFit();
  v.MouseDown(10, 10, true, true);
  EXPECT_FALSE(v.Selecting);
}

TEST_F(ViewTest, TaskBarIsHiddenForFullScreenOnly) {
  Files({{4, 4}});
  {
    TViewer& v = Viewer();
    v.ShowFull();
    EXPECT_EQ(platform.taskBarHidden, 1);
    v.ShowFit();
    EXPECT_EQ(platform.taskBarHidden, 0);
    v.ShowFull();
    viewer.reset();
  }
  EXPECT_EQ(platform.taskBarHidden, 0);
}

TEST_F(ViewTest, WallpaperCommandsGoToTheOwnerAndSetTheUndoItem) {
  Files({{4, 4}});
  int calls = 0;
  owner.WallCenter = [&] { return ++calls > 0; };
  owner.WallUndo = [&] { return false; };
  TViewer& v = Viewer();
  EXPECT_FALSE(v.Menus.IsEnabled("mnVWallUndo"));
  v.mnVWallCenterClick();
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(v.Menus.IsEnabled("mnVWallUndo"));
  v.mnVWallUndoClick();
  EXPECT_FALSE(v.Menus.IsEnabled("mnVWallUndo"));
  v.mnVWallAllClick();  // no tile command given: nothing
  EXPECT_FALSE(v.Menus.IsEnabled("mnVWallUndo"));
}

TEST(ViewMenus, ModesChangeOnlyTheItemsTheyName) {
  ViewMenuState m = InitialViewMenus(ViewOwner{});
  EnterModeMenus(m, kModeFull, true);
  EXPECT_FALSE(m.MenuBar);
  for (const char* hidden : {"pmTriming", "N3", "pmVSave", "pmVSaveAs", "N4", "pmVFul"})
    EXPECT_FALSE(m.Visible(hidden)) << hidden;
  EXPECT_TRUE(m.Visible("pmVReal"));
  EXPECT_TRUE(m.Visible("pmVFit"));
  EnterModeMenus(m, kModeReal, true);
  EXPECT_TRUE(m.MenuBar);
  EXPECT_TRUE(m.Visible("pmTriming"));
  // Hidden by full screen, and not named by real size: still hidden.
  for (const char* hidden : {"N3", "pmVSave", "pmVSaveAs", "N4", "pmVReal", "pmVFit", "pmVFul"})
    EXPECT_FALSE(m.Visible(hidden)) << hidden;
  EnterModeMenus(m, kModeFit, true);
  EXPECT_FALSE(m.MenuBar);
  EXPECT_TRUE(m.Visible("pmVReal"));
  EXPECT_TRUE(m.Visible("pmVFul"));
  EXPECT_FALSE(m.Visible("pmVFit"));
  EXPECT_FALSE(m.Visible("pmVertical"));
  EnterModeMenus(m, kModeReal, false);
  EXPECT_FALSE(m.MenuBar);
}

TEST(ViewMenus, SlotsTakeTheOwnersCaptionsAndNeedAnExistingFolder) {
  TempDir dir;
  ViewOwner owner;
  owner.CopyCaptions[2] = dir.Path();
  owner.MoveCaptions[7] = dir.Path() + "/gone";
  owner.WallUndoEnabled = true;
  ViewMenuState m = InitialViewMenus(owner);
  EXPECT_EQ(m.Captions["mnVCpy3"], dir.Path());
  EXPECT_EQ(m.Captions["pmVCpy1"], kUnsetFolder);
  EXPECT_TRUE(m.IsEnabled("mnVCpy3"));
  EXPECT_TRUE(m.IsEnabled("pmVCpy3"));
  EXPECT_FALSE(m.IsEnabled("mnVCpy1"));
  EXPECT_FALSE(m.IsEnabled("pmVMove8"));
  EXPECT_EQ(m.Captions["mnVMove8"], dir.Path() + "/gone");
  EXPECT_TRUE(m.IsEnabled("mnVWallUndo"));
  HideFileCommands(m);
  for (const char* hidden : {"pmVRename", "pmVCopy", "pmVMove", "pmVDel", "N2", "N1"})
    EXPECT_FALSE(m.Visible(hidden)) << hidden;
}

TEST(ViewMenus, MainWindowOwnerShowsUnsetSlotsAsUnset) {
  AppSettings settings;
  settings.CopyFolders[0] = "/pics/keep";
  settings.MoveFolders[3] = "";
  ViewOwner owner = ViewOwnerFor(settings, true);
  EXPECT_EQ(owner.CopyCaptions[0], "/pics/keep");
  EXPECT_EQ(owner.CopyCaptions[1], kUnsetFolder);
  EXPECT_EQ(owner.MoveCaptions[3], kUnsetFolder);
  EXPECT_TRUE(owner.WallUndoEnabled);
}

TEST(RunViewOpener, HidesTheMainWindowForRealSizeAndFitOnly) {
  TempDir dir;
  test::Pattern(4, 4, TPixelFormat::pf24bit).SaveToFile(dir / "a.bmp");
  FileList list;
  list.SetFolder(dir.Path());
  std::vector<std::string> log;
  ViewOpenerHost host{[&] { log.push_back("clear"); }, [&] { log.push_back("hide"); },
                      [&] { log.push_back("show"); }, [&] { log.push_back("repaint"); },
                      [&] { log.push_back("refresh"); }};
  auto run = [&](int mode) { log.push_back("view " + std::to_string(mode)); };

  RunViewOpener(kModeReal, list, host, run);  // nothing selected
  EXPECT_TRUE(log.empty());
  list.SetItemIndex(0);
  RunViewOpener(kModeFit, list, host, run);
  EXPECT_EQ(log,
            (std::vector<std::string>{"clear", "hide", "view 1", "repaint", "refresh", "show"}));
  log.clear();
  RunViewOpener(kModeFull, list, host, run);
  EXPECT_EQ(log, (std::vector<std::string>{"clear", "view 2", "repaint", "refresh"}));

  // A preview that fails still brings the main window back.
  log.clear();
  host.RefreshPreview = [] { throw std::runtime_error("gone"); };
  EXPECT_THROW(RunViewOpener(kModeReal, list, host, run), std::runtime_error);
  EXPECT_EQ(log.back(), "show");
}

}  // namespace
}  // namespace verid
