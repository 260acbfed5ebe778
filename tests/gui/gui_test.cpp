// The real main window under Qt's offscreen platform: a user's session with
// the data sheet, every model, the calculation lists, the report, the
// clipboard in both directions, the exclusion marks, the data and fit
// messages, the help page, the About box and the exit confirmation. Message
// boxes and the desktop are the in-memory fakes, so nothing modal blocks.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAbstractButton>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "GuiDriver.h"
#include "models/Models.h"
#include "tests/workbench/Fakes.h"
#include "workbench/MainUnit.h"
#include "workbench/TMainForm.h"

namespace Titrelle {
namespace {

using GuiTesting::TWindowDriver;
using Pairs = std::vector<std::pair<QString, QString>>;

const std::string TwoPairsText = "必须有两对以上数据才能进行回归计算.";
const std::string RegressionFaultText = "回归计算时出现运算错误, 可能您的数据不适合此回归模型. ";
const std::string NoZeroPointText = "必须有一个或几个X值为0的点, 该点的Y值为最大, 才能进行Logit-ln直线回归";
const QString DataCaption = QStringLiteral("回归/拟合(&R)");
const QString CurveCaption = QStringLiteral("数据输入(&R)");
const QString BackCaption = QStringLiteral("曲线(&R)");

// A rising four-parameter ELISA curve, 8 standards in duplicate.
const Pairs ElisaStandards = {
    {"0", "0.05"},  {"0", "0.06"},  {"0.5", "0.11"}, {"0.5", "0.12"}, {"1", "0.18"},  {"1", "0.19"},
    {"2.5", "0.39"}, {"2.5", "0.41"}, {"5", "0.70"},  {"5", "0.72"},  {"10", "1.15"}, {"10", "1.18"},
    {"25", "1.78"}, {"25", "1.82"}, {"50", "2.25"},  {"50", "2.30"},
};

// A falling competitive curve whose zero standard has the largest response,
// as the logit-log line needs.
const Pairs CompetitiveStandards = {
    {"0", "2.0"}, {"1", "1.6"}, {"5", "1.0"}, {"25", "0.45"}, {"100", "0.15"},
};

// What the view table says for one mode (ModelCode matters for Button8 only).
struct TExpectedView {
  bool Sheet, Image, Memo, Calculation, Inputs, ModeButtons, XFromY, YFromX, ReportVisible, ReportEnabled, Clear,
      Paste;
  QString Caption;
};

TExpectedView ExpectedView(int Mode, bool Spline)
{
  switch (Mode) {
  case ModeDataEntry:
    return {true, false, false, false, true, false, true, true, false, !Spline, true, true, DataCaption};
  case ModeCurve:
    return {false, true, false, false, false, true, true, true, true, !Spline, false, false, CurveCaption};
  case ModeXFromY:
    return {false, false, false, true, false, true, false, true, true, !Spline, true, true, BackCaption};
  case ModeYFromX:
    return {false, false, false, true, false, true, true, false, true, !Spline, true, true, BackCaption};
  default:
    return {false, false, true, false, false, true, true, true, true, false, false, false, BackCaption};
  }
}

class GuiTest : public testing::Test {
protected:
  void SetUp() override
  {
    ResetWorkbench();
    InitModels();
    QGuiApplication::clipboard()->clear();
    Form = std::make_unique<TMainForm>();
    Form->SetMessages(&Messages);
    Form->SetShell(&Shell);
    Form->show();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    Driver = std::make_unique<TWindowDriver>(*Form);
    ASSERT_NE(Driver->Sheet(), nullptr);
  }

  void TearDown() override
  {
    Driver.reset();
    Form.reset();
  }

  template <class T>
  T* Get(const char* Name) const
  {
    T* Control = Driver->Get<T>(Name);
    EXPECT_NE(Control, nullptr) << Name;
    return Control;
  }

  bool Visible(const char* Name) const { return Get<QWidget>(Name)->isVisible(); }
  bool Enabled(const char* Name) const { return Get<QWidget>(Name)->isEnabled(); }
  QString Caption(const char* Name) const { return Get<QAbstractButton>(Name)->text(); }

