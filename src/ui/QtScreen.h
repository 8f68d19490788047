// The screen, work area and event loop as the platform layer asks for them.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/Platform.h"

namespace verid {

class QtScreenProvider : public ScreenProvider {
 public:
  // The screen is the one `window` is on (the primary screen while there is none).
  void SetWindow(QWidget* window) { window_ = window; }
  TRect WorkArea() override;
  TRect ScreenRect() override;
  void ProcessPendingEvents() override;
  // Sleeps in the event loop; a timer ends the wait when no event comes first.
  void WaitForEvents(uint32_t ms) override;

 private:
  QPointer<QWidget> window_;
};

}  // namespace verid
