// The Metropolis-Hastings sampler: acceptance, proposal spreads, the saved
// sample and its moments, and failures of the proposal covariance.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "optimisation/mcmc.h"
#include "tests/optimisation/optimisation_test_support.h"

namespace Titrelle {
namespace {

using Testing::MakeVector;
using Testing::ObjectiveCalls;
using Testing::Record;
using Testing::RecordedCalls;
using Testing::RecordedPoints;
using Testing::ResetRecord;

TMatrix MakeMatrix2(Float A11, Float A12, Float A21, Float A22)
{
  TMatrix A;
  AllocMatrix(A, 2, 2);
  A[1][1] = A11;
  A[1][2] = A12;
  A[2][1] = A21;
  A[2][2] = A22;
  return A;
}

// Saves and restores the sampler settings, makes the platform source
// reproducible and empties the pending normal deviate, which reseeding keeps.
class MetropolisTest : public testing::Test {
protected:
  void SetUp() override
  {
    SavedCycles = MetropolisCycles;
    SavedSteps = MetropolisSteps;
    SavedSaved = MetropolisSaved;
    Testing::SourceState = 31337;
    SetPlatformRandomSource(Testing::DeterministicSource);
    InitRandnum();
    ObjectiveCalls = 0;
    ResetRecord(1, 2);
  }

  void TearDown() override
  {
    MetropolisCycles = SavedCycles;
    MetropolisSteps = SavedSteps;
    MetropolisSaved = SavedSaved;
    SetPlatformRandomSource(nullptr);
  }

