// The directory-selection dialog, driven as a user drives it: typed folder names, OK and
// キャンセル, and the creation question that follows a folder that does not exist.
#include "ui/SelectDirDlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <deque>

#include "app/FileOps.h"
#include "app/Hanyou.h"
#include "gui/support/GuiTest.h"
#include "ui/QtDialogs.h"

namespace verid::test {
namespace {

// Handles the modal windows that open next, one step each, in the order given.
class ModalSteps : public QObject {
 public:
  explicit ModalSteps(std::deque<std::function<void(QWidget*)>> steps) : steps_(std::move(steps)) {
    connect(&timer_, &QTimer::timeout, this, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal == last_.data() || steps_.empty()) return;
      last_ = modal;
      auto step = std::move(steps_.front());
      steps_.pop_front();
      step(modal);
    });
    timer_.start(5);
  }
  bool Done() const { return steps_.empty(); }

 private:
  std::deque<std::function<void(QWidget*)>> steps_;
  QPointer<QWidget> last_;
  QTimer timer_;
};

// Types `text` into the folder field and presses the button with `button`'s caption.
std::function<void(QWidget*)> Type(const QString& text, const char* button = "OK") {
  return [text, button](QWidget* w) {
    auto* dlg = qobject_cast<TSelectDirDlg*>(w);
    ASSERT_NE(dlg, nullptr) << "expected the directory dialog";
    dlg->DirEdit->setText(text);
    for (QPushButton* b : dlg->findChildren<QPushButton*>())
      if (b->text() == QString::fromUtf8(button)) b->click();
  };
}

// Presses a message box's button and keeps its text.
std::function<void(QWidget*)> Press(const char* button, QString* text) {
  return [button, text](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr) << "expected a message box";
    *text = box->text();
    for (QAbstractButton* b : box->buttons())
      if (b->text() == QString::fromUtf8(button)) b->click();
  };
}

class SelectDirDialog : public ::testing::Test {
 protected:
  bool Choose(std::deque<std::function<void(QWidget*)>> steps) {
    ModalSteps driver(std::move(steps));
    bool chosen = ChooseOtherFolder(settings, dialogs);
    EXPECT_TRUE(driver.Done()) << "not every expected window opened";
    return chosen;
  }
  TempDir dir;
  AppSettings settings;
  QtDialogs dialogs;
};

TEST_F(SelectDirDialog, CaptionsTreeFilesAndDrives) {
  std::string pics = dir.MakeDir("pics");
  dir.MakeDir("pics/2001");
  dir.Write("pics/a.jpg", "");
  settings.OtherFolder = pics + "/";
  TSelectDirDlg dlg(OtherFolderRequest(settings), {"/", dir.Path()});
  EXPECT_EQ(dlg.windowTitle(), "ディレクトリの選択");
  QStringList labels;
  for (QLabel* l : dlg.findChildren<QLabel*>())
    if (l->buddy()) labels << l->text();
  labels.sort();
  EXPECT_EQ(labels, QStringList({"ディレクトリ(&D):", "ディレクトリ名(&N):", "ドライブ(&R):",
                                 "ファイル(&F): (*.*)"}));
  EXPECT_EQ(dlg.OKBtn->text(), "OK");
  EXPECT_EQ(dlg.CancelBtn->text(), "キャンセル");
  EXPECT_EQ(dlg.NetBtn->text(), "ネットワーク(&N)...");
  EXPECT_FALSE(dlg.NetBtn->isEnabled());

  EXPECT_EQ(dlg.DirEdit->text(), QString::fromStdString(pics));
  EXPECT_EQ(dlg.DriveList->currentIndex(), 1);
  EXPECT_EQ(dlg.FileList->count(), 1);
  EXPECT_EQ(dlg.FileList->item(0)->text(), "a.jpg");
  QTreeWidgetItem* current = dlg.DirList->currentItem();
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(current->text(0), "pics");
  ASSERT_EQ(current->childCount(), 1);

  // A click names a sub-folder; Enter in the tree opens it without ending the dialog.
  QTreeWidgetItem* sub = current->child(0);
  emit dlg.DirList->itemClicked(sub, 0);
  EXPECT_EQ(dlg.DirEdit->text(), QString::fromStdString(pics + "/2001"));
  dlg.DirList->setCurrentItem(sub);
  SendKey(dlg.DirList, Qt::Key_Return);
  EXPECT_EQ(dlg.State().Folder, pics + "/2001");
  EXPECT_EQ(dlg.result(), 0);
  // The drive list jumps to a drive.
  dlg.DriveList->setCurrentIndex(0);
  emit dlg.DriveList->activated(0);
  EXPECT_EQ(dlg.State().Folder, "/");
}

