// What the properties dialog decides: the controls' values filled from the settings, the
// step buttons, key filters and toggles, and the OK steps that write the values back in
// their order. The window paints a PrptyState and forwards its controls' input here.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/Dialogs.h"
#include "app/Settings.h"
#include "base/Types.h"
#include "catalog/CatalogBuild.h"

namespace verid {

inline constexpr const char* kPrptyCaption = "ﾌﾟﾛﾊﾟﾃｨ";
inline constexpr const char* kRangeHint = "ﾎﾞﾀﾝを押すごとに表示が変化";
inline constexpr int kPngLevelOnUncheck = 6;

struct PrptyState {
  std::array<std::string, kSlotCount> SearchEdits, CopyEdits, MoveEdits;
  std::string FSizeEdit, FSizeEdit2;  // search and cache size, in thousands of bytes
  std::string Button1, Button2;       // "以上" / "以下"
  int CopyUwagaki = 0, GotoUwagaki = 0;
  int IERadio = -1;  // -1 none, 0 "IE4.0X", 1 "IE5.0"
  int ExtRadio = 0;
  int DelRadio = 0;  // -1 none
  bool DlgCheBox3 = false;
  std::string SlideEdit;  // seconds
  bool RoupCheck = false, SlideEndCheck = false, CaptionCheck = false;
  int CatarogGroup = 1;
  TColor PreviewColor = 0, FullColor = 0, FullSlideColor = 0;
  int CompTrackBar = 80;  // 1..100
  bool ZlibStandard = true;
  int PngTrackBar = kPngLevelOnUncheck;  // 0..9
  int ConvertGroup = 0;
};

// The controls filled from the settings (the search edits show what the slot labels
// show: "未指定" for an unset slot).
PrptyState FillPrpty(const AppSettings& settings);

// --- editing rules ----------------------------------------------------------------------
// Size fields take digits and Backspace; the interval field also "."; other typed
// characters are dropped. `length` is the interval text's length without the selection:
// at most four characters can be typed.
bool SizeKeyAccepted(char32_t ch);
bool IntervalKeyAccepted(char32_t ch, int length);
// A step of the size fields: +-5, clamped to 0..999. Throws for a text that is not a number.
std::string StepSize(const std::string& text, bool up);
// A step of the interval field: +-0.1 with one decimal, "0.0" below 0 and "999" above 999.
std::string StepInterval(const std::string& text, bool up);
// "以上" <-> "以下"; any other caption stays.
std::string ToggleRange(const std::string& caption);
// The JPEG quality bar never rests at 0.
int JpegTrackPosition(int position);
// The "ZLIB標準" check box's rule: unchecking puts the level bar at 6.
void SetZlibStandard(PrptyState& state, bool checked);
// Seconds as the shortest decimal text: 500 ms gives "0.5", 2000 gives "2".
std::string IntervalText(int32_t ms);
// The interval text in milliseconds, exact for a decimal text. Throws when not a number.
int32_t IntervalMs(const std::string& text);

// --- the "…" buttons --------------------------------------------------------------------
// A search folder: the directory dialog at `start`; an existing folder as the dialog
// gives it, nothing otherwise (no folder is created here).
std::optional<std::string> BrowseSearchFolder(Dialogs& dialogs, const std::string& start);
// A copy or move folder: a typed folder that does not exist is created after asking;
// the result ends in a separator.
std::optional<std::string> BrowseTargetFolder(Dialogs& dialogs, const std::string& start);

// --- OK ---------------------------------------------------------------------------------
// What the main window does as the steps go: a search slot got an existing folder
// (caption, button and menu item enabled), a copy or move slot did (its menu items);
// then, after the settings, the file is written and the preview refreshed.
struct PrptyHost {
  std::function<void(int slot, const std::string&folder)> SearchSlot, CopySlot, MoveSlot;
  std::function<void()> SaveSettings, RefreshPreview;
};
// The steps in their order. A size or interval text that is not a number throws at its
// step; the steps before it stay applied.
void ApplyPrpty(const PrptyState& state, AppSettings& settings, const PrptyHost& host);

}  // namespace verid
