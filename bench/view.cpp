// The view window's display against its peers, measured in one run on 4000 x 3000 JPEG
// photos made here, and printed as ratios (ours / theirs):
// - fit to a 1280 x 800 screen (DCT-scaled decode, one stretch) against a full decode
//   and the same stretch;
// - stepping through 20 pictures in full screen under offscreen Qt (read, decode, stretch,
//   paint) against a bare libjpeg-turbo decode of the same files at the same scale, in
//   fit and full screen: without the look-ahead, after a dwell with it (the paint only),
//   and holding the key with it (never slower than without).
// Arguments: the number of runs (default 3; the best counts), --busy.
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
#include <memory>
#include <random>

#include "BenchSupport.h"
#include "imaging/Draw.h"
#include "imaging/Jpeg.h"
#include "support/FakePlatform.h"
#include "support/ScriptedDialogs.h"
#include "support/ViewSurfaces.h"
#include "ui/Application.h"
#include "view/ViewFrm.h"

using namespace verid;
using namespace verid::bench;

namespace {

constexpr int kWidth = 4000, kHeight = 3000, kFiles = 20, kDistinct = 4;

volatile uint32_t gSink;

void BareDecode(const std::vector<uint8_t>& data, int denominator) {
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
  const size_t stride = size_t(cinfo.output_width) * 3;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[stride * cinfo.output_height]);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = buffer.get() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  gSink = buffer[stride];
}

void Report(const char* what, double ours, double theirs, double target) {
  bench::Report(what, ours, theirs, target, 58, 8);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = CountArgument(argc, argv, 3);
  BusyCore busy(BusyRequested(argc, argv));
  PrintMachine("before", &busy);
  const std::string folder = ScratchFolder("view");
  UseOffscreenScreen(folder, 1280, 800);
  QApplication app(argc, argv);
  SetupApplication(app);

  const std::vector<std::vector<uint8_t>> files =
      WritePhotoFolder(folder, kWidth, kHeight, kFiles, kDistinct);
  std::printf("%d pictures of %d x %d, JPEG about %zu bytes, best of %d runs\n", kFiles, kWidth,
              kHeight, files[0].size(), runs);

  FileList list;
  list.SetFolder(folder);
  list.SetItemIndex(0);
  AppSettings settings;
  test::ScriptedDialogs dialogs;
  test::FakePlatform platform;
  platform.workArea = TRect{0, 0, 1280, 770};
  platform.screen = TRect{0, 0, 1280, 800};
  ViewEnv env{list, settings, dialogs, platform};

  // Fit: ours against a full decode plus the same stretch to the client size.
  {
    test::LastFrameSurface surface;
    TViewer viewer(env, surface, ViewOwner{});
    const TFitLayout layout = LayoutFit(kWidth, kHeight, platform.workArea, surface.Borders());
    const int cw = layout.Control.Width(), ch = layout.Control.Height();
    double ours = 1e300, peer = 1e300;
    for (int i = 0; i < runs; ++i) {
      peer = std::min(peer, Millis([&] {
                        TPicture picture;
                        picture.LoadFromFile(list.CurrentFile());
                        TBitmap out = DrawToRaster(*picture.Graphic(), cw, ch);
                        gSink = out.ScanLine(1)[0];
                      }));
      ours = std::min(ours, Millis([&] { viewer.ShowFit(); }));
    }
    std::printf("fit window client %d x %d\n", cw, ch);
    Report("fit 4000x3000 on 1280x800 vs full decode + stretch", ours, peer, 0.5);
    // What the scaled decode alone can give: libjpeg-turbo at 1/2 against full size.
    double half = 1e300, full = 1e300;
    for (int i = 0; i < runs; ++i) {
      full = std::min(full, Millis([&] { BareDecode(files[0], 1); }));
      half = std::min(half, Millis([&] { BareDecode(files[0], 2); }));
    }
    std::printf("%-52s %8.1f ms / %8.1f ms = %.3f (the floor of the ratio above)\n",
                "bare libjpeg-turbo decode at 1/2 vs full size", half, full, half / full);
  }

  // Steps under offscreen Qt: one step = the next picture, painted, in fit and full screen,
  // with the neighbours made ahead (as the window does) and without.
  auto steps = [&](bool fit) {
    TViewForm form(env, ViewOwner{});
    TViewer& viewer = form.Viewer();
    list.SetItemIndex(0);
    if (fit)
      form.ShowFit();
    else
      form.ShowFull();
    form.show();
    QCoreApplication::processEvents();
    const TRect control =
        fit ? LayoutFit(kWidth, kHeight, platform.workArea, form.Borders()).Control
            : LayoutFull(kWidth, kHeight, 1280, 800);
    const int d = JpegScaleFor(kWidth, kHeight, control.Width(), control.Height());
    // A pass through the list; `dwell` waits after each step until the look-ahead is done,
    // as a user looking at the picture for a moment gives it time. Only the steps count.
    auto pass = [&](bool dwell) {
      list.SetItemIndex(0);
      if (fit)
        form.ShowFit();
      else
        form.ShowFull();
      double total = 0;
      for (int k = 1; k < kFiles; ++k) {
        if (dwell && viewer.LookAhead()) viewer.LookAhead()->WaitIdle();
        total += Millis([&] {
          form.mnVNextClick();
          form.repaint();
        });
      }
      return total / (kFiles - 1);
    };
    double bare = 1e300, plain = 1e300, dwelt = 1e300, held = 1e300;
    for (int i = 0; i < runs; ++i) {
      bare = std::min(bare, Millis([&] {
                              for (const auto& data : files) BareDecode(data, d);
                            }) / kFiles);
      viewer.UseLookAhead(false);
      plain = std::min(plain, pass(false));
      viewer.UseLookAhead(true);
      dwelt = std::min(dwelt, pass(true));
      held = std::min(held, pass(false));
    }
    const char* mode = fit ? "fit" : "full-screen";
    std::printf("%s control %d x %d, decode scale 1/%d\n", mode, control.Width(), control.Height(),
                d);
    Report((std::string(mode) + " step vs bare decode at the same scale").c_str(), plain, bare,
           1.15);
    Report((std::string(mode) + " step after a dwell, made ahead, vs the same").c_str(), dwelt,
           bare, 0.15);
    Report((std::string(mode) + " step holding the key, made ahead, vs the same").c_str(), held,
           bare, 1.10);
  };
  steps(false);
  steps(true);
  std::printf("peak resident memory %.0f MB (pictures made ahead are bounded by %zu MB)\n",
              PeakResidentMb(), kLookAheadBytes >> 20);
  PrintMachine("after");
  std::filesystem::remove_all(folder);
  return 0;
}
