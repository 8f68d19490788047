// Whole-image inflate and deflate: the one-piece way must end exactly like the
// row-by-row way on every file, damaged or not, and the compression levels keep their
// promises.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "imaging/ZUDIRA.h"
#include "support/PngBuilder.h"
#include "support/TempDir.h"

using namespace verid;
using namespace verid::test;

namespace {

struct ReadResult {
  std::string Error;
  bool Whole = false;
  int Width = 0, Height = 0, Bits = 0;
  std::vector<uint8_t> Pixels, Alpha;
  std::vector<int> Progress;
  int64_t EndPosition = 0;
  TColor TransparentKey = -1;
  bool Transparent = false;

  bool operator==(const ReadResult& o) const {
    return Error == o.Error && Width == o.Width && Height == o.Height && Bits == o.Bits &&
           Pixels == o.Pixels && Alpha == o.Alpha && Progress == o.Progress &&
           EndPosition == o.EndPosition && TransparentKey == o.TransparentKey &&
           Transparent == o.Transparent;
  }
};

std::vector<uint8_t> RasterBytes(const TBitmap& b) {
  std::vector<uint8_t> v;
  for (int y = 0; y < b.Height(); ++y) v.insert(v.end(), b.ScanLine(y), b.ScanLine(y) + b.Stride());
  return v;
}

ReadResult ReadWith(TStream& stream, int64_t limit) {
  ReadResult r;
  TBitmap raster, alpha;
  raster.OnProgress = [&](TGraphic&, TProgressStage, uint8_t percent, bool, const TRect&,
                          const std::string&) { r.Progress.push_back(percent); };
  ZOVIDUDReadStream reader;
  reader.WholeImageLimit = limit;
  stream.SetPosition(0);
  try {
    reader.Read(raster, &alpha, stream);
  } catch (const EZUDIRA& e) {
    r.Error = e.what();
  }
  r.Whole = reader.InflatedWhole;
  r.Width = raster.Width();
  r.Height = raster.Height();
  r.Bits = raster.BitsPerPixel();
  r.Pixels = RasterBytes(raster);
  r.Alpha = RasterBytes(alpha);
  r.EndPosition = stream.Position();
  r.TransparentKey = reader.TransparentKey;
  r.Transparent = raster.Transparent();
  return r;
}

// Reads the file from memory and from disk, in one piece and row by row: all four must
// agree. Returns whether the in-memory read took the one-piece way.
bool ExpectSameEnd(const std::vector<uint8_t>& file, const std::string& what) {
  TMemoryStream memory{std::vector<uint8_t>(file)};
  ReadResult whole = ReadWith(memory, kPngWholeImageLimit);
  ReadResult rows = ReadWith(memory, 0);
  EXPECT_FALSE(rows.Whole) << what;
  EXPECT_TRUE(whole == rows) << what << ": '" << whole.Error << "' vs '" << rows.Error << "'";
  TempDir dir;
  TFileStream disk(dir.Write("a.png", file), FileMode::Read);
  ReadResult wholeDisk = ReadWith(disk, kPngWholeImageLimit);
  EXPECT_EQ(wholeDisk.Whole, whole.Whole) << what;
  EXPECT_TRUE(wholeDisk == rows) << what << " (from disk): '" << wholeDisk.Error << "'";
  return whole.Whole;
}

// Rows of a smooth, noisy colour picture, filtered with the types cycling 0..4.
std::vector<uint8_t> FilteredRows(int w, int h, int channels) {
  std::vector<uint8_t> raw(size_t(w) * h * channels);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c)
        raw[(size_t(y) * w + x) * channels + c] =
            uint8_t(120 + 90 * std::sin(x * 0.05 + c) * std::cos(y * 0.07) + (x * 7 + y * 3) % 5);
  return ReferenceFilter(raw, size_t(w) * channels, channels, -1);
}

// The IHDR/IDAT/IEND file for zlib data split into chunks of `chunk` bytes.
std::vector<uint8_t> FileOf(int w, int h, int colorType, const std::vector<uint8_t>& z,
                            size_t chunk, uint8_t interlace = 0) {
  PngBuilder b;
  b.Ihdr(uint32_t(w), uint32_t(h), 8, uint8_t(colorType), interlace);
  for (size_t at = 0; at < z.size(); at += chunk)
    b.Chunk("IDAT", {z.begin() + long(at), z.begin() + long(std::min(z.size(), at + chunk))});
  return b.Iend().Bytes();
}

