#include "dialogs/Prpty.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <system_error>

#include "app/FileOps.h"
#include "app/FolderSearch.h"
#include "app/Hanyou.h"

namespace verid {

namespace {

std::string Shown(const std::string& folder) {
  return folder.empty() ? std::string(kUnsetFolder) : folder;
}

// The range word a range button's caption stands for.
std::string RangeOf(const std::string& caption) {
  return caption == kRangeAtLeast ? kRangeAtLeast : kRangeAtMost;
}

DirectoryRequest FolderRequest(const std::string& start) {
  AppSettings plain;
  plain.OtherFolder = start;
  return OtherFolderRequest(plain);
}

}  // namespace

PrptyState FillPrpty(const AppSettings& s) {
  PrptyState st;
  for (size_t i = 0; i < kSlotCount; ++i) {
    st.SearchEdits[i] = Shown(s.SearchFolders[i]);
    st.CopyEdits[i] = s.CopyFolders[i];
    st.MoveEdits[i] = s.MoveFolders[i];
  }
  st.FSizeEdit = std::to_string(s.SearchSizeK);
  st.Button1 = s.SearchRange;
  st.IERadio = s.CacheVersion == 4 ? 0 : s.CacheVersion == 5 ? 1 : -1;
  st.ExtRadio = s.CacheKinds >= 0 && s.CacheKinds <= 2 ? s.CacheKinds : -1;
  st.FSizeEdit2 = std::to_string(s.CacheSizeK);
  st.Button2 = s.CacheRange;
  st.CopyUwagaki = s.CopyClashMode <= 1 ? s.CopyClashMode : -1;
  st.GotoUwagaki = s.MoveClashMode <= 1 ? s.MoveClashMode : -1;
  st.SlideEdit = IntervalText(s.SlideIntervalMs);
  st.RoupCheck = s.SlideLoop;
  st.SlideEndCheck = s.SlideBackToFirst;
  st.CaptionCheck = !s.SlideShowCaption;
  st.DelRadio = s.DeleteMethod == 1 ? 0 : s.DeleteMethod == 2 ? 1 : -1;
  st.DlgCheBox3 = s.DeleteNoConfirm;
  st.CatarogGroup = 1;
  for (int i = 0; i < 4; ++i)
    if (s.CatalogThumbSize == kCatalogSizes[i]) st.CatarogGroup = i;
  st.PreviewColor = s.PreviewColor;
  st.FullColor = s.FullScreenColor;
  st.FullSlideColor = s.FullSlideColor;
  st.CompTrackBar = JpegTrackPosition(s.JpegQuality > 100 ? 100 : s.JpegQuality);
  if (s.PngCompressLevel == -1) {
    SetZlibStandard(st, true);
  } else {
    SetZlibStandard(st, false);
    st.PngTrackBar = s.PngCompressLevel < 0 ? 0 : s.PngCompressLevel > 9 ? 9 : s.PngCompressLevel;
  }
  st.ConvertGroup = s.ConvertTarget <= 1 ? s.ConvertTarget : -1;
  return st;
}

bool SizeKeyAccepted(char32_t ch) {
  return (ch >= U'0' && ch <= U'9') || ch == U'\b';
}

bool IntervalKeyAccepted(char32_t ch, int length) {
  if (ch == U'\b') return true;
  if (!((ch >= U'0' && ch <= U'9') || ch == U'.')) return false;
  return length < 4;
}

std::string StepSize(const std::string& text, bool up) {
  int64_t value = static_cast<int64_t>(StrToInt(text)) + (up ? 5 : -5);
  if (value < 0) return "0";
  if (value >= 1000) return "999";
  return std::to_string(value);
}

std::string StepInterval(const std::string& text, bool up) {
  double value = StrToFloat(text) + (up ? 0.1 : -0.1);
  if (RoundEven(value * 10) < 0) return "0.0";
  if (RoundEven(value * 10) > 9990) return "999";
  // Four significant digits, then one decimal.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3e", value);
  std::snprintf(buf, sizeof buf, "%.1f", std::strtod(buf, nullptr));
  return buf;
}

std::string ToggleRange(const std::string& caption) {
  if (caption == kRangeAtLeast) return kRangeAtMost;
  if (caption == kRangeAtMost) return kRangeAtLeast;
  return caption;
}

int JpegTrackPosition(int position) {
  return position == 0 ? 1 : position;
}

void SetZlibStandard(PrptyState& state, bool checked) {
  state.ZlibStandard = checked;
  if (!checked) state.PngTrackBar = kPngLevelOnUncheck;
}

std::string IntervalText(int32_t ms) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, ms / 1000.0, std::chars_format::fixed);
  return ec == std::errc() ? std::string(buf, end) : std::to_string(ms / 1000);
}

