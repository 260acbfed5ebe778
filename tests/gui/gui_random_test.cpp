// A randomized session with the real window (fixed seed, so every run is
// the same): clicks on enabled buttons, list choices, option boxes, text of
// every kind typed into cells and fields, pastes, label presses and sheet
// keys. Throughout, exactly one display is shown and the fit button's
// caption belongs to it, and no result, report or message reads "nan" or
// "inf"; afterwards the window still fits good data.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "GuiDriver.h"
#include "models/Models.h"
#include "tests/workbench/Fakes.h"
#include "workbench/MainUnit.h"
#include "workbench/TMainForm.h"

namespace Titrelle {
namespace {

using GuiTesting::TWindowDriver;

constexpr unsigned Seed = 20260411;
constexpr int EventCount = 3000;

// Texts that exercise the number reader: plain and odd numbers, values at
// and beyond the double range, words the C library would read as numbers,
// and garbage.
const std::vector<QString> Words = {
    "0",     "1",      "-1",        "0.5",    "2.3",     "1e-300", "1e308", "1e309",  "-1.7976931348623157e308",
    "1e999", "4.9e-324", "123456789012345678901234567890", "inf", "-inf", "nan", "NaN", "INF", "0x1p3", "1,5",
    "1.2.3", "--1",   "+", ".",         "e5",     "5e",      " 7 ",    "abc",   "\xce\xbc", "3x",  "",
};

// A plain decimal number of random size and sign.
QString RandomNumber(std::mt19937& Random)
{
  const double Mantissa = std::uniform_real_distribution<double>(-10.0, 10.0)(Random);
  const int Exponent = std::uniform_int_distribution<int>(0, 9)(Random) == 0
                           ? std::uniform_int_distribution<int>(-320, 320)(Random)
                           : std::uniform_int_distribution<int>(-3, 3)(Random);
  return QString::number(Mantissa, 'f', 4) + "e" + QString::number(Exponent);
}

// One random text: mostly a number (so that fits run), else a word, a
// random run of printable characters, or several words; sometimes with a
// control character (tab, CR, LF, 1) mixed in.
QString RandomText(std::mt19937& Random, bool AllowControl)
{
  std::uniform_int_distribution<int> Kind(0, 7);
  QString Text;
  switch (Kind(Random)) {
  case 0:
    Text = Words[std::uniform_int_distribution<std::size_t>(0, Words.size() - 1)(Random)];
    break;
  case 1: {
    const int Length = std::uniform_int_distribution<int>(1, 12)(Random);
    for (int I = 0; I < Length; ++I)
      Text += QChar(std::uniform_int_distribution<int>(33, 126)(Random));
    break;
  }
  case 2: {
    const int Count = std::uniform_int_distribution<int>(1, 4)(Random);
    for (int I = 0; I < Count; ++I)
      Text += Words[std::uniform_int_distribution<std::size_t>(0, Words.size() - 1)(Random)] + " ";
    break;
  }
  default:
    Text = RandomNumber(Random);
    break;
  }
  if (AllowControl && std::uniform_int_distribution<int>(0, 3)(Random) == 0) {
    static const char Controls[] = {'\t', '\r', '\n', '\x01'};
    const int At = std::uniform_int_distribution<int>(0, static_cast<int>(Text.size()))(Random);
    Text.insert(At, QChar(Controls[std::uniform_int_distribution<int>(0, 3)(Random)]));
  }
  return Text;
}

// Clipboard text for a paste: lines of pairs separated by CR LF.
QString RandomPaste(std::mt19937& Random)
{
  QString Text;
  const int Lines = std::uniform_int_distribution<int>(0, 8)(Random);
  for (int I = 0; I < Lines; ++I) {
    Text += RandomText(Random, false);
    if (std::uniform_int_distribution<int>(0, 1)(Random) == 1)
      Text += "\t" + RandomText(Random, false);
    Text += "\r\n";
  }
  if (std::uniform_int_distribution<int>(0, 1)(Random) == 1)
    Text += RandomText(Random, true);
  return Text;
}

bool MentionsNonFinite(const QString& Text)
{
  return Text.contains(QStringLiteral("nan"), Qt::CaseInsensitive) ||
         Text.contains(QStringLiteral("inf"), Qt::CaseInsensitive);
}

class GuiRandomTest : public testing::Test {
protected:
  void SetUp() override
  {
    ResetWorkbench();
    InitModels();
    Form = std::make_unique<TMainForm>();
    Form->SetMessages(&Messages);
    Form->SetShell(&Shell);
    Form->show();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    Driver = std::make_unique<TWindowDriver>(*Form);
    ASSERT_NE(Driver->Sheet(), nullptr);
    // The exit question is answered No, so the window stays open whenever
    // the sheet holds data.
    Messages.Answer = TMessageResult::No;
  }

  void TearDown() override
  {
    Driver.reset();
    Form.reset();
  }

  template <class T>
  T* Get(const char* Name) const
  {
    return Driver->Get<T>(Name);
  }

