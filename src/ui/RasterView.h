// Our raster seen as a QImage for drawing, without copying where the layout allows.
#pragma once

#include <QImage>

#include "imaging/Bitmap.h"

namespace verid {

// 32-bit rasters (bytes B, G, R, x) become Format_RGB32 and 24-bit ones Format_BGR888
// over the raster's own rows: the image is valid while the raster lives unchanged. The
// x byte of 32-bit pixels should be 0xFF (MakeOpaque) before such a view is drawn, as
// some of Qt's blitters copy it. Other depths give a converted copy that owns its pixels.
QImage RasterImage(const TBitmap& bitmap);
// Sets the x byte of every pixel of a 32-bit raster to 0xFF.
void MakeOpaque(TBitmap& bitmap);

}  // namespace verid
