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
#include <filesystem>
#include <system_error>

#include "app/Browse.h"
#include "app/Cp932.h"
#include "app/FileOps.h"
#include "app/Hanyou.h"
#include "app/IECache.h"
#include "dialogs/CpyMveFrm.h"
#include "dialogs/ExploreFrm.h"
#include "dialogs/RenameFrm.h"
#include "dialogs/VersionFrm.h"
#include "ui/Application.h"
#include "ui/FileListBox.h"
#include "ui/Glyphs.h"
#include "ui/Panels.h"
#include "ui/RasterView.h"

namespace verid {

namespace fs = std::filesystem;

namespace {

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// Folder strings become menu captions; an "&" in a path is a character, not a mnemonic.
QString FolderCaption(const std::string& folder) {
  QString text =
      QString::fromStdString(DisplayText(folder.empty() ? std::string(kUnsetFolder) : folder));
  text.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return text;
}

// A path relative to the folder the program was in when it was given.
std::string Absolute(const std::string& path) {
  if (path.empty() || path.front() == PathDelim) return path;
  std::error_code ec;
  fs::path absolute = fs::absolute(fs::path(path), ec);
  return ec ? path : absolute.string();
}

struct SpeedButtonDef {
  const char* Name;
  int X;
  const char* Hint;
  Glyph Picture;
};

constexpr SpeedButtonDef kSpeedButtons[kGlyphCount] = {
    {"OpenBtn", 10, "開く", Glyph::Open},
    {"CopyBtn", 30, "ｺﾋﾟｰ", Glyph::Copy},
    {"MoveBtn", 50, "移動", Glyph::Move},
    {"DelBtn", 70, "削除", Glyph::Delete},
    {"RealSBtn", 100, "実ｻｲｽﾞ表示", Glyph::RealSize},
    {"FitScrSBtn", 120, "画面に合わせて表示", Glyph::FitScreen},
    {"FScrnSBtn", 140, "ﾌﾙｽｸﾘｰﾝ", Glyph::FullScreen},
    {"CatarogSBtn", 160, "ｶﾀﾛｸﾞ表示", Glyph::Catalog},
    {"SlideThumSBtn", 180, "ｽﾗｲﾄﾞｼｮｰ(縮小画像)", Glyph::SlideThumb},
    {"SlideFulSBtn", 200, "ｽﾗｲﾄﾞｼｮｰ(ﾌﾙｽｸﾘｰﾝ)", Glyph::SlideFull},
    {"InfoSBtn", 230, "画像情報", Glyph::Info},
    {"PrptySBtn", 250, "ﾌﾟﾛﾊﾟﾃｨ", Glyph::Property},
    {"IEBtn", 270, "IE検索", Glyph::CacheSearch},
};

// The commands that need a selected entry.
constexpr const char* kSelectionCommands[] = {
    "mnRename",    "mnAllRename",  "mnCopy",       "mnAllCopy",     "mnGoTo",        "mnAllGoto",
    "mnDel",       "mnAlldel",     "mnAllConvert", "mnRealSize",    "mnFitToScreen", "mnFulScreen",
    "mnSlideShow", "mnSlide_Thum", "mnSlide_Ful",  "mnCatarogMake", "mnPrev",        "mnNext",
    "mnFirst",     "mnLast",       "mnWallPaper",  "mnInfo",        "mnConvert",     "pmRename",
    "pmCopy",      "pmGoTo",       "pmDel",        "pmReal",        "pmScrnFit",     "pmFul",
    "pmCatarog",   "pmSlideShow",
};

constexpr const char* kConvertCaptions[6] = {"BMP->JPEG", "BMP->PNG", "JPEG->BMP",
                                             "JPEG->PNG", "PNG->BMP", "PNG->JPEG"};
constexpr const char* kConvertNames[6] = {"mnConvertBtoJ", "mnConvertBtoP", "mnConvertJtoB",
                                          "mnConvertJtoP", "mnConvertPtoB", "mnConvertPtoJ"};
constexpr const char* kAllConvertNames[6] = {"mnAllBtoJ", "mnAllBtoP", "mnAllJtoB",
                                             "mnAllJtoP", "mnAllPtoB", "mnAllPtoJ"};

std::string Numbered(const char* prefix, int n) {
  return prefix + std::to_string(n);
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
  setWindowIcon(QIcon(AppIcon(32)));
  // Resolved now: opening a folder changes the working folder.
  std::string argument = Absolute(commandLine);

  BuildMenus();
  BuildPopups();
  BuildClient();

  // 1. Settings; the search folders label the slots.
  settingsPath_ = SettingsPathFor(platform_.ExecutablePath());
  Run([this] { settings_.Load(settingsPath_); });
  // 2, 3. Folder captions and the slots whose folder is missing.
  ApplyFolderCaptions();
  // 4. Tool bar.
  Action("mnToolBar")->setChecked(settings_.ToolBarVisible);
  ApplyToolBar();
  // 5. The list starts with the working folder's pictures, nothing selected.
  {
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    if (!ec) {
      try {
        list_.SetFolder(cwd.string());
      } catch (const std::exception&) {
        // An unreadable working folder leaves the list empty.
      }
    }
    fileListBox_->SyncFromList(true);
  }
  UpdateCommandStates();
  // 6. No slide show is stopping.
  SlideStop = false;
  // 7. Drops.
  setAcceptDrops(true);
  // 8. Cache folders.
  cacheFolders_ = CacheFolderList(platform_);
  CacheAttributePass(false);
  // 10. The command line: its last name as the directory holds it.
  if (!argument.empty()) Run([this, &argument] { OpenPath(LongName(argument)); });

  // Quitting by any other way still runs the exit steps.
  connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
    if (!exitDone_) FormClose();
  });
}

