// Model 2: the polynomial Y = sum Bk X^k (k = 0..d), fitted exactly by least
// squares.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::fitpoly {

int ParamLow();
int ParamHigh();
// Options[0] rounded (halves to even) becomes the degree when above 1;
// otherwise the degree keeps its previous value.
void Configure(const TVector& Options);
void ResetOptions();
Float Value(Float X, const TVector& B);
// Mode 0 unweighted, 1 weighted with W; any other Mode returns -1.
int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B,
             const TMatrix& V);

}  // namespace Titrelle::fitpoly
