#include "imaging/ZUDIRAStream.h"

#include <libdeflate.h>
#include <zlib.h>

// VERID_NO_SIMD builds the plain paths only, so that they are tested on x86-64 too.
#if defined(__SSE2__) && !defined(VERID_NO_SIMD)
#define VERID_SSE2 1
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "base/BigBuffer.h"

namespace verid {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

constexpr uint32_t Tag(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
         uint32_t(uint8_t(s[2])) << 8 | uint32_t(uint8_t(s[3]));
}

// Adam7: start column, start row, column step, row step.
constexpr int kPassStartX[7] = {0, 4, 0, 2, 0, 1, 0};
constexpr int kPassStartY[7] = {0, 0, 4, 0, 2, 0, 1};
constexpr int kPassStepX[7] = {8, 8, 4, 4, 2, 2, 1};
constexpr int kPassStepY[7] = {8, 8, 8, 4, 4, 2, 2};

struct TPass {
  int StartX = 0, StartY = 0, StepX = 1, StepY = 1;
  int64_t Width = 0, Height = 0;
};

// The passes that carry pixels: one without interlace, else the non-empty Adam7 passes.
int MakePasses(int64_t width, int64_t height, bool interlaced, TPass* out) {
  if (width <= 0 || height <= 0) return 0;
  if (!interlaced) {
    out[0] = TPass{0, 0, 1, 1, width, height};
    return 1;
  }
  int n = 0;
  for (int p = 0; p < 7; ++p) {
    TPass pass{kPassStartX[p], kPassStartY[p], kPassStepX[p], kPassStepY[p], 0, 0};
    pass.Width = (width - pass.StartX + pass.StepX - 1) / pass.StepX;
    pass.Height = (height - pass.StartY + pass.StepY - 1) / pass.StepY;
    if (pass.Width > 0 && pass.Height > 0) out[n++] = pass;
  }
  return n;
}

inline int64_t RowBytes(int64_t pixels, int bits) {
  return (pixels * bits + 7) / 8;
}

[[noreturn]] void Fail(const char* message) {
  throw EZUDIRA(message);
}

constexpr const char* kReadError = "Read Image (PNG): Read Error";

inline uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t n) {
  return libdeflate_crc32(crc, data, n);
}

// Paeth's choice without branches: on photographs the three outcomes are about equally
// likely, so a branch per byte is mispredicted about half the time.
inline int PaethSelect(int a, int b, int c) {
  const int p = b - c, q = a - c;
  const int pa = p < 0 ? -p : p, pb = q < 0 ? -q : q, pc = (p + q) < 0 ? -(p + q) : p + q;
  const int bc = pb <= pc ? b : c;
  return (pa <= pb) & (pa <= pc) ? a : bc;
}

// Sub, Average and Paeth for pixels of `Bpp` bytes with the left and upper-left pixels
// held in registers: reading them back from the row just written makes every byte wait
// for the store before it.
template <int Bpp, int Type>
void UnfilterPixels(uint8_t* row, const uint8_t* prev, int64_t n) {
  int a[Bpp] = {}, c[Bpp] = {};
  for (int64_t i = 0; i + Bpp <= n; i += Bpp) {
    for (int k = 0; k < Bpp; ++k) {
      const int b = prev[i + k];
      const int pred = Type == 1 ? a[k] : Type == 3 ? (a[k] + b) >> 1 : PaethSelect(a[k], b, c[k]);
      const int v = (row[i + k] + pred) & 0xFF;
      row[i + k] = static_cast<uint8_t>(v);
      a[k] = v;
      c[k] = b;
    }
  }
}

template <int Bpp>
void UnfilterPlain(int type, uint8_t* row, const uint8_t* prev, int64_t n) {
  if (type == 1)
    UnfilterPixels<Bpp, 1>(row, prev, n);
  else if (type == 3)
    UnfilterPixels<Bpp, 3>(row, prev, n);
  else
    UnfilterPixels<Bpp, 4>(row, prev, n);
}

#if defined(VERID_SSE2)
// Sub and Average for 3- and 4-byte pixels, one pixel per step in byte lanes; Average's
// floor((a + b) / 2) is the rounding-up average less the odd bit. Paeth needs 16-bit
// lanes. The loads may read up to one byte past the row (the row buffers are padded);
// stores never write past the pixel.
template <int Bpp>
void UnfilterPixelsSse2(int type, uint8_t* row, const uint8_t* prev, int64_t n) {
  const __m128i zero = _mm_setzero_si128();
  auto load = [](const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(v);
  };
  auto store = [](uint8_t* p, __m128i v) {
    const int32_t out = _mm_cvtsi128_si32(v);
    std::memcpy(p, &out, Bpp);
  };
  if (type == 1) {
    __m128i a = zero;
    for (int64_t i = 0; i + Bpp <= n; i += Bpp) {
      a = _mm_add_epi8(load(row + i), a);
      store(row + i, a);
    }
    return;
  }
  if (type == 3) {
    const __m128i one = _mm_set1_epi8(1);
    __m128i a = zero;
    for (int64_t i = 0; i + Bpp <= n; i += Bpp) {
      const __m128i b = load(prev + i);
      const __m128i odd = _mm_and_si128(_mm_xor_si128(a, b), one);
      a = _mm_add_epi8(load(row + i), _mm_sub_epi8(_mm_avg_epu8(a, b), odd));
      store(row + i, a);
    }
    return;
  }
  const __m128i lowByte = _mm_set1_epi16(0xFF);
  __m128i a = zero, c = zero;
  for (int64_t i = 0; i + Bpp <= n; i += Bpp) {
    __m128i b = _mm_unpacklo_epi8(load(prev + i), zero);
    __m128i x = _mm_unpacklo_epi8(load(row + i), zero);
    __m128i p = _mm_sub_epi16(b, c);
    __m128i q = _mm_sub_epi16(a, c);
    __m128i r = _mm_add_epi16(p, q);
    __m128i pa = _mm_max_epi16(p, _mm_sub_epi16(zero, p));
    __m128i pb = _mm_max_epi16(q, _mm_sub_epi16(zero, q));
    __m128i pc = _mm_max_epi16(r, _mm_sub_epi16(zero, r));
    __m128i smallest = _mm_min_epi16(pa, _mm_min_epi16(pb, pc));
    __m128i isA = _mm_cmpeq_epi16(pa, smallest);
    __m128i isB = _mm_andnot_si128(isA, _mm_cmpeq_epi16(pb, smallest));
    __m128i isC = _mm_andnot_si128(_mm_or_si128(isA, isB), _mm_set1_epi16(-1));
    __m128i pred = _mm_or_si128(_mm_or_si128(_mm_and_si128(isA, a), _mm_and_si128(isB, b)),
                                _mm_and_si128(isC, c));
    a = _mm_and_si128(_mm_add_epi16(x, pred), lowByte);
    c = b;
    store(row + i, _mm_packus_epi16(a, zero));
  }
}
#endif

// RGB(A) samples to BGR pixels (and the alpha plane's 255 - alpha): one pixel per 32-bit
// word, its bytes reversed, rather than a byte load and store per sample. Each word
// written spills a byte into the next pixel, which is written after it; the last pixel
// is written byte by byte, so nothing is read or written past the row.
template <int Step>
void SwapRedBlue(const uint8_t* src, uint8_t* dst, uint8_t* alpha, int64_t w) {
  static_assert(std::endian::native == std::endian::little);
  for (int64_t x = 0; x + 1 < w; ++x) {
    uint32_t v;
    std::memcpy(&v, src + Step * x, 4);
    if (Step == 4) alpha[x] = static_cast<uint8_t>(255 - (v >> 24));
    v = __builtin_bswap32(v) >> 8;
    std::memcpy(dst + 3 * x, &v, 4);
  }
  if (w > 0) {
    const uint8_t* sp = src + Step * (w - 1);
    uint8_t* dp = dst + 3 * (w - 1);
    dp[0] = sp[2];
    dp[1] = sp[1];
    dp[2] = sp[0];
    if (Step == 4) alpha[w - 1] = static_cast<uint8_t>(255 - sp[3]);
  }
}

// One interlace pass's row of `N`-byte pixels to every `step`-th pixel of the raster row
// from `start`; a copy of a known size, not a call per pixel.
template <int N>
void ScatterPixels(const uint8_t* src, uint8_t* line, int64_t w, int start, int step) {
  uint8_t* d = line + int64_t(start) * N;
  for (int64_t j = 0; j < w; ++j, d += int64_t(step) * N) std::memcpy(d, src + j * N, N);
}

