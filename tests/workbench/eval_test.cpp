// Curve evaluation and inversion and the calculation lists, driven through
// the fake window. Expected values are hand calculations unless a comment
// names another source.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "Fakes.h"
#include "TestVectors.h"
#include "models/Models.h"
#include "workbench/MainUnit.h"

namespace Titrelle {
namespace {

using Testing::FakeWindow;
using Testing::OptionVector;
using Testing::Params;

constexpr Float NaN = std::numeric_limits<Float>::quiet_NaN();
constexpr Float Infinity = std::numeric_limits<Float>::infinity();

// The current curve: ModelCode, parameters and options; the registry models
// are selected as the fit selects them.
void UseCurve(int Code, const std::vector<Float>& B, const std::vector<Float>& Options = {})
{
  TWorkbenchState& W = Workbench();
  W.ModelCode = Code;
  W.CurveParams = Params(B);
  W.ModelOptions = OptionVector(Options);
  if (Code == 13 || Code == 14) {
    ASSERT_TRUE(SelectModel(Code, 0, W.ModelOptions));
  }
}

// The spline through (1, 1), (2, 4), (3, 9) with its two segments.
void UseSquareSpline()
{
  UseCurve(SplineModelCode, {});
  Workbench().SplineKnots = {{1, 1, 1}, {2, 4, 1}, {3, 9, 1}};
  Workbench().SplineSegments = {{0.5, -1.5, 4, -2}, {-0.5, 4.5, -8, 6}};
}

class EvalTest : public testing::Test {
protected:
  void SetUp() override
  {
    ResetWorkbench();
    InitModels();
  }

  // One calculation in Mode; the result text of the new list item.
  std::string Calculate(int Mode, const std::string& Text)
  {
    Workbench().ViewMode = Mode;
    const int Before = Fake.List.ItemCount();
    CalculateEntry(Text);
    EXPECT_EQ(Fake.List.ItemCount(), Before + 1);
    EXPECT_EQ(Fake.List.Items.back().first, Text);
    return Fake.List.Items.back().second;
  }

