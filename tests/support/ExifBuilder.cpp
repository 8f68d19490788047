#include "support/ExifBuilder.h"

#include <algorithm>
#include <cstring>

#include "imaging/Jpeg.h"
#include "imaging/Transforms.h"

namespace verid::test {

namespace {

enum : uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

struct Field {
  uint16_t Tag, Type;
  uint32_t Count;
  std::vector<uint8_t> Value;  // in the block's byte order
};
using Directory = std::vector<Field>;

class Tiff {
 public:
  explicit Tiff(bool bigEndian) : be_(bigEndian) {}

  void Put16(std::vector<uint8_t>& out, uint16_t v) const {
    if (be_)
      out.insert(out.end(), {uint8_t(v >> 8), uint8_t(v)});
    else
      out.insert(out.end(), {uint8_t(v), uint8_t(v >> 8)});
  }
  void Put32(std::vector<uint8_t>& out, uint32_t v) const {
    Put16(out, uint16_t(be_ ? v >> 16 : v));
    Put16(out, uint16_t(be_ ? v : v >> 16));
  }

  Field Ascii(uint16_t tag, const std::string& text) const {
    std::vector<uint8_t> v(text.begin(), text.end());
    v.push_back(0);
    return {tag, kAscii, uint32_t(v.size()), v};
  }
  Field Short(uint16_t tag, uint16_t value) const {
    std::vector<uint8_t> v;
    Put16(v, value);
    return {tag, kShort, 1, v};
  }
  Field Long(uint16_t tag, uint32_t value) const {
    std::vector<uint8_t> v;
    Put32(v, value);
    return {tag, kLong, 1, v};
  }
  Field Rationals(uint16_t tag, const std::vector<std::pair<uint32_t, uint32_t>>& values) const {
    std::vector<uint8_t> v;
    for (auto [n, d] : values) {
      Put32(v, n);
      Put32(v, d);
    }
    return {tag, kRational, uint32_t(values.size()), v};
  }

  static size_t Size(const Directory& d) {
    size_t size = 2 + 12 * d.size() + 4;
    for (const Field& f : d)
      if (f.Value.size() > 4) size += (f.Value.size() + 1) & ~size_t(1);
    return size;
  }

  // The directory at the end of `out` (offsets count from the TIFF header), its values
  // that do not fit an entry right after it.
  void Write(std::vector<uint8_t>& out, const Directory& d, uint32_t next,
             uint16_t declared = 0) const {
    const size_t at = out.size();
    size_t extra = at + 2 + 12 * d.size() + 4;
    Put16(out, declared ? declared : uint16_t(d.size()));
    std::vector<uint8_t> values;
    for (const Field& f : d) {
      Put16(out, f.Tag);
      Put16(out, f.Type);
      Put32(out, f.Count);
      if (f.Value.size() <= 4) {
        std::vector<uint8_t> v = f.Value;
        v.resize(4);
        out.insert(out.end(), v.begin(), v.end());
      } else {
        Put32(out, uint32_t(extra + values.size()));
        values.insert(values.end(), f.Value.begin(), f.Value.end());
        if (values.size() & 1) values.push_back(0);
      }
    }
    Put32(out, next);
    out.insert(out.end(), values.begin(), values.end());
  }

