// The logistic family: the logistic curve in X with its options and sorting
// estimate, and the four- and five-parameter log-dose logistic curves.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "models/Logis2.h"
#include "models/Logis3.h"
#include "models/ModelShared.h"
#include "models/fitlogis.h"
#include "numeric/fmath.h"

namespace Titrelle {
namespace {

// Marks element 0 of observation vectors and parameters that an estimate must
// leave alone.
constexpr Float Untouched = -77.0;

// A vector with observations at 1..n (element 0 unused and marked).
TVector Observations(const std::vector<Float>& Values)
{
  TVector V;
  AllocVector(V, static_cast<int>(Values.size()));
  V[0] = Untouched;
  for (std::size_t I = 0; I < Values.size(); ++I)
    V[static_cast<int>(I) + 1] = Values[I];
  return V;
}

// A vector holding Values at 0..size - 1.
TVector Parameters(const std::vector<Float>& Values)
{
  TVector V;
  AllocVector(V, static_cast<int>(Values.size()) - 1);
  for (std::size_t I = 0; I < Values.size(); ++I)
    V[static_cast<int>(I)] = Values[I];
  return V;
}

// A parameter vector 0..Ub with every element marked.
TVector MarkedParameters(int Ub)
{
  TVector B;
  AllocVector(B, Ub);
  for (int K = 0; K <= Ub; ++K)
    B[K] = Untouched;
  return B;
}

// Relative difference, for failure messages.
Float RelativeError(Float Actual, Float Expected)
{
  return std::fabs(Actual - Expected) / std::fmax(std::fabs(Expected), MinFloat);
}

void ConfigureLogistic(Float ConstantTerm, Float GeneralForm)
{
  TVector Options;
  AllocVector(Options, 4);
  Options[0] = ConstantTerm;
  Options[1] = GeneralForm;
  fitlogis::Configure(Options);
}

// Every test starts from the start-up options and margins and restores the
// margins it changes.
class LogisticTest : public testing::Test {
protected:
  void SetUp() override
  {
    fitlogis::ResetOptions();
    SavedUpper = UpperMargin;
    SavedLower = LowerMargin;
    UpperMargin = 0.05;
    LowerMargin = 0.05;
  }
  void TearDown() override
  {
    UpperMargin = SavedUpper;
    LowerMargin = SavedLower;
    fitlogis::ResetOptions();
  }

private:
  Float SavedUpper = 0.0;
  Float SavedLower = 0.0;
};

template <typename TCase>
class LogisticTableTest : public LogisticTest, public testing::WithParamInterface<TCase> {};

template <typename TCase>
std::string CaseName(const testing::TestParamInfo<TCase>& Info)
{
  return Info.param.Name;
}

// ---------------------------------------------------------------------------
// Analytic derivatives against central differences

using TValueFunction = Float (*)(Float X, const TVector& B);
using TDerivativeFunction = void (*)(Float X, Float Y, const TVector& B, const TVector& D);

// Compares D[Lb..Ub] with central differences of Value at X. Step: 1e-6
// relative (absolute for |Bk| < 1), giving a truncation error of order
// h^2 |f'''| ~ 1e-12 relative and a rounding error of about
// MachineEpsilon |Y| / h; the bound is 1e-6 relative plus 100 times that
// rounding error.
void ExpectDerivativesMatchDifferences(TValueFunction Value, TDerivativeFunction Derivatives, Float X,
                                       const std::vector<Float>& Params, int Lb, int Ub)
{
  const TVector B = Parameters(Params);
  TVector D;
  AllocVector(D, Ub);
  const Float Y = Value(X, B);
  Derivatives(X, Y, B, D);
  for (int K = Lb; K <= Ub; ++K) {
    const Float H = 1e-6 * std::fmax(std::fabs(Params[K]), 1.0);
    const TVector Up = Parameters(Params);
    const TVector Down = Parameters(Params);
    Up[K] = Params[K] + H;
    Down[K] = Params[K] - H;
    const Float Numeric = (Value(X, Up) - Value(X, Down)) / (2.0 * H);
    const Float Tol = 1e-6 * std::fabs(D[K]) + 100.0 * MachineEpsilon * (std::fabs(Y) + 1.0) / H;
    EXPECT_NEAR(D[K], Numeric, Tol) << "parameter " << K << " at X = " << X << ": analytic " << D[K]
                                    << ", central difference " << Numeric;
  }
}

// ===========================================================================
// fitlogis (model 11)

struct TOptionCase {
  std::string Name;
  Float ConstantTerm, GeneralForm;
  int ParamLow, ParamHigh;
};

using LogisticOptionTest = LogisticTableTest<TOptionCase>;

TEST_P(LogisticOptionTest, ConfigureSetsParameterRange)
{
  const TOptionCase& C = GetParam();
  // A previous selection with both options on must not leak into this one.
  ConfigureLogistic(1.0, 1.0);
  ConfigureLogistic(C.ConstantTerm, C.GeneralForm);
  // Exact: integer results.
  EXPECT_EQ(fitlogis::ParamLow(), C.ParamLow);
  EXPECT_EQ(fitlogis::ParamHigh(), C.ParamHigh);
}

INSTANTIATE_TEST_SUITE_P(Options, LogisticOptionTest,
                         testing::Values(TOptionCase{"BothOff", 0.0, 0.0, 1, 3},
                                         TOptionCase{"ConstantTerm", 1.0, 0.0, 0, 3},
                                         TOptionCase{"GeneralForm", 0.0, 1.0, 1, 4},
                                         TOptionCase{"BothOn", 1.0, 1.0, 0, 4},
                                         TOptionCase{"TwoIsOff", 2.0, 2.0, 1, 3},
                                         TOptionCase{"NearlyOneIsOff", 0.999, 1.0000001, 1, 3},
                                         TOptionCase{"NegativeOneIsOff", -1.0, 1.0, 1, 4}),
                         CaseName<TOptionCase>);

TEST_F(LogisticTest, OptionsStartOffAndResetRestoresThem)
{
  EXPECT_EQ(fitlogis::ParamLow(), 1);
  EXPECT_EQ(fitlogis::ParamHigh(), 3);
  ConfigureLogistic(1.0, 1.0);
  fitlogis::ResetOptions();
  EXPECT_EQ(fitlogis::ParamLow(), 1);
  EXPECT_EQ(fitlogis::ParamHigh(), 3);
}

TEST_F(LogisticTest, ConfigureReadsOnlyTheFirstTwoOptions)
{
  TVector Options;
  AllocVector(Options, 4);
  Options[2] = 1.0;
  Options[3] = 1.0;
  Options[4] = 1.0;
  fitlogis::Configure(Options);
  EXPECT_EQ(fitlogis::ParamLow(), 1);
  EXPECT_EQ(fitlogis::ParamHigh(), 3);
}

TEST_F(LogisticTest, OptionsPersistUntilTheNextConfigure)
{
  ConfigureLogistic(1.0, 1.0);
  const TVector B = Parameters({0.2, 2.5, 1.1, 5.5, 0.7});
  (void)fitlogis::Value(3.0, B);
  EXPECT_EQ(fitlogis::ParamLow(), 0);
  EXPECT_EQ(fitlogis::ParamHigh(), 4);
}

struct TLogisticValueCase {
  std::string Name;
  Float ConstantTerm, GeneralForm;
  std::vector<Float> B;
  Float X;
  Float Expected;
};

using LogisticValueTest = LogisticTableTest<TLogisticValueCase>;

// At X = B3 / B2 the exponential is exactly 1, so Den is 2 (or 2^B4) and the
// value is exact in binary arithmetic up to one rounding: bound 4 ulp.
TEST_P(LogisticValueTest, ValueAtKnownPoints)
{
  const TLogisticValueCase& C = GetParam();
  ConfigureLogistic(C.ConstantTerm, C.GeneralForm);
  const Float Y = fitlogis::Value(C.X, Parameters(C.B));
  EXPECT_NEAR(Y, C.Expected, 4.0 * MachineEpsilon * std::fabs(C.Expected))
      << "value " << Y << ", expected " << C.Expected;
}

INSTANTIATE_TEST_SUITE_P(
    Values, LogisticValueTest,
    testing::Values(
        // Midpoint: B0 + (B1 - B0) / 2.
        TLogisticValueCase{"MidpointWithConstant", 1.0, 0.0, {1.0, 5.0, 2.0, 6.0}, 3.0, 3.0},
        // Without ConstantTerm B0 is ignored: B1 / 2.
        TLogisticValueCase{"MidpointIgnoresB0", 0.0, 0.0, {100.0, 5.0, 2.0, 6.0}, 3.0, 2.5},
        // General form, B4 = 2: Den = 4.
        TLogisticValueCase{"MidpointGeneral", 1.0, 1.0, {1.0, 5.0, 2.0, 6.0, 2.0}, 3.0, 2.0},
        TLogisticValueCase{"MidpointGeneralNoConstant", 0.0, 1.0, {100.0, 8.0, 2.0, 6.0, 3.0}, 3.0, 1.0},
        // Far to the left E overflows to MaxFloat: the value is B0 (+ 4/MaxFloat).
        TLogisticValueCase{"FarLeftGoesToB0", 1.0, 0.0, {1.0, 5.0, 2.0, 6.0}, -1000.0, 1.0},
        // Far to the right E underflows to 0: the value is B1.
        TLogisticValueCase{"FarRightGoesToB1", 1.0, 1.0, {1.0, 5.0, 2.0, 6.0, 0.7}, 1000.0, 5.0}),
    CaseName<TLogisticValueCase>);

struct TLogisticDerivativeCase {
  std::string Name;
  Float ConstantTerm, GeneralForm;
  std::vector<Float> B;
  Float X;
};

using LogisticDerivativeTest = LogisticTableTest<TLogisticDerivativeCase>;

TEST_P(LogisticDerivativeTest, AgreesWithCentralDifferences)
{
  const TLogisticDerivativeCase& C = GetParam();
  ConfigureLogistic(C.ConstantTerm, C.GeneralForm);
  ExpectDerivativesMatchDifferences(fitlogis::Value, fitlogis::Derivatives, C.X, C.B, fitlogis::ParamLow(),
                                    fitlogis::ParamHigh());
}

INSTANTIATE_TEST_SUITE_P(
    Derivatives, LogisticDerivativeTest,
    testing::Values(
        TLogisticDerivativeCase{"PlainLeft", 1.0, 0.0, {0.2, 2.5, 1.1, 5.5}, 2.0},
        TLogisticDerivativeCase{"PlainMiddle", 1.0, 0.0, {0.2, 2.5, 1.1, 5.5}, 5.0},
        TLogisticDerivativeCase{"PlainRight", 1.0, 0.0, {0.2, 2.5, 1.1, 5.5}, 8.0},
        TLogisticDerivativeCase{"Decreasing", 1.0, 0.0, {2.5, 0.2, 0.8, 3.0}, 4.5},
        TLogisticDerivativeCase{"NoConstant", 0.0, 0.0, {0.0, 2.5, 1.1, 5.5}, 4.0},
        TLogisticDerivativeCase{"GeneralLeft", 1.0, 1.0, {0.2, 2.5, 1.1, 5.5, 0.7}, 3.0},
        TLogisticDerivativeCase{"GeneralRight", 1.0, 1.0, {0.2, 2.5, 1.1, 5.5, 2.3}, 7.0},
        TLogisticDerivativeCase{"GeneralNoConstant", 0.0, 1.0, {0.0, 2.5, 1.1, 5.5, 0.5}, 5.0},
        TLogisticDerivativeCase{"NegativeX", 1.0, 1.0, {-1.0, 3.0, 0.9, -2.0, 1.4}, -1.5}),
    CaseName<TLogisticDerivativeCase>);

TEST_F(LogisticTest, DerivativeZeroIsWrittenWithoutConstantTerm)
{
  ConfigureLogistic(0.0, 0.0);
  const TVector B = Parameters({0.0, 2.5, 1.1, 5.5});
  TVector D;
  AllocVector(D, 3);
  D[0] = Untouched;
  fitlogis::Derivatives(4.0, 0.0, B, D);
  // D[0] = 1 - R and D[1] = R: exact up to the one subtraction.
  EXPECT_NEAR(D[0], 1.0 - D[1], MachineEpsilon) << "D[0] = " << D[0] << ", D[1] = " << D[1];
  EXPECT_GT(D[0], 0.0);
}

// ---------------------------------------------------------------------------
// SortByX

TEST_F(LogisticTest, SortByXOrdersPairsByAscendingX)
{
  const TVector X = Observations({5.0, -1.0, 3.0, 9.0, 0.0});
  const TVector Y = Observations({50.0, -10.0, 30.0, 90.0, 0.5});
  fitlogis::SortByX(X, Y, 5);
  const std::vector<Float> ExpectedX = {-1.0, 0.0, 3.0, 5.0, 9.0};
  const std::vector<Float> ExpectedY = {-10.0, 0.5, 30.0, 50.0, 90.0};
  // Exact: a permutation.
  for (int I = 1; I <= 5; ++I) {
    EXPECT_EQ(X[I], ExpectedX[I - 1]) << "X[" << I << "]";
    EXPECT_EQ(Y[I], ExpectedY[I - 1]) << "Y[" << I << "]";
  }
  EXPECT_EQ(X[0], Untouched);
  EXPECT_EQ(Y[0], Untouched);
}

// The registry sorts before it computes weights and relies on a second sort
// moving nothing, ties included.
TEST_F(LogisticTest, SortByXLeavesSortedInputWithTiesAsItIs)
{
  const TVector X = Observations({1.0, 1.0, 1.0, 2.0, 2.0, 3.0});
  const TVector Y = Observations({3.0, 1.0, 2.0, 6.0, 5.0, 4.0});
  fitlogis::SortByX(X, Y, 6);
  const std::vector<Float> ExpectedY = {3.0, 1.0, 2.0, 6.0, 5.0, 4.0};
  for (int I = 1; I <= 6; ++I)
    EXPECT_EQ(Y[I], ExpectedY[I - 1]) << "Y[" << I << "]";
}

TEST_F(LogisticTest, SortByXReadsOnlyTheFirstNPairs)
{
  const TVector X = Observations({3.0, 2.0, 1.0});
  const TVector Y = Observations({30.0, 20.0, 10.0});
  fitlogis::SortByX(X, Y, 1);
  EXPECT_EQ(X[1], 3.0);
  EXPECT_EQ(X[2], 2.0);
  fitlogis::SortByX(X, Y, 0);
  EXPECT_EQ(X[1], 3.0);
  fitlogis::SortByX(X, Y, 2);
  EXPECT_EQ(X[1], 2.0);
  EXPECT_EQ(Y[1], 20.0);
  EXPECT_EQ(X[3], 1.0);
  EXPECT_EQ(Y[3], 10.0);
}

// ---------------------------------------------------------------------------
// Estimate

// Data on the curve with B4 = 0.5, for which the transform is exact: X = 0..10,
// inner points on the curve, and the two end points (which the transform
// leaves out) placed so that the margins put the starting asymptotes exactly
// on the true ones.
struct TLogisticData {
  TVector X, Y;
  int N = 0;
};

TLogisticData ExactLogisticData(bool ConstantTerm, Float B0, Float B1, Float B2, Float B3)
{
  std::vector<Float> Xs, Ys;
  for (int I = 0; I <= 10; ++I) {
    Xs.push_back(I);
    Ys.push_back(B0 + (B1 - B0) / std::sqrt(1.0 + std::exp(B3 - B2 * I)));
  }
  if (ConstantTerm) {
    // Y1 - (YN - Y1) LM = B0 and YN + (YN - Y1) UM = B1.
    const Float R = (B1 - B0) / (1.0 + UpperMargin + LowerMargin);
    Ys.front() = B0 + LowerMargin * R;
    Ys.back() = B1 - UpperMargin * R;
  } else {
    Ys.front() = 0.1 * B1;
    Ys.back() = (B1 + UpperMargin * Ys.front()) / (1.0 + UpperMargin);
  }
  return {Observations(Xs), Observations(Ys), static_cast<int>(Xs.size())};
}

struct TLogisticRecoveryCase {
  std::string Name;
  bool ConstantTerm, GeneralForm;
  Float Margin;
  Float B0, B1, B2, B3;
};

using LogisticRecoveryTest = LogisticTableTest<TLogisticRecoveryCase>;

TEST_P(LogisticRecoveryTest, EstimateRecoversExactCurve)
{
  const TLogisticRecoveryCase& C = GetParam();
  UpperMargin = C.Margin;
  LowerMargin = C.Margin;
  ConfigureLogistic(C.ConstantTerm ? 1.0 : 0.0, C.GeneralForm ? 1.0 : 0.0);
  const TLogisticData Data = ExactLogisticData(C.ConstantTerm, C.B0, C.B1, C.B2, C.B3);
  const TVector B = MarkedParameters(fitlogis::ParamHigh());
  TVector W;  // not read by an unweighted estimate

  ASSERT_EQ(fitlogis::Estimate(0, Data.X, Data.Y, W, Data.N, B), SolveOk);

  // The asymptotes come from a few roundings of the anchors: 16 ulp.
  EXPECT_NEAR(B[0], C.B0, 16.0 * MachineEpsilon * std::fabs(C.B1)) << "B0 " << B[0] << ", expected " << C.B0;
  EXPECT_NEAR(B[1], C.B1, 16.0 * MachineEpsilon * std::fabs(C.B1)) << "B1 " << B[1] << ", expected " << C.B1;
  // The transform loses at most a factor 1/E ~ 1e3 of the data's rounding at
  // the inner points nearest the asymptotes, and the line fit on nine points
  // adds a condition number of order 1e2: 1e-9 relative.
  EXPECT_LT(RelativeError(B[2], C.B2), 1e-9) << "B2 " << B[2] << ", expected " << C.B2;
  EXPECT_LT(RelativeError(B[3], C.B3), 1e-9) << "B3 " << B[3] << ", expected " << C.B3;
  if (C.GeneralForm) {
    EXPECT_EQ(B[4], 0.5);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Estimate, LogisticRecoveryTest,
    testing::Values(TLogisticRecoveryCase{"ConstantTermGeneral", true, true, 0.05, 0.2, 2.5, 1.1, 5.5},
                    TLogisticRecoveryCase{"ConstantTermPlain", true, false, 0.05, 0.2, 2.5, 1.1, 5.5},
                    TLogisticRecoveryCase{"NoConstantTerm", false, true, 0.05, 0.0, 3.0, 0.9, 4.0},
                    TLogisticRecoveryCase{"DecreasingCurve", true, true, 0.05, 2.5, 0.2, 1.3, 6.0},
                    TLogisticRecoveryCase{"WideMargins", true, true, 2.0, 0.2, 2.5, 1.1, 5.5}),
    CaseName<TLogisticRecoveryCase>);

// Logistic data 0.2 + 2.3 / (1 + exp(5.5 - 1.1 X)) at X = 1..9, each value
// scaled by 1 + 0.02 (-1)^i; weights 1 / Y^2 for the weighted case.
TLogisticData PerturbedLogisticData()
{
  std::vector<Float> Xs, Ys;
  for (int I = 1; I <= 9; ++I) {
    Xs.push_back(I);
    const Float F = 0.2 + (2.5 - 0.2) / (1.0 + std::exp(5.5 - 1.1 * I));
    Ys.push_back(F * (1.0 + 0.02 * (I % 2 == 0 ? 1.0 : -1.0)));
  }
  return {Observations(Xs), Observations(Ys), 9};
}

struct TLogisticReferenceCase {
  std::string Name;
  bool ConstantTerm;
  int Mode;
  Float B0, B1, B2, B3;
};

using LogisticReferenceTest = LogisticTableTest<TLogisticReferenceCase>;

// Reference values: R 4.x, the margins and transform computed directly and the
// straight line fitted by lm(z ~ x, weights = Wz) on the inner points.
TEST_P(LogisticReferenceTest, EstimateMatchesIndependentLineFit)
{
  const TLogisticReferenceCase& C = GetParam();
  ConfigureLogistic(C.ConstantTerm ? 1.0 : 0.0, 1.0);
  const TLogisticData Data = PerturbedLogisticData();
  TVector W;
  AllocVector(W, Data.N);
  for (int I = 1; I <= Data.N; ++I)
    W[I] = 1.0 / (Data.Y[I] * Data.Y[I]);
  const TVector B = MarkedParameters(4);

  ASSERT_EQ(fitlogis::Estimate(C.Mode, Data.X, Data.Y, W, Data.N, B), SolveOk);

  // Same algorithm on the same data; the two differ only by summation order
  // and libm rounding (a few ulp), amplified by the line fit's condition
  // number (below 1e3): 1e-10 relative.
  const std::vector<Float> Expected = {C.B0, C.B1, C.B2, C.B3};
  for (int K = 0; K <= 3; ++K) {
    if (Expected[K] == 0.0) {
      EXPECT_EQ(B[K], 0.0) << "B" << K;
    } else {
      EXPECT_LT(RelativeError(B[K], Expected[K]), 1e-10) << "B" << K << " " << B[K] << ", expected " << Expected[K];
    }
  }
  EXPECT_EQ(B[4], 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Estimate, LogisticReferenceTest,
    testing::Values(TLogisticReferenceCase{"ConstantTermUnweighted", true, 0, 0.11337124170000958, 2.5326287582999902,
                                           1.3547364229335555, 7.9172092361876176},
                    TLogisticReferenceCase{"ConstantTermWeighted", true, 1, 0.11337124170000958, 2.5326287582999902,
                                           1.4037517105372543, 8.1603284414080957},
                    TLogisticReferenceCase{"NoConstantUnweighted", false, 0, 0.0, 2.5326287582999902,
                                           1.2138167239947819, 7.0419689024842507},
                    TLogisticReferenceCase{"NoConstantWeighted", false, 1, 0.0, 2.5326287582999902,
                                           1.1285604897987265, 6.7332441196295996},
                    // Any Mode other than 1 is unweighted.
                    TLogisticReferenceCase{"ModeTwoUnweighted", true, 2, 0.11337124170000958, 2.5326287582999902,
                                           1.3547364229335555, 7.9172092361876176}),
    CaseName<TLogisticReferenceCase>);

TEST_F(LogisticTest, EstimateWithoutConstantTermSetsBZeroToZero)
{
  ConfigureLogistic(0.0, 0.0);
  const TLogisticData Data = PerturbedLogisticData();
  const TVector B = MarkedParameters(3);
  ASSERT_EQ(fitlogis::Estimate(0, Data.X, Data.Y, TVector(), Data.N, B), SolveOk);
  EXPECT_EQ(B[0], 0.0);
}

// The transform is the same in both forms, so B2 and B3 agree exactly; the
// plain form has no B[4] to write (the bounds check would catch a write).
TEST_F(LogisticTest, EstimateUsesTheSameTransformInBothForms)
{
  const TLogisticData Data = PerturbedLogisticData();
  ConfigureLogistic(1.0, 1.0);
  const TVector General = MarkedParameters(4);
  ASSERT_EQ(fitlogis::Estimate(0, Data.X, Data.Y, TVector(), Data.N, General), SolveOk);
  ConfigureLogistic(1.0, 0.0);
  const TVector Plain = MarkedParameters(3);
  ASSERT_EQ(fitlogis::Estimate(0, Data.X, Data.Y, TVector(), Data.N, Plain), SolveOk);
  for (int K = 0; K <= 3; ++K)
    EXPECT_EQ(Plain[K], General[K]) << "B" << K;
}

TEST_F(LogisticTest, EstimateSortsDescendingDataInPlace)
{
  ConfigureLogistic(1.0, 0.0);
  const TLogisticData Ascending = PerturbedLogisticData();
  std::vector<Float> Xs, Ys;
  for (int I = Ascending.N; I >= 1; --I) {
    Xs.push_back(Ascending.X[I]);
    Ys.push_back(Ascending.Y[I]);
  }
  const TVector X = Observations(Xs);
  const TVector Y = Observations(Ys);
  const TVector FromDescending = MarkedParameters(3);
  const TVector FromAscending = MarkedParameters(3);
  ASSERT_EQ(fitlogis::Estimate(0, X, Y, TVector(), Ascending.N, FromDescending), SolveOk);
  ASSERT_EQ(fitlogis::Estimate(0, Ascending.X, Ascending.Y, TVector(), Ascending.N, FromAscending), SolveOk);
  // Exact: after the sort both estimates see identical vectors.
  for (int I = 1; I <= Ascending.N; ++I) {
    EXPECT_EQ(X[I], Ascending.X[I]) << "X[" << I << "]";
    EXPECT_EQ(Y[I], Ascending.Y[I]) << "Y[" << I << "] must stay beside its X";
  }
  for (int K = 0; K <= 3; ++K)
    EXPECT_EQ(FromDescending[K], FromAscending[K]) << "B" << K;
}

TEST_F(LogisticTest, EstimateWithWideMarginsPlacesAsymptotesTwoRangesOut)
{
  UpperMargin = 2.0;
  LowerMargin = 2.0;
  ConfigureLogistic(1.0, 0.0);
  const TVector X = Observations({1.0, 2.0, 3.0, 4.0});
  const TVector Y = Observations({1.0, 1.5, 2.5, 3.0});
  const TVector B = MarkedParameters(3);
  ASSERT_EQ(fitlogis::Estimate(0, X, Y, TVector(), 4, B), SolveOk);
  // Exact in binary arithmetic: range 2, margins 4.
  EXPECT_EQ(B[0], -3.0);
  EXPECT_EQ(B[1], 7.0);
}

// Each margin scales its own end: exact, range 2, 0.25 * 2 below, 0.5 * 2 above.
TEST_F(LogisticTest, EstimateAppliesEachMarginToItsOwnAsymptote)
{
  UpperMargin = 0.5;
  LowerMargin = 0.25;
  ConfigureLogistic(1.0, 0.0);
  const TVector X = Observations({1.0, 2.0, 3.0, 4.0});
  const TVector Y = Observations({1.0, 1.5, 2.5, 3.0});
  const TVector B = MarkedParameters(3);
  ASSERT_EQ(fitlogis::Estimate(0, X, Y, TVector(), 4, B), SolveOk);
  EXPECT_EQ(B[0], 0.5);
  EXPECT_EQ(B[1], 4.0);
}

struct TLogisticSingularCase {
  std::string Name;
  std::vector<Float> X, Y;
};

using LogisticSingularTest = LogisticTableTest<TLogisticSingularCase>;

TEST_P(LogisticSingularTest, EstimateWithoutTwoInnerXIsSingular)
{
  const TLogisticSingularCase& C = GetParam();
  ConfigureLogistic(1.0, 1.0);
  const TVector X = Observations(C.X);
  const TVector Y = Observations(C.Y);
  const int N = static_cast<int>(C.X.size());
  const TVector B = MarkedParameters(4);
  EXPECT_EQ(fitlogis::Estimate(0, X, Y, TVector(), N, B), SolveSingular);
  // B2 and B3 keep the caller's values; the asymptotes and B4 are written.
  EXPECT_EQ(B[2], Untouched);
  EXPECT_EQ(B[3], Untouched);
  EXPECT_NE(B[0], Untouched);
  EXPECT_NE(B[1], Untouched);
  EXPECT_EQ(B[4], 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Estimate, LogisticSingularTest,
    testing::Values(TLogisticSingularCase{"ThreePoints", {3.0, 1.0, 2.0}, {3.0, 1.0, 2.0}},
                    TLogisticSingularCase{"InnerPointsAtOneX", {1.0, 2.0, 2.0, 2.0, 3.0}, {1.0, 1.5, 2.0, 2.5, 3.0}},
                    // Ties with the end points are not inner points.
                    TLogisticSingularCase{"TiesWithEnds", {1.0, 1.0, 2.0, 3.0, 3.0}, {1.0, 1.2, 2.0, 2.8, 3.0}}),
    CaseName<TLogisticSingularCase>);

// A point tied with the first X is left out: its response equals B0 = 0 and
// would divide by zero if it took part.
TEST_F(LogisticTest, EstimateLeavesOutPointsTiedWithTheEnds)
{
  ConfigureLogistic(0.0, 0.0);
  const TVector X = Observations({1.0, 1.0, 2.0, 3.0, 4.0});
  const TVector Y = Observations({0.5, 0.0, 1.0, 2.0, 2.5});
  const TVector B = MarkedParameters(3);
  EXPECT_EQ(fitlogis::Estimate(0, X, Y, TVector(), 5, B), SolveOk);
}

TEST_F(LogisticTest, EstimateFaultsOnInnerResponseAtLowerAsymptote)
{
  ConfigureLogistic(0.0, 0.0);
  const TVector X = Observations({1.0, 2.0, 3.0, 4.0});
  const TVector Y = Observations({0.5, 0.0, 2.0, 2.5});
  const TVector B = MarkedParameters(3);
  EXPECT_THROW(fitlogis::Estimate(0, X, Y, TVector(), 4, B), ArithmeticFault);
}

// An inner response exactly at B1 gets weight 0, so the estimate is the one
// without that point (exactly: it only adds zeros to the sums). Margins 0.5
// make B1 = 2 + 0.5 * 2 = 3 exact.
TEST_F(LogisticTest, EstimateGivesNoWeightToResponseAtUpperAsymptote)
{
  UpperMargin = 0.5;
  ConfigureLogistic(0.0, 0.0);
  const TVector X = Observations({1.0, 2.0, 3.0, 4.0, 5.0});
  const TVector Y = Observations({0.0, 0.5, 3.0, 1.5, 2.0});
  const TVector Xless = Observations({1.0, 2.0, 4.0, 5.0});
  const TVector Yless = Observations({0.0, 0.5, 1.5, 2.0});
  const TVector B = MarkedParameters(3);
  const TVector Bless = MarkedParameters(3);
  ASSERT_EQ(fitlogis::Estimate(0, X, Y, TVector(), 5, B), SolveOk);
  ASSERT_EQ(fitlogis::Estimate(0, Xless, Yless, TVector(), 4, Bless), SolveOk);
  EXPECT_EQ(B[1], 3.0);
  for (int K = 0; K <= 3; ++K)
    EXPECT_EQ(B[K], Bless[K]) << "B" << K;
}

// An inner response far beyond B1 makes the logarithm's argument negative;
// its guarded value -MaxFloat enters the line fit with a weight above 1 and
// the sums overflow, which faults.
TEST_F(LogisticTest, EstimateFaultsWhenInnerResponseFarBeyondUpperAsymptote)
{
  ConfigureLogistic(0.0, 0.0);
  const TVector X = Observations({1.0, 2.0, 3.0, 4.0});
  const TVector Y = Observations({0.0, 1.0, 10.0, 2.0});
  const TVector B = MarkedParameters(3);
  EXPECT_THROW(fitlogis::Estimate(0, X, Y, TVector(), 4, B), ArithmeticFault);
  EXPECT_EQ(B[2], Untouched);
  EXPECT_EQ(B[3], Untouched);
}

// ===========================================================================
// Logis2 and Logis3 (models 13 and 14)

// The two units side by side, so that one table drives both.
struct TDoseUnit {
  TValueFunction Value;
  TDerivativeFunction Derivatives;
  int (*Estimate)(const TVector& X, const TVector& Y, int N, const TVector& B);
  int ParamHigh;
};

const TDoseUnit FourParameter{Logis2::Value, Logis2::Derivatives, Logis2::Estimate, 3};
const TDoseUnit FiveParameter{Logis3::Value, Logis3::Derivatives, Logis3::Estimate, 4};

TEST_F(LogisticTest, DoseModelsParameterRanges)
{
  EXPECT_EQ(Logis2::ParamLow(), 0);
  EXPECT_EQ(Logis2::ParamHigh(), 3);
  EXPECT_EQ(Logis3::ParamLow(), 0);
  EXPECT_EQ(Logis3::ParamHigh(), 4);
}

struct TDoseValueCase {
  std::string Name;
  bool Five;
  std::vector<Float> B;
  Float X;
  Float Expected;
};

using DoseValueTest = LogisticTableTest<TDoseValueCase>;

// Exact or one rounding away: 4 ulp.
TEST_P(DoseValueTest, ValueAtKnownPoints)
{
  const TDoseValueCase& C = GetParam();
  const TDoseUnit& Unit = C.Five ? FiveParameter : FourParameter;
  const Float Y = Unit.Value(C.X, Parameters(C.B));
  EXPECT_NEAR(Y, C.Expected, 4.0 * MachineEpsilon * std::fabs(C.Expected))
      << "value " << Y << ", expected " << C.Expected;
}

INSTANTIATE_TEST_SUITE_P(
    Values, DoseValueTest,
    testing::Values(
        // Zero dose: B0 for B1 > 0, else B3. B2 = 0 shows no power (and no
        // division by B2) is evaluated.
        TDoseValueCase{"ZeroDosePositiveSlope4", false, {2.0, 1.3, 0.0, 0.1}, 0.0, 2.0},
        TDoseValueCase{"ZeroDoseNegativeSlope4", false, {2.0, -1.3, 0.0, 0.1}, 0.0, 0.1},
        TDoseValueCase{"ZeroDoseZeroSlope4", false, {2.0, 0.0, 0.0, 0.1}, 5e-8, 0.1},
        TDoseValueCase{"TinyNegativeDose4", false, {2.0, 1.3, 0.0, 0.1}, -9e-8, 2.0},
        TDoseValueCase{"ZeroDosePositiveSlope5", true, {2.0, 1.3, 0.0, 0.1, 0.5}, 0.0, 2.0},
        TDoseValueCase{"ZeroDoseNegativeSlope5", true, {2.0, -1.3, 0.0, 0.1, 0.5}, -9e-8, 0.1},
        // Midpoint X = B2: P = 1, so (B0 - B3) / 2, or / 2^B4.
        TDoseValueCase{"Midpoint4", false, {3.0, 1.7, 6.0, 1.0}, 6.0, 2.0},
        TDoseValueCase{"Midpoint5", true, {9.0, 1.7, 6.0, 1.0, 3.0}, 6.0, 2.0},
        // X = -0.5 is beyond the zero-dose band: the power is evaluated. With
        // an integral B1 it is (-0.5 / 2)^2 = 1/16.
        TDoseValueCase{"NegativeDoseIntegralSlope4", false, {18.0, 2.0, 2.0, 1.0}, -0.5, 1.0 + 17.0 / (17.0 / 16.0)},
        TDoseValueCase{"NegativeDoseIntegralSlope5", true, {18.0, 2.0, 2.0, 1.0, 1.0}, -0.5, 1.0 + 17.0 / (17.0 / 16.0)},
        // A non-integral B1 gets 0 from the guarded power: the value is B0.
        TDoseValueCase{"NegativeDoseRealSlope4", false, {18.0, 1.5, 2.0, 1.0}, -0.5, 18.0},
        TDoseValueCase{"NegativeDoseRealSlope5", true, {18.0, 1.5, 2.0, 1.0, 2.5}, -0.5, 18.0}),
    CaseName<TDoseValueCase>);

TEST_F(LogisticTest, DoseValueAtNegativeDoseWithRealSlopeSetsDomainStatus)
{
  (void)Logis2::Value(-0.5, Parameters({18.0, 1.5, 2.0, 1.0}));
  EXPECT_EQ(MathStatus(), MathDomain);
}

struct TDoseDerivativeCase {
  std::string Name;
  bool Five;
  std::vector<Float> B;
  Float X;
};

using DoseDerivativeTest = LogisticTableTest<TDoseDerivativeCase>;

TEST_P(DoseDerivativeTest, AgreesWithCentralDifferences)
{
  const TDoseDerivativeCase& C = GetParam();
  const TDoseUnit& Unit = C.Five ? FiveParameter : FourParameter;
  ExpectDerivativesMatchDifferences(Unit.Value, Unit.Derivatives, C.X, C.B, 0, Unit.ParamHigh);
}

INSTANTIATE_TEST_SUITE_P(
    Derivatives, DoseDerivativeTest,
    testing::Values(TDoseDerivativeCase{"LowDose4", false, {2.1, 1.2, 6.0, 0.15}, 0.3},
                    TDoseDerivativeCase{"Midpoint4", false, {2.1, 1.2, 6.0, 0.15}, 6.0},
                    TDoseDerivativeCase{"HighDose4", false, {2.1, 1.2, 6.0, 0.15}, 100.0},
                    TDoseDerivativeCase{"Increasing4", false, {3.0, -1.1, 8.0, 0.2}, 2.5},
                    TDoseDerivativeCase{"IncreasingHigh4", false, {3.0, -1.1, 8.0, 0.2}, 50.0},
                    TDoseDerivativeCase{"LowDose5", true, {2.1, 1.2, 6.0, 0.15, 0.5}, 0.3},
                    TDoseDerivativeCase{"Midpoint5", true, {2.1, 1.2, 6.0, 0.15, 2.3}, 6.0},
                    TDoseDerivativeCase{"HighDose5", true, {2.1, 1.2, 6.0, 0.15, 0.8}, 100.0},
                    TDoseDerivativeCase{"Increasing5", true, {3.0, -1.1, 8.0, 0.2, 1.7}, 4.0}),
    CaseName<TDoseDerivativeCase>);

struct TDoseZeroDerivativeCase {
  std::string Name;
  bool Five;
  Float X, B1;
  std::vector<Float> Expected;
};

using DoseZeroDerivativeTest = LogisticTableTest<TDoseZeroDerivativeCase>;

// Below X = 1e-7, negative X included, the derivatives are the zero-dose
// limits; B2 = 0 shows no division by B2 is made.
TEST_P(DoseZeroDerivativeTest, ZeroDoseBranch)
{
  const TDoseZeroDerivativeCase& C = GetParam();
  const TDoseUnit& Unit = C.Five ? FiveParameter : FourParameter;
  const TVector B = C.Five ? Parameters({2.0, C.B1, 0.0, 0.1, 0.5}) : Parameters({2.0, C.B1, 0.0, 0.1});
  TVector D;
  AllocVector(D, Unit.ParamHigh);
  for (int K = 0; K <= Unit.ParamHigh; ++K)
    D[K] = Untouched;
  Unit.Derivatives(C.X, 0.0, B, D);
  // Exact: constants.
  for (int K = 0; K <= Unit.ParamHigh; ++K)
    EXPECT_EQ(D[K], C.Expected[K]) << "D[" << K << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Derivatives, DoseZeroDerivativeTest,
    testing::Values(TDoseZeroDerivativeCase{"ZeroPositiveSlope4", false, 0.0, 1.3, {1.0, 0.0, 0.0, 0.0}},
                    TDoseZeroDerivativeCase{"ZeroNegativeSlope4", false, 0.0, -1.3, {0.0, 0.0, 0.0, 1.0}},
                    TDoseZeroDerivativeCase{"NegativeDose4", false, -0.5, 1.3, {1.0, 0.0, 0.0, 0.0}},
                    TDoseZeroDerivativeCase{"TinyDose4", false, 9e-8, -1.3, {0.0, 0.0, 0.0, 1.0}},
                    TDoseZeroDerivativeCase{"ZeroPositiveSlope5", true, 0.0, 1.3, {1.0, 0.0, 0.0, 0.0, 0.0}},
                    TDoseZeroDerivativeCase{"NegativeDose5", true, -0.5, -1.3, {0.0, 0.0, 0.0, 1.0, 0.0}}),
    CaseName<TDoseZeroDerivativeCase>);

// ln(X / B2) is the plain logarithm: a negative midpoint dose faults.
TEST_F(LogisticTest, DoseDerivativesFaultOnNegativeMidpoint)
{
  TVector D;
  AllocVector(D, 4);
  EXPECT_THROW(Logis2::Derivatives(1.0, 0.0, Parameters({2.0, 2.0, -3.0, 0.1}), D), ArithmeticFault);
  EXPECT_THROW(Logis3::Derivatives(1.0, 0.0, Parameters({2.0, 2.0, -3.0, 0.1, 0.5}), D), ArithmeticFault);
}

// Dose-response data on the curve, B4 = 0.5 for the five-parameter unit so
// that its transform is exact: responses at fractions of the asymptote
// range strictly inside the band the margins leave, and two anchors at
// X = 0 and X = -1 (outside the sums) carrying the extreme responses that
// put the margins' asymptotes exactly on B0 and B3.
TLogisticData ExactDoseData(bool Five, Float B0, Float B1, Float B2, Float B3)
{
  const Float R = (B0 - B3) / (1.0 + UpperMargin + LowerMargin);
  const Float Ymin = B3 + LowerMargin * R;
  const Float Ymax = B0 - UpperMargin * R;
  std::vector<Float> Xs = {0.0, -1.0};
  std::vector<Float> Ys = {Ymax, Ymin};
  for (Float T : {0.05, 0.3, 0.5, 0.7, 0.95}) {
    // Fraction Q = (Y - B3) / (B0 - B3) and the dose that gives it.
    const Float Q = (Ymin - B3 + T * (Ymax - Ymin)) / (B0 - B3);
    const Float P = Five ? 1.0 / (Q * Q) - 1.0 : 1.0 / Q - 1.0;
    Xs.push_back(B2 * std::pow(P, 1.0 / B1));
    Ys.push_back(B3 + (B0 - B3) * Q);
  }
  return {Observations(Xs), Observations(Ys), static_cast<int>(Xs.size())};
}

struct TDoseRecoveryCase {
  std::string Name;
  bool Five;
  Float Margin;
  Float B0, B1, B2, B3;
};

using DoseRecoveryTest = LogisticTableTest<TDoseRecoveryCase>;

TEST_P(DoseRecoveryTest, EstimateRecoversExactCurve)
{
  const TDoseRecoveryCase& C = GetParam();
  UpperMargin = C.Margin;
  LowerMargin = C.Margin;
  const TDoseUnit& Unit = C.Five ? FiveParameter : FourParameter;
  const TLogisticData Data = ExactDoseData(C.Five, C.B0, C.B1, C.B2, C.B3);
  const TVector B = MarkedParameters(Unit.ParamHigh);

  ASSERT_EQ(Unit.Estimate(Data.X, Data.Y, Data.N, B), SolveOk);

  // The asymptotes come from a few roundings of the anchors: 16 ulp.
  EXPECT_NEAR(B[0], C.B0, 16.0 * MachineEpsilon * std::fabs(C.B0)) << "B0 " << B[0] << ", expected " << C.B0;
  EXPECT_NEAR(B[3], C.B3, 16.0 * MachineEpsilon * std::fabs(C.B0)) << "B3 " << B[3] << ", expected " << C.B3;
  // The responses are at least 5 % of the band away from the asymptotes, so
  // the transform magnifies their rounding by at most ~1e2; the line on five
  // log doses adds a condition number of order 10: 1e-10 relative.
  EXPECT_LT(RelativeError(B[1], C.B1), 1e-10) << "B1 " << B[1] << ", expected " << C.B1;
  EXPECT_LT(RelativeError(B[2], C.B2), 1e-10) << "B2 " << B[2] << ", expected " << C.B2;
  if (C.Five) {
    EXPECT_EQ(B[4], 0.5);
  }
}

INSTANTIATE_TEST_SUITE_P(Estimate, DoseRecoveryTest,
                         testing::Values(TDoseRecoveryCase{"Decreasing4", false, 0.05, 2.1, 1.2, 6.0, 0.15},
                                         TDoseRecoveryCase{"Increasing4", false, 0.05, 3.0, -1.1, 8.0, 0.2},
                                         TDoseRecoveryCase{"WideMargins4", false, 2.0, 2.1, 1.2, 6.0, 0.15},
                                         TDoseRecoveryCase{"Decreasing5", true, 0.05, 2.1, 1.2, 6.0, 0.15},
                                         TDoseRecoveryCase{"Increasing5", true, 0.05, 3.0, -1.1, 8.0, 0.2},
                                         TDoseRecoveryCase{"WideMargins5", true, 2.0, 2.1, 1.2, 6.0, 0.15}),
                         CaseName<TDoseRecoveryCase>);

// Four-parameter data 0.15 + 1.95 / (1 + (X / 6)^1.2) at X = 0, 0.3, 1, 3,
// 10, 30, 100, each value scaled by 1 + 0.03 (-1)^i. The point at X = 0 sets
// the largest response but takes no part in the line.
TLogisticData PerturbedDoseData()
{
  const std::vector<Float> Xs = {0.0, 0.3, 1.0, 3.0, 10.0, 30.0, 100.0};
  std::vector<Float> Ys;
  for (std::size_t I = 0; I < Xs.size(); ++I) {
    const Float F = 0.15 + (2.1 - 0.15) / (1.0 + std::pow(Xs[I] / 6.0, 1.2));
    Ys.push_back(F * (1.0 + 0.03 * ((I + 1) % 2 == 0 ? 1.0 : -1.0)));
  }
  return {Observations(Xs), Observations(Ys), static_cast<int>(Xs.size())};
}

struct TDoseReferenceCase {
  std::string Name;
  bool Five;
  Float Margin;
  Float B0, B1, B2, B3;
};

using DoseReferenceTest = LogisticTableTest<TDoseReferenceCase>;

// Reference values: R 4.x, the margins and transform computed directly over
// the points with X > 0 and the line fitted by lm(z ~ log(x)); B2 =
// exp(-intercept / slope).
TEST_P(DoseReferenceTest, EstimateMatchesIndependentLineFit)
{
  const TDoseReferenceCase& C = GetParam();
  UpperMargin = C.Margin;
  LowerMargin = C.Margin;
  const TDoseUnit& Unit = C.Five ? FiveParameter : FourParameter;
  const TLogisticData Data = PerturbedDoseData();
  const TVector B = MarkedParameters(Unit.ParamHigh);

  ASSERT_EQ(Unit.Estimate(Data.X, Data.Y, Data.N, B), SolveOk);

  // Same algorithm on the same data; only summation order and libm rounding
  // differ (a few ulp), amplified by the line's condition number (below 1e3)
  // and by exp(-c / B1) (|c / B1| below 40): 1e-10 relative.
  const std::vector<Float> Expected = {C.B0, C.B1, C.B2, C.B3};
  for (int K = 0; K <= 3; ++K)
    EXPECT_LT(RelativeError(B[K], Expected[K]), 1e-10) << "B" << K << " " << B[K] << ", expected " << Expected[K];
  if (C.Five) {
    EXPECT_EQ(B[4], 0.5);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Estimate, DoseReferenceTest,
    testing::Values(TDoseReferenceCase{"Narrow4", false, 0.05, 2.2043778374193872, 1.0389654377613364,
                                       5.3503092587159218, 0.11295118329619955},
                    TDoseReferenceCase{"Wide4", false, 2.0, 5.9119069060923106, 0.15293695928714832,
                                       5.418537788009897, -3.5945778853767241},
                    TDoseReferenceCase{"Narrow5", true, 0.05, 2.2043778374193872, 1.4461982739227501,
                                       1.9052697925829571, 0.11295118329619955},
                    TDoseReferenceCase{"Wide5", true, 2.0, 5.9119069060923106, 0.20429713935698668,
                                       0.023788265551010299, -3.5945778853767241}),
    CaseName<TDoseReferenceCase>);

// Exact: range 2, margins 2 x 2.
TEST_F(LogisticTest, DoseEstimateWithWideMarginsPlacesAsymptotesTwoRangesOut)
{
  UpperMargin = 2.0;
  LowerMargin = 2.0;
  const TVector X = Observations({1.0, 2.0, 4.0});
  const TVector Y = Observations({3.0, 2.5, 1.0});
  for (const TDoseUnit* Unit : {&FourParameter, &FiveParameter}) {
    const TVector B = MarkedParameters(Unit->ParamHigh);
    ASSERT_EQ(Unit->Estimate(X, Y, 3, B), SolveOk);
    EXPECT_EQ(B[0], 7.0);
    EXPECT_EQ(B[3], -3.0);
  }
}

// Each margin scales its own end: exact, range 2, 0.25 * 2 below B3 and
// 0.5 * 2 above B0.
TEST_F(LogisticTest, DoseEstimateAppliesEachMarginToItsOwnAsymptote)
{
  UpperMargin = 0.5;
  LowerMargin = 0.25;
  const TVector X = Observations({1.0, 2.0, 4.0});
  const TVector Y = Observations({3.0, 2.5, 1.0});
  for (const TDoseUnit* Unit : {&FourParameter, &FiveParameter}) {
    const TVector B = MarkedParameters(Unit->ParamHigh);
    ASSERT_EQ(Unit->Estimate(X, Y, 3, B), SolveOk);
    EXPECT_EQ(B[0], 4.0);
    EXPECT_EQ(B[3], 0.5);
  }
}

struct TDoseSingularCase {
  std::string Name;
  std::vector<Float> X, Y;
};

using DoseSingularTest = LogisticTableTest<TDoseSingularCase>;

// Without two distinct positive doses the line is undetermined: SolveSingular
// and every parameter as the caller gave it.
TEST_P(DoseSingularTest, EstimateWithoutTwoPositiveDosesIsSingular)
{
  const TDoseSingularCase& C = GetParam();
  const int N = static_cast<int>(C.X.size());
  for (const TDoseUnit* Unit : {&FourParameter, &FiveParameter}) {
    const TVector B = MarkedParameters(Unit->ParamHigh);
    EXPECT_EQ(Unit->Estimate(Observations(C.X), Observations(C.Y), N, B), SolveSingular);
    for (int K = 0; K <= Unit->ParamHigh; ++K)
      EXPECT_EQ(B[K], Untouched) << "B" << K;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Estimate, DoseSingularTest,
    testing::Values(TDoseSingularCase{"NoPoints", {}, {}}, TDoseSingularCase{"OnePoint", {2.0}, {1.0}},
                    TDoseSingularCase{"NoPositiveDose", {0.0, -1.0, 0.0}, {2.0, 1.0, 1.5}},
                    TDoseSingularCase{"OnePositiveDose", {0.0, 0.0, 5.0}, {2.0, 1.0, 1.5}},
                    TDoseSingularCase{"PositiveDosesAtOneX", {0.0, 3.0, 3.0, 3.0}, {2.0, 1.9, 1.0, 1.2}}),
    CaseName<TDoseSingularCase>);

TEST_F(LogisticTest, DoseEstimateFaultsOnEqualResponses)
{
  const TVector X = Observations({1.0, 2.0, 3.0});
  const TVector Y = Observations({1.5, 1.5, 1.5});
  for (const TDoseUnit* Unit : {&FourParameter, &FiveParameter}) {
    const TVector B = MarkedParameters(Unit->ParamHigh);
    EXPECT_THROW(Unit->Estimate(X, Y, 3, B), ArithmeticFault);
  }
}

// Equal responses at the positive doses (the extremes sit at X = 0) give a
// flat line, slope 0, and -c / B1 faults.
TEST_F(LogisticTest, DoseEstimateFaultsOnZeroSlope)
{
  const TVector X = Observations({0.0, 0.0, 1.0, 2.0});
  const TVector Y = Observations({0.0, 1.0, 0.5, 0.5});
  for (const TDoseUnit* Unit : {&FourParameter, &FiveParameter}) {
    const TVector B = MarkedParameters(Unit->ParamHigh);
    EXPECT_THROW(Unit->Estimate(X, Y, 4, B), ArithmeticFault);
  }
}

}  // namespace
}  // namespace Titrelle
