#include "support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "base/Paths.h"

namespace verid::test {

TempDir::TempDir() {
  // A fresh name; creating the folder is what claims it.
  static std::mt19937_64 random{std::random_device{}()};
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "verid-test-%08llx",
                  static_cast<unsigned long long>(random() & 0xffffffffULL));
    std::filesystem::path candidate = base / name;
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      std::filesystem::permissions(candidate, std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::replace, ec);
      path_ = Utf8Of(candidate);
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  const std::filesystem::path path = FsPath(path_);
  // A process's working folder cannot be removed everywhere: step out of it first.
  const std::filesystem::path here = std::filesystem::current_path(ec);
  if (!ec && Utf8Of(here).rfind(path_, 0) == 0)
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ec);
  // Restore write permission on anything a test made read-only, so removal works.
  for (auto it = std::filesystem::recursive_directory_iterator(path, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path, ec);
}

std::string TempDir::Write(const std::string& name, const std::string& content) const {
  return Write(name, std::vector<uint8_t>(content.begin(), content.end()));
}

std::string TempDir::Write(const std::string& name, const std::vector<uint8_t>& content) const {
  std::string path = *this / name;
  std::filesystem::create_directories(FsPath(path).parent_path());
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(content.data()),
            static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string TempDir::MakeDir(const std::string& name) const {
  std::string path = *this / name;
  std::filesystem::create_directories(FsPath(path));
  return path;
}

bool SymlinksWork() {
  static const bool work = [] {
    TempDir dir;
    std::error_code ec;
    std::filesystem::create_symlink("target", FsPath(dir / "link"), ec);
    return !ec;
  }();
  return work;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

std::string ReadText(const std::string& path) {
  auto bytes = ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> SortedNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(FsPath(folder)))
    names.push_back(Utf8Of(e.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace verid::test
