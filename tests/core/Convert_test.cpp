// Single-file and batch conversions with real files.
#include "dialogs/Convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "imaging/Bitmap.h"
#include "imaging/Graphic.h"
#include "imaging/Jpeg.h"
#include "imaging/ZUDIRA.h"
#include "support/FakePlatform.h"
#include "support/FileOpsFixture.h"
#include "support/ImageBuilders.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WorkingFolder.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::FakePlatform;
using test::ScriptedDialogs;
using test::SortedNames;
using test::TempDir;

class ConvertTest : public test::FileOpsFixture {
 protected:
  void SetUp() override { dst_ += "/"; }

  std::string Bmp(const std::string& name, int w = 9, int h = 7) {
    TBitmap bmp = test::Pattern(w, h, TPixelFormat::pf24bit);
    bmp.SaveToFile(src_ + "/" + name);
    return src_ + "/" + name;
  }
  std::string Jpeg(const std::string& name) {
    TJPEGImage jpeg;
    jpeg.Assign(test::Pattern(16, 8, TPixelFormat::pf24bit));
    jpeg.SaveToFile(src_ + "/" + name);
    return src_ + "/" + name;
  }
  void Select(const std::string& name) {
    list_.SetFolder(src_);
    list_.SetItemIndex(list_.IndexOf(name));
  }
};

TEST_F(ConvertTest, SingleBesideTheSource) {
  Jpeg("a.jpeg");
  Select("a.jpeg");
  settings_.ConvertTarget = 0;
  EXPECT_EQ(ConvertCurrent(Env(), 3), OpResult::Done);
  EXPECT_EQ(dialogs_.LastMessage().Kind, MsgKind::Information);
  EXPECT_EQ(dialogs_.LastMessage().Text,
            "変換ﾌｧｲﾙを " + NativePath(src_ + "/") + " に作成しました");
  ZOVIDUD png;
  png.LoadFromFile(src_ + "/a.png");
  EXPECT_EQ(png.Width(), 16);
  EXPECT_EQ(SortedNames(src_), (std::vector<std::string>{"a.jpeg", "a.png"}));
  EXPECT_EQ(list_.Count(), 1);  // the list is not read again

  // JPEG output is named ".jpg"; a name without extension gets one.
  Bmp("noext");
  Select("a.png");
  list_.SetEntries({"noext"});
  list_.SetItemIndex(0);
  ConvertCurrent(Env(), 0);
  TJPEGImage jpeg;
  jpeg.LoadFromFile(src_ + "/noext.jpg");
  EXPECT_EQ(jpeg.Width(), 9);
}

TEST_F(ConvertTest, SingleIntoAChosenFolder) {
  Bmp("x.bmp");
  Select("x.bmp");
  settings_.ConvertTarget = 1;
  dialogs_.AnswerDirectory(std::nullopt);
  EXPECT_EQ(ConvertCurrent(Env(), 1), OpResult::Cancelled);
  EXPECT_EQ(dialogs_.MessageTexts().size(), 0u);

  dialogs_.AnswerDirectory(dir_ / "dst");
  EXPECT_EQ(ConvertCurrent(Env(), 1), OpResult::Done);
  EXPECT_EQ(settings_.OtherFolder, NativePath(dst_));
  EXPECT_EQ(dialogs_.LastMessage().Text, "変換ﾌｧｲﾙを " + NativePath(dst_) + " に作成しました");
  EXPECT_EQ(SortedNames(dst_), std::vector<std::string>{"x.png"});

  settings_.ConvertTarget = 2;  // writes nothing and asks nothing
  EXPECT_EQ(ConvertCurrent(Env(), 0), OpResult::Nothing);
  EXPECT_EQ(SortedNames(src_), std::vector<std::string>{"x.bmp"});
  EXPECT_EQ(dialogs_.Calls().size(), 3u);
}

TEST_F(ConvertTest, UndecodableSourceWritesNothing) {
  dir_.Write("src/bad.bmp", "not a bitmap at all");
  dir_.Write("src/bad.jpg", std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xDB, 0, 3, 0});
  Select("bad.bmp");
  EXPECT_THROW(ConvertCurrent(Env(), 1), EInvalidGraphic);
  Select("bad.jpg");
  EXPECT_THROW(ConvertCurrent(Env(), 2), EInvalidGraphic);
  // A file read as a fixed kind, whatever its name says.
  Jpeg("photo.bmp");
  Select("photo.bmp");
  EXPECT_THROW(ConvertCurrent(Env(), 1), EInvalidGraphic);
  EXPECT_EQ(SortedNames(src_), (std::vector<std::string>{"bad.bmp", "bad.jpg", "photo.bmp"}));
  EXPECT_TRUE(dialogs_.MessageTexts().empty());
}

