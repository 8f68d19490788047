// A view surface that takes every display and does nothing with it, for timing the view
// without a window.
#pragma once

#include <optional>
#include <string>

#include "view/View.h"

namespace verid::bench {

class NullSurface : public ViewSurface {
 public:
  void ApplyMode(int, const ViewMenuState&) override {}
  void PaintMenus(const ViewMenuState&) override {}
  TColor FaceColor() override { return 0; }
  void SetBusy(bool) override {}
  void SetCaption(const std::string&) override {}
  void SetLabel(const std::string&) override {}
  void ClearPicture() override {}
  TBorders Borders() override { return {8, 34, 16}; }
  // Reads a pixel of what is shown, so that making it cannot be left out.
  void ShowFrame(const TViewFrame& frame) override {
    if (frame.Shown) seen = frame.Shown->ScanLine(1)[0];
  }
  void ShowBand(const std::optional<TRect>&) override {}
  void SetScreenCursor(int) override {}
  TPoint ScrollPos() override { return {}; }
  void SetScrollPos(const TPoint&) override {}
  TPoint ClientSize() override { return {}; }
  void CloseWindow() override {}

  volatile uint32_t seen = 0;
};

}  // namespace verid::bench
