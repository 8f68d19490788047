// The PNG reader on hand-made files: what it accepts, the rasters it produces, where
// transparency goes, the properties it fills and how it fails.
#include <gtest/gtest.h>

#include "imaging/ZUDIRA.h"
#include "support/PngBuilder.h"

using namespace verid;
using namespace verid::test;

namespace {

ZOVIDUD Load(const std::vector<uint8_t>& file) {
  ZOVIDUD g;
  TMemoryStream s{std::vector<uint8_t>(file)};
  g.LoadFromStream(s);
  return g;
}

std::string LoadError(const std::vector<uint8_t>& file) {
  try {
    Load(file);
  } catch (const EZUDIRA& e) {
    return e.what();
  }
  return "(no error)";
}

// A small grey 8-bit image with the given header fields and a valid body for them.
std::vector<uint8_t> Simple(uint8_t depth, uint8_t colorType, uint8_t interlace = 0,
                            uint8_t compression = 0, uint8_t filter = 0) {
  PngBuilder b;
  b.Ihdr(4, 2, depth, colorType, interlace, compression, filter);
  b.Idat(std::vector<uint8_t>(2 * (1 + 4 * 8), 0));
  return b.Iend().Bytes();
}

// A palette image: 8 x 1, pixel i = index i, with the given tRNS bytes (none if empty).
std::vector<uint8_t> PaletteImage(const std::vector<uint8_t>& trns) {
  PngBuilder b;
  b.Ihdr(8, 1, 8, 3);
  std::vector<uint8_t> plte;
  for (int i = 0; i < 8; ++i)
    plte.insert(plte.end(), {uint8_t(i * 30), uint8_t(i), uint8_t(200 - i)});
  b.Chunk("PLTE", plte);
  if (!trns.empty()) b.Chunk("tRNS", trns);
  b.Idat({0, 0, 1, 2, 3, 4, 5, 6, 7});
  return b.Iend().Bytes();
}

}  // namespace

// Average and Paeth for 3- and 4-byte pixels have a vector path and a plain one (built
// with VERID_NO_SIMD); both must give the textbook result. Samples from a few values (multiples of
// 50) make the predictor ties that tell the rules apart.
TEST(PngRead, EveryFilterUndoesLikeTheTextbookForThreeAndFourBytePixels) {
  const int w = 37, h = 9;
  for (int colorType : {2, 6}) {
    const int bpp = colorType == 2 ? 3 : 4;
    std::vector<uint8_t> raw(size_t(w * bpp * h));
    uint32_t seed = 7;
    for (uint8_t& v : raw) {
      seed = seed * 1103515245u + 12345u;
      v = uint8_t((seed >> 16) % 6 * 50);
    }
    for (int type : {1, 2, 3, 4, -1}) {
      PngBuilder b;
      b.Ihdr(w, h, 8, uint8_t(colorType))
          .Idat(ReferenceFilter(raw, size_t(w * bpp), bpp, type))
          .Iend();
      ZOVIDUD g = Load(b.Bytes());
      ASSERT_EQ(g.Width(), w);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const uint8_t* p = raw.data() + size_t((y * w + x) * bpp);
          const uint32_t want = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
          ASSERT_EQ(g.Bitmap().PixelRGB(x, y), want)
              << "colour type " << colorType << ", filter " << type << " at " << x << "," << y;
        }
    }
  }
}

