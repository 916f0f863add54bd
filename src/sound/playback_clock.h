// Following the playing position: the time and position displays, karaoke, player piano and
// teacher modes, and the menu items that switch the three modes.
//
// The sound platform reports nothing back while a segment plays, so TimerClock (100 ms, enabled
// by the play commands) reads the performance clock at every tick and works out the elapsed time
// and the position from the values the play start left in Globals. Every displayed value comes
// from the clock, not from counting ticks, so a late tick still shows the right place.
#pragma once

#include <optional>

namespace stavelark {

class Form1;
class Program;

class PlaybackClock {
 public:
  explicit PlaybackClock(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  // The tick: time and position displays, the three modes, and the end of the following once
  // the elapsed time has passed PlayDuration.
  void TimerClock_Timer();

  // ---- mode menus: each item checks itself, unchecks its partner and sets the flag ----
  void KaroEn_Click();
  void KaroDis_Click();
  void PPEn_Click();
  void PPDis_Click();
  void TeachOn_Click();
  void TeachOff_Click();

 private:
  void ShowTime();
  void ShowNoteNumber(std::optional<double> position);
  void FollowKaraoke(double position);
  void FollowPlayerPiano(double position);
  void FollowTeacher(double position);
  void EndFollowing();
  // Restores the lit key's colour; false when LitKey is no key of the piano.
  void ReleaseLitKey();
  void SetLyricColour(int column, int colour);

  Program& p_;
};

}  // namespace stavelark
