// verid-tool end to end: info lines, PAM output against libjpeg-turbo's own decoder and
// against pixels we wrote, conversions, and clear failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/CommandLine.h"
#include "catalog/CatalogBuild.h"
#include "catalog/CatalogFile.h"
#include "imaging/Bitmap.h"
#include "imaging/Jpeg.h"
#include "support/ExifBuilder.h"
#include "support/FakePlatform.h"
#include "support/ImageBuilders.h"
#include "support/TempDir.h"

namespace verid {
namespace {

struct Result {
  int status;
  std::string out, err;
};

Result Tool(const std::string& args, const test::TempDir& dir) {
  std::string cmd = std::string("'") + VERID_TOOL_PATH + "' " + args + " >'" + dir / "out.txt" +
                    "' 2>'" + dir / "err.txt" + "'";
  Result r{test::Run(cmd), {}, {}};
  auto slurp = [](const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  r.out = slurp(dir / "out.txt");
  r.err = slurp(dir / "err.txt");
  return r;
}

// A PAM as an RGB 24-bit raster (tuples of 3 or 4 samples; the fourth is returned apart).
TBitmap ReadPam(const std::string& path, std::string* tupltype = nullptr,
                std::vector<uint8_t>* alpha = nullptr) {
  std::ifstream in(path, std::ios::binary);
  std::string line, type;
  int w = 0, h = 0, depth = 0;
  std::getline(in, line);
  if (line != "P7") return {};
  while (std::getline(in, line) && line != "ENDHDR") {
    std::istringstream s(line);
    std::string key;
    s >> key;
    if (key == "WIDTH") s >> w;
    if (key == "HEIGHT") s >> h;
    if (key == "DEPTH") s >> depth;
    if (key == "TUPLTYPE") s >> type;
  }
  if (tupltype) *tupltype = type;
  TBitmap b(w, h, TPixelFormat::pf24bit);
  std::vector<char> px(static_cast<size_t>(depth));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (!in.read(px.data(), depth)) return {};
      uint8_t* d = b.ScanLine(y) + 3 * x;
      d[0] = uint8_t(px[2]);
      d[1] = uint8_t(px[1]);
      d[2] = uint8_t(px[0]);
      if (alpha && depth == 4) alpha->push_back(uint8_t(px[3]));
    }
  return b;
}

class VeridTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(VERID_TOOL_PATH).empty()) GTEST_SKIP() << "verid-tool is not built";
    if (!test::CanRunShellTools()) GTEST_SKIP() << "needs a POSIX shell";
  }
  test::TempDir dir;
};

