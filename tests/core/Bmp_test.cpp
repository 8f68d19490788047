// BMP reading and writing: our writer's files read back, hand-built variants, and damaged
// files rejected with the bitmap message.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/Bitmap.h"
#include "support/ImageBuilders.h"

namespace verid {
namespace {

using test::BmpSpec;
using test::MakeBmp;

std::vector<uint8_t> Save(TBitmap& b) {
  TMemoryStream s;
  b.SaveToStream(s);
  return s.Bytes();
}

TBitmap Load(const std::vector<uint8_t>& bytes) {
  TBitmap b;
  b.LoadFromMemory(bytes.data(), bytes.size());
  return b;
}

void ExpectInvalid(const std::vector<uint8_t>& bytes) {
  TBitmap b;
  try {
    b.LoadFromMemory(bytes.data(), bytes.size());
    ADD_FAILURE() << "accepted a damaged bitmap of " << bytes.size() << " bytes";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), kInvalidBitmapMessage);
  }
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

TEST(Bmp, WriterRoundTripsEveryDepth) {
  for (TPixelFormat f :
       {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit, TPixelFormat::pf15bit,
        TPixelFormat::pf16bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
    SCOPED_TRACE(BitsOf(f));
    TBitmap src = test::Pattern(13, 5, f);
    std::vector<uint8_t> file = Save(src);
    ASSERT_EQ(file[0], 'B');
    ASSERT_EQ(file[1], 'M');
    EXPECT_EQ(Le32(file, 2), file.size());
    EXPECT_EQ(Le32(file, 14), 40u);
    size_t colours = src.Indexed() ? size_t(1) << BitsOf(f) : 0;
    size_t off = Le32(file, 10);
    EXPECT_EQ(off, 14 + 40 + colours * 4 + (f == TPixelFormat::pf16bit ? 12 : 0));
    EXPECT_EQ(file.size(), off + 5 * size_t(src.Stride()));
    // Bottom row first.
    EXPECT_EQ(0, std::memcmp(&file[off], src.ScanLine(4), size_t(src.Stride())));

    TBitmap back = Load(file);
    EXPECT_EQ(back.PixelFormat(), f);
    EXPECT_EQ(test::CompareRGB(src, back), "");
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 13; ++x) ASSERT_EQ(src.PixelValue(x, y), back.PixelValue(x, y));
  }
}

TEST(Bmp, Os2CoreHeaderWithThreeBytePalette) {
  BmpSpec s;
  s.HeaderSize = 12;
  s.Width = 3;
  s.Height = 2;
  s.BitCount = 8;
  s.Palette = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  s.Palette.resize(256);
  s.Pixels = {2, 1, 0, 0, /* top */ 0, 1, 2, 0};
  TBitmap b = Load(MakeBmp(s));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(b.PixelRGB(0, 0), 0x030201u);
  EXPECT_EQ(b.PixelRGB(2, 0), 0x090807u);
  EXPECT_EQ(b.PixelRGB(0, 1), 0x090807u);

  s.BitCount = 24;
  s.Palette.clear();
  s.Pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 10, 20, 30, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  b = Load(MakeBmp(s));
  EXPECT_EQ(b.PixelRGB(0, 1), 0x030201u);
  EXPECT_EQ(b.PixelRGB(0, 0), 0x1E140Au);
}

TEST(Bmp, TopDownRowsAndShortOrLongPalettes) {
  BmpSpec s;
  s.Width = 2;
  s.Height = -2;
  s.BitCount = 8;
  s.ClrUsed = 2;  // short table
  s.Palette = {{0, 0, 255, 0}, {255, 0, 0, 0}};
  s.Pixels = {0, 1, 0, 0, 1, 5, 0, 0};
  TBitmap b = Load(MakeBmp(s));
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(b.PixelRGB(0, 0), 0xFF0000u);  // first stored row is the top
  EXPECT_EQ(b.PixelRGB(1, 0), 0x0000FFu);
  EXPECT_EQ(b.PixelRGB(0, 1), 0x0000FFu);
  EXPECT_EQ(b.PixelRGB(1, 1), 0u);  // an index past the table is black

  // A table longer than the depth allows: the extra entries are skipped, not read as
  // pixels.
  s.ClrUsed = 20;
  s.BitCount = 1;
  s.Palette.assign(20, TRGBQuad{9, 9, 9, 0});
  s.Palette[1] = TRGBQuad{0, 255, 0, 0};
  s.Pixels = {0x40, 0, 0, 0, 0x80, 0, 0, 0};
  b = Load(MakeBmp(s));
  EXPECT_EQ(b.Palette().size(), 2u);
  EXPECT_EQ(b.PixelRGB(1, 0), 0x00FF00u);
  EXPECT_EQ(b.PixelRGB(0, 1), 0x00FF00u);
  EXPECT_EQ(b.PixelRGB(1, 1), 0x090909u);

  s.ZeroOffBits = true;  // the pixel offset then follows the table
  b = Load(MakeBmp(s));
  EXPECT_EQ(b.PixelRGB(1, 0), 0x00FF00u);
}

TEST(Bmp, Rle8WithDeltaEndOfLineAndAbsoluteRuns) {
  BmpSpec s;
  s.Width = 6;
  s.Height = 3;
  s.BitCount = 8;
  s.Compression = 1;
  for (int i = 0; i < 256; ++i) s.Palette.push_back({uint8_t(i), 0, 0, 0});
  s.Pixels = {3, 7,              // bottom row: 7 7 7
              0, 3, 1, 2, 3, 0,  // absolute run of 3, padded
              0, 0,              // end of line
              0, 2, 2, 1,        // delta: 2 right, 1 up -> row 2 from the bottom, x 2
              2, 9,              // 9 9 at x 2..3 of the top row
              8, 4,              // clipped at the row end
              0, 1};             // end of bitmap
  TBitmap b = Load(MakeBmp(s));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
  const uint32_t bottom[6] = {7, 7, 7, 1, 2, 3};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(b.PixelValue(x, 2), bottom[x]) << x;
  for (int x = 0; x < 6; ++x) EXPECT_EQ(b.PixelValue(x, 1), 0u) << x;
  const uint32_t top[6] = {0, 0, 9, 9, 4, 4};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(b.PixelValue(x, 0), top[x]) << x;
}

TEST(Bmp, Rle4NibblesAndOddAbsoluteRun) {
  BmpSpec s;
  s.Width = 5;
  s.Height = 2;
  s.BitCount = 4;
  s.Compression = 2;
  s.Palette.assign(16, {});
  s.Pixels = {5, 0x12,              // 1 2 1 2 1
              0, 0,                 // end of line
              0, 3,    0xAB, 0xC0,  // absolute A B C (2 bytes, already even)
              0, 1};
  TBitmap b = Load(MakeBmp(s));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf4bit);
  const uint32_t bottom[5] = {1, 2, 1, 2, 1};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(b.PixelValue(x, 1), bottom[x]);
  const uint32_t top[5] = {0xA, 0xB, 0xC, 0, 0};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(b.PixelValue(x, 0), top[x]);
}

