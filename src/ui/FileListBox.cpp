#include "ui/FileListBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSize>
#include <algorithm>

#include "app/Cp932.h"

namespace verid {

QString DisplayName(const std::string& name) {
  return QString::fromStdString(DisplayText(name));
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count_;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  int row = index.row();
  if (!index.isValid() || row < 0 || row >= count_ || row >= list_.Count()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return DisplayName(list_.Entry(row));
    case Qt::SizeHintRole:
      return QSize(1, rowHeight_);
    default:
      return {};
  }
}

void FileListModel::SetRowHeight(int height) {
  if (height == rowHeight_) return;
  beginResetModel();
  rowHeight_ = height;
  endResetModel();
}

void FileListModel::Reload() {
  beginResetModel();
  count_ = list_.Count();
  endResetModel();
}

TFileListBox::TFileListBox(FileList& list, QWidget* parent)
    : QListView(parent), list_(list), model_(new FileListModel(list, this)) {
  setModel(model_);
  model_->SetRowHeight(std::max(kFileListRowHeight, fontMetrics().height()));
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTextElideMode(Qt::ElideNone);
  setSpacing(0);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current, const QModelIndex&) { OnCurrentChanged(current); });
  subscription_ = list_.Subscribe([this](TListChange change) {
    // The box's own choice is already shown.
    if (change == TListChange::Selection && (choosing_ || syncing_)) return;
    SyncFromList(change == TListChange::Entries);
  });
}

int TFileListBox::CurrentRow() const {
  QModelIndex index = currentIndex();
  return index.isValid() && selectionModel()->isSelected(index) ? index.row() : -1;
}

void TFileListBox::SyncFromList(bool reload) {
  syncing_ = true;
  if (reload || model_->CachedCount() != list_.Count()) model_->Reload();
  int index = list_.ItemIndex();
  if (index >= 0 && index < model_->CachedCount()) {
    QModelIndex modelIndex = model_->index(index);
    selectionModel()->setCurrentIndex(modelIndex, QItemSelectionModel::ClearAndSelect);
    scrollTo(modelIndex);
  } else {
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  viewport()->update();
  syncing_ = false;
}

void TFileListBox::OnCurrentChanged(const QModelIndex& current) {
  if (syncing_) return;
  changedInPress_ = true;
  choosing_ = true;
  list_.SetItemIndex(current.isValid() ? current.row() : -1);
  choosing_ = false;
  // The selection follows the current row (keyboard moves in single-selection mode).
  if (current.isValid()) selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
  emit Clicked();
}

void TFileListBox::keyPressEvent(QKeyEvent* event) {
  if (inputLocked_) {
    event->accept();
    return;
  }
  if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
    if (event->key() == Qt::Key_Backspace) {
      emit PreviousKey();
      return;
    }
    if (event->key() == Qt::Key_Space) {
      emit NextKey();
      return;
    }
  }
  QListView::keyPressEvent(event);
}

void TFileListBox::mousePressEvent(QMouseEvent* event) {
  // The right button opens the pop-up menu and leaves the selection alone.
  if (event->button() == Qt::RightButton || inputLocked_) {
    event->accept();
    return;
  }
  changedInPress_ = false;
  QListView::mousePressEvent(event);
  // A click on the entry already selected changes nothing, yet it is a click.
  if (event->button() == Qt::LeftButton && !changedInPress_ &&
      indexAt(event->position().toPoint()).isValid()) {
    choosing_ = true;
    list_.SetItemIndex(indexAt(event->position().toPoint()).row());
    choosing_ = false;
    emit Clicked();
  }
}

void TFileListBox::changeEvent(QEvent* event) {
  QListView::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    model_->SetRowHeight(std::max(kFileListRowHeight, fontMetrics().height()));
    SyncFromList();
  }
}

void TFileListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (inputLocked_) {
    event->accept();
    return;
  }
  QListView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
    emit Clicked();
}

}  // namespace verid
