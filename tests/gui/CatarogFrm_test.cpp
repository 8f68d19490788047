// The catalog window under offscreen Qt: made and opened catalogs, menus and their
// enabling, the commands on the synced file, removals, remake, save, close.
#include "catalog/CatarogFrm.h"

#include <unistd.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <fstream>

#include "app/Hanyou.h"
#include "base/Stream.h"
#include "catalog/CataProgresFrm.h"
#include "dialogs/RenameFrm.h"
#include "support/GuiTest.h"
#include "support/WorkingFolder.h"
#include "view/InfoFrm.h"
#include "view/ViewFrm.h"

namespace verid::test {
namespace {

namespace fs = std::filesystem;

// Messages with the catalog's row count at the moment each was shown.
class CountingDialogs : public ScriptedDialogs {
 public:
  std::function<int()> rows;
  std::vector<int> rowsAtMessage;
  MsgButton Message(const MessageRequest& request) override {
    rowsAtMessage.push_back(rows ? rows() : -1);
    return ScriptedDialogs::Message(request);
  }
};

// The texts of a menu's items in order, "-" for a separator.
std::string Texts(const QMenu* menu) {
  std::string out;
  for (QAction* a : menu->actions())
    out += (a->isSeparator() ? std::string("-") : a->text().toStdString()) + "|";
  return out;
}

// Runs `inspect` on the modal window that the command opens, then closes it.
template <typename Window>
void OnModal(const std::function<void(Window&)>& inspect) {
  QTimer::singleShot(0, [inspect] {
    auto* w = qobject_cast<Window*>(QApplication::activeModalWidget());
    ASSERT_NE(w, nullptr);
    inspect(*w);
    w->close();
  });
}

class CatalogWindow : public WorkingFolderTest {
 protected:
  void TearDown() override {
    delete form.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  void Files(std::vector<std::string> names) {
    for (const std::string& name : names) WriteBmp(dir / name, 40, 30);
    list.SetFolder(dir.Path());
    list.SetItemIndex(0);
  }
  CatalogEnv Env() { return CatalogEnv{list, settings, dialogs, platform}; }
  CatalogOwner Owner() {
    CatalogOwner o;
    o.View = ViewOwnerFor(settings, false);
    auto note = [this](const char* what) { return [this, what] { log.push_back(what); }; };
    o.ClearPreview = note("clear");
    o.HideMain = note("hide");
    o.ShowMain = note("show");
    o.LockCommands = note("lock");
    o.UnlockCommands = note("unlock");
    o.RefreshPreview = [this] { log.push_back("refresh " + ExtractFileName(list.CurrentFile())); };
    o.RenameStatus = [this](const std::string& path, const std::string&) {
      log.push_back("status " + ExtractFileName(path));
    };
    return o;
  }
  TCatarogForm& Make(int size = 80, std::optional<CatalogOwner> owner = {}) {
    settings.CatalogThumbSize = static_cast<uint8_t>(size);
    BuildOptions quick;
    quick.Workers = 0;
    form = MakeCatalogWindow(Env(), owner ? *owner : Owner(), quick);
    EXPECT_TRUE(form);
    return *form;
  }
  std::vector<std::string> Captions() const {
    std::vector<std::string> out;
    for (const CatalogEntry& e : form->Data().Items) out.push_back(e.Caption);
    return out;
  }
  bool Enabled(const char* item) const { return form->Action(item)->isEnabled(); }

  TempDir dir;
  FileList list;
  AppSettings settings;
  CountingDialogs dialogs;
  FakePlatform platform;
  QPointer<TCatarogForm> form;
  std::vector<std::string> log;

 private:
};

TEST_F(CatalogWindow, MakeShowsMaximisedLargeIconsOnGreyInPlaceOfTheMainWindow) {
  Files({"a.bmp", "b.bmp", "c.bmp"});
  TCatarogForm& f = Make();
  EXPECT_EQ(log, (std::vector<std::string>{"clear", "lock", "hide"}));
  EXPECT_TRUE(f.isMaximized());
  EXPECT_EQ(f.windowTitle().toStdString(), dir.Path());
  EXPECT_EQ(f.ListView()->viewMode(), QListView::IconMode);
  EXPECT_EQ(f.ListView()->iconSize(), QSize(80, 80));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp"}));
  EXPECT_EQ(f.Selected(), 0);
  EXPECT_EQ(list.ItemIndex(), 2);  // the last file built, whose name the save proposes
  // Drawn from the store: grey around the cells, the panel face around each picture.
  QCoreApplication::processEvents();  // the delayed layout of the icons
  const QImage shot = f.ListView()->viewport()->grab().toImage();
  int face = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) face += shot.pixelColor(x, y) == QColor(189, 189, 189);
  EXPECT_GT(face, 3 * (80 * 80 - 40 * 30) / 2);
  EXPECT_EQ(shot.pixelColor(shot.width() - 1, shot.height() - 1), QColor(128, 128, 128));

