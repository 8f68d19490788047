#include "view/WPaper.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/Graphic.h"
#include "imaging/Jpeg.h"
#include "support/FakePlatform.h"
#include "support/ImageBuilders.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::FakePlatform;
using test::Pattern;
using test::ScriptedDialogs;
using test::TempDir;

class WallPaperTest : public ::testing::Test {
 protected:
  void SetUp() override { platform.wallpaperFolder = NativePath(dir / "data/Verid"); }

  std::string Picture(const std::string& name, int w, int h, uint32_t seed) {
    std::string path = dir / name;
    Pattern(w, h, TPixelFormat::pf24bit, seed).SaveToFile(path);
    return path;
  }
  TBitmap CopyOnDisk() {
    TBitmap b;
    b.LoadFromFile(paper.CopyPath());
    return b;
  }

  TempDir dir;
  FakePlatform platform;
  ScriptedDialogs dialogs;
  TWallPaper paper{platform, dialogs};
};

TEST_F(WallPaperTest, CentreThenUndoWithoutAnEarlierWallpaper) {
  std::string a = Picture("a.bmp", 20, 10, 1);
  EXPECT_FALSE(paper.CanUndo());
  ASSERT_TRUE(paper.CenterWallpaper(a));
  EXPECT_EQ(paper.CopyPath(), NativePath(dir / "data/Verid/Verid_WPaper.bmp"));
  EXPECT_EQ(platform.wallpaper.Path, paper.CopyPath());
  EXPECT_EQ(test::CompareRGB(CopyOnDisk(), Pattern(20, 10, TPixelFormat::pf24bit, 1)), "");
  EXPECT_TRUE(paper.CanUndo());

  paper.UndoWallpaper();
  EXPECT_EQ(platform.wallpaper, WallpaperSetting{});
  EXPECT_FALSE(fs::exists(paper.CopyPath()));  // nothing names it any more
  EXPECT_FALSE(paper.CanUndo());
  EXPECT_EQ(
      platform.wallpaperCalls,
      (std::vector<std::string>{"read", "apply " + paper.CopyPath() + " centered", "restore "}));
  EXPECT_TRUE(dialogs.Calls().empty());
}

TEST_F(WallPaperTest, UndoPutsBackTheEarlierSettingExactly) {
  std::string own = Picture("holiday.bmp", 8, 8, 3);
  const WallpaperSetting before{
      own, {{"style", "zoom", true}, {"picture", own, true}, {"dark", "", false}}};
  platform.wallpaper = before;
  ASSERT_TRUE(paper.TileWallpaper(Picture("a.bmp", 20, 10, 1)));
  EXPECT_EQ(platform.wallpaperCalls.back(), "apply " + paper.CopyPath() + " tiled");
  paper.UndoWallpaper();
  EXPECT_EQ(platform.wallpaper, before);
  EXPECT_TRUE(fs::exists(own));
}

TEST_F(WallPaperTest, SecondChangeThenUndoShowsTheFirstPictureAgain) {
  std::string a = Picture("a.bmp", 20, 10, 1), b = Picture("b.bmp", 12, 30, 2);
  ASSERT_TRUE(paper.CenterWallpaper(a));
  ASSERT_TRUE(paper.CenterWallpaper(b));
  EXPECT_EQ(test::CompareRGB(CopyOnDisk(), Pattern(12, 30, TPixelFormat::pf24bit, 2)), "");
  paper.UndoWallpaper();
  EXPECT_EQ(platform.wallpaper.Path, paper.CopyPath());
  EXPECT_EQ(test::CompareRGB(CopyOnDisk(), Pattern(20, 10, TPixelFormat::pf24bit, 1)), "");
  EXPECT_FALSE(paper.CanUndo());  // one step only
}

TEST_F(WallPaperTest, TiledJpegBecomesABmpCopyOfTheSameSize) {
  TJPEGImage jpeg;
  jpeg.Assign(Pattern(64, 48, TPixelFormat::pf24bit));
  jpeg.SaveToFile(dir / "photo.JPG");
  ASSERT_TRUE(paper.TileWallpaper(dir / "photo.JPG"));
  TBitmap copy = CopyOnDisk();  // a BMP reader would throw on JPEG data
  EXPECT_EQ(copy.Width(), 64);
  EXPECT_EQ(copy.Height(), 48);
}

