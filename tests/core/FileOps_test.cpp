#include "app/FileOps.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

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

class FileOpsTest : public test::FileOpsFixture {
 protected:
  RemovalStep Follow() {
    RemovalStep step;
    step.FollowUp = [this] {
      events_.push_back("followup after " + std::to_string(dialogs_.MessageTexts().size()));
    };
    return step;
  }

  std::vector<std::string> events_;
};

// --- rules ---------------------------------------------------------------------------------

TEST_F(FileOpsTest, TargetJoinAndFreeName) {
  if (PathDelim != '/')
    GTEST_SKIP() << "POSIX-style paths; drive paths are checked in Platform_test";
  EXPECT_EQ(TargetPath("/pics", "a.jpg"), "/pics/a.jpg");
  EXPECT_EQ(TargetPath("/pics/", "a.jpg"), "/pics/a.jpg");
  EXPECT_EQ(TargetPath("/pics", "sub/a.jpg"), "/pics/a.jpg");

  EXPECT_EQ(FreeName(dst_, "a.jpg"), "a.jpg");
  dir_.Write("dst/a.jpg", "");
  dir_.Write("dst/a0.jpg", "");
  EXPECT_EQ(FreeName(dst_, "a.jpg"), "a00.jpg");
  EXPECT_EQ(FreeName(dst_ + "/", "a.jpg"), "a00.jpg");
  dir_.Write("dst/README", "");
  EXPECT_EQ(FreeName(dst_, "README"), "README0");
  dir_.Write("dst/x.tar.gz", "");
  EXPECT_EQ(FreeName(dst_, "x.tar.gz"), "x.tar0.gz");
}

TEST_F(FileOpsTest, RemoveEntrySelectsTheFollower) {
  struct Case {
    int index;
    int selected;
    std::vector<std::string> left;
  };
  for (const Case& c : {Case{0, 0, {"b", "c"}}, Case{1, 1, {"a", "c"}}, Case{2, 1, {"a", "b"}}}) {
    FileList list;
    list.SetEntries({"a", "b", "c"});
    list.SetItemIndex(c.index);
    RemoveEntry(list, 3, c.index);
    EXPECT_EQ(list.Entries(), c.left) << c.index;
    EXPECT_EQ(list.ItemIndex(), c.selected) << c.index;
  }
  FileList one;
  one.SetEntries({"a"});
  one.SetItemIndex(0);
  RemoveEntry(one, 1, 0);
  EXPECT_EQ(one.Count(), 0);
  EXPECT_EQ(one.ItemIndex(), -1);
  EXPECT_EQ(one.CurrentFile(), "");
}

TEST_F(FileOpsTest, ConversionEntriesByExtension) {
  auto on = [](const std::string& path) {
    std::vector<int> kinds;
    ConvertMenuState s = ConvertEntriesFor(path);
    for (int k = 0; k < 6; ++k)
      if (s.Enabled[k]) kinds.push_back(k);
    return kinds;
  };
  EXPECT_EQ(on("/a/b.JPG"), (std::vector<int>{2, 3}));
  EXPECT_EQ(on("b.jpeg"), (std::vector<int>{2, 3}));
  EXPECT_EQ(on("b.Png"), (std::vector<int>{4, 5}));
  EXPECT_EQ(on("b.bmp"), (std::vector<int>{0, 1}));
  EXPECT_EQ(on("b.gif"), (std::vector<int>{0, 1}));
}

// --- copy ------------------------------------------------------------------------------------

TEST_F(FileOpsTest, CopyIntoAFolderWithOrWithoutTrailingSeparator) {
  MakeList({"a.jpg"}, 0);
  auto stamp = fs::last_write_time(src_ + "/a.jpg") - std::chrono::hours(24);
  fs::last_write_time(src_ + "/a.jpg", stamp);

  EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Done);
  EXPECT_EQ(ReadText(dst_ + "/a.jpg"), "a.jpg");
  EXPECT_EQ(fs::last_write_time(dst_ + "/a.jpg"), stamp);
  EXPECT_EQ(dialogs_.LastMessage().Text, kCopiedMessage);
  EXPECT_EQ(dialogs_.LastMessage().Kind, MsgKind::Information);

  std::string other = dir_.MakeDir("other");
  EXPECT_EQ(CopyToFolder(Env(), other + "/"), OpResult::Done);
  EXPECT_EQ(SortedNames(other), (std::vector<std::string>{"a.jpg"}));
  EXPECT_EQ(list_.Count(), 1);  // a copy never changes the list
  EXPECT_EQ(list_.ItemIndex(), 0);
}

