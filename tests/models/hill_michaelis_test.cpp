// The saturation models: Hill (fithill, code 10), Michaelis-Menten (fitmich,
// code 8) and integrated Michaelis-Menten (FitMint, code 9). Values against
// hand-computed or independently constructed references, analytic
// derivatives against central differences, estimates on data made from known
// parameters, the options of FitMint and the arithmetic faults.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "models/FitMint.h"
#include "models/ModelShared.h"
#include "models/fithill.h"
#include "models/fitmich.h"
#include "numeric/fmath.h"

namespace Titrelle {
namespace {

using TValueProc = Float (*)(Float X, const TVector& B);
using TDerivativeProc = void (*)(Float X, Float Y, const TVector& B, const TVector& D);

// A vector holding Values at elements 0, 1, ...
TVector VectorOf(std::initializer_list<Float> Values)
{
  TVector V;
  AllocVector(V, static_cast<int>(Values.size()) - 1);
  int I = 0;
  for (const Float Value : Values)
    V[I++] = Value;
  return V;
}

// Observations at elements 1..N; element 0 is unused and stays 0.
TVector ObservationsOf(const std::vector<Float>& Values)
{
  TVector V;
  AllocVector(V, static_cast<int>(Values.size()));
  for (std::size_t I = 0; I < Values.size(); ++I)
    V[static_cast<int>(I) + 1] = Values[I];
  return V;
}

// Fresh storage with the same elements (copying a handle shares them).
TVector CopyOf(const TVector& Source)
{
  TVector V;
  AllocVector(V, Source.Size() - 1);
  for (int I = 0; I < Source.Size(); ++I)
    V[I] = Source[I];
  return V;
}

// Step of the central differences: 1e-5 |B[K]| (every tabled parameter is
// non-zero), which keeps the truncation error near (1e-5)^2 relative.
Float DifferenceStep(const TVector& B, int K) { return 1e-5 * std::fabs(B[K]); }

// Central difference of the model in B[K] at X.
Float CentralDifference(TValueProc Value, Float X, const TVector& B, int K)
{
  const Float H = DifferenceStep(B, K);
  TVector Up = CopyOf(B), Down = CopyOf(B);
  Up[K] = B[K] + H;
  Down[K] = B[K] - H;
  return (Value(X, Up) - Value(X, Down)) / (Up[K] - Down[K]);
}

// Compares D[Lb..Ub] from the unit with central differences at (X, B).
void ExpectDerivativesMatch(TValueProc Value, TDerivativeProc Derivatives, Float X, const TVector& B, int Lb,
                            int Ub, const std::string& Name)
{
  TVector D;
  AllocVector(D, B.Size() - 1);
  const Float Y = Value(X, B);
  Derivatives(X, Y, B, D);
  for (int K = Lb; K <= Ub; ++K) {
    const Float Expected = CentralDifference(Value, X, B, K);
    // Relative 1e-6 (finite-difference ladder), plus the rounding error of
    // the difference quotient, a few ulps of Y over the step; the latter also
    // admits the exact zeros where the model is flat in B[K].
    const Float Rounding = 4 * MachineEpsilon * (std::fabs(Y) + MinFloat) / DifferenceStep(B, K);
    EXPECT_NEAR(D[K], Expected, 1e-6 * std::fabs(Expected) + Rounding)
      << Name << ": dY/dB[" << K << "] analytic " << D[K] << ", central difference " << Expected;
  }
}

// Runs Call and expects an ArithmeticFault of the given kind.
void ExpectFault(const std::function<void()>& Call, TFaultKind Kind, const std::string& Name)
{
  try {
    Call();
    ADD_FAILURE() << Name << ": no ArithmeticFault raised";
  } catch (const ArithmeticFault& Fault) {
    EXPECT_EQ(static_cast<int>(Fault.Kind()), static_cast<int>(Kind))
      << Name << ": fault kind " << static_cast<int>(Fault.Kind()) << " (" << Fault.what() << "), expected "
      << static_cast<int>(Kind);
  }
}

// Relative tolerance of parameters recovered by an estimate from exact model
// data. The linearisation is then exact, so only rounding remains: a few ulps
// in each transformed point, amplified by the conditioning of the straight
// line (below 1e3 for the tabled abscissas), some hundred ulps: 1e-12.
constexpr Float RecoveryTolerance = 1e-12;

// ===========================================================================
// Hill, code 10

class HillTest : public testing::Test {
protected:
  void SetUp() override
  {
    InitFmath();
    SavedMargin = UpperMargin;
    UpperMargin = 0.05;
  }
  void TearDown() override { UpperMargin = SavedMargin; }

private:
  Float SavedMargin = 0.0;
};

TEST_F(HillTest, ParameterRangeIsZeroToTwo)
{
  EXPECT_EQ(fithill::ParamLow(), 0);
  EXPECT_EQ(fithill::ParamHigh(), 2);
}

struct TValueCase {
  const char* Name;
  Float X;
  std::vector<Float> B;
  Float Expected;
};

class HillValues : public testing::TestWithParam<TValueCase> {
protected:
  void SetUp() override { InitFmath(); }
};

TEST_P(HillValues, MatchHandComputedValues)
{
  const TValueCase& C = GetParam();
  const TVector B = VectorOf({C.B[0], C.B[1], C.B[2]});
  // The expected values are ratios of small exact numbers: 4 ulps of the
  // quotient and power covers their rounding.
  EXPECT_NEAR(fithill::Value(C.X, B), C.Expected, 4 * MachineEpsilon * std::fabs(C.Expected)) << C.Name;
}

INSTANTIATE_TEST_SUITE_P(
  Hill, HillValues,
  testing::Values(TValueCase{"AtHalfMaximum", 3.0, {10.0, 3.0, 2.7}, 5.0},
                  TValueCase{"AboveHalfMaximum", 4.0, {10.0, 2.0, 1.0}, 10.0 / 1.5},
                  TValueCase{"BelowHalfMaximum", 1.0, {3.0, 2.0, 2.0}, 0.6},
                  TValueCase{"NegativeExponent", 2.0, {3.0, 4.0, -1.0}, 2.0},
                  TValueCase{"NegativeXIntegralExponent", -2.0, {6.0, 2.0, 2.0}, 3.0},
                  TValueCase{"ZeroXPositiveExponent", 0.0, {2.5, 3.0, 1.5}, 0.0},
                  TValueCase{"ZeroXNegativeExponent", 0.0, {2.5, 3.0, -1.5}, 2.5},
                  TValueCase{"ZeroXZeroExponent", 0.0, {2.5, 3.0, 0.0}, 1.25}),
  [](const testing::TestParamInfo<TValueCase>& Info) { return std::string(Info.param.Name); });

// At X = 0 the curve takes the limit it has as X falls to 0 from above, for
// a rising (B2 > 0), falling (B2 < 0) and flat (B2 = 0) curve.
TEST_F(HillTest, ZeroXTakesTheLimitFromAbove)
{
  for (const Float Exponent : {1.5, -1.5, 0.0}) {
    const TVector B = VectorOf({2.5, 3.0, Exponent});
    // At X = 1e-200, (B1/X)^B2 is beyond the double range or below it (or 1
    // for B2 = 0), so the curve is within 1e-12 of its limit.
    EXPECT_NEAR(fithill::Value(0.0, B), fithill::Value(1e-200, B), 1e-12) << "B2 = " << Exponent;
  }
}

TEST_F(HillTest, ZeroXDerivativesAreThoseOfTheLimit)
{
  struct TCase {
    Float Exponent, D0;
  };
  for (const TCase C : {TCase{1.5, 0.0}, TCase{-1.5, 1.0}, TCase{0.0, 0.5}}) {
    const TVector B = VectorOf({2.5, 3.0, C.Exponent});
    const TVector D = VectorOf({-9.0, -9.0, -9.0});
    fithill::Derivatives(0.0, fithill::Value(0.0, B), B, D);
    // Exact: constants of the branch.
    EXPECT_EQ(D[0], C.D0) << "B2 = " << C.Exponent;
    EXPECT_EQ(D[1], 0.0) << "B2 = " << C.Exponent;
    EXPECT_EQ(D[2], 0.0) << "B2 = " << C.Exponent;
  }
}

// (B1/X)^B2 = -1 makes the denominator zero: the curve has a pole there.
TEST_F(HillTest, PoleFaults)
{
  const TVector B = VectorOf({1.0, 2.0, 1.0});
  const TVector D = VectorOf({0.0, 0.0, 0.0});
  ExpectFault([&] { fithill::Value(-2.0, B); }, TFaultKind::DivideByZero, "Value");
  ExpectFault([&] { fithill::Derivatives(-2.0, 1.0, B, D); }, TFaultKind::DivideByZero, "Derivatives");
}

struct TDerivativeCase {
  const char* Name;
  Float X;
  std::vector<Float> B;
};

class HillDerivatives : public testing::TestWithParam<TDerivativeCase> {
protected:
  void SetUp() override { InitFmath(); }
};

TEST_P(HillDerivatives, AgreeWithCentralDifferences)
{
  const TDerivativeCase& C = GetParam();
  ExpectDerivativesMatch(fithill::Value, fithill::Derivatives, C.X, VectorOf({C.B[0], C.B[1], C.B[2]}), 0, 2,
                         C.Name);
}

// X = 0 is included for B2 away from 0: the curve is then flat in every
// parameter there, and so are its central differences.
INSTANTIATE_TEST_SUITE_P(
  Hill, HillDerivatives,
  testing::Values(TDerivativeCase{"BelowHalfMaximum", 1.0, {2.5, 3.0, 1.5}},
                  TDerivativeCase{"AboveHalfMaximum", 10.0, {2.5, 3.0, 1.5}},
                  TDerivativeCase{"AtHalfMaximum", 3.0, {2.0, 3.0, 0.8}},
                  TDerivativeCase{"NegativeExponent", 0.5, {1.2, 2.0, -2.0}},
                  TDerivativeCase{"FarAboveHalfMaximum", 30.0, {1.0, 2.0, 2.5}},
                  TDerivativeCase{"ZeroXPositiveExponent", 0.0, {2.5, 3.0, 1.5}},
                  TDerivativeCase{"ZeroXNegativeExponent", 0.0, {2.5, 3.0, -1.5}}),
  [](const testing::TestParamInfo<TDerivativeCase>& Info) { return std::string(Info.param.Name); });

// Hill data Y = B0 / (1 + (B1/X)^B2), computed here with std::pow.
std::vector<Float> HillData(const std::vector<Float>& X, Float B0, Float B1, Float B2)
{
  std::vector<Float> Y;
  for (const Float Xi : X)
    Y.push_back(B0 / (1.0 + std::pow(B1 / Xi, B2)));
  return Y;
}

// B1 = 3, B2 = 1.5 with the largest X at B1 20^(1/B2), where the response is
// B0 / 1.05: the starting asymptote Top = 1.05 Ymax is then B0 itself, the
// logit points lie on the line and the estimate returns the parameters.
constexpr Float HillB0 = 2.5, HillB1 = 3.0, HillB2 = 1.5;
std::vector<Float> HillAbscissas() { return {0.5, 1.0, 2.0, 4.0, 8.0, 12.0, HillB1 * std::pow(20.0, 1.0 / HillB2)}; }

void ExpectHillParameters(const TVector& B, Float B0, const std::string& Name)
{
  EXPECT_NEAR(B[0], B0, RecoveryTolerance * B0) << Name;
  EXPECT_NEAR(B[1], HillB1, RecoveryTolerance * HillB1) << Name;
  EXPECT_NEAR(B[2], HillB2, RecoveryTolerance * HillB2) << Name;
}

TEST_F(HillTest, EstimateRecoversParametersOfExactData)
{
  const std::vector<Float> Xs = HillAbscissas();
  const TVector X = ObservationsOf(Xs), Y = ObservationsOf(HillData(Xs, HillB0, HillB1, HillB2));
  const int N = static_cast<int>(Xs.size());
  TVector B;
  AllocVector(B, 2);
  ASSERT_EQ(fithill::Estimate(0, X, Y, TVector(), N, B), 0);
  ExpectHillParameters(B, HillB0, "unweighted");
  // Top is Ymax + 0.05 Ymax, to the rounding of that sum.
  const Float Ymax = Y[N];
  EXPECT_NEAR(B[0], Ymax + 0.05 * Ymax, 2 * MachineEpsilon * B[0]);
}

// With UpperMargin 2.0 the starting asymptote is three times the largest
// response; data whose largest response is B0 / 3 (at X = B1 / 2^(1/B2)) are
// again recovered exactly.
TEST_F(HillTest, UpperMarginTwoTriplesTheLargestResponse)
{
  UpperMargin = 2.0;
  const std::vector<Float> Xs = {0.2, 0.4, 0.8, 1.2, 1.6, HillB1 / std::pow(2.0, 1.0 / HillB2)};
  const TVector X = ObservationsOf(Xs), Y = ObservationsOf(HillData(Xs, HillB0, HillB1, HillB2));
  const int N = static_cast<int>(Xs.size());
  TVector B;
  AllocVector(B, 2);
  ASSERT_EQ(fithill::Estimate(0, X, Y, TVector(), N, B), 0);
  EXPECT_NEAR(B[0], 3.0 * Y[N], 4 * MachineEpsilon * B[0]) << "Top = 3 Ymax";
  ExpectHillParameters(B, HillB0, "margin 2");
}

// Points with X <= 0 or Y <= 0 are left out: adding them changes nothing,
// to the last bit, since the line sees the same points in the same order.
TEST_F(HillTest, EstimateSkipsPointsOutsideTheLogitRange)
{
  const std::vector<Float> Xs = HillAbscissas();
  const std::vector<Float> Ys = HillData(Xs, HillB0, HillB1, HillB2);
  std::vector<Float> Xmore = Xs, Ymore = Ys;
  for (const auto& [Xi, Yi] : std::vector<std::pair<Float, Float>>{{0.0, 1.0}, {-1.0, 1.0}, {5.0, 0.0}, {6.0, -0.5}}) {
    Xmore.insert(Xmore.begin() + 2, Xi);
    Ymore.insert(Ymore.begin() + 2, Yi);
  }
  TVector B, Bmore;
  AllocVector(B, 2);
  AllocVector(Bmore, 2);
  ASSERT_EQ(fithill::Estimate(0, ObservationsOf(Xs), ObservationsOf(Ys), TVector(), static_cast<int>(Xs.size()), B),
            0);
  ASSERT_EQ(fithill::Estimate(0, ObservationsOf(Xmore), ObservationsOf(Ymore), TVector(),
                              static_cast<int>(Xmore.size()), Bmore),
            0);
  for (int K = 0; K <= 2; ++K)
    EXPECT_EQ(Bmore[K], B[K]) << "B[" << K << "]";
}

// Mode 1 weights each logit point by W[i]: a spoiled point with weight 0 has
// no influence. Mode 0 and any other Mode ignore W, so the spoiled point then
// moves the estimate.
TEST_F(HillTest, EstimateWeightsOnlyInModeOne)
{
  const std::vector<Float> Xs = HillAbscissas();
  std::vector<Float> Ys = HillData(Xs, HillB0, HillB1, HillB2);
  Ys[2] *= 0.7;
  std::vector<Float> Ws(Xs.size(), 1.0);
  Ws[2] = 0.0;
  const TVector X = ObservationsOf(Xs), Y = ObservationsOf(Ys), W = ObservationsOf(Ws);
  const int N = static_cast<int>(Xs.size());
  TVector Bw, B0, B2;
  AllocVector(Bw, 2);
  AllocVector(B0, 2);
  AllocVector(B2, 2);
  ASSERT_EQ(fithill::Estimate(1, X, Y, W, N, Bw), 0);
  ExpectHillParameters(Bw, HillB0, "weighted, spoiled point at weight 0");
  ASSERT_EQ(fithill::Estimate(0, X, Y, W, N, B0), 0);
  ASSERT_EQ(fithill::Estimate(2, X, Y, W, N, B2), 0);
  // A 30 % error in one of seven points moves the slope by far more than 1e-3.
  EXPECT_GT(std::fabs(B0[2] - HillB2), 1e-3) << "unweighted B2 " << B0[2];
  for (int K = 0; K <= 2; ++K)
    EXPECT_EQ(B2[K], B0[K]) << "Mode 2 is unweighted, B[" << K << "]";
}

// The weight (Y (1 - Y/Top))^2 undoes the stretching of the logit at small
// responses: a point spoiled to a thousandth of its response near the bottom
// (Y about 5e-6, logit off by ln 1000) weighs about 3e-11 against weights
// near 1e-1 and moves the estimate by about 1e-9 relative. 1e-6 bounds that
// with margin; weighted by Y (1 - Y/Top) alone it would move it by some 1e-5.
TEST_F(HillTest, SmallResponsesWeighLittle)
{
  std::vector<Float> Xs = HillAbscissas();
  std::vector<Float> Ys = HillData(Xs, HillB0, HillB1, HillB2);
  Xs.insert(Xs.begin(), 0.05);
  Ys.insert(Ys.begin(), 1e-3 * HillData({0.05}, HillB0, HillB1, HillB2)[0]);
  TVector B;
  AllocVector(B, 2);
  ASSERT_EQ(fithill::Estimate(0, ObservationsOf(Xs), ObservationsOf(Ys), TVector(), static_cast<int>(Xs.size()), B),
            0);
  EXPECT_NEAR(B[1], HillB1, 1e-6 * HillB1);
  EXPECT_NEAR(B[2], HillB2, 1e-6 * HillB2);
}

// Fewer than two usable points of distinct ln X: the line is singular, the
// status is -1 and B keeps the caller's values. The usable points sit at
// X = 1 (ln X = 0 exactly), so the line's determinant is exactly zero.
TEST_F(HillTest, TooFewUsablePointsLeaveBUntouched)
{
  struct TCase {
    const char* Name;
    std::vector<Float> X, Y;
  };
  for (const TCase& C : {TCase{"OneUsablePoint", {1.0, 0.0, -2.0, 3.0}, {1.0, 2.0, 2.0, -1.0}},
                         TCase{"SameAbscissa", {1.0, 1.0, 0.0}, {1.0, 2.0, 1.5}},
                         TCase{"NoPositiveResponse", {1.0, 2.0, 3.0}, {0.0, -1.0, -2.0}}}) {
    const TVector B = VectorOf({7.0, 8.0, 9.0});
    EXPECT_EQ(fithill::Estimate(0, ObservationsOf(C.X), ObservationsOf(C.Y), TVector(),
                                static_cast<int>(C.X.size()), B),
              -1)
      << C.Name;
    EXPECT_EQ(B[0], 7.0) << C.Name;
    EXPECT_EQ(B[1], 8.0) << C.Name;
    EXPECT_EQ(B[2], 9.0) << C.Name;
  }
}

// Equal responses with UpperMargin 1 put every logit point at ln(2 - 1) = 0:
// the line is flat, and B1 = exp(-A0/A1) divides zero by zero.
TEST_F(HillTest, FlatLogitLineFaults)
{
  UpperMargin = 1.0;
  const TVector X = ObservationsOf({1.0, 2.0, 4.0}), Y = ObservationsOf({3.0, 3.0, 3.0});
  TVector B;
  AllocVector(B, 2);
  ExpectFault([&] { fithill::Estimate(0, X, Y, TVector(), 3, B); }, TFaultKind::Invalid, "flat line");
}

// ===========================================================================
// Michaelis-Menten, code 8

class MichaelisTest : public testing::Test {
protected:
  void SetUp() override { InitFmath(); }
};

TEST_F(MichaelisTest, ParameterRangeIsZeroToOne)
{
  EXPECT_EQ(fitmich::ParamLow(), 0);
  EXPECT_EQ(fitmich::ParamHigh(), 1);
}

class MichaelisValues : public testing::TestWithParam<TValueCase> {
protected:
  void SetUp() override { InitFmath(); }
};

TEST_P(MichaelisValues, MatchHandComputedValues)
{
  const TValueCase& C = GetParam();
  // Small exact numbers: one product and one quotient, 2 ulps.
  EXPECT_NEAR(fitmich::Value(C.X, VectorOf({C.B[0], C.B[1]})), C.Expected, 2 * MachineEpsilon * std::fabs(C.Expected))
    << C.Name;
}

INSTANTIATE_TEST_SUITE_P(
  Michaelis, MichaelisValues,
  testing::Values(TValueCase{"AtHalfMaximum", 2.0, {10.0, 2.0}, 5.0},
                  TValueCase{"AboveHalfMaximum", 6.0, {4.0, 2.0}, 3.0},
                  TValueCase{"ZeroX", 0.0, {4.0, 2.0}, 0.0},
                  TValueCase{"NegativeX", -1.0, {4.0, 2.0}, -4.0},
                  TValueCase{"NegativeConstant", 3.0, {2.0, -1.0}, 3.0}),
  [](const testing::TestParamInfo<TValueCase>& Info) { return std::string(Info.param.Name); });

TEST_F(MichaelisTest, PoleFaults)
{
  const TVector B = VectorOf({4.0, 2.0});
  const TVector D = VectorOf({0.0, 0.0});
  ExpectFault([&] { fitmich::Value(-2.0, B); }, TFaultKind::DivideByZero, "Value at X = -B1");
  ExpectFault([&] { fitmich::Derivatives(-2.0, 1.0, B, D); }, TFaultKind::DivideByZero, "Derivatives at X = -B1");
  // dY/dB0 is taken as Y / B0.
  ExpectFault([&] { fitmich::Derivatives(1.0, 0.0, VectorOf({0.0, 2.0}), D); }, TFaultKind::Invalid,
              "Derivatives at B0 = 0");
}

class MichaelisDerivatives : public testing::TestWithParam<TDerivativeCase> {
protected:
  void SetUp() override { InitFmath(); }
};

TEST_P(MichaelisDerivatives, AgreeWithCentralDifferences)
{
  const TDerivativeCase& C = GetParam();
  ExpectDerivativesMatch(fitmich::Value, fitmich::Derivatives, C.X, VectorOf({C.B[0], C.B[1]}), 0, 1, C.Name);
}

INSTANTIATE_TEST_SUITE_P(
  Michaelis, MichaelisDerivatives,
  testing::Values(TDerivativeCase{"BelowHalfMaximum", 0.5, {5.0, 2.0}},
                  TDerivativeCase{"AboveHalfMaximum", 8.0, {5.0, 2.0}},
                  TDerivativeCase{"NegativeLimit", 3.0, {-1.5, 0.7}},
                  TDerivativeCase{"NegativeX", -0.5, {2.0, 1.5}}),
  [](const testing::TestParamInfo<TDerivativeCase>& Info) { return std::string(Info.param.Name); });

// Michaelis data Y = B0 X / (B1 + X) with B0 = 5, B1 = 2: the double
// reciprocals lie exactly on the line, so the estimate returns them.
constexpr Float MichB0 = 5.0, MichB1 = 2.0;
const std::vector<Float> MichAbscissas = {0.5, 1.0, 2.0, 4.0, 8.0, 16.0};

std::vector<Float> MichaelisData(const std::vector<Float>& X)
{
  std::vector<Float> Y;
  for (const Float Xi : X)
    Y.push_back(MichB0 * Xi / (MichB1 + Xi));
  return Y;
}

TEST_F(MichaelisTest, EstimateRecoversParametersOfExactData)
{
  TVector B;
  AllocVector(B, 1);
  ASSERT_EQ(fitmich::Estimate(0, ObservationsOf(MichAbscissas), ObservationsOf(MichaelisData(MichAbscissas)),
                              TVector(), static_cast<int>(MichAbscissas.size()), B),
            0);
  EXPECT_NEAR(B[0], MichB0, RecoveryTolerance * MichB0);
  EXPECT_NEAR(B[1], MichB1, RecoveryTolerance * MichB1);
}

TEST_F(MichaelisTest, EstimateSkipsNonPositivePoints)
{
  const std::vector<Float> Ys = MichaelisData(MichAbscissas);
  std::vector<Float> Xmore = MichAbscissas, Ymore = Ys;
  for (const auto& [Xi, Yi] : std::vector<std::pair<Float, Float>>{{0.0, 1.0}, {-1.0, 1.0}, {3.0, 0.0}, {3.0, -2.0}}) {
    Xmore.insert(Xmore.begin() + 3, Xi);
    Ymore.insert(Ymore.begin() + 3, Yi);
  }
  TVector B, Bmore;
  AllocVector(B, 1);
  AllocVector(Bmore, 1);
  ASSERT_EQ(fitmich::Estimate(0, ObservationsOf(MichAbscissas), ObservationsOf(Ys), TVector(),
                              static_cast<int>(MichAbscissas.size()), B),
            0);
  ASSERT_EQ(fitmich::Estimate(0, ObservationsOf(Xmore), ObservationsOf(Ymore), TVector(),
                              static_cast<int>(Xmore.size()), Bmore),
            0);
  // Exact: the line sees the same points in the same order.
  EXPECT_EQ(Bmore[0], B[0]);
  EXPECT_EQ(Bmore[1], B[1]);
}

TEST_F(MichaelisTest, EstimateWeightsOnlyInModeOne)
{
  std::vector<Float> Ys = MichaelisData(MichAbscissas);
  Ys[1] *= 1.4;
  std::vector<Float> Ws(MichAbscissas.size(), 1.0);
  Ws[1] = 0.0;
  const TVector X = ObservationsOf(MichAbscissas), Y = ObservationsOf(Ys), W = ObservationsOf(Ws);
  const int N = static_cast<int>(MichAbscissas.size());
  TVector Bw, B0, B3;
  AllocVector(Bw, 1);
  AllocVector(B0, 1);
  AllocVector(B3, 1);
  ASSERT_EQ(fitmich::Estimate(1, X, Y, W, N, Bw), 0);
  EXPECT_NEAR(Bw[0], MichB0, RecoveryTolerance * MichB0) << "weighted";
  EXPECT_NEAR(Bw[1], MichB1, RecoveryTolerance * MichB1) << "weighted";
  ASSERT_EQ(fitmich::Estimate(0, X, Y, W, N, B0), 0);
  ASSERT_EQ(fitmich::Estimate(3, X, Y, W, N, B3), 0);
  // A 40 % error in one of six points moves B1 by far more than 1e-3.
  EXPECT_GT(std::fabs(B0[1] - MichB1), 1e-3) << "unweighted B1 " << B0[1];
  EXPECT_EQ(B3[0], B0[0]) << "Mode 3 is unweighted";
  EXPECT_EQ(B3[1], B0[1]) << "Mode 3 is unweighted";
}

// The weight Y^4 undoes the stretching of 1/Y at small responses: a point
// spoiled to a thousandth of its response (1/Y off by a factor 1000) weighs
// about 1e-12 and moves the estimate by about 1e-9 relative. 1e-7 bounds
// that with margin; with the weight Y^2 it would move it by some 1e-4.
TEST_F(MichaelisTest, SmallResponsesWeighLittle)
{
  std::vector<Float> Xs = MichAbscissas, Ys = MichaelisData(MichAbscissas);
  Xs.push_back(3.0);
  Ys.push_back(1e-3 * MichaelisData({3.0})[0]);
  TVector B;
  AllocVector(B, 1);
  ASSERT_EQ(fitmich::Estimate(0, ObservationsOf(Xs), ObservationsOf(Ys), TVector(), static_cast<int>(Xs.size()), B),
            0);
  EXPECT_NEAR(B[0], MichB0, 1e-7 * MichB0);
  EXPECT_NEAR(B[1], MichB1, 1e-7 * MichB1);
}

// The usable points sit at X = 1 (1/X = 1 exactly), so the determinant of
// the line is exactly zero.
TEST_F(MichaelisTest, TooFewUsablePointsLeaveBUntouched)
{
  const TVector B = VectorOf({7.0, 8.0});
  EXPECT_EQ(fitmich::Estimate(0, ObservationsOf({1.0, 1.0, 0.0, 2.0}), ObservationsOf({1.0, 2.0, 3.0, -1.0}),
                              TVector(), 4, B),
            -1);
  EXPECT_EQ(B[0], 7.0);
  EXPECT_EQ(B[1], 8.0);
}

// Y = X (no saturation) puts the double reciprocals on a line through the
// origin: with X = 1, 2 the sums are exact and the intercept is exactly 0.
TEST_F(MichaelisTest, ZeroInterceptFaults)
{
  TVector B;
  AllocVector(B, 1);
  ExpectFault([&] { fitmich::Estimate(0, ObservationsOf({1.0, 2.0}), ObservationsOf({1.0, 2.0}), TVector(), 2, B); },
              TFaultKind::DivideByZero, "B0 = 1 / 0");
}

// ===========================================================================
// Integrated Michaelis-Menten, code 9

// Options (S0, E0, t, factor, fit flag), elements 0..4.
TVector MintOptions(Float S0, Float E0, Float T, Float Factor, Float Flag)
{
  return VectorOf({S0, E0, T, Factor, Flag});
}

class IntegratedMichaelisTest : public testing::Test {
protected:
  void SetUp() override
  {
    InitFmath();
    FitMint::ResetOptions();
  }
  void TearDown() override { FitMint::ResetOptions(); }
};

// Which quantity X is, as the options say.
enum TVaries { TimeVaries, SubstrateVaries, EnzymeVaries };

// A reaction with known parameters: options, B, and the product P. The X
// that forms P is solved from the integrated equation
//   ln(1 - P/S0) = P/B1 - B2 E0 t
// for the varying quantity, in closed form and without Lambert's function.
struct TMintCase {
  const char* Name;
  std::vector<Float> Options;  // empty: the start-up options
  TVaries Varies;
  std::vector<Float> B;
  Float Product;
};

// The start-up options: S0 0, E0 1, t 1, factor 1, fitted.
const std::vector<Float> StartUpOptions = {0.0, 1.0, 1.0, 1.0, 1.0};

Float AbscissaForProduct(const std::vector<Float>& Options, TVaries Varies, Float B1, Float B2, Float P)
{
  const Float S0 = Options[0], E0 = Options[1], T = Options[2];
  switch (Varies) {
  case TimeVaries: return (P / B1 - std::log1p(-P / S0)) / (B2 * E0);
  case SubstrateVaries: return P / -std::expm1(P / B1 - B2 * E0 * T);
  default: return (P / B1 - std::log1p(-P / S0)) / (B2 * T);
  }
}

void ConfigureCase(const TMintCase& C)
{
  if (!C.Options.empty())
    FitMint::Configure(VectorOf({C.Options[0], C.Options[1], C.Options[2], C.Options[3], C.Options[4]}));
}

const std::vector<Float>& CaseOptions(const TMintCase& C) { return C.Options.empty() ? StartUpOptions : C.Options; }

class IntegratedMichaelisCases : public testing::TestWithParam<TMintCase> {
protected:
  void SetUp() override
  {
    InitFmath();
    FitMint::ResetOptions();
  }
  void TearDown() override { FitMint::ResetOptions(); }
};

TEST_P(IntegratedMichaelisCases, ValueIsTheProductOfTheIntegratedEquation)
{
  const TMintCase& C = GetParam();
  ConfigureCase(C);
  const std::vector<Float>& O = CaseOptions(C);
  const bool Fitted = O[4] == 1.0;
  const Float X = AbscissaForProduct(O, C.Varies, C.B[1], C.B[2], C.Product);
  const TVector B = VectorOf({C.B[0], C.B[1], C.B[2]});
  const Float B0 = Fitted ? C.B[0] : O[3];
  const Float S0 = C.Varies == SubstrateVaries ? X : O[0];
  // P = S0 - B1 W carries a few ulps of S0 from W and the subtraction, and
  // the reference X one ulp: 16 ulps of B0 S0.
  EXPECT_NEAR(FitMint::Value(X, B), B0 * C.Product, 16 * MachineEpsilon * std::fabs(B0) * S0)
    << C.Name << " at X = " << X;
  EXPECT_EQ(B[0], Fitted ? C.B[0] : O[3]) << C.Name << ": B[0] after Value";
  EXPECT_EQ(FitMint::ParamLow(), Fitted ? 0 : 1) << C.Name;
}

TEST_P(IntegratedMichaelisCases, DerivativesAgreeWithCentralDifferences)
{
  const TMintCase& C = GetParam();
  ConfigureCase(C);
  const std::vector<Float>& O = CaseOptions(C);
  const Float X = AbscissaForProduct(O, C.Varies, C.B[1], C.B[2], C.Product);
  const TVector B = VectorOf({C.B[0], C.B[1], C.B[2]});
  // With the factor fixed, B[0] is not a parameter (Value overwrites it).
  ExpectDerivativesMatch(FitMint::Value, FitMint::Derivatives, X, B, FitMint::ParamLow(), 2, C.Name);
}

INSTANTIATE_TEST_SUITE_P(
  IntegratedMichaelis, IntegratedMichaelisCases,
  testing::Values(
    // Lambert argument a e^b about 0.43: the middle of the principal branch.
    TMintCase{"StartUpSubstrateVaries", {}, SubstrateVaries, {1.5, 2.0, 0.3}, 0.4},
    TMintCase{"TimeVaries", {5.0, 2.0, 1.0, 1.0, 1.0}, TimeVaries, {2.0, 3.0, 0.1}, 2.0},
    TMintCase{"EnzymeVaries", {5.0, 0.0, 4.0, 1.0, 1.0}, EnzymeVaries, {0.5, 1.5, 0.2}, 3.0},
    TMintCase{"SubstrateVariesTimeTen", {0.0, 1.0, 10.0, 1.0, 1.0}, SubstrateVaries, {1.0, 2.0, 0.05}, 0.5},
    TMintCase{"FixedFactor", {5.0, 2.0, 1.0, 3.0, 0.0}, TimeVaries, {99.0, 3.0, 0.1}, 2.0},
    TMintCase{"FixedFactorEnzymeVaries", {5.0, 0.0, 4.0, 0.25, 2.0}, EnzymeVaries, {99.0, 1.5, 0.2}, 1.0},
    // 98 % conversion; Lambert argument about 0.25.
    TMintCase{"NearlyComplete", {5.0, 2.0, 1.0, 1.0, 1.0}, TimeVaries, {1.0, 0.5, 0.5}, 4.9},
    // Lambert argument about 2e-4: its series near zero.
    TMintCase{"AlmostExhausted", {5.0, 2.0, 1.0, 1.0, 1.0}, TimeVaries, {1.0, 0.5, 0.5}, 4.9999},
    // S0/B1 = 10 and little conversion: Lambert argument about 1e5, its
    // asymptotic start.
    TMintCase{"LargeLambertArgument", {10.0, 1.0, 1.0, 1.0, 1.0}, TimeVaries, {1.0, 1.0, 0.1}, 0.5}),
  [](const testing::TestParamInfo<TMintCase>& Info) { return std::string(Info.param.Name); });

TEST_F(IntegratedMichaelisTest, StartUpOptionsFitTheFactorWithSubstrateAsX)
{
  EXPECT_EQ(FitMint::ParamLow(), 0);
  EXPECT_EQ(FitMint::ParamHigh(), 2);
  // X is the substrate: with t = E0 = 1 and B1 = B2 = 1, X = 1 gives a = 1,
  // b = 0 and P = 1 - W(1) = 1 - Omega, Omega = 0.5671432904097838 the omega
  // constant. 8 ulps: W is refined to a few ulps.
  const TVector B = VectorOf({2.0, 1.0, 1.0});
  EXPECT_NEAR(FitMint::Value(1.0, B), 2.0 * (1.0 - 0.5671432904097838), 8 * MachineEpsilon);
}

// ParamLow follows the flag only: on exactly when Options[4] = 1. ParamHigh
// is always 2. Every flag value is tried with each varying quantity.
struct TFlagCase {
  const char* Name;
  Float Flag;
  int ParamLow;
};

using TFlagParam = std::tuple<TFlagCase, std::vector<Float>>;

std::string FlagCaseName(const testing::TestParamInfo<TFlagParam>& Info)
{
  static const char* const Varies[] = {"Time", "Substrate", "Enzyme"};
  const std::vector<Float>& C = std::get<1>(Info.param);
  const int V = C[0] == 0.0 ? 1 : (C[1] == 0.0 ? 2 : 0);
  return std::string(std::get<0>(Info.param).Name) + Varies[V];
}

class IntegratedMichaelisFlags
    : public testing::TestWithParam<TFlagParam> {
protected:
  void SetUp() override { FitMint::ResetOptions(); }
  void TearDown() override { FitMint::ResetOptions(); }
};

TEST_P(IntegratedMichaelisFlags, ParamRangeFollowsTheFlag)
{
  const auto& [Flag, Conditions] = GetParam();
  FitMint::Configure(MintOptions(Conditions[0], Conditions[1], Conditions[2], 2.0, Flag.Flag));
  EXPECT_EQ(FitMint::ParamLow(), Flag.ParamLow) << Flag.Name;
  EXPECT_EQ(FitMint::ParamHigh(), 2) << Flag.Name;
}

INSTANTIATE_TEST_SUITE_P(
  IntegratedMichaelis, IntegratedMichaelisFlags,
  testing::Combine(testing::Values(TFlagCase{"One", 1.0, 0}, TFlagCase{"Zero", 0.0, 1}, TFlagCase{"Two", 2.0, 1},
                                   TFlagCase{"NearlyOne", 0.999, 1}, TFlagCase{"MinusOne", -1.0, 1}),
                   // (S0, E0, t): time, substrate and enzyme vary.
                   testing::Values(std::vector<Float>{5.0, 2.0, 0.0}, std::vector<Float>{0.0, 2.0, 3.0},
                                   std::vector<Float>{5.0, 0.0, 3.0})),
  FlagCaseName);

// Options persist until the next Configure; ResetOptions restores the
// start-up values.
TEST_F(IntegratedMichaelisTest, OptionsPersistUntilConfiguredAgain)
{
  FitMint::Configure(MintOptions(5.0, 2.0, 3.0, -2.5, 0.0));
  const TVector B = VectorOf({9.0, 1.0, 0.1});
  const TVector D = VectorOf({0.0, 0.0, 0.0});
  FitMint::Value(1.0, B);
  EXPECT_EQ(B[0], -2.5) << "the factor as it came";
  B[0] = 9.0;
  FitMint::Derivatives(1.0, 1.0, B, D);
  EXPECT_EQ(B[0], -2.5) << "Derivatives writes the fixed factor too";
  EXPECT_EQ(FitMint::ParamLow(), 1) << "still fixed after evaluations";

  FitMint::Configure(MintOptions(5.0, 2.0, 3.0, 4.0, 1.0));
  B[0] = 9.0;
  FitMint::Value(1.0, B);
  EXPECT_EQ(B[0], 9.0) << "a fitted factor is left alone";
  EXPECT_EQ(FitMint::ParamLow(), 0);

  FitMint::Configure(MintOptions(5.0, 2.0, 3.0, 4.0, 0.0));
  FitMint::ResetOptions();
  EXPECT_EQ(FitMint::ParamLow(), 0) << "start-up flag";
  FitMint::Value(1.0, B);
  EXPECT_EQ(B[0], 9.0) << "start-up flag leaves B[0]";
}

// Far below the exponential's normal range the substrate is used up: the
// value is B0 S0 exactly and the product no longer depends on B1 or B2.
TEST_F(IntegratedMichaelisTest, ExhaustedSubstrateGivesFullConversion)
{
  FitMint::Configure(MintOptions(5.0, 1.0, 1.0, 1.0, 1.0));  // X is the time
  const TVector B = VectorOf({2.0, 1.0, 1.0});
  // b = S0/B1 - B2 E0 t = 5 - t.
  for (const Float T : {713.5, 800.0, 1e6}) {
    EXPECT_EQ(FitMint::Value(T, B), 10.0) << "t = " << T;
    const TVector D = VectorOf({-1.0, -1.0, -1.0});
    FitMint::Derivatives(T, 10.0, B, D);
    EXPECT_EQ(D[0], 5.0) << "t = " << T;
    EXPECT_EQ(D[1], 0.0) << "t = " << T;
    EXPECT_EQ(D[2], 0.0) << "t = " << T;
  }
}

TEST_F(IntegratedMichaelisTest, ValueFaults)
{
  FitMint::Configure(MintOptions(5.0, 1.0, 1.0, 1.0, 1.0));
  ExpectFault([] { FitMint::Value(1.0, VectorOf({1.0, 0.0, 1.0})); }, TFaultKind::DivideByZero, "B1 = 0");
  // S0/B1 = 1000 with almost no reaction: e^b beyond the double range.
  FitMint::Configure(MintOptions(1000.0, 1.0, 1.0, 1.0, 1.0));
  ExpectFault([] { FitMint::Value(0.001, VectorOf({1.0, 1.0, 1.0})); }, TFaultKind::Overflow,
              "exponential overflow");
}

// Estimates on data made from known parameters. The linear form is the
// integrated equation itself, so B1 and B2 come back to rounding; B0 is the
// fixed factor. E0 and t differ so that a wrong one in B2 would show.
struct TMintEstimateCase {
  const char* Name;
  std::vector<Float> Options;
  TVaries Varies;
  std::vector<Float> Products;
};

constexpr Float MintB1 = 2.0, MintB2 = 0.05;

class IntegratedMichaelisEstimates : public testing::TestWithParam<TMintEstimateCase> {
protected:
  void SetUp() override
  {
    InitFmath();
    FitMint::ResetOptions();
  }
  void TearDown() override { FitMint::ResetOptions(); }
};

TEST_P(IntegratedMichaelisEstimates, RecoverParametersOfExactData)
{
  const TMintEstimateCase& C = GetParam();
  FitMint::Configure(VectorOf({C.Options[0], C.Options[1], C.Options[2], C.Options[3], C.Options[4]}));
  std::vector<Float> Xs, Ys;
  for (const Float P : C.Products) {
    Xs.push_back(AbscissaForProduct(C.Options, C.Varies, MintB1, MintB2, P));
    Ys.push_back(C.Options[3] * P);
  }
  const TVector B = VectorOf({-1.0, -1.0, -1.0});
  ASSERT_EQ(FitMint::Estimate(ObservationsOf(Xs), ObservationsOf(Ys), static_cast<int>(Xs.size()), B), 0) << C.Name;
  EXPECT_EQ(B[0], C.Options[3]) << C.Name << ": B0 is the fixed factor";
  EXPECT_NEAR(B[1], MintB1, RecoveryTolerance * MintB1) << C.Name;
  EXPECT_NEAR(B[2], MintB2, RecoveryTolerance * MintB2) << C.Name;
}

INSTANTIATE_TEST_SUITE_P(
  IntegratedMichaelis, IntegratedMichaelisEstimates,
  testing::Values(
    TMintEstimateCase{"TimeVaries", {5.0, 2.0, 3.0, 1.5, 1.0}, TimeVaries, {0.5, 1.0, 2.0, 3.0, 4.0}},
    TMintEstimateCase{"TimeVariesFixedFactor", {5.0, 2.0, 3.0, 0.5, 0.0}, TimeVaries, {0.5, 1.0, 2.0, 3.0, 4.0}},
    // B2 E0 t = 0.3, so P / B1 < 0.3 bounds the products.
    TMintEstimateCase{"SubstrateVaries", {0.0, 2.0, 3.0, 1.5, 1.0}, SubstrateVaries, {0.1, 0.2, 0.3, 0.4, 0.5}},
    TMintEstimateCase{"EnzymeVaries", {5.0, 0.0, 3.0, 0.8, 1.0}, EnzymeVaries, {0.5, 1.0, 2.0, 3.0, 4.0}}),
  [](const testing::TestParamInfo<TMintEstimateCase>& Info) { return std::string(Info.param.Name); });

// Faults that the estimate passes on: a response at or beyond the full
// conversion of its substrate (logarithm of zero or of a negative number), a
// zero time or enzyme (division by zero), and a failed line (zero over zero).
struct TMintFaultCase {
  const char* Name;
  std::vector<Float> Options;
  std::vector<Float> X, Y;
  TFaultKind Kind;
};

class IntegratedMichaelisFaults : public testing::TestWithParam<TMintFaultCase> {
protected:
  void SetUp() override
  {
    InitFmath();
    FitMint::ResetOptions();
  }
  void TearDown() override { FitMint::ResetOptions(); }
};

TEST_P(IntegratedMichaelisFaults, EstimateRaisesArithmeticFault)
{
  const TMintFaultCase& C = GetParam();
  FitMint::Configure(VectorOf({C.Options[0], C.Options[1], C.Options[2], C.Options[3], C.Options[4]}));
  TVector B;
  AllocVector(B, 2);
  ExpectFault([&] { FitMint::Estimate(ObservationsOf(C.X), ObservationsOf(C.Y), static_cast<int>(C.X.size()), B); },
              C.Kind, C.Name);
}

INSTANTIATE_TEST_SUITE_P(
  IntegratedMichaelis, IntegratedMichaelisFaults,
  testing::Values(
    // Y / factor = 5 = S0: ln 0.
    TMintFaultCase{"FullConversionOverTime", {5.0, 2.0, 3.0, 1.0, 1.0}, {1.0, 2.0, 3.0}, {1.0, 5.0, 2.0},
                   TFaultKind::DivideByZero},
    // Y / factor = 6 > S0 = 5.
    TMintFaultCase{"BeyondConversionOverEnzyme", {5.0, 0.0, 3.0, 0.5, 1.0}, {1.0, 2.0, 3.0}, {1.0, 3.0, 2.0},
                   TFaultKind::Invalid},
    // P = 4.5 beyond its substrate X = 4.
    TMintFaultCase{"BeyondItsSubstrate", {0.0, 2.0, 3.0, 1.0, 1.0}, {2.0, 4.0, 6.0}, {1.0, 4.5, 2.0},
                   TFaultKind::Invalid},
    TMintFaultCase{"ZeroTime", {5.0, 2.0, 3.0, 1.0, 1.0}, {0.0, 1.0, 2.0}, {1.0, 2.0, 3.0},
                   TFaultKind::DivideByZero},
    TMintFaultCase{"ZeroEnzyme", {5.0, 0.0, 3.0, 1.0, 1.0}, {1.0, 0.0, 2.0}, {1.0, 2.0, 3.0},
                   TFaultKind::DivideByZero},
    // Two equal observations: the line is singular (its determinant is
    // exactly zero for two equal abscissas), A stays zero, B2 = 0 / 0.
    TMintFaultCase{"FailedLine", {0.0, 2.0, 3.0, 1.0, 1.0}, {4.0, 4.0}, {1.0, 1.0}, TFaultKind::Invalid}),
  [](const testing::TestParamInfo<TMintFaultCase>& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace Titrelle
