// The minimisers of unit optim: Marquardt with its golden-section line
// search, bracketing and step convergence test, the simplex and BFGS.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "optimisation/optim.h"
#include "tests/optimisation/optimisation_test_support.h"

namespace Titrelle {
namespace {

using Testing::MakeVector;
using Testing::Record;
using Testing::RecordedCalls;
using Testing::RecordedPoints;
using Testing::ResetRecord;

// Index of the first parameter of the two-parameter problems below, so that
// a case can run them over a range that does not start at 1.
int Base = 1;

// (X1 - 3)^2 + 10 (X2 + 1)^2: minimum 0 at (3, -1). Its Marquardt pair is
// half the gradient and half the Hessian, diag(1, 10).
Float Separable(const TVector& X)
{
  Record(X);
  const Float A = X[Base] - 3.0, B = X[Base + 1] + 1.0;
  return A * A + 10.0 * B * B;
}

void SeparableHessGrad(ObjectiveFunction, const TVector& X, int Lb, int, const TVector& G, const TMatrix& H)
{
  G[Lb] = X[Lb] - 3.0;
  G[Lb + 1] = 10.0 * (X[Lb + 1] + 1.0);
  H[Lb][Lb] = 1.0;
  H[Lb][Lb + 1] = 0.0;
  H[Lb + 1][Lb] = 0.0;
  H[Lb + 1][Lb + 1] = 10.0;
}

// The same gradient with a zero curvature matrix: every damped matrix is zero.
void ZeroCurvatureHessGrad(ObjectiveFunction, const TVector& X, int Lb, int, const TVector& G, const TMatrix& H)
{
  G[Lb] = X[Lb] - 3.0;
  G[Lb + 1] = 10.0 * (X[Lb + 1] + 1.0);
  for (int I = Lb; I <= Lb + 1; ++I)
    for (int J = Lb; J <= Lb + 1; ++J)
      H[I][J] = 0.0;
}

// Separable shifted by -1e12: the decrease of at most 19 available from
// (0, 0) is below the relative 1e-10 (= 100) that a negative objective must
// fall by to count as an improvement. The spacing of doubles near 1e12 is
// 2^-13, so the shape of the bowl is still resolved.
Float SunkSeparable(const TVector& X) { return -1e12 + Separable(X); }

// 1/2 d^T H d with d = X - (0, 1) and H = [[4, 1], [1, 2]]: gradient
// H X - (1, 2), minimum 0 at (0, 1), H^-1 = [[2, -1], [-1, 4]] / 7. Written
// as a sum of squares, 4 d1^2 + 2 d1 d2 + 2 d2^2 = 3 d1^2 + (d1 + d2)^2 + d2^2,
// so that rounding never makes it negative near the minimum.
Float Coupled(const TVector& X)
{
  Record(X);
  const Float D1 = X[Base], D2 = X[Base + 1] - 1.0;
  return 0.5 * (3.0 * D1 * D1 + (D1 + D2) * (D1 + D2) + D2 * D2);
}

void CoupledGradient(ObjectiveFunction, const TVector& X, int Lb, int, const TVector& G)
{
  G[Lb] = 4.0 * X[Lb] + X[Lb + 1] - 1.0;
  G[Lb + 1] = X[Lb] + 2.0 * X[Lb + 1] - 2.0;
}

void CoupledHessGrad(ObjectiveFunction Func, const TVector& X, int Lb, int Ub, const TVector& G, const TMatrix& H)
{
  CoupledGradient(Func, X, Lb, Ub, G);
  H[Lb][Lb] = 4.0;
  H[Lb][Lb + 1] = 1.0;
  H[Lb + 1][Lb] = 1.0;
  H[Lb + 1][Lb + 1] = 2.0;
}

// (X1 - 1)^2 + 4 (X2 + 2)^2 with its exact gradient: Hessian diag(2, 8).
Float Elliptic(const TVector& X)
{
  Record(X);
  const Float A = X[Base] - 1.0, B = X[Base + 1] + 2.0;
  return A * A + 4.0 * B * B;
}

void EllipticGradient(ObjectiveFunction, const TVector& X, int Lb, int, const TVector& G)
{
  G[Lb] = 2.0 * (X[Lb] - 1.0);
  G[Lb + 1] = 8.0 * (X[Lb + 1] + 2.0);
}

// (X1 - 1)^2 + (X2 - 2)^2, the round bowl of the simplex cases.
Float Round(const TVector& X)
{
  Record(X);
  const Float A = X[Base] - 1.0, B = X[Base + 1] - 2.0;
  return A * A + B * B;
}

Float Constant(const TVector& X)
{
  Record(X);
  return 7.0;
}

// Two-parameter problem vectors start at Base, with Marker below it.
constexpr Float Marker = -777.0;

TMatrix FilledMatrix(int Ub, Float Value)
{
  TMatrix A;
  AllocMatrix(A, Ub, Ub);
  for (int I = 0; I <= Ub; ++I)
    for (int J = 0; J <= Ub; ++J)
      A[I][J] = Value;
  return A;
}

bool SamePoint(const std::vector<Float>& P, Float X1, Float X2) { return P[0] == X1 && P[1] == X2; }

class MinimiserTest : public testing::Test {
protected:
  void SetUp() override
  {
    Base = 1;
    ResetRecord(1, 2);
  }
};

// ---------------------------------------------------------------------------
// StepsConverged

struct TStepsCase {
  const char* Name;
  std::vector<Float> X0, X;
  bool Expected;
};

class StepsConvergedTest : public testing::TestWithParam<TStepsCase> {};

TEST_P(StepsConvergedTest, ComparesEachStepWithTheLargerOfRelativeAndAbsoluteTolerance)
{
  const TStepsCase& C = GetParam();
  TVector X0, X;
  AllocVector(X0, static_cast<int>(C.X0.size()));
  AllocVector(X, static_cast<int>(C.X.size()));
  for (std::size_t I = 0; I < C.X0.size(); ++I) {
    X0[static_cast<int>(I) + 1] = C.X0[I];
    X[static_cast<int>(I) + 1] = C.X[I];
  }
  EXPECT_EQ(StepsConverged(X0, X, 1, static_cast<int>(C.X0.size()), 0.001), C.Expected);
}

// Tol = 0.001 throughout: the threshold is 0.001 |X0| for |X0| > 1, else 0.001.
INSTANTIATE_TEST_SUITE_P(
  Thresholds, StepsConvergedTest,
  testing::Values(TStepsCase{"LargeParameterRelative", {500.0}, {500.4}, true},       // threshold 0.5
                  TStepsCase{"LargeParameterBeyond", {500.0}, {500.6}, false},
                  TStepsCase{"NegativeParameterUsesMagnitude", {-500.0}, {-500.4}, true},
                  TStepsCase{"SmallParameterAbsolute", {0.5}, {0.5009}, true},        // threshold 0.001
                  TStepsCase{"SmallParameterBeyond", {0.5}, {0.5011}, false},
                  TStepsCase{"StepEqualToThresholdFails", {0.0}, {0.001}, false},    // strict comparison
                  TStepsCase{"SecondElementFails", {500.0, 0.5}, {500.4, 0.5011}, false},
                  TStepsCase{"AllElementsPass", {500.0, 0.5, -2.0}, {500.4, 0.5009, -2.0019}, true}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// BracketMinimum

Float ShiftedParabolaRight(Float R)
{
  Record(MakeVector({R}));
  return (R - 5.0) * (R - 5.0);
}
Float ShiftedParabolaLeft(Float R)
{
  Record(MakeVector({R}));
  return (R + 3.0) * (R + 3.0);
}
Float ShiftedParabolaHalf(Float R)
{
  Record(MakeVector({R}));
  return (R - 0.5) * (R - 0.5);
}

constexpr Float Phi = GoldenRatio;

struct TBracketCase {
  const char* Name;
  LineFunction F;
  Float A, B;
  Float ExpectedA, ExpectedB, ExpectedC;
  int ExpectedCalls;  // two starting values, then one per expansion and the first C
};

class BracketMinimumTest : public testing::TestWithParam<TBracketCase> {
protected:
  void SetUp() override { ResetRecord(1, 1); }
};

TEST_P(BracketMinimumTest, ExpandsDownhillByTheGoldenRatio)
{
  const TBracketCase& C = GetParam();
  Float A = C.A, B = C.B, Cc = 0.0, FA = 0.0, FB = 0.0, FC = 0.0;
  BracketMinimum(C.F, A, B, Cc, FA, FB, FC);
  EXPECT_EQ(RecordedCalls(), C.ExpectedCalls);

  // The expected points come from the golden identities phi^2 = phi + 1 and
  // phi^4 - phi^2 = phi^3; the code reaches them through a few additions and
  // products, each rounding by half an ulp: 8 eps relative.
  EXPECT_NEAR(A, C.ExpectedA, 8 * MachineEpsilon * std::fabs(C.ExpectedA));
  EXPECT_NEAR(B, C.ExpectedB, 8 * MachineEpsilon * std::fabs(C.ExpectedB));
  EXPECT_NEAR(Cc, C.ExpectedC, 8 * MachineEpsilon * std::fabs(C.ExpectedC));
  EXPECT_LT(A, B);
  EXPECT_LT(B, Cc);
  EXPECT_LE(FB, FA);
  EXPECT_LE(FB, FC);
  // The values returned are the function at the returned points.
  EXPECT_EQ(FA, C.F(A));
  EXPECT_EQ(FB, C.F(B));
  EXPECT_EQ(FC, C.F(Cc));
}

INSTANTIATE_TEST_SUITE_P(
  Cases, BracketMinimumTest,
  testing::Values(
    // A = 1, B = 0 are exchanged; C = phi^2, then 2 phi^2, then 2 phi^2 + phi^3.
    TBracketCase{"ExchangedStartExpandsPastTheMinimum", ShiftedParabolaRight, 1.0, 0.0, Phi * Phi, 2 * Phi * Phi,
                 2 * Phi * Phi + Phi * Phi * Phi, 5},
    // F(1) > F(0): B becomes 0 and the expansion runs left through -phi,
    // -phi^3 to -2 phi^3, after which A and C are exchanged.
    TBracketCase{"UphillStartTurnsAround", ShiftedParabolaLeft, 0.0, 1.0, -2 * Phi * Phi * Phi, -Phi * Phi * Phi, -Phi,
                 5},
    // Equal values at 0 and 1 leave the order of the exchanged pair, so the
    // search looks right of 1, where C = phi^2 is higher at once.
    TBracketCase{"TiedStartLooksRightOfTheExchangedPair", ShiftedParabolaHalf, 1.0, 0.0, 0.0, 1.0, Phi * Phi, 3}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// GoldenSectionMinimise

Float ParabolaAt03(Float R)
{
  Record(MakeVector({R}));
  return (R - 0.3) * (R - 0.3);
}

struct TGoldenCase {
  const char* Name;
  Float Tol;
  int MaxIter;
  int ExpectedStatus;
  Float Accuracy;  // bound on |XMin - 0.3|
};

class GoldenSectionTest : public testing::TestWithParam<TGoldenCase> {
protected:
  void SetUp() override { ResetRecord(1, 1); }
};

// The search stops when the bracket is narrower than Tol (|X1| + |X2|); both
// points lie in a bracket around 0.3, so once it is narrower than 0.05 their
// sum is below 0.7 and the minimum lies within 0.7 Tol of the result.
TEST_P(GoldenSectionTest, FindsTheMinimumOfAParabola)
{
  const TGoldenCase& C = GetParam();
  Float XMin = -1.0, YMin = -1.0;
  const int Status = GoldenSectionMinimise(ParabolaAt03, 0.0, 1.0, C.MaxIter, C.Tol, XMin, YMin);
  EXPECT_EQ(Status, C.ExpectedStatus);
  EXPECT_NEAR(XMin, 0.3, C.Accuracy);
  EXPECT_EQ(YMin, ParabolaAt03(XMin));
}

constexpr Float SqrtEps = 1.4901161193847656E-08;

INSTANTIATE_TEST_SUITE_P(
  Cases, GoldenSectionTest,
  testing::Values(TGoldenCase{"OnePercent", 0.01, 100, SolveOk, 0.7 * 0.01},
                  // A tolerance below sqrt(eps) is raised to it: 41 section steps
                  // reach it from the bracket [-phi, 1], well inside 100.
                  TGoldenCase{"ZeroToleranceIsRaised", 0.0, 100, SolveOk, 0.7 * SqrtEps},
                  TGoldenCase{"NegativeToleranceIsRaised", -1.0, 100, SolveOk, 0.7 * SqrtEps},
                  // Five steps shrink the bracket by 0.618^6 to about 0.14: not yet
                  // narrow enough, and the best point is still within that width.
                  TGoldenCase{"IterationLimit", 0.01, 5, SolveIterationLimit, 0.15}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// The raised tolerance is exactly sqrt(MachineEpsilon): a run with Tol = 0
// evaluates F exactly as often as a run given that value.
TEST(GoldenSectionClampTest, ToleranceZeroBehavesAsSqrtEpsilon)
{
  Float XMin, YMin;
  ResetRecord(1, 1);
  ASSERT_EQ(GoldenSectionMinimise(ParabolaAt03, 0.0, 1.0, 100, 0.0, XMin, YMin), SolveOk);
  const std::vector<std::vector<Float>> WithZero = RecordedPoints;
  ResetRecord(1, 1);
  ASSERT_EQ(GoldenSectionMinimise(ParabolaAt03, 0.0, 1.0, 100, SqrtEps, XMin, YMin), SolveOk);
  EXPECT_EQ(RecordedPoints, WithZero);
  // Twice that tolerance needs fewer section steps (40 instead of 41).
  ResetRecord(1, 1);
  ASSERT_EQ(GoldenSectionMinimise(ParabolaAt03, 0.0, 1.0, 100, 2.0 * SqrtEps, XMin, YMin), SolveOk);
  EXPECT_LT(RecordedCalls(), static_cast<int>(WithZero.size()));
}

// ---------------------------------------------------------------------------
// LineMinimise

TEST_F(MinimiserTest, LineSearchMovesXToTheMinimumAlongTheDirection)
{
  TVector X = MakeVector({0.0, 0.0}, 1, Marker);
  const TVector D = MakeVector({2.0, 4.0});
  Float FMin = -1.0;
  ASSERT_EQ(LineMinimise(Round, X, D, 1, 2, 100, 1e-6, FMin), SolveOk);
  // The minimum is at R = 0.5; the final bracket is narrower than
  // 1e-6 (|X1| + |X2|) ~ 1e-6 in R, i.e. 4e-6 along D (largest component 4).
  EXPECT_NEAR(X[1], 1.0, 4e-6);
  EXPECT_NEAR(X[2], 2.0, 4e-6);
  EXPECT_EQ(X[0], Marker);
  // X moves by R D with the same arithmetic as the trial point, so FMin is
  // the objective at X exactly.
  EXPECT_EQ(FMin, Round(X));
}

Float Bowl(const TVector& X)
{
  Record(X);
  return X[1] * X[1] + X[2] * X[2];
}

// Two section steps cannot narrow the bracket enough: the search reports its
// limit, leaves X where it was and still writes the best value it met.
TEST_F(MinimiserTest, LineSearchAtItsLimitLeavesX)
{
  TVector X = MakeVector({0.0, 0.0});
  const TVector D = MakeVector({2.0, 4.0});
  Float FMin = -1.0;
  EXPECT_EQ(LineMinimise(Round, X, D, 1, 2, 2, 0.01, FMin), SolveIterationLimit);
  EXPECT_EQ(X[1], 0.0);
  EXPECT_EQ(X[2], 0.0);
  EXPECT_GE(FMin, 0.0);
  EXPECT_LT(FMin, 5.0);  // below the value at the start, 1 + 4
}

// A minimum at R = 0 cannot meet the relative width test, since |X1| + |X2|
// shrinks with the bracket: the search runs into its limit and X stays. (The
// start is the origin so that X + R D resolves every R.)
TEST_F(MinimiserTest, LineSearchWithTheMinimumAtTheStartHitsTheLimit)
{
  TVector X = MakeVector({0.0, 0.0});
  const TVector D = MakeVector({1.0, 1.0});
  Float FMin = -1.0;
  EXPECT_EQ(LineMinimise(Bowl, X, D, 1, 2, 100, 0.01, FMin), SolveIterationLimit);
  EXPECT_EQ(X[1], 0.0);
  EXPECT_EQ(X[2], 0.0);
  // FMin is still written: 101 section steps shrink the bracket [-phi, 1] by
  // 0.618^101 ~ 1e-21, so the best value is below 2 (3e-21)^2.
  EXPECT_GE(FMin, 0.0);
  EXPECT_LT(FMin, 1e-40);
}

// ---------------------------------------------------------------------------
// MinimiseMarquardt

struct TQuadraticCase {
  const char* Name;
  ObjectiveFunction Func;
  HessianGradientProc HessGrad;
  GradientProc Gradient;
  int Lb;
  Float Start1, Start2;
  Float Min1, Min2;
  Float InvH11, InvH12, InvH22;  // inverse Hessian of Func (BFGS) or of H (Marquardt)
};

class MarquardtQuadraticTest : public testing::TestWithParam<TQuadraticCase> {
protected:
  void SetUp() override
  {
    Base = GetParam().Lb;
    ResetRecord(Base, Base + 1);
  }
};

// The pass after convergence is an undamped Gauss-Newton step, exact on a
// quadratic: X is the minimum to rounding and InvH the inverse of H.
TEST_P(MarquardtQuadraticTest, FinalStepLandsOnTheMinimum)
{
  const TQuadraticCase& C = GetParam();
  const int Lb = C.Lb, Ub = C.Lb + 1;
  TVector X;
  AllocVector(X, Ub);
  for (int I = 0; I < Lb; ++I)
    X[I] = Marker;
  X[Lb] = C.Start1;
  X[Ub] = C.Start2;
  TMatrix InvH = FilledMatrix(Ub, Marker);
  Float FMin = 0.0;
  ASSERT_EQ(MinimiseMarquardt(C.Func, C.HessGrad, X, Lb, Ub, 100, 0.001, FMin, InvH), SolveOk);

  // The last step solves a 2x2 system of condition <= 10 whose right side
  // carries the rounding of G (|H| |X| ~ 20 eps); with the final addition this
  // stays below 64 eps on parameters of size <= 3.
  EXPECT_NEAR(X[Lb], C.Min1, 64 * MachineEpsilon);
  EXPECT_NEAR(X[Ub], C.Min2, 64 * MachineEpsilon);
  // Gauss-Jordan inverse of a 2x2 matrix: a few eps relative.
  EXPECT_NEAR(InvH[Lb][Lb], C.InvH11, 8 * MachineEpsilon * std::fabs(C.InvH11));
  EXPECT_NEAR(InvH[Lb][Ub], C.InvH12, 8 * MachineEpsilon * std::fabs(C.InvH12));
  EXPECT_NEAR(InvH[Ub][Lb], C.InvH12, 8 * MachineEpsilon * std::fabs(C.InvH12));
  EXPECT_NEAR(InvH[Ub][Ub], C.InvH22, 8 * MachineEpsilon * std::fabs(C.InvH22));
  for (int I = 0; I < Lb; ++I)
    EXPECT_EQ(X[I], Marker);
  // FMin is the value of the last line search, made before the final step:
  // below the value at the start.
  EXPECT_LT(FMin, C.Func(MakeVector({C.Start1, C.Start2}, Lb)));
}

INSTANTIATE_TEST_SUITE_P(
  Problems, MarquardtQuadraticTest,
  testing::Values(TQuadraticCase{"Separable", Separable, SeparableHessGrad, nullptr, 1, 0.0, 0.0, 3.0, -1.0, 1.0, 0.0,
                                 0.1},
                  TQuadraticCase{"SeparableFromIndexThree", Separable, SeparableHessGrad, nullptr, 3, 0.0, 0.0, 3.0,
                                 -1.0, 1.0, 0.0, 0.1},
                  TQuadraticCase{"Coupled", Coupled, CoupledHessGrad, nullptr, 1, 2.0, -3.0, 0.0, 1.0, 2.0 / 7.0,
                                 -1.0 / 7.0, 4.0 / 7.0}),
  [](const auto& Info) { return std::string(Info.param.Name); });

struct TMarquardtOutcome {
  const char* Name;
  ObjectiveFunction Func;
  HessianGradientProc HessGrad;
  Float Start1, Start2;
  int MaxIter;
  int ExpectedStatus;
};

class MarquardtOutcomeTest : public testing::TestWithParam<TMarquardtOutcome> {
protected:
  void SetUp() override
  {
    Base = 1;
    ResetRecord(1, 2);
  }
};

TEST_P(MarquardtOutcomeTest, ReturnsTheStatusOfTheWayTheRunEnded)
{
  const TMarquardtOutcome& C = GetParam();
  TVector X = MakeVector({C.Start1, C.Start2});
  TMatrix InvH = FilledMatrix(2, 0.0);
  Float FMin = 0.0;
  EXPECT_EQ(MinimiseMarquardt(C.Func, C.HessGrad, X, 1, 2, C.MaxIter, 0.001, FMin, InvH), C.ExpectedStatus);
}

// The pass counter is checked after every pass: MaxIter = 1 ends the first
// pass with the iteration limit whatever that pass did.
INSTANTIATE_TEST_SUITE_P(
  Outcomes, MarquardtOutcomeTest,
  testing::Values(
    TMarquardtOutcome{"Converges", Separable, SeparableHessGrad, 0.0, 0.0, 100, SolveOk},
    TMarquardtOutcome{"ConvergingRunLimitedToOnePass", Separable, SeparableHessGrad, 0.0, 0.0, 1, SolveIterationLimit},
    TMarquardtOutcome{"ZeroCurvatureIsSingular", Separable, ZeroCurvatureHessGrad, 0.0, 0.0, 100, SolveSingular},
    TMarquardtOutcome{"SingularPassLimitedToOnePass", Separable, ZeroCurvatureHessGrad, 0.0, 0.0, 1,
                      SolveIterationLimit},
    TMarquardtOutcome{"NoImprovementDoesNotConverge", SunkSeparable, SeparableHessGrad, 0.0, 0.0, 100,
                      SolveNoConvergence},
    TMarquardtOutcome{"NonConvergingPassLimitedToOnePass", SunkSeparable, SeparableHessGrad, 0.0, 0.0, 1,
                      SolveIterationLimit},
    // A zero gradient gives a zero step: the line search sees a flat line,
    // whose minimum at R = 0 ends it (and the run) at its limit.
    TMarquardtOutcome{"StartAtTheMinimum", Separable, SeparableHessGrad, 3.0, -1.0, 100, SolveIterationLimit}),
  [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(MinimiserTest, MarquardtWithZeroCurvatureStopsAtTheFirstSolve)
{
  TVector X = MakeVector({0.5, 0.25});
  TMatrix InvH = FilledMatrix(2, 0.0);
  Float FMin = 0.0;
  ASSERT_EQ(MinimiseMarquardt(Separable, ZeroCurvatureHessGrad, X, 1, 2, 100, 0.001, FMin, InvH), SolveSingular);
  // No line search ran: X is the start and the objective was evaluated once.
  EXPECT_EQ(X[1], 0.5);
  EXPECT_EQ(X[2], 0.25);
  EXPECT_EQ(RecordedCalls(), 1);
}

// Damping multiplies the diagonal of H by 1 + Lambda and leaves the rest:
// the first line-search trial point (R = 1) is X + dX with
// [[4.04, 1], [1, 2.02]] dX = -G.
TEST_F(MinimiserTest, MarquardtDampsOnlyTheDiagonal)
{
  TVector X = MakeVector({0.0, 0.0});
  TMatrix InvH = FilledMatrix(2, 0.0);
  Float FMin = 0.0;
  MinimiseMarquardt(Coupled, CoupledHessGrad, X, 1, 2, 1, 0.001, FMin, InvH);

  // -G at the origin is b = (1, 2); Cramer's rule on the damped matrix.
  const Float Det = 4.04 * 2.02 - 1.0;
  const Float Dx1 = (2.02 * 1.0 - 1.0 * 2.0) / Det;
  const Float Dx2 = (4.04 * 2.0 - 1.0 * 1.0) / Det;
  // Calls: the start value, then the line search at R = 0 and R = 1.
  ASSERT_GE(RecordedCalls(), 3);
  EXPECT_TRUE(SamePoint(RecordedPoints[1], 0.0, 0.0));
  // A 2x2 solve of condition ~3 against Cramer's rule: both within a few eps
  // of the step, whose size is ~1.
  EXPECT_NEAR(RecordedPoints[2][0], Dx1, 16 * MachineEpsilon);
  EXPECT_NEAR(RecordedPoints[2][1], Dx2, 16 * MachineEpsilon);
}

// Every rejection multiplies Lambda by 10 from 0.01; the sixth takes it past
// 1000 and ends the run. Each line search starts by evaluating the start
// point (R = 0), so the start is evaluated once for FMin and once per search.
TEST_F(MinimiserTest, MarquardtGivesUpAfterSixRejectedSteps)
{
  TVector X = MakeVector({0.0, 0.0});
  TMatrix InvH = FilledMatrix(2, 0.0);
  Float FMin = 0.0;
  ASSERT_EQ(MinimiseMarquardt(SunkSeparable, SeparableHessGrad, X, 1, 2, 100, 0.001, FMin, InvH),
            SolveNoConvergence);
  int AtStart = 0;
  for (const auto& P : RecordedPoints)
    if (SamePoint(P, 0.0, 0.0))
      ++AtStart;
  EXPECT_EQ(AtStart, 1 + 6);
  // X is the last (rejected) line-search result: the minimum along
  // dX = (3, -1) / 1001 lies at R = 1001, found to a relative bracket width
  // of 0.01 (|R - 1001| < 20, i.e. 0.06 in X1 and 0.02 in X2), blurred by the
  // 2^-13 spacing of the values (0.011 in X1).
  EXPECT_NEAR(X[1], 3.0, 0.1);
  EXPECT_NEAR(X[2], -1.0, 0.1);
}

// ---------------------------------------------------------------------------
// MinimiseSimplex

struct TSimplexCase {
  const char* Name;
  ObjectiveFunction Func;
  int Lb, Ub;
  std::vector<Float> Start, Expected;
};

class SimplexTest : public testing::TestWithParam<TSimplexCase> {
protected:
  void SetUp() override
  {
    Base = GetParam().Lb;
    ResetRecord(GetParam().Lb, GetParam().Ub);
  }
};

Float SingleParabola(const TVector& X)
{
  Record(X);
  return (X[1] - 1.0) * (X[1] - 1.0);
}

TEST_P(SimplexTest, ContractsOntoTheMinimum)
{
  const TSimplexCase& C = GetParam();
  TVector X;
  AllocVector(X, C.Ub);
  for (int I = 0; I < C.Lb; ++I)
    X[I] = Marker;
  for (int I = C.Lb; I <= C.Ub; ++I)
    X[I] = C.Start[I - C.Lb];
  Float FMin = -1.0;
  ASSERT_EQ(MinimiseSimplex(C.Func, X, C.Lb, C.Ub, 1000, 1e-6, FMin), SolveOk);
  // The run stops when the worst and best vertices are within Tol = 1e-6 in
  // every parameter; on a round bowl the collapsed simplex sits on the
  // minimum within a few of its widths: 1e-5.
  for (int I = C.Lb; I <= C.Ub; ++I)
    EXPECT_NEAR(X[I], C.Expected[I - C.Lb], 1e-5) << I;
  for (int I = 0; I < C.Lb; ++I)
    EXPECT_EQ(X[I], Marker);
  // FMin is the value stored for the returned vertex, computed at that point.
  EXPECT_EQ(FMin, C.Func(X));
}

INSTANTIATE_TEST_SUITE_P(
  Problems, SimplexTest,
  testing::Values(TSimplexCase{"RoundBowl", Round, 1, 2, {3.0, 3.0}, {1.0, 2.0}},
                  TSimplexCase{"RoundBowlFromIndexFour", Round, 4, 5, {3.0, 3.0}, {1.0, 2.0}},
                  TSimplexCase{"SingleParameter", SingleParabola, 1, 1, {3.0}, {1.0}}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// The first iterations on the round bowl from (3, 3), worked by hand (all
// values are sums of halves, so exact): vertices (4.5, 3) f = 13.25,
// (3, 4.5) f = 10.25, (3, 3) f = 5.
// 1: worst (4.5, 3), centroid (3, 3.75), reflection (1.5, 4.5) f = 6.5 beats
//    the vertex with 10.25 and replaces the worst.
// 2: worst (3, 4.5), centroid (2.25, 3.75), reflection (1.5, 3) f = 1.25 beats
//    the best; expansion (0, 1.5) f = 1.25 also beats it and replaces the worst.
// 3: best (0, 1.5); reflection (1.5, 0) f = 4.25 replaces the worst.
struct TSimplexShortRun {
  int MaxIter;
  Float X1, X2, FMin;
  int Calls;
};

class SimplexShortRunTest : public testing::TestWithParam<TSimplexShortRun> {
protected:
  void SetUp() override
  {
    Base = 1;
    ResetRecord(1, 2);
  }
};

TEST_P(SimplexShortRunTest, ReturnsTheBestVertexOfTheLastRanking)
{
  const TSimplexShortRun& C = GetParam();
  TVector X = MakeVector({3.0, 3.0});
  Float FMin = 0.0;
  EXPECT_EQ(MinimiseSimplex(Round, X, 1, 2, C.MaxIter, 1e-6, FMin), SolveIterationLimit);
  EXPECT_EQ(X[1], C.X1);
  EXPECT_EQ(X[2], C.X2);
  EXPECT_EQ(FMin, C.FMin);
  EXPECT_EQ(RecordedCalls(), C.Calls);
}

INSTANTIATE_TEST_SUITE_P(HandWorked, SimplexShortRunTest,
                         testing::Values(TSimplexShortRun{1, 3.0, 3.0, 5.0, 4}, TSimplexShortRun{2, 3.0, 3.0, 5.0, 6},
                                         TSimplexShortRun{3, 0.0, 1.5, 1.25, 7}),
                         [](const auto& Info) { return "MaxIter" + std::to_string(Info.param.MaxIter); });

// A parameter at 0 is not spread by the 50 % offset, so the simplex never
// leaves the plane X2 = 0, although the minimum is at X2 = 2.
TEST_F(MinimiserTest, SimplexKeepsAParameterThatStartsAtZero)
{
  TVector X = MakeVector({3.0, 0.0});
  Float FMin = 0.0;
  MinimiseSimplex(Round, X, 1, 2, 1000, 1e-6, FMin);
  ASSERT_GT(RecordedCalls(), 3);
  for (const auto& P : RecordedPoints)
    ASSERT_EQ(P[1], 0.0);
  EXPECT_EQ(X[2], 0.0);
}

// With one parameter the centroid of all vertices but the worst is the
// better vertex: from 3 (f = 4) and 4.5 (f = 12.25) the first reflection is
// 2 * 3 - 4.5 = 1.5.
TEST_F(MinimiserTest, SimplexWithOneParameterReflectsThroughTheBetterVertex)
{
  ResetRecord(1, 1);
  TVector X = MakeVector({3.0});
  Float FMin = 0.0;
  MinimiseSimplex(SingleParabola, X, 1, 1, 1, 1e-6, FMin);
  ASSERT_GE(RecordedCalls(), 3);
  EXPECT_EQ(RecordedPoints[0][0], 4.5);
  EXPECT_EQ(RecordedPoints[1][0], 3.0);
  EXPECT_EQ(RecordedPoints[2][0], 1.5);
}

// On a flat objective every vertex ties, so the first vertex is both the
// best and the worst. From (2, 4): vertices (3, 4), (2, 6), (2, 4); the
// reflection of (3, 4) through the centroid (2, 5) is (1, 6), which ties and
// replaces it; the contraction is taken from that new worst vertex,
// ((1, 6) + (2, 5)) / 2 = (1.5, 5.5), and replaces it too. The best and worst
// vertex are then the same row, so the spread is 0 and the run ends.
TEST_F(MinimiserTest, SimplexOnAFlatObjectiveContractsFromTheReplacedVertex)
{
  TVector X = MakeVector({2.0, 4.0});
  Float FMin = 0.0;
  EXPECT_EQ(MinimiseSimplex(Constant, X, 1, 2, 100, 1e-6, FMin), SolveOk);
  EXPECT_EQ(X[1], 1.5);
  EXPECT_EQ(X[2], 5.5);
  EXPECT_EQ(FMin, 7.0);
  EXPECT_EQ(RecordedCalls(), 5);  // three vertices, the reflection, the contraction
}

// A one-parameter objective given by a table of exactly representable
// points; any other point is a fault of the test's hand-worked path.
Float Tabled(const TVector& X)
{
  Record(X);
  const Float Points[][2] = {{3.0, 5.0}, {2.0, 1.0}, {1.0, 10.0}, {2.5, 7.0}, {1.5, 0.5}, {0.5, 0.25}};
  for (const auto& P : Points)
    if (X[1] == P[0])
      return P[1];
  ADD_FAILURE() << "objective called at " << X[1];
  return 100.0;
}

// From 2: vertices 3 (f = 5) and 2 (f = 1). Iteration 1: reflection 1
// (f = 10) is worse than both, the contraction 2.5 (f = 7) is worse than the
// worst, so every vertex moves halfway to the best: 3 becomes 2.5, still
// stored with f = 5. Iteration 2 reflects 2.5 through 2 to 1.5 (f = 0.5),
// better than the best, and expands to 3 * 1.5 - 2 * 2 = 0.5 (f = 0.25).
TEST_F(MinimiserTest, SimplexShrinkKeepsTheStoredValues)
{
  ResetRecord(1, 1);
  TVector X = MakeVector({2.0});
  Float FMin = 0.0;
  EXPECT_EQ(MinimiseSimplex(Tabled, X, 1, 1, 2, 1e-6, FMin), SolveIterationLimit);
  const std::vector<std::vector<Float>> Expected = {{3.0}, {2.0}, {1.0}, {2.5}, {1.5}, {0.5}};
  EXPECT_EQ(RecordedPoints, Expected);
  // The best vertex of the last ranking is 2.
  EXPECT_EQ(X[1], 2.0);
  EXPECT_EQ(FMin, 1.0);
}

// ---------------------------------------------------------------------------
// MinimiseBfgs

class BfgsQuadraticTest : public testing::TestWithParam<TQuadraticCase> {
protected:
  void SetUp() override
  {
    Base = GetParam().Lb;
    ResetRecord(Base, Base + 1);
  }
};

TEST_P(BfgsQuadraticTest, ConvergesAndApproachesTheInverseHessian)
{
  const TQuadraticCase& C = GetParam();
  const int Lb = C.Lb, Ub = C.Lb + 1;
  TVector X;
  AllocVector(X, Ub);
  for (int I = 0; I < Lb; ++I)
    X[I] = Marker;
  X[Lb] = C.Start1;
  X[Ub] = C.Start2;
  TMatrix InvH = FilledMatrix(Ub, Marker);
  Float FMin = 0.0;
  ASSERT_EQ(MinimiseBfgs(C.Func, C.Gradient, X, Lb, Ub, 200, 1e-6, FMin, InvH), SolveOk);

  // The last step was shorter than Tol = 1e-6 (relative for |X| > 1); on a
  // quadratic with curvature ratio 4 the remaining distance to the minimum
  // is of the same order: 1e-5.
  EXPECT_NEAR(X[Lb], C.Min1, 1e-5);
  EXPECT_NEAR(X[Ub], C.Min2, 1e-5);
  EXPECT_EQ(FMin, C.Func(X));
  for (int I = 0; I < Lb; ++I)
    EXPECT_EQ(X[I], Marker);
  // With an inexact line search the BFGS matrix approaches the inverse
  // Hessian only asymptotically; 10 % of each element (scaled by the largest)
  // separates it clearly from the identity it started as.
  const Float Scale = std::fmax(std::fabs(C.InvH11), std::fabs(C.InvH22));
  EXPECT_NEAR(InvH[Lb][Lb], C.InvH11, 0.1 * Scale);
  EXPECT_NEAR(InvH[Lb][Ub], C.InvH12, 0.1 * Scale);
  EXPECT_NEAR(InvH[Ub][Lb], C.InvH12, 0.1 * Scale);
  EXPECT_NEAR(InvH[Ub][Ub], C.InvH22, 0.1 * Scale);
}

INSTANTIATE_TEST_SUITE_P(
  Problems, BfgsQuadraticTest,
  testing::Values(TQuadraticCase{"Elliptic", Elliptic, nullptr, EllipticGradient, 1, 0.0, 0.0, 1.0, -2.0, 0.5, 0.0,
                                 0.125},
                  TQuadraticCase{"EllipticFromIndexThree", Elliptic, nullptr, EllipticGradient, 3, 0.0, 0.0, 1.0, -2.0,
                                 0.5, 0.0, 0.125},
                  TQuadraticCase{"Coupled", Coupled, nullptr, CoupledGradient, 1, 2.0, -3.0, 0.0, 1.0, 2.0 / 7.0,
                                 -1.0 / 7.0, 4.0 / 7.0}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// Gradients that ignore X, to place the start-up test on either side of its
// threshold.
Float FixedGradientValue = 0.0;
void FixedGradient(ObjectiveFunction, const TVector&, int Lb, int Ub, const TVector& G)
{
  G[Lb] = FixedGradientValue;
  for (int I = Lb + 1; I <= Ub; ++I)
    G[I] = 0.0;
}

struct TBfgsStartCase {
  const char* Name;
  GradientProc Gradient;
  Float GradientValue;  // for FixedGradient
  Float Start1, Start2;
  int MaxIter;
  int ExpectedStatus;
};

class BfgsStartTest : public testing::TestWithParam<TBfgsStartCase> {
protected:
  void SetUp() override
  {
    Base = 1;
    ResetRecord(1, 2);
    FixedGradientValue = GetParam().GradientValue;
  }
};

// No iteration runs: X stays, FMin is the start value, InvH the identity.
TEST_P(BfgsStartTest, EndsBeforeTheFirstIteration)
{
  const TBfgsStartCase& C = GetParam();
  TVector X = MakeVector({C.Start1, C.Start2});
  TMatrix InvH = FilledMatrix(2, Marker);
  Float FMin = 0.0;
  EXPECT_EQ(MinimiseBfgs(Elliptic, C.Gradient, X, 1, 2, C.MaxIter, 1e-6, FMin, InvH), C.ExpectedStatus);
  EXPECT_EQ(X[1], C.Start1);
  EXPECT_EQ(X[2], C.Start2);
  EXPECT_EQ(RecordedCalls(), 1);
  EXPECT_EQ(FMin, Elliptic(X));
  for (int I = 1; I <= 2; ++I)
    for (int J = 1; J <= 2; ++J)
      EXPECT_EQ(InvH[I][J], I == J ? 1.0 : 0.0);
}

INSTANTIATE_TEST_SUITE_P(
  Cases, BfgsStartTest,
  testing::Values(
    TBfgsStartCase{"StartAtTheMinimum", EllipticGradient, 0.0, 1.0, -2.0, 100, SolveOk},
    // The start-up test is |G| <= MachineEpsilon, inclusive.
    TBfgsStartCase{"GradientAtTheThreshold", FixedGradient, MachineEpsilon, 0.0, 0.0, 100, SolveOk},
    TBfgsStartCase{"GradientAboveTheThresholdWithoutIterations", FixedGradient, 2 * MachineEpsilon, 0.0, 0.0, 0,
                   SolveIterationLimit},
    TBfgsStartCase{"NoIterationsAllowed", EllipticGradient, 0.0, 0.0, 0.0, 0, SolveIterationLimit}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// The first direction is -G, scaled so that its largest component is 1 when
// it is longer; the first line-search trial point (R = 1, the third
// evaluation) shows it.
struct TBfgsDirectionCase {
  const char* Name;
  Float Start1, Start2;
  Float Trial1, Trial2;
};

class BfgsDirectionTest : public testing::TestWithParam<TBfgsDirectionCase> {
protected:
  void SetUp() override
  {
    Base = 1;
    ResetRecord(1, 2);
  }
};

TEST_P(BfgsDirectionTest, FirstTrialPointFollowsTheScaledSteepestDescent)
{
  const TBfgsDirectionCase& C = GetParam();
  TVector X = MakeVector({C.Start1, C.Start2});
  TMatrix InvH = FilledMatrix(2, 0.0);
  Float FMin = 0.0;
  MinimiseBfgs(Elliptic, EllipticGradient, X, 1, 2, 1, 1e-6, FMin, InvH);
  ASSERT_GE(RecordedCalls(), 3);
  EXPECT_TRUE(SamePoint(RecordedPoints[1], C.Start1, C.Start2));
  // The gradient and the trial point each round once: 4 eps on values ~2.
  EXPECT_NEAR(RecordedPoints[2][0], C.Trial1, 4 * MachineEpsilon * 2);
  EXPECT_NEAR(RecordedPoints[2][1], C.Trial2, 4 * MachineEpsilon * 2);
}

INSTANTIATE_TEST_SUITE_P(
  Cases, BfgsDirectionTest,
  testing::Values(
    // G = (-2, 16): -G / 16 = (0.125, -1).
    TBfgsDirectionCase{"LongDirectionIsScaled", 0.0, 0.0, 0.125, -1.0},
    // G = (-0.2, 0.4): the direction (0.2, -0.4) is kept as it is.
    TBfgsDirectionCase{"ShortDirectionIsKept", 0.9, -1.95, 1.1, -2.35}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// After one iteration InvH is the BFGS update of the identity along the
// step s = X - X0 and the gradient change y = g(X) - g(X0), checked against
// the textbook product form (I - rho s y^T)(I - rho y s^T) + rho s s^T with
// rho = 1 / y^T s.
TEST_F(MinimiserTest, BfgsFirstUpdateIsTheProductForm)
{
  TVector X = MakeVector({0.0, 0.0});
  TMatrix InvH = FilledMatrix(2, 0.0);
  Float FMin = 0.0;
  ASSERT_EQ(MinimiseBfgs(Elliptic, EllipticGradient, X, 1, 2, 1, 1e-6, FMin, InvH), SolveIterationLimit);

  TVector G0, G1;
  AllocVector(G0, 2);
  AllocVector(G1, 2);
  EllipticGradient(Elliptic, MakeVector({0.0, 0.0}), 1, 2, G0);
  EllipticGradient(Elliptic, X, 1, 2, G1);
  const Float S[2] = {X[1], X[2]};
  const Float Y[2] = {G1[1] - G0[1], G1[2] - G0[2]};
  const Float Rho = 1.0 / (Y[0] * S[0] + Y[1] * S[1]);
  Float Left[2][2], Right[2][2];
  for (int I = 0; I < 2; ++I)
    for (int J = 0; J < 2; ++J) {
      Left[I][J] = (I == J ? 1.0 : 0.0) - Rho * S[I] * Y[J];
      Right[I][J] = (I == J ? 1.0 : 0.0) - Rho * Y[I] * S[J];
    }
  // The two forms round differently; their terms are below 10 in size and
  // each element collects a few dozen roundings: 64 eps x 10.
  for (int I = 0; I < 2; ++I)
    for (int J = 0; J < 2; ++J) {
      const Float Expected = Left[I][0] * Right[0][J] + Left[I][1] * Right[1][J] + Rho * S[I] * S[J];
      EXPECT_NEAR(InvH[I + 1][J + 1], Expected, 64 * MachineEpsilon * 10) << I + 1 << "," << J + 1;
    }
}

// A line search that cannot move X leaves dX = 0, so the curvature product
// is exactly 0 and the run ends as converged. The gradient here points the
// wrong way at the minimum of X^2, so the search along it finds R = 0.
Float Square(const TVector& X)
{
  Record(X);
  return X[1] * X[1];
}

int GradientCalls = 0;
void WrongGradient(ObjectiveFunction, const TVector&, int Lb, int, const TVector& G)
{
  ++GradientCalls;
  G[Lb] = 1.0;
}

TEST_F(MinimiserTest, BfgsEndsAsConvergedWhenTheLineSearchCannotMove)
{
  ResetRecord(1, 1);
  GradientCalls = 0;
  TVector X = MakeVector({0.0});
  TMatrix InvH = FilledMatrix(1, 0.0);
  Float FMin = -1.0;
  EXPECT_EQ(MinimiseBfgs(Square, WrongGradient, X, 1, 1, 100, 1e-6, FMin, InvH), SolveOk);
  EXPECT_EQ(X[1], 0.0);
  EXPECT_EQ(GradientCalls, 2);  // at the start and after the one line search
  EXPECT_EQ(InvH[1][1], 1.0);   // no update was made
}

}  // namespace
}  // namespace Titrelle
