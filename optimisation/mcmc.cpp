#include "optimisation/mcmc.h"

#include <cmath>

#include "numeric/randnum.h"

namespace Titrelle {

int MetropolisCycles = 5;
int MetropolisSteps = 100;
int MetropolisSaved = 100;

namespace {

// A cycle whose proposals are almost never accepted would run without end;
// after this many trials per required step it gives up.
constexpr long long TrialsPerStepLimit = 100000;

}  // namespace

int SampleMetropolis(ObjectiveFunction Func, const TVector& X, const TMatrix& V, Float T, int Lb, int Ub,
                     const TMatrix& Samples, const TVector& XMin, Float& FMin)
{
  // 1. Seed the generator from the platform's source.
  const int A = PlatformRandom(10000);
  const int B = PlatformRandom(10000);
  SeedRandom(static_cast<std::uint32_t>(B), static_cast<std::uint32_t>(A));

  // 2.
  FMin = MaxFloat;

  // 3.
  int Status = SolveOk;
  int Cycle = 1;
  bool Diagonal = true;
  do {
    Status = MetropolisCycle(Func, X, V, T, Lb, Ub, Diagonal, Samples, XMin, FMin);
    Diagonal = false;
    ++Cycle;
  } while (Status == SolveOk && Cycle <= MetropolisCycles);

  // 4.
  return Status;
}

int MetropolisCycle(ObjectiveFunction Func, const TVector& X, const TMatrix& V, Float T, int Lb, int Ub,
                    bool Diagonal, const TMatrix& Samples, const TVector& XMin, Float& FMin)
{
  TVector Sd, Xt;
  TMatrix L;
  AllocVector(Sd, Ub);
  AllocVector(Xt, Ub);
  AllocMatrix(L, Ub, Ub);

  // 1. Proposal spread: standard deviations or the Cholesky factor.
  const int Status = Diagonal ? DiagonalSpread(V, Lb, Ub, Sd) : CholeskyFactor(V, Lb, Ub, L);
  if (Status == SolveNotPositiveDefinite)
    return Status;

  // 2.
  Float F = Func(X);
  const int FirstSaved = MetropolisSteps - MetropolisSaved + 1;

  // 3. Random walk until MetropolisSteps steps are accepted. The chain runs
  // on a copy of X so that a cycle that gives up leaves X as it was.
  TVector Current;
  AllocVector(Current, Ub);
  CopyVectorRange(Current, X, Lb, Ub);
  const long long TrialLimit = TrialsPerStepLimit * (MetropolisSteps > 0 ? MetropolisSteps : 1);
  long long Trials = 0;
  int K = 1, C = 1;
  while (K <= MetropolisSteps) {
    if (++Trials > TrialLimit)
      return SolveNotPositiveDefinite;
    // 3.1
    if (Diagonal)
      RandomIndependentNormal(Current, Sd, Lb, Ub, Xt);
    else
      RandomMultiNormal(Current, L, Lb, Ub, Xt);
    // 3.2
    const Float F1 = Func(Xt);
    if (AcceptMetropolisStep(F1 - F, T)) {
      CopyVectorRange(Current, Xt, Lb, Ub);
      if (K >= FirstSaved) {
        VectorToColumn(Samples, Xt, Lb, Ub, C);
        ++C;
      }
      if (F1 < FMin) {
        CopyVectorRange(XMin, Xt, Lb, Ub);
        FMin = F1;
      }
      F = F1;
      ++K;
    }
  }

  // 4. Mean of the saved points.
  for (int I = Lb; I <= Ub; ++I) {
    Float Sum = 0.0;
    for (int S = 1; S <= MetropolisSaved; ++S)
      Sum = Sum + Samples[I][S];
    X[I] = Sum / MetropolisSaved;
  }

  // 5. Covariance, divided by the number of saved points.
  for (int I = Lb; I <= Ub; ++I)
    for (int J = I; J <= Ub; ++J) {
      Float Sum = 0.0;
      for (int S = 1; S <= MetropolisSaved; ++S)
        Sum = Sum + (Samples[I][S] - X[I]) * (Samples[J][S] - X[J]);
      V[I][J] = Sum / MetropolisSaved;
      V[J][I] = V[I][J];
    }

  // 6.
  return SolveOk;
}

int DiagonalSpread(const TMatrix& V, int Lb, int Ub, const TVector& Sd)
{
  for (int I = Lb; I <= Ub; ++I) {
    if (!(V[I][I] > 0.0))
      return SolveNotPositiveDefinite;
    Sd[I] = std::sqrt(V[I][I]);
  }
  return SolveOk;
}

bool AcceptMetropolisStep(Float DeltaF, Float T)
{
  if (DeltaF < 0.0)
    return true;
  const Float Q = DeltaF / T;
  if (Q > MaxExpArgument)
    return false;
  return RandomUniform() < std::exp(-Q);
}

}  // namespace Titrelle
