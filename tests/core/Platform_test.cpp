// The system's own platform and file calls, the same checks on every system the program is
// built for: atomic replacement, Japanese names, the trash, shortcuts, the program itself.
#include "platform/Platform.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/FileList.h"
#include "app/Hanyou.h"
#include "app/Settings.h"
#include "base/Paths.h"
#include "base/Stream.h"
#include "support/ImageBuilders.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"
#include "support/WorkingFolder.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::SortedNames;
using test::TempDir;

void SetEnv(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());
#else
  setenv(name, value.c_str(), 1);
#endif
}

void WriteText(const std::string& path, const std::string& text) {
  WriteFileAtomically(
      path, [&](TStream& out) { out.WriteBuffer(text.data(), static_cast<int64_t>(text.size())); });
}

// Names as the file system holds them, in both spellings the program meets: Japanese in
// UTF-8, and on systems whose names are bytes, bytes that are not UTF-8 at all.
std::vector<std::string> OddNames() {
  std::vector<std::string> names{"写真 ｶﾀﾛｸﾞ.bmp", "表示.jpg"};
  if (PathDelim == '/') names.push_back("\xff\xfe name.png");
  return names;
}

class SystemPlatform : public test::WorkingFolderTest {
 protected:
  // The trash and the desktop of the POSIX platform follow HOME and the XDG variables,
  // which the trash library reads once: set before the first call.
  static void SetUpTestSuite() {
    home_ = new TempDir;
    SetEnv("HOME", home_->Path());
    SetEnv("XDG_DATA_HOME", *home_ / ".local/share");
    SetEnv("XDG_CONFIG_HOME", *home_ / ".config");
    platform_ = CreateSystemPlatform(nullptr).release();
  }
  static void TearDownTestSuite() {
    delete platform_;
    delete home_;
  }
  static TempDir* home_;
  static Platform* platform_;
};
TempDir* SystemPlatform::home_ = nullptr;
Platform* SystemPlatform::platform_ = nullptr;

TEST_F(SystemPlatform, ReplacementKeepsNamesAndLeavesNothingBehind) {
  TempDir dir;
  for (const std::string& name : OddNames()) {
    const std::string path = dir / name;
    WriteText(path, "first");
    WriteText(path, "second");
    EXPECT_EQ(test::ReadText(path), "second") << name;
    // A write that fails half-way keeps the old content.
    EXPECT_THROW(WriteFileAtomically(path,
                                     [](TStream& out) {
                                       out.WriteBuffer("x", 1);
                                       throw EFileError("stop");
                                     }),
                 EFileError);
    EXPECT_EQ(test::ReadText(path), "second") << name;
    EXPECT_TRUE(FileExists(path)) << name;
    EXPECT_EQ(FileSizeOf(path), 6) << name;
  }
  std::vector<std::string> expected = OddNames();
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(SortedNames(dir.Path()), expected);

  // The list reads the names back as they were written.
  FileList list;
  list.SetFolder(dir.Path());
  std::vector<std::string> listed;
  for (int i = 0; i < list.Count(); ++i) listed.push_back(list.Entry(i));
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, expected);
}

TEST_F(SystemPlatform, PlacingUnderATakenNameFailsAndLeavesBothAsTheyWere) {
  TempDir dir;
  const std::string path = dir.Write("taken.jpg", std::string("old"));
  {
    TFileReplacement replacement(path, false);
    replacement.Stream().WriteBuffer("new", 3);
    try {
      replacement.Place();
      ADD_FAILURE() << "a taken name was replaced";
    } catch (const EFileError& e) {
      EXPECT_EQ(e.Code(), EEXIST) << e.what();
    }
  }
  EXPECT_EQ(test::ReadText(path), "old");
  EXPECT_EQ(SortedNames(dir.Path()), std::vector<std::string>{"taken.jpg"});
}

