// The folder chooser and the version box.
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "app/CommandLine.h"
#include "app/Hanyou.h"
#include "dialogs/ExploreFrm.h"
#include "dialogs/VersionFrm.h"
#include "gui/support/GuiTest.h"
#include "ui/FileListBox.h"

namespace verid::test {
namespace {

class Chooser : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    AppSettings s;
    s.FirstRunHint = false;
    WriteSettings(s);
  }
};

TEST_F(Chooser, DocksLeftOfTheMainWindowAndFollowsIt) {
  TMainForm& f = Make();
  f.show();
  f.move(400, 120);
  f.mnOpenClick();
  TEXplorerForm* chooser = f.Explorer();
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(chooser->windowTitle(), "ﾌｫﾙﾀﾞの選択");
  EXPECT_TRUE(chooser->windowFlags() & Qt::Tool);
  EXPECT_TRUE(chooser->isVisible());
  QRect main = f.frameGeometry();
  EXPECT_EQ(chooser->frameGeometry().topLeft(), QPoint(main.x() - 173, main.y()));
  EXPECT_EQ(chooser->width(), 167);
  EXPECT_EQ(chooser->frameGeometry().height(), main.height());

  f.move(500, 200);
  QCoreApplication::processEvents();
  EXPECT_EQ(chooser->frameGeometry().topLeft(),
            QPoint(f.frameGeometry().x() - 173, f.frameGeometry().y()));
  // A change of the main window's size alone (the tool bar switch) leaves the chooser
  // where the user put it, and as tall as it was.
  chooser->move(20, 30);
  QRect placed = chooser->frameGeometry();
  f.mnToolBarClick();
  WaitUntil([&] { return f.frameGeometry().height() != main.height(); });
  QCoreApplication::processEvents();
  EXPECT_NE(f.frameGeometry().height(), main.height());
  EXPECT_EQ(chooser->frameGeometry(), placed);
  // The next move of the main window takes it along again.
  f.move(450, 150);
  QCoreApplication::processEvents();
  EXPECT_EQ(chooser->frameGeometry().topLeft(),
            QPoint(f.frameGeometry().x() - 173, f.frameGeometry().y()));
  EXPECT_EQ(chooser->frameGeometry().height(), placed.height());
}

TEST_F(Chooser, AtMostOneAndANewOneAfterClosing) {
  TMainForm& f = Make();
  f.show();
  f.mnOpenClick();
  QPointer<TEXplorerForm> first = f.Explorer();
  first->move(0, 0);  // the user drags it away
  QPoint dragged = first->frameGeometry().topLeft();
  f.mnOpenClick();
  EXPECT_EQ(f.Explorer(), first.data()) << "the open command only shows the existing one";
  EXPECT_EQ(f.findChildren<TEXplorerForm*>().size(), 1);
  EXPECT_EQ(first->frameGeometry().topLeft(), dragged) << "and does not move it back";
  // Hidden and shown again around a view window, it stays where it was too.
  f.HideWithChooser();
  f.ShowWithChooser();
  EXPECT_EQ(first->frameGeometry().topLeft(), dragged);
  first->hide();
  f.mnOpenClick();
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->frameGeometry().topLeft(), dragged);

  first->close();
  WaitUntil([&] { return first.isNull(); });
  EXPECT_TRUE(first.isNull()) << "closing destroys the chooser";
  EXPECT_EQ(f.Explorer(), nullptr);
  f.mnOpenClick();
  ASSERT_NE(f.Explorer(), nullptr);
  EXPECT_EQ(f.Explorer()->frameGeometry().topLeft(),
            QPoint(f.frameGeometry().x() - 173, f.frameGeometry().y()));

  f.HideWithChooser();
  EXPECT_FALSE(f.Explorer()->isVisible());
  f.ShowWithChooser();
  EXPECT_TRUE(f.Explorer()->isVisible());
}

