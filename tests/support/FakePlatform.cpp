#include "support/FakePlatform.h"

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

std::string FakePlatform::CurrentWallpaper(WallpaperStyle* style) {
  if (style) *style = wallpaperStyle;
  return wallpaper;
}

std::string FakePlatform::ApplyWallpaper(const std::string& path, WallpaperStyle style) {
  if (!wallpaperError.empty()) return wallpaperError;
  wallpaper = path;
  wallpaperStyle = style;
  return {};
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
