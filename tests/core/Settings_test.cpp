#include "app/Settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "base/Paths.h"
#include "base/Stream.h"
#include "support/FakePlatform.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace verid {
namespace {

using test::ReadAll;
using test::TempDir;

std::string ReadText(const std::string& path) {
  auto bytes = ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

// CP932 bytes written out by hand, so the test does not share the program's converter.
constexpr const char kFirstRunFile[] =
    "[\x8ew\x92\xe8\x8c\x9f\x8d\xf5]\r\n"
    "1=\x96\xa2\x8ew\x92\xe8\r\n"
    "2=\x96\xa2\x8ew\x92\xe8\r\n"
    "3=\x96\xa2\x8ew\x92\xe8\r\n"
    "4=\x96\xa2\x8ew\x92\xe8\r\n"
    "5=\x96\xa2\x8ew\x92\xe8\r\n"
    "6=\x96\xa2\x8ew\x92\xe8\r\n"
    "7=\x96\xa2\x8ew\x92\xe8\r\n"
    "8=\x96\xa2\x8ew\x92\xe8\r\n"
    "\x83T\x83"
    "C\x83Y=0\r\n"
    "\x94\xcd\x88\xcd=\x88\xc8\x8f\xe3\r\n"
    "[\x83R\x83s\x81[]\r\n"
    "1=\x96\xa2\x8ew\x92\xe8\r\n"
    "2=\x96\xa2\x8ew\x92\xe8\r\n"
    "3=\x96\xa2\x8ew\x92\xe8\r\n"
    "4=\x96\xa2\x8ew\x92\xe8\r\n"
    "5=\x96\xa2\x8ew\x92\xe8\r\n"
    "6=\x96\xa2\x8ew\x92\xe8\r\n"
    "7=\x96\xa2\x8ew\x92\xe8\r\n"
    "8=\x96\xa2\x8ew\x92\xe8\r\n"
    "\x8f\xe3\x8f\x91\x82\xab=0\r\n"
    "[\x88\xda\x93\xae]\r\n"
    "1=\x96\xa2\x8ew\x92\xe8\r\n"
    "2=\x96\xa2\x8ew\x92\xe8\r\n"
    "3=\x96\xa2\x8ew\x92\xe8\r\n"
    "4=\x96\xa2\x8ew\x92\xe8\r\n"
    "5=\x96\xa2\x8ew\x92\xe8\r\n"
    "6=\x96\xa2\x8ew\x92\xe8\r\n"
    "7=\x96\xa2\x8ew\x92\xe8\r\n"
    "8=\x96\xa2\x8ew\x92\xe8\r\n"
    "\x8f\xe3\x8f\x91\x82\xab=0\r\n"
    "[\x8d\xed\x8f\x9c]\r\n"
    "\x95\xfb\x96@=1\r\n"
    "\x8am\x94"
    "F=0\r\n"
    "[\x98"
    "A\x91\xb1\x95\x5c\x8e\xa6]\r\n"
    "\x8a\xd4\x8au=500\r\n"
    "Roup=0\r\n"
    "\x8fI\x97\xb9\x8e\x9e=0\r\n"
    "Caption=1\r\n"
    "[\xb6\xc0\xdb\xb8\xde]\r\n"
    "Size=80\r\n"
    "[Color]\r\n"
    "Preview=16777215\r\n"
    "FulScreen=0\r\n"
    "FulSlide=0\r\n"
    "[ToolBar]\r\n"
    "\x95\x5c\x8e\xa6=1\r\n"
    "[I/ODialog]\r\n"
    "OpenDir=\r\n"
    "SaveDir=\r\n"
    "CatarogDir=\r\n"
    "[IE]\r\n"
    "Version=0\r\n"
    "Ext=0\r\n"
    "\x83T\x83"
    "C\x83Y=0\r\n"
    "\x94\xcd\x88\xcd=\x88\xc8\x8f\xe3\r\n"
    "[Property]\r\n"
    "Info=0\r\n"
    "[Convert]\r\n"
    "JpegQuality=80\r\n"
    "PngCompresslevel=-1\r\n"
    "FileProperty=0\r\n";

TEST(Settings, FirstRunStartsWithDefaultsAndWritesEveryKeyInOrder) {
  TempDir dir;
  std::string ini = dir / "verid.ini";
  AppSettings s;
  s.Load(ini);
  EXPECT_TRUE(s.FirstRunHint);
  // Every other default shows in the file written from it.
  s.FirstRunHint = false;  // the hint has been shown
  s.Save(ini);
  EXPECT_EQ(ReadText(ini), std::string(kFirstRunFile));
}

TEST(Settings, NumbersAreCutToTheirFieldWidths) {
  TempDir dir;
  std::string ini = dir.Write("verid.ini",
                              "[\x83J\x83^\x83\x8D\x83O]\r\n"  // not the key's section
                              "[\xb6\xc0\xdb\xb8\xde]\r\nSize=336\r\n"
                              "[\x8ew\x92\xe8\x8c\x9f\x8d\xf5]\r\n\x83T\x83"
                              "C\x83Y=65536\r\n"
                              "[Convert]\r\nPngCompresslevel=255\r\nJpegQuality=0x5A\r\n"
                              "FileProperty=$101\r\n"
                              "[IE]\r\nVersion=0X1FF\r\nExt=-1\r\n"
                              "[Color]\r\nPreview=0xFFFFFFFF\r\nFulScreen=12abc\r\nFulSlide=\r\n");
  AppSettings s;
  s.Load(ini);
  EXPECT_EQ(s.CatalogThumbSize, 80);
  EXPECT_EQ(s.SearchSizeK, 0);
  EXPECT_EQ(s.PngCompressLevel, -1);
  EXPECT_EQ(s.JpegQuality, 90);
  EXPECT_EQ(s.ConvertTarget, 1);
  EXPECT_EQ(s.CacheVersion, -1);
  EXPECT_EQ(s.CacheKinds, -1);
  EXPECT_EQ(s.PreviewColor, -1);
  EXPECT_EQ(s.FullScreenColor, 0);  // not a number: default
  EXPECT_EQ(s.FullSlideColor, 0);

  s.Save(ini);
  std::string text = ReadText(ini);
  EXPECT_NE(text.find("\r\nSize=80\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nPngCompresslevel=-1\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nVersion=-1\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n\x83T\x83"
                      "C\x83Y=0\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\r\nPreview=-1\r\n"), std::string::npos);

  AppSettings again;
  again.Load(ini);
  EXPECT_EQ(again.PngCompressLevel, -1);
  EXPECT_EQ(again.CatalogThumbSize, 80);
}

TEST(Settings, UnusedAndUnknownValuesSurviveLoadAndSave) {
  TempDir dir;
  std::string ini = dir.Write("verid.ini",
                              "; my settings\r\n"
                              "[I/ODialog]\r\nOpenDir=/somewhere/else\r\nMine=kept\r\n"
                              "[\x8ew\x92\xe8\x8c\x9f\x8d\xf5]\r\n3=/gone/"
                              "folder\r\n\x94\xcd\x88\xcd=\x82\xc7\x82\xbf\x82\xe7\r\n"
                              "[\x8d\xed\x8f\x9c]\r\n\x8am\x94"
                              "F=1\r\n");  // 方法 missing: back to the trash
  AppSettings s;
  s.Load(ini);
  EXPECT_EQ(s.OpenDir, "/somewhere/else");
  EXPECT_EQ(s.SearchFolders[2], "/gone/folder");
  EXPECT_EQ(s.SearchFolders[0], "未指定");
  EXPECT_EQ(s.SearchRange, "どちら");
  EXPECT_EQ(s.DeleteMethod, 1);
  EXPECT_TRUE(s.DeleteNoConfirm);
  s.DeleteMethod = 7;
  s.Save(ini);

  std::string text = ReadText(ini);
  EXPECT_EQ(
      text.rfind("; my settings\r\n[I/ODialog]\r\nOpenDir=/somewhere/else\r\nMine=kept\r\n", 0),
      0u);
  AppSettings again;
  again.Load(ini);
  EXPECT_EQ(again.SearchFolders[2], "/gone/folder");
  EXPECT_EQ(again.SearchRange, "どちら");
  EXPECT_EQ(again.DeleteMethod, 7);
  EXPECT_EQ(again.OpenDir, "/somewhere/else");
}

TEST(Settings, FoldersOutsideCp932RoundTrip) {
  TempDir dir;
  std::string ini = dir / "verid.ini";
  AppSettings s;
  s.CopyFolders[0] = "/home/u/画像 \xF0\x9F\x93\xB7";  // an emoji has no CP932 code
  s.CopyFolders[1] = "/home/u/\x82\xa0raw";            // a name in no encoding at all
  s.MoveFolders[0] = " /padded/ ";
  s.Save(ini);
  AppSettings again;
  again.Load(ini);
  EXPECT_EQ(again.CopyFolders[0], s.CopyFolders[0]);
  EXPECT_EQ(again.CopyFolders[1], s.CopyFolders[1]);
  EXPECT_EQ(again.MoveFolders[0], s.MoveFolders[0]);
}

TEST(Settings, ASaveThatCannotWriteReportsThePath) {
  TempDir dir;
  // Works for every user, root included: the folder part is a regular file.
  std::string blocker = dir.Write("plain", "x");
  AppSettings s;
  try {
    s.Save(blocker + "/verid.ini");
    FAIL() << "save reported success";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), blocker + "/verid.ini に書き込めません");
  }
}

