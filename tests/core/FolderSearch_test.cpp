#include "app/FolderSearch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/IECache.h"
#include "support/FakePlatform.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WorkingFolder.h"

namespace verid {
namespace {

// Paths as the program spells them on this system.
std::vector<std::string> Native(std::vector<std::string> paths) {
  for (std::string& p : paths) p = NativePath(p);
  return paths;
}

namespace fs = std::filesystem;
using test::FakePlatform;
using test::ScriptedDialogs;
using test::TempDir;

using Names = std::vector<std::string>;

class SearchTest : public test::WorkingFolderTest {
 protected:
  TempDir dir;
  FileList list;
  FakePlatform platform;
  ScriptedDialogs dialogs;
};

TEST_F(SearchTest, SizeFilterKeepsTheThresholdInBothModes) {
  dir.Write("a999.jpg", std::string(999, 'x'));
  dir.Write("b1000.jpg", std::string(1000, 'x'));
  dir.Write("c1001.jpg", std::string(1001, 'x'));
  dir.Write("d0.jpg", "");
  struct Case {
    const char* range;
    uint16_t k;
    Names kept;
  } cases[] = {
      {"以上", 1, {"b1000.jpg", "c1001.jpg"}},
      {"以下", 1, {"a999.jpg", "b1000.jpg", "d0.jpg"}},
      {"以上", 0, {"a999.jpg", "b1000.jpg", "c1001.jpg", "d0.jpg"}},
      {"以下", 0, {"d0.jpg"}},
      {"その他", 1, {"a999.jpg", "b1000.jpg", "c1001.jpg", "d0.jpg"}},
  };
  for (const Case& c : cases) {
    list.SetFolder(dir.Path());
    int removed = SizeFilter(list, c.range, c.k);
    EXPECT_EQ(list.Entries(), c.kept) << c.range << " " << c.k;
    EXPECT_EQ(removed, 4 - static_cast<int>(c.kept.size()));
    EXPECT_EQ(list.ItemIndex(), list.Count() - 1) << "the selection rests on the last entry";
  }
}

TEST_F(SearchTest, SizeFilterTakesSizesBeyondThirtyTwoBits) {
  // A sparse file of 5 GB costs no disk space.
  std::string big = dir / "big.png";
  { std::ofstream(big) << ""; }
  fs::resize_file(big, 5'000'000'000ULL);
  dir.Write("small.png", "x");
  list.SetFolder(dir.Path());
  SizeFilter(list, "以上", 65535);
  EXPECT_EQ(list.Entries(), Names{"big.png"});
  list.SetFolder(dir.Path());
  SizeFilter(list, "以下", 65535);
  EXPECT_EQ(list.Entries(), Names{"small.png"});
}

// --- the browser cache ----------------------------------------------------------------------

class CacheTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    machine = dir.MakeDir("machine");
    user = dir.MakeDir("user");
    ie5 = dir.MakeDir("user/content.ie5");
    platform.registry[std::string("HKEY_LOCAL_MACHINE\\") + kMachineCacheKey + "\\CachePath"] =
        machine;
    platform.registry[std::string("HKEY_USERS\\") + kUserCacheKey + "\\Cache"] = user;
  }
  std::string machine, user, ie5;
};

TEST_F(CacheTest, RegistryGivesTheThreeFolders) {
  CacheFolderSet set = CacheFolders(platform);
  EXPECT_EQ(set.A, machine);
  EXPECT_EQ(set.B, user);
  EXPECT_EQ(set.C, NativePath(ie5));
  // A value is taken up to its NUL; one too long for the buffer reads as nothing.
  platform.registry[std::string("HKEY_USERS\\") + kUserCacheKey + "\\Cache"] =
      std::string("/c\0junk", 7);
  EXPECT_EQ(CacheFolders(platform).B, "/c");
  platform.registry[std::string("HKEY_USERS\\") + kUserCacheKey + "\\Cache"] =
      std::string(300, 'a');
  EXPECT_EQ(CacheFolders(platform).B, "");
  EXPECT_EQ(CacheFolders(platform).C, "") << "no content.ie5 below an unknown folder";
  platform.registry.clear();
  EXPECT_TRUE(CacheFolderList(platform).empty());
  // This system has no such browser cache (Windows may have one).
  if (PathDelim == '/') {
    EXPECT_TRUE(CacheFolderList(*CreateSystemPlatform(nullptr)).empty());
  }
}

TEST_F(CacheTest, CollectionTakesTheEntriesOwnImagesByKind) {
  dir.Write("user/content.ie5/ABC/x.jpg", "x");
  dir.Write("user/content.ie5/ABC/y.png", "x");
  dir.Write("user/content.ie5/ABC/z.JPEG", "x");
  dir.Write("user/content.ie5/ABC/w.jpe", "x");
  dir.Write("user/content.ie5/ABC/t.gif", "x");
  dir.Write("user/content.ie5/ABC/deep/d.jpg", "x");
  dir.Write("user/content.ie5/DEF/a.jpg.png", "x");
  dir.Write("user/content.ie5/direct.jpg", "x");
  dir.Write("user/content.ie5/plainfile", "x");
  EXPECT_EQ(CollectCache(ie5, 0),
            Native({"./direct.jpg", "ABC/w.jpe", "ABC/x.jpg", "ABC/z.JPEG", "DEF/a.jpg.png"}));
  EXPECT_EQ(CollectCache(ie5, 1), Native({"ABC/y.png", "DEF/a.jpg.png"}));
  EXPECT_EQ(CollectCache(ie5, 2), Native({"./direct.jpg", "ABC/w.jpe", "ABC/x.jpg", "ABC/y.png",
                                          "ABC/z.JPEG", "DEF/a.jpg.png"}))
      << "a name both patterns match is listed once";
  EXPECT_TRUE(CollectCache(ie5, 3).empty());
}

TEST_F(CacheTest, SearchListsTheCacheThinnedBySize) {
  dir.Write("user/content.ie5/ABC/x.jpg", std::string(12000, 'x'));
  dir.Write("user/content.ie5/ABC/small.jpg", std::string(9999, 'x'));
  dir.Write("user/content.ie5/ABC/y.png", std::string(10000, 'x'));
  dir.Write("machine/old/m.jpg", "x");
  AppSettings settings;
  settings.CacheVersion = 5;
  settings.CacheKinds = 2;
  settings.CacheSizeK = 10;
  EXPECT_EQ(CacheSearch(list, settings, dialogs, platform), CacheSearchOutcome::Listed);
  EXPECT_EQ(list.Entries(), Native({"ABC/x.jpg", "ABC/y.png"}));
  EXPECT_EQ(list.CurrentFile(), NativePath(ie5 + "/ABC/x.jpg"));
  EXPECT_TRUE(dialogs.Calls().empty());

  settings.CacheVersion = 4;
  settings.CacheSizeK = 0;
  EXPECT_EQ(CacheSearch(list, settings, dialogs, platform), CacheSearchOutcome::Listed);
  EXPECT_EQ(list.Entries(), Native({"old/m.jpg"}));
  EXPECT_EQ(list.Folder(), machine);
}

TEST_F(CacheTest, AttributePassTouchesEachFolderAndItsDirectEntries) {
  dir.Write("machine/e1", "x");
  dir.Write("machine/sub/deeper", "x");
  CacheAttributes(platform, {machine, dir / "missing"}, true);
  std::sort(platform.systemAttributes.begin(), platform.systemAttributes.end());
  EXPECT_EQ(platform.systemAttributes, Native({machine, machine + "/e1", machine + "/sub"}));
  CacheAttributes(platform, CacheFolderList(platform), false);
  EXPECT_EQ(platform.clearedAttributes.size(), 1u + 2u + 1u + 1u + 1u)
      << "A with its two entries, B with content.ie5, C";
}

}  // namespace
}  // namespace verid
