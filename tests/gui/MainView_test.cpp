// The main window's openers of the view, information and catalog windows, and its
// wallpaper commands, with the windows they open.
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <fstream>

#include "app/Hanyou.h"
#include "catalog/CatalogFile.h"
#include "catalog/CatarogFrm.h"
#include "dialogs/ExploreFrm.h"
#include "gui/support/GuiTest.h"
#include "ui/FileListBox.h"
#include "ui/Panels.h"
#include "view/InfoFrm.h"
#include "view/ViewFrm.h"

namespace verid::test {
namespace {

// The catalog window that is open now (null for none).
TCatarogForm* OpenCatalog() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* form = qobject_cast<TCatarogForm*>(w); form && form->isVisible()) return form;
  return nullptr;
}

class MainOpeners : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    folder = dir.MakeDir("pics");
    platform.wallpaperFolder = dir.MakeDir("wall");
    AppSettings s;
    s.FirstRunHint = false;
    WriteSettings(s);
  }
  void TearDown() override {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::vector<QPointer<QWidget>> left;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<TCatarogForm*>(w)) left.emplace_back(w);
    for (const QPointer<QWidget>& w : left) delete w.data();
    MainWindowTest::TearDown();
  }
  TMainForm& Open(std::vector<std::pair<int, int>> sizes) {
    char name = 'a';
    for (auto [w, h] : sizes) WriteBmp(folder + "/" + std::string(1, name++) + ".bmp", w, h);
    TMainForm& f = Make(folder);
    f.show();
    f.mnOpenClick();  // the chooser is hidden and shown with the main window
    QCoreApplication::processEvents();
    return f;
  }
  // Runs `inside` on the modal window of type W once the command has opened it.
  template <typename W>
  void WhenModal(std::function<void(W&)> inside) {
    QTimer::singleShot(0, [inside] {
      auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
      ASSERT_NE(w, nullptr);
      inside(*w);
      w->close();
    });
  }
  std::string folder;
};

TEST_F(MainOpeners, EachViewCommandOpensItsModeAndRefreshesThePreviewAfterwards) {
  struct Case {
    int mode;
    const char* how;  // the route taken: a menu item, a pop-up item or a speed button
    bool mainHidden;
  };
  const Case cases[] = {{kModeReal, "mnRealSize", true},
                        {kModeFit, "pmScrnFit", true},
                        {kModeFull, "FScrnSBtn", false}};
  TMainForm& f = Open({{300, 200}, {60, 90}});
  for (const Case& c : cases) {
    f.mnFirstClick();
    bool ran = false;
    WhenModal<TViewForm>([&](TViewForm& view) {
      ran = true;
      EXPECT_EQ(view.Viewer().DisplayMode, c.mode) << c.how;
      EXPECT_EQ(view.isFullScreen(), c.mode == kModeFull) << c.how;
      EXPECT_EQ(f.isVisible(), !c.mainHidden) << c.how;
      EXPECT_EQ(f.Explorer()->isVisible(), !c.mainHidden) << c.how;
      EXPECT_FALSE(f.ThumbImage()->HasPicture()) << c.how;  // cleared first
      // Laid out before it was shown: the picture is not clipped by a stale canvas.
      EXPECT_TRUE(view.Canvas()->rect().contains(view.Image()->geometry())) << c.how;
      view.mnVNextClick();
    });
    if (std::string_view(c.how).ends_with("SBtn"))
      f.SpeedButton(c.how)->click();
    else
      Act(c.how)->trigger();
    EXPECT_TRUE(ran) << c.how;
    // Back with the picture the view ended on.
    EXPECT_TRUE(f.isVisible()) << c.how;
    EXPECT_TRUE(f.Explorer()->isVisible()) << c.how;
    EXPECT_EQ(f.List().ItemIndex(), 1) << c.how;
    EXPECT_EQ(f.FileListBox()->CurrentRow(), 1) << c.how;
    EXPECT_EQ(f.itemCountLbl()->text(), "2/2") << c.how;
    EXPECT_TRUE(f.ThumbImage()->HasPicture()) << c.how;
    EXPECT_EQ(f.ThumbImage()->size(), QSize(60, 90)) << c.how;
  }
  EXPECT_TRUE(dialogs.Calls().empty());
}

TEST_F(MainOpeners, WithoutACurrentFileNothingOpens) {
  TMainForm& f = Open({});
  bool opened = false;
  QTimer::singleShot(0, [&] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      opened = true;
      w->close();
    }
  });
  for (const char* button : {"RealSBtn", "FitScrSBtn", "FScrnSBtn", "InfoSBtn", "CatarogSBtn"})
    f.SpeedButton(button)->click();
  QCoreApplication::processEvents();
  EXPECT_FALSE(opened);
  EXPECT_EQ(OpenCatalog(), nullptr);
  EXPECT_TRUE(f.isVisible());
  EXPECT_FALSE(f.CommandsLocked());
}