  bool Usable(const char* Name) const
  {
    const QWidget* W = Get<QWidget>(Name);
    return W != nullptr && W->isVisible() && W->isEnabled();
  }

  // One random user action.
  void RandomEvent(std::mt19937& Random)
  {
    static const char* const Buttons[] = {"Button1", "Button2", "Button3", "Button4", "Button5",
                                          "Button6", "Button7", "Button8", "Button9", "Button10"};
    static const char* const Combos[] = {"ComboBox1", "ComboBox2", "ComboBox3"};
    static const char* const Boxes[] = {"CheckBox1", "CheckBox2", "CheckBox3"};
    const int Kind = std::uniform_int_distribution<int>(0, 10)(Random);
    switch (Kind) {
    case 0:
    case 1: {
      const char* Name = Buttons[std::uniform_int_distribution<int>(0, 9)(Random)];
      if (Usable(Name))
        Driver->Click(Name);
      break;
    }
    case 2: {
      const char* Name = Combos[std::uniform_int_distribution<int>(0, 2)(Random)];
      if (Usable(Name)) {
        auto* Combo = Get<QComboBox>(Name);
        TWindowDriver::Choose(Combo, std::uniform_int_distribution<int>(0, Combo->count() - 1)(Random));
      }
      break;
    }
    case 3: {
      const char* Name = Boxes[std::uniform_int_distribution<int>(0, 2)(Random)];
      if (Usable(Name))
        QTest::mouseClick(Get<QAbstractButton>(Name), Qt::LeftButton);
      break;
    }
    case 4: {
      // A cell near the top (where data lives) or anywhere in the sheet.
      if (!Usable("StringGrid1"))
        break;
      const int Rows = Driver->SheetRowCount();
      const int Row = std::uniform_int_distribution<int>(0, 3)(Random) == 0
                          ? std::uniform_int_distribution<int>(1, Rows - 1)(Random)
                          : std::uniform_int_distribution<int>(1, 8)(Random);
      const int Col = std::uniform_int_distribution<int>(1, 2)(Random);
      const QString Before = Driver->Cell(Col, Row);
      const QString Text = RandomText(Random, true);
      const bool Control = std::any_of(Text.begin(), Text.end(), [](QChar C) { return C.unicode() < 32; });
      ASSERT_TRUE(Driver->InsertIntoCell(Col, Row, Text));
      // The edit guard takes back a text with a control character.
      EXPECT_EQ(Driver->Cell(Col, Row), Control ? Before : Text) << Text.toStdString();
      break;
    }
    case 5: {
      if (Usable("Edit1")) {
        auto* Edit1 = Get<QLineEdit>("Edit1");
        Edit1->setFocus();
        Edit1->insert(RandomText(Random, true));
        if (std::uniform_int_distribution<int>(0, 1)(Random) == 1)
          QTest::keyClick(Edit1, Qt::Key_Return);
        else
          Driver->Click("Button7");
      } else if (Usable("Edit4")) {
        auto* Edit4 = Get<QLineEdit>("Edit4");
        Edit4->selectAll();
        Edit4->insert(RandomText(Random, false));
      }
      break;
    }
    case 6:
      if (Usable("Button10")) {
        QGuiApplication::clipboard()->setText(RandomPaste(Random));
        Driver->Click("Button10");
      }
      break;
    case 7:
      if (Usable("StringGrid1"))
        Driver->PressRowLabel(std::uniform_int_distribution<int>(1, 12)(Random));
      break;
    case 8:
      if (Usable("StringGrid1")) {
        static const Qt::Key Keys[] = {Qt::Key_Return, Qt::Key_N, Qt::Key_Y};
        const int K = std::uniform_int_distribution<int>(0, 2)(Random);
        Driver->SetCurrentCell(std::uniform_int_distribution<int>(1, 2)(Random),
                               std::uniform_int_distribution<int>(1, 12)(Random));
        Driver->SheetKey(Keys[K], K == 0 ? Qt::NoModifier : Qt::ControlModifier);
      }
      break;
    case 9:
      // A clean set of standards on a random rising or falling curve, as a
      // user who corrects the sheet types it.
      if (Usable("StringGrid1")) {
        Driver->Click("Button9");
        const int Count = std::uniform_int_distribution<int>(2, 8)(Random);
        const double Slope = std::uniform_real_distribution<double>(-2.0, 2.0)(Random);
        std::vector<std::pair<QString, QString>> Pairs;
        for (int I = 0; I < Count; ++I) {
          const double X = I * std::uniform_real_distribution<double>(0.5, 3.0)(Random);
          const double Y = 2.0 + Slope * X / (1.0 + X) + std::uniform_real_distribution<double>(-0.05, 0.05)(Random);
          Pairs.emplace_back(QString::number(X, 'g', 4), QString::number(Y, 'g', 4));
        }
        ASSERT_TRUE(Driver->TypePairs(Pairs));
      }
      break;
    default:
      // Fits are what can go wrong: click the fit button more often.
      if (Usable("Button1"))
        Driver->Click("Button1");
      break;
    }
    // The exit button on an empty sheet closes the window; the user starts it again.
    if (!Form->isVisible())
      Form->show();
    QApplication::processEvents();
  }

