#include "models/fitmult.h"

#include "models/ModelShared.h"
#include "regression/regress.h"

namespace Titrelle::fitmult {

namespace {

struct TOptions {
  int VariableCount = 2;
  bool ConstantTerm = true;
};

TOptions Options;

}  // namespace

int ParamLow() { return Options.ConstantTerm ? 0 : 1; }
int ParamHigh() { return Options.VariableCount; }

void Configure(const TVector& Values)
{
  Options.VariableCount = OptionCount(Values, 0);
  Options.ConstantTerm = OptionFlag(Values, 1);
}

void ResetOptions() { Options = TOptions(); }

Float RowValue(const TVector& Xrow, const TVector& B)
{
  Float S = Options.ConstantTerm ? B[0] : 0.0;
  for (int J = 1; J <= Options.VariableCount; ++J)
    S = S + B[J] * Xrow[J];
  return CheckFinite(S);
}

int Estimate(int Mode, const TMatrix& U, const TVector& Y, const TVector& W, int N, const TVector& B,
             const TMatrix& V)
{
  switch (Mode) {
  case 0:
    return FitMultipleLinear(U, Y, N, Options.VariableCount, Options.ConstantTerm, B, V);
  case 1:
    return FitMultipleLinearWeighted(U, Y, W, N, Options.VariableCount, Options.ConstantTerm, B, V);
  default:
    return SolveSingular;
  }
}

}  // namespace Titrelle::fitmult
