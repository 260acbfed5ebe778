#include "optimisation/optim.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace Titrelle {

bool IterationLogEnabled = false;
std::string IterationLogName = "optim.log";

// ---------------------------------------------------------------------------
// Iteration log

TIterationLog::TIterationLog()
{
  if (!IterationLogEnabled)
    return;
  File = std::fopen(IterationLogName.c_str(), "w");
  if (File == nullptr)
    throw std::runtime_error("cannot create the iteration log " + IterationLogName);
}

TIterationLog::~TIterationLog()
{
  if (File != nullptr)
    std::fclose(File);
}

void TIterationLog::Line(const std::string& Text)
{
  if (File == nullptr)
    return;
  if (std::fputs(Text.c_str(), File) < 0 || std::fputc('\n', File) == EOF)
    throw std::runtime_error("cannot write the iteration log " + IterationLogName);
}

std::string LogInt(long long Value, int Width)
{
  char Buffer[32];
  std::snprintf(Buffer, sizeof Buffer, "%*lld", Width, Value);
  return Buffer;
}

std::string LogReal(Float Value)
{
  if (!std::isfinite(Value)) {
    char Buffer[32];
    std::snprintf(Buffer, sizeof Buffer, "%12s", std::isnan(Value) ? "NaN" : (Value > 0 ? "+Inf" : "-Inf"));
    return Buffer;
  }
  // printf gives "d.dddE+xx" with at least two exponent digits; the field
  // wants a sign position and exactly four exponent digits.
  char Buffer[32];
  std::snprintf(Buffer, sizeof Buffer, "%.3E", std::fabs(Value));
  const std::string Text = Buffer;
  const std::size_t E = Text.find('E');
  const int Exponent = std::atoi(Text.c_str() + E + 1);
  char Field[32];
  std::snprintf(Field, sizeof Field, "%c%sE%c%04d", std::signbit(Value) && Value != 0.0 ? '-' : ' ',
                Text.substr(0, E).c_str(), Exponent < 0 ? '-' : '+', std::abs(Exponent));
  return Field;
}

// ---------------------------------------------------------------------------
// Line search

namespace {

// The line being searched: start point, direction and trial point, kept at
// engine level so that the one-variable LineValue can reach them.
struct TLineState {
  TVector X0, D, Xt;
  int Lb = 0, Ub = -1;
  ObjectiveFunction Func = nullptr;
};

TLineState Line;

Float LineValue(Float R)
{
  for (int I = Line.Lb; I <= Line.Ub; ++I)
    Line.Xt[I] = Line.X0[I] + R * Line.D[I];
  return Line.Func(Line.Xt);
}

// Enough golden-ratio expansions to run from a unit bracket past the largest
// double, so the bound never cuts a genuine expansion short.
constexpr int MaxBracketExpansions = 2000;

}  // namespace

bool StepsConverged(const TVector& X0, const TVector& X, int Lb, int Ub, Float Tol)
{
  int I = Lb;
  do {
    if (!(std::fabs(X[I] - X0[I]) < GreaterFloat(Tol * std::fabs(X0[I]), Tol)))
      return false;
    ++I;
  } while (I <= Ub);
  return true;
}

void BracketMinimum(LineFunction F, Float& A, Float& B, Float& C, Float& FA, Float& FB, Float& FC)
{
  // 1.
  if (A > B)
    SwapFloats(A, B);
  FA = F(A);
  FB = F(B);
  // 2. B becomes the lower point.
  if (FB > FA) {
    SwapFloats(A, B);
    SwapFloats(FA, FB);
  }
  // 3.
  C = B + GoldenRatio * (B - A);
  FC = F(C);
  // 4. Expand downhill until the function stops decreasing.
  for (int Expansion = 0; FC < FB && Expansion < MaxBracketExpansions; ++Expansion) {
    A = B;
    B = C;
    FA = FB;
    FB = FC;
    C = B + GoldenRatio * (B - A);
    FC = F(C);
  }
  // 5.
  if (A > C) {
    SwapFloats(A, C);
    SwapFloats(FA, FC);
  }
}

