// Model 7: the power law Y = B0 X^B1, B0 the factor and B1 the exponent.
// Started from the log-log line ln Y = ln B0 + B1 ln X.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::fitpower {

int ParamLow();
int ParamHigh();
// Reads B[0..1].
Float Value(Float X, const TVector& B);
// Writes D[0..1]; Y is the model value at X.
void Derivatives(Float X, Float Y, const TVector& B, const TVector& D);
// Fits the weighted log-log line through the points with X > 0 and Y > 0
// (Mode 1 also weighted by W[1..N]; any other Mode unweighted). On SolveOk
// writes B[0..1]; otherwise returns the line fit's status, B untouched.
int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B);

}  // namespace Titrelle::fitpower
