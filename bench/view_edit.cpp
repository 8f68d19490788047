// Rotating a 4000 x 3000 JPEG photo right in the view window and saving it over the file
// (decode, quarter turn, JPEG encode at JpegQuality, atomic replace), against the
// libjpeg-turbo tools doing the same job: `jpegtran -rotate 90` (lossless, no re-encode)
// and `djpeg | cjpeg -quality Q` of the rotated file (the re-encode). Best of N runs.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>

#include "imaging/Jpeg.h"
#include "support/FakePlatform.h"
#include "support/ScriptedDialogs.h"
#include "view/View.h"

using namespace verid;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

double Millis(const std::function<void()>& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

class NullSurface : public ViewSurface {
 public:
  void ApplyMode(int, const ViewMenuState&) override {}
  void PaintMenus(const ViewMenuState&) override {}
  TColor FaceColor() override { return 0; }
  void SetBusy(bool) override {}
  void SetCaption(const std::string&) override {}
  void SetLabel(const std::string&) override {}
  void ClearPicture() override {}
  TBorders Borders() override { return {8, 34, 16}; }
  void ShowFrame(const TViewFrame&) override {}
  void ShowBand(const std::optional<TRect>&) override {}
  void SetScreenCursor(int) override {}
  TPoint ScrollPos() override { return {}; }
  void SetScrollPos(const TPoint&) override {}
  TPoint ClientSize() override { return {}; }
  void CloseWindow() override {}
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::string folder =
      std::filesystem::temp_directory_path() / ("verid_bench_edit_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string photo = folder + "/photo.jpg", original = folder + "/original.jpg";
  {
    TBitmap b(kWidth, kHeight, TPixelFormat::pf24bit);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* p = b.ScanLine(y);
      for (int x = 0; x < kWidth; ++x, p += 3) {
        p[0] = uint8_t(std::clamp((x + y) / 23 % 256 + noise(rng), 0, 255));
        p[1] = uint8_t(std::clamp(y * 255 / kHeight + noise(rng), 0, 255));
        p[2] = uint8_t(std::clamp(x * 255 / kWidth + noise(rng), 0, 255));
      }
    }
    TJPEGImage jpeg;
    jpeg.Assign(b);
    jpeg.SetCompressionQuality(90);
    jpeg.SaveToFile(original);
  }
  FileList list;
  AppSettings settings;
  settings.JpegQuality = 80;
  test::ScriptedDialogs dialogs;
  test::FakePlatform platform;
  NullSurface surface;

  double ours = 1e300, tran = 1e300, recode = 1e300;
  const std::string q = std::to_string(settings.JpegQuality);
  for (int i = 0; i < runs; ++i) {
    std::filesystem::copy_file(original, photo, std::filesystem::copy_options::overwrite_existing);
    list.SetFolder(folder);
    list.SetItemIndex(int(list.IndexOf("photo.jpg")));
    TViewer viewer(ViewEnv{list, settings, dialogs, platform}, surface, ViewOwner{});
    viewer.ShowReal();  // the picture on screen first, as the user has it
    ours = std::min(ours, Millis([&] {
                      viewer.mnRightRotateClick();
                      viewer.mnVSaveClick();
                    }));
    const std::string rotated = folder + "/rotated.jpg", out = folder + "/recoded.jpg";
    tran = std::min(
        tran, Millis([&] {
          std::system(("jpegtran -rotate 90 -outfile " + rotated + " " + original).c_str());
        }));
    recode = std::min(
        recode, Millis([&] {
          std::system(("djpeg " + rotated + " | cjpeg -quality " + q + " > " + out).c_str());
        }));
  }
  std::printf("rotate right + save of a %d x %d JPEG at quality %s, best of %d runs\n", kWidth,
              kHeight, q.c_str(), runs);
  std::printf("%-44s %8.1f ms\n", "view window: rotate right, save", ours);
  std::printf("%-44s %8.1f ms\n", "jpegtran -rotate 90", tran);
  std::printf("%-44s %8.1f ms\n", "djpeg | cjpeg -quality (re-encode)", recode);
  std::printf("%-44s %8.1f ms = %.3f of ours\n", "jpegtran + re-encode", tran + recode,
              (tran + recode) / ours);
  std::filesystem::remove_all(folder);
  return 0;
}
