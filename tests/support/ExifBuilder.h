// Photos as cameras write them, made in code: EXIF blocks put together field by field
// (TIFF directories with their offsets filled in), ICC profile segments, and JPEGs that
// carry them with their pixels stored turned to match an orientation.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "imaging/Bitmap.h"

namespace verid::test {

struct ExifSpec {
  bool BigEndian = false;
  int Orientation = 0;  // 0: no Orientation tag
  std::string Make, Model;
  std::string DateTimeOriginal;    // "2024:05:01 09:30:00"
  bool Gps = false;                // a GPS directory: latitude N 35 41 0
  int PixelX = 0, PixelY = 0;      // 0: no pixel-size tags
  std::vector<uint8_t> Thumbnail;  // a JPEG in the second directory
  std::vector<uint8_t> MakerNote;  // the camera maker's own block, as given
  // Non-zero: the first directory claims this many entries, whatever it holds.
  uint16_t DeclaredFirstCount = 0;
};

// A spec with an orientation (0: none), a maker and, non-zero, a declared first count.
ExifSpec Spec(int orientation, const std::string& make = "", uint16_t declaredFirstCount = 0);

// The APP1 payload: "Exif\0\0" and the TIFF structure.
std::vector<uint8_t> MakeExif(const ExifSpec& spec);

// An ICC profile of `size` bytes (a plausible header, then a counting pattern) and its
// APP2 payloads, "ICC_PROFILE\0", sequence number and count, at most `chunk` profile
// bytes each.
std::vector<uint8_t> MakeIccProfile(size_t size);
std::vector<std::vector<uint8_t>> IccPayloads(const std::vector<uint8_t>& profile,
                                              size_t chunk = 65519);
// The profile put back together from APP2 payloads.
std::vector<uint8_t> JoinIcc(const std::vector<std::vector<uint8_t>>& payloads);

using JpegSegment = std::pair<uint8_t, std::vector<uint8_t>>;  // marker, payload
// JPEG bytes with the segments put right after SOI, in order.
std::vector<uint8_t> WithSegments(const std::vector<uint8_t>& jpeg,
                                  const std::vector<JpegSegment>& segments);

// A w x h picture with four differently coloured quadrants: each of the eight turns and
// mirrors of it looks different.
TBitmap Quadrants(int w, int h);
// The colours of its quadrants (top-left, top-right, bottom-left, bottom-right), RGB.
inline constexpr uint32_t kQuadrantColours[4] = {0xE02020, 0x20C020, 0x2020E0, 0xE0E020};
// Which quadrant colour a decoded pixel is nearest to (0..3).
int NearestQuadrant(uint32_t rgb);

// The JPEG bytes (quality 95, our encoder) of `upright` stored for `orientation`: the
// pixels turned so that orientation shows them upright, with an EXIF block saying so
// (spec's other fields as given).
std::vector<uint8_t> OrientedJpeg(const TBitmap& upright, int orientation, ExifSpec spec = {});

}  // namespace verid::test
