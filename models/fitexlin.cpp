#include "models/fitexlin.h"

#include "regression/regress.h"

namespace Titrelle::fitexlin {

namespace {

// K rounded to the nearest integer, halves to the even neighbour.
int RoundedIndex(Float K) { return static_cast<int>(RoundToInt64(K)); }

}  // namespace

int ParamLow() { return 0; }
int ParamHigh() { return 2; }

Float Value(Float X, const TVector& B)
{
  return CheckFinite((1.0 - GuardedExp(-B[1] * X)) * B[0] + X * B[2]);
}

void Derivatives(Float X, Float /*Y*/, const TVector& B, const TVector& D)
{
  const Float E = GuardedExp(-B[1] * X);
  D[0] = 1.0 - E;
  D[1] = CheckFinite(X * B[0] * E);
  D[2] = X;
}

int Estimate(const TVector& X, const TVector& Y, int N, const TVector& B)
{
  // A single point has no slope; the steps below would read outside 1..N.
  if (N < 2)
    return SolveSingular;

  // 1. - 3. The last tenth of the points: the slope of the linear part and
  //    the intercept of that asymptotic line, which is the height B0.
  int K = RoundedIndex(0.9 * N);
  if (K == N)
    K = N - 1;
  B[2] = CheckedDivide(Y[N] - Y[K], X[N] - X[K]);
  B[0] = CheckFinite(Y[N] - B[2] * X[N]);

  // 4. - 5. The first tenth (at least two points): the initial slope.
  K = RoundedIndex(0.1 * N);
  if (K < 2)
    K = 2;
  const Float Ds = CheckedDivide(Y[K] - Y[FirstObservation], X[K] - X[FirstObservation]);

  // 6. The model's slope at X = 0 is B0 B1 + B2.
  B[1] = CheckedDivide(Ds - B[2], B[0]);

  // 7.
  return SolveOk;
}

}  // namespace Titrelle::fitexlin
