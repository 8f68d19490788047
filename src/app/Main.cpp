#include "app/Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/Browse.h"
#include "app/Cp932.h"
#include "app/FileOps.h"
#include "app/Hanyou.h"
#include "app/IECache.h"
#include "app/LookAhead.h"
#include "app/MainState.h"
#include "dialogs/CpyMveFrm.h"
#include "dialogs/ExploreFrm.h"
#include "dialogs/RenameFrm.h"
#include "dialogs/VersionFrm.h"
#include "ui/AppIcon.h"
#include "ui/Application.h"
#include "ui/FileListBox.h"
#include "ui/Panels.h"
#include "ui/RasterView.h"

namespace verid {

namespace fs = std::filesystem;

namespace {

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

}  // namespace

// --- construction ------------------------------------------------------------------------

TMainForm::TMainForm(Dialogs& dialogs, Platform& platform, const std::string& commandLine,
                     QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      platform_(platform) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(Text(kMainCaption));
  previewAhead_ = std::make_unique<TLookAhead>(list_);
  // The application's icon when it has one: made once, not twice.
  setWindowIcon(QApplication::windowIcon().isNull() ? AppWindowIcon() : QApplication::windowIcon());
  // Resolved now: opening a folder changes the working folder.
  std::string argument = AbsolutePath(commandLine);

  BuildMenus();
  BuildPopups();
  BuildClient();

  // 1. Settings; the search folders label the slots.
  settingsPath_ = LocateSettings(platform_);
  Run([this] { settings_.Load(settingsPath_); });
  // 2, 3. Folder captions and the slots whose folder is missing.
  ApplyFolderCaptions();
  // 4. Tool bar.
  Action("mnToolBar")->setChecked(settings_.ToolBarVisible);
  ApplyToolBar();
  // 10, first half. The command line: its last name as the directory holds it.
  std::string path;
  if (!argument.empty()) Run([&] { path = LongName(argument); });
  const bool catalog = !path.empty() && OpensAsCatalog(path);
  // 5. The list starts with the working folder's pictures, nothing selected. A path to
  // open replaces them at once, so they are read only if that leaves the list unread.
  const bool opensPath = !path.empty() && !catalog;
  if (!opensPath) ListWorkingFolder();
  UpdateCommandStates();
  // 6. No slide show is stopping.
  SlideStop = false;
  // 7. Drops.
  setAcceptDrops(true);
  // 8. Cache folders.
  cacheFolders_ = CacheFolderList(platform_);
  CacheAttributePass(false);
  // 10. A catalog waits for Start: it takes the main window's place on the screen.
  if (catalog)
    startCatalog_ = std::move(path);
  else if (opensPath)
    Run([this, &path] { OpenPath(path); });
  if (opensPath && list_.Folder().empty()) {
    ListWorkingFolder();
    UpdateCommandStates();
  }

  // Quitting by any other way still runs the exit steps.
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
    if (!exitDone_) FormClose();
  });
  constructing_ = false;
}

void TMainForm::ListWorkingFolder() {
  std::error_code ec;
  fs::path cwd = fs::current_path(ec);
  if (ec) return;
  try {
    list_.SetFolder(Utf8Of(cwd));
  } catch (const std::exception&) {
    // An unreadable working folder leaves the list empty.
  }
}

void TMainForm::Start() {
  const std::string catalog = std::exchange(startCatalog_, {});
  bool opened = false;
  if (!catalog.empty())
    Run([&] {
      OpenCatalogFile(catalog);
      opened = true;
    });
  if (!opened) show();
}

void TMainForm::SaveSettings() {
  MakeSettingsFolder(settingsPath_, platform_);
  settings_.Save(settingsPath_);
}

TMainForm::~TMainForm() {
  if (explorer_) delete explorer_.data();
}

QLabel* TMainForm::itemCountLbl() const {
  return itemCountLbl_;
}

void TMainForm::Run(const std::function<void()>& command) {
  RunCommand(dialogs_, command);
}

