// Model 14: the five-parameter logistic curve, the four-parameter curve of
// model 13 raised to the asymmetry exponent B4,
//   Y = B3 + (B0 - B3) / (1 + (X / B2)^B1)^B4.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::Logis3 {

int ParamLow();   // 0
int ParamHigh();  // 4
// Reads B[0..4]. For |X| < 1e-7 the zero-dose limit, B0 (B1 > 0) or B3.
Float Value(Float X, const TVector& B);
// Writes D[0..4]; for X < 1e-7 (negative X included) the zero-dose limits.
// Y is not used.
void Derivatives(Float X, Float Y, const TVector& B, const TVector& D);
// Starting values from the straight line of ln(((B0 - B3)/(Y - B3))^2 - 1) on
// ln X over the points with X > 0 (exact for B4 = 0.5), the asymptotes placed
// by the margins beyond the extreme responses, and B4 = 0.5. Writes B[0..4]
// and returns SolveOk; returns SolveSingular with B untouched when the points
// with X > 0 do not have two distinct X values.
int Estimate(const TVector& X, const TVector& Y, int N, const TVector& B);

}  // namespace Titrelle::Logis3