  list.SetItemIndex(-1);
  EXPECT_EQ(MakeCatalogWindow(Env(), Owner()), nullptr);  // no current file: nothing
}

TEST_F(CatalogWindow, MenusAndPopupHaveTheirItemsInOrder) {
  Files({"a.bmp"});
  TCatarogForm& f = Make();
  std::string tops;
  for (QAction* a : f.MainMenu1()->actions()) tops += a->text().toStdString() + "|";
  EXPECT_EQ(tops, "ﾌｧｲﾙ(&F)|画像表示(&V)|画像選択(&S)|ｵﾌﾟｼｮﾝ(&O)|");
  auto menu = [&](const char* name) { return f.Action(name)->menu(); };
  EXPECT_EQ(Texts(menu("mnCFile")),
            "名前の変更(&R)|指定ﾌｫﾙﾀﾞにｺﾋﾟｰ(&C)|指定ﾌｫﾙﾀﾞに移動(&M)|削除(&D)|-|"
            "ｶﾀﾛｸﾞ(*.doz)を保存|-|閉じる(&X)|");
  EXPECT_EQ(Texts(menu("mnCView")),
            "実ｻｲｽﾞ表示(&R)|画面にﾌｨｯﾄ表示(&T)|ﾌﾙｽｸﾘｰﾝ表示(&F)|-|ｽﾗｲﾄﾞｼｮｰ表示(&S)|-|"
            "ｶﾀﾛｸﾞ再作成(&M)|");
  EXPECT_EQ(Texts(menu("mnCRemake")), " 65×65| 80×80|100×100|120×120|");
  EXPECT_EQ(Texts(menu("mnCOption")),
            "画像情報(&I)|壁紙設定(&W)|画像形式ｺﾝﾊﾞｰﾄ|-|ﾒﾆｭｰを表示しない(&N)|");
  EXPECT_EQ(Texts(menu("mnCConvert")),
            "BMP->JPEG|BMP->PNG|-|JPEG->BMP|JPEG->PNG|-|PNG->BMP|PNG->JPEG|");
  EXPECT_EQ(Texts(f.PopupMenu1()),
            "実ｻｲｽﾞ表示|-|名前の変更|指定ﾌｫﾙﾀﾞにｺﾋﾟｰ|指定ﾌｫﾙﾀﾞに移動|削除|-|ｶﾀﾛｸﾞ再作成|"
            "ｶﾀﾛｸﾞ(*.doz)を保存|-|ﾒﾆｭｰを表示する|閉じる|");
  EXPECT_EQ(Texts(menu("pmCRemake")), " 65× 65| 80× 80|100×100|120×120|");
}

TEST_F(CatalogWindow, EnablingFollowsTheSelectionTheFoldersAndTheMenusShown) {
  Files({"a.bmp", "b.bmp"});
  settings.CopyFolders[0] = dir.MakeDir("copies");
  settings.MoveFolders[1] = dir / "later";
  TCatarogForm& f = Make();
  fs::create_directory(dir / "later");  // too late for this window
  EXPECT_EQ(f.Action("pmCCpy1")->text().toStdString(), settings.CopyFolders[0]);
  EXPECT_TRUE(Enabled("mnCDel"));
  f.Select(-1);
  for (const char* item : {"mnCDel", "mnCReal", "mnCNext", "mnCWPaper", "pmCReal", "pmCDel"})
    EXPECT_FALSE(Enabled(item)) << item;
  EXPECT_TRUE(Enabled("mnCFirst"));
  f.Select(1);
  for (const char* item : {"pmCDel", "mnCCpy1", "pmCCpy1"}) EXPECT_TRUE(Enabled(item)) << item;
  for (const char* item : {"mnCMove2", "pmCMove2", "mnCWallUndo", "pmCShowMenu"})
    EXPECT_FALSE(Enabled(item)) << item;

  f.mnCHideMenuClick();
  EXPECT_FALSE(f.MainMenu1()->isVisible());
  for (const char* top : {"mnCFile", "mnCView", "mnCSelect", "mnCOption"})
    EXPECT_FALSE(f.Action(top)->isVisible());
  EXPECT_TRUE(Enabled("pmCShowMenu"));
  f.pmCShowMenuClick();
  EXPECT_TRUE(f.Action("mnCFile")->isVisible());
  EXPECT_FALSE(Enabled("pmCShowMenu"));
}

TEST_F(CatalogWindow, InformationConversionAndWallpaperActOnTheSyncedFile) {
  Files({"a.bmp", "b.bmp", "c.png"});
  std::vector<std::string> wall;
  CatalogOwner owner = Owner();
  owner.View.WallUndoEnabled = true;  // the main window's; the catalog's starts disabled
  owner.View.WallCenter = [&] { return wall.push_back("centre " + list.CurrentFile()), true; };
  owner.View.WallUndo = [&] { return wall.push_back("undo"), false; };
  TCatarogForm& f = Make(80, owner);
  f.Select(2);
  f.mnCConvertClick();  // the submenu opening
  EXPECT_FALSE(Enabled("mnCConvertBtoJ"));
  EXPECT_TRUE(Enabled("mnCConvertPtoJ"));

  f.Select(1);
  std::string dims;
  OnModal<TInfoForm>([&](TInfoForm& info) { dims = info.Label6->text().toStdString(); });
  f.mnCInfoClick();
  EXPECT_EQ(dims, "40×30ﾋﾟｸｾﾙ");

  EXPECT_FALSE(Enabled("mnCWallUndo"));
  f.mnCWallCenterClick();
  EXPECT_TRUE(Enabled("mnCWallUndo"));
  f.mnCWallUndoClick();
  EXPECT_FALSE(Enabled("mnCWallUndo"));
  EXPECT_EQ(wall, (std::vector<std::string>{"centre " + dir / "b.bmp", "undo"}));

  // A wallpaper set in one view is undoable in the next.
  OnModal<TViewForm>([](TViewForm& view) { view.mnVWallCenterClick(); });
  f.mnCRealClick();
  bool undo = false;
  OnModal<TViewForm>([&](TViewForm& view) { undo = view.Action("mnVWallUndo")->isEnabled(); });
  f.mnCRealClick();
  EXPECT_TRUE(undo);
}

TEST_F(CatalogWindow, ViewWindowInEachModeWithoutFileCommandsLeavesTheCatalogAsItWas) {
  Files({"a.bmp", "b.bmp", "c.bmp"});
  TCatarogForm& f = Make();
  const std::pair<void (TCatarogForm::*)(), int> modes[] = {
      {&TCatarogForm::mnCRealClick, kModeReal},
      {&TCatarogForm::mnCFitClick, kModeFit},
      {&TCatarogForm::mnCFulClick, kModeFull}};
  for (auto [command, mode] : modes) {
    f.Select(1);
    OnModal<TViewForm>([&, mode = mode](TViewForm& view) {
      EXPECT_EQ(view.Viewer().DisplayMode, mode);
      const QString caption = mode == kModeFull ? view.cLabel()->text() : view.windowTitle();
      EXPECT_EQ(caption.toStdString(), "b.bmp  [2/3]");
      EXPECT_FALSE(view.MainMenu1()->isVisible());
      for (const char* item : {"pmVRename", "pmVCopy", "pmVMove", "pmVDel", "N2", "N1"})
        EXPECT_FALSE(view.Action(item)->isVisible()) << item;
      view.mnVNextClick();
    });
    (f.*command)();
    EXPECT_EQ(list.ItemIndex(), 2);  // the view moved the list ...
    EXPECT_EQ(f.Selected(), 1);      // ... not the catalog
  }
}

// A file deleted or renamed in the catalog's view leaves the catalog as the list is: each
// entry still stands for the list's entry of its position.
TEST_F(CatalogWindow, TheCatalogFollowsFileCommandsOfItsView) {
  Files({"a.bmp", "b.bmp", "c.bmp"});
  settings.DeleteMethod = 2;
  settings.DeleteNoConfirm = true;
  TCatarogForm& f = Make();
  f.Select(1);
  std::string after;
  OnModal<TViewForm>([&](TViewForm& view) {
    view.mnVDelClick();
    after = view.windowTitle().toStdString();
    view.close();
  });
  f.mnCRealClick();
  EXPECT_EQ(after, "c.bmp  [2/2]");
  EXPECT_FALSE(fs::exists(dir / "b.bmp"));
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"a.bmp", "c.bmp"}));
  ASSERT_EQ(f.Model()->rowCount(), 2);
  EXPECT_EQ(f.Model()->index(1).data().toString(), "c.bmp");
}

