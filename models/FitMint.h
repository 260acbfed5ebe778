// Model 9: the integrated Michaelis-Menten equation. The response is B0 times
// the product P formed after time t from initial substrate S0 by enzyme
// concentration E0,
//   P = S0 - B1 W((S0/B1) exp(S0/B1 - B2 E0 t)),
// with W the upper branch of Lambert's function, B0 the response per unit of
// product, B1 the Michaelis constant and B2 the rate coefficient. X is one of
// t, S0, E0; the other two are options. Started from the linear form of the
// integrated equation and refined by the nonlinear fit.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::FitMint {

// 0 when the response factor B0 is fitted, otherwise 1 (B0 then holds the
// fixed factor).
int ParamLow();
int ParamHigh();
// Options[0] initial substrate, [1] enzyme concentration, [2] reaction time,
// [3] fixed response factor, taken as they come; [4] = 1 fits the response
// factor. The quantity given as zero becomes X: the substrate when S0 = 0,
// otherwise the enzyme when E0 = 0, otherwise the time.
void Configure(const TVector& Options);
// Start-up options: S0 0, E0 1, t 1, factor 1 and fitted; X the substrate.
void ResetOptions();
// The response at X. With the factor fixed, writes it into B[0] first.
// Faults when B1 = 0 and when the exponential overflows.
Float Value(Float X, const TVector& B);
// D[0..2] := dY/dB[0..2] at X from the value Y; writes B[0] as Value does.
void Derivatives(Float X, Float Y, const TVector& B, const TVector& D);
// From the linear form of the integrated equation with the fixed factor:
// writes B[0..2] and returns the line's status, 0 or -1. Faults, with B
// partly written, when the line fails (the intercept and slope stay zero),
// when a response reaches the full conversion of its substrate and when a
// time or enzyme X is zero.
int Estimate(const TVector& X, const TVector& Y, int N, const TVector& B);

}  // namespace Titrelle::FitMint
