#include "dialogs/Prpty.h"

#include <gtest/gtest.h>

#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace verid {
namespace {

using test::ScriptedDialogs;
using test::TempDir;

TEST(PrptyRules, StepsClampAndFormat) {
  struct Case {
    const char* text;
    bool up;
    const char* result;
  } sizes[] = {{"997", true, "999"}, {"3", false, "0"},      {"10", true, "15"},
               {"0", false, "0"},    {"1000", false, "995"}, {"5000", true, "999"}};
  for (const Case& c : sizes) EXPECT_EQ(StepSize(c.text, c.up), c.result) << c.text;
  Case intervals[] = {{"0.0", false, "0.0"},  {"999", true, "999"}, {"0.5", true, "0.6"},
                      {"2", false, "1.9"},    {"0.2", true, "0.3"}, {"998.9", true, "999.0"},
                      {"12.34", true, "12.4"}};
  for (const Case& c : intervals) EXPECT_EQ(StepInterval(c.text, c.up), c.result) << c.text;
  EXPECT_THROW(StepSize("", true), std::runtime_error);
  EXPECT_THROW(StepInterval("1..2", true), std::runtime_error);
}

TEST(PrptyRules, KeyFiltersTogglesAndIntervalTexts) {
  EXPECT_TRUE(SizeKeyAccepted(U'7'));
  EXPECT_TRUE(SizeKeyAccepted(U'\b'));
  for (char32_t c : {U'.', U'a', U'-', U'５', U' '}) EXPECT_FALSE(SizeKeyAccepted(c));
  EXPECT_TRUE(IntervalKeyAccepted(U'.', 3));
  EXPECT_FALSE(IntervalKeyAccepted(U'1', 4)) << "four characters at most";
  EXPECT_TRUE(IntervalKeyAccepted(U'\b', 4));
  EXPECT_FALSE(IntervalKeyAccepted(U'e', 0));
  EXPECT_EQ(ToggleRange("以上"), "以下");
  EXPECT_EQ(ToggleRange("以下"), "以上");
  EXPECT_EQ(ToggleRange("その他"), "その他");
  EXPECT_EQ(JpegTrackPosition(0), 1);
  EXPECT_EQ(JpegTrackPosition(55), 55);
  EXPECT_EQ(IntervalText(500), "0.5");
  EXPECT_EQ(IntervalText(2000), "2");
  EXPECT_EQ(IntervalText(1234), "1.234");
  struct {
    const char* text;
    int32_t ms;
  } ms[] = {{"0.5", 500}, {"2", 2000},  {"99.9", 99900},
            {"0.3", 300}, {"0.7", 700}, {"999", 999000}};
  for (const auto& c : ms) EXPECT_EQ(IntervalMs(c.text), c.ms) << c.text;
  EXPECT_THROW(IntervalMs(""), std::runtime_error);
}

TEST(PrptyRules, FillingMapsEverySetting) {
  AppSettings s;
  s.CacheVersion = 5;
  s.DeleteMethod = 2;
  s.CatalogThumbSize = 99;
  s.SlideShowCaption = false;
  s.PngCompressLevel = 3;
  s.JpegQuality = 0;
  PrptyState st = FillPrpty(s);
  EXPECT_EQ(st.SearchEdits[0], "未指定");
  EXPECT_EQ(st.IERadio, 1);
  EXPECT_EQ(st.DelRadio, 1);
  EXPECT_EQ(st.CatarogGroup, 1) << "an unknown size leaves 80";
  EXPECT_TRUE(st.CaptionCheck);
  EXPECT_FALSE(st.ZlibStandard);
  EXPECT_EQ(st.PngTrackBar, 3);
  EXPECT_EQ(st.CompTrackBar, 1);
  s.CacheVersion = 0;
  s.PngCompressLevel = -1;
  st = FillPrpty(s);
  EXPECT_EQ(st.IERadio, -1);
  EXPECT_TRUE(st.ZlibStandard);
  SetZlibStandard(st, false);
  EXPECT_EQ(st.PngTrackBar, 6);
}

TEST(PrptyApply, StepsRunInOrderAndStopAtABadNumber) {
  TempDir dir;
  std::string pics = dir.MakeDir("pics");
  AppSettings s;
  PrptyState st = FillPrpty(s);
  st.SearchEdits[2] = pics;
  st.SearchEdits[3] = dir / "missing";
  st.CopyEdits[0] = pics;  // stored as typed, no separator added
  st.MoveEdits[7] = pics + "/";
  st.FSizeEdit = "70000";
  st.Button1 = "以下";
  st.SlideEdit = "0.3";
  st.IERadio = 0;
  std::vector<std::string> calls;
  PrptyHost host;
  host.SearchSlot = [&](int n, const std::string& f) {
    calls.push_back("search" + std::to_string(n) + f);
  };
  host.CopySlot = [&](int n, const std::string&) { calls.push_back("copy" + std::to_string(n)); };
  host.MoveSlot = [&](int n, const std::string&) { calls.push_back("move" + std::to_string(n)); };
  host.SaveSettings = [&] { calls.push_back("save" + std::to_string(s.SlideIntervalMs)); };
  host.RefreshPreview = [&] { calls.push_back("preview"); };
  ApplyPrpty(st, s, host);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"search3" + pics, "copy1", "move8", "save300", "preview"}));
  EXPECT_EQ(s.SearchFolders[2], pics);
  EXPECT_EQ(s.SearchFolders[3], "未指定");
  EXPECT_EQ(s.CopyFolders[0], pics);
  EXPECT_EQ(s.SearchSizeK, 4464) << "the low 16 bits of 70000";
  EXPECT_EQ(s.SearchRange, "以下");
  EXPECT_EQ(s.CacheVersion, 4);
  EXPECT_EQ(s.PngCompressLevel, -1);

  // A bad interval: the steps before it stay, nothing after it happens.
  calls.clear();
  st.FSizeEdit = "12";
  st.SlideEdit = "";
  st.DlgCheBox3 = true;
  EXPECT_THROW(ApplyPrpty(st, s, host), std::runtime_error);
  EXPECT_EQ(s.SearchSizeK, 12);
  EXPECT_FALSE(s.DeleteNoConfirm);
  EXPECT_EQ(calls.back(), "move8");
}

TEST(PrptyBrowse, TargetFoldersAreCreatedAfterAskingAndEndInASeparator) {
  TempDir dir;
  ScriptedDialogs dialogs;
  dialogs.AnswerDirectory(dir / "new");
  dialogs.AnswerMessage(MsgButton::Yes);
  EXPECT_EQ(BrowseTargetFolder(dialogs, dir.Path()), dir / "new/");
  EXPECT_EQ(dialogs.Calls()[0].Directory.InitialDir, dir.Path());
  EXPECT_EQ(dialogs.LastMessage().Text, "指定されたディレクトリが存在しません。作成しますか？");
  dialogs.AnswerDirectory(dir / "other");
  dialogs.AnswerMessage(MsgButton::No);
  EXPECT_EQ(BrowseTargetFolder(dialogs, ""), std::nullopt);
  // Search folders are never created.
  dialogs.AnswerDirectory(dir / "third");
  EXPECT_EQ(BrowseSearchFolder(dialogs, ""), std::nullopt);
  dialogs.AnswerDirectory(dir / "new");
  EXPECT_EQ(BrowseSearchFolder(dialogs, ""), dir / "new");
  EXPECT_TRUE(dialogs.AllAnswersUsed());
}

}  // namespace
}  // namespace verid