// One- and two-byte pixels (grey, grey with alpha) and 16-bit colour take other paths
// than three- and four-byte ones; each sample must come out as filtered in.
TEST(PngRead, EveryFilterUndoesLikeTheTextbookForOtherPixelSizes) {
  const int w = 41, h = 11;
  struct Case {
    uint8_t ColorType, Depth;
    int Bpp;
  };
  for (const Case c : {Case{0, 8, 1}, Case{4, 8, 2}, Case{2, 16, 6}}) {
    std::vector<uint8_t> raw(size_t(w * c.Bpp * h));
    uint32_t seed = 11;
    for (uint8_t& v : raw) {
      seed = seed * 1103515245u + 12345u;
      v = uint8_t((seed >> 16) % 6 * 51);
    }
    for (int type : {1, 2, 3, 4, -1}) {
      PngBuilder b;
      b.Ihdr(w, h, c.Depth, c.ColorType)
          .Idat(ReferenceFilter(raw, size_t(w * c.Bpp), c.Bpp, type))
          .Iend();
      ZOVIDUD g = Load(b.Bytes());
      ASSERT_EQ(g.Width(), w);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const uint8_t* p = raw.data() + size_t((y * w + x) * c.Bpp);
          if (c.ColorType == 2) {
            ASSERT_EQ(g.Bitmap().PixelRGB(x, y), uint32_t(p[0]) << 16 | uint32_t(p[2]) << 8 | p[4])
                << "filter " << type << " at " << x << "," << y;
            continue;
          }
          ASSERT_EQ(g.Bitmap().ScanLine(y)[x], p[0])
              << "colour type " << int(c.ColorType) << ", filter " << type << " at " << x << ","
              << y;
          if (c.ColorType == 4) {
            ASSERT_EQ(g.AlphaBitmap().ScanLine(y)[x], 255 - p[1])
                << "filter " << type << " at " << x << "," << y;
          }
        }
    }
  }
}

TEST(PngRead, HeaderErrorsUseTheirOwnMessages) {
  std::vector<uint8_t> notPng = Simple(8, 0);
  notPng[1] = 'Q';
  EXPECT_EQ(LoadError(notPng), "PNG LoadStream: Not PNG Format");
  EXPECT_EQ(LoadError({1, 2, 3}), "PNG LoadStream: Not PNG Format");
  EXPECT_EQ(LoadError(Simple(16, 3)), "Read Header(PNG): Error BitDepth");
  EXPECT_EQ(LoadError(Simple(4, 2)), "Read Header(PNG): Error BitDepth");
  EXPECT_EQ(LoadError(Simple(3, 0)), "Read Header(PNG): Error Bitdepth");
  EXPECT_EQ(LoadError(Simple(4, 4)), "Read Header(PNG): not Use AlphaChannel");
  EXPECT_EQ(LoadError(Simple(8, 0, 2)), "Read Header(PNG): not interlace type");
  EXPECT_EQ(LoadError(Simple(8, 0, 0, 2)), "Read Header(PNG): not support Compression");
  EXPECT_EQ(LoadError(Simple(8, 0, 0, 0, 2)), "Read Header(PNG): not supprt Filter");
  for (uint8_t ct : {1, 5, 7, 9})
    EXPECT_EQ(LoadError(Simple(8, ct)), "Read Header(PNG): Error ColorType") << int(ct);
  // Accepted: compression byte 1, and colour types taken modulo 8 (10 is colour).
  EXPECT_EQ(Load(Simple(8, 0, 0, 1)).Width(), 4);

  PngBuilder two;
  two.Ihdr(4, 2, 8, 0).Ihdr(4, 2, 8, 0).Idat(std::vector<uint8_t>(10, 0)).Iend();
  EXPECT_EQ(LoadError(two.Bytes()), "Read Header(PNG): appear two IHDR");
}

