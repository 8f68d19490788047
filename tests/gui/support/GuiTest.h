// Shared set-up of the window tests: the application object (offscreen unless a display
// is asked for) and a main window built on a temporary program folder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// GuiTestMain on one w x h screen at 96 dpi for the offscreen platform, unless a display
// was asked for.
inline int GuiTestMainOnScreen(int argc, char** argv, int w, int h) {
  std::string config;
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  if (!qpa || std::string(qpa).rfind("offscreen", 0) == 0) {
    config = std::filesystem::temp_directory_path() /
             ("verid_screen_" + std::to_string(getpid()) + ".json");
    std::ofstream(config) << R"({"screens":[{"name":"S","x":0,"y":0,"width":)" << w
                          << R"(,"height":)" << h << R"(,)"
                          << R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})";
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
  }
  int rc = GuiTestMain(argc, argv);
  if (!config.empty()) std::filesystem::remove(config);
  return rc;
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

// A main window's test with a folder "pics" of three BMPs (a, b, c) and the settings'
// first copy folder "copies" and second move folder "moved/".
class MainWithFoldersTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    folder = dir.MakeDir("pics");
    copyTarget = dir.MakeDir("copies");
    moveTarget = dir.MakeDir("moved");
    AppSettings s;
    s.FirstRunHint = false;
    s.CopyFolders[0] = copyTarget;
    s.MoveFolders[1] = moveTarget + "/";
    MoreSettings(s);
    WriteSettings(s);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) WriteBmp(folder + "/" + name, 4, 3);
  }
  // What a test adds to the settings before they are saved.
  virtual void MoreSettings(AppSettings&) {}
  std::string folder, copyTarget, moveTarget;
};

}  // namespace verid::test