int GoldenSectionMinimise(LineFunction F, Float A, Float B, int MaxIter, Float Tol, Float& XMin, Float& YMin)
{
  // 1. A relative width below the square root of epsilon cannot be resolved.
  const Float Eps = std::sqrt(MachineEpsilon);
  if (Tol < Eps)
    Tol = Eps;

  // 2.
  Float C, FA, FB, FC;
  BracketMinimum(F, A, B, C, FA, FB, FC);

  // 3. Place the second interior point in the larger part of the bracket.
  Float X0 = A, X3 = C, X1, X2, F1, F2;
  if (B - A < C - B) {
    X1 = B;
    F1 = FB;
    X2 = B + GoldenFraction * (C - B);
    F2 = F(X2);
  } else {
    X2 = B;
    F2 = FB;
    X1 = B - GoldenFraction * (B - A);
    F1 = F(X1);
  }

  // 4. Shrink the bracket until its width is relatively small.
  int Iter = 0;
  while (Iter <= MaxIter && std::fabs(X3 - X0) > Tol * (std::fabs(X1) + std::fabs(X2))) {
    if (F2 < F1) {
      X0 = X1;
      X1 = X2;
      F1 = F2;
      X2 = X1 + GoldenFraction * (X3 - X1);
      F2 = F(X2);
    } else {
      X3 = X2;
      X2 = X1;
      F2 = F1;
      X1 = X2 - GoldenFraction * (X2 - X0);
      F1 = F(X1);
    }
    ++Iter;
  }

  // 5.
  if (F1 < F2) {
    XMin = X1;
    YMin = F1;
  } else {
    XMin = X2;
    YMin = F2;
  }
  // 6.
  return Iter > MaxIter ? SolveIterationLimit : SolveOk;
}

int LineMinimise(ObjectiveFunction Func, const TVector& X, const TVector& DeltaX, int Lb, int Ub, int MaxIter,
                 Float Tol, Float& FMin)
{
  // 1.
  AllocVector(Line.X0, Ub);
  AllocVector(Line.D, Ub);
  AllocVector(Line.Xt, Ub);
  CopyVectorRange(Line.X0, X, Lb, Ub);
  CopyVectorRange(Line.D, DeltaX, Lb, Ub);
  Line.Lb = Lb;
  Line.Ub = Ub;
  Line.Func = Func;

  // 2.
  Float R = 0.0;
  const int Status = GoldenSectionMinimise(LineValue, 0.0, 1.0, MaxIter, Tol, R, FMin);

  // 3. X moves only on success.
  if (Status == SolveOk)
    for (int I = Lb; I <= Ub; ++I)
      X[I] = X[I] + R * DeltaX[I];
  return Status;
}

// ---------------------------------------------------------------------------
// Marquardt

int MinimiseMarquardt(ObjectiveFunction Func, HessianGradientProc HessGrad, const TVector& X, int Lb, int Ub,
                      int MaxIter, Float Tol, Float& FMin, const TMatrix& InvH)
{
  TVector X1, G, DeltaX;
  TMatrix H, A;
  AllocVector(X1, Ub);
  AllocVector(G, Ub);
  AllocVector(DeltaX, Ub);
  AllocMatrix(H, Ub, Ub);
  AllocMatrix(A, Ub, Ub);
  TIterationLog Log;
  Log.Line("Marquardt");
  Log.Line("Iter         F            Lambda");

  // 1.
  Float Lambda = 0.01;
  FMin = Func(X);
  Float F1 = FMin;
  Float Det;
  int Iter = 1;
  bool Converged = false, Done = false;
  int Status = SolveOk;

  // 2. One pass per iteration.
  do {
    // 2.1
    if (Log.IsOpen())
      Log.Line(LogInt(Iter, 4) + "   " + LogReal(FMin) + "   " + LogReal(Lambda));
    // 2.2
    CopyVectorRange(X1, X, Lb, Ub);
    // 2.3
    HessGrad(Func, X, Lb, Ub, G, H);
    CopyMatrixBlock(A, H, Lb, Lb, Ub, Ub);
    for (int I = Lb; I <= Ub; ++I)
      G[I] = -G[I];

    if (Converged) {
      // 2.4 Final undamped Gauss-Newton step, without a line search.
      Status = SolveByGaussJordan(A, G, Lb, Ub, InvH, DeltaX, Det);
      if (Status == SolveOk)
        for (int I = Lb; I <= Ub; ++I)
          X[I] = X1[I] + DeltaX[I];
      Done = true;
    } else {
      // 2.5 Raise the damping until a line search along the damped step
      // does not increase the objective (beyond a relative 1e-10).
      bool Improved;
      do {
        for (int I = Lb; I <= Ub; ++I)
          A[I][I] = (1.0 + Lambda) * H[I][I];
        Improved = false;
        Status = SolveByGaussJordan(A, G, Lb, Ub, InvH, DeltaX, Det);
        if (Status == SolveOk) {
          CopyVectorRange(X, X1, Lb, Ub);
          Status = LineMinimise(Func, X, DeltaX, Lb, Ub, 100, 0.01, F1);
          Improved = F1 - FMin < 1e-10 * FMin;
          if (!Improved)
            Lambda = 10.0 * Lambda;
          if (Lambda > 1000.0)
            Status = SolveNoConvergence;
        }
      } while (!Improved && Status == SolveOk);
      Converged = StepsConverged(X1, X, Lb, Ub, Tol);
      Lambda = 0.1 * Lambda;
      FMin = F1;
    }

    // 2.6 The pass counter is checked after every pass, the final one included.
    ++Iter;
    if (Iter > MaxIter)
      Status = SolveIterationLimit;
  } while (!Done && Status == SolveOk);

  // 3.
  return Status;
}

