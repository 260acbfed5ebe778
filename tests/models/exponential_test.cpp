// The exponential models: the sum of exponentials (fitexpo) with its root
// counting, the increasing exponential (fitiexpo) and the exponential plus
// straight line (fitexlin).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "models/fitexlin.h"
#include "models/fitexpo.h"
#include "models/fitiexpo.h"
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

using Testing::ExpectDerivativesMatchDifferences;

// Relative difference, for messages.
Float RelativeError(Float Actual, Float Expected) { return std::fabs(Actual - Expected) / std::fabs(Expected); }

// ---------------------------------------------------------------------------
// fitexpo: options

class ExpoTest : public testing::Test {
protected:
  void SetUp() override { fitexpo::ResetOptions(); }
  void TearDown() override
  {
    fitexpo::ResetOptions();
    LinearSolveMethod = LinearBySingularValues;
  }
};

TEST_F(ExpoTest, StartUpOptionsAreOneExponentWithoutConstant)
{
  EXPECT_EQ(fitexpo::ParamLow(), 1);
  EXPECT_EQ(fitexpo::ParamHigh(), 2);
}

TEST_F(ExpoTest, CountRoundsHalvesToEvenAndPersists)
{
  struct TStep {
    Float Count, Flag;
    int Low, High;
  };
  // A count that rounds to 0 or below keeps the previous one; the flag is on
  // only for exactly 1 and is replaced at every call.
  const TStep Steps[] = {
    {3, 1, 0, 6},   {0, 1, 0, 6},    {-2, 0, 1, 6},   {0.4, 1, 0, 6},  {2.5, 1, 0, 4},  {3.5, 0, 1, 8},
    {1.5, 2, 1, 4}, {0.5, 1, 0, 4},  {0.51, 1, 0, 2}, {5, 0.999, 1, 10}, {1, 1, 0, 2},
  };
  for (const TStep& S : Steps) {
    fitexpo::Configure(OptionVector({S.Count, S.Flag}));
    EXPECT_EQ(fitexpo::ParamLow(), S.Low) << "options " << S.Count << ", " << S.Flag;
    EXPECT_EQ(fitexpo::ParamHigh(), S.High) << "options " << S.Count << ", " << S.Flag;
  }
  fitexpo::ResetOptions();
  EXPECT_EQ(fitexpo::ParamLow(), 1);
  EXPECT_EQ(fitexpo::ParamHigh(), 2);
}

TEST_F(ExpoTest, ValueSumsTheTermsAndTheConstantOnlyWithTheOption)
{
  const TVector B = Params({0.75, 3.0, 1.25, -2.0, 0.5});
  const Float X = 1.5;
  const Float Terms = 3.0 * std::exp(-1.25 * X) - 2.0 * std::exp(-0.5 * X);
  fitexpo::Configure(OptionVector({2, 0}));
  // A few rounding errors of a two-term sum.
  EXPECT_NEAR(fitexpo::Value(X, B), Terms, 4 * MachineEpsilon * 4.0);
  fitexpo::Configure(OptionVector({2, 1}));
  EXPECT_NEAR(fitexpo::Value(X, B), 0.75 + Terms, 4 * MachineEpsilon * 4.0);
}

struct TDerivativeCase {
  const char* Name;
  int Count;
  bool ConstantTerm;
  std::vector<Float> B;
  std::vector<Float> X;
};

// Parameterised test failures name the case rather than dump its bytes.
void PrintTo(const TDerivativeCase& C, std::ostream* Os) { *Os << C.Name; }

class ExpoDerivativeTest : public testing::TestWithParam<TDerivativeCase> {
protected:
  void SetUp() override { fitexpo::ResetOptions(); }
  void TearDown() override { fitexpo::ResetOptions(); }
};

TEST_P(ExpoDerivativeTest, MatchCentralDifferences)
{
  const TDerivativeCase& C = GetParam();
  fitexpo::Configure(OptionVector({static_cast<Float>(C.Count), C.ConstantTerm ? 1.0 : 0.0}));
  for (Float X : C.X)
    ExpectDerivativesMatchDifferences(fitexpo::Value, fitexpo::Derivatives, Params(C.B), X, fitexpo::ParamLow(),
                                      fitexpo::ParamHigh(), C.Name);
}

