#include "catalog/CatarogFrm.h"

#include <QAction>
#include <QCloseEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStyle>
#include <QTextLayout>
#include <QToolTip>
#include <algorithm>
#include <exception>

#include "app/Browse.h"
#include "app/Cp932.h"
#include "app/Hanyou.h"
#include "catalog/CataProgresFrm.h"
#include "dialogs/Convert.h"
#include "ui/Application.h"
#include "ui/RasterView.h"
#include "view/InfoFrm.h"
#include "view/SlideFrm.h"
#include "view/ViewFrm.h"

namespace verid {

namespace {

QString Text(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// Folder strings become captions; an "&" in a path is a character, not a mnemonic.
QString FolderCaption(const std::string& folder) {
  QString text = QString::fromStdString(DisplayText(folder));
  text.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return text;
}

std::string Numbered(const char* prefix, int n) {
  return prefix + std::to_string(n);
}

// Thumbnails kept drawn, in kilobytes: a few screens' worth at the largest size.
constexpr int kPixmapCacheKB = 32 * 1024;

const QColor kListColour(128, 128, 128);  // clGray

constexpr const char* kConvertCaptions[6] = {"BMP->JPEG", "BMP->PNG", "JPEG->BMP",
                                             "JPEG->PNG", "PNG->BMP", "PNG->JPEG"};
constexpr const char* kConvertNames[6] = {"mnCConvertBtoJ", "mnCConvertBtoP", "mnCConvertJtoB",
                                          "mnCConvertJtoP", "mnCConvertPtoB", "mnCConvertPtoJ"};
constexpr const char* kMenuRemakeNames[4] = {"mnCRemake65", "mnCRemake80", "mnCRemake100",
                                             "mnCRemake120"};
constexpr const char* kMenuRemakeCaptions[4] = {" 65×65", " 80×80", "100×100", "120×120"};
constexpr const char* kPopupRemakeNames[4] = {"pmReMake65", "pmRemake80", "pmRemake100",
                                              "pmRemake120"};
constexpr const char* kPopupRemakeCaptions[4] = {" 65× 65", " 80× 80", "100×100", "120×120"};

}  // namespace

// --- the rows ------------------------------------------------------------------------------

TCatalogModel::TCatalogModel(const Catalog& catalog, QObject* parent)
    : QAbstractListModel(parent), catalog_(catalog), count_(int(catalog.Items.size())) {
  pixmaps_.setMaxCost(kPixmapCacheKB);
}

int TCatalogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count_;
}

QVariant TCatalogModel::data(const QModelIndex& index, int role) const {
  const int row = index.row();
  if (!index.isValid() || row < 0 || row >= count_ || row >= int(catalog_.Items.size())) return {};
  const CatalogEntry& entry = catalog_.Items[size_t(row)];
  if (role == Qt::DisplayRole) return QString::fromStdString(DisplayText(entry.Caption));
  if (role != Qt::DecorationRole) return {};
  // An opened file may name images the store does not hold.
  const int image = entry.ImageIndex;
  if (image < 0 || image >= catalog_.Images.Count()) return {};
  if (const QPixmap* cached = pixmaps_.object(image)) return *cached;
  const TBitmap& cell = catalog_.Images.Image(image);
  auto* pixmap = new QPixmap(QPixmap::fromImage(RasterImage(cell)));
  const QPixmap shown = *pixmap;
  pixmaps_.insert(image, pixmap, std::max(1, cell.Width() * cell.Height() * 4 / 1024));
  return shown;
}

void TCatalogModel::Reload() {
  beginResetModel();
  pixmaps_.clear();
  count_ = int(catalog_.Items.size());
  endResetModel();
}

void TCatalogModel::Detach() {
  beginResetModel();
  pixmaps_.clear();
  count_ = 0;
  endResetModel();
}

void TCatalogModel::RowRemoved(int row) {
  if (row < 0 || row >= count_) return;
  beginRemoveRows(QModelIndex(), row, row);
  --count_;
  endRemoveRows();
}

void TCatalogModel::RowChanged(int row) {
  if (row < 0 || row >= count_) return;
  emit dataChanged(index(row), index(row));
}

TCatalogListView::TCatalogListView(TCatarogForm& form, QWidget* parent)
    : QListView(parent), form_(form) {}

void TCatalogListView::keyPressEvent(QKeyEvent* event) {
  if (!(event->modifiers() & ~Qt::KeypadModifier) && form_.ListViewKeyDown(event->key())) {
    event->accept();
    return;
  }
  QListView::keyPressEvent(event);
}

bool TCatalogListView::CaptionCut(const QModelIndex& index) {
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  option.text = index.data(Qt::DisplayRole).toString();
  option.features |= QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
  if (wordWrap()) option.features |= QStyleOptionViewItem::WrapText;
  const QRect room = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
  // Laid out as the item draws its text: wrapped at word boundaries or anywhere.
  QTextLayout layout(option.text, option.font);
  QTextOption wrap;
  wrap.setWrapMode(wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
  layout.setTextOption(wrap);
  qreal height = 0, widest = 0;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(room.width() - 4);
    height += line.height();
    widest = std::max(widest, line.naturalTextWidth());
  }
  layout.endLayout();
  return height > room.height() + 0.5 || widest > room.width();
}

bool TCatalogListView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    if (index.isValid() && CaptionCut(index))
      QToolTip::showText(help->globalPos(), index.data(Qt::DisplayRole).toString(), viewport(),
                         visualRect(index));
    else
      QToolTip::hideText();
    return true;
  }
  return QListView::viewportEvent(event);
}

void TCatalogListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QListView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) form_.ListViewDblClick();
}

// --- the window ------------------------------------------------------------------------------

TCatarogForm::TCatarogForm(CatalogEnv env, const CatalogOwner& owner)
    : env_(env),
      owner_(owner),
      folders_(CatalogFoldersFor(owner.View)),
      mainWallUndo_(owner.View.WallUndoEnabled) {
  setObjectName(QStringLiteral("CatarogForm"));
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(UiFont());

  model_ = new TCatalogModel(catalog_, this);
  listView_ = new TCatalogListView(*this, this);
  listView_->setObjectName(QStringLiteral("ListView"));
  listView_->setViewMode(QListView::IconMode);
  listView_->setMovement(QListView::Static);  // arranged automatically
  listView_->setResizeMode(QListView::Adjust);
  listView_->setUniformItemSizes(true);
  listView_->setWordWrap(true);
  listView_->setTextElideMode(Qt::ElideRight);
  listView_->setSelectionMode(QAbstractItemView::SingleSelection);
  listView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  listView_->setContextMenuPolicy(Qt::CustomContextMenu);
  QPalette palette = listView_->palette();
  palette.setColor(QPalette::Base, kListColour);
  palette.setColor(QPalette::Text, Qt::black);
  listView_->setPalette(palette);
  listView_->setModel(model_);
  setCentralWidget(listView_);
  connect(listView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { PaintMenus(); });
  connect(listView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    ListViewContextPopup(listView_->viewport()->mapToGlobal(pos));
  });

  BuildMenus();
  BuildPopup();
  if (owner_.Window) connect(owner_.Window, &QObject::destroyed, this, [this] { delete this; });
  if (owner_.LockCommands) owner_.LockCommands();
  AfterFill();
}

TCatarogForm::~TCatarogForm() = default;

void TCatarogForm::Run(const std::function<void()>& command) {
  RunCommand(env_.Dlg, command);
}

QMenuBar* TCatarogForm::MainMenu1() const {
  return const_cast<TCatarogForm*>(this)->menuBar();
}

