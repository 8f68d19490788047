// The main window's menus, pop-up menus and tool bar: built once, painted from its
// TMainState.
#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>

#include "app/Browse.h"
#include "app/FileOps.h"
#include "app/Main.h"
#include "app/MainState.h"
#include "ui/Glyphs.h"
#include "ui/Panels.h"

namespace verid {

namespace {

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
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

constexpr const char* kConvertCaptions[6] = {"BMP->JPEG", "BMP->PNG", "JPEG->BMP",
                                             "JPEG->PNG", "PNG->BMP", "PNG->JPEG"};
constexpr const char* kConvertNames[6] = {"mnConvertBtoJ", "mnConvertBtoP", "mnConvertJtoB",
                                          "mnConvertJtoP", "mnConvertPtoB", "mnConvertPtoJ"};
constexpr const char* kAllConvertNames[6] = {"mnAllBtoJ", "mnAllBtoP", "mnAllJtoB",
                                             "mnAllJtoP", "mnAllPtoB", "mnAllPtoJ"};

}  // namespace

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
  if (it == actions_.end()) {
#ifndef NDEBUG
    std::fprintf(stderr, "TMainForm::Action: no item named \"%s\"\n", name.c_str());
    std::abort();
#endif
    return nullptr;
  }
  return it->second;
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
    AddItem(find, NumberedName("mnFind", n).c_str(), "", [this, n] { mnFindClick(n); });
  file->addSeparator();
  AddItem(file, "mnRename", "名前の変更(&R)", [this] { mnRenameClick(); });
  QMenu* copy = AddSubmenu(file, "mnCopy", "指定ﾌｫﾙﾀﾞにｺﾋﾟｰ(&C)");
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(copy, NumberedName("mnCpys", n).c_str(), "", [this, n] { mnCpysClick(n); });
  AddItem(copy, "mnAnotherCpy", "上の指定先以外", [this] { mnAnotherCpyClick(); });
  QMenu* go = AddSubmenu(file, "mnGoTo", "指定ﾌｫﾙﾀﾞに移動(&G)");
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(go, NumberedName("mnGoTos", n).c_str(), "", [this, n] { mnGoTosClick(n); });
  AddItem(go, "mnAnotherGto", "上の指定先以外", [this] { mnAnotherGtoClick(); });
  AddItem(file, "mnDel", "削除(&D)", [this] { mnDelClick(); });
  file->addSeparator();
  AddItem(file, "mnExit", "終了(&X)", [this] { mnExitClick(); });

  QMenu* show = top("mnShow", "画像表示(&V)");
  AddItem(show, "mnRealSize", "実ｻｲｽﾞ表示(&R)", [this] { mnRealSizeClick(); });
  AddItem(show, "mnFitToScreen", "画面にﾌｨｯﾄ表示(&S)", [this] { mnFitToScreenClick(); });
  AddItem(show, "mnFulScreen", "ﾌﾙｽｸﾘｰﾝ表示(&F)", [this] { mnFulScreenClick(); });
  show->addSeparator();
  QMenu* catalog = AddSubmenu(show, "mnCatarog", "ｶﾀﾛｸﾞ形式表示(&C)");
  AddItem(catalog, "mnCatarogMake", "ｶﾀﾛｸﾞを作成(&M)", [this] { mnCatarogMakeClick(); });
  AddItem(catalog, "mnCatarogRead", "ﾌｧｲﾙ(*.doz)を開く(&O)", [this] { mnCatarogReadClick(); });
  show->addSeparator();
  QMenu* slide = AddSubmenu(show, "mnSlideShow", "ｽﾗｲﾄﾞｼｮｰ表示(&S)");
  AddItem(slide, "mnSlide_Thum", "ﾌﾟﾚﾋﾞｭｰ(&P)", [this] { mnSlide_ThumClick(); });
  AddItem(slide, "mnSlide_Ful", "ﾌﾙｽｸﾘｰﾝ(&F)", [this] { mnSlide_FulClick(); });
  AddItem(show, "mnSlideExit", "ｽﾗｲﾄﾞｼｮｰ終了(&X)", [this] {
    mnSlideExitClick();
  })->setVisible(false);
  show->addSeparator();
  AddItem(show, "mnPrev", "前の画像(&P)", [this] { mnPrevClick(); });
  AddItem(show, "mnNext", "次の画像(&N)", [this] { mnNextClick(); });
  AddItem(show, "mnFirst", "先頭の画像(&F)", [this] { mnFirstClick(); });
  AddItem(show, "mnLast", "末尾の画像(&L)", [this] { mnLastClick(); });

