// The main window under offscreen Qt: layout, menus, start-up steps, the tool bar, the
// lock, the first-run hint, the command line, what start-up leaves until after the first
// paint, the list commands and exit.
#include <signal.h>

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <fstream>
#include <set>

#include "app/Cp932.h"
#include "app/Hanyou.h"
#include "app/LookAhead.h"
#include "dialogs/ExploreFrm.h"
#include "gui/support/GuiTest.h"
#include "ui/AppIcon.h"
#include "ui/FileListBox.h"
#include "ui/Panels.h"

namespace verid::test {
namespace {

QRect Geometry(QWidget* w) {
  return w ? w->geometry() : QRect(-1, -1, -1, -1);
}
std::string Str(const QString& s) {
  return s.toStdString();
}

// The action that follows `action` in the menu it was added to (null at the end).
QAction* Next(QAction* action) {
  for (QObject* o : action->associatedObjects()) {
    auto* menu = qobject_cast<QMenu*>(o);
    if (!menu || menu->menuAction() == action) continue;
    QList<QAction*> list = menu->actions();
    qsizetype i = list.indexOf(action);
    if (i >= 0) return i + 1 < list.size() ? list[i + 1] : nullptr;
  }
  return nullptr;
}

class MainLayout : public MainWindowTest {};

TEST_F(MainLayout, ClientAreaMatchesTheDesignedPositions) {
  TMainForm& f = Make();
  EXPECT_EQ(f.windowTitle(), "Verid");
  // The menus stay in the window even where the desktop offers a global menu bar.
  EXPECT_FALSE(f.menuBar()->isNativeMenuBar());
  EXPECT_EQ(f.Client()->size(), QSize(387, 239));
  EXPECT_EQ(Geometry(f.ToolBar()), QRect(0, 1, 395, 22));
  EXPECT_EQ(f.Bevel1()->geometry().top(), 23);
  EXPECT_EQ(Geometry(f.Panel1()), QRect(5, 27, 190, 190));
  EXPECT_EQ(Geometry(f.PageControl1()), QRect(200, 27, 180, 190));
  EXPECT_EQ(Geometry(f.StatusBar1()), QRect(0, 217, 387, 22));
  EXPECT_EQ(f.StatusBar1()->Panel(0)->x(), 0);
  EXPECT_EQ(f.StatusBar1()->Panel(1)->x(), 300);
  EXPECT_EQ(f.StatusBar1()->Panel(1)->width(), 87);
  EXPECT_EQ(Geometry(f.itemCountLbl()->parentWidget()), QRect(332, 2, 50, 18));
  EXPECT_EQ(f.itemCountLbl()->parentWidget()->parentWidget(), f.ToolBar());
  EXPECT_TRUE(f.itemCountLbl()->text().isEmpty());

  ASSERT_EQ(f.PageControl1()->count(), 2);
  EXPECT_EQ(f.PageControl1()->tabText(0), "指定ﾌｫﾙﾀﾞの検索");
  EXPECT_EQ(f.PageControl1()->tabText(1), "ﾌｧｲﾙﾘｽﾄ");
  EXPECT_EQ(f.PageControl1()->currentIndex(), 0);
  for (int n = 1; n <= 8; ++n) {
    EXPECT_EQ(Geometry(f.SlotLabel(n)), QRect(1, 2 + 20 * (n - 1), 139, 18)) << n;
    EXPECT_EQ(Geometry(f.FindBtn(n)), QRect(141, 3 + 20 * (n - 1), 30, 17)) << n;
    EXPECT_EQ(f.FindBtn(n)->text(), "検索");
    EXPECT_EQ(f.FindBtn(n)->objectName(), QString("FindBtn%1").arg(n));
  }
  // A fixed window: minimise but no maximise.
  EXPECT_TRUE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(MainLayout, ThirteenSpeedButtonsWithHintsAndDistinctGlyphs) {
  TMainForm& f = Make();
  struct Expect {
    const char* name;
    int x;
    const char* hint;
  };
  const Expect expected[] = {{"OpenBtn", 10, "開く"},
                             {"CopyBtn", 30, "ｺﾋﾟｰ"},
                             {"MoveBtn", 50, "移動"},
                             {"DelBtn", 70, "削除"},
                             {"RealSBtn", 100, "実ｻｲｽﾞ表示"},
                             {"FitScrSBtn", 120, "画面に合わせて表示"},
                             {"FScrnSBtn", 140, "ﾌﾙｽｸﾘｰﾝ"},
                             {"CatarogSBtn", 160, "ｶﾀﾛｸﾞ表示"},
                             {"SlideThumSBtn", 180, "ｽﾗｲﾄﾞｼｮｰ(縮小画像)"},
                             {"SlideFulSBtn", 200, "ｽﾗｲﾄﾞｼｮｰ(ﾌﾙｽｸﾘｰﾝ)"},
                             {"InfoSBtn", 230, "画像情報"},
                             {"PrptySBtn", 250, "ﾌﾟﾛﾊﾟﾃｨ"},
                             {"IEBtn", 270, "IE検索"}};
  ASSERT_EQ(f.SpeedButtons().size(), 13u);
  std::set<QByteArray> glyphs;
  for (const Expect& e : expected) {
    QToolButton* b = f.SpeedButton(e.name);
    ASSERT_NE(b, nullptr) << e.name;
    EXPECT_EQ(b->geometry(), QRect(e.x, 1, 20, 20)) << e.name;
    EXPECT_EQ(Str(b->toolTip()), e.hint);
    EXPECT_TRUE(b->autoRaise());
    QImage image = b->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(image.size(), QSize(16, 16));
    glyphs.insert(
        QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
  }
  EXPECT_EQ(glyphs.size(), 13u) << "every button has a picture of its own";
}

struct ItemSpec {
  const char* name;
  const char* caption;
  bool enabled;
};

// The icon is built into the program and decoded by our PNG reader at every size; the
// application and the main window carry it.
TEST_F(MainLayout, ProgramIconAtEverySizeOnTheWindows) {
  std::set<int> sizes;
  for (int size : AppIconSizes()) {
    SCOPED_TRACE(size);
    QImage image = AppIconImage(size);
    ASSERT_EQ(image.size(), QSize(size, size));
    EXPECT_EQ(qAlpha(image.pixel(0, size - 1)), 0);  // the corner is see-through
    const QRgb middle = image.pixel(size / 2, size * 3 / 4);
    EXPECT_EQ(qAlpha(middle), 255);
    EXPECT_GT(qGreen(middle), qRed(middle));  // the hill in front
    sizes.insert(size);
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 32, 48, 64, 128, 256}));
  EXPECT_TRUE(AppIconImage(20).isNull());
  EXPECT_EQ(AppIcon(42).size(), QSize(42, 42));
  for (const QIcon& icon : {QApplication::windowIcon(), Make().windowIcon()}) {
    QList<QSize> available = icon.availableSizes();
    EXPECT_EQ(available.size(), 6);
    EXPECT_TRUE(available.contains(QSize(256, 256)));
  }
}

TEST_F(MainLayout, MenuItemsHaveTheirCaptionsAndInitialStates) {
  TMainForm& f = Make();
  const ItemSpec items[] = {
      {"mnFile", "ﾌｧｲﾙ(&F)", true},
      {"mnOpen", "ﾌｫﾙﾀﾞを開く(&O)", true},
      {"mnFindCache", "IEｷｬｯｼｭ検索(&I)", true},
      {"mnFindFlder", "指定ﾌｫﾙﾀﾞの検索(&F)", true},
      {"mnRename", "名前の変更(&R)", false},
      {"mnCopy", "指定ﾌｫﾙﾀﾞにｺﾋﾟｰ(&C)", false},
      {"mnAnotherCpy", "上の指定先以外", true},
      {"mnGoTo", "指定ﾌｫﾙﾀﾞに移動(&G)", false},
      {"mnAnotherGto", "上の指定先以外", true},
      {"mnDel", "削除(&D)", false},
      {"mnExit", "終了(&X)", true},
      {"mnShow", "画像表示(&V)", true},
      {"mnRealSize", "実ｻｲｽﾞ表示(&R)", false},
      {"mnFitToScreen", "画面にﾌｨｯﾄ表示(&S)", false},
      {"mnFulScreen", "ﾌﾙｽｸﾘｰﾝ表示(&F)", false},
      {"mnCatarog", "ｶﾀﾛｸﾞ形式表示(&C)", true},
      {"mnCatarogMake", "ｶﾀﾛｸﾞを作成(&M)", false},
      {"mnCatarogRead", "ﾌｧｲﾙ(*.doz)を開く(&O)", true},
      {"mnSlideShow", "ｽﾗｲﾄﾞｼｮｰ表示(&S)", false},
      {"mnSlide_Thum", "ﾌﾟﾚﾋﾞｭｰ(&P)", false},
      {"mnSlide_Ful", "ﾌﾙｽｸﾘｰﾝ(&F)", false},
      {"mnSlideExit", "ｽﾗｲﾄﾞｼｮｰ終了(&X)", false},  // hidden
      {"mnPrev", "前の画像(&P)", false},
      {"mnNext", "次の画像(&N)", false},
      {"mnFirst", "先頭の画像(&F)", false},
      {"mnLast", "末尾の画像(&L)", false},
      {"mnALL", "ﾌｧｲﾙの一括操作(&A)", true},
      {"mnAllRename", "名前の一括変更(&A)", false},
      {"mnAllCopy", "指定ﾌｫﾙﾀﾞに一括ｺﾋﾟｰ(&C)", false},
      {"mnAllCopyAnother", "上の指定先以外", true},
      {"mnAllGoto", "指定ﾌｫﾙﾀﾞに一括移動(&G)", false},
      {"mnAllGotoSP", "上の指定先以外", true},
      {"mnAlldel", "一括削除(&D)", false},
      {"mnAllConvert", "画像形式一括ｺﾝﾊﾞｰﾄ(&H)", false},
      {"mnAllBtoJ", "BMP->JPEG", true},
      {"mnAllPtoJ", "PNG->JPEG", true},
      {"mnOption", "ｵﾌﾟｼｮﾝ(&O)", true},
      {"mnPrpty", "ﾌﾟﾛﾊﾟﾃｨ(&P)", true},
      {"mnInfo", "画像情報(&I)", false},
      {"mnWallPaper", "壁紙に設定(&W)", false},
      {"mnWallCenter", "中央に表示(&C)", true},
      {"mnWallAll", "全体に表示(&T)", true},
      {"mnWallUndo", "元に戻す(&U)", false},
      {"mnConvert", "画像形式ｺﾝﾊﾞｰﾄ(&C)", false},
      {"mnToolBar", "ﾂｰﾙﾊﾞｰ", true},
      {"mnShortCut", "ｼｮｰﾄｶｯﾄの作成(&M)", true},
      {"mnDeskTop", "ﾃﾞｽｸﾄｯﾌﾟに作成(&D)", true},
      {"mnSendTo", "「送る」に作成(&S)", true},
      {"mnVersion", "ﾊﾞｰｼﾞｮﾝ情報(&V)", true},
      // The pop-up menus.
      {"pmRename", "名前の変更(&N)", false},
      {"pmCopy", "指定ﾌｫﾙﾀﾞにｺﾋﾟｰ(&C)", false},
      {"pmCopyAnother", "上の指定先以外", true},
      {"pmGoTo", "指定ﾌｫﾙﾀﾞに移動(&G)", false},
      {"pmGotoAnother", "上の指定先以外", true},
      {"pmDel", "削除(&D)", false},
      {"pmReal", "実ｻｲｽﾞ表示(&R)", false},
      {"pmScrnFit", "画面にﾌｨｯﾄ表示(&S)", false},
      {"pmFul", "ﾌﾙｽｸﾘｰﾝ表示(&F)", false},
      {"pmCatarog", "ｶﾀﾛｸﾞを作成(&C)", false},
      {"pmSlideShow", "ｽﾗｲﾄﾞｼｮｰ表示", false},
      {"pmSlidePreview", "ﾌﾟﾚﾋﾞｭｰ", true},
      {"pmSlideFul", "ﾌﾙｽｸﾘｰﾝ", true},
      {"pmSlideStop", "ｽﾗｲﾄﾞｼｮｰ終了(&E)", true},
  };
  for (const ItemSpec& item : items) {
    QAction* a = f.findChild<QAction*>(item.name);
    ASSERT_NE(a, nullptr) << item.name;
    EXPECT_EQ(Str(a->text()), item.caption) << item.name;
    EXPECT_EQ(a->isEnabled(), item.enabled) << item.name;
    EXPECT_TRUE(a->shortcut().isEmpty()) << item.name;
  }
  EXPECT_FALSE(Act("mnSlideExit")->isVisible());
  EXPECT_TRUE(Act("mnToolBar")->isCheckable());
  EXPECT_TRUE(Act("mnToolBar")->isChecked());
  for (const char* name : {"mnFindFlder", "mnDel", "mnFulScreen", "mnCatarog", "mnSlideExit",
                           "mnInfo", "mnConvert", "mnShortCut"}) {
    QAction* next = Next(Act(name));
    ASSERT_NE(next, nullptr) << name;
    EXPECT_TRUE(next->isSeparator()) << "separator after " << name;
  }
  // No other separators in the file menu.
  int separators = 0;
  QMenu* fileMenu = f.findChild<QMenu*>("mnFile");
  ASSERT_NE(fileMenu, nullptr);
  for (QAction* a : fileMenu->actions()) separators += a->isSeparator();
  EXPECT_EQ(separators, 2);
  // The conversion submenus are grouped by source format.
  QMenu* allConvert = f.findChild<QMenu*>("mnAllConvert");
  ASSERT_NE(allConvert, nullptr);
  QList<QAction*> conv = allConvert->actions();
  ASSERT_EQ(conv.size(), 8);
  EXPECT_TRUE(conv[2]->isSeparator());
  EXPECT_TRUE(conv[5]->isSeparator());
  EXPECT_EQ(Str(conv[3]->text()), "JPEG->BMP");
}

TEST_F(MainLayout, AnUnknownItemNameStopsDebugBuilds) {
  TMainForm& f = Make();
  ASSERT_NE(f.Action("mnOpen"), nullptr);
  EXPECT_DEBUG_DEATH(EXPECT_EQ(f.Action("mnNoSuchItem"), nullptr),
                     "no item named \"mnNoSuchItem\"");
}

TEST_F(MainLayout, FolderCaptionsAndMissingSlotsDisabled) {
  AppSettings s;
  s.SearchFolders[0] = dir.MakeDir("search1");
  s.SearchFolders[1] = dir.Path() + "/gone";
  s.CopyFolders[2] = dir.MakeDir("copy & keep");
  s.MoveFolders[7] = dir.MakeDir("move8");
  s.FirstRunHint = false;
  WriteSettings(s);
  TMainForm& f = Make();

  EXPECT_EQ(Str(f.SlotLabel(1)->text()), s.SearchFolders[0]);
  EXPECT_EQ(Str(f.SlotLabel(3)->text()), "未指定");
  EXPECT_TRUE(f.FindBtn(1)->isEnabled());
  EXPECT_TRUE(Act("mnFind1")->isEnabled());
  EXPECT_EQ(Str(Act("mnFind1")->text()), s.SearchFolders[0]);
  EXPECT_FALSE(f.FindBtn(2)->isEnabled());
  EXPECT_FALSE(Act("mnFind2")->isEnabled());
  EXPECT_EQ(Str(Act("mnFind2")->text()), s.SearchFolders[1]);
  for (int n = 3; n <= 8; ++n) {
    EXPECT_FALSE(f.FindBtn(n)->isEnabled()) << n;
    EXPECT_EQ(Str(Act(("mnFind" + std::to_string(n)).c_str())->text()), "未指定");
  }
  // A "&" in a folder is shown, not taken for a mnemonic.
  for (const char* name : {"mnCpys3", "pmCopys3", "mnAllCopy3"}) {
    EXPECT_TRUE(Act(name)->isEnabled()) << name;
    EXPECT_EQ(Str(Act(name)->text()), dir.Path() + "/copy && keep");
  }
  for (const char* name : {"mnCpys1", "pmCopys1", "mnAllCopy1", "mnGoTos3", "mnAllGoto1"})
    EXPECT_FALSE(Act(name)->isEnabled()) << name;
  for (const char* name : {"mnGoTos8", "pmGoTos8", "mnAllGoto8"})
    EXPECT_TRUE(Act(name)->isEnabled()) << name;
  EXPECT_EQ(Str(Act("pmGoTos8")->text()), s.MoveFolders[7]);
  // Folder and file names are shown as typed, never read as markup.
  for (QLabel* label : f.findChildren<QLabel*>())
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << Str(label->objectName());
}

class MainStart : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    AppSettings s;
    s.FirstRunHint = false;
    WriteSettings(s);
  }
};

