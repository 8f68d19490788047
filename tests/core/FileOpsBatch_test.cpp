// Copy-all, move-all and delete-all over the list, with real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/FileOps.h"
#include "support/FakePlatform.h"
#include "support/FileOpsFixture.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"
#include "support/WorkingFolder.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::FakePlatform;
using test::ReadAll;
using test::ReadText;
using test::ScriptedDialogs;
using test::SortedNames;
using test::TempDir;

class BatchTest : public test::FileOpsFixture {
 protected:
  void SetUp() override { dst_ += "/"; }
  std::function<void()> FollowUp() {
    return [this] { followUps_.push_back(list_.ItemIndex()); };
  }

  std::vector<int> followUps_;  // the selection each follow-up saw
};

TEST_F(BatchTest, QuestionTextsRunTogether) {
  EXPECT_EQ(CopyAllQuestion(12, "/backup/"), "これら12個のﾌｧｲﾙを /backup/ にｺﾋﾟｰしますか？");
  EXPECT_EQ(MoveAllQuestion(3, "/m"), "これら3個のﾌｧｲﾙを /m に移動しますか？");
  EXPECT_EQ(DeleteAllQuestion(7), "これらの7個のﾌｧｲﾙを削除しますか");
  EXPECT_EQ(BatchClashQuestion("b.jpg"),
            "b.jpgという同名のﾌｧｲﾙが既に存在しています\r\n上書きしますか？");
}

TEST_F(BatchTest, CopyAllNoToAllSkipsEveryLaterClash) {
  MakeList({"a.jpg", "b.jpg", "c.jpg", "d.jpg"}, 3);
  dir_.Write("dst/b.jpg", "old b");
  dir_.Write("dst/c.jpg", "old c");
  settings_.CopyClashMode = 0;
  dialogs_.AnswerMessage(MsgButton::Ok);
  dialogs_.AnswerMessage(MsgButton::NoToAll);
  BatchResult r = CopyAll(Env(), dst_);
  EXPECT_EQ(r.Done, 2);
  EXPECT_EQ(r.Failed, 0);
  EXPECT_EQ(dialogs_.MessageTexts(),
            (std::vector<std::string>{CopyAllQuestion(4, dst_), BatchClashQuestion("b.jpg"),
                                      kCopyAllDoneMessage}));
  const auto& clash = dialogs_.Calls()[1].Message;
  EXPECT_EQ(clash.Kind, MsgKind::Warning);
  EXPECT_EQ(clash.Buttons,
            (std::vector<MsgButton>{MsgButton::Yes, MsgButton::No, MsgButton::NoToAll}));
  EXPECT_EQ(ReadText(dst_ + "b.jpg"), "old b");
  EXPECT_EQ(ReadText(dst_ + "c.jpg"), "old c");
  EXPECT_EQ(ReadText(dst_ + "d.jpg"), "d.jpg");
  EXPECT_EQ(list_.Count(), 4);
  EXPECT_EQ(list_.ItemIndex(), 3);  // back where it was
  EXPECT_TRUE(dialogs_.AllAnswersUsed());
}

TEST_F(BatchTest, CopyAllAnswersAndModes) {
  MakeList({"a.jpg", "b.jpg"}, 0);
  dir_.Write("dst/a.jpg", "old a");
  dir_.Write("dst/b.jpg", "old b");

  // Ask mode: はい replaces, いいえ keeps the old file.
  settings_.CopyClashMode = 0;
  dialogs_.AnswerMessage(MsgButton::Ok);
  dialogs_.AnswerMessage(MsgButton::Yes);
  dialogs_.AnswerMessage(MsgButton::No);
  EXPECT_EQ(CopyAll(Env(), dst_).Done, 1);
  EXPECT_EQ(ReadText(dst_ + "a.jpg"), "a.jpg");
  EXPECT_EQ(ReadText(dst_ + "b.jpg"), "old b");

  // Free names, no question per file.
  settings_.CopyClashMode = 1;
  dialogs_.AnswerMessage(MsgButton::Ok);
  EXPECT_EQ(CopyAll(Env(), dst_).Done, 2);
  EXPECT_EQ(SortedNames(dst_), (std::vector<std::string>{"a.jpg", "a0.jpg", "b.jpg", "b0.jpg"}));

  // Any other mode leaves clashes alone, and they are not failures.
  settings_.CopyClashMode = 5;
  dialogs_.Clear();
  dialogs_.AnswerMessage(MsgButton::Ok);
  BatchResult r = CopyAll(Env(), dst_);
  EXPECT_EQ(r.Done, 0);
  EXPECT_EQ(r.Failed, 0);
  EXPECT_EQ(dialogs_.LastMessage().Text, kCopyAllDoneMessage);

  // Cancelling the question copies nothing.
  dialogs_.AnswerMessage(MsgButton::Cancel);
  EXPECT_EQ(CopyAll(Env(), dir_.MakeDir("empty")).Result, OpResult::Cancelled);
  EXPECT_TRUE(SortedNames(dir_ / "empty").empty());
}

