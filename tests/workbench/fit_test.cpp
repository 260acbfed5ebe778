// The fit controller (model list, engine fits, non-convergence), the
// logit-log straight line and the natural cubic spline.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "TestVectors.h"

#include <algorithm>
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
using Testing::Observations;

using TPoints = std::vector<std::pair<Float, Float>>;

const char* const RegressionNote = "程序计算时没有敛到预定的范围";
const char* const NoZeroPointMessage = "必须有一个或几个X值为0的点, 该点的Y值为最大, 才能进行Logit-ln直线回归";
const char* const ZeroResponseMessage = "X值为0的点, 其Y值不能为0";

// Puts the points into DataX, DataY (1..n) as ReadData leaves them.
void SetData(const TPoints& Points)
{
  std::vector<Float> X, Y;
  for (const auto& P : Points) {
    X.push_back(P.first);
    Y.push_back(P.second);
  }
  Workbench().DataX = Observations(X);
  Workbench().DataY = Observations(Y);
  Workbench().PointCount = static_cast<int>(Points.size());
}

TPoints Sample(const std::vector<Float>& X, Float (*F)(Float))
{
  TPoints P;
  for (Float V : X)
    P.emplace_back(V, F(V));
  return P;
}

void ExpectError(const TMessage& M, const std::string& Text)
{
  EXPECT_EQ(M.Text, Text);
  EXPECT_EQ(M.Caption, "错误");
  EXPECT_EQ(M.Icon, TMessageIcon::Error);
  EXPECT_EQ(M.Buttons, TMessageButtons::Ok);
}

class FitTest : public testing::Test {
protected:
  void SetUp() override
  {
    ResetWorkbench();
    InitModels();
  }
  void TearDown() override { InitModels(); }

  FakeWindow Win;
};

// ---------------------------------------------------------------------------
// Model list

struct TListCase {
  const char* Name;
  int Index;
  int Code;
  bool GeneralVisible, ConstantVisible;
};

void PrintTo(const TListCase& C, std::ostream* Os) { *Os << C.Name; }

class ChooseModelTest : public FitTest, public testing::WithParamInterface<TListCase> {};

TEST_P(ChooseModelTest, SetsCodeAndOptionBoxes)
{
  const TListCase& C = GetParam();
  Workbench().ModelCode = -5;  // any previous choice
  Win.Controls.GeneralVisible = Win.Controls.ConstantVisible = true;
  ChooseModel(C.Index);
  EXPECT_EQ(Workbench().ModelCode, C.Code);
  EXPECT_EQ(Win.Controls.GeneralVisible, C.GeneralVisible);
  EXPECT_EQ(Win.Controls.ConstantVisible, C.ConstantVisible);
  EXPECT_TRUE(Win.Messages.Shown.empty());
}

const TListCase ListCases[] = {
  {"Linear", 0, 0, false, false},          {"Quadratic", 1, 2, false, false},
  {"Cubic", 2, 2, false, false},           {"LogitLog", 3, 101, false, false},
  {"Logistic", 4, 11, true, true},         {"FourParameter", 5, 13, false, false},
  {"FiveParameter", 6, 14, false, false},  {"Hill", 7, 10, false, false},
  {"Exponential", 8, 5, false, true},      {"Spline", 9, 100, false, false},
};

INSTANTIATE_TEST_SUITE_P(ModelList, ChooseModelTest, testing::ValuesIn(ListCases),
                         [](const testing::TestParamInfo<TListCase>& I) { return std::string(I.param.Name); });

TEST_F(FitTest, IndexOutsideTheListKeepsTheCodeAndHidesTheBoxes)
{
  ChooseModel(5);
  Win.Controls.GeneralVisible = Win.Controls.ConstantVisible = true;
  for (int Index : {-1, 10}) {
    ChooseModel(Index);
    EXPECT_EQ(Workbench().ModelCode, 13) << Index;
    EXPECT_FALSE(Win.Controls.GeneralVisible);
    EXPECT_FALSE(Win.Controls.ConstantVisible);
  }
}

