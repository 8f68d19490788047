// Batch conversion and copy-all against their command-line peers, measured in one run on
// the same files and printed as ratios: 200 photo-like JPEGs of 1920 x 1080 to PNG and 200
// PNGs to JPEG with the default settings, by the batch window's own run (no window drawn)
// on one thread and with worker threads, against `vips copy` of each file with one
// thread; then copy-all of 10,000 small files into an empty folder against `cp`.
//
//   bench_convert [--files N] [--runs N] [--small N] [--workers N] [--keep]
#include "dialogs/Convert.h"

#include <sys/resource.h>

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
#include "app/FileOps.h"
#include "imaging/Jpeg.h"
#include "imaging/ZUDIRA.h"
#include "platform/NullPlatform.h"

using namespace verid;
namespace fs = std::filesystem;

namespace {

// Says OK to every question and shows nothing.
class YesDialogs : public Dialogs {
 public:
  MsgButton Message(const MessageRequest& request) override {
    return request.Buttons.empty() ? MsgButton::Ok : request.Buttons.front();
  }
  std::optional<std::string> SelectDirectory(const DirectoryRequest&) override { return {}; }
  std::optional<FileDialogResult> OpenFile(const FileDialogRequest&) override { return {}; }
  std::optional<FileDialogResult> SaveFile(const FileDialogRequest&) override { return {}; }
  std::optional<TColor> SelectColor(TColor) override { return {}; }
};

class QuietHost : public ConvertRunHost {
 public:
  void Select(int) override {}
  void Added(const std::string&) override {}
};

// `count` files named p00000.ext.. in `folder`, made from 8 different pictures written by
// `write` (the content repeats; every file is still read and converted on its own).
void MakeFolder(const fs::path& folder, int count, const char* ext,
                const std::function<void(const TBitmap&, const std::string&)>& write) {
  fs::create_directories(folder);
  std::vector<fs::path> originals;
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "p%05d%s", i, ext);
    const fs::path path = folder / name;
    if (i < 8) {
      write(bench::ShapesPhoto(1920, 1080, uint32_t(i + 1)), path.string());
      originals.push_back(path);
    } else {
      fs::copy_file(originals[size_t(i % 8)], path);
    }
  }
}

// CPU seconds this process and its finished children have used so far.
double CpuSeconds() {
  double total = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    struct rusage u {};
    getrusage(who, &u);
    total += double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
             double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  }
  return total;
}

double lastCpu = 0;  // CPU seconds of the last Seconds() call

