// What the main window's list commands decide, without the window: the preview step's
// result, navigation with its wrap-around questions, and the enabling rule. The window
// shows what these return.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/Dialogs.h"
#include "app/FileList.h"
#include "app/Hanyou.h"
#include "app/LookAhead.h"
#include "app/Settings.h"
#include "imaging/Bitmap.h"

namespace verid {

inline constexpr int kPreviewBox = 190;
inline constexpr const char* kNoPicture = "No Picture";
inline constexpr const char* kByteSuffix = " ﾊﾞｲﾄ";
inline constexpr const char* kFirstFileQuestion = "先頭のﾌｧｲﾙです\r\n最後に移りますか";
inline constexpr const char* kLastFileQuestion = "最後のﾌｧｲﾙです\r\n先頭に移りますか";

struct PreviewResult {
  enum class Kind {
    NoFile,     // nothing selected: button-face panel, no picture, status cleared
    Picture,    // `image` drawn at `place` on a PreviewColor panel
    NoPicture,  // undecodable: button-face panel with the caption "No Picture"
  };
  Kind State = Kind::NoFile;
  TFitRect Place;                  // inside the 190 x 190 panel
  std::unique_ptr<TBitmap> Image;  // Place.Width x Place.Height, 32 bits per pixel
  uint16_t PictureWidth = 0;       // remembered for the information dialog
  uint16_t PictureHeight = 0;
  std::string StatusPath;    // status panel 1
  std::string StatusSize;    // status panel 2: "1,234,567 ﾊﾞｲﾄ"
  std::string PositionText;  // "3/10"
  TColor PanelColor = 0;     // PreviewColor (only for Kind::Picture)
};

// The preview of `path`: its picture stretched into its FitRect place in the 190 x 190
// panel, over `color` where it is transparent; a JPEG is decoded at the DCT scale that
// still covers that place. Width and Height are the file's (upright). Throws as loading
// the picture does.
TMadePicture MakePreviewPicture(const std::string& path, TColor color);

// The preview step for the list's current file, its picture made ahead by `ahead` when
// one is given. Undecodable pictures (EInvalidGraphic) give Kind::NoPicture; any other
// failure (a file gone meanwhile) propagates, and the caller keeps its previous status
// texts.
PreviewResult MakePreview(const FileList& list, const AppSettings& settings,
                          TLookAhead* ahead = nullptr);

// Navigation: each returns whether the selection is valid afterwards (the caller then
// runs its preview step). Previous/next do nothing without a current file; at the ends
// they ask kFirstFileQuestion / kLastFileQuestion (confirmation, yes/no).
bool GoPrevious(FileList& list, Dialogs& dialogs);
bool GoNext(FileList& list, Dialogs& dialogs);
bool GoFirst(FileList& list);
bool GoLast(FileList& list);

// A relative path made absolute against the working folder (unchanged when it cannot be).
std::string AbsolutePath(const std::string& path);

// Opens a folder (its first entry selected) or a file (its own entry selected, nothing
// when it is not listed) in the list, for the folder chooser, the command line and drops.
// A relative path counts from the working folder. The list reads the program's folder
// first, so that the entries are read again even when the folder is the one shown;
// `shown` runs after each read (the window paints its list). Throws EFileError as
// FileList::SetFolder does.
void OpenInList(FileList& list, Platform& platform, const std::string& path, bool isFile,
                const std::function<void()>& shown);

// Whether a path given on the command line is a catalog to open: a ".doz" name (case
// counts, as in the open-catalog command) that is not a folder.
bool OpensAsCatalog(const std::string& path);

// The selection-dependent commands are enabled when this holds.
inline bool HasCurrentFile(const FileList& list) {
  return list.Count() > 0 && list.ItemIndex() >= 0;
}

}  // namespace verid
