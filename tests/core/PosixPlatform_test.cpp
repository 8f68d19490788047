#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/Platform.h"
#include "platform/posix/PosixDesktop.h"
#include "platform/posix/XdgDirs.h"
#include "support/TempDir.h"

namespace verid {
namespace {

using test::TempDir;

constexpr const char* kShellFolders =
    "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string ReadText(const std::string& path) {
  auto bytes = test::ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

// Points HOME and the XDG variables at a temporary folder for one test.
class PosixPlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
      if (const char* v = getenv(name)) saved_[name] = v;
    setenv("HOME", home_.Path().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    platform_ = CreateSystemPlatform(nullptr);
  }
  void TearDown() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
      auto it = saved_.find(name);
      if (it == saved_.end())
        unsetenv(name);
      else
        setenv(name, it->second.c_str(), 1);
    }
  }
  TempDir home_;
  std::unique_ptr<Platform> platform_;
  std::map<std::string, std::string> saved_;
};

TEST_F(PosixPlatformTest, ShellFoldersComeFromTheXdgDirectories) {
  const std::string home = home_.Path();
  EXPECT_EQ(platform_->RegistryString(kShellFolders, "Desktop"), home + "/Desktop");
  EXPECT_EQ(platform_->RegistryString(kShellFolders, "SendTo"),
            home + "/.local/share/applications");

  home_.Write(".config/user-dirs.dirs",
              "# written by xdg-user-dirs-update\n"
              "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
              "XDG_DESKTOP_DIR=\"$HOME/"
              "\xe3\x83\x87\xe3\x82\xb9\xe3\x82\xaf\xe3\x83\x88\xe3\x83\x83\xe3\x83\x97\"\n");
  EXPECT_EQ(platform_->ShortcutFolder(ShortcutPlace::Desktop), home + "/デスクトップ");

  std::string config = home_.MakeDir("cfg");
  home_.Write("cfg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"/srv/desk top/\"\n");
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
  EXPECT_EQ(platform_->ShortcutFolder(ShortcutPlace::Desktop), "/srv/desk top");
  EXPECT_EQ(platform_->ShortcutFolder(ShortcutPlace::SendTo), home + "/data/applications");

  EXPECT_EQ(
      platform_->RegistryString(std::string("HKEY_CURRENT_USER\\") + kShellFolders, "desktop"),
      "/srv/desk top");
  EXPECT_EQ(platform_->RegistryString(kShellFolders, "Cache"), "");
  EXPECT_EQ(platform_->RegistryString("Control Panel\\desktop", "WallPaper"), "");
}

TEST_F(PosixPlatformTest, UserConfigFolderIsXdgConfigHomeWhenAbsolute) {
  const std::string home = home_.Path();
  EXPECT_EQ(platform_->UserConfigFolder(), home + "/.config");
  setenv("XDG_CONFIG_HOME", "/srv/config", 1);
  EXPECT_EQ(platform_->UserConfigFolder(), "/srv/config");
  for (const char* ignored : {"", "relative/config"}) {
    setenv("XDG_CONFIG_HOME", ignored, 1);
    EXPECT_EQ(platform_->UserConfigFolder(), home + "/.config") << ignored;
  }
}

TEST(BusLaunch, FailsOnlyWithoutAddressSocketOrLauncher) {
  if (::access("/usr/bin/dbus-launch", X_OK) == 0) GTEST_SKIP() << "dbus-launch is installed";
  TempDir runtime, tools, empty;
  const std::string launcher = tools.Write("dbus-launch", "#!/bin/sh\n");
  ::chmod(launcher.c_str(), 0755);
  const std::string path = "/nowhere:" + empty.Path();
  EXPECT_TRUE(posix::BusLaunchWouldFail(nullptr, runtime.Path(), path));
  EXPECT_TRUE(posix::BusLaunchWouldFail("", "", ""));
  EXPECT_FALSE(posix::BusLaunchWouldFail("unix:path=/run/user/1/bus", runtime.Path(), path));
  EXPECT_FALSE(posix::BusLaunchWouldFail(nullptr, runtime.Path(), path + ":" + tools.Path()));
  runtime.Write("bus", "");
  EXPECT_FALSE(posix::BusLaunchWouldFail(nullptr, runtime.Path(), path));
}

TEST(XdgDirs, UserDirsFileRules) {
  EXPECT_EQ(posix::ParseUserDir("XDG_DESKTOP_DIR=\"$HOME/D\"\nXDG_DESKTOP_DIR=\"$HOME/E\"\n",
                                "XDG_DESKTOP_DIR", "/h"),
            "/h/E");
  EXPECT_EQ(posix::ParseUserDir("XDG_DESKTOP_DIR=\"$HOME\"", "XDG_DESKTOP_DIR", "/h"), "/h");
  EXPECT_EQ(posix::ParseUserDir("XDG_DESKTOP_DIR=\"relative\"", "XDG_DESKTOP_DIR", "/h"), "");
  EXPECT_EQ(posix::ParseUserDir("XDG_DESKTOP_DIR=$HOME/x", "XDG_DESKTOP_DIR", "/h"), "");
  EXPECT_EQ(posix::ParseUserDir("#XDG_DESKTOP_DIR=\"/x\"", "XDG_DESKTOP_DIR", "/h"), "");
  EXPECT_EQ(posix::ParseUserDir("XDG_DESKTOP_DIR=\"$HOMEx/y\"", "XDG_DESKTOP_DIR", "/h"), "");
  EXPECT_EQ(posix::ParseUserDir("XDG_DESKTOP_DIR=\"/a\\\"b\"\r\n", "XDG_DESKTOP_DIR", "/h"),
            "/a\"b");
}