// A caption cut short under a small thumbnail gives the whole name as its tool tip.
TEST_F(CatalogWindow, CutCaptionsHaveTheWholeNameAsToolTip) {
  const std::string longName = "IMG_20261210_123456789_holiday_at_the_seaside_with_friends.bmp";
  Files({"a.bmp", longName});
  for (int size : {65, 80, 120}) {
    TCatarogForm& f = Make(size);
    f.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.ListView()->CaptionCut(f.Model()->index(0))) << size;
    EXPECT_TRUE(f.ListView()->CaptionCut(f.Model()->index(1))) << size;
    delete form.data();
  }
}

TEST_F(CatalogWindow, KeysAndDoubleClickWhileAnEntryIsSelected) {
  Files({"a.bmp", "b.bmp", "c.bmp"});
  TCatarogForm& f = Make();
  SendKey(f.ListView(), Qt::Key_Space);
  SendKey(f.ListView(), Qt::Key_Space);
  SendKey(f.ListView(), Qt::Key_Backspace);
  EXPECT_EQ(f.Selected(), 1);
  std::string shown;
  OnModal<TViewForm>([&](TViewForm& view) { shown = view.windowTitle().toStdString(); });
  SendKey(f.ListView(), Qt::Key_Return);
  EXPECT_EQ(shown, "b.bmp  [2/3]");

  QApplication::processEvents();
  const QPoint at = f.ListView()->visualRect(f.Model()->index(2)).center();
  OnModal<TViewForm>([&](TViewForm& view) { shown = view.windowTitle().toStdString(); });
  DoubleClick(f.ListView()->viewport(), at);
  EXPECT_EQ(shown, "c.bmp  [3/3]");
  // Nothing selected: no file to show, nothing opens.
  f.Select(-1);
  f.ListViewDblClick();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(CatalogWindow, DeleteEntryTwoOfFiveThenSaveWritesFiveThumbnailsAndFourEntries) {
  Files({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"});
  settings.DeleteMethod = 2;
  TCatarogForm& f = Make();
  f.Select(2);
  dialogs.AnswerMessage(MsgButton::Ok);
  f.mnCDelClick();
  EXPECT_EQ(dialogs.LastMessage().Text, dir / "c.bmp" + "を削除しますか");
  EXPECT_FALSE(fs::exists(dir / "c.bmp"));
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"a.bmp", "b.bmp", "d.bmp", "e.bmp"}));
  EXPECT_EQ(f.Model()->rowCount(), 4);
  EXPECT_EQ(f.Selected(), -1);
  EXPECT_FALSE(Enabled("mnCDel"));

  dialogs.AnswerSave(FileDialogResult{dir / "out/cat.doz", 1});
  fs::create_directory(dir / "out");
  f.pmCsaveClick();
  EXPECT_EQ(settings.CatarogDir, dir / "out/");
  Catalog back;
  const std::vector<uint8_t> bytes = ReadAll(dir / "out/cat.doz");
  ASSERT_TRUE(ReadCatalog(bytes.data(), bytes.size(), back).Ok);
  EXPECT_EQ(back.Images.Count(), 5);
  std::vector<int> indexes;
  for (const CatalogEntry& e : back.Items) indexes.push_back(e.ImageIndex);
  EXPECT_EQ(indexes, (std::vector<int>{0, 1, 3, 4}));
  EXPECT_EQ(back.View.Width, f.ListView()->width());
}

