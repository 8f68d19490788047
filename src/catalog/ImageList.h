// The thumbnail store of a catalog: equal cells of Width x Height pixels, and the "IL"
// image-strip block in which catalog files carry them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "base/Types.h"
#include "imaging/Bitmap.h"

namespace verid {

// A strip block that does not parse.
class EStripError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr uint16_t kStripVersion = 0x0101;
// Display-compatible colour (0xFE) plus masked (0x01).
inline constexpr uint16_t kStripFlagsDefault = 0x00FF;
inline constexpr uint16_t kStripFlagMasked = 0x0001;
inline constexpr uint32_t kStripNoColor = 0xFFFFFFFF;
inline constexpr int kStripColumns = 4;
// Cells larger than this are not thumbnails; a strip asking for them is refused.
inline constexpr int kMaxCellSide = 1024;

// How a strip is written. The defaults are what catalogs use.
struct StripLayout {
  int Depth = 24;         // colour strip: 16 (5-5-5), 24 or 32 bits per pixel
  int Capacity = 0;       // images the strip has room for; never below the count
  int Grow = 0;           // growth step in the header; 0 writes the store's AllocBy
  int TrailingZeros = 0;  // zero bytes after the mask, as some writers append
};

class TImageList {
 public:
  int Width() const { return width_; }
  int Height() const { return height_; }
  // A different cell size empties the store.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }

  // Growth step: room for this many more images is made when the store is full.
  int AllocBy() const { return allocBy_; }
  void SetAllocBy(int allocBy) { allocBy_ = allocBy; }

  int Count() const { return static_cast<int>(images_.size()); }
  // Adds the picture's top-left cell (24 bits, opaque); parts the picture does not cover
  // stay black. Returns the new index.
  int Add(const TBitmap& image);
  // Takes the raster over without a copy when it already is a 24-bit cell.
  int Add(TBitmap&& image);
  // The cell as a 24-bit raster of Width x Height.
  const TBitmap& Image(int index) const { return images_.at(static_cast<size_t>(index)); }
  // Mask rows of image `index`, (Width + 7) / 8 bytes each, top row first, the most
  // significant bit leftmost, a set bit transparent; empty when the image is opaque.
  const std::vector<uint8_t>& Mask(int index) const {
    return masks_.at(static_cast<size_t>(index));
  }
  void Clear();

  // Header values the strip carries through.
  uint16_t Flags = kStripFlagsDefault;
  uint32_t BkColor = kStripNoColor;
  int16_t Overlays[4] = {-1, -1, -1, -1};

  // The "IL" block. Throws std::length_error when it would not fit a file's 32-bit length.
  std::vector<uint8_t> WriteStrip(const StripLayout& layout = {}) const;
  // The same appended to `out` (a file being put together in memory).
  void AppendStrip(std::vector<uint8_t>& out, const StripLayout& layout = {}) const;
  // Replaces cell size, images, masks and header values from a block (whose length is
  // authoritative). Throws EStripError, leaving the store as it was, when it does not parse.
  void ReadStrip(const uint8_t* data, size_t size);

 private:
  void MakeRoom();

  int width_ = 16, height_ = 16;
  int allocBy_ = 4;
  std::vector<TBitmap> images_;
  std::vector<std::vector<uint8_t>> masks_;
};

}  // namespace verid
