// The displays that follow a play, against the sound the play makes (the real sound platform
// rendering offline, the headless window system's virtual clock ticking TimerClock): each
// position lights as its note is heard, through the whole song and every pass of a loop.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "editor/form1.h"
#include "sound/karaoke.h"
#include "sound/play_commands.h"
#include "sound/real_sound_fixture.h"

namespace stavelark_test {
namespace {

// The pitch codes of the white keys 0..14, in order: position p plays white key (p + 1) % 15,
// so consecutive positions light different keys, and the first not key 0, which a play start
// leaves as the lit one.
constexpr std::array<int16_t, 15> kWhitePitches = {0, 1, 3, 5, 6, 8, 10, 12, 13, 15, 17, 18, 20, 22, 24};
constexpr forms::Color kYellow = 0x00FFFF;
constexpr forms::Color kRed = 0x0000FF;

// The time display's text in seconds (" 1:05.3" is 65.3).
double ShownSeconds(const std::string& text) {
  const size_t colon = text.find(':');
  return std::stod(text.substr(0, colon)) * 60 + std::stod(text.substr(colon + 1));
}

class DisplayTimingTest : public RealSoundTest {
 protected:
  // The position the player piano highlights, -1 when none is; the other displays must agree.
  int LitPosition() {
    stavelark::Globals& g = G();
    stavelark::Form1& f = P().Form1();
    if (f.Lyric[g.PlayerPianoColumn].BackColor() != kYellow) return -1;
    const int p = g.PlayerPianoPage * 20 + g.PlayerPianoColumn;
    EXPECT_EQ(f.NoteNumDisplay.Caption(), " " + std::to_string(p + 1));
    EXPECT_EQ(g.KaraokePage * 5 + g.KaraokeBallIndex, p);
    EXPECT_EQ(P().Karaoke().Ball.Left(), 840 + 1800 * g.KaraokeBallIndex);
    EXPECT_EQ(g.LitKey, (p + 1) % 15);
    EXPECT_EQ(f.Piano[g.LitKey].BackColor(), kRed);
    return p;
  }
};

TEST_F(DisplayTimingTest, EveryDisplayLightsEachPositionWithinHalfATickOfItsNote) {
  Start();
  stavelark::Form1& f = P().Form1();
  for (forms::Menu* mode : {&f.KaroEn, &f.PPEn, &f.TeachOn}) Sys().Dispatch([&] { Sys().ChooseMenu(*mode); });
  G().TrackInstrument[0] = 13;  // xylophone: every note starts sharply

  struct Case {
    int tempo;
    int positions;
    int passes;  // more than one: Loop is checked
  };
  // Slow, default and fast tempos over whole songs long enough that a position time off by
  // half a percent would show; loops whose passes end on the last note's slot (seven
  // positions) and on an empty track's longer end (two positions).
  for (const Case c : {Case{16, 8, 1}, Case{64, 40, 1}, Case{127, 64, 1}, Case{127, 7, 3}, Case{64, 2, 4}}) {
    SCOPED_TRACE("tempo " + std::to_string(c.tempo) + ", " + std::to_string(c.positions) + " positions, " +
                 std::to_string(c.passes) + " passes");
    for (int p = 0; p < c.positions; ++p) {
      G().NotePitch[0][p] = kWhitePitches[(p + 1) % 15];
      G().NoteDuration[0][p] = 2;
      G().NoteVol[0][p] = 120;
    }
    G().NoteCount[0] = static_cast<int16_t>(c.positions);
    G().Tempo = static_cast<float>(c.tempo);
    f.ChkLoop.Checked = c.passes > 1;
    Sys().Dispatch([&] { P().PlayCommands().Play(); });
    ASSERT_TRUE(f.TimerClock.Enabled());
    const int64_t start = Sys().Now();

    // One pass lasts the lead-in of 24 ticks and 40 a position, or the empty tracks' 132 ticks.
    const double pass = std::max(24 + 40 * c.positions, 132) * 0.5 / c.tempo;
    // A loop is heard up to the next pass's first note; a song until its last has sounded.
    const double seconds = c.passes * pass + (c.passes > 1 ? 0 : 0.25);
    const std::vector<double> onsets = Onsets(Render(seconds));
    ASSERT_EQ(onsets.size(), static_cast<size_t>(c.positions * c.passes));

    // When each note's position first lit, and the time display's error meanwhile.
    std::vector<double> lit;
    int last = -1;
    while (f.TimerClock.Enabled() && Sys().Now() - start < seconds * 1000) {
      Sys().Advance(100);
      const double now = static_cast<double>(Sys().Now() - start) / 1000;
      const int p = LitPosition();
      if (p < 0) continue;
      if (p != last) lit.push_back(now);
      last = p;
      ASSERT_LE(lit.size(), onsets.size()) << "more positions lit than notes heard, at " << now << " s";
      const size_t passStart = (lit.size() - 1) / c.positions * c.positions;
      EXPECT_NEAR(ShownSeconds(f.TimeDisplay.Caption()), now - onsets[passStart], 0.055) << "at " << now << " s";
    }
    ASSERT_EQ(lit.size(), onsets.size());
    for (size_t i = 0; i < lit.size(); ++i) EXPECT_NEAR(lit[i], onsets[i], 0.055) << "note " << i;

    Sys().Dispatch([&] { P().PlayCommands().Stop(); });
    Render(1.0);  // the last notes die away
  }
}

}  // namespace
}  // namespace stavelark_test
