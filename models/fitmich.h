// Model 8: the Michaelis-Menten hyperbola Y = B0 X / (B1 + X), with B0 the
// limiting response and B1 the X at half of B0. Started from the
// double-reciprocal straight line and refined by the nonlinear fit.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::fitmich {

int ParamLow();
int ParamHigh();
// The hyperbola at X; faults at its pole X = -B1.
Float Value(Float X, const TVector& B);
// D[0..1] := dY/dB[0..1] at X from the value Y; faults when B0 = 0 or
// B1 + X = 0.
void Derivatives(Float X, Float Y, const TVector& B, const TVector& D);
// Mode 1 weights the line with W, any other Mode is unweighted. Returns 0
// with B[0..1] written, or -1 (B untouched) when fewer than two usable points
// of distinct X remain; faults when the line's intercept is zero.
int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B);

}  // namespace Titrelle::fitmich
