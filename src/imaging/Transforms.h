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

}  // namespace verid