TEST_F(FitTest, HiddenBoxKeepsItsState)
{
  Win.Controls.General = true;
  ChooseModel(4);
  ChooseModel(5);
  EXPECT_FALSE(Win.Controls.GeneralVisible);
  EXPECT_TRUE(Win.Controls.General);
}

// ---------------------------------------------------------------------------
// Engine fits

Float Line(Float X) { return 2.0 + 3.0 * X; }
Float Parabola(Float X) { return 1.0 - 2.0 * X + 0.5 * X * X; }
Float Cubic(Float X) { return 1.0 + X - 0.5 * X * X + 0.25 * X * X * X; }
// Model 11 without constant term, general form: 2 / (1 + exp(4 - 1.5 X))^0.8.
Float GeneralLogistic(Float X) { return 2.0 / std::pow(1.0 + std::exp(4.0 - 1.5 * X), 0.8); }
// Model 5 without constant term: 3 (1 - exp(-0.4 X)).
Float Rise(Float X) { return 3.0 * (1.0 - std::exp(-0.4 * X)); }
Float RiseOnBase(Float X) { return 0.5 + Rise(X); }

struct TEngineCase {
  const char* Name;
  int ListIndex;
  bool General, Constant;
  TPoints Points;
  std::vector<Float> Options;  // ModelOptions[0..4] after the fit
  int Low, High;               // the registry's fitted range
  std::vector<Float> B;        // expected CurveParams[0..High]
  Float Tol;
};

void PrintTo(const TEngineCase& C, std::ostream* Os) { *Os << C.Name; }

class EngineFitTest : public FitTest, public testing::WithParamInterface<TEngineCase> {};

TEST_P(EngineFitTest, FitsWithTheListOptions)
{
  const TEngineCase& C = GetParam();
  Win.Controls.Model = C.ListIndex;
  Win.Controls.General = C.General;
  Win.Controls.Constant = C.Constant;
  ChooseModel(C.ListIndex);
  SetData(C.Points);

  EXPECT_TRUE(FitCurve());
  EXPECT_TRUE(Win.Messages.Shown.empty());
  const TWorkbenchState& W = Workbench();
  ASSERT_EQ(W.ModelOptions.Size(), 5);
  for (int I = 0; I <= 4; ++I)
    EXPECT_EQ(W.ModelOptions[I], C.Options[I]) << "option " << I;
  // The selection stays in force for evaluation after the fit.
  EXPECT_EQ(CurrentModelCode(), W.ModelCode);
  EXPECT_EQ(ParamLow(), C.Low);
  EXPECT_EQ(ParamHigh(), C.High);
  ASSERT_EQ(W.CurveParams.Size(), C.High + 1);
  for (int I = 0; I <= C.High; ++I)
    if (I < C.Low)
      EXPECT_EQ(W.CurveParams[I], 0.0) << "B[" << I << "] is not fitted and stays 0";
    else
      EXPECT_NEAR(W.CurveParams[I], C.B[I], C.Tol) << "B[" << I << "]";
}