// Offset of the n-th IDAT chunk's data (from 0) in the file.
size_t IdatDataAt(const std::vector<uint8_t>& file, int n) {
  size_t at = 8;
  for (;;) {
    uint32_t len = uint32_t(file[at]) << 24 | uint32_t(file[at + 1]) << 16 |
                   uint32_t(file[at + 2]) << 8 | file[at + 3];
    if (std::memcmp(&file[at + 4], "IDAT", 4) == 0 && n-- == 0) return at + 8;
    at += 12 + len;
  }
}

}  // namespace

TEST(PngWhole, DamagedImageDataEndsAsRowByRow) {
  const int w = 37, h = 23;
  const std::vector<uint8_t> rows = FilteredRows(w, h, 3);
  const std::vector<uint8_t> z = Deflate(rows);
  std::vector<uint8_t> extraRow = rows;
  extraRow.insert(extraRow.end(), rows.begin(), rows.begin() + 1 + w * 3);
  std::vector<uint8_t> shortRow(rows.begin(), rows.end() - 1);
  std::vector<uint8_t> badFilter = rows;
  badFilter[size_t(5) * (1 + w * 3)] = 7;

  struct Case {
    const char* Name;
    std::vector<uint8_t> File;
    bool Whole;  // expected to take the one-piece way
  };
  std::vector<Case> cases;
  cases.push_back({"intact, many chunks", FileOf(w, h, 2, z, 100), true});
  cases.push_back({"intact, one chunk", FileOf(w, h, 2, z, z.size()), true});
  {
    std::vector<uint8_t> zz = z;
    zz.insert(zz.end(), {1, 2, 3, 4, 5});
    cases.push_back({"bytes after the zlib stream", FileOf(w, h, 2, zz, 100), true});
  }
  {
    std::vector<uint8_t> zz = z;
    zz.back() ^= 0x55;
    cases.push_back({"wrong zlib checksum", FileOf(w, h, 2, zz, 100), false});
    std::vector<uint8_t> cut(z.begin(), z.end() - 4);
    cases.push_back({"zlib checksum missing", FileOf(w, h, 2, cut, 100), false});
    std::vector<uint8_t> cut2(z.begin(), z.end() - 40);
    cases.push_back({"zlib stream cut short", FileOf(w, h, 2, cut2, 100), false});
    std::vector<uint8_t> flipped = z;
    flipped[z.size() / 2] ^= 0x10;
    cases.push_back({"damaged deflate data", FileOf(w, h, 2, flipped, 100), false});
  }
  cases.push_back({"one row more", FileOf(w, h, 2, Deflate(extraRow), 100), false});
  cases.push_back({"one byte short", FileOf(w, h, 2, Deflate(shortRow), 100), false});
  cases.push_back({"filter type 7", FileOf(w, h, 2, Deflate(badFilter), 100), false});
  {
    std::vector<uint8_t> f = FileOf(w, h, 2, z, 100);
    f[IdatDataAt(f, 1) + 100] ^= 1;  // the second chunk's checksum
    cases.push_back({"middle chunk checksum", f, false});
    std::vector<uint8_t> g = FileOf(w, h, 2, z, 100);
    size_t lastCrc = g.size() - 12 - 4;
    g[lastCrc] ^= 1;
    cases.push_back({"last chunk checksum", g, false});
    // A stray chunk after the image data: the rows never reach it.
    PngBuilder b;
    b.Ihdr(w, h, 8, 2).Chunk("IDAT", z).Chunk("IDAT", {9, 9, 9});
    std::vector<uint8_t> stray = b.Iend().Bytes();
    stray[stray.size() - 12 - 1] ^= 1;
    cases.push_back({"stray chunk, bad checksum", stray, false});
    PngBuilder c;
    c.Ihdr(w, h, 8, 2).Chunk("IDAT", z).Chunk("IDAT", {9, 9, 9});
    cases.push_back({"stray chunk", c.Iend().Bytes(), true});
    PngBuilder d;
    d.Ihdr(w, h, 8, 2).Chunk("IDAT", {z.begin(), z.begin() + 50}).Text("Comment", "x");
    d.Chunk("IDAT", {z.begin() + 50, z.end()});
    cases.push_back({"text between the chunks", d.Iend().Bytes(), false});
    std::vector<uint8_t> intact = FileOf(w, h, 2, z, 100);
    std::vector<uint8_t> cut(intact.begin(), intact.begin() + long(IdatDataAt(intact, 2) + 30));
    cases.push_back({"file ends inside the data", cut, false});
    std::vector<uint8_t> noEnd = FileOf(w, h, 2, z, 100);
    noEnd.resize(noEnd.size() - 12);
    cases.push_back({"no end chunk", noEnd, true});
    std::vector<uint8_t> noCrc = noEnd;
    noCrc.resize(noCrc.size() - 2);
    cases.push_back({"last checksum cut off", noCrc, false});
  }
  {
    // Adam7 and alpha, intact and cut.
    std::vector<uint8_t> raw(size_t(w) * h * 4);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = uint8_t(i * 13 / 7);
    std::vector<uint8_t> passes;
    for (int p = 0; p < 7; ++p) {
      const int sx[7] = {0, 4, 0, 2, 0, 1, 0}, sy[7] = {0, 0, 4, 0, 2, 0, 1};
      const int dx[7] = {8, 8, 4, 4, 2, 2, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
      int pw = (w - sx[p] + dx[p] - 1) / dx[p], ph = (h - sy[p] + dy[p] - 1) / dy[p];
      for (int y = 0; y < ph; ++y) {
        passes.push_back(uint8_t(y % 5));
        for (int x = 0; x < pw * 4; ++x) passes.push_back(raw[size_t(y + x) % raw.size()]);
      }
    }
    std::vector<uint8_t> zi = Deflate(passes);
    cases.push_back({"Adam7 with alpha", FileOf(w, h, 6, zi, 64, 1), true});
    std::vector<uint8_t> cut(zi.begin(), zi.end() - 30);
    cases.push_back({"Adam7 cut short", FileOf(w, h, 6, cut, 64, 1), false});
  }
  {
    // Big enough for the rows to be given back to the system while they are read.
    const std::vector<uint8_t> big = FilteredRows(700, 520, 3);
    std::vector<uint8_t> zb = Deflate(big, 1);
    cases.push_back({"large picture", FileOf(700, 520, 2, zb, 32768), true});
    zb.resize(zb.size() - 100);
    cases.push_back({"large picture cut short", FileOf(700, 520, 2, zb, 32768), false});
    // Failing half-way leaves the stream where the failing row's data ended.
    std::vector<uint8_t> bad = big;
    bad[size_t(300) * (1 + 700 * 3)] = 5;
    cases.push_back(
        {"large picture, filter type 5", FileOf(700, 520, 2, Deflate(bad, 1), 32768), false});
  }
  for (const Case& c : cases) EXPECT_EQ(ExpectSameEnd(c.File, c.Name), c.Whole) << c.Name;
}

TEST(PngWhole, TheLimitChoosesTheWay) {
  const int w = 20, h = 10;
  std::vector<uint8_t> file = FileOf(w, h, 2, Deflate(FilteredRows(w, h, 3)), 64);
  const int64_t filtered = int64_t(h) * (1 + w * 3);
  TMemoryStream s{std::vector<uint8_t>(file)};
  ReadResult at = ReadWith(s, filtered);
  ReadResult below = ReadWith(s, filtered - 1);
  EXPECT_TRUE(at.Whole);
  EXPECT_FALSE(below.Whole);
  EXPECT_TRUE(at == below);

  // The writer: below the limit the old zlib output comes out byte for byte.
  ZOVIDUD g;
  TMemoryStream in{std::vector<uint8_t>(file)};
  g.LoadFromStream(in);
  auto write = [&](int64_t limit) {
    ZOVIDUDWriteStream writer;
    TPngProperties props = g;
    props.UseCurrentTime = false;
    writer.SetProperties(props);
    writer.WholeImageLimit = limit;
    TMemoryStream out;
    writer.Write(g.Bitmap(), out);
    return out.Bytes();
  };
  EXPECT_EQ(write(filtered - 1), write(0));
  EXPECT_EQ(ImageData(write(filtered)), ImageData(write(0)));
}

namespace {

// A photograph-like picture with an alpha plane.
ZOVIDUD TestPicture(int w, int h) {
  ZOVIDUD g;
  g.Bitmap().Allocate(w, h, TPixelFormat::pf24bit);
  g.AlphaBitmap().Allocate(w, h, TPixelFormat::pf8bit);
  g.HasAlpha = true;
  uint32_t noise = 1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      noise = noise * 1103515245 + 12345;
      uint8_t* p = g.Bitmap().ScanLine(y) + 3 * x;
      for (int c = 0; c < 3; ++c)
        p[c] = uint8_t(128 + 100 * std::sin(x * 0.03 + c * 2) * std::cos(y * 0.02) +
                       ((noise >> 16) & 7));
      g.AlphaBitmap().ScanLine(y)[x] = uint8_t(x * 255 / w);
    }
  g.UseCurrentTime = false;
  return g;
}

std::vector<uint8_t> Write(ZOVIDUD& g, int level, int filter, int64_t limit,
                           std::vector<int>* progress = nullptr) {
  ZOVIDUDWriteStream writer;
  TPngProperties props = g;
  props.CompressionLevel = level;
  props.FilterMode = uint8_t(filter);
  props.IdatSize = 1000;
  writer.SetProperties(props);
  writer.WholeImageLimit = limit;
  writer.AlphaPlane = &g.AlphaBitmap();
  if (progress)
    g.Bitmap().OnProgress = [&](TGraphic&, TProgressStage, uint8_t percent, bool, const TRect&,
                                const std::string&) { progress->push_back(percent); };
  TMemoryStream out;
  writer.Write(g.Bitmap(), out);
  g.Bitmap().OnProgress = nullptr;
  return out.Bytes();
}

size_t IdatSize(const std::vector<uint8_t>& png) {
  size_t n = 0;
  for (const PngChunk& c : ListChunks(png))
    if (c.Type == "IDAT") n += c.Data.size();
  return n;
}

}  // namespace

