#include "numeric/fspec.h"

#include <array>
#include <cassert>
#include <cmath>
#include <span>

namespace Titrelle {

static_assert(BetaFractionTolerance == 6.661338147750939e-16);
static_assert(BetaFractionBig * BetaFractionSmall == 1.0);

namespace {

constexpr Float Pi = 3.141592653589793;

// Arguments at or below this magnitude take the small-argument expansion of
// Gamma instead of the recurrence.
constexpr Float SmallGammaLimit = 0.03125;

// Beyond this many terms the incomplete Beta power series stops whatever
// its last term; see IncBetaSeries.
constexpr int MaxSeriesTerms = 10000;
// The continued fractions give up after iterations 0..400.
constexpr int MaxFractionIterations = 401;

// Coefficient tables, highest power first.

// Correction factor of Stirling's formula for Gamma, in powers of 1/X.
constexpr std::array<Float, 9> StirlingTable = {
    7.147391378143611e-4,   -2.363848809501759e-5,  -5.95023755405633e-4,
    6.989332260623193e-5,   7.840334842744753e-4,   -2.2947197478731854e-4,
    -2.6813271618763043e-3, 3.472222222230075e-3,   8.333333333333331e-2};

// The exact Stirling series (Bernoulli coefficients), used above 1024 where
// its truncation error is below the rounding error.
constexpr std::array<Float, 6> StirlingExactTable = {
    6.972813758365857e-5,   7.840392217200666e-4, -2.2947209362139917e-4,
    -2.6813271604938273e-3, 3.472222222222222e-3, 8.333333333333333e-2};

// 1 / (Z Gamma(Z)) expansions for small positive and negative Z.
constexpr std::array<Float, 9> SmallGammaPositive = {
    -1.19394505138151e-3,    7.22059947803691e-3, -9.622023360406271e-3,
    -4.2197733607059154e-2,  0.1665386113720805,  -4.200263503403344e-2,
    -0.655878071520254,      0.5772156649015329,  1.0};
constexpr std::array<Float, 9> SmallGammaNegative = {
    1.1333741672438944e-3,  7.22083726189317e-3,  9.621911155035977e-3,
    -4.219773343731192e-2,  -0.16653861139444134, -4.200263503402113e-2,
    0.6558780715202537,     0.5772156649015329,   -1.0};

// Correction of Stirling's formula for ln Gamma, in powers of 1/X^2.
constexpr std::array<Float, 7> StirlingLnTable = {
    4.885026142432271e-3,  -1.880801938119377e-3,  8.412723297322498e-4,
    -5.952345851765688e-4, 7.936507795855071e-4,   -2.7777777777503497e-3,
    8.333333333333331e-2};

// Rational approximation of Gamma(2 + Z) on 0 <= Z < 1.
constexpr std::array<Float, 8> GammaNumerator = {
    4.212760487471622e-5, 4.5429319606080093e-4, 4.092666828394036e-3,
    2.3853632434611083e-2, 0.11130628160193616,  0.36295154366402393,
    0.8378004301573126,    1.0};
constexpr std::array<Float, 9> GammaDenominator = {
    -1.3971485174761705e-5, 2.346584059160635e-4,  -1.2377992466531523e-3,
    -7.955933682494738e-4,  2.773706565840073e-2,  -4.633887671244534e-2,
    -0.22435109056703292,   0.41501609505884557,   1.0};

// Rational approximation of ln Gamma(2 + Z) / Z on 0 <= Z < 1; the
// denominator is monic, its leading 1 not stored.
constexpr std::array<Float, 7> LnGammaNumerator = {
    -2163.690827643813,  -87238.71522843512,  -1104326.8146914642,
    -6111225.012005215,  -16255680.625437006, -20039374.181038152,
    -8875666.783650704};
constexpr std::array<Float, 7> LnGammaDenominator = {
    -513.948148443537,   -34035.708405343044, -622744.116406622,
    -4814940.379411882,  -17854332.87045078,  -31386464.076561827,
    -20993367.17757896};

// Horner evaluation of the degree-N polynomial Table[0] X^N + ... + Table[N].
Float PolyFromTable(Float X, std::span<const Float> Table, int N)
{
  assert(N >= 0 && static_cast<std::size_t>(N) < Table.size());
  Float Y = Table[0];
  for (int I = 1; I <= N; ++I)
    Y = Y * X + Table[I];
  return Y;
}

// Horner evaluation of the monic degree-N polynomial
// X^N + Table[0] X^(N-1) + ... + Table[N-1]; the leading 1 is not stored.
Float MonicPolyFromTable(Float X, std::span<const Float> Table, int N)
{
  assert(N >= 1 && static_cast<std::size_t>(N) <= Table.size());
  Float Y = X + Table[0];
  for (int I = 1; I <= N - 1; ++I)
    Y = Y * X + Table[I];
  return Y;
}

// Sign of Gamma(X) (and the sign given to MaxFloat at a pole): 1 for X > 0;
// otherwise 1 when trunc(|X|) is odd, -1 when it is even. Works on the
// Float itself, so no conversion to an integer can overflow.
Float GammaSign(Float X)
{
  if (X > 0.0)
    return 1.0;
  return std::fmod(std::trunc(std::fabs(X)), 2.0) == 1.0 ? 1.0 : -1.0;
}

// Gamma(X) by Stirling's formula with a fitted correction, for X > 13; the
// result overflows to infinity beyond MaxGammaArgument (callers prevent it).
Float StirlingGamma(Float X)
{
  const Float W = 1.0 / X;
  const Float Q = X > 1024.0 ? PolyFromTable(W, StirlingExactTable, 5)
                             : PolyFromTable(W, StirlingTable, 8);
  return std::exp((X - 0.5) * std::log(X) - X) * SqrtTwoPi * (1.0 + W * Q);
}

// P * Gamma(Z) for |Z| <= SmallGammaLimit, where P is the factor the caller's
// recurrence has built. Z = 0: MaxFloat with MathSingular.
Float SmallArgGamma(Float Z, Float P)
{
  if (Z == 0.0)
    return SetMathStatus(MathSingular, MaxFloat);
  Float C;
  if (Z < 0.0) {
    C = PolyFromTable(-Z, SmallGammaNegative, 8);
    Z = -Z;
  } else {
    C = PolyFromTable(Z, SmallGammaPositive, 8);
  }
  return P / (Z * C);
}

// ln Gamma(X) by Stirling's series for X >= 13; above 1e10 the correction
// is below the rounding error of the leading terms and is left out.
Float StirlingLnGamma(Float X)
{
  const Float Q = (X - 0.5) * std::log(X) - X + LnSqrtTwoPi;
  if (X > 1e10)
    return Q;
  return Q + PolyFromTable(1.0 / (X * X), StirlingLnTable, 6) / X;
}

// I_X(A, B) by its power series, for B X <= 1 and X <= 0.95 where the terms
// fall off at least like 0.95^N. The loop is capped at MaxSeriesTerms as a
// safeguard only: finite arguments need at most about 700 terms, and a NaN
// argument ends it at once (the comparison with NaN is false).
Float IncBetaSeries(Float A, Float B, Float X)
{
  const Float AI = 1.0 / A;
  Float U = (1.0 - B) * X;
  Float V = U / (A + 1.0);
  const Float T1 = V;
  Float T = U;
  Float N = 2.0;
  Float S = 0.0;
  const Float Tol = MachineEpsilon * AI;
  for (int Terms = 0; std::fabs(V) > Tol && Terms < MaxSeriesTerms; ++Terms) {
    U = (N - B) * X / N;
    T = T * U;
    V = T / (A + N);
    S = S + V;
    N = N + 1.0;
  }
  S = S + T1 + AI;
  U = A * std::log(X);
  if (A + B < MaxGammaArgument && std::fabs(U) < MaxExpArgument) {
    // The Gamma values first: they reset MathStatus, while an underflow of
    // X^A reported by GuardedPower is to stay visible.
    const Float GammaAB = GammaFunction(A + B);
    const Float GammaA = GammaFunction(A);
    const Float GammaB = GammaFunction(B);
    return S * GammaAB / (GammaA * GammaB) * GuardedPower(X, A);
  }
  T = LnGammaFunction(A + B) - LnGammaFunction(A) - LnGammaFunction(B) + U +
      std::log(S);
  return T < MinExpArgument ? 0.0 : std::exp(T);
}

// Starting values and per-iteration increments of the eight K terms of a
// continued fraction of the incomplete Beta function.
struct TFractionTerms {
  std::array<Float, 8> K;
  std::array<Float, 8> Step;
};

// Evaluates the continued fraction described by Terms at Z. Returns the
// converged value, or after MaxFractionIterations its last estimate with
// MathPrecisionLoss. Does not reset MathStatus.
Float EvaluateBetaFraction(TFractionTerms Terms, Float Z)
{
  std::array<Float, 8>& K = Terms.K;
  Float PKM2 = 0.0, QKM2 = 1.0, PKM1 = 1.0, QKM1 = 1.0;
  Float Ans = 1.0, R = 1.0, T = 1.0;
  for (int N = 0; N < MaxFractionIterations; ++N) {
    // 1. The odd step of the recurrence for numerator PK and denominator QK.
    Float XK = -(Z * K[0] * K[1]) / (K[2] * K[3]);
    Float PK = PKM1 + PKM2 * XK;
    Float QK = QKM1 + QKM2 * XK;
    PKM2 = PKM1;
    PKM1 = PK;
    QKM2 = QKM1;
    QKM1 = QK;

    // 2. The even step.
    XK = (Z * K[4] * K[5]) / (K[6] * K[7]);
    PK = PKM1 + PKM2 * XK;
    QK = QKM1 + QKM2 * XK;
    PKM2 = PKM1;
    PKM1 = PK;
    QKM2 = QKM1;
    QKM1 = QK;

    // 3. Relative change of the convergent.
    if (QK != 0.0)
      R = PK / QK;
    if (R != 0.0) {
      T = std::fabs((Ans - R) / R);
      Ans = R;
    } else {
      T = 1.0;
    }

    // 4. Converged.
    if (T < BetaFractionTolerance)
      return Ans;

    // 5. Next terms.
    for (int I = 0; I < 8; ++I)
      K[I] += Terms.Step[I];

    // 6. Rescale the convergents to keep them inside the double range.
    if (std::fabs(QK) + std::fabs(PK) > BetaFractionBig) {
      PKM2 *= BetaFractionSmall;
      PKM1 *= BetaFractionSmall;
      QKM2 *= BetaFractionSmall;
      QKM1 *= BetaFractionSmall;
    }
    if (std::fabs(QK) < BetaFractionSmall || std::fabs(PK) < BetaFractionSmall) {
      PKM2 *= BetaFractionBig;
      PKM1 *= BetaFractionBig;
      QKM2 *= BetaFractionBig;
      QKM1 *= BetaFractionBig;
    }
  }
  return SetMathStatus(MathPrecisionLoss, Ans);
}

// Continued fraction for I_X(A, B) up to the factor X^A W^B / (A Beta(A, B)),
// used below the mode (A - 1) / (A + B - 2). Non-convergence: last estimate
// with MathPrecisionLoss.
Float IncBetaFraction1(Float A, Float B, Float X)
{
  return EvaluateBetaFraction({{A, A + B, A, A + 1.0, 1.0, B - 1.0, A + 1.0, A + 2.0},
                               {1.0, 1.0, 2.0, 2.0, 1.0, -1.0, 2.0, 2.0}},
                              X);
}

// Continued fraction in Z = X / (1 - X), used between the mode and the mean;
// the caller divides it by 1 - X. Non-convergence: last estimate with
// MathPrecisionLoss.
Float IncBetaFraction2(Float A, Float B, Float X)
{
  return EvaluateBetaFraction({{A, B - 1.0, A, A + 1.0, 1.0, A + B, A + 1.0, A + 2.0},
                               {1.0, -1.0, 2.0, 2.0, 1.0, 1.0, 2.0, 2.0}},
                              X / (1.0 - X));
}

}  // namespace

void InitFspec() { SetMathStatus(MathOk, 0.0); }

Float FDistributionTail(int Nu1, int Nu2, Float F)
{
  SetMathStatus(MathOk, 0.0);
  if (Nu1 > 0 && Nu2 > 0 && F > 0.0) {
    const Float D1 = Nu1;
    const Float D2 = Nu2;
    return IncompleteBeta(D2 / 2.0, D1 / 2.0, D2 / (D2 + D1 * F));
  }
  return SetMathStatus(MathDomain, 0.0);
}

Float IncompleteBeta(Float A, Float B, Float X)
{
  // 1. Domain and the end points.
  SetMathStatus(MathOk, 0.0);
  if (A <= 0.0 || B <= 0.0 || X < 0.0)
    return SetMathStatus(MathDomain, 0.0);
  if (X > 1.0)
    return SetMathStatus(MathDomain, 1.0);
  if (X == 0.0 || X == 1.0)
    return X;

  // 2. The power series where it converges fast.
  if (B * X <= 1.0 && X <= 0.95)
    return IncBetaSeries(A, B, X);

  // 3. Above the mean work with I_(1-X)(B, A) = 1 - I_X(A, B).
  Float W = 1.0 - X;
  bool Swapped = false;
  if (X > A / (A + B)) {
    Swapped = true;
    SwapFloats(A, B);
    SwapFloats(X, W);
  }

  Float T;
  if (Swapped && B * X <= 1.0 && X <= 0.95) {
    // 4. The swapped arguments may suit the series.
    T = IncBetaSeries(A, B, X);
  } else {
    // 5. The continued fraction that converges on this side.
    const Float Fr = X * (A + B - 2.0) - (A - 1.0) < 0.0 ? IncBetaFraction1(A, B, X)
                                                        : IncBetaFraction2(A, B, X) / W;
    // The Gamma routines below reset MathStatus; the fraction's report is
    // restored after them.
    const int FractionStatus = MathStatus();

    // 6. Times W^B X^A / (A Beta(A, B)), through logarithms when the
    //    powers or the Gamma values would leave the double range.
    Float Y = A * std::log(X);
    const Float Z = B * std::log(W);
    if (A + B < MaxGammaArgument && std::fabs(Y) < MaxExpArgument &&
        std::fabs(Z) < MaxExpArgument) {
      const Float GammaAB = GammaFunction(A + B);
      const Float GammaA = GammaFunction(A);
      const Float GammaB = GammaFunction(B);
      T = GuardedPower(W, B) * GuardedPower(X, A) / A * Fr * GammaAB / (GammaA * GammaB);
    } else {
      Y = Y + Z + LnGammaFunction(A + B) - LnGammaFunction(A) - LnGammaFunction(B) +
          std::log(Fr / A);
      T = Y < MinExpArgument ? 0.0 : std::exp(Y);
    }
    if (FractionStatus != MathOk)
      SetMathStatus(FractionStatus, 0.0);
  }

  // 7. Undo the exchange; the complement never reaches 1 exactly.
  if (Swapped)
    return T <= MachineEpsilon ? 1.0 - MachineEpsilon : 1.0 - T;
  return T;
}

Float GammaFunction(Float X)
{
  // 1. Sign of the result.
  SetMathStatus(MathOk, 0.0);
  const Float Sg = GammaSign(X);

  // 2. Poles at 0 and the negative integers.
  if (X == 0.0 || (X < 0.0 && X == std::trunc(X)))
    return SetMathStatus(MathSingular, Sg * MaxFloat);

  // 3. Beyond the double range.
  if (X > MaxGammaArgument)
    return SetMathStatus(MathOverflow, MaxFloat);

  Float Z = std::fabs(X);
  if (Z > 13.0) {
    // 4. Stirling's formula, reflected for negative arguments.
    if (X > 0.0)
      return StirlingGamma(X);
    // Below -MaxGammaArgument |Gamma| is far below the smallest normal
    // double (and Gamma(|X|) would overflow), so it underflows to 0.
    if (Z > MaxGammaArgument)
      return SetMathStatus(MathUnderflow, 0.0);
    const Float I = std::trunc(Z);
    Float D = Z - I;
    if (D > 0.5)
      D = Z - (I + 1.0);
    const Float T = std::fabs(Z * std::sin(Pi * D)) * StirlingGamma(Z);
    if (T <= Pi * MinFloat)
      return SetMathStatus(MathOverflow, Sg * MaxFloat);
    return Sg * Pi / T;
  }

  // 5. Recurrence into [2, 3), or to a small argument.
  Z = X;
  Float P = 1.0;
  while (Z >= 3.0) {
    Z = Z - 1.0;
    P = P * Z;
  }
  while (Z < -SmallGammaLimit) {
    P = P / Z;
    Z = Z + 1.0;
  }
  if (Z <= SmallGammaLimit)
    return SmallArgGamma(Z, P);
  while (Z < 2.0) {
    P = P / Z;
    Z = Z + 1.0;
  }
  // Z reaches 3 only when adding 1 to 2 - 2^-52 rounds up; Gamma(3) = 2.
  if (Z == 2.0)
    return P;
  if (Z == 3.0)
    return 2.0 * P;
  Z = Z - 2.0;
  return P * PolyFromTable(Z, GammaNumerator, 7) / PolyFromTable(Z, GammaDenominator, 8);
}

Float LnGammaFunction(Float X)
{
  // 1. Sign of Gamma (used for the reflection's overflow value).
  SetMathStatus(MathOk, 0.0);
  const Float Sg = GammaSign(X);

  // 2. Poles at 0 and the negative integers.
  if (X == 0.0 || (X < 0.0 && X == std::trunc(X)))
    return SetMathStatus(MathSingular, MaxFloat);

  // 3. Beyond the range of the Stirling sum.
  if (X > MaxLnGammaArgument)
    return SetMathStatus(MathOverflow, MaxFloat);

  // 4. Large magnitudes: Stirling's series, reflected for negative arguments.
  Float Z = std::fabs(X);
  if (Z > 34.0) {
    if (X > 0.0)
      return StirlingLnGamma(X);
    const Float I = std::trunc(Z);
    Float D = Z - I;
    if (D > 0.5)
      D = (I + 1.0) - Z;
    const Float T = Z * std::sin(Pi * D);
    if (T == 0.0)
      return SetMathStatus(MathOverflow, Sg * MaxFloat);
    return LnPi - std::log(T) - StirlingLnGamma(Z);
  }

  // 5. Moderate arguments: Stirling's series is already accurate.
  if (X >= 13.0)
    return StirlingLnGamma(X);

  // 6. Recurrence into [2, 3), or to a small argument.
  Z = X;
  Float P = 1.0;
  while (Z >= 3.0) {
    Z = Z - 1.0;
    P = P * Z;
  }
  while (Z < 2.0) {
    if (std::fabs(Z) <= SmallGammaLimit)
      return std::log(std::fabs(SmallArgGamma(Z, P)));
    P = P / Z;
    Z = Z + 1.0;
  }
  if (P < 0.0)
    P = -P;
  if (Z == 2.0)
    return std::log(P);
  Z = Z - 2.0;
  return std::log(P) +
         Z * PolyFromTable(Z, LnGammaNumerator, 6) / MonicPolyFromTable(Z, LnGammaDenominator, 7);
}

}  // namespace Titrelle
