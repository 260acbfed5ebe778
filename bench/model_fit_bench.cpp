// Time of one complete RunModelFit (estimate, refinement, fitted values and
// statistics) with the workbench's limits, for the models the workbench
// fits most: 4PL (13), 5PL (14), Hill (10) and logistic (11), on an
// 8-standard curve and a 16-point curve.
#include <benchmark/benchmark.h>

#include <cmath>

#include "models/Models.h"
#include "numeric/startup.h"

namespace {

using namespace Titrelle;

// A rising ELISA-like curve over three decades of dose with a deterministic
// deviation of about 1 %; the logistic in X gets the same responses on a
// linear dose axis.
void MakeCurve(int Code, int N, const TVector& X, const TVector& Y)
{
  for (int I = 1; I <= N; ++I) {
    const Float Dose = 0.1 * std::pow(1000.0, (I - 1.0) / (N - 1.0));
    X[I] = Code == 11 ? 10.0 * (I - 1.0) / (N - 1.0) : Dose;
    const Float Curve = Code == 11 ? 2.5 / (1.0 + std::exp(5.0 - X[I]))
                                   : 2.5 + (0.05 - 2.5) / (1.0 + std::pow(Dose / 5.0, 1.2));
    Y[I] = Curve * (1.0 + 0.01 * std::sin(2.7 * I + 0.3));
  }
}

void BM_RunModelFit(benchmark::State& State)
{
  StartUpNumericFoundation();
  InitModels();
  const int Code = static_cast<int>(State.range(0));
  const int N = static_cast<int>(State.range(1));
  TVector Options;
  AllocVector(Options, 4);
  SelectModel(Code, 0, Options);
  TVector X, Y, Theta, B, Bmin, Bmax, Ycalc, S;
  TMatrix V;
  AllocVector(X, N);
  AllocVector(Y, N);
  MakeCurve(Code, N, X, Y);
  AllocVector(Theta, VarianceParamCount());
  AllocVector(B, ParamHigh());
  AllocVector(Bmin, ParamHigh());
  AllocVector(Bmax, ParamHigh());
  AllocMatrix(V, ParamHigh(), ParamHigh());
  AllocVector(Ycalc, N);
  AllocVector(S, N);
  for (int K = ParamLow(); K <= ParamHigh(); ++K) {
    Bmin[K] = -1e6;
    Bmax[K] = 1e6;
  }
  TFitStatistics Stats;
  for (auto _ : State) {
    const int Status = RunModelFit(X, TMatrix(), Y, N, true, 4000, 0.001, Theta, B, Bmin, Bmax, V, Ycalc, S, Stats);
    if (Status < SolveSingular)
      State.SkipWithError("the fit did not converge");
    benchmark::DoNotOptimize(B[ParamLow()]);
  }
}

BENCHMARK(BM_RunModelFit)
  ->ArgNames({"code", "n"})
  ->Args({13, 8})
  ->Args({13, 16})
  ->Args({14, 8})
  ->Args({14, 16})
  ->Args({10, 8})
  ->Args({10, 16})
  ->Args({11, 8})
  ->Args({11, 16})
  ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
