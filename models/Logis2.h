// Model 13: the four-parameter logistic curve in log-dose form,
//   Y = B3 + (B0 - B3) / (1 + (X / B2)^B1),
// B0 the response at zero dose and B3 at infinite dose (for B1 > 0), B1 the
// slope exponent, B2 the dose at the midpoint.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::Logis2 {

int ParamLow();   // 0
int ParamHigh();  // 3
// Reads B[0..3]. For |X| < 1e-7 the zero-dose limit, B0 (B1 > 0) or B3.
Float Value(Float X, const TVector& B);
// Writes D[0..3]; for X < 1e-7 (negative X included) the zero-dose limits.
// Y is not used.
void Derivatives(Float X, Float Y, const TVector& B, const TVector& D);
// Starting values from the straight line of ln((B0 - B3)/(Y - B3) - 1) on
// ln X over the points with X > 0, the asymptotes placed by the margins
// beyond the extreme responses. Writes B[0..3] and returns SolveOk; returns
// SolveSingular with B untouched when the points with X > 0 do not have two
// distinct X values.
int Estimate(const TVector& X, const TVector& Y, int N, const TVector& B);

}  // namespace Titrelle::Logis2
