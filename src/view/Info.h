// What the image information dialog shows for the current file: its name, its size in
// bytes, the pixel size the opener knows, and its last change.
#pragma once

#include <string>

#include "platform/Platform.h"

namespace verid {

inline constexpr const char* kInfoCaption = "画像情報";
inline constexpr const char* kInfoUnknown = "不明";
inline constexpr const char* kInfoByteSuffix = "ﾊﾞｲﾄ";
inline constexpr const char* kInfoPixelSuffix = "ﾋﾟｸｾﾙ";

struct InfoState {
  std::string FileName;    // Label2
  std::string Size;        // Label4: "1,234,567ﾊﾞｲﾄ"
  std::string Dimensions;  // Label6: "640×480ﾋﾟｸｾﾙ", or "不明" for 0 x 0
  std::string Modified;    // Label8: "2024/03/05 9:07:08"
};

// Reads the file's size and time once. A file that is gone shows "不明" for both.
InfoState FillInfo(const std::string& path, int width, int height, Platform& platform);

// The short date and long time of the Japanese locale: yyyy/mm/dd h:mm:ss.
std::string FormatDateTime(const TDateTime& t);

}  // namespace verid
