// Catalog files to the byte: the records as the program writes them, what the reader
// accepts and refuses, cut-short files, and the open and save commands.
#include "catalog/CatalogFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "catalog/CatalogBuild.h"
#include "support/FakePlatform.h"
#include "support/ImageBuilders.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace verid {
namespace {

// The list enters its folder; a test leaves the working folder as it found it.
struct KeepWorkingFolder {
  std::filesystem::path at = std::filesystem::current_path();
  ~KeepWorkingFolder() { std::filesystem::current_path(at); }
};

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == ' ') continue;
    out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    ++i;
  }
  return out;
}
std::vector<uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}
std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
std::vector<uint8_t> S(const std::string& s) {  // as Str
  return Cat({{static_cast<uint8_t>(s.size())}, Bytes(s)});
}

// A catalog as a build leaves it: cells of `size`, one per caption, growth steps N.
Catalog Made(int size, const std::vector<std::string>& captions) {
  Catalog c;
  c.Images.SetSize(size, size);
  const int n = static_cast<int>(captions.size());
  c.Images.SetAllocBy(n);
  c.View.AllocBy = n;
  for (int k = 0; k < n; ++k) {
    c.Images.Add(test::Pattern(size, size, TPixelFormat::pf24bit, uint32_t(k + 7)));
    CatalogEntry e;
    e.Caption = captions[size_t(k)];
    e.ImageIndex = k;
    c.Items.push_back(e);
  }
  c.View.Width = 1016;
  c.View.Height = 694;
  return c;
}

const char* const kItemsHex =
    "22 00 00 00 01 00 00 00 00 00 00 00 ff ff ff ff ff ff ff ff 00 00 00 00 00 00 00 00 05 61 2e "
    "6a 70 67";

TEST(CatalogFile, ItemsDataOfOneEntry) {
  const Catalog c = Made(65, {"a.jpg"});
  EXPECT_EQ(WriteItemsData(c.Items), Hex(kItemsHex));
}

TEST(CatalogFile, StoreRecordOfOneEntryAt65) {
  const Catalog c = Made(65, {"a.jpg"});
  const auto a = WriteStoreRecord(c);
  const auto head =
      Hex("54 50 46 30 0a 54 49 6d 61 67 65 4c 69 73 74 00 07 41 6c 6c 6f 63 42 79 02 01 06 48 65 "
          "69 67 "
          "68 74 02 41 05 57 69 64 74 68 02 41 06 42 69 74 6d 61 70 0a");
  ASSERT_GT(a.size(), head.size() + 4);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), a.begin()));
  const auto strip = c.Images.WriteStrip();
  uint32_t length;
  std::memcpy(&length, &a[head.size()], 4);
  EXPECT_EQ(length, strip.size());
  EXPECT_TRUE(std::equal(strip.begin(), strip.end(), a.begin() + long(head.size()) + 4));
  EXPECT_EQ(a.size(), head.size() + 4 + strip.size() + 2);
  EXPECT_EQ(a[a.size() - 2], 0);
  EXPECT_EQ(a[a.size() - 1], 0);
}

TEST(CatalogFile, ListRecordOfOneEntryIs227Bytes) {
  const Catalog c = Made(65, {"a.jpg"});
  const auto expected = Cat({Bytes("TPF0"),
                             S("TListView"),
                             S("ListView"),
                             S("Left"),
                             Hex("02 00"),
                             S("Top"),
                             Hex("02 00"),
                             S("Width"),
                             Hex("03 f8 03"),
                             S("Height"),
                             Hex("03 b6 02"),
                             S("Align"),
                             Hex("07"),
                             S("alClient"),
                             S("AllocBy"),
                             Hex("02 01"),
                             S("Color"),
                             Hex("07"),
                             S("clGray"),
                             S("Columns"),
                             Hex("0e 00"),
                             S("IconOptions.AutoArrange"),
                             Hex("09"),
                             S("Items.Data"),
                             Hex("0a 22 00 00 00"),
                             Hex(kItemsHex),
                             S("PopupMenu"),
                             Hex("07"),
                             S("CatarogForm.PopupMenu1"),
                             S("TabOrder"),
                             Hex("02 00 00 00")});
  EXPECT_EQ(expected.size(), 227u);
  EXPECT_EQ(WriteListRecord(c), expected);
}

