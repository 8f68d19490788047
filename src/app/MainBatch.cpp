// The main window's commands over the whole list and its conversions.
#include "app/FileOps.h"
#include "app/Main.h"
#include "dialogs/Convert.h"
#include "dialogs/ConvertFrm.h"

namespace verid {

void TMainForm::mnAllCopyClick(int slot) {
  CopyAll(OpEnv(), settings_.CopyFolders[static_cast<size_t>(slot - 1)]);
}

void TMainForm::mnAllCopyAnotherClick() {
  if (!ChooseOtherFolder(settings_, dialogs_)) return;
  CopyAll(OpEnv(), settings_.OtherFolder);
}

void TMainForm::mnAllGotoClick(int slot) {
  MoveAll(OpEnv(), settings_.MoveFolders[static_cast<size_t>(slot - 1)],
          MainRemovalStep().FollowUp);
  UpdateCommandStates();
}

void TMainForm::mnAllGotoSPClick() {
  if (ChooseOtherFolder(settings_, dialogs_))
    MoveAll(OpEnv(), settings_.OtherFolder, MainRemovalStep().FollowUp);
  UpdateCommandStates();
}

void TMainForm::mnAlldelClick() {
  DeleteAll(OpEnv(), MainRemovalStep().FollowUp);
  UpdateCommandStates();
}

void TMainForm::mnAllConvertClick(int kind) {
  settings_.ConvertKind = kind;
  TConvertForm form(settings_, dialogs_, list_.Folder(), this);
  form.exec();
  FileListBoxClick();
}

void TMainForm::mnConvertClick(int kind) {
  ConvertCurrent(OpEnv(), kind);
}

}  // namespace verid
