#include "imaging/Draw.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace verid {

namespace {

constexpr uint32_t kOne = 1u << 16;  // weights along one axis sum to this

// Which source pixels make one target pixel along an axis, and how much each counts.
struct AxisMap {
  std::vector<int> first, count;  // per target pixel
  std::vector<uint32_t> weight;   // flat, `count` entries per target pixel
  std::vector<int> offset;        // where a target pixel's weights start
};

AxisMap MapAxis(int src, int dst, int from, int to) {
  AxisMap m;
  const int n = to - from;
  m.first.resize(size_t(n));
  m.count.resize(size_t(n));
  m.offset.resize(size_t(n));
  for (int i = from; i < to; ++i) {
    const size_t k = size_t(i - from);
    m.offset[k] = static_cast<int>(m.weight.size());
    if (dst > src) {
      // Nearest source pixel to the target pixel's centre.
      m.first[k] = static_cast<int>((int64_t(2 * i + 1) * src) / (int64_t(2) * dst));
      m.count[k] = 1;
      m.weight.push_back(kOne);
      continue;
    }
    // Target pixel i covers [i*src, (i+1)*src) in units of 1/dst source pixel.
    const int64_t start = int64_t(i) * src, end = int64_t(i + 1) * src;
    const int j0 = static_cast<int>(start / dst), j1 = static_cast<int>((end - 1) / dst);
    m.first[k] = j0;
    m.count[k] = j1 - j0 + 1;
    uint32_t sum = 0;
    for (int j = j0; j <= j1; ++j) {
      int64_t overlap = std::min(end, int64_t(j + 1) * dst) - std::max(start, int64_t(j) * dst);
      uint32_t w = static_cast<uint32_t>((overlap * kOne + src / 2) / src);
      if (j == j1) w = kOne - sum;  // rounding never changes the total
      sum += w;
      m.weight.push_back(w);
    }
  }
  return m;
}

// Source rows as 0x00RRGGBB words, and which pixels are opaque.
class RowReader {
 public:
  RowReader(const TBitmap& src, bool transparent) : src_(src), row_(size_t(src.Width())) {
    const int bits = src.BitsPerPixel();
    if (bits <= 8) {
      const auto& pal = src.Palette();
      for (size_t i = 0; i < 256; ++i)
        lut_[i] = i < pal.size()
                      ? uint32_t(pal[i].Red) << 16 | uint32_t(pal[i].Green) << 8 | pal[i].Blue
                      : 0;
    }
    if (!transparent) return;
    const TColor tc = src.TransparentColor();
    if (tc & kPaletteIndexFlag) {
      if (bits <= 8) {
        keyIndex_ = tc & 0xFF;
      } else if (size_t(tc & 0xFF) < src.Palette().size()) {
        const TRGBQuad& q = src.Palette()[size_t(tc & 0xFF)];
        keyRGB_ = int64_t(q.Red) << 16 | q.Green << 8 | q.Blue;
      }
    } else {
      keyRGB_ = int64_t(RedOf(tc)) << 16 | GreenOf(tc) << 8 | BlueOf(tc);
    }
    if (keyIndex_ >= 0 || keyRGB_ >= 0) opaque_.resize(size_t(src.Width()));
  }

  bool Keyed() const { return !opaque_.empty(); }
  const uint32_t* Pixels() const { return row_.data(); }
  const uint8_t* Opaque() const { return opaque_.data(); }

  void Read(int y) {
    const int w = src_.Width();
    const uint8_t* s = src_.ScanLine(y);
    uint32_t* d = row_.data();
    switch (src_.PixelFormat()) {
      case TPixelFormat::pf32bit:
        for (int x = 0; x < w; ++x, s += 4) d[x] = uint32_t(s[2]) << 16 | s[1] << 8 | s[0];
        break;
      case TPixelFormat::pf24bit:
        for (int x = 0; x < w; ++x, s += 3) d[x] = uint32_t(s[2]) << 16 | s[1] << 8 | s[0];
        break;
      case TPixelFormat::pf8bit:
        for (int x = 0; x < w; ++x) d[x] = lut_[s[x]];
        break;
      default:
        for (int x = 0; x < w; ++x)
          d[x] = src_.BitsPerPixel() <= 8 ? lut_[src_.PixelValue(x, y)] : src_.PixelRGB(x, y);
    }
    if (!Keyed()) return;
    if (keyIndex_ >= 0) {
      for (int x = 0; x < w; ++x) opaque_[size_t(x)] = src_.PixelValue(x, y) != uint32_t(keyIndex_);
    } else {
      for (int x = 0; x < w; ++x) opaque_[size_t(x)] = d[x] != uint32_t(keyRGB_);
    }
  }

