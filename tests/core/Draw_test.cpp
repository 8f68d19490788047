// Stretch drawing: area averaging when shrinking, nearest pixel when enlarging, clipping,
// palettes and the transparent colour.
#include "imaging/Draw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "imaging/Jpeg.h"
#include "support/ImageBuilders.h"

namespace verid {
namespace {

TBitmap Grey(int w, int h, std::initializer_list<int> values) {
  TBitmap b(w, h, TPixelFormat::pf24bit);
  auto it = values.begin();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x, ++it) std::fill_n(b.ScanLine(y) + 3 * x, 3, uint8_t(*it));
  return b;
}

int G(const TBitmap& b, int x, int y) {
  return static_cast<int>(b.PixelRGB(x, y) & 0xFF);
}

TEST(Draw, ShrinkingAveragesTheCoveredArea) {
  // Each target pixel of a 3 -> 2 shrink covers one and a half source pixels.
  TBitmap src = Grey(3, 1, {0, 90, 180});
  for (TPixelFormat f : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
    TBitmap dst(2, 1, f);
    StretchDrawRaster(dst, Bounds(0, 0, 2, 1), src, false);
    EXPECT_EQ(G(dst, 0, 0), 30);
    EXPECT_EQ(G(dst, 1, 0), 150);
    if (f == TPixelFormat::pf32bit) {
      EXPECT_EQ(dst.ScanLine(0)[3], 0xFF);
    }
  }
  // A one-pixel checkerboard shrunk 4:1 is flat mid grey, not black or white.
  TBitmap checker(8, 8, TPixelFormat::pf24bit);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      std::fill_n(checker.ScanLine(y) + 3 * x, 3, uint8_t((x + y) % 2 ? 255 : 0));
  TBitmap small = DrawToRaster(checker, 2, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_NEAR(G(small, x, y), 128, 1);
  // Both directions at once: 2 x 2 blocks.
  TBitmap blocks = Grey(4, 2, {10, 20, 30, 40, 50, 60, 70, 80});
  TBitmap half = DrawToRaster(blocks, 2, 1);
  EXPECT_EQ(G(half, 0, 0), 35);
  EXPECT_EQ(G(half, 1, 0), 55);
}

// The exact area average of one channel, in doubles.
double ReferenceAverage(const TBitmap& src, int channel, int dw, int dh, int tx, int ty) {
  const double sx = double(src.Width()) / dw, sy = double(src.Height()) / dh;
  const double x0 = tx * sx, x1 = (tx + 1) * sx, y0 = ty * sy, y1 = (ty + 1) * sy;
  double sum = 0;
  for (int y = int(y0); y < y1 && y < src.Height(); ++y)
    for (int x = int(x0); x < x1 && x < src.Width(); ++x) {
      const double cover = (std::min<double>(x + 1, x1) - std::max<double>(x, x0)) *
                           (std::min<double>(y + 1, y1) - std::max<double>(y, y0));
      sum += cover * ((src.PixelRGB(x, y) >> (8 * channel)) & 0xFF);
    }
  return sum / (sx * sy);
}

TEST(Draw, OpaqueColourPicturesStayWithinOneStepOfTheExactAverage) {
  // The shrink factors a scaled JPEG decode leaves (under 2), larger ones, and 1:1.
  const struct {
    int sw, sh, dw, dh;
  } cases[] = {{200, 150, 103, 77}, {97, 61, 50, 40}, {120, 90, 17, 11}, {64, 48, 64, 48}};
  for (TPixelFormat sf : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
    for (const auto& c : cases) {
      const TBitmap src = test::Pattern(c.sw, c.sh, sf, 5);
      TBitmap dst(c.dw, c.dh, TPixelFormat::pf24bit);
      StretchDrawRaster(dst, Bounds(0, 0, c.dw, c.dh), src, false);
      int worst = 0;
      for (int y = 0; y < c.dh; ++y)
        for (int x = 0; x < c.dw; ++x)
          for (int ch = 0; ch < 3; ++ch) {
            const int got = int((dst.PixelRGB(x, y) >> (8 * ch)) & 0xFF);
            const double want = ReferenceAverage(src, ch, c.dw, c.dh, x, y);
            worst = std::max(worst, int(std::abs(got - want) + 0.5));
          }
      EXPECT_LE(worst, 1) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh;
    }
  }
  // A flat colour stays exact, and a clipped rectangle writes only its visible part.
  TBitmap flat(90, 70, TPixelFormat::pf24bit);
  FillRect(flat, Bounds(0, 0, 90, 70), RGBColor(201, 7, 99));
  TBitmap dst(40, 40, TPixelFormat::pf32bit);
  FillRect(dst, Bounds(0, 0, 40, 40), RGBColor(1, 2, 3));
  StretchDrawRaster(dst, Bounds(-10, 15, 47, 31), flat, false);
  EXPECT_EQ(dst.PixelRGB(0, 15), 0xC90763u);
  EXPECT_EQ(dst.PixelRGB(36, 39), 0xC90763u);
  EXPECT_EQ(dst.PixelRGB(37, 15), 0x010203u);
  EXPECT_EQ(dst.PixelRGB(0, 14), 0x010203u);
}

TEST(Draw, EnlargingRepeatsNearestPixelsAndClipsToTheTarget) {
  TBitmap src = Grey(2, 2, {1, 2, 3, 4});
  TBitmap dst(4, 4, TPixelFormat::pf24bit);
  StretchDrawRaster(dst, Bounds(0, 0, 4, 4), src, false);
  const int want[4][4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(G(dst, x, y), want[y][x]);

  // A rectangle hanging off the top-left corner draws only its visible part.
  TBitmap clip(3, 3, TPixelFormat::pf24bit);
  FillRect(clip, Bounds(0, 0, 3, 3), RGBColor(200, 200, 200));
  StretchDrawRaster(clip, Bounds(-2, -2, 4, 4), src, false);
  EXPECT_EQ(G(clip, 0, 0), 4);
  EXPECT_EQ(G(clip, 1, 1), 4);
  EXPECT_EQ(G(clip, 2, 2), 200);
  StretchDrawRaster(clip, Bounds(5, 5, 4, 4), src, false);  // wholly outside
  EXPECT_EQ(G(clip, 2, 2), 200);
}

TEST(Draw, IndexedAndSixteenBitSourcesGoThroughTheirColours) {
  for (TPixelFormat f : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit,
                         TPixelFormat::pf15bit, TPixelFormat::pf16bit, TPixelFormat::pf32bit}) {
    SCOPED_TRACE(BitsOf(f));
    TBitmap src = test::Pattern(5, 3, f);
    TBitmap dst = DrawToRaster(src, 5, 3, 0, TPixelFormat::pf24bit);
    EXPECT_EQ(test::CompareRGB(src, dst), "");
  }
}

TEST(Draw, TransparentColourLeavesTheTargetShowing) {
  TBitmap src(2, 1, TPixelFormat::pf8bit);
  src.SetPalette({{0, 0, 255, 0}, {0, 255, 0, 0}});
  src.ScanLine(0)[0] = 0;
  src.ScanLine(0)[1] = 1;
  src.SetTransparentColor(kPaletteIndexFlag + 1);
  src.SetTransparent(true);
  TBitmap dst = DrawToRaster(src, 2, 1, RGBColor(0, 0, 255));
  EXPECT_EQ(dst.PixelRGB(0, 0), 0xFF0000u);
  EXPECT_EQ(dst.PixelRGB(1, 0), 0x0000FFu);  // the background, not green
  // Shrunk to one pixel: half source red, half background blue.
  TBitmap one = DrawToRaster(src, 1, 1, RGBColor(0, 0, 255));
  EXPECT_EQ(one.PixelRGB(0, 0), 0x800080u);
  src.SetTransparent(false);
  EXPECT_EQ(DrawToRaster(src, 2, 1, RGBColor(0, 0, 255)).PixelRGB(1, 0), 0x00FF00u);

  // An RGB transparent colour on a 24-bit raster.
  TBitmap rgb = Grey(2, 1, {7, 9});
  rgb.SetTransparentColor(RGBColor(9, 9, 9));
  rgb.SetTransparent(true);
  TBitmap d2 = DrawToRaster(rgb, 2, 1, RGBColor(1, 2, 3));
  EXPECT_EQ(d2.PixelRGB(0, 0), 0x070707u);
  EXPECT_EQ(d2.PixelRGB(1, 0), 0x010203u);
}

TEST(Draw, DamagedJpegFailsAtFirstDraw) {
  TBitmap src = test::Pattern(64, 64, TPixelFormat::pf24bit);
  TJPEGImage j;
  j.Assign(src);
  TMemoryStream s;
  j.SaveToStream(s);
  std::vector<uint8_t> bytes = s.Bytes();
  // Cut short: what is there is drawn.
  std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + long(bytes.size() * 2 / 3));
  TJPEGImage part;
  part.LoadFromMemory(cut.data(), cut.size());
  TBitmap dst(10, 10, TPixelFormat::pf32bit);
  EXPECT_NO_THROW(StretchDraw(dst, Bounds(0, 0, 10, 10), part));
  // A scan that names a Huffman table the file lacks cannot be decoded at all.
  size_t sos = test::FindJpegSegment(bytes, 0xDA);
  ASSERT_NE(sos, std::string::npos);
  bytes[sos + 6] = 0x33;
  TJPEGImage bad;
  bad.LoadFromMemory(bytes.data(), bytes.size());
  EXPECT_THROW(StretchDraw(dst, Bounds(0, 0, 10, 10), bad), EJPEG);
}

}  // namespace
}  // namespace verid
