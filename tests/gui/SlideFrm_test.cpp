// The slide shows under offscreen Qt on a 1024 x 768 screen: the slide window's look, its
// stop and return to each origin, and the main window's preview show.
#include "view/SlideFrm.h"

#include <unistd.h>

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <fstream>

#include "gui/support/GuiTest.h"
#include "ui/Panels.h"
#include "view/ViewFrm.h"

namespace verid::test {
namespace {

TSlideForm* SlideWindowShown() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* slide = qobject_cast<TSlideForm*>(w); slide && slide->isVisible()) return slide;
  return nullptr;
}

// Runs `step(n)` inside the n-th wait of a show at interval 0 (each handles pending
// events once).
class Steps {
 public:
  Steps(FakePlatform& platform, std::function<void(size_t)> step) : platform_(platform) {
    platform_.onEvents = [this, step] { step(static_cast<size_t>(platform_.pendingEventCalls)); };
  }
  ~Steps() { platform_.onEvents = nullptr; }

 private:
  FakePlatform& platform_;
};

class SlideTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    platform.workArea = TRect{0, 0, 1024, 738};
    platform.screen = TRect{0, 0, 1024, 768};
    pics = dir.MakeDir("pics");
    WriteBmp(pics + "/a.bmp", 400, 300);
    WriteBmp(pics + "/b.bmp", 2000, 500);
    std::ofstream(pics + "/c.bmp") << "junk";
    list.SetFolder(pics);
    list.SetItemIndex(2);
    settings.SlideIntervalMs = 0;
  }
  ViewEnv Env() { return ViewEnv{list, settings, dialogs, platform}; }

  std::string pics;
  FileList list;
  AppSettings settings;
};

TEST_F(SlideTest, WindowCoversTheScreenInItsColourWithTheCaption) {
  settings.FullSlideColor = RGBColor(0, 0, 128);
  struct Seen {
    QRect geometry;
    bool frameless = false, onTop = false, label = false;
    QString text;
    QColor labelColour, corner;
    QRect control;
  };
  std::vector<Seen> seen;
  Steps steps(platform, [&](size_t n) {
    TSlideForm* w = SlideWindowShown();
    ASSERT_NE(w, nullptr);
    Seen s;
    s.geometry = w->geometry();
    s.frameless = w->windowFlags() & Qt::FramelessWindowHint;
    s.onTop = w->windowFlags() & Qt::WindowStaysOnTopHint;
    s.label = w->CLabel()->isVisible();
    s.text = w->CLabel()->text();
    s.labelColour = w->CLabel()->palette().color(QPalette::WindowText);
    s.corner = w->grab().toImage().pixelColor(1000, 760);
    s.control = w->Image()->geometry();
    seen.push_back(s);
    if (n == 3) w->SlidePopupMenu()->actions().front()->trigger();
  });
  RunFullSlideShow(kSlideFromCatalog, Env(), {}, nullptr);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].geometry, QRect(0, 0, 1024, 768));
  EXPECT_TRUE(seen[0].frameless);
  EXPECT_TRUE(seen[0].onTop);
  EXPECT_TRUE(seen[0].label);
  EXPECT_EQ(seen[0].text, "a.bmp  [1/3]");
  EXPECT_EQ(seen[0].labelColour, QColor(240, 202, 166));
  EXPECT_EQ(seen[0].corner, QColor(0, 0, 128));
  EXPECT_EQ(seen[0].control, QRect(312, 234, 400, 300));
  EXPECT_EQ(seen[1].control, QRect(15, 384 - 124, 994, 248));  // trunc(500 * 994 / 2000)
  EXPECT_EQ(seen[2].control, QRect(437, 309, 150, 150));       // No Picture
  EXPECT_EQ(seen[2].text, "c.bmp  [3/3]");
  EXPECT_EQ(SlideWindowShown(), nullptr);
  EXPECT_TRUE(dialogs.Calls().empty());
  QCoreApplication::processEvents();
}

