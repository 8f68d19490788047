// Time to first picture, as a user sees it: the release build's verid and feh are each
// started on a JPEG that heads a folder, on a private Xvfb screen without a window
// manager, and the screen is polled until the picture's pixels show. The pictures carry a
// block of one colour in their middle that nothing else on the screen has, so the check
// is exact. Verid and feh take turns run by run, so that the machine's load hits both
// alike; each program's peak RSS is read just before it is ended.
//
//   bench_first_picture [runs] [--busy] [--verid=<program>]
//
// --verid measures another build of the program (an older one, say) in place of this one.
//
// Needs Xvfb and feh (scripts/setup installs both).
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "BenchSupport.h"
#include "imaging/Jpeg.h"

// Last: Xlib defines names such as None as macros.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace verid;
using namespace verid::bench;

extern char** environ;

namespace {

constexpr int kScreenW = 1280, kScreenH = 800;
// The marker colour (red, green, blue); the rest of the picture keeps its green above 80.
constexpr int kMarkR = 230, kMarkG = 16, kMarkB = 200, kTolerance = 12;
constexpr double kTimeoutMs = 30000;

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "bench_first_picture: %s\n", what.c_str());
  std::exit(1);
}

// A photo-like w x h JPEG; with `marked` the middle ninth is the marker colour.
std::vector<uint8_t> MakeJpeg(int w, int h, bool marked, uint32_t seed) {
  TBitmap b = GradientPhoto(w, h, seed, int(seed) * 40);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.ScanLine(y);
    const bool rowMarked = marked && y >= h / 3 && y < 2 * h / 3;
    for (int x = 0; x < w; ++x, p += 3) {
      if (rowMarked && x >= w / 3 && x < 2 * w / 3) {
        p[0] = kMarkB, p[1] = kMarkG, p[2] = kMarkR;
      } else {
        p[1] = uint8_t(80 + p[1] * 175 / 255);
      }
    }
  }
  TJPEGImage encoder;
  encoder.Assign(b);
  encoder.SetCompressionQuality(90);
  encoder.Compress();
  return encoder.Data();
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A folder of `count` pictures: the marked one first, the rest links to one unmarked
// picture of the same size (so that a neighbour decoded ahead costs what it would).
std::string MakeFolder(const std::string& parent, const std::string& name, int count,
                       const std::vector<uint8_t>& first, const std::vector<uint8_t>& rest) {
  const std::string folder = parent + "/" + name;
  std::filesystem::create_directories(folder);
  WriteFile(folder + "/img00001.jpg", first);
  const std::string filler = parent + "/" + name + "-filler.jpg";
  WriteFile(filler, rest);
  for (int i = 2; i <= count; ++i) {
    char file[32];
    std::snprintf(file, sizeof file, "/img%05d.jpg", i);
    if (link(filler.c_str(), (folder + file).c_str()) != 0) WriteFile(folder + file, rest);
  }
  return folder + "/img00001.jpg";
}

bool IsMarker(unsigned long pixel) {
  const int r = int((pixel >> 16) & 0xff), g = int((pixel >> 8) & 0xff), b = int(pixel & 0xff);
  return std::abs(r - kMarkR) <= kTolerance && std::abs(g - kMarkG) <= kTolerance &&
         std::abs(b - kMarkB) <= kTolerance;
}

struct Box {
  int x = 0, y = 0, w = 0, h = 0;
};

class XScreen {
 public:
  XScreen() {
    int fds[2];
    if (pipe(fds) != 0) Fail("no pipe");
    server_ = fork();
    if (server_ == 0) {
      setsid();
      const std::string fd = std::to_string(fds[1]);
      const std::string screen = std::to_string(kScreenW) + "x" + std::to_string(kScreenH) + "x24";
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
             "tcp", "-noreset", "-br", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) Fail("Xvfb did not start (is it installed?)");
    name_ = ":" + number;
    display_ = XOpenDisplay(name_.c_str());
    if (!display_) Fail("cannot open the Xvfb display " + name_);
    root_ = DefaultRootWindow(display_);
  }
  ~XScreen() {
    if (display_) XCloseDisplay(display_);
    kill(server_, SIGTERM);
    waitpid(server_, nullptr, 0);
  }
  XScreen(const XScreen&) = delete;
  XScreen& operator=(const XScreen&) = delete;

  const std::string& Name() const { return name_; }

  // Whether every pixel of `box` has the marker colour.
  bool Shows(const Box& box) {
    XImage* image = XGetImage(display_, root_, box.x, box.y, unsigned(box.w), unsigned(box.h),
                              AllPlanes, ZPixmap);
    if (!image) return false;
    bool all = true;
    for (int y = 0; y < box.h && all; ++y)
      for (int x = 0; x < box.w && all; ++x) all = IsMarker(XGetPixel(image, x, y));
    XDestroyImage(image);
    return all;
  }

