// PNG reader fuzz target: any input must either decode or fail with the codec's error,
// and whatever decodes must survive being written again and read back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "imaging/ZUDIRA.h"

using namespace verid;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
