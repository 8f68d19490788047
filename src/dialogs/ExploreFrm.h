// The folder chooser: a tool window with the folder tree, docked left of the main window.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

class QTreeWidget;
class QTreeWidgetItem;

namespace verid {

inline constexpr const char* kExplorerCaption = "ﾌｫﾙﾀﾞの選択";
inline constexpr int kExplorerClientWidth = 167;
inline constexpr int kExplorerOffset = 173;  // from the main window's left edge

class TEXplorerForm : public QWidget {
  Q_OBJECT
 public:
  using ChooseHandler = std::function<void(const std::string& folder)>;
  // `owner` is the main window: the chooser stays above it and docks beside it.
  TEXplorerForm(QWidget* owner, ChooseHandler onChoose);

  // Left of the owner by 173 pixels, at its top, as tall as it: where a new chooser
  // stands.
  void Dock();
  // Back to the owner's left by 173 pixels, at its top, keeping the height: the owner
  // has moved.
  void Follow();
  // Opens the tree down to `folder` and selects it (nothing when it is not there).
  void Reveal(const std::string& folder);
  QTreeWidget* ShellTreeView1() const { return tree_; }
  // The folder a tree item stands for (the file system's bytes).
  static std::string PathOf(const QTreeWidgetItem* item);

  // Click in the tree, or Return on its current item: the item's folder goes to the main
  // window.
  void ShellTreeView1Click(QTreeWidgetItem* item);
  // While the main window's list belongs to a running activity the tree is greyed and
  // chooses nothing.
  void SetLocked(bool locked);
  bool Locked() const { return locked_; }

 protected:
  // The frame is known once first shown: dock again with it. Later showings (after a
  // view window) leave the chooser where it is.
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, const std::string& path,
                             const std::string& name);
  void Fill(QTreeWidgetItem* item);
  QWidget* owner_;
  ChooseHandler onChoose_;
  QTreeWidget* tree_;
  bool shown_ = false;
  bool locked_ = false;
};

}  // namespace verid