  // Every control that the view table names, checked against the table.
  void ExpectView(int Mode, bool Spline = false) const
  {
    const TExpectedView E = ExpectedView(Mode, Spline);
    SCOPED_TRACE("mode " + std::to_string(Mode));
    EXPECT_EQ(Visible("StringGrid1"), E.Sheet);
    EXPECT_EQ(Visible("Image1"), E.Image);
    EXPECT_EQ(Visible("Memo1"), E.Memo);
    for (const char* Name : {"Label4", "Edit1", "Button7", "ListView1"})
      EXPECT_EQ(Visible(Name), E.Calculation) << Name;
    for (const char* Name :
         {"ComboBox1", "ComboBox2", "ComboBox3", "CheckBox1", "CheckBox2", "CheckBox3", "Edit2", "Edit3", "Edit4"})
      EXPECT_EQ(Enabled(Name), E.Inputs) << Name;
    EXPECT_EQ(Visible("Button2"), E.ModeButtons);
    EXPECT_EQ(Visible("Button3"), E.ModeButtons);
    EXPECT_EQ(Enabled("Button2"), E.XFromY);
    EXPECT_EQ(Enabled("Button3"), E.YFromX);
    EXPECT_EQ(Visible("Button8"), E.ReportVisible);
    // Hidden in the data sheet, where its state shows only at the next update.
    if (E.ReportVisible) {
      EXPECT_EQ(Enabled("Button8"), E.ReportEnabled);
    }
    EXPECT_EQ(Visible("Button9"), E.Clear);
    EXPECT_EQ(Enabled("Button10"), E.Paste);
    EXPECT_EQ(Caption("Button1"), E.Caption);
  }

  // Texts of the calculation list: one (input, result) pair per item.
  std::vector<std::pair<QString, QString>> ListItems() const
  {
    const QAbstractItemModel* Model = Get<QAbstractItemView>("ListView1")->model();
    std::vector<std::pair<QString, QString>> Items;
    for (int R = 0; R < Model->rowCount(); ++R)
      Items.emplace_back(Model->index(R, 0).data().toString(), Model->index(R, 1).data().toString());
    return Items;
  }

  QString ListCaption(int Col) const
  {
    return Get<QAbstractItemView>("ListView1")->model()->headerData(Col, Qt::Horizontal).toString();
  }

  // Types Text into Edit1 and presses Enter.
  void EnterInEdit1(const QString& Text)
  {
    QLineEdit* Edit1 = Get<QLineEdit>("Edit1");
    Edit1->setFocus();
    QTest::keyClicks(Edit1, Text);
    QTest::keyClick(Edit1, Qt::Key_Return);
    QApplication::processEvents();
  }

  // Types the pairs and fits them with the model of list entry Index.
  void TypeAndFit(const Pairs& Data, int Index)
  {
    ASSERT_TRUE(Driver->TypePairs(Data));
    TWindowDriver::Choose(Get<QComboBox>("ComboBox1"), Index);
    Driver->Click("Button1");
  }

  std::string ClipboardText() const { return QGuiApplication::clipboard()->text().toStdString(); }

  // Messages with the caption "错误".
  int ErrorCount() const
  {
    int N = 0;
    for (const TMessage& M : Messages.Shown)
      N += M.Caption == "错误" ? 1 : 0;
    return N;
  }

