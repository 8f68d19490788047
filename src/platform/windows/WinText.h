// The boundary between the program's UTF-8 strings and the UTF-16 of the Win32 calls.
#pragma once

#include <string>
#include <string_view>

namespace verid::win {

// UTF-16 of UTF-8 text; bytes that are not UTF-8 become U+FFFD.
std::wstring Wide(std::string_view utf8);
// UTF-8 of UTF-16 text (up to `length` units, or up to the first NUL when negative).
std::string Narrow(const wchar_t* text, int length = -1);
inline std::string Narrow(const std::wstring& text) {
  return Narrow(text.c_str(), static_cast<int>(text.size()));
}
// The system's reason for a Win32 error code, in UTF-8, without the line break.
std::string ErrorText(unsigned long code);

}  // namespace verid::win