QAction* TCatarogForm::Action(const std::string& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QAction* TCatarogForm::AddItem(QMenu* menu, const char* name, const char* caption,
                               std::function<void()> command) {
  auto* action = new QAction(Text(caption), menu);
  action->setObjectName(QString::fromUtf8(name));
  if (command) connect(action, &QAction::triggered, this, [this, command] { Run(command); });
  menu->addAction(action);
  actions_[name] = action;
  return action;
}

QMenu* TCatarogForm::AddSubmenu(QMenu* menu, const char* name, const char* caption) {
  QMenu* sub = menu->addMenu(Text(caption));
  sub->setObjectName(QString::fromUtf8(name));
  sub->menuAction()->setObjectName(QString::fromUtf8(name));
  actions_[name] = sub->menuAction();
  return sub;
}

void TCatarogForm::AddFolderItems(QMenu* menu, const char* prefix, const char* another, bool copy) {
  for (int n = 1; n <= kSlotCount; ++n)
    AddItem(menu, Numbered(prefix, n).c_str(), "",
            [this, n, copy] { copy ? mnCCpyClick(n) : mnCMoveClick(n); });
  AddItem(menu, another, "上の指定先以外",
          [this, copy] { copy ? mnCCpyAnotherClick() : mnCMoveAnotherClick(); });
}

void TCatarogForm::AddRemakeItems(QMenu* menu, const char* const names[4],
                                  const char* const captions[4]) {
  for (int i = 0; i < 4; ++i) {
    const int size = kRemakeSizes[i];
    AddItem(menu, names[i], captions[i], [this, size] { Remake(size); });
  }
}

void TCatarogForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  bar->setNativeMenuBar(false);
  auto top = [this, bar](const char* name, const char* caption) {
    QMenu* menu = bar->addMenu(Text(caption));
    menu->setObjectName(QString::fromUtf8(name));
    menu->menuAction()->setObjectName(QString::fromUtf8(name));
    actions_[name] = menu->menuAction();
    topMenus_.push_back(menu);
    // Each menu shows the enabled states of the moment it opens.
    connect(menu, &QMenu::aboutToShow, this, [this] { PaintMenus(); });
    return menu;
  };

  QMenu* file = top("mnCFile", "ﾌｧｲﾙ(&F)");
  AddItem(file, "mnCRename", "名前の変更(&R)", [this] { mnCRenameClick(); });
  AddFolderItems(AddSubmenu(file, "mnCCopy", "指定ﾌｫﾙﾀﾞにｺﾋﾟｰ(&C)"), "mnCCpy", "mnCCpyAnother",
                 true);
  AddFolderItems(AddSubmenu(file, "mnCMove", "指定ﾌｫﾙﾀﾞに移動(&M)"), "mnCMove", "mnCMoveAnother",
                 false);
  AddItem(file, "mnCDel", "削除(&D)", [this] { mnCDelClick(); });
  file->addSeparator();
  AddItem(file, "mnCSave", "ｶﾀﾛｸﾞ(*.doz)を保存", [this] { pmCsaveClick(); });
  file->addSeparator();
  AddItem(file, "mnCExit", "閉じる(&X)", [this] { mnCExitClick(); });

  QMenu* view = top("mnCView", "画像表示(&V)");
  AddItem(view, "mnCReal", "実ｻｲｽﾞ表示(&R)", [this] { mnCRealClick(); });
  AddItem(view, "mnCFit", "画面にﾌｨｯﾄ表示(&T)", [this] { mnCFitClick(); });
  AddItem(view, "mnCFul", "ﾌﾙｽｸﾘｰﾝ表示(&F)", [this] { mnCFulClick(); });
  view->addSeparator();
  AddItem(view, "mnCSlide", "ｽﾗｲﾄﾞｼｮｰ表示(&S)", [this] { mnCSlideClick(); });
  view->addSeparator();
  AddRemakeItems(AddSubmenu(view, "mnCRemake", "ｶﾀﾛｸﾞ再作成(&M)"), kMenuRemakeNames,
                 kMenuRemakeCaptions);

  QMenu* select = top("mnCSelect", "画像選択(&S)");
  AddItem(select, "mnCPrev", "前の画像(&P)", [this] { mnCPrevClick(); });
  AddItem(select, "mnCNext", "次の画像(&N)", [this] { mnCNextClick(); });
  AddItem(select, "mnCFirst", "先頭の画像(&F)", [this] { mnCFirstClick(); });
  AddItem(select, "mnCLast", "末尾の画像(&L)", [this] { mnCLastClick(); });

  QMenu* option = top("mnCOption", "ｵﾌﾟｼｮﾝ(&O)");
  AddItem(option, "mnCInfo", "画像情報(&I)", [this] { mnCInfoClick(); });
  QMenu* wall = AddSubmenu(option, "mnCWPaper", "壁紙設定(&W)");
  AddItem(wall, "mnCWallCenter", "中央に表示(&C)", [this] { mnCWallCenterClick(); });
  AddItem(wall, "mnCWallAll", "全体に表示(&A)", [this] { mnCWallAllClick(); });
  AddItem(wall, "mnCWallUndo", "元に戻す(&U)", [this] { mnCWallUndoClick(); });
  QMenu* convert = AddSubmenu(option, "mnCConvert", "画像形式ｺﾝﾊﾞｰﾄ");
  for (int kind = 0; kind < 6; ++kind) {
    if (kind == 2 || kind == 4) convert->addSeparator();
    AddItem(convert, kConvertNames[kind], kConvertCaptions[kind],
            [this, kind] { mnCConvertKindClick(kind); });
  }
  connect(convert, &QMenu::aboutToShow, this, [this] { Run([this] { mnCConvertClick(); }); });
  option->addSeparator();
  AddItem(option, "mnCHideMenu", "ﾒﾆｭｰを表示しない(&N)", [this] { mnCHideMenuClick(); });
}

