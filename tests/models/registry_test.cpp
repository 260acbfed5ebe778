// The registry: selection and options, parameter ranges, dispatch, the
// variance models, and the stages of RunModelFit on the linear models.
#include <gtest/gtest.h>

#include "TestVectors.h"

#include <cmath>
#include <vector>

#include "models/Models.h"

namespace Titrelle {
namespace {

TVector Options(std::initializer_list<Float> Values)
{
  TVector V;
  AllocVector(V, 4);
  int I = 0;
  for (Float X : Values)
    V[I++] = X;
  return V;
}

using Testing::Observations;

class RegistryTest : public testing::Test {
protected:
  void SetUp() override { InitModels(); }
  void TearDown() override { InitModels(); }
};

TEST_F(RegistryTest, PolynomialDegreeRoundsAndPersists)
{
  struct TStep {
    Float Option;
    int Degree;
  };
  // Halves go to the even neighbour; a value that rounds to 1 or less keeps
  // the previous degree.
  const TStep Steps[] = {{3, 3}, {0, 3}, {1, 3}, {3.5, 4}, {2.5, 2}, {1.4, 2}, {5.49, 5}, {-7, 5}};
  for (const TStep& S : Steps) {
    ASSERT_TRUE(SelectModel(2, 0, Options({S.Option})));
    EXPECT_EQ(ParamHigh(), S.Degree) << "option " << S.Option;
    EXPECT_EQ(ParamLow(), 0);
  }
  // Another model in between leaves the degree alone.
  SelectModel(0, 0, Options({9}));
  SelectModel(2, 0, Options({0}));
  EXPECT_EQ(ParamHigh(), 5);
}

TEST_F(RegistryTest, MultipleLinearOptions)
{
  ASSERT_TRUE(SelectModel(1, 0, Options({3, 1})));
  EXPECT_EQ(ParamLow(), 0);
  EXPECT_EQ(ParamHigh(), 3);
  // Only exactly 1 switches the constant term on.
  for (Float Flag : {0.0, 2.0, 0.999}) {
    SelectModel(1, 0, Options({2.5, Flag}));
    EXPECT_EQ(ParamLow(), 1) << Flag;
    EXPECT_EQ(ParamHigh(), 2);
  }
  // Without the constant term B[0] is ignored.
  TVector Row = Observations({2, 3});
  TVector B = Options({100, 1, 10});
  EXPECT_EQ(EvaluateRowModel(Row, B), 2.0 + 30.0);
  SelectModel(1, 0, Options({2, 1}));
  EXPECT_EQ(EvaluateRowModel(Row, B), 132.0);
}

TEST_F(RegistryTest, OutOfRangeSelectionsAreRejected)
{
  ASSERT_TRUE(SelectModel(2, 1, Options({3})));
  const TVector Any = Options({4});
  EXPECT_FALSE(SelectModel(15, 0, Any));
  EXPECT_FALSE(SelectModel(-1, 0, Any));
  EXPECT_FALSE(SelectModel(100, 0, Any));
  EXPECT_FALSE(SelectModel(0, 6, Any));
  EXPECT_FALSE(SelectModel(0, -1, Any));
  EXPECT_EQ(CurrentModelCode(), 2);
  EXPECT_EQ(CurrentVarianceModel(), 1);
  EXPECT_EQ(ParamHigh(), 3);  // the rejected call configured nothing
}

TEST_F(RegistryTest, EstimatesRejectUnknownModes)
{
  const TVector X = Observations({1, 2, 3});
  const TVector Y = Observations({2, 4, 7});
  TMatrix U, V;
  AllocMatrix(U, 2, 3);
  AllocMatrix(V, 2, 2);
  for (int Code : {0, 1, 2}) {
    SelectModel(Code, 0, Options({2, 1}));
    TVector B = Options({9, 9, 9});
    EXPECT_EQ(LinearPreFit(2, X, U, Y, Y, 3, B, V), SolveSingular) << Code;
    EXPECT_EQ(B[0], 9.0);
    EXPECT_EQ(B[1], 9.0);
  }
}

TEST_F(RegistryTest, VarianceFactors)
{
  const TVector Theta = Options({0, 0.5, 0.25, 0.125});
  struct TCase {
    int Model;
    int ParamCount;
    Float Expected;  // g(2)
  };
  const TCase Cases[] = {
    {0, 0, 1.0},
    {1, 1, 1.0 + 0.5 * 2},
    {2, 2, 1.0 + 2 * (0.5 + 2 * 0.25)},
    {3, 3, 1.0 + 2 * (0.5 + 2 * (0.25 + 2 * 0.125))},
    {4, 1, std::exp(0.5 * 2)},
    {5, 1, std::sqrt(2.0)},
  };
  for (const TCase& C : Cases) {
    SelectModel(0, C.Model, Options({}));
    EXPECT_EQ(VarianceParamCount(), C.ParamCount) << C.Model;
    EXPECT_NEAR(VarianceFactor(Theta, 2.0), C.Expected, 4 * MachineEpsilon * C.Expected) << C.Model;
  }
  // The power model of a negative response has no weight: 0 from the guarded power.
  SelectModel(0, 5, Options({}));
  EXPECT_EQ(VarianceFactor(Theta, -2.0), 0.0);
}

// A fit with everything it needs, for one model.
struct TFit {
  TVector Theta, B, Bmin, Bmax, Ycalc, S;
  TMatrix V;
  TFitStatistics Stats;

