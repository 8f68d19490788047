// The Qt side of the message boxes and dialogs, the cursors and the raster view.
#include "ui/QtDialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/Hanyou.h"
#include "gui/support/GuiTest.h"
#include "ui/QtScreen.h"
#include "ui/RasterView.h"

namespace verid::test {
namespace {

struct SeenBox {
  QString title, text;
  QStringList buttons;
  QString defaultButton;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers the next message box by pressing the button with `press`'s caption, or Escape
// when `press` is empty, and reports what the box showed.
SeenBox Answer(const std::function<void()>& show, const QString& press) {
  SeenBox seen;
  QTimer::singleShot(0, [&seen, press] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    if (box->defaultButton()) seen.defaultButton = box->defaultButton()->text();
    QAbstractButton* chosen = nullptr;
    for (QAbstractButton* b : box->buttons()) {
      seen.buttons << b->text();
      if (b->text() == press) chosen = b;
    }
    if (chosen) {
      chosen->click();
      return;
    }
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &escape);
  });
  show();
  return seen;
}

TEST(QtMessageBox, KindsTitlesButtonsAndLineBreaks) {
  QtDialogs dialogs;
  MsgButton answer = MsgButton::Ok;
  SeenBox seen = Answer(
      [&] {
        answer = dialogs.Show(MsgKind::Confirmation, "最後のﾌｧｲﾙです\r\n先頭に移りますか",
                              {MsgButton::Yes, MsgButton::No}, 1);
      },
      "はい(&Y)");
  EXPECT_EQ(answer, MsgButton::Yes);
  EXPECT_EQ(seen.title, "確認");
  EXPECT_EQ(seen.text, "最後のﾌｧｲﾙです\n先頭に移りますか");
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_TRUE(seen.buttons.contains("はい(&Y)"));
  EXPECT_TRUE(seen.buttons.contains("いいえ(&N)"));
  EXPECT_EQ(seen.defaultButton, "いいえ(&N)");

  seen = Answer(
      [&] {
        answer =
            dialogs.Show(MsgKind::Warning, "x",
                         {MsgButton::Yes, MsgButton::No, MsgButton::NoToAll, MsgButton::Cancel});
      },
      "すべていいえ(&O)");
  EXPECT_EQ(answer, MsgButton::NoToAll);
  EXPECT_EQ(seen.title, "警告");
  EXPECT_EQ(seen.buttons.size(), 4);
  EXPECT_TRUE(seen.buttons.contains("キャンセル"));

  // Escape answers Cancel when there is one, else No.
  Answer(
      [&] {
        answer = dialogs.Show(MsgKind::Error, "e", {MsgButton::Yes, MsgButton::Cancel});
      },
      {});
  EXPECT_EQ(answer, MsgButton::Cancel);
  Answer(
      [&] {
        answer = dialogs.Show(MsgKind::Information, "i", {MsgButton::Yes, MsgButton::No});
      },
      {});
  EXPECT_EQ(answer, MsgButton::No);

  // The plain box and custom captions.
  MessageRequest request;
  request.Kind = MsgKind::Plain;
  request.Title = "Verid";
  request.Text = "hint";
  request.Buttons = {MsgButton::Ok, MsgButton::Cancel};
  request.ButtonCaptions = {"", "ｷｬﾝｾﾙ"};
  seen = Answer([&] { answer = dialogs.Message(request); }, "ｷｬﾝｾﾙ");
  EXPECT_EQ(answer, MsgButton::Cancel);
  EXPECT_EQ(seen.title, "Verid");
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
  EXPECT_EQ(seen.buttons, QStringList({"OK", "ｷｬﾝｾﾙ"}));
}

// Every box belongs to the program's topmost window on screen: the top of the modal chain,
// also right after another dialog of that chain closed, when nothing is active yet. And a
// box that closes never ends the program.
TEST(QtMessageBox, BelongsToTheTopOfTheModalChain) {
  EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
  QtDialogs dialogs;
  QWidget main;
  main.show();
  QDialog view(&main);
  QWidget* ownerOfBox = nullptr;
  QTimer::singleShot(0, [&] {
    {
      QDialog chooser(&view);  // a dialog over the view that has just closed
      QTimer::singleShot(0, &chooser, &QDialog::accept);
      chooser.exec();
    }
    main.hide();  // the main window waits hidden under the view
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      ownerOfBox = box->parentWidget();
      box->accept();
    });
    dialogs.Information("ｺﾋﾟｰしました");
    view.accept();
  });
  view.exec();
  EXPECT_EQ(ownerOfBox, &view);
  EXPECT_EQ(TopProgramWindow(), nullptr);  // nothing is shown any more
}

