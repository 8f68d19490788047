#include "base/Paths.h"

#include <algorithm>

namespace verid {

// UTF-8 continuation bytes never equal an ASCII separator, so the last byte decides
// (unlike double-byte encodings, where the second byte of a character may be '\\').
std::string AddSlash(const std::string& path) {
  if (!path.empty() && path.back() == PathDelim) return path;
  return path + PathDelim;
}

std::string ExtractFilePath(const std::string& path) {
  auto pos = path.rfind(PathDelim);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
  auto pos = path.rfind(PathDelim);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFileExt(const std::string& path) {
  std::string name = ExtractFileName(path);
  auto pos = name.rfind('.');
  return pos == std::string::npos ? std::string() : name.substr(pos);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  auto slash = path.rfind(PathDelim);
  auto dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ext;
  return path.substr(0, dot) + ext;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  std::string tail = name;
  while (!tail.empty() && tail.front() == PathDelim) tail.erase(0, 1);
  if (folder.back() == PathDelim) return folder + tail;
  return folder + PathDelim + tail;
}

std::string ExcludeTrailingDelim(const std::string& path) {
  std::string result = path;
  while (result.size() > 1 && result.back() == PathDelim) result.pop_back();
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
