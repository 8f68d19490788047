// The batch rename dialog under offscreen Qt: its layout, the start field's keys and
// up-down, and OK driving the renaming with its messages.
#include "dialogs/AlRenamFrm.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QToolButton>
#include <algorithm>

#include "gui/support/GuiTest.h"
#include "ui/UpDown.h"

namespace verid::test {
namespace {

namespace fs = std::filesystem;

class AlRenamFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    start_ = fs::current_path();
    dir.Write("a.jpg", "1");
    dir.Write("b.png", "22");
    dir.Write("c.jpg", "333");
    list.SetFolder(dir.Path());
    list.SetItemIndex(2);
  }
  void TearDown() override { fs::current_path(start_); }
  std::vector<std::string> OnDisk() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.Path()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  void Type(QLineEdit* edit, const QString& keys) {
    for (QChar c : keys) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QCoreApplication::sendEvent(edit, &press);
    }
  }
  fs::path start_;
  TempDir dir;
  FileList list;
  AppSettings settings;
  ScriptedDialogs dialogs;
};

TEST_F(AlRenamFormTest, LayoutAndStartValues) {
  TAlRenamForm form(list, settings, dialogs);
  EXPECT_EQ(form.windowTitle(), "ﾌｧｲﾙ名の一括変更");
  EXPECT_EQ(form.Label1->text(), "ﾌｧｲﾙ名は \"冠名 + 連番 . 拡張子\" になります");
  EXPECT_EQ(form.Label1->pos(), QPoint(25, 15));
  EXPECT_EQ(form.Bevel1->geometry(), QRect(22, 36, 240, 100));
  EXPECT_EQ(form.Label2->text(), "冠     名");
  EXPECT_EQ(form.Label3->text(), "連番の先頭");
  EXPECT_EQ(form.Label4->text(), "連番の桁数");
  EXPECT_EQ(form.NameEdit->geometry(), QRect(103, 46, 100, 20));
  EXPECT_EQ(form.NameEdit->text(), "");
  EXPECT_EQ(form.NumberEdit->geometry(), QRect(103, 75, 39, 20));
  EXPECT_EQ(form.NumberEdit->text(), "0");
  EXPECT_EQ(form.RadioGroup->pos(), QPoint(103, 95));
  EXPECT_EQ(form.RadioItems[0]->text(), "1桁　");
  EXPECT_EQ(form.RadioItems[1]->text(), "２桁　");
  EXPECT_EQ(form.RadioItems[2]->text(), "３桁");
  EXPECT_EQ(form.DigitsItem(), 1);
  EXPECT_EQ(form.OKBtn->pos(), QPoint(50, 150));
  EXPECT_EQ(form.CancelBtn->pos(), QPoint(154, 150));
  EXPECT_EQ(form.CancelBtn->text(), "ｷｬﾝｾﾙ");
  EXPECT_TRUE(form.OKBtn->isDefault());
  // The client area of the designed outer size on a common frame.
  EXPECT_EQ(form.size(), QSize(283, 191));
}

TEST_F(AlRenamFormTest, StartFieldTakesDigitsAndStepsWithinItsRange) {
  TAlRenamForm form(list, settings, dialogs);
  form.NumberEdit->clear();
  Type(form.NumberEdit, "1a2-.3");
  EXPECT_EQ(form.NumberEdit->text(), "123");
  SendKey(form.NumberEdit, Qt::Key_Backspace);
  EXPECT_EQ(form.NumberEdit->text(), "12");
  SendKey(form.NumberEdit, Qt::Key_Up);
  EXPECT_EQ(form.NumberEdit->text(), "13");
  form.UpDown1->DownButton()->click();
  EXPECT_EQ(form.NumberEdit->text(), "12");
  form.NumberEdit->setText("0");
  form.UpDown1->Step(false);
  EXPECT_EQ(form.NumberEdit->text(), "0") << "no wrap-around";
  form.NumberEdit->setText("999");
  form.UpDown1->Step(true);
  EXPECT_EQ(form.NumberEdit->text(), "999");
  // Typed beyond the up-down's range, the field keeps what was typed.
  Type(form.NumberEdit, "9");
  EXPECT_EQ(form.NumberEdit->text(), "9999");
}

TEST_F(AlRenamFormTest, OkRenamesReportsTheStatusAndCloses) {
  std::string path, size;
  TAlRenamForm form(list, settings, dialogs, [&](const std::string& p, const std::string& s) {
    path = p;
    size = s;
  });
  form.NameEdit->setText("img");
  form.NumberEdit->setText("1");
  form.RadioItems[1]->setChecked(true);
  form.OKBtn->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(OnDisk(), (std::vector<std::string>{"img01.jpg", "img02.png", "img03.jpg"}));
  EXPECT_EQ(list.ItemIndex(), 2);
  EXPECT_EQ(path, dir / "img03.jpg");
  EXPECT_EQ(size, "3 ﾊﾞｲﾄ");
  EXPECT_TRUE(dialogs.Calls().empty());
}

TEST_F(AlRenamFormTest, TooManyFilesOrAnEmptyStartKeepTheDialogOpen) {
  TAlRenamForm form(list, settings, dialogs);
  form.show();
  form.NumberEdit->setText("8");
  form.RadioItems[0]->setChecked(true);
  form.OKBtn->click();
  EXPECT_EQ(dialogs.LastMessage().Text, "ﾌｧｲﾙの数が入力した条件を越えています");
  EXPECT_TRUE(form.isVisible());
  form.NumberEdit->clear();
  form.OKBtn->click();
  EXPECT_EQ(dialogs.LastMessage().Title, "Verid") << "the conversion error's default box";
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(OnDisk(), (std::vector<std::string>{"a.jpg", "b.png", "c.jpg"}));
  form.CancelBtn->click();
  EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST_F(AlRenamFormTest, Screenshot) {
  const char* out = std::getenv("VERID_SCREENSHOT_DIR");
  if (!out) GTEST_SKIP() << "set VERID_SCREENSHOT_DIR to write the grabs";
  TAlRenamForm form(list, settings, dialogs);
  form.NameEdit->setText("旅行");
  form.NumberEdit->setText("1");
  form.show();
  WaitUntil([&] { return form.isVisible(); });
  QCoreApplication::processEvents();
  form.grab().save(QString("%1/alrenam.png").arg(out), "PNG");
  // Under a window manager the frame is known, and the outer size is the designed one.
  WaitUntil([&] { return form.frameGeometry().size() != form.size(); });
  if (form.frameGeometry().size() != form.size()) {
    WaitUntil([&] { return form.frameGeometry().size() == QSize(291, 218); });
    EXPECT_EQ(form.frameGeometry().size(), QSize(291, 218));
    if (QScreen* screen = form.screen())
      screen->grabWindow(0).save(QString("%1/alrenam_screen.png").arg(out), "PNG");
  }
}

}  // namespace
}  // namespace verid::test

int main(int argc, char** argv) {
  return verid::test::GuiTestMain(argc, argv);
}
