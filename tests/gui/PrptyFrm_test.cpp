// The properties dialog under offscreen Qt: pages and captions, filling, the key filters,
// steps and clamps, the ZLIB標準 toggle, the "…" and colour buttons, and OK in its order
// through the main window, which writes the settings file at once.
#include "dialogs/PrptyFrm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

#include "gui/support/GuiTest.h"
#include "ui/PageControl.h"
#include "ui/Panels.h"
#include "ui/UpDown.h"

namespace verid::test {
namespace {

namespace fs = std::filesystem;

void Type(QWidget* edit, const QString& keys) {
  for (QChar c : keys) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(edit, &press);
  }
}

class PrptyFormTest : public ::testing::Test {
 protected:
  std::unique_ptr<TPrptyForm> Make(PrptyHost host = {}) {
    return std::make_unique<TPrptyForm>(settings, dialogs, std::move(host));
  }
  TempDir dir;
  AppSettings settings;
  ScriptedDialogs dialogs;
};

TEST_F(PrptyFormTest, PagesControlsAndCaptions) {
  auto form = Make();
  EXPECT_EQ(form->windowTitle(), "ﾌﾟﾛﾊﾟﾃｨ");
  const char* pages[] = {"指定検索", "ｺﾋﾟｰする", "移動",   "IEｷｬｯｼｭ検索",   "削除",
                         "ｽﾗｲﾄﾞｼｮｰ", "ｶﾀﾛｸﾞ",    "背景色", "画像形式ｺﾝﾊﾞｰﾀ"};
  ASSERT_EQ(form->PrpertyPage->count(), 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(form->PrpertyPage->tabText(i), pages[i]);
  EXPECT_EQ(form->PrpertyPage->currentIndex(), 0);
  EXPECT_GE(form->PrpertyPage->RowCount(), 2) << "the tabs wrap onto rows";
  EXPECT_TRUE(form->PrptyOKBtn->isDefault());
  EXPECT_EQ(form->Button1->toolTip(), "ﾎﾞﾀﾝを押すごとに表示が変化");
  EXPECT_EQ(form->IERadioGroup.Box->title(), "検索するｲﾝﾀｰﾈｯﾄｴｸｽﾌﾟﾛｰﾗのﾊﾞｰｼﾞｮﾝ");
  EXPECT_EQ(form->CatarogGroup.Items[1]->text(), " 80× 80 ﾋﾟｸｾﾙ (ﾃﾞﾌｫﾙﾄ)");
  EXPECT_EQ(form->Caption_CheckBox->text(), "ﾌｧｲﾙ名及び順番を表示しない (ﾌﾙｽｸﾘｰﾝ時)");
  EXPECT_EQ(form->CheckBox1->text(), "ZLIB標準");
  EXPECT_EQ(form->CompTrackBar->maximum(), 100);
  EXPECT_EQ(form->CompTrackBar->tickInterval(), 10);
  EXPECT_EQ(form->CompTrackBar->singleStep(), 5);
  EXPECT_EQ(form->CompTrackBar->pageStep(), 1);
  // Every control lies inside its page.
  for (int i = 0; i < 9; ++i) {
    QWidget* page = form->PrpertyPage->widget(i);
    for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      EXPECT_TRUE(page->rect().contains(w->geometry()))
          << i << " " << w->objectName().toStdString() << " " << w->geometry().x() << ","
          << w->geometry().y() << " " << w->width() << "x" << w->height();
  }
  // A click on a tab of the other row brings it next to the page.
  QRect tab = form->PrpertyPage->TabRect(8);
  Click(form->PrpertyPage, tab.center());
  EXPECT_EQ(form->PrpertyPage->currentIndex(), 8);
  EXPECT_EQ(form->PrpertyPage->TabRect(8).bottom(), form->PrpertyPage->PageRect().top() - 1);
}

TEST_F(PrptyFormTest, FillingShowsTheSettings) {
  settings.SearchFolders[1] = dir.Path();
  settings.CopyFolders[0] = "/pics/";
  settings.SearchSizeK = 120;
  settings.SearchRange = "以下";
  settings.CacheVersion = 5;
  settings.CacheKinds = 2;
  settings.SlideIntervalMs = 2000;
  settings.SlideShowCaption = false;
  settings.DeleteMethod = 2;
  settings.CatalogThumbSize = 120;
  settings.PreviewColor = RGBColor(10, 20, 30);
  settings.JpegQuality = 65;
  settings.PngCompressLevel = 4;
  settings.ConvertTarget = 1;
  auto f = Make();
  EXPECT_EQ(f->SelectFindEdit[0]->text(), "未指定");
  EXPECT_EQ(f->SelectFindEdit[1]->text().toStdString(), dir.Path());
  EXPECT_EQ(f->CopyEdit[0]->text(), "/pics/");
  EXPECT_EQ(f->FSizeEdit->text(), "120");
  EXPECT_EQ(f->Button1->text(), "以下");
  EXPECT_EQ(f->IERadioGroup.ItemIndex(), 1);
  EXPECT_EQ(f->SlideEdit->text(), "2");
  EXPECT_EQ(f->CatarogGroup.ItemIndex(), 3);
  EXPECT_EQ(f->Cl_Preview->Color(), QColor(10, 20, 30));
  EXPECT_EQ(f->CompTrackBar->value(), 65);
  EXPECT_EQ(f->JpgQualityLabel->text(), "65");
  EXPECT_FALSE(f->CheckBox1->isChecked());
  EXPECT_EQ(f->PngTrackBar->value(), 4);
  EXPECT_TRUE(f->CreditsLabel->isHidden());
  EXPECT_FALSE(f->PngTrackBar->isHidden());

  settings.CacheVersion = 0;
  settings.PngCompressLevel = -1;
  settings.CatalogThumbSize = 99;
  settings.JpegQuality = 0;
  f = Make();
  EXPECT_EQ(f->CatarogGroup.ItemIndex(), 1) << "an unknown size leaves 80";
  EXPECT_EQ(f->CompTrackBar->value(), 1);
  EXPECT_EQ(f->IERadioGroup.ItemIndex(), -1) << "no generation chosen";
  EXPECT_TRUE(f->CheckBox1->isChecked());
  EXPECT_FALSE(f->CreditsLabel->isHidden());
  for (QWidget* w :
       {static_cast<QWidget*>(f->PngTrackBar), static_cast<QWidget*>(f->PngLowLabel),
        static_cast<QWidget*>(f->PngHighLabel), static_cast<QWidget*>(f->PngNoneLabel)})
    EXPECT_TRUE(w->isHidden());
}

TEST_F(PrptyFormTest, KeyFiltersStepsAndClamps) {
  auto f = Make();
  f->FSizeEdit->clear();
  Type(f->FSizeEdit, "9x9.7-");
  EXPECT_EQ(f->FSizeEdit->text(), "997");
  f->FSizeUpDown->Step(true);
  EXPECT_EQ(f->FSizeEdit->text(), "999") << "1002 is clamped";
  f->FSizeEdit2->setText("3");
  SendKey(f->FSizeEdit2, Qt::Key_Down);
  EXPECT_EQ(f->FSizeEdit2->text(), "0");
  SendKey(f->FSizeEdit2, Qt::Key_Up);
  EXPECT_EQ(f->FSizeEdit2->text(), "5");

  f->SlideEdit->clear();
  Type(f->SlideEdit, "1a2.345");
  EXPECT_EQ(f->SlideEdit->text(), "12.3") << "four characters at most, no letters";
  f->SlideEdit->setText("999");
  f->SlideUpDown->Step(true);
  EXPECT_EQ(f->SlideEdit->text(), "999");
  SendKey(f->SlideEdit, Qt::Key_Down);
  EXPECT_EQ(f->SlideEdit->text(), "998.9");

  // A step over an empty field is a conversion error in the default box.
  f->FSizeEdit->clear();
  f->FSizeUpDown->Step(true);
  EXPECT_EQ(dialogs.LastMessage().Title, "Verid");
  EXPECT_EQ(f->FSizeEdit->text(), "");

  f->Button1Click();
  EXPECT_EQ(f->Button1->text(), "以下");
  f->Button1->click();
  EXPECT_EQ(f->Button1->text(), "以上");
  f->CompTrackBar->setValue(0);
  EXPECT_EQ(f->CompTrackBar->value(), 1);
  EXPECT_EQ(f->JpgQualityLabel->text(), "1");
}

TEST_F(PrptyFormTest, ZlibToggleShowsEitherTheBarOrTheCredits) {
  auto f = Make();  // the default level is the standard one
  ASSERT_TRUE(f->CheckBox1->isChecked());
  f->PngTrackBar->setValue(2);
  f->CheckBox1->click();
  EXPECT_FALSE(f->CheckBox1->isChecked());
  EXPECT_EQ(f->PngTrackBar->value(), 6);
  EXPECT_FALSE(f->PngTrackBar->isHidden());
  EXPECT_FALSE(f->PngNoneLabel->isHidden());
  EXPECT_TRUE(f->CreditsLabel->isHidden());
  EXPECT_EQ(f->State().PngTrackBar, 6);
  EXPECT_FALSE(f->State().ZlibStandard);
  f->CheckBox1->click();
  EXPECT_FALSE(f->CreditsLabel->isHidden());
  EXPECT_TRUE(f->PngTrackBar->isHidden());
  EXPECT_TRUE(f->State().ZlibStandard);
}

TEST_F(PrptyFormTest, BrowseAndColourButtons) {
  std::string pics = dir.MakeDir("pics");
  auto f = Make();
  f->SelectFindEdit[2]->setText(QString::fromStdString(pics));
  dialogs.AnswerDirectory(pics);
  f->browsButton[2]->click();
  EXPECT_EQ(dialogs.Calls().back().Directory.InitialDir, pics);
  EXPECT_EQ(f->SelectFindEdit[2]->text().toStdString(), pics) << "as returned, no separator";
  dialogs.AnswerDirectory(pics);
  f->browsBtn1[4]->click();
  EXPECT_EQ(f->CopyEdit[4]->text().toStdString(), pics + "/");
  dialogs.AnswerDirectory(dir / "new");
  dialogs.AnswerMessage(MsgButton::Yes);
  f->browsBtn2[7]->click();
  EXPECT_EQ(f->MoveEdit[7]->text().toStdString(), dir / "new/");
  EXPECT_TRUE(fs::is_directory(dir / "new"));
  dialogs.AnswerDirectory(dir / "other");
  dialogs.AnswerMessage(MsgButton::No);
  f->browsBtn2[0]->click();
  EXPECT_EQ(f->MoveEdit[0]->text(), "未指定");
  EXPECT_FALSE(fs::exists(dir / "other"));
  // A search folder is never created.
  dialogs.AnswerDirectory(dir / "third");
  f->browsButton[0]->click();
  EXPECT_EQ(f->SelectFindEdit[0]->text(), "未指定");

  dialogs.AnswerColor(RGBColor(1, 2, 3));
  f->ColorBtn[1]->click();
  EXPECT_EQ(f->Cl_Ful->Color(), QColor(1, 2, 3));
  dialogs.AnswerColor(std::nullopt);
  f->ColorBtn[0]->click();
  EXPECT_EQ(f->Cl_Preview->Color(), QColor(255, 255, 255));
  EXPECT_EQ(f->State().FullColor, RGBColor(1, 2, 3));
  EXPECT_TRUE(dialogs.AllAnswersUsed());
}

TEST_F(PrptyFormTest, CancelChangesNothing) {
  AppSettings before = settings;
  auto f = Make();
  f->FSizeEdit->setText("50");
  f->DlgCheBox3->setChecked(true);
  f->PrptyCelBtn->click();
  EXPECT_EQ(f->result(), QDialog::Rejected);
  EXPECT_EQ(settings.SearchSizeK, before.SearchSizeK);
  EXPECT_EQ(settings.DeleteNoConfirm, before.DeleteNoConfirm);
}

// --- through the main window -----------------------------------------------------------------

class PrptyFromMain : public MainWindowTest {
 protected:
  // Opens the dialog from the main window, lets `edit` change it, and presses OK.
  void RunDialog(const std::function<void(TPrptyForm&)>& edit) {
    QTimer::singleShot(0, [edit] {
      auto* f = qobject_cast<TPrptyForm*>(QApplication::activeModalWidget());
      ASSERT_NE(f, nullptr);
      edit(*f);
      if (f->isVisible()) f->PrptyOKBtn->click();
      if (f->isVisible()) f->PrptyCelBtn->click();
    });
    form->mnPrptyClick();
  }
};

TEST_F(PrptyFromMain, OkAppliesCaptionsAndWritesTheSettingsAtOnce) {
  AppSettings s;
  s.FirstRunHint = false;
  WriteSettings(s);
  std::string pics = dir.MakeDir("pics");
  std::string copies = dir.MakeDir("copies");
  TMainForm& f = Make();
  f.show();
  EXPECT_FALSE(f.FindBtn(3)->isEnabled());
  RunDialog([&](TPrptyForm& d) {
    d.SelectFindEdit[2]->setText(QString::fromStdString(pics));
    d.SelectFindEdit[3]->setText(QString::fromStdString(dir / "missing"));
    d.CopyEdit[0]->setText(QString::fromStdString(copies));
    d.MoveEdit[5]->setText(QString::fromStdString(copies + "/"));
    d.FSizeEdit->setText("70000");
    d.SlideEdit->setText("0.3");
    d.IERadioGroup.SetItemIndex(1);
    d.CheckBox1->click();  // unchecked: level 6
    d.DelRadioGroup.SetItemIndex(1);
    d.CatarogGroup.SetItemIndex(0);
  });
  EXPECT_EQ(f.SlotLabel(3)->text().toStdString(), pics);
  EXPECT_TRUE(f.FindBtn(3)->isEnabled());
  EXPECT_EQ(Act("mnFind3")->text().toStdString(), pics);
  EXPECT_TRUE(Act("mnFind3")->isEnabled());
  EXPECT_EQ(f.SlotLabel(4)->text(), "未指定");
  EXPECT_FALSE(f.FindBtn(4)->isEnabled());
  for (const char* name : {"mnCpys1", "mnAllCopy1", "pmCopys1"}) {
    EXPECT_EQ(Act(name)->text().toStdString(), copies) << name;
    EXPECT_TRUE(Act(name)->isEnabled()) << name;
  }
  for (const char* name : {"mnGoTos6", "mnAllGoto6", "pmGoTos6"})
    EXPECT_EQ(Act(name)->text().toStdString(), copies + "/") << name;

  AppSettings written;
  written.Load(iniPath);
  EXPECT_EQ(written.SearchFolders[2], pics);
  EXPECT_EQ(written.SearchFolders[3], "未指定");
  EXPECT_EQ(written.CopyFolders[0], copies);
  EXPECT_EQ(written.SearchSizeK, 4464);
  EXPECT_EQ(written.SlideIntervalMs, 300);
  EXPECT_EQ(written.CacheVersion, 5);
  EXPECT_EQ(written.PngCompressLevel, 6);
  EXPECT_EQ(written.DeleteMethod, 2);
  EXPECT_EQ(written.CatalogThumbSize, 65);
  EXPECT_EQ(f.Settings().SlideIntervalMs, 300);
}

TEST_F(PrptyFromMain, ABadIntervalKeepsTheDialogAndTheEarlierSteps) {
  std::string pics = dir.MakeDir("pics");
  TMainForm& f = Make();
  f.Settings().FirstRunHint = false;
  bool stayed = false;
  RunDialog([&](TPrptyForm& d) {
    d.SelectFindEdit[0]->setText(QString::fromStdString(pics));
    d.FSizeEdit->setText("12");
    d.SlideEdit->clear();
    d.DlgCheBox3->setChecked(true);
    d.PrptyOKBtn->click();
    stayed = d.isVisible();
  });
  EXPECT_TRUE(stayed);
  EXPECT_EQ(dialogs.LastMessage().Title, "Verid");
  EXPECT_EQ(f.SlotLabel(1)->text().toStdString(), pics) << "step 1 stays applied";
  EXPECT_EQ(f.Settings().SearchSizeK, 12);
  EXPECT_FALSE(f.Settings().DeleteNoConfirm) << "the steps after the failing one did not run";
  EXPECT_FALSE(fs::exists(iniPath)) << "nothing written";
}

TEST_F(PrptyFromMain, ScreenshotsOfEveryPage) {
  const char* out = std::getenv("VERID_SCREENSHOT_DIR");
  if (!out) GTEST_SKIP() << "set VERID_SCREENSHOT_DIR to write the grabs";
  AppSettings s;
  s.SearchFolders[0] = dir.Path();
  s.CopyFolders[1] = "/home/写真/";
  s.PngCompressLevel = 6;
  TPrptyForm f(s, dialogs, {});
  f.show();
  WaitUntil([&] { return f.isVisible(); });
  for (int i = 0; i < f.PrpertyPage->count(); ++i) {
    f.PrpertyPage->setCurrentIndex(i);
    QCoreApplication::processEvents();
    f.grab().save(QString("%1/prpty_%2.png").arg(out).arg(i), "PNG");
  }
  // The conversion page with the standard level: the credits instead of the bar.
  f.CheckBox1->click();
  QCoreApplication::processEvents();
  f.grab().save(QString("%1/prpty_8_zlib.png").arg(out), "PNG");
}

}  // namespace
}  // namespace verid::test

int main(int argc, char** argv) {
  return verid::test::GuiTestMain(argc, argv);
}
