#include "models/Logis2.h"

#include <cmath>

#include "models/ModelShared.h"
#include "regression/regress.h"

namespace Titrelle::Logis2 {

namespace {

// Doses closer to zero than this take the zero-dose limit of the curve.
constexpr Float ZeroDose = 1e-7;

// True when the observations with X > 0 include two distinct X values, so
// that the log-dose line is determined.
bool HasTwoPositiveDoses(const TVector& X, int N)
{
  bool Seen = false;
  Float First = 0.0;
  for (int I = FirstObservation; I <= N; ++I) {
    if (!(X[I] > 0.0))
      continue;
    if (!Seen) {
      Seen = true;
      First = X[I];
    } else if (X[I] != First) {
      return true;
    }
  }
  return false;
}

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
  // Without two distinct positive doses the line would be 0 / 0: report a
  // singular system before anything is written.
  if (!HasTwoPositiveDoses(X, N))
    return SolveSingular;

  // 1.
  Float Ymin = Y[1];
  Float Ymax = Y[1];
  for (int I = 2; I <= N; ++I) {
    if (Y[I] < Ymin)
      Ymin = Y[I];
    if (Y[I] > Ymax)
      Ymax = Y[I];
  }

  // 2. Asymptotes just outside the responses, B0 above and B3 below.
  const Float Range = Ymax - Ymin;
  B[3] = CheckFinite(Ymin - Range * LowerMargin);
  B[0] = CheckFinite(Ymax + Range * UpperMargin);

  // 3. The exact linear form of the model,
  //    ln((B0 - B3) / (Y - B3) - 1) = B1 ln X - B1 ln B2,
  //    over the points with X > 0. Equal responses give 0 / 0 and fault.
  Float Su = 0.0, Sz = 0.0, Suz = 0.0, Suu = 0.0;
  int Count = 0;
  for (int I = FirstObservation; I <= N; ++I) {
    if (!(X[I] > 0.0))
      continue;
    const Float U = PlainLn(X[I]);
    const Float Z = PlainLn(CheckedDivide(B[0] - B[3], Y[I] - B[3]) - 1.0);
    Su = Su + U;
    Sz = Sz + Z;
    Suz = Suz + U * Z;
    Suu = Suu + U * U;
    ++Count;
  }

  // 4. - 5. Slope and intercept of the least-squares line of z on u.
  B[1] = CheckedDivide(Su * Sz / Count - Suz, Su * Su / Count - Suu);
  const Float C = (Sz - B[1] * Su) / Count;

  // 6. A zero slope faults.
  B[2] = PlainExp(CheckedDivide(-C, B[1]));

  // 7.
  return SolveOk;
}

}  // namespace Titrelle::Logis2
