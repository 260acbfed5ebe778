// Polynomials and rational fractions: evaluation, real-coefficient roots in
// closed form up to degree 4, and roots of any degree as the eigenvalues of
// the companion matrix.
//
// A polynomial of degree Deg is Coef[0..Deg], Coef[I] multiplying X^I.
// The root finders write the real parts to Xr and the imaginary parts to Xi
// at indexes 1..Deg (the caller allocates both with upper bound >= Deg). A
// root is real exactly when its Xi is 0; complex roots come in conjugate
// pairs at consecutive indexes. They return the number of real roots, or one
// of the codes below. None of these routines throws.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle {

// Results of a root finder whose polynomial is a constant once its zero
// leading coefficients are dropped (the codes of LinearRoot).
enum : int {
  RootsEveryX = -1,  // the zero polynomial: every X is a root
  RootsNone = -2,    // a nonzero constant: there is no root
};

// Sum of Coef[I] X^I, I = 0..Deg, by Horner's rule; 0 when Deg < 0.
Float EvaluatePolynomial(const TVector& Coef, int Deg, Float X);

// (Sum_{I=0..Deg1} Coef[I] X^I) / (1 + Sum_{I=1..Deg2} Coef[Deg1+I] X^I);
// reads Coef[0..Deg1+Deg2]. A zero denominator gives an infinity or NaN.
Float EvaluateRationalFraction(const TVector& Coef, int Deg1, int Deg2, Float X);

// Root of C0 + C1 X = 0 into X: returns 1; RootsNone (X = 0) when C1 = 0 and
// C0 != 0; RootsEveryX (X = 0) when both are 0.
int LinearRoot(Float C0, Float C1, Float& X);

// Roots of Coef[0] + Coef[1] X + Coef[2] X^2 into Xr, Xi[1..2], both zeroed
// first. A zero leading coefficient falls back to LinearRoot.
int QuadraticRoots(const TVector& Coef, const TVector& Xr, const TVector& Xi);

// Roots of the cubic Coef[0..3] into Xr, Xi[1..3], all zeroed first. A zero
// leading coefficient falls back to the quadratic; a zero root is put last.
int CubicRoots(const TVector& Coef, const TVector& Xr, const TVector& Xi);

// Roots of the quartic Coef[0..4] into Xr, Xi[1..4], all zeroed first. A zero
// leading coefficient falls back to the cubic; a zero root is put last.
int QuarticRoots(const TVector& Coef, const TVector& Xr, const TVector& Xi);

// Roots of Coef[0..Deg] (any degree) as companion-matrix eigenvalues into
// Xr, Xi[1..Deg], all zeroed first; Xr, Xi[0] are used as work space.
// Zero leading coefficients lower the degree (slots above the true degree
// stay 0, not counted); a zero left as the only coefficient gives RootsEveryX,
// a nonzero one RootsNone. Zero roots are split off first, put after the
// others and counted. A negative eigenvalue status -En is passed on; the
// outputs are then partial.
int PolynomialRootsByEigen(const TVector& Coef, int Deg, const TVector& Xr, const TVector& Xi);

// The largest Xr[I], I = 1..N, whose Xi[I] is 0; -MaxFloat when there is none.
Float LargestRealRoot(int N, const TVector& Xr, const TVector& Xi);

}  // namespace Titrelle
