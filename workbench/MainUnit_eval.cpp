// Curve evaluation and inversion, and the two calculation lists: the response
// on the fitted curve at an X, the X values at which the curve reaches a
// response, and the lists of values the user enters for calculation.
#include <cmath>
#include <string>
#include <vector>

#include "models/Models.h"
#include "workbench/MainUnit.h"

namespace Titrelle {

namespace {

// The closeness threshold of the closed formulas and the width at which a
// bisection bracket counts as closed.
constexpr Float Tiny = 1e-8;
// The repeat loops of SolveCubic make their own step (1, or the cubic
// coefficient) PlainSteps times and then double it at every further step, so
// that a root far from the extrema, or behind the steps of a tiny
// coefficient, is still passed after a few hundred more steps. A loop whose
// condition is never met (a zero cubic coefficient, a double root with f = 0
// at the extremum) ends when f overflows, long before MaxCubicSteps.
constexpr int PlainSteps = 1000;
constexpr int MaxCubicSteps = PlainSteps + 2200;
// Halving the widest bracket of doubles down to adjacent doubles takes about
// 2100 steps; the midpoint test ends every bisection before this bound.
constexpr int MaxBisections = 2200;

const char* const FailedText = "------";
const char* const RootSeparator = ",  ";

const TVector& Params() { return Workbench().CurveParams; }

// ModelOptions[Index] = 1: the constant term (0) or the general form (1).
bool OptionOn(int Index)
{
  const TVector& Options = Workbench().ModelOptions;
  return Index < Options.Size() && Options[Index] == 1.0;
}

// ModelCode 2 is the quadratic when ModelOptions[0] = 2; any other degree is the cubic.
bool QuadraticDegree()
{
  const TVector& Options = Workbench().ModelOptions;
  return Options.Size() > 0 && Options[0] == 2.0;
}

// The ModelCodes whose curve EvaluateCurve knows.
bool KnownCurve(int Code)
{
  switch (Code) {
  case 0:
  case 2:
  case 5:
  case 10:
  case 11:
  case 13:
  case 14:
  case SplineModelCode:
  case LogitLogModelCode:
    return true;
  default:
    return false;
  }
}

// The sign of A*B, taken from the signs so that the product of two small
// values that underflows to 0 still counts as positive or negative.
bool ProductPositive(Float A, Float B) { return (A > 0.0 && B > 0.0) || (A < 0.0 && B < 0.0); }
bool ProductNegative(Float A, Float B) { return (A > 0.0 && B < 0.0) || (A < 0.0 && B > 0.0); }

// A repeat loop of SolveCubic: Step(Scale) moves by Scale times the loop's
// step, then Done tests; Scale is 1 for the first PlainSteps steps and
// doubles at each step after them. False when MaxCubicSteps are reached
// without Done; the overflow of f faults before that.
template <typename TStep, typename TDone>
bool RepeatUntil(TStep Step, TDone Done)
{
  Float Scale = 1.0;
  for (int I = 0; I < MaxCubicSteps; ++I) {
    if (I >= PlainSteps)
      Scale = 2.0 * Scale;
    Step(Scale);
    if (Done())
      return true;
  }
  return false;
}

// Bisection of G between P and Q, which bracket a sign change: halves the
// bracket until it is narrower than 1e-8 or its midpoint no longer differs
// from an end (no double lies between them, the root is then found to the
// spacing of doubles). Returns the last midpoint. Faults of G reach the caller.
template <typename TFunction>
Float Bisect(const TFunction& G, Float P, Float Q)
{
  Float Hi = GreaterFloat(P, Q);
  Float Lo = LesserFloat(P, Q);
  Float M = Lo;
  for (int I = 0; I < MaxBisections; ++I) {
    M = (Lo + Hi) / 2.0;
    if (M == Lo || M == Hi)
      break;
    if (ProductPositive(G(M), G(Lo)))
      Lo = M;
    else
      Hi = M;
    if (std::fabs(Hi - Lo) < Tiny)
      break;
  }
  return M;
}

// The calculation list's texts entered in the current mode; null outside the
// two list modes.
std::vector<std::string>* ModeInputs()
{
  TWorkbenchState& W = Workbench();
  if (W.ViewMode == ModeXFromY)
    return &W.XFromYInputs;
  if (W.ViewMode == ModeYFromX)
    return &W.YFromXInputs;
  return nullptr;
}

// U(v): the X transformation undone and the short number text, or the
// failure text when the inverse transformation fails.
std::string UndoneX(Float V)
{
  if (!UndoTransform(V, Window().Controls->XTransform()))
    return FailedText;
  return FormatNumber(V);
}

// The result text of one input in ModeXFromY; the failure text when a step
// stops. Arithmetic faults reach the caller.
std::string XFromYResult(const std::string& Text)
{
  const TWorkbenchState& W = Workbench();

  // 1. The response, less the background.
  Float Y = 0.0;
  if (!ParseNumber(Text, Y))
    return FailedText;
  Y = CheckFinite(Y - BackgroundValue());

  // 2. The Y transformation.
  if (!ApplyTransform(Y, Window().Controls->YTransform()))
    return FailedText;

  // 3. Logit-log: the response as the logit of its fraction of OD0.
  if (W.ModelCode == LogitLogModelCode) {
    const Float P = CheckedDivide(Y, W.ZeroResponse);
    Y = PlainLn(CheckedDivide(P, 1.0 - P));
  }

  // 4. The inversion.
  Float X1 = 0.0, X2 = 0.0, X3 = 0.0;
  int Count = 0;
  if (!InvertCurve(X1, X2, X3, Count, Y))
    return FailedText;

  // 5. The result by model.
  switch (W.ModelCode) {
  case 0:
  case 5:
  case 10:
  case 11:
  case 13:
  case 14:
  case SplineModelCode:
    return UndoneX(X1);
  case LogitLogModelCode:
    // The line gives lg X.
    return UndoneX(CheckFinite(std::pow(10.0, X1)));
  case 2:
    if (QuadraticDegree())
      return Count == 1 ? UndoneX(X1) : UndoneX(X1) + RootSeparator + UndoneX(X2);
    {
      std::string Result = UndoneX(X1);
      if (Count > 1)
        Result += RootSeparator + UndoneX(X2);
      if (Count > 2)
        Result += RootSeparator + UndoneX(X3);
      return Result;
    }
  default:
    return FailedText;
  }
}

// The result text of one input in ModeYFromX; the failure text when a step
// stops. Arithmetic faults reach the caller.
std::string YFromXResult(const std::string& Text)
{
  const TWorkbenchState& W = Workbench();
  // EvaluateCurve leaves Y unset for a curve it does not know.
  if (!KnownCurve(W.ModelCode))
    return FailedText;

  // 1. The concentration.
  Float X = 0.0;
  if (!ParseNumber(Text, X))
    return FailedText;

  // 2. The X transformation.
  if (!ApplyTransform(X, Window().Controls->XTransform()))
    return FailedText;

  // 3. Logit-log works in lg X; a non-positive X takes the guarded error value.
  if (W.ModelCode == LogitLogModelCode)
    X = GuardedLog10(X);

  // 4. The curve.
  Float Y = 0.0;
  if (!EvaluateCurve(Y, X))
    return FailedText;

  // 5. Logit-log: back from the logit to the response.
  if (W.ModelCode == LogitLogModelCode) {
    const Float E = PlainExp(Y);
    Y = CheckFinite(CheckedDivide(E, E + 1.0) * W.ZeroResponse);
  }

  // 6. The Y transformation undone and the background added back.
  if (!UndoTransform(Y, Window().Controls->YTransform()))
    return FailedText;
  return FormatNumber(CheckFinite(BackgroundValue() + Y));
}

}  // namespace

// Y on the current curve at X. False after an arithmetic fault (Y is then
// unusable); true without touching Y for a ModelCode it does not know.
bool EvaluateCurve(Float& Y, Float X)
{
  const TWorkbenchState& W = Workbench();
  const TVector& B = Params();
  try {
    switch (W.ModelCode) {
    case 0:
    case LogitLogModelCode:
      Y = CheckFinite(B[0] + B[1] * X);
      return true;
    case 2:
      if (QuadraticDegree())
        Y = CheckFinite(B[0] + X * (B[1] + X * B[2]));
      else
        Y = CheckFinite(B[0] + X * (B[1] + X * (B[2] + X * B[3])));
      return true;
    case 5:
      Y = CheckFinite(B[1] * (1.0 - PlainExp(-B[2] * X)));
      if (OptionOn(0))
        Y = CheckFinite(Y + B[0]);
      return true;
    case 10:
      // At zero dose the power is not evaluated.
      if (std::fabs(X) < Tiny)
        Y = B[2] <= Tiny ? B[0] : 0.0;
      else
        Y = CheckedDivide(B[0], GuardedPower(CheckedDivide(B[1], X), B[2]) + 1.0);
      return true;
    case 11: {
      Float E = PlainExp(-B[2] * X + B[3]) + 1.0;
      if (OptionOn(1))
        E = PlainExp(B[4] * PlainLn(E));
      Y = OptionOn(0) ? CheckFinite(B[0] + CheckedDivide(B[1] - B[0], E)) : CheckedDivide(B[1], E);
      return true;
    }
    case 13:
    case 14:
      // The four- and five-parameter logistic of the registry, selected by the fit.
      Y = EvaluateModel(X, B);
      return true;
    case SplineModelCode: {
      const std::vector<TSplineKnot>& Knots = W.SplineKnots;
      const int K = static_cast<int>(Knots.size());
      if (K < 2 || static_cast<int>(W.SplineSegments.size()) < K - 1)
        return false;
      // The segment of the last knot at or left of X; the first and last
      // segments extend beyond the knots.
      int S = 0;
      for (int I = 0; I < K; ++I)
        if (X >= Knots[I].X)
          S = I;
      if (S > K - 2)
        S = K - 2;
      const TSplineSegment& G = W.SplineSegments[S];
      Y = CheckFinite(G.A * X * X * X + G.B * X * X + G.C * X + G.D);
      return true;
    }
    default:
      return true;
    }
  } catch (const ArithmeticFault&) {
    return false;
  }
}

// The X value(s) at which the current curve reaches Y: X1, and for ModelCode
// 2 also X2, X3 and Count. False when there is no solution or an arithmetic
// fault occurs; true without a result for a ModelCode it does not know.
bool InvertCurve(Float& X1, Float& X2, Float& X3, int& Count, Float Y)
{
  const TWorkbenchState& W = Workbench();
  const TVector& B = Params();
  try {
    switch (W.ModelCode) {
    case 0:
    case LogitLogModelCode:
      X1 = CheckedDivide(CheckFinite(Y - B[0]), B[1]);
      return true;
    case 2:
      if (QuadraticDegree())
        return SolveQuadratic(CheckFinite(B[0] - Y), B[1], B[2], X1, X2, Count);
      return SolveCubic(CheckFinite(B[0] - Y), B[1], B[2], B[3], X1, X2, X3, Count);
    case 5: {
      const Float V = OptionOn(0) ? CheckFinite(Y - B[0]) : Y;
      X1 = CheckedDivide(-PlainLn(1.0 - CheckedDivide(V, B[1])), B[2]);
      return true;
    }
    case 10: {
      // A response beyond the curve's range (below 0 or above ymax) has no
      // dose: the guarded power of its negative ratio would read as 0.
      const Float Ratio = CheckedDivide(Y, CheckFinite(B[0] - Y));
      if (Ratio < 0.0)
        return false;
      X1 = CheckFinite(B[1] * GuardedPower(Ratio, CheckedDivide(1.0, B[2])));
      return true;
    }
    case 11: {
      Float T = OptionOn(0) ? CheckedDivide(CheckFinite(B[1] - B[0]), CheckFinite(Y - B[0])) : CheckedDivide(B[1], Y);
      if (OptionOn(1))
        T = PlainExp(CheckedDivide(PlainLn(T), B[4]));
      X1 = CheckedDivide(-(PlainLn(T - 1.0) - B[3]), B[2]);
      return true;
    }
    case 13: {
      const Float Ratio = CheckedDivide(CheckFinite(B[0] - B[3]), CheckFinite(Y - B[3]));
      X1 = CheckFinite(B[2] * PlainExp(CheckedDivide(PlainLn(Ratio - 1.0), B[1])));
      return true;
    }
    case 14: {
      const Float Ratio = CheckedDivide(CheckFinite(B[0] - B[3]), CheckFinite(Y - B[3]));
      const Float Root = PlainExp(CheckedDivide(PlainLn(Ratio), B[4]));
      X1 = CheckFinite(B[2] * PlainExp(CheckedDivide(PlainLn(Root - 1.0), B[1])));
      return true;
    }
    case SplineModelCode:
      return InvertSpline(Y, X1);
    default:
      return true;
    }
  } catch (const ArithmeticFault&) {
    return false;
  }
}

// Roots of C t^2 + B t + A = 0 in X1, X2 with Count (0 for the linear case,
// 1 for a double root, 2). False when there is no real root, outputs unset.
// Arithmetic faults (a linear case with B = 0, an overflow) reach the caller.
bool SolveQuadratic(Float A, Float B, Float C, Float& X1, Float& X2, int& Count)
{
  // 1. No square term to speak of: the root of the linear equation.
  if (std::fabs(C) < Tiny) {
    X1 = CheckedDivide(-A, B);
    X2 = X1;
    Count = 0;
    return true;
  }

  // 2. The discriminant.
  const Float D = CheckFinite(B * B - 4.0 * C * A);

  // 3. A double root.
  if (std::fabs(D) < Tiny) {
    Count = 1;
    X1 = CheckedDivide(-B / 2.0, C);
    X2 = X1;
    return true;
  }

  // 4. No real root.
  if (D < 0.0)
    return false;

  // 5. Two roots.
  const Float R = PlainSqrt(D);
  Count = R < Tiny ? 1 : 2;
  X1 = CheckedDivide((-B + R) / 2.0, C);
  X2 = CheckedDivide((-B - R) / 2.0, C);
  return true;
}

// Real roots of A3 t^3 + A2 t^2 + A1 t + A0, bracketed between the extrema
// and bisected: Count 1, 2 (X1 and the double root X2 = X3, or the double
// root X1 and X2 = X3) or 3 (X1 < X2 < X3). False when a stepping loop
// reaches its bound; arithmetic faults reach the caller, among them f
// overflowing in a loop that finds no bracket (a zero cubic coefficient).
bool SolveCubic(Float A0, Float A1, Float A2, Float A3, Float& X1, Float& X2, Float& X3, int& Count)
{
  const auto F = [&](Float T) { return CheckFinite(A3 * T * T * T + A2 * T * T + A1 * T + A0); };

  // 1. The extrema, where f'(t) = 3 A3 t^2 + 2 A2 t + A1 = 0.
  Float P = 0.0, Q = 0.0;
  int ExtremaCount = 0;
  if (!SolveQuadratic(A1, 2.0 * A2, 3.0 * A3, P, Q, ExtremaCount)) {
    // 2. No real extremum, f is monotone: step from 0 by A3 (its sign gives
    //    the direction) until f < 0, then back until f > 0.
    Count = 1;
    Float T = 0.0;
    if (!RepeatUntil([&](Float Scale) { T = T - Scale * A3; }, [&] { return F(T) < 0.0; }))
      return false;
    Float U = T;
    if (!RepeatUntil([&](Float Scale) { U = U + Scale * A3; }, [&] { return F(U) > 0.0; }))
      return false;
    X1 = X2 = X3 = Bisect(F, T, U);
    return true;
  }
  if (P > Q)
    SwapFloats(P, Q);

  // 3. The values at the extrema decide how many roots there are.
  const Float Fp = F(P);
  const Float Fq = F(Q);
  const Float Product = Fp * Fq;
  if (Product > Tiny) {
    // One real root outside [P, Q]: widen both ways until the ends differ in sign.
    Count = 1;
    Float L = P, R = Q;
    if (!RepeatUntil(
            [&](Float Scale) {
              L = L - Scale;
              R = R + Scale;
            },
            [&] { return ProductNegative(F(L), F(R)); }))
      return false;
    X1 = X2 = X3 = Bisect(F, L, R);
    return true;
  }
  if (Product < -Tiny) {
    // Three real roots: left of P, between P and Q, right of Q.
    Count = 3;
    Float L = P;
    if (!RepeatUntil([&](Float Scale) { L = L - Scale; }, [&] { return ProductNegative(F(L), Fp); }))
      return false;
    X1 = Bisect(F, L, P);
    X2 = Bisect(F, P, Q);
    Float R = Q;
    if (!RepeatUntil([&](Float Scale) { R = R + Scale; }, [&] { return ProductNegative(F(R), Fq); }))
      return false;
    X3 = Bisect(F, R, Q);
    return true;
  }

  // A double root at an extremum and a simple root beyond the other one.
  Count = 2;
  if (std::fabs(Fp) < Tiny) {
    X1 = P;
    Float R = Q;
    if (!RepeatUntil([&](Float Scale) { R = R + Scale; }, [&] { return ProductNegative(F(R), Fq); }))
      return false;
    X2 = X3 = Bisect(F, R, Q);
  } else {
    Float L = P;
    if (!RepeatUntil([&](Float Scale) { L = L - Scale; }, [&] { return ProductNegative(F(L), Fp); }))
      return false;
    X1 = Bisect(F, L, P);
    X2 = X3 = Q;
  }
  return true;
}

// The X at which the spline reaches Y: a knot within 1e-8, or a bisection in
// the last segment whose knot responses enclose Y. False when no segment
// does (X1 unset); arithmetic faults reach the caller.
bool InvertSpline(Float Y, Float& X1)
{
  const std::vector<TSplineKnot>& Knots = Workbench().SplineKnots;
  const std::vector<TSplineSegment>& Segments = Workbench().SplineSegments;
  const int K = static_cast<int>(Knots.size());

  // 1. A knot's own response.
  for (int I = 0; I < K; ++I)
    if (std::fabs(Knots[I].Y - Y) < Tiny) {
      X1 = Knots[I].X;
      return true;
    }

  // 2. The last segment whose knot responses enclose Y.
  int S = -1;
  for (int I = 0; I <= K - 2; ++I)
    if (LesserFloat(Knots[I].Y, Knots[I + 1].Y) <= Y && Y <= GreaterFloat(Knots[I].Y, Knots[I + 1].Y))
      S = I;

  // 3. None: Y is outside the spline's responses.
  if (S < 0 || S >= static_cast<int>(Segments.size()))
    return false;

  // 4. Bisection of the segment's cubic less Y between its knots.
  const TSplineSegment& G = Segments[S];
  const auto Gap = [&](Float T) { return CheckFinite(G.A * T * T * T + G.B * T * T + G.C * T + G.D - Y); };
  X1 = Bisect(Gap, Knots[S].X, Knots[S + 1].X);
  return true;
}

// The short number text: 6 decimals with halves away from zero, trailing
// zeros and point removed, "-0" shown as "0"; "------" for a value that is
// not finite. Magnitudes from 1e36 keep the exponent of FormatFixed.
std::string FormatNumber(Float X)
{
  if (!std::isfinite(X))
    return FailedText;
  std::string Text = FormatFixed(X, 1, 6);
  const std::size_t E = Text.find('E');
  std::string Exponent = E == std::string::npos ? "" : Text.substr(E);
  Text = Text.substr(0, E);
  while (!Text.empty() && Text.back() == '0')
    Text.pop_back();
  if (!Text.empty() && Text.back() == '.')
    Text.pop_back();
  if (Text == "-0")
    Text = "0";
  return Text + Exponent;
}

// 1-based position of the first byte with code <= 32 in Text, or -1.
int FirstSeparator(const std::string& Text)
{
  for (std::size_t I = 0; I < Text.size(); ++I)
    if (static_cast<unsigned char>(Text[I]) <= 32)
      return static_cast<int>(I) + 1;
  return -1;
}

// Calculates Text in the current mode and appends (Text, result) to the
// list, the result "------" when anything fails; no message is shown.
void CalculateEntry(const std::string& Text)
{
  const TWorkbenchState& W = Workbench();
  std::string Result = FailedText;
  try {
    if (W.ViewMode == ModeXFromY)
      Result = XFromYResult(Text);
    else if (W.ViewMode == ModeYFromX)
      Result = YFromXResult(Text);
  } catch (const ArithmeticFault&) {
    Result = FailedText;
  }
  Window().List->AddItem(Text, Result);
  // Scrolled so that the newest items are visible.
  Window().List->ScrollDown(1000);
}

// The "Calculation(&L)" button: every run of bytes without a code <= 32 in
// the input field is stored in the mode's input list and calculated; then
// the field is emptied and focused.
void EnterCalculation()
{
  std::string Text = Window().Controls->InputText();
  // Each pass removes at least one byte of Text.
  while (!Text.empty()) {
    const int P = FirstSeparator(Text);
    std::string Token;
    if (P < 1) {
      Token = Text;
      Text.clear();
    } else {
      Token = Text.substr(0, P - 1);
      Text = Text.substr(P);
    }
    if (Token.empty())
      continue;
    if (std::vector<std::string>* Inputs = ModeInputs())
      Inputs->push_back(Token);
    CalculateEntry(Token);
  }
  Window().Controls->SetInputText("");
  Window().Controls->FocusInput();
}

// On entering a list mode: the list is rebuilt from the mode's stored inputs
// against the current fit, transformations and background.
void RelistCalculations()
{
  Window().List->Clear();
  if (const std::vector<std::string>* Inputs = ModeInputs()) {
    const std::vector<std::string> Texts = *Inputs;
    for (const std::string& Text : Texts)
      CalculateEntry(Text);
  }
}

// The clear button: empties the list and the current mode's input list (the
// other mode's list stays) and focuses the input field.
void ClearCalculations()
{
  Window().List->Clear();
  if (std::vector<std::string>* Inputs = ModeInputs())
    Inputs->clear();
  Window().Controls->FocusInput();
}

}  // namespace Titrelle
