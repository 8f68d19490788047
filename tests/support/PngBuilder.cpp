#include "support/PngBuilder.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace verid::test {

PngBuilder::PngBuilder() : bytes_{137, 80, 78, 71, 13, 10, 26, 10} {}

PngBuilder& PngBuilder::Chunk(const std::string& type, const std::vector<uint8_t>& data) {
  auto len = Be32(uint32_t(data.size()));
  bytes_.insert(bytes_.end(), len.begin(), len.end());
  size_t typeAt = bytes_.size();
  bytes_.insert(bytes_.end(), type.begin(), type.end());
  bytes_.insert(bytes_.end(), data.begin(), data.end());
  uint32_t crc = crc32(0, bytes_.data() + typeAt, uInt(bytes_.size() - typeAt));
  auto c = Be32(crc);
  bytes_.insert(bytes_.end(), c.begin(), c.end());
  return *this;
}

PngBuilder& PngBuilder::Ihdr(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType,
                             uint8_t interlace, uint8_t compression, uint8_t filter) {
  return Chunk(
      "IHDR",
      Concat({Be32(width), Be32(height), {depth, colorType, compression, filter, interlace}}));
}

PngBuilder& PngBuilder::Text(const std::string& keyword, const std::string& text) {
  std::vector<uint8_t> d(keyword.begin(), keyword.end());
  d.push_back(0);
  d.insert(d.end(), text.begin(), text.end());
  return Chunk("tEXt", d);
}

PngBuilder& PngBuilder::Idat(const std::vector<uint8_t>& filtered, size_t chunkSize) {
  std::vector<uint8_t> z = Deflate(filtered);
  if (chunkSize == 0) chunkSize = z.size() ? z.size() : 1;
  size_t at = 0;
  do {
    size_t n = std::min(chunkSize, z.size() - at);
    Chunk("IDAT", std::vector<uint8_t>(z.begin() + long(at), z.begin() + long(at + n)));
    at += n;
  } while (at < z.size());
  return *this;
}

PngBuilder& PngBuilder::Iend() {
  return Chunk("IEND", {});
}

std::vector<uint8_t> Be16(uint32_t v) {
  return {uint8_t(v >> 8), uint8_t(v)};
}
std::vector<uint8_t> Be32(uint32_t v) {
  return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data, int level) {
  uLongf size = compressBound(uLong(data.size()));
  std::vector<uint8_t> out(size);
  if (compress2(out.data(), &size, data.data(), uLong(data.size()), level) != Z_OK)
    throw std::runtime_error("compress2 failed");
  out.resize(size);
  return out;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& data) {
  z_stream z{};
  inflateInit(&z);
  std::vector<uint8_t> out;
  uint8_t buf[65536];
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = uInt(data.size());
  int ret;
  do {
    z.next_out = buf;
    z.avail_out = sizeof buf;
    ret = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buf, buf + (sizeof buf - z.avail_out));
  } while (ret == Z_OK);
  inflateEnd(&z);
  return out;
}

static int Paeth(int a, int b, int c) {
  int p = a + b - c;
  int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  if (pb <= pc) return b;
  return c;
}

std::vector<uint8_t> ReferenceFilter(const std::vector<uint8_t>& raw, size_t rowBytes, int bpp,
                                     int type) {
  std::vector<uint8_t> out;
  size_t rows = rowBytes ? raw.size() / rowBytes : 0;
  for (size_t y = 0; y < rows; ++y) {
    int t = type < 0 ? int(y % 5) : type;
    out.push_back(uint8_t(t));
    for (size_t x = 0; x < rowBytes; ++x) {
      int cur = raw[y * rowBytes + x];
      int a = x >= size_t(bpp) ? raw[y * rowBytes + x - bpp] : 0;
      int b = y > 0 ? raw[(y - 1) * rowBytes + x] : 0;
      int c = (y > 0 && x >= size_t(bpp)) ? raw[(y - 1) * rowBytes + x - bpp] : 0;
      int pred = t == 0 ? 0 : t == 1 ? a : t == 2 ? b : t == 3 ? (a + b) / 2 : Paeth(a, b, c);
      out.push_back(uint8_t(cur - pred));
    }
  }
  return out;
}

std::vector<uint8_t> ReferenceUnfilter(const std::vector<uint8_t>& filtered, size_t rowBytes,
                                       int bpp) {
  std::vector<uint8_t> raw;
  size_t rows = filtered.size() / (rowBytes + 1);
  raw.resize(rows * rowBytes);
  for (size_t y = 0; y < rows; ++y) {
    int t = filtered[y * (rowBytes + 1)];
    for (size_t x = 0; x < rowBytes; ++x) {
      int a = x >= size_t(bpp) ? raw[y * rowBytes + x - bpp] : 0;
      int b = y > 0 ? raw[(y - 1) * rowBytes + x] : 0;
      int c = (y > 0 && x >= size_t(bpp)) ? raw[(y - 1) * rowBytes + x - bpp] : 0;
      int pred = t == 0 ? 0 : t == 1 ? a : t == 2 ? b : t == 3 ? (a + b) / 2 : Paeth(a, b, c);
      raw[y * rowBytes + x] = uint8_t(filtered[y * (rowBytes + 1) + 1 + x] + pred);
    }
  }
  return raw;
}

std::vector<PngChunk> ListChunks(const std::vector<uint8_t>& png) {
  std::vector<PngChunk> out;
  static const uint8_t sig[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  if (png.size() < 8 || !std::equal(sig, sig + 8, png.begin())) return out;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    uint32_t len = uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 |
                   uint32_t(png[at + 2]) << 8 | png[at + 3];
    if (at + 12 + len > png.size()) break;
    PngChunk c;
    c.Type.assign(png.begin() + long(at + 4), png.begin() + long(at + 8));
    c.Data.assign(png.begin() + long(at + 8), png.begin() + long(at + 8 + len));
    const uint8_t* crcAt = png.data() + at + 8 + len;
    uint32_t stored =
        uint32_t(crcAt[0]) << 24 | uint32_t(crcAt[1]) << 16 | uint32_t(crcAt[2]) << 8 | crcAt[3];
    c.CrcOk = stored == crc32(0, png.data() + at + 4, uInt(len + 4));
    out.push_back(std::move(c));
    at += 12 + len;
  }
  return out;
}

std::vector<std::string> ChunkTypes(const std::vector<uint8_t>& png) {
  std::vector<std::string> types;
  for (const auto& c : ListChunks(png)) types.push_back(c.Type);
  return types;
}

std::vector<uint8_t> ImageData(const std::vector<uint8_t>& png) {
  std::vector<uint8_t> z;
  for (const auto& c : ListChunks(png))
    if (c.Type == "IDAT") z.insert(z.end(), c.Data.begin(), c.Data.end());
  return Inflate(z);
}

}  // namespace verid::test
