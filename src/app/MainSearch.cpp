// The main window's searches, batch rename and properties commands.
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <vector>

#include "app/Cp932.h"
#include "app/FolderSearch.h"
#include "app/IECache.h"
#include "app/Main.h"
#include "dialogs/AlRenamFrm.h"
#include "dialogs/PrptyFrm.h"
#include "ui/Application.h"
#include "ui/FileListBox.h"
#include "ui/Panels.h"

namespace verid {

void TMainForm::mnFindClick(int slot) {
  FindBtnClick(slot);
}

void TMainForm::FindBtnClick(int slot) {
  const std::string folder = settings_.SearchFolders.at(static_cast<size_t>(slot - 1));
  pageControl_->setCurrentIndex(1);
  try {
    // The box follows the list by itself; the detour is painted at once.
    SearchSlot(list_, settings_, platform_, folder, [this] { fileListBox_->repaint(); });
  } catch (...) {
    // The list shows the program's folder; the error box tells why.
    FileListBoxClick();
    throw;
  }
  fileListBox_->setFocus();
  FileListBoxClick();
  UpdateCommandStates();
}

void TMainForm::mnFindCacheClick() {
  CacheSearchOutcome outcome = CacheSearch(list_, settings_, dialogs_, platform_);
  if (outcome == CacheSearchOutcome::NoVersion || outcome == CacheSearchOutcome::NoFolder) return;
  if (outcome == CacheSearchOutcome::Listed) pageControl_->setCurrentIndex(1);
  fileListBox_->setFocus();
  FileListBoxClick();
  UpdateCommandStates();
}

void TMainForm::mnAllRenameClick() {
  TAlRenamForm form(
      list_, settings_, dialogs_,
      [this](const std::string& path, const std::string& size) { ShowFileStatus(path, size); },
      this);
  form.exec();
  FileListBoxClick();
}

void TMainForm::mnPrptyClick() {
  PrptyHost host;
  // A chosen folder is shown at once, enabled.
  auto slot = [this](TSlotKind kind) {
    return [this, kind](int n, const std::string& folder) {
      SetSlotFolder(state_, kind, n, folder);
      PaintState();
    };
  };
  host.SearchSlot = slot(TSlotKind::Search);
  host.CopySlot = slot(TSlotKind::Copy);
  host.MoveSlot = slot(TSlotKind::Move);
  // The settings are written at once, so a crash later loses nothing the user set.
  host.SaveSettings = [this] {
    settings_.ToolBarVisible = Action("mnToolBar")->isChecked();
    Run([this] { SaveSettings(); });
  };
  host.RefreshPreview = [this] {
    ApplyToolBar();
    Run([this] { FileListBoxClick(); });
  };
  TPrptyForm form(settings_, dialogs_, std::move(host), this);
  form.exec();
}

}  // namespace verid
