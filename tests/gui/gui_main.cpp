// GUI test entry: Qt's offscreen platform (no display needed), one
// application object for all tests, and the numerical and registry start-up
// steps that run before the window opens in the program.
#include <gtest/gtest.h>

#include <QApplication>

#include "models/Models.h"
#include "numeric/startup.h"

int main(int argc, char** argv)
{
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication Application(argc, argv);
  // Tests close the window on purpose; that must not end the application.
  QApplication::setQuitOnLastWindowClosed(false);
  Titrelle::StartUpNumericFoundation();
  Titrelle::InitModels();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
