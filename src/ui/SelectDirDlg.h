// The directory-selection dialog: a folder name field, the folder tree from the drive
// down, the folder's files, the drive list, and OK / キャンセル. A typed folder that does
// not exist is returned as typed; the caller offers to create it.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "dialogs/SelectDir.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace verid {

class TSelectDirDlg : public QDialog {
  Q_OBJECT
 public:
  // `drives` as DriveRoots gives them; the dialog opens at the request's folder.
  TSelectDirDlg(const DirectoryRequest& request, std::vector<std::string> drives,
                QWidget* parent = nullptr);

  // Shows an existing folder: its path in the name field, its tree and its files.
  void SetFolder(const std::string& folder);
  const SelectDirState& State() const { return state_; }
  // The folder chosen with OK (absolute, the file system's bytes).
  const std::string& Chosen() const { return chosen_; }

  // OK: the typed folder, made absolute against the one shown; nothing for a blank field.
  void OKBtnClick();

  QLineEdit* DirEdit;
  QLabel* DirLabel;
  QTreeWidget* DirList;
  QListWidget* FileList;
  QComboBox* DriveList;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;
  QPushButton* NetBtn;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OpenItem(QTreeWidgetItem* item);
  std::vector<std::string> drives_;
  SelectDirState state_;
  // The name field's text as last filled in and the bytes it stands for, so a name that
  // is not UTF-8 survives when the user does not retype it.
  QString shownText_;
  std::string shownPath_;
  std::string chosen_;
};

}  // namespace verid
