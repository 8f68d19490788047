#include "dialogs/CpyMveFrm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/Cp932.h"
#include "ui/Application.h"
#include "ui/Panels.h"

namespace verid {

TCpyMveForm::TCpyMveForm(FileOpEnv env, RemovalStep removal, QWidget* parent)
    : QDialog(parent), env_(env), removal_(std::move(removal)) {
  setObjectName("CpyMveForm");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(UiFont());
  setFixedSize(321, 218);

  CpyMveState state = MakeCpyMveState(env_.Settings, env_.List);
  setWindowTitle(QString::fromStdString(state.Caption));
  for (int k = 0; k < kSlotCount; ++k) {
    const int y = 16 + 24 * k;
    const QString n = QString::number(k + 1);
    auto* panel = new TSunkenPanel(this);
    panel->setObjectName("CpyPanel" + n);
    panel->setGeometry(16, y, 257, 20);
    auto* label = new QLabel(QString::fromStdString(DisplayText(state.Labels[k])), panel);
    label->setObjectName("CpyLabel" + n);
    label->setTextFormat(Qt::PlainText);  // a folder name, never markup
    label->setGeometry(panel->contentsRect());
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* button = new QPushButton(QString::fromStdString(state.ButtonCaption), this);
    button->setObjectName("CopyBtn" + n);
    button->setGeometry(275, y, 30, 20);
    button->setAutoDefault(false);
    button->setEnabled(state.Enabled[k]);
    connect(button, &QPushButton::clicked, this, [this, k] { CopyBtnClick(k); });
    Panels[k] = panel;
    CpyLabels[k] = label;
    CopyBtns[k] = button;
  }

  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}

void TCpyMveForm::CopyBtnClick(int slot) {
  RunCommand(env_.Dlg, [&] { result_ = RunCpyMveSlot(env_, slot, removal_); });
  // Whatever the outcome, the dialog has done its one job.
  accept();
}

}  // namespace verid
