#include "app/Browse.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/Jpeg.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WorkingFolder.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::ScriptedDialogs;
using test::TempDir;

// Left half red, right half blue.
void WriteBmp(const std::string& path, int w, int h) {
  TBitmap bitmap(w, h, TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = bitmap.ScanLine(y) + 3 * x;
      bool left = x < w / 2;
      p[0] = left ? 0 : 255;
      p[1] = 0;
      p[2] = left ? 255 : 0;
    }
  bitmap.SaveToFile(path);
}

class BrowseTest : public test::WorkingFolderTest {
 protected:
  void Open() {
    list_.SetFolder(dir_.Path());
    list_.SetItemIndex(0);
  }
  TempDir dir_;
  FileList list_;
  AppSettings settings_;
};

TEST_F(BrowseTest, PreviewPlacementsInThePanel) {
  struct Case {
    int w, h;
    TFitRect place;
  };
  const Case cases[] = {
      {800, 600, {2, 25, 186, 140}},
      {100, 150, {45, 20, 100, 150}},
      {190, 100, {2, 46, 186, 98}},
      {189, 189, {1, 1, 189, 189}},
  };
  settings_.PreviewColor = 0x00123456;
  for (const Case& c : cases) {
    TempDir dir;
    WriteBmp(dir / "p.bmp", c.w, c.h);
    FileList list;
    list.SetFolder(dir.Path());
    list.SetItemIndex(0);
    PreviewResult r = MakePreview(list, settings_);
    ASSERT_EQ(r.State, PreviewResult::Kind::Picture) << c.w << "x" << c.h;
    EXPECT_EQ(r.Place, c.place) << c.w << "x" << c.h;
    EXPECT_EQ(r.PictureWidth, c.w);
    EXPECT_EQ(r.PictureHeight, c.h);
    EXPECT_EQ(r.PanelColor, 0x00123456);
    ASSERT_TRUE(r.Image);
    EXPECT_EQ(r.Image->Width(), c.place.Width);
    EXPECT_EQ(r.Image->Height(), c.place.Height);
    EXPECT_EQ(r.Image->PixelFormat(), TPixelFormat::pf32bit);
    // The whole picture is drawn: red on the left edge, blue on the right.
    EXPECT_EQ(r.Image->PixelRGB(0, c.place.Height / 2), 0xFF0000u);
    EXPECT_EQ(r.Image->PixelRGB(c.place.Width - 1, c.place.Height / 2), 0x0000FFu);
    EXPECT_EQ(r.StatusPath, dir / "p.bmp");
    EXPECT_EQ(r.PositionText, "1/1");
  }
}

TEST_F(BrowseTest, LargeJpegPreviewsKeepTheFilesSizeAndComeMadeAhead) {
  // 1600 x 1200 decodes at a quarter for the 186 x 140 place.
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    TBitmap bitmap(1600, 1200, TPixelFormat::pf24bit);
    WriteBmp(dir_ / "tmp.bmp", 1600, 1200);
    bitmap.LoadFromFile(dir_ / "tmp.bmp");
    TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    jpeg.SaveToFile(dir_ / name);
  }
  fs::remove(fs::path(dir_ / "tmp.bmp"));
  Open();
  TLookAhead ahead(list_);
  for (int i = 0; i < 3; ++i) {
    list_.SetItemIndex(i);
    PreviewResult r = MakePreview(list_, settings_, &ahead);
    ahead.Shown(i);
    ahead.WaitIdle();
    ASSERT_EQ(r.State, PreviewResult::Kind::Picture);
    EXPECT_EQ(r.PictureWidth, 1600);
    EXPECT_EQ(r.PictureHeight, 1200);
    EXPECT_EQ(r.StatusSize, MakePreview(list_, settings_).StatusSize);
    ASSERT_TRUE(r.Image);
    EXPECT_EQ(r.Image->Width(), 186);
    EXPECT_EQ(r.Image->Height(), 140);
    const uint32_t left = r.Image->PixelRGB(2, 70), right = r.Image->PixelRGB(183, 70);
    EXPECT_GT(left >> 16, 0xF0u);
    EXPECT_GT(right & 0xFF, 0xF0u);
  }
  EXPECT_EQ(ahead.Reused(), 2);
}

TEST_F(BrowseTest, UndecodableFileShowsNoPictureWithItsSize) {
  dir_.Write("x.bmp", "hello world!");  // 12 bytes of text
  Open();
  PreviewResult r = MakePreview(list_, settings_);
  EXPECT_EQ(r.State, PreviewResult::Kind::NoPicture);
  EXPECT_FALSE(r.Image);
  EXPECT_EQ(r.PictureWidth, 0);
  EXPECT_EQ(r.PictureHeight, 0);
  EXPECT_EQ(r.StatusPath, dir_ / "x.bmp");
  EXPECT_EQ(r.StatusSize, "12 ﾊﾞｲﾄ");
}

