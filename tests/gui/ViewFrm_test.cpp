// The view window under offscreen Qt on a 1024 x 768 screen whose work area leaves 30
// pixels for a panel.
#include "view/ViewFrm.h"

#include <unistd.h>

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <cstdlib>
#include <fstream>

#include "app/Hanyou.h"
#include "support/ExifBuilder.h"
#include "support/GuiTest.h"
#include "support/ImageBuilders.h"
#include "view/Info.h"
#include "view/InfoFrm.h"

namespace verid::test {
namespace {

class ViewWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    platform.workArea = TRect{0, 0, 1024, 738};
    platform.screen = TRect{0, 0, 1024, 768};
  }
  void Files(std::vector<std::pair<int, int>> sizes) {
    char name = 'a';
    for (auto [w, h] : sizes) {
      WriteBmp(dir / (std::string(1, name) + ".bmp"), w, h);
      ++name;
    }
    list.SetFolder(dir.Path());
    list.SetItemIndex(0);
  }
  // Shown first, so its frame is measured as it will be.
  TViewForm& Make() {
    form = std::make_unique<TViewForm>(ViewEnv{list, settings, dialogs, platform}, owner);
    form->show();
    QCoreApplication::processEvents();
    return *form;
  }
  QRect Outer() const { return form->frameGeometry(); }
  bool Visible(const char* item) const { return form->Action(item)->isVisible(); }

  TempDir dir;
  FileList list;
  AppSettings settings;
  ScriptedDialogs dialogs;
  FakePlatform platform;
  ViewOwner owner;
  std::unique_ptr<TViewForm> form;
};

TEST_F(ViewWindow, RealSizeWindowFitsThePictureAtTheWorkAreasCorner) {
  Files({{200, 100}, {640, 480}, {1024, 300}});
  TViewForm& f = Make();
  f.SetShowMenuBar(true);
  f.ShowReal();
  QCoreApplication::processEvents();
  EXPECT_EQ(Outer().topLeft(), QPoint(0, 0));
  EXPECT_EQ(Outer().width(), 300);  // the minimum
  EXPECT_EQ(f.Image()->geometry(), QRect(0, 0, 200, 100));
  EXPECT_TRUE(f.MainMenu1()->isVisible());
  EXPECT_EQ(f.ScrollBox()->viewport()->height(), 100);
  EXPECT_FALSE(f.ScrollBox()->horizontalScrollBar()->isVisible());
  EXPECT_EQ(f.windowTitle(), "a.bmp  [1/3]");

  f.mnVNextClick();
  QCoreApplication::processEvents();
  EXPECT_EQ(f.ScrollBox()->viewport()->size(), QSize(640, 480));  // the client is the picture

  f.mnVNextClick();  // exactly as wide as the work area: it scrolls sideways
  QCoreApplication::processEvents();
  EXPECT_EQ(Outer().width(), 1024);
  EXPECT_TRUE(f.ScrollBox()->horizontalScrollBar()->isVisible());
  EXPECT_FALSE(f.ScrollBox()->verticalScrollBar()->isVisible());
  EXPECT_EQ(f.ScrollBox()->viewport()->height(), 300);  // room was made for the bar
}

TEST_F(ViewWindow, FitShrinksToTheWorkArea) {
  Files({{2048, 1000}, {200, 2000}});
  TViewForm& f = Make();
  f.ShowFit();
  QCoreApplication::processEvents();
  EXPECT_EQ(Outer(), QRect(0, 0, 1024, 500));
  EXPECT_FALSE(f.MainMenu1()->isVisible());
  EXPECT_EQ(f.Image()->geometry(), QRect(QPoint(0, 0), f.ScrollBox()->viewport()->size()));
  EXPECT_EQ(f.Image()->Picture().size(), f.Image()->size());  // drawn once at that size
  f.mnVNextClick();
  QCoreApplication::processEvents();
  EXPECT_EQ(Outer().size(), QSize(73, 738));
  EXPECT_EQ(f.Image()->width(), 200);  // unstretched, clipped
}

