#include "app/MainState.h"

#include "app/Cp932.h"
#include "app/Hanyou.h"

namespace verid {

namespace {

// The commands that need a current file.
constexpr const char* kSelectionCommands[] = {
    "mnRename",    "mnAllRename",  "mnCopy",       "mnAllCopy",     "mnGoTo",        "mnAllGoto",
    "mnDel",       "mnAlldel",     "mnAllConvert", "mnRealSize",    "mnFitToScreen", "mnFulScreen",
    "mnSlideShow", "mnSlide_Thum", "mnSlide_Ful",  "mnCatarogMake", "mnPrev",        "mnNext",
    "mnFirst",     "mnLast",       "mnWallPaper",  "mnInfo",        "mnConvert",     "pmRename",
    "pmCopy",      "pmGoTo",       "pmDel",        "pmReal",        "pmScrnFit",     "pmFul",
    "pmCatarog",   "pmSlideShow",
};

// A registered folder as shown: its display text, or "未指定" when none is set.
std::string FolderText(const std::string& folder) {
  return DisplayText(folder.empty() ? std::string(kUnsetFolder) : folder);
}

}  // namespace

void ReadFolders(TMainState& state, const AppSettings& settings) {
  for (size_t i = 0; i < size_t(kSlotCount); ++i) {
    state.Search[i] = settings.SearchFolders[i];
    state.Copy[i] = settings.CopyFolders[i];
    state.Move[i] = settings.MoveFolders[i];
    state.SearchExists[i] = DirectoryExists(state.Search[i]);
    state.CopyExists[i] = DirectoryExists(state.Copy[i]);
    state.MoveExists[i] = DirectoryExists(state.Move[i]);
  }
  state.AllFindButtons = false;
}

void SetLocked(TMainState& state, bool locked, bool keepShowMenu) {
  state.Locked = locked;
  state.ShowMenuKept = locked && keepShowMenu;
  if (!locked) state.AllFindButtons = true;
}

void SetSlotFolder(TMainState& state, TSlotKind kind, int slot, const std::string& folder) {
  const size_t i = size_t(slot - 1);
  switch (kind) {
    case TSlotKind::Search:
      state.Search[i] = folder;
      state.SearchExists[i] = true;
      break;
    case TSlotKind::Copy:
      state.Copy[i] = folder;
      state.CopyExists[i] = true;
      break;
    case TSlotKind::Move:
      state.Move[i] = folder;
      state.MoveExists[i] = true;
      break;
  }
}

std::vector<TMainItem> MainItems(const TMainState& state) {
  std::vector<TMainItem> items;
  auto add = [&](std::string name, bool enabled, const std::string& folder) {
    items.push_back(TMainItem{std::move(name), enabled, true, FolderMenuCaption(folder)});
  };
  for (int n = 1; n <= kSlotCount; ++n) {
    const size_t i = size_t(n - 1);
    add(NumberedName("mnFind", n), state.SearchExists[i], state.Search[i]);
    for (const char* prefix : {"mnCpys", "pmCopys", "mnAllCopy"})
      add(NumberedName(prefix, n), state.CopyExists[i], state.Copy[i]);
    for (const char* prefix : {"mnGoTos", "pmGoTos", "mnAllGoto"})
      add(NumberedName(prefix, n), state.MoveExists[i], state.Move[i]);
  }
  for (const char* name : kSelectionCommands)
    items.push_back(TMainItem{name, state.Selection, false, {}});
  return items;
}

std::string SlotCaption(const TMainState& state, int slot) {
  return FolderText(state.Search[size_t(slot - 1)]);
}

bool TopMenuEnabled(const TMainState& state, const std::string& menu) {
  return !state.Locked || (state.ShowMenuKept && menu == "mnShow");
}

bool FindButtonEnabled(const TMainState& state, int slot) {
  if (state.Locked) return false;
  return state.AllFindButtons || state.SearchExists[size_t(slot - 1)];
}

std::string FolderMenuCaption(const std::string& folder) {
  const std::string text = FolderText(folder);
  std::string caption;
  for (char c : text) {
    caption += c;
    if (c == '&') caption += '&';
  }
  return caption;
}

}  // namespace verid