TEST_F(SystemPlatform, AReadOnlyFileIsNotReplacedAndTheSystemSaysWhy) {
  TempDir dir;
  const std::string path = dir.Write("読み取り専用.bmp", std::string("old"));
  test::RunWhereReadOnlyBinds(dir.Path(), [&] {
    fs::permissions(FsPath(path), fs::perms::owner_read | fs::perms::group_read);
    try {
      WriteText(path, "new");
      ADD_FAILURE() << "a read-only file was replaced";
    } catch (const EFileError& e) {
      EXPECT_EQ(e.Code(), EACCES) << e.what();
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    EXPECT_EQ(test::ReadText(path), "old");
    EXPECT_EQ(SortedNames(dir.Path()), std::vector<std::string>{"読み取り専用.bmp"});
  });
}

TEST_F(SystemPlatform, TrashTakesAFileAndNeverDeletesAnotherForGood) {
  TempDir dir;
  const std::string path = dir.Write("ゴミ.jpg", std::string("picture"));
  const std::string kept = dir.Write("kept.jpg", std::string("picture"));
  ASSERT_TRUE(platform_->CanTrash(path));
  TrashOutcome outcome = platform_->MoveToTrash(path);
  ASSERT_TRUE(outcome.Ok) << outcome.Error;
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(FileExists(kept));
  // Nothing to take: the answer says so.
  EXPECT_FALSE(platform_->CanTrash(dir / "missing.jpg"));
  EXPECT_FALSE(platform_->MoveToTrash(dir / "missing.jpg").Ok);
}

TEST_F(SystemPlatform, AShortcutIsWrittenOnceAndReplacedTheSecondTime) {
  const std::string folder = platform_->ShortcutFolder(ShortcutPlace::Desktop);
  ASSERT_FALSE(folder.empty());
  const std::string program = ProgramFolder(*platform_) + "verid";
  const std::string written = platform_->WriteShortcut(ShortcutPlace::Desktop, "verid-test-link",
                                                       program, ProgramFolder(*platform_));
  ASSERT_FALSE(written.empty());
  EXPECT_EQ(ExtractFilePath(written), AddSlash(folder));
  EXPECT_EQ(ExtractFileName(written).rfind("verid-test-link.", 0), 0u) << written;
  const int64_t size = FileSizeOf(written);
  EXPECT_GT(size, 0);
  EXPECT_EQ(platform_->WriteShortcut(ShortcutPlace::Desktop, "verid-test-link", program,
                                     ProgramFolder(*platform_)),
            written);
  int links = 0;
  for (const std::string& name : SortedNames(folder))
    links += name.rfind("verid-test-link", 0) == 0;
  EXPECT_EQ(links, 1);
  fs::remove(FsPath(written));
  // A name that would leave the folder is refused.
  EXPECT_EQ(platform_->WriteShortcut(ShortcutPlace::Desktop, "../escape", program, ""), "");
}

TEST_F(SystemPlatform, KnowsTheProgramTheClockAndTheDrives) {
  const std::string exe = platform_->ExecutablePath();
  EXPECT_TRUE(FileExists(exe)) << exe;
  EXPECT_EQ(ExtractFileName(exe).rfind("core_Platform_test", 0), 0u) << exe;
  EXPECT_EQ(SettingsPathFor(exe), ChangeFileExt(exe, ".ini"));

  const uint32_t before = platform_->TickCount();
  platform_->WaitForEvents(30);
  EXPECT_GE(static_cast<uint32_t>(platform_->TickCount() - before), 25u);

  // 2023-11-14 22:13:20 UTC: the 14th west of UTC, the 15th far enough east.
  const TDateTime local = platform_->LocalTime(1700000000);
  EXPECT_EQ(local.Year, 2023);
  EXPECT_EQ(local.Month, 11);
  EXPECT_TRUE(local.Day == 14 || local.Day == 15) << local.Day;
  EXPECT_EQ(local.Second, 20);

  const std::vector<std::string> drives = DriveRoots();
  ASSERT_FALSE(drives.empty());
  // Drive letters where there are drives, else the root first.
  if (PathDelim == '\\') {
    for (const std::string& drive : drives) EXPECT_EQ(drive.substr(1), ":\\") << drive;
  } else {
    EXPECT_EQ(drives.front(), "/");
  }
  EXPECT_TRUE(DirectoryExists(drives.front())) << drives.front();
  EXPECT_TRUE(DirectoryExists(HomeFolder())) << HomeFolder();
}

#ifdef _WIN32
// Roles whose effect only the Windows system itself shows: the task bar window, the
// wallpaper values and the file attributes.
TEST_F(SystemPlatform, TheTaskBarWindowIsHiddenAndShownAgain) {
  // A stand-in for the shell's task bar where the session has none.
  HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
  HWND own = nullptr;
  if (!tray) {
    WNDCLASSW type{};
    type.lpfnWndProc = ::DefWindowProcW;
    type.hInstance = ::GetModuleHandleW(nullptr);
    type.lpszClassName = L"Shell_TrayWnd";
    ::RegisterClassW(&type);
    own = tray = ::CreateWindowExW(0, L"Shell_TrayWnd", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                   nullptr, nullptr, type.hInstance, nullptr);
    if (!own) GTEST_SKIP() << "no display to make windows on";
  }
  platform_->HideTaskBar();
  EXPECT_FALSE(::IsWindowVisible(tray));
  platform_->ShowTaskBar();
  EXPECT_TRUE(::IsWindowVisible(tray));
  if (own) ::DestroyWindow(own);
}

TEST_F(SystemPlatform, WallpaperIsSetWithItsStyleAndPutBack) {
  ASSERT_EQ(platform_->WallpaperSupport(), WallpaperAbility::Full);
  const std::string windows = platform_->WallpaperFolder();
  EXPECT_TRUE(DirectoryExists(windows)) << windows;
  std::optional<WallpaperSetting> before = platform_->ReadWallpaper();
  ASSERT_TRUE(before.has_value());
  TempDir dir;
  const std::string picture = dir / "壁紙.bmp";
  test::Pattern(8, 8, TPixelFormat::pf24bit).SaveToFile(picture);
  ASSERT_EQ(platform_->ApplyWallpaper(picture, WallpaperStyle::Tiled), "");
  std::optional<WallpaperSetting> now = platform_->ReadWallpaper();
  ASSERT_TRUE(now.has_value());
  EXPECT_EQ(now->Path, picture);
  const char* desktop = "HKEY_CURRENT_USER\\Control Panel\\Desktop";
  EXPECT_EQ(platform_->RegistryString(desktop, "TileWallpaper"), "1");
  EXPECT_EQ(platform_->RegistryString(desktop, "WallpaperStyle"), "0");
  ASSERT_EQ(platform_->ApplyWallpaper(picture, WallpaperStyle::Centered), "");
  EXPECT_EQ(platform_->RegistryString(desktop, "TileWallpaper"), "0");
  ASSERT_EQ(platform_->RestoreWallpaper(*before), "");
  EXPECT_EQ(platform_->ReadWallpaper(), before);
}

TEST_F(SystemPlatform, AttributePassesSetTheSystemBitAloneAndClearIt) {
  TempDir dir;
  const std::string file = dir.Write("cache.jpg", std::string("x"));
  const std::wstring wide = FsPath(file).wstring();
  ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
  platform_->SetSystemAttribute(file);
  EXPECT_EQ(::GetFileAttributesW(wide.c_str()) &
                (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
            DWORD(FILE_ATTRIBUTE_SYSTEM));
  platform_->ClearAttributes(file);
  EXPECT_EQ(::GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_SYSTEM, DWORD(0));
}
#endif

// The path helpers follow the system's style: drive paths with '\' where there are
// drives, '/' alone elsewhere.
TEST(PathStyle, SeparatorsRootsAndNativeSpellings) {
  struct Case {
    std::string path, folder, name;
  };
  std::vector<Case> cases;
  if (PathDelim == '\\') {
    cases = {{"C:\\pics\\a.jpg", "C:\\pics\\", "a.jpg"},
             {"C:/pics/b.png", "C:/pics/", "b.png"},
             {"C:\\pics/表\\c.bmp", "C:\\pics/表\\", "c.bmp"},
             {"C:\\", "C:\\", ""}};
    EXPECT_EQ(ExcludeTrailingDelim("C:\\"), "C:\\");
    EXPECT_EQ(ExcludeTrailingDelim("C:\\pics\\"), "C:\\pics");
    EXPECT_EQ(AddSlash("C:\\"), "C:\\");
    EXPECT_EQ(AddSlash("C:/pics/"), "C:/pics/");
    EXPECT_EQ(JoinPath("C:\\pics", "a.jpg"), "C:\\pics\\a.jpg");
    EXPECT_EQ(NativePath("/C:/pics/a b.jpg"), "C:\\pics\\a b.jpg");
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\c", ".ini"), "C:\\a.b\\c.ini");
  } else {
    cases = {{"/pics/a.jpg", "/pics/", "a.jpg"},
             {"/pics\\x/b.png", "/pics\\x/", "b.png"},  // '\' is part of a name here
             {"/", "/", ""}};
    EXPECT_EQ(ExcludeTrailingDelim("/"), "/");
    EXPECT_EQ(NativePath("/C:/pics"), "/C:/pics");
  }
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.path), c.folder) << c.path;
    EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
  }
  for (const std::string& name : OddNames()) EXPECT_EQ(Utf8Of(FsPath(name)), name);
}

}  // namespace
}  // namespace verid
