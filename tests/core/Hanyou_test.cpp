#include "app/Hanyou.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/FakePlatform.h"
#include "support/TempDir.h"

namespace verid {
namespace {

using test::FakePlatform;
using test::TempDir;

TEST(Hanyou, RoundEvenSendsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(RoundEven(2.5), 2);
  EXPECT_EQ(RoundEven(3.5), 4);
  EXPECT_EQ(RoundEven(-2.5), -2);
  EXPECT_EQ(RoundEven(139.5), 140);
  EXPECT_EQ(RoundEven(2.4999), 2);
  EXPECT_EQ(RoundEven(1e12), std::numeric_limits<int>::max());
}

TEST(Hanyou, FitRectPlacesPicturesInTheirBox) {
  // left, top, width, height
  EXPECT_EQ(FitRect(640, 480, 80, 80), (TFitRect{2, 12, 76, 57}));
  EXPECT_EQ(FitRect(189, 189, 190, 190), (TFitRect{1, 1, 189, 189}));
  EXPECT_EQ(FitRect(800, 600, 190, 190), (TFitRect{2, 25, 186, 140}));
  EXPECT_EQ(FitRect(100, 150, 190, 190), (TFitRect{45, 20, 100, 150}));
  EXPECT_EQ(FitRect(190, 100, 190, 190), (TFitRect{2, 46, 186, 98}));
  // Portrait at or above the box height shrinks to the box minus the margins.
  EXPECT_EQ(FitRect(100, 190, 190, 190), (TFitRect{46, 2, 98, 186}));
  // A square as wide as the box counts as landscape.
  EXPECT_EQ(FitRect(190, 190, 190, 190), (TFitRect{2, 2, 186, 186}));
  // Degenerate sizes must not divide by zero.
  EXPECT_EQ(FitRect(0, 0, 0, 0).Height, 0);
  EXPECT_EQ(FitRect(1, 0, 80, 80), (TFitRect{40, 40, 1, 0}));
}

TEST(Hanyou, FormatThousandsGroupsBigCounts) {
  EXPECT_EQ(FormatThousands(0), "0");
  EXPECT_EQ(FormatThousands(999), "999");
  EXPECT_EQ(FormatThousands(1000), "1,000");
  EXPECT_EQ(FormatThousands(123456789), "123,456,789");
  EXPECT_EQ(FormatThousands(5'000'000'000), "5,000,000,000");
  EXPECT_EQ(FormatThousands(-1234), "-1,234");
  EXPECT_EQ(FormatThousands(INT64_MIN), "-9,223,372,036,854,775,808");
}

TEST(Hanyou, AddSlashLooksAtTheLastCharacter) {
  if (PathDelim != '/')
    GTEST_SKIP() << "POSIX-style paths; drive paths are checked in Platform_test";
  EXPECT_EQ(AddSlash("/"), "/");
  EXPECT_EQ(AddSlash("/pics"), "/pics/");
  EXPECT_EQ(AddSlash("/pics/"), "/pics/");
  EXPECT_EQ(AddSlash("/写真/表"), "/写真/表/");
  EXPECT_EQ(AddSlash("/ソ"), "/ソ/");
}

TEST(Hanyou, RightStrCountsCharactersNotBytes) {
  EXPECT_EQ(RightStr("abc", 2), "bc");
  EXPECT_EQ(RightStr("abc", 10), "abc");
  EXPECT_EQ(RightStr("画像表示", 2), "表示");
  EXPECT_EQ(RightStr("aｶﾀ", 1), "ﾀ");
  EXPECT_EQ(RightStr("abc", 0), "");
}

TEST(Hanyou, LongNameTakesTheSpellingOnDisk) {
  TempDir dir;
  dir.Write("Photo.JPG", "x");
  dir.MakeDir("Album");
  std::string folder = dir.Path() + "/";
  EXPECT_EQ(LongName(folder + "Photo.JPG"), folder + "Photo.JPG");
  EXPECT_EQ(LongName(folder + "photo.jpg"), folder + "Photo.JPG");
  EXPECT_EQ(LongName(folder + "ALBUM"), folder + "Album");
  EXPECT_EQ(LongName(folder + "missing.png"), folder);
  EXPECT_EQ(LongName(folder + "nowhere/x.png"), folder + "nowhere/");
#ifndef _WIN32
  // Where case counts, a name typed as an entry is spelt keeps that spelling, also when
  // its case-swapped twin is another entry or another name of the same file.
  dir.Write("pHOTO.jpg", "y");
  EXPECT_EQ(LongName(folder + "pHOTO.jpg"), folder + "pHOTO.jpg");
  EXPECT_EQ(LongName(folder + "Photo.JPG"), folder + "Photo.JPG");
  dir.Write("Scan.png", "s");
  std::filesystem::create_hard_link(folder + "Scan.png", folder + "sCAN.PNG");
  EXPECT_EQ(LongName(folder + "Scan.png"), folder + "Scan.png");
  EXPECT_EQ(LongName(folder + "sCAN.PNG"), folder + "sCAN.PNG");
  EXPECT_EQ(LongName(folder + "SCAN.PNG"), folder + "Scan.png");
#endif
  dir.Write("2001", "z");
  EXPECT_EQ(LongName(folder + "2001"), folder + "2001");
}

TEST(Hanyou, FileSizeOfIsSixtyFourBitAndZeroWhenMissing) {
  TempDir dir;
  std::string file = dir.Write("a.bin", std::string(1234, 'x'));
  EXPECT_EQ(FileSizeOf(file), 1234);
  EXPECT_EQ(FileSizeOf(dir / "none"), 0);
  EXPECT_EQ(FileSizeOf(dir.Path()), 0);
  std::filesystem::resize_file(file, 5'000'000'000);  // sparse
  EXPECT_EQ(FileSizeOf(file), 5'000'000'000);
}

TEST(Hanyou, DelayHandlesEventsUntilTheTimeHasPassed) {
  FakePlatform p;
  int clicks = 0;
  p.onEvents = [&] { ++clicks; };
  uint32_t start = p.ticks;
  Delay(p, 500);
  EXPECT_GT(p.ticks - start, 500u);
  EXPECT_GT(clicks, 0);
  EXPECT_GE(p.pendingEventCalls, 1);
  for (uint32_t w : p.waits) EXPECT_LE(w, 501u);  // blocks for the rest, never spins

  // Across the counter's wrap the wait still lasts.
  FakePlatform q;
  q.ticks = 0xFFFFFF00u;
  Delay(q, 1000);
  EXPECT_GT(static_cast<uint32_t>(q.ticks - 0xFFFFFF00u), 1000u);
  EXPECT_LT(q.ticks, 0x1000u);

  // A click that takes time counts towards the wait.
  FakePlatform r;
  r.onEvents = [&] { r.ticks += 300; };
  Delay(r, 500);
  EXPECT_LE(r.waits.size(), 2u);
}

TEST(Hanyou, CreateShortcutPointsAtTheFixedProgramName) {
  TempDir dir;
  FakePlatform p;
  p.executablePath = "/opt/tools/renamed-copy";
  p.shortcutDir[0] = dir.MakeDir("desk");
  CreateShortcut(p, ShortcutPlace::Desktop);
  CreateShortcut(p, ShortcutPlace::Desktop);
  EXPECT_EQ(test::ReadAll(dir / "desk/Verid.desktop"),
            test::ReadAll(dir.Write("expect", "target=/opt/tools/verid\nworkdir=/opt/tools\n")));

  HideTaskBar(p);
  EXPECT_EQ(p.taskBarHidden, 1);
  ShowTaskBar(p);
  EXPECT_EQ(p.taskBarHidden, 0);
}

}  // namespace
}  // namespace verid
