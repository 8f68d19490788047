// The catalog window with 5,000 entries under offscreen Qt, against its peers in the same
// run, printed as ratios (ours / theirs):
// - opening a saved 5,000-entry catalog (read, fill, first paint) against filling a
//   QListWidget with one item and icon per entry, and against one pair of widgets per
//   entry in a scrolled grid;
// - scrolling from the top to the bottom a page at a time, each page painted, against the
//   same two peers; the slowest single page is printed too (a pause would show there).
// Also the resident memory before and after opening, and the time to save the catalog.
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "BenchSupport.h"
#include "catalog/CatalogFile.h"
#include "catalog/CatarogFrm.h"
#include "imaging/Draw.h"
#include "support/FakePlatform.h"
#include "support/ScriptedDialogs.h"
#include "ui/Application.h"
#include "ui/RasterView.h"

using namespace verid;

namespace {

constexpr int kEntries = 5000;
constexpr int kWindowW = 1024, kWindowH = 738;

double Millis(const std::function<void()>& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Resident memory now, in kB.
long RssKB() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A catalog as a build makes it: a raised cell with a picture in it, captioned by file name.
Catalog MakeCatalog(int size) {
  Catalog catalog;
  catalog.Images.SetSize(size, size);
  catalog.Images.SetAllocBy(kEntries);
  catalog.View.AllocBy = kEntries;
  for (int i = 0; i < kEntries; ++i) {
    TBitmap cell(size, size, TPixelFormat::pf24bit);
    FillRect(cell, Bounds(0, 0, size, size), 0xBDBDBD);
    FillRect(cell, Bounds(2, size / 4, size - 4, size / 2),
             RGBColor(uint8_t(i * 7), uint8_t(i * 13), uint8_t(255 - i % 256)));
    catalog.Images.Add(std::move(cell));
    CatalogEntry entry;
    char name[32];
    std::snprintf(name, sizeof name, "DSC_%05d.JPG", i);
    entry.Caption = name;
    entry.ImageIndex = i;
    catalog.Items.push_back(entry);
  }
  return catalog;
}

// Top to bottom a page at a time, each page painted at once: the total and the worst page.
struct Scroll {
  double Total = 0, Worst = 0;
  int Pages = 0;
};
Scroll ScrollThrough(QAbstractScrollArea& area) {
  Scroll s;
  QScrollBar* bar = area.verticalScrollBar();
  bar->setValue(0);
  area.viewport()->repaint();
  s.Total = Millis([&] {
    while (bar->value() < bar->maximum()) {
      s.Worst = std::max(s.Worst, Millis([&] {
                           bar->setValue(bar->value() + bar->pageStep());
                           area.viewport()->repaint();
                         }));
      ++s.Pages;
    }
  });
  return s;
}

// One item object per entry, icons made up front.
std::unique_ptr<QListWidget> FillListWidget(const Catalog& catalog) {
  auto w = std::make_unique<QListWidget>();
  w->setViewMode(QListView::IconMode);
  w->setMovement(QListView::Static);
  w->setResizeMode(QListView::Adjust);
  w->setUniformItemSizes(true);
  const int s = catalog.Images.Width();
  w->setIconSize(QSize(s, s));
  w->setGridSize(QSize(s + 43, s + 40));
  for (const CatalogEntry& e : catalog.Items)
    new QListWidgetItem(QIcon(QPixmap::fromImage(RasterImage(catalog.Images.Image(e.ImageIndex)))),
                        QString::fromStdString(e.Caption), w.get());
  w->resize(kWindowW, kWindowH);
  w->show();
  QCoreApplication::processEvents();
  w->viewport()->repaint();
  return w;
}

// One picture label and one caption label per entry in a scrolled grid.
std::unique_ptr<QScrollArea> FillWidgetGrid(const Catalog& catalog) {
  auto area = std::make_unique<QScrollArea>();
  auto* grid = new QWidget;
  auto* layout = new QGridLayout(grid);
  const int s = catalog.Images.Width();
  const int columns = kWindowW / (s + 43);
  int k = 0;
  for (const CatalogEntry& e : catalog.Items) {
    auto* picture = new QLabel;
    picture->setPixmap(QPixmap::fromImage(RasterImage(catalog.Images.Image(e.ImageIndex))));
    auto* caption = new QLabel(QString::fromStdString(e.Caption));
    layout->addWidget(picture, 2 * (k / columns), k % columns);
    layout->addWidget(caption, 2 * (k / columns) + 1, k % columns);
    ++k;
  }
  area->setWidget(grid);
  area->resize(kWindowW, kWindowH);
  area->show();
  QCoreApplication::processEvents();
  area->viewport()->repaint();
  return area;
}

void Report(const char* what, double ours, double theirs) {
  std::printf("%-46s %9.1f ms / %9.1f ms = %.3f\n", what, ours, theirs, ours / theirs);
}

}  // namespace

int main(int argc, char** argv) {
  const int size = bench::CountArgument(argc, argv, 80);
  bench::PrintMachine("before");
  const bool withGrid = !(argc > 2 && std::string(argv[2]) == "--no-grid");
  const std::string folder = std::filesystem::temp_directory_path() /
                             ("verid_bench_catalog_window_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  SetupApplication(app);

  // The file is made in a child process, so this one's memory holds only the window's.
  const std::string path = folder + "/big.doz";
  if (pid_t child = fork(); child == 0) {
    const Catalog catalog = MakeCatalog(size);
    const double saveMs = Millis([&] { SaveCatalogFile(path, catalog); });
    std::printf("%d entries at %d x %d, file %.1f MB, saved in %.1f ms\n", kEntries, size, size,
                double(std::filesystem::file_size(path)) / 1e6, saveMs);
    std::fflush(stdout);
    _exit(0);
  } else {
    int status = 0;
    waitpid(child, &status, 0);
  }

  FileList list;
  list.SetFolder(folder);
  AppSettings settings;
  test::ScriptedDialogs dialogs;
  test::FakePlatform platform;
  const long rssBeforeOpen = RssKB();

  // Ours: the window reads the file and paints its first page.
  TCatarogForm* form = nullptr;
  const double openMs = Millis([&] {
    form = OpenCatalogWindow(path, CatalogEnv{list, settings, dialogs, platform}, CatalogOwner{});
    form->showNormal();
    form->resize(kWindowW, kWindowH);
    QCoreApplication::processEvents();
    form->ListView()->viewport()->repaint();
  });
  const long rssOpen = RssKB();
  const Scroll ours = ScrollThrough(*form->ListView());
  std::printf("ours: opened in %.1f ms, %d pages scrolled in %.1f ms, slowest page %.2f ms\n",
              openMs, ours.Pages, ours.Total, ours.Worst);
  std::printf("ours: +%ld kB open, +%ld kB after scrolling; the store alone is %ld kB\n",
              rssOpen - rssBeforeOpen, RssKB() - rssBeforeOpen,
              long(kEntries) * size * size * 3 / 1024);

  // The peers read the same file the same way, then fill their view.
  auto read = [&] {
    auto catalog = std::make_unique<Catalog>();
    TMemoryStream file;
    file.LoadFromFile(path);
    ReadCatalog(file.Bytes().data(), file.Bytes().size(), *catalog);
    return catalog;
  };
  const double perPage = ours.Total / std::max(ours.Pages, 1);
  auto peer = [&](const char* name, auto fill) {
    std::unique_ptr<Catalog> catalog;
    const long before = RssKB();
    decltype(fill(*catalog)) view;
    const double open = Millis([&] {
      catalog = read();
      view = fill(*catalog);
    });
    // A later peer may reuse memory an earlier one gave back: its growth reads low.
    const long grown = RssKB() - before;
    const Scroll scroll = ScrollThrough(*view);
    std::printf("%s: opened in %.1f ms (+%ld kB), %d pages in %.1f ms, slowest page %.2f ms\n",
                name, open, grown, scroll.Pages, scroll.Total, scroll.Worst);
    Report((std::string("open vs ") + name).c_str(), openMs, open);
    Report((std::string("scroll per page vs ") + name).c_str(), perPage,
           scroll.Total / std::max(scroll.Pages, 1));
  };
  peer("QListWidget", FillListWidget);
  if (withGrid) peer("widget pairs", FillWidgetGrid);
  delete form;
  std::filesystem::remove_all(folder);
  return 0;
}
