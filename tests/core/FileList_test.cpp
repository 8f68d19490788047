#include "app/FileList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "base/Paths.h"
#include "base/Stream.h"
#include "support/TempDir.h"
#include "support/WorkingFolder.h"

namespace verid {
namespace {

using test::TempDir;

class FileListTest : public test::WorkingFolderTest {
 protected:
};

TEST_F(FileListTest, ListsImageFilesOfTheFolderInCaseInsensitiveOrder) {
  TempDir dir;
  dir.Write("b.JPG", "x");
  dir.Write("A.png", "x");
  dir.Write("c.bmp", "x");
  dir.Write("d.gif", "x");
  dir.Write(".hidden.jpeg", "x");
  dir.Write("noext", "x");
  dir.Write("sub.jpg/inner.jpg", "x");  // a folder with an image name is not listed
  std::vector<std::string> expected{".hidden.jpeg", "A.png", "b.JPG", "c.bmp"};
  // A link to a picture is listed, a dangling one is not.
  if (test::SymlinksWork()) {
    std::filesystem::create_symlink(dir / "c.bmp", dir / "link.Bmp");
    std::filesystem::create_symlink(dir / "missing.bmp", dir / "dangling.bmp");
    expected.push_back("link.Bmp");
  }

  FileList list;
  list.SetFolder(dir.Path());
  EXPECT_EQ(list.Entries(), expected);
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_EQ(list.CurrentFile(), "");
  EXPECT_EQ(list.PositionText(), "0/" + std::to_string(expected.size()));
  EXPECT_EQ(std::filesystem::current_path(), FsPath(dir.Path()));
}

// Names that agree in their first 16 characters, or differ only in case, or where one is
// the start of another: the order is LessText's, however the sort gets there.
TEST_F(FileListTest, OrdersLongAndSimilarNamesAsLessTextDoes) {
  TempDir dir;
  const std::vector<std::string> names{"photograph_2024_b.jpg",
                                       "Photograph_2024_A.JPG",
                                       "photograph_2024_a.png",
                                       "photograph_2024.jpg",
                                       "photo.jpg",
                                       "PHOTO.JPEG",
                                       "p~.bmp",
                                       "p_.bmp",
                                       "P.png",
                                       "photograph_2024_a.jpg",
                                       "Z.jpg",
                                       "a\xe3\x81\x82.jpg"};
  for (const std::string& name : names) dir.Write(name, "x");
  FileList list;
  list.SetFolder(dir.Path());
  // A file system that ignores case holds one of the two names that differ only in case.
  std::vector<std::string> expected = test::SortedNames(dir.Path());
  EXPECT_GE(expected.size(), names.size() - 1);
  std::sort(expected.begin(), expected.end(),
            [](const std::string& a, const std::string& b) { return LessText(a, b); });
  EXPECT_EQ(list.Entries(), expected);
}

TEST_F(FileListTest, KeepsNamesAsTheFileSystemGaveThem) {
  TempDir dir;
  if (PathDelim != '/') GTEST_SKIP() << "names are UTF-16 on this system, not bytes";
  const std::string sjis = "\x83\x65\x83\x58\x83\x67.jpg";  // not UTF-8
  dir.Write(sjis, "x");
  dir.Write("写真.JPEG", "x");
  FileList list;
  list.SetFolder(dir.Path());
  ASSERT_EQ(list.Count(), 2);
  EXPECT_NE(list.IndexOf(sjis), -1);
  list.SetItemIndex(list.IndexOf(sjis));
  EXPECT_EQ(list.CurrentFile(), dir.Path() + "/" + sjis);
}

TEST_F(FileListTest, SelectionCurrentFileAndPosition) {
  TempDir dir;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) dir.Write(name, "x");
  FileList list;
  list.SetFolder(dir.Path() + "/");
  list.SetItemIndex(2);
  EXPECT_EQ(list.CurrentFile(), dir.Path() + "/c.jpg");
  EXPECT_EQ(list.PositionText(), "3/3");
  list.SetItemIndex(3);
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_EQ(list.IndexOf("B.JPG"), 1);
  EXPECT_EQ(list.IndexOf("d.jpg"), -1);

  // Search results may hold relative paths.
  list.SetEntries({"sub/x.png"});
  list.SetItemIndex(0);
  EXPECT_EQ(list.CurrentFile(), dir.Path() + "/sub/x.png");
  EXPECT_EQ(list.PositionText(), "1/1");

