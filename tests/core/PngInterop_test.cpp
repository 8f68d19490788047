// Our PNG reader and writer against libpng: files libpng writes must read back to the
// pixels libpng reads, files we write must be accepted by libpng with the source pixels,
// and the PngSuite corpus must decode (or fail cleanly) as libpng says.
#include <gtest/gtest.h>

#ifdef VERID_HAVE_LIBPNG
#include <png.h>
#include <setjmp.h>
#endif

#include <cstring>
#include <filesystem>
#include <random>

#include "imaging/ZUDIRA.h"
#include "support/PngBuilder.h"
#include "support/TempDir.h"

using namespace verid;

#ifdef VERID_HAVE_LIBPNG

namespace {

struct Rgba {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Px;  // r, g, b, a
  bool Ok = false;
  std::string Error;
  int ColorType = 0, Depth = 0;
  bool HasTrnsKey = false;
};

struct MemReader {
  const std::vector<uint8_t>* Data;
  size_t At = 0;
};

void ReadCb(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<MemReader*>(png_get_io_ptr(png));
  if (r->At + n > r->Data->size()) png_error(png, "read past end");
  std::memcpy(out, r->Data->data() + r->At, n);
  r->At += n;
}

void ErrorCb(png_structp png, png_const_charp msg) {
  auto* e = static_cast<std::string*>(png_get_error_ptr(png));
  *e = msg;
  png_longjmp(png, 1);
}
void WarnCb(png_structp, png_const_charp) {}
// Strict reading: a warning counts as a rejection too.
void StrictWarnCb(png_structp png, png_const_charp msg) {
  auto* e = static_cast<std::string*>(png_get_error_ptr(png));
  if (e->empty()) *e = std::string("warning: ") + msg;
}

// Every image as 8-bit RGBA: 16-bit samples reduced to the high byte, low grey depths
// scaled, palette and tRNS expanded. `strict` makes libpng's benign errors (a chunk it
// drops as invalid) and its warnings fail the read.
Rgba LibpngDecode(const std::vector<uint8_t>& file, bool strict = false) {
  Rgba out;
  MemReader src{&file};
  std::string error;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, ErrorCb,
                                           strict ? StrictWarnCb : WarnCb);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    out.Error = error;
    png_destroy_read_struct(&png, &info, nullptr);
    return out;
  }
  if (strict) png_set_benign_errors(png, 0);
  png_set_read_fn(png, &src, ReadCb);
  png_read_info(png, info);
  out.Width = int(png_get_image_width(png, info));
  out.Height = int(png_get_image_height(png, info));
  out.ColorType = png_get_color_type(png, info);
  out.Depth = png_get_bit_depth(png, info);
  out.HasTrnsKey =
      png_get_valid(png, info, PNG_INFO_tRNS) && out.ColorType != PNG_COLOR_TYPE_PALETTE;
  png_set_strip_16(png);
  png_set_expand(png);
  png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  out.Px.resize(size_t(out.Width) * out.Height * 4);
  rows.resize(size_t(out.Height));
  for (int y = 0; y < out.Height; ++y) rows[size_t(y)] = out.Px.data() + size_t(y) * out.Width * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  out.Ok = error.empty();
  out.Error = error;
  return out;
}

struct MemWriter {
  std::vector<uint8_t> Data;
};
void WriteCb(png_structp png, png_bytep d, png_size_t n) {
  auto* w = static_cast<MemWriter*>(png_get_io_ptr(png));
  w->Data.insert(w->Data.end(), d, d + n);
}
void FlushCb(png_structp) {}

struct LibpngImage {
  int Width, Height, Depth, ColorType, Interlace;
  std::vector<uint8_t> Raw;  // rows packed as in PNG
  std::vector<png_color> Palette;
  std::vector<uint8_t> PaletteAlpha;
  bool Key = false;
  png_color_16 KeyColor{};
};

size_t Channels(int colorType) {
  switch (colorType) {
    case 0:
    case 3:
      return 1;
    case 4:
      return 2;
    case 2:
      return 3;
    default:
      return 4;
  }
}

size_t RowBytesOf(const LibpngImage& im) {
  return (size_t(im.Width) * im.Depth * Channels(im.ColorType) + 7) / 8;
}