  // The bounds of the marker on the whole screen, when it shows.
  std::optional<Box> FindMarker() {
    XImage* image = XGetImage(display_, root_, 0, 0, kScreenW, kScreenH, AllPlanes, ZPixmap);
    if (!image) return std::nullopt;
    int left = kScreenW, top = kScreenH, right = -1, bottom = -1, count = 0;
    for (int y = 0; y < kScreenH; ++y)
      for (int x = 0; x < kScreenW; ++x)
        if (IsMarker(XGetPixel(image, x, y))) {
          left = std::min(left, x), right = std::max(right, x);
          top = std::min(top, y), bottom = std::max(bottom, y);
          ++count;
        }
    XDestroyImage(image);
    if (count < 100) return std::nullopt;
    return Box{left, top, right - left + 1, bottom - top + 1};
  }

 private:
  pid_t server_ = -1;
  std::string name_;
  Display* display_ = nullptr;
  Window root_ = 0;
};

struct Program {
  std::string name;
  std::function<std::vector<std::string>(const std::string& file)> command;
};

struct Run {
  double ms = 0;
  double cpuMs = 0;  // on a processor, all its threads together
  double rssMb = 0;
};

class Launcher {
 public:
  Launcher(const XScreen& screen, const std::string& home) {
    const auto replaced = [](std::string_view entry) {
      for (const char* name : {"DISPLAY=", "HOME=", "XDG_CONFIG_HOME=", "XDG_CACHE_HOME=",
                               "XDG_DATA_HOME=", "QT_QPA_PLATFORM="})
        if (entry.rfind(name, 0) == 0) return true;
      return false;
    };
    for (char** e = environ; *e; ++e)
      if (!replaced(*e)) env_.emplace_back(*e);
    env_.push_back("DISPLAY=" + screen.Name());
    env_.push_back("HOME=" + home);
  }

  pid_t Start(const std::vector<std::string>& command, const std::string& folder) {
    std::vector<char*> argv, envp;
    for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env_) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      if (chdir(folder.c_str()) != 0) _exit(126);
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    return pid;
  }

 private:
  std::vector<std::string> env_;
};

// The processor time the threads of `pid` have had so far: unlike the wall clock, hardly
// moved by what else runs on the machine.
double CpuMs(pid_t pid) {
  double total = 0;
  std::error_code ec;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    std::ifstream in(task.path() / "schedstat");
    double ns = 0;
    if (in >> ns) total += ns / 1e6;
  }
  return total;
}

double PeakRssMb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

