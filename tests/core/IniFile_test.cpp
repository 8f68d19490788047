#include "app/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace verid {
namespace {

using test::RunAsNobody;
using test::TempDir;

std::string ReadText(const std::string& path) {
  auto bytes = test::ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(IniFile, LookupIsTrimmedCaseInsensitiveAndFirstMatchWins) {
  auto ini = TIniFile::FromBytes(
      "top=outside\r\n"
      "  [ Main ]  trailing\r\n"
      "\t KeY  =   value with  spaces  \r\n"
      "key=second\r\n"
      ";Hidden=1\r\n"
      "#Shown=2\r\n"
      "Semi=a;b\r\n"
      "NoEquals\r\n"
      "Empty=\r\n"
      "[main]\r\n"
      "Later=x\r\n");
  EXPECT_EQ(ini.ReadString("MAIN", " key ", "-"), "value with  spaces");
  EXPECT_EQ(ini.ReadString("main", "Hidden", "-"), "-");
  EXPECT_EQ(ini.ReadString("main", ";Hidden", "-"), "-");
  EXPECT_EQ(ini.ReadString("main", "#Shown", "-"), "2");
  EXPECT_EQ(ini.ReadString("main", "Semi", "-"), "a;b");
  EXPECT_EQ(ini.ReadString("main", "NoEquals", "-"), "-");
  EXPECT_EQ(ini.ReadString("main", "Empty", "-"), "");
  EXPECT_EQ(ini.ReadString("", "top", "-"), "-");  // before any section
  // The first of two same-named sections is the one that counts.
  EXPECT_FALSE(ini.ValueExists("main", "Later"));

  ini.WriteString("Main", "KEY", "new");
  std::string text = ini.Serialize();
  EXPECT_NE(text.find("\r\nKeY=new\r\nkey=second\r\n"), std::string::npos);
}

TEST(IniFile, OnePairOfMatchingQuotesIsRemoved) {
  auto ini = TIniFile::FromBytes(
      "[q]\na=\"double\"\nb='single'\nc=\"mixed'\nd=\"\"twice\"\"\ne=\"\nf= \" padded \" \n");
  EXPECT_EQ(ini.ReadString("q", "a", ""), "double");
  EXPECT_EQ(ini.ReadString("q", "b", ""), "single");
  EXPECT_EQ(ini.ReadString("q", "c", ""), "\"mixed'");
  EXPECT_EQ(ini.ReadString("q", "d", ""), "\"twice\"");
  EXPECT_EQ(ini.ReadString("q", "e", ""), "\"");
  EXPECT_EQ(ini.ReadString("q", "f", ""), " padded ");
}

TEST(IniFile, ValuesReadingWouldChangeAreQuotedOnWriting) {
  auto ini = TIniFile::FromBytes("");
  for (std::string v : {" lead", "trail\t", "\"quoted\"", "'x'", "plain \"inner\" text", ""}) {
    ini.WriteString("s", "k", v);
    EXPECT_EQ(TIniFile::FromBytes(ini.Serialize()).ReadString("s", "k", "-"), v);
  }
  ini.WriteString("s", "k", "plain");
  EXPECT_EQ(ini.Serialize(), "[s]\r\nk=plain\r\n");
}

TEST(IniFile, EveryLineEndIsReadAndCrlfIsWritten) {
  for (std::string eol : {"\r\n", "\n", "\r"}) {
    auto ini =
        TIniFile::FromBytes("; c" + eol + "[a]" + eol + "x=1" + eol + eol + "[b]" + eol + "y=2");
    EXPECT_EQ(ini.ReadInteger("a", "x", 0), 1) << eol.size();
    EXPECT_EQ(ini.ReadInteger("b", "y", 0), 2) << eol.size();
    ini.WriteInteger("a", "z", 3);
    EXPECT_EQ(ini.Serialize(), "; c\r\n[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n");
  }
  // A byte-order mark from an editor does not hide the first section.
  EXPECT_EQ(TIniFile::FromBytes("\xEF\xBB\xBF[a]\nx=5\n").ReadInteger("a", "x", 0), 5);
}

TEST(IniFile, NewKeysGoToTheirSectionAndNewSectionsToTheEnd) {
  auto ini = TIniFile::FromBytes("[A]\r\n; note\r\nk=1\r\n\r\n\r\n[B]\r\nm=2\r\n");
  ini.WriteString("a", "new", "x");
  ini.WriteString("C", "c1", "y");
  ini.WriteString("b", "M", "3");
  ini.WriteString("C", "c2", "z");
  EXPECT_EQ(ini.Serialize(),
            "[A]\r\n; note\r\nk=1\r\nnew=x\r\n\r\n\r\n[B]\r\nm=3\r\n[C]\r\nc1=y\r\nc2=z\r\n");
}

TEST(IniFile, DoubleByteNamesAreScannedByCharacter) {
  // ゾ ends in 0x5D (']'), ー in 0x5B ('['), 表 in 0x5C.
  auto ini = TIniFile::FromBytes(
      "[\x83\x5d]\r\nk=1\r\n[\x83R\x83s\x81[]\r\n\x95\x5c\x8e\xa6=\x83\x5c\r\n");
  EXPECT_EQ(ini.ReadString("ゾ", "k", ""), "1");
  EXPECT_EQ(ini.ReadString("コピー", "表示", ""), "ソ");
  ini.WriteString("ゾ", "k", "表");
  EXPECT_EQ(ini.Serialize(),
            "[\x83\x5d]\r\nk=\x95\x5c\r\n[\x83R\x83s\x81[]\r\n\x95\x5c\x8e\xa6=\x83\x5c\r\n");
}

TEST(IniFile, LongValuesAreCutWithoutSplittingACharacter) {
  auto ini = TIniFile::FromBytes("[s]\r\nlong=" + std::string(3000, 'a') +
                                 "\r\nedge=" + std::string(2046, 'b') + "\x82\xa0" + "\r\n");
  EXPECT_EQ(ini.ReadString("s", "long", ""), std::string(2047, 'a'));
  EXPECT_EQ(ini.ReadString("s", "edge", ""), std::string(2046, 'b'));
}

TEST(IniFile, IntegersInDecimalOrHex) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {{"10", 10},
               {"-10", -10},
               {"+7", 7},
               {"0x1F", 31},
               {"0X1f", 31},
               {"$ff", 255},
               {"0xFFFFFFFF", -1},
               {"-$10", -16},
               {"2147483647", 2147483647},
               {"-2147483648", INT32_MIN},
               {"2147483648", {}},
               {"0x100000000", {}},
               {"", {}},
               {"0x", {}},
               {"$", {}},
               {"12abc", {}},
               {"1 2", {}},
               {"1.5", {}},
               {"-", {}}};
  for (const auto& c : cases) EXPECT_EQ(ParseIniInteger(c.text), c.value) << c.text;
  auto ini = TIniFile::FromBytes("[n]\r\na= 0x10 \r\nb=\"42\"\r\nc=junk\r\nd=0\r\ne=2\r\n");
  EXPECT_EQ(ini.ReadInteger("n", "a", -1), 16);
  EXPECT_EQ(ini.ReadInteger("n", "b", -1), 42);
  EXPECT_EQ(ini.ReadInteger("n", "c", -1), -1);
  EXPECT_FALSE(ini.ReadBool("n", "d", true));
  EXPECT_TRUE(ini.ReadBool("n", "e", false));
  EXPECT_TRUE(ini.ReadBool("n", "missing", true));
}

TEST(IniFile, TextOutsideCp932ReadsBackUnchanged) {
  auto ini = TIniFile::FromBytes("");
  const std::string emoji = "/x/\xF0\x9F\x93\xB7 ", raw = "/x/\x82\xff";
  ini.WriteString("s", "emoji", emoji);
  ini.WriteString("s", "raw", raw);
  ini.WriteString("s", "jp", "画像");
  auto back = TIniFile::FromBytes(ini.Serialize());
  EXPECT_EQ(back.ReadString("s", "emoji", ""), emoji);
  EXPECT_EQ(back.ReadString("s", "raw", ""), raw);
  EXPECT_EQ(back.ReadString("s", "jp", ""), "画像");
  // Names too, even when their bytes look like CP932 lead bytes before the "]".
  ini.WriteString("\x89", "\x89", "v");
  EXPECT_EQ(TIniFile::FromBytes(ini.Serialize()).ReadString("\x89", "\x89", ""), "v");
  EXPECT_NE(ini.Serialize().find("jp=\x89\xe6\x91\x9c\r\n"), std::string::npos);
  // A hand-edited UTF-8 value that is not CP932 is still readable.
  EXPECT_EQ(TIniFile::FromBytes("[s]\nk=\xED\x95\x9C\n").ReadString("s", "k", ""), "한");
  // Bytes in neither encoding stay as they are and survive a save.
  auto odd = TIniFile::FromBytes("[s]\nk=/pics/\xA4\xA2\xFF\n");
  EXPECT_EQ(odd.ReadString("s", "k", ""), "/pics/\xA4\xA2\xFF");
  odd.WriteString("s", "k", odd.ReadString("s", "k", ""));
  EXPECT_EQ(TIniFile::FromBytes(odd.Serialize()).ReadString("s", "k", ""), "/pics/\xA4\xA2\xFF");
}

TEST(IniFile, WhatALineCannotHoldIsRefused) {
  TIniFile ini("/some/verid.ini");
  EXPECT_THROW(ini.WriteString("s", "k", "two\nlines"), std::runtime_error);
  EXPECT_THROW(ini.WriteString("s", "a=b", "v"), std::runtime_error);
  EXPECT_THROW(ini.WriteString("a]b", "k", "v"), std::runtime_error);
  EXPECT_THROW(ini.WriteString("s", ";k", "v"), std::runtime_error);   // would be a comment
  EXPECT_THROW(ini.WriteString("s", "[k]", "v"), std::runtime_error);  // would be a section
  try {
    ini.WriteString("s", "k", "cr\r");
    FAIL();
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "/some/verid.ini に書き込めません");
  }
  EXPECT_EQ(ini.Serialize(), "");
}

