// The PNG writer's chunks, colour types and filters, and the PNG graphic's properties
// across loading, assignment and saving.
#include <gtest/gtest.h>

#include "imaging/ZUDIRA.h"
#include "support/PngBuilder.h"
#include "support/TempDir.h"

using namespace verid;
using namespace verid::test;

namespace {

std::vector<uint8_t> Save(ZOVIDUD& g) {
  TMemoryStream s;
  g.SaveToStream(s);
  return s.Bytes();
}

ZOVIDUD Load(const std::vector<uint8_t>& file) {
  ZOVIDUD g;
  TMemoryStream s{std::vector<uint8_t>(file)};
  g.LoadFromStream(s);
  return g;
}

const PngChunk* Find(const std::vector<PngChunk>& chunks, const std::string& type) {
  for (const auto& c : chunks)
    if (c.Type == type) return &c;
  return nullptr;
}

ZOVIDUD Rgb(int w, int h, TPixelFormat f = TPixelFormat::pf24bit) {
  ZOVIDUD g;
  g.Bitmap().Allocate(w, h, f);
  for (int y = 0; y < h; ++y)
    for (int64_t i = 0; i < g.Bitmap().Stride(); ++i)
      g.Bitmap().ScanLine(y)[i] = uint8_t(i * 5 + y * 3);
  return g;
}

}  // namespace

TEST(PngWrite, DefaultChunkOrderAndRows) {
  ZOVIDUD g = Rgb(5, 4);
  std::vector<uint8_t> file = Save(g);
  std::vector<std::string> expected = {"IHDR", "tIME", "tEXt", "tpNG", "gAMA", "IDAT", "IEND"};
  EXPECT_EQ(ChunkTypes(file), expected);
  auto chunks = ListChunks(file);
  for (const auto& c : chunks) EXPECT_TRUE(c.CrcOk) << c.Type;
  EXPECT_EQ(chunks[0].Data, Concat({Be32(5), Be32(4), {8, 2, 0, 0, 0}}));
  std::string software(chunks[2].Data.begin(), chunks[2].Data.end());
  EXPECT_EQ(software, std::string("Software\0ZUDIRA ver 3.4", 23));
  EXPECT_EQ(chunks[3].Data, (std::vector<uint8_t>{'D', 'E', 'Z', '3', 0, 0, 0, 0}));
  EXPECT_EQ(chunks[4].Data, Be32(45455));
  // tIME is the current UTC time.
  TPngTime now = PngTimeNow();
  EXPECT_EQ(chunks[1].Data.size(), 7u);
  EXPECT_EQ(chunks[1].Data[0] << 8 | chunks[1].Data[1], now.Year);
  std::vector<uint8_t> rows = ImageData(file);
  ASSERT_EQ(rows.size(), 4u * 16);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(rows[size_t(y) * 16], 0) << "filter of row " << y;
    // red, green, blue from the raster's blue, green, red
    EXPECT_EQ(rows[size_t(y) * 16 + 1], g.Bitmap().ScanLine(y)[2]);
    EXPECT_EQ(rows[size_t(y) * 16 + 3], g.Bitmap().ScanLine(y)[0]);
  }
}