TMainForm::~TMainForm() {
  if (explorer_) delete explorer_.data();
}

void TMainForm::Run(const std::function<void()>& command) {
  RunCommand(dialogs_, command);
}

QAction* TMainForm::AddItem(QMenu* menu, const char* name, const char* caption,
                            std::function<void()> command, bool enabled) {
  auto* action = new QAction(Text(caption), menu);
  action->setObjectName(QString::fromUtf8(name));
  action->setEnabled(enabled);
  if (command) connect(action, &QAction::triggered, this, [this, command] { Run(command); });
  menu->addAction(action);
  actions_[name] = action;
  return action;
}

QMenu* TMainForm::AddSubmenu(QMenu* menu, const char* name, const char* caption, bool enabled) {
  QMenu* sub = menu->addMenu(Text(caption));
  sub->setObjectName(QString::fromUtf8(name));
  sub->menuAction()->setObjectName(QString::fromUtf8(name));
  sub->menuAction()->setEnabled(enabled);
  actions_[name] = sub->menuAction();
  return sub;
}

QAction* TMainForm::Action(const std::string& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

void TMainForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setNativeMenuBar(false);
  auto top = [this, bar](const char* name, const char* caption) {
    QMenu* menu = bar->addMenu(Text(caption));
    menu->setObjectName(QString::fromUtf8(name));
    menu->menuAction()->setObjectName(QString::fromUtf8(name));
    actions_[name] = menu->menuAction();
    topMenus_.push_back(menu);
    return menu;
  };

  QMenu* file = top("mnFile", "ﾌｧｲﾙ(&F)");
  AddItem(file, "mnOpen", "ﾌｫﾙﾀﾞを開く(&O)", [this] { mnOpenClick(); });
  AddItem(file, "mnFindCache", "IEｷｬｯｼｭ検索(&I)", [this] { mnFindCacheClick(); });
  QMenu* find = AddSubmenu(file, "mnFindFlder", "指定ﾌｫﾙﾀﾞの検索(&F)");
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(find, Numbered("mnFind", n).c_str(), "", [this, n] { mnFindClick(n); });
  file->addSeparator();
  AddItem(
      file, "mnRename", "名前の変更(&R)", [this] { mnRenameClick(); }, false);
  QMenu* copy = AddSubmenu(file, "mnCopy", "指定ﾌｫﾙﾀﾞにｺﾋﾟｰ(&C)", false);
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(copy, Numbered("mnCpys", n).c_str(), "", [this, n] { mnCpysClick(n); });
  AddItem(copy, "mnAnotherCpy", "上の指定先以外", [this] { mnAnotherCpyClick(); });
  QMenu* go = AddSubmenu(file, "mnGoTo", "指定ﾌｫﾙﾀﾞに移動(&G)", false);
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(go, Numbered("mnGoTos", n).c_str(), "", [this, n] { mnGoTosClick(n); });
  AddItem(go, "mnAnotherGto", "上の指定先以外", [this] { mnAnotherGtoClick(); });
  AddItem(
      file, "mnDel", "削除(&D)", [this] { mnDelClick(); }, false);
  file->addSeparator();
  AddItem(file, "mnExit", "終了(&X)", [this] { mnExitClick(); });

  QMenu* show = top("mnShow", "画像表示(&V)");
  AddItem(
      show, "mnRealSize", "実ｻｲｽﾞ表示(&R)", [this] { mnRealSizeClick(); }, false);
  AddItem(
      show, "mnFitToScreen", "画面にﾌｨｯﾄ表示(&S)", [this] { mnFitToScreenClick(); }, false);
  AddItem(
      show, "mnFulScreen", "ﾌﾙｽｸﾘｰﾝ表示(&F)", [this] { mnFulScreenClick(); }, false);
  show->addSeparator();
  QMenu* catalog = AddSubmenu(show, "mnCatarog", "ｶﾀﾛｸﾞ形式表示(&C)");
  AddItem(
      catalog, "mnCatarogMake", "ｶﾀﾛｸﾞを作成(&M)", [this] { mnCatarogMakeClick(); }, false);
  AddItem(catalog, "mnCatarogRead", "ﾌｧｲﾙ(*.doz)を開く(&O)", [this] { mnCatarogReadClick(); });
  show->addSeparator();
  QMenu* slide = AddSubmenu(show, "mnSlideShow", "ｽﾗｲﾄﾞｼｮｰ表示(&S)", false);
  AddItem(
      slide, "mnSlide_Thum", "ﾌﾟﾚﾋﾞｭｰ(&P)", [this] { mnSlide_ThumClick(); }, false);
  AddItem(
      slide, "mnSlide_Ful", "ﾌﾙｽｸﾘｰﾝ(&F)", [this] { mnSlide_FulClick(); }, false);
  AddItem(show, "mnSlideExit", "ｽﾗｲﾄﾞｼｮｰ終了(&X)", [this] {
    mnSlideExitClick();
  })->setVisible(false);
  show->addSeparator();
  AddItem(
      show, "mnPrev", "前の画像(&P)", [this] { mnPrevClick(); }, false);
  AddItem(
      show, "mnNext", "次の画像(&N)", [this] { mnNextClick(); }, false);
  AddItem(
      show, "mnFirst", "先頭の画像(&F)", [this] { mnFirstClick(); }, false);
  AddItem(
      show, "mnLast", "末尾の画像(&L)", [this] { mnLastClick(); }, false);

  QMenu* all = top("mnALL", "ﾌｧｲﾙの一括操作(&A)");
  AddItem(
      all, "mnAllRename", "名前の一括変更(&A)", [this] { mnAllRenameClick(); }, false);
  QMenu* allCopy = AddSubmenu(all, "mnAllCopy", "指定ﾌｫﾙﾀﾞに一括ｺﾋﾟｰ(&C)", false);
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(allCopy, Numbered("mnAllCopy", n).c_str(), "", [this, n] { mnAllCopyClick(n); });
  AddItem(allCopy, "mnAllCopyAnother", "上の指定先以外", [this] { mnAllCopyAnotherClick(); });
  QMenu* allGo = AddSubmenu(all, "mnAllGoto", "指定ﾌｫﾙﾀﾞに一括移動(&G)", false);
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(allGo, Numbered("mnAllGoto", n).c_str(), "", [this, n] { mnAllGotoClick(n); });
  AddItem(allGo, "mnAllGotoSP", "上の指定先以外", [this] { mnAllGotoSPClick(); });
  AddItem(
      all, "mnAlldel", "一括削除(&D)", [this] { mnAlldelClick(); }, false);
  QMenu* allConvert = AddSubmenu(all, "mnAllConvert", "画像形式一括ｺﾝﾊﾞｰﾄ(&H)", false);
  for (int kind = 0; kind < 6; ++kind) {
    if (kind == 2 || kind == 4) allConvert->addSeparator();
    AddItem(allConvert, kAllConvertNames[kind], kConvertCaptions[kind],
            [this, kind] { mnAllConvertClick(kind); });
  }

  QMenu* option = top("mnOption", "ｵﾌﾟｼｮﾝ(&O)");
  AddItem(option, "mnPrpty", "ﾌﾟﾛﾊﾟﾃｨ(&P)", [this] { mnPrptyClick(); });
  AddItem(
      option, "mnInfo", "画像情報(&I)", [this] { mnInfoClick(); }, false);
  option->addSeparator();
  QMenu* wall = AddSubmenu(option, "mnWallPaper", "壁紙に設定(&W)", false);
  AddItem(wall, "mnWallCenter", "中央に表示(&C)", [this] { mnWallCenterClick(); });
  AddItem(wall, "mnWallAll", "全体に表示(&T)", [this] { mnWallAllClick(); });
  AddItem(
      wall, "mnWallUndo", "元に戻す(&U)", [this] { mnWallUndoClick(); }, false);
  QMenu* convert = AddSubmenu(option, "mnConvert", "画像形式ｺﾝﾊﾞｰﾄ(&C)", false);
  for (int kind = 0; kind < 6; ++kind) {
    if (kind == 2 || kind == 4) convert->addSeparator();
    AddItem(convert, kConvertNames[kind], kConvertCaptions[kind],
            [this, kind] { mnConvertClick(kind); });
  }
  connect(convert, &QMenu::aboutToShow, this, [this] { Run([this] { mnConvertPopup(); }); });
  option->addSeparator();
  QAction* toolBar = AddItem(option, "mnToolBar", "ﾂｰﾙﾊﾞｰ", [this] { mnToolBarClick(); });
  toolBar->setCheckable(true);
  toolBar->setChecked(true);
  QMenu* shortCut = AddSubmenu(option, "mnShortCut", "ｼｮｰﾄｶｯﾄの作成(&M)");
  AddItem(shortCut, "mnDeskTop", "ﾃﾞｽｸﾄｯﾌﾟに作成(&D)", [this] { mnDeskTopClick(); });
  AddItem(shortCut, "mnSendTo", "「送る」に作成(&S)", [this] { mnSendToClick(); });
  option->addSeparator();
  AddItem(option, "mnVersion", "ﾊﾞｰｼﾞｮﾝ情報(&V)", [this] { mnVersionClick(); });
}

