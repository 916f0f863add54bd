#include "sound/playback_clock.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "editor/form1.h"
#include "editor/program.h"
#include "editor/score_display.h"
#include "platform/basic/basic.h"
#include "sound/karaoke.h"
#include "sound/play_support.h"
#include "sound/sound_engine.h"

namespace stavelark {

namespace {

constexpr forms::Color kHighlight = 0x00FFFF;  // yellow
constexpr forms::Color kWhite = 0xFFFFFF;
constexpr forms::Color kLitKey = 0x0000FF;     // red
constexpr float kIvoryKey = 0xCFF5FB;          // a released white key or the rest key
constexpr float kBlackKey = 0;
constexpr int kRestKey = 15;
constexpr int kLyricsPerPage = 5;
constexpr double kBallLeft = 840;
constexpr double kBallStep = 1800;
constexpr int16_t kPageLimit = std::numeric_limits<int16_t>::max();

// The white keys 0..14 show these pitch codes, in order; the black keys 16..25 the sharps.
constexpr std::array<int, 15> kWhitePitches = {0, 1, 3, 5, 6, 8, 10, 12, 13, 15, 17, 18, 20, 22, 24};
constexpr std::array<int, 10> kBlackPitches = {2, 4, 7, 9, 11, 14, 16, 19, 21, 23};

// The piano key that shows a pitch code; none for a code no key stands for (only a project
// file can bring such codes).
std::optional<int> KeyOfPitch(int pitch) {
  if (pitch == kRestPitch) return kRestKey;
  for (size_t i = 0; i < kWhitePitches.size(); ++i)
    if (kWhitePitches[i] == pitch) return static_cast<int>(i);
  for (size_t i = 0; i < kBlackPitches.size(); ++i)
    if (kBlackPitches[i] == pitch) return 16 + static_cast<int>(i);
  return std::nullopt;
}

// A page counter moves on by one, stopping at its type's end.
int16_t NextPage(int16_t page) { return page < kPageLimit ? static_cast<int16_t>(page + 1) : page; }

}  // namespace

void PlaybackClock::Wire(Form1& form) {
  form.TimerClock.Tick = [this] { TimerClock_Timer(); };
  form.KaroEn.Click = [this] { KaroEn_Click(); };
  form.KaroDis.Click = [this] { KaroDis_Click(); };
  form.PPEn.Click = [this] { PPEn_Click(); };
  form.PPDis.Click = [this] { PPDis_Click(); };
  form.TeachOn.Click = [this] { TeachOn_Click(); };
  form.TeachOff.Click = [this] { TeachOff_Click(); };
}

// ---- the tick ----

void PlaybackClock::TimerClock_Timer() {
  Globals& g = p_.G;
  SoundEngine& engine = p_.SoundEngine();
  if (!engine.Perf) return;
  const double now = basic::RoundHalfEven(engine.Perf->GetClockTime() / 100.0);
  g.ElapsedTotal = basic::SaturateInt32(now - g.PlayStartClock + g.ResumeOffset);
  g.ElapsedTenths = g.ElapsedTotal;
  ShowTime();

  // The position being played, in positions from the start of the score. Before the play has
  // really begun (the head start makes the first ticks negative) and without a time per
  // position there is none to follow.
  std::optional<double> position;
  const double perNote = g.TenthsPerNote;
  if (g.ElapsedTenths >= 0 && perNote > 0 && std::isfinite(perNote)) position = g.ElapsedTenths / perNote;
  ShowNoteNumber(position);
  if (position) {
    if (g.KaraokeMode) FollowKaraoke(*position);
    if (g.PlayerPianoMode) FollowPlayerPiano(*position);
    if (g.TeachMode) FollowTeacher(*position);
  }
  if (g.ElapsedTenths > g.PlayDuration) EndFollowing();
}

void PlaybackClock::ShowTime() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  const int32_t e = g.ElapsedTotal;
  if (e < 0) {
    f.TimeDisplay.Caption = "0:00.0";
    return;
  }
  const int32_t minutes = e / 600;
  const int32_t seconds = (e - minutes * 600) / 10;
  const int32_t tenths = e - minutes * 600 - seconds * 10;
  g.TimeMinutes = static_cast<float>(minutes);
  g.TimeSeconds = static_cast<float>(seconds);
  g.TimeTenths = static_cast<float>(tenths);
  g.TimeMinStr = basic::Str(minutes);
  g.TimeSecStr = std::string(1, static_cast<char>('0' + seconds / 10)) + static_cast<char>('0' + seconds % 10);
  g.TimeTenthStr = basic::Str(tenths).substr(basic::Str(tenths).size() - 1);
  f.TimeDisplay.Caption = g.TimeMinStr + ":" + g.TimeSecStr + "." + g.TimeTenthStr;
}

