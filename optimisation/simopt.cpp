#include "optimisation/simopt.h"

#include <cmath>

#include "numeric/randnum.h"
#include "numeric/stat.h"

namespace Titrelle {

int AnnealingTemperatureSteps = 5;
int AnnealingTrialsPerStep = 15;
Float AnnealingCooling = 0.9;
int AnnealingCycles = 1;

namespace {

constexpr Float Ln2 = 0.69314718055994530943;
constexpr int TemperatureProbes = 50;

}  // namespace

int MinimiseAnnealing(ObjectiveFunction Func, const TVector& X, const TVector& Xmin, const TVector& Xmax, int Lb,
                      int Ub, int MaxIter, Float Tol, Float& FMin)
{
  TIterationLog Log;

  // 1. Seed the generator from the platform's source.
  const int A = PlatformRandom(10000);
  const int B = PlatformRandom(10000);
  SeedRandom(static_cast<std::uint32_t>(B), static_cast<std::uint32_t>(A));

  // 2. Each further cycle starts where the previous one ended.
  int Status = SolveOk;
  int Cycle = 1;
  do {
    if (Log.IsOpen()) {
      Log.Line("Simulated annealing: Cycle " + std::to_string(Cycle));
      Log.Line("");
      Log.Line("Iter         T              F        Inc   Acc");
    }
    Status = AnnealingCycle(Func, X, Xmin, Xmax, Lb, Ub, MaxIter, Tol, Log, FMin);
    ++Cycle;
  } while (Cycle <= AnnealingCycles && Status == SolveOk);

  // 3.
  return Status;
}

int AnnealingCycle(ObjectiveFunction Func, const TVector& X, const TVector& Xmin, const TVector& Xmax, int Lb, int Ub,
                   int MaxIter, Float Tol, TIterationLog& Log, Float& FMin)
{
  TVector Range, Step, XOpt;
  TIntVector NAcc;
  AllocVector(Range, Ub);
  AllocVector(Step, Ub);
  AllocVector(XOpt, Ub);
  AllocIntVector(NAcc, Ub);

  // 1.
  for (int I = Lb; I <= Ub; ++I) {
    Range[I] = Xmax[I] - Xmin[I];
    Step[I] = 0.5 * Range[I];
    XOpt[I] = X[I];
    NAcc[I] = 0;
  }

  // 2.
  Float F = Func(X);
  FMin = F;

  // 3. The search goes on from the last probe; F keeps the start value until
  // the first accepted move.
  Float T = InitialTemperature(Func, X, Xmin, Range, Lb, Ub);

  // 4.
  int Iter = 0;
  do {
    // 4.1
    int NUp = 0, NAccUp = 0;
    // 4.2
    for (int S = 0; S < AnnealingTemperatureSteps; ++S) {
      // 4.2.1 Moves of one parameter at a time; a move out of the box is
      // replaced by a uniform point inside it.
      for (int Trial = 0; Trial < AnnealingTrialsPerStep; ++Trial)
        for (int I = Lb; I <= Ub; ++I) {
          const Float Saved = X[I];
          X[I] = X[I] + (2.0 * RandomUniform() - 1.0) * Step[I];
          if (X[I] < Xmin[I] || X[I] > Xmax[I])
            X[I] = Xmin[I] + RandomUniform() * Range[I];
          const Float F1 = Func(X);
          if (AcceptAnnealingStep(NUp, NAccUp, T, F1 - F)) {
            NAcc[I] = NAcc[I] + 1;
            F = F1;
          } else {
            X[I] = Saved;
          }
          if (F < FMin) {
            CopyVectorRange(XOpt, X, Lb, Ub);
            FMin = F;
          }
        }
      // 4.2.2 Keep the acceptance ratio of each parameter near one half.
      for (int I = Lb; I <= Ub; ++I) {
        const Float Ratio = static_cast<Float>(NAcc[I]) / AnnealingTrialsPerStep;
        if (Ratio > 0.6) {
          Step[I] = Step[I] * (1.0 + 2.0 * (Ratio - 0.6) / 0.4);
          if (Step[I] > Range[I])
            Step[I] = Range[I];
        } else if (Ratio < 0.4) {
          Step[I] = Step[I] / (1.0 + 2.0 * (0.4 - Ratio) / 0.4);
        }
        NAcc[I] = 0;
      }
    }
    // 4.3
    if (Log.IsOpen())
      Log.Line(LogInt(Iter, 4) + "   " + LogReal(T) + "   " + LogReal(F) + LogInt(NUp, 6) + LogInt(NAccUp, 6));
    // 4.4
    T = T * AnnealingCooling;
    ++Iter;
  } while (!(StepsWithinTolerance(XOpt, Step, Lb, Ub, Tol) || Iter > MaxIter));

  // 5.
  CopyVectorRange(X, XOpt, Lb, Ub);
  return Iter > MaxIter ? SolveIterationLimit : SolveOk;
}

Float InitialTemperature(ObjectiveFunction Func, const TVector& X, const TVector& Xmin, const TVector& Range, int Lb,
                         int Ub)
{
  // 1.
  TVector Diff;
  AllocVector(Diff, TemperatureProbes);
  int K = 0;
  Float Fprev = Func(X);
  int I = Lb;
  // 2. Random probes, visiting the parameters in turn.
  for (int Probe = 0; Probe < TemperatureProbes; ++Probe) {
    X[I] = Xmin[I] + RandomUniform() * Range[I];
    const Float Fnew = Func(X);
    if (Fnew > Fprev) {
      ++K;
      Diff[K] = Fnew - Fprev;
    }
    Fprev = Fnew;
    if (++I > Ub)
      I = Lb;
  }
  // 3.
  if (K > 0)
    return MedianOf(Diff, 1, K) / Ln2;
  return 1.0;
}

bool AcceptAnnealingStep(int& NUp, int& NAccUp, Float T, Float DeltaF)
{
  if (DeltaF < 0.0)
    return true;
  ++NUp;
  const Float P = GuardedExp(-DeltaF / T);
  if (RandomUniform() < P) {
    ++NAccUp;
    return true;
  }
  return false;
}

bool StepsWithinTolerance(const TVector& XOpt, const TVector& Step, int Lb, int Ub, Float Tol)
{
  int I = Lb;
  do {
    if (!(Step[I] < GreaterFloat(Tol * std::fabs(XOpt[I]), Tol)))
      return false;
    ++I;
  } while (I <= Ub);
  return true;
}

}  // namespace Titrelle
