// The system's tables for CP932 (Microsoft's Shift-JIS). Raw conversions: app/Cp932 adds
// the checks that make them strict both ways.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace verid {

// CP932 bytes of UTF-8 text; nullopt when a character has no code or the input is bad.
std::optional<std::string> SystemUtf8ToCp932(std::string_view utf8);
// UTF-8 of CP932 bytes; nullopt when the bytes are not valid CP932.
std::optional<std::string> SystemCp932ToUtf8(std::string_view cp932);

}  // namespace verid