TEST(PngWrite, ColourTypesFromTheRaster) {
  // 32-bit without alpha: colour type 2, the fourth bytes left out.
  ZOVIDUD wide = Rgb(3, 2, TPixelFormat::pf32bit);
  std::vector<uint8_t> file = Save(wide);
  EXPECT_EQ(ListChunks(file)[0].Data[9], 2);
  EXPECT_EQ(ImageData(file).size(), 2u * (1 + 9));

  // 8-bit indexed, greyscale, identity grey palette: colour type 0 with the indexes.
  ZOVIDUD grey;
  grey.Bitmap().Allocate(4, 1, TPixelFormat::pf8bit);
  grey.Bitmap().SetPalette(TBitmap::GreyPalette(256));
  for (int x = 0; x < 4; ++x) grey.Bitmap().ScanLine(0)[x] = uint8_t(x * 60 + 7);
  grey.Grayscale = true;
  file = Save(grey);
  EXPECT_EQ(ListChunks(file)[0].Data[8], 8);
  EXPECT_EQ(ListChunks(file)[0].Data[9], 0);
  EXPECT_EQ(Find(ListChunks(file), "PLTE"), nullptr);
  EXPECT_EQ(ImageData(file), (std::vector<uint8_t>{0, 7, 67, 127, 187}));

  // 1-bit, palette white then black, greyscale: the bits are inverted so 1 is the lighter.
  ZOVIDUD mono;
  mono.Bitmap().Allocate(8, 1, TPixelFormat::pf1bit);
  mono.Bitmap().SetPalette({TRGBQuad{255, 255, 255, 0}, TRGBQuad{0, 0, 0, 0}});
  mono.Bitmap().ScanLine(0)[0] = 0xA5;
  mono.Grayscale = true;
  file = Save(mono);
  EXPECT_EQ(ListChunks(file)[0].Data[8], 1);
  EXPECT_EQ(ImageData(file), (std::vector<uint8_t>{0, 0x5A}));

  // Indexed without greyscale: palette chunk, alpha plane ignored.
  ZOVIDUD pal;
  pal.Bitmap().Allocate(2, 1, TPixelFormat::pf4bit);
  pal.Bitmap().SetPalette({TRGBQuad{1, 2, 3, 0}, TRGBQuad{4, 5, 6, 0}});
  pal.AlphaBitmap().Allocate(2, 1, TPixelFormat::pf8bit);
  pal.HasAlpha = true;
  file = Save(pal);
  auto chunks = ListChunks(file);
  EXPECT_EQ(chunks[0].Data[9], 3);
  ASSERT_NE(Find(chunks, "PLTE"), nullptr);
  EXPECT_EQ(Find(chunks, "PLTE")->Data, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));

  // 15-bit: widened with the odd green rule, and sBIT 5,5,5.
  ZOVIDUD h;
  h.Bitmap().Allocate(1, 1, TPixelFormat::pf15bit);
  h.Bitmap().ScanLine(0)[0] = 0xFF;  // x RRRRR GGGGG BBBBB = 0x7FFF
  h.Bitmap().ScanLine(0)[1] = 0x7F;
  file = Save(h);
  EXPECT_EQ(ImageData(file), (std::vector<uint8_t>{0, 255, 251, 255}));
  ASSERT_NE(Find(ListChunks(file), "sBIT"), nullptr);
  EXPECT_EQ(Find(ListChunks(file), "sBIT")->Data, (std::vector<uint8_t>{5, 5, 5}));
  // 16-bit with alpha: 5,6,5 and 8 for alpha; colour type 6.
  ZOVIDUD s = Rgb(2, 2, TPixelFormat::pf16bit);
  s.AlphaBitmap().Allocate(2, 2, TPixelFormat::pf8bit);
  s.HasAlpha = true;
  chunks = ListChunks(Save(s));
  EXPECT_EQ(chunks[0].Data[9], 6);
  EXPECT_EQ(Find(chunks, "sBIT")->Data, (std::vector<uint8_t>{5, 6, 5, 8}));
  // An alpha plane of the wrong size is not used.
  s.AlphaBitmap().Allocate(1, 2, TPixelFormat::pf8bit);
  EXPECT_EQ(ListChunks(Save(s))[0].Data[9], 2);
}

TEST(PngWrite, ParameterChecksAndTimeChunk) {
  ZOVIDUD g = Rgb(2, 2);
  for (int bad : {255, 100001, 0}) {
    g.IdatSize = bad;
    TMemoryStream s;
    try {
      g.SaveToStream(s);
      ADD_FAILURE() << bad;
    } catch (const EZUDIRA& e) {
      EXPECT_STREQ(e.what(), "Write PNG Param: Err IDAT Size(min:256  max:100000)");
    }
    EXPECT_EQ(s.Size(), 0) << "nothing written before the check";
  }
  g.IdatSize = 256;

  g.UseCurrentTime = false;
  g.ModifiedTime = TPngTime{2001, 13, 1, 0, 0, 0};
  EXPECT_EQ(Find(ListChunks(Save(g)), "tIME"), nullptr);
  g.ModifiedTime = TPngTime{2001, 12, 31, 23, 59, 60};
  const PngChunk* t = nullptr;
  auto chunks = ListChunks(Save(g));
  ASSERT_NE(t = Find(chunks, "tIME"), nullptr);
  EXPECT_EQ(t->Data, (std::vector<uint8_t>{0x07, 0xD1, 12, 31, 23, 59, 60}));

  // An empty raster is refused rather than written as a file nobody can read.
  ZOVIDUD empty;
  TMemoryStream es;
  EXPECT_THROW(empty.SaveToStream(es), EZUDIRA);
}

