// What the rename dialog decides: the proposed name, the checks and the rename itself,
// and the list update. The window only shows it.
#pragma once

#include <string>

#include "app/Dialogs.h"
#include "app/FileList.h"

namespace verid {

inline constexpr const char* kRenameCaption = "ﾌｧｲﾙ名の変更";
inline constexpr const char* kRenamePrompt = "新しいﾌｧｲﾙ名を入力してください｡";
inline constexpr const char* kRenameEmptyMessage = "ﾌｧｲﾙ名を入力してください";
inline constexpr const char* kRenameFailedMessage =
    "変更できません。指定されたﾌｧｲﾙ名は既に存在しています";

// The name box and the extension label for a file: "IMG_01.JPG" gives "IMG_01" and
// ".jpg". A name without a dot has no extension.
struct RenameProposal {
  std::string Base;
  std::string Ext;
};
RenameProposal ProposeRename(const std::string& path);

struct RenameResult {
  bool Renamed = false;    // false: the dialog stays open
  std::string NewPath;     // status panel 1
  std::string StatusSize;  // status panel 2: "1,234 ﾊﾞｲﾄ"
};

// Renames the list's current file to `base` + its lower-cased extension within its
// folder, replaces the entry in place and keeps it selected. An empty name, a name that
// exists or that the file system refuses is reported through `dialogs` and changes
// nothing.
RenameResult ApplyRename(FileList& list, const std::string& base, Dialogs& dialogs);

}  // namespace verid