TEST_F(BatchTest, CopyAllOfManyAndOfTwoFilesOfOneName) {
  // Many files: the clash of a late one is still asked in its turn.
  std::vector<std::string> names;
  for (int i = 0; i < 150; ++i) {
    std::string name = std::to_string(1000 + i);
    names.push_back(name.insert(0, 1, 'f').append(".jpg"));
  }
  MakeList(names, 0);
  dir_.Write("dst/f1140.jpg", "old");
  settings_.CopyClashMode = 0;
  dialogs_.AnswerMessage(MsgButton::Ok);
  dialogs_.AnswerMessage(MsgButton::No);
  EXPECT_EQ(CopyAll(Env(), dst_).Done, 149);
  EXPECT_EQ(dialogs_.MessageTexts()[1], BatchClashQuestion("f1140.jpg"));
  EXPECT_EQ(SortedNames(dst_), names);  // nothing left under a temporary name
  EXPECT_EQ(ReadText(dst_ + "f1140.jpg"), "old");
  EXPECT_EQ(ReadText(dst_ + "f1149.jpg"), "f1149.jpg");

  // Search results can hold one name twice: the second is a clash.
  dir_.Write("src/one/x.jpg", "first");
  dir_.Write("src/two/x.jpg", "second");
  list_.SetEntries({"one/x.jpg", "two/x.jpg"});
  list_.SetItemIndex(0);
  const std::string other = dir_.MakeDir("other");
  dialogs_.Clear();
  dialogs_.AnswerMessage(MsgButton::Ok);
  dialogs_.AnswerMessage(MsgButton::No);
  CopyAll(Env(), other);
  EXPECT_EQ(dialogs_.MessageTexts()[1], BatchClashQuestion("x.jpg"));
  EXPECT_EQ(SortedNames(other), std::vector<std::string>{"x.jpg"});
  EXPECT_EQ(ReadText(other + "/x.jpg"), "first");
}

TEST_F(BatchTest, MoveAllClashAnsweredNoLeavesThatEntry) {
  MakeList({"a.jpg", "b.jpg", "c.jpg"}, 2);
  dir_.Write("dst/b.jpg", "old b");
  settings_.MoveClashMode = 0;
  dialogs_.AnswerMessage(MsgButton::Ok);
  dialogs_.AnswerMessage(MsgButton::No);
  BatchResult r = MoveAll(Env(), dst_, FollowUp());
  EXPECT_EQ(r.Done, 2);
  EXPECT_EQ(list_.Entries(), std::vector<std::string>{"b.jpg"});
  EXPECT_EQ(list_.ItemIndex(), 0);
  EXPECT_EQ(followUps_, std::vector<int>{0});
  EXPECT_EQ(dialogs_.LastMessage().Text, kMovedMessage);
  EXPECT_EQ(SortedNames(src_), std::vector<std::string>{"b.jpg"});
  EXPECT_EQ(ReadText(dst_ + "b.jpg"), "old b");
  EXPECT_EQ(ReadText(dst_ + "c.jpg"), "c.jpg");
}

TEST_F(BatchTest, MoveAllFreeNamesEmptiesTheList) {
  MakeList({"a.jpg", "b.jpg"}, 0);
  dir_.Write("dst/a.jpg", "old a");
  settings_.MoveClashMode = 1;
  dialogs_.AnswerMessage(MsgButton::Ok);
  MoveAll(Env(), dst_, FollowUp());
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_EQ(followUps_, std::vector<int>{-1});
  EXPECT_EQ(ReadText(dst_ + "a0.jpg"), "a.jpg");
  EXPECT_EQ(ReadText(dst_ + "a.jpg"), "old a");
  EXPECT_TRUE(SortedNames(src_).empty());
}

