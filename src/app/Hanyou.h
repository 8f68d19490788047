// General utilities shared by every window: placement, rounding, number text, path
// helpers (the only place that knows the path separator), sizes, waits, shortcuts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace verid {

inline constexpr char PathDelim = '/';

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
int RoundEven(double x);

struct TFitRect {
  uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TFitRect&) const = default;
};
// Places a W x H picture in a CW x CH box; a picture never grows.
TFitRect FitRect(uint16_t w, uint16_t h, uint16_t cw, uint16_t ch);

// 1234567 -> "1,234,567".
std::string FormatThousands(int64_t n);
// Number fields as the user typed them: blanks around the number are allowed, anything
// else that is not a number throws std::runtime_error with a message for the user.
int32_t StrToInt(const std::string& text);
double StrToFloat(const std::string& text);

// Folder path ending in one separator.
std::string AddSlash(const std::string& path);
// The last n characters (UTF-8 code points) of text; all of it when shorter.
std::string RightStr(const std::string& text, int n);
// The path with its last component as the directory holds it (matched without regard to
// case when the exact name is absent); the folder part alone when nothing matches.
std::string LongName(const std::string& path);
// Size of a file in bytes; 0 for a missing file.
int64_t FileSizeOf(const std::string& path);

// Waits at least ms milliseconds while window events are handled; never spins a core.
void Delay(Platform& platform, uint32_t ms);
void HideTaskBar(Platform& platform);
void ShowTaskBar(Platform& platform);
// Creates (replaces) the program's shortcut on the desktop or in the "send to" place.
void CreateShortcut(Platform& platform, ShortcutPlace place);

// --- path helpers ----------------------------------------------------------------------
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
bool FileExists(const std::string& path);       // a regular file (or link to one)
bool DirectoryExists(const std::string& path);  // a folder (or link to one)
// Folder of the running executable, with a trailing separator.
std::string ProgramFolder(Platform& platform);

}  // namespace verid
