#include "platform/music/outputs/rewrite_queue.h"

#include <algorithm>

namespace music {

RewriteQueue::RewriteQueue(OutputSource& source, int64_t historyFrames, int fadeFrames, int releaseFrames)
    : source_(source),
      historyFrames_(historyFrames),
      fadeFrames_(std::max(fadeFrames, 1)),
      releaseFrames_(std::max(releaseFrames, fadeFrames_)),
      dry_(2 * historyFrames),
      gain_(historyFrames) {}

void RewriteQueue::Reset() {
  written_ = held_ = 0;
  seam_ = kNoSeam;
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

// Within the release after a seam: the new sound rises over the fade while the old one, as the
// server holds it, falls over the release; past what the server holds there is only the new.
float RewriteQueue::Mix(int64_t position, float old, float fresh) const {
  const int64_t since = position - seam_;
  if (position >= held_ || since >= releaseFrames_) return fresh;
  const float rise = std::min(1.0f, static_cast<float>(since + 1) / static_cast<float>(fadeFrames_ + 1));
  const float fall = 1.0f - static_cast<float>(since + 1) / static_cast<float>(releaseFrames_ + 1);
  return old * fall + fresh * rise;
}

// Only as far back as was written, and as the history still holds everything from there to the
// end of what the server holds.
int64_t RewriteQueue::Reach(int64_t back) const {
  const int64_t kept = std::max<int64_t>(0, historyFrames_ - kChunkFrames - (held_ - written_));
  return std::clamp<int64_t>(back, 0, std::min(written_, kept));
}

bool RewriteQueue::Put(int64_t back, Sink& sink) {
  back = Reach(back);
  seam_ = written_ - back;
  return Emit(back, sink);
}

bool RewriteQueue::Append(int64_t frames, Sink& sink) {
  while (frames > 0) {
    const int n = static_cast<int>(std::min<int64_t>(frames, kChunkFrames));
    Prepare(n);
    if (!Emit(0, sink)) return false;
    frames -= n;
  }
  return true;
}

bool RewriteQueue::Emit(int64_t back, Sink& sink) {
  const int n = prepared_;
  prepared_ = 0;
  const int64_t at = written_ - back;
  const float target = source_.MasterGain();
  float gain = at > 0 ? gain_[Slot(at - 1)] : target;
  for (int i = 0; i < n; ++i) {
    const int64_t slot = Slot(at + i);
    const float l = Mix(at + i, dry_[2 * slot], left_[i]);
    const float r = Mix(at + i, dry_[2 * slot + 1], right_[i]);
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
  held_ = std::max(held_, written_);
  return true;
}

bool RewriteQueue::Regain(int64_t back, Sink& sink) {
  back = Reach(back);
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