TEST(PngRead, DamagedImageDataFailsWithReadError) {
  const std::string readError = "Read Image (PNG): Read Error";
  // Filter type above 4.
  PngBuilder badFilter;
  badFilter.Ihdr(2, 1, 8, 0).Idat({5, 1, 2}).Iend();
  EXPECT_EQ(LoadError(badFilter.Bytes()), readError);
  // The zlib stream ends before the last row.
  PngBuilder shortRows;
  shortRows.Ihdr(2, 3, 8, 0).Idat({0, 1, 2, 0, 3, 4}).Iend();
  EXPECT_EQ(LoadError(shortRows.Bytes()), readError);
  // Image data split over chunks, but another chunk comes between them.
  std::vector<uint8_t> z = Deflate(std::vector<uint8_t>(3 * 9, 7));
  PngBuilder interrupted;
  interrupted.Ihdr(8, 3, 8, 0)
      .Chunk("IDAT", {z.begin(), z.begin() + 4})
      .Text("Comment", "x")
      .Chunk("IDAT", {z.begin() + 4, z.end()})
      .Iend();
  EXPECT_EQ(LoadError(interrupted.Bytes()), readError);
  // The file ends inside the image data.
  PngBuilder full;
  full.Ihdr(64, 64, 8, 2);
  std::vector<uint8_t> rows;
  for (int i = 0; i < 64 * (1 + 64 * 3); ++i) rows.push_back(uint8_t(i % 5 == 0 ? 0 : i * 31));
  for (size_t y = 0; y < 64; ++y) rows[y * (1 + 64 * 3)] = 0;
  full.Idat(rows).Iend();
  std::vector<uint8_t> cut(full.Bytes().begin(),
                           full.Bytes().begin() + long(full.Bytes().size() / 2));
  EXPECT_EQ(LoadError(cut), readError);
  // Garbage instead of a zlib stream.
  PngBuilder garbage;
  garbage.Ihdr(2, 1, 8, 0).Chunk("IDAT", {1, 2, 3, 4, 5, 6}).Iend();
  EXPECT_EQ(LoadError(garbage.Bytes()), readError);
}

TEST(PngRead, HeadersThatCannotBeHeldAreRefusedBeforeAllocating) {
  for (auto [w, h] : {std::pair<uint32_t, uint32_t>{0x7FFFFFFF, 0x7FFFFFFF},
                      {0x80000000u, 1},
                      {100000, 100000},
                      {20000, 20000}}) {
    PngBuilder b;
    b.Ihdr(w, h, 8, 6).Idat({0, 0, 0, 0, 0}).Iend();
    EXPECT_EQ(LoadError(b.Bytes()), "Read Header(PNG): Image too large") << w << "x" << h;
  }
  // Refused as soon as the header is read: nothing after it matters.
  PngBuilder headerOnly;
  headerOnly.Ihdr(100000, 100000, 8, 6);
  EXPECT_EQ(LoadError(headerOnly.Bytes()), "Read Header(PNG): Image too large");
  PngBuilder badDepthNoData;
  badDepthNoData.Ihdr(4, 4, 3, 2);
  EXPECT_EQ(LoadError(badDepthNoData.Bytes()), "Read Header(PNG): Error BitDepth");
  // Zero size gives an empty raster.
  PngBuilder empty;
  empty.Ihdr(0, 5, 8, 2).Idat({}).Iend();
  ZOVIDUD g = Load(empty.Bytes());
  EXPECT_TRUE(g.Empty());
}

TEST(PngRead, BrokenCriticalChunksAreNotTrusted) {
  // A bad checksum on an ancillary chunk is ignored...
  PngBuilder b;
  b.Ihdr(2, 1, 8, 0).Text("Comment", "hi").Idat({0, 10, 20}).Iend();
  std::vector<uint8_t> file = b.Bytes();
  auto chunks = ListChunks(file);
  size_t textCrcAt = 8 + 12 + 13 + 8 + chunks[1].Data.size();
  file[textCrcAt] ^= 0xFF;
  EXPECT_EQ(Load(file).Comment, "hi\r\n");
  // ...but damaged header or image data is an error, not a wrong picture.
  std::vector<uint8_t> badHeader = b.Bytes();
  badHeader[8 + 8 + 13] ^= 1;
  EXPECT_EQ(LoadError(badHeader), "PNG LoadStream: CRC Error");
  std::vector<uint8_t> badData = b.Bytes();
  badData[badData.size() - 12 - 1] ^= 1;  // last byte of the IDAT checksum
  EXPECT_EQ(LoadError(badData), "PNG LoadStream: CRC Error");
  // An end chunk without any image data is not an empty success.
  PngBuilder noData;
  noData.Ihdr(2, 1, 8, 0).Iend();
  EXPECT_EQ(LoadError(noData.Bytes()), "Read Image (PNG): IDAT not found");
}

