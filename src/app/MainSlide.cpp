// The main window's slide shows: the preview show stepping the preview panel, and the
// full-screen show started from here.
#include <QAction>
#include <QMenu>

#include "app/Browse.h"
#include "app/Hanyou.h"
#include "app/Main.h"
#include "ui/Panels.h"
#include "view/SlideFrm.h"
#include "view/SlideShow.h"

namespace verid {

namespace {

// The preview show's steps on the main window, through its public face.
class TMainSlides : public PreviewSlideWindow {
 public:
  explicit TMainSlides(TMainForm& form) : form_(form) {}

  void ShowSlide(int index) override {
    form_.List().SetItemIndex(index);
    form_.FileListBoxClick();
  }
  bool StopRequested() override { return form_.SlideStop; }
  void Wait(int ms) override { Delay(form_.GetPlatform(), static_cast<uint32_t>(std::max(ms, 0))); }

  void EnterSlideMode() override {
    form_.UseSlidePopup(true);
    form_.LockCommands(true);
    ShowMenus(false);
  }
  void LeaveSlideMode() override {
    form_.UnlockCommands();
    ShowMenus(true);
    form_.UseSlidePopup(false);
  }
  void PreviewFirst() override {
    form_.List().SetItemIndex(0);
    form_.FileListBoxClick();
  }

 private:
  // The show menu's view items and the separator after them give way to the stop item.
  void ShowMenus(bool normal) {
    for (const char* name :
         {"mnRealSize", "mnFitToScreen", "mnFulScreen", "mnCatarog", "mnSlideShow"})
      form_.Action(name)->setVisible(normal);
    if (QMenu* show = form_.Action("mnShow")->menu()) {
      const QList<QAction*> items = show->actions();
      const qsizetype full = items.indexOf(form_.Action("mnFulScreen"));
      if (full >= 0 && full + 1 < items.size() && items[full + 1]->isSeparator())
        items[full + 1]->setVisible(normal);  // N4
    }
    form_.Action("mnSlideExit")->setVisible(!normal);
  }

  TMainForm& form_;
};

}  // namespace

void TMainForm::mnSlide_ThumClick() {
  TMainSlides slides(*this);
  RunPreviewSlideShow(slides, List(), Settings(), GetDialogs(), SlideStop);
}

void TMainForm::mnSlideExitClick() {
  TMainSlides slides(*this);
  StopPreviewSlideShow(slides, Settings(), SlideStop);
}

void TMainForm::mnSlide_FulClick() {
  if (!HasCurrentFile(List())) return;
  SlideOriginHost host;
  host.Hide = [this] {
    LockCommands();
    ThumbImage()->Clear();
    ThumbImage()->hide();
    HideWithChooser();
  };
  host.Return = [this] {
    UnlockCommands();
    ShowWithChooser();
    repaint();
    FileListBoxClick();
  };
  host.BackToFirst = [this] { mnFirstClick(); };
  RunFullSlideShow(kSlideFromMain, ViewEnv{List(), Settings(), GetDialogs(), GetPlatform()}, host,
                   this);
}

}  // namespace verid
