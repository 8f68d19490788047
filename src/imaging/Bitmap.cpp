#include "imaging/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace verid {

int BitsOf(TPixelFormat format) {
  return static_cast<int>(format);
}

static int StorageBits(TPixelFormat format) {
  return format == TPixelFormat::pf15bit ? 16 : BitsOf(format);
}

int64_t StrideFor(int width, TPixelFormat format) {
  if (width <= 0) return 0;
  return ((int64_t(width) * StorageBits(format) + 31) / 32) * 4;
}

bool TDecodeLimits::Fits(int64_t width, int64_t height, TPixelFormat format) const {
  constexpr int64_t kIntMax = 2147483647;
  if (width < 0 || height < 0 || width > kIntMax || height > kIntMax) return false;
  if (width == 0 || height == 0) return true;
  // Both below 2^31: the product cannot overflow 64 bits.
  if (width * height > MaxPixels) return false;
  const int64_t stride = StrideFor(static_cast<int>(width), format);
  return stride <= MaxRasterBytes / height;
}

static bool ValidFormat(TPixelFormat format) {
  switch (format) {
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit:
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
    case TPixelFormat::pf24bit:
    case TPixelFormat::pf32bit:
      return true;
  }
  return false;
}

TBitmap::TBitmap(int width, int height, TPixelFormat format) {
  Allocate(width, height, format);
}

TBitmap::TBitmap(const TBitmap& other)
    : TGraphic(other),
      width_(other.width_),
      height_(other.height_),
      format_(other.format_),
      stride_(other.stride_),
      palette_(other.palette_),
      transparentColor_(other.transparentColor_) {
  if (other.bits_) {
    size_t n = static_cast<size_t>(stride_ * height_);
    bits_ = NewPixels(n, false);
    std::memcpy(bits_.get(), other.bits_.get(), n);
  }
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this != &other) {
    TBitmap copy(other);
    *this = std::move(copy);
  }
  return *this;
}

TBitmap::TBitmap(TBitmap&& other) noexcept
    : TGraphic(std::move(other)),
      width_(other.width_),
      height_(other.height_),
      format_(other.format_),
      stride_(other.stride_),
      bits_(std::move(other.bits_)),
      palette_(std::move(other.palette_)),
      transparentColor_(other.transparentColor_) {
  other.width_ = other.height_ = 0;
  other.stride_ = 0;
}

TBitmap& TBitmap::operator=(TBitmap&& other) noexcept {
  if (this != &other) {
    TGraphic::operator=(std::move(other));
    TakePixels(other);
    other.width_ = other.height_ = 0;
    other.stride_ = 0;
  }
  return *this;
}

TBitmap::~TBitmap() = default;

// Rasters this large get fresh pages from the system at almost every allocation anyway
// (the C library maps them on their own, or gives its heap's top back when they are
// freed); mapped here they come in large pages, with a small fraction of the page faults,
// which are most of the cost of making a picture's raster on a virtual machine.
constexpr size_t kMappedPixels = size_t(2) << 20;

void TPixelRelease::operator()(uint8_t* bits) const {
  if (Mapped)
    std::default_delete<TBigBuffer>()(Mapped);  // unmaps
  else
    std::default_delete<uint8_t[]>()(bits);
}

TBitmap::TPixels TBitmap::NewPixels(size_t size, bool clear) {
  if (size >= kMappedPixels) {
    auto buffer = std::make_unique<TBigBuffer>();
    if (!buffer->Allocate(size, true)) throw std::bad_alloc();
    uint8_t* bits = buffer->Data();  // mapped pages read as zero
    return TPixels(bits, TPixelRelease{buffer.release()});
  }
  auto bits =
      clear ? std::make_unique<uint8_t[]>(size) : std::make_unique_for_overwrite<uint8_t[]>(size);
  return TPixels(bits.release(), TPixelRelease{});
}

void TBitmap::TakePixels(TBitmap& other) {
  width_ = other.width_;
  height_ = other.height_;
  format_ = other.format_;
  stride_ = other.stride_;
  bits_ = std::move(other.bits_);
  palette_ = std::move(other.palette_);
  transparentColor_ = other.transparentColor_;
}

void TBitmap::Allocate(int width, int height, TPixelFormat format, bool clear) {
  if (width < 0 || height < 0 || !ValidFormat(format)) throw EInvalidGraphic(kInvalidBitmapMessage);
  if (!kDecodeLimits.Fits(width, height, format)) throw EInvalidGraphic(kInvalidBitmapMessage);
  int64_t stride = StrideFor(width, format);
  TPixels bits;
  size_t n = static_cast<size_t>(stride * height);
  if (n > 0) bits = NewPixels(n, clear);
  bits_ = std::move(bits);
  width_ = width;
  height_ = height;
  format_ = format;
  stride_ = stride;
}

void TBitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  auto oldBits = std::move(bits_);
  int oldW = width_, oldH = height_;
  int64_t oldStride = stride_;
  try {
    Allocate(width, height, format_);
  } catch (...) {
    bits_ = std::move(oldBits);
    width_ = oldW;
    height_ = oldH;
    stride_ = oldStride;
    throw;
  }
  int keepW = std::min(width, oldW), keepH = std::min(height, oldH);
  if (oldBits && bits_ && keepW > 0) {
    int64_t bits = int64_t(keepW) * StorageBits(format_);
    size_t whole = static_cast<size_t>(bits / 8);
    int rest = static_cast<int>(bits % 8);
    for (int y = 0; y < keepH; ++y) {
      const uint8_t* src = oldBits.get() + y * oldStride;
      uint8_t* dst = bits_.get() + y * stride_;
      std::memcpy(dst, src, whole);
      if (rest) {
        uint8_t mask = static_cast<uint8_t>(0xFF << (8 - rest));
        dst[whole] = src[whole] & mask;
      }
    }
  }
  Changed();
}

void TBitmap::Clear() {
  bits_.reset();
  width_ = height_ = 0;
  stride_ = 0;
  Changed();
}

void TBitmap::SetPalette(std::vector<TRGBQuad> palette) {
  if (palette.size() > 256) palette.resize(256);
  palette_ = std::move(palette);
  Changed();
}

std::vector<TRGBQuad> TBitmap::GreyPalette(int count) {
  std::vector<TRGBQuad> pal;
  if (count <= 0) return pal;
  count = std::min(count, 256);
  pal.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    auto v = static_cast<uint8_t>(count == 1 ? 0 : (i * 255 + (count - 1) / 2) / (count - 1));
    pal[static_cast<size_t>(i)] = TRGBQuad{v, v, v, 0};
  }
  return pal;
}

