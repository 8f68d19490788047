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

namespace {

// A folder as a menu caption: an "&" in a path is a character, not a mnemonic.
QString SlotCaption(const std::string& folder) {
  QString text = QString::fromStdString(DisplayText(folder));
  text.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return text;
}

std::string Numbered(const char* prefix, int n) {
  return prefix + std::to_string(n);
}

}  // namespace

void TMainForm::mnFindClick(int slot) {
  FindBtnClick(slot);
}

void TMainForm::FindBtnClick(int slot) {
  const std::string folder = settings_.SearchFolders.at(static_cast<size_t>(slot - 1));
  pageControl_->setCurrentIndex(1);
  try {
    SearchSlot(list_, settings_, platform_, folder, [this] {
      fileListBox_->SyncFromList(true);
      fileListBox_->repaint();
    });
  } catch (...) {
    // The list shows the program's folder; the error box tells why.
    fileListBox_->SyncFromList(true);
    FileListBoxClick();
    throw;
  }
  fileListBox_->SyncFromList(true);
  fileListBox_->setFocus();
  FileListBoxClick();
  UpdateCommandStates();
}

void TMainForm::mnFindCacheClick() {
  CacheSearchOutcome outcome = CacheSearch(list_, settings_, dialogs_, platform_);
  if (outcome == CacheSearchOutcome::NoVersion || outcome == CacheSearchOutcome::NoFolder) return;
  if (outcome == CacheSearchOutcome::Listed) pageControl_->setCurrentIndex(1);
  fileListBox_->SyncFromList(true);
  fileListBox_->setFocus();
  FileListBoxClick();
  UpdateCommandStates();
}

void TMainForm::mnAllRenameClick() {
  TAlRenamForm form(
      list_, settings_, dialogs_,
      [this](const std::string& path, const std::string& size) {
        statusBar_->SetText(0, QString::fromStdString(DisplayText(path)));
        statusBar_->SetText(1, QString::fromStdString(size));
      },
      this);
  form.exec();
  RefreshFileListBox();
  FileListBoxClick();
}

void TMainForm::mnPrptyClick() {
  PrptyHost host;
  host.SearchSlot = [this](int n, const std::string& folder) {
    slotLabels_.at(static_cast<size_t>(n - 1))
        ->setText(QString::fromStdString(DisplayText(folder)));
    findButtons_.at(static_cast<size_t>(n - 1))->setEnabled(true);
    QAction* item = Action(Numbered("mnFind", n));
    item->setText(SlotCaption(folder));
    item->setEnabled(true);
  };
  auto targetSlot = [this](std::vector<const char*> prefixes) {
    return [this, prefixes](int n, const std::string& folder) {
      for (const char* prefix : prefixes) {
        QAction* item = Action(Numbered(prefix, n));
        item->setText(SlotCaption(folder));
        item->setEnabled(true);
      }
    };
  };
  host.CopySlot = targetSlot({"mnCpys", "mnAllCopy", "pmCopys"});
  host.MoveSlot = targetSlot({"mnGoTos", "mnAllGoto", "pmGoTos"});
  // The settings are written at once, so a crash later loses nothing the user set.
  host.SaveSettings = [this] {
    settings_.ToolBarVisible = Action("mnToolBar")->isChecked();
    Run([this] { settings_.Save(settingsPath_); });
  };
  host.RefreshPreview = [this] {
    ApplyToolBar();
    Run([this] { FileListBoxClick(); });
  };
  TPrptyForm form(settings_, dialogs_, std::move(host), this);
  form.exec();
}

}  // namespace verid
