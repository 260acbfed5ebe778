// Minimisers of an objective function: Marquardt with a golden-section line
// search, simplex and BFGS, their shared convergence test, and the optional
// iteration log.
#pragma once

#include <cstdio>
#include <string>

#include "numeric/matrices.h"

namespace Titrelle {

// Value to be minimised at the parameter vector X (elements Lb..Ub).
using ObjectiveFunction = Float (*)(const TVector& X);
// Fills G[Lb..Ub] with the gradient of Func at X.
using GradientProc = void (*)(ObjectiveFunction Func, const TVector& X, int Lb, int Ub, const TVector& G);
// Fills G[Lb..Ub] with a gradient-like vector and H[Lb..Ub, Lb..Ub] with a
// symmetric positive semi-definite curvature matrix; the step solves H dX = -G.
using HessianGradientProc = void (*)(ObjectiveFunction Func, const TVector& X, int Lb, int Ub, const TVector& G,
                                     const TMatrix& H);
// A function of one variable, for the golden-section search.
using LineFunction = Float (*)(Float R);

inline constexpr Float GoldenRatio = 1.6180339887498948482;
inline constexpr Float GoldenFraction = 0.38196601125010515177;  // 2 - GoldenRatio

// ---------------------------------------------------------------------------
// Iteration log: off at start; when on, every minimiser run writes its trace
// to IterationLogName, replacing an earlier log.

extern bool IterationLogEnabled;
extern std::string IterationLogName;

// The log file of one minimiser run: open only when the log is enabled at
// construction, closed on every exit path. A failure to create or write the
// file throws std::runtime_error.
class TIterationLog {
public:
  TIterationLog();
  ~TIterationLog();
  TIterationLog(const TIterationLog&) = delete;
  TIterationLog& operator=(const TIterationLog&) = delete;

  bool IsOpen() const { return File != nullptr; }
  // Writes Text and a line end (nothing when the log is closed).
  void Line(const std::string& Text);

private:
  std::FILE* File = nullptr;
};

// I:w field: an integer right-aligned in W characters (more if needed).
std::string LogInt(long long Value, int Width);
// R:12 field: sign position, one digit, point, three digits, E, exponent
// sign and four exponent digits, e.g. " 1.235E+0002".
std::string LogReal(Float Value);

// ---------------------------------------------------------------------------
// Minimisers. Each returns a SolveStatus: SolveOk with X at the minimum;
// SolveSingular, SolveNoConvergence or SolveIterationLimit with X at the last
// point taken (FMin then undefined where noted).

// Damped Gauss-Newton passes, each step refined by a line search. On SolveOk
// X is the point after a final undamped step and InvH[Lb..Ub, Lb..Ub] the
// inverse of the undamped matrix there. FMin is undefined on failure.
int MinimiseMarquardt(ObjectiveFunction Func, HessianGradientProc HessGrad, const TVector& X, int Lb, int Ub,
                      int MaxIter, Float Tol, Float& FMin, const TMatrix& InvH);
// Golden-section search of Func along DeltaX from X for R in a bracket grown
// from [0, 1]. On SolveOk X := X + R DeltaX; FMin is written in both cases.
int LineMinimise(ObjectiveFunction Func, const TVector& X, const TVector& DeltaX, int Lb, int Ub, int MaxIter,
                 Float Tol, Float& FMin);
// Minimum of F bracketed from A, B; SolveOk or SolveIterationLimit.
int GoldenSectionMinimise(LineFunction F, Float A, Float B, int MaxIter, Float Tol, Float& XMin, Float& YMin);
// Expands A, B downhill until A < B < C with FB <= FA and FB <= FC.
void BracketMinimum(LineFunction F, Float& A, Float& B, Float& C, Float& FA, Float& FB, Float& FC);
// True when every |X[i] - X0[i]| < max(Tol |X0[i]|, Tol) over Lb..Ub.
bool StepsConverged(const TVector& X0, const TVector& X, int Lb, int Ub, Float Tol);

// Nelder-Mead simplex without derivatives; Tol is an absolute distance
// between the worst and the best vertex.
int MinimiseSimplex(ObjectiveFunction Func, const TVector& X, int Lb, int Ub, int MaxIter, Float Tol, Float& FMin);

// Quasi-Newton with BFGS updates of the inverse Hessian InvH and a line search
// per step. InvH holds the final approximation on return.
int MinimiseBfgs(ObjectiveFunction Func, GradientProc Gradient, const TVector& X, int Lb, int Ub, int MaxIter,
                 Float Tol, Float& FMin, const TMatrix& InvH);

}  // namespace Titrelle
