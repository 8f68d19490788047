// The desktop wallpaper: the current file centred or tiled, and one step of undo. The main
// window owns one for the whole run; the view window forwards to the main window's
// commands.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/Dialogs.h"
#include "app/FileList.h"
#include "imaging/Bitmap.h"
#include "platform/Platform.h"

namespace verid {

inline constexpr const char* kWallpaperFileName = "Verid_WPaper.bmp";
inline constexpr const char* kNoWallpaperHere = "この環境では壁紙を設定できません";
inline constexpr const char* kNoTileHere = "この環境では壁紙を並べて表示できません";

class TWallPaper {
 public:
  TWallPaper(Platform& platform, Dialogs& dialogs);

  // Make the picture file the wallpaper. Returns whether the desktop changed (the caller
  // then enables its undo items). A picture that cannot be loaded throws before anything
  // is changed; a desktop without a wallpaper setting is told in an information box.
  bool CenterWallpaper(const std::string& path);
  bool TileWallpaper(const std::string& path);
  // Puts back the setting in force before the last centre or tile.
  void UndoWallpaper();
  bool CanUndo() const { return old_.has_value(); }

  // The program's own copy of the picture in the platform's wallpaper folder.
  std::string CopyPath() const;

 private:
  bool SetWallpaper(const std::string& path, WallpaperStyle style);
  bool IsOwnCopy(const std::string& path) const;

  Platform& platform_;
  Dialogs& dialogs_;
  std::optional<WallpaperSetting> old_;
  // The picture of the program's copy when the setting in force used it: a second change
  // overwrites the file, and undo writes this back.
  std::unique_ptr<TBitmap> oldBitmap_;
};

// The main window's wallpaper commands. Centre and tile act on the list's current file
// (nothing without one); each returns whether undo is possible afterwards, which is the
// enabled state of the undo items (mnWallUndo, mnVWallUndo).
bool WallCenterCommand(TWallPaper& paper, const FileList& list);
bool WallTileCommand(TWallPaper& paper, const FileList& list);
bool WallUndoCommand(TWallPaper& paper);

}  // namespace verid