bool Contains(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

TEST(CatalogFile, AllocByIsWrittenOnlyOffItsDefault) {
  Catalog four = Made(80, {"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
  EXPECT_FALSE(Contains(WriteStoreRecord(four), S("AllocBy")));
  EXPECT_TRUE(Contains(WriteListRecord(four), Cat({S("AllocBy"), Hex("02 04")})));
  Catalog empty;
  EXPECT_FALSE(Contains(WriteListRecord(empty), S("AllocBy")));
  EXPECT_FALSE(Contains(WriteListRecord(empty), S("Items.Data")));
  EXPECT_FALSE(Contains(WriteStoreRecord(empty), S("Bitmap")));
  // Integers take their smallest form.
  four.View.Width = 100000;
  four.View.Left = -1;
  EXPECT_TRUE(Contains(WriteListRecord(four), Cat({S("Width"), Hex("04 a0 86 01 00")})));
  EXPECT_TRUE(Contains(WriteListRecord(four), Cat({S("Left"), Hex("02 ff")})));
}

TEST(CatalogFile, CaptionsAreCp932CutAtACharacterBoundary) {
  struct Case {
    std::string caption;
    size_t bytes;  // stored length
  };
  const std::string ascii300(300, 'a');
  std::string kanji;  // 2 bytes each in CP932
  for (int i = 0; i < 130; ++i) kanji += "表";
  const Case cases[] = {
      {"a.jpg", 5},       {ascii300, 255},
      {"a" + kanji, 255},  // 1 + 127 * 2: the 128th character does not fit whole
      {kanji, 254},        // 127 characters
      {"ｶﾀﾛｸﾞ.jpg", 9},    // half-width katakana: one byte each
  };
  for (const Case& c : cases) {
    const std::string stored = EncodeCaption(c.caption);
    EXPECT_EQ(stored.size(), c.bytes) << c.caption;
    const std::string back = DecodeCaption(stored);
    EXPECT_EQ(back, c.caption.substr(0, back.size())) << c.caption;
  }
  EXPECT_EQ(EncodeCaption("表.jpg"), "\x95\x5c.jpg");
  // Text CP932 cannot hold reads back unchanged, whole characters only.
  for (std::string odd :
       {std::string("caf\xC3\xA9.jpg"), std::string("\xF0\x9F\x98\x80.png"),
        std::string("\xFF\xFE.bmp"), std::string(100, 'x') + "\xC3\xA9" + ascii300}) {
    const std::string stored = EncodeCaption(odd);
    EXPECT_LE(stored.size(), 255u);
    EXPECT_EQ(DecodeCaption(stored), odd.substr(0, stored.size() - 3));
  }
  const std::string e = "\xC3\xA9";
  EXPECT_EQ(EncodeCaption(e + std::string(300, 'x')).size(), 255u);
  EXPECT_EQ(EncodeCaption(e + std::string(249, 'x') + e).size(), 254u);  // é not split
  // When the cut drops the only character CP932 lacks, the rest is plain CP932.
  EXPECT_EQ(EncodeCaption(std::string(252, 'x') + e), std::string(252, 'x'));
}

TEST(CatalogFile, SavedReopenedAndSavedAgainIsByteIdentical) {
  Catalog c =
      Made(65, {"a.jpg", "写真.png", "caf\xC3\xA9.bmp", std::string(300, 'z') + ".jpg", "e.jpg"});
  c.Items.erase(c.Items.begin() + 2);  // entries may skip images
  const auto first = WriteCatalog(c);
  Catalog back;
  const CatalogReadResult r = ReadCatalog(first.data(), first.size(), back);
  ASSERT_TRUE(r.Ok) << r.Detail;
  EXPECT_EQ(r.Used, first.size());
  EXPECT_EQ(back.Images.Count(), 5);
  ASSERT_EQ(back.Items.size(), 4u);
  EXPECT_EQ(back.Items[1].Caption, "写真.png");
  EXPECT_EQ(back.Items[2].ImageIndex, 3);
  EXPECT_EQ(back.Items[2].Caption, std::string(255, 'z'));
  EXPECT_EQ(back.View.Width, 1016);
  EXPECT_EQ(WriteCatalog(back), first);
}

TEST(CatalogFile, DeletingEntryTwoOfFiveKeepsFiveThumbnails) {
  KeepWorkingFolder keep;
  test::TempDir dir;
  FileList list;
  for (const char* n : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"})
    test::Pattern(30, 20, TPixelFormat::pf24bit).SaveToFile(dir / n);
  list.SetFolder(dir.Path());
  struct Quiet : CatalogBuildHost {
    void BuildStarted() override {}
    void FileDone(const TBitmap&, const BuildProgress&) override {}
    bool StopRequested() override { return false; }
    void BuildEnded() override {}
  } host;
  test::FakePlatform platform;
  Catalog c;
  BuildCatalog(list, 80, c, host, platform);
  c.Items.erase(c.Items.begin() + 2);
  SaveCatalogFile(dir / "x.doz", c);
  Catalog back;
  test::ScriptedDialogs dialogs;
  ASSERT_TRUE(OpenCatalogFile(dir / "x.doz", back, dialogs));
  EXPECT_EQ(back.Images.Count(), 5);
  std::vector<int> indexes;
  for (const auto& e : back.Items) indexes.push_back(e.ImageIndex);
  EXPECT_EQ(indexes, (std::vector<int>{0, 1, 3, 4}));
  EXPECT_EQ(back.Items[2].Caption, "d.bmp");
  EXPECT_EQ(back.View.AllocBy, 5);
}

// Hand-made records: a store of one 4 x 4 cell and a list of one entry.
std::vector<uint8_t> StoreRecord(const std::vector<uint8_t>& props, uint8_t flag = 0) {
  return Cat({Bytes("TPF0"), flag ? std::vector<uint8_t>{flag} : std::vector<uint8_t>{},
              S("TImageList"), S(""), props, Hex("00 00")});
}
std::vector<uint8_t> Block(const std::vector<uint8_t>& b) {
  std::vector<uint8_t> out = {0x0a, 0, 0, 0, 0};
  test::Poke32(out, 1, static_cast<uint32_t>(b.size()));
  return Cat({out, b});
}
std::vector<uint8_t> Strip4() {
  TImageList one;
  one.SetSize(4, 4);
  one.Add(test::Pattern(4, 4, TPixelFormat::pf24bit));
  StripLayout layout;
  layout.TrailingZeros = 22;
  return one.WriteStrip(layout);
}
std::vector<uint8_t> ListRecord(const std::vector<uint8_t>& props) {
  return Cat({Bytes("TPF0"), S("TListView"), S("ListView"), props, Hex("00 00")});
}

TEST(CatalogFile, ReaderAcceptsOtherOrdersFlagsAndTrailingBytes) {
  const auto strip = Strip4();
  const auto items = Hex(kItemsHex);
  const auto file = Cat({
      // Bitmap first, then the sides equal to the strip's (which keeps the images).
      StoreRecord(Cat({S("Bitmap"), Block(strip), S("Width"), Hex("02 04"), S("Height"),
                       Hex("02 04"), S("Masked"), Hex("09"), S("DrawingStyle"), Hex("07"),
                       S("dsNormal"), S("BkColor"), Hex("07"), S("clNone")}),
                  0xF0),
      // A flag byte with a child position, properties in reverse order, Null pop-up.
      Cat({Bytes("TPF0"),
           Hex("f2 02 03"),
           S("TListView"),
           S("ListView"),
           S("TabOrder"),
           Hex("02 01"),
           S("PopupMenu"),
           Hex("0d"),
           S("Items.Data"),
           Block(items),
           S("IconOptions.AutoArrange"),
           Hex("08"),
           S("Columns"),
           Hex("0e 01"),
           S("Caption"),
           Hex("07"),
           S("x"),
           Hex("00 00"),
           S("Color"),
           Hex("04 10 20 30 00"),
           S("Align"),
           Hex("07"),
           S("alTop"),
           S("Left"),
           Hex("03 00 01"),
           Hex("00 00")}),
      Hex("00 00 00 00"),
  });
  Catalog c;
  const CatalogReadResult r = ReadCatalog(file.data(), file.size(), c);
  ASSERT_TRUE(r.Ok) << r.Detail;
  EXPECT_EQ(c.Images.Count(), 1);
  EXPECT_EQ(c.Images.Width(), 4);
  ASSERT_EQ(c.Items.size(), 1u);
  EXPECT_EQ(c.Items[0].Caption, "a.jpg");
  EXPECT_EQ(c.Items[0].StateIndex, -1);
  EXPECT_EQ(c.View.AllocBy, 1);  // the store's image count when the file gives none
  EXPECT_EQ(c.View.TabOrder, 1);
  EXPECT_EQ(c.View.PopupMenu, "");
  EXPECT_FALSE(c.View.AutoArrange);
  EXPECT_EQ(c.View.Color, 0x302010);
  EXPECT_EQ(c.View.Align, "alTop");
  EXPECT_EQ(c.View.Left, 256);
  EXPECT_EQ(r.Used, file.size() - 4);
}

TEST(CatalogFile, ReaderKeepsSubItemsAndTheirImages) {
  CatalogEntry e;
  e.Caption = "a";
  e.SubItems = {"b", "c"};
  e.SubItemImages = {3, -1};
  const auto block = WriteItemsData({e});
  EXPECT_EQ(block.size(), 8 + 21 + 1 + 2 + 2 + 4u);
  const auto file = Cat({StoreRecord({}), ListRecord(Cat({S("Items.Data"), Block(block)}))});
  Catalog c;
  ASSERT_TRUE(ReadCatalog(file.data(), file.size(), c).Ok);
  ASSERT_EQ(c.Items.size(), 1u);
  EXPECT_EQ(c.Items[0], e);
}

TEST(CatalogFile, ReaderRefusesWhatIsNoCatalog) {
  const auto strip = Strip4();
  const auto goodList = ListRecord(Cat({S("Items.Data"), Block(Hex(kItemsHex))}));
  auto items = [](const std::string& hex) {
    return ListRecord(Cat({S("Items.Data"), Block(Hex(hex))}));
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
  };
  const Case cases[] = {
      {"empty", {}},
      {"text", Bytes("just some text\r\n")},
      {"signature", Cat({Bytes("TPF1"), S("TImageList"), S(""), Hex("00 00"), goodList})},
      {"unknown property", Cat({StoreRecord(Cat({S("Colour"), Hex("02 00")})), goodList})},
      {"side as identifier", Cat({StoreRecord(Cat({S("Height"), Hex("07"), S("big")})), goodList})},
      {"side zero", Cat({StoreRecord(Cat({S("Width"), Hex("02 00")})), goodList})},
      {"string type", Cat({StoreRecord(Cat({S("Tag"), Hex("06 01 41")})), goodList})},
      {"bitmap not a block", Cat({StoreRecord(Cat({S("Bitmap"), Hex("02 00")})), goodList})},
      {"bitmap not a strip",
       Cat({StoreRecord(Cat({S("Bitmap"), Block(Bytes("BM00"))})), goodList})},
      {"child component", Cat({Bytes("TPF0"), S("TImageList"), S(""), Hex("00 01"), goodList})},
      {"no list record", StoreRecord(Cat({S("Bitmap"), Block(strip)}))},
      {"size past block", Cat({StoreRecord({}), items("40 00 00 00 00 00 00 00")})},
      {"size too small", Cat({StoreRecord({}), items("07 00 00 00 00 00 00 00")})},
      {"count past size", Cat({StoreRecord({}), items("08 00 00 00 01 00 00 00")})},
      {"negative count", Cat({StoreRecord({}), items("08 00 00 00 ff ff ff ff")})},
      {"caption past size",
       Cat({StoreRecord({}), items("1e 00 00 00 01 00 00 00 00 00 00 00 ff ff ff "
                                   "ff ff ff ff ff 00 00 00 00 00 00 00 00 05 61")})},
      {"unknown colour",
       Cat({StoreRecord({}), ListRecord(Cat({S("Color"), Hex("07"), S("clPink")}))})},
      {"unknown align",
       Cat({StoreRecord({}), ListRecord(Cat({S("Align"), Hex("07"), S("alMiddle")}))})},
      {"block length negative",
       Cat({StoreRecord(Cat({S("Bitmap"), Hex("0a ff ff ff ff")})), goodList})},
  };
  for (const Case& c : cases) {
    Catalog target;
    EXPECT_FALSE(ReadCatalog(c.file.data(), c.file.size(), target).Ok) << c.name;
  }
}

TEST(CatalogFile, CutShortFilesNeverReadPastTheirEnd) {
  Catalog c = Made(65, {"a.jpg", "b.jpg", "表.jpg"});
  const auto file = WriteCatalog(c);
  const size_t storeEnd = WriteStoreRecord(c).size();
  for (size_t n = 0; n <= file.size(); ++n) {
    // A copy of exactly n bytes, so a read past it is caught by the sanitizers.
    std::vector<uint8_t> cut(file.begin(), file.begin() + long(n));
    Catalog target;
    const CatalogReadResult r = ReadCatalog(cut.data(), cut.size(), target);
    ASSERT_EQ(r.Ok, n == file.size()) << n;
    ASSERT_LE(r.Used, n);
    // What was read before the cut stays.
    if (n >= storeEnd) {
      ASSERT_EQ(target.Images.Count(), 3) << n;
    }
    if (n >= file.size() - 47) {
      ASSERT_EQ(target.Items.size(), 3u) << n;
    }
  }
}

TEST(CatalogFile, OpeningATextFileGivesAnEmptyCatalogAfterTheBox) {
  test::TempDir dir;
  test::ScriptedDialogs dialogs;
  Catalog c;
  EXPECT_FALSE(OpenCatalogFile(dir.Write("x.doz", "This is not a catalog.\r\n"), c, dialogs));
  ASSERT_EQ(dialogs.Calls().size(), 1u);
  const MessageRequest& box = dialogs.LastMessage();
  EXPECT_EQ(box.Kind, MsgKind::Error);
  EXPECT_EQ(box.Text, kNotDozMessage);
  EXPECT_EQ(box.Buttons, std::vector<MsgButton>{MsgButton::Ok});
  EXPECT_EQ(c.Images.Count(), 0);
  EXPECT_TRUE(c.Items.empty());
  // A file that cannot be read at all is no box of ours: the error goes on.
  EXPECT_THROW(OpenCatalogFile(dir / "missing.doz", c, dialogs), EFileError);
}

TEST(CatalogFile, SaveAsUsesTheCatalogFolderAndRemembersTheChoice) {
  KeepWorkingFolder keep;
  test::TempDir dir;
  FileList list;
  test::Pattern(4, 4, TPixelFormat::pf24bit).SaveToFile(dir / "holiday.photo.bmp");
  list.SetFolder(dir.Path());
  list.SetItemIndex(0);
  AppSettings settings;
  settings.CatarogDir = "/somewhere/";
  test::ScriptedDialogs dialogs;
  const Catalog c = Made(65, {"holiday.photo.bmp"});

  dialogs.AnswerSave(std::nullopt);
  EXPECT_FALSE(SaveCatalogAs(c, list, settings, dialogs));
  EXPECT_EQ(settings.CatarogDir, "/somewhere/");
  const FileDialogRequest& asked = dialogs.Calls().back().File;
  EXPECT_EQ(asked.InitialDir, "/somewhere/");
  EXPECT_EQ(asked.FileName, "holiday.photo");
  EXPECT_EQ(asked.Filter, "Veridｶﾀﾛｸﾞ形式(*.doz)|*.doz");
  EXPECT_EQ(asked.DefaultExt, "doz");
  EXPECT_TRUE(asked.OverwritePrompt);

  const std::string target = dir.MakeDir("cats") + "/c.doz";
  dialogs.AnswerSave(FileDialogResult{target, 1});
  EXPECT_TRUE(SaveCatalogAs(c, list, settings, dialogs));
  EXPECT_EQ(test::ReadAll(target), WriteCatalog(c));
  EXPECT_EQ(settings.CatarogDir, dir / "cats/");
}

}  // namespace
}  // namespace verid
