#include "dialogs/AlRenamFrm.h"

#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "ui/Application.h"
#include "ui/QtDialogs.h"
#include "ui/UpDown.h"

namespace verid {

namespace {

// The client area a common window frame leaves of the outer size, until the window
// system tells the real frame.
constexpr int kDefaultFrameWidth = 8;
constexpr int kDefaultFrameHeight = 27;
constexpr int kUpDownMax = 999;

QLabel* MakeLabel(const char* text, QWidget* parent, const char* name) {
  auto* label = new QLabel(QtText(text), parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

TAlRenamForm::TAlRenamForm(FileList& list, const AppSettings& settings, Dialogs& dialogs,
                           StatusSink onStatus, QWidget* parent)
    : QDialog(parent),
      list_(list),
      settings_(settings),
      dialogs_(dialogs),
      onStatus_(std::move(onStatus)) {
  setObjectName("AlRenamForm");
  setWindowTitle(QtText(kBatchRenameCaption));
  setFont(UiFont());
  setFixedSize(kAlRenamOuterWidth - kDefaultFrameWidth, kAlRenamOuterHeight - kDefaultFrameHeight);

  Label1 = MakeLabel("ﾌｧｲﾙ名は \"冠名 + 連番 . 拡張子\" になります", this, "Label1");
  Label1->move(25, 15);
  Label1->adjustSize();

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Bevel1->setGeometry(22, 36, 240, 100);

  Label2 = MakeLabel("冠     名", this, "Label2");
  Label2->setAlignment(Qt::AlignCenter);
  Label2->setGeometry(36, 46, 60, 20);
  NameEdit = new QLineEdit(this);
  NameEdit->setObjectName("NameEdit");
  NameEdit->setGeometry(103, 46, 100, 20);

  Label3 = MakeLabel("連番の先頭", this, "Label3");
  Label3->setAlignment(Qt::AlignCenter);
  Label3->setGeometry(36, 75, 60, 20);
  NumberEdit = new QLineEdit(QStringLiteral("0"), this);
  NumberEdit->setObjectName("NumberEdit");
  NumberEdit->setGeometry(103, 75, 39, 20);
  NumberEdit->installEventFilter(this);
  UpDown1 = new TUpDown(this);
  UpDown1->setObjectName("UpDown1");
  UpDown1->setGeometry(142, 75, 15, 20);
  connect(UpDown1, &TUpDown::Clicked, this, &TAlRenamForm::UpDown1Click);

  Label4 = MakeLabel("連番の桁数", this, "Label4");
  Label4->setAlignment(Qt::AlignCenter);
  Label4->setGeometry(36, 103, 60, 20);
  RadioGroup = new QGroupBox(this);
  RadioGroup->setObjectName("RadioGroup");
  RadioGroup->setGeometry(103, 95, 150, 34);
  const char* items[3] = {"1桁　", "２桁　", "３桁"};
  for (int i = 0; i < 3; ++i) {
    RadioItems[i] = new QRadioButton(QtText(items[i]), RadioGroup);
    RadioItems[i]->setObjectName(QString("RadioItem%1").arg(i));
    RadioItems[i]->setGeometry(6 + 48 * i, 9, 46, 18);
  }
  RadioItems[1]->setChecked(true);

  OKBtn = new QPushButton(QtText(kCaptionOk), this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(50, 150, 75, 25);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QtText("ｷｬﾝｾﾙ"), this);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setGeometry(154, 150, 75, 25);
  CancelBtn->setAutoDefault(false);
  connect(OKBtn, &QPushButton::clicked, this, &TAlRenamForm::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  setTabOrder(NameEdit, NumberEdit);
  setTabOrder(NumberEdit, RadioItems[1]);
  setTabOrder(RadioItems[1], OKBtn);
  setTabOrder(OKBtn, CancelBtn);
  NameEdit->setFocus();

  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void TAlRenamForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FitOuterSize();
}

void TAlRenamForm::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  FitOuterSize();
}

void TAlRenamForm::FitOuterSize() {
  // The window system tells the frame only after the window is shown; from then on the
  // outer size is the designed one.
  if (sized_ || !isVisible()) return;
  QSize frame = frameGeometry().size() - geometry().size();
  if (frame.width() <= 0 && frame.height() <= 0) return;
  sized_ = true;
  setFixedSize(kAlRenamOuterWidth - frame.width(), kAlRenamOuterHeight - frame.height());
  if (QScreen* screen = this->screen())
    move(screen->geometry().center() - QPoint(kAlRenamOuterWidth / 2, kAlRenamOuterHeight / 2));
}

int TAlRenamForm::DigitsItem() const {
  for (int i = 0; i < 3; ++i)
    if (RadioItems[i]->isChecked()) return i;
  return 1;
}

void TAlRenamForm::UpDown1Click(bool up) {
  // The control takes the number in its edit, kept within 0..999, and steps without
  // wrapping around.
  bool ok = false;
  int value = NumberEdit->text().trimmed().toInt(&ok);
  if (!ok) value = 0;
  value = std::clamp(value, 0, kUpDownMax);
  value = std::clamp(value + (up ? 1 : -1), 0, kUpDownMax);
  NumberEdit->setText(QString::number(value));
}

bool TAlRenamForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == NumberEdit && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
      UpDown1Click(key->key() == Qt::Key_Up);
      return true;
    }
    if (key->key() == Qt::Key_Backspace) return false;
    const QString text = key->text();
    // Typed characters other than digits are swallowed; editing keys pass.
    if (!text.isEmpty() && text[0].isPrint() &&
        !(text[0].unicode() >= u'0' && text[0].unicode() <= u'9'))
      return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TAlRenamForm::OKBtnClick() {
  RunCommand(dialogs_, [this] {
    BatchRenameRequest request;
    request.Prefix = NameEdit->text().toStdString();
    request.StartText = NumberEdit->text().toStdString();
    request.Digits = DigitsItem() + 1;
    result_ = BatchRename(list_, settings_, dialogs_, request);
    if (!result_.Done) return;
    if (onStatus_ && !result_.StatusPath.empty()) onStatus_(result_.StatusPath, result_.StatusSize);
    accept();
  });
}

}  // namespace verid
