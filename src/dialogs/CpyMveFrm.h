// The copy/move destination dialog: the eight registered folders of the current mode,
// each with a button that copies or moves the current file there.
#pragma once

#include <QDialog>
#include <array>

#include "app/FileOps.h"
#include "dialogs/CpyMve.h"

class QLabel;
class QPushButton;

namespace verid {

class TSunkenPanel;

class TCpyMveForm : public QDialog {
  Q_OBJECT
 public:
  // `removal` is how the caller's list follows a moved file.
  TCpyMveForm(FileOpEnv env, RemovalStep removal, QWidget* parent = nullptr);

  std::array<TSunkenPanel*, kSlotCount> Panels{};
  std::array<QLabel*, kSlotCount> CpyLabels{};
  std::array<QPushButton*, kSlotCount> CopyBtns{};

  // Button `slot` (0-based), then the dialog closes.
  void CopyBtnClick(int slot);
  OpResult LastResult() const { return result_; }

 private:
  FileOpEnv env_;
  RemovalStep removal_;
  OpResult result_ = OpResult::Nothing;
};

}  // namespace verid
