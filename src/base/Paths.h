// Path and name helpers: the only place that knows the path separator. Plain string
// work, no file-system access.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace verid {

// The build says which path style the system has: drive paths with '\\' (where '/' is a
// separator too) or '/' alone.
#ifdef VERID_DRIVE_PATHS
inline constexpr char PathDelim = '\\';
inline constexpr bool IsPathDelim(char c) {
  return c == '\\' || c == '/';
}
#else
inline constexpr char PathDelim = '/';
inline constexpr bool IsPathDelim(char c) {
  return c == '/';
}
#endif

// Length of the valid UTF-8 sequence at the start of `s` and its code point; 0 when the
// bytes there are not one (overlong forms and surrogates included).
size_t DecodeUtf8(std::string_view s, char32_t* code);

// The one way between the program's UTF-8 byte strings and std::filesystem paths. A path
// made from a plain std::string takes the system's code page where that is not UTF-8, so
// Japanese names would break; these go through UTF-8 explicitly. Where paths are bytes,
// names that are not valid UTF-8 keep their bytes both ways; where they are UTF-16, bytes
// that are not UTF-8 name nothing and nothing throws.
std::filesystem::path FsPath(std::string_view utf8);
std::string Utf8Of(const std::filesystem::path& path);

// A path with the system's own separators: where paths have drives, a URL-style
// "/C:/pics" becomes "C:\\pics"; elsewhere the path is returned as it is.
std::string NativePath(std::string path);
// Whether a name holds a separator (and so would name a file elsewhere).
bool HasPathDelim(std::string_view name);
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
// Path without a trailing separator (a root, "/" or "C:\\", stays as it is).
std::string ExcludeTrailingDelim(const std::string& path);
// ASCII lower case (names are UTF-8; other bytes are left alone).
std::string LowerCase(std::string_view text);
// Equal without regard to ASCII case.
bool SameText(std::string_view a, std::string_view b);
// Ordering without regard to ASCII case (then by bytes, so the order is total).
bool LessText(std::string_view a, std::string_view b);

}  // namespace verid
