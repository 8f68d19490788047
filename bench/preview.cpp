// The main window's preview under offscreen Qt: the Down key through 20 JPEG photos of
// 4000 x 3000 made here, each step painted (list box, preview, status bar), against what
// a preview costs that decodes the whole picture and stretches it into the panel, in the
// same run, printed as ratios (ours / theirs): after a dwell (the neighbours are made
// ahead meanwhile) and holding the key.
// Arguments: the number of runs (default 3; the best counts), --busy.
#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "BenchSupport.h"
#include "app/Browse.h"
#include "app/Main.h"
#include "imaging/Draw.h"
#include "imaging/Jpeg.h"
#include "support/FakePlatform.h"
#include "support/ScriptedDialogs.h"
#include "ui/Application.h"
#include "ui/FileListBox.h"

using namespace verid;
using namespace verid::bench;

namespace {

constexpr int kWidth = 4000, kHeight = 3000, kFiles = 20, kDistinct = 4;

volatile uint32_t gSink;

// The preview as a plain viewer makes it: the whole picture decoded, then stretched into
// its place in the panel.
void FullPreview(const std::string& path) {
  TPicture picture;
  picture.LoadFromFile(path);
  const TFitRect place = FitRect(picture.Width(), picture.Height(), kPreviewBox, kPreviewBox);
  TBitmap image(place.Width, place.Height, TPixelFormat::pf32bit);
  StretchDraw(image, Bounds(0, 0, place.Width, place.Height), *picture.Graphic());
  gSink = image.ScanLine(1)[0];
}

void Down(QWidget* widget) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &press);
  QCoreApplication::sendEvent(widget, &release);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = CountArgument(argc, argv, 3);
  BusyCore busy(BusyRequested(argc, argv));
  PrintMachine("before", &busy);
  const std::string folder = ScratchFolder("preview");
  UseOffscreenScreen(folder, 1280, 800);
  QApplication app(argc, argv);
  SetupApplication(app);

  const std::string pictures = folder + "/pictures";
  std::filesystem::create_directories(pictures);
  const std::vector<std::vector<uint8_t>> files =
      WritePhotoFolder(pictures, kWidth, kHeight, kFiles, kDistinct);
  std::vector<std::string> paths;
  for (int i = 0; i < kFiles; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/p%02d.jpg", i);
    paths.push_back(pictures + name);
  }
  std::printf("%d pictures of %d x %d (JPEG %zu bytes), best of %d runs\n", kFiles, kWidth, kHeight,
              files[0].size(), runs);

  test::ScriptedDialogs dialogs;
  test::FakePlatform platform;
  platform.workArea = TRect{0, 0, 1280, 770};
  platform.screen = TRect{0, 0, 1280, 800};
  std::filesystem::create_directories(folder + "/bin");
  platform.executablePath = folder + "/bin/verid";
  AppSettings settings;
  settings.FirstRunHint = false;
  settings.Save(SettingsPathFor(platform.executablePath));

  TMainForm form(dialogs, platform, paths[0]);
  form.show();
  QCoreApplication::processEvents();
  TFileListBox* box = form.FileListBox();
  // From the first file to the last, each step painted at once; only the steps count.
  auto pass = [&](bool dwell) {
    form.FileListBox()->setFocus();
    form.List().SetItemIndex(0);
    form.FileListBoxClick();
    double total = 0;
    for (int k = 1; k < kFiles; ++k) {
      if (dwell) form.PreviewAhead().WaitIdle();
      total += Millis([&] {
        Down(box);
        form.repaint();
      });
    }
    if (form.List().ItemIndex() != kFiles - 1) std::printf("the steps did not reach the end\n");
    return total / (kFiles - 1);
  };
  double full = 1e300, scaled = 1e300, dwelt = 1e300, held = 1e300;
  for (int i = 0; i < runs; ++i) {
    full = std::min(full, Millis([&] {
                            for (const std::string& path : paths) FullPreview(path);
                          }) / kFiles);
    scaled = std::min(scaled, Millis([&] {
                                for (const std::string& path : paths) MakePreviewPicture(path, 0);
                              }) / kFiles);
    dwelt = std::min(dwelt, pass(true));
    held = std::min(held, pass(false));
  }
  Report("preview step after a dwell vs full decode + stretch", dwelt, full, 0.10, 56, 7);
  Report("preview step holding the key vs the same", held, full, 0.25, 56, 7);
  std::printf("%-56s %7.1f ms / %7.1f ms = %.3f (one step's own work, on one thread)\n",
              "preview made at the DCT scale vs the same", scaled, full, scaled / full);
  std::printf("peak resident memory %.0f MB\n", PeakResidentMb());
  PrintMachine("after", &busy);
  std::filesystem::remove_all(folder);
  return 0;
}
