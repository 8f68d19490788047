// What the directory dialog shows and how a typed folder name is read.
#include "dialogs/SelectDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

TEST(SelectDir, StartsAtTheNearestExistingFolder) {
  if (PathDelim != '/') GTEST_SKIP() << "POSIX-style paths; the drive case follows";
  TempDir dir;
  std::string pics = dir.MakeDir("pics");
  EXPECT_EQ(StartFolder(pics + "/"), pics);
  EXPECT_EQ(StartFolder(pics + "/gone/deeper/"), pics);
  EXPECT_EQ(StartFolder(""), fs::current_path().string());
  EXPECT_EQ(StartFolder("/"), "/");
}

TEST(SelectDir, RowsRunFromTheDriveDownAndListTheSubFolders) {
  if (PathDelim != '/') GTEST_SKIP() << "POSIX-style paths; the drive case follows";
  TempDir dir;
  std::string folder = dir.MakeDir("a/写真");
  dir.MakeDir("a/写真/B");
  dir.MakeDir("a/写真/a");
  dir.MakeDir("a/写真/.hidden");
  dir.Write("a/写真/z.jpg", "");
  dir.Write("a/写真/b.png", "");
  dir.Write("a/写真/.dot", "");

  // The drive with the longest match wins; the rows start there.
  SelectDirState s = MakeSelectDirState(folder + "/", {"/", dir.Path() + "/", "/elsewhere"});
  EXPECT_EQ(s.Folder, folder);
  EXPECT_EQ(s.DriveIndex, 1);
  ASSERT_EQ(s.Rows.size(), 5u);
  EXPECT_EQ(s.Rows[0].Path, dir.Path());
  EXPECT_EQ(s.Rows[0].Name, dir.Path());
  EXPECT_EQ(s.Rows[1].Name, "a");
  EXPECT_EQ(s.Rows[2].Path, folder);
  EXPECT_EQ(s.Rows[2].Depth, 2);
  EXPECT_TRUE(s.Rows[2].Open);
  EXPECT_EQ(s.CurrentRow, 2);
  EXPECT_EQ(s.Rows[3].Name, "a");  // sub-folders in name order, case aside
  EXPECT_EQ(s.Rows[4].Name, "B");
  EXPECT_EQ(s.Rows[4].Path, folder + "/B");
  EXPECT_EQ(s.Rows[4].Depth, 3);
  EXPECT_FALSE(s.Rows[4].Open);
  EXPECT_EQ(s.Files, (std::vector<std::string>{"b.png", "z.jpg"}));

  // On the root drive every component is a row; a drive that is only a prefix of a
  // name ("/tm" for "/tmp") does not count.
  SelectDirState r = MakeSelectDirState(folder, {"/", dir.Path().substr(0, 3)});
  EXPECT_EQ(r.DriveIndex, 0);
  EXPECT_EQ(r.Rows[0].Path, "/");
  EXPECT_EQ(r.Rows[r.CurrentRow].Path, folder);
  EXPECT_EQ(MakeSelectDirState("/", {"/"}).CurrentRow, 0);
}

TEST(SelectDir, TypedNamesAreReadAgainstTheShownFolder) {
  if (PathDelim != '/') GTEST_SKIP() << "POSIX-style paths; the drive case follows";
  struct Case {
    const char* typed;
    const char* folder;
  } cases[] = {
      {"new", "/pics/new"},
      {"new/", "/pics/new"},
      {"/abs/x//", "/abs/x"},
      {"../up", "/up"},
      {"./a/../b", "/pics/b"},
      {"/", "/"},
      {"", ""},
      {"   ", ""},
      {" lead", "/pics/ lead"},
      {"写真/2001.05", "/pics/写真/2001.05"},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveTypedFolder("/pics", c.typed), c.folder) << c.typed;
}

}  // namespace
// Where paths have drives, the rows start at the drive letter's root.
TEST(SelectDir, DrivePathsStartAtTheDrivesRoot) {
  if (PathDelim == '/') GTEST_SKIP() << "no drive letters on this system";
  TempDir dir;
  const std::string folder = dir.MakeDir("写真");
  dir.MakeDir("写真/B");
  const std::string drive = dir.Path().substr(0, 3);  // "C:\"
  ASSERT_EQ(drive[1], ':');
  SelectDirState s = MakeSelectDirState(folder + "\\", {"A:\\", drive});
  EXPECT_EQ(s.DriveIndex, 1);
  EXPECT_EQ(s.Rows[0].Path, drive);
  EXPECT_EQ(s.Rows[s.CurrentRow].Path, folder);
  EXPECT_EQ(s.Rows[s.CurrentRow].Name, "写真");
  EXPECT_EQ(s.Rows.back().Path, folder + "\\B");
  EXPECT_EQ(StartFolder(folder + "\\gone\\deeper\\"), folder);
  EXPECT_EQ(StartFolder(drive), drive);
  EXPECT_EQ(ResolveTypedFolder(folder, "B"), folder + "\\B");
  EXPECT_EQ(ResolveTypedFolder(folder, "..\\写真\\B\\"), folder + "\\B");
  EXPECT_EQ(ResolveTypedFolder(folder, "D:/x"), "D:\\x");
}

}  // namespace verid
