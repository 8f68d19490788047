#include "view/ViewLayout.h"

#include <gtest/gtest.h>

namespace verid {
namespace {

const TRect kWork{0, 0, 1024, 738};  // a 1024 x 768 screen less a 30-pixel panel
const TBorders kFrame{8, 34, 16};    // frame + caption, scroll bar 16

TEST(LayoutReal, SmallPictureGetsTheMinimumWidthAndNoScrollBars) {
  TRealLayout l = LayoutReal(200, 100, kWork, kFrame);
  EXPECT_EQ(l.Window, Bounds(0, 0, 300, 134));
  EXPECT_EQ(l.Control, Bounds(0, 0, 200, 100));
  EXPECT_FALSE(l.HorzScroll);
  EXPECT_FALSE(l.VertScroll);
  // Wide enough: the client area is exactly the picture.
  EXPECT_EQ(LayoutReal(640, 480, kWork, kFrame).Window, Bounds(0, 0, 648, 514));
}

TEST(LayoutReal, EachDirectionThatDoesNotFitScrolls) {
  struct Case {
    int w, h;
    TRect window;
    bool horz, vert;
  } cases[] = {
      // As wide as the work area counts as wider; the height gains room for the bar.
      {1024, 300, Bounds(0, 0, 1024, 350), true, false},
      {1500, 300, Bounds(0, 0, 1024, 350), true, false},
      {400, 738, Bounds(0, 0, 424, 738), false, true},
      {2000, 2000, Bounds(0, 0, 1024, 738), true, true},
      // The bar's room would pass the work area: then both scroll.
      {1500, 700, Bounds(0, 0, 1024, 738), true, true},
  };
  for (const Case& c : cases) {
    TRealLayout l = LayoutReal(c.w, c.h, kWork, kFrame);
    EXPECT_EQ(l.Window, c.window) << c.w << "x" << c.h;
    EXPECT_EQ(l.Control, Bounds(0, 0, c.w, c.h)) << c.w << "x" << c.h;
    EXPECT_EQ(l.HorzScroll, c.horz) << c.w << "x" << c.h;
    EXPECT_EQ(l.VertScroll, c.vert) << c.w << "x" << c.h;
  }
  // Without a scroll bar thickness the plain rule: outer width A, height unchanged.
  EXPECT_EQ(LayoutReal(1024, 300, kWork, {8, 34, 0}).Window, Bounds(0, 0, 1024, 334));
}

TEST(LayoutReal, SitsAtTheWorkAreasTopLeft) {
  EXPECT_EQ(LayoutReal(200, 100, TRect{50, 28, 1074, 766}, kFrame).Window,
            Bounds(50, 28, 300, 134));
}

TEST(LayoutFit, SmallPicturesKeepTheirSize) {
  TFitLayout l = LayoutFit(400, 300, kWork, kFrame);
  EXPECT_EQ(l.Window, Bounds(0, 0, 408, 334));
  EXPECT_EQ(l.Control, Bounds(0, 0, 400, 300));
  EXPECT_TRUE(l.Stretch);
}

TEST(LayoutFit, LargePicturesShrinkToTheWorkArea) {
  // r > q: full width, height trunc(1000 * 1024 / 2048) = 500.
  TFitLayout wide = LayoutFit(2048, 1000, kWork, kFrame);
  EXPECT_EQ(wide.Window, Bounds(0, 0, 1024, 500));
  EXPECT_EQ(wide.Control, Bounds(0, 0, 1016, 466));
  EXPECT_TRUE(wide.Stretch);
  // r <= q: full height, width trunc(1000 * 738 / 1200) = 615.
  TFitLayout tall = LayoutFit(1000, 1200, kWork, kFrame);
  EXPECT_EQ(tall.Window, Bounds(0, 0, 615, 738));
  EXPECT_EQ(tall.Control, Bounds(0, 0, 607, 704));
}

TEST(LayoutFit, NarrowResultShowsThePictureUnstretchedAndClipped) {
  // trunc(200 * 738 / 2000) = 73 < 169.
  TFitLayout l = LayoutFit(200, 2000, kWork, kFrame);
  EXPECT_EQ(l.Window, Bounds(0, 0, 73, 738));
  EXPECT_EQ(l.Control, Bounds(0, 0, 200, 704));
  EXPECT_FALSE(l.Stretch);
  // 168 is still too narrow, 169 is not.
  EXPECT_FALSE(LayoutFit(160, 100, kWork, kFrame).Stretch);
  EXPECT_TRUE(LayoutFit(161, 100, kWork, kFrame).Stretch);
}

TEST(LayoutFull, CentresSmallAndShrinksLargePictures) {
  struct Case {
    int w, h;
    TRect control;
  } cases[] = {
      {500, 300, Bounds(262, 234, 500, 300)},
      {500, 301, Bounds(262, 234, 500, 301)},  // RoundEven(150.5) = 150
      {3000, 1000, Bounds(15, 218, 994, 331)},
      {1000, 3000, Bounds(512 - 123, 15, 246, 738)},
      {994, 100, Bounds(15, 334, 994, 100)},  // at the margin: the shrinking rule, same size
      {993, 100, Bounds(16, 334, 993, 100)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LayoutFull(c.w, c.h, 1024, 768), c.control) << c.w << "x" << c.h;
  EXPECT_EQ(NoPictureFullControl(1024, 768), Bounds(437, 309, 150, 150));
}

}  // namespace
}  // namespace verid
