#include "imaging/Transforms.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace verid {

namespace {

// Tiles of a quarter turn: tall and narrow, so each target row gets a long run of
// consecutive writes while the source columns being read stay in the cache.
constexpr int kTile = 512;  // source rows
constexpr int kTileX = 16;  // source columns

using Rows = std::vector<uint8_t*>;
using CRows = std::vector<const uint8_t*>;

CRows RowsOf(const TBitmap& b) {
  CRows rows(size_t(b.Height()));
  for (int y = 0; y < b.Height(); ++y) rows[size_t(y)] = b.ScanLine(y);
  return rows;
}

Rows RowsOf(TBitmap& b) {
  Rows rows(size_t(b.Height()));
  for (int y = 0; y < b.Height(); ++y) rows[size_t(y)] = b.ScanLine(y);
  return rows;
}

inline uint8_t GetNibble(const uint8_t* row, int x) {
  return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
}
inline void SetNibble(uint8_t* row, int x, uint8_t v) {
  uint8_t& b = row[x >> 1];
  b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | v) : static_cast<uint8_t>((b & 0x0F) | (v << 4));
}

int UnitBytes(TPixelFormat f) {
  switch (f) {
    case TPixelFormat::pf8bit:
      return 1;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
      return 2;
    case TPixelFormat::pf24bit:
      return 3;
    case TPixelFormat::pf32bit:
      return 4;
    default:
      return 0;  // 4 bits: nibbles
  }
}

// Checks the source and makes the output (or, for 1 bit, the unchanged copy).
bool Prepare(const TBitmap& src, int outW, int outH, TBitmap& out, bool clear = false) {
  if (src.Empty()) throw ERotateError(kBitmapSizeError);
  if (src.PixelFormat() == TPixelFormat::pf1bit) {
    out = src;
    return false;
  }
  switch (src.PixelFormat()) {
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit:
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
    case TPixelFormat::pf24bit:
    case TPixelFormat::pf32bit:
      break;
    default:
      throw ERotateError(kIllegalBitmap);
  }
  // Flips and turns write every pixel; then only the row padding needs clearing.
  out.Allocate(outW, outH, src.PixelFormat(), clear);
  const int64_t used =
      (int64_t(outW) * (BitsOf(src.PixelFormat()) == 15 ? 16 : BitsOf(src.PixelFormat())) + 7) / 8;
  for (int y = 0; y < outH && !clear; ++y)
    std::memset(out.ScanLine(y) + used - 1, 0, size_t(out.Stride() - used + 1));
  out.SetPalette(src.Palette());
  out.SetTransparentColor(src.TransparentColor());
  out.SetTransparent(src.Transparent());
  out.Modified = false;
  return true;
}

template <int N>
void RotateRightUnits(const CRows& s, const Rows& o, int w, int h) {
  for (int y0 = 0; y0 < h; y0 += kTile) {
    const int y1 = std::min(h, y0 + kTile);
    for (int x0 = 0; x0 < w; x0 += kTileX) {
      const int x1 = std::min(w, x0 + kTileX);
      for (int x = x0; x < x1; ++x) {
        uint8_t* out = o[size_t(x)];
        for (int y = y0; y < y1; ++y)
          std::memcpy(out + int64_t(h - 1 - y) * N, s[size_t(y)] + int64_t(x) * N, N);
      }
    }
  }
}

// 3-byte pixels moved as 4-byte words: four source rows at a time make three 32-bit
// target words, and a single pixel's spare byte lands on the next target pixel, which is
// written right after, so each target run is filled from its low address up. The run's
// last pixel, and reads of a source row's last pixel, use exact 3-byte copies.
template <>
void RotateRightUnits<3>(const CRows& s, const Rows& o, int w, int h) {
  // Rows of one raster lie a fixed stride apart.
  const int64_t stride = h > 1 ? s[1] - s[0] : 0;
  auto load = [](const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  };
  for (int y0 = 0; y0 < h; y0 += kTile) {
    const int y1 = std::min(h, y0 + kTile);
    for (int x0 = 0; x0 < w; x0 += kTileX) {
      const int x1 = std::min(w, x0 + kTileX);
      for (int x = x0; x < x1; ++x) {
        uint8_t* out = o[size_t(x)] + int64_t(h - y1) * 3;
        const int64_t sx = int64_t(x) * 3;
        int y = y1 - 1;
        if (x + 1 < w) {
          const uint8_t* p = s[size_t(y)] + sx;
          for (; y - 3 > y0; y -= 4, p -= 4 * stride, out += 12) {
            const uint32_t p0 = load(p) & 0xFFFFFF, p1 = load(p - stride) & 0xFFFFFF;
            const uint32_t p2 = load(p - 2 * stride), p3 = load(p - 3 * stride);
            const uint64_t low = p0 | uint64_t(p1) << 24 | uint64_t(p2) << 48;
            const uint32_t high = (p2 & 0xFFFFFF) >> 16 | p3 << 8;
            std::memcpy(out, &low, 8);
            std::memcpy(out + 8, &high, 4);
          }
          for (; y > y0; --y, p -= stride, out += 3) {
            const uint32_t v = load(p);
            std::memcpy(out, &v, 4);
          }
        } else {
          for (; y > y0; --y, out += 3) std::memcpy(out, s[size_t(y)] + sx, 3);
        }
        std::memcpy(out, s[size_t(y0)] + sx, 3);
      }
    }
  }
}

