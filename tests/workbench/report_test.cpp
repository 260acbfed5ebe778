// The regression report, its number texts and replicate statistics, driven
// through the fake window. Expected texts are written out by hand; exact
// decimal expansions of doubles come from Python's decimal.Decimal.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "Fakes.h"
#include "TestVectors.h"
#include "models/Models.h"
#include "workbench/MainUnit.h"

namespace Titrelle {
namespace {

using Testing::FakeSurface;
using Testing::FakeWindow;
using Testing::Observations;
using Testing::OptionVector;
using Testing::Params;

constexpr Float NaN = std::numeric_limits<Float>::quiet_NaN();
constexpr Float Infinity = std::numeric_limits<Float>::infinity();

const std::string EqualsLine = std::string(66, '=') + "\r\n";
const std::string DashLine = std::string(66, '-') + "\r\n";
const std::string Header = "           X    Y-反应值    Y-平均值 CV(%)    Y-计算值      Y-残差\r\n";
const char* const ReportFault = "错误: 生成回归报告时出现算术错误 (数值溢出或无效运算), 报告未能生成.";

struct TPoint {
  Float X, Y;
};

// The fitted state the report reads: curve, options and data points.
void UseFit(int Code, const std::vector<Float>& B, const std::vector<Float>& Options, const std::vector<TPoint>& Points)
{
  TWorkbenchState& W = Workbench();
  W.ModelCode = Code;
  W.CurveParams = Params(B);
  W.ModelOptions = OptionVector(Options);
  std::vector<Float> X, Y;
  for (const TPoint& P : Points) {
    X.push_back(P.X);
    Y.push_back(P.Y);
  }
  W.DataX = Observations(X);
  W.DataY = Observations(Y);
  W.PointCount = static_cast<int>(Points.size());
  if (Code == 13 || Code == 14) {
    ASSERT_TRUE(SelectModel(Code, 0, W.ModelOptions));
  }
}

// The report's lines without their "\r\n"; fails when a line lacks it.
std::vector<std::string> Lines(const std::string& Text)
{
  std::vector<std::string> Result;
  std::size_t Start = 0;
  while (Start < Text.size()) {
    const std::size_t End = Text.find("\r\n", Start);
    EXPECT_NE(End, std::string::npos) << "unterminated line: " << Text.substr(Start);
    if (End == std::string::npos)
      break;
    Result.push_back(Text.substr(Start, End - Start));
    Start = End + 2;
  }
  return Result;
}

class ReportTest : public testing::Test {
protected:
  void SetUp() override
  {
    ResetWorkbench();
    InitModels();
    Workbench().ViewMode = ModeCurve;
  }

  // The table rows of the shown report (between the header's dash line and
  // the closing equals line).
  std::vector<std::string> TableRows()
  {
    const std::vector<std::string> All = Lines(Fake.Controls.Report);
    std::vector<std::string> Rows;
    std::size_t I = 0;
    while (I < All.size() && All[I] + "\r\n" != Header)
      ++I;
    for (I += 2; I < All.size() && All[I] + "\r\n" != EqualsLine; ++I)
      Rows.push_back(All[I]);
    return Rows;
  }

