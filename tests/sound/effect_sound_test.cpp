// The effect chain on the real sound platform, rendering offline: a checked echo is heard as a
// copy of the note at the delay set in the effects dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sound/fx_form.h"
#include "sound/play_commands.h"
#include "sound/real_sound_fixture.h"

namespace stavelark_test {
namespace {

// How closely the sound `lag` frames after [from, from + length) repeats it: the normalised
// correlation of the two stretches.
double Likeness(const std::vector<float>& s, size_t from, size_t length, size_t lag) {
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = from; i < from + length; ++i) {
    const double a = s[i], b = s[i + lag];
    ab += a * b;
    aa += a * a;
    bb += b * b;
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

// The first frame louder than a hundredth of the loudest.
size_t FirstSound(const std::vector<float>& s) {
  float peak = 0;
  for (float v : s) peak = std::max(peak, std::fabs(v));
  for (size_t i = 0; i < s.size(); ++i)
    if (std::fabs(s[i]) > peak / 100) return i;
  return s.size();
}

TEST_F(RealSoundTest, CheckedEchoRepeatsTheNoteAtItsDelay) {
  Start();
  // One short woodblock stroke: it has died away before its echo comes.
  G().Tempo = 100;
  G().TrackInstrument[0] = 115;
  G().NotePitch[0][0] = 13;
  G().NoteDuration[0][0] = 1;
  G().NoteVol[0][0] = 120;
  G().NoteCount[0] = 1;

  // Half dry, half a copy 300 ms later, no feedback; typed values count without OK.
  stavelark::FXform& dialog = P().FXform();
  dialog.EchoValue[0].Text = "0";
  dialog.EchoValue[1].Text = "300";
  dialog.EchoValue[2].Text = "300";
  dialog.EchoValue[3].Text = "50";
  ASSERT_TRUE(Sys().ChooseMenu(P().Form1().echo));
  Sys().Dispatch([&] { P().PlayCommands().Play(); });
  ASSERT_NE(P().SoundEngine().FxEcho, nullptr);
  const std::vector<float> wet = Render(1.5);

  const size_t start = FirstSound(wet);
  ASSERT_LT(start, wet.size() / 2);
  const size_t stroke = music::kSampleRate / 10;  // the first 100 ms of the stroke
  const size_t delay = music::kSampleRate * 300 / 1000;
  // The best repeat of the stroke anywhere from 50 to 600 ms later: coarse, then frame by frame.
  size_t best = 0;
  double bestLikeness = -1;
  auto search = [&](size_t from, size_t to, size_t step) {
    for (size_t lag = from; lag <= to; lag += step) {
      const double l = Likeness(wet, start, stroke, lag);
      if (l > bestLikeness) bestLikeness = l, best = lag;
    }
  };
  search(music::kSampleRate / 20, music::kSampleRate * 6 / 10, 8);
  search(best - 8, best + 8, 1);
  EXPECT_EQ(best, delay) << "the repeat comes " << best * 1000.0 / music::kSampleRate << " ms after the stroke";
  EXPECT_GT(bestLikeness, 0.95);
  // Half of the stroke is heard at once, half with the echo: the two are about as loud.
  const double first = music_test::Rms(wet, start, start + stroke);
  const double echo = music_test::Rms(wet, start + delay, start + delay + stroke);
  EXPECT_NEAR(echo / first, 1.0, 0.15);

  // Without the echo nothing repeats the stroke there.
  Render(1.5);  // let everything die away
  ASSERT_TRUE(Sys().ChooseMenu(P().Form1().echo));
  Sys().Dispatch([&] { P().PlayCommands().Play(); });
  const std::vector<float> dry = Render(1.5);
  const size_t dryStart = FirstSound(dry);
  EXPECT_LT(Likeness(dry, dryStart, stroke, delay), 0.2);
  EXPECT_LT(music_test::Rms(dry, dryStart + delay, dryStart + delay + stroke),
            music_test::Rms(dry, dryStart, dryStart + stroke) / 20);
  std::printf("echo: repeat after %.2f ms, likeness %.4f, level %.3f of the stroke; dry likeness %.4f\n",
              best * 1000.0 / music::kSampleRate, bestLikeness, echo / first, Likeness(dry, dryStart, stroke, delay));
}

}  // namespace
}  // namespace stavelark_test