TEST_F(CatalogWindow, MoveShowsTheMessageBeforeOrAfterTheRemoval) {
  Files({"a.bmp", "b.bmp", "photo.bmp"});
  const std::string dst = dir.MakeDir("dst");
  dir.Write("dst/photo.bmp", "");
  dir.Write("dst/photo0.bmp", "");
  settings.MoveFolders[0] = dst;
  settings.MoveClashMode = 1;
  TCatarogForm& f = Make();
  dialogs.rows = [&] { return f.Model()->rowCount(); };
  f.Select(0);
  f.mnCMoveClick(1);  // plain move: the message first
  f.Select(1);
  f.mnCMoveClick(1);  // clash, free name: the removal first
  EXPECT_EQ(dialogs.MessageTexts(), (std::vector<std::string>{"移動しました", "移動しました"}));
  EXPECT_EQ(dialogs.rowsAtMessage, (std::vector<int>{3, 1}));
  EXPECT_TRUE(fs::exists(dst + "/a.bmp"));
  EXPECT_TRUE(fs::exists(dst + "/photo00.bmp"));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"b.bmp"}));
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{"b.bmp"}));
}

TEST_F(CatalogWindow, RenameSetsTheCaptionOnlyWhenTheFileWasRenamed) {
  Files({"a.bmp", "b.bmp"});
  TCatarogForm& f = Make();
  f.Select(1);
  OnModal<TRenameForm>([](TRenameForm&) {});  // cancelled
  f.mnCRenameClick();
  OnModal<TRenameForm>([](TRenameForm& rename) {
    rename.RenameEdit->setText("new");
    rename.OKBtnClick();
  });
  f.mnCRenameClick();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a.bmp", "new.bmp"}));
  EXPECT_TRUE(fs::exists(dir / "new.bmp"));
  EXPECT_EQ(log.back(), "status new.bmp");
}

