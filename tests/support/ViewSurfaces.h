// A view surface that keeps the last frame it was given and does nothing else, for tests
// of what the view window shows.
#pragma once

#include <optional>
#include <string>

#include "view/View.h"

namespace verid::test {

class LastFrameSurface : public ViewSurface {
 public:
  void ApplyMode(int, const ViewMenuState&) override {}
  void PaintMenus(const ViewMenuState&) override {}
  TColor FaceColor() override { return 0xC0C0C0; }
  void SetBusy(bool) override {}
  void SetCaption(const std::string&) override {}
  void SetLabel(const std::string&) override {}
  void ClearPicture() override {}
  TBorders Borders() override { return {8, 34, 16}; }
  void ShowFrame(const TViewFrame& f) override { frame = f; }
  void ShowBand(const std::optional<TRect>&) override {}
  void SetScreenCursor(int) override {}
  TPoint ScrollPos() override { return {}; }
  void SetScrollPos(const TPoint&) override {}
  TPoint ClientSize() override { return {}; }
  void CloseWindow() override {}

  TViewFrame frame;
};

}  // namespace verid::test
