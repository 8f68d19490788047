// The JPEG graphic: keeps the compressed data, decodes through libjpeg on first need.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/Graphic.h"
#include "imaging/Transforms.h"

namespace verid {

enum class TJPEGScale : uint8_t { jsFullSize, jsHalf, jsQuarter, jsEighth };

// What the header says (filled at load without decoding the pixels).
struct TJPEGHeader {
  int Width = 0, Height = 0;
  int Components = 0;
  bool Progressive = false;
  int ColorSpace = 0;  // libjpeg's J_COLOR_SPACE of the file
  bool JFIF = false;
  int DensityUnit = 0;  // 0 none (aspect only), 1 dots per inch, 2 dots per cm
  int XDensity = 0, YDensity = 0;
};

// What a save keeps of a JPEG source besides its pixels.
struct TJPEGMarkers {
  std::vector<uint8_t> Exif;              // the APP1 payload, "Exif\0\0" first
  std::vector<std::vector<uint8_t>> Icc;  // the APP2 payloads, "ICC_PROFILE\0" first, in order
};

// The EXIF block (the first) and the ICC profile segments of JPEG data, read from the
// headers up to the first scan; null when there are none.
std::shared_ptr<const TJPEGMarkers> ReadJpegMarkers(const uint8_t* data, size_t size);

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  TJPEGImage(const TJPEGImage& other);
  TJPEGImage& operator=(const TJPEGImage& other);
  ~TJPEGImage() override;

  const char* ClassName() const override { return "TJPEGImage"; }
  bool Empty() const override;
  // The decoded size, or the header's size at the current scale (rounded up); either way
  // upright, as the EXIF orientation says.
  int Width() const override;
  int Height() const override;
  // The upright size at full scale.
  int FullWidth() const;
  int FullHeight() const;
  // A JPEG's size is its data's: these only resize a raster given by assignment.
  void SetWidth(int width) override;
  void SetHeight(int height) override;

  // Quality for the next compression, 0..100 (libjpeg treats 0 as 1).
  int CompressionQuality() const { return quality_; }
  void SetCompressionQuality(int quality);

  // The decode scale; changing it after the pixels were decoded from data drops them so
  // the next use decodes again at the new scale.
  TJPEGScale Scale() const { return scale_; }
  void SetScale(TJPEGScale scale);
  static int ScaleDenominator(TJPEGScale scale) { return 1 << static_cast<int>(scale); }

  bool HasData() const { return !data_.empty(); }
  const std::vector<uint8_t>& Data() const { return data_; }
  // The header of the data as stored (before any turn).
  const TJPEGHeader& Header() const { return header_; }
  // The data's EXIF orientation, 1..8 (1 without EXIF, or from a damaged block).
  int Orientation() const { return orientation_; }
  // The EXIF block and ICC profile of the file the picture came from (null: none). They
  // stay through edits and through assignment from another JPEG; whatever a save
  // compresses or turns gets them again, the EXIF block upright and without thumbnail.
  const std::shared_ptr<const TJPEGMarkers>& Markers() const { return markers_; }
  void SetMarkers(std::shared_ptr<const TJPEGMarkers> markers) { markers_ = std::move(markers); }
  bool HasExif() const { return markers_ && !markers_->Exif.empty(); }
  bool Grayscale() const { return header_.Components == 1; }
  bool ProgressiveEncoding() const { return header_.Progressive; }

  // Decodes on first use, turned upright: 24 bits (BGR), or 8 bits with a grey palette for
  // one component.
  // Throws EJPEG when libjpeg cannot decode the data; a file cut short or with corrupt
  // data decodes as far as it goes (the rest grey).
  const TBitmap& ColorRaster() const override;
  // Forces the decode (no-op once decoded).
  void DIBNeeded() const { ColorRaster(); }

  void Assign(const TGraphic& source) override;
  // Reads the whole rest of the stream and its header; the pixels wait.
  void LoadFromStream(TStream& stream) override;
  // Writes the loaded data unchanged, or compresses the raster when there is no data
  // (after assignment from another kind, or after the raster was changed). Data turned
  // since it was loaded is written as SaveCopyToStream writes it.
  void SaveToStream(TStream& stream) override;
  // Compresses the raster now (at the current quality), replacing the data.
  void Compress();
  // What a save of the picture as a new JPEG writes, at `quality`: when the picture was
  // only turned since it was loaded (Turned), its data turned losslessly with the EXIF
  // orientation folded in, where the picture's size allows a perfect turn; otherwise the
  // raster compressed again. With the markers either way. The picture stays as it is.
  void SaveCopyToStream(TStream& stream, int quality) const;

  // An edit of the shown picture: `raster` replaces it, the markers stay. When the edit
  // was `turn` of the picture, the picture is at full scale and its data carries an EXIF
  // block, the data stays too, for a lossless save; otherwise the data goes and a save
  // compresses the raster. Files without EXIF are thus saved as they always were.
  void Edited(TBitmap raster, std::optional<TTurn> turn = std::nullopt);
  // Whether the data waits to be turned by the next save.
  bool Turned() const { return turn_.has_value(); }
  // Loads from memory (copies the bytes).
  void LoadFromMemory(const uint8_t* data, size_t size);

 private:
  void Decode() const;
  // The turn from the data as stored to the picture: the orientation, then the edits.
  TTurn Shape() const;
  // The raster compressed at `quality`, with the markers.
  std::vector<uint8_t> Encode(int quality) const;
  // The data turned by Shape() with the markers; false when no perfect turn exists.
  bool WriteTurned(TStream& stream) const;
  // The segments a new file gets, whole (marker, length, payload): the upright EXIF block
  // for a w x h picture, the ICC profile.
  std::vector<std::vector<uint8_t>> SegmentsFor(int w, int h) const;

  std::vector<uint8_t> data_;
  TJPEGHeader header_;
  int orientation_ = 1;
  std::optional<TTurn> turn_;  // the edits' turn, while the data waits to be turned
  std::shared_ptr<const TJPEGMarkers> markers_;
  int quality_ = 90;
  TJPEGScale scale_ = TJPEGScale::jsFullSize;
  mutable std::unique_ptr<TBitmap> raster_;
};

// The libjpeg scale denominator (1, 2, 4, 8) for showing an iw x ih JPEG in tw x th: the
// smallest picture that still covers the target, used only when the picture is more than
// twice the target in both directions.
int JpegScaleFor(int iw, int ih, int tw, int th);
// Sets a JPEG graphic's decode scale for showing it in tw x th (JpegScaleFor); any other
// graphic, or none, is left as it is.
void ScaleJpegFor(TGraphic* graphic, int tw, int th);

// libjpeg's message numbers the program refers to.
int JpegErrorImageTooBig();

}  // namespace verid
