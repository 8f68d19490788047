// The catalog window's decisions: menu enabling, the entry-to-list mapping, removal and
// navigation.
#include "catalog/Catarog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/Bitmap.h"
#include "imaging/Stream.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace verid {
namespace {

namespace fs = std::filesystem;

TEST(CatalogMenus, SelectionFoldersHiddenMenusAndUndo) {
  test::TempDir dir;
  ViewOwner owner;
  owner.CopyCaptions[1] = dir.Path();
  owner.MoveCaptions[0] = dir.Path() + "/gone";
  const CatalogFolders folders = CatalogFoldersFor(owner);
  fs::create_directory(dir.Path() + "/gone");  // too late: fixed when the window was made

  CatalogState state;
  CatalogMenuState none = CatalogMenus(folders, state, false);
  CatalogMenuState one = CatalogMenus(folders, state, true);
  for (const char* item : {"mnCRename", "mnCCopy", "mnCMove", "mnCDel", "mnCReal", "mnCFit",
                           "mnCFul", "mnCPrev", "mnCNext", "mnCInfo", "mnCWPaper", "pmCReal",
                           "pmCRename", "pmCCopy", "pmCMove", "pmCDel"}) {
    EXPECT_FALSE(none.IsEnabled(item)) << item;
    EXPECT_TRUE(one.IsEnabled(item)) << item;
  }
  for (const char* item : {"mnCSave", "mnCExit", "mnCSlide", "mnCRemake", "mnCFirst", "mnCLast",
                           "mnCConvert", "mnCHideMenu", "pmCRemake", "pmCsave", "pmCClose"})
    EXPECT_TRUE(none.IsEnabled(item)) << item;
  for (const char* prefix : {"mnC", "pmC"}) {
    const std::string p = prefix;
    EXPECT_FALSE(one.IsEnabled(p + "Cpy1"));
    EXPECT_TRUE(one.IsEnabled(p + "Cpy2"));
    EXPECT_FALSE(one.IsEnabled(p + "Move1"));
    EXPECT_EQ(one.Captions.at(p + "Cpy2"), dir.Path());
    EXPECT_EQ(one.Captions.at(p + "Cpy3"), kUnsetFolder);
  }
  EXPECT_FALSE(one.IsEnabled("mnCWallUndo"));
  EXPECT_FALSE(one.IsEnabled("pmCShowMenu"));
  EXPECT_TRUE(one.TopMenus);
  EXPECT_TRUE(one.Popup);

  state.MenusHidden = state.PopupOff = state.WallUndo = true;
  state.Convert = ConvertEntriesFor("/x/a.PNG");
  CatalogMenuState hidden = CatalogMenus(folders, state, false);
  EXPECT_FALSE(hidden.TopMenus);
  EXPECT_FALSE(hidden.Popup);
  EXPECT_TRUE(hidden.IsEnabled("pmCShowMenu"));
  EXPECT_TRUE(hidden.IsEnabled("mnCWallUndo"));
  EXPECT_FALSE(hidden.IsEnabled("mnCConvertBtoJ"));
  EXPECT_TRUE(hidden.IsEnabled("mnCConvertPtoB"));
  EXPECT_TRUE(hidden.IsEnabled("mnCConvertPtoJ"));
}

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

TEST_F(CatalogEntries, SyncMainSelectsTheSamePositionInTheList) {
  EXPECT_EQ(SyncMain(list, 3), 3);
  EXPECT_EQ(list.CurrentFile(), list.PathOf(3));
  EXPECT_EQ(SyncMain(list, -1), -1);
  EXPECT_EQ(list.CurrentFile(), "");
  // An opened catalog may have more entries than the list now shows.
  EXPECT_EQ(SyncMain(list, 7), -1);
}

TEST_F(CatalogEntries, DropEntryKeepsTheThumbnailsAndTheOtherIndexes) {
  SyncMain(list, 2);
  const RemovalStep step = CatalogRemovalStep(list, catalog, [&](int position) {
    EXPECT_EQ(position, 2);
    EXPECT_EQ(catalog.Items.size(), 4u);  // told after the entry went
  });
  EXPECT_TRUE(step.MessageBeforeRemovalOnPlainMove);
  step.Remove(5, 2);
  EXPECT_EQ(Indexes(), (std::vector<int>{0, 1, 3, 4}));
  EXPECT_EQ(catalog.Images.Count(), 5);
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"a.bmp", "b.bmp", "d.bmp", "e.bmp"}));
  EXPECT_EQ(list.ItemIndex(), -1);

  DropEntry(list, catalog, 3);  // the last one
  DropEntry(list, catalog, 9);  // nothing there
  EXPECT_EQ(Indexes(), (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(list.Count(), 3);
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
