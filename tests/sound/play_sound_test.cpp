// The play commands and the piano on the real sound platform, rendering offline: what they
// start is heard at the right times and pitches.
#include <gtest/gtest.h>

#include <cmath>

#include "sound/piano.h"
#include "sound/play_commands.h"
#include "sound/real_sound_fixture.h"

namespace stavelark_test {
namespace {

using music_test::Magnitude;

TEST_F(RealSoundTest, PlayedNotesStartOnTheirPositionsSlots) {
  Start();
  G().Tempo = 100;  // a position lasts 20 / 100 s
  // Each track plays every fourth position, one track after the other; rests in between.
  constexpr int kPositions = 16;
  for (int t = 0; t < 4; ++t) {
    for (int p = 0; p < kPositions; ++p) {
      G().NotePitch[t][p] = p % 4 == t ? static_cast<int16_t>(1 + 4 * t) : stavelark::kRestPitch;
      G().NoteDuration[t][p] = 2;
      G().NoteVol[t][p] = 110;
    }
    G().NoteCount[t] = kPositions;
  }
  G().TrackInstrument = {0, 24, 13, 115};  // piano, nylon guitar, xylophone, woodblock
  Sys().Dispatch([&] { P().PlayCommands().Play(); });
  ASSERT_TRUE(P().Form1().TimerClock.Enabled());

  const double slot = 20.0 / 100;
  const double first = 12.0 / 100;  // the first note comes 24 ticks (of 40 a position) in
  std::vector<float> sound = Render(kPositions * slot + 0.5);
  std::vector<double> onsets = Onsets(sound);
  ASSERT_EQ(onsets.size(), static_cast<size_t>(kPositions));
  for (int k = 0; k < kPositions; ++k)
    EXPECT_NEAR(onsets[k], first + k * slot, 0.004) << "note " << k;
}

TEST_F(RealSoundTest, PianoKeySoundsItsPitch) {
  Start();
  G().RecordOn = false;
  // Key 1 is C: with octave 4 MIDI key 60, 261.6 Hz; key 21 is the C sharp above, 554.4 Hz.
  for (auto [key, hz] : {std::pair{1, 261.63}, std::pair{21, 554.37}}) {
    Sys().Dispatch([&, key = key] { P().PianoKeys().Piano_Click(key); });
    std::vector<float> s = Render(0.5);
    const size_t from = music::kSampleRate / 20, to = music::kSampleRate * 9 / 20;
    double best = 0, bestHz = 0;
    for (double f = hz * 0.8; f <= hz * 1.2; f += 0.5) {
      const double m = Magnitude(s, from, to, f);
      if (m > best) best = m, bestHz = f;
    }
    EXPECT_NEAR(bestHz, hz, hz * 0.006) << "key " << key;
    EXPECT_GT(best, 1e-3);
  }
}

TEST_F(RealSoundTest, ASoundFontThatFailsToLoadIsSaidOnceAndThePlaysGoOnSilently) {
  const music_test::ScratchDir scratch;
  const std::string font = scratch.Write("broken.sf2", music_test::BrokenSoundFont());
  Sys().AnswerMsgBox(forms::mb::Ok, "The SoundFont " + font +
                                        " could not be loaded (its instruments or samples could not be read). "
                                        "The program goes on without sound.");
  Start(font);
  music::OutputName(*P().SoundEngine().Perf);  // the load, on its own thread, is over
  Sys().Advance(1);                             // the window thread is woken for it
  EXPECT_EQ(Sys().Dialogs().size(), 1u);

  for (int p = 0; p < 4; ++p) G().NotePitch[0][p] = static_cast<int16_t>(p), G().NoteDuration[0][p] = 3;
  G().NoteCount[0] = 4;
  Sys().Dispatch([&] { P().PlayCommands().Play(); });
  EXPECT_TRUE(P().Form1().TimerClock.Enabled()) << "the play is followed";
  const std::vector<float> sound = Render(1.5);
  EXPECT_EQ(music_test::Rms(sound, 0, sound.size()), 0);
  Sys().Advance(2000);
  EXPECT_EQ(Sys().Dialogs().size(), 1u) << "said once";
}

TEST_F(RealSoundTest, ALoopedSongShorterThanABlockShowsNoNotificationErrorAndStops) {
  Start();
  // A MIDI file of one 1 ms note, looped: a notification at every 64-frame block.
  const music_test::ScratchDir scratch;
  const std::string tiny = scratch.Write(
      "tiny.mid", music_test::Smf(0, 480, {music_test::Track().At(0, {0x90, 60, 1}).At(1, {0x80, 60, 0}).End()}));
  Sys().Dispatch([&] { P().PlayCommands().ChkLoop_Click(); });
  Sys().AnswerFileDialog(tiny);
  Sys().Dispatch([&] { Sys().ChooseMenu(P().Form1().PlayMIDI); });
  for (int i = 0; i < 3; ++i) {
    Render(1.0);
    Sys().Advance(100);  // the window thread runs the callbacks
  }
  for (const auto& d : Sys().Dialogs()) EXPECT_NE(d.prompt, "Error processing this Notification");

  // Stop ends it: nothing more sounds or is notified.
  Sys().Dispatch([&] { P().PlayCommands().Stop(); });
  Render(0.5);
  Sys().Advance(100);
  const std::vector<float> after = Render(0.5);
  EXPECT_LT(music_test::Rms(after, 0, after.size()), 1e-5);
  music::DMUS_NOTIFICATION_PMSG message;
  EXPECT_FALSE(P().SoundEngine().Perf->GetNotificationPMSG(message));
}

}  // namespace
}  // namespace stavelark_test
