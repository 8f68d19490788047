// PNG files put together chunk by chunk, so tests can make files our writer never
// produces (odd chunk orders, damaged fields), plus a plain reference filter and a chunk
// lister for checking what the writer made.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace verid::test {

class PngBuilder {
 public:
  PngBuilder();  // starts with the signature
  PngBuilder& Chunk(const std::string& type, const std::vector<uint8_t>& data);
  PngBuilder& Ihdr(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType,
                   uint8_t interlace = 0, uint8_t compression = 0, uint8_t filter = 0);
  PngBuilder& Text(const std::string& keyword, const std::string& text);
  // Compresses already filtered rows; chunkSize > 0 splits them over several IDAT chunks.
  PngBuilder& Idat(const std::vector<uint8_t>& filtered, size_t chunkSize = 0);
  PngBuilder& Iend();
  std::vector<uint8_t>& Bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> Be16(uint32_t v);
std::vector<uint8_t> Be32(uint32_t v);
std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts);
std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data, int level = 6);
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& data);

// Filters raw rows of `rowBytes` bytes each with one filter type (0..4), or with the
// types cycling 0,1,2,3,4 when `type` is -1: the straightforward textbook version.
std::vector<uint8_t> ReferenceFilter(const std::vector<uint8_t>& raw, size_t rowBytes, int bpp,
                                     int type);
// Undoes the filters of a filtered image of `rows` rows of `rowBytes` bytes.
std::vector<uint8_t> ReferenceUnfilter(const std::vector<uint8_t>& filtered, size_t rowBytes,
                                       int bpp);

struct PngChunk {
  std::string Type;
  std::vector<uint8_t> Data;
  bool CrcOk = false;
};
// The chunks of a PNG file in order (empty when the signature is wrong).
std::vector<PngChunk> ListChunks(const std::vector<uint8_t>& png);
std::vector<std::string> ChunkTypes(const std::vector<uint8_t>& png);
// All IDAT data joined and inflated.
std::vector<uint8_t> ImageData(const std::vector<uint8_t>& png);

}  // namespace verid::test
