#include "view/SlideShow.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "imaging/Draw.h"
#include "imaging/Jpeg.h"
#include "support/ImageBuilders.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "view/ViewLayout.h"

namespace verid {
namespace {

using test::ScriptedDialogs;
using test::TempDir;

// Three listed files; the hosts record what the show did, and `onWait` acts inside the
// n-th wait (1-based) as a click arriving during the delay would.
class SlideTest : public ::testing::Test {
 public:
  void SetUp() override {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) std::ofstream(dir / name) << "x";
    list.SetFolder(dir.Path());
    list.SetItemIndex(1);  // the show starts at the first file whatever is selected
    settings.SlideIntervalMs = 0;
  }
  std::string Log() const {
    std::string s;
    for (const std::string& e : log) s += (s.empty() ? "" : " ") + e;
    return s;
  }
  void WaitStep(int ms) {
    log.push_back("w" + std::to_string(ms));
    ++waits;
    if (onWait) onWait(waits);
  }

  TempDir dir;
  FileList list;
  AppSettings settings;
  ScriptedDialogs dialogs;
  std::vector<std::string> log;
  int waits = 0;
  std::function<void(int)> onWait;
};

class Preview : public PreviewSlideWindow {
 public:
  explicit Preview(SlideTest& t, FileList& list, bool& stop) : t_(t), list_(list), stop_(stop) {}
  void ShowSlide(int index) override {
    list_.SetItemIndex(index);
    t_.log.push_back(std::to_string(index));
  }
  bool StopRequested() override { return stop_; }
  void Wait(int ms) override { t_.WaitStep(ms); }
  void EnterSlideMode() override { t_.log.push_back("enter"); }
  void LeaveSlideMode() override { t_.log.push_back("leave"); }
  void PreviewFirst() override {
    list_.SetItemIndex(0);
    t_.log.push_back("first");
  }

 private:
  SlideTest& t_;
  FileList& list_;
  bool& stop_;
};

class PreviewTest : public SlideTest {
 protected:
  void Run() { RunPreviewSlideShow(window, list, settings, dialogs, slideStop); }
  bool slideStop = true;  // cleared by the start
  Preview window{*this, list, slideStop};
};

TEST_F(PreviewTest, ThreeFilesOnceEachThenTheQuestion) {
  dialogs.AnswerMessage(MsgButton::Yes);
  dialogs.AnswerMessage(MsgButton::No);
  Run();
  EXPECT_EQ(Log(), "enter 0 w0 1 w0 2 w0 enter 0 w0 1 w0 2 w0 leave");
  EXPECT_EQ(dialogs.MessageTexts(),
            (std::vector<std::string>{kSlideEndQuestion, kSlideEndQuestion}));
  EXPECT_EQ(dialogs.LastMessage().Kind, MsgKind::Information);
  EXPECT_EQ(list.ItemIndex(), 2);  // the last file shown
}

TEST_F(PreviewTest, NoAnswerGoesBackToTheFirstWhenAsked) {
  settings.SlideBackToFirst = true;
  dialogs.AnswerMessage(MsgButton::No);
  Run();
  EXPECT_EQ(Log(), "enter 0 w0 1 w0 2 w0 leave first");
  EXPECT_EQ(list.ItemIndex(), 0);
}

TEST_F(PreviewTest, LoopingRunsUntilTheStopFromThePopup) {
  settings.SlideLoop = true;
  settings.SlideBackToFirst = true;
  settings.SlideIntervalMs = 500;
  onWait = [&](int n) {
    if (n == 5) StopPreviewSlideShow(window, settings, slideStop);
  };
  Run();
  EXPECT_EQ(Log(), "enter 0 w500 1 w500 2 w500 0 w500 1 w500 leave first");
  EXPECT_TRUE(dialogs.Calls().empty());  // stopped: no question
}

TEST_F(PreviewTest, StopDuringTheLastWaitAsksNothing) {
  onWait = [&](int n) {
    if (n == 3) StopPreviewSlideShow(window, settings, slideStop);
  };
  Run();
  EXPECT_EQ(Log(), "enter 0 w0 1 w0 2 w0 leave");
  EXPECT_TRUE(dialogs.Calls().empty());
}

TEST_F(PreviewTest, NothingWithoutACurrentFileAndNothingLockedAfterAFailure) {
  list.SetItemIndex(-1);
  Run();
  EXPECT_EQ(Log(), "");
  list.SetItemIndex(0);
  onWait = [](int) { throw std::runtime_error("gone"); };
  EXPECT_THROW(Run(), std::runtime_error);
  EXPECT_EQ(Log(), "enter 0 w0 leave");
}

// --- full screen ---

class Window : public SlideWindow {
 public:
  Window(SlideTest& t, FileList& list) : t_(t), list_(list) {}
  void Prepare() override { t_.log.push_back("prepare"); }
  void ShowSlide(int index) override {
    list_.SetItemIndex(index);
    t_.log.push_back(std::to_string(index));
  }
  void CloseWindow() override {
    t_.log.push_back("close");
    if (show) show->WindowClosed();
  }
  TFullSlideShow* show = nullptr;