int32_t IntervalMs(const std::string& text) {
  long double product = static_cast<long double>(StrToFloat(text)) * 1000.0L;
  // A decimal text is exact in milliseconds: 0.3 gives 300, not 299.
  long double nearest = std::nearbyint(product);
  if (std::fabs(product - nearest) <= 1e-9L * (1.0L + std::fabs(nearest))) product = nearest;
  product = std::trunc(product);
  if (product < std::numeric_limits<int32_t>::min() ||
      product > std::numeric_limits<int32_t>::max())
    throw std::runtime_error("'" + text + "' は数値ではありません");
  return static_cast<int32_t>(product);
}

std::optional<std::string> BrowseSearchFolder(Dialogs& dialogs, const std::string& start) {
  std::optional<std::string> chosen = dialogs.SelectDirectory(FolderRequest(start));
  if (!chosen || !DirectoryExists(*chosen)) return std::nullopt;
  return chosen;
}

std::optional<std::string> BrowseTargetFolder(Dialogs& dialogs, const std::string& start) {
  std::optional<std::string> chosen = dialogs.SelectDirectory(FolderRequest(start));
  if (!chosen || chosen->empty()) return std::nullopt;
  if (!DirectoryExists(*chosen)) {
    if (!dialogs.ConfirmYesNo(kCreateFolderQuestion)) return std::nullopt;
    std::error_code ec;
    std::filesystem::create_directories(FsPath(*chosen), ec);
    if (!DirectoryExists(*chosen)) {
      dialogs.Error(kCreateFolderFailed);
      return std::nullopt;
    }
  }
  return AddSlash(*chosen);
}

void ApplyPrpty(const PrptyState& st, AppSettings& s, const PrptyHost& host) {
  // 1. Search slots given an existing folder.
  for (size_t i = 0; i < kSlotCount; ++i) {
    if (!DirectoryExists(st.SearchEdits[i])) continue;
    s.SearchFolders[i] = st.SearchEdits[i];
    if (host.SearchSlot) host.SearchSlot(static_cast<int>(i) + 1, st.SearchEdits[i]);
  }
  // 2. Sizes: a typed value keeps its low 16 bits.
  s.SearchSizeK = static_cast<uint16_t>(StrToInt(st.FSizeEdit));
  s.CacheSizeK = static_cast<uint16_t>(StrToInt(st.FSizeEdit2));
  // 3. Ranges.
  s.SearchRange = RangeOf(st.Button1);
  s.CacheRange = RangeOf(st.Button2);
  // 4, 5. Copy and move slots.
  for (size_t i = 0; i < kSlotCount; ++i) {
    if (!DirectoryExists(st.CopyEdits[i])) continue;
    s.CopyFolders[i] = st.CopyEdits[i];
    if (host.CopySlot) host.CopySlot(static_cast<int>(i) + 1, st.CopyEdits[i]);
  }
  if (st.CopyUwagaki >= 0) s.CopyClashMode = static_cast<uint16_t>(st.CopyUwagaki);
  for (size_t i = 0; i < kSlotCount; ++i) {
    if (!DirectoryExists(st.MoveEdits[i])) continue;
    s.MoveFolders[i] = st.MoveEdits[i];
    if (host.MoveSlot) host.MoveSlot(static_cast<int>(i) + 1, st.MoveEdits[i]);
  }
  if (st.GotoUwagaki >= 0) s.MoveClashMode = static_cast<uint16_t>(st.GotoUwagaki);
  // 6. Slide show.
  s.SlideIntervalMs = IntervalMs(st.SlideEdit);
  s.SlideLoop = st.RoupCheck;
  s.SlideBackToFirst = st.SlideEndCheck;
  s.SlideShowCaption = !st.CaptionCheck;
  // 7. Colours.
  s.PreviewColor = st.PreviewColor;
  s.FullScreenColor = st.FullColor;
  s.FullSlideColor = st.FullSlideColor;
  // 8. Delete.
  s.DeleteNoConfirm = st.DlgCheBox3;
  if (st.DelRadio == 0 || st.DelRadio == 1) s.DeleteMethod = static_cast<uint8_t>(st.DelRadio + 1);
  // 9. Catalog.
  if (st.CatarogGroup >= 0 && st.CatarogGroup < 4)
    s.CatalogThumbSize = static_cast<uint8_t>(kCatalogSizes[st.CatarogGroup]);
  // 10. Browser cache.
  s.CacheVersion = static_cast<int8_t>(st.IERadio == 0 ? 4 : st.IERadio == 1 ? 5 : 0);
  if (st.ExtRadio >= 0 && st.ExtRadio <= 2) s.CacheKinds = static_cast<int8_t>(st.ExtRadio);
  // 11. Conversion.
  s.JpegQuality = static_cast<uint8_t>(st.CompTrackBar);
  if (st.ConvertGroup == 0 || st.ConvertGroup == 1)
    s.ConvertTarget = static_cast<uint8_t>(st.ConvertGroup);
  s.PngCompressLevel = static_cast<int8_t>(st.ZlibStandard ? -1 : st.PngTrackBar);
  // 12. The settings file, then the preview in the new colour.
  if (host.SaveSettings) host.SaveSettings();
  if (host.RefreshPreview) host.RefreshPreview();
}

}  // namespace verid
