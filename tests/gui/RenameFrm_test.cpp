#include "dialogs/RenameFrm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WorkingFolder.h"
#include "ui/Application.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::ScriptedDialogs;
using test::TempDir;

void PressKey(QWidget* widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

class RenameFormTest : public test::WorkingFolderTest {
 protected:
  void SetUp() override {
    dir_.Write("IMG_01.JPG", "123");
    dir_.Write("taken.jpg", "");
    list_.SetFolder(dir_.Path());
    list_.SetItemIndex(list_.IndexOf("IMG_01.JPG"));
  }
  TempDir dir_;
  FileList list_;
  ScriptedDialogs dialogs_;
};

TEST_F(RenameFormTest, LayoutAndProposedName) {
  TRenameForm form(list_, dialogs_);
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("ﾌｧｲﾙ名の変更"));
  EXPECT_EQ(form.size(), QSize(260, 142));
  EXPECT_EQ(form.Label1->text(), QString::fromUtf8("新しいﾌｧｲﾙ名を入力してください｡"));
  EXPECT_EQ(form.Label1->pos(), QPoint(48, 24));
  EXPECT_EQ(form.RenameEdit->geometry(), QRect(56, 56, 110, 20));
  EXPECT_EQ(form.ExtLabel->pos(), QPoint(167, 62));
  EXPECT_EQ(form.OKBtn->geometry(), QRect(40, 96, 75, 20));
  EXPECT_EQ(form.CancelBtn->geometry(), QRect(136, 96, 75, 20));
  EXPECT_EQ(form.CancelBtn->text(), QString::fromUtf8("ｷｬﾝｾﾙ"));
  EXPECT_TRUE(form.OKBtn->isDefault());
  EXPECT_EQ(form.RenameEdit->text(), "IMG_01");
  EXPECT_EQ(form.ExtLabel->text(), ".jpg");
  for (QLabel* label : {form.Label1, form.ExtLabel})
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->objectName().toStdString();
}

TEST_F(RenameFormTest, EnterRenamesAndReportsTheStatusTexts) {
  std::string path, size;
  TRenameForm form(list_, dialogs_, [&](const std::string& p, const std::string& s) {
    path = p;
    size = s;
  });
  form.show();
  form.RenameEdit->setFocus();
  form.RenameEdit->setText("holiday");
  PressKey(form.RenameEdit, Qt::Key_Return);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(list_.Entry(list_.ItemIndex()), "holiday.jpg");
  EXPECT_EQ(path, dir_ / "holiday.jpg");
  EXPECT_EQ(size, "3 ﾊﾞｲﾄ");
  EXPECT_TRUE(dialogs_.Calls().empty());
}

TEST_F(RenameFormTest, RefusedNamesKeepTheDialogOpenAndCancelChangesNothing) {
  TRenameForm form(list_, dialogs_);
  form.show();
  form.RenameEdit->setText("");
  form.OKBtnClick();
  form.RenameEdit->setText("taken");
  form.OKBtnClick();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(dialogs_.MessageTexts(),
            (std::vector<std::string>{kRenameEmptyMessage, kRenameFailedMessage}));

  // Focus moves and Esc rename nothing.
  form.CancelBtn->setFocus();
  form.RenameEdit->setFocus();
  PressKey(form.RenameEdit, Qt::Key_Escape);
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_TRUE(fs::exists(dir_ / "IMG_01.JPG"));
  EXPECT_EQ(list_.Entry(list_.ItemIndex()), "IMG_01.JPG");
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
