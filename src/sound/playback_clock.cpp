#include "sound/playback_clock.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

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
  // Nothing was started that could be followed.
  if (segment_.positionMs <= 0) {
    EndFollowing();
    return;
  }
  // What the displays show stays up until the next tick, so they show what sounds halfway
  // there: each position lights within half a tick of its onset, before or after.
  const double lookAhead = p_.Form1().TimerClock.Interval / 2.0;
  const auto sinceStart = static_cast<int32_t>(static_cast<uint32_t>(engine.Perf->GetClockTime()) -
                                               static_cast<uint32_t>(segment_.startClock));
  // Milliseconds since the onset of the first position (of this pass, when it loops).
  double ms = sinceStart + lookAhead - segment_.leadInMs;
  if (segment_.loops && ms >= 0 && segment_.passMs > 0) {
    const double pass = std::floor(ms / segment_.passMs);
    ms -= pass * segment_.passMs;
    if (pass > pass_) {
      pass_ = pass;
      StartPass();
    }
  }
  g.ElapsedTotal = basic::SaturateInt32(g.ResumeOffset + std::floor(ms / 100));
  g.ElapsedTenths = g.ElapsedTotal;
  ShowTime();

  // The position being played; before the first has begun, the first is the one to come.
  // After the last it stays lit until the following ends (or the next pass begins).
  if (ms >= 0 && g.ElapsedTenths >= 0 && segment_.positions > 0) {
    const double played = std::min(std::floor(ms / segment_.positionMs), segment_.positions - 1.0);
    const double position = segment_.firstPosition + played;
    ShowNoteNumber(position);
    if (g.KaraokeMode) FollowKaraoke(position);
    if (g.PlayerPianoMode) FollowPlayerPiano(position);
    if (g.TeachMode) FollowTeacher(position);
  } else {
    ShowNoteNumber(segment_.firstPosition);
  }
  if (!segment_.loops && g.ElapsedTenths > g.PlayDuration) EndFollowing();
}

void PlaybackClock::FollowSegment(const SegmentTiming& timing) {
  segment_ = timing;
  pass_ = 0;
}

void PlaybackClock::StartPass() {
  Globals& g = p_.G;
  if (g.KaraokeMode) StartKaraokePage();
  if (g.PlayerPianoMode) {
    SetLyricColour(g.PlayerPianoColumn, kWhite);
    StartPlayerPianoPage(segment_.scrollPos);
  }
}

void PlaybackClock::StartKaraokePage() {
  Globals& g = p_.G;
  stavelark::Karaoke& karaoke = p_.Karaoke();
  for (int i = 0; i < kLyricsPerPage; ++i) karaoke.VocLabel[i].Caption = g.Lyrics[i];
  g.KaraokePage = 0;
  karaoke.Ball.Left = kBallLeft;
  g.KaraokeBallIndex = 0;
}

void PlaybackClock::StartPlayerPianoPage(double scrollPos) {
  Globals& g = p_.G;
  g.SetScrollPos(scrollPos);
  g.PlayerPianoPage = 0;
  g.PlayerPianoColumn = 0;
  p_.ScoreDisplay().RedrawScore();
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

void PlaybackClock::ShowNoteNumber(double position) { p_.Form1().NoteNumDisplay.Caption = basic::Str(position + 1); }

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
