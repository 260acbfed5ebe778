#include "models/Models.h"

#include <cmath>

#include "models/FitMint.h"
#include "models/Logis2.h"
#include "models/Logis3.h"
#include "models/fitexlin.h"
#include "models/fitexpo.h"
#include "models/fitfrac.h"
#include "models/fithill.h"
#include "models/fitiexpo.h"
#include "models/fitlin.h"
#include "models/fitlogis.h"
#include "models/fitmich.h"
#include "models/fitmult.h"
#include "models/fitpka.h"
#include "models/fitpoly.h"
#include "models/fitpower.h"

namespace Titrelle {

const std::array<const char*, 14> ModelTitles = {
  "Linear",         "Multiple linear", "Polynomial",     "Rational fraction",          "Sum of exponentials",
  "Increasing exponential", "Exponential + linear", "Power", "Michaelis", "Integrated Michaelis",
  "Hill",           "Logistic",        "Acid/Base titration curve", "4 Param Logistic"};

const std::array<const char*, VarianceModelCount> VarianceTitles = {
  "Constant", "Linear", "2nd degree polynomial", "3rd degree polynomial", "Exponential", "Power"};

namespace {

struct TRegistryState {
  int ModelCode = 0;
  int VarianceModel = 0;
};

TRegistryState Registry;

}  // namespace

void InitModels()
{
  Registry = TRegistryState();
  fitmult::ResetOptions();
  fitpoly::ResetOptions();
  fitfrac::ResetOptions();
  fitexpo::ResetOptions();
  fitiexpo::ResetOptions();
  FitMint::ResetOptions();
  fitlogis::ResetOptions();
  UpperMargin = 0.05;
  LowerMargin = 0.05;
}

bool SelectModel(int Code, int VarModel, const TVector& Options)
{
  if (Code < 0 || Code >= ModelCodeCount || VarModel < 0 || VarModel >= VarianceModelCount)
    return false;
  Registry.ModelCode = Code;
  Registry.VarianceModel = VarModel;
  switch (Code) {
  case 1: fitmult::Configure(Options); break;
  case 2: fitpoly::Configure(Options); break;
  case 3: fitfrac::Configure(Options); break;
  case 4: fitexpo::Configure(Options); break;
  case 5: fitiexpo::Configure(Options); break;
  case 9: FitMint::Configure(Options); break;
  case 11: fitlogis::Configure(Options); break;
  default: break;
  }
  return true;
}

int CurrentModelCode() { return Registry.ModelCode; }
int CurrentVarianceModel() { return Registry.VarianceModel; }

int ParamLow()
{
  switch (Registry.ModelCode) {
  case 0: return fitlin::ParamLow();
  case 1: return fitmult::ParamLow();
  case 2: return fitpoly::ParamLow();
  case 3: return fitfrac::ParamLow();
  case 4: return fitexpo::ParamLow();
  case 5: return fitiexpo::ParamLow();
  case 6: return fitexlin::ParamLow();
  case 7: return fitpower::ParamLow();
  case 8: return fitmich::ParamLow();
  case 9: return FitMint::ParamLow();
  case 10: return fithill::ParamLow();
  case 11: return fitlogis::ParamLow();
  case 12: return fitpka::ParamLow();
  case 13: return Logis2::ParamLow();
  default: return Logis3::ParamLow();
  }
}

int ParamHigh()
{
  switch (Registry.ModelCode) {
  case 0: return fitlin::ParamHigh();
  case 1: return fitmult::ParamHigh();
  case 2: return fitpoly::ParamHigh();
  case 3: return fitfrac::ParamHigh();
  case 4: return fitexpo::ParamHigh();
  case 5: return fitiexpo::ParamHigh();
  case 6: return fitexlin::ParamHigh();
  case 7: return fitpower::ParamHigh();
  case 8: return fitmich::ParamHigh();
  case 9: return FitMint::ParamHigh();
  case 10: return fithill::ParamHigh();
  case 11: return fitlogis::ParamHigh();
  case 12: return fitpka::ParamHigh();
  case 13: return Logis2::ParamHigh();
  default: return Logis3::ParamHigh();
  }
}

Float EvaluateModel(Float X, const TVector& B)
{
  switch (Registry.ModelCode) {
  case 0: return fitlin::Value(X, B);
  case 1: return 0.0;  // the multiple linear model has rows, not an X: see EvaluateRowModel
  case 2: return fitpoly::Value(X, B);
  case 3: return fitfrac::Value(X, B);
  case 4: return fitexpo::Value(X, B);
  case 5: return fitiexpo::Value(X, B);
  case 6: return fitexlin::Value(X, B);
  case 7: return fitpower::Value(X, B);
  case 8: return fitmich::Value(X, B);
  case 9: return FitMint::Value(X, B);
  case 10: return fithill::Value(X, B);
  case 11: return fitlogis::Value(X, B);
  case 12: return fitpka::Value(X, B);
  case 13: return Logis2::Value(X, B);
  default: return Logis3::Value(X, B);
  }
}

Float EvaluateRowModel(const TVector& Xrow, const TVector& B) { return fitmult::RowValue(Xrow, B); }

void ModelDerivatives(ModelFunction F, Float X, Float Y, const TVector& B, const TVector& D)
{
  switch (Registry.ModelCode) {
  case 3: fitfrac::Derivatives(X, Y, B, D); break;
  case 4: fitexpo::Derivatives(X, Y, B, D); break;
  case 5: fitiexpo::Derivatives(X, Y, B, D); break;
  case 6: fitexlin::Derivatives(X, Y, B, D); break;
  case 7: fitpower::Derivatives(X, Y, B, D); break;
  case 8: fitmich::Derivatives(X, Y, B, D); break;
  case 9: FitMint::Derivatives(X, Y, B, D); break;
  case 10: fithill::Derivatives(X, Y, B, D); break;
  case 11: fitlogis::Derivatives(X, Y, B, D); break;
  case 12: fitpka::Derivatives(X, Y, B, D); break;
  case 13: Logis2::Derivatives(X, Y, B, D); break;
  case 14: Logis3::Derivatives(X, Y, B, D); break;
  default: NumericDerivatives(F, X, Y, B, D); break;
  }
}

int LinearPreFit(int Mode, const TVector& X, const TMatrix& U, const TVector& Y, const TVector& W, int N,
                 const TVector& B, const TMatrix& V)
{
  switch (Registry.ModelCode) {
  case 0: return fitlin::Estimate(Mode, X, Y, W, N, B, V);
  case 1: return fitmult::Estimate(Mode, U, Y, W, N, B, V);
  case 2: return fitpoly::Estimate(Mode, X, Y, W, N, B, V);
  case 3: return fitfrac::Estimate(Mode, X, Y, W, N, B);
  case 4: return fitexpo::Estimate(Mode, X, Y, W, N, B);
  case 5: return fitiexpo::Estimate(Mode, X, Y, W, N, B);
  case 6: return fitexlin::Estimate(X, Y, N, B);
  case 7: return fitpower::Estimate(Mode, X, Y, W, N, B);
  case 8: return fitmich::Estimate(Mode, X, Y, W, N, B);
  case 9: return FitMint::Estimate(X, Y, N, B);
  case 10: return fithill::Estimate(Mode, X, Y, W, N, B);
  case 11: return fitlogis::Estimate(Mode, X, Y, W, N, B);
  case 12: return fitpka::Estimate(X, Y, N, B);
  case 13: return Logis2::Estimate(X, Y, N, B);
  default: return Logis3::Estimate(X, Y, N, B);
  }
}

Float VarianceFactor(const TVector& Theta, Float Y)
{
  switch (Registry.VarianceModel) {
  case 0: return 1.0;
  case 1: return CheckFinite(1.0 + Theta[1] * Y);
  case 2: return CheckFinite(1.0 + Y * (Theta[1] + Y * Theta[2]));
  case 3: return CheckFinite(1.0 + Y * (Theta[1] + Y * (Theta[2] + Y * Theta[3])));
  case 4: return PlainExp(Theta[1] * Y);
  default: return GuardedPower(Y, Theta[1]);
  }
}

int VarianceParamCount()
{
  switch (Registry.VarianceModel) {
  case 0: return 0;
  case 2: return 2;
  case 3: return 3;
  default: return 1;
  }
}

int RunModelFit(const TVector& X, const TMatrix& U, const TVector& Y, int N, bool PreFit, int MaxIter, Float Tol,
                const TVector& Theta, const TVector& B, const TVector& Bmin, const TVector& Bmax, const TMatrix& V,
                const TVector& Ycalc, const TVector& S, TFitStatistics& Stats)
{
  const int Code = Registry.ModelCode;

  // 1.
  TVector W, Row;
  AllocVector(W, N);
  if (Code == 1)
    AllocVector(Row, ParamHigh());

  // 2. Weights from the observed responses. The estimates of codes 11 and 12
  // put the observations in ascending X; sorting first keeps every weight
  // beside its own response.
  const bool Weighted = Registry.VarianceModel != 0;
  if (Weighted) {
    if (PreFit && Code == 11)
      fitlogis::SortByX(X, Y, N);
    else if (PreFit && Code == 12)
      fitpka::SortByX(X, Y, N);
    for (int I = 1; I <= N; ++I)
      W[I] = CheckedDivide(1.0, VarianceFactor(Theta, Y[I]));
  }

  // 3.
  int Status = SolveOk;
  if (PreFit)
    Status = LinearPreFit(Weighted ? 1 : 0, X, U, Y, W, N, B, V);

  // 4. Codes 0 to 2 are already least-squares solutions.
  if (Code >= 3 && MaxIter > 0 && Status == SolveOk) {
    if (Weighted)
      Status = FitNonlinearWeighted(EvaluateModel, ModelDerivatives, X, Y, W, N, ParamLow(), ParamHigh(), MaxIter,
                                    Tol, B, Bmin, Bmax, V);
    else
      Status = FitNonlinear(EvaluateModel, ModelDerivatives, X, Y, N, ParamLow(), ParamHigh(), MaxIter, Tol, B, Bmin,
                            Bmax, V);
  }

  // 5.
  if (Status != SolveOk)
    return Status;

  // 6. Fitted values, then 7. the statistics, into locals first so that a
  // fault leaves the caller's Ycalc, S, Stats and Theta as they were.
  TVector Fitted;
  AllocVector(Fitted, N);
  for (int I = 1; I <= N; ++I) {
    if (Code == 1) {
      ColumnToVector(Row, U, ParamLow(), ParamHigh(), I);
      Fitted[I] = EvaluateRowModel(Row, B);
    } else {
      Fitted[I] = EvaluateModel(X[I], B);
    }
  }
  TFitStatistics NewStats;
  if (Weighted)
    ComputeFitStatisticsWeighted(Y, Fitted, W, N, ParamLow(), ParamHigh(), V, NewStats);
  else
    ComputeFitStatistics(Y, Fitted, N, ParamLow(), ParamHigh(), V, NewStats);

  // 8. Standard deviation of every observation.
  const Float Sd = PlainSqrt(NewStats.ResidualVariance);
  TVector NewS;
  AllocVector(NewS, N);
  for (int I = 1; I <= N; ++I)
    NewS[I] = Weighted ? CheckedDivide(Sd, PlainSqrt(W[I])) : Sd;

  CopyVectorRange(Ycalc, Fitted, 1, N);
  CopyVectorRange(S, NewS, 1, N);
  Stats = NewStats;
  Theta[0] = NewStats.ResidualVariance;

  // 9.
  return SolveOk;
}

}  // namespace Titrelle