TEST_F(MainStart, ToolBarSwitchMovesThePanelsAndIsKeptAcrossRuns) {
  {
    TMainForm& f = Make();
    f.mnToolBarClick();
    EXPECT_FALSE(Act("mnToolBar")->isChecked());
    EXPECT_TRUE(f.ToolBar()->isHidden());
    EXPECT_TRUE(f.Bevel1()->isHidden());
    EXPECT_EQ(f.Client()->height(), 215);
    EXPECT_EQ(f.Panel1()->pos(), QPoint(5, 3));
    EXPECT_EQ(f.PageControl1()->pos(), QPoint(200, 3));
    EXPECT_EQ(f.StatusBar1()->y(), 193);
    f.close();
  }
  TMainForm& again = Make();
  EXPECT_FALSE(again.Settings().ToolBarVisible);
  EXPECT_FALSE(Act("mnToolBar")->isChecked());
  EXPECT_EQ(again.Client()->height(), 215);
  // The menu's own trigger flips the tick once.
  Act("mnToolBar")->trigger();
  EXPECT_TRUE(Act("mnToolBar")->isChecked());
  EXPECT_EQ(again.Client()->height(), 239);
  EXPECT_EQ(again.Panel1()->pos(), QPoint(5, 27));
  EXPECT_FALSE(again.ToolBar()->isHidden());
  // The outer height changes by the tool bar's 24 pixels.
  int withBar = again.sizeHint().height();
  again.mnToolBarClick();
  again.adjustSize();
  EXPECT_EQ(withBar - again.sizeHint().height(), 24);
}

