// Trim, flips and quarter turns over every supported depth.
#include "imaging/Transforms.h"

#include <gtest/gtest.h>

#include "app/PictureOps.h"
#include "support/ImageBuilders.h"
#include "support/ScriptedDialogs.h"

namespace verid {
namespace {

const TPixelFormat kFormats[] = {TPixelFormat::pf4bit,  TPixelFormat::pf8bit,
                                 TPixelFormat::pf15bit, TPixelFormat::pf16bit,
                                 TPixelFormat::pf24bit, TPixelFormat::pf32bit};

bool SamePixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat())
    return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.PixelValue(x, y) != b.PixelValue(x, y)) return false;
  return true;
}

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ERotateError& e) {
    return e.what();
  }
  return "(none)";
}

TEST(Transforms, EveryFunctionFollowsItsPixelRule) {
  // Sizes above the tile edge, so whole and partial tiles are both crossed.
  for (TPixelFormat f : kFormats) {
    SCOPED_TRACE(BitsOf(f));
    const int w = 37, h = 70;
    TBitmap s = test::Pattern(w, h, f);
    TBitmap r = RotateRight90(s), l = RotateLeft90(s);
    TBitmap fv = FlipVertical(s), fh = FlipHorizontal(s);
    ASSERT_EQ(r.Width(), h);
    ASSERT_EQ(r.Height(), w);
    EXPECT_EQ(r.PixelFormat(), f);
    EXPECT_EQ(r.Palette(), s.Palette());
    bool ok = true;
    for (int y = 0; y < h && ok; ++y)
      for (int x = 0; x < w && ok; ++x) {
        const uint32_t v = s.PixelValue(x, y);
        ok = r.PixelValue(h - 1 - y, x) == v && l.PixelValue(y, w - 1 - x) == v &&
             fv.PixelValue(x, h - 1 - y) == v && fh.PixelValue(w - 1 - x, y) == v;
        EXPECT_TRUE(ok) << "at " << x << ", " << y;
      }
    EXPECT_TRUE(SamePixels(RotateLeft90(r), s));
    EXPECT_TRUE(SamePixels(FlipVertical(fv), s));
    EXPECT_TRUE(SamePixels(FlipHorizontal(fh), s));
    EXPECT_TRUE(SamePixels(RotateRight90(RotateRight90(r)), l));

    TBitmap t = Trim(s, 3, 5, 20, 9);
    ASSERT_EQ(t.Width(), 18);
    ASSERT_EQ(t.Height(), 5);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 18; ++x) ASSERT_EQ(t.PixelValue(x, y), s.PixelValue(x + 3, y + 5));
  }
}

TEST(Transforms, QuarterTurnsAcrossTileEdges) {
  // Tall enough to cross the row tiles, with the last column in a partial tile; heights
  // that leave each number of rows (0 to 3) after the runs of four in a tile.
  const std::pair<int, int> sizes[] = {{19, 1100}, {1, 7},   {2, 5},    {3, 4},
                                       {17, 516},  {5, 517}, {4, 1027}, {2, 1}};
  for (TPixelFormat f : {TPixelFormat::pf24bit, TPixelFormat::pf32bit})
    for (const auto& [width, height] : sizes) {
      TBitmap s = test::Pattern(width, height, f);
      TBitmap r = RotateRight90(s), l = RotateLeft90(s);
      for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
          ASSERT_EQ(r.PixelValue(s.Height() - 1 - y, x), s.PixelValue(x, y))
              << width << " x " << height << " at " << x << ", " << y;
          ASSERT_EQ(l.PixelValue(y, s.Width() - 1 - x), s.PixelValue(x, y)) << x << ", " << y;
        }
    }
}

TEST(Transforms, SmallCases) {
  // 3 x 2 rotated right: the top row holds the left column read from the bottom up.
  TBitmap s(3, 2, TPixelFormat::pf8bit);
  const uint8_t v[2][3] = {{1, 2, 3}, {4, 5, 6}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) s.ScanLine(y)[x] = v[y][x];
  TBitmap r = RotateRight90(s);
  ASSERT_EQ(r.Width(), 2);
  ASSERT_EQ(r.Height(), 3);
  EXPECT_EQ(r.PixelValue(0, 0), 4u);
  EXPECT_EQ(r.PixelValue(1, 0), 1u);
  EXPECT_EQ(r.PixelValue(1, 2), 3u);

  // Odd-width 4-bit flip: the last pixel moves into the high nibble of the first byte.
  TBitmap n(3, 1, TPixelFormat::pf4bit);
  n.ScanLine(0)[0] = 0xAB;
  n.ScanLine(0)[1] = 0xC0;
  TBitmap f = FlipHorizontal(n);
  EXPECT_EQ(f.ScanLine(0)[0], 0xCB);
  EXPECT_EQ(f.ScanLine(0)[1] >> 4, 0xA);

  // 1 x 1 trim, reversed corners and a rectangle partly outside the source.
  TBitmap one = Trim(s, 1, 1, 1, 1);
  ASSERT_EQ(one.Width(), 1);
  EXPECT_EQ(one.PixelValue(0, 0), 5u);
  TBitmap rev = Trim(s, 2, 1, 0, 0);
  ASSERT_EQ(rev.Width(), 3);
  ASSERT_EQ(rev.Height(), 2);
  EXPECT_EQ(rev.PixelValue(0, 0), 0u);
  EXPECT_EQ(rev.PixelValue(2, 1), 0u);
  TBitmap over = Trim(s, 2, 1, 5, 4);
  ASSERT_EQ(over.Width(), 4);
  EXPECT_EQ(over.PixelValue(0, 0), 6u);
  EXPECT_EQ(over.PixelValue(1, 0), 0u);

  // Transparency and palette travel with the pixels.
  s.SetPalette({{1, 2, 3, 0}});
  s.SetTransparentColor(kPaletteIndexFlag + 4);
  s.SetTransparent(true);
  TBitmap l = RotateLeft90(s);
  EXPECT_TRUE(l.Transparent());
  EXPECT_EQ(l.TransparentColor(), kPaletteIndexFlag + 4);
  EXPECT_EQ(l.Palette(), s.Palette());
}

