// Where the view window goes and where its picture sits, in the three display modes. Plain
// arithmetic: the window measures its borders and hands them in.
#pragma once

#include "base/Types.h"

namespace verid {

// Outer size minus client size of the window as it is now (frame, caption, menu bar), and
// the thickness of a scroll bar.
struct TBorders {
  int Width = 0;
  int Height = 0;
  int ScrollBar = 0;
};

inline constexpr int kRealMinWidth = 300;
inline constexpr int kFitMinWidth = 169;
inline constexpr int kFullMargin = 30;

struct TRealLayout {
  TRect Window;   // outer bounds
  TRect Control;  // the image control, in client coordinates
  bool HorzScroll = false;
  bool VertScroll = false;
  bool operator==(const TRealLayout&) const = default;
};

// A W x H picture at its own size: the client area is the picture (at least 300 wide
// outside), capped to the work area, with scroll bars only in a direction that does not
// fit. When one direction scrolls, the other gets room for the scroll bar while the work
// area allows, so the whole picture can still be reached.
TRealLayout LayoutReal(int w, int h, const TRect& workArea, const TBorders& borders);

struct TFitLayout {
  TRect Window;
  TRect Control;
  bool Stretch = true;  // false: the picture at its own size from the top left, clipped
  bool operator==(const TFitLayout&) const = default;
};

// A W x H picture fitted into the work area, never enlarged.
TFitLayout LayoutFit(int w, int h, const TRect& workArea, const TBorders& borders);

// (screen width - 30) / (screen height - 30), in single precision.
float FullRatio(int screenWidth, int screenHeight);

// The image control inside an FW x FH full-screen window for a W x H picture, with s from
// FullRatio of the screen. Small pictures are centred at their own size; larger ones are
// shrunk to leave 15 pixels on their long side.
TRect LayoutFull(int w, int h, int fw, int fh, float s);
inline TRect LayoutFull(int w, int h, int fw, int fh) {
  return LayoutFull(w, h, fw, fh, FullRatio(fw, fh));
}

// Where "No Picture" goes in full screen: a 150 x 150 control in the middle.
TRect NoPictureFullControl(int fw, int fh);

}  // namespace verid