TEST(PngWrite, IdatChunksHaveTheConfiguredSize) {
  ZOVIDUD g = Rgb(200, 100);
  for (int y = 0; y < 100; ++y)
    for (int i = 0; i < 600; ++i) g.Bitmap().ScanLine(y)[i] = uint8_t((i * 7919 + y * 104729) >> 3);
  g.IdatSize = 256;
  std::vector<uint8_t> file = Save(g);
  auto chunks = ListChunks(file);
  std::vector<size_t> sizes;
  for (const auto& c : chunks)
    if (c.Type == "IDAT") sizes.push_back(c.Data.size());
  ASSERT_GT(sizes.size(), 5u);
  for (size_t i = 0; i + 1 < sizes.size(); ++i) ASSERT_EQ(sizes[i], 256u) << i;
  EXPECT_LE(sizes.back(), 256u);
  ZOVIDUD back = Load(file);
  EXPECT_EQ(back.ColorRaster().PixelRGB(199, 99), g.Bitmap().PixelRGB(199, 99));
}

TEST(PngWrite, OptionalChunks) {
  ZOVIDUD g;
  g.Bitmap().Allocate(2, 1, TPixelFormat::pf8bit);
  g.Bitmap().SetPalette({TRGBQuad{0, 0, 0, 0}, TRGBQuad{200, 100, 50, 0}, TRGBQuad{10, 20, 30, 0}});
  g.Comment = "hello";
  g.BackgroundColor = RGBColor(48, 102, 198);  // nearest to entry 1 (red 50, green 100, blue 200)
  g.TransparentKey = kPaletteIndexFlag + 2;
  g.PhysUnit = 2;
  g.PhysX = 254;
  g.PhysY = 100;
  g.Gamma = 0;
  g.GifControl = {2, 0, 0, 5};
  g.Chromaticity = {1, 2, 3, 4, 5, 6, 7, 8};
  g.SignificantBits = 0x030303;
  auto chunks = ListChunks(Save(g));
  std::vector<std::string> types;
  for (const auto& c : chunks) types.push_back(c.Type);
  std::vector<std::string> expected = {"IHDR", "tIME", "tEXt", "tEXt", "tpNG", "gIFg", "cHRM",
                                       "sBIT", "PLTE", "bKGD", "tRNS", "pHYs", "IDAT", "IEND"};
  EXPECT_EQ(types, expected);
  EXPECT_EQ(std::string(chunks[2].Data.begin(), chunks[2].Data.end()),
            std::string("Comment\0hello", 13));
  EXPECT_EQ(Find(chunks, "bKGD")->Data, (std::vector<uint8_t>{1}));
  EXPECT_EQ(Find(chunks, "tRNS")->Data, (std::vector<uint8_t>{255, 255, 0}));
  EXPECT_EQ(Find(chunks, "pHYs")->Data, Concat({Be32(10000), Be32(3937), {1}}));

  // Greyscale: one grey value from the luminance; colour: three 16-bit values.
  ZOVIDUD grey = Rgb(2, 2);
  grey.Grayscale = true;
  grey.BackgroundColor = RGBColor(255, 255, 255);
  grey.TransparentKey = RGBColor(100, 0, 0);
  chunks = ListChunks(Save(grey));
  EXPECT_EQ(Find(chunks, "bKGD")->Data, Be16(255));
  EXPECT_EQ(Find(chunks, "tRNS")->Data, Be16(30));
  EXPECT_EQ(Find(chunks, "sBIT"), nullptr);
  ZOVIDUD colour = Rgb(2, 2);
  colour.TransparentKey = RGBColor(1, 2, 3);
  EXPECT_EQ(Find(ListChunks(Save(colour)), "tRNS")->Data, Concat({Be16(1), Be16(2), Be16(3)}));
}

