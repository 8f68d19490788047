// Reads arbitrary bytes as a BMP; whatever loads must survive writing, reading back,
// drawing and the transforms.
#include <cstdint>
#include <cstdlib>

#include "imaging/Bitmap.h"
#include "imaging/Draw.h"
#include "imaging/Transforms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace verid;
  // Run-length files can ask for large rasters from a few bytes; keep runs quick.
  if (size >= 26) {
    int64_t w = int32_t(data[18] | data[19] << 8 | data[20] << 16 | uint32_t(data[21]) << 24);
    int64_t h = int32_t(data[22] | data[23] << 8 | data[24] << 16 | uint32_t(data[25]) << 24);
    if (std::llabs(w) * std::llabs(h) > (int64_t(1) << 18)) return 0;
  }
  TBitmap bmp;
  try {
    bmp.LoadFromMemory(data, size);
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  if (bmp.Empty()) std::abort();
  const int w = bmp.Width(), h = bmp.Height();
  (void)bmp.PixelRGB(w - 1, h - 1);

  TMemoryStream out;
  bmp.SaveToStream(out);
  TBitmap back;
  back.LoadFromMemory(out.Bytes().data(), out.Bytes().size());
  if (back.Width() != w || back.Height() != h || back.PixelFormat() != bmp.PixelFormat())
    std::abort();
  for (int y = 0; y < h; y += 1 + h / 8)
    for (int x = 0; x < w; x += 1 + w / 8)
      if (back.PixelValue(x, y) != bmp.PixelValue(x, y)) std::abort();

  TBitmap target(17, 9, TPixelFormat::pf32bit);
  bmp.SetTransparent(true);
  StretchDraw(target, Bounds(-3, 2, 25, 5), bmp);
  if (int64_t(w) * h <= 1 << 18) {
    TBitmap r = RotateRight90(bmp);
    TBitmap t = Trim(bmp, w / 3, h / 3, w - 1, h - 1);
    (void)FlipHorizontal(r);
    (void)t;
  }
  return 0;
}
