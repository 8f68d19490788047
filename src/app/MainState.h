// What the main window shows of its state, decided without Qt: the captions of the
// registered-folder items and labels, and which items, buttons and menus are enabled for
// the current selection and lock state. The window keeps one TMainState, changes it
// through the functions below and paints it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/Settings.h"

namespace verid {

struct TMainState {
  // The registered folders as they were read (ReadFolders), and whether they existed.
  std::array<std::string, kSlotCount> Search, Copy, Move;
  std::array<bool, kSlotCount> SearchExists{}, CopyExists{}, MoveExists{};
  bool Selection = false;  // the list has a current file
  bool Locked = false;     // a catalog or view window runs: the main window waits
  // After an unlock every search button is enabled, also those whose folder is missing,
  // until the folders are read again.
  bool AllFindButtons = false;
  // A preview slide show keeps the show menu during its lock, for its stop item.
  bool ShowMenuKept = false;
};

// A numbered item or widget name: ("mnFind", 3) -> "mnFind3".
inline std::string NumberedName(const char* prefix, int n) {
  return prefix + std::to_string(n);
}

// One menu item as the window paints it.
struct TMainItem {
  std::string Name;
  bool Enabled = true;
  bool HasCaption = false;
  std::string Caption;
};

// Takes the folders from the settings and looks whether they exist.
void ReadFolders(TMainState& state, const AppSettings& settings);
void SetLocked(TMainState& state, bool locked, bool keepShowMenu = false);
// A folder chosen for slot `slot` (1-based) in the properties window: shown at once and
// enabled, as chosen.
enum class TSlotKind { Search, Copy, Move };
void SetSlotFolder(TMainState& state, TSlotKind kind, int slot, const std::string& folder);

// The items whose state depends on the folders and the selection: the folder items of
// each slot (caption and enabled), and the commands that need a current file.
std::vector<TMainItem> MainItems(const TMainState& state);
// The label beside search button `slot` (1-based): the folder, or "未指定".
std::string SlotCaption(const TMainState& state, int slot);
bool FindButtonEnabled(const TMainState& state, int slot);
// The speed buttons and the main pop-up menu.
inline bool CommandsEnabled(const TMainState& state) {
  return !state.Locked;
}
// A menu of the menu bar ("mnFile", "mnShow", ...).
bool TopMenuEnabled(const TMainState& state, const std::string& menu);

// A folder as a menu caption: its display text ("未指定" when empty), with "&" doubled so
// that it is shown rather than taken for a mnemonic.
std::string FolderMenuCaption(const std::string& folder);

}  // namespace verid
