#include "models/fitpka.h"

#include "regression/regress.h"

namespace Titrelle::fitpka {

namespace {

constexpr Float Ln10 = 2.302585092994045684;

}  // namespace

int ParamLow() { return 0; }
int ParamHigh() { return 2; }

Float Value(Float X, const TVector& B)
{
  // The denominator is at least 1: the division needs no check.
  return CheckFinite(B[0] + CheckFinite(B[1] - B[0]) / (GuardedExp10(B[2] - X) + 1.0));
}

void Derivatives(Float X, Float /*Y*/, const TVector& B, const TVector& D)
{
  // Q = 1 / (T + 1) lies in (0, 1], and Q^2 T <= Q: no product overflows
  // unless B0 - B1 does.
  const Float T = GuardedExp10(B[2] - X);
  const Float Q = 1.0 / (T + 1.0);
  D[0] = 1.0 - Q;
  D[1] = Q;
  D[2] = CheckFinite(Q * Q * CheckFinite(B[0] - B[1]) * T * Ln10);
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

int Estimate(const TVector& X, const TVector& Y, int N, const TVector& B)
{
  // 1. The caller's pairs are reordered in place.
  SortByX(X, Y, N);

  // 2. The plateaus at the ends of the X range and the response midway.
  B[0] = Y[FirstObservation];
  B[1] = Y[N];
  const Float M = CheckFinite(B[0] + B[1]) * 0.5;

  // 3. The X where the responses reach M: at a point, or halfway between two
  //    neighbours on either side of it. The last match wins.
  for (int I = FirstObservation + 1; I <= N - 1; ++I) {
    if (Y[I] == M)
      B[2] = X[I];
    else if ((Y[I] < M && M < Y[I + 1]) || (Y[I] > M && M > Y[I + 1]))
      B[2] = CheckFinite(X[I] + X[I + 1]) * 0.5;
  }

  // 4.
  return SolveOk;
}

}  // namespace Titrelle::fitpka
