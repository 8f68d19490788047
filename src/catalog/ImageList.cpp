#include "catalog/ImageList.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace verid {

namespace {

constexpr int kFileHeader = 14, kInfoHeader = 40;

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

uint32_t Get16(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Get32(const uint8_t* p) {
  return Get16(p) | Get16(p + 2) << 16;
}

int64_t RowBytes(int64_t width, int bits) {
  return (width * bits + 31) / 32 * 4;
}

// File and information header of one strip, bottom-up, no compression.
void PutBmpHeaders(std::vector<uint8_t>& out, int width, int height, int bits, int paletteSize,
                   uint32_t imageBytes) {
  const uint32_t headers = kFileHeader + kInfoHeader + 4 * paletteSize;
  out.push_back('B');
  out.push_back('M');
  Put32(out, headers);  // the platform's writer puts the header length here, not the file's
  Put32(out, 0);
  Put32(out, headers);
  Put32(out, kInfoHeader);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, 0);
  Put32(out, imageBytes);
  for (int i = 0; i < 4; ++i) Put32(out, 0);
}

// One strip as read: where its bottom-up rows are and how to turn them into colours.
struct StripView {
  int Width = 0, Height = 0, Bits = 0;
  const uint8_t* Rows = nullptr;  // file row 0 (the bottom row)
  int64_t Stride = 0;
  uint32_t Palette[256] = {};  // 0x00RRGGBB
  size_t End = 0;              // offset after the pixels
};

[[noreturn]] void Bad(const char* what) {
  throw EStripError(what);
}

StripView ParseBmp(const uint8_t* data, size_t size, size_t at, bool mask) {
  StripView v;
  if (size < at || size - at < size_t(kFileHeader + kInfoHeader)) Bad("strip header cut short");
  const uint8_t* h = data + at;
  if (h[0] != 'B' || h[1] != 'M') Bad("strip without BM");
  const uint32_t infoSize = Get32(h + 14);
  if (infoSize < uint32_t(kInfoHeader) || infoSize > 1024) Bad("strip info header size");
  const int32_t width = static_cast<int32_t>(Get32(h + 18));
  const int32_t height = static_cast<int32_t>(Get32(h + 22));
  const uint32_t planes = Get16(h + 26), bits = Get16(h + 28), compression = Get32(h + 30);
  uint32_t colours = Get32(h + 46);
  if (width <= 0 || height < 0 || planes != 1 || compression != 0) Bad("strip format");
  if (mask ? bits != 1
           : bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    Bad("strip bit count");
  size_t pos = at + kFileHeader + infoSize;
  if (pos > size) Bad("strip info header cut short");
  if (bits <= 8) {
    const uint32_t most = 1u << bits;
    if (colours == 0) colours = most;
    if (colours > most) Bad("strip palette size");
    if ((size - pos) / 4 < colours) Bad("strip palette cut short");
    for (uint32_t i = 0; i < colours; ++i) {
      const uint8_t* q = data + pos + 4 * i;
      v.Palette[i] = uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
    }
    pos += 4 * size_t(colours);
  } else if (colours > 0) {
    // A palette beside true-colour pixels is only a hint; it is skipped.
    if (colours > 256 || (size - pos) / 4 < colours) Bad("strip palette cut short");
    pos += 4 * size_t(colours);
  }
  v.Width = width;
  v.Height = height;
  v.Bits = static_cast<int>(bits);
  v.Stride = RowBytes(width, v.Bits);
  const uint64_t bytes = uint64_t(v.Stride) * uint64_t(height);
  if (bytes > size - pos) Bad("strip pixels cut short");
  v.Rows = data + pos;
  v.End = pos + size_t(bytes);
  return v;
}

uint32_t Expand5(uint32_t v) {
  return v << 3 | v >> 2;
}

// Picture row y (0 = top) of a strip, columns [x0, x0 + n) as 24-bit BGR.
void ReadColourRow(const StripView& v, int y, int x0, int n, uint8_t* out) {
  const uint8_t* row = v.Rows + int64_t(v.Height - 1 - y) * v.Stride;
  if (v.Bits == 24) {
    std::memcpy(out, row + int64_t(x0) * 3, size_t(n) * 3);
    return;
  }
  for (int i = 0; i < n; ++i, out += 3) {
    const int x = x0 + i;
    uint32_t rgb;
    switch (v.Bits) {
      case 32:
      case 24: {
        const uint8_t* p = row + int64_t(x) * (v.Bits / 8);
        out[0] = p[0];
        out[1] = p[1];
        out[2] = p[2];
        continue;
      }
      case 16: {
        const uint32_t w = Get16(row + 2 * int64_t(x));
        rgb = Expand5(w >> 10 & 31) << 16 | Expand5(w >> 5 & 31) << 8 | Expand5(w & 31);
        break;
      }
      case 8:
        rgb = v.Palette[row[x]];
        break;
      case 4:
        rgb = v.Palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 15];
        break;
      default:
        rgb = v.Palette[(row[x / 8] >> (7 - x % 8)) & 1];
    }
    out[0] = static_cast<uint8_t>(rgb);
    out[1] = static_cast<uint8_t>(rgb >> 8);
    out[2] = static_cast<uint8_t>(rgb >> 16);
  }
}

bool MaskBit(const StripView& v, int y, int x) {
  const uint8_t* row = v.Rows + int64_t(v.Height - 1 - y) * v.Stride;
  return (row[x / 8] >> (7 - x % 8)) & 1;
}

}  // namespace

