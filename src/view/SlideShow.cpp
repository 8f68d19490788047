#include "view/SlideShow.h"

#include <algorithm>
#include <filesystem>

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
    TPicture picture;
    picture.LoadFromFile(path);
    slide.Control = LayoutFull(picture.Width(), picture.Height(), fw, fh, s);
    TGraphic* graphic = picture.Graphic();
    ScaleJpegFor(graphic, slide.Control.Width(), slide.Control.Height());
    if (graphic && !slide.Control.IsEmpty())
      slide.Picture =
          DrawToRaster(*graphic, slide.Control.Width(), slide.Control.Height(), background);
  } catch (const EInvalidGraphic&) {
    slide = TSlide();
    slide.NoPicture = true;
    slide.Control = NoPictureFullControl(fw, fh);
  }
  return slide;
}

// --- making slides ahead -------------------------------------------------------------------------

TSlideMaker::~TSlideMaker() {
  if (job_.valid()) job_.wait();
}

TSlideMaker::Stamp TSlideMaker::StampOf(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(FsPath(path), ec);
  if (ec) return {};
  const auto time = std::filesystem::last_write_time(FsPath(path), ec);
  if (ec) return {};
  return {static_cast<long long>(size), static_cast<long long>(time.time_since_epoch().count())};
}

TSlideMaker::Made TSlideMaker::MakeNow(const std::string& path, const TSlideFrame& frame) {
  Made made;
  made.Path = path;
  made.Frame = frame;
  made.Before = StampOf(path);
  try {
    made.Slide = MakeSlide(path, frame.Width, frame.Height, frame.Ratio, frame.Background);
  } catch (...) {
    // Made again where it is wanted, so the error is met there.
  }
  return made;
}

std::optional<TSlide> TSlideMaker::Usable(Made&& made, const std::string& path,
                                          const TSlideFrame& frame) {
  if (made.Path != path || !(made.Frame == frame) || !made.Slide) return std::nullopt;
  // Changed since it was read (or unreadable now): read it again.
  const Stamp now = StampOf(path);
  if (now.Size < 0 || !(now == made.Before)) return std::nullopt;
  ++reused_;
  return std::move(made.Slide);
}

TSlide TSlideMaker::Take(const std::string& path, const TSlideFrame& frame,
                         const std::vector<std::string>& upcoming) {
  std::optional<TSlide> slide;
  if (local_ && local_->Path == path) {
    slide = Usable(std::move(*local_), path, frame);
    local_.reset();
  } else if (job_.valid() && jobPath_ == path) {
    if (job_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
      // The worker is still on this one: make the one after it here meanwhile.
      for (const std::string& next : upcoming) {
        if (next.empty() || next == path) continue;
        local_ = MakeNow(next, frame);
        break;
      }
    }
    slide = Usable(job_.get(), path, frame);
  }
  // Work for files no longer coming (the list changed, the show started over) is dropped.
  auto coming = [&](const std::string& p) {
    return std::find(upcoming.begin(), upcoming.end(), p) != upcoming.end();
  };
  if (local_ && !coming(local_->Path)) local_.reset();
  if (job_.valid() && !coming(jobPath_) &&
      job_.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
    job_ = {};
  if (ahead_ && !job_.valid()) {
    // The worker takes the first upcoming file nobody has made yet.
    for (const std::string& next : upcoming) {
      if (next.empty() || next == path || (local_ && local_->Path == next)) continue;
      jobPath_ = next;
      job_ = std::async(std::launch::async, [next, frame] { return MakeNow(next, frame); });
      break;
    }
  }
  if (slide) return std::move(*slide);
  return MakeSlide(path, frame.Width, frame.Height, frame.Ratio, frame.Background);
}

std::string SlideCaption(const FileList& list) {
  return ViewCaption(list);
}

}  // namespace verid