uint32_t TBitmap::PixelValue(int x, int y) const {
  const uint8_t* row = ScanLine(y);
  switch (format_) {
    case TPixelFormat::pf1bit:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case TPixelFormat::pf4bit:
      return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case TPixelFormat::pf8bit:
      return row[x];
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
      return uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8);
    case TPixelFormat::pf24bit: {
      const uint8_t* p = row + 3 * int64_t(x);
      return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    case TPixelFormat::pf32bit: {
      const uint8_t* p = row + 4 * int64_t(x);
      return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
  }
  return 0;
}

static inline uint32_t Expand5(uint32_t v) {
  return (v << 3) | (v >> 2);
}
static inline uint32_t Expand6(uint32_t v) {
  return (v << 2) | (v >> 4);
}

uint32_t TBitmap::PixelRGB(int x, int y) const {
  uint32_t v = PixelValue(x, y);
  switch (format_) {
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit: {
      if (v >= palette_.size()) return 0;
      const TRGBQuad& q = palette_[v];
      return uint32_t(q.Red) << 16 | uint32_t(q.Green) << 8 | q.Blue;
    }
    case TPixelFormat::pf15bit:
      return Expand5((v >> 10) & 31) << 16 | Expand5((v >> 5) & 31) << 8 | Expand5(v & 31);
    case TPixelFormat::pf16bit:
      return Expand5((v >> 11) & 31) << 16 | Expand6((v >> 5) & 63) << 8 | Expand5(v & 31);
    default:
      return v;
  }
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (!ValidFormat(format)) throw EInvalidGraphic(kInvalidBitmapMessage);
  if (format == format_) return;
  int w = width_, h = height_;
  if (BitsOf(format) <= 8 || Empty()) {
    Allocate(w, h, format);
    Changed();
    return;
  }
  TBitmap out;
  out.Allocate(w, h, format, false);
  // Rows are written whole, so the padding bytes are cleared explicitly.
  for (int y = 0; y < h; ++y) {
    uint8_t* dst = out.ScanLine(y);
    std::memset(dst, 0, static_cast<size_t>(out.stride_));
    for (int x = 0; x < w; ++x) {
      uint32_t c = PixelRGB(x, y);
      uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      switch (format) {
        case TPixelFormat::pf15bit: {
          uint32_t v = (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
          dst[2 * x] = static_cast<uint8_t>(v);
          dst[2 * x + 1] = static_cast<uint8_t>(v >> 8);
          break;
        }
        case TPixelFormat::pf16bit: {
          uint32_t v = (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
          dst[2 * x] = static_cast<uint8_t>(v);
          dst[2 * x + 1] = static_cast<uint8_t>(v >> 8);
          break;
        }
        case TPixelFormat::pf24bit: {
          uint8_t* p = dst + 3 * int64_t(x);
          p[0] = static_cast<uint8_t>(b);
          p[1] = static_cast<uint8_t>(g);
          p[2] = static_cast<uint8_t>(r);
          break;
        }
        default: {
          uint8_t* p = dst + 4 * int64_t(x);
          p[0] = static_cast<uint8_t>(b);
          p[1] = static_cast<uint8_t>(g);
          p[2] = static_cast<uint8_t>(r);
          p[3] = 0;
          break;
        }
      }
    }
  }
  // A transparent palette index means nothing without the palette: keep it as its colour.
  if (Indexed() && (transparentColor_ & kPaletteIndexFlag)) {
    size_t index = static_cast<size_t>(transparentColor_ & 0xFF);
    if (index < palette_.size()) {
      const TRGBQuad& q = palette_[index];
      transparentColor_ = RGBColor(q.Red, q.Green, q.Blue);
    }
  }
  bits_ = std::move(out.bits_);
  stride_ = out.stride_;
  format_ = format;
  Changed();
}

void TBitmap::Assign(const TGraphic& source) {
  if (&source == this) return;
  const TBitmap& raster = source.ColorRaster();  // a JPEG may decode (and throw) here
  if (&raster != this) {
    TBitmap copy(raster);
    TakePixels(copy);
  }
  transparent_ = source.Transparent() || raster.Transparent();
  Changed();
}

// --- BMP --------------------------------------------------------------------------------

namespace {

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

}  // namespace

void TBitmap::SaveToStream(TStream& stream) {
  // 15-bit rasters are plain BI_RGB 16-bit files (5-5-5 is that format's layout); 5-6-5
  // needs bit-field masks after the header.
  const bool masks = format_ == TPixelFormat::pf16bit;
  const int bitCount = StorageBits(format_);
  size_t colours = Indexed() ? size_t(1) << BitsOf(format_) : 0;
  std::vector<TRGBQuad> table = palette_;
  if (Indexed()) table.resize(colours);
  const int64_t stride = StrideFor(width_, format_);
  const int64_t imageSize = stride * height_;
  const uint32_t offBits = 14 + 40 + (masks ? 12 : 0) + static_cast<uint32_t>(colours * 4);
  const int64_t fileSize = offBits + imageSize;
  if (fileSize > 0xFFFFFFFFll) throw EInvalidGraphic(kInvalidBitmapMessage);

  std::vector<uint8_t> head(offBits, 0);
  head[0] = 'B';
  head[1] = 'M';
  Put32(&head[2], static_cast<uint32_t>(fileSize));
  Put32(&head[10], offBits);
  uint8_t* info = &head[14];
  Put32(info, 40);
  Put32(info + 4, static_cast<uint32_t>(width_));
  Put32(info + 8, static_cast<uint32_t>(height_));
  Put16(info + 12, 1);
  Put16(info + 14, static_cast<uint32_t>(bitCount));
  Put32(info + 16, masks ? 3 : 0);
  Put32(info + 20, static_cast<uint32_t>(imageSize));
  Put32(info + 24, 3780);  // 96 dpi
  Put32(info + 28, 3780);
  Put32(info + 32, static_cast<uint32_t>(colours));
  uint8_t* after = info + 40;
  if (masks) {
    Put32(after, 0xF800);
    Put32(after + 4, 0x07E0);
    Put32(after + 8, 0x001F);
    after += 12;
  }
  for (size_t i = 0; i < colours; ++i) {
    after[4 * i] = table[i].Blue;
    after[4 * i + 1] = table[i].Green;
    after[4 * i + 2] = table[i].Red;
    after[4 * i + 3] = 0;
  }
  stream.WriteBuffer(head.data(), static_cast<int64_t>(head.size()));
  for (int y = height_ - 1; y >= 0; --y) stream.WriteBuffer(ScanLine(y), stride);
}

namespace {

[[noreturn]] void Invalid() {
  throw EInvalidGraphic(kInvalidBitmapMessage);
}

uint32_t Get16(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t Get32(const uint8_t* p) {
  return Get16(p) | Get16(p + 2) << 16;
}

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6 };

// One colour channel of a bit-field pixel: where it sits and how to widen it to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0, bits = 0;
  explicit Channel(uint32_t m = 0) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) ++shift;
    while (bits < 32 - shift && ((m >> (shift + bits)) & 1)) ++bits;
  }
  uint8_t operator()(uint32_t v) const {
    if (!mask) return 0;
    uint32_t c = (v & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(c >> (bits - 8));
    // Repeat the bits to fill the byte, so full scale maps to 255.
    uint32_t out = 0;
    int have = 0;
    while (have < 8) {
      out = (out << bits) | c;
      have += bits;
    }
    return static_cast<uint8_t>(out >> (have - 8));
  }
};

// Decodes run-length data into a bottom-up indexed raster. Runs past the row are clipped;
// a stream that ends before the last row is damaged.
void DecodeRle(TBitmap& bmp, const uint8_t* p, const uint8_t* end, bool four) {
  const int w = bmp.Width(), h = bmp.Height();
  int x = 0, y = 0;  // y counts from the bottom row
  auto put = [&](uint32_t v) {
    if (x < w && y < h) {
      uint8_t* row = bmp.ScanLine(h - 1 - y);
      if (four) {
        uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (v & 0x0F))
                    : static_cast<uint8_t>((b & 0x0F) | ((v & 0x0F) << 4));
      } else {
        row[x] = static_cast<uint8_t>(v);
      }
    }
    ++x;
  };
  while (y < h) {
    // Data that ends after the last row's end-of-line (no end-of-bitmap code) leaves the
    // loop above; ending anywhere earlier is damage.
    if (end - p < 2) Invalid();
    uint32_t count = p[0], value = p[1];
    p += 2;
    if (count > 0) {
      for (uint32_t i = 0; i < count; ++i)
        put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // delta
      if (end - p < 2) Invalid();
      x += p[0];
      y += p[1];
      p += 2;
    } else {  // absolute run, padded to a 16-bit boundary
      size_t bytes = four ? (value + 1) / 2 : value;
      size_t padded = (bytes + 1) & ~size_t(1);
      if (static_cast<size_t>(end - p) < bytes) Invalid();
      for (uint32_t i = 0; i < value; ++i)
        put(four ? ((i & 1) ? p[i >> 1] & 0x0F : p[i >> 1] >> 4) : p[i]);
      p += std::min(padded, static_cast<size_t>(end - p));
    }
  }
}

}  // namespace

