// Rotating a 4000 x 3000 camera photo right in the view window and saving it over the file
// (the quarter turn on screen, then the save: a lossless turn of the JPEG data with the
// EXIF block rewritten, atomic replace), against `jpegtran -rotate 90` doing the same
// lossless job as a process. The photo has 2 x 1 chroma (16 x 8 MCUs), as many cameras
// write, so its 3000 rows are whole MCUs. For comparison, the same with 2 x 2 chroma,
// where a perfect turn is impossible and the save compresses the photo again, against
// `djpeg | cjpeg` of the turned file. Best of N runs.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "BenchSupport.h"
#include "support/ExifBuilder.h"
#include "support/FakePlatform.h"
#include "support/ImageBuilders.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/ViewSurfaces.h"
#include "view/View.h"

using namespace verid;
using namespace verid::bench;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

// The photo as a camera writes it: libjpeg-turbo's cjpeg at quality 90 with the given
// chroma sampling, and an EXIF block with the camera, date and place.
void WritePhoto(const std::string& folder, const std::string& path, const char* sampling) {
  const std::string ppm = folder + "/photo.ppm";
  test::WritePnm(ppm, GradientPhoto(kWidth, kHeight, 7));
  std::system(("cjpeg -quality 90 -sample " + std::string(sampling) + " -outfile '" + path +
               ".bare' '" + ppm + "'")
                  .c_str());
  test::ExifSpec spec = test::Spec(1, "Maker");
  spec.Model = "Camera 7";
  spec.DateTimeOriginal = "2024:05:01 09:30:00";
  spec.Gps = true;
  spec.PixelX = kWidth, spec.PixelY = kHeight;
  const std::vector<uint8_t> bytes =
      test::WithSegments(test::ReadAll(path + ".bare"), {{0xE1, test::MakeExif(spec)}});
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  std::filesystem::remove(path + ".bare");
  std::filesystem::remove(ppm);
}

struct Timing {
  double ours = 1e300, peer = 1e300;        // wall milliseconds
  double oursCpu = 1e300, peerCpu = 1e300;  // CPU milliseconds
  uintmax_t oursSize = 0, peerSize = 0;
};

// Best of the wall clock and, apart, of the CPU time.
void Take(double& wall, double& cpu, const std::function<void()>& f) {
  const double cpu0 = CpuMillis();
  wall = std::min(wall, Millis(f));
  cpu = std::min(cpu, CpuMillis() - cpu0);
}

// Best of `runs`: the view window's rotate right + save of a copy of `original`, and the
// peer's command line, which writes `out`.
Timing Measure(const std::string& folder, const std::string& original, const std::string& peer,
               const std::string& out, int runs) {
  FileList list;
  AppSettings settings;
  settings.JpegQuality = 80;
  test::ScriptedDialogs dialogs;
  test::FakePlatform platform;
  test::LastFrameSurface surface;
  const std::string photo = folder + "/photo.jpg";
  Timing t;
  for (int i = 0; i < runs; ++i) {
    std::filesystem::copy_file(original, photo, std::filesystem::copy_options::overwrite_existing);
    list.SetFolder(folder);
    list.SetItemIndex(int(list.IndexOf("photo.jpg")));
    TViewer viewer(ViewEnv{list, settings, dialogs, platform}, surface, ViewOwner{});
    viewer.ShowReal();  // the picture on screen first, as the user has it
    Take(t.ours, t.oursCpu, [&] {
      viewer.mnRightRotateClick();
      viewer.mnVSaveClick();
    });
    Take(t.peer, t.peerCpu, [&] { std::system(peer.c_str()); });
  }
  t.oursSize = std::filesystem::file_size(photo);
  t.peerSize = std::filesystem::file_size(out);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = CountArgument(argc, argv, 5);
  PrintMachine("before");
  const std::string folder = ScratchFolder("edit");
  const std::string aligned = folder + "/camera_422.jpg", unaligned = folder + "/camera_420.jpg";
  WritePhoto(folder, aligned, "2x1");
  WritePhoto(folder, unaligned, "2x2");
  std::printf("load average at start: %s\n", LoadAverage().c_str());
  std::printf("rotate right + save of a %d x %d camera JPEG, best of %d runs\n", kWidth, kHeight,
              runs);

  const std::string out = folder + "/peer.jpg";
  const Timing lossless = Measure(
      folder, aligned, "jpegtran -rotate 90 -outfile '" + out + "' '" + aligned + "'", out, runs);
  Report("2x1 chroma: lossless turn vs jpegtran -rotate 90", lossless.ours, lossless.peer, 1.10, 52,
         8);
  Report("  the same in CPU time", lossless.oursCpu, lossless.peerCpu, 1.10, 52, 8);
  std::printf("  file sizes: ours %ju bytes, jpegtran %ju bytes\n", lossless.oursSize,
              lossless.peerSize);

  // Not whole MCUs: compressed again at quality 80 (ours has decoded it for the screen
  // before); the peer decodes the turned photo and compresses it. No target: a figure to
  // know.
  const std::string turned = folder + "/turned.jpg";
  std::system(("jpegtran -rotate 90 -outfile '" + turned + "' '" + unaligned + "'").c_str());
  const Timing recode = Measure(
      folder, unaligned, "djpeg '" + turned + "' | cjpeg -quality 80 > '" + out + "'", out, runs);
  std::printf("%-52s %8.1f ms / %8.1f ms = %.3f\n", "2x2 chroma: compressed again vs djpeg | cjpeg",
              recode.ours, recode.peer, recode.ours / recode.peer);
  std::printf("load average at end: %s\n", LoadAverage().c_str());
  std::filesystem::remove_all(folder);
  return 0;
}
