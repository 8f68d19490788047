// The EXIF boundary: orientation from blocks in both byte orders, damaged blocks read as
// upright (and left out of saves), and the JPEG segments a save keeps. What a save writes
// is read back with libexif in JpegSave_test.
#include "imaging/Exif.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "imaging/Jpeg.h"
#include "support/ExifBuilder.h"
#include "support/ImageBuilders.h"

namespace verid {
namespace {

using test::ExifSpec;
using test::MakeExif;

int Orientation(const std::vector<uint8_t>& block) {
  return ExifOrientation(block.data(), block.size());
}

// The offset of `pattern` in `bytes` (it must be there).
size_t Find(const std::vector<uint8_t>& bytes, std::initializer_list<uint8_t> pattern) {
  auto it = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
  EXPECT_NE(it, bytes.end());
  return size_t(it - bytes.begin());
}

TEST(Exif, OrientationInBothByteOrders) {
  for (bool bigEndian : {false, true})
    for (int o = 1; o <= 8; ++o) {
      ExifSpec spec;
      spec.BigEndian = bigEndian;
      spec.Orientation = o;
      spec.Make = "Maker";
      spec.DateTimeOriginal = "2024:05:01 09:30:00";
      EXPECT_EQ(Orientation(MakeExif(spec)), o) << bigEndian;
    }
}

TEST(Exif, AnythingButASoundTagReadsAsUpright) {
  ExifSpec spec;
  spec.Orientation = 6;
  spec.Model = "Camera";
  const std::vector<uint8_t> good = MakeExif(spec);
  ASSERT_EQ(Orientation(good), 6);
  // The Orientation entry, little-endian: tag 0x0112, type 3 (SHORT).
  const size_t entry = Find(good, {0x12, 0x01, 0x03, 0x00});

  // `dropped`: a save leaves the block out, as nothing in it can be trusted.
  struct Case {
    const char* what;
    bool dropped;
    std::function<void(std::vector<uint8_t>&)> damage;
  };
  const Case cases[] = {
      {"no tag", false, [](std::vector<uint8_t>& b) { b = MakeExif(test::Spec(0, "x")); }},
      {"value 0", false, [&](std::vector<uint8_t>& b) { b[entry + 8] = 0; }},
      {"value 9", false, [&](std::vector<uint8_t>& b) { b[entry + 8] = 9; }},
      {"a LONG", false, [&](std::vector<uint8_t>& b) { b[entry + 2] = 4; }},
      {"no values", false, [&](std::vector<uint8_t>& b) { b[entry + 4] = 0; }},
      {"not Exif", true, [](std::vector<uint8_t>& b) { b[0] = 'e'; }},
      {"no byte order", true, [](std::vector<uint8_t>& b) { b[6] = 'X'; }},
      {"not TIFF", true, [](std::vector<uint8_t>& b) { b[8] = 43; }},
      {"directory outside", true, [](std::vector<uint8_t>& b) { b[10] = 0xF0, b[11] = 0xFF; }},
      {"huge declared count", true,
       [](std::vector<uint8_t>& b) { b = MakeExif(test::Spec(6, "x", 0xFFFF)); }},
      {"larger than a segment", true,
       [](std::vector<uint8_t>& b) { b.resize(kMaxSegmentPayload + 1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bad = good;
    c.damage(bad);
    EXPECT_EQ(Orientation(bad), 1);
    const std::vector<uint8_t> saved = UprightExif(bad.data(), bad.size(), 10, 10);
    EXPECT_EQ(saved.empty(), c.dropped);
    if (!saved.empty()) {
      EXPECT_EQ(Orientation(saved), 1);
    }
  }
  EXPECT_EQ(ExifOrientation(nullptr, 0), 1);

  // Cut anywhere: no crash; cut inside the first directory, upright.
  const size_t directoryEnd = 6 + 8 + 2 + 12 * 3;
  for (size_t size = 0; size < good.size(); ++size) {
    const int o = ExifOrientation(good.data(), size);
    EXPECT_TRUE(o == 1 || o == 6) << size;
    if (size < directoryEnd) {
      EXPECT_EQ(o, 1) << size;
    }
  }
}

TEST(JpegMarkers, TheFirstExifBlockAndEveryIccSegmentUpToTheScan) {
  TJPEGImage jpeg;
  jpeg.Assign(test::Pattern(16, 16, TPixelFormat::pf24bit));
  TMemoryStream s;
  jpeg.SaveToStream(s);
  const std::vector<uint8_t> exif = MakeExif(test::Spec(3, "first"));
  const std::vector<uint8_t> icc = test::MakeIccProfile(70000);
  const auto chunks = test::IccPayloads(icc);
  ASSERT_EQ(chunks.size(), 2u);
  std::string xmp = "http://ns.adobe.com/xap/1.0/";
  xmp.push_back('\0');
  xmp += "<x:xmpmeta/>";
  const std::vector<uint8_t> file =
      test::WithSegments(s.Bytes(), {{0xE1, std::vector<uint8_t>(xmp.begin(), xmp.end())},
                                     {0xE1, exif},
                                     {0xE2, chunks[0]},
                                     {0xE1, MakeExif(test::Spec(8))},
                                     {0xE2, {'M', 'P', 'F', 0, 1, 2}},
                                     {0xE2, chunks[1]}});
  auto markers = ReadJpegMarkers(file.data(), file.size());
  ASSERT_TRUE(markers);
  EXPECT_EQ(markers->Exif, exif);
  EXPECT_EQ(markers->Icc, chunks);
  EXPECT_EQ(test::JoinIcc(markers->Icc), icc);

  // A file without them has none; a cut file gives the segments before the cut.
  EXPECT_FALSE(ReadJpegMarkers(s.Bytes().data(), s.Bytes().size()));
  for (size_t size = 0; size < file.size(); size += 7) {
    auto some = ReadJpegMarkers(file.data(), size);
    if (!some) continue;
    if (!some->Exif.empty()) {
      EXPECT_EQ(some->Exif, exif) << size;  // whole segments only
    }
    for (size_t k = 0; k < some->Icc.size(); ++k) EXPECT_EQ(some->Icc[k], chunks[k]) << size;
  }
  // Loaded, the picture shows the block's orientation: 16 x 16 turned half way round.
  TJPEGImage loaded;
  loaded.LoadFromMemory(file.data(), file.size());
  EXPECT_EQ(loaded.Orientation(), 3);
  EXPECT_EQ(loaded.Markers()->Exif, exif);
}

}  // namespace
}  // namespace verid
