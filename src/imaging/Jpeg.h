// The JPEG graphic: keeps the compressed data, decodes through libjpeg on first need.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/Graphic.h"

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

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  TJPEGImage(const TJPEGImage& other);
  TJPEGImage& operator=(const TJPEGImage& other);
  ~TJPEGImage() override;

  const char* ClassName() const override { return "TJPEGImage"; }
  bool Empty() const override;
  // The decoded size, or the header's size at the current scale (rounded up).
  int Width() const override;
  int Height() const override;
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
  const TJPEGHeader& Header() const { return header_; }
  bool Grayscale() const { return header_.Components == 1; }
  bool ProgressiveEncoding() const { return header_.Progressive; }

  // Decodes on first use: 24 bits (BGR), or 8 bits with a grey palette for one component.
  // Throws EJPEG when libjpeg cannot decode the data; a file cut short or with corrupt
  // data decodes as far as it goes (the rest grey).
  const TBitmap& ColorRaster() const override;
  // Forces the decode (no-op once decoded).
  void DIBNeeded() const { ColorRaster(); }

  void Assign(const TGraphic& source) override;
  // Reads the whole rest of the stream and its header; the pixels wait.
  void LoadFromStream(TStream& stream) override;
  // Writes the loaded data unchanged, or compresses the raster when there is no data
  // (after assignment from another kind, or after the raster was changed).
  void SaveToStream(TStream& stream) override;
  // Compresses the raster now (at the current quality), replacing the data.
  void Compress();
  // Loads from memory (copies the bytes).
  void LoadFromMemory(const uint8_t* data, size_t size);

 private:
  void Decode() const;

  std::vector<uint8_t> data_;
  TJPEGHeader header_;
  int quality_ = 90;
  TJPEGScale scale_ = TJPEGScale::jsFullSize;
  mutable std::unique_ptr<TBitmap> raster_;
};

// libjpeg's message numbers the program refers to.
int JpegErrorImageTooBig();

}  // namespace verid
