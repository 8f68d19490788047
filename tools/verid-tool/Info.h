// What `verid-tool info` prints for each kind of graphic, and the alpha plane `decode`
// can add.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "imaging/Graphic.h"

namespace verid::tool {

using InfoLines = std::vector<std::pair<std::string, std::string>>;

// "format", "width", "height", "bits", then the kind's own lines (stable names).
InfoLines DescribeGraphic(const TGraphic& graphic);

// A graphic's 8-bit alpha values (0 transparent .. 255 opaque) in `alpha`, one byte per
// pixel, row by row; false when the graphic has no alpha plane.
bool AlphaValues(const TGraphic& graphic, std::vector<uint8_t>& alpha);

}  // namespace verid::tool