TEST(PngWhole, WrittenFilesDifferOnlyInTheirDeflateData) {
  ZOVIDUD g = TestPicture(150, 90);
  for (int level : {-1, 0, 1, 6, 9})
    for (int filter : {0, 1, 4}) {
      std::vector<int> progressWhole, progressRows;
      std::vector<uint8_t> whole = Write(g, level, filter, kPngWholeImageLimit, &progressWhole);
      std::vector<uint8_t> rows = Write(g, level, filter, 0, &progressRows);
      SCOPED_TRACE(testing::Message() << "level " << level << ", filter " << filter);
      EXPECT_EQ(progressWhole, progressRows);
      EXPECT_EQ(ImageData(whole), ImageData(rows));
      auto a = ListChunks(whole), b = ListChunks(rows);
      std::vector<std::string> typesA, typesB;
      for (const PngChunk& c : a) {
        EXPECT_TRUE(c.CrcOk) << c.Type;
        if (c.Type != "IDAT") typesA.push_back(c.Type + std::string(c.Data.begin(), c.Data.end()));
      }
      for (const PngChunk& c : b)
        if (c.Type != "IDAT") typesB.push_back(c.Type + std::string(c.Data.begin(), c.Data.end()));
      EXPECT_EQ(typesA, typesB);
      // Every image data chunk but the last holds exactly the chunk size.
      std::vector<size_t> sizes;
      for (const PngChunk& c : a)
        if (c.Type == "IDAT") sizes.push_back(c.Data.size());
      ASSERT_FALSE(sizes.empty());
      for (size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 1000u);
      EXPECT_GE(sizes.back(), 1u);
      EXPECT_LE(sizes.back(), 1000u);
    }
}