// The data lie exactly on the curves with the parameters listed, so the fit
// must return them. Tolerances: the linear models are solved directly
// (closed form, SVD) from exact data, 1e-9 covers their rounding with a wide
// margin; the nonlinear fits stop at the relative step tolerance 0.001 of
// the minimiser, and the step at that point is far smaller than the
// distance it may still have to go, so 1e-3 absolute on parameters of order 1.
const TEngineCase EngineCases[] = {
  {"Linear", 0, false, true, Sample({1, 2, 3, 4}, Line), {0, 0, 0, 0, 0}, 0, 1, {2, 3}, 1e-9},
  {"QuadraticDegreeTwo", 1, false, true, Sample({0, 1, 2, 3, 4}, Parabola), {2, 0, 0, 0, 0}, 0, 2, {1, -2, 0.5}, 1e-9},
  {"CubicDegreeThree", 2, false, true, Sample({0, 1, 2, 3, 4, 5}, Cubic), {3, 0, 0, 0, 0}, 0, 3, {1, 1, -0.5, 0.25},
   1e-9},
  {"LogisticGeneralWithoutConstant", 4, true, false, Sample({0, 1, 2, 3, 4, 5, 6, 7, 8}, GeneralLogistic),
   {0, 1, 0, 0, 0}, 1, 4, {0, 2, 1.5, 4, 0.8}, 1e-3},
  {"ExponentialWithoutConstant", 8, false, false, Sample({0, 1, 2, 3, 4, 5, 6}, Rise), {0, 0, 0, 0, 0}, 1, 2,
   {0, 3, 0.4}, 1e-3},
  {"ExponentialWithConstant", 8, false, true, Sample({0, 1, 2, 3, 4, 5, 6}, RiseOnBase), {1, 0, 0, 0, 0}, 0, 2,
   {0.5, 3, 0.4}, 1e-3},
};

INSTANTIATE_TEST_SUITE_P(ModelList, EngineFitTest, testing::ValuesIn(EngineCases),
                         [](const testing::TestParamInfo<TEngineCase>& I) { return std::string(I.param.Name); });

TEST_F(FitTest, FourParameterFitIgnoresTheHiddenGeneralFormBox)
{
  Win.Controls.General = true;
  Win.Controls.Model = 5;
  ChooseModel(4);
  ChooseModel(5);
  SetData({{1, 0.1}, {2, 0.5}, {3, 1.5}, {4, 1.9}, {5, 2.0}});
  FitCurve();
  for (int I = 0; I <= 4; ++I)
    EXPECT_EQ(Workbench().ModelOptions[I], 0.0);
  EXPECT_EQ(Workbench().CurveParams.Size(), 4);  // B[0..3]
}

TEST_F(FitTest, HillFitAtTheIterationLimitShowsTheNote)
{
  // Two points leave the three Hill parameters free: the refinement runs
  // into the 4000-iteration limit (SolveIterationLimit).
  Win.Controls.Model = 7;
  ChooseModel(7);
  SetData({{1, 1}, {2, 2}});
  EXPECT_FALSE(FitCurve());
  ASSERT_EQ(Win.Messages.Shown.size(), 1u);
  const TMessage& M = Win.Messages.Shown[0];
  EXPECT_EQ(M.Text, RegressionNote);
  EXPECT_EQ(M.Caption, "Info");
  EXPECT_EQ(M.Icon, TMessageIcon::None);
  EXPECT_EQ(M.Buttons, TMessageButtons::Ok);
  EXPECT_EQ(Workbench().CurveParams.Size(), 3);
}

TEST_F(FitTest, SingularHillFitIsAcceptedSilently)
{
  // Points on a straight line through 0 send the Hill asymptote and midpoint
  // off together: the final Gauss-Newton system is singular (SolveSingular).
  Win.Controls.Model = 7;
  ChooseModel(7);
  SetData({{1, 1}, {2, 2}, {3, 3}});
  EXPECT_TRUE(FitCurve());
  EXPECT_TRUE(Win.Messages.Shown.empty());
}

TEST_F(FitTest, ArithmeticFaultOfAModelReachesTheCaller)
{
  // The exponential estimate divides by the largest response, here 0.
  Win.Controls.Model = 8;
  Win.Controls.Constant = false;
  ChooseModel(8);
  SetData({{1, 0}, {2, 0}, {3, 0}});
  EXPECT_THROW(FitCurve(), ArithmeticFault);
  EXPECT_TRUE(Win.Messages.Shown.empty());
  EXPECT_EQ(Workbench().ViewMode, ModeDataEntry);
}

// ---------------------------------------------------------------------------
// Logit-log regression

