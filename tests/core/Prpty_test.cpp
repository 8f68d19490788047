#include "dialogs/Prpty.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace verid {
namespace {

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

}  // namespace
}  // namespace verid