TEST(QtFileDialog, FiltersInQtForm) {
  EXPECT_EQ(QtNameFilters("Veridｶﾀﾛｸﾞ形式(*.doz)|*.doz"),
            QStringList({"Veridｶﾀﾛｸﾞ形式(*.doz) (*.doz)"}));
  EXPECT_EQ(QtNameFilters("JPEG|*.jpg;*.jpeg|BMP|*.bmp"),
            QStringList({"JPEG (*.jpg *.jpeg)", "BMP (*.bmp)"}));
  EXPECT_TRUE(QtNameFilters("").isEmpty());
  std::string path = "/tmp/写真/a.jpg";
  EXPECT_EQ(PathFromQt(PathToQt(path)), path);
}

// Qt's file dialog in Japanese, its filter rows reading exactly as the program writes
// them, and the chosen row coming back.
TEST(QtFileDialog, JapaneseTextsAndFiltersAsWritten) {
  TempDir dir;
  dir.Write("a.doz", "");
  QtDialogs dialogs;
  FileDialogRequest request;
  request.InitialDir = dir.Path();
  request.Filter = "Veridｶﾀﾛｸﾞ形式(*.doz)|*.doz";
  QStringList rows;
  QString typeLabel, cancel;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(combo, nullptr);
    for (int i = 0; i < combo->count(); ++i) rows << combo->itemText(i);
    typeLabel = dialog->findChild<QLabel*>("fileTypeLabel")->text();
    auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
    cancel = buttons->button(QDialogButtonBox::Cancel)->text();
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText("a.doz");
    static_cast<QDialog*>(dialog)->accept();  // as the Open / Save button does
  });
  auto chosen = dialogs.OpenFile(request);
  EXPECT_EQ(rows, QStringList({"Veridｶﾀﾛｸﾞ形式(*.doz)"}));
  EXPECT_EQ(typeLabel, "ファイルの種類:");
  EXPECT_EQ(cancel, "キャンセル");
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(chosen->FileName, dir / "a.doz");
  // The file list's type column too, where Qt's own catalog has no word for it.
  EXPECT_EQ(QFileIconProvider().type(QFileInfo(PathToQt(dir.Path()))), "フォルダー");

  request.Filter = "JPEG(*.jpg,*.jpeg)|*.jpg;*.jpeg|BMP(*.bmp)|*.bmp|PNG(*.png)|*.png";
  request.FilterIndex = 3;
  rows.clear();
  QString current;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
    for (int i = 0; i < combo->count(); ++i) rows << combo->itemText(i);
    current = combo->currentText();
    combo->setCurrentIndex(1);  // the user picks the BMP row
    emit combo->activated(1);
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText("b.bmp");
    static_cast<QDialog*>(dialog)->accept();  // as the Open / Save button does
  });
  chosen = dialogs.SaveFile(request);
  EXPECT_EQ(rows, QStringList({"JPEG(*.jpg,*.jpeg)", "BMP(*.bmp)", "PNG(*.png)"}));
  EXPECT_EQ(current, "PNG(*.png)");
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(chosen->FilterIndex, 2);
  EXPECT_EQ(chosen->FileName, dir / "b.bmp");

  // A name typed without an extension gets the chosen type's, not the default one.
  request.DefaultExt = "png";
  for (int row : {1, 2, 3}) {
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
      combo->setCurrentIndex(row - 1);  // as a pick in the type box does
      emit combo->activated(row - 1);
      emit combo->textActivated(combo->itemText(row - 1));
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText("a2rot");
      static_cast<QDialog*>(dialog)->accept();
    });
    chosen = dialogs.SaveFile(request);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->FileName, dir / ("a2rot." + std::string(row == 1   ? "jpg"
                                                              : row == 2 ? "bmp"
                                                                         : "png")));
  }
}

