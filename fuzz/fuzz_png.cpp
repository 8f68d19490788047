// PNG reader fuzz target: any input must either decode or fail with the codec's error,
// reading the image data in one piece must end exactly like reading it row by row (also
// once the checksums are mended, so that changed bytes reach inflate), and whatever
// decodes must survive being written again and read back.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/ZUDIRA.h"

using namespace verid;

namespace {

struct Outcome {
  std::string Error;
  int Width = 0, Height = 0, Bits = 0;
  std::vector<uint8_t> Pixels, Alpha;
  int64_t End = 0;
  bool operator==(const Outcome&) const = default;
};

void Rows(const TBitmap& b, std::vector<uint8_t>& out) {
  if (b.Width() == 0) return;  // millions of empty rows are possible
  for (int y = 0; y < b.Height(); ++y)
    out.insert(out.end(), b.ScanLine(y), b.ScanLine(y) + b.Stride());
}

Outcome ReadWith(const uint8_t* data, size_t size, int64_t limit) {
  Outcome o;
  TBitmap raster, alpha;
  TMemoryViewStream in(data, int64_t(size));
  ZOVIDUDReadStream reader;
  reader.WholeImageLimit = limit;
  try {
    reader.Read(raster, &alpha, in);
  } catch (const EInvalidGraphic& e) {
    o.Error = e.what();
  }
  o.Width = raster.Width();
  o.Height = raster.Height();
  o.Bits = raster.BitsPerPixel();
  Rows(raster, o.Pixels);
  Rows(alpha, o.Alpha);
  o.End = in.Position();
  return o;
}

uint32_t Be32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
void PutBe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

// The input with the zlib checksum of the first run of image data chunks and every
// chunk checksum made right.
std::vector<uint8_t> Mended(const uint8_t* data, size_t size) {
  std::vector<uint8_t> f(data, data + size);
  struct Chunk {
    size_t At, Length;
    bool Idat;
  };
  std::vector<Chunk> chunks;
  for (size_t at = 8; at + 12 <= f.size();) {
    size_t length = Be32(&f[at]);
    if (length > f.size() - at - 12) break;
    chunks.push_back({at, length, std::memcmp(&f[at + 4], "IDAT", 4) == 0});
    at += 12 + length;
  }
  // Where each byte of the zlib stream sits in the file.
  std::vector<size_t> where;
  std::vector<uint8_t> z;
  for (size_t i = 0; i < chunks.size(); ++i) {
    if (!chunks[i].Idat) {
      if (!z.empty()) break;
      continue;
    }
    for (size_t k = 0; k < chunks[i].Length; ++k) {
      where.push_back(chunks[i].At + 8 + k);
      z.push_back(f[chunks[i].At + 8 + k]);
    }
  }
  if (!z.empty()) {
    z_stream s{};
    if (inflateInit(&s) == Z_OK) {
      inflateValidate(&s, 0);
      std::vector<uint8_t> out(1 << 16);
      uLong adler = adler32(0, nullptr, 0);
      s.next_in = z.data();
      s.avail_in = uInt(z.size());
      int ret = Z_OK;
      while (ret == Z_OK && s.total_out < (8u << 20)) {
        s.next_out = out.data();
        s.avail_out = uInt(out.size());
        ret = inflate(&s, Z_NO_FLUSH);
        adler = adler32(adler, out.data(), uInt(out.size() - s.avail_out));
      }
      if (ret == Z_STREAM_END && s.total_in >= 6) {
        uint8_t sum[4];
        PutBe32(sum, uint32_t(adler));
        for (int i = 0; i < 4; ++i) f[where[s.total_in - 4 + size_t(i)]] = sum[i];
      }
      inflateEnd(&s);
    }
  }
  for (const Chunk& c : chunks)
    PutBe32(&f[c.At + 8 + c.Length], uint32_t(crc32(0, &f[c.At + 4], uInt(c.Length + 4))));
  return f;
}

void ExpectSameEnd(const uint8_t* data, size_t size) {
  if (!(ReadWith(data, size, kPngWholeImageLimit) == ReadWith(data, size, 0))) {
    std::fprintf(stderr, "reading in one piece ended differently from reading row by row\n");
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ExpectSameEnd(data, size);
  std::vector<uint8_t> mended = Mended(data, size);
  ExpectSameEnd(mended.data(), mended.size());
  ZOVIDUD g;
  try {
    TMemoryViewStream in(data, int64_t(size));
    g.LoadFromStream(in);
  } catch (const EInvalidGraphic&) {
    return 0;
  }
  if (g.Empty() || int64_t(g.Width()) * g.Height() > 1 << 20) return 0;
  // Our own output must always be readable again, with the same size.
  TMemoryStream out;
  g.IdatSize = 4096;
  g.FilterMode = uint8_t(size % 6);
  g.SaveToStream(out);
  out.SetPosition(0);
  ZOVIDUD back;
  back.LoadFromStream(out);
  if (back.Width() != g.Width() || back.Height() != g.Height()) {
    std::fprintf(stderr, "round trip changed the size\n");
    std::abort();
  }
  return 0;
}
