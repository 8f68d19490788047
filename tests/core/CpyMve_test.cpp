#include "dialogs/CpyMve.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/FakePlatform.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WorkingFolder.h"

namespace verid {
namespace {

namespace fs = std::filesystem;
using test::FakePlatform;
using test::ScriptedDialogs;
using test::TempDir;

class CpyMveTest : public test::WorkingFolderTest {
 protected:
  void SetUp() override {
    dir_.Write("src/a.jpg", "a");
    dir_.Write("src/b.jpg", "b");
    list_.SetFolder(dir_ / "src");
    list_.SetItemIndex(0);
    settings_.CopyFolders[0] = dir_.MakeDir("c1");
    settings_.CopyFolders[4] = dir_.MakeDir("c5") + "/";
    settings_.CopyFolders[6] = dir_ / "removed-later";
    settings_.MoveFolders[1] = dir_.MakeDir("m2");
  }
  FileOpEnv Env() { return FileOpEnv{list_, settings_, dialogs_, platform_}; }
  TempDir dir_;
  FileList list_;
  AppSettings settings_;
  ScriptedDialogs dialogs_;
  FakePlatform platform_;
};

std::vector<int> EnabledSlots(const CpyMveState& s) {
  std::vector<int> slots;
  for (int k = 0; k < kSlotCount; ++k)
    if (s.Enabled[k]) slots.push_back(k + 1);
  return slots;
}

TEST_F(CpyMveTest, CopyModeOffersTheExistingCopyFolders) {
  settings_.CopyMoveMode = 1;
  CpyMveState s = MakeCpyMveState(settings_, list_);
  EXPECT_FALSE(s.Move);
  EXPECT_EQ(s.Caption, "既存のﾌｫﾙﾀﾞにｺﾋﾟｰ");
  EXPECT_EQ(s.ButtonCaption, "ｺﾋﾟｰ");
  EXPECT_EQ(EnabledSlots(s), (std::vector<int>{1, 5}));
  EXPECT_EQ(s.Labels[1], "未指定");
  EXPECT_EQ(s.Labels[6], dir_ / "removed-later");  // shown as stored, but disabled

  EXPECT_EQ(RunCpyMveSlot(Env(), 4, RemovalStep{}), OpResult::Done);
  EXPECT_TRUE(fs::exists(dir_ / "c5/a.jpg"));
  EXPECT_EQ(dialogs_.LastMessage().Text, kCopiedMessage);
  EXPECT_EQ(list_.Count(), 2);
}

TEST_F(CpyMveTest, MoveModeUsesTheMoveFolders) {
  settings_.CopyMoveMode = 2;
  CpyMveState s = MakeCpyMveState(settings_, list_);
  EXPECT_EQ(s.Caption, "既存のﾌｫﾙﾀﾞに移動");
  EXPECT_EQ(s.ButtonCaption, "移動");
  EXPECT_EQ(EnabledSlots(s), (std::vector<int>{2}));

  int followUps = 0;
  RemovalStep step;
  step.FollowUp = [&] { ++followUps; };
  EXPECT_EQ(RunCpyMveSlot(Env(), 1, step), OpResult::Done);
  EXPECT_TRUE(fs::exists(dir_ / "m2/a.jpg"));
  EXPECT_EQ(list_.Entries(), (std::vector<std::string>{"b.jpg"}));
  EXPECT_EQ(followUps, 1);
}

TEST_F(CpyMveTest, NoButtonWithoutAnExistingCurrentFile) {
  list_.SetItemIndex(-1);
  EXPECT_TRUE(EnabledSlots(MakeCpyMveState(settings_, list_)).empty());
  list_.SetItemIndex(1);
  fs::remove(dir_ / "src/b.jpg");
  EXPECT_TRUE(EnabledSlots(MakeCpyMveState(settings_, list_)).empty());
}

}  // namespace
}  // namespace verid