TEST_F(MainStart, LockAndUnlock) {
  AppSettings s;
  s.FirstRunHint = false;
  s.SearchFolders[0] = dir.MakeDir("s1");
  WriteSettings(s);
  TMainForm& f = Make();
  f.show();
  f.LockCommands();
  EXPECT_TRUE(f.CommandsLocked());
  for (int n = 1; n <= 8; ++n) EXPECT_FALSE(f.FindBtn(n)->isEnabled());
  for (QToolButton* b : f.SpeedButtons()) EXPECT_FALSE(b->isEnabled()) << Str(b->objectName());
  for (const char* menu : {"mnFile", "mnShow", "mnOption", "mnALL"})
    EXPECT_FALSE(Act(menu)->isEnabled()) << menu;
  EXPECT_EQ(f.PopupForRightClick(), nullptr);
  // The close box does nothing while locked.
  EXPECT_FALSE(f.close());
  EXPECT_TRUE(f.isVisible());

  f.UnlockCommands();
  EXPECT_FALSE(f.CommandsLocked());
  // Every search button comes back, also those whose folder does not exist.
  for (int n = 1; n <= 8; ++n) EXPECT_TRUE(f.FindBtn(n)->isEnabled());
  for (QToolButton* b : f.SpeedButtons()) EXPECT_TRUE(b->isEnabled());
  for (const char* menu : {"mnFile", "mnShow", "mnOption", "mnALL"})
    EXPECT_TRUE(Act(menu)->isEnabled()) << menu;
  ASSERT_NE(f.PopupForRightClick(), nullptr);
  EXPECT_EQ(Str(f.PopupForRightClick()->objectName()), "PopupMain");
  f.UseSlidePopup(true);
  ASSERT_NE(f.PopupForRightClick(), nullptr);
  EXPECT_EQ(Str(f.PopupForRightClick()->objectName()), "PopupMenuSlide");
  EXPECT_TRUE(f.close());
}

