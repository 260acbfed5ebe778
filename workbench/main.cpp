// Program entry: the numerical start-up, then the main window and the event
// loop until the window is closed.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QApplication>
#include <QIcon>

#include "numeric/startup.h"
#include "workbench/TMainForm.h"

namespace {

bool IsSet(const char* Name)
{
  const char* Value = std::getenv(Name);
  return Value != nullptr && *Value != '\0';
}

// True when Qt has somewhere to show the window: an X11 or Wayland display,
// or a platform chosen explicitly (environment or -platform argument).
bool DisplayAvailable(int argc, char* argv[])
{
  if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM"))
    return true;
  for (int I = 1; I < argc; ++I)
    if (std::strcmp(argv[I], "-platform") == 0 || std::strcmp(argv[I], "--platform") == 0)
      return true;
  return false;
}

}  // namespace

int main(int argc, char* argv[])
{
  Titrelle::StartUpNumericFoundation();

  // Without a display Qt would abort; say why and stop cleanly instead.
  if (!DisplayAvailable(argc, argv)) {
    std::fputs("Titrelle needs a graphical display (X11 or Wayland); none was found.\n", stderr);
    return EXIT_FAILURE;
  }

  QApplication App(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Titrelle"));
  // The icon and desktop entry installed with the program (none in a build tree).
  QApplication::setDesktopFileName(QStringLiteral("titrelle"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("titrelle")));

  Titrelle::TMainForm Form;
  Form.show();
  return App.exec();
}
