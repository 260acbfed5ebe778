#include "numeric/matrices.h"

namespace Titrelle {

void AllocVector(TVector& V, int Ub) { V.Allocate(Ub); }

void AllocIntVector(TIntVector& V, int Ub) { V.Allocate(Ub); }

void AllocMatrix(TMatrix& A, int Ub1, int Ub2)
{
  if (Ub1 < 0 || Ub2 < 0) {
    A.Allocate(-1);
    return;
  }
  A.Allocate(Ub1);
  for (int I = 0; I <= Ub1; ++I)
    A[I].Allocate(Ub2);
}

void ExchangeRows(int I, int K, const TMatrix& A, int Lb, int Ub)
{
  if (I == K)
    return;
  const TVector& RowI = A[I];
  const TVector& RowK = A[K];
  for (int J = Lb; J <= Ub; ++J)
    SwapFloats(RowI[J], RowK[J]);
}

void ExchangeColumns(int J, int K, const TMatrix& A, int Lb, int Ub)
{
  if (J == K)
    return;
  for (int I = Lb; I <= Ub; ++I)
    SwapFloats(A[I][J], A[I][K]);
}

void CopyVectorRange(const TVector& Dest, const TVector& Source, int Lb, int Ub)
{
  for (int I = Lb; I <= Ub; ++I)
    Dest[I] = Source[I];
}

void CopyMatrixBlock(const TMatrix& Dest, const TMatrix& Source, int Lb1, int Lb2, int Ub1, int Ub2)
{
  for (int I = Lb1; I <= Ub1; ++I)
    CopyVectorRange(Dest[I], Source[I], Lb2, Ub2);
}

void VectorToColumn(const TMatrix& Dest, const TVector& Source, int Lb, int Ub, int J)
{
  for (int I = Lb; I <= Ub; ++I)
    Dest[I][J] = Source[I];
}

void ColumnToVector(const TVector& Dest, const TMatrix& Source, int Lb, int Ub, int J)
{
  for (int I = Lb; I <= Ub; ++I)
    Dest[I] = Source[I][J];
}

Float VectorMinimum(const TVector& V, int Lb, int Ub)
{
  Float Result = V[Lb];
  for (int I = Lb + 1; I <= Ub; ++I)
    if (V[I] < Result)
      Result = V[I];
  return Result;
}

Float VectorMaximum(const TVector& V, int Lb, int Ub)
{
  Float Result = V[Lb];
  for (int I = Lb + 1; I <= Ub; ++I)
    if (V[I] > Result)
      Result = V[I];
  return Result;
}

}  // namespace Titrelle