TEST_F(CatalogWindow, RemakeRebuildsHiddenAtTheNewSize) {
  Files({"a.bmp", "b.bmp", "c.bmp"});
  TCatarogForm& f = Make(65);
  const std::vector<std::string> before = Captions();
  bool hidden = true;
  platform.onEvents = [&] { hidden = hidden && !f.isVisible(); };
  f.Select(2);
  f.pmRemake120Click();
  EXPECT_TRUE(hidden);
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(Captions(), before);
  EXPECT_EQ(f.Data().Images.Width(), 120);
  EXPECT_EQ(f.Data().Images.Count(), 3);
  EXPECT_EQ(f.ListView()->iconSize(), QSize(120, 120));
  EXPECT_EQ(f.Selected(), 0);

  // Every file deleted: a remake has nothing to build and shows an empty catalog.
  settings.DeleteMethod = 2;
  settings.DeleteNoConfirm = true;
  for (int i = 0; i < 3; ++i) {
    f.Select(0);
    f.mnCDelClick();
  }
  f.pmRemake80Click();
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(f.Model()->rowCount(), 0);
  EXPECT_EQ(f.Selected(), -1);
}

TEST_F(CatalogWindow, BuildEndingAtAVanishedFileShowsWhatWasMade) {
  Files({"a.bmp", "b.bmp", "c.bmp"});
  fs::remove(dir / "b.bmp");
  EXPECT_THROW(Make(), EFileError);
  TCatarogForm* made = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* c = qobject_cast<TCatarogForm*>(w)) made = c;
  ASSERT_NE(made, nullptr);
  form = made;
  EXPECT_TRUE(made->isVisible());
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a.bmp"}));
  EXPECT_EQ(log.back(), "hide");
}