// Undoes one row's filter in place. `prev` is the unfiltered previous row (zeros first).
bool Unfilter(uint8_t filter, uint8_t* row, const uint8_t* prev, int64_t n, int bpp) {
  if (filter > 4) return false;
  if (filter == 0) return true;
  if (filter == 2) {
    for (int64_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prev[i]);
    return true;
  }
  // Whole pixels only: a row of sub-byte pixels has bpp 1 and any length.
  if (n % bpp == 0) {
    switch (bpp) {
      case 1:
        return UnfilterPlain<1>(filter, row, prev, n), true;
      case 2:
        return UnfilterPlain<2>(filter, row, prev, n), true;
      case 3:
#if defined(VERID_SSE2)
        return UnfilterPixelsSse2<3>(filter, row, prev, n), true;
#else
        return UnfilterPlain<3>(filter, row, prev, n), true;
#endif
      case 4:
#if defined(VERID_SSE2)
        return UnfilterPixelsSse2<4>(filter, row, prev, n), true;
#else
        return UnfilterPlain<4>(filter, row, prev, n), true;
#endif
      default:
        break;
    }
  }
  // 6- and 8-byte pixels (16-bit colour).
  int64_t i = 0;
  for (; i < bpp && i < n; ++i)
    row[i] = static_cast<uint8_t>(row[i] + (filter == 1   ? 0
                                            : filter == 3 ? prev[i] >> 1
                                                          : prev[i]));
  for (; i < n; ++i) {
    const int a = row[i - bpp], b = prev[i], c = prev[i - bpp];
    const int pred = filter == 1 ? a : filter == 3 ? (a + b) >> 1 : PaethSelect(a, b, c);
    row[i] = static_cast<uint8_t>(row[i] + pred);
  }
  return true;
}

}  // namespace

TPngTime PngTimeNow() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());  // UTC
  const auto day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss<seconds> time{now - day};
  TPngTime t;
  t.Year = static_cast<uint16_t>(static_cast<int>(date.year()));
  t.Month = static_cast<uint8_t>(static_cast<unsigned>(date.month()));
  t.Day = static_cast<uint8_t>(static_cast<unsigned>(date.day()));
  t.Hour = static_cast<uint8_t>(time.hours().count());
  t.Minute = static_cast<uint8_t>(time.minutes().count());
  t.Second = static_cast<uint8_t>(time.seconds().count());
  return t;
}

// ===========================================================================================
// Reader

enum class TRowKind : uint8_t {
  Copy,  // 1, 4, 8-bit grey or palette
  Two,   // 2-bit to 4-bit
  Grey16,
  GreyA8,
  GreyA16,
  Rgb8,
  Rgb16,
  Rgba8,
  Rgba16,
  Rgb565,  // 8-bit colour (with or without alpha) to 5-6-5
};

struct ZOVIDUDReadStream::State {
  uint32_t Width = 0, Height = 0;
  int BitDepth = 0;
  int ColorClass = 0;  // 0 grey, 2 colour, 3 palette
  bool AlphaChannel = false;
  int InterlaceMethod = 0;
  bool HeaderSeen = false, PaletteSeen = false, ImageDone = false, EndSeen = false,
       PrivateSeen = false, ImageStarted = false;
  uint8_t PaletteAlpha[256];
  enum { TransNone, TransSingle, TransPalette } Trans = TransNone;
  TColor TransColor = -1;
  int PngBits = 0;
  TRowKind Kind = TRowKind::Copy;
  bool ZInit = false;
  z_stream Z{};
  std::string RowPassword;
  bool RowTransform = false;
  bool ExhaustedEarly = false;

  // Results gathered while reading; handed over only when the read succeeds.
  std::string Comment;
  TColor Background = -1;
  double Gamma = 0;
  uint8_t PhysUnit = 0;
  int32_t PhysX = 0, PhysY = 0;
  uint32_t SigBits = 0;
  TPngTime Time;
  std::array<uint32_t, 8> Chrm{};
  std::array<uint8_t, 4> Gif{};

  State() { std::memset(PaletteAlpha, 255, sizeof PaletteAlpha); }
  ~State() {
    if (ZInit) inflateEnd(&Z);
  }
};

ZOVIDUDReadStream::ZOVIDUDReadStream() = default;
ZOVIDUDReadStream::~ZOVIDUDReadStream() = default;

void ZOVIDUDReadStream::Read(TBitmap& raster, TBitmap* alpha, TStream& stream, int64_t limit) {
  alpha_ = alpha;
  InflatedWhole = false;
  s_ = std::make_unique<State>();
  struct Release {
    ZOVIDUDReadStream& self;
    ~Release() { self.s_.reset(); }
  } release{*this};
  TQBZCustomGraphicReadStream::Read(raster, stream, limit);
}

uint8_t ZOVIDUDReadStream::Level8(uint16_t sample) const {
  switch (s_->BitDepth) {
    case 16:
      return static_cast<uint8_t>(sample >> 8);
    case 1:
      return (sample & 1) ? 255 : 0;
    case 2:
      return static_cast<uint8_t>((sample & 3) * 85);
    case 4:
      return static_cast<uint8_t>((sample & 15) * 17);
    default:
      return static_cast<uint8_t>(sample);
  }
}

void ZOVIDUDReadStream::ReadImage() {
  State& s = *s_;
  ProgressStart();
  ProgressNewStage(TProgressMode::Bytes, 0, 30);

  uint8_t sig[8] = {};
  ReadBytes(sig, 8);
  if (Failed() || std::memcmp(sig, kSignature, 8) != 0) Fail("PNG LoadStream: Not PNG Format");

  while (!s.EndSeen && !Failed()) {
    uint32_t length = ReadU32();
    uint32_t type = ReadU32();
    if (Failed()) break;
    chunkLeft_ = length;
    checkCrc_ = false;
    uint8_t typeBytes[4] = {uint8_t(type >> 24), uint8_t(type >> 16), uint8_t(type >> 8),
                            uint8_t(type)};
    // Critical chunks are only trusted when their checksum matches.
    bool critical = type == Tag("IHDR") || type == Tag("PLTE");
    if (critical && length <= 4096) {
      int64_t avail = 0;
      const uint8_t* w = Window(avail);
      if (avail < int64_t(length) + 4 && !inPlace_ && int64_t(length) + 4 <= RemainingData()) {
        if (windowCount_ > 0) std::memmove(buffer_.get(), window_, size_t(windowCount_));
        Refill(windowCount_);
        w = Window(avail);
      }
      if (avail >= int64_t(length) + 4) {
        uint32_t crc = Crc32(Crc32(0, typeBytes, 4), w, length);
        uint32_t stored = uint32_t(w[length]) << 24 | uint32_t(w[length + 1]) << 16 |
                          uint32_t(w[length + 2]) << 8 | w[length + 3];
        if (crc != stored) Fail("PNG LoadStream: CRC Error");
      }
    }

    switch (type) {
      case Tag("IHDR"):
        ReadHeader(length);
        break;
      case Tag("PLTE"):
        if (s.HeaderSeen && !s.PaletteSeen && !s.ImageDone && s.ColorClass != 0)
          ReadPalette(length);
        break;
      case Tag("tRNS"):
        if (s.HeaderSeen && !s.ImageDone && !s.AlphaChannel && !s.ImageStarted)
          ReadTransparency(length);
        break;
      case Tag("bKGD"):
        if (s.HeaderSeen) ReadBackground();
        break;
      case Tag("gAMA"):
        if (s.HeaderSeen && !s.PaletteSeen && !s.ImageDone && length >= 4) {
          s.Gamma = ReadU32() / 100000.0;
          chunkLeft_ -= 4;
        }
        break;
      case Tag("cHRM"):
        if (s.HeaderSeen && !s.PaletteSeen && !s.ImageDone && length == 32) {
          for (auto& v : s.Chrm) v = ReadU32();
          chunkLeft_ -= 32;
        }
        break;
      case Tag("sBIT"):
        if (s.HeaderSeen && !s.PaletteSeen && !s.ImageDone && s.ColorClass != 0) {
          int n = s.AlphaChannel ? 4 : 3;
          if (length >= uint32_t(n)) {
            uint32_t v = 0;
            for (int i = 0; i < n; ++i) v |= uint32_t(ReadByte()) << (8 * i);
            s.SigBits = v;
            chunkLeft_ -= n;
          }
        }
        break;
      case Tag("pHYs"):
        if (s.HeaderSeen && !s.ImageDone && length >= 9) {
          s.PhysX = static_cast<int32_t>(ReadU32());
          s.PhysY = static_cast<int32_t>(ReadU32());
          s.PhysUnit = ReadByte();
          chunkLeft_ -= 9;
        }
        break;
      case Tag("tEXt"):
        if (length > 0) ReadText(length);
        break;
      case Tag("tIME"):
        if (length == 7) {
          s.Time.Year = ReadU16();
          s.Time.Month = ReadByte();
          s.Time.Day = ReadByte();
          s.Time.Hour = ReadByte();
          s.Time.Minute = ReadByte();
          s.Time.Second = ReadByte();
          chunkLeft_ -= 7;
        }
        break;
      case Tag("gIFg"):
        if (s.HeaderSeen && !s.PaletteSeen && !s.ImageDone && length == 4) {
          for (auto& b : s.Gif) b = ReadByte();
          chunkLeft_ -= 4;
        }
        break;
      case Tag("tpNG"):
        if (s.HeaderSeen && !s.PrivateSeen && !s.ImageDone) ReadPrivate(length);
        break;
      case Tag("IDAT"):
        if (!s.ImageDone) ReadImageData();
        break;
      case Tag("IEND"):
        s.EndSeen = true;
        break;
      default:
        break;
    }
    if (chunkLeft_ > 0) Skip(chunkLeft_);
    chunkLeft_ = 0;
    uint32_t stored = ReadU32();
    if (checkCrc_ && !Failed() && stored != crc_) Fail("PNG LoadStream: CRC Error");
    if (!s.ImageStarted) ProgressPoint();
  }
  Finish();
}

