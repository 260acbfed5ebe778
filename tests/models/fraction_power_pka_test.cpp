// The rational fraction (fitfrac), the power law (fitpower) and the acid/base
// titration curve (fitpka) with its sort by X.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "models/fitfrac.h"
#include "models/fitpka.h"
#include "models/fitpower.h"
#include "DerivativeCheck.h"
#include "TestVectors.h"
#include "regression/regress.h"

namespace Titrelle {
namespace {

// ---------------------------------------------------------------------------
// Helpers

using Testing::Copy;
using Testing::Observations;
using Testing::OptionVector;
using Testing::Params;

std::vector<Float> Elements(const TVector& V, int Lb, int Ub)
{
  std::vector<Float> R;
  for (int I = Lb; I <= Ub; ++I)
    R.push_back(V[I]);
  return R;
}

using Testing::ExpectDerivativesMatchDifferences;

// ---------------------------------------------------------------------------
// fitfrac

class FracTest : public testing::Test {
protected:
  void SetUp() override { fitfrac::ResetOptions(); }
  void TearDown() override
  {
    fitfrac::ResetOptions();
    LinearSolveMethod = LinearBySingularValues;
  }
};

TEST_F(FracTest, DegreesRoundHalvesToEvenAndPersist)
{
  EXPECT_EQ(fitfrac::ParamLow(), 0);  // start-up: p = q = 1 with the constant
  EXPECT_EQ(fitfrac::ParamHigh(), 2);
  struct TStep {
    Float P, Q, Flag;
    int Low, High;
  };
  // A degree that rounds to 0 or below keeps its previous value, each on its
  // own; the flag is on only for exactly 1.
  const TStep Steps[] = {
    {2, 3, 1, 0, 5},   {0, 1, 0, 1, 3},     {0.4, -3, 1, 0, 3}, {2.5, 1.5, 2, 1, 4}, {3.5, 0.5, 1, 0, 6},
    {1, 0.51, 0.999, 1, 2}, {4, 2, 1, 0, 6}, {0, 0, 0, 1, 6},
  };
  for (const TStep& S : Steps) {
    fitfrac::Configure(OptionVector({S.P, S.Q, S.Flag}));
    EXPECT_EQ(fitfrac::ParamLow(), S.Low) << "options " << S.P << ", " << S.Q << ", " << S.Flag;
    EXPECT_EQ(fitfrac::ParamHigh(), S.High) << "options " << S.P << ", " << S.Q << ", " << S.Flag;
  }
  fitfrac::ResetOptions();
  EXPECT_EQ(fitfrac::ParamLow(), 0);
  EXPECT_EQ(fitfrac::ParamHigh(), 2);
}

TEST_F(FracTest, ValueIsTheRatioOfThePolynomials)
{
  // p = 2, q = 2: (1 - 2x + 0.5x^2) / (1 + 0.3x - 0.1x^2) at x = 1.5.
  fitfrac::Configure(OptionVector({2, 2, 1}));
  const TVector B = Params({1.0, -2.0, 0.5, 0.3, -0.1});
  const Float X = 1.5;
  const Float Expected = (1.0 - 2.0 * X + 0.5 * X * X) / (1.0 + 0.3 * X - 0.1 * X * X);
  // A few roundings in each polynomial, amplified by the cancellation in the
  // numerator (terms of size 3 summing to -0.875).
  EXPECT_NEAR(fitfrac::Value(X, B), Expected, 32 * MachineEpsilon * std::fabs(Expected));
}

TEST_F(FracTest, ValueAtAPoleFaults)
{
  // 1 + B2 x = 0 at x = 2 for B2 = -0.5.
  EXPECT_THROW(fitfrac::Value(2.0, Params({1.0, 1.0, -0.5})), ArithmeticFault);
  TVector D;
  AllocVector(D, 2);
  EXPECT_THROW(fitfrac::Derivatives(2.0, 0.0, Params({1.0, 1.0, -0.5}), D), ArithmeticFault);
}

struct TFracDerivativeCase {
  const char* Name;
  int P, Q;
  std::vector<Float> B;
};

// Parameterised test failures name the case rather than dump its bytes.
void PrintTo(const TFracDerivativeCase& C, std::ostream* Os) { *Os << C.Name; }

class FracDerivativeTest : public testing::TestWithParam<TFracDerivativeCase> {
protected:
  void SetUp() override { fitfrac::ResetOptions(); }
  void TearDown() override { fitfrac::ResetOptions(); }
};

TEST_P(FracDerivativeTest, MatchCentralDifferences)
{
  const TFracDerivativeCase& C = GetParam();
  fitfrac::Configure(OptionVector({static_cast<Float>(C.P), static_cast<Float>(C.Q), 1}));
  for (Float X : {-0.7, 0.3, 1.0, 2.5})
    ExpectDerivativesMatchDifferences(fitfrac::Value, fitfrac::Derivatives, Params(C.B), X, 0, C.P + C.Q, C.Name);
}

// Denominators stay away from 0 on [-0.7, 2.5].
INSTANTIATE_TEST_SUITE_P(
  Cases, FracDerivativeTest,
  testing::Values(TFracDerivativeCase{"OneOne", 1, 1, {1.0, 2.0, 0.5}},
                  TFracDerivativeCase{"TwoOne", 2, 1, {0.5, -1.0, 0.25, 0.2}},
                  TFracDerivativeCase{"OneThree", 1, 3, {2.0, 1.0, 0.1, 0.05, 0.02}},
                  TFracDerivativeCase{"TwoTwo", 2, 2, {1.0, -2.0, 0.5, 0.3, 0.1}}),
  [](const testing::TestParamInfo<TFracDerivativeCase>& Info) { return std::string(Info.param.Name); });

struct TFracEstimateCase {
  const char* Name;
  int P, Q;
  bool ConstantTerm;
  std::vector<Float> B;  // B[0] is 0 without the constant term
};

void PrintTo(const TFracEstimateCase& C, std::ostream* Os) { *Os << C.Name; }

class FracEstimateTest : public testing::TestWithParam<TFracEstimateCase> {
protected:
  void SetUp() override { fitfrac::ResetOptions(); }
  void TearDown() override { fitfrac::ResetOptions(); }
};

// On exact values of a rational fraction the linearised equation
// Y = sum Bk X^k - sum B(p+m) X^m Y holds exactly, so the regression returns
// the parameters up to rounding. The design's columns (powers of X up to 4
// on [0.5, 4.5] and X^m Y) give a condition number near 1e5, so the error
// stays near 1e5 N eps = 1e-9 relative; 1e-7 leaves margin.
TEST_P(FracEstimateTest, RecoversTheParametersOfExactData)
{
  const TFracEstimateCase& C = GetParam();
  fitfrac::Configure(OptionVector({static_cast<Float>(C.P), static_cast<Float>(C.Q), C.ConstantTerm ? 1.0 : 0.0}));
  std::vector<Float> Xv, Yv;
  for (int I = 0; I < 17; ++I) {
    const Float X = 0.5 + 0.25 * I;
    Float Num = 0.0, Den = 1.0;
    for (int K = 0; K <= C.P; ++K)
      Num += C.B[static_cast<std::size_t>(K)] * std::pow(X, K);
    for (int M = 1; M <= C.Q; ++M)
      Den += C.B[static_cast<std::size_t>(C.P + M)] * std::pow(X, M);
    Xv.push_back(X);
    Yv.push_back(Num / Den);
  }
  TVector B = Params(std::vector<Float>(C.B.size(), 9.0));
  ASSERT_EQ(fitfrac::Estimate(0, Observations(Xv), Observations(Yv), TVector(), 17, B), 0) << C.Name;
  if (!C.ConstantTerm) {
    EXPECT_EQ(B[0], 0.0) << C.Name;
  }
  const Float Scale = *std::max_element(C.B.begin(), C.B.end(), [](Float A, Float D) {
    return std::fabs(A) < std::fabs(D);
  });
  for (int K = 0; K <= C.P + C.Q; ++K)
    EXPECT_NEAR(B[K], C.B[static_cast<std::size_t>(K)], 1e-7 * std::fabs(Scale))
      << C.Name << ": B" << K << " is " << B[K] << ", expected " << C.B[static_cast<std::size_t>(K)];
}

INSTANTIATE_TEST_SUITE_P(
  Cases, FracEstimateTest,
  testing::Values(TFracEstimateCase{"OneOne", 1, 1, true, {1.0, 2.0, 0.5}},
                  TFracEstimateCase{"OneOneNoConstant", 1, 1, false, {0.0, 3.0, 0.25}},
                  TFracEstimateCase{"TwoOne", 2, 1, true, {0.5, -1.0, 0.25, 0.2}},
                  TFracEstimateCase{"OneTwo", 1, 2, true, {2.0, 1.0, 0.1, 0.05}},
                  TFracEstimateCase{"TwoTwoNoConstant", 2, 2, false, {0.0, -2.0, 0.5, 0.3, 0.1}}),
  [](const testing::TestParamInfo<TFracEstimateCase>& Info) { return std::string(Info.param.Name); });

TEST_F(FracTest, OtherModeGivesMinusOneAndZeroConstantWithoutTheOption)
{
  const TVector X = Observations({1, 2, 3, 4});
  const TVector Y = Observations({1.5, 2.0, 2.2, 2.4});
  TVector B = Params({9, 9, 9});
  EXPECT_EQ(fitfrac::Estimate(2, X, Y, Y, 4, B), -1);
  EXPECT_EQ(Elements(B, 0, 2), (std::vector<Float>{9, 9, 9}));

  // Without the constant term B[0] := 0 also after a failure.
  fitfrac::Configure(OptionVector({1, 1, 0}));
  EXPECT_EQ(fitfrac::Estimate(-1, X, Y, Y, 4, B), -1);
  EXPECT_EQ(Elements(B, 0, 2), (std::vector<Float>{0, 9, 9}));
}

TEST_F(FracTest, SingularRegressionGivesMinusOne)
{
  // Constant responses make the column -X Y a multiple of X; the normal
  // equations report the singular system.
  LinearSolveMethod = LinearByNormalEquations;
  TVector B = Params({9, 9, 9});
  EXPECT_EQ(fitfrac::Estimate(0, Observations({1, 2, 3, 4, 5}), Observations({1, 1, 1, 1, 1}), TVector(), 5, B), -1);
}

TEST_F(FracTest, WeightedEstimateIgnoresAZeroWeightPoint)
{
  // A spoiled point with weight 0 drops out of the weighted regression.
  const TVector X = Observations({0.5, 1.0, 1.5, 2.0, 2.5, 3.0, 3.5});
  const TVector Y = Observations({1.31, 1.82, 2.11, 2.34, 2.47, 2.62, 40.0});
  const TVector W = Observations({1, 1, 1, 1, 1, 1, 0});
  TVector Weighted = Params({9, 9, 9}), Trimmed = Params({9, 9, 9});
  ASSERT_EQ(fitfrac::Estimate(1, X, Y, W, 7, Weighted), 0);
  ASSERT_EQ(fitfrac::Estimate(0, X, Y, TVector(), 6, Trimmed), 0);
  // A zero row changes the singular-value solution only by rounding.
  for (int K = 0; K <= 2; ++K)
    EXPECT_NEAR(Weighted[K], Trimmed[K], 1e-10 * std::fabs(Trimmed[K])) << "B" << K;
}

// ---------------------------------------------------------------------------
// fitpower

TEST(PowerTest, ParameterRangeAndValue)
{
  EXPECT_EQ(fitpower::ParamLow(), 0);
  EXPECT_EQ(fitpower::ParamHigh(), 1);
  const Float Expected = 2.5 * std::pow(3.0, 0.7);
  EXPECT_NEAR(fitpower::Value(3.0, Params({2.5, 0.7})), Expected, 4 * MachineEpsilon * Expected);  // few roundings
}

TEST(PowerTest, DerivativesMatchCentralDifferences)
{
  const std::vector<std::vector<Float>> Bs = {{2.5, 0.7}, {0.3, -1.2}, {-4.0, 2.0}, {10.0, 0.05}};
  for (const auto& Bv : Bs)
    for (Float X : {0.2, 1.0, 3.0, 25.0})
      ExpectDerivativesMatchDifferences(fitpower::Value, fitpower::Derivatives, Params(Bv), X, 0, 1, "power");
}

TEST(PowerTest, FactorDerivativeAtZeroFactorIsThePower)
{
  // Y / B0 is 0 / 0 at B0 = 0; dY/dB0 is X^B1 there as anywhere.
  TVector D;
  AllocVector(D, 1);
  const TVector B = Params({0.0, 1.5});
  fitpower::Derivatives(4.0, fitpower::Value(4.0, B), B, D);
  EXPECT_NEAR(D[0], 8.0, 4 * MachineEpsilon * 8.0);  // 4^1.5 as exp(1.5 ln 4): a few roundings
  EXPECT_EQ(D[1], 0.0);
}

struct TPowerData {
  TVector X, Y;
  int N;
};

// Exact values of 2.5 X^0.7 at X = 0.5, 1, ..., 5.
TPowerData ExactPowerData()
{
  std::vector<Float> Xv, Yv;
  for (int I = 1; I <= 10; ++I) {
    Xv.push_back(0.5 * I);
    Yv.push_back(2.5 * std::pow(0.5 * I, 0.7));
  }
  return {Observations(Xv), Observations(Yv), 10};
}

TEST(PowerTest, EstimateRecoversExactData)
{
  // ln Y = ln 2.5 + 0.7 ln X exactly: the line fit returns the parameters to
  // rounding in the logarithms and sums of ten terms (1e-12 relative).
  const TPowerData D = ExactPowerData();
  for (int Mode : {0, 1}) {
    TVector B = Params({9, 9});
    const TVector W = Observations(std::vector<Float>(10, 3.0));
    ASSERT_EQ(fitpower::Estimate(Mode, D.X, D.Y, W, D.N, B), 0) << "Mode " << Mode;
    EXPECT_NEAR(B[0], 2.5, 1e-12 * 2.5) << "Mode " << Mode;
    EXPECT_NEAR(B[1], 0.7, 1e-12 * 0.7) << "Mode " << Mode;
  }
}

// Slope and intercept of the weighted least-squares line through (U, Z),
// in long double from the normal equations: an independent check of the
// line the estimates fit.
struct TLine {
  long double Intercept, Slope;
};

TLine WeightedLine(const std::vector<Float>& U, const std::vector<Float>& Z, const std::vector<Float>& W)
{
  long double S0 = 0, Su = 0, Sz = 0, Suu = 0, Suz = 0;
  for (std::size_t I = 0; I < U.size(); ++I) {
    S0 += W[I];
    Su += W[I] * static_cast<long double>(U[I]);
    Sz += W[I] * static_cast<long double>(Z[I]);
    Suu += W[I] * static_cast<long double>(U[I]) * U[I];
    Suz += W[I] * static_cast<long double>(U[I]) * Z[I];
  }
  const long double D = S0 * Suu - Su * Su;
  return {(Suu * Sz - Su * Suz) / D, (S0 * Suz - Su * Sz) / D};
}

TEST(PowerTest, EstimateIsTheLogLogLineWeightedByYSquaredAndW)
{
  // Scattered data, so that the weights matter: ln Y on ln X with weights
  // Y^2 (times W in Mode 1). Both computations round only in sums of eight
  // terms of size near 1: 1e-12 relative.
  const std::vector<Float> Xv = {0.5, 1, 2, 3, 5, 8, 12, 20};
  const std::vector<Float> Yv = {1.2, 2.9, 3.8, 6.1, 7.2, 11.9, 13.0, 21.5};
  const std::vector<Float> Wv = {1, 2, 0.5, 1, 3, 1, 0.25, 1};
  for (int Mode : {0, 1}) {
    std::vector<Float> U, Z, Wz;
    for (std::size_t I = 0; I < Xv.size(); ++I) {
      U.push_back(std::log(Xv[I]));
      Z.push_back(std::log(Yv[I]));
      Wz.push_back(Yv[I] * Yv[I] * (Mode == 1 ? Wv[I] : 1.0));
    }
    const TLine L = WeightedLine(U, Z, Wz);
    TVector B = Params({9, 9});
    ASSERT_EQ(fitpower::Estimate(Mode, Observations(Xv), Observations(Yv), Observations(Wv), 8, B), 0);
    const Float Factor = std::exp(static_cast<Float>(L.Intercept));
    EXPECT_NEAR(B[0], Factor, 1e-12 * Factor) << "Mode " << Mode;
    EXPECT_NEAR(B[1], static_cast<Float>(L.Slope), 1e-12 * std::fabs(static_cast<Float>(L.Slope))) << "Mode " << Mode;
  }
}

TEST(PowerTest, PointsWithoutLogarithmsAreSkipped)
{
  // Points with X <= 0 or Y <= 0 among the data change nothing: the usable
  // points fill the same line fit in the same order.
  const TPowerData D = ExactPowerData();
  std::vector<Float> Xv, Yv;
  const std::vector<std::pair<Float, Float>> Junk = {{0.0, 1.0}, {-1.0, 2.0}, {1.0, 0.0}, {2.0, -3.0}};
  for (int I = 1; I <= D.N; ++I) {
    if (I % 3 == 1) {
      const auto& J = Junk[static_cast<std::size_t>(I / 3)];
      Xv.push_back(J.first);
      Yv.push_back(J.second);
    }
    Xv.push_back(D.X[I]);
    Yv.push_back(D.Y[I]);
  }
  TVector Clean = Params({9, 9}), Mixed = Params({9, 9});
  ASSERT_EQ(fitpower::Estimate(0, D.X, D.Y, TVector(), D.N, Clean), 0);
  ASSERT_EQ(fitpower::Estimate(0, Observations(Xv), Observations(Yv), TVector(), static_cast<int>(Xv.size()), Mixed),
            0);
  EXPECT_EQ(Mixed[0], Clean[0]);
  EXPECT_EQ(Mixed[1], Clean[1]);
}

TEST(PowerTest, WeightsOnlyInModeOne)
{
  // A wild last point with weight 0: Mode 1 equals the unweighted fit
  // without it; Mode 2 ignores the weights and equals Mode 0 with it.
  const TVector X = Observations({1, 2, 3, 4, 5});
  const TVector Y = Observations({2.1, 3.3, 4.6, 5.5, 30.0});
  const TVector W = Observations({1, 1, 1, 1, 0});
  TVector Weighted = Params({9, 9}), Trimmed = Params({9, 9}), Mode2 = Params({9, 9}), Mode0 = Params({9, 9});
  ASSERT_EQ(fitpower::Estimate(1, X, Y, W, 5, Weighted), 0);
  ASSERT_EQ(fitpower::Estimate(0, X, Y, TVector(), 4, Trimmed), 0);
  ASSERT_EQ(fitpower::Estimate(2, X, Y, W, 5, Mode2), 0);
  ASSERT_EQ(fitpower::Estimate(0, X, Y, TVector(), 5, Mode0), 0);
  EXPECT_EQ(Elements(Weighted, 0, 1), Elements(Trimmed, 0, 1));
  EXPECT_EQ(Elements(Mode2, 0, 1), Elements(Mode0, 0, 1));
  EXPECT_NE(Mode0[1], Trimmed[1]);
}

TEST(PowerTest, FewerThanTwoUsablePointsKeepB)
{
  TVector B = Params({9, 9});
  // One usable point (the others have X <= 0 or Y <= 0).
  EXPECT_EQ(fitpower::Estimate(0, Observations({0, 2, -1}), Observations({1, 3, 4}), TVector(), 3, B), -1);
  // Usable points all at the same X.
  EXPECT_EQ(fitpower::Estimate(0, Observations({2, 2}), Observations({1, 3}), TVector(), 2, B), -1);
  EXPECT_EQ(Elements(B, 0, 1), (std::vector<Float>{9, 9}));
}

// ---------------------------------------------------------------------------
// fitpka

TEST(PkaTest, ParameterRangeAndValue)
{
  EXPECT_EQ(fitpka::ParamLow(), 0);
  EXPECT_EQ(fitpka::ParamHigh(), 2);
  const TVector B = Params({2.0, 10.0, 4.75});
  // At the midpoint 10^0 = 1: exactly halfway between the plateaus.
  EXPECT_EQ(fitpka::Value(4.75, B), 6.0);
  const Float Expected = 2.0 + 8.0 / (1.0 + std::pow(10.0, 4.75 - 5.5));
  EXPECT_NEAR(fitpka::Value(5.5, B), Expected, 8 * MachineEpsilon * Expected);  // exp10 via exp, a few roundings
}

TEST(PkaTest, DerivativesMatchCentralDifferences)
{
  const std::vector<std::vector<Float>> Bs = {{2.0, 10.0, 4.75}, {10.0, 2.0, 7.2}, {-1.0, 0.5, 3.0}};
  for (const auto& Bv : Bs)
    for (Float X : {2.0, 4.0, 4.75, 6.0, 9.0})
      ExpectDerivativesMatchDifferences(fitpka::Value, fitpka::Derivatives, Params(Bv), X, 0, 2, "pka");
}

struct TSortCase {
  const char* Name;
  std::vector<Float> X, Y;
  std::vector<Float> SortedX, SortedY;
};

void PrintTo(const TSortCase& C, std::ostream* Os) { *Os << C.Name; }

class PkaSortTest : public testing::TestWithParam<TSortCase> {};

TEST_P(PkaSortTest, SortsPairsByAscendingX)
{
  const TSortCase& C = GetParam();
  const int N = static_cast<int>(C.X.size());
  TVector X = Observations(C.X), Y = Observations(C.Y);
  fitpka::SortByX(X, Y, N);
  EXPECT_EQ(Elements(X, 1, N), C.SortedX) << C.Name;
  EXPECT_EQ(Elements(Y, 1, N), C.SortedY) << C.Name;
  EXPECT_EQ(X[0], -77.0) << C.Name << ": element 0 moved";
  EXPECT_EQ(Y[0], -77.0) << C.Name << ": element 0 moved";
}

// Equal X: the selection takes the first of the smallest, so X = (2, 1, 1)
// with Y = (a, b, c) becomes (1, 1, 2) with Y = (b, c, a) (taking the last
// would give (c, b, a)).
INSTANTIATE_TEST_SUITE_P(
  Cases, PkaSortTest,
  testing::Values(TSortCase{"Descending", {9, 7, 5, 3, 1}, {10, 20, 30, 40, 50}, {1, 3, 5, 7, 9}, {50, 40, 30, 20, 10}},
                  TSortCase{"Shuffled", {4, 1, 3, 2}, {0.4, 0.1, 0.3, 0.2}, {1, 2, 3, 4}, {0.1, 0.2, 0.3, 0.4}},
                  TSortCase{"EqualX", {2, 1, 1}, {1, 2, 3}, {1, 1, 2}, {2, 3, 1}},
                  TSortCase{"SortedWithTies", {1, 1, 2, 2}, {4, 3, 2, 1}, {1, 1, 2, 2}, {4, 3, 2, 1}},
                  TSortCase{"Single", {5}, {6}, {5}, {6}}),
  [](const testing::TestParamInfo<TSortCase>& Info) { return std::string(Info.param.Name); });

TEST(PkaTest, SortWithNoObservationsDoesNothing)
{
  TVector X = Observations({3, 1}), Y = Observations({1, 2});
  fitpka::SortByX(X, Y, 0);
  EXPECT_EQ(Elements(X, 0, 2), (std::vector<Float>{-77, 3, 1}));
  EXPECT_EQ(Elements(Y, 0, 2), (std::vector<Float>{-77, 1, 2}));
}

struct TPkaEstimateCase {
  const char* Name;
  std::vector<Float> X, Y;
  Float ExpectedB2;  // 99 stands for the caller's value
};

void PrintTo(const TPkaEstimateCase& C, std::ostream* Os) { *Os << C.Name; }

class PkaEstimateTest : public testing::TestWithParam<TPkaEstimateCase> {};

TEST_P(PkaEstimateTest, FindsTheMidpointCrossing)
{
  const TPkaEstimateCase& C = GetParam();
  const int N = static_cast<int>(C.X.size());
  TVector X = Observations(C.X), Y = Observations(C.Y);
  TVector B = Params({9, 9, 99});
  ASSERT_EQ(fitpka::Estimate(X, Y, N, B), 0);
  EXPECT_EQ(B[0], Y[1]) << C.Name;
  EXPECT_EQ(B[1], Y[N]) << C.Name;
  EXPECT_EQ(B[2], C.ExpectedB2) << C.Name;
}

// Midpoints M = (Y[1] + Y[N]) / 2 after sorting; the search looks at points
// 2..N-1 and the step to the next point.
INSTANTIATE_TEST_SUITE_P(
  Cases, PkaEstimateTest,
  testing::Values(
    // M = 6 between points 3 and 4: halfway, 4.5.
    TPkaEstimateCase{"Rising", {2, 3, 4, 5, 6, 7}, {2, 2.5, 4, 8, 9.5, 10}, 4.5},
    // M = 6 falling between points 2 and 3.
    TPkaEstimateCase{"Falling", {1, 2, 3, 4}, {10, 9, 3, 2}, 2.5},
    // M = 6 exactly at point 3.
    TPkaEstimateCase{"AtAnObservation", {1, 2, 3, 4, 5}, {2, 3, 6, 9, 10}, 3},
    // M = 6 at point 3, then a later crossing between points 4 and 5 wins.
    TPkaEstimateCase{"LastCrossingWins", {1, 2, 3, 4, 5, 6}, {2, 3, 6, 4, 8, 10}, 4.5},
    // Descending X: sorted first, then as "Rising".
    TPkaEstimateCase{"DescendingInput", {7, 6, 5, 4, 3, 2}, {10, 9.5, 8, 4, 2.5, 2}, 4.5},
    // The only crossing lies between points 1 and 2, which are not searched.
    TPkaEstimateCase{"CrossingBeforeSecondPoint", {1, 2, 3, 4}, {2, 9, 9.5, 10}, 99},
    // Equal plateaus, M = 5: no inner response reaches it or passes it.
    TPkaEstimateCase{"NoCrossing", {1, 2, 3, 4}, {5, 3, 4, 5}, 99},
    // N <= 2: nothing is searched.
    TPkaEstimateCase{"TwoPoints", {1, 2}, {2, 10}, 99}),
  [](const testing::TestParamInfo<TPkaEstimateCase>& Info) { return std::string(Info.param.Name); });

TEST(PkaTest, EstimateSortsTheCallersData)
{
  TVector X = Observations({5, 1, 3, 2, 4}), Y = Observations({10, 2, 6, 3, 9});
  TVector B = Params({0, 0, 0});
  ASSERT_EQ(fitpka::Estimate(X, Y, 5, B), 0);
  EXPECT_EQ(Elements(X, 1, 5), (std::vector<Float>{1, 2, 3, 4, 5}));
  EXPECT_EQ(Elements(Y, 1, 5), (std::vector<Float>{2, 3, 6, 9, 10}));
}

TEST(PkaTest, EstimateOnCurveDataLandsWithinHalfAStep)
{
  // B = (2, 10, 4.8) on X = 2, 2.5, ..., 8 in scrambled order. The plateaus
  // are the end responses, which differ from B0, B1 by 8 / (1 + 10^2.8) <
  // 0.013; the crossing of M lies within the step containing the midpoint,
  // so B2 is within half a step (0.25) of 4.8.
  std::vector<Float> Xv, Yv;
  for (int I = 0; I <= 12; ++I) {
    const Float X = 2.0 + 0.5 * ((I * 5) % 13);
    Xv.push_back(X);
    Yv.push_back(2.0 + 8.0 / (1.0 + std::pow(10.0, 4.8 - X)));
  }
  TVector X = Observations(Xv), Y = Observations(Yv);
  TVector B = Params({0, 0, 0});
  ASSERT_EQ(fitpka::Estimate(X, Y, 13, B), 0);
  EXPECT_NEAR(B[0], 2.0, 0.013);
  EXPECT_NEAR(B[1], 10.0, 0.013);
  EXPECT_NEAR(B[2], 4.8, 0.25);
}

}  // namespace
}  // namespace Titrelle
