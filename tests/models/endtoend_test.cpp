// RunModelFit end to end for every model, unweighted and with every variance
// model, on curves made from known parameters with a small deterministic
// deviation. The residual sum of squares is compared with an independent
// least-squares fit (data/reference_rss.csv, made by data/make_reference.py
// with scipy).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "TestData.h"
#include "models/Models.h"

namespace Titrelle {
namespace {

const std::string DataDir = TITRELLE_MODELS_DATA_DIR;

struct TCurve {
  std::vector<Float> X, U2, Y;
  std::vector<Float> Truth;
};

std::map<int, TCurve> ReadCurves()
{
  std::map<int, TCurve> Curves;
  for (const auto& Row : Testing::ReadCsvRows(DataDir + "/curves.csv")) {
    TCurve& C = Curves[static_cast<int>(Row.Number(0))];
    C.X.push_back(Row.Number(2));
    C.U2.push_back(Row.Number(3));
    C.Y.push_back(Row.Number(4));
  }
  for (const auto& Row : Testing::ReadCsvRows(DataDir + "/truth.csv"))
    for (std::size_t K = 1; K <= 5; ++K)
      Curves[static_cast<int>(Row.Number(0))].Truth.push_back(Row.Number(K));
  return Curves;
}

// The start-up options of every unit, written out as the workbench would.
TVector DefaultOptions(int Code)
{
  TVector O;
  AllocVector(O, 4);
  const std::map<int, std::vector<Float>> Values = {
    {1, {2, 1}}, {2, {2}}, {3, {1, 1, 1}}, {4, {1, 0}}, {5, {0}}, {9, {0, 1, 1, 1, 1}}, {11, {0, 0}}};
  if (auto It = Values.find(Code); It != Values.end())
    for (std::size_t I = 0; I < It->second.size(); ++I)
      O[static_cast<int>(I)] = It->second[I];
  return O;
}

struct TReference {
  int Code, Variance;
  Float Theta[3];
  Float Rss;
};

std::vector<TReference> ReadReferences()
{
  std::vector<TReference> Refs;
  for (const auto& Row : Testing::ReadCsvRows(DataDir + "/reference_rss.csv"))
    Refs.push_back({static_cast<int>(Row.Number(0)), static_cast<int>(Row.Number(1)),
                    {Row.Number(2), Row.Number(3), Row.Number(4)}, Row.Number(5)});
  return Refs;
}

std::string ReferenceName(const testing::TestParamInfo<TReference>& Info)
{
  return "Code" + std::to_string(Info.param.Code) + "Variance" + std::to_string(Info.param.Variance);
}

class EndToEnd : public testing::TestWithParam<TReference> {
protected:
  void SetUp() override { InitModels(); }
  void TearDown() override { InitModels(); }
};

TEST_P(EndToEnd, MatchesTheIndependentFit)
{
  const TReference& Ref = GetParam();
  const TCurve Curve = ReadCurves().at(Ref.Code);
  const int N = static_cast<int>(Curve.Y.size());
  ASSERT_TRUE(SelectModel(Ref.Code, Ref.Variance, DefaultOptions(Ref.Code)));

  TVector X, Y, Theta, B, Bmin, Bmax, Ycalc, S;
  TMatrix U, V;
  AllocVector(X, N);
  AllocVector(Y, N);
  AllocMatrix(U, 2, N);
  for (int I = 1; I <= N; ++I) {
    X[I] = Curve.X[I - 1];
    Y[I] = Curve.Y[I - 1];
    U[1][I] = Curve.X[I - 1];
    U[2][I] = Curve.U2[I - 1];
  }
  AllocVector(Theta, VarianceParamCount());
  for (int K = 1; K <= VarianceParamCount(); ++K)
    Theta[K] = Ref.Theta[K - 1];
  const int Lb = ParamLow(), Ub = ParamHigh();
  AllocVector(B, Ub);
  AllocVector(Bmin, Ub);
  AllocVector(Bmax, Ub);
  AllocMatrix(V, Ub, Ub);
  AllocVector(Ycalc, N);
  AllocVector(S, N);
  for (int K = Lb; K <= Ub; ++K) {
    Bmin[K] = -1e6;
    Bmax[K] = 1e6;
  }
  TFitStatistics Stats;
  const int Status = RunModelFit(X, U, Y, N, true, 4000, 0.001, Theta, B, Bmin, Bmax, V, Ycalc, S, Stats);
  ASSERT_EQ(Status, SolveOk);

  // Weights and the weighted residual sum of squares, from the observations.
  Float Rss = 0.0;
  std::vector<Float> W(N + 1, 1.0);
  for (int I = 1; I <= N; ++I) {
    W[I] = 1.0 / VarianceFactor(Theta, Y[I]);
    const Float R = Y[I] - Ycalc[I];
    Rss += W[I] * R * R;
  }
  // The workbench's tolerance of 0.001 on the steps, followed by the final
  // Gauss-Newton step, leaves the sum of squares within 1e-6 of its minimum.
  EXPECT_NEAR(Rss, Ref.Rss, 1e-6 * Ref.Rss) << "relative difference " << (Rss - Ref.Rss) / Ref.Rss;

  // The outputs agree with each other.
  const int P = Ub - Lb + 1;
  EXPECT_NEAR(Stats.ResidualVariance, Rss / (N - P), 1e-12 * Rss);
  EXPECT_EQ(Theta[0], Stats.ResidualVariance);
  for (int I = 1; I <= N; ++I) {
    if (Ref.Code == 1)
      EXPECT_NEAR(Ycalc[I], B[0] + B[1] * U[1][I] + B[2] * U[2][I], 1e-12 * std::fabs(Ycalc[I]));
    else
      EXPECT_EQ(Ycalc[I], EvaluateModel(X[I], B));
    EXPECT_NEAR(S[I], std::sqrt(Theta[0] / W[I]), 1e-12 * S[I]);
  }

  // The parameters come back near the truth: the 1 % deviation moves each by
  // about its standard error (from V after the statistics), or by a few per
  // cent where a deviation happens to line up with a parameter's effect.
  for (int K = Lb; K <= Ub; ++K)
    EXPECT_NEAR(B[K], Curve.Truth[K], std::max(5 * std::sqrt(V[K][K]), 0.1 * std::fabs(Curve.Truth[K])))
      << "B" << K;
}

INSTANTIATE_TEST_SUITE_P(AllModels, EndToEnd, testing::ValuesIn(ReadReferences()), ReferenceName);

}  // namespace
}  // namespace Titrelle
