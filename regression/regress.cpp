// Linear least squares and the statistics of a fit.
#include "regression/regress.h"

#include <cmath>

#include "numeric/fspec.h"
#include "numeric/stat.h"

namespace Titrelle {

std::uint8_t LinearSolveMethod = LinearBySingularValues;

namespace {

// ---------------------------------------------------------------------------
// Straight line

int StraightLineCore(bool Weighted, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B,
                     const TMatrix& V)
{
  // 1. The five sums.
  Float S0 = 0.0, Sx = 0.0, Sy = 0.0, Sxx = 0.0, Sxy = 0.0;
  for (int I = FirstObservation; I <= N; ++I) {
    if (Weighted) {
      const Float Wx = W[I] * X[I];
      S0 = S0 + W[I];
      Sx = Sx + Wx;
      Sy = Sy + W[I] * Y[I];
      Sxx = Sxx + Wx * X[I];
      Sxy = Sxy + Wx * Y[I];
    } else {
      Sx = Sx + X[I];
      Sy = Sy + Y[I];
      Sxx = Sxx + X[I] * X[I];
      Sxy = Sxy + X[I] * Y[I];
    }
  }
  if (!Weighted)
    S0 = N - FirstObservation + 1;

  // 2. - 3. A non-positive determinant leaves B and V as they were. With all
  // X equal the determinant is 0 only in exact arithmetic; rounding of the
  // sums leaves up to about n eps S0 Sxx, which counts as 0 too.
  const Float D = CheckFinite(S0 * Sxx - Sx * Sx);
  const int Count = N - FirstObservation + 1;
  if (!(D > Count * MachineEpsilon * S0 * Sxx))
    return SolveSingular;

  // 4.
  V[0][0] = CheckedDivide(Sxx, D);
  V[0][1] = CheckedDivide(-Sx, D);
  V[1][0] = V[0][1];
  V[1][1] = CheckedDivide(S0, D);

  // 5.
  B[0] = CheckFinite(V[0][0] * Sy + V[0][1] * Sxy);
  B[1] = CheckFinite(V[1][0] * Sy + V[1][1] * Sxy);
  return SolveOk;
}

// ---------------------------------------------------------------------------
// Multiple regression

int NormalEquationsFit(bool Weighted, const TMatrix& U, const TVector& Y, const TVector& W, int N, int VarCount,
                       bool ConstantTerm, const TVector& B, const TMatrix& V)
{
  const int Lb = ConstantTerm ? 0 : 1;
  TMatrix A;
  TVector R;
  AllocMatrix(A, VarCount, VarCount);
  AllocVector(R, VarCount);

  // 1. Row and column of the constant term.
  if (ConstantTerm) {
    for (int I = FirstObservation; I <= N; ++I) {
      const Float Wi = Weighted ? W[I] : 1.0;
      A[0][0] = A[0][0] + Wi;
      for (int J = 1; J <= VarCount; ++J)
        A[0][J] = A[0][J] + Wi * U[J][I];
      R[0] = R[0] + Wi * Y[I];
    }
    for (int J = 1; J <= VarCount; ++J)
      A[J][0] = A[0][J];
  }

  // 2. Upper triangle of the variables' block.
  for (int I = FirstObservation; I <= N; ++I)
    for (int J = 1; J <= VarCount; ++J) {
      const Float T = Weighted ? W[I] * U[J][I] : U[J][I];
      for (int K = J; K <= VarCount; ++K)
        A[J][K] = A[J][K] + T * U[K][I];
      R[J] = R[J] + T * Y[I];
    }

  // 3. Mirror.
  for (int J = 2; J <= VarCount; ++J)
    for (int K = 1; K < J; ++K)
      A[J][K] = A[K][J];

  // 4.
  Float Det;
  return SolveByGaussJordan(A, R, Lb, VarCount, V, B, Det);
}

int SingularValuesFit(bool Weighted, const TMatrix& U, const TVector& Y, const TVector& W, int N, int VarCount,
                      bool ConstantTerm, const TVector& B, const TMatrix& V)
{
  // 1. Observation i becomes row r = Lb + i - FirstObservation.
  const int Lb = ConstantTerm ? 0 : 1;
  const int N1 = N - FirstObservation + 1;
  const int LastRow = Lb + N1 - 1;
  TMatrix D, Q;
  TVector Z, S, T;
  AllocMatrix(D, LastRow, VarCount);
  AllocVector(Z, LastRow);
  AllocMatrix(Q, VarCount, VarCount);
  AllocVector(S, VarCount);
  AllocVector(T, VarCount);

  // 2. Design matrix and right-hand side, scaled by the root of the weight.
  for (int I = FirstObservation; I <= N; ++I) {
    const int Row = Lb + I - FirstObservation;
    const Float Scale = Weighted ? PlainSqrt(W[I]) : 1.0;
    Z[Row] = Y[I] * Scale;
    if (ConstantTerm)
      D[Row][0] = Scale;
    for (int J = 1; J <= VarCount; ++J)
      D[Row][J] = U[J][I] * Scale;
  }

  // Columns of very different size (1, x, x^2 of a polynomial in large x)
  // make the design ill-conditioned and cost digits in the decomposition;
  // each column is scaled to unit length first and the scale undone below.
  // A zero column keeps scale 1.
  TVector ColumnScale;
  AllocVector(ColumnScale, VarCount);
  for (int J = Lb; J <= VarCount; ++J) {
    Float SumSq = 0.0;
    for (int Row = Lb; Row <= LastRow; ++Row)
      SumSq = SumSq + D[Row][J] * D[Row][J];
    const Float Norm = PlainSqrt(CheckFinite(SumSq));
    ColumnScale[J] = Norm > 0.0 ? Norm : 1.0;
    for (int Row = Lb; Row <= LastRow; ++Row)
      D[Row][J] = D[Row][J] / ColumnScale[J];
  }

  // 3.
  const int Status = SingularValueDecompose(D, Lb, LastRow, VarCount, S, Q);
  if (Status != SolveOk)
    return Status;

  // 4. - 5. Minimum-norm solution with negligible singular values dropped.
  ZeroSmallSingularValues(S, Lb, VarCount, N1 * MachineEpsilon);
  SolveBySingularValues(D, S, Q, Z, Lb, LastRow, VarCount, B);

  // 6. - 7. (D^T D)^-1 = Q diag(1/S^2) Q^T, both in the original scale.
  for (int K = Lb; K <= VarCount; ++K)
    T[K] = S[K] > 0.0 ? CheckedDivide(1.0, S[K] * S[K]) : 0.0;
  for (int J = Lb; J <= VarCount; ++J)
    for (int K = Lb; K <= J; ++K) {
      Float Sum = 0.0;
      for (int M = Lb; M <= VarCount; ++M)
        Sum = Sum + Q[J][M] * Q[K][M] * T[M];
      V[J][K] = CheckFinite(Sum / (ColumnScale[J] * ColumnScale[K]));
      V[K][J] = V[J][K];
    }
  for (int K = Lb; K <= VarCount; ++K)
    B[K] = CheckFinite(B[K] / ColumnScale[K]);

  // 8.
  return SolveOk;
}

int MultipleLinearCore(bool Weighted, const TMatrix& U, const TVector& Y, const TVector& W, int N, int VarCount,
                       bool ConstantTerm, const TVector& B, const TMatrix& V)
{
  switch (LinearSolveMethod) {
  case LinearByNormalEquations:
    return NormalEquationsFit(Weighted, U, Y, W, N, VarCount, ConstantTerm, B, V);
  case LinearBySingularValues:
    return SingularValuesFit(Weighted, U, Y, W, N, VarCount, ConstantTerm, B, V);
  default:
    return SolveOk;
  }
}

int PolynomialCore(bool Weighted, const TVector& X, const TVector& Y, const TVector& W, int N, int Degree,
                   const TVector& B, const TMatrix& V)
{
  TMatrix U;
  AllocMatrix(U, Degree, N);
  PowersMatrix(X, N, Degree, U);
  return MultipleLinearCore(Weighted, U, Y, W, N, Degree, true, B, V);
}

// ---------------------------------------------------------------------------
// Statistics

void FitStatisticsCore(bool Weighted, const TVector& Y, const TVector& Ycalc, const TVector& W, int N, int Lb,
                       int Ub, const TMatrix& V, TFitStatistics& Stats)
{
  // 1.
  const int NObs = N - FirstObservation + 1;
  const int P = Ub - Lb + 1;

  if (P < NObs) {
    // 2.1 - 2.3
    const Float Mean = MeanOf(Y, FirstObservation, N);
    Float Sst, Ssr, Sse;
    if (Weighted) {
      Sst = WeightedSumSqDevFrom(Y, W, FirstObservation, N, Mean);
      Ssr = WeightedSumSqDevFrom(Ycalc, W, FirstObservation, N, Mean);
      Sse = WeightedSumSqDiff(Y, Ycalc, W, FirstObservation, N);
    } else {
      Sst = SumSqDevFrom(Y, FirstObservation, N, Mean);
      Ssr = SumSqDevFrom(Ycalc, FirstObservation, N, Mean);
      Sse = SumSqDiff(Y, Ycalc, FirstObservation, N);
    }
    const int Nu1 = P - 1;
    const int Nu2 = NObs - P;
    // 2.4 - 2.6 Responses without spread (SST = 0) explain nothing: r^2 is
    // taken as 0 rather than left undefined, so a flat standard curve still fits.
    Stats.RSquared = Sst > 0.0 ? CheckedDivide(Ssr, Sst) : 0.0;
    Stats.AdjustedRSquared = 1.0 - (1.0 - Stats.RSquared) * (NObs - 1) / Nu2;
    Stats.ResidualVariance = CheckFinite(Sse / Nu2);
    if (Nu1 == 0) {
      // A single parameter has no regression degrees of freedom: no F test.
      Stats.FValue = 0.0;
      Stats.FProbability = 1.0;
    } else if (Stats.ResidualVariance > 0.0) {
      // 2.7
      Stats.FValue = CheckedDivide(Ssr / Nu1, Stats.ResidualVariance);
      Stats.FProbability = FDistributionTail(Nu1, Nu2, Stats.FValue);
    } else {
      // 2.8 A perfect fit.
      Stats.FValue = MaxFloat;
      Stats.FProbability = 0.0;
    }
  } else {
    // 3. No residual degrees of freedom.
    Stats.ResidualVariance = 0.0;
    Stats.RSquared = 1.0;
    Stats.AdjustedRSquared = 0.0;
    Stats.FValue = 0.0;
    Stats.FProbability = 1.0;
  }

  // 4. Scale the upper triangle, then mirror it.
  for (int I = Lb; I <= Ub; ++I)
    for (int J = I; J <= Ub; ++J)
      V[I][J] = CheckFinite(V[I][J] * Stats.ResidualVariance);
  for (int I = Lb + 1; I <= Ub; ++I)
    for (int J = Lb; J < I; ++J)
      V[I][J] = V[J][I];
}

}  // namespace

int FitStraightLine(const TVector& X, const TVector& Y, int N, const TVector& B, const TMatrix& V)
{
  return StraightLineCore(false, X, Y, TVector(), N, B, V);
}

int FitStraightLineWeighted(const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B,
                            const TMatrix& V)
{
  return StraightLineCore(true, X, Y, W, N, B, V);
}

int FitMultipleLinear(const TMatrix& U, const TVector& Y, int N, int VarCount, bool ConstantTerm, const TVector& B,
                      const TMatrix& V)
{
  return MultipleLinearCore(false, U, Y, TVector(), N, VarCount, ConstantTerm, B, V);
}

int FitMultipleLinearWeighted(const TMatrix& U, const TVector& Y, const TVector& W, int N, int VarCount,
                              bool ConstantTerm, const TVector& B, const TMatrix& V)
{
  return MultipleLinearCore(true, U, Y, W, N, VarCount, ConstantTerm, B, V);
}

int FitPolynomial(const TVector& X, const TVector& Y, int N, int Degree, const TVector& B, const TMatrix& V)
{
  return PolynomialCore(false, X, Y, TVector(), N, Degree, B, V);
}

int FitPolynomialWeighted(const TVector& X, const TVector& Y, const TVector& W, int N, int Degree, const TVector& B,
                          const TMatrix& V)
{
  return PolynomialCore(true, X, Y, W, N, Degree, B, V);
}

void PowersMatrix(const TVector& X, int N, int Degree, const TMatrix& U)
{
  for (int I = FirstObservation; I <= N; ++I) {
    if (Degree < 1)
      break;
    U[1][I] = X[I];
    for (int K = 2; K <= Degree; ++K)
      U[K][I] = CheckFinite(U[K - 1][I] * X[I]);
  }
}

void ComputeFitStatistics(const TVector& Y, const TVector& Ycalc, int N, int Lb, int Ub, const TMatrix& V,
                          TFitStatistics& Stats)
{
  FitStatisticsCore(false, Y, Ycalc, TVector(), N, Lb, Ub, V, Stats);
}

void ComputeFitStatisticsWeighted(const TVector& Y, const TVector& Ycalc, const TVector& W, int N, int Lb, int Ub,
                                  const TMatrix& V, TFitStatistics& Stats)
{
  FitStatisticsCore(true, Y, Ycalc, W, N, Lb, Ub, V, Stats);
}

}  // namespace Titrelle