std::vector<uint8_t> LibpngEncode(const LibpngImage& im) {
  MemWriter out;
  std::string error;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, ErrorCb, WarnCb);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "libpng write: " << error;
    return {};
  }
  png_set_write_fn(png, &out, WriteCb, FlushCb);
  png_set_IHDR(png, info, png_uint_32(im.Width), png_uint_32(im.Height), im.Depth, im.ColorType,
               im.Interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!im.Palette.empty()) png_set_PLTE(png, info, im.Palette.data(), int(im.Palette.size()));
  if (!im.PaletteAlpha.empty())
    png_set_tRNS(png, info, im.PaletteAlpha.data(), int(im.PaletteAlpha.size()), nullptr);
  if (im.Key) png_set_tRNS(png, info, nullptr, 0, &im.KeyColor);
  png_write_info(png, info);
  int passes = png_set_interlace_handling(png);
  size_t rb = RowBytesOf(im);
  for (int p = 0; p < passes; ++p)
    for (int y = 0; y < im.Height; ++y)
      png_write_row(png, const_cast<png_bytep>(im.Raw.data() + size_t(y) * rb));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out.Data;
}

// Our decoded picture as RGBA under the same reductions.
std::vector<uint8_t> OursAsRgba(const ZOVIDUD& g) {
  const TBitmap& r = g.ColorRaster();
  std::vector<uint8_t> px(size_t(r.Width()) * r.Height() * 4);
  for (int y = 0; y < r.Height(); ++y)
    for (int x = 0; x < r.Width(); ++x) {
      uint32_t c = r.PixelRGB(x, y);
      uint8_t* p = px.data() + (size_t(y) * r.Width() + x) * 4;
      p[0] = uint8_t(c >> 16);
      p[1] = uint8_t(c >> 8);
      p[2] = uint8_t(c);
      uint8_t a = 255;
      if (g.HasAlpha) {
        a = uint8_t(255 - g.AlphaBitmap().ScanLine(y)[x]);
      } else if (r.Transparent()) {
        TColor key = r.TransparentColor();
        bool hit = (key & 0xFF000000) == kPaletteIndexFlag
                       ? r.PixelValue(x, y) == uint32_t(key & 0xFF)
                       : RGBColor(p[0], p[1], p[2]) == key;
        if (hit) a = 0;
      }
      p[3] = a;
    }
  return px;
}

std::string FirstDifference(const Rgba& ref, const std::vector<uint8_t>& ours, bool alpha) {
  for (size_t i = 0; i < ref.Px.size() && i < ours.size(); ++i) {
    if (!alpha && i % 4 == 3) continue;
    if (ref.Px[i] != ours[i]) {
      size_t px = i / 4;
      return "pixel (" + std::to_string(px % size_t(ref.Width)) + "," +
             std::to_string(px / size_t(ref.Width)) + ") channel " + std::to_string(i % 4) +
             ": libpng " + std::to_string(ref.Px[i]) + ", ours " + std::to_string(ours[i]);
    }
  }
  if (ref.Px.size() != ours.size()) return "size differs";
  return {};
}

ZOVIDUD DecodeOurs(const std::vector<uint8_t>& file) {
  ZOVIDUD g;
  TMemoryStream s{std::vector<uint8_t>(file)};
  g.LoadFromStream(s);
  return g;
}

// The same comparison both ways round: our pixels against libpng's.
void ExpectSamePixels(const std::vector<uint8_t>& file, const std::string& what) {
  Rgba ref = LibpngDecode(file);
  ASSERT_TRUE(ref.Ok) << what << ": libpng: " << ref.Error;
  ZOVIDUD g = DecodeOurs(file);
  ASSERT_EQ(g.Width(), ref.Width) << what;
  ASSERT_EQ(g.Height(), ref.Height) << what;
  // A 16-bit key matches on all 16 bits in libpng but on the high byte here.
  bool alpha = !(ref.HasTrnsKey && ref.Depth == 16);
  EXPECT_EQ(FirstDifference(ref, OursAsRgba(g), alpha), "") << what;
}

}  // namespace

