#include "Info.h"

#include "imaging/Bitmap.h"
#include "imaging/Jpeg.h"
#include "imaging/ZUDIRA.h"

namespace verid::tool {

namespace {

std::string YesNo(bool v) { return v ? "yes" : "no"; }

void DescribeBitmap(const TBitmap& b, InfoLines& lines) {
  lines.push_back({"format", "BMP"});
  lines.push_back({"width", std::to_string(b.Width())});
  lines.push_back({"height", std::to_string(b.Height())});
  lines.push_back({"bits", std::to_string(b.BitsPerPixel())});
  if (b.Indexed()) lines.push_back({"palette", std::to_string(b.Palette().size())});
}

void DescribeJpeg(const TJPEGImage& j, InfoLines& lines) {
  const TJPEGHeader& h = j.Header();
  lines.push_back({"format", "JPEG"});
  lines.push_back({"width", std::to_string(j.Width())});
  lines.push_back({"height", std::to_string(j.Height())});
  // What the decoder makes of it, without decoding the pixels.
  lines.push_back({"bits", h.Components == 1 ? "8" : "24"});
  lines.push_back({"components", std::to_string(h.Components)});
  lines.push_back({"progressive", YesNo(h.Progressive)});
  lines.push_back({"jfif", YesNo(h.JFIF)});
  if (h.JFIF) {
    static const char* const kUnits[] = {"aspect", "dpi", "dpcm"};
    lines.push_back({"density", std::to_string(h.XDensity) + "x" + std::to_string(h.YDensity) +
                                    " " + kUnits[h.DensityUnit >= 0 && h.DensityUnit <= 2 ? h.DensityUnit : 0]});
  }
}

void DescribePng(const ZOVIDUD& p, InfoLines& lines) {
  const TBitmap& b = p.ColorRaster();
  lines.push_back({"format", "PNG"});
  lines.push_back({"width", std::to_string(b.Width())});
  lines.push_back({"height", std::to_string(b.Height())});
  lines.push_back({"bits", std::to_string(b.BitsPerPixel())});
  lines.push_back({"alpha", YesNo(!p.AlphaBitmap().Empty())});
  lines.push_back({"transparent", YesNo(p.Transparent() || b.Transparent())});
}

}  // namespace

// One place per kind: new kinds add a branch here.
InfoLines DescribeGraphic(const TGraphic& graphic) {
  InfoLines lines;
  if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&graphic)) {
    DescribeJpeg(*jpeg, lines);
  } else if (const auto* png = dynamic_cast<const ZOVIDUD*>(&graphic)) {
    DescribePng(*png, lines);
  } else if (const auto* bmp = dynamic_cast<const TBitmap*>(&graphic)) {
    DescribeBitmap(*bmp, lines);
  } else {
    lines.push_back({"format", graphic.ClassName()});
    lines.push_back({"width", std::to_string(graphic.Width())});
    lines.push_back({"height", std::to_string(graphic.Height())});
    lines.push_back({"bits", std::to_string(graphic.ColorRaster().BitsPerPixel())});
  }
  return lines;
}

bool AlphaValues(const TGraphic& graphic, std::vector<uint8_t>& alpha) {
  const auto* png = dynamic_cast<const ZOVIDUD*>(&graphic);
  if (!png || png->AlphaBitmap().Empty()) return false;
  const TBitmap& a = png->AlphaBitmap();
  const int w = png->Width(), h = png->Height();
  alpha.assign(size_t(w) * size_t(h), 255);
  for (int y = 0; y < h && y < a.Height(); ++y)
    for (int x = 0; x < w && x < a.Width(); ++x)
      alpha[size_t(y) * size_t(w) + size_t(x)] = static_cast<uint8_t>(255 - (a.PixelRGB(x, y) & 0xFF));
  return true;
}

}  // namespace verid::tool