TEST(PngWhole, CompressionLevelsKeepTheirPromises) {
  ZOVIDUD g = TestPicture(300, 200);
  for (int filter : {0, 1, 2, 3, 4, 5}) {
    SCOPED_TRACE(testing::Message() << "filter " << filter);
    // The standard level is no larger than zlib's level 6 on the same filtered rows;
    // unfiltered rows of a small noisy picture may come out a few bytes in a thousand
    // larger.
    size_t standard = IdatSize(Write(g, -1, filter, kPngWholeImageLimit));
    size_t zlib6 = IdatSize(Write(g, 6, filter, 0));
    if (filter == 1)
      EXPECT_LE(standard, zlib6 + zlib6 / 200);
    else
      EXPECT_LE(standard, zlib6);
    // Out-of-range levels are the standard level.
    EXPECT_EQ(Write(g, 12, filter, kPngWholeImageLimit), Write(g, -1, filter, kPngWholeImageLimit));
    EXPECT_EQ(Write(g, -7, filter, kPngWholeImageLimit), Write(g, -1, filter, kPngWholeImageLimit));
    // Level 0 stores: the deflate blocks are uncompressed ones, a little larger than the rows.
    std::vector<uint8_t> stored = Write(g, 0, filter, kPngWholeImageLimit);
    std::vector<uint8_t> z;
    for (const PngChunk& c : ListChunks(stored))
      if (c.Type == "IDAT") z.insert(z.end(), c.Data.begin(), c.Data.end());
    ASSERT_GT(z.size(), 3u);
    EXPECT_EQ((z[2] >> 1) & 3, 0) << "block type";
    EXPECT_GT(z.size(), ImageData(stored).size());
    // Higher levels do not give larger files than the fastest one.
    EXPECT_LE(IdatSize(Write(g, 9, filter, kPngWholeImageLimit)),
              IdatSize(Write(g, 1, filter, kPngWholeImageLimit)));
  }
}