TEST_F(ViewWindow, FullScreenCentresThePictureAndShowsTheLabel) {
  Files({{500, 300}, {3000, 1000}});
  settings.FullScreenColor = RGBColor(0, 0, 64);
  TViewForm& f = Make();
  f.ShowFull();
  QCoreApplication::processEvents();
  EXPECT_TRUE(f.isFullScreen());
  EXPECT_EQ(f.geometry(), QRect(0, 0, 1024, 768));
  EXPECT_EQ(f.Image()->geometry(), QRect(262, 234, 500, 300));
  EXPECT_TRUE(f.cLabel()->isVisible());
  EXPECT_EQ(f.cLabel()->text(), "a.bmp  [1/2]");
  EXPECT_EQ(f.cLabel()->pos(), QPoint(0, 0));
  EXPECT_EQ(f.cLabel()->font().pixelSize(), 15);
  EXPECT_EQ(f.cLabel()->palette().color(QPalette::WindowText), QColor(240, 202, 166));
  EXPECT_EQ(f.Canvas()->grab().toImage().pixelColor(5, 700), QColor(0, 0, 64));
  f.mnVNextClick();
  EXPECT_EQ(f.Image()->geometry(), QRect(15, 218, 994, 331));
  EXPECT_EQ(f.cLabel()->text(), "b.bmp  [2/2]");
  // Back to real size: a framed window again, and the label goes with full screen.
  f.pmVRealClick();
  QCoreApplication::processEvents();
  EXPECT_FALSE(f.isFullScreen());
  EXPECT_FALSE(f.cLabel()->isVisible());
  EXPECT_TRUE(f.MainMenu1()->isVisible());
}

TEST_F(ViewWindow, APortraitPhotoIsLaidOutUprightInEveryMode) {
  // Stored 1200 x 600 lying on its left side (EXIF orientation 6): a 600 x 1200 portrait.
  dir.Write("photo.jpg", OrientedJpeg(Quadrants(600, 1200), 6));
  list.SetFolder(dir.Path());
  list.SetItemIndex(0);
  TViewForm& f = Make();
  f.SetShowMenuBar(true);
  f.ShowReal();
  QCoreApplication::processEvents();
  EXPECT_EQ(f.Image()->geometry(), QRect(0, 0, 600, 1200));
  EXPECT_EQ(Outer().height(), 738);  // taller than the work area: it scrolls
  EXPECT_TRUE(f.ScrollBox()->verticalScrollBar()->isVisible());
  EXPECT_FALSE(f.ScrollBox()->horizontalScrollBar()->isVisible());
  const QImage& shown = f.Image()->Picture();
  EXPECT_EQ(NearestQuadrant(shown.pixel(150, 300) & 0xFFFFFF), 0);
  EXPECT_EQ(NearestQuadrant(shown.pixel(450, 900) & 0xFFFFFF), 3);

  f.ShowFit();
  QCoreApplication::processEvents();
  EXPECT_EQ(Outer(), QRect(0, 0, 369, 738));  // trunc(600 x 738 / 1200) wide

  f.ShowFull();
  QCoreApplication::processEvents();
  EXPECT_EQ(f.Image()->geometry(), QRect(328, 15, 369, 738));
}

TEST_F(ViewWindow, NoPictureInEachMode) {
  std::ofstream(dir / "x.bmp") << "junk";
  list.SetFolder(dir.Path());
  list.SetItemIndex(0);
  TViewForm& f = Make();
  f.ShowFit();
  QCoreApplication::processEvents();
  EXPECT_EQ(Outer().size(), QSize(300, 180));
  EXPECT_FALSE(f.Image()->isVisible());
  f.ShowFull();
  QCoreApplication::processEvents();
  EXPECT_EQ(f.Image()->geometry(), QRect(437, 309, 150, 150));
  EXPECT_TRUE(f.Image()->isVisible());
}

