#include "models/fitpoly.h"

#include "models/ModelShared.h"
#include "numeric/polynom.h"
#include "regression/regress.h"

namespace Titrelle::fitpoly {

namespace {

struct TOptions {
  int Degree = 2;
};

TOptions Options;

}  // namespace

int ParamLow() { return 0; }
int ParamHigh() { return Options.Degree; }

void Configure(const TVector& Values)
{
  const int R = OptionCount(Values, 0);
  if (R > 1)
    Options.Degree = R;
}

void ResetOptions() { Options = TOptions(); }

Float Value(Float X, const TVector& B) { return CheckFinite(EvaluatePolynomial(B, Options.Degree, X)); }

int Estimate(int Mode, const TVector& X, const TVector& Y, const TVector& W, int N, const TVector& B,
             const TMatrix& V)
{
  switch (Mode) {
  case 0:
    return FitPolynomial(X, Y, N, Options.Degree, B, V);
  case 1:
    return FitPolynomialWeighted(X, Y, W, N, Options.Degree, B, V);
  default:
    return SolveSingular;
  }
}

}  // namespace Titrelle::fitpoly
