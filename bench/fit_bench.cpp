// Time of one nonlinear least-squares fit of a four-parameter sigmoid
// (Y = D + (A - D) / (1 + (X / C)^B)) to 8 and to 16 standards, from the
// same start each time, through the Marquardt driver with the workbench's
// limits (4000 passes, tolerance 0.001, bounds of +-1e6).
#include <benchmark/benchmark.h>

#include <cmath>

#include "numeric/startup.h"
#include "regression/regress.h"

namespace {

using namespace Titrelle;

// The power goes through the guarded function, so that trial points with a
// negative midpoint cost a poor fit instead of a fault.
Float Sigmoid(Float X, const TVector& B)
{
  const Float P = GuardedPower(CheckedDivide(X, B[3]), B[2]);
  return B[4] + CheckedDivide(B[1] - B[4], 1.0 + P);
}

void SigmoidDerivatives(ModelFunction, Float X, Float, const TVector& B, const TVector& D)
{
  const Float Ratio = CheckedDivide(X, B[3]);
  const Float P = GuardedPower(Ratio, B[2]);
  const Float L = Ratio > 0.0 ? std::log(Ratio) : 0.0;
  const Float Q = 1.0 + P;
  const Float G = (B[1] - B[4]) * P / (Q * Q);
  D[1] = 1.0 / Q;
  D[2] = -G * L;
  D[3] = G * B[2] / B[3];
  D[4] = 1.0 - 1.0 / Q;
}

void BM_FitSigmoid(benchmark::State& State)
{
  StartUpNumericFoundation();
  const int N = static_cast<int>(State.range(0));
  TVector X, Y, B, Start, Bmin, Bmax;
  TMatrix V;
  AllocVector(X, N);
  AllocVector(Y, N);
  for (TVector* P : {&B, &Start, &Bmin, &Bmax})
    AllocVector(*P, 4);
  AllocMatrix(V, 4, 4);
  // A dilution series over three decades with small deterministic noise.
  for (int I = 1; I <= N; ++I) {
    X[I] = 0.1 * std::pow(1000.0, (I - 1.0) / (N - 1.0));
    Y[I] = 0.05 + 2.45 / (1.0 + std::pow(X[I] / 5.0, -1.2)) + 0.01 * std::sin(3.0 * I);
  }
  const Float Initial[] = {0, 0.1, -1.0, 3.0, 2.8};
  for (int K = 1; K <= 4; ++K) {
    Start[K] = Initial[K];
    Bmin[K] = -1e6;
    Bmax[K] = 1e6;
  }
  for (auto _ : State) {
    CopyVectorRange(B, Start, 1, 4);
    const int Status = FitNonlinear(Sigmoid, SigmoidDerivatives, X, Y, N, 1, 4, 4000, 0.001, B, Bmin, Bmax, V);
    if (Status != SolveOk)
      State.SkipWithError("the fit did not converge");
    benchmark::DoNotOptimize(B[1]);
  }
}

BENCHMARK(BM_FitSigmoid)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
