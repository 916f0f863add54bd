#include "sound/play_commands.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "editor/form1.h"
#include "editor/program.h"
#include "editor/score_display.h"
#include "platform/basic/basic.h"
#include "sound/effect_chain.h"
#include "sound/file_io.h"
#include "sound/karaoke.h"
#include "sound/midi_files.h"
#include "sound/midi_writer.h"
#include "sound/play_support.h"
#include "sound/playback_clock.h"
#include "sound/sound_engine.h"

namespace stavelark {

namespace {

constexpr forms::Color kLampLit = 0x0000FF;  // red
constexpr forms::Color kLampUnlit = 0x808080;
constexpr forms::Color kWhite = 0xFFFFFF;
constexpr float kIvoryKey = 0xCFF5FB;
constexpr int kObjectNotSet = 91;

// The note count of a track, 0 for a number that is no track.
double TrackLength(const Globals& g, int track) {
  return track >= 0 && track < kTracks ? g.NoteCount[track] : 0;
}

// Restores a common dialog's CancelError when the command is done with the dialog.
class CancelErrorScope {
 public:
  explicit CancelErrorScope(forms::CommonDialog& dialog) : dialog_(dialog), saved_(dialog.CancelError) {
    dialog_.CancelError = true;
  }
  CancelErrorScope(const CancelErrorScope&) = delete;
  CancelErrorScope& operator=(const CancelErrorScope&) = delete;
  ~CancelErrorScope() { dialog_.CancelError = saved_; }

 private:
  forms::CommonDialog& dialog_;
  bool saved_;
};

}  // namespace

void PlayCommands::Wire(Form1& form) {
  form.PlayFrom.Click = [this] { PlayFrom_Click(); };
  form.PlayStartActive.Click = [this] { PlayStartActive_Click(); };
  form.PlayMIDI.Click = [this] { PlayMIDI_Click(); };
  form.actrk.Click = [this] { actrk_Click(); };
  form.ChkLoop.Click = [this] { ChkLoop_Click(); };
}

// ---- temporary files ----

// Without a private folder there is no name: writing to "" fails, so the command takes its
// failure path instead of writing somewhere else.
std::string PlayCommands::TempPlayFile() const {
  return p_.TempFilePath("note" + basic::Str(p_.G.PlayFileCounter) + ".mid");
}

std::string PlayCommands::TempNoteFile() const {
  return p_.TempFilePath("dummy" + basic::Str(p_.G.PlayFileCounter) + ".Mid");
}

void PlayCommands::AdvanceFileCounter() {
  Globals& g = p_.G;
  g.PlayFileCounter = g.PlayFileCounter >= kPlayFileNames - 1 ? 0 : g.PlayFileCounter + 1;
}

// ---- toolbar buttons ----

void PlayCommands::Record() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  if (g.RecordOn) {
    f.RecButt.FillColor = kLampUnlit;
    g.RecordOn = false;
  } else {
    f.RecButt.FillColor = kLampLit;
    g.RecordOn = true;
  }
}

void PlayCommands::Play() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  if (g.PlayFileBusy) return;
  if (f.TimerClock.Enabled) SetPauseBars(kLampUnlit);
  if (g.Paused && hasResumePoint_) {
    ResumedPlay();
  } else {
    // A pause before anything was played has nothing to resume.
    g.Paused = false;
    FreshPlay();
  }
}

