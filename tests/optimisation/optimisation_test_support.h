// Helpers shared by the optimisation tests: vectors from lists, a record of
// the points an objective was evaluated at, and a reproducible stand-in for
// the platform's clock-seeded random source.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "numeric/matrices.h"
#include "numeric/randnum.h"

namespace Titrelle::Testing {

// A vector holding Values at Lb, Lb+1, ...; the elements below Lb hold Marker.
inline TVector MakeVector(std::initializer_list<Float> Values, int Lb = 1, Float Marker = 0.0)
{
  TVector V;
  AllocVector(V, Lb + static_cast<int>(Values.size()) - 1);
  for (int I = 0; I < Lb; ++I)
    V[I] = Marker;
  int I = Lb;
  for (Float X : Values)
    V[I++] = X;
  return V;
}

// The points an objective was called with, elements RecordLb..RecordUb of
// each. Objectives are plain function pointers, so the record is file-level
// state; a test resets it with ResetRecord before a run.
inline std::vector<std::vector<Float>> RecordedPoints;
inline int RecordLb = 1;
inline int RecordUb = 1;

inline void ResetRecord(int Lb, int Ub)
{
  RecordedPoints.clear();
  RecordLb = Lb;
  RecordUb = Ub;
}

inline void Record(const TVector& X)
{
  std::vector<Float> Point;
  for (int I = RecordLb; I <= RecordUb; ++I)
    Point.push_back(X[I]);
  RecordedPoints.push_back(Point);
}

inline int RecordedCalls() { return static_cast<int>(RecordedPoints.size()); }

// Reproducible platform source: a 32-bit linear congruential sequence from
// SourceState. Tests install it in SetUp and restore the clock-seeded source
// (SetPlatformRandomSource(nullptr)) in TearDown.
inline std::uint32_t SourceState = 1;

inline int DeterministicSource(int Range)
{
  SourceState = SourceState * 1664525u + 1013904223u;
  return static_cast<int>((SourceState >> 8) % static_cast<std::uint32_t>(Range));
}

// A platform source that returns queued values in order (then 0), for tests
// that need particular seeds.
inline std::vector<int> QueuedSourceValues;
inline std::size_t QueuedSourceNext = 0;

inline int QueuedSource(int Range)
{
  const int Value = QueuedSourceNext < QueuedSourceValues.size() ? QueuedSourceValues[QueuedSourceNext] : 0;
  ++QueuedSourceNext;
  return Value % Range;
}

inline void QueueSourceValues(std::vector<int> Values)
{
  QueuedSourceValues = std::move(Values);
  QueuedSourceNext = 0;
}

// Objectives that ignore X and follow the count of their own calls, which
// makes an annealing run deterministic whatever the random moves are. The
// first 52 calls of a cycle are its start value, the start value of the
// temperature probes and the 50 probes.
inline int ObjectiveCalls = 0;

// Every trial ties with the current point (DeltaF = 0): counted as uphill,
// always accepted.
inline Float FlatObjective(const TVector&)
{
  ++ObjectiveCalls;
  return 2.0;
}

// Every call is lower than all before it: every probe and trial is downhill.
inline Float EverLowerObjective(const TVector&)
{
  ++ObjectiveCalls;
  return -static_cast<Float>(ObjectiveCalls);
}

// The probes rise by 1 each (so the start temperature is 1 / ln 2); every
// later trial meets a wall of 1e300 and is rejected.
inline Float ProbesRiseThenWallObjective(const TVector&)
{
  ++ObjectiveCalls;
  return ObjectiveCalls <= 52 ? static_cast<Float>(ObjectiveCalls) : 1e300;
}

// Seeds (Seed1, Seed2) = (2048, 0) make the first RandomInt32 equal -2^31,
// so the first RandomUniform is exactly 0: 18000 * 2048 = 0x2328000 leaves
// X1 = 0x8000 and 30903 * 0 leaves X2 = 0, giving (0x8000 << 16) + 0.
inline constexpr std::uint32_t ZeroUniformSeed1 = 2048;
inline constexpr std::uint32_t ZeroUniformSeed2 = 0;

}  // namespace Titrelle::Testing
