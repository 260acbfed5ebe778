#include "models/fitfrac.h"

#include "models/ModelShared.h"
#include "regression/regress.h"

namespace Titrelle::fitfrac {

namespace {

struct TOptions {
  int NumeratorDegree = 1;    // p
  int DenominatorDegree = 1;  // q
  bool ConstantTerm = true;
};

TOptions Options;

}  // namespace

int ParamLow() { return Options.ConstantTerm ? 0 : 1; }
int ParamHigh() { return Options.NumeratorDegree + Options.DenominatorDegree; }

void Configure(const TVector& Values)
{
  // A degree that does not round to a positive integer keeps its value.
  const int P = OptionCount(Values, 0);
  if (P > 0)
    Options.NumeratorDegree = P;
  const int Q = OptionCount(Values, 1);
  if (Q > 0)
    Options.DenominatorDegree = Q;
  Options.ConstantTerm = OptionFlag(Values, 2);
}

void ResetOptions() { Options = TOptions(); }

Float Value(Float X, const TVector& B)
{
  const int P = Options.NumeratorDegree;
  const int Last = P + Options.DenominatorDegree;
  // Numerator by Horner's scheme from B[p] down.
  Float Num = B[P];
  for (int I = P - 1; I >= 0; --I)
    Num = CheckFinite(Num * X + B[I]);
  // Denominator less its constant 1, in the same nested form.
  Float S = 0.0;
  for (int I = Last; I >= P + 1; --I)
    S = CheckFinite(X * (S + B[I]));
  return CheckedDivide(Num, S + 1.0);
}

void Derivatives(Float X, Float Y, const TVector& B, const TVector& D)
{
  const int P = Options.NumeratorDegree;
  const int Last = P + Options.DenominatorDegree;
  // Den = 1 + sum B(p+m) X^m, nested as in Value.
  Float S = 0.0;
  for (int I = Last; I >= P + 1; --I)
    S = CheckFinite(X * (S + B[I]));
  const Float Den = S + 1.0;

  // Numerator: D[k] = X^k / Den.
  D[0] = CheckedDivide(1.0, Den);
  for (int K = 1; K <= P; ++K)
    D[K] = CheckFinite(X * D[K - 1]);
  // Denominator: D[p+m] = -X^m Y / Den.
  D[P + 1] = CheckedDivide(CheckFinite(-X * Y), Den);
  for (int K = P + 2; K <= Last; ++K)
    D[K] = CheckFinite(X * D[K - 1]);
}

int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B)
{
  const int P = Options.NumeratorDegree;
  const int Last = P + Options.DenominatorDegree;

  // 1. The regressors and a normal matrix of our own (not returned).
  TMatrix U, V;
  AllocMatrix(U, Last, N);
  AllocMatrix(V, Last, Last);

  // 2. Powers of X for the numerator, then -X^m Y for the denominator.
  for (int I = FirstObservation; I <= N; ++I) {
    U[1][I] = X[I];
    for (int J = 2; J <= P; ++J)
      U[J][I] = CheckFinite(U[J - 1][I] * X[I]);
    U[P + 1][I] = CheckFinite(-X[I] * Y[I]);
    for (int J = P + 2; J <= Last; ++J)
      U[J][I] = CheckFinite(U[J - 1][I] * X[I]);
  }

  // 3.
  int Status = SolveSingular;
  if (Mode == 0)
    Status = FitMultipleLinear(U, Y, N, Last, Options.ConstantTerm, B, V);
  else if (Mode == 1)
    Status = FitMultipleLinearWeighted(U, Y, W, N, Last, Options.ConstantTerm, B, V);

  // 4. The regression does not write B[0] without the constant term.
  if (!Options.ConstantTerm)
    B[0] = 0.0;

  // 5.
  return Status;
}

}  // namespace Titrelle::fitfrac
