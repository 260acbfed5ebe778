// Simulated annealing inside box bounds: random moves of one parameter at a
// time, accepted by the Metropolis rule at a geometrically falling
// temperature, with step lengths adapted to an acceptance ratio of 0.4..0.6.
#pragma once

#include "optimisation/optim.h"

namespace Titrelle {

// Settings of the method; tests may change them and must restore them.
extern int AnnealingTemperatureSteps;  // step adjustments per temperature (5)
extern int AnnealingTrialsPerStep;     // sweeps over the parameters per adjustment (15)
extern Float AnnealingCooling;         // temperature factor per iteration (0.9)
extern int AnnealingCycles;            // complete annealing runs (1)

// Minimum of Func within [Xmin, Xmax]. X := the best point, FMin its value.
// SolveOk, or SolveIterationLimit with X at the best point found.
int MinimiseAnnealing(ObjectiveFunction Func, const TVector& X, const TVector& Xmin, const TVector& Xmax, int Lb,
                      int Ub, int MaxIter, Float Tol, Float& FMin);
// One annealing run from X, writing to Log when it is open.
int AnnealingCycle(ObjectiveFunction Func, const TVector& X, const TVector& Xmin, const TVector& Xmax, int Lb, int Ub,
                   int MaxIter, Float Tol, TIterationLog& Log, Float& FMin);
// Temperature at which the median uphill difference among 50 random probes
// is accepted with probability 1/2; 1 when no probe went uphill. Leaves the
// last probe in X.
Float InitialTemperature(ObjectiveFunction Func, const TVector& X, const TVector& Xmin, const TVector& Range, int Lb,
                         int Ub);
// Metropolis decision; downhill moves are accepted without being counted.
bool AcceptAnnealingStep(int& NUp, int& NAccUp, Float T, Float DeltaF);
// True when every Step[i] < max(Tol |XOpt[i]|, Tol).
bool StepsWithinTolerance(const TVector& XOpt, const TVector& Step, int Lb, int Ub, Float Tol);

}  // namespace Titrelle
