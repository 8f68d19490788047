#include "dialogs/CpyMveFrm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <filesystem>

#include "support/FakePlatform.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WorkingFolder.h"
#include "ui/Application.h"
#include "ui/Panels.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::FakePlatform;
using test::ScriptedDialogs;
using test::TempDir;

class CpyMveFormTest : public test::WorkingFolderTest {
 protected:
  void SetUp() override {
    dir_.Write("src/a.jpg", "a");
    list_.SetFolder(dir_ / "src");
    list_.SetItemIndex(0);
    settings_.CopyFolders[0] = dir_.MakeDir("c1");
    settings_.CopyFolders[4] = dir_.MakeDir("c5");
    settings_.CopyFolders[5] = dir_ / "gone";
    settings_.CopyFolders[6] = dir_ / "<b>x";
    settings_.MoveFolders[2] = dir_.MakeDir("m3");
  }
  FileOpEnv Env() { return FileOpEnv{list_, settings_, dialogs_, platform_}; }
  std::vector<int> Enabled(const TCpyMveForm& form) {
    std::vector<int> on;
    for (int k = 0; k < kSlotCount; ++k)
      if (form.CopyBtns[k]->isEnabled()) on.push_back(k + 1);
    return on;
  }
  TempDir dir_;
  FileList list_;
  AppSettings settings_;
  ScriptedDialogs dialogs_;
  FakePlatform platform_;
};

TEST_F(CpyMveFormTest, CopyModeLayoutAndButtons) {
  settings_.CopyMoveMode = 1;
  TCpyMveForm form(Env(), RemovalStep{});
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("既存のﾌｫﾙﾀﾞにｺﾋﾟｰ"));
  EXPECT_EQ(form.size(), QSize(321, 218));
  for (int k = 0; k < kSlotCount; ++k) {
    EXPECT_EQ(form.Panels[k]->geometry(), QRect(16, 16 + 24 * k, 257, 20));
    EXPECT_EQ(form.CopyBtns[k]->geometry(), QRect(275, 16 + 24 * k, 30, 20));
    EXPECT_EQ(form.CopyBtns[k]->text(), QString::fromUtf8("ｺﾋﾟｰ"));
    EXPECT_EQ(form.CpyLabels[k]->objectName(), "CpyLabel" + QString::number(k + 1));
  }
  EXPECT_EQ(form.CpyLabels[1]->text(), QString::fromUtf8("未指定"));
  EXPECT_EQ(form.CpyLabels[5]->text(), QString::fromStdString(dir_ / "gone"));
  EXPECT_EQ(Enabled(form), (std::vector<int>{1, 5}));
  // Folder names are shown as typed, never read as markup.
  for (QLabel* label : form.findChildren<QLabel*>())
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
  EXPECT_EQ(form.CpyLabels[6]->text(), QString::fromStdString(dir_ / "<b>x"));

  form.show();
  form.CopyBtns[4]->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_TRUE(fs::exists(dir_ / "c5/a.jpg"));
  EXPECT_EQ(dialogs_.MessageTexts(), (std::vector<std::string>{"ｺﾋﾟｰしました"}));
}

TEST_F(CpyMveFormTest, MoveModeMovesAndTheListFollows) {
  settings_.CopyMoveMode = 2;
  int previews = 0;
  RemovalStep step;
  step.FollowUp = [&] { ++previews; };
  TCpyMveForm form(Env(), step);
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("既存のﾌｫﾙﾀﾞに移動"));
  EXPECT_EQ(form.CopyBtns[0]->text(), QString::fromUtf8("移動"));
  EXPECT_EQ(Enabled(form), (std::vector<int>{3}));
  form.CopyBtns[2]->click();
  EXPECT_TRUE(fs::exists(dir_ / "m3/a.jpg"));
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_EQ(previews, 1);
  EXPECT_EQ(dialogs_.MessageTexts(), (std::vector<std::string>{"移動しました"}));
}

TEST_F(CpyMveFormTest, EveryButtonIsOffWithoutACurrentFile) {
  list_.SetItemIndex(-1);
  TCpyMveForm form(Env(), RemovalStep{});
  EXPECT_TRUE(Enabled(form).empty());
}

}  // namespace
}  // namespace verid

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  verid::SetupApplication(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
