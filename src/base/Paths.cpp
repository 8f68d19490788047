#include "base/Paths.h"

#include <algorithm>
#include <type_traits>

namespace verid {

std::filesystem::path FsPath(std::string_view utf8) {
  return std::filesystem::path(
      std::u8string_view(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

namespace {

// A template, so that only the branch of this system's path type is compiled.
template <typename Path>
std::string Utf8OfPath(const Path& path) {
  // Where paths are bytes already, they are taken as they are (one copy, no check).
  if constexpr (std::is_same_v<typename Path::value_type, char>) {
    return path.native();
  } else {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
  }
}

}  // namespace

std::string Utf8Of(const std::filesystem::path& path) {
  return Utf8OfPath(path);
}

namespace {

// Position of the last separator, npos when there is none.
size_t LastDelim(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsPathDelim(path[i - 1])) return i - 1;
  return std::string_view::npos;
}

}  // namespace

std::string NativePath(std::string path) {
  if constexpr (PathDelim != '/') {
    if (path.size() > 2 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
    for (char& c : path)
      if (c == '/') c = PathDelim;
  }
  return path;
}

// UTF-8 continuation bytes never equal an ASCII separator, so the last byte decides
// (unlike double-byte encodings, where the second byte of a character may be '\\').
std::string AddSlash(const std::string& path) {
  if (!path.empty() && IsPathDelim(path.back())) return path;
  return path + PathDelim;
}

std::string ExtractFilePath(const std::string& path) {
  auto pos = LastDelim(path);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
  auto pos = LastDelim(path);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFileExt(const std::string& path) {
  std::string name = ExtractFileName(path);
  auto pos = name.rfind('.');
  return pos == std::string::npos ? std::string() : name.substr(pos);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  auto slash = LastDelim(path);
  auto dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ext;
  return path.substr(0, dot) + ext;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  std::string tail = name;
  while (!tail.empty() && IsPathDelim(tail.front())) tail.erase(0, 1);
  if (IsPathDelim(folder.back())) return folder + tail;
  return folder + PathDelim + tail;
}

std::string ExcludeTrailingDelim(const std::string& path) {
  std::string result = path;
  // "C:\\" is a drive's root; "C:" alone would be the drive's current folder.
  auto isRoot = [](const std::string& p) {
    return p.size() == 1 || (PathDelim != '/' && p.size() == 3 && p[1] == ':');
  };
  while (!isRoot(result) && !result.empty() && IsPathDelim(result.back())) result.pop_back();
  return result;
}

static char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = LowerAscii(c);
  return result;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

bool LessText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(LowerAscii(a[i]));
    auto cb = static_cast<unsigned char>(LowerAscii(b[i]));
    if (ca != cb) return ca < cb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

}  // namespace verid