void PlayCommands::FreshPlay() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  g.ResumeOffset = 0;
  SetPauseBars(kLampUnlit);
  f.StopBox.FillColor = kLampUnlit;
  g.ComputeScoreLength();
  if (g.ScoreLength == 0) return;

  // The range and the clock's values come from the selection as it is now: a redraw during
  // the write's wait may end the selection.
  const bool selection = g.SelectionActive;
  const bool activeOnly = f.actrk.Checked;
  int first = 0, last = kTracks - 1;
  if (activeOnly) {
    first = last = g.ActiveTrack;
  } else if (selection) {
    first = g.SelTrackFrom;
    last = g.SelTrackTo;
  }
  double start = 0, end = 0;
  const double colFrom = g.SelColFrom, colTo = g.SelColTo;
  if (selection) {
    start = g.ScrollPos + colFrom;
    end = g.ScrollPos + colTo + 1;
  } else {
    if (activeOnly) {
      g.ScoreLength = static_cast<float>(TrackLength(g, g.ActiveTrack));
      // An empty active track ends the play as an empty score does.
      if (g.ScoreLength == 0) return;
    }
    end = g.ScoreLength;
  }

  g.CurrentFilePath = TempPlayFile();
  TempFileScope file(g.CurrentFilePath);
  try {
    if (!WriteRange(first, last, start, end)) return;
    const double tempo = written_.tempo;
    if (!selection) {
      g.PlayDuration = static_cast<float>(end * 201 / tempo);
      g.TenthsPerNote = static_cast<float>(g.PlayDuration / end);
      g.ElapsedTenths = 0;
    } else {
      const double n = colTo - colFrom;
      g.PlayDuration = static_cast<float>((n + 1) * 190 / tempo);
      g.TenthsPerNote = n == 0 ? 0.1f : static_cast<float>(g.PlayDuration / n);
      g.PlayerPianoPage = basic::SaturateInt16(std::floor(start / 20));
      g.ElapsedTenths = basic::SaturateInt16(start);
      g.PlayerPianoColumn = basic::SaturateInt16(colFrom);
      g.ResumeOffset = basic::SaturateInt32(-start * g.TenthsPerNote);
    }
    // The clock follows only a play without a selection; a selection resumes from its start.
    resume_ = {start, !selection};
    hasResumePoint_ = true;

    LoadForPlay();
    if (g.PlayerPianoMode && !selection) p_.PlaybackClock().StartPlayerPianoPage(0);
    if (g.KaraokeMode && !selection) SetUpKaraoke();
    if (g.TeachMode) SetUpTeacher();
    if (p_.SoundEngine().PlayingSegment) {
      StartSegment(true);
      ReadStartClock();
      AddHeadStart();
      FollowSegment(0, 0);
    }
    if (!selection) f.TimerClock.Enabled = true;
    AdvanceFileCounter();
  } catch (const basic::RuntimeError&) {
    ReportLoadError();
  }
}

void PlayCommands::ResumedPlay() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  SetPauseBars(kLampUnlit);
  g.CurrentFilePath = TempPlayFile();
  TempFileScope file(g.CurrentFilePath);
  // A play the clock did not follow starts the clock afresh from the resume point.
  g.ResumeOffset = resume_.followed ? g.ElapsedTotal : 0;
  const bool activeOnly = f.actrk.Checked;
  const int first = activeOnly ? g.ActiveTrack : 0;
  const int last = activeOnly ? g.ActiveTrack : kTracks - 1;
  // A resume plays to the end of the score (or of the active track), whatever was selected.
  const double end = std::max(0.0, activeOnly ? TrackLength(g, g.ActiveTrack) : double{g.ScoreLength});
  double note = resume_.base;
  if (resume_.followed && g.TenthsPerNote > 0) note += g.ElapsedTenths / double{g.TenthsPerNote};
  g.PausedNote = basic::SaturateInt16(std::clamp(note, 0.0, end));
  // The displays count on from the positions already followed, or afresh from the resume point.
  const double firstPosition = resume_.followed ? g.PausedNote - resume_.base : 0;
  g.Paused = false;
  try {
    if (!WriteRange(first, last, g.PausedNote, end)) return;
    LoadForPlay();
    // A resumed play never sets the repeat count, so it never loops.
    StartSegment(false);
    ReadStartClock();
    if (g.KaraokeMode) p_.Karaoke().Show();
    AddHeadStart();
    FollowSegment(firstPosition, g.ScrollPos);
    g.ElapsedTenths = g.PausedNote;
    f.TimerClock.Enabled = true;
    resume_.followed = true;
    AdvanceFileCounter();
  } catch (const basic::RuntimeError&) {
    ReportLoadError();
  }
}

void PlayCommands::Pause() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  if (g.PlayFileBusy || g.Paused) return;
  g.Paused = true;
  SetPauseBars(kLampLit);
  f.TimerClock.Enabled = false;
  StopSegment();
}

void PlayCommands::Stop() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  if (g.PlayFileBusy) return;
  f.StopBox.FillColor = kLampLit;
  StopSegment();
  g.Paused = false;
  SetPauseBars(kLampUnlit);
  f.TimerClock.Enabled = false;
  if (g.TeachMode && f.Piano.Exists(g.LitKey)) f.Piano[g.LitKey].BackColor = basic::SaturateInt32(g.LitKeyColour);
  if (g.PlayerPianoMode && f.Lyric.Exists(g.PlayerPianoColumn)) f.Lyric[g.PlayerPianoColumn].BackColor = kWhite;
}