  FakeWindow Fake;
};

// ---------------------------------------------------------------------------
// FormatFixed

struct TFixedCase {
  const char* Name;
  Float X;
  int Width;
  int Decimals;
  const char* Text;
};

class FormatFixedTest : public testing::TestWithParam<TFixedCase> {};

TEST_P(FormatFixedTest, Text)
{
  const TFixedCase& C = GetParam();
  EXPECT_EQ(FormatFixed(C.X, C.Width, C.Decimals), C.Text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatFixedTest,
    testing::Values(TFixedCase{"HalfUp", 2.5, 1, 0, "3"}, TFixedCase{"NegativeHalfAway", -2.5, 1, 0, "-3"},
                    TFixedCase{"HalfOfOne", 0.5, 1, 0, "1"},
                    // Exact binary halves at 2, 4 and 5 decimals (half-even would round down).
                    TFixedCase{"HalfTwoDecimals", 0.125, 1, 2, "0.13"},
                    TFixedCase{"HalfFourDecimals", 0.03125, 12, 4, "      0.0313"},
                    TFixedCase{"HalfFiveDecimals", 0.015625, 15, 5, "        0.01563"},
                    // 1.005 is 1.00499999999999989... as a double.
                    TFixedCase{"JustBelowHalf", 1.005, 1, 2, "1.00"},
                    TFixedCase{"TinyNegativeKeepsSign", -0.00001, 12, 4, "     -0.0000"},
                    TFixedCase{"Zero", 0.0, 12, 4, "      0.0000"},
                    TFixedCase{"NegativeZeroIsNotNegative", -0.0, 12, 4, "      0.0000"},
                    TFixedCase{"Padded", 123.456, 12, 4, "    123.4560"},
                    TFixedCase{"NotCut", 123456789.0, 6, 2, "123456789.00"},
                    TFixedCase{"Count", 3.0, 1, 0, "3"},
                    // 9.99995 is 9.99995000000000011... : up, with a carry into a new digit.
                    TFixedCase{"CarryIntoNewDigit", 9.99995, 1, 4, "10.0000"},
                    TFixedCase{"LargestFixed", 1e35, 1, 0, "99999999999999996863366107917975552"},
                    TFixedCase{"ExponentForm", 1e36, 15, 5, "    1.00000E+36"},
                    TFixedCase{"ExponentNegative", -2.5e40, 1, 2, "-2.50E+40"},
                    // 2.5e40 is 25000000000000000155...: above the half.
                    TFixedCase{"ExponentRoundsUp", 2.5e40, 1, 0, "3E+40"},
                    // 9.9999995e36 is 9999999500000000279...: the carry raises the exponent.
                    TFixedCase{"ExponentCarry", 9.9999995e36, 1, 6, "1.000000E+37"},
                    TFixedCase{"NotANumber", NaN, 12, 4, "      ------"},
                    TFixedCase{"Infinite", Infinity, 1, 5, "------"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// SortData, ReplicateStats, CurveRSquared

TEST_F(ReportTest, SortsByXThenY)
{
  UseFit(0, {0, 1}, {}, {{3, 1}, {1, 5}, {1, 2}, {2, 0}});
  SortData();
  const TWorkbenchState& W = Workbench();
  const std::vector<std::pair<Float, Float>> Expected{{1, 2}, {1, 5}, {2, 0}, {3, 1}};
  for (int I = 1; I <= 4; ++I)
    EXPECT_EQ(std::make_pair(W.DataX[I], W.DataY[I]), Expected[I - 1]) << "point " << I;
  EXPECT_EQ(W.DataX[0], -77.0);  // element 0 untouched
}

struct TGroupCase {
  const char* Name;
  std::vector<TPoint> Points;
  std::vector<TDevRec> Dev;  // 1..N
};

class ReplicateStatsTest : public ReportTest, public testing::WithParamInterface<TGroupCase> {};

TEST_P(ReplicateStatsTest, Texts)
{
  UseFit(0, {0, 1}, {}, GetParam().Points);
  std::vector<TDevRec> Dev;
  ReplicateStats(Dev);
  ASSERT_EQ(Dev.size(), GetParam().Points.size() + 1);
  for (std::size_t I = 1; I < Dev.size(); ++I) {
    const TDevRec& E = GetParam().Dev[I - 1];
    EXPECT_EQ(Dev[I].MeanText, E.MeanText) << "point " << I;
    EXPECT_EQ(Dev[I].SDText, E.SDText) << "point " << I;
    EXPECT_EQ(Dev[I].CVText, E.CVText) << "point " << I;
  }
}

const TDevRec Blank{"            ", "", "      "};

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplicateStatsTest,
    testing::Values(
        // sd = sqrt(0.0002) = 0.0141421, CV = 0.0141421 / 0.11 * 100 = 12.856.
        TGroupCase{"Duplicate", {{1, 0.10}, {1, 0.12}, {2, 0.2}}, {Blank, {"      0.1100", "0.0141", " 12.86"}, Blank}},
        // Sorted to 0.20, 0.25, 0.30; sd 0.05, CV 0.05 / 0.25 * 100 = 20.
        TGroupCase{"Triplicate", {{2, 0.30}, {2, 0.20}, {2, 0.25}}, {Blank, Blank, {"      0.2500", "0.0500", " 20.00"}}},
        TGroupCase{"NearlyEqualX", {{1.0, 0.1}, {1.0000001, 0.2}}, {Blank, Blank}},
        TGroupCase{"Singles", {{1, 0.1}, {2, 0.2}, {3, 0.3}}, {Blank, Blank, Blank}},
        // Mean 0: the CV% is undefined and stays blank.
        TGroupCase{"MeanZero", {{1, -0.1}, {1, 0.1}}, {Blank, {"      0.0000", "0.1414", "      "}}},
        // Three times 0.1: the variance rounds to -1.7e-18 (see below); it counts as 0.
        TGroupCase{"IdenticalReplicates",
                   {{1, 0.1}, {1, 0.1}, {1, 0.1}, {2, 0.3}},
                   {Blank, Blank, {"      0.1000", "0.0000", "  0.00"}, Blank}},
        TGroupCase{"TwoGroupsAndLast",
                   {{1, 1}, {1, 3}, {2, 5}, {3, 2}, {3, 4}},
                   {Blank, {"      2.0000", "1.4142", " 70.71"}, Blank, Blank, {"      3.0000", "1.4142", " 47.14"}}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(ReplicateData, IdenticalReplicatesHaveNegativeVariance)
{
  // The data of the case above really exercise the negative variance: the
  // sums in the same order of operations (Python gives -1.734723475976807e-18).
  volatile Float Y = 0.1;
  Float S = 0.0, Q = 0.0;
  for (int I = 0; I < 3; ++I) {
    S += Y;
    Q += Y * Y;
  }
  EXPECT_LT(Q - S * S / 3, 0.0);
}

TEST_F(ReportTest, RSquaredOfExactLine)
{
  UseFit(0, {0, 2}, {}, {{1, 2}, {2, 4}, {3, 6}});
  EXPECT_EQ(CurveRSquared(), 1.0);  // SSr = SSy = 8 exactly
}

TEST_F(ReportTest, RSquaredAboveOneIsInverted)
{
  // Mean 2, SSy = 2; the curve 2x gives 2, 4, 6: SSr = 0 + 4 + 16 = 20; 20/2 > 1 becomes 0.1.
  UseFit(0, {0, 2}, {}, {{1, 1}, {2, 2}, {3, 3}});
  EXPECT_NEAR(CurveRSquared(), 0.1, 2.0 * MachineEpsilon);  // one division
}

TEST_F(ReportTest, RSquaredUndefinedForEqualResponses)
{
  UseFit(0, {0.5, 0}, {}, {{1, 0.5}, {2, 0.5}, {3, 0.5}});
  EXPECT_TRUE(std::isnan(CurveRSquared()));
}

TEST_F(ReportTest, RSquaredUndefinedWhereTheCurveFails)
{
  UseFit(11, {0, 1, 1, 0}, {0, 0}, {{-1000, 0.1}, {0, 0.5}, {1, 0.7}});
  EXPECT_TRUE(std::isnan(CurveRSquared()));
}

// ---------------------------------------------------------------------------
// ShowReport

TEST_F(ReportTest, LinearExampleLineByLine)
{
  UseFit(0, {0, 2}, {}, {{1, 2}, {2, 4}, {3, 6}});
  ShowReport();
  const std::vector<std::string> Expected{
      "直线回归",
      "",
      std::string(66, '='),
      "方程: y = a + b*x",
      std::string(66, '-'),
      "a    =        0.00000",
      "b    =        2.00000",
      "r^2  =        1.00000",
      std::string(66, '='),
      "",
      "",
      "",
      std::string(66, '='),
      "           X    Y-反应值    Y-平均值 CV(%)    Y-计算值      Y-残差",
      std::string(66, '-'),
      "      1.0000      2.0000                        2.0000      0.0000",
      "      2.0000      4.0000                        4.0000      0.0000",
      "      3.0000      6.0000                        6.0000      0.0000",
      std::string(66, '='),
      "数据个数  3",
      "残差平方和  0.00000",
  };
  EXPECT_EQ(Lines(Fake.Controls.Report), Expected);
  // Every line, the last included, ends with "\r\n".
  EXPECT_EQ(Fake.Controls.Report.substr(Fake.Controls.Report.size() - 2), "\r\n");
  EXPECT_EQ(Workbench().ViewMode, ModeReport);
  EXPECT_TRUE(Fake.Messages.Shown.empty());
}

TEST_F(ReportTest, ColumnsLineUpInDisplayColumns)
{
  // Header fields 12, 12, 12, 6, 12, 12 display columns, a Chinese character
  // taking two (Python: the header is 66 bytes in GBK); the rows match.
  UseFit(0, {0.01, 0.1}, {}, {{1, 0.10}, {1, 0.12}, {2, -0.2}});
  ShowReport();
  EXPECT_EQ(FakeSurface::Columns(Header.substr(0, Header.size() - 2)), 66);
  for (const std::string& Row : TableRows())
    EXPECT_EQ(FakeSurface::Columns(Row), 66) << Row;
  const std::vector<std::string> Fields{"           X", "    Y-反应值", "    Y-平均值", " CV(%)", "    Y-计算值", "      Y-残差"};
  const std::vector<int> Widths{12, 12, 12, 6, 12, 12};
  std::string Joined;
  for (std::size_t I = 0; I < Fields.size(); ++I) {
    EXPECT_EQ(FakeSurface::Columns(Fields[I]), Widths[I]) << Fields[I];
    Joined += Fields[I];
  }
  EXPECT_EQ(Joined + "\r\n", Header);
}

TEST_F(ReportTest, DuplicateStandardsShowMeanAndCV)
{
  // Linear 0.01 + 0.1 x: calculated 0.11 at X = 1, residuals 0.01 and -0.01.
  UseFit(0, {0.01, 0.1}, {}, {{1, 0.12}, {1, 0.10}, {2, 0.2}});
  ShowReport();
  const std::vector<std::string> Rows = TableRows();
  ASSERT_EQ(Rows.size(), 3u);
  EXPECT_EQ(Rows[0], "      1.0000      0.1000                        0.1100      0.0100");
  EXPECT_EQ(Rows[1], "      1.0000      0.1200      0.1100 12.86      0.1100     -0.0100");
  EXPECT_EQ(Rows[2], "      2.0000      0.2000                        0.2100      0.0100");
}

TEST_F(ReportTest, IdenticalReplicatesKeepTheReport)
{
  UseFit(0, {0.1, 0}, {}, {{1, 0.1}, {1, 0.1}, {1, 0.1}, {2, 0.3}});
  ShowReport();
  EXPECT_TRUE(Fake.Messages.Shown.empty());
  const std::vector<std::string> Rows = TableRows();
  ASSERT_EQ(Rows.size(), 4u);
  EXPECT_EQ(Rows[2].substr(24, 18), "      0.1000  0.00");
}

TEST_F(ReportTest, ReplicateMeanZeroKeepsTheReportWithBlankCV)
{
  UseFit(0, {0, 0.1}, {}, {{1, -0.1}, {1, 0.1}, {2, 0.5}});
  ShowReport();
  EXPECT_TRUE(Fake.Messages.Shown.empty());
  const std::vector<std::string> Rows = TableRows();
  ASSERT_EQ(Rows.size(), 3u);
  EXPECT_EQ(Rows[1].substr(24, 18), "      0.0000      ");
}

TEST_F(ReportTest, EqualResponsesShowUndefinedRSquared)
{
  UseFit(0, {0.5, 0}, {}, {{1, 0.5}, {2, 0.5}, {3, 0.5}});
  ShowReport();
  EXPECT_TRUE(Fake.Messages.Shown.empty());
  EXPECT_NE(Fake.Controls.Report.find(DashLine + "a    =        0.50000\r\nb    =        0.00000\r\n"
                                                 "r^2  =       --------\r\n" +
                                      EqualsLine),
            std::string::npos)
      << Fake.Controls.Report;
  EXPECT_EQ(Workbench().ViewMode, ModeReport);
}

TEST_F(ReportTest, FailedEvaluationShowsDashes)
{
  // The plain logistic 1 / (1 + e^(-x)) overflows at X = -1000.
  UseFit(11, {0, 1, 1, 0}, {0, 0}, {{0, 0.5}, {-1000, 0.1}, {1, 0.7}});
  ShowReport();
  EXPECT_TRUE(Fake.Messages.Shown.empty());
  const std::vector<std::string> Rows = TableRows();
  ASSERT_EQ(Rows.size(), 3u);
  EXPECT_EQ(Rows[0], "  -1000.0000      0.1000                        ------      ------");
  EXPECT_EQ(Rows[1], "      0.0000      0.5000                        0.5000      0.0000");
  const std::vector<std::string> All = Lines(Fake.Controls.Report);
  ASSERT_GE(All.size(), 2u);
  EXPECT_EQ(All[All.size() - 1], "残差平方和  ------");
  EXPECT_NE(Fake.Controls.Report.find("r^2  =       --------\r\n"), std::string::npos);
}

struct TFaultCase {
  const char* Name;
  std::vector<Float> B;
  std::vector<TPoint> Points;
};

class ReportFaultTest : public ReportTest, public testing::WithParamInterface<TFaultCase> {};

TEST_P(ReportFaultTest, AbandonsTheReport)
{
  UseFit(0, GetParam().B, {}, GetParam().Points);
  Workbench().ViewMode = ModeXFromY;
  ShowReport();
  ASSERT_EQ(Fake.Messages.Shown.size(), 1u);
  const TMessage& M = Fake.Messages.Shown[0];
  EXPECT_EQ(M.Text, ReportFault);
  EXPECT_EQ(M.Caption, "错误");
  EXPECT_EQ(M.Icon, TMessageIcon::Error);
  EXPECT_EQ(M.Buttons, TMessageButtons::Ok);
  EXPECT_EQ(Fake.Controls.Report, "Memo1");
  // The mode stays with the view that is still shown.
  EXPECT_EQ(Workbench().ViewMode, ModeXFromY);
  EXPECT_EQ(Fake.Controls.ViewUpdates, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportFaultTest,
                         testing::Values(
                             // Q = 2e400 in the replicate statistics (step 1).
                             TFaultCase{"ReplicateSumOverflows", {0, 1}, {{1, 1e200}, {1, 1e200}}},
                             // (1e200)^2 in SSy (the r² of step 4).
                             TFaultCase{"SpreadOverflows", {0, 1e200}, {{1, 1e200}, {2, 3e200}}},
                             // Responses -8e153, 8e153 and the curve 8e153, -8e153: SSy = SSr =
                             // 1.28e308 are finite, the residual 1.6e154 squared is not (step 6).
                             TFaultCase{"ResidualOverflows", {2.4e154, -1.6e154}, {{1, -8e153}, {2, 8e153}}}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(ReportTest, SameTextTheSecondTime)
{
  UseFit(0, {0.01, 0.1}, {}, {{2, 0.2}, {1, 0.12}, {1, 0.10}});
  ShowReport();
  const std::string First = Fake.Controls.Report;
  Workbench().ViewMode = ModeCurve;
  ShowReport();
  EXPECT_EQ(Fake.Controls.Report, First);
  // The data stay sorted in the workbench.
  EXPECT_EQ(Workbench().DataY[1], 0.10);
  EXPECT_EQ(Workbench().DataX[3], 2.0);
}

// The title block and parameter lines, from the top of the report to the r² line.
struct TTitleCase {
  const char* Name;
  int Code;
  std::vector<Float> Options;
  std::vector<Float> B;
  std::string Top;
};

class ReportTitleTest : public ReportTest, public testing::WithParamInterface<TTitleCase> {};

TEST_P(ReportTitleTest, TitleAndParameters)
{
  const TTitleCase& C = GetParam();
  UseFit(C.Code, C.B, C.Options, {{1, 0.5}, {2, 0.9}, {4, 1.3}});
  ShowReport();
  ASSERT_TRUE(Fake.Messages.Shown.empty());
  const std::string& Report = Fake.Controls.Report;
  EXPECT_EQ(Report.substr(0, C.Top.size()), C.Top);
  EXPECT_EQ(Report.substr(C.Top.size(), 6), "r^2  =");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportTitleTest,
    testing::Values(
        TTitleCase{"Linear", 0, {}, {1.5, -2},
                   "直线回归\r\n\r\n" + EqualsLine + "方程: y = a + b*x\r\n" + DashLine +
                       "a    =        1.50000\r\n"
                       "b    =       -2.00000\r\n"},
        TTitleCase{"Quadratic", 2, {2}, {1, 2, 3},
                   "二次曲线回归\r\n\r\n" + EqualsLine + "方程: y = a + b*x + c*x^2\r\n" + DashLine +
                       "a    =        1.00000\r\n"
                       "b    =        2.00000\r\n"
                       "c    =        3.00000\r\n"},
        TTitleCase{"Cubic", 2, {3}, {1, 2, 3, 4},
                   "三次曲线回归\r\n\r\n" + EqualsLine + "方程: y = a + b*x + c*x^2 + d*x^3\r\n" + DashLine +
                       "a    =        1.00000\r\n"
                       "b    =        2.00000\r\n"
                       "c    =        3.00000\r\n"
                       "d    =        4.00000\r\n"},
        TTitleCase{"ExponentialConst", 5, {1}, {0.5, 2, 0.1},
                   "指数曲线拟合\r\n\r\n" + EqualsLine + "方程: y = Ymin + A [1 - e^(-k*x)]\r\n" + DashLine +
                       "Ymin =        0.50000\r\n"
                       "A    =        2.00000\r\n"
                       "k    =        0.10000\r\n"},
        TTitleCase{"ExponentialPlain", 5, {0}, {0.5, 2, 0.1},
                   "指数曲线拟合\r\n\r\n" + EqualsLine + "方程: y = A [1 - e^(-k*x)]\r\n" + DashLine +
                       "A    =        2.00000\r\n"
                       "k    =        0.10000\r\n"},
        TTitleCase{"Hill", 10, {}, {2, 3, 1.5},
                   "Hill曲线拟合\r\n\r\n" + EqualsLine + "方程: y = ymax * x^n / (k^n + x^n)\r\n" + DashLine +
                       "ymax =        2.00000\r\n"
                       "k    =        3.00000\r\n"
                       "n    =        1.50000\r\n"},
        TTitleCase{"LogisticPlain", 11, {0, 0}, {0, 2, 1, 0.5},
                   "Logistic曲线拟合\r\n\r\n" + EqualsLine + "方程: y = B / [1 + e^(-a*x + b)]\r\n" + DashLine +
                       "B    =        2.00000\r\n"
                       "a    =        1.00000\r\n"
                       "b    =        0.50000\r\n"},
        TTitleCase{"LogisticConst", 11, {1, 0}, {0.2, 2, 1, 0.5},
                   "Logistic曲线拟合\r\n\r\n" + EqualsLine + "方程: y = A + (B - A) / [1 + e^(-a*x + b)]\r\n" +
                       DashLine +
                       "A    =        0.20000\r\n"
                       "B    =        2.00000\r\n"
                       "a    =        1.00000\r\n"
                       "b    =        0.50000\r\n"},
        TTitleCase{"LogisticGeneralConst", 11, {1, 1}, {0.2, 2, 1, 0.5, 0.6},
                   "一般形式的Logistic曲线拟合\r\n\r\n" + EqualsLine +
                       "方程: y = A + (B - A) / [1 + e^(-a*x + b)]^n\r\n" + DashLine +
                       "A    =        0.20000\r\n"
                       "B    =        2.00000\r\n"
                       "a    =        1.00000\r\n"
                       "b    =        0.50000\r\n"
                       "n    =        0.60000\r\n"},
        TTitleCase{"LogisticGeneralPlain", 11, {0, 1}, {0, 2, 1, 0.5, 0.6},
                   "一般形式的Logistic曲线拟合\r\n\r\n" + EqualsLine + "方程: y = B / [1 + e^(-a*x + b)]^n\r\n" +
                       DashLine +
                       "B    =        2.00000\r\n"
                       "a    =        1.00000\r\n"
                       "b    =        0.50000\r\n"
                       "n    =        0.60000\r\n"},
        TTitleCase{"FourParameter", 13, {}, {2, 1.3, 10, 0.1},
                   "四参数Logistic曲线拟合\r\n\r\n" + EqualsLine + "方程: y = (A - D) / [1 + (x/C)^B] + D\r\n" +
                       DashLine +
                       "A    =        2.00000\r\n"
                       "B    =        1.30000\r\n"
                       "C    =       10.00000\r\n"
                       "D    =        0.10000\r\n"},
        TTitleCase{"FiveParameter", 14, {}, {2, 1.3, 10, 0.1, 0.7},
                   "五参数Logistic曲线拟合\r\n\r\n" + EqualsLine + "方程: y = (A - D) / [(1 + (x/C)^B)]^n + D\r\n" +
                       DashLine +
                       "A    =        2.00000\r\n"
                       "B    =        1.30000\r\n"
                       "C    =       10.00000\r\n"
                       "D    =        0.10000\r\n"
                       "n    =        0.70000\r\n"},
        TTitleCase{"LogitLog", LogitLogModelCode, {}, {0.25, -1.125},
                   "Logit-log 直线回归\r\n\r\n" + EqualsLine +
                       "令 p = OD/OD0,         q = 1 - p,\r\n"
                       "   y = ln (p / q),     x = lg (浓度),\r\n"
                       "其中: OD  为反应值,\r\n"
                       "      OD0 为浓度为 0 的反应值的均值,\r\n"
                       "则方程为:\r\n"
                       "y = a + b*x\r\n" +
                       DashLine +
                       "a    =        0.25000\r\n"
                       "b    =       -1.12500\r\n"},
        // No report texts for a code outside the table: the dash line comes first.
        TTitleCase{"UnknownModel", 7, {}, {1, 2, 3}, DashLine}),
    [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace Titrelle
