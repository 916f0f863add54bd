// The output queue that a new sound or a new master volume writes over: what the server ends up
// holding.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/music/outputs/rewrite_queue.h"

using namespace music;

namespace {

// A source of one level on both sides, before a master volume of `gain`.
struct Level final : OutputSource {
  float level = 1.0f;
  float gain = 1.0f;
  void Render(float* left, float* right, int frames) override {
    for (int i = 0; i < frames; ++i) left[i] = right[i] = level * gain;
  }
  void RenderUnscaled(float* left, float* right, int frames) override {
    for (int i = 0; i < frames; ++i) left[i] = right[i] = level;
  }
  float MasterGain() const override { return gain; }
  bool Idle() const override { return false; }
};

// The server's side: frames by position, written at the end or `back` frames before it.
struct Server final : RewriteQueue::Sink {
  std::vector<float> left;
  int64_t end = 0;
  std::vector<int64_t> backs;
  bool Write(const float* frames, int count, int64_t back) override {
    backs.push_back(back);
    end -= back;
    if (static_cast<int64_t>(left.size()) < end + count) left.resize(end + count);
    for (int i = 0; i < count; ++i) left[end + i] = frames[2 * i];
    end += count;
    return true;
  }
};

constexpr int kFade = 240;
constexpr int kRelease = 1440;
constexpr int kChunk = RewriteQueue::kChunkFrames;

// What the output does for a new sound: its first `first` frames over the queue, `back` frames
// before its end, the rest up to that end.
void WriteOver(RewriteQueue& queue, Server& server, int64_t back, int first = kChunk) {
  const int64_t end = queue.Written();
  queue.Prepare(first);
  ASSERT_TRUE(queue.Put(back, server));
  ASSERT_TRUE(queue.Append(end - queue.Written(), server));
}

TEST(RewriteQueue, ANewSoundOrVolumeIsWrittenOverTheQueueWithARampAndLeavesNothingOfTheOldBehind) {
  // The queue holds the sound before the volume: a change of either is heard from the rewrite
  // on, not once the queue has played, and the sound itself neither skips nor starts again.
  struct Case {
    const char* what;
    float gain, newGain, newLevel;  // the level is 1 before the change
  };
  for (const Case& c : {Case{"a new sound", 1.0f, 1.0f, 0.0f}, Case{"the volume down", 1.0f, 0.0316f, 1.0f},
                        Case{"the volume off", 1.0f, 0.0f, 1.0f}, Case{"the volume up", 0.0316f, 1.0f, 1.0f}}) {
    SCOPED_TRACE(c.what);
    Level source;
    source.gain = c.gain;
    Server server;
    RewriteQueue queue(source, 1 << 15, kFade, kRelease);
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(queue.Append(1000, server));
    source.gain = c.newGain, source.level = c.newLevel;
    if (c.newLevel != 1.0f)
      WriteOver(queue, server, 11000);
    else
      ASSERT_TRUE(queue.Regain(11000, server));
    const float after = c.newLevel * c.newGain;

    EXPECT_EQ(queue.Written(), 12000);
    EXPECT_EQ(server.end, 12000);
    ASSERT_EQ(server.left.size(), 12000u);
    // Twelve chunks appended, then the first rewritten one over the queue and the rest after it.
    std::vector<int64_t> backs(23, 0);
    backs[12] = 11000;
    EXPECT_EQ(server.backs, backs);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(server.left[i], c.gain) << i;  // heard before the rewrite
    // The seam: from the old output to the new one in steps of one fade step, never a jump; an
    // old sound dies away over the release, a volume ramps over the fade.
    const int settled = 1000 + (c.newLevel != 1.0f ? kRelease : kFade);
    for (int i = 1000; i <= settled; ++i)
      ASSERT_LE(std::fabs(server.left[i] - server.left[i - 1]), 1.0f / kFade + 1e-6f) << i;
    for (int i = settled; i < 12000; ++i) ASSERT_EQ(server.left[i], after) << i;

    // A later new sound fades from what the rewrite left there, and keeps the new volume.
    source.level = 0.5f;
    WriteOver(queue, server, 2000);
    EXPECT_NEAR(server.left[10000], after, 0.01f);
    EXPECT_EQ(server.left[11999], 0.5f * c.newGain);
  }
}

TEST(RewriteQueue, AStopAndANewNoteAMomentLaterNeverFallSilentBetween) {
  // A key stops the note before and plays its own a moment later. What the stop renders is the
  // synthesizer a queue ahead, where the old note is long over: the old note, as queued, dies
  // away under the silence and then under the new note, and the new note starts at once.
  Level source;
  Server server;
  RewriteQueue queue(source, 1 << 15, kFade, kRelease);
  for (int i = 0; i < 12; ++i) ASSERT_TRUE(queue.Append(1000, server));
  source.level = 0.0f;
  WriteOver(queue, server, 11000);  // the stop, at 1000
  source.level = 0.5f;
  WriteOver(queue, server, 12000 - 1600, 480);  // the play 600 frames later
  ASSERT_EQ(server.left.size(), 12000u);
  for (int i = 1000; i < 1600 + kRelease; ++i) {
    ASSERT_GT(server.left[i], 0.0f) << i;
    ASSERT_LE(std::fabs(server.left[i] - server.left[i - 1]), 1.0f / kFade + 1e-6f) << i;
  }
  EXPECT_NEAR(server.left[1600 + kFade], 0.5f + (1.0f - 840.0f / kRelease) * (1.0f - 240.0f / kRelease), 0.01f);
  for (int i = 1600 + kRelease; i < 12000; ++i) ASSERT_EQ(server.left[i], 0.5f) << i;
}

TEST(RewriteQueue, WritesOverNoMoreThanWasWrittenOrIsKept) {
  Level source;
  Server server;
  RewriteQueue queue(source, 4096, kFade, kRelease);
  const auto put = [&](int frames, int64_t back) { queue.Prepare(frames); return queue.Put(back, server); };
  EXPECT_TRUE(put(100, 100));  // nothing written yet: nothing to write over
  EXPECT_EQ(server.backs, (std::vector<int64_t>{0}));
  ASSERT_TRUE(queue.Append(9900, server));
  ASSERT_TRUE(put(kChunk, -5));
  EXPECT_EQ(server.backs.back(), 0);
  ASSERT_TRUE(put(kChunk, 10000));  // beyond what is kept: held to the history
  EXPECT_EQ(server.backs.back(), 4096 - kChunk);
  const size_t writes = server.backs.size();
  // The server still holds 2048 frames past the end: the history keeps less behind it.
  EXPECT_TRUE(queue.Regain(10000, server));
  EXPECT_EQ(server.backs[writes], 4096 - kChunk - 2048);
  EXPECT_EQ(queue.Written(), server.end);
}

}  // namespace
