// The rename dialog: a new name for the current file, its extension kept in lower case.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "app/Dialogs.h"
#include "app/FileList.h"
#include "dialogs/Rename.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace verid {

class TRenameForm : public QDialog {
  Q_OBJECT
 public:
  // `onStatus` receives the two status panel texts after a rename.
  using StatusSink = std::function<void(const std::string& path, const std::string& size)>;
  TRenameForm(FileList& list, Dialogs& dialogs, StatusSink onStatus = {},
              QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;
  QLineEdit* RenameEdit = nullptr;
  QLabel* ExtLabel = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;

  const RenameResult& Result() const { return result_; }

 public slots:
  void OKBtnClick();

 private:
  FileList& list_;
  Dialogs& dialogs_;
  StatusSink onStatus_;
  std::string originalBase_;  // the name's own bytes (may not be UTF-8)
  RenameResult result_;
};

}  // namespace verid