TEST(Settings, AReadOnlySettingsFileIsReportedNotReplaced) {
  // No write permission for anyone: refused for root as well.
  TempDir dir;
  AppSettings s;
  std::string ini = dir.Write("verid.ini", "[Convert]\r\nJpegQuality=50\r\n");
  std::filesystem::permissions(
      ini, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  s.JpegQuality = 99;
  EXPECT_THROW(s.Save(ini), std::runtime_error);
  EXPECT_EQ(ReadText(ini), "[Convert]\r\nJpegQuality=50\r\n");
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1);  // no temporary file left behind
}

TEST(Settings, LivesBesideTheProgramWhenItCanElseInTheUserConfigFolder) {
  struct Case {
    bool besideExists, folderWritable;
    std::string configFolder, expected;
  };
  const std::string beside = "/usr/bin/verid.ini";
  const Case cases[] = {
      {true, false, "/home/u/.config", beside},  // an existing file beside is kept
      {false, true, "/home/u/.config", beside},  // a portable copy writes its own folder
      {true, true, "/home/u/.config", beside},
      {false, false, "/home/u/.config",
       JoinPath(JoinPath("/home/u/.config", "verid"), "verid.ini")},
      {false, false, "/xdg/cfg/", JoinPath(JoinPath("/xdg/cfg/", "verid"), "verid.ini")},
      {false, false, "", beside},  // no per-user folder on this system: as always
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.besideExists << c.folderWritable << c.configFolder);
    EXPECT_EQ(
        ChooseSettingsPath("/usr/bin/verid", c.besideExists, c.folderWritable, c.configFolder),
        c.expected);
  }
}

