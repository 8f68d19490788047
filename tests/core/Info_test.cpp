#include "view/Info.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/FakePlatform.h"
#include "support/TempDir.h"

namespace verid {
namespace {

namespace fs = std::filesystem;

std::string FileOfSize(const test::TempDir& dir, const std::string& name, uintmax_t size) {
  std::string path = dir / name;
  { std::ofstream(path, std::ios::binary); }
  fs::resize_file(path, size);
  return path;
}

TEST(FillInfo, ShowsNameSizeDimensionsAndTime) {
  test::TempDir dir;
  test::FakePlatform platform;
  platform.utcOffsetSeconds = 9 * 3600;
  std::string path = FileOfSize(dir, "cat.jpg", 1234567);
  // 2024-03-04 23:07:09 UTC is 2024-03-05 8:07:09 at +9 hours, shown in the two-second
  // steps of a packed file date.
  fs::last_write_time(path, std::chrono::file_clock::from_sys(
                                std::chrono::sys_seconds{std::chrono::seconds{1709593629}}));
  InfoState info = FillInfo(path, 640, 480, platform);
  EXPECT_EQ(info.FileName, "cat.jpg");
  EXPECT_EQ(info.Size, "1,234,567ﾊﾞｲﾄ");
  EXPECT_EQ(info.Dimensions, "640×480ﾋﾟｸｾﾙ");
  EXPECT_EQ(info.Modified, "2024/03/05 8:07:08");

  EXPECT_EQ(FillInfo(FileOfSize(dir, "big.png", 20000001), 1, 1, platform).Size, "20,000,001ﾊﾞｲﾄ");
  EXPECT_EQ(FillInfo(FileOfSize(dir, "empty.bmp", 0), 1, 1, platform).Size, "0ﾊﾞｲﾄ");
}

TEST(FillInfo, UnknownDimensionsAndVanishedFiles) {
  test::TempDir dir;
  test::FakePlatform platform;
  EXPECT_EQ(FillInfo(FileOfSize(dir, "x.bmp", 12), 0, 0, platform).Dimensions, "不明");
  // Only both zero mean "unknown".
  EXPECT_EQ(FillInfo(FileOfSize(dir, "y.bmp", 12), 0, 7, platform).Dimensions, "0×7ﾋﾟｸｾﾙ");
  InfoState gone = FillInfo(dir / "gone.jpg", 10, 10, platform);
  EXPECT_EQ(gone.FileName, "gone.jpg");
  EXPECT_EQ(gone.Size, "不明");
  EXPECT_EQ(gone.Modified, "不明");
}

TEST(FormatDateTime, PadsDateAndMinutesButNotTheHour) {
  EXPECT_EQ(FormatDateTime({1999, 12, 31, 23, 59, 58}), "1999/12/31 23:59:58");
  EXPECT_EQ(FormatDateTime({2001, 1, 2, 0, 5, 0}), "2001/01/02 0:05:00");
}

}  // namespace
}  // namespace verid