TEST_F(ViewWindow, PopupItemsFollowTheModeAndStayHiddenAfterFullScreen) {
  Files({{50, 50}});
  TViewForm& f = Make();
  f.ShowReal();
  for (const char* item : {"pmVReal", "pmVFit", "pmVFul"}) EXPECT_FALSE(Visible(item)) << item;
  for (const char* item : {"pmTriming", "pmRightRotate", "pmVSave", "pmVClose"})
    EXPECT_TRUE(Visible(item)) << item;
  EXPECT_FALSE(f.MainMenu1()->isVisible());  // opened without the menu bar
  f.ShowFit();
  EXPECT_TRUE(Visible("pmVReal"));
  EXPECT_TRUE(Visible("pmVFul"));
  EXPECT_FALSE(Visible("pmVFit"));
  EXPECT_FALSE(Visible("pmTriming"));
  EXPECT_FALSE(Visible("N3"));
  f.ShowFull();
  for (const char* item : {"pmVSave", "pmVSaveAs", "N4", "pmVFul"})
    EXPECT_FALSE(Visible(item)) << item;
  f.pmVRealClick();
  for (const char* item : {"pmVSave", "pmVSaveAs", "N4", "N3"}) EXPECT_FALSE(Visible(item)) << item;
  EXPECT_TRUE(Visible("pmTriming"));
  EXPECT_TRUE(f.MainMenu1()->isVisible());
  EXPECT_EQ(f.PopupMenu1()->actions().size(), 22);
}

TEST_F(ViewWindow, MenusCarryTheOwnersFoldersAndUndoState) {
  Files({{50, 50}});
  owner.CopyCaptions[0] = dir.Path();
  owner.MoveCaptions[1] = "/nowhere/at all";
  owner.WallUndoEnabled = true;
  TViewForm& f = Make();
  EXPECT_EQ(f.Action("mnVCpy1")->text().toStdString(), dir.Path());
  EXPECT_TRUE(f.Action("mnVCpy1")->isEnabled());
  EXPECT_TRUE(f.Action("pmVCpy1")->isEnabled());
  EXPECT_EQ(f.Action("mnVCpy2")->text(), "未指定");
  EXPECT_FALSE(f.Action("mnVCpy2")->isEnabled());
  EXPECT_FALSE(f.Action("pmVMove2")->isEnabled());
  EXPECT_TRUE(f.Action("mnVWallUndo")->isEnabled());
  EXPECT_EQ(f.Action("mnVDel")->shortcut(), QKeySequence(Qt::Key_Delete));
  f.HideFileCommands();
  EXPECT_FALSE(Visible("pmVDel"));
  EXPECT_FALSE(Visible("N1"));
}

TEST_F(ViewWindow, KeysNavigateScrollAndClose) {
  Files({{2000, 1500}, {50, 50}});
  TViewForm& f = Make();
  f.ShowReal();
  SendKey(&f, Qt::Key_Right);
  SendKey(&f, Qt::Key_Right);
  SendKey(&f, Qt::Key_Down);
  EXPECT_EQ(f.ScrollBox()->horizontalScrollBar()->value(), 60);
  EXPECT_EQ(f.ScrollBox()->verticalScrollBar()->value(), 30);
  SendKey(&f, Qt::Key_Left);
  EXPECT_EQ(f.ScrollBox()->horizontalScrollBar()->value(), 30);
  SendKey(&f, Qt::Key_Space);
  EXPECT_EQ(list.ItemIndex(), 1);
  SendKey(&f, Qt::Key_Backspace);
  EXPECT_EQ(list.ItemIndex(), 0);
  SendKey(&f, Qt::Key_Escape);
  EXPECT_FALSE(f.isVisible());
}

void Press(QWidget* w, QEvent::Type type, QPoint pos, Qt::KeyboardModifiers mods) {
  QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::LeftButton,
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, mods);
  QCoreApplication::sendEvent(w, &e);
}

