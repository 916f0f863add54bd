#include "platform/basic/basic.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

namespace basic {

RuntimeError::RuntimeError(int n, std::string d)
    : std::runtime_error(d), number(n), description(std::move(d)) {}

std::string ErrorText(int number) {
  switch (number) {
    case err::InvalidCall: return "Invalid procedure call or argument";
    case err::Overflow: return "Overflow";
    case err::SubscriptOutOfRange: return "Subscript out of range";
    case err::DivisionByZero: return "Division by zero";
    case err::TypeMismatch: return "Type mismatch";
    case err::BadFileName: return "Bad file name or number";
    case err::FileNotFound: return "File not found";
    case err::InputPastEnd: return "Input past end of file";
    case err::PathFileAccess: return "Path/File access error";
    case err::PathNotFound: return "Path not found";
    case err::CancelError: return "Cancel was selected.";
    default: return "Application-defined or object-defined error";
  }
}

void Raise(int number) { throw RuntimeError(number, ErrorText(number)); }
void Raise(int number, std::string description) { throw RuntimeError(number, std::move(description)); }

double RoundHalfEven(double v) {
  if (!std::isfinite(v)) return v;
  return std::nearbyint(v);  // the default rounding mode rounds halves to even
}

namespace {
template <typename T>
T Convert(double v) {
  if (std::isnan(v)) Raise(err::Overflow);
  double r = RoundHalfEven(v);
  if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
      r > static_cast<double>(std::numeric_limits<T>::max()))
    Raise(err::Overflow);
  return static_cast<T>(r);
}
}  // namespace

int16_t CInt(double v) { return Convert<int16_t>(v); }
int32_t CLng(double v) { return Convert<int32_t>(v); }
uint8_t CByte(double v) { return Convert<uint8_t>(v); }
double Int(double v) { return std::floor(v); }
double Fix(double v) { return std::trunc(v); }

int16_t SaturateInt16(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int16_t>(std::clamp(RoundHalfEven(v), -32768.0, 32767.0));
}

int32_t SaturateInt32(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int32_t>(std::clamp(RoundHalfEven(v), -2147483648.0, 2147483647.0));
}

std::optional<int64_t> WholeIn(double v, int64_t lo, int64_t hi) {
  const double r = RoundHalfEven(v);
  if (!(r >= static_cast<double>(lo) && r <= static_cast<double>(hi))) return std::nullopt;
  return static_cast<int64_t>(r);
}

int32_t IntDiv(double a, double b) {
  int64_t x = CLng(a);
  int64_t y = CLng(b);
  if (y == 0) Raise(err::DivisionByZero);
  int64_t q = x / y;
  if (q > std::numeric_limits<int32_t>::max()) Raise(err::Overflow);
  return static_cast<int32_t>(q);
}

std::string CStr(double v) {
  if (v == 0) return "0";
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
  if (v == std::trunc(v) && std::fabs(v) < 1e15) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return buf;
  }
  // Up to 15 significant digits, no trailing zeros; "E+nn" form for large or tiny values.
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  std::string s = buf;
  auto epos = s.find('E');
  std::string mant = epos == std::string::npos ? s : s.substr(0, epos);
  std::string expo = epos == std::string::npos ? "" : s.substr(epos);
  if (mant.find('.') != std::string::npos) {
    while (!mant.empty() && mant.back() == '0') mant.pop_back();
    if (!mant.empty() && mant.back() == '.') mant.pop_back();
  }
  if (!expo.empty()) {
    // "E+05" -> "E+05" is kept as two digits at least, as the usual form shows it.
    char sign = expo.size() > 1 ? expo[1] : '+';
    std::string digits = expo.substr(2);
    while (digits.size() > 2 && digits.front() == '0') digits.erase(digits.begin());
    expo = std::string("E") + sign + digits;
  }
  if (mant.rfind("0.", 0) == 0) mant.erase(0, 1);        // ".5"
  else if (mant.rfind("-0.", 0) == 0) mant.erase(1, 1);  // "-.5"
  return mant + expo;
}

std::string Str(double v) {
  std::string s = CStr(v);
  if (v >= 0 || s == "0") return " " + s;
  return s;
}

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

double ReadRadix(std::string_view s, size_t i, int radix) {
  uint64_t acc = 0;
  size_t digits = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (IsBlank(c)) continue;
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (radix == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (radix == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else break;
    if (d >= radix) break;
    acc = (acc * radix + d) & 0xFFFFFFFFull;
    ++digits;
  }
  if (digits == 0) return 0;
  // Up to 16 bits read as a 16-bit value, longer ones as a 32-bit value.
  if (acc <= 0xFFFF && ((radix == 16 && digits <= 4) || (radix == 8 && digits <= 6)))
    return static_cast<int16_t>(static_cast<uint16_t>(acc));
  return static_cast<int32_t>(static_cast<uint32_t>(acc));
}
}  // namespace

double Val(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  if (i + 1 < s.size() && s[i] == '&') {
    char k = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i + 1])));
    if (k == 'H') return ReadRadix(s, i + 2, 16);
    if (k == 'O') return ReadRadix(s, i + 2, 8);
  }
  // Collect sign, digits, point and exponent, skipping embedded blanks.
  std::string num;
  bool digitsSeen = false, point = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) num += s[i++];
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (IsBlank(c)) continue;
    if (c >= '0' && c <= '9') {
      num += c;
      digitsSeen = true;
    } else if (c == '.' && !point) {
      num += c;
      point = true;
    } else {
      break;
    }
  }
  if (digitsSeen && i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    size_t j = i + 1;
    std::string ex = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ex += s[j++];
    bool expDigits = false;
    for (; j < s.size(); ++j) {
      if (IsBlank(s[j])) continue;
      if (s[j] < '0' || s[j] > '9') break;
      ex += s[j];
      expDigits = true;
    }
    if (expDigits) num += ex;
  }
  if (!digitsSeen) return 0;
  return std::strtod(num.c_str(), nullptr);
}

bool IsNumeric(std::string_view s) {
  std::string t = Trim(s);
  if (t.empty()) return false;
  size_t i = 0;
  if (t[i] == '+' || t[i] == '-') ++i;
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    if (std::isdigit(static_cast<unsigned char>(t[i]))) digits = true;
    else if (t[i] == '.' && !point) point = true;
    else break;
  }
  if (!digits) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    bool ed = false;
    for (; i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])); ++i) ed = true;
    if (!ed) return false;
  }
  return i == t.size();
}

std::optional<double> ToNumber(std::string_view s) {
  if (!IsNumeric(s)) return std::nullopt;
  return Val(s);
}

std::string Hex(int64_t v) {
  uint64_t u = v < 0 ? static_cast<uint32_t>(static_cast<int32_t>(v)) : static_cast<uint64_t>(v);
  char buf[24];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(u));
  return buf;
}

std::string UCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

std::string LCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

int StrComp(std::string_view a, std::string_view b, CompareMode mode) {
  if (mode == CompareMode::Text) {
    std::string x = LCase(a), y = LCase(b);
    int c = x.compare(y);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

bool TextEquals(std::string_view a, std::string_view b) {
  return StrComp(a, b, CompareMode::Text) == 0;
}

}  // namespace basic
