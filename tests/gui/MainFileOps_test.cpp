// The main window's file commands reach the file operations and the list follows them.
#include <QAction>
#include <QLabel>

#include "app/FileOps.h"
#include "support/GuiTest.h"

namespace verid::test {
namespace {

using MainFileOps = MainWithFoldersTest;

TEST_F(MainFileOps, CopyMoveAndDeleteFromTheMenus) {
  TMainForm& f = Make(folder);
  ASSERT_EQ(f.List().Count(), 3);

  Act("mnCpys1")->trigger();
  EXPECT_TRUE(std::filesystem::exists(copyTarget + "/a.bmp"));
  EXPECT_EQ(dialogs.LastMessage().Text, kCopiedMessage);
  EXPECT_EQ(f.List().Count(), 3);

  // A move takes the entry out and previews its follower.
  f.List().SetItemIndex(1);
  f.FileListBoxClick();
  Act("mnGoTos2")->trigger();
  EXPECT_TRUE(std::filesystem::exists(moveTarget + "/b.bmp"));
  EXPECT_FALSE(std::filesystem::exists(folder + "/b.bmp"));
  EXPECT_EQ(dialogs.LastMessage().Text, kMovedMessage);
  ASSERT_EQ(f.List().Count(), 2);
  EXPECT_EQ(f.List().Entry(f.List().ItemIndex()), "c.bmp");
  EXPECT_EQ(f.itemCountLbl()->text(), "2/2");

  // Delete to the trash after the question; the last entry goes, the one before follows.
  dialogs.AnswerMessage(MsgButton::Yes);
  Act("mnDel")->trigger();
  EXPECT_EQ(platform.trashed.size(), 1u);
  ASSERT_EQ(f.List().Count(), 1);
  EXPECT_EQ(f.List().CurrentFile(), folder + "/a.bmp");

  // Declining leaves the file and the list alone.
  dialogs.AnswerMessage(MsgButton::No);
  Act("pmDel")->trigger();
  EXPECT_EQ(f.List().Count(), 1);
  EXPECT_TRUE(std::filesystem::exists(folder + "/a.bmp"));
  EXPECT_TRUE(dialogs.AllAnswersUsed());
}

TEST_F(MainFileOps, AnotherFolderIsChosenThenRemembered) {
  TMainForm& f = Make(folder);
  std::string other = dir.MakeDir("other");
  dialogs.AnswerDirectory(other);
  Act("mnAnotherCpy")->trigger();
  EXPECT_TRUE(std::filesystem::exists(other + "/a.bmp"));
  EXPECT_EQ(f.Settings().OtherFolder, other + "/");
  // Cancelling the folder dialog copies nothing.
  dialogs.AnswerDirectory(std::nullopt);
  Act("mnAnotherGto")->trigger();
  EXPECT_EQ(f.List().Count(), 3);
}

}  // namespace
}  // namespace verid::test

int main(int argc, char** argv) {
  return verid::test::GuiTestMain(argc, argv);
}
