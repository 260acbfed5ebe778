#include "models/fitiexpo.h"

#include "models/ModelShared.h"
#include "regression/regress.h"

namespace Titrelle::fitiexpo {

namespace {

struct TOptions {
  bool ConstantTerm = false;
};

TOptions Options;

}  // namespace

int ParamLow() { return Options.ConstantTerm ? 0 : 1; }
int ParamHigh() { return 2; }

void Configure(const TVector& Values) { Options.ConstantTerm = OptionFlag(Values, 0); }

void ResetOptions() { Options = TOptions(); }

Float Value(Float X, const TVector& B)
{
  const Float E = GuardedExp(-X * B[2]);
  const Float Rise = CheckFinite((1.0 - E) * B[1]);
  return Options.ConstantTerm ? CheckFinite(Rise + B[0]) : Rise;
}

void Derivatives(Float X, Float /*Y*/, const TVector& B, const TVector& D)
{
  const Float E = GuardedExp(-B[2] * X);
  D[0] = 1.0;
  D[1] = 1.0 - E;
  D[2] = CheckFinite(X * B[1] * E);
}

int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B)
{
  // 1. The transformed responses, their weights, the line and its inverse
  //    normal matrix (not returned).
  TVector Z, Wz, A;
  TMatrix V;
  AllocVector(Z, N);
  AllocVector(Wz, N);
  AllocVector(A, 1);
  AllocMatrix(V, 1, 1);

  // 2. The constant a little below the smallest response.
  B[0] = Options.ConstantTerm ? 0.9 * VectorMinimum(Y, FirstObservation, N) : 0.0;

  // 3. The plateau a little above the largest response (of Y itself, also
  //    with the constant), so that 1 - y/B1 stays positive for positive data.
  B[1] = CheckFinite(1.1 * VectorMaximum(Y, FirstObservation, N));

  // 4. Z = ln(1 - y/B1) = -B2 X. A response at or above B1 gives GuardedLn
  //    a non-positive argument: -MaxFloat enters the line fit. The weight
  //    (y - B1)^2 undoes the stretching of the logarithm, whose derivative
  //    is 1 / (y - B1).
  for (int I = FirstObservation; I <= N; ++I) {
    const Float Yi = Options.ConstantTerm ? CheckFinite(Y[I] - B[0]) : Y[I];
    Z[I] = GuardedLn(1.0 - CheckedDivide(Yi, B[1]));
    const Float Gap = CheckFinite(Yi - B[1]);
    Wz[I] = CheckFinite(Gap * Gap);
    if (Mode == 1)
      Wz[I] = CheckFinite(Wz[I] * W[I]);
  }

  // 5. - 6. Intercept A[0], slope A[1] = -B2; a failed fit leaves B[2].
  const int Status = FitStraightLineWeighted(X, Z, Wz, N, A, V);
  if (Status == SolveOk)
    B[2] = -A[1];

  // 7.
  return Status;
}

}  // namespace Titrelle::fitiexpo