TEST_F(BatchTest, MoveAllYesReplacesAndNoToAllStopsAsking) {
  MakeList({"a.jpg", "b.jpg", "c.jpg"}, 0);
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) dir_.Write(std::string("dst/") + n, "old");
  settings_.MoveClashMode = 0;
  dialogs_.AnswerMessage(MsgButton::Ok);
  dialogs_.AnswerMessage(MsgButton::Yes);
  dialogs_.AnswerMessage(MsgButton::NoToAll);
  MoveAll(Env(), dst_, FollowUp());
  EXPECT_EQ(dialogs_.MessageTexts().size(), 4u);  // question, two clashes, the end
  EXPECT_EQ(list_.Entries(), (std::vector<std::string>{"b.jpg", "c.jpg"}));
  EXPECT_EQ(ReadText(dst_ + "a.jpg"), "a.jpg");
  EXPECT_EQ(ReadText(dst_ + "c.jpg"), "old");
}

// A failure that is no clash asks nothing, in any clash mode; the end is a warning that
// names the files with the system's reason and counts them, and nothing is lost.
TEST_F(BatchTest, FailuresThatAreNoClashAreNamedInAWarning) {
  const std::vector<std::string> names = {"p10.jpg", "p11.jpg", "p12.jpg", "p13.jpg",
                                          "p14.jpg", "p15.jpg", "p16.jpg", "p17.jpg",
                                          "p18.jpg", "p19.jpg", "p20.jpg", "p21.jpg"};
  MakeList(names, 0);
  for (uint16_t mode : {0, 1, 2}) {
    settings_.CopyClashMode = settings_.MoveClashMode = mode;
    test::RunAsNobody(dir_.Path(), [&] {
      fs::permissions(dst_, fs::perms::owner_read | fs::perms::owner_exec);
      dialogs_.Clear();
      dialogs_.AnswerMessage(MsgButton::Ok);
      BatchResult r = CopyAll(Env(), dst_);
      EXPECT_EQ(r.Failed, 12);
      ASSERT_EQ(dialogs_.MessageTexts().size(), 2u) << "mode " << mode;  // question, end
      const MessageRequest& end = dialogs_.LastMessage();
      EXPECT_EQ(end.Kind, MsgKind::Warning);
      EXPECT_EQ(end.Text.rfind(kCopyFailedMessage, 0), 0u) << end.Text;
      EXPECT_NE(end.Text.find("p10.jpg"), std::string::npos);
      EXPECT_NE(end.Text.find("p19.jpg"), std::string::npos);
      EXPECT_EQ(end.Text.find("p20.jpg"), std::string::npos);  // ten named, the rest counted
      EXPECT_NE(end.Text.find(std::strerror(EACCES)), std::string::npos);
      EXPECT_NE(end.Text.find("\r\n...\r\n12" + std::string(kNotDoneSuffix)), std::string::npos);

      dialogs_.Clear();
      dialogs_.AnswerMessage(MsgButton::Ok);
      r = MoveAll(Env(), dst_, FollowUp());
      EXPECT_EQ(r.Failed, 12);
      ASSERT_EQ(dialogs_.MessageTexts().size(), 2u);
      EXPECT_EQ(dialogs_.LastMessage().Kind, MsgKind::Warning);
      EXPECT_EQ(dialogs_.LastMessage().Text.rfind(kMoveFailedMessage, 0), 0u);
      EXPECT_EQ(list_.Count(), 12);
      EXPECT_EQ(SortedNames(src_), names);
      EXPECT_TRUE(SortedNames(dst_).empty());
    });
  }
}

TEST_F(BatchTest, AClashAndAFailureInOneBatch) {
  MakeList({"a.jpg", "b.jpg", "c.jpg"}, 0);
  dir_.Write("dst/b.jpg", "old");
  fs::remove(src_ + "/c.jpg");  // gone since it was listed
  settings_.CopyClashMode = 0;
  dialogs_.AnswerMessage(MsgButton::Ok);
  dialogs_.AnswerMessage(MsgButton::No);  // the clash of b.jpg only
  BatchResult r = CopyAll(Env(), dst_);
  EXPECT_EQ(r.Done, 1);
  EXPECT_EQ(r.Failed, 1);
  const std::vector<std::string> texts = dialogs_.MessageTexts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[1], BatchClashQuestion("b.jpg"));
  EXPECT_NE(texts[2].find("c.jpg"), std::string::npos);
  EXPECT_EQ(texts[2].find("b.jpg"), std::string::npos);  // declined, not failed
  EXPECT_EQ(ReadText(dst_ + "b.jpg"), "old");
}

