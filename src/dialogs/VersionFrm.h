// The version box.
#pragma once

#include <QDialog>

class QPushButton;

namespace verid {

inline constexpr const char* kVersionCaption = "ﾊﾞｰｼﾞｮﾝ情報";
inline constexpr const char* kProductName = "Verid";
inline constexpr const char* kVersionText = "Version 2.22";

class TVersionForm : public QDialog {
  Q_OBJECT
 public:
  explicit TVersionForm(QWidget* parent = nullptr);
  void Button1Click() { accept(); }
  QPushButton* Button1() const { return button1_; }

 private:
  QPushButton* button1_;
};

}  // namespace verid
