#include "app/LookAhead.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "support/TempDir.h"

namespace verid {
namespace {

using test::TempDir;

// Six listed files a.bmp .. f.bmp; the maker draws a picture whose width is the file's
// size, so a picture tells which content it was made from, and counts who made what.
class LookAheadTest : public ::testing::Test {
 public:
  void SetUp() override {
    for (char c = 'a'; c <= 'f'; ++c) Write(std::string(1, c) + ".bmp", 10);
    list.SetFolder(dir.Path());
  }
  void Write(const std::string& name, int bytes) {
    std::ofstream(dir / name, std::ios::binary | std::ios::trunc)
        << std::string(size_t(bytes), 'x');
  }
  std::string Path(char c) const { return list.PathOf(list.IndexOf(std::string(1, c) + ".bmp")); }
  TPictureMaker Maker() {
    return [this](const std::string& path) {
      ++made;
      if (path.find("-bad.") != std::string::npos) throw std::runtime_error("unreadable");
      TMadePicture picture;
      picture.Width = int(std::filesystem::file_size(path));
      picture.Height = 1;
      picture.Rendered = TBitmap(picture.Width, 1000, TPixelFormat::pf32bit);
      return picture;
    };
  }
  // Shows entry `index` as a display would: takes its picture, then looks ahead.
  TMadePicture Show(TLookAhead& ahead, int index) {
    list.SetItemIndex(index);
    TMadePicture picture = ahead.Take(list.CurrentFile());
    ahead.Shown(index);
    ahead.WaitIdle();
    return picture;
  }

