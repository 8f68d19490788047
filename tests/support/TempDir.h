// A temporary folder removed with everything in it at the end of the test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Paths.h"

namespace verid::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  // Path of a name inside the folder.
  std::string operator/(const std::string& name) const { return JoinPath(path_, name); }
  // Writes a file (creating sub-folders) and returns its path.
  std::string Write(const std::string& name, const std::string& content) const;
  std::string Write(const std::string& name, const std::vector<uint8_t>& content) const;
  std::string MakeDir(const std::string& name) const;

 private:
  std::string path_;
};

// Whether this system (and its C++ library) can make symbolic links.
bool SymlinksWork();

std::vector<uint8_t> ReadAll(const std::string& path);
std::string ReadText(const std::string& path);
// The names of what a folder holds, sorted.
std::vector<std::string> SortedNames(const std::string& folder);

}  // namespace verid::test