void ZOVIDUDReadStream::ReadHeader(uint32_t length) {
  State& s = *s_;
  if (s.HeaderSeen) Fail("Read Header(PNG): appear two IHDR");
  if (length < 13) Fail("Read Header(PNG): Error IHDR Length");
  s.Width = ReadU32();
  s.Height = ReadU32();
  s.BitDepth = ReadByte();
  int colorType = ReadByte() % 8;
  if (colorType == 1 || colorType == 5 || colorType == 7) Fail("Read Header(PNG): Error ColorType");
  s.AlphaChannel = (colorType & 4) != 0;
  s.ColorClass = colorType & 3;
  if (ReadByte() >= 2) Fail("Read Header(PNG): not support Compression");
  if (ReadByte() >= 2) Fail("Read Header(PNG): not supprt Filter");
  s.InterlaceMethod = ReadByte();
  if (s.InterlaceMethod >= 2) Fail("Read Header(PNG): not interlace type");
  chunkLeft_ -= 13;
  if (Failed()) return;
  // The header is checked here, before any other chunk is looked at: the depths each
  // colour type allows (as the image data step words them) and the size ceiling.
  const int depth = s.BitDepth;
  const bool lowDepth = depth == 1 || depth == 2 || depth == 4;
  if (s.ColorClass == 0) {
    if (!lowDepth && depth != 8 && depth != 16) Fail("Read Header(PNG): Error Bitdepth");
    if (s.AlphaChannel && depth < 8) Fail("Read Header(PNG): not Use AlphaChannel");
  } else if (s.ColorClass == 2) {
    if (depth != 8 && depth != 16) Fail("Read Header(PNG): Error BitDepth");
  } else if (!lowDepth && depth != 8) {
    Fail("Read Header(PNG): Error BitDepth");
  }
  if (!kDecodeLimits.Fits(s.Width, s.Height, TPixelFormat::pf1bit))
    Fail("Read Header(PNG): Image too large");
  s.HeaderSeen = true;
}

void ZOVIDUDReadStream::ReadPalette(uint32_t length) {
  State& s = *s_;
  int count = static_cast<int>(std::min<uint32_t>(length / 3, 256));
  uint8_t* pal = PaletteBuffer();
  for (int i = 0; i < count; ++i) {
    uint8_t rgb[3];
    ReadBytes(rgb, 3);
    pal[i * 4] = rgb[2];
    pal[i * 4 + 1] = rgb[1];
    pal[i * 4 + 2] = rgb[0];
    pal[i * 4 + 3] = 0;
  }
  chunkLeft_ -= count * 3;
  PaletteCount = count;
  s.PaletteSeen = true;
}

void ZOVIDUDReadStream::ReadTransparency(uint32_t length) {
  State& s = *s_;
  if (s.ColorClass == 0) {
    if (length < 2) return;
    uint8_t l = Level8(ReadU16());
    chunkLeft_ -= 2;
    s.Trans = State::TransSingle;
    s.TransColor = RGBColor(l, l, l);
  } else if (s.ColorClass == 2) {
    if (length < 6) return;
    uint8_t r = Level8(ReadU16());
    uint8_t g = Level8(ReadU16());
    uint8_t b = Level8(ReadU16());
    chunkLeft_ -= 6;
    s.Trans = State::TransSingle;
    s.TransColor = RGBColor(r, g, b);
  } else {
    if (!s.PaletteSeen) return;
    int n = static_cast<int>(std::min<uint32_t>(length, uint32_t(PaletteCount)));
    if (n > 0) ReadBytes(s.PaletteAlpha, n);
    chunkLeft_ -= n;
    for (uint8_t& a : s.PaletteAlpha) a = static_cast<uint8_t>(255 - a);
    s.Trans = State::TransPalette;
  }
}

void ZOVIDUDReadStream::ReadBackground() {
  State& s = *s_;
  if (s.ColorClass == 0) {
    if (chunkLeft_ < 2) return;
    uint8_t l = Level8(ReadU16());
    chunkLeft_ -= 2;
    s.Background = RGBColor(l, l, l);
  } else if (s.ColorClass == 2) {
    if (chunkLeft_ < 6) return;
    uint8_t r = Level8(ReadU16());
    uint8_t g = Level8(ReadU16());
    uint8_t b = Level8(ReadU16());
    chunkLeft_ -= 6;
    s.Background = RGBColor(r, g, b);
  } else {
    if (chunkLeft_ < 1) return;
    s.Background = kPaletteIndexFlag + ReadByte();
    chunkLeft_ -= 1;
  }
}

void ZOVIDUDReadStream::ReadText(uint32_t length) {
  State& s = *s_;
  // A length the data cannot hold ends the chunk loop instead of allocating it.
  if (int64_t(length) > RemainingData()) return;
  std::string data(length, '\0');
  ReadBytes(data.data(), length);
  chunkLeft_ -= length;
  if (Failed()) return;
  size_t zero = data.find('\0');
  if (zero == std::string::npos) return;
  if (data.compare(0, zero, "Comment") != 0) return;
  std::string text = data.substr(zero + 1);
  if (text.empty()) return;
  if (!s.Comment.empty()) s.Comment += "\r\n";
  s.Comment += text;
  s.Comment += "\r\n";
}

void ZOVIDUDReadStream::ReadPrivate(uint32_t length) {
  State& s = *s_;
  if (length < 4) return;
  uint8_t marker[4];
  ReadBytes(marker, 4);
  chunkLeft_ -= 4;
  if (std::memcmp(marker, "DEZ3", 4) != 0) return;
  s.PrivateSeen = true;
  if (chunkLeft_ >= 2) {
    uint8_t protection = ReadByte();
    ReadByte();  // mode: no effect here
    chunkLeft_ -= 2;
    if (protection != 0) {
      s.RowPassword = Password;
      if (OnPassword) OnPassword(s.RowPassword);
    }
  }
}

// Moves to the next image data chunk when the current one is used up.
bool ZOVIDUDReadStream::NextIdatChunk() {
  uint32_t stored = ReadU32();
  if (Failed()) return false;
  if (stored != crc_) Fail("PNG LoadStream: CRC Error");
  uint32_t length = ReadU32();
  uint32_t type = ReadU32();
  if (Failed() || type != Tag("IDAT")) return false;
  chunkLeft_ = length;
  const uint8_t t[4] = {'I', 'D', 'A', 'T'};
  crc_ = Crc32(0, t, 4);
  return true;
}

struct ZOVIDUDReadStream::WholeRows {
  TBigBuffer Rows;  // every row of every pass, filter bytes included
  int Passes = 0;
  int64_t RowLength[7] = {}, RowCount[7] = {};
  // The reader as it stood at the start of the image data.
  int64_t Position = 0, Count = 0, ChunkLeft = 0, StreamPosition = 0;
  const uint8_t* Window = nullptr;
  bool EndOfData = false, Stop = false;
  uint32_t Crc = 0;
  std::unique_ptr<uint8_t[]> Buffer;
};

void ZOVIDUDReadStream::Rewind(const WholeRows& w) {
  position_ = w.Position;
  windowCount_ = w.Count;
  window_ = w.Window;
  chunkLeft_ = w.ChunkLeft;
  endOfData_ = w.EndOfData;
  stop_ = w.Stop;
  crc_ = w.Crc;
  if (!inPlace_) {
    std::memcpy(buffer_.get(), w.Buffer.get(), kDezBufferSize);
    stream_->SetPosition(w.StreamPosition);
  }
}