TEST_F(FileOpsTest, CopyClashModes) {
  MakeList({"a.jpg"}, 0);
  dir_.Write("dst/a.jpg", "old");
  dir_.Write("dst/a0.jpg", "old0");

  // 0, cancelled: nothing changes.
  settings_.CopyClashMode = 0;
  dialogs_.AnswerMessage(MsgButton::Cancel);
  EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Cancelled);
  EXPECT_EQ(ReadText(dst_ + "/a.jpg"), "old");
  EXPECT_EQ(dialogs_.LastMessage().Text, kClashQuestion);
  EXPECT_EQ(dialogs_.LastMessage().Kind, MsgKind::Warning);
  EXPECT_EQ(dialogs_.LastMessage().Buttons,
            (std::vector<MsgButton>{MsgButton::Ok, MsgButton::Cancel}));

  // 1: the next free name, and the message.
  settings_.CopyClashMode = 1;
  dialogs_.Clear();
  EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Done);
  EXPECT_EQ(ReadText(dst_ + "/a00.jpg"), "a.jpg");
  EXPECT_EQ(dialogs_.MessageTexts(), (std::vector<std::string>{kCopiedMessage}));

  // Any other value leaves the clash alone, silently.
  settings_.CopyClashMode = 7;
  dialogs_.Clear();
  EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Nothing);
  EXPECT_TRUE(dialogs_.MessageTexts().empty());

  // 0, OK: replaced, and no temporary file is left behind.
  settings_.CopyClashMode = 0;
  dialogs_.AnswerMessage(MsgButton::Ok);
  EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Done);
  EXPECT_EQ(ReadText(dst_ + "/a.jpg"), "a.jpg");
  EXPECT_EQ(SortedNames(dst_), (std::vector<std::string>{"a.jpg", "a0.jpg", "a00.jpg"}));
}

TEST_F(FileOpsTest, FailedCopyIsReportedAndLeavesTheTargetAlone) {
  MakeList({"a.jpg"}, 0);
  dir_.Write("dst/a.jpg", "old");
  fs::remove(src_ + "/a.jpg");  // gone since it was listed
  dialogs_.AnswerMessage(MsgButton::Ok);
  EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Failed);
  EXPECT_EQ(ReadText(dst_ + "/a.jpg"), "old");
  EXPECT_EQ(SortedNames(dst_), (std::vector<std::string>{"a.jpg"}));
  EXPECT_EQ(dialogs_.LastMessage().Kind, MsgKind::Error);
  EXPECT_EQ(dialogs_.LastMessage().Text.rfind(kCopyFailedMessage, 0), 0u);

  // A registered folder that vanished counts as a clash too.
  dir_.Write("src/a.jpg", "a.jpg");
  settings_.CopyClashMode = 1;
  dialogs_.Clear();
  EXPECT_EQ(CopyToFolder(Env(), dir_ / "gone"), OpResult::Failed);
  EXPECT_EQ(dialogs_.LastMessage().Kind, MsgKind::Error);
}

