#include "dialogs/PrptyFrm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>

#include "app/Cp932.h"
#include "imaging/ZUDIRAStream.h"
#include "ui/Application.h"
#include "ui/PageControl.h"
#include "ui/Panels.h"
#include "ui/QtDialogs.h"
#include "ui/UpDown.h"

namespace verid {

namespace {

QLabel* MakeLabel(QWidget* parent, const std::string& text, int x, int y) {
  auto* label = new QLabel(QtText(text), parent);
  label->setTextFormat(Qt::PlainText);
  label->move(x, y);
  label->adjustSize();
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const std::string& text,
                        const QRect& geometry) {
  auto* button = new QPushButton(QtText(text), parent);
  button->setObjectName(name);
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  return button;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* text, int x, int y) {
  auto* box = new QCheckBox(QtText(text), parent);
  box->setObjectName(name);
  box->move(x, y);
  box->adjustSize();
  return box;
}

// Items fill the columns row by row.
TRadioGroup MakeRadioGroup(QWidget* parent, const char* name, const char* title,
                           const std::vector<const char*>& items, int columns,
                           const QRect& geometry) {
  TRadioGroup group;
  group.Box = new QGroupBox(QtText(title), parent);
  group.Box->setObjectName(name);
  group.Box->setGeometry(geometry);
  group.Buttons = new QButtonGroup(group.Box);
  const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
  const int columnWidth = (geometry.width() - 16) / columns;
  const int rowHeight = std::min(20, (geometry.height() - 20) / std::max(1, rows));
  for (size_t i = 0; i < items.size(); ++i) {
    auto* item = new QRadioButton(QtText(items[i]), group.Box);
    item->setObjectName(QString::fromUtf8(name) + QString::number(i));
    const int column = static_cast<int>(i) % columns, row = static_cast<int>(i) / columns;
    item->setGeometry(10 + column * columnWidth, 17 + row * rowHeight, columnWidth - 2, 18);
    group.Buttons->addButton(item, static_cast<int>(i));
    group.Items.push_back(item);
  }
  return group;
}

QSlider* MakeTrackBar(QWidget* parent, const char* name, int max, int tick, const QRect& geometry) {
  auto* bar = new QSlider(Qt::Horizontal, parent);
  bar->setObjectName(name);
  bar->setRange(0, max);
  bar->setTickPosition(QSlider::TicksBelow);
  bar->setTickInterval(tick);
  bar->setGeometry(geometry);
  return bar;
}

// Where a track bar draws the handle of `position`, in its parent's coordinates.
int TrackX(const QSlider* bar, int position) {
  const int handle = 10;
  const int span = bar->width() - handle;
  return bar->x() + handle / 2 +
         span * (position - bar->minimum()) / (bar->maximum() - bar->minimum());
}

QColor ColorOf(TColor c) {
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// A key press that types a character: the character, else 0.
char32_t TypedChar(const QKeyEvent* key) {
  if (key->key() == Qt::Key_Backspace) return U'\b';
  const QString text = key->text();
  if (text.isEmpty() || !text[0].isPrint()) return 0;
  return text.toUcs4().value(0);
}

}  // namespace

int TRadioGroup::ItemIndex() const {
  return Buttons ? Buttons->checkedId() : -1;
}

void TRadioGroup::SetItemIndex(int index) {
  if (index >= 0 && index < static_cast<int>(Items.size())) {
    Items[static_cast<size_t>(index)]->setChecked(true);
    return;
  }
  // No item chosen: an exclusive group only lets go of its choice while not exclusive.
  Buttons->setExclusive(false);
  for (QRadioButton* item : Items) item->setChecked(false);
  Buttons->setExclusive(true);
}

TPrptyForm::TPrptyForm(AppSettings& settings, Dialogs& dialogs, PrptyHost host, QWidget* parent)
    : QDialog(parent), settings_(settings), dialogs_(dialogs), host_(std::move(host)) {
  setObjectName("PrptyForm");
  setWindowTitle(QtText(kPrptyCaption));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(UiFont());
  setFixedSize(kPrptyClientWidth, kPrptyClientHeight);

  PrpertyPage = new TPageControl(this);
  PrpertyPage->setObjectName("PrpertyPage");
  PrpertyPage->setGeometry(8, 8, kPrptyClientWidth - 16, kPrptyClientHeight - 50);
  BuildSearchPage();
  BuildFolderPage(true);
  BuildFolderPage(false);
  BuildCachePage();
  BuildDeletePage();
  BuildSlidePage();
  BuildCatalogPage();
  BuildColorPage();
  BuildConvertPage();
  PrpertyPage->setCurrentIndex(0);

  const int y = kPrptyClientHeight - 34;
  PrptyOKBtn =
      MakeButton(this, "PrptyOKBtn", kCaptionOk, QRect(kPrptyClientWidth - 172, y, 75, 25));
  PrptyOKBtn->setDefault(true);
  PrptyCelBtn = MakeButton(this, "PrptyCelBtn", "ｷｬﾝｾﾙ", QRect(kPrptyClientWidth - 89, y, 75, 25));
  connect(PrptyOKBtn, &QPushButton::clicked, this, [this] { PrptyOKBtnClick(); });
  connect(PrptyCelBtn, &QPushButton::clicked, this, &QDialog::reject);

  FormCreate();
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

// --- pages -------------------------------------------------------------------------------

void TPrptyForm::BuildSearchPage() {
  auto* page = new QWidget();
  page->setObjectName("TabSheet1");
  MakeLabel(page, "・指定ﾌｫﾙﾀﾞの検索で検索するﾌｫﾙﾀﾞ", 8, 6);
  for (int n = 1; n <= kSlotCount; ++n) {
    const size_t i = static_cast<size_t>(n - 1);
    const int y = 24 + 22 * (n - 1);
    SelectFindEdit[i] = new QLineEdit(page);
    SelectFindEdit[i]->setObjectName(QString("SelectFindEdit%1").arg(n));
    SelectFindEdit[i]->setGeometry(16, y, 294, 20);
    browsButton[i] = MakeButton(page, "", "…", QRect(312, y, 22, 20));
    browsButton[i]->setObjectName(QString("browsButton%1").arg(n));
    connect(browsButton[i], &QPushButton::clicked, this,
            [this, n] { RunCommand(dialogs_, [this, n] { browsButton1Click(n); }); });
  }
  MakeLabel(page, "・検索するﾌｧｲﾙｻｲｽﾞ", 8, 208);
  FSizeEdit = new QLineEdit(page);
  FSizeEdit->setObjectName("FSizeEdit");
  FSizeEdit->setGeometry(16, 226, 40, 20);
  FSizeEdit->installEventFilter(this);
  FSizeUpDown = new TUpDown(page);
  FSizeUpDown->setObjectName("FSizeUpDown");
  FSizeUpDown->setGeometry(56, 226, 15, 20);
  connect(FSizeUpDown, &TUpDown::Clicked, this,
          [this](bool up) { RunCommand(dialogs_, [this, up] { FSizeUpDownClick(up); }); });
  MakeLabel(page, "KB", 76, 229);
  Button1 = MakeButton(page, "Button1", "", QRect(100, 225, 50, 22));
  Button1->setToolTip(QtText(kRangeHint));
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  PrpertyPage->AddPage(page, QtText("指定検索"));
}

void TPrptyForm::BuildFolderPage(bool copy) {
  auto* page = new QWidget();
  page->setObjectName(copy ? "TabSheet2" : "TabSheet3");
  MakeLabel(page, copy ? "・ｺﾋﾟｰ先のﾌｫﾙﾀﾞ" : "・移動先のﾌｫﾙﾀﾞ", 8, 6);
  for (int n = 1; n <= kSlotCount; ++n) {
    const size_t i = static_cast<size_t>(n - 1);
    const int y = 24 + 22 * (n - 1);
    const int tag = (copy ? 10 : 20) + n;
    auto* edit = new QLineEdit(page);
    edit->setObjectName(QString(copy ? "CopyEdit%1" : "MoveEdit%1").arg(n));
    edit->setGeometry(16, y, 294, 20);
    auto* button = MakeButton(page, "", "…", QRect(312, y, 22, 20));
    button->setObjectName(QString("browsBtn%1").arg(tag));
    connect(button, &QPushButton::clicked, this, [this, tag, copy] {
      RunCommand(dialogs_, [this, tag, copy] {
        if (copy)
          browsBtn11Click(tag);
        else
          browsBtn21Click(tag);
      });
    });
    (copy ? CopyEdit : MoveEdit)[i] = edit;
    (copy ? browsBtn1 : browsBtn2)[i] = button;
  }
  TRadioGroup group =
      MakeRadioGroup(page, copy ? "CopyUwagakiRadio" : "GotoUwagakiRadio",
                     copy ? "ｺﾋﾟｰ先に同名のﾌｧｲﾙがあるとき" : "移動先に同名のﾌｧｲﾙがあるとき",
                     {"上書きしてよいかどうか問い合わせる", "自動的にﾘﾈｰﾑしてｺﾋﾟｰする"}, 1,
                     QRect(8, 204, 326, 62));
  (copy ? CopyUwagakiRadio : GotoUwagakiRadio) = group;
  PrpertyPage->AddPage(page, QtText(copy ? "ｺﾋﾟｰする" : "移動"));
}

void TPrptyForm::BuildCachePage() {
  auto* page = new QWidget();
  page->setObjectName("TabSheet4");
  IERadioGroup = MakeRadioGroup(page, "IERadioGroup", "検索するｲﾝﾀｰﾈｯﾄｴｸｽﾌﾟﾛｰﾗのﾊﾞｰｼﾞｮﾝ",
                                {"IE4.0X", "IE5.0"}, 2, QRect(8, 8, 326, 46));
  MakeLabel(page, "・検索するﾌｧｲﾙｻｲｽﾞ", 8, 68);
  FSizeEdit2 = new QLineEdit(page);
  FSizeEdit2->setObjectName("FSizeEdit2");
  FSizeEdit2->setGeometry(16, 86, 40, 20);
  FSizeEdit2->installEventFilter(this);
  FSizeUpDown2 = new TUpDown(page);
  FSizeUpDown2->setObjectName("FSizeUpDown2");
  FSizeUpDown2->setGeometry(56, 86, 15, 20);
  connect(FSizeUpDown2, &TUpDown::Clicked, this,
          [this](bool up) { RunCommand(dialogs_, [this, up] { FSizeUpDown2Click(up); }); });
  MakeLabel(page, "KB", 76, 89);
  Button2 = MakeButton(page, "Button2", "", QRect(100, 85, 50, 22));
  Button2->setToolTip(QtText(kRangeHint));
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  ExtRadioGroup = MakeRadioGroup(page, "ExtRadioGroup", "検索するﾌｧｲﾙの種類",
                                 {"JPEGのみ", "PNGのみ", "JPEGとPNG"}, 3, QRect(8, 122, 326, 46));
  PrpertyPage->AddPage(page, QtText("IEｷｬｯｼｭ検索"));
}

void TPrptyForm::BuildDeletePage() {
  auto* page = new QWidget();
  page->setObjectName("TabSheet5");
  MakeLabel(page, "・削除方法", 8, 8);
  DelRadioGroup = MakeRadioGroup(page, "DelRadioGroup", "", {"ゴミ箱に移動する", "直接削除する"}, 1,
                                 QRect(16, 26, 220, 62));
  DlgCheBox3 = MakeCheck(page, "DlgCheBox3", "削除の確認ﾀﾞｲｱﾛｸﾞを出さない", 16, 100);
  PrpertyPage->AddPage(page, QtText("削除"));
}

void TPrptyForm::BuildSlidePage() {
  auto* page = new QWidget();
  page->setObjectName("TabSheet6");
  MakeLabel(page, "・ｽﾗｲﾄﾞの間隔", 8, 8);
  SlideEdit = new QLineEdit(page);
  SlideEdit->setObjectName("SlideEdit");
  SlideEdit->setGeometry(16, 26, 40, 20);
  SlideEdit->installEventFilter(this);
  SlideUpDown = new TUpDown(page);
  SlideUpDown->setObjectName("SlideUpDown");
  SlideUpDown->setGeometry(56, 26, 15, 20);
  connect(SlideUpDown, &TUpDown::Clicked, this,
          [this](bool up) { RunCommand(dialogs_, [this, up] { SlideUpDownClick(up); }); });
  MakeLabel(page, "秒", 76, 29);
  Roup_CheckBox = MakeCheck(page, "Roup_CheckBox", "ﾙｰﾌﾟする", 16, 62);
  SlideEnd_CheckBox = MakeCheck(page, "SlideEnd_CheckBox", "終了後､先頭のﾌｧｲﾙに戻る", 16, 86);
  Caption_CheckBox =
      MakeCheck(page, "Caption_CheckBox", "ﾌｧｲﾙ名及び順番を表示しない (ﾌﾙｽｸﾘｰﾝ時)", 16, 110);
  PrpertyPage->AddPage(page, QtText("ｽﾗｲﾄﾞｼｮｰ"));
}

void TPrptyForm::BuildCatalogPage() {
  auto* page = new QWidget();
  page->setObjectName("TabSheet7");
  CatarogGroup =
      MakeRadioGroup(page, "CatarogGroup", "画像ｻｲｽﾞ",
                     {" 65× 65 ﾋﾟｸｾﾙ", " 80× 80 ﾋﾟｸｾﾙ (ﾃﾞﾌｫﾙﾄ)", "100×100ﾋﾟｸｾﾙ", "120×120ﾋﾟｸｾﾙ"}, 2,
                     QRect(8, 8, 326, 66));
  PrpertyPage->AddPage(page, QtText("ｶﾀﾛｸﾞ"));
}

void TPrptyForm::BuildColorPage() {
  auto* page = new QWidget();
  page->setObjectName("TabSheet8");
  const char* labels[3] = {"・ﾌﾟﾚﾋﾞｭｰ画面", "・ﾌﾙｽｸﾘｰﾝ画面", "・ｽﾗｲﾄﾞｼｮｰ画面"};
  const char* swatches[3] = {"Cl_Preview", "Cl_Ful", "Cl_FulSlide"};
  TSunkenPanel* panels[3];
  for (int k = 0; k < 3; ++k) {
    const int y = 12 + 40 * k;
    MakeLabel(page, labels[k], 8, y + 3);
    panels[k] = new TSunkenPanel(page);
    panels[k]->setObjectName(swatches[k]);
    panels[k]->setGeometry(130, y, 50, 22);
    ColorBtn[static_cast<size_t>(k)] = MakeButton(page, "", "設定", QRect(190, y, 50, 22));
    ColorBtn[static_cast<size_t>(k)]->setObjectName(QString("ColorBtn%1").arg(k + 1));
    connect(ColorBtn[static_cast<size_t>(k)], &QPushButton::clicked, this,
            [this, k] { RunCommand(dialogs_, [this, k] { ColorBtnClick(k + 1); }); });
  }
  MakeLabel(page, "(ﾌﾙｽｸﾘｰﾝ)", 20, 12 + 80 + 18);
  Cl_Preview = panels[0];
  Cl_Ful = panels[1];
  Cl_FulSlide = panels[2];
  PrpertyPage->AddPage(page, QtText("背景色"));
}

void TPrptyForm::BuildConvertPage() {
  auto* page = new QWidget();
  page->setObjectName("TabSheet9");
  ConvertGroup = MakeRadioGroup(page, "ConvertGroup", "変換したﾌｧｲﾙの作成場所",
                                {"変換元と同一のﾌｫﾙﾀﾞに作成する", "変換元と異なるﾌｫﾙﾀﾞに作成する"},
                                1, QRect(8, 4, 326, 60));

  auto* jpeg = new QGroupBox(QtText("⇒JPEG ( JPEGｲﾒｰｼﾞの画質 )"), page);
  jpeg->setObjectName("JpegGroup");
  jpeg->setGeometry(8, 68, 326, 96);
  MakeLabel(jpeg, "圧縮率…", 10, 20);
  JpgQualityLabel = MakeLabel(jpeg, "", 60, 20);
  JpgQualityLabel->setObjectName("JpgQualityLabel");
  JpgQualityLabel->setFixedWidth(30);
  CompTrackBar = MakeTrackBar(jpeg, "CompTrackBar", 100, 10, QRect(66, 52, 190, 26));
  CompTrackBar->setSingleStep(5);
  CompTrackBar->setPageStep(1);
  connect(CompTrackBar, &QSlider::valueChanged, this, [this] { CompTrackBarChange(); });
  QLabel* marker = MakeLabel(jpeg, "Default ▼", 0, 38);
  marker->move(TrackX(CompTrackBar, 80) - marker->width() + 6, 38);
  MakeLabel(jpeg, "低画質\r\nｻｲｽﾞ小", 10, 52);
  MakeLabel(jpeg, "高画質\r\nｻｲｽﾞ大", 264, 52);

  auto* png = new QGroupBox(QtText("⇒PNG ( ZLIB圧縮設定 )"), page);
  png->setObjectName("PngGroup");
  png->setGeometry(8, 168, 326, 98);
  CheckBox1 = MakeCheck(png, "CheckBox1", "ZLIB標準", 10, 18);
  connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
  PngTrackBar = MakeTrackBar(png, "PngTrackBar", 9, 1, QRect(66, 58, 190, 26));
  PngNoneLabel = MakeLabel(png, "▼圧縮しない", 0, 44);
  PngNoneLabel->move(TrackX(PngTrackBar, 0) - 6, 44);
  PngLowLabel = MakeLabel(png, "低圧縮\r\n(高速)", 10, 58);
  PngHighLabel = MakeLabel(png, "高圧縮\r\n(低速)", 264, 58);
  CreditsLabel = MakeLabel(
      png,
      std::string("PNG の読み書き: Verid 独自のｺｰﾃﾞｯｸ\r\n圧縮と展開: zlib ") + ZlibVersionText(),
      12, 46);
  CreditsLabel->setObjectName("CreditsLabel");
  CreditsLabel->hide();
  PrpertyPage->AddPage(page, QtText("画像形式ｺﾝﾊﾞｰﾀ"));
}

// --- filling -----------------------------------------------------------------------------

void TPrptyForm::SetFolderText(QLineEdit* edit, const std::string& folder) {
  QString shown = QtText(DisplayText(folder));
  edit->setText(shown);
  filled_[edit] = {shown, folder};
}

std::string TPrptyForm::FolderText(const QLineEdit* edit) const {
  auto it = filled_.find(edit);
  if (it != filled_.end() && edit->text() == it->second.first) return it->second.second;
  return edit->text().toStdString();
}

void TPrptyForm::FormCreate() {
  PrptyState st = FillPrpty(settings_);
  for (size_t i = 0; i < kSlotCount; ++i) {
    SetFolderText(SelectFindEdit[i], st.SearchEdits[i]);
    SetFolderText(CopyEdit[i], st.CopyEdits[i]);
    SetFolderText(MoveEdit[i], st.MoveEdits[i]);
  }
  FSizeEdit->setText(QtText(st.FSizeEdit));
  Button1->setText(QtText(st.Button1));
  IERadioGroup.SetItemIndex(st.IERadio);
  ExtRadioGroup.SetItemIndex(st.ExtRadio);
  FSizeEdit2->setText(QtText(st.FSizeEdit2));
  Button2->setText(QtText(st.Button2));
  CopyUwagakiRadio.SetItemIndex(st.CopyUwagaki);
  GotoUwagakiRadio.SetItemIndex(st.GotoUwagaki);
  SlideEdit->setText(QtText(st.SlideEdit));
  Roup_CheckBox->setChecked(st.RoupCheck);
  SlideEnd_CheckBox->setChecked(st.SlideEndCheck);
  Caption_CheckBox->setChecked(st.CaptionCheck);
  DelRadioGroup.SetItemIndex(st.DelRadio);
  DlgCheBox3->setChecked(st.DlgCheBox3);
  CatarogGroup.SetItemIndex(st.CatarogGroup);
  colors_ = {st.PreviewColor, st.FullColor, st.FullSlideColor};
  Cl_Preview->SetColor(ColorOf(colors_[0]));
  Cl_Ful->SetColor(ColorOf(colors_[1]));
  Cl_FulSlide->SetColor(ColorOf(colors_[2]));
  CompTrackBar->setValue(st.CompTrackBar);
  CompTrackBarChange();
  CheckBox1->setChecked(st.ZlibStandard);
  PngTrackBar->setValue(st.PngTrackBar);
  ApplyZlibRule();
  ConvertGroup.SetItemIndex(st.ConvertGroup);
}

PrptyState TPrptyForm::State() const {
  PrptyState st;
  for (size_t i = 0; i < kSlotCount; ++i) {
    st.SearchEdits[i] = FolderText(SelectFindEdit[i]);
    st.CopyEdits[i] = FolderText(CopyEdit[i]);
    st.MoveEdits[i] = FolderText(MoveEdit[i]);
  }
  st.FSizeEdit = FSizeEdit->text().toStdString();
  st.FSizeEdit2 = FSizeEdit2->text().toStdString();
  st.Button1 = Button1->text().toStdString();
  st.Button2 = Button2->text().toStdString();
  st.CopyUwagaki = CopyUwagakiRadio.ItemIndex();
  st.GotoUwagaki = GotoUwagakiRadio.ItemIndex();
  st.IERadio = IERadioGroup.ItemIndex();
  st.ExtRadio = ExtRadioGroup.ItemIndex();
  st.DelRadio = DelRadioGroup.ItemIndex();
  st.DlgCheBox3 = DlgCheBox3->isChecked();
  st.SlideEdit = SlideEdit->text().toStdString();
  st.RoupCheck = Roup_CheckBox->isChecked();
  st.SlideEndCheck = SlideEnd_CheckBox->isChecked();
  st.CaptionCheck = Caption_CheckBox->isChecked();
  st.CatarogGroup = CatarogGroup.ItemIndex();
  st.PreviewColor = colors_[0];
  st.FullColor = colors_[1];
  st.FullSlideColor = colors_[2];
  st.CompTrackBar = CompTrackBar->value();
  st.ZlibStandard = CheckBox1->isChecked();
  st.PngTrackBar = PngTrackBar->value();
  st.ConvertGroup = ConvertGroup.ItemIndex();
  return st;
}

// --- editing -----------------------------------------------------------------------------

void TPrptyForm::browsButton1Click(int tag) {
  QLineEdit* edit = SelectFindEdit.at(static_cast<size_t>(tag - 1));
  if (auto folder = BrowseSearchFolder(dialogs_, FolderText(edit))) SetFolderText(edit, *folder);
}

void TPrptyForm::browsBtn11Click(int tag) {
  QLineEdit* edit = CopyEdit.at(static_cast<size_t>(tag - 11));
  if (auto folder = BrowseTargetFolder(dialogs_, FolderText(edit))) SetFolderText(edit, *folder);
}

void TPrptyForm::browsBtn21Click(int tag) {
  QLineEdit* edit = MoveEdit.at(static_cast<size_t>(tag - 21));
  if (auto folder = BrowseTargetFolder(dialogs_, FolderText(edit))) SetFolderText(edit, *folder);
}

void TPrptyForm::Button1Click() {
  Button1->setText(QtText(ToggleRange(Button1->text().toStdString())));
}

void TPrptyForm::Button2Click() {
  Button2->setText(QtText(ToggleRange(Button2->text().toStdString())));
}

void TPrptyForm::FSizeUpDownClick(bool up) {
  FSizeEdit->setFocus();
  FSizeEdit->setText(QtText(StepSize(FSizeEdit->text().toStdString(), up)));
}

void TPrptyForm::FSizeUpDown2Click(bool up) {
  FSizeEdit2->setFocus();
  FSizeEdit2->setText(QtText(StepSize(FSizeEdit2->text().toStdString(), up)));
}

void TPrptyForm::SlideUpDownClick(bool up) {
  SlideEdit->setFocus();
  SlideEdit->setText(QtText(StepInterval(SlideEdit->text().toStdString(), up)));
}

void TPrptyForm::ColorBtnClick(int which) {
  const size_t k = static_cast<size_t>(which - 1);
  std::optional<TColor> chosen = dialogs_.SelectColor(colors_.at(k));
  if (!chosen) return;
  colors_[k] = *chosen;
  TSunkenPanel* swatch = which == 1 ? Cl_Preview : which == 2 ? Cl_Ful : Cl_FulSlide;
  swatch->SetColor(ColorOf(*chosen));
}

void TPrptyForm::CompTrackBarChange() {
  int position = JpegTrackPosition(CompTrackBar->value());
  if (position != CompTrackBar->value()) CompTrackBar->setValue(position);
  JpgQualityLabel->setText(QString::number(CompTrackBar->value()));
}

void TPrptyForm::ApplyZlibRule() {
  const bool standard = CheckBox1->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(PngTrackBar), static_cast<QWidget*>(PngLowLabel),
                     static_cast<QWidget*>(PngHighLabel), static_cast<QWidget*>(PngNoneLabel)})
    w->setVisible(!standard);
  CreditsLabel->setVisible(standard);
}

void TPrptyForm::CheckBox1Click() {
  ApplyZlibRule();
  if (!CheckBox1->isChecked()) PngTrackBar->setValue(kPngLevelOnUncheck);
}

bool TPrptyForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const bool size = watched == FSizeEdit || watched == FSizeEdit2;
  const bool interval = watched == SlideEdit;
  if (!size && !interval) return QDialog::eventFilter(watched, event);
  if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
    const bool up = key->key() == Qt::Key_Up;
    RunCommand(dialogs_, [&] {
      if (watched == FSizeEdit)
        FSizeUpDownClick(up);
      else if (watched == FSizeEdit2)
        FSizeUpDown2Click(up);
      else
        SlideUpDownClick(up);
    });
    return true;
  }
  const char32_t ch = TypedChar(key);
  if (ch == 0) return false;  // editing keys and shortcuts pass
  if (size) return !SizeKeyAccepted(ch);
  int length = static_cast<int>(SlideEdit->text().size() - SlideEdit->selectedText().size());
  return !IntervalKeyAccepted(ch, length);
}

// --- OK ------------------------------------------------------------------------------------

void TPrptyForm::PrptyOKBtnClick() {
  RunCommand(dialogs_, [this] {
    ApplyPrpty(State(), settings_, host_);
    accept();
  });
}

}  // namespace verid
