// What the windows do with a picture when the settings or a question are involved: the
// encoder settings from AppSettings, saving as a kind, the view window's save rules, and
// the message for pictures the transforms leave alone.
#pragma once

#include <string>

#include "app/Dialogs.h"
#include "imaging/Graphic.h"

namespace verid {

struct AppSettings;

inline constexpr const char* kUnsupportedPixelFormatMessage = "未対応なピクセル形式の画像です";

// The encoder values the settings hold.
TEncoderSettings EncoderSettingsOf(const AppSettings& settings);

// The same, with the values from the settings: JPEG quality from
// JpegQuality, PNG compression level from PngCompressLevel; nothing for BMP.
void ApplyEncoderSettings(TGraphic& graphic, const AppSettings& settings);

// The view window's overwrite-save: by the file's lower-cased extension (.bmp, .jpg,
// .jpeg, .png); any other extension saves nothing. Returns whether a file was written.
bool SaveDisplayedPicture(const TGraphic& picture, const std::string& path,
                          const AppSettings& settings);

// Saves a copy of the picture as the kind the extension names ("bmp", "jpg", "jpeg",
// "png", with or without the dot, any case), with the encoder settings. False (nothing
// written) for any other extension.
bool SavePictureAsKind(const TGraphic& picture, const std::string& path,
                       const std::string& extension, const AppSettings& settings);

inline constexpr const char* kSaveAsFilter =
    "JPEG(*.jpg,*.jpeg)|*.jpg;*.jpeg|BMP(*.bmp)|*.bmp|PNG(*.png)|*.png";
// The view window's save-as dialog for the selected file: start folder SaveDir, the
// file's name without extension, default extension and filter row from its extension.
FileDialogRequest SaveAsDialogRequest(const std::string& selectedFile, const AppSettings& settings);
struct TSaveAsResult {
  bool Saved = false;   // false when the chosen extension names no format we write
  std::string SaveDir;  // the chosen file's folder: the new SaveDir in every case
};
// Saves the displayed picture under the name the user chose in that dialog.
TSaveAsResult SaveDisplayedPictureAs(const TGraphic& picture, const std::string& chosenName,
                                     const AppSettings& settings);

// The error box for a 1-bit picture the transforms do not change (TransformSupported):
// "未対応なピクセル形式の画像です" with one "ｷｬﾝｾﾙ" button.
void ShowUnsupportedPixelFormat(Dialogs& dialogs);

}  // namespace verid
