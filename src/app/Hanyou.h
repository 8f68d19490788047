// General utilities shared by every window: placement, rounding, number text, sizes,
// waits, shortcuts; the path helpers come with it from base/Paths.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Paths.h"
#include "platform/Platform.h"

namespace verid {

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

bool FileExists(const std::string& path);       // a regular file (or link to one)
bool DirectoryExists(const std::string& path);  // a folder (or link to one)
// Folder of the running executable, with a trailing separator.
std::string ProgramFolder(Platform& platform);

}  // namespace verid