void TMainForm::BuildClient() {
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("Client"));
  client_->setFixedSize(kClientWidth, kClientHeightWithToolBar);
  setCentralWidget(client_);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  BuildToolBar();

  panel1_ = new TSunkenPanel(client_);
  panel1_->setObjectName(QStringLiteral("Panel1"));
  panel1_->setGeometry(5, kTopWithToolBar, kPreviewBox, kPreviewBox);
  panel1_->SetColor(ButtonFaceColor());
  thumbImage_ = new TImageBox(panel1_);
  thumbImage_->setObjectName(QStringLiteral("ThumbImage"));
  thumbImage_->setGeometry(0, 0, 0, 0);
  thumbImage_->hide();

  pageControl_ = new QTabWidget(client_);
  pageControl_->setObjectName(QStringLiteral("PageControl1"));
  pageControl_->setGeometry(200, kTopWithToolBar, 180, 190);
  pageControl_->setUsesScrollButtons(false);

  auto* searchPage = new QWidget();
  searchPage->setObjectName(QStringLiteral("TabSheet1"));
  for (int n = 1; n <= kSlotCount; ++n) {
    auto* label = new QLabel(searchPage);
    label->setObjectName(QString::fromStdString(NumberedName("Label", n)));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setIndent(2);
    label->setGeometry(1, 2 + 20 * (n - 1), 139, 18);
    slotLabels_.push_back(label);
    auto* button = new QPushButton(Text("検索"), searchPage);
    button->setObjectName(QString::fromStdString(NumberedName("FindBtn", n)));
    button->setGeometry(141, 3 + 20 * (n - 1), 30, 17);
    connect(button, &QPushButton::clicked, this,
            [this, n] { Run([this, n] { FindBtnClick(n); }); });
    findButtons_.push_back(button);
  }
  pageControl_->addTab(searchPage, Text("指定ﾌｫﾙﾀﾞの検索"));

  auto* listPage = new QWidget();
  listPage->setObjectName(QStringLiteral("TabSheet2"));
  fileListBox_ = new TFileListBox(list_, listPage);
  fileListBox_->setObjectName(QStringLiteral("FileListBox"));
  auto* listLayout = new QVBoxLayout(listPage);
  listLayout->setContentsMargins(0, 0, 0, 0);
  listLayout->addWidget(fileListBox_);
  pageControl_->addTab(listPage, Text("ﾌｧｲﾙﾘｽﾄ"));
  pageControl_->setCurrentIndex(0);
  connect(fileListBox_, &TFileListBox::Clicked, this,
          [this] { Run([this] { FileListBoxClick(); }); });
  connect(fileListBox_, &TFileListBox::PreviousKey, this,
          [this] { Run([this] { mnPrevClick(); }); });
  connect(fileListBox_, &TFileListBox::NextKey, this, [this] { Run([this] { mnNextClick(); }); });

  statusBar_ = new TStatusBar({300, 87}, client_);
  statusBar_->setObjectName(QStringLiteral("StatusBar1"));
  statusBar_->setGeometry(0, kClientHeightWithToolBar - kStatusBarHeight, kClientWidth,
                          kStatusBarHeight);

  // The pop-up menu serves the form, the list and the preview.
  for (QWidget* w : std::initializer_list<QWidget*>{client_, fileListBox_, panel1_}) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(w, &QWidget::customContextMenuRequested, this,
            [this, w](const QPoint& pos) { ShowPopupAt(w->mapToGlobal(pos)); });
  }
}

QColor TMainForm::ButtonFaceColor() const {
  return QApplication::palette().color(QPalette::Button);
}

// --- folders and captions ----------------------------------------------------------------

void TMainForm::ApplyFolderCaptions() {
  ReadFolders(state_, settings_);
  PaintState();
}

void TMainForm::CacheAttributePass(bool atExit) {
  CacheAttributes(platform_, cacheFolders_, atExit);
}

// --- tool bar, activation, lock ----------------------------------------------------------

