// The nonlinear least-squares driver, its objectives and derivative
// procedures, and the Metropolis-Hastings simulation of a fit.
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "numeric/randnum.h"
#include "optimisation/mcmc.h"
#include "optimisation/simopt.h"
#include "regression/regress.h"

namespace Titrelle {

std::uint8_t OptimizerCode = OptimizerMarquardt;
std::string SampleFileName;

namespace {

TFitContext Context;

bool OutsideBounds(const TVector& B)
{
  for (int K = Context.FirstParameter; K <= Context.LastParameter; ++K)
    if (B[K] < Context.ParameterLower[K] || B[K] > Context.ParameterUpper[K])
      return true;
  return false;
}

// The sum of squares stops early once it passes the penalty or is not a
// number: such points are only steered away from.
Float SumOfSquares(bool Weighted, const TVector& B)
{
  // 1.
  if (OutsideBounds(B))
    return PenaltyValue;
  // 2.
  Float S = 0.0;
  for (int I = FirstObservation; I <= Context.LastObservation; ++I) {
    Context.CalculatedY[I] = Context.ActiveModel(Context.ObservedX[I], B);
    const Float R = Context.ObservedY[I] - Context.CalculatedY[I];
    S = S + (Weighted ? Context.ObservationWeights[I] * R * R : R * R);
    if (S > PenaltyValue || std::isnan(S))
      break;
  }
  // 3.
  if (S > PenaltyValue || std::isnan(S))
    return PenaltyValue;
  return S;
}

// Accumulates G = -J^T W R and, when H is given, the upper triangle of
// J^T W J from the model values left by the last objective evaluation.
void AccumulateGaussNewton(bool Weighted, const TVector& B, int Lb, int Ub, const TVector& G, const TMatrix* H)
{
  TVector D;
  AllocVector(D, Ub);
  for (int K = Lb; K <= Ub; ++K) {
    G[K] = 0.0;
    if (H != nullptr)
      for (int M = K; M <= Ub; ++M)
        (*H)[K][M] = 0.0;
  }
  for (int I = FirstObservation; I <= Context.LastObservation; ++I) {
    const Float R = Context.ObservedY[I] - Context.CalculatedY[I];
    Context.ActiveDerivatives(Context.ActiveModel, Context.ObservedX[I], Context.CalculatedY[I], B, D);
    const Float W = Weighted ? Context.ObservationWeights[I] : 1.0;
    for (int K = Lb; K <= Ub; ++K) {
      G[K] = G[K] - W * D[K] * R;
      if (H != nullptr) {
        const TVector& Row = (*H)[K];
        for (int M = K; M <= Ub; ++M)
          Row[M] = Row[M] + W * D[K] * D[M];
      }
    }
  }
}

void Gradient(bool Weighted, const TVector& B, int Lb, int Ub, const TVector& G)
{
  AccumulateGaussNewton(Weighted, B, Lb, Ub, G, nullptr);
  for (int K = Lb; K <= Ub; ++K)
    G[K] = 2.0 * G[K];
}

void GaussNewton(bool Weighted, const TVector& B, int Lb, int Ub, const TVector& G, const TMatrix& H)
{
  AccumulateGaussNewton(Weighted, B, Lb, Ub, G, &H);
  for (int K = Lb; K <= Ub; ++K)
    for (int M = K + 1; M <= Ub; ++M)
      H[M][K] = H[K][M];
}

int NonlinearFitCore(ModelFunction Func, ModelDerivativeProc Deriv, bool Weighted, const TVector& X,
                     const TVector& Y, const TVector& W, int N, int Lb, int Ub, int MaxIter, Float Tol,
                     const TVector& B, const TVector& Bmin, const TVector& Bmax, const TMatrix& V)
{
  // 1.
  StoreFitContext(Func, Deriv, Weighted, X, Y, W, N, Lb, Ub, Bmin, Bmax);

  // 2.
  const ObjectiveFunction Objective = Weighted ? WeightedResidualSumOfSquares : ResidualSumOfSquares;
  const GradientProc GradientOf = Weighted ? WeightedResidualGradient : ResidualGradient;
  const HessianGradientProc GaussNewtonOf = Weighted ? WeightedGaussNewtonSystem : GaussNewtonSystem;

  // 3.
  Float FMin = 0.0;
  int Status = SolveOk;
  switch (OptimizerCode) {
  case OptimizerMarquardt:
    Status = MinimiseMarquardt(Objective, GaussNewtonOf, B, Lb, Ub, MaxIter, Tol, FMin, V);
    break;
  case OptimizerSimplex:
    Status = MinimiseSimplex(Objective, B, Lb, Ub, MaxIter, Tol, FMin);
    break;
  case OptimizerBfgs:
    Status = MinimiseBfgs(Objective, GradientOf, B, Lb, Ub, MaxIter, Tol, FMin, V);
    break;
  case OptimizerAnnealing:
    Status = MinimiseAnnealing(Objective, B, Bmin, Bmax, Lb, Ub, MaxIter, Tol, FMin);
    break;
  case OptimizerMetropolis:
    Status = SimulateFit(Objective, B, Bmin, Bmax, Lb, Ub, FMin, V);
    break;
  default:
    break;
  }

  // 4. Simplex and annealing produce no matrix: build the Gauss-Newton matrix
  // at B. The objective is evaluated at B first so that the model values the
  // derivatives reuse belong to B and not to the last trial point.
  if ((OptimizerCode == OptimizerSimplex || OptimizerCode == OptimizerAnnealing) && Status == SolveOk) {
    TVector G;
    TMatrix H;
    AllocVector(G, Ub);
    AllocMatrix(H, Ub, Ub);
    Objective(B);
    GaussNewtonOf(Objective, B, Lb, Ub, G, H);
    if (InvertMatrix(H, Lb, Ub, V) != SolveOk)
      Status = SolveSingular;
  }

  // 5.
  return Status;
}

}  // namespace

const TFitContext& FitContext() { return Context; }

void StoreFitContext(ModelFunction Func, ModelDerivativeProc Deriv, bool Weighted, const TVector& X,
                     const TVector& Y, const TVector& W, int N, int Lb, int Ub, const TVector& Bmin,
                     const TVector& Bmax)
{
  Context.LastObservation = N;
  AllocVector(Context.ObservedX, N);
  AllocVector(Context.ObservedY, N);
  AllocVector(Context.CalculatedY, N);
  CopyVectorRange(Context.ObservedX, X, FirstObservation, N);
  CopyVectorRange(Context.ObservedY, Y, FirstObservation, N);
  if (Weighted) {
    AllocVector(Context.ObservationWeights, N);
    CopyVectorRange(Context.ObservationWeights, W, FirstObservation, N);
  }
  AllocVector(Context.ParameterLower, Ub);
  AllocVector(Context.ParameterUpper, Ub);
  CopyVectorRange(Context.ParameterLower, Bmin, Lb, Ub);
  CopyVectorRange(Context.ParameterUpper, Bmax, Lb, Ub);
  Context.FirstParameter = Lb;
  Context.LastParameter = Ub;
  Context.ActiveModel = Func;
  Context.ActiveDerivatives = Deriv;
}

Float ResidualSumOfSquares(const TVector& B) { return SumOfSquares(false, B); }

Float WeightedResidualSumOfSquares(const TVector& B) { return SumOfSquares(true, B); }

void ResidualGradient(ObjectiveFunction, const TVector& B, int Lb, int Ub, const TVector& G)
{
  Gradient(false, B, Lb, Ub, G);
}

void WeightedResidualGradient(ObjectiveFunction, const TVector& B, int Lb, int Ub, const TVector& G)
{
  Gradient(true, B, Lb, Ub, G);
}

void GaussNewtonSystem(ObjectiveFunction, const TVector& B, int Lb, int Ub, const TVector& G, const TMatrix& H)
{
  GaussNewton(false, B, Lb, Ub, G, H);
}

void WeightedGaussNewtonSystem(ObjectiveFunction, const TVector& B, int Lb, int Ub, const TVector& G,
                               const TMatrix& H)
{
  GaussNewton(true, B, Lb, Ub, G, H);
}

int FitNonlinear(ModelFunction Func, ModelDerivativeProc Deriv, const TVector& X, const TVector& Y, int N, int Lb,
                 int Ub, int MaxIter, Float Tol, const TVector& B, const TVector& Bmin, const TVector& Bmax,
                 const TMatrix& V)
{
  return NonlinearFitCore(Func, Deriv, false, X, Y, TVector(), N, Lb, Ub, MaxIter, Tol, B, Bmin, Bmax, V);
}

int FitNonlinearWeighted(ModelFunction Func, ModelDerivativeProc Deriv, const TVector& X, const TVector& Y,
                         const TVector& W, int N, int Lb, int Ub, int MaxIter, Float Tol, const TVector& B,
                         const TVector& Bmin, const TVector& Bmax, const TMatrix& V)
{
  return NonlinearFitCore(Func, Deriv, true, X, Y, W, N, Lb, Ub, MaxIter, Tol, B, Bmin, Bmax, V);
}

void NumericDerivatives(ModelFunction Func, Float X, Float Y, const TVector& B, const TVector& D)
{
  const Float Eta = std::sqrt(MachineEpsilon);
  for (int K = Context.FirstParameter; K <= Context.LastParameter; ++K) {
    const Float Saved = B[K];
    // A relative step; a parameter at 0 takes the absolute step Eta instead
    // of a zero one.
    B[K] = Saved != 0.0 ? Saved + Eta * std::fabs(Saved) : Eta;
    D[K] = CheckedDivide(Func(X, B) - Y, B[K] - Saved);
    B[K] = Saved;
  }
}

// ---------------------------------------------------------------------------
// Simulation of a fit

int SimulateFit(ObjectiveFunction Func, const TVector& X, const TVector& Xmin, const TVector& Xmax, int Lb, int Ub,
                Float& FMin, const TMatrix& V)
{
  // 1.
  TMatrix Samples;
  AllocMatrix(Samples, Ub, MetropolisSaved);

  // 2. A random start inside the bounds.
  for (int I = Lb; I <= Ub; ++I)
    X[I] = Xmin[I] + RandomUniform() * (Xmax[I] - Xmin[I]);

  // 3. Proposal covariance: a sixth of each range as standard deviation.
  for (int I = Lb; I <= Ub; ++I)
    for (int J = Lb; J <= Ub; ++J) {
      const Float Sd = (Xmax[I] - Xmin[I]) / 6.0;
      V[I][J] = I == J ? Sd * Sd : 0.0;
    }

  // 4. X is both the chain's point and the best-point output; on return it
  // holds the mean of the last cycle's saved points.
  const int Status = SampleMetropolis(Func, X, V, 2.0, Lb, Ub, Samples, X, FMin);

  // 5.
  if (Status == SolveOk && !SampleFileName.empty())
    WriteSampleFile(Samples, Lb, Ub);

  // 6.
  return Status;
}

void WriteSampleFile(const TMatrix& Samples, int Lb, int Ub)
{
  std::FILE* File = std::fopen(SampleFileName.c_str(), "w");
  if (File == nullptr)
    throw std::runtime_error("cannot create the sample file " + SampleFileName);
  bool Ok = std::fputs("Simulation (Metropolis-Hastings)\n", File) >= 0;
  Ok = Ok && std::fputs(" Iter", File) >= 0;
  for (int I = Lb; I <= Ub && Ok; ++I)
    Ok = std::fprintf(File, "%14s%d", "b", I) >= 0;
  Ok = Ok && std::fputc('\n', File) != EOF;
  for (int C = 1; C <= MetropolisSaved && Ok; ++C) {
    Ok = std::fprintf(File, "%5d", C) >= 0;
    for (int I = Lb; I <= Ub && Ok; ++I)
      Ok = std::fprintf(File, " %14.6f", Samples[I][C]) >= 0;
    Ok = Ok && std::fputc('\n', File) != EOF;
  }
  Ok = std::fclose(File) == 0 && Ok;
  if (!Ok)
    throw std::runtime_error("cannot write the sample file " + SampleFileName);
}

}  // namespace Titrelle
