// The raster: allocation limits, resizing, format conversions and assignment.
#include "imaging/Bitmap.h"

#include <gtest/gtest.h>

namespace verid {
namespace {

TEST(Bitmap, AllocateChecksLimitsAndKeepsOldRasterOnFailure) {
  TBitmap b(3, 2, TPixelFormat::pf8bit);
  EXPECT_EQ(b.Stride(), 4);
  EXPECT_FALSE(b.Empty());
  b.ScanLine(1)[2] = 7;
  EXPECT_THROW(b.Allocate(1 << 15, 1 << 14, TPixelFormat::pf8bit), EInvalidGraphic);
  EXPECT_THROW(b.Allocate(-1, 4, TPixelFormat::pf8bit), EInvalidGraphic);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.PixelValue(2, 1), 7u);
  try {
    b.Allocate(1 << 15, 1 << 14, TPixelFormat::pf8bit);
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), kInvalidBitmapMessage);
  }
  TBitmap empty(0, 5, TPixelFormat::pf24bit);
  EXPECT_TRUE(empty.Empty());
}

TEST(Bitmap, DecodeLimitsHoldForAnySizeWithoutOverflow) {
  using F = TPixelFormat;
  const int64_t intMax = 2147483647;
  const struct {
    int64_t w, h;
    F format;
    bool fits;
  } cases[] = {
      {0, 0, F::pf32bit, true},
      {0, intMax, F::pf32bit, true},
      {-1, 1, F::pf8bit, false},
      {1, -1, F::pf8bit, false},
      {intMax + 1, 1, F::pf1bit, false},
      {intMax, intMax, F::pf32bit, false},   // the product alone would overflow 32 bits
      {1 << 14, 1 << 14, F::pf32bit, true},  // exactly the pixel ceiling
      {(1 << 14) + 1, 1 << 14, F::pf1bit, false},
      {1 << 28, 1, F::pf32bit, true},  // 1 GiB in one row
      {1, 1 << 28, F::pf32bit, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(kDecodeLimits.Fits(c.w, c.h, c.format), c.fits) << c.w << "x" << c.h;
  // The byte ceiling on its own, with the division that keeps it exact.
  TDecodeLimits bytes;
  bytes.MaxRasterBytes = 1000;
  EXPECT_TRUE(bytes.Fits(10, 25, F::pf32bit));  // 40 x 25 = 1000
  EXPECT_FALSE(bytes.Fits(10, 26, F::pf32bit));
  EXPECT_FALSE(bytes.Fits(1 << 20, intMax / (1 << 20) + 1, F::pf1bit));
}

TEST(Bitmap, SetSizeKeepsTopLeftPixelsAndZeroesNewOnes) {
  TBitmap b(3, 3, TPixelFormat::pf4bit);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) {
      uint8_t& byte = b.ScanLine(y)[x / 2];
      byte |= static_cast<uint8_t>((x & 1) ? (y * 3 + x + 1) : (y * 3 + x + 1) << 4);
    }
  b.SetSize(1, 2);  // the cut pixel (1, y) sits in the same byte as the kept one
  b.SetSize(4, 4);
  EXPECT_EQ(b.PixelValue(0, 0), 1u);
  EXPECT_EQ(b.PixelValue(0, 1), 4u);
  EXPECT_EQ(b.PixelValue(1, 0), 0u);
  EXPECT_EQ(b.PixelValue(0, 2), 0u);
  EXPECT_EQ(b.PixelValue(3, 3), 0u);
}

TEST(Bitmap, APhotoSizedRasterIsClearedCopiedMovedAndResizedLikeAnyOther) {
  // 4000 x 3000 x 3 bytes: past the size whose pixels get a mapping of their own.
  TBitmap b(4000, 3000, TPixelFormat::pf24bit);
  EXPECT_EQ(b.ScanLine(2999)[11999], 0);
  EXPECT_EQ(b.ScanLine(1500)[6000], 0);
  b.ScanLine(0)[0] = 1;
  b.ScanLine(2999)[11999] = 2;
  TBitmap copy(b);
  EXPECT_NE(copy.Bits(), b.Bits());
  EXPECT_EQ(copy.ScanLine(2999)[11999], 2);
  TBitmap moved(std::move(copy));
  EXPECT_EQ(moved.ScanLine(0)[0], 1);
  moved.SetSize(10, 10);  // from a mapped raster to an ordinary one
  EXPECT_EQ(moved.ScanLine(0)[0], 1);
  b.SetSize(4000, 3001);  // and from one mapping to another
  EXPECT_EQ(b.ScanLine(2999)[11999], 2);
  EXPECT_EQ(b.ScanLine(3000)[11999], 0);
}

TEST(Bitmap, PixelFormatConversionsGoThroughThePalette) {
  TBitmap b(2, 1, TPixelFormat::pf8bit);
  b.SetPalette({{0x10, 0x20, 0x30, 0}, {0xFF, 0x80, 0x00, 0}});
  b.ScanLine(0)[0] = 1;
  b.ScanLine(0)[1] = 0;
  b.SetTransparentColor(kPaletteIndexFlag + 1);
  b.SetPixelFormat(TPixelFormat::pf24bit);
  EXPECT_EQ(b.PixelRGB(0, 0), 0x0080FFu);
  EXPECT_EQ(b.PixelRGB(1, 0), 0x302010u);
  // The transparent index became the colour it stood for.
  EXPECT_EQ(b.TransparentColor(), RGBColor(0x00, 0x80, 0xFF));

  b.SetPixelFormat(TPixelFormat::pf16bit);
  EXPECT_EQ(b.PixelValue(0, 0), (0x00u >> 3) << 11 | (0x80u >> 2) << 5 | (0xFFu >> 3));
  EXPECT_EQ(b.PixelRGB(0, 0), 0x0082FFu);
  b.SetPixelFormat(TPixelFormat::pf15bit);
  EXPECT_EQ(b.PixelRGB(0, 0), 0x0084FFu);
  b.SetPixelFormat(TPixelFormat::pf32bit);
  EXPECT_EQ(b.PixelRGB(0, 0), 0x0084FFu);
  b.SetPixelFormat(TPixelFormat::pf4bit);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.PixelValue(0, 0), 0u);
}