TEST_F(FitTest, LogitLogExample)
{
  // By hand: OD0 = 1; the points become (lg 1, ln(0.5/0.5)) = (0, 0) and
  // (lg 10, ln(0.2/0.8)) = (1, ln 0.25); the line through two points is
  // a = 0, b = ln 0.25 = -1.3862943611198906.
  ChooseModel(3);
  SetData({{0, 1.0}, {1, 0.5}, {10, 0.2}});
  EXPECT_FALSE(FitCurve());
  const TWorkbenchState& W = Workbench();
  EXPECT_TRUE(Win.Messages.Shown.empty());
  EXPECT_EQ(W.ZeroResponse, 1.0);
  EXPECT_EQ(W.PointCount, 2);
  ASSERT_EQ(W.CurveParams.Size(), 4);
  // A few rounding steps on numbers of order 1: 4 eps.
  const Float Tol = 4 * MachineEpsilon;
  EXPECT_NEAR(W.CurveParams[0], 0.0, Tol);
  EXPECT_NEAR(W.CurveParams[1], -1.3862943611198906, Tol);
  EXPECT_EQ(W.CurveParams[2], 0.0);
  EXPECT_EQ(W.CurveParams[3], 0.0);
  EXPECT_NEAR(W.DataX[1], 0.0, Tol);
  EXPECT_NEAR(W.DataY[1], 0.0, Tol);
  EXPECT_NEAR(W.DataX[2], 1.0, Tol);
  EXPECT_NEAR(W.DataY[2], -1.3862943611198906, Tol);
  // Above the new count the values read stay.
  EXPECT_EQ(W.DataX[3], 10.0);
  EXPECT_EQ(W.DataY[3], 0.2);
}

TEST_F(FitTest, LogitLogMatchesAnIndependentLine)
{
  // numpy.polyfit(lg x, ln(p/(1-p)), 1) on the four non-zero standards with
  // OD0 = 1.8 gives a = 1.5918449643655543, b = -2.3097810257936784. The
  // zero point comes first, so the others stay in reading order.
  SetData({{0, 1.8}, {1, 1.5}, {3, 1.1}, {10, 0.6}, {30, 0.25}});
  EXPECT_FALSE(FitLogitLog());
  const TWorkbenchState& W = Workbench();
  EXPECT_EQ(W.PointCount, 4);
  // Sums of four terms of order 1 and one division by a denominator of order
  // 1: well within 1e-13.
  EXPECT_NEAR(W.CurveParams[0], 1.5918449643655543, 1e-13);
  EXPECT_NEAR(W.CurveParams[1], -2.3097810257936784, 1e-13);
  EXPECT_NEAR(W.DataX[2], std::log10(3.0), 4 * MachineEpsilon);
}

TEST_F(FitTest, LogitLogAveragesTheZeroPoints)
{
  SetData({{0, 2.0}, {1, 1.05}, {0, 2.2}, {10, 0.5}});
  FitLogitLog();
  EXPECT_NEAR(Workbench().ZeroResponse, 2.1, 2 * MachineEpsilon * 2.1);  // (2.0 + 2.2) / 2, one rounding each
  EXPECT_EQ(Workbench().PointCount, 2);
}

TEST_F(FitTest, LogitLogZeroThresholdIsOneTenMillionth)
{
  SetData({{0.00000005, 1.0}, {1, 0.5}, {10, 0.2}});
  FitLogitLog();
  EXPECT_EQ(Workbench().ZeroResponse, 1.0);
  EXPECT_EQ(Workbench().PointCount, 2);

  SetData({{0, 1.0}, {0.0000002, 0.9}, {1, 0.5}, {10, 0.2}});
  FitLogitLog();
  EXPECT_EQ(Workbench().PointCount, 3);
  EXPECT_NEAR(Workbench().DataX[1], -6.698970004336019, 8 * MachineEpsilon);  // lg 2e-7 by Python's math.log10

  SetData({{-0.0000001, 1.0}, {1, 0.5}, {10, 0.2}});  // the bound itself counts, on either side
  FitLogitLog();
  EXPECT_EQ(Workbench().PointCount, 2);
}

