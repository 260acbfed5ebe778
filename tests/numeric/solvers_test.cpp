// Dense solvers: Gauss-Jordan with complete pivoting, inversion, Cholesky
// factor and the singular value decomposition with its least-squares solve.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numeric/matrices.h"

namespace Titrelle {
namespace {

using TRows = std::vector<std::vector<Float>>;

// A matrix with rows and columns Lb..Lb + size - 1; row and column 0 are
// filled with a marker when Lb = 1 so that stray writes show.
TMatrix MakeMatrix(const TRows& Rows, int Lb = 0, Float Marker = 0.0)
{
  TMatrix A;
  const int Ub1 = Lb + static_cast<int>(Rows.size()) - 1;
  const int Ub2 = Lb + static_cast<int>(Rows[0].size()) - 1;
  AllocMatrix(A, Ub1, Ub2);
  for (int I = 0; I <= Ub1; ++I)
    for (int J = 0; J <= Ub2; ++J)
      A[I][J] = (I < Lb || J < Lb) ? Marker : Rows[I - Lb][J - Lb];
  return A;
}

TVector MakeVector(const std::vector<Float>& Values, int Lb = 0, Float Marker = 0.0)
{
  TVector V;
  AllocVector(V, Lb + static_cast<int>(Values.size()) - 1);
  for (int I = 0; I < Lb; ++I)
    V[I] = Marker;
  for (std::size_t I = 0; I < Values.size(); ++I)
    V[Lb + static_cast<int>(I)] = Values[I];
  return V;
}

TEST(GaussJordan, PivotsOffTheDiagonal)
{
  const TMatrix A = MakeMatrix({{0, 1}, {1, 0}});
  const TVector B = MakeVector({2, 3});
  TMatrix InvA;
  TVector X;
  AllocMatrix(InvA, 1, 1);
  AllocVector(X, 1);
  Float Det = 0.0;
  ASSERT_EQ(SolveByGaussJordan(A, B, 0, 1, InvA, X, Det), SolveOk);
  EXPECT_EQ(X[0], 3.0);
  EXPECT_EQ(X[1], 2.0);
  EXPECT_EQ(Det, -1.0);
  for (int I = 0; I <= 1; ++I)
    for (int J = 0; J <= 1; ++J)
      EXPECT_EQ(InvA[I][J], A[I][J]);
  // A and B are left as they were.
  EXPECT_EQ(A[0][1], 1.0);
  EXPECT_EQ(B[0], 2.0);
}

TEST(GaussJordan, SingularMatrix)
{
  const TMatrix A = MakeMatrix({{1, 2}, {2, 4}});
  const TVector B = MakeVector({1, 1});
  TMatrix InvA;
  TVector X;
  AllocMatrix(InvA, 1, 1);
  AllocVector(X, 1);
  Float Det = 0.0;
  EXPECT_EQ(SolveByGaussJordan(A, B, 0, 1, InvA, X, Det), SolveSingular);
  EXPECT_EQ(InvertMatrix(A, 0, 1, InvA), SolveSingular);
}

// A general 4 x 4 system at indexes 1..4: the solution, the inverse and the
// determinant against the chosen solution and an independent determinant;
// row and column 0 are never touched.
TEST(GaussJordan, GeneralSystemFromIndexOne)
{
  const Float Marker = -99.0;
  const TMatrix A = MakeMatrix({{2, -1, 0, 3}, {1, 4, -2, 0}, {0, 3, 5, 1}, {6, 0, 1, -2}}, 1, Marker);
  // B = A (1, -2, 3, 0.5)
  const TVector B = MakeVector({5.5, -13, 9.5, 8}, 1, Marker);
  TMatrix InvA = MakeMatrix({{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}, 1, Marker);
  TVector X = MakeVector({0, 0, 0, 0}, 1, Marker);
  Float Det = 0.0;
  ASSERT_EQ(SolveByGaussJordan(A, B, 1, 4, InvA, X, Det), SolveOk);

  // Bound from size and norms: 64 n eps times a condition number of about 10.
  const Float Tol = 64 * 4 * MachineEpsilon * 10;
  const Float Expected[] = {1, -2, 3, 0.5};
  for (int I = 1; I <= 4; ++I)
    EXPECT_NEAR(X[I], Expected[I - 1], Tol) << I;
  for (int I = 1; I <= 4; ++I)
    for (int J = 1; J <= 4; ++J) {
      Float Sum = 0.0;
      for (int K = 1; K <= 4; ++K)
        Sum += A[I][K] * InvA[K][J];
      EXPECT_NEAR(Sum, I == J ? 1.0 : 0.0, Tol) << I << "," << J;
    }
  // Determinant -612 (numpy.linalg.det of the same matrix).
  EXPECT_NEAR(Det, -612.0, 612.0 * Tol);
  for (int I = 0; I <= 4; ++I) {
    EXPECT_EQ(InvA[0][I], Marker);
    EXPECT_EQ(InvA[I][0], Marker);
  }
  EXPECT_EQ(X[0], Marker);

  TMatrix Inv2 = MakeMatrix({{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}, 1, Marker);
  ASSERT_EQ(InvertMatrix(A, 1, 4, Inv2), SolveOk);
  for (int I = 1; I <= 4; ++I)
    for (int J = 1; J <= 4; ++J)
      EXPECT_EQ(Inv2[I][J], InvA[I][J]);
}

TEST(InvertMatrixTest, Diagonal)
{
  const TMatrix A = MakeMatrix({{2, 0}, {0, 4}});
  TMatrix InvA;
  AllocMatrix(InvA, 1, 1);
  ASSERT_EQ(InvertMatrix(A, 0, 1, InvA), SolveOk);
  EXPECT_EQ(InvA[0][0], 0.5);
  EXPECT_EQ(InvA[1][1], 0.25);
  EXPECT_EQ(InvA[0][1], 0.0);
}

TEST(Cholesky, FactorAndFailure)
{
  TMatrix L;
  AllocMatrix(L, 1, 1);
  L[0][1] = 42.0;  // above the diagonal: never written
  ASSERT_EQ(CholeskyFactor(MakeMatrix({{4, 2}, {2, 3}}), 0, 1, L), SolveOk);
  EXPECT_EQ(L[0][0], 2.0);
  EXPECT_EQ(L[1][0], 1.0);
  EXPECT_NEAR(L[1][1], std::sqrt(2.0), 2 * MachineEpsilon);
  EXPECT_EQ(L[0][1], 42.0);

  AllocMatrix(L, 1, 1);
  EXPECT_EQ(CholeskyFactor(MakeMatrix({{1, 2}, {2, 1}}), 0, 1, L), SolveNotPositiveDefinite);
  EXPECT_EQ(L[0][0], 1.0);  // the columns before the failing one are complete
  EXPECT_EQ(L[1][0], 2.0);
}

// SVD of a matrix: reconstruction of A from U diag(S) V^T, orthogonality of
// V and of the columns of U that carry a non-zero singular value, all within
// c n eps ||A|| (c = 16, n the larger dimension).
struct TSvdCase {
  const char* Name;
  TRows Rows;
  int Lb;
  int ExpectedZeroValues;
};

class SvdCases : public testing::TestWithParam<TSvdCase> {};

TEST_P(SvdCases, ReproducesTheMatrix)
{
  const TSvdCase& C = GetParam();
  const int Lb = C.Lb;
  const int M = Lb + static_cast<int>(C.Rows.size()) - 1;
  const int N = Lb + static_cast<int>(C.Rows[0].size()) - 1;
  const TMatrix Original = MakeMatrix(C.Rows, Lb);
  TMatrix A = MakeMatrix(C.Rows, Lb);
  TMatrix V;
  TVector S;
  AllocMatrix(V, N, N);
  AllocVector(S, N);
  ASSERT_EQ(SingularValueDecompose(A, Lb, M, N, S, V), SolveOk);

  Float Norm = 0.0;
  for (const auto& Row : C.Rows)
    for (Float X : Row)
      Norm += X * X;
  Norm = std::sqrt(Norm);
  const Float Tol = 16.0 * (std::max(M, N) + 1) * MachineEpsilon * std::max(Norm, 1.0);

  int Zeros = 0;
  for (int K = Lb; K <= N; ++K) {
    EXPECT_GE(S[K], 0.0);
    if (S[K] <= Tol)
      ++Zeros;
  }
  EXPECT_EQ(Zeros, C.ExpectedZeroValues);

  for (int I = Lb; I <= M; ++I)
    for (int J = Lb; J <= N; ++J) {
      Float Sum = 0.0;
      for (int K = Lb; K <= N; ++K)
        Sum += A[I][K] * S[K] * V[J][K];
      EXPECT_NEAR(Sum, Original[I][J], Tol) << "A[" << I << "," << J << "]";
    }
  for (int J = Lb; J <= N; ++J)
    for (int K = Lb; K <= N; ++K) {
      Float VtV = 0.0;
      for (int I = Lb; I <= N; ++I)
        VtV += V[I][J] * V[I][K];
      EXPECT_NEAR(VtV, J == K ? 1.0 : 0.0, Tol) << "V columns " << J << "," << K;
      if (S[J] > Tol && S[K] > Tol) {
        Float UtU = 0.0;
        for (int I = Lb; I <= M; ++I)
          UtU += A[I][J] * A[I][K];
        EXPECT_NEAR(UtU, J == K ? 1.0 : 0.0, Tol) << "U columns " << J << "," << K;
      }
    }
}

INSTANTIATE_TEST_SUITE_P(
  Shapes, SvdCases,
  testing::Values(TSvdCase{"Tall", {{1, 2}, {3, 4}, {5, 6}}, 0, 0},
                  TSvdCase{"TallFromIndexOne", {{1, 2}, {3, 4}, {5, 6}}, 1, 0},
                  TSvdCase{"Wide", {{1, 2, 3}, {4, 5, 6}}, 0, 1},
                  TSvdCase{"WideFour", {{2, -1, 0, 3}, {1, 4, -2, 0}}, 0, 2},
                  TSvdCase{"Zero", {{0, 0}, {0, 0}, {0, 0}}, 0, 2},
                  TSvdCase{"RankDeficient", {{1, 5, 2}, {2, -1, 4}, {3, 0, 6}, {-1, 2, -2}}, 0, 1},
                  TSvdCase{"Square", {{4, 1, 0, 2}, {1, 3, 1, 0}, {0, 1, 5, 1}, {2, 0, 1, 6}}, 0, 0},
                  TSvdCase{"SingleColumn", {{3}, {4}}, 0, 0},
                  TSvdCase{"Graded", {{1e8, 1}, {1, 1e-8}, {0, 1}}, 1, 0},
                  TSvdCase{"Polynomial",
                           {{1, 1, 1, 1}, {1, 2, 4, 8}, {1, 3, 9, 27}, {1, 4, 16, 64}, {1, 5, 25, 125}, {1, 6, 36, 216}},
                           1, 0}),
  [](const testing::TestParamInfo<TSvdCase>& Info) { return std::string(Info.param.Name); });

TEST(SingularValues, SmallValuesAreZeroedAndIgnored)
{
  TVector S = MakeVector({1.0, 1e-12, 0.5});
  ZeroSmallSingularValues(S, 0, 2, 1e-10);
  EXPECT_EQ(S[0], 1.0);
  EXPECT_EQ(S[1], 0.0);
  EXPECT_EQ(S[2], 0.5);

  // Least squares on a rank-deficient design: the two equal columns share the
  // coefficient (minimum-norm solution) and the fit is exact.
  const TRows Rows = {{1, 1, 1}, {1, 1, 2}, {1, 1, 3}, {1, 1, 4}};
  TMatrix A = MakeMatrix(Rows);
  const TVector B = MakeVector({3, 5, 7, 9});  // = 1 + 2 x
  TMatrix V;
  TVector Sv, X;
  AllocMatrix(V, 2, 2);
  AllocVector(Sv, 2);
  AllocVector(X, 2);
  ASSERT_EQ(SingularValueDecompose(A, 0, 3, 2, Sv, V), SolveOk);
  ZeroSmallSingularValues(Sv, 0, 2, 4 * MachineEpsilon);
  int Zeros = 0;
  for (int K = 0; K <= 2; ++K)
    Zeros += Sv[K] == 0.0;
  EXPECT_EQ(Zeros, 1);
  SolveBySingularValues(A, Sv, V, B, 0, 3, 2, X);
  const Float Tol = 1e-13;  // 64 n eps with the norms of order 10
  EXPECT_NEAR(X[0], 0.5, Tol);
  EXPECT_NEAR(X[1], 0.5, Tol);
  EXPECT_NEAR(X[2], 2.0, Tol);
}

}  // namespace
}  // namespace Titrelle
