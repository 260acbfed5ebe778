// The regression engine: linear least squares (straight line, multiple and
// polynomial, plain and weighted), the nonlinear least-squares driver under
// box bounds, the statistics of a fit, and a Metropolis-Hastings simulation
// of a fit. Observations sit at FirstObservation..N; index 0 is never read.
#pragma once

#include <cstdint>
#include <string>

#include "numeric/matrices.h"
#include "optimisation/optim.h"

namespace Titrelle {

inline constexpr int FirstObservation = 1;

// ---------------------------------------------------------------------------
// Linear least squares. Each returns a SolveStatus; on SolveOk B[Lb..Ub]
// holds the parameters and V[Lb..Ub, Lb..Ub] the inverse normal matrix
// (X^T W X)^-1 (its pseudo-inverse for a rank-deficient design).

enum : std::uint8_t {
  LinearByNormalEquations = 0,
  LinearBySingularValues = 1,
};
// Method of the multiple and polynomial fits; any other value makes them
// return SolveOk without writing B or V. Tests may set it and must restore it.
extern std::uint8_t LinearSolveMethod;

// Y = B[0] + B[1] X in closed form; SolveSingular (B and V untouched) when
// the X values do not determine a line.
int FitStraightLine(const TVector& X, const TVector& Y, int N, const TVector& B, const TMatrix& V);
int FitStraightLineWeighted(const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B,
                            const TMatrix& V);
// Y = B[0] + sum B[j] U[j, i] (j = 1..VarCount); without ConstantTerm B[0]
// and row and column 0 of V are not written.
int FitMultipleLinear(const TMatrix& U, const TVector& Y, int N, int VarCount, bool ConstantTerm, const TVector& B,
                      const TMatrix& V);
int FitMultipleLinearWeighted(const TMatrix& U, const TVector& Y, const TVector& W, int N, int VarCount,
                              bool ConstantTerm, const TVector& B, const TMatrix& V);
// Y = sum B[k] X^k (k = 0..Degree).
int FitPolynomial(const TVector& X, const TVector& Y, int N, int Degree, const TVector& B, const TMatrix& V);
int FitPolynomialWeighted(const TVector& X, const TVector& Y, const TVector& W, int N, int Degree, const TVector& B,
                          const TMatrix& V);
// U[k, i] := X[i]^k for k = 1..Degree by repeated multiplication.
void PowersMatrix(const TVector& X, int N, int Degree, const TMatrix& U);

// ---------------------------------------------------------------------------
// Nonlinear least squares

// The model value Y = f(X, B).
using ModelFunction = Float (*)(Float X, const TVector& B);
// Fills D[k] with df/dB[k] at X for every fitted parameter k; Y is f(X, B).
using ModelDerivativeProc = void (*)(ModelFunction Func, Float X, Float Y, const TVector& B, const TVector& D);

enum : std::uint8_t {
  OptimizerMarquardt = 0,
  OptimizerSimplex = 1,
  OptimizerBfgs = 2,
  OptimizerAnnealing = 3,
  OptimizerMetropolis = 4,
};
// Minimiser of the nonlinear fits; a value above 4 makes a fit do nothing
// and return SolveOk. Tests may set it and must restore it.
extern std::uint8_t OptimizerCode;

// Objective value of a parameter vector outside its bounds, or of a sum of
// squares beyond it.
inline constexpr Float PenaltyValue = 1e30;

// Minimises the (weighted) residual sum of squares of Func over B[Lb..Ub]
// within [Bmin, Bmax]. B holds the start on entry and the fit on return; on
// SolveOk V[Lb..Ub, Lb..Ub] is the inverse normal matrix at the fit. The
// minimiser's status is returned unchanged; an ArithmeticFault raised by the
// model reaches the caller.
int FitNonlinear(ModelFunction Func, ModelDerivativeProc Deriv, const TVector& X, const TVector& Y, int N, int Lb,
                 int Ub, int MaxIter, Float Tol, const TVector& B, const TVector& Bmin, const TVector& Bmax,
                 const TMatrix& V);
int FitNonlinearWeighted(ModelFunction Func, ModelDerivativeProc Deriv, const TVector& X, const TVector& Y,
                         const TVector& W, int N, int Lb, int Ub, int MaxIter, Float Tol, const TVector& B,
                         const TVector& Bmin, const TVector& Bmax, const TMatrix& V);
// Forward differences over the parameter range of the current (or last)
// nonlinear fit. A parameter equal to 0 takes an absolute step.
void NumericDerivatives(ModelFunction Func, Float X, Float Y, const TVector& B, const TVector& D);

// The fit context: copies of a fit's data, bounds and model, written at the
// start of every nonlinear fit and kept until the next one.
struct TFitContext {
  int LastObservation = 1;
  TVector ObservedX, ObservedY, ObservationWeights, CalculatedY;
  int FirstParameter = 0, LastParameter = 1;
  TVector ParameterLower, ParameterUpper;
  ModelFunction ActiveModel = nullptr;
  ModelDerivativeProc ActiveDerivatives = nullptr;
};
const TFitContext& FitContext();
void StoreFitContext(ModelFunction Func, ModelDerivativeProc Deriv, bool Weighted, const TVector& X,
                     const TVector& Y, const TVector& W, int N, int Lb, int Ub, const TVector& Bmin,
                     const TVector& Bmax);

// Procedures handed to the minimisers; they read the fit context. The
// objectives leave the model values in CalculatedY; the derivative
// procedures reuse those values instead of evaluating the model again.
Float ResidualSumOfSquares(const TVector& B);
Float WeightedResidualSumOfSquares(const TVector& B);
void ResidualGradient(ObjectiveFunction Func, const TVector& B, int Lb, int Ub, const TVector& G);
void WeightedResidualGradient(ObjectiveFunction Func, const TVector& B, int Lb, int Ub, const TVector& G);
void GaussNewtonSystem(ObjectiveFunction Func, const TVector& B, int Lb, int Ub, const TVector& G,
                       const TMatrix& H);
void WeightedGaussNewtonSystem(ObjectiveFunction Func, const TVector& B, int Lb, int Ub, const TVector& G,
                               const TMatrix& H);

// ---------------------------------------------------------------------------
// Fit statistics

struct TFitStatistics {
  Float ResidualVariance = 0.0;  // SSE / nu2
  Float RSquared = 0.0;          // SSR / SST
  Float AdjustedRSquared = 0.0;  // 1 - (1 - RSquared)(n - 1) / nu2
  Float FValue = 0.0;            // (SSR / nu1) / ResidualVariance
  Float FProbability = 0.0;      // upper tail of F(nu1, nu2) at FValue
};

// Fills Stats from the observed Y and fitted Ycalc over FirstObservation..N
// and scales V[Lb..Ub, Lb..Ub] by the residual variance. Responses without
// spread give RSquared 0; a single parameter gives FValue 0, FProbability 1.
void ComputeFitStatistics(const TVector& Y, const TVector& Ycalc, int N, int Lb, int Ub, const TMatrix& V,
                          TFitStatistics& Stats);
void ComputeFitStatisticsWeighted(const TVector& Y, const TVector& Ycalc, const TVector& W, int N, int Lb, int Ub,
                                  const TMatrix& V, TFitStatistics& Stats);

// ---------------------------------------------------------------------------
// Simulation of a fit

// When not empty, a successful simulation writes its saved sample here.
// Tests may set it and must restore it.
extern std::string SampleFileName;

// Samples the parameters from a random start inside the bounds at
// temperature 2; X := the sample mean, V := its covariance, FMin := the
// lowest objective value met. Returns the sampler's status.
int SimulateFit(ObjectiveFunction Func, const TVector& X, const TVector& Xmin, const TVector& Xmax, int Lb, int Ub,
                Float& FMin, const TMatrix& V);
// Writes Samples[Lb..Ub, 1..MetropolisSaved] to SampleFileName; throws
// std::runtime_error when the file cannot be written.
void WriteSampleFile(const TMatrix& Samples, int Lb, int Ub);

}  // namespace Titrelle
