// The catalog window: the thumbnails of a catalog as large icons on grey, with the commands
// that view, rename, copy, move and delete the main list's files they stand for, remake
// the catalog at another size and save it. Entry k stands for the main list's entry k.
// The list is a view over the thumbnail store: rows and pictures are read when drawn.
#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QListView>
#include <QMainWindow>
#include <QPixmap>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "catalog/CatalogBuild.h"
#include "catalog/Catarog.h"
#include "dialogs/RenameFrm.h"
#include "view/View.h"

class QAction;
class QMenu;
class QMenuBar;

namespace verid {

class TCatarogForm;

// The rows of a catalog for the list view: the caption and the entry's thumbnail.
class TCatalogModel : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit TCatalogModel(const Catalog& catalog, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // Takes the catalog's entries and thumbnails as they are now.
  void Reload();
  // Shows nothing until the next Reload (the catalog is being rebuilt).
  void Detach();
  // The entry at `row` left the catalog / changed its caption.
  void RowRemoved(int row);
  void RowChanged(int row);

 private:
  const Catalog& catalog_;
  int count_ = 0;
  // Thumbnails drawn recently, by image index; the store itself stays the only full copy.
  mutable QCache<int, QPixmap> pixmaps_;
};

// The list: keys and the double click go to the window's commands.
class TCatalogListView : public QListView {
  Q_OBJECT
 public:
  TCatalogListView(TCatarogForm& form, QWidget* parent);
  // Whether the entry's caption is too long for the room under its thumbnail and shows
  // cut short ("…"); then its tool tip gives the whole name.
  bool CaptionCut(const QModelIndex& index);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  TCatarogForm& form_;
};

// What the main window hands the catalog window.
struct CatalogOwner {
  ViewOwner View;  // registered-folder captions and wallpaper commands, as for the view
  std::function<void()> ClearPreview;  // preview removed, panel to the button face, repaint
  std::function<void()> HideMain;      // the main window and the folder chooser
  std::function<void()> ShowMain;      // both again, the main window repainted
  std::function<void()> LockCommands, UnlockCommands;
  // The list's entries shown again and the preview made for its current file.
  std::function<void()> RefreshPreview;
  TRenameForm::StatusSink RenameStatus;  // the main window's status panels after a rename
  QWidget* Window = nullptr;             // the main window: the catalog goes with it
};

class TCatarogForm : public QMainWindow {
  Q_OBJECT
 public:
  // Locks the main window's commands; frees itself when closed.
  TCatarogForm(CatalogEnv env, const CatalogOwner& owner);
  ~TCatarogForm() override;

  // --- filling ---
  // Builds from the main list at cell size `size` (the window's caption becomes the list's
  // folder) and selects the first entry, also when the build ends with an error, which
  // then propagates.
  BuildResult Build(int size, const BuildOptions& options = {});
  // Reads a catalog file (the caption becomes its path) and makes the window view-only:
  // menus hidden, no pop-up. A file that is not a catalog gives the error box and keeps
  // what was read; a file that cannot be read throws.
  void Read(const std::string& path);
  // Frees a window that was never shown and gives the main window its commands back.
  void Discard();

  Catalog& Data() { return catalog_; }
  const CatalogState& State() const { return state_; }
  CatalogMenuState Menus() const;

  // --- selection ---
  int Selected() const;  // -1 for none
  // Selected, focused and scrolled fully into view; -1 or out of range selects nothing.
  void Select(int index);
  int SyncMain();

  // --- components (named as in the window's layout) ---
  TCatalogListView* ListView() const { return listView_; }
  TCatalogModel* Model() const { return model_; }
  QMenuBar* MainMenu1() const;
  QMenu* PopupMenu1() const { return popup_; }
  QAction* Action(const std::string& name) const;

  // --- commands ---
  void mnCRenameClick();
  void mnCCpyClick(int slot);
  void mnCCpyAnotherClick();
  void mnCMoveClick(int slot);
  void mnCMoveAnotherClick();
  void mnCDelClick();
  void pmCsaveClick();
  void mnCExitClick();
  void mnCRealClick();
  void mnCFitClick();
  void mnCFulClick();
  void mnCSlideClick();
  void pmReMake65Click() { Remake(65); }
  void pmRemake80Click() { Remake(80); }
  void pmRemake100Click() { Remake(100); }
  void pmRemake120Click() { Remake(120); }
  void Remake(int size, const BuildOptions& options = {});
  void mnCPrevClick();
  void mnCNextClick();
  void mnCFirstClick();
  void mnCLastClick();
  void mnCInfoClick();
  void mnCWallCenterClick();
  void mnCWallAllClick();
  void mnCWallUndoClick();
  // Opening the conversion submenu enables its entries by the synced file's extension.
  void mnCConvertClick();
  void mnCConvertKindClick(int kind);
  void mnCHideMenuClick();
  void pmCShowMenuClick();

  // --- the list ---
  // Backspace, Enter and Space while an entry is selected; false leaves the key to the list.
  bool ListViewKeyDown(int key);
  void ListViewDblClick();
  void ListViewContextPopup(const QPoint& globalPos);

  // Runs a command through the default error box.
  void Run(const std::function<void()>& command);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildPopup();
  QAction* AddItem(QMenu* menu, const char* name, const char* caption,
                   std::function<void()> command);
  QMenu* AddSubmenu(QMenu* menu, const char* name, const char* caption);
  void AddFolderItems(QMenu* menu, const char* prefix, const char* another, bool copy);
  void AddRemakeItems(QMenu* menu, const char* const names[4], const char* const captions[4]);
  void PaintMenus();
  void ShowView(int mode);
  void RenameListCurrent(QWidget* parent);
  void MoveTo(const std::string& folder);
  RemovalStep Removal();
  void AfterFill();

  CatalogEnv env_;
  CatalogOwner owner_;
  Catalog catalog_;
  CatalogFolders folders_;
  CatalogState state_;
  bool mainWallUndo_ = false;  // the main window's undo item, for the view window
  bool building_ = false;
  bool closed_ = false;
  TCatalogModel* model_ = nullptr;
  TCatalogListView* listView_ = nullptr;
  QMenu* popup_ = nullptr;
  std::map<std::string, QAction*> actions_;
  std::vector<QMenu*> topMenus_;
  std::optional<CatalogMenuState> painted_;
};

// The main window's "ｶﾀﾛｸﾞを作成": nothing without a current file; otherwise the preview is
// cleared, the catalog built at CatalogThumbSize and shown maximised in place of the main
// window, whose commands stay locked until the catalog closes. A build that ends with an
// error still shows what was made, then the error propagates.
TCatarogForm* MakeCatalogWindow(CatalogEnv env, const CatalogOwner& owner,
                                const BuildOptions& options = {});
// The main window's "ﾌｧｲﾙ(*.doz)を開く" once the file is chosen and its extension checked: the
// catalog window reads it and takes over the screen, view-only, with the main window's
// commands unlocked. A file that cannot be read leaves the main window as it was.
TCatarogForm* OpenCatalogWindow(const std::string& path, CatalogEnv env, const CatalogOwner& owner);

}  // namespace verid
