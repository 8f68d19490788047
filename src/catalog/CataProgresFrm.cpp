#include "catalog/CataProgresFrm.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include "ui/Application.h"
#include "ui/Gauge.h"
#include "ui/RasterView.h"

namespace verid {

namespace {
QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(x, y);
  label->adjustSize();
  return label;
}
}  // namespace

TCatarogProgresForm::TCatarogProgresForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("CatarogProgresForm"));
  setAttribute(Qt::WA_DeleteOnClose);
  // While it runs it is the only window that reacts.
  setWindowModality(Qt::ApplicationModal);
  setWindowTitle(QString::fromUtf8(kProgressCaption));
  setFont(UiFont());
  setFixedSize(224, 139);

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(13, 10, 80, 80);
  Image1->setScaledContents(true);

  Label1 = AddLabel(this, "Label1", QString::fromUtf8(kLoadNumberLabel), 110, 15);
  LoadNumber = AddLabel(this, "LoadNumber", QString(), 200, 15);
  Label2 = AddLabel(this, "Label2", QString::fromUtf8(kTotalNumberLabel), 110, 38);
  TotalNumber = AddLabel(this, "TotalNumber", QString(), 200, 38);
  for (QLabel* number : {LoadNumber, TotalNumber}) number->resize(60, Label1->height());

  StopBtn = new QPushButton(QString::fromUtf8(kStopCaption), this);
  StopBtn->setObjectName(QStringLiteral("StopBtn"));
  StopBtn->setGeometry(117, 64, 75, 23);
  connect(StopBtn, &QPushButton::clicked, this, [this] { StopBtnClick(); });

  Gauge = new TGauge(this);
  Gauge->setObjectName(QStringLiteral("Gauge"));
  Gauge->setGeometry(14, 105, 192, 18);
  Gauge->SetForeColor(QColor(0, 0, 128));

  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void TCatarogProgresForm::StopBtnClick() {
  stop_ = true;
}

void TCatarogProgresForm::BuildStarted() {
  Gauge->SetProgress(0);
  Image1->clear();
  show();
}

void TCatarogProgresForm::FileDone(const TBitmap& thumbnail, const BuildProgress& progress) {
  Image1->setPixmap(QPixmap::fromImage(RasterImage(thumbnail)));
  Gauge->SetProgress(progress.Gauge);
  LoadNumber->setText(QString::fromStdString(progress.LoadNumber));
  TotalNumber->setText(QString::fromStdString(progress.TotalNumber));
  repaint();
}

void TCatarogProgresForm::BuildEnded() {
  ending_ = true;
  close();
}

void TCatarogProgresForm::reject() {
  // Escape.
  if (ending_)
    QDialog::reject();
  else
    StopBtn->click();
}

void TCatarogProgresForm::closeEvent(QCloseEvent* event) {
  if (ending_) {
    QDialog::closeEvent(event);
    return;
  }
  // The window asks for a title bar without buttons, yet some window managers give it a
  // close box all the same: there, and for a logout, closing means stop; the build ends
  // the window itself.
  StopBtn->click();
  event->ignore();
}

BuildResult RunCatalogBuild(QWidget* owner, FileList& list, int size, Catalog& catalog,
                            Platform& platform, const BuildOptions& options) {
  auto* progress = new TCatarogProgresForm(owner);
  return BuildCatalog(list, size, catalog, *progress, platform, options);
}

}  // namespace verid
