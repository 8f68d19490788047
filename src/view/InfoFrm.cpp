#include "view/InfoFrm.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/Cp932.h"
#include "ui/Application.h"
#include "view/Info.h"

namespace verid {

namespace {

QLabel* Cell(QWidget* parent, const char* name, const QString& text, const QRect& place) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAlignment(Qt::AlignCenter);
  label->setTextFormat(Qt::PlainText);
  label->setGeometry(place);
  return label;
}

}  // namespace

TInfoForm::TInfoForm(Platform& platform, QWidget* parent) : QDialog(parent), platform_(platform) {
  setObjectName(QStringLiteral("InfoForm"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QString::fromUtf8(kInfoCaption));
  setFont(UiFont());
  setFixedSize(340, 160);

  auto* bevel = new QFrame(this);
  bevel->setObjectName(QStringLiteral("Bevel1"));
  bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
  bevel->setGeometry(8, 8, 324, 108);
  const char* captions[4] = {"ﾌｧｲﾙ名", "ｻｲｽﾞ", "横×縦", "最終更新日"};
  const char* captionNames[4] = {"Label1", "Label3", "Label5", "Label7"};
  const char* valueNames[4] = {"Label2", "Label4", "Label6", "Label8"};
  QLabel* values[4];
  for (int k = 0; k < 4; ++k) {
    const int y = 16 + 24 * k;
    Cell(this, captionNames[k], QString::fromUtf8(captions[k]), QRect(16, y, 80, 20));
    values[k] = Cell(this, valueNames[k], QString(), QRect(100, y, 224, 20));
  }
  Label2 = values[0];
  Label4 = values[1];
  Label6 = values[2];
  Label8 = values[3];

  Button1 = new QPushButton(QString::fromUtf8("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(132, 126, 75, 25);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void TInfoForm::SetDimensions(int width, int height) {
  width_ = width;
  height_ = height;
}

void TInfoForm::FillInfo(const std::string& path) {
  InfoState state = verid::FillInfo(path, width_, height_, platform_);
  Label2->setText(QString::fromStdString(DisplayText(state.FileName)));
  Label4->setText(QString::fromStdString(state.Size));
  Label6->setText(QString::fromStdString(state.Dimensions));
  Label8->setText(QString::fromStdString(state.Modified));
}

void ShowImageInfo(const std::string& path, int width, int height, Platform& platform,
                   QWidget* parent) {
  TInfoForm form(platform, parent);
  form.SetDimensions(width, height);
  form.FillInfo(path);
  form.exec();
}

}  // namespace verid