TEST(Settings, LocatedFromTheProgramFolderAndMadeOnTheFirstSave) {
  TempDir dir;
  const std::string bin = dir.MakeDir("bin");
  test::FakePlatform platform;
  platform.executablePath = bin + "/verid";
  platform.userConfigFolder = dir / "home/.config";
  EXPECT_EQ(LocateSettings(platform), bin + "/verid.ini");
  test::RunAsNobody(dir.Path(), [&] {
    namespace fs = std::filesystem;
    const auto readOnly = fs::perms::owner_read | fs::perms::owner_exec;
    fs::permissions(bin, readOnly);
    EXPECT_FALSE(FolderWritable(bin));
    const std::string user = LocateSettings(platform);
    EXPECT_EQ(user, dir / "home/.config/verid/verid.ini");
    AppSettings s;
    s.FirstRunHint = false;
    EXPECT_THROW(s.Save(user), std::runtime_error);
    MakeSettingsFolder(user, platform);
    s.Save(user);
    AppSettings again;
    again.Load(user);
    EXPECT_FALSE(again.FirstRunHint);
    // The program's own folder is never made.
    const std::string besidePath = bin + "/verid.ini";
    fs::permissions(bin, fs::perms::owner_all);
    fs::remove(bin);
    MakeSettingsFolder(besidePath, platform);
    EXPECT_FALSE(fs::exists(bin));
    fs::create_directory(bin);
    // A settings file that is already beside the program stays the one.
    dir.Write("bin/verid.ini", "");
    fs::permissions(bin, readOnly);
    EXPECT_EQ(LocateSettings(platform), besidePath);
  });
  EXPECT_TRUE(FolderWritable(dir.Path()));
  EXPECT_FALSE(FolderWritable(dir / "bin/verid.ini"));  // not a folder
  EXPECT_FALSE(FolderWritable(dir / "missing"));
}

TEST(Settings, PathIsTheExecutablesWithIni) {
  EXPECT_EQ(SettingsPathFor("/opt/verid/verid"), "/opt/verid/verid.ini");
  EXPECT_EQ(SettingsPathFor("/opt/v1.2/verid"), "/opt/v1.2/verid.ini");
  EXPECT_EQ(SettingsPathFor("/opt/verid/verid.bin"), "/opt/verid/verid.ini");
}

}  // namespace
}  // namespace verid
