// The regression report: the model's title, equation and parameters, r², a
// table of the data with replicate means and CV%, calculated responses and
// residuals, the number of points and the residual sum of squares.
#include <cassert>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "workbench/MainUnit.h"

namespace Titrelle {

namespace {

// From this magnitude the fixed-point text would need more than 36 integer
// digits; such numbers are written with an exponent.
constexpr Float ExponentFrom = 1e36;
// Widths and decimals of the report's number fields.
constexpr int ParamWidth = 15, ParamDecimals = 5;
constexpr int ColumnWidth = 12, ColumnDecimals = 4;
constexpr int CVWidth = 6, CVDecimals = 2;

const char* const FailedField = "------";
const char* const ReportFaultText = "错误: 生成回归报告时出现算术错误 (数值溢出或无效运算), 报告未能生成.";

// Adds one unit in the last place to a string of decimal digits; true when a
// carry came out of the first digit (a "1" is then put in front).
bool IncrementDigits(std::string& Digits)
{
  for (std::size_t I = Digits.size(); I-- > 0;) {
    if (Digits[I] != '9') {
      ++Digits[I];
      return false;
    }
    Digits[I] = '0';
  }
  Digits.insert(Digits.begin(), '1');
  return true;
}

// A (finite, >= 0, below 1e36) with D decimals, halves rounded up. The
// exact decimal expansion of the double (at most 1074 decimals) decides the
// rounding, so only a true half rounds up.
std::string FixedDigits(Float A, int D)
{
  // 36 integer digits, the point, 1100 decimals and the terminator.
  char Buffer[1200];
  std::snprintf(Buffer, sizeof Buffer, "%.1100f", A);
  const std::string Exact(Buffer);
  const std::size_t Point = Exact.find('.');
  std::string Kept = Exact.substr(0, Point) + Exact.substr(Point + 1, D);
  if (Exact[Point + 1 + D] >= '5')
    IncrementDigits(Kept);
  const std::size_t IntegerDigits = Kept.size() - D;
  return D > 0 ? Kept.substr(0, IntegerDigits) + "." + Kept.substr(IntegerDigits) : Kept;
}

// A (finite, >= 1e36) as a mantissa with D decimals, halves rounded up, and
// "E+" with the decimal exponent: 1.50000E+40.
std::string ExponentDigits(Float A, int D)
{
  // Every double of this size is an integer, printed exactly (at most 309 digits).
  char Buffer[400];
  std::snprintf(Buffer, sizeof Buffer, "%.0f", A);
  const std::string Exact(Buffer);
  int Exponent = static_cast<int>(Exact.size()) - 1;
  std::string Kept = Exact.substr(0, D + 1);
  if (Exact[D + 1] >= '5' && IncrementDigits(Kept)) {
    Kept.pop_back();
    ++Exponent;
  }
  std::string Text = Kept.substr(0, 1);
  if (D > 0) {
    Text += '.';
    Text += Kept.substr(1);
  }
  Text += "E+";
  Text += std::to_string(Exponent);
  return Text;
}

// label + FormatFixed(value, 15, 5) + line end.
std::string ParamLine(const char* Label, Float Value)
{
  return Label + FormatFixed(Value, ParamWidth, ParamDecimals) + "\r\n";
}

bool OptionOn(int Index)
{
  const TVector& Options = Workbench().ModelOptions;
  return Index < Options.Size() && Options[Index] == 1.0;
}

// The title block (title, equals line, equation lines) and the parameter
// lines P1..P5 of the current model; all empty for a ModelCode without a report.
void ModelTexts(const std::string& EqualsLine, std::string& Block, std::string (&P)[5])
{
  const TWorkbenchState& W = Workbench();
  const TVector& B = W.CurveParams;
  const bool Constant = OptionOn(0);
  const bool General = OptionOn(1);
  switch (W.ModelCode) {
  case 0:
    Block = "直线回归\r\n\r\n" + EqualsLine + "方程: y = a + b*x\r\n";
    P[0] = ParamLine("a    =", B[0]);
    P[1] = ParamLine("b    =", B[1]);
    break;
  case 2:
    if (W.ModelOptions.Size() > 0 && W.ModelOptions[0] == 2.0) {
      Block = "二次曲线回归\r\n\r\n" + EqualsLine + "方程: y = a + b*x + c*x^2\r\n";
    } else {
      Block = "三次曲线回归\r\n\r\n" + EqualsLine + "方程: y = a + b*x + c*x^2 + d*x^3\r\n";
      P[3] = ParamLine("d    =", B[3]);
    }
    P[0] = ParamLine("a    =", B[0]);
    P[1] = ParamLine("b    =", B[1]);
    P[2] = ParamLine("c    =", B[2]);
    break;
  case 5:
    Block = "指数曲线拟合\r\n\r\n" + EqualsLine + "方程: y = " + (Constant ? "Ymin + " : "") + "A [1 - e^(-k*x)]" +
            "\r\n";
    if (Constant)
      P[0] = ParamLine("Ymin =", B[0]);
    P[1] = ParamLine("A    =", B[1]);
    P[2] = ParamLine("k    =", B[2]);
    break;
  case 10:
    Block = "Hill曲线拟合\r\n\r\n" + EqualsLine + "方程: y = ymax * x^n / (k^n + x^n)\r\n";
    P[0] = ParamLine("ymax =", B[0]);
    P[1] = ParamLine("k    =", B[1]);
    P[2] = ParamLine("n    =", B[2]);
    break;
  case 11:
    Block = "Logistic曲线拟合\r\n\r\n" + EqualsLine +
            (Constant ? "方程: y = A + (B - A) / [1 + e^(-a*x + b)]" : "方程: y = B / [1 + e^(-a*x + b)]");
    // The general form wraps the whole block built so far.
    if (General)
      Block = "一般形式的" + Block + "^n";
    Block += "\r\n";
    if (Constant)
      P[0] = ParamLine("A    =", B[0]);
    P[1] = ParamLine("B    =", B[1]);
    P[2] = ParamLine("a    =", B[2]);
    P[3] = ParamLine("b    =", B[3]);
    if (General)
      P[4] = ParamLine("n    =", B[4]);
    break;
  case 13:
    Block = "四参数Logistic曲线拟合\r\n\r\n" + EqualsLine + "方程: y = (A - D) / [1 + (x/C)^B] + D\r\n";
    P[0] = ParamLine("A    =", B[0]);
    P[1] = ParamLine("B    =", B[1]);
    P[2] = ParamLine("C    =", B[2]);
    P[3] = ParamLine("D    =", B[3]);
    break;
  case 14:
    Block = "五参数Logistic曲线拟合\r\n\r\n" + EqualsLine + "方程: y = (A - D) / [(1 + (x/C)^B)]^n + D\r\n";
    P[0] = ParamLine("A    =", B[0]);
    P[1] = ParamLine("B    =", B[1]);
    P[2] = ParamLine("C    =", B[2]);
    P[3] = ParamLine("D    =", B[3]);
    P[4] = ParamLine("n    =", B[4]);
    break;
  case LogitLogModelCode:
    Block = "Logit-log 直线回归\r\n\r\n" + EqualsLine +
            "令 p = OD/OD0,         q = 1 - p,\r\n"
            "   y = ln (p / q),     x = lg (浓度),\r\n"
            "其中: OD  为反应值,\r\n"
            "      OD0 为浓度为 0 的反应值的均值,\r\n"
            "则方程为:\r\n"
            "y = a + b*x\r\n";
    P[0] = ParamLine("a    =", B[0]);
    P[1] = ParamLine("b    =", B[1]);
    break;
  default:
    break;
  }
}

// Closes the replicate group at points First..Last of the sorted data: a
// group of two or more gets its mean, sd and CV% on its last point.
void CloseGroup(std::vector<TDevRec>& Dev, int First, int Last)
{
  const int K = Last - First + 1;
  if (K < 2)
    return;
  const TVector& Y = Workbench().DataY;
  Float S = 0.0, Q = 0.0;
  for (int I = First; I <= Last; ++I) {
    S = CheckFinite(S + Y[I]);
    Q = CheckFinite(Q + CheckFinite(Y[I] * Y[I]));
  }
  // Identical replicates can leave a variance a few units in the last place
  // below 0; it counts as 0.
  Float Variance = CheckFinite(Q - CheckFinite(S * S) / K) / (K - 1);
  if (Variance < 0.0)
    Variance = 0.0;
  const Float Sd = PlainSqrt(Variance);
  Dev[Last].MeanText = FormatFixed(S / K, ColumnWidth, ColumnDecimals);
  Dev[Last].SDText = FormatFixed(Sd, 1, 4);
  // CV% = sd / S * k * 100, undefined for a group mean of 0 (and not
  // representable for a mean so small that it overflows): the field stays blank.
  if (S != 0.0) {
    const Float CV = Sd / S * K * 100.0;
    if (std::isfinite(CV))
      Dev[Last].CVText = FormatFixed(CV, CVWidth, CVDecimals);
  }
}

}  // namespace

// DataX/DataY at 1..PointCount sorted in place by X, then by Y.
void SortData()
{
  TWorkbenchState& W = Workbench();
  const TVector& X = W.DataX;
  const TVector& Y = W.DataY;
  const int N = W.PointCount;
  for (int I = 1; I <= N - 1; ++I)
    for (int J = I + 1; J <= N; ++J)
      if (X[I] > X[J] || (X[I] == X[J] && Y[I] > Y[J])) {
        SwapFloats(X[I], X[J]);
        SwapFloats(Y[I], Y[J]);
      }
}

// Sorts the data, then fills Dev[1..PointCount]: the group mean, sd and CV%
// texts on the last point of every group of equal X, blanks elsewhere.
// Arithmetic faults (sums beyond the double range) reach the caller.
void ReplicateStats(std::vector<TDevRec>& Dev)
{
  // 1. Sort.
  SortData();

  // 2. Blank fields for every point.
  const TWorkbenchState& W = Workbench();
  const int N = W.PointCount;
  Dev.assign(N + 1, TDevRec{std::string(ColumnWidth, ' '), "", std::string(CVWidth, ' ')});

  // 3. Groups of consecutive points with exactly equal X; the last group is
  //    closed after the walk.
  int First = 1;
  for (int I = 2; I <= N + 1; ++I) {
    if (I <= N && W.DataX[I] == W.DataX[First])
      continue;
    CloseGroup(Dev, First, I - 1);
    First = I;
  }
}

// r² of the current curve on the data; NaN when it is undefined (all
// responses equal, or the curve cannot be evaluated at a point).
// Arithmetic faults (sums beyond the double range) reach the caller.
Float CurveRSquared()
{
  const TWorkbenchState& W = Workbench();
  const int N = W.PointCount;
  constexpr Float Undefined = std::numeric_limits<Float>::quiet_NaN();

  // 1. The mean response.
  Float Sum = 0.0;
  for (int I = 1; I <= N; ++I)
    Sum = CheckFinite(Sum + W.DataY[I]);
  const Float Mean = CheckedDivide(Sum, N);

  // 2. Spread of the responses and of the curve about their mean.
  Float SSy = 0.0, SSr = 0.0;
  for (int I = 1; I <= N; ++I) {
    Float Fitted = 0.0;
    if (!EvaluateCurve(Fitted, W.DataX[I]))
      return Undefined;
    const Float Dy = CheckFinite(W.DataY[I] - Mean);
    const Float Dr = CheckFinite(Fitted - Mean);
    SSy = CheckFinite(SSy + CheckFinite(Dy * Dy));
    SSr = CheckFinite(SSr + CheckFinite(Dr * Dr));
  }

  // 3. The ratio, or its reciprocal when above 1; written as the one quotient
  //    of the two that is at most 1, so it cannot overflow.
  if (SSy == 0.0)
    return Undefined;
  return SSr > SSy ? SSy / SSr : SSr / SSy;
}

// X with Decimals decimals (no point for 0), halves away from zero, a minus
// sign for every negative value (also one that rounds to 0), right-aligned
// in Width blanks and never cut. From 1e36 on an exponent form (1.50000E+40);
// a value that is not finite shows as "------".
std::string FormatFixed(Float X, int Width, int Decimals)
{
  assert(Decimals >= 0 && Decimals <= 20);
  std::string Text;
  if (!std::isfinite(X))
    Text = FailedField;
  else if (std::fabs(X) >= ExponentFrom)
    Text = ExponentDigits(std::fabs(X), Decimals);
  else
    Text = FixedDigits(std::fabs(X), Decimals);
  if (X < 0.0)
    Text = "-" + Text;
  if (static_cast<int>(Text.size()) < Width)
    Text.insert(0, static_cast<std::size_t>(Width) - Text.size(), ' ');
  return Text;
}

// The report button's action: builds the report into the memo and sets
// ModeReport. An arithmetic fault abandons it: memo and mode stay as they
// were and an error message is shown.
void ShowReport()
{
  TWorkbenchState& W = Workbench();
  const int PreviousMode = W.ViewMode;
  try {
    // 1. Replicate statistics, sorting the data.
    std::vector<TDevRec> Dev;
    ReplicateStats(Dev);

    // 2. The rule lines.
    const std::string DashLine = std::string(66, '-') + "\r\n";
    const std::string EqualsLine = std::string(66, '=') + "\r\n";

    // 3. The mode.
    W.ViewMode = ModeReport;

    // 4. The r² line; an undefined r² (not a number) fails the test.
    const Float RSquared = CurveRSquared();
    const std::string RSquaredLine = RSquared <= 1.0000001
                                         ? "r^2  =" + FormatFixed(RSquared, ParamWidth, ParamDecimals) + "\r\n"
                                         : std::string("r^2  =       --------\r\n");

    // 5. Title block and parameter lines.
    std::string Block;
    std::string P[5];
    ModelTexts(EqualsLine, Block, P);

    // 6. The table. A point where the curve cannot be evaluated shows
    //    "------" as its calculated value and residual, and leaves the sum of
    //    squares undefined.
    std::string Table = "           X    Y-反应值    Y-平均值 CV(%)    Y-计算值      Y-残差\r\n" + DashLine;
    const std::string FailedColumn = std::string(ColumnWidth - 6, ' ') + FailedField;
    Float SS = 0.0;
    bool SSDefined = true;
    for (int I = 1; I <= W.PointCount; ++I) {
      Table += FormatFixed(W.DataX[I], ColumnWidth, ColumnDecimals) +
               FormatFixed(W.DataY[I], ColumnWidth, ColumnDecimals) + Dev[I].MeanText + Dev[I].CVText;
      Float Fitted = 0.0;
      if (EvaluateCurve(Fitted, W.DataX[I])) {
        // The residual is calculated minus observed.
        const Float Residual = CheckFinite(Fitted - W.DataY[I]);
        Table += FormatFixed(Fitted, ColumnWidth, ColumnDecimals) + FormatFixed(Residual, ColumnWidth, ColumnDecimals);
        SS = CheckFinite(SS + CheckFinite(Residual * Residual));
      } else {
        Table += FailedColumn + FailedColumn;
        SSDefined = false;
      }
      Table += "\r\n";
    }

    // 7. The report in its order.
    const std::string Report = Block + DashLine + P[0] + P[1] + P[2] + P[3] + P[4] + RSquaredLine + EqualsLine +
                               "\r\n\r\n\r\n" + EqualsLine + Table + EqualsLine + "数据个数  " +
                               FormatFixed(W.PointCount, 1, 0) + "\r\n残差平方和  " +
                               (SSDefined ? FormatFixed(SS, 1, 5) : std::string(FailedField)) + "\r\n";

    // 8. Into the memo.
    Window().Controls->SetReportText(Report);
    W.ViewMode = ModeReport;
  } catch (const ArithmeticFault&) {
    // The mode goes back with the view that is still shown, so that the
    // commands keep acting on that view.
    W.ViewMode = PreviousMode;
    Window().Messages->Show({ReportFaultText, "错误", TMessageIcon::Error, TMessageButtons::Ok});
  }
}

}  // namespace Titrelle