void TCatarogForm::BuildPopup() {
  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("PopupMenu1"));
  QMenu* p = popup_;
  AddItem(p, "pmCReal", "実ｻｲｽﾞ表示", [this] { mnCRealClick(); });
  p->addSeparator();
  AddItem(p, "pmCRename", "名前の変更", [this] { mnCRenameClick(); });
  AddFolderItems(AddSubmenu(p, "pmCCopy", "指定ﾌｫﾙﾀﾞにｺﾋﾟｰ"), "pmCCpy", "pmCCpyAnother", true);
  AddFolderItems(AddSubmenu(p, "pmCMove", "指定ﾌｫﾙﾀﾞに移動"), "pmCMove", "pmCMoveAnother", false);
  AddItem(p, "pmCDel", "削除", [this] { mnCDelClick(); });
  p->addSeparator();
  AddRemakeItems(AddSubmenu(p, "pmCRemake", "ｶﾀﾛｸﾞ再作成"), kPopupRemakeNames,
                 kPopupRemakeCaptions);
  AddItem(p, "pmCsave", "ｶﾀﾛｸﾞ(*.doz)を保存", [this] { pmCsaveClick(); });
  p->addSeparator();
  AddItem(p, "pmCShowMenu", "ﾒﾆｭｰを表示する", [this] { pmCShowMenuClick(); });
  AddItem(p, "pmCClose", "閉じる", [this] { mnCExitClick(); });
  connect(popup_, &QMenu::aboutToShow, this, [this] { PaintMenus(); });
}

CatalogMenuState TCatarogForm::Menus() const {
  return CatalogMenus(folders_, state_, Selected() >= 0);
}

void TCatarogForm::PaintMenus() {
  const CatalogMenuState menus = Menus();
  if (painted_ && *painted_ == menus) return;
  for (QMenu* menu : topMenus_) menu->menuAction()->setVisible(menus.TopMenus);
  // With nothing in it the bar would stay as an empty strip.
  menuBar()->setVisible(menus.TopMenus);
  for (const auto& [name, enabled] : menus.Enabled)
    if (QAction* action = Action(name)) action->setEnabled(enabled);
  if (!painted_ || painted_->Captions != menus.Captions)
    for (const auto& [name, caption] : menus.Captions)
      if (QAction* action = Action(name)) action->setText(FolderCaption(caption));
  painted_ = menus;
}

