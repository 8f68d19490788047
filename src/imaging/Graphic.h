// The graphic kinds, the picture holder, the format registry and the image error kinds.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Stream.h"
#include "base/Types.h"

namespace verid {

class TBitmap;

// A file that is not a readable image. Callers that show "No Picture" or a placeholder
// catch this kind (and only this kind).
class EInvalidGraphic : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// libjpeg's failures: "JPEG エラー #%d" with libjpeg's message number.
class EJPEG : public EInvalidGraphic {
 public:
  EJPEG(int code);
  int Code() const { return code_; }

 private:
  int code_;
};
// The PNG codec's failures (English messages).
class EZUDIRA : public EInvalidGraphic {
 public:
  using EInvalidGraphic::EInvalidGraphic;
};
class ERotateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// Assignment between things that cannot take each other: "%s を %s に代入することはできません".
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kInvalidBitmapMessage = "ビットマップイメージが不正です";
inline constexpr const char* kUnknownExtensionMessage = "拡張子 .%s の画像形式は処理できません";

enum class TProgressStage { Starting, Running, Ending };
class TGraphic;
using TProgressEvent =
    std::function<void(TGraphic& sender, TProgressStage stage, uint8_t percent, bool redrawNow,
                       const TRect& rect, const std::string& message)>;

class TGraphic {
 public:
  TGraphic() = default;
  TGraphic(const TGraphic&) = default;
  TGraphic& operator=(const TGraphic&) = default;
  virtual ~TGraphic() = default;

  virtual const char* ClassName() const = 0;
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;

  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);

  // The colour raster every kind can give (a JPEG decodes on first use and may throw
  // EJPEG here).
  virtual const TBitmap& ColorRaster() const = 0;

  // Takes over a copy of the source's picture (rules per kind).
  virtual void Assign(const TGraphic& source) = 0;

  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  // Reads the whole file.
  void LoadFromFile(const std::string& path);
  // Replaces the file only after the new content was written completely.
  void SaveToFile(const std::string& path);

  bool Modified = false;
  std::function<void(TGraphic&)> OnChange;
  TProgressEvent OnProgress;

  void Progress(TProgressStage stage, uint8_t percent, bool redrawNow = false,
                const TRect& rect = {}, const std::string& message = {});

 protected:
  // Marks the graphic modified and notifies OnChange.
  void Changed();
  bool transparent_ = false;
};

// Format registry: lower-cased extension (no dot) -> graphic class.
using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
void RegisterFileFormat(const std::string& extension, const std::string& description,
                        TGraphicFactory factory);
void UnregisterFileFormat(const std::string& extension);
// Null when the extension (with or without its dot, any case) is not registered.
std::unique_ptr<TGraphic> CreateGraphicForExtension(const std::string& extension);
bool IsRegisteredExtension(const std::string& extension);
std::string FormatDescription(const std::string& extension);
// A new, empty graphic of the source's class (a TBitmap when no registered row makes one).
std::unique_ptr<TGraphic> CreateGraphicOfKind(const TGraphic& source);
// "拡張子 .%s の画像形式は処理できません" with the extension filled in (without its dot).
std::string UnknownExtensionMessage(const std::string& extension);

// Holds one graphic of any kind.
class TPicture {
 public:
  // Creates the graphic the registry names for the file's lower-cased extension and lets
  // it read the file. Unknown extension: EInvalidGraphic "拡張子 .%s の画像形式は処理できません".
  void LoadFromFile(const std::string& path);
  void SaveToFile(const std::string& path);
  void Assign(const TGraphic& source);  // keeps a copy of the same kind
  void SetGraphic(std::unique_ptr<TGraphic> graphic) { graphic_ = std::move(graphic); }
  TGraphic* Graphic() { return graphic_.get(); }
  const TGraphic* Graphic() const { return graphic_.get(); }
  int Width() const;
  int Height() const;
  bool Empty() const { return !graphic_ || graphic_->Empty(); }
  void Clear() { graphic_.reset(); }

 private:
  std::unique_ptr<TGraphic> graphic_;
};

// Loads a file into a graphic of a fixed kind, whatever its extension.
void LoadAsKind(TGraphic& graphic, const std::string& path);

// What the encoders take from their caller: JPEG quality (1..100) and the PNG compression
// level (-1 for the library's default, 0..9).
struct TEncoderSettings {
  int JpegQuality = 80;
  int PngCompressLevel = -1;
};

// Sets the encoder parameters just before a save: the JPEG quality for a JPEG, the
// compression level for a PNG; nothing for BMP.
void ApplyEncoderSettings(TGraphic& graphic, const TEncoderSettings& encoder);

// Saves a copy of the picture as the kind the extension names ("bmp", "jpg", "jpeg",
// "png", with or without the dot, any case), with the encoder settings. False (nothing
// written) for any other extension.
bool SavePictureAsKind(const TGraphic& picture, const std::string& path,
                       const std::string& extension, const TEncoderSettings& encoder);

}  // namespace verid
