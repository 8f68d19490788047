// Small value types shared by every unit.
#pragma once

#include <cstdint>

namespace verid {

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool operator==(const TRect&) const = default;
};

struct TPoint {
  int X = 0, Y = 0;
  bool operator==(const TPoint&) const = default;
};

inline TRect Bounds(int left, int top, int width, int height) {
  return TRect{left, top, left + width, top + height};
}

// A colour as the settings and the PNG properties hold it: 0x00BBGGRR; a palette index is
// 0x01000000 plus the index.
using TColor = int32_t;
constexpr TColor kPaletteIndexFlag = 0x01000000;
inline uint8_t RedOf(TColor c) {
  return static_cast<uint8_t>(c & 0xFF);
}
inline uint8_t GreenOf(TColor c) {
  return static_cast<uint8_t>((c >> 8) & 0xFF);
}
inline uint8_t BlueOf(TColor c) {
  return static_cast<uint8_t>((c >> 16) & 0xFF);
}
inline TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<TColor>(r | (g << 8) | (b << 16));
}

}  // namespace verid
