// Stretch drawing of whole pictures into rasters: previews, the view window, thumbnails.
#pragma once

#include "base/Types.h"
#include "imaging/Bitmap.h"
#include "imaging/Graphic.h"

namespace verid {

// Draws the whole source stretched into `rect` of the target (24 or 32 bits; a 32-bit
// target gets 0xFF in its fourth byte, so it can be shown as opaque RGB). The rectangle
// may reach outside the target; only the part inside is written. Shrinking averages the
// source pixels each target pixel covers; enlarging repeats the nearest source pixel. With
// `transparent`, source pixels of the source's transparent colour leave the target as it
// was (in proportion, where a target pixel covers both kinds).
void StretchDrawRaster(TBitmap& target, const TRect& rect, const TBitmap& source, bool transparent);
// The graphic's colour raster, honouring its Transparent flag (a JPEG decodes here and
// may throw EJPEG).
void StretchDraw(TBitmap& target, const TRect& rect, const TGraphic& graphic);

// Fills a rectangle of a 24- or 32-bit target with a colour (0x00BBGGRR).
void FillRect(TBitmap& target, const TRect& rect, TColor color);

// A new raster of the given size filled with `background`, the whole graphic stretched
// over it.
TBitmap DrawToRaster(const TGraphic& graphic, int width, int height, TColor background = 0,
                     TPixelFormat format = TPixelFormat::pf32bit);

}  // namespace verid