// Gathers the image data chunks that follow one another and inflates them in one call.
// It succeeds only when nothing could make the row-by-row way end differently: every
// chunk complete with a matching checksum, one whole zlib stream (its own checksum
// included) that gives exactly `size` bytes, and no row with an unknown filter. Otherwise
// the reader is put back where it was and false returned. On success the reader stands
// before the last chunk's checksum.
bool ZOVIDUDReadStream::InflateWhole(WholeRows& whole, int64_t size) {
  whole.Position = position_;
  whole.Count = windowCount_;
  whole.Window = window_;
  whole.ChunkLeft = chunkLeft_;
  whole.EndOfData = endOfData_;
  whole.Stop = stop_;
  whole.Crc = crc_;
  if (!inPlace_) {
    whole.StreamPosition = stream_->Position();
    whole.Buffer = std::make_unique_for_overwrite<uint8_t[]>(kDezBufferSize);
    std::memcpy(whole.Buffer.get(), buffer_.get(), kDezBufferSize);
  }
  auto restore = [&] {
    whole.Rows.Reset();
    Rewind(whole);
    return false;
  };
  // Makes `count` bytes visible in the window when the data holds them.
  auto peek = [&](int64_t count) -> const uint8_t* {
    if (RemainingData() < count) return nullptr;
    if (windowCount_ < count && !inPlace_) {
      if (windowCount_ > 0) std::memmove(buffer_.get(), window_, size_t(windowCount_));
      Refill(windowCount_);
    }
    return windowCount_ >= count ? window_ : nullptr;
  };

  const uint8_t* data = nullptr;  // the zlib stream, in place or gathered
  int64_t dataSize = 0;
  TBigBuffer gathered;
  int64_t left = chunkLeft_;
  uint32_t crc = crc_;
  for (bool first = true;; first = false) {
    if (left > RemainingData()) return restore();
    if (first && inPlace_) {
      data = window_;
      Consume(left);
    } else {
      if (!gathered.Data()) {
        // Room for the rest of the data at most; pages that are not written cost nothing.
        if (!gathered.Allocate(size_t(dataSize + RemainingData()), true)) return restore();
        if (dataSize > 0) std::memcpy(gathered.Data(), data, size_t(dataSize));
        data = gathered.Data();
      }
      if (left > 0) ReadBytes(gathered.Data() + dataSize, left);
      if (Failed()) return restore();
    }
    crc = Crc32(crc, data + dataSize, size_t(left));
    dataSize += left;
    const uint8_t* next = peek(4);
    if (!next) return restore();
    uint32_t stored =
        uint32_t(next[0]) << 24 | uint32_t(next[1]) << 16 | uint32_t(next[2]) << 8 | next[3];
    if (stored != crc) return restore();
    next = peek(12);
    if (!next || std::memcmp(next + 8, "IDAT", 4) != 0) break;
    left = int64_t(uint32_t(next[4]) << 24 | uint32_t(next[5]) << 16 | uint32_t(next[6]) << 8 |
                   next[7]);
    Consume(12);
    const uint8_t t[4] = {'I', 'D', 'A', 'T'};
    crc = Crc32(0, t, 4);
  }

  if (!whole.Rows.Allocate(size_t(size) + 16, true)) return restore();
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  if (!d) return restore();
  size_t used = 0, got = 0;
  libdeflate_result r = libdeflate_zlib_decompress_ex(d, data, size_t(dataSize), whole.Rows.Data(),
                                                      size_t(size), &used, &got);
  libdeflate_free_decompressor(d);
  gathered.Reset();
  if (r != LIBDEFLATE_SUCCESS || got != size_t(size)) return restore();
  // A bad filter fails part-way, where the row-by-row way knows how far it has read.
  const uint8_t* row = whole.Rows.Data();
  for (int p = 0; p < whole.Passes; ++p)
    for (int64_t i = 0; i < whole.RowCount[p]; ++i, row += whole.RowLength[p])
      if (*row > 4) return restore();
  std::memset(whole.Rows.Data() + size, 0, 16);
  chunkLeft_ = 0;
  crc_ = crc;
  return true;
}

