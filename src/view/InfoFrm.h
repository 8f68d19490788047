// The image information dialog: name, size, pixel size and last change of the current
// file, with the pixel size its opener knows.
#pragma once

#include <QDialog>
#include <string>

#include "platform/Platform.h"

class QLabel;
class QPushButton;

namespace verid {

class TInfoForm : public QDialog {
  Q_OBJECT
 public:
  explicit TInfoForm(Platform& platform, QWidget* parent = nullptr);

  void SetDimensions(int width, int height);
  // Fills the four value labels for the file (read once, now).
  void FillInfo(const std::string& path);
  void Button1Click() { accept(); }

  QLabel* Label2 = nullptr;  // file name
  QLabel* Label4 = nullptr;  // size
  QLabel* Label6 = nullptr;  // width x height
  QLabel* Label8 = nullptr;  // last change
  QPushButton* Button1 = nullptr;

 private:
  Platform& platform_;
  int width_ = 0, height_ = 0;
};

// Shows the dialog modally for `path` with the given pixel size and releases it.
void ShowImageInfo(const std::string& path, int width, int height, Platform& platform,
                   QWidget* parent);

}  // namespace verid