TEST_F(ViewWindow, DragScrollsByHandAndShiftDragDrawsAClampedBand) {
  Files({{2000, 1500}});
  TViewForm& f = Make();
  f.ShowReal();
  QScrollBar* h = f.ScrollBox()->horizontalScrollBar();
  QScrollBar* v = f.ScrollBox()->verticalScrollBar();
  h->setValue(300);
  v->setValue(200);
  Press(f.Image(), QEvent::MouseButtonPress, {500, 400}, Qt::NoModifier);
  EXPECT_EQ(f.Image()->cursor().pixmap().cacheKey(), ScreenCursor(kCursorHand).pixmap().cacheKey());
  Press(f.Image(), QEvent::MouseMove, {460, 380}, Qt::NoModifier);
  EXPECT_EQ(h->value(), 340);
  EXPECT_EQ(v->value(), 220);
  Press(f.Image(), QEvent::MouseButtonRelease, {460, 380}, Qt::NoModifier);
  EXPECT_FALSE(f.Viewer().Panning);

  h->setValue(0);
  v->setValue(0);
  Press(f.Image(), QEvent::MouseButtonPress, {30, 40}, Qt::ShiftModifier);
  EXPECT_EQ(f.Image()->cursor().pixmap().cacheKey(),
            ScreenCursor(kCursorTriming).pixmap().cacheKey());
  Press(f.Image(), QEvent::MouseMove, {-20, 5000}, Qt::ShiftModifier);
  Press(f.Image(), QEvent::MouseButtonRelease, {-20, 5000}, Qt::ShiftModifier);
  EXPECT_EQ(f.Viewer().TrimRect, (TRect{0, 40, 30, 1499}));
  ASSERT_TRUE(f.Image()->Band());
  EXPECT_EQ(*f.Image()->Band(), f.Viewer().TrimRect);
  // Drawn over the picture: the shown bitmap keeps its pixels, the screen shows the inverse.
  const QImage screen = f.Image()->grab().toImage();
  const QColor under = f.Image()->Picture().pixelColor(10, 40);
  EXPECT_EQ(screen.pixelColor(10, 40),
            QColor(255 - under.red(), 255 - under.green(), 255 - under.blue()));
  EXPECT_EQ(screen.pixelColor(10, 41), f.Image()->Picture().pixelColor(10, 41));
}