TEST(PngInterop, FilesWrittenByLibpngReadBackTheSame) {
  struct Kind {
    int ColorType, Depth;
  };
  const Kind kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                        {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  std::mt19937 rng(7);
  int made = 0;
  for (const Kind& k : kinds)
    for (int interlace = 0; interlace < 2; ++interlace)
      for (int variant = 0; variant < 3; ++variant) {  // plain, key / palette alpha, single entry
        if (variant > 0 && (k.ColorType == 4 || k.ColorType == 6)) continue;
        LibpngImage im{variant == 2 ? 1 : 13,
                       variant == 2 ? 1 : 11,
                       k.Depth,
                       k.ColorType,
                       interlace,
                       {},
                       {},
                       {}};
        if (variant == 1) im.Width = 37, im.Height = 6;
        im.Raw.resize(RowBytesOf(im) * size_t(im.Height));
        for (auto& b : im.Raw) b = uint8_t(rng());
        if (k.ColorType == 3) {
          int n = 1 << k.Depth;
          for (int i = 0; i < n; ++i)
            im.Palette.push_back(png_color{uint8_t(rng()), uint8_t(rng()), uint8_t(i)});
          if (variant == 1) {
            im.PaletteAlpha = {0, 128, 255, 0};
            im.PaletteAlpha.resize(std::min<size_t>(4, size_t(n)));
          }
          if (variant == 2) {
            im.PaletteAlpha.assign(size_t(n), 255);
            im.PaletteAlpha[size_t(n - 1)] = 0;
          }
        } else if (variant > 0) {
          im.Key = true;
          int max = (1 << k.Depth) - 1;
          // Take the first pixel's sample so the key is really used.
          std::vector<uint8_t> first(im.Raw.begin(),
                                     im.Raw.begin() + long(std::min<size_t>(6, im.Raw.size())));
          first.resize(6);
          im.KeyColor.gray =
              png_uint_16((k.Depth >= 8 ? (first[0] << 8 | first[1]) >> (16 - k.Depth)
                                        : first[0] >> (8 - k.Depth)) &
                          max);
          if (k.Depth == 8) im.KeyColor.gray = first[0];
          im.KeyColor.red = png_uint_16(k.Depth == 16 ? (first[0] << 8 | first[1]) : first[0]);
          im.KeyColor.green = png_uint_16(k.Depth == 16 ? (first[2] << 8 | first[3]) : first[1]);
          im.KeyColor.blue = png_uint_16(k.Depth == 16 ? (first[4] << 8 | first[5]) : first[2]);
        }
        std::vector<uint8_t> file = LibpngEncode(im);
        std::string what = "colour type " + std::to_string(k.ColorType) + " depth " +
                           std::to_string(k.Depth) + " interlace " + std::to_string(interlace) +
                           " variant " + std::to_string(variant);
        ExpectSamePixels(file, what);
        ZOVIDUD g = DecodeOurs(file);
        EXPECT_EQ(g.Interlaced, interlace == 1) << what;
        EXPECT_EQ(g.Grayscale, k.ColorType == 0 || k.ColorType == 4) << what;
        int expectBits = k.ColorType == 2 || k.ColorType == 6 ? 24
                         : k.Depth == 2                       ? 4
                         : k.Depth == 16                      ? 8
                         : k.ColorType == 4                   ? 8
                                                              : k.Depth;
        EXPECT_EQ(g.ColorRaster().BitsPerPixel(), expectBits) << what;
        if (k.ColorType == 3 && variant == 2) {
          EXPECT_FALSE(g.HasAlpha) << what;
          EXPECT_TRUE(g.Transparent()) << what;
          EXPECT_EQ(g.TransparentKey, kPaletteIndexFlag + (1 << k.Depth) - 1) << what;
        }
        if (k.ColorType == 3 && variant == 1) {
          EXPECT_TRUE(g.HasAlpha) << what;
        }
        ++made;
      }
  EXPECT_GT(made, 50);
}

namespace {

// The source pixel as the writer puts it into the file, reduced to 8-bit RGB.
uint32_t WrittenRGB(const TBitmap& b, int x, int y, bool grey) {
  uint32_t c;
  int bits = b.BitsPerPixel();
  if (bits == 15 || bits == 16) {
    uint32_t v = b.PixelValue(x, y);
    int r, g, bl;
    if (bits == 15) {
      int r5 = (v >> 10) & 31, g5 = (v >> 5) & 31, b5 = v & 31;
      r = (r5 << 3) | (r5 >> 2), g = (g5 << 3) | (g5 >> 3), bl = (b5 << 3) | (b5 >> 2);
    } else {
      int r5 = (v >> 11) & 31, g6 = (v >> 5) & 63, b5 = v & 31;
      r = (r5 << 3) | (r5 >> 2), g = (g6 << 2) | (g6 >> 4), bl = (b5 << 3) | (b5 >> 2);
    }
    c = uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(bl);
  } else {
    c = b.PixelRGB(x, y);
  }
  if (!grey || b.Indexed()) return c;
  uint32_t l = (77 * (c >> 16) + 150 * ((c >> 8) & 255) + 29 * (c & 255)) / 256;
  return l << 16 | l << 8 | l;
}

TBitmap Noise(int w, int h, TPixelFormat f, std::mt19937& rng, bool grey) {
  TBitmap b(w, h, f);
  for (int y = 0; y < h; ++y)
    for (int64_t i = 0; i < b.Stride(); ++i) b.ScanLine(y)[i] = uint8_t(rng() % 7 * 40 + (i & 3));
  if (b.Indexed()) {
    int n = 1 << b.BitsPerPixel();
    std::vector<TRGBQuad> pal(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      // In greyscale mode the file holds greys: give the palette greys that survive the
      // grey table exactly.
      uint8_t v = uint8_t(n == 2 ? i * 255 : n == 16 ? i * 17 : i);
      pal[size_t(i)] =
          grey ? TRGBQuad{v, v, v, 0} : TRGBQuad{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
    }
    b.SetPalette(pal);
  }
  return b;
}

}  // namespace

TEST(PngInterop, EverythingWeWriteIsReadByLibpng) {
  const TPixelFormat formats[] = {
      TPixelFormat::pf1bit,  TPixelFormat::pf4bit,  TPixelFormat::pf8bit, TPixelFormat::pf15bit,
      TPixelFormat::pf16bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit};
  std::mt19937 rng(11);
  int checked = 0;
  for (TPixelFormat f : formats)
    for (int grey = 0; grey < 2; ++grey)
      for (int withAlpha = 0; withAlpha < 2; ++withAlpha)
        for (int interlace = 0; interlace < 2; ++interlace)
          for (int mode = 0; mode <= 6; ++mode)
            for (int level : {-1, 0, 9}) {
              if (level != -1 && mode != 0 && mode != 5) continue;
              ZOVIDUD g;
              g.Bitmap() = Noise(interlace ? 19 : 23, interlace ? 9 : 6, f, rng, grey);
              if (withAlpha) {
                g.AlphaBitmap().Allocate(g.Width(), g.Height(), TPixelFormat::pf8bit);
                for (int y = 0; y < g.Height(); ++y)
                  for (int x = 0; x < g.Width(); ++x)
                    g.AlphaBitmap().ScanLine(y)[x] = uint8_t(rng());
                g.HasAlpha = true;
              }
              g.Grayscale = grey;
              g.Interlaced = interlace;
              g.FilterMode = uint8_t(mode);
              g.CompressionLevel = level;
              TMemoryStream out;
              g.SaveToStream(out);
              std::string what = "bits " + std::to_string(int(f)) + " grey " +
                                 std::to_string(grey) + " alpha " + std::to_string(withAlpha) +
                                 " interlace " + std::to_string(interlace) + " mode " +
                                 std::to_string(mode) + " level " + std::to_string(level);
              Rgba ref = LibpngDecode(out.Bytes(), true);
              ASSERT_TRUE(ref.Ok) << what << ": " << ref.Error;
              bool alphaWritten =
                  withAlpha && (!g.Bitmap().Indexed() || (grey && f == TPixelFormat::pf8bit));
              for (int y = 0; y < g.Height(); ++y)
                for (int x = 0; x < g.Width(); ++x) {
                  const uint8_t* p = ref.Px.data() + (size_t(y) * ref.Width + x) * 4;
                  uint32_t got = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
                  ASSERT_EQ(got, WrittenRGB(g.Bitmap(), x, y, grey))
                      << what << " at " << x << "," << y;
                  uint8_t a = alphaWritten ? uint8_t(255 - g.AlphaBitmap().ScanLine(y)[x]) : 255;
                  ASSERT_EQ(p[3], a) << what << " alpha at " << x << "," << y;
                }
              // And our own reader gives the written pixels back too.
              ExpectSamePixels(out.Bytes(), what);
              ++checked;
            }
  EXPECT_GT(checked, 500);
}

// Palettes with more entries than the depth can address (a 1-bit raster with 256
// colours, say) or none at all, with background and transparent entries inside and outside what the
// file can hold: every file passes libpng's strict reading with the source's colours.
TEST(PngInterop, PalettesLargerThanTheDepthAllowsAreReadByLibpng) {
  std::mt19937 rng(5);
  const TColor keys[] = {TColor(-1), TColor(kPaletteIndexFlag | 1), TColor(kPaletteIndexFlag | 200),
                         RGBColor(250, 250, 250)};
  int checked = 0;
  for (TPixelFormat f : {TPixelFormat::pf1bit, TPixelFormat::pf4bit})
    for (size_t entries : {size_t(0), size_t(17), size_t(256)})
      for (TColor background : keys)
        for (TColor transparent : keys)
          for (int interlace = 0; interlace < 2; ++interlace) {
            ZOVIDUD g;
            g.Bitmap() = Noise(13, 5, f, rng, false);
            std::vector<TRGBQuad> pal = g.Bitmap().Palette();
            while (pal.size() < entries)
              pal.push_back(TRGBQuad{uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0});
            if (entries == 0) pal.clear();  // no palette at all: black
            g.Bitmap().SetPalette(pal);
            g.BackgroundColor = background;
            g.TransparentKey = transparent;
            g.Interlaced = interlace;
            TMemoryStream out;
            g.SaveToStream(out);
            std::string what = "bits " + std::to_string(int(f)) + " entries " +
                               std::to_string(entries) + " background " +
                               std::to_string(background) + " key " + std::to_string(transparent);
            Rgba ref = LibpngDecode(out.Bytes(), true);
            ASSERT_TRUE(ref.Ok) << what << ": " << ref.Error;
            // The index a transparent key names among the written entries (-1: none).
            int n = 1 << g.Bitmap().BitsPerPixel();
            int keyIndex = -1;
            if (transparent == TColor(kPaletteIndexFlag | 1)) keyIndex = 1;
            if (transparent == RGBColor(250, 250, 250)) {
              int best = 1 << 30;
              for (int i = 0; i < n; ++i) {
                TRGBQuad e = size_t(i) < pal.size() ? pal[size_t(i)] : TRGBQuad{};
                int d = std::abs(e.Red - 250) + std::abs(e.Green - 250) + std::abs(e.Blue - 250);
                if (d < best) best = d, keyIndex = i;
              }
            }
            for (int y = 0; y < g.Height(); ++y)
              for (int x = 0; x < g.Width(); ++x) {
                const uint8_t* p = ref.Px.data() + (size_t(y) * ref.Width + x) * 4;
                uint32_t got = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
                ASSERT_EQ(got, g.Bitmap().PixelRGB(x, y)) << what << " at " << x << "," << y;
                int index = int(g.Bitmap().PixelValue(x, y));
                ASSERT_EQ(p[3], index == keyIndex ? 0 : 255) << what << " at " << x << "," << y;
              }
            ++checked;
          }
  EXPECT_EQ(checked, 2 * 3 * 4 * 4 * 2);
}

TEST(PngInterop, PngSuiteDecodesLikeLibpng) {
  const std::string dir = VERID_PNGSUITE_DIR;
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no PngSuite at " << dir;
  int valid = 0, broken = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".png") continue;
    std::string name = entry.path().filename().string();
    std::vector<uint8_t> file = verid::test::ReadAll(entry.path().string());
    if (name[0] == 'x') {
      try {
        DecodeOurs(file);
        ADD_FAILURE() << name << " was accepted";
      } catch (const EZUDIRA& e) {
        EXPECT_STRNE(e.what(), "") << name;
      }
      ++broken;
      continue;
    }
    ExpectSamePixels(file, name);
    ++valid;
  }
  EXPECT_GT(valid, 150);
  EXPECT_GT(broken, 10);
}

#else

TEST(PngInterop, NeedsLibpng) {
  GTEST_SKIP() << "libpng not found";
}

#endif
