// The data sheet: number parsing, the column transformations, the background,
// reading the sheet into the data vectors, the exclusion marks and the edit
// guard.
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

#include "workbench/MainUnit.h"

namespace Titrelle {

namespace {

const char* const TwoPairsMessage = "必须有两对以上数据才能进行回归计算.";

// ln 2 and ln 10, the divisors of the logarithmic transformations.
constexpr Float Ln2 = 0.69314718055994530942;
constexpr Float Ln10 = 2.30258509299404568402;

// Exponents beyond this many decimal places all mean "out of range"; the
// cap only keeps the exponent's own arithmetic from overflowing.
constexpr long long ExponentCap = 1000000000000000LL;

void ShowError(const std::string& Text)
{
  Window().Messages->Show({Text, "错误", TMessageIcon::Error, TMessageButtons::Ok});
}

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// Text without its leading and trailing characters of code up to 32.
std::string Trimmed(const std::string& Text)
{
  std::size_t First = 0, Last = Text.size();
  while (First < Last && static_cast<unsigned char>(Text[First]) <= 32)
    ++First;
  while (Last > First && static_cast<unsigned char>(Text[Last - 1]) <= 32)
    --Last;
  return Text.substr(First, Last - First);
}

// Length of a label in the double-byte code page the sheet's labels were
// counted in: one byte per ASCII character, two per any other character.
int GbkLength(const std::string& Text)
{
  int N = 0;
  for (unsigned char C : Text)
    if (C < 0x80)
      N += 1;
    else if ((C & 0xC0) != 0x80)
      N += 2;
  return N;
}

bool IsExcluded(const std::string& Label) { return Label.find(ExclusionMark) != std::string::npos; }

}  // namespace

// Value is the number on success and 0 on failure. Independent of the
// process locale: the decimal point is always ".".
bool ParseNumber(const std::string& Text, Float& Value)
{
  Value = 0.0;
  const std::string S = Trimmed(Text);
  const std::size_t Len = S.size();
  std::size_t I = 0;

  // 1. Optional sign.
  bool Negative = false;
  if (I < Len && (S[I] == '+' || S[I] == '-')) {
    Negative = S[I] == '-';
    ++I;
  }
  const std::size_t NumberStart = I;

  // 2. Digits with at most one decimal point, at least one digit. Lead is
  //    the decimal place of the first non-zero digit (its value is a digit
  //    times 10^Lead), so the number's magnitude is about 10^(Lead + exponent).
  int Digits = 0;
  bool Point = false, SeenNonZero = false;
  long long IntegerPlaces = 0, FractionPlaces = 0, Lead = 0;
  for (; I < Len && (IsDigit(S[I]) || S[I] == '.'); ++I) {
    if (S[I] == '.') {
      if (Point)
        return false;
      Point = true;
      continue;
    }
    ++Digits;
    if (Point)
      ++FractionPlaces;
    else if (SeenNonZero)
      ++IntegerPlaces;  // integer digits after the first non-zero one
    if (S[I] != '0' && !SeenNonZero) {
      SeenNonZero = true;
      if (Point)
        Lead = -FractionPlaces;
    }
  }
  if (Digits == 0)
    return false;
  if (SeenNonZero && Lead == 0)  // first non-zero digit in the integer part
    Lead = IntegerPlaces;

  // 3. Optional exponent: E or e, optional sign, digits.
  long long Exponent = 0;
  if (I < Len && (S[I] == 'E' || S[I] == 'e')) {
    ++I;
    bool ExpNegative = false;
    if (I < Len && (S[I] == '+' || S[I] == '-')) {
      ExpNegative = S[I] == '-';
      ++I;
    }
    int ExpDigits = 0;
    for (; I < Len && IsDigit(S[I]); ++I) {
      ++ExpDigits;
      if (Exponent < ExponentCap)
        Exponent = Exponent * 10 + (S[I] - '0');
    }
    if (ExpDigits == 0)
      return false;
    if (ExpNegative)
      Exponent = -Exponent;
  }
  if (I != Len)
    return false;

  // 4. Conversion. Out of range is either an overflow (invalid) or an
  //    underflow, which becomes 0 like any other result below the normal range.
  Float Magnitude = 0.0;
  const auto Result = std::from_chars(S.data() + NumberStart, S.data() + Len, Magnitude);
  if (Result.ec == std::errc::result_out_of_range) {
    if (Lead + Exponent > 0)
      return false;
    Magnitude = 0.0;
  } else if (Result.ec != std::errc() || Result.ptr != S.data() + Len || !std::isfinite(Magnitude)) {
    return false;
  }
  Value = Negative ? -Magnitude : Magnitude;
  return true;
}

// Forward transformation by list index (0 none, 1 log2, 2 log10, 3 square,
// 4 square root, 5 exponential; others leave V). False when V is outside
// the domain or the result overflows; V is then unusable.
bool ApplyTransform(Float& V, int Index)
{
  try {
    switch (Index) {
      case 1: V = PlainLn(V) / Ln2; break;
      case 2: V = PlainLn(V) / Ln10; break;
      case 3: V = CheckFinite(V * V); break;
      case 4: V = PlainSqrt(V); break;
      case 5: V = PlainExp(V); break;
      default: break;
    }
  } catch (const ArithmeticFault&) {
    return false;
  }
  return true;
}

// Inverse transformation by list index (1 2^v, 2 10^v, 3 square root,
// 4 square, 5 ln; others leave V). False on a domain error or an overflow.
bool UndoTransform(Float& V, int Index)
{
  try {
    switch (Index) {
      case 1: V = CheckFinite(std::pow(2.0, V)); break;
      case 2: V = CheckFinite(std::pow(10.0, V)); break;
      case 3: V = PlainSqrt(V); break;
      case 4: V = CheckFinite(V * V); break;
      case 5: V = PlainLn(V); break;
      default: break;
    }
  } catch (const ArithmeticFault&) {
    return false;
  }
  return true;
}

// The number in the background field while "Subtract the background" is
// ticked; 0 when the box is clear or the field is not a number (silently).
Float BackgroundValue()
{
  const IControls& Controls = *Window().Controls;
  Float Value = 0.0;
  if (!Controls.SubtractBackground() || !ParseNumber(Controls.BackgroundText(), Value))
    return 0.0;
  return Value;
}

// False exactly when the background is to be subtracted and its field is
// not a number, so the regression run can refuse the silent 0.
bool BackgroundIsValid()
{
  const IControls& Controls = *Window().Controls;
  Float Value = 0.0;
  return !Controls.SubtractBackground() || ParseNumber(Controls.BackgroundText(), Value);
}

// Highest row 1..RowCount-1 with a non-blank X or Y cell; 0 for none.
int LastUsedRow()
{
  const ISheet& Sheet = *Window().Sheet;
  for (int R = Sheet.RowCount() - 1; R >= 1; --R)
    if (!Trimmed(Sheet.Cell(1, R)).empty() || !Trimmed(Sheet.Cell(2, R)).empty())
      return R;
  return 0;
}

// Fills DataX, DataY (1..PointCount) from the rows without exclusion mark.
// On false one message has been shown and the vectors hold a partial read.
bool ReadData()
{
  TWorkbenchState& W = Workbench();
  const ISheet& Sheet = *Window().Sheet;
  const IControls& Controls = *Window().Controls;

  // 1.-2. At least two rows in use.
  W.PointCount = 0;
  const int N = LastUsedRow();
  if (N < 2) {
    ShowError(TwoPairsMessage);
    return false;
  }

  // 3. Fresh vectors for at most N points.
  AllocVector(W.DataX, N);
  AllocVector(W.DataY, N);

  // 4. Every row up to N that is not excluded, in order.
  for (int R = 1; R <= N; ++R) {
    // 4.1
    if (IsExcluded(Sheet.Cell(0, R)))
      continue;
    // 4.2
    const int K = ++W.PointCount;
    const std::string Row = std::to_string(R);

    // 4.3 X, transformed before the Y cell is read. A cell that is not a
    //     number is not transformed: its message comes in step 5.
    Float X = 0.0;
    const bool XValid = ParseNumber(Sheet.Cell(1, R), X);
    if (XValid && !ApplyTransform(X, Controls.XTransform())) {
      ShowError("错误: 不能进行函数转换 (X" + Row + ")");
      return false;
    }
    W.DataX[K] = X;

    // 4.4 Y less the background, then transformed.
    Float Y = 0.0;
    const bool YValid = ParseNumber(Sheet.Cell(2, R), Y);
    if (YValid) {
      Y = CheckFinite(Y - BackgroundValue());
      if (!ApplyTransform(Y, Controls.YTransform())) {
        ShowError("错误: 不能进行函数转换 (Y" + Row + ")");
        return false;
      }
    }
    W.DataY[K] = Y;

    // 4.5 The first cell that is not a number, X before Y.
    if (!XValid || !YValid) {
      ShowError(std::string("错误: 您输入的不是有效的数字格式 (") + (XValid ? "Y" : "X") + Row + ")");
      return false;
    }
  }

  // 5. Too many rows excluded.
  if (W.PointCount < 2) {
    ShowError(TwoPairsMessage);
    return false;
  }
  return true;
}

// Mouse down on a sheet cell: a row label (column 0, rows 1..RowCount-1)
// gains or loses the exclusion mark; other cells are left alone.
void ToggleExclusion(int Row, int Col)
{
  ISheet& Sheet = *Window().Sheet;
  if (Col != 0 || Row < 1 || Row > Sheet.RowCount() - 1)
    return;
  std::string Label = Sheet.Cell(0, Row);
  if (IsExcluded(Label)) {
    Sheet.SetCell(0, Row, std::to_string(Row));
    return;
  }
  // The mark follows the label padded to four code-page bytes.
  while (GbkLength(Label) < 4)
    Label += ' ';
  Sheet.SetCell(0, Row, Label + ExclusionMark);
}

// Editing of a cell begins: remember its text for the guard.
void BeginCellEdit(int /*Col*/, int /*Row*/, const std::string& Text) { Workbench().EditStartText = Text; }

// Edited text has been stored in the cell: a text with a control character
// (code below 32) is replaced by the text the cell had when editing began.
void EndCellEdit(int Col, int Row, const std::string& Text)
{
  for (unsigned char C : Text)
    if (C < 32) {
      Window().Sheet->SetCell(Col, Row, Workbench().EditStartText);
      return;
    }
}

}  // namespace Titrelle
