// The program: sets up the application, creates the main window on the first argument
// and runs the event loop until the main window closes.
#include "app/Main.h"

#include <QApplication>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "platform/Platform.h"
#include "ui/Application.h"
#include "ui/QtDialogs.h"
#include "ui/QtScreen.h"

int main(int argc, char* argv[]) {
  // Help and version need no display: answered before Qt looks for one.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  if (std::optional<std::string> info = verid::ProgramInfoText(args)) {
    std::fputs(info->c_str(), stdout);
    return 0;
  }
  // Before the application object: it picks the window system.
  verid::PrepareWindowSystem();
  verid::AvoidHopelessBusLaunch();
  verid::WarmUpFonts();
  QApplication app(argc, argv);
  verid::SetupApplication(app);

  // Qt has taken its own options out of argv; the first remaining argument is ours.
  std::string argument = verid::FirstArgument(argc, argv);

  verid::QtScreenProvider screen;
  std::unique_ptr<verid::Platform> platform = verid::CreateSystemPlatform(&screen);
  verid::QtDialogs dialogs;
  verid::TMainForm form(dialogs, *platform, argument);
  screen.SetWindow(&form);
  // The program ends with its main window and with nothing else.
  QObject::connect(&form, &verid::TMainForm::Closed, &app, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  verid::CloseOnSignals closer(&form);
  form.Start();
  return app.exec();
}
