#include "sound/piano.h"

#include <algorithm>
#include <array>

#include "editor/form1.h"
#include "editor/program.h"
#include "editor/score_display.h"
#include "editor/scrolling.h"
#include "platform/basic/basic.h"
#include "sound/effect_chain.h"
#include "sound/midi_files.h"
#include "sound/play_commands.h"
#include "sound/play_support.h"
#include "sound/sound_engine.h"

namespace stavelark {

namespace {

constexpr int kKeys = 26;
constexpr int kRestKey = 15;
constexpr int kEighthRestTool = 7;
constexpr int kObjectNotSet = 91;

// Keys 0..14 are the white keys B to B, 15 the rest key, 16..25 the black keys.
constexpr std::array<int, kKeys> kKeyPitch = {0, 1, 3,  5,  6,  8,  10, 12, 13, 15, 17, 18, 20,
                                              22, 24, kRestPitch, 2, 4, 7, 9, 11, 14, 16, 19, 21, 23};

constexpr forms::Color kPressedKey = 0xFF0000;  // blue
constexpr forms::Color kWhiteKey = 0xCFF5FB;    // ivory
constexpr forms::Color kBlackKey = 0x000000;

}  // namespace

void PianoKeys::Wire(Form1& form) {
  form.Piano.Click = [this](int index) { Piano_Click(index); };
  form.Piano.KeyDown = [this](int index, int& keyCode, int shift) { Piano_KeyDown(index, keyCode, shift); };
  form.Piano.KeyUp = [this](int index, int& keyCode, int shift) { Piano_KeyUp(index, keyCode, shift); };
}

int PianoKeys::PitchOfKey(int key) { return key >= 0 && key < kKeys ? kKeyPitch[key] : kRestPitch; }

void PianoKeys::Piano_Click(int Index) {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  // While the composition plays the keyboard only lights.
  if (f.TimerClock.Enabled) return;
  if (Index < 0 || Index >= kKeys) return;
  const int key = g.CurDuration == kEighthRestTool ? kRestKey : Index;
  const int pitch = PitchOfKey(key);
  if (g.RecordOn) EnterNote(pitch);
  if (key != kRestKey) {
    const int a = g.ActiveTrack;
    SoundNote(a >= 0 && a < kTracks ? g.TrackInstrument[a] : 0, pitch, g.CurDuration);
  }
}

void PianoKeys::EnterNote(int pitch) {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  const int a = g.ActiveTrack;
  if (!g.TrackHasRoom(a, 1)) {
    p_.Ws.Beep();
    return;
  }
  const int n = g.NoteCount[a];
  p_.ScoreDisplay().ClearSelectionHighlight();
  g.Modified = true;
  g.NotePitch[a][n] = static_cast<int16_t>(pitch);
  g.NoteDuration[a][n] = static_cast<uint8_t>(g.CurDuration);
  g.NoteVol[a][n] = g.NoteVolumeValue;
  // The view lies beyond the track's end: the new note shows in column 0.
  if (n < g.ScrollPos) {
    g.SetScrollPos(n);
    p_.ScoreDisplay().RedrawScore();
  }
  // The note would fall right of the last column: it shows in column 10.
  if (n - g.ScrollPos > kColumns - 1) {
    g.SetScrollPos(std::max(n - 10, 0));
    p_.ScoreDisplay().RedrawScore();
    p_.Scrolling().UpdateScrollThumb();
  }
  p_.ScoreDisplay().DrawNoteGlyph(a * kColumns + (n - g.ScrollPos), pitch, g.CurDuration, f.NoteVolume.Value);
  g.NoteCount[a] = static_cast<int16_t>(n + 1);
}

bool PianoKeys::SoundNote(int instrument, int pitch, int duration) {
  Globals& g = p_.G;
  // A play command is writing its file: the note would collide with it.
  if (g.PlayFileBusy) return false;
  PlayCommands& play = p_.PlayCommands();
  g.DummyFileName = play.TempNoteFile();
  g.CurrentFilePath = g.DummyFileName;
  TempFileScope file(g.DummyFileName);
  try {
    p_.MidiFiles().writenote(instrument, pitch, duration);
    SoundEngine& engine = p_.SoundEngine();
    if (!engine.Perf || !engine.Loader) basic::Raise(kObjectNotSet, "Object variable not set");
    play.StopSegment();
    if (FileLength(g.CurrentFilePath) == 0) basic::Raise(basic::err::InvalidCall);
    engine.PlayingSegment = engine.Loader->LoadSegment(g.CurrentFilePath);
    if (!engine.PlayingSegment) basic::Raise(kObjectNotSet, "Object variable not set");
    p_.EffectChain().FX();
    engine.PlayingSegment->SetStandardMidiFile();
    engine.Perf->PlaySegmentEx(engine.PlayingSegment, music::DMUS_SEGF_DEFAULT, 0, nullptr, nullptr);
    play.AdvanceFileCounter();
    return true;
  } catch (const basic::RuntimeError&) {
    return false;
  }
}

void PianoKeys::Piano_KeyDown(int, int& KeyCode, int) {
  Globals& g = p_.G;
  g.LastKeyCode = static_cast<int16_t>(KeyCode);
  KeyCodeToPianoKey();
  const int key = g.PianoKeyIndex;
  if (key < 0) return;
  // The key lights even while the composition plays, when the click does nothing.
  g.LitKey = static_cast<int16_t>(key);
  p_.Form1().Piano[key].BackColor = kPressedKey;
  Piano_Click(key);
}

void PianoKeys::Piano_KeyUp(int, int& KeyCode, int) {
  Globals& g = p_.G;
  g.LastKeyCode = static_cast<int16_t>(KeyCode);
  KeyCodeToPianoKey();
  const int key = g.PianoKeyIndex;
  if (key < 0) return;
  p_.Form1().Piano[key].BackColor = key <= kRestKey ? kWhiteKey : kBlackKey;
}

void PianoKeys::KeyCodeToPianoKey() {
  const int code = p_.G.LastKeyCode;
  int key = -1;
  if (code == 192) key = 0;                        // grave accent
  else if (code >= 49 && code <= 57) key = code - 48;  // digits 1..9
  else if (code == 48) key = 10;                   // digit 0
  else if (code == 189) key = 11;                  // minus
  else if (code == 187) key = 12;                  // equals
  else if (code == 8) key = 13;                    // Backspace
  else if (code == 27) key = kRestKey;             // Esc
  else if (code >= 112 && code <= 120) key = code - 96;  // F1..F9
  p_.G.PianoKeyIndex = static_cast<int16_t>(key);
}

void PianoKeys::PreviewInstrumentNote() {
  // The D of the active track's octave, an eighth long.
  SoundNote(p_.G.PickedInstrument, 3, 2);
  // Cleared whatever happened, so a failing preview is tried once per request.
  p_.G.InstPicked = false;
}

}  // namespace stavelark
