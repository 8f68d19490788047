// Path and name helpers: the only place that knows the path separator. Plain string
// work, no file-system access.
#pragma once

#include <string>
#include <string_view>

namespace verid {

inline constexpr char PathDelim = '/';

// Folder path ending in one separator.
std::string AddSlash(const std::string& path);
// Folder part up to and including the last separator ("" when there is none).
std::string ExtractFilePath(const std::string& path);
// Last component.
std::string ExtractFileName(const std::string& path);
// Extension of the last component with its dot (".jpg"), "" when none.
std::string ExtractFileExt(const std::string& path);
// Replaces (or adds) the extension; ext includes its dot, or is empty to remove it.
std::string ChangeFileExt(const std::string& path, const std::string& ext);
// Folder and name joined by exactly one separator.
std::string JoinPath(const std::string& folder, const std::string& name);
// Path without a trailing separator (the root stays "/").
std::string ExcludeTrailingDelim(const std::string& path);
// ASCII lower case (names are UTF-8; other bytes are left alone).
std::string LowerCase(std::string_view text);
// Equal without regard to ASCII case.
bool SameText(std::string_view a, std::string_view b);
// Ordering without regard to ASCII case (then by bytes, so the order is total).
bool LessText(std::string_view a, std::string_view b);

}  // namespace verid