  QMenu* all = top("mnALL", "ﾌｧｲﾙの一括操作(&A)");
  AddItem(all, "mnAllRename", "名前の一括変更(&A)", [this] { mnAllRenameClick(); });
  QMenu* allCopy = AddSubmenu(all, "mnAllCopy", "指定ﾌｫﾙﾀﾞに一括ｺﾋﾟｰ(&C)");
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(allCopy, NumberedName("mnAllCopy", n).c_str(), "", [this, n] { mnAllCopyClick(n); });
  AddItem(allCopy, "mnAllCopyAnother", "上の指定先以外", [this] { mnAllCopyAnotherClick(); });
  QMenu* allGo = AddSubmenu(all, "mnAllGoto", "指定ﾌｫﾙﾀﾞに一括移動(&G)");
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(allGo, NumberedName("mnAllGoto", n).c_str(), "", [this, n] { mnAllGotoClick(n); });
  AddItem(allGo, "mnAllGotoSP", "上の指定先以外", [this] { mnAllGotoSPClick(); });
  AddItem(all, "mnAlldel", "一括削除(&D)", [this] { mnAlldelClick(); });
  QMenu* allConvert = AddSubmenu(all, "mnAllConvert", "画像形式一括ｺﾝﾊﾞｰﾄ(&H)");
  for (int kind = 0; kind < 6; ++kind) {
    if (kind == 2 || kind == 4) allConvert->addSeparator();
    AddItem(allConvert, kAllConvertNames[kind], kConvertCaptions[kind],
            [this, kind] { mnAllConvertClick(kind); });
  }

  QMenu* option = top("mnOption", "ｵﾌﾟｼｮﾝ(&O)");
  AddItem(option, "mnPrpty", "ﾌﾟﾛﾊﾟﾃｨ(&P)", [this] { mnPrptyClick(); });
  AddItem(option, "mnInfo", "画像情報(&I)", [this] { mnInfoClick(); });
  option->addSeparator();
  QMenu* wall = AddSubmenu(option, "mnWallPaper", "壁紙に設定(&W)");
  AddItem(wall, "mnWallCenter", "中央に表示(&C)", [this] { mnWallCenterClick(); });
  AddItem(wall, "mnWallAll", "全体に表示(&T)", [this] { mnWallAllClick(); });
  AddItem(
      wall, "mnWallUndo", "元に戻す(&U)", [this] { mnWallUndoClick(); }, false);
  QMenu* convert = AddSubmenu(option, "mnConvert", "画像形式ｺﾝﾊﾞｰﾄ(&C)");
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
  AddItem(p, "pmRename", "名前の変更(&N)", [this] { mnRenameClick(); });
  QMenu* copy = AddSubmenu(p, "pmCopy", "指定ﾌｫﾙﾀﾞにｺﾋﾟｰ(&C)");
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(copy, NumberedName("pmCopys", n).c_str(), "", [this, n] { mnCpysClick(n); });
  AddItem(copy, "pmCopyAnother", "上の指定先以外", [this] { mnAnotherCpyClick(); });
  QMenu* go = AddSubmenu(p, "pmGoTo", "指定ﾌｫﾙﾀﾞに移動(&G)");
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(go, NumberedName("pmGoTos", n).c_str(), "", [this, n] { mnGoTosClick(n); });
  AddItem(go, "pmGotoAnother", "上の指定先以外", [this] { mnAnotherGtoClick(); });
  AddItem(p, "pmDel", "削除(&D)", [this] { mnDelClick(); });
  p->addSeparator();
  AddItem(p, "pmReal", "実ｻｲｽﾞ表示(&R)", [this] { mnRealSizeClick(); });
  AddItem(p, "pmScrnFit", "画面にﾌｨｯﾄ表示(&S)", [this] { mnFitToScreenClick(); });
  AddItem(p, "pmFul", "ﾌﾙｽｸﾘｰﾝ表示(&F)", [this] { mnFulScreenClick(); });
  p->addSeparator();
  AddItem(p, "pmCatarog", "ｶﾀﾛｸﾞを作成(&C)", [this] { mnCatarogMakeClick(); });
  p->addSeparator();
  QMenu* slide = AddSubmenu(p, "pmSlideShow", "ｽﾗｲﾄﾞｼｮｰ表示");
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
  itemCountLbl_ = new TFittingLabel(countPanel_);
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

void TMainForm::mnConvertPopup() {
  ConvertMenuState state = ConvertEntriesFor(list_.CurrentFile());
  for (int kind = 0; kind < 6; ++kind) Action(kConvertNames[kind])->setEnabled(state.Enabled[kind]);
}

void TMainForm::PaintState() {
  for (const TMainItem& item : MainItems(state_)) {
    QAction* action = Action(item.Name);
    action->setEnabled(item.Enabled);
    if (item.HasCaption) action->setText(QString::fromStdString(item.Caption));
  }
  for (int n = 1; n <= kSlotCount; ++n) {
    const size_t i = static_cast<size_t>(n - 1);
    slotLabels_[i]->setText(QString::fromStdString(SlotCaption(state_, n)));
    findButtons_[i]->setEnabled(FindButtonEnabled(state_, n));
  }
  const bool commands = CommandsEnabled(state_);
  for (QMenu* menu : topMenus_)
    menu->menuAction()->setEnabled(TopMenuEnabled(state_, menu->objectName().toStdString()));
  for (QToolButton* button : speedButtons_) button->setEnabled(commands);
}

}  // namespace verid
