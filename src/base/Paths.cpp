#include "base/Paths.h"

#include <algorithm>
#include <type_traits>

namespace verid {

size_t DecodeUtf8(std::string_view s, char32_t* code) {
  auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(0);
  if (c < 0x80) {
    *code = c;
    return 1;
  }
  size_t len;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    *code = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    *code = c & 0x0F;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    *code = c & 0x07;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < len || b(1) < lo || b(1) > hi) return 0;
  for (size_t i = 1; i < len; ++i) {
    if (b(i) < 0x80 || b(i) > 0xBF) return 0;
    *code = (*code << 6) | (b(i) & 0x3F);
  }
  return len;
}

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Templates, so that only the branch of this system's path type is compiled. Where paths
// are bytes, they are taken as they are, names that are not UTF-8 included. Where they
// are UTF-16, the conversion never throws: a byte that is not UTF-8 becomes '?', which
// no file name can hold, so it names nothing; a lone surrogate in a name becomes U+FFFD
// for showing.
template <typename Path>
Path PathOfUtf8(std::string_view utf8) {
  using Unit = typename Path::value_type;
  if constexpr (std::is_same_v<Unit, char>) {
    return Path(std::string(utf8));
  } else {
    std::basic_string<Unit> units;
    units.reserve(utf8.size());
    while (!utf8.empty()) {
      char32_t c = 0;
      size_t n = DecodeUtf8(utf8, &c);
      if (n == 0) {
        units += static_cast<Unit>('?');
        n = 1;
      } else if (c >= 0x10000) {
        units += static_cast<Unit>(0xD800 + ((c - 0x10000) >> 10));
        units += static_cast<Unit>(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        units += static_cast<Unit>(c);
      }
      utf8.remove_prefix(n);
    }
    return Path(std::move(units));
  }
}

template <typename Path>
std::string Utf8OfPath(const Path& path) {
  using Unit = typename Path::value_type;
  if constexpr (std::is_same_v<Unit, char>) {
    return path.native();
  } else {
    const auto& units = path.native();
    std::string out;
    out.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
      char32_t c = static_cast<char32_t>(units[i]) & 0xFFFF;
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size()) {
        const char32_t next = static_cast<char32_t>(units[i + 1]) & 0xFFFF;
        if (next >= 0xDC00 && next <= 0xDFFF) {
          c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
          ++i;
        }
      }
      if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
      AppendUtf8(out, c);
    }
    return out;
  }
}

}  // namespace

std::filesystem::path FsPath(std::string_view utf8) {
  return PathOfUtf8<std::filesystem::path>(utf8);
}

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

bool HasPathDelim(std::string_view name) {
  return LastDelim(name) != std::string_view::npos;
}

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
