// The one libexif boundary: the EXIF block a JPEG carries in its APP1 segment, given as
// that segment's payload ("Exif\0\0" and a TIFF structure). Nothing here trusts the
// block: a damaged or absent one reads as upright and is never written back as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace verid {

// The APP1 payload's first six bytes.
inline constexpr uint8_t kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
// The largest payload one JPEG segment can hold.
inline constexpr size_t kMaxSegmentPayload = 65533;

// The Orientation tag of the first image directory, 1..8; 1 when the block is damaged,
// has no such tag, or the tag holds anything else.
int ExifOrientation(const uint8_t* payload, size_t size);

// The block for a picture that is now upright at width x height: Orientation 1, the
// thumbnail and its directory gone (it would show the old picture), the pixel sizes the
// block names set to the new ones; date taken, camera, location and the rest stay.
// Empty when the block cannot be read, or would not fit one segment.
std::vector<uint8_t> UprightExif(const uint8_t* payload, size_t size, int width, int height);

}  // namespace verid
