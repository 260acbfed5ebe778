// Model 6: an exponential rise plus a straight line,
//   Y = B0 (1 - exp(-B1 X)) + B2 X,
// B0 the height of the exponential part, B1 its rate constant, B2 the slope
// of the linear part. Started from the slopes at both ends of the data.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::fitexlin {

int ParamLow();
int ParamHigh();
// Reads B[0..2].
Float Value(Float X, const TVector& B);
// Writes D[0..2]. Y is not used.
void Derivatives(Float X, Float Y, const TVector& B, const TVector& D);
// Reads X[1..N], Y[1..N] in ascending X (N >= 3 for a meaningful start) and
// writes B[0..2]; returns 0. Equal X at the points of a slope, or B0 = 0,
// fault. With N < 2 there is no slope: returns -1, B untouched.
int Estimate(const TVector& X, const TVector& Y, int N, const TVector& B);

}  // namespace Titrelle::fitexlin
