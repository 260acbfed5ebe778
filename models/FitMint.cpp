#include "models/FitMint.h"

#include "models/ModelShared.h"
#include "regression/regress.h"

namespace Titrelle::FitMint {

namespace {

struct TOptions {
  Float Substrate = 0.0;  // S0
  Float Enzyme = 1.0;     // E0
  Float Time = 1.0;       // t
  Float Factor = 1.0;     // the fixed response factor, also the estimate's B0
  bool FitFactor = true;
  int Variable = 1;       // which quantity X is; derived by Configure
};

TOptions Options;

enum : int { VariableTime = 0, VariableSubstrate = 1, VariableEnzyme = 2 };

// The reaction conditions (t, S0, E0) of an observation at X.
struct TConditions {
  Float Time, Substrate, Enzyme;
};

TConditions ConditionsAt(Float X)
{
  TConditions C{Options.Time, Options.Substrate, Options.Enzyme};
  switch (Options.Variable) {
  case VariableTime: C.Time = X; break;
  case VariableSubstrate: C.Substrate = X; break;
  default: C.Enzyme = X; break;
  }
  return C;
}

// With the factor fixed, the unit owns B[0].
void SetFixedFactor(const TVector& B)
{
  if (!Options.FitFactor)
    B[0] = Options.Factor;
}

}  // namespace

int ParamLow() { return Options.FitFactor ? 0 : 1; }
int ParamHigh() { return 2; }

void Configure(const TVector& Values)
{
  Options.Substrate = Values[0];
  Options.Enzyme = Values[1];
  Options.Time = Values[2];
  Options.Factor = Values[3];
  Options.FitFactor = OptionFlag(Values, 4);
  // A zero marks the quantity that varies; the substrate takes precedence.
  if (Options.Substrate == 0.0)
    Options.Variable = VariableSubstrate;
  else if (Options.Enzyme == 0.0)
    Options.Variable = VariableEnzyme;
  else
    Options.Variable = VariableTime;
}

void ResetOptions() { Options = TOptions(); }

Float Value(Float X, const TVector& B)
{
  // 1. The reaction conditions at X. 2. A fixed factor goes into B[0].
  const TConditions C = ConditionsAt(X);
  SetFixedFactor(B);

  // 3. The remaining substrate over B1 solves w + ln w = a + ln a - B2 E0 t,
  //    that is w e^w = a e^b.
  const Float A = CheckedDivide(C.Substrate, B[1]);
  const Float Bexp = A - B[2] * C.Enzyme * C.Time;

  // 4. Below the exponential's normal range w is negligible against a: the
  //    substrate is used up.
  if (Bexp < MinExpArgument)
    return CheckFinite(B[0] * C.Substrate);

  // 5. Upper branch of Lambert's function, argument A = X, no offset.
  const Float Wv = SolveWExpW(CheckFinite(A * PlainExp(Bexp)), true, false);
  return CheckFinite(B[0] * (C.Substrate - B[1] * Wv));
}

void Derivatives(Float X, Float Y, const TVector& B, const TVector& D)
{
  const TConditions C = ConditionsAt(X);
  SetFixedFactor(B);

  // 1. The product formed.
  D[0] = CheckedDivide(Y, B[0]);

  // 2. c = remaining substrate / B1 = w; differentiating w + ln w gives
  //    dw = -(r / w) d(right-hand side) with r = w / (1 + w).
  const Float Cw = CheckedDivide(C.Substrate - D[0], B[1]);
  const Float R = CheckedDivide(Cw, 1.0 + Cw);

  // 3. dP/dB1 = r P / B1.
  D[1] = CheckFinite(CheckedDivide(Y, B[1]) * R);

  // 4. dP/dB2 = B1 E0 t r.
  D[2] = CheckFinite(B[0] * B[1] * C.Enzyme * C.Time * R);
}

int Estimate(const TVector& X, const TVector& Y, int N, const TVector& B)
{
  // 1. Work vectors, the line's coefficients and its (unused) inverse normal
  //    matrix. A stays zero when the line fails.
  TVector P, U, Z, A;
  TMatrix V;
  AllocVector(P, N);
  AllocVector(U, N);
  AllocVector(Z, N);
  AllocVector(A, 1);
  AllocMatrix(V, 1, 1);

  // 2. The product from the fixed factor, also when the factor is fitted:
  //    the estimate needs a factor before it knows one.
  for (int I = FirstObservation; I <= N; ++I)
    P[I] = CheckedDivide(Y[I], Options.Factor);

  // 3. ln(1 - P/S0) = P/B1 - B2 E0 t, divided through by the varying time or
  //    enzyme so that the intercept is a constant. A response at or beyond
  //    the full conversion faults in the logarithm, a zero time or enzyme in
  //    the division.
  for (int I = FirstObservation; I <= N; ++I) {
    switch (Options.Variable) {
    case VariableSubstrate:
      U[I] = PlainLn(1.0 - CheckedDivide(P[I], X[I]));
      Z[I] = P[I];
      break;
    default:  // time or enzyme
      U[I] = CheckedDivide(PlainLn(1.0 - CheckedDivide(P[I], Options.Substrate)), X[I]);
      Z[I] = CheckedDivide(P[I], X[I]);
      break;
    }
  }

  // 4. Z = A[0] + A[1] U with A[1] = B1 and A[0] = B1 B2 times the fixed
  //    ones of E0 and t.
  const int Status = FitStraightLine(U, Z, N, A, V);

  // 5. - 6. Done whatever the status: after a failed line A is zero and the
  //    division faults.
  B[0] = Options.Factor;
  B[1] = A[1];
  switch (Options.Variable) {
  case VariableTime: B[2] = CheckedDivide(A[0], B[1] * Options.Enzyme); break;
  case VariableSubstrate: B[2] = CheckedDivide(A[0], B[1] * Options.Enzyme * Options.Time); break;
  default: B[2] = CheckedDivide(A[0], B[1] * Options.Time); break;
  }

  // 7.
  return Status;
}

}  // namespace Titrelle::FitMint
