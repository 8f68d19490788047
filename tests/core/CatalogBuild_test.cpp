// Building catalogs: placement, the panel pictures to the pixel, the JPEG size rule, the
// loop's order, progress, stop and failures, with and without worker threads.
#include "catalog/CatalogBuild.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/Hanyou.h"
#include "imaging/Draw.h"
#include "imaging/Jpeg.h"
#include "support/FakePlatform.h"
#include "support/ImageBuilders.h"
#include "support/TempDir.h"

namespace verid {
namespace {

// The list enters its folder; a test leaves the working folder as it found it.
struct KeepWorkingFolder {
  std::filesystem::path at = std::filesystem::current_path();
  ~KeepWorkingFolder() { std::filesystem::current_path(at); }
};

struct RecordingHost : CatalogBuildHost {
  int started = 0, ended = 0, done = 0;
  bool record = true;
  std::vector<BuildProgress> progress;
  std::function<bool()> stop = [] { return false; };
  void BuildStarted() override { ++started; }
  void FileDone(const TBitmap&, const BuildProgress& p) override {
    ++done;
    if (record) progress.push_back(p);
  }
  bool StopRequested() override { return stop(); }
  void BuildEnded() override { ++ended; }
};

TBitmap Solid(int w, int h, TColor colour) {
  TBitmap b(w, h, TPixelFormat::pf24bit);
  FillRect(b, Bounds(0, 0, w, h), colour);
  return b;
}

// A JPEG of a solid picture, padded with a comment segment to exactly `bytes`.
std::vector<uint8_t> JpegOfSize(int w, int h, size_t bytes) {
  TJPEGImage j;
  j.Assign(Solid(w, h, 0x0000FF));
  j.SetCompressionQuality(50);
  TMemoryStream s;
  j.SaveToStream(s);
  std::vector<uint8_t> data = s.Bytes();
  const size_t pad = bytes - data.size() - 4;
  std::vector<uint8_t> com = {0xFF, 0xFE, uint8_t((pad + 2) >> 8), uint8_t(pad + 2)};
  com.resize(4 + pad, ' ');
  data.insert(data.begin() + 2, com.begin(), com.end());
  return data;
}

// The cell with only its panel background.
TBitmap Background(int size) {
  TBitmap b(size, size, TPixelFormat::pf24bit);
  StretchDrawRaster(b, Bounds(0, 0, kPanelCellSize, kPanelCellSize),
                    PanelImage(PanelIndexFor(size)), false);
  return b;
}

// Bounding box of the pixels that differ from the background.
TRect DrawnRect(const TBitmap& cell) {
  const TBitmap bg = Background(cell.Width());
  TRect r{cell.Width(), cell.Height(), 0, 0};
  for (int y = 0; y < cell.Height(); ++y)
    for (int x = 0; x < cell.Width(); ++x)
      if (cell.PixelRGB(x, y) != bg.PixelRGB(x, y)) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return r;
}

TEST(CatalogBuild, FitRectWorkedValues) {
  struct Case {
    uint16_t w, h, box;
    TFitRect expected;
  };
  const Case cases[] = {
      {640, 480, 80, {2, 12, 76, 57}},    {300, 400, 65, {9, 2, 46, 61}},
      {1024, 768, 120, {2, 16, 116, 87}}, {600, 800, 100, {14, 2, 72, 96}},
      {100, 100, 100, {2, 2, 96, 96}},    {7, 5, 65, {28, 30, 7, 5}},
      {33, 21, 80, {24, 30, 33, 21}},     {50, 10, 65, {7, 27, 50, 10}},
      {50, 10, 120, {35, 55, 50, 10}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FitRect(c.w, c.h, c.box, c.box), c.expected) << c.w << "x" << c.h << " in " << c.box;
}

TEST(CatalogBuild, PanelPicturesArePixelExact) {
  const uint32_t white = 0xFFFFFF, black = 0, face = 0xBDBDBD;
  for (int k = 0; k < 4; ++k) {
    const int s = kCatalogSizes[k];
    const TBitmap& p = PanelImage(k);
    ASSERT_EQ(p.Width(), 120);
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 120; ++x) {
        const uint32_t c = p.PixelRGB(x, y);
        if (x >= s || y >= s) {
          ASSERT_EQ(c, white) << s << " outside at " << x << "," << y;
          continue;
        }
        uint32_t want = face;
        if (x == s - 1 || y == s - 1)
          want = black;
        else if (x == 0 || y == 0)
          want = white;
        ASSERT_EQ(c, want) << s << " at " << x << "," << y;
      }
  }
  // The label: face with black letters in columns 2.. and rows 2..8, white beyond 50 x 10.
  const TBitmap& label = PanelImage(kNoPictureIndex);
  int letters = 0, firstCol = 99, lastCol = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 120; ++x) {
      const uint32_t c = label.PixelRGB(x, y);
      if (x >= 50 || y >= 10) {
        ASSERT_EQ(c, white);
      } else if (c == black) {
        ASSERT_TRUE(y >= 2 && y <= 8) << x << "," << y;
        ++letters;
        firstCol = std::min(firstCol, x);
        lastCol = std::max(lastCol, x);
      } else {
        ASSERT_EQ(c, face);
      }
    }
  EXPECT_EQ(firstCol, 2);
  EXPECT_LT(lastCol, 48);
  EXPECT_GT(letters, 60);
}

TEST(CatalogBuild, PicturesArePlacedByFitRectAndTheJpegSizeRule) {
  test::TempDir dir;
  Solid(50, 40, 0x00FF00).SaveToFile(dir / "a.bmp");
  Solid(65, 40, 0x00FF00).SaveToFile(dir / "b.bmp");
  dir.Write("big.jpg", JpegOfSize(200, 100, 6000));
  dir.Write("small.jpg", JpegOfSize(200, 100, 4000));
  dir.Write("edge.jpg", JpegOfSize(200, 100, 5000));
  struct Case {
    const char* file;
    int size;
    TRect expected;
  };
  const Case cases[] = {
      {"a.bmp", 65, Bounds(7, 12, 50, 40)},     {"b.bmp", 65, Bounds(2, 13, 61, 38)},
      {"big.jpg", 80, Bounds(15, 28, 50, 25)},   // decoded at 50 x 25
      {"small.jpg", 80, Bounds(2, 21, 76, 38)},  // decoded whole, shrunk
      {"edge.jpg", 80, Bounds(2, 21, 76, 38)},   // 5000 bytes still decodes whole
  };
  for (const Case& c : cases) {
    const TBitmap cell = MakeThumbnail(dir / c.file, c.size);
    EXPECT_EQ(cell.Width(), c.size);
    EXPECT_EQ(DrawnRect(cell), c.expected) << c.file;
  }
}

TEST(CatalogBuild, UnreadableFilesGetTheNoPictureLabelCentred) {
  test::TempDir dir;
  const std::string bad = dir.Write("bad.jpg", "not a picture");
  const std::string unknown = dir.Write("x.gif", "GIF89a");
  for (const std::string& file : {bad, unknown})
    for (int size : {65, 120}) {
      const TBitmap cell = MakeThumbnail(file, size);
      const int left = size == 65 ? 7 : 35, top = size == 65 ? 27 : 55;
      const TBitmap bg = Background(size);
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
          const bool inLabel = x >= left && x < left + 50 && y >= top && y < top + 10;
          const uint32_t want =
              inLabel ? PanelImage(kNoPictureIndex).PixelRGB(x - left, y - top) : bg.PixelRGB(x, y);
          ASSERT_EQ(cell.PixelRGB(x, y), want) << size << " at " << x << "," << y;
        }
    }
  // A size without a panel gets a white cell.
  EXPECT_EQ(MakeThumbnail(bad, 40).PixelRGB(0, 0), 0xFFFFFFu);
  // A file that cannot be read at all is no placeholder.
  EXPECT_THROW(MakeThumbnail(dir / "gone.bmp", 65), EFileError);
}