void TMainForm::ApplyToolBar() {
  bool on = Action("mnToolBar")->isChecked();
  toolBar_->setVisible(on);
  bevel_->setVisible(on);
  int top = on ? kTopWithToolBar : kTopWithoutToolBar;
  int height = on ? kClientHeightWithToolBar : kClientHeightWithoutToolBar;
  panel1_->move(5, top);
  pageControl_->move(200, top);
  statusBar_->move(0, height - kStatusBarHeight);
  client_->setFixedSize(kClientWidth, height);
}

void TMainForm::mnToolBarClick() {
  QAction* tick = Action("mnToolBar");
  // A triggered checkable action has already flipped its tick; a direct call flips it here.
  if (sender() != tick) tick->setChecked(!tick->isChecked());
  ApplyToolBar();
}

void TMainForm::FormActivate() {
  if (!settings_.FirstRunHint) return;
  // Cleared first: the box itself re-activates the window when it closes.
  settings_.FirstRunHint = false;
  MessageRequest request;
  request.Kind = MsgKind::Plain;
  request.Title = kTitlePlain;
  request.Text = kFirstRunHintText;
  request.Buttons = {MsgButton::Ok};
  dialogs_.Message(request);
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && settings_.FirstRunHint)
    QTimer::singleShot(0, this, [this] { Run([this] { FormActivate(); }); });
}

void TMainForm::LockCommands(bool keepShowMenu) {
  SetLocked(state_, true, keepShowMenu);  // the close box does nothing while locked
  LockListInput(true);
  PaintState();
}

void TMainForm::UnlockCommands() {
  SetLocked(state_, false);
  LockListInput(false);
  PaintState();
}

// Nothing from outside the running activity may change the list under it: the chooser,
// the list box and drops wait with the commands.
void TMainForm::LockListInput(bool locked) {
  fileListBox_->SetInputLocked(locked);
  if (explorer_) explorer_->SetLocked(locked);
}

void TMainForm::UseSlidePopup(bool slide) {
  slidePopup_ = slide;
}

QMenu* TMainForm::ActivePopup() const {
  return slidePopup_ ? popupSlide_ : popupMain_;
}

QMenu* TMainForm::PopupForRightClick() const {
  QMenu* popup = ActivePopup();
  if (popup == popupMain_ && !CommandsEnabled(state_)) return nullptr;
  return popup;
}

void TMainForm::ShowPopupAt(const QPoint& globalPos) {
  if (QMenu* popup = PopupForRightClick()) popup->popup(globalPos);
}

// --- chooser -------------------------------------------------------------------------------

TEXplorerForm* TMainForm::Explorer() const {
  return explorer_.data();
}

void TMainForm::mnOpenClick() {
  if (!explorer_) {
    explorer_ = new TEXplorerForm(this, [this](const std::string& folder) {
      if (!state_.Locked) Run([this, folder] { OpenFolder(folder); });
    });
    explorer_->SetLocked(state_.Locked);
    explorer_->Reveal(list_.Folder());
  }
  // An existing chooser stays where it is; it only comes to the front.
  explorer_->show();
  explorer_->raise();
}

void TMainForm::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  // Qt also reports the place a window is shown at again; only a real move counts.
  if (explorer_ && event->pos() != event->oldPos()) explorer_->Follow();
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (centred_) return;
  centred_ = true;
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect area = screen->availableGeometry();
  QSize outer = frameGeometry().size();
  move(area.x() + (area.width() - outer.width()) / 2,
       area.y() + (area.height() - outer.height()) / 2);
}

void TMainForm::paintEvent(QPaintEvent* event) {
  QMainWindow::paintEvent(event);
  // Once this paint has reached the screen.
  if (!std::exchange(paintSeen_, true)) QTimer::singleShot(0, this, [this] { AfterFirstPaint(); });
}

void TMainForm::AfterFirstPaint() {
  if (std::exchange(aheadWaiting_, false) && HasCurrentFile(list_))
    previewAhead_->Shown(list_.ItemIndex());
}

void TMainForm::HideWithChooser() {
  hide();
  if (explorer_) explorer_->hide();
}

void TMainForm::ShowWithChooser() {
  show();
  if (explorer_) explorer_->show();
}

// --- opening -------------------------------------------------------------------------------