  TempDir dir;
  FileList list;
  std::atomic<int> made{0};
};

TEST_F(LookAheadTest, NextPicturesAreMadeAheadAndUsedOnce) {
  TLookAhead ahead(list);
  ahead.SetMaker("d", Maker());
  Show(ahead, 0);
  EXPECT_EQ(ahead.Ready(), 2);  // b and c
  EXPECT_EQ(made, 3);
  Show(ahead, 1);  // a hit: only d is made
  Show(ahead, 2);  // and again: only e
  EXPECT_EQ(ahead.Reused(), 2);
  EXPECT_EQ(made, 5);
  // A picture not made ahead is made where it is wanted.
  TMadePicture far = Show(ahead, 5);
  EXPECT_EQ(far.Width, 10);
  EXPECT_EQ(ahead.Reused(), 2);
  // Without the worker every picture is made where it is wanted.
  TLookAhead off(list, false);
  off.SetMaker("d", Maker());
  made = 0;
  for (int i = 0; i < 3; ++i) Show(off, i);
  EXPECT_EQ(made, 3);
  EXPECT_EQ(off.Reused(), 0);
}

TEST_F(LookAheadTest, SteppingBackMakesThePreviousPicturesAhead) {
  TLookAhead ahead(list);
  ahead.SetMaker("d", Maker());
  Show(ahead, 4);
  Show(ahead, 3);  // a step back turns the direction
  EXPECT_EQ(ahead.Ready(), 2);
  Show(ahead, 2);
  Show(ahead, 1);
  EXPECT_EQ(ahead.Reused(), 2);  // c and b came made
  // A jump keeps the direction of travel.
  Show(ahead, 5);
  EXPECT_EQ(ahead.Ready(), 2);  // e and d
}

TEST_F(LookAheadTest, AFileChangedSinceItWasMadeIsMadeAgain) {
  TLookAhead ahead(list);
  ahead.SetMaker("d", Maker());
  Show(ahead, 0);
  Write("b.bmp", 25);
  EXPECT_EQ(Show(ahead, 1).Width, 25);
  // Removed meanwhile: what the caller meets is the failure of reading it now.
  std::filesystem::remove(dir / "c.bmp");
  list.SetItemIndex(2);
  EXPECT_THROW(ahead.Take(list.CurrentFile()), std::exception);
  EXPECT_EQ(ahead.Reused(), 0);
}

TEST_F(LookAheadTest, ChangesOfTheListDropWhatNoLongerFits) {
  struct Case {
    const char* what;
    std::function<void(FileList&, const std::string&)> change;
    int readyAfter;  // of the two made for entries 1 and 2 (b, c)
  };
  const Case cases[] = {
      {"delete b", [](FileList& l, const std::string&) { l.Delete(1); }, 1},
      {"rename b", [](FileList& l, const std::string&) { l.SetEntry(1, "z.bmp"); }, 1},
      {"new folder", [](FileList& l, const std::string& other) { l.SetFolder(other); }, 0},
      {"search",
       [](FileList& l, const std::string&) {
         l.SetEntries({"c.bmp", "a.bmp"});
       },
       1},
  };
  TempDir other;
  for (const Case& c : cases) {
    list.SetFolder(dir.Path());
    TLookAhead ahead(list);
    ahead.SetMaker("d", Maker());
    Show(ahead, 0);
    ASSERT_EQ(ahead.Ready(), 2) << c.what;
    c.change(list, other.Path());
    EXPECT_EQ(ahead.Ready(), c.readyAfter) << c.what;
  }
  // After a delete the files still listed are used as made.
  list.SetFolder(dir.Path());
  TLookAhead ahead(list);
  ahead.SetMaker("d", Maker());
  Show(ahead, 0);
  list.Delete(1);
  Show(ahead, 1);  // c, now at position 1
  EXPECT_EQ(ahead.Reused(), 1);
}

TEST_F(LookAheadTest, AnotherDisplayDropsWhatWasMadeForTheOld) {
  TLookAhead ahead(list);
  ahead.SetMaker("fit", Maker());
  Show(ahead, 0);
  ahead.SetMaker("full", Maker());
  EXPECT_EQ(ahead.Ready(), 0);
  Show(ahead, 1);
  EXPECT_EQ(ahead.Reused(), 0);
  // The same display again keeps them.
  ahead.SetMaker("full", Maker());
  EXPECT_EQ(ahead.Ready(), 2);
}

TEST_F(LookAheadTest, AFailingFileFailsWhenItIsReachedAndNotBefore) {
  Write("bz-bad.bmp", 10);  // between b and c
  list.Refresh();
  TLookAhead ahead(list);
  ahead.SetMaker("d", Maker());
  Show(ahead, 1);  // b: the bad file next is tried ahead quietly
  EXPECT_EQ(ahead.Ready(), 1);
  list.SetItemIndex(2);
  EXPECT_EQ(list.Entry(2), "bz-bad.bmp");
  EXPECT_THROW(ahead.Take(list.CurrentFile()), std::runtime_error);
  ahead.Shown(2);
  ahead.WaitIdle();
  Show(ahead, 3);  // c still comes made
  EXPECT_EQ(ahead.Reused(), 1);
}

TEST_F(LookAheadTest, MadePicturesStayWithinTheMemoryBound) {
  const size_t onePicture = size_t(10) * 1000 * 4;
  TLookAhead ahead(list, true, onePicture + onePicture / 2);
  ahead.SetMaker("d", Maker());
  Show(ahead, 0);
  EXPECT_EQ(ahead.Ready(), 1);
  EXPECT_LE(ahead.ReadyBytes(), onePicture + onePicture / 2);
  Show(ahead, 1);
  EXPECT_EQ(ahead.Reused(), 1);
  EXPECT_EQ(ahead.Ready(), 1);
}

TEST_F(LookAheadTest, SlideShowsGoRoundAtTheEnd) {
  TLookAhead ahead(list);
  ahead.SetWrap(true);
  ahead.SetMaker("d", Maker());
  Show(ahead, 4);
  Show(ahead, 5);
  Show(ahead, 0);
  Show(ahead, 1);
  EXPECT_EQ(ahead.Reused(), 3);
}

}  // namespace
}  // namespace verid
