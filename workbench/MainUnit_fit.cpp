// The fit controller and the workbench's own two methods: the logit-log
// straight line and the natural cubic spline through the standards.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "models/ModelShared.h"
#include "models/Models.h"
#include "workbench/MainUnit.h"

namespace Titrelle {

namespace {

// Fixed limits of every engine fit.
constexpr Float ParameterBound = 1e6;
constexpr int FitIterations = 4000;
constexpr Float FitTolerance = 0.001;

// Concentrations and abscissas closer than this count as equal (the
// workbench's zero test and the merging of replicates into one knot).
constexpr Float SameX = 1e-7;

// ModelCode of each entry of the model list.
constexpr int ListModelCodes[] = {0, 2, 2, LogitLogModelCode, 11, 13, 14, 10, 5, SplineModelCode};
constexpr int ListEntryCount = static_cast<int>(sizeof ListModelCodes / sizeof ListModelCodes[0]);

void ShowError(const std::string& Text)
{
  Window().Messages->Show({Text, "错误", TMessageIcon::Error, TMessageButtons::Ok});
}

// Solves the m x (m+1) system M (last column the right-hand side) in place by
// Gauss-Jordan elimination with partial pivoting: on return row i holds the
// unknown i in column m. Row exchanges do not reorder the unknowns. A pivot
// at rounding level of its column (m eps times the column's largest original
// element) means a singular system and faults, as does any element that
// overflows when stored.
void SolveSplineSystem(const TMatrix& M, int Size)
{
  std::vector<Float> ColumnScale(Size, 0.0);
  for (int R = 0; R < Size; ++R)
    for (int C = 0; C < Size; ++C)
      ColumnScale[C] = GreaterFloat(ColumnScale[C], std::fabs(M[R][C]));

  for (int I = 0; I < Size; ++I) {
    // The largest candidate in column I at or below row I becomes the pivot.
    int Best = I;
    for (int R = I + 1; R < Size; ++R)
      if (std::fabs(M[R][I]) > std::fabs(M[Best][I]))
        Best = R;
    if (std::fabs(M[Best][I]) <= Size * MachineEpsilon * ColumnScale[I])
      throw ArithmeticFault(TFaultKind::DivideByZero, "singular spline system");
    // Columns before I are already unit columns, zero in rows I and Best,
    // so every row operation below starts at column I.
    if (Best != I)
      ExchangeRows(I, Best, M, I, Size);

    const Float P = M[I][I];
    for (int C = I; C <= Size; ++C)
      M[I][C] = CheckFinite(M[I][C] / P);
    for (int J = 0; J < Size; ++J) {
      const Float F = M[J][I];
      if (J == I || F == 0.0)  // the matrix is banded: most rows need nothing
        continue;
      for (int C = I; C <= Size; ++C)
        M[J][C] = CheckFinite(M[J][C] - F * M[I][C]);
    }
  }
}

}  // namespace

// Model list entry -> ModelCode, and the option boxes that entry shows. An
// index outside the list leaves ModelCode as it was.
void ChooseModel(int ListIndex)
{
  if (ListIndex >= 0 && ListIndex < ListEntryCount)
    Workbench().ModelCode = ListModelCodes[ListIndex];
  Window().Controls->SetOptionBoxesVisible(ListIndex == 4, ListIndex == 4 || ListIndex == 8);
}

// Fits the current ModelCode to DataX, DataY (1..PointCount) and leaves the
// curve in CurveParams (and the spline or logit-log tables). False after the
// non-convergence message and always for logit-log. Arithmetic faults pass.
bool FitCurve()
{
  TWorkbenchState& W = Workbench();

  // 1.-2. The workbench's own methods.
  if (W.ModelCode == SplineModelCode)
    return BuildSpline();
  if (W.ModelCode == LogitLogModelCode)
    return FitLogitLog();

  // 3.1-3.2 Options from the list and the boxes at fit time.
  const IControls& Controls = *Window().Controls;
  AllocVector(W.ModelOptions, 4);
  switch (W.ModelCode) {
    case 2: W.ModelOptions[0] = Controls.ModelIndex() + 1; break;  // polynomial degree
    case 5: W.ModelOptions[0] = Controls.ConstantTerm() ? 1 : 0; break;
    case 11:
      W.ModelOptions[1] = Controls.GeneralForm() ? 1 : 0;
      W.ModelOptions[0] = Controls.ConstantTerm() ? 1 : 0;
      break;
    default: break;
  }

  // 3.3
  SelectModel(W.ModelCode, 0, W.ModelOptions);

  // 3.4 Everything zero, so a parameter below ParamLow stays 0.
  const int High = ParamHigh();
  TVector Theta, Bmin, Bmax, Ycalc, S;
  TMatrix V, NoVariables;
  AllocVector(Theta, VarianceParamCount());
  AllocVector(W.CurveParams, High);
  AllocVector(Bmin, High);
  AllocVector(Bmax, High);
  AllocMatrix(V, High, High);
  AllocVector(Ycalc, W.PointCount);
  AllocVector(S, W.PointCount);

  // 3.5
  for (int I = ParamLow(); I <= High; ++I) {
    Bmin[I] = -ParameterBound;
    Bmax[I] = ParameterBound;
  }

  // 3.6
  TFitStatistics Stats;
  const int Status = RunModelFit(W.DataX, NoVariables, W.DataY, W.PointCount, true, FitIterations, FitTolerance, Theta,
                                 W.CurveParams, Bmin, Bmax, V, Ycalc, S, Stats);

  // 3.7 A singular system (-1) is accepted silently.
  if (Status < SolveSingular) {
    Window().Messages->Show({"程序计算时没有敛到预定的范围", "Info", TMessageIcon::None, TMessageButtons::Ok});
    return false;
  }
  return true;
}

// Straight line a + b lg X through the points (lg X, logit(Y / OD0)) of the
// non-zero standards; B[0] = a, B[1] = b. The data vectors and PointCount
// become the linearised points. Returns false; bad data end in a fault.
bool FitLogitLog()
{
  TWorkbenchState& W = Workbench();
  const int N = W.PointCount;

  // 1.
  AllocVector(W.CurveParams, 3);
  W.ZeroResponse = 0.0;
  int Z = 0, K = 0;
  Float Sx = 0.0, Sy = 0.0, Sxx = 0.0, Sxy = 0.0;
  TVector Xs, Ys;
  AllocVector(Xs, N);
  AllocVector(Ys, N);

  // 2. Zero points give OD0; the others are kept in order.
  for (int I = 1; I <= N; ++I) {
    if (std::fabs(W.DataX[I]) <= SameX) {
      ++Z;
      W.ZeroResponse = CheckFinite(W.ZeroResponse + W.DataY[I]);
    } else {
      ++K;
      Xs[K] = W.DataX[I];
      Ys[K] = W.DataY[I];
    }
  }

  // 3. Only a warning: step 4 then divides 0 by 0.
  if (Z == 0)
    ShowError("必须有一个或几个X值为0的点, 该点的Y值为最大, 才能进行Logit-ln直线回归");
  // 4.
  W.ZeroResponse = CheckedDivide(W.ZeroResponse, Z);
  // 5. Only a warning: step 7 then divides by 0.
  if (W.ZeroResponse == 0.0)
    ShowError("X值为0的点, 其Y值不能为0");
  // 6.
  W.PointCount = K;

  // 7. Linearise and sum. A negative concentration's guarded logarithm is
  //    -MaxFloat, whose square overflows.
  for (int I = 1; I <= K; ++I) {
    const Float X = GuardedLog10(Xs[I]);
    const Float P = CheckedDivide(Ys[I], W.ZeroResponse);
    const Float Y = PlainLn(CheckedDivide(P, 1.0 - P));
    W.DataX[I] = X;
    W.DataY[I] = Y;
    Sx = CheckFinite(Sx + X);
    Sy = CheckFinite(Sy + Y);
    Sxx = CheckFinite(Sxx + CheckFinite(X * X));
    Sxy = CheckFinite(Sxy + CheckFinite(X * Y));
  }

  // 8. Least squares. With every lg X equal the denominator is 0 in exact
  //    arithmetic but often a rounding residue, which would give a slope of
  //    pure noise; that case is the zero division it stands for.
  bool AllEqual = true;
  for (int I = 2; I <= K; ++I)
    AllEqual = AllEqual && W.DataX[I] == W.DataX[1];
  if (K >= 1 && AllEqual)
    throw ArithmeticFault(TFaultKind::DivideByZero, "logit-log line through one concentration");
  const Float Numerator = CheckFinite(CheckedDivide(CheckFinite(Sx * Sy), K) - Sxy);
  const Float Denominator = CheckFinite(CheckedDivide(CheckFinite(Sx * Sx), K) - Sxx);
  const Float B = CheckedDivide(Numerator, Denominator);
  const Float A = CheckedDivide(CheckFinite(Sy - CheckFinite(B * Sx)), K);
  W.CurveParams[1] = B;
  W.CurveParams[0] = A;
  return false;
}

// Natural cubic spline through the standards, replicates merged into one
// knot at their mean response; SplineKnots 0..K-1 ascending, SplineSegments
// 0..K-2. Returns true; fewer than two knots or a singular system fault
// (the tables are then empty or partial). The data vectors are not changed.
bool BuildSpline()
{
  TWorkbenchState& W = Workbench();
  W.SplineKnots.clear();
  W.SplineSegments.clear();
  const int N = W.PointCount;

  // 1. Private 0-based copies.
  std::vector<Float> Xs(N), Ys(N);
  for (int I = 0; I < N; ++I) {
    Xs[I] = W.DataX[I + 1];
    Ys[I] = W.DataY[I + 1];
  }

  // 2. Exchange sort by X; equal X keep their order.
  for (int I = 0; I + 1 < N; ++I)
    for (int J = I + 1; J < N; ++J)
      if (Xs[I] > Xs[J]) {
        std::swap(Xs[I], Xs[J]);
        std::swap(Ys[I], Ys[J]);
      }

  // 3. Knots: points within SameX of a knot's first point join it.
  std::vector<TSplineKnot>& Knots = W.SplineKnots;
  Float Reference = 0.0;
  for (int I = 0; I < N; ++I) {
    if (I > 0 && std::fabs(Reference - Xs[I]) <= SameX) {
      Knots.back().Y = CheckFinite(Knots.back().Y + Ys[I]);
      ++Knots.back().Count;
    } else {
      Knots.push_back({Xs[I], Ys[I], 1});
      Reference = Xs[I];
    }
  }
  for (TSplineKnot& Knot : Knots)
    Knot.Y /= Knot.Count;
  const int K = static_cast<int>(Knots.size());
  if (K < 2)
    throw ArithmeticFault(TFaultKind::Invalid, "a spline needs two knots");

  // 4.
  const int M = 4 * (K - 1);
  TMatrix Sys;
  AllocMatrix(Sys, M - 1, M);

  // 5. Per segment: the values at both knots, and at the inner knot equal
  //    slope and curvature with the next segment.
  for (int Seg = 0; Seg <= K - 2; ++Seg) {
    const int U = 4 * Seg;
    const Float X0 = Knots[Seg].X, X1 = Knots[Seg + 1].X;
    const Float Cube0 = CheckFinite(X0 * X0 * X0), Square0 = CheckFinite(X0 * X0);
    const Float Cube1 = CheckFinite(X1 * X1 * X1), Square1 = CheckFinite(X1 * X1);
    Sys[U][U] = Cube0;
    Sys[U][U + 1] = Square0;
    Sys[U][U + 2] = X0;
    Sys[U][U + 3] = 1.0;
    Sys[U][M] = Knots[Seg].Y;
    Sys[U + 1][U] = Cube1;
    Sys[U + 1][U + 1] = Square1;
    Sys[U + 1][U + 2] = X1;
    Sys[U + 1][U + 3] = 1.0;
    Sys[U + 1][M] = Knots[Seg + 1].Y;
    if (Seg < K - 2) {
      const Float Slope2 = CheckFinite(3.0 * Square1);
      Sys[U + 2][U] = Slope2;
      Sys[U + 2][U + 1] = 2.0 * X1;
      Sys[U + 2][U + 2] = 1.0;
      Sys[U + 2][U + 4] = -Slope2;
      Sys[U + 2][U + 5] = -2.0 * X1;
      Sys[U + 2][U + 6] = -1.0;
      Sys[U + 3][U] = 6.0 * X1;
      Sys[U + 3][U + 1] = 2.0;
      Sys[U + 3][U + 4] = -6.0 * X1;
      Sys[U + 3][U + 5] = -2.0;
    }
  }

  // 6. Zero curvature at the first and the last knot.
  Sys[M - 2][0] = 6.0 * Knots[0].X;
  Sys[M - 2][1] = 2.0;
  Sys[M - 1][M - 4] = 6.0 * Knots[K - 1].X;
  Sys[M - 1][M - 3] = 2.0;

  // 7. Solve with row exchanges: a blank standard at X = 0 puts a zero on
  //    the diagonal, which elimination in plain row order cannot pass.
  SolveSplineSystem(Sys, M);

  // 8.
  W.SplineSegments.resize(K - 1);
  for (int Seg = 0; Seg <= K - 2; ++Seg)
    W.SplineSegments[Seg] = {Sys[4 * Seg][M], Sys[4 * Seg + 1][M], Sys[4 * Seg + 2][M], Sys[4 * Seg + 3][M]};
  return true;
}

}  // namespace Titrelle