TEST(PngWrite, AdaptiveScore) {
  uint32_t counts[256];
  // Few distinct values or one dominant value: take it at once.
  std::vector<uint8_t> flat(100, 7);
  EXPECT_EQ(PngFilterScore(flat.data(), 100, 24, counts), -1);
  std::vector<uint8_t> eight(100);
  for (int i = 0; i < 100; ++i) eight[size_t(i)] = uint8_t(i % 8);
  EXPECT_EQ(PngFilterScore(eight.data(), 100, 24, counts), -1);
  std::vector<uint8_t> dominant(100, 1);
  for (int i = 0; i < 10; ++i) dominant[size_t(i)] = uint8_t(i + 2);
  EXPECT_EQ(PngFilterScore(dominant.data(), 100, 24, counts), -1);
  // 10 values of 10 each: 100 / 1.5 / 10 * 1000 + 30 / 100 * 1000.
  std::vector<uint8_t> ten(100);
  for (int i = 0; i < 100; ++i) ten[size_t(i)] = uint8_t(i % 10);
  EXPECT_EQ(PngFilterScore(ten.data(), 100, 24, counts), 6967);
  EXPECT_EQ(PngFilterScore(ten.data(), 100, 4, counts), 10200);

  // A horizontal ramp: Sub turns each row into constants, so adaptive picks it.
  ZOVIDUD g;
  g.Bitmap().Allocate(64, 3, TPixelFormat::pf24bit);
  for (int y = 0; y < 3; ++y)
    for (int i = 0; i < 192; ++i) g.Bitmap().ScanLine(y)[i] = uint8_t(i * 3 + y * 50);
  g.FilterMode = 0;
  std::vector<uint8_t> rows = ImageData(Save(g));
  for (int y = 0; y < 3; ++y) EXPECT_EQ(rows[size_t(y) * 193], 1) << y;
  // Fixed modes use one filter on every row; a mode above 5 means None.
  for (int mode : {2, 3, 4, 5, 6, 200}) {
    g.FilterMode = uint8_t(mode);
    rows = ImageData(Save(g));
    int expected = mode <= 5 ? mode - 1 : 0;
    for (int y = 0; y < 3; ++y) EXPECT_EQ(rows[size_t(y) * 193], expected) << mode;
    std::vector<uint8_t> raw = ReferenceUnfilter(rows, 192, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 64; ++x)
        ASSERT_EQ(raw[size_t(y) * 192 + size_t(x) * 3], g.Bitmap().ScanLine(y)[x * 3 + 2]) << mode;
  }
}

TEST(PngGraphic, PropertiesSurviveLoadAndSave) {
  // No gAMA in the file: Gamma 0, and no gAMA when saved again.
  PngBuilder b;
  b.Ihdr(2, 1, 8, 3).Chunk("PLTE", {1, 2, 3, 4, 5, 6, 7, 8, 9}).Chunk("tRNS", {255, 255, 0});
  b.Idat({0, 2, 1}).Iend();
  ZOVIDUD g = Load(b.Bytes());
  EXPECT_EQ(g.Gamma, 0);
  EXPECT_TRUE(g.Transparent());
  EXPECT_EQ(g.TransparentKey, kPaletteIndexFlag + 2);
  auto chunks = ListChunks(Save(g));
  EXPECT_EQ(Find(chunks, "gAMA"), nullptr);
  ASSERT_NE(Find(chunks, "tRNS"), nullptr);
  EXPECT_EQ(Find(chunks, "tRNS")->Data, (std::vector<uint8_t>{255, 255, 0}));
}

