// The message boxes and file, folder and colour dialogs, shown with Qt.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "app/Dialogs.h"

namespace verid {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  // The window the boxes are centred on; null means the program's topmost shown window.
  void SetParent(QWidget* parent) { parent_ = parent; }

  MsgButton Message(const MessageRequest& request) override;
  std::optional<std::string> SelectDirectory(const DirectoryRequest& request) override;
  std::optional<FileDialogResult> OpenFile(const FileDialogRequest& request) override;
  std::optional<FileDialogResult> SaveFile(const FileDialogRequest& request) override;
  std::optional<TColor> SelectColor(TColor initial) override;

 private:
  QWidget* Parent() const;
  std::optional<FileDialogResult> RunFileDialog(const FileDialogRequest& request, bool save);
  QPointer<QWidget> parent_;
};

// Text of the program (UTF-8, "\r\n" line breaks) as Qt shows it.
QString QtText(const std::string& text);
// A path as Qt shows it and back (file names are the file system's bytes).
QString PathToQt(const std::string& path);
std::string PathFromQt(const QString& path);
// "Desc|pat;pat|Desc|pat" -> Qt's name filters ("Desc (pat pat)"): Qt takes the patterns
// from the last brackets, and with HideNameFilterDetails shows "Desc" as it stands, even
// when it holds brackets of its own ("JPEG(*.jpg,*.jpeg)").
QStringList QtNameFilters(const std::string& filter);

}  // namespace verid
