// Following the playing position: the time and position displays, karaoke, player piano and
// teacher modes, and the menu items that switch the three modes.
//
// The sound platform reports nothing back while a segment plays, so TimerClock (100 ms, enabled
// by the play commands) reads the performance clock at every tick and works out the elapsed time
// and the position from where the play commands said the segment's positions fall
// (SegmentTiming). Every displayed value comes from the clock, not from counting ticks, so a
// late tick still shows the right place.
#pragma once

#include <cstdint>

namespace stavelark {

class Form1;
class Program;

// Where the positions of a started segment fall on the performance clock, in milliseconds, as
// the file plays them (the displays follow this rather than the rounded tenths the play
// commands keep, so that each lights as its note is heard).
struct SegmentTiming {
  int32_t startClock = 0;    // the performance clock when the segment was started
  double leadInMs = 0;       // from the start to the onset of its first position
  double positionMs = 0;     // one position; 0 when no segment has been started
  double passMs = 0;         // one pass of the file: it starts again after this when it loops
  long positions = 0;        // positions in a pass
  double firstPosition = 0;  // the position number the displays count its first position as
  bool loops = false;
  double scrollPos = 0;      // where the player piano shows each pass from
};

class PlaybackClock {
 public:
  explicit PlaybackClock(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  // The tick: time and position displays, the three modes, and the end of the following once
  // the elapsed time has passed PlayDuration (a looping segment is followed until it stops).
  void TimerClock_Timer();

  // The play commands: the segment just started, which the displays follow from now on.
  void FollowSegment(const SegmentTiming& timing);
  // What plays was stopped: a looping segment is followed no longer than one that plays once.
  void SegmentStopped() { segment_.loops = false; }
  // The karaoke window's first page and the player piano's first page from `scrollPos`, as
  // every play start and every new pass of a loop shows them.
  void StartKaraokePage();
  void StartPlayerPianoPage(double scrollPos);

  // ---- mode menus: each item checks itself, unchecks its partner and sets the flag ----
  void KaroEn_Click();
  void KaroDis_Click();
  void PPEn_Click();
  void PPDis_Click();
  void TeachOn_Click();
  void TeachOff_Click();

 private:
  void ShowTime();
  void ShowNoteNumber(double position);
  void FollowKaraoke(double position);
  void FollowPlayerPiano(double position);
  void FollowTeacher(double position);
  void EndFollowing();
  // A loop has begun a new pass: the pages go back to its start.
  void StartPass();
  // Restores the lit key's colour; false when LitKey is no key of the piano.
  void ReleaseLitKey();
  void SetLyricColour(int column, int colour);

  Program& p_;
  SegmentTiming segment_;
  double pass_ = 0;  // the pass of the loop the displays show
};

}  // namespace stavelark
