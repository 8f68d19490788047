// Lists a folder of 100,000 empty .jpg files and compares the time with `ls -f | wc -l`
// on the same folder in the same run.
#include "app/FileList.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

template <typename F>
double Best(int runs, F&& f) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    auto t0 = Clock::now();
    f();
    best = std::min(best, Seconds(Clock::now() - t0));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int runs = 5;
  char tmpl[] = "/tmp/verid-bench-filelist-XXXXXX";
  if (!::mkdtemp(tmpl)) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string folder = tmpl;
  std::printf("making %d empty .jpg files in %s\n", count, folder.c_str());
  for (int i = 0; i < count; ++i) {
    // Mixed case and a scattered order, so the sort has work to do.
    char name[64];
    std::snprintf(name, sizeof name, "%s/%s%07d.%s", folder.c_str(), (i % 3) ? "img" : "IMG",
                  (i * 7919) % count, (i % 5) ? "jpg" : "JPG");
    int fd = ::open(name, O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0) ::close(fd);
  }

  const auto start = std::filesystem::current_path();
  int listed = 0;
  double ours = Best(runs, [&] {
    verid::FileList list;
    list.SetFolder(folder);
    listed = list.Count();
  });
  std::filesystem::current_path(start);

  const std::string command = "cd '" + folder + "' && ls -f | wc -l > /dev/null";
  double ls = Best(runs, [&] {
    if (std::system(command.c_str()) != 0) std::perror("ls");
  });

  std::printf("FileList::SetFolder: %.1f ms (%d entries, best of %d)\n", ours * 1000, listed, runs);
  std::printf("ls -f | wc -l:       %.1f ms (best of %d)\n", ls * 1000, runs);
  std::printf("ratio FileList / ls: %.2f\n", ours / ls);

  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return listed == count ? 0 : 1;
}
