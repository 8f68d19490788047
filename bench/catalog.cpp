// Catalog building against vipsthumbnail, measured in one run on the same files and
// printed as ratios: 200 photo-like JPEGs of 1920 x 1080 made into 120-pixel thumbnails
// by the catalog window's own build loop (no window drawn) - on the loop's thread alone,
// with one and two worker threads, each with and without the loop making cells while it
// waits - against one vipsthumbnail process over the same files with one thread. Then a
// catalog of 5,000 entries: memory, saving and reopening.
//
//   bench_catalog [--files N] [--runs N] [--entries N] [--keep]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "app/FileList.h"
#include "catalog/CatalogBuild.h"
#include "catalog/CatalogFile.h"
#include "imaging/Jpeg.h"
#include "platform/NullPlatform.h"

using namespace verid;
namespace fs = std::filesystem;

namespace {

class QuietHost : public CatalogBuildHost {
 public:
  void BuildStarted() override {}
  void FileDone(const TBitmap&, const BuildProgress&) override {}
  bool StopRequested() override { return false; }
  void BuildEnded() override {}
};

std::vector<uint8_t> Jpeg(const TBitmap& raster, int quality) {
  TJPEGImage j;
  j.Assign(raster);
  j.SetCompressionQuality(quality);
  TMemoryStream s;
  j.SaveToStream(s);
  return s.Bytes();
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// `count` files in `folder`, made from 8 different pictures (the content repeats; every
// file is still read and decoded on its own).
void MakeFolder(const fs::path& folder, int count, int w, int h, bool links) {
  fs::create_directories(folder);
  std::vector<fs::path> originals;
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "p%05d.jpg", i);
    const fs::path path = folder / name;
    if (i < 8) {
      WriteBytes(path, Jpeg(bench::ShapesPhoto(w, h, uint32_t(i + 1)), 85));
      originals.push_back(path);
    } else if (links) {
      fs::create_hard_link(originals[size_t(i % 8)], path);
    } else {
      fs::copy_file(originals[size_t(i % 8)], path);
    }
  }
}

double Seconds(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Best(int runs, const std::function<void()>& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) best = std::min(best, Seconds(f));
  return best;
}

// "VmRSS" or "VmHWM" of this process in MB.
double MemoryMb(const std::string& key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key + ":", 0) == 0) return std::atof(line.c_str() + key.size() + 1) / 1024.0;
  return 0;
}

BuildResult Build(const fs::path& folder, int size, int workers, Catalog& catalog,
                  bool loopHelps = true) {
  FileList list;
  list.SetFolder(folder.string());
  QuietHost host;
  NullPlatform platform;
  BuildOptions options;
  options.Workers = workers;
  options.LoopHelps = loopHelps;
  return BuildCatalog(list, size, catalog, host, platform, options);
}

}  // namespace

