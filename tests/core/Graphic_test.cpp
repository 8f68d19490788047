// The picture registry, loading by extension, assignment between kinds and saving that
// never destroys the file it replaces.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/PictureOps.h"
#include "app/Settings.h"
#include "imaging/Bitmap.h"
#include "imaging/Jpeg.h"
#include "imaging/ZUDIRA.h"
#include "support/ImageBuilders.h"
#include "support/TempDir.h"

namespace verid {
namespace {

std::vector<uint8_t> JpegBytes(int w, int h, bool grey) {
  TBitmap b = test::Pattern(w, h, grey ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
  if (grey) b.SetPalette(TBitmap::GreyPalette(256));
  test::TempDir dir;
  test::WritePnm(dir / "in.pnm", b, grey);
  std::string opt = grey ? "-grayscale " : "";
  EXPECT_EQ(
      0, test::Run("cjpeg " + opt + "-outfile '" + dir / "o.jpg" + "' '" + dir / "in.pnm" + "'"));
  return test::ReadAll(dir / "o.jpg");
}

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EInvalidGraphic& e) {
    return e.what();
  }
  return "(no error)";
}

// Run first in its process (each test is): the built-in formats are set up once and
// never replace a registration made before the registry was first used.
TEST(Graphic, AFormatRegisteredFirstIsNotReplacedByTheBuiltIns) {
  RegisterFileFormat("PNG", "mine", [] { return std::make_unique<TBitmap>(); });
  std::unique_ptr<TGraphic> g = CreateGraphicForExtension(".png");
  ASSERT_NE(g, nullptr);
  EXPECT_STREQ(g->ClassName(), TBitmap().ClassName());
  EXPECT_EQ(FormatDescription("png"), "mine");
  EXPECT_TRUE(IsRegisteredExtension("jpg"));
  RegisterZudiraFormat();
  EXPECT_EQ(FormatDescription("png"), "PNG Format");
}

TEST(Graphic, PicturePicksTheKindByLowerCasedExtension) {
  if (!test::CanRunShellTools()) GTEST_SKIP() << "needs a POSIX shell and the libjpeg-turbo tools";
  test::TempDir dir;
  std::string photo = dir.Write("PHOTO.JPG", JpegBytes(8, 6, false));
  TPicture pic;
  pic.LoadFromFile(photo);
  ASSERT_NE(pic.Graphic(), nullptr);
  EXPECT_STREQ(pic.Graphic()->ClassName(), "TJPEGImage");
  EXPECT_EQ(pic.Width(), 8);

  TBitmap b = test::Pattern(3, 3, TPixelFormat::pf24bit);
  b.SaveToFile(dir / "x.Bmp");
  pic.LoadFromFile(dir / "x.Bmp");
  EXPECT_STREQ(pic.Graphic()->ClassName(), "TBitmap");

  // JPEG data under a bitmap's name is a damaged bitmap.
  std::string fake = dir.Write("fake.bmp", JpegBytes(8, 6, false));
  EXPECT_EQ(MessageOf([&] { pic.LoadFromFile(fake); }), kInvalidBitmapMessage);
  dir.Write("a.gif", std::string("GIF89a"));
  EXPECT_EQ(MessageOf([&] { pic.LoadFromFile(dir / "a.gif"); }),
            "拡張子 .gif の画像形式は処理できません");
  EXPECT_EQ(MessageOf([&] { pic.LoadFromFile(dir / "noext"); }),
            "拡張子 . の画像形式は処理できません");

  if (IsRegisteredExtension("png")) {
    AppSettings s;
    ASSERT_TRUE(SavePictureAsKind(b, dir / "Image.Png", "png", s));
    pic.LoadFromFile(dir / "Image.Png");
    EXPECT_STREQ(pic.Graphic()->ClassName(), "ZOVIDUD");
    EXPECT_EQ(test::CompareRGB(pic.Graphic()->ColorRaster(), b), "");
  }
  EXPECT_TRUE(IsRegisteredExtension(".JPEG"));
  EXPECT_EQ(CreateGraphicForExtension("tif"), nullptr);
}

TEST(Graphic, JpegSavedAsBitmapKeepsGreyOrColour) {
  if (!test::CanRunShellTools()) GTEST_SKIP() << "needs a POSIX shell and the libjpeg-turbo tools";
  test::TempDir dir;
  AppSettings s;
  for (bool grey : {true, false}) {
    SCOPED_TRACE(grey);
    std::string src = dir.Write(grey ? "g.jpg" : "c.jpg", JpegBytes(10, 4, grey));
    TJPEGImage j;
    LoadAsKind(j, src);
    ASSERT_TRUE(SavePictureAsKind(j, dir / "out.bmp", ".BMP", s));
    TBitmap b;
    b.LoadFromFile(dir / "out.bmp");
    EXPECT_EQ(b.PixelFormat(), grey ? TPixelFormat::pf8bit : TPixelFormat::pf24bit);
    if (grey) {
      EXPECT_EQ(b.Palette(), TBitmap::GreyPalette(256));
    }
    EXPECT_EQ(test::CompareRGB(b, j.ColorRaster()), "");
  }
}

TEST(Graphic, DisplayedPictureSavesByExtensionWithTheSettings) {
  test::TempDir dir;
  AppSettings s;
  s.JpegQuality = 10;
  TBitmap b = test::Pattern(16, 16, TPixelFormat::pf24bit);
  EXPECT_TRUE(SaveDisplayedPicture(b, dir / "a.JPEG", s));
  auto low = test::ReadAll(dir / "a.JPEG");
  s.JpegQuality = 95;
  EXPECT_TRUE(SaveDisplayedPicture(b, dir / "a.JPEG", s));
  EXPECT_GT(test::ReadAll(dir / "a.JPEG").size(), low.size());
  EXPECT_FALSE(SaveDisplayedPicture(b, dir / "a.gif", s));
  EXPECT_FALSE(std::filesystem::exists(dir / "a.gif"));

  // A loaded JPEG saved over itself is compressed again at the configured quality.
  TJPEGImage j;
  j.LoadFromFile(dir / "a.JPEG");
  s.JpegQuality = 10;
  EXPECT_TRUE(SaveDisplayedPicture(j, dir / "a.JPEG", s));
  EXPECT_LT(test::ReadAll(dir / "a.JPEG").size(), low.size() + 100);

  s.SaveDir = "/start";
  FileDialogRequest r = SaveAsDialogRequest("/pics/Holiday.Jpeg", s);
  EXPECT_EQ(r.InitialDir, "/start");
  EXPECT_EQ(r.FileName, "Holiday");
  EXPECT_EQ(r.DefaultExt, "jpg");
  EXPECT_EQ(r.FilterIndex, 1);
  EXPECT_TRUE(r.OverwritePrompt);
  EXPECT_EQ(SaveAsDialogRequest("/p/a.BMP", s).FilterIndex, 2);
  EXPECT_EQ(SaveAsDialogRequest("/p/a.png", s).DefaultExt, "png");
  EXPECT_EQ(SaveAsDialogRequest("/p/a.tif", s).DefaultExt, "bmp");

  TSaveAsResult res = SaveDisplayedPictureAs(b, dir / "sub.gif", s);
  EXPECT_FALSE(res.Saved);
  EXPECT_EQ(res.SaveDir, NativePath(dir.Path() + "/"));
  res = SaveDisplayedPictureAs(b, dir / "x.bmp", s);
  EXPECT_TRUE(res.Saved);
  TBitmap back;
  back.LoadFromFile(dir / "x.bmp");
  EXPECT_EQ(test::CompareRGB(back, b), "");
}

// Writes half a file, then fails.
class TBrokenGraphic : public TBitmap {
 public:
  void SaveToStream(TStream& stream) override {
    stream.WriteBuffer("BM", 2);
    throw EStreamError("disk full");
  }
};

TEST(Graphic, FailedOverwriteLeavesTheOldFileIntact) {
  test::TempDir dir;
  std::string path = dir.Write("keep.bmp", std::string("old picture"));
  TBrokenGraphic g;
  EXPECT_THROW(g.SaveToFile(path), EStreamError);
  EXPECT_EQ(test::ReadAll(path),
            std::vector<uint8_t>({'o', 'l', 'd', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}));
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1);  // no temporary file left behind

  // An empty picture cannot become a JPEG; the old file stays as well.
  AppSettings s;
  TBitmap empty;
  std::string jpg = dir.Write("keep.jpg", std::string("old"));
  EXPECT_THROW(SaveDisplayedPicture(empty, jpg, s), EJPEG);
  EXPECT_EQ(test::ReadAll(jpg).size(), 3u);
}

}  // namespace
}  // namespace verid
