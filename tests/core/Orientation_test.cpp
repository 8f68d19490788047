// Photos whose EXIF orientation says how to turn them are shown upright everywhere a
// picture is shown or made from a file: the JPEG graphic itself at full and quarter scale,
// the preview, the view window's three modes, the information dialog's size, catalog
// thumbnails, slides, the wallpaper copy and conversions. Damaged EXIF shows the stored
// pixels as they are.
#include <gtest/gtest.h>

#include "app/Browse.h"
#include "app/Hanyou.h"
#include "catalog/CatalogBuild.h"
#include "catalog/Catarog.h"
#include "dialogs/Convert.h"
#include "imaging/Jpeg.h"
#include "imaging/Transforms.h"
#include "support/ExifBuilder.h"
#include "support/FakePlatform.h"
#include "support/ImageBuilders.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/ViewSurfaces.h"
#include "support/WorkingFolder.h"
#include "view/SlideShow.h"
#include "view/View.h"
#include "view/ViewLayout.h"
#include "view/WPaper.h"

namespace verid {
namespace {

constexpr int kW = 48, kH = 32;  // the upright picture: landscape, whole MCUs

using Surface = test::LastFrameSurface;

// The part of `b` at `r` (w x h at left, top).
TBitmap Part(const TBitmap& b, int left, int top, int w, int h) {
  return Trim(b, left, top, left + w - 1, top + h - 1);
}

struct Photo {
  std::string name;
  std::vector<uint8_t> bytes;
  TBitmap upright;  // what every place must show
};

class Orientation : public test::WorkingFolderTest {
 protected:
  void SetUp() override {
    platform.workArea = TRect{0, 0, 1024, 738};
    platform.screen = TRect{0, 0, 1024, 768};
    platform.wallpaperFolder = dir / "paper";
    const TBitmap upright = test::Quadrants(kW, kH);
    // What our decoder makes of the stored pixels, turned as the orientation says.
    auto photo = [&](const std::string& name, int orientation, test::ExifSpec spec,
                     TTurn expected) {
      Photo p{name, test::OrientedJpeg(upright, orientation, spec), {}};
      // The same file without its EXIF segment (right after SOI) decodes as stored.
      spec.Orientation = orientation;
      const long segment = 4 + long(test::MakeExif(spec).size());
      std::vector<uint8_t> bare(p.bytes.begin(), p.bytes.begin() + 2);
      bare.insert(bare.end(), p.bytes.begin() + 2 + segment, p.bytes.end());
      TJPEGImage stored;
      stored.LoadFromMemory(bare.data(), bare.size());
      p.upright = ApplyTurn(stored.ColorRaster(), expected);
      dir.Write(name, p.bytes);
      photos.push_back(p);
    };
    for (char o = '1'; o <= '8'; ++o)
      photo(std::string{'o', o, '.', 'j', 'p', 'g'}, o - '0', test::Spec(0, "Maker"),
            TurnOfOrientation(o - '0'));
    // Stored for orientation 6, but the block cannot be believed: shown as stored.
    photo("p_damaged.jpg", 6, test::Spec(0, "Maker", 0xFFFF), TTurn::None);
    list.SetFolder(dir.Path());
  }

  void Select(const Photo& p) { list.SetItemIndex(int(list.IndexOf(p.name))); }

