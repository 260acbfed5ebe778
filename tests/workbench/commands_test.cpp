// The main window's commands: view states, start-up, the regression run and
// its failures, the buttons, clipboard exchange, sheet keys, exit, help and
// the About box, driven through the fake window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Fakes.h"
#include "models/ModelShared.h"
#include "models/Models.h"
#include "workbench/MainUnit.h"

namespace Titrelle {
namespace {

using Testing::FakeWindow;
using Rows = std::vector<std::pair<std::string, std::string>>;

const std::string RegressionFaultText = "回归计算时出现运算错误, 可能您的数据不适合此回归模型. ";
const std::string TooFewText = "必须有两对以上数据才能进行回归计算.";

class CommandsTest : public testing::Test {
protected:
  void SetUp() override
  {
    ResetWorkbench();
    InitModels();
  }
  void TearDown() override { InitModels(); }

  // The X and Y texts of rows First..Last.
  Rows SheetRows(int First, int Last) const
  {
    Rows Result;
    for (int R = First; R <= Last; ++R)
      Result.emplace_back(Window.Sheet.Cell(1, R), Window.Sheet.Cell(2, R));
    return Result;
  }
  int Mode() const { return Workbench().ViewMode; }
  // The straight line y = 0.1 + 0.5 x as a fit leaves it.
  static void SetLine()
  {
    TWorkbenchState& S = Workbench();
    S.ModelCode = 0;
    AllocVector(S.CurveParams, 1);
    S.CurveParams[0] = 0.1;
    S.CurveParams[1] = 0.5;
  }