TEST_F(ViewWindow, BandDraggedWithTheMouseTrimsTheCleanPicture) {
  Files({{200, 150}});
  TViewForm& f = Make();
  f.SetShowMenuBar(true);
  f.ShowReal();
  const QImage before = f.Image()->Picture().copy();
  Press(f.Image(), QEvent::MouseButtonPress, {60, 50}, Qt::ShiftModifier);
  Press(f.Image(), QEvent::MouseMove, {20, 10}, Qt::ShiftModifier);
  Press(f.Image(), QEvent::MouseButtonRelease, {20, 10}, Qt::ShiftModifier);
  f.Action("pmTriming")->trigger();
  EXPECT_EQ(f.Image()->size(), QSize(41, 41));
  EXPECT_FALSE(f.Image()->Band());
  // The band's inverted outline is not in the crop.
  EXPECT_EQ(f.Image()->Picture().convertToFormat(QImage::Format_RGB32),
            before.copy(20, 10, 41, 41).convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(Outer().width(), 300);  // the narrow picture keeps the minimum width
  // Without a band the menu bar's item warns.
  f.Action("mnVTriming")->trigger();
  EXPECT_EQ(dialogs.MessageTexts().back(), kNoTrimRangeMessage);
}

TEST_F(ViewWindow, MenuItemsRotateAndTheDelKeyDeletesOutsideTheCatalog) {
  Files({{64, 48}, {30, 30}});
  settings.DeleteMethod = 2;
  settings.DeleteNoConfirm = true;
  TViewForm& f = Make();
  f.SetShowMenuBar(true);
  f.ShowReal();
  f.Action("mnRightRotate")->trigger();
  EXPECT_EQ(f.Image()->size(), QSize(48, 64));
  f.Action("pmHorizon")->trigger();
  f.Action("mnLeftRotate")->trigger();
  EXPECT_EQ(f.Image()->size(), QSize(64, 48));
  f.mnVConvertClick();
  EXPECT_TRUE(f.Action("mnVConvertBtoJ")->isEnabled());
  EXPECT_FALSE(f.Action("mnVConvertJtoB")->isEnabled());
  SendKey(&f, Qt::Key_Delete);
  EXPECT_FALSE(std::filesystem::exists(dir / "a.bmp"));
  EXPECT_EQ(f.windowTitle(), "b.bmp  [1/1]");

  // The catalog's view: real size brings the menu bar back with its file commands; only
  // the pop-up's are hidden.
  f.HideFileCommands();
  f.ShowFit();
  f.pmVRealClick();
  EXPECT_TRUE(f.MainMenu1()->isVisible());
  for (const char* item : {"mnVRename", "mnVCopy", "mnVMove", "mnVDel", "mnVSave"})
    EXPECT_TRUE(Visible(item)) << item;
  for (const char* item : {"pmVRename", "pmVCopy", "pmVMove", "pmVDel"})
    EXPECT_FALSE(Visible(item)) << item;
}

TEST_F(ViewWindow, OpenerRunsTheWindowModallyAndRefreshesAfterwards) {
  Files({{50, 50}, {60, 60}});
  std::vector<std::string> log;
  ViewOpenerHost host{[&] { log.push_back("clear"); }, [&] { log.push_back("hide"); },
                      [&] { log.push_back("show"); }, [&] { log.push_back("repaint"); },
                      [&] { log.push_back("refresh " + list.CurrentFile()); }};
  std::string title;
  bool menuBar = false;
  QTimer::singleShot(0, [&] {
    auto* view = qobject_cast<TViewForm*>(QApplication::activeModalWidget());
    ASSERT_NE(view, nullptr);
    title = view->windowTitle().toStdString();
    menuBar = view->MainMenu1()->isVisible();
    view->mnVNextClick();
    view->close();
  });
  OpenViewWindow(kModeReal, ViewEnv{list, settings, dialogs, platform}, owner, host, nullptr);
  EXPECT_EQ(title, "a.bmp  [1/2]");
  EXPECT_TRUE(menuBar);
  EXPECT_EQ(log, (std::vector<std::string>{"clear", "hide", "repaint", "refresh " + dir / "b.bmp",
                                           "show"}));
}

TEST_F(ViewWindow, InformationDialogShowsTheFourValues) {
  std::string path = WriteBmp(dir / "cat.bmp", 640, 480);
  TInfoForm info(platform);
  info.SetDimensions(640, 480);
  info.FillInfo(path);
  EXPECT_EQ(info.windowTitle(), "画像情報");
  EXPECT_EQ(info.Label2->text(), "cat.bmp");
  EXPECT_EQ(info.Label4->text().toStdString(),
            FormatThousands(static_cast<int64_t>(std::filesystem::file_size(path))) + "ﾊﾞｲﾄ");
  EXPECT_EQ(info.Label6->text(), "640×480ﾋﾟｸｾﾙ");
  EXPECT_FALSE(info.Label8->text().isEmpty());
  EXPECT_TRUE(info.Button1->isDefault());
  info.SetDimensions(0, 0);
  info.FillInfo(path);
  EXPECT_EQ(info.Label6->text(), "不明");
}

TEST_F(ViewWindow, Screenshots) {
  // Grabs for looking at by eye; they are written only when asked for.
  const char* out = std::getenv("VERID_SCREENSHOT_DIR");
  if (!out) GTEST_SKIP() << "set VERID_SCREENSHOT_DIR to write the grabs";
  Files({{900, 600}});
  std::ofstream(dir / "z.bmp") << "junk";
  list.SetFolder(dir.Path());
  list.SetItemIndex(0);
  TViewForm& f = Make();
  auto grab = [&](const char* name) {
    QCoreApplication::processEvents();
    f.grab().save(QString("%1/view_%2.png").arg(out, name), "PNG");
  };
  f.SetShowMenuBar(true);
  f.ShowReal();
  f.Viewer().MouseDown(100, 80, true, true);
  f.Viewer().MouseMove(400, 300);
  f.Viewer().MouseUp(400, 300, true);
  grab("real");
  f.mnVTrimingClick();
  grab("trimmed");
  f.ShowReal();
  f.mnRightRotateClick();
  grab("rotated");
  f.ShowFit();
  grab("fit");
  f.ShowFull();
  grab("full");
  list.SetItemIndex(1);
  f.ShowFull();
  grab("full_nopicture");
  f.ShowReal();
  grab("real_nopicture");
  TInfoForm info(platform);
  info.SetDimensions(900, 600);
  info.FillInfo(list.PathOf(0));
  info.show();
  QCoreApplication::processEvents();
  info.grab().save(QString("%1/info.png").arg(out), "PNG");
}

}  // namespace
}  // namespace verid::test

// A 1024 x 768 screen for the offscreen platform, unless a display was asked for.
int main(int argc, char** argv) {
  return verid::test::GuiTestMainOnScreen(argc, argv, 1024, 768);
}