// ---- menu handlers ----

void PlayCommands::PlayFrom_Click() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  if (g.PlayFileBusy || !g.SelectionActive) return;
  g.ComputeScoreLength();
  const double start = basic::SaturateInt32(g.ScrollPos + g.SelColFrom);
  if (g.ScoreLength - g.SelColFrom < 1) return;
  const double length = g.ScoreLength;
  try {
    if (start >= length) {
      // Nothing left to play: what plays stops and nothing else happens.
      StopSegment();
      return;
    }
    g.CurrentFilePath = TempPlayFile();
    TempFileScope file(g.CurrentFilePath);
    if (!WriteRange(0, kTracks - 1, start, length)) return;
    LoadForPlay();
    g.PlayDuration = static_cast<float>((length - start) * 201 / written_.tempo);
    g.TenthsPerNote = static_cast<float>(g.PlayDuration / (length - start));
    g.ElapsedTenths = basic::SaturateInt16(start);
    // The clock follows the segment from its own beginning, as the player piano shows it
    // (from `start` in column 0).
    g.ResumeOffset = 0;
    resume_ = {start, true};
    hasResumePoint_ = true;
    if (g.PlayerPianoMode) p_.PlaybackClock().StartPlayerPianoPage(start);
    if (g.KaraokeMode) SetUpKaraoke();
    if (g.TeachMode) SetUpTeacher();
    if (p_.SoundEngine().PlayingSegment) {
      StartSegment(true);
      ReadStartClock();
      AddHeadStart();
      FollowSegment(0, start);
    }
    AdvanceFileCounter();
    f.TimerClock.Enabled = true;
    g.Paused = false;
    SetPauseBars(kLampUnlit);
  } catch (const basic::RuntimeError&) {
    // This command ends silently on any failure.
  }
}

void PlayCommands::PlayStartActive_Click() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  if (g.PlayFileBusy) return;
  if (g.SelColFrom < 1 || !g.SelectionActive) return;
  if (g.Paused) {
    f.TimerClock.Enabled = true;
    AdvanceFileCounter();
    g.Paused = false;
    SetPauseBars(kLampUnlit);
    return;
  }
  // Position 0 up to and including the selection's first position.
  const double first = g.ScrollPos + g.SelColFrom;
  g.CurrentFilePath = TempPlayFile();
  TempFileScope file(g.CurrentFilePath);
  g.ScoreLength = static_cast<float>(first);
  try {
    if (!WriteRange(0, kTracks - 1, 0, first + 1)) return;
    LoadForPlay();
    g.PlayDuration = static_cast<float>(first * 201 / written_.tempo);
    g.TenthsPerNote = static_cast<float>(g.PlayDuration / first);
    g.ElapsedTenths = 0;
    resume_ = {0, false};
    hasResumePoint_ = true;
    if (g.PlayerPianoMode) p_.PlaybackClock().StartPlayerPianoPage(0);
    if (g.KaraokeMode) SetUpKaraoke();
    if (g.TeachMode) SetUpTeacher();
    if (p_.SoundEngine().PlayingSegment) {
      StartSegment(true);
      ReadStartClock();
      AddHeadStart();
      FollowSegment(0, 0);
    }
    AdvanceFileCounter();
    g.Paused = false;
  } catch (const basic::RuntimeError&) {
    // This command ends silently on any failure.
  }
}

void PlayCommands::PlayMIDI_Click() {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  if (g.PlayFileBusy) return;
  forms::CommonDialog& dialog = f.CommonDialog1;
  dialog.Filter = "All Files (*.*)|*.*|MIDI Files (*.MID)|*.MID";
  dialog.FilterIndex = 2;
  try {
    CancelErrorScope cancelError(dialog);
    dialog.ShowOpen();
  } catch (const basic::RuntimeError& e) {
    if (e.number == basic::err::CancelError) return;  // cancelled: nothing changes
    throw;
  }
  g.CurrentFilePath = dialog.FileName;
  try {
    LoadForPlay();
    if (p_.SoundEngine().PlayingSegment) StartSegment(true);
  } catch (const basic::RuntimeError&) {
    // This command ends silently on any failure.
  }
}

void PlayCommands::actrk_Click() {
  forms::Menu& item = p_.Form1().actrk;
  item.Checked = !item.Checked;
}

void PlayCommands::ChkLoop_Click() {
  forms::Menu& item = p_.Form1().ChkLoop;
  item.Checked = !item.Checked;
}