TEST_F(SlideTest, CaptionHiddenWhenSwitchedOffAndEscStops) {
  settings.SlideShowCaption = false;
  settings.SlideLoop = true;
  bool label = true;
  Steps steps(platform, [&](size_t n) {
    TSlideForm* w = SlideWindowShown();
    ASSERT_NE(w, nullptr);
    label = w->CLabel()->isVisible();
    if (n == 5) SendKey(w, Qt::Key_Escape);
  });
  RunFullSlideShow(kSlideFromCatalog, Env(), {}, nullptr);
  EXPECT_FALSE(label);
  EXPECT_EQ(size_t(platform.pendingEventCalls), 5u);  // looped past the end, never asked
  EXPECT_EQ(list.ItemIndex(), 1);
}

TEST_F(SlideTest, FromTheViewWindowItComesBackAtRealSizeWithTheMenuBar) {
  settings.SlideBackToFirst = true;
  TViewForm view(Env(), ViewOwner{});
  view.show();
  view.ShowFit();
  bool viewHidden = false;
  Steps steps(platform, [&](size_t n) {
    viewHidden = !view.isVisible();
    if (n == 2) SlideWindowShown()->pmnExitClick();
  });
  // Inside the window's modal run, as the opener runs it: the show must not end that run.
  bool modalAfter = false;
  QTimer::singleShot(0, [&] {
    view.Action("mnVSlide")->trigger();
    modalAfter = QApplication::activeModalWidget() == &view;
    view.close();
  });
  view.exec();
  EXPECT_TRUE(modalAfter);
  EXPECT_TRUE(viewHidden);
  EXPECT_EQ(view.Viewer().DisplayMode, kModeReal);
  EXPECT_TRUE(view.MainMenu1()->isVisibleTo(&view));
  EXPECT_EQ(list.ItemIndex(), 0);  // back to the first, shown there
  EXPECT_EQ(view.windowTitle(), "a.bmp  [1/3]");
  EXPECT_EQ(view.Viewer().ShownWidth, 400);
}

// From a full-screen view the window comes back framed, not full screen, and placed at the
// work area's corner as real size places it.
TEST_F(SlideTest, FromAFullScreenViewItComesBackFramedAtRealSize) {
  TViewForm view(Env(), ViewOwner{});
  list.SetItemIndex(0);
  view.ShowFull();
  view.show();
  Steps steps(platform, [&](size_t n) {
    if (n == 2) SlideWindowShown()->pmnExitClick();
  });
  QTimer::singleShot(0, [&] {
    view.mnVSlideClick();
    view.close();
  });
  view.exec();
  EXPECT_EQ(view.Viewer().DisplayMode, kModeReal);
  EXPECT_FALSE(view.windowState() & Qt::WindowFullScreen);
  EXPECT_TRUE(view.MainMenu1()->isVisibleTo(&view));
  EXPECT_EQ(view.windowTitle(), "b.bmp  [2/3]");  // the last slide shown
  EXPECT_EQ(view.frameGeometry().topLeft(), QPoint(0, 0));
  EXPECT_EQ(view.frameGeometry().width(), 1024);
}

TEST_F(SlideTest, FromTheMainWindowTheEndQuestionBringsItBack) {
  TMainForm& f = Make();
  f.show();
  f.OpenFolder(pics);
  f.List().SetItemIndex(1);
  f.Settings().SlideIntervalMs = 0;
  f.Settings().SlideBackToFirst = true;
  bool mainHidden = false;
  Steps steps(platform, [&](size_t) { mainHidden = !f.isVisible(); });
  dialogs.AnswerMessage(MsgButton::No);
  f.mnSlide_FulClick();
  EXPECT_TRUE(mainHidden);
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(size_t(platform.pendingEventCalls), 3u);
  EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{kSlideEndQuestion});
  EXPECT_EQ(f.List().ItemIndex(), 0);
  EXPECT_TRUE(f.ThumbImage()->HasPicture());
}

