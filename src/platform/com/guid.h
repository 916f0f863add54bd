// 128-bit class and interface identifiers, in the binary layout the registry and the control
// libraries share, written as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace com {

struct Guid {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  uint8_t Data4[8] = {};
  constexpr bool operator==(const Guid&) const = default;
};

namespace detail {
constexpr int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
constexpr bool ReadHex(std::string_view s, size_t pos, size_t digits, uint64_t* out) {
  uint64_t v = 0;
  for (size_t i = 0; i < digits; ++i) {
    int d = HexValue(s[pos + i]);
    if (d < 0) return false;
    v = v * 16 + static_cast<uint64_t>(d);
  }
  *out = v;
  return true;
}
}  // namespace detail

// Reads "{8-4-4-4-12}" (hex digits in either case; the braces may be left out). nullopt otherwise.
constexpr std::optional<Guid> ParseGuid(std::string_view text) {
  if (text.size() == 38) {
    if (text.front() != '{' || text.back() != '}') return std::nullopt;
    text = text.substr(1, 36);
  }
  if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
    return std::nullopt;
  Guid g;
  uint64_t v = 0;
  if (!detail::ReadHex(text, 0, 8, &v)) return std::nullopt;
  g.Data1 = static_cast<uint32_t>(v);
  if (!detail::ReadHex(text, 9, 4, &v)) return std::nullopt;
  g.Data2 = static_cast<uint16_t>(v);
  if (!detail::ReadHex(text, 14, 4, &v)) return std::nullopt;
  g.Data3 = static_cast<uint16_t>(v);
  for (size_t i = 0; i < 8; ++i) {
    size_t pos = i < 2 ? 19 + 2 * i : 24 + 2 * (i - 2);
    if (!detail::ReadHex(text, pos, 2, &v)) return std::nullopt;
    g.Data4[i] = static_cast<uint8_t>(v);
  }
  return g;
}

// An identifier written in the source: a malformed one does not compile.
consteval Guid GuidOf(std::string_view text) {
  auto g = ParseGuid(text);
  if (!g) throw "malformed identifier";
  return *g;
}

// "{DF5E0D08-FCEF-49DD-9CA0-DFBEF1A98458}": upper case, with braces.
std::string FormatGuid(const Guid& guid);

}  // namespace com