// The list shows the store's cells at their size with the caption below, spaced as large
// icons are: the cell plus room for a file name on either side.
void TCatarogForm::AfterFill() {
  model_->Reload();
  const QSize cell(std::max(catalog_.Images.Width(), 1), std::max(catalog_.Images.Height(), 1));
  const int line = listView_->fontMetrics().height();
  listView_->setIconSize(cell);
  listView_->setGridSize(QSize(cell.width() + 43, cell.height() + 2 * line + 12));
  PaintMenus();
}

// --- filling ---------------------------------------------------------------------------------

BuildResult TCatarogForm::Build(int size, const BuildOptions& options) {
  setWindowTitle(QString::fromStdString(DisplayText(env_.List.Folder())));
  model_->Detach();
  building_ = true;
  BuildResult result;
  try {
    result = RunCatalogBuild(this, env_.List, size, catalog_, env_.Plat, options);
  } catch (...) {
    building_ = false;
    AfterFill();
    mnCFirstClick();
    throw;
  }
  building_ = false;
  AfterFill();
  mnCFirstClick();
  return result;
}

void TCatarogForm::Read(const std::string& path) {
  setWindowTitle(QString::fromStdString(DisplayText(path)));
  model_->Detach();
  struct Refill {
    TCatarogForm& form;
    ~Refill() { form.AfterFill(); }
  } refill{*this};
  OpenCatalogFile(path, catalog_, env_.Dlg);
  // Also after a file that was no catalog: what was read is shown, view-only.
  state_.MenusHidden = true;
  state_.PopupOff = true;
}

void TCatarogForm::Discard() {
  closed_ = true;
  if (owner_.UnlockCommands) owner_.UnlockCommands();
  deleteLater();
}

// --- selection -------------------------------------------------------------------------------

int TCatarogForm::Selected() const {
  const QModelIndexList rows = listView_->selectionModel()->selectedIndexes();
  return rows.isEmpty() ? -1 : rows.front().row();
}

void TCatarogForm::Select(int index) {
  if (index < 0 || index >= model_->rowCount()) {
    listView_->selectionModel()->clearSelection();
    return;
  }
  const QModelIndex row = model_->index(index);
  listView_->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
  listView_->scrollTo(row, QAbstractItemView::EnsureVisible);
}

int TCatarogForm::SyncMain() {
  return verid::SyncMain(env_.List, Selected());
}

RemovalStep TCatarogForm::Removal() {
  return CatalogRemovalStep(env_.List, catalog_, [this](int position) {
    model_->RowRemoved(position);
    listView_->selectionModel()->clearSelection();
    PaintMenus();
  });
}

// --- commands --------------------------------------------------------------------------------

void TCatarogForm::mnCRenameClick() {
  if (SyncMain() < 0) return;
  RenameListCurrent(this);
}

// The rename dialog for the list's current file; its entry here takes the new name.
void TCatarogForm::RenameListCurrent(QWidget* parent) {
  const int index = env_.List.ItemIndex();
  TRenameForm form(env_.List, env_.Dlg, owner_.RenameStatus, parent);
  form.exec();
  if (!form.Result().Renamed || index < 0 || index >= int(catalog_.Items.size())) return;
  catalog_.Items[size_t(index)].Caption = ExtractFileName(env_.List.CurrentFile());
  model_->RowChanged(index);
}

void TCatarogForm::mnCCpyClick(int slot) {
  SyncMain();
  CopyToFolder(env_, env_.Settings.CopyFolders[size_t(slot - 1)]);
}

void TCatarogForm::mnCCpyAnotherClick() {
  SyncMain();
  if (ChooseOtherFolder(env_.Settings, env_.Dlg)) CopyToFolder(env_, env_.Settings.OtherFolder);
}

void TCatarogForm::mnCMoveClick(int slot) {
  SyncMain();
  MoveToFolder(env_, env_.Settings.MoveFolders[size_t(slot - 1)], Removal());
}