void PlaybackClock::ShowNoteNumber(std::optional<double> position) {
  // Before the first position has begun the first position is the one to come.
  const double number = position ? std::floor(*position) + 1 : 1;
  p_.Form1().NoteNumDisplay.Caption = basic::Str(number);
}

void PlaybackClock::FollowKaraoke(double position) {
  Globals& g = p_.G;
  stavelark::Karaoke& karaoke = p_.Karaoke();
  g.KaraokeBallIndex = basic::SaturateInt16(position - g.KaraokePage * double{kLyricsPerPage});
  if (g.KaraokeBallIndex >= kLyricsPerPage) {
    // One page per tick: a late tick catches up over the next ticks.
    g.KaraokeBallIndex = 0;
    g.KaraokePage = NextPage(g.KaraokePage);
    for (int i = 0; i < kLyricsPerPage; ++i) {
      const int lyric = g.KaraokePage * kLyricsPerPage + i;
      karaoke.VocLabel[i].Caption = lyric < kPositions ? g.Lyrics[lyric] : std::string();
    }
  }
  karaoke.Ball.Left = g.KaraokeBallIndex * kBallStep + kBallLeft;
}

void PlaybackClock::FollowPlayerPiano(double position) {
  Globals& g = p_.G;
  SetLyricColour(g.PlayerPianoColumn, kWhite);
  g.PlayerPianoColumn = basic::SaturateInt16(position - g.PlayerPianoPage * double{kColumns});
  if (g.PlayerPianoColumn >= kColumns) {
    // The page turns: the next 20 positions come into view.
    g.PlayerPianoColumn = 0;
    g.SetScrollPos(g.ScrollPos + double{kColumns});
    g.PlayerPianoPage = NextPage(g.PlayerPianoPage);
    p_.ScoreDisplay().RedrawScore();
  } else if (g.PlayerPianoColumn < 0) {
    g.PlayerPianoColumn = static_cast<int16_t>(g.PlayerPianoColumn + kColumns);
  }
  SetLyricColour(g.PlayerPianoColumn, kHighlight);
}

void PlaybackClock::FollowTeacher(double position) {
  Globals& g = p_.G;
  const double n = basic::RoundHalfEven(position);
  if (n >= kPositions || g.ActiveTrack < 0 || g.ActiveTrack >= kTracks) return;
  const std::optional<int> key = KeyOfPitch(g.NotePitch[g.ActiveTrack][static_cast<size_t>(n)]);
  if (!key || *key == g.LitKey) return;
  Form1& f = p_.Form1();
  f.Piano[*key].BackColor = kLitKey;
  ReleaseLitKey();
  g.LitKeyColour = *key <= kRestKey ? kIvoryKey : kBlackKey;
  g.LitKey = static_cast<int16_t>(*key);
}

void PlaybackClock::EndFollowing() {
  Globals& g = p_.G;
  p_.Form1().TimerClock.Enabled = false;
  // The segment goes on (a looping one keeps sounding) and the karaoke window stays open.
  if (g.TeachMode) ReleaseLitKey();
  if (g.PlayerPianoMode) SetLyricColour(g.PlayerPianoColumn, kWhite);
}

void PlaybackClock::ReleaseLitKey() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  if (f.Piano.Exists(g.LitKey)) f.Piano[g.LitKey].BackColor = basic::SaturateInt32(g.LitKeyColour);
}

void PlaybackClock::SetLyricColour(int column, int colour) {
  Form1& f = p_.Form1();
  if (f.Lyric.Exists(column)) f.Lyric[column].BackColor = colour;
}

// ---- mode menus ----

void PlaybackClock::KaroEn_Click() {
  Form1& f = p_.Form1();
  f.KaroEn.Checked = true;
  f.KaroDis.Checked = false;
  p_.G.KaraokeMode = true;
}

void PlaybackClock::KaroDis_Click() {
  Form1& f = p_.Form1();
  f.KaroEn.Checked = false;
  f.KaroDis.Checked = true;
  p_.G.KaraokeMode = false;
}

void PlaybackClock::PPEn_Click() {
  Form1& f = p_.Form1();
  p_.G.PlayerPianoMode = true;
  f.PPEn.Checked = true;
  f.PPDis.Checked = false;
}

void PlaybackClock::PPDis_Click() {
  Form1& f = p_.Form1();
  p_.G.PlayerPianoMode = false;
  f.PPEn.Checked = false;
  f.PPDis.Checked = true;
}

void PlaybackClock::TeachOn_Click() {
  Form1& f = p_.Form1();
  f.TeachOn.Checked = true;
  f.TeachOff.Checked = false;
  p_.G.TeachMode = true;
}

void PlaybackClock::TeachOff_Click() {
  Form1& f = p_.Form1();
  f.TeachOn.Checked = false;
  f.TeachOff.Checked = true;
  p_.G.TeachMode = false;
}

}  // namespace stavelark
