#include "editor/note_commands.h"

#include <algorithm>
#include <string>

#include "editor/form1.h"
#include "editor/program.h"
#include "editor/score_display.h"
#include "editor/selection.h"
#include "platform/basic/basic.h"

namespace stavelark {

namespace {

constexpr int kVolumeStep = 5;
constexpr int kMaxVolume = 127;
constexpr int kEighthRestEntry = 7;

}  // namespace

void NoteCommands::Wire(Form1& form) {
  form.high.Click = [this] { high_Click(); };
  form.low.Click = [this] { low_Click(); };
  form.long_.Click = [this] { long_Click(); };
  form.short_.Click = [this] { short_Click(); };
  form.incvol.Click = [this] { incvol_Click(); };
  form.decvol.Click = [this] { decvol_Click(); };
  form.FadeIn.Click = [this] { FadeIn_Click(); };
  form.FadeOut.Click = [this] { FadeOut_Click(); };
  form.VolLabel.Click = [this](int index) { VolLabel_Click(index); };
  form.Picture2.Click = [this](int index) { Picture2_Click(index); };
  form.NoteVolume.Change = [this] { NoteVolume_ValueChanged(); };
  form.DivControl.Change = [this] { DivControl_ValueChanged(); };
  form.Lyric.Change = [this](int index) { Lyric_Change(index); };
  form.Lyric.LostFocus = [this](int index) { Lyric_LostFocus(index); };
}

// The limits differ between a selection and the last note: a selected pitch climbs to 24, the
// last note's only to 17; a selected volume to 127, the last note's to 126. A rest (169) never
// changes pitch.
void NoteCommands::high_Click() {
  Step(Field::Pitch, +1, [](int v) { return v < 24; }, [](int v) { return v < 17; });
}
void NoteCommands::low_Click() {
  auto test = [](int v) { return 0 < v && v < 26; };
  Step(Field::Pitch, -1, test, test);
}
void NoteCommands::incvol_Click() {
  Step(Field::Volume, +kVolumeStep, [](int v) { return v < 123; }, [](int v) { return v < 122; });
}
void NoteCommands::decvol_Click() {
  auto test = [](int v) { return v > kVolumeStep; };
  Step(Field::Volume, -kVolumeStep, test, test);
}
void NoteCommands::long_Click() {
  Step(Field::Duration, +1, [](int v) { return v < 5; }, nullptr);
}
void NoteCommands::short_Click() {
  Step(Field::Duration, -1, [](int v) { return v > 0; }, nullptr);
}

void NoteCommands::Step(Field field, int delta, Test selected, Test last) {
  Globals& g = p_.G;
  g.Modified = true;
  auto apply = [&](int t, int pos, Test test) {
    int16_t& pitch = g.NotePitch[t][pos];
    uint8_t& vol = g.NoteVol[t][pos];
    uint8_t& duration = g.NoteDuration[t][pos];
    const int value = field == Field::Pitch ? pitch : field == Field::Volume ? vol : duration;
    if (!test(value)) return false;
    if (field == Field::Pitch) pitch = static_cast<int16_t>(value + delta);
    else if (field == Field::Volume) vol = static_cast<uint8_t>(value + delta);
    else duration = static_cast<uint8_t>(value + delta);
    return true;
  };

  if (g.SelectionActive) {
    const SelectedBlock b = SelectionBlock(g);
    for (int t = b.trackFrom; t <= b.trackTo; ++t)
      for (int c = b.colFrom; c <= b.colTo; ++c) {
        const int pos = g.ScrollPos + c;
        if (pos >= g.NoteCount[t] || pos >= kPositions) continue;
        if (apply(t, pos, selected)) ShowChange(field, t * kColumns + c, t, pos);
      }
    return;
  }

  const int t = g.ActiveTrack;
  if (!last || t < 0 || t >= kTracks) return;
  const int pos = g.NoteCount[t] - 1;
  if (pos < 0 || pos >= kPositions) return;
  if (!apply(t, pos, last)) return;
  // Scrolled off screen, the note changes without being drawn.
  const int column = pos - g.ScrollPos;
  if (column >= 0 && column < kColumns) ShowChange(field, t * kColumns + column, t, pos);
}

void NoteCommands::ShowChange(Field field, int cell, int track, int pos) {
  Globals& g = p_.G;
  if (field == Field::Volume) {
    p_.Form1().VolLabel[cell].Caption = std::to_string(g.NoteVol[track][pos]);
    return;
  }
  p_.ScoreDisplay().DrawNoteGlyph(cell, g.NotePitch[track][pos], g.NoteDuration[track][pos], g.NoteVol[track][pos]);
}

void NoteCommands::FadeIn_Click() { Fade(true); }
void NoteCommands::FadeOut_Click() { Fade(false); }

void NoteCommands::Fade(bool fadeIn) {
  Globals& g = p_.G;
  if (!g.SelectionActive) return;
  const SelectedBlock b = SelectionBlock(g);
  // A ramp needs two columns at least: over one the step would be undefined.
  const int intervals = b.colTo - b.colFrom;
  if (intervals <= 0 || !b.HasTracks()) return;
  for (int t = b.trackFrom; t <= b.trackTo; ++t) {
    const int first = g.ScrollPos + b.colFrom;
    if (first >= kPositions) continue;
    const int v = g.NoteVol[t][first];
    const int step = static_cast<int>(basic::RoundHalfEven(static_cast<double>(v) / intervals));
    int running = fadeIn ? 0 : v;
    // Every selected position takes its value, notes or not, rests included.
    for (int c = b.colFrom; c <= b.colTo; ++c) {
      const int pos = g.ScrollPos + c;
      if (pos >= kPositions) break;
      const int value = fadeIn ? std::min(running, kMaxVolume) : std::max(running, 0);
      g.NoteVol[t][pos] = static_cast<uint8_t>(value);
      running += fadeIn ? step : -step;
    }
  }
  g.Modified = true;
  p_.ScoreDisplay().RedrawScore();
}

void NoteCommands::VolLabel_Click(int Index) {
  Globals& g = p_.G;
  if (Index < 0 || Index >= kCells) return;
  const int track = Index / kColumns;
  const int column = Index - kColumns * track;
  const int pos = g.ScrollPos + column;
  // A label under no note shows no number: there is nothing to set.
  if (pos >= g.NoteCount[track] || pos >= kPositions) return;
  if (g.NotePitch[track][pos] == kRestPitch) return;
  g.NoteVol[track][pos] = g.NoteVolumeValue;
  p_.Form1().VolLabel[Index].Caption = std::to_string(g.NoteVolumeValue);
  g.Modified = true;
}

void NoteCommands::Picture2_Click(int Index) {
  Globals& g = p_.G;
  Form1& f = p_.Form1();
  if (Index < 0 || Index > kEighthRestEntry) return;
  g.CurDuration = static_cast<int16_t>(Index);
  f.DurBlok.Left = Index == kEighthRestEntry ? 3868 : Index * 480 + 988;
  if (!g.SelectionActive) return;
  const SelectedBlock b = SelectionBlock(g);
  for (int t = b.trackFrom; t <= b.trackTo; ++t)
    for (int c = b.colFrom; c <= b.colTo; ++c) {
      const int pos = g.ScrollPos + c;
      if (pos >= kPositions) continue;
      g.NoteDuration[t][pos] = static_cast<uint8_t>(Index);
      if (Index == kEighthRestEntry) g.NotePitch[t][pos] = kRestPitch;
    }
  // Changed notes are work to keep: the save prompt must know of them.
  g.Modified = true;
  p_.ScoreDisplay().RedrawScore();
}

void NoteCommands::NoteVolume_ValueChanged() {
  Globals& g = p_.G;
  g.NoteVolumeValue = static_cast<uint8_t>(std::clamp(p_.Form1().NoteVolume.Value(), 1, kMaxVolume));
  g.Modified = true;
  if (!g.SelectionActive) return;
  const SelectedBlock b = SelectionBlock(g);
  for (int t = b.trackFrom; t <= b.trackTo; ++t)
    for (int c = b.colFrom; c <= b.colTo; ++c) {
      const int pos = g.ScrollPos + c;
      if (pos < kPositions) g.NoteVol[t][pos] = g.NoteVolumeValue;
    }
  p_.ScoreDisplay().RedrawScore();
}

void NoteCommands::DivControl_ValueChanged() {
  Globals& g = p_.G;
  const auto tempo = static_cast<float>(p_.Form1().DivControl.Value());
  if (tempo == g.Tempo) return;
  g.Tempo = tempo;
  g.Modified = true;
}

void NoteCommands::Lyric_Change(int Index) { StoreLyric(Index); }

void NoteCommands::Lyric_LostFocus(int Index) { StoreLyric(Index); }

void NoteCommands::StoreLyric(int Index) {
  Globals& g = p_.G;
  if (Index < 0 || Index >= kColumns) return;
  const int pos = g.ScrollPos + Index;
  if (pos < 0 || pos >= kPositions) return;
  const std::string& text = p_.Form1().Lyric[Index].Text();
  if (g.Lyrics[pos] == text) return;
  g.Lyrics[pos] = text;
  g.Modified = true;
}

}  // namespace stavelark
