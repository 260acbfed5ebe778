// The iteration log of the minimisers: its field formats, and the header and
// pass lines each minimiser writes when the log is switched on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "optimisation/optim.h"
#include "optimisation/simopt.h"
#include "tests/optimisation/optimisation_test_support.h"

namespace Titrelle {
namespace {

using Testing::MakeVector;

// ---------------------------------------------------------------------------
// Field formats

struct TRealField {
  const char* Name;
  Float Value;
  const char* Expected;
};

class LogRealTest : public testing::TestWithParam<TRealField> {};

TEST_P(LogRealTest, WritesTwelveCharacters)
{
  const std::string Field = LogReal(GetParam().Value);
  EXPECT_EQ(Field, GetParam().Expected);
  EXPECT_EQ(Field.size(), 12u);
}

// Four significant digits, rounded; a sign position; four exponent digits.
INSTANTIATE_TEST_SUITE_P(
  Values, LogRealTest,
  testing::Values(TRealField{"Positive", 123.456, " 1.235E+0002"}, TRealField{"Negative", -123.456, "-1.235E+0002"},
                  TRealField{"Zero", 0.0, " 0.000E+0000"},
                  TRealField{"NegativeZeroIsNotNegative", -0.0, " 0.000E+0000"},
                  TRealField{"One", 1.0, " 1.000E+0000"}, TRealField{"Hundredth", 0.01, " 1.000E-0002"},
                  TRealField{"RoundingCarriesIntoTheExponent", 9.9996, " 1.000E+0001"},
                  TRealField{"TinyExponent", 1e-300, " 1.000E-0300"},
                  TRealField{"NegativeSubnormal", -2.5e-310, "-2.500E-0310"},
                  TRealField{"SmallestSubnormal", 4.9406564584124654e-324, " 4.941E-0324"},
                  TRealField{"LargestValue", MaxFloat, " 1.798E+0308"},
                  TRealField{"NegativeHuge", -1e100, "-1.000E+0100"}),
  [](const auto& Info) { return std::string(Info.param.Name); });

struct TIntField {
  const char* Name;
  long long Value;
  int Width;
  const char* Expected;
};

class LogIntTest : public testing::TestWithParam<TIntField> {};

TEST_P(LogIntTest, RightAlignsInTheWidth)
{
  EXPECT_EQ(LogInt(GetParam().Value, GetParam().Width), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Values, LogIntTest,
                         testing::Values(TIntField{"OneDigit", 1, 4, "   1"}, TIntField{"Zero", 0, 6, "     0"},
                                         TIntField{"Negative", -5, 4, "  -5"},
                                         TIntField{"ExactWidth", 9999, 4, "9999"},
                                         TIntField{"WiderThanTheField", 12345, 4, "12345"}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// Minimiser runs whose logs are checked

// (X - 3)^2 with its Marquardt pair G = X - 3, H = 1.
Float Parabola(const TVector& X) { return (X[1] - 3.0) * (X[1] - 3.0); }
Float SunkParabola(const TVector& X) { return -1e12 + Parabola(X); }
void ParabolaHessGrad(ObjectiveFunction, const TVector& X, int Lb, int, const TVector& G, const TMatrix& H)
{
  G[Lb] = X[Lb] - 3.0;
  H[Lb][Lb] = 1.0;
}

// From 0 with Tol = 0.5: pass 1 moves about 3 (threshold 0.5), so it does
// not converge; pass 2 moves by the error of the first line search, about
// 2 % of 3 (threshold 0.5 * 3), and converges; pass 3 is the final step.
int RunMarquardt()
{
  TVector X = MakeVector({0.0});
  TMatrix InvH;
  AllocMatrix(InvH, 1, 1);
  Float FMin = 0.0;
  return MinimiseMarquardt(Parabola, ParabolaHessGrad, X, 1, 1, 10, 0.5, FMin, InvH);
}

Float Round(const TVector& X) { return (X[1] - 1.0) * (X[1] - 1.0) + (X[2] - 2.0) * (X[2] - 2.0); }

// Three iterations from (3, 3), worked by hand in the simplex tests.
int RunSimplex()
{
  TVector X = MakeVector({3.0, 3.0});
  Float FMin = 0.0;
  return MinimiseSimplex(Round, X, 1, 2, 3, 1e-6, FMin);
}

// (X1 - 1)^2 + 4 (X2 + 2)^2: 17 at the origin.
Float Elliptic(const TVector& X) { return (X[1] - 1.0) * (X[1] - 1.0) + 4.0 * (X[2] + 2.0) * (X[2] + 2.0); }
void EllipticGradient(ObjectiveFunction, const TVector& X, int, int, const TVector& G)
{
  G[1] = 2.0 * (X[1] - 1.0);
  G[2] = 8.0 * (X[2] + 2.0);
}

// Two iterations, far from converging.
int RunBfgs()
{
  TVector X = MakeVector({0.0, 0.0});
  TMatrix InvH;
  AllocMatrix(InvH, 2, 2);
  Float FMin = 0.0;
  return MinimiseBfgs(Elliptic, EllipticGradient, X, 1, 2, 2, 1e-6, FMin, InvH);
}

// One parameter in [0, 1] from 0.5; the objective is one of the counting
// objectives of the support header.
int RunAnnealingWith(ObjectiveFunction Func, int MaxIter, Float Tol)
{
  Testing::ObjectiveCalls = 0;
  TVector X = MakeVector({0.5});
  const TVector Xmin = MakeVector({0.0});
  const TVector Xmax = MakeVector({1.0});
  Float FMin = 0.0;
  return MinimiseAnnealing(Func, X, Xmin, Xmax, 1, 1, MaxIter, Tol, FMin);
}

// Every trial ties and is accepted, so each step adjustment triples the step,
// which stops at the range 1; Tol = 1.2 is then met after one iteration.
int RunAnnealing() { return RunAnnealingWith(Testing::FlatObjective, 5, 1.2); }

std::vector<std::string> ReadLines(const std::string& Name)
{
  std::ifstream In(Name);
  std::vector<std::string> Lines;
  for (std::string Line; std::getline(In, Line);)
    Lines.push_back(Line);
  return Lines;
}

// Field layouts, one code per character: '9' a digit, '_' a space or a
// digit, 'S' the sign position (space or minus), 'X' the exponent sign;
// anything else stands for itself.
bool MatchesLayout(const std::string& Line, const std::string& Layout)
{
  if (Line.size() != Layout.size())
    return false;
  for (std::size_t I = 0; I < Line.size(); ++I) {
    const char C = Line[I];
    const bool Digit = C >= '0' && C <= '9';
    switch (Layout[I]) {
    case '9':
      if (!Digit)
        return false;
      break;
    case '_':
      if (!Digit && C != ' ')
        return false;
      break;
    case 'S':
      if (C != ' ' && C != '-')
        return false;
      break;
    case 'X':
      if (C != '+' && C != '-')
        return false;
      break;
    default:
      if (C != Layout[I])
        return false;
    }
  }
  return true;
}

// R:12: sign position, digit, point, three digits, E, exponent sign and four
// exponent digits. I:4 and I:6: right-aligned integers of those widths.
const std::string Real = "S9.999EX9999";
const std::string Int4 = "___9";
const std::string Int6 = "_____9";

// Saves and restores the log settings and the annealing settings, points the
// log at a fresh temporary directory, switches it on and makes annealing
// runs reproducible.
class IterationLogTest : public testing::Test {
protected:
  void SetUp() override
  {
    SavedEnabled = IterationLogEnabled;
    SavedName = IterationLogName;
    SavedCycles = AnnealingCycles;
    static std::atomic<int> Counter{0};
    Dir = std::filesystem::temp_directory_path() /
          ("titrelle_iterlog_" + std::to_string(::getpid()) + "_" + std::to_string(Counter++));
    std::filesystem::create_directories(Dir);
    LogName = (Dir / "optim.log").string();
    IterationLogName = LogName;
    IterationLogEnabled = true;
    Testing::SourceState = 12345;
    SetPlatformRandomSource(Testing::DeterministicSource);
  }

  void TearDown() override
  {
    IterationLogEnabled = SavedEnabled;
    IterationLogName = SavedName;
    AnnealingCycles = SavedCycles;
    SetPlatformRandomSource(nullptr);
    std::filesystem::remove_all(Dir);
  }

  std::vector<std::string> Log() const { return ReadLines(LogName); }

  std::filesystem::path Dir;
  std::string LogName;

private:
  bool SavedEnabled = false;
  std::string SavedName;
  int SavedCycles = 1;
};

// ---------------------------------------------------------------------------
// What every minimiser does with the log

struct TLogCase {
  const char* Name;
  int (*Run)();
  std::vector<std::string> Header;
  std::string PassLine;  // layout of a pass line
  std::size_t PassLines;
};

class MinimiserLogTest : public IterationLogTest, public testing::WithParamInterface<TLogCase> {};

TEST_P(MinimiserLogTest, WritesNothingWhenSwitchedOff)
{
  IterationLogEnabled = false;
  GetParam().Run();
  EXPECT_FALSE(std::filesystem::exists(LogName));
}

TEST_P(MinimiserLogTest, WritesTheHeaderThenOneLinePerPass)
{
  const TLogCase& C = GetParam();
  C.Run();
  const std::vector<std::string> Lines = Log();
  ASSERT_EQ(Lines.size(), C.Header.size() + C.PassLines);
  for (std::size_t I = 0; I < C.Header.size(); ++I)
    EXPECT_EQ(Lines[I], C.Header[I]) << "header line " << I;
  for (std::size_t I = C.Header.size(); I < Lines.size(); ++I)
    EXPECT_TRUE(MatchesLayout(Lines[I], C.PassLine)) << "'" << Lines[I] << "'";
}

TEST_P(MinimiserLogTest, ReplacesAnEarlierLog)
{
  {
    std::ofstream Out(LogName);
    for (int I = 0; I < 20; ++I)
      Out << "left by an earlier run\n";
  }
  const TLogCase& C = GetParam();
  C.Run();
  const std::vector<std::string> Lines = Log();
  ASSERT_EQ(Lines.size(), C.Header.size() + C.PassLines);
  EXPECT_EQ(Lines[0], C.Header[0]);
}

TEST_P(MinimiserLogTest, FailsWhenTheLogCannotBeCreated)
{
  IterationLogName = (Dir / "no such directory" / "optim.log").string();
  EXPECT_THROW(GetParam().Run(), std::runtime_error);
}

INSTANTIATE_TEST_SUITE_P(
  Minimisers, MinimiserLogTest,
  testing::Values(
    TLogCase{"Marquardt",
             RunMarquardt,
             {"Marquardt", "Iter         F            Lambda"},
             Int4 + "   " + Real + "   " + Real,
             3},
    TLogCase{"Simplex", RunSimplex, {"Simplex", "Iter         F"}, Int4 + "   " + Real, 3},
    TLogCase{"Bfgs", RunBfgs, {"BFGS", "Iter         F"}, Int4 + "   " + Real, 2},
    TLogCase{"Annealing",
             RunAnnealing,
             {"Simulated annealing: Cycle 1", "", "Iter         T              F        Inc   Acc"},
             Int4 + "   " + Real + "   " + Real + Int6 + Int6,
             1}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// ---------------------------------------------------------------------------
// The values each minimiser writes

TEST_F(IterationLogTest, MarquardtWritesTheStartValueAndATenfoldFallingLambda)
{
  ASSERT_EQ(RunMarquardt(), SolveOk);
  const std::vector<std::string> Lines = Log();
  ASSERT_EQ(Lines.size(), 5u);
  // Pass 1 shows the objective at the start, (0 - 3)^2 = 9, and Lambda 0.01.
  EXPECT_EQ(Lines[2], "   1    9.000E+0000    1.000E-0002");
  // Each accepted pass divides Lambda by 10; the final pass is written too.
  EXPECT_EQ(Lines[3].substr(0, 7), "   2   ");
  EXPECT_EQ(Lines[3].substr(19), "    1.000E-0003");
  EXPECT_EQ(Lines[4].substr(0, 7), "   3   ");
  EXPECT_EQ(Lines[4].substr(19), "    1.000E-0004");
  // The objective falls from pass to pass.
  const Float F2 = std::stod(Lines[3].substr(7, 12));
  const Float F3 = std::stod(Lines[4].substr(7, 12));
  EXPECT_LT(F2, 9.0);
  EXPECT_LE(F3, F2);
}

// Six rejections in the first pass end the run: one pass line, written
// before the damping rose.
TEST_F(IterationLogTest, MarquardtRunEndedInItsFirstPassWritesOneLine)
{
  TVector X = MakeVector({0.0});
  TMatrix InvH;
  AllocMatrix(InvH, 1, 1);
  Float FMin = 0.0;
  ASSERT_EQ(MinimiseMarquardt(SunkParabola, ParabolaHessGrad, X, 1, 1, 10, 0.5, FMin, InvH), SolveNoConvergence);
  const std::vector<std::string> Lines = Log();
  ASSERT_EQ(Lines.size(), 3u);
  // -1e12 + 9 to four digits; the minus sign takes the sign position.
  EXPECT_EQ(Lines[2], "   1   -1.000E+0012    1.000E-0002");
}

// The best value of each ranking, worked by hand in the simplex tests.
TEST_F(IterationLogTest, SimplexWritesTheBestValueOfEachRanking)
{
  ASSERT_EQ(RunSimplex(), SolveIterationLimit);
  const std::vector<std::string> Expected = {"Simplex", "Iter         F", "   1    5.000E+0000", "   2    5.000E+0000",
                                             "   3    1.250E+0000"};
  EXPECT_EQ(Log(), Expected);
}

TEST_F(IterationLogTest, BfgsNumbersItsIterationsFromZero)
{
  ASSERT_EQ(RunBfgs(), SolveIterationLimit);
  const std::vector<std::string> Lines = Log();
  ASSERT_EQ(Lines.size(), 4u);
  EXPECT_EQ(Lines[2], "   0    1.700E+0001");
  EXPECT_EQ(Lines[3].substr(0, 7), "   1   ");
  EXPECT_LT(std::stod(Lines[3].substr(7)), 17.0);
}

TEST_F(IterationLogTest, BfgsStartingAtTheMinimumWritesOnlyTheHeader)
{
  TVector X = MakeVector({1.0, -2.0});
  TMatrix InvH;
  AllocMatrix(InvH, 2, 2);
  Float FMin = 0.0;
  ASSERT_EQ(MinimiseBfgs(Elliptic, EllipticGradient, X, 1, 2, 10, 1e-6, FMin, InvH), SolveOk);
  const std::vector<std::string> Expected = {"BFGS", "Iter         F"};
  EXPECT_EQ(Log(), Expected);
}

// Annealing runs with the counting objectives are deterministic. One
// iteration is 5 adjustments x 15 sweeps x 1 parameter = 75 trials.
struct TAnnealingLogCase {
  const char* Name;
  ObjectiveFunction Func;
  int MaxIter;
  Float Tol;
  int ExpectedStatus;
  std::vector<std::string> PassLines;
};

class AnnealingLogTest : public IterationLogTest, public testing::WithParamInterface<TAnnealingLogCase> {};

TEST_P(AnnealingLogTest, WritesTemperatureValueAndUphillCounts)
{
  const TAnnealingLogCase& C = GetParam();
  ASSERT_EQ(RunAnnealingWith(C.Func, C.MaxIter, C.Tol), C.ExpectedStatus);
  std::vector<std::string> Expected = {"Simulated annealing: Cycle 1", "",
                                       "Iter         T              F        Inc   Acc"};
  Expected.insert(Expected.end(), C.PassLines.begin(), C.PassLines.end());
  EXPECT_EQ(Log(), Expected);
}

INSTANTIATE_TEST_SUITE_P(
  Runs, AnnealingLogTest,
  testing::Values(
    // Ties: no probe rises, so T = 1; all 75 trials count as uphill and are
    // accepted (e^0 = 1); the step reaches the range 1 < Tol.
    TAnnealingLogCase{"EveryTrialTies",
                      Testing::FlatObjective,
                      5,
                      1.2,
                      SolveOk,
                      {"   0    1.000E+0000    2.000E+0000    75    75"}},
    // Downhill moves are accepted without being counted. F is the latest
    // call: 52 start calls and 75 trials per iteration give -127, -202,
    // -277. T falls by 0.9 per iteration. The step stays at the range 1,
    // above Tol = 0.9, so the run ends at MaxIter = 2 after three iterations.
    TAnnealingLogCase{"EveryTrialDownhill",
                      Testing::EverLowerObjective,
                      2,
                      0.9,
                      SolveIterationLimit,
                      {"   0    1.000E+0000   -1.270E+0002     0     0",
                       "   1    9.000E-0001   -2.020E+0002     0     0",
                       "   2    8.100E-0001   -2.770E+0002     0     0"}},
    // Probes rising by 1 give T = 1 / ln 2 = 1.4427; every trial is uphill
    // and rejected, so F keeps the start value 1. The steps are divided by 3
    // at each of 5 adjustments per iteration: 0.5 / 3^5 = 0.00206 is above
    // Tol = 0.00205, 0.5 / 3^10 below, so two iterations run.
    TAnnealingLogCase{"EveryTrialRejected",
                      Testing::ProbesRiseThenWallObjective,
                      10,
                      0.00205,
                      SolveOk,
                      {"   0    1.443E+0000    1.000E+0000    75     0",
                       "   1    1.298E+0000    1.000E+0000    75     0"}}),
  [](const auto& Info) { return std::string(Info.param.Name); });

// Each cycle writes its own header; the second starts over with T = 1 from
// the point the first returned, its value continuing the call count: 127
// calls in each cycle.
TEST_F(IterationLogTest, AnnealingWritesAHeaderPerCycle)
{
  AnnealingCycles = 2;
  ASSERT_EQ(RunAnnealingWith(Testing::EverLowerObjective, 5, 1.2), SolveOk);
  const std::vector<std::string> Expected = {"Simulated annealing: Cycle 1",
                                             "",
                                             "Iter         T              F        Inc   Acc",
                                             "   0    1.000E+0000   -1.270E+0002     0     0",
                                             "Simulated annealing: Cycle 2",
                                             "",
                                             "Iter         T              F        Inc   Acc",
                                             "   0    1.000E+0000   -2.540E+0002     0     0"};
  EXPECT_EQ(Log(), Expected);
}

}  // namespace
}  // namespace Titrelle
