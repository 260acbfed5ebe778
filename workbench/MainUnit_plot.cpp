// The curve plot: axis scales chosen by a decimal rounding rule, the frame
// with its tick labels and dotted grid, the data points and the fitted curve,
// drawn once after every fit on the surface of Image1.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "workbench/MainUnit.h"

namespace Titrelle {

namespace {

// A walk of the scale that needs more steps than this has a step below the
// spacing of doubles at the data (adding it changes nothing) and would never
// end; the scale then faults like any other invalid operation.
constexpr int MaxAxisSteps = 100000;

// Data lying further than this many steps from where a walk starts (1e12 with
// a range of 1) would take a step per tick from zero; the walk then starts
// two steps short of the data instead, on the same grid of whole steps.
constexpr Float LongWalk = 10000.0;

// Two values closer than this count as equal in the scale walks.
constexpr Float ScaleTolerance = 1e-8;

// Pixel coordinates handed to the surface are kept within this magnitude.
// Only the curve can reach beyond it; a line to such a point is nearly
// vertical either way, so the picture does not change.
constexpr std::int64_t FarOutside = 1000000;

[[noreturn]] void ScaleFault()
{
  throw ArithmeticFault(TFaultKind::Invalid, "axis scale: the tick step is below the precision of the data");
}

// Counts one step of a walk and faults when the walk cannot end.
void CountStep(int& Steps)
{
  if (++Steps > MaxAxisSteps)
    ScaleFault();
}

// Whole steps to skip before walking Distance (>= 0) in steps of Step, so
// that only a few steps remain; 0 for a short walk. Faults when Step is 0.
Float StepsToSkip(Float Distance, Float Step)
{
  const Float Steps = CheckedDivide(Distance, Step);
  if (Steps <= LongWalk)
    return 0.0;
  return Step * static_cast<Float>(TruncToInt64(Steps) - 2);
}

// 10^E rounded to the nearest double (the decimal conversion rounds
// correctly, which a product or quotient of powers does not for every E).
Float PowerOfTen(std::int64_t E)
{
  const std::string Text = "1e" + std::to_string(E);
  return std::strtod(Text.c_str(), nullptr);
}

// Truncates a pixel coordinate toward zero (faulting when it is not finite or
// beyond the 64-bit range) and keeps it within FarOutside for the surface.
int Pixel(Float V)
{
  const std::int64_t P = TruncToInt64(V);
  return static_cast<int>(std::clamp(P, -FarOutside, FarOutside));
}

}  // namespace

// Scale of one axis from V[1..N] (N >= 1): ends Lo < Hi, tick distance Step
// and Count tick intervals. Faults when the data range is 0 or not finite.
void AxisScale(const TVector& V, int N, Float& Lo, Float& Hi, Float& Step, int& Count)
{
  const Float VMin = VectorMinimum(V, 1, N);
  const Float VMax = VectorMaximum(V, 1, N);

  // 1. The tick step: the power of ten below the range (a range of 0 faults
  // in the logarithm, one beyond the double range in the difference).
  const Float Range = CheckFinite(VMax - VMin);
  PlainLn(Range);
  const Float E = std::log10(Range);  // exact for exact powers of ten
  const std::int64_t Exponent = E < 0.0 ? TruncToInt64(E) - 1 : TruncToInt64(E);
  Step = PowerOfTen(Exponent);

  int Steps = 0;
  // 2. The first whole step above VMax, counting up from zero.
  Hi = Step;
  Hi = Hi + StepsToSkip(VMax - Hi, Step);
  do {
    Hi = Hi + Step;
    CountStep(Steps);
  } while (VMax >= Hi);

  // 3. Down to the first step at or below VMin.
  Lo = Hi;
  Lo = Lo - StepsToSkip(Lo - VMin, Step);
  Steps = 0;
  do {
    Lo = Lo - Step;
    CountStep(Steps);
  } while (!(VMin > Lo || std::fabs(Lo - VMin) < ScaleTolerance));

  // 4. Up again to the first step at or above VMax.
  Hi = Lo;
  Steps = 0;
  do {
    Hi = Hi + Step;
    CountStep(Steps);
  } while (!(VMax < Hi || std::fabs(Hi - VMax) < ScaleTolerance));

  // 5. Too few intervals: a fifth or half of the step.
  const std::int64_t K = RoundToInt64(CheckedDivide(Hi - Lo, Step));
  if (K == 1)
    Step = Step / 5.0;
  else if (K == 2 || K == 3)
    Step = Step / 2.0;

  // 6. The upper end on the new step.
  Hi = Lo;
  Steps = 0;
  do {
    Hi = Hi + Step;
    CountStep(Steps);
  } while (!(VMax < Hi || std::fabs(Hi - VMax) < ScaleTolerance));

  // 7. The lower end on the new step.
  Lo = Hi;
  Steps = 0;
  do {
    Lo = Lo - Step;
    CountStep(Steps);
  } while (!(VMin > Lo || std::fabs(Lo - VMin) < ScaleTolerance));

  // 8. The number of tick intervals (at most MaxAxisSteps by the walks).
  Count = static_cast<int>(RoundToInt64(CheckedDivide(Hi - Lo, Step)));
}

// Draws the whole picture from DataX, DataY[1..PointCount] and the current
// curve on Window().Surface. An arithmetic fault stops the drawing where it
// happens and reaches the caller (the regression run shows its message).
void DrawCurve()
{
  ISurface& Surface = *Window().Surface;
  const TWorkbenchState& State = Workbench();
  const int W = Surface.Width();
  const int H = Surface.Height();

  // 1. Whiten the whole surface.
  Surface.SetPen(TPenStyle::Solid, Black, 1);
  Surface.SetBrush(White);
  Surface.Rectangle(-1, -1, W + 1, H + 1);

  // 2. Both scales.
  Float LoX = 0.0, HiX = 0.0, StepX = 0.0;
  Float LoY = 0.0, HiY = 0.0, StepY = 0.0;
  int CountX = 0, CountY = 0;
  AxisScale(State.DataX, State.PointCount, LoX, HiX, StepX, CountX);
  AxisScale(State.DataY, State.PointCount, LoY, HiY, StepY, CountY);

  // 3. The frame leaves room for the widest Y label.
  Surface.SetBold(false);
  int Widest = 0;
  for (int J = 0; J <= CountY; ++J)
    Widest = std::max(Widest, Surface.TextWidth(FormatNumber(J * StepY + LoY)));
  const int Left = Widest + 20;
  const int Right = W - 20;
  const int Top = 20;
  const int Bottom = H - 33;

  // 4. The X title, bold, centred under the frame.
  Surface.SetBold(true);
  const std::string XTitle = Window().Controls->XTitle();
  Surface.TextOut(Left + (Right - Left - Surface.TextWidth(XTitle)) / 2, Bottom + 15, XTitle);

  // 5. The Y title: drawn horizontally inside the frame, then copied pixel by
  // pixel, turned to read upwards, into the strip x = 1..25 at the left edge.
  const std::string YTitle = Window().Controls->YTitle();
  Surface.TextOut(Left + 1, Top + 1, YTitle);
  const int TitleWidth = Surface.TextWidth(YTitle);
  for (int I = 1; I <= 25; ++I)
    for (int J = 1; J <= TitleWidth; ++J)
      Surface.SetPixel(I, Bottom - (Bottom - Top - TitleWidth) / 2 - J, Surface.Pixel(Left + J, Top + I));

  // 6. The frame; its white interior covers the horizontal Y title.
  Surface.Rectangle(Left, Top, Right, Bottom);

  // 7. Dotted grid, normal labels.
  Surface.SetPenStyle(TPenStyle::Dotted);
  Surface.SetBold(false);

  // 8. X ticks; the first and last carry no grid line (the frame does).
  const Float PixelsPerX = CheckedDivide(Right - Left, HiX - LoX);
  for (int I = 0; I <= CountX; ++I) {
    const int Px = Pixel(PixelsPerX * StepX * I + Left);
    Surface.TextOut(Px - 4, Bottom, FormatNumber(I * StepX + LoX));
    Surface.MoveTo(Px, Top + 1);
    if (I > 0 && I < CountX)
      Surface.LineTo(Px, Bottom - 1);
  }

  // 9. Y ticks.
  const Float PixelsPerY = CheckedDivide(Bottom - Top, HiY - LoY);
  for (int J = 0; J <= CountY; ++J) {
    const int Py = Pixel(Bottom - PixelsPerY * StepY * J);
    const std::string Label = FormatNumber(J * StepY + LoY);
    Surface.TextOut(Left - Surface.TextWidth(Label) - 4, Py - 6, Label);
    Surface.MoveTo(Left + 1, Py);
    if (J > 0 && J < CountY)
      Surface.LineTo(Right - 1, Py);
  }

  // 10. The data points: red discs of 12 pixels.
  Surface.SetPen(TPenStyle::Solid, Red, 1);
  Surface.SetBrush(Red);
  for (int I = 1; I <= State.PointCount; ++I) {
    const int Px = Pixel(CheckedDivide(State.DataX[I] - LoX, HiX - LoX) * (Right - Left) + Left);
    const int Py = Pixel(Bottom - CheckedDivide(State.DataY[I] - LoY, HiY - LoY) * (Bottom - Top));
    Surface.Ellipse(Px - 6, Py - 6, Px + 6, Py + 6);
  }

  // 11. The curve, one point per pixel column; a segment shows only when its
  // end lies vertically within the frame, and a failed evaluation ends it.
  Surface.SetPen(TPenStyle::Solid, Red, 2);
  for (int Px = Left; Px <= Right; ++Px) {
    const Float X = LoX + CheckedDivide(Px - Left, Right - Left) * (HiX - LoX);
    Float Y = 0.0;
    if (!EvaluateCurve(Y, X))
      break;
    const std::int64_t Py = TruncToInt64(Bottom - CheckedDivide(Y - LoY, HiY - LoY) * (Bottom - Top));
    Surface.SetPenStyle(Py < Top || Py > Bottom ? TPenStyle::Clear : TPenStyle::Solid);
    const int ClampedPy = static_cast<int>(std::clamp(Py, -FarOutside, FarOutside));
    if (Px == Left)
      Surface.MoveTo(Px, ClampedPy);
    else
      Surface.LineTo(Px, ClampedPy);
  }
}

}  // namespace Titrelle
