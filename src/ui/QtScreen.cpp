#include "ui/QtScreen.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>

namespace verid {

namespace {
TRect ToRect(const QRect& r) {
  return Bounds(r.x(), r.y(), r.width(), r.height());
}
}  // namespace

static QScreen* ScreenOf(QWidget* window) {
  if (window && window->screen()) return window->screen();
  return QGuiApplication::primaryScreen();
}

TRect QtScreenProvider::WorkArea() {
  QScreen* screen = ScreenOf(window_.data());
  return screen ? ToRect(screen->availableGeometry()) : TRect{};
}

TRect QtScreenProvider::ScreenRect() {
  QScreen* screen = ScreenOf(window_.data());
  return screen ? ToRect(screen->geometry()) : TRect{};
}

void QtScreenProvider::ProcessPendingEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtScreenProvider::WaitForEvents(uint32_t ms) {
  QTimer timer;
  timer.setSingleShot(true);
  timer.start(static_cast<int>(std::min<uint32_t>(ms, 0x7FFFFFFF)));
  // Returns when an event (the timer's, at the latest) has been handled.
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace verid
