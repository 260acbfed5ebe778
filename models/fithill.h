// Model 10: the Hill curve Y = B0 / (1 + (B1/X)^B2), with B0 the upper
// asymptote, B1 the X at half of B0 and B2 the Hill exponent. Started from a
// weighted logit straight line in ln X and refined by the nonlinear fit.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::fithill {

int ParamLow();
int ParamHigh();
// The curve at X. At X = 0 it takes its limit: 0 for B2 > 0, B0 / 2 for
// B2 = 0, B0 for B2 < 0. Faults when 1 + (B1/X)^B2 is zero.
Float Value(Float X, const TVector& B);
// D[0..2] := dY/dB[0..2] at X, with Y the value of the curve at X.
void Derivatives(Float X, Float Y, const TVector& B, const TVector& D);
// Mode 1 weights the line with W, any other Mode is unweighted. Reads
// UpperMargin. Returns 0 with B[0..2] written, or -1 (B untouched) when fewer
// than two usable points of distinct X remain.
int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B);

}  // namespace Titrelle::fithill
