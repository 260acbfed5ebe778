// Special functions: Gamma, log-Gamma, the regularised incomplete Beta
// function and the upper tail of Fisher's F distribution. All of them are
// guarded: they never throw, and report trouble through MathStatus.
#pragma once

#include "numeric/fmath.h"

namespace Titrelle {

// Largest argument for which Gamma is finite.
inline constexpr Float MaxGammaArgument = 171.624376956302;
// Largest argument accepted by the log-Gamma function.
inline constexpr Float MaxLnGammaArgument = 2.556348e305;
inline constexpr Float LnPi = 1.1447298858494002;         // ln pi
inline constexpr Float LnSqrtTwoPi = 0.9189385332046728;  // ln sqrt(2 pi)
inline constexpr Float SqrtTwoPi = 2.5066282746310007;    // sqrt(2 pi)
// The continued fractions of the incomplete Beta function rescale their
// convergents when they grow beyond 2^63 or shrink below 2^-63.
inline constexpr Float BetaFractionBig = 9.223372036854776e18;     // 2^63
inline constexpr Float BetaFractionSmall = 1.0842021724855044e-19;  // 2^-63
// Relative change below which a continued fraction counts as converged.
inline constexpr Float BetaFractionTolerance = 3.0 * MachineEpsilon;

// Probability that an F variable with Nu1 and Nu2 degrees of freedom exceeds
// F. Nu1 <= 0, Nu2 <= 0 or F <= 0 (or NaN): 0 with MathDomain.
Float FDistributionTail(int Nu1, int Nu2, Float F);

// Regularised incomplete Beta function I_X(A, B). A <= 0, B <= 0 or X < 0:
// 0 with MathDomain; X > 1: 1 with MathDomain; a continued fraction that
// does not converge: its last estimate with MathPrecisionLoss.
Float IncompleteBeta(Float A, Float B, Float X);

// Gamma(X). 0 and negative integers: MaxFloat signed as GammaSign, with
// MathSingular; X > MaxGammaArgument: MaxFloat with MathOverflow; a
// non-integral X < -MaxGammaArgument: 0 with MathUnderflow.
Float GammaFunction(Float X);

// ln |Gamma(X)|. 0 and negative integers: MaxFloat with MathSingular;
// X > MaxLnGammaArgument: MaxFloat with MathOverflow.
Float LnGammaFunction(Float X);

// Start-up step of the unit: MathStatus := MathOk. The unit holds no other
// state.
void InitFspec();

}  // namespace Titrelle
