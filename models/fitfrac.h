// Model 3: the rational fraction
//   Y = (B0 + B1 X + ... + Bp X^p) / (1 + B(p+1) X + ... + B(p+q) X^q),
// numerator degree p and denominator degree q; B0 only with ConstantTerm
// (else B0 = 0). Started from its linearised multiple regression.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::fitfrac {

// 0 with ConstantTerm, else 1.
int ParamLow();
// p + q.
int ParamHigh();
// p := Options[0] and q := Options[1] rounded (halves to even), each only
// when above 0, else kept; ConstantTerm := Options[2] = 1.
void Configure(const TVector& Options);
// p = 1, q = 1, ConstantTerm on, as at start-up.
void ResetOptions();
// Reads B[0..p+q]. A zero denominator (a pole at X) faults.
Float Value(Float X, const TVector& B);
// Writes D[0..p+q]; Y is the model value at X. A zero denominator faults.
void Derivatives(Float X, Float Y, const TVector& B, const TVector& D);
// Fits Y = sum Bk X^k - sum B(p+m) X^m Y by multiple regression (Mode 0
// unweighted, 1 weighted with W[1..N]) into B[ParamLow..p+q]. Without
// ConstantTerm B[0] := 0 whatever the outcome. Returns the regression's
// status (SolveSingular: B partial), or -1 for any other Mode.
int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B);

}  // namespace Titrelle::fitfrac