class CatalogBuildLoop : public ::testing::TestWithParam<int> {
 protected:
  // Files named f00.bmp ... in list order.
  void MakeFolder(int count) {
    for (int i = 0; i < count; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "f%02d.bmp", i);
      test::Pattern(20 + i, 10 + i, TPixelFormat::pf24bit, uint32_t(i)).SaveToFile(dir / name);
    }
    list.SetFolder(dir.Path());
  }
  // 0: cells made in the loop; 1: one worker with the loop helping; 2: two workers alone.
  BuildOptions Options() const {
    BuildOptions options;
    options.Workers = GetParam();
    options.LoopHelps = GetParam() != 2;
    return options;
  }
  BuildResult Build(int size) {
    return BuildCatalog(list, size, catalog, host, platform, Options());
  }
  KeepWorkingFolder keep;
  test::TempDir dir;
  FileList list;
  Catalog catalog;
  RecordingHost host;
  test::FakePlatform platform;
};

TEST_P(CatalogBuildLoop, EntriesFollowTheListWithUnreadableFilesIncluded) {
  MakeFolder(3);
  dir.Write("f01x.jpg", "damaged");
  list.Refresh();
  const BuildResult r = Build(80);
  EXPECT_EQ(r.Added, 4);
  EXPECT_FALSE(r.Stopped);
  ASSERT_EQ(catalog.Items.size(), 4u);
  const std::vector<std::string> names = {"f00.bmp", "f01.bmp", "f01x.jpg", "f02.bmp"};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(catalog.Items[size_t(k)].Caption, names[size_t(k)]);
    EXPECT_EQ(catalog.Items[size_t(k)].ImageIndex, k);
    EXPECT_EQ(catalog.Items[size_t(k)].StateIndex, -1);
    EXPECT_EQ(catalog.Items[size_t(k)].OverlayIndex, -1);
    EXPECT_EQ(test::CompareRGB(catalog.Images.Image(k), MakeThumbnail(list.PathOf(k), 80)), "");
  }
  EXPECT_EQ(catalog.Images.Width(), 80);
  EXPECT_EQ(catalog.Images.AllocBy(), 4);
  EXPECT_EQ(catalog.View.AllocBy, 4);
  EXPECT_EQ(platform.pendingEventCalls, 4);  // once per file
  EXPECT_EQ(list.ItemIndex(), 3);            // the last file processed stays current
  EXPECT_EQ(host.started, 1);
  EXPECT_EQ(host.ended, 1);
  ASSERT_EQ(host.progress.size(), 4u);
  EXPECT_EQ(host.progress[0], (BuildProgress{25, "1", "4"}));
  EXPECT_EQ(host.progress[3], (BuildProgress{100, "4", "4"}));
}

