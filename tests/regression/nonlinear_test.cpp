// The nonlinear driver: objectives with their penalty, the derivative
// procedures, the minimiser dispatch, numeric derivatives, faults raised by
// a model, and the simulation of a fit.
#include <gtest/gtest.h>

#include "TestVectors.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "numeric/randnum.h"
#include "optimisation/mcmc.h"
#include "regression/regress.h"

namespace Titrelle {
namespace {

using Testing::Observations;

// f(X) = B[0] (1 - exp(-B[1] X)): a saturating curve with two parameters.
Float Saturation(Float X, const TVector& B) { return B[0] * (1.0 - PlainExp(-B[1] * X)); }

void SaturationDerivatives(ModelFunction, Float X, Float, const TVector& B, const TVector& D)
{
  const Float E = PlainExp(-B[1] * X);
  D[0] = 1.0 - E;
  D[1] = B[0] * X * E;
}

// The same curve with its parameters at 1..2.
Float Saturation1(Float X, const TVector& B) { return B[1] * (1.0 - PlainExp(-B[2] * X)); }

void Saturation1Derivatives(ModelFunction, Float X, Float, const TVector& B, const TVector& D)
{
  const Float E = PlainExp(-B[2] * X);
  D[1] = 1.0 - E;
  D[2] = B[1] * X * E;
}

// Counts model evaluations; a value beyond the penalty at X = 2.
int ModelCalls = 0;
Float Exploding(Float X, const TVector& B)
{
  ++ModelCalls;
  return X == 2.0 ? 1e20 : B[0] + B[1] * X;
}

Float Line(Float X, const TVector& B) { return B[0] + B[1] * X; }

void LineDerivatives(ModelFunction, Float X, Float, const TVector&, const TVector& D)
{
  D[0] = 1.0;
  D[1] = X;
}

// Divides by a parameter: faults once the minimiser tries B[1] = 0.
Float Reciprocal(Float X, const TVector& B) { return CheckedDivide(X, B[1]) + B[0]; }

// Data from the saturating curve with B = (10, 0.5) and a small alternating
// deviation, so that the minimum is well defined and not exact.
struct TSaturationData {
  TVector X = Observations({0.5, 1, 2, 3, 4, 6, 8, 10});
  TVector Y;
  TSaturationData()
  {
    AllocVector(Y, 8);
    for (int I = 1; I <= 8; ++I)
      Y[I] = 10.0 * (1.0 - std::exp(-0.5 * X[I])) + (I % 2 == 0 ? 0.01 : -0.01);
  }
};

class NonlinearTest : public testing::Test {
protected:
  void SetUp() override
  {
    AllocVector(B, 1);
    AllocVector(Bmin, 1);
    AllocVector(Bmax, 1);
    AllocMatrix(V, 1, 1);
    for (int K = 0; K <= 1; ++K) {
      Bmin[K] = -1e6;
      Bmax[K] = 1e6;
    }
  }
  void TearDown() override { OptimizerCode = OptimizerMarquardt; }

