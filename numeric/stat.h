// Sorting ranges in place, the median, and the sums that fit statistics are
// built from. Sums run over Lb..Ub in increasing order; an empty range gives 0.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle {

// Quicksort of X[Lb..Ub] in place; not stable; elements outside stay put.
void SortAscending(const TVector& X, int Lb, int Ub);
void SortDescending(const TVector& X, int Lb, int Ub);
// Median of X[Lb..Ub] (Ub >= Lb); sorts that range ascending first.
Float MedianOf(const TVector& X, int Lb, int Ub);
Float SumOf(const TVector& X, int Lb, int Ub);
// Mean of X[Lb..Ub]; the range must not be empty.
Float MeanOf(const TVector& X, int Lb, int Ub);
Float SumSqDevFrom(const TVector& X, int Lb, int Ub, Float M);
Float SumSqDiff(const TVector& X, const TVector& Y, int Lb, int Ub);
Float WeightedSumSqDevFrom(const TVector& X, const TVector& W, int Lb, int Ub, Float M);
Float WeightedSumSqDiff(const TVector& X, const TVector& Y, const TVector& W, int Lb, int Ub);

}  // namespace Titrelle
