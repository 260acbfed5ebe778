// The checked primitives: each fault case throws ArithmeticFault of the right
// kind, and good operands give the plain result.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "numeric/fmath.h"

namespace Titrelle {
namespace {

constexpr Float Inf = std::numeric_limits<Float>::infinity();
const Float NaN = std::numeric_limits<Float>::quiet_NaN();

struct TFaultCase {
  const char* Name;
  std::function<void()> Call;
  TFaultKind Kind;
};

class FaultCases : public testing::TestWithParam<TFaultCase> {};

TEST_P(FaultCases, ThrowsItsKind)
{
  const TFaultCase& C = GetParam();
  try {
    C.Call();
    FAIL() << "no fault raised";
  } catch (const ArithmeticFault& E) {
    EXPECT_EQ(E.Kind(), C.Kind) << E.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
  Primitives, FaultCases,
  testing::Values(TFaultCase{"DivideByZero", [] { CheckedDivide(1.0, 0.0); }, TFaultKind::DivideByZero},
                  TFaultCase{"DivideNegativeByMinusZero", [] { CheckedDivide(-1.0, -0.0); }, TFaultKind::DivideByZero},
                  TFaultCase{"DivideZeroByZero", [] { CheckedDivide(0.0, 0.0); }, TFaultKind::Invalid},
                  TFaultCase{"DivideNaN", [] { CheckedDivide(NaN, 2.0); }, TFaultKind::Invalid},
                  TFaultCase{"DivideInfinities", [] { CheckedDivide(Inf, -Inf); }, TFaultKind::Invalid},
                  TFaultCase{"DivideInfinityByNumber", [] { CheckedDivide(Inf, 2.0); }, TFaultKind::Overflow},
                  TFaultCase{"DivideOverflows", [] { CheckedDivide(1e300, 1e-300); }, TFaultKind::Overflow},
                  TFaultCase{"LnOfZero", [] { PlainLn(0.0); }, TFaultKind::DivideByZero},
                  TFaultCase{"LnOfNegative", [] { PlainLn(-1e-300); }, TFaultKind::Invalid},
                  TFaultCase{"LnOfNaN", [] { PlainLn(NaN); }, TFaultKind::Invalid},
                  TFaultCase{"ExpOverflows", [] { PlainExp(710.0); }, TFaultKind::Overflow},
                  TFaultCase{"ExpOfNaN", [] { PlainExp(NaN); }, TFaultKind::Invalid},
                  TFaultCase{"SqrtOfNegative", [] { PlainSqrt(-1e-20); }, TFaultKind::Invalid},
                  TFaultCase{"SqrtOfNaN", [] { PlainSqrt(NaN); }, TFaultKind::Invalid},
                  TFaultCase{"TruncOfNaN", [] { TruncToInt64(NaN); }, TFaultKind::Invalid},
                  TFaultCase{"TruncOfInfinity", [] { TruncToInt64(-Inf); }, TFaultKind::Invalid},
                  TFaultCase{"TruncOfTwoTo63", [] { TruncToInt64(9223372036854775808.0); }, TFaultKind::Invalid},
                  TFaultCase{"RoundBelowRange", [] { RoundToInt64(-9.3e18); }, TFaultKind::Invalid},
                  TFaultCase{"FiniteOfInfinity", [] { CheckFinite(Inf); }, TFaultKind::Overflow},
                  TFaultCase{"FiniteOfNaN", [] { CheckFinite(NaN); }, TFaultKind::Invalid}),
  [](const testing::TestParamInfo<TFaultCase>& Info) { return std::string(Info.param.Name); });

TEST(FaultPrimitives, GoodOperandsGivePlainResults)
{
  EXPECT_EQ(CheckedDivide(1.0, 4.0), 0.25);
  EXPECT_EQ(CheckedDivide(0.0, -3.0), 0.0);
  EXPECT_EQ(CheckedDivide(1e-300, 1e300), 0.0);  // underflow is not a fault
}

TEST(FaultPrimitives, GoodArgumentsOfTheElementaryFunctions)
{
  EXPECT_EQ(PlainLn(1.0), 0.0);
  EXPECT_DOUBLE_EQ(PlainLn(std::exp(2.5)), 2.5);
  EXPECT_EQ(PlainExp(-1000.0), 0.0);  // underflow to 0 is not a fault
  EXPECT_DOUBLE_EQ(PlainExp(1.0), std::exp(1.0));
  EXPECT_EQ(PlainSqrt(0.0), 0.0);
  EXPECT_EQ(PlainSqrt(6.25), 2.5);
  EXPECT_EQ(CheckFinite(-MaxFloat), -MaxFloat);
}

TEST(FaultPrimitives, IntegerConversions)
{
  struct TCase {
    Float X;
    std::int64_t Trunc;
    std::int64_t Round;
  };
  // Rounding takes halves to the even neighbour.
  const TCase Cases[] = {{2.5, 2, 2},   {3.5, 3, 4},     {-2.5, -2, -2}, {-3.7, -3, -4}, {0.49999999999999994, 0, 0},
                         {1e15 + 0.5, 1000000000000000, 1000000000000000},
                         {-9223372036854775808.0, INT64_MIN, INT64_MIN}};
  for (const TCase& C : Cases) {
    EXPECT_EQ(TruncToInt64(C.X), C.Trunc) << C.X;
    EXPECT_EQ(RoundToInt64(C.X), C.Round) << C.X;
  }
}

}  // namespace
}  // namespace Titrelle
