// Saving photos: the EXIF block (upright, without thumbnail) and the ICC profile of a JPEG
// source reach the saved JPEG; a photo only turned in the view window is turned
// losslessly, exactly as jpegtran turns it, where its size allows, and compressed again
// whole where it does not.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/PictureOps.h"
#include "dialogs/Convert.h"
#include "imaging/Exif.h"
#include "imaging/Jpeg.h"
#include "imaging/Transforms.h"
#include "support/ExifBuilder.h"
#include "support/ExifReadBack.h"
#include "support/FakePlatform.h"
#include "support/ImageBuilders.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/ViewSurfaces.h"
#include "support/WorkingFolder.h"
#include "view/View.h"

namespace verid {
namespace {

namespace fs = std::filesystem;

test::ExifSpec CameraSpec() {
  test::ExifSpec spec;
  spec.Make = "Maker";
  spec.Model = "Camera 7";
  spec.DateTimeOriginal = "2024:05:01 09:30:00";
  spec.Gps = true;
  spec.PixelX = 64, spec.PixelY = 48;
  spec.Thumbnail = std::vector<uint8_t>(2000, 0x5A);
  return spec;
}

TBitmap Decoded(const std::string& path) {
  TJPEGImage jpeg;
  jpeg.LoadFromFile(path);
  return jpeg.ColorRaster();
}

class JpegSave : public test::WorkingFolderTest {
 protected:
  void SetUp() override {
    platform.workArea = TRect{0, 0, 1024, 738};
    platform.screen = TRect{0, 0, 1024, 768};
    settings.JpegQuality = 10;  // a re-encode shows
  }
  // A photo as a camera writes it: `upright` stored for the orientation, with the
  // camera's EXIF block and, when given, an ICC profile.
  std::string Photo(const std::string& name, const TBitmap& upright, int orientation,
                    const std::vector<uint8_t>& icc = {}) {
    std::vector<test::JpegSegment> segments;
    for (auto& payload : test::IccPayloads(icc, 30000)) segments.push_back({0xE2, payload});
    test::ExifSpec spec = CameraSpec();
    spec.BigEndian = bigEndian;
    dir.Write(name, test::WithSegments(test::OrientedJpeg(upright, orientation, spec), segments));
    return dir / name;
  }
  TViewer& Open(const std::string& name) {
    list.SetFolder(dir.Path());
    list.SetItemIndex(int(list.IndexOf(name)));
    viewer =
        std::make_unique<TViewer>(ViewEnv{list, settings, dialogs, platform}, surface, ViewOwner{});
    viewer->ShowReal();
    return *viewer;
  }
  // jpegtran's own lossless result for the file, without markers.
  std::string Jpegtran(const std::string& path, const std::string& args) {
    const std::string out = path + ".tran.jpg";
    EXPECT_EQ(0, test::Run("jpegtran -copy none -perfect " + args + " -outfile '" + out + "' '" +
                           path + "'"));
    return out;
  }

