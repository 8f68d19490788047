// A Platform kept in memory: registry values, shortcut files, trash, wallpaper, screen
// and a manual clock. Each piece can be inspected and steered by the test.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace verid::test {

class FakePlatform : public Platform {
 public:
  // --- steering ---
  std::map<std::string, std::string> registry;  // "key\\name" -> value
  std::string shortcutDir[2];                   // desktop, send-to; written as real files
  std::set<std::string> untrashable;            // paths no trash can take
  std::vector<std::string> trashed;             // paths moved to the trash (files removed)
  std::string executablePath = "/opt/verid/verid";
  std::string userConfigFolder;  // empty: settings stay beside the program
  TRect workArea{0, 0, 1280, 770};
  TRect screen{0, 0, 1280, 800};
  uint32_t ticks = 0;
  int taskBarHidden = 0;        // > 0 while hidden
  int pendingEventCalls = 0;    // ProcessPendingEvents calls
  std::vector<uint32_t> waits;  // WaitForEvents arguments
  // Called on every ProcessPendingEvents / WaitForEvents (simulates a click arriving).
  std::function<void()> onEvents;
  // The desktop's wallpaper: the setting in force, and every role called, in order
  // ("read", "apply <path> centered|tiled", "restore <path>").
  WallpaperAbility wallpaperAbility = WallpaperAbility::Full;
  WallpaperSetting wallpaper;
  bool wallpaperUnreadable = false;
  std::string wallpaperError;  // returned by ApplyWallpaper and RestoreWallpaper when set
  std::string wallpaperFolder;
  std::vector<std::string> wallpaperCalls;
  int utcOffsetSeconds = 0;  // LocalTime = UTC + this
  std::vector<std::string> clearedAttributes, systemAttributes;

  // --- Platform ---
  std::string RegistryString(const std::string& key, const std::string& name) override;
  std::string ShortcutFolder(ShortcutPlace place) override;
  std::string WriteShortcut(ShortcutPlace place, const std::string& name, const std::string& target,
                            const std::string& workDir) override;
  void HideTaskBar() override { ++taskBarHidden; }
  void ShowTaskBar() override { --taskBarHidden; }
  bool CanTrash(const std::string& path) override;
  TrashOutcome MoveToTrash(const std::string& path) override;
  WallpaperAbility WallpaperSupport() override { return wallpaperAbility; }
  std::string WallpaperFolder() override { return wallpaperFolder; }
  std::optional<WallpaperSetting> ReadWallpaper() override;
  std::string ApplyWallpaper(const std::string& path, WallpaperStyle style) override;
  std::string RestoreWallpaper(const WallpaperSetting& setting) override;
  void ClearAttributes(const std::string& path) override { clearedAttributes.push_back(path); }
  void SetSystemAttribute(const std::string& path) override { systemAttributes.push_back(path); }
  TRect WorkArea() override { return workArea; }
  TRect ScreenRect() override { return screen; }
  // Each call advances the clock by one millisecond so waits always end.
  uint32_t TickCount() override { return ticks++; }
  TDateTime LocalTime(int64_t unixSeconds) override;
  void ProcessPendingEvents() override;
  void WaitForEvents(uint32_t ms) override;
  std::string ExecutablePath() override { return executablePath; }
  std::string UserConfigFolder() override { return userConfigFolder; }
};

}  // namespace verid::test
