// What every model unit shares: the estimate margins and the reading of
// option values. The units know nothing of each other or of the registry.
#pragma once

#include "numeric/matrices.h"

namespace Titrelle {

// Fractions of the response range by which the estimates of the Hill and
// logistic models place their starting asymptotes beyond the extreme
// responses. 0.05 at start; the workbench sets 2.0 or 0.05 before a fit.
extern Float UpperMargin;
extern Float LowerMargin;

// A flag option is on exactly when its element equals 1.
bool OptionFlag(const TVector& Options, int I);
// A count or degree option: the element rounded to the nearest integer,
// halves to the even neighbour. A value beyond the integer range faults.
int OptionCount(const TVector& Options, int I);

}  // namespace Titrelle
