// Reads arbitrary bytes as the TIFF structure of a JPEG's EXIF block: the orientation is
// always 1..8, the block a save writes reads back upright and fits one segment, and the
// JPEG header walk hands the block back whole. Every failure must be a plain answer,
// never a crash.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/Exif.h"
#include "imaging/Jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace verid;
  // Behind the signature, as the program finds it in the APP1 segment.
  std::vector<uint8_t> block(kExifSignature, kExifSignature + sizeof kExifSignature);
  block.insert(block.end(), data, data + std::min(size, kMaxSegmentPayload - block.size()));

  const int orientation = ExifOrientation(block.data(), block.size());
  if (orientation < 1 || orientation > 8) std::abort();

  const std::vector<uint8_t> saved = UprightExif(block.data(), block.size(), 640, 480);
  if (!saved.empty()) {
    if (saved.size() > kMaxSegmentPayload) std::abort();
    if (ExifOrientation(saved.data(), saved.size()) != 1) std::abort();
    // libexif's own output goes through the loader once more.
    UprightExif(saved.data(), saved.size(), 480, 640);
  }

  std::vector<uint8_t> jpeg{
      0xFF, 0xD8, 0xFF, 0xE1, uint8_t((block.size() + 2) >> 8), uint8_t(block.size() + 2)};
  jpeg.insert(jpeg.end(), block.begin(), block.end());
  jpeg.insert(jpeg.end(), {0xFF, 0xD9});
  auto markers = ReadJpegMarkers(jpeg.data(), jpeg.size());
  if (!markers || markers->Exif != block) std::abort();
  return 0;
}
