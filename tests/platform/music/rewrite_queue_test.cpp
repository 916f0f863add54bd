// The output queue that a new sound writes over: what the server ends up holding.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/music/outputs/rewrite_queue.h"

using namespace music;

namespace {

// A source of one level on both sides.
struct Level final : OutputSource {
  float level = 1.0f;
  void Render(float* left, float* right, int frames) override {
    for (int i = 0; i < frames; ++i) left[i] = right[i] = level;
  }
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

TEST(RewriteQueue, ANewSoundFadesInOverTheQueuedOneAndLeavesNothingOfItBehind) {
  Level source;
  Server server;
  RewriteQueue queue(source, 1 << 15, kFade);
  ASSERT_TRUE(queue.Append(3000, server));
  source.level = 0.0f;
  ASSERT_TRUE(queue.Replace(2000, server));

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
  ASSERT_TRUE(queue.Replace(500, server));
  EXPECT_NEAR(server.left[2500], 0.0f, 0.01f);
  EXPECT_EQ(server.left[2999], 0.5f);
}

TEST(RewriteQueue, WritesOverNoMoreThanWasWrittenOrIsKept) {
  Level source;
  Server server;
  RewriteQueue queue(source, 4096, kFade);
  EXPECT_TRUE(queue.Replace(100, server));  // nothing written yet: nothing to write over
  EXPECT_TRUE(server.backs.empty());
  ASSERT_TRUE(queue.Append(10000, server));
  EXPECT_TRUE(queue.Replace(-5, server));
  EXPECT_EQ(server.backs.size(), 10u);
  ASSERT_TRUE(queue.Replace(10000, server));  // beyond what is kept: held to the history
  EXPECT_EQ(server.backs[10], 4096 - RewriteQueue::kChunkFrames);
  EXPECT_EQ(queue.Written(), 10000);
}

}  // namespace
