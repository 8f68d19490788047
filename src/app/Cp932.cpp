#include "app/Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace verid {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  std::optional<std::string> Run(std::string_view in) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t used = 0;
    for (;;) {
      char* dst = out.data() + used;
      size_t dstLeft = out.size() - used;
      size_t rc = ::iconv(cd_, srcLeft ? &src : nullptr, &srcLeft, &dst, &dstLeft);
      used = out.size() - dstLeft;
      if (rc != static_cast<size_t>(-1)) {
        if (rc != 0) return std::nullopt;  // an irreversible (lossy) conversion
        if (srcLeft == 0) break;
        continue;
      }
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      return std::nullopt;  // EILSEQ / EINVAL: unconvertible or truncated input
    }
    out.resize(used);
    return out;
  }

 private:
  iconv_t cd_;
};

// iconv descriptors are not thread-safe; one pair per thread keeps them cheap to reuse.
Converter& ToCp932() {
  thread_local Converter c("CP932", "UTF-8");
  return c;
}
Converter& FromCp932() {
  thread_local Converter c("UTF-8", "CP932");
  return c;
}

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
  auto bytes = ToCp932().Run(utf8);
  // Some characters map one way only (U+301C and U+FF5E both become 0x8160): accept a
  // conversion only when it reads back as the same text.
  if (!bytes) return std::nullopt;
  auto back = FromCp932().Run(*bytes);
  if (!back || *back != utf8) return std::nullopt;
  return bytes;
}

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
  return FromCp932().Run(cp932);
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
