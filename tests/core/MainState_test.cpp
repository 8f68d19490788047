// The main window's state without the window: folder captions, the slots' enabling, and
// the rules for selection and lock.
#include "app/MainState.h"

#include <gtest/gtest.h>

#include <map>

#include "support/TempDir.h"

namespace verid {
namespace {

std::map<std::string, TMainItem> ByName(const TMainState& state) {
  std::map<std::string, TMainItem> items;
  for (const TMainItem& item : MainItems(state)) items[item.Name] = item;
  return items;
}

TEST(MainState, FolderItemsTakeCaptionsAndEnablingFromTheFolders) {
  test::TempDir dir;
  AppSettings s;
  s.SearchFolders[0] = dir.MakeDir("s & t");
  s.CopyFolders[1] = dir.Path() + "/gone";
  s.MoveFolders[7] = "\x8E\xCA\x90\x5E";  // CP932 bytes, not a folder here
  TMainState state;
  ReadFolders(state, s);
  auto items = ByName(state);
  EXPECT_EQ(items["mnFind1"].Caption, NativePath(dir.Path() + "/s && t"));
  EXPECT_TRUE(items["mnFind1"].Enabled);
  EXPECT_EQ(SlotCaption(state, 1), NativePath(dir.Path() + "/s & t"));
  EXPECT_EQ(SlotCaption(state, 2), "未指定");
  for (const char* name : {"mnCpys2", "pmCopys2", "mnAllCopy2"}) {
    EXPECT_EQ(items[name].Caption, dir.Path() + "/gone") << name;
    EXPECT_FALSE(items[name].Enabled) << name;
  }
  for (const char* name : {"mnGoTos8", "pmGoTos8", "mnAllGoto8"})
    EXPECT_EQ(items[name].Caption, "写真") << name;
  EXPECT_EQ(items["mnFind3"].Caption, "未指定");
  EXPECT_EQ(items.size(), size_t(kSlotCount * 7 + 32));

  // A folder chosen in the properties window is shown and enabled at once.
  SetSlotFolder(state, TSlotKind::Copy, 2, "/new & old");
  items = ByName(state);
  EXPECT_EQ(items["pmCopys2"].Caption, "/new && old");
  EXPECT_TRUE(items["pmCopys2"].Enabled);
  EXPECT_FALSE(items["mnGoTos2"].Enabled);
}

TEST(MainState, SelectionAndLockRules) {
  test::TempDir dir;
  AppSettings s;
  s.SearchFolders[0] = dir.MakeDir("here");
  TMainState state;
  ReadFolders(state, s);
  EXPECT_FALSE(ByName(state)["mnDel"].Enabled);
  state.Selection = true;
  for (const char* name : {"mnDel", "pmDel", "mnConvert", "mnLast", "pmSlideShow"})
    EXPECT_TRUE(ByName(state)[name].Enabled) << name;
  EXPECT_TRUE(FindButtonEnabled(state, 1));
  EXPECT_FALSE(FindButtonEnabled(state, 2));
  EXPECT_TRUE(CommandsEnabled(state));

  SetLocked(state, true, true);  // a slide show keeps the show menu
  EXPECT_TRUE(TopMenuEnabled(state, "mnShow"));
  EXPECT_FALSE(TopMenuEnabled(state, "mnFile"));
  SetLocked(state, true);
  EXPECT_FALSE(TopMenuEnabled(state, "mnShow"));
  EXPECT_FALSE(CommandsEnabled(state));
  EXPECT_FALSE(FindButtonEnabled(state, 1));
  // After an unlock every search button is back, until the folders are read again.
  SetLocked(state, false);
  EXPECT_TRUE(CommandsEnabled(state));
  EXPECT_TRUE(FindButtonEnabled(state, 2));
  ReadFolders(state, s);
  EXPECT_FALSE(FindButtonEnabled(state, 2));
}

}  // namespace
}  // namespace verid
