// The catalog window's decisions without the window: which menu items are enabled, how a
// catalog entry stands for the main list's entry at its position (SyncMain), how both
// follow a file that left its folder (DropEntry and the removal step handed to FileOps),
// and the navigation questions.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "app/FileList.h"
#include "app/FileOps.h"
#include "app/Settings.h"
#include "catalog/CatalogFile.h"
#include "view/View.h"

namespace verid {

// The four objects every catalog command works with; the same the file operations take.
using CatalogEnv = FileOpEnv;

// Cell sizes of the remake commands, in menu order.
inline constexpr int kRemakeSizes[4] = {65, 80, 100, 120};

// The registered folders as the menus show them, fixed when the window is made: a folder
// that did not exist then stays disabled for the life of the window.
struct CatalogFolders {
  std::array<std::string, kSlotCount> CopyCaptions, MoveCaptions;
  std::array<bool, kSlotCount> CopyExists{}, MoveExists{};
};
CatalogFolders CatalogFoldersFor(const ViewOwner& owner);

// What the window remembers between commands.
struct CatalogState {
  bool MenusHidden = false;  // the four top menus are hidden
  bool PopupOff = false;     // a right click shows nothing (opened catalogs)
  bool WallUndo = false;     // "元に戻す(&U)"
  // The conversion entries as last computed for the synced file.
  ConvertMenuState Convert = ConvertEntriesFor("");
};

// Enabled states and captions of every item that has them; items not named are always
// enabled.
struct CatalogMenuState {
  bool TopMenus = true;
  bool Popup = true;
  std::map<std::string, bool> Enabled;
  std::map<std::string, std::string> Captions;
  bool IsEnabled(const std::string& item) const;
  bool operator==(const CatalogMenuState&) const = default;
};
CatalogMenuState CatalogMenus(const CatalogFolders& folders, const CatalogState& state,
                              bool selected);

// Makes the main list's current entry the catalog's selected position (-1: none) and
// returns the position the list now has selected (-1 when it has no such entry).
int SyncMain(FileList& list, int selected);
// After a delete or move: the main list's entry and the catalog's entry at `position` go;
// the thumbnail stays in the store and the other entries keep their image indexes.
// Nothing is selected in the list afterwards.
void DropEntry(FileList& list, Catalog& catalog, int position);
// The catalog's follow-up for DeleteCurrent and MoveToFolder: DropEntry instead of the
// main list's removal and preview, "移動しました" before the removal on a plain move.
// `dropped` is told the position after the entry went (the view takes its row out).
RemovalStep CatalogRemovalStep(FileList& list, Catalog& catalog,
                               std::function<void(int position)> dropped);

// Navigation over `count` entries: the entry to select (-1 when there are none).
int CatalogNext(int selected, int count, Dialogs& dialogs);
int CatalogPrev(int selected, int count, Dialogs& dialogs);
int CatalogFirst(int count);
int CatalogLast(int count);

// The width and height the information dialog gets: the picture's, or 0 x 0 for a file
// that is not a readable picture. A file that cannot be read throws.
std::pair<int, int> InfoDimensions(const std::string& path);

}  // namespace verid
