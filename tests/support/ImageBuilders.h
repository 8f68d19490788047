// Small builders for test images: hand-made BMP byte buffers and deterministic patterns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"

namespace verid::test {

// A BMP file put together field by field, so tests can make variants our writer never
// produces. Pixel bytes are given exactly as they appear in the file.
struct BmpSpec {
  uint32_t HeaderSize = 40;  // 12 (OS/2 core), 40, 52, 56, 108, 124
  int32_t Width = 0, Height = 0;
  uint16_t BitCount = 24;
  uint32_t Compression = 0;
  uint32_t ClrUsed = 0;
  std::vector<TRGBQuad> Palette;  // 3-byte entries with a core header
  std::vector<uint32_t> Masks;    // in the header (V4/V5) or after a 40-byte header
  std::vector<uint8_t> Pixels;
  bool ZeroOffBits = false;  // some writers leave the pixel offset at 0
};
std::vector<uint8_t> MakeBmp(const BmpSpec& spec);

// Little-endian patches for damaged-file cases.
void Poke16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value);
void Poke32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

// A raster whose every pixel differs from its neighbours (indexed formats get a palette
// of distinct colours).
TBitmap Pattern(int width, int height, TPixelFormat format, uint32_t seed = 1);

// Pixel-for-pixel equality of two rasters' RGB values; the first difference as text.
std::string CompareRGB(const TBitmap& a, const TBitmap& b);

// Reads a binary PGM (P5, to 8 bits with a grey palette) or PPM (P6, to 24 bits), as
// djpeg writes them. Empty on any error.
TBitmap ReadPnm(const std::string& path);
// Writes a raster as a binary PPM (24-bit RGB) or, for an 8-bit grey one, a PGM.
void WritePnm(const std::string& path, const TBitmap& bmp, bool grey = false);

// Offset of the first header segment with this marker (0xDA: the first scan header) in
// JPEG bytes, at its 0xFF; npos when the headers end first.
size_t FindJpegSegment(const std::vector<uint8_t>& bytes, uint8_t marker);

// Runs a shell command and returns its exit status.
int Run(const std::string& command);
// Whether Run has a POSIX shell and the reference tools (djpeg, cjpeg) behind it: not on
// Windows, where those tests are skipped.
bool CanRunShellTools();
// Whether the test runs under wine, whose file system ignores a rename that changes only
// the case of a name (Windows itself makes it).
bool UnderWine();

}  // namespace verid::test