TEST_F(MainWindowTest, FirstRunHintIsShownOncePerSettingsFile) {
  {
    TMainForm& f = Make();  // no settings file: a first run
    EXPECT_TRUE(dialogs.Calls().empty()) << "not before the window is active";
    f.show();
    f.activateWindow();
    WaitUntil([this] { return !dialogs.Calls().empty(); });
    f.FormActivate();  // switching away and back
    ASSERT_EQ(dialogs.Calls().size(), 1u);
    const MessageRequest& m = dialogs.LastMessage();
    EXPECT_EQ(m.Kind, MsgKind::Plain);
    EXPECT_EQ(m.Title, "Verid");
    EXPECT_EQ(m.Text, "はじめに「オプション｜プロパティ」から\r\n各種の設定をおこなってください。");
    EXPECT_EQ(m.Buttons, std::vector<MsgButton>{MsgButton::Ok});
    f.close();
  }
  dialogs.Clear();
  TMainForm& again = Make();
  again.FormActivate();
  EXPECT_TRUE(dialogs.Calls().empty());
}

TEST_F(MainStart, StartsOnTheWorkingFolderWithNothingSelected) {
  WriteBmp(dir / "a.bmp", 4, 4);
  TMainForm& f = Make();
  EXPECT_EQ(f.List().Count(), 1);
  EXPECT_EQ(f.List().ItemIndex(), -1);
  EXPECT_FALSE(Act("mnRealSize")->isEnabled());
  EXPECT_TRUE(f.itemCountLbl()->text().isEmpty());
  EXPECT_TRUE(f.StatusBar1()->Text(0).isEmpty());
  EXPECT_EQ(f.PageControl1()->currentIndex(), 0);
}

TEST_F(MainStart, CommandLineFolderOpensItsFirstPicture) {
  std::string photos = dir.MakeDir("photos");
  WriteBmp(photos + "/b.bmp", 8, 6);
  WriteBmp(photos + "/A.bmp", 8, 6);
  TMainForm& f = Make(photos);
  EXPECT_EQ(f.PageControl1()->currentIndex(), 1);
  ASSERT_EQ(f.List().Count(), 2);
  EXPECT_EQ(f.List().ItemIndex(), 0);
  EXPECT_EQ(f.List().Entry(0), "A.bmp");
  EXPECT_EQ(f.FileListBox()->CurrentRow(), 0);
  EXPECT_EQ(f.itemCountLbl()->text(), "1/2");
  EXPECT_EQ(Str(f.StatusBar1()->Text(0)), photos + "/A.bmp");
  EXPECT_TRUE(dialogs.Calls().empty());
}

TEST_F(MainStart, CommandLineFileIsSelectedUnderTheNameOnDisk) {
  std::string photos = dir.MakeDir("photos");
  WriteBmp(photos + "/a.bmp", 8, 6);
  WriteBmp(photos + "/Long Picture Name.bmp", 8, 6);
  TMainForm& f = Make(photos + "/LONG PICTURE NAME.BMP");
  ASSERT_EQ(f.List().Count(), 2);
  EXPECT_EQ(f.List().CurrentFile(), photos + "/Long Picture Name.bmp");
  EXPECT_EQ(f.itemCountLbl()->text(), "2/2");
}