template <int N>
void RotateLeftUnits(const CRows& s, const Rows& o, int w, int h) {
  for (int y0 = 0; y0 < h; y0 += kTile) {
    const int y1 = std::min(h, y0 + kTile);
    for (int x0 = 0; x0 < w; x0 += kTileX) {
      const int x1 = std::min(w, x0 + kTileX);
      for (int x = x0; x < x1; ++x) {
        uint8_t* out = o[size_t(w - 1 - x)];
        for (int y = y0; y < y1; ++y)
          std::memcpy(out + int64_t(y) * N, s[size_t(y)] + int64_t(x) * N, N);
      }
    }
  }
}

template <int N>
void MirrorUnits(const uint8_t* s, uint8_t* o, int w) {
  for (int x = 0; x < w; ++x) std::memcpy(o + int64_t(w - 1 - x) * N, s + int64_t(x) * N, N);
}

enum class Turn { Right, Left };

TBitmap Rotate(const TBitmap& source, Turn turn) {
  const int w = source.Width(), h = source.Height();
  TBitmap out;
  if (!Prepare(source, h, w, out)) return out;
  CRows s = RowsOf(source);
  Rows o = RowsOf(out);
  const bool right = turn == Turn::Right;
  switch (UnitBytes(source.PixelFormat())) {
    case 1:
      right ? RotateRightUnits<1>(s, o, w, h) : RotateLeftUnits<1>(s, o, w, h);
      break;
    case 2:
      right ? RotateRightUnits<2>(s, o, w, h) : RotateLeftUnits<2>(s, o, w, h);
      break;
    case 3:
      right ? RotateRightUnits<3>(s, o, w, h) : RotateLeftUnits<3>(s, o, w, h);
      break;
    case 4:
      right ? RotateRightUnits<4>(s, o, w, h) : RotateLeftUnits<4>(s, o, w, h);
      break;
    default:
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          uint8_t v = GetNibble(s[size_t(y)], x);
          if (right)
            SetNibble(o[size_t(x)], h - 1 - y, v);
          else
            SetNibble(o[size_t(w - 1 - x)], y, v);
        }
  }
  return out;
}

}  // namespace

bool TransformSupported(const TBitmap& source) {
  return source.PixelFormat() != TPixelFormat::pf1bit;
}

TBitmap Trim(const TBitmap& source, int x1, int y1, int x2, int y2) {
  const int64_t ow = std::llabs(int64_t(x2) - x1) + 1, oh = std::llabs(int64_t(y2) - y1) + 1;
  if (ow > INT32_MAX || oh > INT32_MAX) throw EInvalidGraphic(kInvalidBitmapMessage);
  TBitmap out;
  if (!Prepare(source, int(ow), int(oh), out, true)) return out;
  if (x2 < x1 || y2 < y1) return out;
  // Only the part inside the source is read.
  const int sx0 = std::max(x1, 0), sx1 = std::min(x2, source.Width() - 1);
  const int sy0 = std::max(y1, 0), sy1 = std::min(y2, source.Height() - 1);
  if (sx0 > sx1 || sy0 > sy1) return out;
  CRows s = RowsOf(source);
  Rows o = RowsOf(out);
  const int n = UnitBytes(source.PixelFormat());
  for (int y = sy0; y <= sy1; ++y) {
    const uint8_t* src = s[size_t(y)];
    uint8_t* dst = o[size_t(y - y1)];
    if (n) {
      std::memcpy(dst + int64_t(sx0 - x1) * n, src + int64_t(sx0) * n,
                  size_t(sx1 - sx0 + 1) * size_t(n));
    } else {
      for (int x = sx0; x <= sx1; ++x) SetNibble(dst, x - x1, GetNibble(src, x));
    }
  }
  return out;
}

