#include "models/fitpower.h"

#include "regression/regress.h"

namespace Titrelle::fitpower {

int ParamLow() { return 0; }
int ParamHigh() { return 1; }

Float Value(Float X, const TVector& B) { return CheckFinite(GuardedPower(X, B[1]) * B[0]); }

void Derivatives(Float X, Float Y, const TVector& B, const TVector& D)
{
  // dY/dB0 = X^B1 = Y / B0; at B0 = 0 (reachable when the estimate's
  // exponential underflows) the power itself is taken instead of 0 / 0.
  D[0] = B[0] != 0.0 ? CheckedDivide(Y, B[0]) : GuardedPower(X, B[1]);
  D[1] = CheckFinite(Y * GuardedLn(X));
}

int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B)
{
  // Work space: the logarithms of the usable points, their weights, the line
  // and its inverse normal matrix (not returned).
  TVector U, Z, Wz, A;
  TMatrix V;
  AllocVector(U, N);
  AllocVector(Z, N);
  AllocVector(Wz, N);
  AllocVector(A, 1);
  AllocMatrix(V, 1, 1);

  // 1. Only points with both logarithms defined. The weight Y^2 undoes the
  //    stretching of ln Y, whose derivative is 1 / Y.
  int K = 0;
  for (int I = FirstObservation; I <= N; ++I) {
    if (!(X[I] > 0.0 && Y[I] > 0.0))
      continue;
    ++K;
    U[K] = GuardedLn(X[I]);
    Z[K] = GuardedLn(Y[I]);
    Wz[K] = CheckFinite(Y[I] * Y[I]);
    if (Mode == 1)
      Wz[K] = CheckFinite(Wz[K] * W[I]);
  }

  // 2. Intercept A[0] = ln B0, slope A[1] = B1.
  const int Status = FitStraightLineWeighted(U, Z, Wz, K, A, V);
  if (Status != SolveOk)
    return Status;

  // 3.
  B[0] = GuardedExp(A[0]);
  B[1] = A[1];
  return SolveOk;
}

}  // namespace Titrelle::fitpower
