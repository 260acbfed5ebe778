// Model 4: a sum of n decaying exponentials,
//   Y = B0 + sum(k = 1..n) B(2k-1) exp(-B(2k) X),
// B(2k-1) the amplitude and B(2k) the rate constant of the k-th term; B0
// only with ConstantTerm (else B0 = 0). Started by the integral method.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::fitexpo {

// 0 with ConstantTerm, else 1.
int ParamLow();
// 2n.
int ParamHigh();
// n := Options[0] rounded (halves to even) when above 0, else kept;
// ConstantTerm := Options[1] = 1.
void Configure(const TVector& Options);
// n = 1, ConstantTerm off, as at start-up.
void ResetOptions();
// Reads B[1..2n], and B[0] with ConstantTerm.
Float Value(Float X, const TVector& B);
// Writes D[0..2n] (D[0] = 1 also without ConstantTerm). Y is not used.
void Derivatives(Float X, Float Y, const TVector& B, const TVector& D);
// The integral method over observations 1..N in ascending X (Mode 0
// unweighted, 1 weighted with W). Writes B[0] at once (0.9 min Y with
// ConstantTerm, else 0) and B[1..2n] on success only, rates in descending
// order. Returns 0, -1 (other Mode or a singular regression) or -2 (the
// characteristic polynomial has fewer than n real roots).
int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B);
// Roots of Coef[0] + Coef[1] z + ... + Coef[Degree] z^Degree (Degree >= 1)
// by the closed forms up to degree 4, else as companion-matrix eigenvalues.
// Returns the number of real roots (or the root finder's negative code);
// when it equals Degree, Roots[1..Degree] hold them. Roots needs upper
// bound >= Degree.
int CountRealRoots(const TVector& Coef, int Degree, const TVector& Roots);

}  // namespace Titrelle::fitexpo
