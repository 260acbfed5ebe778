// Vectors and matrices with shared-handle semantics, their block routines,
// and the dense linear solvers and decompositions with their SolveStatus.
#pragma once

#include <cassert>
#include <cstdint>
#include <memory>

#include "numeric/fmath.h"

#if defined(TITRELLE_CHECK_BOUNDS)
#define TITRELLE_INDEX_CHECK(Cond) assert(Cond)
#else
#define TITRELLE_INDEX_CHECK(Cond) ((void)0)
#endif

namespace Titrelle {

// A growable array handle: copies share the elements, allocation gives the
// holder fresh zero-filled storage of its own. Indexing is bounds-checked in
// debug and test builds.
template <typename T>
class TArray {
public:
  TArray() = default;

  T& operator[](int I) const
  {
    TITRELLE_INDEX_CHECK(I >= 0 && I < Count);
    return Items[I];
  }
  // Number of elements (upper bound + 1); 0 when empty.
  int Size() const { return Count; }
  bool Empty() const { return Count == 0; }
  // True when both handles refer to the same storage.
  bool SharesWith(const TArray& Other) const { return Items == Other.Items; }

  // Fresh zero-filled storage with elements 0..Ub; empty when Ub < 0.
  void Allocate(int Ub)
  {
    if (Ub < 0) {
      Items.reset();
      Count = 0;
      return;
    }
    Items = std::make_shared<T[]>(static_cast<std::size_t>(Ub) + 1);
    Count = Ub + 1;
  }

private:
  std::shared_ptr<T[]> Items;
  int Count = 0;
};

using TVector = TArray<Float>;
using TIntVector = TArray<std::int32_t>;
// A matrix is an array of rows, each a TVector of the same length;
// element (i, j) is A[i][j].
using TMatrix = TArray<TVector>;

// ---------------------------------------------------------------------------
// Allocation and block routines. Ranges are closed (Lb..Ub) and do nothing
// when Ub < Lb; bounds are the caller's responsibility.

void AllocVector(TVector& V, int Ub);
void AllocIntVector(TIntVector& V, int Ub);
void AllocMatrix(TMatrix& A, int Ub1, int Ub2);

void ExchangeRows(int I, int K, const TMatrix& A, int Lb, int Ub);
void ExchangeColumns(int J, int K, const TMatrix& A, int Lb, int Ub);
void CopyVectorRange(const TVector& Dest, const TVector& Source, int Lb, int Ub);
void CopyMatrixBlock(const TMatrix& Dest, const TMatrix& Source, int Lb1, int Lb2, int Ub1, int Ub2);
void VectorToColumn(const TMatrix& Dest, const TVector& Source, int Lb, int Ub, int J);
void ColumnToVector(const TVector& Dest, const TMatrix& Source, int Lb, int Ub, int J);
// Smallest (largest) of V[Lb..Ub]; ties keep the earlier element; V[Lb] when Ub <= Lb.
Float VectorMinimum(const TVector& V, int Lb, int Ub);
Float VectorMaximum(const TVector& V, int Lb, int Ub);

// ---------------------------------------------------------------------------
// SolveStatus: what solvers, minimisers and fits return. A value -k not
// listed here names the singular value or eigenvalue k that did not converge.

enum : int {
  SolveOk = 0,                    // success; outputs complete
  SolveSingular = -1,             // a pivot below MachineEpsilon; outputs partial
  SolveNoConvergence = -2,        // a minimisation (or estimate) did not converge
  SolveIterationLimit = -3,       // a minimiser reached its iteration limit
  SolveNotPositiveDefinite = -3,  // a Cholesky factor (or sampler variance) failed
};

// Gauss-Jordan elimination with complete pivoting over Lb..Ub. On SolveOk:
// InvA = A^-1, X = A^-1 B, Det = det A. A and B are left unchanged; on
// SolveSingular InvA, X and Det hold intermediate values.
int SolveByGaussJordan(const TMatrix& A, const TVector& B, int Lb, int Ub, const TMatrix& InvA, const TVector& X,
                       Float& Det);
// As SolveByGaussJordan, inverse only.
int InvertMatrix(const TMatrix& A, int Lb, int Ub, const TMatrix& InvA);
// Lower-triangular L with A = L L^T, reading the lower triangle of A only.
// SolveNotPositiveDefinite leaves the columns before the failing one complete.
int CholeskyFactor(const TMatrix& A, int Lb, int Ub, const TMatrix& L);
// A[Lb..Ub1, Lb..Ub2] is replaced by U, S[Lb..Ub2] gets the singular values
// (non-negative, in the order they converge) and V[Lb..Ub2, Lb..Ub2] the
// orthogonal factor, with A = U diag(S) V^T. Returns SolveOk, or -k when
// value k needed more than 30 sweeps (outputs partial).
int SingularValueDecompose(const TMatrix& A, int Lb, int Ub1, int Ub2, const TVector& S, const TMatrix& V);
// Sets to 0 every S[Lb..Ub] below Tol times the largest of them.
void ZeroSmallSingularValues(const TVector& S, int Lb, int Ub, Float Tol);
// X[Lb..Ub2] := V diag(1/S) U^T B, skipping every S that is not positive.
void SolveBySingularValues(const TMatrix& U, const TVector& S, const TMatrix& V, const TVector& B, int Lb, int Ub1,
                           int Ub2, const TVector& X);

}  // namespace Titrelle