  // Samples sized for the current MetropolisSaved, two parameters.
  static TMatrix SampleMatrix()
  {
    TMatrix Samples;
    AllocMatrix(Samples, 2, MetropolisSaved);
    return Samples;
  }

private:
  int SavedCycles = 0, SavedSteps = 0, SavedSaved = 0;
};

Float ConstantRecorded(const TVector& X)
{
  Record(X);
  ++ObjectiveCalls;
  return 3.0;
}

// ---------------------------------------------------------------------------
// AcceptMetropolisStep

struct TAcceptCase {
  const char* Name;
  std::uint32_t Seed1, Seed2;
  Float (*DeltaF)(Float U, Float T);  // from the first uniform draw U
  bool Accepted;
  bool DrawsANumber;
};

class AcceptMetropolisStepTest : public testing::TestWithParam<TAcceptCase> {};

TEST_P(AcceptMetropolisStepTest, AppliesTheMetropolisRule)
{
  const TAcceptCase& C = GetParam();
  const Float T = 2.5;
  SeedRandom(C.Seed1, C.Seed2);
  const Float U1 = RandomUniform();
  const Float U2 = RandomUniform();
  SeedRandom(C.Seed1, C.Seed2);
  EXPECT_EQ(AcceptMetropolisStep(C.DeltaF(U1, T), T), C.Accepted);
  // The next draw shows whether the decision used one.
  EXPECT_EQ(RandomUniform(), C.DrawsANumber ? U2 : U1);
}

// DeltaF = -T ln U (1 -+ 1e-9) puts e^(-DeltaF / T) a relative 1e-9 |ln U|
// above or below the draw U, far beyond the rounding of exp (1e-16). The
// seeds (2048, 0) make U = 0, which any positive probability beats:
// e^-709.78 ~ 5.6e-309 is still positive, but above MaxExpArgument
// (709.7827) the step is rejected outright, without a draw.
INSTANTIATE_TEST_SUITE_P(
  Cases, AcceptMetropolisStepTest,
  testing::Values(
    TAcceptCase{"DownhillWithoutADraw", 1802, 9373, [](Float, Float) { return -1e-300; }, true, false},
    TAcceptCase{"TieIsAccepted", 1802, 9373, [](Float, Float) { return 0.0; }, true, true},
    TAcceptCase{"UphillJustBelowTheDraw", 1802, 9373, [](Float U, Float T) { return -T * std::log(U) * (1 - 1e-9); },
                true, true},
    TAcceptCase{"UphillJustAboveTheDraw", 1802, 9373, [](Float U, Float T) { return -T * std::log(U) * (1 + 1e-9); },
                false, true},
    TAcceptCase{"ZeroDrawAcceptsBelowTheExponentLimit", Testing::ZeroUniformSeed1, Testing::ZeroUniformSeed2,
                [](Float, Float T) { return 709.78 * T; }, true, true},
    TAcceptCase{"AboveTheExponentLimitIsRejected", Testing::ZeroUniformSeed1, Testing::ZeroUniformSeed2,
                [](Float, Float T) { return 709.79 * T; }, false, false}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// Proposal covariance failures

struct TBadDiagonalCase {
  const char* Name;
  Float V11, V22;
};

class BadDiagonalTest : public MetropolisTest, public testing::WithParamInterface<TBadDiagonalCase> {};

// The first cycle stops before evaluating anything and leaves every output
// as it was; FMin has been set to MaxFloat before the cycle.
TEST_P(BadDiagonalTest, FailsAtOnceAndLeavesTheOutputs)
{
  const TBadDiagonalCase& C = GetParam();
  TVector X = MakeVector({0.25, -0.5});
  TMatrix V = MakeMatrix2(C.V11, 0.5, 0.5, C.V22);
  TMatrix Samples = SampleMatrix();
  Samples[1][1] = 42.0;
  TVector XMin = MakeVector({7.0, 8.0});
  Float FMin = 0.0;
  EXPECT_EQ(SampleMetropolis(ConstantRecorded, X, V, 1.0, 1, 2, Samples, XMin, FMin), SolveNotPositiveDefinite);
  EXPECT_EQ(RecordedCalls(), 0);
  EXPECT_EQ(X[1], 0.25);
  EXPECT_EQ(X[2], -0.5);
  EXPECT_EQ(V[1][1], C.V11);
  EXPECT_EQ(V[1][2], 0.5);
  EXPECT_EQ(V[2][1], 0.5);
  EXPECT_EQ(V[2][2], C.V22);
  EXPECT_EQ(Samples[1][1], 42.0);
  EXPECT_EQ(XMin[1], 7.0);
  EXPECT_EQ(XMin[2], 8.0);
  EXPECT_EQ(FMin, MaxFloat);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadDiagonalTest,
                         testing::Values(TBadDiagonalCase{"ZeroSecond", 1.0, 0.0},
                                         TBadDiagonalCase{"ZeroFirst", 0.0, 1.0},
                                         TBadDiagonalCase{"Negative", 1.0, -2.0}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(DiagonalSpreadTest, TakesTheSquareRootsOfTheDiagonal)
{
  const TMatrix V = MakeMatrix2(4.0, 9.0, 9.0, 0.25);
  TVector Sd;
  AllocVector(Sd, 2);
  ASSERT_EQ(DiagonalSpread(V, 1, 2, Sd), SolveOk);
  EXPECT_EQ(Sd[1], 2.0);
  EXPECT_EQ(Sd[2], 0.5);
}

// One saved point has zero covariance, which the second cycle cannot factor:
// the run fails with X and V from the first cycle, i.e. that point and 0.
TEST_F(MetropolisTest, SingularEstimatedCovarianceStopsTheNextCycle)
{
  MetropolisCycles = 2;
  MetropolisSteps = 5;
  MetropolisSaved = 1;
  TVector X = MakeVector({0.0, 0.0});
  TMatrix V = MakeMatrix2(1.0, 0.0, 0.0, 1.0);
  TMatrix Samples = SampleMatrix();
  TVector XMin = MakeVector({0.0, 0.0});
  Float FMin = 0.0;
  EXPECT_EQ(SampleMetropolis(ConstantRecorded, X, V, 1.0, 1, 2, Samples, XMin, FMin), SolveNotPositiveDefinite);
  // Calls: the start and five accepted trials, nothing in the second cycle.
  ASSERT_EQ(RecordedCalls(), 6);
  EXPECT_EQ(X[1], RecordedPoints[5][0]);
  EXPECT_EQ(X[2], RecordedPoints[5][1]);
  for (int I = 1; I <= 2; ++I)
    for (int J = 1; J <= 2; ++J)
      EXPECT_EQ(V[I][J], 0.0);
}

// A chain that never accepts cannot finish its cycle; the cycle gives up
// with the covariance failure status and leaves X and V as they were.
Float WallAfterStart(const TVector&)
{
  return ObjectiveCalls++ == 0 ? 0.0 : 1e300;
}

TEST_F(MetropolisTest, ChainThatAcceptsNothingGivesUp)
{
  MetropolisCycles = 1;
  MetropolisSteps = 1;
  MetropolisSaved = 1;
  TVector X = MakeVector({0.5, 0.5});
  TMatrix V = MakeMatrix2(1.0, 0.0, 0.0, 1.0);
  TMatrix Samples = SampleMatrix();
  TVector XMin = MakeVector({0.0, 0.0});
  Float FMin = 0.0;
  EXPECT_EQ(SampleMetropolis(WallAfterStart, X, V, 1.0, 1, 2, Samples, XMin, FMin), SolveNotPositiveDefinite);
  EXPECT_GT(ObjectiveCalls, 1);
  EXPECT_EQ(X[1], 0.5);
  EXPECT_EQ(X[2], 0.5);
  EXPECT_EQ(V[1][1], 1.0);
  EXPECT_EQ(V[1][2], 0.0);
  EXPECT_EQ(FMin, MaxFloat);
}

// ---------------------------------------------------------------------------
// The saved sample

// With a constant objective every trial is accepted (DeltaF = 0), so a cycle
// makes exactly MetropolisSteps trials after its start value.
TEST_F(MetropolisTest, ConstantObjectiveMakesExactlyTheRequiredTrials)
{
  TVector X = MakeVector({0.0, 0.0});
  TMatrix V = MakeMatrix2(1.0, 0.0, 0.0, 1.0);
  TMatrix Samples = SampleMatrix();
  TVector XMin = MakeVector({0.0, 0.0});
  Float FMin = 0.0;
  ASSERT_EQ(SampleMetropolis(ConstantRecorded, X, V, 1.0, 1, 2, Samples, XMin, FMin), SolveOk);
  EXPECT_EQ(RecordedCalls(), MetropolisCycles * (1 + MetropolisSteps));
  EXPECT_EQ(FMin, 3.0);
}

// Steps 10, saved 4: the saved points are the last four accepted trials of
// the cycle; X and V are their mean and their covariance divided by 4; the
// next cycle starts at that mean.
TEST_F(MetropolisTest, SavesTheLastStepsAndReturnsTheirMoments)
{
  MetropolisCycles = 2;
  MetropolisSteps = 10;
  MetropolisSaved = 4;
  TVector X = MakeVector({0.0, 0.0});
  TMatrix V = MakeMatrix2(1.0, 0.0, 0.0, 1.0);
  TMatrix Samples = SampleMatrix();
  TVector XMin = MakeVector({0.0, 0.0});
  Float FMin = 0.0;
  ASSERT_EQ(SampleMetropolis(ConstantRecorded, X, V, 1.0, 1, 2, Samples, XMin, FMin), SolveOk);
  // Calls: cycle 1 is 0 (start) and 1..10 (trials), cycle 2 is 11 and 12..21.
  ASSERT_EQ(RecordedCalls(), 22);

  auto MeanOfCalls = [](int First, int J) {
    Float Sum = 0.0;
    for (int K = First; K < First + 4; ++K)
      Sum += RecordedPoints[K][J];
    return Sum / 4.0;
  };
  // Sums of four values each round at most four times: 4 eps relative to
  // the largest magnitude, which a random walk of ten unit steps keeps
  // below 20.
  const Float Tol = 4 * MachineEpsilon * 20.0;
  for (int J = 0; J < 2; ++J)
    EXPECT_NEAR(RecordedPoints[11][J], MeanOfCalls(7, J), Tol) << "start of cycle 2, parameter " << J + 1;
  for (int C = 1; C <= 4; ++C)
    for (int J = 0; J < 2; ++J)
      EXPECT_EQ(Samples[J + 1][C], RecordedPoints[17 + C][J]) << "column " << C;
  for (int I = 0; I < 2; ++I) {
    EXPECT_NEAR(X[I + 1], MeanOfCalls(18, I), Tol);
    for (int J = 0; J < 2; ++J) {
      Float Sum = 0.0;
      for (int K = 18; K < 22; ++K)
        Sum += (RecordedPoints[K][I] - MeanOfCalls(18, I)) * (RecordedPoints[K][J] - MeanOfCalls(18, J));
      EXPECT_NEAR(V[I + 1][J + 1], Sum / 4.0, Tol * 20.0) << I + 1 << "," << J + 1;
    }
  }
}

// Increments between consecutive accepted points are the proposals. With a
// constant objective all are accepted, so their sample covariance estimates
// the proposal covariance: the diagonal of V alone in the first cycle, the
// whole V in later cycles.
struct TProposalCase {
  const char* Name;
  bool Diagonal;
  Float V11, V12, V22;
  Float Expected11, Expected12, Expected22;
};

class ProposalTest : public MetropolisTest, public testing::WithParamInterface<TProposalCase> {};

TEST_P(ProposalTest, IncrementsFollowTheProposalCovariance)
{
  const TProposalCase& C = GetParam();
  MetropolisSteps = 4000;
  MetropolisSaved = 4000;
  TVector X = MakeVector({0.0, 0.0});
  TMatrix V = MakeMatrix2(C.V11, C.V12, C.V12, C.V22);
  TMatrix Samples = SampleMatrix();
  TVector XMin = MakeVector({0.0, 0.0});
  Float FMin = MaxFloat;
  SeedRandom(5, 6);
  ASSERT_EQ(MetropolisCycle(ConstantRecorded, X, V, 1.0, 1, 2, C.Diagonal, Samples, XMin, FMin), SolveOk);
  ASSERT_EQ(RecordedCalls(), 4001);

  const int N = 4000;
  Float S11 = 0.0, S12 = 0.0, S22 = 0.0;
  for (int K = 1; K <= N; ++K) {
    const Float D1 = RecordedPoints[K][0] - RecordedPoints[K - 1][0];
    const Float D2 = RecordedPoints[K][1] - RecordedPoints[K - 1][1];
    S11 += D1 * D1;
    S12 += D1 * D2;
    S22 += D2 * D2;
  }
  // The increments are independent normal with mean 0; the standard error of
  // the estimate of covariance element (i, j) is sqrt((Vii Vjj + Vij^2) / N).
  // Five standard errors.
  auto Bound = [&](Float Vii, Float Vjj, Float Vij) { return 5.0 * std::sqrt((Vii * Vjj + Vij * Vij) / N); };
  EXPECT_NEAR(S11 / N, C.Expected11, Bound(C.Expected11, C.Expected11, C.Expected11));
  EXPECT_NEAR(S22 / N, C.Expected22, Bound(C.Expected22, C.Expected22, C.Expected22));
  EXPECT_NEAR(S12 / N, C.Expected12, Bound(C.Expected11, C.Expected22, C.Expected12));
}

INSTANTIATE_TEST_SUITE_P(
  Cases, ProposalTest,
  testing::Values(TProposalCase{"FirstCycleUsesStandardDeviations", true, 4.0, 0.0, 0.01, 4.0, 0.0, 0.01},
                  TProposalCase{"FirstCycleIgnoresCorrelation", true, 4.0, 1.8, 1.0, 4.0, 0.0, 1.0},
                  TProposalCase{"LaterCycleUsesTheCovariance", false, 4.0, 1.8, 1.0, 4.0, 1.8, 1.0}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// Sampling a normal distribution

Float HalfSquares(const TVector& X) { return 0.5 * (X[1] * X[1] + X[2] * X[2]); }

Float HalfSquaresCounted(const TVector& X)
{
  ++ObjectiveCalls;
  return HalfSquares(X);
}

// exp(-Sum X^2 / 2) at T = 1 is the standard normal in two parameters. The
// saved points are the accepted states, whose density is the target times
// a(X), the probability of accepting a unit-normal proposal from X. By
// quadrature of that acceptance integral, the accepted states have variance
// 1.01461 per parameter (a little above 1: moves out of the tails are
// accepted more often) and the chain accepts E[a] = 0.55278 of its trials.
// The Monte Carlo error of each moment is estimated by batch means over 50
// batches of the autocorrelated chain, and the checks allow five standard
// errors.
TEST_F(MetropolisTest, SamplesTheStandardNormal)
{
  constexpr int N = 100000;
  constexpr int Batches = 50;
  MetropolisCycles = 1;
  MetropolisSteps = N;
  MetropolisSaved = N;
  TVector X = MakeVector({0.0, 0.0});
  TMatrix V = MakeMatrix2(1.0, 0.0, 0.0, 1.0);
  TMatrix Samples = SampleMatrix();
  TVector XMin = MakeVector({0.0, 0.0});
  Float FMin = 0.0;
  ASSERT_EQ(SampleMetropolis(HalfSquaresCounted, X, V, 1.0, 1, 2, Samples, XMin, FMin), SolveOk);

  // Standard error of the mean of a statistic from the spread of its batch means.
  auto BatchError = [&](auto Statistic) {
    std::vector<Float> Values;
    const int Size = N / Batches;
    for (int B = 0; B < Batches; ++B) {
      Float Sum = 0.0;
      for (int C = 1 + B * Size; C <= (B + 1) * Size; ++C)
        Sum += Statistic(C);
      Values.push_back(Sum / Size);
    }
    Float Mean = 0.0;
    for (Float Value : Values)
      Mean += Value;
    Mean /= Batches;
    Float Sq = 0.0;
    for (Float Value : Values)
      Sq += (Value - Mean) * (Value - Mean);
    return std::sqrt(Sq / (Batches - 1) / Batches);
  };

  for (int I = 1; I <= 2; ++I) {
    const Float MeanError = BatchError([&](int C) { return Samples[I][C]; });
    const Float VarError = BatchError([&](int C) { return Samples[I][C] * Samples[I][C]; });
    // The checks are only as tight as the estimated errors: a chain with an
    // autocorrelation time below 100 keeps them below sqrt(2 * 100 / N) = 0.045.
    ASSERT_LT(MeanError, 0.045);
    ASSERT_LT(VarError, 0.045);
    EXPECT_NEAR(X[I], 0.0, 5 * MeanError) << "mean of parameter " << I;
    EXPECT_NEAR(V[I][I], 1.01461, 5 * VarError) << "variance of parameter " << I;
  }
  const Float CovError = BatchError([&](int C) { return Samples[1][C] * Samples[2][C]; });
  EXPECT_NEAR(V[1][2], 0.0, 5 * CovError);
  EXPECT_EQ(V[2][1], V[1][2]);

  // Acceptance rate: N accepted out of all trials (the calls but the start).
  // The number of trials per acceptance is geometric with variance
  // (1 - a) / a^2 ~ 1.5, so the trial count has a standard error of about
  // sqrt(1.5 N) ~ 390, 0.2 % of it; 0.01 in the rate (1.8 % of the count)
  // is eight such errors, still four if correlation along the chain doubles
  // them.
  EXPECT_NEAR(static_cast<Float>(N) / (ObjectiveCalls - 1), 0.55278, 0.01);

  // The best point met is the lowest of all accepted points, saved ones included.
  EXPECT_EQ(FMin, HalfSquares(XMin));
  TVector Point;
  AllocVector(Point, 2);
  for (int C = 1; C <= N; ++C) {
    Point[1] = Samples[1][C];
    Point[2] = Samples[2][C];
    ASSERT_LE(FMin, HalfSquares(Point)) << "column " << C;
  }
}

// The seed is drawn as A, then B, from the platform source and applied as
// SeedRandom(B, A); the first trial of the first cycle is then X plus
// independent normal deviates scaled by the square roots of the diagonal.
TEST_F(MetropolisTest, FirstTrialComesFromTheSeedsInReverseOrder)
{
  const TVector Start = MakeVector({0.5, -1.5});
  TVector Sd = MakeVector({2.0, 0.5});
  TVector Expected;
  AllocVector(Expected, 2);
  SeedRandom(5678, 1234);
  RandomIndependentNormal(Start, Sd, 1, 2, Expected);  // one pair: nothing left pending

  Testing::QueueSourceValues({1234, 5678});
  SetPlatformRandomSource(Testing::QueuedSource);
  MetropolisCycles = 1;
  MetropolisSteps = 1;
  MetropolisSaved = 1;
  TVector X = MakeVector({0.5, -1.5});
  TMatrix V = MakeMatrix2(4.0, 0.0, 0.0, 0.25);
  TMatrix Samples = SampleMatrix();
  TVector XMin = MakeVector({0.0, 0.0});
  Float FMin = 0.0;
  ASSERT_EQ(SampleMetropolis(ConstantRecorded, X, V, 1.0, 1, 2, Samples, XMin, FMin), SolveOk);
  ASSERT_EQ(RecordedCalls(), 2);
  EXPECT_EQ(RecordedPoints[1][0], Expected[1]);
  EXPECT_EQ(RecordedPoints[1][1], Expected[2]);
}

TEST_F(MetropolisTest, SameSourceGivesTheSameSample)
{
  MetropolisSteps = 50;
  MetropolisSaved = 20;
  auto Run = [&](std::uint32_t State, TMatrix& Samples) {
    Testing::SourceState = State;
    InitRandnum();
    TVector X = MakeVector({0.0, 0.0});
    TMatrix V = MakeMatrix2(1.0, 0.0, 0.0, 1.0);
    TVector XMin = MakeVector({0.0, 0.0});
    Float FMin = 0.0;
    Samples = SampleMatrix();
    return SampleMetropolis(HalfSquares, X, V, 1.0, 1, 2, Samples, XMin, FMin);
  };
  TMatrix First, Second, Other;
  ASSERT_EQ(Run(7, First), SolveOk);
  ASSERT_EQ(Run(7, Second), SolveOk);
  ASSERT_EQ(Run(8, Other), SolveOk);
  bool Differs = false;
  for (int I = 1; I <= 2; ++I)
    for (int C = 1; C <= 20; ++C) {
      EXPECT_EQ(First[I][C], Second[I][C]);
      Differs = Differs || First[I][C] != Other[I][C];
    }
  EXPECT_TRUE(Differs);
}

}  // namespace
}  // namespace Titrelle
