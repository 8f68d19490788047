// PNG reader fuzz target: any input must either decode or fail with the codec's error,
// reading the image data in one piece must end exactly like reading it row by row, and
// whatever decodes must survive being written again and read back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/ZUDIRA.h"

using namespace verid;

namespace {

struct Outcome {
  std::string Error;
  int Width = 0, Height = 0, Bits = 0;
  std::vector<uint8_t> Pixels, Alpha;
  int64_t End = 0;
  bool operator==(const Outcome&) const = default;
};

void Rows(const TBitmap& b, std::vector<uint8_t>& out) {
  for (int y = 0; y < b.Height(); ++y)
    out.insert(out.end(), b.ScanLine(y), b.ScanLine(y) + b.Stride());
}

Outcome ReadWith(const uint8_t* data, size_t size, int64_t limit) {
  Outcome o;
  TBitmap raster, alpha;
  TMemoryViewStream in(data, int64_t(size));
  ZOVIDUDReadStream reader;
  reader.WholeImageLimit = limit;
  try {
    reader.Read(raster, &alpha, in);
  } catch (const EInvalidGraphic& e) {
    o.Error = e.what();
  }
  o.Width = raster.Width();
  o.Height = raster.Height();
  o.Bits = raster.BitsPerPixel();
  Rows(raster, o.Pixels);
  Rows(alpha, o.Alpha);
  o.End = in.Position();
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!(ReadWith(data, size, kPngWholeImageLimit) == ReadWith(data, size, 0))) {
    std::fprintf(stderr, "reading in one piece ended differently from reading row by row\n");
    std::abort();
  }
  ZOVIDUD g;
  try {
    TMemoryViewStream in(data, int64_t(size));
    g.LoadFromStream(in);
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  if (g.Empty() || int64_t(g.Width()) * g.Height() > 1 << 20) return 0;
  // Our own output must always be readable again, with the same size.
  TMemoryStream out;
  g.IdatSize = 4096;
  g.FilterMode = uint8_t(size % 6);
  g.SaveToStream(out);
  out.SetPosition(0);
  ZOVIDUD back;
  back.LoadFromStream(out);
  if (back.Width() != g.Width() || back.Height() != g.Height()) {
    std::fprintf(stderr, "round trip changed the size\n");
    std::abort();
  }
  return 0;
}
