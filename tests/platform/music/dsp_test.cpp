#include "platform/music/dsp.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "test_support.h"

using namespace music;
using namespace music::dsp;
using namespace music_test;

namespace {

struct Stereo {
  std::vector<float> left, right;
  explicit Stereo(size_t frames) : left(frames), right(frames) {}
  Stereo(std::vector<float> l, std::vector<float> r) : left(std::move(l)), right(std::move(r)) {}
};

// Runs the effect in blocks of 64 frames, as the engine does.
Stereo Apply(Effect& effect, Stereo s) {
  for (size_t i = 0; i < s.left.size(); i += 64) {
    int n = static_cast<int>(std::min<size_t>(64, s.left.size() - i));
    effect.Process(s.left.data() + i, s.right.data() + i, n);
  }
  return s;
}

size_t Peak(const std::vector<float>& s, size_t begin, size_t end) {
  auto it = std::max_element(s.begin() + begin, s.begin() + end,
                             [](float a, float b) { return std::fabs(a) < std::fabs(b); });
  return static_cast<size_t>(it - s.begin());
}

// Frames in `ms` milliseconds at the platform's rate.
size_t Ms(double ms) { return static_cast<size_t>(ms * kRate / 1000 + 0.5); }

Stereo Impulse(size_t frames, bool left = true, bool right = true) {
  Stereo s(frames);
  s.left[0] = left ? 1 : 0;
  s.right[0] = right ? 1 : 0;
  return s;
}

}  // namespace

TEST(EchoEffect, RepeatsAtTheDelayAndPanDelaySwapsSides) {
  Echo echo;
  echo.Configure({50, 50, 10, 20, 0});
  Stereo out = Apply(echo, Impulse(Ms(45)));
  EXPECT_FLOAT_EQ(out.left[0], 0.5f);
  EXPECT_FLOAT_EQ(out.left[Ms(10)], 0.5f);
  EXPECT_FLOAT_EQ(out.left[Ms(20)], 0.25f);  // fed back once
  EXPECT_FLOAT_EQ(out.right[Ms(20)], 0.5f);
  EXPECT_FLOAT_EQ(out.left[Ms(5)], 0.0f);

  Echo pan;
  pan.Configure({50, 50, 10, 20, 1});
  out = Apply(pan, Impulse(Ms(45), true, false));
  EXPECT_FLOAT_EQ(out.left[Ms(10)], 0.5f);
  EXPECT_FLOAT_EQ(out.left[Ms(20)], 0.0f);
  EXPECT_FLOAT_EQ(out.right[Ms(30)], 0.25f);  // the second echo comes from the other side
}

TEST(GargleEffect, ModulatesTheAmplitudeAtTheRate) {
  Gargle square;
  square.Configure({50, 1});  // 20 ms a cycle
  Stereo dc(std::vector<float>(Ms(45), 1.0f), std::vector<float>(Ms(45), 1.0f));
  Stereo out = Apply(square, dc);
  EXPECT_EQ(out.left[Ms(2)], 1.0f);
  EXPECT_EQ(out.left[Ms(11)], 0.0f);
  EXPECT_EQ(out.right[Ms(22)], 1.0f);

  Gargle triangle;
  triangle.Configure({50, 0});
  out = Apply(triangle, dc);
  EXPECT_NEAR(out.left[0], 0.0, 1e-6);
  EXPECT_NEAR(out.left[Ms(5)], 0.5, 0.01);
  EXPECT_NEAR(out.left[Ms(10)], 1.0, 0.01);
  EXPECT_NEAR(out.left[Ms(25)], 0.5, 0.01);
}

TEST(ParamEqEffect, GainsInTheBandOnly) {
  auto gainAt = [](double hz, DSFXPARAMEQ p) {
    ParamEq eq;
    eq.Configure(p);
    Stereo in(Sine(hz, 0.1, Ms(500)), Sine(hz, 0.1, Ms(500)));
    Stereo out = Apply(eq, in);
    return Db(Rms(out.left, Ms(100), Ms(500)) / Rms(in.left, Ms(100), Ms(500)));
  };
  EXPECT_NEAR(gainAt(1000, {1000, 12, 10}), 10, 0.3);
  EXPECT_NEAR(gainAt(1000, {1000, 12, -15}), -15, 0.3);
  EXPECT_NEAR(gainAt(8000, {1000, 12, 10}), 0, 0.5);
  EXPECT_NEAR(gainAt(120, {1000, 12, 10}), 0, 0.5);
}

