// The slide shows without their windows: the loop over the list, the end question, the
// preview show's steps in the main window, the full-screen show's steps around its window
// and the window it was started from, and the making of one slide.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/FileList.h"
#include "app/LookAhead.h"
#include "app/Settings.h"
#include "imaging/Bitmap.h"

namespace verid {

inline constexpr const char* kSlideEndQuestion = "ｽﾗｲﾄﾞｼｮｰは終了しました\r\nもう一度始めますか?";
inline constexpr const char* kSlideExitCaption = "終了";

enum SlideOrigin : uint8_t { kSlideFromMain = 0, kSlideFromView = 1, kSlideFromCatalog = 2 };

// What a slide show steps through: the main window's preview or the slide window.
class SlideHost {
 public:
  virtual ~SlideHost() = default;
  // Selects list entry `index` and shows it.
  virtual void ShowSlide(int index) = 0;
  virtual bool StopRequested() = 0;
  // At least `ms` milliseconds, handling window messages all the while (the stop commands
  // run in here).
  virtual void Wait(int ms) = 0;
};

// From the first entry, one full interval after every slide (the last one too); the count
// is read anew at every turn. With `loop` it starts over at the end and ends only by a
// stop. Returns true when a stop request was seen at the end (the caller then asks
// nothing), false when the list ran out.
bool RunSlideLoop(SlideHost& host, const FileList& list, int intervalMs, bool loop);

// "ｽﾗｲﾄﾞｼｮｰは終了しました\r\nもう一度始めますか?", information box, Yes / No.
bool AskSlideAgain(Dialogs& dialogs);

// --- the preview show in the main window ----------------------------------------------------

class PreviewSlideWindow : public SlideHost {
 public:
  // The slide pop-up for the window, the list and the preview; commands locked but the
  // show menu with only its stop item.
  virtual void EnterSlideMode() = 0;
  // Everything back as it was before the show.
  virtual void LeaveSlideMode() = 0;
  // Entry 0 and the preview step.
  virtual void PreviewFirst() = 0;
};

// The preview command: nothing without a current file. `slideStop` is the stop request
// the stop command sets; it is cleared when a show starts.
void RunPreviewSlideShow(PreviewSlideWindow& window, const FileList& list,
                         const AppSettings& settings, Dialogs& dialogs, bool& slideStop);
// The stop command: the running loop sees the request after its wait and ends quietly.
void StopPreviewSlideShow(PreviewSlideWindow& window, const AppSettings& settings, bool& slideStop);

// --- the full-screen show ----------------------------------------------------------------

// The slide window as the show sees it.
class SlideWindow {
 public:
  virtual ~SlideWindow() = default;
  // Colour, caption label, bounds: the whole screen.
  virtual void Prepare() = 0;
  // Clears the picture, selects list entry `index`, shows it; the window the first time.
  virtual void ShowSlide(int index) = 0;
  // Hides, closes and releases the window; its closing brings the origin back.
  virtual void CloseWindow() = 0;
};

// What the window the show was started from does.
struct SlideOriginHost {
  std::function<void()> Hide;         // before the slide window comes
  std::function<void()> Return;       // when the slide window has closed
  std::function<void()> BackToFirst;  // its first-image command (none from the catalog)
};

class TFullSlideShow : public SlideHost {
 public:
  TFullSlideShow(const FileList& list, const AppSettings& settings, Dialogs& dialogs,
                 uint8_t origin, SlideOriginHost host, std::function<void(int)> wait);
  // The window made for the show; the show tells it nothing after it is gone.
  void Attach(SlideWindow* window) { window_ = window; }
  // From the window's closing, however it was closed: the origin comes back and a running
  // loop ends at its next turn.
  void WindowClosed();
  // Runs the show until it is stopped or the end question is answered No.
  void RunSlides();
  // The window's exit command and Esc.
  void Stop();

  int16_t SlideFormStop = 0;
  const uint8_t SlideOrigin;

  void ShowSlide(int index) override;
  bool StopRequested() override { return SlideFormStop == 1; }
  void Wait(int ms) override;

 private:
  void CloseAndGoBack();

  const FileList& list_;
  const AppSettings& settings_;
  Dialogs& dialogs_;
  SlideOriginHost host_;
  std::function<void(int)> wait_;
  SlideWindow* window_ = nullptr;
  bool returned_ = false;
};

// One slide for an fw x fh window: where its control goes (LayoutFull, with s from the
// screen) and the picture scaled once to that size; a large JPEG is decoded at the
// smallest DCT scale that still covers it. An unreadable picture gives the 150 x 150
// "No Picture" control; other errors (a file that vanished) are thrown.
struct TSlide {
  TRect Control;
  TBitmap Picture;  // 32 bits, the control's size; empty for "No Picture"
  bool NoPicture = false;
};
TSlide MakeSlide(const std::string& path, int fw, int fh, float s, TColor background);

// The geometry a slide is made for.
struct TSlideFrame {
  int Width = 0, Height = 0;
  float Ratio = 1;  // FullRatio of the screen
  TColor Background = 0;
  bool operator==(const TSlideFrame&) const = default;
};

// The slide of `path` for `frame`: made ahead by `ahead` (the next slides are made on its
// worker while one shows) or here; an unreadable picture gives "No Picture", other
// errors (a file that vanished) are thrown, as without the worker.
TSlide TakeSlide(TLookAhead& ahead, const std::string& path, const TSlideFrame& frame);

// "name  [3/10]", as the view window's caption.
std::string SlideCaption(const FileList& list);

}  // namespace verid