TEST(IniFile, UpdateFileCreatesReplacesAndKeepsTheLayout) {
  TempDir dir;
  std::string path = dir / "a.ini";
  {
    TIniFile ini(path);
    ini.WriteString("S", "k", "v");
    ini.UpdateFile();
  }
  EXPECT_EQ(ReadText(path), "[S]\r\nk=v\r\n");

  dir.Write("b.ini", "; keep me\n[S]\nk = old ; not a comment\nother=1\n");
  TIniFile ini(dir / "b.ini");
  ini.WriteString("s", "K", "new");
  ini.UpdateFile();
  EXPECT_EQ(ReadText(dir / "b.ini"), "; keep me\r\n[S]\r\nk=new\r\nother=1\r\n");

  // Through a symbolic link the target is updated and the link stays.
  if (!test::SymlinksWork()) return;
  std::filesystem::create_symlink(dir / "b.ini", dir / "link.ini");
  TIniFile viaLink(dir / "link.ini");
  viaLink.WriteString("S", "other", "2");
  viaLink.UpdateFile();
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
  EXPECT_EQ(TIniFile(dir / "b.ini").ReadString("S", "other", ""), "2");
}

TEST(IniFile, UpdateFileReportsWhatItCannotWrite) {
  TempDir dir;
  // A folder where the file should be: nothing can be read or written, not even by root.
  std::string folder = dir.MakeDir("x.ini");
  TIniFile inFolder(folder);
  inFolder.WriteString("s", "k", "v");
  EXPECT_THROW(inFolder.UpdateFile(), std::runtime_error);
  EXPECT_TRUE(std::filesystem::is_directory(folder));

  std::string plain = dir.Write("plain", "");
  TIniFile under(plain + "/y.ini");
  under.WriteString("s", "k", "v");
  EXPECT_THROW(under.UpdateFile(), std::runtime_error);
}