TEST(PngRead, DataEndingBeforeTheImageLeavesTheRasterAlone) {
  PngBuilder b;
  b.Ihdr(2, 1, 8, 0).Text("Comment", "early");
  ZOVIDUD g;
  g.Bitmap().Allocate(3, 3, TPixelFormat::pf24bit);
  TMemoryStream s{b.Bytes()};
  g.LoadFromStream(s);
  EXPECT_EQ(g.Width(), 3);
  EXPECT_EQ(g.Comment, "early\r\n");
}

TEST(PngRead, PaletteTransparency) {
  // Only entry 5 fully transparent: a transparent colour, no alpha plane.
  ZOVIDUD one = Load(PaletteImage({255, 255, 255, 255, 255, 0, 255, 255}));
  EXPECT_FALSE(one.HasAlpha);
  EXPECT_TRUE(one.AlphaBitmap().Empty() || !one.HasAlpha);
  EXPECT_TRUE(one.Transparent());
  EXPECT_TRUE(one.ColorRaster().Transparent());
  EXPECT_EQ(one.ColorRaster().TransparentColor(), kPaletteIndexFlag + 5);
  EXPECT_EQ(one.TransparentKey, kPaletteIndexFlag + 5);
  // A short table: the entries it does not give stay opaque.
  EXPECT_EQ(Load(PaletteImage({255, 0})).TransparentKey, kPaletteIndexFlag + 1);

  for (const auto& trns : {std::vector<uint8_t>{0, 255, 0}, std::vector<uint8_t>{255, 128}}) {
    ZOVIDUD g = Load(PaletteImage(trns));
    ASSERT_TRUE(g.HasAlpha);
    EXPECT_FALSE(g.Transparent());
    EXPECT_EQ(g.TransparentKey, -1);
    ASSERT_EQ(g.AlphaBitmap().Width(), 8);
    for (int x = 0; x < 8; ++x) {
      uint8_t alpha = x < int(trns.size()) ? trns[size_t(x)] : 255;
      EXPECT_EQ(g.AlphaBitmap().ScanLine(0)[x], 255 - alpha) << x;
    }
  }
}

TEST(PngRead, KeyColoursAreReducedToEightBits) {
  PngBuilder b;
  b.Ihdr(1, 1, 16, 2).Chunk("tRNS", Concat({Be16(0x1234), Be16(0x5678), Be16(0x9ABC)}));
  b.Chunk("bKGD", Concat({Be16(0xFF00), Be16(0x0100), Be16(0x8000)}));
  b.Idat({0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}).Iend();
  ZOVIDUD g = Load(b.Bytes());
  EXPECT_EQ(g.TransparentKey, RGBColor(0x12, 0x56, 0x9A));
  EXPECT_EQ(g.ColorRaster().TransparentColor(), RGBColor(0x12, 0x56, 0x9A));
  EXPECT_TRUE(g.Transparent());
  EXPECT_EQ(g.BackgroundColor, RGBColor(0xFF, 0x01, 0x80));
  EXPECT_EQ(g.ColorRaster().PixelRGB(0, 0), 0x12569Au);

  // Low grey depths: the key is the grey the palette shows for the sample.
  PngBuilder grey;
  grey.Ihdr(4, 1, 2, 0).Chunk("tRNS", Be16(2)).Chunk("bKGD", Be16(1)).Idat({0, 0x1B}).Iend();
  ZOVIDUD gg = Load(grey.Bytes());
  EXPECT_EQ(gg.TransparentKey, RGBColor(170, 170, 170));
  EXPECT_EQ(gg.BackgroundColor, RGBColor(85, 85, 85));
}