  Testing::FakeMessages Messages;
  Testing::FakeShell Shell;
  std::unique_ptr<TMainForm> Form;
  std::unique_ptr<TWindowDriver> Driver;
};

// ---------------------------------------------------------------------------
// Start-up and the session

TEST_F(GuiTest, StartUpShowsTheLabelledDataSheet)
{
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Titrelle Regression/Fitting Calculation Program - v 0.1"));
  ExpectView(ModeDataEntry);
  EXPECT_EQ(Driver->Cell(1, 0), QStringLiteral("X (浓度/剂量)"));
  EXPECT_EQ(Driver->Cell(2, 0), QStringLiteral("Y (反应值)"));
  EXPECT_EQ(Driver->SheetRowCount(), InitialRowCount);
  for (int R = 1; R < InitialRowCount; ++R) {
    EXPECT_EQ(Driver->Cell(0, R), QString::number(R));
    EXPECT_TRUE(Driver->Cell(1, R).isEmpty());
    EXPECT_TRUE(Driver->Cell(2, R).isEmpty());
  }
  QComboBox* Models = Get<QComboBox>("ComboBox1");
  EXPECT_EQ(Models->count(), 10);
  EXPECT_EQ(Models->currentText(), QStringLiteral("Linear regression"));
  EXPECT_FALSE(Visible("CheckBox1"));
  EXPECT_FALSE(Visible("CheckBox2"));
  EXPECT_TRUE(Messages.Shown.empty());
}

// Every model of the list fits the ELISA standards and walks through all
// views; each view shows the controls of the view table.
TEST_F(GuiTest, EveryModelFitsAndShowsEveryView)
{
  ASSERT_TRUE(Driver->TypePairs(ElisaStandards));
  EXPECT_EQ(Driver->Cell(1, 16), QStringLiteral("50"));
  EXPECT_EQ(Driver->Cell(2, 16), QStringLiteral("2.30"));
  QComboBox* Models = Get<QComboBox>("ComboBox1");
  for (int Index = 0; Index < Models->count(); ++Index) {
    if (Index == 3)
      continue;  // logit-log needs a competitive curve, below
    const bool Spline = Index == 9;
    SCOPED_TRACE(Models->itemText(Index).toStdString());
    TWindowDriver::Choose(Models, Index);
    ASSERT_EQ(Models->currentIndex(), Index);
    EXPECT_EQ(Visible("CheckBox1"), Index == 4);
    EXPECT_EQ(Visible("CheckBox2"), Index == 4 || Index == 8);
    ExpectView(ModeDataEntry, Spline);

    Driver->Click("Button1");
    EXPECT_EQ(ErrorCount(), 0);
    ExpectView(ModeCurve, Spline);

    Driver->Click("Button2");
    ExpectView(ModeXFromY, Spline);
    EXPECT_EQ(Get<QLabel>("Label4")->text(), QStringLiteral("Y值  "));
    // The list holds the previous model's values, calculated anew: clear it.
    Driver->Click("Button9");
    EXPECT_TRUE(ListItems().empty());
    EnterInEdit1("0.7");
    ASSERT_EQ(ListItems().size(), 1u);
    EXPECT_EQ(ListItems()[0].first, QStringLiteral("0.7"));
    EXPECT_TRUE(Get<QLineEdit>("Edit1")->text().isEmpty());

    Driver->Click("Button3");
    ExpectView(ModeYFromX, Spline);
    EXPECT_EQ(Get<QLabel>("Label4")->text(), QStringLiteral("X值  "));
    Driver->Click("Button9");
    EnterInEdit1("5");
    ASSERT_EQ(ListItems().size(), 1u);
    EXPECT_EQ(ListItems()[0].first, QStringLiteral("5"));

    if (!Spline) {
      Driver->Click("Button8");
      ExpectView(ModeReport);
      EXPECT_TRUE(Visible("Memo1"));
      EXPECT_NE(Get<QPlainTextEdit>("Memo1")->toPlainText(), QStringLiteral("Memo1"));
      EXPECT_FALSE(Get<QPlainTextEdit>("Memo1")->toPlainText().isEmpty());
    }

    Driver->Click("Button1");
    ExpectView(ModeCurve, Spline);
    Driver->Click("Button1");
    ExpectView(ModeDataEntry, Spline);
  }
  EXPECT_EQ(ErrorCount(), 0);
}

// Logit-log on a competitive curve: the fit and its report.
TEST_F(GuiTest, LogitLogFitsACompetitiveCurve)
{
  TypeAndFit(CompetitiveStandards, 3);
  EXPECT_TRUE(Messages.Shown.empty());
  ExpectView(ModeCurve);
  Driver->Click("Button8");
  ExpectView(ModeReport);
  EXPECT_TRUE(Get<QPlainTextEdit>("Memo1")->toPlainText().startsWith(QStringLiteral("Logit-log 直线回归")));
}

// ---------------------------------------------------------------------------
// Calculation lists

// y = 2x fitted exactly by the straight line.
TEST_F(GuiTest, CalculationListsCalculateCopyPasteAndClear)
{
  TypeAndFit({{"1", "2"}, {"2", "4"}, {"3", "6"}, {"4", "8"}}, 0);
  ASSERT_TRUE(Messages.Shown.empty());

  Driver->Click("Button2");
  EXPECT_EQ(ListCaption(0), QStringLiteral("Y值"));
  EXPECT_EQ(ListCaption(1), QStringLiteral("X值"));
  // Enter calculates every value of the field.
  EnterInEdit1("4 6");
  // The button calculates too.
  QTest::keyClicks(Get<QLineEdit>("Edit1"), "8");
  Driver->Click("Button7");
  using Items = std::vector<std::pair<QString, QString>>;
  EXPECT_EQ(ListItems(), (Items{{"4", "2"}, {"6", "3"}, {"8", "4"}}));

  // The list copies as tab-separated lines.
  Driver->Click("Button4");
  EXPECT_EQ(ClipboardText(), "Y值\tX值\r\n4\t2\r\n6\t3\r\n8\t4\r\n");

  // The other list, and back: the inputs are calculated again.
  Driver->Click("Button3");
  EXPECT_EQ(ListCaption(0), QStringLiteral("X值"));
  EXPECT_EQ(ListCaption(1), QStringLiteral("Y值"));
  EXPECT_TRUE(ListItems().empty());
  EnterInEdit1("1.5");
  QGuiApplication::clipboard()->setText("2\r\n");
  Driver->Click("Button10");
  EXPECT_EQ(ListItems(), (Items{{"1.5", "3"}, {"2", "4"}}));
  Driver->Click("Button2");
  EXPECT_EQ(ListItems(), (Items{{"4", "2"}, {"6", "3"}, {"8", "4"}}));

  // Pasted values are calculated one by one; a CR LF and blanks separate them.
  QGuiApplication::clipboard()->setText("0.5\r\n0.7 0.9");
  Driver->Click("Button10");
  ASSERT_EQ(ListItems().size(), 6u);
  EXPECT_EQ(ListItems()[3], (std::pair<QString, QString>{"0.5", "0.25"}));
  EXPECT_EQ(ListItems()[5], (std::pair<QString, QString>{"0.9", "0.45"}));

  // Clear empties this list only.
  Driver->Click("Button9");
  EXPECT_TRUE(ListItems().empty());
  Driver->Click("Button3");
  EXPECT_EQ(ListItems(), (Items{{"1.5", "3"}, {"2", "4"}}));
  EXPECT_TRUE(Messages.Shown.empty());
}

// ---------------------------------------------------------------------------
// Data sheet: clipboard, clear, exclusion, edit guard, keys

TEST_F(GuiTest, DataSheetCopiesAndPastes)
{
  ASSERT_TRUE(Driver->TypePairs({{"1", "0.5"}, {"2", "0.9"}}));
  Driver->Click("Button4");
  EXPECT_EQ(ClipboardText(), "x\ty\r\n1\t0.5\r\n2\t0.9\r\n");

  // Two pasted lines at row 3 push rows 3 and 4 down to 5 and 6.
  ASSERT_TRUE(Driver->TypePairs({{"1", "0.5"}, {"2", "0.9"}, {"5", "5"}, {"6", "6"}}));
  Driver->SetCurrentCell(1, 3);
  QGuiApplication::clipboard()->setText("1\t0.5\r\n2\t0.9");
  Driver->Click("Button10");
  const std::vector<std::pair<QString, QString>> Expected = {
      {"1", "0.5"}, {"2", "0.9"}, {"1", "0.5"}, {"2", "0.9"}, {"5", "5"}, {"6", "6"}};
  for (int R = 1; R <= 6; ++R) {
    EXPECT_EQ(Driver->Cell(1, R), Expected[R - 1].first) << R;
    EXPECT_EQ(Driver->Cell(2, R), Expected[R - 1].second) << R;
  }
  EXPECT_TRUE(Driver->Cell(1, 7).isEmpty());

  // A line without a tab fills X and empties Y; a third column is ignored.
  Driver->Click("Button9");
  Driver->SetCurrentCell(1, 1);
  QGuiApplication::clipboard()->setText("7\r\n1\t2\t3\r\n");
  Driver->Click("Button10");
  EXPECT_EQ(Driver->Cell(1, 1), QStringLiteral("7"));
  EXPECT_TRUE(Driver->Cell(2, 1).isEmpty());
  EXPECT_EQ(Driver->Cell(1, 2), QStringLiteral("1"));
  EXPECT_EQ(Driver->Cell(2, 2), QStringLiteral("2"));
  EXPECT_TRUE(Driver->Cell(1, 3).isEmpty());

  // Lines from a spreadsheet on this desktop end with LF alone: still one row each.
  Driver->Click("Button9");
  Driver->SetCurrentCell(1, 1);
  QGuiApplication::clipboard()->setText("3\t0.3\n4\t0.4\n");
  Driver->Click("Button10");
  EXPECT_EQ(Driver->Cell(1, 1), QStringLiteral("3"));
  EXPECT_EQ(Driver->Cell(2, 1), QStringLiteral("0.3"));
  EXPECT_EQ(Driver->Cell(1, 2), QStringLiteral("4"));
  EXPECT_EQ(Driver->Cell(2, 2), QStringLiteral("0.4"));
  Driver->Click("Button9");
  Driver->SetCurrentCell(1, 1);
  QGuiApplication::clipboard()->setText("7\r\n1\t2\t3\r\n");
  Driver->Click("Button10");

  // A picture on the clipboard is no text: pasting does nothing.
  QImage Picture(4, 4, QImage::Format_RGB32);
  Picture.fill(Qt::red);
  QGuiApplication::clipboard()->setImage(Picture);
  Driver->SetCurrentCell(1, 1);
  Driver->Click("Button10");
  EXPECT_EQ(Driver->Cell(1, 1), QStringLiteral("7"));
  EXPECT_EQ(Driver->Cell(1, 2), QStringLiteral("1"));
  EXPECT_TRUE(Messages.Shown.empty());
}

TEST_F(GuiTest, ClearEmptiesTheSheetAndKeepsTheMarks)
{
  ASSERT_TRUE(Driver->TypePairs({{"1", "0.5"}, {"2", "0.9"}, {"3", "1.2"}}));
  Driver->PressRowLabel(2);
  Driver->SetCurrentCell(2, 3);
  Driver->Click("Button9");
  for (int R = 1; R <= 3; ++R) {
    EXPECT_TRUE(Driver->Cell(1, R).isEmpty()) << R;
    EXPECT_TRUE(Driver->Cell(2, R).isEmpty()) << R;
  }
  EXPECT_TRUE(Driver->Cell(0, 2).endsWith(QStringLiteral("×")));
  EXPECT_EQ(Driver->Cell(0, 3), QStringLiteral("3"));
  EXPECT_EQ(Driver->CurrentRow(), 1);
  EXPECT_EQ(Driver->CurrentCol(), 1);
  ExpectView(ModeDataEntry);
}

// A press on a row label marks the row, a second press unmarks it; marked
// rows are left out of the fit.
TEST_F(GuiTest, RowLabelPressTogglesTheExclusion)
{
  ASSERT_TRUE(Driver->TypePairs({{"1", "2"}, {"2", "4"}, {"3", "6"}}));
  Driver->PressRowLabel(3);
  EXPECT_TRUE(Driver->Cell(0, 3).endsWith(QStringLiteral("×")));
  EXPECT_TRUE(Driver->Cell(0, 3).startsWith(QStringLiteral("3")));
  Driver->PressRowLabel(3);
  EXPECT_EQ(Driver->Cell(0, 3), QStringLiteral("3"));

  // Two rows excluded leave one pair: the data message, nothing else.
  Driver->PressRowLabel(2);
  Driver->PressRowLabel(3);
  Driver->Click("Button1");
  ASSERT_EQ(Messages.Shown.size(), 1u);
  EXPECT_EQ(Messages.Shown[0].Text, TwoPairsText);
  ExpectView(ModeDataEntry);

  // One row back in: the fit runs.
  Driver->PressRowLabel(2);
  Driver->Click("Button1");
  EXPECT_EQ(Messages.Shown.size(), 1u);
  ExpectView(ModeCurve);
}

// Text with a control character typed into a cell is taken back.
TEST_F(GuiTest, CellEditWithControlCharacterIsUndone)
{
  ASSERT_TRUE(Driver->TypeIntoCell(1, 1, "12"));
  ASSERT_TRUE(Driver->InsertIntoCell(1, 1, QStringLiteral("3\x01")));
  EXPECT_EQ(Driver->Cell(1, 1), QStringLiteral("12"));
  ASSERT_TRUE(Driver->InsertIntoCell(1, 1, QStringLiteral("34")));
  EXPECT_EQ(Driver->Cell(1, 1), QStringLiteral("34"));
}

// Enter moves down (not below the last row), Ctrl+N inserts and Ctrl+Y
// deletes a cell in the current column only.
TEST_F(GuiTest, SheetKeysMoveInsertAndDelete)
{
  ASSERT_TRUE(Driver->TypePairs({{"1", "0.5"}, {"2", "0.9"}, {"3", "1.2"}}));
  Driver->SetCurrentCell(2, 1);
  Driver->SheetKey(Qt::Key_Return);
  EXPECT_EQ(Driver->CurrentRow(), 2);
  EXPECT_EQ(Driver->CurrentCol(), 2);

  Driver->SheetKey(Qt::Key_N, Qt::ControlModifier);
  EXPECT_EQ(Driver->Cell(2, 1), QStringLiteral("0.5"));
  EXPECT_TRUE(Driver->Cell(2, 2).isEmpty());
  EXPECT_EQ(Driver->Cell(2, 3), QStringLiteral("0.9"));
  EXPECT_EQ(Driver->Cell(2, 4), QStringLiteral("1.2"));
  EXPECT_EQ(Driver->Cell(1, 2), QStringLiteral("2"));
  EXPECT_TRUE(Driver->Cell(1, 4).isEmpty());

  Driver->SheetKey(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Driver->Cell(2, 2), QStringLiteral("0.9"));
  EXPECT_EQ(Driver->Cell(2, 3), QStringLiteral("1.2"));
  EXPECT_TRUE(Driver->Cell(2, 4).isEmpty());

  const int Last = Driver->SheetRowCount() - 1;
  Driver->SetCurrentCell(1, Last);
  Driver->SheetKey(Qt::Key_Return);
  EXPECT_EQ(Driver->CurrentRow(), Last);
}

// ---------------------------------------------------------------------------
// Plot and report through the clipboard

TEST_F(GuiTest, CurveCopiesAsPictureAndReportAsText)
{
  TypeAndFit(ElisaStandards, 5);
  EXPECT_EQ(ErrorCount(), 0);
  ExpectView(ModeCurve);
  const QImage Plot = Form->PlotImage();
  ASSERT_FALSE(Plot.isNull());
  // The curve and the axes are drawn: not every pixel is white.
  const QImage Rgb = Plot.convertToFormat(QImage::Format_RGB32);
  bool Drawn = false;
  for (int Y = 0; Y < Rgb.height() && !Drawn; ++Y)
    for (int X = 0; X < Rgb.width() && !Drawn; ++X)
      Drawn = Rgb.pixel(X, Y) != qRgb(255, 255, 255);
  EXPECT_TRUE(Drawn);

  QGuiApplication::clipboard()->setText("stale");
  Driver->Click("Button4");
  const QImage Copied = QGuiApplication::clipboard()->image();
  ASSERT_FALSE(Copied.isNull());
  EXPECT_EQ(Copied.convertToFormat(QImage::Format_RGB32), Rgb);
  EXPECT_NE(QGuiApplication::clipboard()->text(), QStringLiteral("stale"));

  Driver->Click("Button8");
  ExpectView(ModeReport);
  Driver->Click("Button4");
  QString Copy = QGuiApplication::clipboard()->text();
  EXPECT_FALSE(Copy.isEmpty());
  Copy.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  EXPECT_EQ(Copy, Get<QPlainTextEdit>("Memo1")->toPlainText());
}

// ---------------------------------------------------------------------------
// Messages: data errors, fit faults

TEST_F(GuiTest, OnePairIsADataError)
{
  TypeAndFit({{"1", "0.5"}}, 0);
  ASSERT_EQ(Messages.Shown.size(), 1u);
  EXPECT_EQ(Messages.Shown[0].Text, TwoPairsText);
  EXPECT_EQ(Messages.Shown[0].Caption, "错误");
  EXPECT_EQ(Messages.Shown[0].Icon, TMessageIcon::Error);
  ExpectView(ModeDataEntry);
}

TEST_F(GuiTest, TextInADataCellIsADataError)
{
  TypeAndFit({{"1", "0.5"}, {"abc", "0.9"}}, 0);
  ASSERT_EQ(Messages.Shown.size(), 1u);
  EXPECT_EQ(Messages.Shown[0].Text, "错误: 您输入的不是有效的数字格式 (X2)");
  ExpectView(ModeDataEntry);
}

// Logit-log without a zero standard: its warning, then the fault of the fit.
TEST_F(GuiTest, LogitLogWithoutZeroStandardFaults)
{
  TypeAndFit({{"1", "0.9"}, {"10", "0.5"}, {"100", "0.2"}}, 3);
  ASSERT_EQ(Messages.Shown.size(), 2u);
  EXPECT_EQ(Messages.Shown[0].Text, NoZeroPointText);
  EXPECT_EQ(Messages.Shown[1].Text, RegressionFaultText);
  EXPECT_EQ(Messages.Shown[1].Caption, "错误");
  EXPECT_EQ(Messages.Shown[1].Icon, TMessageIcon::Error);
  ExpectView(ModeDataEntry);
}

// All Y equal: the line fits, drawing faults, the (white) curve view shows.
TEST_F(GuiTest, EqualResponsesFaultWhileDrawing)
{
  TypeAndFit({{"1", "0.7"}, {"2", "0.7"}, {"3", "0.7"}}, 0);
  ASSERT_EQ(Messages.Shown.size(), 1u);
  EXPECT_EQ(Messages.Shown[0].Text, RegressionFaultText);
  ExpectView(ModeCurve);
}

// ---------------------------------------------------------------------------
// Help, About, exit

TEST_F(GuiTest, HelpOpensThePageBesideTheProgram)
{
  Shell.Folder = "/opt/titrelle/";
  Driver->Click("Button5");
  ASSERT_EQ(Shell.Opened.size(), 1u);
  EXPECT_EQ(Shell.Opened[0], "/opt/titrelle/Help/EIA_Readme.htm");
  EXPECT_TRUE(Messages.Shown.empty());

  Shell.Succeeds = false;
  Driver->Click("Button5");
  EXPECT_EQ(Shell.Opened.size(), 2u);
  ASSERT_EQ(Messages.Shown.size(), 1u);
  EXPECT_EQ(Messages.Shown[0].Caption, "错误");
  EXPECT_EQ(Messages.Shown[0].Icon, TMessageIcon::Error);
  EXPECT_EQ(Messages.Shown[0].Text.rfind("打开帮助文件时出现错误. \r", 0), 0u);
  ExpectView(ModeDataEntry);
}

TEST_F(GuiTest, AboutBoxNeedsCtrlAltShift)
{
  QWidget* Panel = Get<QWidget>("Panel1");
  // The panel's free top right corner, right of the controls.
  const QPoint Free(Panel->width() - 4, 4);
  QTest::mousePress(Panel, Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier, Free);
  QTest::mouseRelease(Panel, Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier, Free);
  EXPECT_TRUE(Messages.Shown.empty());
  QTest::mousePress(Panel, Qt::RightButton, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, Free);
  QTest::mouseRelease(Panel, Qt::RightButton, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier, Free);
  ASSERT_EQ(Messages.Shown.size(), 1u);
  EXPECT_EQ(Messages.Shown[0].Caption, "About");
  EXPECT_EQ(Messages.Shown[0].Icon, TMessageIcon::None);
  EXPECT_EQ(Messages.Shown[0].Text.rfind("          Titrelle\r", 0), 0u);
}

TEST_F(GuiTest, ClosingWithDataAsks)
{
  ASSERT_TRUE(Driver->TypeIntoCell(2, 5, "0.5"));
  Messages.Answer = TMessageResult::No;
  EXPECT_FALSE(Form->close());
  EXPECT_TRUE(Form->isVisible());
  ASSERT_EQ(Messages.Shown.size(), 1u);
  EXPECT_EQ(Messages.Shown[0].Text, "您确定您真的要退出Titrelle吗?");
  EXPECT_EQ(Messages.Shown[0].Caption, "退出");
  EXPECT_EQ(Messages.Shown[0].Buttons, TMessageButtons::YesNo);
  EXPECT_EQ(Messages.Shown[0].Icon, TMessageIcon::Information);

  // The exit button asks the same.
  Driver->Click("Button6");
  EXPECT_TRUE(Form->isVisible());
  EXPECT_EQ(Messages.Shown.size(), 2u);

  Messages.Answer = TMessageResult::Yes;
  EXPECT_TRUE(Form->close());
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(GuiTest, ClosingAnEmptySheetAsksNothing)
{
  EXPECT_TRUE(Form->close());
  EXPECT_FALSE(Form->isVisible());
  EXPECT_TRUE(Messages.Shown.empty());
}

}  // namespace
}  // namespace Titrelle
