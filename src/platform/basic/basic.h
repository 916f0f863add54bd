// Value semantics the program's arithmetic relies on: number/text conversions,
// rounding conversions that raise on overflow, and run-time errors.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace basic {

// Error numbers used by the program.
namespace err {
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int DivisionByZero = 11;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int InputPastEnd = 62;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int CancelError = 32755;  // a common dialog cancelled with CancelError set
}  // namespace err

// A run-time error: a number and its description.
class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int number, std::string description);
  int number;
  std::string description;
};

// The description that goes with an error number ("Overflow" for 6, ...).
std::string ErrorText(int number);
[[noreturn]] void Raise(int number);
[[noreturn]] void Raise(int number, std::string description);

// Round to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double v);

int16_t CInt(double v);   // raises Overflow outside -32768..32767
int32_t CLng(double v);   // raises Overflow outside the 32-bit range
uint8_t CByte(double v);  // raises Overflow outside 0..255
double Int(double v);     // floor
// Rounded half to even and held to the type's range (NaN gives 0): for values that must never
// stop a command with an overflow.
int16_t SaturateInt16(double v);
int32_t SaturateInt32(double v);
// `v` rounded half to even when that lies in lo..hi; nothing otherwise (NaN too).
std::optional<int64_t> WholeIn(double v, int64_t lo, int64_t hi);
double Fix(double v);     // truncation toward zero

// Integer division a \ b: both operands rounded to whole numbers first (CLng),
// then the quotient truncated toward zero. Division by zero raises.
int32_t IntDiv(double a, double b);

// Number to text: a leading blank for non-negative values, "-" for negative ones.
std::string Str(double v);
// Number to text without the leading blank (as CStr and concatenation do).
std::string CStr(double v);

// Text to number: skips blanks, optional sign, digits, decimal point, exponent;
// stops at the first other character; 0 when nothing numeric. "&H" and "&O"
// prefixes read hexadecimal and octal (4-digit values as 16-bit, up to 8 digits as 32-bit).
double Val(std::string_view s);

// Whether text reads fully as a number (leading/trailing blanks allowed).
bool IsNumeric(std::string_view s);
// The text's number when it reads fully as one; nothing otherwise.
std::optional<double> ToNumber(std::string_view s);

// Upper-case hexadecimal without leading zeros; negative values in 32-bit two's complement.
std::string Hex(int64_t v);

// Text comparison modes.
enum class CompareMode { Binary, Text };
int StrComp(std::string_view a, std::string_view b, CompareMode mode = CompareMode::Binary);
bool TextEquals(std::string_view a, std::string_view b);  // ignores case
std::string UCase(std::string_view s);
std::string LCase(std::string_view s);
std::string Trim(std::string_view s);

// The last error recorded by a "resume next" section.
struct ErrObject {
  int Number = 0;
  std::string Description;
  void Clear() {
    Number = 0;
    Description.clear();
  }
};

// Runs one statement; an error it raises is recorded in `err` and execution goes on.
template <typename F>
void ResumeNext(ErrObject& err, F&& statement) {
  try {
    statement();
  } catch (const RuntimeError& e) {
    err.Number = e.number;
    err.Description = e.description;
  } catch (const std::exception& e) {
    err.Number = basic::err::InvalidCall;
    err.Description = e.what();
  }
}

}  // namespace basic
