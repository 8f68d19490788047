#include "ui/QtDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "platform/Platform.h"
#include "ui/Application.h"
#include "ui/SelectDirDlg.h"

namespace verid {

QString QtText(const std::string& text) {
  QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return result;
}

// Paths are UTF-8 (Qt's own file-name encoding on Linux; on Windows its local 8-bit
// encoding would be the ANSI code page).
QString PathToQt(const std::string& path) {
  return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

std::string PathFromQt(const QString& path) {
  return QDir::toNativeSeparators(path).toStdString();
}

QStringList QtNameFilters(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    result << parts[i] + QStringLiteral(" (") + patterns.trimmed() + QLatin1Char(')');
  }
  return result;
}

QWidget* QtDialogs::Parent() const {
  if (parent_) return parent_.data();
  return TopProgramWindow();
}

MsgButton QtDialogs::Message(const MessageRequest& request) {
  QMessageBox box(Parent());
  switch (request.Kind) {
    case MsgKind::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case MsgKind::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case MsgKind::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MsgKind::Confirmation:
      box.setIcon(QMessageBox::Question);
      break;
    case MsgKind::Plain:
      box.setIcon(QMessageBox::NoIcon);
      break;
  }
  box.setWindowTitle(
      QString::fromStdString(request.Title.empty() ? TitleOf(request.Kind) : request.Title));
  box.setTextFormat(Qt::PlainText);
  box.setText(QtText(request.Text));

  std::vector<MsgButton> buttons = request.Buttons;
  if (buttons.empty()) buttons.push_back(MsgButton::Ok);
  std::vector<QPushButton*> pushButtons;
  for (size_t i = 0; i < buttons.size(); ++i) {
    std::string caption = CaptionOf(buttons[i]);
    if (i < request.ButtonCaptions.size() && !request.ButtonCaptions[i].empty())
      caption = request.ButtonCaptions[i];
    QMessageBox::ButtonRole role = QMessageBox::AcceptRole;
    if (buttons[i] == MsgButton::No || buttons[i] == MsgButton::NoToAll)
      role = QMessageBox::NoRole;
    else if (buttons[i] == MsgButton::Cancel)
      role = QMessageBox::RejectRole;
    else if (buttons[i] == MsgButton::Yes)
      role = QMessageBox::YesRole;
    pushButtons.push_back(box.addButton(QString::fromStdString(caption), role));
  }
  size_t def = request.DefaultButton >= 0 && size_t(request.DefaultButton) < buttons.size()
                   ? size_t(request.DefaultButton)
                   : 0;
  box.setDefaultButton(pushButtons[def]);
  // Escape answers Cancel, else No, else the only button.
  QPushButton* escape = nullptr;
  for (size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i] == MsgButton::Cancel) escape = pushButtons[i];
  if (!escape)
    for (size_t i = 0; i < buttons.size(); ++i)
      if (buttons[i] == MsgButton::No) escape = pushButtons[i];
  if (!escape && buttons.size() == 1) escape = pushButtons[0];
  if (escape) box.setEscapeButton(escape);

  box.exec();
  for (size_t i = 0; i < pushButtons.size(); ++i)
    if (box.clickedButton() == pushButtons[i]) return buttons[i];
  // Closed without a button (no escape button): the safest answer the box offers.
  for (MsgButton b : buttons)
    if (b == MsgButton::Cancel || b == MsgButton::No) return b;
  return buttons.back();
}

std::optional<std::string> QtDialogs::SelectDirectory(const DirectoryRequest& request) {
  TSelectDirDlg dialog(request, DriveRoots(), Parent());
  if (dialog.exec() != QDialog::Accepted || dialog.Chosen().empty()) return std::nullopt;
  return dialog.Chosen();
}

std::optional<FileDialogResult> QtDialogs::RunFileDialog(const FileDialogRequest& request,
                                                         bool save) {
  QFileDialog dialog(Parent(), QString::fromStdString(request.Title));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!request.InitialDir.empty()) dialog.setDirectory(PathToQt(request.InitialDir));
  // Qt's own dialog, so it speaks the program's Japanese; the filter list shows the
  // descriptions exactly as the program gives them.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  QStringList filters = QtNameFilters(request.Filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    int index =
        request.FilterIndex >= 1 && request.FilterIndex <= filters.size() ? request.FilterIndex : 1;
    dialog.selectNameFilter(filters[index - 1]);
  }
  // Qt names the chosen row by its whole filter or, with the details hidden, by what the
  // row shows: the description, blanks simplified. Gives the 1-based row, 0 for none.
  auto rowOf = [&filters](const QString& selected) {
    qsizetype chosen = filters.indexOf(selected);
    for (qsizetype i = 0; chosen < 0 && i < filters.size(); ++i) {
      QString shown = filters[i].left(filters[i].lastIndexOf(QLatin1Char('('))).simplified();
      if (shown == selected.simplified()) chosen = i;
    }
    return static_cast<int>(chosen) + 1;
  };
  // A name typed without an extension gets the chosen type's, as the type box changes.
  auto suffixFor = [&request, &rowOf](const QString& nameFilter) {
    std::string ext = FilterRowExtension(request.Filter, rowOf(nameFilter));
    return QString::fromStdString(ext.empty() ? request.DefaultExt : ext);
  };
  if (!request.DefaultExt.empty()) {
    dialog.setDefaultSuffix(suffixFor(dialog.selectedNameFilter()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, &suffixFor](const QString& nameFilter) {
                       dialog.setDefaultSuffix(suffixFor(nameFilter));
                     });
  }
  if (!request.FileName.empty()) dialog.selectFile(PathToQt(request.FileName));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.OverwritePrompt);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;

  FileDialogResult result;
  result.FileName = PathFromQt(dialog.selectedFiles().front());
  const int chosen = rowOf(dialog.selectedNameFilter());
  result.FilterIndex = chosen > 0 ? chosen : request.FilterIndex;
  return result;
}

std::optional<FileDialogResult> QtDialogs::OpenFile(const FileDialogRequest& request) {
  return RunFileDialog(request, false);
}

std::optional<FileDialogResult> QtDialogs::SaveFile(const FileDialogRequest& request) {
  return RunFileDialog(request, true);
}

std::optional<TColor> QtDialogs::SelectColor(TColor initial) {
  QColor chosen = QColorDialog::getColor(QColor(RedOf(initial), GreenOf(initial), BlueOf(initial)),
                                         Parent(), QString(), QColorDialog::DontUseNativeDialog);
  if (!chosen.isValid()) return std::nullopt;
  return RGBColor(static_cast<uint8_t>(chosen.red()), static_cast<uint8_t>(chosen.green()),
                  static_cast<uint8_t>(chosen.blue()));
}

}  // namespace verid
