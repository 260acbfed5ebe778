// Renders the main window's views to PNG pictures for the documentation:
// a four-parameter ELISA standard curve typed into the sheet and fitted,
// then the data sheet, the curve, the X-from-Y list with a few sample
// responses, and the regression report. Runs under Qt's offscreen platform.
// Usage: render_views OUTPUT-FOLDER
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>

#include <cstdio>

#include "GuiDriver.h"
#include "models/Models.h"
#include "numeric/startup.h"
#include "tests/workbench/Fakes.h"
#include "workbench/MainUnit.h"
#include "workbench/TMainForm.h"

namespace {

using Titrelle::GuiTesting::TWindowDriver;

// 8 standards in duplicate: concentration and optical density.
const std::vector<std::pair<QString, QString>> Standards = {
    {"0", "0.052"},  {"0", "0.058"},  {"0.5", "0.112"}, {"0.5", "0.121"}, {"1", "0.184"},  {"1", "0.176"},
    {"2.5", "0.392"}, {"2.5", "0.415"}, {"5", "0.706"},  {"5", "0.731"},  {"10", "1.153"}, {"10", "1.186"},
    {"25", "1.784"}, {"25", "1.823"}, {"50", "2.251"},  {"50", "2.298"},
};

// The list entry "Logistic Curve fitting 2 (Four parameters)".
constexpr int FourParameterEntry = 5;

bool Save(QWidget& Form, const QDir& Folder, const char* Name)
{
  QApplication::processEvents();
  const QString Path = Folder.filePath(QString::fromLatin1(Name) + ".png");
  if (!Form.grab().save(Path)) {
    std::fprintf(stderr, "render_views: cannot write %s\n", qPrintable(Path));
    return false;
  }
  std::printf("%s\n", qPrintable(Path));
  return true;
}

}  // namespace

int main(int argc, char** argv)
{
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication Application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: render_views OUTPUT-FOLDER\n");
    return 2;
  }
  const QDir Folder(QString::fromLocal8Bit(argv[1]));
  if (!QDir().mkpath(Folder.path())) {
    std::fprintf(stderr, "render_views: cannot create %s\n", argv[1]);
    return 1;
  }

  Titrelle::StartUpNumericFoundation();
  Titrelle::InitModels();
  // Messages are collected, not shown: a message here means the sample failed.
  Titrelle::Testing::FakeMessages Messages;
  Titrelle::TMainForm Form;
  Form.SetMessages(&Messages);
  Form.show();
  Form.activateWindow();
  QApplication::processEvents();
  TWindowDriver Driver(Form);

  if (!Driver.TypePairs(Standards)) {
    std::fprintf(stderr, "render_views: the sheet did not open a cell editor\n");
    return 1;
  }
  TWindowDriver::Choose(Driver.Get<QComboBox>("ComboBox1"), FourParameterEntry);
  Driver.SetCurrentCell(1, 1);
  bool Ok = Save(Form, Folder, "data-entry");

  Driver.Click("Button1");
  Ok = Save(Form, Folder, "curve") && Ok;

  Driver.Click("Button2");
  QLineEdit* Input = Driver.Get<QLineEdit>("Edit1");
  QTest::keyClicks(Input, "0.3 0.85 1.5 2.1");
  Driver.Click("Button7");
  Ok = Save(Form, Folder, "x-from-y") && Ok;

  Driver.Click("Button8");
  Ok = Save(Form, Folder, "report") && Ok;

  for (const Titrelle::TMessage& M : Messages.Shown)
    std::fprintf(stderr, "render_views: message \"%s\" (%s)\n", M.Text.c_str(), M.Caption.c_str());
  return Ok && Messages.Shown.empty() ? 0 : 1;
}