void ZOVIDUDReadStream::ReadImageData() {
  State& s = *s_;
  if (!s.HeaderSeen) Fail("Read Header(PNG): IHDR not found");
  s.ImageStarted = true;
  const uint8_t t[4] = {'I', 'D', 'A', 'T'};
  crc_ = Crc32(0, t, 4);
  checkCrc_ = true;

  // Output format (the header step has refused the depths a colour type does not allow).
  int samples = 1;
  switch (s.ColorClass) {
    case 0:
      samples = s.AlphaChannel ? 2 : 1;
      if (s.AlphaChannel) {
        s.Kind = s.BitDepth == 16 ? TRowKind::GreyA16 : TRowKind::GreyA8;
        OutputBits = 8;
      } else if (s.BitDepth == 16) {
        s.Kind = TRowKind::Grey16;
        OutputBits = 8;
      } else if (s.BitDepth == 2) {
        s.Kind = TRowKind::Two;
        OutputBits = 4;
      } else {
        s.Kind = TRowKind::Copy;
        OutputBits = s.BitDepth;
      }
      break;
    case 2: {
      samples = s.AlphaChannel ? 4 : 3;
      uint32_t rgb = s.SigBits & 0xFFFFFF;
      bool narrow = Read16BitRgb && s.BitDepth == 8 && (rgb == 0x050505 || rgb == 0x050605);
      if (narrow) {
        s.Kind = TRowKind::Rgb565;
        OutputBits = 16;
      } else {
        s.Kind = s.AlphaChannel ? (s.BitDepth == 16 ? TRowKind::Rgba16 : TRowKind::Rgba8)
                                : (s.BitDepth == 16 ? TRowKind::Rgb16 : TRowKind::Rgb8);
        OutputBits = 24;
      }
      break;
    }
    default:
      s.Kind = s.BitDepth == 2 ? TRowKind::Two : TRowKind::Copy;
      OutputBits = s.BitDepth == 2 ? 4 : s.BitDepth;
      break;
  }
  s.PngBits = s.BitDepth * samples;

  // The header has been checked: depths and sizes are within what can be held. Refuse
  // what the remaining data could not possibly fill before allocating anything.
  ImageWidth = static_cast<int>(s.Width);
  ImageHeight = static_cast<int>(s.Height);
  TPass passes[7];
  int passCount = MakePasses(s.Width, s.Height, s.InterlaceMethod == 1, passes);
  int64_t filteredBytes = 0;
  {
    TPixelFormat fmt = OutputBits == 16   ? TPixelFormat::pf16bit
                       : OutputBits == 24 ? TPixelFormat::pf24bit
                                          : static_cast<TPixelFormat>(OutputBits);
    // The ceiling first: within it the byte counts below cannot overflow.
    if (!kDecodeLimits.Fits(s.Width, s.Height, fmt)) Fail("Read Header(PNG): Image too large");
    int64_t filtered = 0;
    for (int p = 0; p < passCount; ++p)
      filtered += (RowBytes(passes[p].Width, s.PngBits) + 1) * int64_t(passes[p].Height);
    // Deflate cannot expand data by more than about 1032 : 1.
    if ((filtered + 1039) / 1040 > RemainingData() + 64) Fail("Read Header(PNG): Image too large");
    filteredBytes = filtered;
  }

  // Small enough images are inflated in one piece before the raster is touched, so the
  // compressed copy is gone again when the rows are written; anything unusual about the
  // image data goes the row-by-row way instead.
  WholeRows whole;
  whole.Passes = passCount;
  for (int p = 0; p < passCount; ++p) {
    whole.RowLength[p] = RowBytes(passes[p].Width, s.PngBits) + 1;
    whole.RowCount[p] = passes[p].Height;
  }
  bool inWhole =
      filteredBytes > 0 && filteredBytes <= WholeImageLimit && InflateWhole(whole, filteredBytes);
  InflatedWhole = inWhole;
  // Until the rows begin, a failure leaves the reader where the row-by-row way would.
  struct RewindOnFailure {
    ZOVIDUDReadStream& self;
    const WholeRows& whole;
    bool active;
    int exceptions = std::uncaught_exceptions();
    ~RewindOnFailure() {
      if (active && std::uncaught_exceptions() > exceptions) self.Rewind(whole);
    }
  } rewindOnFailure{*this, whole, inWhole};
  if (!inWhole) {
    if (inflateInit(&s.Z) != Z_OK) Fail("PNG LoadStream: Error ZLIB");
    s.ZInit = true;
    // Reading stops at the last row, before the stream's own checksum, so computing it
    // would be wasted work.
    inflateValidate(&s.Z, 0);
  }

  if (s.ColorClass == 0) {
    if (OutputBits <= 8) {
      int n = s.BitDepth >= 8 ? 256 : (1 << s.BitDepth);
      auto grey = TBitmap::GreyPalette(n);
      uint8_t* pal = PaletteBuffer();
      for (int i = 0; i < n; ++i) {
        pal[i * 4] = grey[size_t(i)].Blue;
        pal[i * 4 + 1] = grey[size_t(i)].Green;
        pal[i * 4 + 2] = grey[size_t(i)].Red;
        pal[i * 4 + 3] = 0;
      }
      PaletteCount = n;
    }
  } else if (s.ColorClass == 2) {
    palette_.reset();
    PaletteCount = 0;
  } else if (!palette_) {
    PaletteCount = 0;
  }
  RowsCoverRaster = s.InterlaceMethod == 0;
  SetupTargetRaster();

  if (s.ColorClass == 3 && s.Trans == State::TransPalette) {
    int transparent = 0, opaque = 0, index = -1;
    for (int i = 0; i < 256; ++i) {
      if (s.PaletteAlpha[i] == 255) {
        ++transparent;
        index = i;
      } else if (s.PaletteAlpha[i] == 0) {
        ++opaque;
      }
    }
    if (transparent == 1 && opaque == 255) {
      s.Trans = State::TransSingle;
      s.TransColor = kPaletteIndexFlag + index;
    }
  }
  bool wantAlpha = s.AlphaChannel || s.Trans == State::TransPalette;
  TBitmap* alpha = nullptr;
  if (wantAlpha && alpha_) {
    alpha_->Clear();
    alpha_->Allocate(ImageWidth, ImageHeight, TPixelFormat::pf8bit);
    alpha_->SetPalette(TBitmap::GreyPalette(256));
    if (s.AlphaChannel) alpha = alpha_;
  }

  s.RowTransform = OnDecodeRow && !s.RowPassword.empty();

  int64_t totalRows = 0;
  for (int p = 0; p < passCount; ++p) totalRows += passes[p].Height;
  ProgressNewStage(TProgressMode::Items, totalRows, 98);

  const int bpp = std::max(1, s.PngBits / 8);
  const int64_t maxRow = RowBytes(s.Width, s.PngBits) + 1;
  // A small ring of rows per inflate call: zlib's per-call cost is noticeable, but a
  // whole-image buffer is not needed.
  int64_t batchRows = std::clamp<int64_t>(131072 / maxRow, 1, 32);
  // A width or height of 0 has no rows: a huge other side must not allocate anything.
  std::vector<uint8_t> bufA, bufB, zeros, convRow, alphaRow, saved;
  int64_t wholeAt = 0;
  bool interlaced = s.InterlaceMethod == 1;
  int outBytesPP = OutputBits / 8;  // 0 for 1 and 4 bits
  if (passCount > 0) {
    zeros.resize(size_t(maxRow) + 16, 0);
    if (!inWhole) {
      bufA.resize(size_t(batchRows * maxRow + 16));
      bufB.resize(size_t(batchRows * maxRow + 16));
    }
    if (interlaced) convRow.resize(size_t(RowBytes(s.Width, OutputBits) + 8));
    alphaRow.resize(size_t(s.Width) + 8);
    if (s.RowTransform) saved.resize(size_t(maxRow) + 16);
  }

  const bool heightSmall = s.Height < 4;
  int64_t rowNumber = 0;
  z_stream& z = s.Z;

  // A failed read leaves the rows not reached blank rather than uninitialised.
  struct BlankRest {
    TBitmap& raster;
    bool active;
    int64_t& done;
    ~BlankRest() {
      if (!active || !std::uncaught_exceptions()) return;
      for (int64_t y = done; y < raster.Height(); ++y)
        std::memset(raster.ScanLine(int(y)), 0, size_t(raster.Stride()));
    }
  } blankRest{*raster_, RowsCoverRaster, rowNumber};
  rewindOnFailure.active = false;

  for (int p = 0; p < passCount; ++p) {
    const TPass& pass = passes[p];
    const int64_t rowLen = RowBytes(pass.Width, s.PngBits) + 1;
    const int64_t n = rowLen - 1;
    const uint8_t* prev = zeros.data();
    std::vector<uint8_t>* cur = &bufA;
    int64_t passRow = 0;
    while (passRow < pass.Height) {
      int64_t rows = std::min<int64_t>(batchRows, pass.Height - passRow);
      uint8_t* out;
      if (inWhole) {
        // Rows before the previous one are not needed any more.
        if (wholeAt >= rowLen) whole.Rows.ReleaseBefore(size_t(wholeAt - rowLen));
        out = whole.Rows.Data() + wholeAt;
        wholeAt += rows * rowLen;
      } else {
        out = cur->data();
      }
      z.next_out = out;
      z.avail_out = inWhole ? 0 : static_cast<uInt>(rows * rowLen);
      while (z.avail_out > 0) {
        if (chunkLeft_ == 0) {
          if (!NextIdatChunk()) Fail(kReadError);
          continue;
        }
        int64_t avail = 0;
        const uint8_t* in = Window(avail);
        if (avail <= 0) Fail(kReadError);
        int64_t give = std::min<int64_t>({avail, chunkLeft_, 32768});
        z.next_in = const_cast<Bytef*>(in);
        z.avail_in = static_cast<uInt>(give);
        int ret = inflate(&z, Z_NO_FLUSH);
        int64_t used = give - z.avail_in;
        if (used > 0) crc_ = Crc32(crc_, in, size_t(used));
        Consume(used);
        chunkLeft_ -= used;
        if (ret == Z_STREAM_END) {
          if (z.avail_out > 0) Fail(kReadError);
          break;
        }
        if (ret != Z_OK) Fail(kReadError);
      }
      for (int64_t r = 0; r < rows; ++r, ++passRow) {
        uint8_t* row = out + r * rowLen;
        uint8_t* data = row + 1;
        if (!Unfilter(row[0], data, prev + 1, n, bpp)) Fail(kReadError);
        if (s.RowTransform) {
          std::memcpy(saved.data(), row, size_t(rowLen));
          OnDecodeRow(data, s.RowPassword, static_cast<int>(rowNumber), static_cast<int>(n));
          prev = saved.data();
        } else {
          prev = row;
        }
        ++rowNumber;
        int64_t y = pass.StartY + passRow * pass.StepY;
        uint8_t* dst = interlaced ? convRow.data() : raster_->ScanLine(static_cast<int>(y));
        uint8_t* adst =
            (alpha && !interlaced) ? alpha->ScanLine(static_cast<int>(y)) : alphaRow.data();
        const int64_t w = pass.Width;
        switch (s.Kind) {
          case TRowKind::Copy:
            std::memcpy(dst, data, size_t(n));
            break;
          case TRowKind::Two:
            for (int64_t x = 0; x < w; x += 2) {
              int v0 = (data[x >> 2] >> (6 - 2 * (x & 3))) & 3;
              int v1 = x + 1 < w ? (data[(x + 1) >> 2] >> (6 - 2 * ((x + 1) & 3))) & 3 : 0;
              dst[x >> 1] = static_cast<uint8_t>(v0 << 4 | v1);
            }
            break;
          case TRowKind::Grey16:
            for (int64_t x = 0; x < w; ++x) dst[x] = data[2 * x];
            break;
          case TRowKind::GreyA8:
            for (int64_t x = 0; x < w; ++x) {
              dst[x] = data[2 * x];
              adst[x] = static_cast<uint8_t>(255 - data[2 * x + 1]);
            }
            break;
          case TRowKind::GreyA16:
            for (int64_t x = 0; x < w; ++x) {
              dst[x] = data[4 * x];
              adst[x] = static_cast<uint8_t>(255 - data[4 * x + 2]);
            }
            break;
          case TRowKind::Rgb8:
            SwapRedBlue<3>(data, dst, adst, w);
            break;
          case TRowKind::Rgb16:
            for (int64_t x = 0; x < w; ++x) {
              const uint8_t* sp = data + 6 * x;
              uint8_t* dp = dst + 3 * x;
              dp[0] = sp[4];
              dp[1] = sp[2];
              dp[2] = sp[0];
            }
            break;
          case TRowKind::Rgba8:
            SwapRedBlue<4>(data, dst, adst, w);
            break;
          case TRowKind::Rgba16:
            for (int64_t x = 0; x < w; ++x) {
              const uint8_t* sp = data + 8 * x;
              uint8_t* dp = dst + 3 * x;
              dp[0] = sp[4];
              dp[1] = sp[2];
              dp[2] = sp[0];
              adst[x] = static_cast<uint8_t>(255 - sp[6]);
            }
            break;
          case TRowKind::Rgb565: {
            int step = s.AlphaChannel ? 4 : 3;
            for (int64_t x = 0; x < w; ++x) {
              const uint8_t* sp = data + step * x;
              uint16_t v =
                  static_cast<uint16_t>((sp[0] >> 3) << 11 | (sp[1] >> 2) << 5 | (sp[2] >> 3));
              dst[2 * x] = static_cast<uint8_t>(v);
              dst[2 * x + 1] = static_cast<uint8_t>(v >> 8);
              if (s.AlphaChannel) adst[x] = static_cast<uint8_t>(255 - sp[3]);
            }
            break;
          }
        }
        if (interlaced) {
          uint8_t* line = raster_->ScanLine(static_cast<int>(y));
          if (OutputBits == 1) {
            for (int64_t j = 0; j < w; ++j) {
              int bit = (dst[j >> 3] >> (7 - (j & 7))) & 1;
              int64_t xx = pass.StartX + j * pass.StepX;
              uint8_t mask = static_cast<uint8_t>(0x80 >> (xx & 7));
              line[xx >> 3] =
                  static_cast<uint8_t>(bit ? (line[xx >> 3] | mask) : (line[xx >> 3] & ~mask));
            }
          } else if (OutputBits == 4) {
            for (int64_t j = 0; j < w; ++j) {
              int v = (j & 1) ? (dst[j >> 1] & 15) : (dst[j >> 1] >> 4);
              int64_t xx = pass.StartX + j * pass.StepX;
              uint8_t& b = line[xx >> 1];
              b = (xx & 1) ? static_cast<uint8_t>((b & 0xF0) | v)
                           : static_cast<uint8_t>((b & 0x0F) | v << 4);
            }
          } else {
            switch (outBytesPP) {
              case 1:
                ScatterPixels<1>(dst, line, w, pass.StartX, pass.StepX);
                break;
              case 2:
                ScatterPixels<2>(dst, line, w, pass.StartX, pass.StepX);
                break;
              default:
                ScatterPixels<3>(dst, line, w, pass.StartX, pass.StepX);
                break;
            }
          }
          if (alpha) {
            uint8_t* aline = alpha->ScanLine(static_cast<int>(y));
            for (int64_t j = 0; j < w; ++j) aline[pass.StartX + j * pass.StepX] = adst[j];
          }
        }
        if (heightSmall || rowNumber % 4 == 2) ProgressPoint(rowNumber);
      }
      // The last row of this batch is the previous row of the next one.
      cur = cur == &bufA ? &bufB : &bufA;
    }
  }
  s.ImageDone = true;
  if (s.ZInit) inflateEnd(&z);
  s.ZInit = false;
  // The rest of the chunk still counts towards its checksum.
  while (chunkLeft_ > 0 && !Failed()) {
    int64_t avail = 0;
    const uint8_t* in = Window(avail);
    if (avail <= 0) break;
    int64_t take = std::min(avail, chunkLeft_);
    if (take > int64_t(RemainingData())) break;
    crc_ = Crc32(crc_, in, size_t(take));
    Consume(take);
    chunkLeft_ -= take;
  }
}