int main(int argc, char** argv) {
  int files = 200, runs = 3, entries = 5000;
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--files" && i + 1 < argc)
      files = std::atoi(argv[++i]);
    else if (a == "--runs" && i + 1 < argc)
      runs = std::atoi(argv[++i]);
    else if (a == "--entries" && i + 1 < argc)
      entries = std::atoi(argv[++i]);
    else if (a == "--keep")
      keep = true;
  }
  bench::PrintMachine("before");
  const fs::path work =
      fs::temp_directory_path() / ("verid-bench-catalog-" + std::to_string(std::random_device{}()));
  const fs::path start = fs::current_path();
  std::printf("load average at start: %s; hardware threads: %u\n", bench::LoadAverage().c_str(),
              std::thread::hardware_concurrency());

  // --- 5,000 entries: memory, save, reopen --------------------------------------------------
  if (entries > 0) {
    const fs::path many = work / "many";
    MakeFolder(many, entries, 640, 480, true);
    for (int size : {80, 120}) {
      const double before = MemoryMb("VmRSS");
      Catalog catalog;
      const double build = Seconds([&] { Build(many, size, kAutoWorkers, catalog); });
      fs::current_path(start);
      const double after = MemoryMb("VmRSS");
      const double store = double(entries) * double(StrideFor(size, TPixelFormat::pf24bit)) * size /
                           (1024.0 * 1024.0);
      catalog.View.Width = 1016;
      catalog.View.Height = 694;
      const fs::path doz = work / ("many" + std::to_string(size) + ".doz");
      const double save = Best(runs, [&] { SaveCatalogFile(doz.string(), catalog); });
      double open = Best(runs, [&] {
        TMemoryStream file;
        file.LoadFromFile(doz.string());
        Catalog back;
        if (!ReadCatalog(file.Bytes().data(), file.Bytes().size(), back).Ok) std::abort();
      });
      std::printf(
          "%d entries at %3d px: build %.2f s; RSS grew %.0f MB (thumbnail cells %.0f MB); "
          "file %.0f MB; save %.3f s, reopen %.3f s (best of %d); peak RSS so far %.0f MB\n",
          entries, size, build, after - before, store, double(fs::file_size(doz)) / 1048576.0, save,
          open, runs, MemoryMb("VmHWM"));
    }
  }

  // --- 200 JPEGs of 1920 x 1080 at 120 px ---------------------------------------------------
  if (files <= 0) {
    if (!keep) fs::remove_all(work);
    return 0;
  }
  const fs::path photos = work / "photos";
  MakeFolder(photos, files, 1920, 1080, false);
  const fs::path out = work / "vips";
  fs::create_directories(out);
  std::string vips =
      "VIPS_CONCURRENCY=1 vipsthumbnail --size 120 -o '" + (out / "%s.jpg").string() + "'";
  for (const auto& e : fs::directory_iterator(photos)) vips += " '" + e.path().string() + "'";
  vips += " 2>/dev/null";

  struct Config {
    const char* Name;
    int Workers;
    bool Helps;
    double Best = 1e300;
  };
  Config configs[] = {
      {"catalog build, loop thread only", 0, false},      {"catalog build, 1 worker", 1, false},
      {"catalog build, 1 worker + loop helps", 1, true},  {"catalog build, 2 workers", 2, false},
      {"catalog build, 2 workers + loop helps", 2, true},
  };
  const bool haveVips = std::system("command -v vipsthumbnail >/dev/null") == 0;
  double theirs = 1e300;
  for (int r = 0; r < runs; ++r) {
    // Interleaved, so a change in the machine's load hits both sides alike.
    if (haveVips)
      theirs = std::min(theirs, Seconds([&] {
                          if (std::system(vips.c_str()) != 0)
                            std::fprintf(stderr, "vipsthumbnail failed\n");
                        }));
    for (Config& c : configs) {
      Catalog catalog;
      c.Best = std::min(c.Best, Seconds([&] { Build(photos, 120, c.Workers, catalog, c.Helps); }));
      fs::current_path(start);
    }
  }
  const double vipsRate = files / theirs;
  std::printf(
      "\n%d JPEGs of 1920 x 1080 (%.0f KB each) at 120 px, best of %d (default here: "
      "%d worker%s + loop helps):\n",
      files, double(fs::file_size(photos / "p00000.jpg")) / 1024.0, runs, DefaultWorkerCount(),
      DefaultWorkerCount() == 1 ? "" : "s");
  std::printf("%-40s %10s %12s\n", "", "files/s", "vs vips (1)");
  if (haveVips) std::printf("%-40s %10.1f %12.2f\n", "vipsthumbnail, 1 thread", vipsRate, 1.0);
  for (const Config& c : configs) {
    const double rate = files / c.Best;
    if (haveVips)
      std::printf("%-40s %10.1f %12.2f\n", c.Name, rate, rate / vipsRate);
    else
      std::printf("%-40s %10.1f %12s\n", c.Name, rate, "n/a");
  }
  std::printf("load average at end: %s\n", bench::LoadAverage().c_str());
  if (!keep) fs::remove_all(work);
  return 0;
}