void TMainForm::BuildPopups() {
  popupMain_ = new QMenu(this);
  popupMain_->setObjectName(QStringLiteral("PopupMain"));
  QMenu* p = popupMain_;
  AddItem(
      p, "pmRename", "名前の変更(&N)", [this] { mnRenameClick(); }, false);
  QMenu* copy = AddSubmenu(p, "pmCopy", "指定ﾌｫﾙﾀﾞにｺﾋﾟｰ(&C)", false);
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(copy, Numbered("pmCopys", n).c_str(), "", [this, n] { mnCpysClick(n); });
  AddItem(copy, "pmCopyAnother", "上の指定先以外", [this] { mnAnotherCpyClick(); });
  QMenu* go = AddSubmenu(p, "pmGoTo", "指定ﾌｫﾙﾀﾞに移動(&G)", false);
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(go, Numbered("pmGoTos", n).c_str(), "", [this, n] { mnGoTosClick(n); });
  AddItem(go, "pmGotoAnother", "上の指定先以外", [this] { mnAnotherGtoClick(); });
  AddItem(
      p, "pmDel", "削除(&D)", [this] { mnDelClick(); }, false);
  p->addSeparator();
  AddItem(
      p, "pmReal", "実ｻｲｽﾞ表示(&R)", [this] { mnRealSizeClick(); }, false);
  AddItem(
      p, "pmScrnFit", "画面にﾌｨｯﾄ表示(&S)", [this] { mnFitToScreenClick(); }, false);
  AddItem(
      p, "pmFul", "ﾌﾙｽｸﾘｰﾝ表示(&F)", [this] { mnFulScreenClick(); }, false);
  p->addSeparator();
  AddItem(
      p, "pmCatarog", "ｶﾀﾛｸﾞを作成(&C)", [this] { mnCatarogMakeClick(); }, false);
  p->addSeparator();
  QMenu* slide = AddSubmenu(p, "pmSlideShow", "ｽﾗｲﾄﾞｼｮｰ表示", false);
  AddItem(slide, "pmSlidePreview", "ﾌﾟﾚﾋﾞｭｰ", [this] { mnSlide_ThumClick(); });
  AddItem(slide, "pmSlideFul", "ﾌﾙｽｸﾘｰﾝ", [this] { mnSlide_FulClick(); });

  popupSlide_ = new QMenu(this);
  popupSlide_->setObjectName(QStringLiteral("PopupMenuSlide"));
  AddItem(popupSlide_, "pmSlideStop", "ｽﾗｲﾄﾞｼｮｰ終了(&E)", [this] { mnSlideExitClick(); });
}

