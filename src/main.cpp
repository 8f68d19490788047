// The program: sets up the application, creates the main window on the first argument
// and runs the event loop until the main window closes.
#include "app/Main.h"

#include <QApplication>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "ui/Application.h"
#include "ui/QtDialogs.h"
#include "ui/QtScreen.h"

int main(int argc, char* argv[]) {
  // Before the application object: it picks the window system.
  verid::PrepareWindowSystem();
  QApplication app(argc, argv);
  verid::SetupApplication(app);

  // Qt has taken its own options out of argv; the first remaining argument is ours.
  std::string argument = verid::FirstArgument(argc, argv);

  verid::QtScreenProvider screen;
  std::unique_ptr<verid::Platform> platform = verid::CreateSystemPlatform(&screen);
  verid::QtDialogs dialogs;
  verid::TMainForm form(dialogs, *platform, argument);
  screen.SetWindow(&form);
  verid::CloseOnSignals closer(&form);
  form.show();
  return app.exec();
}
