#include "ui/RasterView.h"

namespace verid {

QImage RasterImage(const TBitmap& bitmap) {
  if (bitmap.Empty()) return QImage();
  const auto stride = static_cast<qsizetype>(bitmap.Stride());
  switch (bitmap.PixelFormat()) {
    case TPixelFormat::pf32bit:
      return QImage(bitmap.Bits(), bitmap.Width(), bitmap.Height(), stride, QImage::Format_RGB32);
    case TPixelFormat::pf24bit:
      return QImage(bitmap.Bits(), bitmap.Width(), bitmap.Height(), stride, QImage::Format_BGR888);
    default: {
      TBitmap copy(bitmap);
      copy.SetPixelFormat(TPixelFormat::pf32bit);
      MakeOpaque(copy);
      return QImage(copy.Bits(), copy.Width(), copy.Height(), static_cast<qsizetype>(copy.Stride()),
                    QImage::Format_RGB32)
          .copy();
    }
  }
}

void MakeOpaque(TBitmap& bitmap) {
  if (bitmap.PixelFormat() != TPixelFormat::pf32bit) return;
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x) row[4 * x + 3] = 0xFF;
  }
}

}  // namespace verid