INSTANTIATE_TEST_SUITE_P(
  Cases, ExpoDerivativeTest,
  testing::Values(TDerivativeCase{"OneTerm", 1, false, {0.0, 4.0, 0.7}, {0.0, 0.5, 2.0, 8.0}},
                  TDerivativeCase{"OneTermConstant", 1, true, {1.5, 4.0, 0.7}, {0.25, 3.0}},
                  TDerivativeCase{"TwoTerms", 2, false, {0.0, 3.0, 2.0, 1.5, 0.1}, {0.1, 1.0, 5.0}},
                  TDerivativeCase{"ThreeTermsConstant", 3, true, {-0.4, 2.0, 3.0, -1.0, 0.8, 0.5, 0.05},
                                  {0.3, 2.5, 10.0}},
                  TDerivativeCase{"GrowingTerm", 1, false, {0.0, -2.0, -0.3}, {1.0, 4.0}}),
  [](const testing::TestParamInfo<TDerivativeCase>& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// fitexpo: CountRealRoots

struct TRootsCase {
  const char* Name;
  std::vector<Float> Roots;      // real roots of the monic polynomial
  std::vector<Float> Quadratics; // pairs (s, p) of factors z^2 - s z + p with complex roots
};

void PrintTo(const TRootsCase& C, std::ostream* Os) { *Os << C.Name; }

// Coefficients of the monic product of (z - r) and (z^2 - s z + p).
std::vector<Float> MonicProduct(const TRootsCase& C)
{
  std::vector<Float> P = {1.0};
  auto Multiply = [&P](const std::vector<Float>& F) {
    std::vector<Float> R(P.size() + F.size() - 1, 0.0);
    for (std::size_t I = 0; I < P.size(); ++I)
      for (std::size_t J = 0; J < F.size(); ++J)
        R[I + J] += P[I] * F[J];
    P = R;
  };
  for (Float Root : C.Roots)
    Multiply({-Root, 1.0});
  for (std::size_t I = 0; I + 1 < C.Quadratics.size(); I += 2)
    Multiply({C.Quadratics[I + 1], -C.Quadratics[I], 1.0});
  return P;
}

class CountRealRootsTest : public testing::TestWithParam<TRootsCase> {};

TEST_P(CountRealRootsTest, CountsAndFindsTheRealRoots)
{
  const TRootsCase& C = GetParam();
  const std::vector<Float> P = MonicProduct(C);
  const int Degree = static_cast<int>(P.size()) - 1;
  TVector Coef, Roots;
  AllocVector(Coef, Degree);
  AllocVector(Roots, Degree);
  for (int I = 0; I <= Degree; ++I)
    Coef[I] = P[static_cast<std::size_t>(I)];

  const int Count = fitexpo::CountRealRoots(Coef, Degree, Roots);
  EXPECT_EQ(Count, static_cast<int>(C.Roots.size())) << C.Name;
  if (Count != Degree)
    return;
  std::vector<Float> Found, Expected = C.Roots;
  for (int I = 1; I <= Degree; ++I)
    Found.push_back(Roots[I]);
  std::sort(Found.begin(), Found.end());
  std::sort(Expected.begin(), Expected.end());
  // Roots of small integer polynomials with well-separated roots come out of
  // the closed forms and of the QR iteration to a few hundred eps of the
  // largest root; 1e-9 of it is a loose but telling bound.
  const Float Scale = std::max(std::fabs(Expected.front()), std::fabs(Expected.back()));
  for (std::size_t I = 0; I < Found.size(); ++I)
    EXPECT_NEAR(Found[I], Expected[I], 1e-9 * Scale) << C.Name << ": root " << I;
}

INSTANTIATE_TEST_SUITE_P(
  Cases, CountRealRootsTest,
  testing::Values(TRootsCase{"Linear", {0.35}, {}}, TRootsCase{"QuadraticReal", {2.0, 0.25}, {}},
                  TRootsCase{"QuadraticComplex", {}, {0.6, 4.09}},
                  TRootsCase{"CubicReal", {3.0, 1.0, 0.2}, {}},
                  TRootsCase{"CubicOneReal", {0.5}, {1.0, 2.0}},
                  TRootsCase{"QuarticReal", {4.0, 2.0, 1.0, 0.5}, {}},
                  TRootsCase{"QuarticTwoReal", {1.0, 3.0}, {2.0, 5.0}},
                  TRootsCase{"QuinticReal", {5.0, 4.0, 3.0, 2.0, 1.0}, {}},
                  TRootsCase{"QuinticThreeReal", {1.0, 2.0, 0.5}, {1.0, 1.0}},
                  TRootsCase{"SexticReal", {1.0, -2.0, 0.5, 7.0, 3.0, -4.0}, {}}),
  [](const testing::TestParamInfo<TRootsCase>& Info) { return std::string(Info.param.Name); });

TEST(CountRealRootsDegenerate, LinearWithoutLeadingCoefficientHasNoRoot)
{
  // Degree 1 uses the linear formula's routine: 3 + 0 z has no root.
  TVector Coef = Params({3.0, 0.0});
  TVector Roots;
  AllocVector(Roots, 1);
  EXPECT_EQ(fitexpo::CountRealRoots(Coef, 1, Roots), -2);
}

// ---------------------------------------------------------------------------
// fitexpo: the integral method on data made from known parameters

struct TExpoEstimateCase {
  const char* Name;
  bool ConstantTerm;
  std::vector<Float> Amplitudes;  // at X = 0
  std::vector<Float> Rates;       // descending
  Float Start, Step;
  int N;
  Float RateTol;  // relative, against (2/h) tanh(r h / 2); basis in the table below
};

void PrintTo(const TExpoEstimateCase& C, std::ostream* Os) { *Os << C.Name; }

class ExpoEstimateTest : public testing::TestWithParam<TExpoEstimateCase> {
protected:
  void SetUp() override { fitexpo::ResetOptions(); }
  void TearDown() override { fitexpo::ResetOptions(); }
};

// On equally spaced data the trapezoidal sums of a single exponential are
// the exact integrals times (r h / 2) coth(r h / 2), the same factor at every
// step, and so are the repeated sums; the first regression is then exact and
// its characteristic polynomial has the roots (2/h) tanh(r h / 2), below r by
// the relative bias d = 1 - tanh(r h / 2) / (r h / 2), about (r h)^2 / 12.
// The rate estimates are checked against those roots, to rounding. The
// amplitudes, fitted with the slightly low rates, are checked against the
// true ones: a rate off by d r changes exp(-r X) by about d r X, so the
// largest d r X over the terms, at the last X, bounds the relative error.
TEST_P(ExpoEstimateTest, LandsOnTheTrapezoidalRates)
{
  const TExpoEstimateCase& C = GetParam();
  const int Count = static_cast<int>(C.Rates.size());
  std::vector<Float> Xv, Yv;
  Float Tail = 0.0;  // the sum of the terms at the last X
  for (int I = 0; I < C.N; ++I) {
    const Float X = C.Start + I * C.Step;
    Float Y = 0.0;
    for (int K = 0; K < Count; ++K)
      Y += C.Amplitudes[static_cast<std::size_t>(K)] * std::exp(-C.Rates[static_cast<std::size_t>(K)] * X);
    Xv.push_back(X);
    Yv.push_back(Y);
    Tail = Y;
  }
  // With the constant term the data get the constant that the estimate's
  // start 0.9 min Y reproduces: C0 = 0.9 (C0 + Tail), so C0 = 9 Tail.
  const Float Constant = C.ConstantTerm ? 9.0 * Tail : 0.0;
  for (Float& Y : Yv)
    Y += Constant;

  fitexpo::Configure(OptionVector({static_cast<Float>(Count), C.ConstantTerm ? 1.0 : 0.0}));
  const TVector X = Observations(Xv), Y = Observations(Yv);
  TVector B;
  AllocVector(B, 2 * Count);
  ASSERT_EQ(fitexpo::Estimate(0, X, Y, TVector(), C.N, B), 0) << C.Name;

  if (C.ConstantTerm)
    EXPECT_NEAR(B[0], Constant, 8 * MachineEpsilon * Constant) << C.Name;  // 0.9 min Y, a few roundings
  else
    EXPECT_EQ(B[0], 0.0) << C.Name;

  Float AmplitudeTol = 0.0;
  for (Float R : C.Rates) {
    const Float Bias = 1.0 - std::tanh(R * C.Step / 2.0) / (R * C.Step / 2.0);
    AmplitudeTol = std::max(AmplitudeTol, Bias * R * Xv.back());
  }
  for (int K = 1; K <= Count; ++K) {
    const Float R = C.Rates[static_cast<std::size_t>(K - 1)];
    const Float Discrete = 2.0 / C.Step * std::tanh(R * C.Step / 2.0);
    const Float A = C.Amplitudes[static_cast<std::size_t>(K - 1)];
    EXPECT_NEAR(B[2 * K], Discrete, C.RateTol * Discrete)
      << C.Name << ": rate " << K << " is " << B[2 * K] << ", expected " << Discrete << " (true rate " << R
      << "), relative error " << RelativeError(B[2 * K], Discrete);
    EXPECT_NEAR(B[2 * K - 1], A, AmplitudeTol * std::fabs(A))
      << C.Name << ": amplitude " << K << " is " << B[2 * K - 1] << ", expected " << A << ", relative error "
      << RelativeError(B[2 * K - 1], A) << ", bound " << AmplitudeTol;
  }
}

// RateTol: the first regression's design, columns scaled to unit length, has
// the condition number 6 for one exponential, 4e2 for two and 2e4 for three
// (numpy's cond on these data); its rounding error, cond times eps, is
// allowed a factor of about 1000 for the sums over N points and the root
// finding.
INSTANTIATE_TEST_SUITE_P(
  Cases, ExpoEstimateTest,
  testing::Values(TExpoEstimateCase{"OneTerm", false, {5.0}, {0.4}, 0.0, 0.125, 81, 1e-12},
                  TExpoEstimateCase{"OneTermConstant", true, {5.0}, {0.4}, 0.0, 0.125, 81, 1e-12},
                  TExpoEstimateCase{"OneTermShifted", false, {5.0}, {0.4}, 5.0, 0.125, 81, 1e-12},
                  TExpoEstimateCase{"TwoTerms", false, {3.0, 2.0}, {1.0, 0.2}, 0.0, 0.05, 301, 1e-10},
                  TExpoEstimateCase{"TwoTermsConstantShifted", true, {3.0, 2.0}, {1.0, 0.2}, 2.0, 0.05, 301, 1e-10},
                  TExpoEstimateCase{"ThreeTerms", false, {2.0, 1.5, 1.0}, {3.0, 1.0, 0.25}, 0.0, 0.02, 501, 1e-9}),
  [](const testing::TestParamInfo<TExpoEstimateCase>& Info) { return std::string(Info.param.Name); });

// Data on a grid of binary fractions, so that X - 5 is exact.
struct TGridData {
  TVector X, Y;
  int N;
};

TGridData DecayData(Float Start, int Count)
{
  std::vector<Float> Xv, Yv;
  for (int I = 0; I < 41; ++I) {
    const Float T = I * 0.25;
    Xv.push_back(Start + T);
    // Deterministic deviations of about 1 %, so that nothing is exact.
    Float Y = 4.0 * std::exp(-0.6 * T) * (1.0 + 0.01 * std::sin(2.7 * I + 0.3));
    if (Count == 2)
      Y += 1.5 * std::exp(-0.1 * T);
    Yv.push_back(Y);
  }
  return {Observations(Xv), Observations(Yv), 41};
}

TEST_F(ExpoTest, ShiftedAbscissaScalesTheAmplitudesByTheRate)
{
  // The same responses at X = 0.. and at X = 5..: the fit works on X - 5,
  // so the rates agree exactly and the amplitudes differ by exp(5 rate).
  for (int Count = 1; Count <= 2; ++Count) {
    fitexpo::Configure(OptionVector({static_cast<Float>(Count), 0}));
    const TGridData At0 = DecayData(0.0, Count), At5 = DecayData(5.0, Count);
    TVector B0, B5;
    AllocVector(B0, 2 * Count);
    AllocVector(B5, 2 * Count);
    ASSERT_EQ(fitexpo::Estimate(0, At0.X, At0.Y, TVector(), At0.N, B0), 0);
    ASSERT_EQ(fitexpo::Estimate(0, At5.X, At5.Y, TVector(), At5.N, B5), 0);
    for (int K = 1; K <= Count; ++K) {
      EXPECT_EQ(B5[2 * K], B0[2 * K]) << Count << " exponentials, rate " << K;
      const Float Expected = std::exp(5.0 * B0[2 * K]) * B0[2 * K - 1];
      // One rounding each in exp and the product.
      EXPECT_NEAR(B5[2 * K - 1], Expected, 4 * MachineEpsilon * std::fabs(Expected))
        << Count << " exponentials, amplitude " << K;
    }
  }
}

TEST_F(ExpoTest, ConstantTermIsRemovedBeforeBothRegressions)
{
  // With the option the estimate equals the estimate without it on the
  // responses less 0.9 min Y, term for term, and B0 is that constant.
  for (int Count = 1; Count <= 2; ++Count) {
    const TGridData Data = DecayData(1.0, Count);
    const Float Start = 0.9 * VectorMinimum(Data.Y, 1, Data.N);
    std::vector<Float> Reduced;
    for (int I = 1; I <= Data.N; ++I)
      Reduced.push_back(Data.Y[I] - Start);
    TVector WithConstant, Without;
    AllocVector(WithConstant, 2 * Count);
    AllocVector(Without, 2 * Count);

    fitexpo::Configure(OptionVector({static_cast<Float>(Count), 1}));
    ASSERT_EQ(fitexpo::Estimate(0, Data.X, Data.Y, TVector(), Data.N, WithConstant), 0);
    fitexpo::Configure(OptionVector({static_cast<Float>(Count), 0}));
    ASSERT_EQ(fitexpo::Estimate(0, Data.X, Observations(Reduced), TVector(), Data.N, Without), 0);

    EXPECT_EQ(WithConstant[0], Start);
    for (int K = 1; K <= 2 * Count; ++K)
      EXPECT_EQ(WithConstant[K], Without[K]) << Count << " exponentials, B" << K;
  }
}

TEST_F(ExpoTest, RatesComeInDescendingOrder)
{
  // The slow term listed first in the data; the estimate puts the fast one first.
  std::vector<Float> Xv, Yv;
  for (int I = 0; I < 201; ++I) {
    const Float X = I * 0.05;
    Xv.push_back(X);
    Yv.push_back(2.0 * std::exp(-0.2 * X) + 3.0 * std::exp(-1.5 * X));
  }
  fitexpo::Configure(OptionVector({2, 0}));
  TVector B;
  AllocVector(B, 4);
  ASSERT_EQ(fitexpo::Estimate(0, Observations(Xv), Observations(Yv), TVector(), 201, B), 0);
  EXPECT_GT(B[2], B[4]);
  // Amplitudes follow their rates, within the bound d r X of the table
  // above: (0.075^2 / 12) 1.5 10 = 7e-3.
  EXPECT_NEAR(B[1], 3.0, 7e-3 * 3.0) << "amplitude of the fast term";
  EXPECT_NEAR(B[3], 2.0, 7e-3 * 2.0) << "amplitude of the slow term";
}

TEST_F(ExpoTest, ComplexCharacteristicRootsGiveMinusTwo)
{
  // exp(-0.3 x) cos(2 x) satisfies y'' + 0.6 y' + 4.09 y = 0, whose
  // characteristic roots 0.3 +- 2i are complex; B[1..4] stay as given.
  std::vector<Float> Xv, Yv;
  for (int I = 0; I < 121; ++I) {
    const Float X = I * 0.05;
    Xv.push_back(X);
    Yv.push_back(std::exp(-0.3 * X) * std::cos(2.0 * X));
  }
  fitexpo::Configure(OptionVector({2, 0}));
  TVector B = Params({9, 9, 9, 9, 9});
  EXPECT_EQ(fitexpo::Estimate(0, Observations(Xv), Observations(Yv), TVector(), 121, B), -2);
  for (int K = 1; K <= 4; ++K)
    EXPECT_EQ(B[K], 9.0) << "B" << K;
}

TEST_F(ExpoTest, ModeOtherThanZeroOrOneGivesMinusOne)
{
  const TGridData Data = DecayData(0.0, 1);
  TVector B = Params({9, 9, 9});
  for (int Mode : {-1, 2, 7}) {
    EXPECT_EQ(fitexpo::Estimate(Mode, Data.X, Data.Y, Data.Y, Data.N, B), -1) << "Mode " << Mode;
    EXPECT_EQ(B[1], 9.0);
    EXPECT_EQ(B[2], 9.0);
  }
}

TEST_F(ExpoTest, SingularFirstRegressionGivesMinusOne)
{
  // Zero responses make the integral column zero; the normal equations
  // report the singular system (the singular-value method would return the
  // minimum-norm solution instead).
  LinearSolveMethod = LinearByNormalEquations;
  TVector B = Params({9, 9, 9});
  const TVector X = Observations({0, 1, 2, 3, 4, 5});
  const TVector Y = Observations({0, 0, 0, 0, 0, 0});
  EXPECT_EQ(fitexpo::Estimate(0, X, Y, TVector(), 6, B), -1);
  EXPECT_EQ(B[1], 9.0);
  EXPECT_EQ(B[2], 9.0);
}

TEST_F(ExpoTest, WeightedEstimateIgnoresAZeroWeightLastPoint)
{
  // The last point enters only the last row of both regressions, so a zero
  // weight there removes it: a spoiled last response then changes nothing.
  // Unit weights reproduce the unweighted estimate exactly.
  const TGridData Data = DecayData(0.0, 2);
  const int N = Data.N;
  fitexpo::Configure(OptionVector({2, 0}));

  TVector Unweighted, UnitWeights;
  AllocVector(Unweighted, 4);
  AllocVector(UnitWeights, 4);
  std::vector<Float> Ones(static_cast<std::size_t>(N), 1.0);
  ASSERT_EQ(fitexpo::Estimate(0, Data.X, Data.Y, TVector(), N - 1, Unweighted), 0);
  ASSERT_EQ(fitexpo::Estimate(1, Data.X, Data.Y, Observations(Ones), N - 1, UnitWeights), 0);
  for (int K = 1; K <= 4; ++K)
    EXPECT_EQ(UnitWeights[K], Unweighted[K]) << "B" << K;

  Ones.back() = 0.0;
  TVector Spoiled = Copy(Data.Y);
  Spoiled[N] = 50.0;
  TVector Weighted;
  AllocVector(Weighted, 4);
  ASSERT_EQ(fitexpo::Estimate(1, Data.X, Spoiled, Observations(Ones), N, Weighted), 0);
  // A zero row changes the singular-value solution only by rounding.
  for (int K = 1; K <= 4; ++K)
    EXPECT_NEAR(Weighted[K], Unweighted[K], 1e-10 * std::fabs(Unweighted[K])) << "B" << K;
}

TEST_F(ExpoTest, AmplitudeBeyondTheRangeFaults)
{
  // Data starting at X = 2000 with amplitude 2 there: the amplitude at X = 0,
  // near 2 exp(2000 * 0.5), exceeds the double range.
  std::vector<Float> Xv, Yv;
  for (int I = 0; I < 21; ++I) {
    Xv.push_back(2000.0 + I);
    Yv.push_back(2.0 * std::exp(-0.5 * I));
  }
  fitexpo::Configure(OptionVector({1, 0}));
  TVector B;
  AllocVector(B, 2);
  EXPECT_THROW(fitexpo::Estimate(0, Observations(Xv), Observations(Yv), TVector(), 21, B), ArithmeticFault);
}

// ---------------------------------------------------------------------------
// fitiexpo

class IexpoTest : public testing::Test {
protected:
  void SetUp() override { fitiexpo::ResetOptions(); }
  void TearDown() override { fitiexpo::ResetOptions(); }
};

TEST_F(IexpoTest, ConstantTermOnlyForExactlyOne)
{
  EXPECT_EQ(fitiexpo::ParamLow(), 1);  // start-up: off
  EXPECT_EQ(fitiexpo::ParamHigh(), 2);
  const struct {
    Float Flag;
    int Low;
  } Steps[] = {{1, 0}, {1, 0}, {2, 1}, {1, 0}, {0.999, 1}, {1.0, 0}, {0, 1}};
  for (const auto& S : Steps) {
    fitiexpo::Configure(OptionVector({S.Flag}));
    EXPECT_EQ(fitiexpo::ParamLow(), S.Low) << "flag " << S.Flag;
    EXPECT_EQ(fitiexpo::ParamHigh(), 2);
  }
  fitiexpo::Configure(OptionVector({1}));
  fitiexpo::ResetOptions();
  EXPECT_EQ(fitiexpo::ParamLow(), 1);
}

TEST_F(IexpoTest, ValueAddsTheConstantOnlyWithTheOption)
{
  const TVector B = Params({0.5, 4.0, 0.3});
  const Float Rise = 4.0 * (1.0 - std::exp(-0.3 * 2.0));
  // A few roundings of a two-operation formula.
  EXPECT_NEAR(fitiexpo::Value(2.0, B), Rise, 4 * MachineEpsilon * Rise);
  fitiexpo::Configure(OptionVector({1}));
  EXPECT_NEAR(fitiexpo::Value(2.0, B), 0.5 + Rise, 4 * MachineEpsilon * Rise);
}

TEST_F(IexpoTest, DerivativesMatchCentralDifferences)
{
  const std::vector<std::vector<Float>> Bs = {{0.0, 4.0, 0.3}, {1.2, -2.5, 1.7}, {-0.3, 10.0, 0.02}};
  for (bool Constant : {false, true}) {
    fitiexpo::Configure(OptionVector({Constant ? 1.0 : 0.0}));
    for (const auto& Bv : Bs)
      for (Float X : {0.1, 1.0, 3.0, 12.0})
        ExpectDerivativesMatchDifferences(fitiexpo::Value, fitiexpo::Derivatives, Params(Bv), X,
                                          fitiexpo::ParamLow(), 2, Constant ? "constant" : "no constant");
  }
}

// The rate c at which 1.1 (C + T (1 - exp(-c XN))) = T with
// C = 9 T (1 - exp(-c X1)): the estimate's plateau 1.1 max Y and constant
// 0.9 min Y are then exactly T and C. Bisection on the increasing function.
Float ConsistentRate(Float X1, Float XN)
{
  Float Lo = 0.0, Hi = 10.0;
  for (int I = 0; I < 200; ++I) {
    const Float C = 0.5 * (Lo + Hi);
    const Float G = 9.0 * (1.0 - std::exp(-C * X1)) + 1.0 - std::exp(-C * XN) - 1.0 / 1.1;
    (G < 0.0 ? Lo : Hi) = C;
  }
  return 0.5 * (Lo + Hi);
}

TEST_F(IexpoTest, EstimateRecoversDataWhoseLinearisationIsExact)
{
  // Data from the model whose plateau T and constant C are those the
  // estimate starts from: ln(1 - y/B1) is then exactly -c X and the line fit
  // returns c. Without the constant, c = ln 11 / XN gives 1.1 max Y = T.
  // Tolerance: rounding in the logarithms, whose arguments stay above
  // 1/11, amplified by the line fit over X in [0.5, 10]: 1e-10 relative.
  const Float T = 7.0;
  std::vector<Float> Xv;
  for (int I = 1; I <= 20; ++I)
    Xv.push_back(0.5 * I);
  const TVector X = Observations(Xv);
  for (bool Constant : {false, true}) {
    const Float C = Constant ? ConsistentRate(0.5, 10.0) : std::log(11.0) / 10.0;
    const Float Base = Constant ? 9.0 * T * (1.0 - std::exp(-C * 0.5)) : 0.0;
    std::vector<Float> Yv;
    for (Float Xi : Xv)
      Yv.push_back(Base + T * (1.0 - std::exp(-C * Xi)));
    fitiexpo::Configure(OptionVector({Constant ? 1.0 : 0.0}));
    TVector B = Params({9, 9, 9});
    ASSERT_EQ(fitiexpo::Estimate(0, X, Observations(Yv), TVector(), 20, B), 0);
    EXPECT_NEAR(B[0], Base, 1e-10 * T) << (Constant ? "constant" : "no constant");
    EXPECT_NEAR(B[1], T, 1e-10 * T) << (Constant ? "constant" : "no constant");
    EXPECT_NEAR(B[2], C, 1e-10 * C) << (Constant ? "constant" : "no constant") << ", relative error "
                                     << RelativeError(B[2], C);
  }
}

TEST_F(IexpoTest, EstimateIsTheLineOfTheTransformWeightedByTheGap)
{
  // Scattered data, so that the weights matter: ln(1 - y/B1) on X with the
  // weights (y - B1)^2 (times W in Mode 1), y = Y - B0 with the constant.
  // The reference line is solved in long double from the normal equations;
  // both round only in sums of seven terms of size near 1: 1e-11 relative.
  const std::vector<Float> Xv = {0.5, 1, 2, 3, 5, 8, 12};
  const std::vector<Float> Yv = {1.1, 2.3, 3.2, 4.6, 5.1, 6.3, 6.2};
  const std::vector<Float> Wv = {1, 2, 0.5, 1, 3, 1, 0.25};
  for (bool Constant : {false, true})
    for (int Mode : {0, 1}) {
      fitiexpo::Configure(OptionVector({Constant ? 1.0 : 0.0}));
      const Float B0 = Constant ? 0.9 * 1.1 : 0.0;
      const Float B1 = 1.1 * 6.3;
      long double S0 = 0, Sx = 0, Sz = 0, Sxx = 0, Sxz = 0;
      for (std::size_t I = 0; I < Xv.size(); ++I) {
        const long double Y = Yv[I] - B0;
        const long double Z = std::log(1.0L - Y / B1);
        const long double W = (Y - B1) * (Y - B1) * (Mode == 1 ? Wv[I] : 1.0);
        S0 += W;
        Sx += W * Xv[I];
        Sz += W * Z;
        Sxx += W * Xv[I] * Xv[I];
        Sxz += W * Xv[I] * Z;
      }
      const Float Rate = static_cast<Float>(-(S0 * Sxz - Sx * Sz) / (S0 * Sxx - Sx * Sx));
      TVector B = Params({9, 9, 9});
      ASSERT_EQ(fitiexpo::Estimate(Mode, Observations(Xv), Observations(Yv), Observations(Wv), 7, B), 0);
      EXPECT_NEAR(B[2], Rate, 1e-11 * Rate) << (Constant ? "constant" : "no constant") << ", Mode " << Mode;
    }
}

TEST_F(IexpoTest, PlateauIsElevenTenthsOfTheLargestResponseAlsoWithConstant)
{
  const TVector X = Observations({1, 2, 3, 4, 5});
  const TVector Y = Observations({3.0, 4.5, 5.2, 5.6, 5.7});
  fitiexpo::Configure(OptionVector({1}));
  TVector B = Params({9, 9, 9});
  ASSERT_EQ(fitiexpo::Estimate(0, X, Y, TVector(), 5, B), 0);
  EXPECT_EQ(B[0], 0.9 * 3.0);
  EXPECT_EQ(B[1], 1.1 * 5.7);
  EXPECT_GT(B[2], 0.0);
}

TEST_F(IexpoTest, ZeroWeightLastPointIsIgnoredAndOtherModesAreUnweighted)
{
  // The last point's response stays below the largest one, so the plateau is
  // the same with or without it; its zero weight removes it from the line.
  const TVector X = Observations({1, 2, 3, 4, 5, 6});
  const TVector Y = Observations({2.0, 3.1, 3.9, 4.3, 4.6, 0.5});
  const TVector W = Observations({1, 1, 1, 1, 1, 0});
  TVector Weighted = Params({9, 9, 9}), Trimmed = Params({9, 9, 9});
  ASSERT_EQ(fitiexpo::Estimate(1, X, Y, W, 6, Weighted), 0);
  ASSERT_EQ(fitiexpo::Estimate(0, X, Y, TVector(), 5, Trimmed), 0);
  EXPECT_EQ(Weighted[1], Trimmed[1]);
  EXPECT_EQ(Weighted[2], Trimmed[2]);

  // Mode 2 ignores the weights: all six points count.
  TVector Mode2 = Params({9, 9, 9}), Mode0 = Params({9, 9, 9});
  ASSERT_EQ(fitiexpo::Estimate(2, X, Y, W, 6, Mode2), 0);
  ASSERT_EQ(fitiexpo::Estimate(0, X, Y, TVector(), 6, Mode0), 0);
  EXPECT_EQ(Mode2[2], Mode0[2]);
  EXPECT_NE(Mode2[2], Weighted[2]);
}

TEST_F(IexpoTest, FailedLineFitKeepsTheRate)
{
  // All X equal: no line. B0 and B1 are written first, B2 stays.
  fitiexpo::Configure(OptionVector({1}));
  TVector B = Params({9, 9, 9});
  EXPECT_EQ(fitiexpo::Estimate(0, Observations({2, 2, 2}), Observations({1, 2, 3}), TVector(), 3, B), -1);
  EXPECT_EQ(B[0], 0.9 * 1.0);
  EXPECT_EQ(B[1], 1.1 * 3.0);
  EXPECT_EQ(B[2], 9.0);
}

TEST_F(IexpoTest, ResponseAbovePlateauEntersTheLineAsMinusMaxFloat)
{
  // Negative responses put B1 = 1.1 max Y = -1.1 below the largest one; the
  // last point, y = -2, gives 1 - y/B1 < 0 and the guarded logarithm returns
  // -MaxFloat with a domain status. Its tiny weight keeps the line's sums
  // finite, and the line is pulled far beyond anything the other points give.
  const TVector X = Observations({1, 2, 3, 4, 5});
  const TVector Y = Observations({-1.09, -1.05, -1.02, -1.0, -2.0});
  const TVector W = Observations({1, 1, 1, 1, 1e-300});
  TVector Good = Params({9, 9, 9}), All = Params({9, 9, 9});
  ASSERT_EQ(fitiexpo::Estimate(0, X, Y, TVector(), 4, Good), 0);
  ASSERT_EQ(fitiexpo::Estimate(1, X, Y, W, 5, All), 0);
  EXPECT_EQ(MathStatus(), MathDomain);
  EXPECT_EQ(All[1], Good[1]);
  EXPECT_LT(std::fabs(Good[2]), 10.0) << "rate from the four usable points " << Good[2];
  EXPECT_GT(std::fabs(All[2]), 1e6) << "rate with -MaxFloat in the line " << All[2];
}

TEST_F(IexpoTest, ResponseAbovePlateauWithLargeWeightOverflowsTheLine)
{
  // y = -3 against B1 = -1.1: the weight (y - B1)^2 = 3.61 times -MaxFloat
  // overflows the line fit's sums, which faults.
  TVector B = Params({9, 9, 9});
  EXPECT_THROW(fitiexpo::Estimate(0, Observations({0, 1, 2}), Observations({-1.0, -1.05, -3.0}), TVector(), 3, B),
               ArithmeticFault);
}

TEST_F(IexpoTest, ZeroPlateauFaults)
{
  // The largest response 0 gives B1 = 0 and y / B1 divides by zero.
  TVector B = Params({9, 9, 9});
  EXPECT_THROW(fitiexpo::Estimate(0, Observations({1, 2, 3}), Observations({-1, -0.5, 0}), TVector(), 3, B),
               ArithmeticFault);
}

// ---------------------------------------------------------------------------
// fitexlin

TEST(ExlinTest, ParameterRangeAndValue)
{
  EXPECT_EQ(fitexlin::ParamLow(), 0);
  EXPECT_EQ(fitexlin::ParamHigh(), 2);
  const TVector B = Params({5.0, 0.5, 0.3});
  const Float Expected = 5.0 * (1.0 - std::exp(-0.5 * 3.0)) + 0.3 * 3.0;
  EXPECT_NEAR(fitexlin::Value(3.0, B), Expected, 4 * MachineEpsilon * Expected);  // a few roundings
}

TEST(ExlinTest, DerivativesMatchCentralDifferences)
{
  const std::vector<std::vector<Float>> Bs = {{5.0, 0.5, 0.3}, {-2.0, 2.0, 1.5}, {100.0, 0.01, -0.2}};
  for (const auto& Bv : Bs)
    for (Float X : {0.0, 0.2, 1.0, 4.0, 30.0})
      ExpectDerivativesMatchDifferences(fitexlin::Value, fitexlin::Derivatives, Params(Bv), X, 0, 2, "exlin");
}

struct TSlopeCase {
  const char* Name;
  int N;
  int High;  // the point paired with N for the high-end slope
  int Low;   // the point paired with 1 for the low-end slope
};

void PrintTo(const TSlopeCase& C, std::ostream* Os) { *Os << C.Name; }

class ExlinSlopeTest : public testing::TestWithParam<TSlopeCase> {};

// With X = i and Y = i^2 the slope between points a and b is a + b, so the
// estimate reveals which points it used: B2 = N + K, B0 = N^2 - (N + K) N,
// Ds = L + 1 and B1 = (Ds - B2) / B0, all exact in binary arithmetic but the
// last division. The point indexes come from Python's round (halves to even)
// of 0.9 N and 0.1 N, then the corrections K = N -> N - 1 and L < 2 -> 2.
TEST_P(ExlinSlopeTest, UsesThePointsOfTheRoundedTenths)
{
  const TSlopeCase& C = GetParam();
  std::vector<Float> Xv, Yv;
  for (int I = 1; I <= C.N; ++I) {
    Xv.push_back(I);
    Yv.push_back(static_cast<Float>(I) * I);
  }
  TVector B = Params({9, 9, 9});
  ASSERT_EQ(fitexlin::Estimate(Observations(Xv), Observations(Yv), C.N, B), 0);
  const Float B2 = C.N + C.High;
  const Float B0 = static_cast<Float>(C.N) * C.N - B2 * C.N;
  EXPECT_EQ(B[2], B2) << C.Name;
  EXPECT_EQ(B[0], B0) << C.Name;
  EXPECT_EQ(B[1], (C.Low + 1.0 - B2) / B0) << C.Name;
}

INSTANTIATE_TEST_SUITE_P(Cases, ExlinSlopeTest,
                         testing::Values(TSlopeCase{"Two", 2, 1, 2}, TSlopeCase{"Three", 3, 2, 2},
                                         TSlopeCase{"Five", 5, 4, 2}, TSlopeCase{"Ten", 10, 9, 2},
                                         TSlopeCase{"Fifteen", 15, 14, 2}, TSlopeCase{"TwentyFive", 25, 22, 2},
                                         TSlopeCase{"ThirtyFive", 35, 32, 4}),
                         [](const testing::TestParamInfo<TSlopeCase>& Info) { return std::string(Info.param.Name); });

TEST(ExlinTest, EstimateOnDenseLowEndLandsNearTheParameters)
{
  // B = (5, 0.5, 0.3) at X = 0 and 0.01 * 2^k (k = 0..12). The high-end slope
  // uses X = 20.48 and 40.96, where the exponential part is below 2e-4, so B2
  // and B0 are within 1e-4 relative; the low-end secant over [0, 0.01]
  // underestimates the initial slope by B1 X2 / 2 = 0.25 %, so B1 within 1 %.
  std::vector<Float> Xv = {0.0}, Yv;
  for (int K = 0; K <= 12; ++K)
    Xv.push_back(0.01 * std::ldexp(1.0, K));
  for (Float X : Xv)
    Yv.push_back(5.0 * (1.0 - std::exp(-0.5 * X)) + 0.3 * X);
  TVector B = Params({9, 9, 9});
  ASSERT_EQ(fitexlin::Estimate(Observations(Xv), Observations(Yv), 14, B), 0);
  EXPECT_NEAR(B[0], 5.0, 1e-3 * 5.0) << "relative error " << RelativeError(B[0], 5.0);
  EXPECT_NEAR(B[1], 0.5, 1e-2 * 0.5) << "relative error " << RelativeError(B[1], 0.5);
  EXPECT_NEAR(B[2], 0.3, 1e-3 * 0.3) << "relative error " << RelativeError(B[2], 0.3);
}

TEST(ExlinTest, FaultCasesPropagate)
{
  TVector B = Params({9, 9, 9});
  // Equal X at the high-end points 9 and 10.
  EXPECT_THROW(fitexlin::Estimate(Observations({1, 2, 3, 4, 5, 6, 7, 8, 9, 9}),
                                  Observations({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), 10, B),
               ArithmeticFault);
  // Equal X at the low-end points 1 and 2.
  EXPECT_THROW(fitexlin::Estimate(Observations({1, 1, 3, 4, 5}), Observations({1, 2, 3, 4, 6}), 5, B),
               ArithmeticFault);
  // A straight line through the origin: B0 = 0.
  EXPECT_THROW(fitexlin::Estimate(Observations({1, 2, 3, 4, 5}), Observations({2, 4, 6, 8, 10}), 5, B),
               ArithmeticFault);
}

TEST(ExlinTest, SinglePointGivesMinusOneAndKeepsB)
{
  TVector B = Params({9, 9, 9});
  EXPECT_EQ(fitexlin::Estimate(Observations({1}), Observations({2}), 1, B), -1);
  for (int K = 0; K <= 2; ++K)
    EXPECT_EQ(B[K], 9.0);
}

}  // namespace
}  // namespace Titrelle