void TImageList::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  Clear();
}

void TImageList::Clear() {
  images_.clear();
  images_.shrink_to_fit();
  masks_.clear();
  masks_.shrink_to_fit();
}

void TImageList::MakeRoom() {
  if (images_.size() < images_.capacity()) return;
  const size_t more = static_cast<size_t>(std::clamp(allocBy_, 1, 0x10000));
  images_.reserve(images_.size() + more);
  masks_.reserve(images_.size() + more);
}

int TImageList::Add(TBitmap&& image) {
  if (image.PixelFormat() != TPixelFormat::pf24bit || image.Width() != width_ ||
      image.Height() != height_)
    return Add(static_cast<const TBitmap&>(image));
  MakeRoom();
  image.SetTransparent(false);
  images_.push_back(std::move(image));
  masks_.emplace_back();
  return Count() - 1;
}

int TImageList::Add(const TBitmap& image) {
  TBitmap cell(width_, height_, TPixelFormat::pf24bit);
  const int w = std::min(width_, image.Width()), h = std::min(height_, image.Height());
  for (int y = 0; y < h; ++y) {
    uint8_t* d = cell.ScanLine(y);
    if (image.PixelFormat() == TPixelFormat::pf24bit) {
      std::memcpy(d, image.ScanLine(y), size_t(w) * 3);
      continue;
    }
    for (int x = 0; x < w; ++x, d += 3) {
      const uint32_t c = image.PixelRGB(x, y);
      d[0] = static_cast<uint8_t>(c);
      d[1] = static_cast<uint8_t>(c >> 8);
      d[2] = static_cast<uint8_t>(c >> 16);
    }
  }
  return Add(std::move(cell));
}

std::vector<uint8_t> TImageList::WriteStrip(const StripLayout& layout) const {
  std::vector<uint8_t> out;
  AppendStrip(out, layout);
  return out;
}

