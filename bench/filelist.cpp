// Lists a folder of 100,000 empty .jpg files and compares the time with `ls -f | wc -l`
// on the same folder in the same run, the two taking turns.
//
//   bench_filelist [COUNT] [--busy]
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

#include "BenchSupport.h"

int main(int argc, char** argv) {
  const int count = verid::bench::CountArgument(argc, argv, 100000);
  const int runs = 5;
  verid::bench::BusyCore busy(verid::bench::BusyRequested(argc, argv));
  verid::bench::PrintMachine("before", &busy);
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
  const std::string command = "cd '" + folder + "' && ls -f | wc -l > /dev/null";
  int listed = 0;
  double ours = 1e300, ls = 1e300;
  for (int i = 0; i < runs; ++i) {
    ours = std::min(ours, verid::bench::Millis([&] {
                      verid::FileList list;
                      list.SetFolder(folder);
                      listed = list.Count();
                    }));
    ls = std::min(ls, verid::bench::Millis([&] {
                    if (std::system(command.c_str()) != 0) std::perror("ls");
                  }));
  }
  std::filesystem::current_path(start);

  std::printf("%d entries listed, best of %d\n", listed, runs);
  verid::bench::Report("FileList::SetFolder vs ls -f | wc -l", ours, ls, 1.5, 40, 7);
  verid::bench::PrintMachine("after", &busy);

  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return listed == count ? 0 : 1;
}
