// Shared set-up of the window tests: the application object (offscreen unless a display
// is asked for) and a main window built on a temporary program folder.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/Main.h"
#include "app/Settings.h"
#include "imaging/Bitmap.h"
#include "support/FakePlatform.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"
#include "support/WorkingFolder.h"
#include "ui/Application.h"

namespace verid::test {

inline int GuiTestMain(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  SetupApplication(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// Input as the user gives it, without the Qt test library.
inline void SendKey(QWidget* widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &press);
  QCoreApplication::sendEvent(widget, &release);
}
inline void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& pos) {
  QPointF global = widget->mapToGlobal(QPointF(pos));
  QMouseEvent event(type, QPointF(pos), global, Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}
inline void Click(QWidget* widget, const QPoint& pos) {
  SendMouse(widget, QEvent::MouseButtonPress, pos);
  SendMouse(widget, QEvent::MouseButtonRelease, pos);
}
inline void DoubleClick(QWidget* widget, const QPoint& pos) {
  Click(widget, pos);
  SendMouse(widget, QEvent::MouseButtonPress, pos);
  SendMouse(widget, QEvent::MouseButtonDblClick, pos);
  SendMouse(widget, QEvent::MouseButtonRelease, pos);
}
// Handles events until the condition holds or about two seconds have passed.
inline bool WaitUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 200; ++i) {
    if (done()) return true;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(10);
  }
  return done();
}

// Writes a w x h 24-bit BMP.
inline std::string WriteBmp(const std::string& path, int w, int h) {
  TBitmap bitmap(w, h, TPixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = bitmap.ScanLine(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = 200;
    }
  bitmap.SaveToFile(path);
  return path;
}

// A program folder with its executable path, the settings beside it, and a main window
// made on demand.
class MainWindowTest : public WorkingFolderTest {
 protected:
  void SetUp() override {
    programDir = dir.MakeDir("bin");
    platform.executablePath = programDir + "/verid";
    iniPath = SettingsPathFor(platform.executablePath);
    std::filesystem::current_path(dir.Path());
  }
  void TearDown() override { form.reset(); }
  // Settings saved before the window is made (FirstRunHint off unless asked).
  void WriteSettings(const AppSettings& settings) { settings.Save(iniPath); }
  TMainForm& Make(const std::string& commandLine = {}) {
    form = std::make_unique<TMainForm>(dialogs, platform, commandLine);
    return *form;
  }
  QAction* Act(const char* name) { return form->Action(name); }

  TempDir dir;
  std::string programDir;
  std::string iniPath;
  FakePlatform platform;
  ScriptedDialogs dialogs;
  std::unique_ptr<TMainForm> form;

 private:
};

}  // namespace verid::test