TEST_F(CatalogWindow, OpenedCatalogIsViewOnly) {
  Files({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"});
  Catalog made;
  RunCatalogBuild(nullptr, list, 80, made, platform);
  SaveCatalogFile(dir / "c.doz", made);
  form = OpenCatalogWindow(dir / "c.doz", Env(), Owner());
  ASSERT_TRUE(form);
  EXPECT_EQ(log, (std::vector<std::string>{"clear", "lock", "hide", "unlock"}));
  EXPECT_EQ(form->windowTitle().toStdString(), dir / "c.doz");
  EXPECT_TRUE(form->isMaximized());
  EXPECT_FALSE(form->MainMenu1()->isVisible());
  EXPECT_EQ(form->Model()->rowCount(), 5);
  EXPECT_EQ(form->Selected(), -1);
  form->ListViewContextPopup(QPoint(10, 10));
  EXPECT_FALSE(form->PopupMenu1()->isVisible());

  form->Select(3);
  std::string shown;
  OnModal<TViewForm>([&](TViewForm& view) { shown = view.windowTitle().toStdString(); });
  SendKey(form->ListView(), Qt::Key_Return);
  EXPECT_EQ(shown, "d.bmp  [4/5]");

  form->mnCExitClick();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());
  EXPECT_EQ(log, (std::vector<std::string>{"clear", "lock", "hide", "unlock", "show", "unlock",
                                           "refresh a.bmp"}));
}

TEST_F(CatalogWindow, TextFileNamedDozOpensEmptyAfterTheErrorBoxAndAMissingOneNot) {
  Files({"a.bmp"});
  dir.Write("x.doz", "just some text\n");
  form = OpenCatalogWindow(dir / "x.doz", Env(), Owner());
  ASSERT_TRUE(form);
  EXPECT_EQ(dialogs.LastMessage().Kind, MsgKind::Error);
  EXPECT_EQ(dialogs.LastMessage().Text,
            "拡張子が誤って付けられています\r\nこのﾌｧｲﾙは.dozではありません");
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->Model()->rowCount(), 0);
  EXPECT_FALSE(form->MainMenu1()->isVisible());
  EXPECT_TRUE(form->State().PopupOff);

  // A file that cannot be read: no window, and the main window gets its commands back.
  delete form.data();
  log.clear();
  EXPECT_THROW(OpenCatalogWindow(dir / "gone.doz", Env(), Owner()), EFileError);
  EXPECT_EQ(log, (std::vector<std::string>{"clear", "lock", "unlock"}));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_EQ(qobject_cast<TCatarogForm*>(w), nullptr);
}

TEST_F(CatalogWindow, ConversionItemConvertsTheSyncedFileAndLeavesTheCatalog) {
  Files({"a.bmp", "b.bmp"});
  TCatarogForm& f = Make();
  f.Select(1);
  f.mnCConvertKindClick(1);
  EXPECT_TRUE(fs::exists(dir / "b.png"));
  EXPECT_FALSE(fs::exists(dir / "a.png"));
  EXPECT_EQ(dialogs.LastMessage().Text, "変換ﾌｧｲﾙを " + dir.Path() + "/ に作成しました");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a.bmp", "b.bmp"}));
  EXPECT_EQ(list.Count(), 2);
}

TEST_F(CatalogWindow, Screenshots) {
  // Grabs for looking at by eye; they are written only when asked for.
  const char* out = std::getenv("VERID_SCREENSHOT_DIR");
  if (!out) GTEST_SKIP() << "set VERID_SCREENSHOT_DIR to write the grabs";
  for (int i = 0; i < 14; ++i) {
    const std::string name = "photo_" + std::to_string(1000 + i) + ".bmp";
    if (i % 3 == 1)
      WriteBmp(dir / name, 120 + 40 * i, 300);
    else
      WriteBmp(dir / name, 640, 200 + 30 * i);
  }
  dir.Write("broken.jpg", "not a picture");
  list.SetFolder(dir.Path());
  list.SetItemIndex(0);
  TCatarogForm& f = Make(65);
  auto grab = [&](const char* name) {
    // Without a window manager nothing maximises: take the screen's work area then.
    const QRect area = f.screen()->availableGeometry();
    if (!WaitUntil([&] { return f.width() >= area.width() - 16; })) f.setGeometry(area);
    // The icons are laid out again a moment after a resize.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    f.grab().save(QString("%1/catalog_%2.png").arg(out, name), "PNG");
  };
  grab("65");
  f.pmRemake120Click();
  f.Select(3);
  grab("120");
}

}  // namespace
}  // namespace verid::test

// A 1024 x 768 screen for the offscreen platform, unless a display was asked for.
int main(int argc, char** argv) {
  return verid::test::GuiTestMainOnScreen(argc, argv, 1024, 768);
}