  test::TempDir dir;
  FileList list;
  AppSettings settings;
  test::ScriptedDialogs dialogs;
  test::FakePlatform platform;
  test::LastFrameSurface surface;
  std::unique_ptr<TViewer> viewer;
  bool bigEndian = false;  // the byte order of the photos' EXIF blocks
};

TEST_F(JpegSave, SavesKeepTheDateCameraPlaceAndProfileUpright) {
  const std::vector<uint8_t> icc = test::MakeIccProfile(50000);
  const TBitmap upright = test::Quadrants(64, 48);
  const std::string source = Photo("photo.jpg", upright, 6, icc);
  test::ExifSpec spec = CameraSpec();
  spec.Orientation = 6;
  const test::ExifReadBack original(test::MakeExif(spec));
  fs::create_directory(dir / "out");

  struct Case {
    const char* what;
    std::function<std::string()> save;  // the file written
    int width, height;                  // of the saved picture
  };
  const Case cases[] = {
      {"rotate right, save (lossless)",
       [&] {
         TViewer& v = Open("photo.jpg");
         v.mnRightRotateClick();
         v.mnVSaveClick();
         return source;
       },
       48, 64},
      {"flip, save as",
       [&] {
         TViewer& v = Open("photo.jpg");
         v.mnHorizonClick();
         dialogs.AnswerSave(FileDialogResult{dir / "out/flipped.jpeg", 1});
         v.mnVSaveAsClick();
         return dir / "out/flipped.jpeg";
       },
       64, 48},
      {"trim, save (compressed again)",
       [&] {
         TViewer& v = Open("photo.jpg");
         v.MouseDown(2, 3, true, true);
         v.MouseUp(41, 40, true);
         v.mnVTrimingClick();
         v.mnVSaveClick();
         return source;
       },
       40, 38},
      {"fit, save (the rendering)",
       [&] {
         TViewer& v = Open("photo.jpg");
         v.ShowFit();
         v.mnVSaveClick();
         return source;
       },
       64, 48},
      {"conversion to JPEG",
       [&] {
         ConvertImageFile(source, ImageFormat::Jpeg, dir / "out/converted.jpg", ImageFormat::Jpeg,
                          settings);
         return dir / "out/converted.jpg";
       },
       64, 48},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bigEndian = !bigEndian;  // both byte orders, and each stays as it was
    Photo("photo.jpg", upright, 6, icc);
    const std::string saved = c.save();
    const std::vector<uint8_t> bytes = test::ReadAll(saved);
    auto markers = ReadJpegMarkers(bytes.data(), bytes.size());
    ASSERT_TRUE(markers);
    EXPECT_EQ(test::JoinIcc(markers->Icc), icc);
    EXPECT_EQ(ExifOrientation(markers->Exif.data(), markers->Exif.size()), 1);
    const test::ExifReadBack back(markers->Exif);
    EXPECT_EQ(exif_data_get_byte_order(back.data),
              bigEndian ? EXIF_BYTE_ORDER_MOTOROLA : EXIF_BYTE_ORDER_INTEL);
    EXPECT_EQ(back.Number(EXIF_IFD_0, EXIF_TAG_ORIENTATION), 1);
    EXPECT_FALSE(back.HasThumbnail());
    for (auto [ifd, tag] : {std::pair{EXIF_IFD_0, EXIF_TAG_MAKE},
                            {EXIF_IFD_0, EXIF_TAG_MODEL},
                            {EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL},
                            {EXIF_IFD_GPS, ExifTag(EXIF_TAG_GPS_LATITUDE)}})
      EXPECT_EQ(back.Text(ifd, tag), original.Text(ifd, tag)) << tag;
    EXPECT_EQ(back.Number(EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION), c.width);
    EXPECT_EQ(back.Number(EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION), c.height);
    // Read again, the picture stands as it was saved: nothing turns it twice.
    TJPEGImage again;
    again.LoadFromFile(saved);
    EXPECT_EQ(again.Orientation(), 1);
    EXPECT_EQ(again.Width(), c.width);
    EXPECT_EQ(again.Height(), c.height);
  }
}

TEST_F(JpegSave, PicturesFromOtherKindsGainNoMarkers) {
  test::Quadrants(32, 32).SaveToFile(dir / "plain.bmp");
  Open("plain.bmp").mnRightRotateClick();
  dialogs.AnswerSave(FileDialogResult{dir / "plain.jpg", 1});
  viewer->mnVSaveAsClick();
  const std::vector<uint8_t> bytes = test::ReadAll(dir / "plain.jpg");
  EXPECT_FALSE(ReadJpegMarkers(bytes.data(), bytes.size()));
}

TEST_F(JpegSave, OnlyTurnedPhotosAreTurnedExactlyAsJpegtranTurnsThem) {
  if (!test::CanRunShellTools()) GTEST_SKIP() << "needs a POSIX shell and jpegtran";
  // 64 x 48 with 2 x 2 chroma: whole 16 x 16 MCUs, so every turn is perfect.
  const TBitmap upright = test::Pattern(64, 48, TPixelFormat::pf24bit, 3);
  using Commands = std::vector<void (TViewer::*)()>;
  struct Case {
    int orientation;
    Commands commands;
    const char* jpegtran;  // the same turn of the stored data
  };
  const Case cases[] = {
      {1, {&TViewer::mnRightRotateClick}, "-rotate 90"},
      {1, {&TViewer::mnLeftRotateClick}, "-rotate 270"},
      {1, {&TViewer::mnHorizonClick}, "-flip horizontal"},
      {1, {&TViewer::mnVerticalClick}, "-flip vertical"},
      {1, {&TViewer::mnRightRotateClick, &TViewer::mnRightRotateClick}, "-rotate 180"},
      {1, {&TViewer::mnRightRotateClick, &TViewer::mnHorizonClick}, "-transpose"},
      {1, {&TViewer::mnLeftRotateClick, &TViewer::mnHorizonClick}, "-transverse"},
      {1, {&TViewer::mnRightRotateClick, &TViewer::mnLeftRotateClick}, ""},
      // The orientation is folded into the same turn.
      {6, {&TViewer::mnRightRotateClick}, "-rotate 180"},
      {8, {&TViewer::mnRightRotateClick}, ""},
      {3, {&TViewer::mnVerticalClick}, "-flip horizontal"},
      {5, {&TViewer::mnLeftRotateClick}, "-flip vertical"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.orientation) + " " + c.jpegtran);
    const std::string path = Photo("photo.jpg", upright, c.orientation);
    const std::string reference = Jpegtran(path, c.jpegtran);
    TViewer& v = Open("photo.jpg");
    for (auto command : c.commands) (v.*command)();
    const TBitmap shown = v.ShownBitmap();
    v.mnVSaveClick();
    // The same DCT coefficients decode to the same pixels, whatever the quality setting.
    const TBitmap saved = Decoded(path);
    EXPECT_EQ(test::CompareRGB(saved, Decoded(reference)), "");
    EXPECT_EQ(saved.Width(), shown.Width());
  }
}

TEST_F(JpegSave, AnUnalignedPhotoIsCompressedAgainWholeNeverCropped) {
  if (!test::CanRunShellTools()) GTEST_SKIP() << "needs a POSIX shell and jpegtran";
  // 60 x 44: partial MCUs at the right and bottom edges; turning right would move the
  // bottom one to the left edge.
  const TBitmap upright = test::Quadrants(60, 44);
  const std::string path = Photo("photo.jpg", upright, 1);
  EXPECT_NE(0, test::Run("jpegtran -perfect -rotate 90 -outfile '" + dir / "x.jpg" + "' '" + path +
                         "' 2>/dev/null"));
  auto sizeAt = [&](int quality) {
    settings.JpegQuality = uint8_t(quality);
    Photo("photo.jpg", upright, 1);
    TViewer& v = Open("photo.jpg");
    v.mnRightRotateClick();
    v.mnVSaveClick();
    const TBitmap saved = Decoded(path);
    EXPECT_EQ(saved.Width(), 44);
    EXPECT_EQ(saved.Height(), 60);
    // Upright quadrants where the turn puts them: the whole picture, turned.
    EXPECT_EQ(test::NearestQuadrant(saved.PixelRGB(33, 15)), 0);  // top-left went top-right
    EXPECT_EQ(test::NearestQuadrant(saved.PixelRGB(10, 45)), 3);
    return fs::file_size(path);
  };
  EXPECT_LT(sizeAt(10), sizeAt(95));  // the configured quality: compressed again

  // A flip that moves only whole MCUs stays lossless: 64 wide, 44 high, flipped left-right.
  const TBitmap wide = test::Pattern(64, 44, TPixelFormat::pf24bit, 5);
  const std::string reference = Jpegtran(Photo("photo.jpg", wide, 1), "-flip horizontal");
  Open("photo.jpg").mnHorizonClick();
  viewer->mnVSaveClick();
  EXPECT_EQ(test::CompareRGB(Decoded(path), Decoded(reference)), "");
}

TEST_F(JpegSave, PhotosWithoutExifAreCompressedAgainAsBefore) {
  if (!test::CanRunShellTools()) GTEST_SKIP() << "needs a POSIX shell and jpegtran";
  // An ICC profile alone: kept, but the turn is made on the pixels, at the quality set.
  TJPEGImage jpeg;
  jpeg.Assign(test::Pattern(64, 48, TPixelFormat::pf24bit));
  TMemoryStream s;
  jpeg.SaveToStream(s);
  const std::vector<uint8_t> icc = test::MakeIccProfile(3000);
  std::vector<test::JpegSegment> segments;
  for (auto& payload : test::IccPayloads(icc)) segments.push_back({0xE2, payload});
  dir.Write("photo.jpg", test::WithSegments(s.Bytes(), segments));
  const std::string reference = Jpegtran(dir / "photo.jpg", "-rotate 90");
  Open("photo.jpg").mnRightRotateClick();
  viewer->mnVSaveClick();
  const std::vector<uint8_t> bytes = test::ReadAll(dir / "photo.jpg");
  EXPECT_NE(test::CompareRGB(Decoded(dir / "photo.jpg"), Decoded(reference)), "");
  auto markers = ReadJpegMarkers(bytes.data(), bytes.size());
  ASSERT_TRUE(markers);
  EXPECT_TRUE(markers->Exif.empty());
  EXPECT_EQ(test::JoinIcc(markers->Icc), icc);
}

}  // namespace
}  // namespace verid
