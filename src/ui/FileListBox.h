// The main window's file list: a view over the one FileList. Rows are read from the list
// when drawn, so a folder of 100,000 pictures costs nothing to show.
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QString>

#include "app/FileList.h"

namespace verid {

// The rows' height: at least this, and as much as the font needs for every character
// (descenders included) to show.
inline constexpr int kFileListRowHeight = 12;

// A file name as it is shown: UTF-8 when the bytes are UTF-8, else CP932, else with
// replacement characters. The name itself stays the file system's bytes.
QString DisplayName(const std::string& name);

class FileListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit FileListModel(const FileList& list, QObject* parent = nullptr)
      : QAbstractListModel(parent), list_(list), count_(list.Count()) {}
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // Takes the list's entries as they are now.
  void Reload();
  int CachedCount() const { return count_; }
  void SetRowHeight(int height);

 private:
  const FileList& list_;
  int count_;
  int rowHeight_ = kFileListRowHeight;
};

class TFileListBox : public QListView {
  Q_OBJECT
 public:
  explicit TFileListBox(FileList& list, QWidget* parent = nullptr);
  FileList& List() { return list_; }
  // Shows the list's entries and selection as they are now (no click is reported).
  // Entries are re-read when `reload` is set or their number changed. The box does this
  // by itself whenever the list changes.
  void SyncFromList(bool reload = false);
  // The row shown as selected (-1 for none).
  int CurrentRow() const;
  // While locked the box shows the list but takes no clicks or keys: another activity
  // owns the list.
  void SetInputLocked(bool locked) { inputLocked_ = locked; }
  bool InputLocked() const { return inputLocked_; }

 signals:
  // A click, a double-click or a selection change made by the user.
  void Clicked();
  void PreviousKey();  // Backspace
  void NextKey();      // Space

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void OnCurrentChanged(const QModelIndex& current);
  FileList& list_;
  FileListModel* model_;
  bool syncing_ = false;
  bool changedInPress_ = false;
  bool choosing_ = false;  // the user's choice is being handed to the list
  bool inputLocked_ = false;
  TListSubscription subscription_;
};

}  // namespace verid
