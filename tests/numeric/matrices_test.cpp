// Containers: allocation by upper bound, shared handles, block routines.
#include <gtest/gtest.h>

#include "numeric/matrices.h"

namespace Titrelle {
namespace {

TEST(Containers, AllocationByUpperBound)
{
  TVector V;
  AllocVector(V, 0);
  ASSERT_EQ(V.Size(), 1);
  EXPECT_EQ(V[0], 0.0);
  AllocVector(V, -1);
  EXPECT_TRUE(V.Empty());

  TIntVector N;
  AllocIntVector(N, 4);
  ASSERT_EQ(N.Size(), 5);
  EXPECT_EQ(N[4], 0);

  TMatrix A;
  AllocMatrix(A, 2, 3);
  ASSERT_EQ(A.Size(), 3);
  for (int I = 0; I <= 2; ++I) {
    ASSERT_EQ(A[I].Size(), 4);
    for (int J = 0; J <= 3; ++J)
      EXPECT_EQ(A[I][J], 0.0);
  }
  AllocMatrix(A, 2, -1);
  EXPECT_TRUE(A.Empty());
}

TEST(Containers, HandlesShareAndReallocationSeparates)
{
  TVector V;
  AllocVector(V, 3);
  TVector Shared = V;
  Shared[2] = 7.0;
  EXPECT_EQ(V[2], 7.0);

  // Reallocating one holder gives it fresh zeros and leaves the other alone.
  AllocVector(V, 3);
  EXPECT_EQ(V[2], 0.0);
  EXPECT_EQ(Shared[2], 7.0);
  EXPECT_FALSE(V.SharesWith(Shared));

  TMatrix A;
  AllocMatrix(A, 1, 1);
  TMatrix B = A;
  B[1][0] = 3.0;
  EXPECT_EQ(A[1][0], 3.0);
}

#if defined(TITRELLE_CHECK_BOUNDS)
TEST(ContainersDeathTest, IndexOutsideTheAllocationFailsAtOnce)
{
  TVector V;
  AllocVector(V, 2);
  EXPECT_DEATH(V[3] = 1.0, "");
  EXPECT_DEATH(V[-1] = 1.0, "");
}
#endif

TMatrix MakeMatrix(std::initializer_list<std::initializer_list<Float>> Rows)
{
  TMatrix A;
  AllocMatrix(A, static_cast<int>(Rows.size()) - 1, static_cast<int>(Rows.begin()->size()) - 1);
  int I = 0;
  for (const auto& Row : Rows) {
    int J = 0;
    for (Float X : Row)
      A[I][J++] = X;
    ++I;
  }
  return A;
}

TEST(BlockRoutines, ExchangesTouchOnlyTheirRange)
{
  TMatrix A = MakeMatrix({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
  ExchangeRows(2, 2, A, 0, 2);
  EXPECT_EQ(A[2][0], 7.0);
  ExchangeRows(0, 2, A, 1, 2);
  EXPECT_EQ(A[0][0], 1.0);  // column 0 outside the range
  EXPECT_EQ(A[0][1], 8.0);
  EXPECT_EQ(A[2][2], 3.0);
  ExchangeColumns(0, 1, A, 1, 1);
  EXPECT_EQ(A[1][0], 5.0);
  EXPECT_EQ(A[1][1], 4.0);
  EXPECT_EQ(A[0][0], 1.0);  // row 0 outside the range
}

TEST(BlockRoutines, CopiesAndColumnTransfers)
{
  TVector Source, Dest;
  AllocVector(Source, 3);
  AllocVector(Dest, 3);
  for (int I = 0; I <= 3; ++I)
    Source[I] = I + 1.0;
  CopyVectorRange(Dest, Source, 2, 1);  // empty range
  EXPECT_EQ(Dest[1], 0.0);
  CopyVectorRange(Dest, Source, 1, 2);
  EXPECT_EQ(Dest[0], 0.0);
  EXPECT_EQ(Dest[1], 2.0);
  EXPECT_EQ(Dest[2], 3.0);
  EXPECT_EQ(Dest[3], 0.0);

  TMatrix A = MakeMatrix({{1, 2}, {3, 4}});
  TMatrix B;
  AllocMatrix(B, 1, 1);
  CopyMatrixBlock(B, A, 1, 0, 1, 1);
  EXPECT_EQ(B[0][0], 0.0);
  EXPECT_EQ(B[1][0], 3.0);
  EXPECT_EQ(B[1][1], 4.0);

  VectorToColumn(B, Source, 0, 1, 0);
  EXPECT_EQ(B[0][0], 1.0);
  EXPECT_EQ(B[1][0], 2.0);
  ColumnToVector(Dest, A, 0, 1, 1);
  EXPECT_EQ(Dest[0], 2.0);
  EXPECT_EQ(Dest[1], 4.0);
}

TEST(BlockRoutines, MinimumAndMaximum)
{
  TVector V;
  AllocVector(V, 3);
  V[0] = 3;
  V[1] = 1;
  V[2] = 1;
  V[3] = 2;
  EXPECT_EQ(VectorMinimum(V, 0, 3), 1.0);
  EXPECT_EQ(VectorMaximum(V, 0, 3), 3.0);
  EXPECT_EQ(VectorMaximum(V, 2, 2), 1.0);
  EXPECT_EQ(VectorMinimum(V, 3, 1), 2.0);  // an empty range still gives V[Lb]
  EXPECT_EQ(VectorMaximum(V, 1, 3), 2.0);
}

}  // namespace
}  // namespace Titrelle