void TMainForm::BuildToolBar() {
  toolBar_ = new QWidget(client_);
  toolBar_->setObjectName(QStringLiteral("ToolBar"));
  toolBar_->setGeometry(0, 1, 395, 22);
  for (const SpeedButtonDef& def : kSpeedButtons) {
    auto* button = new QToolButton(toolBar_);
    button->setObjectName(QString::fromUtf8(def.Name));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setGeometry(def.X, 1, 20, 20);
    button->setIcon(QIcon(SpeedButtonGlyph(def.Picture)));
    button->setIconSize(QSize(kGlyphSize, kGlyphSize));
    button->setToolTip(Text(def.Hint));
    speedButtons_.push_back(button);
  }
  auto connectButton = [this](const char* name, std::function<void()> command) {
    connect(SpeedButton(name), &QToolButton::clicked, this, [this, command] { Run(command); });
  };
  connectButton("OpenBtn", [this] { mnOpenClick(); });
  connectButton("CopyBtn", [this] { CopyBtnClick(); });
  connectButton("MoveBtn", [this] { MoveBtnClick(); });
  connectButton("DelBtn", [this] { mnDelClick(); });
  connectButton("RealSBtn", [this] { mnRealSizeClick(); });
  connectButton("FitScrSBtn", [this] { mnFitToScreenClick(); });
  connectButton("FScrnSBtn", [this] { mnFulScreenClick(); });
  connectButton("CatarogSBtn", [this] { mnCatarogMakeClick(); });
  connectButton("SlideThumSBtn", [this] { mnSlide_ThumClick(); });
  connectButton("SlideFulSBtn", [this] { mnSlide_FulClick(); });
  connectButton("InfoSBtn", [this] { mnInfoClick(); });
  connectButton("PrptySBtn", [this] { mnPrptyClick(); });
  connectButton("IEBtn", [this] { mnFindCacheClick(); });

  countPanel_ = new QFrame(toolBar_);
  countPanel_->setObjectName(QStringLiteral("CountPanel"));
  countPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  countPanel_->setGeometry(332, 2, 50, 18);
  itemCountLbl_ = new QLabel(countPanel_);
  itemCountLbl_->setObjectName(QStringLiteral("itemCountLbl"));
  itemCountLbl_->setTextFormat(Qt::PlainText);
  itemCountLbl_->setAlignment(Qt::AlignCenter);
  itemCountLbl_->setGeometry(1, 1, 48, 16);

  bevel_ = new QFrame(client_);
  bevel_->setObjectName(QStringLiteral("Bevel1"));
  bevel_->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  bevel_->setGeometry(0, 23, kClientWidth, 2);
}

