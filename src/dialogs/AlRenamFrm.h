// The batch rename dialog: a prefix, a start number and a number of digits; OK renames
// every file of the list and reads the list again.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "app/Dialogs.h"
#include "app/FileList.h"
#include "app/Settings.h"
#include "dialogs/BatchRename.h"

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace verid {

class TUpDown;

// The outer size the window is given; the client area follows from the frame.
inline constexpr int kAlRenamOuterWidth = 291;
inline constexpr int kAlRenamOuterHeight = 218;

class TAlRenamForm : public QDialog {
  Q_OBJECT
 public:
  using StatusSink = std::function<void(const std::string& path, const std::string& size)>;
  TAlRenamForm(FileList& list, const AppSettings& settings, Dialogs& dialogs,
               StatusSink onStatus = {}, QWidget* parent = nullptr);

  QLabel* Label1;
  QFrame* Bevel1;
  QLabel* Label2;
  QLineEdit* NameEdit;
  QLabel* Label3;
  QLineEdit* NumberEdit;
  TUpDown* UpDown1;
  QLabel* Label4;
  QGroupBox* RadioGroup;
  QRadioButton* RadioItems[3];
  QPushButton* OKBtn;
  QPushButton* CancelBtn;

  // The chosen item of the digits group (0..2).
  int DigitsItem() const;
  const BatchRenameResult& Result() const { return result_; }

 public slots:
  void OKBtnClick();
  void UpDown1Click(bool up);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void FitOuterSize();
  FileList& list_;
  const AppSettings& settings_;
  Dialogs& dialogs_;
  StatusSink onStatus_;
  BatchRenameResult result_;
  bool sized_ = false;
};

}  // namespace verid
