// Eigenvalues of real matrices: balancing by exact similarity, and the
// Francis double-shift QR iteration on upper Hessenberg form (eigenvalues
// only). The polynomial root finder feeds them its companion matrix.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle {

// Balances A[Lb..Ub, Lb..Ub] in place by row and column exchanges that isolate
// eigenvalues and by power-of-2 diagonal scaling of the rest, so the
// eigenvalues are unchanged. Outputs Low..Igh, the block left to the
// eigenvalue iteration, and Scale[Lb..Ub]: for an isolated index the index it
// was exchanged with, for Low..Igh the scale factor. Never throws.
void BalanceMatrix(const TMatrix& A, int Lb, int Ub, int& Low, int& Igh, const TVector& Scale);

// Eigenvalues of the upper Hessenberg A[Lb..Ub, Lb..Ub] whose rows and columns
// outside Low..Igh are already isolated: Wr[Lb..Ub] real parts, Wi[Lb..Ub]
// imaginary parts (conjugate pairs at consecutive indexes, positive part
// first). A is destroyed. Returns SolveOk, or -En when the budget of 30
// iterations per row ran out while seeking eigenvalue En; Wr and Wi then hold
// only the eigenvalues above En and those outside Low..Igh. Never throws.
int HessenbergQREigen(const TMatrix& A, int Lb, int Ub, int Low, int Igh, const TVector& Wr, const TVector& Wi);

}  // namespace Titrelle