TEST_F(MainStart, CommandLineRulesForDotsRelativePathsAndMissingFolders) {
  // A folder whose name has a dot counts as a file: its parent opens, nothing selected.
  std::string parent = dir.MakeDir("albums");
  dir.MakeDir("albums/2001.05");
  WriteBmp(parent + "/x.bmp", 2, 2);
  {
    TMainForm& f = Make(parent + "/2001.05");
    EXPECT_EQ(ExcludeTrailingDelim(f.List().Folder()), parent);
    EXPECT_EQ(f.List().ItemIndex(), -1);
    EXPECT_FALSE(Act("mnNext")->isEnabled());
    EXPECT_TRUE(dialogs.Calls().empty());
  }
  // A relative path is taken from the folder the program was started in.
  std::filesystem::current_path(parent);
  {
    TMainForm& f = Make("x.bmp");
    EXPECT_EQ(f.List().CurrentFile(), parent + "/x.bmp");
  }
  // A folder that cannot be entered: the error box, and the program's folder listed.
  WriteBmp(programDir + "/own.bmp", 2, 2);
  TMainForm& f = Make(dir.Path() + "/gone/missing");
  ASSERT_EQ(dialogs.Calls().size(), 1u);
  EXPECT_EQ(dialogs.LastMessage().Title, "Verid");
  EXPECT_EQ(dialogs.LastMessage().Kind, MsgKind::Plain);
  EXPECT_EQ(ExcludeTrailingDelim(f.List().Folder()), ExcludeTrailingDelim(programDir));
  ASSERT_EQ(f.List().Count(), 1);
  EXPECT_EQ(f.FileListBox()->model()->rowCount(), 1);
}

// Start-up reads the working folder only when no path replaces it at once; what it
// leaves out must never show.
TEST_F(MainStart, WorkingFolderIsListedWhereverNoOpenedPathReplacesIt) {
  WriteBmp(dir / "here.bmp", 4, 4);
  std::string photos = dir.MakeDir("photos");
  WriteBmp(photos + "/b.bmp", 4, 4);
  // A catalog waits for Start: until then the list holds the working folder.
  std::ofstream(dir / "album.doz") << "x";
  {
    TMainForm& f = Make(dir / "album.doz");
    EXPECT_EQ(ExcludeTrailingDelim(f.List().Folder()), dir.Path());
    EXPECT_EQ(f.List().Count(), 1);
    EXPECT_EQ(f.List().ItemIndex(), -1);
  }
  // The program's own folder cannot be read: the error box, and the working folder stays.
  platform.executablePath = dir.Path() + "/gone/verid";
  TMainForm& f = Make(photos + "/b.bmp");
  ASSERT_EQ(dialogs.Calls().size(), 1u);
  EXPECT_EQ(ExcludeTrailingDelim(f.List().Folder()), dir.Path());
  ASSERT_EQ(f.List().Count(), 1);
  EXPECT_EQ(f.List().Entry(0), "here.bmp");
  EXPECT_EQ(f.List().ItemIndex(), -1);
  EXPECT_FALSE(Act("mnNext")->isEnabled());
}

// The neighbour of the picture named on the command line is made once the window has been
// painted, not while the first paint waits.
TEST_F(MainStart, NeighbourIsMadeAheadAfterTheFirstPaint) {
  std::string photos = dir.MakeDir("photos");
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) WriteBmp(photos + "/" + name, 8, 6);
  TMainForm& f = Make(photos + "/a.bmp");
  f.PreviewAhead().WaitIdle();
  EXPECT_EQ(f.PreviewAhead().Ready(), 0);
  f.show();
  ASSERT_TRUE(WaitUntil([&f] {
    f.PreviewAhead().WaitIdle();
    return f.PreviewAhead().Ready() > 0;
  }));
  f.mnNextClick();
  EXPECT_EQ(f.List().CurrentFile(), photos + "/b.bmp");
  EXPECT_EQ(f.PreviewAhead().Reused(), 1);
  EXPECT_TRUE(f.ThumbImage()->HasPicture());
}

TEST_F(MainStart, DropsOpenOnlyTheFirstItemAndKeepItsBytes) {
  std::string one = dir.MakeDir("one"), two = dir.MakeDir("two");
  WriteBmp(one + "/p.bmp", 2, 2);
  WriteBmp(two + "/q.bmp", 2, 2);
  // A name that is not UTF-8 (CP932 bytes of "写真").
  std::string odd = one + "/\x8E\xCA\x90\x5E.bmp";
  WriteBmp(odd, 2, 2);
  TMainForm& f = Make();

  f.DropPaths({two, one, two + "/q.bmp"});
  EXPECT_EQ(ExcludeTrailingDelim(f.List().Folder()), two);

  QMimeData mime;
  // How a file manager hands over such a name: percent-encoded bytes.
  QUrl url = QUrl::fromEncoded(
      QByteArray("file://") +
      QByteArray(odd.data(), static_cast<qsizetype>(odd.size())).toPercentEncoding("/"));
  ASSERT_TRUE(url.isLocalFile());
  mime.setUrls({url, QUrl::fromLocalFile(QString::fromStdString(two))});
  f.DropMime(mime);
  EXPECT_EQ(f.List().CurrentFile(), odd);
  // Shown decoded, kept as bytes.
  EXPECT_EQ(Str(f.FileListBox()->model()->index(f.List().ItemIndex(), 0).data().toString()),
            "写真.bmp");
}

class MainList : public MainStart {
 protected:
  std::string folder;
  void SetUp() override {
    MainStart::SetUp();
    folder = dir.MakeDir("pics");
  }
};