TEST(DistortionEffect, EdgeAddsHarmonics) {
  auto thirdHarmonic = [](float edge) {
    Distortion d;
    d.Configure({0, edge, 1500, 8000, 8000});
    Stereo out = Apply(d, Stereo(Sine(500, 0.5, Ms(500)), Sine(500, 0.5, Ms(500))));
    return Db(Magnitude(out.left, Ms(100), Ms(500), 1500) / Magnitude(out.left, Ms(100), Ms(500), 500));
  };
  double clean = thirdHarmonic(0);
  double driven = thirdHarmonic(90);
  EXPECT_LT(clean, -60);
  EXPECT_GT(driven, clean + 40);
  EXPECT_GT(driven, -20);

  // The output gain scales the result.
  Distortion quiet, loud;
  quiet.Configure({-20, 50, 1000, 2000, 8000});
  loud.Configure({0, 50, 1000, 2000, 8000});
  Stereo in(Sine(1000, 0.3, Ms(200)), Sine(1000, 0.3, Ms(200)));
  EXPECT_NEAR(Db(Rms(Apply(quiet, in).left, Ms(100), Ms(200)) / Rms(Apply(loud, in).left, Ms(100), Ms(200))), -20, 0.1);
}

TEST(CompressorEffect, ReducesTheDynamicRangeAndAttacksAfterThePredelay) {
  Compressor c;
  c.Configure({0, 1, 50, -40, 10, 0});
  std::vector<float> loud = Sine(1000, 0.5, Ms(500)), soft = Sine(1000, 0.5 / 31.6228, Ms(500));
  std::vector<float> in(loud);
  in.insert(in.end(), soft.begin(), soft.end());
  Stereo out = Apply(c, Stereo(in, in));
  double inputRange = Db(Rms(in, Ms(100), Ms(500)) / Rms(in, Ms(600), Ms(1000)));
  double outputRange = Db(Rms(out.left, Ms(100), Ms(500)) / Rms(out.left, Ms(600), Ms(1000)));
  EXPECT_NEAR(inputRange, 30, 0.1);
  EXPECT_NEAR(outputRange, 3, 1.0);  // 30 dB above a 10:1 threshold leaves 3 dB

  Compressor gained;  // below the threshold only the gain acts, and the sound is not delayed
  gained.Configure({6, 10, 200, 0, 4, 4});
  Stereo impulse = Impulse(400);
  impulse.left[0] = impulse.right[0] = 0.1f;
  Stereo shifted = Apply(gained, impulse);
  EXPECT_EQ(Peak(shifted.left, 0, 400), 0u);
  EXPECT_NEAR(shifted.left[0], 0.1 * 1.9953, 1e-4);

  // A loud step: untouched for the pre-delay, then the fastest attack pulls it down.
  Compressor late;
  late.Configure({0, 0.01f, 50, -40, 10, 4});
  std::vector<float> step(Ms(20), 0.5f);
  Stereo pulled = Apply(late, Stereo(step, step));
  EXPECT_FLOAT_EQ(pulled.left[Ms(4) - 2], 0.5f);
  EXPECT_LT(pulled.left[Ms(6)], 0.1f);
}