 private:
  SlideTest& t_;
  FileList& list_;
};

class FullTest : public SlideTest {
 protected:
  std::unique_ptr<TFullSlideShow> Make(uint8_t origin) {
    SlideOriginHost host{[&] { log.push_back("hide"); }, [&] { log.push_back("return"); },
                         [&] { log.push_back("first"); }};
    auto show = std::make_unique<TFullSlideShow>(list, settings, dialogs, origin, host,
                                                 [&](int ms) { WaitStep(ms); });
    window.show = show.get();
    show->Attach(&window);
    return show;
  }
  Window window{*this, list};
};

TEST_F(FullTest, EndQuestionAnsweredBothWays) {
  auto show = Make(kSlideFromMain);
  dialogs.AnswerMessage(MsgButton::Yes);
  dialogs.AnswerMessage(MsgButton::No);
  show->RunSlides();
  EXPECT_EQ(Log(), "prepare 0 w0 1 w0 2 w0 prepare 0 w0 1 w0 2 w0 close return");
  EXPECT_EQ(list.ItemIndex(), 2);
}

TEST_F(FullTest, BackToFirstFromEachOriginWhenStoppedOrEnded) {
  settings.SlideBackToFirst = true;
  for (uint8_t origin : {kSlideFromMain, kSlideFromView, kSlideFromCatalog}) {
    const std::string first = origin == kSlideFromCatalog ? "" : " first";
    log.clear();
    waits = 0;
    auto show = Make(origin);
    dialogs.AnswerMessage(MsgButton::No);
    show->RunSlides();
    EXPECT_EQ(Log(), "prepare 0 w0 1 w0 2 w0 close return" + first) << int(origin);

    log.clear();
    waits = 0;
    show = Make(origin);
    onWait = [&](int n) {
      if (n == 2) show->Stop();
    };
    show->RunSlides();
    onWait = nullptr;
    EXPECT_EQ(Log(), "prepare 0 w0 1 w0 close return" + first) << int(origin);
    EXPECT_EQ(show->SlideFormStop, 1);
  }
  EXPECT_TRUE(dialogs.AllAnswersUsed());
}

TEST_F(FullTest, LoopingNeverAsksAndAWindowClosedElsewhereEndsTheShow) {
  settings.SlideLoop = true;
  auto show = Make(kSlideFromView);
  onWait = [&](int n) {
    if (n == 4) window.CloseWindow();  // closed by the window system, not by the show
  };
  show->RunSlides();
  EXPECT_EQ(Log(), "prepare 0 w0 1 w0 2 w0 0 w0 close return");
  EXPECT_TRUE(dialogs.Calls().empty());
}

TEST(MakeSlide, LargeJpegIsPlacedAndDecodedAtTheCoveringScale) {
  TempDir dir;
  TJPEGImage jpeg;
  jpeg.Assign(test::Pattern(800, 600, TPixelFormat::pf24bit));
  jpeg.SaveToFile(dir / "big.jpg");
  TSlide slide = MakeSlide(dir / "big.jpg", 230, 180, FullRatio(230, 180), 0);
  EXPECT_FALSE(slide.NoPicture);
  EXPECT_EQ(slide.Control, Bounds(15, 15, 200, 150));
  EXPECT_EQ(slide.Picture.Width(), 200);
  EXPECT_EQ(slide.Picture.Height(), 150);
  // Close to the full decode stretched down (the quarter-scale decode is what is used).
  TBitmap full = DrawToRaster(jpeg, 200, 150, 0);
  int worst = 0;
  for (int y = 0; y < 150; y += 7)
    for (int x = 0; x < 200 * 4; x += 13)
      worst =
          std::max(worst, std::abs(int(full.ScanLine(y)[x]) - int(slide.Picture.ScanLine(y)[x])));
  EXPECT_LT(worst, 64);

  std::ofstream(dir / "junk.png") << "junk";
  slide = MakeSlide(dir / "junk.png", 1024, 768, FullRatio(1024, 768), 0);
  EXPECT_TRUE(slide.NoPicture);
  EXPECT_EQ(slide.Control, Bounds(437, 309, 150, 150));
  EXPECT_THROW(MakeSlide(dir / "gone.png", 1024, 768, 1.0f, 0), std::exception);
}

}  // namespace
}  // namespace verid

