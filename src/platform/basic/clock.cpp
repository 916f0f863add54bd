#include "platform/basic/clock.h"

#include <chrono>

namespace basic {

namespace {
int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

SteadyClock::SteadyClock() : startNs_(SteadyNs()) {}

int64_t SteadyClock::NowMs() const { return (SteadyNs() - startNs_) / 1000000; }

}  // namespace basic