TEST(Bmp, BitFieldsOf16And32Bits) {
  BmpSpec s;
  s.Width = 2;
  s.Height = 1;
  s.BitCount = 16;
  s.Compression = 3;
  s.Masks = {0xF800, 0x07E0, 0x001F};
  s.Pixels = {0x00, 0xF8, 0xE0, 0x07};  // pure red, pure green
  TBitmap b = Load(MakeBmp(s));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf16bit);
  EXPECT_EQ(b.PixelRGB(0, 0), 0xFF0000u);
  EXPECT_EQ(b.PixelRGB(1, 0), 0x00FF00u);

  s.Masks = {0x7C00, 0x03E0, 0x001F};
  s.Pixels = {0x00, 0x7C, 0x1F, 0x00};
  b = Load(MakeBmp(s));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf15bit);
  EXPECT_EQ(b.PixelRGB(0, 0), 0xFF0000u);
  EXPECT_EQ(b.PixelRGB(1, 0), 0x0000FFu);

  // 16-bit without masks is 5-5-5.
  s.Compression = 0;
  s.Masks.clear();
  b = Load(MakeBmp(s));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf15bit);
  EXPECT_EQ(b.PixelRGB(0, 0), 0xFF0000u);

  // A V5 header with masks inside it, red in the low byte.
  s.HeaderSize = 124;
  s.BitCount = 32;
  s.Compression = 3;
  s.Masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0};
  s.Pixels = {0x11, 0x22, 0x33, 0, 0xFF, 0, 0, 0};
  b = Load(MakeBmp(s));
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(b.PixelRGB(0, 0), 0x112233u);
  EXPECT_EQ(b.PixelRGB(1, 0), 0xFF0000u);

  // 4-4-4 in 16 bits widens each channel to full scale.
  s.HeaderSize = 108;
  s.BitCount = 16;
  s.Masks = {0x0F00, 0x00F0, 0x000F, 0};
  s.Pixels = {0x0F, 0x0F, 0x80, 0x00};
  b = Load(MakeBmp(s));
  EXPECT_EQ(b.PixelRGB(0, 0), 0xFF00FFu);
  EXPECT_EQ(b.PixelRGB(1, 0), 0x008800u);
}

