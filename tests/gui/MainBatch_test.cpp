// The main window's commands over the whole list and its conversion items.
#include <QAction>
#include <QLabel>
#include <QTimer>

#include "app/FileOps.h"
#include "dialogs/Convert.h"
#include "dialogs/ConvertFrm.h"
#include "support/GuiTest.h"
#include "ui/FileListBox.h"

namespace verid::test {
namespace {

namespace fs = std::filesystem;

class MainBatch : public MainWithFoldersTest {
 protected:
  void MoreSettings(AppSettings& s) override { s.DeleteMethod = 2; }
};

TEST_F(MainBatch, CopyAllMoveAllAndDeleteAll) {
  TMainForm& f = Make(folder);
  f.List().SetItemIndex(2);
  f.FileListBoxClick();

  dialogs.AnswerMessage(MsgButton::Ok);
  Act("mnAllCopy1")->trigger();
  EXPECT_EQ(dialogs.MessageTexts().front(), CopyAllQuestion(3, copyTarget));
  EXPECT_EQ(dialogs.LastMessage().Text, kCopyAllDoneMessage);
  EXPECT_TRUE(fs::exists(copyTarget + "/c.bmp"));
  EXPECT_EQ(f.FileListBox()->CurrentRow(), 2);

  // b.bmp is in the way and stays; the list keeps only it, selected and previewed.
  WriteBmp(moveTarget + "/b.bmp", 2, 2);
  dialogs.AnswerMessage(MsgButton::Ok);
  dialogs.AnswerMessage(MsgButton::No);
  Act("mnAllGoto2")->trigger();
  ASSERT_EQ(f.List().Count(), 1);
  EXPECT_EQ(f.FileListBox()->model()->rowCount(), 1);
  EXPECT_EQ(f.itemCountLbl()->text(), "1/1");

  dialogs.AnswerMessage(MsgButton::Ok);
  Act("mnAlldel")->trigger();
  EXPECT_EQ(dialogs.MessageTexts().back(), DeleteAllQuestion(1));
  EXPECT_EQ(f.List().Count(), 0);
  EXPECT_EQ(f.FileListBox()->model()->rowCount(), 0);
  EXPECT_FALSE(Act("mnAlldel")->isEnabled());
  EXPECT_TRUE(dialogs.AllAnswersUsed());
}

TEST_F(MainBatch, AnotherFolderCancelledDoesNothing) {
  Make(folder);
  dialogs.AnswerDirectory(std::nullopt);
  Act("mnAllCopyAnother")->trigger();
  dialogs.AnswerDirectory(std::nullopt);
  Act("mnAllGotoSP")->trigger();
  EXPECT_TRUE(dialogs.MessageTexts().empty());
  EXPECT_EQ(form->List().Count(), 3);
}

TEST_F(MainBatch, BatchConversionOpensOnTheListsFolder) {
  Make(folder);
  std::vector<std::string> sources;
  QTimer::singleShot(0, [&] {
    auto* w = qobject_cast<TConvertForm*>(QApplication::activeModalWidget());
    ASSERT_NE(w, nullptr);
    sources = w->Sources();
    w->close();
  });
  Act("mnAllBtoP")->trigger();
  EXPECT_EQ(form->Settings().ConvertKind, 1);
  EXPECT_EQ(sources, (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp"}));
}

TEST_F(MainBatch, SingleConversionFromTheMenu) {
  TMainForm& f = Make(folder + "/b.bmp");
  f.mnConvertPopup();
  EXPECT_TRUE(Act("mnConvertBtoP")->isEnabled());
  EXPECT_FALSE(Act("mnConvertJtoP")->isEnabled());
  Act("mnConvertBtoP")->trigger();
  EXPECT_EQ(dialogs.LastMessage().Text, ConvertDoneMessage(folder + "/"));
  EXPECT_TRUE(fs::exists(folder + "/b.png"));
  EXPECT_EQ(f.List().Count(), 3);  // not read again
}

}  // namespace
}  // namespace verid::test

int main(int argc, char** argv) {
  return verid::test::GuiTestMain(argc, argv);
}
