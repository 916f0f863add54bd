#include "platform/music/outputs/rewrite_queue.h"

#include <algorithm>

namespace music {

RewriteQueue::RewriteQueue(OutputSource& source, int64_t historyFrames, int fadeFrames)
    : source_(source), historyFrames_(historyFrames), fadeFrames_(fadeFrames), history_(2 * historyFrames) {}

bool RewriteQueue::Append(int64_t frames, Sink& sink) {
  while (frames > 0) {
    const int n = static_cast<int>(std::min<int64_t>(frames, kChunkFrames));
    if (!Put(n, 0, fadeFrames_, sink)) return false;
    frames -= n;
  }
  return true;
}

bool RewriteQueue::Replace(int64_t frames, Sink& sink) {
  int64_t remaining = std::clamp<int64_t>(frames, 0, std::min(written_, historyFrames_ - kChunkFrames));
  // The first chunk goes back over the old sound; the ones after it follow at the end.
  int64_t back = remaining;
  int fadeAt = 0;
  while (remaining > 0) {
    const int n = static_cast<int>(std::min<int64_t>(remaining, kChunkFrames));
    if (!Put(n, back, fadeAt, sink)) return false;
    back = 0;
    remaining -= n;
    fadeAt = std::min(fadeAt + n, fadeFrames_);
  }
  return true;
}

// Renders `n` frames and writes them `back` frames before the end; those less than
// fadeFrames_ into the fade (`fadeAt` is the first one's place in it) fade in over the old ones.
bool RewriteQueue::Put(int n, int64_t back, int fadeAt, Sink& sink) {
  source_.Render(left_.data(), right_.data(), n);
  const int64_t at = written_ - back;
  for (int i = 0; i < n; ++i) {
    float* kept = &history_[2 * ((at + i) % historyFrames_)];
    float l = left_[i], r = right_[i];
    if (fadeAt + i < fadeFrames_) {
      const float w = static_cast<float>(fadeAt + i + 1) / static_cast<float>(fadeFrames_ + 1);
      l = kept[0] + (l - kept[0]) * w;
      r = kept[1] + (r - kept[1]) * w;
    }
    kept[0] = interleaved_[2 * i] = l;
    kept[1] = interleaved_[2 * i + 1] = r;
  }
  if (!sink.Write(interleaved_.data(), n, back)) return false;
  written_ = at + n;
  return true;
}

}  // namespace music