TEST(Transforms, EmptyAndOneBitSources) {
  TBitmap empty(0, 4, TPixelFormat::pf24bit);
  EXPECT_EQ(ErrorOf([&] { RotateRight90(empty); }), kBitmapSizeError);
  EXPECT_EQ(ErrorOf([&] { FlipHorizontal(empty); }), kBitmapSizeError);
  EXPECT_EQ(ErrorOf([&] { Trim(empty, 0, 0, 0, 0); }), kBitmapSizeError);

  TBitmap mono = test::Pattern(9, 3, TPixelFormat::pf1bit);
  EXPECT_FALSE(TransformSupported(mono));
  EXPECT_TRUE(SamePixels(RotateRight90(mono), mono));
  EXPECT_TRUE(SamePixels(FlipVertical(mono), mono));
  EXPECT_TRUE(SamePixels(Trim(mono, 0, 0, 1, 1), mono));

  test::ScriptedDialogs dialogs;
  dialogs.AnswerMessage(MsgButton::Cancel);
  ShowUnsupportedPixelFormat(dialogs);
  ASSERT_EQ(dialogs.Calls().size(), 1u);
  const MessageRequest& m = dialogs.Calls()[0].Message;
  EXPECT_EQ(m.Kind, MsgKind::Error);
  EXPECT_EQ(m.Text, "未対応なピクセル形式の画像です");
  EXPECT_EQ(m.Buttons, std::vector<MsgButton>{MsgButton::Cancel});
  EXPECT_EQ(m.ButtonCaptions, std::vector<std::string>{"ｷｬﾝｾﾙ"});
}

// The pixel of the w x h source that each turn puts at (x, y), as EXIF describes them.
TPoint SourceOf(TTurn turn, int x, int y, int w, int h) {
  switch (turn) {
    case TTurn::FlipHorizontal:
      return {w - 1 - x, y};
    case TTurn::Rotate180:
      return {w - 1 - x, h - 1 - y};
    case TTurn::FlipVertical:
      return {x, h - 1 - y};
    case TTurn::Transpose:
      return {y, x};
    case TTurn::RotateRight:
      return {y, h - 1 - x};
    case TTurn::Transverse:
      return {w - 1 - y, h - 1 - x};
    case TTurn::RotateLeft:
      return {w - 1 - y, x};
    default:
      return {x, y};
  }
}

TEST(Turns, EachTurnMovesThePixelsAsNamedAndTheyComposeLikeTheirPictures) {
  const TBitmap src = test::Pattern(7, 4, TPixelFormat::pf24bit);
  for (int a = 1; a <= 8; ++a) {
    const TTurn turn = TurnOfOrientation(a);
    SCOPED_TRACE(a);
    EXPECT_EQ(static_cast<int>(turn), a);
    const TBitmap out = ApplyTurn(src, turn);
    ASSERT_EQ(out.Width(), SwapsSides(turn) ? 4 : 7);
    ASSERT_EQ(out.Height(), SwapsSides(turn) ? 7 : 4);
    for (int y = 0; y < out.Height(); ++y)
      for (int x = 0; x < out.Width(); ++x) {
        const TPoint from = SourceOf(turn, x, y, 7, 4);
        ASSERT_EQ(out.PixelValue(x, y), src.PixelValue(from.X, from.Y)) << x << "," << y;
      }
    EXPECT_EQ(Then(turn, Inverse(turn)), TTurn::None);
    EXPECT_EQ(Then(Inverse(turn), turn), TTurn::None);
    for (int b = 1; b <= 8; ++b) {
      const TTurn second = TurnOfOrientation(b);
      EXPECT_TRUE(SamePixels(ApplyTurn(out, second), ApplyTurn(src, Then(turn, second))))
          << a << " then " << b;
    }
  }
  EXPECT_EQ(TurnOfOrientation(0), TTurn::None);
  EXPECT_EQ(TurnOfOrientation(9), TTurn::None);
  // The view window's commands are single turns.
  EXPECT_TRUE(SamePixels(ApplyTurn(src, TTurn::RotateRight), RotateRight90(src)));
  EXPECT_TRUE(SamePixels(ApplyTurn(src, TTurn::RotateLeft), RotateLeft90(src)));
}

}  // namespace
}  // namespace verid
