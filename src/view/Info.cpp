#include "view/Info.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/Hanyou.h"

namespace verid {

std::string FormatDateTime(const TDateTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %d:%02d:%02d", t.Year, t.Month, t.Day, t.Hour,
                t.Minute, t.Second);
  return text;
}

InfoState FillInfo(const std::string& path, int width, int height, Platform& platform) {
  namespace fs = std::filesystem;
  InfoState state;
  state.FileName = ExtractFileName(path);
  state.Dimensions = width == 0 && height == 0
                         ? std::string(kInfoUnknown)
                         : std::to_string(width) + "×" + std::to_string(height) + kInfoPixelSuffix;
  std::error_code ec;
  const fs::path file = FsPath(path);
  const bool present = fs::is_regular_file(file, ec);
  const auto size = present ? fs::file_size(file, ec) : 0;
  const auto time = present && !ec ? fs::last_write_time(file, ec) : fs::file_time_type{};
  if (!present || ec) {
    state.Size = kInfoUnknown;
    state.Modified = kInfoUnknown;
    return state;
  }
  state.Size = FormatThousands(static_cast<int64_t>(size)) + kInfoByteSuffix;
  using namespace std::chrono;
  const int64_t seconds =
      floor<std::chrono::seconds>(file_clock::to_sys(time)).time_since_epoch().count();
  // The date as a packed file date holds it: local time in steps of two seconds.
  TDateTime local = platform.LocalTime(seconds);
  local.Second -= local.Second % 2;
  state.Modified = FormatDateTime(local);
  return state;
}

}  // namespace verid
