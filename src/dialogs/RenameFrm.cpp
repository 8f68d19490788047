#include "dialogs/RenameFrm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "app/Cp932.h"
#include "ui/Application.h"

namespace verid {

namespace {
QString Q(const std::string& text) {
  return QString::fromStdString(text);
}
}  // namespace

TRenameForm::TRenameForm(FileList& list, Dialogs& dialogs, StatusSink onStatus, QWidget* parent)
    : QDialog(parent), list_(list), dialogs_(dialogs), onStatus_(std::move(onStatus)) {
  setObjectName("RenameForm");
  setWindowTitle(Q(kRenameCaption));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(UiFont());
  setFixedSize(260, 142);

  Label1 = new QLabel(Q(kRenamePrompt), this);
  Label1->setObjectName("Label1");
  Label1->setTextFormat(Qt::PlainText);
  Label1->move(48, 24);
  Label1->adjustSize();

  RenameEdit = new QLineEdit(this);
  RenameEdit->setObjectName("RenameEdit");
  RenameEdit->setGeometry(56, 56, 110, 20);

  ExtLabel = new QLabel(this);
  ExtLabel->setObjectName("ExtLabel");
  ExtLabel->setTextFormat(Qt::PlainText);  // part of a file name, never markup
  ExtLabel->move(167, 62);

  OKBtn = new QPushButton(Q(kCaptionOk), this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(40, 96, 75, 20);
  OKBtn->setDefault(true);
  OKBtn->setAutoDefault(true);

  CancelBtn = new QPushButton(QString::fromUtf8("ｷｬﾝｾﾙ"), this);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setGeometry(136, 96, 75, 20);
  CancelBtn->setAutoDefault(false);

  setTabOrder(RenameEdit, OKBtn);
  setTabOrder(OKBtn, CancelBtn);

  RenameProposal proposal = ProposeRename(list_.CurrentFile());
  originalBase_ = proposal.Base;
  RenameEdit->setText(Q(DisplayText(proposal.Base)));
  ExtLabel->setText(Q(DisplayText(proposal.Ext)));
  ExtLabel->adjustSize();
  RenameEdit->setFocus();

  connect(OKBtn, &QPushButton::clicked, this, &TRenameForm::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void TRenameForm::OKBtnClick() {
  RunCommand(dialogs_, [this] {
    std::string text = RenameEdit->text().toStdString();
    // An untouched name keeps its own bytes, whatever encoding they are in.
    if (text == DisplayText(originalBase_)) text = originalBase_;
    result_ = ApplyRename(list_, text, dialogs_);
    if (!result_.Renamed) return;
    if (onStatus_) onStatus_(result_.NewPath, result_.StatusSize);
    accept();
  });
}

}  // namespace verid