  test::TempDir dir;
  FileList list;
  AppSettings settings;
  test::ScriptedDialogs dialogs;
  test::FakePlatform platform;
  std::vector<Photo> photos;
};

TEST_F(Orientation, EveryPlaceShowsThePhotoUpright) {
  for (const Photo& p : photos) {
    SCOPED_TRACE(p.name);
    const std::string path = dir / p.name;
    const int w = p.upright.Width(), h = p.upright.Height();
    Select(p);

    // The graphic: its size from the header before any pixel is decoded, the raster turned
    // after scaling, and the quadrants where the camera meant them.
    TJPEGImage jpeg;
    jpeg.LoadFromFile(path);
    EXPECT_EQ(jpeg.Width(), w);
    EXPECT_EQ(jpeg.Height(), h);
    EXPECT_EQ(test::CompareRGB(jpeg.ColorRaster(), p.upright), "");
    for (int q = 0; q < 4 && p.name[0] == 'o'; ++q)
      EXPECT_EQ(test::NearestQuadrant(jpeg.ColorRaster().PixelRGB(kW / 4 + (q & 1) * kW / 2,
                                                                  kH / 4 + (q / 2) * kH / 2)),
                q);
    jpeg.SetScale(TJPEGScale::jsQuarter);
    EXPECT_EQ(jpeg.Width(), w / 4);
    EXPECT_EQ(jpeg.ColorRaster().Height(), h / 4);

    // The main window's preview (also the preview slide show) and its information size.
    PreviewResult preview = MakePreview(list, settings);
    ASSERT_EQ(preview.State, PreviewResult::Kind::Picture);
    EXPECT_EQ(preview.PictureWidth, w);
    EXPECT_EQ(preview.PictureHeight, h);
    EXPECT_EQ(test::CompareRGB(*preview.Image, p.upright), "");

    // The view window in each mode; the information dialog gets ShownWidth x ShownHeight.
    Surface surface;
    TViewer viewer(ViewEnv{list, settings, dialogs, platform}, surface, ViewOwner{});
    viewer.ShowReal();
    EXPECT_EQ(viewer.ShownWidth, w);
    EXPECT_EQ(viewer.ShownHeight, h);
    EXPECT_EQ(surface.frame.Control, Bounds(0, 0, w, h));
    EXPECT_EQ(test::CompareRGB(viewer.ShownBitmap(), p.upright), "");
    viewer.ShowFit();
    EXPECT_EQ(surface.frame.Window, LayoutFit(w, h, platform.workArea, surface.Borders()).Window);
    EXPECT_EQ(test::CompareRGB(viewer.ShownBitmap(), p.upright), "");
    viewer.ShowFull();
    EXPECT_EQ(surface.frame.Control, LayoutFull(w, h, 1024, 768));
    EXPECT_EQ(test::CompareRGB(viewer.ShownBitmap(), p.upright), "");

    // The catalog window's information size, and its thumbnail.
    EXPECT_EQ(InfoDimensions(path), std::make_pair(w, h));
    const TFitRect at = FitRect(uint16_t(w), uint16_t(h), 80, 80);
    ASSERT_EQ(at.Width, w);
    EXPECT_EQ(test::CompareRGB(Part(MakeThumbnail(path, 80), at.Left, at.Top, w, h), p.upright),
              "");

    // A full-screen slide.
    const TSlide slide = MakeSlide(path, 1024, 768, FullRatio(1024, 768), 0);
    EXPECT_EQ(slide.Control, LayoutFull(w, h, 1024, 768));
    EXPECT_EQ(test::CompareRGB(slide.Picture, p.upright), "");

    // The wallpaper copy.
    TWallPaper paper(platform, dialogs);
    ASSERT_TRUE(paper.CenterWallpaper(path));
    TBitmap copy;
    copy.LoadFromFile(paper.CopyPath());
    EXPECT_EQ(test::CompareRGB(copy, p.upright), "");

    // Conversions write the upright pixels.
    for (auto [to, ext] : {std::pair{ImageFormat::Bmp, ".bmp"}, {ImageFormat::Png, ".png"}}) {
      const std::string out = dir / ("converted" + std::string(ext));
      ConvertImageFile(path, ImageFormat::Jpeg, out, to, settings);
      TPicture back;
      back.LoadFromFile(out);
      EXPECT_EQ(test::CompareRGB(back.Graphic()->ColorRaster(), p.upright), "") << ext;
    }
  }
}

TEST_F(Orientation, TallPhotosAreDecodedAtTheScaleTheirUprightSizeNeeds) {
  // Stored 800 x 200 with orientation 6: a 200 x 800 portrait, shown 50 x 200 on this
  // screen, for which a quarter of the upright size still covers the control (a quarter of
  // the stored size would not).
  dir.Write("tall.jpg", test::OrientedJpeg(test::Quadrants(200, 800), 6));
  list.SetFolder(dir.Path());
  list.SetItemIndex(int(list.IndexOf("tall.jpg")));
  platform.screen = TRect{0, 0, 130, 230};
  Surface surface;
  TViewer viewer(ViewEnv{list, settings, dialogs, platform}, surface, ViewOwner{});
  viewer.ShowFull();
  auto* shown = dynamic_cast<TJPEGImage*>(viewer.WorkPicture->Graphic());
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->Scale(), TJPEGScale::jsQuarter);
  EXPECT_EQ(surface.frame.Control, LayoutFull(200, 800, 130, 230));
  EXPECT_EQ(surface.frame.Control.Width(), 50);
  const TBitmap& b = viewer.ShownBitmap();
  EXPECT_EQ(test::NearestQuadrant(b.PixelRGB(12, 50)), 0);
  EXPECT_EQ(test::NearestQuadrant(b.PixelRGB(37, 150)), 3);
}

}  // namespace
}  // namespace verid
