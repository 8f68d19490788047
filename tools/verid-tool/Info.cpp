#include "Info.h"

#include <cstdio>

#include "app/PictureOps.h"
#include "imaging/Bitmap.h"
#include "imaging/Jpeg.h"
#include "imaging/ZUDIRA.h"

namespace verid::tool {

namespace {

std::string YesNo(bool v) {
  return v ? "yes" : "no";
}

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
    lines.push_back(
        {"density", std::to_string(h.XDensity) + "x" + std::to_string(h.YDensity) + " " +
                        kUnits[h.DensityUnit >= 0 && h.DensityUnit <= 2 ? h.DensityUnit : 0]});
  }
  // Width and height above are already upright.
  lines.push_back({"orientation", std::to_string(j.Orientation())});
}

void DescribePng(const ZOVIDUD& p, InfoLines& lines) {
  const TBitmap& b = p.ColorRaster();
  lines.push_back({"format", "PNG"});
  lines.push_back({"width", std::to_string(b.Width())});
  lines.push_back({"height", std::to_string(b.Height())});
  lines.push_back({"bits", std::to_string(b.BitsPerPixel())});
  lines.push_back({"alpha", YesNo(p.HasAlpha)});
  lines.push_back({"transparent", YesNo(p.Transparent() || b.Transparent())});
  // The PNG properties as read from the file.
  auto colour = [](TColor c) -> std::string {
    if (c == -1) return "none";
    char text[32];
    if ((c & 0xFF000000) == kPaletteIndexFlag)
      std::snprintf(text, sizeof text, "index %d", c & 0xFF);
    else
      std::snprintf(text, sizeof text, "#%02X%02X%02X", RedOf(c), GreenOf(c), BlueOf(c));
    return text;
  };
  char text[128];
  lines.push_back({"interlaced", YesNo(p.Interlaced)});
  lines.push_back({"grayscale", YesNo(p.Grayscale)});
  lines.push_back({"has_alpha", YesNo(p.HasAlpha)});
  lines.push_back({"transparent_key", colour(p.TransparentKey)});
  lines.push_back({"background", colour(p.BackgroundColor)});
  std::snprintf(text, sizeof text, "%.5f", p.Gamma);
  lines.push_back({"gamma", text});
  lines.push_back({"source_bits", std::to_string(p.SourceBitsPerPixel)});
  std::snprintf(text, sizeof text, "%u,%u,%u,%u", p.SignificantBits & 0xFF,
                (p.SignificantBits >> 8) & 0xFF, (p.SignificantBits >> 16) & 0xFF,
                p.SignificantBits >> 24);
  lines.push_back({"significant_bits", text});
  std::snprintf(text, sizeof text, "%d,%d unit %d", p.PhysX, p.PhysY, p.PhysUnit);
  lines.push_back({"physical_size", text});
  const TPngTime& t = p.ModifiedTime;
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.Year, t.Month, t.Day, t.Hour,
                t.Minute, t.Second);
  lines.push_back({"modified_time", text});
  std::string chrm;
  for (uint32_t v : p.Chromaticity) {
    if (!chrm.empty()) chrm += ',';
    chrm += std::to_string(v);
  }
  lines.push_back({"chromaticity", chrm});
  std::snprintf(text, sizeof text, "%u,%u,%u,%u", p.GifControl[0], p.GifControl[1], p.GifControl[2],
                p.GifControl[3]);
  lines.push_back({"gif_control", text});
  // One line per property: line breaks in the comment are shown escaped.
  std::string comment;
  for (char ch : p.Comment) {
    if (ch == '\r')
      comment += "\\r";
    else if (ch == '\n')
      comment += "\\n";
    else
      comment += ch;
  }
  lines.push_back({"comment", comment});
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
  // Only a plane the graphic itself counts as alpha (a copied plane without HasAlpha is
  // not saved either).
  if (!png || !png->HasAlpha || png->AlphaBitmap().Empty()) return false;
  const TBitmap& a = png->AlphaBitmap();
  const int w = png->Width(), h = png->Height();
  alpha.assign(size_t(w) * size_t(h), 255);
  for (int y = 0; y < h && y < a.Height(); ++y)
    for (int x = 0; x < w && x < a.Width(); ++x)
      alpha[size_t(y) * size_t(w) + size_t(x)] =
          static_cast<uint8_t>(255 - (a.PixelRGB(x, y) & 0xFF));
  return true;
}

void SavePng(const TGraphic& picture, const std::string& path, const PngWriteOptions& options,
             const AppSettings& settings) {
  ZOVIDUD png;
  png.Assign(picture);
  ApplyEncoderSettings(png, settings);
  if (options.Filter >= 0) png.FilterMode = static_cast<uint8_t>(options.Filter);
  if (options.Interlace) png.Interlaced = true;
  if (options.Idat > 0) png.IdatSize = options.Idat;
  png.SaveToFile(path);
}

}  // namespace verid::tool
