// What `verid-tool info` prints for each kind of graphic, and the alpha plane `decode`
// can add.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/Settings.h"
#include "imaging/Graphic.h"

namespace verid::tool {

using InfoLines = std::vector<std::pair<std::string, std::string>>;

// "format", "width", "height", "bits", then the kind's own lines (stable names).
InfoLines DescribeGraphic(const TGraphic& graphic);

// A graphic's 8-bit alpha values (0 transparent .. 255 opaque) in `alpha`, one byte per
// pixel, row by row; false when the graphic has no alpha plane.
bool AlphaValues(const TGraphic& graphic, std::vector<uint8_t>& alpha);

// PNG writer choices of `convert`: filter mode 0..5 (-1: the picture's own), Adam7, and
// the image data chunk size (0: the picture's own).
struct PngWriteOptions {
  int Filter = -1;
  bool Interlace = false;
  int Idat = 0;
  bool Any() const { return Filter >= 0 || Interlace || Idat > 0; }
};
// Saves a copy of the picture as PNG with the settings' level and those choices.
void SavePng(const TGraphic& picture, const std::string& path, const PngWriteOptions& options,
             const AppSettings& settings);

}  // namespace verid::tool
