#include "imaging/Exif.h"

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

#include <cstring>

namespace verid {

namespace {

// What libexif made, freed whichever way a function ends.
struct Block {
  ExifMem* mem = nullptr;
  ExifData* data = nullptr;
  Block() = default;
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  ~Block() {
    if (data) exif_data_unref(data);
    if (mem) exif_mem_unref(mem);
  }
};

// The payload is checked before libexif sees it: the signature (so libexif never goes
// looking for markers of its own) and at most one segment's size.
bool Plausible(const uint8_t* payload, size_t size) {
  return payload && size >= 14 && size <= kMaxSegmentPayload &&
         std::memcmp(payload, kExifSignature, sizeof kExifSignature) == 0;
}

// The TIFF header is sound and the first directory's entries all lie inside the block.
// libexif would read as many entries as fit, but a count that runs past the end means
// the block is damaged, and then nothing in it is believed.
bool FirstDirectoryFits(const uint8_t* payload, size_t size) {
  const uint8_t* tiff = payload + sizeof kExifSignature;
  const size_t n = size - sizeof kExifSignature;
  const bool intel = tiff[0] == 'I' && tiff[1] == 'I';
  if (!intel && !(tiff[0] == 'M' && tiff[1] == 'M')) return false;
  auto u16 = [&](size_t at) -> uint32_t {
    return intel ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
  };
  auto u32 = [&](size_t at) -> uint32_t {
    return intel ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
  };
  if (u16(2) != 42) return false;
  const uint32_t first = u32(4);
  if (first < 8 || first > n - 2) return false;
  return uint64_t(first) + 2 + 12 * uint64_t(u16(first)) <= n;
}

// Loads the block as it is: unknown tags stay, and no entries are made up for tags the
// standard asks for. False when nothing of the first directory could be read.
bool Load(Block& block, const uint8_t* payload, size_t size) {
  if (!Plausible(payload, size) || !FirstDirectoryFits(payload, size)) return false;
  block.mem = exif_mem_new_default();
  if (!block.mem) return false;
  block.data = exif_data_new_mem(block.mem);
  if (!block.data) return false;
  exif_data_unset_option(block.data, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
  exif_data_unset_option(block.data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(block.data, payload, static_cast<unsigned>(size));
  const ExifContent* first = block.data->ifd[EXIF_IFD_0];
  return first && first->count > 0;
}

// A SHORT entry with at least one value, or null.
ExifEntry* ShortEntry(ExifContent* content, ExifTag tag) {
  ExifEntry* e = content ? exif_content_get_entry(content, tag) : nullptr;
  if (!e || e->format != EXIF_FORMAT_SHORT || e->components < 1 || !e->data || e->size < 2)
    return nullptr;
  return e;
}

int OrientationOf(ExifData* data) {
  ExifEntry* e = ShortEntry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (!e) return 1;
  const int value = exif_get_short(e->data, exif_data_get_byte_order(data));
  return value >= 1 && value <= 8 ? value : 1;
}

void SetPixelSize(ExifData* data, ExifIfd ifd, ExifTag tag, int value) {
  ExifEntry* e = exif_content_get_entry(data->ifd[ifd], tag);
  if (!e || e->components != 1 || !e->data || value < 0) return;
  const ExifByteOrder order = exif_data_get_byte_order(data);
  if (e->format == EXIF_FORMAT_SHORT && e->size >= 2 && value <= 0xFFFF)
    exif_set_short(e->data, order, static_cast<ExifShort>(value));
  else if (e->format == EXIF_FORMAT_LONG && e->size >= 4)
    exif_set_long(e->data, order, static_cast<ExifLong>(value));
}

}  // namespace

int ExifOrientation(const uint8_t* payload, size_t size) {
  Block block;
  if (!Load(block, payload, size)) return 1;
  return OrientationOf(block.data);
}

std::vector<uint8_t> UprightExif(const uint8_t* payload, size_t size, int width, int height) {
  Block block;
  if (!Load(block, payload, size)) return {};
  ExifData* data = block.data;

  ExifContent* first = data->ifd[EXIF_IFD_0];
  if (ExifEntry* e = ShortEntry(first, EXIF_TAG_ORIENTATION)) {
    exif_set_short(e->data, exif_data_get_byte_order(data), 1);
  } else if (ExifEntry* odd = exif_content_get_entry(first, EXIF_TAG_ORIENTATION)) {
    // A value nobody can read the same way twice goes rather than stay ambiguous.
    exif_content_remove_entry(first, odd);
  }

  // Without entries and without thumbnail bytes the second directory is not written.
  ExifContent* thumbnail = data->ifd[EXIF_IFD_1];
  while (thumbnail && thumbnail->count > 0)
    exif_content_remove_entry(thumbnail, thumbnail->entries[thumbnail->count - 1]);
  if (data->data) exif_mem_free(block.mem, data->data);
  data->data = nullptr;
  data->size = 0;

  SetPixelSize(data, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, width);
  SetPixelSize(data, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, height);
  SetPixelSize(data, EXIF_IFD_0, EXIF_TAG_IMAGE_WIDTH, width);
  SetPixelSize(data, EXIF_IFD_0, EXIF_TAG_IMAGE_LENGTH, height);

  unsigned char* out = nullptr;
  unsigned int outSize = 0;
  exif_data_save_data(data, &out, &outSize);
  std::vector<uint8_t> bytes;
  if (out && Plausible(out, outSize)) bytes.assign(out, out + outSize);
  if (out) exif_mem_free(block.mem, out);
  return bytes;
}

}  // namespace verid
