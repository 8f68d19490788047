#include "view/ViewLayout.h"

#include <algorithm>
#include <cstdint>

#include "app/Hanyou.h"

namespace verid {

namespace {

float Ratio(int a, int b) {
  return b == 0 ? 0.0f : static_cast<float>(static_cast<double>(a) / b);
}

// a * b / c truncated toward zero; the product is taken wide so huge pictures cannot wrap.
int MulDivTrunc(int a, int b, int c) {
  return c == 0 ? 0 : static_cast<int>(int64_t(a) * b / c);
}

}  // namespace

TRealLayout LayoutReal(int w, int h, const TRect& workArea, const TBorders& borders) {
  const int a = workArea.Width(), b = workArea.Height();
  int outerW = std::max(w + borders.Width, kRealMinWidth);
  int outerH = h + borders.Height;
  TRealLayout layout;
  const bool wide = w >= a, tall = h >= b;
  if (wide) {
    outerW = a;
    layout.HorzScroll = true;
  }
  if (tall) {
    outerH = b;
    layout.VertScroll = true;
  }
  if (wide && !tall) {
    outerH += borders.ScrollBar;
    if (outerH > b) {
      outerH = b;
      layout.VertScroll = true;
    }
  } else if (tall && !wide) {
    outerW = std::max(w + borders.Width + borders.ScrollBar, kRealMinWidth);
    if (outerW > a) {
      outerW = a;
      layout.HorzScroll = true;
    }
  }
  layout.Window = Bounds(workArea.Left, workArea.Top, outerW, outerH);
  layout.Control = Bounds(0, 0, w, h);
  return layout;
}

TFitLayout LayoutFit(int w, int h, const TRect& workArea, const TBorders& borders) {
  const int a = workArea.Width(), b = workArea.Height();
  const float r = Ratio(w, h), q = Ratio(a, b);
  int outerW = w + borders.Width, outerH = h + borders.Height;
  if (r > q) {
    if (a <= w) {
      outerW = a;
      outerH = MulDivTrunc(h, a, w);
    }
  } else if (b <= h) {
    outerW = MulDivTrunc(w, b, h);
    outerH = b;
  }
  TFitLayout layout;
  layout.Window = Bounds(workArea.Left, workArea.Top, outerW, outerH);
  const int clientW = std::max(outerW - borders.Width, 0);
  const int clientH = std::max(outerH - borders.Height, 0);
  if (outerW < kFitMinWidth) {
    layout.Control = Bounds(0, 0, w, clientH);
    layout.Stretch = false;
  } else {
    layout.Control = Bounds(0, 0, clientW, clientH);
  }
  return layout;
}

float FullRatio(int screenWidth, int screenHeight) {
  return Ratio(screenWidth - kFullMargin, screenHeight - kFullMargin);
}

TRect LayoutFull(int w, int h, int fw, int fh, float s) {
  const float r = Ratio(w, h);
  const int halfW = RoundEven(fw / 2.0), halfH = RoundEven(fh / 2.0);
  auto centred = [&](int cw, int ch) {
    return Bounds(halfW - RoundEven(cw / 2.0), halfH - RoundEven(ch / 2.0), cw, ch);
  };
  if (r > s) {
    if (w < fw - kFullMargin) return centred(w, h);
    const int cw = fw - kFullMargin, ch = MulDivTrunc(h, cw, w);
    return Bounds(kFullMargin / 2, halfH - RoundEven(ch / 2.0), cw, ch);
  }
  if (h < fh - kFullMargin) return centred(w, h);
  const int ch = fh - kFullMargin, cw = MulDivTrunc(w, ch, h);
  return Bounds(halfW - RoundEven(cw / 2.0), kFullMargin / 2, cw, ch);
}

TRect NoPictureFullControl(int fw, int fh) {
  return Bounds(RoundEven(fw / 2.0) - 75, RoundEven(fh / 2.0) - 75, 150, 150);
}

}  // namespace verid