namespace verid {
namespace {

TEST(SlideMaker, NextSlidesComeFromWorkDoneAheadUnlessTheFileChanged) {
  TempDir dir;
  std::vector<std::string> paths;
  for (int k = 0; k < 4; ++k) {
    paths.push_back(dir / (std::string(1, char('a' + k)) + ".bmp"));
    test::Pattern(40 + k, 30, TPixelFormat::pf24bit, uint32_t(k)).SaveToFile(paths.back());
  }
  FileList list;
  list.SetFolder(dir.Path());
  const TSlideFrame frame{1024, 768, FullRatio(1024, 768), 0};
  TLookAhead ahead(list);
  ahead.SetWrap(true);
  for (int i = 0; i < 4; ++i) {
    if (i == 2) {
      // Rewritten while the show runs (perhaps while it is being read ahead).
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      test::Pattern(20, 60, TPixelFormat::pf24bit, 9).SaveToFile(paths[2]);
    }
    list.SetItemIndex(i);
    TSlide slide = TakeSlide(ahead, paths[size_t(i)], frame);
    TSlide fresh = MakeSlide(paths[size_t(i)], frame.Width, frame.Height, frame.Ratio, 0);
    EXPECT_EQ(slide.Control, fresh.Control) << i;
    EXPECT_EQ(test::CompareRGB(slide.Picture, fresh.Picture), "") << i;
    ahead.Shown(i);
    ahead.WaitIdle();  // the slide's interval
  }
  EXPECT_EQ(ahead.Reused(), 2);  // b and d; c changed after it was read

  TLookAhead plain(list, false);
  for (int i = 0; i < 4; ++i) {
    TakeSlide(plain, paths[size_t(i)], frame);
    plain.Shown(i);
  }
  EXPECT_EQ(plain.Reused(), 0);
  // A file gone when it is wanted fails as it would have without the worker.
  TLookAhead again(list);
  again.SetWrap(true);
  TakeSlide(again, paths[0], frame);
  again.Shown(0);
  again.WaitIdle();
  std::filesystem::remove(paths[1]);
  EXPECT_THROW(TakeSlide(again, paths[1], frame), std::exception);
}

}  // namespace
}  // namespace verid
