// Tests of the polynomial unit (evaluation, closed-form and companion-matrix
// roots) and of the eigenvalue unit beneath it (balancing, Hessenberg QR).
//
// Reference values: small exact cases worked by hand (each derivation is in a
// comment beside it); everything else comes from polynomials and matrices
// built in the test from known roots or known eigenvalues.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <iomanip>
#include <limits>
#include <numbers>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "numeric/eigen.h"
#include "numeric/polynom.h"

namespace Titrelle {
namespace {

using TComplex = std::complex<Float>;
using TRows = std::vector<std::vector<Float>>;

constexpr Float Inf = std::numeric_limits<Float>::infinity();
constexpr Float NaN = std::numeric_limits<Float>::quiet_NaN();

// ---------------------------------------------------------------------------
// Helpers

// A vector holding Values at 0..size-1.
TVector MakeVector(const std::vector<Float>& Values)
{
  TVector V;
  AllocVector(V, static_cast<int>(Values.size()) - 1);
  for (std::size_t I = 0; I < Values.size(); ++I)
    V[static_cast<int>(I)] = Values[I];
  return V;
}

// Root slots 0..Deg filled with a value no routine writes, so a slot left
// unwritten shows.
TVector RootSlots(int Deg)
{
  TVector V;
  AllocVector(V, Deg);
  for (int I = 0; I <= Deg; ++I)
    V[I] = 99.0;
  return V;
}

TMatrix MakeMatrix(const TRows& Rows)
{
  TMatrix A;
  const int N = static_cast<int>(Rows.size());
  AllocMatrix(A, N - 1, N - 1);
  for (int I = 0; I < N; ++I)
    for (int J = 0; J < N; ++J)
      A[I][J] = Rows[I][J];
  return A;
}

std::string Show(Float X)
{
  std::ostringstream S;
  S << std::setprecision(17) << X;
  return S.str();
}

std::string Show(TComplex Z) { return "(" + Show(Z.real()) + ", " + Show(Z.imag()) + ")"; }

// Checks |Actual - Expected| <= Tol and reports both values and the error in
// units of MachineEpsilon. A NaN fails.
void ExpectWithin(Float Actual, Float Expected, Float Tol, const std::string& What)
{
  const Float Error = std::fabs(Actual - Expected);
  EXPECT_LE(Error, Tol) << What << ": actual " << Show(Actual) << ", expected " << Show(Expected) << ", error "
                        << Error / MachineEpsilon << " eps, tolerance " << Tol / MachineEpsilon << " eps";
}

// Both roots of every complex pair, the conjugate right after its root.
std::vector<TComplex> WithConjugates(const std::vector<TComplex>& Roots)
{
  std::vector<TComplex> All;
  for (const TComplex& Z : Roots) {
    All.push_back(Z);
    if (Z.imag() != 0.0)
      All.push_back(std::conj(Z));
  }
  return All;
}

// Coefficients (low to high) of Lead times the product of (X - r) over the
// real roots and (X^2 - 2 Re z X + |z|^2) over the complex roots z, each
// complex root listed once.
std::vector<Float> ExpandRoots(const std::vector<TComplex>& Roots, Float Lead)
{
  std::vector<Float> Coef{Lead};
  for (const TComplex& Z : Roots) {
    std::vector<Float> Factor;
    if (Z.imag() == 0.0)
      Factor = {-Z.real(), 1.0};
    else
      Factor = {std::norm(Z), -2.0 * Z.real(), 1.0};
    std::vector<Float> Product(Coef.size() + Factor.size() - 1, 0.0);
    for (std::size_t I = 0; I < Coef.size(); ++I)
      for (std::size_t J = 0; J < Factor.size(); ++J)
        Product[I + J] += Coef[I] * Factor[J];
    Coef = Product;
  }
  return Coef;
}

// First-order absolute condition of the root Z under relative perturbations
// of the coefficients: sum |Coef[I]| |Z|^I / |p'(Z)|. It is 0 for a root at
// 0 that is split off exactly.
Float RootCondition(const std::vector<Float>& Coef, TComplex Z)
{
  Float Size = 0.0;
  TComplex Slope = 0.0;
  for (std::size_t I = 0; I < Coef.size(); ++I) {
    Size += std::fabs(Coef[I]) * std::pow(std::abs(Z), static_cast<Float>(I));
    if (I > 0)
      Slope += static_cast<Float>(I) * Coef[I] * std::pow(Z, static_cast<int>(I) - 1);
  }
  return Size == 0.0 ? 0.0 : Size / std::abs(Slope);
}

// Matches every expected root to the nearest not yet matched computed root
// (Xr, Xi at 1..Deg) and checks it lies within Tol(expected).
template <typename TTol>
void ExpectRootsMatch(const TVector& Xr, const TVector& Xi, int Deg, const std::vector<TComplex>& Expected, TTol Tol)
{
  std::vector<bool> Used(static_cast<std::size_t>(Deg) + 1, false);
  for (const TComplex& Z : Expected) {
    int Best = -1;
    Float BestError = Inf;
    for (int I = 1; I <= Deg; ++I) {
      const Float Error = std::abs(TComplex(Xr[I], Xi[I]) - Z);
      if (!Used[I] && Error < BestError) {
        Best = I;
        BestError = Error;
      }
    }
    ASSERT_GE(Best, 1) << "no computed root left for " << Show(Z);
    Used[Best] = true;
    const Float Bound = Tol(Z);
    EXPECT_LE(BestError, Bound) << "root " << Best << ": actual " << Show(TComplex(Xr[Best], Xi[Best])) << ", expected "
                                << Show(Z) << ", error " << BestError / MachineEpsilon << " eps, tolerance "
                                << Bound / MachineEpsilon << " eps";
  }
}

// Complex roots come in conjugate pairs at consecutive indexes, the positive
// imaginary part first, with identical real parts.
void ExpectConjugatePairsAdjacent(const TVector& Xr, const TVector& Xi, int Deg)
{
  for (int I = 1; I <= Deg; ++I) {
    if (Xi[I] == 0.0)
      continue;
    ASSERT_GT(Xi[I], 0.0) << "root " << I << " opens a pair with a negative imaginary part";
    ASSERT_LT(I, Deg) << "root " << I << " has no partner";
    EXPECT_EQ(Xr[I + 1], Xr[I]) << "pair at " << I;
    EXPECT_EQ(Xi[I + 1], -Xi[I]) << "pair at " << I;
    ++I;
  }
}

int CountReal(const TVector& Xi, int Deg)
{
  int Count = 0;
  for (int I = 1; I <= Deg; ++I)
    if (Xi[I] == 0.0)
      ++Count;
  return Count;
}

int CountReal(const std::vector<TComplex>& Roots)
{
  int Count = 0;
  for (const TComplex& Z : Roots)
    if (Z.imag() == 0.0)
      ++Count;
  return Count;
}

// The fixed-degree solver for the length of Coef (degree 2, 3 or 4).
int SolveFixedDegree(int Deg, const TVector& Coef, const TVector& Xr, const TVector& Xi)
{
  switch (Deg) {
  case 2:
    return QuadraticRoots(Coef, Xr, Xi);
  case 3:
    return CubicRoots(Coef, Xr, Xi);
  default:
    return QuarticRoots(Coef, Xr, Xi);
  }
}

template <typename TCase>
std::string CaseName(const testing::TestParamInfo<TCase>& Info)
{
  return Info.param.Name;
}

// Failure messages name the table case instead of dumping its bytes.
template <typename TCase>
  requires requires(const TCase& Case) { Case.Name; }
void PrintTo(const TCase& Case, std::ostream* Out)
{
  *Out << Case.Name;
}

// ---------------------------------------------------------------------------
// Evaluation

struct TEvaluateCase {
  std::string Name;
  std::vector<Float> Coef;
  int Deg1;
  int Deg2;  // denominator degree for the rational fraction
  Float X;
  Float Expected;
};

class RationalFractionTest : public testing::TestWithParam<TEvaluateCase> {};

// Small integers and powers of 2, so every expected value is exact.
TEST_P(RationalFractionTest, MatchesHandValue)
{
  const TEvaluateCase& Case = GetParam();
  EXPECT_EQ(EvaluateRationalFraction(MakeVector(Case.Coef), Case.Deg1, Case.Deg2, Case.X), Case.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Exact, RationalFractionTest,
    testing::Values(
        // (1 + 2X) / (1 + 0.5X) at 2: 5 / 2.
        TEvaluateCase{"LinearOverLinear", {1.0, 2.0, 0.5}, 1, 1, 2.0, 2.5},
        // (3 - X) / (1 + 2X + 0.25X^2) at 2: 1 / 6.
        TEvaluateCase{"LinearOverQuadratic", {3.0, -1.0, 2.0, 0.25}, 1, 2, 2.0, 1.0 / 6.0},
        // 4 / (1 + X) at 3: 1.
        TEvaluateCase{"ConstantOverLinear", {4.0, 1.0}, 0, 1, 3.0, 1.0},
        // (1 - X + X^2) / (1 - 0.5X) at -2: 7 / 2.
        TEvaluateCase{"QuadraticOverLinear", {1.0, -1.0, 1.0, -0.5}, 2, 1, -2.0, 3.5}),
    CaseName<TEvaluateCase>);

TEST(RationalFraction, PoleGivesInfinityWithoutThrowing)
{
  // 1 / (1 - X) at X = 1: the denominator is exactly 0.
  const Float Value = EvaluateRationalFraction(MakeVector({1.0, -1.0}), 0, 1, 1.0);
  EXPECT_TRUE(std::isinf(Value)) << "actual " << Show(Value);
}

class PolynomialValueTest : public testing::TestWithParam<TEvaluateCase> {};

// A rational fraction without denominator terms is its numerator; both use
// the same Horner steps, so they agree exactly. The hand value is exact too.
TEST_P(PolynomialValueTest, EqualsFractionWithoutDenominatorAndHandValue)
{
  const TEvaluateCase& Case = GetParam();
  const TVector Coef = MakeVector(Case.Coef);
  const Float Value = EvaluatePolynomial(Coef, Case.Deg1, Case.X);
  EXPECT_EQ(Value, Case.Expected);
  EXPECT_EQ(EvaluateRationalFraction(Coef, Case.Deg1, 0, Case.X), Value);
}

INSTANTIATE_TEST_SUITE_P(
    Exact, PolynomialValueTest,
    testing::Values(
        // 1 + 2X + 3X^2 at 2: 17.
        TEvaluateCase{"Quadratic", {1.0, 2.0, 3.0}, 2, 0, 2.0, 17.0},
        // -6 + 11X - 6X^2 + X^3 at 0.5: -1.875 ((0.5-1)(0.5-2)(0.5-3)).
        TEvaluateCase{"CubicAtHalf", {-6.0, 11.0, -6.0, 1.0}, 3, 0, 0.5, -1.875},
        // A constant: 4.5 at any X.
        TEvaluateCase{"Constant", {4.5}, 0, 0, -7.0, 4.5},
        // Only the coefficients up to the degree count: 2 - X at 3: -1.
        TEvaluateCase{"ReadsOnlyUpToDegree", {2.0, -1.0, 100.0}, 1, 0, 3.0, -1.0}),
    CaseName<TEvaluateCase>);

// ---------------------------------------------------------------------------
// LinearRoot

struct TLinearCase {
  std::string Name;
  Float C0;
  Float C1;
  int Code;
  Float X;
};

class LinearRootTest : public testing::TestWithParam<TLinearCase> {};

// Exact arithmetic: the roots are ratios of small integers.
TEST_P(LinearRootTest, CodeAndRoot)
{
  const TLinearCase& Case = GetParam();
  Float X = 7.0;  // overwritten on every path
  EXPECT_EQ(LinearRoot(Case.C0, Case.C1, X), Case.Code);
  EXPECT_EQ(X, Case.X);
  EXPECT_FALSE(std::signbit(X)) << "a zero root is +0, actual " << Show(X);
}

INSTANTIATE_TEST_SUITE_P(Codes, LinearRootTest,
                         testing::Values(TLinearCase{"Ordinary", 6.0, -2.0, 1, 3.0},
                                         TLinearCase{"ZeroRootIsPositiveZero", 0.0, 5.0, 1, 0.0},
                                         TLinearCase{"NoSolution", 3.0, 0.0, RootsNone, 0.0},
                                         TLinearCase{"EveryXSolves", 0.0, 0.0, RootsEveryX, 0.0}),
                         CaseName<TLinearCase>);

// ---------------------------------------------------------------------------
// Fixed-degree solvers: known roots in the order the formulas produce them

struct TFixedCase {
  std::string Name;
  std::vector<Float> Coef;  // degree = size - 1 selects the solver
  int Code;
  std::vector<Float> Xr;  // expected at indexes 1..Deg
  std::vector<Float> Xi;
  Float TolEps;  // tolerance in units of MachineEpsilon times the largest |root| (at least 1)
};

class FixedDegreeTest : public testing::TestWithParam<TFixedCase> {};

TEST_P(FixedDegreeTest, RootsInOrder)
{
  const TFixedCase& Case = GetParam();
  const int Deg = static_cast<int>(Case.Coef.size()) - 1;
  const TVector Xr = RootSlots(Deg);
  const TVector Xi = RootSlots(Deg);
  EXPECT_EQ(SolveFixedDegree(Deg, MakeVector(Case.Coef), Xr, Xi), Case.Code);

  Float Scale = 1.0;
  for (int I = 0; I < Deg; ++I)
    Scale = std::max(Scale, std::abs(TComplex(Case.Xr[I], Case.Xi[I])));
  const Float Tol = Case.TolEps * MachineEpsilon * Scale;
  for (int I = 1; I <= Deg; ++I) {
    ExpectWithin(Xr[I], Case.Xr[I - 1], Tol, "Xr[" + std::to_string(I) + "]");
    ExpectWithin(Xi[I], Case.Xi[I - 1], Tol, "Xi[" + std::to_string(I) + "]");
  }
  EXPECT_EQ(Xr[0], 99.0) << "index 0 is not a root slot";
}

// Basis of the tolerances: the closed forms take a few rounded operations
// per root, each wrong by at most half an ulp of the largest intermediate,
// which is of the size of the largest root: 8 eps relative to it.
constexpr Float ClosedFormEps = 8.0;
constexpr Float S2 = 0.7071067811865476;     // sqrt(2)/2 rounded up, the real parts of the roots of X^4 + 1
constexpr Float S2i = 0.7071067811865475;    // sqrt(1.9999999999999996)/2, their computed imaginary parts
constexpr Float H3 = 0.8660254037844386;     // sqrt(3)/2

INSTANTIATE_TEST_SUITE_P(
    Quadratic, FixedDegreeTest,
    testing::Values(
        // (X - 2)(X - 1): the root of larger magnitude first.
        TFixedCase{"TwoReal", {2.0, -3.0, 1.0}, 2, {2.0, 1.0}, {0.0, 0.0}, ClosedFormEps},
        // X^2 + 1: +-i.
        TFixedCase{"ImaginaryPair", {1.0, 0.0, 1.0}, 0, {0.0, 0.0}, {1.0, -1.0}, ClosedFormEps},
        // (X + 1)^2: the double root twice.
        TFixedCase{"DoubleRoot", {1.0, 2.0, 1.0}, 2, {-1.0, -1.0}, {0.0, 0.0}, ClosedFormEps},
        // X (X - 2): the zero root second.
        TFixedCase{"ZeroConstant", {0.0, -2.0, 1.0}, 2, {2.0, 0.0}, {0.0, 0.0}, ClosedFormEps},
        // 3 = 0.
        TFixedCase{"NonzeroConstant", {3.0, 0.0, 0.0}, RootsNone, {0.0, 0.0}, {0.0, 0.0}, 0.0},
        // 0 = 0.
        TFixedCase{"ZeroPolynomial", {0.0, 0.0, 0.0}, RootsEveryX, {0.0, 0.0}, {0.0, 0.0}, 0.0},
        // 6 - 2X: falls back to the linear root 3.
        TFixedCase{"LinearFallback", {6.0, -2.0, 0.0}, 1, {3.0, 0.0}, {0.0, 0.0}, ClosedFormEps}),
    CaseName<TFixedCase>);

INSTANTIATE_TEST_SUITE_P(
    Cubic, FixedDegreeTest,
    testing::Values(
        // (X - 1)(X - 2)(X - 3): Theta = pi/6 gives 1, 3, 2 in that order.
        TFixedCase{"ThreeReal", {-6.0, 11.0, -6.0, 1.0}, 3, {1.0, 3.0, 2.0}, {0.0, 0.0, 0.0}, ClosedFormEps},
        // 2 (X - 1)(X - 2)(X - 3): the normalisation by the leading coefficient.
        TFixedCase{"NonMonic", {-12.0, 22.0, -12.0, 2.0}, 3, {1.0, 3.0, 2.0}, {0.0, 0.0, 0.0}, ClosedFormEps},
        // X^3 - 1: 1 and the pair -1/2 +- i sqrt(3)/2.
        TFixedCase{"CubeRootsOfUnity", {-1.0, 0.0, 0.0, 1.0}, 1, {1.0, -0.5, -0.5}, {0.0, H3, -H3}, ClosedFormEps},
        // (X - 1)^3: Q = R = 0 takes the one-real-root branch, whose pair
        // degenerates to the real double root; the count stays 1.
        TFixedCase{"TripleRoot", {-1.0, 3.0, -3.0, 1.0}, 1, {1.0, 1.0, 1.0}, {0.0, 0.0, 0.0}, ClosedFormEps},
        // X (X - 1)(X - 2): the quadratic's roots, then the zero root last.
        TFixedCase{"ZeroConstant", {0.0, 2.0, -3.0, 1.0}, 3, {2.0, 1.0, 0.0}, {0.0, 0.0, 0.0}, ClosedFormEps},
        // (X - 1)(X - 2) with a zero cubic term: the quadratic.
        TFixedCase{"QuadraticFallback", {2.0, -3.0, 1.0, 0.0}, 2, {2.0, 1.0, 0.0}, {0.0, 0.0, 0.0}, ClosedFormEps},
        // 5 = 0 through two fallbacks.
        TFixedCase{"ConstantFallback", {5.0, 0.0, 0.0, 0.0}, RootsNone, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, 0.0}),
    CaseName<TFixedCase>);

INSTANTIATE_TEST_SUITE_P(
    Quartic, FixedDegreeTest,
    testing::Values(
        // (X-1)(X-2)(X-3)(X-4): the factor pairs are {1, 2} and {4, 3}.
        TFixedCase{"FourReal", {24.0, -50.0, 35.0, -10.0, 1.0}, 4, {1.0, 2.0, 4.0, 3.0}, {0.0, 0.0, 0.0, 0.0},
                   ClosedFormEps},
        // (X^2 - 1)(X^2 - 4): Q = 0, resolvent root Z = 9/4, factors
        // X^2 + 3X + 2 and X^2 - 3X + 2.
        TFixedCase{"Biquadratic", {4.0, 0.0, -5.0, 0.0, 1.0}, 4, {-2.0, -1.0, 2.0, 1.0}, {0.0, 0.0, 0.0, 0.0},
                   ClosedFormEps},
        // X^4 + 1: Q = 0 with V1 < 0 takes the quadratic resolvent, Z = 1/2,
        // factors X^2 + sqrt2 X + 1 and X^2 - sqrt2 X + 1.
        TFixedCase{"FourthRootsOfMinusOne", {1.0, 0.0, 0.0, 0.0, 1.0}, 0, {-S2, -S2, S2, S2}, {S2i, -S2i, S2i, -S2i},
                   ClosedFormEps},
        // X (X-1)(X-2)(X-3): the cubic's 1, 3, 2, then the zero root.
        TFixedCase{"ZeroConstant", {0.0, -6.0, 11.0, -6.0, 1.0}, 4, {1.0, 3.0, 2.0, 0.0}, {0.0, 0.0, 0.0, 0.0},
                   ClosedFormEps},
        // (X-1)(X-2)(X-3) with a zero quartic term: the cubic.
        TFixedCase{"CubicFallback", {-6.0, 11.0, -6.0, 1.0, 0.0}, 3, {1.0, 3.0, 2.0, 0.0}, {0.0, 0.0, 0.0, 0.0},
                   ClosedFormEps},
        // 0 = 0 through three fallbacks.
        TFixedCase{"ZeroPolynomial", {0.0, 0.0, 0.0, 0.0, 0.0}, RootsEveryX, {0.0, 0.0, 0.0, 0.0},
                   {0.0, 0.0, 0.0, 0.0}, 0.0}),
    CaseName<TFixedCase>);

// (X - 1.3)^2 (X - 5.5) as rounded coefficients sits on the boundary
// R^2 = Q^3 between the two branches of the cubic. Evaluated without fused
// multiply-adds, R^2 < Q^3 holds while R / (Q sqrt Q) rounds to
// -1.0000000000000002, and the trigonometric branch must still give finite
// roots (arccos(-1) = pi: the double root first and last, count 3). A fused
// evaluation may take the one-real-root branch instead (count 1, a pair
// with a tiny imaginary part), so both counts are accepted and the roots are
// compared as a set. Basis: a double root moves by the square root of a
// perturbation, so 4 sqrt(eps) times the largest root.
TEST(CubicRoots, DoubleRootAtBranchBoundaryStaysFinite)
{
  const TVector Xr = RootSlots(3);
  const TVector Xi = RootSlots(3);
  const int Count = CubicRoots(MakeVector({-9.295000000000002, 15.99, -8.1, 1.0}), Xr, Xi);
  EXPECT_TRUE(Count == 3 || Count == 1) << "count " << Count;
  for (int I = 1; I <= 3; ++I)
    EXPECT_TRUE(std::isfinite(Xr[I]) && std::isfinite(Xi[I])) << "root " << I << ": " << Show(TComplex(Xr[I], Xi[I]));
  const Float Tol = 4.0 * std::sqrt(MachineEpsilon) * 5.5;
  ExpectRootsMatch(Xr, Xi, 3, {1.3, 1.3, 5.5}, [Tol](TComplex) { return Tol; });
}

// ---------------------------------------------------------------------------
// Fixed-degree solvers: polynomials built from known roots

struct TRootSetCase {
  std::string Name;
  std::vector<TComplex> Roots;  // complex roots once, with positive imaginary part
  Float Lead;
  const char* Limitation = nullptr;  // set: a known weakness of the method, skipped with this reason
};

class ClosedFormRootsTest : public testing::TestWithParam<TRootSetCase> {};

// Basis: the closed forms are accurate relative to the size of the roots, as
// long as the roots are apart and not clustered far from the origin (the
// shift to the depressed equation then cancels): 64 eps times the largest
// |root|, which also covers the rounding of the expanded coefficients. The
// quadratic's product-of-roots step keeps every root accurate relative to
// itself, so the quadratic is held to 16 eps of each root.
TEST_P(ClosedFormRootsTest, RecoversRoots)
{
  const TRootSetCase& Case = GetParam();
  if (Case.Limitation != nullptr)
    GTEST_SKIP() << Case.Limitation;
  const std::vector<TComplex> Expected = WithConjugates(Case.Roots);
  const int Deg = static_cast<int>(Expected.size());
  const TVector Xr = RootSlots(Deg);
  const TVector Xi = RootSlots(Deg);
  const int Count = SolveFixedDegree(Deg, MakeVector(ExpandRoots(Case.Roots, Case.Lead)), Xr, Xi);

  EXPECT_EQ(Count, CountReal(Expected));
  EXPECT_EQ(CountReal(Xi, Deg), CountReal(Expected));
  ExpectConjugatePairsAdjacent(Xr, Xi, Deg);
  Float Largest = 0.0;
  for (const TComplex& Z : Expected)
    Largest = std::max(Largest, std::abs(Z));
  if (Deg == 2)
    ExpectRootsMatch(Xr, Xi, Deg, Expected, [](TComplex Z) { return 16.0 * MachineEpsilon * std::abs(Z); });
  else
    ExpectRootsMatch(Xr, Xi, Deg, Expected, [Largest](TComplex) { return 64.0 * MachineEpsilon * Largest; });
}

INSTANTIATE_TEST_SUITE_P(
    KnownRoots, ClosedFormRootsTest,
    testing::Values(
        TRootSetCase{"QuadraticMixedSigns", {3.0, -7.0}, 1.0},
        // The small root would lose most of its digits to cancellation in
        // the textbook formula.
        TRootSetCase{"QuadraticWidelySpread", {1e-6, 1e6}, 1.0},
        TRootSetCase{"QuadraticComplexScaled", {TComplex(2.0, 3.0)}, 2.5},
        TRootSetCase{"QuadraticNegativeLead", {-0.25, 8.0}, -4.0},
        TRootSetCase{"CubicMixedSigns", {-2.0, 0.5, 3.0}, 1.0},
        TRootSetCase{"CubicRealAndPair", {1.5, TComplex(-1.0, 2.0)}, 3.0},
        TRootSetCase{"CubicNegativeLead", {-5.0, -1.0, 4.0}, -2.0},
        TRootSetCase{"CubicSmallImaginaryPart", {2.0, TComplex(1.0, 0.5)}, 1.0},
        TRootSetCase{"CubicLargeRoots", {100.0, 200.0, -300.0}, 1.0},
        TRootSetCase{"QuarticFourReal", {-3.0, -1.0, 2.0, 5.0}, 1.0},
        TRootSetCase{"QuarticTwoPairs", {TComplex(1.0, 2.0), TComplex(-3.0, 0.5)}, 1.0},
        TRootSetCase{"QuarticRealsAndPair", {-4.0, 3.0, TComplex(1.0, 2.0)}, 1.0},
        TRootSetCase{"QuarticNonMonic", {0.5, 1.5, -2.5, 4.0}, 3.0},
        // The real pair's mean -1 is 5e-8 from the mean of all four roots,
        // so the resolvent root Z = (5e-8)^2 is tiny against P^2; the cubic
        // formula finds it only to an absolute error of eps times the size
        // of the resolvent's coefficients, and S = sqrt(Z) then divides Q:
        // the roots come out wrong by about 1e-2.
        TRootSetCase{"QuarticResolventRootNearZero",
                     {2.5, -4.5, TComplex(-1.0 + 1e-7, 1.1)},
                     1.0,
                     "Ferrari's resolvent loses accuracy when its root Z is tiny against P^2 (one pair of roots "
                     "has nearly the mean of all four); errors up to 1e-2 for such inputs"}),
    CaseName<TRootSetCase>);

// ---------------------------------------------------------------------------
// Roots by companion-matrix eigenvalues

// Basis: the QR iteration on the balanced companion matrix is backward
// stable, so the computed roots are exact roots of a polynomial whose
// coefficients are off by a modest multiple of Deg eps relative. To first
// order that moves a root r by Deg eps sum |a_i| |r|^i / |p'(r)|
// (RootCondition). 16 times that bound; in trials with random separated
// roots the error stayed below 4 times it. The same bound covers the
// rounding of the coefficients expanded from the roots.
Float EigenRootTolerance(const std::vector<Float>& Coef, TComplex Z)
{
  const Float Deg = static_cast<Float>(Coef.size() - 1);
  return 16.0 * Deg * MachineEpsilon * RootCondition(Coef, Z);
}

class EigenRootsTest : public testing::TestWithParam<TRootSetCase> {};

TEST_P(EigenRootsTest, RecoversRoots)
{
  const TRootSetCase& Case = GetParam();
  const std::vector<TComplex> Expected = WithConjugates(Case.Roots);
  const int Deg = static_cast<int>(Expected.size());
  const std::vector<Float> Coef = ExpandRoots(Case.Roots, Case.Lead);
  const TVector Xr = RootSlots(Deg);
  const TVector Xi = RootSlots(Deg);
  const int Count = PolynomialRootsByEigen(MakeVector(Coef), Deg, Xr, Xi);

  EXPECT_EQ(Count, CountReal(Expected));
  EXPECT_EQ(CountReal(Xi, Deg), CountReal(Expected));
  ExpectConjugatePairsAdjacent(Xr, Xi, Deg);
  ExpectRootsMatch(Xr, Xi, Deg, Expected, [&Coef](TComplex Z) { return EigenRootTolerance(Coef, Z); });
}

INSTANTIATE_TEST_SUITE_P(
    KnownRoots, EigenRootsTest,
    testing::Values(TRootSetCase{"Linear", {2.5}, -4.0},
                    TRootSetCase{"QuadraticPair", {TComplex(0.3, 4.0)}, 1.0},
                    TRootSetCase{"RootsOneToFive", {1.0, 2.0, 3.0, 4.0, 5.0}, 1.0},
                    TRootSetCase{"MixedSignsDegreeSix", {1.0, -2.0, 0.5, 7.0, 3.0, -4.0}, 1.0},
                    TRootSetCase{"PairsAndReals", {TComplex(1.0, 1.0), TComplex(-2.0, 0.5), 3.0, -0.5}, 1.0},
                    TRootSetCase{"DegreeEight", {1.0, -1.0, 2.0, -2.0, 3.0, -3.0, 0.5, -0.25}, 1.0},
                    TRootSetCase{"ScaledNonMonic", {10.0, 20.0, -30.0, TComplex(40.0, 15.0)}, 1e-3},
                    TRootSetCase{"WideMagnitudes", {1e-3, 1.0, 1e3, TComplex(-5.0, 2.0)}, 1.0},
                    // Zero roots are split off and must come out exactly 0
                    // (their condition, and so the tolerance, is 0).
                    TRootSetCase{"ZeroRootsSplitOff", {0.0, 0.0, 0.5, -1.5, 2.0}, 1.0},
                    TRootSetCase{"ZeroRootAndPair", {0.0, TComplex(1.0, 3.0), -2.0}, 2.0}),
    CaseName<TRootSetCase>);

// The companion matrix converges from its bottom row up, which leaves the
// roots 1..5 in descending order.
TEST(EigenRoots, RootsOneToFiveInConvergenceOrder)
{
  const std::vector<Float> Coef = ExpandRoots({1.0, 2.0, 3.0, 4.0, 5.0}, 1.0);
  const TVector Xr = RootSlots(5);
  const TVector Xi = RootSlots(5);
  ASSERT_EQ(PolynomialRootsByEigen(MakeVector(Coef), 5, Xr, Xi), 5);
  for (int I = 1; I <= 5; ++I) {
    const Float Root = 6.0 - I;
    ExpectWithin(Xr[I], Root, EigenRootTolerance(Coef, Root), "Xr[" + std::to_string(I) + "]");
    EXPECT_EQ(Xi[I], 0.0) << "Xi[" << I << "]";
  }
}

// Degenerate input: the reduced polynomial (zero leading coefficients
// dropped, zero roots split off) must give exactly what solving it directly
// gives, with the zero roots after it and every unused slot 0.
struct TDegenerateCase {
  std::string Name;
  std::vector<Float> Coef;
  int Deg;
  int Code;
  std::vector<Float> Reduced;  // the polynomial left to the eigenvalues; empty when none
  int ZeroRoots;               // zero roots after the reduced polynomial's roots
};

class EigenDegenerateTest : public testing::TestWithParam<TDegenerateCase> {};

TEST_P(EigenDegenerateTest, SolvesReducedPolynomial)
{
  const TDegenerateCase& Case = GetParam();
  const int Slots = std::max(Case.Deg, 1);
  const TVector Xr = RootSlots(Slots);
  const TVector Xi = RootSlots(Slots);
  EXPECT_EQ(PolynomialRootsByEigen(MakeVector(Case.Coef), Case.Deg, Xr, Xi), Case.Code);

  // Same computation on the reduced polynomial: equal to the last bit.
  const int N = static_cast<int>(Case.Reduced.size()) - 1;
  if (N >= 1) {
    const TVector Yr = RootSlots(N);
    const TVector Yi = RootSlots(N);
    EXPECT_EQ(PolynomialRootsByEigen(MakeVector(Case.Reduced), N, Yr, Yi) + Case.ZeroRoots, Case.Code);
    for (int I = 1; I <= N; ++I) {
      EXPECT_EQ(Xr[I], Yr[I]) << "Xr[" << I << "]";
      EXPECT_EQ(Xi[I], Yi[I]) << "Xi[" << I << "]";
    }
  }
  // Zero roots and unused slots.
  for (int I = std::max(N, 0) + 1; I <= Case.Deg; ++I) {
    EXPECT_EQ(Xr[I], 0.0) << "Xr[" << I << "]";
    EXPECT_EQ(Xi[I], 0.0) << "Xi[" << I << "]";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Reduction, EigenDegenerateTest,
    testing::Values(
        // X (X-1)(X-2)(X-3)(X-4)(X-5): unreduced, balancing would exchange the
        // zero root's column and the other roots would come out wrong.
        TDegenerateCase{"ZeroConstant", {0.0, -120.0, 274.0, -225.0, 85.0, -15.0, 1.0}, 6, 6,
                        {-120.0, 274.0, -225.0, 85.0, -15.0, 1.0}, 1},
        // X^2 (X-1)(X+2)(X-3): a double zero root.
        TDegenerateCase{"DoubleZeroRoot", {0.0, 0.0, 6.0, -5.0, -2.0, 1.0}, 5, 5, {6.0, -5.0, -2.0, 1.0}, 2},
        // 2 X^3: every root is 0.
        TDegenerateCase{"AllRootsZero", {0.0, 0.0, 0.0, 2.0}, 3, 3, {}, 3},
        // (X-1)(X-2)(X-3) with two zero leading coefficients: slots 4, 5
        // stay 0 and are not counted.
        TDegenerateCase{"LeadingZeros", {-6.0, 11.0, -6.0, 1.0, 0.0, 0.0}, 5, 3, {-6.0, 11.0, -6.0, 1.0}, 0},
        // X (X-1)(X-2)(X-3) with a zero leading coefficient: zero root in
        // slot 4, slot 5 unused.
        TDegenerateCase{"LeadingZeroAndZeroRoot", {0.0, -6.0, 11.0, -6.0, 1.0, 0.0}, 5, 4, {-6.0, 11.0, -6.0, 1.0},
                        1},
        // 5 = 0 after dropping zero leading coefficients: no root.
        TDegenerateCase{"NonzeroConstant", {5.0, 0.0, 0.0}, 2, RootsNone, {}, 0},
        // 0 = 0: every X.
        TDegenerateCase{"ZeroPolynomial", {0.0, 0.0, 0.0}, 2, RootsEveryX, {}, 0},
        // Degree 0 handed in directly.
        TDegenerateCase{"DegreeZeroNonzero", {5.0}, 0, RootsNone, {}, 0},
        TDegenerateCase{"DegreeZeroZero", {0.0}, 0, RootsEveryX, {}, 0}),
    CaseName<TDegenerateCase>);

// A NaN coefficient poisons the companion matrix; no split is ever found,
// so the iteration budget runs out at the first eigenvalue sought, the last
// index of the 5 x 5 companion matrix, and the status -4 is passed on (no
// hang, no throw).
TEST(EigenRoots, NaNCoefficientFailsWithStatus)
{
  std::vector<Float> Coef = ExpandRoots({1.0, 2.0, 3.0, 4.0, 5.0}, 1.0);
  Coef[2] = NaN;
  const TVector Xr = RootSlots(5);
  const TVector Xi = RootSlots(5);
  EXPECT_EQ(PolynomialRootsByEigen(MakeVector(Coef), 5, Xr, Xi), -4);
}

// ---------------------------------------------------------------------------
// LargestRealRoot

struct TLargestCase {
  std::string Name;
  std::vector<Float> Xr;  // at indexes 1..
  std::vector<Float> Xi;
  int N;
  Float Expected;
};

class LargestRealRootTest : public testing::TestWithParam<TLargestCase> {};

TEST_P(LargestRealRootTest, PicksLargestReal)
{
  const TLargestCase& Case = GetParam();
  std::vector<Float> Xr{99.0};
  std::vector<Float> Xi{0.0};  // index 0 holds a larger "real root" that must not be read
  Xr.insert(Xr.end(), Case.Xr.begin(), Case.Xr.end());
  Xi.insert(Xi.end(), Case.Xi.begin(), Case.Xi.end());
  EXPECT_EQ(LargestRealRoot(Case.N, MakeVector(Xr), MakeVector(Xi)), Case.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Selection, LargestRealRootTest,
    testing::Values(TLargestCase{"AllComplex", {1.0, 1.0, -2.0, -2.0}, {1.0, -1.0, 3.0, -3.0}, 4, -MaxFloat},
                    TLargestCase{"ComplexWithLargerRealPartIgnored", {5.0, 5.0, 2.0}, {1.0, -1.0, 0.0}, 3, 2.0},
                    TLargestCase{"AllNegative", {-3.0, -0.5, -7.0}, {0.0, 0.0, 0.0}, 3, -0.5},
                    TLargestCase{"OnlyFirstNCount", {1.0, 4.0, 9.0}, {0.0, 0.0, 0.0}, 2, 4.0},
                    TLargestCase{"NoneToLookAt", {1.0}, {0.0}, 0, -MaxFloat}),
    CaseName<TLargestCase>);

// ---------------------------------------------------------------------------
// HessenbergQREigen

// Tridiagonal matrix with Diag on the diagonal, Super above and Sub below.
// With Super * Sub > 0 its eigenvalues are
// Diag + 2 sqrt(Super Sub) cos(k pi / (N + 1)), k = 1..N; with Super * Sub < 0
// the same with the square root times i. It is diagonally similar to the
// symmetric (or skew) matrix with sqrt|Super Sub| off the diagonal through a
// diagonal matrix of condition |Super / Sub|^((N - 1) / 2).
TRows Tridiagonal(int N, Float Diag, Float Super, Float Sub)
{
  TRows Rows(N, std::vector<Float>(N, 0.0));
  for (int I = 0; I < N; ++I) {
    Rows[I][I] = Diag;
    if (I + 1 < N) {
      Rows[I][I + 1] = Super;
      Rows[I + 1][I] = Sub;
    }
  }
  return Rows;
}

std::vector<TComplex> TridiagonalEigenvalues(int N, Float Diag, Float Super, Float Sub)
{
  std::vector<TComplex> Values;
  const Float Root = std::sqrt(std::fabs(Super * Sub));
  for (int K = 1; K <= N; ++K) {
    const Float Offset = 2.0 * Root * std::cos(K * std::numbers::pi / (N + 1));
    Values.push_back(Super * Sub > 0.0 ? TComplex(Diag + Offset, 0.0) : TComplex(Diag, Offset));
  }
  return Values;
}

Float TridiagonalCondition(int N, Float Super, Float Sub)
{
  return std::pow(std::fabs(Super / Sub), (N - 1) / 2.0);
}

Float OneNorm(const TRows& Rows)
{
  Float Norm = 0.0;
  for (std::size_t J = 0; J < Rows.size(); ++J) {
    Float Column = 0.0;
    for (const std::vector<Float>& Row : Rows)
      Column += std::fabs(Row[J]);
    Norm = std::max(Norm, Column);
  }
  return Norm;
}

struct THessenbergCase {
  std::string Name;
  TRows Rows;  // upper Hessenberg
  int Low;
  int Igh;
  std::vector<TComplex> Eigenvalues;
  Float Condition;  // of the eigenvector matrix; 1 when normal, and for a triangular matrix, which needs no iteration
};

class HessenbergEigenTest : public testing::TestWithParam<THessenbergCase> {};

// Basis: the QR iteration is backward stable, the eigenvalues are exact for
// A + E with |E| of a modest multiple of N eps |A|; by Bauer-Fike they move
// by at most the eigenvector condition times |E|: 16 N eps |A|_1 Condition.
TEST_P(HessenbergEigenTest, KnownEigenvalues)
{
  const THessenbergCase& Case = GetParam();
  const int N = static_cast<int>(Case.Rows.size());
  const TVector Wr = RootSlots(N);
  const TVector Wi = RootSlots(N);
  ASSERT_EQ(HessenbergQREigen(MakeMatrix(Case.Rows), 0, N - 1, Case.Low, Case.Igh, Wr, Wi), SolveOk);

  // The eigenvalues are compared at 1..N.
  const TVector Xr = RootSlots(N);
  const TVector Xi = RootSlots(N);
  for (int I = 0; I < N; ++I) {
    Xr[I + 1] = Wr[I];
    Xi[I + 1] = Wi[I];
  }
  ExpectConjugatePairsAdjacent(Xr, Xi, N);
  const Float Tol = 16.0 * N * MachineEpsilon * OneNorm(Case.Rows) * Case.Condition;
  ExpectRootsMatch(Xr, Xi, N, Case.Eigenvalues, [Tol](TComplex) { return Tol; });

  // Rows outside Low..Igh are isolated: their eigenvalue is the diagonal element.
  for (int I = 0; I < N; ++I)
    if (I < Case.Low || I > Case.Igh) {
      EXPECT_EQ(Wr[I], Case.Rows[I][I]) << "Wr[" << I << "]";
      EXPECT_EQ(Wi[I], 0.0) << "Wi[" << I << "]";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Known, HessenbergEigenTest,
    testing::Values(
        THessenbergCase{"UpperTriangular", {{1.0, 5.0, -2.0}, {0.0, 2.0, 7.0}, {0.0, 0.0, 3.0}}, 0, 2, {1.0, 2.0, 3.0},
                        1.0},
        THessenbergCase{"Rotation", {{0.0, -1.0}, {1.0, 0.0}}, 0, 1, {TComplex(0.0, 1.0), TComplex(0.0, -1.0)}, 1.0},
        // Cyclic permutations (orthogonal): the plain double-shift step
        // stalls on them and only the exceptional shift gets them moving.
        // Eigenvalues: the cube and the fourth roots of unity.
        THessenbergCase{"CyclicPermutationThree",
                        {{0.0, 0.0, 1.0}, {1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}},
                        0,
                        2,
                        {1.0, TComplex(-0.5, H3), TComplex(-0.5, -H3)},
                        1.0},
        THessenbergCase{"CyclicPermutationFour",
                        {{0.0, 0.0, 0.0, 1.0}, {1.0, 0.0, 0.0, 0.0}, {0.0, 1.0, 0.0, 0.0}, {0.0, 0.0, 1.0, 0.0}},
                        0,
                        3,
                        {1.0, -1.0, TComplex(0.0, 1.0), TComplex(0.0, -1.0)},
                        1.0},
        THessenbergCase{"TridiagonalReal", Tridiagonal(6, 1.0, 2.0, 0.5), 0, 5,
                        TridiagonalEigenvalues(6, 1.0, 2.0, 0.5), TridiagonalCondition(6, 2.0, 0.5)},
        THessenbergCase{"TridiagonalComplex", Tridiagonal(6, 1.0, 2.0, -0.5), 0, 5,
                        TridiagonalEigenvalues(6, 1.0, 2.0, -0.5), TridiagonalCondition(6, 2.0, -0.5)},
        THessenbergCase{"TridiagonalSymmetricEight", Tridiagonal(8, -3.0, 1.5, 1.5), 0, 7,
                        TridiagonalEigenvalues(8, -3.0, 1.5, 1.5), 1.0},
        // Row 0 and row 4 isolated (A[1][0] = A[4][3] = 0); the block 1..3 is
        // the tridiagonal (2, 1, 1) with eigenvalues 2 - sqrt2, 2, 2 + sqrt2.
        THessenbergCase{"IsolatedEnds",
                        {{9.0, 1.0, 2.0, 3.0, 4.0},
                         {0.0, 2.0, 1.0, 0.0, 5.0},
                         {0.0, 1.0, 2.0, 1.0, 6.0},
                         {0.0, 0.0, 1.0, 2.0, 7.0},
                         {0.0, 0.0, 0.0, 0.0, -8.0}},
                        1,
                        3,
                        {9.0, 2.0 - std::numbers::sqrt2, 2.0, 2.0 + std::numbers::sqrt2, -8.0},
                        1.0}),
    CaseName<THessenbergCase>);

// With Lb = 1 nothing in row or column 0 is read or written: they hold NaN,
// which would spread into every eigenvalue.
TEST(HessenbergEigen, LowerBoundOneLeavesIndexZeroAlone)
{
  const TRows Rows{{NaN, NaN, NaN, NaN}, {NaN, 1.0, 2.0, 0.0}, {NaN, 0.5, 1.0, 2.0}, {NaN, 0.0, 0.5, 1.0}};
  const TVector Wr = RootSlots(3);
  const TVector Wi = RootSlots(3);
  ASSERT_EQ(HessenbergQREigen(MakeMatrix(Rows), 1, 3, 1, 3, Wr, Wi), SolveOk);
  EXPECT_EQ(Wr[0], 99.0);
  EXPECT_EQ(Wi[0], 99.0);
  const Float Tol = 16.0 * 3 * MachineEpsilon * OneNorm(Tridiagonal(3, 1.0, 2.0, 0.5)) * TridiagonalCondition(3, 2.0, 0.5);
  ExpectRootsMatch(Wr, Wi, 3, TridiagonalEigenvalues(3, 1.0, 2.0, 0.5), [Tol](TComplex) { return Tol; });
}

// A NaN never lets a subdiagonal element become negligible, so the budget
// of 30 iterations per row runs out while the last eigenvalue (index 2) is
// sought.
TEST(HessenbergEigen, BudgetRunsOutOnNaN)
{
  const TRows Rows{{NaN, 1.0, 2.0}, {1.0, 3.0, 4.0}, {0.0, 1.0, 5.0}};
  const TVector Wr = RootSlots(2);
  const TVector Wi = RootSlots(2);
  EXPECT_EQ(HessenbergQREigen(MakeMatrix(Rows), 0, 2, 0, 2, Wr, Wi), -2);
}

// ---------------------------------------------------------------------------
// BalanceMatrix

// True when both are NaN or both are equal.
bool SameValue(Float A, Float B) { return (std::isnan(A) && std::isnan(B)) || A == B; }

struct TBalanceCase {
  std::string Name;
  TRows Rows;
  TRows Expected;
  int Low;
  int Igh;
  std::vector<Float> Scale;
};

class BalanceExactTest : public testing::TestWithParam<TBalanceCase> {};

// Exchanges and power-of-2 scalings are exact, so the result is compared
// exactly with the hand-derived one.
TEST_P(BalanceExactTest, MatchesHandDerivation)
{
  const TBalanceCase& Case = GetParam();
  const int N = static_cast<int>(Case.Rows.size());
  const TMatrix A = MakeMatrix(Case.Rows);
  const TVector Scale = RootSlots(N - 1);
  int Low = -1;
  int Igh = -1;
  BalanceMatrix(A, 0, N - 1, Low, Igh, Scale);
  EXPECT_EQ(Low, Case.Low);
  EXPECT_EQ(Igh, Case.Igh);
  for (int I = 0; I < N; ++I) {
    EXPECT_EQ(Scale[I], Case.Scale[I]) << "Scale[" << I << "]";
    for (int J = 0; J < N; ++J)
      EXPECT_TRUE(SameValue(A[I][J], Case.Expected[I][J]))
          << "A[" << I << "][" << J << "]: actual " << Show(A[I][J]) << ", expected " << Show(Case.Expected[I][J]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Exact, BalanceExactTest,
    testing::Values(
        // Row 0 is isolated: exchanged with row/column 2 (Scale[2] = 0),
        // Igh = 1; the block left is balanced already (C, R = 3, 5).
        TBalanceCase{"RowIsolatedMovesDown",
                     {{7.0, 0.0, 0.0}, {1.0, 2.0, 3.0}, {4.0, 5.0, 6.0}},
                     {{6.0, 5.0, 4.0}, {3.0, 2.0, 1.0}, {0.0, 0.0, 7.0}},
                     0,
                     1,
                     {1.0, 1.0, 0.0}},
        // Column 0 is isolated in place: Low = 1, Scale[0] = 0.
        TBalanceCase{"ColumnIsolatedInPlace",
                     {{1.0, 2.0, 3.0}, {0.0, 4.0, 5.0}, {0.0, 6.0, 7.0}},
                     {{1.0, 2.0, 3.0}, {0.0, 4.0, 5.0}, {0.0, 6.0, 7.0}},
                     1,
                     2,
                     {0.0, 1.0, 1.0}},
        // Column 2 is isolated: exchanged with row/column 0 (Scale[0] = 2).
        TBalanceCase{"ColumnIsolatedMovesUp",
                     {{4.0, 5.0, 0.0}, {6.0, 7.0, 0.0}, {1.0, 2.0, 3.0}},
                     {{3.0, 2.0, 1.0}, {0.0, 7.0, 6.0}, {0.0, 5.0, 4.0}},
                     1,
                     2,
                     {2.0, 1.0, 1.0}},
        // Upper triangular: rows 2, 1, 0 isolate in turn; Igh returns to 0
        // and the scale of the one-element block is 1.
        TBalanceCase{"UpperTriangular",
                     {{1.0, 2.0, 3.0}, {0.0, 4.0, 5.0}, {0.0, 0.0, 6.0}},
                     {{1.0, 2.0, 3.0}, {0.0, 4.0, 5.0}, {0.0, 0.0, 6.0}},
                     0,
                     0,
                     {1.0, 1.0, 2.0}},
        // C = 1, R = 64 at index 0: F = 8 gives C, R = 8, 8; then balanced.
        TBalanceCase{"PowerOfTwoScaling", {{1.0, 64.0}, {1.0, 1.0}}, {{1.0, 8.0}, {8.0, 1.0}}, 0, 1, {8.0, 1.0}},
        // Row 2 isolated in place (Scale[2] = 2, Igh = 1); the block 0..1
        // is scaled as in PowerOfTwoScaling, and row 0 is scaled beyond the
        // block too, out to the last column: 5 / 8 = 0.625.
        TBalanceCase{"ScalingBesideIsolatedRow",
                     {{1.0, 64.0, 5.0}, {1.0, 1.0, 3.0}, {0.0, 0.0, 7.0}},
                     {{1.0, 8.0, 0.625}, {8.0, 1.0, 3.0}, {0.0, 0.0, 7.0}},
                     0,
                     1,
                     {8.0, 1.0, 2.0}},
        // C = 2, R = 3: no power of 2 improves by 5%.
        TBalanceCase{"NearlyBalancedUnchanged", {{1.0, 3.0}, {2.0, 1.0}}, {{1.0, 3.0}, {2.0, 1.0}}, 0, 1, {1.0, 1.0}},
        // The radix search at index 0 overflows C to infinity while 2R is
        // infinite too: it must stop, and the scale then fails the test.
        TBalanceCase{"OverflowingRadixSearchStops",
                     {{0.0, 1.5e308}, {7e307, 0.0}},
                     {{0.0, 1.5e308}, {7e307, 0.0}},
                     0,
                     1,
                     {1.0, 1.0}},
        // An infinite row norm: the radix search at index 0 runs C up to
        // infinity against an infinite 2R and must stop; index 1 has an
        // infinite column norm. Nothing is scaled.
        TBalanceCase{"InfiniteNorms", {{1.0, Inf}, {1.0, 2.0}}, {{1.0, Inf}, {1.0, 2.0}}, 0, 1, {1.0, 1.0}},
        // Not finite: nothing is isolated or scaled, and the call returns.
        TBalanceCase{"NonFinite", {{1.0, Inf}, {NaN, 2.0}}, {{1.0, Inf}, {NaN, 2.0}}, 0, 1, {1.0, 1.0}}),
    CaseName<TBalanceCase>);

// A tridiagonal matrix with known eigenvalues, spoiled by the diagonal
// similarity D T D^-1 (D powers of 2 from 2^-15 to 2^30): balancing must be
// an exact similarity by powers of 2, shrink the matrix, and leave the
// eigenvalues where they were.
TEST(Balance, KeepsEigenvaluesOfBadlyScaledMatrix)
{
  const int N = 5;
  const TRows T = Tridiagonal(N, 1.0, 2.0, 0.5);
  const std::vector<Float> D{1.0, std::ldexp(1.0, 20), std::ldexp(1.0, -15), std::ldexp(1.0, 30), std::ldexp(1.0, -5)};
  TRows Rows = T;
  for (int I = 0; I < N; ++I)
    for (int J = 0; J < N; ++J)
      Rows[I][J] = D[I] * T[I][J] / D[J];

  const TMatrix A = MakeMatrix(Rows);
  const TVector Scale = RootSlots(N - 1);
  int Low = -1;
  int Igh = -1;
  BalanceMatrix(A, 0, N - 1, Low, Igh, Scale);
  ASSERT_EQ(Low, 0);
  ASSERT_EQ(Igh, N - 1);

  TRows Balanced = Rows;
  for (int I = 0; I < N; ++I) {
    int Exponent = 0;
    EXPECT_EQ(std::frexp(Scale[I], &Exponent), 0.5) << "Scale[" << I << "] = " << Show(Scale[I]);
    for (int J = 0; J < N; ++J) {
      EXPECT_EQ(A[I][J], Rows[I][J] * Scale[J] / Scale[I]) << "A[" << I << "][" << J << "]";
      Balanced[I][J] = A[I][J];
    }
  }
  EXPECT_LT(OneNorm(Balanced), 1e-6 * OneNorm(Rows));

  // Basis as in HessenbergEigenTest, with the norm of the balanced matrix.
  const TVector Wr = RootSlots(N);
  const TVector Wi = RootSlots(N);
  ASSERT_EQ(HessenbergQREigen(A, 0, N - 1, Low, Igh, Wr, Wi), SolveOk);
  const TVector Xr = RootSlots(N);
  const TVector Xi = RootSlots(N);
  for (int I = 0; I < N; ++I) {
    Xr[I + 1] = Wr[I];
    Xi[I + 1] = Wi[I];
  }
  const Float Tol = 16.0 * N * MachineEpsilon * OneNorm(Balanced) * TridiagonalCondition(N, 2.0, 0.5);
  ExpectRootsMatch(Xr, Xi, N, TridiagonalEigenvalues(N, 1.0, 2.0, 0.5), [Tol](TComplex) { return Tol; });
}

}  // namespace
}  // namespace Titrelle
