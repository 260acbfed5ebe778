#include "numeric/eigen.h"

#include <algorithm>
#include <cmath>

namespace Titrelle {

namespace {

// The radix search of a balancing step moves C by a factor 4 per pass. Finite
// norms are within 2^-1074..2^1024 of each other, so no search between finite
// values needs more than about 1050 passes; the cap only stops a search whose
// C has overflowed to infinity, and the scale then found fails the acceptance
// test ((C + R) / F is infinite), so the row is left as it is.
constexpr int MaxRadixPasses = 1100;

// Every sweep that changes something lowers the sum of the off-diagonal norms
// of the block by at least 5%, so the balancing ends in a handful of sweeps.
// The cap only matters for input that is not finite. Stopping early is
// harmless: every sweep is an exact similarity (power-of-2 scalings), so the
// matrix keeps its eigenvalues and is merely less well balanced.
constexpr int MaxBalanceSweeps = 1000;

// Exchange(J, M) of the balancing: records J in Scale[M] and moves row and
// column J to position M.
void Exchange(const TMatrix& A, int Lb, int Ub, int Low, int Igh, int J, int M, const TVector& Scale)
{
  Scale[M] = J;
  if (J == M)
    return;
  ExchangeColumns(J, M, A, Lb, Igh);
  ExchangeRows(J, M, A, Low, Ub);
}

// Row J isolates an eigenvalue when it is zero off the diagonal in columns Lb..Igh.
bool RowIsolated(const TMatrix& A, int J, int Lb, int Igh)
{
  for (int I = Lb; I <= Igh; ++I)
    if (I != J && A[J][I] != 0.0)
      return false;
  return true;
}

// Column J isolates an eigenvalue when it is zero off the diagonal in rows Low..Igh.
bool ColumnIsolated(const TMatrix& A, int J, int Low, int Igh)
{
  for (int I = Low; I <= Igh; ++I)
    if (I != J && A[I][J] != 0.0)
      return false;
  return true;
}

// One balancing sweep over Low..Igh (step 5); true when it scaled anything.
bool BalanceSweep(const TMatrix& A, int Lb, int Ub, int Low, int Igh, const TVector& Scale)
{
  bool Changed = false;
  for (int I = Low; I <= Igh; ++I) {
    Float C = 0.0;  // column norm off the diagonal
    Float R = 0.0;  // row norm off the diagonal
    for (int J = Low; J <= Igh; ++J)
      if (J != I) {
        C += std::fabs(A[J][I]);
        R += std::fabs(A[I][J]);
      }
    if (C == 0.0 || R == 0.0)
      continue;

    // The power of 2 F that brings C * F and R / F closest.
    Float G = R / 2.0;
    Float F = 1.0;
    const Float S = C + R;
    for (int Pass = 0; C < G && Pass < MaxRadixPasses; ++Pass) {
      F = 2.0 * F;
      C = 4.0 * C;
    }
    G = 2.0 * R;
    for (int Pass = 0; C >= G && Pass < MaxRadixPasses; ++Pass) {
      F = F / 2.0;
      C = C / 4.0;
    }

    // Scale only when it shrinks the two norms by at least 5%.
    if ((C + R) / F < 0.95 * S) {
      Scale[I] = Scale[I] * F;
      const Float InvF = 1.0 / F;  // exact: F is a power of 2
      for (int J = Low; J <= Ub; ++J)
        A[I][J] = A[I][J] * InvF;
      for (int J = Lb; J <= Igh; ++J)
        A[J][I] = A[J][I] * F;
      Changed = true;
    }
  }
  return Changed;
}

// Step 3.1: the smallest L in Low..En such that every subdiagonal element
// A[K, K-1], K = L+1..En, is not negligible; A[L, L-1] is negligible (or L = Low).
int SplitPoint(const TMatrix& A, int Low, int En, Float Norm)
{
  for (int L = En; L >= Low + 1; --L) {
    Float S = std::fabs(A[L - 1][L - 1]) + std::fabs(A[L][L]);
    if (S == 0.0)
      S = Norm;
    if (S + std::fabs(A[L][L - 1]) == S)
      return L;
  }
  return Low;
}

// Step 3.3: the two eigenvalues of the trailing 2 x 2 block [[Y, .], [., X]]
// whose off-diagonal product is W, shifted back by T, into Na and En.
void StoreTwoRoots(Float X, Float Y, Float W, Float T, int Na, int En, const TVector& Wr, const TVector& Wi)
{
  const Float P = (Y - X) / 2.0;
  const Float Q = P * P + W;
  Float Zz = std::sqrt(std::fabs(Q));
  X = X + T;
  if (Q >= 0.0) {
    // Real pair: the larger root by addition of like signs, the other from
    // the product of the roots, which avoids cancellation.
    Zz = P + TransferSign(Zz, P);
    Wr[Na] = X + Zz;
    Wr[En] = Wr[Na];
    if (Zz != 0.0)
      Wr[En] = X - W / Zz;
    Wi[Na] = 0.0;
    Wi[En] = 0.0;
  } else {
    // Complex pair.
    Wr[Na] = X + P;
    Wr[En] = X + P;
    Wi[Na] = Zz;
    Wi[En] = -Zz;
  }
}

// Step 3.7: looks from Enm2 down to L for two consecutive small subdiagonal
// elements where the double-shift step may start; returns that row M with
// the first column P, Q, R of the shifted product, scaled to unit 1-norm.
int DoubleShiftStart(const TMatrix& A, int L, int Enm2, Float X, Float Y, Float W, Float& P, Float& Q, Float& R)
{
  int M = Enm2;
  for (;; --M) {
    const Float Zz = A[M][M];
    R = X - Zz;
    Float S = Y - Zz;
    P = (R * S - W) / A[M + 1][M] + A[M][M + 1];
    Q = A[M + 1][M + 1] - Zz - R - S;
    R = A[M + 2][M + 1];
    S = std::fabs(P) + std::fabs(Q) + std::fabs(R);
    P = P / S;
    Q = Q / S;
    R = R / S;
    if (M == L)
      break;
    const Float T1 = std::fabs(P) * (std::fabs(A[M - 1][M - 1]) + std::fabs(Zz) + std::fabs(A[M + 1][M + 1]));
    if (T1 + std::fabs(A[M][M - 1]) * (std::fabs(Q) + std::fabs(R)) == T1)
      break;
  }
  return M;
}

// Step 3.9: one Francis double-shift step on the active block L..En, starting
// at row M and chasing the bulge down with 3 x 3 Householder reflections
// (2 x 2 at the last row). P, Q, R on entry: the first column from
// DoubleShiftStart.
void DoubleQRStep(const TMatrix& A, int L, int M, int En, Float P, Float Q, Float R)
{
  const int Na = En - 1;
  for (int K = M; K <= Na; ++K) {
    const bool NotLast = K != Na;
    Float X = 0.0;
    if (K != M) {
      P = A[K][K - 1];
      Q = A[K + 1][K - 1];
      R = NotLast ? A[K + 2][K - 1] : 0.0;
      X = std::fabs(P) + std::fabs(Q) + std::fabs(R);
      if (X == 0.0)
        continue;  // the bulge has vanished here: nothing to reflect
      P = P / X;
      Q = Q / X;
      R = R / X;
    }
    const Float S = TransferSign(std::sqrt(P * P + Q * Q + R * R), P);
    if (K != M)
      A[K][K - 1] = -S * X;
    else if (L != M)
      A[K][K - 1] = -A[K][K - 1];
    P = P + S;
    X = P / S;
    const Float Y = Q / S;
    const Float Zz = R / S;
    Q = Q / P;
    R = R / P;

    // Row modification.
    for (int J = K; J <= En; ++J) {
      Float Pj = A[K][J] + Q * A[K + 1][J];
      if (NotLast) {
        Pj = Pj + R * A[K + 2][J];
        A[K + 2][J] = A[K + 2][J] - Pj * Zz;
      }
      A[K + 1][J] = A[K + 1][J] - Pj * Y;
      A[K][J] = A[K][J] - Pj * X;
    }

    // Column modification.
    const int Last = LesserInt(En, K + 3);
    for (int I = L; I <= Last; ++I) {
      Float Pi = X * A[I][K] + Y * A[I][K + 1];
      if (NotLast) {
        Pi = Pi + Zz * A[I][K + 2];
        A[I][K + 2] = A[I][K + 2] - Pi * R;
      }
      A[I][K + 1] = A[I][K + 1] - Pi * Q;
      A[I][K] = A[I][K] - Pi;
    }
  }
}

}  // namespace

void BalanceMatrix(const TMatrix& A, int Lb, int Ub, int& Low, int& Igh, const TVector& Scale)
{
  // 1. Start with the whole matrix.
  Low = Lb;
  Igh = Ub;

  // 2./3. Rows isolating an eigenvalue go to the bottom; each find shrinks
  // Igh, so the scan restarts at most Ub - Lb + 1 times.
  bool Found = true;
  while (Found && Igh >= Lb) {
    Found = false;
    for (int J = Igh; J >= Lb; --J)
      if (RowIsolated(A, J, Lb, Igh)) {
        Exchange(A, Lb, Ub, Low, Igh, J, Igh, Scale);
        Igh = Igh - 1;
        Found = true;
        break;
      }
  }
  if (Igh < Lb)
    Igh = Lb;

  // 4. Columns isolating an eigenvalue go to the top; each find raises Low,
  // and the search stops once Low passes Igh.
  if (Igh != Lb) {
    Found = true;
    while (Found && Low <= Igh) {
      Found = false;
      for (int J = Low; J <= Igh; ++J)
        if (ColumnIsolated(A, J, Low, Igh)) {
          Exchange(A, Lb, Ub, Low, Igh, J, Low, Scale);
          Low = Low + 1;
          Found = true;
          break;
        }
    }
  }

  // 5. Scale the remaining block until a sweep changes nothing.
  for (int I = Low; I <= Igh; ++I)
    Scale[I] = 1.0;
  for (int Sweep = 0; Sweep < MaxBalanceSweeps; ++Sweep)
    if (!BalanceSweep(A, Lb, Ub, Low, Igh, Scale))
      break;
}

int HessenbergQREigen(const TMatrix& A, int Lb, int Ub, int Low, int Igh, const TVector& Wr, const TVector& Wi)
{
  // 1. Norm of the Hessenberg part (the fallback scale of the negligibility
  // test); eigenvalues isolated by the balancing are the diagonal elements.
  Float Norm = 0.0;
  for (int I = Lb; I <= Ub; ++I) {
    for (int J = std::max(I - 1, Lb); J <= Ub; ++J)
      Norm += std::fabs(A[I][J]);
    if (I < Low || I > Igh) {
      Wr[I] = A[I][I];
      Wi[I] = 0.0;
    }
  }

  // 2. Search from the bottom; T accumulates the exceptional shifts. The
  // budget counts iterations over the whole matrix.
  int En = Igh;
  Float T = 0.0;
  int Budget = 30 * (Ub - Lb + 1);

  // 3. Each pass of the outer loop finds one or two eigenvalues and lowers En.
  while (En >= Low) {
    int Its = 0;
    const int Na = En - 1;
    const int Enm2 = Na - 1;
    for (;;) {
      // 3.1 Look for a single small subdiagonal element.
      const int L = SplitPoint(A, Low, En, Norm);

      // 3.2 One root found.
      Float X = A[En][En];
      if (L == En) {
        Wr[En] = X + T;
        Wi[En] = 0.0;
        En = Na;
        break;
      }

      // 3.3 Two roots found.
      Float Y = A[Na][Na];
      Float W = A[En][Na] * A[Na][En];
      if (L == Na) {
        StoreTwoRoots(X, Y, W, T, Na, En, Wr, Wi);
        En = Enm2;
        break;
      }

      // 3.4 The iteration budget is used up.
      if (Budget == 0)
        return -En;

      // 3.5 Exceptional shift after 10 and 20 iterations without a split.
      if (Its == 10 || Its == 20) {
        T = T + X;
        for (int I = Low; I <= En; ++I)
          A[I][I] = A[I][I] - X;
        const Float S = std::fabs(A[En][Na]) + std::fabs(A[Na][Enm2]);
        X = 0.75 * S;
        Y = X;
        W = -0.4375 * S * S;
      }

      // 3.6 Count the iteration.
      Its = Its + 1;
      Budget = Budget - 1;

      // 3.7 Where the double-shift step starts.
      Float P = 0.0;
      Float Q = 0.0;
      Float R = 0.0;
      const int M = DoubleShiftStart(A, L, Enm2, X, Y, W, P, Q, R);

      // 3.8 Clear the elements below the subdiagonal that the step fills in.
      for (int I = M + 2; I <= En; ++I) {
        A[I][I - 2] = 0.0;
        if (I != M + 2)
          A[I][I - 3] = 0.0;
      }

      // 3.9 The double QR step on rows and columns L..En.
      DoubleQRStep(A, L, M, En, P, Q, R);
    }
  }

  // 4. All eigenvalues found.
  return SolveOk;
}

}  // namespace Titrelle
