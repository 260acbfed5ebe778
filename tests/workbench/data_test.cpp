// The data sheet: number parsing, the column transformations, the
// background, reading the sheet, exclusion marks and the edit guard.
#include <gtest/gtest.h>

#include "Fakes.h"

#include <cfloat>
#include <cmath>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "models/Models.h"
#include "workbench/MainUnit.h"

namespace Titrelle {
namespace {

using Testing::FakeWindow;

const char* const TwoPairs = "必须有两对以上数据才能进行回归计算.";
const char* const Mark = "\xC3\x97";  // U+00D7 in UTF-8

class DataTest : public testing::Test {
protected:
  void SetUp() override
  {
    ResetWorkbench();
    InitModels();
  }

  FakeWindow Win;
};

// ---------------------------------------------------------------------------
// Number parsing

struct TParseCase {
  const char* Name;
  const char* Text;
  bool Valid;
  Float Value;  // 0 when invalid
};

void PrintTo(const TParseCase& C, std::ostream* Os) { *Os << C.Name; }

class ParseNumberTest : public DataTest, public testing::WithParamInterface<TParseCase> {};

TEST_P(ParseNumberTest, ReadsDecimalNumbersOnly)
{
  const TParseCase& C = GetParam();
  Float V = -99.0;
  EXPECT_EQ(ParseNumber(C.Text, V), C.Valid) << "\"" << C.Text << "\"";
  // Exact: the conversion rounds correctly, as does the compiler's reading
  // of the literal it is compared with.
  EXPECT_EQ(V, C.Value);
}

const TParseCase ParseCases[] = {
  {"Integer", "42", true, 42.0},
  {"BlanksAndControlsTrimmed", " \t-1.5e3\r\n", true, -1500.0},
  {"PlusSign", "+0.25", true, 0.25},
  {"PointFirst", ".5", true, 0.5},
  {"PointLast", "2.", true, 2.0},
  {"LowerExponent", "1e-3", true, 1e-3},
  {"UpperSignedExponent", "2.5E+2", true, 250.0},
  {"LeadingZeros", "007.50", true, 7.5},
  {"LargestDouble", "1.7976931348623157e308", true, DBL_MAX},
  {"ManyDigitsLargeValue", "179769313486231570000000000000000000000e270", true, DBL_MAX},
  {"Denormal", "4.9e-324", true, 4.9e-324},
  {"UnderflowIsZero", "1e-400", true, 0.0},
  {"ZeroWithHugeExponent", "0e999999", true, 0.0},
  {"LargeMantissaUnderflow", "1000e-330", true, 0.0},
  {"Empty", "", false, 0.0},
  {"BlanksOnly", " \t ", false, 0.0},
  {"Word", "abc", false, 0.0},
  {"ThousandsSeparator", "1,000", false, 0.0},
  {"DecimalComma", "0,5", false, 0.0},
  {"TwoPoints", "1.2.3", false, 0.0},
  {"Infinity", "inf", false, 0.0},
  {"NotANumber", "nan", false, 0.0},
  {"SignOnly", "-", false, 0.0},
  {"PointOnly", ".", false, 0.0},
  {"ExponentOnly", "e5", false, 0.0},
  {"ExponentWithoutDigits", "1e", false, 0.0},
  {"ExponentSignWithoutDigits", "1e+", false, 0.0},
  {"TrailingLetter", "1.5x", false, 0.0},
  {"InnerBlank", "1 2", false, 0.0},
  {"Hexadecimal", "0x10", false, 0.0},
  {"TwoSigns", "+-1", false, 0.0},
  {"BeyondLargestDouble", "1.8e308", false, 0.0},
  {"NegativeBeyondLargestDouble", "-1e309", false, 0.0},
  {"HugeExponent", "1e99999999999999999999999", false, 0.0},
  {"SmallMantissaHugeExponent", "0.000001e400", false, 0.0},
};

INSTANTIATE_TEST_SUITE_P(Texts, ParseNumberTest, testing::ValuesIn(ParseCases),
                         [](const testing::TestParamInfo<TParseCase>& I) { return std::string(I.param.Name); });

// ---------------------------------------------------------------------------
// Transformations

struct TTransformCase {
  const char* Name;
  bool Forward;
  int Index;
  Float Input;
  bool Ok;
  Float Output;  // when Ok
};

void PrintTo(const TTransformCase& C, std::ostream* Os) { *Os << C.Name; }

class TransformTest : public DataTest, public testing::WithParamInterface<TTransformCase> {};

TEST_P(TransformTest, MapsOrFails)
{
  const TTransformCase& C = GetParam();
  Float V = C.Input;
  EXPECT_EQ(C.Forward ? ApplyTransform(V, C.Index) : UndoTransform(V, C.Index), C.Ok);
  // The library's exp, log and pow are within an ulp or so, plus one
  // division: 4 eps relative.
  if (C.Ok) {
    EXPECT_NEAR(V, C.Output, 4 * MachineEpsilon * std::fabs(C.Output));
  }
}

const Float E = 2.718281828459045;

const TTransformCase TransformCases[] = {
  {"NoneKeeps", true, 0, -3.5, true, -3.5},
  {"Log2", true, 1, 8.0, true, 3.0},
  {"Log2OfZero", true, 1, 0.0, false, 0},
  {"Log2OfNegative", true, 1, -1.0, false, 0},
  {"Log10OfHundred", true, 2, 100.0, true, 2.0},
  {"Log10OfZero", true, 2, 0.0, false, 0},
  {"Square", true, 3, -3.0, true, 9.0},
  {"SquareOverflows", true, 3, 1e200, false, 0},
  {"SquareUnderflowsToZero", true, 3, 1e-200, true, 0.0},
  {"SquareRoot", true, 4, 0.25, true, 0.5},
  {"SquareRootOfZero", true, 4, 0.0, true, 0.0},
  {"SquareRootOfNegative", true, 4, -0.01, false, 0},
  {"Exponential", true, 5, 1.0, true, E},
  {"ExponentialOverflows", true, 5, 710.0, false, 0},
  {"ExponentialUnderflowsToZero", true, 5, -800.0, true, 0.0},
  {"IndexBeyondListKeeps", true, 6, 5.0, true, 5.0},
  {"NegativeIndexKeeps", true, -1, 5.0, true, 5.0},
  {"UndoNoneKeeps", false, 0, -3.5, true, -3.5},
  {"UndoLog2", false, 1, 3.0, true, 8.0},
  {"UndoLog2Overflows", false, 1, 1024.0, false, 0},
  {"UndoLog2Underflows", false, 1, -1080.0, true, 0.0},
  {"UndoLog10", false, 2, 2.0, true, 100.0},
  {"UndoLog10Overflows", false, 2, 309.0, false, 0},
  {"UndoSquare", false, 3, 9.0, true, 3.0},
  {"UndoSquareOfNegative", false, 3, -1.0, false, 0},
  {"UndoSquareRoot", false, 4, -3.0, true, 9.0},
  {"UndoSquareRootOverflows", false, 4, 1e155, false, 0},
  {"UndoExponential", false, 5, E, true, 1.0},
  {"UndoExponentialOfZero", false, 5, 0.0, false, 0},
  {"UndoExponentialOfNegative", false, 5, -1.0, false, 0},
  {"UndoIndexBeyondListKeeps", false, 7, 5.0, true, 5.0},
};

INSTANTIATE_TEST_SUITE_P(Columns, TransformTest, testing::ValuesIn(TransformCases),
                         [](const testing::TestParamInfo<TTransformCase>& I) { return std::string(I.param.Name); });

TEST_F(DataTest, UndoTransformInvertsApplyTransform)
{
  // Round trips on values inside every domain: a few ulps each way.
  for (int Index = 0; Index <= 5; ++Index)
    for (Float V : {0.3, 1.0, 7.25, 123.0}) {
      Float W = V;
      ASSERT_TRUE(ApplyTransform(W, Index));
      ASSERT_TRUE(UndoTransform(W, Index));
      EXPECT_NEAR(W, V, 1e-13 * V) << "index " << Index << " value " << V;
    }
}

// ---------------------------------------------------------------------------
// Background

struct TBackgroundCase {
  const char* Name;
  bool Subtract;
  const char* Text;
  Float Value;
  bool Valid;
};

void PrintTo(const TBackgroundCase& C, std::ostream* Os) { *Os << C.Name; }

class BackgroundTest : public DataTest, public testing::WithParamInterface<TBackgroundCase> {};

TEST_P(BackgroundTest, ValueAndValidity)
{
  const TBackgroundCase& C = GetParam();
  Win.Controls.Subtract = C.Subtract;
  Win.Controls.Background = C.Text;
  EXPECT_EQ(BackgroundValue(), C.Value);
  EXPECT_EQ(BackgroundIsValid(), C.Valid);
  EXPECT_TRUE(Win.Messages.Shown.empty());  // never reported here
}

const TBackgroundCase BackgroundCases[] = {
  {"ClearBoxNumber", false, "0.05", 0.0, true},
  {"ClearBoxWord", false, "abc", 0.0, true},
  {"TickedNumber", true, "0.05", 0.05, true},
  {"TickedNumberWithBlanks", true, " -0.1 ", -0.1, true},
  {"TickedInitialText", true, "Please enter the background value", 0.0, false},
  {"TickedWord", true, "abc", 0.0, false},
  {"TickedEmpty", true, "", 0.0, false},
};

INSTANTIATE_TEST_SUITE_P(Fields, BackgroundTest, testing::ValuesIn(BackgroundCases),
                         [](const testing::TestParamInfo<TBackgroundCase>& I) { return std::string(I.param.Name); });

// ---------------------------------------------------------------------------
// Last used row

TEST_F(DataTest, LastUsedRowLooksAtTheDataCellsOnly)
{
  EXPECT_EQ(LastUsedRow(), 0);  // empty sheet
  Win.Sheet.Fill({});
  EXPECT_EQ(LastUsedRow(), 0);  // labels do not count
  Win.Sheet.SetCell(0, 50, std::string("50  ") + Mark);
  EXPECT_EQ(LastUsedRow(), 0);  // nor do exclusion marks

  Win.Sheet.Fill({{"1", "2"}, {"3", "4"}});
  Win.Sheet.SetCell(1, 8, "5");
  Win.Sheet.SetCell(2, 9, "6");
  EXPECT_EQ(LastUsedRow(), 9);

  Win.Sheet.SetCell(1, 12, " \t\r\n");  // blanks and control characters only
  EXPECT_EQ(LastUsedRow(), 9);

  Win.Sheet.SetCell(2, 127, "x");
  EXPECT_EQ(LastUsedRow(), 127);
}

TEST_F(DataTest, LastUsedRowFollowsTheRowCount)
{
  Win.Sheet.SetRowCount(300);
  Win.Sheet.SetCell(1, 299, "1");
  EXPECT_EQ(LastUsedRow(), 299);
}

// ---------------------------------------------------------------------------
// Reading the sheet

struct TReadCase {
  const char* Name = "";
  std::vector<std::pair<std::string, std::string>> Rows = {};  // rows 1.. (X, Y)
  std::vector<int> Excluded = {};
  int XIndex = 0, YIndex = 0;
  bool Subtract = false;
  std::string Background = "Please enter the background value";
  std::string Message = {};                          // empty on success
  std::vector<std::pair<Float, Float>> Points = {};  // on success
};

void PrintTo(const TReadCase& C, std::ostream* Os) { *Os << C.Name; }

class ReadDataTest : public DataTest, public testing::WithParamInterface<TReadCase> {};

TEST_P(ReadDataTest, ReadsOrReportsOnce)
{
  const TReadCase& C = GetParam();
  Win.Sheet.Fill(C.Rows);
  for (int R : C.Excluded)
    ToggleExclusion(R, 0);
  Win.Controls.XIndex = C.XIndex;
  Win.Controls.YIndex = C.YIndex;
  Win.Controls.Subtract = C.Subtract;
  Win.Controls.Background = C.Background;
  const auto SheetBefore = Win.Sheet.Cells;

  const bool Ok = ReadData();
  EXPECT_EQ(Win.Sheet.Cells, SheetBefore);  // reading never changes the sheet
  if (C.Message.empty()) {
    EXPECT_TRUE(Ok);
    EXPECT_TRUE(Win.Messages.Shown.empty());
    const TWorkbenchState& W = Workbench();
    ASSERT_EQ(W.PointCount, static_cast<int>(C.Points.size()));
    // Exact where no transformation applies; one library call and one
    // division otherwise: 4 eps relative.
    for (int K = 1; K <= W.PointCount; ++K) {
      const auto& [X, Y] = C.Points[K - 1];
      EXPECT_NEAR(W.DataX[K], X, 4 * MachineEpsilon * std::fabs(X)) << "point " << K;
      EXPECT_NEAR(W.DataY[K], Y, 4 * MachineEpsilon * std::fabs(Y)) << "point " << K;
    }
  } else {
    EXPECT_FALSE(Ok);
    ASSERT_EQ(Win.Messages.Shown.size(), 1u);
    const TMessage& M = Win.Messages.Shown[0];
    EXPECT_EQ(M.Text, C.Message);
    EXPECT_EQ(M.Caption, "错误");
    EXPECT_EQ(M.Icon, TMessageIcon::Error);
    EXPECT_EQ(M.Buttons, TMessageButtons::Ok);
  }
  EXPECT_EQ(Workbench().ViewMode, ModeDataEntry);
}

std::string BadNumber(const std::string& Cell) { return "错误: 您输入的不是有效的数字格式 (" + Cell + ")"; }
std::string BadTransform(const std::string& Cell) { return "错误: 不能进行函数转换 (" + Cell + ")"; }

std::vector<TReadCase> ReadCases()
{
  std::vector<TReadCase> Cases;
  auto Add = [&](TReadCase C) { Cases.push_back(std::move(C)); };
  const std::vector<std::pair<std::string, std::string>> Five = {
    {"1", "10"}, {"2", "20"}, {"3", "30"}, {"4", "40"}, {"5", "50"}};

  Add({.Name = "EmptySheet", .Rows = {}, .Message = TwoPairs});
  // Row 1 alone is reported before any cell is parsed.
  Add({.Name = "OnlyRowOne", .Rows = {{"abc", "x"}}, .Message = TwoPairs});
  Add({.Name = "FiveRows", .Rows = Five, .Points = {{1, 10}, {2, 20}, {3, 30}, {4, 40}, {5, 50}}});
  Add({.Name = "RowsTwoAndFourExcluded", .Rows = Five, .Excluded = {2, 4}, .Points = {{1, 10}, {3, 30}, {5, 50}}});
  Add({.Name = "AllThreeExcluded", .Rows = {{"1", "1"}, {"2", "2"}, {"3", "3"}}, .Excluded = {1, 2, 3},
       .Message = TwoPairs});
  Add({.Name = "OneRowLeft", .Rows = {{"1", "1"}, {"2", "2"}, {"3", "3"}}, .Excluded = {1, 3}, .Message = TwoPairs});
  Add({.Name = "BadXInRowFour", .Rows = {{"1", "1"}, {"2", "2"}, {"3", "3"}, {"abc", "4"}},
       .Message = BadNumber("X4")});
  Add({.Name = "EmptyYInRowSix", .Rows = {{"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "4"}, {"5", "5"}, {"6", ""}},
       .Message = BadNumber("Y6")});
  // The row number, not the point index, names the cell.
  Add({.Name = "BadYInRowFiveAfterExclusion", .Rows = {{"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "4"}, {"5", "?"}},
       .Excluded = {2}, .Message = BadNumber("Y5")});
  // Y filled one row further than X: that row's X is empty.
  Add({.Name = "YOnlyInRowNine",
       .Rows = {{"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "4"}, {"5", "5"}, {"6", "6"}, {"7", "7"}, {"8", "8"}, {"", "9"}},
       .Message = BadNumber("X9")});
  // Empty rows inside the used range are not skipped; X is named first.
  Add({.Name = "EmptyRowInside", .Rows = {{"1", "1"}, {"2", "2"}, {"", ""}, {"4", "4"}}, .Message = BadNumber("X3")});
  Add({.Name = "EmptyRowInsideExcluded", .Rows = {{"1", "1"}, {"2", "2"}, {"", ""}, {"4", "4"}}, .Excluded = {3},
       .Points = {{1, 1}, {2, 2}, {4, 4}}});
  Add({.Name = "Log10OfZeroInRowTwo", .Rows = {{"100", "1"}, {"0", "2"}}, .XIndex = 2,
       .Message = BadTransform("X2")});
  Add({.Name = "Log10OfHundred", .Rows = {{"100", "1"}, {"1000", "2"}}, .XIndex = 2, .Points = {{2, 1}, {3, 2}}});
  // X is transformed before the Y cell is read.
  Add({.Name = "XTransformBeforeBadY", .Rows = {{"100", "1"}, {"-5", "abc"}}, .XIndex = 2,
       .Message = BadTransform("X2")});
  // A transformation message comes before the number check of the row.
  Add({.Name = "YTransformBeforeBadX", .Rows = {{"abc", "-1"}, {"2", "2"}}, .YIndex = 4,
       .Message = BadTransform("Y1")});
  // A cell that is not a number is not transformed.
  Add({.Name = "BadXWithTransform", .Rows = {{"1", "1"}, {"abc", "2"}}, .XIndex = 2, .Message = BadNumber("X2")});
  Add({.Name = "Log2OfNegativeYInRowThree", .Rows = {{"1", "1"}, {"2", "2"}, {"3", "-1"}}, .YIndex = 1,
       .Message = BadTransform("Y3")});
  Add({.Name = "SquareOverflowsInRowTwo", .Rows = {{"1", "1"}, {"1e200", "2"}}, .XIndex = 3,
       .Message = BadTransform("X2")});
  // (0.30 - 0.05) = 0.25 exactly in doubles, and its square root is 0.5.
  Add({.Name = "BackgroundBeforeSquareRoot", .Rows = {{"1", "0.30"}, {"2", "0.30"}}, .YIndex = 4, .Subtract = true,
       .Background = "0.05", .Points = {{1, 0.5}, {2, 0.5}}});
  // The background is subtracted first, so 0.03 - 0.05 has no square root.
  Add({.Name = "BackgroundMakesSquareRootFail", .Rows = {{"1", "0.30"}, {"2", "0.03"}}, .YIndex = 4, .Subtract = true,
       .Background = "0.05", .Message = BadTransform("Y2")});
  Add({.Name = "BackgroundNotTicked", .Rows = {{"1", "0.30"}, {"2", "0.40"}}, .Background = "0.05",
       .Points = {{1, 0.30}, {2, 0.40}}});
  Add({.Name = "BackgroundWordUsesZero", .Rows = {{"1", "0.30"}, {"2", "0.40"}}, .Subtract = true,
       .Background = "abc", .Points = {{1, 0.30}, {2, 0.40}}});
  // Rows beyond the used range, and blank padding around numbers.
  Add({.Name = "BlanksAroundNumbers", .Rows = {{" 1 ", "\t2"}, {"3\r", " 4"}}, .Points = {{1, 2}, {3, 4}}});
  return Cases;
}

INSTANTIATE_TEST_SUITE_P(Sheets, ReadDataTest, testing::ValuesIn(ReadCases()),
                         [](const testing::TestParamInfo<TReadCase>& I) { return std::string(I.param.Name); });

TEST_F(DataTest, ReadDataRunsToTheRowCount)
{
  Win.Sheet.SetRowCount(200);
  Win.Sheet.Fill({{"1", "1"}});
  Win.Sheet.SetCell(1, 150, "2");
  Win.Sheet.SetCell(2, 150, "3");
  for (int R = 2; R < 150; ++R)
    ToggleExclusion(R, 0);
  ASSERT_TRUE(ReadData());
  EXPECT_EQ(Workbench().PointCount, 2);
  EXPECT_EQ(Workbench().DataX[2], 2.0);
  EXPECT_EQ(Workbench().DataX.Size(), 151);  // upper bound n = 150
}

TEST_F(DataTest, ReadDataTakesTheTransformsAtReadTime)
{
  Win.Sheet.Fill({{"4", "9"}, {"16", "25"}});
  Win.Controls.XIndex = 4;
  Win.Controls.YIndex = 4;
  ASSERT_TRUE(ReadData());
  EXPECT_EQ(Workbench().DataX[1], 2.0);  // square roots of perfect squares are exact
  EXPECT_EQ(Workbench().DataY[2], 5.0);
  Win.Controls.XIndex = 0;
  ASSERT_TRUE(ReadData());
  EXPECT_EQ(Workbench().DataX[2], 16.0);
}

// ---------------------------------------------------------------------------
// Exclusion marks

struct TMarkCase {
  const char* Name;
  int Row;
  std::string Marked;
};

void PrintTo(const TMarkCase& C, std::ostream* Os) { *Os << C.Name; }

class ExclusionTest : public DataTest, public testing::WithParamInterface<TMarkCase> {};

TEST_P(ExclusionTest, TogglesThePaddedMark)
{
  const TMarkCase& C = GetParam();
  Win.Sheet.SetRowCount(1200);
  Win.Sheet.Fill({});
  ToggleExclusion(C.Row, 0);
  EXPECT_EQ(Win.Sheet.Cell(0, C.Row), C.Marked);
  ToggleExclusion(C.Row, 0);
  EXPECT_EQ(Win.Sheet.Cell(0, C.Row), std::to_string(C.Row));
}

// The row number padded with spaces to four bytes, then the mark.
const TMarkCase MarkCases[] = {
  {"RowThree", 3, std::string("3   ") + Mark},
  {"RowSeven", 7, std::string("7   ") + Mark},
  {"RowTwelve", 12, std::string("12  ") + Mark},
  {"RowHundred", 100, std::string("100 ") + Mark},
  {"RowThousand", 1000, std::string("1000") + Mark},
};

INSTANTIATE_TEST_SUITE_P(Labels, ExclusionTest, testing::ValuesIn(MarkCases),
                         [](const testing::TestParamInfo<TMarkCase>& I) { return std::string(I.param.Name); });

TEST_F(DataTest, ExclusionActsOnRowLabelsOnly)
{
  Win.Sheet.Fill({{"1", "2"}});
  const auto Before = Win.Sheet.Cells;
  ToggleExclusion(1, 1);               // a data cell
  ToggleExclusion(1, 2);
  ToggleExclusion(0, 0);               // the header row
  ToggleExclusion(InitialRowCount, 0);  // beyond the last row
  ToggleExclusion(-1, 0);
  EXPECT_EQ(Win.Sheet.Cells, Before);
  ToggleExclusion(InitialRowCount - 1, 0);
  EXPECT_EQ(Win.Sheet.Cell(0, InitialRowCount - 1), std::string("127 ") + Mark);
}

TEST_F(DataTest, MarkAnywhereInTheLabelExcludes)
{
  Win.Sheet.Fill({{"1", "1"}, {"2", "2"}, {"3", "3"}});
  Win.Sheet.SetCell(0, 2, std::string(Mark) + "2");
  ASSERT_TRUE(ReadData());
  EXPECT_EQ(Workbench().PointCount, 2);
  EXPECT_EQ(Workbench().DataX[2], 3.0);
  // Clicking such a label restores the plain number.
  ToggleExclusion(2, 0);
  EXPECT_EQ(Win.Sheet.Cell(0, 2), "2");
}

// ---------------------------------------------------------------------------
// Edit guard

struct TEditCase {
  const char* Name;
  std::string Typed;
  bool Restored;
};

void PrintTo(const TEditCase& C, std::ostream* Os) { *Os << C.Name; }

class EditGuardTest : public DataTest, public testing::WithParamInterface<TEditCase> {};

TEST_P(EditGuardTest, RestoresTextsWithControlCharacters)
{
  const TEditCase& C = GetParam();
  Win.Sheet.SetCell(2, 5, "1.5");
  BeginCellEdit(2, 5, "1.5");
  EXPECT_EQ(Workbench().EditStartText, "1.5");
  Win.Sheet.SetCell(2, 5, C.Typed);  // the grid stores the edited text
  EndCellEdit(2, 5, C.Typed);
  EXPECT_EQ(Win.Sheet.Cell(2, 5), C.Restored ? std::string("1.5") : C.Typed);
}

const TEditCase EditCases[] = {
  {"Tab", "1\t2", true},
  {"CarriageReturn", "2.5\r", true},
  {"LineFeed", "\n", true},
  {"UnitSeparator", "3\x1F", true},
  {"PlainNumber", "2.75", false},
  {"Blank", " ", false},
  {"Delete", "4\x7F", false},
  {"NonAscii", std::string("5") + Mark, false},
  {"Empty", "", false},
};

INSTANTIATE_TEST_SUITE_P(Texts, EditGuardTest, testing::ValuesIn(EditCases),
                         [](const testing::TestParamInfo<TEditCase>& I) { return std::string(I.param.Name); });

TEST_F(DataTest, EditGuardUsesTheLatestStart)
{
  BeginCellEdit(1, 1, "first");
  BeginCellEdit(1, 3, "second");
  Win.Sheet.SetCell(1, 3, "a\tb");
  EndCellEdit(1, 3, "a\tb");
  EXPECT_EQ(Win.Sheet.Cell(1, 3), "second");
  EXPECT_EQ(Win.Sheet.Cell(1, 1), "");
}

}  // namespace
}  // namespace Titrelle
