// Model 0: the straight line Y = B0 + B1 X, fitted exactly by least squares.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::fitlin {

int ParamLow();
int ParamHigh();
Float Value(Float X, const TVector& B);
// Mode 0 unweighted, 1 weighted with W; any other Mode returns -1 and writes
// nothing. B[0..1] and the inverse normal matrix V on success.
int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B,
             const TMatrix& V);

}  // namespace Titrelle::fitlin