struct TLogitFault {
  const char* Name;
  TPoints Points;
  std::vector<std::string> Messages;  // shown before the fault
};

void PrintTo(const TLogitFault& C, std::ostream* Os) { *Os << C.Name; }

class LogitLogFaultTest : public FitTest, public testing::WithParamInterface<TLogitFault> {};

TEST_P(LogitLogFaultTest, WarnsThenFaults)
{
  const TLogitFault& C = GetParam();
  ChooseModel(3);
  SetData(C.Points);
  EXPECT_THROW(FitCurve(), ArithmeticFault);
  ASSERT_EQ(Win.Messages.Shown.size(), C.Messages.size());
  for (std::size_t I = 0; I < C.Messages.size(); ++I)
    ExpectError(Win.Messages.Shown[I], C.Messages[I]);
  EXPECT_EQ(Workbench().ViewMode, ModeDataEntry);
}

std::vector<TLogitFault> LogitFaults()
{
  // Seven replicates at X = 3: in doubles Sx^2/k - Sxx is 2.2e-16, not 0
  // (checked in Python), so only an explicit test keeps the slope from
  // being noise.
  TPoints SameX = {{0, 1.0}};
  for (int I = 0; I < 7; ++I)
    SameX.emplace_back(3.0, 0.4 + 0.01 * I);
  return {
    {"NoZeroPoint", {{1, 0.5}, {10, 0.2}}, {NoZeroPointMessage}},
    {"ZeroPointsWithZeroResponse", {{0, 0.0}, {1, 0.5}, {10, 0.2}}, {ZeroResponseMessage}},
    {"NoZeroPointAndNothingElse", {{0.5, 0.0}}, {NoZeroPointMessage}},
    {"ResponseEqualToOD0", {{0, 1.0}, {1, 1.0}, {10, 0.2}}, {}},
    {"ResponseAboveOD0", {{0, 1.0}, {1, 1.5}, {10, 0.2}}, {}},
    {"ZeroResponse", {{0, 1.0}, {1, 0.0}, {10, 0.2}}, {}},
    {"NegativeConcentration", {{0, 1.0}, {-1, 0.5}, {10, 0.2}}, {}},
    {"OneNonZeroPoint", {{0, 1.0}, {0, 1.1}, {1, 0.5}}, {}},
    {"OnlyZeroPoints", {{0, 1.0}, {0, 1.1}}, {}},
    {"AllConcentrationsEqual", SameX, {}},
  };
}

INSTANTIATE_TEST_SUITE_P(BadStandards, LogitLogFaultTest, testing::ValuesIn(LogitFaults()),
                         [](const testing::TestParamInfo<TLogitFault>& I) { return std::string(I.param.Name); });

// ---------------------------------------------------------------------------
// Cubic spline

// The spline at X by the segment formula A x^3 + B x^2 + C x + D; segment s
// covers knots s..s+1 and the end segments extend beyond the ends.
Float SplineAt(Float X)
{
  const auto& Knots = Workbench().SplineKnots;
  const auto& Segs = Workbench().SplineSegments;
  std::size_t S = 0;
  while (S + 1 < Segs.size() && X > Knots[S + 1].X)
    ++S;
  const TSplineSegment& G = Segs.at(S);
  return G.A * X * X * X + G.B * X * X + G.C * X + G.D;
}

