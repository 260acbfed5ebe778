// Metropolis-Hastings sampling of the distribution proportional to
// exp(-Func(X) / T) by a random walk with normal proposals, in cycles: the
// first with independent moves, the later ones correlated by the covariance
// estimated in the cycle before.
#pragma once

#include "optimisation/optim.h"

namespace Titrelle {

// Settings of the sampler; tests may change them and must restore them.
extern int MetropolisCycles;  // number of cycles (5)
extern int MetropolisSteps;   // accepted steps per cycle (100)
extern int MetropolisSaved;   // last accepted steps saved per cycle (100)

// Runs the cycles. On SolveOk X and V are the mean and covariance of the
// saved points of the last cycle, Samples[Lb..Ub, 1..MetropolisSaved] those
// points, XMin and FMin the best point of all cycles. -3 when a covariance is
// not positive definite (or a cycle cannot complete its steps); X and V then
// keep the last completed cycle's values.
int SampleMetropolis(ObjectiveFunction Func, const TVector& X, const TMatrix& V, Float T, int Lb, int Ub,
                     const TMatrix& Samples, const TVector& XMin, Float& FMin);
int MetropolisCycle(ObjectiveFunction Func, const TVector& X, const TMatrix& V, Float T, int Lb, int Ub,
                    bool Diagonal, const TMatrix& Samples, const TVector& XMin, Float& FMin);
// Sd[i] := sqrt(V[i, i]); -3 at the first diagonal element that is not positive.
int DiagonalSpread(const TMatrix& V, int Lb, int Ub, const TVector& Sd);
bool AcceptMetropolisStep(Float DeltaF, Float T);

}  // namespace Titrelle