TEST_F(VeridTool, InfoPrintsStableLines) {
  TBitmap b = test::Pattern(7, 3, TPixelFormat::pf8bit);
  b.SaveToFile(dir / "p.bmp");
  Result r = Tool("info '" + dir / "p.bmp" + "'", dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "format: BMP\nwidth: 7\nheight: 3\nbits: 8\npalette: 256\n");

  TJPEGImage j;
  j.Assign(test::Pattern(33, 17, TPixelFormat::pf24bit));
  j.SaveToFile(dir / "p.jpg");
  r = Tool("info '" + dir / "p.jpg" + "'", dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("format: JPEG\nwidth: 33\nheight: 17\nbits: 24\ncomponents: 3\n", 0), 0u)
      << r.out;

  dir.Write("bad.bmp", std::string("not a bitmap at all, really"));
  r = Tool("info '" + dir / "bad.bmp" + "'", dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(kInvalidBitmapMessage), std::string::npos);
  EXPECT_TRUE(r.out.empty());
  r = Tool("info '" + dir / "missing.bmp" + "'", dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing.bmp"), std::string::npos);
}

TEST_F(VeridTool, DecodeMatchesDjpegAndOurOwnPixels) {
  TJPEGImage j;
  TBitmap photo(201, 99, TPixelFormat::pf24bit);
  for (int y = 0; y < 99; ++y)
    for (int x = 0; x < 201; ++x) {
      uint8_t* p = photo.ScanLine(y) + 3 * x;
      p[0] = uint8_t(x), p[1] = uint8_t(2 * y), p[2] = uint8_t((x * y) >> 4);
    }
  j.Assign(photo);
  j.SaveToFile(dir / "a.jpg");
  for (int scale : {1, 4}) {
    SCOPED_TRACE(scale);
    std::string opt = scale == 1 ? "" : " --scale 4";
    Result r = Tool("decode '" + dir / "a.jpg" + "' '" + dir / "a.pam" + "'" + opt, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(0, test::Run("djpeg -ppm -scale 1/" + std::to_string(scale) + " -outfile '" +
                           dir / "ref.ppm" + "' '" + dir / "a.jpg" + "'"));
    std::string type;
    TBitmap got = ReadPam(dir / "a.pam", &type);
    EXPECT_EQ(type, "RGB");
    EXPECT_EQ(got.Width(), scale == 1 ? 201 : 51);
    EXPECT_EQ(got.Height(), scale == 1 ? 99 : 25);
    EXPECT_EQ(test::CompareRGB(test::ReadPnm(dir / "ref.ppm"), got), "");
  }
  for (TPixelFormat f : {TPixelFormat::pf4bit, TPixelFormat::pf16bit, TPixelFormat::pf32bit}) {
    TBitmap b = test::Pattern(9, 5, f);
    b.SaveToFile(dir / "b.bmp");
    Result r = Tool("decode '" + dir / "b.bmp" + "' '" + dir / "b.pam" + "' --alpha", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    std::string type;
    EXPECT_EQ(test::CompareRGB(b, ReadPam(dir / "b.pam", &type)), "");
    EXPECT_EQ(type, "RGB");  // no alpha plane: plain RGB even when asked
  }
}

TEST_F(VeridTool, ConvertUsesTheDestinationExtensionAndOptions) {
  TBitmap b = test::Pattern(40, 30, TPixelFormat::pf24bit);
  b.SaveToFile(dir / "s.bmp");
  ASSERT_EQ(
      Tool("convert '" + dir / "s.bmp" + "' '" + dir / "lo.JPG" + "' --quality 5", dir).status, 0);
  ASSERT_EQ(
      Tool("convert '" + dir / "s.bmp" + "' '" + dir / "hi.jpg" + "' --quality 100", dir).status,
      0);
  EXPECT_LT(test::ReadAll(dir / "lo.JPG").size(), test::ReadAll(dir / "hi.jpg").size());
  ASSERT_EQ(Tool("convert '" + dir / "hi.jpg" + "' '" + dir / "back.bmp" + "'", dir).status, 0);
  TBitmap back;
  back.LoadFromFile(dir / "back.bmp");
  EXPECT_EQ(back.Width(), 40);
  EXPECT_EQ(back.PixelFormat(), TPixelFormat::pf24bit);

  Result r = Tool("convert '" + dir / "s.bmp" + "' '" + dir / "x.gif" + "'", dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("拡張子 .gif の画像形式は処理できません"), std::string::npos);
  r = Tool("convert '" + dir / "s.bmp" + "' '" + dir / "y.jpg" + "' --quality 101", dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--quality"), std::string::npos);
}

TEST_F(VeridTool, CatalogIsTheProgramsOwnAndListsBack) {
  const std::filesystem::path start = std::filesystem::current_path();
  dir.MakeDir("pics");
  test::Pattern(40, 30, TPixelFormat::pf24bit).SaveToFile(dir / "pics/b.bmp");
  test::Pattern(20, 50, TPixelFormat::pf8bit).SaveToFile(dir / "pics/a.bmp");
  dir.Write("pics/c.jpg", std::string("no picture"));
  // A relative output name means the working folder, not the pictures' folder.
  ASSERT_EQ(test::Run("cd '" + dir.Path() + "' && '" + VERID_TOOL_PATH +
                      "' catalog pics out.doz --size 65 --workers 0 >/dev/null"),
            0);
  const std::vector<uint8_t> written = test::ReadAll(dir / "out.doz");

  FileList list;
  list.SetFolder(dir / "pics");
  struct Quiet : CatalogBuildHost {
    void BuildStarted() override {}
    void FileDone(const TBitmap&, const BuildProgress&) override {}
    bool StopRequested() override { return false; }
    void BuildEnded() override {}
  } host;
  test::FakePlatform platform;
  Catalog catalog;
  BuildCatalog(list, 65, catalog, host, platform);
  std::filesystem::current_path(start);
  catalog.View.Width = 1016;
  catalog.View.Height = 694;
  EXPECT_EQ(written, WriteCatalog(catalog));

  Result r = Tool("catalog-list '" + dir / "out.doz" + "'", dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "size: 65x65\nthumbnails: 3\nentries: 3\n0\ta.bmp\n1\tb.bmp\n2\tc.jpg\n");
  r = Tool("catalog '" + dir / "pics" + "' '" + dir / "w.doz" + "' --workers 2", dir);
  EXPECT_EQ(r.out, "3 entries\n");
  EXPECT_EQ(Tool("catalog-list '" + dir / "w.doz" + "'", dir).out.rfind("size: 80x80\n", 0), 0u);

  dir.Write("text.doz", std::string("hello\n"));
  r = Tool("catalog-list '" + dir / "text.doz" + "'", dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not a catalog"), std::string::npos);
  dir.MakeDir("empty");
  EXPECT_EQ(Tool("catalog '" + dir / "empty" + "' '" + dir / "e.doz" + "'", dir).status, 1);
  EXPECT_EQ(Tool("catalog '" + dir / "pics" + "' x.doz --size 0", dir).status, 2);
}

TEST_F(VeridTool, PhotosAreReadUprightAndTheirOrientationPrinted) {
  const TBitmap upright = test::Quadrants(48, 32);
  for (int o = 1; o <= 9; ++o) {
    SCOPED_TRACE(o);
    // 9: a block claiming 6 whose first directory runs past its end reads as upright.
    const std::vector<uint8_t> bytes = o < 9
                                           ? test::OrientedJpeg(upright, o)
                                           : test::OrientedJpeg(upright, 6, test::Spec(0, "", 999));
    const std::string file = dir.Write("photo.jpg", bytes);
    const int expected = o < 9 ? o : 1;
    Result r = Tool("orientation '" + file + "'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::to_string(expected) + "\n");
    TJPEGImage ours;
    ours.LoadFromFile(file);
    const int w = ours.Width(), h = ours.Height();
    EXPECT_EQ(w, o < 9 ? 48 : 32);  // 9 is stored turned for 6 and shown as stored
    r = Tool("info '" + file + "'", dir);
    EXPECT_EQ(r.out.rfind("format: JPEG\nwidth: " + std::to_string(w) +
                              "\nheight: " + std::to_string(h) + "\n",
                          0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find("\norientation: " + std::to_string(expected) + "\n"), std::string::npos);
    for (int scale : {1, 4}) {
      ASSERT_EQ(
          Tool("decode '" + file + "' '" + dir / "p.pam" + "' --scale " + std::to_string(scale),
               dir)
              .status,
          0);
      ours.SetScale(scale == 1 ? TJPEGScale::jsFullSize : TJPEGScale::jsQuarter);
      EXPECT_EQ(test::CompareRGB(ReadPam(dir / "p.pam"), ours.ColorRaster()), "") << scale;
    }
  }
  dir.Write("p.png", std::string("not a JPEG"));
  EXPECT_EQ(Tool("orientation '" + dir / "p.png" + "'", dir).status, 1);
  EXPECT_EQ(Tool("orientation", dir).status, 2);
}

TEST_F(VeridTool, HelpAndMistakes) {
  for (std::string cmd : {"--help", "info --help", "orientation --help", "decode --help",
                          "convert --help", "catalog --help", "catalog-list --help"}) {
    Result r = Tool(cmd, dir);
    EXPECT_EQ(r.status, 0) << cmd;
    EXPECT_NE(r.out.find("Usage: verid-tool"), std::string::npos) << cmd;
  }
  EXPECT_EQ(Tool("", dir).status, 2);
  EXPECT_EQ(Tool("frobnicate", dir).status, 2);
  EXPECT_EQ(Tool("decode onlyone", dir).status, 2);
  EXPECT_EQ(Tool("decode a b --scale 3", dir).status, 2);
  EXPECT_EQ(Tool("info a --bogus", dir).status, 2);
}

TEST_F(VeridTool, VersionAndUsageOnBadArguments) {
  const std::string version = VersionNumber();
  Result r = Tool("--version", dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "verid-tool " + version + "\n");
  r = Tool("-h", dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--version"), std::string::npos);
  // A mistake: the usage goes to standard error, nothing to standard output.
  for (std::string bad : {"--bogus", "--version=1", "info"}) {
    r = Tool(bad, dir);
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_TRUE(r.out.empty()) << bad;
    EXPECT_NE(r.err.find("Usage: verid-tool COMMAND"), std::string::npos) << bad;
  }
}

// The program answers --help and --version before it looks for a display.
TEST_F(VeridTool, ProgramPrintsHelpAndVersionWithoutADisplay) {
  if (std::string(VERID_PROGRAM_PATH).empty()) GTEST_SKIP() << "verid is not built";
  auto run = [&](const std::string& args) {
    std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" +
                      std::string(VERID_PROGRAM_PATH) + "' " + args + " >'" + dir / "out.txt" +
                      "' 2>'" + dir / "err.txt" + "'";
    return Result{test::Run(cmd), test::ReadText(dir / "out.txt"), test::ReadText(dir / "err.txt")};
  };
  Result r = run("--version");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "verid " + std::string(VersionNumber()) + "\n");
  for (const char* help : {"--help", "-h"}) {
    r = run(help);
    EXPECT_EQ(r.status, 0) << help << r.err;
    EXPECT_EQ(r.out.rfind("Usage: verid [FOLDER | FILE | CATALOG.doz]", 0), 0u) << r.out;
  }
  // Only the first argument counts, as for a path: a later --help is not an option here.
  EXPECT_EQ(ProgramInfoText({"photos", "--help"}), std::nullopt);
  EXPECT_EQ(ProgramInfoText({}), std::nullopt);
}

}  // namespace
}  // namespace verid