TEST_F(WallPaperTest, UnreadablePictureChangesNothing) {
  std::string a = Picture("a.bmp", 20, 10, 1);
  ASSERT_TRUE(paper.CenterWallpaper(a));
  const WallpaperSetting shown = platform.wallpaper;
  platform.wallpaperCalls.clear();
  std::string bad = dir.Write("bad.bmp", std::string("not a picture"));
  EXPECT_THROW(paper.TileWallpaper(bad), EInvalidGraphic);
  EXPECT_TRUE(platform.wallpaperCalls.empty());
  EXPECT_EQ(platform.wallpaper, shown);
  EXPECT_EQ(test::CompareRGB(CopyOnDisk(), Pattern(20, 10, TPixelFormat::pf24bit, 1)), "");
  paper.UndoWallpaper();  // still the step before the first change
  EXPECT_EQ(platform.wallpaper, WallpaperSetting{});
}

TEST_F(WallPaperTest, DesktopWithoutWallpaperSettingIsToldAndLeftAlone) {
  platform.wallpaperAbility = WallpaperAbility::None;
  EXPECT_FALSE(paper.CenterWallpaper(Picture("a.bmp", 4, 4, 1)));
  EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{kNoWallpaperHere});
  EXPECT_EQ(dialogs.LastMessage().Kind, MsgKind::Information);
  EXPECT_TRUE(platform.wallpaperCalls.empty());
  EXPECT_FALSE(paper.CanUndo());
  EXPECT_FALSE(fs::exists(paper.CopyPath()));
}

TEST_F(WallPaperTest, DesktopWithoutStylesSaysSoForTiling) {
  platform.wallpaperAbility = WallpaperAbility::PictureOnly;
  ASSERT_TRUE(paper.CenterWallpaper(Picture("a.bmp", 4, 4, 1)));
  EXPECT_TRUE(dialogs.Calls().empty());
  ASSERT_TRUE(paper.TileWallpaper(Picture("b.bmp", 4, 4, 2)));
  EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{kNoTileHere});
}

TEST_F(WallPaperTest, FailedApplyKeepsTheUndoStepAndTheCopysPicture) {
  ASSERT_TRUE(paper.CenterWallpaper(Picture("a.bmp", 20, 10, 1)));
  platform.wallpaperError = "no desktop";
  EXPECT_FALSE(paper.CenterWallpaper(Picture("b.bmp", 12, 30, 2)));
  EXPECT_EQ(dialogs.LastMessage().Kind, MsgKind::Error);
  EXPECT_EQ(test::CompareRGB(CopyOnDisk(), Pattern(20, 10, TPixelFormat::pf24bit, 1)), "");
  platform.wallpaperError.clear();
  paper.UndoWallpaper();
  EXPECT_EQ(platform.wallpaper, WallpaperSetting{});
}

TEST_F(WallPaperTest, AUsersFileOfTheSameNameIsNeverTouched) {
  // Same name as the program's copy, but the user's own picture in another folder.
  std::string theirs = Picture("Verid_WPaper.bmp", 6, 6, 9);
  const auto bytes = test::ReadAll(theirs);
  platform.wallpaper = {theirs, {{"picture", theirs, true}}};
  ASSERT_TRUE(paper.CenterWallpaper(Picture("a.bmp", 20, 10, 1)));
  paper.UndoWallpaper();
  EXPECT_EQ(platform.wallpaper.Path, theirs);
  EXPECT_EQ(test::ReadAll(theirs), bytes);
}

TEST_F(WallPaperTest, MainWindowCommandsReportTheUndoState) {
  FileList list;
  EXPECT_FALSE(WallCenterCommand(paper, list));  // no current file: nothing
  EXPECT_TRUE(platform.wallpaperCalls.empty());
  Picture("a.bmp", 4, 4, 1);
  list.SetFolder(dir.Path());
  list.SetItemIndex(0);
  EXPECT_TRUE(WallTileCommand(paper, list));
  EXPECT_EQ(platform.wallpaperCalls.back(), "apply " + paper.CopyPath() + " tiled");
  EXPECT_FALSE(WallUndoCommand(paper));
  EXPECT_FALSE(WallUndoCommand(paper));  // nothing left to undo

  // A change that was made offers undo even when the setting before it could not be read.
  platform.wallpaperUnreadable = true;
  EXPECT_TRUE(WallCenterCommand(paper, list));
  EXPECT_TRUE(WallTileCommand(paper, list));
  EXPECT_FALSE(WallUndoCommand(paper));
}

}  // namespace
}  // namespace verid
