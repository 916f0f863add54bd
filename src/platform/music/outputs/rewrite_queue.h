// What an output has written and the server has not played yet can be written over: a new
// sound, or a new master volume, need not wait behind a deep queue. The queue keeps what was
// written (by position), before the master volume and with the gain it got, so that a new sound
// fades in over the old one and a new volume ramps from the old one without a click.
//
// The synthesizer renders a whole queue ahead of what is heard, so what it renders for a new
// sound carries the old sound as it will be a queue later (often long over), not as it sounds
// now. The old sound as queued therefore dies away under the new one over a release time of its
// own, as a released note would: a stop followed a moment later by a new note is never heard as
// silence between them, and the new sound still starts at once.
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

  // `historyFrames` must exceed the deepest queue written over. The master volume changes by at
  // most full scale over `fadeFrames`, and a new sound fades in over that many; the old sound
  // dies away under it over `releaseFrames` (no fewer than `fadeFrames`).
  RewriteQueue(OutputSource& source, int64_t historyFrames, int fadeFrames, int releaseFrames);

  // A new stream: nothing written yet.
  void Reset();
  // Renders the next `frames` (at most kChunkFrames) frames, to be written by Put.
  void Prepare(int frames);
  // Writes what Prepare rendered `back` frames before the end (held to what was written and is
  // kept), fading from what was there into it. What was written after those frames is still
  // the server's until written over: the end is now after the new frames. The frames are a new
  // sound: the old one dies away under them, and under the frames appended after them, until its
  // release is over.
  bool Put(int64_t back, Sink& sink);
  // Renders `frames` frames and writes them at the end, a chunk at a time.
  bool Append(int64_t frames, Sink& sink);
  // Writes the last `back` frames again at the master volume as it is now, ramping to it from
  // the gain they had where the rewrite begins.
  bool Regain(int64_t back, Sink& sink);

  int64_t Written() const { return written_; }  // frames, counted by position

 private:
  float Slew(float gain, float target) const;
  int64_t Reach(int64_t back) const;
  // What the server holds at `position` mixed with `fresh` frames rendered for it.
  float Mix(int64_t position, float old, float fresh) const;
  // Writes what Prepare rendered `back` frames before the end.
  bool Emit(int64_t back, Sink& sink);
  int64_t Slot(int64_t position) const { return position % historyFrames_; }

  OutputSource& source_;
  const int64_t historyFrames_;
  const int fadeFrames_;
  const int releaseFrames_;
  std::vector<float> dry_;   // historyFrames_ interleaved frames before the master volume, by position
  std::vector<float> gain_;  // the gain each of them was written with
  int64_t written_ = 0;
  int64_t held_ = 0;  // the end of what the server holds: written over frames stay there until written again
  int64_t seam_ = kNoSeam;  // where the last new sound was written over the old one
  static constexpr int64_t kNoSeam = INT64_MIN / 2;
  int prepared_ = 0;
  std::array<float, kChunkFrames> left_{}, right_{};
  std::array<float, 2 * kChunkFrames> interleaved_{};
};

}  // namespace music
