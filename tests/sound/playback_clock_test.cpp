// The playback clock: what each tick of TimerClock shows and drives, from the values a play
// start leaves and the performance clock, and the mode menus.
#include <fstream>
#include <string>
#include <vector>

#include "editor/form1.h"
#include "platform/basic/basic.h"
#include "sound/karaoke.h"
#include "sound/play_fixture.h"
#include "sound/playback_clock.h"

namespace stavelark_test {
namespace {

using ::testing::Contains;
using ::testing::Not;

constexpr forms::Color kYellow = 0x00FFFF;
constexpr forms::Color kWhite = 0xFFFFFF;
constexpr forms::Color kIvory = 0xCFF5FB;
constexpr forms::Color kBlack = 0;

class PlaybackClockTest : public PlayTest {
 protected:
  // A play being followed whose first position sounds at once, `perNote` tenths a position,
  // `duration` tenths long.
  void Following(float perNote, float duration = 1e6f) {
    segment_.leadInMs = 0;
    segment_.positionMs = perNote * 100.0;
    segment_.positions = 1000000;
    G().PlayDuration = duration;
    G().ResumeOffset = 0;
    F().TimerClock.Enabled = true;
  }
  // One tick at `elapsed` tenths since the first position's onset.
  void TickAt(int32_t elapsed) {
    segment_.startClock = static_cast<int32_t>(Sys().Now() - elapsed * 100);
    P().PlaybackClock().FollowSegment(segment_);
    Act([&] { P().PlaybackClock().TimerClock_Timer(); });
  }
  std::string Time() { return F().TimeDisplay.Caption; }
  std::string NoteNumber() { return F().NoteNumDisplay.Caption; }
  forms::Color Key(int k) { return F().Piano[k].BackColor; }
  forms::Color LyricColour(int c) { return F().Lyric[c].BackColor; }

