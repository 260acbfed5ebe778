#include "numeric/stat.h"

namespace Titrelle {

namespace {

// Hoare-partition quicksort on L..R; Before(A, B) is true when A belongs
// strictly before B. The smaller side is sorted by recursion and the larger
// one by the loop, so the stack depth stays logarithmic.
template <typename TBefore>
void QuickSort(const TVector& X, int L, int R, TBefore Before)
{
  while (L < R) {
    // 1.
    int I = L;
    int J = R;
    const Float Pivot = X[L + (R - L) / 2];
    // 2.
    do {
      while (Before(X[I], Pivot))
        ++I;
      while (Before(Pivot, X[J]))
        --J;
      if (I <= J) {
        SwapFloats(X[I], X[J]);
        ++I;
        --J;
      }
    } while (I <= J);
    // 3. Both parts L..J and I..R remain.
    if (J - L < R - I) {
      if (L < J)
        QuickSort(X, L, J, Before);
      L = I;
    } else {
      if (I < R)
        QuickSort(X, I, R, Before);
      R = J;
    }
  }
}

}  // namespace

void SortAscending(const TVector& X, int Lb, int Ub)
{
  QuickSort(X, Lb, Ub, [](Float A, Float B) { return A < B; });
}

void SortDescending(const TVector& X, int Lb, int Ub)
{
  QuickSort(X, Lb, Ub, [](Float A, Float B) { return A > B; });
}

Float MedianOf(const TVector& X, int Lb, int Ub)
{
  SortAscending(X, Lb, Ub);
  const int N = Ub - Lb + 1;
  const int K = Lb + N / 2;
  if (N % 2 == 1)
    return X[K];
  return (X[K - 1] + X[K]) / 2.0;
}

Float SumOf(const TVector& X, int Lb, int Ub)
{
  Float Sum = 0.0;
  for (int I = Lb; I <= Ub; ++I)
    Sum = Sum + X[I];
  return Sum;
}

Float MeanOf(const TVector& X, int Lb, int Ub) { return SumOf(X, Lb, Ub) / (Ub - Lb + 1); }

Float SumSqDevFrom(const TVector& X, int Lb, int Ub, Float M)
{
  Float Sum = 0.0;
  for (int I = Lb; I <= Ub; ++I) {
    const Float D = X[I] - M;
    Sum = Sum + D * D;
  }
  return Sum;
}

Float SumSqDiff(const TVector& X, const TVector& Y, int Lb, int Ub)
{
  Float Sum = 0.0;
  for (int I = Lb; I <= Ub; ++I) {
    const Float D = X[I] - Y[I];
    Sum = Sum + D * D;
  }
  return Sum;
}

Float WeightedSumSqDevFrom(const TVector& X, const TVector& W, int Lb, int Ub, Float M)
{
  Float Sum = 0.0;
  for (int I = Lb; I <= Ub; ++I) {
    const Float D = X[I] - M;
    Sum = Sum + W[I] * D * D;
  }
  return Sum;
}

Float WeightedSumSqDiff(const TVector& X, const TVector& Y, const TVector& W, int Lb, int Ub)
{
  Float Sum = 0.0;
  for (int I = Lb; I <= Ub; ++I) {
    const Float D = X[I] - Y[I];
    Sum = Sum + W[I] * D * D;
  }
  return Sum;
}

}  // namespace Titrelle