TEST_F(SelectDirDialog, AnExistingFolderIsChosenAsTyped) {
  std::string pics = dir.MakeDir("pics");
  settings.OtherFolder = dir.Path() + "/";
  // Relative to the folder shown.
  EXPECT_TRUE(Choose({Type("pics")}));
  EXPECT_EQ(settings.OtherFolder, pics + "/");
  EXPECT_TRUE(Choose({Type(QString::fromStdString(pics + "/"))}));
  EXPECT_EQ(settings.OtherFolder, pics + "/");
}

TEST_F(SelectDirDialog, ANewFolderIsCreatedAfterTheQuestion) {
  settings.OtherFolder = dir.Path() + "/";
  QString question;
  EXPECT_TRUE(Choose({Type("新しい/フォルダ"), Press("はい(&Y)", &question)}));
  EXPECT_EQ(question, "指定されたディレクトリが存在しません。作成しますか？");
  EXPECT_TRUE(DirectoryExists(dir.Path() + "/新しい/フォルダ"));
  EXPECT_EQ(settings.OtherFolder, dir.Path() + "/新しい/フォルダ/");

  // Declined: nothing is made and nothing is chosen.
  EXPECT_FALSE(Choose({Type("declined"), Press("いいえ(&N)", &question)}));
  EXPECT_FALSE(DirectoryExists(dir.Path() + "/新しい/フォルダ/declined"));
  EXPECT_EQ(settings.OtherFolder, dir.Path() + "/新しい/フォルダ/");
}

TEST_F(SelectDirDialog, AFolderThatCannotBeCreatedIsReported) {
  // Not even root may make folders in /proc.
  settings.OtherFolder = dir.Path() + "/";
  QString question, error;
  EXPECT_FALSE(
      Choose({Type("/proc/verid-test/new"), Press("はい(&Y)", &question), Press("OK", &error)}));
  EXPECT_EQ(error, "ディレクトリを作成することができません");
  EXPECT_EQ(settings.OtherFolder, dir.Path() + "/");
}

TEST_F(SelectDirDialog, CancelChoosesNothing) {
  settings.OtherFolder = dir.Path() + "/";
  EXPECT_FALSE(Choose({Type("elsewhere", "キャンセル")}));
  EXPECT_EQ(settings.OtherFolder, dir.Path() + "/");
  EXPECT_FALSE(DirectoryExists(dir.Path() + "/elsewhere"));
  // A blank name does not end the dialog; キャンセル still does.
  EXPECT_FALSE(Choose({[](QWidget* w) {
    auto* dlg = qobject_cast<TSelectDirDlg*>(w);
    ASSERT_NE(dlg, nullptr);
    dlg->DirEdit->clear();
    dlg->OKBtn->click();
    EXPECT_TRUE(dlg->isVisible());
    dlg->CancelBtn->click();
  }}));
}

// Grabs for looking at by eye, written only when asked for: the directory dialog and the
// catalog open dialog as the main window opens them, each over the screen it stands on.
class Screenshots : public MainWindowTest {};

TEST_F(Screenshots, DirectoryAndCatalogDialogs) {
  const char* out = std::getenv("VERID_SCREENSHOT_DIR");
  if (!out) GTEST_SKIP() << "set VERID_SCREENSHOT_DIR to write the grabs";
  std::string pics = dir.MakeDir("写真");
  dir.MakeDir("写真/2001.05");
  dir.MakeDir("写真/旅行");
  WriteBmp(pics + "/夕焼け.bmp", 40, 30);
  dir.Write("写真/一覧.doz", "");
  AppSettings s;
  s.FirstRunHint = false;
  s.CatarogDir = pics + "/";
  WriteSettings(s);
  QtDialogs qt;
  TMainForm f(qt, platform, pics);
  f.show();
  f.move(300, 150);
  WaitUntil([&] { return f.isVisible(); });
  auto grab = [out](const char* name) {
    return [out, name](QWidget* w) {
      WaitUntil([w] { return w->isVisible(); });
      QCoreApplication::processEvents();
      w->grab().save(QString("%1/%2.png").arg(out, name), "PNG");
      if (QScreen* screen = w->screen())
        screen->grabWindow(0).save(QString("%1/%2_screen.png").arg(out, name), "PNG");
      w->close();
    };
  };
  {
    ModalSteps steps({grab("directory_dialog")});
    f.Action("mnAnotherCpy")->trigger();
    EXPECT_TRUE(steps.Done());
  }
  {
    ModalSteps steps({grab("catalog_open_dialog")});
    f.mnCatarogReadClick();
    EXPECT_TRUE(steps.Done());
  }
}

}  // namespace
}  // namespace verid::test

int main(int argc, char** argv) {
  return verid::test::GuiTestMain(argc, argv);
}
