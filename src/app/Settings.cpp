#include "app/Settings.h"

#include <filesystem>
#include <system_error>

#include "app/Hanyou.h"
#include "app/IniFile.h"
#include "base/Stream.h"
#include "platform/Platform.h"

namespace verid {
namespace {

constexpr const char* kSlotKeys[kSlotCount] = {"1", "2", "3", "4", "5", "6", "7", "8"};

// Numbers are cut to the field's width: the low 8 or 16 bits, read as the field's type.
uint8_t ReadU8(const TIniFile& ini, const char* s, const char* k, uint8_t def) {
  return static_cast<uint8_t>(ini.ReadInteger(s, k, def));
}
int8_t ReadS8(const TIniFile& ini, const char* s, const char* k, int8_t def) {
  return static_cast<int8_t>(static_cast<uint8_t>(ini.ReadInteger(s, k, def)));
}
uint16_t ReadU16(const TIniFile& ini, const char* s, const char* k, uint16_t def) {
  return static_cast<uint16_t>(ini.ReadInteger(s, k, def));
}

void ReadSlots(const TIniFile& ini, const char* section,
               std::array<std::string, kSlotCount>& slots) {
  for (int i = 0; i < kSlotCount; ++i)
    slots[i] = ini.ReadString(section, kSlotKeys[i], kUnsetFolder);
}

void WriteSlots(TIniFile& ini, const char* section,
                const std::array<std::string, kSlotCount>& slots) {
  for (int i = 0; i < kSlotCount; ++i) ini.WriteString(section, kSlotKeys[i], slots[i]);
}

}  // namespace

void AppSettings::Load(const std::string& iniPath) {
  TIniFile ini(iniPath);
  const AppSettings def;

  ReadSlots(ini, "指定検索", SearchFolders);
  SearchSizeK = ReadU16(ini, "指定検索", "サイズ", def.SearchSizeK);
  SearchRange = ini.ReadString("指定検索", "範囲", def.SearchRange);
  ReadSlots(ini, "コピー", CopyFolders);
  CopyClashMode = ReadU16(ini, "コピー", "上書き", def.CopyClashMode);
  ReadSlots(ini, "移動", MoveFolders);
  MoveClashMode = ReadU16(ini, "移動", "上書き", def.MoveClashMode);
  DeleteMethod = ReadU8(ini, "削除", "方法", def.DeleteMethod);
  DeleteNoConfirm = ini.ReadBool("削除", "確認", def.DeleteNoConfirm);
  SlideIntervalMs = ini.ReadInteger("連続表示", "間隔", def.SlideIntervalMs);
  SlideLoop = ini.ReadBool("連続表示", "Roup", def.SlideLoop);
  SlideBackToFirst = ini.ReadBool("連続表示", "終了時", def.SlideBackToFirst);
  SlideShowCaption = ini.ReadBool("連続表示", "Caption", def.SlideShowCaption);
  CatalogThumbSize = ReadU8(ini, "ｶﾀﾛｸﾞ", "Size", def.CatalogThumbSize);
  PreviewColor = ini.ReadInteger("Color", "Preview", def.PreviewColor);
  FullScreenColor = ini.ReadInteger("Color", "FulScreen", def.FullScreenColor);
  FullSlideColor = ini.ReadInteger("Color", "FulSlide", def.FullSlideColor);
  ToolBarVisible = ini.ReadBool("ToolBar", "表示", def.ToolBarVisible);
  OpenDir = ini.ReadString("I/ODialog", "OpenDir", def.OpenDir);
  SaveDir = ini.ReadString("I/ODialog", "SaveDir", def.SaveDir);
  CatarogDir = ini.ReadString("I/ODialog", "CatarogDir", def.CatarogDir);
  CacheVersion = ReadS8(ini, "IE", "Version", def.CacheVersion);
  CacheKinds = ReadS8(ini, "IE", "Ext", def.CacheKinds);
  CacheSizeK = ReadU16(ini, "IE", "サイズ", def.CacheSizeK);
  CacheRange = ini.ReadString("IE", "範囲", def.CacheRange);
  FirstRunHint = ini.ReadBool("Property", "Info", def.FirstRunHint);
  JpegQuality = ReadU8(ini, "Convert", "JpegQuality", def.JpegQuality);
  PngCompressLevel = ReadS8(ini, "Convert", "PngCompresslevel", def.PngCompressLevel);
  ConvertTarget = ReadU8(ini, "Convert", "FileProperty", def.ConvertTarget);
}

void AppSettings::Save(const std::string& iniPath) const {
  // The keys are set in the document in table order and the file is then replaced in one
  // step: a key that cannot be written fails the whole save and the old file stays.
  TIniFile ini(iniPath);

  WriteSlots(ini, "指定検索", SearchFolders);
  ini.WriteInteger("指定検索", "サイズ", SearchSizeK);
  ini.WriteString("指定検索", "範囲", SearchRange);
  WriteSlots(ini, "コピー", CopyFolders);
  ini.WriteInteger("コピー", "上書き", CopyClashMode);
  WriteSlots(ini, "移動", MoveFolders);
  ini.WriteInteger("移動", "上書き", MoveClashMode);
  ini.WriteInteger("削除", "方法", DeleteMethod);
  ini.WriteBool("削除", "確認", DeleteNoConfirm);
  ini.WriteInteger("連続表示", "間隔", SlideIntervalMs);
  ini.WriteBool("連続表示", "Roup", SlideLoop);
  ini.WriteBool("連続表示", "終了時", SlideBackToFirst);
  ini.WriteBool("連続表示", "Caption", SlideShowCaption);
  ini.WriteInteger("ｶﾀﾛｸﾞ", "Size", CatalogThumbSize);
  ini.WriteInteger("Color", "Preview", PreviewColor);
  ini.WriteInteger("Color", "FulScreen", FullScreenColor);
  ini.WriteInteger("Color", "FulSlide", FullSlideColor);
  ini.WriteBool("ToolBar", "表示", ToolBarVisible);
  ini.WriteString("I/ODialog", "OpenDir", OpenDir);
  ini.WriteString("I/ODialog", "SaveDir", SaveDir);
  ini.WriteString("I/ODialog", "CatarogDir", CatarogDir);
  ini.WriteInteger("IE", "Version", CacheVersion);
  ini.WriteInteger("IE", "Ext", CacheKinds);
  ini.WriteInteger("IE", "サイズ", CacheSizeK);
  ini.WriteString("IE", "範囲", CacheRange);
  ini.WriteBool("Property", "Info", FirstRunHint);
  ini.WriteInteger("Convert", "JpegQuality", JpegQuality);
  ini.WriteInteger("Convert", "PngCompresslevel", PngCompressLevel);
  ini.WriteInteger("Convert", "FileProperty", ConvertTarget);

  ini.UpdateFile();
}

std::string SettingsPathFor(const std::string& executablePath) {
  return ChangeFileExt(executablePath, ".ini");
}

std::string ChooseSettingsPath(const std::string& executablePath, bool besideExists,
                               bool folderWritable, const std::string& userConfigFolder) {
  if (besideExists || folderWritable || userConfigFolder.empty())
    return SettingsPathFor(executablePath);
  return JoinPath(JoinPath(userConfigFolder, "verid"), "verid.ini");
}

void MakeSettingsFolder(const std::string& iniPath, Platform& platform) {
  if (iniPath == SettingsPathFor(platform.ExecutablePath())) return;
  // A failure shows up as the save's own error.
  std::error_code ec;
  std::filesystem::create_directories(ExtractFilePath(iniPath), ec);
}

std::string LocateSettings(Platform& platform) {
  const std::string exe = platform.ExecutablePath();
  const std::string beside = SettingsPathFor(exe);
  std::error_code ec;
  // A link counts even when it dangles: a save writes through it.
  const bool exists = std::filesystem::exists(std::filesystem::symlink_status(beside, ec));
  return ChooseSettingsPath(exe, exists, FolderWritable(ExcludeTrailingDelim(ExtractFilePath(exe))),
                            platform.UserConfigFolder());
}

}  // namespace verid
