#include "ui/Application.h"

#include <QApplication>
#include <QBitmap>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>
#include <QWindow>
#include <cerrno>
#include <cstring>
#include <map>

#include "platform/Signals.h"
#include "ui/AppIcon.h"

namespace verid {

namespace {

std::map<int, QCursor>& Cursors() {
  static std::map<int, QCursor> cursors;
  return cursors;
}

// The selection cursor: a thin cross with a small square at its centre, white-edged so it
// shows on dark and light pictures alike.
QCursor MakeTrimingCursor() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, false);
  auto cross = [&p](const QColor& colour, int width) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(15, 2, 15, 12);
    p.drawLine(15, 18, 15, 28);
    p.drawLine(2, 15, 12, 15);
    p.drawLine(18, 15, 28, 15);
    p.drawRect(13, 13, 4, 4);
  };
  cross(Qt::white, 3);
  cross(Qt::black, 1);
  p.end();
  return QCursor(pixmap, 15, 15);
}

// The panning cursor: an open hand.
QCursor MakeHandCursor() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath hand;
  // Four fingers, a thumb and the palm.
  const int fingerX[4] = {9, 13, 17, 21};
  const int fingerTop[4] = {6, 4, 5, 8};
  for (int i = 0; i < 4; ++i)
    hand.addRoundedRect(QRectF(fingerX[i], fingerTop[i], 3.5, 14), 1.7, 1.7);
  hand.addRoundedRect(QRectF(4, 13, 3.5, 10), 1.7, 1.7);
  hand.addRoundedRect(QRectF(7, 14, 18, 13), 4, 4);
  hand.setFillRule(Qt::WindingFill);
  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(Qt::white);
  p.drawPath(hand.simplified());
  p.end();
  return QCursor(pixmap, 15, 15);
}

}  // namespace

void RegisterCursors() {
  auto& cursors = Cursors();
  if (!cursors.empty()) return;
  cursors[kCursorTriming] = MakeTrimingCursor();
  cursors[kCursorHand] = MakeHandCursor();
}

QCursor ScreenCursor(int id) {
  RegisterCursors();
  auto it = Cursors().find(id);
  return it == Cursors().end() ? QCursor(Qt::ArrowCursor) : it->second;
}

const char* ScreenCursorName(int id) {
  switch (id) {
    case kCursorTriming:
      return "TRIMING";
    case kCursorHand:
      return "HAND";
    default:
      return "";
  }
}

QFont UiFont(int pixels) {
  QFont font(QString::fromUtf8(kUiFontFamily));
  font.setPixelSize(pixels);
  return font;
}

namespace {

// Texts of Qt's file dialogs that its Japanese catalog lacks (the file list's type column).
class MissingQtTexts : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* = nullptr,
                    int = -1) const override {
    if (std::strcmp(context, "QAbstractFileIconProvider") != 0) return {};
    if (std::strcmp(source, "Folder") == 0) return QString::fromUtf8("フォルダー");
    if (std::strcmp(source, "Drive") == 0) return QString::fromUtf8("ドライブ");
    if (std::strcmp(source, "File") == 0) return QString::fromUtf8("ファイル");
    if (std::strcmp(source, "Unknown") == 0) return QString::fromUtf8("不明");
    return {};
  }
};

// The whole interface is Japanese, so Qt's own dialogs are too, whatever the locale:
// their texts, and the file type names they take from the locale. Without the
// translation installed their texts stay in English.
void LoadQtTranslation(QApplication& app) {
  QCoreApplication::installTranslator(new MissingQtTexts(&app));
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator))
    delete translator;
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
}

// The program window the user last worked in.
QPointer<QWidget>& LastActiveWindow() {
  static QPointer<QWidget> window;
  return window;
}

bool IsShownProgramWindow(const QWidget* w) {
  if (!w || !w->isWindow() || !w->isVisible()) return false;
  switch (w->windowType()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::SplashScreen:
    case Qt::Desktop:
      return false;
    default:
      return true;
  }
}

}  // namespace