// Only a taken name brings the clash question; any other failure is told with the
// system's reason, whatever the clash mode, and both files stay as they were.
TEST_F(FileOpsTest, AFailureThatIsNoClashAsksNothing) {
  MakeList({"a.jpg"}, 0);
  for (uint16_t mode : {0, 1}) {
    settings_.CopyClashMode = settings_.MoveClashMode = mode;
    test::RunAsNobody(dir_.Path(), [&] {
      fs::permissions(dst_, fs::perms::owner_read | fs::perms::owner_exec);
      dialogs_.Clear();
      EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Failed);
      EXPECT_EQ(MoveToFolder(Env(), dst_, Follow()), OpResult::Failed);
      const std::vector<std::string> texts = dialogs_.MessageTexts();
      ASSERT_EQ(texts.size(), 2u) << "mode " << mode;
      EXPECT_EQ(texts[0].rfind(kCopyFailedMessage, 0), 0u);
      EXPECT_EQ(texts[1].rfind(kMoveFailedMessage, 0), 0u);
      for (const std::string& text : texts)
        EXPECT_NE(text.find(std::strerror(EACCES)), std::string::npos) << text;
      EXPECT_EQ(ReadText(src_ + "/a.jpg"), "a.jpg");
      EXPECT_TRUE(SortedNames(dst_).empty());
      EXPECT_EQ(list_.Count(), 1);
    });
  }
}

TEST_F(FileOpsTest, NothingWithoutACurrentFile) {
  MakeList({"a.jpg"}, -1);
  EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Nothing);
  EXPECT_EQ(MoveToFolder(Env(), dst_, Follow()), OpResult::Nothing);
  settings_.DeleteMethod = 2;
  settings_.DeleteNoConfirm = true;
  EXPECT_EQ(DeleteCurrent(Env(), Follow()), OpResult::Nothing);
  EXPECT_TRUE(dialogs_.Calls().empty());
  EXPECT_TRUE(fs::exists(src_ + "/a.jpg"));
}

// --- move ------------------------------------------------------------------------------------

