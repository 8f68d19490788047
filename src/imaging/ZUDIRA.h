// The PNG graphic (ZOVIDUD).
#pragma once

#include <memory>

#include "imaging/Bitmap.h"
#include "imaging/Graphic.h"
#include "imaging/ZUDIRAStream.h"

namespace verid {

// A PNG image: a colour raster, an alpha plane (255 - alpha per pixel, 8 bits, grey
// palette) that only this kind keeps, and the PNG properties.
class ZOVIDUD : public TGraphic, public TPngProperties {
 public:
  ZOVIDUD();
  ZOVIDUD(const ZOVIDUD& other);
  ZOVIDUD& operator=(const ZOVIDUD& other);
  ~ZOVIDUD() override;

  const char* ClassName() const override { return "ZOVIDUD"; }
  bool Empty() const override { return bitmap_.Empty(); }
  int Width() const override { return bitmap_.Width(); }
  int Height() const override { return bitmap_.Height(); }
  // Resizes the colour raster and the alpha plane, each only when it is not empty.
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  void SetTransparent(bool value) override;

  const TBitmap& ColorRaster() const override { return bitmap_; }
  TBitmap& Bitmap() { return bitmap_; }
  const TBitmap& AlphaBitmap() const { return alpha_; }
  TBitmap& AlphaBitmap() { return alpha_; }

  const std::vector<TRGBQuad>& Palette() const { return bitmap_.Palette(); }
  void SetPalette(std::vector<TRGBQuad> palette);

  // From another ZOVIDUD: both rasters and the carried properties; from any other graphic:
  // the colour raster only.
  void Assign(const TGraphic& source) override;

  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;

  // Storage inside other component data: nothing for an empty image, and the writer's
  // defaults for the encoder settings.
  void ReadData(TStream& stream);
  void WriteData(TStream& stream);

 private:
  void TakeRasterTransparency();
  void Save(TStream& stream, const TPngProperties& props);

  TBitmap bitmap_;
  TBitmap alpha_;
};

// Sets the deflate level (-1..9) of a PNG graphic; other kinds are left alone.
void SetPngCompressionLevel(TGraphic& graphic, int level);

// Adds the "png" row ("PNG Format") to the picture format registry.
void RegisterZudiraFormat();
void UnregisterZudiraFormat();

}  // namespace verid