  explicit TFit(int N)
  {
    AllocVector(Theta, VarianceParamCount());
    AllocVector(B, ParamHigh());
    AllocVector(Bmin, ParamHigh());
    AllocVector(Bmax, ParamHigh());
    AllocMatrix(V, ParamHigh(), ParamHigh());
    AllocVector(Ycalc, N);
    AllocVector(S, N);
    for (int K = ParamLow(); K <= ParamHigh(); ++K) {
      Bmin[K] = -1e6;
      Bmax[K] = 1e6;
    }
  }
};

TEST_F(RegistryTest, LinearFitFillsEveryOutput)
{
  const TVector X = Observations({1, 2, 3, 4, 5});
  const TVector Y = Observations({2.1, 3.9, 6.2, 7.8, 10.1});
  SelectModel(0, 0, Options({}));
  TFit F(5);
  ASSERT_EQ(RunModelFit(X, TMatrix(), Y, 5, true, 4000, 0.001, F.Theta, F.B, F.Bmin, F.Bmax, F.V, F.Ycalc, F.S,
                        F.Stats),
            SolveOk);
  // Worked by hand: Sx = 15, Sy = 30.1, Sxx = 55, Sxy = 110.2, D = 50;
  // slope = (5 * 110.2 - 15 * 30.1) / 50 = 1.99, intercept = (30.1 - 29.85) / 5 = 0.05.
  EXPECT_NEAR(F.B[1], 1.99, 1e-14);
  EXPECT_NEAR(F.B[0], 0.05, 1e-14);
  Float Sse = 0.0;
  for (int I = 1; I <= 5; ++I) {
    EXPECT_NEAR(F.Ycalc[I], 0.05 + 1.99 * X[I], 1e-13);
    Sse += (Y[I] - F.Ycalc[I]) * (Y[I] - F.Ycalc[I]);
  }
  EXPECT_NEAR(F.Stats.ResidualVariance, Sse / 3, 1e-15);
  EXPECT_EQ(F.Theta[0], F.Stats.ResidualVariance);
  for (int I = 1; I <= 5; ++I)
    EXPECT_EQ(F.S[I], std::sqrt(F.Theta[0]));
  // V after the statistics: residual variance times the inverse normal matrix [[Sxx, -Sx], [-Sx, n]] / D.
  EXPECT_NEAR(F.V[1][1], F.Theta[0] * 5 / 50, 1e-15);
  EXPECT_NEAR(F.V[0][1], -F.Theta[0] * 15 / 50, 1e-15);
}

TEST_F(RegistryTest, PolynomialWithoutPreFitDescribesTheCallersParameters)
{
  const TVector X = Observations({0, 1, 2, 3});
  const TVector Y = Observations({1, 2, 5, 10});
  SelectModel(2, 0, Options({2}));
  TFit F(4);
  F.B[0] = 1;
  F.B[1] = 0;
  F.B[2] = 1;  // exactly 1 + x^2
  ASSERT_EQ(RunModelFit(X, TMatrix(), Y, 4, false, 4000, 0.001, F.Theta, F.B, F.Bmin, F.Bmax, F.V, F.Ycalc, F.S,
                        F.Stats),
            SolveOk);
  EXPECT_EQ(F.B[2], 1.0);
  for (int I = 1; I <= 4; ++I)
    EXPECT_EQ(F.Ycalc[I], Y[I]);
  EXPECT_EQ(F.Stats.ResidualVariance, 0.0);
  EXPECT_EQ(F.Stats.FValue, MaxFloat);
}

TEST_F(RegistryTest, MultipleLinearFitsRowsOfU)
{
  // Y = 1 + 2 u1 - 3 u2 with a small deviation on the last observation.
  const int N = 5;
  TMatrix U;
  AllocMatrix(U, 2, N);
  const Float U1[] = {1, 2, 3, 4, 5}, U2[] = {0, 1, 0, 2, 1};
  TVector Y;
  AllocVector(Y, N);
  for (int I = 1; I <= N; ++I) {
    U[1][I] = U1[I - 1];
    U[2][I] = U2[I - 1];
    Y[I] = 1 + 2 * U1[I - 1] - 3 * U2[I - 1] + (I == N ? 0.01 : 0.0);
  }
  SelectModel(1, 0, Options({2, 1}));
  TFit F(N);
  ASSERT_EQ(RunModelFit(TVector(), U, Y, N, true, 4000, 0.001, F.Theta, F.B, F.Bmin, F.Bmax, F.V, F.Ycalc, F.S,
                        F.Stats),
            SolveOk);
  for (int I = 1; I <= N; ++I)
    EXPECT_NEAR(F.Ycalc[I], F.B[0] + F.B[1] * U1[I - 1] + F.B[2] * U2[I - 1], 1e-13);
  // The deviation of 0.01 moves the coefficients by less than 0.01.
  EXPECT_NEAR(F.B[1], 2.0, 0.01);
  EXPECT_NEAR(F.B[2], -3.0, 0.01);
}

TEST_F(RegistryTest, WeightedFitsUseTheirWeights)
{
  const TVector X = Observations({1, 2, 3, 4, 5});
  const TVector Y = Observations({2.1, 3.9, 6.2, 7.8, 10.1});

  // Linear variance with Theta[1] = 0: every weight is 1, so the weighted
  // routines give the unweighted fit.
  SelectModel(0, 0, Options({}));
  TFit Plain(5);
  ASSERT_EQ(RunModelFit(X, TMatrix(), Y, 5, true, 4000, 0.001, Plain.Theta, Plain.B, Plain.Bmin, Plain.Bmax, Plain.V,
                        Plain.Ycalc, Plain.S, Plain.Stats),
            SolveOk);
  SelectModel(0, 1, Options({}));
  TFit Unit(5);
  Unit.Theta[1] = 0.0;
  ASSERT_EQ(RunModelFit(X, TMatrix(), Y, 5, true, 4000, 0.001, Unit.Theta, Unit.B, Unit.Bmin, Unit.Bmax, Unit.V,
                        Unit.Ycalc, Unit.S, Unit.Stats),
            SolveOk);
  EXPECT_NEAR(Unit.B[0], Plain.B[0], 1e-14);
  EXPECT_NEAR(Unit.B[1], Plain.B[1], 1e-14);
  EXPECT_NEAR(Unit.Theta[0], Plain.Theta[0], 1e-15);

  // Power variance Y^1: weight 1/Y, and S[i] = sqrt(Theta[0] Y[i]).
  SelectModel(0, 5, Options({}));
  TFit Power(5);
  Power.Theta[1] = 1.0;
  ASSERT_EQ(RunModelFit(X, TMatrix(), Y, 5, true, 4000, 0.001, Power.Theta, Power.B, Power.Bmin, Power.Bmax, Power.V,
                        Power.Ycalc, Power.S, Power.Stats),
            SolveOk);
  Float Sse = 0.0;
  for (int I = 1; I <= 5; ++I) {
    const Float R = Y[I] - Power.Ycalc[I];
    Sse += R * R / Y[I];
    EXPECT_NEAR(Power.S[I], std::sqrt(Power.Theta[0] * Y[I]), 1e-14);
  }
  EXPECT_NEAR(Power.Theta[0], Sse / 3, 1e-15);
}

TEST_F(RegistryTest, FailureLeavesTheResultsAlone)
{
  const TVector X = Observations({2, 2, 2});
  const TVector Y = Observations({1, 2, 3});
  SelectModel(0, 0, Options({}));
  TFit F(3);
  F.Ycalc[1] = 5.0;
  F.S[1] = 6.0;
  F.Theta[0] = 7.0;
  F.Stats.RSquared = 0.5;
  EXPECT_EQ(RunModelFit(X, TMatrix(), Y, 3, true, 4000, 0.001, F.Theta, F.B, F.Bmin, F.Bmax, F.V, F.Ycalc, F.S,
                        F.Stats),
            SolveSingular);
  EXPECT_EQ(F.Ycalc[1], 5.0);
  EXPECT_EQ(F.S[1], 6.0);
  EXPECT_EQ(F.Theta[0], 7.0);
  EXPECT_EQ(F.Stats.RSquared, 0.5);
}

// Faults raised by an estimate reach the caller of RunModelFit unchanged.
struct TFaultCase {
  const char* Name;
  int Code;
  std::vector<Float> Options;
  std::vector<Float> X, Y;
};

class EstimateFaults : public testing::TestWithParam<TFaultCase> {
protected:
  void SetUp() override { InitModels(); }
  void TearDown() override { InitModels(); }
};

TEST_P(EstimateFaults, ReachTheCaller)
{
  const TFaultCase& C = GetParam();
  TVector O;
  AllocVector(O, 4);
  for (std::size_t I = 0; I < C.Options.size(); ++I)
    O[static_cast<int>(I)] = C.Options[I];
  ASSERT_TRUE(SelectModel(C.Code, 0, O));
  const int N = static_cast<int>(C.X.size());
  const TVector X = Observations(C.X);
  const TVector Y = Observations(C.Y);
  TFit F(N);
  EXPECT_THROW(RunModelFit(X, TMatrix(), Y, N, true, 4000, 0.001, F.Theta, F.B, F.Bmin, F.Bmax, F.V, F.Ycalc, F.S,
                           F.Stats),
               ArithmeticFault);
}

INSTANTIATE_TEST_SUITE_P(
  Cases, EstimateFaults,
  testing::Values(
    // With the constant term, B0 = Y[1] - (Y[N] - Y[1]) 0.05 = 0.95: the inner
    // response 0.95 divides by zero in the logit transform.
    TFaultCase{"LogisticResponseAtLowerAsymptote", 11, {1, 0}, {1, 2, 3, 4}, {1, 0.95, 1.5, 2}},
    // Every response equal: both asymptotes coincide and the transform is 0/0.
    TFaultCase{"FourParameterEqualResponses", 13, {}, {1, 2, 4, 8}, {0.5, 0.5, 0.5, 0.5}},
    TFaultCase{"FiveParameterEqualResponses", 14, {}, {1, 2, 4, 8}, {0.5, 0.5, 0.5, 0.5}},
    // Substrate as X (options S0 = 0): a product beyond the substrate given.
    TFaultCase{"IntegratedMichaelisBeyondFullConversion", 9, {0, 1, 1, 1, 1}, {1, 2, 3, 4}, {0.5, 2.5, 1.5, 2}},
    // Reaction time as X: a zero time divides by zero.
    TFaultCase{"IntegratedMichaelisZeroTime", 9, {5, 1, 0, 1, 1}, {0, 1, 2, 3}, {0, 1, 2, 3}}),
  [](const testing::TestParamInfo<TFaultCase>& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace Titrelle