// ---- shared steps ----

bool PlayCommands::WriteRange(int firstTrack, int lastTrack, double startPos, double endPos) {
  Globals& g = p_.G;
  const std::string path = g.CurrentFilePath;
  // The file is made from the composition as it is now (events during the write's wait may
  // change it): so is what the clock needs to know of it.
  const CompositionFileSpan span = CompositionFileLength(g, firstTrack, lastTrack, startPos, endPos);
  written_ = {span.positions, span.ticks, FileTempo(g)};
  bool written = false;
  {
    BusyScope busy(g.PlayFileBusy);
    written = p_.MidiFiles().WriteMidiFile(path, firstTrack, lastTrack, startPos, endPos);
  }
  g.CurrentFilePath = path;
  return written;
}

void PlayCommands::LoadForPlay() {
  Globals& g = p_.G;
  SoundEngine& engine = p_.SoundEngine();
  if (!engine.Perf || !engine.Loader) basic::Raise(kObjectNotSet, "Object variable not set");
  StopSegment();
  // The loader would wait on a named pipe or a device until someone writes to it.
  if (!IsReadableRegularFile(g.CurrentFilePath)) basic::Raise(basic::err::FileNotFound);
  engine.PlayingSegment = engine.Loader->LoadSegment(g.CurrentFilePath);
  if (FileLength(g.CurrentFilePath) == 0) basic::Raise(basic::err::InvalidCall);
  engine.PlayingSegment = engine.Loader->LoadSegment(g.CurrentFilePath);
  if (!engine.PlayingSegment) basic::Raise(kObjectNotSet, "Object variable not set");
  engine.PlayingSegment->SetStandardMidiFile();
  p_.EffectChain().FX();
}

void PlayCommands::StartSegment(bool setRepeats) {
  SoundEngine& engine = p_.SoundEngine();
  // A segment whose repeat count is not set plays once.
  repeats_ = setRepeats && p_.Form1().ChkLoop.Checked ? -1 : 0;
  if (setRepeats) engine.PlayingSegment->SetRepeats(repeats_);
  engine.Perf->PlaySegmentEx(engine.PlayingSegment, music::DMUS_SEGF_DEFAULT, 0, nullptr, nullptr);
}

void PlayCommands::StopSegment() {
  SoundEngine& engine = p_.SoundEngine();
  if (engine.PlayingSegment && engine.Perf) engine.Perf->StopEx(engine.PlayingSegment, 0, 0);
  p_.PlaybackClock().SegmentStopped();
}

void PlayCommands::ReadStartClock() {
  startClock_ = p_.SoundEngine().Perf->GetClockTime();
  p_.G.PlayStartClock = basic::SaturateInt32(startClock_ / 100.0);
}

void PlayCommands::AddHeadStart() {
  Globals& g = p_.G;
  const float headStart = static_cast<float>((125 - FileTempo(g)) / 20);
  g.PlayStartClock = basic::SaturateInt32(g.PlayStartClock + double{headStart});
}

void PlayCommands::FollowSegment(double firstPosition, double scrollPos) {
  // The file's time base: `tempo` ticks a quarter note of half a second.
  const double msPerTick = 500 / written_.tempo;
  SegmentTiming timing;
  timing.startClock = startClock_;
  timing.leadInMs = kFirstNoteTick * msPerTick;
  timing.positionMs = kNoteSlot * msPerTick;
  timing.passMs = static_cast<double>(written_.ticks) * msPerTick;
  timing.positions = written_.positions;
  timing.firstPosition = firstPosition;
  timing.loops = repeats_ != 0;
  timing.scrollPos = scrollPos;
  p_.PlaybackClock().FollowSegment(timing);
}

void PlayCommands::SetUpKaraoke() {
  p_.PlaybackClock().StartKaraokePage();
  p_.Karaoke().Show();
}

void PlayCommands::SetUpTeacher() {
  p_.G.LitKeyColour = kIvoryKey;
  p_.G.LitKey = 0;
}

void PlayCommands::SetPauseBars(int colour) {
  Form1& f = p_.Form1();
  f.PauseBar[0].FillColor = colour;
  f.PauseBar[1].FillColor = colour;
}

void PlayCommands::ReportLoadError() {
  p_.Ws.MsgBox("There was an error loading the MIDI file.", forms::mb::Critical, "Couldn't load");
}

}  // namespace stavelark
