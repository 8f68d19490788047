// The full-screen slide show at interval 0 over 20 JPEG photos of 4000 x 3000 made here,
// under offscreen Qt on a 1920 x 1080 screen: time per slide (read, decode, stretch, paint)
// against a bare libjpeg-turbo decode at the same DCT scale plus the same stretch, in the
// same run, printed as ratios (ours / bare). Arguments: the number of runs (default 3; the
// best run counts), --busy.
// jpeglib.h needs size_t and FILE declared first.
// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include "BenchSupport.h"
#include "imaging/Draw.h"
#include "imaging/Jpeg.h"
#include "support/FakePlatform.h"
#include "support/ScriptedDialogs.h"
#include "ui/Application.h"
#include "view/SlideFrm.h"
#include "view/ViewLayout.h"

using namespace verid;
using namespace verid::bench;

namespace {

constexpr int kWidth = 4000, kHeight = 3000, kFiles = 20, kDistinct = 4;
constexpr int kScreenW = 1920, kScreenH = 1080;

volatile uint32_t gSink;

// Reads the file, decodes it at 1/denominator straight into a raster and stretches that
// into the slide's size: what any slide show has to do at the least.
void BareSlide(const std::string& path, int denominator, int w, int h) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::vector<uint8_t> data(static_cast<size_t>(in.tellg()));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(data.data()), std::streamsize(data.size()));
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.scale_num = 1;
  cinfo.scale_denom = static_cast<unsigned>(denominator);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  TBitmap decoded(int(cinfo.output_width), int(cinfo.output_height), TPixelFormat::pf24bit);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = decoded.ScanLine(int(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  TBitmap slide(w, h, TPixelFormat::pf32bit);
  StretchDrawRaster(slide, Bounds(0, 0, w, h), decoded, false);
  gSink = slide.ScanLine(1)[0];
}

void Report(const char* what, double ours, double theirs, double target) {
  bench::Report(what, ours, theirs, target, 56, 7);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = CountArgument(argc, argv, 3);
  BusyCore busy(BusyRequested(argc, argv));
  PrintMachine("before", &busy);
  const std::string folder = ScratchFolder("slide");
  UseOffscreenScreen(folder, kScreenW, kScreenH);
  QApplication app(argc, argv);
  SetupApplication(app);

  const std::vector<std::vector<uint8_t>> files =
      WritePhotoFolder(folder, kWidth, kHeight, kFiles, kDistinct);
  const TRect control = LayoutFull(kWidth, kHeight, kScreenW, kScreenH);
  const int d = JpegScaleFor(kWidth, kHeight, control.Width(), control.Height());
  std::printf(
      "%d pictures of %d x %d (JPEG %zu bytes), slide %d x %d, decode scale 1/%d, "
      "best of %d runs\n",
      kFiles, kWidth, kHeight, files[0].size(), control.Width(), control.Height(), d, runs);

  FileList list;
  list.SetFolder(folder);
  AppSettings settings;
  settings.SlideIntervalMs = 0;
  test::ScriptedDialogs dialogs;
  test::FakePlatform platform;
  platform.workArea = TRect{0, 0, kScreenW, kScreenH - 30};
  platform.screen = TRect{0, 0, kScreenW, kScreenH};
  // The wait handles what Qt has queued, as the real one does.
  platform.onEvents = [] { QCoreApplication::processEvents(); };
  ViewEnv env{list, settings, dialogs, platform};

  auto slideShow = [&](bool ahead) {
    dialogs.AnswerMessage(MsgButton::No);
    SlideShowOptions options;
    options.LoadAhead = ahead;
    return Millis([&] { RunFullSlideShow(kSlideFromCatalog, env, {}, nullptr, options); }) / kFiles;
  };
  double bare = 1e300, pair = 1e300, plain = 1e300, ahead = 1e300;
  for (int i = 0; i < runs; ++i) {
    bare = std::min(bare, Millis([&] {
                            for (int k = 0; k < kFiles; ++k)
                              BareSlide(list.PathOf(k), d, control.Width(), control.Height());
                          }) / kFiles);
    // What two cores give here now: the same work, two files at a time on two threads.
    pair = std::min(pair, Millis([&] {
                            for (int k = 0; k < kFiles; k += 2) {
                              std::thread other([&, k] {
                                BareSlide(list.PathOf(k + 1), d, control.Width(), control.Height());
                              });
                              BareSlide(list.PathOf(k), d, control.Width(), control.Height());
                              other.join();
                            }
                          }) / kFiles);
    plain = std::min(plain, slideShow(false));
    ahead = std::min(ahead, slideShow(true));
  }
  Report("slide at interval 0 vs bare scaled decode + stretch", plain, bare, 1.15);
  Report("slide with the next one made ahead vs the same", ahead, bare, 0.65);
  std::printf("%-56s %7.1f ms / %7.1f ms = %.3f (what two threads can give on this machine now)\n",
              "bare, two files at a time on two threads", pair, bare, pair / bare);
  PrintMachine("after", &busy);
  std::filesystem::remove_all(folder);
  return 0;
}
