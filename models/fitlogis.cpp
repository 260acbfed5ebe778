#include "models/fitlogis.h"

#include "models/ModelShared.h"
#include "regression/regress.h"

namespace Titrelle::fitlogis {

namespace {

struct TOptions {
  bool ConstantTerm = false;
  bool GeneralForm = false;
};

TOptions Options;

}  // namespace

int ParamLow() { return Options.ConstantTerm ? 0 : 1; }
int ParamHigh() { return Options.GeneralForm ? 4 : 3; }

void Configure(const TVector& Values)
{
  Options.ConstantTerm = OptionFlag(Values, 0);
  Options.GeneralForm = OptionFlag(Values, 1);
}

void ResetOptions() { Options = TOptions(); }

// Value of the curve at X; the general form reads B[4].
Float Value(Float X, const TVector& B)
{
  // 1.
  const Float E = GuardedExp(-B[2] * X + B[3]);

  // 2. Den >= 1 in the plain form; only a negative B4 can shrink it towards 0.
  Float Den = 1.0 + E;
  if (Options.GeneralForm)
    Den = GuardedPower(Den, B[4]);

  // 3.
  if (Options.ConstantTerm)
    return CheckFinite(B[0] + CheckedDivide(B[1] - B[0], Den));
  return CheckedDivide(B[1], Den);
}

// dY/dB[k] for k = 0..3 (and 4 in the general form); Y is not used.
void Derivatives(Float X, Float /*Y*/, const TVector& B, const TVector& D)
{
  // 1. Q = 1 / (1 + E) lies in (0, 1]: the division needs no check.
  const Float Diff = B[0] - B[1];
  const Float E = GuardedExp(-B[2] * X + B[3]);
  const Float Q = 1.0 / (1.0 + E);
  const Float R = Options.GeneralForm ? GuardedPower(Q, B[4]) : Q;

  // 2. D[0] is written also when B[0] is not fitted.
  D[0] = 1.0 - R;
  D[1] = R;

  // 3.
  D[3] = CheckFinite(Diff * E * Q * R);
  if (Options.GeneralForm)
    D[3] = CheckFinite(D[3] * B[4]);

  // 4.
  D[2] = CheckFinite(-X * D[3]);

  // 5.
  if (Options.GeneralForm)
    D[4] = CheckFinite(-GuardedLn(Q) * Diff * R);
}

void SortByX(const TVector& X, const TVector& Y, int N)
{
  for (int I = FirstObservation; I <= N - 1; ++I) {
    // The first position of the smallest X wins, so sorted input stays put.
    int M = I;
    for (int J = I + 1; J <= N; ++J)
      if (X[J] < X[M])
        M = J;
    SwapFloats(X[I], X[M]);
    SwapFloats(Y[I], Y[M]);
  }
}

int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B)
{
  // 1. Work space: the transformed points, their weights, the line and the
  //    inverse normal matrix the line fit needs (not returned).
  TVector XX, Z, Wz, A;
  TMatrix V;
  AllocVector(XX, N);
  AllocVector(Z, N);
  AllocVector(Wz, N);
  AllocVector(A, 1);
  AllocMatrix(V, 1, 1);

  // 2. The caller's pairs are reordered in place; W is not (the registry
  //    sorts X and Y before it computes weights, so this sort then moves
  //    nothing).
  SortByX(X, Y, N);

  // 3. - 5. Starting asymptotes just outside the responses at the ends of the
  //    X range.
  const Float Range = Y[N] - Y[1];
  if (Options.ConstantTerm)
    B[0] = CheckFinite(Y[1] - Range * LowerMargin);
  else
    B[0] = 0.0;
  B[1] = CheckFinite(Y[N] + Range * UpperMargin);
  const Float D = CheckFinite(B[1] - B[0]);

  // 6. The inner points, transformed to the line Z = B3 - B2 X (exact for
  //    B4 = 0.5), each weighted by the inverse square of dZ/dY. The squared
  //    ratio is used in both forms.
  int K = 0;
  for (int J = FirstObservation; J <= N; ++J) {
    if (!(X[1] < X[J] && X[J] < X[N]))
      continue;
    ++K;
    XX[K] = X[J];
    const Float Ratio = CheckedDivide(D, Y[J] - B[0]);
    Z[K] = GuardedLn(CheckFinite(Ratio * Ratio - 1.0));
    const Float Spread = CheckedDivide((Y[J] - B[0]) * (Y[J] - B[1]), D);
    Wz[K] = CheckFinite(Spread * Spread);
    if (Mode == 1)
      Wz[K] = CheckFinite(Wz[K] * W[J]);
  }

  // 7. - 8. SolveSingular leaves B[2] and B[3] as the caller gave them.
  const int Status = FitStraightLineWeighted(XX, Z, Wz, K, A, V);
  if (Status == SolveOk) {
    B[2] = -A[1];
    B[3] = A[0];
  }

  // 9.
  if (Options.GeneralForm)
    B[4] = 0.5;

  // 10.
  return Status;
}

}  // namespace Titrelle::fitlogis