 private:
  const TBitmap& src_;
  std::vector<uint32_t> row_;
  std::vector<uint8_t> opaque_;
  uint32_t lut_[256] = {};
  int keyIndex_ = -1;
  int64_t keyRGB_ = -1;
};

// One source row averaged along x: per target column the weighted channel sums and the
// weight of its opaque pixels.
struct HRow {
  std::vector<uint32_t> b, g, r, o;
  explicit HRow(size_t n) : b(n), g(n), r(n), o(n) {}
};

void Horizontal(const RowReader& reader, const AxisMap& xs, HRow& out) {
  const uint32_t* px = reader.Pixels();
  const uint8_t* op = reader.Keyed() ? reader.Opaque() : nullptr;
  const size_t n = xs.first.size();
  for (size_t k = 0; k < n; ++k) {
    const int first = xs.first[k], count = xs.count[k];
    const uint32_t* w = &xs.weight[size_t(xs.offset[k])];
    uint32_t sb = 0, sg = 0, sr = 0, so = 0;
    if (count == 1 && !op) {
      const uint32_t c = px[first];
      out.b[k] = (c & 0xFF) * kOne;
      out.g[k] = (c >> 8 & 0xFF) * kOne;
      out.r[k] = (c >> 16 & 0xFF) * kOne;
      out.o[k] = kOne;
      continue;
    }
    for (int i = 0; i < count; ++i) {
      const uint32_t c = px[first + i];
      const uint32_t wi = op && !op[first + i] ? 0 : w[i];
      sb += (c & 0xFF) * wi;
      sg += (c >> 8 & 0xFF) * wi;
      sr += (c >> 16 & 0xFF) * wi;
      so += wi;
    }
    out.b[k] = sb;
    out.g[k] = sg;
    out.r[k] = sr;
    out.o[k] = so;
  }
}

// Whether a 24- or 32-bit source has a transparent colour the reader would key out.
bool KeyedSource(const TBitmap& src) {
  const TColor tc = src.TransparentColor();
  if (!(tc & kPaletteIndexFlag)) return true;
  return size_t(tc & 0xFF) < src.Palette().size();
}

// One target row along x from the vertically combined source row.
struct RowJob {
  const uint16_t* a;
  const AxisMap& xs;
  const uint32_t* w;  // `Taps` weights per target pixel, zero-padded
  int sx0;
  size_t n;
  uint8_t* d;
};

inline void Put(uint8_t* d, uint32_t b, uint32_t g, uint32_t r, int bpp) {
  d[0] = static_cast<uint8_t>((b + (1u << 23)) >> 24);
  d[1] = static_cast<uint8_t>((g + (1u << 23)) >> 24);
  d[2] = static_cast<uint8_t>((r + (1u << 23)) >> 24);
  if (bpp == 4) d[3] = 0xFF;
}

template <int Taps, int Sbpp, int Bpp>
[[gnu::always_inline]] inline void HorizontalFixed(const RowJob& job) {
  uint8_t* d = job.d;
  for (size_t c = 0; c < job.n; ++c, d += Bpp) {
    const uint16_t* v = job.a + size_t(job.xs.first[c] - job.sx0) * Sbpp;
    const uint32_t* wx = job.w + c * Taps;
    uint32_t b = 0, g = 0, r = 0;
    for (int t = 0; t < Taps; ++t) {
      b += wx[t] * v[t * Sbpp];
      g += wx[t] * v[t * Sbpp + 1];
      r += wx[t] * v[t * Sbpp + 2];
    }
    Put(d, b, g, r, Bpp);
  }
}

template <int Taps>
[[gnu::always_inline]] inline void Dispatch(const RowJob& job, int sbpp, int bpp) {
  if (sbpp == 3)
    bpp == 4 ? HorizontalFixed<Taps, 3, 4>(job) : HorizontalFixed<Taps, 3, 3>(job);
  else
    bpp == 4 ? HorizontalFixed<Taps, 4, 4>(job) : HorizontalFixed<Taps, 4, 3>(job);
}

[[gnu::always_inline]] inline void HorizontalAny(const RowJob& job, int sbpp, int bpp) {
  uint8_t* d = job.d;
  for (size_t c = 0; c < job.n; ++c, d += bpp) {
    const uint16_t* v = job.a + size_t(job.xs.first[c] - job.sx0) * size_t(sbpp);
    const uint32_t* wx = &job.xs.weight[size_t(job.xs.offset[c])];
    uint32_t b = 0, g = 0, r = 0;
    for (int t = 0; t < job.xs.count[c]; ++t, v += sbpp) {
      b += wx[t] * v[0];
      g += wx[t] * v[1];
      r += wx[t] * v[2];
    }
    Put(d, b, g, r, bpp);
  }
}

// Opaque 24- and 32-bit sources, the pictures the view window shows: the same area
// average on the bytes themselves, vertical first (one pass over each source row in 16-bit
// lanes, with the row weights in 1/256 steps), then along the combined row with the full
// column weights. Weights of either axis add up exactly, so flat areas stay exact and no
// sum overflows. Up to four columns per target pixel (shrinking by less than four, as
// after a scaled JPEG decode) take fixed unrolled paths.
#if defined(__GNUC__) && defined(__x86_64__) && defined(__ELF__) && !defined(__clang__)
// The loops vectorise much better with AVX2 where the processor has it (the choice at
// load time needs ELF's indirect functions).
__attribute__((target_clones("avx2", "default")))
#endif
void StretchOpaque(TBitmap& target, const TRect& rect, const TBitmap& source, const AxisMap& xs,
                   const AxisMap& ys, int cx0, int cy0, int rows) {
  const int bpp = target.BitsPerPixel() / 8;
  const int sbpp = source.BitsPerPixel() / 8;
  const size_t n = xs.first.size();
  const int sx0 = xs.first.front();
  const int sx1 = xs.first.back() + xs.count.back();
  const size_t span = size_t(sx1 - sx0) * size_t(sbpp);
  int taps = 2;
  for (int c : xs.count) taps = std::max(taps, c);
  // Padding so the unrolled paths may read past the last column with a zero weight.
  std::vector<uint16_t> acc(span + size_t(4 * sbpp), 0);
  std::vector<uint32_t> w4;
  if (taps <= 4) {
    w4.assign(n * size_t(taps), 0);
    for (size_t c = 0; c < n; ++c)
      for (int t = 0; t < xs.count[c]; ++t)
        w4[c * size_t(taps) + size_t(t)] = xs.weight[size_t(xs.offset[c] + t)];
  }
  std::vector<uint16_t> wy8;
  for (int k = 0; k < rows; ++k) {
    const int first = ys.first[size_t(k)], count = ys.count[size_t(k)];
    const uint32_t* w = &ys.weight[size_t(ys.offset[size_t(k)])];
    wy8.resize(size_t(count));
    int left = 256;
    for (int i = 0; i < count; ++i) {
      int v = i + 1 < count ? std::min(int((w[i] + 128) >> 8), left) : left;
      wy8[size_t(i)] = static_cast<uint16_t>(v);
      left -= v;
    }
    uint16_t* a = acc.data();
    {
      const uint8_t* s = source.ScanLine(first) + int64_t(sx0) * sbpp;
      const uint16_t wy = wy8[0];
      for (size_t x = 0; x < span; ++x) a[x] = static_cast<uint16_t>(wy * s[x]);
    }
    for (int i = 1; i < count; ++i) {
      const uint16_t wy = wy8[size_t(i)];
      if (wy == 0) continue;
      const uint8_t* s = source.ScanLine(first + i) + int64_t(sx0) * sbpp;
      for (size_t x = 0; x < span; ++x) a[x] = static_cast<uint16_t>(a[x] + wy * s[x]);
    }

    uint8_t* d = target.ScanLine(rect.Top + cy0 + k) + int64_t(rect.Left + cx0) * bpp;
    const RowJob job{a, xs, w4.data(), sx0, n, d};
    if (w4.empty())
      HorizontalAny(job, sbpp, bpp);
    else if (taps == 2)
      Dispatch<2>(job, sbpp, bpp);
    else if (taps == 3)
      Dispatch<3>(job, sbpp, bpp);
    else
      Dispatch<4>(job, sbpp, bpp);
  }
}

}  // namespace

