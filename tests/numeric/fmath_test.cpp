// Guarded elementary functions: defined values with their status codes, the
// limits, the scalar utilities and the Lambert W function.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestData.h"
#include "numeric/fmath.h"

namespace Titrelle {
namespace {

class FmathTest : public testing::Test {
protected:
  void SetUp() override { InitFmath(); }
};

TEST_F(FmathTest, LimitsHaveTheirBitPatterns)
{
  EXPECT_EQ(MaxFloat, std::nextafter(std::nextafter(std::nextafter(std::nextafter(
                                                                     std::numeric_limits<Float>::max(), 0.0),
                                                                   0.0),
                                                    0.0),
                                     0.0));
  EXPECT_EQ(MachineEpsilon, std::numeric_limits<Float>::epsilon());
  EXPECT_TRUE(std::isfinite(1.0 / MinFloat));
  EXPECT_FALSE(std::isfinite(1.0 / (MinFloat / 2)));
  EXPECT_TRUE(std::isfinite(std::exp(MaxExpArgument)));
  EXPECT_GE(std::exp(MinExpArgument), std::numeric_limits<Float>::min() * (1.0 - 1e-15));
}

// A guarded call with its expected value and status. Expected values are
// exact or within 2 ulps of the libm result (relative 4 MachineEpsilon).
struct TGuardedCase {
  const char* Name;
  Float (*Call)();
  Float Expected;
  int Status;
};

class GuardedCases : public testing::TestWithParam<TGuardedCase> {
protected:
  void SetUp() override { InitFmath(); }
};

TEST_P(GuardedCases, ValueAndStatus)
{
  const TGuardedCase& C = GetParam();
  SetMathStatus(MathOk, 0.0);
  const Float Actual = C.Call();
  if (std::fabs(C.Expected) == MaxFloat || C.Expected == 0.0)
    EXPECT_EQ(Actual, C.Expected);
  else
    EXPECT_NEAR(Actual, C.Expected, 4 * MachineEpsilon * std::fabs(C.Expected))
      << "error in eps: " << (Actual - C.Expected) / (MachineEpsilon * std::fabs(C.Expected));
  EXPECT_EQ(MathStatus(), C.Status);
}

INSTANTIATE_TEST_SUITE_P(
  Elementary, GuardedCases,
  testing::Values(
    TGuardedCase{"ExpNearLimit", [] { return GuardedExp(709.78); }, std::exp(709.78), MathOk},
    TGuardedCase{"ExpOverflow", [] { return GuardedExp(710.0); }, MaxFloat, MathOverflow},
    TGuardedCase{"ExpUnderflow", [] { return GuardedExp(-709.0); }, 0.0, MathUnderflow},
    TGuardedCase{"Exp10", [] { return GuardedExp10(2.0); }, 100.0, MathOk},
    TGuardedCase{"Exp10Overflow", [] { return GuardedExp10(309.0); }, MaxFloat, MathOverflow},
    TGuardedCase{"LnOfZero", [] { return GuardedLn(0.0); }, -MaxFloat, MathSingular},
    TGuardedCase{"LnOfNegative", [] { return GuardedLn(-1.0); }, -MaxFloat, MathDomain},
    TGuardedCase{"Ln", [] { return GuardedLn(std::exp(3.0)); }, 3.0, MathOk},
    TGuardedCase{"Log10", [] { return GuardedLog10(1000.0); }, 3.0, MathOk},
    TGuardedCase{"Log10OfZero", [] { return GuardedLog10(0.0); }, -MaxFloat, MathSingular},
    TGuardedCase{"Log2", [] { return GuardedLog2(1024.0); }, 10.0, MathOk},
    TGuardedCase{"Log2OfNegative", [] { return GuardedLog2(-2.0); }, -MaxFloat, MathDomain},
    TGuardedCase{"PowerZeroZero", [] { return GuardedPower(0.0, 0.0); }, 1.0, MathOk},
    TGuardedCase{"PowerZeroPositive", [] { return GuardedPower(0.0, 2.0); }, 0.0, MathOk},
    TGuardedCase{"PowerZeroNegative", [] { return GuardedPower(0.0, -1.0); }, MaxFloat, MathSingular},
    TGuardedCase{"PowerNegativeBaseReal", [] { return GuardedPower(-8.0, 1.0 / 3.0); }, 0.0, MathDomain},
    TGuardedCase{"PowerNegativeBaseIntegral", [] { return GuardedPower(-2.0, 3.0); }, -8.0, MathOk},
    TGuardedCase{"PowerSquareRoot", [] { return GuardedPower(2.0, 0.5); }, std::sqrt(2.0), MathOk},
    TGuardedCase{"PowerExponentOne", [] { return GuardedPower(-7.5, 1.0); }, -7.5, MathOk},
    TGuardedCase{"PowerRealOverflow", [] { return GuardedPower(10.0, 400.5); }, MaxFloat, MathOverflow},
    TGuardedCase{"PowerRealUnderflow", [] { return GuardedPower(10.0, -400.5); }, 0.0, MathUnderflow},
    TGuardedCase{"IntPowerUnderflowSilently", [] { return GuardedIntPower(10.0, -400); }, 0.0, MathOk},
    TGuardedCase{"IntPowerOverflow", [] { return GuardedIntPower(10.0, 400); }, MaxFloat, MathOverflow},
    TGuardedCase{"IntPowerTinyBaseInverted", [] { return GuardedIntPower(1e-200, -2); }, MaxFloat, MathOverflow},
    TGuardedCase{"IntPowerKeepsSign", [] { return GuardedIntPower(-1e-103, -3); }, -MaxFloat, MathOverflow},
    TGuardedCase{"IntPower", [] { return GuardedIntPower(2.0, 10); }, 1024.0, MathOk},
    TGuardedCase{"IntPowerNegativeExponent", [] { return GuardedIntPower(-2.0, -3); }, -0.125, MathOk},
    TGuardedCase{"IntPowerMostNegativeExponent", [] { return GuardedIntPower(1.0, -2147483647 - 1); }, 1.0, MathOk},
    TGuardedCase{"Hypotenuse", [] { return Hypotenuse(3e300, 4e300); }, 5e300, MathOk},
    TGuardedCase{"HypotenuseZero", [] { return Hypotenuse(0.0, 0.0); }, 0.0, MathOk},
    TGuardedCase{"HypotenuseTiny", [] { return Hypotenuse(-3e-320, 4e-320); }, 5e-320, MathOk}),
  [](const testing::TestParamInfo<TGuardedCase>& Info) { return std::string(Info.param.Name); });

TEST_F(FmathTest, PowersThatDoNotResetKeepAnEarlierStatus)
{
  GuardedLn(0.0);
  EXPECT_EQ(GuardedPower(2.0, 3.0), 8.0);
  EXPECT_EQ(MathStatus(), MathSingular);
  GuardedExp(1.0);
  EXPECT_EQ(MathStatus(), MathOk);
}

TEST_F(FmathTest, ScalarUtilities)
{
  EXPECT_EQ(SignOf(0.0), 1);
  EXPECT_EQ(SignOf(-0.5), -1);
  EXPECT_EQ(SignOf(2e-300), 1);
  EXPECT_EQ(TransferSign(-3.0, 0.0), 3.0);
  EXPECT_EQ(TransferSign(3.0, -1e-300), -3.0);
  EXPECT_EQ(LesserInt(-2, 5), -2);
  EXPECT_EQ(LesserFloat(1.0, 1.5), 1.0);
  EXPECT_EQ(GreaterFloat(1.0, 1.5), 1.5);
  Float X = 1.0, Y = 2.0;
  SwapFloats(X, Y);
  EXPECT_EQ(X, 2.0);
  EXPECT_EQ(Y, 1.0);
}

TEST_F(FmathTest, LambertWAtTheBranchPointAndOutsideTheDomain)
{
  SetMathStatus(MathOk, 0.0);
  EXPECT_EQ(SolveWExpW(-std::exp(-1.0), true, false), -1.0);
  EXPECT_EQ(SolveWExpW(0.0, true, true), -1.0);
  EXPECT_EQ(MathStatus(), MathOk);

  struct TCase {
    Float X;
    bool Principal, Offset;
  };
  for (const TCase C : {TCase{0.5, false, false}, TCase{-0.5, true, false}, TCase{-0.4, false, false},
                        TCase{-1e-3, true, true}, TCase{0.0, false, false}}) {
    SetMathStatus(MathOk, 0.0);
    EXPECT_EQ(SolveWExpW(C.X, C.Principal, C.Offset), 0.0) << C.X;
    EXPECT_EQ(MathStatus(), MathDomain) << C.X;
  }
}

// Reference values from an independent evaluation (see the data file).
// Each branch approximation is refined to full precision except the two
// closed forms near the branch point and near 0, which are accurate to about
// 1e-14 relative; 64 MachineEpsilon covers both.
TEST_F(FmathTest, LambertWMatchesReferenceOnEveryBranchPath)
{
  const auto Rows = Testing::ReadCsvRows(std::string(TITRELLE_TEST_DATA_DIR) + "/lambertw_reference.csv");
  ASSERT_GE(Rows.size(), 15u);
  for (const auto& Row : Rows) {
    const Float X = Row.Number(1);
    const bool Principal = Row.Number(2) != 0.0;
    const bool Offset = Row.Number(3) != 0.0;
    const Float Expected = Row.Number(4);
    SetMathStatus(MathOk, 0.0);
    const Float W = SolveWExpW(X, Principal, Offset);
    EXPECT_NEAR(W, Expected, 64 * MachineEpsilon * std::fabs(Expected))
      << Row.Text(0) << ": error in eps " << (W - Expected) / (MachineEpsilon * std::fabs(Expected));
    EXPECT_EQ(MathStatus(), MathOk) << Row.Text(0);
  }
}

// Property over a sweep of both branches: W e^W reproduces the argument.
TEST_F(FmathTest, LambertWSolvesItsEquation)
{
  for (Float A = -0.36; A < 50.0; A = A < 0 ? A * 0.7 + 0.001 : A * 1.5 + 0.01) {
    const Float W = SolveWExpW(A, true, false);
    EXPECT_NEAR(W * std::exp(W), A, 1e-14 * std::fmax(1.0, std::fabs(A))) << A;
    EXPECT_GE(W, -1.0);
  }
  for (Float A = -0.3678; A < 0.0; A = A * 0.5) {
    if (A > -1e-300)
      break;
    const Float W = SolveWExpW(A, false, false);
    EXPECT_NEAR(W * std::exp(W), A, 1e-13 * std::fabs(A)) << A;
    EXPECT_LE(W, -1.0);
  }
}

}  // namespace
}  // namespace Titrelle