void TImageList::AppendStrip(std::vector<uint8_t>& out, const StripLayout& layout) const {
  const int depth = layout.Depth;
  if (depth != 16 && depth != 24 && depth != 32)
    throw std::invalid_argument("strip depth must be 16, 24 or 32");
  const int count = Count();
  if (count > 0xFFFF) throw std::length_error("too many images for one strip");
  const int capacity = std::clamp(std::max(layout.Capacity, count), 0, 0xFFFF);
  const int grow = std::clamp(layout.Grow > 0 ? layout.Grow : allocBy_, 0, 0xFFFF);
  const int stripW = kStripColumns * width_;
  const int cellRows = (capacity + kStripColumns - 1) / kStripColumns;
  const int64_t stripH = int64_t(cellRows) * height_;
  const int64_t colourStride = RowBytes(stripW, depth), maskStride = RowBytes(stripW, 1);
  const bool masked = Flags & kStripFlagMasked;
  const int64_t total = 28 + kFileHeader + kInfoHeader + colourStride * stripH +
                        (masked ? kFileHeader + kInfoHeader + 8 + maskStride * stripH : 0) +
                        std::max(layout.TrailingZeros, 0);
  if (total > std::numeric_limits<int32_t>::max() || stripH > std::numeric_limits<int32_t>::max())
    throw std::length_error("ｶﾀﾛｸﾞが大きすぎて保存できません");

  out.reserve(out.size() + static_cast<size_t>(total));
  out.push_back('I');
  out.push_back('L');
  Put16(out, kStripVersion);
  Put16(out, static_cast<uint32_t>(count));
  Put16(out, static_cast<uint32_t>(capacity));
  Put16(out, static_cast<uint32_t>(grow));
  Put16(out, static_cast<uint32_t>(width_));
  Put16(out, static_cast<uint32_t>(height_));
  Put32(out, BkColor);
  Put16(out, Flags);
  for (int16_t o : Overlays) Put16(out, static_cast<uint16_t>(o));

  // Rows go bottom-up; picture row y holds row y % height of the cells in cell row
  // y / height. Cells past the count are black.
  PutBmpHeaders(out, stripW, static_cast<int>(stripH), depth, 0,
                static_cast<uint32_t>(colourStride * stripH));
  std::vector<uint8_t> row(static_cast<size_t>(colourStride));
  for (int64_t y = stripH - 1; y >= 0; --y) {
    std::fill(row.begin(), row.end(), 0);
    const int cellRow = static_cast<int>(y / height_), inCell = static_cast<int>(y % height_);
    for (int c = 0; c < kStripColumns; ++c) {
      const int k = cellRow * kStripColumns + c;
      if (k >= count) break;
      const uint8_t* s = images_[size_t(k)].ScanLine(inCell);
      uint8_t* d = row.data() + int64_t(c) * width_ * (depth / 8);
      if (depth == 24) {
        std::memcpy(d, s, size_t(width_) * 3);
      } else if (depth == 32) {
        for (int x = 0; x < width_; ++x, s += 3, d += 4) {
          d[0] = s[0];
          d[1] = s[1];
          d[2] = s[2];
        }
      } else {
        for (int x = 0; x < width_; ++x, s += 3, d += 2) {
          const uint32_t w = uint32_t(s[2] >> 3) << 10 | uint32_t(s[1] >> 3) << 5 | s[0] >> 3;
          d[0] = static_cast<uint8_t>(w);
          d[1] = static_cast<uint8_t>(w >> 8);
        }
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }

  if (masked) {
    PutBmpHeaders(out, stripW, static_cast<int>(stripH), 1, 2,
                  static_cast<uint32_t>(maskStride * stripH));
    Put32(out, 0x00000000);
    Put32(out, 0x00FFFFFF);
    std::vector<uint8_t> bits(static_cast<size_t>(maskStride));
    const size_t cellBytes = size_t(width_ + 7) / 8;
    for (int64_t y = stripH - 1; y >= 0; --y) {
      std::fill(bits.begin(), bits.end(), 0);
      const int cellRow = static_cast<int>(y / height_), inCell = static_cast<int>(y % height_);
      for (int c = 0; c < kStripColumns; ++c) {
        const int k = cellRow * kStripColumns + c;
        if (k >= count) break;
        const std::vector<uint8_t>& m = masks_[size_t(k)];
        if (m.empty()) continue;
        for (int x = 0; x < width_; ++x)
          if ((m[size_t(inCell) * cellBytes + size_t(x / 8)] >> (7 - x % 8)) & 1) {
            const int sx = c * width_ + x;
            bits[size_t(sx / 8)] |= static_cast<uint8_t>(0x80 >> (sx % 8));
          }
      }
      out.insert(out.end(), bits.begin(), bits.end());
    }
  }
  out.insert(out.end(), static_cast<size_t>(std::max(layout.TrailingZeros, 0)), 0);
}

void TImageList::ReadStrip(const uint8_t* data, size_t size) {
  if (size < 28) Bad("strip header cut short");
  if (data[0] != 'I' || data[1] != 'L' || Get32(data) == Get32(data + 4)) Bad("not an image strip");
  if (Get16(data + 2) != kStripVersion) Bad("strip version");
  const int count = static_cast<int>(Get16(data + 4));
  const int cx = static_cast<int>(Get16(data + 10)), cy = static_cast<int>(Get16(data + 12));
  if (cx < 1 || cy < 1 || cx > kMaxCellSide || cy > kMaxCellSide) Bad("strip cell size");
  if (int64_t(count) * cx * cy > kMaxPixels) Bad("strip too large");
  const uint16_t flags = static_cast<uint16_t>(Get16(data + 18));
  const int rowsNeeded = (count + kStripColumns - 1) / kStripColumns * cy;

  const StripView colour = ParseBmp(data, size, 28, false);
  if (colour.Width != kStripColumns * cx || colour.Height < rowsNeeded) Bad("strip dimensions");
  StripView mask;
  bool masked = flags & kStripFlagMasked;
  if (masked) {
    mask = ParseBmp(data, size, colour.End, true);
    if (mask.Width != colour.Width || mask.Height < rowsNeeded) Bad("mask dimensions");
    // Thumbnails are opaque: an all-clear mask needs no per-image bits.
    const uint8_t* end = mask.Rows + mask.Stride * mask.Height;
    masked = std::find_if(mask.Rows, end, [](uint8_t b) { return b != 0; }) != end;
  }
  // Whatever follows (zero bytes some writers append) is not ours to read.

  std::vector<TBitmap> images;
  std::vector<std::vector<uint8_t>> masks;
  images.reserve(size_t(count));
  masks.reserve(size_t(count));
  const size_t cellBytes = size_t(cx + 7) / 8;
  for (int k = 0; k < count; ++k) {
    const int x0 = (k % kStripColumns) * cx, y0 = (k / kStripColumns) * cy;
    TBitmap cell(cx, cy, TPixelFormat::pf24bit);
    for (int y = 0; y < cy; ++y) ReadColourRow(colour, y0 + y, x0, cx, cell.ScanLine(y));
    std::vector<uint8_t> bits;
    if (masked) {
      bool any = false;
      std::vector<uint8_t> m(cellBytes * size_t(cy), 0);
      for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
          if (MaskBit(mask, y0 + y, x0 + x)) {
            m[size_t(y) * cellBytes + size_t(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
            any = true;
          }
      if (any) bits = std::move(m);
    }
    images.push_back(std::move(cell));
    masks.push_back(std::move(bits));
  }

  width_ = cx;
  height_ = cy;
  images_ = std::move(images);
  masks_ = std::move(masks);
  BkColor = Get32(data + 14);
  Flags = flags;
  for (int i = 0; i < 4; ++i) Overlays[i] = static_cast<int16_t>(Get16(data + 20 + 2 * i));
}

}  // namespace verid
