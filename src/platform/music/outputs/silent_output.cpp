// The silent output: a thread that renders a period at a time, paced by the steady clock, and
// discards it; while the source is idle it sleeps until woken.
#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/music/music.h"
#include "platform/music/output.h"
#include "platform/music/output_buffering.h"

namespace music {

namespace {

class SilentOutput final : public Output {
 public:
  explicit SilentOutput(OutputSource& source) : source_(source), thread_([this] { Loop(); }) {}

  ~SilentOutput() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

  void Wake(bool) override {  // nothing is queued: a period at a time
    {
      std::lock_guard lock(mutex_);
      woken_ = true;
    }
    wake_.notify_all();
  }

 private:
  void Loop() {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(kSilentPeriodFrames) / kSampleRate));
    std::array<float, kSilentPeriodFrames> left, right;
    auto due = Clock::now();
    for (;;) {
      {
        std::unique_lock lock(mutex_);
        if (source_.Idle()) {
          woken_ = false;
          wake_.wait(lock, [this] { return stop_ || woken_; });
          due = Clock::now();  // time goes on from the wake, as a resumed device would
        } else if (wake_.wait_until(lock, due, [this] { return stop_; })) {
          return;
        }
        if (stop_) return;
      }
      source_.Render(left.data(), right.data(), kSilentPeriodFrames);
      // Like a device, make up at most a buffer's worth of lateness; beyond that the sound
      // would have dropped out, so time goes on from now.
      due += period;
      const auto now = Clock::now();
      if (now - due > 3 * period) due = now;
    }
  }

  OutputSource& source_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool woken_ = false;
  std::thread thread_;  // last: it starts once everything above is made
};

}  // namespace

std::unique_ptr<Output> OpenSilentOutput(OutputSource& source) { return std::make_unique<SilentOutput>(source); }

}  // namespace music