QToolButton* TMainForm::SpeedButton(const std::string& name) const {
  for (QToolButton* button : speedButtons_)
    if (button->objectName().toStdString() == name) return button;
  return nullptr;
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
    label->setObjectName(QString::fromStdString(Numbered("Label", n)));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setIndent(2);
    label->setGeometry(1, 2 + 20 * (n - 1), 139, 18);
    slotLabels_.push_back(label);
    auto* button = new QPushButton(Text("検索"), searchPage);
    button->setObjectName(QString::fromStdString(Numbered("FindBtn", n)));
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
  for (int n = 1; n <= kSlotCount; ++n) {
    const size_t i = static_cast<size_t>(n - 1);
    const std::string& search = settings_.SearchFolders[i];
    const std::string& copy = settings_.CopyFolders[i];
    const std::string& move = settings_.MoveFolders[i];
    slotLabels_[i]->setText(
        QString::fromStdString(DisplayText(search.empty() ? kUnsetFolder : search)));
    Action(Numbered("mnFind", n))->setText(FolderCaption(search));
    for (const char* prefix : {"mnAllCopy", "mnCpys", "pmCopys"})
      Action(Numbered(prefix, n))->setText(FolderCaption(copy));
    for (const char* prefix : {"mnGoTos", "mnAllGoto", "pmGoTos"})
      Action(Numbered(prefix, n))->setText(FolderCaption(move));

    bool searchExists = DirectoryExists(search);
    findButtons_[i]->setEnabled(searchExists);
    Action(Numbered("mnFind", n))->setEnabled(searchExists);
    bool copyExists = DirectoryExists(copy);
    for (const char* prefix : {"mnCpys", "pmCopys", "mnAllCopy"})
      Action(Numbered(prefix, n))->setEnabled(copyExists);
    bool moveExists = DirectoryExists(move);
    for (const char* prefix : {"mnGoTos", "pmGoTos", "mnAllGoto"})
      Action(Numbered(prefix, n))->setEnabled(moveExists);
  }
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

void TMainForm::LockCommands() {
  locked_ = true;  // the close box does nothing while locked
  for (QPushButton* button : findButtons_) button->setEnabled(false);
  for (QMenu* menu : topMenus_) menu->menuAction()->setEnabled(false);
  for (QToolButton* button : speedButtons_) button->setEnabled(false);
  popupMainStopped_ = true;
}

void TMainForm::UnlockCommands() {
  locked_ = false;
  for (QPushButton* button : findButtons_) button->setEnabled(true);
  for (QMenu* menu : topMenus_) menu->menuAction()->setEnabled(true);
  for (QToolButton* button : speedButtons_) button->setEnabled(true);
  popupMainStopped_ = false;
}

void TMainForm::UseSlidePopup(bool slide) {
  slidePopup_ = slide;
}

QMenu* TMainForm::ActivePopup() const {
  return slidePopup_ ? popupSlide_ : popupMain_;
}

QMenu* TMainForm::PopupForRightClick() const {
  QMenu* popup = ActivePopup();
  if (popup == popupMain_ && popupMainStopped_) return nullptr;
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
    explorer_ = new TEXplorerForm(
        this, [this](const std::string& folder) { Run([this, folder] { OpenFolder(folder); }); });
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
  std::string target = Absolute(folder);
  pageControl_->setCurrentIndex(1);
  // Through the program's folder first, so the entries are read again even when the
  // requested folder is the one shown.
  list_.SetFolder(ExcludeTrailingDelim(ProgramFolder(platform_)));
  fileListBox_->SyncFromList(true);
  fileListBox_->repaint();
  list_.SetFolder(target);
  fileListBox_->SyncFromList(true);
  list_.SetItemIndex(0);
  FileListBoxClick();
  UpdateCommandStates();
}

void TMainForm::OpenFile(const std::string& file) {
  std::string target = Absolute(file);
  pageControl_->setCurrentIndex(1);
  list_.SetFolder(ExcludeTrailingDelim(ProgramFolder(platform_)));
  fileListBox_->SyncFromList(true);
  fileListBox_->repaint();
  list_.SetFolder(ExtractFilePath(target));
  fileListBox_->SyncFromList(true);
  repaint();
  list_.SetItemIndex(list_.IndexOf(ExtractFileName(target)));
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
  if (!paths.empty()) OpenPath(paths.front());
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  event->acceptProposedAction();
  DropMime(*event->mimeData());
}

void TMainForm::DropMime(const QMimeData& mime) {
  std::vector<std::string> paths;
  for (const QUrl& url : mime.urls()) {
    if (!url.isLocalFile()) continue;
    // The percent-encoded path keeps names that are not UTF-8 byte for byte.
    QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    paths.emplace_back(bytes.constData(), static_cast<size_t>(bytes.size()));
    break;
  }
  Run([this, &paths] { DropPaths(paths); });
}

void TMainForm::RefreshFileListBox() {
  fileListBox_->SyncFromList(true);
}

// --- preview -------------------------------------------------------------------------------

void TMainForm::ClearPreview() {
  thumbImage_->Clear();
  thumbImage_->hide();
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
    itemCountLbl_->setText(QString::fromStdString(list_.PositionText()));
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
    preview = MakePreview(list_, settings_);
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
  itemCountLbl_->setText(QString::fromStdString(preview.PositionText));
  UpdateCommandStates();
}

void TMainForm::UpdateCommandStates() {
  bool on = HasCurrentFile(list_);
  for (const char* name : kSelectionCommands)
    if (QAction* action = Action(name)) action->setEnabled(on);
  if (!on) ClearStatus();
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

void TMainForm::mnConvertPopup() {
  ConvertMenuState state = ConvertEntriesFor(list_.CurrentFile());
  for (int kind = 0; kind < 6; ++kind) Action(kConvertNames[kind])->setEnabled(state.Enabled[kind]);
}

// --- file operations on the current file ---------------------------------------------------

FileOpEnv TMainForm::OpEnv() {
  return FileOpEnv{list_, settings_, dialogs_, platform_};
}

RemovalStep TMainForm::MainRemovalStep() {
  RemovalStep step;
  step.FollowUp = [this] {
    RefreshFileListBox();
    FileListBoxClick();
  };
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
      [this](const std::string& path, const std::string& size) {
        statusBar_->SetText(0, QString::fromStdString(DisplayText(path)));
        statusBar_->SetText(1, QString::fromStdString(size));
      },
      this);
  form.exec();
  RefreshFileListBox();
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
    settings_.Save(settingsPath_);
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
  if (locked_) {
    event->ignore();
    return;
  }
  if (!exitDone_) FormClose();
  // The window closes also when the settings could not be written: the user has been
  // told, and a program that cannot be closed helps no one.
  event->accept();
}

}  // namespace verid
