// New file content goes in place whole or not at all, and leaves nothing behind: unnamed
// until placed where the system can, under a hidden name elsewhere.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>

#include "base/Paths.h"
#include "base/Stream.h"
#include "support/TempDir.h"

namespace verid {
namespace {

using test::ReadText;
using test::SortedNames;
using test::TempDir;

void Put(TFileReplacement& file, const std::string& text) {
  file.Stream().WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

// Both ways of writing: unnamed (where the file system has such files) and named.
class FileReplacementTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { UseUnnamedTemporaryFiles(GetParam()); }
  void TearDown() override { UseUnnamedTemporaryFiles(true); }
  TempDir dir_;
};

TEST_P(FileReplacementTest, NothingShowsUnderANameUntilPlaced) {
  std::string target = dir_ / "a.png";
  {
    TFileReplacement file(target, false);
    if (GetParam() && !file.Unnamed()) GTEST_SKIP() << "no unnamed files on this file system";
    EXPECT_EQ(file.Unnamed(), GetParam());
    Put(file, "new");
    file.Complete();
    // Written and flushed, yet not placed: unnamed, nothing is listed at all.
    EXPECT_EQ(SortedNames(dir_.Path()).size(), GetParam() ? 0u : 1u);
    file.Place();
  }
  EXPECT_EQ(ReadText(target), "new");
  EXPECT_EQ(SortedNames(dir_.Path()), std::vector<std::string>{"a.png"});

  // Dropped before its turn: nothing stays behind.
  { Put(*std::make_unique<TFileReplacement>(dir_ / "b.png", false), "unused"); }
  EXPECT_EQ(SortedNames(dir_.Path()), std::vector<std::string>{"a.png"});
}

TEST_P(FileReplacementTest, ATakenNameIsRefusedAndReplacingKeepsItsMode) {
  std::string target = dir_.Write("a.png", "old");
  std::vector<std::string> taken = {"a.png"};
  if (test::SymlinksWork()) {
    std::filesystem::create_symlink("nowhere.png", dir_ / "dangling.png");
    taken.push_back("dangling.png");
  }
  for (const std::string& name : taken) {
    TFileReplacement file(dir_ / name, false);
    Put(file, "new");
    try {
      file.Place();
      ADD_FAILURE() << name << " was replaced";
    } catch (const EFileError& e) {
      EXPECT_EQ(e.Code(), EEXIST) << name;
    }
  }
  EXPECT_EQ(ReadText(target), "old");

  const auto mode = std::filesystem::perms(0640);
  const bool modes = PathDelim == '/';  // POSIX modes; Windows keeps only a read-only bit
  if (modes) std::filesystem::permissions(target, mode);
  TFileReplacement file(target, true);
  Put(file, "replaced");
  file.Place();
  EXPECT_EQ(ReadText(target), "replaced");
  if (modes) {
    EXPECT_EQ(std::filesystem::status(target).permissions(), mode);
  }
  EXPECT_EQ(SortedNames(dir_.Path()), taken);
}

// A program killed while files wait for their turn leaves none of them behind where the
// system has unnamed files; with named ones the hidden files are what it leaves.
TEST_P(FileReplacementTest, AKilledWriterLeavesNothingWhereFilesCanBeUnnamed) {
#ifdef _WIN32
  GTEST_SKIP() << "no unnamed files here, and no fork to kill a writer with";
#else
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto* ahead = new TFileReplacement(dir_ / "ahead.jpg", false);  // never destroyed
    Put(*ahead, "ahead");
    ahead->Complete();
    ::_exit(ahead->Unnamed() ? 10 : 11);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  const bool unnamed = WEXITSTATUS(status) == 10;
  if (!GetParam()) {
    EXPECT_FALSE(unnamed);
  }
  if (GetParam() && !unnamed) GTEST_SKIP() << "no unnamed files on this file system";
  EXPECT_EQ(SortedNames(dir_.Path()).size(), unnamed ? 0u : 1u);
#endif
}

INSTANTIATE_TEST_SUITE_P(BothWays, FileReplacementTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Unnamed" : "Named"; });

}  // namespace
}  // namespace verid