TEST(Bmp, DamagedAndOversizeFilesAreRejectedWithoutCrashing) {
  TBitmap src = test::Pattern(7, 3, TPixelFormat::pf8bit);
  std::vector<uint8_t> good = Save(src);
  for (size_t n = 0; n < good.size(); ++n)
    ExpectInvalid(std::vector<uint8_t>(good.begin(), good.begin() + long(n)));

  BmpSpec rle;
  rle.Width = 4;
  rle.Height = 2;
  rle.BitCount = 8;
  rle.Compression = 1;
  rle.Palette.assign(4, {});
  rle.Pixels = {4, 1, 0, 0, 0, 4, 1, 2, 3, 0, 0, 1};
  std::vector<uint8_t> r = MakeBmp(rle);
  ASSERT_NO_THROW(Load(r));
  for (size_t cut = 1; cut <= rle.Pixels.size() - 2; ++cut)
    ExpectInvalid(std::vector<uint8_t>(r.begin(), r.end() - long(cut)));

  std::vector<uint8_t> huge = good;
  test::Poke32(huge, 18, 100000);
  test::Poke32(huge, 22, 100000);
  ExpectInvalid(huge);
  std::vector<uint8_t> wide = good;
  test::Poke32(wide, 18, 0x7FFFFFFF);
  ExpectInvalid(wide);
  std::vector<uint8_t> tall = good;
  test::Poke32(tall, 22, 0x80000000u);
  ExpectInvalid(tall);
  std::vector<uint8_t> header = good;
  test::Poke32(header, 14, 0xFFFFFFF0u);
  ExpectInvalid(header);
  std::vector<uint8_t> depth = good;
  test::Poke16(depth, 28, 7);
  ExpectInvalid(depth);
  std::vector<uint8_t> jpegInside = good;
  test::Poke32(jpegInside, 30, 4);
  ExpectInvalid(jpegInside);
  rle.Height = -2;  // run-length data is always bottom-up
  ExpectInvalid(MakeBmp(rle));
  // A JPEG file given to the bitmap reader.
  ExpectInvalid({0xFF, 0xD8, 0xFF, 0xE0, 0, 16,   'J',  'F', 'I', 'F', 0, 1, 1, 0, 0,
                 1,    0,    1,    0,    0, 0xFF, 0xD9, 0,   0,   0,   0, 0, 0, 0, 0});
}

TEST(Bmp, FailedLoadKeepsThePreviousPicture) {
  TBitmap b = test::Pattern(4, 4, TPixelFormat::pf24bit);
  TBitmap before = b;
  std::vector<uint8_t> bad = {'B', 'M', 0, 0};
  EXPECT_THROW(b.LoadFromMemory(bad.data(), bad.size()), EInvalidGraphic);
  EXPECT_EQ(test::CompareRGB(before, b), "");
}

}  // namespace
}  // namespace verid