TEST_F(FileOpsTest, MoveFollowsTheListAtEveryPosition) {
  MakeList({"a.jpg", "b.jpg", "c.jpg"}, 2);
  EXPECT_EQ(MoveToFolder(Env(), dst_, Follow()), OpResult::Done);
  EXPECT_EQ(list_.Entries(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_EQ(list_.ItemIndex(), 1);
  // The main window shows the message after its preview step.
  EXPECT_EQ(events_, (std::vector<std::string>{"followup after 0"}));
  EXPECT_EQ(dialogs_.MessageTexts(), (std::vector<std::string>{kMovedMessage}));

  list_.SetItemIndex(0);
  EXPECT_EQ(MoveToFolder(Env(), dst_ + "/", Follow()), OpResult::Done);
  EXPECT_EQ(list_.Entries(), (std::vector<std::string>{"b.jpg"}));
  EXPECT_EQ(list_.ItemIndex(), 0);

  EXPECT_EQ(MoveToFolder(Env(), dst_, Follow()), OpResult::Done);
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_EQ(list_.ItemIndex(), -1);
  EXPECT_EQ(SortedNames(dst_), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
  EXPECT_EQ(ReadText(dst_ + "/c.jpg"), "c.jpg");
  EXPECT_TRUE(SortedNames(src_).empty());
}

TEST_F(FileOpsTest, MoveMessageOrderForOtherWindows) {
  MakeList({"a.jpg", "b.jpg"}, 0);
  dir_.Write("dst/b.jpg", "old");
  RemovalStep step = Follow();
  step.MessageBeforeRemovalOnPlainMove = true;
  int removed = 0;
  step.Remove = [&](int count, int index) {
    EXPECT_EQ(count, 2);
    EXPECT_EQ(index, 0);
    ++removed;
    list_.Delete(index);
    list_.SetItemIndex(-1);
  };
  EXPECT_EQ(MoveToFolder(Env(), dst_, step), OpResult::Done);
  EXPECT_EQ(removed, 1);
  EXPECT_EQ(events_.back(), "followup after 1");  // message first on a plain move

  // A clash path removes first, then tells.
  list_.SetItemIndex(0);
  settings_.MoveClashMode = 1;
  step.Remove = nullptr;
  EXPECT_EQ(MoveToFolder(Env(), dst_, step), OpResult::Done);
  EXPECT_EQ(events_.back(), "followup after 1");
  EXPECT_EQ(dialogs_.MessageTexts().size(), 2u);
  EXPECT_EQ(ReadText(dst_ + "/b0.jpg"), "b.jpg");
  EXPECT_EQ(ReadText(dst_ + "/b.jpg"), "old");
}

TEST_F(FileOpsTest, MoveClashModes) {
  MakeList({"a.jpg", "b.jpg"}, 0);
  dir_.Write("dst/a.jpg", "old");

  // 0, cancelled: both files stay and so does the list.
  settings_.MoveClashMode = 0;
  dialogs_.AnswerMessage(MsgButton::Cancel);
  EXPECT_EQ(MoveToFolder(Env(), dst_, Follow()), OpResult::Cancelled);
  EXPECT_EQ(ReadText(dst_ + "/a.jpg"), "old");
  EXPECT_EQ(ReadText(src_ + "/a.jpg"), "a.jpg");
  EXPECT_EQ(list_.Count(), 2);
  EXPECT_TRUE(events_.empty());

  // Other values: nothing.
  settings_.MoveClashMode = 2;
  EXPECT_EQ(MoveToFolder(Env(), dst_, Follow()), OpResult::Nothing);
  EXPECT_EQ(list_.Count(), 2);

  // 0, OK: the old target is replaced by the moved file.
  settings_.MoveClashMode = 0;
  dialogs_.Clear();
  dialogs_.AnswerMessage(MsgButton::Ok);
  EXPECT_EQ(MoveToFolder(Env(), dst_, Follow()), OpResult::Done);
  EXPECT_EQ(ReadText(dst_ + "/a.jpg"), "a.jpg");
  EXPECT_FALSE(fs::exists(src_ + "/a.jpg"));
  EXPECT_EQ(list_.Entries(), (std::vector<std::string>{"b.jpg"}));
  EXPECT_EQ(dialogs_.MessageTexts(), (std::vector<std::string>{kClashQuestion, kMovedMessage}));

  // 1: under a free name.
  dir_.Write("dst/b.jpg", "old");
  dir_.Write("dst/b0.jpg", "old");
  settings_.MoveClashMode = 1;
  EXPECT_EQ(MoveToFolder(Env(), dst_, Follow()), OpResult::Done);
  EXPECT_EQ(ReadText(dst_ + "/b00.jpg"), "b.jpg");
  EXPECT_EQ(list_.Count(), 0);
}

TEST_F(FileOpsTest, MovingAFileOntoItselfKeepsIt) {
  MakeList({"a.jpg"}, 0);
  dialogs_.AnswerMessage(MsgButton::Ok);
  EXPECT_EQ(MoveToFolder(Env(), src_, Follow()), OpResult::Failed);
  EXPECT_EQ(ReadText(src_ + "/a.jpg"), "a.jpg");
  EXPECT_EQ(list_.Count(), 1);
  EXPECT_EQ(dialogs_.LastMessage().Kind, MsgKind::Error);

  // A second name of the same file is not a separate file either.
  fs::create_hard_link(src_ + "/a.jpg", dst_ + "/a.jpg");
  dialogs_.AnswerMessage(MsgButton::Ok);
  EXPECT_EQ(MoveToFolder(Env(), dst_, Follow()), OpResult::Failed);
  EXPECT_TRUE(fs::exists(src_ + "/a.jpg"));
  EXPECT_EQ(list_.Count(), 1);
}

// Two writable file systems, or an empty string when the test machine has only one.
std::string SecondFileSystemFolder(const std::string& here) {
#ifdef _WIN32
  (void)here;
  return {};  // /dev/shm is the second one looked for
#else
  struct stat a, b;
  if (::stat("/dev/shm", &b) != 0 || ::access("/dev/shm", W_OK) != 0 ||
      ::stat(here.c_str(), &a) != 0 || a.st_dev == b.st_dev)
    return {};
  std::string other = "/dev/shm/verid-move-" + std::to_string(::getpid());
  fs::create_directories(other);
  return other;
#endif
}

// 82 three-byte characters and ".jpg": 250 bytes, near the system's 255-byte limit.
std::string LongJapaneseName() {
  std::string name;
  for (int i = 0; i < 82; ++i) name += "写";
  return name + ".jpg";
}

TEST_F(FileOpsTest, MoveAcrossFileSystems) {
  std::error_code ec;
  std::string other = SecondFileSystemFolder(src_);
  if (other.empty()) GTEST_SKIP() << "no second writable file system";
  MakeList({"a.jpg", "b.jpg"}, 0);
  fs::last_write_time(src_ + "/a.jpg",
                      fs::last_write_time(src_ + "/a.jpg") - std::chrono::hours(1));
  auto stamp = fs::last_write_time(src_ + "/a.jpg");

  FsError error;
  EXPECT_TRUE(MoveFileTo(src_ + "/a.jpg", other + "/a.jpg", false, &error)) << error.Message;
  EXPECT_FALSE(fs::exists(src_ + "/a.jpg"));
  EXPECT_EQ(ReadText(other + "/a.jpg"), "a.jpg");
  EXPECT_EQ(fs::last_write_time(other + "/a.jpg"), stamp);

  EXPECT_FALSE(MoveFileTo(src_ + "/b.jpg", other + "/a.jpg", false, &error));
  EXPECT_TRUE(error.Exists);
  EXPECT_TRUE(MoveFileTo(src_ + "/b.jpg", other + "/a.jpg", true, &error)) << error.Message;
  EXPECT_EQ(ReadText(other + "/a.jpg"), "b.jpg");
  EXPECT_EQ(SortedNames(other), (std::vector<std::string>{"a.jpg"}));
  fs::remove_all(other, ec);
}

TEST_F(FileOpsTest, ALongJapaneseNameCopiesAndMovesAcrossFileSystems) {
  const std::string name = LongJapaneseName();
  ASSERT_EQ(name.size(), 250u);
  MakeList({name}, 0);
  EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Done);
  EXPECT_EQ(ReadText(dst_ + "/" + name), name);
  // Over the copy just made, after the question.
  dialogs_.AnswerMessage(MsgButton::Ok);
  EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Done);
  EXPECT_EQ(SortedNames(dst_), std::vector<std::string>{name});
  EXPECT_EQ(dialogs_.LastMessage().Text, kCopiedMessage);

  std::string other = SecondFileSystemFolder(src_);
  if (other.empty()) GTEST_SKIP() << "no second writable file system";
#ifndef _WIN32
  // A move keeps the file's owner where the system lets it.
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown((src_ + "/" + name).c_str(), test::NobodyUid(), test::NobodyGid()), 0);
  }
  struct stat before, after;
  ASSERT_EQ(::stat((src_ + "/" + name).c_str(), &before), 0);
  EXPECT_EQ(MoveToFolder(Env(), other, Follow()), OpResult::Done);
  EXPECT_EQ(ReadText(other + "/" + name), name);
  ASSERT_EQ(::stat((other + "/" + name).c_str(), &after), 0);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(SortedNames(other), std::vector<std::string>{name});
  EXPECT_EQ(list_.Count(), 0);
  std::error_code ec;
  fs::remove_all(other, ec);
