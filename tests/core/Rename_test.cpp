#include "dialogs/Rename.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/ImageBuilders.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WorkingFolder.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::ScriptedDialogs;
using test::TempDir;

class RenameTest : public test::WorkingFolderTest {
 protected:
  void Open(std::vector<std::string> names, int selected) {
    for (const auto& n : names) dir_.Write(n, "12345");
    list_.SetFolder(dir_.Path());
    list_.SetItemIndex(selected);
  }
  TempDir dir_;
  FileList list_;
  ScriptedDialogs dialogs_;
};

TEST(RenameProposalTest, NameAndLowerCasedExtension) {
  EXPECT_EQ(ProposeRename("/p/IMG_01.JPG").Base, "IMG_01");
  EXPECT_EQ(ProposeRename("/p/IMG_01.JPG").Ext, ".jpg");
  EXPECT_EQ(ProposeRename("/p/a.b.PNG").Base, "a.b");
  EXPECT_EQ(ProposeRename("/p.d/noext").Base, "noext");
  EXPECT_EQ(ProposeRename("/p.d/noext").Ext, "");
}

TEST_F(RenameTest, RenamesInPlaceKeepingTheListOrder) {
  Open({"A.jpg", "IMG_01.JPG", "z.jpg"}, 1);
  RenameResult r = ApplyRename(list_, "holiday", dialogs_);
  ASSERT_TRUE(r.Renamed);
  EXPECT_EQ(list_.Entries(), (std::vector<std::string>{"A.jpg", "holiday.jpg", "z.jpg"}));
  EXPECT_EQ(list_.ItemIndex(), 1);
  EXPECT_TRUE(fs::exists(dir_ / "holiday.jpg"));
  EXPECT_FALSE(fs::exists(dir_ / "IMG_01.JPG"));
  EXPECT_EQ(r.NewPath, dir_ / "holiday.jpg");
  EXPECT_EQ(r.StatusSize, "5 ﾊﾞｲﾄ");
  EXPECT_TRUE(dialogs_.Calls().empty());
}

TEST_F(RenameTest, DotsInTheNewNameAndAnUnchangedNameLowerCaseTheExtension) {
  Open({"photo.png", "IMG.JPG"}, -1);
  list_.SetItemIndex(list_.IndexOf("IMG.JPG"));
  ASSERT_TRUE(ApplyRename(list_, "IMG", dialogs_).Renamed);
  EXPECT_EQ(list_.CurrentFile(), dir_ / "IMG.jpg");
  // The names on disk, also where case is ignored.
  if (!test::UnderWine()) {
    EXPECT_EQ(test::SortedNames(dir_.Path()), (std::vector<std::string>{"IMG.jpg", "photo.png"}));
  }

  list_.SetItemIndex(list_.IndexOf("photo.png"));
  ASSERT_TRUE(ApplyRename(list_, "a.b", dialogs_).Renamed);
  EXPECT_TRUE(fs::exists(dir_ / "a.b.png"));
}

TEST_F(RenameTest, RefusedNamesChangeNothing) {
  Open({"a.jpg", "b.jpg"}, 0);
  EXPECT_FALSE(ApplyRename(list_, "", dialogs_).Renamed);
  EXPECT_EQ(dialogs_.LastMessage().Text, kRenameEmptyMessage);
  EXPECT_EQ(dialogs_.LastMessage().Kind, MsgKind::Error);

  EXPECT_FALSE(ApplyRename(list_, "b", dialogs_).Renamed);
  EXPECT_EQ(dialogs_.LastMessage().Text, kRenameFailedMessage);
  EXPECT_TRUE(fs::exists(dir_ / "a.jpg"));
  EXPECT_TRUE(fs::exists(dir_ / "b.jpg"));

  // A separator would move the file into another folder.
  dir_.MakeDir("sub");
  EXPECT_FALSE(ApplyRename(list_, "sub/x", dialogs_).Renamed);
  EXPECT_FALSE(fs::exists(dir_ / "sub/x.jpg"));
  EXPECT_EQ(list_.Entries(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_EQ(dialogs_.MessageTexts().size(), 3u);
}

TEST_F(RenameTest, AnEntryInASubFolderKeepsItsFolder) {
  dir_.Write("sub/x.PNG", "");
  list_.SetFolder(dir_.Path());
  list_.SetEntries({"sub/x.PNG"});
  list_.SetItemIndex(0);
  ASSERT_TRUE(ApplyRename(list_, "y", dialogs_).Renamed);
  EXPECT_EQ(list_.Entry(0), "sub/y.png");
  EXPECT_TRUE(fs::exists(list_.CurrentFile()));
}

}  // namespace
}  // namespace verid
