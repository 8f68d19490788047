// Runs a fuzz target over every file of the folders (or files) given on the command
// line, so the seeds and past findings are replayed by ordinary test runs.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static int RunOne(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return 1;
}

int main(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(p, ec))
        if (entry.is_regular_file()) count += RunOne(entry.path());
    } else if (std::filesystem::is_regular_file(p, ec)) {
      count += RunOne(p);
    }
  }
  // An empty seed set still exercises the target once.
  if (count == 0) LLVMFuzzerTestOneInput(nullptr, 0);
  std::printf("replayed %d input(s)\n", count);
  return 0;
}
