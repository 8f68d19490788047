// Conversion between the program's UTF-8 text and CP932 (Microsoft's Shift-JIS table),
// the encoding of the INI file and of catalog files. Conversions are strict: a character
// the other side cannot hold makes the conversion fail instead of being dropped or
// replaced, so the caller decides what to do with it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace verid {

// CP932 bytes of UTF-8 text; nullopt when the text is not valid UTF-8 or holds a
// character CP932 has no code for (or only a one-way code, so it would not read back).
std::optional<std::string> Utf8ToCp932(std::string_view utf8);
// UTF-8 text of CP932 bytes; nullopt when the bytes are not valid CP932.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);

bool IsValidUtf8(std::string_view bytes);
// Whether a byte starts a double-byte character in CP932.
inline bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Text for showing a name whose encoding is unknown (file names are kept as the bytes
// the file system gave): UTF-8 when valid, else CP932 when valid, else UTF-8 with
// U+FFFD in place of every byte that does not belong to a valid sequence.
std::string DisplayText(std::string_view bytes);
// UTF-8 with invalid bytes replaced by U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

}  // namespace verid