TEST_F(SlideTest, PreviewShowLocksTheWindowAndItsPopupStopsIt) {
  TMainForm& f = Make();
  f.show();
  f.OpenFolder(pics);
  f.List().SetItemIndex(2);
  f.Settings().SlideIntervalMs = 0;
  f.Settings().SlideLoop = true;
  struct During {
    std::string popup;
    bool exitShown, realShown, showMenu, fileMenu, slideButton, locked;
    int index;
  };
  std::vector<During> during;
  Steps steps(platform, [&](size_t n) {
    QMenu* popup = f.PopupForRightClick();
    during.push_back({popup ? popup->objectName().toStdString() : "",
                      f.Action("mnSlideExit")->isVisible(), f.Action("mnRealSize")->isVisible(),
                      f.Action("mnShow")->isEnabled(), f.Action("mnFile")->isEnabled(),
                      f.SpeedButton("SlideFulSBtn")->isEnabled(), f.CommandsLocked(),
                      f.List().ItemIndex()});
    if (n == 4) popup->actions().front()->trigger();
  });
  f.mnSlide_ThumClick();
  ASSERT_EQ(during.size(), 4u);
  EXPECT_EQ(during[0].popup, "PopupMenuSlide");
  EXPECT_TRUE(during[0].exitShown);
  EXPECT_FALSE(during[0].realShown);
  EXPECT_TRUE(during[0].showMenu);
  EXPECT_FALSE(during[0].fileMenu);
  EXPECT_FALSE(during[0].slideButton);
  EXPECT_TRUE(during[0].locked);
  EXPECT_EQ(during[0].index, 0);
  EXPECT_EQ(during[3].index, 0);  // looped
  // Stopped: no question, everything back.
  EXPECT_TRUE(dialogs.Calls().empty());
  EXPECT_EQ(f.PopupForRightClick()->objectName(), "PopupMain");
  EXPECT_FALSE(f.Action("mnSlideExit")->isVisible());
  EXPECT_TRUE(f.Action("mnRealSize")->isVisible());
  EXPECT_TRUE(f.Action("mnFile")->isEnabled());
  EXPECT_FALSE(f.CommandsLocked());
}

TEST_F(SlideTest, Screenshots) {
  const char* out = std::getenv("VERID_SCREENSHOT_DIR");
  if (!out) GTEST_SKIP() << "set VERID_SCREENSHOT_DIR to write the grabs";
  settings.FullSlideColor = RGBColor(32, 32, 48);
  for (bool caption : {true, false}) {
    settings.SlideShowCaption = caption;
    platform.pendingEventCalls = 0;
    Steps steps(platform, [&](size_t n) {
      TSlideForm* w = SlideWindowShown();
      w->grab().save(QString("%1/slide_%2_%3.png").arg(out, caption ? "caption" : "plain").arg(n));
      if (n == 2) w->pmnExitClick();
    });
    RunFullSlideShow(kSlideFromCatalog, Env(), {}, nullptr);
  }
  TMainForm& f = Make();
  f.show();
  f.OpenFolder(pics);
  f.Settings().SlideIntervalMs = 0;
  platform.pendingEventCalls = 0;
  Steps steps(platform, [&](size_t n) {
    if (n != 2) return;
    QMenu* popup = f.PopupForRightClick();
    popup->popup(f.mapToGlobal(QPoint(80, 120)));
    QCoreApplication::processEvents();
    QPixmap shot = f.grab();
    QPainter p(&shot);
    p.drawPixmap(f.mapFromGlobal(popup->pos()) + QPoint(0, f.geometry().top() - f.y()),
                 popup->grab());
    p.end();
    shot.save(QString("%1/preview_slide_popup.png").arg(out));
    popup->hide();
    popup->actions().front()->trigger();
  });
  f.mnSlide_ThumClick();
}

}  // namespace
}  // namespace verid::test

int main(int argc, char** argv) {
  return verid::test::GuiTestMainOnScreen(argc, argv, 1024, 768);
}
