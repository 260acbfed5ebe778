#include "models/Logis2.h"

#include <cmath>

#include "models/ModelShared.h"
#include "regression/regress.h"

namespace Titrelle::Logis2 {

namespace {

// Doses closer to zero than this take the zero-dose limit of the curve.
constexpr Float ZeroDose = 1e-7;

}  // namespace

int ParamLow() { return 0; }
int ParamHigh() { return 3; }

Float Value(Float X, const TVector& B)
{
  // 1. At zero dose the power is not evaluated.
  if (std::fabs(X) < ZeroDose)
    return B[1] > 0.0 ? B[0] : B[3];

  // 2. A negative X / B2 with a non-integral B1 gets P = 0 from the guarded
  //    power, so the curve takes the value B0 there.
  const Float P = GuardedPower(CheckedDivide(X, B[2]), B[1]);
  return CheckFinite(B[3] + CheckedDivide(B[0] - B[3], 1.0 + P));
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
    return;
  }

  // 2. ln R is the plain logarithm: a negative B2 faults here.
  const Float R = CheckedDivide(X, B[2]);
  const Float P = GuardedPower(R, B[1]);
  const Float Q = CheckedDivide(1.0, 1.0 + P);
  const Float G = CheckFinite((B[0] - B[3]) * Q * Q);
  D[0] = Q;
  D[1] = CheckFinite(-G * P * PlainLn(R));
  D[2] = CheckFinite(CheckedDivide(X * G, B[2] * B[2]) * B[1] * CheckedDivide(P, R));
  D[3] = 1.0 - Q;
}

int Estimate(const TVector& X, const TVector& Y, int N, const TVector& B)
{
  return LogDoseLineEstimate(X, Y, N, B, 1);
}

}  // namespace Titrelle::Logis2
