#include "models/fitmich.h"

#include "regression/regress.h"

namespace Titrelle::fitmich {

int ParamLow() { return 0; }
int ParamHigh() { return 1; }

Float Value(Float X, const TVector& B) { return CheckedDivide(CheckFinite(B[0] * X), X + B[1]); }

void Derivatives(Float X, Float Y, const TVector& B, const TVector& D)
{
  // Y = B0 X / (B1 + X): dY/dB0 = Y / B0 and dY/dB1 = -Y / (B1 + X).
  D[0] = CheckedDivide(Y, B[0]);
  D[1] = CheckedDivide(-Y, B[1] + X);
}

int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B)
{
  // 1. Work vectors over the usable points, the line's coefficients and its
  //    (unused) inverse normal matrix.
  TVector U, Z, Wz, A;
  TMatrix V;
  AllocVector(U, N);
  AllocVector(Z, N);
  AllocVector(Wz, N);
  AllocVector(A, 1);
  AllocMatrix(V, 1, 1);

  // 2. The points (1/X, 1/Y) with positive X and Y. The weight Y^4 undoes the
  //    stretching of the reciprocal, whose derivative is -1 / Y^2.
  int K = 0;
  for (int I = FirstObservation; I <= N; ++I) {
    if (!(X[I] > 0.0 && Y[I] > 0.0))
      continue;
    ++K;
    U[K] = CheckedDivide(1.0, X[I]);
    Z[K] = CheckedDivide(1.0, Y[I]);
    const Float Y2 = Y[I] * Y[I];
    Wz[K] = CheckFinite(Y2 * Y2);
    if (Mode == 1)
      Wz[K] = CheckFinite(Wz[K] * W[I]);
  }

  // 3. 1/Y = 1/B0 + (B1/B0) (1/X): intercept A[0], slope A[1].
  const int Status = FitStraightLineWeighted(U, Z, Wz, K, A, V);

  // 4. Back to the hyperbola's parameters.
  if (Status == SolveOk) {
    B[0] = CheckedDivide(1.0, A[0]);
    B[1] = CheckedDivide(A[1], A[0]);
  }

  // 5.
  return Status;
}

}  // namespace Titrelle::fitmich
