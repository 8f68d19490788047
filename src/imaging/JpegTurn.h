// Lossless turns of JPEG data through TurboJPEG: the DCT coefficients are moved, nothing
// is decoded or compressed again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "imaging/Transforms.h"

namespace verid {

// Turns the data and hands the new data to `write` (with the frame's own markers only:
// the caller adds what it keeps). False, with nothing handed over, when the turn is not
// perfect for this picture (it would move a partial MCU at an edge into the picture) or
// the data cannot be read.
bool TurnJpegLosslessly(const uint8_t* data, size_t size, TTurn turn,
                        const std::function<void(const uint8_t*, size_t)>& write);

}  // namespace verid
