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
constexpr int kChunk = RewriteQueue::kChunkFrames;

// What the output does for a new sound: its first chunk over the queue, the rest at the end.
void WriteOver(RewriteQueue& queue, Server& server, int64_t back) {
  const int64_t end = queue.Written();
  queue.Prepare(kChunk);
  ASSERT_TRUE(queue.Put(back, server));
  ASSERT_TRUE(queue.Append(end - queue.Written(), server));
}

TEST(RewriteQueue, ANewSoundFadesInOverTheQueuedOneAndLeavesNothingOfItBehind) {
  Level source;
  Server server;
  RewriteQueue queue(source, 1 << 15, kFade);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(queue.Append(1000, server));
  source.level = 0.0f;
  WriteOver(queue, server, 2000);

  EXPECT_EQ(queue.Written(), 3000);
  EXPECT_EQ(server.end, 3000);
  ASSERT_EQ(server.left.size(), 3000u);
  // Three chunks appended, then the first of the new sound over the old one and the rest after it.
  EXPECT_EQ(server.backs, (std::vector<int64_t>{0, 0, 0, 2000, 0}));
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(server.left[i], 1.0f) << i;  // heard before the rewrite
  // The seam: from the old level to the new one in steps of one fade step, never a jump.
  for (int i = 1000; i <= 1000 + kFade; ++i)
    ASSERT_LE(std::fabs(server.left[i] - server.left[i - 1]), 1.0f / kFade + 1e-6f) << i;
  for (int i = 1000 + kFade; i < 3000; ++i) ASSERT_EQ(server.left[i], 0.0f) << i;

  // A second new sound fades from what the first one left there.
  source.level = 0.5f;
  WriteOver(queue, server, 500);
  EXPECT_NEAR(server.left[2500], 0.0f, 0.01f);
  EXPECT_EQ(server.left[2999], 0.5f);
}

TEST(RewriteQueue, WritesOverNoMoreThanWasWrittenOrIsKept) {
  Level source;
  Server server;
  RewriteQueue queue(source, 4096, kFade);
  queue.Prepare(100);
  EXPECT_TRUE(queue.Put(100, server));  // nothing written yet: nothing to write over
  EXPECT_EQ(server.backs, (std::vector<int64_t>{0}));
  ASSERT_TRUE(queue.Append(9900, server));
  queue.Prepare(kChunk);
  ASSERT_TRUE(queue.Put(-5, server));
  EXPECT_EQ(server.backs.back(), 0);
  queue.Prepare(kChunk);
  ASSERT_TRUE(queue.Put(10000, server));  // beyond what is kept: held to the history
  EXPECT_EQ(server.backs.back(), 4096 - kChunk);
  const size_t writes = server.backs.size();
  EXPECT_TRUE(queue.Regain(10000, server));
  EXPECT_EQ(server.backs[writes], 4096 - kChunk);
  EXPECT_EQ(queue.Written(), server.end);
}

TEST(RewriteQueue, ANewVolumeIsWrittenOverTheQueueWithARamp) {
  // The queue holds the sound before the volume: a change is heard from the rewrite on, not
  // once the queue has played, and the sound itself neither skips nor starts again.
  for (float to : {0.0316f, 0.0f, 1.0f}) {
    SCOPED_TRACE(to);
    Level source;
    source.gain = to == 1.0f ? 0.0316f : 1.0f;
    const float from = source.gain;
    Server server;
    RewriteQueue queue(source, 1 << 15, kFade);
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(queue.Append(1000, server));
    source.gain = to;
    ASSERT_TRUE(queue.Regain(11000, server));
    EXPECT_EQ(server.end, 12000);
    EXPECT_EQ(queue.Written(), 12000);
    EXPECT_EQ(server.backs[12], 11000);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(server.left[i], from) << i;  // already heard
    for (int i = 1000; i < 1000 + kFade + 1; ++i)
      ASSERT_LE(std::fabs(server.left[i] - server.left[i - 1]), 1.0f / kFade + 1e-6f) << i;
    for (int i = 1000 + kFade + 1; i < 12000; ++i) ASSERT_FLOAT_EQ(server.left[i], to) << i;
    // A later sound keeps the new volume.
    ASSERT_TRUE(queue.Append(500, server));
    EXPECT_FLOAT_EQ(server.left[12499], to);
  }
}

}  // namespace
