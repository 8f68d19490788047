#include "support/FakePlatform.h"

#include <chrono>
#include <filesystem>
#include <fstream>

namespace verid::test {

std::string FakePlatform::RegistryString(const std::string& key, const std::string& name) {
  auto it = registry.find(key + "\\" + name);
  return it == registry.end() ? std::string() : it->second;
}

std::string FakePlatform::ShortcutFolder(ShortcutPlace place) {
  return shortcutDir[static_cast<int>(place)];
}

std::string FakePlatform::WriteShortcut(ShortcutPlace place, const std::string& name,
                                        const std::string& target, const std::string& workDir) {
  std::string folder = ShortcutFolder(place);
  if (folder.empty()) return {};
  std::string path = folder + "/" + name + ".desktop";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "target=" << target << "\nworkdir=" << workDir << "\n";
  return out ? path : std::string();
}

bool FakePlatform::CanTrash(const std::string& path) {
  return untrashable.count(path) == 0;
}

TrashOutcome FakePlatform::MoveToTrash(const std::string& path) {
  if (untrashable.count(path)) return {false, "no trash for this file"};
  std::error_code ec;
  if (!std::filesystem::remove(path, ec)) return {false, ec ? ec.message() : "no such file"};
  trashed.push_back(path);
  return {true, {}};
}

std::optional<WallpaperSetting> FakePlatform::ReadWallpaper() {
  wallpaperCalls.push_back("read");
  if (wallpaperUnreadable) return std::nullopt;
  return wallpaper;
}

// The setting a desktop keeps: the style and the picture, as two keys.
std::string FakePlatform::ApplyWallpaper(const std::string& path, WallpaperStyle style) {
  const char* name = style == WallpaperStyle::Tiled ? "tiled" : "centered";
  wallpaperCalls.push_back("apply " + path + " " + name);
  if (!wallpaperError.empty()) return wallpaperError;
  wallpaper.Path = path;
  wallpaper.Values = {{"style", name, true}, {"picture", path, true}};
  return {};
}

std::string FakePlatform::RestoreWallpaper(const WallpaperSetting& setting) {
  wallpaperCalls.push_back("restore " + setting.Path);
  if (!wallpaperError.empty()) return wallpaperError;
  wallpaper = setting;
  return {};
}

TDateTime FakePlatform::LocalTime(int64_t unixSeconds) {
  using namespace std::chrono;
  const sys_seconds t{seconds{unixSeconds + utcOffsetSeconds}};
  const sys_days day = floor<days>(t);
  const year_month_day ymd{day};
  const hh_mm_ss<seconds> hms{t - day};
  return {int(ymd.year()),          int(unsigned(ymd.month())), int(unsigned(ymd.day())),
          int(hms.hours().count()), int(hms.minutes().count()), int(hms.seconds().count())};
}

void FakePlatform::ProcessPendingEvents() {
  ++pendingEventCalls;
  if (onEvents) onEvents();
}

void FakePlatform::WaitForEvents(uint32_t ms) {
  waits.push_back(ms);
  ticks += ms;
  if (onEvents) onEvents();
}

}  // namespace verid::test
