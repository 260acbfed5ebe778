// Model 1: multiple linear regression Y = B0 + sum Bj Xj (j = 1..m), with or
// without the constant term B0, fitted exactly by least squares. The
// observations come as U[j][i], variable j of observation i.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle::fitmult {

int ParamLow();
int ParamHigh();
// Options[0]: the number of variables m, rounded, taken as it comes;
// Options[1] = 1: the constant term.
void Configure(const TVector& Options);
void ResetOptions();
// The model at one observation, Xrow[1..m] holding its variables.
Float RowValue(const TVector& Xrow, const TVector& B);
// Mode 0 unweighted, 1 weighted with W; any other Mode returns -1.
int Estimate(int Mode, const TMatrix& U, const TVector& Y, const TVector& W, int N, const TVector& B,
             const TMatrix& V);

}  // namespace Titrelle::fitmult
