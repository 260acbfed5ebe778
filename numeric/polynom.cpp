#include "numeric/polynom.h"

#include <cmath>
#include <numbers>

#include "numeric/eigen.h"

namespace Titrelle {

namespace {

constexpr Float HalfSqrt3 = 0.86602540378443864706;  // sqrt(3)/2: imaginary part of the cube roots of unity
constexpr Float HalfPi = std::numbers::pi / 2.0;
constexpr Float TwoPiOverThree = 2.0943951023931955;  // angle between the three real cubic roots

// Zeroes Xr[1..N] and Xi[1..N].
void ClearRoots(int N, const TVector& Xr, const TVector& Xi)
{
  for (int I = 1; I <= N; ++I) {
    Xr[I] = 0.0;
    Xi[I] = 0.0;
  }
}

// A fresh coefficient vector Coef[From..From+Count-1] re-indexed from 0.
TVector Tail(const TVector& Coef, int From, int Count)
{
  TVector Reduced;
  AllocVector(Reduced, Count - 1);
  for (int I = 0; I < Count; ++I)
    Reduced[I] = Coef[From + I];
  return Reduced;
}

// A fresh monic quadratic C0 + C1 X + X^2.
TVector MonicQuadratic(Float C0, Float C1)
{
  TVector Coef;
  AllocVector(Coef, 2);
  Coef[0] = C0;
  Coef[1] = C1;
  Coef[2] = 1.0;
  return Coef;
}

}  // namespace

Float EvaluatePolynomial(const TVector& Coef, int Deg, Float X)
{
  if (Deg < 0)
    return 0.0;  // the empty sum
  Float P = Coef[Deg];
  for (int I = Deg - 1; I >= 0; --I)
    P = P * X + Coef[I];
  return P;
}

Float EvaluateRationalFraction(const TVector& Coef, int Deg1, int Deg2, Float X)
{
  // Numerator by Horner's rule from Coef[Deg1] down.
  Float P = Coef[Deg1];
  for (int I = Deg1 - 1; I >= 0; --I)
    P = P * X + Coef[I];
  // Denominator less its constant 1, by Horner's rule from the top.
  Float Q = 0.0;
  for (int I = Deg1 + Deg2; I >= Deg1 + 1; --I)
    Q = X * (Q + Coef[I]);
  return P / (Q + 1.0);
}

int LinearRoot(Float C0, Float C1, Float& X)
{
  X = 0.0;
  if (C1 == 0.0)
    return C0 != 0.0 ? RootsNone : RootsEveryX;
  if (C0 != 0.0)  // keep X = +0 rather than -0 for a zero root
    X = -C0 / C1;
  return 1;
}

int QuadraticRoots(const TVector& Coef, const TVector& Xr, const TVector& Xi)
{
  ClearRoots(2, Xr, Xi);

  // 1. No quadratic term: a linear equation.
  if (Coef[2] == 0.0)
    return LinearRoot(Coef[0], Coef[1], Xr[1]);

  // 2. A zero root, left in Xr[2]; the other solves the remaining linear factor.
  if (Coef[0] == 0.0) {
    LinearRoot(Coef[1], Coef[2], Xr[1]);
    return 2;
  }

  // 3. By the discriminant.
  const Float Delta = Coef[1] * Coef[1] - Coef[2] * (4.0 * Coef[0]);
  if (Delta > 0.0) {
    // Two real roots: the larger in magnitude by addition of like signs, the
    // other from the product of the roots, which avoids cancellation.
    const Float Q = Coef[1] >= 0.0 ? -0.5 * (Coef[1] + std::sqrt(Delta)) : -0.5 * (Coef[1] - std::sqrt(Delta));
    Xr[1] = Q / Coef[2];
    Xr[2] = Coef[0] / Q;
    return 2;
  }
  if (Delta < 0.0) {
    // A complex conjugate pair.
    const Float H = 0.5 / Coef[2];
    Xr[1] = -H * Coef[1];
    Xr[2] = Xr[1];
    Xi[1] = std::sqrt(-Delta) * std::fabs(H);
    Xi[2] = -Xi[1];
    return 0;
  }
  // A double root.
  Xr[1] = -0.5 * Coef[1] / Coef[2];
  Xr[2] = Xr[1];
  return 2;
}

int CubicRoots(const TVector& Coef, const TVector& Xr, const TVector& Xi)
{
  ClearRoots(3, Xr, Xi);

  // 1. No cubic term: the quadratic.
  if (Coef[3] == 0.0)
    return QuadraticRoots(Coef, Xr, Xi);

  // 2. A zero root, left in Xr[3]; the others solve X^2 Coef[3] + X Coef[2] + Coef[1].
  if (Coef[0] == 0.0)
    return 1 + QuadraticRoots(Tail(Coef, 1, 3), Xr, Xi);

  // 3. Normalise to X^3 + 3A X^2 + B X + C.
  Float A;
  Float B;
  Float C;
  if (Coef[3] != 1.0) {
    A = Coef[2] / Coef[3] / 3.0;
    B = Coef[1] / Coef[3];
    C = Coef[0] / Coef[3];
  } else {
    A = Coef[2] / 3.0;
    B = Coef[1];
    C = Coef[0];
  }

  // 4. With X = Y - A: Y^3 - 3Q Y + 2R = 0.
  const Float A2 = A * A;
  const Float Q = A2 - B / 3.0;
  const Float R = A * (A2 - B / 2.0) + C / 2.0;
  const Float R2 = R * R;
  const Float Q3 = Q * Q * Q;

  // 5. One real root and a complex pair (Cardano).
  if (R2 >= Q3) {
    const int K = -SignOf(R);  // -1 when R = 0
    const Float U = K * GuardedPower(std::sqrt(R2 - Q3) + std::fabs(R), 1.0 / 3.0);
    const Float V = U != 0.0 ? Q / U : 0.0;
    Xr[1] = (U + V) - A;
    Xr[2] = -0.5 * (U + V) - A;
    Xr[3] = Xr[2];
    Xi[2] = std::fabs(U - V) * HalfSqrt3;
    Xi[3] = -Xi[2];
    return 1;
  }

  // 6. Three real roots (trigonometric form); Q > 0 here. When two roots
  // (nearly) coincide, rounding can leave |T| a hair above 1 although
  // R^2 < Q^3; arccos(T) is then 0 or pi, which T = +-1 gives.
  const Float S = std::sqrt(Q);
  Float T = R / (Q * S);
  if (T > 1.0)
    T = 1.0;
  else if (T < -1.0)
    T = -1.0;
  const Float Theta = (HalfPi - std::atan(T / std::sqrt(1.0 - T * T))) / 3.0;  // arccos(T) / 3
  const Float M = -2.0 * S;
  Xr[1] = M * std::cos(Theta) - A;
  Xr[2] = M * std::cos(Theta + TwoPiOverThree) - A;
  Xr[3] = M * std::cos(Theta - TwoPiOverThree) - A;
  return 3;
}

int QuarticRoots(const TVector& Coef, const TVector& Xr, const TVector& Xi)
{
  ClearRoots(4, Xr, Xi);

  // 1. No quartic term: the cubic.
  if (Coef[4] == 0.0)
    return CubicRoots(Coef, Xr, Xi);

  // 2. A zero root, left in Xr[4]; the others solve the cubic Coef[1..4].
  if (Coef[0] == 0.0)
    return 1 + CubicRoots(Tail(Coef, 1, 4), Xr, Xi);

  // 3. Normalise to X^4 + 4A X^3 + B X^2 + C X + D; with X = Y - A the
  // equation becomes Y^4 + P Y^2 + Q Y + R = 0.
  Float A;
  Float B;
  Float C;
  Float D;
  if (Coef[4] != 1.0) {
    A = Coef[3] / Coef[4] / 4.0;
    B = Coef[2] / Coef[4];
    C = Coef[1] / Coef[4];
    D = Coef[0] / Coef[4];
  } else {
    A = Coef[3] / 4.0;
    B = Coef[2];
    C = Coef[1];
    D = Coef[0];
  }
  const Float A2 = A * A;
  Float P = B - 6.0 * A2;
  Float Q = A * (8.0 * A2 - 2.0 * B) + C;
  const Float R = D - A * C + A2 * (B - 3.0 * A2);

  // 4. Z, the largest real root of the resolvent cubic
  // Z^3 + (P/2) Z^2 + ((P/2)^2 - R)/4 Z - Q^2/64, is the square of half the
  // coefficient S of the factorisation into (Y^2 + 2S Y + H1)(Y^2 - 2S Y + H2).
  TVector V;
  AllocVector(V, 3);
  V[3] = 1.0;
  V[2] = P / 2.0;
  V[1] = (V[2] * V[2] - R) / 4.0;
  Float Z;
  if (Q != 0.0 || V[1] >= 0.0) {
    V[0] = -(Q * Q) / 64.0;
    CubicRoots(V, Xr, Xi);
    Z = LargestRealRoot(3, Xr, Xi);
  } else {
    // Q = 0: the resolvent is Z times a quadratic whose positive root is the useful one.
    QuadraticRoots(MonicQuadratic(V[1], V[2]), Xr, Xi);
    Z = LargestRealRoot(2, Xr, Xi);
  }

  // 5. The coefficients of the two quadratic factors; S = 0 leaves the
  // biquadratic Y^4 + P Y^2 + R.
  const Float S = std::sqrt(Z);
  if (S != 0.0) {
    P = P + 4.0 * Z;
    Q = Q / (2.0 * S);
  } else {
    Q = std::sqrt(P * P - 4.0 * R);
  }

  // 6. Solve Y^2 + 2S Y + H1 = 0 and Y^2 - 2S Y + H2 = 0.
  const Float H1 = (P - Q) / 2.0;
  const Float H2 = (P + Q) / 2.0;
  TVector Xr1;
  TVector Xi1;
  TVector Xr2;
  TVector Xi2;
  AllocVector(Xr1, 2);
  AllocVector(Xi1, 2);
  AllocVector(Xr2, 2);
  AllocVector(Xi2, 2);
  const int N1 = QuadraticRoots(MonicQuadratic(H1, 2.0 * S), Xr1, Xi1);
  const int N2 = QuadraticRoots(MonicQuadratic(H2, -2.0 * S), Xr2, Xi2);

  // 7. Shift back to X = Y - A, first pair then second pair.
  Xr[1] = Xr1[1] - A;
  Xr[2] = Xr1[2] - A;
  Xr[3] = Xr2[1] - A;
  Xr[4] = Xr2[2] - A;
  Xi[1] = Xi1[1];
  Xi[2] = Xi1[2];
  Xi[3] = Xi2[1];
  Xi[4] = Xi2[2];
  return N1 + N2;
}

int PolynomialRootsByEigen(const TVector& Coef, int Deg, const TVector& Xr, const TVector& Xi)
{
  ClearRoots(Deg, Xr, Xi);

  // Zero leading coefficients lower the degree, as in the fixed-degree
  // solvers; a polynomial that is a constant has no roots or every X as a
  // root (a negative Deg is taken as the empty, zero, polynomial).
  int Top = Deg;
  while (Top > 0 && Coef[Top] == 0.0)
    Top = Top - 1;
  if (Top < 0)
    return RootsEveryX;
  if (Top == 0)
    return Coef[0] != 0.0 ? RootsNone : RootsEveryX;

  // Zero roots are split off: the companion matrix of a polynomial with a
  // zero constant term would be balanced by exchanges that destroy its
  // Hessenberg form. Their slots after the other roots are already 0.
  int Zeros = 0;
  while (Zeros < Top && Coef[Zeros] == 0.0)
    Zeros = Zeros + 1;
  const int N = Top - Zeros;  // degree of Coef[Zeros..Top], the rest
  if (N == 0)
    return Top;  // Coef[Top] X^Top: every root is 0

  // 1. The companion matrix of Coef[Zeros..Top] (upper Hessenberg).
  TMatrix A;
  AllocMatrix(A, N - 1, N - 1);
  for (int I = 0; I <= N - 1; ++I)
    A[0][I] = -Coef[Zeros + N - I - 1] / Coef[Top];
  for (int I = 0; I <= N - 2; ++I)
    A[I + 1][I] = 1.0;
  TVector Scale;
  AllocVector(Scale, N - 1);

  // 2. Balance it.
  int Low = 0;
  int Igh = 0;
  BalanceMatrix(A, 0, N - 1, Low, Igh, Scale);

  // 3. Its eigenvalues into Xr, Xi[0..N-1].
  const int Status = HessenbergQREigen(A, 0, N - 1, Low, Igh, Xr, Xi);
  if (Status != SolveOk)
    return Status;

  // 4. Count the real roots.
  int Count = 0;
  for (int I = 0; I <= N - 1; ++I)
    if (Xi[I] == 0.0)
      Count = Count + 1;

  // 5. Move the roots up to 1..N; the zero roots follow at N+1..Top.
  for (int I = N - 1; I >= 0; --I) {
    Xr[I + 1] = Xr[I];
    Xi[I + 1] = Xi[I];
  }
  return Count + Zeros;
}

Float LargestRealRoot(int N, const TVector& Xr, const TVector& Xi)
{
  Float Largest = -MaxFloat;
  for (int I = 1; I <= N; ++I)
    if (Xi[I] == 0.0 && Xr[I] > Largest)
      Largest = Xr[I];
  return Largest;
}

}  // namespace Titrelle
