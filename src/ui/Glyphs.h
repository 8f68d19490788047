// The pictures of the main window's thirteen speed buttons, drawn in code (16 x 16, the
// sixteen standard colours).
#pragma once

#include <QPixmap>

namespace verid {

enum class Glyph {
  Open,
  Copy,
  Move,
  Delete,
  RealSize,
  FitScreen,
  FullScreen,
  Catalog,
  SlideThumb,
  SlideFull,
  Info,
  Property,
  CacheSearch
};
inline constexpr int kGlyphCount = 13;
inline constexpr int kGlyphSize = 16;

QPixmap SpeedButtonGlyph(Glyph glyph);

}  // namespace verid
