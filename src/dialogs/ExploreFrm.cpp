#include "dialogs/ExploreFrm.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/Cp932.h"
#include "app/Hanyou.h"
#include "platform/Platform.h"

namespace verid {

namespace fs = std::filesystem;

namespace {
constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

// Sub-folders of a folder in name order; dot folders are left out as file managers do.
std::vector<std::string> SubFolders(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(FsPath(folder), fs::directory_options::skip_permission_denied, ec);
  if (ec) return names;
  for (const fs::directory_entry& entry : it) {
    std::string name = Utf8Of(entry.path().filename());
    if (name.empty() || name[0] == '.') continue;
    std::error_code typeError;
    if (entry.is_directory(typeError)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return LessText(a, b); });
  return names;
}
}  // namespace

TEXplorerForm::TEXplorerForm(QWidget* owner, ChooseHandler onChoose)
    : QWidget(owner,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      owner_(owner),
      onChoose_(std::move(onChoose)),
      tree_(new QTreeWidget(this)) {
  setObjectName(QStringLiteral("EXplorerForm"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromUtf8(kExplorerCaption));
  tree_->setObjectName(QStringLiteral("ShellTreeView1"));
  tree_->setHeaderHidden(true);
  tree_->setColumnCount(1);
  tree_->setUniformRowHeights(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tree_);

  // The home folder first, then the roots: "/" here, the drive letters where there are
  // drives.
  auto isRoot = [](const std::string& p) {
    return !p.empty() && IsPathDelim(p.back()) && ExcludeTrailingDelim(p) == p;
  };
  const std::string home = HomeFolder();
  if (!isRoot(home) && DirectoryExists(home))
    AddFolder(nullptr, home, ExtractFileName(ExcludeTrailingDelim(home)));
  for (const std::string& drive : DriveRoots())
    if (isRoot(drive)) AddFolder(nullptr, drive, drive);

  connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Fill(item); });
  connect(tree_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item, int) { ShellTreeView1Click(item); });
  tree_->installEventFilter(this);
  Dock();
}

bool TEXplorerForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      ShellTreeView1Click(tree_->currentItem());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TEXplorerForm::SetLocked(bool locked) {
  locked_ = locked;
  tree_->setEnabled(!locked);
}

QTreeWidgetItem* TEXplorerForm::AddFolder(QTreeWidgetItem* parent, const std::string& path,
                                          const std::string& name) {
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
  item->setText(0, QString::fromStdString(DisplayText(name)));
  item->setData(0, kPathRole, QByteArray(path.data(), static_cast<qsizetype>(path.size())));
  item->setData(0, kFilledRole, false);
  item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
  // Children are read when the folder is opened.
  item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
  return item;
}

void TEXplorerForm::Fill(QTreeWidgetItem* item) {
  if (!item || item->data(0, kFilledRole).toBool()) return;
  item->setData(0, kFilledRole, true);
  std::string path = PathOf(item);
  for (const std::string& name : SubFolders(path)) AddFolder(item, JoinPath(path, name), name);
  if (item->childCount() == 0)
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

std::string TEXplorerForm::PathOf(const QTreeWidgetItem* item) {
  if (!item) return {};
  QByteArray bytes = item->data(0, kPathRole).toByteArray();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void TEXplorerForm::Dock() {
  if (!owner_) return;
  QRect frame = owner_->frameGeometry();
  // Our own frame is known once we are shown; until then count it as none.
  int frameExtra = frameGeometry().height() - height();
  resize(kExplorerClientWidth, std::max(1, frame.height() - frameExtra));
  move(frame.x() - kExplorerOffset, frame.y());
}

void TEXplorerForm::Follow() {
  if (!owner_) return;
  QRect frame = owner_->frameGeometry();
  move(frame.x() - kExplorerOffset, frame.y());
}

void TEXplorerForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  Dock();
}

void TEXplorerForm::Reveal(const std::string& folder) {
  if (folder.empty()) return;
  for (int top = 0; top < tree_->topLevelItemCount(); ++top) {
    QTreeWidgetItem* item = tree_->topLevelItem(top);
    std::string root = AddSlash(PathOf(item));
    std::string target = AddSlash(folder);
    if (target.compare(0, root.size(), root) != 0) continue;
    // Walk down one component at a time.
    while (item && AddSlash(PathOf(item)) != target) {
      Fill(item);
      item->setExpanded(true);
      QTreeWidgetItem* next = nullptr;
      for (int i = 0; i < item->childCount() && !next; ++i) {
        std::string child = AddSlash(PathOf(item->child(i)));
        if (target.compare(0, child.size(), child) == 0) next = item->child(i);
      }
      item = next;
    }
    if (item) {
      tree_->setCurrentItem(item);
      tree_->scrollToItem(item);
      return;
    }
  }
}

void TEXplorerForm::ShellTreeView1Click(QTreeWidgetItem* item) {
  if (item && onChoose_ && !locked_) onChoose_(PathOf(item));
}

}  // namespace verid