TEST_F(MainOpeners, InformationUsesTheLastPreviewsSize) {
  std::ofstream(folder + "/z.bmp") << "junk";
  TMainForm& f = Open({{800, 600}});
  std::string pixels;
  WhenModal<TInfoForm>([&](TInfoForm& info) { pixels = info.Label6->text().toStdString(); });
  f.mnInfoClick();
  EXPECT_EQ(pixels, "800×600ﾋﾟｸｾﾙ");
  f.mnLastClick();  // no picture: the size is unknown
  WhenModal<TInfoForm>([&](TInfoForm& info) {
    pixels = info.Label6->text().toStdString();
    EXPECT_EQ(info.Label2->text(), "z.bmp");
  });
  f.mnInfoClick();
  EXPECT_EQ(pixels, "不明");
}

TEST_F(MainOpeners, WallpaperUndoIsEnabledInTheMainAndTheViewWindow) {
  TMainForm& f = Open({{20, 10}, {30, 10}});
  EXPECT_FALSE(Act("mnWallUndo")->isEnabled());
  f.mnWallCenterClick();
  EXPECT_TRUE(Act("mnWallUndo")->isEnabled());
  EXPECT_EQ(platform.wallpaperCalls.back().rfind("apply ", 0), 0u);
  f.mnWallUndoClick();
  EXPECT_FALSE(Act("mnWallUndo")->isEnabled());
  EXPECT_EQ(platform.wallpaperCalls.back().rfind("restore", 0), 0u);

  // Tiled from the view window: the main window's item follows, and the next view starts
  // with its own undo item enabled.
  WhenModal<TViewForm>([&](TViewForm& view) {
    EXPECT_FALSE(view.Action("mnVWallUndo")->isEnabled());
    view.mnVWallAllClick();
    EXPECT_TRUE(view.Action("mnVWallUndo")->isEnabled());
  });
  f.mnFitToScreenClick();
  EXPECT_NE(platform.wallpaperCalls.back().find(" tiled"), std::string::npos);
  EXPECT_TRUE(Act("mnWallUndo")->isEnabled());
  WhenModal<TViewForm>(
      [&](TViewForm& view) { EXPECT_TRUE(view.Action("mnVWallUndo")->isEnabled()); });
  f.mnRealSizeClick();
}

TEST_F(MainOpeners, MadeCatalogTakesOverTheScreenUntilItCloses) {
  TMainForm& f = Open({{40, 30}, {30, 40}, {50, 50}});
  f.List().SetItemIndex(1);
  f.FileListBoxClick();
  f.SpeedButton("CatarogSBtn")->click();
  TCatarogForm* cat = OpenCatalog();
  ASSERT_NE(cat, nullptr);
  EXPECT_EQ(cat->Data().Items.size(), 3u);
  EXPECT_EQ(cat->windowTitle().toStdString(), folder);
  EXPECT_FALSE(f.isVisible());
  EXPECT_FALSE(f.Explorer()->isVisible());
  EXPECT_TRUE(f.CommandsLocked());
  EXPECT_FALSE(f.ThumbImage()->HasPicture());
  EXPECT_EQ(f.Panel1()->Color(), f.ButtonFaceColor());

  // Its wallpaper commands are the main window's.
  cat->Select(2);
  cat->mnCWallCenterClick();
  EXPECT_TRUE(Act("mnWallUndo")->isEnabled());
  EXPECT_NE(platform.wallpaperCalls.back().find(" centered"), std::string::npos);
  // An entry deleted in the catalog has left the main list when it comes back.
  f.Settings().DeleteMethod = 2;
  f.Settings().DeleteNoConfirm = true;
  cat->mnCDelClick();
  ASSERT_FALSE(std::filesystem::exists(folder + "/c.bmp"));

  cat->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(OpenCatalog(), nullptr);
  EXPECT_TRUE(f.isVisible());
  EXPECT_TRUE(f.Explorer()->isVisible());
  EXPECT_FALSE(f.CommandsLocked());
  EXPECT_EQ(f.List().ItemIndex(), 0);  // the first file, previewed
  EXPECT_EQ(f.FileListBox()->model()->rowCount(), 2);
  EXPECT_EQ(f.itemCountLbl()->text(), "1/2");
  EXPECT_EQ(f.ThumbImage()->size(), QSize(40, 30));
}

