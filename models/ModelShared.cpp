#include "models/ModelShared.h"

#include <limits>

namespace Titrelle {

Float UpperMargin = 0.05;
Float LowerMargin = 0.05;

bool OptionFlag(const TVector& Options, int I) { return Options[I] == 1.0; }

int OptionCount(const TVector& Options, int I)
{
  const std::int64_t Count = RoundToInt64(Options[I]);
  if (Count > std::numeric_limits<int>::max() || Count < std::numeric_limits<int>::min())
    throw ArithmeticFault(TFaultKind::Invalid, "option value beyond the integer range");
  return static_cast<int>(Count);
}

}  // namespace Titrelle