TBitmap FlipVertical(const TBitmap& source) {
  const int w = source.Width(), h = source.Height();
  TBitmap out;
  if (!Prepare(source, w, h, out)) return out;
  CRows s = RowsOf(source);
  Rows o = RowsOf(out);
  const size_t bytes = size_t(std::min(source.Stride(), out.Stride()));
  for (int y = 0; y < h; ++y) std::memcpy(o[size_t(h - 1 - y)], s[size_t(y)], bytes);
  return out;
}

TBitmap FlipHorizontal(const TBitmap& source) {
  const int w = source.Width(), h = source.Height();
  TBitmap out;
  if (!Prepare(source, w, h, out)) return out;
  CRows s = RowsOf(source);
  Rows o = RowsOf(out);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = s[size_t(y)];
    uint8_t* dst = o[size_t(y)];
    switch (UnitBytes(source.PixelFormat())) {
      case 1:
        MirrorUnits<1>(src, dst, w);
        break;
      case 2:
        MirrorUnits<2>(src, dst, w);
        break;
      case 3:
        MirrorUnits<3>(src, dst, w);
        break;
      case 4:
        MirrorUnits<4>(src, dst, w);
        break;
      default:
        for (int x = 0; x < w; ++x) SetNibble(dst, w - 1 - x, GetNibble(src, x));
    }
  }
  return out;
}

TBitmap RotateRight90(const TBitmap& source) {
  return Rotate(source, Turn::Right);
}
TBitmap RotateLeft90(const TBitmap& source) {
  return Rotate(source, Turn::Left);
}

// --- turns -----------------------------------------------------------------------------

namespace {

// Each turn as the 2 x 2 matrix it applies to coordinates about the picture's centre
// (x to the right, y down): {a, b, c, d} maps (x, y) to (a x + b y, c x + d y).
struct Matrix {
  int a, b, c, d;
  bool operator==(const Matrix&) const = default;
};

constexpr Matrix kMatrices[8] = {
    {1, 0, 0, 1},    // None
    {-1, 0, 0, 1},   // FlipHorizontal
    {-1, 0, 0, -1},  // Rotate180
    {1, 0, 0, -1},   // FlipVertical
    {0, 1, 1, 0},    // Transpose
    {0, -1, 1, 0},   // RotateRight
    {0, -1, -1, 0},  // Transverse
    {0, 1, -1, 0},   // RotateLeft
};

Matrix MatrixOf(TTurn turn) {
  return kMatrices[static_cast<int>(turn) - 1];
}

TTurn TurnOf(const Matrix& m) {
  for (int i = 0; i < 8; ++i)
    if (kMatrices[i] == m) return static_cast<TTurn>(i + 1);
  return TTurn::None;
}

}  // namespace

TTurn TurnOfOrientation(int orientation) {
  return orientation >= 1 && orientation <= 8 ? static_cast<TTurn>(orientation) : TTurn::None;
}

TTurn Then(TTurn first, TTurn second) {
  const Matrix f = MatrixOf(first), s = MatrixOf(second);
  return TurnOf(
      {s.a * f.a + s.b * f.c, s.a * f.b + s.b * f.d, s.c * f.a + s.d * f.c, s.c * f.b + s.d * f.d});
}

TTurn Inverse(TTurn turn) {
  switch (turn) {
    case TTurn::RotateRight:
      return TTurn::RotateLeft;
    case TTurn::RotateLeft:
      return TTurn::RotateRight;
    default:
      return turn;  // the rest undo themselves
  }
}

bool SwapsSides(TTurn turn) {
  return MatrixOf(turn).a == 0;
}

TBitmap ApplyTurn(const TBitmap& source, TTurn turn) {
  switch (turn) {
    case TTurn::FlipHorizontal:
      return FlipHorizontal(source);
    case TTurn::Rotate180:
      return FlipVertical(FlipHorizontal(source));
    case TTurn::FlipVertical:
      return FlipVertical(source);
    case TTurn::Transpose:
      return FlipHorizontal(RotateRight90(source));
    case TTurn::RotateRight:
      return RotateRight90(source);
    case TTurn::Transverse:
      return FlipVertical(RotateRight90(source));
    case TTurn::RotateLeft:
      return RotateLeft90(source);
    default:
      return source;
  }
}

}  // namespace verid
