// UTF-8 <-> UTF-16 for the Win32 calls, the system's error texts and the CP932 tables.
// Built into the base library with the file calls.
#include "platform/windows/WinText.h"

#include <windows.h>

#include "base/Codepage.h"
#include "base/Stream.h"

namespace verid {

namespace win {

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), n);
  return out;
}

std::string Narrow(const wchar_t* text, int length) {
  if (!text || length == 0) return {};
  if (length < 0) length = static_cast<int>(::wcslen(text));
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

std::string ErrorText(unsigned long code) {
  wchar_t* buffer = nullptr;
  DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = n && buffer ? Narrow(buffer, static_cast<int>(n)) : std::string();
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  if (text.empty()) text = "error " + std::to_string(code);
  return text;
}

}  // namespace win

// The system's own CP932 table (code page 932 is Microsoft's Shift-JIS).
std::optional<std::string> SystemUtf8ToCp932(std::string_view utf8) {
  if (utf8.empty()) return std::string();
  const int size = static_cast<int>(utf8.size());
  int wn = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (wn <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(wn), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), wn);
  BOOL lossy = FALSE;
  int n = ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), wn, nullptr, 0, nullptr,
                                &lossy);
  if (n <= 0 || lossy) return std::nullopt;
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), wn, out.data(), n, nullptr, &lossy);
  if (lossy) return std::nullopt;
  return out;
}

std::optional<std::string> SystemCp932ToUtf8(std::string_view cp932) {
  if (cp932.empty()) return std::string();
  const int size = static_cast<int>(cp932.size());
  int wn = ::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, cp932.data(), size, nullptr, 0);
  if (wn <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(wn), L'\0');
  ::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, cp932.data(), size, wide.data(), wn);
  return win::Narrow(wide);
}

std::string SystemErrorText(int code) {
  return win::ErrorText(static_cast<unsigned long>(code));
}

}  // namespace verid
