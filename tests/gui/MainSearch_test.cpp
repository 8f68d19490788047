// The main window's slot search, browser-cache search and batch rename, driven through
// their buttons and menu items.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "app/IECache.h"
#include "dialogs/AlRenamFrm.h"
#include "gui/support/GuiTest.h"
#include "ui/FileListBox.h"
#include "ui/Panels.h"

namespace verid::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class MainSearch : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    slot = dir.MakeDir("slot");
    dir.Write("slot/a999.jpg", std::string(999, 'x'));
    dir.Write("slot/b1000.jpg", std::string(1000, 'x'));
    dir.Write("slot/c1001.jpg", std::string(1001, 'x'));
    empty = dir.MakeDir("empty");
    dir.Write("empty/sub/deeper.jpg", "x");
    settings.FirstRunHint = false;
    settings.SearchFolders[0] = slot;
    settings.SearchFolders[1] = empty;
    settings.SearchSizeK = 1;
  }
  std::string slot, empty;
  AppSettings settings;
};

TEST_F(MainSearch, SlotButtonsAndMenuItemsListTheThinnedFolder) {
  WriteSettings(settings);
  TMainForm& f = Make();
  ASSERT_TRUE(f.FindBtn(1)->isEnabled());
  f.FindBtn(1)->click();
  EXPECT_EQ(f.PageControl1()->currentIndex(), 1);
  EXPECT_EQ(f.List().Folder(), slot);
  EXPECT_EQ(f.List().Entries(), (Names{"b1000.jpg", "c1001.jpg"}));
  EXPECT_EQ(f.List().ItemIndex(), 0);
  EXPECT_EQ(f.itemCountLbl()->text(), "1/2");
  EXPECT_TRUE(Act("mnRename")->isEnabled());

  f.Settings().SearchRange = "以下";
  Act("mnFind1")->trigger();
  EXPECT_EQ(f.List().Entries(), (Names{"a999.jpg", "b1000.jpg"}));
  EXPECT_TRUE(dialogs.Calls().empty());

  // A folder with sub-folders only: an empty list and "0/0".
  f.FindBtn(2)->click();
  EXPECT_EQ(f.List().Count(), 0);
  EXPECT_EQ(f.itemCountLbl()->text(), "0/0");
  EXPECT_FALSE(f.ThumbImage()->isVisible());
  EXPECT_FALSE(Act("mnRename")->isEnabled());
}

TEST_F(MainSearch, ARemovedSlotFolderLeavesTheProgramsFolderListed) {
  WriteSettings(settings);
  TMainForm& f = Make();
  fs::remove_all(slot);
  f.FindBtn(1)->click();
  ASSERT_EQ(dialogs.Calls().size(), 1u);
  EXPECT_EQ(dialogs.LastMessage().Title, "Verid");
  EXPECT_EQ(f.List().Folder(), programDir);
}

TEST_F(MainSearch, CacheSearchListsWhatTheRegistryPointsAt) {
  std::string user = dir.MakeDir("user");
  dir.Write("user/content.ie5/ABC/x.jpg", std::string(20, 'x'));
  dir.Write("user/content.ie5/ABC/y.png", std::string(30, 'y'));
  dir.Write("user/content.ie5/direct.jpg", std::string(40, 'z'));
  platform.registry[std::string("HKEY_USERS\\") + kUserCacheKey + "\\Cache"] = user;
  settings.CacheVersion = 5;
  settings.CacheKinds = 2;
  WriteSettings(settings);
  TMainForm& f = Make();
  // The start-up pass clears the attributes of the folders the registry names.
  EXPECT_NE(std::find(platform.clearedAttributes.begin(), platform.clearedAttributes.end(),
                      user + "/content.ie5"),
            platform.clearedAttributes.end());
  f.SpeedButton("IEBtn")->click();
  EXPECT_EQ(f.PageControl1()->currentIndex(), 1);
  EXPECT_EQ(f.List().Entries(), (Names{"./direct.jpg", "ABC/x.jpg", "ABC/y.png"}));
  EXPECT_EQ(f.List().CurrentFile(), user + "/content.ie5/./direct.jpg");
  EXPECT_EQ(f.itemCountLbl()->text(), "1/3");
  EXPECT_TRUE(dialogs.Calls().empty());
}

TEST_F(MainSearch, CacheSearchWithoutVersionOrFolderWarnsAndKeepsTheList) {
  WriteSettings(settings);
  TMainForm& f = Make(slot);
  const Names before = f.List().Entries();
  f.mnFindCacheClick();
  EXPECT_EQ(dialogs.LastMessage().Text, kCacheVersionWarning);
  EXPECT_EQ(dialogs.LastMessage().Kind, MsgKind::Warning);
  f.Settings().CacheVersion = 4;
  Act("mnFindCache")->trigger();
  EXPECT_EQ(dialogs.LastMessage().Text, "ｷｬｯｼｭﾌｫﾙﾀﾞが見つかりません");
  EXPECT_EQ(dialogs.LastMessage().Title, "警告");
  EXPECT_EQ(f.List().Folder(), slot);
  EXPECT_EQ(f.List().Entries(), before);
  EXPECT_EQ(f.List().ItemIndex(), 0);
}

TEST_F(MainSearch, BatchRenameFromTheMenuRenamesAndReReadsTheList) {
  WriteSettings(settings);
  TMainForm& f = Make(slot);
  f.List().SetItemIndex(1);
  QTimer::singleShot(0, [] {
    auto* d = qobject_cast<TAlRenamForm*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    d->NameEdit->setText("pic");
    d->NumberEdit->setText("7");
    d->OKBtn->click();
    if (d->isVisible()) d->CancelBtn->click();
  });
  f.mnAllRenameClick();
  EXPECT_TRUE(fs::exists(slot + "/pic07.jpg"));
  // Read again through the search's size filter: the 999-byte file is left out.
  EXPECT_EQ(f.List().Entries(), (Names{"pic08.jpg", "pic09.jpg"}));
  EXPECT_EQ(f.List().ItemIndex(), 1);
  EXPECT_EQ(f.StatusBar1()->Text(0).toStdString(), slot + "/pic09.jpg");
  EXPECT_EQ(f.StatusBar1()->Text(1).toStdString(), "1,001 ﾊﾞｲﾄ");
  EXPECT_EQ(f.itemCountLbl()->text(), "2/2");
}

}  // namespace
}  // namespace verid::test

int main(int argc, char** argv) {
  return verid::test::GuiTestMain(argc, argv);
}
