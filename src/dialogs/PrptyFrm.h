// The properties dialog: every setting the user edits, on nine pages. It is filled from
// the settings record when made; OK writes the values back in their order, the main
// window's captions following through the host, and the settings file is written.
#pragma once

#include <QDialog>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/Settings.h"
#include "dialogs/Prpty.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace verid {

class TPageControl;
class TSunkenPanel;
class TUpDown;

inline constexpr int kPrptyClientWidth = 372;
inline constexpr int kPrptyClientHeight = 372;

// A radio group: a titled frame with its items in columns.
struct TRadioGroup {
  QGroupBox* Box = nullptr;
  QButtonGroup* Buttons = nullptr;
  std::vector<QRadioButton*> Items;
  int ItemIndex() const;
  void SetItemIndex(int index);
};

class TPrptyForm : public QDialog {
  Q_OBJECT
 public:
  TPrptyForm(AppSettings& settings, Dialogs& dialogs, PrptyHost host, QWidget* parent = nullptr);

  // The controls' values as they stand.
  PrptyState State() const;

  // --- handlers ---
  void PrptyOKBtnClick();
  void browsButton1Click(int tag);  // search folders, tags 1..8
  void browsBtn11Click(int tag);    // copy folders, tags 11..18
  void browsBtn21Click(int tag);    // move folders, tags 21..28
  void Button1Click();
  void Button2Click();
  void FSizeUpDownClick(bool up);
  void FSizeUpDown2Click(bool up);
  void SlideUpDownClick(bool up);
  void ColorBtnClick(int which);  // 1 preview, 2 full screen, 3 full-screen slide show
  void CompTrackBarChange();
  void CheckBox1Click();

  TPageControl* PrpertyPage;
  QPushButton* PrptyOKBtn;
  QPushButton* PrptyCelBtn;
  // 指定検索
  std::array<QLineEdit*, kSlotCount> SelectFindEdit{};
  std::array<QPushButton*, kSlotCount> browsButton{};
  QLineEdit* FSizeEdit;
  TUpDown* FSizeUpDown;
  QPushButton* Button1;
  // ｺﾋﾟｰする, 移動
  std::array<QLineEdit*, kSlotCount> CopyEdit{}, MoveEdit{};
  std::array<QPushButton*, kSlotCount> browsBtn1{}, browsBtn2{};
  TRadioGroup CopyUwagakiRadio, GotoUwagakiRadio;
  // IEｷｬｯｼｭ検索
  TRadioGroup IERadioGroup, ExtRadioGroup;
  QLineEdit* FSizeEdit2;
  TUpDown* FSizeUpDown2;
  QPushButton* Button2;
  // 削除
  TRadioGroup DelRadioGroup;
  QCheckBox* DlgCheBox3;
  // ｽﾗｲﾄﾞｼｮｰ
  QLineEdit* SlideEdit;
  TUpDown* SlideUpDown;
  QCheckBox* Roup_CheckBox;
  QCheckBox* SlideEnd_CheckBox;
  QCheckBox* Caption_CheckBox;
  // ｶﾀﾛｸﾞ
  TRadioGroup CatarogGroup;
  // 背景色
  TSunkenPanel* Cl_Preview;
  TSunkenPanel* Cl_Ful;
  TSunkenPanel* Cl_FulSlide;
  std::array<QPushButton*, 3> ColorBtn{};
  // 画像形式ｺﾝﾊﾞｰﾀ
  TRadioGroup ConvertGroup;
  QSlider* CompTrackBar;
  QLabel* JpgQualityLabel;
  QCheckBox* CheckBox1;
  QSlider* PngTrackBar;
  QLabel* PngLowLabel;
  QLabel* PngHighLabel;
  QLabel* PngNoneLabel;
  QLabel* CreditsLabel;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildSearchPage();
  void BuildFolderPage(bool copy);
  void BuildCachePage();
  void BuildDeletePage();
  void BuildSlidePage();
  void BuildCatalogPage();
  void BuildColorPage();
  void BuildConvertPage();
  void FormCreate();
  void ApplyZlibRule();
  // A folder edit's text; an untouched one gives back the bytes it was filled with.
  std::string FolderText(const QLineEdit* edit) const;
  void SetFolderText(QLineEdit* edit, const std::string& folder);

  AppSettings& settings_;
  Dialogs& dialogs_;
  PrptyHost host_;
  std::map<const QLineEdit*, std::pair<QString, std::string>> filled_;
  std::array<TColor, 3> colors_{};
};

}  // namespace verid
