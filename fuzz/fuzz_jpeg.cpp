// Loads arbitrary bytes as a JPEG, decodes them at two scales and compresses the result
// again: every failure must be an EJPEG, never a crash or an exit.
#include <cstdint>
#include <cstdlib>

#include "imaging/Jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace verid;
  TJPEGImage jpeg;
  try {
    jpeg.LoadFromMemory(data, size);
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  // Headers may promise huge pictures; decoding those only costs time.
  if (int64_t(jpeg.Width()) * jpeg.Height() > (int64_t(1) << 20)) return 0;
  for (TJPEGScale scale : {TJPEGScale::jsQuarter, TJPEGScale::jsFullSize}) {
    jpeg.SetScale(scale);
    try {
      const TBitmap& raster = jpeg.ColorRaster();
      if (raster.Width() != jpeg.Width() || raster.Height() != jpeg.Height()) std::abort();
    } catch (const EInvalidGraphic&) {
      return 0;
    }
  }
  TJPEGImage again;
  again.Assign(jpeg.ColorRaster());
  again.SetCompressionQuality(int(size % 101));
  try {
    again.Compress();
  } catch (const EInvalidGraphic&) {
    std::abort();  // a raster we decoded must compress
  }
  return 0;
}