QWidget* TopProgramWindow() {
  // The modal chain first: right after one dialog closed, nothing may be active yet while
  // the window that ran it is still waiting on screen.
  if (QWidget* modal = QApplication::activeModalWidget(); IsShownProgramWindow(modal)) return modal;
  if (QWidget* active = QApplication::activeWindow(); IsShownProgramWindow(active)) return active;
  if (QWidget* last = LastActiveWindow().data(); IsShownProgramWindow(last)) return last;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (IsShownProgramWindow(w)) return w;
  return nullptr;
}

void SetupApplication(QApplication& app) {
  // A box closing over a hidden main window would otherwise end the program.
  QApplication::setQuitOnLastWindowClosed(false);
  // The menus belong in the windows, whose layout counts on them; and asking the session
  // bus for a global menu bar costs every start a round trip or a failed bus launch.
  QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
  QObject::connect(&app, &QGuiApplication::focusWindowChanged, &app, [] {
    if (QWidget* active = QApplication::activeWindow()) LastActiveWindow() = active;
  });
  QFont::insertSubstitution(QString::fromUtf8(kUiFontFamily), QString::fromUtf8(kUiFontSubstitute));
  LoadQtTranslation(app);
  QApplication::setApplicationName(QString::fromUtf8(kAppTitle));
  QApplication::setApplicationDisplayName(QString());
  // The desktop matches the windows to the installed entry and its icon by this name.
  QGuiApplication::setDesktopFileName(QString::fromUtf8(kDesktopEntryId));
  QApplication::setWindowIcon(AppWindowIcon());
  app.setFont(UiFont());
  RegisterCursors();
}

void ShowDefaultError(Dialogs& dialogs, const std::string& message) {
  MessageRequest request;
  request.Kind = MsgKind::Plain;
  request.Title = kAppTitle;
  request.Text = message;
  request.Buttons = {MsgButton::Ok};
  dialogs.Message(request);
}

void ShowCurrentException(Dialogs& dialogs) {
  std::string message;
  try {
    throw;
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = kUnknownErrorMessage;
  }
  ShowDefaultError(dialogs, message);
}

void RunCommand(Dialogs& dialogs, const std::function<void()>& command) noexcept {
  try {
    command();
  } catch (...) {
    try {
      ShowCurrentException(dialogs);
    } catch (...) {
      // The box itself failed; there is nothing left to tell the user with.
    }
  }
}

// --- signals ---------------------------------------------------------------------------

CloseOnSignals::CloseOnSignals(QWidget* window) : QObject(window), window_(window) {
  const int requests = StartTerminationRequests();
  if (requests < 0) return;
  notifier_ = new QSocketNotifier(requests, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &CloseOnSignals::OnReadable);

  // A logout asks the session's programs to save: close the window, which saves.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
    if (window_) window_->close();
  });
}

CloseOnSignals::~CloseOnSignals() {
  StopTerminationRequests();
}

void CloseOnSignals::OnReadable() {
  if (!TakeTerminationRequests()) return;
  ++delivered_;
  CloseWindow(0);
}

void CloseOnSignals::CloseWindow(int attempt) {
  if (!window_) return;
  // Boxes first (answered as by Escape), then the program's other windows (a slide show,
  // a catalog) as their close boxes would, so each activity ends its own way and gives the
  // main window back before it closes.
  if (attempt < 40) {
    QWidget* other = QApplication::activeModalWidget();
    if (!other)
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w != window_ && IsShownProgramWindow(w)) {
          other = w;
          break;
        }
    if (other) {
      other->close();
      QTimer::singleShot(attempt < 10 ? 0 : 50, this,
                         [this, attempt] { CloseWindow(attempt + 1); });
      return;
    }
  }
  window_->close();
}

}  // namespace verid
