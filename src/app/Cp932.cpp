#include "app/Cp932.h"

#include "base/Codepage.h"
#include "base/Paths.h"

namespace verid {
namespace {

// Length of the valid UTF-8 sequence at the start of s, 0 when invalid.
size_t Utf8SequenceLength(std::string_view s) {
  char32_t code;
  return DecodeUtf8(s, &code);
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
