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

double FileTempo(const Globals& g) {
  const double tempo = basic::RoundHalfEven(g.Tempo);
  if (!(tempo >= 16)) return 16;
  return std::min(tempo, 127.0);
}

}  // namespace stavelark