void TMainForm::OpenFolder(const std::string& folder) {
  Open(folder, false);
}

void TMainForm::OpenFile(const std::string& file) {
  Open(file, true);
}

void TMainForm::Open(const std::string& path, bool isFile) {
  pageControl_->setCurrentIndex(1);
  OpenInList(list_, platform_, path, isFile, [this] { fileListBox_->repaint(); });
  FileListBoxClick();
  UpdateCommandStates();
}

void TMainForm::OpenPath(const std::string& path) {
  if (path.empty()) return;
  if (!ExtractFileExt(path).empty())
    OpenFile(path);
  else
    OpenFolder(path);
}

void TMainForm::DropPaths(const std::vector<std::string>& paths) {
  if (!paths.empty() && !state_.Locked) OpenPath(paths.front());
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && !state_.Locked) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  if (state_.Locked) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  DropMime(*event->mimeData());
}

void TMainForm::DropMime(const QMimeData& mime) {
  std::vector<std::string> paths;
  for (const QUrl& url : mime.urls()) {
    if (!url.isLocalFile()) continue;
    // The percent-encoded path keeps names that are not UTF-8 byte for byte.
    QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    paths.push_back(NativePath(std::string(bytes.constData(), static_cast<size_t>(bytes.size()))));
    break;
  }
  Run([this, &paths] { DropPaths(paths); });
}

// --- preview -------------------------------------------------------------------------------

void TMainForm::ClearPreview() {
  thumbImage_->Clear();
  thumbImage_->hide();
}

void TMainForm::ShowFileStatus(const std::string& path, const std::string& size) {
  statusBar_->SetText(0, QString::fromStdString(DisplayText(path)));
  statusBar_->SetText(1, QString::fromStdString(size));
}

void TMainForm::ClearStatus() {
  statusBar_->SetText(0, QString());
  statusBar_->SetText(1, QString());
}

void TMainForm::FileListBoxClick() {
  fileListBox_->SyncFromList();
  if (!HasCurrentFile(list_)) {
    panel1_->SetColor(ButtonFaceColor());
    ClearPreview();
    ClearStatus();
    itemCountLbl_->SetFittedText(QString::fromStdString(list_.PositionText()));
    UpdateCommandStates();
    return;
  }

  QApplication::setOverrideCursor(Qt::WaitCursor);
  struct CursorGuard {
    ~CursorGuard() { QApplication::restoreOverrideCursor(); }
  } cursorGuard;
  panel1_->SetCaption(QString());
  panel1_->SetColor(QColor(RedOf(settings_.PreviewColor), GreenOf(settings_.PreviewColor),
                           BlueOf(settings_.PreviewColor)));
  ClearPreview();

  PreviewResult preview;
  try {
    preview = MakePreview(list_, settings_, previewAhead_.get());
  } catch (...) {
    // The status texts stay as they were; the error box reports what happened.
    UpdateCommandStates();
    throw;
  }

  pictureWidth_ = preview.PictureWidth;
  pictureHeight_ = preview.PictureHeight;
  if (preview.State == PreviewResult::Kind::Picture && preview.Image) {
    MakeOpaque(*preview.Image);
    panel1_->SetColor(
        QColor(RedOf(preview.PanelColor), GreenOf(preview.PanelColor), BlueOf(preview.PanelColor)));
    thumbImage_->setGeometry(preview.Place.Left, preview.Place.Top, preview.Place.Width,
                             preview.Place.Height);
    thumbImage_->SetPicture(RasterImage(*preview.Image));
    thumbImage_->show();
  } else {
    panel1_->SetColor(ButtonFaceColor());
    panel1_->SetCaption(Text(kNoPicture));
    pictureWidth_ = pictureHeight_ = 0;
  }
  statusBar_->SetText(0, QString::fromStdString(DisplayText(preview.StatusPath)));
  statusBar_->SetText(1, QString::fromStdString(preview.StatusSize));
  itemCountLbl_->SetFittedText(QString::fromStdString(preview.PositionText));
  UpdateCommandStates();
  // While the window is being made the worker would only delay its first paint.
  aheadWaiting_ = constructing_;
  if (!constructing_) previewAhead_->Shown(list_.ItemIndex());
}