TEST(ModulatedDelayEffect, DelayIsTheCentreWithoutDepthAndSwingsWithIt) {
  ModulatedDelay fixed(20);
  fixed.Configure(DSFXCHORUS{100, 0, 0, 2, 1, 10, 2});
  Stereo out = Apply(fixed, Impulse(1000));
  EXPECT_EQ(Peak(out.left, 0, 1000), Ms(10));
  EXPECT_NEAR(out.left[Ms(10)], 1.0, 1e-6);

  // Impulses every 25 ms through a fully swinging 10 ms delay at 0.5 Hz: the lags cover most
  // of 0..20 ms, and with the right side a half turn away the two sides' lags add up to 20 ms
  // (less what the delay moves while an impulse is inside).
  auto lags = [](int32_t phase, int32_t waveform) {
    ModulatedDelay chorus(20);
    chorus.Configure(DSFXCHORUS{100, 100, 0, 0.5f, waveform, 10, phase});
    Stereo in(Ms(2000));
    const size_t step = Ms(25);
    for (size_t i = 0; i < in.left.size(); i += step) in.left[i] = in.right[i] = 1;
    Stereo out = Apply(chorus, in);
    std::vector<std::pair<int, int>> result;
    for (size_t i = 0; i + step <= in.left.size(); i += step)
      result.emplace_back(static_cast<int>(Peak(out.left, i, i + step) - i),
                          static_cast<int>(Peak(out.right, i, i + step) - i));
    return result;
  };
  for (int32_t waveform : {0, 1}) {
    SCOPED_TRACE(waveform);
    int lo = 10000, hi = 0;
    for (auto [l, r] : lags(2, waveform)) {
      lo = std::min(lo, l);
      hi = std::max(hi, l);
      EXPECT_EQ(l, r);
    }
    EXPECT_LT(lo, static_cast<int>(Ms(1.4)));
    EXPECT_GT(hi, static_cast<int>(Ms(18.6)));
    EXPECT_LE(hi, static_cast<int>(Ms(20)) + 1);
    for (auto [l, r] : lags(4, waveform)) EXPECT_NEAR(l + r, static_cast<int>(Ms(20)), static_cast<int>(Ms(0.45)));
  }

  ModulatedDelay flanger(4);  // feedback makes the delayed copy repeat
  flanger.Configure(DSFXFLANGER{100, 0, 50, 0, 1, 2, 2});
  out = Apply(flanger, Impulse(400));
  const size_t d = Ms(2);
  EXPECT_NEAR(out.left[d - 1] + out.left[d] + out.left[d + 1], 1.0, 1e-6);
  EXPECT_NEAR(out.left[2 * d - 1] + out.left[2 * d] + out.left[2 * d + 1], 0.5, 1e-6);
}

TEST(WavesReverbEffect, LeavesATailThatDecaysWithTheReverbTime) {
  auto tail = [](DSFXWAVESREVERB p) {
    WavesReverb r;
    r.Configure(p);
    return Apply(r, Impulse(Ms(1000))).left;
  };
  std::vector<float> wet = tail({0, 0, 1000, 0.999f});
  double early = Rms(wet, Ms(300), Ms(400));  // 0.3 .. 0.4 s
  double late = Rms(wet, Ms(700), Ms(800));   // 0.7 .. 0.8 s
  EXPECT_GT(early, 1e-4);
  EXPECT_NEAR(Db(late / early), -24, 4);  // 60 dB a second

  std::vector<float> longer = tail({0, 0, 3000, 0.999f});
  EXPECT_NEAR(Db(Rms(longer, Ms(700), Ms(800)) / Rms(longer, Ms(300), Ms(400))), -8, 3);

  // The mix trades the tail against the dry sound; the input gain only feeds the tail.
  std::vector<float> dry = tail({0, -96, 1000, 0.5f});
  EXPECT_NEAR(dry[0], 1.0, 1e-3);
  EXPECT_LT(Rms(dry, Ms(100), Ms(1000)), 1e-6);
  std::vector<float> sent = tail({-20, 0, 1000, 0.999f});
  EXPECT_NEAR(Db(Rms(sent, Ms(300), Ms(400)) / early), -20, 0.5);

  // A low high-frequency ratio dulls the tail.
  auto brightness = [&](float ratio) {
    std::vector<float> t = tail({0, 0, 1000, ratio});
    return Db(Magnitude(t, Ms(300), Ms(400), 8000) / Magnitude(t, Ms(300), Ms(400), 300));
  };
  EXPECT_LT(brightness(0.1f), brightness(0.999f) - 10);
}
