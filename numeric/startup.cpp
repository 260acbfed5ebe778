#include "numeric/startup.h"

#include "numeric/fmath.h"
#include "numeric/fspec.h"
#include "numeric/randnum.h"

namespace Titrelle {

void StartUpNumericFoundation()
{
  InitFmath();
  InitFspec();
  InitRandnum();
}

}  // namespace Titrelle
