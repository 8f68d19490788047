// The catalog window's decisions: the entry-to-list mapping, removal and navigation.
#include "catalog/Catarog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/Stream.h"
#include "imaging/Bitmap.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace verid {
namespace {

namespace fs = std::filesystem;

class CatalogEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    start_ = fs::current_path();
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}) {
      dir.Write(name, "x");
      CatalogEntry entry;
      entry.Caption = name;
      entry.ImageIndex = static_cast<int32_t>(catalog.Items.size());
      catalog.Items.push_back(entry);
      catalog.Images.Add(TBitmap(16, 16, TPixelFormat::pf24bit));
    }
    list.SetFolder(dir.Path());
  }
  void TearDown() override { fs::current_path(start_); }
  std::vector<int> Indexes() const {
    std::vector<int> out;
    for (const CatalogEntry& e : catalog.Items) out.push_back(e.ImageIndex);
    return out;
  }

  test::TempDir dir;
  FileList list;
  Catalog catalog;
  fs::path start_;
};

// The window test removes entries through the commands; these are the edges it cannot reach.
TEST_F(CatalogEntries, SyncMainAndDropEntryOutsideTheList) {
  EXPECT_EQ(SyncMain(list, 3), 3);
  EXPECT_EQ(list.CurrentFile(), list.PathOf(3));
  // An opened catalog may have more entries than the list now shows.
  EXPECT_EQ(SyncMain(list, 7), -1);
  EXPECT_EQ(list.CurrentFile(), "");

  const RemovalStep step = CatalogRemovalStep(list, catalog, [&](int position) {
    EXPECT_EQ(catalog.Items.size(), 4u) << position;  // told after the entry went
  });
  step.Remove(5, 4);            // the last one
  DropEntry(list, catalog, 9);  // nothing there
  EXPECT_EQ(Indexes(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(catalog.Images.Count(), 5);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.ItemIndex(), -1);
}

TEST(CatalogNavigation, StepsAndTheQuestionsAtTheEnds) {
  struct Case {
    const char* what;
    int selected, count;
    bool next;
    std::optional<MsgButton> answer;  // a question is asked
    int expected;
  };
  const Case cases[] = {
      {"next in the middle", 150, 200, true, {}, 151},
      {"previous in the middle", 150, 200, false, {}, 149},
      {"next on the last, no", 199, 200, true, MsgButton::No, 199},
      {"next on the last, yes", 199, 200, true, MsgButton::Yes, 0},
      {"previous on the first, yes", 0, 200, false, MsgButton::Yes, 199},
      {"previous on the first, no", 0, 200, false, MsgButton::No, 0},
      {"next on an empty catalog", -1, 0, true, {}, -1},
  };
  for (const Case& c : cases) {
    test::ScriptedDialogs dialogs;
    if (c.answer) dialogs.AnswerMessage(*c.answer);
    const int got = c.next ? CatalogNext(c.selected, c.count, dialogs)
                           : CatalogPrev(c.selected, c.count, dialogs);
    EXPECT_EQ(got, c.expected) << c.what;
    EXPECT_EQ(dialogs.MessageTexts().size(), c.answer ? 1u : 0u) << c.what;
    if (c.answer) {
      EXPECT_EQ(dialogs.LastMessage().Text, c.next ? "最後のﾌｧｲﾙです\r\n先頭に移りますか"
                                                   : "先頭のﾌｧｲﾙです\r\n最後に移りますか");
    }
  }
  EXPECT_EQ(CatalogFirst(0), -1);
  EXPECT_EQ(CatalogLast(0), -1);
  EXPECT_EQ(CatalogLast(5), 4);
}

TEST(CatalogInfo, DimensionsOfAPictureOrNoneForAFileThatIsNoPicture) {
  test::TempDir dir;
  TBitmap(30, 20, TPixelFormat::pf24bit).SaveToFile(dir / "a.bmp");
  dir.Write("b.jpg", "not a picture");
  EXPECT_EQ(InfoDimensions(dir / "a.bmp"), std::make_pair(30, 20));
  EXPECT_EQ(InfoDimensions(dir / "b.jpg"), std::make_pair(0, 0));
  EXPECT_THROW(InfoDimensions(dir / "gone.bmp"), EFileError);
}

}  // namespace
}  // namespace verid
