// What the copy/move destination dialog shows and does, without the window.
#pragma once

#include <array>
#include <string>

#include "app/FileOps.h"

namespace verid {

inline constexpr const char* kCpyMveCopyCaption = "既存のﾌｫﾙﾀﾞにｺﾋﾟｰ";
inline constexpr const char* kCpyMveMoveCaption = "既存のﾌｫﾙﾀﾞに移動";
inline constexpr const char* kCpyMveCopyButton = "ｺﾋﾟｰ";
inline constexpr const char* kCpyMveMoveButton = "移動";

struct CpyMveState {
  bool Move = false;  // CopyMoveMode 2
  std::string Caption;
  std::string ButtonCaption;
  std::array<std::string, kSlotCount> Labels;  // the folders as stored ("未指定" unset)
  std::array<bool, kSlotCount> Enabled{};      // folder exists and there is a file to act on
};

CpyMveState MakeCpyMveState(const AppSettings& settings, const FileList& list);

// Button `slot` (0-based): copies or moves the current file into that registered folder
// with the usual messages and clash rules.
OpResult RunCpyMveSlot(FileOpEnv env, int slot, const RemovalStep& removal);

}  // namespace verid
