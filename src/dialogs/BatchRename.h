// What the batch rename dialog decides: the digits check and the renaming of every listed
// file to prefix + serial number + its own extension, in two passes through temporary
// names so that new names may equal old ones. The window only shows it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/FileList.h"
#include "app/Settings.h"

namespace verid {

inline constexpr const char* kBatchRenameCaption = "ﾌｧｲﾙ名の一括変更";
inline constexpr const char* kBatchRenameTooMany = "ﾌｧｲﾙの数が入力した条件を越えています";
inline constexpr const char* kBatchRenameFailed = "次のﾌｧｲﾙは名前を変更できませんでした";
inline constexpr const char* kBatchRenameTempPrefix = "変更中";

// Whether `count` files numbered from `start` fit in `digits` (1 to 3) digits; the last
// number is computed in 16 bits. A negative start never fits.
bool SerialsFit(int count, int32_t start, int digits);
// The last `digits` characters of start + index + 10^digits: 5 with two digits is "05".
std::string SerialText(int32_t start, int index, int digits);

struct BatchRenameRequest {
  std::string Prefix;
  std::string StartText;  // the start field as typed
  int Digits = 2;         // 1 to 3
  // Runs after the first pass (for a look at the folder while every file has its
  // temporary name).
  std::function<void()> BetweenPasses;
};

struct BatchRenameResult {
  bool Done = false;  // false: the dialog stays open
  // Each file that did not get its new name: its name before, and the name it has now.
  struct Failure {
    std::string Before, Now;
  };
  std::vector<Failure> Failed;
  std::string StatusPath;  // status panel 1, empty when nothing is selected
  std::string StatusSize;  // status panel 2
};

// Checks, renames every entry of the list, reads the list again from its folder with the
// search size filter, and selects the entry at the index that was selected. A start text
// that is not a number throws before anything is renamed; too many files are reported
// and change nothing. No file is left with a temporary name: a file that cannot take its
// new name goes back to its old one (or, when that was taken meanwhile, to a free name
// made from it), and the files that failed are named in one error box.
BatchRenameResult BatchRename(FileList& list, const AppSettings& settings, Dialogs& dialogs,
                              const BatchRenameRequest& request);

}  // namespace verid
