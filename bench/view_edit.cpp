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

#include "BenchSupport.h"
#include "NullSurface.h"
#include "imaging/Jpeg.h"
#include "support/FakePlatform.h"
#include "support/ScriptedDialogs.h"
#include "view/View.h"

using namespace verid;
using namespace verid::bench;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::string folder = ScratchFolder("edit");
  const std::string photo = folder + "/photo.jpg", original = folder + "/original.jpg";
  {
    TJPEGImage jpeg;
    jpeg.Assign(GradientPhoto(kWidth, kHeight, 7));
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