TEST(ScreenCursors, TwoCursorsOfOurOwn) {
  QCursor triming = ScreenCursor(kCursorTriming);
  QCursor hand = ScreenCursor(kCursorHand);
  EXPECT_STREQ(ScreenCursorName(1), "TRIMING");
  EXPECT_STREQ(ScreenCursorName(2), "HAND");
  EXPECT_EQ(triming.shape(), Qt::BitmapCursor);
  EXPECT_EQ(hand.shape(), Qt::BitmapCursor);
  EXPECT_FALSE(triming.pixmap().isNull());
  EXPECT_NE(triming.pixmap().toImage(), hand.pixmap().toImage());
  EXPECT_EQ(ScreenCursor(7).shape(), Qt::ArrowCursor);
}

TEST(RasterViews, WrapWithoutCopyingAndConvertTheRest) {
  TBitmap rgb(3, 2, TPixelFormat::pf24bit);
  uint8_t* p = rgb.ScanLine(1) + 3 * 2;  // bottom-right pixel
  p[0] = 10;                             // blue
  p[1] = 20;
  p[2] = 30;
  QImage view = RasterImage(rgb);
  EXPECT_EQ(view.constBits(), rgb.Bits());
  EXPECT_EQ(view.bytesPerLine(), rgb.Stride());
  EXPECT_EQ(view.pixelColor(2, 1), QColor(30, 20, 10));

  TBitmap argb(2, 2, TPixelFormat::pf32bit);
  argb.ScanLine(0)[2] = 255;  // red top-left
  MakeOpaque(argb);
  QImage view32 = RasterImage(argb);
  EXPECT_EQ(view32.constBits(), argb.Bits());
  EXPECT_EQ(view32.pixelColor(0, 0), QColor(255, 0, 0));

  TBitmap indexed(2, 1, TPixelFormat::pf8bit);
  indexed.SetPalette(TBitmap::GreyPalette(256));
  indexed.ScanLine(0)[1] = 128;
  QImage copy = RasterImage(indexed);
  EXPECT_NE(copy.constBits(), indexed.Bits());
  EXPECT_EQ(copy.pixelColor(1, 0), QColor(128, 128, 128));
  EXPECT_EQ(copy.pixelColor(0, 0), QColor(0, 0, 0));
}

TEST(QtScreen, WaitsInTheEventLoopAndHandlesEvents) {
  QtScreenProvider screen;
  std::unique_ptr<Platform> platform = CreateSystemPlatform(&screen);
  EXPECT_FALSE(platform->ScreenRect().IsEmpty());
  EXPECT_FALSE(platform->WorkArea().IsEmpty());
  // A click arriving during the wait is handled inside it.
  bool clicked = false;
  QTimer::singleShot(5, [&clicked] { clicked = true; });
  Delay(*platform, 40);
  EXPECT_TRUE(clicked);
  // With nothing to do, the wait still ends.
  platform->WaitForEvents(10);
  bool posted = false;
  QTimer::singleShot(0, [&posted] { posted = true; });
  platform->ProcessPendingEvents();
  EXPECT_TRUE(posted);
}

}  // namespace
}  // namespace verid::test

int main(int argc, char** argv) {
  return verid::test::GuiTestMain(argc, argv);
}
