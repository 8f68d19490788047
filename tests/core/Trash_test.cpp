// The real freedesktop trash through GIO, with HOME and XDG_DATA_HOME in a temporary
// folder. GLib reads both once per process, so they are set before any GLib call.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "app/FileOps.h"
#include "platform/Platform.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::ScriptedDialogs;
using test::TempDir;

class TrashTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    home_ = new TempDir;
    ::setenv("HOME", home_->Path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home_->Path() + "/.local/share").c_str(), 1);
    platform_ = CreateSystemPlatform(nullptr).release();
  }
  static void TearDownTestSuite() {
    delete platform_;
    delete home_;
  }
  static std::string TrashFolder() { return home_->Path() + "/.local/share/Trash"; }

  static TempDir* home_;
  static Platform* platform_;
};
TempDir* TrashTest::home_ = nullptr;
Platform* TrashTest::platform_ = nullptr;

TEST_F(TrashTest, AFileOnTheHomeFileSystemGoesToTheHomeTrash) {
  // Same file system as the temporary HOME.
  TempDir dir;
  std::string path = dir.Write("odd name #1.jpg", "picture");
  ASSERT_TRUE(platform_->CanTrash(path));
  TrashOutcome outcome = platform_->MoveToTrash(path);
  ASSERT_TRUE(outcome.Ok) << outcome.Error;
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(fs::exists(TrashFolder() + "/files/odd name #1.jpg"));
  std::string info = TrashFolder() + "/info/odd name #1.jpg.trashinfo";
  ASSERT_TRUE(fs::exists(info));
  auto bytes = test::ReadAll(info);
  std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("[Trash Info]"), std::string::npos);
  EXPECT_NE(text.find("odd%20name%20%231.jpg"), std::string::npos);

  // A second file of the same name does not replace the first.
  path = dir.Write("odd name #1.jpg", "second");
  ASSERT_TRUE(platform_->MoveToTrash(path).Ok);
  int count = 0;
  for (const auto& e : fs::directory_iterator(TrashFolder() + "/files")) {
    (void)e;
    ++count;
  }
  EXPECT_EQ(count, 2);
}

TEST_F(TrashTest, MissingFilesAndSystemMountsCannotBeTrashed) {
  TempDir dir;
  EXPECT_FALSE(platform_->CanTrash(dir / "missing.jpg"));
  EXPECT_FALSE(platform_->MoveToTrash(dir / "missing.jpg").Ok);

  struct stat home, shm;
  if (::stat("/dev/shm", &shm) != 0 || ::access("/dev/shm", W_OK) != 0 ||
      ::stat(home_->Path().c_str(), &home) != 0 || home.st_dev == shm.st_dev)
    GTEST_SKIP() << "no writable system mount";
  std::string path = "/dev/shm/verid-trash-" + std::to_string(::getpid()) + ".jpg";
  { std::unique_ptr<FILE, int (*)(FILE*)> f(fopen(path.c_str(), "w"), fclose); }
  EXPECT_FALSE(platform_->CanTrash(path));
  EXPECT_FALSE(platform_->MoveToTrash(path).Ok);
  EXPECT_TRUE(fs::exists(path));  // never deleted for good by the trash itself
  fs::remove(path);
}

TEST_F(TrashTest, ShellDeleteThroughTheRealTrash) {
  TempDir dir;
  std::string a = dir.Write("a.jpg", "a");
  std::string b = dir.Write("b.jpg", "b");
  AppSettings settings;
  ScriptedDialogs dialogs;
  dialogs.AnswerMessage(MsgButton::Yes);
  EXPECT_EQ(ShellDelete({a, b}, settings, dialogs, *platform_), 2);
  EXPECT_EQ(dialogs.MessageTexts(),
            (std::vector<std::string>{"これら2個のﾌｧｲﾙをゴミ箱に移動しますか"}));
  EXPECT_FALSE(fs::exists(a));
  EXPECT_TRUE(fs::exists(TrashFolder() + "/files/b.jpg"));
}

}  // namespace
}  // namespace verid
