// Model 11: the logistic curve in X,
//   Y = B0 + (B1 - B0) / (1 + exp(B3 - B2 X))^B4,
// with the lower asymptote B0 only when ConstantTerm is on (else B0 = 0 and
// Y = B1 / Den) and the asymmetry exponent B4 only in the general form
// (else B4 = 1 and B[4] does not exist).
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::fitlogis {

// 0 with ConstantTerm, else 1.
int ParamLow();
// 4 in the general form, else 3.
int ParamHigh();
// ConstantTerm := Options[0] = 1; GeneralForm := Options[1] = 1. Both are
// replaced at every call.
void Configure(const TVector& Options);
// Both options off, as at start-up.
void ResetOptions();
// Reads B[0..3] (B[0] only with ConstantTerm) and B[4] in the general form.
Float Value(Float X, const TVector& B);
// Writes D[0..3] (D[0] also without ConstantTerm, where B[0] must be 0) and
// D[4] in the general form. Y is not used.
void Derivatives(Float X, Float Y, const TVector& B, const TVector& D);
// Sorts X[1..N], Y[1..N] by ascending X, then fits the logit straight line
// through the inner points (Mode 1 weighted with W[1..N] read at the sorted
// positions; any other Mode unweighted). Writes B[0], B[1] (and B[4] = 0.5 in
// the general form) always, B[2] and B[3] on SolveOk only. Returns SolveOk,
// or SolveSingular when fewer than two inner points with distinct X remain.
int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B);
// Selection sort of X[1..N] by ascending X, carrying Y along; nothing for
// N <= 1. Already sorted input, ties included, is left exactly as it is.
void SortByX(const TVector& X, const TVector& Y, int N);

}  // namespace Titrelle::fitlogis
