// A Platform with no desktop behind it, for command-line tools and benchmarks: no
// registry values, shortcuts, trash or wallpaper; events are none and waits just sleep.
#pragma once

#include <chrono>
#include <thread>

#include "platform/Platform.h"

namespace verid {

class NullPlatform : public Platform {
 public:
  std::string RegistryString(const std::string&, const std::string&) override { return {}; }
  std::string ShortcutFolder(ShortcutPlace) override { return {}; }
  std::string WriteShortcut(ShortcutPlace, const std::string&, const std::string&,
                            const std::string&) override {
    return {};
  }
  void HideTaskBar() override {}
  void ShowTaskBar() override {}
  bool CanTrash(const std::string&) override { return false; }
  TrashOutcome MoveToTrash(const std::string&) override { return {false, "no trash"}; }
  WallpaperAbility WallpaperSupport() override { return WallpaperAbility::None; }
  std::string WallpaperFolder() override { return {}; }
  std::optional<WallpaperSetting> ReadWallpaper() override { return std::nullopt; }
  std::string ApplyWallpaper(const std::string&, WallpaperStyle) override { return "no desktop"; }
  std::string RestoreWallpaper(const WallpaperSetting&) override { return "no desktop"; }
  void ClearAttributes(const std::string&) override {}
  void SetSystemAttribute(const std::string&) override {}
  TRect WorkArea() override { return {}; }
  TRect ScreenRect() override { return {}; }
  uint32_t TickCount() override {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
  TDateTime LocalTime(int64_t) override { return {}; }
  void ProcessPendingEvents() override {}
  void WaitForEvents(uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  std::string ExecutablePath() override { return {}; }
  std::string UserConfigFolder() override { return {}; }
};

}  // namespace verid