TEST_P(CatalogBuildLoop, StopSeenAtTheFourthFileKeepsFourEntries) {
  MakeFolder(10);
  bool clicked = false;
  platform.onEvents = [&] { clicked = clicked || platform.pendingEventCalls == 4; };
  host.stop = [&] { return clicked; };
  const BuildResult r = Build(65);
  EXPECT_TRUE(r.Stopped);
  EXPECT_EQ(catalog.Items.size(), 4u);
  EXPECT_EQ(catalog.Images.Count(), 4);
  EXPECT_EQ(host.progress.back().LoadNumber, "4");
  EXPECT_EQ(host.progress.back().TotalNumber, "10");
  EXPECT_EQ(host.ended, 1);
  EXPECT_EQ(list.ItemIndex(), 3);
}

TEST_P(CatalogBuildLoop, AVanishedFileEndsTheBuildThereKeepingTheEntriesMade) {
  MakeFolder(5);
  std::filesystem::remove(dir / "f02.bmp");
  EXPECT_THROW(Build(80), EFileError);
  ASSERT_EQ(catalog.Items.size(), 2u);
  EXPECT_EQ(catalog.Items[1].Caption, "f01.bmp");
  EXPECT_EQ(catalog.Images.Count(), 2);
  EXPECT_EQ(host.ended, 1);
  EXPECT_EQ(list.ItemIndex(), 2);
}

TEST_P(CatalogBuildLoop, RemakeAtAnotherSizeKeepsTheCaptions) {
  MakeFolder(3);
  Build(65);
  const auto before = catalog.Items;
  catalog.Images.Flags = 0x10FE;  // as an opened catalog's strip may have it
  RemakeCatalog(list, 120, catalog, host, platform, Options());
  EXPECT_EQ(catalog.Images.Flags, kStripFlagsDefault);
  EXPECT_EQ(catalog.Items, before);
  EXPECT_EQ(catalog.Images.Count(), 3);
  EXPECT_EQ(catalog.Images.Image(2).Width(), 120);
  EXPECT_EQ(catalog.Images.Image(2).Height(), 120);
}

INSTANTIATE_TEST_SUITE_P(Workers, CatalogBuildLoop, ::testing::Values(0, 1, 2));

TEST(CatalogBuild, ProgressRoundsHalvesToEven) {
  EXPECT_EQ(ProgressAfter(1, 1).Gauge, 100);
  EXPECT_EQ(ProgressAfter(1, 8).Gauge, 12);  // 12.5
  EXPECT_EQ(ProgressAfter(3, 8).Gauge, 38);  // 37.5
  EXPECT_EQ(ProgressAfter(1, 3).Gauge, 33);
  EXPECT_EQ(ProgressAfter(1, 200).Gauge, 0);  // 0.5
}

TEST(CatalogBuild, StopsAtTheLargestCountTheFileCanHold) {
  // Names the registry does not know fail before any file is opened: fast placeholders.
  FileList list;
  list.SetEntries(std::vector<std::string>(70000, "n.xyz"));
  Catalog catalog;
  RecordingHost host;
  host.record = false;
  test::FakePlatform platform;
  BuildOptions inline_;
  inline_.Workers = 0;
  const BuildResult r = BuildCatalog(list, 2, catalog, host, platform, inline_);
  EXPECT_EQ(r.Added, kMaxCatalogEntries);
  EXPECT_EQ(catalog.Images.Count(), kMaxCatalogEntries);
  EXPECT_NO_THROW(catalog.Images.WriteStrip());
}

}  // namespace
}  // namespace verid
