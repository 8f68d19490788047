#include "dialogs/CpyMve.h"

#include "app/Hanyou.h"

namespace verid {

CpyMveState MakeCpyMveState(const AppSettings& settings, const FileList& list) {
  CpyMveState state;
  state.Move = settings.CopyMoveMode == 2;
  state.Caption = state.Move ? kCpyMveMoveCaption : kCpyMveCopyCaption;
  state.ButtonCaption = state.Move ? kCpyMveMoveButton : kCpyMveCopyButton;
  const auto& folders = state.Move ? settings.MoveFolders : settings.CopyFolders;
  // A file that is gone (or none selected) leaves nothing to copy or move.
  bool haveFile = FileExists(list.CurrentFile());
  for (int k = 0; k < kSlotCount; ++k) {
    state.Labels[k] = folders[k];
    state.Enabled[k] = haveFile && DirectoryExists(folders[k]);
  }
  return state;
}

OpResult RunCpyMveSlot(FileOpEnv env, int slot, const RemovalStep& removal) {
  if (slot < 0 || slot >= kSlotCount) return OpResult::Nothing;
  if (env.Settings.CopyMoveMode == 2)
    return MoveToFolder(env, env.Settings.MoveFolders[slot], removal);
  return CopyToFolder(env, env.Settings.CopyFolders[slot]);
}

}  // namespace verid