void TCatarogForm::mnCMoveAnotherClick() {
  SyncMain();
  if (ChooseOtherFolder(env_.Settings, env_.Dlg))
    MoveToFolder(env_, env_.Settings.OtherFolder, Removal());
}

void TCatarogForm::mnCDelClick() {
  SyncMain();
  DeleteCurrent(env_, Removal());
  PaintMenus();
}

void TCatarogForm::pmCsaveClick() {
  catalog_.View.Width = listView_->width();
  catalog_.View.Height = listView_->height();
  SaveCatalogAs(catalog_, env_.List, env_.Settings, env_.Dlg);
}

void TCatarogForm::mnCExitClick() {
  close();
}

void TCatarogForm::ShowView(int mode) {
  if (SyncMain() < 0) return;
  ViewOwner owner = owner_.View;
  owner.WallUndoEnabled = mainWallUndo_;
  // A wallpaper set or undone in this view is what the next view starts from.
  auto tracked = [this](const std::function<bool()>& command) -> std::function<bool()> {
    if (!command) return {};
    return [this, command] { return mainWallUndo_ = command(); };
  };
  owner.WallCenter = tracked(owner.WallCenter);
  owner.WallTile = tracked(owner.WallTile);
  owner.WallUndo = tracked(owner.WallUndo);
  // The view's file commands work on the list; the catalog follows each of them, so its
  // entries keep standing for the list's.
  TViewForm* view = nullptr;
  owner.Rename = [this, &view] { RenameListCurrent(view); };
  owner.RemoveEntry = [this](int countBefore, int index) {
    if (index >= 0 && index < int(catalog_.Items.size())) {
      catalog_.Items.erase(catalog_.Items.begin() + index);
      model_->RowRemoved(index);
    }
    RemoveEntry(env_.List, countBefore, index);
  };
  TViewForm form(ViewEnv{env_.List, env_.Settings, env_.Dlg, env_.Plat}, owner, this);
  view = &form;
  form.HideFileCommands();
  // A picture that fails to load is reported; the window still opens in its mode.
  form.Run([&] {
    if (mode == kModeReal) {
      form.SetShowMenuBar(false);
      form.ShowReal();
    } else if (mode == kModeFit) {
      form.ShowFit();
    } else {
      form.ShowFull();
    }
  });
  form.exec();
  repaint();
}

void TCatarogForm::mnCRealClick() {
  ShowView(kModeReal);
}
void TCatarogForm::mnCFitClick() {
  ShowView(kModeFit);
}
void TCatarogForm::mnCFulClick() {
  ShowView(kModeFull);
}

// Over the main list from its first file; this window stays behind it.
void TCatarogForm::mnCSlideClick() {
  RunFullSlideShow(kSlideFromCatalog, ViewEnv{env_.List, env_.Settings, env_.Dlg, env_.Plat}, {},
                   this);
  repaint();
}

void TCatarogForm::Remake(int size, const BuildOptions& options) {
  hide();
  struct ShowAgain {
    TCatarogForm& form;
    ~ShowAgain() { form.show(); }
  } showAgain{*this};
  Build(size, options);
}

void TCatarogForm::mnCPrevClick() {
  Select(CatalogPrev(Selected(), model_->rowCount(), env_.Dlg));
}
void TCatarogForm::mnCNextClick() {
  Select(CatalogNext(Selected(), model_->rowCount(), env_.Dlg));
}
void TCatarogForm::mnCFirstClick() {
  Select(CatalogFirst(model_->rowCount()));
}
void TCatarogForm::mnCLastClick() {
  Select(CatalogLast(model_->rowCount()));
}

void TCatarogForm::mnCInfoClick() {
  if (SyncMain() < 0) return;
  const std::string path = env_.List.CurrentFile();
  const auto [width, height] = InfoDimensions(path);
  ShowImageInfo(path, width, height, env_.Plat, this);
}