TEST_F(PosixPlatformTest, DesktopShortcutIsAnExecutableEntryReplacedInPlace) {
  std::string desk = home_.Path() + "/Desktop";  // does not exist yet
  std::string path =
      platform_->WriteShortcut(ShortcutPlace::Desktop, "Verid", "/opt/old/verid", "/opt/old");
  EXPECT_EQ(path, desk + "/Verid.desktop");
  path =
      platform_->WriteShortcut(ShortcutPlace::Desktop, "Verid", "/opt/verid/verid", "/opt/verid");
  ASSERT_EQ(path, desk + "/Verid.desktop");
  EXPECT_EQ(ReadText(path),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Verid\n"
            "Exec=/opt/verid/verid %F\n"
            "TryExec=/opt/verid/verid\n"
            "Path=/opt/verid\n"
            "Icon=image-x-generic\n"
            "Terminal=false\n");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0111, 0111u);
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(desk)) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(PosixPlatformTest, SendToEntryOffersTheProgramForPicturesAndQuotesOddPaths) {
  std::string path = platform_->WriteShortcut(ShortcutPlace::SendTo, "Verid",
                                              "/opt/my tools/100%/ver\"id", "/opt/my tools/100%");
  ASSERT_EQ(path, home_.Path() + "/.local/share/applications/Verid.desktop");
  std::string text = ReadText(path);
  // Exec quoting escapes '"' as \" and the entry's own escaping doubles that backslash.
  EXPECT_NE(text.find("\nExec=\"/opt/my tools/100%%/ver\\\\\"id\" %F\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("\nTryExec=/opt/my tools/100%/ver\"id\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nPath=/opt/my tools/100%\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\nMimeType=image/bmp;image/jpeg;image/png;inode/directory;\n"),
            std::string::npos);

  // A place that cannot be created reports failure.
  home_.Write("blocked", "");
  setenv("XDG_DATA_HOME", (home_.Path() + "/blocked").c_str(), 1);
  EXPECT_EQ(platform_->WriteShortcut(ShortcutPlace::SendTo, "Verid", "/x", "/"), "");
}

TEST_F(PosixPlatformTest, ProgramPathAndTicks) {
  std::string exe = platform_->ExecutablePath();
  EXPECT_EQ(std::filesystem::path(exe).filename(), "core_PosixPlatform_test");
  uint32_t t0 = platform_->TickCount();
  platform_->WaitForEvents(20);  // no window layer: a plain sleep
  EXPECT_GE(static_cast<uint32_t>(platform_->TickCount() - t0), 20u);
}

TEST_F(PosixPlatformTest, DrivesAreTheRootTheHomeAndRemovableMounts) {
  std::vector<std::string> drives = DriveRoots();
  ASSERT_GE(drives.size(), 2u);
  EXPECT_EQ(drives[0], "/");
  EXPECT_EQ(drives[1], home_.Path());
  EXPECT_EQ(HomeFolder(), home_.Path());

  const char* mounts =
      "/dev/vda / ext4 rw 0 0\n"
      "/dev/sdb1 /media/user/USB\\040STICK vfat rw 0 0\n"
      "/dev/sdc1 /run/media/user/\\345\\206\\231 ext4 rw 0 0\n"
      "/dev/sdd1 /mnt ext4 rw 0 0\n"
      "/dev/sde1 /mnt/backup ext4 rw 0 0\n"
      "/dev/sde1 /mnt/backup ext4 rw 0 0\n"
      "tmpfs /media tmpfs rw 0 0\n"
      "tmpfs /mediax/y tmpfs rw 0 0\n"
      "proc /proc proc rw 0 0";
  EXPECT_EQ(posix::RemovableMounts(mounts),
            (std::vector<std::string>{"/media/user/USB STICK", "/mnt", "/mnt/backup",
                                      "/run/media/user/写"}));
}

TEST(WindowSystem, WaylandSessionsRunOnXWaylandUnlessThePlatformIsChosen) {
  std::map<std::string, std::string> saved;
  for (const char* name : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (const char* v = getenv(name)) saved[name] = v;
  struct Case {
    const char* wayland;
    const char* chosen;
    bool changed;
    const char* result;
  } cases[] = {
      {"wayland-0", nullptr, true, "xcb;wayland"},
      {"wayland-0", "", true, "xcb;wayland"},
      {"wayland-0", "wayland", false, "wayland"},
      {nullptr, nullptr, false, nullptr},
      {"", nullptr, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.wayland ? c.wayland : "(unset)") + " / " +
                 (c.chosen ? c.chosen : "(unset)"));
    c.wayland ? setenv("WAYLAND_DISPLAY", c.wayland, 1) : unsetenv("WAYLAND_DISPLAY");
    c.chosen ? setenv("QT_QPA_PLATFORM", c.chosen, 1) : unsetenv("QT_QPA_PLATFORM");
    EXPECT_EQ(PrepareWindowSystem(), c.changed);
    const char* now = getenv("QT_QPA_PLATFORM");
    if (c.result)
      EXPECT_STREQ(now, c.result);
    else
      EXPECT_EQ(now, nullptr);
  }
  for (const char* name : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    auto it = saved.find(name);
    it == saved.end() ? unsetenv(name) : setenv(name, it->second.c_str(), 1);
  }
}

}  // namespace
}  // namespace verid