// ---------------------------------------------------------------------------
// Simplex

int MinimiseSimplex(ObjectiveFunction Func, const TVector& X, int Lb, int Ub, int MaxIter, Float Tol, Float& FMin)
{
  const int NDim = Ub - Lb + 1;
  const int Top = Ub + 1;  // index of the last vertex
  TMatrix P;
  TVector F, Pbar, Pr, Pt;
  AllocMatrix(P, Top, Ub);
  AllocVector(F, Top);
  AllocVector(Pbar, Ub);
  AllocVector(Pr, Ub);
  AllocVector(Pt, Ub);
  Float FBest = MaxFloat;
  TIterationLog Log;
  Log.Line("Simplex");
  Log.Line("Iter         F");

  // 1. Vertex v differs from X by +50 % in parameter v; the last vertex is X.
  for (int V = Lb; V <= Top; ++V) {
    CopyVectorRange(P[V], X, Lb, Ub);
    if (V <= Ub)
      P[V][V] = 1.5 * P[V][V];
    F[V] = Func(P[V]);
  }

  int ILo = Lb, IHi = Lb;
  auto ReplaceWorstVertex = [&](const TVector& Point, Float Value) {
    CopyVectorRange(P[IHi], Point, Lb, Ub);
    F[IHi] = Value;
  };

  // 2.
  int Iter = 1;
  Float D;
  do {
    // 2.1 Ranking; the first occurrence wins on ties.
    ILo = Lb;
    IHi = Lb;
    for (int V = Lb + 1; V <= Top; ++V) {
      if (F[V] < F[ILo])
        ILo = V;
      else if (F[V] > F[IHi])
        IHi = V;
    }
    // 2.2
    if (F[ILo] < FBest)
      FBest = F[ILo];
    if (Log.IsOpen())
      Log.Line(LogInt(Iter, 4) + "   " + LogReal(FBest));

    // 2.3 Centroid of all vertices but the worst.
    for (int J = Lb; J <= Ub; ++J) {
      Float Sum = 0.0;
      for (int V = Lb; V <= Top; ++V)
        if (V != IHi)
          Sum = Sum + P[V][J];
      Pbar[J] = Sum / NDim;
    }

    // 2.4 Reflection.
    for (int J = Lb; J <= Ub; ++J)
      Pr[J] = 2.0 * Pbar[J] - P[IHi][J];
    const Float Fr = Func(Pr);

    if (Fr < F[ILo]) {
      // 2.5 Expansion.
      for (int J = Lb; J <= Ub; ++J)
        Pt[J] = 3.0 * Pr[J] - 2.0 * Pbar[J];
      const Float Ft = Func(Pt);
      if (Ft < F[ILo])
        ReplaceWorstVertex(Pt, Ft);
      else
        ReplaceWorstVertex(Pr, Fr);
    } else {
      // 2.6
      bool BetterThanSome = false;
      for (int V = Lb; V <= Top; ++V)
        if (V != IHi && F[V] > Fr)
          BetterThanSome = true;
      if (BetterThanSome) {
        ReplaceWorstVertex(Pr, Fr);
      } else {
        // 2.7 Contraction from the worst vertex as it now stands, else shrink.
        if (Fr <= F[IHi])
          ReplaceWorstVertex(Pr, Fr);
        for (int J = Lb; J <= Ub; ++J)
          Pt[J] = (P[IHi][J] + Pbar[J]) * 0.5;
        const Float Ft = Func(Pt);
        if (Ft <= F[IHi]) {
          ReplaceWorstVertex(Pt, Ft);
        } else {
          for (int V = Lb; V <= Top; ++V)
            for (int J = Lb; J <= Ub; ++J)
              P[V][J] = (P[V][J] + P[ILo][J]) * 0.5;
        }
      }
    }

    // 2.8
    D = 0.0;
    for (int J = Lb; J <= Ub; ++J)
      D = GreaterFloat(D, std::fabs(P[IHi][J] - P[ILo][J]));
    ++Iter;
  } while (!(D < Tol || Iter > MaxIter));

  // 3.
  CopyVectorRange(X, P[ILo], Lb, Ub);
  FMin = F[ILo];
  // 4.
  return Iter > MaxIter ? SolveIterationLimit : SolveOk;
}

