// What an output has written and the server has not played yet can be written over: a new
// sound need not wait behind a deep queue. The queue keeps what was written (by position), so
// the new sound fades in over the old one and the seam does not click.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/music/output.h"

namespace music {

class RewriteQueue {
 public:
  static constexpr int kChunkFrames = 1024;  // rendered and written at a time

  // Where the frames go: `count` interleaved stereo frames, written `back` frames before the
  // end of what was written so far (0: at the end).
  class Sink {
   public:
    virtual ~Sink() = default;
    virtual bool Write(const float* frames, int count, int64_t back) = 0;
  };

  // `historyFrames` must exceed the deepest queue written over.
  RewriteQueue(OutputSource& source, int64_t historyFrames, int fadeFrames);

  // Renders `frames` frames and writes them at the end.
  bool Append(int64_t frames, Sink& sink);
  // Renders `frames` frames and writes them over the last `frames` written (held to the
  // history), the first fadeFrames of them fading from what was there into the new sound.
  bool Replace(int64_t frames, Sink& sink);

  int64_t Written() const { return written_; }  // frames, counted by position

 private:
  bool Put(int n, int64_t back, int fadeAt, Sink& sink);

  OutputSource& source_;
  const int64_t historyFrames_;
  const int fadeFrames_;
  std::vector<float> history_;  // historyFrames_ interleaved frames, by position
  int64_t written_ = 0;
  std::array<float, kChunkFrames> left_{}, right_{};
  std::array<float, 2 * kChunkFrames> interleaved_{};
};

}  // namespace music
