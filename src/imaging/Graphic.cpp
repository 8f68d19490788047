#include "imaging/Graphic.h"

#include <cstdio>
#include <map>

#include "base/Paths.h"
#include "imaging/Bitmap.h"
#include "imaging/Jpeg.h"
#include "imaging/ZUDIRA.h"

namespace verid {

static std::string JpegMessage(int code) {
  char text[64];
  std::snprintf(text, sizeof text, "JPEG エラー #%d", code);
  return text;
}

EJPEG::EJPEG(int code) : EInvalidGraphic(JpegMessage(code)), code_(code) {}

void TGraphic::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Changed();
}

void TGraphic::Changed() {
  Modified = true;
  if (OnChange) OnChange(*this);
}

void TGraphic::Progress(TProgressStage stage, uint8_t percent, bool redrawNow, const TRect& rect,
                        const std::string& message) {
  if (OnProgress) OnProgress(*this, stage, percent, redrawNow, rect, message);
}

void TGraphic::LoadFromFile(const std::string& path) {
  // The whole file in memory lets the readers work in place.
  TMemoryStream stream;
  stream.LoadFromFile(path);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& path) {
  WriteFileAtomically(path, [this](TStream& out) { SaveToStream(out); });
}

// --- registry ---------------------------------------------------------------------------

namespace {

struct FormatRow {
  std::string description;
  TGraphicFactory factory;
};

std::string KeyOf(const std::string& extension) {
  std::string_view ext = extension;
  if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
  return LowerCase(ext);
}

// Built once with the program's own formats, also when threads arrive together (catalog
// workers load pictures); every registration after that changes this one table.
std::map<std::string, FormatRow>& Registry() {
  static std::map<std::string, FormatRow> rows = [] {
    std::map<std::string, FormatRow> built;
    built.emplace("bmp", FormatRow{"Bitmaps", [] { return std::make_unique<TBitmap>(); }});
    auto jpeg = [] { return std::make_unique<TJPEGImage>(); };
    built.emplace("jpeg", FormatRow{"JPEG Image File", jpeg});
    built.emplace("jpg", FormatRow{"JPEG Image File", jpeg});
    built.emplace("png", FormatRow{"PNG Format", [] { return std::make_unique<ZOVIDUD>(); }});
    return built;
  }();
  return rows;
}

}  // namespace

void RegisterFileFormat(const std::string& extension, const std::string& description,
                        TGraphicFactory factory) {
  Registry()[KeyOf(extension)] = FormatRow{description, std::move(factory)};
}

void UnregisterFileFormat(const std::string& extension) {
  Registry().erase(KeyOf(extension));
}

std::unique_ptr<TGraphic> CreateGraphicForExtension(const std::string& extension) {
  auto& rows = Registry();
  auto it = rows.find(KeyOf(extension));
  if (it == rows.end() || !it->second.factory) return nullptr;
  return it->second.factory();
}

bool IsRegisteredExtension(const std::string& extension) {
  return Registry().count(KeyOf(extension)) != 0;
}

std::string FormatDescription(const std::string& extension) {
  auto& rows = Registry();
  auto it = rows.find(KeyOf(extension));
  return it == rows.end() ? std::string() : it->second.description;
}

std::unique_ptr<TGraphic> CreateGraphicOfKind(const TGraphic& source) {
  std::string_view name = source.ClassName();
  for (auto& [ext, row] : Registry()) {
    if (!row.factory) continue;
    std::unique_ptr<TGraphic> g = row.factory();
    if (g && name == g->ClassName()) return g;
  }
  return std::make_unique<TBitmap>();
}

std::string UnknownExtensionMessage(const std::string& extension) {
  std::string text = kUnknownExtensionMessage;
  std::string ext = extension;
  if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
  text.replace(text.find("%s"), 2, ext);
  return text;
}

// --- TPicture ---------------------------------------------------------------------------

void TPicture::LoadFromFile(const std::string& path) {
  std::string ext = ExtractFileExt(path);
  std::unique_ptr<TGraphic> graphic = CreateGraphicForExtension(ext);
  if (!graphic) throw EInvalidGraphic(UnknownExtensionMessage(ext));
  graphic->LoadFromFile(path);
  graphic_ = std::move(graphic);
}

void TPicture::SaveToFile(const std::string& path) {
  if (graphic_) graphic_->SaveToFile(path);
}

void TPicture::Assign(const TGraphic& source) {
  if (graphic_.get() == &source) return;
  std::unique_ptr<TGraphic> copy = CreateGraphicOfKind(source);
  copy->Assign(source);
  graphic_ = std::move(copy);
}

int TPicture::Width() const {
  return graphic_ ? graphic_->Width() : 0;
}
int TPicture::Height() const {
  return graphic_ ? graphic_->Height() : 0;
}

void LoadAsKind(TGraphic& graphic, const std::string& path) {
  graphic.LoadFromFile(path);
}

// --- saving -----------------------------------------------------------------------------

void ApplyEncoderSettings(TGraphic& graphic, const TEncoderSettings& encoder) {
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(&graphic)) {
    jpeg->SetCompressionQuality(encoder.JpegQuality);
    return;
  }
  SetPngCompressionLevel(graphic, encoder.PngCompressLevel);
}

bool SavePictureAsKind(const TGraphic& picture, const std::string& path,
                       const std::string& extension, const TEncoderSettings& encoder) {
  const std::string ext = KeyOf(extension);
  std::unique_ptr<TGraphic> target;
  if (ext == "bmp") {
    target = std::make_unique<TBitmap>();
    target->Assign(picture);
  } else if (ext == "jpg" || ext == "jpeg") {
    // A JPEG writes itself: compressed again at the configured quality (or only turned,
    // when that is all that changed), with its markers.
    if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&picture)) {
      WriteFileAtomically(path,
                          [&](TStream& out) { jpeg->SaveCopyToStream(out, encoder.JpegQuality); });
      return true;
    }
    target = std::make_unique<TJPEGImage>();
    target->Assign(picture.ColorRaster());
  } else if (ext == "png") {
    target = CreateGraphicForExtension("png");
    if (!target) return false;
    target->Assign(picture);
  } else {
    return false;
  }
  ApplyEncoderSettings(*target, encoder);
  target->SaveToFile(path);
  return true;
}

}  // namespace verid
