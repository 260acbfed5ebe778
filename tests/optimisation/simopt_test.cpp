// Simulated annealing: the acceptance rule, the start temperature, the step
// adjustment and termination, and whole runs inside box bounds.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "optimisation/simopt.h"
#include "tests/optimisation/optimisation_test_support.h"

namespace Titrelle {
namespace {

using Testing::MakeVector;
using Testing::ObjectiveCalls;
using Testing::Record;
using Testing::RecordedCalls;
using Testing::RecordedPoints;
using Testing::ResetRecord;

constexpr Float Ln2 = 0.69314718055994530943;

// Saves and restores the annealing settings and makes the platform source
// reproducible for the test.
class AnnealingTest : public testing::Test {
protected:
  void SetUp() override
  {
    SavedSteps = AnnealingTemperatureSteps;
    SavedTrials = AnnealingTrialsPerStep;
    SavedCooling = AnnealingCooling;
    SavedCycles = AnnealingCycles;
    Testing::SourceState = 2024;
    SetPlatformRandomSource(Testing::DeterministicSource);
    ObjectiveCalls = 0;
    ResetRecord(1, 1);
  }

  void TearDown() override
  {
    AnnealingTemperatureSteps = SavedSteps;
    AnnealingTrialsPerStep = SavedTrials;
    AnnealingCooling = SavedCooling;
    AnnealingCycles = SavedCycles;
    SetPlatformRandomSource(nullptr);
  }

private:
  int SavedSteps = 0, SavedTrials = 0, SavedCycles = 0;
  Float SavedCooling = 0.0;
};

// ---------------------------------------------------------------------------
// AcceptAnnealingStep

struct TAcceptCase {
  const char* Name;
  std::uint32_t Seed1, Seed2;
  Float (*DeltaF)(Float U, Float T);  // from the first uniform draw U
  bool Accepted;
  int UpCounted, AcceptedUpCounted;
  bool DrawsANumber;
};

class AcceptAnnealingStepTest : public testing::TestWithParam<TAcceptCase> {};

TEST_P(AcceptAnnealingStepTest, AppliesTheMetropolisRule)
{
  const TAcceptCase& C = GetParam();
  const Float T = 2.5;
  SeedRandom(C.Seed1, C.Seed2);
  const Float U1 = RandomUniform();
  const Float U2 = RandomUniform();
  SeedRandom(C.Seed1, C.Seed2);
  int NUp = 10, NAccUp = 4;
  EXPECT_EQ(AcceptAnnealingStep(NUp, NAccUp, T, C.DeltaF(U1, T)), C.Accepted);
  EXPECT_EQ(NUp, 10 + C.UpCounted);
  EXPECT_EQ(NAccUp, 4 + C.AcceptedUpCounted);
  // The next draw shows whether the decision used one.
  EXPECT_EQ(RandomUniform(), C.DrawsANumber ? U2 : U1);
}

// P = exp(-DeltaF / T) is compared with the draw U: DeltaF = -T ln U (1 -+ 1e-9)
// puts P a relative 1e-9 |ln U| above or below U, far beyond the rounding of
// exp (1e-16). The seeds (2048, 0) make U = 0, so that any P > 0 accepts:
// exp(-708) > 0, while DeltaF / T = 708.5 lies below the smallest guarded
// exponent (ln 2^-1022 = -708.4) and gives P = 0.
INSTANTIATE_TEST_SUITE_P(
  Cases, AcceptAnnealingStepTest,
  testing::Values(
    TAcceptCase{"DownhillIsNotCounted", 1802, 9373, [](Float, Float) { return -1e-300; }, true, 0, 0, false},
    TAcceptCase{"TieCountsAsUphillAndIsAccepted", 1802, 9373, [](Float, Float) { return 0.0; }, true, 1, 1, true},
    TAcceptCase{"UphillJustBelowTheDraw", 1802, 9373,
                [](Float U, Float T) { return -T * std::log(U) * (1 - 1e-9); }, true, 1, 1, true},
    TAcceptCase{"UphillJustAboveTheDraw", 1802, 9373,
                [](Float U, Float T) { return -T * std::log(U) * (1 + 1e-9); }, false, 1, 0, true},
    TAcceptCase{"ZeroDrawAcceptsTinyProbability", Testing::ZeroUniformSeed1, Testing::ZeroUniformSeed2,
                [](Float, Float T) { return 708.0 * T; }, true, 1, 1, true},
    TAcceptCase{"ProbabilityBelowTheExponentRangeIsZero", Testing::ZeroUniformSeed1, Testing::ZeroUniformSeed2,
                [](Float, Float T) { return 708.5 * T; }, false, 1, 0, true}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// StepsWithinTolerance

struct TWithinCase {
  const char* Name;
  std::vector<Float> XOpt, Step;
  bool Expected;
};

class StepsWithinToleranceTest : public testing::TestWithParam<TWithinCase> {};

TEST_P(StepsWithinToleranceTest, ComparesEachStepWithTheLargerOfRelativeAndAbsoluteTolerance)
{
  const TWithinCase& C = GetParam();
  const int Ub = static_cast<int>(C.XOpt.size());
  TVector XOpt, Step;
  AllocVector(XOpt, Ub);
  AllocVector(Step, Ub);
  for (int I = 1; I <= Ub; ++I) {
    XOpt[I] = C.XOpt[I - 1];
    Step[I] = C.Step[I - 1];
  }
  EXPECT_EQ(StepsWithinTolerance(XOpt, Step, 1, Ub, 0.001), C.Expected);
}

// Tol = 0.001: the threshold is 0.001 |XOpt| for |XOpt| > 1, else 0.001.
INSTANTIATE_TEST_SUITE_P(
  Thresholds, StepsWithinToleranceTest,
  testing::Values(TWithinCase{"LargeParameterRelative", {500.0}, {0.4}, true},
                  TWithinCase{"LargeParameterBeyond", {500.0}, {0.6}, false},
                  TWithinCase{"NegativeParameterUsesMagnitude", {-500.0}, {0.4}, true},
                  TWithinCase{"SmallParameterAbsolute", {0.5}, {0.0009}, true},
                  TWithinCase{"SmallParameterBeyond", {0.5}, {0.0011}, false},
                  TWithinCase{"StepEqualToThresholdFails", {0.0}, {0.001}, false},
                  TWithinCase{"SecondElementFails", {500.0, 0.5}, {0.4, 0.0011}, false},
                  TWithinCase{"PinnedParameterHasZeroStep", {0.7, 0.5}, {0.0, 0.0009}, true}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// InitialTemperature

// Call 1 is the start value 0; probe n (call n + 1) is (n + 1) / 2 for odd n
// and 0 for even n, so the rises are 1, 2, ..., 25 with median 13.
Float ZigZag(const TVector& X)
{
  Record(X);
  const int N = ObjectiveCalls++;
  return N % 2 == 1 ? (N + 1) / 2 : 0.0;
}

TEST_F(AnnealingTest, StartTemperatureAcceptsTheMedianRiseWithProbabilityOneHalf)
{
  TVector X = MakeVector({0.5});
  const TVector Xmin = MakeVector({0.0});
  const TVector Range = MakeVector({1.0});
  SeedRandom(1, 2);
  // exp(-13 / T) = 1/2; the quotient rounds once.
  EXPECT_NEAR(InitialTemperature(ZigZag, X, Xmin, Range, 1, 1), 13.0 / Ln2, 2 * MachineEpsilon * 13.0 / Ln2);
  EXPECT_EQ(RecordedCalls(), 51);
}

TEST_F(AnnealingTest, StartTemperatureIsOneWithoutARisingProbe)
{
  TVector X = MakeVector({0.5});
  const TVector Xmin = MakeVector({0.0});
  const TVector Range = MakeVector({1.0});
  SeedRandom(1, 2);
  EXPECT_EQ(InitialTemperature(Testing::FlatObjective, X, Xmin, Range, 1, 1), 1.0);
  EXPECT_EQ(InitialTemperature(Testing::EverLowerObjective, X, Xmin, Range, 1, 1), 1.0);
}

Float RecordOnly(const TVector& X)
{
  Record(X);
  return 0.0;
}

// The probes draw one parameter at a time, in turn, uniformly in its box,
// and the last probe stays in X.
TEST_F(AnnealingTest, StartTemperatureProbesTheParametersInTurn)
{
  ResetRecord(1, 3);
  TVector X = MakeVector({5.0, 5.0, 5.0});
  const TVector Xmin = MakeVector({-1.0, 10.0, 100.0});
  const TVector Range = MakeVector({2.0, 1.0, 0.5});
  SeedRandom(7, 11);
  InitialTemperature(RecordOnly, X, Xmin, Range, 1, 3);
  ASSERT_EQ(RecordedCalls(), 51);
  for (int P = 1; P <= 50; ++P) {
    const int Changed = (P - 1) % 3;  // parameter 1, 2, 3, 1, ... (0-based)
    for (int J = 0; J < 3; ++J) {
      const Float Now = RecordedPoints[P][J], Before = RecordedPoints[P - 1][J];
      if (J == Changed) {
        EXPECT_GE(Now, Xmin[J + 1]) << "probe " << P;
        EXPECT_LT(Now, Xmin[J + 1] + Range[J + 1]) << "probe " << P;
        EXPECT_NE(Now, Before) << "probe " << P;
      } else {
        EXPECT_EQ(Now, Before) << "probe " << P << " parameter " << J + 1;
      }
    }
  }
  for (int J = 0; J < 3; ++J)
    EXPECT_EQ(X[J + 1], RecordedPoints[50][J]);
}

// ---------------------------------------------------------------------------
// Step adjustment and termination, seen through the number of evaluations:
// a cycle costs 52 to start and 75 per iteration (5 adjustments x 15 sweeps
// x 1 parameter). The box is [0, 1], so the range is 1 and the first step 0.5.

struct TTerminationCase {
  const char* Name;
  ObjectiveFunction Func;
  Float Tol;
  int MaxIter;
  int ExpectedStatus;
  int ExpectedIterations;
  Float ExpectedFMin;
};

class AnnealingTerminationTest : public AnnealingTest, public testing::WithParamInterface<TTerminationCase> {};

TEST_P(AnnealingTerminationTest, RunsTheExpectedNumberOfIterations)
{
  const TTerminationCase& C = GetParam();
  TVector X = MakeVector({0.5});
  const TVector Xmin = MakeVector({0.0});
  const TVector Xmax = MakeVector({1.0});
  Float FMin = 0.0;
  EXPECT_EQ(MinimiseAnnealing(C.Func, X, Xmin, Xmax, 1, 1, C.MaxIter, C.Tol, FMin), C.ExpectedStatus);
  EXPECT_EQ(ObjectiveCalls, 52 + 75 * C.ExpectedIterations);
  EXPECT_EQ(FMin, C.ExpectedFMin);
}

INSTANTIATE_TEST_SUITE_P(
  Cases, AnnealingTerminationTest,
  testing::Values(
    // All moves accepted: each adjustment triples the step (ratio 1), capped
    // at the range 1, which is below Tol = 1.2 after the first iteration.
    TTerminationCase{"AcceptedStepsStopAtTheRange", Testing::EverLowerObjective, 1.2, 10, SolveOk, 1, -127.0},
    // With Tol = 0.9 the capped step never gets below it: MaxIter + 1 iterations.
    TTerminationCase{"AcceptedStepsNeverShrink", Testing::EverLowerObjective, 0.9, 3, SolveIterationLimit, 4, -352.0},
    // All moves rejected: each adjustment divides the step by 3 (ratio 0), so
    // after one iteration it is 0.5 / 3^5 = 0.0020576, below 0.00207 but above
    // 0.00205; after two iterations 0.5 / 3^10 = 8.5e-6. The start value 1
    // stays the best.
    TTerminationCase{"RejectedStepsShrinkByThree", Testing::ProbesRiseThenWallObjective, 0.00207, 10, SolveOk, 1, 1.0},
    TTerminationCase{"RejectedStepsNeedASecondIteration", Testing::ProbesRiseThenWallObjective, 0.00205, 10, SolveOk,
                     2, 1.0},
    // MaxIter = 0 still runs one iteration, then reports the limit, even when
    // the steps are within tolerance after it.
    TTerminationCase{"NoIterationsAllowed", Testing::EverLowerObjective, 0.9, 0, SolveIterationLimit, 1, -127.0},
    TTerminationCase{"NoIterationsAllowedButWithinTolerance", Testing::ProbesRiseThenWallObjective, 0.00207, 0,
                     SolveIterationLimit, 1, 1.0}),
  [](const auto& Info) { return std::string(Info.param.Name); });

Float RecordedEverLower(const TVector& X)
{
  Record(X);
  return Testing::EverLowerObjective(X);
}

// A cycle at its iteration limit ends the run; cycles that converge follow
// each other, each from the point the one before returned.
TEST_F(AnnealingTest, CyclesRunUntilOneFails)
{
  AnnealingCycles = 3;
  TVector X = MakeVector({0.5});
  const TVector Xmin = MakeVector({0.0});
  const TVector Xmax = MakeVector({1.0});
  Float FMin = 0.0;
  EXPECT_EQ(MinimiseAnnealing(RecordedEverLower, X, Xmin, Xmax, 1, 1, 0, 1.2, FMin), SolveIterationLimit);
  EXPECT_EQ(ObjectiveCalls, 127);

  ObjectiveCalls = 0;
  ResetRecord(1, 1);
  EXPECT_EQ(MinimiseAnnealing(RecordedEverLower, X, Xmin, Xmax, 1, 1, 10, 1.2, FMin), SolveOk);
  ASSERT_EQ(ObjectiveCalls, 3 * 127);
  // Every move is downhill and accepted, so the last trial of a cycle is its
  // best point, and the next cycle starts there.
  EXPECT_EQ(RecordedPoints[127], RecordedPoints[126]);
  EXPECT_EQ(RecordedPoints[254], RecordedPoints[253]);
  EXPECT_EQ(X[1], RecordedPoints[380][0]);
  EXPECT_EQ(FMin, -381.0);
}

// ---------------------------------------------------------------------------
// Whole runs on a smooth objective

// (X1 - 0.3)^2 + 2 (X2 + 0.4)^2 + (X3 - 0.5)^2 with X3 pinned at 0.7 by
// Xmin = Xmax, in the box [-1, 1] x [-1, 1] x [0.7, 0.7].
Float PinnedBowl(const TVector& X)
{
  Record(X);
  const Float A = X[1] - 0.3, B = X[2] + 0.4, C = X[3] - 0.5;
  return A * A + 2.0 * B * B + C * C;
}

class AnnealingRunTest : public AnnealingTest, public testing::WithParamInterface<std::uint32_t> {};

TEST_P(AnnealingRunTest, FindsTheMinimumInsideTheBox)
{
  Testing::SourceState = GetParam();
  ResetRecord(1, 3);
  TVector X = MakeVector({-0.9, 0.9, 0.7});
  const TVector Xmin = MakeVector({-1.0, -1.0, 0.7});
  const TVector Xmax = MakeVector({1.0, 1.0, 0.7});
  Float FMin = 0.0;
  const Float Tol = 1e-3;
  ASSERT_EQ(MinimiseAnnealing(PinnedBowl, X, Xmin, Xmax, 1, 3, 1000, Tol, FMin), SolveOk);

  // Moves never leave the box, and the pinned parameter never moves.
  for (const auto& P : RecordedPoints) {
    ASSERT_GE(P[0], -1.0);
    ASSERT_LE(P[0], 1.0);
    ASSERT_GE(P[1], -1.0);
    ASSERT_LE(P[1], 1.0);
    ASSERT_EQ(P[2], 0.7);
  }
  // The run ends once every step is below Tol while about half the moves
  // are still accepted: the chain then wanders by about a step around the
  // bottom, and the best point it met lies within Tol of it.
  EXPECT_NEAR(X[1], 0.3, Tol);
  EXPECT_NEAR(X[2], -0.4, Tol);
  EXPECT_EQ(X[3], 0.7);
  // FMin is the value of the returned point, stored when it was visited.
  EXPECT_EQ(FMin, PinnedBowl(X));
}

INSTANTIATE_TEST_SUITE_P(SourceStates, AnnealingRunTest, testing::Values(1u, 77u, 4242u));

TEST_F(AnnealingTest, SameSourceGivesTheSameRun)
{
  const TVector Xmin = MakeVector({-1.0, -1.0, 0.7});
  const TVector Xmax = MakeVector({1.0, 1.0, 0.7});
  auto Run = [&](std::uint32_t State) {
    Testing::SourceState = State;
    ResetRecord(1, 3);
    TVector X = MakeVector({-0.9, 0.9, 0.7});
    Float FMin = 0.0;
    MinimiseAnnealing(PinnedBowl, X, Xmin, Xmax, 1, 3, 5, 1e-3, FMin);
    return RecordedPoints;
  };
  const auto First = Run(99);
  EXPECT_EQ(Run(99), First);
  EXPECT_NE(Run(100), First);
}

// The seed is drawn as A, then B, from the platform source and applied as
// SeedRandom(B, A). Drawing 0 then 2048 thus gives the seeds (2048, 0),
// whose first uniform is exactly 0: the first temperature probe (the third
// evaluation) lands on Xmin.
TEST_F(AnnealingTest, SeedsFromTwoPlatformDrawsInReverseOrder)
{
  Testing::QueueSourceValues(
    {static_cast<int>(Testing::ZeroUniformSeed2), static_cast<int>(Testing::ZeroUniformSeed1)});
  SetPlatformRandomSource(Testing::QueuedSource);
  ResetRecord(1, 3);
  TVector X = MakeVector({0.2, 0.3, 0.7});
  const TVector Xmin = MakeVector({-1.0, -1.0, 0.7});
  const TVector Xmax = MakeVector({1.0, 1.0, 0.7});
  Float FMin = 0.0;
  MinimiseAnnealing(PinnedBowl, X, Xmin, Xmax, 1, 3, 0, 1e-3, FMin);
  ASSERT_GE(RecordedCalls(), 3);
  EXPECT_EQ(RecordedPoints[2][0], -1.0);
  EXPECT_EQ(RecordedPoints[2][1], 0.3);
}

}  // namespace
}  // namespace Titrelle
