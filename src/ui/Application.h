// Application-wide set-up of the window layer: the UI font, the two screen cursors, the
// default error box, the command wrapper every handler runs through, and the signals
// that close the main window.
#pragma once

#include <QCursor>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <exception>
#include <functional>
#include <string>

#include "app/Dialogs.h"

class QApplication;
class QSocketNotifier;

namespace verid {

inline constexpr const char* kAppTitle = "Verid";
// The installed desktop entry (and icon) name, without ".desktop".
inline constexpr const char* kDesktopEntryId = "io.github.verid.Verid";
inline constexpr const char* kUiFontFamily = "ＭＳ Ｐゴシック";
inline constexpr const char* kUiFontSubstitute = "IPAPGothic";
inline constexpr int kUiFontPixels = 12;
inline constexpr const char* kUnknownErrorMessage = "予期しないエラーが発生しました";

// Title, icon, font (with the Linux substitute), Qt's Japanese texts and cursors. Call
// once after QApplication. The program then ends only when its main window says so, never
// because the last window on screen was a box that closed.
void SetupApplication(QApplication& app);

// The window a box or dialog belongs to: the top of the modal chain, else the active
// window, else the window of the program last active that is still shown, else any shown
// window of the program; null when none is shown.
QWidget* TopProgramWindow();
// The UI font at the given pixel size.
QFont UiFont(int pixels = kUiFontPixels);

// Screen cursors: 1 = "TRIMING" (selection), 2 = "HAND" (panning). Registered by
// SetupApplication (or on first use); an unknown number gives the arrow.
enum ScreenCursorId { kCursorTriming = 1, kCursorHand = 2 };
void RegisterCursors();
QCursor ScreenCursor(int id);
const char* ScreenCursorName(int id);

// The default error box: title "Verid", the message, one OK button.
void ShowDefaultError(Dialogs& dialogs, const std::string& message);
// Shows the default error box for the exception in flight (call inside a catch).
void ShowCurrentException(Dialogs& dialogs);

// Runs one command; whatever it throws ends the command in the default error box and the
// program goes on. Nothing escapes into Qt.
void RunCommand(Dialogs& dialogs, const std::function<void()>& command) noexcept;

// SIGTERM and SIGINT (and a session logout) close `window` as its close box does. The
// signal handler only writes to a pipe; the close happens in the event loop.
class CloseOnSignals : public QObject {
  Q_OBJECT
 public:
  explicit CloseOnSignals(QWidget* window);
  ~CloseOnSignals() override;
  // Number of signals handed to the window so far.
  int Delivered() const { return delivered_; }

 private:
  void OnReadable();
  void CloseWindow(int attempt);
  QPointer<QWidget> window_;
  QSocketNotifier* notifier_ = nullptr;
  int delivered_ = 0;
};

}  // namespace verid
