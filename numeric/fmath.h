// Math status, numeric limits, scalar utilities, guarded elementary functions
// and the checked arithmetic primitives that raise ArithmeticFault.
#pragma once

#include <bit>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace Titrelle {

using Float = double;

// ---------------------------------------------------------------------------
// Numeric limits

inline constexpr Float MachineEpsilon = 2.220446049250313e-16;  // 2^-52
// Four units in the last place below the largest double, so that a value
// returned on overflow can still be added to or scaled a little.
inline constexpr Float MaxFloat = std::bit_cast<Float>(std::uint64_t{0x7FEFFFFFFFFFFFFB});
inline constexpr Float MinFloat = 5.56268464626801e-309;         // smallest magnitude safe to invert
inline constexpr Float MaxExpArgument = 709.782712893384;        // ln MaxFloat
inline constexpr Float MinExpArgument = -708.3964185322641;      // ln 2^-1022

// ---------------------------------------------------------------------------
// Math status: the code of the last error met by a guarded function.
// Informational only; no decision depends on it.

enum : int {
  MathOk = 0,
  MathDomain = -1,         // argument outside the function's domain
  MathSingular = -2,       // function singular at the argument
  MathOverflow = -3,       // result too large; MaxFloat (signed where known) returned
  MathUnderflow = -4,      // result below the normal range; 0 returned
  MathPrecisionLoss = -6,  // an expansion stopped at its iteration limit; last estimate returned
};

// Stores Code as the math status and returns Value unchanged.
Float SetMathStatus(int Code, Float Value);
// The current math status.
int MathStatus();

// Start-up step of the unit: status MathOk, SignOfZero 1, MantissaBits 52 and
// the Lambert W constants. Safe to call again (tests reset with it).
void InitFmath();

// ---------------------------------------------------------------------------
// Scalar utilities (no status)

int LesserInt(int A, int B);
Float LesserFloat(Float X, Float Y);
Float GreaterFloat(Float X, Float Y);
// 1 for X > 0, -1 for X < 0, SignOfZero (1) for X = 0.
int SignOf(Float X);
// |A| when B >= 0, otherwise -|A|.
Float TransferSign(Float A, Float B);
void SwapFloats(Float& X, Float& Y);

// ---------------------------------------------------------------------------
// Guarded elementary functions: never fault; a bad argument gives a defined
// value and a math status code.

Float GuardedExp(Float X);
Float GuardedExp10(Float X);
Float GuardedLn(Float X);
Float GuardedLog10(Float X);
Float GuardedLog2(Float X);
Float GuardedIntPower(Float X, int N);
Float GuardedPower(Float X, Float Y);
Float Hypotenuse(Float X, Float Y);
// Real solution W of W e^W = A. With Offset, X is the distance A + 1/e from
// the branch point. PrincipalBranch selects W >= -1, otherwise W <= -1.
Float SolveWExpW(Float X, bool PrincipalBranch, bool Offset);

// ---------------------------------------------------------------------------
// Arithmetic faults: plain arithmetic that meets a division by zero, an
// invalid operation or an overflow of a stored value stops with this
// exception, which only the workbench catches.

enum class TFaultKind { DivideByZero, Invalid, Overflow };

class ArithmeticFault : public std::runtime_error {
public:
  ArithmeticFault(TFaultKind Kind, const std::string& What);
  TFaultKind Kind() const { return FaultKind; }

private:
  TFaultKind FaultKind;
};

// A / B; faults on B = 0 (DivideByZero, or Invalid for 0/0), on a
// non-finite operand (Invalid) and on a quotient beyond the double range.
Float CheckedDivide(Float A, Float B);
// ln X; faults on X = 0 (DivideByZero), X < 0 or NaN (Invalid).
Float PlainLn(Float X);
// e^X; faults when the result overflows, or on NaN. Underflow gives 0.
Float PlainExp(Float X);
// sqrt X; faults on X < 0 or NaN.
Float PlainSqrt(Float X);
// Truncation toward zero to a 64-bit integer; faults on a non-finite value
// or one outside the 64-bit range.
std::int64_t TruncToInt64(Float X);
// Rounding to the nearest 64-bit integer, halves to the even neighbour;
// faults as TruncToInt64.
std::int64_t RoundToInt64(Float X);
// Returns X when finite; faults with Overflow on an infinity, Invalid on NaN.
Float CheckFinite(Float X);

}  // namespace Titrelle