TEST_F(ConvertTest, AlphaIsDroppedOnTheWayToBmp) {
  ZOVIDUD png;
  png.Assign(test::Pattern(4, 4, TPixelFormat::pf24bit));
  png.AlphaBitmap() = TBitmap(4, 4, TPixelFormat::pf8bit);
  png.SaveToFile(src_ + "/t.png");
  ConvertImageFile(src_ + "/t.png", ImageFormat::Png, dst_ + "t.bmp", ImageFormat::Bmp, settings_);
  TBitmap bmp;
  bmp.LoadFromFile(dst_ + "t.bmp");
  EXPECT_EQ(test::CompareRGB(bmp, test::Pattern(4, 4, TPixelFormat::pf24bit)), "");
}

TEST_F(ConvertTest, SourcesByMaskWithoutHiddenFiles) {
  for (const char* n : {"b.JPG", "a.jpeg", "C.jpg", ".hidden.jpg", "d.png", "e.jpg.txt"})
    dir_.Write(std::string("src/") + n, "x");
  dir_.MakeDir("src/dir.jpg");
  EXPECT_EQ(ConvertSources(src_, 2), (std::vector<std::string>{"a.jpeg", "b.JPG", "C.jpg"}));
  EXPECT_EQ(ConvertSources(src_, 5), std::vector<std::string>{"d.png"});
  EXPECT_TRUE(ConvertSources(src_, 0).empty());
  EXPECT_TRUE(ConvertSources(dir_ / "missing", 0).empty());
}

TEST_F(ConvertTest, WindowStates) {
  struct Case {
    int files;
    std::string destination;
    ConvertPhase phase;
    std::string label;
    bool folder, start, cancel;
  };
  const Case cases[] = {
      {0, "", ConvertPhase::Idle, kConvertNothing, false, false, true},
      {2, "", ConvertPhase::Idle, kConvertPrompt, true, false, true},
      {2, "/out/", ConvertPhase::Idle, "作成先:/out/", true, true, true},
      {2, "/out/", ConvertPhase::Running, "作成先:/out/", true, true, false},
      {2, "/out/", ConvertPhase::Stopped, "作成先:/out/", true, true, false},
  };
  for (const Case& c : cases) {
    ConvertFormState s = MakeConvertFormState(c.files, c.destination, c.phase);
    EXPECT_EQ(s.Label, c.label);
    EXPECT_EQ(s.FolderEnabled, c.folder) << c.label;
    EXPECT_EQ(s.StartEnabled, c.start) << c.label;
    EXPECT_EQ(s.CancelEnabled, c.cancel) << c.label;
  }
}

struct RecordingHost : ConvertRunHost {
  void Select(int index) override { events.push_back("select " + std::to_string(index)); }
  void Added(const std::string& name) override { events.push_back("add " + name); }
  std::vector<std::string> events;
};

class BatchConvertTest : public ConvertTest, public ::testing::WithParamInterface<int> {};

TEST_P(BatchConvertTest, RunsInOrderAndReports) {
  Bmp("x.bmp");
  Bmp("y.bmp", 3, 5);
  RecordingHost host;
  RunBatchConvert(1, src_, ConvertSources(src_, 1), dst_, settings_, dialogs_, host, GetParam());
  EXPECT_EQ(host.events,
            (std::vector<std::string>{"select 0", "add x.png", "select 1", "add y.png"}));
  EXPECT_EQ(dialogs_.LastMessage().Text, ConvertDoneMessage(dst_));
  EXPECT_EQ(SortedNames(dst_), (std::vector<std::string>{"x.png", "y.png"}));
  ZOVIDUD png;
  png.LoadFromFile(dst_ + "y.png");
  EXPECT_EQ(png.Height(), 5);
}

TEST_P(BatchConvertTest, StopsAtABrokenFile) {
  for (const char* n : {"a.bmp", "b.bmp", "d.bmp", "e.bmp"}) Bmp(n);
  dir_.Write("src/c.bmp", "broken");
  dir_.Write("dst/d.jpg", "older output");
  RecordingHost host;
  EXPECT_THROW(RunBatchConvert(0, src_, ConvertSources(src_, 0), dst_, settings_, dialogs_, host,
                               GetParam()),
               EInvalidGraphic);
  EXPECT_EQ(host.events, (std::vector<std::string>{"select 0", "add a.jpg", "select 1", "add b.jpg",
                                                   "select 2"}));
  // Exactly the files before it, nothing under a temporary name, the rest untouched.
  EXPECT_EQ(SortedNames(dst_), (std::vector<std::string>{"a.jpg", "b.jpg", "d.jpg"}));
  EXPECT_EQ(test::ReadAll(dst_ + "d.jpg").size(), 12u);
  EXPECT_TRUE(dialogs_.MessageTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(Workers, BatchConvertTest, ::testing::Values(0, 3));

}  // namespace
}  // namespace verid
