// The raster (TBitmap) and its file format, the Windows bitmap (BMP).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/BigBuffer.h"
#include "imaging/Graphic.h"

namespace verid {

enum class TPixelFormat : uint8_t {
  pf1bit = 1,
  pf4bit = 4,
  pf8bit = 8,
  pf15bit = 15,  // 5-5-5, x-R-G-B from the top bit
  pf16bit = 16,  // 5-6-5: red in the top 5 bits, green in the middle 6, blue in the low 5
  pf24bit = 24,  // bytes blue, green, red
  pf32bit = 32,  // bytes blue, green, red, x
};

// Bits per pixel of a format (15 for pf15bit; it is stored in 16 bits).
int BitsOf(TPixelFormat format);
// Bytes a row of `width` pixels takes in memory (and in a BMP file): padded to 4 bytes.
int64_t StrideFor(int width, TPixelFormat format);

struct TRGBQuad {
  uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
  bool operator==(const TRGBQuad&) const = default;
};

// The ceiling every raster is held to: the BMP and PNG readers check a header against it
// before they allocate (failing with their own error), and so does the raster itself.
struct TDecodeLimits {
  int64_t MaxPixels = int64_t(1) << 28;  // 268 million pixels
  int64_t MaxRasterBytes = int64_t(1) << 31;
  // Whether a width x height raster of the format stays within both ceilings. Any
  // sizes may be given: negative ones and those past int never fit, and nothing
  // overflows.
  bool Fits(int64_t width, int64_t height, TPixelFormat format) const;
};
inline constexpr TDecodeLimits kDecodeLimits{};
inline constexpr int64_t kMaxPixels = kDecodeLimits.MaxPixels;

// Frees a raster's pixels: the largest live in a mapping of their own.
struct TPixelRelease {
  TBigBuffer* Mapped = nullptr;
  void operator()(uint8_t* bits) const;
};

class TBitmap : public TGraphic {
 public:
  TBitmap() = default;
  TBitmap(int width, int height, TPixelFormat format);
  TBitmap(const TBitmap& other);
  TBitmap& operator=(const TBitmap& other);
  TBitmap(TBitmap&& other) noexcept;
  TBitmap& operator=(TBitmap&& other) noexcept;
  ~TBitmap() override;

  const char* ClassName() const override { return "TBitmap"; }
  bool Empty() const override { return width_ == 0 || height_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Resizing keeps the pixels that still fit (top-left anchored); new pixels are 0.
  void SetWidth(int width) override { SetSize(width, height_); }
  void SetHeight(int height) override { SetSize(width_, height); }
  void SetSize(int width, int height);
  // Allocates a raster of the given size and format, discarding the old pixels. The
  // pixels are zero unless `clear` is false (decoders that write every byte skip the fill).
  // Throws EInvalidGraphic(kInvalidBitmapMessage) past kDecodeLimits.
  void Allocate(int width, int height, TPixelFormat format, bool clear = true);
  // Empties the raster (0 x 0), keeping the format; palette and flags stay.
  void Clear();

  TPixelFormat PixelFormat() const { return format_; }
  int BitsPerPixel() const { return BitsOf(format_); }
  bool Indexed() const { return BitsOf(format_) <= 8; }
  // Changes the format. Pixels are converted when the target is 15, 16, 24 or 32 bits
  // (indexed sources through their palette); converting to an indexed format keeps the
  // size and gives zero pixels.
  void SetPixelFormat(TPixelFormat format);

  int64_t Stride() const { return stride_; }
  uint8_t* ScanLine(int y) { return bits_.get() + y * stride_; }
  const uint8_t* ScanLine(int y) const { return bits_.get() + y * stride_; }
  uint8_t* Bits() { return bits_.get(); }
  const uint8_t* Bits() const { return bits_.get(); }

  // Up to 256 entries (2, 16, 256 for 1, 4, 8 bits).
  const std::vector<TRGBQuad>& Palette() const { return palette_; }
  void SetPalette(std::vector<TRGBQuad> palette);
  // A grey palette of `count` evenly spaced steps from black to white.
  static std::vector<TRGBQuad> GreyPalette(int count);

  // An RGB value (0x00BBGGRR), or kPaletteIndexFlag + index.
  TColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(TColor color) { transparentColor_ = color; }

  // The pixel's colour as 0x00RRGGBB (indexed formats through the palette).
  uint32_t PixelRGB(int x, int y) const;
  // The raw pixel value: palette index, 15/16-bit word, or 0x00RRGGBB for 24/32 bits.
  uint32_t PixelValue(int x, int y) const;

  const TBitmap& ColorRaster() const override { return *this; }
  void Assign(const TGraphic& source) override;

  // BMP: any complete Windows bitmap on reading; on writing the raster's own depth.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  // Reads a BMP held in memory (the whole file).
  void LoadFromMemory(const uint8_t* data, size_t size);

 private:
  using TPixels = std::unique_ptr<uint8_t[], TPixelRelease>;
  static TPixels NewPixels(size_t size, bool clear);

  // Moves the pixels, size, format, palette and transparent colour out of `other`.
  void TakePixels(TBitmap& other);

  int width_ = 0, height_ = 0;
  TPixelFormat format_ = TPixelFormat::pf24bit;
  int64_t stride_ = 0;
  TPixels bits_;
  std::vector<TRGBQuad> palette_;
  TColor transparentColor_ = 0;
};

}  // namespace verid