void Stop(pid_t pid) {
  kill(pid, SIGTERM);
  const auto t0 = Clock::now();
  while (Since(t0) < 3000) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

void WaitGone(XScreen& screen, const Box& probe) {
  const auto t0 = Clock::now();
  while (screen.Shows(probe)) {
    if (Since(t0) > 5000) Fail("the picture stays on the screen after its program ended");
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// Starts the program untimed and finds where its picture shows: a few pixels in the
// middle of the marker, which the timed runs poll.
Box Calibrate(XScreen& screen, Launcher& launcher, const Program& program, const std::string& file,
              const std::string& folder) {
  const pid_t pid = launcher.Start(program.command(file), folder);
  const auto t0 = Clock::now();
  std::optional<Box> found;
  while (!(found = screen.FindMarker())) {
    int status;
    if (waitpid(pid, &status, WNOHANG) == pid)
      Fail(program.name + " ended before its picture showed");
    if (Since(t0) > kTimeoutMs) {
      Stop(pid);
      Fail(program.name + " did not show the picture within 30 s");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  // Once more after a pause: the first sight may be a paint in progress.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  found = screen.FindMarker();
  Stop(pid);
  if (!found) Fail(program.name + "'s picture went away");
  const Box probe{found->x + found->w / 2 - 1, found->y + found->h / 2 - 1, 3, 3};
  WaitGone(screen, probe);
  return probe;
}

Run TimedRun(XScreen& screen, Launcher& launcher, const Program& program, const std::string& file,
             const std::string& folder, const Box& probe) {
  WaitGone(screen, probe);
  const auto command = program.command(file);
  const auto t0 = Clock::now();
  const pid_t pid = launcher.Start(command, folder);
  Run run;
  for (;;) {
    if (screen.Shows(probe)) break;
    if (Since(t0) > kTimeoutMs) {
      Stop(pid);
      Fail(program.name + " did not show the picture within 30 s");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  run.ms = Since(t0);
  run.cpuMs = CpuMs(pid);
  // What it holds once it has settled (a neighbour decoded ahead included).
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  run.rssMb = PeakRssMb(pid);
  Stop(pid);
  return run;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Case {
  const char* what;
  std::string file, folder;
  bool targeted;
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = CountArgument(argc, argv, 7);
  std::vector<std::string> verids;
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]).rfind("--verid=", 0) == 0) verids.emplace_back(argv[i] + 8);
  if (verids.empty()) verids.emplace_back(VERID_EXECUTABLE);
  const std::string feh = "/usr/bin/feh";
  if (access(feh.c_str(), X_OK) != 0) Fail("feh is not installed (scripts/setup installs it)");

  const std::string scratch = ScratchFolder("first_picture");
  const std::string home = scratch + "/home";
  std::filesystem::create_directories(home);
  // Private copies of the programs with their own settings: no first-run hint.
  std::vector<Program> programs;
  for (size_t v = 0; v < verids.size(); ++v) {
    const std::string bin = scratch + "/bin" + std::to_string(v);
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(verids[v], bin + "/verid");
    std::filesystem::permissions(bin + "/verid", std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
    std::ofstream(bin + "/verid.ini", std::ios::binary) << "[Property]\r\nInfo=0\r\n";
    programs.push_back({verids.size() == 1 ? "verid" : "verid" + std::to_string(v + 1),
                        [bin](const std::string& file) {
                          return std::vector<std::string>{bin + "/verid", file};
                        }});
  }
  programs.push_back({"feh", [feh](const std::string& file) {
                        return std::vector<std::string>{feh, "--scale-down", "--start-at", file};
                      }});
  const size_t count = programs.size(), fehAt = count - 1;

  const std::vector<uint8_t> big = MakeJpeg(4000, 3000, true, 1);
  const std::vector<uint8_t> bigFiller = MakeJpeg(4000, 3000, false, 2);
  const std::vector<uint8_t> small = MakeJpeg(400, 300, true, 3);
  const std::vector<uint8_t> smallFiller = MakeJpeg(400, 300, false, 4);
  std::vector<Case> cases = {
      {"4000 x 3000, 10 files", MakeFolder(scratch, "ten", 10, big, bigFiller), "", true},
      {"4000 x 3000, 10,000 files", MakeFolder(scratch, "many", 10000, big, bigFiller), "", true},
      {"400 x 300, 10 files", MakeFolder(scratch, "small", 10, small, smallFiller), "", false},
  };
  for (Case& c : cases) c.folder = c.file.substr(0, c.file.rfind('/'));

  BusyCore busy(BusyRequested(argc, argv));
  XScreen screen;
  Launcher launcher(screen, home);
  std::printf(
      "Time to first picture: start to the picture's pixels on an Xvfb %dx%dx24 screen, no window\n"
      "manager; JPEG of quality 90 heading its folder, working folder = that folder; median of %d\n"
      "runs, the programs in turn. verid <file>; feh --scale-down --start-at <file>.\n",
      kScreenW, kScreenH, runs);
  for (size_t v = 0; v + 1 < count; ++v)
    std::printf("%s: %s\n", programs[v].name.c_str(), verids[v].c_str());
  PrintMachine("before", &busy);

  for (const Case& c : cases) {
    std::vector<Box> probes;
    for (const Program& program : programs)
      probes.push_back(Calibrate(screen, launcher, program, c.file, c.folder));
    std::vector<std::vector<Run>> made(count);
    for (int r = 0; r < runs; ++r)
      for (size_t k = 0; k < count; ++k) {
        const size_t p = (size_t(r) + k) % count;  // who goes first moves on each run
        made[p].push_back(TimedRun(screen, launcher, programs[p], c.file, c.folder, probes[p]));
      }
    const auto median = [&](size_t p, double Run::*field) {
      std::vector<double> v;
      for (const Run& run : made[p]) v.push_back(run.*field);
      return Median(v);
    };
    const double theirs = median(fehAt, &Run::ms);
    for (size_t p = 0; p < fehAt; ++p) {
      const std::string what = std::string(c.what) + (count > 2 ? " " + programs[p].name : "");
      const double ours = median(p, &Run::ms);
      if (c.targeted)
        Report(what.c_str(), ours, theirs, 1.0, 26, 6);
      else
        std::printf("%-26s %6.1f ms / %6.1f ms = %.3f\n", what.c_str(), ours, theirs,
                    ours / theirs);
    }
    for (size_t p = 0; p < count; ++p) {
      const auto [low, high] = std::minmax_element(
          made[p].begin(), made[p].end(), [](const Run& a, const Run& b) { return a.ms < b.ms; });
      std::printf("%-26s %-6s runs %.0f..%.0f ms, CPU %.0f ms, peak RSS %.1f MB\n", "",
                  programs[p].name.c_str(), low->ms, high->ms, median(p, &Run::cpuMs),
                  median(p, &Run::rssMb));
    }
    std::fflush(stdout);
  }
  PrintMachine("after", &busy);
  std::error_code ec;
  std::filesystem::remove_all(scratch, ec);
  return 0;
}
