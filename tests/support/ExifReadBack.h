// An EXIF block read back through libexif itself, as another program would read what we
// wrote. Header only: a test that uses it links libexif.
#pragma once

#include <libexif/exif-data.h>

#include <cstdint>
#include <string>
#include <vector>

namespace verid::test {

struct ExifReadBack {
  explicit ExifReadBack(const std::vector<uint8_t>& block)
      : data(exif_data_new_from_data(block.data(), unsigned(block.size()))) {}
  ExifReadBack(const ExifReadBack&) = delete;
  ExifReadBack& operator=(const ExifReadBack&) = delete;
  ~ExifReadBack() { exif_data_unref(data); }

  // The tag's value as libexif shows it; "" when absent.
  std::string Text(ExifIfd ifd, ExifTag tag) const {
    ExifEntry* e = exif_content_get_entry(data->ifd[ifd], tag);
    if (!e) return "";
    char text[256];
    return exif_entry_get_value(e, text, sizeof text);
  }
  // A SHORT or LONG tag's first value; -1 when absent.
  long Number(ExifIfd ifd, ExifTag tag) const {
    ExifEntry* e = exif_content_get_entry(data->ifd[ifd], tag);
    if (!e || !e->data) return -1;
    const ExifByteOrder order = exif_data_get_byte_order(data);
    return e->format == EXIF_FORMAT_SHORT ? long(exif_get_short(e->data, order))
                                          : long(exif_get_long(e->data, order));
  }
  bool HasThumbnail() const { return data->size > 0 || data->ifd[EXIF_IFD_1]->count > 0; }

  ExifData* data;
};

}  // namespace verid::test