  FakeWindow Window;
};

// ---------------------------------------------------------------------------
// View states

struct TViewCase {
  const char* Name;
  int Mode;
  int ModelCode;
  TViewState Expected;
};

// The state of every control, built field by field from the window's table.
TViewState State(bool Sheet, bool Image, bool Memo, bool Calculation, bool Inputs, bool ModeButtons, bool XFromY,
                 bool YFromX, bool Default, bool ReportVisible, bool ReportEnabled, bool Clear, bool Paste,
                 const std::string& Caption)
{
  TViewState S;
  S.SheetVisible = Sheet;
  S.ImageVisible = Image;
  S.MemoVisible = Memo;
  S.CalculationVisible = Calculation;
  S.InputsEnabled = Inputs;
  S.ModeButtonsVisible = ModeButtons;
  S.XFromYEnabled = XFromY;
  S.YFromXEnabled = YFromX;
  S.CalculationDefault = Default;
  S.ReportVisible = ReportVisible;
  S.ReportEnabled = ReportEnabled;
  S.ClearVisible = Clear;
  S.PasteEnabled = Paste;
  S.FitCaption = Caption;
  return S;
}

class ViewStateTest : public testing::TestWithParam<TViewCase> {};

TEST_P(ViewStateTest, FollowsTheTable)
{
  const TViewCase& Case = GetParam();
  EXPECT_EQ(ViewStateFor(Case.Mode, Case.ModelCode), Case.Expected);
}

const std::string FitCaption = "回归/拟合(&R)";
const std::string DataCaption = "数据输入(&R)";
const std::string CurveCaption = "曲线(&R)";

INSTANTIATE_TEST_SUITE_P(
    Modes, ViewStateTest,
    testing::Values(
        // Sheet Image Memo Calc Inputs ModeBtns XfY YfX Default RepVis RepEn Clear Paste Caption
        TViewCase{"DataEntry", ModeDataEntry, 0,
                  State(true, false, false, false, true, false, true, true, false, false, true, true, true, FitCaption)},
        TViewCase{"DataEntrySpline", ModeDataEntry, 100,
                  State(true, false, false, false, true, false, true, true, false, false, false, true, true, FitCaption)},
        TViewCase{"Curve", ModeCurve, 13,
                  State(false, true, false, false, false, true, true, true, false, true, true, false, false, DataCaption)},
        TViewCase{"CurveSpline", ModeCurve, 100,
                  State(false, true, false, false, false, true, true, true, false, true, false, false, false, DataCaption)},
        TViewCase{"XFromY", ModeXFromY, 101,
                  State(false, false, false, true, false, true, false, true, true, true, true, true, true, CurveCaption)},
        TViewCase{"XFromYSpline", ModeXFromY, 100,
                  State(false, false, false, true, false, true, false, true, true, true, false, true, true, CurveCaption)},
        TViewCase{"YFromX", ModeYFromX, 2,
                  State(false, false, false, true, false, true, true, false, true, true, true, true, true, CurveCaption)},
        TViewCase{"YFromXSpline", ModeYFromX, 100,
                  State(false, false, false, true, false, true, true, false, true, true, false, true, true, CurveCaption)},
        TViewCase{"Report", ModeReport, 0,
                  State(false, false, true, false, false, true, true, true, false, true, false, false, false, CurveCaption)}),
    [](const testing::TestParamInfo<TViewCase>& Info) { return std::string(Info.param.Name); });

struct TListModeCase {
  const char* Name;
  int Mode;
  std::string Label, Caption0, Caption1;
  std::vector<std::string> Results;  // of the mode's inputs on y = 0.1 + 0.5 x, by hand
};

class ListViewUpdateTest : public CommandsTest, public testing::WithParamInterface<TListModeCase> {};

// Entering a list empties and focuses the input field, labels it and the
// columns, and recalculates the mode's stored inputs (not the other mode's).
TEST_P(ListViewUpdateTest, PreparesTheList)
{
  const TListModeCase& Case = GetParam();
  TWorkbenchState& S = Workbench();
  SetLine();
  S.XFromYInputs = {"1", "2"};
  S.YFromXInputs = {"3", "4", "5"};
  Window.List.Items = {{"old", "old"}};
  Window.Controls.Input = "typed";
  S.ViewMode = Case.Mode;
  UpdateView();
  EXPECT_EQ(Window.Controls.View, ViewStateFor(Case.Mode, 0));
  EXPECT_EQ(Window.Controls.Input, "");
  EXPECT_EQ(Window.Controls.InputFocusCount, 1);
  EXPECT_EQ(Window.Controls.InputLabel, Case.Label);
  EXPECT_EQ(Window.List.Captions, std::make_pair(Case.Caption0, Case.Caption1));
  const std::vector<std::string>& Inputs = Case.Mode == ModeXFromY ? S.XFromYInputs : S.YFromXInputs;
  ASSERT_EQ(Window.List.ItemCount(), static_cast<int>(Inputs.size()));
  for (int I = 0; I < Window.List.ItemCount(); ++I) {
    EXPECT_EQ(Window.List.ItemText(I, 0), Inputs[static_cast<std::size_t>(I)]);
    EXPECT_EQ(Window.List.ItemText(I, 1), Case.Results[static_cast<std::size_t>(I)]);
  }
  // The stored inputs are not entered a second time.
  EXPECT_EQ(S.XFromYInputs.size(), 2u);
  EXPECT_EQ(S.YFromXInputs.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Modes, ListViewUpdateTest,
                         testing::Values(TListModeCase{"XFromY", ModeXFromY, "Y值  ", "Y值", "X值", {"1.8", "3.8"}},
                                         TListModeCase{"YFromX", ModeYFromX, "X值  ", "X值", "Y值", {"1.6", "2.1", "2.6"}}),
                         [](const testing::TestParamInfo<TListModeCase>& Info) { return std::string(Info.param.Name); });

TEST_F(CommandsTest, OtherModesLeaveTheInputFieldAlone)
{
  for (const int M : {ModeDataEntry, ModeCurve, ModeReport}) {
    Workbench().ViewMode = M;
    UpdateView();
    EXPECT_EQ(Window.Controls.View, ViewStateFor(M, 0));
  }
  EXPECT_EQ(Window.Controls.Input, "Edit1");
  EXPECT_EQ(Window.Controls.InputFocusCount, 0);
  EXPECT_EQ(Window.Controls.InputLabel, "X Value:  ");
  EXPECT_EQ(Window.List.Captions, std::make_pair(std::string("X Value"), std::string("Y Value")));
}

// ---------------------------------------------------------------------------
// Start-up

TEST_F(CommandsTest, FormCreateLabelsTheSheetAndShowsIt)
{
  Workbench().ViewMode = ModeReport;
  FormCreate();
  EXPECT_EQ(Mode(), ModeDataEntry);
  EXPECT_EQ(Workbench().ModelCode, 0);
  EXPECT_EQ(Window.Controls.View, ViewStateFor(ModeDataEntry, 0));
  EXPECT_EQ(Window.Sheet.Cell(0, 0), "");
  EXPECT_EQ(Window.Sheet.Cell(1, 0), "X (浓度/剂量)");
  EXPECT_EQ(Window.Sheet.Cell(2, 0), "Y (反应值)");
  for (int R = 1; R < Window.Sheet.RowCount(); ++R)
    ASSERT_EQ(Window.Sheet.Cell(0, R), std::to_string(R));
  EXPECT_EQ(Window.Sheet.Cell(0, 127), "127");
  EXPECT_EQ(Window.Sheet.FocusCount, 1);
}

// ---------------------------------------------------------------------------
// Regression run

TEST_F(CommandsTest, RunRegressionDrawsTheCurve)
{
  Window.Sheet.Fill({{"1", "0.5"}, {"2", "0.9"}, {"3", "1.4"}});
  Button1Click();
  EXPECT_TRUE(Window.Messages.Shown.empty());
  EXPECT_EQ(Mode(), ModeCurve);
  EXPECT_EQ(Window.Controls.View, ViewStateFor(ModeCurve, 0));
  EXPECT_EQ(Window.Sheet.FocusCount, 0);
  EXPECT_EQ(Workbench().PointCount, 3);
  const auto& Log = Window.Surface.Log;
  // The picture was drawn: three points and a curve.
  EXPECT_EQ(std::count_if(Log.begin(), Log.end(), [](const std::string& E) { return E.rfind("ellipse", 0) == 0; }), 3);
  EXPECT_NE(std::find(Log.begin(), Log.end(), "pen solid red 2"), Log.end());
}

TEST_F(CommandsTest, DataMessageStopsTheRunWithNothingElseChanged)
{
  Window.Sheet.Fill({{"1", "0.5"}});
  Button1Click();
  ASSERT_EQ(Window.Messages.Shown.size(), 1u);
  EXPECT_EQ(Window.Messages.Shown[0].Text, TooFewText);
  EXPECT_EQ(Mode(), ModeDataEntry);
  EXPECT_EQ(Window.Controls.ViewUpdates, 0);
  EXPECT_EQ(Window.Sheet.FocusCount, 0);
  EXPECT_TRUE(Window.Surface.Log.empty());
}

// A ticked background box with a field that is not a number stops the run
// before the data are read.
TEST_F(CommandsTest, InvalidBackgroundStopsTheRun)
{
  Window.Sheet.Fill({{"1", "0.5"}, {"2", "0.9"}, {"3", "1.4"}});
  Window.Controls.Subtract = true;
  Window.Controls.Background = "abc";
  Workbench().PointCount = 7;  // left by an earlier read
  Button1Click();
  ASSERT_EQ(Window.Messages.Shown.size(), 1u);
  const TMessage& M = Window.Messages.Shown[0];
  EXPECT_EQ(M.Text, "错误: 您输入的背景值不是有效的数字格式");
  EXPECT_EQ(M.Caption, "错误");
  EXPECT_EQ(M.Icon, TMessageIcon::Error);
  EXPECT_EQ(M.Buttons, TMessageButtons::Ok);
  EXPECT_EQ(Mode(), ModeDataEntry);
  EXPECT_EQ(Workbench().PointCount, 7);
  EXPECT_EQ(Window.Controls.ViewUpdates, 0);
  EXPECT_EQ(Window.Sheet.FocusCount, 0);
  EXPECT_TRUE(Window.Surface.Log.empty());
}

TEST_F(CommandsTest, UntouchedBackgroundFieldWithClearBoxIsFine)
{
  Window.Sheet.Fill({{"1", "0.5"}, {"2", "0.9"}, {"3", "1.4"}});
  Window.Controls.Subtract = false;  // the field keeps its prompt text
  Button1Click();
  EXPECT_TRUE(Window.Messages.Shown.empty());
  EXPECT_EQ(Mode(), ModeCurve);
}

TEST_F(CommandsTest, NumericBackgroundIsAccepted)
{
  Window.Sheet.Fill({{"1", "0.5"}, {"2", "0.9"}, {"3", "1.4"}});
  Window.Controls.Subtract = true;
  Window.Controls.Background = " 0.05 ";
  Button1Click();
  EXPECT_TRUE(Window.Messages.Shown.empty());
  EXPECT_EQ(Mode(), ModeCurve);
}

// Logit-log without a point at X = 0: its warning, then the fault of the fit
// (0/0 for the reference response) ends the run in the data sheet.
TEST_F(CommandsTest, FaultWhileFittingStaysInTheSheet)
{
  Workbench().ModelCode = LogitLogModelCode;
  Window.Sheet.Fill({{"1", "0.9"}, {"10", "0.5"}, {"100", "0.2"}});
  Button1Click();
  ASSERT_EQ(Window.Messages.Shown.size(), 2u);
  EXPECT_EQ(Window.Messages.Shown[0].Text, "必须有一个或几个X值为0的点, 该点的Y值为最大, 才能进行Logit-ln直线回归");
  const TMessage& M = Window.Messages.Shown[1];
  EXPECT_EQ(M.Text, RegressionFaultText);
  EXPECT_EQ(M.Caption, "错误");
  EXPECT_EQ(M.Icon, TMessageIcon::Error);
  EXPECT_EQ(M.Buttons, TMessageButtons::Ok);
  EXPECT_EQ(Mode(), ModeDataEntry);
  EXPECT_EQ(Window.Controls.View, ViewStateFor(ModeDataEntry, LogitLogModelCode));
  EXPECT_EQ(Window.Sheet.FocusCount, 1);
  EXPECT_TRUE(Window.Surface.Log.empty());
}

// All Y equal: the straight line fits, the Y scale of the plot faults; the
// view shows the curve, whose picture is white and nothing else.
TEST_F(CommandsTest, FaultWhileDrawingShowsTheWhitePicture)
{
  Window.Sheet.Fill({{"1", "0.7"}, {"2", "0.7"}, {"3", "0.7"}});
  Button1Click();
  ASSERT_EQ(Window.Messages.Shown.size(), 1u);
  EXPECT_EQ(Window.Messages.Shown[0].Text, RegressionFaultText);
  EXPECT_EQ(Mode(), ModeCurve);
  EXPECT_EQ(Window.Controls.View, ViewStateFor(ModeCurve, 0));
  EXPECT_EQ(Window.Sheet.FocusCount, 0);
  EXPECT_TRUE(std::all_of(Window.Surface.Pixels.begin(), Window.Surface.Pixels.end(),
                          [](TColour C) { return C == White; }));
  EXPECT_EQ(std::count_if(Window.Surface.Log.begin(), Window.Surface.Log.end(),
                          [](const std::string& E) { return E.rfind("rect", 0) == 0; }),
            1);
}

// ---------------------------------------------------------------------------
// Fit button

struct TMarginCase {
  const char* Name;
  int Mode;
  bool Ctrl, Alt;
  Float Upper, Lower;
};

class MarginTest : public CommandsTest, public testing::WithParamInterface<TMarginCase> {};

TEST_P(MarginTest, SetsTheMarginsInTheSheetOnly)
{
  const TMarginCase& Case = GetParam();
  UpperMargin = 0.3;  // a value neither branch sets
  LowerMargin = 0.3;
  Workbench().ViewMode = Case.Mode;
  Button1MouseDown(Case.Ctrl, Case.Alt);
  EXPECT_EQ(UpperMargin, Case.Upper);
  EXPECT_EQ(LowerMargin, Case.Lower);
}

INSTANTIATE_TEST_SUITE_P(Keys, MarginTest,
                         testing::Values(TMarginCase{"Plain", ModeDataEntry, false, false, 0.05, 0.05},
                                         TMarginCase{"Ctrl", ModeDataEntry, true, false, 2.0, 0.05},
                                         TMarginCase{"Alt", ModeDataEntry, false, true, 0.05, 2.0},
                                         TMarginCase{"CtrlAlt", ModeDataEntry, true, true, 2.0, 2.0},
                                         TMarginCase{"InCurve", ModeCurve, true, true, 0.3, 0.3},
                                         TMarginCase{"InReport", ModeReport, false, false, 0.3, 0.3}),
                         [](const testing::TestParamInfo<TMarginCase>& Info) { return std::string(Info.param.Name); });

struct TTransitionCase {
  const char* Name;
  int From, To;
  int SheetFocus;
};

class FitButtonTest : public CommandsTest, public testing::WithParamInterface<TTransitionCase> {};

TEST_P(FitButtonTest, SwitchesTheView)
{
  const TTransitionCase& Case = GetParam();
  Workbench().ViewMode = Case.From;
  Button1Click();
  EXPECT_EQ(Mode(), Case.To);
  EXPECT_EQ(Window.Controls.View, ViewStateFor(Case.To, 0));
  EXPECT_EQ(Window.Sheet.FocusCount, Case.SheetFocus);
  EXPECT_TRUE(Window.Messages.Shown.empty());
  EXPECT_TRUE(Window.Surface.Log.empty());  // the old picture is shown again
}

INSTANTIATE_TEST_SUITE_P(Modes, FitButtonTest,
                         testing::Values(TTransitionCase{"CurveToSheet", ModeCurve, ModeDataEntry, 1},
                                         TTransitionCase{"XFromYToCurve", ModeXFromY, ModeCurve, 0},
                                         TTransitionCase{"YFromXToCurve", ModeYFromX, ModeCurve, 0},
                                         TTransitionCase{"ReportToCurve", ModeReport, ModeCurve, 0}),
                         [](const testing::TestParamInfo<TTransitionCase>& Info) { return std::string(Info.param.Name); });

TEST_F(CommandsTest, ListAndReportButtonsSwitchTheMode)
{
  Window.Sheet.Fill({{"1", "0.5"}, {"2", "0.9"}, {"3", "1.4"}});
  Button1Click();
  ASSERT_EQ(Mode(), ModeCurve);
  Button2Click();
  EXPECT_EQ(Mode(), ModeXFromY);
  EXPECT_EQ(Window.Controls.View, ViewStateFor(ModeXFromY, 0));
  Button3Click();
  EXPECT_EQ(Mode(), ModeYFromX);
  EXPECT_EQ(Window.Controls.View, ViewStateFor(ModeYFromX, 0));
  Button8Click();
  EXPECT_EQ(Mode(), ModeReport);
  EXPECT_EQ(Window.Controls.View, ViewStateFor(ModeReport, 0));
  EXPECT_TRUE(Window.Messages.Shown.empty());
  Button2Click();
  EXPECT_EQ(Mode(), ModeXFromY);
}

// ---------------------------------------------------------------------------
// Clear

TEST_F(CommandsTest, ClearEmptiesTheSheetButKeepsTheLabels)
{
  Window.Sheet.Fill({{"1", "0.5"}, {"2", "0.9"}});
  Window.Sheet.Cells[2][0] = "2   ×";
  Window.Sheet.Cells[127][2] = "9";
  Window.Sheet.SetCurrentCell(2, 40);
  Button9Click();
  for (int R = 1; R < Window.Sheet.RowCount(); ++R) {
    ASSERT_EQ(Window.Sheet.Cell(1, R), "");
    ASSERT_EQ(Window.Sheet.Cell(2, R), "");
  }
  EXPECT_EQ(Window.Sheet.Cell(0, 1), "1");
  EXPECT_EQ(Window.Sheet.Cell(0, 2), "2   ×");
  EXPECT_EQ(Window.Sheet.CurrentCol(), 1);
  EXPECT_EQ(Window.Sheet.CurrentRow(), 1);
  EXPECT_EQ(Window.Sheet.FocusCount, 1);
}

TEST_F(CommandsTest, ClearEmptiesOnlyTheCurrentList)
{
  TWorkbenchState& S = Workbench();
  SetLine();
  S.XFromYInputs = {"1"};
  S.YFromXInputs = {"2", "3"};
  S.ViewMode = ModeYFromX;
  Window.List.Items = {{"2", "a"}, {"3", "b"}};
  Window.Sheet.Fill({{"1", "0.5"}});
  Button9Click();
  EXPECT_EQ(Window.List.ItemCount(), 0);
  EXPECT_TRUE(S.YFromXInputs.empty());
  EXPECT_EQ(S.XFromYInputs, std::vector<std::string>{"1"});
  EXPECT_EQ(Window.Sheet.Cell(1, 1), "1");  // the sheet is not touched
}

// ---------------------------------------------------------------------------
// Copy

TEST_F(CommandsTest, CopySheetWritesTabSeparatedLines)
{
  Window.Sheet.Fill({{"1", "0.5"}, {"2", "0.9"}});
  CopyView();
  EXPECT_EQ(Window.Clipboard.Content, "x\ty\r\n1\t0.5\r\n2\t0.9\r\n");
  EXPECT_TRUE(Window.Clipboard.HoldsText);
}

TEST_F(CommandsTest, CopySheetKeepsTextsAndExcludedRowsAsTheyStand)
{
  Window.Sheet.Fill({{" 1 ", "abc"}, {"", ""}, {"3", ""}});
  Window.Sheet.Cells[1][0] = "1   ×";
  CopyView();
  EXPECT_EQ(Window.Clipboard.Content, "x\ty\r\n 1 \tabc\r\n\t\r\n3\t\r\n");
}

TEST_F(CommandsTest, CopyEmptySheetWritesTheHeaderOnly)
{
  Window.Sheet.Fill({});
  CopyView();
  EXPECT_EQ(Window.Clipboard.Content, "x\ty\r\n");
}

TEST_F(CommandsTest, CopyCurvePutsThePicture)
{
  Workbench().ViewMode = ModeCurve;
  Window.Clipboard.SetText("before");
  CopyView();
  EXPECT_TRUE(Window.Clipboard.HoldsPicture);
  EXPECT_FALSE(Window.Clipboard.HoldsText);
}

TEST_F(CommandsTest, CopyListWritesCaptionsAndItems)
{
  Workbench().ViewMode = ModeXFromY;
  Window.List.Captions = {"Y值", "X值"};
  Window.List.Items = {{"1.1", "2"}, {"abc", "------"}};
  CopyView();
  EXPECT_EQ(Window.Clipboard.Content, "Y值\tX值\r\n1.1\t2\r\nabc\t------\r\n");
}

TEST_F(CommandsTest, CopyReportWritesTheMemo)
{
  Workbench().ViewMode = ModeReport;
  Window.Controls.Report = "line 1\r\nline 2";
  CopyView();
  EXPECT_EQ(Window.Clipboard.Content, "line 1\r\nline 2");
}

// ---------------------------------------------------------------------------
// Paste into the sheet

struct TPasteCase {
  const char* Name;
  Rows Before;  // rows 1..
  int CurrentRow;
  std::string Clipboard;
  Rows After;  // rows 1..
};

class PasteSheetTest : public CommandsTest, public testing::WithParamInterface<TPasteCase> {};

TEST_P(PasteSheetTest, PlacesTheLines)
{
  const TPasteCase& Case = GetParam();
  Window.Sheet.Fill(Case.Before);
  Window.Sheet.SetCurrentCell(1, Case.CurrentRow);
  Window.Clipboard.SetText(Case.Clipboard);
  PasteText();
  EXPECT_EQ(SheetRows(1, static_cast<int>(Case.After.size())), Case.After);
  const int Rest = static_cast<int>(Case.After.size()) + 1;
  EXPECT_EQ(SheetRows(Rest, Window.Sheet.RowCount() - 1), Rows(Window.Sheet.RowCount() - Rest, {"", ""}));
  EXPECT_EQ(Window.Sheet.RowCount(), 128);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasteSheetTest,
    testing::Values(
        TPasteCase{"TwoLinesPushTheRowsDown",
                   {{"a", "b"}, {"c", "d"}, {"5", "5"}, {"6", "6"}},
                   3,
                   "1\t0.5\r\n2\t0.9",
                   {{"a", "b"}, {"c", "d"}, {"1", "0.5"}, {"2", "0.9"}, {"5", "5"}, {"6", "6"}}},
        TPasteCase{"SingleValueEmptiesY", {{"3", "4"}}, 1, "7", {{"7", ""}, {"3", "4"}}},
        TPasteCase{"FurtherColumnsIgnored", {}, 1, "1\t2\t3", {{"1", "2"}}},
        TPasteCase{"CopiedTextWithHeader",
                   {},
                   1,
                   "x\ty\r\n1\t0.5\r\n2\t0.9\r\n",
                   {{"x", "y"}, {"1", "0.5"}, {"2", "0.9"}}},
        TPasteCase{"EmptyLineStays", {}, 2, "1\t2\r\n\r\n3\t4", {{"", ""}, {"1", "2"}, {"", ""}, {"3", "4"}}},
        TPasteCase{"LoneCrAndLfStayInTheLine", {}, 1, "1\r2\t3\n4", {{"1\r2", "3\n4"}}},
        TPasteCase{"TabFirst", {}, 1, "\t5", {{"", "5"}}},
        TPasteCase{"EmptyText", {{"1", "2"}}, 1, "", {{"1", "2"}}},
        TPasteCase{"BelowTheData", {{"1", "2"}}, 5, "3\t4", {{"1", "2"}, {"", ""}, {"", ""}, {"", ""}, {"3", "4"}}}),
    [](const testing::TestParamInfo<TPasteCase>& Info) { return std::string(Info.param.Name); });

TEST_F(CommandsTest, PasteKeepsTheRowLabelsInPlace)
{
  Window.Sheet.Fill({{"1", "1"}, {"2", "2"}});
  Window.Sheet.Cells[2][0] = "2   ×";
  Window.Sheet.SetCurrentCell(2, 1);
  Window.Clipboard.SetText("9\t9\r\n");
  PasteText();
  EXPECT_EQ(SheetRows(1, 3), (Rows{{"9", "9"}, {"1", "1"}, {"2", "2"}}));
  EXPECT_EQ(Window.Sheet.Cell(0, 2), "2   ×");
  EXPECT_EQ(Window.Sheet.Cell(0, 3), "3");
}

// Near the bottom the sheet grows: the pushed rows and the pasted lines all
// stay, and the new rows carry their numbers.
TEST_F(CommandsTest, PasteNearTheBottomGrowsTheSheet)
{
  Window.Sheet.Fill({});
  Window.Sheet.Cells[126][1] = "a";
  Window.Sheet.Cells[126][2] = "b";
  Window.Sheet.Cells[127][1] = "c";
  Window.Sheet.Cells[127][2] = "d";
  Window.Sheet.SetCurrentCell(1, 126);
  Window.Clipboard.SetText("1\t2\r\n3\t4\r\n5\t6\r\n");
  PasteText();
  ASSERT_EQ(Window.Sheet.RowCount(), 131);
  EXPECT_EQ(SheetRows(126, 130), (Rows{{"1", "2"}, {"3", "4"}, {"5", "6"}, {"a", "b"}, {"c", "d"}}));
  EXPECT_EQ(Window.Sheet.Cell(0, 128), "128");
  EXPECT_EQ(Window.Sheet.Cell(0, 130), "130");
}

TEST_F(CommandsTest, LongPasteKeepsEveryLine)
{
  Window.Sheet.Fill({{"old", "row"}});
  std::string Text;
  for (int I = 1; I <= 300; ++I)
    Text += std::to_string(I) + "\t" + std::to_string(2 * I) + "\r\n";
  Window.Clipboard.SetText(Text);
  PasteText();
  ASSERT_EQ(Window.Sheet.RowCount(), 302);
  for (int I = 1; I <= 300; ++I) {
    ASSERT_EQ(Window.Sheet.Cell(1, I), std::to_string(I));
    ASSERT_EQ(Window.Sheet.Cell(2, I), std::to_string(2 * I));
  }
  EXPECT_EQ(SheetRows(301, 301), (Rows{{"old", "row"}}));
  EXPECT_EQ(Window.Sheet.Cell(0, 301), "301");
}

TEST_F(CommandsTest, PasteWithoutTextDoesNothing)
{
  Window.Sheet.Fill({{"1", "2"}});
  Window.Clipboard.Content = "5\t5";
  Window.Clipboard.HoldsText = false;
  Window.Clipboard.HoldsPicture = true;
  PasteText();
  EXPECT_EQ(SheetRows(1, 2), (Rows{{"1", "2"}, {"", ""}}));
}

TEST_F(CommandsTest, PasteIntoTheListCalculatesEveryValue)
{
  TWorkbenchState& S = Workbench();
  SetLine();
  S.ViewMode = ModeXFromY;
  S.YFromXInputs = {"8"};
  Window.Clipboard.SetText("0.5\r\n0.7 0.9");
  PasteText();
  EXPECT_EQ(S.XFromYInputs, (std::vector<std::string>{"0.5", "0.7", "0.9"}));
  EXPECT_EQ(S.YFromXInputs, std::vector<std::string>{"8"});
  ASSERT_EQ(Window.List.ItemCount(), 3);
  // x = (y - 0.1) / 0.5.
  EXPECT_EQ(Window.List.Items, (std::vector<std::pair<std::string, std::string>>{
                                   {"0.5", "0.8"}, {"0.7", "1.2"}, {"0.9", "1.6"}}));
}

TEST_F(CommandsTest, PasteIntoTheListSkipsRunsOfSeparators)
{
  TWorkbenchState& S = Workbench();
  SetLine();
  S.ViewMode = ModeYFromX;
  Window.Clipboard.SetText("\t1 \t 2\r\n\r\n  \r\n3\n4\r\n");
  PasteText();
  EXPECT_EQ(S.YFromXInputs, (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(Window.List.ItemCount(), 4);
}

TEST_F(CommandsTest, PasteInCurveOrReportDoesNothing)
{
  Window.Sheet.Fill({{"1", "2"}});
  Window.Clipboard.SetText("5\t5");
  for (const int M : {ModeCurve, ModeReport}) {
    Workbench().ViewMode = M;
    PasteText();
  }
  EXPECT_EQ(SheetRows(1, 2), (Rows{{"1", "2"}, {"", ""}}));
  EXPECT_TRUE(Workbench().XFromYInputs.empty());
  EXPECT_EQ(Window.List.ItemCount(), 0);
}

// ---------------------------------------------------------------------------
// Sheet keys

TEST_F(CommandsTest, EnterMovesDownExceptOnTheLastRow)
{
  Window.Sheet.SetCurrentCell(2, 5);
  EXPECT_TRUE(SheetKeyPress(13));
  EXPECT_EQ(Window.Sheet.CurrentRow(), 6);
  EXPECT_EQ(Window.Sheet.CurrentCol(), 2);
  Window.Sheet.SetCurrentCell(1, 127);
  EXPECT_TRUE(SheetKeyPress(13));
  EXPECT_EQ(Window.Sheet.CurrentRow(), 127);
}

TEST_F(CommandsTest, CtrlNInsertsAnEmptyCellInTheColumn)
{
  Window.Sheet.Fill({{"1", "a"}, {"2", "b"}, {"3", "c"}});
  Window.Sheet.SetCurrentCell(2, 2);
  EXPECT_TRUE(SheetKeyPress(14));
  EXPECT_EQ(SheetRows(1, 5), (Rows{{"1", "a"}, {"2", ""}, {"3", "b"}, {"", "c"}, {"", ""}}));
  EXPECT_EQ(Window.Sheet.RowCount(), 128);
}

// Row 127's Y moves into a new row 128 instead of being lost.
TEST_F(CommandsTest, CtrlNOnAFullColumnGrowsTheSheet)
{
  Window.Sheet.Fill({});
  Window.Sheet.Cells[126][2] = "y126";
  Window.Sheet.Cells[127][2] = "y127";
  Window.Sheet.Cells[127][1] = "x127";
  Window.Sheet.SetCurrentCell(2, 126);
  EXPECT_TRUE(SheetKeyPress(14));
  ASSERT_EQ(Window.Sheet.RowCount(), 129);
  EXPECT_EQ(SheetRows(126, 128), (Rows{{"", ""}, {"x127", "y126"}, {"", "y127"}}));
  EXPECT_EQ(Window.Sheet.Cell(0, 128), "128");
}

TEST_F(CommandsTest, CtrlYDeletesTheCurrentCell)
{
  Window.Sheet.Fill({{"1", "a"}, {"2", "b"}, {"3", "c"}});
  Window.Sheet.Cells[127][1] = "last";
  Window.Sheet.SetCurrentCell(1, 1);
  EXPECT_TRUE(SheetKeyPress(25));
  EXPECT_EQ(SheetRows(1, 3), (Rows{{"2", "a"}, {"3", "b"}, {"", "c"}}));
  EXPECT_EQ(SheetRows(126, 127), (Rows{{"last", ""}, {"", ""}}));
  EXPECT_EQ(Window.Sheet.RowCount(), 128);
}

TEST_F(CommandsTest, OtherKeysReachTheCell)
{
  Window.Sheet.Fill({{"1", "2"}});
  Window.Sheet.SetCurrentCell(1, 1);
  for (const char Key : {'a', '5', '\t', '\b', static_cast<char>(15), static_cast<char>(24)})
    EXPECT_FALSE(SheetKeyPress(Key)) << static_cast<int>(Key);
  EXPECT_EQ(SheetRows(1, 2), (Rows{{"1", "2"}, {"", ""}}));
  EXPECT_EQ(Window.Sheet.CurrentRow(), 1);
}

// ---------------------------------------------------------------------------
// Exit, help, About

TEST_F(CommandsTest, ClosingAnEmptySheetAsksNothing)
{
  Window.Sheet.Fill({{"  ", "\t"}});  // blanks only: no data
  EXPECT_TRUE(FormCloseQuery());
  EXPECT_TRUE(Window.Messages.Shown.empty());
}

struct TExitCase {
  const char* Name;
  TMessageResult Answer;
  bool Closes;
};

class ExitTest : public CommandsTest, public testing::WithParamInterface<TExitCase> {};

TEST_P(ExitTest, AsksWhenTheSheetHoldsData)
{
  const TExitCase& Case = GetParam();
  Window.Sheet.Fill({});
  Window.Sheet.Cells[40][2] = "0.3";
  Workbench().ViewMode = ModeReport;  // the mode plays no part
  Window.Messages.Answer = Case.Answer;
  EXPECT_EQ(FormCloseQuery(), Case.Closes);
  ASSERT_EQ(Window.Messages.Shown.size(), 1u);
  const TMessage& M = Window.Messages.Shown[0];
  EXPECT_EQ(M.Text, "您确定您真的要退出Titrelle吗?");
  EXPECT_EQ(M.Caption, "退出");
  EXPECT_EQ(M.Icon, TMessageIcon::Information);
  EXPECT_EQ(M.Buttons, TMessageButtons::YesNo);
}

INSTANTIATE_TEST_SUITE_P(Answers, ExitTest,
                         testing::Values(TExitCase{"Yes", TMessageResult::Yes, true},
                                         TExitCase{"No", TMessageResult::No, false}),
                         [](const testing::TestParamInfo<TExitCase>& Info) { return std::string(Info.param.Name); });

TEST_F(CommandsTest, HelpPageLiesInTheHelpFolder)
{
  Window.Shell.Folder = "/opt/titrelle/";
  EXPECT_EQ(HelpPagePath(), "/opt/titrelle/Help/EIA_Readme.htm");
  ShowHelp();
  EXPECT_EQ(Window.Shell.Opened, std::vector<std::string>{"/opt/titrelle/Help/EIA_Readme.htm"});
  EXPECT_TRUE(Window.Messages.Shown.empty());
}

TEST_F(CommandsTest, HelpFailureShowsItsMessage)
{
  Window.Shell.Succeeds = false;
  Workbench().ViewMode = ModeCurve;
  ShowHelp();
  ASSERT_EQ(Window.Messages.Shown.size(), 1u);
  const TMessage& M = Window.Messages.Shown[0];
  // Lines broken by single CRs, one backslash before Help, four blanks at the end.
  const std::string Expected = std::string("打开帮助文件时出现错误. ") + '\r' +
                               "请检查帮助文件是否存在, HTM文件是否有关联的应用程序, 等等." + '\r' +
                               "帮助文件应该在该程序文件所在文件夹下的" + '\\' + "Help子文件夹中, 名字为EIA_Readme.htm    ";
  EXPECT_EQ(M.Text, Expected);
  EXPECT_EQ(M.Caption, "错误");
  EXPECT_EQ(M.Icon, TMessageIcon::Error);
  EXPECT_EQ(M.Buttons, TMessageButtons::Ok);
  EXPECT_EQ(Mode(), ModeCurve);
  EXPECT_EQ(Window.Controls.ViewUpdates, 0);
}

TEST_F(CommandsTest, AboutTextHasItsSixLines)
{
  const std::string Text = AboutText();
  EXPECT_EQ(Text.find('\n'), std::string::npos);
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  for (std::size_t End = Text.find('\r'); End != std::string::npos; End = Text.find('\r', Start)) {
    Lines.push_back(Text.substr(Start, End - Start));
    Start = End + 1;
  }
  Lines.push_back(Text.substr(Start));
  ASSERT_EQ(Lines.size(), 6u);
  EXPECT_EQ(Lines[0], "          Titrelle");
  EXPECT_EQ(Lines[1], "");
  EXPECT_NE(Lines[2].find("The Titrelle developers"), std::string::npos);
  EXPECT_EQ(Lines[3], "            日期: 2006年4月");
  EXPECT_EQ(Lines[4], "");
  EXPECT_FALSE(Lines[5].empty());
}

struct TAboutCase {
  const char* Name;
  bool Ctrl, Alt, Shift;
};

class AboutTest : public CommandsTest, public testing::WithParamInterface<TAboutCase> {};

TEST_P(AboutTest, NeedsAllThreeKeys)
{
  const TAboutCase& Case = GetParam();
  Panel1MouseDown(Case.Ctrl, Case.Alt, Case.Shift);
  const bool All = Case.Ctrl && Case.Alt && Case.Shift;
  ASSERT_EQ(Window.Messages.Shown.size(), All ? 1u : 0u);
  if (!All)
    return;
  const TMessage& M = Window.Messages.Shown[0];
  EXPECT_EQ(M.Text, AboutText());
  EXPECT_EQ(M.Caption, "About");
  EXPECT_EQ(M.Icon, TMessageIcon::None);
  EXPECT_EQ(M.Buttons, TMessageButtons::Ok);
}

INSTANTIATE_TEST_SUITE_P(Keys, AboutTest,
                         testing::Values(TAboutCase{"None", false, false, false}, TAboutCase{"Ctrl", true, false, false},
                                         TAboutCase{"Alt", false, true, false}, TAboutCase{"Shift", false, false, true},
                                         TAboutCase{"CtrlAlt", true, true, false},
                                         TAboutCase{"CtrlShift", true, false, true},
                                         TAboutCase{"AltShift", false, true, true},
                                         TAboutCase{"All", true, true, true}),
                         [](const testing::TestParamInfo<TAboutCase>& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace Titrelle