TEST_F(MainList, EnabledCommandsFollowTheList) {
  std::string empty = dir.MakeDir("empty");
  TMainForm& f = Make();
  f.OpenFolder(empty);
  EXPECT_EQ(f.itemCountLbl()->text(), "0/0");
  for (const char* name :
       {"mnRename",      "mnAllRename", "mnCopy",      "mnAllCopy",    "mnGoTo",
        "mnAllGoto",     "mnDel",       "mnAlldel",    "mnAllConvert", "mnRealSize",
        "mnFitToScreen", "mnFulScreen", "mnSlideShow", "mnSlide_Thum", "mnSlide_Ful",
        "mnCatarogMake", "mnPrev",      "mnNext",      "mnFirst",      "mnLast",
        "mnWallPaper",   "mnInfo",      "mnConvert",   "pmRename",     "pmCopy",
        "pmGoTo",        "pmDel",       "pmReal",      "pmScrnFit",    "pmFul",
        "pmCatarog",     "pmSlideShow"})
    EXPECT_FALSE(Act(name)->isEnabled()) << name;
  EXPECT_TRUE(Act("mnCatarog")->isEnabled());
  EXPECT_TRUE(Act("mnCatarogRead")->isEnabled());

  WriteBmp(folder + "/a.bmp", 3, 3);
  f.OpenFolder(folder);
  for (const char* name :
       {"mnRename", "mnCopy", "mnDel", "mnRealSize", "mnSlide_Ful", "mnCatarogMake", "mnLast",
        "mnWallPaper", "mnConvert", "pmCopy", "pmSlideShow"})
    EXPECT_TRUE(Act(name)->isEnabled()) << name;
  EXPECT_FALSE(f.StatusBar1()->Text(0).isEmpty());
  // Back to an empty folder: disabled again and the status bar cleared.
  f.OpenFolder(empty);
  EXPECT_FALSE(Act("mnRename")->isEnabled());
  EXPECT_TRUE(f.StatusBar1()->Text(0).isEmpty());
  EXPECT_TRUE(f.StatusBar1()->Text(1).isEmpty());
  EXPECT_FALSE(f.ThumbImage()->HasPicture());
}

TEST_F(MainList, PreviewPlacementColourAndStatus) {
  WriteBmp(folder + "/a_wide.bmp", 800, 600);
  WriteBmp(folder + "/b_tall.bmp", 100, 150);
  WriteBmp(folder + "/c_flat.bmp", 190, 100);
  {
    std::ofstream text(folder + "/d_text.bmp", std::ios::binary);
    text << "not a bitmap";
  }
  AppSettings s;
  s.FirstRunHint = false;
  s.PreviewColor = RGBColor(10, 20, 30);
  WriteSettings(s);
  TMainForm& f = Make(folder);

  EXPECT_EQ(f.ThumbImage()->geometry(), QRect(2, 25, 186, 140));
  EXPECT_TRUE(f.ThumbImage()->HasPicture());
  EXPECT_EQ(f.ThumbImage()->Picture().size(), QSize(186, 140));
  EXPECT_EQ(f.Panel1()->Color(), QColor(10, 20, 30));
  EXPECT_TRUE(f.Panel1()->Caption().isEmpty());
  EXPECT_EQ(f.PictureWidth(), 800);
  EXPECT_EQ(f.PictureHeight(), 600);
  EXPECT_EQ(Str(f.StatusBar1()->Text(0)), folder + "/a_wide.bmp");
  EXPECT_EQ(Str(f.StatusBar1()->Text(1)),
            FormatThousands(FileSizeOf(folder + "/a_wide.bmp")) + " ﾊﾞｲﾄ");

  f.mnNextClick();
  EXPECT_EQ(f.ThumbImage()->geometry(), QRect(45, 20, 100, 150));
  EXPECT_EQ(f.itemCountLbl()->text(), "2/4");
  f.mnNextClick();
  EXPECT_EQ(f.ThumbImage()->geometry(), QRect(2, 46, 186, 98));

  // An undecodable file: "No Picture" on the button face, every command still there.
  f.mnLastClick();
  EXPECT_FALSE(f.ThumbImage()->HasPicture());
  EXPECT_EQ(Str(f.Panel1()->Caption()), "No Picture");
  EXPECT_EQ(f.Panel1()->Color(), f.ButtonFaceColor());
  EXPECT_EQ(Str(f.StatusBar1()->Text(1)), "12 ﾊﾞｲﾄ");
  EXPECT_EQ(f.PictureWidth(), 0);
  EXPECT_TRUE(Act("mnDel")->isEnabled());
  EXPECT_TRUE(dialogs.Calls().empty());

  // A listed file that has gone: the error box, the status bar keeps its text.
  f.mnFirstClick();
  QString status = f.StatusBar1()->Text(0);
  std::filesystem::remove(folder + "/b_tall.bmp");
  f.Run([&f] { f.mnNextClick(); });
  EXPECT_EQ(dialogs.Calls().size(), 1u);
  EXPECT_EQ(dialogs.LastMessage().Title, "Verid");
  EXPECT_EQ(f.StatusBar1()->Text(0), status);
  EXPECT_EQ(f.itemCountLbl()->text(), "1/4");
}

TEST_F(MainList, ScreenshotsOfThePreview) {
  // Grabs for looking at by eye; they are written only when asked for.
  const char* out = std::getenv("VERID_SCREENSHOT_DIR");
  if (!out) GTEST_SKIP() << "set VERID_SCREENSHOT_DIR to write the grabs";
  WriteBmp(folder + "/1_landscape.bmp", 320, 200);
  WriteBmp(folder + "/2_portrait.bmp", 120, 300);
  std::ofstream(folder + "/3_broken.bmp") << "junk";
  TMainForm& f = Make(folder);
  f.show();
  const char* names[] = {"landscape", "portrait", "broken"};
  for (int i = 0; i < 3; ++i) {
    f.List().SetItemIndex(i);
    f.FileListBoxClick();
    QCoreApplication::processEvents();
    f.grab().save(QString("%1/main_%2.png").arg(out, names[i]), "PNG");
  }
}

