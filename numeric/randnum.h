// Random numbers: a combined multiply-with-carry generator of 32-bit
// integers, uniform and normal deviates, and normal vectors.
#pragma once

#include <cstdint>

#include "numeric/matrices.h"

namespace Titrelle {

// Restarts the integer sequence; a cached normal deviate stays pending.
void SeedRandom(std::uint32_t Seed1, std::uint32_t Seed2);
std::int32_t RandomInt32();
// Uniform in [0, 1) with a resolution of 2^-32.
Float RandomUniform();
// Standard normal deviate (Box-Muller, one pair per two calls).
Float RandomGauss();
Float RandomNormal(Float Mu, Float Sigma);
// X[I] := RandomNormal(Mu[I], Sigma[I]) for I = Lb..Ub in increasing I.
void RandomIndependentNormal(const TVector& Mu, const TVector& Sigma, int Lb, int Ub, const TVector& X);
// X := Mu + L U with fresh standard normal U; L is a lower-triangular
// covariance factor (only its lower triangle and diagonal are read).
void RandomMultiNormal(const TVector& Mu, const TMatrix& L, int Lb, int Ub, const TVector& X);

// Start-up step: empties the normal cache and seeds with 1802 and 9373.
void InitRandnum();

// The platform's own random source, seeded from the clock, from which the
// stochastic minimisers draw their seeds. A test may replace it to make those
// runs reproducible; nullptr restores the clock-seeded source.
using TPlatformRandomSource = int (*)(int Range);
// An integer uniform in 0..Range-1 (Range >= 1) from the current source.
int PlatformRandom(int Range);
void SetPlatformRandomSource(TPlatformRandomSource Source);

}  // namespace Titrelle
