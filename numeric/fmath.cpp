#include "numeric/fmath.h"

#include <cmath>
#include <cstdlib>

namespace Titrelle {

namespace {

constexpr Float Ln10 = 2.302585092994046;
constexpr Float Log10E = 0.4342944819032518;
constexpr Float Log2E = 1.4426950408889634;
constexpr Float Sqrt2 = 1.4142135623730951;

struct TFmathState {
  int Status = MathOk;
  int SignOfZero = 1;
  int MantissaBits = 52;
  Float C[15] = {};  // Lambert W constants, C[0] being the branch point -1/e
};

TFmathState State;

// Special cases shared by the two power routines (X base, Y exponent).
bool PowerSpecialCase(Float X, Float Y, Float& R)
{
  if (X == 0.0) {
    if (Y == 0.0)
      R = 1.0;
    else if (Y > 0.0)
      R = 0.0;
    else if (Y < 0.0)
      R = SetMathStatus(MathSingular, MaxFloat);
    else
      return false;  // NaN exponent
    return true;
  }
  if (Y == 0.0) {
    R = 1.0;
    return true;
  }
  if (Y == 1.0) {
    R = X;
    return true;
  }
  return false;
}

// Newton-like refinement of a Lambert W estimate (Fritsch's iteration);
// two passes reach full double precision.
Float RefineW(Float A, Float W)
{
  const int Passes = State.MantissaBits >= 52 ? 2 : 1;
  for (int I = 0; I < Passes; ++I) {
    const Float Z = std::log(A / W) - W;
    const Float T = 1.0 + W;
    const Float Q = 2.0 * T * (T + State.C[3] * Z);
    W = W * (1.0 + (Z / T) * (Q - Z) / (Q - 2.0 * Z));
  }
  return W;
}

const bool StateReady = (InitFmath(), true);

}  // namespace

Float SetMathStatus(int Code, Float Value)
{
  State.Status = Code;
  return Value;
}

int MathStatus() { return State.Status; }

void InitFmath()
{
  State.Status = MathOk;
  State.SignOfZero = 1;
  State.MantissaBits = static_cast<int>(std::nearbyint(-GuardedLog2(MachineEpsilon)));

  Float* C = State.C;
  C[0] = -GuardedExp(-1.0);
  C[1] = -GuardedExp(-9.0);
  C[2] = 1.0 / 3.0;
  C[3] = 2.0 * C[2];
  C[4] = 2.0 / C[0];
  C[5] = -C[4];
  C[6] = 0.5 * GuardedPower(MachineEpsilon, 1.0 / 6.0);
  C[7] = (1.0 - 17.0 * GuardedPower(MachineEpsilon, 2.0 / 7.0)) * C[0];
  C[8] = 2.6666666666666665;
  C[9] = 1.6265060240963856;
  C[10] = 4.256410256410256;
  C[11] = 0.8923640462102;
  C[12] = -0.1715728752538099;
  C[13] = -0.24264068711928516;
  C[14] = -0.585786437626905;
  State.Status = MathOk;
}

int LesserInt(int A, int B) { return A < B ? A : B; }
Float LesserFloat(Float X, Float Y) { return X < Y ? X : Y; }
Float GreaterFloat(Float X, Float Y) { return X > Y ? X : Y; }

int SignOf(Float X)
{
  if (X > 0.0)
    return 1;
  if (X < 0.0)
    return -1;
  return State.SignOfZero;
}

Float TransferSign(Float A, Float B) { return B >= 0.0 ? std::fabs(A) : -std::fabs(A); }

void SwapFloats(Float& X, Float& Y)
{
  const Float T = X;
  X = Y;
  Y = T;
}

Float GuardedExp(Float X)
{
  State.Status = MathOk;
  if (X < MinExpArgument)
    return SetMathStatus(MathUnderflow, 0.0);
  if (X > MaxExpArgument)
    return SetMathStatus(MathOverflow, MaxFloat);
  return std::exp(X);
}

Float GuardedExp10(Float X) { return GuardedExp(X * Ln10); }

Float GuardedLn(Float X)
{
  State.Status = MathOk;
  if (X < 0.0)
    return SetMathStatus(MathDomain, -MaxFloat);
  if (X == 0.0)
    return SetMathStatus(MathSingular, -MaxFloat);
  return std::log(X);
}

Float GuardedLog10(Float X)
{
  const Float L = GuardedLn(X);
  return State.Status == MathOk ? L * Log10E : L;
}

Float GuardedLog2(Float X)
{
  const Float L = GuardedLn(X);
  return State.Status == MathOk ? L * Log2E : L;
}

Float GuardedIntPower(Float X, int N)
{
  // 1. Special cases.
  Float R;
  if (PowerSpecialCase(X, static_cast<Float>(N), R))
    return R;

  // 2. Work with a base of magnitude at most 1 so the products never grow.
  bool Invert = N < 0;
  if (std::fabs(X) > 1.0) {
    X = 1.0 / X;
    Invert = !Invert;
  }

  // 3. Binary powering; |N| is taken in 64 bits so that N = -2^31 works.
  R = 1.0;
  std::int64_t M = std::llabs(static_cast<std::int64_t>(N));
  while (M > 0) {
    if (M % 2 == 1)
      R = R * X;
    X = X * X;
    M = M / 2;
  }

  // 4. Invert back; a product below MinFloat would overflow.
  if (Invert) {
    if (std::fabs(R) < MinFloat)
      return SetMathStatus(MathOverflow, SignOf(R) * MaxFloat);
    return 1.0 / R;
  }

  // 5. An underflowed product is returned as it is.
  return R;
}

Float GuardedPower(Float X, Float Y)
{
  // 1. Special cases.
  Float R;
  if (PowerSpecialCase(X, Y, R))
    return R;

  // 2. Integral exponents, also for negative bases.
  if (std::fabs(Y) < 2147483647.0 && Y == std::trunc(Y))
    return GuardedIntPower(X, static_cast<int>(Y));

  // 3. A real power needs a positive base.
  if (X <= 0.0)
    return SetMathStatus(MathDomain, 0.0);

  // 4. e^(Y ln X) within the exponential's range.
  const Float L = Y * std::log(X);
  if (L < MinExpArgument)
    return SetMathStatus(MathUnderflow, 0.0);
  if (L > MaxExpArgument)
    return SetMathStatus(MathOverflow, MaxFloat);
  return std::exp(L);
}

Float Hypotenuse(Float X, Float Y)
{
  State.Status = MathOk;
  const Float A = std::fabs(X);
  const Float B = std::fabs(Y);
  if (A > B) {
    const Float R = B / A;
    return A * std::sqrt(1.0 + R * R);
  }
  if (B == 0.0)
    return 0.0;
  const Float R = A / B;
  return B * std::sqrt(1.0 + R * R);
}

Float SolveWExpW(Float X, bool PrincipalBranch, bool Offset)
{
  const Float* C = State.C;

  // 1. The argument A and its distance Q from the branch point.
  Float A, Q;
  if (Offset) {
    if (X < 0.0)
      return SetMathStatus(MathDomain, 0.0);
    Q = X;
    A = X + C[0];
  } else {
    if (X < C[0])
      return SetMathStatus(MathDomain, 0.0);
    if (X == C[0])
      return -1.0;
    A = X;
    Q = X - C[0];
  }

  if (PrincipalBranch) {
    // 2. Principal branch, W >= -1.
    if (std::fabs(A) <= C[6])
      return A / (1.0 + A / (1.0 + A / (2.0 + A / (0.6 + 0.34 * A))));
    if (A <= C[7]) {
      // Close to the branch point: series in p = sqrt(2 e Q).
      const Float P = std::sqrt(C[5] * Q);
      return P / (1.0 + P / (3.0 + P / (C[8] + P / (C[9] + P / (C[10] + C[11] * P))))) - 1.0;
    }
    Float W;
    if (A <= 20.0) {
      const Float P = Sqrt2 * std::sqrt(1.0 - A / C[0]);
      const Float H = 4.612634277343749 * std::sqrt(std::sqrt(1.09556884765625 + P));
      W = P / (1.0 + P / (3.0 + (C[12] * H + C[13]) * P / ((H + P) * C[14]))) - 1.0;
    } else {
      const Float L = std::log(A);
      W = std::log(A / std::log(GuardedPower(A / L, std::exp(-1.124491989777808 / (0.4225028202459761 + L)))));
    }
    return RefineW(A, W);
  }

  // 3. Lower branch, W <= -1, defined for -1/e <= A < 0.
  if (A >= 0.0)
    return SetMathStatus(MathDomain, 0.0);
  if (A <= C[7]) {
    const Float P = std::sqrt(C[5] * Q);
    return P / (P / (3.0 + P / (P / (C[9] + P / (C[11] * P - C[10])) - C[8])) - 1.0) - 1.0;
  }
  Float W;
  const Float L = std::log(-A);
  if (A <= C[1]) {
    const Float T = -1.0 - L;
    const Float S = std::sqrt(T);
    W = L - 2.0 * S / (Sqrt2 + S * (C[2] - T / (270.0 + 127.0471381349219 * S)));
  } else {
    const Float T = 2.0 - C[4] * A;
    W = std::log(A / std::log(-A / (1.0 + (std::sqrt(T) + T / 3.0) * (1.0 - 0.5043921323068457 * (L + 1.0)))));
  }
  return RefineW(A, W);
}

// ---------------------------------------------------------------------------
// Arithmetic faults

ArithmeticFault::ArithmeticFault(TFaultKind Kind, const std::string& What)
  : std::runtime_error(What), FaultKind(Kind)
{
}

namespace {

[[noreturn]] void Fault(TFaultKind Kind, const char* What) { throw ArithmeticFault(Kind, What); }

// Conversion to a 64-bit integer is valid for values in [-2^63, 2^63).
constexpr Float Int64Limit = 9223372036854775808.0;

std::int64_t ToInt64(Float Whole, const char* What)
{
  if (!(Whole >= -Int64Limit && Whole < Int64Limit))
    Fault(TFaultKind::Invalid, What);
  return static_cast<std::int64_t>(Whole);
}

}  // namespace

Float CheckedDivide(Float A, Float B)
{
  if (std::isnan(A) || std::isnan(B))
    Fault(TFaultKind::Invalid, "invalid operand of a division");
  if (B == 0.0) {
    if (A == 0.0)
      Fault(TFaultKind::Invalid, "division of zero by zero");
    Fault(TFaultKind::DivideByZero, "division by zero");
  }
  if (std::isinf(A) && std::isinf(B))
    Fault(TFaultKind::Invalid, "division of infinities");
  return CheckFinite(A / B);
}

Float PlainLn(Float X)
{
  if (X == 0.0)
    Fault(TFaultKind::DivideByZero, "logarithm of zero");
  if (!(X > 0.0))
    Fault(TFaultKind::Invalid, "logarithm of a negative number");
  return std::log(X);
}

Float PlainExp(Float X)
{
  if (std::isnan(X))
    Fault(TFaultKind::Invalid, "exponential of an invalid value");
  return CheckFinite(std::exp(X));
}

Float PlainSqrt(Float X)
{
  if (!(X >= 0.0))
    Fault(TFaultKind::Invalid, "square root of a negative number");
  return std::sqrt(X);
}

std::int64_t TruncToInt64(Float X) { return ToInt64(std::trunc(X), "invalid conversion to an integer"); }

std::int64_t RoundToInt64(Float X)
{
  // nearbyint rounds halves to the even neighbour in the default rounding mode.
  return ToInt64(std::nearbyint(X), "invalid conversion to an integer");
}

Float CheckFinite(Float X)
{
  if (std::isnan(X))
    Fault(TFaultKind::Invalid, "invalid operation");
  if (std::isinf(X))
    Fault(TFaultKind::Overflow, "floating-point overflow");
  return X;
}

}  // namespace Titrelle