TEST_F(MainList, NavigationAsksAtTheEnds) {
  WriteBmp(folder + "/a.bmp", 2, 2);
  WriteBmp(folder + "/b.bmp", 2, 2);
  TMainForm& f = Make(folder);
  f.mnLastClick();
  dialogs.AnswerMessage(MsgButton::No);
  f.mnNextClick();
  EXPECT_EQ(f.List().ItemIndex(), 1);
  EXPECT_EQ(dialogs.LastMessage().Text, "最後のﾌｧｲﾙです\r\n先頭に移りますか");
  EXPECT_EQ(dialogs.LastMessage().Kind, MsgKind::Confirmation);
  EXPECT_EQ(f.itemCountLbl()->text(), "2/2");
  dialogs.AnswerMessage(MsgButton::Yes);
  f.mnNextClick();
  EXPECT_EQ(f.List().ItemIndex(), 0);
  EXPECT_EQ(f.FileListBox()->CurrentRow(), 0);
  dialogs.AnswerMessage(MsgButton::Yes);
  f.mnPrevClick();
  EXPECT_EQ(dialogs.LastMessage().Text, "先頭のﾌｧｲﾙです\r\n最後に移りますか");
  EXPECT_EQ(f.List().ItemIndex(), 1);
  EXPECT_TRUE(dialogs.AllAnswersUsed());

  // The list's keys: Backspace goes back, Space forward.
  dialogs.Clear();
  SendKey(f.FileListBox(), Qt::Key_Backspace);
  EXPECT_EQ(f.List().ItemIndex(), 0);
  SendKey(f.FileListBox(), Qt::Key_Space);
  EXPECT_EQ(f.List().ItemIndex(), 1);
  EXPECT_EQ(f.itemCountLbl()->text(), "2/2");
  EXPECT_TRUE(dialogs.Calls().empty());
  // Arrow keys move the selection and preview it.
  SendKey(f.FileListBox(), Qt::Key_Up);
  EXPECT_EQ(f.List().ItemIndex(), 0);
  EXPECT_EQ(f.itemCountLbl()->text(), "1/2");
}

TEST_F(MainList, ClickingAnEntryPreviewsIt) {
  WriteBmp(folder + "/a.bmp", 2, 2);
  WriteBmp(folder + "/b.bmp", 50, 20);
  TMainForm& f = Make(folder);
  f.show();
  QCoreApplication::processEvents();
  QListView* view = f.FileListBox();
  QRect second = view->visualRect(view->model()->index(1, 0));
  ASSERT_TRUE(second.isValid());
  // Every character of a name shows: the row is as tall as the font needs.
  EXPECT_EQ(second.height(), std::max(kFileListRowHeight, view->fontMetrics().height()));
  EXPECT_LE(view->fontMetrics().boundingRect("d01_1bit.bmp").height(), second.height());
  Click(view->viewport(), second.center());
  EXPECT_EQ(f.List().ItemIndex(), 1);
  EXPECT_EQ(f.itemCountLbl()->text(), "2/2");
  EXPECT_EQ(f.ThumbImage()->geometry(), QRect(70, 85, 50, 20));
  // A double-click previews again; it opens nothing.
  DoubleClick(view->viewport(), second.center());
  EXPECT_EQ(f.List().ItemIndex(), 1);
  EXPECT_TRUE(dialogs.Calls().empty());
}

// The position box keeps its size; a count of four digits still shows whole.
TEST_F(MainList, PositionOfAThousandFilesShowsWhole) {
  char name[64];
  for (int i = 0; i < 1493; ++i) {
    std::snprintf(name, sizeof name, "%s/p%04d.bmp", folder.c_str(), i);
    std::ofstream{name};
  }
  TMainForm& f = Make(folder);
  f.show();
  for (int index : {1492, 9}) {
    f.List().SetItemIndex(index);
    f.FileListBoxClick();
    QLabel* label = f.itemCountLbl();
    EXPECT_EQ(label->text(), index == 9 ? "10/1493" : "1493/1493");
    EXPECT_EQ(label->size(), QSize(48, 16));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());
  }
}

TEST_F(MainList, OpeningACatalogFileChecksItsExtension) {
  TMainForm& f = Make();
  f.Settings().CatarogDir = dir.Path();
  dialogs.AnswerOpen(std::nullopt);
  f.mnCatarogReadClick();
  ASSERT_EQ(dialogs.Calls().size(), 1u);
  EXPECT_EQ(dialogs.Calls()[0].File.Filter, "Veridｶﾀﾛｸﾞ形式(*.doz)|*.doz");
  EXPECT_EQ(dialogs.Calls()[0].File.InitialDir, dir.Path());
  EXPECT_EQ(f.Settings().CatarogDir, dir.Path());

  dialogs.AnswerOpen(FileDialogResult{folder + "/old.DOZ", 1});
  f.mnCatarogReadClick();
  EXPECT_EQ(dialogs.LastMessage().Text, "*.doz以外のﾌｧｲﾙは読み込めません");
  EXPECT_EQ(dialogs.LastMessage().Kind, MsgKind::Error);
  EXPECT_EQ(ExcludeTrailingDelim(f.Settings().CatarogDir), folder);
}

TEST_F(MainList, ConversionItemsFollowTheExtension) {
  WriteBmp(folder + "/a.bmp", 2, 2);
  std::ofstream(folder + "/b.JPG") << "x";
  TMainForm& f = Make(folder);
  f.mnConvertPopup();
  EXPECT_TRUE(Act("mnConvertBtoJ")->isEnabled());
  EXPECT_TRUE(Act("mnConvertBtoP")->isEnabled());
  EXPECT_FALSE(Act("mnConvertJtoB")->isEnabled());
  f.List().SetItemIndex(1);
  f.mnConvertPopup();
  EXPECT_FALSE(Act("mnConvertBtoJ")->isEnabled());
  EXPECT_TRUE(Act("mnConvertJtoB")->isEnabled());
  EXPECT_TRUE(Act("mnConvertJtoP")->isEnabled());
  EXPECT_FALSE(Act("mnConvertPtoB")->isEnabled());
}

class MainExit : public MainStart {};

TEST_F(MainExit, CloseSavesSettingsAndMarksCacheEntries) {
  std::string cache = dir.MakeDir("cache");
  std::ofstream(cache + "/e1") << "1";
  std::ofstream(cache + "/e2") << "2";
  TMainForm& f = Make();
  f.CacheFolders().push_back(cache);
  f.Settings().JpegQuality = 55;
  f.mnOpenClick();
  ASSERT_NE(f.Explorer(), nullptr);
  f.mnExitClick();
  AppSettings read;
  read.Load(iniPath);
  EXPECT_EQ(read.JpegQuality, 55);
  // The folder itself and its two entries.
  EXPECT_EQ(platform.systemAttributes.size(), 3u);
  EXPECT_FALSE(f.Explorer() && f.Explorer()->isVisible());
}