TEST(PngRead, RasterFormats) {
  // 2-bit grey: 4 bits per pixel, values kept, four-step palette.
  PngBuilder b;
  b.Ihdr(5, 1, 2, 0).Idat({0, 0x1B, 0xC0}).Iend();  // 0 1 2 3 3
  ZOVIDUD g = Load(b.Bytes());
  const TBitmap& r = g.ColorRaster();
  ASSERT_EQ(r.BitsPerPixel(), 4);
  ASSERT_EQ(r.Palette().size(), 4u);
  EXPECT_EQ(r.Palette()[1].Red, 85);
  EXPECT_EQ(r.Palette()[2].Green, 170);
  EXPECT_EQ(r.Palette()[3].Blue, 255);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(r.PixelValue(x, 0), uint32_t(std::min(x, 3)));
  EXPECT_TRUE(g.Grayscale);
  EXPECT_EQ(g.SourceBitsPerPixel, 2);

  // 16-bit grey + alpha: high bytes, alpha plane inverted.
  PngBuilder ga;
  ga.Ihdr(1, 1, 16, 4).Idat({0, 0xAB, 0xCD, 0x40, 0x01}).Iend();
  ZOVIDUD a = Load(ga.Bytes());
  EXPECT_EQ(a.ColorRaster().BitsPerPixel(), 8);
  EXPECT_EQ(a.ColorRaster().PixelValue(0, 0), 0xABu);
  ASSERT_TRUE(a.HasAlpha);
  EXPECT_EQ(a.AlphaBitmap().ScanLine(0)[0], 255 - 0x40);
  EXPECT_EQ(a.AlphaBitmap().Palette().size(), 256u);

  // Colour: blue, green, red in the raster.
  PngBuilder c;
  c.Ihdr(1, 1, 8, 2).Idat({0, 1, 2, 3}).Iend();
  ZOVIDUD rgb = Load(c.Bytes());
  EXPECT_EQ(rgb.ColorRaster().ScanLine(0)[0], 3);
  EXPECT_EQ(rgb.ColorRaster().ScanLine(0)[2], 1);
  EXPECT_EQ(rgb.SourceBitsPerPixel, 24);
  EXPECT_FALSE(rgb.Grayscale);

  // With Read16BitRgb and a 5-6-5 significant-bits record: 5-6-5 output.
  PngBuilder n;
  n.Ihdr(1, 1, 8, 2).Chunk("sBIT", {5, 6, 5}).Idat({0, 0xF8, 0xFC, 0x08}).Iend();
  ZOVIDUD narrow;
  narrow.Read16BitRgb = true;
  TMemoryStream ns{n.Bytes()};
  narrow.LoadFromStream(ns);
  EXPECT_EQ(narrow.ColorRaster().BitsPerPixel(), 16);
  EXPECT_EQ(narrow.ColorRaster().PixelValue(0, 0), uint32_t(31 << 11 | 63 << 5 | 1));
}

TEST(PngRead, AdamSevenOnTinyAndOddImages) {
  // 1 x 1: pass 1 alone.
  PngBuilder one;
  one.Ihdr(1, 1, 8, 2, 1).Idat({0, 9, 8, 7}).Iend();
  ZOVIDUD g = Load(one.Bytes());
  EXPECT_TRUE(g.Interlaced);
  EXPECT_EQ(g.ColorRaster().PixelRGB(0, 0), 0x090807u);

  // 3 x 3 1-bit: passes 1, 4, 5, 6, 7 carry pixels; scattered bit by bit.
  // Pixel (x, y) is set when x + y is odd.
  auto bit = [](int x, int y) { return (x + y) & 1; };
  std::vector<uint8_t> data;
  auto pass = [&](int sx, int sy, int dx, int dy) {
    for (int y = sy; y < 3; y += dy) {
      uint8_t v = 0;
      int j = 0;
      for (int x = sx; x < 3; x += dx, ++j) v |= uint8_t(bit(x, y) << (7 - j));
      data.push_back(0);
      data.push_back(v);
    }
  };
  pass(0, 0, 8, 8);
  pass(2, 0, 4, 4);
  pass(0, 2, 2, 4);
  pass(1, 0, 2, 2);
  pass(0, 1, 1, 2);
  PngBuilder odd;
  odd.Ihdr(3, 3, 1, 0, 1).Idat(data).Iend();
  ZOVIDUD h = Load(odd.Bytes());
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(h.ColorRaster().PixelValue(x, y), uint32_t(bit(x, y))) << x << "," << y;
}