TEST_F(BrowseTest, LargeSizesAreGroupedByThousands) {
  std::string path = dir_.Write("big.bmp", "");
  fs::resize_file(path, 123456789);
  Open();
  EXPECT_EQ(MakePreview(list_, settings_).StatusSize, "123,456,789 ﾊﾞｲﾄ");
}

TEST_F(BrowseTest, NoCurrentFileAndVanishedFiles) {
  dir_.Write("a.bmp", "x");
  list_.SetFolder(dir_.Path());
  PreviewResult r = MakePreview(list_, settings_);
  EXPECT_EQ(r.State, PreviewResult::Kind::NoFile);
  EXPECT_EQ(r.PositionText, "0/1");
  EXPECT_TRUE(r.StatusPath.empty());

  // A file removed after listing is not an image problem: the caller reports it.
  list_.SetItemIndex(0);
  fs::remove(dir_ / "a.bmp");
  EXPECT_THROW(MakePreview(list_, settings_), std::exception);
  try {
    MakePreview(list_, settings_);
  } catch (const EInvalidGraphic&) {
    ADD_FAILURE() << "a missing file must not read as an undecodable picture";
  } catch (...) {
  }
}

TEST_F(BrowseTest, NextAndPreviousWrapOnlyWhenAsked) {
  list_.SetEntries({"a.jpg", "b.jpg", "c.jpg"});
  ScriptedDialogs dialogs;

  list_.SetItemIndex(2);
  dialogs.AnswerMessage(MsgButton::No);
  EXPECT_TRUE(GoNext(list_, dialogs));
  EXPECT_EQ(list_.ItemIndex(), 2);
  EXPECT_EQ(dialogs.LastMessage().Text, "最後のﾌｧｲﾙです\r\n先頭に移りますか");
  EXPECT_EQ(dialogs.LastMessage().Kind, MsgKind::Confirmation);
  EXPECT_EQ(dialogs.LastMessage().Buttons, (std::vector<MsgButton>{MsgButton::Yes, MsgButton::No}));
  dialogs.AnswerMessage(MsgButton::Yes);
  EXPECT_TRUE(GoNext(list_, dialogs));
  EXPECT_EQ(list_.ItemIndex(), 0);

  dialogs.AnswerMessage(MsgButton::No);
  EXPECT_TRUE(GoPrevious(list_, dialogs));
  EXPECT_EQ(list_.ItemIndex(), 0);
  EXPECT_EQ(dialogs.LastMessage().Text, "先頭のﾌｧｲﾙです\r\n最後に移りますか");
  dialogs.AnswerMessage(MsgButton::Yes);
  EXPECT_TRUE(GoPrevious(list_, dialogs));
  EXPECT_EQ(list_.ItemIndex(), 2);

  // Inside the list no question is asked.
  dialogs.Clear();
  EXPECT_TRUE(GoPrevious(list_, dialogs));
  EXPECT_TRUE(GoNext(list_, dialogs));
  EXPECT_EQ(list_.ItemIndex(), 2);
  EXPECT_TRUE(dialogs.Calls().empty());

  EXPECT_TRUE(GoFirst(list_));
  EXPECT_EQ(list_.ItemIndex(), 0);
  EXPECT_TRUE(GoLast(list_));
  EXPECT_EQ(list_.ItemIndex(), 2);
}

TEST_F(BrowseTest, OneEntryAndEmptyLists) {
  ScriptedDialogs dialogs;
  list_.SetEntries({"only.jpg"});
  list_.SetItemIndex(0);
  for (MsgButton answer : {MsgButton::Yes, MsgButton::No}) {
    dialogs.AnswerMessage(answer);
    EXPECT_TRUE(GoPrevious(list_, dialogs));
    EXPECT_EQ(list_.ItemIndex(), 0);
  }
  EXPECT_EQ(dialogs.MessageTexts().size(), 2u);

  list_.SetEntries({});
  dialogs.Clear();
  EXPECT_FALSE(GoNext(list_, dialogs));
  EXPECT_FALSE(GoPrevious(list_, dialogs));
  EXPECT_FALSE(GoFirst(list_));
  EXPECT_FALSE(GoLast(list_));
  EXPECT_EQ(list_.ItemIndex(), -1);
  EXPECT_TRUE(dialogs.Calls().empty());

  // Nothing selected: previous and next do nothing.
  list_.SetEntries({"a.jpg"});
  EXPECT_FALSE(GoNext(list_, dialogs));
  EXPECT_EQ(list_.ItemIndex(), -1);
}

}  // namespace
}  // namespace verid
