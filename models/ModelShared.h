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

// Starting values shared by the four- and five-parameter logistic curves:
// the asymptotes B0 (above) and B3 (below) just outside the responses by the
// margins, then the least-squares line z = B1 ln X - B1 ln B2 with
// z = ln(Ratio^RatioPower - 1), Ratio = (B0 - B3) / (Y - B3), over the points
// with X > 0. RatioPower 1 is the exact linear form of the four-parameter
// curve, 2 that of the five-parameter curve with exponent 0.5. Returns
// SolveSingular, writing nothing, without two distinct positive doses; equal
// responses or a zero slope fault.
int LogDoseLineEstimate(const TVector& X, const TVector& Y, int N, const TVector& B, int RatioPower);

// A flag option is on exactly when its element equals 1.
bool OptionFlag(const TVector& Options, int I);
// A count or degree option: the element rounded to the nearest integer,
// halves to the even neighbour. A value beyond the integer range faults.
int OptionCount(const TVector& Options, int I);

}  // namespace Titrelle
