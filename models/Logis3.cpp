#include "models/Logis3.h"

#include <cmath>

#include "models/ModelShared.h"
#include "regression/regress.h"

namespace Titrelle::Logis3 {

namespace {

// Doses closer to zero than this take the zero-dose limit of the curve.
constexpr Float ZeroDose = 1e-7;

// The asymmetry exponent for which the estimate's transform is exact.
constexpr Float StartAsymmetry = 0.5;

}  // namespace

int ParamLow() { return 0; }
int ParamHigh() { return 4; }

Float Value(Float X, const TVector& B)
{
  // 1. At zero dose the power is not evaluated.
  if (std::fabs(X) < ZeroDose)
    return B[1] > 0.0 ? B[0] : B[3];

  // 2. A negative X / B2 with a non-integral B1 gets P = 0 from the guarded
  //    power, so the curve takes the value B0 there.
  const Float P = GuardedPower(CheckedDivide(X, B[2]), B[1]);
  return CheckFinite(B[3] + CheckedDivide(B[0] - B[3], GuardedPower(1.0 + P, B[4])));
}

void Derivatives(Float X, Float /*Y*/, const TVector& B, const TVector& D)
{
  // 1. A signed test: every negative X takes the zero-dose limits, although
  //    the value evaluates the power for X <= -1e-7.
  if (X < ZeroDose) {
    D[0] = B[1] > 0.0 ? 1.0 : 0.0;
    D[1] = 0.0;
    D[2] = 0.0;
    D[3] = B[1] > 0.0 ? 0.0 : 1.0;
    D[4] = 0.0;
    return;
  }

  // 2. ln R and ln Q are plain logarithms: a negative B2 faults here.
  const Float R = CheckedDivide(X, B[2]);
  const Float P = GuardedPower(R, B[1]);
  const Float Q = CheckedDivide(1.0, 1.0 + P);
  const Float QB4 = GuardedPower(Q, B[4]);
  const Float G = CheckFinite(GuardedPower(Q, B[4] + 1.0) * (B[0] - B[3]) * B[4] * P);
  D[0] = QB4;
  D[1] = CheckFinite(-PlainLn(R) * G);
  D[2] = CheckedDivide(G * B[1], B[2]);
  D[3] = 1.0 - QB4;
  D[4] = CheckFinite(PlainLn(Q) * QB4 * (B[0] - B[3]));
}

int Estimate(const TVector& X, const TVector& Y, int N, const TVector& B)
{
  // The line of the squared ratio is exact for the exponent 0.5, where the
  // refinement then starts.
  const int Status = LogDoseLineEstimate(X, Y, N, B, 2);
  if (Status == SolveOk)
    B[4] = StartAsymmetry;
  return Status;
}

}  // namespace Titrelle::Logis3
