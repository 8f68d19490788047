// The batch conversion window: its three states, a run, a run that stops, and the grab.
#include "dialogs/ConvertFrm.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <cstdlib>

#include "support/GuiTest.h"

namespace verid::test {
namespace {

namespace fs = std::filesystem;

class ConvertWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    src = dir.MakeDir("src");
    out = dir.MakeDir("out");
    settings.ConvertKind = 1;  // BMP->PNG
  }
  std::unique_ptr<TConvertForm> Make() {
    return std::make_unique<TConvertForm>(settings, dialogs, src);
  }
  static std::vector<std::string> Rows(QListWidget* list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->text().toStdString());
    return rows;
  }

  TempDir dir;
  std::string src, out;
  AppSettings settings;
  ScriptedDialogs dialogs;
};

TEST_F(ConvertWindow, NoFilesOnlyCloses) {
  WriteBmp(src + "/.hidden.bmp", 2, 2);
  WriteBmp(src + "/x.png", 2, 2);
  auto f = Make();
  EXPECT_EQ(f->windowTitle().toStdString(), kConvertFormCaption);
  EXPECT_EQ(f->Label1->text().toStdString(), kConvertNothing);
  EXPECT_EQ(f->FileListBox1->count(), 0);
  EXPECT_FALSE(f->FolderBtn->isEnabled());
  EXPECT_FALSE(f->StartBtn->isEnabled());
  EXPECT_TRUE(f->CancelBtn->isEnabled());
}

TEST_F(ConvertWindow, DestinationThenRun) {
  WriteBmp(src + "/y.bmp", 3, 2);
  WriteBmp(src + "/X.bmp", 4, 2);
  settings.ConvertDestination = "/from/last/time/";
  auto f = Make();
  EXPECT_EQ(Rows(f->FileListBox1), (std::vector<std::string>{"X.bmp", "y.bmp"}));
  EXPECT_EQ(f->Label1->text().toStdString(), kConvertPrompt);
  EXPECT_TRUE(f->FolderBtn->isEnabled());
  EXPECT_FALSE(f->StartBtn->isEnabled());
  EXPECT_TRUE(f->StartBtn->isDefault());

  // A cancelled folder dialog changes nothing.
  dialogs.AnswerDirectory(std::nullopt);
  f->FolderBtn->click();
  EXPECT_FALSE(f->StartBtn->isEnabled());

  dialogs.AnswerDirectory(out);
  f->FolderBtn->click();
  EXPECT_EQ(f->Label1->text().toStdString(), "作成先:" + out + "/");
  EXPECT_TRUE(f->StartBtn->isEnabled());
  EXPECT_EQ(settings.OtherFolder, out);

  std::vector<bool> cancelDuringRun;
  QObject::connect(f.get(), &TConvertForm::Converted,
                   [&](int) { cancelDuringRun.push_back(f->CancelBtn->isEnabled()); });
  f->StartBtn->click();
  EXPECT_EQ(cancelDuringRun, (std::vector<bool>{false, false}));
  EXPECT_EQ(Rows(f->ListBox1), (std::vector<std::string>{"X.png", "y.png"}));
  EXPECT_EQ(f->FileListBox1->currentRow(), 1);
  EXPECT_EQ(dialogs.LastMessage().Text, ConvertDoneMessage(out + "/"));
  EXPECT_TRUE(f->CancelBtn->isEnabled());
  EXPECT_TRUE(f->StartBtn->isEnabled());
  EXPECT_TRUE(fs::exists(out + "/X.png"));

  // Again: the same files once more, listed again.
  f->StartBtn->click();
  EXPECT_EQ(f->ListBox1->count(), 4);
  EXPECT_EQ(f->Phase(), ConvertPhase::Idle);
}

TEST_F(ConvertWindow, RunStopsAtAFailingFile) {
  WriteBmp(src + "/a.bmp", 3, 2);
  dir.Write("src/b.bmp", "broken");
  WriteBmp(src + "/c.bmp", 3, 2);
  auto f = Make();
  dialogs.AnswerDirectory(out);
  f->FolderBtnClick();
  f->StartBtnClick();
  EXPECT_EQ(Rows(f->ListBox1), std::vector<std::string>{"a.png"});
  EXPECT_EQ(f->FileListBox1->currentRow(), 1);
  EXPECT_EQ(dialogs.LastMessage().Title, kTitlePlain);  // the default error box
  EXPECT_EQ(dialogs.LastMessage().Text, kInvalidBitmapMessage);
  EXPECT_EQ(f->Phase(), ConvertPhase::Stopped);
  EXPECT_FALSE(f->CancelBtn->isEnabled());
  EXPECT_FALSE(fs::exists(out + "/c.png"));
}

TEST_F(ConvertWindow, ScreenshotMidRun) {
  const char* shots = std::getenv("VERID_SCREENSHOT_DIR");
  if (!shots) GTEST_SKIP() << "set VERID_SCREENSHOT_DIR to write the grab";
  for (int i = 0; i < 24; ++i) WriteBmp(src + "/写真_" + std::to_string(100 + i) + ".bmp", 64, 48);
  auto f = Make();
  f->show();
  dialogs.AnswerDirectory(out);
  f->FolderBtnClick();
  QObject::connect(f.get(), &TConvertForm::Converted, [&](int index) {
    if (index == 9) f->grab().save(QString("%1/convert_midrun.png").arg(shots), "PNG");
  });
  f->StartBtnClick();
  f->grab().save(QString("%1/convert_done.png").arg(shots), "PNG");
}

}  // namespace
}  // namespace verid::test

int main(int argc, char** argv) {
  return verid::test::GuiTestMain(argc, argv);
}
