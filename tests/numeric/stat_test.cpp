// Sorting in place, the median and the sums of the statistics.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "numeric/stat.h"

namespace Titrelle {
namespace {

TVector MakeVector(const std::vector<Float>& Values)
{
  TVector V;
  AllocVector(V, static_cast<int>(Values.size()) - 1);
  for (std::size_t I = 0; I < Values.size(); ++I)
    V[static_cast<int>(I)] = Values[I];
  return V;
}

std::vector<Float> Elements(const TVector& V)
{
  std::vector<Float> Out;
  for (int I = 0; I < V.Size(); ++I)
    Out.push_back(V[I]);
  return Out;
}

TEST(Sorting, AscendingAndDescending)
{
  TVector V = MakeVector({3, 1, 2, 1});
  SortAscending(V, 0, 3);
  EXPECT_EQ(Elements(V), (std::vector<Float>{1, 1, 2, 3}));
  SortDescending(V, 0, 3);
  EXPECT_EQ(Elements(V), (std::vector<Float>{3, 2, 1, 1}));

  TVector One = MakeVector({5, 4});
  SortAscending(One, 1, 1);
  EXPECT_EQ(Elements(One), (std::vector<Float>{5, 4}));

  // Only the range moves; elements outside stay put.
  TVector Part = MakeVector({9, 4, 3, 8, 1, 0});
  SortAscending(Part, 1, 4);
  EXPECT_EQ(Elements(Part), (std::vector<Float>{9, 1, 3, 4, 8, 0}));
}

// Sorting agrees with the standard library on generated ranges, including
// many duplicates, already sorted and reversed input.
TEST(Sorting, AgreesWithStandardSortOnGeneratedRanges)
{
  unsigned Seed = 12345;
  auto Next = [&Seed] {
    Seed = Seed * 1103515245u + 12345u;
    return static_cast<Float>((Seed >> 16) % 50);
  };
  for (int N = 1; N <= 200; N += 13) {
    for (int Shape = 0; Shape < 3; ++Shape) {
      std::vector<Float> Values(N);
      for (int I = 0; I < N; ++I)
        Values[I] = Shape == 0 ? Next() : (Shape == 1 ? I : N - I);
      TVector V = MakeVector(Values);
      SortAscending(V, 0, N - 1);
      std::vector<Float> Expected = Values;
      std::sort(Expected.begin(), Expected.end());
      EXPECT_EQ(Elements(V), Expected) << N << " shape " << Shape;
      SortDescending(V, 0, N - 1);
      std::reverse(Expected.begin(), Expected.end());
      EXPECT_EQ(Elements(V), Expected) << N << " shape " << Shape;
    }
  }
}

TEST(Median, OddAndEvenRanges)
{
  TVector V = MakeVector({5, 1, 3});
  EXPECT_EQ(MedianOf(V, 0, 2), 3.0);
  EXPECT_EQ(Elements(V), (std::vector<Float>{1, 3, 5}));
  TVector W = MakeVector({0, 4, 1, 3, 2});
  EXPECT_EQ(MedianOf(W, 1, 4), 2.5);
  EXPECT_EQ(W[0], 0.0);
}

TEST(Sums, PlainAndWeighted)
{
  const TVector X = MakeVector({1, 2, 3});
  const TVector Y = MakeVector({1, 4, 0});
  const TVector W = MakeVector({2, 0.5, 1});
  const TVector Zero = MakeVector({0, 0, 0});
  EXPECT_EQ(SumOf(X, 0, 2), 6.0);
  EXPECT_EQ(MeanOf(X, 0, 2), 2.0);
  EXPECT_EQ(MeanOf(X, 1, 2), 2.5);
  EXPECT_EQ(SumSqDevFrom(X, 0, 2, MeanOf(X, 0, 2)), 2.0);
  EXPECT_EQ(SumSqDiff(X, Y, 0, 2), 0.0 + 4.0 + 9.0);
  EXPECT_EQ(WeightedSumSqDevFrom(X, W, 0, 2, 2.0), 2.0 + 0.0 + 1.0);
  EXPECT_EQ(WeightedSumSqDiff(X, Y, W, 0, 2), 0.0 + 2.0 + 9.0);
  EXPECT_EQ(WeightedSumSqDiff(X, Y, Zero, 0, 2), 0.0);
  // Empty ranges give 0.
  EXPECT_EQ(SumOf(X, 2, 1), 0.0);
  EXPECT_EQ(SumSqDiff(X, Y, 1, 0), 0.0);
}

}  // namespace
}  // namespace Titrelle
