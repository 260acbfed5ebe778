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

  // 3. The linear form of the model for B4 = 0.5,
  //    ln(((B0 - B3) / (Y - B3))^2 - 1) = B1 ln X - B1 ln B2,
  //    over the points with X > 0. Equal responses give 0 / 0 and fault.
  Float Su = 0.0, Sz = 0.0, Suz = 0.0, Suu = 0.0;
  int Count = 0;
  for (int I = FirstObservation; I <= N; ++I) {
    if (!(X[I] > 0.0))
      continue;
    const Float U = PlainLn(X[I]);
    const Float Ratio = CheckedDivide(B[0] - B[3], Y[I] - B[3]);
    const Float Z = PlainLn(CheckFinite(Ratio * Ratio) - 1.0);
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

  // The asymmetry exponent for which the transform above is exact.
  B[4] = StartAsymmetry;
  return SolveOk;
}

}  // namespace Titrelle::Logis3