 private:
  stavelark::SegmentTiming segment_;
};

TEST_F(PlaybackClockTest, TimeAndPositionDisplaysFollowTheElapsedTenths) {
  Following(201 / 64.0f);
  const std::pair<int, const char*> times[] = {
      {0, " 0:00.0"}, {53, " 0:05.3"}, {650, " 1:05.0"}, {1234, " 2:03.4"}, {36000, " 60:00.0"}, {7, " 0:00.7"}};
  for (auto [e, text] : times) {
    TickAt(e);
    EXPECT_EQ(Time(), text) << e;
    EXPECT_EQ(G().ElapsedTenths, e);
  }

  // Position 1 until the tick half a tick before the next position's onset: each tick's
  // displays stand for the next 100 ms.
  TickAt(0);
  EXPECT_EQ(NoteNumber(), " 1");
  TickAt(2);
  EXPECT_EQ(NoteNumber(), " 1");
  TickAt(3);  // 3.5 >= 3.140625
  EXPECT_EQ(NoteNumber(), " 2");
  TickAt(36000);
  EXPECT_EQ(NoteNumber(), " 11463");

  // The first ticks come before the first note (its lead-in): nothing has begun yet.
  TickAt(-3);
  EXPECT_EQ(Time(), "0:00.0");
  EXPECT_EQ(NoteNumber(), " 1");
  EXPECT_EQ(G().ElapsedTenths, -3);

  // The resume offset counts on from where a pause left off.
  G().ResumeOffset = 600;
  Act([&] { P().PlaybackClock().TimerClock_Timer(); });
  EXPECT_EQ(Time(), " 0:59.7");

  // Before anything was played there is nothing to follow: the first tick ends the following.
  P().PlaybackClock().FollowSegment({});
  Act([&] { P().PlaybackClock().TimerClock_Timer(); });
  EXPECT_FALSE(F().TimerClock.Enabled());
}

TEST_F(PlaybackClockTest, APlayIsFollowedUntilItsEnd) {
  Ramp(0, 10);  // at tempo 64: 31.4 tenths expected, 3.125 a position after a lead-in of 1.875
  Act([&] { Play().Play(); });
  ASSERT_TRUE(F().TimerClock.Enabled());
  const int64_t start = Sys().Now();
  recorder.ClearCalls();
  std::vector<std::string> numbers;
  while (F().TimerClock.Enabled() && Sys().Now() < 60000) {
    Sys().Advance(100);
    numbers.push_back(NoteNumber());
  }
  EXPECT_FALSE(F().TimerClock.Enabled());
  EXPECT_EQ(G().ElapsedTenths, 32) << "the first tick past 31.4";
  EXPECT_EQ(Sys().Now() - start, 3400) << "32 tenths (rounded) after the first note, 1.875 tenths in";
  EXPECT_THAT(Calls(), Not(Contains(::testing::StartsWith("performance.StopEx")))) << "the segment plays on";
  EXPECT_EQ(Time(), " 0:03.2");
  EXPECT_EQ(numbers.front(), " 1");
  EXPECT_EQ(numbers.back(), " 10") << "the last position stays lit after its slot";
  EXPECT_THAT(numbers, Contains(" 5"));
}

TEST_F(PlaybackClockTest, ALoopIsFollowedPassAfterPassUntilWhatPlaysIsStopped) {
  Ramp(0, 3);  // at tempo 64 a pass lasts 24 + 3 x 40 ticks: 1.125 s
  Act([&] { Play().ChkLoop_Click(); });
  Act([&] { Play().Play(); });
  int passes = 1;
  std::string before = NoteNumber();
  for (int tick = 0; tick < 100; ++tick) {
    Sys().Advance(100);
    if (before == " 3" && NoteNumber() == " 1") ++passes;
    before = NoteNumber();
  }
  EXPECT_TRUE(F().TimerClock.Enabled()) << "ten seconds on, far past the first pass";
  EXPECT_EQ(passes, 9);

  // Another file played stops the loop, and with it the following.
  const std::string text = (Root() / "notes.txt").string();
  std::ofstream(text) << "not a MIDI file";
  Sys().AnswerFileDialog(text);
  Act([&] { Sys().ChooseMenu(F().PlayMIDI); });
  Sys().Advance(100);
  EXPECT_FALSE(F().TimerClock.Enabled());
}

TEST_F(PlaybackClockTest, KaraokeMovesTheBallOverFiveLyricsAndTurnsThePage) {
  for (int i = 0; i < 12; ++i) G().Lyrics[i] = "w" + std::to_string(i);
  Ramp(0, 12);
  Act([&] { Sys().ChooseMenu(F().KaroEn); });
  Act([&] { Play().Play(); });
  stavelark::Karaoke& k = P().Karaoke();
  ASSERT_TRUE(k.Visible());
  Following(10);
  std::vector<double> balls;
  for (int e : {-5, 0, 10, 20, 30, 40}) {
    TickAt(e);
    balls.push_back(k.Ball.Left);
  }
  EXPECT_EQ(balls, (std::vector<double>{840, 840, 2640, 4440, 6240, 8040}));
  EXPECT_EQ(k.VocLabel[0].Caption(), "w0");

  TickAt(49);  // 4.95 positions: the fifth lyric still sounds (where rounding went on early)
  EXPECT_EQ(G().KaraokePage, 0);
  EXPECT_EQ(k.Ball.Left, 8040);
  TickAt(50);  // the sixth: the next page
  EXPECT_EQ(G().KaraokePage, 1);
  EXPECT_EQ(G().KaraokeBallIndex, 0);
  EXPECT_EQ(k.Ball.Left, 840);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(k.VocLabel[i].Caption(), "w" + std::to_string(5 + i));
  TickAt(60);
  EXPECT_EQ(k.Ball.Left, 2640);

  // Lyrics past the last position read as empty.
  G().Lyrics[10000] = "last";
  G().KaraokePage = 1999;  // positions 9995..9999
  TickAt(100000);
  EXPECT_EQ(G().KaraokePage, 2000);
  EXPECT_EQ(k.VocLabel[0].Caption(), "last");
  EXPECT_EQ(k.VocLabel[4].Caption(), "");

  // The window: a click hides it, a resize keeps the lyrics and the ball at their heights.
  ASSERT_TRUE(Sys().Click(k.Ball));
  EXPECT_FALSE(k.Visible());
  EXPECT_TRUE(k.IsLoaded());
  k.Height = 5000;
  Act([&] { k.Form_Resize(); });
  EXPECT_EQ(k.VocLabel[3].Top(), 1500);
  EXPECT_EQ(k.Ball.Top(), 2500);
}

TEST_F(PlaybackClockTest, PlayerPianoHighlightsThePlayingColumnAndTurnsPagesOfTwenty) {
  Ramp(0, 60);
  Act([&] { Sys().ChooseMenu(F().PPEn); });
  Act([&] { Play().Play(); });
  Following(1);
  TickAt(5);
  EXPECT_EQ(LyricColour(5), kYellow);
  EXPECT_EQ(LyricColour(0), kWhite);
  TickAt(19);
  EXPECT_EQ(LyricColour(19), kYellow);
  EXPECT_EQ(LyricColour(5), kWhite);
  TickAt(20);
  EXPECT_EQ(G().ScrollPos, 20);
  EXPECT_EQ(G().PlayerPianoPage, 1);
  EXPECT_EQ(G().PlayerPianoColumn, 0);
  EXPECT_EQ(LyricColour(0), kYellow);
  EXPECT_EQ(LyricColour(19), kWhite);
  EXPECT_EQ(F().NoteNumber.Caption(), "21") << "the score was redrawn from the new position";

  // A position behind the page counts back from the page's end.
  TickAt(15);
  EXPECT_EQ(G().PlayerPianoColumn, 15);
  EXPECT_EQ(G().ScrollPos, 20);

  // The last page stops where the lyric row still fits.
  G().SetScrollPos(9975);
  G().PlayerPianoPage = 4;
  TickAt(100);
  EXPECT_EQ(G().ScrollPos, 9981);

  // Before the play has begun nothing is highlighted or turned.
  TickAt(-2);
  EXPECT_EQ(G().PlayerPianoColumn, 0);
  EXPECT_EQ(G().ScrollPos, 9981);

  // The end of the following takes the highlight away.
  G().PlayerPianoPage = 0;
  G().PlayDuration = 9;
  TickAt(8);
  EXPECT_EQ(LyricColour(8), kYellow);
  TickAt(10);
  EXPECT_FALSE(F().TimerClock.Enabled());
  EXPECT_EQ(LyricColour(10), kWhite);
  EXPECT_EQ(LyricColour(8), kWhite);
}

TEST_F(PlaybackClockTest, TeacherLightsTheKeyOfTheActiveTracksNote) {
  Notes(0, {12, 12, 12});
  Notes(1, {1, 1, stavelark::kRestPitch, 2, 300, 24});
  G().ActiveTrack = 1;
  Act([&] { Play().Play(); });  // teacher mode is on from the first run
  EXPECT_EQ(G().LitKey, 0);
  Following(1);
  TickAt(0);
  EXPECT_EQ(G().LitKey, 1);
  EXPECT_EQ(Key(1), 0x0000FF);
  EXPECT_EQ(Key(0), kIvory);
  TickAt(1);  // the same pitch again: the same key stays lit
  EXPECT_EQ(G().LitKey, 1);
  EXPECT_EQ(Key(1), 0x0000FF);
  TickAt(2);  // a rest lights the rest key
  EXPECT_EQ(G().LitKey, 15);
  EXPECT_EQ(Key(15), 0x0000FF);
  EXPECT_EQ(Key(1), kIvory);
  TickAt(3);  // the first black key
  EXPECT_EQ(G().LitKey, 16);
  EXPECT_EQ(Key(15), kIvory);
  EXPECT_FLOAT_EQ(G().LitKeyColour, kBlack);
  TickAt(4);  // a pitch no key stands for lights nothing new
  EXPECT_EQ(G().LitKey, 16);
  EXPECT_EQ(Key(16), 0x0000FF);
  TickAt(5);
  EXPECT_EQ(G().LitKey, 14);
  EXPECT_EQ(Key(16), kBlack);
  TickAt(20000);  // past the last position: no key
  EXPECT_EQ(G().LitKey, 14);

  // The end of the following gives the lit key its colour back.
  G().PlayDuration = 20000;
  TickAt(20000);
  EXPECT_TRUE(F().TimerClock.Enabled()) << "20000 is not past 20000";
  TickAt(20001);
  EXPECT_FALSE(F().TimerClock.Enabled());
  EXPECT_EQ(Key(14), kIvory);
}

TEST_F(PlaybackClockTest, ModeMenusCheckOneItemOfEachPairAndSetTheFlag) {
  struct Pair {
    forms::Menu& on;
    forms::Menu& off;
    bool stavelark::Globals::*flag;
  };
  for (const Pair& pair : {Pair{F().KaroEn, F().KaroDis, &stavelark::Globals::KaraokeMode},
                           Pair{F().PPEn, F().PPDis, &stavelark::Globals::PlayerPianoMode},
                           Pair{F().TeachOn, F().TeachOff, &stavelark::Globals::TeachMode}}) {
    ASSERT_TRUE(Sys().ChooseMenu(pair.on));
    EXPECT_TRUE(pair.on.Checked());
    EXPECT_FALSE(pair.off.Checked());
    EXPECT_TRUE(G().*pair.flag);
    ASSERT_TRUE(Sys().ChooseMenu(pair.off));
    ASSERT_TRUE(Sys().ChooseMenu(pair.off));
    EXPECT_FALSE(pair.on.Checked());
    EXPECT_TRUE(pair.off.Checked());
    EXPECT_FALSE(G().*pair.flag);
  }
}

}  // namespace
}  // namespace stavelark_test