TEST(PngRead, AllFiveFiltersOverSplitImageData) {
  const int w = 7, h = 10;
  std::vector<uint8_t> raw(size_t(w) * h * 4);
  for (size_t i = 0; i < raw.size(); ++i) raw[i] = uint8_t(i * 37 + (i >> 5));
  PngBuilder b;
  b.Ihdr(w, h, 8, 6).Idat(ReferenceFilter(raw, w * 4, 4, -1), 1).Iend();  // one-byte chunks
  ZOVIDUD g = Load(b.Bytes());
  ASSERT_TRUE(g.HasAlpha);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = raw.data() + (size_t(y) * w + x) * 4;
      EXPECT_EQ(g.ColorRaster().PixelRGB(x, y), uint32_t(p[0] << 16 | p[1] << 8 | p[2]));
      EXPECT_EQ(g.AlphaBitmap().ScanLine(y)[x], 255 - p[3]);
    }
}

TEST(PngRead, AncillaryChunksFillTheProperties) {
  PngBuilder b;
  b.Ihdr(1, 1, 8, 6);
  b.Chunk("tIME", {0x07, 0xE6, 2, 28, 23, 59, 60});
  b.Chunk("gAMA", Be32(220000));
  b.Chunk("cHRM", Concat({Be32(31270), Be32(32900), Be32(64000), Be32(33000), Be32(30000),
                          Be32(60000), Be32(15000), Be32(6000)}));
  b.Chunk("sBIT", {5, 6, 7, 8});
  b.Chunk("gIFg", {1, 0, 0, 10});
  b.Chunk("pHYs", Concat({Be32(2835), Be32(3780), {1}}));
  b.Text("Comment", "a").Text("Title", "ignored").Text("Comment", "").Text("Comment", "b");
  b.Chunk("tpNG", {'D', 'E', 'Z', '3', 0, 0, 0, 0});
  b.Chunk("bKGD", Concat({Be16(1), Be16(2), Be16(3)}));
  b.Idat({0, 1, 2, 3, 4}).Iend();
  ZOVIDUD g = Load(b.Bytes());
  EXPECT_EQ(g.ModifiedTime, (TPngTime{2022, 2, 28, 23, 59, 60}));
  EXPECT_DOUBLE_EQ(g.Gamma, 2.2);
  EXPECT_EQ(g.Chromaticity[0], 31270u);
  EXPECT_EQ(g.Chromaticity[7], 6000u);
  EXPECT_EQ(g.SignificantBits, 0x08070605u);
  EXPECT_EQ(g.GifControl, (std::array<uint8_t, 4>{1, 0, 0, 10}));
  EXPECT_EQ(g.PhysX, 2835);
  EXPECT_EQ(g.PhysY, 3780);
  EXPECT_EQ(g.PhysUnit, 1);
  EXPECT_EQ(g.Comment, "a\r\n\r\nb\r\n");
  EXPECT_EQ(g.BackgroundColor, RGBColor(1, 2, 3));

  // Without those chunks the values are zero; gamma after the palette is not taken.
  PngBuilder p;
  p.Ihdr(1, 1, 8, 3).Chunk("PLTE", {1, 2, 3}).Chunk("gAMA", Be32(100000)).Chunk("bKGD", {0});
  p.Idat({0, 0}).Iend();
  ZOVIDUD q = Load(p.Bytes());
  EXPECT_EQ(q.Gamma, 0);
  EXPECT_EQ(q.ModifiedTime, TPngTime{});
  EXPECT_EQ(q.SignificantBits, 0u);
  EXPECT_EQ(q.BackgroundColor, kPaletteIndexFlag + 0);
}