TEST_F(FitTest, SplineExample)
{
  // By hand: the natural spline through (1,1), (2,4), (3,9) has curvature
  // 6 at X = 2, so segment 0 is 0.5 (x-1)^3 + 2.5 (x-1) + 1 and segment 1
  // is -0.5 (x-2)^3 + 1.5 (x-2)^2 + 4 (x-2) + 4, expanded below.
  ChooseModel(9);
  SetData({{1, 1}, {2, 4}, {3, 9}});
  EXPECT_TRUE(FitCurve());
  const auto& Segs = Workbench().SplineSegments;
  ASSERT_EQ(Segs.size(), 2u);
  ASSERT_EQ(Workbench().SplineKnots.size(), 3u);
  // cond(M) = 773 (numpy), so the coefficients may carry 773 eps relative
  // error on a magnitude of 9: 1e-11 absolute covers it.
  const Float Tol = 1e-11;
  const Float Expected[2][4] = {{0.5, -1.5, 4, -2}, {-0.5, 4.5, -8, 6}};
  for (int S = 0; S < 2; ++S) {
    EXPECT_NEAR(Segs[S].A, Expected[S][0], Tol) << S;
    EXPECT_NEAR(Segs[S].B, Expected[S][1], Tol) << S;
    EXPECT_NEAR(Segs[S].C, Expected[S][2], Tol) << S;
    EXPECT_NEAR(Segs[S].D, Expected[S][3], Tol) << S;
  }
  EXPECT_NEAR(SplineAt(1.5), 2.3125, 1e-10);
  EXPECT_NEAR(SplineAt(2.5), 6.3125, 1e-10);
  EXPECT_NEAR(SplineAt(4.0), 14.0, 1e-10);
}

struct TSplineCase {
  const char* Name;
  TPoints Points;
  std::vector<std::pair<Float, Float>> Probes;  // x, reference spline value
  Float Tol;
};

void PrintTo(const TSplineCase& C, std::ostream* Os) { *Os << C.Name; }

class SplineReferenceTest : public FitTest, public testing::WithParamInterface<TSplineCase> {};

TEST_P(SplineReferenceTest, MatchesTheNaturalSpline)
{
  const TSplineCase& C = GetParam();
  SetData(C.Points);
  ASSERT_TRUE(BuildSpline());
  for (const auto& [X, Y] : C.Probes)
    EXPECT_NEAR(SplineAt(X), Y, C.Tol) << "x = " << X;
  // Interpolation at every point (replicates at their mean, cases below have none).
  for (const auto& [X, Y] : C.Points)
    EXPECT_NEAR(SplineAt(X), Y, C.Tol) << "knot " << X;
}

// References: scipy.interpolate.CubicSpline(X, Y, bc_type='natural')
// evaluated at the probes (scipy 1.10, extrapolating with the end
// polynomials). Tolerances: the relative error of the solved coefficients is
// bounded by about cond(M) eps with the 2-norm condition number of the
// coefficient matrix from numpy; 10 times that, times the largest response.
const TSplineCase SplineCases[] = {
  // A blank standard at X = 0 and a dilution series: the elimination in
  // plain row order meets the pivot 0^3 at once. cond = 1.17e9.
  {"BlankStandardAtZero",
   {{0, 0.052}, {1.56, 0.121}, {3.12, 0.197}, {6.25, 0.342}, {12.5, 0.601}, {25, 1.012}, {50, 1.553}, {100, 2.104}},
   {{0.5, 0.0735527020802552},
    {2, 0.1419697517297523},
    {5, 0.28576386532131376},
    {10, 0.5018715536641467},
    {20, 0.8627076373276571},
    {40, 1.3712479227549401},
    {75, 1.8786471298208272},
    {110, 2.188524669531737}},
   10 * 1.17e9 * MachineEpsilon * 2.104},
  // Two knots: the natural spline is the straight line. cond = 54.3.
  {"TwoKnots", {{1, 0.4}, {2, 0.9}}, {{1.5, 0.65}, {3, 1.4}}, 10 * 54.3 * MachineEpsilon * 0.9},
  // Two knots from X = 0. cond = 3.78e3.
  {"TwoKnotsFromZero", {{0, 0.05}, {10, 1.25}}, {{4, 0.53}, {12, 1.49}}, 10 * 3.78e3 * MachineEpsilon * 1.25},
  // Log doses with a knot at 0 in the middle. cond = 185.
  {"LogDoseAcrossZero",
   {{-2, 0.1}, {-1, 0.3}, {0, 0.9}, {1, 1.6}, {2, 1.9}},
   {{-1.5, 0.16517857142857142},
    {-0.5, 0.5544642857142857},
    {0.5, 1.2794642857142857},
    {1.5, 1.7901785714285716},
    {2.5, 2.0098214285714286}},
   10 * 185 * MachineEpsilon * 1.9},
  // The example, to show the same spline where plain elimination works. cond = 773.
  {"Example", {{1, 1}, {2, 4}, {3, 9}}, {{1.5, 2.3125}, {2.5, 6.3125}, {4, 14}}, 10 * 773 * MachineEpsilon * 9},
};

