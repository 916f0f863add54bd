// The one platform clock in milliseconds. The real program reads a monotonic clock;
// the headless window system supplies a virtual one so waits cost no real time.
#pragma once

#include <cstdint>

namespace basic {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t NowMs() const = 0;
};

// Monotonic wall clock, counted from the moment the object was made.
class SteadyClock final : public Clock {
 public:
  SteadyClock();
  int64_t NowMs() const override;

 private:
  int64_t startNs_;
};

}  // namespace basic