TEST(PngRead, FailedReadKeepsTheProperties) {
  ZOVIDUD g;
  g.Comment = "kept";
  g.Gamma = 1.5;
  PngBuilder b;
  b.Ihdr(2, 1, 8, 0).Chunk("gAMA", Be32(50000)).Text("Comment", "new").Idat({7, 0, 0}).Iend();
  TMemoryStream s{b.Bytes()};
  EXPECT_THROW(g.LoadFromStream(s), EZUDIRA);
  EXPECT_EQ(g.Comment, "kept");
  EXPECT_EQ(g.Gamma, 1.5);
}

TEST(PngRead, MacBinaryHeaderAndStreamPosition) {
  PngBuilder b;
  b.Ihdr(2, 2, 8, 2).Idat({0, 3, 3, 3, 3, 3, 3, 0, 3, 3, 3, 3, 3, 3}).Iend();
  std::vector<uint8_t> bare = b.Bytes();
  std::vector<uint8_t> header(128, 0x41);
  header[0] = 0;
  header[74] = 0;
  std::vector<uint8_t> mac = Concat({header, bare});
  ZOVIDUD g = Load(mac);
  EXPECT_EQ(g.Width(), 2);
  EXPECT_EQ(g.ColorRaster().PixelRGB(1, 1), 0x030303u);
  ZOVIDUD off;
  off.CheckMacBinary = false;
  TMemoryStream ms{mac};
  EXPECT_THROW(off.LoadFromStream(ms), EZUDIRA);

  // Data after the end chunk is not read: the stream stands right after it.
  std::vector<uint8_t> withTail = Concat({bare, {1, 2, 3, 4, 5}});
  TMemoryStream ts{withTail};
  ZOVIDUD t;
  t.LoadFromStream(ts);
  EXPECT_EQ(ts.Position(), int64_t(bare.size()));
}

TEST(PngRead, ProgressRunsFromZeroToHundred) {
  const int w = 16, h = 40;
  PngBuilder b;
  b.Ihdr(w, h, 8, 0).Idat(ReferenceFilter(std::vector<uint8_t>(w * h, 9), w, 1, 0)).Iend();
  ZOVIDUD g;
  std::vector<std::pair<TProgressStage, int>> seen;
  g.OnProgress = [&](TGraphic& sender, TProgressStage stage, uint8_t percent, bool, const TRect&,
                     const std::string&) {
    EXPECT_EQ(&sender, &g);
    seen.emplace_back(stage, percent);
  };
  TMemoryStream s{b.Bytes()};
  g.LoadFromStream(s);
  ASSERT_GE(seen.size(), 5u);
  EXPECT_EQ(seen.front(), std::make_pair(TProgressStage::Starting, 0));
  EXPECT_EQ(seen.back(), std::make_pair(TProgressStage::Ending, 100));
  for (size_t i = 1; i + 1 < seen.size(); ++i) {
    EXPECT_EQ(seen[i].first, TProgressStage::Running);
    EXPECT_GT(seen[i].second, seen[i - 1].second);
  }
  // Rows are reported every fourth row (2, 6, ... 38 of 40) within 29..97.
  EXPECT_EQ(seen[seen.size() - 2].second, 29 + 68 * 38 / 40);
  EXPECT_FALSE(g.ColorRaster().OnProgress);  // the forwarding is removed again
}

TEST(PngRead, ChunkLengthsBeyondTheDataStopTheLoop) {
  // A text chunk claiming gigabytes, before and after the image.
  PngBuilder b;
  b.Ihdr(1, 1, 8, 0).Idat({0, 42});
  std::vector<uint8_t> file =
      Concat({b.Bytes(), Be32(0xE5000017), {'t', 'E', 'X', 't'}, {1, 2, 3}});
  ZOVIDUD g = Load(file);
  EXPECT_EQ(g.ColorRaster().PixelValue(0, 0), 42u);
  PngBuilder early;
  early.Ihdr(1, 1, 8, 0);
  std::vector<uint8_t> before =
      Concat({early.Bytes(), Be32(0xFFFFFFF0), {'t', 'E', 'X', 't'}, {1}});
  EXPECT_TRUE(Load(before).Empty());
}
