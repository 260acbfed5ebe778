// Analytic model derivatives checked against central differences.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "TestVectors.h"

namespace Titrelle::Testing {

using TValueFn = std::function<Float(Float, const TVector&)>;
using TDerivFn = std::function<void(Float, Float, const TVector&, const TVector&)>;

// Analytic derivatives over B[Lb..Ub] against central differences with step
// h = 1e-5 max(1, |Bk|). For a function smooth on the scale of the
// parameters the truncation error h^2 f'''/6 is near 1e-10 of the value and
// the rounding error eps |f| / h near 2e-11 of it, so agreement within 1e-6
// of the derivative, with a floor of 1e-9 (1 + |Y|) for derivatives near 0,
// leaves a wide margin while a wrong sign or factor fails at once.
inline void ExpectDerivativesMatchDifferences(const TValueFn& Value, const TDerivFn& Derivatives, const TVector& B,
                                              Float X, int Lb, int Ub, const std::string& Label)
{
  const Float Y = Value(X, B);
  TVector D;
  AllocVector(D, B.Size() - 1);
  Derivatives(X, Y, B, D);
  for (int K = Lb; K <= Ub; ++K) {
    const Float H = 1e-5 * std::max(1.0, std::fabs(B[K]));
    TVector Bp = Copy(B), Bm = Copy(B);
    Bp[K] = B[K] + H;
    Bm[K] = B[K] - H;
    const Float Difference = (Value(X, Bp) - Value(X, Bm)) / (2.0 * H);
    const Float Tol = 1e-6 * std::fabs(Difference) + 1e-9 * (1.0 + std::fabs(Y));
    EXPECT_NEAR(D[K], Difference, Tol) << Label << ": dY/dB" << K << " at X = " << X << ", analytic " << D[K]
                                       << ", central difference " << Difference;
  }
}

}  // namespace Titrelle::Testing
