#include "sound/play_support.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "platform/basic/basic.h"

namespace stavelark {

TempFileScope::~TempFileScope() {
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}

uintmax_t FileLength(const std::string& path) {
  std::error_code ec;
  const uintmax_t length = std::filesystem::file_size(path, ec);
  if (ec) basic::Raise(basic::err::FileNotFound);
  return length;
}

int32_t RoundInt32(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int32_t>(std::clamp(basic::RoundHalfEven(v), -2147483648.0, 2147483647.0));
}

int16_t RoundInt16(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int16_t>(std::clamp(basic::RoundHalfEven(v), -32768.0, 32767.0));
}

double FileTempo(const Globals& g) {
  const double tempo = basic::RoundHalfEven(g.Tempo);
  if (!(tempo >= 16)) return 16;
  return std::min(tempo, 127.0);
}

}  // namespace stavelark