void TMainForm::UpdateCommandStates() {
  state_.Selection = HasCurrentFile(list_);
  PaintState();
  if (!state_.Selection) ClearStatus();
}

// --- navigation ----------------------------------------------------------------------------

void TMainForm::mnPrevClick() {
  if (!HasCurrentFile(list_)) return;
  GoPrevious(list_, dialogs_);
  FileListBoxClick();
}

void TMainForm::mnNextClick() {
  if (!HasCurrentFile(list_)) return;
  GoNext(list_, dialogs_);
  FileListBoxClick();
}

void TMainForm::mnFirstClick() {
  GoFirst(list_);
  FileListBoxClick();
}

void TMainForm::mnLastClick() {
  GoLast(list_);
  FileListBoxClick();
}

// --- openers -------------------------------------------------------------------------------

void TMainForm::mnVersionClick() {
  TVersionForm version(this);
  version.exec();
}

void TMainForm::mnDeskTopClick() {
  CreateShortcut(platform_, ShortcutPlace::Desktop);
}
void TMainForm::mnSendToClick() {
  CreateShortcut(platform_, ShortcutPlace::SendTo);
}

// --- file operations on the current file ---------------------------------------------------

FileOpEnv TMainForm::OpEnv() {
  return FileOpEnv{list_, settings_, dialogs_, platform_};
}

RemovalStep TMainForm::MainRemovalStep() {
  RemovalStep step;
  step.FollowUp = [this] { FileListBoxClick(); };
  return step;
}

void TMainForm::mnCpysClick(int slot) {
  CopyToFolder(OpEnv(), settings_.CopyFolders[static_cast<size_t>(slot - 1)]);
}

void TMainForm::mnAnotherCpyClick() {
  if (ChooseOtherFolder(settings_, dialogs_)) CopyToFolder(OpEnv(), settings_.OtherFolder);
}

void TMainForm::mnGoTosClick(int slot) {
  MoveToFolder(OpEnv(), settings_.MoveFolders[static_cast<size_t>(slot - 1)], MainRemovalStep());
  UpdateCommandStates();
}

void TMainForm::mnAnotherGtoClick() {
  if (ChooseOtherFolder(settings_, dialogs_))
    MoveToFolder(OpEnv(), settings_.OtherFolder, MainRemovalStep());
  UpdateCommandStates();
}

void TMainForm::mnDelClick() {
  DeleteCurrent(OpEnv(), MainRemovalStep());
  UpdateCommandStates();
}

void TMainForm::mnRenameClick() {
  TRenameForm form(
      list_, dialogs_,
      [this](const std::string& path, const std::string& size) { ShowFileStatus(path, size); },
      this);
  form.exec();
}

void TMainForm::CopyBtnClick() {
  settings_.CopyMoveMode = 1;
  TCpyMveForm form(OpEnv(), MainRemovalStep(), this);
  form.exec();
  FileListBoxClick();
}

void TMainForm::MoveBtnClick() {
  settings_.CopyMoveMode = 2;
  TCpyMveForm form(OpEnv(), MainRemovalStep(), this);
  form.exec();
  FileListBoxClick();
}

// --- exit ----------------------------------------------------------------------------------

void TMainForm::mnExitClick() {
  close();
}

bool TMainForm::FormClose() {
  exitDone_ = true;
  settings_.ToolBarVisible = Action("mnToolBar")->isChecked();
  bool saved = true;
  try {
    SaveSettings();
  } catch (...) {
    saved = false;
    ShowCurrentException(dialogs_);
  }
  // Nothing more is changed on disk after a failed save.
  if (saved) CacheAttributePass(true);
  if (explorer_) explorer_->close();
  return saved;
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (state_.Locked) {
    event->ignore();
    return;
  }
  if (!exitDone_) FormClose();
  // The window closes also when the settings could not be written: the user has been
  // told, and a program that cannot be closed helps no one.
  event->accept();
  emit Closed();
}

}  // namespace verid