void TCatarogForm::mnCWallCenterClick() {
  SyncMain();
  if (!owner_.View.WallCenter) return;
  state_.WallUndo = mainWallUndo_ = owner_.View.WallCenter();
  PaintMenus();
}

void TCatarogForm::mnCWallAllClick() {
  SyncMain();
  if (!owner_.View.WallTile) return;
  state_.WallUndo = mainWallUndo_ = owner_.View.WallTile();
  PaintMenus();
}

void TCatarogForm::mnCWallUndoClick() {
  SyncMain();
  if (!owner_.View.WallUndo) return;
  state_.WallUndo = mainWallUndo_ = owner_.View.WallUndo();
  PaintMenus();
}

void TCatarogForm::mnCConvertClick() {
  SyncMain();
  state_.Convert = ConvertEntriesFor(env_.List.CurrentFile());
  PaintMenus();
}

// The main window's conversion of the synced file; the catalog itself does not change.
void TCatarogForm::mnCConvertKindClick(int kind) {
  if (SyncMain() < 0) return;
  ConvertCurrent(env_, kind);
}

void TCatarogForm::mnCHideMenuClick() {
  state_.MenusHidden = true;
  PaintMenus();
}

void TCatarogForm::pmCShowMenuClick() {
  state_.MenusHidden = false;
  PaintMenus();
}

// --- the list ----------------------------------------------------------------------------------

bool TCatarogForm::ListViewKeyDown(int key) {
  if (Selected() < 0) return false;
  switch (key) {
    case Qt::Key_Backspace:
      Run([this] { mnCPrevClick(); });
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Run([this] { mnCRealClick(); });
      return true;
    case Qt::Key_Space:
      Run([this] { mnCNextClick(); });
      return true;
    default:
      return false;
  }
}

void TCatarogForm::ListViewDblClick() {
  // With nothing selected there is no file to show.
  Run([this] { mnCRealClick(); });
}

void TCatarogForm::ListViewContextPopup(const QPoint& globalPos) {
  if (state_.PopupOff) return;
  PaintMenus();
  popup_->popup(globalPos);
}

void TCatarogForm::closeEvent(QCloseEvent* event) {
  if (building_) {
    event->ignore();
    return;
  }
  if (!closed_) {
    closed_ = true;
    hide();
    // The main window comes back whatever fails on the way.
    Run([this] {
      if (owner_.ShowMain) owner_.ShowMain();
    });
    if (owner_.UnlockCommands) owner_.UnlockCommands();
    Run([this] {
      env_.List.SetItemIndex(0);
      if (owner_.RefreshPreview) owner_.RefreshPreview();
    });
    model_->Detach();
    catalog_.Clear();
  }
  QMainWindow::closeEvent(event);
}

// --- openers -----------------------------------------------------------------------------------

TCatarogForm* MakeCatalogWindow(CatalogEnv env, const CatalogOwner& owner,
                                const BuildOptions& options) {
  if (!HasCurrentFile(env.List)) return nullptr;
  if (owner.ClearPreview) owner.ClearPreview();
  auto* form = new TCatarogForm(env, owner);
  std::exception_ptr failure;
  try {
    form->Build(env.Settings.CatalogThumbSize, options);
  } catch (...) {
    failure = std::current_exception();
  }
  // What was made before a failure is shown all the same.
  form->showMaximized();
  if (owner.HideMain) owner.HideMain();
  if (failure) std::rethrow_exception(failure);
  return form;
}

TCatarogForm* OpenCatalogWindow(const std::string& path, CatalogEnv env,
                                const CatalogOwner& owner) {
  if (owner.ClearPreview) owner.ClearPreview();
  auto* form = new TCatarogForm(env, owner);
  try {
    form->Read(path);
  } catch (...) {
    // Nothing to show: the main window stays and gets its commands back.
    form->Discard();
    throw;
  }
  form->showMaximized();
  if (owner.HideMain) owner.HideMain();
  if (owner.UnlockCommands) owner.UnlockCommands();
  return form;
}

}  // namespace verid
