// The desktop wallpaper on Linux desktops: each desktop keeps it in its own settings, found
// from XDG_CURRENT_DESKTOP.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace verid::posix {

enum class DesktopKind { Unknown, Gnome, Cinnamon, Mate, Xfce, Kde };

// The first desktop of a colon-separated XDG_CURRENT_DESKTOP value that we know
// ("ubuntu:GNOME" is GNOME, "Budgie:GNOME" Budgie on GNOME's settings).
DesktopKind DesktopFrom(std::string_view xdgCurrentDesktop);

class WallpaperBackend {
 public:
  virtual ~WallpaperBackend() = default;
  virtual WallpaperAbility Support() = 0;
  virtual std::optional<WallpaperSetting> Read() = 0;
  virtual std::string Apply(const std::string& path, WallpaperStyle style) = 0;
  virtual std::string Restore(const WallpaperSetting& setting) = 0;
};

// The backend of the desktop the session runs (from the environment).
std::unique_ptr<WallpaperBackend> SessionWallpaper();
std::unique_ptr<WallpaperBackend> WallpaperFor(DesktopKind desktop);

// The first "Image=" of a Plasma image wallpaper in the text of its applets file, as a
// local path ("" when there is none).
std::string PlasmaImageFrom(std::string_view appletsrcText);

}  // namespace verid::posix