TEST(Bitmap, GreyPaletteSpansBlackToWhite) {
  auto p = TBitmap::GreyPalette(256);
  ASSERT_EQ(p.size(), 256u);
  EXPECT_EQ(p[0], (TRGBQuad{0, 0, 0, 0}));
  EXPECT_EQ(p[128], (TRGBQuad{128, 128, 128, 0}));
  auto p16 = TBitmap::GreyPalette(16);
  EXPECT_EQ(p16[15].Red, 255);
  EXPECT_EQ(p16[1].Red, 17);
}

TEST(Bitmap, CopiesAreDeepAndAssignTakesTheRaster) {
  TBitmap a(2, 2, TPixelFormat::pf24bit);
  a.ScanLine(1)[3] = 9;
  a.SetTransparent(true);
  a.SetTransparentColor(RGBColor(1, 2, 3));
  TBitmap b(a);
  a.ScanLine(1)[3] = 1;
  EXPECT_EQ(b.ScanLine(1)[3], 9);
  TBitmap c;
  c.Assign(b);
  EXPECT_EQ(c.Width(), 2);
  EXPECT_TRUE(c.Transparent());
  EXPECT_EQ(c.TransparentColor(), RGBColor(1, 2, 3));
  EXPECT_EQ(c.PixelRGB(1, 1), 0x000009u);
  TBitmap moved(std::move(c));
  EXPECT_TRUE(c.Empty());
  EXPECT_EQ(moved.PixelRGB(1, 1), 0x000009u);
}

}  // namespace
}  // namespace verid
