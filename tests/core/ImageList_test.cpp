// The thumbnail store and its "IL" strip: header fields, strip geometry, depths, masks,
// the panel-background layout, and strips that must be refused.
#include "catalog/ImageList.h"

#include <gtest/gtest.h>

#include "catalog/CatalogBuild.h"
#include "support/ImageBuilders.h"

namespace verid {
namespace {

uint32_t U16(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8;
}
uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return U16(b, at) | U16(b, at + 2) << 16;
}

TImageList Store(int side, int count) {
  TImageList list;
  list.SetSize(side, side);
  for (int k = 0; k < count; ++k)
    list.Add(test::Pattern(side, side, TPixelFormat::pf24bit, uint32_t(k + 1)));
  return list;
}

TEST(ImageList, StripHeaderAndGeometry) {
  TImageList list = Store(65, 5);
  list.SetAllocBy(5);
  const std::vector<uint8_t> s = list.WriteStrip();
  EXPECT_EQ(s[0], 'I');
  EXPECT_EQ(s[1], 'L');
  EXPECT_EQ(U16(s, 2), 0x0101u);
  EXPECT_EQ(U16(s, 4), 5u);  // count
  EXPECT_GE(U16(s, 6), 5u);  // capacity
  EXPECT_EQ(U16(s, 8), 5u);  // growth step
  EXPECT_EQ(U16(s, 10), 65u);
  EXPECT_EQ(U16(s, 12), 65u);
  EXPECT_EQ(U32(s, 14), 0xFFFFFFFFu);
  EXPECT_EQ(U16(s, 18) & 0xFF, 0xFFu);
  for (size_t i = 20; i < 28; ++i) EXPECT_EQ(s[i], 0xFF);
  // Colour strip: 4 cells wide, ceil(capacity / 4) cells high, 24 bits, bottom-up.
  const uint32_t rows = (U16(s, 6) + 3) / 4 * 65;
  EXPECT_EQ(s[28], 'B');
  EXPECT_EQ(U32(s, 30), 54u);  // the header length, not the file's
  EXPECT_EQ(U32(s, 38), 54u);
  EXPECT_EQ(U32(s, 42), 40u);
  EXPECT_EQ(U32(s, 46), 260u);
  EXPECT_EQ(U32(s, 50), rows);
  EXPECT_EQ(U16(s, 56), 24u);
  EXPECT_EQ(U32(s, 62), 780u * rows);
  // Mask strip right after: 1 bit, palette black and white, all clear (opaque).
  const size_t m = 28 + 54 + 780 * size_t(rows);
  EXPECT_EQ(s[m], 'B');
  EXPECT_EQ(U32(s, m + 2), 62u);
  EXPECT_EQ(U16(s, m + 28), 1u);
  EXPECT_EQ(U32(s, m + 54), 0u);
  EXPECT_EQ(U32(s, m + 58), 0x00FFFFFFu);
  EXPECT_EQ(s.size(), m + 62 + 36 * size_t(rows));  // 260 bits padded to 36 bytes
  for (size_t i = m + 62; i < s.size(); ++i) ASSERT_EQ(s[i], 0) << i;

  // Image k sits in column k % 4, row k / 4 counted from the top.
  const TBitmap& img4 = list.Image(4);
  const size_t topOfCell4 = 28 + 54 + size_t(rows - 1 - 65) * 780;
  EXPECT_EQ(s[topOfCell4 + 0], img4.ScanLine(0)[0]);
  EXPECT_EQ(s[topOfCell4 + 2], img4.ScanLine(0)[2]);
}

TEST(ImageList, StripReadsBackAtEveryWrittenDepth) {
  TImageList list = Store(13, 6);
  for (int depth : {16, 24, 32}) {
    StripLayout layout;
    layout.Depth = depth;
    TImageList back;
    const auto s = list.WriteStrip(layout);
    back.ReadStrip(s.data(), s.size());
    ASSERT_EQ(back.Count(), 6) << depth;
    EXPECT_EQ(back.Width(), 13);
    for (int k = 0; k < 6; ++k) {
      if (depth == 16) {
        // 5 bits per channel: each channel within 7 of the original.
        for (int y = 0; y < 13; ++y)
          for (int x = 0; x < 13; ++x)
            for (int c = 0; c < 3; ++c)
              ASSERT_NEAR(back.Image(k).ScanLine(y)[3 * x + c],
                          list.Image(k).ScanLine(y)[3 * x + c], 7);
      } else {
        EXPECT_EQ(test::CompareRGB(back.Image(k), list.Image(k)), "") << depth << " " << k;
      }
    }
    EXPECT_EQ(back.WriteStrip(layout), s) << depth;
  }
}

TEST(ImageList, MaskBitsSurviveAReadAndWrite) {
  TImageList list = Store(9, 2);
  auto s = list.WriteStrip();
  // A 36 x 9 strip: colour rows of 108 bytes, mask rows of 8; the top picture row is the
  // last row of the file. Bit for x = 9 is image 1's first pixel.
  const size_t maskPixels = 28 + 54 + 108 * 9 + 62;
  s[maskPixels + 8 * 8 + 1] |= 0x40;
  TImageList back;
  back.ReadStrip(s.data(), s.size());
  EXPECT_TRUE(back.Mask(0).empty());
  ASSERT_FALSE(back.Mask(1).empty());
  EXPECT_EQ(back.Mask(1)[0], 0x80);
  EXPECT_EQ(back.WriteStrip(), s);
}

TEST(ImageList, PanelBackgroundListLayout) {
  TImageList panels = PanelImageList();
  const auto s = panels.WriteStrip(PanelListLayout());
  EXPECT_EQ(U16(s, 4), 5u);
  EXPECT_EQ(U16(s, 6), 9u);
  EXPECT_EQ(U16(s, 8), 4u);
  EXPECT_EQ(U16(s, 18), 0x10FFu);
  EXPECT_EQ(U16(s, 28 + 28), 16u);
  // 3 cell rows of 120; colour rows of 960 bytes, mask rows of 60; 22 zero bytes after.
  EXPECT_EQ(s.size(), 28u + 54 + 960 * 360 + 62 + 60 * 360 + 22);
  TImageList back;
  back.ReadStrip(s.data(), s.size());
  ASSERT_EQ(back.Count(), 5);
  // The panel colours are exact in 5-5-5.
  for (int k = 0; k < 5; ++k) EXPECT_EQ(test::CompareRGB(back.Image(k), PanelImage(k)), "") << k;
  EXPECT_EQ(back.WriteStrip(PanelListLayout()), s);
}

TEST(ImageList, ReadsPalettedStrips) {
  // A hand-made 1-bit colour strip: one 8 x 8 cell, white on the left half, black right.
  std::vector<uint8_t> s = {'I',  'L',  1,    1,    1,    0,    1,    0,    1,    0,
                            8,    0,    8,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0,
                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  test::BmpSpec spec;
  spec.Width = 32;
  spec.Height = 8;
  spec.BitCount = 1;
  spec.Palette = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  spec.Pixels.assign(8 * 4, 0);
  for (int y = 0; y < 8; ++y) spec.Pixels[size_t(y) * 4] = 0xF0;
  const auto bmp = test::MakeBmp(spec);
  s.insert(s.end(), bmp.begin(), bmp.end());  // flags 0x00FE: no mask follows
  TImageList back;
  back.ReadStrip(s.data(), s.size());
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.Image(0).PixelRGB(3, 5), 0xFFFFFFu);
  EXPECT_EQ(back.Image(0).PixelRGB(4, 5), 0x000000u);
}

TEST(ImageList, RefusesStripsThatDoNotParse) {
  const TImageList list = Store(10, 3);
  const auto good = list.WriteStrip();
  struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
  };
  const Case cases[] = {
      {"not IL", [](auto& s) { s[0] = 'X'; }},
      {"old layout", [](auto& s) { std::copy(s.begin(), s.begin() + 4, s.begin() + 4); }},
      {"version", [](auto& s) { s[3] = 6; }},
      {"zero cell", [](auto& s) { test::Poke16(s, 10, 0); }},
      {"huge cell", [](auto& s) { test::Poke16(s, 12, 5000); }},
      {"count beyond strip", [](auto& s) { test::Poke16(s, 4, 40); }},
      {"wrong strip width", [](auto& s) { test::Poke32(s, 28 + 18, 44); }},
      {"compressed", [](auto& s) { test::Poke32(s, 28 + 30, 1); }},
      {"bit count", [](auto& s) { test::Poke16(s, 28 + 28, 12); }},
      {"no BM", [](auto& s) { s[28] = 'X'; }},
      {"mask cut", [](auto& s) { s.resize(s.size() - 1); }},
      {"header cut", [](auto& s) { s.resize(20); }},
  };
  for (const Case& c : cases) {
    auto s = good;
    c.damage(s);
    TImageList target = Store(7, 1);
    EXPECT_THROW(target.ReadStrip(s.data(), s.size()), EStripError) << c.name;
    EXPECT_EQ(target.Count(), 1) << c.name;  // the store stays as it was
    EXPECT_EQ(target.Width(), 7) << c.name;
  }
}

TEST(ImageList, AddFitsAnyPictureIntoACell) {
  TImageList list;
  list.SetSize(4, 4);
  list.SetAllocBy(10);
  TBitmap small = test::Pattern(2, 3, TPixelFormat::pf8bit);
  list.Add(small);
  EXPECT_EQ(list.Image(0).Width(), 4);
  EXPECT_EQ(list.Image(0).PixelRGB(1, 2), small.PixelRGB(1, 2));
  EXPECT_EQ(list.Image(0).PixelRGB(3, 3), 0u);
  list.SetSize(4, 5);  // a new cell size empties the store
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace verid
