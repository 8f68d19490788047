// The catalog progress window: its layout, what it shows after each file, and its stop
// button (also Esc) ending a build after the file in hand.
#include "catalog/CataProgresFrm.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include "imaging/Draw.h"
#include "support/GuiTest.h"
#include "ui/Gauge.h"

namespace verid {
namespace {

QString U(const char* s) {
  return QString::fromUtf8(s);
}

TEST(CataProgresForm, LayoutAndCaptions) {
  TCatarogProgresForm form;
  EXPECT_EQ(form.windowTitle(), U("ｶﾀﾛｸﾞ作成中…"));
  EXPECT_EQ(form.size(), QSize(224, 139));
  EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMinMaxButtonsHint);
  EXPECT_EQ(form.Image1->geometry(), QRect(13, 10, 80, 80));
  EXPECT_TRUE(form.Image1->hasScaledContents());
  EXPECT_EQ(form.Label1->text(), U("作成完了数  ："));
  EXPECT_EQ(form.Label1->pos(), QPoint(110, 15));
  EXPECT_EQ(form.LoadNumber->pos(), QPoint(200, 15));
  EXPECT_EQ(form.Label2->text(), U("カタログ総数 ："));
  EXPECT_EQ(form.Label2->pos(), QPoint(110, 38));
  EXPECT_EQ(form.TotalNumber->pos(), QPoint(200, 38));
  EXPECT_EQ(form.StopBtn->text(), U("中止(&S)"));
  EXPECT_EQ(form.StopBtn->geometry(), QRect(117, 64, 75, 23));
  EXPECT_EQ(form.Gauge->geometry(), QRect(14, 105, 192, 18));
  EXPECT_EQ(form.Gauge->ForeColor(), QColor(0, 0, 128));
  EXPECT_EQ(form.Gauge->Progress(), 0);
}

TEST(CataProgresForm, ShowsTheLastThumbnailStretchedAndANavyGauge) {
  TCatarogProgresForm form;
  form.BuildStarted();
  TBitmap cell(120, 120, TPixelFormat::pf24bit);
  FillRect(cell, Bounds(0, 0, 120, 120), 0x0000FF);
  form.FileDone(cell, ProgressAfter(1, 2));
  EXPECT_EQ(form.LoadNumber->text(), "1");
  EXPECT_EQ(form.TotalNumber->text(), "2");
  EXPECT_EQ(form.Gauge->Progress(), 50);
  const QImage image = form.Image1->grab().toImage();
  EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 0, 0));
  EXPECT_EQ(image.pixelColor(79, 79), QColor(255, 0, 0));
  const QImage gauge = form.Gauge->grab().toImage();
  EXPECT_EQ(gauge.pixelColor(0, 0), QColor(0, 0, 0));    // frame
  EXPECT_EQ(gauge.pixelColor(5, 3), QColor(0, 0, 128));  // filled half
  EXPECT_EQ(gauge.pixelColor(185, 3), QColor(255, 255, 255));
  form.BuildEnded();
}

TEST(CataProgresForm, EscPressesStopAndOnlyTheBuildClosesTheWindow) {
  QPointer<TCatarogProgresForm> form = new TCatarogProgresForm;
  EXPECT_TRUE(form->isModal());
  form->BuildStarted();
  test::SendKey(form, Qt::Key_Escape);
  EXPECT_TRUE(form->StopRequested());
  form->close();
  EXPECT_TRUE(form->isVisible());
  // A close request stops the build too (a window manager's close box, a logout).
  QPointer<TCatarogProgresForm> other = new TCatarogProgresForm;
  other->BuildStarted();
  other->close();
  EXPECT_TRUE(other->StopRequested());
  EXPECT_TRUE(other->isVisible());
  other->BuildEnded();
  form->BuildEnded();
  EXPECT_FALSE(form->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(form.isNull());  // closing frees it
}

TEST(CataProgresForm, StopClickedDuringTheFourthFileEndsTheBuildWithFourEntries) {
  const std::filesystem::path start = std::filesystem::current_path();
  test::TempDir dir;
  for (char c = '0'; c <= '9'; ++c)
    test::WriteBmp(dir / std::string{'p', c, '.', 'b', 'm', 'p'}, 30, 20);
  FileList list;
  list.SetFolder(dir.Path());
  test::FakePlatform platform;
  QPointer<TCatarogProgresForm> seen;
  platform.onEvents = [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* f = qobject_cast<TCatarogProgresForm*>(w)) seen = f;
    ASSERT_TRUE(seen);
    EXPECT_TRUE(seen->isVisible());
    // The click arrives while the events before the fourth file are handled.
    if (platform.pendingEventCalls == 4) test::Click(seen->StopBtn, QPoint(10, 10));
  };
  Catalog catalog;
  const BuildResult r = RunCatalogBuild(nullptr, list, 80, catalog, platform);
  EXPECT_TRUE(r.Stopped);
  EXPECT_EQ(catalog.Items.size(), 4u);
  EXPECT_EQ(platform.pendingEventCalls, 4);
  ASSERT_TRUE(seen);
  EXPECT_EQ(seen->LoadNumber->text(), "4");
  EXPECT_EQ(seen->TotalNumber->text(), "10");
  EXPECT_EQ(seen->Gauge->Progress(), 40);
  EXPECT_FALSE(seen->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(seen.isNull());
  std::filesystem::current_path(start);
}

}  // namespace
}  // namespace verid

int main(int argc, char** argv) {
  return verid::test::GuiTestMain(argc, argv);
}