  TVector B, Bmin, Bmax;
  TMatrix V;
  TSaturationData Data;
};

TEST_F(NonlinearTest, ObjectivePenaltyAndBounds)
{
  StoreFitContext(Line, LineDerivatives, false, Data.X, Data.Y, TVector(), 8, 0, 1, Bmin, Bmax);
  const TFitContext& Context = FitContext();
  for (int I = 1; I <= 8; ++I)
    Context.CalculatedY[I] = -5.0;

  // Below a bound: the penalty, and the model is not evaluated.
  B[0] = -1e6 - 1.0;
  B[1] = 1.0;
  EXPECT_EQ(ResidualSumOfSquares(B), PenaltyValue);
  EXPECT_EQ(WeightedResidualSumOfSquares(B), PenaltyValue);
  EXPECT_EQ(Context.CalculatedY[1], -5.0);

  // On the bound: inside.
  B[0] = -1e6;
  B[1] = 1e6;
  const Float S = ResidualSumOfSquares(B);
  EXPECT_LT(S, PenaltyValue);
  EXPECT_EQ(Context.CalculatedY[8], -1e6 + 1e6 * 10.0);
}

TEST_F(NonlinearTest, ObjectiveStopsOnceTheSumPassesThePenalty)
{
  const TVector X = Observations({1, 2, 3, 4});
  const TVector Y = Observations({1, 2, 3, 4});
  StoreFitContext(Exploding, LineDerivatives, false, X, Y, TVector(), 4, 0, 1, Bmin, Bmax);
  const TFitContext& Context = FitContext();
  Context.CalculatedY[3] = 33.0;
  Context.CalculatedY[4] = 44.0;
  B[0] = 0.0;
  B[1] = 1.0;
  ModelCalls = 0;
  EXPECT_EQ(ResidualSumOfSquares(B), PenaltyValue);
  EXPECT_EQ(ModelCalls, 2);
  EXPECT_EQ(Context.CalculatedY[2], 1e20);
  EXPECT_EQ(Context.CalculatedY[3], 33.0);
  EXPECT_EQ(Context.CalculatedY[4], 44.0);
}

TEST_F(NonlinearTest, GaussNewtonSystemFromStoredModelValues)
{
  // Line through (1, 2), (2, 3), (3, 5) at B = (0, 1): residuals 1, 1, 2.
  const TVector X = Observations({1, 2, 3});
  const TVector Y = Observations({2, 3, 5});
  const TVector W = Observations({1, 2, 0.5});
  TVector G, GradientW;
  TMatrix H;
  AllocVector(G, 1);
  AllocVector(GradientW, 1);
  AllocMatrix(H, 1, 1);
  B[0] = 0.0;
  B[1] = 1.0;

  StoreFitContext(Line, LineDerivatives, true, X, Y, W, 3, 0, 1, Bmin, Bmax);
  EXPECT_EQ(WeightedResidualSumOfSquares(B), 1.0 + 2.0 + 0.5 * 4.0);
  WeightedGaussNewtonSystem(WeightedResidualSumOfSquares, B, 0, 1, G, H);
  // G = -J^T W R, H = J^T W J with J rows (1, x).
  EXPECT_EQ(G[0], -(1.0 + 2.0 + 0.5 * 2.0));
  EXPECT_EQ(G[1], -(1.0 + 2.0 * 2.0 + 0.5 * 2.0 * 3.0));
  EXPECT_EQ(H[0][0], 3.5);
  EXPECT_EQ(H[0][1], 1.0 + 4.0 + 1.5);
  EXPECT_EQ(H[1][0], H[0][1]);
  EXPECT_EQ(H[1][1], 1.0 + 8.0 + 4.5);
  WeightedResidualGradient(WeightedResidualSumOfSquares, B, 0, 1, GradientW);
  EXPECT_EQ(GradientW[0], 2.0 * G[0]);
  EXPECT_EQ(GradientW[1], 2.0 * G[1]);
}

TEST_F(NonlinearTest, MarquardtRecoversTheCurveAndWeightsOfOneChangeNothing)
{
  B[0] = 5.0;
  B[1] = 1.0;
  ASSERT_EQ(FitNonlinear(Saturation, SaturationDerivatives, Data.X, Data.Y, 8, 0, 1, 4000, 0.001, B, Bmin, Bmax, V),
            SolveOk);
  // The deviations of 0.01 move the fit by less than 0.01 relative.
  EXPECT_NEAR(B[0], 10.0, 0.01 * 10.0);
  EXPECT_NEAR(B[1], 0.5, 0.01 * 0.5);

  TVector Bw, Ones;
  TMatrix Vw;
  AllocVector(Bw, 1);
  AllocMatrix(Vw, 1, 1);
  Ones = Observations({1, 1, 1, 1, 1, 1, 1, 1});
  Bw[0] = 5.0;
  Bw[1] = 1.0;
  ASSERT_EQ(FitNonlinearWeighted(Saturation, SaturationDerivatives, Data.X, Data.Y, Ones, 8, 0, 1, 4000, 0.001, Bw,
                                 Bmin, Bmax, Vw),
            SolveOk);
  for (int K = 0; K <= 1; ++K) {
    EXPECT_EQ(Bw[K], B[K]);
    for (int M = 0; M <= 1; ++M)
      EXPECT_EQ(Vw[K][M], V[K][M]);
  }
}

TEST_F(NonlinearTest, UnknownOptimizerLeavesEverythingAlone)
{
  OptimizerCode = 7;
  B[0] = 5.0;
  B[1] = 1.0;
  V[0][1] = 3.0;
  EXPECT_EQ(FitNonlinear(Saturation, SaturationDerivatives, Data.X, Data.Y, 8, 0, 1, 4000, 0.001, B, Bmin, Bmax, V),
            SolveOk);
  EXPECT_EQ(B[0], 5.0);
  EXPECT_EQ(B[1], 1.0);
  EXPECT_EQ(V[0][1], 3.0);
}

// Each alternative minimiser plugged into the driver reaches the same fit
// (within its own precision) and leaves a usable inverse normal matrix.
struct TOptimizerCase {
  const char* Name;
  std::uint8_t Code;
  Float Tol;           // tolerance handed to the fit
  Float ParameterTol;  // relative agreement with the Marquardt fit
  Float MatrixScale;   // V relative to the Gauss-Newton inverse
  Float MatrixTol;     // relative agreement of the diagonal of V
};

int FixedSource(int Range) { return 1234 % Range; }

class Optimizers : public testing::TestWithParam<TOptimizerCase> {
protected:
  void SetUp() override { SetPlatformRandomSource(FixedSource); }
  void TearDown() override
  {
    OptimizerCode = OptimizerMarquardt;
    SetPlatformRandomSource(nullptr);
  }
};

TEST_P(Optimizers, ReachTheMarquardtFit)
{
  const TOptimizerCase& C = GetParam();
  TSaturationData Data;
  TVector B, Bref, Bmin, Bmax;
  TMatrix V, Vref;
  for (TVector* P : {&B, &Bref, &Bmin, &Bmax})
    AllocVector(*P, 1);
  AllocMatrix(V, 1, 1);
  AllocMatrix(Vref, 1, 1);
  Bmin[0] = 0.0;
  Bmax[0] = 20.0;
  Bmin[1] = 0.0;
  Bmax[1] = 2.0;
  Bref[0] = B[0] = 8.0;
  Bref[1] = B[1] = 0.8;
  ASSERT_EQ(FitNonlinear(Saturation, SaturationDerivatives, Data.X, Data.Y, 8, 0, 1, 4000, 1e-6, Bref, Bmin, Bmax,
                         Vref),
            SolveOk);

  OptimizerCode = C.Code;
  ASSERT_EQ(FitNonlinear(Saturation, SaturationDerivatives, Data.X, Data.Y, 8, 0, 1, 4000, C.Tol, B, Bmin, Bmax, V),
            SolveOk);
  for (int K = 0; K <= 1; ++K)
    EXPECT_NEAR(B[K], Bref[K], C.ParameterTol * std::fabs(Bref[K])) << K;
  for (int K = 0; K <= 1; ++K)
    EXPECT_NEAR(V[K][K], C.MatrixScale * Vref[K][K], C.MatrixTol * C.MatrixScale * Vref[K][K]) << K;
}

INSTANTIATE_TEST_SUITE_P(Codes, Optimizers,
                         // Simplex and annealing: V is the Gauss-Newton inverse at
                         // their end point, so it differs from the reference by
                         // the parameter error times the conditioning (about
                         // 100). BFGS: V approximates the inverse of the full
                         // Hessian of S, half the Gauss-Newton inverse, only as
                         // well as its updates have sampled the curvature.
                         testing::Values(TOptimizerCase{"Simplex", OptimizerSimplex, 1e-9, 1e-6, 1.0, 1e-4},
                                         TOptimizerCase{"Bfgs", OptimizerBfgs, 1e-9, 1e-4, 0.5, 0.5},
                                         TOptimizerCase{"Annealing", OptimizerAnnealing, 1e-5, 1e-3, 1.0, 0.1}),
                         [](const testing::TestParamInfo<TOptimizerCase>& Info) { return std::string(Info.param.Name); });

TEST_F(NonlinearTest, NumericDerivativesOfAStraightLine)
{
  StoreFitContext(Line, LineDerivatives, false, Data.X, Data.Y, TVector(), 8, 0, 1, Bmin, Bmax);
  B[0] = 1.0;
  B[1] = 3.0;
  TVector D;
  AllocVector(D, 1);
  NumericDerivatives(Line, 2.0, 7.0, B, D);
  // Forward differences of a linear function: exact up to the rounding of
  // the step, about sqrt(eps) relative.
  EXPECT_NEAR(D[0], 1.0, 1e-7);
  EXPECT_NEAR(D[1], 2.0, 1e-7);
  EXPECT_EQ(B[0], 1.0);
  EXPECT_EQ(B[1], 3.0);

  // A parameter at 0 takes an absolute step instead of dividing by zero.
  B[0] = 0.0;
  NumericDerivatives(Line, 2.0, 6.0, B, D);
  EXPECT_NEAR(D[0], 1.0, 1e-7);
}

TEST_F(NonlinearTest, FaultInTheModelLeavesTheFit)
{
  const TVector X = Observations({1, 2, 3, 4});
  const TVector Y = Observations({1, 2, 3, 4});
  // Starting at B[1] = 0 the first objective evaluation divides by zero.
  B[0] = 0.0;
  B[1] = 0.0;
  EXPECT_THROW(FitNonlinear(Reciprocal, NumericDerivatives, X, Y, 4, 0, 1, 100, 0.001, B, Bmin, Bmax, V),
               ArithmeticFault);
  // A fault deeper in the run, inside the line search's trial points.
  B[0] = 10.0;
  B[1] = 1e-300;
  EXPECT_THROW(FitNonlinear(Reciprocal, NumericDerivatives, X, Y, 4, 0, 1, 100, 0.001, B, Bmin, Bmax, V),
               ArithmeticFault);
}

// ---------------------------------------------------------------------------
// Simulation of a fit

class SimulationTest : public NonlinearTest {
protected:
  void SetUp() override
  {
    NonlinearTest::SetUp();
    SetPlatformRandomSource(FixedSource);
    OptimizerCode = OptimizerMetropolis;
  }
  void TearDown() override
  {
    NonlinearTest::TearDown();
    SetPlatformRandomSource(nullptr);
    SampleFileName.clear();
  }
};

TEST_F(SimulationTest, SamplesAroundTheFit)
{
  Bmin[0] = 5.0;
  Bmax[0] = 15.0;
  Bmin[1] = 0.1;
  Bmax[1] = 1.0;
  ASSERT_EQ(FitNonlinear(Saturation, SaturationDerivatives, Data.X, Data.Y, 8, 0, 1, 4000, 0.001, B, Bmin, Bmax, V),
            SolveOk);
  // At temperature 2 the sample spreads over the region where S stays within
  // a few units of its minimum; the mean of 100 correlated points lies within
  // three sample standard deviations of the least-squares fit (10, 0.5).
  ASSERT_GT(V[0][0], 0.0);
  ASSERT_GT(V[1][1], 0.0);
  EXPECT_NEAR(B[0], 10.0, 3 * std::sqrt(V[0][0]));
  EXPECT_NEAR(B[1], 0.5, 3 * std::sqrt(V[1][1]));
  EXPECT_LT(std::sqrt(V[1][1]), 0.5);
  EXPECT_EQ(V[0][1], V[1][0]);
}

TEST_F(SimulationTest, PinnedParameterStopsAtOnceAndWritesNoFile)
{
  const std::string Path = testing::TempDir() + "titrelle_sample_pinned.txt";
  std::remove(Path.c_str());
  SampleFileName = Path;
  Bmin[1] = Bmax[1] = 0.5;
  EXPECT_EQ(FitNonlinear(Saturation, SaturationDerivatives, Data.X, Data.Y, 8, 0, 1, 4000, 0.001, B, Bmin, Bmax, V),
            SolveNotPositiveDefinite);
  EXPECT_FALSE(std::ifstream(Path).good());
}

TEST_F(SimulationTest, SampleFileLayout)
{
  const std::string Path = testing::TempDir() + "titrelle_sample.txt";
  SampleFileName = Path;
  TVector X;
  TVector Xmin, Xmax;
  AllocVector(X, 2);
  AllocVector(Xmin, 2);
  AllocVector(Xmax, 2);
  TMatrix Cov;
  AllocMatrix(Cov, 2, 2);
  Cov[0][0] = Cov[0][1] = Cov[0][2] = Cov[1][0] = Cov[2][0] = -9.0;
  Xmin[1] = 5.0;
  Xmax[1] = 15.0;
  Xmin[2] = 0.1;
  Xmax[2] = 1.0;
  StoreFitContext(Saturation1, Saturation1Derivatives, false, Data.X, Data.Y, TVector(), 8, 1, 2, Xmin, Xmax);
  Float FMin = 0.0;
  ASSERT_EQ(SimulateFit(ResidualSumOfSquares, X, Xmin, Xmax, 1, 2, FMin, Cov), SolveOk);
  EXPECT_EQ(Cov[0][0], -9.0);  // row and column 0 are not written
  EXPECT_EQ(Cov[0][2], -9.0);
  EXPECT_EQ(Cov[2][0], -9.0);

  std::ifstream In(Path);
  std::vector<std::string> Lines;
  for (std::string L; std::getline(In, L);)
    Lines.push_back(L);
  std::remove(Path.c_str());
  ASSERT_EQ(Lines.size(), static_cast<std::size_t>(2 + MetropolisSaved));
  EXPECT_EQ(Lines[0], "Simulation (Metropolis-Hastings)");
  EXPECT_EQ(Lines[1], " Iter" + std::string(13, ' ') + "b1" + std::string(13, ' ') + "b2");
  // Each data line: the index in 5 characters, then " " and a 14-character
  // fixed-point field with 6 decimals per parameter.
  for (int C = 1; C <= MetropolisSaved; ++C) {
    const std::string& L = Lines[C + 1];
    ASSERT_EQ(L.size(), 5u + 2 * 15) << L;
    EXPECT_EQ(std::stoi(L.substr(0, 5)), C);
    for (int P = 0; P < 2; ++P) {
      const std::string Field = L.substr(5 + 15 * P, 15);
      EXPECT_EQ(Field[0], ' ');
      EXPECT_EQ(Field.find('.'), 15u - 7u) << Field;
    }
  }
}

}  // namespace
}  // namespace Titrelle