void FillRect(TBitmap& target, const TRect& rect, TColor color) {
  const int bpp = target.BitsPerPixel() == 32 ? 4 : 3;
  if (target.BitsPerPixel() != 32 && target.BitsPerPixel() != 24)
    throw std::invalid_argument("FillRect: 24 or 32-bit target");
  const int x0 = std::max(rect.Left, 0), x1 = std::min(rect.Right, target.Width());
  const int y0 = std::max(rect.Top, 0), y1 = std::min(rect.Bottom, target.Height());
  for (int y = y0; y < y1; ++y) {
    uint8_t* d = target.ScanLine(y) + int64_t(x0) * bpp;
    for (int x = x0; x < x1; ++x, d += bpp) {
      d[0] = BlueOf(color);
      d[1] = GreenOf(color);
      d[2] = RedOf(color);
      if (bpp == 4) d[3] = 0xFF;
    }
  }
}

void StretchDrawRaster(TBitmap& target, const TRect& rect, const TBitmap& source,
                       bool transparent) {
  const int tbits = target.BitsPerPixel();
  if (tbits != 24 && tbits != 32) throw std::invalid_argument("StretchDraw: 24 or 32-bit target");
  const int bpp = tbits / 8;
  const int dw = rect.Width(), dh = rect.Height();
  const int sw = source.Width(), sh = source.Height();
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || target.Empty()) return;
  // The visible part, in rectangle coordinates.
  const int cx0 = std::max(0, -rect.Left), cx1 = std::min(dw, target.Width() - rect.Left);
  const int cy0 = std::max(0, -rect.Top), cy1 = std::min(dh, target.Height() - rect.Top);
  if (cx0 >= cx1 || cy0 >= cy1) return;

  const AxisMap xs = MapAxis(sw, dw, cx0, cx1);
  const AxisMap ys = MapAxis(sh, dh, cy0, cy1);
  const int sbits = source.BitsPerPixel();
  if ((sbits == 24 || sbits == 32) && !(transparent && KeyedSource(source))) {
    StretchOpaque(target, rect, source, xs, ys, cx0, cy0, cy1 - cy0);
    return;
  }
  RowReader reader(source, transparent);
  const bool keyed = reader.Keyed();
  const size_t n = size_t(cx1 - cx0);

  // Horizontal results of the source rows last used; a source row is shared by at most
  // two neighbouring target rows when shrinking.
  HRow cur(n), prev(n);
  int curRow = -1, prevRow = -1;
  std::vector<uint64_t> ab(n), ag(n), ar(n), ao(n);

  for (int k = 0; k < cy1 - cy0; ++k) {
    const int first = ys.first[size_t(k)], count = ys.count[size_t(k)];
    const uint32_t* w = &ys.weight[size_t(ys.offset[size_t(k)])];
    std::fill(ab.begin(), ab.end(), 0);
    std::fill(ag.begin(), ag.end(), 0);
    std::fill(ar.begin(), ar.end(), 0);
    std::fill(ao.begin(), ao.end(), 0);
    for (int i = 0; i < count; ++i) {
      const int sy = first + i;
      HRow* h;
      if (sy == curRow) {
        h = &cur;
      } else if (sy == prevRow) {
        h = &prev;
      } else {
        std::swap(cur, prev);
        prevRow = curRow;
        reader.Read(sy);
        Horizontal(reader, xs, cur);
        curRow = sy;
        h = &cur;
      }
      const uint64_t wy = w[i];
      for (size_t x = 0; x < n; ++x) {
        ab[x] += wy * h->b[x];
        ag[x] += wy * h->g[x];
        ar[x] += wy * h->r[x];
        ao[x] += wy * h->o[x];
      }
    }
    uint8_t* d = target.ScanLine(rect.Top + cy0 + k) + int64_t(rect.Left + cx0) * bpp;
    constexpr uint64_t kFull = uint64_t(kOne) * kOne, kHalf = kFull / 2;
    for (size_t x = 0; x < n; ++x, d += bpp) {
      if (keyed) {
        if (ao[x] == 0) continue;  // entirely transparent: the target shows through
        const uint64_t rest = kFull - ao[x];
        d[0] = static_cast<uint8_t>((ab[x] + rest * d[0] + kHalf) >> 32);
        d[1] = static_cast<uint8_t>((ag[x] + rest * d[1] + kHalf) >> 32);
        d[2] = static_cast<uint8_t>((ar[x] + rest * d[2] + kHalf) >> 32);
      } else {
        d[0] = static_cast<uint8_t>((ab[x] + kHalf) >> 32);
        d[1] = static_cast<uint8_t>((ag[x] + kHalf) >> 32);
        d[2] = static_cast<uint8_t>((ar[x] + kHalf) >> 32);
      }
      if (bpp == 4) d[3] = 0xFF;
    }
  }
}

void StretchDraw(TBitmap& target, const TRect& rect, const TGraphic& graphic) {
  const TBitmap& raster = graphic.ColorRaster();
  StretchDrawRaster(target, rect, raster, graphic.Transparent() || raster.Transparent());
}

TBitmap DrawToRaster(const TGraphic& graphic, int width, int height, TColor background,
                     TPixelFormat format) {
  const TBitmap& raster = graphic.ColorRaster();
  const bool transparent = graphic.Transparent() || raster.Transparent();
  TBitmap out;
  // An opaque picture covers every pixel: the background would only be overwritten.
  const bool fill = transparent || raster.Empty();
  out.Allocate(width, height, format, fill);
  if (fill) FillRect(out, Bounds(0, 0, width, height), background);
  StretchDrawRaster(out, Bounds(0, 0, width, height), raster, transparent);
  return out;
}

}  // namespace verid
