// The main window's commands that open the view window, the information dialog and the
// catalog window, and its wallpaper commands.
#include <QApplication>
#include <exception>

#include "app/Browse.h"
#include "app/Cp932.h"
#include "app/FileOps.h"
#include "app/Hanyou.h"
#include "app/Main.h"
#include "catalog/CatalogFile.h"
#include "catalog/CatarogFrm.h"
#include "ui/Panels.h"
#include "view/InfoFrm.h"
#include "view/ViewFrm.h"

namespace verid {

// --- the view window -----------------------------------------------------------------------

ViewOpenerHost TMainForm::MainViewHost() {
  ViewOpenerHost host;
  host.ClearPreview = [this] { ClearPreview(); };
  host.HideMain = [this] { HideWithChooser(); };
  host.ShowMain = [this] { ShowWithChooser(); };
  host.Repaint = [this] { repaint(); };
  // The view may have moved the selection or taken entries out of the list.
  host.RefreshPreview = [this] { FileListBoxClick(); };
  return host;
}

ViewOwner TMainForm::MainViewOwner() {
  ViewOwner owner = ViewOwnerFor(settings_, Action("mnWallUndo")->isEnabled());
  owner.WallCenter = [this] { return SetWallUndo(WallCenterCommand(wallPaper_, list_)); };
  owner.WallTile = [this] { return SetWallUndo(WallTileCommand(wallPaper_, list_)); };
  owner.WallUndo = [this] { return SetWallUndo(WallUndoCommand(wallPaper_)); };
  owner.Rename = [this] { mnRenameClick(); };
  owner.Convert = [this](int kind) { mnConvertClick(kind); };
  return owner;
}

void TMainForm::OpenView(int mode) {
  OpenViewWindow(mode, ViewEnv{list_, settings_, dialogs_, platform_}, MainViewOwner(),
                 MainViewHost(), this);
}

void TMainForm::mnRealSizeClick() {
  OpenView(kModeReal);
}

void TMainForm::mnFitToScreenClick() {
  OpenView(kModeFit);
}

void TMainForm::mnFulScreenClick() {
  OpenView(kModeFull);
}

void TMainForm::mnInfoClick() {
  if (!HasCurrentFile(list_)) return;
  ShowImageInfo(list_.CurrentFile(), pictureWidth_, pictureHeight_, platform_, this);
  FileListBoxClick();
}

// --- wallpaper -------------------------------------------------------------------------------

bool TMainForm::SetWallUndo(bool canUndo) {
  Action("mnWallUndo")->setEnabled(canUndo);
  return canUndo;
}

void TMainForm::mnWallCenterClick() {
  SetWallUndo(WallCenterCommand(wallPaper_, list_));
}

void TMainForm::mnWallAllClick() {
  SetWallUndo(WallTileCommand(wallPaper_, list_));
}

void TMainForm::mnWallUndoClick() {
  SetWallUndo(WallUndoCommand(wallPaper_));
}

// --- the catalog window ----------------------------------------------------------------------

CatalogOwner TMainForm::MainCatalogOwner() {
  CatalogOwner owner;
  owner.View = MainViewOwner();
  owner.ClearPreview = [this] {
    panel1_->SetColor(ButtonFaceColor());
    ClearPreview();
    repaint();
  };
  owner.HideMain = [this] { HideWithChooser(); };
  owner.ShowMain = [this] {
    ShowWithChooser();
    repaint();
  };
  owner.LockCommands = [this] { LockCommands(); };
  owner.UnlockCommands = [this] { UnlockCommands(); };
  // Entries may have left the list while the catalog was open.
  owner.RefreshPreview = [this] { FileListBoxClick(); };
  owner.RenameStatus = [this](const std::string& path, const std::string& size) {
    ShowFileStatus(path, size);
  };
  owner.Window = this;
  return owner;
}

void TMainForm::mnCatarogMakeClick() {
  MakeCatalogWindow(OpEnv(), MainCatalogOwner());
}

void TMainForm::mnCatarogReadClick() {
  FileDialogRequest request;
  request.InitialDir = settings_.CatarogDir;
  request.Filter = kDozFilter;
  std::optional<FileDialogResult> chosen = dialogs_.OpenFile(request);
  if (!chosen) return;
  settings_.CatarogDir = ExtractFilePath(chosen->FileName);
  if (ExtractFileExt(chosen->FileName) != ".doz") {
    dialogs_.Error(kCatalogExtError);
    return;
  }
  OpenCatalogFile(chosen->FileName);
}

void TMainForm::OpenCatalogFile(const std::string& path) {
  std::exception_ptr failure;
  try {
    OpenCatalogWindow(path, OpEnv(), MainCatalogOwner());
    return;
  } catch (...) {
    failure = std::current_exception();
  }
  // Nothing to show: the preview comes back before the error box tells why.
  try {
    FileListBoxClick();
  } catch (...) {
  }
  std::rethrow_exception(failure);
}

}  // namespace verid
