// The main window: menus, tool bar, preview panel, search slots, the file list and the
// status bar; it owns the settings record and the one file list for the whole run.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/FileList.h"
#include "app/MainState.h"
#include "app/Settings.h"
#include "platform/Platform.h"
#include "view/WPaper.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMimeData;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace verid {

struct CatalogOwner;
struct FileOpEnv;
struct RemovalStep;
struct ViewOpenerHost;
struct ViewOwner;
class TEXplorerForm;
class TFileListBox;
class TFittingLabel;
class TImageBox;
class TLookAhead;
class TStatusBar;
class TSunkenPanel;

inline constexpr const char* kMainCaption = "Verid";
inline constexpr const char* kFirstRunHintText =
    "はじめに「オプション｜プロパティ」から\r\n各種の設定をおこなってください。";
inline constexpr const char* kCatalogExtError = "*.doz以外のﾌｧｲﾙは読み込めません";

// Client-area layout (the menu bar and the window frame come on top).
inline constexpr int kClientWidth = 387;
inline constexpr int kClientHeightWithToolBar = 239;
inline constexpr int kClientHeightWithoutToolBar = 215;
inline constexpr int kTopWithToolBar = 27;
inline constexpr int kTopWithoutToolBar = 3;
inline constexpr int kStatusBarHeight = 22;

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  // `commandLine` is the first program argument ("" for none). The settings file is the
  // one LocateSettings finds.
  TMainForm(Dialogs& dialogs, Platform& platform, const std::string& commandLine = {},
            QWidget* parent = nullptr);
  ~TMainForm() override;

  // Shows the window; a catalog given on the command line opens in its place, as the
  // open-catalog command opens it (the window shows only when that fails).
  void Start();

  AppSettings& Settings() { return settings_; }
  FileList& List() { return list_; }
  TLookAhead& PreviewAhead() { return *previewAhead_; }
  Dialogs& GetDialogs() { return dialogs_; }
  Platform& GetPlatform() { return platform_; }
  const std::string& SettingsPath() const { return settingsPath_; }
  // Folders whose entries get their attributes cleared at start and set at exit.
  std::vector<std::string>& CacheFolders() { return cacheFolders_; }

  // --- the list ------------------------------------------------------------------------
  void OpenFolder(const std::string& folder);
  void OpenFile(const std::string& file);
  // A path given on the command line or dropped: with an extension a file, else a folder.
  void OpenPath(const std::string& path);
  // Dropped paths: only the first counts.
  void DropPaths(const std::vector<std::string>& paths);
  // What a drop hands over: the first local file or folder of its URLs.
  void DropMime(const QMimeData& mime);
  // The preview step for the list's current file.
  void FileListBoxClick();
  void UpdateCommandStates();
  uint16_t PictureWidth() const { return pictureWidth_; }
  uint16_t PictureHeight() const { return pictureHeight_; }

  // --- window state --------------------------------------------------------------------
  // Disables the menus, buttons and the main pop-up menu while another window runs; a
  // preview slide show keeps the show menu for its stop item.
  void LockCommands(bool keepShowMenu = false);
  void UnlockCommands();
  bool CommandsLocked() const { return state_.Locked; }
  void ApplyToolBar();
  // First-run hint, on every activation while it is due.
  void FormActivate();
  // Hides or shows the main window together with the folder chooser.
  void HideWithChooser();
  void ShowWithChooser();
  TEXplorerForm* Explorer() const;
  // The slide show swaps the pop-up menus.
  void UseSlidePopup(bool slide);
  QMenu* ActivePopup() const;
  // The pop-up menu a right-click shows now (null while it is stopped).
  QMenu* PopupForRightClick() const;
  bool SlideStop = false;  // set by the stop commands, read by the running show

  // Writes the settings file (its folder made first when it is the user's).
  void SaveSettings();
  // Runs a command through the default error box.
  void Run(const std::function<void()>& command);

  // --- widgets (named as in the window's layout) ----------------------------------------
  // The menu item or menu of that name. A name the window does not have is a slip of the
  // code: debug builds stop there; release builds give null.
  QAction* Action(const std::string& name) const;
  QWidget* Client() const { return client_; }
  QWidget* ToolBar() const { return toolBar_; }
  QFrame* Bevel1() const { return bevel_; }
  TSunkenPanel* Panel1() const { return panel1_; }
  TImageBox* ThumbImage() const { return thumbImage_; }
  QTabWidget* PageControl1() const { return pageControl_; }
  TFileListBox* FileListBox() const { return fileListBox_; }
  TStatusBar* StatusBar1() const { return statusBar_; }
  QLabel* itemCountLbl() const;
  QLabel* SlotLabel(int n) const { return slotLabels_.at(static_cast<size_t>(n - 1)); }
  QPushButton* FindBtn(int n) const { return findButtons_.at(static_cast<size_t>(n - 1)); }
  QToolButton* SpeedButton(const std::string& name) const;
  const std::vector<QToolButton*>& SpeedButtons() const { return speedButtons_; }
  QColor ButtonFaceColor() const;

  // --- commands ------------------------------------------------------------------------
  void mnOpenClick();
  void mnFindCacheClick();
  void mnFindClick(int slot);
  void FindBtnClick(int slot);
  void mnRenameClick();
  void mnCpysClick(int slot);
  void mnAnotherCpyClick();
  void mnGoTosClick(int slot);
  void mnAnotherGtoClick();
  void mnDelClick();
  void mnExitClick();
  void mnRealSizeClick();
  void mnFitToScreenClick();
  void mnFulScreenClick();
  void mnCatarogMakeClick();
  void mnCatarogReadClick();
  // Opens a .doz file view-only in a catalog window; throws when it cannot be read, with
  // the preview back.
  void OpenCatalogFile(const std::string& path);
  void mnSlide_ThumClick();
  void mnSlide_FulClick();
  void mnSlideExitClick();
  void mnPrevClick();
  void mnNextClick();
  void mnFirstClick();
  void mnLastClick();
  void mnAllRenameClick();
  void mnAllCopyClick(int slot);
  void mnAllCopyAnotherClick();
  void mnAllGotoClick(int slot);
  void mnAllGotoSPClick();
  void mnAlldelClick();
  void mnAllConvertClick(int kind);
  void mnPrptyClick();
  void mnInfoClick();
  void mnWallCenterClick();
  void mnWallAllClick();
  void mnWallUndoClick();
  void mnConvertClick(int kind);
  void mnConvertPopup();
  void mnToolBarClick();
  void mnDeskTopClick();
  void mnSendToClick();
  void mnVersionClick();
  void CopyBtnClick();
  void MoveBtnClick();

 signals:
  // The window has accepted its close: the program ends.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenus();
  void BuildPopups();
  void BuildClient();
  void BuildToolBar();
  QAction* AddItem(QMenu* menu, const char* name, const char* caption,
                   std::function<void()> command = {}, bool enabled = true);
  QMenu* AddSubmenu(QMenu* menu, const char* name, const char* caption, bool enabled = true);
  // Reads the registered folders again and paints them.
  void ApplyFolderCaptions();
  // Shows state_: captions, enabled items, buttons and menus.
  void PaintState();
  void Open(const std::string& path, bool isFile);
  // What the file operations need, and how the main list follows a removal.
  FileOpEnv OpEnv();
  RemovalStep MainRemovalStep();
  void ClearPreview();
  void ClearStatus();
  // The status bar's file panel and size panel.
  void ShowFileStatus(const std::string& path, const std::string& size);
  void CacheAttributePass(bool atExit);
  // Save, cache pass, chooser; false when the settings could not be written.
  bool FormClose();
  void ShowPopupAt(const QPoint& globalPos);
  void LockListInput(bool locked);
  // The process's working folder into the list (left empty when it cannot be read).
  void ListWorkingFolder();
  // What waited for the window's first paint: the neighbours made ahead.
  void AfterFirstPaint();

  Dialogs& dialogs_;
  Platform& platform_;
  AppSettings settings_;
  std::string settingsPath_;
  std::string startCatalog_;  // a catalog named on the command line, opened by Start
  FileList list_;
  std::unique_ptr<TLookAhead> previewAhead_;  // the neighbours' previews, made ahead
  std::vector<std::string> cacheFolders_;
  uint16_t pictureWidth_ = 0, pictureHeight_ = 0;
  TMainState state_;
  bool slidePopup_ = false;
  bool exitDone_ = false;
  bool centred_ = false;
  bool constructing_ = true;
  bool paintSeen_ = false;     // the window's first paint has begun
  bool aheadWaiting_ = false;  // a shown preview's neighbours wait for that paint

  std::map<std::string, QAction*> actions_;
  QMenu* popupMain_ = nullptr;
  QMenu* popupSlide_ = nullptr;
  std::vector<QMenu*> topMenus_;
  QWidget* client_ = nullptr;
  QWidget* toolBar_ = nullptr;
  QFrame* bevel_ = nullptr;
  QFrame* countPanel_ = nullptr;
  TFittingLabel* itemCountLbl_ = nullptr;
  std::vector<QToolButton*> speedButtons_;
  TSunkenPanel* panel1_ = nullptr;
  TImageBox* thumbImage_ = nullptr;
  QTabWidget* pageControl_ = nullptr;
  std::vector<QLabel*> slotLabels_;
  std::vector<QPushButton*> findButtons_;
  TFileListBox* fileListBox_ = nullptr;
  TStatusBar* statusBar_ = nullptr;
  QPointer<TEXplorerForm> explorer_;

  // The view, information and catalog windows and the wallpaper (MainView.cpp).
  void OpenView(int mode);
  ViewOpenerHost MainViewHost();
  ViewOwner MainViewOwner();
  CatalogOwner MainCatalogOwner();
  // Enables or disables mnWallUndo; returns `canUndo`.
  bool SetWallUndo(bool canUndo);
  TWallPaper wallPaper_{platform_, dialogs_};  // for the whole run
};

}  // namespace verid