  FileList empty;
  EXPECT_EQ(empty.PositionText(), "0/0");
}

TEST_F(FileListTest, RelativeFolderStaysValidAfterTheWorkingFolderChanges) {
  TempDir dir;
  dir.Write("pics/a.jpg", "x");
  std::filesystem::current_path(dir.Path());
  FileList list;
  list.SetFolder("pics");
  list.SetItemIndex(0);
  EXPECT_EQ(list.CurrentFile(), NativePath(dir.Path() + "/pics/a.jpg"));
  EXPECT_TRUE(std::filesystem::exists(list.CurrentFile()));
}

TEST_F(FileListTest, AFolderThatCannotBeEnteredKeepsTheOldList) {
  TempDir dir;
  dir.Write("a.jpg", "x");
  FileList list;
  list.SetFolder(dir.Path());
  list.SetItemIndex(0);
  EXPECT_THROW(list.SetFolder(dir / "missing"), EFileError);
  EXPECT_THROW(list.SetFolder(dir / "a.jpg"), EFileError);
  EXPECT_EQ(list.Folder(), dir.Path());
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(dir.Path()));
}

TEST_F(FileListTest, EditingKeepsTheSelectionOnTheSameEntry) {
  FileList list;
  list.SetEntries({"a.jpg", "c.jpg", "e.jpg"});
  list.SetItemIndex(1);
  EXPECT_EQ(list.Add("B.jpg"), 1);
  EXPECT_EQ(list.Entry(list.ItemIndex()), "c.jpg");
  list.Delete(0);
  EXPECT_EQ(list.Entry(list.ItemIndex()), "c.jpg");
  list.SetItemIndex(2);
  list.Delete(2);
  EXPECT_EQ(list.ItemIndex(), 1);
}

TEST_F(FileListTest, ReReadsTheFolderOnRefresh) {
  TempDir dir;
  dir.Write("a.jpg", "x");
  FileList list;
  list.SetFolder(dir.Path());
  dir.Write("b.png", "x");
  list.Refresh();
  EXPECT_EQ(list.Count(), 2);
}

TEST_F(FileListTest, TellsItsViewsOfEveryChange) {
  TempDir dir;
  dir.Write("a.jpg", "x");
  FileList list;
  std::vector<TListChange> seen;
  TListSubscription view = list.Subscribe([&](TListChange c) { seen.push_back(c); });
  using C = TListChange;
  const struct {
    const char* what;
    std::function<void()> change;
    std::vector<TListChange> expected;
  } cases[] = {
      {"folder", [&] { list.SetFolder(dir.Path()); }, {C::Entries}},
      {"refresh", [&] { list.Refresh(); }, {C::Entries}},
      {"entries",
       [&] {
         list.SetEntries({"a.jpg", "b.jpg"});
       },
       {C::Entries}},
      {"select", [&] { list.SetItemIndex(1); }, {C::Selection}},
      {"same selection", [&] { list.SetItemIndex(1); }, {}},
      {"rename", [&] { list.SetEntry(0, "z.jpg"); }, {C::Entries}},
      {"add", [&] { list.Add("c.jpg"); }, {C::Entries}},
      {"delete", [&] { list.Delete(0); }, {C::Entries}},
      {"delete nothing", [&] { list.Delete(9); }, {}},
      {"unreadable folder", [&] { EXPECT_ANY_THROW(list.SetFolder(dir / "missing")); }, {}},
  };
  for (const auto& c : cases) {
    seen.clear();
    c.change();
    EXPECT_EQ(seen, c.expected) << c.what;
  }
  view.Reset();
  list.SetItemIndex(0);
  EXPECT_TRUE(seen.empty());
}

TEST(FileListViews, EitherSideMayGoFirst) {
  int calls = 0;
  TListSubscription outliving;
  {
    FileList list;
    outliving = list.Subscribe([&](TListChange) { ++calls; });
    {
      TListSubscription shortLived = list.Subscribe([&](TListChange) { calls += 100; });
    }
    FileList copy = list;  // a copy does not take the views along
    copy.SetEntries({"a.jpg"});
    list.SetEntries({"b.jpg"});
  }
  EXPECT_EQ(calls, 1);
  outliving.Reset();  // the list is gone: nothing to do, nothing to crash
}

TEST(FileListNames, ImageKindsByExtension) {
  for (const char* yes : {"a.jpg", "a.JPEG", "x.Bmp", "y.pNg", "dir.x/a.jpg", ".jpg"})
    EXPECT_TRUE(FileList::IsImageName(yes)) << yes;
  for (const char* no : {"a.gif", "a.jpgx", "a", "a.jpg/", "a.jpg.bak", "jpg", "a.jp"})
    EXPECT_FALSE(FileList::IsImageName(no)) << no;
}

}  // namespace
}  // namespace verid
