// The batch conversion window: the convertible files of the main list's folder on the
// left, the files made on the right, a destination and a start button.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/Settings.h"
#include "dialogs/Convert.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace verid {

class TConvertForm : public QDialog {
  Q_OBJECT
 public:
  // Lists the files of `folder` that settings.ConvertKind converts.
  TConvertForm(AppSettings& settings, Dialogs& dialogs, const std::string& folder,
               QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;
  QListWidget* FileListBox1 = nullptr;  // the sources
  QListWidget* ListBox1 = nullptr;      // the files made
  QPushButton* FolderBtn = nullptr;
  QPushButton* StartBtn = nullptr;
  QPushButton* CancelBtn = nullptr;

  const std::vector<std::string>& Sources() const { return sources_; }
  ConvertPhase Phase() const { return phase_; }

 public slots:
  void FolderBtnClick();
  void StartBtnClick();

 signals:
  // A file of the run is in place and listed (index into the sources).
  void Converted(int index);

 private:
  void Paint();

  AppSettings& settings_;
  Dialogs& dialogs_;
  std::string folder_;
  std::vector<std::string> sources_;
  std::string destination_;
  ConvertPhase phase_ = ConvertPhase::Idle;
};

}  // namespace verid
