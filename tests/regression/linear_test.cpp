// Linear least squares: the straight line in closed form, multiple and
// polynomial regression by singular values and by normal equations, and the
// statistics of a fit.
#include <gtest/gtest.h>

#include "TestVectors.h"

#include <cmath>
#include <vector>

#include "regression/regress.h"

namespace Titrelle {
namespace {

using Testing::Observations;

TMatrix FilledMatrix(int Ub, Float Value)
{
  TMatrix A;
  AllocMatrix(A, Ub, Ub);
  for (int I = 0; I <= Ub; ++I)
    for (int J = 0; J <= Ub; ++J)
      A[I][J] = Value;
  return A;
}

// Restores the solve method after a test that changes it.
class LinearTest : public testing::Test {
protected:
  void TearDown() override { LinearSolveMethod = LinearBySingularValues; }
};

TEST_F(LinearTest, StraightLineThroughTwoPoints)
{
  const TVector X = Observations({1, 2});
  const TVector Y = Observations({3, 5});
  TVector B;
  TMatrix V;
  AllocVector(B, 1);
  AllocMatrix(V, 1, 1);
  ASSERT_EQ(FitStraightLine(X, Y, 2, B, V), SolveOk);
  // Exact in binary arithmetic: D = 2 * 5 - 9 = 1.
  EXPECT_EQ(B[0], 1.0);
  EXPECT_EQ(B[1], 2.0);
  EXPECT_EQ(V[0][0], 5.0);
  EXPECT_EQ(V[0][1], -3.0);
  EXPECT_EQ(V[1][0], -3.0);
  EXPECT_EQ(V[1][1], 2.0);
}

TEST_F(LinearTest, SingularStraightLineLeavesOutputsUntouched)
{
  const TVector X = Observations({2, 2, 2});
  const TVector Y = Observations({1, 2, 3});
  const TVector ZeroWeights = Observations({0, 0, 0});
  TVector B = Observations({9, 9}, 9);
  TMatrix V = FilledMatrix(1, 8);
  EXPECT_EQ(FitStraightLine(X, Y, 3, B, V), SolveSingular);
  const TVector X2 = Observations({1, 2, 3});
  EXPECT_EQ(FitStraightLineWeighted(X2, Y, ZeroWeights, 3, B, V), SolveSingular);
  EXPECT_EQ(FitStraightLine(X2, Y, 1, B, V), SolveSingular);  // one observation
  // Equal X whose sums do not cancel exactly in binary.
  // (3 * 25.23 - 8.7^2 leaves 1.4e-14 in doubles; so do these weights at 3.7.)
  const TVector Same = Observations({2.9, 2.9, 2.9});
  EXPECT_EQ(FitStraightLine(Same, Y, 3, B, V), SolveSingular);
  const TVector Same37 = Observations({3.7, 3.7, 3.7});
  const TVector Weights = Observations({2.3, 0.3, 1.9});
  EXPECT_EQ(FitStraightLineWeighted(Same37, Y, Weights, 3, B, V), SolveSingular);
  for (int I = 0; I <= 1; ++I) {
    EXPECT_EQ(B[I], 9.0);
    for (int J = 0; J <= 1; ++J)
      EXPECT_EQ(V[I][J], 8.0);
  }
}

TEST_F(LinearTest, WeightsOfOneAndZero)
{
  const TVector X = Observations({1, 2, 3, 4, 5});
  const TVector Y = Observations({2.1, 3.9, 6.2, 7.8, 10.1});
  const TVector Ones = Observations({1, 1, 1, 1, 1});
  TVector B1, B2;
  TMatrix V1, V2;
  AllocVector(B1, 1);
  AllocVector(B2, 1);
  AllocMatrix(V1, 1, 1);
  AllocMatrix(V2, 1, 1);
  ASSERT_EQ(FitStraightLine(X, Y, 5, B1, V1), SolveOk);
  ASSERT_EQ(FitStraightLineWeighted(X, Y, Ones, 5, B2, V2), SolveOk);
  for (int I = 0; I <= 1; ++I) {
    EXPECT_EQ(B1[I], B2[I]);
    for (int J = 0; J <= 1; ++J)
      EXPECT_EQ(V1[I][J], V2[I][J]);
  }

  // A point of weight 0 has no influence: the line through the other four.
  const TVector Outlier = Observations({2.1, 3.9, 60.0, 7.8, 10.1});
  const TVector DropThird = Observations({1, 1, 0, 1, 1});
  const TVector X4 = Observations({1, 2, 4, 5});
  const TVector Y4 = Observations({2.1, 3.9, 7.8, 10.1});
  ASSERT_EQ(FitStraightLineWeighted(X, Outlier, DropThird, 5, B2, V2), SolveOk);
  ASSERT_EQ(FitStraightLine(X4, Y4, 4, B1, V1), SolveOk);
  // Same sums in a different order: a few ulps of the coefficients.
  for (int I = 0; I <= 1; ++I)
    EXPECT_NEAR(B2[I], B1[I], 16 * MachineEpsilon * 10);
}

struct TMethodCase {
  const char* Name;
  std::uint8_t Method;
};

class BothMethods : public testing::TestWithParam<TMethodCase> {
protected:
  void SetUp() override { LinearSolveMethod = GetParam().Method; }
  void TearDown() override { LinearSolveMethod = LinearBySingularValues; }
};

TEST_P(BothMethods, PolynomialAgreesWithTheStraightLineAndFitsAParabola)
{
  const TVector X = Observations({1, 2, 3, 4, 5});
  const TVector Y = Observations({2.1, 3.9, 6.2, 7.8, 10.1});
  TVector BLine, BPoly;
  TMatrix VLine, VPoly;
  AllocVector(BLine, 1);
  AllocVector(BPoly, 1);
  AllocMatrix(VLine, 1, 1);
  AllocMatrix(VPoly, 1, 1);
  ASSERT_EQ(FitStraightLine(X, Y, 5, BLine, VLine), SolveOk);
  ASSERT_EQ(FitPolynomial(X, Y, 5, 1, BPoly, VPoly), SolveOk);
  // Different algorithms on a well-conditioned 5 x 2 design: 1e-13 of the
  // size of the responses (about 10) and of the largest element of V (1.1),
  // not of a small intercept that comes out of cancellation.
  for (int I = 0; I <= 1; ++I) {
    EXPECT_NEAR(BPoly[I], BLine[I], 1e-13 * 10);
    for (int J = 0; J <= 1; ++J)
      EXPECT_NEAR(VPoly[I][J], VLine[I][J], 1e-13 * 1.1);
  }

  const TVector Xs = Observations({1, 2, 3});
  const TVector Squares = Observations({1, 4, 9});
  TVector B;
  TMatrix V;
  AllocVector(B, 2);
  AllocMatrix(V, 2, 2);
  ASSERT_EQ(FitPolynomial(Xs, Squares, 3, 2, B, V), SolveOk);
  EXPECT_NEAR(B[0], 0.0, 1e-13);
  EXPECT_NEAR(B[1], 0.0, 1e-13);
  EXPECT_NEAR(B[2], 1.0, 1e-13);
}

TEST_P(BothMethods, WithoutConstantTermIndexZeroIsNotWritten)
{
  // Y = 2 U1 - U2 exactly.
  TMatrix U;
  AllocMatrix(U, 2, 4);
  const Float U1[] = {1, 2, 3, 4}, U2[] = {1, 0, 2, 5};
  TVector Y;
  AllocVector(Y, 4);
  for (int I = 1; I <= 4; ++I) {
    U[1][I] = U1[I - 1];
    U[2][I] = U2[I - 1];
    Y[I] = 2 * U1[I - 1] - U2[I - 1];
  }
  TVector B = Observations({5, 5}, 42.0);
  TMatrix V = FilledMatrix(2, 42.0);
  ASSERT_EQ(FitMultipleLinear(U, Y, 4, 2, false, B, V), SolveOk);
  EXPECT_NEAR(B[1], 2.0, 1e-13);
  EXPECT_NEAR(B[2], -1.0, 1e-13);
  EXPECT_EQ(B[0], 42.0);
  for (int I = 0; I <= 2; ++I) {
    EXPECT_EQ(V[0][I], 42.0);
    EXPECT_EQ(V[I][0], 42.0);
  }
  // V is the inverse of U^T U: check V (U^T U) = I within 1e-12.
  for (int I = 1; I <= 2; ++I)
    for (int J = 1; J <= 2; ++J) {
      Float Sum = 0.0;
      for (int K = 1; K <= 2; ++K) {
        Float UtU = 0.0;
        for (int Obs = 1; Obs <= 4; ++Obs)
          UtU += U[K][Obs] * U[J][Obs];
        Sum += V[I][K] * UtU;
      }
      EXPECT_NEAR(Sum, I == J ? 1.0 : 0.0, 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, BothMethods,
                         testing::Values(TMethodCase{"SingularValues", LinearBySingularValues},
                                         TMethodCase{"NormalEquations", LinearByNormalEquations}),
                         [](const testing::TestParamInfo<TMethodCase>& Info) { return std::string(Info.param.Name); });

TEST_F(LinearTest, ZeroVariableSucceedsOnlyBySingularValues)
{
  TMatrix U;
  AllocMatrix(U, 2, 4);
  TVector Y;
  AllocVector(Y, 4);
  for (int I = 1; I <= 4; ++I) {
    U[1][I] = I;
    U[2][I] = 0.0;
    Y[I] = 1.0 + 3.0 * I;
  }
  TVector B;
  TMatrix V;
  AllocVector(B, 2);
  AllocMatrix(V, 2, 2);
  LinearSolveMethod = LinearBySingularValues;
  ASSERT_EQ(FitMultipleLinear(U, Y, 4, 2, true, B, V), SolveOk);
  EXPECT_NEAR(B[0], 1.0, 1e-13);
  EXPECT_NEAR(B[1], 3.0, 1e-13);
  EXPECT_NEAR(B[2], 0.0, 1e-13);
  LinearSolveMethod = LinearByNormalEquations;
  EXPECT_EQ(FitMultipleLinear(U, Y, 4, 2, true, B, V), SolveSingular);
}

TEST_F(LinearTest, UnknownMethodWritesNothing)
{
  const TVector X = Observations({1, 2, 3});
  const TVector Y = Observations({1, 4, 9});
  TVector B = Observations({7, 7}, 7);
  TMatrix V = FilledMatrix(2, 6);
  LinearSolveMethod = 2;
  EXPECT_EQ(FitPolynomial(X, Y, 3, 2, B, V), SolveOk);
  EXPECT_EQ(FitPolynomialWeighted(X, Y, Y, 3, 2, B, V), SolveOk);
  for (int I = 0; I <= 2; ++I) {
    EXPECT_EQ(B[I], 7.0);
    for (int J = 0; J <= 2; ++J)
      EXPECT_EQ(V[I][J], 6.0);
  }
}

TEST_F(LinearTest, WeightedPolynomialMatchesScaledRows)
{
  // Weighting by w is least squares on rows scaled by sqrt(w): with weights
  // 4 on a point, that point counts like four copies of itself.
  const TVector X = Observations({0, 1, 2, 3});
  const TVector Y = Observations({1, 2.5, 2.9, 5.2});
  const TVector W = Observations({1, 4, 1, 1});
  const TVector XCopies = Observations({0, 1, 1, 1, 1, 2, 3});
  const TVector YCopies = Observations({1, 2.5, 2.5, 2.5, 2.5, 2.9, 5.2});
  TVector B1, B2;
  TMatrix V1, V2;
  AllocVector(B1, 1);
  AllocVector(B2, 1);
  AllocMatrix(V1, 1, 1);
  AllocMatrix(V2, 1, 1);
  ASSERT_EQ(FitPolynomialWeighted(X, Y, W, 4, 1, B1, V1), SolveOk);
  ASSERT_EQ(FitPolynomial(XCopies, YCopies, 7, 1, B2, V2), SolveOk);
  for (int I = 0; I <= 1; ++I) {
    EXPECT_NEAR(B1[I], B2[I], 1e-13);
    for (int J = 0; J <= 1; ++J)
      EXPECT_NEAR(V1[I][J], V2[I][J], 1e-13);
  }
}

TEST_F(LinearTest, NegativeWeightFaults)
{
  const TVector X = Observations({0, 1, 2});
  const TVector Y = Observations({1, 2, 3});
  const TVector W = Observations({1, -1, 1});
  TVector B;
  TMatrix V;
  AllocVector(B, 1);
  AllocMatrix(V, 1, 1);
  EXPECT_THROW(FitPolynomialWeighted(X, Y, W, 3, 1, B, V), ArithmeticFault);
}

// ---------------------------------------------------------------------------
// Statistics

TEST(FitStatisticsTest, RecordOfTheWorkedExample)
{
  const TVector Y = Observations({1, 3, 2, 5});
  const TVector Ycalc = Observations({1.5, 2, 3, 4.5});
  const TVector Ones = Observations({1, 1, 1, 1});
  for (bool Weighted : {false, true}) {
    TMatrix V;
    AllocMatrix(V, 1, 1);
    V[0][0] = 2;
    V[0][1] = -1;
    V[1][0] = -1;
    V[1][1] = 4;
    TFitStatistics Stats;
    if (Weighted)
      ComputeFitStatisticsWeighted(Y, Ycalc, Ones, 4, 0, 1, V, Stats);
    else
      ComputeFitStatistics(Y, Ycalc, 4, 0, 1, V, Stats);
    // SST = 8.75, SSR = 5.25, SSE = 2.5 are exact in binary; the quotients
    // are within an ulp or two.
    EXPECT_NEAR(Stats.RSquared, 0.6, 2 * MachineEpsilon);
    EXPECT_NEAR(Stats.AdjustedRSquared, 0.4, 4 * MachineEpsilon);
    EXPECT_EQ(Stats.ResidualVariance, 1.25);
    EXPECT_NEAR(Stats.FValue, 4.2, 8 * MachineEpsilon);
    // R 4.2.2: pf(4.2, 1, 2, lower.tail = FALSE)
    EXPECT_NEAR(Stats.FProbability, 0.17694510824689844, 1e-12 * 0.177);
    EXPECT_EQ(V[0][0], 2.5);
    EXPECT_EQ(V[0][1], -1.25);
    EXPECT_EQ(V[1][0], -1.25);
    EXPECT_EQ(V[1][1], 5.0);
  }
}

TEST(FitStatisticsTest, PerfectFitAndNoResidualFreedom)
{
  const TVector Y = Observations({1, 3, 2, 5});
  TMatrix V = FilledMatrix(1, 3.0);
  TFitStatistics Stats;
  ComputeFitStatistics(Y, Y, 4, 0, 1, V, Stats);
  EXPECT_EQ(Stats.ResidualVariance, 0.0);
  EXPECT_EQ(Stats.RSquared, 1.0);
  EXPECT_EQ(Stats.FValue, MaxFloat);
  EXPECT_EQ(Stats.FProbability, 0.0);
  EXPECT_EQ(V[1][0], 0.0);

  const TVector Y2 = Observations({1, 3});
  const TVector Far = Observations({10, -30});
  V = FilledMatrix(1, 3.0);
  ComputeFitStatistics(Y2, Far, 2, 0, 1, V, Stats);
  EXPECT_EQ(Stats.ResidualVariance, 0.0);
  EXPECT_EQ(Stats.RSquared, 1.0);
  EXPECT_EQ(Stats.AdjustedRSquared, 0.0);
  EXPECT_EQ(Stats.FValue, 0.0);
  EXPECT_EQ(Stats.FProbability, 1.0);
  for (int I = 0; I <= 1; ++I)
    for (int J = 0; J <= 1; ++J)
      EXPECT_EQ(V[I][J], 0.0);
}

TEST(FitStatisticsTest, ScalesOnlyTheFittedBlock)
{
  const TVector Y = Observations({1, 3, 2, 5});
  const TVector Ycalc = Observations({1.5, 2, 3, 4.5});
  TMatrix V = FilledMatrix(2, 1.0);
  TFitStatistics Stats;
  ComputeFitStatistics(Y, Ycalc, 4, 1, 2, V, Stats);
  for (int I = 0; I <= 2; ++I) {
    EXPECT_EQ(V[0][I], 1.0);
    EXPECT_EQ(V[I][0], 1.0);
  }
  EXPECT_EQ(V[1][2], 1.25);
  EXPECT_EQ(V[2][1], 1.25);
}

TEST(FitStatisticsTest, QuotientsWithoutAValueGetDefinedOnes)
{
  TMatrix V = FilledMatrix(1, 1.0);
  TFitStatistics Stats;
  // Every response equal: SST = 0, r^2 taken as 0.
  const TVector Flat = Observations({2, 2, 2, 2});
  const TVector Ycalc = Observations({1.9, 2.1, 2, 2});
  ComputeFitStatistics(Flat, Ycalc, 4, 0, 1, V, Stats);
  EXPECT_EQ(Stats.RSquared, 0.0);
  EXPECT_NEAR(Stats.AdjustedRSquared, 1.0 - 3.0 / 2.0, 4 * MachineEpsilon);
  EXPECT_NEAR(Stats.ResidualVariance, 0.02 / 2, 1e-15);
  EXPECT_TRUE(std::isfinite(Stats.FValue));

  // A single parameter: no regression degrees of freedom, no F test.
  const TVector Y = Observations({1, 3, 2, 5});
  V = FilledMatrix(1, 1.0);
  ComputeFitStatistics(Y, Ycalc, 4, 1, 1, V, Stats);
  EXPECT_EQ(Stats.FValue, 0.0);
  EXPECT_EQ(Stats.FProbability, 1.0);
  EXPECT_GT(Stats.ResidualVariance, 0.0);
  EXPECT_EQ(V[1][1], Stats.ResidualVariance);
  EXPECT_EQ(V[0][0], 1.0);
}

}  // namespace
}  // namespace Titrelle
