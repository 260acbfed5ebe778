#include "models/fithill.h"

#include "models/ModelShared.h"
#include "regression/regress.h"

namespace Titrelle::fithill {

int ParamLow() { return 0; }
int ParamHigh() { return 2; }

Float Value(Float X, const TVector& B)
{
  if (X != 0.0)
    return CheckedDivide(B[0], GuardedPower(CheckedDivide(B[1], X), B[2]) + 1.0);
  // At X = 0, (B1/X)^B2 tends to infinity for B2 > 0, to 0 for B2 < 0 and is
  // 1 for B2 = 0, so the curve tends to 0, B0 and B0 / 2.
  if (B[2] > 0.0)
    return 0.0;
  if (B[2] == 0.0)
    return 0.5 * B[0];
  return B[0];
}

void Derivatives(Float X, Float Y, const TVector& B, const TVector& D)
{
  // 1. Away from X = 0: with Q = (B1/X)^B2 and E = 1 / (Q + 1), Y = B0 E and
  //    G = dY/dQ * Q = -Y E Q carries the chain rule for B1 and B2.
  if (X != 0.0) {
    const Float R = CheckedDivide(B[1], X);
    const Float Q = GuardedPower(R, B[2]);
    const Float E = CheckedDivide(1.0, Q + 1.0);
    const Float G = Q * (-Y * E);
    D[0] = E;
    D[1] = CheckFinite(CheckedDivide(G * B[2], B[1]));
    D[2] = CheckFinite(GuardedLn(R) * G);
    return;
  }
  // 2. At X = 0 the curve is the constant of its limit (see Value).
  D[0] = B[2] > 0.0 ? 0.0 : (B[2] == 0.0 ? 0.5 : 1.0);
  D[1] = 0.0;
  D[2] = 0.0;
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

  // 2. The starting upper asymptote just above the largest response.
  const Float Ymax = VectorMaximum(Y, FirstObservation, N);
  const Float Top = Ymax + Ymax * UpperMargin;

  // 3. The logit points ln(Top/Y - 1) against ln X. The weight
  //    (Y (1 - Y/Top))^2 undoes the stretching of the logit transform, whose
  //    derivative is -1 / (Y (1 - Y/Top)).
  int K = 0;
  for (int I = FirstObservation; I <= N; ++I) {
    if (!(X[I] > 0.0 && Y[I] > 0.0 && Y[I] < Top))
      continue;
    ++K;
    U[K] = GuardedLn(X[I]);
    Z[K] = GuardedLn(CheckedDivide(Top, Y[I]) - 1.0);
    const Float S = Y[I] * (1.0 - Y[I] / Top);
    Wz[K] = CheckFinite(S * S);
    if (Mode == 1)
      Wz[K] = CheckFinite(Wz[K] * W[I]);
  }

  // 4. ln(B0/Y - 1) = B2 ln B1 - B2 ln X: intercept A[0], slope A[1].
  const int Status = FitStraightLineWeighted(U, Z, Wz, K, A, V);

  // 5. Back to the curve's parameters; a zero slope (no trend) faults here.
  if (Status == SolveOk) {
    B[0] = Top;
    B[1] = GuardedExp(CheckedDivide(-A[0], A[1]));
    B[2] = -A[1];
  }

  // 6.
  return Status;
}

}  // namespace Titrelle::fithill