TEST(PngGraphic, Assignment) {
  // Alpha image into a new PNG graphic: the alpha plane comes along but HasAlpha does not.
  PngBuilder b;
  b.Ihdr(1, 1, 8, 6).Text("Comment", "c").Idat({0, 1, 2, 3, 100}).Iend();
  ZOVIDUD src = Load(b.Bytes());
  ASSERT_TRUE(src.HasAlpha);
  src.Interlaced = true;
  ZOVIDUD copy;
  copy.Assign(src);
  EXPECT_EQ(copy.AlphaBitmap().ScanLine(0)[0], 155);
  EXPECT_FALSE(copy.HasAlpha);
  EXPECT_EQ(copy.Comment, "c\r\n");
  EXPECT_TRUE(copy.Interlaced);
  EXPECT_EQ(ListChunks(Save(copy))[0].Data[9], 2);

  // A plain raster into a loaded PNG keeps that graphic's Comment and Interlaced.
  TBitmap plain(3, 2, TPixelFormat::pf24bit);
  plain.SetTransparent(true);
  int changes = 0;
  src.OnChange = [&](TGraphic&) { ++changes; };
  src.Assign(plain);
  EXPECT_EQ(src.Width(), 3);
  EXPECT_EQ(src.Comment, "c\r\n");
  EXPECT_TRUE(src.Interlaced);
  EXPECT_TRUE(src.Transparent());  // follows the raster
  EXPECT_GE(changes, 1);
  // To another kind: only the colour raster.
  TBitmap out;
  out.Assign(src);
  EXPECT_EQ(out.Width(), 3);

  // Resizing touches the alpha plane only when it holds something.
  ZOVIDUD r = Rgb(4, 4);
  r.SetWidth(2);
  EXPECT_EQ(r.Width(), 2);
  EXPECT_TRUE(r.AlphaBitmap().Empty());
  r.AlphaBitmap().Allocate(2, 4, TPixelFormat::pf8bit);
  r.SetHeight(3);
  EXPECT_EQ(r.AlphaBitmap().Height(), 3);
}

TEST(PngGraphic, RegisteredAsPngAndSavedThroughFiles) {
  EXPECT_EQ(FormatDescription("png"), "PNG Format");
  auto graphic = CreateGraphicForExtension(".PNG");
  ASSERT_NE(graphic, nullptr);
  EXPECT_STREQ(graphic->ClassName(), "ZOVIDUD");

  TempDir dir;
  ZOVIDUD g = Rgb(6, 5);
  g.Interlaced = true;
  g.FilterMode = 0;
  g.SaveToFile(dir / "Image.Png");
  TPicture picture;
  picture.LoadFromFile(dir / "Image.Png");
  ASSERT_STREQ(picture.Graphic()->ClassName(), "ZOVIDUD");
  const auto& back = static_cast<const ZOVIDUD&>(*picture.Graphic());
  EXPECT_TRUE(back.Interlaced);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(back.ColorRaster().PixelRGB(x, y), g.Bitmap().PixelRGB(x, y));
}

TEST(PngGraphic, RowTransformRoundTripsWithThePassword) {
  auto flip = [](uint8_t* row, const std::string& password, int number, int length) {
    for (int i = 0; i < length; ++i) row[i] ^= uint8_t(password[0] + number);
  };
  ZOVIDUD g = Rgb(7, 9);
  g.Interlaced = true;
  g.FilterMode = 0;
  g.Password = "k";
  g.OnEncodeRow = flip;
  std::vector<uint8_t> file = Save(g);
  EXPECT_EQ(Find(ListChunks(file), "tpNG")->Data[4], 1);  // protected

  ZOVIDUD plain = Load(file);  // no password: the stored bytes as they are
  ZOVIDUD back;
  back.Password = "k";
  back.OnDecodeRow = flip;
  TMemoryStream s{file};
  back.LoadFromStream(s);
  bool plainDiffers = false;
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 7; ++x) {
      ASSERT_EQ(back.ColorRaster().PixelRGB(x, y), g.Bitmap().PixelRGB(x, y)) << x << "," << y;
      plainDiffers |= plain.ColorRaster().PixelRGB(x, y) != g.Bitmap().PixelRGB(x, y);
    }
  EXPECT_TRUE(plainDiffers);
}

TEST(PngGraphic, SavingReportsProgressAndOutOfRangeValuesAreLeftOut) {
  ZOVIDUD g = Rgb(3, 20);
  std::vector<int> seen;
  g.OnProgress = [&](TGraphic&, TProgressStage, uint8_t percent, bool, const TRect&,
                     const std::string&) { seen.push_back(percent); };
  g.PhysUnit = 2;
  g.PhysX = 0x7FFFFFFF;  // per inch: too large once in per metre
  g.PhysY = 10;
  g.Gamma = 1e300;
  g.CompressionLevel = 42;  // counts as the default level
  auto chunks = ListChunks(Save(g));
  EXPECT_EQ(Find(chunks, "pHYs"), nullptr);
  EXPECT_EQ(Find(chunks, "gAMA"), nullptr);
  ASSERT_GE(seen.size(), 4u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen[1], 29);  // after the header chunks
  EXPECT_EQ(seen.back(), 100);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}