INSTANTIATE_TEST_SUITE_P(Layouts, SplineReferenceTest, testing::ValuesIn(SplineCases),
                         [](const testing::TestParamInfo<TSplineCase>& I) { return std::string(I.param.Name); });

TEST_F(FitTest, SplineTwoKnotsGiveTheLine)
{
  // By hand: through (1, 0.4) and (2, 0.9) the line 0.5 x - 0.1.
  SetData({{1, 0.4}, {2, 0.9}});
  ASSERT_TRUE(BuildSpline());
  const auto& Segs = Workbench().SplineSegments;
  ASSERT_EQ(Segs.size(), 1u);
  const Float Tol = 10 * 54.3 * MachineEpsilon;  // cond(M) = 54.3, as above
  EXPECT_NEAR(Segs[0].A, 0.0, Tol);
  EXPECT_NEAR(Segs[0].B, 0.0, Tol);
  EXPECT_NEAR(Segs[0].C, 0.5, Tol);
  EXPECT_NEAR(Segs[0].D, -0.1, Tol);
}

TEST_F(FitTest, SplineThroughAFullSheetOfCollinearPoints)
{
  // 127 points (every data row of the sheet) on y = 2x + 1 from X = 0: the
  // natural spline through collinear points is their line. cond(M) = 3e8
  // (numpy), so the values may carry 10 cond eps times the largest response.
  TPoints Points;
  for (int I = 0; I < 127; ++I)
    Points.emplace_back(I / 100.0, 2.0 * (I / 100.0) + 1.0);
  SetData(Points);
  ASSERT_TRUE(BuildSpline());
  ASSERT_EQ(Workbench().SplineSegments.size(), 126u);
  const Float Tol = 10 * 3e8 * MachineEpsilon * 3.52;
  for (int I = 0; I < 252; ++I) {
    const Float X = I / 200.0;  // knots and midpoints
    EXPECT_NEAR(SplineAt(X), 2.0 * X + 1.0, Tol) << "x = " << X;
  }
}

TEST_F(FitTest, SplineMergesReplicatesIntoTheirMean)
{
  SetData({{1, 1.0}, {2, 3}, {1, 1.2}, {3, 2}});
  ASSERT_TRUE(BuildSpline());
  const auto& Knots = Workbench().SplineKnots;
  ASSERT_EQ(Knots.size(), 3u);
  EXPECT_EQ(Knots[0].X, 1.0);
  EXPECT_NEAR(Knots[0].Y, 1.1, 2 * MachineEpsilon);  // (1.0 + 1.2) / 2, one rounding each
  EXPECT_EQ(Knots[0].Count, 2);
  EXPECT_EQ(Knots[1].Count, 1);
  EXPECT_EQ(Knots[2].Y, 2.0);
}

