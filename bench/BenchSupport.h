// What the benchmarks share: photo-like pictures, timing, the ratio line, a scratch
// folder and an offscreen screen of a given size.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/Jpeg.h"

namespace verid::bench {

// Smooth gradients with a little noise: compresses like a photograph, not like a flat
// colour. `shift` moves the blue bands, so that pictures made with other seeds differ.
inline TBitmap GradientPhoto(int w, int h, uint32_t seed, int shift = 0) {
  TBitmap b(w, h, TPixelFormat::pf24bit);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(-12, 12);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      int r = x * 255 / w, g = y * 255 / h, bl = ((x + y + shift) / 23) % 256;
      p[0] = uint8_t(std::clamp(bl + noise(rng), 0, 255));
      p[1] = uint8_t(std::clamp(g + noise(rng), 0, 255));
      p[2] = uint8_t(std::clamp(r + noise(rng), 0, 255));
    }
  }
  return b;
}

// Gradients, a few shapes and a little noise: compresses like a photograph.
inline TBitmap ShapesPhoto(int w, int h, uint32_t seed) {
  TBitmap b(w, h, TPixelFormat::pf24bit);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(-10, 10);
  const int cx = int(rng() % uint32_t(w)), cy = int(rng() % uint32_t(h));
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      const int dx = x - cx, dy = y - cy;
      const bool disc = dx * dx + dy * dy < (h / 4) * (h / 4);
      const int r = disc ? 230 : x * 255 / w, g = y * 255 / h;
      const int bl = ((x / 37 + y / 29 + int(seed)) % 7) * 30;
      p[0] = uint8_t(std::clamp(bl + noise(rng), 0, 255));
      p[1] = uint8_t(std::clamp(g + noise(rng), 0, 255));
      p[2] = uint8_t(std::clamp(r + noise(rng), 0, 255));
    }
  }
  return b;
}

// CPU milliseconds this process and its finished children have used so far: on a machine
// others load, a fairer measure than the wall clock.
inline double CpuMillis() {
  double total = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    struct rusage u {};
    getrusage(who, &u);
    total += double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
             double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
  }
  return total;
}

inline double Millis(const std::function<void()>& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// One line "what  ours ms / theirs ms = ratio (target <= t) ok|MISSED", the name padded to
// `nameWidth` and the times to `timeWidth`.
inline void Report(const char* what, double ours, double theirs, double target, int nameWidth,
                   int timeWidth) {
  const double ratio = ours / theirs;
  std::printf("%-*s %*.1f ms / %*.1f ms = %.3f (target <= %.2f) %s\n", nameWidth, what, timeWidth,
              ours, timeWidth, theirs, ratio, target, ratio <= target ? "ok" : "MISSED");
}

// The machine's load averages over 1, 5 and 15 minutes, as /proc/loadavg gives them.
inline std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

// The processor's model name as the system reports it, and how many it has.
inline std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  std::string line, model = "unknown processor";
  while (std::getline(in, line)) {
    if (line.rfind("model name", 0) != 0) continue;
    const auto colon = line.find(':');
    if (colon != std::string::npos) model = line.substr(colon + 2);
    break;
  }
  return model + ", " + std::to_string(std::thread::hardware_concurrency()) + " cores";
}

// Another process keeping one core busy for as long as it lives, when `on`: the figures
// must hold on a machine that is not idle.
class BusyCore {
 public:
  explicit BusyCore(bool on) {
    if (!on) return;
    child_ = fork();
    if (child_ == 0) {
      volatile uint64_t spins = 0;
      for (;;) spins = spins + 1;
    }
  }
  ~BusyCore() {
    if (child_ <= 0) return;
    kill(child_, SIGKILL);
    waitpid(child_, nullptr, 0);
  }
  BusyCore(const BusyCore&) = delete;
  BusyCore& operator=(const BusyCore&) = delete;
  bool On() const { return child_ > 0; }

 private:
  pid_t child_ = -1;
};

// The first argument that is a number, or `fallback` (at least 1 either way).
inline int CountArgument(int argc, char** argv, int fallback) {
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] >= '0' && argv[i][0] <= '9') return std::max(1, std::atoi(argv[i]));
  return std::max(1, fallback);
}

// Whether `--busy` is among the arguments.
inline bool BusyRequested(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "--busy") return true;
  return false;
}

// "CPU ..., load average ..." with what else runs: printed by every benchmark before and
// after its figures, so that a ratio is never read without the machine it came from.
inline void PrintMachine(const char* when, const BusyCore* busy = nullptr) {
  std::printf("%s: %s; load average %s%s\n", when, CpuModel().c_str(), LoadAverage().c_str(),
              busy && busy->On() ? "; one other process busy on one core (--busy)" : "");
  std::fflush(stdout);
}

// `files` JPEG photos of w x h (quality 90) written as p00.jpg, p01.jpg, ... into `folder`,
// `distinct` different pictures taken in turn; returns the files' contents in order.
inline std::vector<std::vector<uint8_t>> WritePhotoFolder(const std::string& folder, int w, int h,
                                                          int files, int distinct) {
  std::vector<std::vector<uint8_t>> kinds;
  for (int k = 0; k < distinct; ++k) {
    TJPEGImage encoder;
    encoder.Assign(GradientPhoto(w, h, uint32_t(k + 1), (k + 1) * 40));
    encoder.SetCompressionQuality(90);
    encoder.Compress();
    kinds.push_back(encoder.Data());
  }
  std::vector<std::vector<uint8_t>> written;
  for (int i = 0; i < files; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/p%02d.jpg", i);
    written.push_back(kinds[size_t(i % distinct)]);
    std::ofstream(folder + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(written.back().data()),
               std::streamsize(written.back().size()));
  }
  return written;
}

// The most memory this process has held resident so far, in MB.
inline double PeakResidentMb() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

// A new folder verid_bench_<tag>_<pid> in the temporary folder.
inline std::string ScratchFolder(const std::string& tag) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("verid_bench_" + tag + "_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  return folder.string();
}

// Makes offscreen Qt (set up after this) show one screen of w x h at 96 dpi, described in
// a file in `folder`.
inline void UseOffscreenScreen(const std::string& folder, int w, int h) {
  const std::string config = folder + "/screen.json";
  std::ofstream(config) << R"({"screens":[{"name":"S","x":0,"y":0,"width":)" << w << R"(,"height":)"
                        << h << R"(,)"
                        << R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})";
  setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
}

}  // namespace verid::bench
