// Model 5: the increasing exponential
//   Y = B0 + B1 (1 - exp(-B2 X)),
// B1 the height of the rise and B2 its rate constant; B0 only with
// ConstantTerm (else B0 = 0). Started from the line ln(1 - Y/B1) = -B2 X.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::fitiexpo {

// 0 with ConstantTerm, else 1.
int ParamLow();
int ParamHigh();
// ConstantTerm := Options[0] = 1.
void Configure(const TVector& Options);
// ConstantTerm off, as at start-up.
void ResetOptions();
// Reads B[1..2], and B[0] with ConstantTerm.
Float Value(Float X, const TVector& B);
// Writes D[0..2]. Y is not used.
void Derivatives(Float X, Float Y, const TVector& B, const TVector& D);
// Writes B[0] (0.9 min Y with ConstantTerm, else 0) and B[1] = 1.1 max Y,
// then fits the weighted line (Mode 1 also weighted by W[1..N]; any other
// Mode unweighted) and writes B[2] on SolveOk only. Returns the line fit's
// status. All responses 0 or below with a largest one of 0 fault (B1 = 0).
int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B);

}  // namespace Titrelle::fitiexpo