  FakeWindow Fake;
};

// ---------------------------------------------------------------------------
// FormatNumber

struct TNumberCase {
  const char* Name;
  Float Value;
  const char* Text;
};

class FormatNumberTest : public testing::TestWithParam<TNumberCase> {};

TEST_P(FormatNumberTest, ShortText) { EXPECT_EQ(FormatNumber(GetParam().Value), GetParam().Text); }

// Exact decimal expansions of the doubles from Python's decimal.Decimal.
INSTANTIATE_TEST_SUITE_P(
    Cases, FormatNumberTest,
    testing::Values(TNumberCase{"TwoPointFive", 2.5, "2.5"}, TNumberCase{"Integer", 3.0, "3"},
                    TNumberCase{"RoundedToSixDecimals", 0.12345678, "0.123457"},
                    TNumberCase{"TinyNegativeIsZero", -0.0000001, "0"}, TNumberCase{"NegativeZero", -0.0, "0"},
                    // 2^-7 = 0.0078125 is an exact half at 6 decimals (half-even would give 0.007812).
                    TNumberCase{"HalfAwayFromZero", 0.0078125, "0.007813"},
                    TNumberCase{"NegativeHalfAwayFromZero", -0.0078125, "-0.007813"},
                    // 5e-7 is 4.99999999999999977e-7 as a double: below the half.
                    TNumberCase{"JustBelowHalf", 5e-7, "0"}, TNumberCase{"Negative", -1.5, "-1.5"},
                    TNumberCase{"IntegerZerosKept", 100.0, "100"},
                    TNumberCase{"ManyDigits", 1234567.8901234, "1234567.890123"},
                    TNumberCase{"ExponentForm", 1e40, "1E+40"}, TNumberCase{"ExponentMantissa", -2.5e40, "-2.5E+40"},
                    TNumberCase{"NotANumber", NaN, "------"}, TNumberCase{"Infinite", -Infinity, "------"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// FirstSeparator

struct TSeparatorCase {
  const char* Name;
  const char* Text;
  int Position;
};

class FirstSeparatorTest : public testing::TestWithParam<TSeparatorCase> {};

TEST_P(FirstSeparatorTest, Position) { EXPECT_EQ(FirstSeparator(GetParam().Text), GetParam().Position); }

INSTANTIATE_TEST_SUITE_P(Cases, FirstSeparatorTest,
                         testing::Values(TSeparatorCase{"Empty", "", -1}, TSeparatorCase{"NoSeparator", "abc", -1},
                                         TSeparatorCase{"Blank", "1 2", 2}, TSeparatorCase{"LeadingTab", "\t1", 1},
                                         TSeparatorCase{"TrailingLineFeed", "12\n", 3},
                                         TSeparatorCase{"ControlCode", "a\x01", 2},
                                         TSeparatorCase{"DeleteIsNoSeparator", "1\x7f", -1},
                                         // UTF-8 bytes are 0x80 and above, never separators.
                                         TSeparatorCase{"ChineseText", "浓度 1", 7}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// EvaluateCurve

struct TCurveCase {
  const char* Name;
  int Code;
  std::vector<Float> Options;
  std::vector<Float> B;
  Float X;
  Float Y;
};

class EvaluateCurveTest : public EvalTest, public testing::WithParamInterface<TCurveCase> {};

TEST_P(EvaluateCurveTest, Value)
{
  const TCurveCase& C = GetParam();
  UseCurve(C.Code, C.B, C.Options);
  Float Y = 0.0;
  ASSERT_TRUE(EvaluateCurve(Y, C.X));
  // A few rounding errors of the closed formulas (exp, power): 8 units of
  // MachineEpsilon relative to the value.
  EXPECT_NEAR(Y, C.Y, 8.0 * MachineEpsilon * std::fabs(C.Y)) << C.Name;
}

// Exponential values from Python's math.exp.
INSTANTIATE_TEST_SUITE_P(
    Cases, EvaluateCurveTest,
    testing::Values(TCurveCase{"Linear", 0, {}, {0.1, 0.5}, 2.0, 1.1},
                    TCurveCase{"Quadratic", 2, {2}, {1, 2, 3}, 2.0, 17.0},
                    TCurveCase{"Cubic", 2, {3}, {1, 2, 3, 4}, 2.0, 49.0},
                    TCurveCase{"ExponentialConst", 5, {1}, {0.5, 2, 0.1}, 10.0, 1.7642411176571153},
                    TCurveCase{"ExponentialPlain", 5, {0}, {0.5, 2, 0.1}, 10.0, 1.2642411176571153},
                    TCurveCase{"Hill", 10, {}, {2, 3, 1}, 3.0, 1.0},
                    TCurveCase{"HillTwice", 10, {}, {2, 3, 1}, 6.0, 4.0 / 3.0},
                    TCurveCase{"HillZeroDose", 10, {}, {2, 3, 1}, 0.0, 0.0},
                    TCurveCase{"HillZeroDoseFlat", 10, {}, {2, 3, 1e-9}, 5e-9, 2.0},
                    TCurveCase{"LogisticPlainAtZero", 11, {0, 0}, {0, 2, 1, 0}, 0.0, 1.0},
                    TCurveCase{"LogisticConstGeneral", 11, {1, 1}, {0.5, 2.5, 1, 0, 2}, 0.0, 1.0},
                    TCurveCase{"LogisticConstGeneralAtOne", 11, {1, 1}, {0.5, 2.5, 1, 0, 2}, 1.0,
                               1.5688932907770461},
                    TCurveCase{"FourParameter", 13, {}, {2, 1, 10, 0}, 10.0, 1.0},
                    TCurveCase{"FiveParameter", 14, {}, {2, 1, 10, 0, 2}, 10.0, 0.5},
                    TCurveCase{"LogitLog", LogitLogModelCode, {}, {0, -1}, 1.0, -1.0}),
    [](const auto& Info) { return std::string(Info.param.Name); });

class EvaluateFaultTest : public EvalTest, public testing::WithParamInterface<TCurveCase> {};

TEST_P(EvaluateFaultTest, ReturnsFalse)
{
  const TCurveCase& C = GetParam();
  UseCurve(C.Code, C.B, C.Options);
  Float Y = 0.0;
  EXPECT_FALSE(EvaluateCurve(Y, C.X));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EvaluateFaultTest,
    testing::Values(TCurveCase{"LinearOverflow", 0, {}, {0, 1e300}, 1e10, 0},
                    TCurveCase{"ExponentialOverflow", 5, {1}, {0, 1, -1}, 1000.0, 0},
                    // B1 / X = -1 with n = 1: the denominator is 0.
                    TCurveCase{"HillZeroDenominator", 10, {}, {2, -3, 1}, 3.0, 0},
                    TCurveCase{"LogisticOverflow", 11, {0, 0}, {0, 2, 1, 0}, -1000.0, 0},
                    TCurveCase{"FourParameterAtZeroC", 13, {}, {2, 1, 0, 0}, 1.0, 0}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(EvalTest, UnknownModelLeavesYAlone)
{
  UseCurve(7, {1, 2, 3});
  Float Y = 42.0;
  EXPECT_TRUE(EvaluateCurve(Y, 1.0));
  EXPECT_EQ(Y, 42.0);
}

TEST_F(EvalTest, SplineWithoutTablesFails)
{
  UseCurve(SplineModelCode, {});
  Float Y = 0.0;
  EXPECT_FALSE(EvaluateCurve(Y, 1.0));
}

struct TSplinePoint {
  const char* Name;
  Float X;
  Float Y;
};

class SplineEvaluateTest : public EvalTest, public testing::WithParamInterface<TSplinePoint> {};

TEST_P(SplineEvaluateTest, Segment)
{
  UseSquareSpline();
  Float Y = 0.0;
  ASSERT_TRUE(EvaluateCurve(Y, GetParam().X));
  // Dyadic arguments and coefficients: the cubic is exact.
  EXPECT_EQ(Y, GetParam().Y);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplineEvaluateTest,
                         testing::Values(TSplinePoint{"BelowFirstKnot", 0.0, -2.0},
                                         TSplinePoint{"FirstKnot", 1.0, 1.0},
                                         TSplinePoint{"FirstSegment", 1.5, 2.3125},
                                         TSplinePoint{"MiddleKnot", 2.0, 4.0},
                                         TSplinePoint{"SecondSegment", 2.5, 6.3125},
                                         TSplinePoint{"LastKnot", 3.0, 9.0},
                                         TSplinePoint{"BeyondLastKnot", 5.0, 16.0}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// InvertCurve

class InvertCurveTest : public EvalTest, public testing::WithParamInterface<TCurveCase> {};

TEST_P(InvertCurveTest, Root)
{
  const TCurveCase& C = GetParam();
  UseCurve(C.Code, C.B, C.Options);
  Float X1 = NaN, X2 = NaN, X3 = NaN;
  int Count = -1;
  ASSERT_TRUE(InvertCurve(X1, X2, X3, Count, C.Y));
  // Closed formulas: a few rounding errors of ln, exp and power; absolute at 0.
  EXPECT_NEAR(X1, C.X, 16.0 * MachineEpsilon * std::fmax(1.0, std::fabs(C.X))) << C.Name;
}

// Here X is the expected root of Y; the exponential's from Python (ln 2 / 0.1).
INSTANTIATE_TEST_SUITE_P(
    Cases, InvertCurveTest,
    testing::Values(TCurveCase{"Linear", 0, {}, {0.1, 0.5}, 2.0, 1.1},
                    TCurveCase{"LogitLog", LogitLogModelCode, {}, {0, -1}, 1.0, -1.0},
                    TCurveCase{"ExponentialConst", 5, {1}, {0.5, 2, 0.1}, 6.931471805599452, 1.5},
                    TCurveCase{"ExponentialPlain", 5, {0}, {0.5, 2, 0.1}, 6.931471805599452, 1.0},
                    TCurveCase{"Hill", 10, {}, {2, 3, 1}, 3.0, 1.0},
                    TCurveCase{"HillSquare", 10, {}, {2, 3, 2}, 6.0, 1.6},
                    TCurveCase{"LogisticPlain", 11, {0, 0}, {0, 2, 1, 0}, 0.0, 1.0},
                    TCurveCase{"LogisticConst", 11, {1, 0}, {0.5, 2.5, 1, 0}, 0.0, 1.5},
                    TCurveCase{"LogisticConstGeneral", 11, {1, 1}, {0.5, 2.5, 1, 0, 2}, 1.0, 1.5688932907770461},
                    TCurveCase{"FourParameter", 13, {}, {2, 1, 10, 0}, 10.0, 1.0},
                    TCurveCase{"FiveParameter", 14, {}, {2, 1, 10, 0, 2}, 10.0, 0.5}),
    [](const auto& Info) { return std::string(Info.param.Name); });

class InvertFaultTest : public EvalTest, public testing::WithParamInterface<TCurveCase> {};

TEST_P(InvertFaultTest, ReturnsFalse)
{
  const TCurveCase& C = GetParam();
  UseCurve(C.Code, C.B, C.Options);
  Float X1 = 0.0, X2 = 0.0, X3 = 0.0;
  int Count = 0;
  EXPECT_FALSE(InvertCurve(X1, X2, X3, Count, C.Y));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InvertFaultTest,
    testing::Values(TCurveCase{"FlatLine", 0, {}, {0.1, 0}, 0, 1.0},
                    // v / B1 = 1: the logarithm of 0.
                    TCurveCase{"ExponentialAtPlateau", 5, {0}, {0, 2, 0.1}, 0, 2.0},
                    TCurveCase{"ExponentialAbovePlateau", 5, {0}, {0, 2, 0.1}, 0, 3.0},
                    TCurveCase{"HillAtMaximum", 10, {}, {2, 3, 1}, 0, 2.0},
                    // Beyond the curve's range: no dose, not the 0 of a guarded power.
                    TCurveCase{"HillAboveMaximum", 10, {}, {2, 3, 1.5}, 0, 2.5},
                    TCurveCase{"HillNegativeResponse", 10, {}, {2, 3, 1.5}, 0, -0.5},
                    // t = 1: the logarithm of 0.
                    TCurveCase{"LogisticAtPlateau", 11, {0, 0}, {0, 2, 1, 0}, 0, 2.0},
                    TCurveCase{"LogisticAtZero", 11, {0, 0}, {0, 2, 1, 0}, 0, 0.0},
                    TCurveCase{"FourParameterAtD", 13, {}, {2, 1, 10, 0}, 0, 0.0},
                    TCurveCase{"FourParameterAboveA", 13, {}, {2, 1, 10, 0}, 0, 3.0},
                    TCurveCase{"FiveParameterAtD", 14, {}, {2, 1, 10, 0, 2}, 0, 0.0},
                    TCurveCase{"QuadraticNoRealRoot", 2, {2}, {1, 0, 1}, 0, 0.0}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(EvalTest, UnknownModelInvertsToNothing)
{
  UseCurve(7, {1, 2, 3});
  Float X1 = 42.0, X2 = 0.0, X3 = 0.0;
  int Count = 0;
  EXPECT_TRUE(InvertCurve(X1, X2, X3, Count, 1.0));
  EXPECT_EQ(X1, 42.0);
}

// Property: evaluating the curve at the inverted X gives back the response.
class RoundTripTest : public EvalTest, public testing::WithParamInterface<TCurveCase> {};

TEST_P(RoundTripTest, EvaluateOfInvert)
{
  const TCurveCase& C = GetParam();
  UseCurve(C.Code, C.B, C.Options);
  for (Float Y : {0.6, 0.9, 1.2}) {
    Float X1 = 0.0, X2 = 0.0, X3 = 0.0, Back = 0.0;
    int Count = 0;
    ASSERT_TRUE(InvertCurve(X1, X2, X3, Count, Y)) << C.Name << " at " << Y;
    ASSERT_TRUE(EvaluateCurve(Back, X1));
    // Closed forms on well-conditioned responses (slopes of order 1): 1e-12.
    EXPECT_NEAR(Back, Y, 1e-12) << C.Name << " at " << Y;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, RoundTripTest,
                         testing::Values(TCurveCase{"ExponentialConst", 5, {1}, {0.5, 2, 0.1}, 0, 0},
                                         TCurveCase{"Hill", 10, {}, {2, 3, 1.5}, 0, 0},
                                         TCurveCase{"LogisticPlain", 11, {0, 0}, {0, 2, 1, 0.5}, 0, 0},
                                         TCurveCase{"LogisticConst", 11, {1, 0}, {0.2, 2, 1, 0.5}, 0, 0},
                                         TCurveCase{"LogisticGeneral", 11, {0, 1}, {0, 2, 1, 0.5, 1.7}, 0, 0},
                                         TCurveCase{"LogisticConstGeneral", 11, {1, 1}, {0.2, 2, 1, 0.5, 0.6}, 0, 0},
                                         TCurveCase{"FourParameter", 13, {}, {2, 1.3, 10, 0.1}, 0, 0},
                                         TCurveCase{"FourParameterFalling", 13, {}, {0.1, 1.3, 10, 2}, 0, 0},
                                         TCurveCase{"FiveParameter", 14, {}, {2, 1.3, 10, 0.1, 0.7}, 0, 0}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// Quadratic and cubic inversion through the list

struct TRootsCase {
  const char* Name;
  std::vector<Float> Options;
  std::vector<Float> B;
  const char* Input;
  const char* Result;
};

class RootsTextTest : public EvalTest, public testing::WithParamInterface<TRootsCase> {};

TEST_P(RootsTextTest, XFromY)
{
  UseCurve(2, GetParam().B, GetParam().Options);
  EXPECT_EQ(Calculate(ModeXFromY, GetParam().Input), GetParam().Result);
}

// The one-root cubic's root from numpy.roots([1, 0, -3, 10]): -2.61288786.
INSTANTIATE_TEST_SUITE_P(
    Cases, RootsTextTest,
    testing::Values(TRootsCase{"QuadraticTwoRoots", {2}, {1, 0, 1}, "5", "2,  -2"},
                    TRootsCase{"QuadraticOpeningDown", {2}, {1, 0, -1}, "-3", "-2,  2"},
                    TRootsCase{"QuadraticDoubleRoot", {2}, {1, 0, 1}, "1", "0"},
                    TRootsCase{"QuadraticNoRoot", {2}, {1, 0, 1}, "0", "------"},
                    // |c| < 1e-8: the linear root, Count 0, shown twice.
                    TRootsCase{"QuadraticNearlyLinear", {2}, {1, 2, 1e-9}, "5", "2,  2"},
                    TRootsCase{"CubicThreeRootsRising", {3}, {0, -1, 0, 1}, "0", "-1,  0,  1"},
                    TRootsCase{"CubicThreeRootsFalling", {3}, {0, 1, 0, -1}, "0", "-1,  0,  1"},
                    TRootsCase{"CubicMonotone", {3}, {0, 1, 0, 1}, "2", "1"},
                    TRootsCase{"CubicOneRootBeyondExtrema", {3}, {10, -3, 0, 1}, "0", "-2.612888"},
                    // (t - 1)^2 (t + 2) and (t + 1)^2 (t - 2).
                    TRootsCase{"CubicDoubleRootRight", {3}, {2, -3, 0, 1}, "0", "-2,  1"},
                    TRootsCase{"CubicDoubleRootLeft", {3}, {-2, -3, 0, 1}, "0", "-1,  2"},
                    // f' = 3e-9 t^2 + 1 takes the linear branch with b = 0: a division by zero.
                    TRootsCase{"CubicNearlyLinearFaults", {3}, {0, 1, 0, 1e-9}, "0", "------"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(EvalTest, CubicThreeRootsInOrder)
{
  Float X1 = 0.0, X2 = 0.0, X3 = 0.0;
  int Count = 0;
  ASSERT_TRUE(SolveCubic(0, -1, 0, 1, X1, X2, X3, Count));
  EXPECT_EQ(Count, 3);
  // Bisection to a bracket of 1e-8.
  EXPECT_NEAR(X1, -1.0, 1e-8);
  EXPECT_NEAR(X2, 0.0, 1e-8);
  EXPECT_NEAR(X3, 1.0, 1e-8);
}

TEST_F(EvalTest, QuadraticCounts)
{
  Float X1 = 0.0, X2 = 0.0;
  int Count = -1;
  ASSERT_TRUE(SolveQuadratic(-4, 0, 1, X1, X2, Count));
  EXPECT_EQ(Count, 2);
  EXPECT_EQ(X1, 2.0);
  EXPECT_EQ(X2, -2.0);
  ASSERT_TRUE(SolveQuadratic(1, 2, 1, X1, X2, Count));
  EXPECT_EQ(Count, 1);
  EXPECT_EQ(X1, -1.0);
  ASSERT_TRUE(SolveQuadratic(-4, 2, 0, X1, X2, Count));
  EXPECT_EQ(Count, 0);
  EXPECT_EQ(X1, 2.0);
  EXPECT_EQ(X2, 2.0);
}

// Cubics whose stepping loops never find a bracket: the loops end when f
// overflows (or at their bound) and the inversion fails.
struct TCubicCase {
  const char* Name;
  std::vector<Float> B;
};

class CubicNoBracketTest : public EvalTest, public testing::WithParamInterface<TCubicCase> {};

TEST_P(CubicNoBracketTest, Fails)
{
  UseCurve(2, GetParam().B, {3});
  Float X1 = 0.0, X2 = 0.0, X3 = 0.0;
  int Count = 0;
  EXPECT_FALSE(InvertCurve(X1, X2, X3, Count, 0.0));
  EXPECT_EQ(Calculate(ModeXFromY, "0"), "------");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CubicNoBracketTest,
    testing::Values(
        // A3 = 0 in the one-root branch: t^2 + 1 and t^2 - 1 keep one sign at both ends.
        TCubicCase{"ZeroCubicNoRoot", {1, 0, 1, 0}}, TCubicCase{"ZeroCubicTwoRoots", {-1, 0, 1, 0}},
        // t^3: f(q) = 0 in the double-root branch, so no sign change is ever met.
        TCubicCase{"TripleRoot", {0, 0, 0, 1}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// Roots that the plain steps (1, or the cubic coefficient) do not reach
// within their first thousand steps; the doubling steps pass them.
struct TFarRootCase {
  const char* Name;
  Float A0, A1, A2, A3;
  Float Root;
  Float Tolerance;
};

class CubicFarRootTest : public testing::TestWithParam<TFarRootCase> {};

TEST_P(CubicFarRootTest, Found)
{
  const TFarRootCase& C = GetParam();
  Float X1 = 0.0, X2 = 0.0, X3 = 0.0;
  int Count = 0;
  ASSERT_TRUE(SolveCubic(C.A0, C.A1, C.A2, C.A3, X1, X2, X3, Count));
  EXPECT_EQ(Count, 1);
  EXPECT_NEAR(X1, C.Root, C.Tolerance);
}

// Roots from scipy.optimize.brentq (monotone cubics) and numpy.roots.
INSTANTIATE_TEST_SUITE_P(
    Cases, CubicFarRootTest,
    testing::Values(
        // Monotone (no real extremum) with steps of 1e-8: 1e5 times beyond the plain steps.
        // Tolerance: the bisection bracket of 1e-8 and f's rounding, 1e-13 over the slope 1.03.
        TFarRootCase{"TinyStepsRight", -1000, 1, 0, 1e-8, 990.2885240545731, 2e-8},
        TFarRootCase{"TinyStepsLeft", 1000, 1, 0, 1e-8, -990.2885240545731, 2e-8},
        // t^3 - 3t - 1e21: extrema at -1 and 1, the root 1e7 + 1e-7 ten thousand unit
        // steps beyond. Tolerance: the bracket and f's rounding (ulp of 1e21 over f' = 3e14).
        TFarRootCase{"BeyondTheUnitSteps", -1e21, -3, 0, 1, 1e7 + 1e-7, 2e-8}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(EvalTest, CubicFarRootInTheList)
{
  UseCurve(2, {-1000, 1, 0, 1e-8}, {3});
  EXPECT_EQ(Calculate(ModeXFromY, "0"), "990.288524");
}

TEST_F(EvalTest, CubicLargeRootEndsAtSpacingOfDoubles)
{
  // 1e9 t^3 + t - 1e39: the root is 1e10 (numpy.roots), where doubles are
  // 1.9e-6 apart, so the bracket never gets below 1e-8.
  Float X1 = 0.0, X2 = 0.0, X3 = 0.0;
  int Count = 0;
  ASSERT_TRUE(SolveCubic(-1e39, 1, 0, 1e9, X1, X2, X3, Count));
  EXPECT_EQ(Count, 1);
  // Two spacings of doubles at 1e10; the rounding of f (ulp of 1e39 over
  // f' = 3e29) adds 5e-7.
  EXPECT_NEAR(X1, 1e10, 4e-6);
}

// ---------------------------------------------------------------------------
// Spline inversion

struct TSplineRoot {
  const char* Name;
  Float Y;
  bool Found;
  Float X;
};

class InvertSplineTest : public EvalTest, public testing::WithParamInterface<TSplineRoot> {};

TEST_P(InvertSplineTest, Root)
{
  UseSquareSpline();
  Float X1 = NaN;
  ASSERT_EQ(InvertSpline(GetParam().Y, X1), GetParam().Found);
  // Bisection to a bracket of 1e-8; knots exactly.
  if (GetParam().Found) {
    EXPECT_NEAR(X1, GetParam().X, 1e-8);
  }
}

// The first segment's root for 2.5 from scipy.optimize.brentq on 0.5t^3 - 1.5t^2 + 4t - 4.5.
INSTANTIATE_TEST_SUITE_P(Cases, InvertSplineTest,
                         testing::Values(TSplineRoot{"MiddleKnot", 4.0, true, 2.0},
                                         TSplineRoot{"NearMiddleKnot", 4.0 + 5e-9, true, 2.0},
                                         TSplineRoot{"FirstKnot", 1.0, true, 1.0},
                                         TSplineRoot{"LastKnot", 9.0, true, 3.0},
                                         TSplineRoot{"FirstSegment", 2.5, true, 1.5640997330275648},
                                         TSplineRoot{"SecondSegment", 6.3125, true, 2.5},
                                         TSplineRoot{"AboveEverySegment", 20.0, false, 0},
                                         TSplineRoot{"BelowEverySegment", 0.0, false, 0}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(EvalTest, SplineKnotIsExact)
{
  UseSquareSpline();
  Float X1 = 0.0;
  ASSERT_TRUE(InvertSpline(4.0, X1));
  EXPECT_EQ(X1, 2.0);
}

TEST_F(EvalTest, SplineLastEnclosingSegmentWins)
{
  // Straight segments 3x - 2 on [1, 2] and -2x + 8 on [2, 3]: both reach 3.
  UseCurve(SplineModelCode, {});
  Workbench().SplineKnots = {{1, 1, 1}, {2, 4, 1}, {3, 2, 1}};
  Workbench().SplineSegments = {{0, 0, 3, -2}, {0, 0, -2, 8}};
  Float X1 = 0.0;
  ASSERT_TRUE(InvertSpline(3.0, X1));
  EXPECT_NEAR(X1, 2.5, 1e-8);  // bisection bracket
}

TEST_F(EvalTest, SplineBisectionEndsAtSpacingOfDoubles)
{
  // Knots at 1e12, where doubles are 1.2e-4 apart: g(t) = 1e-3 t + 1 - 1e9 - y.
  UseCurve(SplineModelCode, {});
  Workbench().SplineKnots = {{1e12, 1, 1}, {1e12 + 1000, 2, 1}};
  Workbench().SplineSegments = {{0, 0, 1e-3, 1 - 1e9}};
  Float X1 = 0.0;
  ASSERT_TRUE(InvertSpline(1.5, X1));
  // The spacing 1.2e-4 plus g's rounding (ulp of 1e9 over the slope 1e-3).
  EXPECT_NEAR(X1, 1e12 + 500, 1e-3);
}

TEST_F(EvalTest, SplineInTheLists)
{
  UseSquareSpline();
  EXPECT_EQ(Calculate(ModeXFromY, "4"), "2");
  EXPECT_EQ(Calculate(ModeXFromY, "20"), "------");
  EXPECT_EQ(Calculate(ModeYFromX, "5"), "16");
}

// ---------------------------------------------------------------------------
// CalculateEntry

TEST_F(EvalTest, LinearBothWays)
{
  UseCurve(0, {0.1, 0.5});
  EXPECT_EQ(Calculate(ModeYFromX, "2"), "1.1");
  EXPECT_EQ(Calculate(ModeXFromY, "1.1"), "2");
  EXPECT_EQ(Fake.List.Scrolled, 2000);
  EXPECT_TRUE(Fake.Messages.Shown.empty());
}

struct TEntryCase {
  const char* Name;
  int Mode;
  int XTransform;
  int YTransform;
  const char* Background;  // null: box clear
  const char* Input;
  const char* Result;
};

class CalculateEntryTest : public EvalTest, public testing::WithParamInterface<TEntryCase> {};

TEST_P(CalculateEntryTest, LinearCurve)
{
  const TEntryCase& C = GetParam();
  UseCurve(0, {0.1, 0.5});
  Fake.Controls.XIndex = C.XTransform;
  Fake.Controls.YIndex = C.YTransform;
  Fake.Controls.Subtract = C.Background != nullptr;
  if (C.Background)
    Fake.Controls.Background = C.Background;
  EXPECT_EQ(Calculate(C.Mode, C.Input), C.Result);
  EXPECT_TRUE(Fake.Messages.Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CalculateEntryTest,
    testing::Values(TEntryCase{"NotANumber", ModeXFromY, 0, 0, nullptr, "abc", "------"},
                    TEntryCase{"NotANumberYFromX", ModeYFromX, 0, 0, nullptr, "abc", "------"},
                    TEntryCase{"LogOfZeroResponse", ModeXFromY, 0, 2, "0", "0", "------"},
                    TEntryCase{"LogOfZeroDose", ModeYFromX, 2, 0, nullptr, "0", "------"},
                    TEntryCase{"LogDose", ModeXFromY, 2, 0, nullptr, "1.1", "100"},
                    TEntryCase{"LogDoseYFromX", ModeYFromX, 2, 0, nullptr, "100", "1.1"},
                    // y = 0.1 + 0.5 x with Y = sqrt(response): 0.36 -> 0.6 -> x = 1.
                    TEntryCase{"RootResponse", ModeXFromY, 0, 4, nullptr, "0.36", "1"},
                    TEntryCase{"RootResponseYFromX", ModeYFromX, 0, 4, nullptr, "1", "0.36"},
                    TEntryCase{"Background", ModeXFromY, 0, 0, "0.05", "1.15", "2"},
                    TEntryCase{"BackgroundYFromX", ModeYFromX, 0, 0, "0.05", "2", "1.15"},
                    TEntryCase{"BackgroundNotANumber", ModeYFromX, 0, 0, "abc", "2", "1.1"},
                    // x = -0.2 has no square root (undo of "Square").
                    TEntryCase{"UndoFails", ModeXFromY, 3, 0, nullptr, "0", "------"},
                    TEntryCase{"NotAListMode", ModeCurve, 0, 0, nullptr, "1", "------"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(EvalTest, OnlyTheFailingRootShowsFailure)
{
  // Roots 2 and -2; the X transform "Square" is undone by a square root.
  UseCurve(2, {1, 0, 1}, {2});
  Fake.Controls.XIndex = 3;
  EXPECT_EQ(Calculate(ModeXFromY, "5"), "1.414214,  ------");
}

TEST_F(EvalTest, LogitLogBothWays)
{
  // OD0 = 2 and logit(p) = -lg x. References: 0.4 gives p = 0.2, logit
  // ln 0.25, x = 10^ln 4 = 24.338530951 (Python); x = 10 gives logit -1,
  // response 2 / (1 + e) = 0.537882843.
  UseCurve(LogitLogModelCode, {0, -1});
  Workbench().ZeroResponse = 2.0;
  EXPECT_EQ(Calculate(ModeXFromY, "1"), "1");
  EXPECT_EQ(Calculate(ModeXFromY, "0.4"), "24.338531");
  EXPECT_EQ(Calculate(ModeYFromX, "1"), "1");
  EXPECT_EQ(Calculate(ModeYFromX, "10"), "0.537883");
  // p = 1 divides by zero, p > 1 takes the logarithm of a negative number.
  EXPECT_EQ(Calculate(ModeXFromY, "2"), "------");
  EXPECT_EQ(Calculate(ModeXFromY, "3"), "------");
  // OD0 = 0 divides by zero.
  Workbench().ZeroResponse = 0.0;
  EXPECT_EQ(Calculate(ModeXFromY, "1"), "------");
}

TEST_F(EvalTest, UnknownModelShowsFailure)
{
  UseCurve(7, {1, 2, 3});
  EXPECT_EQ(Calculate(ModeYFromX, "1"), "------");
  EXPECT_EQ(Calculate(ModeXFromY, "1"), "------");
}

TEST_F(EvalTest, OverflowingResultShowsFailure)
{
  UseCurve(0, {0, 1e300});
  EXPECT_EQ(Calculate(ModeYFromX, "1e10"), "------");
  // The background brings the response beyond the double range.
  UseCurve(0, {1e308, 0});
  Fake.Controls.Subtract = true;
  Fake.Controls.Background = "1e308";
  EXPECT_EQ(Calculate(ModeYFromX, "1"), "------");
}

// ---------------------------------------------------------------------------
// EnterCalculation, RelistCalculations, ClearCalculations

struct TTokensCase {
  const char* Name;
  const char* Input;
  std::vector<std::string> Tokens;
};

class EnterCalculationTest : public EvalTest, public testing::WithParamInterface<TTokensCase> {};

TEST_P(EnterCalculationTest, Tokens)
{
  UseCurve(0, {0.1, 0.5});
  Workbench().ViewMode = ModeYFromX;
  Fake.Controls.Input = GetParam().Input;
  EnterCalculation();
  ASSERT_EQ(Fake.List.ItemCount(), static_cast<int>(GetParam().Tokens.size()));
  for (int I = 0; I < Fake.List.ItemCount(); ++I)
    EXPECT_EQ(Fake.List.ItemText(I, 0), GetParam().Tokens[I]);
  EXPECT_EQ(Workbench().YFromXInputs, GetParam().Tokens);
  EXPECT_TRUE(Workbench().XFromYInputs.empty());
  EXPECT_EQ(Fake.Controls.Input, "");
  EXPECT_EQ(Fake.Controls.InputFocusCount, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EnterCalculationTest,
    testing::Values(TTokensCase{"SingleBlanks", "1 2 3", {"1", "2", "3"}},
                    TTokensCase{"RepeatedBlanks", "1  2   3", {"1", "2", "3"}},
                    TTokensCase{"TabsAndLineBreaks", "\t1\r\n2\n", {"1", "2"}},
                    TTokensCase{"OneValue", "2", {"2"}}, TTokensCase{"Empty", "", {}},
                    TTokensCase{"OnlySeparators", " \t\r\n ", {}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(EvalTest, EnterCalculationResults)
{
  UseCurve(0, {0.1, 0.5});
  Workbench().ViewMode = ModeXFromY;
  Fake.Controls.Input = "1.1 abc 0.6";
  EnterCalculation();
  ASSERT_EQ(Fake.List.ItemCount(), 3);
  EXPECT_EQ(Fake.List.ItemText(0, 1), "2");
  EXPECT_EQ(Fake.List.ItemText(1, 1), "------");
  EXPECT_EQ(Fake.List.ItemText(2, 1), "1");
  EXPECT_EQ(Workbench().XFromYInputs, (std::vector<std::string>{"1.1", "abc", "0.6"}));
}

TEST_F(EvalTest, RelistRecalculatesAgainstTheNewCurve)
{
  UseCurve(0, {0.1, 0.5});
  Workbench().ViewMode = ModeYFromX;
  Workbench().YFromXInputs = {"2", "abc", "4"};
  Fake.List.Items = {{"old", "item"}};
  UseCurve(0, {1, 1});
  RelistCalculations();
  ASSERT_EQ(Fake.List.ItemCount(), 3);
  EXPECT_EQ(Fake.List.Items[0], std::make_pair(std::string("2"), std::string("3")));
  EXPECT_EQ(Fake.List.Items[1], std::make_pair(std::string("abc"), std::string("------")));
  EXPECT_EQ(Fake.List.Items[2], std::make_pair(std::string("4"), std::string("5")));
  EXPECT_EQ(Workbench().YFromXInputs.size(), 3u);
}

TEST_F(EvalTest, ClearEmptiesOnlyTheCurrentMode)
{
  Workbench().ViewMode = ModeXFromY;
  Workbench().XFromYInputs = {"1"};
  Workbench().YFromXInputs = {"2"};
  Fake.List.Items = {{"1", "0.6"}};
  ClearCalculations();
  EXPECT_EQ(Fake.List.ItemCount(), 0);
  EXPECT_TRUE(Workbench().XFromYInputs.empty());
  EXPECT_EQ(Workbench().YFromXInputs, std::vector<std::string>{"2"});
  EXPECT_EQ(Fake.Controls.InputFocusCount, 1);
}

}  // namespace
}  // namespace Titrelle
