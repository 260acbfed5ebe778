// Model 12: the acid/base titration curve
//   Y = B0 + (B1 - B0) / (1 + 10^(B2 - X)),
// B0 the plateau at low X, B1 the plateau at high X and B2 the X of the
// midpoint (the pKa when X is the pH). Started from the midpoint crossing.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::fitpka {

int ParamLow();
int ParamHigh();
// Reads B[0..2].
Float Value(Float X, const TVector& B);
// Writes D[0..2]. Y is not used.
void Derivatives(Float X, Float Y, const TVector& B, const TVector& D);
// Sorts the caller's X[1..N], Y[1..N] by ascending X, then B0 := Y[1],
// B1 := Y[N] and B2 := the X where the responses cross their mean (the last
// crossing found among points 2..N); without a crossing (always when
// N <= 2) B2 keeps the caller's value. Returns 0.
int Estimate(const TVector& X, const TVector& Y, int N, const TVector& B);
// Selection sort of X[1..N] by ascending X, carrying Y along; nothing for
// N <= 1. Already sorted input, ties included, is left exactly as it is.
void SortByX(const TVector& X, const TVector& Y, int N);

}  // namespace Titrelle::fitpka