double Seconds(const std::function<void()>& f) {
  const double cpu0 = CpuSeconds();
  const auto t0 = std::chrono::steady_clock::now();
  f();
  lastCpu = CpuSeconds() - cpu0;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void Fresh(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}

struct Row {
  std::string Name;
  double Best = 1e300;
  double Cpu = 0;  // CPU seconds of the best run
  void Take(double seconds) {
    if (seconds < Best) {
      Best = seconds;
      Cpu = lastCpu;
    }
  }
};

// The peer is the first row.
void Print(const char* title, int files, const std::vector<Row>& rows) {
  std::printf("\n%s\n%-44s %10s %10s %10s %8s\n", title, "", "files/s", "ratio", "wall s", "cpu s");
  const double peerRate = files / rows.front().Best;
  for (const Row& r : rows) {
    const double rate = files / r.Best;
    if (rows.front().Best < 1e300)
      std::printf("%-44s %10.1f %10.2f %10.2f %8.2f\n", r.Name.c_str(), rate, rate / peerRate,
                  r.Best, r.Cpu);
    else if (&r != &rows.front())
      std::printf("%-44s %10.1f %10s %10.2f %8.2f\n", r.Name.c_str(), rate, "n/a", r.Best, r.Cpu);
  }
}

// One conversion direction: our run with each worker count against `vips copy`.
void Conversion(const fs::path& work, int kind, const fs::path& sources, int files, int runs,
                const std::vector<int>& workerCounts, bool haveVips) {
  const ConvertKindInfo& info = ConvertKindOf(kind);
  const std::vector<std::string> names = ConvertSources(sources.string(), kind);
  const fs::path out = work / "out";
  const std::string vipsExt = info.To == ImageFormat::Png ? ".png" : ".jpg";
  // One process per file, as a user converting a folder with vips would run it.
  std::string vips = "cd '" + sources.string() +
                     "' && for f in *; do VIPS_CONCURRENCY=1 vips copy \"$f\" '" + out.string() +
                     "/'\"${f%.*}" + vipsExt + "\" || exit 1; done";
  AppSettings settings;  // the defaults: quality 80, compression level -1
  YesDialogs dialogs;
  QuietHost host;
  std::vector<Row> rows{{"vips copy, 1 thread, one process per file"}};
  for (int w : workerCounts)
    rows.push_back({std::string(info.Caption) + ", " +
                    (w == 0 ? std::string("run thread only") : std::to_string(w) + " workers")});
  for (int r = 0; r < runs; ++r) {
    // Interleaved, so a change in the machine's load hits both sides alike.
    if (haveVips) {
      Fresh(out);
      rows[0].Take(Seconds([&] {
        if (std::system(vips.c_str()) != 0) std::fprintf(stderr, "vips failed\n");
      }));
    }
    for (size_t i = 0; i < workerCounts.size(); ++i) {
      Fresh(out);
      rows[i + 1].Take(Seconds([&] {
        RunBatchConvert(kind, sources.string(), names, out.string() + "/", settings, dialogs, host,
                        workerCounts[i]);
      }));
    }
  }
  char title[160];
  std::snprintf(
      title, sizeof title, "%d files %s of 1920 x 1080 (%.0f KB each), best of %d:", files,
      info.Caption,
      double(fs::file_size(
          sources / ("p00000" + std::string(info.From == ImageFormat::Png ? ".png" : ".jpg")))) /
          1024.0,
      runs);
  Print(title, files, rows);
}

void CopyAllBench(const fs::path& work, int count, int runs) {
  const fs::path small = work / "small";
  fs::create_directories(small);
  std::mt19937 rng(7);
  std::vector<char> bytes(2048);
  for (int i = 0; i < count; ++i) {
    for (char& c : bytes) c = char(rng());
    char name[32];
    std::snprintf(name, sizeof name, "s%05d.jpg", i);
    std::ofstream(small / name, std::ios::binary)
        .write(bytes.data(), std::streamsize(bytes.size()));
  }
  const fs::path out = work / "copies";
  const fs::path start = fs::current_path();
  YesDialogs dialogs;
  NullPlatform platform;
  AppSettings settings;
  std::vector<Row> rows{{"cp"}, {"copy-all"}};
  const std::string cp = "cp '" + small.string() + "'/* '" + out.string() + "'/";
  for (int r = 0; r < runs; ++r) {
    Fresh(out);
    rows[0].Take(Seconds([&] {
      if (std::system(cp.c_str()) != 0) std::fprintf(stderr, "cp failed\n");
    }));
    Fresh(out);
    FileList list;
    list.SetFolder(small.string());
    list.SetItemIndex(0);
    rows[1].Take(Seconds([&] {
      BatchResult result = CopyAll(FileOpEnv{list, settings, dialogs, platform}, out.string());
      if (result.Done != count) std::fprintf(stderr, "copy-all failed\n");
    }));
    fs::current_path(start);
  }
  char title[120];
  std::snprintf(title, sizeof title,
                "copy-all of %d files of 2 KB into an empty folder, best of %d:", count, runs);
  Print(title, count, rows);
}

}  // namespace

int main(int argc, char** argv) {
  int files = 200, runs = 3, small = 10000;
  int workers = int(std::max(2u, std::thread::hardware_concurrency()));
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--files" && i + 1 < argc)
      files = std::atoi(argv[++i]);
    else if (a == "--runs" && i + 1 < argc)
      runs = std::atoi(argv[++i]);
    else if (a == "--small" && i + 1 < argc)
      small = std::atoi(argv[++i]);
    else if (a == "--workers" && i + 1 < argc)
      workers = std::atoi(argv[++i]);
    else if (a == "--keep")
      keep = true;
  }
  bench::PrintMachine("before");
  const fs::path work =
      fs::temp_directory_path() / ("verid-bench-convert-" + std::to_string(std::random_device{}()));
  std::printf("load average at start: %s; hardware threads: %u\n", bench::LoadAverage().c_str(),
              std::thread::hardware_concurrency());
  const bool haveVips = std::system("command -v vips >/dev/null") == 0;
  if (!haveVips) std::printf("vips not found: no ratios\n");

  if (files > 0) {
    std::vector<int> counts{0};
    if (workers > 0) counts.push_back(workers);
    const fs::path jpegs = work / "jpegs";
    MakeFolder(jpegs, files, ".jpg", [](const TBitmap& b, const std::string& path) {
      TJPEGImage j;
      j.Assign(b);
      j.SetCompressionQuality(85);
      j.SaveToFile(path);
    });
    Conversion(work, 3, jpegs, files, runs, counts, haveVips);
    const fs::path pngs = work / "pngs";
    MakeFolder(pngs, files, ".png", [](const TBitmap& b, const std::string& path) {
      ZOVIDUD png;
      png.Assign(b);
      png.SaveToFile(path);
    });
    Conversion(work, 5, pngs, files, runs, counts, haveVips);
  }
  if (small > 0) CopyAllBench(work, small, runs);
  std::printf("load average at end: %s\n", bench::LoadAverage().c_str());
  if (!keep) fs::remove_all(work);
  return 0;
}
