// Trimming, flips and quarter turns of a raster. Each builds a new raster with the
// source's pixel format, palette and transparent colour; pixel values are moved, never
// converted.
#pragma once

#include "imaging/Bitmap.h"

namespace verid {

inline constexpr const char* kBitmapSizeError = "Bitmap Size Error";
inline constexpr const char* kIllegalBitmap = "Illegal Bitmap";

// 1-bit rasters are not transformed: every function below returns an unchanged copy of
// such a source, and the caller tells the user (ShowUnsupportedPixelFormat in
// app/PictureOps.h).
bool TransformSupported(const TBitmap& source);

// All throw ERotateError "Bitmap Size Error" for an empty source.
// The (abs(x2 - x1) + 1) x (abs(y2 - y1) + 1) rectangle; pixels are copied only when
// x1 <= x2 and y1 <= y2 (otherwise it stays 0), and never from outside the source.
TBitmap Trim(const TBitmap& source, int x1, int y1, int x2, int y2);
TBitmap FlipVertical(const TBitmap& source);
TBitmap FlipHorizontal(const TBitmap& source);
// The top row becomes the right-hand column.
TBitmap RotateRight90(const TBitmap& source);
// The right-hand column becomes the top row.
TBitmap RotateLeft90(const TBitmap& source);

// The eight ways a picture can be turned or mirrored, numbered as EXIF numbers its
// orientations: each is the change that makes a picture stored with that orientation
// upright (6: stored lying on its left side, so turn it right).
enum class TTurn : uint8_t {
  None = 1,
  FlipHorizontal = 2,
  Rotate180 = 3,
  FlipVertical = 4,
  Transpose = 5,  // mirrored across the top-left to bottom-right diagonal
  RotateRight = 6,
  Transverse = 7,  // mirrored across the top-right to bottom-left diagonal
  RotateLeft = 8,
};

// The EXIF orientation 1..8 as a turn; any other value is None.
TTurn TurnOfOrientation(int orientation);
// `first`, then `second`, as one turn.
TTurn Then(TTurn first, TTurn second);
// The turn that undoes `turn`.
TTurn Inverse(TTurn turn);
// Whether the turn swaps width and height.
bool SwapsSides(TTurn turn);
// The turned raster (a copy for None); 1-bit rasters come back unchanged, as above.
TBitmap ApplyTurn(const TBitmap& source, TTurn turn);

}  // namespace verid