TEST_F(FitTest, SplineMergeDistanceIsOneTenMillionth)
{
  SetData({{1, 1}, {1.00000005, 2}, {3, 5}});
  ASSERT_TRUE(BuildSpline());
  ASSERT_EQ(Workbench().SplineKnots.size(), 2u);
  EXPECT_EQ(Workbench().SplineKnots[0].Count, 2);
  EXPECT_EQ(Workbench().SplineKnots[0].X, 1.0);  // the first point's X

  SetData({{1, 1}, {1.0000002, 2}, {3, 5}});
  ASSERT_TRUE(BuildSpline());
  EXPECT_EQ(Workbench().SplineKnots.size(), 3u);

  // Merging is against the knot's first point, not the previous point.
  SetData({{1, 1}, {1.00000008, 2}, {1.00000016, 3}, {3, 5}});
  ASSERT_TRUE(BuildSpline());
  ASSERT_EQ(Workbench().SplineKnots.size(), 3u);
  EXPECT_EQ(Workbench().SplineKnots[1].X, 1.00000016);
}

TEST_F(FitTest, SplineIgnoresTheEntryOrder)
{
  SetData({{1, 1}, {2, 4}, {3, 9}});
  ASSERT_TRUE(BuildSpline());
  const auto Ascending = Workbench().SplineSegments;

  SetData({{3, 9}, {1, 1}, {2, 4}});
  ASSERT_TRUE(BuildSpline());
  const auto& Segs = Workbench().SplineSegments;
  ASSERT_EQ(Segs.size(), Ascending.size());
  for (std::size_t S = 0; S < Segs.size(); ++S) {
    // The same system in the same order: identical arithmetic.
    EXPECT_EQ(Segs[S].A, Ascending[S].A);
    EXPECT_EQ(Segs[S].B, Ascending[S].B);
    EXPECT_EQ(Segs[S].C, Ascending[S].C);
    EXPECT_EQ(Segs[S].D, Ascending[S].D);
  }
  // The data vectors keep the entered order.
  EXPECT_EQ(Workbench().DataX[1], 3.0);
  EXPECT_EQ(Workbench().DataX[2], 1.0);
  EXPECT_EQ(Workbench().DataY[3], 4.0);
  EXPECT_EQ(Workbench().PointCount, 3);
}

TEST_F(FitTest, SplineRebuildsItsTablesFromScratch)
{
  SetData({{1, 1}, {2, 4}, {3, 9}, {4, 3}});
  ASSERT_TRUE(BuildSpline());
  SetData({{1, 1}, {2, 4}});
  ASSERT_TRUE(BuildSpline());
  EXPECT_EQ(Workbench().SplineKnots.size(), 2u);
  EXPECT_EQ(Workbench().SplineSegments.size(), 1u);
}

struct TSplineFault {
  const char* Name;
  TPoints Points;
};

void PrintTo(const TSplineFault& C, std::ostream* Os) { *Os << C.Name; }

class SplineFaultTest : public FitTest, public testing::WithParamInterface<TSplineFault> {};

TEST_P(SplineFaultTest, Faults)
{
  ChooseModel(9);
  SetData(GetParam().Points);
  EXPECT_THROW(FitCurve(), ArithmeticFault);
  EXPECT_TRUE(Win.Messages.Shown.empty());
  EXPECT_EQ(Workbench().ViewMode, ModeDataEntry);
  EXPECT_TRUE(Workbench().SplineSegments.empty());
}

const TSplineFault SplineFaults[] = {
  // Fewer than two knots: no system at all.
  {"AllPointsAtOneX", {{2, 1}, {2.00000005, 2}, {2, 3}}},
  {"NoPoints", {}},
  // X^3 beyond the double range.
  {"CubeOverflows", {{1, 1}, {1e103, 2}}},
  // Knots 2e-7 apart at 10000: in doubles the system is singular to
  // rounding (pivot below m eps of its column); its solution would not
  // even reproduce the knots.
  {"KnotsCloseFarFromZero", {{1e4, 1}, {1e4 + 2e-7, 2}, {1e4 + 3, 3}}},
};

INSTANTIATE_TEST_SUITE_P(BadLayouts, SplineFaultTest, testing::ValuesIn(SplineFaults),
                         [](const testing::TestParamInfo<TSplineFault>& I) { return std::string(I.param.Name); });

}  // namespace
}  // namespace Titrelle
