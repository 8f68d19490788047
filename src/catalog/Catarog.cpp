#include "catalog/Catarog.h"

#include <algorithm>

#include "app/Browse.h"
#include "app/Hanyou.h"
#include "imaging/Graphic.h"

namespace verid {

namespace {

std::string Slot(const char* prefix, int n) {
  return prefix + std::to_string(n);
}

constexpr const char* kConvertItems[6] = {"mnCConvertBtoJ", "mnCConvertBtoP", "mnCConvertJtoB",
                                          "mnCConvertJtoP", "mnCConvertPtoB", "mnCConvertPtoJ"};

// Enabled only while a catalog entry is selected.
constexpr const char* kSelectionItems[] = {
    "mnCRename", "mnCCopy", "mnCMove",   "mnCDel",  "mnCReal",   "mnCFit",  "mnCFul",  "mnCPrev",
    "mnCNext",   "mnCInfo", "mnCWPaper", "pmCReal", "pmCRename", "pmCCopy", "pmCMove", "pmCDel"};

}  // namespace

CatalogFolders CatalogFoldersFor(const ViewOwner& owner) {
  CatalogFolders folders;
  for (size_t k = 0; k < size_t(kSlotCount); ++k) {
    folders.CopyCaptions[k] = owner.CopyCaptions[k];
    folders.MoveCaptions[k] = owner.MoveCaptions[k];
    folders.CopyExists[k] = DirectoryExists(owner.CopyCaptions[k]);
    folders.MoveExists[k] = DirectoryExists(owner.MoveCaptions[k]);
  }
  return folders;
}

bool CatalogMenuState::IsEnabled(const std::string& item) const {
  auto it = Enabled.find(item);
  return it == Enabled.end() || it->second;
}

CatalogMenuState CatalogMenus(const CatalogFolders& folders, const CatalogState& state,
                              bool selected) {
  CatalogMenuState menus;
  menus.TopMenus = !state.MenusHidden;
  menus.Popup = !state.PopupOff;
  for (const char* item : kSelectionItems) menus.Enabled[item] = selected;
  for (int n = 1; n <= kSlotCount; ++n) {
    const size_t k = size_t(n - 1);
    for (const char* prefix : {"mnCCpy", "pmCCpy"}) {
      menus.Enabled[Slot(prefix, n)] = folders.CopyExists[k];
      menus.Captions[Slot(prefix, n)] = folders.CopyCaptions[k];
    }
    for (const char* prefix : {"mnCMove", "pmCMove"}) {
      menus.Enabled[Slot(prefix, n)] = folders.MoveExists[k];
      menus.Captions[Slot(prefix, n)] = folders.MoveCaptions[k];
    }
  }
  menus.Enabled["mnCWallUndo"] = state.WallUndo;
  for (int kind = 0; kind < 6; ++kind)
    menus.Enabled[kConvertItems[kind]] = state.Convert.Enabled[kind];
  menus.Enabled["pmCShowMenu"] = state.MenusHidden;
  return menus;
}

int SyncMain(FileList& list, int selected) {
  list.SetItemIndex(selected);
  return list.ItemIndex();
}

void DropEntry(FileList& list, Catalog& catalog, int position) {
  if (position >= 0 && position < list.Count()) list.Delete(position);
  if (position >= 0 && position < static_cast<int>(catalog.Items.size()))
    catalog.Items.erase(catalog.Items.begin() + position);
  list.SetItemIndex(-1);
}

RemovalStep CatalogRemovalStep(FileList& list, Catalog& catalog,
                               std::function<void(int position)> dropped) {
  RemovalStep step;
  step.Remove = [&list, &catalog, dropped](int, int index) {
    DropEntry(list, catalog, index);
    if (dropped) dropped(index);
  };
  // No follow-up: the main list is not reselected and no preview is made.
  step.MessageBeforeRemovalOnPlainMove = true;
  return step;
}

int CatalogNext(int selected, int count, Dialogs& dialogs) {
  if (count <= 0) return -1;
  const int p = selected + 1;
  if (p > count - 1) return dialogs.ConfirmYesNo(kLastFileQuestion) ? 0 : count - 1;
  return p;
}

int CatalogPrev(int selected, int count, Dialogs& dialogs) {
  if (count <= 0) return -1;
  const int p = selected - 1;
  if (p < 0) return dialogs.ConfirmYesNo(kFirstFileQuestion) ? count - 1 : 0;
  return std::min(p, count - 1);
}

int CatalogFirst(int count) {
  return count > 0 ? 0 : -1;
}

int CatalogLast(int count) {
  return count - 1;
}

std::pair<int, int> InfoDimensions(const std::string& path) {
  try {
    TPicture picture;
    picture.LoadFromFile(path);
    return {picture.Width(), picture.Height()};
  } catch (const EInvalidGraphic&) {
    return {0, 0};
  }
}

}  // namespace verid