// ---------------------------------------------------------------------------
// BFGS

namespace {

Float VectorMaxAbs(const TVector& V, int Lb, int Ub)
{
  Float M = 0.0;
  for (int I = Lb; I <= Ub; ++I)
    M = GreaterFloat(M, std::fabs(V[I]));
  return M;
}

}  // namespace

int MinimiseBfgs(ObjectiveFunction Func, GradientProc Gradient, const TVector& X, int Lb, int Ub, int MaxIter,
                 Float Tol, Float& FMin, const TMatrix& InvH)
{
  TVector X1, G, G1, DX, dX, dG, HdG, U, Vq, Wq, T;
  for (TVector* W : {&X1, &G, &G1, &DX, &dX, &dG, &HdG, &U, &Vq, &Wq, &T})
    AllocVector(*W, Ub);
  TIterationLog Log;
  Log.Line("BFGS");
  Log.Line("Iter         F");

  // 1.
  FMin = Func(X);
  for (int I = Lb; I <= Ub; ++I)
    for (int J = Lb; J <= Ub; ++J)
      InvH[I][J] = I == J ? 1.0 : 0.0;
  Gradient(Func, X, Lb, Ub, G);

  // 2.
  bool Converged = VectorMaxAbs(G, Lb, Ub) <= MachineEpsilon;
  if (!Converged)
    for (int I = Lb; I <= Ub; ++I)
      DX[I] = -G[I];

  // 3.
  int Iter = 0;
  while (!Converged && Iter < MaxIter) {
    // 3.1
    if (Log.IsOpen())
      Log.Line(LogInt(Iter, 4) + "   " + LogReal(FMin));
    // 3.2 A long direction is scaled so that its largest component is 1.
    const Float M = VectorMaxAbs(DX, Lb, Ub);
    if (M > 1.0)
      for (int I = Lb; I <= Ub; ++I)
        DX[I] = DX[I] / M;
    // 3.3
    CopyVectorRange(X1, X, Lb, Ub);
    CopyVectorRange(G1, G, Lb, Ub);
    // 3.4 A failed line search leaves X in place; the update below sees no step.
    LineMinimise(Func, X, DX, Lb, Ub, 100, 0.01, FMin);
    // 3.5
    Gradient(Func, X, Lb, Ub, G);
    for (int I = Lb; I <= Ub; ++I) {
      dX[I] = X[I] - X1[I];
      dG[I] = G[I] - G1[I];
    }
    for (int I = Lb; I <= Ub; ++I) {
      Float Sum = 0.0;
      for (int J = Lb; J <= Ub; ++J)
        Sum = Sum + InvH[I][J] * dG[J];
      HdG[I] = Sum;
    }
    // 3.6 A vanishing curvature product ends the run as converged.
    Float Fac = 0.0, Fae = 0.0;
    for (int I = Lb; I <= Ub; ++I) {
      Fac = Fac + dX[I] * dG[I];
      Fae = Fae + dG[I] * HdG[I];
    }
    if (Fac == 0.0 || Fae == 0.0) {
      Converged = true;
      break;
    }
    // 3.7
    for (int I = Lb; I <= Ub; ++I) {
      U[I] = dX[I] / Fac;
      Vq[I] = HdG[I] / Fae;
      Wq[I] = U[I] - Vq[I];
      T[I] = Fae * Wq[I];
    }
    // 3.8 BFGS update of the inverse Hessian.
    for (int I = Lb; I <= Ub; ++I)
      for (int J = Lb; J <= Ub; ++J)
        InvH[I][J] = InvH[I][J] + U[I] * dX[J] - Vq[I] * HdG[J] + T[I] * Wq[J];
    // 3.9
    for (int I = Lb; I <= Ub; ++I) {
      Float Sum = 0.0;
      for (int J = Lb; J <= Ub; ++J)
        Sum = Sum + InvH[I][J] * G[J];
      DX[I] = -Sum;
    }
    // 3.10
    Converged = StepsConverged(X1, X, Lb, Ub, Tol);
    ++Iter;
  }

  // 4.
  return Converged ? SolveOk : SolveIterationLimit;
}

}  // namespace Titrelle
