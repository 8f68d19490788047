// CP932 through glibc's iconv ("CP932" is Microsoft's table; "SHIFT_JIS" would map 0x5C to
// the yen sign). Built into the base library.
#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "base/Codepage.h"
#include "base/Stream.h"

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

}  // namespace

// iconv descriptors are not thread-safe; one pair per thread keeps them cheap to reuse.
std::optional<std::string> SystemUtf8ToCp932(std::string_view utf8) {
  thread_local Converter c("CP932", "UTF-8");
  return c.Run(utf8);
}

std::optional<std::string> SystemCp932ToUtf8(std::string_view cp932) {
  thread_local Converter c("UTF-8", "CP932");
  return c.Run(cp932);
}

std::string SystemErrorText(int code) {
  return std::strerror(code);
}

}  // namespace verid
