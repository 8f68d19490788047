#include "ui/SelectDirDlg.h"

#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

#include "app/Cp932.h"
#include "app/Hanyou.h"
#include "ui/Application.h"
#include "ui/QtDialogs.h"

namespace verid {

namespace {

constexpr int kPathRole = Qt::UserRole;

// The captions in the order DirectoryRequest lists them.
enum Caption { kNameField, kTree, kDrives, kFiles, kNetwork, kOk, kCancel, kCaptionCount };
const char* const kDefaultCaptions[kCaptionCount] = {
    "ディレクトリ名(&N):", "ディレクトリ(&D):", "ドライブ(&R):", "ファイル(&F): (*.*)",
    "ネットワーク(&N)...", kCaptionOk,          kCaptionCancel};

QString Shown(const std::string& bytes) {
  return QString::fromStdString(DisplayText(bytes));
}

std::string PathOf(const QTreeWidgetItem* item) {
  QByteArray bytes = item->data(0, kPathRole).toByteArray();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace

TSelectDirDlg::TSelectDirDlg(const DirectoryRequest& request, std::vector<std::string> drives,
                             QWidget* parent)
    : QDialog(parent), drives_(std::move(drives)) {
  setObjectName("SelectDirDlg");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QString::fromStdString(request.Caption));
  setFont(UiFont());
  setFixedSize(380, 292);
  auto caption = [&request](Caption c) {
    size_t i = static_cast<size_t>(c);
    return QString::fromStdString(i < request.Labels.size() && !request.Labels[i].empty()
                                      ? request.Labels[i]
                                      : std::string(kDefaultCaptions[i]));
  };
  auto label = [this](const QString& text, QWidget* buddy, int x, int y) {
    auto* l = new QLabel(text, this);
    l->setTextFormat(Qt::PlainText);
    l->setBuddy(buddy);
    l->move(x, y);
    l->adjustSize();
    return l;
  };

  DirEdit = new QLineEdit(this);
  DirEdit->setObjectName("DirEdit");
  DirEdit->setGeometry(8, 24, 234, 20);
  label(caption(kNameField), DirEdit, 8, 8);

  DirLabel = new QLabel(this);
  DirLabel->setObjectName("DirLabel");
  DirLabel->setTextFormat(Qt::PlainText);
  DirLabel->setGeometry(8, 48, 234, 16);

  DirList = new QTreeWidget(this);
  DirList->setObjectName("DirList");
  DirList->setGeometry(8, 84, 234, 150);
  DirList->setHeaderHidden(true);
  DirList->setColumnCount(1);
  DirList->setRootIsDecorated(false);
  DirList->setItemsExpandable(false);
  DirList->setIndentation(10);
  DirList->setUniformRowHeights(true);
  DirList->installEventFilter(this);
  label(caption(kTree), DirList, 8, 68);

  FileList = new QListWidget(this);
  FileList->setObjectName("FileList");
  FileList->setGeometry(250, 24, 122, 150);
  FileList->setSelectionMode(QAbstractItemView::NoSelection);
  label(caption(kFiles), FileList, 250, 8);

  DriveList = new QComboBox(this);
  DriveList->setObjectName("DriveList");
  DriveList->setGeometry(8, 258, 234, 22);
  for (const std::string& drive : drives_) DriveList->addItem(Shown(drive));
  label(caption(kDrives), DriveList, 8, 242);

  OKBtn = new QPushButton(caption(kOk), this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setGeometry(250, 196, 122, 24);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(caption(kCancel), this);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setGeometry(250, 226, 122, 24);
  CancelBtn->setAutoDefault(false);
  // No network neighbourhood to browse here: the folder field takes any mounted path.
  NetBtn = new QPushButton(caption(kNetwork), this);
  NetBtn->setObjectName("NetBtn");
  NetBtn->setGeometry(250, 256, 122, 24);
  NetBtn->setAutoDefault(false);
  NetBtn->setEnabled(false);

  setTabOrder(DirEdit, DirList);
  setTabOrder(DirList, FileList);
  setTabOrder(FileList, DriveList);
  setTabOrder(DriveList, OKBtn);
  setTabOrder(OKBtn, CancelBtn);

  connect(OKBtn, &QPushButton::clicked, this, &TSelectDirDlg::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  // A click names the folder in the field; a double click (or Enter) opens it.
  connect(DirList, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    shownPath_ = PathOf(item);
    shownText_ = Shown(shownPath_);
    DirEdit->setText(shownText_);
  });
  connect(DirList, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { OpenItem(item); });
  connect(DriveList, &QComboBox::activated, this, [this](int index) {
    if (index >= 0 && static_cast<size_t>(index) < drives_.size())
      SetFolder(StartFolder(drives_[static_cast<size_t>(index)]));
  });

  SetFolder(StartFolder(request.InitialDir));
  DirEdit->setFocus();
  DirEdit->selectAll();
}

void TSelectDirDlg::SetFolder(const std::string& folder) {
  state_ = MakeSelectDirState(folder, drives_);
  DirList->clear();
  QTreeWidgetItem* parent = nullptr;
  QTreeWidgetItem* current = nullptr;
  for (size_t i = 0; i < state_.Rows.size(); ++i) {
    const SelectDirRow& row = state_.Rows[i];
    QTreeWidgetItem* item = row.Open && parent ? new QTreeWidgetItem(parent)
                            : row.Open         ? new QTreeWidgetItem(DirList)
                                               : new QTreeWidgetItem(current);
    item->setText(0, Shown(row.Name));
    item->setData(0, kPathRole,
                  QByteArray(row.Path.data(), static_cast<qsizetype>(row.Path.size())));
    item->setIcon(
        0, style()->standardIcon(row.Open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon));
    if (row.Open) parent = item;
    if (static_cast<int>(i) == state_.CurrentRow) current = item;
  }
  DirList->expandAll();
  if (current) {
    DirList->setCurrentItem(current);
    DirList->scrollToItem(current);
  }
  FileList->clear();
  for (const std::string& name : state_.Files) FileList->addItem(Shown(name));
  if (state_.DriveIndex >= 0) DriveList->setCurrentIndex(state_.DriveIndex);
  shownPath_ = state_.Folder;
  shownText_ = Shown(shownPath_);
  DirEdit->setText(shownText_);
  DirLabel->setText(shownText_);
}

void TSelectDirDlg::OpenItem(QTreeWidgetItem* item) {
  if (!item) return;
  std::string path = PathOf(item);
  if (DirectoryExists(path)) SetFolder(path);
}

void TSelectDirDlg::OKBtnClick() {
  QString text = DirEdit->text();
  std::string typed = text == shownText_ ? shownPath_ : PathFromQt(text);
  std::string folder = ResolveTypedFolder(state_.Folder, typed);
  if (folder.empty()) return;
  chosen_ = folder;
  accept();
}

bool TSelectDirDlg::eventFilter(QObject* watched, QEvent* event) {
  // Enter in the tree opens the folder instead of ending the dialog.
  if (watched == DirList && event->type() == QEvent::KeyPress) {
    int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OpenItem(DirList->currentItem());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace verid
