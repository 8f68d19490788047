#include "view/SlideShow.h"

#include <algorithm>

#include "app/Browse.h"
#include "base/Paths.h"
#include "imaging/Draw.h"
#include "imaging/Graphic.h"
#include "view/View.h"
#include "view/ViewLayout.h"

namespace verid {

bool RunSlideLoop(SlideHost& host, const FileList& list, int intervalMs, bool loop) {
  int index = 0;
  for (;;) {
    if (list.Count() == 0) return host.StopRequested();
    host.ShowSlide(index);
    host.Wait(intervalMs);
    ++index;
    // A list that got shorter during the wait ends the round as the full one would.
    if (index >= list.Count()) {
      if (!loop) return host.StopRequested();
      index = 0;
    }
    if (host.StopRequested()) return true;
  }
}

bool AskSlideAgain(Dialogs& dialogs) {
  MessageRequest request;
  request.Kind = MsgKind::Information;
  request.Text = kSlideEndQuestion;
  request.Buttons = {MsgButton::Yes, MsgButton::No};
  return dialogs.Message(request) == MsgButton::Yes;
}

// --- preview ---------------------------------------------------------------------------------

void RunPreviewSlideShow(PreviewSlideWindow& window, const FileList& list,
                         const AppSettings& settings, Dialogs& dialogs, bool& slideStop) {
  for (;;) {
    if (!HasCurrentFile(list)) return;
    slideStop = false;
    window.EnterSlideMode();
    bool stopped = false;
    try {
      stopped = RunSlideLoop(window, list, settings.SlideIntervalMs, settings.SlideLoop);
    } catch (...) {
      // A failure must not leave the main window locked with nothing running.
      if (!slideStop) window.LeaveSlideMode();
      throw;
    }
    if (stopped) return;  // the stop command has put the window back
    if (AskSlideAgain(dialogs)) continue;
    window.LeaveSlideMode();
    if (settings.SlideBackToFirst) window.PreviewFirst();
    return;
  }
}

void StopPreviewSlideShow(PreviewSlideWindow& window, const AppSettings& settings,
                          bool& slideStop) {
  slideStop = true;
  window.LeaveSlideMode();
  if (settings.SlideBackToFirst) window.PreviewFirst();
}

// --- full screen -----------------------------------------------------------------------------

TFullSlideShow::TFullSlideShow(const FileList& list, const AppSettings& settings, Dialogs& dialogs,
                               uint8_t origin, SlideOriginHost host, std::function<void(int)> wait)
    : SlideOrigin(origin),
      list_(list),
      settings_(settings),
      dialogs_(dialogs),
      host_(std::move(host)),
      wait_(std::move(wait)) {}

void TFullSlideShow::ShowSlide(int index) {
  if (window_) window_->ShowSlide(index);
}

void TFullSlideShow::Wait(int ms) {
  if (wait_) wait_(ms);
}

void TFullSlideShow::WindowClosed() {
  window_ = nullptr;
  SlideFormStop = 1;
  if (returned_) return;
  returned_ = true;
  if (host_.Return) host_.Return();
}

void TFullSlideShow::CloseAndGoBack() {
  if (SlideWindow* window = window_) {
    window_ = nullptr;
    window->CloseWindow();
  }
  // A window that closes without telling (never shown) still brings the origin back.
  WindowClosed();
  if (settings_.SlideBackToFirst && SlideOrigin != kSlideFromCatalog && host_.BackToFirst)
    host_.BackToFirst();
}

void TFullSlideShow::Stop() {
  if (SlideFormStop == 1) return;
  SlideFormStop = 1;
  CloseAndGoBack();
}

void TFullSlideShow::RunSlides() {
  for (;;) {
    if (!window_ || SlideFormStop == 1) return;
    window_->Prepare();
    const bool stopped = RunSlideLoop(*this, list_, settings_.SlideIntervalMs, settings_.SlideLoop);
    // After a wait only the flag is read: the window may be gone.
    if (stopped || SlideFormStop == 1) return;
    if (AskSlideAgain(dialogs_)) continue;
    CloseAndGoBack();
    return;
  }
}

// --- one slide ---------------------------------------------------------------------------------

TSlide MakeSlide(const std::string& path, int fw, int fh, float s, TColor background) {
  TSlide slide;
  try {
    TMadePicture made = MakeFullScreenPicture(path, fw, fh, s, background);
    slide.Control = made.Place;
    slide.Picture = std::move(made.Rendered);
  } catch (const EInvalidGraphic&) {
    slide = TSlide();
    slide.NoPicture = true;
    slide.Control = NoPictureFullControl(fw, fh);
  }
  return slide;
}

TSlide TakeSlide(TLookAhead& ahead, const std::string& path, const TSlideFrame& frame) {
  // A slide keeps only its drawing: the decoded picture goes as soon as it is drawn.
  ahead.SetMaker("slide " + std::to_string(frame.Width) + "x" + std::to_string(frame.Height) + " " +
                     std::to_string(frame.Ratio) + " " + std::to_string(frame.Background),
                 [frame](const std::string& p) {
                   TMadePicture made = MakeFullScreenPicture(p, frame.Width, frame.Height,
                                                             frame.Ratio, frame.Background);
                   made.Picture.reset();
                   return made;
                 });
  TSlide slide;
  try {
    TMadePicture made = ahead.Take(path);
    slide.Control = made.Place;
    slide.Picture = std::move(made.Rendered);
  } catch (const EInvalidGraphic&) {
    slide = TSlide();
    slide.NoPicture = true;
    slide.Control = NoPictureFullControl(frame.Width, frame.Height);
  }
  return slide;
}

std::string SlideCaption(const FileList& list) {
  return ViewCaption(list);
}

}  // namespace verid
