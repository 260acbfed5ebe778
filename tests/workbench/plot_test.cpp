// The curve plot: axis scales, the frame, ticks, points and curve as drawn on
// the fake surface, and the faults that stop the drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Fakes.h"
#include "models/Models.h"
#include "workbench/MainUnit.h"

namespace Titrelle {
namespace {

using Testing::FakeSurface;
using Testing::FakeWindow;

TVector MakeVector(const std::vector<Float>& Values)
{
  TVector V;
  AllocVector(V, static_cast<int>(Values.size()));
  for (std::size_t I = 0; I < Values.size(); ++I)
    V[static_cast<int>(I) + 1] = Values[I];
  return V;
}

// ---------------------------------------------------------------------------
// Axis scales

struct TScaleCase {
  const char* Name;
  std::vector<Float> Data;
  std::vector<std::string> Ticks;  // labels from the lower end to the upper end
};

class AxisScaleTest : public testing::TestWithParam<TScaleCase> {};

// The tick labels come from walking the decimal rounding rule by hand on the
// data's extremes (the first five are the examples the rule was made for).
TEST_P(AxisScaleTest, GivesTheTicksOfTheRoundingRule)
{
  const TScaleCase& Case = GetParam();
  const TVector V = MakeVector(Case.Data);
  Float Lo = 0.0, Hi = 0.0, Step = 0.0;
  int Count = 0;
  AxisScale(V, static_cast<int>(Case.Data.size()), Lo, Hi, Step, Count);

  std::vector<std::string> Labels;
  for (int J = 0; J <= Count; ++J)
    Labels.push_back(FormatNumber(J * Step + Lo));
  EXPECT_EQ(Labels, Case.Ticks);
  // The ends are whole steps apart; the walks add the step repeatedly, so
  // they carry a rounding error of a few units of the step's last place per
  // step: 1e-9 of the step is far above that and far below any tick distance.
  EXPECT_NEAR(Hi - Lo, Count * Step, 1e-9 * Step);
  EXPECT_LE(Lo, *std::min_element(Case.Data.begin(), Case.Data.end()) + 1e-8);
  EXPECT_GE(Hi, *std::max_element(Case.Data.begin(), Case.Data.end()) - 1e-8);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, AxisScaleTest,
    testing::Values(
        // One interval of 100 at first, so the step becomes 100 / 5.
        TScaleCase{"ZeroToHundred", {0.0, 37.0, 100.0}, {"0", "20", "40", "60", "80", "100"}},
        TScaleCase{"HalfToFour", {4.0, 0.5, 2.0}, {"0", "1", "2", "3", "4"}},
        // Three intervals of 1 halve the step.
        TScaleCase{"TenthToTwoAndHalf", {0.1, 2.5}, {"0", "0.5", "1", "1.5", "2", "2.5"}},
        TScaleCase{"OneToThousand",
                   {1.0, 1000.0},
                   {"0", "100", "200", "300", "400", "500", "600", "700", "800", "900", "1000"}},
        TScaleCase{"MinusTwoToMinusOne", {-2.0, -1.0}, {"-2", "-1.8", "-1.6", "-1.4", "-1.2", "-1"}},
        TScaleCase{"ThreeToSeven", {7.0, 3.0, 5.0}, {"3", "4", "5", "6", "7"}},
        // Far from zero: the walks start near the data, the ticks are the same.
        TScaleCase{"FarAboveZero",
                   {1000001.0, 1000005.0},
                   {"1000001", "1000002", "1000003", "1000004", "1000005"}},
        TScaleCase{"FarBelowZero",
                   {-1000005.0, -1000001.0},
                   {"-1000005", "-1000004", "-1000003", "-1000002", "-1000001"}},
        TScaleCase{"TrillionWithRangeFour",
                   {1e12, 1e12 + 4.0},
                   {"1000000000000", "1000000000001", "1000000000002", "1000000000003", "1000000000004"}}),
    [](const testing::TestParamInfo<TScaleCase>& Info) { return std::string(Info.param.Name); });

struct TScaleFaultCase {
  const char* Name;
  std::vector<Float> Data;
};

class AxisScaleFaultTest : public testing::TestWithParam<TScaleFaultCase> {};

TEST_P(AxisScaleFaultTest, Faults)
{
  const TScaleFaultCase& Case = GetParam();
  const TVector V = MakeVector(Case.Data);
  Float Lo = 0.0, Hi = 0.0, Step = 0.0;
  int Count = 0;
  EXPECT_THROW(AxisScale(V, static_cast<int>(Case.Data.size()), Lo, Hi, Step, Count), ArithmeticFault);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AxisScaleFaultTest,
    testing::Values(
        // A zero range: the logarithm of 0.
        TScaleFaultCase{"AllEqual", {2.0, 2.0, 2.0}},
        TScaleFaultCase{"SinglePoint", {5.0}},
        // A range beyond the largest double.
        TScaleFaultCase{"RangeOverflows", {-1e308, 1e308}},
        // 2^60 and 2^60 + 256: the step 100 (later 50 or 20) is below the
        // spacing 256 of doubles there, so adding it changes nothing.
        TScaleFaultCase{"StepBelowPrecision", {1152921504606846976.0, 1152921504606847232.0}}),
    [](const testing::TestParamInfo<TScaleFaultCase>& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// The picture

class PlotTest : public testing::Test {
protected:
  void SetUp() override
  {
    ResetWorkbench();
    InitModels();
  }
  void TearDown() override { InitModels(); }

  // Data points and a curve set directly, as a fit leaves them.
  void SetPoints(const std::vector<Float>& X, const std::vector<Float>& Y)
  {
    Workbench().DataX = MakeVector(X);
    Workbench().DataY = MakeVector(Y);
    Workbench().PointCount = static_cast<int>(X.size());
  }
  void SetCurve(int ModelCode, const std::vector<Float>& B, const std::vector<Float>& Options)
  {
    TWorkbenchState& State = Workbench();
    State.ModelCode = ModelCode;
    AllocVector(State.CurveParams, static_cast<int>(B.size()) - 1);
    for (std::size_t I = 0; I < B.size(); ++I)
      State.CurveParams[static_cast<int>(I)] = B[I];
    AllocVector(State.ModelOptions, 4);
    for (std::size_t I = 0; I < Options.size(); ++I)
      State.ModelOptions[static_cast<int>(I)] = Options[I];
  }
  // The log entries after the last entry equal to Marker.
  std::vector<std::string> After(const std::string& Marker) const
  {
    const auto& Log = Window.Surface.Log;
    const auto It = std::find(Log.rbegin(), Log.rend(), Marker);
    return std::vector<std::string>(It.base(), Log.end());
  }

  FakeWindow Window;
};

// Data (0, 0), (50, 50), (100, 100) on a surface of 458 x 453 pixels: both
// axes run 0..100 in steps of 20, the widest Y label "100" is 18 pixels, so
// the frame is 38..438 by 20..420 and every coordinate is a whole number
// (4 pixels per unit on both axes). The log below is the drawing worked out
// step by step by hand.
TEST_F(PlotTest, DrawsFrameTitlesTicksAndPointsExactly)
{
  Window.Surface = FakeSurface(458, 453);
  SetPoints({0.0, 50.0, 100.0}, {0.0, 50.0, 100.0});
  SetCurve(0, {50.0, 0.0}, {});  // the constant 50: py = 420 - 50 * 4 = 220
  DrawCurve();

  const std::vector<std::string> Expected = {
      "pen solid black 1", "brush white", "rect -1,-1,459,454",
      "normal", "bold",
      "text 217,435 X Value",  // 38 + (400 - 42) div 2, bottom 420 + 15
      "text 39,21 Y Value", "rect 38,20,438,420",
      "penstyle dotted", "normal",
      // X ticks at 38 + 80 i, labels 4 pixels to the left on the bottom line.
      "text 34,420 0", "move 38,21",
      "text 114,420 20", "move 118,21", "line 118,419",
      "text 194,420 40", "move 198,21", "line 198,419",
      "text 274,420 60", "move 278,21", "line 278,419",
      "text 354,420 80", "move 358,21", "line 358,419",
      "text 434,420 100", "move 438,21",
      // Y ticks at 420 - 80 j, labels right-aligned 4 pixels left of the frame.
      "text 28,414 0", "move 39,420",
      "text 22,334 20", "move 39,340", "line 437,340",
      "text 22,254 40", "move 39,260", "line 437,260",
      "text 22,174 60", "move 39,180", "line 437,180",
      "text 22,94 80", "move 39,100", "line 437,100",
      "text 16,14 100", "move 39,20",
      "pen solid red 1", "brush red",
      "ellipse 32,414,44,426", "ellipse 232,214,244,226", "ellipse 432,14,444,26",
      "pen solid red 2", "move 38,220"};
  const auto& Log = Window.Surface.Log;
  ASSERT_GE(Log.size(), Expected.size());
  EXPECT_EQ(std::vector<std::string>(Log.begin(), Log.begin() + Expected.size()), Expected);

  // Then one solid segment per pixel column up to the right edge.
  const std::vector<std::string> Curve(Log.begin() + Expected.size(), Log.end());
  ASSERT_EQ(Curve.size(), 400u);
  for (std::size_t I = 0; I < Curve.size(); ++I)
    EXPECT_EQ(Curve[I], "line " + std::to_string(39 + I) + ",220");
}

// The 429 x 405 image: right 409, top 20, bottom 372, left the widest Y label
// plus 20. The fake measures 6 pixels per character, so the widest label here
// is "0.5" of 18 pixels and the left edge 38.
TEST_F(PlotTest, FrameOfTheDefaultImage)
{
  SetPoints({0.0, 100.0}, {0.1, 2.5});  // Y labels 0, 0.5, ..., 2.5
  SetCurve(0, {0.1, 0.024}, {});
  DrawCurve();
  const auto& Log = Window.Surface.Log;
  EXPECT_NE(std::find(Log.begin(), Log.end(), "rect 38,20,409,372"), Log.end());
  // The X title sits centred 15 pixels below the frame: 38 + (371 - 42) div 2.
  EXPECT_NE(std::find(Log.begin(), Log.end(), "text 202,387 X Value"), Log.end());
}

// The Y title is copied turned into the strip x = 1..25: the fake paints one
// black pixel at the top left of each of the 7 characters of "Y Value", at
// (39 + 6c, 21); pixel (left + j, top + 1) with j = 1 + 6c goes to
// (1, bottom - (bottom - top - 42) div 2 - j) = (1, 216 - 6c) for the frame
// 38..409 by 20..372.
TEST_F(PlotTest, YTitleIsTurnedIntoTheLeftStrip)
{
  SetPoints({0.0, 100.0}, {0.1, 2.5});
  SetCurve(0, {0.1, 0.024}, {});
  DrawCurve();
  std::vector<int> BlackRows;
  for (int Y = 0; Y < Window.Surface.H; ++Y)
    if (Window.Surface.Pixel(1, Y) == Black)
      BlackRows.push_back(Y);
  EXPECT_EQ(BlackRows, (std::vector<int>{180, 186, 192, 198, 204, 210, 216}));
  // The rest of the strip left of the Y labels (which start at x = 16) is white.
  for (int X = 2; X <= 15; ++X)
    for (int Y = 0; Y < Window.Surface.H; ++Y)
      ASSERT_EQ(Window.Surface.Pixel(X, Y), White) << "at " << X << "," << Y;
}

// y = 5x - 0.05x² on 0..100 leaves the frame (y > 100) between x = 50 -/+ √500
// (27.6 and 72.4) and comes back: those columns are drawn with the clear pen.
TEST_F(PlotTest, CurveAboveTheFrameIsNotDrawnAndReappears)
{
  Window.Surface = FakeSurface(458, 453);  // frame 38..438 by 20..420, 4 px per unit
  SetPoints({0.0, 100.0}, {0.0, 100.0});
  SetCurve(2, {0.0, 5.0, -0.05}, {2.0});
  DrawCurve();
  const std::vector<std::string> Curve = After("pen solid red 2");
  ASSERT_FALSE(Curve.empty());
  EXPECT_EQ(Curve.front(), "move 38,420");
  EXPECT_EQ(Curve.back(), "line 438,420");  // y(100) = 0
  int Visible = 0, Hidden = 0, StyleChanges = 0;
  for (const std::string& Entry : Curve) {
    if (Entry.rfind("penstyle", 0) == 0) {
      ++StyleChanges;
      continue;
    }
    if (Entry.rfind("line", 0) != 0)
      continue;
    const std::size_t Comma = Entry.find(',');
    const int Py = std::stoi(Entry.substr(Comma + 1));
    const bool Clear = Entry.find(" clear") != std::string::npos;
    EXPECT_EQ(Clear, Py < 20 || Py > 420) << Entry;
    (Clear ? Hidden : Visible) += 1;
  }
  // Out at x = 27.6 (px 148.6) and back at x = 72.4 (px 327.4): columns
  // 149..327 are hidden, i.e. 179 of the 400 segments.
  EXPECT_EQ(Hidden, 179);
  EXPECT_EQ(Visible, 221);
  EXPECT_EQ(StyleChanges, 2);  // to clear and back to solid
}

// Logistic without constant term, B = (0, 100, -10, 0): 100 / (e^(10x) + 1).
// e^(10x) overflows beyond x = 70.978, which is column 38 + 4 * 70.978 =
// 321.9: the curve ends after column 321 and nothing more is drawn.
TEST_F(PlotTest, CurveEndsWhereTheEvaluationFails)
{
  Window.Surface = FakeSurface(458, 453);
  SetPoints({0.0, 100.0}, {0.0, 100.0});
  SetCurve(11, {0.0, 100.0, -10.0, 0.0}, {0.0, 0.0});
  EXPECT_NO_THROW(DrawCurve());
  const auto& Log = Window.Surface.Log;
  ASSERT_FALSE(Log.empty());
  EXPECT_EQ(Log.back().substr(0, 9), "line 321,");
  EXPECT_EQ(After("pen solid red 2").front(), "move 38,220");  // 100 / 2 = 50
}

// All Y equal: the Y scale faults in its logarithm right after the surface
// was whitened, so the picture is white and nothing else.
TEST_F(PlotTest, AllYEqualFaultsWithAWhitePicture)
{
  SetPoints({1.0, 2.0, 3.0}, {0.7, 0.7, 0.7});
  SetCurve(0, {0.7, 0.0}, {});
  // Paint something first so that the whitening shows.
  Window.Surface.SetPixel(100, 100, Red);
  EXPECT_THROW(DrawCurve(), ArithmeticFault);
  EXPECT_EQ(Window.Surface.Log, (std::vector<std::string>{"pen solid black 1", "brush white", "rect -1,-1,430,406"}));
  EXPECT_TRUE(std::all_of(Window.Surface.Pixels.begin(), Window.Surface.Pixels.end(),
                          [](TColour C) { return C == White; }));
}

// A curve that runs off beyond the 64-bit range of pixel coordinates faults:
// the cubic 1e30 x³ at x near 100 is 1e36 units, 4e36 pixels.
TEST_F(PlotTest, CoordinateBeyondIntegerRangeFaults)
{
  Window.Surface = FakeSurface(458, 453);
  SetPoints({0.0, 100.0}, {0.0, 100.0});
  SetCurve(2, {0.0, 0.0, 0.0, 1e30}, {3.0});
  EXPECT_THROW(DrawCurve(), ArithmeticFault);
}

}  // namespace
}  // namespace Titrelle
