#include "view/WPaper.h"

#include <filesystem>

#include "app/Hanyou.h"
#include "imaging/Graphic.h"

namespace verid {

TWallPaper::TWallPaper(Platform& platform, Dialogs& dialogs)
    : platform_(platform), dialogs_(dialogs) {}

std::string TWallPaper::CopyPath() const {
  std::string folder = platform_.WallpaperFolder();
  return folder.empty() ? std::string() : JoinPath(folder, kWallpaperFileName);
}

bool TWallPaper::IsOwnCopy(const std::string& path) const {
  // The whole path, not just the name: a picture of the user's that happens to bear the
  // name is not ours to overwrite.
  const std::string own = CopyPath();
  return !own.empty() && path == own;
}

bool TWallPaper::CenterWallpaper(const std::string& path) {
  return SetWallpaper(path, WallpaperStyle::Centered);
}

bool TWallPaper::TileWallpaper(const std::string& path) {
  return SetWallpaper(path, WallpaperStyle::Tiled);
}

bool TWallPaper::SetWallpaper(const std::string& path, WallpaperStyle style) {
  const WallpaperAbility ability = platform_.WallpaperSupport();
  const std::string copy = CopyPath();
  if (ability == WallpaperAbility::None || copy.empty()) {
    dialogs_.Information(kNoWallpaperHere);
    return false;
  }
  // Load first: a picture that cannot be read leaves the desktop and the undo as they were.
  TPicture picture;
  picture.LoadFromFile(path);
  TBitmap bitmap;
  if (const TGraphic* graphic = picture.Graphic()) bitmap.Assign(*graphic);

  // Remember what is in force. It becomes the undo step only once the change is made;
  // when it cannot be read, the last remembered state stays.
  std::optional<WallpaperSetting> current = platform_.ReadWallpaper();
  std::unique_ptr<TBitmap> ownPicture;
  if (current && IsOwnCopy(current->Path) && FileExists(current->Path)) {
    ownPicture = std::make_unique<TBitmap>();
    try {
      ownPicture->LoadFromFile(current->Path);
    } catch (const std::exception&) {
      ownPicture.reset();  // a damaged copy cannot be put back; the setting still can
    }
  }

  std::error_code ec;
  std::filesystem::create_directories(FsPath(platform_.WallpaperFolder()), ec);
  bitmap.SaveToFile(copy);
  if (std::string error = platform_.ApplyWallpaper(copy, style); !error.empty()) {
    // The desktop may show the copy: give it back its picture.
    if (ownPicture) ownPicture->SaveToFile(copy);
    dialogs_.Error(error);
    return false;
  }
  if (current) {
    old_ = std::move(current);
    oldBitmap_ = std::move(ownPicture);
  }
  if (style == WallpaperStyle::Tiled && ability == WallpaperAbility::PictureOnly)
    dialogs_.Information(kNoTileHere);
  return true;
}

void TWallPaper::UndoWallpaper() {
  if (!old_) return;
  const WallpaperSetting old = *old_;
  // The program's copy held the earlier picture: put it back before the setting that
  // names it. No other file is ever written or removed.
  if (IsOwnCopy(old.Path) && oldBitmap_) oldBitmap_->SaveToFile(old.Path);
  if (std::string error = platform_.RestoreWallpaper(old); !error.empty()) {
    dialogs_.Error(error);
    return;
  }
  old_.reset();
  oldBitmap_.reset();
  // Nothing names the copy any more when there was no wallpaper before.
  if (old.Path.empty()) {
    std::error_code ec;
    std::filesystem::remove(FsPath(CopyPath()), ec);
  }
}

// Undo is offered after every change that was made, also when the setting before it
// could not be read (undo then has nothing to put back).
bool WallCenterCommand(TWallPaper& paper, const FileList& list) {
  const bool set = !list.CurrentFile().empty() && paper.CenterWallpaper(list.CurrentFile());
  return set || paper.CanUndo();
}

bool WallTileCommand(TWallPaper& paper, const FileList& list) {
  const bool set = !list.CurrentFile().empty() && paper.TileWallpaper(list.CurrentFile());
  return set || paper.CanUndo();
}

bool WallUndoCommand(TWallPaper& paper) {
  paper.UndoWallpaper();
  return paper.CanUndo();
}

}  // namespace verid
