#include "app/Cp932.h"

#include "base/Codepage.h"

namespace verid {
namespace {

// Length of the valid UTF-8 sequence at the start of s, 0 when invalid.
size_t Utf8SequenceLength(std::string_view s) {
  auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char c = b(0);
  if (c < 0x80) return 1;
  size_t len;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < len) return 0;
  if (b(1) < lo || b(1) > hi) return 0;
  for (size_t i = 2; i < len; ++i)
    if (b(i) < 0x80 || b(i) > 0xBF) return 0;
  return len;
}

}  // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  if (!IsValidUtf8(utf8)) return std::nullopt;
  auto bytes = SystemUtf8ToCp932(utf8);
  // Some characters map one way only (U+301C and U+FF5E both become 0x8160): accept a
  // conversion only when it reads back as the same text.
  if (!bytes) return std::nullopt;
  auto back = SystemCp932ToUtf8(*bytes);
  if (!back || *back != utf8) return std::nullopt;
  return bytes;
}

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
  return SystemCp932ToUtf8(cp932);
}

bool IsValidUtf8(std::string_view bytes) {
  while (!bytes.empty()) {
    size_t n = Utf8SequenceLength(bytes);
    if (n == 0) return false;
    bytes.remove_prefix(n);
  }
  return true;
}

std::string SanitizeUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    size_t n = Utf8SequenceLength(bytes);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      n = 1;
    } else {
      out.append(bytes.data(), n);
    }
    bytes.remove_prefix(n);
  }
  return out;
}

std::string DisplayText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  if (auto text = Cp932ToUtf8(bytes)) return *text;
  return SanitizeUtf8(bytes);
}

}  // namespace verid
