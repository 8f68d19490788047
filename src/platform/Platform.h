// The operating-system services the program uses, behind one Qt-free interface.
// posix/ implements it for Linux, windows/ for Windows; tests use
// tests/support/FakePlatform. Nothing outside
// src/platform/ may know which system it runs on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Types.h"

namespace verid {

// What the window layer knows and the OS layer does not: the screen, the work area and
// the event loop. The program's start-up hands a Qt-backed provider to the platform;
// verid-tool runs without one (then the screen is 0 x 0 and waits just sleep).
class ScreenProvider {
 public:
  virtual ~ScreenProvider() = default;
  virtual TRect WorkArea() = 0;
  virtual TRect ScreenRect() = 0;
  // Handles every pending window event and returns.
  virtual void ProcessPendingEvents() = 0;
  // Blocks in the event loop until `ms` milliseconds have passed or an event arrived.
  virtual void WaitForEvents(uint32_t ms) = 0;
};

enum class ShortcutPlace { Desktop = 0, SendTo = 1 };

struct TrashOutcome {
  bool Ok = false;
  std::string Error;  // the system's reason when !Ok
};

enum class WallpaperStyle { Centered, Tiled };

// What the desktop lets the program do with its wallpaper.
enum class WallpaperAbility {
  None,         // no known way: nothing can be set
  PictureOnly,  // the picture, but not centred or tiled
  Full,         // the picture and the style
};

// The desktop's wallpaper setting as it stood, kept whole so that it can be put back
// exactly, styles the program never sets included.
struct WallpaperSetting {
  struct Value {
    std::string Key;
    std::string Text;
    bool Set = true;  // false: the user had never set it (restoring resets it)
    bool operator==(const Value&) const = default;
  };
  std::string Path;           // local file of the picture in force, "" for none
  std::vector<Value> Values;  // the desktop's own keys; only the platform reads them
  bool operator==(const WallpaperSetting&) const = default;
};

// A local date and time.
struct TDateTime {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  bool operator==(const TDateTime&) const = default;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- registry-style values -----------------------------------------------------------
  // A value the program would read from the Windows registry, answered from the local
  // equivalent; empty when there is none. Keys use the Windows spelling, e.g.
  // ("Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Desktop").
  virtual std::string RegistryString(const std::string& key, const std::string& name) = 0;

  // --- shortcuts -------------------------------------------------------------------------
  // Folder where a shortcut of the given place goes (desktop folder, "send to" folder).
  virtual std::string ShortcutFolder(ShortcutPlace place) = 0;
  // Writes (replacing) a shortcut to `target` with working folder `workDir`; the file
  // name is `name` plus the platform's shortcut extension. Returns the file written, or
  // empty on failure.
  virtual std::string WriteShortcut(ShortcutPlace place, const std::string& name,
                                    const std::string& target, const std::string& workDir) = 0;

  // --- task bar --------------------------------------------------------------------------
  virtual void HideTaskBar() = 0;
  virtual void ShowTaskBar() = 0;

  // --- trash -----------------------------------------------------------------------------
  // Whether a trash exists that can take this file (checked before anything is deleted).
  virtual bool CanTrash(const std::string& path) = 0;
  // Moves one file to the trash. Never deletes for good.
  virtual TrashOutcome MoveToTrash(const std::string& path) = 0;

  // --- wallpaper -------------------------------------------------------------------------
  virtual WallpaperAbility WallpaperSupport() = 0;
  // Folder for the program's wallpaper copy (created on demand by the caller).
  virtual std::string WallpaperFolder() = 0;
  // The setting in force; nothing when it cannot be read.
  virtual std::optional<WallpaperSetting> ReadWallpaper() = 0;
  // Sets the style, then the picture. Returns an empty string on success, otherwise a
  // message the caller can show.
  virtual std::string ApplyWallpaper(const std::string& path, WallpaperStyle style) = 0;
  // Puts back a setting ReadWallpaper gave; empty string on success.
  virtual std::string RestoreWallpaper(const WallpaperSetting& setting) = 0;

  // --- file attributes (no hidden/system bits on some systems: then nothing happens) -----
  virtual void ClearAttributes(const std::string& path) = 0;
  virtual void SetSystemAttribute(const std::string& path) = 0;

  // --- screen, ticks and events ----------------------------------------------------------
  virtual TRect WorkArea() = 0;
  virtual TRect ScreenRect() = 0;
  virtual uint32_t TickCount() = 0;  // milliseconds, wraps around
  // Seconds since 1970-01-01 UTC as the user's local date and time.
  virtual TDateTime LocalTime(int64_t unixSeconds) = 0;
  virtual void ProcessPendingEvents() = 0;
  virtual void WaitForEvents(uint32_t ms) = 0;

  // --- the program itself ----------------------------------------------------------------
  // Full path of the running executable.
  virtual std::string ExecutablePath() = 0;
  // The folder for per-user settings when the program's own folder cannot be written:
  // $XDG_CONFIG_HOME, else ~/.config; empty where settings always live beside the program.
  virtual std::string UserConfigFolder() = 0;
};

// The implementation for the system the program was built for; `screen` may be null
// (no GUI).
std::unique_ptr<Platform> CreateSystemPlatform(ScreenProvider* screen);

// --- for the window layer, before and besides the platform object -----------------------
// Called before the application object is made. The program places its windows itself
// (the folder chooser beside the main window, the view window at the work area's top
// left), which a native Wayland session forbids: there, unless the user has chosen a Qt
// platform, the program runs on XWayland. Returns whether it did so.
bool PrepareWindowSystem();
// Called before the application object is made and before any thread starts: where no
// session bus runs and none can be launched, makes the attempts to reach one fail at once.
void AvoidHopelessBusLaunch();
// Starts reading the system's font configuration on a thread of its own, so that the
// window system's set-up need not wait for it later. Where fonts come from elsewhere,
// nothing.
void WarmUpFonts();
// The program's first command-line argument as a UTF-8 (or, where names are bytes, the
// file system's) string; empty when there is none. `argc` and `argv` are what is left
// after the GUI library took its own options.
std::string FirstArgument(int argc, char* argv[]);
// The user's home folder, without a separator at the end.
std::string HomeFolder();
// What the directory dialog offers as drives: on Linux the root, the home folder and the
// file systems mounted under /media, /mnt and /run/media; on Windows the drive letters.
std::vector<std::string> DriveRoots();

}  // namespace verid