TEST(IniFile, UpdateFileLeavesAReadOnlyFileAlone) {
  TempDir dir;
  std::string ro = dir.Write("ro.ini", "[s]\r\nk=old\r\n");
  std::filesystem::permissions(ro, std::filesystem::perms::owner_read);
  TIniFile readOnly(ro);
  readOnly.WriteString("s", "k", "new");
  EXPECT_THROW(readOnly.UpdateFile(), std::runtime_error);
  EXPECT_EQ(ReadText(ro), "[s]\r\nk=old\r\n");
}

TEST(IniFile, UpdateFileReportsAReadOnlyFolder) {
  TempDir dir;
  std::string roDir = dir.MakeDir("locked");
  std::string kept = dir.Write("locked/old.ini", "[s]\r\nk=old\r\n");
  std::filesystem::permissions(
      kept, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  RunAsNobody(dir.Path(), [&] {
    std::filesystem::permissions(
        roDir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    TIniFile inLocked(roDir + "/z.ini");
    inLocked.WriteString("s", "k", "v");
    EXPECT_THROW(inLocked.UpdateFile(), std::runtime_error);
    // A writable file in that folder cannot be replaced either, and stays as it was.
    TIniFile old(kept);
    old.WriteString("s", "k", "new");
    EXPECT_THROW(old.UpdateFile(), std::runtime_error);
    EXPECT_EQ(ReadText(kept), "[s]\r\nk=old\r\n");
  });
}

TEST(IniFile, UpdateFileRefusesAFileItsUserMayNotWrite) {
  // Write bits for others than the user: readable, not writable, for this user only.
  TempDir dir;
  std::string ini = dir.Write("theirs.ini", "[s]\r\nk=old\r\n");
  RunAsNobody(dir.Path(), [&] {
    std::filesystem::permissions(ini, std::filesystem::perms::owner_read |
                                          std::filesystem::perms::group_write |
                                          std::filesystem::perms::others_write);
    TIniFile file(ini);
    file.WriteString("s", "k", "new");
    EXPECT_THROW(file.UpdateFile(), std::runtime_error);
    EXPECT_EQ(ReadText(ini), "[s]\r\nk=old\r\n");
  });
}

}  // namespace
}  // namespace verid
