// The JPEG graphic against libjpeg-turbo's own tools: decoded pixels, scales, greyscale,
// quality and damaged data.
#include "imaging/Jpeg.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cmath>
#include <cstdio>

#include "support/ImageBuilders.h"
#include "support/TempDir.h"

namespace verid {
namespace {

// A smooth colour picture (JPEG-friendly, so rounding differences would show).
TBitmap Smooth(int w, int h) {
  TBitmap b(w, h, TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.ScanLine(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x * 255 / std::max(1, w - 1));
      p[1] = static_cast<uint8_t>(y * 255 / std::max(1, h - 1));
      p[2] = static_cast<uint8_t>(128 + 100 * std::sin((x + y) * 0.1));
    }
  return b;
}

std::vector<uint8_t> Encode(const TBitmap& raster, int quality) {
  TJPEGImage j;
  j.Assign(raster);
  j.SetCompressionQuality(quality);
  TMemoryStream s;
  j.SaveToStream(s);
  return s.Bytes();
}

TEST(Jpeg, DecodeMatchesDjpegAtFullAndQuarterScale) {
  if (!test::CanRunShellTools()) GTEST_SKIP() << "needs a POSIX shell and the libjpeg-turbo tools";
  test::TempDir dir;
  std::string file = dir.Write("a.jpg", Encode(Smooth(201, 99), 90));
  for (int denom : {1, 4}) {
    SCOPED_TRACE(denom);
    std::string ppm = dir / ("ref" + std::to_string(denom) + ".ppm");
    ASSERT_EQ(0, test::Run("djpeg -ppm -scale 1/" + std::to_string(denom) + " -outfile '" + ppm +
                           "' '" + file + "'"));
    TBitmap ref = test::ReadPnm(ppm);
    ASSERT_FALSE(ref.Empty());
    TJPEGImage j;
    j.LoadFromFile(file);
    if (denom == 4) j.SetScale(TJPEGScale::jsQuarter);
    // Quarter-scale sizes round up: 201 x 99 -> 51 x 25, before and after decoding.
    EXPECT_EQ(j.Width(), denom == 4 ? 51 : 201);
    EXPECT_EQ(j.Height(), denom == 4 ? 25 : 99);
    const TBitmap& got = j.ColorRaster();
    EXPECT_EQ(got.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(test::CompareRGB(ref, got), "");
  }
}

TEST(Jpeg, SavedColoursKeepRedAndBlueApart) {
  if (!test::CanRunShellTools()) GTEST_SKIP() << "needs a POSIX shell and the libjpeg-turbo tools";
  TBitmap red(16, 16, TPixelFormat::pf24bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) red.ScanLine(y)[3 * x + 2] = 255;
  test::TempDir dir;
  std::string file = dir.Write("r.jpg", Encode(red, 95));
  ASSERT_EQ(0, test::Run("djpeg -ppm -outfile '" + dir / "r.ppm" + "' '" + file + "'"));
  uint32_t c = test::ReadPnm(dir / "r.ppm").PixelRGB(8, 8);
  EXPECT_GT(c >> 16 & 0xFF, 240u);
  EXPECT_LT(c & 0xFF, 16u);
}

// A four-component JPEG written by libjpeg itself: CMYK samples (c, m, y, k) per pixel,
// with or without the Adobe marker that says the samples are stored inverted.
std::vector<uint8_t> WriteCmyk(int w, int h, bool adobe, bool invert) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = JDIMENSION(w);
  c.image_height = JDIMENSION(h);
  c.input_components = 4;
  c.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  c.write_Adobe_marker = adobe ? TRUE : FALSE;
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(size_t(w) * 4);
  while (c.next_scanline < c.image_height) {
    const int y = int(c.next_scanline);
    for (int x = 0; x < w; ++x) {
      const uint8_t v[4] = {uint8_t(40 + x * 4), uint8_t(200 - y * 3), uint8_t(90), uint8_t(230)};
      for (int k = 0; k < 4; ++k) row[size_t(x) * 4 + size_t(k)] = invert ? 255 - v[k] : v[k];
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> bytes(out, out + size);
  std::free(out);
  return bytes;
}

TEST(Jpeg, CmykDecodesLikeDjpegAndHonoursTheAdobeMarker) {
  if (!test::CanRunShellTools()) GTEST_SKIP() << "needs a POSIX shell and the libjpeg-turbo tools";
  test::TempDir dir;
  // djpeg takes four-component samples as stored inverted, as Adobe files hold them.
  std::string adobe = dir.Write("adobe.jpg", WriteCmyk(40, 30, true, false));
  ASSERT_EQ(0, test::Run("djpeg -ppm -outfile '" + dir / "ref.ppm" + "' '" + adobe + "'"));
  TBitmap ref = test::ReadPnm(dir / "ref.ppm");
  ASSERT_FALSE(ref.Empty());
  TJPEGImage a;
  a.LoadFromFile(adobe);
  EXPECT_EQ(a.ColorRaster().PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(test::CompareRGB(ref, a.ColorRaster()), "");

  // Without the marker the samples are plain ones: the same picture written that way
  // comes out as the Adobe one (up to the codec's rounding).
  TJPEGImage plain;
  plain.LoadFromFile(dir.Write("plain.jpg", WriteCmyk(40, 30, false, true)));
  const TBitmap& got = plain.ColorRaster();
  ASSERT_EQ(got.Width(), ref.Width());
  int worst = 0;
  for (int y = 0; y < got.Height(); ++y)
    for (int x = 0; x < got.Width(); ++x)
      for (int shift : {0, 8, 16})
        worst = std::max(worst, std::abs(int(got.PixelRGB(x, y) >> shift & 0xFF) -
                                         int(ref.PixelRGB(x, y) >> shift & 0xFF)));
  EXPECT_LE(worst, 3);
}

TEST(Jpeg, GreyscaleDecodesToEightBitsWithGreyPalette) {
  if (!test::CanRunShellTools()) GTEST_SKIP() << "needs a POSIX shell and the libjpeg-turbo tools";
  test::TempDir dir;
  TBitmap grey(20, 10, TPixelFormat::pf8bit);
  grey.SetPalette(TBitmap::GreyPalette(256));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) grey.ScanLine(y)[x] = static_cast<uint8_t>(x * 12);
  test::WritePnm(dir / "g.pgm", grey, true);
  ASSERT_EQ(0,
            test::Run("cjpeg -grayscale -outfile '" + dir / "g.jpg" + "' '" + dir / "g.pgm" + "'"));
  TJPEGImage j;
  j.LoadFromFile(dir / "g.jpg");
  EXPECT_TRUE(j.Grayscale());
  const TBitmap& r = j.ColorRaster();
  EXPECT_EQ(r.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(r.Palette(), TBitmap::GreyPalette(256));
  ASSERT_EQ(0, test::Run("djpeg -pnm -outfile '" + dir / "g2.pgm" + "' '" + dir / "g.jpg" + "'"));
  EXPECT_EQ(test::CompareRGB(test::ReadPnm(dir / "g2.pgm"), r), "");
}

TEST(Jpeg, QualityZeroCompressesLikeQualityOne) {
  TBitmap src = Smooth(40, 30);
  std::vector<uint8_t> q0 = Encode(src, 0), q1 = Encode(src, 1), q50 = Encode(src, 50);
  EXPECT_EQ(q0, q1);
  EXPECT_NE(q0, q50);
  TJPEGImage j;
  j.SetCompressionQuality(-5);
  EXPECT_EQ(j.CompressionQuality(), 0);
  j.SetCompressionQuality(500);
  EXPECT_EQ(j.CompressionQuality(), 100);
}

TEST(Jpeg, LoadingKeepsTheDataAndDefersTheDecode) {
  std::vector<uint8_t> bytes = Encode(Smooth(256, 192), 80);
  TJPEGImage j;
  j.LoadFromMemory(bytes.data(), bytes.size());
  EXPECT_FALSE(j.Modified);
  EXPECT_EQ(j.Width(), 256);
  TMemoryStream out;
  j.SaveToStream(out);
  EXPECT_EQ(out.Bytes(), bytes);  // unchanged data is written back as it was

  // A body libjpeg cannot decode at all (its scan names a Huffman table the file never
  // defines): the header still reads, the pixels fail on first use.
  std::vector<uint8_t> bad = bytes;
  size_t sos = test::FindJpegSegment(bad, 0xDA);
  ASSERT_NE(sos, std::string::npos);
  bad[sos + 6] = 0x33;  // first component: DC and AC table 3
  TJPEGImage d;
  ASSERT_NO_THROW(d.LoadFromMemory(bad.data(), bad.size()));
  EXPECT_EQ(d.Width(), 256);
  try {
    d.ColorRaster();
    ADD_FAILURE() << "a body without its tables decoded";
  } catch (const EJPEG& e) {
    EXPECT_EQ(std::string(e.what()), "JPEG エラー #" + std::to_string(e.Code()));
  }
  TBitmap target;
  EXPECT_THROW(target.Assign(d), EJPEG);
  // Corrupt entropy data (no marker made or broken) decodes to a picture all the same.
  std::vector<uint8_t> noise = bytes;
  for (size_t i = noise.size() / 3; i < noise.size() - 2; i += 7) {
    if (noise[i - 1] == 0xFF || noise[i] == 0xFF) continue;
    noise[i] ^= 0x5A;
    if (noise[i] == 0xFF) noise[i] = 0xFE;
  }
  TJPEGImage n;
  n.LoadFromMemory(noise.data(), noise.size());
  EXPECT_EQ(n.ColorRaster().Width(), 256);
  // Noise with markers in it may end in an error, but only in this one kind.
  for (size_t i = noise.size() / 3; i < noise.size() - 2; i += 7) noise[i] = 0xFF;
  TJPEGImage m;
  m.LoadFromMemory(noise.data(), noise.size());
  try {
    m.ColorRaster();
  } catch (const EJPEG&) {
  }

  // Not a JPEG at all fails at load, with libjpeg's number.
  std::vector<uint8_t> bmp = {'B', 'M', 0, 0, 0, 0};
  TJPEGImage b;
  EXPECT_THROW(b.LoadFromMemory(bmp.data(), bmp.size()), EJPEG);
  EXPECT_THROW(b.LoadFromMemory(bmp.data(), 0), EJPEG);
}

// A damaged file shows what libjpeg can decode, as djpeg shows it: a download cut short
// (the missing rows grey) and a baseline scan header whose spectral end is 0.
TEST(Jpeg, DamagedFilesDecodeLikeDjpeg) {
  if (!test::CanRunShellTools()) GTEST_SKIP() << "needs a POSIX shell and the libjpeg-turbo tools";
  test::TempDir dir;
  std::vector<uint8_t> whole = Encode(Smooth(201, 99), 90);
  std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(whole.size() * 2 / 3));
  std::vector<uint8_t> se0 = whole;
  size_t sos = test::FindJpegSegment(se0, 0xDA);
  ASSERT_NE(sos, std::string::npos);
  size_t components = se0[sos + 4];
  se0[sos + 5 + 2 * components + 1] = 0;  // Se
  for (const auto& [name, bytes] : {std::pair{"cut.jpg", cut}, std::pair{"se0.jpg", se0}}) {
    SCOPED_TRACE(name);
    std::string file = dir.Write(name, bytes);
    std::string ppm = file + ".ppm";
    // djpeg reports the damage with exit status 2 and writes the picture all the same.
    int rc = test::Run("djpeg -ppm -outfile '" + ppm + "' '" + file + "' 2>/dev/null");
    ASSERT_TRUE(rc == 0 || rc == 2) << rc;
    TBitmap ref = test::ReadPnm(ppm);
    ASSERT_EQ(ref.Width(), 201);
    TJPEGImage j;
    j.LoadFromFile(file);
    EXPECT_EQ(test::CompareRGB(ref, j.ColorRaster()), "");
  }
  // The cut file's last rows are libjpeg's grey filler.
  TJPEGImage j;
  j.LoadFromMemory(cut.data(), cut.size());
  EXPECT_EQ(j.ColorRaster().PixelRGB(100, 98), 0x808080u);
}

TEST(Jpeg, AssignmentFromOtherKindsDropsTheDataAndRecompresses) {
  std::vector<uint8_t> bytes = Encode(Smooth(32, 32), 90);
  TJPEGImage j;
  j.LoadFromMemory(bytes.data(), bytes.size());
  TJPEGImage copy;
  copy.Assign(j);
  EXPECT_EQ(copy.Data(), bytes);

  TBitmap indexed = test::Pattern(9, 7, TPixelFormat::pf4bit);
  TJPEGImage k;
  k.Assign(indexed);
  EXPECT_FALSE(k.HasData());
  EXPECT_EQ(k.Width(), 9);
  TMemoryStream s;
  k.SaveToStream(s);
  TJPEGImage back;
  back.LoadFromMemory(s.Bytes().data(), s.Bytes().size());
  EXPECT_EQ(back.Width(), 9);
  EXPECT_EQ(back.Height(), 7);
  EXPECT_EQ(back.ColorRaster().PixelFormat(), TPixelFormat::pf24bit);
}

}  // namespace
}  // namespace verid