void ZOVIDUDReadStream::Finish() {
  State& s = *s_;
  if (!s.ImageDone && s.EndSeen) Fail("Read Image (PNG): IDAT not found");
  s.ExhaustedEarly = !s.EndSeen && EndOfData();
  TBitmap& raster = *raster_;
  HasAlpha = false;
  TransparentKey = -1;
  if (s.ImageDone) {
    if (!s.ExhaustedEarly && !s.AlphaChannel && s.Trans == State::TransSingle) {
      raster.SetTransparent(true);
      raster.SetTransparentColor(s.TransColor);
    }
    if (s.Trans == State::TransSingle && !s.AlphaChannel) TransparentKey = s.TransColor;
    if (s.AlphaChannel && alpha_ && !alpha_->Empty()) HasAlpha = true;
    if (s.Trans == State::TransPalette && alpha_ && !alpha_->Empty()) {
      int bits = raster.BitsPerPixel();
      for (int y = 0; y < raster.Height(); ++y) {
        const uint8_t* src = raster.ScanLine(y);
        uint8_t* dst = alpha_->ScanLine(y);
        for (int x = 0; x < raster.Width(); ++x) {
          int index = bits == 8   ? src[x]
                      : bits == 4 ? ((x & 1) ? (src[x >> 1] & 15) : (src[x >> 1] >> 4))
                                  : (src[x >> 3] >> (7 - (x & 7))) & 1;
          dst[x] = s.PaletteAlpha[index];
        }
      }
      HasAlpha = true;
    }
  }
  Text = s.Comment;
  BackgroundColor = s.Background;
  Interlaced = s.InterlaceMethod == 1;
  Gamma = s.Gamma;
  PhysUnit = s.PhysUnit;
  PhysX = s.PhysX;
  PhysY = s.PhysY;
  SignificantBits = s.SigBits;
  SourceBitsPerPixel = s.ColorClass == 2 ? s.BitDepth * 3 : s.BitDepth;
  Grayscale = s.ColorClass == 0;
  ModifiedTime = s.Time;
  Chromaticity = s.Chrm;
  GifControl = s.Gif;
  ProgressNewStage(TProgressMode::Items, 1, 0);
  ProgressEnd();
}

// ===========================================================================================
// Writer

namespace {

inline int Luminance(int r, int g, int b) {
  return (77 * r + 150 * g + 29 * b) / 256;
}

uint8_t* Aligned(std::vector<uint8_t>& storage, size_t size) {
  storage.resize(size + 64);
  auto addr = reinterpret_cast<uintptr_t>(storage.data());
  return storage.data() + ((32 - (addr & 31)) & 31);
}

void FilterRow(int type, const uint8_t* row, const uint8_t* prev, uint8_t* out, int64_t n,
               int bpp) {
  out[0] = static_cast<uint8_t>(type);
  uint8_t* o = out + 1;
  switch (type) {
    case 0:
      std::memcpy(o, row, size_t(n));
      break;
    case 1: {
      int64_t i = 0;
      for (; i < bpp && i < n; ++i) o[i] = row[i];
      for (; i < n; ++i) o[i] = static_cast<uint8_t>(row[i] - row[i - bpp]);
      break;
    }
    case 2:
      for (int64_t i = 0; i < n; ++i) o[i] = static_cast<uint8_t>(row[i] - prev[i]);
      break;
    case 3: {
      int64_t i = 0;
      for (; i < bpp && i < n; ++i) o[i] = static_cast<uint8_t>(row[i] - (prev[i] >> 1));
      for (; i < n; ++i) o[i] = static_cast<uint8_t>(row[i] - ((row[i - bpp] + prev[i]) >> 1));
      break;
    }
    case 4: {
      int64_t i = 0;
      for (; i < bpp && i < n; ++i) o[i] = static_cast<uint8_t>(row[i] - prev[i]);
      for (; i < n; ++i) {
        int a = row[i - bpp], b = prev[i], c = prev[i - bpp];
        int p = b - c, q = a - c;
        int pa = p < 0 ? -p : p, pb = q < 0 ? -q : q, pc = (p + q) < 0 ? -(p + q) : p + q;
        int pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        o[i] = static_cast<uint8_t>(row[i] - pred);
      }
      break;
    }
  }
}

}  // namespace

int PngFilterScore(const uint8_t* row, int length, int rowBits, uint32_t* counts) {
  std::memset(counts, 0, 256 * sizeof(uint32_t));
  for (int i = 0; i < length; ++i) ++counts[row[i]];
  int k = 0;
  uint32_t t1 = 0, t2 = 0, t3 = 0;
  for (int v = 0; v < 256; ++v) {
    uint32_t c = counts[v];
    if (c == 0) continue;
    ++k;
    if (c >= t1) {
      t3 = t2;
      t2 = t1;
      t1 = c;
    } else if (c >= t2) {
      t3 = t2;
      t2 = c;
    } else if (c >= t3) {
      t3 = c;
    }
  }
  if (length <= 0) return -1;
  if (k <= 8 || uint64_t(t1) * 100 / uint64_t(length) >= 90) return -1;
  double n = length;
  double score;
  if (rowBits >= 8)
    score = n / 1.5 / k * 1000.0 + double(t1 + t2 + t3) / n * 1000.0;
  else
    score = n / 1.5 / k * 1500.0 + double(t1 + t2) / n * 1000.0;
  return static_cast<int>(std::nearbyint(score));
}

struct ZOVIDUDWriteStream::State {
  z_stream Z{};
  bool ZInit = false;
  std::vector<uint8_t> Out;
  ~State() {
    if (ZInit) deflateEnd(&Z);
  }
};

ZOVIDUDWriteStream::ZOVIDUDWriteStream() = default;
ZOVIDUDWriteStream::~ZOVIDUDWriteStream() = default;

void ZOVIDUDWriteStream::SetIdatSize(int size) {
  if (size < kMinIdatSize || size > kMaxIdatSize)
    Fail("Write PNG Param: Err IDAT Size(min:256  max:100000)");
  IdatSize = size;
}

void ZOVIDUDWriteStream::SetProperties(const TPngProperties& p) {
  SetIdatSize(p.IdatSize);
  static_cast<TPngProperties&>(*this) = p;
}

void ZOVIDUDWriteStream::WriteChunk(const char* type, const uint8_t* data, uint32_t length) {
  WriteU32(length);
  uint32_t crc = Crc32(0, reinterpret_cast<const uint8_t*>(type), 4);
  WriteBytes(type, 4);
  if (length > 0) {
    crc = Crc32(crc, data, length);
    WriteBytes(data, length);
  }
  WriteU32(crc);
}

namespace {

// The libdeflate level for a compression level of -1..9: 0 stores, -1 is the standard
// level. Its level 7 gives filtered rows of photographs 5 to 10 per cent smaller than
// zlib's level 6 in about a third of the time, and palette pictures no larger; level 6
// is no faster on photographs and a little larger than zlib on palette pictures, the
// greedy levels below are larger than zlib on small pictures.
int DeflateLevel(int level) {
  constexpr int kStandard = 7;
  return level < 0 ? kStandard : level;
}

void Put16(std::vector<uint8_t>& v, int x) {
  v.push_back(static_cast<uint8_t>(x >> 8));
  v.push_back(static_cast<uint8_t>(x));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<uint8_t>(x >> s));
}

// Nearest palette entry: smallest sum of channel differences, first on ties.
int NearestEntry(const std::vector<TRGBQuad>& pal, TColor c) {
  if ((c & 0xFF000000) == kPaletteIndexFlag) {
    int index = c & 0xFF;
    return index < int(pal.size()) ? index : -1;
  }
  int best = -1, bestDist = INT32_MAX;
  for (size_t i = 0; i < pal.size(); ++i) {
    int d = std::abs(pal[i].Red - RedOf(c)) + std::abs(pal[i].Green - GreenOf(c)) +
            std::abs(pal[i].Blue - BlueOf(c));
    if (d < bestDist) {
      bestDist = d;
      best = int(i);
      if (d == 0) break;
    }
  }
  return best;
}

// A palette index becomes its palette colour (when the raster has that entry).
TColor ResolveColor(const std::vector<TRGBQuad>& pal, TColor c) {
  if ((c & 0xFF000000) == kPaletteIndexFlag) {
    size_t index = size_t(c & 0xFF);
    if (index < pal.size()) return RGBColor(pal[index].Red, pal[index].Green, pal[index].Blue);
  }
  return c;
}

}  // namespace