 private:
  bool be_;
};

void SetLong(const Tiff& t, Directory& d, uint16_t tag, uint32_t value) {
  for (Field& f : d)
    if (f.Tag == tag) f = t.Long(tag, value);
}

}  // namespace

ExifSpec Spec(int orientation, const std::string& make, uint16_t declaredFirstCount) {
  ExifSpec spec;
  spec.Orientation = orientation;
  spec.Make = make;
  spec.DeclaredFirstCount = declaredFirstCount;
  return spec;
}

std::vector<uint8_t> MakeExif(const ExifSpec& spec) {
  const Tiff t(spec.BigEndian);
  Directory first, exif, gps, second;
  if (!spec.Make.empty()) first.push_back(t.Ascii(0x010F, spec.Make));
  if (!spec.Model.empty()) first.push_back(t.Ascii(0x0110, spec.Model));
  if (spec.Orientation) first.push_back(t.Short(0x0112, uint16_t(spec.Orientation)));
  first.push_back(t.Ascii(0x0131, "a test"));  // Software: the directory is never empty
  if (!spec.DateTimeOriginal.empty()) exif.push_back(t.Ascii(0x9003, spec.DateTimeOriginal));
  if (!spec.MakerNote.empty())
    exif.push_back({0x927C, 7, uint32_t(spec.MakerNote.size()), spec.MakerNote});
  if (spec.PixelX) exif.push_back(t.Long(0xA002, uint32_t(spec.PixelX)));
  if (spec.PixelY) exif.push_back(t.Long(0xA003, uint32_t(spec.PixelY)));
  if (!exif.empty()) first.push_back(t.Long(0x8769, 0));
  if (spec.Gps) {
    gps.push_back({0x0000, kByte, 4, {2, 3, 0, 0}});
    gps.push_back(t.Ascii(0x0001, "N"));
    gps.push_back(t.Rationals(0x0002, {{35, 1}, {41, 1}, {0, 1}}));
    first.push_back(t.Long(0x8825, 0));
  }
  if (!spec.Thumbnail.empty()) {
    second.push_back(t.Short(0x0103, 6));
    second.push_back(t.Long(0x0201, 0));
    second.push_back(t.Long(0x0202, uint32_t(spec.Thumbnail.size())));
  }

  const uint32_t firstAt = 8;
  const uint32_t exifAt = firstAt + uint32_t(Tiff::Size(first));
  const uint32_t gpsAt = exifAt + (exif.empty() ? 0 : uint32_t(Tiff::Size(exif)));
  const uint32_t secondAt = gpsAt + (gps.empty() ? 0 : uint32_t(Tiff::Size(gps)));
  const uint32_t thumbAt = secondAt + uint32_t(Tiff::Size(second));
  SetLong(t, first, 0x8769, exifAt);
  SetLong(t, first, 0x8825, gpsAt);
  SetLong(t, second, 0x0201, thumbAt);

  std::vector<uint8_t> tiff;
  tiff.insert(tiff.end(), spec.BigEndian ? std::initializer_list<uint8_t>{'M', 'M'}
                                         : std::initializer_list<uint8_t>{'I', 'I'});
  t.Put16(tiff, 42);
  t.Put32(tiff, firstAt);
  t.Write(tiff, first, second.empty() ? 0 : secondAt, spec.DeclaredFirstCount);
  if (!exif.empty()) t.Write(tiff, exif, 0);
  if (!gps.empty()) t.Write(tiff, gps, 0);
  if (!second.empty()) {
    t.Write(tiff, second, 0);
    tiff.insert(tiff.end(), spec.Thumbnail.begin(), spec.Thumbnail.end());
  }
  std::vector<uint8_t> payload(6 + tiff.size());
  std::memcpy(payload.data(), "Exif\0", 6);
  std::copy(tiff.begin(), tiff.end(), payload.begin() + 6);
  return payload;
}

std::vector<uint8_t> MakeIccProfile(size_t size) {
  std::vector<uint8_t> p(size);
  for (size_t i = 0; i < size; ++i) p[i] = uint8_t(i * 7 + i / 251);
  // Size, then "acsp" where a profile has it.
  for (int k = 0; k < 4; ++k) p[size_t(k)] = uint8_t(size >> (24 - 8 * k));
  if (size >= 40) std::memcpy(p.data() + 36, "acsp", 4);
  return p;
}

std::vector<std::vector<uint8_t>> IccPayloads(const std::vector<uint8_t>& profile, size_t chunk) {
  std::vector<std::vector<uint8_t>> out;
  const size_t count = (profile.size() + chunk - 1) / chunk;
  for (size_t k = 0; k < count; ++k) {
    std::vector<uint8_t> p{
        'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, uint8_t(k + 1), uint8_t(count)};
    const size_t from = k * chunk, to = std::min(profile.size(), from + chunk);
    p.insert(p.end(), profile.begin() + long(from), profile.begin() + long(to));
    out.push_back(p);
  }
  return out;
}

std::vector<uint8_t> JoinIcc(const std::vector<std::vector<uint8_t>>& payloads) {
  std::vector<uint8_t> profile;
  for (const auto& p : payloads)
    if (p.size() >= 14) profile.insert(profile.end(), p.begin() + 14, p.end());
  return profile;
}

std::vector<uint8_t> WithSegments(const std::vector<uint8_t>& jpeg,
                                  const std::vector<JpegSegment>& segments) {
  size_t size = jpeg.size();
  for (const auto& segment : segments) size += 4 + segment.second.size();
  std::vector<uint8_t> out(size);
  auto at = std::copy(jpeg.begin(), jpeg.begin() + 2, out.begin());
  for (const auto& [marker, payload] : segments) {
    const size_t length = payload.size() + 2;
    *at++ = 0xFF;
    *at++ = marker;
    *at++ = uint8_t(length >> 8);
    *at++ = uint8_t(length);
    at = std::copy(payload.begin(), payload.end(), at);
  }
  std::copy(jpeg.begin() + 2, jpeg.end(), at);
  return out;
}

TBitmap Quadrants(int w, int h) {
  TBitmap b(w, h, TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int q = (y >= h / 2 ? 2 : 0) + (x >= w / 2 ? 1 : 0);
      const uint32_t c = kQuadrantColours[q];
      uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16);
    }
  return b;
}

int NearestQuadrant(uint32_t rgb) {
  int best = 0;
  long bestDistance = -1;
  for (int q = 0; q < 4; ++q) {
    long d = 0;
    for (int shift : {0, 8, 16}) {
      const long diff = long(rgb >> shift & 0xFF) - long(kQuadrantColours[q] >> shift & 0xFF);
      d += diff * diff;
    }
    if (bestDistance < 0 || d < bestDistance) best = q, bestDistance = d;
  }
  return best;
}

std::vector<uint8_t> OrientedJpeg(const TBitmap& upright, int orientation, ExifSpec spec) {
  TJPEGImage jpeg;
  jpeg.Assign(ApplyTurn(upright, Inverse(TurnOfOrientation(orientation))));
  jpeg.SetCompressionQuality(95);
  TMemoryStream stream;
  jpeg.SaveToStream(stream);
  spec.Orientation = orientation;
  return WithSegments(stream.Bytes(), {{0xE1, MakeExif(spec)}});
}

}  // namespace verid::test
