#include "ui/AppIcon.h"

#include <QFile>
#include <exception>

#include "base/Stream.h"
#include "imaging/ZUDIRA.h"

// The resource lives in a static library: naming its initialiser keeps the linker from
// dropping it.
static void InitIconResource() {
  Q_INIT_RESOURCE(AppIcon);
}

namespace verid {

const std::vector<int>& AppIconSizes() {
  static const std::vector<int> sizes{16, 32, 48, 64, 128, 256};
  return sizes;
}

QImage AppIconImage(int size) {
  InitIconResource();
  QFile file(QStringLiteral(":/verid/icon/%1.png").arg(size));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  ZOVIDUD png;
  try {
    TMemoryViewStream stream(bytes.constData(), bytes.size());
    png.LoadFromStream(stream);
  } catch (const std::exception&) {
    return {};
  }
  const TBitmap& colour = png.ColorRaster();
  const TBitmap& alpha = png.AlphaBitmap();
  const bool withAlpha = png.HasAlpha && !alpha.Empty();
  QImage image(colour.Width(), colour.Height(), QImage::Format_ARGB32);
  for (int y = 0; y < colour.Height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < colour.Width(); ++x) {
      // The plane holds 255 - alpha.
      const uint32_t a = withAlpha ? 255 - (alpha.PixelRGB(x, y) & 0xFF) : 255;
      row[x] = (a << 24) | (colour.PixelRGB(x, y) & 0xFFFFFF);
    }
  }
  return image;
}

QIcon AppWindowIcon() {
  QIcon icon;
  for (int size : AppIconSizes()) icon.addPixmap(QPixmap::fromImage(AppIconImage(size)));
  return icon;
}

QPixmap AppIcon(int size) {
  for (int built : AppIconSizes()) {
    if (built < size && built != AppIconSizes().back()) continue;
    QImage image = AppIconImage(built);
    if (built != size)
      image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return QPixmap::fromImage(image);
  }
  return {};
}

}  // namespace verid
