#include "imaging/JpegTurn.h"

#include <turbojpeg.h>

namespace verid {

namespace {

int OperationOf(TTurn turn) {
  switch (turn) {
    case TTurn::FlipHorizontal:
      return TJXOP_HFLIP;
    case TTurn::Rotate180:
      return TJXOP_ROT180;
    case TTurn::FlipVertical:
      return TJXOP_VFLIP;
    case TTurn::Transpose:
      return TJXOP_TRANSPOSE;
    case TTurn::RotateRight:
      return TJXOP_ROT90;
    case TTurn::Transverse:
      return TJXOP_TRANSVERSE;
    case TTurn::RotateLeft:
      return TJXOP_ROT270;
    default:
      return TJXOP_NONE;
  }
}

// The handle and the buffer TurboJPEG made, freed also when `write` throws.
struct Transformer {
  tjhandle handle = tjInitTransform();
  unsigned char* out = nullptr;
  Transformer() = default;
  Transformer(const Transformer&) = delete;
  Transformer& operator=(const Transformer&) = delete;
  ~Transformer() {
    if (out) tjFree(out);
    if (handle) tjDestroy(handle);
  }
};

}  // namespace

bool TurnJpegLosslessly(const uint8_t* data, size_t size, TTurn turn,
                        const std::function<void(const uint8_t*, size_t)>& write) {
  if (!data || size == 0 || size > 0xFFFFFFFFu) return false;
  Transformer t;
  if (!t.handle) return false;
  tjtransform job{};
  job.op = OperationOf(turn);
  // Perfect or not at all: an edge strip is never cropped off and never left unturned.
  // The markers are the caller's to write.
  job.options = TJXOPT_PERFECT | TJXOPT_COPYNONE;
  unsigned long outSize = 0;
  // A progressive file with an absurd number of scans is refused rather than ground through.
  if (tjTransform(t.handle, data, static_cast<unsigned long>(size), 1, &t.out, &outSize, &job,
                  TJFLAG_LIMITSCANS) != 0 ||
      !t.out || outSize < 4)
    return false;
  write(t.out, outSize);
  return true;
}

}  // namespace verid