// An installed program: nothing beside it and its folder not ours to write (here: not
// there at all). The settings go to the user's config folder, made at the first exit.
TEST_F(MainExit, InstalledProgramKeepsItsSettingsInTheUserConfigFolder) {
  platform.executablePath = dir / "usr/bin/verid";
  platform.userConfigFolder = dir / "home/.config";
  TMainForm& f = Make();
  const std::string expected = dir / "home/.config/verid/verid.ini";
  EXPECT_EQ(f.SettingsPath(), expected);
  EXPECT_TRUE(f.Settings().FirstRunHint);  // nothing to read yet
  f.Settings().JpegQuality = 42;
  f.mnExitClick();
  EXPECT_TRUE(dialogs.Calls().empty());
  AppSettings read;
  read.Load(expected);
  EXPECT_EQ(read.JpegQuality, 42);
  EXPECT_FALSE(std::filesystem::exists(dir / "usr"));
}

TEST_F(MainExit, AFailedSaveIsReportedAndTheWindowStillCloses) {
  TMainForm& f = Make();
  std::string cache = dir.MakeDir("cache");
  std::ofstream(cache + "/e1") << "1";
  f.CacheFolders().push_back(cache);
  f.show();
  // The settings file cannot be replaced: its folder is gone.
  std::filesystem::remove_all(programDir);
  EXPECT_TRUE(f.close());
  ASSERT_EQ(dialogs.Calls().size(), 1u);
  EXPECT_EQ(dialogs.LastMessage().Title, "Verid");
  EXPECT_EQ(dialogs.LastMessage().Text, iniPath + " に書き込めません");
  EXPECT_TRUE(platform.systemAttributes.empty()) << "the remaining exit steps are skipped";
  EXPECT_FALSE(f.isVisible());
}

TEST_F(MainExit, TerminationSignalClosesLikeTheCloseBox) {
  TMainForm& f = Make();
  f.Settings().SlideIntervalMs = 1234;
  f.show();
  CloseOnSignals closer(&f);
  ::raise(SIGTERM);
  WaitUntil([&f] { return !f.isVisible(); });
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(closer.Delivered(), 1);
  AppSettings read;
  read.Load(iniPath);
  EXPECT_EQ(read.SlideIntervalMs, 1234);
}

TEST_F(MainExit, TerminationSignalDuringAModalBoxStillEndsTheWindow) {
  TMainForm& f = Make();
  f.Settings().SlideIntervalMs = 777;
  f.show();
  CloseOnSignals closer(&f);
  bool boxReturned = false;
  QTimer::singleShot(0, &f, [&] {
    QMessageBox box(&f);
    box.setText("question");
    QTimer::singleShot(20, [] { ::raise(SIGTERM); });
    box.exec();
    boxReturned = true;
  });
  EXPECT_TRUE(WaitUntil([&] { return boxReturned && !f.isVisible(); }));
  AppSettings read;
  read.Load(iniPath);
  EXPECT_EQ(read.SlideIntervalMs, 777);
}

TEST(CommandWrapper, ExceptionsEndInTheDefaultErrorBox) {
  ScriptedDialogs dialogs;
  bool after = false;
  RunCommand(dialogs, [] { throw std::runtime_error("読めません"); });
  RunCommand(dialogs, [] { throw 42; });
  RunCommand(dialogs, [&after] { after = true; });
  ASSERT_EQ(dialogs.Calls().size(), 2u);
  EXPECT_EQ(dialogs.Calls()[0].Message.Title, "Verid");
  EXPECT_EQ(dialogs.Calls()[0].Message.Text, "読めません");
  EXPECT_EQ(dialogs.Calls()[0].Message.Buttons, std::vector<MsgButton>{MsgButton::Ok});
  EXPECT_FALSE(dialogs.Calls()[1].Message.Text.empty());
  EXPECT_TRUE(after);
}

TEST(FileListBoxView, ShowsLargeListsAndDecodesNames) {
  FileList list;
  std::vector<std::string> names;
  for (int i = 0; i < 100000; ++i) names.push_back("img" + std::to_string(100000 + i) + ".jpg");
  names.push_back("\x8E\xCA\x90\x5E.jpg");
  list.SetEntries(names);
  TFileListBox box(list);
  box.resize(180, 160);
  box.SyncFromList(true);
  EXPECT_EQ(box.model()->rowCount(), 100001);
  EXPECT_EQ(Str(box.model()->index(100000, 0).data().toString()), "写真.jpg");
  list.SetItemIndex(99999);
  box.SyncFromList();
  EXPECT_EQ(box.CurrentRow(), 99999);
  // Entries removed behind the view's back are noticed on the next sync.
  list.Delete(0);
  box.SyncFromList();
  EXPECT_EQ(box.model()->rowCount(), 100000);
  EXPECT_FALSE(box.model()->index(100000, 0).data().isValid());
}

TEST(FileListBoxView, FollowsTheListWithoutBeingAsked) {
  FileList list;
  TFileListBox box(list);
  list.SetEntries({"a.jpg", "b.jpg", "c.jpg"});
  EXPECT_EQ(box.model()->rowCount(), 3);
  list.SetItemIndex(2);
  EXPECT_EQ(box.CurrentRow(), 2);
  list.SetEntry(0, "x.jpg");  // same count, new name
  EXPECT_EQ(Str(box.model()->index(0, 0).data().toString()), "x.jpg");
  list.Delete(2);
  EXPECT_EQ(box.model()->rowCount(), 2);
  EXPECT_EQ(box.CurrentRow(), 1);
  list.SetItemIndex(-1);
  EXPECT_EQ(box.CurrentRow(), -1);
}

}  // namespace
}  // namespace verid::test

int main(int argc, char** argv) {
  return verid::test::GuiTestMain(argc, argv);
}
