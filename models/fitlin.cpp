#include "models/fitlin.h"

#include "regression/regress.h"

namespace Titrelle::fitlin {

int ParamLow() { return 0; }
int ParamHigh() { return 1; }

Float Value(Float X, const TVector& B) { return CheckFinite(B[1] * X + B[0]); }

int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B,
             const TMatrix& V)
{
  switch (Mode) {
  case 0:
    return FitStraightLine(X, Y, N, B, V);
  case 1:
    return FitStraightLineWeighted(X, Y, W, N, B, V);
  default:
    return SolveSingular;
  }
}

}  // namespace Titrelle::fitlin
