#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <thread>
#include <vector>

#include "base/Paths.h"
#include "base/Stream.h"
#include "platform/Platform.h"
#include "platform/posix/PosixTrash.h"
#include "platform/posix/PosixWallpaper.h"
#include "platform/posix/XdgDirs.h"

namespace verid {
namespace {

constexpr std::string_view kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// What "Open With" offers the program for.
constexpr const char* kSendToMimeTypes = "image/bmp;image/jpeg;image/png;inode/directory;";

// Registry keys may come with their hive in front; the user's hive is the only one with
// answers here.
std::string_view WithoutUserHive(std::string_view key) {
  for (std::string_view hive : {"HKEY_CURRENT_USER\\", "HKCU\\"})
    if (key.size() > hive.size() && SameText(key.substr(0, hive.size()), hive))
      return key.substr(hive.size());
  return key;
}

class PosixPlatform : public Platform {
 public:
  explicit PosixPlatform(ScreenProvider* screen) : screen_(screen) {}

  // The shell folders map to the XDG desktop folder and to the user's applications
  // folder, whose entries make up "Open With"; nothing else has a Linux equivalent.
  std::string RegistryString(const std::string& key, const std::string& name) override {
    if (!SameText(WithoutUserHive(key), kShellFolders)) return {};
    if (SameText(name, "Desktop")) return posix::DesktopDir();
    if (SameText(name, "SendTo")) return posix::DataHome() + "/applications";
    return {};
  }

  std::string ShortcutFolder(ShortcutPlace place) override {
    return RegistryString(std::string(kShellFolders),
                          place == ShortcutPlace::Desktop ? "Desktop" : "SendTo");
  }

  std::string WriteShortcut(ShortcutPlace place, const std::string& name, const std::string& target,
                            const std::string& workDir) override {
    std::string folder = ShortcutFolder(place);
    if (folder.empty() || name.empty() || name.find('/') != std::string::npos) return {};
    std::string text = posix::DesktopEntryText(
        name, target, workDir, place == ShortcutPlace::SendTo ? kSendToMimeTypes : "");
    std::string path = folder + "/" + name + ".desktop";
    try {
      std::filesystem::create_directories(folder);
      WriteFileAtomically(path, [&](TStream& out) {
        out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
      });
    } catch (const std::exception&) {
      return {};
    }
    // Desktops launch only entries marked executable.
    if (::chmod(path.c_str(), 0755) != 0) return {};
    return path;
  }
  void HideTaskBar() override {}
  void ShowTaskBar() override {}
  bool CanTrash(const std::string& path) override { return posix::CanTrash(path); }
  TrashOutcome MoveToTrash(const std::string& path) override { return posix::MoveToTrash(path); }
  WallpaperAbility WallpaperSupport() override { return Wallpaper().Support(); }
  std::string WallpaperFolder() override { return posix::DataHome() + "/Verid"; }
  std::optional<WallpaperSetting> ReadWallpaper() override { return Wallpaper().Read(); }
  std::string ApplyWallpaper(const std::string& path, WallpaperStyle style) override {
    return Wallpaper().Apply(path, style);
  }
  std::string RestoreWallpaper(const WallpaperSetting& setting) override {
    return Wallpaper().Restore(setting);
  }
  void ClearAttributes(const std::string&) override {}
  void SetSystemAttribute(const std::string&) override {}
  TRect WorkArea() override { return screen_ ? screen_->WorkArea() : TRect{}; }
  TRect ScreenRect() override { return screen_ ? screen_->ScreenRect() : TRect{}; }
  uint32_t TickCount() override {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  TDateTime LocalTime(int64_t unixSeconds) override {
    const time_t t = static_cast<time_t>(unixSeconds);
    struct tm local {};
    if (!::localtime_r(&t, &local)) return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
  }
  void ProcessPendingEvents() override {
    if (screen_) screen_->ProcessPendingEvents();
  }
  void WaitForEvents(uint32_t ms) override {
    if (screen_)
      screen_->WaitForEvents(ms);
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  std::string ExecutablePath() override {
    std::vector<char> buf(4096);
    for (;;) {
      ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
      if (n <= 0) return {};
      if (static_cast<size_t>(n) < buf.size())
        return std::string(buf.data(), static_cast<size_t>(n));
      buf.resize(buf.size() * 2);  // possibly cut: try again with more room
    }
  }
  std::string UserConfigFolder() override { return posix::ConfigHome(); }

 private:
  // Made on first use: the desktop does not change while the program runs.
  posix::WallpaperBackend& Wallpaper() {
    if (!wallpaper_) wallpaper_ = posix::SessionWallpaper();
    return *wallpaper_;
  }

  ScreenProvider* screen_;
  std::unique_ptr<posix::WallpaperBackend> wallpaper_;
};

}  // namespace

std::unique_ptr<Platform> CreateSystemPlatform(ScreenProvider* screen) {
  return std::make_unique<PosixPlatform>(screen);
}

}  // namespace verid
