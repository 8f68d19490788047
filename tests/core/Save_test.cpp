// Saving a picture over an existing file: the file system keeps its say (read-only files,
// links, mode and owner), temporary names stay short, and nothing is left behind.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/Stream.h"
#include "imaging/Bitmap.h"
#include "support/ImageBuilders.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;
using test::RunAsNobody;
using test::SortedNames;
using test::TempDir;

std::vector<uint8_t> BmpBytes(const TBitmap& b) {
  TBitmap copy(b);
  TMemoryStream s;
  copy.SaveToStream(s);
  return s.Bytes();
}

// 82 three-byte characters and ".bmp": 250 bytes, near the system's 255-byte limit.
std::string LongJapaneseName() {
  std::string name;
  for (int i = 0; i < 82; ++i) name += "写";
  return name + ".bmp";
}

TEST(Save, AReadOnlyFileOrFolderRefusesTheSaveWithTheSystemsReason) {
  TempDir dir;
  std::string ro = dir.Write("ro.bmp", std::string("old picture"));
  std::string locked = dir.MakeDir("locked");
  TBitmap picture = test::Pattern(5, 4, TPixelFormat::pf24bit);
  RunAsNobody(dir.Path(), [&] {
    fs::permissions(ro, fs::perms::owner_read | fs::perms::group_read);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    for (const std::string& path : {ro, locked + "/new.bmp"}) {
      SCOPED_TRACE(path);
      try {
        picture.SaveToFile(path);
        ADD_FAILURE() << "the save reported success";
      } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find(std::strerror(EACCES)), std::string::npos) << e.what();
      }
    }
    EXPECT_EQ(ReadAll(ro),
              std::vector<uint8_t>(std::begin("old picture"), std::end("old picture") - 1));
    EXPECT_EQ(SortedNames(dir.Path()), (std::vector<std::string>{"locked", "ro.bmp"}));
    EXPECT_TRUE(fs::is_empty(locked));
  });
}

TEST(Save, ASymbolicLinkStaysAndTheFileItNamesGetsThePicture) {
  if (!test::SymlinksWork()) GTEST_SKIP() << "no symbolic links here";
  TempDir dir;
  std::string real = dir.Write("pics/real.bmp", std::string("old"));
  dir.MakeDir("view");
  // A chain of two links, the first one relative.
  fs::create_symlink("../pics/real.bmp", dir / "view/link.bmp");
  fs::create_symlink(dir / "view/link.bmp", dir / "chain.bmp");
  TBitmap picture = test::Pattern(3, 3, TPixelFormat::pf8bit);
  picture.SaveToFile(dir / "chain.bmp");
  EXPECT_TRUE(fs::is_symlink(dir / "chain.bmp"));
  EXPECT_TRUE(fs::is_symlink(dir / "view/link.bmp"));
  EXPECT_EQ(ReadAll(real), BmpBytes(picture));
  EXPECT_EQ(SortedNames(dir / "pics"), (std::vector<std::string>{"real.bmp"}));
  EXPECT_EQ(SortedNames(dir.Path()), (std::vector<std::string>{"chain.bmp", "pics", "view"}));

  // A link to a file not made yet: the save makes it, the link stays.
  fs::create_symlink("later.bmp", dir / "dangling.bmp");
  picture.SaveToFile(dir / "dangling.bmp");
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.bmp"));
  EXPECT_EQ(ReadAll(dir / "later.bmp"), BmpBytes(picture));

  // Links that go round in a circle are an error, not a hang.
  fs::create_symlink("loop2.bmp", dir / "loop1.bmp");
  fs::create_symlink("loop1.bmp", dir / "loop2.bmp");
  EXPECT_THROW(picture.SaveToFile(dir / "loop1.bmp"), EFileError);
}

TEST(Save, TheReplacedFilesModeOwnerAndGroupAreKept) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX modes, owners and groups";
#else
  TempDir dir;
  std::string path = dir.Write("a.bmp", std::string("old"));
  ::chmod(path.c_str(), 0640);
  // Only root may give a file to another user; then the save has to give it back.
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(path.c_str(), test::NobodyUid(), test::NobodyGid()), 0);
  }
  struct stat before, after;
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  test::Pattern(2, 2, TPixelFormat::pf24bit).SaveToFile(path);
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_NE(before.st_ino, after.st_ino) << "replaced, not written in place";
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);

  // A new file gets what the umask gives, not the temporary file's 0600.
  mode_t mask = ::umask(022);
  test::Pattern(2, 2, TPixelFormat::pf24bit).SaveToFile(dir / "new.bmp");
  ::umask(mask);
  ASSERT_EQ(::stat((dir / "new.bmp").c_str(), &after), 0);
  EXPECT_EQ(after.st_mode & 07777, 0644u);
#endif
}

TEST(Save, ALongJapaneseNameSaves) {
  TempDir dir;
  std::string name = LongJapaneseName();
  ASSERT_EQ(name.size(), 250u);
  TBitmap picture = test::Pattern(4, 2, TPixelFormat::pf24bit);
  picture.SaveToFile(dir / name);
  picture.SaveToFile(dir / name);  // and over itself
  EXPECT_EQ(ReadAll(dir / name), BmpBytes(picture));
  EXPECT_EQ(SortedNames(dir.Path()), std::vector<std::string>{name});
}

}  // namespace
}  // namespace verid
