#include "models/ModelShared.h"

#include <limits>

#include "regression/regress.h"

namespace Titrelle {

namespace {

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

Float UpperMargin = 0.05;
Float LowerMargin = 0.05;

bool OptionFlag(const TVector& Options, int I) { return Options[I] == 1.0; }

int OptionCount(const TVector& Options, int I)
{
  const std::int64_t Count = RoundToInt64(Options[I]);
  if (Count > std::numeric_limits<int>::max() || Count < std::numeric_limits<int>::min())
    throw ArithmeticFault(TFaultKind::Invalid, "option value beyond the integer range");
  return static_cast<int>(Count);
}

int LogDoseLineEstimate(const TVector& X, const TVector& Y, int N, const TVector& B, int RatioPower)
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

  // 3. The linear form ln(((B0 - B3) / (Y - B3))^RatioPower - 1)
  //    = B1 ln X - B1 ln B2 over the points with X > 0. Equal responses
  //    give 0 / 0 and fault.
  Float Su = 0.0, Sz = 0.0, Suz = 0.0, Suu = 0.0;
  int Count = 0;
  for (int I = FirstObservation; I <= N; ++I) {
    if (!(X[I] > 0.0))
      continue;
    const Float U = PlainLn(X[I]);
    const Float Ratio = CheckedDivide(B[0] - B[3], Y[I] - B[3]);
    const Float Z = PlainLn((RatioPower == 2 ? CheckFinite(Ratio * Ratio) : Ratio) - 1.0);
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

}  // namespace Titrelle