void ZOVIDUDWriteStream::WriteImage() {
  TBitmap& raster = *raster_;
  if (raster.Empty()) Fail("Write PNG Param: Err Image Size(width or height is 0)");
  s_ = std::make_unique<State>();
  struct Release {
    ZOVIDUDWriteStream& self;
    ~Release() { self.s_.reset(); }
  } release{*this};

  ProgressStart();
  ProgressNewStage(TProgressMode::Items, 1, 30);

  const int srcBits = raster.BitsPerPixel();
  const bool indexed = raster.Indexed();
  const TBitmap* a = AlphaPlane;
  bool alpha = a && a != &raster && !a->Empty() && a->Width() == raster.Width() &&
               a->Height() == raster.Height() && a->PixelFormat() == TPixelFormat::pf8bit;
  int colorType, depth, rowBits;
  if (indexed) {
    depth = srcBits;
    if (!Grayscale) {
      colorType = 3;
      alpha = false;
    } else {
      colorType = 0;
      if (depth == 8 && alpha)
        colorType = 4;
      else
        alpha = false;
    }
  } else {
    depth = 8;
    if (Grayscale)
      colorType = alpha ? 4 : 0;
    else
      colorType = alpha ? 6 : 2;
  }
  switch (colorType) {
    case 2:
      rowBits = 24;
      break;
    case 6:
      rowBits = 32;
      break;
    case 4:
      rowBits = 16;
      break;
    default:
      rowBits = depth;
      break;
  }
  const auto& pal = raster.Palette();

  WriteBytes(kSignature, 8);
  std::vector<uint8_t> d;
  Put32(d, uint32_t(raster.Width()));
  Put32(d, uint32_t(raster.Height()));
  d.push_back(uint8_t(depth));
  d.push_back(uint8_t(colorType));
  d.push_back(0);
  d.push_back(0);
  d.push_back(Interlaced ? 1 : 0);
  WriteChunk("IHDR", d.data(), uint32_t(d.size()));

  TPngTime t = UseCurrentTime ? PngTimeNow() : ModifiedTime;
  if (t.Year != 0 && t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= 31 && t.Hour < 24 &&
      t.Minute < 60 && t.Second < 61) {
    d.clear();
    Put16(d, t.Year);
    for (uint8_t b : {t.Month, t.Day, t.Hour, t.Minute, t.Second}) d.push_back(b);
    WriteChunk("tIME", d.data(), 7);
  }
  auto text = [&](const std::string& key, const std::string& value) {
    if (key.size() >= 80) return;
    d.assign(key.begin(), key.end());
    d.push_back(0);
    d.insert(d.end(), value.begin(), value.end());
    WriteChunk("tEXt", d.data(), uint32_t(d.size()));
  };
  if (!Comment.empty()) text("Comment", Comment);
  text("Software", "ZUDIRA ver 3.4");
  {
    uint8_t p[8] = {'D', 'E', 'Z', '3', uint8_t(!Password.empty() && OnEncodeRow ? 1 : 0), 0, 0, 0};
    WriteChunk("tpNG", p, 8);
  }
  if (GifControl[0] || GifControl[1] || GifControl[2] || GifControl[3])
    WriteChunk("gIFg", GifControl.data(), 4);
  {
    double g = std::nearbyint(Gamma * 100000.0);
    if (g > 0 && g <= 4294967295.0) {
      d.clear();
      Put32(d, static_cast<uint32_t>(g));
      WriteChunk("gAMA", d.data(), 4);
    }
  }
  if (Chromaticity[0] != 0 && Chromaticity[1] != 0) {
    d.clear();
    for (uint32_t v : Chromaticity) Put32(d, v);
    WriteChunk("cHRM", d.data(), 32);
  }
  {
    uint32_t sb = SignificantBits;
    if (srcBits == 15)
      sb = 0x050505 | (alpha ? 0x08000000u : 0);
    else if (srcBits == 16)
      sb = 0x050605 | (alpha ? 0x08000000u : 0);
    if (sb != 0 && !Grayscale) {
      d.clear();
      int n = alpha ? 4 : 3;
      for (int i = 0; i < n; ++i) d.push_back(static_cast<uint8_t>(sb >> (8 * i)));
      WriteChunk("sBIT", d.data(), uint32_t(n));
    }
  }
  // More entries than the depth can address would make the file unreadable elsewhere;
  // the background and the transparent index are looked up among the written ones only.
  std::vector<TRGBQuad> written(
      pal.begin(), pal.begin() + std::ptrdiff_t(std::min<size_t>(pal.size(), size_t(1) << depth)));
  // A palette image needs its palette chunk; a raster without palette shows black.
  if (colorType == 3 && written.empty()) written.assign(size_t(1) << depth, TRGBQuad{});
  if (colorType == 3) {
    d.clear();
    for (const TRGBQuad& entry : written) {
      d.push_back(entry.Red);
      d.push_back(entry.Green);
      d.push_back(entry.Blue);
    }
    WriteChunk("PLTE", d.data(), uint32_t(d.size()));
  }
  auto greyValue = [&](TColor c) {
    TColor rgb = ResolveColor(pal, c);
    int l = Luminance(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
    if (srcBits == 1) return l >= 128 ? 1 : 0;
    if (srcBits == 4) return l / 16;
    return l;
  };
  if (BackgroundColor != -1) {
    d.clear();
    if (colorType == 3) {
      int index = NearestEntry(written, BackgroundColor);
      if (index >= 0) {
        d.push_back(uint8_t(index));
        WriteChunk("bKGD", d.data(), 1);
      }
    } else if (colorType == 2 || colorType == 6) {
      TColor c = ResolveColor(pal, BackgroundColor);
      Put16(d, RedOf(c));
      Put16(d, GreenOf(c));
      Put16(d, BlueOf(c));
      WriteChunk("bKGD", d.data(), 6);
    } else {
      Put16(d, greyValue(BackgroundColor));
      WriteChunk("bKGD", d.data(), 2);
    }
  }
  if (TransparentKey != -1 && !alpha) {
    d.clear();
    if (colorType == 3) {
      // No entry to mark: no chunk (an empty one would be refused by other readers).
      int index = NearestEntry(written, TransparentKey);
      if (index >= 0) {
        d.assign(size_t(index) + 1, 255);
        d[size_t(index)] = 0;
        WriteChunk("tRNS", d.data(), uint32_t(d.size()));
      }
    } else if (colorType == 2) {
      TColor c = ResolveColor(pal, TransparentKey);
      Put16(d, RedOf(c));
      Put16(d, GreenOf(c));
      Put16(d, BlueOf(c));
      WriteChunk("tRNS", d.data(), 6);
    } else {
      Put16(d, greyValue(TransparentKey));
      WriteChunk("tRNS", d.data(), 2);
    }
  }
  if (PhysX >= 1 && PhysY >= 1) {
    d.clear();
    if (PhysUnit == 2) {
      // Per inch to per metre; sizes that no longer fit are left out.
      double x = std::trunc(PhysX * 100.0 / 254.0 * 100.0);
      double y = std::trunc(PhysY * 100.0 / 254.0 * 100.0);
      if (x <= 2147483647.0 && y <= 2147483647.0) {
        Put32(d, static_cast<uint32_t>(x));
        Put32(d, static_cast<uint32_t>(y));
        d.push_back(1);
      }
    } else {
      Put32(d, uint32_t(PhysX));
      Put32(d, uint32_t(PhysY));
      d.push_back(PhysUnit == 1 ? 1 : 0);
    }
    if (d.size() == 9) WriteChunk("pHYs", d.data(), 9);
  }
  ProgressPoint(1);

  // Image data.
  State& s = *s_;
  int level = (CompressionLevel >= -1 && CompressionLevel <= 9) ? CompressionLevel : -1;
  const int width = raster.Width(), height = raster.Height();
  TPass passes[7];
  int passCount = MakePasses(width, height, Interlaced, passes);
  int64_t totalRows = 0, filteredBytes = 0;
  for (int p = 0; p < passCount; ++p) {
    totalRows += passes[p].Height;
    filteredBytes += (RowBytes(passes[p].Width, rowBits) + 1) * passes[p].Height;
  }
  // Up to the limit the filtered rows are gathered and compressed in one piece; above it,
  // or when that memory cannot be had, they stream through zlib.
  TBigBuffer filtered;
  int64_t filteredAt = 0;
  const bool whole = filteredBytes <= WholeImageLimit && filtered.Allocate(size_t(filteredBytes));
  z_stream& z = s.Z;
  auto startZlib = [&] {
    if (deflateInit2(&s.Z, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      Fail("Write Image (PNG): Write Error");
    s.ZInit = true;
    s.Out.resize(size_t(IdatSize));
    z.next_out = s.Out.data();
    z.avail_out = uInt(IdatSize);
  };
  if (!whole) startZlib();
  ProgressNewStage(TProgressMode::Items, totalRows, 0);

  const int bpp = std::max(1, (rowBits + 7) / 8);
  const int64_t maxRow = RowBytes(width, rowBits);
  std::vector<uint8_t> rowStore, prevStore, bestStore, trialStore;
  uint8_t* row = Aligned(rowStore, size_t(maxRow) + 8);
  uint8_t* prev = Aligned(prevStore, size_t(maxRow) + 8);
  uint8_t* best = Aligned(bestStore, size_t(maxRow) + 8);
  uint8_t* trial = Aligned(trialStore, size_t(maxRow) + 8);
  uint32_t counts[256];

  // Grey tables for indexed sources in greyscale mode.
  uint8_t greyTable[256];
  for (int i = 0; i < 256; ++i) greyTable[i] = uint8_t(i);
  bool invertBits = false;
  if (indexed && Grayscale && !pal.empty()) {
    for (size_t i = 0; i < pal.size() && i < 256; ++i) {
      int sum = 77 * pal[i].Red + 150 * pal[i].Green + 29 * pal[i].Blue;
      if (depth == 8)
        greyTable[i] = uint8_t(sum / 256);
      else if (depth == 4)
        greyTable[i] = uint8_t(sum / 4096);
    }
    if (depth == 1 && pal.size() >= 2) {
      invertBits = Luminance(pal[1].Red, pal[1].Green, pal[1].Blue) <
                   Luminance(pal[0].Red, pal[0].Green, pal[0].Blue);
    }
  }
  int mode = FilterMode > 5 ? 1 : FilterMode;
  int sourceDepth = (!indexed && Grayscale) ? 8 : srcBits;

  auto feed = [&](const uint8_t* data, int64_t count, int flush) {
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(count);
    for (;;) {
      int ret = deflate(&z, flush);
      if (ret == Z_STREAM_ERROR) Fail("Write Image (PNG): Write Error");
      if (z.avail_out == 0) {
        WriteChunk("IDAT", s.Out.data(), uint32_t(IdatSize));
        z.next_out = s.Out.data();
        z.avail_out = uInt(IdatSize);
        continue;
      }
      if (flush == Z_FINISH) {
        if (ret == Z_STREAM_END) break;
        if (ret != Z_OK && ret != Z_BUF_ERROR) Fail("Write Image (PNG): Write Error");
        continue;
      }
      if (z.avail_in == 0) break;
    }
  };

  int64_t rowNumber = 0;
  const bool heightSmall = height < 4;
  for (int p = 0; p < passCount; ++p) {
    const TPass& pass = passes[p];
    const int64_t n = RowBytes(pass.Width, rowBits);
    std::memset(prev, 0, size_t(n));
    for (int64_t i = 0; i < pass.Height; ++i) {
      int y = static_cast<int>(pass.StartY + i * pass.StepY);
      const uint8_t* src = raster.ScanLine(y);
      const uint8_t* asrc = alpha ? a->ScanLine(y) : nullptr;
      const int64_t w = pass.Width;
      const int sx = pass.StartX, step = pass.StepX;
      if (indexed) {
        if (depth == 8) {
          if (!Grayscale && step == 1) {
            std::memcpy(row, src, size_t(w));
          } else if (colorType == 4) {
            for (int64_t j = 0; j < w; ++j) {
              int64_t x = sx + j * step;
              row[2 * j] = greyTable[src[x]];
              row[2 * j + 1] = uint8_t(255 - asrc[x]);
            }
          } else {
            for (int64_t j = 0; j < w; ++j)
              row[j] = Grayscale ? greyTable[src[sx + j * step]] : src[sx + j * step];
          }
        } else if (depth == 4) {
          std::memset(row, 0, size_t(n));
          for (int64_t j = 0; j < w; ++j) {
            int64_t x = sx + j * step;
            int v = (x & 1) ? (src[x >> 1] & 15) : (src[x >> 1] >> 4);
            if (Grayscale) v = greyTable[v] & 15;
            row[j >> 1] |= uint8_t((j & 1) ? v : v << 4);
          }
        } else {
          std::memset(row, 0, size_t(n));
          for (int64_t j = 0; j < w; ++j) {
            int64_t x = sx + j * step;
            int v = (src[x >> 3] >> (7 - (x & 7))) & 1;
            if (invertBits) v ^= 1;
            row[j >> 3] |= uint8_t(v << (7 - (j & 7)));
          }
        }
      } else if ((srcBits == 24 || srcBits == 32) && !Grayscale) {
        const int size = srcBits / 8;
        const uint8_t* px = src + int64_t(sx) * size;
        const int64_t advance = int64_t(step) * size;
        uint8_t* o = row;
        if (alpha) {
          const uint8_t* ap = asrc + sx;
          for (int64_t j = 0; j < w; ++j, px += advance, ap += step, o += 4) {
            o[0] = px[2];
            o[1] = px[1];
            o[2] = px[0];
            o[3] = uint8_t(255 - *ap);
          }
        } else {
          for (int64_t j = 0; j < w; ++j, px += advance, o += 3) {
            o[0] = px[2];
            o[1] = px[1];
            o[2] = px[0];
          }
        }
      } else {
        uint8_t* o = row;
        for (int64_t j = 0; j < w; ++j) {
          int64_t x = sx + j * step;
          int r, g, b;
          if (srcBits == 24 || srcBits == 32) {
            const uint8_t* px = src + x * (srcBits / 8);
            b = px[0];
            g = px[1];
            r = px[2];
          } else {
            int v = src[2 * x] | src[2 * x + 1] << 8;
            if (srcBits == 15) {
              int r5 = (v >> 10) & 31, g5 = (v >> 5) & 31, b5 = v & 31;
              r = (r5 << 3) | (r5 >> 2);
              g = (g5 << 3) | (g5 >> 3);
              b = (b5 << 3) | (b5 >> 2);
            } else {
              int r5 = (v >> 11) & 31, g6 = (v >> 5) & 63, b5 = v & 31;
              r = (r5 << 3) | (r5 >> 2);
              g = (g6 << 2) | (g6 >> 4);
              b = (b5 << 3) | (b5 >> 2);
            }
          }
          if (Grayscale) {
            *o++ = uint8_t(Luminance(r, g, b));
          } else {
            *o++ = uint8_t(r);
            *o++ = uint8_t(g);
            *o++ = uint8_t(b);
          }
          if (alpha) *o++ = uint8_t(255 - asrc[x]);
        }
      }
      if (OnEncodeRow && !Password.empty())
        OnEncodeRow(row, Password, static_cast<int>(rowNumber), static_cast<int>(n));

      int chosen = 0;
      uint8_t* out = best;  // the filtered row
      if (mode >= 1 && mode <= 5) {
        chosen = mode - 1;
        // Straight into its place among the gathered rows.
        if (whole) out = filtered.Data() + filteredAt;
        FilterRow(chosen, row, prev, out, n, bpp);
      } else {
        FilterRow(0, row, prev, best, n, bpp);
        int bestScore = PngFilterScore(best, int(n + 1), rowBits, counts);
        if (bestScore != -1 && sourceDepth != 4) {
          if (sourceDepth == 1 || sourceDepth == 8) bestScore *= 2;
          for (int f = 1; f <= 4; ++f) {
            FilterRow(f, row, prev, trial, n, bpp);
            int score = PngFilterScore(trial, int(n + 1), rowBits, counts);
            if (score == -1) {
              std::swap(best, trial);
              break;
            }
            if (score > bestScore) {
              bestScore = score;
              std::swap(best, trial);
            }
          }
        }
      }
      if (mode == 0) out = best;
      if (whole) {
        if (out == best) std::memcpy(filtered.Data() + filteredAt, best, size_t(n + 1));
        filteredAt += n + 1;
      } else {
        feed(out, n + 1, Z_NO_FLUSH);
      }
      std::swap(row, prev);
      ++rowNumber;
      if (heightSmall || rowNumber % 4 == 2) ProgressPoint(rowNumber);
    }
  }
  bool packedDone = false;
  if (whole) {
    TBigBuffer packed;
    size_t got = 0;
    if (libdeflate_compressor* c = libdeflate_alloc_compressor(DeflateLevel(level))) {
      if (packed.Allocate(libdeflate_zlib_compress_bound(c, size_t(filteredBytes))))
        got = libdeflate_zlib_compress(c, filtered.Data(), size_t(filteredBytes), packed.Data(),
                                       packed.Size());
      libdeflate_free_compressor(c);
    }
    if (got > 0) {
      filtered.Reset();
      for (size_t at = 0; at < got; at += size_t(IdatSize))
        WriteChunk("IDAT", packed.Data() + at, uint32_t(std::min(got - at, size_t(IdatSize))));
      packedDone = true;
    } else {
      // Short of memory for the compressor: the rows are ready, so zlib takes them.
      packed.Reset();
      startZlib();
      feed(filtered.Data(), filteredBytes, Z_NO_FLUSH);
      filtered.Reset();
    }
  }
  if (!packedDone) {
    feed(nullptr, 0, Z_FINISH);
    uint32_t rest = uint32_t(IdatSize) - z.avail_out;
    if (rest > 0) WriteChunk("IDAT", s.Out.data(), rest);
  }
  WriteChunk("IEND", nullptr, 0);
  ProgressEnd();
}

const char* ZlibVersionText() {
  return zlibVersion();
}

}  // namespace verid
