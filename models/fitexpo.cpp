#include "models/fitexpo.h"

#include <cassert>

#include "models/ModelShared.h"
#include "numeric/polynom.h"
#include "numeric/stat.h"
#include "regression/regress.h"

namespace Titrelle::fitexpo {

namespace {

struct TOptions {
  int ExpCount = 1;  // n
  bool ConstantTerm = false;
};

TOptions Options;

// Multiple regression of Y on U[1..VarCount] in the given Mode; -1 for any
// Mode but 0 and 1.
int Regress(int Mode, const TMatrix& U, const TVector& Y, const TVector& W, int N, int VarCount, bool ConstantTerm,
            const TVector& B, const TMatrix& V)
{
  if (Mode == 0)
    return FitMultipleLinear(U, Y, N, VarCount, ConstantTerm, B, V);
  if (Mode == 1)
    return FitMultipleLinearWeighted(U, Y, W, N, VarCount, ConstantTerm, B, V);
  return SolveSingular;
}

}  // namespace

int ParamLow() { return Options.ConstantTerm ? 0 : 1; }
int ParamHigh() { return 2 * Options.ExpCount; }

void Configure(const TVector& Values)
{
  // A count that does not round to a positive integer keeps its value.
  const int R = OptionCount(Values, 0);
  if (R > 0)
    Options.ExpCount = R;
  Options.ConstantTerm = OptionFlag(Values, 1);
}

void ResetOptions() { Options = TOptions(); }

Float Value(Float X, const TVector& B)
{
  Float S = Options.ConstantTerm ? B[0] : 0.0;
  for (int K = 1; K <= Options.ExpCount; ++K)
    S = CheckFinite(S + B[2 * K - 1] * GuardedExp(-X * B[2 * K]));
  return S;
}

void Derivatives(Float X, Float /*Y*/, const TVector& B, const TVector& D)
{
  D[0] = 1.0;
  for (int K = 1; K <= Options.ExpCount; ++K) {
    const Float E = GuardedExp(-B[2 * K] * X);
    D[2 * K - 1] = E;
    D[2 * K] = CheckFinite(-X * B[2 * K - 1] * E);
  }
}

int CountRealRoots(const TVector& Coef, int Degree, const TVector& Roots)
{
  assert(Degree >= 1);
  // The routines write the imaginary parts here; a root is real when its
  // imaginary part is 0.
  TVector Imaginary;
  AllocVector(Imaginary, Degree);
  switch (Degree) {
  case 1:
    return LinearRoot(Coef[0], Coef[1], Roots[1]);
  case 2:
    return QuadraticRoots(Coef, Roots, Imaginary);
  case 3:
    return CubicRoots(Coef, Roots, Imaginary);
  case 4:
    return QuarticRoots(Coef, Roots, Imaginary);
  default:
    return PolynomialRootsByEigen(Coef, Degree, Roots, Imaginary);
  }
}

int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B)
{
  const int NExp = Options.ExpCount;

  // 1. The first regression has n - 1 powers of X and n repeated integrals;
  //    a Mode other than 0 or 1 makes it return -1.
  const int VarCount = 2 * NExp - 1;

  // 2. Work copies of the data, the regressors, the regression's matrix (not
  //    returned), its coefficients, the characteristic polynomial and its
  //    roots.
  TVector XX, YY, P, Coef, Roots;
  TMatrix U, V;
  AllocVector(XX, N);
  AllocVector(YY, N);
  CopyVectorRange(XX, X, FirstObservation, N);
  CopyVectorRange(YY, Y, FirstObservation, N);
  AllocMatrix(U, VarCount, N);
  AllocMatrix(V, VarCount, VarCount);
  AllocVector(P, VarCount);
  AllocVector(Coef, NExp);
  AllocVector(Roots, NExp);

  // 3. The integrals run from the first point, so the abscissa starts at 0.
  const Float Shift = X[FirstObservation];
  if (Shift != 0.0)
    for (int I = FirstObservation; I <= N; ++I)
      XX[I] = XX[I] - Shift;

  // 4. The constant starts a little below the smallest response and is
  //    removed before both regressions.
  if (Options.ConstantTerm) {
    B[0] = 0.9 * VectorMinimum(Y, FirstObservation, N);
    for (int I = FirstObservation; I <= N; ++I)
      YY[I] = CheckFinite(YY[I] - B[0]);
  } else {
    B[0] = 0.0;
  }

  // 5. Powers of X up to n - 1; column 1 stays 0, as XX[1] = 0.
  if (NExp > 1)
    for (int I = FirstObservation + 1; I <= N; ++I) {
      U[1][I] = XX[I];
      for (int J = 2; J <= NExp - 1; ++J)
        U[J][I] = CheckFinite(U[J - 1][I] * XX[I]);
    }

  // 6. Trapezoidal integral of YY from the first point, then each further
  //    integral of the previous one; all are 0 at the first point.
  for (int I = FirstObservation + 1; I <= N; ++I) {
    const Float H = (XX[I] - XX[I - 1]) * 0.5;
    U[NExp][I] = CheckFinite((YY[I] + YY[I - 1]) * H + U[NExp][I - 1]);
    for (int J = NExp + 1; J <= VarCount; ++J)
      U[J][I] = CheckFinite((U[J - 1][I] + U[J - 1][I - 1]) * H + U[J][I - 1]);
  }

  // 7. - 8. YY = P0 + sum P[j] X^j + sum P[n+k-1] (k-th integral of YY).
  int Status = Regress(Mode, U, YY, W, N, VarCount, true, P, V);
  if (Status == SolveSingular)
    return SolveSingular;

  // 9. The integral coefficients, with alternating signs, are those of the
  //    monic polynomial whose roots are the rate constants.
  Coef[NExp] = 1.0;
  for (int I = 1; I <= NExp; ++I)
    Coef[NExp - I] = (I % 2 == 1) ? P[NExp + I - 1] : -P[NExp + I - 1];

  // 10. Complex rates would give oscillating terms, which the model lacks.
  if (CountRealRoots(Coef, NExp, Roots) != NExp)
    return SolveNoConvergence;

  // 11. Largest rate constant first.
  SortDescending(Roots, 1, NExp);

  // 12. - 13. With the rates fixed the amplitudes are linear: regress YY on
  //    the n exponentials, without a constant term.
  for (int I = 1; I <= NExp; ++I)
    for (int J = FirstObservation; J <= N; ++J)
      U[I][J] = GuardedExp(-Roots[I] * XX[J]);
  Status = Regress(Mode, U, YY, W, N, NExp, false, P, V);
  if (Status == SolveSingular)
    return SolveSingular;

  // 14. Amplitudes at X = 0 rather than at the first point.
  for (int I = 1; I <= NExp; ++I) {
    if (Shift != 0.0)
      P[I] = CheckFinite(GuardedExp(Shift * Roots[I]) * P[I]);
    B[2 * I - 1] = P[I];
    B[2 * I] = Roots[I];
  }

  // 15.
  return SolveOk;
}

}  // namespace Titrelle::fitexpo