TEST_F(MainOpeners, OpenedCatalogIsViewOnlyWithTheMainWindowUnlocked) {
  TMainForm& f = Open({{40, 30}, {30, 40}, {50, 50}});
  f.mnCatarogMakeClick();
  TCatarogForm* made = OpenCatalog();
  ASSERT_NE(made, nullptr);
  const std::string saved = dir.MakeDir("cats") + "/three.doz";
  SaveCatalogFile(saved, made->Data());
  made->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  dialogs.AnswerOpen(FileDialogResult{saved, 1});
  f.mnCatarogReadClick();
  EXPECT_EQ(dialogs.Calls().back().File.Filter, "Veridｶﾀﾛｸﾞ形式(*.doz)|*.doz");
  TCatarogForm* cat = OpenCatalog();
  ASSERT_NE(cat, nullptr);
  EXPECT_EQ(cat->windowTitle().toStdString(), saved);
  EXPECT_EQ(cat->Data().Items.size(), 3u);
  EXPECT_TRUE(cat->State().MenusHidden);
  EXPECT_FALSE(f.isVisible());
  EXPECT_FALSE(f.CommandsLocked());
  EXPECT_EQ(ExcludeTrailingDelim(f.Settings().CatarogDir),
            ExcludeTrailingDelim(ExtractFilePath(saved)));
  cat->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(f.isVisible());

  // A file that cannot be read leaves the main window as it was, with its commands.
  dialogs.Clear();
  dialogs.AnswerOpen(FileDialogResult{folder + "/missing.doz", 1});
  f.Run([&f] { f.mnCatarogReadClick(); });
  EXPECT_EQ(OpenCatalog(), nullptr);
  EXPECT_TRUE(f.isVisible());
  EXPECT_FALSE(f.CommandsLocked());
  EXPECT_TRUE(f.ThumbImage()->HasPicture());
  EXPECT_EQ(dialogs.LastMessage().Title, "Verid");
  // Not a .doz: the error box, no window.
  dialogs.AnswerOpen(FileDialogResult{folder + "/three.DOZ", 1});
  f.mnCatarogReadClick();
  EXPECT_EQ(dialogs.LastMessage().Text, "*.doz以外のﾌｧｲﾙは読み込めません");
  EXPECT_EQ(OpenCatalog(), nullptr);
}

TEST_F(MainOpeners, ACatalogOnTheCommandLineOpensViewOnlyInsteadOfTheMainWindow) {
  TMainForm& maker = Open({{40, 30}, {30, 40}});
  maker.mnCatarogMakeClick();
  TCatarogForm* made = OpenCatalog();
  ASSERT_NE(made, nullptr);
  const std::string saved = dir.MakeDir("cats") + "/two.doz";
  SaveCatalogFile(saved, made->Data());
  made->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  const std::string remembered = dir.Path();
  {
    AppSettings s;
    s.FirstRunHint = false;
    s.CatarogDir = remembered;
    WriteSettings(s);
  }
  dialogs.Clear();

  TMainForm& f = Make(saved);
  f.Start();
  TCatarogForm* cat = OpenCatalog();
  ASSERT_NE(cat, nullptr);
  EXPECT_EQ(cat->windowTitle().toStdString(), saved);
  EXPECT_EQ(cat->Data().Items.size(), 2u);
  EXPECT_TRUE(cat->State().MenusHidden);
  EXPECT_FALSE(f.isVisible());
  EXPECT_FALSE(f.CommandsLocked());
  EXPECT_EQ(f.Settings().CatarogDir, remembered);  // no dialog was used
  EXPECT_TRUE(dialogs.Calls().empty());
  cat->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(f.isVisible());

  // A catalog that cannot be read (a link to nothing): the error box first, then the main
  // window as usual.
  std::filesystem::create_symlink(dir / "nowhere", folder + "/broken.doz");
  TMainForm& g = Make(folder + "/broken.doz");
  g.Start();
  EXPECT_EQ(OpenCatalog(), nullptr);
  EXPECT_TRUE(g.isVisible());
  EXPECT_FALSE(g.CommandsLocked());
  ASSERT_EQ(dialogs.Calls().size(), 1u);
  EXPECT_EQ(dialogs.LastMessage().Title, "Verid");

  // Any other spelling, and a folder with that name, open as they always did.
  dialogs.Clear();
  std::filesystem::copy_file(saved, folder + "/UPPER.DOZ");
  dir.MakeDir("pics/album.doz");
  for (const std::string& other : {folder + "/UPPER.DOZ", folder + "/album.doz"}) {
    TMainForm& h = Make(other);
    h.Start();
    EXPECT_EQ(OpenCatalog(), nullptr) << other;
    EXPECT_TRUE(h.isVisible());
    EXPECT_EQ(ExcludeTrailingDelim(h.List().Folder()), folder);
    EXPECT_EQ(h.List().ItemIndex(), -1);
  }
  EXPECT_TRUE(dialogs.Calls().empty());
}

}  // namespace
}  // namespace verid::test

int main(int argc, char** argv) {
  return verid::test::GuiTestMain(argc, argv);
}