#endif
}

TEST_F(FileOpsTest, ReplacingRefusesAReadOnlyTarget) {
  MakeList({"a.jpg"}, 0);
  std::string target = dir_.Write("dst/a.jpg", "old");
  settings_.CopyClashMode = settings_.MoveClashMode = 0;
  test::RunAsNobody(dir_.Path(), [&] {
    fs::permissions(target, fs::perms::owner_read);
    dialogs_.AnswerMessage(MsgButton::Ok);
    EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Failed);
    EXPECT_NE(dialogs_.LastMessage().Text.find(std::strerror(EACCES)), std::string::npos)
        << dialogs_.LastMessage().Text;
    dialogs_.AnswerMessage(MsgButton::Ok);
    EXPECT_EQ(MoveToFolder(Env(), dst_, Follow()), OpResult::Failed);
    EXPECT_EQ(dialogs_.LastMessage().Kind, MsgKind::Error);
    EXPECT_EQ(ReadText(target), "old");
    EXPECT_EQ(ReadText(src_ + "/a.jpg"), "a.jpg");
    EXPECT_EQ(list_.Count(), 1);
    EXPECT_EQ(SortedNames(dst_), std::vector<std::string>{"a.jpg"});
  });
}

TEST_F(FileOpsTest, ReplacingThroughALinkKeepsTheLink) {
  if (!test::SymlinksWork()) GTEST_SKIP() << "no symbolic links here";
  MakeList({"a.jpg", "b.jpg"}, 0);
  std::string real = dir_.Write("elsewhere/a.jpg", "old");
  fs::create_symlink("../elsewhere/a.jpg", dst_ + "/a.jpg");
  settings_.CopyClashMode = settings_.MoveClashMode = 0;
  dialogs_.AnswerMessage(MsgButton::Ok);
  EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Done);
  EXPECT_TRUE(fs::is_symlink(dst_ + "/a.jpg"));
  EXPECT_EQ(ReadText(real), "a.jpg");

  dir_.Write("elsewhere/b.jpg", "old");
  fs::create_symlink(dir_ / "elsewhere/b.jpg", dst_ + "/b.jpg");
  list_.SetItemIndex(1);
  dialogs_.AnswerMessage(MsgButton::Ok);
  EXPECT_EQ(MoveToFolder(Env(), dst_, Follow()), OpResult::Done);
  EXPECT_TRUE(fs::is_symlink(dst_ + "/b.jpg"));
  EXPECT_EQ(ReadText(dir_ / "elsewhere/b.jpg"), "b.jpg");
  EXPECT_FALSE(fs::exists(src_ + "/b.jpg"));
  EXPECT_EQ(SortedNames(dir_ / "elsewhere"), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

// A copy over an existing file keeps that file's mode, owner and group, as writing into it
// would; a new copy takes its source's mode. Both carry the source's time.
TEST_F(FileOpsTest, ACopyOverAFileKeepsItsModeAndOwner) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX modes, owners and groups";
#else
  MakeList({"a.jpg"}, 0);
  std::string source = src_ + "/a.jpg";
  ::chmod(source.c_str(), 0600);
  fs::last_write_time(source, fs::last_write_time(source) - std::chrono::hours(2));
  std::string old = dir_.Write("dst/a.jpg", "old");
  ::chmod(old.c_str(), 0664);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(old.c_str(), test::NobodyUid(), test::NobodyGid()), 0);
  }
  struct stat before, after;
  ASSERT_EQ(::stat(old.c_str(), &before), 0);
  settings_.CopyClashMode = 0;
  dialogs_.AnswerMessage(MsgButton::Ok);
  EXPECT_EQ(CopyToFolder(Env(), dst_), OpResult::Done);
  EXPECT_EQ(ReadText(old), "a.jpg");
  ASSERT_EQ(::stat(old.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0664u);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(fs::last_write_time(old), fs::last_write_time(source));

  std::string other = dir_.MakeDir("fresh");
  EXPECT_EQ(CopyToFolder(Env(), other), OpResult::Done);
  ASSERT_EQ(::stat((other + "/a.jpg").c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0600u);
  EXPECT_EQ(fs::last_write_time(other + "/a.jpg"), fs::last_write_time(source));
#endif
}

// --- delete ----------------------------------------------------------------------------------

TEST_F(FileOpsTest, DeleteToTrashAsksFirst) {
  MakeList({"a.jpg", "b.jpg"}, 1);
  settings_.DeleteMethod = 1;
  dialogs_.AnswerMessage(MsgButton::No);
  EXPECT_EQ(DeleteCurrent(Env(), Follow()), OpResult::Cancelled);
  EXPECT_TRUE(fs::exists(src_ + "/b.jpg"));
  EXPECT_EQ(list_.Count(), 2);
  EXPECT_EQ(dialogs_.LastMessage().Text, NativePath(src_ + "/b.jpg") + kTrashQuestionSuffix);
  EXPECT_EQ(dialogs_.LastMessage().Kind, MsgKind::Confirmation);

  dialogs_.AnswerMessage(MsgButton::Yes);
  EXPECT_EQ(DeleteCurrent(Env(), Follow()), OpResult::Done);
  EXPECT_EQ(platform_.trashed, (std::vector<std::string>{NativePath(src_ + "/b.jpg")}));
  EXPECT_EQ(list_.Entries(), (std::vector<std::string>{"a.jpg"}));
  EXPECT_EQ(list_.ItemIndex(), 0);
  EXPECT_EQ(events_.size(), 1u);

  settings_.DeleteNoConfirm = true;
  dialogs_.Clear();
  EXPECT_EQ(DeleteCurrent(Env(), Follow()), OpResult::Done);
  EXPECT_TRUE(dialogs_.Calls().empty());
  EXPECT_EQ(list_.Count(), 0);
}

TEST_F(FileOpsTest, AFileNoTrashCanTakeIsDeletedForGoodOnlyWhenTheUserSaysSo) {
  MakeList({"a.jpg"}, 0);
  settings_.DeleteMethod = 1;
  settings_.DeleteNoConfirm = true;
  platform_.untrashable.insert(NativePath(src_ + "/a.jpg"));
  dialogs_.AnswerMessage(MsgButton::No);
  EXPECT_EQ(DeleteCurrent(Env(), Follow()), OpResult::Cancelled);
  EXPECT_TRUE(fs::exists(src_ + "/a.jpg"));
  EXPECT_EQ(dialogs_.LastMessage().Text, NativePath(src_ + "/a.jpg") + "\r\n" + kNoTrashQuestion);
  EXPECT_EQ(dialogs_.LastMessage().DefaultButton, 1);

  dialogs_.AnswerMessage(MsgButton::Yes);
  EXPECT_EQ(DeleteCurrent(Env(), Follow()), OpResult::Done);
  EXPECT_FALSE(fs::exists(src_ + "/a.jpg"));
  EXPECT_TRUE(platform_.trashed.empty());
  EXPECT_EQ(list_.Count(), 0);
}

TEST_F(FileOpsTest, ShellDeleteOfSeveralFiles) {
  auto a = dir_.Write("src/a.jpg", "");
  auto b = dir_.Write("src/b.jpg", "");
  auto c = dir_.Write("src/c.jpg", "");
  platform_.untrashable = {b, c};
  dialogs_.AnswerMessage(MsgButton::Yes);
  dialogs_.AnswerMessage(MsgButton::Yes);
  EXPECT_EQ(ShellDelete({a, b, c}, settings_, dialogs_, platform_), 3);
  EXPECT_EQ(dialogs_.MessageTexts(),
            (std::vector<std::string>{a + kTrashQuestionSuffix,
                                      std::string("これら2個のﾌｧｲﾙは") + kNoTrashQuestion}));
  EXPECT_TRUE(SortedNames(src_).empty());

  // Declining the first question stops before anything else is asked or done.
  a = dir_.Write("src/a.jpg", "");
  b = dir_.Write("src/b.jpg", "");
  platform_.untrashable = {b};
  dialogs_.Clear();
  dialogs_.AnswerMessage(MsgButton::No);
  EXPECT_EQ(ShellDelete({a, b}, settings_, dialogs_, platform_), 0);
  EXPECT_EQ(dialogs_.MessageTexts().size(), 1u);
  EXPECT_EQ(SortedNames(src_).size(), 2u);
}

TEST_F(FileOpsTest, DirectDelete) {
  MakeList({"a.jpg", "b.jpg"}, 0);
  settings_.DeleteMethod = 2;
  dialogs_.AnswerMessage(MsgButton::Cancel);
  EXPECT_EQ(DeleteCurrent(Env(), Follow()), OpResult::Cancelled);
  EXPECT_EQ(dialogs_.LastMessage().Text, NativePath(src_ + "/a.jpg") + "を削除しますか");
  EXPECT_EQ(dialogs_.LastMessage().Buttons,
            (std::vector<MsgButton>{MsgButton::Ok, MsgButton::Cancel}));
  EXPECT_TRUE(fs::exists(src_ + "/a.jpg"));

  dialogs_.AnswerMessage(MsgButton::Ok);
  EXPECT_EQ(DeleteCurrent(Env(), Follow()), OpResult::Done);
  EXPECT_FALSE(fs::exists(src_ + "/a.jpg"));
  EXPECT_EQ(list_.Entries(), (std::vector<std::string>{"b.jpg"}));
  EXPECT_TRUE(platform_.trashed.empty());

  settings_.DeleteNoConfirm = true;
  dialogs_.Clear();
  EXPECT_EQ(DeleteCurrent(Env(), Follow()), OpResult::Done);
  EXPECT_TRUE(dialogs_.Calls().empty());
  EXPECT_EQ(list_.Count(), 0);
}

TEST_F(FileOpsTest, AFileThatCannotBeDeletedStaysListed) {
  MakeList({"a.jpg"}, 0);
  // Something under the entry's name that a file delete refuses (works as root too).
  dir_.Write("src/b.jpg/inside", "x");
  list_.SetEntries({"a.jpg", "b.jpg"});
  list_.SetItemIndex(1);
  settings_.DeleteMethod = 2;
  settings_.DeleteNoConfirm = true;
  EXPECT_EQ(DeleteCurrent(Env(), Follow()), OpResult::Failed);
  EXPECT_EQ(list_.Count(), 2);
  EXPECT_EQ(list_.ItemIndex(), 1);
  EXPECT_EQ(dialogs_.LastMessage().Kind, MsgKind::Error);
  EXPECT_TRUE(events_.empty());
}

TEST_F(FileOpsTest, OtherDeleteMethodsDoNothing) {
  MakeList({"a.jpg"}, 0);
  for (uint8_t method : {0, 3, 255}) {
    settings_.DeleteMethod = method;
    EXPECT_EQ(DeleteCurrent(Env(), Follow()), OpResult::Nothing);
  }
  EXPECT_TRUE(dialogs_.Calls().empty());
  EXPECT_TRUE(fs::exists(src_ + "/a.jpg"));
  EXPECT_EQ(list_.Count(), 1);
}

// --- another folder --------------------------------------------------------------------------

TEST_F(FileOpsTest, ChooseOtherFolder) {
  settings_.OtherFolder = "/start/";
  dialogs_.AnswerDirectory(std::nullopt);
  EXPECT_FALSE(ChooseOtherFolder(settings_, dialogs_));
  EXPECT_EQ(settings_.OtherFolder, "/start/");
  const DirectoryRequest& request = dialogs_.Calls().back().Directory;
  EXPECT_EQ(request.Caption, "ディレクトリの選択");
  EXPECT_EQ(request.InitialDir, "/start/");
  EXPECT_NE(std::find(request.Labels.begin(), request.Labels.end(), "ドライブ(&R):"),
            request.Labels.end());

  dialogs_.AnswerDirectory(dst_);
  EXPECT_TRUE(ChooseOtherFolder(settings_, dialogs_));
  EXPECT_EQ(settings_.OtherFolder, NativePath(dst_ + "/"));

  // A folder typed that does not exist is offered for creation.
  dialogs_.AnswerDirectory(dir_ / "new/deeper");
  dialogs_.AnswerMessage(MsgButton::No);
  EXPECT_FALSE(ChooseOtherFolder(settings_, dialogs_));
  EXPECT_FALSE(fs::exists(dir_ / "new"));
  EXPECT_EQ(dialogs_.LastMessage().Text, kCreateFolderQuestion);

  dialogs_.AnswerDirectory(dir_ / "new/deeper/");
  dialogs_.AnswerMessage(MsgButton::Yes);
  EXPECT_TRUE(ChooseOtherFolder(settings_, dialogs_));
  EXPECT_TRUE(fs::is_directory(dir_ / "new/deeper"));
  EXPECT_EQ(settings_.OtherFolder, dir_ / "new/deeper/");

  dir_.Write("afile", "");
  dialogs_.AnswerDirectory(dir_ / "afile");
  dialogs_.AnswerMessage(MsgButton::Yes);
  EXPECT_FALSE(ChooseOtherFolder(settings_, dialogs_));
  EXPECT_EQ(dialogs_.LastMessage().Text, kCreateFolderFailed);

  // The batch conversion window keeps the folder as the dialog gives it.
  std::string chosen;
  dialogs_.AnswerDirectory(dst_);
  EXPECT_TRUE(ChooseOtherFolder(settings_, dialogs_, false, &chosen));
  EXPECT_EQ(settings_.OtherFolder, dst_);
  EXPECT_EQ(chosen, dst_);
  EXPECT_TRUE(dialogs_.AllAnswersUsed());
}

}  // namespace
}  // namespace verid
