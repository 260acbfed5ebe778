// Dense linear solvers and decompositions of the matrices unit. Work storage
// is held in local containers, so it is released on every exit path.
#include <cmath>

#include "numeric/matrices.h"

namespace Titrelle {

namespace {

// Gauss-Jordan elimination with complete pivoting on InvA (a copy of A made
// by the caller), applied to X as well when HasRhs. Det is the determinant.
int GaussJordanInPlace(const TMatrix& InvA, const TVector& X, bool HasRhs, int Lb, int Ub, Float& Det)
{
  TIntVector PivotRow, PivotCol;
  TVector MCol;
  AllocIntVector(PivotRow, Ub);
  AllocIntVector(PivotCol, Ub);
  AllocVector(MCol, Ub);
  Det = 1.0;

  // 2. One elimination step per column.
  for (int K = Lb; K <= Ub; ++K) {
    // 2.1 The first largest element of the remaining block, row by row.
    Float Pvt = InvA[K][K];
    int IPvt = K;
    int JPvt = K;
    for (int I = K; I <= Ub; ++I) {
      const TVector& Row = InvA[I];
      for (int J = K; J <= Ub; ++J)
        if (std::fabs(Row[J]) > std::fabs(Pvt)) {
          Pvt = Row[J];
          IPvt = I;
          JPvt = J;
        }
    }

    // 2.2 A pivot this small makes the matrix singular to working precision.
    if (std::fabs(Pvt) < MachineEpsilon)
      return SolveSingular;

    // 2.3 - 2.4 Record the pivot and update the determinant.
    PivotRow[K] = IPvt;
    PivotCol[K] = JPvt;
    Det = Det * Pvt;
    if (IPvt != K)
      Det = -Det;
    if (JPvt != K)
      Det = -Det;

    // 2.5 Bring the pivot to the diagonal.
    if (IPvt != K) {
      ExchangeRows(IPvt, K, InvA, Lb, Ub);
      if (HasRhs)
        SwapFloats(X[IPvt], X[K]);
    }
    if (JPvt != K)
      ExchangeColumns(JPvt, K, InvA, Lb, Ub);

    // 2.6 Keep the multipliers of column K; the column becomes that of the identity.
    for (int I = Lb; I <= Ub; ++I) {
      if (I == K) {
        MCol[I] = 0.0;
        InvA[I][K] = 1.0;
      } else {
        MCol[I] = InvA[I][K];
        InvA[I][K] = 0.0;
      }
    }

    // 2.7 Scale the pivot row.
    const TVector& PivotRowK = InvA[K];
    for (int J = Lb; J <= Ub; ++J)
      PivotRowK[J] = PivotRowK[J] / Pvt;
    if (HasRhs)
      X[K] = X[K] / Pvt;

    // 2.8 Eliminate column K from every other row.
    for (int I = Lb; I <= Ub; ++I) {
      if (I == K)
        continue;
      const TVector& Row = InvA[I];
      const Float M = MCol[I];
      for (int J = Lb; J <= Ub; ++J)
        Row[J] = Row[J] - M * PivotRowK[J];
      if (HasRhs)
        X[I] = X[I] - M * X[K];
    }
  }

  // 3. Undo the interchanges: column pivots permute rows of the inverse and
  // the solution, row pivots permute columns of the inverse.
  for (int J = Ub; J >= Lb; --J) {
    const int K = PivotCol[J];
    if (K != J) {
      ExchangeRows(K, J, InvA, Lb, Ub);
      if (HasRhs)
        SwapFloats(X[K], X[J]);
    }
  }
  for (int J = Ub; J >= Lb; --J) {
    const int K = PivotRow[J];
    if (K != J)
      ExchangeColumns(K, J, InvA, Lb, Ub);
  }
  return SolveOk;
}

}  // namespace

int SolveByGaussJordan(const TMatrix& A, const TVector& B, int Lb, int Ub, const TMatrix& InvA, const TVector& X,
                       Float& Det)
{
  // 1. Work on copies so that A and B stay as they are.
  CopyMatrixBlock(InvA, A, Lb, Lb, Ub, Ub);
  CopyVectorRange(X, B, Lb, Ub);
  return GaussJordanInPlace(InvA, X, true, Lb, Ub, Det);
}

int InvertMatrix(const TMatrix& A, int Lb, int Ub, const TMatrix& InvA)
{
  CopyMatrixBlock(InvA, A, Lb, Lb, Ub, Ub);
  Float Det;
  return GaussJordanInPlace(InvA, TVector(), false, Lb, Ub, Det);
}

int CholeskyFactor(const TMatrix& A, int Lb, int Ub, const TMatrix& L)
{
  for (int I = Lb; I <= Ub; ++I) {
    const TVector& RowI = L[I];
    Float Sum = A[I][I];
    for (int J = Lb; J < I; ++J)
      Sum = Sum - RowI[J] * RowI[J];
    if (Sum <= 0.0)
      return SolveNotPositiveDefinite;
    RowI[I] = std::sqrt(Sum);
    for (int K = I + 1; K <= Ub; ++K) {
      const TVector& RowK = L[K];
      Float S = A[K][I];
      for (int J = Lb; J < I; ++J)
        S = S - RowK[J] * RowI[J];
      RowK[I] = S / RowI[I];
    }
  }
  return SolveOk;
}

int SingularValueDecompose(const TMatrix& A, int Lb, int Ub1, int Ub2, const TVector& S, const TMatrix& V)
{
  const int M = Ub1;
  const int N = Ub2;
  const int MinMN = LesserInt(M, N);
  TVector R;  // superdiagonal of the bidiagonal form
  AllocVector(R, N);

  // 1. Householder reduction to bidiagonal form.
  Float G = 0.0, Scale = 0.0, ANorm = 0.0;
  int L = Lb;
  for (int I = Lb; I <= N; ++I) {
    // 1.1
    L = I + 1;
    R[I] = Scale * G;
    G = 0.0;
    Float Sum = 0.0;
    Scale = 0.0;

    // 1.2 Left transformation: zero column I below the diagonal.
    if (I <= M) {
      for (int K = I; K <= M; ++K)
        Scale = Scale + std::fabs(A[K][I]);
      if (Scale != 0.0) {
        for (int K = I; K <= M; ++K) {
          A[K][I] = A[K][I] / Scale;
          Sum = Sum + A[K][I] * A[K][I];
        }
        Float F = A[I][I];
        G = -TransferSign(std::sqrt(Sum), F);
        const Float H = F * G - Sum;
        A[I][I] = F - G;
        if (I != N)
          for (int J = L; J <= N; ++J) {
            Sum = 0.0;
            for (int K = I; K <= M; ++K)
              Sum = Sum + A[K][I] * A[K][J];
            F = Sum / H;
            for (int K = I; K <= M; ++K)
              A[K][J] = A[K][J] + F * A[K][I];
          }
        for (int K = I; K <= M; ++K)
          A[K][I] = A[K][I] * Scale;
      }
    }

    // 1.3
    S[I] = Scale * G;
    G = 0.0;
    Sum = 0.0;
    Scale = 0.0;

    // 1.4 Right transformation: zero row I right of the superdiagonal.
    if (I <= M && I != N) {
      const TVector& RowI = A[I];
      for (int K = L; K <= N; ++K)
        Scale = Scale + std::fabs(RowI[K]);
      if (Scale != 0.0) {
        for (int K = L; K <= N; ++K) {
          RowI[K] = RowI[K] / Scale;
          Sum = Sum + RowI[K] * RowI[K];
        }
        const Float F = RowI[L];
        G = -TransferSign(std::sqrt(Sum), F);
        const Float H = F * G - Sum;
        RowI[L] = F - G;
        for (int K = L; K <= N; ++K)
          R[K] = RowI[K] / H;
        if (I != M)
          for (int J = L; J <= M; ++J) {
            const TVector& RowJ = A[J];
            Sum = 0.0;
            for (int K = L; K <= N; ++K)
              Sum = Sum + RowJ[K] * RowI[K];
            for (int K = L; K <= N; ++K)
              RowJ[K] = RowJ[K] + Sum * R[K];
          }
        for (int K = L; K <= N; ++K)
          RowI[K] = RowI[K] * Scale;
      }
    }

    // 1.5
    ANorm = GreaterFloat(std::fabs(S[I]) + std::fabs(R[I]), ANorm);
  }

  // 2. Accumulate the right-hand transformations into V.
  for (int I = N; I >= Lb; --I) {
    if (I < N) {
      if (G != 0.0) {
        for (int J = L; J <= N; ++J)
          V[J][I] = (A[I][J] / A[I][L]) / G;  // double division avoids underflow
        for (int J = L; J <= N; ++J) {
          Float Sum = 0.0;
          for (int K = L; K <= N; ++K)
            Sum = Sum + A[I][K] * V[K][J];
          for (int K = L; K <= N; ++K)
            V[K][J] = V[K][J] + Sum * V[K][I];
        }
      }
      for (int J = L; J <= N; ++J) {
        V[I][J] = 0.0;
        V[J][I] = 0.0;
      }
    }
    V[I][I] = 1.0;
    G = R[I];
    L = I;
  }

  // 3. Accumulate the left-hand transformations into A, which becomes U.
  for (int I = MinMN; I >= Lb; --I) {
    L = I + 1;
    G = S[I];
    if (I != N)
      for (int J = L; J <= N; ++J)
        A[I][J] = 0.0;
    if (G != 0.0) {
      if (I != MinMN)
        for (int J = L; J <= N; ++J) {
          Float Sum = 0.0;
          for (int K = L; K <= M; ++K)
            Sum = Sum + A[K][I] * A[K][J];
          const Float F = (Sum / A[I][I]) / G;
          for (int K = I; K <= M; ++K)
            A[K][J] = A[K][J] + F * A[K][I];
        }
      for (int J = I; J <= M; ++J)
        A[J][I] = A[J][I] / G;
    } else {
      for (int J = I; J <= M; ++J)
        A[J][I] = 0.0;
    }
    A[I][I] = A[I][I] + 1.0;
  }

  // 4. Diagonalise the bidiagonal form by implicitly shifted QR sweeps.
  for (int K = N; K >= Lb; --K) {
    int Its = 0;
    for (;;) {
      // 4.1 Splitting: find L with a negligible R[L] (go to convergence) or a
      // negligible S[L - 1] (cancel R[L] first). R[Lb] is always 0.
      bool Cancel = false;
      int NM = Lb;
      for (L = K; L >= Lb; --L) {
        NM = L - 1;
        if (std::fabs(R[L]) + ANorm == ANorm)
          break;
        if (std::fabs(S[NM]) + ANorm == ANorm) {
          Cancel = true;
          break;
        }
      }

      // 4.2 Cancellation of R[L] when S[L - 1] is negligible.
      if (Cancel) {
        Float C = 0.0, Sn = 1.0;
        for (int I = L; I <= K; ++I) {
          const Float F = Sn * R[I];
          R[I] = C * R[I];
          if (std::fabs(F) + ANorm == ANorm)
            break;
          G = S[I];
          const Float H = Hypotenuse(F, G);
          S[I] = H;
          C = G / H;
          Sn = -F / H;
          for (int J = Lb; J <= M; ++J) {
            const Float Y = A[J][NM];
            const Float Z = A[J][I];
            A[J][NM] = Y * C + Z * Sn;
            A[J][I] = Z * C - Y * Sn;
          }
        }
      }

      // 4.3 Convergence: make the singular value non-negative.
      Float Z = S[K];
      if (L == K) {
        if (Z < 0.0) {
          S[K] = -Z;
          for (int J = Lb; J <= N; ++J)
            V[J][K] = -V[J][K];
        }
        break;
      }

      // 4.4
      if (Its == 30)
        return -K;
      ++Its;

      // 4.5 Shift from the bottom 2 x 2 minor.
      Float X = S[L];
      NM = K - 1;
      Float Y = S[NM];
      G = R[NM];
      Float H = R[K];
      Float F = 0.5 * (((G + Z) / H) * ((G - Z) / Y) + Y / H - H / Y);
      G = Hypotenuse(F, 1.0);
      F = X - Z * Z / X + (H / X) * (Y / (F + TransferSign(G, F)) - H);

      // 4.6 QR sweep by Givens rotations.
      Float C = 1.0, Sn = 1.0;
      for (int J = L; J <= NM; ++J) {
        const int I = J + 1;
        G = R[I];
        Y = S[I];
        H = Sn * G;
        G = C * G;
        Z = Hypotenuse(F, H);
        R[J] = Z;
        C = F / Z;
        Sn = H / Z;
        F = X * C + G * Sn;
        G = G * C - X * Sn;
        H = Y * Sn;
        Y = Y * C;
        for (int JJ = Lb; JJ <= N; ++JJ) {
          X = V[JJ][J];
          Z = V[JJ][I];
          V[JJ][J] = X * C + Z * Sn;
          V[JJ][I] = Z * C - X * Sn;
        }
        Z = Hypotenuse(F, H);
        S[J] = Z;
        if (Z != 0.0) {
          C = F / Z;
          Sn = H / Z;
        }
        F = C * G + Sn * Y;
        X = C * Y - Sn * G;
        for (int JJ = Lb; JJ <= M; ++JJ) {
          Y = A[JJ][J];
          Z = A[JJ][I];
          A[JJ][J] = Y * C + Z * Sn;
          A[JJ][I] = Z * C - Y * Sn;
        }
      }

      // 4.7
      R[L] = 0.0;
      R[K] = F;
      S[K] = X;
    }
  }

  // 5.
  return SolveOk;
}

void ZeroSmallSingularValues(const TVector& S, int Lb, int Ub, Float Tol)
{
  const Float Threshold = VectorMaximum(S, Lb, Ub) * Tol;
  for (int I = Lb; I <= Ub; ++I)
    if (S[I] < Threshold)
      S[I] = 0.0;
}

void SolveBySingularValues(const TMatrix& U, const TVector& S, const TMatrix& V, const TVector& B, int Lb, int Ub1,
                           int Ub2, const TVector& X)
{
  TVector T;
  AllocVector(T, Ub2);
  for (int J = Lb; J <= Ub2; ++J) {
    if (S[J] > 0.0) {
      Float Sum = 0.0;
      for (int I = Lb; I <= Ub1; ++I)
        Sum = Sum + U[I][J] * B[I];
      T[J] = Sum / S[J];
    }
  }
  for (int J = Lb; J <= Ub2; ++J) {
    Float Sum = 0.0;
    for (int K = Lb; K <= Ub2; ++K)
      Sum = Sum + V[J][K] * T[K];
    X[J] = Sum;
  }
}

}  // namespace Titrelle
