#include "numeric/randnum.h"

#include <chrono>
#include <cmath>
#include <random>

namespace Titrelle {

namespace {

constexpr Float TwoPi = 6.283185307179586;

struct TRandomState {
  std::uint32_t X1 = 1802;
  std::uint32_t X2 = 9373;
  std::uint32_t C1 = 0;
  std::uint32_t C2 = 0;
  Float GaussCached = 0.0;
  bool GaussHaveCached = false;
};

TRandomState State;

int ClockSeededRandom(int Range)
{
  static std::mt19937 Engine(static_cast<std::mt19937::result_type>(
    std::chrono::high_resolution_clock::now().time_since_epoch().count()));
  return std::uniform_int_distribution<int>(0, Range - 1)(Engine);
}

TPlatformRandomSource PlatformSource = ClockSeededRandom;

}  // namespace

int PlatformRandom(int Range) { return PlatformSource(Range); }

void SetPlatformRandomSource(TPlatformRandomSource Source)
{
  PlatformSource = Source != nullptr ? Source : ClockSeededRandom;
}

void InitRandnum()
{
  State.GaussCached = 0.0;
  State.GaussHaveCached = false;
  SeedRandom(1802, 9373);
}

void SeedRandom(std::uint32_t Seed1, std::uint32_t Seed2)
{
  State.X1 = Seed1;
  State.X2 = Seed2;
  State.C1 = 0;
  State.C2 = 0;
}

std::int32_t RandomInt32()
{
  // Unsigned arithmetic wraps modulo 2^32 as the generator requires.
  const std::uint32_t T1 = 18000u * State.X1 + State.C1;
  State.X1 = T1 & 0xFFFFu;
  State.C1 = T1 >> 16;
  const std::uint32_t T2 = 30903u * State.X2 + State.C2;
  State.X2 = T2 & 0xFFFFu;
  State.C2 = T2 >> 16;
  return static_cast<std::int32_t>((State.X1 << 16) + State.X2);
}

Float RandomUniform() { return (static_cast<Float>(RandomInt32()) + 2147483648.0) / 4294967296.0; }

Float RandomGauss()
{
  Float Result;
  if (State.GaussHaveCached) {
    Result = State.GaussCached;
  } else {
    // A zero draw would make the logarithm infinite; it is drawn again.
    Float U;
    do
      U = RandomUniform();
    while (U <= 0.0);
    const Float R = std::sqrt(-2.0 * std::log(U));
    const Float Theta = TwoPi * RandomUniform();
    Result = R * std::cos(Theta);
    State.GaussCached = R * std::sin(Theta);
  }
  State.GaussHaveCached = !State.GaussHaveCached;
  return Result;
}

Float RandomNormal(Float Mu, Float Sigma) { return Mu + Sigma * RandomGauss(); }

void RandomIndependentNormal(const TVector& Mu, const TVector& Sigma, int Lb, int Ub, const TVector& X)
{
  for (int I = Lb; I <= Ub; ++I)
    X[I] = RandomNormal(Mu[I], Sigma[I]);
}

void RandomMultiNormal(const TVector& Mu, const TMatrix& L, int Lb, int Ub, const TVector& X)
{
  TVector U;
  AllocVector(U, Ub);
  for (int I = Lb; I <= Ub; ++I)
    U[I] = RandomGauss();
  for (int J = Lb; J <= Ub; ++J) {
    Float Sum = 0.0;
    for (int K = Lb; K <= J; ++K)
      Sum = Sum + L[J][K] * U[K];
    X[J] = Mu[J] + Sum;
  }
}

}  // namespace Titrelle
