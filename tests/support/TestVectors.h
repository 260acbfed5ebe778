// Building the containers of a test from lists of values.
#pragma once

#include <vector>

#include "numeric/matrices.h"

namespace Titrelle::Testing {

// A vector with observations at 1..n; element 0 holds a marker that no
// routine under test may read as data.
inline TVector Observations(const std::vector<Float>& Values, Float Marker = -77.0)
{
  TVector V;
  AllocVector(V, static_cast<int>(Values.size()));
  V[0] = Marker;
  for (std::size_t I = 0; I < Values.size(); ++I)
    V[static_cast<int>(I) + 1] = Values[I];
  return V;
}

// A vector holding Values at 0..n-1 (a parameter vector B).
inline TVector Params(const std::vector<Float>& Values)
{
  TVector V;
  AllocVector(V, static_cast<int>(Values.size()) - 1);
  for (std::size_t I = 0; I < Values.size(); ++I)
    V[static_cast<int>(I)] = Values[I];
  return V;
}

// A ModelOptions vector 0..4; the elements not given are 0.
inline TVector OptionVector(const std::vector<Float>& Values)
{
  TVector V;
  AllocVector(V, 4);
  for (std::size_t I = 0; I < Values.size(); ++I)
    V[static_cast<int>(I)] = Values[I];
  return V;
}

// Fresh storage with the same elements.
inline TVector Copy(const TVector& Source)
{
  TVector V;
  AllocVector(V, Source.Size() - 1);
  CopyVectorRange(V, Source, 0, Source.Size() - 1);
  return V;
}

}  // namespace Titrelle::Testing
