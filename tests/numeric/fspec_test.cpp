// Tests of the special functions: Gamma, log-Gamma, the regularised
// incomplete Beta function and the upper tail of the F distribution.
//
// The independent check compares every routine with reference values from
// R 4.2.2 (gamma(x), lgamma(x), pbeta(x, a, b), pf(f, d1, d2, lower.tail =
// FALSE), printed with sprintf("%.17g")), kept in
// data/fspec_reference.csv together with the code path each row walks and
// the basis of its tolerance.

#include "numeric/fspec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <iomanip>
#include <limits>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#ifndef TITRELLE_TEST_DATA_DIR
#error "TITRELLE_TEST_DATA_DIR must name the directory of the test data files"
#endif

namespace Titrelle {
namespace {

constexpr Float NaN = std::numeric_limits<Float>::quiet_NaN();
constexpr Float Infinity = std::numeric_limits<Float>::infinity();

// Relative error in units of MachineEpsilon (absolute when Expected is 0).
Float ErrorInEps(Float Actual, Float Expected)
{
  const Float Scale = Expected == 0.0 ? 1.0 : std::fabs(Expected);
  return std::fabs(Actual - Expected) / Scale / MachineEpsilon;
}

// Expects Actual within the relative tolerance RelTol of Expected (exactly
// equal when RelTol is 0) and shows both values and the error in eps.
void ExpectClose(Float Actual, Float Expected, Float RelTol)
{
  EXPECT_LE(std::fabs(Actual - Expected), RelTol * std::fabs(Expected))
      << std::setprecision(17) << "actual " << Actual << ", expected " << Expected
      << ", error " << ErrorInEps(Actual, Expected) << " eps (allowed "
      << RelTol / MachineEpsilon << " eps)";
}

// Every test starts from the unit's start-up state.
class FspecTest : public testing::Test {
protected:
  void SetUp() override { InitFspec(); }
};

// ---------------------------------------------------------------------------
// Values and status codes at the edges of the domains.

struct TValueCase {
  const char* Name;
  std::function<Float()> Call;
  Float Expected;
  Float RelTol;  // 0: exact equality
  int Status;
};

void PrintTo(const TValueCase& Case, std::ostream* Out) { *Out << Case.Name; }

std::string CaseName(const testing::TestParamInfo<TValueCase>& Info) { return Info.param.Name; }

class FspecValueTest : public testing::TestWithParam<TValueCase> {
protected:
  void SetUp() override { InitFspec(); }
};

TEST_P(FspecValueTest, ReturnsValueAndStatus)
{
  const TValueCase& Case = GetParam();
  SetMathStatus(MathUnderflow, 0.0);  // a stale code the routine must replace
  const Float Actual = Case.Call();
  EXPECT_EQ(MathStatus(), Case.Status);
  ExpectClose(Actual, Case.Expected, Case.RelTol);
}

// Tolerances: exact where the arithmetic is exact (products of integers,
// returned constants); 4 eps where the value is a correctly rounded constant
// reached through a few rounded operations; 1e-12 where the given value is
// itself rounded to 15 digits or comes from Stirling's formula.
constexpr Float FewEps = 4.0 * MachineEpsilon;
constexpr Float SqrtPi = 1.7724538509055159;

const TValueCase GammaCases[] = {
    {"Five", [] { return GammaFunction(5.0); }, 24.0, 0.0, MathOk},
    {"Half", [] { return GammaFunction(0.5); }, SqrtPi, FewEps, MathOk},
    {"MinusHalf", [] { return GammaFunction(-0.5); }, -2.0 * SqrtPi, FewEps, MathOk},
    {"TwentyByStirling", [] { return GammaFunction(20.0); }, 1.21645100408832e17, 1e-12, MathOk},
    {"MinusTwelveAndHalf", [] { return GammaFunction(-12.5); }, -1.83660648385928e-9, 1e-12, MathOk},
    // Poles: MaxFloat with the sign of GammaSign (trunc |X| odd: +, even: -).
    {"ZeroIsPole", [] { return GammaFunction(0.0); }, -MaxFloat, 0.0, MathSingular},
    {"MinusThreeIsPole", [] { return GammaFunction(-3.0); }, MaxFloat, 0.0, MathSingular},
    {"MinusFourIsPole", [] { return GammaFunction(-4.0); }, -MaxFloat, 0.0, MathSingular},
    {"HugeNegativeIntegerIsPole", [] { return GammaFunction(-1e300); }, -MaxFloat, 0.0, MathSingular},
    {"AboveMaximumOverflows", [] { return GammaFunction(172.0); }, MaxFloat, 0.0, MathOverflow},
    {"InfinityOverflows", [] { return GammaFunction(Infinity); }, MaxFloat, 0.0, MathOverflow},
    // |Gamma| below -MaxGammaArgument is far below the smallest normal double.
    {"BelowMinusMaximumUnderflows", [] { return GammaFunction(-200.5); }, 0.0, 0.0, MathUnderflow},
};
INSTANTIATE_TEST_SUITE_P(Gamma, FspecValueTest, testing::ValuesIn(GammaCases), CaseName);

const TValueCase LnGammaCases[] = {
    {"Hundred", [] { return LnGammaFunction(100.0); }, 359.1342053695754, FewEps, MathOk},
    {"SmallArgument", [] { return LnGammaFunction(0.01); }, 4.599479878042022, FewEps, MathOk},
    {"Reflection", [] { return LnGammaFunction(-40.5); }, -111.02964715732848, FewEps, MathOk},
    {"ZeroIsPole", [] { return LnGammaFunction(0.0); }, MaxFloat, 0.0, MathSingular},
    {"MinusThreeIsPole", [] { return LnGammaFunction(-3.0); }, MaxFloat, 0.0, MathSingular},
    {"AboveMaximumOverflows", [] { return LnGammaFunction(3e305); }, MaxFloat, 0.0, MathOverflow},
    {"InfinityOverflows", [] { return LnGammaFunction(Infinity); }, MaxFloat, 0.0, MathOverflow},
};
INSTANTIATE_TEST_SUITE_P(LnGamma, FspecValueTest, testing::ValuesIn(LnGammaCases), CaseName);

const TValueCase IncompleteBetaCases[] = {
    {"AtZero", [] { return IncompleteBeta(2.0, 3.0, 0.0); }, 0.0, 0.0, MathOk},
    {"AtOne", [] { return IncompleteBeta(2.0, 3.0, 1.0); }, 1.0, 0.0, MathOk},
    {"AtHalf", [] { return IncompleteBeta(2.0, 3.0, 0.5); }, 0.6875, FewEps, MathOk},
    {"AboveOne", [] { return IncompleteBeta(2.0, 3.0, 1.5); }, 1.0, 0.0, MathDomain},
    {"NegativeX", [] { return IncompleteBeta(2.0, 3.0, -0.1); }, 0.0, 0.0, MathDomain},
    {"ZeroA", [] { return IncompleteBeta(0.0, 3.0, 0.5); }, 0.0, 0.0, MathDomain},
    {"NegativeA", [] { return IncompleteBeta(-1.0, 3.0, 0.5); }, 0.0, 0.0, MathDomain},
    {"ZeroB", [] { return IncompleteBeta(2.0, 0.0, 0.5); }, 0.0, 0.0, MathDomain},
    {"NegativeB", [] { return IncompleteBeta(2.0, -1.0, 0.5); }, 0.0, 0.0, MathDomain},
    // The parameters are checked before X.
    {"ZeroAAndXAboveOne", [] { return IncompleteBeta(0.0, 3.0, 1.5); }, 0.0, 0.0, MathDomain},
    // The complement of a T below MachineEpsilon is held at 1 - MachineEpsilon.
    {"ComplementClamped", [] { return IncompleteBeta(2.0, 30.0, 0.97); }, 1.0 - MachineEpsilon, 0.0,
     MathOk},
};
INSTANTIATE_TEST_SUITE_P(IncompleteBeta, FspecValueTest, testing::ValuesIn(IncompleteBetaCases),
                         CaseName);

const TValueCase FDistributionTailCases[] = {
    {"CriticalValue", [] { return FDistributionTail(1, 10, 4.964602743730711); }, 0.05, 1e-12, MathOk},
    {"ZeroF", [] { return FDistributionTail(2, 5, 0.0); }, 0.0, 0.0, MathDomain},
    {"NegativeF", [] { return FDistributionTail(2, 5, -1.0); }, 0.0, 0.0, MathDomain},
    {"NaNF", [] { return FDistributionTail(2, 5, NaN); }, 0.0, 0.0, MathDomain},
    {"ZeroNu1", [] { return FDistributionTail(0, 5, 1.0); }, 0.0, 0.0, MathDomain},
    {"NegativeNu2", [] { return FDistributionTail(2, -5, 1.0); }, 0.0, 0.0, MathDomain},
    {"InfiniteF", [] { return FDistributionTail(2, 5, Infinity); }, 0.0, 0.0, MathOk},
};
INSTANTIATE_TEST_SUITE_P(FDistributionTail, FspecValueTest,
                         testing::ValuesIn(FDistributionTailCases), CaseName);

// ---------------------------------------------------------------------------
// A continued fraction that runs out of iterations: for parameters of a
// million near the mean it needs far more than 401. The routine returns its
// last estimate, and the status survives the Gamma calls that follow it.

struct TPrecisionLossCase {
  const char* Name;
  std::function<Float()> Call;
};

void PrintTo(const TPrecisionLossCase& Case, std::ostream* Out) { *Out << Case.Name; }

class FspecPrecisionLossTest : public testing::TestWithParam<TPrecisionLossCase> {
protected:
  void SetUp() override { InitFspec(); }
};

TEST_P(FspecPrecisionLossTest, ReportsPrecisionLoss)
{
  const Float Actual = GetParam().Call();
  EXPECT_EQ(MathStatus(), MathPrecisionLoss);
  EXPECT_GE(Actual, 0.0);
  EXPECT_LE(Actual, 1.0);
}

const TPrecisionLossCase PrecisionLossCases[] = {
    {"IncompleteBetaMillion", [] { return IncompleteBeta(1e6, 1e6, 0.4999); }},
    {"FDistributionTailMillionDof", [] { return FDistributionTail(2, 1000000, 4.6); }},
};
INSTANTIATE_TEST_SUITE_P(Fractions, FspecPrecisionLossTest, testing::ValuesIn(PrecisionLossCases),
                         [](const testing::TestParamInfo<TPrecisionLossCase>& Info) {
                           return std::string(Info.param.Name);
                         });

// ---------------------------------------------------------------------------
// NaN arguments end (no loop depends on them for long) and come back as NaN.

struct TNaNCase {
  const char* Name;
  std::function<Float()> Call;
};

void PrintTo(const TNaNCase& Case, std::ostream* Out) { *Out << Case.Name; }

class FspecNaNTest : public testing::TestWithParam<TNaNCase> {};

TEST_P(FspecNaNTest, ReturnsNaN) { EXPECT_TRUE(std::isnan(GetParam().Call())); }

const TNaNCase NaNCases[] = {
    {"Gamma", [] { return GammaFunction(NaN); }},
    {"LnGamma", [] { return LnGammaFunction(NaN); }},
    {"IncompleteBetaA", [] { return IncompleteBeta(NaN, 3.0, 0.5); }},
    {"IncompleteBetaB", [] { return IncompleteBeta(2.0, NaN, 0.5); }},
    {"IncompleteBetaX", [] { return IncompleteBeta(2.0, 3.0, NaN); }},
};
INSTANTIATE_TEST_SUITE_P(Arguments, FspecNaNTest, testing::ValuesIn(NaNCases),
                         [](const testing::TestParamInfo<TNaNCase>& Info) {
                           return std::string(Info.param.Name);
                         });

// ---------------------------------------------------------------------------
// Start-up and the status reset of the public routines.

TEST_F(FspecTest, InitSetsStatusOk)
{
  SetMathStatus(MathDomain, 0.0);
  InitFspec();
  EXPECT_EQ(MathStatus(), MathOk);
}

TEST_F(FspecTest, PublicRoutinesResetStatus)
{
  SetMathStatus(MathDomain, 0.0);
  GammaFunction(2.5);
  EXPECT_EQ(MathStatus(), MathOk) << "GammaFunction";
  SetMathStatus(MathDomain, 0.0);
  LnGammaFunction(2.5);
  EXPECT_EQ(MathStatus(), MathOk) << "LnGammaFunction";
  SetMathStatus(MathDomain, 0.0);
  IncompleteBeta(2.0, 3.0, 0.5);
  EXPECT_EQ(MathStatus(), MathOk) << "IncompleteBeta";
  SetMathStatus(MathDomain, 0.0);
  FDistributionTail(2, 5, 3.5);
  EXPECT_EQ(MathStatus(), MathOk) << "FDistributionTail";
}

// ---------------------------------------------------------------------------
// Independent check against R.

struct TReferenceCase {
  std::string Name;
  std::string Function;  // Gamma, LnGamma, IncompleteBeta or FDistributionTail
  Float Arg1 = 0.0, Arg2 = 0.0, Arg3 = 0.0;
  Float Expected = 0.0;
  Float Tolerance = 0.0;  // relative, or absolute when Absolute is set
  bool Absolute = false;
  std::string Comment;  // code path and basis of the tolerance
};

void PrintTo(const TReferenceCase& Case, std::ostream* Out) { *Out << Case.Name; }

struct TReferenceTable {
  std::vector<TReferenceCase> Cases;
  std::vector<std::string> Errors;  // unreadable file or lines
};

// Reads data/fspec_reference.csv once: lines starting with '#' are comments,
// the first other line names the columns name, function, arg1, arg2, arg3,
// expected, tolerance, mode (rel or abs), comment.
const TReferenceTable& ReferenceTable()
{
  static const TReferenceTable Table = [] {
    TReferenceTable Result;
    const std::string Path = std::string(TITRELLE_TEST_DATA_DIR) + "/fspec_reference.csv";
    std::ifstream In(Path);
    if (!In) {
      Result.Errors.push_back("cannot open " + Path);
      return Result;
    }
    std::string Line;
    bool HeaderSeen = false;
    for (int LineNo = 1; std::getline(In, Line); ++LineNo) {
      if (Line.empty() || Line[0] == '#')
        continue;
      if (!HeaderSeen) {
        HeaderSeen = true;
        continue;
      }
      std::vector<std::string> Fields;
      std::istringstream Split(Line);
      std::string Field;
      while (Fields.size() < 8 && std::getline(Split, Field, ','))
        Fields.push_back(Field);
      std::getline(Split, Field);  // the comment keeps any commas
      Fields.push_back(Field);
      const auto Number = [&](const std::string& Text, bool AllowEmpty, Float& Value) {
        if (Text.empty()) {
          Value = 0.0;
          return AllowEmpty;
        }
        char* End = nullptr;
        Value = std::strtod(Text.c_str(), &End);
        return *End == '\0';
      };
      TReferenceCase Case;
      bool Ok = Fields.size() == 9;
      if (Ok) {
        Case.Name = Fields[0];
        Case.Function = Fields[1];
        Ok = Number(Fields[2], false, Case.Arg1) && Number(Fields[3], true, Case.Arg2) &&
             Number(Fields[4], true, Case.Arg3) && Number(Fields[5], false, Case.Expected) &&
             Number(Fields[6], false, Case.Tolerance) &&
             (Fields[7] == "rel" || Fields[7] == "abs");
        Case.Absolute = Ok && Fields[7] == "abs";
        Case.Comment = Fields[8];
      }
      if (Ok)
        Result.Cases.push_back(Case);
      else
        Result.Errors.push_back("line " + std::to_string(LineNo) + ": " + Line);
    }
    return Result;
  }();
  return Table;
}

class FspecReferenceTest : public testing::TestWithParam<TReferenceCase> {
protected:
  void SetUp() override { InitFspec(); }
};

TEST_P(FspecReferenceTest, AgreesWithR)
{
  const TReferenceCase& Case = GetParam();
  Float Actual = NaN;
  if (Case.Function == "Gamma")
    Actual = GammaFunction(Case.Arg1);
  else if (Case.Function == "LnGamma")
    Actual = LnGammaFunction(Case.Arg1);
  else if (Case.Function == "IncompleteBeta")
    Actual = IncompleteBeta(Case.Arg1, Case.Arg2, Case.Arg3);
  else if (Case.Function == "FDistributionTail")
    Actual = FDistributionTail(static_cast<int>(Case.Arg1), static_cast<int>(Case.Arg2), Case.Arg3);
  else
    FAIL() << "unknown function " << Case.Function;

  EXPECT_EQ(MathStatus(), MathOk);
  const Float Error = std::fabs(Actual - Case.Expected);
  const Float Allowed = Case.Absolute ? Case.Tolerance : Case.Tolerance * std::fabs(Case.Expected);
  const Float Scale = Case.Absolute || Case.Expected == 0.0 ? 1.0 : std::fabs(Case.Expected);
  EXPECT_LE(Error, Allowed) << std::setprecision(17) << Case.Function << "(" << Case.Arg1 << ", "
                            << Case.Arg2 << ", " << Case.Arg3 << "): actual " << Actual
                            << ", expected " << Case.Expected << ", error "
                            << Error / Scale / MachineEpsilon << " eps "
                            << (Case.Absolute ? "absolute" : "relative") << " (allowed "
                            << Case.Tolerance / MachineEpsilon << " eps); " << Case.Comment;
}

INSTANTIATE_TEST_SUITE_P(R, FspecReferenceTest, testing::ValuesIn(ReferenceTable().Cases),
                         [](const testing::TestParamInfo<TReferenceCase>& Info) {
                           return Info.param.Name;
                         });

// The table must load and hold at least 20 rows for each routine.
TEST(FspecReferenceTable, CoversEveryRoutine)
{
  const TReferenceTable& Table = ReferenceTable();
  for (const std::string& Error : Table.Errors)
    ADD_FAILURE() << Error;
  std::map<std::string, int> Rows;
  for (const TReferenceCase& Case : Table.Cases)
    ++Rows[Case.Function];
  for (const char* Function : {"Gamma", "LnGamma", "IncompleteBeta", "FDistributionTail"})
    EXPECT_GE(Rows[Function], 20) << Function;
  EXPECT_EQ(Rows.size(), 4u);
}

}  // namespace
}  // namespace Titrelle
