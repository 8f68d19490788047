#include "imaging/ZUDIRA.h"

namespace verid {

namespace {

// While the codec reports progress on the colour raster, it reaches this graphic's
// OnProgress; the raster's own handler comes back afterwards.
class ProgressForwarder {
 public:
  ProgressForwarder(TBitmap& raster, TGraphic& graphic)
      : raster_(raster), saved_(std::move(raster.OnProgress)) {
    raster_.OnProgress = [&graphic](TGraphic&, TProgressStage stage, uint8_t percent, bool redraw,
                                    const TRect& rect, const std::string& message) {
      graphic.Progress(stage, percent, redraw, rect, message);
    };
  }
  ~ProgressForwarder() { raster_.OnProgress = std::move(saved_); }
  ProgressForwarder(const ProgressForwarder&) = delete;
  ProgressForwarder& operator=(const ProgressForwarder&) = delete;

 private:
  TBitmap& raster_;
  TProgressEvent saved_;
};

}  // namespace

ZOVIDUD::ZOVIDUD() {
  ModifiedTime = PngTimeNow();
}

ZOVIDUD::ZOVIDUD(const ZOVIDUD& other)
    : TGraphic(other), TPngProperties(other), bitmap_(other.bitmap_), alpha_(other.alpha_) {}

ZOVIDUD& ZOVIDUD::operator=(const ZOVIDUD& other) {
  if (this != &other) {
    TGraphic::operator=(other);
    TPngProperties::operator=(other);
    bitmap_ = other.bitmap_;
    alpha_ = other.alpha_;
  }
  return *this;
}

ZOVIDUD::~ZOVIDUD() = default;

void ZOVIDUD::SetWidth(int width) {
  if (!bitmap_.Empty()) bitmap_.SetWidth(width);
  if (!alpha_.Empty()) alpha_.SetWidth(width);
  Changed();
}

void ZOVIDUD::SetHeight(int height) {
  if (!bitmap_.Empty()) bitmap_.SetHeight(height);
  if (!alpha_.Empty()) alpha_.SetHeight(height);
  Changed();
}

void ZOVIDUD::SetTransparent(bool value) {
  if (bitmap_.Transparent() != value) bitmap_.SetTransparent(value);
  TGraphic::SetTransparent(value);
}

void ZOVIDUD::SetPalette(std::vector<TRGBQuad> palette) {
  bitmap_.SetPalette(std::move(palette));
  Changed();
}

// After a load or an assignment the graphic follows the raster's flag.
void ZOVIDUD::TakeRasterTransparency() {
  transparent_ = bitmap_.Transparent();
  Changed();
}

void ZOVIDUD::Assign(const TGraphic& source) {
  if (&source == this) return;
  if (const auto* png = dynamic_cast<const ZOVIDUD*>(&source)) {
    bitmap_ = png->bitmap_;
    alpha_ = png->alpha_;
    IdatSize = png->IdatSize;
    CompressionLevel = png->CompressionLevel;
    FilterMode = png->FilterMode;
    Interlaced = png->Interlaced;
    Grayscale = png->Grayscale;
    Comment = png->Comment;
    BackgroundColor = png->BackgroundColor;
    TransparentKey = png->TransparentKey;
    Gamma = png->Gamma;
    SignificantBits = png->SignificantBits;
    PhysUnit = png->PhysUnit;
    PhysX = png->PhysX;
    PhysY = png->PhysY;
    UseCurrentTime = png->UseCurrentTime;
    ModifiedTime = png->ModifiedTime;
    Chromaticity = png->Chromaticity;
  } else {
    bitmap_.Assign(source);
  }
  TakeRasterTransparency();
}

void ZOVIDUD::LoadFromStream(TStream& stream) {
  alpha_.Clear();
  ZOVIDUDReadStream reader;
  // The reader works on a copy of the properties: what it read replaces them only when
  // the whole file was read.
  static_cast<TPngProperties&>(reader) = *this;
  reader.CheckMacBinary = CheckMacBinary;
  ProgressForwarder forward(bitmap_, *this);
  reader.Read(bitmap_, &alpha_, stream);

  static_cast<TPngProperties&>(*this) = reader;
  Comment = reader.Text;
  TakeRasterTransparency();
}

void ZOVIDUD::Save(TStream& stream, const TPngProperties& props) {
  ZOVIDUDWriteStream writer;
  writer.SetProperties(props);
  writer.AlphaPlane = HasAlpha ? &alpha_ : nullptr;
  ProgressForwarder forward(bitmap_, *this);
  writer.Write(bitmap_, stream);
}

void ZOVIDUD::SaveToStream(TStream& stream) {
  Save(stream, *this);
}

void ZOVIDUD::ReadData(TStream& stream) {
  LoadFromStream(stream);
}

void ZOVIDUD::WriteData(TStream& stream) {
  if (bitmap_.Empty()) return;
  TPngProperties props = *this;
  const TPngProperties defaults;
  props.CompressionLevel = defaults.CompressionLevel;
  props.FilterMode = defaults.FilterMode;
  props.Interlaced = defaults.Interlaced;
  props.IdatSize = defaults.IdatSize;
  props.UseCurrentTime = defaults.UseCurrentTime;
  Save(stream, props);
}

void SetPngCompressionLevel(TGraphic& graphic, int level) {
  if (auto* png = dynamic_cast<ZOVIDUD*>(&graphic)) png->CompressionLevel = level;
}

void RegisterZudiraFormat() {
  RegisterFileFormat("png", "PNG Format", [] { return std::make_unique<ZOVIDUD>(); });
}

void UnregisterZudiraFormat() {
  UnregisterFileFormat("png");
}

}  // namespace verid