void TBitmap::LoadFromMemory(const uint8_t* data, size_t size) {
  if (size < 14 + 12 || data[0] != 'B' || data[1] != 'M') Invalid();
  const uint32_t offBits = Get32(data + 10);
  const uint32_t headerSize = Get32(data + 14);
  if (headerSize < 12 || headerSize > size - 14) Invalid();
  const uint8_t* hdr = data + 14;

  const bool core = headerSize == 12;
  int64_t width, height;
  uint32_t bitCount, compression = kBiRgb, clrUsed = 0;
  uint32_t masks[4] = {0, 0, 0, 0};
  size_t afterHeader = 14 + headerSize;
  if (core) {
    width = Get16(hdr + 4);
    height = Get16(hdr + 6);
    bitCount = Get16(hdr + 10);
  } else {
    // OS/2 2.x headers (16..64 bytes) share the first fields; absent fields are zero.
    uint8_t info[56] = {};
    std::memcpy(info, hdr, std::min<size_t>(headerSize, sizeof info));
    width = static_cast<int32_t>(Get32(info + 4));
    height = static_cast<int32_t>(Get32(info + 8));
    bitCount = Get16(info + 14);
    compression = Get32(info + 16);
    clrUsed = Get32(info + 32);
    if (headerSize >= 52) {
      for (int i = 0; i < 3; ++i) masks[i] = Get32(info + 40 + 4 * i);
      if (headerSize >= 56) masks[3] = Get32(info + 52);
    } else if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
      int n = compression == kBiBitfields ? 3 : 4;
      if (size < afterHeader + 4 * size_t(n)) Invalid();
      for (int i = 0; i < n; ++i) masks[i] = Get32(data + afterHeader + 4 * i);
      afterHeader += 4 * size_t(n);
    }
  }

  bool topDown = false;
  if (height < 0) {
    topDown = true;
    height = -height;
  }
  // The header against the ceiling before anything is allocated; the smallest format
  // here, the raster checks the one it gets.
  if (width <= 0 || height <= 0 || !kDecodeLimits.Fits(width, height, TPixelFormat::pf1bit))
    Invalid();

  switch (compression) {
    case kBiRgb:
      if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
          bitCount != 32)
        Invalid();
      if (core && (bitCount == 16 || bitCount == 32)) Invalid();
      break;
    case kBiRle8:
      if (bitCount != 8 || topDown) Invalid();
      break;
    case kBiRle4:
      if (bitCount != 4 || topDown) Invalid();
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (bitCount != 16 && bitCount != 32) Invalid();
      if (!masks[0] && !masks[1] && !masks[2]) Invalid();
      break;
    default:
      Invalid();
  }

  TBitmap out;
  const int w = static_cast<int>(width), h = static_cast<int>(height);

  // Colour table: as many entries as the header says (short and long tables occur).
  if (bitCount <= 8) {
    const size_t full = size_t(1) << bitCount;
    size_t count = clrUsed ? clrUsed : full;
    const size_t entry = core ? 3 : 4;
    size_t room = (size - afterHeader) / entry;
    if (offBits > afterHeader && offBits <= size) room = (offBits - afterHeader) / entry;
    if (clrUsed == 0 || count > room) count = std::min(count, room);
    if (count == 0) Invalid();
    std::vector<TRGBQuad> pal(std::min<size_t>(count, full));
    for (size_t i = 0; i < pal.size(); ++i) {
      const uint8_t* q = data + afterHeader + i * entry;
      pal[i] = TRGBQuad{q[0], q[1], q[2], 0};
    }
    out.palette_ = std::move(pal);
    afterHeader += count * entry;
  }
  size_t pixelStart = afterHeader;
  if (offBits >= 14 + headerSize && offBits < size) pixelStart = offBits;
  if (pixelStart > size) Invalid();
  const uint8_t* pixels = data + pixelStart;
  const uint8_t* end = data + size;

  if (compression == kBiRle8 || compression == kBiRle4) {
    out.Allocate(w, h, compression == kBiRle8 ? TPixelFormat::pf8bit : TPixelFormat::pf4bit);
    DecodeRle(out, pixels, end, compression == kBiRle4);
  } else {
    const int64_t srcStride = ((width * bitCount + 31) / 32) * 4;
    if (srcStride * height > static_cast<int64_t>(end - pixels)) Invalid();
    auto srcRow = [&](int y) { return pixels + (topDown ? y : h - 1 - y) * srcStride; };

    uint32_t r = masks[0], g = masks[1], b = masks[2], a = masks[3];
    if (compression == kBiRgb && bitCount == 16) {
      r = 0x7C00, g = 0x03E0, b = 0x001F;
    }
    TPixelFormat fmt;
    bool copyRows = true;
    switch (bitCount) {
      case 1:
        fmt = TPixelFormat::pf1bit;
        break;
      case 4:
        fmt = TPixelFormat::pf4bit;
        break;
      case 8:
        fmt = TPixelFormat::pf8bit;
        break;
      case 24:
        fmt = TPixelFormat::pf24bit;
        break;
      case 16:
        if (r == 0x7C00 && g == 0x03E0 && b == 0x001F) {
          fmt = TPixelFormat::pf15bit;
        } else if (r == 0xF800 && g == 0x07E0 && b == 0x001F) {
          fmt = TPixelFormat::pf16bit;
        } else {
          fmt = TPixelFormat::pf32bit;
          copyRows = false;
        }
        break;
      default:
        fmt = TPixelFormat::pf32bit;
        copyRows = compression == kBiRgb ||
                   (r == 0xFF0000 && g == 0xFF00 && b == 0xFF && (a == 0 || a == 0xFF000000u));
        break;
    }
    out.Allocate(w, h, fmt, false);
    if (copyRows) {
      const size_t n = static_cast<size_t>(std::min(srcStride, out.stride_));
      for (int y = 0; y < h; ++y) std::memcpy(out.ScanLine(y), srcRow(y), n);
    } else {
      const Channel cr(r), cg(g), cb(b), ca(a);
      const int step = static_cast<int>(bitCount / 8);
      for (int y = 0; y < h; ++y) {
        const uint8_t* s = srcRow(y);
        uint8_t* d = out.ScanLine(y);
        for (int x = 0; x < w; ++x, s += step, d += 4) {
          uint32_t v = step == 2 ? Get16(s) : Get32(s);
          d[0] = cb(v);
          d[1] = cg(v);
          d[2] = cr(v);
          d[3] = ca(v);
        }
      }
    }
  }

  width_ = out.width_;
  height_ = out.height_;
  format_ = out.format_;
  stride_ = out.stride_;
  bits_ = std::move(out.bits_);
  palette_ = std::move(out.palette_);
  Changed();
  Modified = false;
}

void TBitmap::LoadFromStream(TStream& stream) {
  if (stream.Size() - stream.Position() <= 0) Invalid();
  UseRemainingBytes(stream,
                    [this](const uint8_t* data, size_t size) { LoadFromMemory(data, size); });
}

}  // namespace verid
