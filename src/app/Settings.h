// The one settings record, read from the INI file at start-up and written back at exit.
// The file lives beside the executable when it can, else in the user's config folder.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace verid {

class Platform;

inline constexpr const char* kUnsetFolder = "未指定";
inline constexpr int kSlotCount = 8;

struct AppSettings {
  std::array<std::string, kSlotCount> SearchFolders{kUnsetFolder, kUnsetFolder, kUnsetFolder,
                                                    kUnsetFolder, kUnsetFolder, kUnsetFolder,
                                                    kUnsetFolder, kUnsetFolder};
  uint16_t SearchSizeK = 0;
  std::string SearchRange = "以上";
  std::array<std::string, kSlotCount> CopyFolders = SearchFolders;
  uint16_t CopyClashMode = 0;
  std::array<std::string, kSlotCount> MoveFolders = SearchFolders;
  uint16_t MoveClashMode = 0;
  uint8_t DeleteMethod = 1;
  bool DeleteNoConfirm = false;
  int32_t SlideIntervalMs = 500;
  bool SlideLoop = false;
  bool SlideBackToFirst = false;
  bool SlideShowCaption = true;
  uint8_t CatalogThumbSize = 80;
  int32_t PreviewColor = 16777215;
  int32_t FullScreenColor = 0;
  int32_t FullSlideColor = 0;
  bool ToolBarVisible = true;
  std::string OpenDir;
  std::string SaveDir;
  std::string CatarogDir;
  int8_t CacheVersion = 0;
  int8_t CacheKinds = 0;
  uint16_t CacheSizeK = 0;
  std::string CacheRange = "以上";
  bool FirstRunHint = true;
  uint8_t JpegQuality = 80;
  int8_t PngCompressLevel = -1;
  uint8_t ConvertTarget = 0;

  // Run-time values, never saved.
  std::string OtherFolder;
  int CopyMoveMode = 1;  // 1 copy, 2 move
  int ConvertKind = 0;   // 0..5
  // The batch conversion's folder, ending in a separator.
  std::string ConvertDestination;

  // Fills every field from the file (defaults for what is missing or unreadable).
  void Load(const std::string& iniPath);
  // Writes every field; throws
  // std::runtime_error("<path> に書き込めません") when a key cannot be written.
  void Save(const std::string& iniPath) const;
};

// The executable's path with its extension replaced by ".ini" (".ini" appended when the
// name has no extension).
std::string SettingsPathFor(const std::string& executablePath);

// Where the settings file lives. Beside the executable when that file exists or its
// folder can be written (a portable copy keeps everything in its folder), and also when
// `userConfigFolder` is empty; otherwise "<userConfigFolder>/verid/verid.ini".
std::string ChooseSettingsPath(const std::string& executablePath, bool besideExists,
                               bool folderWritable, const std::string& userConfigFolder);
// The same, with the facts taken from the file system and the platform.
std::string LocateSettings(Platform& platform);
// Before a save: makes the folder of a settings file in the user's config folder, which
// need not exist before the first exit. The program's own folder is never made.
void MakeSettingsFolder(const std::string& iniPath, Platform& platform);

}  // namespace verid
