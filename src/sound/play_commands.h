// Every command that starts, pauses, resumes or stops playback, and the play options.
//
// A play command writes the chosen tracks and positions to a temporary MIDI file in the
// program's private folder, stops what plays, loads the file as a segment, rebuilds the effect
// chain, plays it, sets the values the playback clock follows and deletes the file. The toolbar
// buttons Record, Play, Pause and Stop run Record(), Play(), Pause() and Stop() (the menu items
// Play, Pause, Stop and Selection run those buttons); the other Play menu items and "Play a MIDI
// File" have their own handlers.
#pragma once

#include <cstdint>
#include <string>

namespace stavelark {

class Form1;
class Program;

class PlayCommands {
 public:
  explicit PlayCommands(Program& program) : p_(program) {}
  // Connects this topic's handlers to the main window's controls.
  void Wire(Form1& form);

  // ---- toolbar buttons 9 to 12 ----
  // Toggles record mode and its lamp.
  void Record();
  // Resumes after Pause; otherwise plays the whole score, the active track or the selection.
  void Play();
  void Pause();
  void Stop();

  // ---- menu handlers ----
  void PlayFrom_Click();
  void PlayStartActive_Click();
  void PlayMIDI_Click();
  void actrk_Click();
  void ChkLoop_Click();

  // ---- temporary files, shared with the piano ----
  // "note N.mid" and "dummy N.Mid" in the private folder, N the file counter with its leading blank.
  std::string TempPlayFile() const;
  std::string TempNoteFile() const;
  // The counter goes round 0..254.
  void AdvanceFileCounter();
  // Stops the segment that plays (if any), shared with the piano: the displays then follow it
  // no longer than a segment that plays once.
  void StopSegment();

 private:
  // Where a resumed play starts: the first position of what the last play wrote, plus the
  // positions the clock followed since (only when it followed that play).
  struct ResumePoint {
    double base = 0;
    bool followed = false;
  };

  void FreshPlay();
  void ResumedPlay();
  // Writes a range under the play-file guard; false when there was nothing to write.
  bool WriteRange(int firstTrack, int lastTrack, double startPos, double endPos);
  // The shared steps: stop what plays, load the file (checking its length), mark it, effects.
  void LoadForPlay();
  // Sets the repeat count from Loop and starts the segment.
  void StartSegment(bool setRepeats);
  // The clock's start: the performance clock in tenths, then the head start for the tempo.
  void ReadStartClock();
  void AddHeadStart();
  // Tells the displays where the positions of the segment just started fall: its first
  // position counted as `firstPosition`, the player piano's pages from `scrollPos`.
  void FollowSegment(double firstPosition, double scrollPos);
  // The karaoke, player-piano and teacher set-up of a play start.
  void SetUpKaraoke();
  void SetUpTeacher();
  void SetPauseBars(int colour);
  // Play's failure message.
  void ReportLoadError();

  // What the last WriteRange wrote: positions of its longest track, its length in ticks and
  // the tempo (ticks a quarter note) it plays at.
  struct WrittenFile {
    long positions = 0;
    long ticks = 0;
    double tempo = 64;
  };

  Program& p_;
  bool hasResumePoint_ = false;
  ResumePoint resume_;
  WrittenFile written_;
  int32_t startClock_ = 0;  // the performance clock (ms) when the last segment was started
  int32_t repeats_ = 0;     // the repeat count of the segment started last
};

}  // namespace stavelark