TEST_F(Chooser, ClickingAFolderListsItAndNamesKeepTheirBytes) {
  std::string pics = dir.MakeDir("pics");
  WriteBmp(pics + "/a.bmp", 2, 2);
  // A folder name that is not UTF-8 (CP932 bytes).
  std::string odd = dir.MakeDir("\x8E\xCA\x90\x5E");
  WriteBmp(odd + "/b.bmp", 2, 2);
  TMainForm& f = Make();
  f.mnOpenClick();
  TEXplorerForm* chooser = f.Explorer();

  chooser->Reveal(pics);
  QTreeWidgetItem* item = chooser->ShellTreeView1()->currentItem();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(TEXplorerForm::PathOf(item), pics);
  chooser->ShellTreeView1Click(item);
  EXPECT_EQ(f.PageControl1()->currentIndex(), 1);
  EXPECT_EQ(f.List().CurrentFile(), pics + "/a.bmp");

  chooser->Reveal(odd);
  item = chooser->ShellTreeView1()->currentItem();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(TEXplorerForm::PathOf(item), odd);
  EXPECT_EQ(item->text(0), "写真");
  chooser->ShellTreeView1Click(item);
  EXPECT_EQ(f.List().CurrentFile(), odd + "/b.bmp");

  // Only folders are in the tree.
  QTreeWidgetItem* parent = item->parent();
  ASSERT_NE(parent, nullptr);
  for (int i = 0; i < parent->childCount(); ++i)
    EXPECT_TRUE(DirectoryExists(TEXplorerForm::PathOf(parent->child(i))));
}

// Return on the highlighted folder opens it as a click does; while a catalog build or a
// slide show owns the list, the chooser is greyed and opens nothing, nor do drops or the
// list box.
TEST_F(Chooser, ReturnOpensAndALockedChooserListBoxAndDropWait) {
  std::string one = dir.MakeDir("one"), two = dir.MakeDir("two");
  WriteBmp(one + "/a.bmp", 2, 2);
  WriteBmp(one + "/b.bmp", 2, 2);
  WriteBmp(two + "/c.bmp", 2, 2);
  TMainForm& f = Make();
  f.show();
  f.mnOpenClick();
  TEXplorerForm* chooser = f.Explorer();
  QTreeWidget* tree = chooser->ShellTreeView1();
  chooser->Reveal(one);
  SendKey(tree, Qt::Key_Return);
  EXPECT_EQ(f.List().CurrentFile(), one + "/a.bmp");

  f.LockCommands();
  EXPECT_FALSE(tree->isEnabled());
  chooser->Reveal(two);
  chooser->ShellTreeView1Click(tree->currentItem());
  SendKey(tree, Qt::Key_Return);
  f.DropPaths({two});
  SendKey(f.FileListBox(), Qt::Key_Down);
  SendKey(f.FileListBox(), Qt::Key_Space);
  const QRect second = f.FileListBox()->visualRect(f.FileListBox()->model()->index(1, 0));
  Click(f.FileListBox()->viewport(), second.center());
  EXPECT_EQ(f.List().CurrentFile(), one + "/a.bmp");
  EXPECT_EQ(f.List().Count(), 2);

  // A chooser opened again while locked starts locked.
  chooser->close();
  WaitUntil([&] { return f.Explorer() == nullptr; });
  f.UnlockCommands();
  f.mnOpenClick();
  f.LockCommands();
  EXPECT_FALSE(f.Explorer()->ShellTreeView1()->isEnabled());

  f.UnlockCommands();
  EXPECT_TRUE(f.Explorer()->ShellTreeView1()->isEnabled());
  Click(f.FileListBox()->viewport(), second.center());
  EXPECT_EQ(f.List().CurrentFile(), one + "/b.bmp");
  f.DropPaths({two});
  EXPECT_EQ(f.List().CurrentFile(), two + "/c.bmp");
}

TEST(VersionBox, CaptionTextsAndDefaultButton) {
  TVersionForm box;
  EXPECT_EQ(box.windowTitle(), "ﾊﾞｰｼﾞｮﾝ情報");
  auto* product = box.findChild<QLabel*>("ProductName");
  auto* version = box.findChild<QLabel*>("Version");
  ASSERT_TRUE(product && version);
  EXPECT_EQ(product->text(), "Verid");
  EXPECT_EQ(product->font().pixelSize(), 19);
  EXPECT_EQ(product->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(version->text(), "Version 2.22");
  // The box and the command line say the same version.
  EXPECT_EQ(version->text().toStdString(), std::string("Version ") + VersionNumber());
  EXPECT_EQ(version->font().pixelSize(), 12);
  EXPECT_EQ(box.findChild<QLabel*>("ProgramIcon")->size(), QSize(42, 42));
  EXPECT_FALSE(box.findChild<QLabel*>("Credit")->text().isEmpty());
  EXPECT_FALSE(box.findChild<QLabel*>("Contact")->text().isEmpty());
  EXPECT_EQ(box.Button1()->text(), "OK");
  EXPECT_TRUE(box.Button1()->isDefault());

  QTimer::singleShot(0, &box, [&box] { box.Button1()->click(); });
  EXPECT_EQ(box.exec(), QDialog::Accepted);
}

}  // namespace
}  // namespace verid::test

int main(int argc, char** argv) {
  return verid::test::GuiTestMain(argc, argv);
}