// Entry "locked/b.jpg" lies in a folder the user may not change.
class DeleteAllTest : public BatchTest {
 protected:
  void MakeMixedList() {
    dir_.Write("src/a.jpg", "a");
    dir_.Write("src/locked/b.jpg", "b");
    dir_.Write("src/c.jpg", "c");
    list_.SetFolder(src_);
    list_.SetEntries({"a.jpg", "locked/b.jpg", "c.jpg"});
  }
  void Lock() { fs::permissions(src_ + "/locked", fs::perms::owner_read | fs::perms::owner_exec); }
};

TEST_F(DeleteAllTest, DirectKeepsTheEntryWhoseFileRemains) {
  MakeMixedList();
  settings_.DeleteMethod = 2;
  test::RunAsNobody(dir_.Path(), [&] {
    Lock();
    list_.SetItemIndex(2);
    dialogs_.AnswerMessage(MsgButton::Ok);
    BatchResult r = DeleteAll(Env(), FollowUp());
    EXPECT_EQ(r.Done, 2);
    EXPECT_EQ(r.Failed, 1);
    EXPECT_EQ(dialogs_.MessageTexts().front(), DeleteAllQuestion(3));
    const MessageRequest& error = dialogs_.LastMessage();
    EXPECT_EQ(error.Kind, MsgKind::Error);
    EXPECT_NE(error.Text.find("locked/b.jpg"), std::string::npos) << error.Text;
    EXPECT_NE(error.Text.find(std::string("\r\n1") + kNotDoneSuffix), std::string::npos);
    EXPECT_EQ(list_.Entries(), std::vector<std::string>{"locked/b.jpg"});
    EXPECT_EQ(list_.ItemIndex(), 0);  // the selected file went: the first remaining one
    EXPECT_EQ(followUps_, std::vector<int>{0});
    EXPECT_EQ(ReadText(src_ + "/locked/b.jpg"), "b");
  });
}

TEST_F(DeleteAllTest, TrashAsksOnceAndKeepsWhatStays) {
  MakeMixedList();
  settings_.DeleteMethod = 1;
  test::RunAsNobody(dir_.Path(), [&] {
    Lock();
    list_.SetItemIndex(1);
    dialogs_.AnswerMessage(MsgButton::Yes);
    DeleteAll(Env(), FollowUp());
    EXPECT_EQ(dialogs_.MessageTexts().size(), 2u);  // one question, one failure box
    EXPECT_EQ(dialogs_.MessageTexts()[0], "これら3個のﾌｧｲﾙをゴミ箱に移動しますか");
    EXPECT_NE(dialogs_.LastMessage().Text.find(std::string("\r\n1") + kNotDoneSuffix),
              std::string::npos);
    EXPECT_EQ(platform_.trashed.size(), 2u);
    EXPECT_EQ(list_.Entries(), std::vector<std::string>{"locked/b.jpg"});
    EXPECT_EQ(list_.ItemIndex(), 0);  // still the file that was selected
  });
}

TEST_F(DeleteAllTest, TrashDeclinedOrMethodZeroChangesNothing) {
  MakeMixedList();
  list_.SetItemIndex(1);
  settings_.DeleteMethod = 1;
  dialogs_.AnswerMessage(MsgButton::No);
  DeleteAll(Env(), FollowUp());
  settings_.DeleteMethod = 0;
  EXPECT_EQ(DeleteAll(Env(), FollowUp()).Result, OpResult::Nothing);
  EXPECT_EQ(dialogs_.MessageTexts().size(), 1u);
  EXPECT_EQ(list_.Count(), 3);
  EXPECT_EQ(list_.ItemIndex(), 1);
  EXPECT_TRUE(followUps_.empty());
  EXPECT_TRUE(platform_.trashed.empty());
  EXPECT_EQ(SortedNames(src_), (std::vector<std::string>{"a.jpg", "c.jpg", "locked"}));
}

TEST_F(DeleteAllTest, DirectWithoutConfirmEmptiesTheList) {
  MakeList({"a.jpg", "b.jpg"}, 1);
  settings_.DeleteMethod = 2;
  settings_.DeleteNoConfirm = true;
  DeleteAll(Env(), FollowUp());
  EXPECT_TRUE(dialogs_.Calls().empty());
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_EQ(followUps_, std::vector<int>{-1});
  EXPECT_TRUE(SortedNames(src_).empty());
}

}  // namespace
}  // namespace verid
