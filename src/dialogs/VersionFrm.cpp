#include "dialogs/VersionFrm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "ui/AppIcon.h"

namespace verid {

namespace {
constexpr int kIconSize = 42;
constexpr const char* kCreditLine = "画像の閲覧と整理のためのツール";
constexpr const char* kContactLine = "ご意見・不具合の報告をお待ちしています";
}  // namespace

TVersionForm::TVersionForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      button1_(new QPushButton(QStringLiteral("OK"), this)) {
  setObjectName(QStringLiteral("VersionForm"));
  setWindowTitle(QString::fromUtf8(kVersionCaption));

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("ProgramIcon"));
  icon->setGeometry(12, 12, kIconSize, kIconSize);
  icon->setPixmap(AppIcon(kIconSize));

  auto* product = new QLabel(QString::fromUtf8(kProductName), this);
  product->setObjectName(QStringLiteral("ProductName"));
  QFont script(QStringLiteral("Monotype Corsiva"));
  script.setStyleHint(QFont::Cursive);
  script.setItalic(true);
  script.setPixelSize(19);
  product->setFont(script);
  QPalette blue = product->palette();
  blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
  product->setPalette(blue);
  product->setGeometry(68, 12, 200, 24);

  auto* version = new QLabel(QString::fromUtf8(kVersionText), this);
  version->setObjectName(QStringLiteral("Version"));
  QFont arial(QStringLiteral("Arial"));
  arial.setPixelSize(12);
  version->setFont(arial);
  version->setGeometry(68, 38, 200, 16);

  auto* credit = new QLabel(QString::fromUtf8(kCreditLine), this);
  credit->setObjectName(QStringLiteral("Credit"));
  credit->setGeometry(12, 66, 296, 16);
  auto* contact = new QLabel(QString::fromUtf8(kContactLine), this);
  contact->setObjectName(QStringLiteral("Contact"));
  contact->setGeometry(12, 84, 296, 16);

  button1_->setObjectName(QStringLiteral("Button1"));
  button1_->setDefault(true);
  button1_->setAutoDefault(true);
  button1_->setGeometry(124, 110, 72, 24);
  connect(button1_, &QPushButton::clicked, this, [this] { Button1Click(); });

  setFixedSize(320, 146);
  if (QScreen* screen =
          parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen()) {
    QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
}

}  // namespace verid
