#include "dialogs/BatchRename.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/FolderSearch.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::ScriptedDialogs;
using test::TempDir;
using Names = std::vector<std::string>;

class BatchRenameTest : public ::testing::Test {
 protected:
  void SetUp() override { start_ = fs::current_path(); }
  void TearDown() override { fs::current_path(start_); }
  // Every name in the folder, sorted.
  Names OnDisk() const {
    Names names;
    for (const auto& e : fs::directory_iterator(dir.Path()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  BatchRenameResult Run(const std::string& prefix, const std::string& start, int digits,
                        std::function<void()> between = {}) {
    list.SetFolder(dir.Path());
    list.SetItemIndex(0);
    return BatchRename(list, settings, dialogs, {prefix, start, digits, std::move(between)});
  }
  fs::path start_;
  TempDir dir;
  FileList list;
  AppSettings settings;
  ScriptedDialogs dialogs;
};

TEST(BatchRenameRules, SerialsFitTheirDigitsIn16Bits) {
  struct Case {
    int count;
    int32_t start;
    int digits;
    bool fits;
  } cases[] = {{100, 0, 2, true},   {101, 0, 2, false},      {5, 5, 1, true},    {6, 5, 1, false},
               {1000, 0, 3, true},  {1, 999, 3, true},       {2, 999, 3, false}, {3, -1, 2, false},
               {1, 65536, 1, true}, {1073, 130000, 3, false}};
  for (const Case& c : cases)
    EXPECT_EQ(SerialsFit(c.count, c.start, c.digits), c.fits)
        << c.count << " from " << c.start << " in " << c.digits;
  EXPECT_EQ(SerialText(0, 5, 2), "05");
  EXPECT_EQ(SerialText(1, 0, 3), "001");
  EXPECT_EQ(SerialText(7, 2, 1), "9");
}

TEST_F(BatchRenameTest, RenamesInListOrderKeepingExtensionsAndTheSelection) {
  dir.Write("a.jpg", "1");
  dir.Write("b.png", "22");
  dir.Write("c.jpg", "333");
  dir.Write("PHOTO.JPG", "4444");
  list.SetFolder(dir.Path());
  list.SetItemIndex(1);
  BatchRenameResult r = BatchRename(list, settings, dialogs, {"img", "1", 2, {}});
  EXPECT_TRUE(r.Done);
  EXPECT_EQ(OnDisk(), (Names{"img01.jpg", "img02.png", "img03.jpg", "img04.JPG"}));
  EXPECT_EQ(list.Entries(), (Names{"img01.jpg", "img02.png", "img03.jpg", "img04.JPG"}));
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(r.StatusPath, dir / "img02.png");
  EXPECT_EQ(r.StatusSize, "2 ﾊﾞｲﾄ");
  EXPECT_TRUE(dialogs.Calls().empty());
}

TEST_F(BatchRenameTest, AnOldNameEqualToANewOneDoesNotBlockIt) {
  dir.Write("b.jpg", "b");
  dir.Write("img01.jpg", "i");
  Run("img", "1", 2);
  EXPECT_EQ(OnDisk(), (Names{"img01.jpg", "img02.jpg"}));
  EXPECT_EQ(test::ReadAll(dir / "img01.jpg"), std::vector<uint8_t>{'b'});
  EXPECT_EQ(test::ReadAll(dir / "img02.jpg"), std::vector<uint8_t>{'i'});
  // No prefix: the serial number alone.
  Run("", "1", 2);
  EXPECT_EQ(OnDisk(), (Names{"01.jpg", "02.jpg"}));
}

TEST_F(BatchRenameTest, TooManyFilesOrABadStartChangeNothing) {
  for (int i = 0; i < 6; ++i) dir.Write("f" + std::to_string(i) + ".jpg", "x");
  Names before = OnDisk();
  BatchRenameResult r = Run("p", "5", 1);
  EXPECT_FALSE(r.Done);
  EXPECT_EQ(dialogs.LastMessage().Text, "ﾌｧｲﾙの数が入力した条件を越えています");
  EXPECT_EQ(dialogs.LastMessage().Kind, MsgKind::Error);
  EXPECT_THROW(Run("p", "", 2), std::runtime_error);
  EXPECT_EQ(OnDisk(), before);
  EXPECT_TRUE(Run("p", "4", 1).Done) << "serials 4 to 9 fit one digit";
  EXPECT_EQ(OnDisk(), (Names{"p4.jpg", "p5.jpg", "p6.jpg", "p7.jpg", "p8.jpg", "p9.jpg"}));
}

TEST_F(BatchRenameTest, EntriesTheSizeFilterDropsStillGetTheirNames) {
  dir.Write("a.jpg", std::string(2000, 'a'));
  dir.Write("b.jpg", "b");
  dir.Write("c.jpg", std::string(2000, 'c'));
  settings.SearchSizeK = 1;
  settings.SearchRange = "以上";
  Run("img", "1", 2);
  EXPECT_EQ(OnDisk(), (Names{"img01.jpg", "img02.jpg", "img03.jpg"}));
  EXPECT_EQ(list.Entries(), (Names{"img01.jpg", "img03.jpg"})) << "the list is read again, thinned";
  EXPECT_TRUE(dialogs.Calls().empty());
}

TEST_F(BatchRenameTest, ATakenNewNameSendsTheFileBackAndIsReported) {
  dir.Write("a.jpg", std::string(2000, 'a'));
  dir.Write("b.jpg", std::string(2000, 'b'));
  dir.Write("img02.jpg", "not listed");
  list.SetFolder(dir.Path());
  SizeFilter(list, "以上", 1);
  ASSERT_EQ(list.Entries(), (Names{"a.jpg", "b.jpg"}));
  BatchRenameResult r = BatchRename(list, settings, dialogs, {"img", "1", 2, {}});
  EXPECT_EQ(OnDisk(), (Names{"b.jpg", "img01.jpg", "img02.jpg"}));
  ASSERT_EQ(r.Failed.size(), 1u);
  EXPECT_EQ(r.Failed[0].Before, "b.jpg");
  EXPECT_EQ(r.Failed[0].Now, "b.jpg");
  EXPECT_EQ(dialogs.LastMessage().Text, "次のﾌｧｲﾙは名前を変更できませんでした\r\nb.jpg");
}

TEST_F(BatchRenameTest, NoFileKeepsATemporaryNameWhateverHappensBetweenThePasses) {
  dir.Write("a.jpg", "a");
  dir.Write("b.jpg", "b");
  dir.Write("c.jpg", "c");
  dir.Write("d.jpg", "d");
  Names temporary;
  BatchRenameResult r = Run("a", "1", 1, [&] {
    temporary = OnDisk();
    // c's temporary file vanishes; b's new name and its old one are taken meanwhile.
    fs::remove(FsPath(dir / temporary[2]));
    dir.Write("a2.jpg", "other");
    dir.Write("b.jpg", "another");
  });
  EXPECT_EQ(temporary,
            (Names{"変更中10000.jpg", "変更中10001.jpg", "変更中10002.jpg", "変更中10003.jpg"}));
  EXPECT_EQ(OnDisk(), (Names{"a1.jpg", "a2.jpg", "a4.jpg", "b.jpg", "b0.jpg"}));
  EXPECT_EQ(test::ReadAll(dir / "b0.jpg"), std::vector<uint8_t>{'b'});
  EXPECT_EQ(test::ReadAll(dir / "a4.jpg"), std::vector<uint8_t>{'d'});
  ASSERT_EQ(r.Failed.size(), 2u);
  EXPECT_EQ(dialogs.LastMessage().Text,
            "次のﾌｧｲﾙは名前を変更できませんでした\r\nb.jpg → b0.jpg\r\nc.jpg (ﾌｧｲﾙがありません)");
}

TEST_F(BatchRenameTest, ATemporaryNameLeftFromBeforeIsSteppedAround) {
  dir.Write("x.jpg", "x");
  dir.Write("変更中10000.jpg", "stray");
  list.SetFolder(dir.Path());
  list.SetEntries({"x.jpg"});
  BatchRename(list, settings, dialogs, {"n", "0", 1, {}});
  EXPECT_EQ(OnDisk(), (Names{"n0.jpg", "変更中10000.jpg"}));
  EXPECT_EQ(test::ReadAll(dir / "n0.jpg"), std::vector<uint8_t>{'x'});
}

}  // namespace
}  // namespace verid