  // Exactly one display is shown, and the fit button's caption is its own.
  void ExpectConsistentView(int Event) const
  {
    const bool Sheet = Get<QWidget>("StringGrid1")->isVisible();
    const bool Image = Get<QWidget>("Image1")->isVisible();
    const bool Memo = Get<QWidget>("Memo1")->isVisible();
    const bool List = Get<QWidget>("ListView1")->isVisible();
    ASSERT_EQ(Sheet + Image + Memo + List, 1) << "event " << Event;
    const QString Caption = Get<QAbstractButton>("Button1")->text();
    const QString Expected = Sheet   ? QStringLiteral("回归/拟合(&R)")
                             : Image ? QStringLiteral("数据输入(&R)")
                                     : QStringLiteral("曲线(&R)");
    ASSERT_EQ(Caption, Expected) << "event " << Event;
  }

  // No result of the list, no report and no message mentions nan or inf.
  void ExpectFiniteTexts(int Event, std::size_t& MessagesSeen) const
  {
    for (; MessagesSeen < Messages.Shown.size(); ++MessagesSeen)
      ASSERT_FALSE(MentionsNonFinite(QString::fromStdString(Messages.Shown[MessagesSeen].Text)))
          << "event " << Event << ": " << Messages.Shown[MessagesSeen].Text;
    const QAbstractItemModel* Model = Get<QAbstractItemView>("ListView1")->model();
    for (int R = 0; R < Model->rowCount(); ++R)
      ASSERT_FALSE(MentionsNonFinite(Model->index(R, 1).data().toString()))
          << "event " << Event << ": " << Model->index(R, 1).data().toString().toStdString();
    const QString Report = Get<QPlainTextEdit>("Memo1")->toPlainText();
    ASSERT_FALSE(MentionsNonFinite(Report)) << "event " << Event << ": " << Report.toStdString();
  }

  // From any view back to the data sheet, with the options at their start.
  void BackToDataEntry()
  {
    for (int I = 0; I < 2 && !Get<QWidget>("StringGrid1")->isVisible(); ++I)
      Driver->Click("Button1");
    ASSERT_TRUE(Get<QWidget>("StringGrid1")->isVisible());
    Driver->Click("Button9");
    for (int R = 1; R < Driver->SheetRowCount(); ++R)
      if (Driver->Cell(0, R) != QString::number(R))
        Driver->PressRowLabel(R);
    TWindowDriver::Choose(Get<QComboBox>("ComboBox1"), 0);
    TWindowDriver::Choose(Get<QComboBox>("ComboBox2"), 0);
    TWindowDriver::Choose(Get<QComboBox>("ComboBox3"), 0);
    Get<QCheckBox>("CheckBox3")->setChecked(false);
  }

  Testing::FakeMessages Messages;
  Testing::FakeShell Shell;
  std::unique_ptr<TMainForm> Form;
  std::unique_ptr<TWindowDriver> Driver;
};

TEST_F(GuiRandomTest, RandomSessionKeepsTheWindowConsistent)
{
  std::mt19937 Random(Seed);
  std::size_t MessagesSeen = 0;
  for (int Event = 0; Event < EventCount; ++Event) {
    ASSERT_NO_FATAL_FAILURE(RandomEvent(Random)) << "event " << Event;
    ASSERT_NO_FATAL_FAILURE(ExpectConsistentView(Event));
    ASSERT_NO_FATAL_FAILURE(ExpectFiniteTexts(Event, MessagesSeen));
  }

  // The window still answers and fits good data: y = 2x.
  QApplication::processEvents();
  ASSERT_NO_FATAL_FAILURE(BackToDataEntry());
  for (int R = 1; R < Driver->SheetRowCount(); ++R) {
    ASSERT_EQ(Driver->Cell(0, R), QString::number(R));
    ASSERT_TRUE(Driver->Cell(1, R).isEmpty() && Driver->Cell(2, R).isEmpty()) << R;
  }
  ASSERT_TRUE(Driver->TypePairs({{"1", "2"}, {"2", "4"}, {"3", "6"}}));
  const std::size_t Before = Messages.Shown.size();
  Driver->Click("Button1");
  EXPECT_EQ(Messages.Shown.size(), Before);
  ASSERT_TRUE(Get<QWidget>("Image1")->isVisible());
  Driver->Click("Button2");
  Driver->Click("Button9");
  QLineEdit* Edit1 = Get<QLineEdit>("Edit1");
  QTest::keyClicks(Edit1, "4");
  QTest::keyClick(Edit1, Qt::Key_Return);
  const QAbstractItemModel* Model = Get<QAbstractItemView>("ListView1")->model();
  ASSERT_EQ(Model->rowCount(), 1);
  EXPECT_EQ(Model->index(0, 1).data().toString(), QStringLiteral("2"));
}

}  // namespace
}  // namespace Titrelle
