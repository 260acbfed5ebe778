// The model registry: the one entry through which the rest of the system
// selects, evaluates and fits the fifteen regression models. It keeps the
// current ModelCode (0..14) and VarianceModel (0..5) and dispatches every
// operation to the selected model unit.
#pragma once

#include <array>

#include "models/ModelShared.h"
#include "regression/regress.h"

namespace Titrelle {

inline constexpr int ModelCodeCount = 15;
inline constexpr int VarianceModelCount = 6;

// Titles of codes 0..13 (code 14 has none) and of the variance models.
extern const std::array<const char*, 14> ModelTitles;
extern const std::array<const char*, VarianceModelCount> VarianceTitles;

// Start-up state: code 0, variance model 0, every unit's initial options and
// both margins 0.05. Test fixtures call it in SetUp.
void InitModels();

// Selects Code and VarModel and, for the units with options, configures the
// unit from Options[0..4]. A code outside 0..14 or a variance model outside
// 0..5 is rejected: the call returns false and the selection stays as it was,
// so every later dispatch reaches a model that exists.
bool SelectModel(int Code, int VarModel, const TVector& Options);
int CurrentModelCode();
int CurrentVarianceModel();

// Index range of the fitted parameters of the current model.
int ParamLow();
int ParamHigh();
// The current model at X (every code but 1); a ModelFunction.
Float EvaluateModel(Float X, const TVector& B);
// The multiple linear model at one observation's variables Xrow[1..m].
Float EvaluateRowModel(const TVector& Xrow, const TVector& B);
// Analytic derivatives for codes 3..14, numeric ones of F otherwise; a
// ModelDerivativeProc.
void ModelDerivatives(ModelFunction F, Float X, Float Y, const TVector& B, const TVector& D);
// The current unit's estimate in its own shape; returns its status.
int LinearPreFit(int Mode, const TVector& X, const TMatrix& U, const TVector& Y, const TVector& W, int N,
                 const TVector& B, const TMatrix& V);
// g(Y) of the current variance model: the variance of an observation is
// Theta[0] g(Y), its weight 1 / g(Y).
Float VarianceFactor(const TVector& Theta, Float Y);
// Highest index of Theta for the current variance model.
int VarianceParamCount();

// The complete fit: weights from the variance model, the unit's estimate
// (PreFit), refinement by nonlinear least squares for codes 3..14, fitted
// values Ycalc, statistics, Theta[0] = residual variance and the standard
// deviation S of every observation. On SolveOk all outputs are set; on
// failure only B and V (and the order of X and Y for codes 11 and 12) may
// have changed. Faults raised by a model reach the caller.
int RunModelFit(const TVector& X, const TMatrix& U, const TVector& Y, int N, bool PreFit, int MaxIter, Float Tol,
                const TVector& Theta, const TVector& B, const TVector& Bmin, const TVector& Bmax, const TMatrix& V,
                const TVector& Ycalc, const TVector& S, TFitStatistics& Stats);

}  // namespace Titrelle
