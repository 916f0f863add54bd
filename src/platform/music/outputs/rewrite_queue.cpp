#include "platform/music/outputs/rewrite_queue.h"

#include <algorithm>

namespace music {

RewriteQueue::RewriteQueue(OutputSource& source, int64_t historyFrames, int fadeFrames)
    : source_(source),
      historyFrames_(historyFrames),
      fadeFrames_(std::max(fadeFrames, 1)),
      dry_(2 * historyFrames),
      gain_(historyFrames) {}

void RewriteQueue::Reset() {
  written_ = 0;
  prepared_ = 0;
}

void RewriteQueue::Prepare(int frames) {
  prepared_ = std::clamp(frames, 0, kChunkFrames);
  source_.RenderUnscaled(left_.data(), right_.data(), prepared_);
}

// The master volume moves towards its target by at most full scale over the fade.
float RewriteQueue::Slew(float gain, float target) const {
  const float step = 1.0f / static_cast<float>(fadeFrames_);
  return gain + std::clamp(target - gain, -step, step);
}

bool RewriteQueue::Put(int64_t back, Sink& sink) {
  const int n = prepared_;
  prepared_ = 0;
  back = std::clamp<int64_t>(back, 0, std::min(written_, historyFrames_ - kChunkFrames));
  const int64_t at = written_ - back;
  const float target = source_.MasterGain();
  float gain = at > 0 ? gain_[Slot(at - 1)] : target;
  for (int i = 0; i < n; ++i) {
    const int64_t slot = Slot(at + i);
    float l = left_[i], r = right_[i];
    if (i < fadeFrames_ && at + i < written_) {
      const float w = static_cast<float>(i + 1) / static_cast<float>(fadeFrames_ + 1);
      l = dry_[2 * slot] + (l - dry_[2 * slot]) * w;
      r = dry_[2 * slot + 1] + (r - dry_[2 * slot + 1]) * w;
    }
    gain = Slew(gain, target);
    dry_[2 * slot] = l;
    dry_[2 * slot + 1] = r;
    gain_[slot] = gain;
    interleaved_[2 * i] = std::clamp(l * gain, -1.0f, 1.0f);
    interleaved_[2 * i + 1] = std::clamp(r * gain, -1.0f, 1.0f);
  }
  if (n == 0) return true;
  if (!sink.Write(interleaved_.data(), n, back)) return false;
  written_ = at + n;
  return true;
}

bool RewriteQueue::Append(int64_t frames, Sink& sink) {
  while (frames > 0) {
    const int n = static_cast<int>(std::min<int64_t>(frames, kChunkFrames));
    Prepare(n);
    if (!Put(0, sink)) return false;
    frames -= n;
  }
  return true;
}

bool RewriteQueue::Regain(int64_t back, Sink& sink) {
  back = std::clamp<int64_t>(back, 0, std::min(written_, historyFrames_ - kChunkFrames));
  const int64_t end = written_;
  int64_t at = end - back;
  const float target = source_.MasterGain();
  float gain = at > 0 ? gain_[Slot(at - 1)] : target;
  while (at < end) {
    const int n = static_cast<int>(std::min<int64_t>(end - at, kChunkFrames));
    for (int i = 0; i < n; ++i) {
      const int64_t slot = Slot(at + i);
      gain = Slew(gain, target);
      gain_[slot] = gain;
      interleaved_[2 * i] = std::clamp(dry_[2 * slot] * gain, -1.0f, 1.0f);
      interleaved_[2 * i + 1] = std::clamp(dry_[2 * slot + 1] * gain, -1.0f, 1.0f);
    }
    // The first chunk goes back over the queue; the ones after it follow at its end.
    if (!sink.Write(interleaved_.data(), n, written_ - at)) return false;
    at += n;
    written_ = at;
  }
  return true;
}

}  // namespace music
